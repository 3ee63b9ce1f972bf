#pragma once

#include <QString>

// The text of the first of the two files that opens: the compiled-in resource when it exists,
// else the fallback path. A null string when the chosen file cannot be read.
QString loadStyleSheet(const QString &resourcePath, const QString &fallbackPath);

// Where a data file the program loads at run time lives: beside the executable in the build tree,
// else in the installed data folder (share/lumeral/ next to bin/).
QString dataFilePath(const QString &applicationDir, const QString &fileName);

#pragma once

#include <QString>

// The file a log export writes and its format, decided from what the save dialog returned: the
// name as the user gave it and the filter chosen beside it. A name with an extension keeps it and
// is CSV when that extension is "csv" in any case; a name without one takes the chosen filter's
// extension and format, the text filter's when none was reported.
struct LogExportTarget
{
    QString fileName;
    bool csv = false;

    // The save dialog's filters, text first, named in Chinese or English.
    static QString nameFilters(bool english = false);
    static LogExportTarget fromDialog(const QString &chosenName, const QString &chosenFilter);
};

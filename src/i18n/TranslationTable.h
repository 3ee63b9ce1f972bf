#pragma once

#include <QMap>
#include <QString>

// The fixed Chinese-to-English table of the interface texts. It serves the whole tool suite, so it
// also holds rows for texts of the suite's other tools that this program never shows.
class TranslationTable
{
public:
    TranslationTable();

    // The English row for the exact text (case and spaces count), or the text itself when it has none.
    QString translate(const QString &text) const;
    // How many distinct Chinese texts have a row.
    int size() const;

private:
    QMap<QString, QString> m_rows;
};

#include "comm/LogExportTarget.h"

#include <QFileInfo>

namespace {

const QString TextFilter = QStringLiteral("文本文件 (*.txt)");
const QString CsvFilter = QStringLiteral("CSV文件 (*.csv)");
const QString EnglishTextFilter = QStringLiteral("Text files (*.txt)");
const QString EnglishCsvFilter = QStringLiteral("CSV files (*.csv)");
// A filter is known by its pattern, whatever language names it.
const QString CsvPattern = QStringLiteral("(*.csv)");
const QString TextExtension = QStringLiteral("txt");
const QString CsvExtension = QStringLiteral("csv");

} // namespace

QString LogExportTarget::nameFilters(bool english)
{
    return english ? EnglishTextFilter + QStringLiteral(";;") + EnglishCsvFilter
                   : TextFilter + QStringLiteral(";;") + CsvFilter;
}

LogExportTarget LogExportTarget::fromDialog(const QString &chosenName, const QString &chosenFilter)
{
    const QString extension = QFileInfo(chosenName).suffix();
    if (!extension.isEmpty())
        return {chosenName, extension.compare(CsvExtension, Qt::CaseInsensitive) == 0};
    const bool csv = chosenFilter.endsWith(CsvPattern);
    return {chosenName + QLatin1Char('.') + (csv ? CsvExtension : TextExtension), csv};
}

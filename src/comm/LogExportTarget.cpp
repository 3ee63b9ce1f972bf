#include "comm/LogExportTarget.h"

#include <QFileInfo>

namespace {

const QString TextFilter = QStringLiteral("文本文件 (*.txt)");
const QString CsvFilter = QStringLiteral("CSV文件 (*.csv)");
const QString TextExtension = QStringLiteral("txt");
const QString CsvExtension = QStringLiteral("csv");

} // namespace

QString LogExportTarget::nameFilters()
{
    return TextFilter + QStringLiteral(";;") + CsvFilter;
}

LogExportTarget LogExportTarget::fromDialog(const QString &chosenName, const QString &chosenFilter)
{
    const QString extension = QFileInfo(chosenName).suffix();
    if (!extension.isEmpty())
        return {chosenName, extension.compare(CsvExtension, Qt::CaseInsensitive) == 0};
    const bool csv = chosenFilter == CsvFilter;
    return {chosenName + QLatin1Char('.') + (csv ? CsvExtension : TextExtension), csv};
}

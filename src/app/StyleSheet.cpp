#include "app/StyleSheet.h"

#include "LumeralConfig.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

QString loadStyleSheet(const QString &resourcePath, const QString &fallbackPath)
{
    QFile file(QFile::exists(resourcePath) ? resourcePath : fallbackPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();

    QTextStream stream(&file);
    QString text = stream.readAll();
    // An empty style sheet that did open is still a loaded one.
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

QString dataFilePath(const QString &applicationDir, const QString &fileName)
{
    const QDir beside(applicationDir);
    if (beside.exists(fileName))
        return beside.filePath(fileName);
    return QDir::cleanPath(beside.filePath(QStringLiteral(LUMERAL_DATA_DIR_FROM_BIN "/") + fileName));
}

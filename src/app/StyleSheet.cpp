#include "app/StyleSheet.h"

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

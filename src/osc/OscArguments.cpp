#include "osc/OscArguments.h"

namespace OscArguments {

Message read(const QByteArray &message, const OscTextEncoding &)
{
    Message result;
    result.address = QString::fromUtf8(message.constData());
    return result;
}

QString valuesText(const Message &message)
{
    QStringList values;
    for (const Argument &argument : message.arguments)
        values << argument.text;
    return values.join(QLatin1Char(' '));
}

QString typeName(char tag)
{
    return QString(QLatin1Char(tag));
}

QString exactFloat(float value)
{
    return QString::number(value, 'g', 9);
}

QString exactDouble(double value)
{
    return QString::number(value, 'g', 17);
}

} // namespace OscArguments

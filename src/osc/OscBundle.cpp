#include "osc/OscBundle.h"

namespace OscBundle {

bool isBundle(const QByteArray &datagram)
{
    return datagram.startsWith(QByteArrayView("#bundle\0", 8));
}

Walk walk(const QByteArray &)
{
    return {};
}

QDateTime timeTagToDateTime(quint64)
{
    return {};
}

} // namespace OscBundle

#pragma once

#include "osc/OscBundle.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class OscTextEncoding;

// A received bundle as the log shows it opened: one row per message it holds, in order, each
// "<sender>#bundle <time tag> ▸ <the message's usual rendering>" with one "▸" per level of
// nesting; one row saying "(empty)" when it holds no message; and after the whole elements of a
// malformed bundle, one row naming the byte where reading stopped. Texts come in the language the
// given pick chooses.
class BundleRows
{
public:
    // Chooses between the Chinese and the English form of a text.
    using Pick = std::function<QString(const QString &chinese, const QString &english)>;

    // A message the bundle holds, as a single message would arrive: its bytes and its rendering.
    struct Message
    {
        QByteArray bytes;
        QString rendered;
    };

    struct Rows
    {
        QStringList lines;
        // Each row's OSC address: its message's, or "#bundle" on a row about the bundle itself.
        QStringList addresses;
        QList<Message> messages;
    };

    explicit BundleRows(Pick pick);

    // The rows of the datagram, each starting with the sender text given.
    Rows rows(const QByteArray &datagram, const QString &sender, const OscTextEncoding &strings,
              const QDate &today) const;

    // "immediately" for the time tag 1; otherwise local time, "HH:mm:ss.zzz" on the given day
    // and "yyyy-MM-dd HH:mm:ss.zzz" on any other.
    QString timeTagText(quint64 timeTag, const QDate &today) const;

private:
    QString stopText(OscBundle::Stop stop, qsizetype offset) const;

    Pick m_pick;
};

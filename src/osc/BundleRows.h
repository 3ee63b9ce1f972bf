#pragma once

#include "osc/OscBundle.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <functional>

class OscTextEncoding;

// A received bundle as the log shows it opened: one row per message it holds, in order, each
// "#bundle <time tag> ▸ <the message's usual rendering>" with one "▸" per level of nesting; one
// row saying "(empty)" when it holds no message; and after the whole elements of a malformed
// bundle, one row naming the byte where reading stopped. Rows leave out the sender, which the
// window puts in front. Texts come in the language the given pick chooses.
class BundleRows
{
public:
    // Chooses between the Chinese and the English form of a text.
    using Pick = std::function<QString(const QString &chinese, const QString &english)>;

    static constexpr QChar LevelMarker = QChar(0x25B8);

    struct Row
    {
        QString line;
        // The message's address; "#bundle" on a row about the bundle itself.
        QString address;
        // Set on a message's row: its bytes and its rendering, as a single message would have them.
        bool isMessage = false;
        QByteArray message;
        QString rendered;
    };

    explicit BundleRows(Pick pick);

    QList<Row> rows(const QByteArray &datagram, const OscTextEncoding &strings, const QDate &today) const;

    // "immediately" for the time tag 1; otherwise local time, "HH:mm:ss.zzz" on the given day
    // and "yyyy-MM-dd HH:mm:ss.zzz" on any other.
    QString timeTagText(quint64 timeTag, const QDate &today) const;

private:
    QString stopText(OscBundle::Stop stop, qsizetype offset) const;

    Pick m_pick;
};

#pragma once

#include "comm/LogEntry.h"

#include <QFlags>
#include <QString>

// Which log rows a view shows: the directions it keeps, and a text that is an OSC address pattern
// when it starts with '/' (matched against the row's address) or else a case-insensitive
// substring of the row's line. A leading '!' shows the rows the text does not match. A value:
// views compare the one they apply with the one the user has just typed.
class LogFilter
{
public:
    enum Direction {
        ShowRx = 0x1,
        ShowTx = 0x2,
        ShowSystem = 0x4,
    };
    Q_DECLARE_FLAGS(Directions, Direction)
    static constexpr Directions AllDirections {ShowRx, ShowTx, ShowSystem};

    // Shows everything.
    LogFilter() = default;
    // The filter the user typed, as typed ("!/mix/*", "error", ...).
    explicit LogFilter(const QString &typed, Directions directions = AllDirections);

    QString text() const { return m_text; }
    bool isInverted() const { return m_inverted; }
    bool isPattern() const { return m_pattern; }
    Directions directions() const { return m_directions; }

    // False when every row passes: no text and every direction shown.
    bool isActive() const;
    bool accepts(const LogEntry &entry) const;

    friend bool operator==(const LogFilter &a, const LogFilter &b)
    {
        return a.m_text == b.m_text && a.m_inverted == b.m_inverted && a.m_directions == b.m_directions;
    }
    friend bool operator!=(const LogFilter &a, const LogFilter &b) { return !(a == b); }

private:
    bool directionShown(LogDirection direction) const;
    bool textMatches(const LogEntry &entry) const;

    // Without the leading '!'.
    QString m_text;
    bool m_inverted = false;
    bool m_pattern = false;
    Directions m_directions = AllDirections;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(LogFilter::Directions)

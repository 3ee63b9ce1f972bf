#pragma once

#include <QTimer>
#include <QWidget>

class OscWidget;
class QCheckBox;
class QLabel;
class Relay;

// The relay's check boxes in the connection settings and its count in the log's status bar. It
// relays to the window's target while "转发" is ticked, restarting when the target changes, and
// logs the target's replies as received rows.
class RelaySwitch : public QWidget
{
    Q_OBJECT

public:
    // A flood changes the count with every datagram; it is shown at most this often.
    static constexpr int CountRefreshMs = 250;

    explicit RelaySwitch(OscWidget *window);

    Relay *relay() const { return m_relay; }
    QLabel *countLabel() const { return m_countLabel; }

private:
    void restart();
    void showCount();

    OscWidget *m_window;
    Relay *m_relay;
    QCheckBox *m_relayCheck;
    QCheckBox *m_bothWaysCheck;
    QLabel *m_countLabel;
    QTimer m_countTimer;
};

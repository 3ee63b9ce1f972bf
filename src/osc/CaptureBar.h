#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTimer>
#include <QWidget>

class CaptureWriter;
class QLabel;
class QPushButton;

// The capture part of the log's status bar: the record button and what has been written so far,
// with the replay button, which the owner places where sending is (the status bar has no room
// to spare while the counts are shown). It records what it is handed while a file is open; which file to record to,
// and what a replay is, are its owner's business, asked for through its signals.
class CaptureBar : public QWidget
{
    Q_OBJECT

public:
    // The counts beside the button change with every datagram; they are shown at most this often.
    static constexpr int CountsRefreshMs = 250;

    explicit CaptureBar(QWidget *parent = nullptr);

    bool isRecording() const;
    CaptureWriter *writer() const { return m_writer; }
    QPushButton *replayButton() const { return m_replayButton; }

    // Starts recording to the file, or says with a system message why it cannot.
    bool startRecording(const QString &fileName);
    void stopRecording();
    // Writes one datagram, now, if recording.
    void record(const QHostAddress &source, quint16 sourcePort, const QHostAddress &destination,
                quint16 destinationPort, const QByteArray &payload);

signals:
    // The record button was pressed while not recording.
    void recordRequested();
    void replayRequested();
    // A line for the log, in the language shown.
    void systemMessage(const QString &text);

private:
    void onWriteFailed(const QString &reason);
    void updateState();
    void showCounts();

    CaptureWriter *m_writer;
    QPushButton *m_recordButton;
    QLabel *m_countsLabel;
    QPushButton *m_replayButton;
    QTimer m_countsTimer;
};

#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CaptureBar;
class OscWidget;
class ReplayDialog;

// What the window keeps in files: captures of its traffic, their replay to the target, and
// setups. It puts its buttons in the log's status bar and the header, and reaches into the window
// for the send path and the fields a setup holds.
class Workbench : public QObject
{
    Q_OBJECT

public:
    enum class FileRole { CaptureToWrite, SetupToWrite, SetupToRead };

    explicit Workbench(OscWidget *window);

    // Asks the user which file to use; an empty name cancels. File dialogs by default.
    std::function<QString(FileRole)> chooseFile;

    CaptureBar *captureBar() const { return m_captureBar; }
    // Created when first opened, as a child window of the main one.
    ReplayDialog *replayDialog();

    // Writes the window's setup; a failure is shown in a message box and logged.
    bool saveSetup(const QString &fileName);
    // Applies the file's setup, or shows and logs why not and changes nothing.
    bool openSetup(const QString &fileName);

    // The recording side of the window's traffic. The socket listens on every local address and
    // a datagram does not say which of them it came to, so the local end is recorded as the
    // any-address of the peer's family (0.0.0.0 or ::) with the bound port.
    void recordReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    // Sent ones, to each target or TCP peer they went to.
    void recordSent(const QByteArray &datagram, const QHostAddress &target, quint16 targetPort);

private:
    void sendReplayed(const QByteArray &datagram);
    void startRecording();
    void warn(const QString &title, const QString &text);

    OscWidget *m_window;
    CaptureBar *m_captureBar;
    QPointer<ReplayDialog> m_replayDialog;
};

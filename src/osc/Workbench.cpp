#include "osc/Workbench.h"

#include "capture/ReplayDialog.h"
#include "capture/Replayer.h"
#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"
#include "i18n/LanguageManager.h"
#include "osc/CaptureBar.h"
#include "osc/HeaderBar.h"
#include "osc/OscCodec.h"
#include "osc/OscLink.h"
#include "osc/OscWidget.h"
#include "osc/WindowSetup.h"
#include "setup/SetupFile.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QString kCaptureFilter = QStringLiteral("pcap (*.pcap)");
const QString kSetupFilter = QStringLiteral("Lumeral (*.lumeral)");

QHostAddress anyAddressLike(const QHostAddress &peer)
{
    return QHostAddress(peer.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4);
}

QString askWithDialog(QWidget *parent, Workbench::FileRole role)
{
    switch (role) {
    case Workbench::FileRole::CaptureToWrite:
        return QFileDialog::getSaveFileName(parent, picked("录制到", "Record to"), QString(), kCaptureFilter);
    case Workbench::FileRole::SetupToWrite:
        return QFileDialog::getSaveFileName(parent, picked("保存配置", "Save setup"), QString(), kSetupFilter);
    case Workbench::FileRole::SetupToRead:
        break;
    }
    return QFileDialog::getOpenFileName(parent, picked("打开配置", "Open setup"), QString(), kSetupFilter);
}

} // namespace

Workbench::Workbench(OscWidget *window)
    : QObject(window)
    , m_window(window)
    , m_captureBar(new CaptureBar)
{
    chooseFile = [window](FileRole role) { return askWithDialog(window, role); };
    window->m_logView->addStatusWidget(m_captureBar);
    window->m_sendRow->insertWidget(window->m_sendRow->indexOf(window->m_sendButton), m_captureBar->replayButton());
    connect(m_captureBar, &CaptureBar::systemMessage, window->m_comm, &CommunicationBase::addSystemMessage);
    connect(m_captureBar, &CaptureBar::recordRequested, this, &Workbench::startRecording);
    connect(m_captureBar, &CaptureBar::replayRequested, this, [this] {
        ReplayDialog *dialog = replayDialog();
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    connect(window->m_link, &OscLink::datagramReceived, this, &Workbench::recordReceived);
    connect(window->m_link, &OscLink::datagramSent, this, &Workbench::recordSent);

    const HeaderBar *header = window->findChild<HeaderBar *>();
    connect(header->saveSetupButton(), &QPushButton::clicked, this, [this] {
        const QString fileName = chooseFile(FileRole::SetupToWrite);
        if (!fileName.isEmpty())
            saveSetup(fileName);
    });
    connect(header->openSetupButton(), &QPushButton::clicked, this, [this] {
        const QString fileName = chooseFile(FileRole::SetupToRead);
        if (!fileName.isEmpty())
            openSetup(fileName);
    });
}

ReplayDialog *Workbench::replayDialog()
{
    if (!m_replayDialog) {
        m_replayDialog = new ReplayDialog(m_window);
        connect(m_replayDialog, &ReplayDialog::datagramDue, this, &Workbench::sendReplayed);
    }
    return m_replayDialog;
}

void Workbench::startRecording()
{
    const QString fileName = chooseFile(FileRole::CaptureToWrite);
    if (!fileName.isEmpty())
        m_captureBar->startRecording(fileName);
}

// As the send button does, nothing goes out unbound; the replay stops rather than say so for
// every datagram it holds.
void Workbench::sendReplayed(const QByteArray &datagram)
{
    if (!m_window->isBound()) {
        m_replayDialog->replayer()->stop();
        m_window->m_comm->addSystemMessage(picked("请先绑定端口", "Bind a port first"));
        return;
    }
    if (!m_window->sendToTarget(datagram))
        return;
    const OscTextEncoding &strings = m_window->m_wireEncoding.follow(m_window->m_comm->encoding());
    m_window->m_comm->addTxDatagram(datagram, QStringLiteral("OSC ") + OscCodec::decodeOscToText(datagram, strings));
}

void Workbench::recordReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    m_captureBar->record(sender, senderPort, anyAddressLike(sender), m_window->m_link->localPort(), datagram);
}

void Workbench::recordSent(const QByteArray &datagram, const QHostAddress &target, quint16 targetPort)
{
    m_captureBar->record(anyAddressLike(target), m_window->m_link->localPort(), target, targetPort, datagram);
}

bool Workbench::saveSetup(const QString &fileName)
{
    QString error;
    if (!SetupFile::save(fileName, WindowSetup::gather(*m_window), &error)) {
        warn(picked("保存配置失败", "Saving the setup failed"), error);
        return false;
    }
    m_window->m_comm->addSystemMessage(picked("配置已保存: ", "Setup saved: ") + fileName);
    return true;
}

bool Workbench::openSetup(const QString &fileName)
{
    SetupProblem problem;
    QStringList ignored;
    std::optional<Setup> setup = SetupFile::load(fileName, &problem, &ignored);
    if (setup) {
        if (const std::optional<SetupProblem> refused = WindowSetup::check(*setup)) {
            problem = *refused;
            setup.reset();
        }
    }
    if (!setup) {
        const QString reason = LanguageManager::instance().pick(problem.chinese, problem.english);
        warn(picked("无法打开配置", "Cannot open the setup"),
             problem.field.isEmpty() ? reason : problem.field + QStringLiteral(": ") + reason);
        return false;
    }
    WindowSetup::apply(*m_window, *setup);
    m_window->m_comm->addSystemMessage(picked("配置已打开: ", "Setup opened: ") + fileName);
    if (!ignored.isEmpty())
        m_window->m_comm->addSystemMessage(picked("已忽略未知字段: ", "Unknown fields ignored: ") + ignored.join(QStringLiteral(", ")));
    return true;
}

void Workbench::warn(const QString &title, const QString &text)
{
    m_window->m_comm->addSystemMessage(title + QStringLiteral(": ") + text);
    QMessageBox::warning(m_window, title, text);
}

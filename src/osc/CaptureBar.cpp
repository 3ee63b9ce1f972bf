#include "osc/CaptureBar.h"

#include "capture/CaptureWriter.h"
#include "i18n/LanguageManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <chrono>

namespace {

constexpr int kButtonHeight = 24;

qint64 microsecondsNow()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

QPushButton *smallButton(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFixedHeight(kButtonHeight);
    return button;
}

} // namespace

CaptureBar::CaptureBar(QWidget *parent)
    : QWidget(parent)
    , m_writer(new CaptureWriter(this))
    , m_recordButton(smallButton(QStringLiteral("录制"), QStringLiteral("recordButton"), this))
    , m_countsLabel(new QLabel(this))
    , m_replayButton(smallButton(QStringLiteral("回放"), QStringLiteral("replayButton"), this))
{
    m_countsLabel->setObjectName(QStringLiteral("recordCountsLabel"));
    // The counts give way first when the status bar is short of room: the buttons stay whole.
    m_countsLabel->setMinimumWidth(1);
    m_countsLabel->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_countsLabel);
    layout->addWidget(m_recordButton);

    m_countsTimer.setInterval(CountsRefreshMs);
    connect(&m_countsTimer, &QTimer::timeout, this, &CaptureBar::showCounts);
    connect(m_writer, &CaptureWriter::failed, this, &CaptureBar::onWriteFailed);
    connect(m_recordButton, &QPushButton::clicked, this, [this] {
        if (isRecording())
            stopRecording();
        else
            emit recordRequested();
    });
    connect(m_replayButton, &QPushButton::clicked, this, &CaptureBar::replayRequested);
    // Runs after the window has put its table texts back, so the state's own text wins.
    LanguageManager::instance().addListener(this, [this] { updateState(); });
}

bool CaptureBar::isRecording() const
{
    return m_writer->isOpen();
}

bool CaptureBar::startRecording(const QString &fileName)
{
    if (!m_writer->open(fileName)) {
        emit systemMessage(picked("无法开始录制: ", "Cannot start recording: ") + m_writer->errorString());
        return false;
    }
    emit systemMessage(picked("开始录制到 ", "Recording to ") + fileName);
    m_countsTimer.start();
    updateState();
    return true;
}

void CaptureBar::stopRecording()
{
    if (!isRecording())
        return;
    m_writer->close();
    m_countsTimer.stop();
    updateState();
    emit systemMessage(picked("录制已停止, %1 个数据报, %2 字节", "Recording stopped, %1 datagrams, %2 bytes")
                           .arg(m_writer->packetsWritten())
                           .arg(m_writer->bytesWritten()));
}

void CaptureBar::record(const QHostAddress &source, quint16 sourcePort, const QHostAddress &destination,
                        quint16 destinationPort, const QByteArray &payload)
{
    if (isRecording())
        m_writer->write(microsecondsNow(), source, sourcePort, destination, destinationPort, payload);
}

// The writer has closed itself, with the file whole up to its last complete record.
void CaptureBar::onWriteFailed(const QString &reason)
{
    m_countsTimer.stop();
    updateState();
    emit systemMessage(picked("录制失败, 已停止: ", "Recording failed and stopped: ") + reason);
}

void CaptureBar::updateState()
{
    const bool recording = isRecording();
    m_recordButton->setText(recording ? picked("停止录制", "Stop recording") : picked("录制", "Record"));
    m_countsLabel->setVisible(recording);
    showCounts();
}

void CaptureBar::showCounts()
{
    // Short, as the status bar is narrow; the tooltip says it in full.
    m_countsLabel->setText(picked("● %1 包 / %2 字节", "● %1 pkt / %2 B")
                               .arg(m_writer->packetsWritten())
                               .arg(m_writer->bytesWritten()));
    m_countsLabel->setToolTip(picked("已录制 %1 个数据报, %2 字节", "Recorded %1 datagrams, %2 bytes")
                                  .arg(m_writer->packetsWritten())
                                  .arg(m_writer->bytesWritten()));
}

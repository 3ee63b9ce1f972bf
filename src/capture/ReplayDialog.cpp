#include "capture/ReplayDialog.h"

#include "capture/CaptureTableModel.h"
#include "capture/ReplaySchedule.h"
#include "capture/Replayer.h"
#include "i18n/LanguageManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <iterator>

namespace {

constexpr int MaxPort = 65535;
constexpr int MinimumDialogWidth = 560;

struct SpeedChoice {
    const char *label;
    double speed;
};

// The last choice, sending without the spacing, is named in words and set by retranslate().
const SpeedChoice SpeedChoices[] = {
    {"×0.25", 0.25}, {"×0.5", 0.5}, {"×1", 1.0}, {"×2", 2.0}, {"×4", 4.0}, {"×8", 8.0},
    {"", ReplaySchedule::AsFastAsPossible},
};
constexpr int DefaultSpeedIndex = 2;
constexpr int AsFastAsPossibleIndex = int(std::size(SpeedChoices)) - 1;

} // namespace

ReplayDialog::ReplayDialog(QWidget *parent)
    : QDialog(parent)
    , m_model(new CaptureTableModel(this))
    , m_replayer(new Replayer(this))
    , m_openButton(new QPushButton(this))
    , m_fileLabel(new QLabel(this))
    , m_errorLabel(new QLabel(this))
    , m_portSpin(new QSpinBox(this))
    , m_countLabel(new QLabel(this))
    , m_table(new QTableView(this))
    , m_speedCombo(new QComboBox(this))
    , m_portCaption(new QLabel(this))
    , m_speedCaption(new QLabel(this))
    , m_loopCheck(new QCheckBox(this))
    , m_progress(new QProgressBar(this))
    , m_startButton(new QPushButton(this))
    , m_stopButton(new QPushButton(this))
{
    setMinimumWidth(MinimumDialogWidth);

    m_openButton->setObjectName(QStringLiteral("replayOpenButton"));
    m_fileLabel->setObjectName(QStringLiteral("replayFileLabel"));
    m_errorLabel->setObjectName(QStringLiteral("replayError"));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_portSpin->setObjectName(QStringLiteral("replayPortSpin"));
    m_portSpin->setRange(CaptureReader::AnyPort, MaxPort);
    m_countLabel->setObjectName(QStringLiteral("replayCountLabel"));
    m_table->setObjectName(QStringLiteral("replayTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_speedCombo->setObjectName(QStringLiteral("replaySpeedCombo"));
    for (const SpeedChoice &choice : SpeedChoices)
        m_speedCombo->addItem(QString::fromUtf8(choice.label), choice.speed);
    m_speedCombo->setCurrentIndex(DefaultSpeedIndex);
    m_loopCheck->setObjectName(QStringLiteral("replayLoopCheck"));
    m_progress->setObjectName(QStringLiteral("replayProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_startButton->setObjectName(QStringLiteral("replayStartButton"));
    m_stopButton->setObjectName(QStringLiteral("replayStopButton"));

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_openButton);
    fileRow->addWidget(m_fileLabel, 1);
    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(m_portCaption);
    filterRow->addWidget(m_portSpin);
    filterRow->addStretch(1);
    filterRow->addWidget(m_countLabel);
    auto *playRow = new QHBoxLayout;
    playRow->addWidget(m_speedCaption);
    playRow->addWidget(m_speedCombo);
    playRow->addWidget(m_loopCheck);
    playRow->addWidget(m_progress, 1);
    playRow->addWidget(m_startButton);
    playRow->addWidget(m_stopButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(m_errorLabel);
    layout->addLayout(filterRow);
    layout->addWidget(m_table, 1);
    layout->addLayout(playRow);

    connect(m_openButton, &QPushButton::clicked, this, &ReplayDialog::chooseFile);
    connect(m_portSpin, &QSpinBox::valueChanged, this, &ReplayDialog::reload);
    connect(m_startButton, &QPushButton::clicked, this, &ReplayDialog::start);
    connect(m_stopButton, &QPushButton::clicked, m_replayer, &Replayer::stop);
    connect(m_replayer, &Replayer::datagramDue, this, &ReplayDialog::datagramDue);
    connect(m_replayer, &Replayer::progress, this, [this](int sent, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(sent);
    });
    connect(m_replayer, &Replayer::finished, this, &ReplayDialog::updateControls);
    // Nothing keeps playing behind a closed dialog.
    connect(this, &QDialog::finished, m_replayer, &Replayer::stop);

    // Texts from the file (its problems) are composed while reading: read again in the new language.
    LanguageManager::instance().addListener(this, [this] {
        retranslate();
        if (!m_replayer->isRunning())
            reload();
    });
    retranslate();
    updateControls();
}

void ReplayDialog::openFile(const QString &fileName)
{
    m_fileName = fileName;
    m_fileLabel->setText(QFileInfo(fileName).fileName());
    m_fileLabel->setToolTip(fileName);
    reload();
}

void ReplayDialog::chooseFile()
{
    const LanguageManager &language = LanguageManager::instance();
    const QString fileName = QFileDialog::getOpenFileName(
        this, language.pick(QStringLiteral("打开抓包文件"), QStringLiteral("Open capture file")), QString(),
        language.pick(QStringLiteral("抓包文件 (*.pcap *.pcapng *.cap);;所有文件 (*)"),
                      QStringLiteral("Capture files (*.pcap *.pcapng *.cap);;All files (*)")));
    if (!fileName.isEmpty())
        openFile(fileName);
}

void ReplayDialog::reload()
{
    if (m_fileName.isEmpty())
        return;
    m_reader.read(m_fileName, quint16(m_portSpin->value()));
    QStringList problems = m_reader.notes();
    if (!m_reader.errorString().isEmpty())
        problems.prepend(m_reader.errorString());
    m_errorLabel->setText(problems.join(u'\n'));
    m_model->setDatagrams(m_reader.datagrams());
    m_table->resizeColumnsToContents();
    m_progress->setRange(0, qMax(1, m_model->rowCount()));
    m_progress->setValue(0);
    showCount();
    updateControls();
}

void ReplayDialog::start()
{
    m_replayer->setDatagrams(m_model->datagrams());
    m_replayer->setSpeed(m_speedCombo->currentData().toDouble());
    m_replayer->setLooping(m_loopCheck->isChecked());
    m_replayer->start();
    updateControls();
}

void ReplayDialog::updateControls()
{
    const bool running = m_replayer->isRunning();
    m_openButton->setEnabled(!running);
    m_portSpin->setEnabled(!running);
    m_speedCombo->setEnabled(!running);
    m_loopCheck->setEnabled(!running);
    m_startButton->setEnabled(!running && m_model->rowCount() > 0);
    m_stopButton->setEnabled(running);
}

void ReplayDialog::showCount()
{
    m_countLabel->setText(LanguageManager::instance()
                              .pick(QStringLiteral("%1 个数据报"), QStringLiteral("%1 datagrams"))
                              .arg(m_model->rowCount()));
}

void ReplayDialog::retranslate()
{
    const LanguageManager &language = LanguageManager::instance();
    setWindowTitle(language.pick(QStringLiteral("回放"), QStringLiteral("Replay")));
    m_openButton->setText(language.pick(QStringLiteral("打开文件…"), QStringLiteral("Open file…")));
    m_portCaption->setText(language.pick(QStringLiteral("目标端口:"), QStringLiteral("Destination port:")));
    m_portSpin->setSpecialValueText(language.pick(QStringLiteral("全部"), QStringLiteral("all")));
    m_speedCaption->setText(language.pick(QStringLiteral("速度:"), QStringLiteral("Speed:")));
    m_speedCombo->setItemText(AsFastAsPossibleIndex, language.pick(QStringLiteral("尽快发送"), QStringLiteral("As fast as possible")));
    m_loopCheck->setText(language.pick(QStringLiteral("循环"), QStringLiteral("Loop")));
    m_startButton->setText(language.pick(QStringLiteral("开始"), QStringLiteral("Start")));
    m_stopButton->setText(language.pick(QStringLiteral("停止"), QStringLiteral("Stop")));
    if (m_fileName.isEmpty())
        m_fileLabel->setText(language.pick(QStringLiteral("未打开文件"), QStringLiteral("No file open")));
    showCount();
    m_model->headerDataChanged(Qt::Horizontal, 0, CaptureTableModel::ColumnCount - 1);
}

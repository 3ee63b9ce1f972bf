#include "controls/OscControlPanel.h"

#include "controls/ControlConfigDialog.h"
#include "controls/ControlGeometry.h"
#include "controls/FreeCanvas.h"
#include "controls/OscButton.h"
#include "controls/OscFader.h"
#include "controls/OscKnob.h"
#include "controls/OscLabel.h"
#include "osc/OscAddressPattern.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr int HeaderHeight = 36;
constexpr int ToolbarHeight = 40;
constexpr int ScaleBarHeight = 32;
constexpr int ToolButtonHeight = 28;
constexpr int GridComboWidth = 70;
constexpr int ZoomButtonWidth = 26;
constexpr int ResetButtonWidth = 32;
constexpr int ZoomButtonHeight = 24;
constexpr int ScaleLabelWidth = 40;

// New controls are placed on a cursor stepping right and down over a virtual area, wrapping.
constexpr int PlacementAreaWidth = 400;
constexpr int PlacementAreaHeight = 500;
constexpr int PlacementStepX = 60;
constexpr int PlacementStepY = 40;
constexpr double NewControlWidth = 0.22;
constexpr double NewControlHeight = 0.35;

// Each widget below keeps its own style sheet, exactly as the panel has always set it.
const QString HintStyle = QStringLiteral("color: #64748B; font-size: 10px;");
const QString ToolButtonStyle = QStringLiteral("QPushButton { font-size: 11px; padding: 2px 10px; }");
const QString ZoomButtonStyle = QStringLiteral("QPushButton { font-size: 13px; padding: 0; }");
const QString ScrollAreaStyle = QStringLiteral("QScrollArea { border: none; background: transparent; }");
const QString SnapLabelStyle = QStringLiteral("color: #94A3B8; font-size: 11px;");
const QString GridComboStyle = QStringLiteral("QComboBox { font-size: 11px; padding: 2px; }");
const QString ScaleLabelStyle = QStringLiteral("color: #F1F5F9; font-size: 11px;");

QPushButton *toolButton(const QString &text, const QString &toolTip, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFixedHeight(ToolButtonHeight);
    button->setStyleSheet(ToolButtonStyle);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    return button;
}

QPushButton *zoomButton(const QString &text, int width, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFixedSize(width, ZoomButtonHeight);
    button->setStyleSheet(ZoomButtonStyle);
    return button;
}

QString labelText(const OscControl *control)
{
    const auto *label = qobject_cast<const OscLabel *>(control);
    return label ? label->text() : QString();
}

QString scaleText(double scale)
{
    return QStringLiteral("%1%").arg(ControlGeometry::roundHalfAway(scale * 100));
}

}

// What it takes to put a removed control back as it was.
struct OscControlPanel::RemovedControl {
    ControlType type;
    QString address;
    QString name;
    QColor color;
    QRectF normRect;
    bool outputInteger;
    double outputLow;
    double outputHigh;
    double value;
    // What a label showed instead of its number, if anything.
    QString text;
};

OscControlPanel::OscControlPanel(QWidget *owner, QWidget *parent)
    : QWidget(parent ? parent : owner)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(createHeaderRow());
    m_toolbar = createToolbar();
    layout->addWidget(m_toolbar);
    layout->addWidget(createScaleBar());

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setStyleSheet(ScrollAreaStyle);
    m_canvas = new FreeCanvas(m_scrollArea);
    m_scrollArea->setWidget(m_canvas);
    layout->addWidget(m_scrollArea, 1);

    setFocusPolicy(Qt::ClickFocus);
    connect(m_canvas, &FreeCanvas::controlScaleChanged, this, &OscControlPanel::showScale);
    connect(m_editCheck, &QCheckBox::toggled, this, &OscControlPanel::setEditMode);
}

QWidget *OscControlPanel::createHeaderRow()
{
    auto *header = new QWidget(this);
    header->setFixedHeight(HeaderHeight);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(8);

    m_editCheck = new QCheckBox(QStringLiteral("编辑模式"), header);
    auto *hint = new QLabel(QStringLiteral("拖拽移动 | 右下角拉伸 | 工具栏添加/删除"), header);
    hint->setStyleSheet(HintStyle);
    row->addWidget(m_editCheck);
    row->addWidget(hint);
    row->addStretch();
    return header;
}

QWidget *OscControlPanel::createToolbar()
{
    auto *toolbar = new QWidget(this);
    toolbar->setFixedHeight(ToolbarHeight);
    toolbar->hide();
    auto *row = new QHBoxLayout(toolbar);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);

    auto *fader = toolButton(QStringLiteral("+ 推子"), QStringLiteral("垂直滑块 — 拖动发送浮点数值"), toolbar);
    auto *button = toolButton(QStringLiteral("+ 按钮"), QStringLiteral("按压按钮 — 按下发送1.0，松开发送0.0"), toolbar);
    auto *knob = toolButton(QStringLiteral("+ 旋钮"), QStringLiteral("旋转旋钮 — 拖动/滚轮发送0.0~1.0"), toolbar);
    auto *label = toolButton(QStringLiteral("+ 标签"),
                             QStringLiteral("数值/文本显示器 — 接收OSC数值或字符串并显示，不发送"), toolbar);
    auto *remove = toolButton(QStringLiteral("删除"), QString(), toolbar);
    remove->setObjectName(QStringLiteral("dangerButton"));

    connect(fader, &QPushButton::clicked, this, &OscControlPanel::addFader);
    connect(button, &QPushButton::clicked, this, &OscControlPanel::addButton);
    connect(knob, &QPushButton::clicked, this, &OscControlPanel::addKnob);
    connect(label, &QPushButton::clicked, this, &OscControlPanel::addLabel);
    connect(remove, &QPushButton::clicked, this, &OscControlPanel::removeSelected);

    row->addWidget(fader);
    row->addWidget(button);
    row->addWidget(knob);
    row->addWidget(label);
    row->addStretch();
    row->addWidget(remove);
    return toolbar;
}

QWidget *OscControlPanel::createScaleBar()
{
    auto *bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("scaleBar"));
    bar->setFixedHeight(ScaleBarHeight);
    bar->hide();
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(6);

    auto *snapLabel = new QLabel(QStringLiteral("吸附:"), bar);
    snapLabel->setStyleSheet(SnapLabelStyle);
    auto *gridCombo = new QComboBox(bar);
    m_gridCombo = gridCombo;
    gridCombo->addItems({QStringLiteral("关闭"), QStringLiteral("10px"), QStringLiteral("20px"),
                         QStringLiteral("40px")});
    gridCombo->setFixedWidth(GridComboWidth);
    gridCombo->setStyleSheet(GridComboStyle);
    connect(gridCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < int(std::size(GridSizes)))
            m_canvas->setGridSize(GridSizes[index]);
    });
    auto *hint = new QLabel(QStringLiteral("按住Shift可临时关闭吸附  |  Ctrl+滚轮缩放控件"), bar);
    hint->setStyleSheet(HintStyle);

    auto *zoomOut = zoomButton(QStringLiteral("\u2212"), ZoomButtonWidth, bar);
    m_scaleLabel = new QLabel(scaleText(1.0), bar);
    m_scaleLabel->setObjectName(QStringLiteral("scaleLabel"));
    m_scaleLabel->setFixedWidth(ScaleLabelWidth);
    m_scaleLabel->setAlignment(Qt::AlignCenter);
    m_scaleLabel->setStyleSheet(ScaleLabelStyle);
    auto *zoomIn = zoomButton(QStringLiteral("+"), ZoomButtonWidth, bar);
    auto *reset = zoomButton(QStringLiteral("1:1"), ResetButtonWidth, bar);
    connect(zoomOut, &QPushButton::clicked, this,
            [this] { m_canvas->setControlScale(m_canvas->controlScale() - FreeCanvas::ScaleStep); });
    connect(zoomIn, &QPushButton::clicked, this,
            [this] { m_canvas->setControlScale(m_canvas->controlScale() + FreeCanvas::ScaleStep); });
    connect(reset, &QPushButton::clicked, this, [this] { m_canvas->setControlScale(1.0); });

    row->addWidget(snapLabel);
    row->addWidget(gridCombo);
    row->addWidget(hint);
    row->addStretch();
    row->addWidget(zoomOut);
    row->addWidget(m_scaleLabel);
    row->addWidget(zoomIn);
    row->addWidget(reset);
    return bar;
}

OscControlPanel::~OscControlPanel() = default;

void OscControlPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_canvas->setViewSize(m_scrollArea->maximumViewportSize());
}

void OscControlPanel::showScale(double scale)
{
    // Switching the language back to Chinese restores the text a label remembered at the first
    // switch; the scale is a number, not a text, so what it remembers must follow it.
    const QString text = scaleText(scale);
    m_scaleLabel->setText(text);
    m_scaleLabel->setProperty("origText", text);
}

void OscControlPanel::setEditMode(bool on)
{
    m_editMode = on;
    m_toolbar->setVisible(on);
    if (auto *scaleBar = findChild<QWidget *>(QStringLiteral("scaleBar")))
        scaleBar->setVisible(on);
    for (OscControl *control : std::as_const(m_controls))
        control->setEditMode(on);
    if (!on)
        selectControl(nullptr);
    m_canvas->setEditMode(on);
}

void OscControlPanel::addFader()
{
    addNumbered(new OscFader(m_canvas), QStringLiteral("/1/fader"), QStringLiteral("Fader "));
}

void OscControlPanel::addButton()
{
    addNumbered(new OscButton(m_canvas), QStringLiteral("/1/button"), QStringLiteral("Button "));
}

void OscControlPanel::addKnob()
{
    addNumbered(new OscKnob(m_canvas), QStringLiteral("/1/knob"), QStringLiteral("Knob "));
}

void OscControlPanel::addLabel()
{
    addNumbered(new OscLabel(m_canvas), QStringLiteral("/1/value"), QStringLiteral("Value "));
}

void OscControlPanel::addLabelFor(const QString &address)
{
    auto *label = new OscLabel(m_canvas);
    label->setAddress(address);
    label->setName(address.section(QLatin1Char('/'), -1));
    addControl(label);
}

void OscControlPanel::addNumbered(OscControl *ctrl, const QString &addressStem,
                                  const QString &captionStem)
{
    // Numbered by how many controls exist, so numbers can repeat after a deletion.
    const QString number = QString::number(m_controls.size() + 1);
    ctrl->setAddress(addressStem + number);
    ctrl->setName(captionStem + number);
    // Only a confirmed dialog puts the control on the panel; a cancelled one leaves no trace.
    ControlConfigDialog dialog(ctrl, this);
    if (dialog.exec() != QDialog::Accepted) {
        delete ctrl;
        return;
    }
    dialog.applyTo(ctrl);
    addControl(ctrl);
}

void OscControlPanel::addControl(OscControl *ctrl)
{
    ctrl->setNormRect(QRectF(double(m_nextX % PlacementAreaWidth) / PlacementAreaWidth,
                             double(m_nextY % PlacementAreaHeight) / PlacementAreaHeight,
                             NewControlWidth, NewControlHeight));
    m_nextY += PlacementStepY;
    m_nextX += PlacementStepX;
    attachControl(ctrl);
}

OscControl *OscControlPanel::newControl(ControlType type, QWidget *parent)
{
    switch (type) {
    case ControlType::Fader:
        return new OscFader(parent);
    case ControlType::Button:
        return new OscButton(parent);
    case ControlType::Knob:
        return new OscKnob(parent);
    case ControlType::Label:
        break;
    }
    return new OscLabel(parent);
}

void OscControlPanel::placeControl(OscControl *ctrl)
{
    attachControl(ctrl);
}

void OscControlPanel::clearControls()
{
    selectControl(nullptr);
    m_removed.reset();
    qDeleteAll(m_controls);
    m_controls.clear();
    m_canvas->update();
}

int OscControlPanel::gridSize() const
{
    return m_canvas->gridSize();
}

void OscControlPanel::setGridSize(int pixels)
{
    const auto found = std::find(std::begin(GridSizes), std::end(GridSizes), pixels);
    if (found != std::end(GridSizes))
        m_gridCombo->setCurrentIndex(int(found - std::begin(GridSizes)));
}

void OscControlPanel::attachControl(OscControl *ctrl)
{
    m_canvas->adoptControl(ctrl);
    ctrl->setEditMode(m_editMode);
    ctrl->show();
    m_controls.append(ctrl);
    connect(ctrl, &OscControl::oscSendRequested, this, [this, ctrl](const QString &address, double position) {
        if (!m_editMode)
            emit oscTypedSendRequested(address, ctrl->outputFor(position), ctrl->outputInteger());
    });
    connect(ctrl, &OscControl::controlClicked, this, &OscControlPanel::selectControl);
    connect(ctrl, &OscControl::controlDoubleClicked, this, &OscControlPanel::configureControl);
    m_canvas->relayoutControls();
}

void OscControlPanel::selectControl(OscControl *ctrl)
{
    m_selected = ctrl;
    // The keys that act on the selection come to the panel.
    if (ctrl)
        setFocus(Qt::MouseFocusReason);
    for (OscControl *control : std::as_const(m_controls))
        control->setSelected(control == ctrl);
}

void OscControlPanel::removeSelected()
{
    if (!m_selected)
        return;
    m_removed = std::make_unique<RemovedControl>(RemovedControl{
        m_selected->type(), m_selected->address(), m_selected->name(), m_selected->color(),
        m_selected->normRect(), m_selected->outputInteger(), m_selected->outputLow(),
        m_selected->outputHigh(), m_selected->value(), labelText(m_selected)});
    m_controls.removeOne(m_selected);
    m_selected->deleteLater();
    m_selected = nullptr;
    m_canvas->update();
}

void OscControlPanel::restoreRemoved()
{
    if (!m_removed)
        return;
    const std::unique_ptr<RemovedControl> removed = std::move(m_removed);
    OscControl *ctrl = newControl(removed->type, m_canvas);
    ctrl->setAddress(removed->address);
    ctrl->setName(removed->name);
    ctrl->setColor(removed->color);
    ctrl->setNormRect(removed->normRect);
    ctrl->setOutputInteger(removed->outputInteger);
    ctrl->setOutputRange(removed->outputLow, removed->outputHigh);
    ctrl->setValue(removed->value);
    if (!removed->text.isEmpty())
        static_cast<OscLabel *>(ctrl)->setText(removed->text);
    attachControl(ctrl);
}

void OscControlPanel::keyPressEvent(QKeyEvent *event)
{
    if (m_editMode && event->key() == Qt::Key_Delete)
        removeSelected();
    else if (m_editMode && event->matches(QKeySequence::Undo))
        restoreRemoved();
    else
        QWidget::keyPressEvent(event);
}

void OscControlPanel::onControlOscSend(const QString &address, double value)
{
    if (m_editMode)
        return;
    emit oscSendRequested(address, value);
}

void OscControlPanel::setControlValue(const QString &address, double value)
{
    if (m_editMode)
        return;
    // A pattern moves every control it names; a plain address only the first that has it.
    const bool pattern = OscAddressPattern::isPattern(address);
    for (OscControl *control : std::as_const(m_controls)) {
        if (pattern ? OscAddressPattern::matches(address, control->address()) : control->address() == address) {
            control->setValue(control->positionFor(value));
            if (!pattern)
                return;
        }
    }
}

void OscControlPanel::setControlText(const QString &address, const QString &text)
{
    if (m_editMode)
        return;
    const bool pattern = OscAddressPattern::isPattern(address);
    for (OscControl *control : std::as_const(m_controls)) {
        auto *label = qobject_cast<OscLabel *>(control);
        if (!label)
            continue;
        if (pattern ? OscAddressPattern::matches(address, label->address()) : label->address() == address) {
            label->setText(text);
            if (!pattern)
                return;
        }
    }
}

void OscControlPanel::configureControl(OscControl *ctrl)
{
    // The dialog runs its own event loop; the control may be gone when it returns.
    QPointer<OscControl> control(ctrl);
    ControlConfigDialog dialog(ctrl, this);
    if (dialog.exec() == QDialog::Accepted && control)
        dialog.applyTo(control);
}

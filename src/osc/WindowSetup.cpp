#include "osc/WindowSetup.h"

#include "charts/ChartEngine.h"
#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"
#include "controls/ControlAddress.h"
#include "controls/FreeCanvas.h"
#include "controls/OscControl.h"
#include "controls/OscControlPanel.h"
#include "i18n/LanguageManager.h"
#include "osc/InterfaceCombo.h"
#include "osc/OscLink.h"
#include "osc/OscWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

// The transport and network settings live in widgets of their own, found by their object names.
template<typename T>
T *named(const OscWidget &window, const char *objectName)
{
    return window.findChild<T *>(QLatin1String(objectName));
}

// As the send area reads them: a preset's text, or what was typed, up to the first space.
QString tagsOfCombo(const QComboBox *typeCombo)
{
    return typeCombo->currentText().trimmed().section(QLatin1Char(' '), 0, 0);
}

LogFilter::Directions directionsOf(const Setup &setup)
{
    LogFilter::Directions directions;
    directions.setFlag(LogFilter::ShowRx, setup.showRx);
    directions.setFlag(LogFilter::ShowTx, setup.showTx);
    directions.setFlag(LogFilter::ShowSystem, setup.showSys);
    return directions;
}

} // namespace

Setup WindowSetup::gather(const OscWidget &window)
{
    Setup setup;
    setup.localPort = window.m_localPortSpin->value();
    setup.bound = window.isBound();
    setup.targetHost = window.m_targetHostEdit->text();
    setup.targetPort = window.m_targetPortSpin->value();
    setup.encoding = window.m_encodingCombo->currentText();
    setup.transport = Setup::Transport(named<QComboBox>(window, "transportCombo")->currentIndex());
    setup.framing = Setup::Framing(named<QComboBox>(window, "framingCombo")->currentIndex());
    setup.networkInterface = named<InterfaceCombo>(window, "interfaceCombo")->currentData().toString();
    setup.multicastGroup = named<QLineEdit>(window, "multicastEdit")->text();
    setup.multicastTtl = named<QSpinBox>(window, "multicastTtlSpin")->value();

    setup.hexDisplay = window.m_hexCheck->isChecked();
    setup.showTimestamp = window.m_timestampCheck->isChecked();
    setup.autoScroll = window.m_autoScrollCheck->isChecked();
    setup.lineSpacing = window.m_lineSpacingSpin->value();
    setup.fontSize = window.m_fontSizeSpin->value();

    setup.sendAddress = window.m_addressEdit->text();
    setup.sendTypeTags = tagsOfCombo(window.m_typeCombo);
    setup.sendValues = window.m_argsEdit->text();
    setup.autoSend = window.m_autoSendCheck->isChecked();
    setup.autoSendInterval = window.m_intervalSpin->value();

    const OscControlPanel *panel = window.m_controlPanel;
    for (const OscControl *control : panel->controls()) {
        Setup::Control saved;
        saved.kind = Setup::Control::Kind(int(control->type()));
        saved.address = control->address();
        saved.caption = control->name();
        saved.color = control->color().name().toUpper();
        saved.placement = control->normRect();
        saved.outputInteger = control->outputInteger();
        saved.outputLow = control->outputLow();
        saved.outputHigh = control->outputHigh();
        setup.controls.append(saved);
    }
    setup.zoom = panel->canvas()->controlScale();
    setup.gridSize = panel->gridSize();

    const ChartEngine *charts = window.m_chartEngine;
    setup.chartType = Setup::ChartType(int(charts->chartType()));
    setup.rules = charts->rules();
    setup.timeWindow = charts->timeWindow();

    const LogViewWidget *log = window.m_logView;
    setup.filterText = log->filterText();
    const LogFilter::Directions directions = log->filter().directions();
    setup.showRx = directions.testFlag(LogFilter::ShowRx);
    setup.showTx = directions.testFlag(LogFilter::ShowTx);
    setup.showSys = directions.testFlag(LogFilter::ShowSystem);
    setup.expandBundles = window.m_expandBundlesCheck->isChecked();

    setup.language = LanguageManager::instance().isEnglish() ? Setup::Language::English : Setup::Language::Chinese;
    return setup;
}

std::optional<SetupProblem> WindowSetup::check(const Setup &setup)
{
    for (int i = 0; i < setup.controls.size(); ++i) {
        const AddressProblem problem = ControlAddress::problem(setup.controls.at(i).address);
        if (!problem.isNone())
            return SetupProblem{QStringLiteral("controls[%1].address").arg(i), problem.chinese, problem.english};
    }
    return std::nullopt;
}

void WindowSetup::apply(OscWidget &window, const Setup &setup)
{
    // A setup that is not bound leaves the port released; auto-send stops with the release.
    if (window.isBound())
        window.m_link->release();
    window.m_localPortSpin->setValue(setup.localPort);
    window.m_targetHostEdit->setText(setup.targetHost);
    window.m_targetPortSpin->setValue(setup.targetPort);
    window.m_encodingCombo->setCurrentText(setup.encoding);

    window.m_hexCheck->setChecked(setup.hexDisplay);
    window.m_timestampCheck->setChecked(setup.showTimestamp);
    window.m_autoScrollCheck->setChecked(setup.autoScroll);
    window.m_lineSpacingSpin->setValue(setup.lineSpacing);
    window.m_fontSizeSpin->setValue(setup.fontSize);

    window.m_addressEdit->setText(setup.sendAddress);
    const int preset = int(Setup::typeTagChoices().indexOf(setup.sendTypeTags));
    if (preset >= 0)
        window.m_typeCombo->setCurrentIndex(preset);
    else
        window.m_typeCombo->setEditText(setup.sendTypeTags);
    window.m_argsEdit->setText(setup.sendValues);
    window.m_intervalSpin->setValue(setup.autoSendInterval);

    applyControls(window, setup);

    ChartEngine *charts = window.m_chartEngine;
    charts->setChartType(ChartEngine::ChartType(int(setup.chartType)));
    charts->setRules(setup.rules);
    charts->setTimeWindow(setup.timeWindow);

    window.m_logView->setFilter(setup.filterText, directionsOf(setup));
    window.m_expandBundlesCheck->setChecked(setup.expandBundles);
    window.m_langCombo->setCurrentIndex(int(setup.language));
    // After the language, so that a [SYS] line it has to write is in the setup's language.
    applyNetwork(window, setup);

    if (setup.bound)
        window.m_link->open(quint16(setup.localPort), setup.targetHost, quint16(setup.targetPort));
    // Checked after binding, so that a bound setup starts sending at once, as a click would.
    window.m_autoSendCheck->setChecked(setup.autoSend);
}

void WindowSetup::applyControls(OscWidget &window, const Setup &setup)
{
    OscControlPanel *panel = window.m_controlPanel;
    panel->clearControls();
    for (const Setup::Control &saved : setup.controls) {
        OscControl *control = OscControlPanel::newControl(ControlType(int(saved.kind)), panel->canvas());
        control->setAddress(saved.address.trimmed());
        control->setName(saved.caption);
        control->setColor(QColor(saved.color));
        control->setNormRect(saved.placement);
        control->setOutputInteger(saved.outputInteger);
        control->setOutputRange(saved.outputLow, saved.outputHigh);
        panel->placeControl(control);
    }
    panel->setGridSize(setup.gridSize);
    panel->canvas()->setControlScale(setup.zoom);
}

// While released the transport choices reach the link at once, to be used by the bind that follows.
void WindowSetup::applyNetwork(OscWidget &window, const Setup &setup)
{
    named<QComboBox>(window, "transportCombo")->setCurrentIndex(int(setup.transport));
    named<QComboBox>(window, "framingCombo")->setCurrentIndex(int(setup.framing));
    if (!named<InterfaceCombo>(window, "interfaceCombo")->chooseByName(setup.networkInterface)) {
        window.m_comm->addSystemMessage(picked("本机没有网络接口 %1, 改用所有接口",
                                               "No network interface %1 on this machine, using all interfaces")
                                            .arg(setup.networkInterface));
    }
    named<QLineEdit>(window, "multicastEdit")->setText(setup.multicastGroup);
    // As finishing the edit does; setting its text alone does not reach the link.
    window.m_link->setMulticastGroup(setup.multicastGroup);
    named<QSpinBox>(window, "multicastTtlSpin")->setValue(setup.multicastTtl);
}

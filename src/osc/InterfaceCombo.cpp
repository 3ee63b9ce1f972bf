#include "osc/InterfaceCombo.h"

#include "i18n/LanguageManager.h"

#include <QSignalBlocker>
#include <QTimer>

namespace {

// "lo — 127.0.0.1, ::1"
QString describe(const QNetworkInterface &networkInterface)
{
    QStringList addresses;
    const QList<QNetworkAddressEntry> entries = networkInterface.addressEntries();
    for (const QNetworkAddressEntry &entry : entries)
        addresses << entry.ip().toString();
    if (addresses.isEmpty())
        return networkInterface.humanReadableName();
    return networkInterface.humanReadableName() + QStringLiteral(" — ") + addresses.join(QStringLiteral(", "));
}

} // namespace

InterfaceCombo::InterfaceCombo(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("interfaceCombo"));
    addItem(QStringLiteral("所有接口"));
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        m_chosenName = currentData().toString();
        emit interfaceChosen(currentInterface());
    });
    // Switching back to Chinese restores the item texts remembered at the switch to English, which
    // may name interfaces since gone; the list is read again once every page has been switched.
    LanguageManager::instance().addListener(this, [this] { QTimer::singleShot(0, this, &InterfaceCombo::refresh); });
}

QNetworkInterface InterfaceCombo::currentInterface() const
{
    return m_chosenName.isEmpty() ? QNetworkInterface() : QNetworkInterface::interfaceFromName(m_chosenName);
}

void InterfaceCombo::refresh()
{
    {
        const QSignalBlocker blocker(this);
        while (count() > 1)
            removeItem(count() - 1);
        // Set here too: the language switch leaves a list of many interfaces alone.
        setItemText(0, picked("所有接口", "All interfaces"));
        const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &networkInterface : interfaces)
            addItem(describe(networkInterface), networkInterface.name());
        setCurrentIndex(0);
    }
    const int chosen = m_chosenName.isEmpty() ? 0 : findData(m_chosenName);
    // An interface that went away falls back to all of them, and says so by the signal.
    setCurrentIndex(qMax(chosen, 0));
    if (chosen < 0) {
        m_chosenName.clear();
        emit interfaceChosen(QNetworkInterface());
    }
}

bool InterfaceCombo::chooseByName(const QString &name)
{
    refresh();
    const int found = name.isEmpty() ? 0 : findData(name);
    setCurrentIndex(qMax(found, 0));
    return found >= 0;
}

void InterfaceCombo::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

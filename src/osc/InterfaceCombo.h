#pragma once

#include <QComboBox>
#include <QNetworkInterface>

// The local network interfaces to choose from, "所有接口" first. Interfaces come and go (a cable,
// a VPN), so the list is read again each time it is opened; the choice is kept by name.
class InterfaceCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit InterfaceCombo(QWidget *parent = nullptr);

    // Invalid while "所有接口" is chosen.
    QNetworkInterface currentInterface() const;
    void refresh();
    // Chooses the interface of that system name, or all of them for an empty name. False, with
    // all of them chosen, when this machine has no such interface.
    bool chooseByName(const QString &name);

signals:
    void interfaceChosen(const QNetworkInterface &networkInterface);

protected:
    void showPopup() override;

private:
    QString m_chosenName;
};

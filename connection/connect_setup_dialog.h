// connect_setup_dialog.h: the modal dialog that picks a connection's port and
// speed. Edits a ConnectionSettings record in place and refills its port list when
// the devices change. GUI thread.
#pragma once

#include "connection/connection_rules.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;

class ConnectSetupDialog : public QDialog {
    Q_OBJECT
public:
    // settings is edited on OK; not owned, outlives the dialog. listPorts gives the
    // transport's port list, in list order.
    ConnectSetupDialog(ConnectionSettings& settings, std::function<QStringList()> listPorts,
                       QWidget* parent = nullptr);

    // Rebuilds the port list from listPorts.
    void FillPortList();
    // The speed list is enabled for a serial line while no transmission holds the settings.
    void UpdateBaudEnable();

    int refreshing = 0;
    int listPosition = 0; // after OK: 1-based position of the chosen port
    int baudIndex = 5;    // the speed list's selection, 0-5

public slots:
    // The set of devices changed: refill the list and select the stored port again.
    void OnDeviceChange();
    void accept() override;

private:
    void SelectStoredPort();

    ConnectionSettings& settings;
    std::function<QStringList()> listPorts;
    QComboBox* portList;
    QComboBox* baudList;
    QPushButton* okButton;
    QPushButton* cancelButton;
};

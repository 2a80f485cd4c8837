#include "connection/connect_setup_dialog.h"

#include "gui/prompter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ConnectSetupDialog::ConnectSetupDialog(ConnectionSettings& s, std::function<QStringList()> ports,
                                       QWidget* parent)
    : QDialog(parent), baudIndex(BaudIndexForCode(s.baudCode)), settings(s),
      listPorts(std::move(ports)), portList(new QComboBox(this)), baudList(new QComboBox(this))
{
    setObjectName(QStringLiteral("ConnectSetupDialog"));
    setWindowTitle(tr("Connect Setup"));
    portList->setObjectName(QStringLiteral("portList"));
    baudList->setObjectName(QStringLiteral("baudList"));
    baudList->addItems(BaudRateTexts());

    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    cancelButton = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(new QLabel(tr("Port:"), this), portList);
    form->addRow(new QLabel(tr("Baud rate:"), this), baudList);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    baudList->setCurrentIndex(baudIndex);
    connect(baudList, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            baudIndex = i;
    });
    FillPortList();
    SelectStoredPort();
    portList->setEnabled(settings.transmissionLock == 0);
    UpdateBaudEnable();
    connect(portList, &QComboBox::currentIndexChanged, this, [this] {
        if (refreshing == 0)
            UpdateBaudEnable();
    });
}

void ConnectSetupDialog::FillPortList()
{
    portList->clear();
    if (listPorts)
        portList->addItems(listPorts());
}

void ConnectSetupDialog::SelectStoredPort()
{
    if (settings.portName.isEmpty()) {
        portList->setCurrentIndex(portList->count() > 0 ? 0 : -1);
        return;
    }
    portList->setCurrentIndex(-1);
    for (int i = 0; i < portList->count(); ++i)
        if (portList->itemText(i).compare(settings.portName, Qt::CaseInsensitive) == 0) {
            portList->setCurrentIndex(i);
            break;
        }
}

void ConnectSetupDialog::UpdateBaudEnable()
{
    baudList->setEnabled(SpeedListEnabled(portList->currentText(), settings.transmissionLock));
}

void ConnectSetupDialog::OnDeviceChange()
{
    if (refreshing != 0)
        return;
    refreshing = 1;
    FillPortList();
    SelectStoredPort();
    UpdateBaudEnable();
    refreshing = 0;
}

void ConnectSetupDialog::accept()
{
    const QString port = portList->currentText();
    if (port.isEmpty()) {
        ShowMessage(MessageId::SelectPort);
        return;
    }
    settings.portName = port;
    settings.baudCode = baudIndex + 1;
    listPosition = portList->currentIndex() + 1;
    QDialog::accept();
}

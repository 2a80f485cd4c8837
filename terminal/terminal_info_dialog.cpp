#include "terminal/terminal_info_dialog.h"

#include "link/terminal_link.h"
#include "terminal/code_page.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* InfoBox(const char* name, const std::string& text, const CodePageTable& codePage,
                   QWidget* parent)
{
    auto* box = new QLineEdit(QString::fromStdString(DecodeTerminalText(text, codePage)), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setMinimumWidth(200);
    return box;
}

} // namespace

TerminalInfoDialog::TerminalInfoDialog(const TerminalInfo& info, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TerminalInfoDialog"));
    setWindowTitle(tr("Terminal Information"));
    const CodePageTable codePage = TerminalCodePage();
    auto* form = new QFormLayout;
    form->addRow(new QLabel(tr("Model:"), this), InfoBox("modelBox", info.model, codePage, this));
    form->addRow(new QLabel(tr("F/W Version"), this),
                 InfoBox("firmwareBox", info.firmware, codePage, this));
    form->addRow(new QLabel(tr("Serial Number:"), this),
                 InfoBox("serialBox", info.serial, codePage, this));
    form->addRow(new QLabel(tr("Equipment ID"), this),
                 InfoBox("equipmentBox", info.equipment, codePage, this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

#include "pc/properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* ValueBox(const char* name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setMinimumWidth(220);
    return box;
}

QFrame* Line(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QString BytesText(long long bytes)
{
    return QStringLiteral("%1 bytes").arg(bytes);
}

PropertiesDialog::PropertiesDialog(QWidget* parent)
    : QDialog(parent), locationLabel(new QLabel(tr("Location:"), this)),
      sizeLabel(new QLabel(tr("Size:"), this)), dateLabel(new QLabel(tr("Date:"), this)),
      nameBox(ValueBox("nameValue", this)), typeBox(ValueBox("typeValue", this)),
      locationBox(ValueBox("locationValue", this)), sizeBox(ValueBox("sizeValue", this)),
      dateBox(ValueBox("dateValue", this))
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setWindowTitle(tr("Properties"));
    locationLabel->setObjectName(QStringLiteral("locationLabel"));
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    dateLabel->setObjectName(QStringLiteral("dateLabel"));

    auto* top = new QFormLayout;
    top->addRow(new QLabel(tr("Name:"), this), nameBox);
    auto* middle = new QFormLayout;
    middle->addRow(new QLabel(tr("Type:"), this), typeBox);
    middle->addRow(locationLabel, locationBox);
    middle->addRow(sizeLabel, sizeBox);
    auto* bottom = new QFormLayout;
    bottom->addRow(dateLabel, dateBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line(this));
    layout->addLayout(middle);
    layout->addWidget(Line(this));
    layout->addLayout(bottom);
    layout->addWidget(buttons);
}

void PropertiesDialog::SetInfo(std::int32_t kind, const QString& location, const QString& name,
                               std::int32_t size, std::int32_t freeSpace, std::int32_t spareValue,
                               const QString& date)
{
    spare = spareValue;
    nameBox->setText(name);
    // The type texts, the disk labels and the value formats are English in
    // both interfaces.
    if (kind != static_cast<std::int32_t>(PropertiesKind::Disk)) {
        typeBox->setText(kind == static_cast<std::int32_t>(PropertiesKind::Folder)
                             ? QStringLiteral("File Folder")
                             : QStringLiteral("File"));
        locationBox->setText(location);
        sizeBox->setText(BytesText(size));
        dateBox->setText(date);
        return;
    }
    typeBox->setText(QStringLiteral("Local Disc"));
    locationLabel->setText(QStringLiteral("Used Space"));
    sizeLabel->setText(QStringLiteral("Free Space"));
    dateLabel->setText(QStringLiteral("Capacity"));
    if (freeSpace < 0) {
        for (QLineEdit* box : {locationBox, sizeBox, dateBox})
            box->setText(QStringLiteral("UnFormat"));
        return;
    }
    locationBox->setText(BytesText(static_cast<long long>(size) - freeSpace));
    sizeBox->setText(BytesText(freeSpace));
    dateBox->setText(BytesText(size));
}

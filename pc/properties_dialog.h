// properties_dialog.h: the properties of one terminal disk, folder or file, given
// by the caller with SetInfo and shown modally. GUI thread.
#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;

enum class PropertiesKind : std::int32_t { Disk = 0, Folder = 1, File = 2 };

class PropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PropertiesDialog(QWidget* parent = nullptr);

    // kind: Disk, Folder, anything else a file. size: a file's or folder's size, a
    // disk's capacity, in bytes; freeSpace: a disk's free bytes, negative for an
    // unformatted disk; spare is kept, never shown; date is shown unchanged.
    void SetInfo(std::int32_t kind, const QString& location, const QString& name, std::int32_t size,
                 std::int32_t freeSpace, std::int32_t spare, const QString& date);
    std::int32_t spareValue() const { return spare; }

private:
    QLabel* locationLabel;
    QLabel* sizeLabel;
    QLabel* dateLabel;
    QLineEdit* nameBox;
    QLineEdit* typeBox;
    QLineEdit* locationBox;
    QLineEdit* sizeBox;
    QLineEdit* dateBox;
    std::int32_t spare = 0;
};

// "%ld bytes".
QString BytesText(long long bytes);

// terminal_info_dialog.h: the "Terminal Information" dialog: the model, firmware
// version, serial number and equipment identifier a terminal reported, each in a
// read-only box. GUI thread.
#pragma once

#include <QDialog>

struct TerminalInfo;

class TerminalInfoDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the four texts of info as they are (the link has cut them at their NUL).
    explicit TerminalInfoDialog(const TerminalInfo& info, QWidget* parent = nullptr);
};

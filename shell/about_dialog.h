// about_dialog.h: the About box: the program icon and the version text. GUI thread.
#pragma once

#include <QDialog>

inline constexpr double kProgramVersion = 1.09;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// "<label> <version with two decimals>", e.g. "KVVidiRidoved Version 1.09".
QString VersionText(const QString& label, double version);

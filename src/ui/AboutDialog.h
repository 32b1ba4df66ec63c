#pragma once

#include <QDialog>

namespace hzm {

// Registers the program's resources (help text, icon); safe to call any number of times.
void ensureResources();

// "About HZM1 Utility Tool": the icon, the product line, the two notes on mixer versions, and the
// program's version and licence.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // The dialog's controls (the numbers are those of the original dialog template).
    enum Id { Ok = 1 };

    explicit AboutDialog(QWidget *parent);

    static QString versionNote();
    static QString labelNote();
    // The program's version and licence.
    static QString releaseNote();
    // The program's icon, drawn from the resources.
    static QIcon appIcon();
};

} // namespace hzm

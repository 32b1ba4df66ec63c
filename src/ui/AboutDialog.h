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
    explicit AboutDialog(QWidget *parent);

    static QString versionNote();
    static QString labelNote();
    // The program's version and licence.
    static QString releaseNote();
    // The program's icon, drawn from the resources.
    static QIcon appIcon();
};

} // namespace hzm

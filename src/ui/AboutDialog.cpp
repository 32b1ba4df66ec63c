#include "AboutDialog.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

static void initHzmResources() {
    Q_INIT_RESOURCE(hzm);
}

namespace hzm {

void ensureResources() {
    static const bool once = (initHzmResources(), true);
    Q_UNUSED(once);
}

QString AboutDialog::versionNote() {
    return tr("This software works best with HZM-1 software V1.05 and above.\nIf your HZM-1 has a lower "
              "version you should upgrade it.\n\nBefore upgrading use this tool to back up the "
              "existing settings on the HZM-1.");
}

QString AboutDialog::labelNote() {
    return tr("This tool cannot read labels from a HZM-1 with software V1.04 or lower.");
}

QString AboutDialog::releaseNote() {
    return tr("Version %1. Free software under the MIT License.").arg(QStringLiteral(HZM_VERSION));
}

QIcon AboutDialog::appIcon() {
    ensureResources();
    return QIcon(QStringLiteral(":/hzm/hzm-utility.png"));
}

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(tr("About HZM1 Utility Tool"));
    setObjectName(QStringLiteral("aboutDialog"));

    auto *icon = new QLabel(this);
    icon->setPixmap(appIcon().pixmap(48, 48));
    auto *product = new QLabel(tr("HZM-1 / HZM-1e Utility Tool"), this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto *note1 = new QLabel(versionNote(), this);
    note1->setObjectName(QStringLiteral("versionNote"));
    note1->setWordWrap(true);
    auto *note2 = new QLabel(labelNote(), this);
    note2->setObjectName(QStringLiteral("labelNote"));
    note2->setWordWrap(true);
    auto *release = new QLabel(releaseNote(), this);
    release->setObjectName(QStringLiteral("releaseNote"));
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addWidget(product, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addWidget(note1);
    layout->addSpacing(8);
    layout->addWidget(note2);
    layout->addSpacing(8);
    layout->addWidget(release);
    layout->addSpacing(8);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    // Wrapped notes of a fixed width take the height they need; the box follows its contents.
    for (QLabel *note : {note1, note2}) {
        note->setFixedWidth(372);
        note->setMinimumHeight(note->heightForWidth(372));
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace hzm

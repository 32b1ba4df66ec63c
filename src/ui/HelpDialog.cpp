#include "HelpDialog.h"

#include "AboutDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hzm {

QString HelpDialog::helpText() {
    ensureResources();
    // A translation names the help text in its own language; English is the one to fall back on.
    QFile file(tr(":/hzm/help.txt", "the resource that holds the help text in this language"));
    if (!file.open(QIODevice::ReadOnly)) {
        file.setFileName(QStringLiteral(":/hzm/help.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
    }
    return QString::fromUtf8(file.readAll());
}

HelpDialog::HelpDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(tr("Help"));
    setObjectName(QStringLiteral("helpDialog"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("helpText"));
    m_text->setReadOnly(true);
    m_text->setPlainText(helpText());
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("helpOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    // 316 x 183 dialog units.
    resize(520, 320);
}

} // namespace hzm

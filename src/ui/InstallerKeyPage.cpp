#include "InstallerKeyPage.h"

#include "Contrast.h"
#include "protocol/MixerJobs.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hzm {

namespace {
// Characters read back from a key box.
constexpr int kKeyBufferChars = 31;
} // namespace

InstallerKeyPage::InstallerKeyPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    using C = Control;
    PageBuilder b(this);
    QLabel *heading = b.label(C::KeyHeading, tr("Change the Installer Mode Key"));
    QFont headingFont = font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    // Drawn from the top-left corner of the control, like a plain static text, and centred on the
    // page as if one more "W" followed it: the text stands shifted left by half a "W".
    heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    heading->setFixedWidth(
        QFontMetrics(headingFont).horizontalAdvance(heading->text().left(127) + QLatin1Char('W')));

    QGroupBox *key = b.group(tr("Key"));
    QGridLayout *grid = PageBuilder::grid(key);
    grid->addWidget(b.label(tr("Key is not read when the \"Read HZM1\" button is pressed.")), 0, 0, 1, 4);
    grid->addWidget(b.label(tr("Key is not sent when the \"Send All\" button is pressed.")), 1, 0, 1, 4);
    grid->setRowMinimumHeight(2, b.units().y(6));
    m_keys[0] = b.edit(C::OldKey, 40);
    m_keys[1] = b.edit(C::NewKey, 40);
    m_keys[2] = b.edit(C::RepeatKey, 40);
    auto *send = b.button(C::SendKey, tr("Send Key"), 50);
    grid->addLayout(b.field(tr("Old Key:"), m_keys[0]), 3, 0);
    grid->addLayout(b.field(tr("New Key:"), m_keys[1]), 3, 1);
    grid->addLayout(b.field(tr("Repeat New Key:"), m_keys[2]), 3, 2);
    grid->addWidget(send, 3, 3, Qt::AlignBottom);
    grid->setVerticalSpacing(b.units().y(1));

    QGridLayout *page = b.pageGrid();
    page->setRowMinimumHeight(0, b.units().y(6));
    page->addWidget(heading, 1, 0, Qt::AlignHCenter);
    page->setRowMinimumHeight(2, b.units().y(4));
    page->addWidget(key, 3, 0, Qt::AlignHCenter);
    page->setRowStretch(4, 1);
    b.finish();
    adopt(b);
    // The key boxes are not bound to the settings; only the button acts.
    connect(send, &QPushButton::clicked, this, &InstallerKeyPage::changeInstallerKey);

    for (QLineEdit *box : m_keys)
        box->setEchoMode(QLineEdit::Password);
    for (int i = 0; i < 3; ++i)
        setKeyRejected(i, false);
}

QColor InstallerKeyPage::rejectedColour() const {
    // The boxes take their background from the page.
    return ReadableColour(QColor(192, 0, 0), palette().color(QPalette::Base));
}

QColor InstallerKeyPage::keyTextColour(int box) const {
    return box >= 0 && box < 3 ? m_keyTextColours[box] : QColor();
}

void InstallerKeyPage::setKeyRejected(int box, bool rejected) {
    m_rejected[box] = rejected;
    const QColor colour = rejected ? rejectedColour() : palette().color(QPalette::Text);
    m_keyTextColours[box] = colour;
    QPalette p = m_keys[box]->palette();
    p.setColor(QPalette::Text, colour);
    m_keys[box]->setPalette(p);
    m_keys[box]->repaint();
}

void InstallerKeyPage::changeEvent(QEvent *event) {
    TabPage::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    // A new palette (a switch to a dark theme): the marks keep their meaning in colours that suit it.
    for (int i = 0; i < 3; ++i)
        setKeyRejected(i, m_rejected[i]);
}

void InstallerKeyPage::changeInstallerKey() {
    for (int i = 0; i < 3; ++i)
        setKeyRejected(i, false);
    const QString oldKey = m_keys[0]->text().left(kKeyBufferChars);
    const QString newKey = m_keys[1]->text().left(kKeyBufferChars);
    const QString repeatKey = m_keys[2]->text().left(kKeyBufferChars);

    const InstallerKeyCheck check = CheckInstallerKeys(oldKey, newKey, repeatKey);
    // The boxes turn red in the order old key, new key, match, and the one message appears with
    // the first fault: while it is open, only the boxes checked so far are red.
    bool reported = false;
    const auto report = [&] {
        if (!reported && !check.message.isEmpty())
            showError(check.message);
        reported = true;
    };
    if (check.oldFaulty) {
        setKeyRejected(0, true);
        report();
    }
    if (!IsValidInstallerKey(newKey)) {
        setKeyRejected(1, true);
        report();
    }
    if (check.repeatFaulty) {
        setKeyRejected(1, true);
        setKeyRejected(2, true);
        report();
    }
    if (!check.ok())
        return;
    runJob(ChangeInstallerKeyJob(oldKey, newKey));
}

} // namespace hzm

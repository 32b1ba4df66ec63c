#include "InstallerKeyPage.h"

#include "Contrast.h"
#include "ControlBinding.h"
#include "protocol/MixerJobs.h"

#include <QEvent>
#include <QFontMetrics>
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
    PageBuilder b(this);
    m_heading =
        b.label({Heading, QStringLiteral("keyHeading")}, tr("Change the Installer Mode Key"), 7, 21, 441, 27);
    b.group({}, tr("Key"), 96, 59, 254, 79);
    b.label({}, tr("Key is not read when the \"Read HZM1\" button is pressed."), 108, 74, 230, 8);
    b.label({}, tr("Key is not sent when the \"Send All\" button is pressed."), 108, 85, 230, 8);
    b.label({}, tr("Old Key:"), 105, 108, 40, 8);
    m_keys[0] = b.edit({OldKey, QStringLiteral("oldKey")}, 105, 119, 40, 14);
    b.label({}, tr("New Key:"), 155, 108, 40, 8);
    m_keys[1] = b.edit({NewKey, QStringLiteral("newKey")}, 155, 119, 40, 14);
    b.label({}, tr("Repeat New Key:"), 205, 108, 60, 8);
    m_keys[2] = b.edit({RepeatKey, QStringLiteral("repeatKey")}, 205, 119, 40, 14);
    auto *send = b.button({SendKey, QStringLiteral("sendKey")}, tr("Send Key"), 275, 119, 50, 14);
    b.finish();
    adopt(b);
    // The key boxes are not bound to the settings; only the button acts.
    connect(send, &QPushButton::clicked, this, &InstallerKeyPage::changeInstallerKey);

    for (QLineEdit *key : m_keys)
        key->setEchoMode(QLineEdit::Password);
    for (int i = 0; i < 3; ++i)
        setKeyRejected(i, false);

    QFont headingFont = font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    m_heading->setFont(headingFont);
    // Drawn from the top-left corner of the control, like a plain static text.
    m_heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Keep the template's width but make room for the larger font's height.
    const int headingHeight = qMax(m_heading->height(), m_heading->sizeHint().height());
    m_heading->resize(m_heading->width(), headingHeight);
    resize(minimumSize());
    centreHeading();
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

void InstallerKeyPage::centreHeading() {
    // The heading's text plus one "W", centred on the page: the text stands centred, shifted
    // left by half a "W". Only the left edge moves.
    const QFontMetrics metrics(m_heading->font());
    const int textWidth = metrics.horizontalAdvance(m_heading->text().left(127) + QLatin1Char('W'));
    const int left = (width() - textWidth) / 2;
    m_heading->move(left, m_heading->y());
}

void InstallerKeyPage::resizeEvent(QResizeEvent *event) {
    TabPage::resizeEvent(event);
    centreHeading();
}

void InstallerKeyPage::showEvent(QShowEvent *event) {
    TabPage::showEvent(event);
    centreHeading();
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

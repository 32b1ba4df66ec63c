#include "LogWindow.h"

#include "MessageBoxes.h"

#include "link/OutputFile.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace hzm {

LogWindow::LogWindow(QWidget *parent) : QDialog(parent, Qt::Window) {
    setWindowTitle(tr("Log Window"));
    setObjectName(QStringLiteral("logWindow"));
    setModal(false);

    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QStringLiteral("log"));
    m_edit->setReadOnly(true);
    m_edit->setUndoRedoEnabled(false);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
#ifdef Q_OS_WIN
    // Qt's fixed font there is Courier New, faint on a screen; Consolas comes with every Windows
    // that Qt 6 runs on.
    font.setFamilies({QStringLiteral("Consolas"), font.family()});
#endif
    m_edit->setFont(font);

    auto makeButton = [this](const QString &text, const char *name) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        return button;
    };
    m_clear = makeButton(tr("Clear"), "clear");
    m_copySelected = makeButton(tr("Copy Selected"), "copySelected");
    m_copyAll = makeButton(tr("Copy All"), "copyAll");
    m_save = makeButton(tr("Save Log..."), "saveLog");
    m_clear->setDefault(true);
    m_copySelected->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_clear);
    buttons->addWidget(m_copySelected);
    buttons->addWidget(m_copyAll);
    buttons->addWidget(m_save);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_edit, 1);
    layout->addLayout(buttons);

    connect(m_clear, &QPushButton::clicked, this, &LogWindow::clearLog);
    connect(m_copySelected, &QPushButton::clicked, this, &LogWindow::copySelected);
    connect(m_copyAll, &QPushButton::clicked, this, &LogWindow::copyAll);
    connect(m_save, &QPushButton::clicked, this, &LogWindow::saveLog);
    connect(m_edit, &QPlainTextEdit::copyAvailable, m_copySelected, &QPushButton::setEnabled);

    // 286 x 240 dialog units at the usual 8-point dialog font.
    resize(430, 390);
}

QColor LogWindow::colourFor(LogColour colour, const QPalette &palette) {
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    switch (colour) {
    case LogColour::GoodReply:
        return dark ? QColor(110, 220, 110) : QColor(0, 0x80, 0);
    case LogColour::Failure:
        return dark ? QColor(255, 120, 120) : QColor(0x80, 0, 0);
    case LogColour::Command:
        break;
    }
    return palette.color(QPalette::Text);
}

void LogWindow::placeBeside(const QWidget *mainWindow) {
    if (!mainWindow)
        return;
    const QRect frame = mainWindow->frameGeometry();
    move(frame.right() + 1 + 10, frame.top());
}

bool LogWindow::isOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void LogWindow::showLog(bool onTop) {
    if (onTop != isOnTop()) {
        const QPoint position = pos();
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        move(position);
    }
    show();
    flush();
    scrollToEnd();
}

void LogWindow::appendLine(const QString &text, LogColour colour) {
    m_pending.append({text, colour});
    // Lines are written in batches: a burst of replies costs one layout pass, not one per line.
    if (m_pending.size() >= 2000) {
        flush();
    } else if (!m_flushScheduled) {
        m_flushScheduled = true;
        QTimer::singleShot(0, this, &LogWindow::flush);
    }
}

void LogWindow::flush() {
    m_flushScheduled = false;
    if (m_pending.isEmpty())
        return;
    const QPalette pal = m_edit->palette();
    QTextCursor cursor(m_edit->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const auto &line : std::as_const(m_pending)) {
        QTextCharFormat format;
        format.setForeground(colourFor(line.second, pal));
        format.setProperty(QTextFormat::UserProperty, int(line.second));
        if (!m_empty)
            cursor.insertBlock(QTextBlockFormat(), format);
        cursor.insertText(line.first, format);
        m_empty = false;
    }
    cursor.endEditBlock();
    m_pending.clear();
    if (isVisible())
        scrollToEnd();
}

void LogWindow::scrollToEnd() {
    m_edit->moveCursor(QTextCursor::End);
    m_edit->verticalScrollBar()->setValue(m_edit->verticalScrollBar()->maximum());
}

void LogWindow::clearLog() {
    m_pending.clear();
    m_edit->clear();
    m_empty = true;
    m_copySelected->setEnabled(false);
}

void LogWindow::copySelected() {
    flush();
    m_edit->copy();
}

void LogWindow::copyAll() {
    flush();
    m_edit->selectAll();
    // An empty log still puts an (empty) text on the clipboard.
    QApplication::clipboard()->setText(
        m_edit->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
}

void LogWindow::saveLog() {
    if (!m_boxes)
        return;
    FileDialogRequest request;
    request.title = tr("Save Log");
    request.filters = {tr("Text Files (*.txt)"), tr("All files (*)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.initialPath = m_savePath.isEmpty() ? QStringLiteral("Log.txt") : m_savePath;
    request.overwritePrompt = true;
    const QString path = m_boxes->saveFileName(this, request);
    if (path.isEmpty())
        return;
    m_savePath = path;
    QString error;
    if (!saveTo(path, &error))
        m_boxes->error(
            this, tr("Error"),
            tr("Unable to save the log to \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
}

bool LogWindow::saveTo(const QString &path, QString *error) {
    // The log as shown: the installer key is masked in it already.
    QString all = text();
    if (!all.isEmpty())
        all += QLatin1Char('\n');
    return OutputFile::writeAll(path, all.toUtf8(), error);
}

QString LogWindow::text() {
    flush();
    return m_edit->toPlainText();
}

int LogWindow::lineCount() {
    flush();
    return m_empty ? 0 : m_edit->document()->blockCount();
}

QColor LogWindow::lineColour(int line) {
    flush();
    const QTextBlock block = m_edit->document()->findBlockByNumber(line);
    if (!block.isValid())
        return QColor();
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color();
}

void LogWindow::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    // A new palette (a switch to a dark theme): draw every line again in colours that suit it.
    flush();
    // The window hears of a new palette before its editor takes it over: unless the editor has a
    // palette of its own, the window's is the one it is about to show.
    const QPalette pal = m_edit->testAttribute(Qt::WA_SetPalette) ? m_edit->palette() : palette();
    QTextCursor cursor(m_edit->document());
    cursor.beginEditBlock();
    for (QTextBlock block = m_edit->document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor lineCursor(block);
        lineCursor.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat old = lineCursor.charFormat();
        if (!old.hasProperty(QTextFormat::UserProperty))
            continue;
        QTextCharFormat format;
        format.setForeground(colourFor(LogColour(old.property(QTextFormat::UserProperty).toUInt()), pal));
        lineCursor.movePosition(QTextCursor::StartOfBlock);
        lineCursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        lineCursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

void LogWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    flush();
    scrollToEnd();
}

} // namespace hzm

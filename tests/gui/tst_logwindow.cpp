// The log window: colours that stay readable, the copy buttons, lines kept while hidden, and
// appends that stay fast for a long session.

#include "LogWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <QTest>
#include <cmath>

using namespace hzm;

namespace {

// Relative luminance contrast ratio (WCAG), 1 .. 21.
double contrast(const QColor &a, const QColor &b) {
    auto lum = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette paletteWith(const QColor &base, const QColor &text) {
    QPalette palette;
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    return palette;
}

} // namespace

class TestLogWindow : public QObject {
    Q_OBJECT

private slots:
    void coloursOnLightPalette_data();
    void coloursOnLightPalette();
    void coloursStayReadable_data();
    void coloursStayReadable();
    void linesKeepTheirColours();
    void copySelectedFollowsSelection();
    void copyAll_data();
    void copyAll();
    void linesWhileHidden();
    void manyLinesStayFast();
};

void TestLogWindow::coloursOnLightPalette_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("command: black") << int(LogColour::Command) << QColor(0, 0, 0);
    QTest::newRow("good reply: dark green") << int(LogColour::GoodReply) << QColor(0, 0x80, 0);
    QTest::newRow("failure: dark red") << int(LogColour::Failure) << QColor(0x80, 0, 0);
}

void TestLogWindow::coloursOnLightPalette() {
    QFETCH(int, kind);
    QFETCH(QColor, expected);
    QCOMPARE(LogWindow::colourFor(LogColour(kind), paletteWith(Qt::white, Qt::black)), expected);
}

void TestLogWindow::coloursStayReadable_data() {
    QTest::addColumn<QColor>("base");
    QTest::addColumn<QColor>("text");
    QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("dark") << QColor(30, 30, 30) << QColor(230, 230, 230);
    QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
}

void TestLogWindow::coloursStayReadable() {
    QFETCH(QColor, base);
    QFETCH(QColor, text);
    const QPalette palette = paletteWith(base, text);
    QList<QColor> colours;
    for (LogColour kind : {LogColour::Command, LogColour::GoodReply, LogColour::Failure}) {
        const QColor colour = LogWindow::colourFor(kind, palette);
        QVERIFY2(contrast(colour, base) >= 4.5, qPrintable(colour.name()));
        colours << colour;
    }
    // The three kinds stay apart from each other.
    QVERIFY(colours[0] != colours[1] && colours[1] != colours[2] && colours[0] != colours[2]);
    QVERIFY(colours[1].green() > colours[1].red());
    QVERIFY(colours[2].red() > colours[2].green());
}

void TestLogWindow::linesKeepTheirColours() {
    LogWindow log;
    // A refusal, its retry's good reply: black, dark red, black, dark green.
    log.appendLine(QStringLiteral("<SY,VQ/>"), LogColour::Command);
    log.appendLine(QStringLiteral("<!busy/>"), LogColour::Failure);
    log.appendLine(QStringLiteral("<SY,VQ/>"), LogColour::Command);
    log.appendLine(QStringLiteral("<sy,vq v: 1.05/>"), LogColour::GoodReply);
    QCOMPARE(log.lineCount(), 4);
    QCOMPARE(log.text(), QStringLiteral("<SY,VQ/>\n<!busy/>\n<SY,VQ/>\n<sy,vq v: 1.05/>"));
    const QPalette palette = log.editor()->palette();
    const LogColour kinds[] = {LogColour::Command, LogColour::Failure, LogColour::Command,
                               LogColour::GoodReply};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(log.lineColour(i), LogWindow::colourFor(kinds[i], palette));

    // A dark palette later: every line is drawn again in colours that suit it.
    log.editor()->setPalette(paletteWith(QColor(20, 20, 20), QColor(240, 240, 240)));
    QEvent paletteChange(QEvent::PaletteChange);
    QCoreApplication::sendEvent(&log, &paletteChange);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(log.lineColour(i), LogWindow::colourFor(kinds[i], log.editor()->palette()));
}

void TestLogWindow::copySelectedFollowsSelection() {
    LogWindow log;
    log.show();
    QVERIFY(!log.copySelectedButton()->isEnabled());
    log.appendLine(QStringLiteral("<SY,VQ/>"), LogColour::Command);
    log.appendLine(QStringLiteral("<sy,vq v: 1.05/>"), LogColour::GoodReply);
    log.flush();
    QVERIFY(!log.copySelectedButton()->isEnabled());

    QTextCursor cursor = log.editor()->textCursor();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    log.editor()->setTextCursor(cursor);
    QVERIFY(log.copySelectedButton()->isEnabled());
    QTest::mouseClick(log.copySelectedButton(), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("<SY,VQ/>"));

    QTest::mouseClick(log.clearButton(), Qt::LeftButton);
    QVERIFY(!log.copySelectedButton()->isEnabled());
    QCOMPARE(log.lineCount(), 0);

    // Copy All selects everything; a click that empties the selection greys the button again.
    log.appendLine(QStringLiteral("<SY,R/>"), LogColour::Command);
    QTest::mouseClick(log.copyAllButton(), Qt::LeftButton);
    QVERIFY(log.copySelectedButton()->isEnabled());
    QTest::mouseClick(log.editor()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!log.copySelectedButton()->isEnabled());
}

void TestLogWindow::copyAll_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty log") << QStringList{};
    QTest::newRow("one line") << QStringList{"<SY,VQ/>"};
    QTest::newRow("three lines") << QStringList{"<SY,VQ/>", "No Response", "<sy,vq v: 1.05/>"};
}

void TestLogWindow::copyAll() {
    QFETCH(QStringList, lines);
    LogWindow log;
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    for (const QString &line : lines)
        log.appendLine(line, LogColour::Command);
    QTest::mouseClick(log.copyAllButton(), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), lines.join(QLatin1Char('\n')));
}

void TestLogWindow::linesWhileHidden() {
    LogWindow log;
    QVERIFY(!log.isVisible());
    for (int i = 0; i < 50; ++i)
        log.appendLine(QStringLiteral("line %1").arg(i), LogColour::Command);
    QCoreApplication::processEvents();
    log.showLog(false);
    QCOMPARE(log.lineCount(), 50);
    QCOMPARE(log.text().section(QLatin1Char('\n'), 49, 49), QStringLiteral("line 49"));
    // The end of the log is in view.
    QTRY_COMPARE(log.editor()->verticalScrollBar()->value(), log.editor()->verticalScrollBar()->maximum());
    log.hide();
    log.appendLine(QStringLiteral("later"), LogColour::GoodReply);
    log.showLog(true);
    QVERIFY(log.isOnTop());
    QCOMPARE(log.lineCount(), 51);
}

void TestLogWindow::manyLinesStayFast() {
    LogWindow log;
    log.show();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 100000; ++i) {
        log.appendLine(QStringLiteral("<Z%1.M1,L=%2/>").arg(i % 8 + 1).arg(i),
                       LogColour(i % 3 == 0 ? 0 : 0x8000));
        if (i % 200 == 0)
            QCoreApplication::processEvents(); // replies arrive between events
    }
    QCOMPARE(log.lineCount(), 100000); // never trimmed
    const qint64 elapsed = timer.elapsed();
    qInfo("100000 lines in %lld ms", elapsed);
    QVERIFY2(elapsed < 15000, qPrintable(QString::number(elapsed)));
    QCOMPARE(log.text().section(QLatin1Char('\n'), 99999, 99999), QStringLiteral("<Z8.M1,L=99999/>"));
}

QTEST_MAIN(TestLogWindow)
#include "tst_logwindow.moc"

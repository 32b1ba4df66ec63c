// hzm-bench-gui: the desktop program's figures.
//   hzm-bench-gui log              appends 100,000 lines to the log window (shown), in bursts as
//                                  a transfer brings them; time per line for each 10,000 and memory
//   hzm-bench-gui startup          process start to the main window shown, in this process (the
//                                  same steps as hzm-utility's main), and resident memory then
//   hzm-bench-gui utility PATH     starts hzm-utility itself and watches it from outside: time
//                                  until it goes idle after start-up, and its resident memory
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace hzm;

namespace {

// Resident memory in KiB of a process ("self" or a pid).
long rssKiB(const QString &pid = QStringLiteral("self")) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Milliseconds since this process was started (the kernel's start time, in clock ticks).
double msSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return (up - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

int logBenchmark() {
    LogWindow log;
    log.show();
    if (!QTest::qWaitForWindowExposed(&log))
        std::fprintf(stderr, "the log window was not exposed\n");
    const long rssBefore = rssKiB();
    constexpr int kLines = 100000;
    constexpr int kBlock = 10000;
    constexpr int kBurst = 10; // lines that arrive between two passes of the event loop
    QList<double> blockUs;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer block;
    block.start();
    for (int i = 0; i < kLines; ++i) {
        const LogColour colour =
            i % 2 == 0 ? LogColour::Command : (i % 10 == 1 ? LogColour::Failure : LogColour::GoodReply);
        log.appendLine(i % 2 == 0 ? QStringLiteral("<Z%1.MU,LQ/>").arg(i % 12 + 1)
                                  : QStringLiteral("<z%1.mu,l=%2/>").arg(i % 12 + 1).arg(i % 62),
                       colour);
        if ((i + 1) % kBurst == 0)
            QCoreApplication::processEvents();
        if ((i + 1) % kBlock == 0) {
            QCoreApplication::processEvents();
            blockUs.append(block.nsecsElapsed() / 1000.0 / kBlock);
            block.restart();
        }
    }
    const double total = clock.nsecsElapsed() / 1e9;
    const long rssAfter = rssKiB();
    std::printf("%-28s %9.3f s for %d lines, shown; per line: first 10,000 %.1f us, last 10,000 %.1f us "
                "(ratio %.2f)\n",
                "Log window append", total, kLines, blockUs.first(), blockUs.last(),
                blockUs.last() / blockUs.first());
    std::printf("%-28s per block of 10,000 (us/line):", "");
    for (double us : blockUs)
        std::printf(" %.1f", us);
    std::printf("\n%-28s resident memory %ld KiB before, %ld KiB after: %.0f bytes a line; %d lines kept\n",
                "", rssBefore, rssAfter, (rssAfter - rssBefore) * 1024.0 / kLines, log.lineCount());
    return log.lineCount() == kLines ? 0 : 1;
}

int startupBenchmark(QApplication &app) {
    Q_UNUSED(app);
    const double atMain = msSinceProcessStart();
    // Boxes that do not block: the prompt that follows the first window is not start-up.
    ScriptedMessageBoxes boxes;
    MainWindow window(boxes);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the main window was not exposed\n");
    const double shown = msSinceProcessStart();
    std::printf("%-28s %7.0f ms from process start to the main window shown (%.0f ms of it loading and "
                "QApplication; 10 ms resolution), resident memory %ld KiB\n",
                "Start-up (in process)", shown, atMain, rssKiB());
    return 0;
}

// CPU ticks (user + system) of a process.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

int utilityBenchmark(const QString &path) {
    QProcess process;
    process.setProgram(path);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(path));
        return 1;
    }
    const qint64 pid = process.processId();
    // Ready: the process has used no processor time for 300 ms; its start-up ended at the last
    // change.
    long lastTicks = -1;
    qint64 lastChange = 0;
    long rss = -1;
    while (clock.elapsed() < 20000) {
        const long ticks = cpuTicks(pid);
        if (ticks < 0)
            break;
        if (ticks != lastTicks) {
            lastTicks = ticks;
            lastChange = clock.elapsed();
            rss = rssKiB(QString::number(pid));
        } else if (clock.elapsed() - lastChange > 300) {
            break;
        }
        QThread::msleep(5);
    }
    rss = std::max(rss, rssKiB(QString::number(pid)));
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
    std::printf("%-28s %7lld ms until hzm-utility went idle after start-up (watched from outside, 10 ms "
                "ticks), resident memory %ld KiB\n",
                "Start-up (hzm-utility)", static_cast<long long>(lastChange), rss);
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("log"))
        return logBenchmark();
    if (mode == QLatin1String("startup"))
        return startupBenchmark(app);
    if (mode == QLatin1String("utility") && args.size() == 2)
        return utilityBenchmark(args[1]);
    std::fprintf(stderr, "usage: hzm-bench-gui log | startup | utility PATH\n");
    return 2;
}

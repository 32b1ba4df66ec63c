// hzm-bench-gui: the desktop program's figures.
//   hzm-bench-gui log              appends 100,000 lines to the log window (shown), in bursts as
//                                  a transfer brings them; time per line for each 10,000 and memory
//   hzm-bench-gui startup          process start to the main window shown, in this process (the
//                                  same steps as hzm-utility's main), and resident memory then
//   hzm-bench-gui utility PATH     starts hzm-utility itself and watches it from outside: time
//                                  until it goes idle after start-up, and its resident memory
//   hzm-bench-gui live             Mixer > Live against the simulated mixer over TCP and on a
//                                  pseudo-terminal at 9600: a zone's level chosen on the page
//                                  until the mixer's reply is in, and ten changes of it within a
//                                  second: the commands that reach the mixer and the value it holds
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "LiveSender.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"

#include "SimServer.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <algorithm>
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

// Waits, handling events, until done() or ten seconds have passed; false on the time-out.
template <typename F> bool waitFor(F done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

int liveTransport(bool serial) {
    sim::SimOptions options;
    options.tcpPort = serial ? -1 : 0;
    options.pty = serial;
    options.baudRate = 9600;
    sim::SimServer sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "the simulated mixer did not start: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    sim.mixer().setSettings(sim::SimMixer::demoSettings());
    ScriptedMessageBoxes boxes;
    MainWindow window(boxes);
    window.show();
    // The port and the read that Live needs, without the protocol's pauses: they are not measured.
    window.setSleeper([](Pause, int) {});
    if (serial)
        window.selectSerialDevice(sim.ptyPath());
    else
        window.setDemoMixer(sim.tcpAddress(), sim.tcpPort(), 0);
    window.readAll();
    window.setSleeper({});
    window.setLive(true);
    LiveSender *live = window.liveSender();
    if (!live->isOn()) {
        std::fprintf(stderr, "Live did not come on: %s\n", qPrintable(boxes.texts().join(QLatin1Char('\n'))));
        return 1;
    }

    TabPage *page = window.page(1);
    page->showRecord(1); // Zone 2
    auto *level = qobject_cast<QComboBox *>(page->controlWidget(int(OutputsPage::Control::OutputLevel)));
    const auto choose = [level](int value) {
        const int index = level->findData(value);
        level->setCurrentIndex(index);
        emit level->activated(index);
    };
    QElapsedTimer clock;
    qint64 replyNs = -1;
    qint64 bytes = 0;
    QObject::connect(live, &LiveSender::logLine, &window, [&](const QString &text, LogColour colour) {
        bytes += text.size();
        if (colour == LogColour::GoodReply && replyNs < 0)
            replyNs = clock.nsecsElapsed();
    });

    // A page change until the mixer's reply is in, one change at a time.
    QList<double> latencies;
    qint64 lineBytes = 0;
    for (int i = 0; i < 10; ++i) {
        if (!waitFor([live] { return !live->isSending(); }))
            return 1;
        replyNs = -1;
        bytes = 0;
        clock.start();
        choose(20 + i % 2);
        if (!waitFor([&] { return replyNs >= 0; }))
            return 1;
        latencies << replyNs / 1e9;
        lineBytes = bytes + 4; // the frames' line ends
    }
    // A pseudo-terminal moves bytes at once: the line time of command and reply is added.
    const double lineSeconds = serial ? double(lineBytes) * 10.0 / 9600.0 : 0.0;
    const char *name = serial ? "Live, pty 9600" : "Live, TCP loopback";
    std::printf(
        "%-28s page change to the mixer's reply (one command): median %.3f s, slowest %.3f s of 10%s\n", name,
        median(latencies) + lineSeconds, *std::max_element(latencies.begin(), latencies.end()) + lineSeconds,
        serial ? qPrintable(QStringLiteral(" (%1 s line time of %2 bytes added)")
                                .arg(lineSeconds, 0, 'f', 3)
                                .arg(lineBytes))
               : "");

    // Ten changes within a second, as a user clicking through the levels.
    if (!waitFor([live] { return !live->isSending(); }))
        return 1;
    sim.mixer().clearLog();
    clock.start();
    for (int i = 0; i < 10; ++i) {
        choose(30 + i);
        QTest::qWait(100);
    }
    const bool held = waitFor([&] { return sim.mixer().settings().zones[1].level == 39; });
    const double settled = clock.nsecsElapsed() / 1e9;
    waitFor([live] { return !live->isSending(); });
    QStringList levels = sim.mixer().receivedBodies();
    levels.removeIf([](const QString &body) { return !body.startsWith(QStringLiteral("Z2.MU,L")); });
    std::printf("%-28s ten changes of the level in 1 s: %lld commands reached the mixer (%s); it holds "
                "the last (-39 dB): %s, %.2f s after the first change\n",
                "", static_cast<long long>(levels.size()), qPrintable(levels.join(QStringLiteral(", "))),
                held ? "yes" : "no", settled);
    return held && levels.size() <= 3 && boxes.unexpected() == 0 ? 0 : 1;
}

int liveBenchmark() {
    const int tcp = liveTransport(false);
    const int pty = liveTransport(true);
    return tcp || pty ? 1 : 0;
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
    if (mode == QLatin1String("live"))
        return liveBenchmark();
    std::fprintf(stderr, "usage: hzm-bench-gui log | startup | utility PATH | live\n");
    return 2;
}

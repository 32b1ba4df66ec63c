// hzm-bench: Read all and Send all against the simulated mixer over TCP on loopback and over a
// pseudo-terminal, each compared with the time the protocol's own pauses and the bytes on the
// line take at the least; the processor time a job uses while it waits for slow replies; and
// sending only what changed (one zone name after a read) against Send all on the same link.
//
//   hzm-bench [--only tcp|pty19200|pty9600|cpu|changes|hostile]...
//
// hostile: the resident memory of "hzmctl send" while a peer streams bytes at it for 30 s (one
// stream that never ends a frame, one with a frame end now and then: more replies than commands,
// so that each run stops at its first command).

#include "BenchLink.h"

#include "SimServer.h"
#include "link/CommandExchange.h"
#include "link/SerialComms.h"
#include "link/TCPComms.h"
#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"
#include "protocol/DeviceCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace hzm;
using namespace hzm::bench;

namespace {

// 1: real pauses. Other values (--pause-scale) only for finding where time goes.
double g_pauseScale = 1.0;

// The framed size of every command that goes out, to compute the floor from.
class CommandSizes : public ExchangeObserver {
public:
    void commandSent(const QString &framed) override { sizes.append(int(framed.toUtf8().size())); }
    void commandFinished(bool accepted) override { accepted ? ++good : ++bad; }
    QList<int> sizes;
    int good = 0;
    int bad = 0;
};

struct Transport {
    QString name;
    bool serial = false;
    int baud = 0;
};

struct Row {
    QString name;
    double measured = 0;
    double floor = 0;
    double pausesOnly = 0;
    double sleepOver = 0; // time the sleeps took beyond the pauses asked for (the scheduler's)
    qint64 sent = 0;
    qint64 received = 0;
    int commands = 0;
    bool ok = false;
    QString note;
};

// The least time a conversation can take: every pause the protocol asks for, plus the bytes'
// time on the line (ten bits a byte on a serial line, nothing on loopback TCP).
double floorSeconds(const Transport &t, const CommandSizes &sizes, int commandPauses, qint64 bytes,
                    double *pausesOnly) {
    qint64 ms = 0;
    for (int n : sizes.sizes) {
        if (t.serial) {
            const int chunks = (n + 15) / 16;
            ms += qint64(chunks - 1) * pauseMilliseconds(Pause::BetweenChunks) +
                  pauseMilliseconds(Pause::AfterWrite);
        }
    }
    ms += qint64(sizes.good) * pauseMilliseconds(Pause::AfterGoodReply);
    ms += qint64(sizes.bad) * pauseMilliseconds(Pause::BetweenCommands);
    ms += qint64(commandPauses) * pauseMilliseconds(Pause::BetweenCommands);
    *pausesOnly = ms / 1000.0;
    const double wire = t.serial ? double(bytes) * 10.0 / t.baud : 0.0;
    return ms / 1000.0 + wire;
}

std::unique_ptr<sim::SimServer> startSim(const Transport &t) {
    sim::SimOptions o;
    o.tcpPort = t.serial ? -1 : 0;
    o.pty = t.serial;
    if (t.serial)
        o.baudRate = t.baud;
    auto server = std::make_unique<sim::SimServer>(o);
    if (!server->start()) {
        std::fprintf(stderr, "hzm-bench: the simulated mixer did not start: %s\n",
                     qPrintable(server->errorString()));
        return nullptr;
    }
    return server;
}

std::unique_ptr<CountingComms> linkTo(const Transport &t, sim::SimServer &server) {
    std::unique_ptr<Comms> inner;
    if (t.serial)
        inner = std::make_unique<SerialComms>(server.ptyPath(), t.baud);
    else
        inner = std::make_unique<TCPComms>(server.tcpAddress(), server.tcpPort());
    return std::make_unique<CountingComms>(std::move(inner));
}

Row runWhole(const Transport &t, bool send) {
    Row row;
    row.name =
        QStringLiteral("%1 %2").arg(send ? QStringLiteral("Send all") : QStringLiteral("Read all"), t.name);
    auto server = startSim(t);
    if (!server)
        return row;
    const MixerSettings demo = sim::SimMixer::demoSettings();
    MixerSettings local;
    LoadFactoryDefaults(local);
    if (send) {
        local = demo;
        MixerSettings factory;
        LoadFactoryDefaults(factory);
        server->mixer().setSettings(factory);
    } else {
        server->mixer().setSettings(demo);
    }
    auto link = linkTo(t, *server);
    PauseTally tally;
    tally.scale = g_pauseScale;
    link->setSleeper(tally.sleeper());
    if (!link->Open()) {
        row.note = link->errorString();
        return row;
    }
    CommandSizes sizes;
    QElapsedTimer clock;
    clock.start();
    const int result =
        send ? SendAllCommands(local, Exchange, *link, &sizes) : ReadAllCommands(local, *link, &sizes);
    row.measured = clock.nsecsElapsed() / 1e9;
    link->Close();
    row.sent = link->sent;
    row.received = link->received;
    // A pseudo-terminal moves bytes at once, whatever its rate: add the time a real line takes
    // for them (the line time is in the floor as well).
    if (t.serial)
        row.measured += double(row.sent + row.received) * 10.0 / t.baud;
    row.commands = int(sizes.sizes.size());
    row.sleepOver = tally.sleptNs / 1e9 - tally.totalMs * g_pauseScale / 1000.0;
    // Send all pauses after each of the twelve outputs and eight inputs.
    const int commandPauses = send ? 20 : 0;
    row.floor = floorSeconds(t, sizes, commandPauses, row.sent + row.received, &row.pausesOnly);
    if (qAbs(tally.totalMs / 1000.0 - row.pausesOnly) > 0.0005)
        row.note += QStringLiteral("pauses asked %1 s, expected %2 s; ")
                        .arg(tally.totalMs / 1000.0)
                        .arg(row.pausesOnly);
    bool same;
    if (send) {
        MixerSettings held = server->mixer().settings();
        held.softwareVersion = demo.softwareVersion;
        same = held == demo;
    } else {
        MixerSettings expected = demo;
        expected.softwareVersion = local.softwareVersion;
        same = local == expected;
    }
    row.ok = result == 1 && same;
    if (result != 1)
        row.note += QStringLiteral("job failed; ");
    else if (!same)
        row.note += QStringLiteral("settings differ after the transfer; ");
    return row;
}

void printRow(const Row &r) {
    std::printf("%-28s %9.3f %9.3f %8.4f %8.2f %8.2f %9lld %9lld %6d  %s%s\n", qPrintable(r.name), r.measured,
                r.floor, r.floor > 0 ? r.measured / r.floor : 0.0,
                r.commands > 0 ? 1000.0 * (r.measured - r.floor) / r.commands : 0.0,
                r.commands > 0 ? 1000.0 * r.sleepOver / r.commands : 0.0, static_cast<long long>(r.sent),
                static_cast<long long>(r.received), r.commands,
                r.ok ? (r.floor > 0 && r.measured / r.floor <= 1.05 ? "ok" : "OVER 1.05") : "FAILED ",
                qPrintable(r.note.isEmpty() ? QString() : QStringLiteral(" ") + r.note));
    std::fflush(stdout);
}

// One transfer over an open link, timed and compared with its floor. commandPauses: the 500 ms
// pauses the transfer makes between outputs and inputs.
Row timeTransfer(const QString &name, const Transport &t, CountingComms &link, int commandPauses,
                 const std::function<int(ExchangeObserver *)> &transfer) {
    Row row;
    row.name = name;
    PauseTally tally;
    tally.scale = g_pauseScale;
    link.setSleeper(tally.sleeper());
    const qint64 sentBefore = link.sent;
    const qint64 receivedBefore = link.received;
    CommandSizes sizes;
    QElapsedTimer clock;
    clock.start();
    row.ok = transfer(&sizes) == 1;
    row.measured = clock.nsecsElapsed() / 1e9;
    row.sent = link.sent - sentBefore;
    row.received = link.received - receivedBefore;
    if (t.serial)
        row.measured += double(row.sent + row.received) * 10.0 / t.baud;
    row.commands = int(sizes.sizes.size());
    row.sleepOver = tally.sleptNs / 1e9 - tally.totalMs * g_pauseScale / 1000.0;
    row.floor = floorSeconds(t, sizes, commandPauses, row.sent + row.received, &row.pausesOnly);
    if (!row.ok)
        row.note = QStringLiteral("job failed; ");
    return row;
}

// Read all, one zone name changed, then the changes sent and, for comparison, Send all of the
// same record on the same link. Returns Send changes' time as a share of Send all's (0 on failure).
double runChanges(const Transport &t) {
    auto server = startSim(t);
    if (!server)
        return 0;
    server->mixer().setSettings(sim::SimMixer::demoSettings());
    auto link = linkTo(t, *server);
    PauseTally readTally;
    link->setSleeper(readTally.sleeper());
    if (!link->Open()) {
        std::fprintf(stderr, "hzm-bench: %s\n", qPrintable(link->errorString()));
        return 0;
    }
    MixerSettings baseline;
    LoadFactoryDefaults(baseline);
    if (!ReadAllCommands(baseline, *link, nullptr)) {
        std::fprintf(stderr, "hzm-bench: Read all failed before the changes\n");
        return 0;
    }
    MixerSettings target = baseline;
    target.zones[2].name = QStringLiteral("Foyer");
    const QString version = baseline.softwareVersion;

    Row changes =
        timeTransfer(QStringLiteral("Send changes %1").arg(t.name), t, *link, 1, [&](ExchangeObserver *o) {
            return SendChangedCommands(baseline, target, version, *link, o);
        });
    MixerSettings held = server->mixer().settings();
    if (changes.ok && !held.sameConfiguration(target)) {
        changes.ok = false;
        changes.note += QStringLiteral("settings differ after the transfer; ");
    }
    const Row all =
        timeTransfer(QStringLiteral("Send all %1").arg(t.name), t, *link, 20,
                     [&](ExchangeObserver *o) { return SendAllCommands(target, Exchange, *link, o); });
    link->Close();
    printRow(changes);
    printRow(all);
    if (!changes.ok || !all.ok || all.measured <= 0)
        return 0;
    const double ratio = changes.measured / all.measured;
    std::printf("%-28s %9.4f  (goal <= 0.05)\n", qPrintable(QStringLiteral("changes/all %1").arg(t.name)),
                ratio);
    std::fflush(stdout);
    return ratio;
}

// Processor time of the job's thread while the mixer takes replyDelayMs before every reply.
void cpuWhileWaiting(const Transport &t, int replyDelayMs) {
    auto server = startSim(t);
    if (!server)
        return;
    sim::FaultSettings faults;
    faults.replyDelayMs = replyDelayMs;
    server->mixer().setFaults(faults);
    auto link = linkTo(t, *server);
    PauseTally tally;
    link->setSleeper(tally.sleeper());
    if (!link->Open())
        return;
    MixerSettings settings;
    LoadFactoryDefaults(settings);
    settings.softwareVersion = QStringLiteral("1.05");
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    QElapsedTimer clock;
    clock.start();
    CommandSizes sizes;
    const int ok = ReadOutput(settings, 9, *link, &sizes);
    const double wall = clock.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_THREAD, &after);
    link->Close();
    auto seconds = [](const timeval &tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_stime);
    std::printf("%-28s %9.3f s wall %9.4f s cpu   share of one core %6.3f %%   (%d commands, %d ms before "
                "each reply)%s\n",
                qPrintable(QStringLiteral("CPU waiting %1").arg(t.name)), wall, cpu, 100.0 * cpu / wall,
                int(sizes.sizes.size()), replyDelayMs, ok ? "" : "  JOB FAILED");
    std::fflush(stdout);
}

// A peer on 127.0.0.1 that sends `pattern` over and over to every client, as fast as the client
// takes it, until the client closes.
class StreamingPeer {
public:
    explicit StreamingPeer(QByteArray pattern) : m_pattern(std::move(pattern)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listener, 4);
        socklen_t length = sizeof a;
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&a), &length);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~StreamingPeer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }
    qint64 bytesSent() const { return m_sent; }

private:
    void run() {
        std::vector<int> clients;
        while (!m_stop) {
            pollfd p{m_listener, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0)
                clients.push_back(::accept(m_listener, nullptr, nullptr));
            bool wrote = false;
            for (int &fd : clients) {
                if (fd < 0)
                    continue;
                char sink[4096];
                const ssize_t in = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
                if (in == 0) {
                    ::close(fd);
                    fd = -1;
                    continue;
                }
                const ssize_t n =
                    ::send(fd, m_pattern.constData(), size_t(m_pattern.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
                if (n > 0) {
                    m_sent += n;
                    wrote = true;
                } else if (n < 0 && errno != EAGAIN) {
                    ::close(fd);
                    fd = -1;
                }
            }
            if (!wrote)
                ::usleep(1000);
        }
        for (int fd : clients)
            if (fd >= 0)
                ::close(fd);
    }

    QByteArray m_pattern;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::thread m_thread;
};

// Kilobytes of resident memory of a process now, 0 when it has gone.
qint64 residentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Runs "hzmctl send" against a streaming peer again and again for `seconds`, sampling its
// resident memory every 50 ms.
void memoryAgainstStream(const QString &name, const QByteArray &pattern, int seconds) {
    const QString hzmctl = QCoreApplication::applicationDirPath() + QStringLiteral("/../hzmctl");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("send.hzc"));
    if (QProcess::execute(hzmctl, {QStringLiteral("new"), file}) != 0) {
        std::printf("%-28s cannot run %s\n", qPrintable(name), qPrintable(hzmctl));
        return;
    }
    StreamingPeer peer(pattern);
    QElapsedTimer clock;
    clock.start();
    qint64 peakKb = 0;
    int runs = 0;
    std::map<int, int> exits; // exit status: runs
    while (clock.elapsed() < seconds * 1000) {
        QProcess process;
        process.start(hzmctl, {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(peer.port()),
                               QStringLiteral("send"), file});
        if (!process.waitForStarted())
            break;
        while (!process.waitForFinished(50)) {
            peakKb = std::max(peakKb, residentKb(process.processId()));
            if (clock.elapsed() > seconds * 1000 + 30000)
                process.kill();
        }
        ++runs;
        ++exits[process.exitCode()];
    }
    QStringList exitTexts;
    for (const auto &[status, count] : exits)
        exitTexts << QStringLiteral("%1 x%2").arg(status).arg(count);
    std::printf("%-28s peak resident %7.1f MB over %5.1f s, %d run%s of hzmctl send (exit %s), %.1f MB "
                "streamed\n",
                qPrintable(name), peakKb / 1024.0, clock.elapsed() / 1000.0, runs, runs == 1 ? "" : "s",
                qPrintable(exitTexts.join(QStringLiteral(", "))), peer.bytesSent() / 1048576.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList only;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            only << args[++i];
        else if (args[i] == QLatin1String("--pause-scale") && i + 1 < args.size())
            g_pauseScale = args[++i].toDouble();
        else {
            std::fprintf(stderr, "usage: hzm-bench [--only tcp|pty19200|pty9600|cpu|changes|hostile]...\n");
            return 2;
        }
    }
    auto wanted = [&](const char *name) { return only.isEmpty() || only.contains(QLatin1String(name)); };

    const Transport tcp{QStringLiteral("TCP loopback"), false, 0};
    const Transport pty19200{QStringLiteral("pty 19200"), true, 19200};
    const Transport pty9600{QStringLiteral("pty 9600"), true, 9600};

    bool allOk = true;
    std::printf("%-28s %9s %9s %8s %8s %8s %9s %9s %6s\n", "transfer", "measured", "floor", "ratio", "ms/cmd",
                "oversl", "sent", "received", "cmds");
    for (const auto &[key, transport] :
         {std::pair{"tcp", tcp}, std::pair{"pty19200", pty19200}, std::pair{"pty9600", pty9600}}) {
        if (!wanted(key))
            continue;
        for (bool send : {false, true}) {
            const Row r = runWhole(transport, send);
            printRow(r);
            allOk = allOk && r.ok;
        }
    }
    if (wanted("changes")) {
        for (const Transport &transport : {tcp, pty9600}) {
            const double ratio = runChanges(transport);
            allOk = allOk && ratio > 0 && ratio <= 0.05;
        }
    }
    if (wanted("cpu")) {
        cpuWhileWaiting(tcp, 300);
        cpuWhileWaiting(pty19200, 300);
    }
    if (wanted("hostile")) {
        memoryAgainstStream(QStringLiteral("stream, no frame end"), QByteArray(4096, 'x'), 30);
        memoryAgainstStream(QStringLiteral("stream, frame ends"), QByteArray("<ok/>") + QByteArray(400, 'x'),
                            30);
    }
    std::printf("(seconds; ms/cmd = time over the floor per command, oversl = of which the sleeps' own "
                "overshoot (scheduler wake-up latency); floor = the protocol's pauses + 10 bits a byte at "
                "the line rate on serial; "
                "on the pty, which moves bytes at once, the same line time is added to the measured time)\n");
    return allOk ? 0 : 1;
}

// hzm-soak: many transfer jobs against the simulated mixer with faults injected at random, each
// checked against the same job run over a perfect in-memory link that meets the same mixer logic
// and the same refusals, silences, junk values and dropped connections. Line faults (split and
// delayed replies) must change nothing; a reply that comes just after the time-out (run with the
// real pauses) must leave the mixer as a clean run does, or fail the job; a port that disappears
// must end the job with a failure and a record that is a prefix of the complete transfer. At the
// end no thread and no descriptor may be left over.
//
//   hzm-soak [--jobs N] [--seed S] [--verbose]

#include "BenchLink.h"

#include "SimServer.h"
#include "link/CommandFraming.h"
#include "link/LinkSelection.h"
#include "model/MixerSettings.h"
#include "protocol/DeviceCommands.h"
#include "protocol/MixerJobs.h"
#include "protocol/TransferWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

using namespace hzm;
using namespace hzm::sim;

namespace {

int countEntries(const char *dir) {
    return int(QDir(QString::fromLatin1(dir))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

// The perfect link: every complete command goes straight to a mixer's logic (faults included)
// and its reply is there at once. After a dropped connection, or from command `cutAt` on, the
// mixer is gone: nothing answers and nothing reaches it.
class MemoryLink : public Comms {
public:
    explicit MemoryLink(SimMixer &mixer, int cutAt = -1) : m_mixer(mixer), m_cutAt(cutAt) {
        m_isOpen = 1;
        setSleeper([](Pause, int) {});
    }
    int ReplyTimeout() const override { return 1; }
    int Write(const char *bytes, int length) override {
        if (length <= 0)
            return 0;
        for (const QByteArray &bytesOfBody : m_splitter.feed(QByteArray(bytes, length))) {
            const QString body = QString::fromUtf8(bytesOfBody);
            if (m_gone || (m_cutAt >= 0 && m_commands >= m_cutAt)) {
                m_gone = true;
                continue;
            }
            ++m_commands;
            const Outcome out = m_mixer.process(body, QStringLiteral("memory"));
            m_pending += out.reply;
            if (out.dropAfter)
                m_gone = true;
        }
        return length;
    }
    int Read(char *buffer, int size) override {
        const int n = std::min(int(m_pending.size()), size);
        std::memcpy(buffer, m_pending.constData(), size_t(n));
        m_pending.remove(0, n);
        return n;
    }
    bool Open() override { return false; }
    bool Close() override { return true; }
    QString describe() const override { return QStringLiteral("memory"); }
    int commands() const { return m_commands; }

private:
    SimMixer &m_mixer;
    int m_cutAt;
    int m_commands = 0;
    bool m_gone = false;
    CommandSplitter m_splitter;
    QByteArray m_pending;
};

struct MixerState {
    MixerSettings settings;
    QString key;
    int resets = 0;
    bool operator==(const MixerState &o) const {
        return settings.sameConfiguration(o.settings) && key == o.key && resets == o.resets;
    }
};

MixerState stateOf(const SimMixer &m) {
    return {m.settings(), m.installerKey(), m.resetCount()};
}

void copyMixer(const SimMixer &from, SimMixer &to, const FaultSettings &faults) {
    to.setSettings(from.settings());
    to.setInstallerKey(from.installerKey());
    to.setSoftwareVersion(from.softwareVersion());
    to.setFaults(faults);
}

struct Expected {
    int result = 0;
    MixerSettings record;
    MixerState mixer;
    int commands = 0;
};

// The job over the perfect link.
Expected dryRun(const SimMixer &real, const FaultSettings &faults, const MixerSettings &record,
                const TransferJob &job, int cutAt = -1) {
    SimMixer scratch;
    copyMixer(real, scratch, faults);
    // Resets are counted by the mixer itself; start the copy's count where the real one stands.
    const int resetsBefore = real.resetCount();
    MemoryLink link(scratch, cutAt);
    Expected e;
    e.record = record;
    JobContext context{e.record, nullptr, {}, {}};
    e.result = job.run(link, context);
    e.mixer = stateOf(scratch);
    e.mixer.resets += resetsBefore;
    e.commands = link.commands();
    return e;
}

enum class Kind {
    Version,
    SendOutput,
    SendInput,
    SendSystem,
    Key,
    ReadInputs,
    ReadOutputs,
    ReadAll,
    SendAll
};
const char *kindName(Kind k) {
    static const char *names[] = {"version",     "send output",  "send input", "send system", "key",
                                  "read inputs", "read outputs", "read all",   "send all"};
    return names[int(k)];
}

enum class Fault { None, Refuse, Silent, Split, Delay, Drop, PortGone, PortGoneMidway, Late, Junk };
const char *faultName(Fault f) {
    static const char *names[] = {"none", "refusals",  "silence",          "split",      "delay",
                                  "drop", "port gone", "port gone midway", "late reply", "junk value"};
    return names[int(f)];
}

TransferJob readSubsetJob(bool outputs, QList<int> numbers) {
    TransferJob job;
    job.title = outputs ? QStringLiteral("Read outputs") : QStringLiteral("Read inputs");
    job.run = [outputs, numbers](Comms &link, JobContext &context) {
        for (int n : numbers) {
            const int ok = outputs ? ReadOutput(context.settings, n, link, context.observer)
                                   : ReadInput(context.settings, n, link, context.observer);
            if (!ok)
                return 0;
        }
        return 1;
    };
    return job;
}

struct Counts {
    int jobs = 0, succeeded = 0, failedAsExpected = 0, faultsOfOurs = 0, overBound = 0;
    std::map<QString, int> byFault;
};

// The simulated mixer over TCP and a pseudo-terminal; a fault may stop its transports, and the
// next job starts them again (the mixer itself lives on).
class SoakServer {
public:
    SoakServer() {
        m_options.tcpPort = 0;
        m_options.pty = true;
        m_options.baudRate = 19200;
        m_server = std::make_unique<SimServer>(m_options);
    }
    bool start() {
        if (!m_server->start()) {
            std::fprintf(stderr, "hzm-soak: the simulated mixer did not start: %s\n",
                         qPrintable(m_server->errorString()));
            return false;
        }
        m_options.tcpPort = m_server->tcpPort(); // where a stopped mixer was (a restart takes a new port)
        return true;
    }
    bool restart() {
        if (m_server->isRunning())
            return true;
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (m_server->start())
                return true;
            QThread::msleep(100);
        }
        std::fprintf(stderr, "hzm-soak: the simulated mixer did not restart: %s\n",
                     qPrintable(m_server->errorString()));
        return false;
    }
    void stop() {
        if (m_server->isRunning())
            m_options.tcpPort = m_server->tcpPort();
        m_server->stop();
    }
    SimMixer &mixer() { return m_server->mixer(); }
    // The link to the mixer, or to where it was when its transports are stopped.
    LinkSelection link(bool tcp) const {
        const bool gone = !m_server->isRunning();
        if (tcp)
            return TcpEndpoint{m_options.bindAddress,
                               quint16(gone ? m_options.tcpPort : m_server->tcpPort())};
        return SerialEndpoint{gone ? QStringLiteral("/dev/pts/gone") : m_server->ptyPath(),
                              m_options.baudRate};
    }

private:
    SimOptions m_options;
    std::unique_ptr<SimServer> m_server;
};

// What a job is: its kind, the record it works on, and the mixer's version and settings before it.
struct JobDraw {
    Kind kind;
    MixerSettings record;
    TransferJob job;
};

JobDraw drawJob(QRandomGenerator &rng, int j, SimMixer &mixer) {
    const auto chance = [&](int percent) { return int(rng.bounded(100)) < percent; };
    const int roll = int(rng.bounded(100));
    JobDraw d;
    d.kind = j < 2       ? Kind::Version
             : roll < 18 ? Kind::Version
             : roll < 36 ? Kind::SendOutput
             : roll < 44 ? Kind::SendInput
             : roll < 52 ? Kind::SendSystem
             : roll < 60 ? Kind::Key
             : roll < 78 ? Kind::ReadInputs
             : roll < 97 ? Kind::ReadOutputs
             : roll < 99 ? Kind::ReadAll
                         : Kind::SendAll;
    MixerSettings &record = d.record;
    record = chance(50) ? SimMixer::demoSettings() : MixerSettings();
    static const char *versions[] = {"1.05", "1.04", ""};
    record.softwareVersion = QString::fromLatin1(versions[rng.bounded(3)]);
    record.selectedOutput = int(rng.bounded(kOutputCount));
    record.selectedInput = int(rng.bounded(kInputCount));
    mixer.setSoftwareVersion(chance(80) ? QStringLiteral("1.05") : QStringLiteral("1.04"));
    if (chance(10))
        mixer.setSettings(chance(50) ? SimMixer::demoSettings() : MixerSettings());
    switch (d.kind) {
    case Kind::Version:
        d.job = GetVersionJob();
        break;
    case Kind::SendOutput:
        d.job = SendOutputJob(record, record.selectedOutput);
        break;
    case Kind::SendInput:
        d.job = SendInputJob(record, record.selectedInput);
        break;
    case Kind::SendSystem:
        d.job = SendSystemJob();
        break;
    case Kind::Key: {
        auto key = [&] {
            QString k;
            for (int i = 0; i < 4; ++i)
                k += QChar(u'1' + int(rng.bounded(8)));
            return k;
        };
        d.job = changeInstallerKeyJob(chance(80) ? mixer.installerKey() : key(), key());
        break;
    }
    case Kind::ReadInputs:
    case Kind::ReadOutputs: {
        const bool outputs = d.kind == Kind::ReadOutputs;
        QList<int> numbers;
        for (int i = 1 + int(rng.bounded(3)); i > 0; --i)
            numbers << 1 + int(rng.bounded(outputs ? kOutputCount : kInputCount));
        d.job = readSubsetJob(outputs, numbers);
        break;
    }
    case Kind::ReadAll:
        d.job = ReadAllJob(record);
        break;
    case Kind::SendAll:
        d.job = SendAllJob(record);
        break;
    }
    return d;
}

// The command bodies a job sends when nothing goes wrong, to aim the faults at.
QStringList bodiesOf(const SimMixer &mixer, const JobDraw &d) {
    SimMixer listing;
    copyMixer(mixer, listing, FaultSettings());
    MixerSettings copy = d.record;
    JobContext context{copy, nullptr, {}, {}};
    MemoryLink link(listing);
    d.job.run(link, context);
    return listing.receivedBodies();
}

// The fault aimed at one of a job's n commands, and the pauses it adds to the replies.
struct FaultDraw {
    Fault fault = Fault::None;
    FaultSettings faults;
    QString target;
    int replyDelay = 0, fragmentDelay = 0, fragments = 0;
};

FaultDraw drawFault(QRandomGenerator &rng, int j, int n, bool tcp, const QStringList &bodies) {
    FaultDraw d;
    const int f = int(rng.bounded(100));
    if (j < 2 || n == 0)
        d.fault = Fault::None;
    else if (f < 25)
        d.fault = Fault::Refuse;
    else if (f < 28)
        d.fault = Fault::Silent;
    else if (f < 45)
        d.fault = Fault::Split;
    else if (f < 55)
        d.fault = Fault::Delay;
    else if (f < 63 && tcp)
        d.fault = Fault::Drop;
    else if (f < 67)
        d.fault = Fault::PortGone;
    else if (f < 71 && n >= 4)
        d.fault = Fault::PortGoneMidway;
    else if (f < 76 && n <= 60)
        d.fault = Fault::Late;
    else if (f < 84)
        d.fault = Fault::Junk;
    d.target = n > 0 ? bodies.value(int(rng.bounded(quint32(bodies.size())))) : QString();
    FaultSettings &faults = d.faults;
    switch (d.fault) {
    case Fault::Refuse:
        faults.refuse.append(RefuseRule{d.target, 1 + int(rng.bounded(5))});
        break;
    case Fault::Silent:
        faults.silent.append(d.target);
        break;
    case Fault::Split:
        faults.fragmentBytes = d.fragments = 1 + int(rng.bounded(8));
        faults.fragmentDelayMs = d.fragmentDelay = int(rng.bounded(quint32(std::clamp(600 / n, 2, 15))));
        break;
    case Fault::Delay:
        faults.replyDelayMs = d.replyDelay = int(rng.bounded(quint32(std::clamp(3000 / n, 2, 400))));
        break;
    case Fault::Drop:
        faults.dropAfterCommands = 1 + int(rng.bounded(quint32(n + 2)));
        break;
    case Fault::Late:
        faults.late.append(d.target);
        break;
    case Fault::Junk:
        faults.junk.append(d.target);
        break;
    default:
        break;
    }
    return d;
}

// How the job went over the real link.
struct Run {
    bool result = false;
    QString linkError;
    MixerSettings record;
    qint64 tookMs = 0;
    qint64 boundMs = 0;
    bool overBound = false;
};

// The job on its worker thread over TCP or the pseudo-terminal; a port that goes midway goes
// stopAfterMs into the job.
Run runJob(SoakServer &server, bool tcp, const JobDraw &job, const FaultDraw &fault, int n, int stopAfterMs) {
    Run run;
    run.record = job.record;
    TransferWorker worker(server.link(tcp), run.record, job.job);
    // The protocol's order of events, without its time; a late reply is answered in time only
    // by the real pauses.
    if (fault.fault != Fault::Late)
        worker.setSleeper([](Pause, int) {});
    QObject::connect(
        &worker, &TransferWorker::finished, &worker,
        [&](const TransferResult &ended) {
            run.result = ended.success;
            run.linkError = ended.linkError;
        },
        Qt::DirectConnection);
    // The job's bound: its commands, four attempts of a second each for every failure it can
    // meet, the injected delays, and the link's own bounds for opening and closing.
    const int perReply =
        fault.replyDelay + (fault.fragments > 0 ? fault.fragmentDelay * (64 / fault.fragments + 1) : 0) + 50;
    run.boundMs = 8000 + qint64(n) * perReply * 2 + 6000 +
                  (fault.fault == Fault::Late ? qint64(n) * 600 + FaultSettings::kLateReplyMs : 0);
    QElapsedTimer clock;
    clock.start();
    worker.start();
    bool stoppedMidway = false;
    while (worker.isRunning() && clock.elapsed() < run.boundMs) {
        if (stopAfterMs >= 0 && !stoppedMidway && clock.elapsed() >= stopAfterMs) {
            server.stop();
            stoppedMidway = true;
        }
        QThread::msleep(1);
    }
    run.tookMs = clock.elapsed();
    run.overBound = worker.isRunning();
    worker.wait();
    if (stopAfterMs >= 0 && !stoppedMidway)
        server.stop(); // the job ended before the port went: it counts as a clean run
    return run;
}

// What went wrong in a run, judged against the perfect link; empty when nothing did.
QString judge(const Run &run, const JobDraw &job, Fault fault, const Expected &expected,
              const MixerState &before, const MixerState &after, const QString &version, int n) {
    QString problem;
    if (run.overBound)
        problem = QStringLiteral("did not end within %1 ms").arg(run.boundMs);
    if (fault == Fault::PortGone) {
        if (run.result)
            problem += QStringLiteral(" succeeded without a port;");
        if (!(after == before) || run.record != job.record)
            problem += QStringLiteral(" changed something without a port;");
    } else if (fault == Fault::PortGoneMidway) {
        // Some prefix of the commands reached the mixer, some prefix of the replies came back.
        bool mixerOk = false, recordOk = false;
        // Re-run against the state before the job (the real mixer has moved on).
        SimMixer start;
        start.setSettings(before.settings);
        start.setInstallerKey(before.key);
        start.setSoftwareVersion(version);
        for (int cut = 0; cut <= n; ++cut) {
            Expected e = dryRun(start, FaultSettings(), job.record, job.job, cut);
            e.mixer.resets = e.mixer.resets - start.resetCount() + before.resets;
            if (e.mixer == after)
                mixerOk = true;
            if (e.record == run.record && (run.result == bool(e.result)))
                recordOk = true;
        }
        if (!mixerOk)
            problem += QStringLiteral(" mixer state is no prefix of the transfer;");
        if (!recordOk)
            problem += QStringLiteral(" record or result is no prefix of the transfer;");
    } else if (fault == Fault::Late && !run.result) {
        // Slower than the time-out: the job may fail, as long as it says so.
    } else {
        if (run.result != bool(expected.result))
            problem += QStringLiteral(" result %1, expected %2;").arg(run.result).arg(expected.result);
        if (run.record != expected.record)
            problem += QStringLiteral(" record differs from the expected one;");
        if (!(after == expected.mixer))
            problem += QStringLiteral(" mixer state differs from the expected one;");
    }
    return problem.trimmed();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    int jobCount = 1000;
    quint32 seed = 1;
    bool verbose = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--jobs") && i + 1 < args.size())
            jobCount = args[++i].toInt();
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toUInt();
        else if (args[i] == QLatin1String("--verbose"))
            verbose = true;
        else {
            std::fprintf(stderr, "usage: hzm-soak [--jobs N] [--seed S] [--verbose]\n");
            return 2;
        }
    }
    QRandomGenerator rng(seed);
    SoakServer server;
    if (!server.start())
        return 1;
    SimMixer &mixer = server.mixer(); // the mixer outlives restarts of its transports

    int baselineThreads = -1, baselineFds = -1;
    Counts counts;
    QElapsedTimer total;
    total.start();

    for (int j = 0; j < jobCount; ++j) {
        if (!server.restart())
            return 1;
        // Warm up both transports before taking the baseline.
        if (j == 2) {
            baselineThreads = countEntries("/proc/self/task");
            baselineFds = countEntries("/proc/self/fd");
        }
        const bool tcp = (j % 2 == 0);
        const JobDraw job = drawJob(rng, j, mixer);
        const int n = dryRun(mixer, FaultSettings(), job.record, job.job).commands;
        const FaultDraw fault = drawFault(rng, j, n, tcp, bodiesOf(mixer, job));
        // The outcome over the perfect link with the same faults.
        const Expected expected = dryRun(mixer, fault.faults, job.record, job.job);
        const MixerState before = stateOf(mixer);

        mixer.clearLog();
        mixer.setFaults(fault.faults);
        if (fault.fault == Fault::PortGone)
            server.stop();
        const int stopAfterMs =
            fault.fault == Fault::PortGoneMidway ? int(rng.bounded(quint32(std::min(n, 40) * 3 + 1))) : -1;
        const Run run = runJob(server, tcp, job, fault, n, stopAfterMs);
        const QString problem =
            judge(run, job, fault.fault, expected, before, stateOf(mixer), mixer.softwareVersion(), n);

        ++counts.jobs;
        counts.byFault[QString::fromLatin1(faultName(fault.fault))]++;
        if (run.overBound)
            ++counts.overBound;
        if (!problem.isEmpty()) {
            ++counts.faultsOfOurs;
            std::printf("job %d (%s over %s, fault %s on \"%s\"): %s\n", j, kindName(job.kind),
                        tcp ? "TCP" : "pty", faultName(fault.fault), qPrintable(fault.target),
                        qPrintable(problem));
        } else if (run.result) {
            ++counts.succeeded;
        } else {
            ++counts.failedAsExpected;
        }
        if (verbose)
            std::printf("job %4d %-12s %-3s %-17s %-6s %6lld ms (%d commands) %s\n", j, kindName(job.kind),
                        tcp ? "TCP" : "pty", faultName(fault.fault), run.result ? "ok" : "failed",
                        static_cast<long long>(run.tookMs), n, qPrintable(run.linkError));
        std::fflush(stdout);
        mixer.clearFaults();
    }
    if (!server.restart())
        return 1;
    // Give finished threads a moment to leave the task list.
    int threads = 0, fds = 0;
    for (int i = 0; i < 50; ++i) {
        threads = countEntries("/proc/self/task");
        fds = countEntries("/proc/self/fd");
        if (threads <= baselineThreads && fds <= baselineFds)
            break;
        QThread::msleep(20);
    }
    const bool leaks = baselineThreads >= 0 && (threads > baselineThreads || fds > baselineFds);
    std::printf(
        "jobs %d: succeeded %d, failed as expected %d, faults of ours %d (over their bound %d); %.1f s\n",
        counts.jobs, counts.succeeded, counts.failedAsExpected, counts.faultsOfOurs, counts.overBound,
        total.elapsed() / 1000.0);
    std::printf("injected:");
    for (const auto &[name, count] : counts.byFault)
        std::printf(" %s %d,", qPrintable(name), count);
    std::printf("\nthreads %d (at start %d), descriptors %d (at start %d)%s\n", threads, baselineThreads, fds,
                baselineFds, leaks ? "  LEAK" : "");
    return counts.faultsOfOurs == 0 && !leaks ? 0 : 1;
}

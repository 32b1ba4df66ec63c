// Several mixers at once: collects the mixers (the link options, --targets files, discovery, a venue),
// runs the command on each in this process, every mixer on a worker thread and link of its own
// and paced exactly as on its own (MixerBatch), and sums up what each mixer's run handed back.

#include "CommandRun.h"

#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"
#include "files/VenueFile.h"
#include "protocol/VenueTasks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace hzm::cli {

namespace {

struct Target {
    BatchMixer mixer;
    QString linkKind; // "tcp" or "serial"
    QString host;     // for {host}: the address, or the serial device's file name
    QString port;     // for {port}: the TCP port
    QString file;     // read: the file written for this mixer; a venue's: the mixer's settings file
    QString logFile;  // --log-file for this mixer
    QString problem;  // why this mixer of a venue cannot run (its link); it fails with it
};

// {host} and {port} of a link.
void describeLink(Target &t) {
    if (const TcpEndpoint *tcp = t.mixer.link.tcp()) {
        t.linkKind = QStringLiteral("tcp");
        t.host = tcp->address.toString();
        t.port = QString::number(tcp->port);
    } else if (const SerialEndpoint *serial = t.mixer.link.serial()) {
        t.linkKind = QStringLiteral("serial");
        t.host = QFileInfo(serial->device).fileName();
    }
}

// ---- Collecting the mixers

// Calls look(i) for every i below count, up to 16 at once: looking a host name up blocks, for
// seconds when the name server does not answer, and a venue or a targets file may name many.
template <typename Look> void lookUpAtOnce(qsizetype count, Look look) {
    QThreadPool pool;
    pool.setMaxThreadCount(16);
    for (qsizetype i = 0; i < count; ++i)
        pool.start([&look, i] { look(i); });
    pool.waitForDone();
}

// "{host}", "{port}" and "{n}" in a file name.
QString expanded(QString pattern, const Target &t, int n) {
    QString host = t.host;
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return pattern.replace(QStringLiteral("{host}"), host)
        .replace(QStringLiteral("{port}"), t.port)
        .replace(QStringLiteral("{n}"), QString::number(n));
}

bool hasPlaceholder(const QString &pattern) {
    return pattern.contains(QStringLiteral("{host}")) || pattern.contains(QStringLiteral("{port}")) ||
           pattern.contains(QStringLiteral("{n}"));
}

// A log file per mixer: the pattern's placeholders, or else "-N" before the extension
// (hzm.log: hzm-1.log, hzm-2.log ...).
QString logFileFor(const QString &given, const Target &t, int n) {
    if (hasPlaceholder(given))
        return expanded(given, t, n);
    const QString suffix = QFileInfo(given).suffix();
    const QString base = suffix.isEmpty() ? given : given.left(given.size() - suffix.size() - 1);
    return base + QStringLiteral("-%1").arg(n) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

// One line of a --targets file: "HOST[:PORT]", "tcp HOST[:PORT]", "serial PORT" ("--tcp" and
// "--serial" too), "tcp:HOST[:PORT]" or "serial:DEVICE[@BAUD]"; nullopt for an empty line or a
// comment, or with error set.
std::optional<LinkArgument> targetLine(const QString &text, QString &error) {
    const QString line = text.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return std::nullopt;
    for (const QString &kind : {QStringLiteral("tcp"), QStringLiteral("serial")})
        if (line.startsWith(kind + QLatin1Char(':')))
            return LinkArgument{kind, line.mid(kind.size() + 1)};
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0)
        return LinkArgument{QStringLiteral("tcp"), line};
    QString kind = line.left(space);
    if (kind.startsWith(QLatin1String("--")))
        kind = kind.mid(2);
    if (kind != QLatin1String("tcp") && kind != QLatin1String("serial")) {
        error =
            QStringLiteral("not a link: %1 (HOST[:PORT], tcp HOST[:PORT], serial PORT, tcp:HOST[:PORT] or "
                           "serial:DEVICE[@BAUD])")
                .arg(line);
        return std::nullopt;
    }
    return LinkArgument{kind, line.mid(space + 1).trimmed()};
}

// Every mixer that answers the discovery within 2 s.
std::optional<QList<LinkArgument>> discovered(CommandRun &run, int &status) {
    Discovery discovery;
    DiscoveryModel model;
    QObject::connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    const QString error = discovery.start();
    if (!error.isEmpty()) {
        status = run.finish(ExitFailed, QStringLiteral("discovery: %1").arg(error));
        return std::nullopt;
    }
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    discovery.stop();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QList<LinkArgument> links;
    for (const DiscoveredMixer &m : model.mixers())
        links << LinkArgument{QStringLiteral("tcp"), m.address};
    return links;
}

// The links: the link options in their order, then the --targets files, then discovery.
std::optional<QList<LinkArgument>> linksGiven(CommandRun &run, int &status) {
    QList<LinkArgument> links = run.args.links;
    for (const QString &path : run.args.targets) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            status =
                run.fail(QStringLiteral("cannot read the targets file %1: %2").arg(path, file.errorString()));
            return std::nullopt;
        }
        for (int number = 1; !file.atEnd(); ++number) {
            QString error;
            if (const auto link = targetLine(QString::fromUtf8(file.readLine(4096)), error))
                links << *link;
            else if (!error.isEmpty()) {
                status = run.fail(QStringLiteral("%1 line %2: %3").arg(path).arg(number).arg(error));
                return std::nullopt;
            }
        }
    }
    if (run.args.discovered) {
        const auto found = discovered(run, status);
        if (!found)
            return std::nullopt;
        if (found->isEmpty() && links.isEmpty()) {
            status = run.finish(ExitFailed, QStringLiteral("no mixer answered the discovery within 2000 ms"));
            return std::nullopt;
        }
        links += *found;
    }
    if (links.isEmpty()) {
        status = run.usage(QStringLiteral("the targets name no mixer"));
        return std::nullopt;
    }
    return links;
}

// The mixers of --venue that --only names (all without it); nullopt after a message.
std::optional<QList<VenueMixer>> venueMixers(CommandRun &run, int &status) {
    Venue venue;
    QString error;
    if (!readVenueFile(run.args.venue, venue, error)) {
        status = run.fail(error);
        return std::nullopt;
    }
    QStringList names;
    for (const VenueMixer &m : venue.mixers)
        names << m.name;
    QStringList wanted;
    for (const QString &given : run.args.only) {
        if (names.contains(given)) { // a name with a comma
            wanted << given;
            continue;
        }
        for (const QString &part : given.split(QLatin1Char(','))) {
            if (!names.contains(part.trimmed())) {
                status = run.fail(QStringLiteral("--only: %1 has no mixer named \"%2\" (it has %3)")
                                      .arg(run.args.venue, part.trimmed(), names.join(QStringLiteral(", "))));
                return std::nullopt;
            }
            wanted << part.trimmed();
        }
    }
    QList<VenueMixer> chosen;
    for (const VenueMixer &m : venue.mixers)
        if (wanted.isEmpty() || wanted.contains(m.name))
            chosen << m;
    if (chosen.isEmpty()) {
        status = run.fail(QStringLiteral("%1 names no mixer").arg(run.args.venue));
        return std::nullopt;
    }
    return chosen;
}

// The mixers of the venue, each with its settings file. A link that cannot be looked up fails its
// mixer only.
std::optional<std::vector<Target>> venueTargets(CommandRun &run, int &status) {
    const std::optional<QList<VenueMixer>> mixers = venueMixers(run, status);
    if (!mixers)
        return std::nullopt;
    const bool talks = run.command.link != LinkUse::None;
    // read backs each mixer up into its settings file: one that an earlier mixer has too fails.
    const QStringList conflicts = run.command.name == QLatin1String("read")
                                      ? backUpConflicts(run.args.venue, *mixers)
                                      : QStringList(mixers->size(), QString());
    std::vector<Target> targets(size_t(mixers->size()));
    for (qsizetype i = 0; i < mixers->size(); ++i) {
        const VenueMixer &m = mixers->at(i);
        Target &t = targets[size_t(i)];
        t.problem = conflicts.at(i);
        t.mixer.name = m.name;
        t.linkKind = m.link.section(QLatin1Char(':'), 0, 0);
        if (!run.command.arguments.isEmpty())
            t.file = venueSettingsPath(run.args.venue, m);
    }
    if (talks) {
        lookUpAtOnce(mixers->size(), [&](qsizetype i) {
            const VenueMixer &m = mixers->at(i);
            Target &t = targets[size_t(i)];
            QString error;
            if (const std::optional<LinkSelection> link = LinkSelection::fromText(m.link, &error))
                t.mixer.link = *link;
            else if (t.problem.isEmpty())
                t.problem = QStringLiteral("%1: %2").arg(m.name, error);
            describeLink(t);
        });
    }
    return targets;
}

// The mixers of the link options, --targets and --discovered, with their names.
std::optional<std::vector<Target>> linkTargets(CommandRun &run, int &status) {
    const auto links = linksGiven(run, status);
    if (!links)
        return std::nullopt;
    const ParsedArguments &args = run.args;
    const auto refuse = [&](const QString &message) {
        status = run.usage(message);
        return std::nullopt;
    };
    std::vector<std::optional<LinkSelection>> selections(size_t(links->size()));
    std::vector<QString> errors(size_t(links->size()));
    lookUpAtOnce(links->size(), [&](qsizetype i) {
        ParsedArguments one;
        one.links = {links->at(i)};
        if (links->at(i).option == QLatin1String("serial"))
            one.baud = args.baud;
        selections[size_t(i)] = parseLink(one, errors[size_t(i)]);
    });
    std::vector<Target> targets;
    QSet<QString> names;
    for (size_t i = 0; i < selections.size(); ++i) {
        const std::optional<LinkSelection> &selection = selections[i];
        if (!selection)
            return refuse(errors[i]);
        Target t;
        t.mixer = BatchMixer{selection->where(), *selection};
        describeLink(t);
        if (names.contains(t.mixer.name))
            return refuse(QStringLiteral("%1 is named twice").arg(t.mixer.name));
        names.insert(t.mixer.name);
        targets.push_back(t);
    }
    if (!args.baud.isEmpty() &&
        std::none_of(targets.begin(), targets.end(), [](const Target &t) { return t.mixer.link.serial(); }))
        return refuse(QStringLiteral("--baud needs --serial"));
    return targets;
}

// The mixers with their names, and the files each writes; nullopt after a message.
std::optional<std::vector<Target>> targetsFor(CommandRun &run, int &status) {
    const ParsedArguments &args = run.args;
    const bool venue = !args.venue.isEmpty();
    std::optional<std::vector<Target>> targets = venue ? venueTargets(run, status) : linkTargets(run, status);
    if (!targets)
        return std::nullopt;
    const auto refuse = [&](const QString &message) {
        status = run.usage(message);
        return std::nullopt;
    };
    if (args.positional.contains(QStringLiteral("-")))
        return refuse(QStringLiteral("standard input cannot feed several mixers; name a file"));
    const bool reads = args.command == QLatin1String("read");
    if (reads && !venue && !hasPlaceholder(args.positional.value(0)))
        return refuse(QStringLiteral("with several mixers FILE needs {host}, {port} or {n} in its name "
                                     "(venue-{n}.hzc)"));
    QSet<QString> files;
    for (size_t i = 0; i < targets->size(); ++i) {
        Target &t = (*targets)[i];
        if (reads && !venue)
            t.file = expanded(args.positional.value(0), t, int(i) + 1);
        if (!args.logFile.isEmpty())
            t.logFile = logFileFor(args.logFile, t, int(i) + 1);
        // (A venue's mixers that share a settings file fail one by one: backUpConflicts.)
        for (const QString &file : {reads && !venue ? t.file : QString(), t.logFile}) {
            if (file.isEmpty())
                continue;
            if (files.contains(file))
                return refuse(
                    QStringLiteral("%1 would be written for two mixers; use {n} or {host} and {port}")
                        .arg(file));
            files.insert(file);
        }
    }
    return targets;
}

// ---- Running the command on each

// The command line one mixer's run sees: its own link, file and log file.
ParsedArguments argumentsFor(const ParsedArguments &args, const Target &t) {
    ParsedArguments one = args;
    one.links.clear();
    one.targets.clear();
    one.discovered = false;
    one.logFile = t.logFile;
    if (!args.venue.isEmpty() && !t.file.isEmpty())
        one.positional.prepend(t.file);
    else if (!t.file.isEmpty())
        one.positional[0] = t.file;
    return one;
}

MixerResult runOne(const Command &command, const ParsedArguments &args, Streams &streams,
                   MixerTaskContext &context) {
    BufferOutput out;
    BufferOutput quiet;
    // --log: every mixer's lines as they come, each led by its mixer's name.
    LinePrefixOutput logged(streams.err, context.mixer().name + QStringLiteral(": "));
    Streams own{out, args.log ? static_cast<OutputStream &>(logged) : quiet};
    CommandRun run(command, args, own);
    MixerResult result;
    result.exitStatus = run.execute(context);
    result.outcome = command.outcome(result.exitStatus);
    if (result.exitStatus != ExitSuccess)
        result.reason = run.reason();
    result.output = QString::fromUtf8(out.bytes());
    return result;
}

// Each mixer at once holds a socket or a serial port, its thread's wake-up descriptor and perhaps a
// log file: as many at once as the limit of open descriptors leaves room for.
int concurrentLimit() {
#ifndef _WIN32
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return std::max(1, int((std::min<rlim_t>(limit.rlim_cur, 1 << 20) - 64) / 3));
#endif
    return 0;
}

// Progress on a terminal, redrawn in place: one line per mixer (its state, its transfer's
// progress, its time) while they fit on a screen, else one line counting the mixers by state.
class ProgressLines {
public:
    static constexpr int kMostLines = 20;

    ProgressLines(const MixerBatch &batch, OutputStream &err)
        : m_batch(batch), m_err(err), m_states(batch.mixers().size()) {
        for (const BatchMixer &m : batch.mixers())
            m_width = std::max(m_width, int(m.name.size()));
        QObject::connect(&batch, &MixerBatch::mixerStarted, &m_timer,
                         [this](int i) { m_states[i].clock.start(); });
        QObject::connect(&batch, &MixerBatch::mixerProgress, &m_timer,
                         [this](int i, const QString &title, int done, int planned) {
                             m_states[i].progress =
                                 QStringLiteral("%1 %2/%3").arg(title).arg(done).arg(planned);
                         });
        QObject::connect(&batch, &MixerBatch::mixerFinished, &m_timer, [this](int i, const MixerResult &r) {
            m_states[i].result = outcomeWord(r.outcome);
            m_states[i].seconds = r.seconds;
        });
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { draw(); });
        draw();
        m_timer.start(500);
    }
    ~ProgressLines() { draw(); }

private:
    struct State {
        QElapsedTimer clock; // valid once the mixer began
        QString progress;
        QString result; // empty while running
        double seconds = 0;

        QString word() const {
            return !result.isEmpty() ? result
                   : clock.isValid() ? QStringLiteral("running")
                                     : QStringLiteral("waiting");
        }
    };

    void draw() {
        QString text = m_lines > 0 ? QStringLiteral("\033[%1A").arg(m_lines) : QString();
        if (m_states.size() > kMostLines) {
            QMap<QString, int> counts;
            for (const State &s : m_states)
                ++counts[s.word()];
            QStringList parts;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                parts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
            text += QStringLiteral("\r\033[K%1 mixers: %2\n")
                        .arg(m_states.size())
                        .arg(parts.join(QStringLiteral(", ")));
            m_lines = 1;
        } else {
            for (qsizetype i = 0; i < m_states.size(); ++i) {
                const State &s = m_states.at(i);
                const double seconds = !s.result.isEmpty() ? s.seconds
                                       : s.clock.isValid() ? s.clock.nsecsElapsed() / 1e9
                                                           : 0.0;
                const QString state = s.result.isEmpty() && !s.progress.isEmpty()
                                          ? QStringLiteral("running %1").arg(s.progress)
                                          : s.word();
                text += QStringLiteral("\r\033[K%1  %2 %3 s\n")
                            .arg(m_batch.mixers().at(i).name.leftJustified(m_width), state)
                            .arg(seconds, 0, 'f', 1);
            }
            m_lines = int(m_states.size());
        }
        m_err.print(text);
    }

    const MixerBatch &m_batch;
    OutputStream &m_err;
    QList<State> m_states;
    QTimer m_timer;
    int m_width = 0;
    int m_lines = 0; // lines drawn last time
};

QList<MixerResult> runTargets(const Command &command, const ParsedArguments &args,
                              const std::vector<Target> &targets, Streams &streams) {
    QList<BatchMixer> mixers;
    for (const Target &t : targets)
        mixers << t.mixer;
    MixerBatch batch(mixers, [&](MixerTaskContext &context) {
        const Target &t = targets[size_t(context.index())];
        if (t.problem.isEmpty())
            return runOne(command, argumentsFor(args, t), streams, context);
        MixerResult refused;
        refused.outcome = MixerOutcome::BadInput;
        refused.exitStatus = ExitUsage;
        refused.reason = t.problem;
        return refused;
    });
    batch.setMaxConcurrent(concurrentLimit());
    QEventLoop loop;
    QObject::connect(&batch, &MixerBatch::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    std::unique_ptr<ProgressLines> lines;
    if (streams.err.isTerminal() && !args.log)
        lines = std::make_unique<ProgressLines>(batch, streams.err);
    batch.start();
    loop.exec();
    batch.wait();
    QCoreApplication::processEvents(); // the last reports, for the progress lines
    return batch.results();
}

// ---- Summing up

int summarise(const Command &command, const ParsedArguments &args, const std::vector<Target> &targets,
              const QList<MixerResult> &results, Streams &streams) {
    int worst = ExitSuccess;
    int succeeded = 0;
    for (const MixerResult &r : results) {
        succeeded += r.exitStatus == ExitSuccess ? 1 : 0;
        worst = std::max(worst, r.exitStatus);
    }
    if (args.summaryJson) {
        QJsonArray list;
        for (size_t i = 0; i < targets.size(); ++i) {
            const Target &t = targets[i];
            const MixerResult &r = results.at(qsizetype(i));
            QJsonObject entry{{QStringLiteral("mixer"), t.mixer.name},
                              {QStringLiteral("link"), t.linkKind},
                              {QStringLiteral("result"), outcomeWord(r.outcome)},
                              {QStringLiteral("exit_status"), r.exitStatus},
                              {QStringLiteral("seconds"), qRound(r.seconds * 1000) / 1000.0},
                              {QStringLiteral("reason"), r.reason}};
            if (!t.file.isEmpty())
                entry.insert(QStringLiteral("file"), t.file);
            // verify --json: each mixer's document goes into the summary as its output.
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(r.output.toUtf8(), &error);
            if (error.error == QJsonParseError::NoError && document.isObject())
                entry.insert(QStringLiteral("output"), document.object());
            else
                entry.insert(QStringLiteral("output"), r.output);
            list.append(entry);
        }
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-mixers")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("command"), command.name},
                               {QStringLiteral("succeeded"), succeeded},
                               {QStringLiteral("failed"), int(targets.size()) - succeeded},
                               {QStringLiteral("mixers"), list}};
        streams.out.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    } else {
        int width = 5;
        for (const Target &t : targets)
            width = std::max(width, int(t.mixer.name.size()));
        QString text;
        for (size_t i = 0; i < targets.size(); ++i)
            for (const QString &line :
                 results.at(qsizetype(i)).output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                text += QStringLiteral("%1: %2\n").arg(targets[i].mixer.name, line);
        text += QStringLiteral("%1  %2  %3  %4\n")
                    .arg(QStringLiteral("MIXER").leftJustified(width), QStringLiteral("RESULT   "),
                         QStringLiteral("TIME     "), QStringLiteral("REASON"));
        for (size_t i = 0; i < targets.size(); ++i) {
            const MixerResult &r = results.at(qsizetype(i));
            text +=
                QStringLiteral("%1  %2  %3  %4")
                    .arg(targets[i].mixer.name.leftJustified(width), outcomeWord(r.outcome).leftJustified(9),
                         QStringLiteral("%1 s").arg(r.seconds, 0, 'f', 1).leftJustified(9), r.reason)
                    .trimmed() +
                QLatin1Char('\n');
        }
        streams.out.print(text);
    }
    if (worst != ExitSuccess)
        streams.err.print(QStringLiteral("hzmctl %1: %2 of %3 mixers failed\n")
                              .arg(command.name)
                              .arg(int(targets.size()) - succeeded)
                              .arg(targets.size()));
    return worst;
}

} // namespace

int runOnSeveralMixers(const Command &command, const ParsedArguments &args, Streams &streams) {
    CommandRun run(command, args, streams); // for the messages before any mixer runs
    int status = ExitUsage;
    const std::optional<std::vector<Target>> targets = targetsFor(run, status);
    if (!targets)
        return status;
    return summarise(command, args, *targets, runTargets(command, args, *targets, streams), streams);
}

} // namespace hzm::cli

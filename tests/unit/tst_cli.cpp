// hzmctl end to end: the executable against the simulated mixer over TCP and over its
// pseudo-terminal, with real settings files in a temporary folder. The slow cases (whole reads
// and sends, silent mixers) run as concurrent processes, each against a mixer of its own.
#include "SimServer.h"
#include "TcpPeer.h"
#include "TestFiles.h"

#include "PtyPair.h"

#include "cli/Command.h"
#include "files/SettingsFile.h"
#include "files/VenueFile.h"
#include "model/MixerSettings.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <functional>
#include <memory>

#include <unistd.h>

using namespace hzm;
using namespace hzm::sim;

namespace {

QString cliPath() {
    return QStringLiteral(HZM_BUILD_DIR "/hzmctl" HZM_EXE_SUFFIX);
}

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

QProcess *startCli(const QStringList &args, QObject *parent = nullptr) {
    auto *process = new QProcess(parent);
    process->setProgram(cliPath());
    process->setArguments(args);
    process->start();
    return process;
}

CliResult finishCli(QProcess &process, int timeoutMs = 60000) {
    CliResult r;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        r.err = QStringLiteral("(timed out)");
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err += QString::fromUtf8(process.readAllStandardError());
    return r;
}

CliResult runCli(const QStringList &args, int timeoutMs = 60000) {
    std::unique_ptr<QProcess> process(startCli(args));
    return finishCli(*process, timeoutMs);
}

// With standard input read from a file (an empty name: nothing at all).
CliResult runCli(const QStringList &args, const QString &input) {
    QProcess process;
    process.setProgram(cliPath());
    process.setArguments(args);
    process.setStandardInputFile(input.isEmpty() ? QProcess::nullDevice() : input);
    process.start();
    return finishCli(process);
}

std::unique_ptr<SimServer> startSim(bool tcp, bool pty, int baud = 9600) {
    SimOptions o;
    o.tcpPort = tcp ? 0 : -1;
    o.pty = pty;
    o.baudRate = baud;
    auto server = std::make_unique<SimServer>(o);
    if (!server->start())
        qWarning("simulated mixer: %s", qPrintable(server->errorString()));
    return server;
}

QStringList tcpLink(const SimServer &s) {
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(s.tcpPort())};
}
QStringList ptyLink(const SimServer &s) {
    return {QStringLiteral("--serial"), s.ptyPath(), QStringLiteral("--baud"),
            QString::number(s.options().baudRate)};
}

bool saveSettings(const QString &path, const MixerSettings &settings) {
    ModifiedFlag modified;
    return SaveSettingsFile(path, settings, modified);
}

bool loadSettings(const QString &path, MixerSettings &settings) {
    ModifiedFlag modified;
    return LoadSettingsFile(path, settings, modified);
}

// Settings that differ from the factory defaults in zone 3, input 2 and the system settings.
MixerSettings changedSettings() {
    MixerSettings s;
    s.zones[2].name = QStringLiteral("Bar");
    s.zones[2].level = 20;
    s.inputs[1].name = QStringLiteral("Jukebox");
    s.inputs[1].gain = 4;
    s.system.muteLevel = 33;
    return s;
}

QString optionNames(const QList<QCommandLineOption> &options, bool withValueOnly = false) {
    QStringList names;
    for (const QCommandLineOption &o : options)
        if (!withValueOnly || !o.valueName().isEmpty())
            names << QStringLiteral("--") + o.names().first();
    names.removeDuplicates();
    return names.join(QLatin1Char(' '));
}

// The lines of the bash completion that hold the declarations.
QStringList completionLines() {
    using cli::Command;
    QStringList commands, link, several, venue,
        valued{optionNames(cli::linkOptions() + cli::severalMixerOptions() + cli::venueOptions(), true)};
    QStringList perCommand;
    for (const Command *c : Command::all()) {
        commands << c->name;
        if (c->link != cli::LinkUse::None)
            link << c->name;
        if (c->severalMixers)
            several << c->name;
        if (!c->venueUse.isEmpty())
            venue << c->name;
        if (!optionNames(c->options, true).isEmpty())
            valued << optionNames(c->options, true);
        perCommand << QStringLiteral("[%1]=\"%2\"").arg(c->name, optionNames(c->options));
    }
    valued = valued.join(QLatin1Char(' ')).split(QLatin1Char(' '));
    valued.removeDuplicates();
    return QStringList{QStringLiteral("local commands=\"%1\"").arg(commands.join(QLatin1Char(' '))),
                       QStringLiteral("local link_commands=\"%1\"").arg(link.join(QLatin1Char(' '))),
                       QStringLiteral("local several_commands=\"%1\"").arg(several.join(QLatin1Char(' '))),
                       QStringLiteral("local link_options=\"%1\"").arg(optionNames(cli::linkOptions())),
                       QStringLiteral("local several_options=\"%1 --json\"")
                           .arg(optionNames(cli::severalMixerOptions())),
                       QStringLiteral("local venue_commands=\"%1\"").arg(venue.join(QLatin1Char(' '))),
                       QStringLiteral("local venue_options=\"%1\"").arg(optionNames(cli::venueOptions())),
                       QStringLiteral("local value_options=\"%1\"").arg(valued.join(QLatin1Char(' ')))} +
           perCommand;
}

// What the manual or the README says of each command, by name: the text from the line that
// names it to the next command's.
QMap<QString, QString> sectionsByCommand(const QString &text, const QRegularExpression &start) {
    QMap<QString, QString> sections;
    QString current;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = start.match(line);
        if (m.hasMatch())
            current = m.captured(1).replace(QLatin1String("\\-"), QLatin1String("-"));
        if (!current.isEmpty())
            sections[current] += line + QLatin1Char('\n');
    }
    return sections;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The files are there before any _data function runs, also when -datatags lists the rows
    // without running initTestCase (scripts/test-windows does).
    bool writeFixtures() {
        // Long enough for the settings-file reader, but a log, not settings.
        QByteArray log;
        for (int i = 0; i < 40; ++i)
            log += "12:00:00.000 tcp 127.0.0.1 <Z1.L14210,TV/>\r\n";
        return m_dir.isValid() && saveSettings(path(QStringLiteral("defaults.hzc")), MixerSettings()) &&
               saveSettings(path(QStringLiteral("changed.hzc")), changedSettings()) &&
               test::writeAll(path(QStringLiteral("garbage.hzc")), QByteArray("not a settings file\r\n")) &&
               test::writeAll(path(QStringLiteral("binary.hzc")), QByteArray("\x00\x01\xff\xfe", 4)) &&
               test::writeAll(path(QStringLiteral("log.hzc")), log);
    }
    const bool m_fixturesWritten = writeFixtures();

private slots:
    void initTestCase() {
        QVERIFY(m_fixturesWritten);
        QVERIFY2(QFile::exists(cliPath()), qPrintable(cliPath()));
    }

    // ---- Help and usage

    void help_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tool") << QStringList{"--help"} << "Usage: hzmctl [LINK] COMMAND";
        QTest::newRow("tool -h") << QStringList{"-h"} << "Exit status";
        const char *commands[] = {"version",  "read", "send",   "set-defaults", "reset",  "key",  "detect",
                                  "discover", "new",  "export", "show",         "verify", "diff", "apply"};
        for (const char *c : commands)
            QTest::newRow(c) << QStringList{QString::fromLatin1(c), "--help"}
                             << QStringLiteral(" %1").arg(QLatin1String(c));
        QTest::newRow("show documents its JSON")
            << QStringList{"show", "--help"} << "\"format\": \"hzm-settings\"";
        QTest::newRow("discover documents its JSON")
            << QStringList{"discover", "--help"} << "\"hzm-discovery\"";
        QTest::newRow("discover documents its port")
            << QStringList{"discover", "--help"} << "--discovery-port N";
    }
    void help() {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const CliResult r = runCli(args);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(expected), qPrintable(r.out));
        QVERIFY(r.err.isEmpty());
    }

    // The bash completion, the manual and the README name every command and option the program
    // declares: a command or option added without them fails here, saying what is missing.
    void documentsFollowTheDeclarations_data() {
        QTest::addColumn<QString>("document");
        QTest::newRow("bash completion") << "dist/bash-completion/hzmctl";
        QTest::newRow("manual") << "dist/man/hzmctl.1.in";
        QTest::newRow("README") << "README.md";
    }
    void documentsFollowTheDeclarations() {
        QFETCH(QString, document);
        const QString text = QString::fromUtf8(test::readAll(QStringLiteral(HZM_SOURCE_DIR "/") + document));
        QVERIFY(!text.isEmpty());
        QStringList missing;
        if (document.contains(QLatin1String("completion"))) {
            QStringList lines;
            for (const QString &line : text.split(QLatin1Char('\n')))
                lines << line.trimmed();
            for (const QString &line : completionLines())
                if (!lines.contains(line))
                    missing << line;
            QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\[[a-z-]+\\]="))).size(),
                     cli::Command::all().size());
        } else {
            const bool manual = document.contains(QLatin1String("man"));
            // The manual's entries under COMMANDS; the README's lines of its hzmctl block.
            const QString part =
                manual ? text.section(QStringLiteral(".SH COMMANDS"), 1).section(QStringLiteral(".SH "), 0, 0)
                       : text.section(QStringLiteral("## hzmctl"), 1).section(QStringLiteral("\n## "), 0, 0);
            const QMap<QString, QString> sections = sectionsByCommand(
                part, QRegularExpression(manual ? QStringLiteral("^\\.B[IR]? \"?([a-z\\\\-]+)")
                                                : QStringLiteral("^(?:\\| )?([a-z-]+) ")));
            for (const cli::Command *c : cli::Command::all()) {
                if (!sections.contains(c->name)) {
                    missing << c->name;
                    continue;
                }
                for (const QCommandLineOption &o : c->options) {
                    QString option = QStringLiteral("--") + o.names().first();
                    if (manual)
                        option.replace(QLatin1Char('-'), QLatin1String("\\-"));
                    if (!sections.value(c->name).contains(option))
                        missing << c->name + QLatin1Char(' ') + option;
                }
            }
            for (const QCommandLineOption &o :
                 cli::linkOptions() + cli::severalMixerOptions() + cli::venueOptions()) {
                QString option = QStringLiteral("--") + o.names().first();
                if (manual)
                    option.replace(QLatin1Char('-'), QLatin1String("\\-"));
                if (!text.contains(option))
                    missing << option;
            }
        }
        QVERIFY2(missing.isEmpty(),
                 qPrintable(document + QStringLiteral(" lacks:\n") + missing.join(QLatin1Char('\n'))));
    }

    void badUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString tcp = QStringLiteral("127.0.0.1:9");
        QTest::newRow("nothing") << QStringList{} << "no command";
        QTest::newRow("unknown command") << QStringList{"fly"} << "unknown command fly";
        QTest::newRow("control characters shown escaped")
            << QStringList{"fl\x1b[2Jy", "\x07"} << "unknown command fl\\x1b[2Jy";
        QTest::newRow("unknown option")
            << QStringList{"--tcp", tcp, "version", "--fast"} << "hzmctl version: Unknown option 'fast'.";
        QTest::newRow("option of another command")
            << QStringList{"show", "x.hzc", "--partial"} << "Unknown option 'partial'.";
        QTest::newRow("missing file argument") << QStringList{"--tcp", tcp, "read"} << "missing argument";
        QTest::newRow("extra argument") << QStringList{"new", "a.hzc", "b.hzc"} << "b.hzc";
        QTest::newRow("no link") << QStringList{"version"} << "--tcp";
        QTest::newRow("two links, one-mixer command")
            << QStringList{"--tcp", tcp, "--serial", "COM1", "key", "1234", "5678"} << "one mixer only";
        QTest::newRow("two mixers, one file name")
            << QStringList{"--tcp", tcp, "--tcp", "127.0.0.1:10", "read", "v.hzc"} << "{n}";
        QTest::newRow("bad rate") << QStringList{"--serial", "COM1", "--baud", "1234", "version"} << "1234";
        QTest::newRow("baud without serial")
            << QStringList{"--tcp", tcp, "--baud", "9600", "version"} << "--serial";
        QTest::newRow("bad port") << QStringList{"--tcp", "127.0.0.1:99999", "version"} << "99999";
        QTest::newRow("no host") << QStringList{"--tcp", ":4999", "version"} << "no host";
        QTest::newRow("port left out")
            << QStringList{"--tcp", "127.0.0.1:", "version"} << "no port after the colon in 127.0.0.1:";
        QTest::newRow("COM11") << QStringList{"--serial", "COM11", "version"} << "COM11";
        QTest::newRow("tcp value missing")
            << QStringList{"version", "--tcp"} << "Missing value after '--tcp'.";
        QTest::newRow("only output 13")
            << QStringList{"--tcp", tcp, "send", "f.hzc", "--only", "output", "13"} << "1 to 12";
        QTest::newRow("only input 0")
            << QStringList{"--tcp", tcp, "send", "f.hzc", "--only", "input", "0"} << "1 to 8";
        QTest::newRow("only output without number")
            << QStringList{"--tcp", tcp, "send", "f.hzc", "--only", "output"} << "needs a number";
        QTest::newRow("only nonsense")
            << QStringList{"--tcp", tcp, "send", "f.hzc", "--only", "zones"} << "zones";
        QTest::newRow("old key short")
            << QStringList{"--tcp", tcp, "key", "123", "5678"} << "Old Key invalid!";
        QTest::newRow("new key with 9")
            << QStringList{"--tcp", tcp, "key", "1234", "5679"} << "New Key invalid!";
        QTest::newRow("key with blank")
            << QStringList{"--tcp", tcp, "key", "1234", " 567"} << "New Key invalid!";
        QTest::newRow("detect over tcp") << QStringList{"--tcp", tcp, "detect"} << "--serial";
        QTest::newRow("show with a link") << QStringList{"--tcp", tcp, "show", "x.hzc"} << "without a link";
        QTest::newRow("discover timeout") << QStringList{"discover", "--timeout", "soon"} << "soon";
        QTest::newRow("discover broadcast") << QStringList{"discover", "--broadcast", "nowhere"} << "nowhere";
        QTest::newRow("discover broadcast of no interface")
            << QStringList{"discover", "--interface", "127.0.0.2", "--broadcast", "10.1.2.255"}
            << "10.1.2.255";
        QTest::newRow("absent serial port")
            << QStringList{"--serial", "/dev/hzm-no-such-port", "--baud", "9600", "version"}
            << "/dev/hzm-no-such-port";
        QTest::newRow("absent serial port, detect")
            << QStringList{"--serial", "/dev/hzm-no-such-port", "detect"} << "/dev/hzm-no-such-port";
    }
    void badUsage() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliResult r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    // Unreadable or invalid input files: exit 2, the file named, nothing sent to the mixer.
    void unreadableFiles_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        for (const char *command : {"show", "send", "verify", "export"}) {
            const QString c = QString::fromLatin1(command);
            QTest::newRow(qPrintable(c + " missing")) << c << "missing.hzc";
            QTest::newRow(qPrintable(c + " folder")) << c << ".";
            QTest::newRow(qPrintable(c + " garbage")) << c << "garbage.hzc";
            QTest::newRow(qPrintable(c + " binary")) << c << "binary.hzc";
        }
        // Only send looks at what the lines hold (filesTheDesktopProgramReads).
        QTest::newRow("send not settings") << "send"
                                           << "log.hzc";
    }
    void unreadableFiles() {
        QFETCH(QString, command);
        QFETCH(QString, file);
        auto server = startSim(true, false);
        const QString filePath = file == QLatin1String(".") ? m_dir.path() : path(file);
        QStringList args;
        if (command == QLatin1String("send") || command == QLatin1String("verify"))
            args << tcpLink(*server);
        args << command << filePath;
        if (command == QLatin1String("export"))
            args << path(QStringLiteral("never.txt"));
        const CliResult r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(filePath), qPrintable(r.err));
        QVERIFY(server->mixer().receivedBodies().isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("never.txt"))));
    }

    // hzmctl reads every file the desktop program reads: any header, anything after the 35th
    // line, short lines; show warns where a file is damaged. send refuses a file whose lines are no
    // settings (a text export, a log) or whose structure is damaged, naming the file and the line,
    // before anything goes to the mixer.
    void filesTheDesktopProgramReads_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("refusal"); // what send says; empty: it sends
        const QList<QByteArray> lines = test::readAll(path(QStringLiteral("changed.hzc"))).split('\n');
        QList<QByteArray> other = lines;
        other[0] = "SOMEONE ELSE'S MIXER CONFIG\r";
        other[1] = "\r";
        QVERIFY(test::writeAll(path(QStringLiteral("other header.hzc")), other.join('\n')));
        QTest::newRow("another product's header, an empty version line") << "other header.hzc"
                                                                         << "";
        QVERIFY(test::writeAll(path(QStringLiteral("trailing.hzc")),
                               test::readAll(path(QStringLiteral("changed.hzc"))) + "Caf\xE9\r\n" +
                                   QByteArray(2 * 1024 * 1024, ' ')));
        QTest::newRow("Latin-1 and 2 MB of spaces after the last line")
            << "trailing.hzc"
            << "is damaged, so nothing was sent: line 37: the file is larger";
        QList<QByteArray> shortLines = lines;
        shortLines[4] = "0000Zone 3          0001\r";
        shortLines[36 - 2] = shortLines[34].toLower();
        QVERIFY(test::writeAll(path(QStringLiteral("short.hzc")), shortLines.join('\n')));
        QTest::newRow("a short line, lower-case digits")
            << "short.hzc"
            << "is damaged, so nothing was sent: line 5: 24 characters where an output line has 56";
        QVERIFY(QProcess::execute(cliPath(), {"export", path(QStringLiteral("changed.hzc")),
                                              path(QStringLiteral("export.txt"))}) == 0);
        QTest::newRow("a text export") << "export.txt"
                                       << "is not a settings file: line 3";
        QTest::newRow("a log") << "log.hzc"
                               << "is not a settings file: line 3";
    }
    void filesTheDesktopProgramReads() {
        QFETCH(QString, file);
        QFETCH(QString, refusal);
        const QString filePath = path(file);
        MixerSettings expected;
        QVERIFY(loadSettings(filePath, expected)); // as the desktop program loads it

        CliResult r = runCli({"show", "--json", filePath});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, runCli({"show", "--json", "-"}, filePath).out);
        QCOMPARE(r.err.contains(QLatin1String("is damaged (line ")), !refusal.isEmpty());

        auto server = startSim(true, false);
        r = runCli(tcpLink(*server) + QStringList{"send", filePath, "--only", "system"});
        if (!refusal.isEmpty()) {
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(filePath + QLatin1Char(' ') + refusal), qPrintable(r.err));
            QVERIFY(server->mixer().receivedBodies().isEmpty());
            return;
        }
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(server->mixer().settings().system, expected.system);
    }

    // A damaged file never reaches a mixer: send and apply refuse it (exit 2) before anything
    // is sent, naming the line or the field; show still shows it, with a warning.
    void damagedFilesAreNeverSent_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("refusal");
        const QByteArray good = test::readAll(path(QStringLiteral("defaults.hzc")));
        QByteArray crOnly = good;
        crOnly.replace("\r\n", "\r");
        QVERIFY(test::writeAll(path(QStringLiteral("cr-only.hzc")), crOnly));
        QByteArray nul = good;
        nul[nul.indexOf("Zone 2") + 4] = '\0';
        QVERIFY(test::writeAll(path(QStringLiteral("name-with-nul.hzc")), nul));
        MixerSettings wide;
        wide.zones[0].minLevel = 200; // 00C8 in the file
        QVERIFY(saveSettings(path(QStringLiteral("range.hzc")), wide));
        for (const char *command : {"send", "apply"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, lone CRs").arg(command)))
                << "cr-only.hzc" << command << "is damaged, so nothing was sent: line 1";
            QTest::newRow(qPrintable(QStringLiteral("%1, a NUL in a name").arg(command)))
                << "name-with-nul.hzc" << command << "is damaged, so nothing was sent: line 4";
            QTest::newRow(qPrintable(QStringLiteral("%1, a value out of range").arg(command)))
                << "range.hzc" << command << "Zone 1 Minimum level: 200 is outside";
        }
    }
    void damagedFilesAreNeverSent() {
        QFETCH(QString, file);
        QFETCH(QString, command);
        QFETCH(QString, refusal);
        auto server = startSim(true, false);
        QStringList args = tcpLink(*server) << command << path(file);
        if (command == QLatin1String("send"))
            args << "--only"
                 << "output"
                 << "1";
        CliResult r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(refusal), qPrintable(r.err));
        QVERIFY(server->mixer().receivedBodies().isEmpty());
        r = runCli({"show", path(file)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.contains(QLatin1String("warning: ")), !file.startsWith(QLatin1String("range")));
    }

    // "-" is standard input for show, send, verify and export, and standard output for export.
    void standardStreams() {
        const QString changed = path(QStringLiteral("changed.hzc"));
        const QString exported = path(QStringLiteral("changed.txt"));
        QCOMPARE(runCli({"export", changed, exported}).exitCode, 0);
        CliResult r = runCli({"export", "-", "-"}, changed);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.toUtf8(), test::readAll(exported));
        QVERIFY(!QFile::exists(path(QStringLiteral("-"))));

        r = runCli({"show", "-"}, changed);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, runCli({"show", changed}).out);

        auto server = startSim(true, false);
        r = runCli(tcpLink(*server) + QStringList{"send", "-", "--only", "input", "2"}, changed);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(server->mixer().settings().inputs[1], changedSettings().inputs[1]);

        // Nothing usable on standard input: exit 2, and the message says where it looked.
        r = runCli({"show", "-"}, QString());
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QLatin1String("standard input")), qPrintable(r.err));
    }

    // Colours in the log only on a terminal, and never with NO_COLOR set.
    void colours_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("noColor");
        QTest::newRow("terminal") << true << false;
        QTest::newRow("terminal, NO_COLOR") << true << true;
        QTest::newRow("pipe") << false << false;
    }
    void colours() {
        QFETCH(bool, terminal);
        QFETCH(bool, noColor);
        auto server = startSim(true, false);
        test::PtyPair pty;
        QVERIFY(pty.isValid());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("NO_COLOR"));
        if (noColor)
            env.insert(QStringLiteral("NO_COLOR"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        if (terminal)
            process.setStandardErrorFile(pty.slavePath());
        process.start(cliPath(), tcpLink(*server) + QStringList{"--log", "version"});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray err = terminal ? pty.readFor(200) : process.readAllStandardError();
        QVERIFY2(err.contains("<SY,VQ/>"), err.constData());
        QCOMPARE(err.contains("\033[32m"), terminal && !noColor);
    }

    // A serial device the user may not open: the reason, and on Linux what to do about it.
    void serialPortWithoutPermission() {
#ifndef Q_OS_LINUX
        QSKIP("the advice is for Linux");
#else
        const QString device = path(QStringLiteral("ttyLOCKED"));
        QVERIFY(test::writeAll(device, QByteArray()));
        QStringList command{cliPath(), "--serial", device, "--baud", "9600", "version"};
        if (::geteuid() == 0) {
            // root may open anything: the tool runs as nobody, who may not open a root's 0600 file.
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("setpriv is needed to run the tool as another user");
            QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ExeGroup |
                                                            QFile::ExeOther));
            QVERIFY(QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner));
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
        } else {
            QVERIFY(QFile::setPermissions(device, {}));
        }
        QProcess process;
        process.start(command.takeFirst(), command);
        QVERIFY(process.waitForFinished(20000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(err.contains(QLatin1String("The COM port is currently in use or is not present.")),
                 qPrintable(err));
        QVERIFY2(
            err.contains(
                QStringLiteral("You may not use %1: on Linux your user belongs in the group").arg(device)),
            qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("sudo usermod -aG ")), qPrintable(err));
#endif
    }

    // ---- Files only

    void newShowExport() {
        const QString file = path(QStringLiteral("new.hzc"));
        QCOMPARE(runCli({"new", file}).exitCode, 0);
        MixerSettings loaded;
        QVERIFY(loadSettings(file, loaded));
        QVERIFY(loaded.sameConfiguration(MixerSettings()));

        CliResult r = runCli({"show", path(QStringLiteral("changed.hzc"))});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        for (const char *expected : {"Zone 3\n", "Bar", "-20 dB", "Group 4", "Input 2", "Jukebox", "+8 dB",
                                     "Mute", "1 on  2 off", "-33 dB", "Stereo"})
            QVERIFY2(r.out.contains(QLatin1String(expected)), expected);

        r = runCli({"show", "--json", path(QStringLiteral("changed.hzc"))});
        QCOMPARE(r.exitCode, 0);
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(root.value("format").toString(), QStringLiteral("hzm-settings"));
        QCOMPARE(root.value("format_version").toInt(), 1);
        const QJsonArray outputs = root.value("outputs").toArray();
        QCOMPARE(outputs.size(), 12);
        const QJsonObject zone3 = outputs.at(2).toObject();
        QCOMPARE(zone3.value("kind").toString(), QStringLiteral("zone"));
        QCOMPARE(zone3.value("number").toInt(), 3);
        QCOMPARE(zone3.value("name").toString(), QStringLiteral("Bar"));
        QCOMPARE(zone3.value("level_db").toInt(), -20);
        QCOMPARE(zone3.value("min_level_db").toString(), QStringLiteral("mute"));
        QCOMPARE(zone3.value("line_inputs").toArray().size(), 8);
        QCOMPARE(zone3.value("priority_input").toString(), QStringLiteral("none"));
        const QJsonObject group1 = outputs.at(8).toObject();
        QCOMPARE(group1.value("kind").toString(), QStringLiteral("group"));
        QCOMPARE(group1.value("enabled").toBool(true), false);
        QVERIFY(group1.value("members").toArray().isEmpty());
        QVERIFY(!group1.contains("treble_db"));
        const QJsonArray inputs = root.value("inputs").toArray();
        QCOMPARE(inputs.size(), 8);
        QCOMPARE(inputs.at(1).toObject().value("gain_db").toInt(), 8);
        QCOMPARE(root.value("system").toObject().value("mute_level_db").toInt(), -33);
        QCOMPARE(root.value("system").toObject().value("mic_priority_hold_s").toInt(), 3);

        const QString out = path(QStringLiteral("export.txt"));
        r = runCli({"export", path(QStringLiteral("changed.hzc")), out});
        QCOMPARE(r.exitCode, 0);
        QFile exported(out);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QByteArray text = exported.readAll();
        QVERIFY(text.startsWith("<Z1,L=Zone 1/>\r\n"));
        QVERIFY(text.contains("<Z3,L=Bar/>\r\n<Z3.MU,S1/>"));
        QVERIFY(text.contains("<L2,L=Jukebox/>\r\n"));
    }

    // A result that cannot be written (standard output on a full disk) is a failure, not success.
    void diff_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        const QString changed = path(QStringLiteral("changed.hzc"));
        const QString defaults = path(QStringLiteral("defaults.hzc"));
        const QStringList forward{"Zone 3 Name: \"Zone 3\" -> \"Bar\"", "Zone 3 Level: -61 dB -> -20 dB",
                                  "Input 2 Name: \"Input 2\" -> \"Jukebox\"", "Input 2 Gain: 0 dB -> +8 dB",
                                  "System Emergency mute level: 0 dB -> -33 dB"};
        QTest::newRow("differ") << QStringList{"diff", defaults, changed} << 1 << forward;
        QTest::newRow("--defaults") << QStringList{"diff", changed, "--defaults"} << 1 << forward;
        QTest::newRow("same") << QStringList{"diff", defaults, "--defaults"} << 0 << QStringList();
        QTest::newRow("unreadable") << QStringList{"diff", changed, path(QStringLiteral("garbage.hzc"))} << 2
                                    << QStringList();
        QTest::newRow("one file") << QStringList{"diff", changed} << 2 << QStringList();
    }
    void diff() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        const CliResult r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), lines);
        if (QLatin1String(QTest::currentDataTag()) != QLatin1String("--defaults"))
            return;
        const CliResult json =
            runCli(QStringList{"diff", "--json", path(QStringLiteral("changed.hzc")), "--defaults"});
        const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(root.value("format").toString(), QStringLiteral("hzm-diff"));
        const QJsonObject level = root.value("differences").toArray().at(1).toObject();
        QCOMPARE(level.value("left").toInt(), -61);
        QCOMPARE(level.value("right").toInt(), -20);
    }

    void fullStandardOutput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("show") << QStringList{"show", path(QStringLiteral("changed.hzc"))};
        QTest::newRow("show --json") << QStringList{"show", "--json", path(QStringLiteral("changed.hzc"))};
    }
    void fullStandardOutput() {
        QFETCH(QStringList, args);
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(cliPath(), args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QLatin1String("standard output")));
    }

    void unwritableTargets_data() {
        QTest::addColumn<QStringList>("args");
        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/x"));
        QTest::newRow("new") << QStringList{"new", nowhere};
        QTest::newRow("new over a folder") << QStringList{"new", m_dir.path()};
        QTest::newRow("export") << QStringList{"export", path(QStringLiteral("defaults.hzc")), nowhere};
        QTest::newRow("read") << QStringList{"--tcp", "127.0.0.1:9", "read", nowhere};
        QTest::newRow("export over its own settings file") << QStringList{
            "export", path(QStringLiteral("defaults.hzc")), m_dir.path() + QStringLiteral("/./defaults.hzc")};
    }
    void unwritableTargets() {
        QFETCH(QStringList, args);
        const CliResult r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(args.last()), qPrintable(r.err));
        MixerSettings kept;
        QVERIFY(loadSettings(path(QStringLiteral("defaults.hzc")), kept));
    }

    // ---- Short conversations over both links

    void linkCommands_data() {
        QTest::addColumn<bool>("overPty");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }
    void linkCommands() {
        QFETCH(bool, overPty);
        auto server = startSim(!overPty, overPty);
        QVERIFY(server->isRunning());
        const QStringList link = overPty ? ptyLink(*server) : tcpLink(*server);
        SimMixer &mixer = server->mixer();

        CliResult r = runCli(link + QStringList{"version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("1.05\n"));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));

        const QString changed = path(QStringLiteral("changed.hzc"));
        r = runCli(link + QStringList{"send", changed, "--only", "output", "3"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(mixer.settings().zones[2], changedSettings().zones[2]);
        QCOMPARE(mixer.settings().inputs[1], MixerSettings().inputs[1]); // only zone 3 went out

        r = runCli(link + QStringList{"send", changed, "--only", "input", "2"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(mixer.settings().inputs[1], changedSettings().inputs[1]);

        r = runCli(link + QStringList{"set-defaults"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(mixer.settings().sameConfiguration(MixerSettings()));

        r = runCli(link + QStringList{"reset"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(mixer.resetCount(), 1);

        // The key goes out once, masked in the log.
        mixer.clearLog();
        r = runCli(link + QStringList{"--log", "key", "1234", "5678"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(mixer.installerKey(), QStringLiteral("5678"));
        QCOMPARE(mixer.receivedBodies(), QStringList{"SY,K12345678"});
        QVERIFY2(r.err.contains(QLatin1String("<SY,K********/>")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1String("1234")) && !r.err.contains(QLatin1String("5678")));
        QVERIFY(r.out.isEmpty());

        // A wrong old key is refused: four attempts, then the failure.
        r = runCli(link + QStringList{"key", "1234", "8888"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(QLatin1String("Transfer failed.\n")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QLatin1String("refused <SY,K********/>")), qPrintable(r.err));
        QCOMPARE(mixer.installerKey(), QStringLiteral("5678"));
    }

    // The log shows every command and reply; refusals are retried.
    void logAndRetries() {
        auto server = startSim(true, false);
        server->mixer().refuseNext(QStringLiteral("SY,VQ"), 2);
        // The host may be given by name.
        const CliResult r =
            runCli({"--tcp", QStringLiteral("localhost:%1").arg(server->tcpPort()), "--log", "version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("1.05\n"));
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(0), QStringLiteral("<SY,VQ/>"));
        QVERIFY(lines.at(1).contains(QLatin1String("<!")));
        QCOMPARE(lines.at(4), QStringLiteral("<SY,VQ/>"));
        QVERIFY(lines.at(5).startsWith(QLatin1String("<sy,vq")));
    }

    // A failure counts only what the mixer accepted: the failing first command is not done.
    void failureCountsOnlyAcceptedCommands() {
        auto server = startSim(true, false);
        server->mixer().refuseNext(QStringLiteral("L1,L=Input 1"), 4);
        const QString file = path(QStringLiteral("count.hzc"));
        QCOMPARE(runCli({"new", file}).exitCode, 0);
        const CliResult r = runCli(tcpLink(*server) + QStringList{"send", file, "--only", "input", "1"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QLatin1String("stopped after 0 of 2 commands")), qPrintable(r.err));
    }

    // The installer keys can stay out of the process list: from a file or standard input.
    void keysFromFileOrStandardInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("--key-file") << QStringList{"key", "--key-file", path("keys.txt")} << QByteArray()
                                    << 0;
        QTest::newRow("--key-file -")
            << QStringList{"key", "--key-file", "-"} << QByteArray("1234\n5678\n") << 0;
        QTest::newRow("standard input") << QStringList{"key"} << QByteArray("  1234 5678\n") << 0;
        QTest::newRow("one key only") << QStringList{"key"} << QByteArray("1234\n") << 2;
        QTest::newRow("three words") << QStringList{"key"} << QByteArray("1234 5678 9\n") << 2;
        QTest::newRow("a third key on a line of its own")
            << QStringList{"key", "--key-file", "-"} << QByteArray("1234\n5678\n8888\n") << 2;
        QTest::newRow("invalid key read") << QStringList{"key"} << QByteArray("1234 5679\n") << 2;
        QTest::newRow("both ways") << QStringList{"key", "1234", "5678", "--key-file", "-"} << QByteArray()
                                   << 2;
        QTest::newRow("missing file")
            << QStringList{"key", "--key-file", path("none.txt")} << QByteArray() << 2;
    }
    void keysFromFileOrStandardInput() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QVERIFY(test::writeAll(path("keys.txt"), "1234 5678\n"));
        auto server = startSim(true, false);
        std::unique_ptr<QProcess> process(startCli(tcpLink(*server) + args));
        process->write(input);
        process->closeWriteChannel();
        const CliResult r = finishCli(*process);
        QCOMPARE(r.exitCode, exitCode);
        const QStringList bodies = server->mixer().receivedBodies();
        QCOMPARE(bodies, exitCode == 0 ? QStringList{"SY,K12345678"} : QStringList());
        QVERIFY(!r.err.contains(QLatin1String("1234")) || exitCode != 0);
    }

    // A version that is not digits and a point is printed as it came (escaped) with a warning.
    void oddVersionWarns_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("out");
        QTest::addColumn<bool>("warns");
        QTest::newRow("1.05") << QByteArray("<sy,vq v: 1.05/>") << "1.05\n" << false;
        QTest::newRow("10.2") << QByteArray("<sy,vq v: 10.2/>") << "10.2\n" << false;
        QTest::newRow("letters") << QByteArray("<sy,vq v: 1.x5/>") << "1.x5\n" << true;
        QTest::newRow("escape") << QByteArray("<sy,vq v: \x1b[2J/>") << "\\x1b[2J\n" << true;
        QTest::newRow("short") << QByteArray("<sy,vq v: />") << "/>\n" << true;
        QTest::newRow("NUL, no UTF-8")
            << QByteArray("<sy,vq v: \0\xC3(x/>", 16) << QString::fromUtf8("\\x00\xEF\xBF\xBD(x\n") << true;
    }
    void oddVersionWarns() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, out);
        QFETCH(bool, warns);
        hzm::test::TcpPeer peer;
        hzm::test::TcpPeer::Behaviour b;
        b.answer = [reply](const QByteArray &) { return reply; };
        peer.serve(b);
        const CliResult r =
            runCli({"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()), "--log", "version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err.contains(QLatin1String("warning")), warns);
        // The log shows the mixer's bytes escaped too: they never rewrite the terminal.
        QVERIFY2(!r.err.contains(QLatin1Char('\x1b')) && !r.err.contains(QChar(0)), qPrintable(r.err));
    }

    // Keys typed on a terminal: asked for one by one, never shown, the new one twice.
    void keysTypedOnATerminal_data() {
        QTest::addColumn<QByteArrayList>("typed");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("typed") << QByteArrayList{"1234", "5678", "5678"} << 0;
        QTest::newRow("repeated differently") << QByteArrayList{"1234", "5678", "5677"} << 2;
    }
    void keysTypedOnATerminal() {
        QFETCH(QByteArrayList, typed);
        QFETCH(int, exitCode);
        auto server = startSim(true, false);
        test::PtyPair terminal;
        QVERIFY(terminal.isValid());
        QProcess process;
        process.setStandardInputFile(terminal.slavePath());
        process.start(cliPath(), tcpLink(*server) + QStringList{"key"});
        QByteArray err;
        const QList<QByteArray> prompts{"Old key: ", "New key: ", "Repeat new key: "};
        for (int i = 0; i < prompts.size(); ++i) {
            QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).endsWith(prompts.at(i)), 10000);
            QVERIFY(terminal.write(typed.at(i) + '\n'));
        }
        const CliResult r = finishCli(process);
        QCOMPARE(r.exitCode, exitCode);
        const QByteArray shown = terminal.readFor(100);
        for (const QByteArray &key : typed)
            QVERIFY2(!shown.contains(key), shown.constData());
        QCOMPARE(server->mixer().receivedBodies(),
                 exitCode == 0 ? QStringList{"SY,K12345678"} : QStringList());
    }

    // A log that cannot be written is no success, and two mixers never share one log file.
    void logFileProblems_data() {
        QTest::addColumn<QString>("logFile");
        QTest::addColumn<int>("mixers");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("a full disk") << "/dev/full" << 1 << 1 << "cannot write the log file /dev/full";
        QTest::newRow("a folder") << "." << 1 << 2 << "cannot write the log file";
        QTest::newRow("one file for two mixers")
            << "log-{host}.log" << 2 << 2 << "would be written for two mixers";
    }
    void logFileProblems() {
        QFETCH(QString, logFile);
        QFETCH(int, mixers);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        std::vector<std::unique_ptr<SimServer>> sims;
        QStringList args;
        for (int i = 0; i < mixers; ++i) {
            sims.push_back(startSim(true, false));
            args << tcpLink(*sims.back());
        }
        const CliResult r =
            runCli(args + QStringList{"--log-file", logFile == "." ? m_dir.path() : logFile, "version"});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QLatin1String("QIODevice")), qPrintable(r.err)); // no warning of Qt's own
        if (exitCode == 2)
            QVERIFY(sims.front()->mixer().receivedBodies().isEmpty());
    }

    void transferFailures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused four times") << "refuse"
                                            << "refused <SY,SD/> 4 times";
        QTest::newRow("connection refused") << "closed"
                                            << "cannot open 127.0.0.1:";
        QTest::newRow("a reply no command was owed") << "stray"
                                                     << "a reply that no command was owed, at <";
    }
    void transferFailures() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        auto server = startSim(true, false);
        QStringList link = tcpLink(*server);
        hzm::test::TcpPeer peer;
        if (fault == QLatin1String("refuse")) {
            server->mixer().refuseNext(QStringLiteral("SY,SD"), 4);
        } else if (fault == QLatin1String("stray")) {
            // Every reply followed by a second one: the exchange has lost count, never success.
            hzm::test::TcpPeer::Behaviour b;
            b.answer = [](const QByteArray &) { return QByteArray("<ok/>"); };
            b.stray = "<ok/>";
            b.strayAfterMs = 50;
            peer.serve(b);
            link = QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port())};
        } else {
            const quint16 port = server->tcpPort();
            server->stop();
            link = QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(port)};
        }
        const bool stray = fault == QLatin1String("stray");
        const CliResult r = runCli(
            link + (stray ? QStringList{"send", path(QStringLiteral("changed.hzc")), "--only", "system"}
                          : QStringList{"set-defaults"}));
        QCOMPARE(r.exitCode, stray ? 3 : 1);
        QVERIFY2(r.err.startsWith(QLatin1String("Transfer failed.\n")), qPrintable(r.err));
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1String("127.0.0.1:")), 1); // the address named once
        QVERIFY(r.out.isEmpty());

        // verify tells a dead link (3) from drift (1).
        if (fault == QLatin1String("closed")) {
            const CliResult v =
                runCli(link + QStringList{"verify", "--json", path(QStringLiteral("changed.hzc"))});
            QCOMPARE(v.exitCode, 3);
            QVERIFY2(v.err.startsWith(QLatin1String("Transfer failed.\n")), qPrintable(v.err));
            QVERIFY(v.out.isEmpty());
        }
    }

    void discover() {
        SimOptions o;
        o.tcpPort = -1;
        o.discoveryPort = 0;
        o.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
        o.name = QStringLiteral("Lobby\x1b[2J\a\t1"); // a name that would rewrite the screen
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QStringList base{"discover",
                               "--interface",
                               "127.0.0.2",
                               "--broadcast",
                               "127.255.255.255",
                               "--discovery-port",
                               QString::number(server.discoveryPort()),
                               "--timeout",
                               "700"};

        CliResult r = runCli(base + QStringList{"--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(root.value("format").toString(), QStringLiteral("hzm-discovery"));
        const QJsonArray mixers = root.value("mixers").toArray();
        QCOMPARE(mixers.size(), 1);
        const QJsonObject m = mixers.at(0).toObject();
        QCOMPARE(m.value("address").toString(), QStringLiteral("127.0.0.2"));
        QCOMPARE(m.value("name").toString(), o.name); // JSON escapes it itself
        QCOMPARE(m.value("mac").toString(), o.macAddress);
        QCOMPARE(m.value("description").toString(), o.description);

        r = runCli(base);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(
            r.out,
            QStringLiteral("127.0.0.2\tLobby\\x1b[2J\\x07\\x091\t%1\t%2\n").arg(o.macAddress, o.description));

        // --broadcast on its own: the system chooses the route and the sender.
        r = runCli({"discover", "--broadcast", "127.255.255.255", "--discovery-port",
                    QString::number(server.discoveryPort()), "--timeout", "700"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(
            r.out,
            QStringLiteral("127.0.0.2\tLobby\\x1b[2J\\x07\\x091\t%1\t%2\n").arg(o.macAddress, o.description));

        // Nobody on that port: an empty list and exit status 1.
        quint16 silentPort = 0;
        {
            QUdpSocket s;
            QVERIFY(s.bind(QHostAddress::LocalHost, 0));
            silentPort = s.localPort();
        }
        QStringList quiet = base;
        quiet[6] = QString::number(silentPort);
        r = runCli(quiet + QStringList{"--json"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QJsonDocument::fromJson(r.out.toUtf8()).object().value("mixers").toArray().isEmpty());
        QVERIFY(r.err.contains(QLatin1String("no mixer answered")));
    }

    // ---- Long conversations, run side by side

    // Several mixers at once, one of them silent: the others finish at their own pace, the
    // whole run lasts no longer than the silent one's attempts, each mixer logs to a file of its
    // own, and the exit status says that not all succeeded.
    void manyMixers() {
        std::vector<std::unique_ptr<SimServer>> sims;
        for (int i = 0; i < 3; ++i)
            sims.push_back(startSim(true, false));
        sims[1]->mixer().neverAnswer(QStringLiteral("*"));
        QStringList args;
        for (const auto &sim : sims)
            args << tcpLink(*sim);
        const QString log = path(QStringLiteral("many.log"));
        QElapsedTimer clock;
        clock.start();
        const QDateTime started = QDateTime::currentDateTime();
        const CliResult r = runCli(args + QStringList{"--log-file", log, "version", "--json"});
        const double wall = clock.elapsed() / 1000.0;
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QLatin1String("1 of 3 mixers failed")), qPrintable(r.err));
        const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(root.value("format").toString(), QStringLiteral("hzm-mixers"));
        QCOMPARE(root.value("succeeded").toInt(), 2);
        const QJsonArray mixers = root.value("mixers").toArray();
        QCOMPARE(mixers.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject m = mixers.at(i).toObject();
            QCOMPARE(m.value("mixer").toString(), QStringLiteral("127.0.0.1:%1").arg(sims[i]->tcpPort()));
            if (i == 1) {
                QCOMPARE(m.value("result").toString(), QStringLiteral("failed"));
                QVERIFY2(m.value("reason").toString().contains(QLatin1String("no response from")),
                         qPrintable(m.value("reason").toString()));
                QVERIFY(wall < m.value("seconds").toDouble() + 1.5);
            } else {
                QCOMPARE(m.value("result").toString(), QStringLiteral("ok"));
                QCOMPARE(m.value("output").toString(), QStringLiteral("1.05\n"));
                // Answered at once, not after the silent mixer's attempts.
                const QList<LogEntry> heard = sims[i]->mixer().log();
                QVERIFY(!heard.isEmpty());
                QVERIFY(started.msecsTo(heard.first().time) < 1500);
                QVERIFY2(m.value("seconds").toDouble() < 1.5,
                         qPrintable(QString::number(m.value("seconds").toDouble())));
            }
            QFile file(path(QStringLiteral("many-%1.log").arg(i + 1)));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QVERIFY(file.readAll().startsWith("<SY,VQ/>\n"));
        }
    }

    // A site of five mixers through hzmctl --venue, one of them silent and one whose file
    // differs in two fields: verify finds each state, apply brings the four that answer to
    // their files and the silent one fails with its reason, read backs each up byte for byte
    // (the file it replaces kept as .bak), and the venue file saved again still runs.
    void venue() {
        const QString folder = path(QStringLiteral("site"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/settings")));
        std::vector<std::unique_ptr<SimServer>> sims;
        QStringList files;
        Venue venue;
        venue.name = QStringLiteral("Test site");
        for (int i = 0; i < 5; ++i) {
            sims.push_back(startSim(true, false));
            MixerSettings held = changedSettings();
            held.zones[0].name = QStringLiteral("Room %1").arg(i);
            sims.back()->mixer().setSettings(held);
            if (i == 3) {
                held.zones[2].level = 30;
                held.inputs[1].gain = 9;
            }
            const QString file = QStringLiteral("settings/room%1.hzc").arg(i);
            files << folder + QLatin1Char('/') + file;
            QVERIFY(saveSettings(files.last(), held));
            venue.mixers << VenueMixer{QStringLiteral("Room %1").arg(i),
                                       QStringLiteral("tcp:127.0.0.1:%1").arg(sims.back()->tcpPort()),
                                       file,
                                       {}};
        }
        sims[1]->mixer().neverAnswer(QStringLiteral("*"));
        const QString site = folder + QStringLiteral("/site.hzv");
        QString error;
        QVERIFY2(writeVenueFile(site, venue, error), qPrintable(error));

        // Each mixer's result word, and its entry.
        const auto mixers = [](const CliResult &r) {
            return QJsonDocument::fromJson(r.out.toUtf8()).object().value("mixers").toArray();
        };
        const auto words = [&](const CliResult &r) {
            QStringList list;
            for (const QJsonValue &m : mixers(r))
                list << m.toObject().value("mixer").toString() + QLatin1Char(' ') +
                            m.toObject().value("result").toString();
            return list;
        };
        const auto silentReason = [&](const CliResult &r) {
            return mixers(r).at(1).toObject().value("reason").toString();
        };

        CliResult r = runCli({"verify", "--venue", site, "--json"});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(words(r),
                 QStringList({"Room 0 ok", "Room 1 failed", "Room 2 ok", "Room 3 differs", "Room 4 ok"}));
        QVERIFY2(silentReason(r).contains(QLatin1String("no response from")), qPrintable(silentReason(r)));
        const QJsonObject differing = mixers(r).at(3).toObject();
        QCOMPARE(differing.value("file").toString(), files.at(3));
        QCOMPARE(differing.value("output").toObject().value("differences").toArray().size(), 2);

        r = runCli({"apply", "--venue", site, "--json"});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(words(r),
                 QStringList({"Room 0 ok", "Room 1 failed", "Room 2 ok", "Room 3 ok", "Room 4 ok"}));
        QVERIFY2(silentReason(r).contains(QLatin1String("no response from")), qPrintable(silentReason(r)));
        MixerSettings applied;
        QVERIFY(loadSettings(files.at(3), applied));
        QVERIFY(sims[3]->mixer().settings().sameConfiguration(applied));

        QList<QByteArray> before;
        for (const QString &file : files)
            before << test::readAll(file);
        r = runCli({"read", "--venue", site});
        QCOMPARE(r.exitCode, 1);
        for (int i = 0; i < 5; ++i) {
            if (i == 1) {
                QCOMPARE(test::readAll(files.at(i)), before.at(i)); // not touched
                QVERIFY(!QFile::exists(files.at(i) + QStringLiteral(".bak")));
                continue;
            }
            QCOMPARE(test::readAll(files.at(i)), settingsFileBytes(sims[i]->mixer().settings()));
            QCOMPARE(test::readAll(files.at(i) + QStringLiteral(".bak")), before.at(i));
        }

        // Saved again by the program and reopened: the same mixers, by name.
        Venue reopened;
        QVERIFY2(readVenueFile(site, reopened, error), qPrintable(error));
        const QString copy = folder + QStringLiteral("/copy.hzv");
        QVERIFY2(writeVenueFile(copy, reopened, error), qPrintable(error));
        r = runCli({"version", "--venue", copy, "--only", "Room 4,Room 0", "--json"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(words(r), QStringList({"Room 0 ok", "Room 4 ok"}));

        // Two mixers with one settings file: the first is backed up into it, the later one is
        // refused with why, as the Venue window does, and the file holds the first mixer's.
        reopened.mixers[4].settings = reopened.mixers[0].settings;
        const QString shared = folder + QStringLiteral("/shared.hzv");
        QVERIFY2(writeVenueFile(shared, reopened, error), qPrintable(error));
        r = runCli({"read", "--venue", shared, "--only", "Room 0,Room 4", "--json"});
        QVERIFY2(r.exitCode == 2, qPrintable(r.err));
        QCOMPARE(words(r), QStringList({"Room 0 ok", "Room 4 bad input"}));
        const QString why = mixers(r).at(1).toObject().value("reason").toString();
        QVERIFY2(why.contains(QLatin1String("is the settings file of Room 0 as well")), qPrintable(why));
        QCOMPARE(test::readAll(files.at(0)), settingsFileBytes(sims[0]->mixer().settings()));
    }

    void longConversations() {
        struct Case {
            QString name;
            std::unique_ptr<SimServer> server;
            std::unique_ptr<test::PtyPair> silentPty;
            QStringList args;
            int exitCode = 0;
            std::function<void(const CliResult &, Case &)> check;
            std::unique_ptr<QProcess> process;
        };
        std::vector<Case> cases;
        const QString demoFile = path(QStringLiteral("demo.hzc"));
        const QString changedFile = path(QStringLiteral("changed.hzc"));
        auto add = [&cases](QString name, std::unique_ptr<SimServer> server, int exitCode,
                            std::function<QStringList(SimServer &)> args,
                            std::function<void(const CliResult &, Case &)> check) {
            Case c;
            c.name = std::move(name);
            c.server = std::move(server);
            c.exitCode = exitCode;
            if (c.server)
                c.args = args(*c.server);
            c.check = std::move(check);
            cases.push_back(std::move(c));
        };
        auto demoSim = [](bool pty = false) {
            auto s = startSim(!pty, pty, 19200);
            s->mixer().setSettings(SimMixer::demoSettings());
            return s;
        };

        // Read all over TCP, saved; read over the pty (detecting the rate); a read that fails
        // part-way leaves no file, or with --partial what was read.
        add(
            "read tcp", demoSim(), 0,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"read", demoFile};
            },
            [&](const CliResult &, Case &c) {
                MixerSettings loaded;
                QVERIFY(loadSettings(demoFile, loaded));
                QVERIFY(loaded.sameConfiguration(c.server->mixer().settings()));
            });
        const QString ptyFile = path(QStringLiteral("pty.hzc"));
        add(
            "read pty, rate detected", demoSim(true), 0,
            [&](SimServer &s) {
                return QStringList{"--serial", s.ptyPath(), "read", ptyFile};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
                MixerSettings loaded;
                QVERIFY(loadSettings(ptyFile, loaded));
                QVERIFY(loaded.sameConfiguration(c.server->mixer().settings()));
            });
        const QString failedFile = path(QStringLiteral("failed.hzc"));
        add(
            "read refused part-way", demoSim(), 1,
            [&](SimServer &s) {
                s.mixer().refuseNext(QStringLiteral("Z3*"), 4);
                return tcpLink(s) + QStringList{"read", failedFile};
            },
            [&](const CliResult &r, Case &) {
                QVERIFY(r.err.startsWith(QLatin1String("Transfer failed.\n")));
                QVERIFY2(r.err.contains(QLatin1String("refused <Z3")), qPrintable(r.err));
                QVERIFY2(r.err.contains(QLatin1String("nothing written to ") + failedFile),
                         qPrintable(r.err));
                QVERIFY(!QFile::exists(failedFile));
            });
        const QString partialFile = path(QStringLiteral("partial.hzc"));
        add(
            "read silent part-way, partial", demoSim(), 1,
            [&](SimServer &s) {
                s.mixer().neverAnswer(QStringLiteral("Z3*"));
                return tcpLink(s) + QStringList{"read", partialFile, "--partial"};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.err.contains(QLatin1String("no response from")), qPrintable(r.err));
                QVERIFY2(r.err.contains(QLatin1String("saved what was read to ") + partialFile),
                         qPrintable(r.err));
                MixerSettings loaded;
                QVERIFY(loadSettings(partialFile, loaded));
                const MixerSettings demo = c.server->mixer().settings();
                QCOMPARE(loaded.zones[1], demo.zones[1]);            // read before the silence
                QCOMPARE(loaded.zones[3], MixerSettings().zones[3]); // never read
            });
        const QString droppedFile = path(QStringLiteral("dropped.hzc"));
        add(
            "read, connection closed part-way", demoSim(), 1,
            [&](SimServer &s) {
                FaultSettings faults;
                faults.dropAfterCommands = 30;
                s.mixer().setFaults(faults);
                return tcpLink(s) + QStringList{"read", droppedFile};
            },
            [&](const CliResult &r, Case &) {
                QVERIFY2(r.err.contains(QLatin1String("stopped after 30 of 239 commands")),
                         qPrintable(r.err));
                QVERIFY(!QFile::exists(droppedFile));
            });
        // verify: the same, and with differences.
        add("verify same", nullptr, 0, {}, {});
        cases.back().server = startSim(true, false);
        cases.back().server->mixer().setSettings(changedSettings());
        cases.back().args = tcpLink(*cases.back().server) + QStringList{"verify", changedFile};
        cases.back().check = [](const CliResult &r, Case &) {
            QVERIFY(r.out.isEmpty());
            QVERIFY(r.err.isEmpty());
        };
        add(
            "verify differs", startSim(true, false), 1,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"verify", changedFile};
            },
            [&](const CliResult &r, Case &) {
                const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                QCOMPARE(lines, QStringList({"Zone 3 Name: file \"Bar\", mixer \"Zone 3\"",
                                             "Zone 3 Level: file -20 dB, mixer -61 dB",
                                             "Input 2 Name: file \"Jukebox\", mixer \"Input 2\"",
                                             "Input 2 Gain: file +8 dB, mixer 0 dB",
                                             "System Emergency mute level: file -33 dB, mixer 0 dB"}));
                QVERIFY2(r.err.contains(QLatin1String("5 fields differ")), qPrintable(r.err));
            });
        // A mixer of version 1.04 reports no names, paging attenuation or mic gates: each is
        // listed as not readable, none counts as a difference, and nothing is written to it.
        add(
            "verify 1.04", startSim(true, false), 0,
            [&](SimServer &s) {
                MixerSettings renamed = changedSettings();
                renamed.zones[2].name = QStringLiteral("Other");
                renamed.system.pagingPriorityAttenuation = 3;
                s.mixer().setSettings(renamed);
                s.mixer().setSoftwareVersion(QStringLiteral("1.04"));
                return tcpLink(s) + QStringList{"verify", changedFile};
            },
            [](const CliResult &r, Case &c) {
                const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                QCOMPARE(lines.size(), 12 + 8 + 2);
                QVERIFY(lines.contains(
                    "Zone 3 Name: file \"Bar\", mixer not readable from software V1.04 or lower"));
                QVERIFY(lines.contains("System Paging priority attenuation: file -30 dB, mixer not readable "
                                       "from software V1.04 or lower"));
                const QStringList gates = lines.filter(QStringLiteral("System Mic gates: file "));
                QCOMPARE(gates.size(), 1);
                QVERIFY(
                    gates.at(0).endsWith(QLatin1String(", mixer not readable from software V1.04 or lower")));
                QVERIFY2(r.err.contains(QLatin1String("22 fields are not readable")), qPrintable(r.err));
                for (const QString &body : c.server->mixer().receivedBodies())
                    QVERIFY2(!body.startsWith(QLatin1String("PM,A")) || body == QLatin1String("PM,AQ"),
                             qPrintable(body));
                QCOMPARE(c.server->mixer().settings().system.pagingPriorityAttenuation, 3);
            });
        add(
            "verify --json", startSim(true, false), 1,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"verify", "--json", changedFile};
            },
            [&](const CliResult &r, Case &) {
                const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
                QCOMPARE(root.value("format").toString(), QStringLiteral("hzm-verify"));
                QCOMPARE(root.value("same").toBool(true), false);
                QVERIFY(root.value("not_readable").toArray().isEmpty());
                const QJsonArray list = root.value("differences").toArray();
                QCOMPARE(list.size(), 5);
                const QJsonObject level = list.at(1).toObject();
                QCOMPARE(level.value("label").toString(), QStringLiteral("Zone 3 Level"));
                QCOMPARE(level.value("field").toString(), QStringLiteral("level_db"));
                QCOMPARE(level.value("file").toInt(), -20);
                QCOMPARE(level.value("mixer").toInt(), -61);
            });
        // Read all on a 1.04 mixer writes the attenuation it holds: the factory value, said
        // first on standard error, or that of --base, whose names are kept.
        const QString oldFile = path(QStringLiteral("old.hzc"));
        add(
            "read 1.04", demoSim(), 0,
            [&](SimServer &s) {
                s.mixer().setSoftwareVersion(QStringLiteral("1.04"));
                return tcpLink(s) + QStringList{"read", oldFile};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.err.contains(
                             QLatin1String("paging-priority attenuation to the factory value (-30 dB)")),
                         qPrintable(r.err));
                QCOMPARE(c.server->mixer().settings().system.pagingPriorityAttenuation, 30);
            });
        const QString basedFile = path(QStringLiteral("based.hzc"));
        add(
            "read 1.04 --base", demoSim(), 0,
            [&](SimServer &s) {
                s.mixer().setSoftwareVersion(QStringLiteral("1.04"));
                MixerSettings base = changedSettings();
                base.system.pagingPriorityAttenuation = 7;
                saveSettings(path(QStringLiteral("base.hzc")), base);
                return tcpLink(s) +
                       QStringList{"read", basedFile, "--base", path(QStringLiteral("base.hzc"))};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
                QCOMPARE(c.server->mixer().settings().system.pagingPriorityAttenuation, 7);
                MixerSettings loaded;
                QVERIFY(loadSettings(basedFile, loaded));
                QCOMPARE(loaded.zones[2].name, QStringLiteral("Bar"));
                QCOMPARE(loaded.system.pagingPriorityAttenuation, 7);
                QCOMPARE(loaded.zones[0].level, c.server->mixer().settings().zones[0].level);
            });
        // apply sends only what differs; a mixer that refuses part-way keeps what went before,
        // and the outcome is a failed transfer (3), not a difference (1).
        add(
            "apply", startSim(true, false), 0,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"apply", changedFile};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.out.isEmpty() && r.err.isEmpty(), qPrintable(r.err));
                QVERIFY(c.server->mixer().settings().sameConfiguration(changedSettings()));
                const QStringList sets = c.server->mixer().receivedBodies().filter(QStringLiteral("="));
                QVERIFY2(sets.contains(QStringLiteral("Z3,L=Bar")), qPrintable(sets.join(' ')));
                QVERIFY2(sets.size() <= 6, qPrintable(sets.join(' '))); // not Send all's 200-odd
            });
        add(
            "apply refused part-way", startSim(true, false), 3,
            [&](SimServer &s) {
                s.mixer().refuseNext(QStringLiteral("L2,L=*"), 10);
                return tcpLink(s) + QStringList{"apply", changedFile};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY(r.err.startsWith(QLatin1String("Transfer failed.\n")));
                QVERIFY2(r.err.contains(QLatin1String("refused <L2,L=Jukebox")), qPrintable(r.err));
                QVERIFY2(r.err.contains(QLatin1String("may hold part of the changes")), qPrintable(r.err));
                const MixerSettings held = c.server->mixer().settings();
                QCOMPARE(held.zones[2].name, QStringLiteral("Bar"));               // sent before
                QCOMPARE(held.inputs[1].name, MixerSettings().inputs[1].name);     // refused
                QCOMPARE(held.system.muteLevel, MixerSettings().system.muteLevel); // never reached
            });
        add(
            "apply --dry-run", startSim(true, false), 0,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"apply", "--dry-run", changedFile};
            },
            [&](const CliResult &r, Case &c) {
                QVERIFY2(r.out.startsWith(QLatin1String("Z3,L=Bar\n")), qPrintable(r.out));
                QVERIFY(c.server->mixer().settings().sameConfiguration(MixerSettings()));
            });
        // Send all over TCP.
        add(
            "send all", startSim(true, false), 0,
            [&](SimServer &s) {
                return tcpLink(s) + QStringList{"send", changedFile};
            },
            [&](const CliResult &, Case &c) {
                QVERIFY(c.server->mixer().settings().sameConfiguration(changedSettings()));
            });
        // Detection on a line where nobody answers: the desktop program's warning.
        add("detect, no mixer", nullptr, 1, {}, [](const CliResult &r, Case &) {
            QVERIFY2(r.err.contains(QLatin1String("Unable to auto-detect baud rate, setting to 9600.")),
                     qPrintable(r.err));
            QVERIFY(r.out.isEmpty());
        });
        cases.back().silentPty = std::make_unique<test::PtyPair>();
        cases.back().args = QStringList{"--serial", cases.back().silentPty->slavePath(), "detect"};
        // Any command on such a line warns under its own name, then fails at 9600.
        add("version, no mixer", nullptr, 1, {}, [](const CliResult &r, Case &c) {
            QVERIFY2(r.err.contains(QStringLiteral("hzmctl version: %1: Unable to auto-detect baud rate")
                                        .arg(c.silentPty->slavePath())),
                     qPrintable(r.err));
            QVERIFY2(r.err.contains(QLatin1String("Transfer failed.")), qPrintable(r.err));
        });
        cases.back().silentPty = std::make_unique<test::PtyPair>();
        cases.back().args = QStringList{"--serial", cases.back().silentPty->slavePath(), "version"};
        add(
            "detect", startSim(false, true, 4800), 0,
            [&](SimServer &s) {
                return QStringList{"--serial", s.ptyPath(), "detect"};
            },
            [](const CliResult &r, Case &) { QCOMPARE(r.out, QStringLiteral("4800\n")); });

        for (Case &c : cases) {
            if (c.server)
                QVERIFY2(c.server->isRunning(), qPrintable(c.name));
            c.process.reset(startCli(c.args));
        }
        for (Case &c : cases) {
            const CliResult r = finishCli(*c.process, 240000);
            QVERIFY2(
                r.exitCode == c.exitCode,
                qPrintable(QStringLiteral("%1: exit %2, stderr: %3").arg(c.name).arg(r.exitCode).arg(r.err)));
            if (c.check) {
                c.check(r, c);
                if (QTest::currentTestFailed())
                    qWarning("in case %s", qPrintable(c.name));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

#include "files/SettingsFile.h"
#include "files/TextExport.h"
#include "link/CommandExchange.h"
#include "link/TCPComms.h"
#include "model/MixerSettings.h"
#include "protocol/DeviceCommands.h"

#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "SimServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <thread>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace hzm;

Q_DECLARE_METATYPE(hzm::MixerSettings)

namespace {

using test::readAll;
using test::writeAll;

MixerSettings customRecord() {
    MixerSettings s;
    s.inputs[0].name = QStringLiteral("Reception"); // nine characters
    s.inputs[3].name = QStringLiteral("Bar");
    s.inputs[5].gain = 0;
    s.zones[4].name = QStringLiteral("Terrace");
    s.zones[4].lineInputMask = 0x55;
    s.zones[4].sourceInput = 3;
    s.zones[9].sourceInput = 8; // a group with no input
    s.groups[1] = GroupSettings{0x0F, 1};
    s.zoneEq[2] = ZoneEq{0, 14, 3};
    s.system.muteSource = 10;
    s.system.powerUpMode = 0;
    return s;
}

} // namespace

class TestTextExport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void factoryDefaults() {
        const QString path = m_dir.filePath(QStringLiteral("Export.txt"));
        QString error;
        QVERIFY(ExportText(path, MixerSettings(), &error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes, readAll(QStringLiteral(HZM_FIXTURES_DIR "/protocol/send_all_defaults.txt")));

        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("/>\r\n"));
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();
        QCOMPARE(lines.size(), sendAllCommandCount(MixerSettings()));
        for (const QByteArray &line : lines)
            QVERIFY2(line.startsWith('<') && line.endsWith("/>\r") && line.count('\r') == 1,
                     line.constData());
        // Outputs first, then two lines per input, then the nineteen system commands.
        const int system = int(lines.size()) - sendSystemCommandCount();
        const int inputs = system - 2 * kInputCount;
        QCOMPARE(lines.at(inputs), QByteArray("<L1,L=Input 1/>\r"));
        QCOMPARE(lines.at(inputs + 1), QByteArray("<L1,G0/>\r"));
        const QRegularExpression inputCommand(QStringLiteral("^<L[1-8],"));
        auto isInput = [&](int i) { return inputCommand.match(QString::fromUtf8(lines.at(i))).hasMatch(); };
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(isInput(i), i >= inputs && i < system);
            if (isInput(i))
                QCOMPARE(lines.at(i).mid(2, 1).toInt(), (i - inputs) / 2 + 1);
        }
    }

    // The export holds exactly what Send all transmits to a mixer, in the same order.
    void sameAsSendAll_data() {
        QTest::addColumn<MixerSettings>("settings");
        QTest::newRow("factory defaults") << MixerSettings();
        QTest::newRow("changed record") << customRecord();
    }
    void sameAsSendAll() {
        QFETCH(MixerSettings, settings);
        sim::SimOptions options;
        options.tcpPort = 0;
        sim::SimServer server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        TCPComms link(server.tcpAddress(), server.tcpPort());
        link.setSleeper([](Pause, int) {});
        QVERIFY(link.Open());
        QVERIFY(sendAllCommands(settings, Exchange, link, nullptr));
        link.Close();
        const QStringList sent = server.mixer().receivedBodies();

        const QString path = m_dir.filePath(QStringLiteral("same.txt"));
        QVERIFY(ExportText(path, settings));
        QStringList lines = QString::fromUtf8(readAll(path)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), sent.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines.at(i), QStringLiteral("<%1/>").arg(sent.at(i)));
    }

    void nineCharacterInputName() {
        const QString path = m_dir.filePath(QStringLiteral("nine.txt"));
        QVERIFY(ExportText(path, customRecord()));
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.contains("\r\n<L1,L=Reception />\r\n<L1,G0/>\r\n"));
        QVERIFY(bytes.contains("\r\n<L4,L=Bar/>\r\n"));
    }

    void twoExportsAreIdentical() {
        const QString a = m_dir.filePath(QStringLiteral("a.txt"));
        const QString b = m_dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(ExportText(a, customRecord()));
        QVERIFY(ExportText(b, customRecord()));
        QVERIFY(!readAll(a).isEmpty());
        QCOMPARE(readAll(a), readAll(b));
    }

    void missingFolder() {
        const QString folder = m_dir.filePath(QStringLiteral("no such folder"));
        QString error;
        QVERIFY(!ExportText(folder + QStringLiteral("/Export.txt"), MixerSettings(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
    }

    // An export that cannot complete leaves the earlier file as it was and nothing else behind.
    void failedExportKeepsEarlierFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("disk full while writing") << "full";
        QTest::newRow("command too long to send") << "long";
        QTest::newRow("folder in place of the file") << "folder";
    }
    void failedExportKeepsEarlierFile() {
        QFETCH(QString, how);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("Export.txt"));
        QString earlierPath = target;
        if (how == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Export.txt")));
            earlierPath = dir.filePath(QStringLiteral("Export.txt/inside.txt"));
        }
        const QByteArray earlier = "<the earlier export/>\r\n";
        QVERIFY(writeAll(earlierPath, earlier));
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        MixerSettings settings;
        if (how == QLatin1String("long"))
            settings.inputs[6].name = QString(2000, QLatin1Char('n')); // more than a command may hold
        QString error;
        int result = -1;
        if (how == QLatin1String("full")) {
            FileSizeLimit limit(1000);
            result = ExportText(target, settings, &error);
        } else {
            result = ExportText(target, settings, &error);
        }
        QCOMPARE(result, 0);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(earlierPath), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
    }
    // A record saved ("save") or exported ("export") to path.
    static bool saveOrExport(const QString &what, const QString &path, QString *error) {
        if (what == QLatin1String("export"))
            return ExportText(path, customRecord(), error);
        ModifiedFlag modified;
        return SaveSettingsFile(path, customRecord(), modified, error);
    }
#ifdef Q_OS_WIN
    // The names Windows keeps for devices in every folder, and the device paths: a save or an
    // export writes to the device and creates no file; a folder fails at once.
    void targetsThatAreNoFile_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("succeeds");
        for (const char *what : {"save", "export"}) {
            const QString w = QString::fromLatin1(what);
            QTest::addRow("%s to NUL", what) << w << "NUL" << true;
            QTest::addRow("%s to nul in a folder", what) << w << "sub/nul" << true;
            QTest::addRow("%s to \\\\.\\NUL", what) << w << "\\\\.\\NUL" << true;
            QTest::addRow("%s to a folder", what) << w << "sub" << false;
        }
    }
    void targetsThatAreNoFile() {
        QFETCH(QString, what);
        QFETCH(QString, target);
        QFETCH(bool, succeeds);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QString error;
        const bool result = saveOrExport(what, target, &error);
        QDir::setCurrent(before);
        QCOMPARE(result, succeeds);
        QCOMPARE(error.isEmpty(), succeeds);
        const auto all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
        QCOMPARE(QDir(dir.path()).entryList(all), QStringList{QStringLiteral("sub")});
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(all), QStringList());
    }
#else
    // A save or an export onto something that is not a regular file writes to it directly and
    // leaves it what it was (a device stays a device, a pipe a pipe), reporting a write error as
    // a failure; what cannot be written (no reader on a pipe, a socket, a folder) fails at once.
    void targetsThatAreNoFile_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("succeeds");
        for (const char *what : {"save", "export"}) {
            const QString w = QString::fromLatin1(what);
            QTest::addRow("%s to /dev/null", what) << w << "/dev/null" << true;
            QTest::addRow("%s to /dev/full", what) << w << "/dev/full" << false;
            QTest::addRow("%s to a pipe being read", what) << w << "fifo+reader" << true;
            QTest::addRow("%s to a pipe nobody reads", what) << w << "fifo" << false;
            QTest::addRow("%s to a socket", what) << w << "socket" << false;
            QTest::addRow("%s to a folder", what) << w << "folder" << false;
        }
    }
    void targetsThatAreNoFile() {
        QFETCH(QString, what);
        QFETCH(QString, target);
        QFETCH(bool, succeeds);
        QTemporaryDir dir;
        QString path = target;
        std::thread reader;
        QByteArray received;
        int socketFd = -1;
        if (target.startsWith(QLatin1String("fifo"))) {
            path = dir.filePath(QStringLiteral("pipe"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            if (target.endsWith(QLatin1String("+reader"))) {
                const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
                QVERIFY(fd >= 0);
                reader = std::thread([fd, &received] {
                    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                    char buffer[4096];
                    for (int idle = 0; idle < 200;) {
                        pollfd p{fd, POLLIN, 0};
                        if (::poll(&p, 1, 10) <= 0) {
                            ++idle;
                            continue;
                        }
                        const ssize_t n = ::read(fd, buffer, sizeof buffer);
                        if (n <= 0) {
                            if (!received.isEmpty())
                                break; // the writer closed its end
                            ++idle;
                            continue;
                        }
                        received.append(buffer, int(n));
                    }
                    ::close(fd);
                });
            }
        } else if (target == QLatin1String("socket")) {
            path = dir.filePath(QStringLiteral("socket"));
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::strncpy(a.sun_path, QFile::encodeName(path).constData(), sizeof a.sun_path - 1);
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        } else if (target == QLatin1String("folder")) {
            path = dir.filePath(QStringLiteral("folder"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        }
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);

        QElapsedTimer timer;
        timer.start();
        QString error;
        const bool result = saveOrExport(what, path, &error);
        if (reader.joinable())
            reader.join();
        if (socketFd >= 0)
            ::close(socketFd);
        QCOMPARE(result, succeeds);
        QCOMPARE(error.isEmpty(), succeeds);
        QVERIFY(timer.elapsed() < 3000); // a pipe without a reader is no wait
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_ino, before.st_ino);
        if (target == QLatin1String("fifo+reader"))
            QVERIFY(received.startsWith(what == QLatin1String("save")
                                            ? QByteArray("\xEF\xBB\xBFORVANE HZM-1 CONFIG\r\n")
                                            : QByteArray("<Z1,L=")));
    }
#endif
};

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_files_export.moc"

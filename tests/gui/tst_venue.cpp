// The Venue window against five simulated mixers on loopback, in-process, driven as an installer
// would: a venue file opened at start, checked, applied, backed up, grown by discovery, reported,
// saved elsewhere and opened again; message boxes and file dialogs answered in advance.

#include "CompareDialog.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "Palettes.h"
#include "Translations.h"
#include "VenueMixerDialog.h"
#include "VenueWindow.h"

#include "SimServer.h"
#include "TestFiles.h"
#include "discovery/DiscoveryModel.h"
#include "files/SettingsFile.h"
#include "files/VenueFile.h"

#include <QAction>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace hzm;

class TestVenue : public QObject {
    Q_OBJECT

private slots:
    void checkApplyBackUpSaveReopen();
    void addDiscovered();
    void mixerDialogKeepsLink_data();
    void mixerDialogKeepsLink();

private:
    QStringList column(int column) const {
        QStringList cells;
        for (int row = 0; row < m_venue->model()->rowCount(); ++row)
            cells << m_venue->model()->index(row, column).data().toString();
        return cells;
    }
    void trigger(const char *name) {
        QAction *action = m_venue->findChild<QAction *>(QLatin1String(name));
        QVERIFY2(action && action->isEnabled(), name);
        action->trigger();
    }
    // Runs an action to its end; the window answers all the while.
    void runToEnd(const char *name) {
        QSignalSpy finished(m_venue, &VenueWindow::actionFinished);
        trigger(name);
        QVERIFY(m_venue->isRunning());
        QVERIFY(finished.wait(60000));
        QVERIFY(!m_venue->isRunning());
    }

    // With HZM_SCREENSHOT_DIR set, the window as the installer sees it, to be looked at.
    static void saveShot(QWidget *window, const char *name) {
        const QString dir = qEnvironmentVariable("HZM_SCREENSHOT_DIR");
        if (!dir.isEmpty() && QDir().mkpath(dir))
            QVERIFY(
                window->grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }

    VenueWindow *m_venue = nullptr;
};

void TestVenue::checkApplyBackUpSaveReopen() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Five mixers, each with a configuration of its own; the third never answers.
    const QStringList names = {QStringLiteral("Lobby"), QStringLiteral("Bar"), QStringLiteral("Spa"),
                               QStringLiteral("Pool"), QStringLiteral("Gym")};
    std::vector<std::unique_ptr<sim::SimServer>> sims;
    QList<MixerSettings> held;
    QJsonArray mixers;
    for (int i = 0; i < names.size(); ++i) {
        sim::SimOptions options;
        options.tcpPort = 0;
        sims.push_back(std::make_unique<sim::SimServer>(options));
        QVERIFY2(sims.back()->start(), qPrintable(sims.back()->errorString()));
        MixerSettings settings = sim::SimMixer::demoSettings();
        settings.zones[0].name = names[i];
        sims.back()->mixer().setSettings(settings);
        held << settings;
        // Each mixer's file holds what it holds, except the bar's: two fields differ.
        MixerSettings file = settings;
        if (i == 1) {
            file.zones[1].level = (settings.zones[1].level + 1) % 62;
            file.inputs[2].name = QStringLiteral("Karaoke");
        }
        QVERIFY(test::writeAll(dir.filePath(names[i].toLower() + QStringLiteral(".hzc")),
                               settingsFileBytes(file)));
        mixers.append(QJsonObject{
            {QStringLiteral("name"), names[i]},
            {QStringLiteral("link"), QStringLiteral("tcp:127.0.0.1:%1").arg(sims.back()->tcpPort())},
            {QStringLiteral("settings"), names[i].toLower() + QStringLiteral(".hzc")}});
    }
    sims[2]->mixer().neverAnswer(QStringLiteral("*"));
    const QString venuePath = dir.filePath(QStringLiteral("grand.hzv"));
    QVERIFY(test::writeAll(venuePath,
                           QJsonDocument(QJsonObject{{QStringLiteral("format"), QStringLiteral("hzm-venue")},
                                                     {QStringLiteral("format_version"), 1},
                                                     {QStringLiteral("name"), QStringLiteral("Grand Hotel")},
                                                     {QStringLiteral("installer"), QStringLiteral("J. Doe")},
                                                     {QStringLiteral("mixers"), mixers}})
                               .toJson()));

    // hzm-utility grand.hzv: the venue at start, and no port prompt.
    ScriptedMessageBoxes boxes;
    MainWindow main(boxes);
    main.setSleeper([](Pause, int) {});
    main.openAtStart(venuePath);
    main.show();
    QTRY_VERIFY(main.venueWindow() && main.venueWindow()->isVisible());
    m_venue = main.venueWindow();
    QVERIFY(main.isEnabled());
    QCOMPARE(column(VenueModel::NameColumn), names);
    QCOMPARE(column(VenueModel::StateColumn), QStringList(5, QStringLiteral("Not checked")));

    // Check: three in step, the bar two fields off, the spa silent.
    runToEnd("actionCheck");
    const QString silent = QStringLiteral("Failed: no reply");
    QCOMPARE(column(VenueModel::StateColumn),
             (QStringList{QStringLiteral("In step"), QStringLiteral("2 fields differ"), silent,
                          QStringLiteral("In step"), QStringLiteral("In step")}));
    QCOMPARE(column(VenueModel::VersionColumn), (QStringList{"1.05", "1.05", "", "1.05", "1.05"}));
    QVERIFY(!column(VenueModel::CheckedColumn).at(0).isEmpty());
    QVERIFY(column(VenueModel::CheckedColumn).at(2).isEmpty());
    QList<VenueMixerStatus> checked;
    for (int row = 0; row < 5; ++row)
        checked << m_venue->model()->status(row);
    saveShot(m_venue, "venue-light");
    QApplication::setPalette(test::darkPalette());
    QCoreApplication::processEvents();
    saveShot(m_venue, "venue-dark");
    QApplication::setPalette(test::lightPalette());
    // The report as CSV: mixer, state, differing fields.
    boxes.queuePath(dir.filePath(QStringLiteral("report.csv")));
    trigger("actionSaveReport");
    const QByteArray csv = test::readAll(dir.filePath(QStringLiteral("report.csv")));
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                           "Mixer,State,Differing fields,Software,Last checked\r\n"));
    const QStringList report = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    QVERIFY2(report.at(2).startsWith(QStringLiteral("Bar,2 fields differ,Zone 2 Level; Input 3 Name,1.05,")),
             qPrintable(report.at(2)));
    QCOMPARE(report.at(3), QStringLiteral("Spa,") + silent + QStringLiteral(",,,"));
    // Every line of the log names its mixer.
    const QStringList log = main.logWindow()->text().split(QLatin1Char('\n'));
    for (const QString &name : names)
        QVERIFY2(log.contains(name + QStringLiteral(": <SY,VQ/>")), qPrintable(name));
    for (const QString &line : log)
        QVERIFY2(std::any_of(names.begin(), names.end(),
                             [&](const QString &n) { return line.startsWith(n + QStringLiteral(": ")); }),
                 qPrintable(line));

    // The bar alone: its differences, then its file and link in the main window.
    m_venue->table()->selectRow(1);
    QString summary;
    m_venue->setDialogHook([&](QDialog *dialog) {
        summary = qobject_cast<CompareDialog *>(dialog)->summary();
        dialog->reject();
    });
    trigger("actionShowDifferences");
    m_venue->setDialogHook({});
    QVERIFY2(summary.startsWith(QStringLiteral("2 fields differ")), qPrintable(summary));
    trigger("actionOpenMixer");
    QCOMPARE(main.savePath(), dir.filePath(QStringLiteral("bar.hzc")));
    QCOMPARE(main.linkSelection().toText(), m_venue->model()->mixer(1).link);
    QCOMPARE(main.settings().inputs[2].name, QStringLiteral("Karaoke"));
    m_venue->table()->clearSelection();

    // Apply asks first, then brings the bar to its file; the spa still fails, saying why.
    boxes.clear();
    boxes.queueAnswer(true);
    runToEnd("actionApply");
    QCOMPARE(boxes.shown().first().kind, MessageBoxes::Kind::Question);
    QCOMPARE(boxes.shown().first().text,
             QStringLiteral(
                 "Apply the settings files to 5 mixers ?\nThe last check found 2 commands to send "
                 "to 1 mixer.\nNot checked: 1 mixer. Such a mixer is read first and sent what differs."));
    QCOMPARE(column(VenueModel::StateColumn),
             (QStringList{QStringLiteral("In step"), QStringLiteral("In step"), silent,
                          QStringLiteral("In step"), QStringLiteral("In step")}));
    MixerSettings barFile;
    QVERIFY(parseSettingsFile(test::readAll(dir.filePath(QStringLiteral("bar.hzc"))), barFile));
    QVERIFY(sims[1]->mixer().settings().sameConfiguration(barFile));

    // Back Up: what each mixer holds, byte for byte, the old file kept as .bak; the spa's file
    // stays as it was.
    MixerSettings changed = held[0];
    changed.zones[2].name = QStringLiteral("Terrace");
    sims[0]->mixer().setSettings(changed);
    QByteArray before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = test::readAll(dir.filePath(names[i].toLower() + QStringLiteral(".hzc")));
    runToEnd("actionBackUp");
    for (int i = 0; i < 5; ++i) {
        const QString file = dir.filePath(names[i].toLower() + QStringLiteral(".hzc"));
        QCOMPARE(test::readAll(file), i == 2 ? before[i] : settingsFileBytes(sims[i]->mixer().settings()));
        QCOMPARE(QFile::exists(file + QStringLiteral(".bak")), i != 2);
        if (i != 2)
            QCOMPARE(test::readAll(file + QStringLiteral(".bak")), before[i]);
    }
    QVERIFY(test::readAll(dir.filePath(QStringLiteral("lobby.hzc"))) != before[0]);

    // Stop: the slow mixer stops after its command under way and says how far it got.
    sims[4]->mixer().setFaults([] {
        sim::FaultSettings f;
        f.replyDelayMs = 100;
        return f;
    }());
    m_venue->table()->selectRow(4);
    QSignalSpy finished(m_venue, &VenueWindow::actionFinished);
    trigger("actionCheck");
    QTRY_VERIFY(m_venue->model()->status(4).done >= 2);
    saveShot(m_venue, "venue-running");
    trigger("actionStop");
    QVERIFY(finished.wait(10000));
    QVERIFY2(column(VenueModel::StateColumn).at(4).startsWith(QStringLiteral("Stopped: after ")),
             qPrintable(column(VenueModel::StateColumn).at(4)));
    sims[4]->mixer().clearFaults();
    m_venue->table()->clearSelection();

    // Saved in another folder: the files are still found (shown with the system's separators, kept
    // with "/" in the file on every system), and what the program does not know is kept. Opened
    // again, the venue is the same.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("copy")));
    const QString copy = dir.filePath(QStringLiteral("copy/grand.hzv"));
    boxes.clear();
    boxes.queuePath(copy);
    trigger("actionSaveVenueAs");
    QVERIFY(!m_venue->isModified());
    QStringList relative;
    for (const QString &name : names)
        relative << QStringLiteral("../") + name.toLower() + QStringLiteral(".hzc");
    QStringList shown;
    for (const QString &file : relative)
        shown << QDir::toNativeSeparators(file);
    QCOMPARE(column(VenueModel::SettingsColumn), shown);
    const QJsonObject saved = QJsonDocument::fromJson(test::readAll(copy)).object();
    QStringList kept;
    for (const QJsonValue &mixer : saved.value(QStringLiteral("mixers")).toArray())
        kept << mixer.toObject().value(QStringLiteral("settings")).toString();
    QCOMPARE(kept, relative);
    QCOMPARE(saved.value(QStringLiteral("installer")).toString(), QStringLiteral("J. Doe"));
    const QStringList links = column(VenueModel::LinkColumn);
    const QStringList files = column(VenueModel::SettingsColumn);
    boxes.queuePath(copy);
    trigger("actionOpenVenue");
    QCOMPARE(column(VenueModel::NameColumn), names);
    QCOMPARE(column(VenueModel::LinkColumn), links);
    QCOMPARE(column(VenueModel::SettingsColumn), files);
    QCOMPARE(column(VenueModel::StateColumn), QStringList(5, QStringLiteral("Not checked")));
    QCOMPARE(boxes.unexpected(), 0);

    // The window in German, with the states of the first check.
    QVERIFY(installTranslations(qApp, QLocale(QStringLiteral("de_DE"))).contains(QStringLiteral("hzm_de")));
    VenueWindow german(main, boxes);
    QVERIFY(german.openVenue(venuePath));
    for (int row = 0; row < 5; ++row)
        german.model()->setStatus(row, checked[row]);
    german.show();
    saveShot(&german, "venue-de");
}

// Add Discovered: a mixer answering on its own loopback address joins with its device name, and
// its settings file lies beside the venue's.
void TestVenue::addDiscovered() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Venue venue;
    venue.mixers << VenueMixer{QStringLiteral("Lobby"), QStringLiteral("tcp:127.0.0.1:4001"),
                               QStringLiteral("settings/lobby.hzc"), {}};
    const QString venuePath = dir.filePath(QStringLiteral("grand.hzv"));
    QString error;
    QVERIFY2(writeVenueFile(venuePath, venue, error), qPrintable(error));
    ScriptedMessageBoxes boxes;
    MainWindow main(boxes);
    main.openAtStart(venuePath);
    main.show();
    QTRY_VERIFY(main.venueWindow() && main.venueWindow()->isVisible());
    m_venue = main.venueWindow();

    sim::SimOptions options;
    options.tcpPort = 0;
    options.bindAddress = QHostAddress(QStringLiteral("127.0.0.2"));
    options.discoveryPort = 0;
    options.discoveryFrom = options.bindAddress;
    sim::SimServer found(options);
    QVERIFY2(found.start(), qPrintable(found.errorString()));
    main.setDiscoveryInterfaces(
        {DiscoveryInterface::fromText(QStringLiteral("127.0.0.2"), QStringLiteral("255.0.0.0"))},
        found.discoveryPort());
    m_venue->setDialogHook([&](QDialog *dialog) {
        auto *discovered = qobject_cast<DiscoveredMixersDialog *>(dialog);
        QVERIFY(discovered);
        // Closed when a check fails, or the window would wait on it for ever.
        const auto close = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        QTRY_COMPARE(discovered->model()->rowCount(), 1);
        discovered->tcpPortEdit()->setText(QString::number(found.tcpPort()));
        discovered->addButton()->click();
    });
    trigger("actionAddDiscovered");
    m_venue->setDialogHook({});
    QCOMPARE(m_venue->model()->rowCount(), 2);
    const VenueMixer &added = m_venue->model()->mixer(1);
    QCOMPARE(added.name, QStringLiteral("HZM1e-SIM"));
    QCOMPARE(added.link, QStringLiteral("tcp:127.0.0.2:%1").arg(found.tcpPort()));
    QCOMPARE(added.settings, QStringLiteral("HZM1e-SIM.hzc"));
    QVERIFY(m_venue->isModified());
}

// Edit Mixer shows a link as the Port menu's choices, and OK gives the same link back; a taken
// name is refused.
void TestVenue::mixerDialogKeepsLink_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("back");
    QTest::addColumn<int>("choice");
    const auto row = [](const char *link, const char *back, int choice) {
        QTest::newRow(link) << QString::fromLatin1(link) << QString::fromLatin1(back) << choice;
    };
    row("tcp:127.0.0.1:4001", "tcp:127.0.0.1:4001", VenueMixerDialog::kEthernetChoice);
    row("tcp:[::1]:4999", "tcp:[::1]:4999", VenueMixerDialog::kEthernetChoice);
    row("tcp:mixer.local", "tcp:mixer.local:4999", VenueMixerDialog::kEthernetChoice);
    row("serial:COM3", "serial:COM3", 2);
    row("serial:com10@19200", "serial:COM10@19200", 9);
    row("serial:COM12", "serial:COM12", VenueMixerDialog::kOtherSerialChoice);
    row("serial:/dev/ttyUSB0@9600", "serial:/dev/ttyUSB0@9600", VenueMixerDialog::kOtherSerialChoice);
}

void TestVenue::mixerDialogKeepsLink() {
    QFETCH(QString, link);
    QFETCH(QString, back);
    QFETCH(int, choice);
    ScriptedMessageBoxes boxes;
    VenueMixerDialog dialog(QStringLiteral("Edit Mixer"), boxes, QString(), nullptr);
    dialog.setTakenNames({QStringLiteral("Bar")});
    dialog.setMixer(QStringLiteral("bar"), link, QStringLiteral("bar.hzc"));
    QCOMPARE(dialog.portChoice()->currentIndex(), choice);
    QCOMPARE(dialog.linkText(), back);
    if (choice >= VenueMixerDialog::kEthernetChoice)
        saveShot(&dialog,
                 choice == VenueMixerDialog::kEthernetChoice ? "venue-mixer-tcp" : "venue-mixer-serial");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.last()->kind, MessageBoxes::Kind::Error);
    dialog.nameEdit()->setText(QStringLiteral("Lobby"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestVenue)
#include "tst_venue.moc"

// The German translation: installed for a German locale only, it reaches the window's menus,
// pages, buttons and the texts the core hands to the window (messages, the readable settings).
// The .ts file has no text left untranslated, every translation keeps its placeholders and its
// one accelerator, and the German help follows the English line for line.

#include "MainWindow.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "PageControls.h"
#include "SystemPage.h"
#include "Translations.h"

#include "model/MixerSettings.h"
#include "model/SettingsView.h"
#include "protocol/DeviceCommands.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QXmlStreamReader>
#include <QtTest>

using namespace hzm;

namespace {

// The letter after the single '&' of a text ("&&" is a plain ampersand), or a null QChar.
QChar mnemonic(const QString &text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return QChar();
}

int mnemonicCount(const QString &text) {
    return int(text.count(QLatin1Char('&'))) - 2 * int(text.count(QStringLiteral("&&")));
}

QStringList placeholders(const QString &text) {
    static const QRegularExpression number(QStringLiteral("%[0-9]"));
    QStringList found;
    for (auto it = number.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

private slots:
    // English, the C locale and a language the program is not translated into keep the source
    // texts: nothing is installed.
    void englishInstallsNothing_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << QStringLiteral("C");
        QTest::newRow("en_US") << QStringLiteral("en_US");
        QTest::newRow("en_GB") << QStringLiteral("en_GB");
        // No translation of the program: Qt's buttons stay English too, not half French.
        QTest::newRow("fr_FR") << QStringLiteral("fr_FR");
    }
    void englishInstallsNothing() {
        QFETCH(QString, locale);
        QCOMPARE(installTranslations(qApp, QLocale(locale)), QStringList());
        QCOMPARE(QCoreApplication::translate("hzm::MainWindow", "&File"), QStringLiteral("&File"));
    }

    // Every text of the .ts file is translated, with the same placeholders and, where the
    // English has an accelerator, exactly one.
    void tsFileComplete() {
        QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../translations/hzm_de.ts"));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QXmlStreamReader xml(&file);
        QString source;
        int messages = 0;
        QStringList faults;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                const QString text = xml.readElementText();
                ++messages;
                if (!type.isEmpty() || text.isEmpty())
                    faults << QStringLiteral("not finished (%1): %2").arg(type, source);
                else if (placeholders(text) != placeholders(source))
                    faults << QStringLiteral("placeholders differ: %1").arg(source);
                else if (mnemonicCount(source) != mnemonicCount(text))
                    faults << QStringLiteral("accelerators differ: %1 -> %2").arg(source, text);
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QVERIFY2(messages > 150, qPrintable(QString::number(messages)));
    }

    // The German help follows the English one line for line: a line added to help.txt alone
    // shows here.
    void helpTextInStep() {
        QStringList lines[2];
        const char *const names[2] = {"help.txt", "help_de.txt"};
        for (int i = 0; i < 2; ++i) {
            QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../resources/") + QLatin1String(names[i]));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            lines[i] = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        }
        QCOMPARE(lines[1].size(), lines[0].size());
        for (int n = 0; n < lines[0].size(); ++n)
            QVERIFY2(lines[0].at(n).isEmpty() == lines[1].at(n).isEmpty(), qPrintable(lines[0].at(n)));
    }

    // A sample of what a German user sees: menus, tabs, buttons, page controls, option lists,
    // the box at start and a text from the core.
    void germanWindow() {
        const QStringList installed = installTranslations(qApp, QLocale(QStringLiteral("de_DE")));
        QVERIFY2(installed.contains(QStringLiteral("hzm_de")), qPrintable(installed.join(QLatin1Char(' '))));
        const QString qtbase =
            QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
        if (QFile::exists(qtbase))
            QVERIFY(installed.contains(QStringLiteral("qtbase_de")));

        ScriptedMessageBoxes boxes;
        MainWindow window(boxes);
        QTRY_COMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last()->caption, QStringLiteral("Port wählen"));

        QList<QMenu *> menus;
        QStringList titles;
        for (QAction *action : window.menuBar()->actions()) {
            menus << action->menu();
            titles << action->menu()->title();
        }
        QCOMPARE(titles, (QStringList{QStringLiteral("&Datei"), QStringLiteral("&Bearbeiten"),
                                      QStringLiteral("&Ansicht"), QStringLiteral("&Port"),
                                      QStringLiteral("&Mischer"), QStringLiteral("&Hilfe")}));
        QCOMPARE(window.findChild<QAction *>(QStringLiteral("actionSaveAs"))->text(),
                 QStringLiteral("Speichern &unter..."));
        // The shortcuts stay as they are.
        QCOMPARE(window.findChild<QAction *>(QStringLiteral("actionSave"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_S));
        // No two entries of a menu, and no two menus, share an accelerator.
        QSet<QChar> menuKeys;
        for (QMenu *menu : menus) {
            QVERIFY2(!menuKeys.contains(mnemonic(menu->title())), qPrintable(menu->title()));
            menuKeys.insert(mnemonic(menu->title()));
            QSet<QChar> keys;
            for (QAction *action : menu->actions()) {
                const QChar key = mnemonic(action->text());
                if (key.isNull())
                    continue;
                QVERIFY2(!keys.contains(key),
                         qPrintable(menu->title() + QStringLiteral(": ") + action->text()));
                keys.insert(key);
            }
        }

        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabs"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("Eingänge"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Ausgänge"));
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("readAll"))->text(),
                 QStringLiteral("HZM1 lesen"));

        const TabPage *outputs = window.page(1);
        auto *selector = test::control<QComboBox>(*outputs, QStringLiteral("outputSelector"));
        QCOMPARE(selector->itemText(0), QStringLiteral("Zone 1"));
        QCOMPARE(selector->itemText(8), QStringLiteral("Gruppe 1"));
        QCOMPARE(test::control<QAbstractButton>(*outputs, QStringLiteral("groupEnabled"))->text(),
                 QStringLiteral("Aktiv"));
        QCOMPARE(test::control<QAbstractButton>(*window.page(3), QStringLiteral("muteNormallyOpen"))->text(),
                 QStringLiteral("Schließer"));

        // The readable settings view the comparison shows: labels and words, not the JSON.
        const SectionView zone = ViewSettings(MixerSettings()).first();
        QCOMPARE(zone.fields.at(0).label, QStringLiteral("Name"));
        QCOMPARE(std::find_if(zone.fields.begin(), zone.fields.end(),
                              [](const FieldView &f) { return f.key == QLatin1String("level_db"); })
                     ->label,
                 QStringLiteral("Pegel"));
        QCOMPARE(VersionErrorText(),
                 QStringLiteral("Die Version kann nicht empfangen werden.\nBitte die Verbindung prüfen."));
    }
};

QTEST_MAIN(TranslationTest)
#include "tst_translation.moc"

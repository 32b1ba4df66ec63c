// hzm-utility: the desktop program. "hzm-utility --demo" runs it against a simulated mixer
// started inside the program on a free loopback port; "hzm-utility FILE" opens a settings file,
// "hzm-utility SITE.hzv" a venue in the Venue window.

#include "MainWindow.h"
#include "MessageBoxes.h"
#include "Translations.h"

#include "SimServer.h"
#include "files/StandardStreams.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

struct Arguments {
    bool demo = false;
    QString file; // empty: none
};

// Parses the command line; --help, --version and bad options print and end the program here.
Arguments parseArguments(const QCoreApplication &app) {
    QCoreApplication::setApplicationName(QStringLiteral("hzm-utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HZM_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("HZM-1 / HZM-1e Utility Tool"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Run against a simulated mixer inside the program (Port > Ethernet)."));
    parser.addOption(demo);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A settings file (.hzc) to open, or a venue (.hzv) to open "
                                                "in the Venue window."),
                                 QStringLiteral("[file]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "hzm-utility: one file at a time, not %d\n", int(files.size()));
        std::exit(2);
    }
    return {parser.isSet(demo), files.value(0)};
}

// Whether the command line only asks for the help or the version, which need no display.
bool onlyDescribes(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

#ifdef Q_OS_WIN
// A program for the desktop has no console of its own: Qt shows the help, the version and the
// command line's errors in a message box, unless the output is redirected. Started from a terminal
// (cmd.exe, PowerShell), the program borrows the terminal's console while it reads the command
// line, so that they are printed there. Returns whether it did, to give it back before the window.
bool borrowParentConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out && out != INVALID_HANDLE_VALUE) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    return true;
}
#endif

} // namespace

int main(int argc, char *argv[]) {
#ifdef Q_OS_WIN
    const bool borrowedConsole = borrowParentConsole();
#endif
    if (onlyDescribes(argc, argv)) {
        const hzm::StandardStreams streams;
        QCoreApplication app(argc, argv);
        parseArguments(app);
        return 0;
    }
    QApplication app(argc, argv);
    const Arguments arguments = parseArguments(app);
#ifdef Q_OS_WIN
    if (borrowedConsole) // Ctrl+C in the terminal is no longer the window's business
        FreeConsole();
#endif
    // The window in the system's language; the command line's help above stays English.
    hzm::installTranslations(&app);
    // Desktops match the windows to the installed desktop entry (icon, name, grouping).
    QGuiApplication::setDesktopFileName(QStringLiteral(HZM_APP_ID));

    // The simulated mixer for --demo: TCP and discovery on a loopback address of its own, served
    // on its own thread inside this process.
    std::unique_ptr<hzm::sim::SimServer> simulated;
    if (arguments.demo) {
        hzm::sim::SimOptions options;
        options.tcpPort = 0;
        options.bindAddress = QHostAddress(QStringLiteral("127.0.0.2"));
        options.discoveryPort = 0;
        options.discoveryFrom = options.bindAddress;
        simulated = std::make_unique<hzm::sim::SimServer>(options);
        if (!simulated->start()) {
            // Some systems only answer on 127.0.0.1.
            options.bindAddress = QHostAddress(QHostAddress::LocalHost);
            options.discoveryFrom = options.bindAddress;
            simulated = std::make_unique<hzm::sim::SimServer>(options);
            if (!simulated->start()) {
                const QString error = simulated->errorString();
                std::fprintf(stderr, "hzm-utility: the simulated mixer did not start: %s\n",
                             qPrintable(error));
                QMessageBox::critical(
                    nullptr, QCoreApplication::translate("main", "Error"),
                    QCoreApplication::translate("main", "The simulated mixer did not start:\n%1").arg(error));
                return 1;
            }
        }
        simulated->mixer().setSettings(hzm::sim::SimMixer::demoSettings());
    }

    hzm::WidgetMessageBoxes boxes;
    hzm::MainWindow window(boxes);
    if (simulated)
        window.setDemoMixer(simulated->tcpAddress(), simulated->tcpPort(), simulated->discoveryPort());
    if (!arguments.file.isEmpty())
        window.openAtStart(arguments.file);
    window.show();
    return QApplication::exec();
}

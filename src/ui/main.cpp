// hzm-utility: the desktop program. "hzm-utility --demo" runs it against a simulated mixer
// started inside the program on a free loopback port; "hzm-utility FILE" opens a settings file.

#include "MainWindow.h"
#include "MessageBoxes.h"

#include "SimServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hzm-utility"));
    QApplication::setApplicationVersion(QStringLiteral(HZM_VERSION));
    // Desktops match the windows to the installed desktop entry (icon, name, grouping).
    QGuiApplication::setDesktopFileName(QStringLiteral(HZM_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("HZM-1 / HZM-1e Utility Tool"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Run against a simulated mixer inside the program (Port > Ethernet)."));
    parser.addOption(demo);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A settings file (.hzc) to open."),
                                 QStringLiteral("[file]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "hzm-utility: one settings file at a time, not %d\n", int(files.size()));
        return 2;
    }

    // The simulated mixer for --demo: TCP and discovery on a loopback address of its own, served
    // on its own thread inside this process.
    std::unique_ptr<hzm::sim::SimServer> simulated;
    if (parser.isSet(demo)) {
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
                QMessageBox::critical(nullptr, QStringLiteral("Error"),
                                      QStringLiteral("The simulated mixer did not start:\n%1").arg(error));
                return 1;
            }
        }
        simulated->mixer().setSettings(hzm::sim::SimMixer::demoSettings());
    }

    hzm::WidgetMessageBoxes boxes;
    hzm::MainWindow window(boxes);
    if (simulated)
        window.setDemoMixer(simulated->tcpAddress(), simulated->tcpPort(), simulated->discoveryPort());
    if (!files.isEmpty())
        window.openAtStart(files.first());
    window.show();
    return QApplication::exec();
}

// hzm-utility: the desktop program. "hzm-utility --demo" runs it against a simulated mixer
// started inside the program on a free loopback port.

#include "MainWindow.h"
#include "MessageBoxes.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hzm-utility"));
    QApplication::setApplicationVersion(QStringLiteral("2.24"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("HZM-1 / HZM-1e Utility Tool"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption demo(QStringLiteral("demo"),
                            QStringLiteral("Run against a simulated mixer inside the program (Port > Ethernet)."));
    parser.addOption(demo);
    parser.process(app);

    hzm::WidgetMessageBoxes boxes;
    hzm::MainWindow window(boxes);
    window.show();
    return QApplication::exec();
}

// hzmctl: the HZM-1 Utility Tool on the command line.

#include "Cli.h"

#include "files/StandardStreams.h"

#include <QCoreApplication>

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt's own warnings ("QIODevice::read (QTcpSocket): device not open") are for developers: the
// tool says what went wrong in its own words.
void quietQtWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        qtHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[]) {
    const hzm::StandardStreams streams;
    qtHandler = qInstallMessageHandler(quietQtWarnings);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hzmctl"));
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return hzm::cli::runCommandLine(arguments);
}

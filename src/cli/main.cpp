// hzmctl: the HZM-1 Utility Tool on the command line.

#include "Cli.h"

#include "files/StandardStreams.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    const hzm::StandardStreams streams;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hzmctl"));
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return hzm::cli::RunCli(arguments);
}

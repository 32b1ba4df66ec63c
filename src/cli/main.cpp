// hzmctl: the HZM-1 Utility Tool on the command line.

#include "Cli.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hzmctl"));
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return hzm::cli::RunCli(arguments);
}

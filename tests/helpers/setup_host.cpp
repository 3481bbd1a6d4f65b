// The local engine's set-up running in a process of its own, so a test can
// kill that process in the middle of an installation.
//
//   setup_host PYTHON
//
// Installs with PYTHON as the interpreter and prints each status line.

#include "platform/DefaultsDomain.h"
#include "services/MLXSetup.h"

#include <QCoreApplication>
#include <QUuid>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    QCoreApplication app(argc, argv);
    DefaultsDomain defaults(QStringLiteral("setup.host.") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    MLXSetup setup(defaults);
    QObject::connect(&setup, &MLXSetup::statusChanged, [](const QString &status) {
        std::printf("%s\n", qPrintable(status));
        std::fflush(stdout);
    });
    setup.setPythonPath(QString::fromLocal8Bit(argv[1]));
    setup.install();
    const int status = QCoreApplication::exec();
    defaults.removeDomain();
    return status;
}

#include "platform/AppDirectories.h"
#include "platform/OpenMPThreadLimit.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    OpenMPThreadLimit::enforceSingleThread(argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelond"));
    QApplication::setDesktopFileName(QLatin1String(AppDirectories::bundleIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);
    return QApplication::exec();
}

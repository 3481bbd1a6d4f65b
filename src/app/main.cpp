#include "app/CommandLineOptions.h"
#include "platform/AppDirectories.h"
#include "platform/OpenMPThreadLimit.h"
#include "support/SmokeTest.h"

#include <QApplication>
#include <QCoroTask>

namespace {

QStringList argumentsAsGiven(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QCoro::Task<void> runSmokeTest(QString reportPath, bool withMLX)
{
    co_await SmokeTest::run(reportPath, withMLX);
    // Queued, so the quit also lands should the run finish before the event loop starts.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace

int main(int argc, char *argv[])
{
    OpenMPThreadLimit::enforceSingleThread(argv);
    // Taken before QApplication removes the options it understands itself.
    const CommandLineOptions options = CommandLineOptions::parse(argumentsAsGiven(argc, argv));
    // The smoke test shows nothing and must run where there is no display at all.
    if (options.smokeTestReport)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelond"));
    QApplication::setDesktopFileName(QLatin1String(AppDirectories::bundleIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    if (options.smokeTestReport)
        runSmokeTest(*options.smokeTestReport, options.withMLX);
    return QApplication::exec();
}

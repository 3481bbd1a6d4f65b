#include "app/CommandLineOptions.h"
#include "app/SmokeTest.h"
#include "platform/AppDirectories.h"
#include "platform/OpenMPThreadLimit.h"

#include <QApplication>
#include <QCoroTask>

#include <cstdio>

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
    if (!options.smokeTestReport) {
        // Until the status item, shortcut and windows arrive there is nothing to
        // show; say so rather than idle invisibly.
        std::fputs("Ravelond's status item, shortcut and windows are not part of this build yet.\n"
                   "Run `ravelond --smoke-test <report.json> [--with-mlx]` to check the recognition pipeline.\n",
                   stderr);
        return 0;
    }
    // The smoke test shows nothing and must run where there is no display at all.
    qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelond"));
    QApplication::setDesktopFileName(QLatin1String(AppDirectories::bundleIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    runSmokeTest(*options.smokeTestReport, options.withMLX);
    return QApplication::exec();
}

#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/CommandLineOptions.h"
#include "app/InstanceForwarder.h"
#include "app/SignalPipe.h"
#include "app/SingleInstance.h"
#include "app/SmokeTest.h"
#include "platform/AppDirectories.h"
#include "platform/LargeBlockRelease.h"
#include "platform/OpenMPThreadLimit.h"
#include "platform/X11Connection.h"
#include "support/Detached.h"
#include "support/design/AppIcon.h"

#include <QApplication>
#include <QCoroTask>
#include <QSessionManager>

#include <csignal>
#include <cstdio>

namespace {

QStringList argumentsAsGiven(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Ravelond"));
    QGuiApplication::setDesktopFileName(QLatin1String(AppDirectories::bundleIdentifier));
}

QCoro::Task<void> runSmokeTest(QString reportPath, bool withMLX)
{
    co_await SmokeTest::run(reportPath, withMLX);
    // Queued, so the quit also lands should the run finish before the event loop starts.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

int smokeTest(int argc, char *argv[], const CommandLineOptions &options)
{
    // The smoke test shows nothing and must run where there is no display at all.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);
    Detached::start(runSmokeTest(*options.smokeTestReport, options.withMLX), "the smoke test");
    return QApplication::exec();
}

QCoro::Task<void> forwardThenExit(QString socketPath, InstanceMessage message)
{
    const bool answered = co_await InstanceForwarder::forward(socketPath, message, SingleInstance::clientPatience);
    if (!answered)
        std::fputs("Ravelond is already running but did not answer within 2 seconds.\n", stderr);
    QCoreApplication::exit(answered ? 0 : 1);
}

// A second launch hands its request to the running instance; no display needed.
int forwardToRunningInstance(int argc, char *argv[], const SingleInstance &instance, const CommandLineOptions &options)
{
    QCoreApplication app(argc, argv);
    const InstanceMessage message =
        options.openImage ? InstanceMessage::openRequest(*options.openImage) : InstanceMessage::reopenRequest();
    Detached::start(forwardThenExit(instance.socketPath(), message), "the hand-over to the running instance");
    return QCoreApplication::exec();
}

bool usesX11()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return platform.isEmpty() || platform.startsWith("xcb");
}

} // namespace

int main(int argc, char *argv[])
{
    OpenMPThreadLimit::enforceSingleThread(argv);
    LargeBlockRelease::enable();
    // Taken before QApplication removes the options it understands itself.
    const CommandLineOptions options = CommandLineOptions::parse(argumentsAsGiven(argc, argv));
    if (options.smokeTestReport)
        return smokeTest(argc, argv, options);

    SingleInstance instance;
    if (!instance.claim())
        return forwardToRunningInstance(argc, argv, instance, options);

    // Ravelond is an X11 client (XWayland under a Wayland session).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (usesX11() && !X11Connection::displayReachable()) {
        std::fputs("Ravelond needs an X11 display: start it inside a desktop session (DISPLAY is not set or its "
                   "X server does not answer).\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(AppIcon::icon());

    AppComposition composition;
    AppDelegate delegate(composition.modelDependencies(), composition.shellDependencies(), options);
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate, &AppDelegate::reopen);
    QObject::connect(&instance, &SingleInstance::openRequested, &delegate,
                     [&delegate](const QString &path) { delegate.openFiles({path}); });
    instance.listen();

    SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalPipe, &SignalPipe::received, &delegate, &AppDelegate::requestQuit);
    // The session is ending: the same road as every other quit.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate](QSessionManager &) { delegate.requestQuit(); });

    delegate.launch();
    const int status = QApplication::exec();
    instance.close();
    return status;
}

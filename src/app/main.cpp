#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/CommandLineOptions.h"
#include "app/DisplayPlatform.h"
#include "app/InstanceForwarder.h"
#include "app/SignalPipe.h"
#include "app/SingleInstance.h"
#include "app/SmokeTest.h"
#include "foundation/Detached.h"
#include "platform/AppDirectories.h"
#include "platform/ApplicationAccessible.h"
#include "platform/FileNameBytes.h"
#include "platform/LargeBlockRelease.h"
#include "platform/PrivateRuntimeFolder.h"
#include "platform/X11Connection.h"
#include "services/TemporaryImage.h"
#include "services/VisionOCR.h"
#include "support/design/AppIcon.h"
#include "support/design/DesignAccessibility.h"

#include <QApplication>
#include <QCoroTask>
#include <QSessionManager>
#include <QThreadPool>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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
    // Before anything asks for the application's accessible interface.
    ApplicationAccessible::install();
    QApplication app(argc, argv);
    ApplicationAccessible::install();
    // After the application's own factory, so that ours is asked first.
    DesignAccessibility::install();
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);
    Detached::start(runSmokeTest(*options.smokeTestReport, options.withMLX), "the smoke test");
    return QApplication::exec();
}

// The value of the first `option` as the file system's bytes: a path need not be valid text.
std::optional<QByteArray> rawValueOf(int argc, char *argv[], const char *option)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return i + 1 < argc ? std::optional(QByteArray(argv[i + 1])) : std::nullopt;
    }
    return std::nullopt;
}

constexpr InstanceForwarder::Patience handOverPatience{std::chrono::seconds(10), std::chrono::seconds(10)};

const char *handOverFailure(InstanceForwarder::Outcome outcome)
{
    switch (outcome) {
    case InstanceForwarder::Outcome::handedOver:
        return nullptr;
    case InstanceForwarder::Outcome::notListening:
        return "Ravelond is already running but is not taking requests (it did not listen within 10 seconds).\n";
    case InstanceForwarder::Outcome::notAnswering:
        return "Ravelond is already running but did not answer within 10 seconds.\n";
    case InstanceForwarder::Outcome::gone:
        return "Ravelond quit while this launch was handing its request over; start it again.\n";
    }
    return nullptr;
}

QCoro::Task<void> forwardThenExit(const SingleInstance *instance, InstanceMessage message)
{
    const InstanceForwarder::Outcome outcome = co_await InstanceForwarder::forward(
        instance->socketPath(), message, handOverPatience, [instance] { return instance->isClaimedElsewhere(); });
    const char *failure = handOverFailure(outcome);
    if (failure)
        std::fputs(failure, stderr);
    QCoreApplication::exit(failure ? 1 : 0);
}

// A second launch hands its request to the running instance; no display needed.
int forwardToRunningInstance(int argc, char *argv[], const SingleInstance &instance,
                             const std::optional<QByteArray> &openImage)
{
    QCoreApplication app(argc, argv);
    const InstanceMessage message = openImage ? InstanceMessage::openRequest(FileNameBytes::absolute(*openImage))
                                              : InstanceMessage::reopenRequest();
    Detached::start(forwardThenExit(&instance, message), "the hand-over to the running instance");
    return QCoreApplication::exec();
}

// Picks a platform Qt can load; false, having said why, when there is no display to run on.
bool chooseDisplayPlatform()
{
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    const std::optional<QByteArray> platform = DisplayPlatform::choose(requested, X11Connection::displayReachable());
    if (!platform) {
        std::fputs("Ravelond needs an X11 display: start it inside a desktop session (DISPLAY is not set or its "
                   "X server does not answer).\n",
                   stderr);
        return false;
    }
    qputenv("QT_QPA_PLATFORM", *platform);
    return true;
}

// The running instance's socket and lock; none when no private folder can hold them.
std::unique_ptr<SingleInstance> instanceSocket()
{
    const PrivateRuntimeFolder::Choice folder = PrivateRuntimeFolder::resolve();
    if (!folder.problem.isEmpty()) {
        std::fprintf(stderr,
                     "Ravelond runs on its own, without taking requests from other launches: %s. Remove it or set "
                     "XDG_RUNTIME_DIR.\n",
                     qPrintable(folder.problem));
        return nullptr;
    }
    return std::make_unique<SingleInstance>(SingleInstance::socketPathIn(folder.path));
}

// The program itself, once it is the running instance (or runs on its own).
int runAsTheInstance(int argc, char *argv[], const CommandLineOptions &options, SingleInstance *instance)
{
    // Before anything asks for the application's accessible interface.
    ApplicationAccessible::install();
    QApplication app(argc, argv);
    ApplicationAccessible::install();
    // After the application's own factory, so that ours is asked first.
    DesignAccessibility::install();
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(AppIcon::icon());

    AppComposition composition;
    AppDelegate delegate(composition.modelDependencies(), composition.shellDependencies(), options);
    if (instance) {
        QObject::connect(instance, &SingleInstance::reopenRequested, &delegate, &AppDelegate::reopen);
        QObject::connect(instance, &SingleInstance::openRequested, &delegate, [&delegate](const QByteArray &path) {
            const FileNameBytes::Reached reached = FileNameBytes::reach(path);
            delegate.openFiles({reached.path}, reached.keepsNaming);
        });
        instance->startAnswering();
    }

    SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP});
    // A signal has nobody to answer a question: it quits as "Quit and stop setup" would.
    QObject::connect(&signalPipe, &SignalPipe::received, &delegate, &AppDelegate::quitWithoutAsking);
    // The session is ending: the same road as every other quit.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate](QSessionManager &) { delegate.requestQuit(); });

    delegate.launch();
    const int status = QApplication::exec();
    if (instance)
        instance->close();
    return status;
}

// A cancelled page may still be inside Tesseract's page analysis, which
// cannot be interrupted, and the statics destroyed on the way out
// (Tesseract's own among them) must not be pulled from under it: it is
// waited for a while, then the process ends without running them. The
// application object is gone by then, so the clipboard has been handed over.
int endOnceNoPageRuns(int status)
{
    constexpr std::chrono::milliseconds pagePatience{3000};
    if (VisionOCR::workers().waitForDone(int(pagePatience.count())))
        return status;
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    LargeBlockRelease::enable();
    // Taken before QApplication removes the options it understands itself.
    CommandLineOptions options = CommandLineOptions::parse(argumentsAsGiven(argc, argv));
    if (options.smokeTestReport)
        return smokeTest(argc, argv, options);
    const std::optional<QByteArray> openImage = rawValueOf(argc, argv, "--open-image");

    const std::unique_ptr<SingleInstance> instance = instanceSocket();
    if (instance && !instance->claim())
        return forwardToRunningInstance(argc, argv, *instance, openImage);
    // As early as can be: launches that come while we start wait in the socket's queue.
    if (instance && !instance->listen())
        std::fprintf(stderr, "Ravelond cannot take requests from other launches (it will keep trying): %s\n",
                     qPrintable(instance->errorString()));
    // Kept for the whole run: a retry of this import opens the path again.
    FileNameBytes::Reached launchImage;
    if (openImage) {
        launchImage = FileNameBytes::reach(FileNameBytes::absolute(*openImage));
        options.openImage = launchImage.path;
    }
    // Crops of a run that was killed; later crops are locked by their makers.
    QThreadPool::globalInstance()->start(&TemporaryImage::sweepAbandoned);

    if (!chooseDisplayPlatform())
        return 1;
    return endOnceNoPageRuns(runAsTheInstance(argc, argv, options, instance.get()));
}

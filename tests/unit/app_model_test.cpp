#include "doubles/FakePermission.h"
#include "doubles/FakeScreens.h"
#include "doubles/ManualTimer.h"
#include "doubles/RecordingSoundPlayer.h"
#include "doubles/RecordingWorkspace.h"
#include "support/Await.h"
#include "support/ChildProcesses.h"
#include "support/Gate.h"
#include "support/ImageFixtures.h"
#include "support/MLXTestRoot.h"
#include "support/TestEnvironment.h"

#include "app/AppComposition.h"
#include "app/SmokeTest.h"
#include "foundation/Background.h"
#include "foundation/Detached.h"
#include "platform/DefaultsDomain.h"
#include "platform/MemoryPasteboard.h"
#include "services/MLXService.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUuid>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

// A selection the test steers: hands back a picture at once, fails, or waits
// until the test resolves it or the operation is stopped.
class FakeSelection : public QObject {
    Q_OBJECT
public:
    enum class Mode { picture, failure, pending };

    AppModel::SelectImage hook()
    {
        return
            [this](bool practice, OCREngine engine, std::stop_token token) { return select(practice, engine, token); };
    }

    void resolve() { Q_EMIT settled(); }

    Mode mode = Mode::picture;
    // A selection that keeps going when asked to stop, as a slow one might.
    bool ignoresStop = false;
    QImage picture = QImage(40, 20, QImage::Format_RGB32);
    TrovError failure = TrovError::of(TrovError::cancelled);
    QList<std::pair<bool, OCREngine>> calls;

Q_SIGNALS:
    void settled();

private:
    QCoro::Task<QImage> select(bool practice, OCREngine engine, std::stop_token token)
    {
        calls.append({practice, engine});
        if (mode == Mode::failure)
            throw failure;
        if (mode == Mode::pending) {
            std::stop_callback onStop(token, [this] {
                if (!ignoresStop)
                    QMetaObject::invokeMethod(this, &FakeSelection::settled, Qt::QueuedConnection);
            });
            co_await qCoro(this, &FakeSelection::settled);
            if (!ignoresStop && token.stop_requested())
                throw TrovError::of(TrovError::cancelled);
        }
        // A copy: QCoro moves from an lvalue handed to co_return.
        co_return QImage(picture);
    }
};

namespace {

// The recogniser's answer, set by the test; optionally held until a gate opens.
struct ScriptedRecognizer {
    std::mutex mutex;
    OCRResponse response{QStringLiteral("Hello world"), false};
    std::shared_ptr<Gate> gate;
    std::atomic<int> calls = 0;
    std::atomic<bool> running = false;
    std::atomic<int> inside = 0; // calls that have not returned yet

    OCRResponse recognize()
    {
        ++calls;
        ++inside;
        running = true;
        std::shared_ptr<Gate> waitFor;
        OCRResponse answer;
        {
            const std::lock_guard lock(mutex);
            waitFor = gate;
            answer = response;
        }
        if (waitFor)
            waitFor->wait();
        running = false;
        --inside;
        return answer;
    }
};

QString writeTextImage(const QString &text)
{
    const QString path = QDir(TestEnvironment::root())
                             .filePath(QStringLiteral("import-%1.png").arg(QUuid::createUuid().toString(QUuid::Id128)));
    ImageFixtures::text(text, 40).save(path);
    return path;
}

bool eventually(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 10000);
}

// A picture that never comes: the selection waits in the open of a FIFO that
// nobody writes to, as a file open on a dead mount would, and no stop reaches it.
QCoro::Task<QImage> pictureBehindFifo(QString fifo)
{
    auto openFifo = [fifo] { QFile(fifo).open(QIODevice::ReadOnly); };
    co_await Background::run(std::move(openFifo));
    co_return QImage(40, 20, QImage::Format_RGB32);
}

QCoro::Task<void> setWhenDone(QCoro::Task<void> task, std::shared_ptr<bool> done)
{
    co_await std::move(task);
    *done = true;
}

} // namespace

class AppModelTest : public ::testing::Test {
protected:
    AppModelTest()
        : defaults(SmokeTest::privateName()), settings(defaults),
          history(QDir(TestEnvironment::root()).filePath(QStringLiteral("history.json")), historyPasteboard),
          vision([this](const QImage &, TextRecognitionRequest &) { return recognizer.recognize(); })
    {
        settings.setPlaySound(true);
    }

    ~AppModelTest() override
    {
        if (model)
            await(model->shutdown());
        model.reset();
        if (recognizerGate) {
            recognizerGate->open();
            // A cancelled recognition still runs on its pool thread: the
            // recogniser it writes to goes with this fixture.
            eventually([this] { return recognizer.inside == 0; });
        }
        defaults.removeDomain();
    }

    AppModel &makeModel(AppModel::MLXReady mlxReady = {})
    {
        AppModel::Dependencies dependencies;
        dependencies.settings = &settings;
        dependencies.history = &history;
        dependencies.vision = &vision;
        dependencies.selectImage = selectImage ? selectImage : selection.hook();
        dependencies.mlxReady = std::move(mlxReady);
        SelectionPlatform platform;
        platform.screens = &screens;
        platform.permission = &permission;
        dependencies.platform = platform;
        dependencies.workspace = &workspace;
        dependencies.copySound = &sound;
        dependencies.dismissalTimer = &dismissalTimer;
        dependencies.copyText = [this](const QString &text) {
            ++copies;
            return clipboardAccepts && ClipboardService_copy(text);
        };
        dependencies.catchUpClipboard = [this](std::stop_token) -> QCoro::Task<> {
            ++catchUps;
            if (cancelDuringCatchUp)
                model->cancel();
            // What the clipboard does with the second write once we have caught up.
            if (acceptsAfterCatchUp)
                clipboardAccepts = *acceptsAfterCatchUp;
            co_return;
        };
        model = std::make_unique<AppModel>(std::move(dependencies));
        model->onHideSurfaces = [this] { events << QStringLiteral("hide"); };
        model->onFeedback = [this] { events << QStringLiteral("feedback:") + phaseName(); };
        model->onDismissFeedback = [this] { events << QStringLiteral("dismiss"); };
        model->onReview = [this](const CaptureResult &result) { reviewed << result.text; };
        return *model;
    }

    bool ClipboardService_copy(const QString &text)
    {
        clipboard.clearContents();
        return clipboard.setString(text);
    }

    QString phaseName() const
    {
        static const char *names[] = {"idle", "selecting", "recognizing", "copied", "cancelled", "failed"};
        return QLatin1String(names[model->phase().kind()]);
    }

    void holdRecognizer()
    {
        recognizerGate = std::make_shared<Gate>();
        const std::lock_guard lock(recognizer.mutex);
        recognizer.gate = recognizerGate;
    }

    void answer(const QString &text, bool truncated = false)
    {
        const std::lock_guard lock(recognizer.mutex);
        recognizer.response = {text, truncated};
    }

    bool finishes(CapturePhase::Kind kind)
    {
        return eventually([&] { return model->phase().kind() == kind && !model->isOperationRunning(); });
    }

    DefaultsDomain defaults;
    Preferences settings;
    MemoryPasteboard historyPasteboard;
    ClipboardHistoryStore history;
    ScriptedRecognizer recognizer;
    std::shared_ptr<Gate> recognizerGate;
    VisionOCR vision;
    FakeSelection selection;
    FakePermission permission;
    FakeScreens screens;
    RecordingWorkspace workspace;
    RecordingSoundPlayer sound;
    ManualTimer dismissalTimer;
    MemoryPasteboard clipboard;
    bool clipboardAccepts = true;
    std::optional<bool> acceptsAfterCatchUp;
    bool cancelDuringCatchUp = false;
    int copies = 0;
    int catchUps = 0;
    QStringList events;
    QStringList reviewed;
    AppModel::SelectImage selectImage;
    std::unique_ptr<AppModel> model;
};

TEST_F(AppModelTest, ACaptureGoesFromSelectionToClipboardWithEveryPhasePublished)
{
    AppModel &app = makeModel();
    QList<CapturePhase::Kind> phases;
    QObject::connect(&app, &AppModel::phaseChanged, [&](const CapturePhase &phase) { phases << phase.kind(); });
    workspace.frontmost = RunningApplication{42, 4242};
    answer(QStringLiteral("  Hello\n  world  "));

    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));

    EXPECT_EQ(phases, (QList<CapturePhase::Kind>{CapturePhase::idle, CapturePhase::selecting, CapturePhase::recognizing,
                                                 CapturePhase::copied}));
    EXPECT_EQ(events, (QStringList{"hide", "feedback:recognizing", "feedback:copied"}));
    EXPECT_EQ(clipboard.string(), QStringLiteral("Hello\n  world"));
    ASSERT_TRUE(app.latest());
    EXPECT_EQ(app.latest()->text, QStringLiteral("Hello\n  world"));
    EXPECT_EQ(app.completedCount(), 1);
    EXPECT_EQ(app.copySummary(), QStringLiteral("2 words · Apple Vision · ") + app.latest()->timing());
    EXPECT_TRUE(app.recognitionStartedAt().has_value());
    EXPECT_EQ(workspace.activated, (QList<RunningApplication>{RunningApplication{42, 4242}}));
    EXPECT_EQ(sound.volumes, (QList<double>{0.28}));
    EXPECT_EQ(selection.calls, (QList<std::pair<bool, OCREngine>>{{false, OCREngine::vision}}));
}

TEST_F(AppModelTest, FailedChecksShowTheirMessageWithoutHidingAnythingOrSelecting)
{
    AppModel &app = makeModel([] { return false; });
    settings.setEngine(OCREngine::mlx);
    app.startCapture();
    EXPECT_EQ(app.phase(), CapturePhase::failedPhase());
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::mlxNotReady).errorDescription());
    EXPECT_TRUE(app.failureNeedsSettings());
    EXPECT_EQ(events, QStringList{"feedback:failed"});
    EXPECT_TRUE(selection.calls.isEmpty());

    settings.setEngine(OCREngine::vision);
    permission.granted = false;
    events.clear();
    app.startCapture();
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::permission).errorDescription());
    EXPECT_FALSE(app.permissionGranted());
    EXPECT_TRUE(app.failureNeedsSettings());
    EXPECT_EQ(events, QStringList{"feedback:failed"});
    EXPECT_TRUE(selection.calls.isEmpty());

    // Practice needs no permission.
    app.startPractice();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(selection.calls, (QList<std::pair<bool, OCREngine>>{{true, OCREngine::vision}}));
}

TEST_F(AppModelTest, TheReadinessHookReplacesTheInstallationCheck)
{
    AppModel &app = makeModel([] { return true; });
    settings.setEngine(OCREngine::mlx);
    selection.mode = FakeSelection::Mode::pending;
    app.startCapture();
    EXPECT_EQ(app.phase(), CapturePhase::selectingPhase());
    app.cancel();
    EXPECT_TRUE(finishes(CapturePhase::cancelled));
}

TEST_F(AppModelTest, ASecondStartWhileRunningChangesNothing)
{
    AppModel &app = makeModel();
    selection.mode = FakeSelection::Mode::pending;
    app.startPractice();
    events.clear();
    app.startCapture();
    app.importImage(QStringLiteral("/nowhere.png"));
    app.chooseImage();
    EXPECT_FALSE(app.copyAgain(QStringLiteral("text")));
    EXPECT_EQ(app.phase(), CapturePhase::selectingPhase());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(selection.calls.size(), 1);
    EXPECT_EQ(copies, 0);

    // The retry source is still the practice run.
    selection.resolve();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    selection.mode = FakeSelection::Mode::picture;
    app.retryLastOperation();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_TRUE(selection.calls.last().first);
}

TEST_F(AppModelTest, TruncatedAndEmptyAnswersFailWithoutTouchingClipboardOrResults)
{
    AppModel &app = makeModel();
    answer(QStringLiteral("cut off"), true);
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::truncated).errorDescription());

    answer(QStringLiteral(" \n\t\r\n "));
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::noText).errorDescription());
    EXPECT_FALSE(app.failureNeedsSettings());
    EXPECT_TRUE(app.results().isEmpty());
    EXPECT_EQ(copies, 0);
    EXPECT_EQ(app.completedCount(), 0);
    EXPECT_TRUE(workspace.activated.isEmpty());
}

TEST_F(AppModelTest, ARefusedCopyIsWrittenOnceMoreAfterCatchingUpAndOnlyThenReportedAsTheClipboardError)
{
    struct Case {
        const char *name;
        bool first;
        std::optional<bool> second;
        bool cancelled;
        CapturePhase::Kind ends;
        int copies;
        int catchUps;
        qsizetype kept;
    };
    const Case cases[] = {
        {"taken at once", true, std::nullopt, false, CapturePhase::copied, 1, 0, 1},
        {"the race lost once is won", false, true, false, CapturePhase::copied, 2, 1, 1},
        {"the race lost twice", false, false, false, CapturePhase::failed, 2, 1, 1},
        // Neither copied nor reported: the result is not kept either.
        {"cancelled while catching up", false, true, true, CapturePhase::cancelled, 1, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppModel &app = makeModel();
        copies = 0;
        catchUps = 0;
        reviewed.clear();
        clipboard.clearContents();
        clipboardAccepts = c.first;
        acceptsAfterCatchUp = c.second;
        cancelDuringCatchUp = c.cancelled;
        app.startCapture();
        ASSERT_TRUE(finishes(c.ends));
        EXPECT_EQ(copies, c.copies);
        EXPECT_EQ(catchUps, c.catchUps);
        EXPECT_EQ(app.results().size(), c.kept);
        const bool copied = c.ends == CapturePhase::copied;
        const bool failed = c.ends == CapturePhase::failed;
        EXPECT_EQ(app.completedCount(), copied ? 1 : 0);
        EXPECT_EQ(reviewed, failed ? QStringList{"Hello world"} : QStringList());
        EXPECT_EQ(app.lastError(), failed ? TrovError::of(TrovError::clipboard).errorDescription() : QString());
        EXPECT_EQ(clipboard.string(), copied ? std::optional<QString>(QStringLiteral("Hello world")) : std::nullopt);
    }
}

TEST_F(AppModelTest, ARefusedClipboardKeepsTheResultAndOpensIt)
{
    AppModel &app = makeModel();
    workspace.frontmost = RunningApplication{7, 77};
    clipboardAccepts = false;
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_EQ(reviewed, QStringList{"Hello world"});
    EXPECT_EQ(app.results().size(), 1);
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::clipboard).errorDescription());
    EXPECT_EQ(app.completedCount(), 0);
    EXPECT_TRUE(workspace.activated.isEmpty());
}

TEST_F(AppModelTest, CancellingWhileSelectingEndsCancelledAndDismissesByItself)
{
    AppModel &app = makeModel();
    workspace.frontmost = RunningApplication{9, 99};
    selection.mode = FakeSelection::Mode::failure;
    selection.failure = TrovError::of(TrovError::invalidImage);
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    const QString previousError = app.lastError();

    selection.mode = FakeSelection::Mode::pending;
    app.toggleCapture();
    EXPECT_EQ(app.phase(), CapturePhase::selectingPhase());
    app.toggleCapture();
    ASSERT_TRUE(finishes(CapturePhase::cancelled));
    EXPECT_EQ(app.lastError(), previousError);
    EXPECT_EQ(workspace.activated.size(), 1);
    ASSERT_TRUE(dismissalTimer.active);
    EXPECT_EQ(dismissalTimer.lastInterval, 2s);
    dismissalTimer.fire();
    EXPECT_EQ(events.last(), QStringLiteral("dismiss"));
    EXPECT_EQ(app.phase(), CapturePhase::idlePhase());
    EXPECT_EQ(recognizer.calls, 0);
}

TEST_F(AppModelTest, APictureThatArrivesAfterTheCancelIsNeverRecognised)
{
    AppModel &app = makeModel();
    QList<CapturePhase::Kind> phases;
    QObject::connect(&app, &AppModel::phaseChanged, [&](const CapturePhase &phase) { phases << phase.kind(); });
    selection.mode = FakeSelection::Mode::pending;
    selection.ignoresStop = true;
    app.startCapture();
    app.cancel();
    selection.resolve();
    ASSERT_TRUE(finishes(CapturePhase::cancelled));
    // Not even for a moment: the recogniser would stop at once, but the
    // feedback would have shown the progress of a recognition never asked for.
    EXPECT_EQ(phases,
              (QList<CapturePhase::Kind>{CapturePhase::idle, CapturePhase::selecting, CapturePhase::cancelled}));
    EXPECT_FALSE(events.contains(QStringLiteral("feedback:recognizing")));
    EXPECT_EQ(recognizer.calls, 0);
    EXPECT_EQ(copies, 0);
}

TEST_F(AppModelTest, CancellingARecognitionDropsItsLateAnswer)
{
    AppModel &app = makeModel();
    holdRecognizer();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return recognizer.running.load(); }));
    EXPECT_EQ(app.phase(), CapturePhase::recognizingWith(OCREngine::vision));
    app.dismissFeedback();
    ASSERT_TRUE(finishes(CapturePhase::cancelled));
    recognizerGate->open();
    EXPECT_TRUE(eventually([&] { return !recognizer.running.load(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(app.results().isEmpty());
    EXPECT_EQ(copies, 0);
}

TEST_F(AppModelTest, AfterACancelledRecognitionTheNextImportIsAcceptedAtOnce)
{
    AppModel &app = makeModel();
    holdRecognizer();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return recognizer.running.load(); }));
    app.cancel();
    ASSERT_TRUE(finishes(CapturePhase::cancelled));

    // The cancelled recognition has not returned; the next one answers at once.
    {
        const std::lock_guard lock(recognizer.mutex);
        recognizer.gate.reset();
    }
    answer(QStringLiteral("next"));
    app.importImage(writeTextImage(QStringLiteral("next")));
    ASSERT_TRUE(finishes(CapturePhase::copied)) << phaseName().toStdString();
    EXPECT_EQ(recognizer.inside, 1) << "the cancelled recognition was waited for";
    EXPECT_EQ(clipboard.string(), QStringLiteral("next"));
}

TEST_F(AppModelTest, KeepsSixResultsWhenRememberingAndOneOtherwise)
{
    AppModel &app = makeModel();
    settings.setRememberSession(true);
    for (int i = 1; i <= 7; ++i) {
        answer(QStringLiteral("capture %1").arg(i));
        app.startCapture();
        ASSERT_TRUE(finishes(CapturePhase::copied));
    }
    ASSERT_EQ(app.results().size(), 6);
    EXPECT_EQ(app.results().first().text, QStringLiteral("capture 7"));
    EXPECT_EQ(app.results().last().text, QStringLiteral("capture 2"));

    settings.setRememberSession(false);
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(app.results().size(), 1);
    EXPECT_EQ(app.completedCount(), 8);
}

TEST_F(AppModelTest, TheOptionsAreTakenWhenTheOperationStarts)
{
    AppModel &app = makeModel();
    settings.setKeepLineBreaks(false);
    selection.mode = FakeSelection::Mode::pending;
    answer(QStringLiteral("one\ntwo"));
    app.startCapture();
    settings.setKeepLineBreaks(true);
    selection.resolve();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(clipboard.string(), QStringLiteral("one two"));
}

TEST_F(AppModelTest, HoverAndFocusHoldTheDismissalAndRestartTheFullDelay)
{
    AppModel &app = makeModel();
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    ASSERT_TRUE(dismissalTimer.active);
    EXPECT_EQ(dismissalTimer.lastInterval, 6s);

    app.setFeedbackHovered(true);
    app.setFeedbackFocused(true);
    EXPECT_FALSE(dismissalTimer.active) << "held while hovered and focused";
    app.setFeedbackHovered(false);
    EXPECT_FALSE(dismissalTimer.active) << "still held by the focus";
    const int startsBefore = dismissalTimer.starts;
    app.setFeedbackFocused(false);
    ASSERT_TRUE(dismissalTimer.active);
    EXPECT_EQ(dismissalTimer.starts, startsBefore + 1) << "the full delay starts again";
    EXPECT_EQ(dismissalTimer.lastInterval, 6s);
    dismissalTimer.fire();
    EXPECT_EQ(app.phase(), CapturePhase::idlePhase());
    EXPECT_EQ(events.last(), QStringLiteral("dismiss"));
}

TEST_F(AppModelTest, AFailureIsNeverDismissedByTheClock)
{
    AppModel &app = makeModel();
    answer(QString());
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_FALSE(dismissalTimer.active);
    app.setFeedbackHovered(true);
    app.setFeedbackHovered(false);
    EXPECT_FALSE(dismissalTimer.active);
    app.dismissFeedback();
    EXPECT_EQ(app.phase(), CapturePhase::idlePhase());
    EXPECT_EQ(events.last(), QStringLiteral("dismiss"));
}

TEST_F(AppModelTest, CopyAgainSummarisesWordsAndKeepsTheCount)
{
    AppModel &app = makeModel();
    EXPECT_TRUE(app.copyAgain(QStringLiteral("three little words")));
    EXPECT_EQ(app.copySummary(), QStringLiteral("3 words · Ready for your next idea"));
    EXPECT_EQ(app.phase(), CapturePhase::copiedPhase());
    EXPECT_TRUE(app.copyAgain(QStringLiteral("one")));
    EXPECT_EQ(app.copySummary(), QStringLiteral("1 word · Ready for your next idea"));
    EXPECT_EQ(app.completedCount(), 0);
    EXPECT_TRUE(app.results().isEmpty());
    EXPECT_TRUE(workspace.activated.isEmpty());

    clipboardAccepts = false;
    EXPECT_FALSE(app.copyAgain(QStringLiteral("refused")));
    EXPECT_EQ(app.phase(), CapturePhase::failedPhase());
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::clipboard).errorDescription());
}

TEST_F(AppModelTest, TheCopySoundIsNotRestartedWhilePlayingNorPlayedWhenOff)
{
    AppModel &app = makeModel();
    sound.playing = true;
    EXPECT_TRUE(app.copyAgain(QStringLiteral("a")));
    sound.playing = false;
    settings.setPlaySound(false);
    EXPECT_TRUE(app.copyAgain(QStringLiteral("b")));
    EXPECT_TRUE(sound.volumes.isEmpty());
    settings.setPlaySound(true);
    EXPECT_TRUE(app.copyAgain(QStringLiteral("c")));
    EXPECT_EQ(sound.volumes.size(), 1);
}

TEST_F(AppModelTest, OurOwnWindowInFrontKeepsTheEarlierDestination)
{
    AppModel &app = makeModel();
    workspace.frontmost = RunningApplication{5, 55};
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    workspace.frontmost = RunningApplication{6, QCoreApplication::applicationPid()};
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(workspace.activated, (QList<RunningApplication>{RunningApplication{5, 55}, RunningApplication{5, 55}}));
}

TEST_F(AppModelTest, AnImportRecognisesTheFileAndRetryImportsItAgain)
{
    AppModel &app = makeModel();
    const QString path = writeTextImage(QStringLiteral("imported"));
    // Held, so a small file that decodes at once cannot finish the import before we look.
    holdRecognizer();
    app.importImage(path);
    EXPECT_EQ(app.phase(), CapturePhase::recognizingWith(OCREngine::vision)) << "recognizing before decoding";
    EXPECT_EQ(events.first(), QStringLiteral("hide"));
    recognizerGate->open();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(app.completedCount(), 1);
    app.retryLastOperation();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(app.completedCount(), 2);
    EXPECT_TRUE(selection.calls.isEmpty());
}

TEST_F(AppModelTest, AnUndecodableImportFailsWithTheImageMessage)
{
    AppModel &app = makeModel();
    app.importImage(QDir(TestEnvironment::root()).filePath(QStringLiteral("missing.png")));
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::invalidImage).errorDescription());
}

TEST_F(AppModelTest, RetryBeforeAnyOperationStartsAScreenCapture)
{
    AppModel &app = makeModel();
    app.retryLastOperation();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    EXPECT_EQ(selection.calls, (QList<std::pair<bool, OCREngine>>{{false, OCREngine::vision}}));
}

TEST_F(AppModelTest, ShutdownDuringASelectionWaitsForTheOperationToEnd)
{
    AppModel &app = makeModel();
    selection.mode = FakeSelection::Mode::pending;
    history.setEnabled(true);
    app.startCapture();
    await(app.shutdown());
    EXPECT_FALSE(app.isOperationRunning());
    EXPECT_EQ(app.phase(), CapturePhase::cancelledPhase());
    EXPECT_FALSE(history.isMonitoring());
}

TEST_F(AppModelTest, ShutdownDuringARecognitionWaitsForTheOperationToEnd)
{
    AppModel &app = makeModel();
    holdRecognizer();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return recognizer.running.load(); }));
    await(app.shutdown());
    EXPECT_FALSE(app.isOperationRunning());
    EXPECT_EQ(copies, 0);
}

TEST_F(AppModelTest, ShutdownGoesOnWhenTheCancelledOperationCannotEnd)
{
    const QString fifo = QDir(TestEnvironment::root()).filePath(QUuid::createUuid().toString(QUuid::Id128));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    selectImage = [fifo](bool, OCREngine, std::stop_token) { return pictureBehindFifo(fifo); };
    AppModel &app = makeModel();
    history.setEnabled(true);
    app.startCapture();

    auto done = std::make_shared<bool>(false);
    QElapsedTimer waited;
    waited.start();
    Detached::start(setWhenDone(app.shutdown(), done), "the shutdown under test");
    ASSERT_TRUE(eventually([&] { return *done; })) << "the shutdown waits for ever";
    EXPECT_GE(waited.elapsed(), AppModel::shutdownGrace.count()) << "it gave the operation its grace";
    EXPECT_TRUE(app.isOperationRunning()) << "the operation could not end";
    EXPECT_FALSE(history.isMonitoring());

    // The model goes while its operation is stuck; once the open returns, the
    // operation resumes without it and ends without a trace.
    model.reset();
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ::close(writer);
    Background::pool().waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(recognizer.calls, 0);
    EXPECT_EQ(copies, 0);
}

TEST_F(AppModelTest, ReviewLatestAndClearResults)
{
    AppModel &app = makeModel();
    app.reviewLatest();
    EXPECT_TRUE(reviewed.isEmpty());
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied));
    app.reviewLatest();
    EXPECT_EQ(reviewed, QStringList{"Hello world"});
    app.clearResults();
    EXPECT_FALSE(app.latest().has_value());
}

// The local engine's road: a real worker client and a fake worker process.
class AppModelLocalEngineTest : public AppModelTest {
protected:
    AppModelLocalEngineTest()
    {
        ChildProcesses::adoptOrphans();
        settings.setEngine(OCREngine::mlx);
        qputenv("FAKE_WORKER_IMAGES", imageLog.toLocal8Bit());
    }

    ~AppModelLocalEngineTest() override
    {
        if (model)
            await(model->shutdown());
        model.reset();
        qunsetenv("FAKE_WORKER_IMAGES");
        EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(10s)) << "a worker was left behind";
    }

    void installWorker(const QString &reply)
    {
        MLXTestRoot::writeFakeInterpreter(root.python(), QStringLiteral("reply_worker.py"), reply);
        root.markReady();
    }

    QStringList imagesGiven() const
    {
        QFile log(imageLog);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static QStringList temporaryCropFolders()
    {
        return QDir(QDir::tempPath()).entryList({QStringLiteral("ravelond-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    MLXTestRoot root;
    QString imageLog = QDir(TestEnvironment::root()).filePath(QUuid::createUuid().toString(QUuid::Id128));
};

TEST_F(AppModelLocalEngineTest, FormulaAndTableAnswersKeepTheirLinesAndTheCropIsRemoved)
{
    installWorker(QStringLiteral("a = b\n  + c"));
    AppModel &app = makeModel();
    settings.setKeepLineBreaks(false);
    settings.setMlxTask(MLXTask::formula);
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied)) << app.lastError().toStdString();
    EXPECT_EQ(clipboard.string(), QStringLiteral("a = b\n  + c"));
    EXPECT_EQ(app.copySummary(), QStringLiteral("5 words · Local MLX · ") + app.latest()->timing());

    settings.setMlxTask(MLXTask::text);
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::copied)) << app.lastError().toStdString();
    EXPECT_EQ(clipboard.string(), QStringLiteral("a = b + c"));

    const QStringList images = imagesGiven();
    ASSERT_EQ(images.size(), 2);
    for (const QString &image : images) {
        EXPECT_TRUE(image.startsWith(QDir::tempPath() + QStringLiteral("/ravelond-"))) << image.toStdString();
        EXPECT_FALSE(QFile::exists(image));
    }
    EXPECT_TRUE(temporaryCropFolders().isEmpty());
}

TEST_F(AppModelLocalEngineTest, AnAnswerReadInTheSameTurnAsACancelIsNeverUsed)
{
    // The worker's answer has been read and handed over, but the recognition
    // has not resumed yet when the user cancels: the answer must be dropped.
    installWorker(QStringLiteral("together:too late"));
    AppModel &app = makeModel();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return app.mlx().findChild<QProcess *>() != nullptr; }));
    QObject::connect(app.mlx().findChild<QProcess *>(), &QProcess::readyReadStandardOutput, &app,
                     [&app] { app.cancel(); });
    ASSERT_TRUE(finishes(CapturePhase::cancelled)) << app.lastError().toStdString();
    EXPECT_EQ(copies, 0);
    EXPECT_TRUE(app.results().isEmpty());
}

TEST_F(AppModelLocalEngineTest, ATruncatedLocalAnswerFailsAndLeavesNoCrop)
{
    installWorker(QStringLiteral("truncated:half a sen"));
    AppModel &app = makeModel();
    app.startCapture();
    ASSERT_TRUE(finishes(CapturePhase::failed));
    EXPECT_EQ(app.lastError(), TrovError::of(TrovError::truncated).errorDescription());
    EXPECT_EQ(copies, 0);
    EXPECT_TRUE(temporaryCropFolders().isEmpty());
}

TEST_F(AppModelLocalEngineTest, CancellingALocalRecognitionStopsTheWorkerAndRemovesTheCrop)
{
    root.installFakeWorker(QStringLiteral("silent"));
    AppModel &app = makeModel();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return app.mlx().hasWorker(); }));
    EXPECT_EQ(temporaryCropFolders().size(), 1);
    app.cancel();
    ASSERT_TRUE(finishes(CapturePhase::cancelled));
    EXPECT_TRUE(temporaryCropFolders().isEmpty());
}

TEST_F(AppModelLocalEngineTest, ShutdownDuringALocalRecognitionLeavesNothingBehind)
{
    root.installFakeWorker(QStringLiteral("silent"));
    AppModel &app = makeModel();
    app.startCapture();
    ASSERT_TRUE(eventually([&] { return app.mlx().hasWorker(); }));
    await(app.shutdown());
    EXPECT_FALSE(app.isOperationRunning());
    EXPECT_FALSE(app.mlx().hasWorker());
    EXPECT_TRUE(temporaryCropFolders().isEmpty());
}

TEST_F(AppModelLocalEngineTest, AModelDestroyedWhileItsCropIsWrittenLeavesNoCropAndNoWorker)
{
    root.installFakeWorker(QStringLiteral("silent"));
    makeModel().startCapture();
    ASSERT_EQ(model->phase(), CapturePhase::recognizingWith(OCREngine::mlx));
    model.reset();
    // The crop is written on the pool; the operation resumes without its model.
    Background::pool().waitForDone();
    EXPECT_TRUE(eventually([] { return temporaryCropFolders().isEmpty(); }));
}

// The program's own composition, and the smoke test's report.

TEST(AppCompositionTest, HandsTheModelEveryCollaboratorItBuilt)
{
    AppComposition composition(SmokeTest::privateName());
    const AppModel::Dependencies dependencies = composition.modelDependencies();
    EXPECT_EQ(dependencies.settings, &composition.settings());
    EXPECT_EQ(dependencies.history, &composition.history());
    EXPECT_EQ(dependencies.vision, &VisionOCR::shared());
    EXPECT_EQ(dependencies.workspace, &composition.workspace());
    EXPECT_EQ(dependencies.dismissalTimer, &composition.dismissalTimer());
    EXPECT_EQ(dependencies.presenter, &composition.presenter());
    EXPECT_EQ(dependencies.copySound, composition.copySound());
    EXPECT_EQ(dependencies.platform.appearance, &composition.appearance());
    EXPECT_TRUE(dependencies.platform.screens && dependencies.platform.grabber && dependencies.platform.permission &&
                dependencies.platform.accessibility && dependencies.platform.announcer);
    EXPECT_TRUE(dependencies.chooseImageFile);
    EXPECT_EQ(composition.history().storagePath(), ClipboardHistoryStore::defaultStoragePath());
    {
        AppModel model(composition.modelDependencies());
        // Its copies reach the desktop clipboard.
        EXPECT_TRUE(model.copyAgain(QStringLiteral("composed")));
        EXPECT_EQ(composition.pasteboard().string(), QStringLiteral("composed"));
        await(model.shutdown());
    }
    composition.defaults().removeDomain();
}

TEST(AppCompositionTest, AModelWithoutItsRequiredCollaboratorsIsRefused)
{
    EXPECT_THROW(AppModel(AppModel::Dependencies{}), std::invalid_argument);
}

TEST(SmokeTestReportTest, AReportThatCannotBeWrittenIsSaidOnStderr)
{
    QTemporaryDir folder;
    const QString notAFolder = folder.filePath(QStringLiteral("plain-file"));
    QFile(notAFolder).open(QIODevice::WriteOnly);
    const QString reportPath = notAFolder + QStringLiteral("/report.json");
    const QVariantMap report{{QStringLiteral("passed"), true}};

    testing::internal::CaptureStderr();
    EXPECT_FALSE(SmokeTest::writeReport(reportPath, report));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("could not be written"), std::string::npos) << said;
    EXPECT_NE(said.find(reportPath.toStdString()), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    testing::internal::CaptureStderr();
    EXPECT_TRUE(SmokeTest::writeReport(folder.filePath(QStringLiteral("report.json")), report));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

#include "app_model_test.moc"

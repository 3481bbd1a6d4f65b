#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "doubles/FakePermission.h"
#include "doubles/FakeScreenGrabber.h"
#include "doubles/FakeScreens.h"
#include "doubles/RecordingAnnouncer.h"
#include "models/TrovError.h"
#include "services/ScreenSelection.h"
#include "support/Await.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionOverlayPresenter.h"
#include "views/SelectionWindow.h"

#include <QApplication>
#include <QCoroSignal>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

// Runs a selection call and records how it ended.
struct Outcome {
    std::optional<QImage> image;
    std::optional<TrovError> error;
    int completions = 0;
    int windowsVisibleAtCompletion = -1;
};

QCoro::Task<void> record(QCoro::Task<QImage> call, Outcome &outcome)
{
    try {
        outcome.image = co_await std::move(call);
    } catch (const TrovError &error) {
        outcome.error = error;
    }
    ++outcome.completions;
    outcome.windowsVisibleAtCompletion = FakeScreenGrabber::visibleSelectionWindows();
}

// A grab that waits until the test lets it finish.
class HeldGrabber : public QObject, public ScreenGrabber {
    Q_OBJECT
public:
    QCoro::Task<QImage> grab(QScreen *screen) override
    {
        ++started;
        co_await qCoro(this, &HeldGrabber::released);
        co_return FakeScreenGrabber::pattern(screen->geometry().size(), 1, started);
    }

    int started = 0;

Q_SIGNALS:
    void released();
};

class ScreenSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::screens().size(), 2) << "runs on the two-screen offscreen platform";
        left = QGuiApplication::screens()[0];
        right = QGuiApplication::screens()[1];
        platform = {&screens, &grabber, &permission, &accessibility, &appearance, &announcer};
        screens.pointer = QPointF(1440 + 700, 400);
        presenter.emplace(platform);
        selection.emplace(platform, &*presenter);
    }

    void TearDown() override
    {
        selection.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Starts a call and lets the event loop run until its overlays are up.
    QCoro::Task<void> start(QCoro::Task<QImage> call, Outcome &outcome)
    {
        QSignalSpy presented(&*selection, &ScreenSelection::presented);
        QCoro::Task<void> running = record(std::move(call), outcome);
        // The call runs eagerly up to its first suspension, often past showing.
        if (presenter->windows().isEmpty() && !outcome.completions)
            presented.wait(5000);
        return running;
    }

    void finishRunning(QCoro::Task<void> &running) { await(std::move(running)); }

    SelectionOverlay *overlayOn(QScreen *screen)
    {
        for (SelectionWindow *window : presenter->windows()) {
            if (window->screen() == screen)
                return window->overlay();
        }
        return nullptr;
    }

    static void key(QWidget *target, int code)
    {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    static void mouse(QWidget *target, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, target->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    // A capture confirmed with this rectangle on that display's overlay.
    Outcome captureSelecting(QScreen *screen, const QRectF &rectangle)
    {
        Outcome outcome;
        QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
        overlayOn(screen)->onSelection(rectangle);
        finishRunning(running);
        return outcome;
    }

    void expectPlatformFailureBeforeAnyOverlay(const QString &description)
    {
        Outcome outcome;
        QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
        finishRunning(running);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->kind(), TrovError::platform);
        EXPECT_EQ(outcome.error->errorDescription(), description);
        EXPECT_EQ(FakeScreenGrabber::visibleSelectionWindows(), 0);
        EXPECT_TRUE(presenter->windows().isEmpty());
    }

    QScreen *left = nullptr;
    QScreen *right = nullptr;
    FakeScreens screens;
    FakeScreenGrabber grabber;
    FakePermission permission;
    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    RecordingAnnouncer announcer;
    SelectionPlatform platform;
    std::optional<SelectionOverlayPresenter> presenter;
    std::optional<ScreenSelection> selection;
};

} // namespace

TEST_F(ScreenSelectionTest, FreezesAndCoversEveryDisplayAndTheKeyOverlayIsUnderThePointer)
{
    Outcome outcome;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
    EXPECT_EQ(grabber.grabbed, QStringList({QStringLiteral("left"), QStringLiteral("right")}));
    EXPECT_EQ(grabber.windowsVisibleDuringGrabs, 0) << "every grab happens before any overlay";
    const QList<SelectionWindow *> windows = presenter->windows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->geometry(), left->geometry());
    EXPECT_EQ(windows[1]->geometry(), right->geometry());
    EXPECT_EQ(windows[1]->windowTitle(), QStringLiteral("Ravelond selection"));
    EXPECT_TRUE(windows[1]->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_EQ(overlayOn(right)->image().size(), QSize(2880, 1800)) << "the grab in device pixels";
    EXPECT_EQ(QWidget::keyboardGrabber(), overlayOn(right));

    key(QWidget::keyboardGrabber(), Qt::Key_Right);
    key(QWidget::keyboardGrabber(), Qt::Key_Return);
    finishRunning(running);
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_EQ(outcome.completions, 1);
    EXPECT_EQ(outcome.windowsVisibleAtCompletion, 0) << "every overlay closed before the caller resumes";
    // (490, 370, 480, 160) points at scale 2.
    EXPECT_EQ(*outcome.image, grabber.images[QStringLiteral("right")].copy(980, 740, 960, 320));
    EXPECT_EQ(selection->selectedScreen(), right);
    EXPECT_TRUE(presenter->windows().isEmpty());
}

TEST_F(ScreenSelectionTest, AClickOnTheOtherDisplayTakesTheKeyboardAndSelectsThere)
{
    Outcome outcome;
    QCoro::Task<void> running = start(selection->capture(OCREngine::mlx), outcome);
    SelectionOverlay *leftOverlay = overlayOn(left);
    ASSERT_NE(leftOverlay, nullptr);
    mouse(leftOverlay, QEvent::MouseButtonPress, {10, 20});
    EXPECT_EQ(QWidget::keyboardGrabber(), leftOverlay);
    mouse(leftOverlay, QEvent::MouseMove, {110, 70});
    mouse(leftOverlay, QEvent::MouseButtonRelease, {110, 70});
    finishRunning(running);
    ASSERT_TRUE(outcome.image);
    EXPECT_EQ(*outcome.image, grabber.images[QStringLiteral("left")].copy(10, 20, 100, 50));
    EXPECT_EQ(selection->selectedScreen(), left);
}

TEST_F(ScreenSelectionTest, FractionalSelectionCoversEveryTouchedDevicePixel)
{
    const Outcome outcome = captureSelecting(right, QRectF(10.25, 20.5, 100.5, 50.25));
    ASSERT_TRUE(outcome.image);
    EXPECT_EQ(outcome.image->size(), QSize(202, 101));
    EXPECT_EQ(*outcome.image, grabber.images[QStringLiteral("right")].copy(20, 41, 202, 101));
}

TEST_F(ScreenSelectionTest, ACropOutsideThePictureIsAnInvalidImage)
{
    const Outcome outcome = captureSelecting(left, QRectF(5000, 5000, 10, 10));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::invalidImage);
    EXPECT_EQ(selection->selectedScreen(), nullptr);
}

TEST_F(ScreenSelectionTest, AFailedGrabFailsWithItsDescriptionBeforeAnyOverlay)
{
    grabber.failing = QStringLiteral("right");
    expectPlatformFailureBeforeAnyOverlay(QStringLiteral("The display “right” went away."));
    EXPECT_EQ(grabber.grabbed.size(), 2);
}

TEST_F(ScreenSelectionTest, AnEmptyGrabIsAPlatformFailureNotAnInvalidImage)
{
    grabber.blank = QStringLiteral("left");
    expectPlatformFailureBeforeAnyOverlay(QStringLiteral("The display “left” could not be captured."));
    EXPECT_EQ(grabber.grabbed.size(), 1) << "stops at the first failure";
}

TEST_F(ScreenSelectionTest, WithoutPermissionCaptureFailsButPracticeWorks)
{
    permission.granted = false;
    EXPECT_FALSE(selection->hasPermission());
    Outcome denied;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision), denied);
    finishRunning(running);
    ASSERT_TRUE(denied.error);
    EXPECT_EQ(denied.error->kind(), TrovError::permission);
    EXPECT_TRUE(grabber.grabbed.isEmpty());

    Outcome practised;
    running = start(selection->practice(OCREngine::vision), practised);
    ASSERT_EQ(presenter->windows().size(), 1);
    EXPECT_EQ(selection->selectedScreen(), right) << "set before anything is shown";
    SelectionOverlay *overlay = presenter->windows()[0]->overlay();
    EXPECT_EQ(overlay->image().size(), QSize(2880, 1800));
    EXPECT_EQ(overlay->accessibleLabel(), QStringLiteral("Practice screenshot selection"));
    overlay->onSelection(QRectF(440, 300, 560, 300));
    finishRunning(running);
    ASSERT_TRUE(practised.image);
    EXPECT_EQ(practised.image->size(), QSize(1120, 600));
    selection->requestPermission();
    EXPECT_EQ(permission.requests, 1);
}

TEST_F(ScreenSelectionTest, PracticeChoosesTheDisplayUnderThePointer)
{
    const auto practiceScreen = [this](QPointF pointer) {
        screens.pointer = pointer;
        Outcome outcome;
        QCoro::Task<void> running = start(selection->practice(OCREngine::vision), outcome);
        QScreen *chosen = selection->selectedScreen();
        selection->cancel();
        finishRunning(running);
        EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
        return chosen;
    };
    EXPECT_EQ(practiceScreen({100, 100}), left);
    EXPECT_EQ(practiceScreen({1440, 100}), right) << "the seam belongs to the display it starts";
    EXPECT_EQ(practiceScreen({1439.5, 899.5}), left);
    EXPECT_EQ(practiceScreen({-50, -50}), QGuiApplication::primaryScreen());
}

TEST_F(ScreenSelectionTest, NoCopyOfTheFrozenPicturesOutlivesTheOverlays)
{
    for (const bool selecting : {true, false}) {
        SCOPED_TRACE(selecting ? "selected" : "cancelled");
        grabber.images.clear();
        Outcome outcome;
        QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
        ASSERT_EQ(grabber.images.size(), 2);
        for (const QImage &frozen : std::as_const(grabber.images))
            EXPECT_FALSE(frozen.isDetached()) << "the overlays show the grabbed pictures";
        if (selecting)
            overlayOn(left)->onSelection(QRectF(10, 10, 100, 50));
        else
            selection->cancel();
        finishRunning(running);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Only the grabber's record of what it handed out is left.
        for (const QImage &frozen : std::as_const(grabber.images))
            EXPECT_TRUE(frozen.isDetached());
    }
}

TEST_F(ScreenSelectionTest, CancelClosesEveryWindowBeforeTheCallerResumes)
{
    selection->cancel();
    Outcome outcome;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
    QPointer<SelectionWindow> first = presenter->windows()[0];
    key(overlayOn(right), Qt::Key_Escape);
    selection->cancel();
    finishRunning(running);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
    EXPECT_EQ(outcome.completions, 1);
    EXPECT_EQ(outcome.windowsVisibleAtCompletion, 0);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
}

TEST_F(ScreenSelectionTest, RightClickCancels)
{
    Outcome outcome;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
    mouse(overlayOn(left), QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);
    finishRunning(running);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
}

TEST_F(ScreenSelectionTest, StoppingTheCallerWhileUpCancelsAndBeforeIsATaskCancel)
{
    std::stop_source early;
    early.request_stop();
    Outcome before;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision, early.get_token()), before);
    finishRunning(running);
    EXPECT_EQ(before.error->kind(), TrovError::taskCancelled);
    EXPECT_TRUE(grabber.grabbed.isEmpty());
    EXPECT_EQ(FakeScreenGrabber::visibleSelectionWindows(), 0);

    std::stop_source later;
    Outcome during;
    running = start(selection->practice(OCREngine::vision, later.get_token()), during);
    ASSERT_EQ(presenter->windows().size(), 1);
    later.request_stop();
    finishRunning(running);
    EXPECT_EQ(during.error->kind(), TrovError::cancelled);
    EXPECT_EQ(during.windowsVisibleAtCompletion, 0);
}

TEST_F(ScreenSelectionTest, ASecondCallEndsTheFirstPresentationAndAStaleStopChangesNothing)
{
    std::stop_source first;
    Outcome firstOutcome;
    QCoro::Task<void> firstRunning = start(selection->capture(OCREngine::vision, first.get_token()), firstOutcome);
    QList<QPointer<SelectionWindow>> firstWindows;
    for (SelectionWindow *window : presenter->windows())
        firstWindows.append(window);
    ASSERT_EQ(firstWindows.size(), 2);
    Outcome secondOutcome;
    QCoro::Task<void> secondRunning = start(selection->practice(OCREngine::vision), secondOutcome);
    finishRunning(firstRunning);
    ASSERT_TRUE(firstOutcome.error);
    EXPECT_EQ(firstOutcome.error->kind(), TrovError::cancelled);
    for (const QPointer<SelectionWindow> &window : firstWindows)
        EXPECT_TRUE(window.isNull() || !window->isVisible()) << "no orphaned full-screen window";

    first.request_stop();
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter->windows().size(), 1) << "the later presentation stays up";
    presenter->windows()[0]->overlay()->onSelection(QRectF(0, 0, 10, 10));
    finishRunning(secondRunning);
    EXPECT_TRUE(secondOutcome.image);
    EXPECT_EQ(firstOutcome.completions, 1);
}

TEST_F(ScreenSelectionTest, ReduceMotionShowsTheWindowsOpaqueAtOnce)
{
    accessibility.motion = true;
    Outcome outcome;
    QCoro::Task<void> running = start(selection->capture(OCREngine::vision), outcome);
    for (SelectionWindow *window : presenter->windows())
        EXPECT_EQ(window->windowOpacity(), 1.0);
    selection->cancel();
    finishRunning(running);

    accessibility.motion = false;
    running = start(selection->capture(OCREngine::vision), outcome);
    EXPECT_LT(presenter->windows()[0]->windowOpacity(), 1.0) << "fades in";
    selection->cancel();
    finishRunning(running);
}

TEST_F(ScreenSelectionTest, AServiceDestroyedDuringAGrabEndsTheCallWithoutTouchingIt)
{
    HeldGrabber held;
    platform.grabber = &held;
    auto service = std::make_unique<ScreenSelection>(platform, &*presenter);
    Outcome outcome;
    QCoro::Task<void> running = record(service->capture(OCREngine::vision), outcome);
    ASSERT_EQ(held.started, 1);
    service.reset();
    Q_EMIT held.released();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.completions == 1; }, 5000));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::taskCancelled);
    EXPECT_EQ(held.started, 1) << "no display grabbed after the service went";
    EXPECT_EQ(FakeScreenGrabber::visibleSelectionWindows(), 0);
}

#include "screen_selection_test.moc"

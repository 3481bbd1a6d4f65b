#include "app/FeedbackPanelPresenter.h"
#include "app/IdleWarmUp.h"
#include "app/WindowController.h"
#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakePermission.h"
#include "doubles/FakeScreens.h"
#include "doubles/RecordingAnnouncer.h"
#include "doubles/RecordingSoundPlayer.h"
#include "doubles/RecordingWorkspace.h"
#include "platform/DefaultsDomain.h"
#include "platform/MemoryPasteboard.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "support/Gate.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QUuid>
#include <gtest/gtest.h>

#include <mutex>

namespace {

// A real model whose recognitions wait for the test's gate, wired to the
// controller as the delegate wires it.
class WindowControllerTest : public ::testing::Test {
protected:
    WindowControllerTest()
    {
        AppModel::Dependencies dependencies;
        dependencies.settings = &preferences;
        dependencies.history = &history;
        dependencies.vision = &vision;
        dependencies.workspace = &workspace;
        dependencies.copySound = &sound;
        dependencies.platform.screens = &screens;
        dependencies.platform.permission = &permission;
        model = std::make_unique<AppModel>(dependencies);
        model->copyText = [](const QString &) { return true; };
        model->onFeedback = [this] { windows.showFeedback(*model); };
        model->onHideSurfaces = [this] { windows.hideForCapture(); };
        ImageFixtures::text(QStringLiteral("Grace"), 40).save(image);
    }

    QRect target(bool failed) const
    {
        return FeedbackPanelPresenter::frame(QGuiApplication::primaryScreen()->availableGeometry(), failed);
    }

    QStringList announced() const
    {
        QStringList texts;
        for (const auto &announcement : announcer.announcements)
            texts << announcement.text;
        return texts;
    }

    DefaultsDomain defaults{QStringLiteral("windows.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces)};
    Preferences preferences{defaults};
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore history{TestEnvironment::root() + QStringLiteral("/windows-history.json"), pasteboard};
    // Replaced between recognitions; each recognition waits for the gate of its start.
    void holdRecognitions(bool hold, QString answer = QStringLiteral("Grace"))
    {
        const std::lock_guard lock(mutex);
        gate = std::make_shared<Gate>();
        if (!hold)
            gate->open();
        this->answer = std::move(answer);
    }
    void releaseRecognition()
    {
        const std::lock_guard lock(mutex);
        gate->open();
    }

    std::mutex mutex;
    std::shared_ptr<Gate> gate;
    QString answer;
    VisionOCR vision{[this](const QImage &, TextRecognitionRequest &) {
        std::shared_ptr<Gate> held;
        QString text;
        {
            const std::lock_guard lock(mutex);
            held = gate;
            text = answer;
        }
        held->wait();
        return OCRResponse{text, false};
    }};
    RecordingWorkspace workspace;
    RecordingSoundPlayer sound;
    FakeScreens screens;
    FakePermission permission;
    RecordingAnnouncer announcer;
    FakeAccessibilityPreferences accessibility;
    WindowController windows{&announcer, &accessibility};
    std::unique_ptr<AppModel> model;
    QString image = TestEnvironment::root() + QStringLiteral("/grace.png");
};

} // namespace

TEST_F(WindowControllerTest, AQuickRecognitionShowsOnlyItsOutcomeAndASlowOneItsProgressAfterTheGrace)
{
    holdRecognitions(false);
    bool panelWhileRecognizing = false;
    QObject::connect(model.get(), &AppModel::phaseChanged, [&](const CapturePhase &phase) {
        if (phase.kind() == CapturePhase::copied)
            panelWhileRecognizing = windows.feedbackPanel() != nullptr;
    });
    model->importImage(image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->phase().kind() == CapturePhase::copied; }, Patience::untilHung));
    EXPECT_FALSE(panelWhileRecognizing);
    EXPECT_EQ(announced(), QStringList{FeedbackPanelPresenter::copiedAnnouncement});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return windows.feedbackPanel()->geometry() == target(false); }, Patience::untilHung));
    EXPECT_EQ(windows.feedbackPanel()->windowTitle(), QStringLiteral("Ravelond feedback"));

    windows.hideFeedback(true);
    EXPECT_EQ(windows.feedbackPanel(), nullptr);
    holdRecognitions(true, QString());
    QElapsedTimer clock;
    clock.start();
    model->importImage(image);
    EXPECT_EQ(windows.feedbackPanel(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows.feedbackPanel() != nullptr; }, Patience::untilHung));
    EXPECT_GE(clock.elapsed(), 160);
    EXPECT_EQ(announced().last(), FeedbackPanelPresenter::recognizingAnnouncement);
    EXPECT_EQ(windows.feedbackPanel()->geometry().top(), target(false).top() - FeedbackPanelPresenter::entranceSlide)
        << "a new panel starts a little higher and slides down";

    releaseRecognition(); // an empty answer: the panel grows, keeping its top edge
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->phase().kind() == CapturePhase::failed; }, Patience::untilHung));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return windows.feedbackPanel()->geometry() == target(true); }, Patience::untilHung));
    EXPECT_EQ(announced().last(), model->lastError());
    const int announcements = int(announcer.announcements.size());
    windows.showFeedback(*model);
    EXPECT_EQ(announcer.announcements.size(), announcements) << "the same phase is announced once";
    for (const auto &announcement : announcer.announcements) {
        EXPECT_EQ(announcement.source, QCoreApplication::instance()) << "announced by the application";
        EXPECT_EQ(announcement.priority, Announcer::medium);
    }
    windows.hideFeedback(true);
    EXPECT_EQ(announcer.withdrawn.value(0), QCoreApplication::instance()) << "what it said leaves with the panel";
}

TEST_F(WindowControllerTest, AFadeOverTakenByANewPresentationKeepsThePanel)
{
    accessibility.motion = true; // also: no slide, the short durations
    holdRecognitions(false);
    model->importImage(image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->phase().kind() == CapturePhase::copied; }, Patience::untilHung));
    QWidget *panel = windows.feedbackPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), target(false));

    windows.hideFeedback();
    windows.showFeedback(*model);
    QTest::qWait(FeedbackPanelPresenter::fadeMilliseconds * 2); // well past the fade's end
    EXPECT_EQ(windows.feedbackPanel(), panel);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->windowOpacity() == 1.0; }, Patience::untilHung));

    windows.hideFeedback();
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows.feedbackPanel() == nullptr; }, Patience::untilHung));
}

TEST_F(WindowControllerTest, TheIdleWarmUpMakesAndPaintsTheSettingsWindowAheadAndItsOpeningShowsThatWindow)
{
    IdleWarmUp warmUp(IdleWarmUp::windowsOf(windows, nullptr, *model), std::chrono::milliseconds(0));
    QSignalSpy finished(&warmUp, &IdleWarmUp::finished);
    ASSERT_TRUE(finished.wait(10000));
    const QPointer<QWidget> preferences = windows.preferencesWindow();
    ASSERT_NE(preferences, nullptr);
    EXPECT_FALSE(preferences->isVisible()) << "made ahead, not shown";
    EXPECT_TRUE(preferences->testAttribute(Qt::WA_WState_Polished));
    EXPECT_FALSE(windows.hasVisibleWindow());
    EXPECT_EQ(windows.welcomeWindow(), nullptr) << "made on first use only";

    windows.showPreferences(*model);
    EXPECT_EQ(windows.preferencesWindow(), preferences);
    EXPECT_TRUE(preferences->isVisible());
}

TEST_F(WindowControllerTest, TheIdleWarmUpWaitsWhileAnOperationRunsAndCallsAStepAgainUntilItIsDone)
{
    bool busy = true;
    int busyLooks = 0;
    int slices = 0;
    QStringList ran;
    IdleWarmUp warmUp({[&] {
                           ran << QStringLiteral("sliced");
                           return ++slices < 3;
                       },
                       [&] {
                           ran << QStringLiteral("whole");
                           return false;
                       }},
                      std::chrono::milliseconds(0), [&] {
                          ++busyLooks;
                          return busy;
                      });
    QSignalSpy finished(&warmUp, &IdleWarmUp::finished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return busyLooks >= 3; }));
    EXPECT_TRUE(ran.isEmpty()) << "a step ran while the program was busy";
    busy = false;
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(ran, (QStringList{"sliced", "sliced", "sliced", "whole"}));
}

TEST_F(WindowControllerTest, WindowsAreMadeOnceWithTheirTitlesAndSizesAndOnlyTheResultIsReplaced)
{
    windows.showWelcome(*model);
    windows.showPreferences(*model);
    windows.showHistory(*model);
    const CaptureResult first(QStringLiteral("one"), OCREngine::vision, 0.1);
    windows.showResult(first, *model);
    QPointer<QWidget> firstResult = windows.resultWindow();
    windows.showResult(CaptureResult(QStringLiteral("two"), OCREngine::vision, 0.1), *model);
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstResult.isNull(); }, Patience::untilHung));

    const struct {
        QWidget *window;
        const char *title;
        QSize size;
        bool resizable;
    } expected[] = {
        {windows.welcomeWindow(), "Welcome to Ravelond", {670, 510}, false},
        {windows.preferencesWindow(), "Ravelond Settings", {580, 565}, false},
        {windows.resultWindow(), "Ravelond — Captured Text", {640, 470}, true},
        {windows.historyWindow(), "Ravelond — Clipboard History", {520, 560}, true},
    };
    for (const auto &window : expected) {
        ASSERT_NE(window.window, nullptr);
        EXPECT_EQ(window.window->windowTitle(), QString::fromUtf8(window.title));
        EXPECT_EQ(window.window->minimumSize(), window.size);
        EXPECT_EQ(window.window->maximumSize() == window.size, !window.resizable);
        EXPECT_TRUE(window.window->isVisible());
    }
    QWidget *welcome = windows.welcomeWindow();
    welcome->close();
    windows.hideForCapture();
    EXPECT_FALSE(windows.hasVisibleWindow());
    windows.showWelcome(*model);
    EXPECT_EQ(windows.welcomeWindow(), welcome) << "closing does not delete; the same window comes back";
    EXPECT_TRUE(welcome->isVisible());
}

TEST_F(WindowControllerTest, AnEditedResultIsKeptAndComesBackFromMinimisedAndAReplacedOneStaysGoneAfterTheOperation)
{
    windows.showResult(CaptureResult(QStringLiteral("one"), OCREngine::vision, 0.1), *model);
    QWidget *edited = windows.resultWindow();
    edited->findChild<QTextEdit *>(QStringLiteral("editor"))->setPlainText(QStringLiteral("one, edited"));
    windows.showResult(CaptureResult(QStringLiteral("two"), OCREngine::vision, 0.1), *model);
    ASSERT_EQ(windows.keptResultWindows(), QList<QWidget *>{edited});

    // Minimised, and the only window left: a second launch brings it back.
    windows.resultWindow()->close();
    edited->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(windows.hasVisibleWindow());
    windows.bringForward();
    EXPECT_FALSE(edited->isMinimized());
    EXPECT_TRUE(edited->isVisible());

    // An untouched window hidden for an operation and replaced meanwhile (a
    // copy that failed opens the result) does not come back when it ends.
    edited->close();
    windows.showResult(CaptureResult(QStringLiteral("three"), OCREngine::vision, 0.1), *model);
    const QPointer<QWidget> replaced = windows.resultWindow();
    windows.hideForCapture();
    windows.showResult(CaptureResult(QStringLiteral("four"), OCREngine::vision, 0.1), *model);
    windows.restoreAfterCapture();
    EXPECT_TRUE(!replaced || !replaced->isVisible());
    EXPECT_TRUE(windows.resultWindow()->isVisible());
}

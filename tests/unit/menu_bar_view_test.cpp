#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "support/FeedbackModelFixture.h"
#include "support/FileDrag.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/ShownChild.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include "stores/ClipboardHistoryStore.h"
#include "support/design/CaptureButton.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "views/DropZone.h"
#include "views/EngineChips.h"
#include "views/MenuBarView.h"
#include "views/ResultRow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace {

class MenuBarViewTest : public ::testing::Test {
protected:
    MenuBarViewTest() : environment(accessibility, appearance, [] { return true; }) {}

    // The panel in a window that follows its size, as the popover hosts it.
    MenuBarView &showPanel()
    {
        host = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        environment.attach(*host);
        view = new MenuBarView(fixture.model(), fixture.settings(), fixture.model().mlxSetup(), fixture.history(),
                               host.get());
        auto *layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(view);
        host->show();
        return *view;
    }

    template <typename Widget = QWidget>
    Widget *named(const QString &name) const
    {
        return shownChild<Widget>(*view, name);
    }

    QString text(const QString &name) const
    {
        const auto *label = named<ClampedLabel>(name);
        return label ? label->text() : QStringLiteral("<none>");
    }

    QList<ResultRow *> rows() const
    {
        QList<ResultRow *> shown;
        for (ResultRow *row : view->findChildren<ResultRow *>(QStringLiteral("resultRow"))) {
            if (row->isVisibleTo(view))
                shown << row;
        }
        std::sort(shown.begin(), shown.end(), [](ResultRow *a, ResultRow *b) { return a->y() < b->y(); });
        return shown;
    }

    void click(const QString &name)
    {
        auto *button = named<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << qPrintable(name);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }

    bool eventually(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 10000); }

    QString image(const QString &name)
    {
        const QString path = QDir(TestEnvironment::root()).filePath(name);
        ImageFixtures::text(QStringLiteral("Dropped"), 40).save(path);
        return path;
    }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    FeedbackModelFixture fixture;
    std::unique_ptr<QWidget> host;
    MenuBarView *view = nullptr;
};

} // namespace

TEST_F(MenuBarViewTest, TheCardShowsAtMostThreeNewestRowsUnderItsHeaderAndClearBringsBackTheDropZone)
{
    const QStringList texts = {"one", "two", "three", "four", "five", "six"};
    const struct {
        const char *name;
        bool remember;
        int captures;
        QString header;
        QStringList rows;
    } cases[] = {
        {"nothing kept", false, 0, QString(), {}},
        {"one kept", false, 1, QStringLiteral("LAST CAPTURE"), {"one"}},
        {"six kept", true, 6, QStringLiteral("RECENT CAPTURES"), {"six", "five", "four"}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        fixture.settings().setRememberSession(row.remember);
        fixture.model().clearResults();
        for (int i = 0; i < row.captures; ++i)
            fixture.copy(texts[i]);
        showPanel();
        EXPECT_EQ(named(QStringLiteral("dropZone")) != nullptr, row.captures == 0);
        EXPECT_EQ(named(QStringLiteral("cardHeader")) != nullptr, row.captures > 0);
        if (row.captures == 0) {
            EXPECT_EQ(text(QStringLiteral("dropHeadline")), QStringLiteral("See it. Trov it. Paste it."));
            EXPECT_EQ(text(QStringLiteral("dropHint")),
                      QStringLiteral("Drag an image here, or select anything on screen."));
            continue;
        }
        EXPECT_EQ(named(QStringLiteral("cardHeader"))->accessibleName(), row.header);
        QStringList shown;
        for (ResultRow *each : rows())
            shown << each->result().text;
        EXPECT_EQ(shown, row.rows);
    }

    const int withCard = host->height();
    click(QStringLiteral("clearButton"));
    EXPECT_TRUE(fixture.model().results().isEmpty());
    EXPECT_NE(named(QStringLiteral("dropZone")), nullptr);
    EXPECT_EQ(named(QStringLiteral("cardHeader")), nullptr);
    EXPECT_TRUE(eventually([&] { return host->height() < withCard; })) << "the host follows the panel's height";
}

TEST_F(MenuBarViewTest, ARowSaysWordsForEveryCountAndOpensItsResult)
{
    const CaptureResult single(QStringLiteral("Hello"), OCREngine::vision, 0.3456);
    EXPECT_EQ(ResultRow::detailLine(single), QStringLiteral("1 words · Apple Vision · 345 ms"));
    const CaptureResult slow(QStringLiteral("two words"), OCREngine::mlx, 12.34);
    EXPECT_EQ(ResultRow::detailLine(slow), QStringLiteral("2 words · Local MLX · 12.3 s"));

    fixture.copy(QStringLiteral("Open me & see"));
    showPanel();
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows().first()->accessibleName(), QStringLiteral("Open me & see"));
    EXPECT_TRUE(rows().first()->shortcut().isEmpty()) << "an ampersand in the text makes no keyboard shortcut";
    fixture.calls.clear();
    click(QStringLiteral("resultRow"));
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("review: Open me & see")});
}

TEST_F(MenuBarViewTest, EachPhaseShowsItsStatusAndBusyPhasesLockOutWhatWouldStartOrCopy)
{
    const QStringList lockedWhileBusy = {"engineChip.vision", "engineChip.mlx", "copyLast", "openImageButton",
                                         "practiceButton"};
    const QStringList alwaysUsable = {"settingsButton", "clearButton", "resultRow",  "historyButton",
                                      "keepLineBreaks", "helpButton",  "quitButton", "captureButton"};
    const struct {
        const char *phase;
        std::function<void(FeedbackModelFixture &)> enter;
        QString status;
        const char *dot;
        bool busy;
    } cases[] = {
        {"idle", [](FeedbackModelFixture &f) { f.model().dismissFeedback(); }, QStringLiteral("Ready when you are."),
         "teal", false},
        {"selecting", [](FeedbackModelFixture &f) { f.select(); }, QStringLiteral("Framing your words…"), "teal", true},
        {"recognizing", [](FeedbackModelFixture &f) { f.recognize(OCREngine::mlx); },
         QStringLiteral("Reading on your Mac…"), "teal", true},
        {"copied", [](FeedbackModelFixture &f) { f.copy(QStringLiteral("again")); },
         QStringLiteral("Copied and ready to paste."), "teal", false},
        {"cancelled", [](FeedbackModelFixture &f) { f.cancel(); }, QStringLiteral("Ready when you are."), "teal",
         false},
        {"failed", [](FeedbackModelFixture &f) { f.fail(QStringLiteral("Broken")); },
         QStringLiteral("Needs a little attention."), "orange", false},
    };
    fixture.copy(QStringLiteral("kept"));
    fixture.settings().setClipboardHistory(true);
    showPanel();
    for (const auto &row : cases) {
        SCOPED_TRACE(row.phase);
        row.enter(fixture);
        EXPECT_EQ(text(QStringLiteral("statusText")), row.status);
        EXPECT_EQ(named(QStringLiteral("statusDot"))->property("ink").toString(), QLatin1String(row.dot));
        const auto *capture = named<CaptureButton>(QStringLiteral("captureButton"));
        EXPECT_EQ(capture->text(), row.busy ? QStringLiteral("Cancel capture") : QStringLiteral("Capture text"));
        EXPECT_EQ(capture->symbol(), row.busy ? QStringLiteral("xmark") : QStringLiteral("viewfinder"));
        for (const QString &name : lockedWhileBusy + alwaysUsable) {
            const QWidget *control = named(name);
            ASSERT_NE(control, nullptr) << qPrintable(name);
            EXPECT_EQ(control->isEnabled(), !row.busy || alwaysUsable.contains(name)) << qPrintable(name);
        }
        if (row.busy) {
            click(QStringLiteral("captureButton"));
            EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::cancelledPhase(); }))
                << "the capture button cancels while busy";
        }
    }
}

TEST_F(MenuBarViewTest, ReturnPressesTheCaptureButton)
{
    showPanel();
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get(), Patience::untilHung));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(eventually([&] { return fixture.model().phase().isBusy(); }));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::cancelledPhase(); }));
}

// Return and Enter do what the focused control says; only with none (or the
// capture button) focused do they capture.
TEST_F(MenuBarViewTest, ReturnPressesTheFocusedControlAndCapturesOnlyWithoutOne)
{
    const struct {
        const char *focused;
        int key;
        QStringList calls;
        bool captures;
        bool lineBreaks;
    } cases[] = {
        {"openImageButton", Qt::Key_Return, {QStringLiteral("choose image")}, false, false},
        {"openImageButton", Qt::Key_Enter, {QStringLiteral("choose image")}, false, false},
        {"settingsButton", Qt::Key_Return, {QStringLiteral("settings")}, false, false},
        {"keepLineBreaks", Qt::Key_Return, {}, false, true},
        {"captureButton", Qt::Key_Enter, {}, true, false},
        {nullptr, Qt::Key_Return, {}, true, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.focused ? row.focused : "no control");
        fixture.settings().setKeepLineBreaks(false);
        showPanel();
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get(), Patience::untilHung));
        QWidget *target = row.focused ? named(QLatin1String(row.focused)) : static_cast<QWidget *>(view);
        ASSERT_NE(target, nullptr);
        target->setFocus(Qt::TabFocusReason);
        fixture.calls.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(row.key));
        if (row.captures) {
            EXPECT_TRUE(eventually([&] { return fixture.model().phase().isBusy(); }));
            fixture.model().cancel();
            EXPECT_TRUE(eventually([&] { return !fixture.model().phase().isBusy(); }));
        } else {
            EXPECT_FALSE(fixture.model().phase().isBusy());
        }
        EXPECT_EQ(fixture.calls.filter(QRegularExpression(QStringLiteral("^(choose image|settings)$"))), row.calls);
        EXPECT_EQ(fixture.settings().keepLineBreaks(), row.lineBreaks);
    }
}

TEST_F(MenuBarViewTest, TabGoesThroughThePanelInTheOrderShownAndTheAppShortcutsWork)
{
    fixture.copy(QStringLiteral("kept"));
    MenuBarView &panel = showPanel();
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get(), Patience::untilHung));
    named(QStringLiteral("settingsButton"))->setFocus(Qt::OtherFocusReason);
    // The engine chips are one exclusive group: Tab stops at the chosen one, the arrows move within.
    const QStringList order = {"captureButton", "engineChip.vision", "clearButton",    "resultRow",
                               "copyLast",      "openImageButton",   "keepLineBreaks", "practiceButton",
                               "helpButton",    "quitButton",        "settingsButton"};
    QStringList tabbed;
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(tabbed, order);

    QSignalSpy quit(&panel, &MenuBarView::quitRequested);
    fixture.calls.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("settings")});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(MenuBarViewTest, OnlyTheFirstDroppedFileIsImportedOnceTheDropIsOverAndOnlyAsACopy)
{
    const QString first = image(QStringLiteral("first.png"));
    const QList<QUrl> files = {QUrl::fromLocalFile(first), QUrl::fromLocalFile(QStringLiteral("/nonexistent/2.png")),
                               QUrl::fromLocalFile(QStringLiteral("/nonexistent/3.png"))};
    fixture.copy(QStringLiteral("the card is up"));
    MenuBarView &panel = showPanel();
    FileDrag drag(files);
    ASSERT_TRUE(drag.enter(panel));
    EXPECT_TRUE(panel.isDropTarget());
    EXPECT_EQ(drag.action(), Qt::CopyAction) << "never a move that would let the source delete its file";
    ASSERT_TRUE(drag.drop(panel));
    EXPECT_FALSE(panel.isDropTarget());
    EXPECT_FALSE(fixture.model().isOperationRunning()) << "not inside the drop event";
    EXPECT_TRUE(eventually([&] { return fixture.model().isOperationRunning(); }));
    fixture.finishRecognition(QStringLiteral("Dropped"));
    EXPECT_EQ(fixture.model().phase(), CapturePhase::copiedPhase()) << "the first file, not a missing one";
    EXPECT_EQ(fixture.model().latest()->text, QStringLiteral("Dropped"));
}

TEST_F(MenuBarViewTest, WhileBusyADraggedFileStillHighlightsButItsDropIsRefused)
{
    fixture.select();
    MenuBarView &panel = showPanel();
    auto *zone = named<DropZone>(QStringLiteral("dropZone"));
    FileDrag drag({QUrl::fromLocalFile(image(QStringLiteral("busy.png")))});
    ASSERT_TRUE(drag.enter(panel));
    EXPECT_TRUE(zone->isTargeted());
    EXPECT_EQ(zone->property("symbol").toString(), QStringLiteral("arrow.down.doc"));
    EXPECT_FALSE(drag.drop(panel));
    EXPECT_FALSE(zone->isTargeted());
    QTest::qWait(50); // one more turn of the event loop: no import was queued
    click(QStringLiteral("captureButton"));
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::cancelledPhase(); }));
    EXPECT_TRUE(fixture.model().results().isEmpty());

    FileDrag text = FileDrag::ofText(QStringLiteral("/tmp/a.png"));
    FileDrag web({QUrl(QStringLiteral("https://example.com/a.png"))});
    for (FileDrag *other : {&text, &web}) {
        EXPECT_FALSE(other->enter(panel)) << "not a local file";
        EXPECT_FALSE(zone->isTargeted());
    }
}

TEST_F(MenuBarViewTest, TheBadgeAndHintLeaveWhenTheLocalEngineIsReadyWithoutARebuild)
{
    fixture.setLocalEngineInstalled(false);
    showPanel();
    QAbstractButton *mlx = named<QAbstractButton>(QStringLiteral("engineChip.mlx"));
    EXPECT_EQ(mlx->property("badgeSymbol").toString(), QStringLiteral("arrow.down.circle"));
    EXPECT_EQ(named(QStringLiteral("setupHint")), nullptr) << "only while the local engine is chosen";

    click(QStringLiteral("engineChip.mlx"));
    EXPECT_EQ(fixture.settings().engine(), OCREngine::mlx);
    EXPECT_TRUE(mlx->isChecked());
    EXPECT_EQ(mlx->accessibleName(), QStringLiteral("Use Local MLX"));
    EXPECT_NE(named(QStringLiteral("setupHint")), nullptr);
    fixture.calls.clear();
    click(QStringLiteral("setupLink"));
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("settings")});

    fixture.setLocalEngineInstalled(true);
    EXPECT_EQ(named<QAbstractButton>(QStringLiteral("engineChip.mlx")), mlx) << "the same chip";
    EXPECT_FALSE(mlx->property("badgeSymbol").isValid());
    EXPECT_EQ(named(QStringLiteral("setupHint")), nullptr);
}

TEST_F(MenuBarViewTest, TheEngineHighlightGlidesUnlessReduceMotionIsOn)
{
    for (const bool still : {false, true}) {
        SCOPED_TRACE(still ? "Reduce Motion" : "motion");
        accessibility.motion = still;
        fixture.settings().setEngine(OCREngine::vision);
        showPanel();
        click(QStringLiteral("engineChip.mlx"));
        auto *chips = named<EngineChips>(QStringLiteral("engineChips"));
        EXPECT_EQ(chips->isGliding(), !still);
        EXPECT_TRUE(eventually([&] { return !chips->isGliding(); }));
        EXPECT_EQ(chips->selectionOf(OCREngine::mlx), 1.0);
        EXPECT_EQ(chips->selectionOf(OCREngine::vision), 0.0);
    }
    // The spring starts still, barely overshoots (damping 0.85) and lands exactly.
    double highest = 0;
    for (int step = 0; step <= 100; ++step)
        highest = std::max(highest, EngineChips::spring(step / 100.0));
    EXPECT_EQ(EngineChips::spring(0), 0.0);
    EXPECT_GT(highest, 1.0);
    EXPECT_LT(highest, 1.01);
    EXPECT_EQ(EngineChips::spring(1), 1.0);
}

TEST_F(MenuBarViewTest, NavigationButtonsCallTheirCallbacksAndQuitGoesToTheHost)
{
    fixture.copy(QStringLiteral("kept"));
    fixture.settings().setClipboardHistory(true);
    fixture.model().onWelcome = [this] { fixture.calls << QStringLiteral("welcome"); };
    fixture.model().onHistory = [this] { fixture.calls << QStringLiteral("history"); };
    MenuBarView &panel = showPanel();
    QSignalSpy quit(&panel, &MenuBarView::quitRequested);
    QSignalSpy dismiss(&panel, &MenuBarView::dismissRequested);
    const struct {
        const char *button;
        QString call;
    } cases[] = {
        {"settingsButton", QStringLiteral("settings")},
        {"helpButton", QStringLiteral("welcome")},
        {"historyButton", QStringLiteral("history")},
        {"openImageButton", QStringLiteral("choose image")},
        {"quitButton", QString()},
    };
    for (const auto &row : cases) {
        fixture.calls.clear();
        click(QLatin1String(row.button));
        EXPECT_EQ(fixture.calls, row.call.isEmpty() ? QStringList() : QStringList{row.call}) << row.button;
    }
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(dismiss.count(), 1) << "the image chooser puts the panel away first";
    EXPECT_EQ(named(QStringLiteral("quitButton"))->accessibleName(), QStringLiteral("Quit Ravelond"));
    EXPECT_EQ(named(QStringLiteral("helpButton"))->accessibleName(), QStringLiteral("Welcome and help"));

    fixture.model().onHistory = nullptr;
    click(QStringLiteral("historyButton")); // an unset callback does nothing
}

TEST_F(MenuBarViewTest, TheHistoryButtonIsThereWhileHistoryIsOnAndCountsEveryItem)
{
    showPanel();
    EXPECT_EQ(named(QStringLiteral("historyButton")), nullptr);
    fixture.settings().setClipboardHistory(true);
    fixture.history().setEnabled(true);
    ASSERT_NE(named(QStringLiteral("historyButton")), nullptr);
    EXPECT_EQ(named(QStringLiteral("historyCount")), nullptr) << "no count while empty";
    fixture.history().record(QStringLiteral("first"));
    fixture.history().record(QStringLiteral("second"));
    fixture.history().togglePin(fixture.history().items().last().id);
    EXPECT_EQ(text(QStringLiteral("historyCount")), QStringLiteral("2")) << "pinned items count too";
    fixture.settings().setClipboardHistory(false);
    EXPECT_EQ(named(QStringLiteral("historyButton")), nullptr);
}

TEST_F(MenuBarViewTest, OnlyClicksWriteSettingsAndOpeningThePanelWritesNone)
{
    fixture.settings().setEngine(OCREngine::mlx);
    fixture.settings().setKeepLineBreaks(false);
    fixture.copy(QStringLiteral("kept"));
    const QString file = fixture.settings().defaults().filePath();
    const auto checksum = [&file] { return QCryptographicHash::hash(contents(file), QCryptographicHash::Sha256); };
    const QByteArray before = checksum();
    QSignalSpy engineWrites(&fixture.settings(), &Preferences::engineChanged);
    QSignalSpy lineBreakWrites(&fixture.settings(), &Preferences::keepLineBreaksChanged);
    showPanel();
    QTest::qWait(50);
    EXPECT_EQ(checksum(), before);
    EXPECT_EQ(engineWrites.count(), 0);
    EXPECT_EQ(lineBreakWrites.count(), 0);

    click(QStringLiteral("keepLineBreaks"));
    EXPECT_TRUE(fixture.settings().keepLineBreaks());
    EXPECT_EQ(lineBreakWrites.count(), 1) << "the model's echo is not written back";
    fixture.settings().setKeepLineBreaks(false);
    EXPECT_FALSE(named<QAbstractButton>(QStringLiteral("keepLineBreaks"))->isChecked());
    EXPECT_EQ(lineBreakWrites.count(), 2);
    click(QStringLiteral("engineChip.vision"));
    EXPECT_EQ(fixture.settings().engine(), OCREngine::vision);
    EXPECT_EQ(engineWrites.count(), 1);
}

#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "support/FeedbackModelFixture.h"
#include "support/ManualAnimationDriver.h"
#include "support/StandardFace.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/GlyphView.h"
#include "support/design/OrbitSpinner.h"
#include "support/design/QuietButton.h"
#include "support/design/SymbolButton.h"
#include "support/design/TrovStyle.h"
#include "views/FeedbackView.h"

#include <QAbstractAnimation>
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

const QString nothingCopied = QStringLiteral("Nothing was copied or replaced.");

class FeedbackViewTest : public ::testing::Test {
protected:
    FeedbackViewTest() : environment(accessibility, appearance, [] { return true; }) {}

    // The card in a frameless window of its size, as the panel hosts it.
    FeedbackView &showCard()
    {
        host = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        host->setAttribute(Qt::WA_TranslucentBackground);
        environment.attach(*host);
        view = new FeedbackView(fixture.model(), host.get());
        const auto fit = [this] {
            host->resize(view->sizeHint());
            view->setGeometry(host->rect());
        };
        fit();
        QObject::connect(view, &FeedbackView::presentationChanged, host.get(), fit);
        host->show();
        return *view;
    }

    // The shown widget of that name (a replaced one may linger until its deletion).
    template <typename Widget = QWidget>
    Widget *named(const QString &name) const
    {
        for (Widget *widget : view->findChildren<Widget *>(name)) {
            if (widget->isVisible())
                return widget;
        }
        return nullptr;
    }

    QString text(const QString &name) const
    {
        const auto *label = named<ClampedLabel>(name);
        return label ? label->text() : QStringLiteral("<none>");
    }

    // The action row's buttons, left to right.
    QStringList buttons() const
    {
        QList<QuietButton *> shown;
        for (QuietButton *button : view->findChildren<QuietButton *>()) {
            if (button->isVisible())
                shown << button;
        }
        std::sort(shown.begin(), shown.end(), [](QuietButton *a, QuietButton *b) { return a->x() < b->x(); });
        QStringList names;
        for (QuietButton *button : shown)
            names << button->objectName() + QLatin1Char(':') + button->text();
        return names;
    }

    void click(const QString &name)
    {
        auto *button = named<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << qPrintable(name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool eventually(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 10000); }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    FeedbackModelFixture fixture;
    std::unique_ptr<QWidget> host;
    FeedbackView *view = nullptr;
};

} // namespace

TEST(FeedbackViewElapsedTest, WholeSecondsFromOneSecondOn)
{
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000);
    const struct {
        std::optional<QDateTime> start;
        qint64 nowAfterStartMs;
        QString expected;
    } cases[] = {
        {std::nullopt, 5000, QString()},         {start, 900, QString()},
        {start, 1000, QStringLiteral("· 1s")},   {start, 61900, QStringLiteral("· 61s")},
        {start, 75000, QStringLiteral("· 75s")}, {start, -3000, QString()},
    };
    for (const auto &row : cases)
        EXPECT_EQ(FeedbackView::elapsedText(row.start, start.addMSecs(row.nowAfterStartMs)), row.expected)
            << row.nowAfterStartMs;
}

TEST_F(FeedbackViewTest, EveryPhaseShowsItsTextsGlyphActionsAndSize)
{
    const QString longFailure = QStringLiteral("The picture could not be read.");
    const struct {
        const char *phase;
        std::function<void(FeedbackModelFixture &)> enter;
        QString eyebrow, title, subtitle;
        const char *glyphSymbol; // the status icon's symbol, or the glyph's class
        QStringList buttons;
        int height;
    } cases[] = {
        {"idle",
         [](FeedbackModelFixture &) {},
         QStringLiteral("ALL CLEAR"),
         QStringLiteral("No rush. Try another trov."),
         nothingCopied,
         "arrow.uturn.backward",
         {QStringLiteral("retryButton:Try again")},
         206},
        {"selecting",
         [](FeedbackModelFixture &f) { f.select(); },
         QStringLiteral("ALL CLEAR"),
         QStringLiteral("No rush. Try another trov."),
         nothingCopied,
         "arrow.uturn.backward",
         {QStringLiteral("retryButton:Try again")},
         206},
        {"recognizing with Apple Vision",
         [](FeedbackModelFixture &f) { f.recognize(OCREngine::vision); },
         QStringLiteral("ON YOUR MAC"),
         QStringLiteral("Finding the words…"),
         QStringLiteral("Turning a little piece of your screen into something useful."),
         "OrbitSpinner",
         {QStringLiteral("cancelButton:Cancel")},
         206},
        {"recognizing with Local MLX",
         [](FeedbackModelFixture &f) { f.recognize(OCREngine::mlx); },
         QStringLiteral("ON YOUR MAC"),
         QStringLiteral("Finding the words…"),
         QStringLiteral("Reading with your local model. The first trov can take a moment."),
         "OrbitSpinner",
         {QStringLiteral("cancelButton:Cancel")},
         206},
        {"copied",
         [](FeedbackModelFixture &f) { f.copy(QStringLiteral("Three little words")); },
         QStringLiteral("READY TO PASTE"),
         QStringLiteral("Copied. All yours."),
         QString(),
         "CopySuccessGlyph",
         {QStringLiteral("reviewButton:Review text")},
         206},
        {"copied again, nothing kept",
         [](FeedbackModelFixture &f) { f.copyAgain(QStringLiteral("one")); },
         QStringLiteral("READY TO PASTE"),
         QStringLiteral("Copied. All yours."),
         QStringLiteral("1 word · Ready for your next idea"),
         "CopySuccessGlyph",
         {},
         206},
        {"cancelled",
         [](FeedbackModelFixture &f) { f.cancel(); },
         QStringLiteral("ALL CLEAR"),
         QStringLiteral("No rush. Try another trov."),
         nothingCopied,
         "arrow.uturn.backward",
         {QStringLiteral("retryButton:Try again")},
         206},
        {"failed",
         [longFailure](FeedbackModelFixture &f) { f.fail(longFailure); },
         QStringLiteral("A SMALL DETOUR"),
         QStringLiteral("Let’s get you back on track."),
         longFailure,
         "exclamationmark",
         {QStringLiteral("retryButton:Try again"), QStringLiteral("openImageButton:Open image…")},
         250},
        {"failed, put right in the settings",
         [](FeedbackModelFixture &f) { f.failNeedingSettings(); },
         QStringLiteral("A SMALL DETOUR"),
         QStringLiteral("Let’s get you back on track."),
         QStringLiteral("Set up the local MLX engine in Settings first. Apple Vision is ready to use now."),
         "exclamationmark",
         {QStringLiteral("settingsButton:Settings…"), QStringLiteral("openImageButton:Open image…")},
         250},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.phase);
        FeedbackModelFixture fixture;
        row.enter(fixture);
        host = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        environment.attach(*host);
        view = new FeedbackView(fixture.model(), host.get());
        view->setGeometry(QRect(QPoint(0, 0), view->sizeHint()));
        host->resize(view->size());
        host->show();
        EXPECT_EQ(view->sizeHint(), QSize(424, row.height));
        EXPECT_EQ(FeedbackView::cardSize(fixture.model().phase()), QSize(424, row.height));
        EXPECT_EQ(text(QStringLiteral("eyebrow")), row.eyebrow);
        EXPECT_EQ(text(QStringLiteral("title")), row.title);
        EXPECT_EQ(text(QStringLiteral("subtitle")),
                  row.subtitle.isNull() ? fixture.model().copySummary() : row.subtitle);
        const QWidget *glyph = named(QStringLiteral("glyph"));
        ASSERT_NE(glyph, nullptr);
        const QString symbol = glyph->property("symbol").toString();
        EXPECT_EQ(symbol.isEmpty() ? QString::fromLatin1(glyph->metaObject()->className()) : symbol,
                  QLatin1String(row.glyphSymbol));
        EXPECT_EQ(buttons(), row.buttons);
        const auto *dismiss = named<SymbolButton>(QStringLiteral("dismissButton"));
        ASSERT_NE(dismiss, nullptr);
        EXPECT_EQ(dismiss->accessibleName(), QStringLiteral("Dismiss notification"));
        EXPECT_EQ(dismiss->toolTip(), QStringLiteral("Dismiss"));
        EXPECT_EQ(dismiss->property("symbol").toString(), QStringLiteral("xmark"));
        host.reset();
        view = nullptr;
    }
}

TEST_F(FeedbackViewTest, TheRecognisingRowNamesTheEngineAndCountsWholeSeconds)
{
    fixture.recognize(OCREngine::mlx);
    FeedbackView &card = showCard();
    QDateTime now = *fixture.model().recognitionStartedAt();
    card.setClock([&now] { return now; });
    EXPECT_EQ(text(QStringLiteral("elapsed")), QString()) << "nothing below one second";
    now = now.addMSecs(61900);
    EXPECT_TRUE(eventually([&] { return text(QStringLiteral("elapsed")) == QStringLiteral("· 61s"); }))
        << "the next tick, at most a second later";
    const auto symbols = view->findChildren<QWidget *>();
    EXPECT_TRUE(std::any_of(symbols.begin(), symbols.end(), [](QWidget *widget) {
        return widget->isVisible() && widget->property("symbol").toString() == QLatin1String("cpu") &&
               widget->accessibleName() == QLatin1String("Local MLX");
    }));
    EXPECT_EQ(named<QuietButton>(QStringLiteral("cancelButton"))->toolTip(),
              QStringLiteral("You can also press the capture shortcut again"));
}

TEST_F(FeedbackViewTest, DismissCancelsWhileBusyAndDismissesOtherwise)
{
    fixture.recognize(OCREngine::vision);
    showCard();
    click(QStringLiteral("dismissButton"));
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::cancelledPhase(); }));
    EXPECT_FALSE(fixture.calls.contains(QStringLiteral("dismiss"))) << "the cancel is not a dismissal";

    fixture.copy(QStringLiteral("Hello world"));
    fixture.calls.clear();
    click(QStringLiteral("dismissButton"));
    EXPECT_EQ(fixture.model().phase(), CapturePhase::idlePhase());
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("dismiss")});

    fixture.copy(QStringLiteral("Escape too"));
    fixture.calls.clear();
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("dismiss")});
}

TEST_F(FeedbackViewTest, ActionsCallTheModelInTheirOrder)
{
    fixture.copy(QStringLiteral("Kept for review"));
    showCard();
    fixture.calls.clear();
    click(QStringLiteral("reviewButton"));
    EXPECT_EQ(fixture.calls, (QStringList{QStringLiteral("review: Kept for review"), QStringLiteral("dismiss")}));

    fixture.failNeedingSettings();
    fixture.calls.clear();
    click(QStringLiteral("settingsButton"));
    EXPECT_EQ(fixture.calls, (QStringList{QStringLiteral("dismiss"), QStringLiteral("settings")}));

    fixture.fail(QStringLiteral("Try me again"));
    fixture.calls.clear();
    click(QStringLiteral("openImageButton"));
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("choose image")});
    click(QStringLiteral("retryButton"));
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::failedPhase(); }));
    EXPECT_EQ(fixture.calls.count(QStringLiteral("hide surfaces")), 1) << "the retry started a capture";

    fixture.recognize(OCREngine::vision);
    click(QStringLiteral("cancelButton"));
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::cancelledPhase(); }));
}

TEST_F(FeedbackViewTest, AnEightLineFailureShowsTheLinesTheCardHoldsUpToFiveInsideItsPaddingInEachCommonFace)
{
    // DejaVu wraps the title: it keeps no word alone, and one line of the
    // message gives way so that nothing reaches into the padding.
    const struct {
        QStringList face;
        QStringList title;
        int subtitleLines;
    } faces[] = {
        {StandardFace::dejaVuSans(), {QStringLiteral("Let’s get you"), QStringLiteral("back on track.")}, 4},
        {StandardFace::notoSans(), {QStringLiteral("Let’s get you back on track.")}, 5},
    };
    for (const auto &expected : faces) {
        const QString family = StandardFace::load(expected.face);
        ASSERT_FALSE(family.isEmpty()) << expected.face.first().toStdString() << " is not installed";
        SCOPED_TRACE(family.toStdString());
        const StandardFace standard(family);
        fixture.fail(QStringLiteral("One\nTwo\nThree\nFour\nFive\nSix\nSeven\nEight"));
        showCard();
        EXPECT_EQ(named<ClampedLabel>(QStringLiteral("title"))->displayedLines(), expected.title);
        const auto *subtitle = named<ClampedLabel>(QStringLiteral("subtitle"));
        const QStringList lines = subtitle->displayedLines();
        ASSERT_EQ(lines.size(), expected.subtitleLines);
        EXPECT_EQ(lines.first(), QStringLiteral("One"));
        EXPECT_TRUE(lines.last().endsWith(QStringLiteral("…")));
        const QRect content = view->rect().adjusted(
            FeedbackView::margin + FeedbackView::padding, FeedbackView::margin + FeedbackView::padding,
            -FeedbackView::margin - FeedbackView::padding, -FeedbackView::margin - FeedbackView::padding);
        EXPECT_EQ(named(QStringLiteral("eyebrow"))->y(), content.top());
        EXPECT_LT(subtitle->geometry().bottom(), named(QStringLiteral("retryButton"))->mapTo(view, QPoint()).y());
        host.reset();
    }

    fixture.copy(QStringLiteral("words"));
    showCard();
    const auto *subtitle = named<ClampedLabel>(QStringLiteral("subtitle"));
    EXPECT_EQ(subtitle->maximumLines(), 2) << "any other subtitle stops after two lines";
    const auto *title = named<ClampedLabel>(QStringLiteral("title"));
    EXPECT_EQ(title->maximumLines(), 0) << "the title always wraps in full";
}

TEST_F(FeedbackViewTest, AFadingCardKeepsWhatItShowed)
{
    fixture.copy(QStringLiteral("Hello world"));
    showCard();
    const QString summary = fixture.model().copySummary();
    // The shell fades the panel out after the model has gone idle.
    click(QStringLiteral("dismissButton"));
    ASSERT_EQ(fixture.model().phase(), CapturePhase::idlePhase());
    EXPECT_EQ(text(QStringLiteral("title")), QStringLiteral("Copied. All yours."));
    EXPECT_EQ(text(QStringLiteral("subtitle")), summary);
    EXPECT_NE(named(QStringLiteral("glyph"))->metaObject()->className(), QByteArray("StatusIcon"));
    EXPECT_EQ(view->sizeHint().height(), 206);

    // A retry from a failed card passes through idle on its way: the card,
    // still up, never reads as cleared meanwhile.
    fixture.fail(QStringLiteral("Once more"));
    QStringList shown;
    QObject::connect(&fixture.model(), &AppModel::phaseChanged, view, [&] {
        if (view->isVisible())
            shown << text(QStringLiteral("subtitle"));
    });
    fixture.onHideSurfaces = [this] { host->hide(); };
    click(QStringLiteral("retryButton"));
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::failedPhase(); }));
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_FALSE(shown.contains(nothingCopied)) << shown.join(QLatin1String(" | ")).toStdString();
}

TEST_F(FeedbackViewTest, NoTimerOrAnimationRunsWhileTheCardIsHidden)
{
    fixture.recognize(OCREngine::vision);
    showCard();
    const auto running = [this] {
        int active = 0;
        for (const QTimer *timer : view->findChildren<QTimer *>())
            active += timer->isActive();
        for (const QAbstractAnimation *animation : view->findChildren<QAbstractAnimation *>())
            active += animation->state() == QAbstractAnimation::Running;
        return active;
    };
    EXPECT_GE(running(), 2) << "the spinner turns and the elapsed line ticks";
    host->hide();
    EXPECT_EQ(running(), 0);
    host->show();
    EXPECT_TRUE(named<OrbitSpinner>(QStringLiteral("glyph"))->isRunning()) << "shown again, it starts again";
}

TEST_F(FeedbackViewTest, ThePointerOverTheCardHoldsItsDismissal)
{
    fixture.model().setDismissDelays(std::chrono::milliseconds(30), std::chrono::milliseconds(30));
    fixture.copy(QStringLiteral("Hold me"));
    showCard();
    QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
    QApplication::sendEvent(view, &enter);
    QTest::qWait(120);
    EXPECT_EQ(fixture.model().phase(), CapturePhase::copiedPhase()) << "held while the pointer is over it";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_TRUE(eventually([&] { return fixture.model().phase() == CapturePhase::idlePhase(); }));
}

TEST_F(FeedbackViewTest, PhaseChangesReplaceTheGlyphWithAScaleOnlyWithoutReduceMotion)
{
    ManualAnimationDriver animations;
    fixture.recognize(OCREngine::vision);
    showCard();
    const QWidget *spinner = named(QStringLiteral("glyph"));
    fixture.finishRecognition(QStringLiteral("done"));
    auto *success = named<GlyphView>(QStringLiteral("glyph"));
    ASSERT_NE(success, spinner);
    EXPECT_DOUBLE_EQ(success->transitionScale(), 0.85);
    animations.advance(400);
    EXPECT_DOUBLE_EQ(success->transitionScale(), 1);
    EXPECT_DOUBLE_EQ(success->transitionOpacity(), 1);

    accessibility.motion = true;
    fixture.fail(QStringLiteral("Still"));
    auto *failure = named<GlyphView>(QStringLiteral("glyph"));
    EXPECT_DOUBLE_EQ(failure->transitionScale(), 1) << "a plain fade";
    EXPECT_DOUBLE_EQ(failure->transitionOpacity(), 0);
    animations.advance(400);
    EXPECT_DOUBLE_EQ(failure->transitionOpacity(), 1);
}

TEST_F(FeedbackViewTest, TheCardIsOneGroupAndItsDecorationIsHidden)
{
    fixture.recognize(OCREngine::vision);
    showCard();
    QAccessibleInterface *card = QAccessible::queryAccessibleInterface(view);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->role(), QAccessible::Grouping);
    EXPECT_GT(card->childCount(), 3);
    for (const char *hidden : {"glyph", "elapsed"})
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(named(QLatin1String(hidden)))->state().invisible) << hidden;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(named(QStringLiteral("title")))->text(QAccessible::Name),
              QStringLiteral("Finding the words…"));
}

TEST_F(FeedbackViewTest, TheEyebrowsTealFollowsTheAppearanceLive)
{
    fixture.copy(QStringLiteral("Colour"));
    showCard();
    const auto tealPixels = [this](bool dark) {
        const QImage picture = named(QStringLiteral("eyebrow"))->grab().toImage();
        const QColor teal = TrovStyle::teal(dark);
        int matching = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                matching += pixel.alpha() > 200 && std::abs(pixel.red() - teal.red()) < 12 &&
                            std::abs(pixel.green() - teal.green()) < 12;
            }
        }
        return matching;
    };
    EXPECT_GT(tealPixels(false), 10);
    appearance.setDark(true);
    EXPECT_GT(tealPixels(true), 10);
    EXPECT_EQ(tealPixels(false), 0);
}

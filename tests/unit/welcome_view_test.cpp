#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "support/FeedbackModelFixture.h"
#include "support/ManualAnimationDriver.h"
#include "support/Patience.h"
#include "support/StandardFace.h"

#include "support/design/CaptureButton.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/ShortcutBadge.h"
#include "views/CaptureIllustration.h"
#include "views/WelcomeView.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class WelcomeViewTest : public ::testing::Test {
protected:
    WelcomeViewTest() : environment(accessibility, appearance, [] { return true; }) {}

    WelcomeView &showView()
    {
        host = std::make_unique<QWidget>();
        environment.attach(*host);
        host->resize(670, 510);
        view = new WelcomeView(fixture.model(), fixture.settings(), host.get());
        view->resize(670, 510);
        host->show();
        return *view;
    }

    template <typename Widget = QWidget>
    Widget *named(const QString &name) const
    {
        return view->findChild<Widget *>(name);
    }

    void click(const QString &name)
    {
        auto *button = named<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    CaptureIllustration &illustration() const
    {
        return *named<CaptureIllustration>(QStringLiteral("captureIllustration"));
    }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    ManualAnimationDriver animations;
    FeedbackModelFixture fixture;
    std::unique_ptr<QWidget> host;
    WelcomeView *view = nullptr;
};

} // namespace

TEST_F(WelcomeViewTest, TheMainButtonStoresTheWelcomeAsSeenBeforeItCapturesOrAsksForThePermission)
{
    const struct {
        bool granted;
        QString title;
        QList<bool> selections; // practice flags of the selections started
        int requests;
    } cases[] = {
        {true, QStringLiteral("Take your first trov"), {false}, 0},
        {false, QStringLiteral("Enable screen capture"), {}, 1},
    };
    for (const auto &row : cases) {
        FeedbackModelFixture model;
        model.permission().granted = row.granted;
        model.model().refreshPermission();
        std::optional<bool> seenWhenItBegan;
        model.onSelect = [&](bool) { seenWhenItBegan = model.settings().hasSeenWelcome(); };
        model.permission().onRequest = [&] { seenWhenItBegan = model.settings().hasSeenWelcome(); };
        QWidget window;
        environment.attach(window);
        auto *welcome = new WelcomeView(model.model(), model.settings(), &window);
        window.show();
        auto *main = welcome->findChild<CaptureButton *>(QStringLiteral("welcomeButton"));
        EXPECT_EQ(main->text(), row.title);
        EXPECT_EQ(main->trailingSymbol(), QStringLiteral("arrow.up.right"));

        QTest::mouseClick(main, Qt::LeftButton);
        EXPECT_EQ(seenWhenItBegan, std::optional<bool>(true)) << row.title.toStdString();
        EXPECT_EQ(model.selections, row.selections) << row.title.toStdString();
        EXPECT_EQ(model.permission().requests, row.requests) << row.title.toStdString();
        EXPECT_EQ(main->text(), row.title) << "the title waits for the model";
        if (!row.granted) {
            EXPECT_EQ(model.model().phase().kind(), CapturePhase::idle);
        }
    }
}

TEST_F(WelcomeViewTest, TheLinksStartTheirOperationsWithoutCountingTheWelcomeAsSeenAndBusyDisablesAllThree)
{
    showView();
    click(QStringLiteral("openImageLink"));
    EXPECT_EQ(fixture.calls, QStringList{QStringLiteral("choose image")});
    fixture.select();
    EXPECT_EQ(fixture.selections, QList<bool>{false});
    for (const char *name : {"welcomeButton", "practiceLink", "openImageLink"})
        EXPECT_FALSE(named(QString::fromLatin1(name))->isEnabled()) << name;
    fixture.model().cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture.model().phase().isBusy(); }, Patience::untilHung));
    for (const char *name : {"welcomeButton", "practiceLink", "openImageLink"})
        EXPECT_TRUE(named(QString::fromLatin1(name))->isEnabled()) << name;

    click(QStringLiteral("practiceLink"));
    EXPECT_EQ(fixture.selections, QList<bool>({false, true})) << "the practice link starts a practice run";
    EXPECT_FALSE(fixture.settings().hasSeenWelcome());
}

TEST_F(WelcomeViewTest, TheKeyCapAndTheMainTitleFollowTheSettingsAndThePermissionWhileOpen)
{
    showView();
    auto *badge = named<ShortcutBadge>(QStringLiteral("shortcutBadge"));
    EXPECT_EQ(badge->label(), QStringLiteral("⌃ ⌥ C"));
    fixture.settings().setShortcut(ShortcutPreset::commandShift2);
    EXPECT_EQ(badge->label(), QStringLiteral("⌘ ⇧ 2"));

    fixture.permission().granted = false;
    fixture.model().refreshPermission();
    EXPECT_EQ(named<QAbstractButton>(QStringLiteral("welcomeButton"))->text(), QStringLiteral("Enable screen capture"));

    QStringList texts;
    for (const ClampedLabel *label : view->findChildren<ClampedLabel *>())
        texts << label->text();
    for (const char *expected :
         {"We'll read it and copy it.", "Press ⌘V wherever you need it.", "If you can see it,\nyou can copy it.",
          "Always a shortcut away.", "FROM PIXELS TO POSSIBILITIES"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(WelcomeViewTest, FadesInOnTheFirstAppearanceOnlyAndAtOnceUnderReduceMotion)
{
    showView();
    animations.advance(0);
    EXPECT_LT(view->contentOpacity(), 0.2);
    animations.advance(WelcomeView::fadeMilliseconds + 50);
    EXPECT_EQ(view->contentOpacity(), 1);
    host->hide();
    host->show();
    EXPECT_EQ(view->contentOpacity(), 1) << "shown again at once";

    accessibility.motion = true;
    FeedbackModelFixture other;
    QWidget window;
    environment.attach(window);
    auto *still = new WelcomeView(other.model(), other.settings(), &window);
    EXPECT_EQ(still->contentOpacity(), 0) << "unrevealed before its first appearance";
    window.show();
    EXPECT_EQ(still->contentOpacity(), 1);
    EXPECT_TRUE(still->isRevealed());
}

TEST_F(WelcomeViewTest, TheIllustrationSweepsOnlyWhileShownAndNeitherTiltsNorSweepsUnderReduceMotion)
{
    const struct {
        qint64 at;
        double offset;
    } sweep[] = {{0, 0}, {1300, 44.5}, {2600, 89}, {3900, 44.5}, {5200, 0}, {7800, 89}};
    for (const auto &point : sweep)
        EXPECT_NEAR(CaptureIllustration::bandOffsetAt(point.at), point.offset, 0.01) << point.at;

    showView();
    CaptureIllustration &card = illustration();
    EXPECT_TRUE(card.isScanning());
    EXPECT_EQ(card.tilt(), -3);
    animations.advance(2600);
    EXPECT_NEAR(card.bandOffset(), 89, 1);

    // The welcome window is kept hidden after it closes: nothing may tick then.
    host->hide();
    EXPECT_FALSE(card.isScanning());
    animations.advance(16); // Qt stops its animation clock at the first tick with nothing to run
    EXPECT_FALSE(animations.isRunning());
    host->show();
    EXPECT_TRUE(card.isScanning());

    accessibility.motion = true;
    Q_EMIT accessibility.changed();
    EXPECT_FALSE(card.isScanning());
    EXPECT_EQ(card.tilt(), 0);
    accessibility.motion = false;
    Q_EMIT accessibility.changed();
    EXPECT_TRUE(card.isScanning()) << "the band comes back, sweeping";
}

TEST_F(WelcomeViewTest, TheIllustrationIsOneLabelledPicture)
{
    showView();
    QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(&illustration());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->role(), QAccessible::Graphic);
    EXPECT_EQ(picture->text(QAccessible::Name), QStringLiteral("Illustration: a screenshot becomes editable text."));
    EXPECT_EQ(picture->childCount(), 0);
    EXPECT_TRUE(illustration().findChildren<QWidget *>().isEmpty());
}

namespace {

// What a label draws on a clear image of its size.
QImage drawn(QWidget &widget, const std::function<void(QPainter &)> &paint)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter);
    return image;
}

} // namespace

TEST_F(WelcomeViewTest, TheEyebrowDrawsItsWholeTextOnOneLineInEachCommonDesktopFace)
{
    const QStringList faces[] = {StandardFace::dejaVuSans(), StandardFace::notoSans()};
    const QString eyebrow = QStringLiteral("FROM PIXELS TO POSSIBILITIES");
    for (const auto &face : faces) {
        const QString family = StandardFace::load(face);
        ASSERT_FALSE(family.isEmpty()) << face.first().toStdString() << " is not installed";
        SCOPED_TRACE(family.toStdString());
        const StandardFace standard(family);
        showView();
        ClampedLabel *label = nullptr;
        for (ClampedLabel *candidate : view->findChildren<ClampedLabel *>())
            label = candidate->text() == eyebrow ? candidate : label;
        ASSERT_NE(label, nullptr);
        ASSERT_EQ(QFontInfo(label->textFont()).family(), family);

        // The very pixels of the text set on one line, in the label's face and ink.
        const QImage whole = drawn(*label, [&](QPainter &painter) {
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.setFont(label->textFont());
            painter.setPen(environment.ink(SystemColours::Ink::secondary));
            painter.drawText(QPointF(0, QFontMetricsF(label->textFont()).ascent()), eyebrow);
        });
        const QImage shown = drawn(*label, [&](QPainter &painter) { label->render(&painter); });
        EXPECT_TRUE(shown == whole) << "drawn as: " << label->displayedLines().join(u'/').toStdString();
        host.reset();
    }
}

namespace {

// The regions a widget is asked to paint.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget &widget) { widget.installEventFilter(this); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent *>(event)->region());
        return false;
    }

    QList<QRegion> regions;
};

} // namespace

TEST_F(WelcomeViewTest, EachFrameOfTheBandRepaintsOnlyItsStripsAndTheStillCardIsDrawnOnceForEachLook)
{
    showView();
    CaptureIllustration &card = illustration();
    // The reveal's fade is over; the first paint has drawn the still card.
    animations.advance(1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return card.stillPaints() == 1; }, Patience::untilHung));
    PaintRecorder paints(card);
    for (int frame = 0; frame < 5; ++frame) {
        const qsizetype before = paints.regions.size();
        animations.advance(200);
        ASSERT_TRUE(QTest::qWaitFor([&] { return paints.regions.size() > before; }, Patience::untilHung))
            << "frame " << frame;
        const QRect strip = paints.regions.last().boundingRect();
        const QRect band = card.bandArea(card.shownBandOffset());
        EXPECT_NEAR(card.shownBandOffset(), card.bandOffset(), 3) << "at most a frame behind";
        EXPECT_TRUE(strip.contains(band)) << "frame " << frame;
        EXPECT_LT(strip.height(), card.height() / 2) << "frame " << frame;
    }
    EXPECT_EQ(card.stillPaints(), 1);

    // Soon after a frame, or less than half a pixel on: no frame at all.
    const qsizetype before = paints.regions.size();
    animations.advance(16);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.regions.size(), before);

    appearance.setDark(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return card.stillPaints() == 2; }, Patience::untilHung))
        << "dark, drawn once more";
}

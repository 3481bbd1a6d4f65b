#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "support/ManualAnimationDriver.h"
#include "support/Patience.h"

#include "support/design/CaptureButton.h"
#include "support/design/CaptureButtonStyle.h"
#include "support/design/ClampedLabel.h"
#include "support/design/CopySuccessGlyph.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignPalette.h"
#include "support/design/OrbitSpinner.h"
#include "support/design/PanelMaterial.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/QuietButton.h"
#include "support/design/QuietButtonStyle.h"
#include "support/design/SoftShadow.h"
#include "support/design/Surface.h"
#include "support/design/TrovStyle.h"

#include <QAbstractAnimation>
#include <QAccessible>
#include <QHBoxLayout>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A frameless window reading the test's own settings, with `content` inside a margin.
class DesignComponentsTest : public ::testing::Test {
protected:
    DesignComponentsTest() : environment(accessibility, appearance, [] { return true; }) {}

    QWidget &host(QWidget *content, QSize size = QSize(300, 120), int margin = 24)
    {
        window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        window->setAttribute(Qt::WA_TranslucentBackground);
        environment.attach(*window);
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(margin, margin, margin, margin);
        layout->addWidget(content);
        window->resize(size);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get(), Patience::untilHung));
        return *window;
    }

    // Moves the pointer from outside onto the middle of `widget`, as a user would.
    void pointAt(QWidget *widget)
    {
        QTest::mouseMove(window->windowHandle(), QPoint(1, 1));
        QTest::mouseMove(window->windowHandle(), widget->mapTo(window.get(), widget->rect().center()));
    }

    // The window as it looks over a plain backdrop.
    QImage picture(const QColor &backdrop = Qt::white) const
    {
        QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(backdrop);
        QPainter painter(&image);
        window->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    std::unique_ptr<QWidget> window;
};

void expectRgb(const QColor &pixel, int red, int green, int blue, int tolerance = 6)
{
    EXPECT_NEAR(pixel.red(), red, tolerance);
    EXPECT_NEAR(pixel.green(), green, tolerance);
    EXPECT_NEAR(pixel.blue(), blue, tolerance);
}

QImage painted(QSize size, const std::function<void(QPainter &)> &paint, const QColor &backdrop = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter painter(&image);
    paint(painter);
    return image;
}

} // namespace

TEST(ButtonStyleTest, LooksFollowEveryRowOfTheirTables)
{
    const struct {
        bool hovered, pressed, enabled, reduceMotion;
        CaptureButtonStyle::Look capture;
        QuietButtonStyle::Look quiet;
    } rows[] = {
        {false, false, true, false, {0.18, 0.14, 8, 1, 1}, {0.035, 0.065, 1, 1}},
        {true, false, true, false, {0.35, 0.25, 12, 1, 1}, {0.07, 0.12, 1, 1}},
        {true, true, true, false, {0.35, 0.25, 12, 0.985, 1}, {0.11, 0.12, 0.97, 1}},
        {true, true, true, true, {0.35, 0.25, 12, 1, 1}, {0.11, 0.12, 1, 1}},
        {false, true, true, false, {0.18, 0.14, 8, 0.985, 1}, {0.11, 0.065, 0.97, 1}},
        {false, false, false, false, {0.18, 0, 8, 1, 0.45}, {0.035, 0.065, 1, 0.4}},
        {true, false, false, false, {0.35, 0, 12, 1, 0.45}, {0.07, 0.12, 1, 0.4}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "hovered " << row.hovered << " pressed " << row.pressed << " enabled "
                                        << row.enabled << " reduce motion " << row.reduceMotion);
        const auto capture = CaptureButtonStyle::look(row.hovered, row.pressed, row.enabled, row.reduceMotion);
        EXPECT_DOUBLE_EQ(capture.borderOpacity, row.capture.borderOpacity);
        EXPECT_DOUBLE_EQ(capture.glowOpacity, row.capture.glowOpacity);
        EXPECT_DOUBLE_EQ(capture.glowRadius, row.capture.glowRadius);
        EXPECT_DOUBLE_EQ(capture.scale, row.capture.scale);
        EXPECT_DOUBLE_EQ(capture.opacity, row.capture.opacity);
        const auto quiet = QuietButtonStyle::look(row.hovered, row.pressed, row.enabled, row.reduceMotion);
        EXPECT_DOUBLE_EQ(quiet.fillOpacity, row.quiet.fillOpacity);
        EXPECT_DOUBLE_EQ(quiet.borderOpacity, row.quiet.borderOpacity);
        EXPECT_DOUBLE_EQ(quiet.scale, row.quiet.scale);
        EXPECT_DOUBLE_EQ(quiet.opacity, row.quiet.opacity);
    }
}

TEST_F(DesignComponentsTest, ADisabledCaptureButtonIsFadedAndCastsNoGlow)
{
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *button = new CaptureButton(QStringLiteral("Capture text"));
    layout->addWidget(button);
    host(column);
    EXPECT_EQ(button->width(), 300 - 2 * 24) << "as wide as its container";
    const QPoint fill = button->mapTo(window.get(), QPoint(8, button->height() / 2));
    const QPoint underneath = button->mapTo(window.get(), QPoint(button->width() / 2, button->height() + 4));
    const QPoint beside = button->mapTo(window.get(), QPoint(-4, button->height() / 2));

    const QImage enabled = picture();
    expectRgb(enabled.pixelColor(fill), 15, 116, 101);
    EXPECT_LT(enabled.pixelColor(underneath).red(), 250) << "the teal glow below";
    EXPECT_LT(enabled.pixelColor(beside).red(), 255) << "and beside the button";

    button->setEnabled(false);
    const QImage disabled = picture();
    // The gradient at 45 % over white.
    expectRgb(disabled.pixelColor(fill), 147, 192, 186);
    EXPECT_EQ(disabled.pixelColor(underneath), QColor(Qt::white));
    EXPECT_EQ(disabled.pixelColor(beside), QColor(Qt::white));
}

TEST_F(DesignComponentsTest, TheHairlineStrengthensUnderIncreaseContrastAndReduceTransparencyIsOpaque)
{
    auto *material = new PanelMaterial(nullptr, 22);
    host(material, QSize(240, 120), 0);
    const QPoint edge(0, 60);
    const QPoint inside(120, 60);
    const QImage standard = picture(Qt::red);
    accessibility.contrast = true;
    const QImage contrast = picture(Qt::red);
    EXPECT_LT(contrast.pixelColor(edge).green(), standard.pixelColor(edge).green() - 50);
    EXPECT_EQ(contrast.pixelColor(inside), standard.pixelColor(inside)) << "nothing else changes";
    EXPECT_GT(standard.pixelColor(inside).red(), standard.pixelColor(inside).green()) << "a little shows through";
    const QColor accent = standard.pixelColor(120, 0);
    EXPECT_GT(accent.green(), accent.blue()) << "the mint accent line covers the hairline at the top";

    accessibility.transparency = true;
    const QImage opaque = picture(Qt::red);
    EXPECT_EQ(opaque.pixelColor(inside), QColor(236, 236, 236)) << "the window colour, nothing behind it";
    EXPECT_LT(opaque.pixelColor(edge).green(), 200) << "the hairline is still drawn";
}

TEST_F(DesignComponentsTest, TheCheckMarkDrawsItselfInEachTimeTheGlyphIsShown)
{
    ManualAnimationDriver animations;
    auto *glyph = new CopySuccessGlyph;
    host(glyph, QSize(54, 54), 0);
    // The middle of the mark's long stroke, from the dip to the top-right corner.
    const QPoint onTheMark(31, 27);
    const QColor teal = TrovStyle::teal(false);
    animations.advance(100);
    EXPECT_GT(picture().pixelColor(onTheMark).green(), 200) << "not there yet";
    animations.advance(CopySuccessGlyph::drawInMs);
    EXPECT_DOUBLE_EQ(glyph->drawnShare(), 1);
    expectRgb(picture().pixelColor(onTheMark), teal.red(), teal.green(), teal.blue(), 20);

    window->hide();
    window->show();
    EXPECT_DOUBLE_EQ(glyph->drawnShare(), 0) << "shown again, it starts again";

    accessibility.motion = true;
    window->hide();
    window->show();
    expectRgb(picture().pixelColor(onTheMark), teal.red(), teal.green(), teal.blue(), 20);
}

TEST(OrbitSpinnerTest, TheArcsHeadIsBrightItsTailFaintAndTheyTurnClockwise)
{
    const auto darkness = [](const QImage &image, double turn) {
        // Across the ring, `turn` of the way round clockwise from its rightmost point.
        const double angle = turn * 2 * M_PI;
        int darkest = 0;
        for (double radius = 23.5; radius <= 27.5; radius += 0.5) {
            const QPoint at(qRound(27 + radius * std::cos(angle)), qRound(27 + radius * std::sin(angle)));
            darkest = std::max(darkest, 255 - image.pixelColor(at).green());
        }
        return darkest;
    };
    const auto frame = [](double milliseconds) {
        return painted(QSize(54, 54), [milliseconds](QPainter &painter) {
            OrbitSpinner::paint(painter, QRectF(0, 0, 54, 54), OrbitSpinner::frameAt(milliseconds, false), false);
        });
    };
    const QImage start = frame(0);
    EXPECT_GT(darkness(start, 0.64), darkness(start, 0.13) + 40) << "bright head, faint tail";
    EXPECT_LT(darkness(start, 0.85), 30) << "the gap after the head";
    const QImage quarter = frame(OrbitSpinner::turnMs / 4.0);
    EXPECT_GT(darkness(quarter, 0.85), darkness(start, 0.85) + 40) << "a quarter turn clockwise, the head is there";
    EXPECT_LT(darkness(quarter, 0.2), 30) << "and the tail has left";
}

TEST(OrbitSpinnerTest, UnderReduceMotionItStandsStillWithoutTheBar)
{
    // The bar starts 11 points above the middle, over the gap above the lines.
    const auto barPixel = [](bool reduceMotion) {
        const QImage image = painted(QSize(54, 54), [reduceMotion](QPainter &painter) {
            OrbitSpinner::paint(painter, QRectF(0, 0, 54, 54), OrbitSpinner::frameAt(0, reduceMotion), false);
        });
        return image.pixelColor(27, 16);
    };
    EXPECT_LT(barPixel(false).green(), 220) << "the bar";
    EXPECT_GT(barPixel(true).green(), 235) << "no bar";
    EXPECT_EQ(OrbitSpinner::frameAt(800, true).arcDegrees, 0);
    EXPECT_NEAR(OrbitSpinner::frameAt(OrbitSpinner::sweepMs, false).barOffset, 11, 1e-9);
    EXPECT_NEAR(OrbitSpinner::frameAt(2 * OrbitSpinner::sweepMs, false).barOffset, -11, 1e-9) << "and back";
}

TEST_F(DesignComponentsTest, ASpinnerRunsOnlyWhileShownAndStartsAfreshEachTime)
{
    ManualAnimationDriver animations;
    auto *spinner = new OrbitSpinner;
    host(spinner, QSize(54, 54), 0);
    animations.advance(500);
    EXPECT_TRUE(spinner->isRunning());
    EXPECT_GT(spinner->currentFrame().arcDegrees, 60);
    window->hide();
    EXPECT_FALSE(spinner->isRunning());
    EXPECT_TRUE(spinner->findChildren<QAbstractAnimation *>().isEmpty());
    window->show();
    EXPECT_EQ(spinner->currentFrame().arcDegrees, 0);
    EXPECT_TRUE(spinner->isRunning());
    accessibility.motion = true;
    window->hide();
    window->show();
    EXPECT_FALSE(spinner->isRunning()) << "still under Reduce Motion";
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(spinner)->state().invisible);
}

TEST_F(DesignComponentsTest, QuietButtonsTrackHoverEvenDisabledAndPressAnywhereInside)
{
    ManualAnimationDriver animations;
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *first = new QuietButton(QStringLiteral("Open image…"));
    auto *second = new QuietButton(QStringLiteral("Try again"));
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addStretch(1);
    host(row);
    const QFontMetricsF metrics(DesignTokens::font(DesignTokens::FontRole::quietButton));
    EXPECT_EQ(first->width(), int(std::ceil(metrics.horizontalAdvance(first->text()) + 20)));
    EXPECT_EQ(first->height(), int(std::ceil(metrics.height() + 12)));

    QSignalSpy clicks(first, &QAbstractButton::clicked);
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks.count(), 1) << "a click in the padding presses it";

    first->setEnabled(false);
    pointAt(first);
    animations.advance(200);
    EXPECT_TRUE(first->isHovered()) << "hover is tracked while disabled";
    EXPECT_DOUBLE_EQ(first->look().fillOpacity, 0.07);
    EXPECT_DOUBLE_EQ(first->look().opacity, 0.4);
    EXPECT_FALSE(second->isHovered()) << "each button has its own hover";
    EXPECT_DOUBLE_EQ(second->look().fillOpacity, 0.035);
}

TEST_F(DesignComponentsTest, ReduceMotionKeepsAPressedButtonsSizeButStillFadesTheHover)
{
    ManualAnimationDriver animations;
    accessibility.motion = true;
    auto *button = new QuietButton(QStringLiteral("Cancel"));
    host(button);
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(button->look().scale, 1);
    EXPECT_DOUBLE_EQ(button->look().fillOpacity, 0.11) << "the press shows at once";
    QTest::mouseRelease(button, Qt::LeftButton);
    pointAt(button);
    animations.advance(16);
    EXPECT_TRUE(button->isAnimating()) << "the hover fades in";
    EXPECT_LT(button->look().borderOpacity, 0.12);
    animations.advance(DesignTokens::quietHoverMs);
    EXPECT_DOUBLE_EQ(button->look().borderOpacity, 0.12);

    accessibility.motion = false;
    QTest::mousePress(button, Qt::LeftButton);
    animations.advance(DesignTokens::quietPressMs);
    EXPECT_DOUBLE_EQ(button->look().scale, 0.97);
    QTest::mouseRelease(button, Qt::LeftButton);
}

TEST(SoftShadowTest, TheShadowIsSoftOnEverySideAndMovesWithItsOffset)
{
    const QImage shadow = painted(
        QSize(120, 120),
        [](QPainter &painter) {
            SoftShadow::paintRoundedRect(painter, QRectF(40, 40, 40, 30), 6, Qt::black, 10, QPointF(0, 6));
        },
        Qt::transparent);
    const auto alpha = [&](int x, int y) { return qAlpha(shadow.pixel(x, y)); };
    EXPECT_GT(alpha(36, 55), 0) << "left";
    EXPECT_GT(alpha(84, 55), 0) << "right";
    EXPECT_GT(alpha(60, 37), 0) << "above";
    EXPECT_GT(alpha(60, 74), alpha(60, 37)) << "deeper below, where the offset moves it";
    EXPECT_GT(alpha(36, 55), alpha(30, 55)) << "fading out with distance";
    EXPECT_EQ(alpha(2, 2), 0);
    const QMarginsF reach = SoftShadow::reach(10, QPointF(0, 6));
    EXPECT_EQ(alpha(int(40 - reach.left()) - 1, 55), 0) << "nothing beyond its reach";
    EXPECT_GT(reach.bottom(), reach.top());
}

TEST_F(DesignComponentsTest, SurfaceAndFootnote)
{
    auto *content = new QWidget;
    content->setFixedSize(100, 40);
    Surface card(content);
    EXPECT_EQ(card.sizeHint(), QSize(132, 72)) << "16 on every side";
    card.resize(card.sizeHint());
    card.layout()->activate();
    EXPECT_EQ(content->geometry(), QRect(16, 16, 100, 40));

    auto *footnote = new PrivacyFootnote;
    host(footnote);
    EXPECT_EQ(footnote->property("symbol").toString(), QStringLiteral("lock.shield"));
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(footnote);
    EXPECT_FALSE(read->state().invisible);
    EXPECT_EQ(read->text(QAccessible::Name), QStringLiteral("On your Mac. Out of the cloud."));
}

TEST(ClampedLabelTest, ClampsToItsLinesAndEndsTheLastInAnEllipsis)
{
    ClampedLabel label(DesignTokens::FontRole::body, SystemColours::Ink::primary);
    label.setMaximumLines(2);
    const QString sentence = QStringLiteral("Turning a little piece of your screen into something useful, "
                                            "and then some more words that do not fit.");
    const QStringList lines = label.linesFor(sentence, 180);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("…")));
    const QFontMetricsF metrics(DesignTokens::font(DesignTokens::FontRole::body));
    EXPECT_LE(metrics.horizontalAdvance(lines.last()), 180);
    label.setText(sentence);
    label.setExtraLineSpacing(3);
    EXPECT_EQ(label.heightForWidth(180), int(std::ceil(2 * metrics.lineSpacing() + 3)));
    EXPECT_EQ(label.linesFor(QStringLiteral("Short"), 180), QStringList{QStringLiteral("Short")});
    label.setMaximumLines(0);
    EXPECT_GT(label.linesFor(sentence, 180).size(), 2) << "no limit";
}

TEST(PanelMaterialTest, WithoutACompositorThePanelIsOpaqueAndCutsItsWindowToShape)
{
    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment withoutCompositor(accessibility, appearance, [] { return false; });
    QWidget window(nullptr, Qt::FramelessWindowHint);
    withoutCompositor.attach(window);
    window.resize(424, 206);
    auto *material = new PanelMaterial(&window);
    material->setGeometry(12, 12, 400, 182);
    material->setShapesWindow(true);
    window.show();
    EXPECT_TRUE(material->options().opaque);
    EXPECT_TRUE(window.mask().contains(QPoint(212, 100)));
    EXPECT_FALSE(window.mask().contains(QPoint(14, 14))) << "the rounded corner is cut away";
    EXPECT_FALSE(window.mask().contains(QPoint(5, 100))) << "and the margin around the card";
}

TEST(DesignPaletteTest, OneFollowerKeepsAWidgetOnTheAppearanceOfTheWindowItIsIn)
{
    FakeAccessibilityPreferences accessibility;
    FakeAppearance lightAppearance;
    FakeAppearance darkAppearance;
    darkAppearance.dark = true;
    DesignEnvironment light(accessibility, lightAppearance, [] { return true; });
    DesignEnvironment dark(accessibility, darkAppearance, [] { return true; });
    QWidget first;
    QWidget second;
    light.attach(first);
    dark.attach(second);
    auto *content = new QWidget(&first);
    const auto window = [content] { return content->palette().color(QPalette::Window); };

    DesignPalette::follow(*content);
    DesignPalette::follow(*content);
    EXPECT_EQ(content->findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).size(), 1) << "one follower";
    EXPECT_EQ(window(), SystemColours::windowBackground(false));
    lightAppearance.setDark(true);
    EXPECT_EQ(window(), SystemColours::windowBackground(true)) << "the appearance changed";

    lightAppearance.setDark(false);
    content->setParent(&second);
    EXPECT_EQ(window(), SystemColours::windowBackground(true)) << "moved into the dark window";
    lightAppearance.setDark(true);
    lightAppearance.setDark(false);
    EXPECT_EQ(window(), SystemColours::windowBackground(true)) << "the old window's appearance no longer counts";

    // The stock styles drop a colour's alpha: dimmed text is mixed in, not translucent.
    const QColor disabled = content->palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(disabled.alpha(), 255);
    EXPECT_NE(disabled, content->palette().color(QPalette::Active, QPalette::Text));
}

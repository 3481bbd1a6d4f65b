#include "doubles/FakeAppearance.h"
#include "platform/DesktopAppearance.h"
#include "support/design/PracticeCanvas.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovMark.h"
#include "support/design/TrovStyle.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

void expectColour(const QColor &colour, double red, double green, double blue)
{
    EXPECT_NEAR(colour.redF(), red, 0.002);
    EXPECT_NEAR(colour.greenF(), green, 0.002);
    EXPECT_NEAR(colour.blueF(), blue, 0.002);
    EXPECT_EQ(colour.alphaF(), 1.0);
}

} // namespace

TEST(TrovStyleTest, TokensHaveTheirValuesAndAreShared)
{
    expectColour(TrovStyle::mint(), 0.38, 0.86, 0.72);
    EXPECT_EQ(&TrovStyle::mint(), &TrovStyle::mint());
    const QGradientStops stops = TrovStyle::gradient().stops();
    ASSERT_EQ(stops.size(), 2);
    expectColour(stops[0].second, 0.05, 0.44, 0.39);
    expectColour(stops[1].second, 0.08, 0.49, 0.41);
    EXPECT_EQ(TrovStyle::gradient().coordinateMode(), QGradient::ObjectMode);
    EXPECT_EQ(TrovStyle::gradient().finalStop(), QPointF(1, 1));
}

TEST(TrovStyleTest, TealFollowsTheAppearanceWhenItSwitches)
{
    // Light (0.04, 0.43, 0.36) and dark (0.45, 0.90, 0.77) in the generic RGB
    // space (gamma 1.8, its own primaries), converted to sRGB.
    const QColor light(0, 127, 111);
    const QColor dark(130, 232, 207);
    FakeAppearance appearance;
    EXPECT_EQ(TrovStyle::teal(appearance).rgb(), light.rgb());
    appearance.setDark(true);
    EXPECT_EQ(TrovStyle::teal(appearance).rgb(), dark.rgb());

    qputenv("RAVELOND_APPEARANCE", "dark");
    EXPECT_EQ(TrovStyle::teal(DesktopAppearance::shared()).rgb(), dark.rgb());
    qputenv("RAVELOND_APPEARANCE", "light");
    EXPECT_EQ(TrovStyle::teal(DesktopAppearance::shared()).rgb(), light.rgb());
    qunsetenv("RAVELOND_APPEARANCE");
}

TEST(TrovMarkTest, ProportionsFollowTheSize)
{
    EXPECT_EQ(TrovMark().sizeHint(), QSize(42, 42));
    EXPECT_NEAR(TrovMark().cornerRadius(), 11.76, 1e-9);
    EXPECT_NEAR(TrovMark().symbolSize(), 23.94, 1e-9);
    EXPECT_NEAR(TrovMark(34).cornerRadius(), 9.52, 1e-9);
    EXPECT_NEAR(TrovMark(34).symbolSize(), 19.38, 1e-9);
    EXPECT_NEAR(TrovMark(38).cornerRadius(), 10.64, 1e-9);
    EXPECT_NEAR(TrovMark(38).symbolSize(), 21.66, 1e-9);
}

TEST(TrovMarkTest, IsInvisibleToAssistiveTechnologies)
{
    TrovMark mark;
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&mark);
    ASSERT_NE(accessible, nullptr);
    EXPECT_TRUE(accessible->state().invisible);
    EXPECT_TRUE(accessible->text(QAccessible::Name).isEmpty());
}

TEST(TrovMarkTest, PaintsTheGradientWithAWhiteSymbol)
{
    QImage image(42, 42, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TrovMark::paint(painter, QPointF(0, 0), 42);
    painter.end();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corner is rounded off";
    const QColor body = image.pixelColor(21, 4);
    EXPECT_NEAR(body.greenF(), 0.46, 0.04);
    int white = 0;
    for (int x = 0; x < 42; ++x)
        white += image.pixelColor(x, 21).lightness() > 240;
    EXPECT_GT(white, 3) << "the symbol's middle text line crosses the centre";
}

TEST(ShortcutBadgeTest, KeepsTheLabelVerbatimAndPadsIt)
{
    ShortcutBadge badge(QStringLiteral("⌘ V"));
    EXPECT_EQ(badge.label(), QStringLiteral("⌘ V"));
    const QFontMetricsF metrics(ShortcutBadge::font());
    EXPECT_NEAR(ShortcutBadge::sizeFor(QString()).width(), 16, 1e-9);
    EXPECT_NEAR(ShortcutBadge::sizeFor(QString()).height(), metrics.height() + 8, 1e-9);
    EXPECT_NEAR(ShortcutBadge::sizeFor(QStringLiteral("⌘ V")).width(),
                metrics.horizontalAdvance(QStringLiteral("⌘ V")) + 16, 1e-9);
    EXPECT_EQ(ShortcutBadge::font().pixelSize(), 11);
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')))
        << "a monospaced face";
}

TEST(ShortcutBadgeTest, EmptyLabelStillDrawsFillAndBorder)
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    ShortcutBadge::paint(painter, QRectF(QPointF(10, 10), ShortcutBadge::sizeFor(QString())), QString(), Qt::white,
                         Qt::gray);
    painter.end();
    EXPECT_GT(image.pixelColor(20, 10).lightness(), image.pixelColor(20, 14).lightness()) << "border brighter";
    EXPECT_GT(image.pixelColor(20, 14).lightness(), 0) << "faint fill";
    EXPECT_EQ(image.pixelColor(5, 5).lightness(), 0);
}

TEST(ShortcutBadgeTest, TheLabelIsInTheSecondaryColourAndTheCapInThePrimary)
{
    const QSizeF size = ShortcutBadge::sizeFor(QStringLiteral("⌘ V"));
    QImage image(size.toSize() + QSize(20, 20), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    ShortcutBadge::paint(painter, QRectF(QPointF(10, 10), size), QStringLiteral("⌘ V"), Qt::white, Qt::red);
    painter.end();
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            red += pixel.red() > 150 && pixel.green() < 60 && pixel.blue() < 60;
        }
    }
    EXPECT_GT(red, 10) << "the label's strokes are in the secondary colour";
    EXPECT_GT(image.pixelColor(20, 10).lightness(), 0) << "the hairline in the primary colour";
}

TEST(SymbolLibraryTest, KnowsTheInterfaceSymbolsOnly)
{
    for (const char *name : {"viewfinder", "text.viewfinder", "cpu", "apple.logo"}) {
        EXPECT_TRUE(SymbolLibrary::contains(QLatin1String(name))) << name;
        EXPECT_FALSE(SymbolLibrary::path(QLatin1String(name)).isEmpty()) << name;
        EXPECT_TRUE(QRectF(0, 0, 1, 1).contains(SymbolLibrary::path(QLatin1String(name)).boundingRect())) << name;
    }
    EXPECT_FALSE(SymbolLibrary::contains(QStringLiteral("no.such.symbol")));
    EXPECT_TRUE(SymbolLibrary::path(QStringLiteral("no.such.symbol")).isEmpty());
}

TEST(PracticeCanvasTest, CardIsCentredAndKeepsItsMargins)
{
    EXPECT_EQ(PracticeCanvas::cardFrame({1440, 900}), QRectF(440, 300, 560, 300));
    const QRectF narrow = PracticeCanvas::cardFrame({500, 700});
    EXPECT_EQ(narrow.width(), 452);
    EXPECT_EQ(narrow.x(), 24);
}

TEST(PracticeCanvasTest, PictureHasTheDisplaysPixelSizeAtAnyScale)
{
    const QImage single = PracticeCanvas::image({1440, 900});
    EXPECT_EQ(single.size(), QSize(1440, 900));
    const QImage retina = PracticeCanvas::image({1440, 900}, 2);
    EXPECT_EQ(retina.size(), QSize(2880, 1800));
    EXPECT_EQ(retina.devicePixelRatio(), 2);
    EXPECT_EQ(PracticeCanvas::image({1280, 720}, 1.5).size(), QSize(1920, 1080));
}

TEST(PracticeCanvasTest, DrawsTheCardAndItsLargeTextInPlace)
{
    const QImage picture = PracticeCanvas::image({1440, 900});
    const QColor background = picture.pixelColor(5, 5);
    const QColor card = picture.pixelColor(460, 320);
    EXPECT_GT(card.lightness(), background.lightness()) << "the card is lighter than the window";
    // "Good ideas deserve" sits on the line whose box ends 15 points above the
    // card's middle: dark glyph pixels there, none in the gap below the second line.
    auto darkPixelsInRow = [&](int y) {
        int dark = 0;
        for (int x = 488; x < 900; ++x)
            dark += picture.pixelColor(x, y).lightness() < 100;
        return dark;
    };
    EXPECT_GT(darkPixelsInRow(425), 10);
    EXPECT_GT(darkPixelsInRow(470), 10);
    EXPECT_EQ(darkPixelsInRow(500), 0);
    bool accent = false;
    for (int x = 488; x < 700 && !accent; ++x) {
        const QColor pixel = picture.pixelColor(x, 352);
        accent = pixel.green() > pixel.red() + 60;
    }
    EXPECT_TRUE(accent) << "the headline is in the accent colour";
}

#include "services/ContrastNormalizer.h"
#include "support/ImageFixtures.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

TEST(ContrastNormalizerTest, PagesWithOneGroundOrNoFlatGroundAreLeftAlone)
{
    QImage gradient(200, 80, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y) {
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, qRgb(x, (x + y) % 256, 255 - y));
    }
    EXPECT_FALSE(ContrastNormalizer::normalized(rgb(ImageFixtures::text(QStringLiteral("Plain text"), 14))));
    EXPECT_FALSE(ContrastNormalizer::normalized(rgb(gradient)));
}

TEST(ContrastNormalizerTest, ALightLabelOnAColouredButtonBecomesDarkTextOnWhite)
{
    // A blue button with a white bar for a label, on a white page.
    QImage crop(160, 60, QImage::Format_RGB32);
    crop.fill(Qt::white);
    QPainter painter(&crop);
    painter.fillRect(QRect(20, 10, 120, 40), QColor(0x0a, 0x84, 0xff));
    painter.fillRect(QRect(40, 25, 30, 10), Qt::white);
    painter.fillRect(QRect(80, 25, 30, 10), Qt::white);
    painter.end();

    const std::optional<QImage> normalized = ContrastNormalizer::normalized(rgb(crop));
    ASSERT_TRUE(normalized);
    EXPECT_EQ(normalized->format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(normalized->pixel(5, 5)), 255);   // page
    EXPECT_EQ(qGray(normalized->pixel(25, 15)), 255); // button
    EXPECT_EQ(qGray(normalized->pixel(20, 30)), 255); // the edge between them
    EXPECT_EQ(qGray(normalized->pixel(50, 30)), 0);   // label
}

TEST(ContrastNormalizerTest, FaintSpecksOnAGroundStayFaintInsteadOfBecomingText)
{
    // The labelled button of the case above, and on the page beside it only
    // specks 40 levels off white, as JPEG noise or a faint texture leaves.
    QImage crop(220, 60, QImage::Format_RGB32);
    crop.fill(Qt::white);
    QPainter painter(&crop);
    painter.fillRect(QRect(20, 10, 120, 40), QColor(0x0a, 0x84, 0xff));
    painter.fillRect(QRect(40, 25, 30, 10), Qt::white);
    painter.fillRect(QRect(80, 25, 30, 10), Qt::white);
    for (int x = 160; x < 210; x += 10)
        painter.fillRect(QRect(x, 28, 4, 4), QColor(215, 215, 215));
    painter.end();

    const std::optional<QImage> normalized = ContrastNormalizer::normalized(rgb(crop));
    ASSERT_TRUE(normalized);
    EXPECT_EQ(qGray(normalized->pixel(50, 30)), 0) << "the label is still text";
    // A page's text differs from it by at least twice the noise: specks this
    // faint come out light grey, not black.
    const int speck = qGray(normalized->pixel(161, 29));
    EXPECT_GT(speck, 96);
    EXPECT_LT(speck, 255) << "but they are not erased either";
}

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

TEST(ContrastNormalizerTest, ADialogsGroundCountsTheFieldsAndButtonsSetIntoIt)
{
    // A framed dialog whose fields and buttons leave less than half of it
    // showing: a label, a field with a blue selection, and two buttons.
    QImage crop(200, 140, QImage::Format_RGB32);
    crop.fill(QColor(0x40, 0x40, 0x40));
    QPainter painter(&crop);
    painter.fillRect(QRect(1, 1, 198, 138), QColor(0xf5, 0xf5, 0xf5));
    for (const int x : {10, 60})
        painter.fillRect(QRect(x, 15, 40, 10), QColor(0x20, 0x20, 0x20));
    painter.fillRect(QRect(10, 40, 180, 40), Qt::white);
    painter.fillRect(QRect(15, 45, 120, 30), QColor(0x35, 0x84, 0xe4));
    for (const int x : {20, 70})
        painter.fillRect(QRect(x, 55, 40, 10), Qt::white);
    for (const int x : {10, 105}) {
        painter.fillRect(QRect(x, 90, 85, 40), QColor(0xe0, 0xe0, 0xe0));
        painter.fillRect(QRect(x + 10, 105, 30, 10), QColor(0x20, 0x20, 0x20));
        painter.fillRect(QRect(x + 45, 105, 30, 10), QColor(0x20, 0x20, 0x20));
    }
    painter.end();

    const std::optional<QImage> normalized = ContrastNormalizer::normalized(rgb(crop));
    ASSERT_TRUE(normalized);
    EXPECT_EQ(qGray(normalized->pixel(5, 60)), 255);   // the dialog
    EXPECT_EQ(qGray(normalized->pixel(20, 20)), 0);    // its label
    EXPECT_EQ(qGray(normalized->pixel(140, 60)), 255); // the field
    EXPECT_EQ(qGray(normalized->pixel(30, 50)), 255);  // the selection
    EXPECT_EQ(qGray(normalized->pixel(30, 60)), 0);    // the selected text
    EXPECT_EQ(qGray(normalized->pixel(30, 110)), 0);   // a button's label
}

TEST(ContrastNormalizerTest, FaintTextBesideBlackTextComesOutBlack)
{
    // A page with a button (so that it has two grounds), black text, and
    // beside it marks of several greys.
    QImage crop(260, 80, QImage::Format_RGB32);
    crop.fill(Qt::white);
    QPainter painter(&crop);
    painter.fillRect(QRect(200, 10, 50, 30), QColor(0x0a, 0x84, 0xff));
    painter.fillRect(QRect(210, 20, 12, 10), Qt::white);
    painter.fillRect(QRect(228, 20, 12, 10), Qt::white);
    painter.fillRect(QRect(10, 10, 120, 10), Qt::black);
    const struct {
        int grey;
        bool black; // comes out black
    } marks[] = {
        {142, true},  // grey small print: a time stamp
        {75, false},  // darker than faint: drawn as before, not bolder
        {195, false}, // fainter than text: noise, left faint
    };
    for (int i = 0; i < 3; ++i)
        painter.fillRect(QRect(10 + 40 * i, 50, 20, 10), QColor(marks[i].grey, marks[i].grey, marks[i].grey));
    painter.end();

    const std::optional<QImage> normalized = ContrastNormalizer::normalized(rgb(crop));
    ASSERT_TRUE(normalized);
    EXPECT_EQ(qGray(normalized->pixel(50, 15)), 0); // the black text
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(qGray(normalized->pixel(20 + 40 * i, 55)) == 0, marks[i].black) << marks[i].grey;
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

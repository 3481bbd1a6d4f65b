#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/RecordingAnnouncer.h"
#include "support/Patience.h"
#include "support/StandardFace.h"
#include "views/SelectionChrome.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionPresentation.h"
#include "views/SelectionToolbar.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString frame = QStringLiteral("Frame the words you want.");
const QString release = QStringLiteral("Release. We’ll take it from here.");
const QString looksGood = QStringLiteral("Looks good? Press Return.");
const QString moreRoom = QStringLiteral("A little more room for the words.");

class SelectionOverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform.announcer = &announcer;
        platform.accessibility = &accessibility;
    }

    SelectionOverlay &overlayFor(QSize points, double scale = 1, bool practice = false,
                                 OCREngine engine = OCREngine::vision)
    {
        QImage picture(QSize(int(points.width() * scale), int(points.height() * scale)), QImage::Format_RGB32);
        picture.fill(Qt::white);
        overlay = std::make_unique<SelectionOverlay>(picture, QSizeF(points), engine, practice, platform);
        overlay->onSelection = [this](const QRectF &rect) { selections.append(rect); };
        overlay->onCancel = [this] { ++cancels; };
        return *overlay;
    }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, overlay->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(overlay.get(), &event);
    }

    void drag(QPointF from, QPointF to)
    {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
    }

    bool key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(overlay.get(), &event);
        return event.isAccepted();
    }

    QString headline() const { return overlay->toolbar().headline(); }

    QRgb renderedPixel(QPoint at) { return overlay->grab().toImage().pixel(at); }

    FakeAccessibilityPreferences accessibility;
    RecordingAnnouncer announcer;
    SelectionPlatform platform;
    std::unique_ptr<SelectionOverlay> overlay;
    QList<QRectF> selections;
    int cancels = 0;
};

} // namespace

TEST_F(SelectionOverlayTest, HeadlineFollowsTheMouseAndTheKeyboard)
{
    overlayFor({1440, 900});
    EXPECT_EQ(headline(), frame);
    mouse(QEvent::MouseButtonPress, {100, 100});
    EXPECT_EQ(headline(), frame) << "a press alone selects nothing";
    mouse(QEvent::MouseMove, {300, 200});
    EXPECT_EQ(headline(), release);
    key(Qt::Key_Right);
    EXPECT_EQ(headline(), looksGood) << "an arrow during the drag";
    mouse(QEvent::MouseMove, {320, 220});
    EXPECT_EQ(headline(), looksGood) << "stays for the rest of the drag";
    mouse(QEvent::MouseButtonRelease, {104, 104});
    EXPECT_EQ(headline(), moreRoom);
    EXPECT_TRUE(selections.isEmpty());
    key(Qt::Key_Left);
    EXPECT_EQ(headline(), looksGood);
    mouse(QEvent::MouseButtonPress, {10, 10});
    EXPECT_EQ(headline(), frame);
}

TEST_F(SelectionOverlayTest, SublineNamesTheEngineOrThePracticeRun)
{
    overlayFor({800, 600});
    EXPECT_EQ(overlay->toolbar().subline(), QStringLiteral("Drag to select · Apple Vision"));
    overlayFor({800, 600}, 1, false, OCREngine::mlx);
    EXPECT_EQ(overlay->toolbar().subline(), QStringLiteral("Drag to select · Local MLX"));
    overlayFor({800, 600}, 1, true);
    EXPECT_EQ(overlay->toolbar().subline(), QStringLiteral("Practice trov · select the sample below"));
    EXPECT_EQ(SelectionToolbar::hintLine,
              QStringLiteral("↑ ↓ ← →  Move     ⇧  Resize     ⌥  Fine tune     ↵  Capture"));
}

TEST_F(SelectionOverlayTest, ReturnAndSpaceConfirmOnlyALargeEnoughSelection)
{
    overlayFor({1440, 900});
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    EXPECT_TRUE(selections.isEmpty());
    EXPECT_EQ(overlay->accessibleValue(), QString()) << "no state change";
    key(Qt::Key_Right);
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    key(Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(selections.size(), 3);
    EXPECT_EQ(selections[0], QRectF(490, 370, 480, 160));
    EXPECT_EQ(selections[1], selections[0]);
    EXPECT_EQ(selections[2], selections[0]) << "keypad Enter confirms like Return";
}

TEST_F(SelectionOverlayTest, DragOfExactlyTheMinimumIsConfirmed)
{
    overlayFor({1440, 900});
    drag({100, 100}, {108, 108});
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(selections[0], QRectF(100, 100, 8, 8));
    drag({100, 100}, {107.9, 120});
    drag({100, 100}, {120, 107.9});
    EXPECT_EQ(selections.size(), 1);
    drag({1400, 880}, {1600, 1000});
    ASSERT_EQ(selections.size(), 2);
    EXPECT_EQ(selections[1], QRectF(1400, 880, 40, 20)) << "cut at the view's edge";
}

TEST_F(SelectionOverlayTest, AClickIsTooSmallAndIsAnnounced)
{
    overlayFor({1440, 900});
    EXPECT_EQ(overlay->accessibleValue(), QString());
    drag({50, 60}, {50, 60});
    EXPECT_TRUE(selections.isEmpty());
    EXPECT_TRUE(overlay->presentation().needsLarger());
    EXPECT_EQ(overlay->accessibleValue(), QStringLiteral("Selection 0 by 0 pixels"));
    ASSERT_EQ(announcer.announcements.size(), 1);
    EXPECT_EQ(announcer.announcements[0].text,
              QStringLiteral("Selection too small. Drag a larger area or use the arrow keys."));
    EXPECT_EQ(announcer.announcements[0].priority, Announcer::medium);
    EXPECT_EQ(announcer.announcements[0].source, overlay.get());
}

TEST_F(SelectionOverlayTest, TheTooSmallAnnouncementIsWithdrawnOnceTheSelectionIsLargeEnough)
{
    overlayFor({1440, 900});
    drag({50, 60}, {52, 61});
    mouse(QEvent::MouseButtonPress, {50, 60});
    mouse(QEvent::MouseMove, {54, 70});
    EXPECT_TRUE(announcer.withdrawn.isEmpty()) << "still too small";
    mouse(QEvent::MouseMove, {150, 160});
    ASSERT_EQ(announcer.withdrawn.size(), 1);
    EXPECT_EQ(announcer.withdrawn[0], overlay.get());
    mouse(QEvent::MouseMove, {250, 260});
    EXPECT_EQ(announcer.withdrawn.size(), 1) << "once";
}

TEST_F(SelectionOverlayTest, RightPressAndEscapeCancelAndLeaveTheSelection)
{
    overlayFor({1440, 900});
    mouse(QEvent::MouseButtonPress, {100, 100});
    mouse(QEvent::MouseMove, {300, 200});
    mouse(QEvent::MouseButtonPress, {300, 200}, Qt::RightButton);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(overlay->selection(), QRectF(100, 100, 200, 100));
    key(Qt::Key_Escape);
    EXPECT_EQ(cancels, 2);
    EXPECT_EQ(overlay->selection(), QRectF(100, 100, 200, 100));
    EXPECT_TRUE(selections.isEmpty());
}

TEST_F(SelectionOverlayTest, MovesWithoutAPressAreIgnoredAndOtherKeysPassOn)
{
    overlayFor({1440, 900});
    mouse(QEvent::MouseMove, {300, 200});
    mouse(QEvent::MouseButtonRelease, {300, 200});
    EXPECT_EQ(overlay->selection(), QRectF());
    EXPECT_EQ(overlay->accessibleValue(), QString());
    EXPECT_FALSE(key(Qt::Key_A));
    EXPECT_FALSE(key(Qt::Key_Tab));
    EXPECT_TRUE(key(Qt::Key_Left));
}

TEST_F(SelectionOverlayTest, ModifiersChooseResizeAndFineSteps)
{
    overlayFor({1440, 900});
    key(Qt::Key_Right, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(overlay->selection(), QRectF(480, 370, 481, 160));
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(overlay->selection(), QRectF(490, 370, 481, 160)) << "Control moves like a plain arrow";
    key(Qt::Key_Down, Qt::MetaModifier);
    EXPECT_EQ(overlay->selection(), QRectF(490, 380, 481, 160));
}

TEST_F(SelectionOverlayTest, ValueAndBadgeAreInDevicePixels)
{
    overlayFor({1440, 900}, 2);
    drag({100, 100}, {200, 150});
    EXPECT_EQ(overlay->accessibleValue(), QStringLiteral("Selection 200 by 100 pixels"));
    EXPECT_EQ(SelectionChrome::badgeText(QRectF(0, 0, 200, 100)), QStringLiteral("200 × 100 px"));
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(overlay->accessibleValue(), QStringLiteral("Selection 220 by 100 pixels"));
}

TEST_F(SelectionOverlayTest, IsOneLabelledGroupElement)
{
    overlayFor({800, 600}, 1, true);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(overlay.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Practice screenshot selection"));
    EXPECT_EQ(accessible->text(QAccessible::Help), SelectionOverlay::helpText);
    EXPECT_EQ(accessible->childCount(), 0) << "the hint card is hidden";
    key(Qt::Key_Up);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("Selection 480 by 160 pixels"));
    overlayFor({800, 600});
    EXPECT_EQ(QAccessible::queryAccessibleInterface(overlay.get())->text(QAccessible::Name),
              QStringLiteral("Screenshot selection"));
}

TEST_F(SelectionOverlayTest, DimmingIsDeeperWithIncreasedContrast)
{
    overlayFor({800, 600});
    EXPECT_NEAR(qRed(renderedPixel({5, 590})), 255 * 0.5, 1) << "uniform dimming without a selection";
    drag({100, 300}, {300, 400});
    EXPECT_EQ(qRed(renderedPixel({200, 350})), 255) << "the selection is a clear hole";
    EXPECT_NEAR(qRed(renderedPixel({5, 590})), 255 * 0.5, 1);
    accessibility.contrast = true;
    EXPECT_NEAR(qRed(renderedPixel({5, 590})), 255 * 0.32, 1) << "from the next redraw";
    EXPECT_EQ(qRed(renderedPixel({200, 350})), 255);
}

TEST_F(SelectionOverlayTest, ChromeDrawsOutlineAndAccentBrackets)
{
    overlayFor({800, 600});
    drag({100, 300}, {400, 500});
    const QImage rendered = overlay->grab().toImage();
    EXPECT_GT(qRed(rendered.pixel(250, 299)), 200) << "white outline just outside the top edge";
    const QColor bracket = rendered.pixelColor(110, 300);
    EXPECT_GT(bracket.green(), bracket.red() + 60) << "accent bracket at the top-left corner";
    EXPECT_EQ(SelectionChrome::bracketArm(QRectF(0, 0, 300, 200)), 20);
    EXPECT_EQ(SelectionChrome::bracketArm(QRectF(0, 0, 30, 12)), 4);
}

TEST_F(SelectionOverlayTest, ToolbarIsCentredBelowTheTop)
{
    EXPECT_EQ(SelectionOverlay::toolbarFrame(1440), QRect(465, 40, 510, 100));
    EXPECT_EQ(SelectionOverlay::toolbarFrame(400), QRect(16, 40, 368, 100));
    EXPECT_EQ(SelectionOverlay::toolbarFrame(31).width(), 0);
    overlayFor({1440, 900});
    EXPECT_EQ(overlay->toolbar().geometry(), QRect(465, 40, 510, 100));
    EXPECT_TRUE(overlay->toolbar().testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(SelectionOverlayTest, TheHintCardsShadowIsSoftOnEverySide)
{
    // The card's place follows the face's line height: the points below are DejaVu Sans's.
    const QString family = StandardFace::load(StandardFace::dejaVuSans());
    ASSERT_FALSE(family.isEmpty());
    const StandardFace face(family);
    overlayFor({1440, 900});
    const QImage rendered = overlay->grab().toImage();
    const auto shade = [&](int x, int y) { return qRed(rendered.pixel(x, y)); };
    const int dimmed = shade(5, 890);
    // The card spans the toolbar's width, 465 to 975, and about 49 to 110 down.
    const int middle = 79;
    EXPECT_LT(shade(461, middle), dimmed) << "left of the card, outside the hint's frame";
    EXPECT_LT(shade(979, middle), dimmed) << "right";
    EXPECT_LT(shade(500, 116), shade(720, 45)) << "deeper below than above";
    EXPECT_LT(shade(720, 45), dimmed) << "above";
    EXPECT_LT(shade(461, middle), shade(445, middle)) << "fading out with distance";
    EXPECT_EQ(shade(400, middle), dimmed);
}

TEST_F(SelectionOverlayTest, HeadlineFadesOnlyWhenASelectionAppearsOrGoes)
{
    overlayFor({1440, 900});
    mouse(QEvent::MouseButtonPress, {100, 100});
    mouse(QEvent::MouseMove, {300, 200});
    EXPECT_TRUE(overlay->toolbar().isAnimating());
    QElapsedTimer clock;
    clock.start();
    while (overlay->toolbar().isAnimating() && clock.elapsed() < 5000)
        QTest::qWait(10);
    EXPECT_FALSE(overlay->toolbar().isAnimating());
    key(Qt::Key_Right);
    EXPECT_FALSE(overlay->toolbar().isAnimating()) << "the selection already existed";
}

TEST_F(SelectionOverlayTest, ReduceMotionAndReduceTransparency)
{
    accessibility.motion = true;
    overlayFor({1440, 900});
    EXPECT_EQ(overlay->toolbar().cardBackground().alpha(), 214);
    drag({100, 100}, {300, 200});
    EXPECT_FALSE(overlay->toolbar().isAnimating());
    accessibility.transparency = true;
    EXPECT_EQ(overlay->toolbar().cardBackground().alpha(), 255);
}

TEST_F(SelectionOverlayTest, RepaintingOnlyTheDamageGivesTheFullPicture)
{
    accessibility.motion = true;
    overlayFor({800, 600});
    QImage picture(800, 600, QImage::Format_ARGB32_Premultiplied);
    overlay->render(&picture);
    QRectF previous = overlay->selection();
    const auto repaintDamage = [&] {
        // The hint card schedules its own repaints.
        const QRegion damage = SelectionChrome::damage(previous, overlay->selection(), QRectF(0, 0, 800, 600)) +
                               overlay->toolbar().geometry();
        overlay->render(&picture, damage.boundingRect().topLeft(), damage);
        previous = overlay->selection();
    };
    mouse(QEvent::MouseButtonPress, {300, 250});
    for (const QPointF to : {QPointF(420, 330), QPointF(520, 380), QPointF(350, 260), QPointF(200, 150)}) {
        mouse(QEvent::MouseMove, to);
        repaintDamage();
    }
    key(Qt::Key_Left, Qt::ShiftModifier);
    repaintDamage();
    const QRegion damage =
        SelectionChrome::damage(QRectF(100, 100, 400, 300), QRectF(100, 100, 410, 300), QRectF(0, 0, 800, 600));
    EXPECT_FALSE(damage.contains(QPoint(300, 250))) << "the inside of the selection is left alone";
    EXPECT_TRUE(damage.contains(QPoint(505, 250)));
    const QImage full = overlay->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QRegion differences;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            if (picture.pixel(x, y) != full.pixel(x, y))
                differences += QRect(x, y, 1, 1);
        }
    }
    EXPECT_TRUE(differences.isEmpty()) << "stale pixels within " << differences.boundingRect().x() << ","
                                       << differences.boundingRect().y() << " " << differences.boundingRect().width()
                                       << "x" << differences.boundingRect().height();
}

TEST_F(SelectionOverlayTest, AClickOnTheHintCardStartsASelectionLikeAnywhereElse)
{
    overlayFor({1000, 700});
    EXPECT_EQ(overlay->cursor().shape(), Qt::CrossCursor);
    overlay->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.get(), Patience::untilHung));
    const QPoint onCard = overlay->toolbar().geometry().center();
    QTest::mousePress(overlay->windowHandle(), Qt::LeftButton, {}, onCard);
    QTest::mouseMove(overlay->windowHandle(), onCard + QPoint(60, 40));
    QTest::mouseRelease(overlay->windowHandle(), Qt::LeftButton, {}, onCard + QPoint(60, 40));
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(selections[0], QRectF(onCard, QSizeF(60, 40)));
}

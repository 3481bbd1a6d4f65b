// The design system's components, each in the states it can show.
#include "gallery/Gallery.h"

#include "doubles/FakeAccessibilityPreferences.h"
#include "support/ManualAnimationDriver.h"

#include "support/design/CaptureButton.h"
#include "support/design/CopySuccessGlyph.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/OrbitSpinner.h"
#include "support/design/PanelMaterial.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/QuietButton.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/Surface.h"
#include "support/design/TrovMark.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHoverEvent>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

namespace {

enum class ButtonState { rest, hovered, pressed, disabled };

void hover(QWidget &widget)
{
    QHoverEvent enter(QEvent::HoverEnter, QPointF(5, 5), QPointF(5, 5), QPointF(-1, -1));
    QApplication::sendEvent(&widget, &enter);
}

// A window whose buttons are put into their state once it is shown.
class ButtonScene : public GalleryScene {
public:
    ButtonScene(std::unique_ptr<QWidget> window, QList<QAbstractButton *> buttons, ButtonState state)
        : window_(std::move(window)), buttons_(std::move(buttons)), state_(state)
    {
        for (QAbstractButton *button : buttons_)
            button->setEnabled(state_ != ButtonState::disabled);
    }
    ~ButtonScene() override
    {
        for (QAbstractButton *button : buttons_) {
            if (button->isDown())
                QTest::mouseRelease(button, Qt::LeftButton);
        }
    }
    QWidget &widget() override
    {
        if (!shown_) {
            shown_ = true;
            window_->show();
            for (QAbstractButton *button : buttons_) {
                if (state_ == ButtonState::hovered || state_ == ButtonState::pressed)
                    hover(*button);
                if (state_ == ButtonState::pressed)
                    QTest::mousePress(button, Qt::LeftButton);
            }
        }
        return *window_;
    }
    int settleMilliseconds() const override { return 400; }

private:
    std::unique_ptr<QWidget> window_;
    QList<QAbstractButton *> buttons_;
    ButtonState state_;
    bool shown_ = false;
};

QList<GalleryState> buttonStates(const std::function<std::unique_ptr<GalleryScene>(ButtonState)> &make)
{
    return {
        {QStringLiteral("rest"), [make](GalleryContext &) { return make(ButtonState::rest); }},
        {QStringLiteral("hovered"), [make](GalleryContext &) { return make(ButtonState::hovered); }},
        {QStringLiteral("pressed"), [make](GalleryContext &) { return make(ButtonState::pressed); }},
        {QStringLiteral("disabled"), [make](GalleryContext &) { return make(ButtonState::disabled); }},
    };
}

std::unique_ptr<GalleryScene> captureButtons(ButtonState state)
{
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *button = new CaptureButton(QStringLiteral("Capture text"));
    layout->addWidget(button);
    return std::make_unique<ButtonScene>(galleryWindow(column, QSize(360, 110), 28), QList<QAbstractButton *>{button},
                                         state);
}

std::unique_ptr<GalleryScene> quietButtons(ButtonState state)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto *plain = new QuietButton(QStringLiteral("Open image…"));
    auto *tinted = new QuietButton(QStringLiteral("Review text"));
    tinted->setInk(SystemColours::Ink::teal);
    tinted->setSymbol(QStringLiteral("arrow.up.right"));
    auto *quiet = new QuietButton(QStringLiteral("Cancel"));
    quiet->setInk(SystemColours::Ink::secondary);
    layout->addWidget(plain);
    layout->addWidget(tinted);
    layout->addWidget(quiet);
    layout->addStretch(1);
    auto window = galleryWindow(row, QSize(360, 70), 20);
    auto *material = new PanelMaterial(window.get(), 16);
    material->setGeometry(window->rect().adjusted(6, 6, -6, -6));
    material->lower();
    return std::make_unique<ButtonScene>(std::move(window), QList<QAbstractButton *>{plain, tinted, quiet}, state);
}

// A scene with accessibility settings of its own besides the gallery's.
class OwnSettingsScene : public GalleryScene {
public:
    OwnSettingsScene(GalleryContext &context, bool increaseContrast, bool reduceTransparency)
        : environment_(accessibility_, context.environment.appearance(), [] { return true; })
    {
        accessibility_.motion = context.reduceMotion;
        accessibility_.contrast = increaseContrast;
        accessibility_.transparency = reduceTransparency;
    }
    void setWindow(std::unique_ptr<QWidget> window)
    {
        window_ = std::move(window);
        environment_.attach(*window_);
    }
    QWidget &widget() override { return *window_; }

private:
    FakeAccessibilityPreferences accessibility_;
    DesignEnvironment environment_;
    std::unique_ptr<QWidget> window_;
};

std::unique_ptr<GalleryScene> panel(GalleryContext &context, bool contrast, bool opaque)
{
    auto scene = std::make_unique<OwnSettingsScene>(context, contrast, opaque);
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->resize(424, 206);
    auto *material = new PanelMaterial(window.get());
    material->setGeometry(12, 12, 400, 182);
    scene->setWindow(std::move(window));
    return scene;
}

std::unique_ptr<GalleryScene> surface(GalleryContext &)
{
    auto *content = new QLabel(QStringLiteral("A card around any content."));
    content->setTextFormat(Qt::PlainText);
    content->setFont(DesignTokens::font(DesignTokens::FontRole::body));
    return std::make_unique<WidgetScene>(galleryWindow(new Surface(content), QSize(300, 90), 12));
}

std::unique_ptr<GalleryScene> footnote(GalleryContext &)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new TrovMark(34));
    layout->addWidget(new ShortcutBadge(QStringLiteral("⌘ V")));
    layout->addWidget(new PrivacyFootnote);
    layout->addStretch(1);
    return std::make_unique<WidgetScene>(galleryWindow(row, QSize(340, 70), 16));
}

// A glyph pictured `settleMs` after it came on screen.
std::unique_ptr<GalleryScene> glyph(QWidget *glyph, int settleMs)
{
    return std::make_unique<WidgetScene>(galleryWindow(glyph, QSize(86, 86), 16), settleMs);
}

const GalleryRegistration captureButton(QStringLiteral("capture-button"), buttonStates(captureButtons));
const GalleryRegistration quietButton(QStringLiteral("quiet-button"), buttonStates(quietButtons));
const GalleryRegistration panelMaterial(
    QStringLiteral("panel-material"),
    {
        {QStringLiteral("standard"), [](GalleryContext &context) { return panel(context, false, false); }},
        {QStringLiteral("increase-contrast"), [](GalleryContext &context) { return panel(context, true, false); }},
        {QStringLiteral("reduce-transparency"), [](GalleryContext &context) { return panel(context, false, true); }},
    });
const GalleryRegistration surfaceCard(QStringLiteral("surface"), {{QStringLiteral("card"), surface}});
const GalleryRegistration marks(QStringLiteral("marks"), {{QStringLiteral("glyph-badge-footnote"), footnote}});
const GalleryRegistration
    spinner(QStringLiteral("orbit-spinner"),
            {
                {QStringLiteral("frame-0ms"), [](GalleryContext &) { return glyph(new OrbitSpinner, 0); }},
                {QStringLiteral("frame-575ms"), [](GalleryContext &) { return glyph(new OrbitSpinner, 575); }},
                {QStringLiteral("frame-1150ms"), [](GalleryContext &) { return glyph(new OrbitSpinner, 1150); }},
                {QStringLiteral("frame-1725ms"), [](GalleryContext &) { return glyph(new OrbitSpinner, 1725); }},
            });
const GalleryRegistration
    success(QStringLiteral("copy-success-glyph"),
            {
                {QStringLiteral("draw-in-100ms"), [](GalleryContext &) { return glyph(new CopySuccessGlyph, 100); }},
                {QStringLiteral("drawn"),
                 [](GalleryContext &) { return glyph(new CopySuccessGlyph, CopySuccessGlyph::drawInMs); }},
            });

} // namespace

// The welcome window's content and its capture illustration, on a real
// application model.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"

#include "views/CaptureIllustration.h"
#include "views/WelcomeView.h"

namespace {

// The view in a frameless window of the welcome window's size.
class WelcomeScene : public GalleryScene {
public:
    explicit WelcomeScene(int settleMs)
        : window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint)), settleMs_(settleMs)
    {
        window_->resize(670, 510);
    }

    FeedbackModelFixture &fixture() { return fixture_; }
    void makeView() { (new WelcomeView(fixture_.model(), fixture_.settings(), window_.get()))->resize(670, 510); }

    QWidget &widget() override { return *window_; }
    int settleMilliseconds() const override { return settleMs_; }

private:
    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    int settleMs_;
};

GalleryState state(const QString &name, std::function<void(FeedbackModelFixture &)> enter, int settleMs = 1000)
{
    return {name, [enter, settleMs](GalleryContext &) {
                auto scene = std::make_unique<WelcomeScene>(settleMs);
                enter(scene->fixture());
                scene->makeView();
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

void withoutPermission(FeedbackModelFixture &f)
{
    f.permission().granted = false;
    f.model().refreshPermission();
}

const GalleryRegistration
    welcome(QStringLiteral("welcome"),
            {
                state(QStringLiteral("permission-granted"), [](FeedbackModelFixture &) {}),
                state(QStringLiteral("permission-missing"), withoutPermission),
                state(QStringLiteral("busy"), [](FeedbackModelFixture &f) { f.select(); }),
                state(QStringLiteral("other-shortcut"),
                      [](FeedbackModelFixture &f) { f.settings().setShortcut(ShortcutPreset::commandShift2); }),
                // Halfway through the first appearance's fade (instant under Reduce Motion).
                state(
                    QStringLiteral("fading-in"), [](FeedbackModelFixture &) {}, 160),
            });

// The illustration alone, the band at the top, halfway and at the bottom of its sweep.
GalleryState sweep(const QString &name, int settleMs)
{
    return {name, [settleMs](GalleryContext &) {
                auto *illustration = new CaptureIllustration;
                auto window = galleryWindow(illustration, illustration->sizeHint() + QSize(32, 32));
                return std::unique_ptr<GalleryScene>(std::make_unique<WidgetScene>(std::move(window), settleMs));
            }};
}

const GalleryRegistration illustration(QStringLiteral("capture-illustration"),
                                       {
                                           sweep(QStringLiteral("band-at-top"), 0),
                                           sweep(QStringLiteral("band-halfway"), 1300),
                                           sweep(QStringLiteral("band-at-bottom"), 2600),
                                       });

} // namespace

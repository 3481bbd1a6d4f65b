// The menu-bar panel in each of its states, reached through a real
// application model; the panel in a window that follows its size, as the
// status item's popover hosts it.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"
#include "support/FileDrag.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

#include "stores/ClipboardHistoryStore.h"
#include "views/MenuBarView.h"

#include <QDir>
#include <QVBoxLayout>

namespace {

class MenuBarScene : public GalleryScene {
public:
    MenuBarScene() : window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint)) {}

    FeedbackModelFixture &fixture() { return fixture_; }

    void makeView()
    {
        view_ = new MenuBarView(fixture_.model(), fixture_.settings(), fixture_.model().mlxSetup(), fixture_.history(),
                                window_.get());
        auto *layout = new QVBoxLayout(window_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(view_);
    }

    MenuBarView &view() { return *view_; }
    QWidget &widget() override { return *window_; }

private:
    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    MenuBarView *view_ = nullptr;
};

using Enter = std::function<void(FeedbackModelFixture &)>;

GalleryState state(const QString &name, Enter enter, std::function<void(MenuBarView &)> after = {})
{
    return {name, [enter, after](GalleryContext &) {
                auto scene = std::make_unique<MenuBarScene>();
                enter(scene->fixture());
                scene->makeView();
                if (after)
                    after(scene->view());
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

const QStringList captures = {
    QStringLiteral("Quarterly report, third revision"),
    QStringLiteral("The meeting moved to Thursday at 10:30 in the small room on the second floor, next to the "
                   "kitchen. Bring the printed agenda and the budget figures."),
    QStringLiteral("Kestrel"),
    QStringLiteral("Invoice 2024-117"),
    QStringLiteral("Good ideas deserve a second look"),
    QStringLiteral("Trov it"),
};

void keepSix(FeedbackModelFixture &f)
{
    f.settings().setRememberSession(true);
    for (const QString &text : captures)
        f.copy(text);
}

const GalleryRegistration menuBar(
    QStringLiteral("menu-bar"),
    {
        state(QStringLiteral("empty"), [](FeedbackModelFixture &) {}),
        state(
            QStringLiteral("drop-target"), [](FeedbackModelFixture &) {},
            [](MenuBarView &view) {
                FileDrag drag({QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"))});
                drag.enter(view);
            }),
        withClampedTexts(state(QStringLiteral("last-capture"), [](FeedbackModelFixture &f) { f.copy(captures[1]); }),
                         {captures[1]}),
        state(QStringLiteral("recent-captures"), keepSix),
        state(QStringLiteral("selecting"), [](FeedbackModelFixture &f) { f.select(); }),
        state(QStringLiteral("recognizing-with-result"),
              [](FeedbackModelFixture &f) {
                  f.copy(captures[0]);
                  f.recognize(OCREngine::vision);
              }),
        state(QStringLiteral("copied"), [](FeedbackModelFixture &f) { f.copy(captures[2]); }),
        state(QStringLiteral("failed"),
              [](FeedbackModelFixture &f) { f.fail(QStringLiteral("No readable text was found in that area.")); }),
        state(QStringLiteral("local-engine-needs-setup"),
              [](FeedbackModelFixture &f) {
                  f.setLocalEngineInstalled(false);
                  f.settings().setEngine(OCREngine::mlx);
              }),
        state(QStringLiteral("local-engine-ready"),
              [](FeedbackModelFixture &f) { f.settings().setEngine(OCREngine::mlx); }),
        state(QStringLiteral("shortcut-conflict"),
              [](FeedbackModelFixture &f) {
                  f.settings().setShortcut(ShortcutPreset::commandShift2);
                  f.model().setShortcutConflict(true);
              }),
        state(QStringLiteral("history-empty"), [](FeedbackModelFixture &f) { f.settings().setClipboardHistory(true); }),
        state(QStringLiteral("history-and-everything"),
              [](FeedbackModelFixture &f) {
                  keepSix(f);
                  f.settings().setClipboardHistory(true);
                  f.history().setEnabled(true);
                  for (int i = 0; i < 100; ++i)
                      f.history().record(QStringLiteral("Clip %1").arg(i));
                  f.settings().setKeepLineBreaks(false);
              }),
    });

} // namespace

// The settings window's two tabs in each state, reached through a real
// application model and a real local-engine set-up.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"
#include "support/MLXTestRoot.h"
#include "support/TessdataFolder.h"

#include "support/Await.h"

#include "app/WindowController.h"
#include "services/MLXPaths.h"
#include "services/MLXSetup.h"
#include "views/PreferencesView.h"

#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {

enum class Tab { general, localEngine };
enum class Scroll { top, bottom };

// The view in a window of the settings window's size, shown once the model
// is in its state, with its languages listed.
class PreferencesScene : public GalleryScene {
public:
    PreferencesScene(const FeedbackModelFixture::Adjust &adjust, Tab tab, Scroll scroll)
        : languages_({QStringLiteral("chi_sim"), QStringLiteral("chi_tra"), QStringLiteral("deu"),
                      QStringLiteral("eng"), QStringLiteral("jpn")}),
          fixture_(adjust), window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint)), tab_(tab),
          scroll_(scroll)
    {
        window_->setFixedSize(WindowController::preferencesSize);
    }
    ~PreferencesScene() override { await(setup().shutdown()); }

    FeedbackModelFixture &fixture() { return fixture_; }
    MLXSetup &setup() { return fixture_.model().mlxSetup(); }

    void makeView()
    {
        view_ = new PreferencesView(fixture_.model(), fixture_.settings(), setup(), window_.get());
        auto *layout = new QVBoxLayout(window_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        view_->findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(tab_ == Tab::general ? 0 : 1);
    }

    QWidget &widget() override
    {
        if (!shown_) {
            shown_ = true;
            QSignalSpy listed(view_, &PreferencesView::languagesListed);
            window_->show();
            if (listed.isEmpty() && !listed.wait(10000))
                qWarning("the languages were not listed");
            if (scroll_ == Scroll::bottom) {
                auto *tabs = view_->findChild<QTabWidget *>(QStringLiteral("tabs"));
                QScrollBar *bar = static_cast<QScrollArea *>(tabs->currentWidget())->verticalScrollBar();
                bar->setValue(bar->maximum());
            }
        }
        return *window_;
    }

    int settleMilliseconds() const override { return 400; }

private:
    TessdataFolder languages_;
    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    PreferencesView *view_ = nullptr;
    Tab tab_;
    Scroll scroll_;
    bool shown_ = false;
};

using Enter = std::function<void(PreferencesScene &)>;

GalleryState state(const QString &name, Tab tab, Enter enter, Scroll scroll = Scroll::top,
                   FeedbackModelFixture::Adjust adjust = {})
{
    return {name, [=](GalleryContext &) {
                auto scene = std::make_unique<PreferencesScene>(adjust, tab, scroll);
                enter(*scene);
                scene->makeView();
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

// Before the model exists: the set-up starts with the engine missing.
void engineMissing(AppModel::Dependencies &)
{
    QFile::remove(MLXPaths::readyMarker());
}

void notInstalled(PreferencesScene &scene)
{
    scene.fixture().setLocalEngineInstalled(false);
}

// A set-up run whose script reports a stage and waits.
void installing(PreferencesScene &scene)
{
    scene.setup().setPythonPath(scene.fixture().mlxRoot().fakeSetupPython(QStringLiteral("wait")));
    scene.setup().install();
    if (!QTest::qWaitFor([&] { return scene.setup().status() == QStringLiteral("Waiting"); }, 10000))
        qWarning("the set-up script did not report its stage");
}

void launchFails(PreferencesScene &scene)
{
    scene.setup().setPythonPath(QStringLiteral("/no/such/python3"));
    scene.setup().install();
}

const GalleryRegistration preferences(
    QStringLiteral("preferences"),
    {
        state(QStringLiteral("general"), Tab::general, [](PreferencesScene &) {}),
        state(
            QStringLiteral("general-bottom"), Tab::general, [](PreferencesScene &) {}, Scroll::bottom),
        state(QStringLiteral("general-busy"), Tab::general, [](PreferencesScene &s) { s.fixture().select(); }),
        state(QStringLiteral("general-conflict"), Tab::general,
              [](PreferencesScene &s) {
                  s.fixture().settings().setShortcut(ShortcutPreset::commandShift2);
                  s.fixture().model().setShortcutConflict(true);
              }),
        state(QStringLiteral("general-language-not-offered"), Tab::general,
              [](PreferencesScene &s) { s.fixture().settings().setLanguage(QStringLiteral("fra")); }),
        state(
            QStringLiteral("general-history-on"), Tab::general,
            [](PreferencesScene &s) {
                s.fixture().settings().setClipboardHistory(true);
                s.fixture().settings().setPersistClipboardHistory(true);
            },
            Scroll::bottom),
        state(
            QStringLiteral("general-history-off-kept"), Tab::general,
            [](PreferencesScene &s) { s.fixture().settings().setPersistClipboardHistory(true); }, Scroll::bottom),
        state(
            QStringLiteral("general-permission-needed"), Tab::general,
            [](PreferencesScene &s) {
                s.fixture().permission().granted = false;
                s.fixture().model().refreshPermission();
            },
            Scroll::bottom),
        state(
            QStringLiteral("local-not-installed"), Tab::localEngine, [](PreferencesScene &) {}, Scroll::top,
            engineMissing),
        state(
            QStringLiteral("local-not-installed-bottom"), Tab::localEngine, [](PreferencesScene &) {}, Scroll::bottom,
            engineMissing),
        state(QStringLiteral("local-ready"), Tab::localEngine, [](PreferencesScene &) {}),
        state(
            QStringLiteral("local-ready-bottom"), Tab::localEngine, [](PreferencesScene &) {}, Scroll::bottom),
        state(QStringLiteral("local-installing"), Tab::localEngine,
              [](PreferencesScene &s) {
                  notInstalled(s);
                  installing(s);
              }),
        state(QStringLiteral("local-installing-while-ready"), Tab::localEngine,
              [](PreferencesScene &s) {
                  installing(s);
                  s.fixture().setLocalEngineInstalled(true);
              }),
        state(QStringLiteral("local-launch-failed"), Tab::localEngine, launchFails),
        state(
            QStringLiteral("local-setup-files-missing"), Tab::localEngine,
            [](PreferencesScene &s) {
                notInstalled(s);
                s.setup().install();
            },
            Scroll::top,
            [](AppModel::Dependencies &dependencies) {
                engineMissing(dependencies);
                dependencies.findSetupScript = [] { return std::optional<QString>(); };
            }),
        state(QStringLiteral("local-busy"), Tab::localEngine, [](PreferencesScene &s) { s.fixture().select(); }),
    });

} // namespace

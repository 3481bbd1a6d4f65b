#include "app/AppDelegate.h"

#include "app/IdleWarmUp.h"
#include "app/QuitController.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "platform/ActivationWatcher.h"
#include "services/GlobalShortcut.h"
#include "services/MLXSetup.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

AppDelegate::AppDelegate(AppModel::Dependencies modelDependencies, ShellDependencies shell, CommandLineOptions options,
                         QObject *parent)
    : QObject(parent), shell_(std::move(shell)), options_(std::move(options)),
      model_(std::make_unique<AppModel>(std::move(modelDependencies))),
      windows_(std::make_unique<WindowController>(shell_.announcer, shell_.accessibility))
{
    QPointer<AppDelegate> self(this);
    quit_ = std::make_unique<QuitController>(QuitController::Steps{
        [self] { return self && self->model_->mlxSetup().isInstalling(); },
        shell_.keepInstalling,
        [self]() -> QCoro::Task<void> {
            if (self)
                co_await self->shutDown();
        },
        [self] {
            if (self)
                self->willTerminate();
            if (self && self->shell_.terminate)
                self->shell_.terminate();
        },
        shell_.dismissQuestion,
    });
}

AppDelegate::~AppDelegate()
{
    willTerminate();
    // The window callbacks point at what goes first.
    model_->onHideSurfaces = nullptr;
    model_->onFeedback = nullptr;
    model_->onDismissFeedback = nullptr;
    model_->onReview = nullptr;
    model_->onSettings = nullptr;
    model_->onWelcome = nullptr;
    model_->onHistory = nullptr;
    disconnect(&model_->settings(), nullptr, this, nullptr);
    warmUp_.reset();
    shortcut_.reset();
    statusBar_.reset();
    windows_.reset();
}

void AppDelegate::launch()
{
    // The tray icon before anything else: it is what the first frame shows.
    if (shell_.statusItem) {
        statusBar_ = std::make_unique<StatusBarController>(*model_);
        connect(statusBar_.get(), &StatusBarController::quitRequested, this, &AppDelegate::requestQuit);
    }
    installMenus();
    if (shell_.hotKeys) {
        shortcut_ = std::make_unique<GlobalShortcut>(*shell_.hotKeys);
        QPointer<AppModel> model(model_.get());
        shortcut_->onCapture = [model] {
            if (model)
                model->toggleCapture();
        };
        // Another keyboard map may put the chord on keys another program holds.
        connect(shortcut_.get(), &GlobalShortcut::keymapFollowed, this,
                [this](bool held) { model_->setShortcutConflict(!held); });
    }
    subscribeToSettings();
    applyHistorySettings();
    wireWindowCallbacks();
    if (shell_.activations) {
        QPointer<AppModel> model(model_.get());
        connect(shell_.activations, &ActivationWatcher::activated, this, [model] {
            if (model)
                model->refreshPermission();
        });
    }
    qApp->installEventFilter(this);
    escapeMonitorInstalled_ = true;

    if (!model_->settings().hasSeenWelcome() || options_.welcome)
        windows_->showWelcome(*model_);
    if (options_.openImage)
        model_->importImage(*options_.openImage);
    // Nothing is warmed up while a capture or import runs.
    const QPointer<AppModel> model(model_.get());
    warmUp_ = std::make_unique<IdleWarmUp>(IdleWarmUp::windowsOf(*windows_, statusBar_.get(), *model_), warmUpDelay,
                                           [model] { return model && model->isOperationRunning(); });
}

void AppDelegate::installMenus()
{
    // Parentless: a desktop with a global menu shows it; elsewhere it is the
    // home of the actions every window carries.
    mainMenu_ = std::make_unique<QMenuBar>();
    QMenu *application = mainMenu_->addMenu(QStringLiteral("Ravelond"));
    QAction *capture = application->addAction(QStringLiteral("Capture Text"), this, &AppDelegate::captureText);
    QAction *about = application->addAction(QStringLiteral("About Ravelond"), this, &AppDelegate::showWelcome);
    QAction *settings = application->addAction(QStringLiteral("Settings…"), this, &AppDelegate::showSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    application->addSeparator();
    QAction *quit = application->addAction(QStringLiteral("Quit Ravelond"), this, &AppDelegate::requestQuit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    applicationActions_ = {capture, about, settings, quit};
    windows_->setWindowActions(applicationActions_);

    QMenu *edit = mainMenu_->addMenu(QStringLiteral("Edit"));
    const struct {
        const char *title;
        const char *slot;
        Qt::Key key;
    } entries[] = {{"Undo", "undo", Qt::Key_Z},
                   {"Cut", "cut", Qt::Key_X},
                   {"Copy", "copy", Qt::Key_C},
                   {"Paste", "paste", Qt::Key_V},
                   {"Select All", "selectAll", Qt::Key_A}};
    for (const auto &entry : entries) {
        QAction *action = edit->addAction(QString::fromLatin1(entry.title));
        action->setShortcut(QKeySequence(Qt::CTRL | entry.key));
        // No target of its own: whatever text field has the focus does it.
        const QByteArray slot(entry.slot);
        connect(action, &QAction::triggered, this, [slot] {
            if (QWidget *focus = QApplication::focusWidget())
                QMetaObject::invokeMethod(focus, slot.constData());
        });
    }
}

void AppDelegate::subscribeToSettings()
{
    Preferences &settings = model_->settings();
    const auto registerLater = [this](ShortcutPreset preset) {
        // On a later turn, so the first registration happens once the launch has returned.
        QMetaObject::invokeMethod(
            this, [this, preset] { registerShortcut(preset); }, Qt::QueuedConnection);
    };
    registerLater(settings.shortcut());
    connect(&settings, &Preferences::shortcutChanged, this, registerLater);
    connect(&settings, &Preferences::rememberSessionChanged, this, [this](bool remember) {
        if (!remember)
            model_->clearResults();
    });
    connect(&settings, &Preferences::clipboardHistoryChanged, this, [this](bool enabled) {
        if (enabled)
            model_->history().setEnabled(true);
        else
            model_->history().disableAndClear();
    });
    connect(&settings, &Preferences::persistClipboardHistoryChanged, this,
            [this](bool persists) { model_->history().setPersistence(persists); });
}

void AppDelegate::registerShortcut(ShortcutPreset preset)
{
    model_->setShortcutConflict(shortcut_ ? !shortcut_->registerPreset(preset) : false);
}

void AppDelegate::applyHistorySettings()
{
    // The file switch first, so that switching recording on reads a saved history.
    model_->history().setPersistence(model_->settings().persistClipboardHistory());
    model_->history().setEnabled(model_->settings().clipboardHistory());
}

void AppDelegate::wireWindowCallbacks()
{
    QPointer<AppDelegate> self(this);
    auto closePopover = [self] {
        if (self && self->statusBar_)
            self->statusBar_->close();
    };
    model_->onHideSurfaces = [self, closePopover] {
        closePopover();
        if (self)
            self->windows_->hideForCapture();
    };
    model_->onFeedback = [self] {
        if (self)
            self->windows_->showFeedback(*self->model_);
    };
    model_->onDismissFeedback = [self] {
        if (self)
            self->windows_->hideFeedback(false);
    };
    // Whatever ended the operation, the result windows it hid come back.
    connect(model_.get(), &AppModel::phaseChanged, this, [self](const CapturePhase &phase) {
        if (self && !phase.isBusy())
            self->windows_->restoreAfterCapture();
    });
    model_->onReview = [self, closePopover](const CaptureResult &result) {
        closePopover();
        if (self)
            self->windows_->showResult(result, *self->model_);
    };
    model_->onSettings = [self, closePopover] {
        closePopover();
        if (self)
            self->windows_->showPreferences(*self->model_);
    };
    model_->onWelcome = [self, closePopover] {
        closePopover();
        if (self)
            self->windows_->showWelcome(*self->model_);
    };
    model_->onHistory = [self, closePopover] {
        closePopover();
        if (self)
            self->windows_->showHistory(*self->model_);
    };
}

bool AppDelegate::reopen()
{
    if (model_->phase().isBusy())
        return false;
    if (windows_->hasVisibleWindow())
        windows_->bringForward();
    else
        windows_->showWelcome(*model_);
    return true;
}

void AppDelegate::openFiles(const QStringList &paths, std::shared_ptr<const void> keepsPathsValid)
{
    if (!paths.isEmpty())
        model_->importImage(paths.first(), std::move(keepsPathsValid));
}

void AppDelegate::requestQuit()
{
    quit_->requestQuit();
}

void AppDelegate::quitWithoutAsking()
{
    quit_->requestQuitWithoutAsking();
}

QCoro::Task<void> AppDelegate::shutDown()
{
    QPointer<AppDelegate> self(this);
    co_await model_->mlxSetup().shutdown();
    if (self)
        co_await self->model_->shutdown();
}

void AppDelegate::willTerminate()
{
    if (escapeMonitorInstalled_ && qApp) {
        qApp->removeEventFilter(this);
        escapeMonitorInstalled_ = false;
    }
}

void AppDelegate::captureText()
{
    model_->startCapture();
}

void AppDelegate::showWelcome()
{
    windows_->showWelcome(*model_);
}

void AppDelegate::showSettings()
{
    windows_->showPreferences(*model_);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Escape || !model_->phase().isBusy())
        return QObject::eventFilter(watched, event);
    // An open menu (the tray's) takes Escape to close itself, and only that.
    if (qobject_cast<QMenu *>(QApplication::activePopupWidget()))
        return QObject::eventFilter(watched, event);
    // Escape while busy cancels, and no window of ours (the overlay included) sees it.
    event->accept();
    if (type == QEvent::KeyPress)
        model_->cancel();
    return true;
}

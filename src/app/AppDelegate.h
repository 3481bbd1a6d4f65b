#pragma once

#include "app/CommandLineOptions.h"
#include "app/ShellDependencies.h"
#include "models/ShortcutPreset.h"
#include "stores/AppModel.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <memory>
#include <vector>

class GlobalShortcut;
class IdleWarmUp;
class QAction;
class QMenuBar;
class QuitController;
class StatusBarController;
class WindowController;

// The top of the running program: owns the one application model, the window
// controller, the status item and the global shortcut, wires them together at
// launch and answers reopen, open-file and quit requests. The smoke test takes
// its own road before any delegate exists.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // How long after the launch the windows' first-opening work starts: the
    // tray icon and the hot key come first.
    static constexpr std::chrono::milliseconds warmUpDelay{1500};

    AppDelegate(AppModel::Dependencies modelDependencies, ShellDependencies shell, CommandLineOptions options,
                QObject *parent = nullptr);
    ~AppDelegate() override;

    // Wires the running program, in order: menus, status item, shortcut,
    // settings subscriptions, history state, window callbacks, activation
    // watch, Escape monitor, then the welcome window and a command-line import.
    void launch();

    // The user started the program again; answers whether anything was handled.
    bool reopen();
    // Files opened with the program: the first is imported, the rest ignored.
    // `keepsPathsValid` is held for as long as the import may open its path.
    void openFiles(const QStringList &paths, std::shared_ptr<const void> keepsPathsValid = {});
    // Every quit request of the program goes here.
    void requestQuit();
    // A quit signal's request: nobody is there to answer a question.
    void quitWithoutAsking();
    // Last clean-up before the event loop ends.
    void willTerminate();

    // Menu actions.
    void captureText();
    void showWelcome();
    void showSettings();

    AppModel &model() const { return *model_; }
    WindowController &windows() const { return *windows_; }
    StatusBarController *statusBar() const { return statusBar_.get(); }
    GlobalShortcut *shortcut() const { return shortcut_.get(); }
    QuitController &quitController() const { return *quit_; }
    // The application menu's actions, which every window carries.
    QList<QAction *> applicationActions() const { return applicationActions_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installMenus();
    void subscribeToSettings();
    void applyHistorySettings();
    void wireWindowCallbacks();
    void registerShortcut(ShortcutPreset preset);
    QCoro::Task<void> shutDown();

    ShellDependencies shell_;
    CommandLineOptions options_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<WindowController> windows_;
    std::unique_ptr<QuitController> quit_;
    std::unique_ptr<QMenuBar> mainMenu_;
    QList<QAction *> applicationActions_;
    std::unique_ptr<StatusBarController> statusBar_;
    std::unique_ptr<GlobalShortcut> shortcut_;
    // The windows' first-opening work, done while idle after the launch.
    std::unique_ptr<IdleWarmUp> warmUp_;
    bool escapeMonitorInstalled_ = false;
};

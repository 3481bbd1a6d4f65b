#include "app/WindowController.h"

#include "stores/AppModel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/WindowFront.h"
#include "views/HistoryView.h"
#include "views/PreferencesView.h"
#include "views/ResultView.h"
#include "views/WelcomeView.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <utility>

const QString WindowController::welcomeTitle = QStringLiteral("Welcome to Ravelond");
const QString WindowController::preferencesTitle = QStringLiteral("Ravelond Settings");
const QString WindowController::resultTitle = QStringLiteral("Ravelond — Captured Text");
const QString WindowController::historyTitle = QStringLiteral("Ravelond — Clipboard History");

WindowController::WindowController(Announcer *announcer, AccessibilityPreferences *accessibility, QObject *parent)
    : QObject(parent), feedback_(announcer, accessibility)
{
}

void WindowController::setWindowActions(QList<QAction *> actions)
{
    feedback_.setWindowActions(actions);
    windowActions_ = std::move(actions);
}

WindowController::~WindowController()
{
    for (QWidget *window : windows())
        delete window;
    for (QWidget *window : keptResultWindows())
        delete window;
}

// MARK: Windows

QWidget *WindowController::makeWindow(const QString &title, QSize size, QWidget *content, bool resizable)
{
    // A fixed-size window offers only its close button; one that can be
    // resized can also be minimised and maximised.
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (resizable)
        flags |= Qt::WindowMinMaxButtonsHint;
    auto *window = new QWidget(nullptr, flags);
    window->setWindowTitle(title);
    // Read as a window with its title; its content in the order on screen.
    DesignAccessibility::install();
    window->addActions(windowActions_);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(window);
    layout->addWidget(content);
    if (resizable) {
        window->setMinimumSize(size);
        window->resize(size);
    } else {
        window->setFixedSize(size);
    }
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

void WindowController::show(QWidget *window)
{
    if (window)
        WindowFront::bring(*window);
}

void WindowController::bringForward()
{
    for (QWidget *window : windows()) {
        if (window && window->isVisible() && !window->isMinimized())
            show(window);
    }
    // Minimised ones too: nothing else leads back to the edits they hold.
    for (QWidget *window : keptResultWindows()) {
        if (window->isVisible())
            show(window);
    }
}

void WindowController::showWelcome(AppModel &model)
{
    if (!welcome_)
        welcome_ = makeWindow(welcomeTitle, welcomeSize, new WelcomeView(model, model.settings()), false);
    show(welcome_);
}

void WindowController::showPreferences(AppModel &model)
{
    preparePreferences(model);
    model.refreshPermission();
    show(preferences_);
}

void WindowController::preparePreferences(AppModel &model)
{
    if (!preferences_) {
        preferences_ = makeWindow(preferencesTitle, preferencesSize,
                                  new PreferencesView(model, model.settings(), model.mlxSetup()), false);
        DesignAccessibility::setWindowKind(*preferences_, DesignAccessibility::WindowKind::dialog);
    }
}

void WindowController::showHistory(AppModel &model)
{
    prepareHistory(model);
    show(history_);
}

void WindowController::prepareHistory(AppModel &model)
{
    if (!history_)
        history_ = makeWindow(historyTitle, historySize, new HistoryView(model, model.history()), true);
}

void WindowController::showResult(const CaptureResult &result, AppModel &model)
{
    QWidget *previous = result_;
    const bool keep = resultHoldsUnsavedEdits();
    if (previous && !keep) {
        // Gone for good: the end of the operation that hid it must not bring it back.
        hiddenForCapture_.removeAll(previous);
        previous->close();
        previous->deleteLater();
    }
    result_ = makeWindow(resultTitle, resultSize, new ResultView(result, model), true);
    if (previous && keep)
        keepBeside(previous, result_);
    show(result_);
}

bool WindowController::resultHoldsUnsavedEdits() const
{
    if (!result_ || (!result_->isVisible() && !hiddenForCapture_.contains(result_)))
        return false;
    const auto *view = result_->findChild<ResultView *>();
    return view && view->hasUnsavedEdits();
}

void WindowController::keepBeside(QWidget *kept, QWidget *fresh)
{
    // Closing it is the user's way to let the edits go; then it goes for good.
    kept->setAttribute(Qt::WA_DeleteOnClose);
    keptResults_.append(kept);
    // Down and to the right, so both title bars show.
    constexpr int cascade = 32;
    QRect frame = kept->geometry().translated(cascade, cascade);
    if (QScreen *screen = kept->screen()) {
        const QRect available = screen->availableGeometry();
        frame.moveRight(std::min(frame.right(), available.right()));
        frame.moveBottom(std::min(frame.bottom(), available.bottom()));
        frame.moveTopLeft(QPoint(std::max(frame.left(), available.left()), std::max(frame.top(), available.top())));
    }
    fresh->move(frame.topLeft());
}

QList<QWidget *> WindowController::keptResultWindows() const
{
    QList<QWidget *> kept;
    for (const QPointer<QWidget> &window : keptResults_) {
        if (window)
            kept.append(window);
    }
    return kept;
}

bool WindowController::hasVisibleWindow() const
{
    for (const QWidget *window : windows()) {
        if (window && window->isVisible() && !window->isMinimized())
            return true;
    }
    // A kept result window counts even when minimised: a second launch brings it back.
    for (const QWidget *window : keptResultWindows()) {
        if (window->isVisible())
            return true;
    }
    return false;
}

void WindowController::hideForCapture()
{
    QList<QWidget *> results = keptResultWindows();
    if (result_)
        results.append(result_);
    for (QWidget *window : results) {
        if (window->isVisible() && !hiddenForCapture_.contains(window))
            hiddenForCapture_.append(window);
        window->hide();
    }
    for (QWidget *window : windows()) {
        if (window)
            window->hide();
    }
    feedback_.hide(true);
}

void WindowController::restoreAfterCapture()
{
    const QList<QPointer<QWidget>> hidden = std::exchange(hiddenForCapture_, {});
    for (const QPointer<QWidget> &window : hidden) {
        if (!window || window->isVisible())
            continue;
        // The application the copy went back to keeps the keyboard.
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->show();
        window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

#include "app/WindowController.h"

#include "app/FeedbackPanel.h"
#include "platform/AccessibilityPreferences.h"
#include "platform/Announcer.h"
#include "platform/X11Connection.h"
#include "stores/AppModel.h"
#include "support/design/DesignAccessibility.h"
#include "views/FeedbackView.h"
#include "views/HistoryView.h"
#include "views/PreferencesView.h"
#include "views/ResultView.h"
#include "views/WelcomeView.h"

#include <QAction>
#include <QCoreApplication>
#include <QEasingCurve>
#include <QEvent>
#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <utility>

const QString WindowController::welcomeTitle = QStringLiteral("Welcome to Ravelond");
const QString WindowController::preferencesTitle = QStringLiteral("Ravelond Settings");
const QString WindowController::resultTitle = QStringLiteral("Ravelond — Captured Text");
const QString WindowController::historyTitle = QStringLiteral("Ravelond — Clipboard History");
const QString WindowController::copiedAnnouncement =
    QStringLiteral("Text copied to clipboard. Press Command V to paste.");
const QString WindowController::cancelledAnnouncement =
    QStringLiteral("Capture cancelled. Your clipboard is unchanged.");
const QString WindowController::recognizingAnnouncement = QStringLiteral("Recognizing text on your Mac.");

namespace {

// Qt hands a change of a window's opacity alone to the X server with whatever
// is sent next: without a flush each step of a fade would arrive with the
// last one, and the panel would vanish or appear at once.
void sendEachStep(QVariantAnimation &animation)
{
    QObject::connect(&animation, &QVariantAnimation::valueChanged, &animation, [] { X11Connection::flush(); });
}

// The ease-in-ease-out curve of the platform the panel's motion was drawn for.
QEasingCurve easeInEaseOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

} // namespace

WindowController::WindowController(Announcer *announcer, AccessibilityPreferences *accessibility, QObject *parent)
    : QObject(parent), announcer_(announcer), accessibility_(accessibility)
{
    grace_.setSingleShot(true);
    grace_.setTimerType(Qt::PreciseTimer);
    connect(&grace_, &QTimer::timeout, this, [this] {
        if (graceModel_ && graceModel_->phase().kind() == CapturePhase::recognizing)
            presentFeedback(*graceModel_);
    });
}

WindowController::~WindowController()
{
    if (feedback_)
        tearDownPanel();
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
    if (!window)
        return;
    // Qt counts a minimised window as shown: without taking the state off,
    // it would stay in the taskbar (and without a taskbar, out of reach).
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowController::bringForward()
{
    for (QWidget *window : windows()) {
        if (window && window->isVisible() && !window->isMinimized())
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
    hideFeedback(true);
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

// MARK: Feedback panel

QWidget *WindowController::feedbackPanel() const
{
    return feedback_;
}

QRect WindowController::feedbackFrame(const QRect &available, bool failed)
{
    const int height = failed ? failedFeedbackHeight : feedbackHeight;
    const int x = available.x() + available.width() / 2 - feedbackWidth / 2;
    return QRect(x, available.y() + feedbackTopInset, feedbackWidth, height);
}

void WindowController::showFeedback(AppModel &model)
{
    grace_.stop();
    if (model.phase().kind() == CapturePhase::recognizing && !feedback_) {
        graceModel_ = &model;
        grace_.start(feedbackGrace);
        return;
    }
    presentFeedback(model);
}

void WindowController::makePanel(AppModel &model)
{
    feedback_ = new FeedbackPanel(new FeedbackView(model));
    feedback_->addActions(windowActions_);
    feedback_->installEventFilter(this);
    feedbackModel_ = &model;
}

void WindowController::presentFeedback(AppModel &model)
{
    ++presentationID_;
    if (!feedback_)
        makePanel(model);
    QScreen *screen = model.feedbackScreen() ? model.feedbackScreen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const CapturePhase phase = model.phase();
    const QRect target = feedbackFrame(screen->availableGeometry(), phase.kind() == CapturePhase::failed);
    const bool reduced = reduceMotion();
    stopPanelAnimation();
    if (!feedback_->isVisible()) {
        feedback_->setWindowOpacity(0);
        // Starts a little higher and slides down into place.
        feedback_->setGeometry(reduced ? target : target.translated(0, -entranceSlide));
    }
    feedback_->show();
    feedback_->raise();

    auto *entrance = new QParallelAnimationGroup(feedback_);
    for (const auto &[property, end] :
         {std::pair<QByteArray, QVariant>{"geometry", target}, std::pair<QByteArray, QVariant>{"windowOpacity", 1.0}}) {
        auto *animation = new QPropertyAnimation(feedback_, property, entrance);
        if (property == "windowOpacity")
            sendEachStep(*animation);
        animation->setDuration(reduced ? reducedEntranceMilliseconds : entranceMilliseconds);
        animation->setEasingCurve(easeInEaseOut());
        animation->setEndValue(end);
        entrance->addAnimation(animation);
    }
    panelAnimation_ = entrance;
    entrance->start(QAbstractAnimation::DeleteWhenStopped);
    announce(phase, model.lastError());
}

void WindowController::hideFeedback(bool immediate)
{
    grace_.stop();
    lastAnnouncedPhase_.reset();
    const quint64 dismissal = ++presentationID_;
    if (!feedback_)
        return;
    // What the panel announced leaves with it.
    if (announcer_)
        announcer_->withdraw(QCoreApplication::instance());
    stopPanelAnimation();
    if (immediate) {
        tearDownPanel();
        return;
    }
    auto *fade = new QPropertyAnimation(feedback_, "windowOpacity", feedback_);
    fade->setDuration(reduceMotion() ? reducedFadeMilliseconds : fadeMilliseconds);
    fade->setEndValue(0.0);
    sendEachStep(*fade);
    const QPointer<FeedbackPanel> panel = feedback_;
    connect(fade, &QAbstractAnimation::finished, this, [this, panel, dismissal] {
        // A presentation after this dismissal keeps the panel.
        if (panel && presentationID_ == dismissal && feedback_ == panel)
            tearDownPanel();
    });
    panelAnimation_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void WindowController::tearDownPanel()
{
    FeedbackPanel *panel = feedback_;
    const QPointer<AppModel> model = feedbackModel_;
    feedback_ = nullptr;
    feedbackModel_ = nullptr;
    // The focus-out event of a window torn down while active arrives after it
    // is gone, if at all: tell the model now.
    if (panel->isActiveWindow() && model)
        model->setFeedbackFocused(false);
    panel->removeEventFilter(this);
    panel->hide();
    panel->removeContent();
    panel->close();
    panel->deleteLater();
}

void WindowController::stopPanelAnimation()
{
    if (panelAnimation_)
        panelAnimation_->stop();
}

bool WindowController::reduceMotion() const
{
    return accessibility_ && accessibility_->reduceMotion();
}

QString WindowController::announcement(const CapturePhase &phase, const QString &lastError)
{
    switch (phase.kind()) {
    case CapturePhase::copied:
        return copiedAnnouncement;
    case CapturePhase::cancelled:
        return cancelledAnnouncement;
    case CapturePhase::failed:
        return lastError;
    case CapturePhase::idle:
    case CapturePhase::selecting:
    case CapturePhase::recognizing:
        break;
    }
    return recognizingAnnouncement;
}

void WindowController::announce(const CapturePhase &phase, const QString &lastError)
{
    if (lastAnnouncedPhase_ == phase)
        return;
    lastAnnouncedPhase_ = phase;
    if (announcer_)
        announcer_->announce(QCoreApplication::instance(), announcement(phase, lastError), Announcer::medium);
}

bool WindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == feedback_.data() && feedbackModel_) {
        if (event->type() == QEvent::WindowActivate)
            feedbackModel_->setFeedbackFocused(true);
        else if (event->type() == QEvent::WindowDeactivate)
            feedbackModel_->setFeedbackFocused(false);
    }
    return QObject::eventFilter(watched, event);
}

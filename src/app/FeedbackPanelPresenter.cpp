#include "app/FeedbackPanelPresenter.h"

#include "app/FeedbackPanel.h"
#include "platform/AccessibilityPreferences.h"
#include "platform/Announcer.h"
#include "platform/X11Connection.h"
#include "stores/AppModel.h"
#include "views/FeedbackView.h"

#include <QAction>
#include <QCoreApplication>
#include <QEasingCurve>
#include <QEvent>
#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>

#include <utility>

const QString FeedbackPanelPresenter::copiedAnnouncement =
    QStringLiteral("Text copied to clipboard. Press Command V to paste.");
const QString FeedbackPanelPresenter::cancelledAnnouncement =
    QStringLiteral("Capture cancelled. Your clipboard is unchanged.");
const QString FeedbackPanelPresenter::recognizingAnnouncement = QStringLiteral("Recognizing text on your Mac.");

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

FeedbackPanelPresenter::FeedbackPanelPresenter(Announcer *announcer, AccessibilityPreferences *accessibility,
                                               QObject *parent)
    : QObject(parent), announcer_(announcer), accessibility_(accessibility)
{
    grace_.setSingleShot(true);
    grace_.setTimerType(Qt::PreciseTimer);
    connect(&grace_, &QTimer::timeout, this, [this] {
        if (graceModel_ && graceModel_->phase().kind() == CapturePhase::recognizing)
            present(*graceModel_);
    });
}

FeedbackPanelPresenter::~FeedbackPanelPresenter()
{
    if (panel_)
        tearDownPanel();
}

QWidget *FeedbackPanelPresenter::panel() const
{
    return panel_;
}

QRect FeedbackPanelPresenter::frame(const QRect &available, bool failed)
{
    const QSize size = FeedbackView::cardSize(failed);
    const int x = available.x() + available.width() / 2 - size.width() / 2;
    return QRect(QPoint(x, available.y() + topInset), size);
}

void FeedbackPanelPresenter::show(AppModel &model)
{
    grace_.stop();
    if (model.phase().kind() == CapturePhase::recognizing && !panel_) {
        graceModel_ = &model;
        grace_.start(grace);
        return;
    }
    present(model);
}

void FeedbackPanelPresenter::makePanel(AppModel &model)
{
    panel_ = new FeedbackPanel(new FeedbackView(model));
    panel_->addActions(windowActions_);
    panel_->installEventFilter(this);
    panelModel_ = &model;
}

void FeedbackPanelPresenter::present(AppModel &model)
{
    ++presentationID_;
    if (!panel_)
        makePanel(model);
    QScreen *screen = model.feedbackScreen() ? model.feedbackScreen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const CapturePhase phase = model.phase();
    const QRect target = frame(screen->availableGeometry(), phase.kind() == CapturePhase::failed);
    const bool reduced = reduceMotion();
    stopAnimation();
    if (!panel_->isVisible()) {
        panel_->setWindowOpacity(0);
        // Starts a little higher and slides down into place.
        panel_->setGeometry(reduced ? target : target.translated(0, -entranceSlide));
    }
    panel_->show();
    panel_->raise();

    auto *entrance = new QParallelAnimationGroup(panel_);
    for (const auto &[property, end] :
         {std::pair<QByteArray, QVariant>{"geometry", target}, std::pair<QByteArray, QVariant>{"windowOpacity", 1.0}}) {
        auto *animation = new QPropertyAnimation(panel_, property, entrance);
        if (property == "windowOpacity")
            sendEachStep(*animation);
        animation->setDuration(reduced ? reducedEntranceMilliseconds : entranceMilliseconds);
        animation->setEasingCurve(easeInEaseOut());
        animation->setEndValue(end);
        entrance->addAnimation(animation);
    }
    animation_ = entrance;
    entrance->start(QAbstractAnimation::DeleteWhenStopped);
    announce(phase, model.lastError());
}

void FeedbackPanelPresenter::hide(bool immediate)
{
    grace_.stop();
    lastAnnouncedPhase_.reset();
    const quint64 dismissal = ++presentationID_;
    if (!panel_)
        return;
    // What the panel announced leaves with it.
    if (announcer_)
        announcer_->withdraw(QCoreApplication::instance());
    stopAnimation();
    if (immediate) {
        tearDownPanel();
        return;
    }
    auto *fade = new QPropertyAnimation(panel_, "windowOpacity", panel_);
    fade->setDuration(reduceMotion() ? reducedFadeMilliseconds : fadeMilliseconds);
    fade->setEndValue(0.0);
    sendEachStep(*fade);
    const QPointer<FeedbackPanel> panel = panel_;
    connect(fade, &QAbstractAnimation::finished, this, [this, panel, dismissal] {
        // A presentation after this dismissal keeps the panel.
        if (panel && presentationID_ == dismissal && panel_ == panel)
            tearDownPanel();
    });
    animation_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FeedbackPanelPresenter::tearDownPanel()
{
    FeedbackPanel *panel = panel_;
    const QPointer<AppModel> model = panelModel_;
    panel_ = nullptr;
    panelModel_ = nullptr;
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

void FeedbackPanelPresenter::stopAnimation()
{
    if (animation_)
        animation_->stop();
}

bool FeedbackPanelPresenter::reduceMotion() const
{
    return accessibility_ && accessibility_->reduceMotion();
}

QString FeedbackPanelPresenter::announcement(const CapturePhase &phase, const QString &lastError)
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

void FeedbackPanelPresenter::announce(const CapturePhase &phase, const QString &lastError)
{
    if (lastAnnouncedPhase_ == phase)
        return;
    lastAnnouncedPhase_ = phase;
    if (announcer_)
        announcer_->announce(QCoreApplication::instance(), announcement(phase, lastError), Announcer::medium);
}

bool FeedbackPanelPresenter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == panel_.data() && panelModel_) {
        if (event->type() == QEvent::WindowActivate)
            panelModel_->setFeedbackFocused(true);
        else if (event->type() == QEvent::WindowDeactivate)
            panelModel_->setFeedbackFocused(false);
    }
    return QObject::eventFilter(watched, event);
}

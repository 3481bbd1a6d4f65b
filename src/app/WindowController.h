#pragma once

#include "models/CapturePhase.h"
#include "models/CaptureResult.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <array>
#include <chrono>
#include <optional>

class AccessibilityPreferences;
class Announcer;
class AppModel;
class FeedbackPanel;
class QAction;
class QAbstractAnimation;
class QWidget;

// Owns every window but the status item's popover and the selection overlay:
// the welcome, settings, result and clipboard-history windows, made on first
// use and never deleted when closed (the result window is replaced on every
// review, unless it holds unsaved edits: then it stays and the new result
// opens beside it), and the floating feedback panel, which follows the
// model's phase with a grace period, its placement, animations and
// announcements.
class WindowController final : public QObject {
    Q_OBJECT
public:
    static const QString welcomeTitle;
    static const QString preferencesTitle;
    static const QString resultTitle;
    static const QString historyTitle;
    static constexpr QSize welcomeSize{670, 510};
    static constexpr QSize preferencesSize{580, 565};
    static constexpr QSize resultSize{640, 470};
    static constexpr QSize historySize{520, 560};

    static constexpr int feedbackWidth = 424;
    static constexpr int feedbackHeight = 206;
    static constexpr int failedFeedbackHeight = 250;
    static constexpr int feedbackTopInset = 28;
    static constexpr int entranceSlide = 8;
    // A recognition that ends sooner never shows its progress card.
    static constexpr std::chrono::milliseconds feedbackGrace{160};
    static constexpr int entranceMilliseconds = 240;
    static constexpr int reducedEntranceMilliseconds = 100;
    static constexpr int fadeMilliseconds = 160;
    static constexpr int reducedFadeMilliseconds = 80;

    static const QString copiedAnnouncement;
    static const QString cancelledAnnouncement;
    static const QString recognizingAnnouncement;

    // Neither is owned; both may be null (no announcements; motion as usual).
    WindowController(Announcer *announcer, AccessibilityPreferences *accessibility, QObject *parent = nullptr);
    ~WindowController() override;

    // Given to every window made from now on, so their shortcuts work in all of them.
    void setWindowActions(QList<QAction *> actions) { windowActions_ = std::move(actions); }

    void showWelcome(AppModel &model);
    void showPreferences(AppModel &model);
    // Makes the settings window hidden, ahead of its first opening, which
    // then only shows it; nothing when it exists already.
    void preparePreferences(AppModel &model);
    void showHistory(AppModel &model);
    // Makes the clipboard-history window hidden, ahead of its first opening;
    // nothing when it exists already.
    void prepareHistory(AppModel &model);
    void showResult(const CaptureResult &result, AppModel &model);
    void hideForCapture();
    // The operation is over: the result windows it hid come back as they
    // were (text, cursor, scroll), without taking the focus.
    void restoreAfterCapture();
    void showFeedback(AppModel &model);
    void hideFeedback(bool immediate = false);

    // Whether a window is on screen: a minimised one is not.
    bool hasVisibleWindow() const;
    // Raises and activates every window on screen, as a second launch does.
    void bringForward();
    QWidget *welcomeWindow() const { return welcome_; }
    QWidget *preferencesWindow() const { return preferences_; }
    QWidget *resultWindow() const { return result_; }
    // Result windows with unsaved edits that later reviews left standing.
    QList<QWidget *> keptResultWindows() const;
    QWidget *historyWindow() const { return history_; }
    QWidget *feedbackPanel() const;

    // Where the panel goes on a display with this available area (y down):
    // centred, its top edge 28 below the area's top, taller for a failure.
    static QRect feedbackFrame(const QRect &available, bool failed);
    // What is said when the panel presents this phase.
    static QString announcement(const CapturePhase &phase, const QString &lastError);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The four windows, each null while there is none.
    std::array<QWidget *, 4> windows() const { return {welcome_, preferences_, result_, history_}; }
    QWidget *makeWindow(const QString &title, QSize size, QWidget *content, bool resizable);
    // Whether the present result window is on screen (or only hidden for an
    // operation) and holds edits that are neither recognised nor saved to a file.
    bool resultHoldsUnsavedEdits() const;
    void keepBeside(QWidget *kept, QWidget *fresh);
    void show(QWidget *window);
    void presentFeedback(AppModel &model);
    void makePanel(AppModel &model);
    void tearDownPanel();
    void announce(const CapturePhase &phase, const QString &lastError);
    bool reduceMotion() const;
    void stopPanelAnimation();

    Announcer *announcer_;
    AccessibilityPreferences *accessibility_;
    QList<QAction *> windowActions_;

    QPointer<QWidget> welcome_;
    QPointer<QWidget> preferences_;
    QPointer<QWidget> result_;
    QPointer<QWidget> history_;
    QList<QPointer<QWidget>> keptResults_;
    // Result windows that were on screen when an operation hid them.
    QList<QPointer<QWidget>> hiddenForCapture_;
    QPointer<FeedbackPanel> feedback_;
    QPointer<AppModel> feedbackModel_;
    QPointer<AppModel> graceModel_;
    QTimer grace_;
    QPointer<QAbstractAnimation> panelAnimation_;
    // Renewed by every presentation and dismissal: a fade-out tears the panel
    // down only if nothing came after it.
    quint64 presentationID_ = 0;
    std::optional<CapturePhase> lastAnnouncedPhase_;
};

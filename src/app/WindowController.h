#pragma once

#include "app/FeedbackPanelPresenter.h"
#include "models/CaptureResult.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <array>

class AccessibilityPreferences;
class Announcer;
class AppModel;
class QAction;
class QWidget;

// Owns every window but the status item's popover and the selection overlay:
// the welcome, settings, result and clipboard-history windows, made on first
// use and never deleted when closed (the result window is replaced on every
// review, unless it holds unsaved edits: then it stays and the new result
// opens beside it), and the presenter of the floating feedback panel.
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

    // Neither is owned; both may be null (no announcements; motion as usual).
    WindowController(Announcer *announcer, AccessibilityPreferences *accessibility, QObject *parent = nullptr);
    ~WindowController() override;

    // Given to every window made from now on, so their shortcuts work in all of them.
    void setWindowActions(QList<QAction *> actions);

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
    void showFeedback(AppModel &model) { feedback_.show(model); }
    void hideFeedback(bool immediate = false) { feedback_.hide(immediate); }

    // Whether a window is on screen: a minimised one is not, except a result
    // window kept for its edits, which bringForward() restores.
    bool hasVisibleWindow() const;
    // Raises and activates every window on screen, as a second launch does,
    // and brings back the kept result windows that were minimised.
    void bringForward();
    QWidget *welcomeWindow() const { return welcome_; }
    QWidget *preferencesWindow() const { return preferences_; }
    QWidget *resultWindow() const { return result_; }
    // Result windows with unsaved edits that later reviews left standing.
    QList<QWidget *> keptResultWindows() const;
    QWidget *historyWindow() const { return history_; }
    QWidget *feedbackPanel() const { return feedback_.panel(); }

private:
    // The four windows, each null while there is none.
    std::array<QWidget *, 4> windows() const { return {welcome_, preferences_, result_, history_}; }
    QWidget *makeWindow(const QString &title, QSize size, QWidget *content, bool resizable);
    // Whether the present result window is on screen (or only hidden for an
    // operation) and holds edits that are neither recognised nor saved to a file.
    bool resultHoldsUnsavedEdits() const;
    void keepBeside(QWidget *kept, QWidget *fresh);
    void show(QWidget *window);

    QList<QAction *> windowActions_;

    QPointer<QWidget> welcome_;
    QPointer<QWidget> preferences_;
    QPointer<QWidget> result_;
    QPointer<QWidget> history_;
    QList<QPointer<QWidget>> keptResults_;
    // Result windows that were on screen when an operation hid them.
    QList<QPointer<QWidget>> hiddenForCapture_;
    FeedbackPanelPresenter feedback_;
};

#pragma once

#include "models/CapturePhase.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <chrono>
#include <optional>

class AccessibilityPreferences;
class Announcer;
class AppModel;
class FeedbackPanel;
class QAbstractAnimation;
class QAction;
class QWidget;

// Presents the floating feedback panel as the model's phase moves: after a
// short grace while recognising, placed at the top of the display the
// operation ran on, sliding and fading in and out, and announcing each
// phase it shows once.
class FeedbackPanelPresenter final : public QObject {
    Q_OBJECT
public:
    static constexpr int topInset = 28;
    static constexpr int entranceSlide = 8;
    // A recognition that ends sooner never shows its progress card.
    static constexpr std::chrono::milliseconds grace{160};
    static constexpr int entranceMilliseconds = 240;
    static constexpr int reducedEntranceMilliseconds = 100;
    static constexpr int fadeMilliseconds = 160;
    static constexpr int reducedFadeMilliseconds = 80;

    static const QString copiedAnnouncement;
    static const QString cancelledAnnouncement;
    static const QString recognizingAnnouncement;

    // Neither is owned; both may be null (no announcements; motion as usual).
    FeedbackPanelPresenter(Announcer *announcer, AccessibilityPreferences *accessibility, QObject *parent = nullptr);
    ~FeedbackPanelPresenter() override;

    // Given to the panel when it is made, so the application's shortcuts work in it.
    void setWindowActions(QList<QAction *> actions) { windowActions_ = std::move(actions); }

    void show(AppModel &model);
    // Fades the panel out, or removes it at once.
    void hide(bool immediate = false);
    QWidget *panel() const;

    // Where the panel goes on a display with this available area (y down):
    // centred, its top edge 28 below the area's top, taller for a failure.
    static QRect frame(const QRect &available, bool failed);
    // What is said when the panel presents this phase.
    static QString announcement(const CapturePhase &phase, const QString &lastError);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void present(AppModel &model);
    void makePanel(AppModel &model);
    void tearDownPanel();
    void announce(const CapturePhase &phase, const QString &lastError);
    bool reduceMotion() const;
    void stopAnimation();

    Announcer *announcer_;
    AccessibilityPreferences *accessibility_;
    QList<QAction *> windowActions_;
    QPointer<FeedbackPanel> panel_;
    QPointer<AppModel> panelModel_;
    QPointer<AppModel> graceModel_;
    QTimer grace_;
    QPointer<QAbstractAnimation> animation_;
    // Renewed by every presentation and dismissal: a fade-out tears the panel
    // down only if nothing came after it.
    quint64 presentationID_ = 0;
    std::optional<CapturePhase> lastAnnouncedPhase_;
};

#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

class AppModel;
class CaptureButton;
class CaptureIllustration;
class PlainButton;
class Preferences;
class ShortcutBadge;

// The welcome window's content, 670 × 510: on the left the brand, the promise,
// three steps and the ways to begin (a first capture, or the screen-capture
// permission while it is missing; a practice run; an image); on the right the
// animated capture illustration and the shortcut, which follows the setting
// while the window is open. It fades in the first time it is shown (at once
// under Reduce Motion). Made once; its window is reused.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    static constexpr int leftWidth = 328;
    static constexpr int rightWidth = 342;
    static constexpr int fadeMilliseconds = 400;

    WelcomeView(AppModel &model, Preferences &settings, QWidget *parent = nullptr);
    ~WelcomeView() override;

    // "Take your first trov" with the permission, else "Enable screen capture".
    static QString mainTitle(bool permissionGranted);

    bool isRevealed() const { return revealed_; }
    // The content's opacity now (below 1 only while it fades in).
    double contentOpacity() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Tab follows the order on screen.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget *makeLeftColumn();
    QWidget *makeRightColumn();
    QWidget *makeActions(QWidget *parent);
    void begin();
    void followPermission();
    void followPhase();
    void followShortcut();
    void reveal();

    AppModel &model_;
    Preferences &settings_;
    QWidget *content_;
    CaptureButton *main_ = nullptr;
    PlainButton *practice_ = nullptr;
    PlainButton *openImage_ = nullptr;
    ShortcutBadge *badge_ = nullptr;
    CaptureIllustration *illustration_ = nullptr;
    bool revealed_ = false;
    QPointer<QPropertyAnimation> fade_;
};

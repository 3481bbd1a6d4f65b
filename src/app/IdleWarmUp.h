#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

class AppModel;
class QWidget;
class StatusBarController;
class WindowController;

// What a window's first opening would otherwise do on the path of its first
// frame (making it, style polish, layout, font loading and glyph rasterising,
// a first paint), done ahead while the program is idle, in small steps: one
// step per turn of the event loop, and only while no operation runs and
// nothing has just been opened, clicked or typed into, so that a step holds up
// a hot key or a click for no longer than itself (a few milliseconds). A step
// finds what is already made (a window opened meanwhile) and leaves it.
// Destroying it drops the steps not yet run.
class IdleWarmUp final : public QObject {
    Q_OBJECT
public:
    // One slice of work; true when it has more to do, and is then called
    // again on a later idle turn.
    using Step = std::function<bool()>;
    // Whether the program is busy now (an operation running).
    using Busy = std::function<bool()>;

    // After a window shows, a click or a key press, no step runs for this long.
    static constexpr std::chrono::milliseconds quietAfterActivity{400};
    // How often a deferred step looks again whether the program is idle.
    static constexpr std::chrono::milliseconds recheck{100};

    // The steps start once `delay` has passed (the program's start-up done).
    IdleWarmUp(QList<Step> steps, std::chrono::milliseconds delay, Busy busy = {}, QObject *parent = nullptr);
    ~IdleWarmUp() override;

    bool isFinished() const { return steps_.isEmpty(); }

    // What the windows' first openings would otherwise stall on: the faces
    // they draw with, loaded and rasterised; the popover painted; the
    // settings window made hidden, painted and given its languages; the
    // clipboard-history window, when the history is on, made hidden with its
    // rows and painted; what the result and welcome windows share (fonts,
    // shadows, symbols), painted once by a copy of each that is thrown away
    // (those two windows are made on use); then the freed memory given back.
    // `status` may be null (no tray).
    static QList<Step> windowsOf(WindowController &windows, StatusBarController *status, AppModel &model);

    // Polishes and lays out the window `window()` returns, then (in a call of
    // its own) has `fill` fill it with what its showing would, then paints it
    // off screen a part at a time, one part a call: its first showing then
    // finds its style, fonts and glyphs ready. Nothing when it returns null.
    static Step render(std::function<QWidget *()> window, std::function<void(QWidget &)> fill = {});

Q_SIGNALS:
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runNext();
    bool isIdle() const;

    QList<Step> steps_;
    Busy busy_;
    QElapsedTimer sinceActivity_;
};

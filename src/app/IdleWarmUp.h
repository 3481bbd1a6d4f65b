#pragma once

#include <QList>
#include <QObject>

#include <chrono>
#include <functional>

class AppModel;
class QWidget;
class StatusBarController;
class WindowController;

// What a window's first opening would otherwise do on the path of its first
// frame (style polish, layout, font loading and glyph rasterising, a first
// paint), done ahead while the program is idle: one step per turn of the
// event loop, so that no step holds up a hot key or a click for longer than
// itself. Destroying it drops the steps not yet run.
class IdleWarmUp final : public QObject {
    Q_OBJECT
public:
    using Step = std::function<void()>;

    // The steps start once `delay` has passed (the program's start-up done).
    IdleWarmUp(QList<Step> steps, std::chrono::milliseconds delay, QObject *parent = nullptr);

    bool isFinished() const { return steps_.isEmpty(); }

    // The windows whose first opening measurably gains from it: the popover
    // painted, and the settings window made hidden and painted. (The welcome
    // and result windows gain nothing measurable and would only hold memory.)
    // `status` may be null (no tray).
    static QList<Step> windowsOf(WindowController &windows, StatusBarController *status, AppModel &model);

    // Polishes, lays out and paints `window` off screen: its first showing
    // then finds its style, fonts and glyphs ready. A null window is skipped.
    static void render(QWidget *window);

Q_SIGNALS:
    void finished();

private:
    void runNext();

    QList<Step> steps_;
};

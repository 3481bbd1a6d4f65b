#pragma once

#include <QAbstractNativeEventFilter>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRegion>
#include <QTimer>

class QWindow;

// Knows when the screen no longer shows a window of ours that was just hidden.
// Unmapping a window only asks whatever lies below to repaint; until it has,
// the screen still holds our pixels (a server without backing store keeps
// them, and so does a compositor fading the window out). Every top-level
// window of the application is watched from the moment it hides: the area it
// uncovered counts as settled once the X server has reported all of it
// repainted (DAMAGE on the root window) and nothing has been drawn there for a
// short quiet time, or, at the latest, when a bound has passed.
class X11RepaintWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Repainting within this time is waited for; past it the area counts as
    // settled whatever it shows (a window below that never repaints).
    static constexpr int boundMilliseconds = 200;
    // A compositor's fade-out draws every frame; with a compositor running the
    // area is settled only once drawing there has paused this long. Without
    // one a window vanishes at once: over the bare root the server's one
    // repaint settles it, over another program's window drawing must pause
    // this long too, since that program's repaint may follow the server's
    // fill of the window's background.
    static constexpr int quietMilliseconds = 30;

    // Watches from the application's start (set up on its first event-loop
    // pass at the latest).
    static X11RepaintWatch &shared();

    // What a window covers on the X screen, in device pixels: its frame, or
    // only its shape when it has one (a panel masked to rounded corners never
    // covered what lies outside them, so nothing repaints there).
    static QRegion coveredArea(const QWindow &window);

    // Whether no hidden window's area is still waited for.
    bool isSettled() const { return watches_.isEmpty(); }
    // Resolves at once when settled, else when it becomes so.
    QCoro::Task<void> settled();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    void becameSettled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    X11RepaintWatch();

    struct Watch {
        QRegion remaining;
        QRect area;
        qint64 lastDrawn;
        qint64 deadline;
        // How long drawing there must have paused (see quietMilliseconds).
        qint64 quiet;
        // Reports the server made before it reached this request of ours
        // (sent ahead of the unmap) are about the window itself.
        quint16 since;
    };

    void follow(QWindow *window);
    void visibilityChanged(bool visible);
    void watch(const QRegion &covered, quint32 window);
    void drawn(const QRect &area, quint16 sequence);
    void review();
    // Starts the damage reports if need be; the sequence of a request that
    // the server handles before any later one of ours.
    quint16 startDamage();
    void stopDamage();

    QList<Watch> watches_;
    QElapsedTimer clock_;
    QTimer timer_;
    uint8_t damageEvent_ = 0;
    quint32 damage_ = 0;
    bool skippingInitialReport_ = false;
};

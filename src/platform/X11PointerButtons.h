#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

// Presses and releases of the pointer's buttons anywhere on the screen,
// whichever client they go to, while watched: XInput 2 raw events on the root
// window, which arrive whatever window or grab takes the button itself. Only
// the three main buttons count (not the wheel). Nothing arrives without an
// X11 connection or XInput 2.
class X11PointerButtons final : public QObject, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11PointerButtons(QObject *parent = nullptr);
    ~X11PointerButtons() override;

    void watch(bool on);
    bool isWatching() const { return inputOpcode_ != 0; }

    // Whether one of the three main buttons is down right now, as the server
    // says (a round trip); false without an X11 connection.
    static bool anyHeld();

Q_SIGNALS:
    void pressed();
    void released();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void select(quint16 device, bool on);

    quint8 inputOpcode_ = 0;
    // The master pointer, whose own selection belongs to us alone: the ones
    // for all devices and all master devices are shared with Qt and the hot key.
    quint16 device_ = 0;
};

#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns POSIX signals into Qt signals on the GUI thread: the handler only
// writes the signal's number into a pipe, which the event loop reads. One
// instance per process; the signals get their default action back when it goes.
class SignalPipe final : public QObject {
    Q_OBJECT
public:
    explicit SignalPipe(std::initializer_list<int> caught, QObject *parent = nullptr);
    ~SignalPipe() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();

    QList<int> caught_;
    QSocketNotifier *notifier_ = nullptr;
};

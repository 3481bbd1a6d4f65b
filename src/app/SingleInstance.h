#pragma once

#include "app/InstanceMessage.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

// Makes one process per user the running instance: it holds a lock beside its
// socket for as long as it lives, so of several simultaneous launches exactly
// one wins, and a socket left behind by a killed instance is simply replaced.
//
// A second launch's exchange: it sends one message, the instance answers "ok",
// and only the launch's "go" that follows makes the instance act, which it
// confirms with "done". A launch that gave up before it saw "ok" has said it
// failed, so its message must come to nothing; one reports success only once
// it has "done", so a "go" that came after the instance stopped waiting is
// never reported as handed over. Anything malformed, oversized or silent for
// too long is dropped unanswered.
//
// Whatever happens to a connection, the instance keeps listening: an accept
// that fails (out of descriptors, say) is tried again a moment later, and a
// listening socket that breaks, or could not be made at start, is made anew.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds clientPatience{2000};
    // Connections served at once; more wait in the kernel's queue, so a flood
    // cannot take the descriptors the rest of the program needs.
    static constexpr int maximumClients = 128;
    static constexpr std::chrono::milliseconds acceptRetryDelay{200};
    static constexpr std::chrono::milliseconds relistenDelay{1000};

    // The socket's path in `folder` (see PrivateRuntimeFolder).
    static QString socketPathIn(const QString &folder);

    explicit SingleInstance(QString socketPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    QString socketPath() const { return socketPath_; }

    // Takes the instance lock; false when another process holds it. Needs no
    // event loop, so it can decide before any display is opened.
    bool claim();
    // Whether a process holds the lock now (asked by a second launch).
    bool isClaimedElsewhere() const;

    // Makes the socket (user-only access). Needs no event loop: launches that
    // connect before the instance answers wait in the kernel's queue. False,
    // with errorString() saying why, when the socket cannot be made.
    bool listen();
    QString errorString() const { return error_; }
    // Starts answering waiting and later launches; needs the application
    // object. Without a socket yet, keeps trying to make one.
    void startAnswering();
    // Stops answering and removes the socket.
    void close();

Q_SIGNALS:
    void reopenRequested();
    // The file system's bytes of an absolute path.
    void openRequested(const QByteArray &path);

private:
    bool makeSocket();
    void closeSocket();
    void acceptWaiting();
    void pauseAccepting(std::chrono::milliseconds delay);
    void resumeAccepting();
    void relisten();
    void serve(int descriptor);
    void read(QLocalSocket *socket);

    QString socketPath_;
    QString error_;
    int lock_ = -1;
    int listener_ = -1;
    bool answering_ = false;
    int clients_ = 0;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *retry_ = nullptr;
};

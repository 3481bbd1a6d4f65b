#pragma once

#include "app/InstanceMessage.h"

#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// Makes one process per user the running instance: it holds a lock beside its
// socket for as long as it lives, so of several simultaneous launches exactly
// one wins, and a socket left behind by a killed instance is simply replaced.
// The instance answers each well-formed message with "ok"; anything else,
// oversized or silent for too long, is dropped unanswered.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds clientPatience{2000};

    // In the user's runtime folder ($XDG_RUNTIME_DIR), named after the bundle identifier.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    QString socketPath() const { return socketPath_; }

    // Takes the instance lock; false when another process holds it. Needs no
    // event loop, so it can decide before any display is opened.
    bool claim();
    // Starts answering second launches (user-only access); false when the socket cannot be made.
    bool listen();
    // Stops answering; called before the event loop's objects go.
    void close();

Q_SIGNALS:
    void reopenRequested();
    void openRequested(const QString &path);

private:
    void accept();
    void read(QLocalSocket *socket);

    QString socketPath_;
    int lock_ = -1;
    QLocalServer *server_ = nullptr;
};

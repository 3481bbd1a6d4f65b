#include "app/SingleInstance.h"

#include "platform/AppDirectories.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString SingleInstance::defaultSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + QLatin1String(AppDirectories::bundleIdentifier) + QStringLiteral(".instance");
}

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent), socketPath_(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    close();
    if (lock_ >= 0)
        ::close(lock_);
}

bool SingleInstance::claim()
{
    if (lock_ >= 0)
        return true;
    QDir().mkpath(QFileInfo(socketPath_).absolutePath());
    const QByteArray lockPath = QFile::encodeName(socketPath_ + QStringLiteral(".lock"));
    const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return false;
    }
    lock_ = descriptor;
    return true;
}

bool SingleInstance::listen()
{
    if (lock_ < 0)
        return false;
    // Whatever socket is there belongs to an instance that is gone: we hold the lock.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return server_->listen(socketPath_);
}

void SingleInstance::close()
{
    delete server_;
    server_ = nullptr;
}

void SingleInstance::accept()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        // A client that says nothing is not kept waiting for.
        QTimer::singleShot(clientPatience, socket, [socket] { socket->abort(); });
    }
}

void SingleInstance::read(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > InstanceMessage::maximumBytes)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(InstanceMessage::maximumBytes + 2);
    const std::optional<InstanceMessage> message =
        line.endsWith('\n') ? InstanceMessage::decode(line.chopped(1)) : std::nullopt;
    if (!message) {
        socket->abort();
        return;
    }
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    if (message->kind == InstanceMessage::reopen)
        Q_EMIT reopenRequested();
    else
        Q_EMIT openRequested(message->path);
}

#include "app/SingleInstance.h"

#include "platform/AppDirectories.h"

#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray okAnswer = QByteArrayLiteral("ok\n");
const QByteArray goWord = QByteArrayLiteral("go");
const QByteArray doneAnswer = QByteArrayLiteral("done\n");

QString systemText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Failures that pass once descriptors or memory are given back.
bool isShortage(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

QString SingleInstance::socketPathIn(const QString &folder)
{
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
    const QByteArray lockPath = QFile::encodeName(socketPath_ + QStringLiteral(".lock"));
    const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return false;
    }
    lock_ = descriptor;
    return true;
}

bool SingleInstance::isClaimedElsewhere() const
{
    const QByteArray lockPath = QFile::encodeName(socketPath_ + QStringLiteral(".lock"));
    const int descriptor = ::open(lockPath.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool held = ::flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(descriptor);
    return held;
}

bool SingleInstance::listen()
{
    if (lock_ < 0) {
        error_ = QStringLiteral("another process is the running instance");
        return false;
    }
    if (listener_ >= 0)
        return true;
    return makeSocket();
}

bool SingleInstance::makeSocket()
{
    const QByteArray path = QFile::encodeName(socketPath_);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path)) {
        error_ = QStringLiteral("its path is %1 bytes long, and a socket's may have at most %2: %3")
                     .arg(path.size())
                     .arg(sizeof address.sun_path - 1)
                     .arg(socketPath_);
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        error_ = QStringLiteral("no socket: %1").arg(systemText());
        return false;
    }
    // Whatever socket is there belongs to an instance that is gone: we hold the lock.
    ::unlink(path.constData());
    // Only this user may connect, from the moment the socket exists.
    const mode_t previousMask = ::umask(077);
    const bool bound = ::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::umask(previousMask);
    if (!bound || ::listen(descriptor, SOMAXCONN) != 0) {
        error_ = QStringLiteral("%1: %2").arg(socketPath_, systemText());
        ::close(descriptor);
        return false;
    }
    listener_ = descriptor;
    error_.clear();
    if (answering_)
        startAnswering();
    return true;
}

void SingleInstance::startAnswering()
{
    answering_ = true;
    if (!retry_) {
        retry_ = new QTimer(this);
        retry_->setSingleShot(true);
        connect(retry_, &QTimer::timeout, this, &SingleInstance::resumeAccepting);
    }
    if (notifier_)
        return;
    if (listener_ < 0) {
        // listen() failed (or was never asked): tried again as after a broken socket.
        if (lock_ >= 0 && !retry_->isActive())
            pauseAccepting(relistenDelay);
        return;
    }
    notifier_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::acceptWaiting);
    // Launches that connected before we answered are waiting already.
    QMetaObject::invokeMethod(this, &SingleInstance::acceptWaiting, Qt::QueuedConnection);
}

void SingleInstance::close()
{
    answering_ = false;
    if (retry_)
        retry_->stop();
    closeSocket();
}

void SingleInstance::closeSocket()
{
    delete notifier_;
    notifier_ = nullptr;
    if (listener_ < 0)
        return;
    ::close(std::exchange(listener_, -1));
    ::unlink(QFile::encodeName(socketPath_).constData());
}

void SingleInstance::acceptWaiting()
{
    if (!notifier_)
        return;
    while (clients_ < maximumClients) {
        const int descriptor = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor >= 0) {
            serve(descriptor);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        if (isShortage(errno)) {
            // The connection stays queued; it is taken once descriptors are back.
            pauseAccepting(acceptRetryDelay);
            return;
        }
        relisten();
        return;
    }
    // Resumed as served connections end.
    notifier_->setEnabled(false);
}

void SingleInstance::pauseAccepting(std::chrono::milliseconds delay)
{
    if (notifier_)
        notifier_->setEnabled(false);
    retry_->start(delay);
}

void SingleInstance::resumeAccepting()
{
    if (!answering_)
        return;
    if (listener_ < 0) {
        relisten();
        return;
    }
    if (notifier_ && clients_ < maximumClients) {
        notifier_->setEnabled(true);
        acceptWaiting();
    }
}

void SingleInstance::relisten()
{
    const bool wasListening = listener_ >= 0;
    closeSocket();
    if (makeSocket())
        return;
    if (wasListening)
        std::fprintf(stderr, "Ravelond stopped taking requests from other launches and will keep trying: %s\n",
                     qPrintable(error_));
    pauseAccepting(relistenDelay);
}

void SingleInstance::serve(int descriptor)
{
    auto *socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    ++clients_;
    connect(socket, &QObject::destroyed, this, [this] {
        --clients_;
        if (notifier_ && !notifier_->isEnabled() && !retry_->isActive())
            resumeAccepting();
    });
    socket->setReadBufferSize(InstanceMessage::maximumBytes + 2);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    // A client that says nothing is not kept waiting for.
    QTimer::singleShot(clientPatience, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0)
        read(socket);
}

void SingleInstance::read(QLocalSocket *socket)
{
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    const QVariant answered = socket->property("ravelondMessage");
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > InstanceMessage::maximumBytes)
            drop();
        return;
    }
    const QByteArray line = socket->readLine(InstanceMessage::maximumBytes + 2);
    if (!line.endsWith('\n')) {
        drop();
        return;
    }
    if (!answered.isValid()) {
        const std::optional<InstanceMessage> message = InstanceMessage::decode(line.chopped(1));
        if (!message) {
            drop();
            return;
        }
        socket->setProperty("ravelondMessage", message->encoded());
        socket->write(okAnswer);
        socket->flush();
        if (socket->canReadLine())
            read(socket);
        return;
    }
    if (line.chopped(1) != goWord) {
        drop();
        return;
    }
    // The launch reports success only once it has this, so a "go" that
    // came too late for us (the socket was dropped) is reported as failed.
    socket->write(doneAnswer);
    socket->flush();
    socket->disconnectFromServer();
    socket->deleteLater();
    const InstanceMessage message = *InstanceMessage::decode(answered.toByteArray().chopped(1));
    if (message.kind == InstanceMessage::reopen)
        Q_EMIT reopenRequested();
    else
        Q_EMIT openRequested(message.path);
}

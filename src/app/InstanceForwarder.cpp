#include "app/InstanceForwarder.h"

#include <QCoroLocalSocket>
#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QLocalSocket>

namespace {

constexpr std::chrono::milliseconds retryInterval{50};
constexpr std::chrono::milliseconds pendingPatience{1000};

std::chrono::milliseconds remaining(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
}

// Reads until a whole line has come or the deadline passes. What had come by
// then counts, even when this launch itself was held up past the deadline.
QCoro::Task<QByteArray> readLine(QLocalSocket &socket, const QDeadlineTimer &deadline)
{
    QByteArray answer = socket.readAll();
    while (!answer.contains('\n') && !deadline.hasExpired()) {
        if (!co_await qCoro(socket).waitForReadyRead(remaining(deadline)))
            break;
        answer += socket.readAll();
    }
    co_return answer;
}

} // namespace

QCoro::Task<InstanceForwarder::Outcome> InstanceForwarder::forward(QString socketPath, InstanceMessage message,
                                                                   Patience patience,
                                                                   std::function<bool()> instanceIsRunning)
{
    const QDeadlineTimer connectDeadline(patience.toConnect);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(socketPath);
        // A socket nobody listens on fails at once; a full queue leaves the
        // connection pending for a while.
        if (socket.state() == QLocalSocket::ConnectingState)
            co_await qCoro(socket).waitForConnected(std::min(pendingPatience, remaining(connectDeadline)));
        if (socket.state() == QLocalSocket::ConnectedState)
            break;
        socket.abort();
        if (instanceIsRunning && !instanceIsRunning())
            co_return Outcome::gone;
        if (connectDeadline.hasExpired())
            co_return Outcome::notListening;
        co_await QCoro::sleepFor(std::min(retryInterval, remaining(connectDeadline)));
    }

    const QDeadlineTimer answerDeadline(patience.toAnswer);
    socket.write(message.encoded());
    if (co_await readLine(socket, answerDeadline) != QByteArrayLiteral("ok\n"))
        co_return Outcome::notAnswering; // closing unconfirmed: the instance drops the message
    // Only now may the instance act; it says when it has. Counted afresh: the
    // instance decides within its own patience, far shorter than ours, so an
    // answer that does not come means the message was dropped.
    socket.write("go\n");
    const QDeadlineTimer doneDeadline(patience.toAnswer);
    co_return co_await readLine(socket, doneDeadline) == QByteArrayLiteral("done\n") ? Outcome::handedOver
                                                                                     : Outcome::notAnswering;
}

#include "app/InstanceForwarder.h"

#include <QCoroLocalSocket>
#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QLocalSocket>

namespace {

constexpr std::chrono::milliseconds retryInterval{50};

std::chrono::milliseconds remaining(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

QCoro::Task<bool> InstanceForwarder::forward(QString socketPath, InstanceMessage message,
                                             std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        const bool connected = co_await qCoro(socket).waitForConnected(remaining(deadline));
        if (!connected) {
            // The instance holds its lock before it listens: give it a moment.
            co_await QCoro::sleepFor(std::min(retryInterval, remaining(deadline)));
            continue;
        }
        socket.write(message.encoded());
        QByteArray answer;
        while (!answer.contains('\n') && !deadline.hasExpired()) {
            if (!co_await qCoro(socket).waitForReadyRead(remaining(deadline)))
                break;
            answer += socket.readAll();
        }
        co_return answer == QByteArrayLiteral("ok\n");
    }
    co_return false;
}

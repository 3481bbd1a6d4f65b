#include "app/InstanceForwarder.h"
#include "app/SingleInstance.h"
#include "support/Await.h"
#include "support/TestEnvironment.h"

#include <QCoroLocalSocket>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString freshSocketPath()
{
    return TestEnvironment::root() + QStringLiteral("/instance-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(SingleInstanceTest, OneInstanceWinsReplacesAStaleSocketAndAnswersWellFormedMessagesOnly)
{
    const QString path = freshSocketPath();
    {
        // What a killed instance leaves behind: a socket file nobody listens on.
        QLocalServer killed;
        killed.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(killed.listen(path));
    }
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance first(path);
    ASSERT_TRUE(first.claim());
    ASSERT_TRUE(first.listen());
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup), 0);
    SingleInstance second(path);
    EXPECT_FALSE(second.claim());

    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);
    EXPECT_TRUE(await(InstanceForwarder::forward(path, InstanceMessage::reopenRequest(), 2000ms)));
    EXPECT_TRUE(await(InstanceForwarder::forward(path, InstanceMessage::openRequest("/tmp/x y.png"), 2000ms)));
    EXPECT_EQ(reopened.size(), 1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().first().toString(), QStringLiteral("/tmp/x y.png"));

    for (const QByteArray &junk :
         {QByteArray("open relative\n"), QByteArray(InstanceMessage::maximumBytes + 10, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(path);
        ASSERT_TRUE(await(qCoro(socket).waitForConnected(2000)));
        socket.write(junk);
        EXPECT_TRUE(await(qCoro(socket).waitForDisconnected(3000)));
        EXPECT_FALSE(socket.readAll().contains("ok"));
    }
    EXPECT_EQ(reopened.size() + opened.size(), 2);
}

TEST(SingleInstanceTest, AnInstanceThatNeverAnswersIsGivenUpOnInTime)
{
    const QString path = freshSocketPath();
    QLocalServer hung; // accepts, never reads
    ASSERT_TRUE(hung.listen(path));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(await(InstanceForwarder::forward(path, InstanceMessage::reopenRequest(), 300ms)));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(await(InstanceForwarder::forward(freshSocketPath(), InstanceMessage::reopenRequest(), 300ms)))
        << "nobody there at all";
}

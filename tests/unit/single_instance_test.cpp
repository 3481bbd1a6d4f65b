#include "app/InstanceForwarder.h"
#include "app/SingleInstance.h"
#include "platform/FileNameBytes.h"
#include "platform/PrivateRuntimeFolder.h"
#include "support/Await.h"
#include "support/TestEnvironment.h"

#include <QCoroLocalSocket>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

QString freshSocketPath()
{
    return TestEnvironment::root() + QStringLiteral("/instance-") + QUuid::createUuid().toString(QUuid::Id128);
}

constexpr InstanceForwarder::Patience quick{2000ms, 2000ms};

InstanceForwarder::Outcome forward(const QString &path, const InstanceMessage &message,
                                   InstanceForwarder::Patience patience = quick)
{
    const SingleInstance probe(path);
    return await(InstanceForwarder::forward(path, message, patience, [&] { return probe.isClaimedElsewhere(); }));
}

// A connection that says `line` and reads the answer, without the launch's confirmation.
QByteArray sayWithoutConfirming(const QString &path, const QByteArray &line)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!await(qCoro(socket).waitForConnected(2000)))
        return "unconnected";
    socket.write(line);
    await(qCoro(socket).waitForReadyRead(3000));
    return socket.readAll();
}

// Makes `path` and every missing folder on the way from raw bytes.
bool makeFolders(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash != -1; slash = path.indexOf('/', slash + 1)) {
        if (::mkdir(path.left(slash).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

bool writeBytes(const QByteArray &path, const QByteArray &content)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    const bool written = ::write(descriptor, content.constData(), size_t(content.size())) == content.size();
    ::close(descriptor);
    return written;
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
    ASSERT_TRUE(first.listen()) << first.errorString().toStdString();
    first.startAnswering();
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup), 0);
    SingleInstance second(path);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(second.isClaimedElsewhere());

    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);
    EXPECT_EQ(forward(path, InstanceMessage::reopenRequest()), InstanceForwarder::Outcome::handedOver);
    EXPECT_EQ(forward(path, InstanceMessage::openRequest("/tmp/x y.png")), InstanceForwarder::Outcome::handedOver);
    EXPECT_EQ(reopened.size(), 1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().first().toByteArray(), QByteArray("/tmp/x y.png"));

    for (const QByteArray &junk :
         {QByteArray("open relative\n"), QByteArray(InstanceMessage::maximumBytes + 10, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(path);
        ASSERT_TRUE(await(qCoro(socket).waitForConnected(2000)));
        socket.write(junk);
        EXPECT_TRUE(await(qCoro(socket).waitForDisconnected(3000)));
        EXPECT_FALSE(socket.readAll().contains("ok"));
    }
    // Answered, but never confirmed: the launch gave up and said so, so nothing happens.
    EXPECT_EQ(sayWithoutConfirming(path, "open /tmp/given-up.png\n"), QByteArray("ok\n"));
    EXPECT_EQ(forward(path, InstanceMessage::reopenRequest()), InstanceForwarder::Outcome::handedOver);
    EXPECT_EQ(reopened.size(), 2);
    EXPECT_EQ(opened.size(), 1);

    first.close();
    EXPECT_FALSE(QFile::exists(path)) << "the socket goes with the instance";
}

TEST(SingleInstanceTest, ALaunchWaitsForAStartingInstanceAndOneThatGivesUpIsNeverActedOn)
{
    const QString path = freshSocketPath();
    SingleInstance instance(path);
    ASSERT_TRUE(instance.claim());
    QSignalSpy opened(&instance, &SingleInstance::openRequested);

    // Holds the lock, listens only after longer than the old fixed wait of two seconds.
    QTimer::singleShot(2500ms, [&] {
        ASSERT_TRUE(instance.listen());
        instance.startAnswering();
    });
    EXPECT_EQ(forward(path, InstanceMessage::openRequest("/tmp/late.png"), {10s, 10s}),
              InstanceForwarder::Outcome::handedOver);
    ASSERT_EQ(opened.size(), 1);

    // Listening but not answering yet (its event loop is not running): the
    // launch gives up, and the instance, answering later, must not act on it.
    SingleInstance starting(freshSocketPath());
    ASSERT_TRUE(starting.claim());
    ASSERT_TRUE(starting.listen());
    QSignalSpy startingOpened(&starting, &SingleInstance::openRequested);
    EXPECT_EQ(forward(starting.socketPath(), InstanceMessage::openRequest("/tmp/lost.png"), {2s, 300ms}),
              InstanceForwarder::Outcome::notAnswering);
    starting.startAnswering();
    // Taken after the lost one, which waits in the queue before it.
    EXPECT_EQ(forward(starting.socketPath(), InstanceMessage::openRequest("/tmp/after.png")),
              InstanceForwarder::Outcome::handedOver);
    ASSERT_EQ(startingOpened.size(), 1);
    EXPECT_EQ(startingOpened.first().first().toByteArray(), QByteArray("/tmp/after.png"));

    // Nobody holds the lock: no waiting for a listener that will never come.
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(forward(freshSocketPath(), InstanceMessage::reopenRequest(), {30s, 30s}),
              InstanceForwarder::Outcome::gone);
    EXPECT_LT(clock.elapsed(), 15000) << "gave up at once, not after its patience";
}

TEST(SingleInstanceTest, ALaunchSucceedsOnlyOnceTheInstanceActedAndOneThatCouldNotListenAtFirstKeepsTrying)
{
    struct Result {
        InstanceForwarder::Outcome outcome;
        qsizetype acted;
    };
    const struct {
        const char *name;
        std::function<Result(const QString &path)> run;
        Result expected;
    } cases[] = {
        {"its socket's name was taken when it started",
         [](const QString &path) {
             SingleInstance instance(path);
             QSignalSpy opened(&instance, &SingleInstance::openRequested);
             if (!instance.claim() || ::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
                 return Result{InstanceForwarder::Outcome::gone, -1};
             const bool listened = instance.listen();
             instance.startAnswering();
             ::rmdir(QFile::encodeName(path).constData());
             if (listened)
                 return Result{InstanceForwarder::Outcome::gone, -1};
             return Result{forward(path, InstanceMessage::openRequest("/tmp/later.png"), {10s, 10s}), opened.size()};
         },
         {InstanceForwarder::Outcome::handedOver, 1}},
        {"it stopped waiting before the launch confirmed",
         [](const QString &path) {
             // As an instance whose patience ran out: "ok", then the connection ends.
             QLocalServer impatient;
             if (!impatient.listen(path))
                 return Result{InstanceForwarder::Outcome::gone, -1};
             QObject::connect(&impatient, &QLocalServer::newConnection, [&] {
                 QLocalSocket *socket = impatient.nextPendingConnection();
                 QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                     if (!socket->canReadLine())
                         return;
                     socket->readAll();
                     socket->write("ok\n");
                     socket->flush();
                     socket->disconnectFromServer();
                 });
             });
             return Result{forward(path, InstanceMessage::openRequest("/tmp/dropped.png")), 0};
         },
         {InstanceForwarder::Outcome::notAnswering, 0}},
    };
    for (const auto &example : cases) {
        SCOPED_TRACE(example.name);
        const Result result = example.run(freshSocketPath());
        EXPECT_EQ(result.outcome, example.expected.outcome);
        EXPECT_EQ(result.acted, example.expected.acted);
    }
}

TEST(SingleInstanceTest, AnInstanceThatNeverAnswersIsGivenUpOnInTime)
{
    const QString path = freshSocketPath();
    QLocalServer hung; // accepts, never reads
    ASSERT_TRUE(hung.listen(path));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(await(InstanceForwarder::forward(path, InstanceMessage::reopenRequest(), {300ms, 300ms}, {})),
              InstanceForwarder::Outcome::notAnswering);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(SingleInstanceTest, AnyFileNameLinuxAllowsIsHandedOverAsItsBytes)
{
    const QString path = freshSocketPath();
    SingleInstance instance(path);
    ASSERT_TRUE(instance.claim());
    ASSERT_TRUE(instance.listen());
    instance.startAnswering();
    QSignalSpy opened(&instance, &SingleInstance::openRequested);

    const QByteArray root = QFile::encodeName(TestEnvironment::root());
    // A Latin-1 name, not valid UTF-8; and a path of about 4 KB, nearly all of it non-ASCII.
    QByteArray deep = root + "/deep";
    while (deep.size() < 3900)
        deep += '/' + QStringLiteral("ü").repeated(100).toUtf8();
    const QByteArray files[] = {root + "/caf\xe9 cr\xe8me.png", deep + "/\xc3\xa9t\xc3\xa9.png"};
    ASSERT_TRUE(makeFolders(deep));
    for (const QByteArray &file : files) {
        SCOPED_TRACE(file.size());
        const QByteArray content = "the bytes of " + file.right(20);
        ASSERT_TRUE(writeBytes(file, content));
        ASSERT_EQ(forward(path, InstanceMessage::openRequest(file)), InstanceForwarder::Outcome::handedOver);
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.takeFirst().first().toByteArray(), file);
        // What the import is given opens the same file, whatever the locale makes of its name.
        const FileNameBytes::Reached path = FileNameBytes::reach(file);
        QFile reached(path.path);
        ASSERT_TRUE(reached.open(QIODevice::ReadOnly)) << reached.fileName().toStdString();
        EXPECT_EQ(reached.readAll(), content);
    }
    EXPECT_EQ(FileNameBytes::reach("/tmp/plain name.png").path, QStringLiteral("/tmp/plain name.png"));

    // Held, a path names its own file however many other such names are reached meanwhile.
    const FileNameBytes::Reached held = FileNameBytes::reach(files[0]);
    for (int other = 0; other < 40; ++other) {
        const QByteArray name = root + "/other\xe9" + QByteArray::number(other) + ".png";
        ASSERT_TRUE(writeBytes(name, "another file"));
        EXPECT_FALSE(FileNameBytes::reach(name).path.isEmpty());
    }
    QFile still(held.path);
    ASSERT_TRUE(still.open(QIODevice::ReadOnly));
    EXPECT_EQ(still.readAll(), "the bytes of " + files[0].right(20));
}

TEST(SingleInstanceTest, TheInstanceKeepsListeningAfterItRanOutOfDescriptors)
{
#if defined(__SANITIZE_ADDRESS__)
    // UBSan's type checks open a pipe of their own, and fail once the host has no descriptor left.
    GTEST_SKIP() << "needs a build without sanitizers";
#endif
    // Room for the connections below, in this process.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    ASSERT_GE(limit.rlim_cur, 1200u);

    const QString path = freshSocketPath();
    QProcess host;
    host.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/instance_host"),
               {path, QStringLiteral("48")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.canReadLine(); }, 20000));
    ASSERT_EQ(host.readLine(), QByteArray("listening\n"));

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    QList<int> connections;
    for (int i = 0; i < 1100; ++i) {
        const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(descriptor, 0);
        if (::connect(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            ::close(descriptor);
            continue;
        }
        connections.append(descriptor);
    }
    EXPECT_GT(connections.size(), 1000);
    // The instance takes what it can; with 48 descriptors most accepts fail.
    QTest::qWait(500);
    for (const int descriptor : connections)
        ::close(descriptor);

    const SingleInstance probe(path);
    EXPECT_EQ(await(InstanceForwarder::forward(path, InstanceMessage::openRequest("/tmp/after-the-flood.png"),
                                               {10s, 10s}, [&] { return probe.isClaimedElsewhere(); })),
              InstanceForwarder::Outcome::handedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.canReadLine(); }, 10000));
    EXPECT_EQ(host.readLine(), QByteArray("open /tmp/after-the-flood.png\n"));
    host.kill();
    host.waitForFinished(5000);
}

TEST(SingleInstanceTest, ASocketPathTooLongOrAFolderOthersCouldReachIsRefusedWithTheReason)
{
    SingleInstance tooLong(TestEnvironment::root() + QLatin1Char('/') + QStringLiteral("x").repeated(120));
    ASSERT_TRUE(tooLong.claim());
    EXPECT_FALSE(tooLong.listen());
    EXPECT_TRUE(tooLong.errorString().contains(QStringLiteral("bytes long"))) << tooLong.errorString().toStdString();

    const QDir root(TestEnvironment::root());
    const QString good = root.filePath(QStringLiteral("fresh-folder"));
    EXPECT_EQ(PrivateRuntimeFolder::prepare(good), QString());
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(good).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    const QString open = root.filePath(QStringLiteral("open-folder"));
    ASSERT_EQ(::mkdir(QFile::encodeName(open).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
    const QString link = root.filePath(QStringLiteral("link-folder"));
    ASSERT_TRUE(QFile::link(good, link));
    const QString file = root.filePath(QStringLiteral("plain-file"));
    ASSERT_TRUE(writeBytes(QFile::encodeName(file), "x"));
    struct Case {
        QString path;
        const char *problem;
    } cases[] = {{open, "open to other users"}, {link, "symbolic link"}, {file, "not a folder"}};
    for (const Case &refused : cases)
        EXPECT_TRUE(PrivateRuntimeFolder::prepare(refused.path).contains(QLatin1String(refused.problem)))
            << PrivateRuntimeFolder::prepare(refused.path).toStdString();

    // Another user's folder can only be made by root.
    if (::geteuid() == 0) {
        const QString theirs = root.filePath(QStringLiteral("their-folder"));
        ASSERT_EQ(::mkdir(QFile::encodeName(theirs).constData(), 0700), 0);
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
        EXPECT_TRUE(PrivateRuntimeFolder::prepare(theirs).contains(QStringLiteral("another user")));
    }

    // Without a session folder, one of our own in the temporary directory.
    const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const PrivateRuntimeFolder::Choice fallback = PrivateRuntimeFolder::resolve();
    qputenv("XDG_RUNTIME_DIR", session);
    EXPECT_EQ(fallback.problem, QString());
    EXPECT_EQ(fallback.path, TestEnvironment::temporaryDirectory() + QStringLiteral("/app.ravelond.Ravelond-") +
                                 QString::number(::geteuid()));
}

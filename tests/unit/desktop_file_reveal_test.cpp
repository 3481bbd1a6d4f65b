#include "support/ChildProcessTest.h"
#include "support/TestEnvironment.h"

#include "platform/DesktopFileReveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");

// The file manager's side of the interface: records what it is asked to show.
class FakeFileManager : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        calls.append(message.member() + QLatin1Char(' ') + message.arguments().value(0).toStringList().join(u','));
        connection.send(message.createReply());
        return true;
    }

    QStringList calls;
};

// A private session bus, so the test needs no desktop and disturbs none.
class DesktopFileRevealTest : public ChildProcessTest {
protected:
    void SetUp() override
    {
        ChildProcessTest::SetUp();
        QSignalSpy said(&daemon, &QProcess::readyReadStandardOutput);
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(said.wait(10000));
        address = QString::fromUtf8(daemon.readLine().trimmed());
    }

    void TearDown() override
    {
        for (const QString &name : {QStringLiteral("app"), QStringLiteral("file manager")})
            QDBusConnection::disconnectFromBus(name);
        daemon.kill();
        daemon.waitForFinished(5000);
        ChildProcessTest::TearDown();
    }

    QProcess daemon;
    QString address;
};

} // namespace

TEST_F(DesktopFileRevealTest, AFileManagerOnTheBusShowsTheFolderAndWithoutOneTheFolderIsOpened)
{
    const QString folder = QDir(TestEnvironment::root()).filePath(QStringLiteral("model files"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString url = QUrl::fromLocalFile(folder).toString();
    QList<QUrl> opened;
    DesktopFileReveal reveal(QDBusConnection::connectToBus(address, QStringLiteral("app")),
                             [&](const QUrl &folderUrl) { opened.append(folderUrl); });

    // Nobody owns the file manager's name: the folder is opened instead.
    reveal.revealFolder(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(folder)});

    QDBusConnection fileManagerBus = QDBusConnection::connectToBus(address, QStringLiteral("file manager"));
    FakeFileManager fileManager;
    ASSERT_TRUE(fileManagerBus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager));
    ASSERT_TRUE(fileManagerBus.registerService(fileManagerService));
    reveal.revealFolder(folder + QStringLiteral("/missing")); // shows nothing
    reveal.revealFolder(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileManager.calls.isEmpty(); }, 10000));
    EXPECT_EQ(fileManager.calls, QStringList{QStringLiteral("ShowFolders ") + url});
    EXPECT_EQ(opened.size(), 1);
    fileManagerBus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
}

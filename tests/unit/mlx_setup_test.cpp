#include "services/MLXPaths.h"
#include "services/MLXSetup.h"

#include "platform/DefaultsDomain.h"
#include "support/Await.h"
#include "support/ChildProcessTest.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

using namespace std::chrono_literals;

namespace {

class MLXSetupTest : public ChildProcessTest {
protected:
    MLXSetupTest()
        : defaults(QStringLiteral("app.ravelond.Ravelond.test.") +
                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
    {
    }
    ~MLXSetupTest() override { defaults.removeDomain(); }

    // Installs with the fake `scenario` and returns every status shown, in order.
    QStringList statusesOfRun(MLXSetup &setup, const QString &scenario)
    {
        setup.setPythonPath(root.fakeSetupPython(scenario));
        QSignalSpy statuses(&setup, &MLXSetup::statusChanged);
        setup.install();
        waitForEnd(setup);
        QStringList result;
        for (const QList<QVariant> &emission : statuses)
            result.append(emission.first().toString());
        return result;
    }

    static void waitForEnd(MLXSetup &setup)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !setup.isInstalling(); }, 20'000));
    }

    // The process id the fake reports in its "child N" stage.
    static pid_t childOf(MLXSetup &setup)
    {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return setup.status().startsWith(QStringLiteral("child ")); }, Patience::untilHung));
        return static_cast<pid_t>(setup.status().mid(6).toInt());
    }

    MLXTestRoot root;
    DefaultsDomain defaults;
};

} // namespace

TEST_F(MLXSetupTest, StartsFromTheInstalledStateAndTheStoredInterpreter)
{
    {
        MLXSetup setup(defaults);
        EXPECT_FALSE(setup.isReady());
        EXPECT_FALSE(setup.isInstalling());
        EXPECT_EQ(setup.status(), QStringLiteral("Optional · about 1.25 GB, plus the runtime"));
        EXPECT_EQ(setup.pythonPath(), MLXPaths::preferredPython());
        EXPECT_FALSE(defaults.contains(QStringLiteral("pythonPath"))) << "reading never writes";
    }
    root.installFakeWorker(QStringLiteral("normal"));
    defaults.setValue(QStringLiteral("pythonPath"), QStringLiteral("/opt/python/bin/python3.12"));
    MLXSetup setup(defaults);
    EXPECT_TRUE(setup.isReady());
    EXPECT_EQ(setup.status(), QStringLiteral("Installed · ready for offline use"));
    EXPECT_EQ(setup.pythonPath(), QStringLiteral("/opt/python/bin/python3.12"));
}

TEST_F(MLXSetupTest, EveryAssignmentOfThePythonPathIsStoredUnchecked)
{
    MLXSetup setup(defaults);
    setup.setPythonPath(QString());
    EXPECT_EQ(defaults.storedValue(QStringLiteral("pythonPath")).toString(), QString());
    defaults.removeValue(QStringLiteral("pythonPath"));
    setup.setPythonPath(QString()); // unchanged, still written
    EXPECT_TRUE(defaults.contains(QStringLiteral("pythonPath")));
    setup.setPythonPath(QStringLiteral("python3"));
    EXPECT_EQ(DefaultsDomain(defaults.name()).value(QStringLiteral("pythonPath")).toString(),
              QStringLiteral("python3"));
}

TEST_F(MLXSetupTest, OnlyAllStringObjectsWithAStageAreShownAndTheExitDecidesTheEnd)
{
    MLXSetup setup(defaults);
    EXPECT_EQ(statusesOfRun(setup, QStringLiteral("stages")),
              (QStringList{QStringLiteral("Preparing your local engine…"), QStringLiteral("First"),
                           QStringLiteral("Second · with …"), QStringLiteral("Installed · ready for offline use")}));
    EXPECT_FALSE(setup.isReady()) << "exit 0 without an installed engine";

    EXPECT_EQ(statusesOfRun(setup, QStringLiteral("unterminated")),
              (QStringList{QStringLiteral("Preparing your local engine…"), QStringLiteral("Visible"),
                           QStringLiteral("Installed · ready for offline use")}));

    EXPECT_EQ(statusesOfRun(setup, QStringLiteral("fail")).last(),
              QStringLiteral("Setup could not finish. Check Python 3.10+, your connection and free disk space. Retry "
                             "when ready."));

    // The script gets OMP_THREAD_LIMIT as the test was started with it: our
    // own single-threaded Tesseract does not reach it.
    EXPECT_EQ(statusesOfRun(setup, QStringLiteral("env")).at(1),
              qEnvironmentVariable("OMP_THREAD_LIMIT", QStringLiteral("unset")));
}

TEST_F(MLXSetupTest, ASuccessfulRunLeavesAReadyEngineAndPassesTheRoot)
{
    MLXSetup setup(defaults);
    QSignalSpy ready(&setup, &MLXSetup::isReadyChanged);
    statusesOfRun(setup, QStringLiteral("install"));
    EXPECT_TRUE(setup.isReady());
    EXPECT_TRUE(MLXPaths::isReady()) << "the script was given --root " << MLXPaths::root().toStdString();
    EXPECT_EQ(setup.status(), QStringLiteral("Installed · ready for offline use"));
    ASSERT_EQ(ready.count(), 1);
}

TEST_F(MLXSetupTest, APythonThatCannotBeLaunchedIsReportedAtOnce)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXSetup setup(defaults);
    ASSERT_TRUE(setup.isReady());
    for (const QString &path : {root.path() + QStringLiteral("/no/python3"), QString(), root.path()}) {
        setup.setPythonPath(path);
        setup.install();
        EXPECT_FALSE(setup.isInstalling());
        EXPECT_EQ(setup.status(), QStringLiteral("Couldn't launch Python. Choose a native Python 3.10+ executable."));
        EXPECT_FALSE(setup.isReady()) << "stays false until refresh()";
    }
    setup.refresh();
    EXPECT_TRUE(setup.isReady());
    EXPECT_EQ(setup.status(), QStringLiteral("Couldn't launch Python. Choose a native Python 3.10+ executable."));

    QDir(root.path() + QStringLiteral("/runtime")).removeRecursively();
    setup.refresh();
    EXPECT_FALSE(setup.isReady());
}

TEST_F(MLXSetupTest, InstallWhileInstallingChangesNothing)
{
    MLXSetup setup(defaults);
    setup.setPythonPath(root.fakeSetupPython(QStringLiteral("wait")));
    setup.install();
    ASSERT_TRUE(setup.isInstalling());
    ASSERT_TRUE(QTest::qWaitFor([&] { return setup.status() == QStringLiteral("Waiting"); }, Patience::untilHung));
    QSignalSpy statuses(&setup, &MLXSetup::statusChanged);
    setup.install();
    EXPECT_EQ(statuses.count(), 0);
    EXPECT_EQ(setup.status(), QStringLiteral("Waiting"));
    await(setup.shutdown());
    EXPECT_FALSE(setup.isInstalling());
    EXPECT_EQ(setup.status(), QStringLiteral("Setup cancelled. Downloaded files can resume."));
}

TEST_F(MLXSetupTest, CancelKillsTheWholeGroupOfAScriptThatLeadsOneWhoeverIgnoresTerm)
{
    // Both ignore SIGTERM; then only the child does: it must not outlive the set-up.
    for (const char *scenario : {"group-ignore-term", "group-child-ignores-term"}) {
        SCOPED_TRACE(scenario);
        MLXSetup setup(defaults);
        setup.setPythonPath(root.fakeSetupPython(QString::fromLatin1(scenario)));
        setup.install();
        const pid_t child = childOf(setup);
        setup.cancel();
        EXPECT_TRUE(setup.isInstalling()) << "nothing changes until the script has exited";
        waitForEnd(setup);
        EXPECT_EQ(setup.status(), QStringLiteral("Setup cancelled. Downloaded files can resume."));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ChildProcesses::isAlive(child); }, 5'000));
    }
}

TEST_F(MLXSetupTest, AScriptOutsideAGroupOfItsOwnIsSignalledAloneAndShutdownWaitsForIt)
{
    MLXSetup setup(defaults);
    await(setup.shutdown()); // nothing running: returns at once
    setup.setPythonPath(root.fakeSetupPython(QStringLiteral("no-group-ignore-term")));
    setup.install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return setup.status() == QStringLiteral("Waiting"); }, Patience::untilHung));
    await(setup.shutdown()); // returns after the SIGKILL, and this test process is still here
    EXPECT_FALSE(setup.isInstalling());
    EXPECT_EQ(setup.status(), QStringLiteral("Setup cancelled. Downloaded files can resume."));
}

TEST_F(MLXSetupTest, AProgramKilledDuringTheInstallationLeavesNoneOfTheSetUpsProcesses)
{
    // The script and the child it starts both ignore SIGTERM.
    QProcess host;
    host.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/setup_host"),
               {root.fakeSetupPython(QStringLiteral("group-ignore-term"))});
    QByteArray child;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            while (host.canReadLine() && child.isEmpty()) {
                const QByteArray line = host.readLine().trimmed();
                if (line.startsWith("child "))
                    child = line.mid(6);
            }
            return !child.isEmpty();
        },
        20'000));
    ASSERT_TRUE(ChildProcesses::isAlive(static_cast<pid_t>(child.toInt())));

    host.kill();
    ASSERT_TRUE(host.waitForFinished(5'000));
    // Orphans become this process's children: none may be left.
    EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(10s)) << "the set-up outlived the program";
    EXPECT_FALSE(ChildProcesses::isAlive(static_cast<pid_t>(child.toInt())));
}

#include "services/MLXPaths.h"
#include "services/WorkerLineBuffer.h"

#include "support/MLXTestRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QList<QByteArray> lines(std::initializer_list<const char *> texts)
{
    QList<QByteArray> result;
    for (const char *text : texts)
        result.append(QByteArray(text));
    return result;
}

} // namespace

TEST(MLXPathsTest, RootComesFromTheEnvironmentAndNamesTheRuntimeAndModel)
{
    MLXTestRoot root;
    EXPECT_EQ(MLXPaths::root(), root.path());
    EXPECT_EQ(MLXPaths::python(), root.path() + QStringLiteral("/runtime/bin/python3"));
    EXPECT_EQ(MLXPaths::model(), root.path() + QStringLiteral("/model"));

    qputenv("RAVELOND_MLX_ROOT", "relative/engine");
    EXPECT_EQ(MLXPaths::root(), QDir::current().absoluteFilePath(QStringLiteral("relative/engine")));
}

TEST(MLXPathsTest, WithoutTheVariableTheRootIsInTheApplicationSupportFolder)
{
    qunsetenv("RAVELOND_MLX_ROOT");
    EXPECT_TRUE(MLXPaths::root().endsWith(QStringLiteral("/app.ravelond.Ravelond/MLX")));
}

TEST(MLXPathsTest, ReadyNeedsBothAnExecutableInterpreterAndTheMarker)
{
    MLXTestRoot root;
    EXPECT_FALSE(MLXPaths::isReady());
    root.markReady();
    EXPECT_FALSE(MLXPaths::isReady()) << "marker without an interpreter";

    root.installFakeWorker(QStringLiteral("normal"), false);
    QFile::remove(MLXPaths::readyMarker());
    EXPECT_FALSE(MLXPaths::isReady()) << "interpreter without a marker";

    root.markReady();
    EXPECT_TRUE(MLXPaths::isReady());

    QFile::setPermissions(root.python(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(MLXPaths::isReady()) << "interpreter not executable";
}

TEST(MLXPathsTest, ScriptsAreFoundInTheBundleBesideTheExecutable)
{
    const auto worker = MLXPaths::resource(QStringLiteral("worker"));
    ASSERT_TRUE(worker.has_value());
    EXPECT_EQ(*worker, QCoreApplication::applicationDirPath() + QStringLiteral("/Ravelond_Ravelond.bundle/MLX/worker.py"));
    EXPECT_TRUE(MLXPaths::resource(QStringLiteral("setup_mlx")).has_value());
    EXPECT_FALSE(MLXPaths::resource(QStringLiteral("no_such_script")).has_value());
}

TEST(MLXPathsTest, PreferredPythonIsTheFirstExecutableCandidateElseTheSystemOne)
{
    MLXTestRoot root;
    root.installFakeWorker(QStringLiteral("normal"), false);
    const QString missing = root.path() + QStringLiteral("/missing/python3");
    EXPECT_EQ(MLXPaths::preferredPython({missing, root.python()}), root.python());
    EXPECT_EQ(MLXPaths::preferredPython({missing}), QStringLiteral("/usr/bin/python3"));
    EXPECT_EQ(MLXPaths::pythonCandidates().first(), QStringLiteral("/opt/homebrew/bin/python3.13"));
}

TEST(WorkerLineBufferTest, CutsLinesAcrossChunksAndKeepsCarriageReturns)
{
    WorkerLineBuffer buffer;
    EXPECT_TRUE(buffer.append("a").isEmpty());
    EXPECT_EQ(buffer.append("b\nc"), lines({"ab"}));
    EXPECT_EQ(buffer.append("\n"), lines({"c"}));
    EXPECT_EQ(buffer.append("\n\n"), lines({"", ""}));
    EXPECT_EQ(buffer.append("x\r\ny\nz"), lines({"x\r", "y"}));
}

TEST(WorkerLineBufferTest, MoreThanTheLimitBecomesTheSyntheticLineAndEmptiesTheBuffer)
{
    WorkerLineBuffer buffer;
    EXPECT_EQ(WorkerLineBuffer::overflowLine().size(), 68);
    EXPECT_TRUE(buffer.append(QByteArray(WorkerLineBuffer::kLimit, 'x')).isEmpty()) << "exactly the limit is kept";
    EXPECT_EQ(buffer.append("y\n"), QList<QByteArray>{WorkerLineBuffer::overflowLine()})
        << "the complete line of the chunk is lost with the rest";
    EXPECT_EQ(buffer.append("fresh\n"), lines({"fresh"})) << "starts afresh";
}

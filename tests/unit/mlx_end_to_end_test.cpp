#include "services/MLXPaths.h"
#include "services/MLXService.h"
#include "services/MLXSetup.h"

#include "platform/DefaultsDomain.h"
#include "support/Await.h"
#include "support/ChildProcessTest.h"
#include "support/MLXTestRoot.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <QUuid>

namespace {

// Debian's own interpreter: what a user of a fresh Debian 12 has.
constexpr auto systemPython = "/usr/bin/python3";

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Builds the wheels of the fake engine packages, versioned like the set-up
// script's pins, and a model mirror; returns the mirror's endpoint.
QString buildFixtures(const QString &wheels, const QString &mirror)
{
    QProcess builder;
    builder.start(QLatin1String(systemPython), {QStringLiteral(RAVELOND_TEST_SOURCE_DIR "/python/engine_fixtures.py"),
                                                *MLXPaths::resource(QStringLiteral("setup_mlx")), wheels, mirror});
    EXPECT_TRUE(builder.waitForFinished(60'000));
    EXPECT_EQ(builder.exitCode(), 0) << builder.readAllStandardError().toStdString();
    return QString::fromUtf8(builder.readAllStandardOutput()).trimmed();
}

class MLXEndToEndTest : public ChildProcessTest {};

} // namespace

// The real set-up script installs the runtime offline from wheels into a real
// virtual environment, then the client drives the real worker script through
// a recognition. Only the third-party packages and the model are stand-ins.
TEST_F(MLXEndToEndTest, TheRealScriptsInstallOfflineAndRecognise)
{
    if (!QFile::exists(QLatin1String(systemPython)))
        GTEST_SKIP() << "needs Debian's python3 with python3-venv";
    MLXTestRoot root;
    const QString fixtures = TestEnvironment::temporaryDirectory() + QStringLiteral("/engine-fixtures");
    const QString endpoint = buildFixtures(fixtures + QStringLiteral("/wheels"), fixtures + QStringLiteral("/mirror"));
    ASSERT_TRUE(endpoint.startsWith(QStringLiteral("file://")));
    // pip's and the hub client's own settings: no network, only these sources.
    qputenv("PIP_NO_INDEX", "1");
    qputenv("PIP_FIND_LINKS", (fixtures + QStringLiteral("/wheels")).toLocal8Bit());
    qputenv("HF_ENDPOINT", endpoint.toLocal8Bit());
    const QString generationLog = fixtures + QStringLiteral("/generate.log");
    qputenv("FAKE_MLX_VLM_LOG", generationLog.toLocal8Bit());

    DefaultsDomain defaults(QStringLiteral("app.ravelond.Ravelond.test.") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    {
        MLXSetup setup(defaults);
        setup.setPythonPath(QLatin1String(systemPython));
        setup.install();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !setup.isInstalling(); }, 180'000));
        EXPECT_EQ(setup.status(), MLXSetup::installedStatus());
        EXPECT_TRUE(setup.isReady());
    }
    defaults.removeDomain();

    const QString crop = root.path() + QStringLiteral("/crop.png");
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(crop));
    QFile transcript(crop + QStringLiteral(".txt"));
    ASSERT_TRUE(transcript.open(QIODevice::WriteOnly));
    transcript.write("| a | b |\n| 1 | 2 |");
    transcript.close();

    MLXService service;
    const OCRResponse response = await(service.recognize(crop, MLXTask::table));
    EXPECT_EQ(response.text, QStringLiteral("| a | b |\n| 1 | 2 |"));
    EXPECT_FALSE(response.truncated);
    await(service.shutdown());

    const QString log = readAll(generationLog);
    EXPECT_TRUE(log.contains(QStringLiteral("Table Recognition:"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("\"max_tokens\": 2048"))) << log.toStdString();
    for (const char *name : {"PIP_NO_INDEX", "PIP_FIND_LINKS", "HF_ENDPOINT", "FAKE_MLX_VLM_LOG"})
        qunsetenv(name);
}

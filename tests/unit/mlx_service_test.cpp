#include "services/MLXPaths.h"
#include "services/MLXService.h"

#include "support/Await.h"
#include "support/ChildProcessTest.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <time.h>

using namespace std::chrono_literals;

namespace {

void expectMlxFailure(const TrovError &error, const char *message)
{
    EXPECT_EQ(error.kind(), TrovError::mlx);
    EXPECT_EQ(error.errorDescription(), QString::fromUtf8(message));
}

class MLXServiceTest : public ChildProcessTest {
protected:
    // Runs one request whose image file holds `instruction` for the fake worker.
    OCRResponse recognize(MLXService &service, const QString &instruction, MLXTask task = MLXTask::text)
    {
        return await(service.recognize(root.instruction(instruction), task));
    }

    // The error a request ends with; a failed test when it succeeds.
    TrovError failure(MLXService &service, const QString &instruction)
    {
        return failureOf(service.recognize(root.instruction(instruction), MLXTask::text));
    }

    static TrovError failureOf(QCoro::Task<OCRResponse> task)
    {
        try {
            const OCRResponse response = await(std::move(task));
            ADD_FAILURE() << "expected a failure, got: " << response.text.toStdString();
        } catch (const TrovError &error) {
            return error;
        }
        return TrovError::of(TrovError::noText);
    }

    // The interpreter stays executable, but exec() fails: QProcess reports
    // that from the event loop, after start() has returned.
    void breakInterpreter()
    {
        QFile python(root.python());
        ASSERT_TRUE(python.open(QIODevice::WriteOnly | QIODevice::Truncate));
        python.write("#!/nonexistent/interpreter\n");
    }

    QString workerPid(MLXService &service) { return recognize(service, QStringLiteral("pid")).text; }

    // The request fails with `message`, the worker is stopped and the next
    // request is answered by a fresh one.
    void expectStoppedAfter(MLXService &service, const QString &instruction, const char *message)
    {
        const QString before = service.hasWorker() ? workerPid(service) : QString();
        expectMlxFailure(failure(service, instruction), message);
        EXPECT_FALSE(service.hasWorker());
        const QString after = workerPid(service);
        EXPECT_FALSE(after.isEmpty());
        EXPECT_NE(after, before);
    }

    MLXTestRoot root;
};

} // namespace

TEST_F(MLXServiceTest, LaunchesTheWorkerScriptWithTheModelFolderOfflineAndSendsOneRequestLine)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;

    const QJsonArray arguments =
        QJsonDocument::fromJson(recognize(service, QStringLiteral("args")).text.toUtf8()).array();
    EXPECT_EQ(arguments, (QJsonArray{QStringLiteral("-u"), *MLXPaths::resource(QStringLiteral("worker")),
                                     QStringLiteral("--model-dir"), MLXPaths::model()}));

    const QJsonObject environment =
        QJsonDocument::fromJson(recognize(service, QStringLiteral("env")).text.toUtf8()).object();
    // Our own single-threaded Tesseract does not reach the worker: it gets
    // OMP_THREAD_LIMIT as the test was started with it.
    const QJsonValue threadLimit = qEnvironmentVariableIsSet("OMP_THREAD_LIMIT")
                                       ? QJsonValue(qEnvironmentVariable("OMP_THREAD_LIMIT"))
                                       : QJsonValue(QJsonValue::Null);
    EXPECT_EQ(environment, (QJsonObject{{QStringLiteral("HF_HUB_OFFLINE"), QStringLiteral("1")},
                                        {QStringLiteral("TRANSFORMERS_OFFLINE"), QStringLiteral("1")},
                                        {QStringLiteral("HF_HUB_DISABLE_TELEMETRY"), QStringLiteral("1")},
                                        {QStringLiteral("OMP_THREAD_LIMIT"), threadLimit}}));

    const QString image = root.instruction(QStringLiteral("echo"));
    const QString line = await(service.recognize(image, MLXTask::formula)).text;
    const QJsonObject request = QJsonDocument::fromJson(line.toUtf8()).object();
    EXPECT_EQ(request.size(), 4);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                    .match(request.value(QStringLiteral("id")).toString())
                    .hasMatch());
    EXPECT_EQ(request.value(QStringLiteral("image")).toString(), image);
    EXPECT_EQ(request.value(QStringLiteral("task")).toString(), QStringLiteral("formula"));
    EXPECT_EQ(request.value(QStringLiteral("max_tokens")), QJsonValue(2048));
    await(service.shutdown());
}

TEST_F(MLXServiceTest, AWarmWorkerIsReusedAndOnlyJsonTrueMeansTruncated)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    const QString pid = workerPid(service);

    const OCRResponse hello = recognize(service, QStringLiteral("reply hello · world"));
    EXPECT_EQ(hello.text, QStringLiteral("hello · world"));
    EXPECT_FALSE(hello.truncated);
    EXPECT_TRUE(recognize(service, QStringLiteral("truncated true")).truncated);
    EXPECT_FALSE(recognize(service, QStringLiteral("truncated \"true\"")).truncated);
    EXPECT_FALSE(recognize(service, QStringLiteral("truncated 1")).truncated);
    EXPECT_FALSE(recognize(service, QStringLiteral("untruncated")).truncated);
    EXPECT_EQ(workerPid(service), pid);
    await(service.shutdown());
    EXPECT_FALSE(service.hasWorker());
}

TEST_F(MLXServiceTest, AnErrorReplyFailsTheRequestButKeepsTheWorker)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    const QString pid = workerPid(service);
    expectMlxFailure(failure(service, QStringLiteral("error The image is blank.")), "The image is blank.");
    expectMlxFailure(failure(service, QStringLiteral("error")), "Local recognition failed.");
    EXPECT_EQ(workerPid(service), pid);
    await(service.shutdown());
}

TEST_F(MLXServiceTest, MisbehaviourThatLeavesTheWorkerInDoubtFailsTheRequestAndReplacesTheWorker)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    const std::pair<const char *, const char *> cases[] = {
        {"garbage", "The local worker returned an invalid response."},
        {"empty", "The local worker returned an invalid response."},
        {"array", "The local worker returned an invalid response."},
        {"flood", "Worker output exceeded its limit."},
        {"exit", "The local OCR worker stopped. Try again or rerun setup."},
        // A result written in the same breath as the startup error belongs to
        // the stopped worker and must not reach anyone.
        {"startup-error", "The model vanished."},
    };
    for (const auto &[instruction, message] : cases) {
        SCOPED_TRACE(instruction);
        expectStoppedAfter(service, QString::fromLatin1(instruction), message);
    }
    await(service.shutdown());
}

TEST_F(MLXServiceTest, AnEmptyLineWithNothingPendingStillStopsTheWorker)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    EXPECT_EQ(recognize(service, QStringLiteral("reply-then-empty")).text, QStringLiteral("fine"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !service.hasWorker(); }, Patience::untilHung));
}

TEST_F(MLXServiceTest, StartupErrorsCarryTheirMessageAndStopTheWorker)
{
    root.installFakeWorker(QStringLiteral("startup-error"));
    MLXService service;
    expectMlxFailure(failure(service, QStringLiteral("pid")), "No model here.");

    root.installFakeWorker(QStringLiteral("startup-error-bare"));
    expectMlxFailure(failure(service, QStringLiteral("pid")), "The local model could not start.");
    EXPECT_FALSE(service.hasWorker());
}

TEST_F(MLXServiceTest, RepliesForAnotherIdAreIgnoredUntilTheTimeOutStopsTheWorker)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    // The short time-out covers only requests to a worker already running:
    // starting one may take longer than that on a busy machine.
    const QString first = workerPid(service);
    service.setRequestTimeout(300ms);
    expectMlxFailure(failure(service, QStringLiteral("other-id")),
                     "The local engine took too long. Try a smaller selection.");
    EXPECT_FALSE(service.hasWorker());

    service.setRequestTimeout(MLXService::kDefaultRequestTimeout);
    const QString second = workerPid(service);
    EXPECT_NE(second, first);
    service.setRequestTimeout(300ms);
    expectMlxFailure(failure(service, QStringLiteral("hang")),
                     "The local engine took too long. Try a smaller selection.");
    EXPECT_FALSE(service.hasWorker());
    await(service.shutdown());
}

TEST_F(MLXServiceTest, ASecondRequestWhileOneIsPendingFailsAtOnceAndTheFirstCompletes)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    auto first = service.recognize(root.instruction(QStringLiteral("reply first")), MLXTask::text);
    expectMlxFailure(failureOf(service.recognize(root.instruction(QStringLiteral("reply second")), MLXTask::text)),
                     "The local engine is already working.");
    EXPECT_EQ(await(std::move(first)).text, QStringLiteral("first"));
    await(service.shutdown());
}

TEST_F(MLXServiceTest, NothingStartsWhenTheEngineIsNotInstalledOrTheTaskIsAlreadyCancelled)
{
    root.installFakeWorker(QStringLiteral("normal"), false);
    MLXService service;
    EXPECT_EQ(failure(service, QStringLiteral("pid")).kind(), TrovError::mlxNotReady);

    root.markReady();
    std::stop_source cancelled;
    cancelled.request_stop();
    EXPECT_TRUE(
        failureOf(service.recognize(root.instruction(QStringLiteral("pid")), MLXTask::text, cancelled.get_token()))
            .isCancellation());
    EXPECT_FALSE(service.hasWorker());
}

TEST_F(MLXServiceTest, CancellingWhileTheWorkerLoadsStopsItAndTheNextRequestLaunchesAnother)
{
    root.installFakeWorker(QStringLiteral("silent"));
    MLXService service;
    std::stop_source source;
    auto request = service.recognize(root.instruction(QStringLiteral("pid")), MLXTask::text, source.get_token());
    ASSERT_TRUE(service.hasWorker());
    source.request_stop();
    EXPECT_TRUE(failureOf(std::move(request)).isCancellation());
    EXPECT_FALSE(service.hasWorker());

    root.installFakeWorker(QStringLiteral("normal"));
    EXPECT_FALSE(workerPid(service).isEmpty());
    await(service.shutdown());
}

TEST_F(MLXServiceTest, ShutdownFailsThePendingRequestAndWaitsForAWorkerThatIgnoresTerm)
{
    root.installFakeWorker(QStringLiteral("ignore-term"));
    MLXService service;
    const pid_t pid = static_cast<pid_t>(workerPid(service).toInt());
    auto request = service.recognize(root.instruction(QStringLiteral("hang")), MLXTask::text);
    await(service.shutdown());
    EXPECT_FALSE(ChildProcesses::isAlive(pid)) << "SIGKILL followed the ignored SIGTERM";
    EXPECT_TRUE(failureOf(std::move(request)).isCancellation());

    await(service.shutdown()); // without a worker: returns at once
}

TEST_F(MLXServiceTest, WhatAWorkerSpawnedDoesNotOutliveIt)
{
    root.installFakeWorker(QStringLiteral("leave-child"));
    MLXService service;
    EXPECT_FALSE(workerPid(service).isEmpty());
    await(service.shutdown());
    // The child ignores SIGTERM and outlived the worker: the SIGKILL to the
    // worker's group ends it while the client lives on.
    EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(5s));
}

TEST_F(MLXServiceTest, AWorkerThatDiedUnnoticedIsRetiredAndReplacedByAFreshOne)
{
    root.installFakeWorker(QStringLiteral("normal"));
    MLXService service;
    const QString first = recognize(service, QStringLiteral("reply-then-exit")).text;
    // Let it exit and wait for that without running the event loop, so that
    // the exit stays unhandled: the worker looks alive to QProcess but is gone.
    const pid_t pid = static_cast<pid_t>(first.toInt());
    ASSERT_EQ(kill(pid, SIGUSR1), 0);
    for (int attempt = 0; attempt < 5000 && !ChildProcesses::isZombie(pid); ++attempt) {
        const timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
    }
    ASSERT_TRUE(ChildProcesses::isZombie(pid));
    ASSERT_TRUE(service.hasWorker());

    const QString second = workerPid(service);
    EXPECT_NE(second, first);
    await(service.shutdown());
}

TEST_F(MLXServiceTest, AnInterpreterThatCannotBeExecutedFailsWithThePlatformsError)
{
    root.installFakeWorker(QStringLiteral("normal"));
    breakInterpreter();
    MLXService service;
    const TrovError error = failure(service, QStringLiteral("pid"));
    EXPECT_EQ(error.kind(), TrovError::platform);
    EXPECT_FALSE(error.errorDescription().isEmpty());
    EXPECT_FALSE(service.hasWorker());
}

TEST_F(MLXServiceTest, ShutdownReturnsWhenTheStoppedWorkersLaunchFailsAfterwards)
{
    root.installFakeWorker(QStringLiteral("normal"));
    breakInterpreter();
    MLXService service;
    auto request = service.recognize(root.instruction(QStringLiteral("pid")), MLXTask::text);
    ASSERT_TRUE(service.hasWorker()) << "the launch is still under way";
    auto shutdown = service.shutdown();
    // A failed start is followed by no finished(): waiting for that alone never ends.
    EXPECT_TRUE(QTest::qWaitFor([&] { return shutdown.isReady(); }, 5'000));
    EXPECT_TRUE(failureOf(std::move(request)).isCancellation());
}

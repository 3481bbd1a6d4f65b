#include "foundation/ThreadHandOff.h"
#include "models/TrovError.h"
#include "services/PendingVisionRequest.h"
#include "services/VisionOCR.h"
#include "support/Await.h"
#include "support/Gate.h"
#include "support/Patience.h"

#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>

namespace {

QImage anyImage()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Awaits a read and reports the failure kind, or -1 for a response.
int failureOf(QCoro::Task<OCRResponse> task)
{
    try {
        await(std::move(task));
        return -1;
    } catch (const TrovError &error) {
        return error.kind();
    }
}

// Awaits a read and gives its text, or names its failure.
QString textOrFailure(QCoro::Task<OCRResponse> task)
{
    try {
        return await(std::move(task)).text;
    } catch (const TrovError &error) {
        return QStringLiteral("failed: %1").arg(error.kind());
    }
}

// A recognition call that holds the slot until the test lets it go.
struct BlockingCall {
    Gate started;
    Gate release;
    std::atomic<int> calls{0};
    // Whether any call found its request cancelled when it was let go.
    std::atomic<bool> sawCancel{false};

    VisionOCR::Execute execute()
    {
        return [this](const QImage &, TextRecognitionRequest &request) {
            ++calls;
            started.open();
            release.wait();
            if (request.isCancelled())
                sawCancel = true;
            return OCRResponse{QStringLiteral("late"), false};
        };
    }
};

// Tries reads until one gets through, processing events in between.
bool slotFreesUp(VisionOCR &ocr)
{
    return QTest::qWaitFor([&] { return failureOf(ocr.read(anyImage())) != TrovError::visionBusy; }, 10000);
}

} // namespace

TEST(VisionOCRTest, PassesTheImageAndLanguageAndReturnsTheResponse)
{
    QString language;
    bool automatic = true;
    QStringList languages{QStringLiteral("unset")};
    QSize seenSize;
    VisionOCR ocr([&](const QImage &image, TextRecognitionRequest &request) {
        seenSize = image.size();
        language = request.language();
        automatic = request.detectsLanguageAutomatically();
        languages = request.recognitionLanguages();
        return OCRResponse{QStringLiteral("line one\nline two"), false};
    });
    const OCRResponse response = await(ocr.read(anyImage(), QStringLiteral("deu")));
    EXPECT_EQ(response.text, QStringLiteral("line one\nline two"));
    EXPECT_FALSE(response.truncated);
    EXPECT_EQ(seenSize, QSize(8, 8));
    EXPECT_EQ(language, QStringLiteral("deu"));
    EXPECT_FALSE(automatic);
    EXPECT_EQ(languages, QStringList{QStringLiteral("deu")});
}

TEST(VisionOCRTest, OnlyTheExactWordAutoDetectsTheLanguage)
{
    EXPECT_TRUE(TextRecognitionRequest(QStringLiteral("auto")).detectsLanguageAutomatically());
    EXPECT_TRUE(TextRecognitionRequest(QStringLiteral("auto")).recognitionLanguages().isEmpty());
    for (const QString &other : {QStringLiteral("AUTO"), QString()}) {
        const TextRecognitionRequest request(other);
        EXPECT_FALSE(request.detectsLanguageAutomatically());
        EXPECT_EQ(request.recognitionLanguages(), QStringList{other});
    }
}

TEST(VisionOCRTest, ASecondReadFailsAtOnceWithoutDisturbingTheFirst)
{
    BlockingCall call;
    VisionOCR ocr(call.execute());
    QCoro::Task<OCRResponse> first = ocr.read(anyImage());
    call.started.wait();

    // Still blocked: had the second read queued, this would never return.
    EXPECT_EQ(failureOf(ocr.read(anyImage())), TrovError::visionBusy);
    EXPECT_EQ(call.calls, 1);

    call.release.open();
    EXPECT_EQ(await(std::move(first)).text, QStringLiteral("late"));
    EXPECT_FALSE(call.sawCancel);
}

TEST(VisionOCRTest, TheSlotIsFreeWhenTheCallerResumes)
{
    int calls = 0;
    VisionOCR ocr([&](const QImage &, TextRecognitionRequest &) {
        ++calls;
        return OCRResponse{QString::number(calls), false};
    });
    auto twoInARow = [&]() -> QCoro::Task<QString> {
        const OCRResponse first = co_await ocr.read(anyImage());
        const OCRResponse second = co_await ocr.read(anyImage());
        co_return first.text + second.text;
    };
    EXPECT_EQ(await(twoInARow()), QStringLiteral("12"));
}

TEST(VisionOCRTest, ARecogniserFailureReachesTheCallerUnchangedAndFreesTheSlot)
{
    bool fail = true;
    VisionOCR ocr([&](const QImage &, TextRecognitionRequest &) -> OCRResponse {
        if (fail)
            throw TrovError::platformFailure(QStringLiteral("the recogniser broke"));
        return OCRResponse{QStringLiteral("fine"), false};
    });
    try {
        await(ocr.read(anyImage()));
        ADD_FAILURE() << "no error";
    } catch (const TrovError &error) {
        EXPECT_EQ(error.kind(), TrovError::platform);
        EXPECT_EQ(error.errorDescription(), QStringLiteral("the recogniser broke"));
    }
    fail = false;
    EXPECT_EQ(await(ocr.read(anyImage())).text, QStringLiteral("fine"));
}

TEST(VisionOCRTest, AnAlreadyCancelledCallerStartsNothing)
{
    std::atomic<int> calls{0};
    VisionOCR ocr([&](const QImage &, TextRecognitionRequest &) {
        ++calls;
        return OCRResponse{};
    });
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(failureOf(ocr.read(anyImage(), QStringLiteral("auto"), stop.get_token())), TrovError::taskCancelled);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(failureOf(ocr.read(anyImage())), -1);
}

TEST(VisionOCRTest, CancellingReturnsTheCallerAndFreesTheSlotAtOnce)
{
    // The first call stays inside the recogniser until the test lets it go;
    // later ones answer at once.
    BlockingCall call;
    const VisionOCR::Execute blocking = call.execute();
    VisionOCR ocr([&](const QImage &image, TextRecognitionRequest &request) {
        if (call.calls > 0)
            return OCRResponse{QStringLiteral("next"), false};
        return blocking(image, request);
    });
    std::stop_source stop;
    QCoro::Task<OCRResponse> running = ocr.read(anyImage(), QStringLiteral("auto"), stop.get_token());
    call.started.wait();

    stop.request_stop();
    // The recogniser is still blocked, so only an immediate return gets here,
    // and only a slot freed by the cancellation itself lets the next read in.
    EXPECT_EQ(failureOf(std::move(running)), TrovError::taskCancelled);
    EXPECT_EQ(textOrFailure(ocr.read(anyImage())), QStringLiteral("next"));
    // The application waits for its own pool when it ends: a page nobody
    // waits for must not be on it, or quitting would wait for Tesseract.
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(0));

    // The cancelled call's late return leaves the slot free and takes no
    // other read's place.
    QCoro::Task<OCRResponse> another = ocr.read(anyImage());
    call.release.open();
    EXPECT_EQ(textOrFailure(std::move(another)), QStringLiteral("next"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return call.sawCancel.load(); }, 10000))
        << "the cancellation did not reach the recogniser";
    EXPECT_TRUE(slotFreesUp(ocr));
}

TEST(VisionOCRTest, HoweverManyCancelledPagesStillRunTheNextReadStartsAtOnce)
{
    // Up to the pool's first size, and past it.
    for (const int stuck : {1, 4, 9}) {
        SCOPED_TRACE(stuck);
        Gate release;
        Gate nextStarted;
        std::atomic<int> started{0};
        VisionOCR ocr([&](const QImage &, TextRecognitionRequest &request) {
            if (request.language() == QLatin1String("next")) {
                nextStarted.open();
                return OCRResponse{QStringLiteral("next"), false};
            }
            // A page that does not reach its next check until the test lets it go.
            ++started;
            release.wait();
            return OCRResponse{};
        });
        bool allStarted = true;
        for (int page = 1; page <= stuck && allStarted; ++page) {
            std::stop_source stop;
            QCoro::Task<OCRResponse> reading = ocr.read(anyImage(), QStringLiteral("eng"), stop.get_token());
            allStarted = QTest::qWaitFor([&] { return started == page; }, Patience::untilHung);
            EXPECT_TRUE(allStarted) << "page " << page << " waits behind the cancelled ones";
            stop.request_stop();
            EXPECT_EQ(failureOf(std::move(reading)), TrovError::taskCancelled);
        }
        QCoro::Task<OCRResponse> next = ocr.read(anyImage(), QStringLiteral("next"));
        EXPECT_TRUE(allStarted && QTest::qWaitFor([&] { return nextStarted.isOpen(); }, Patience::untilHung))
            << "the next read waits behind the cancelled pages";
        release.open();
        EXPECT_EQ(textOrFailure(std::move(next)), QStringLiteral("next"));
        VisionOCR::workers().waitForDone();
    }
}

TEST(VisionOCRTest, AnAnswerStillOnItsWayToTheCallerWhenTheCancelComesIsDropped)
{
    BlockingCall call;
    VisionOCR ocr(call.execute());
    std::stop_source stop;
    QCoro::Task<OCRResponse> running = ocr.read(anyImage(), QStringLiteral("auto"), stop.get_token());
    call.started.wait();
    call.release.open();
    // The answer is recorded and its delivery queued to this thread, whose
    // event loop has not run since: the caller has not resumed yet.
    VisionOCR::workers().waitForDone();
    stop.request_stop();
    EXPECT_EQ(failureOf(std::move(running)), TrovError::taskCancelled);
    EXPECT_EQ(call.calls, 1);
    EXPECT_EQ(failureOf(ocr.read(anyImage())), -1) << "the slot is free again";
}

TEST(VisionOCRTest, AReadCancelledBeforeItsWorkBeganNeverCallsTheRecogniser)
{
    // Fill the pool so the read's work item waits in the queue.
    QThreadPool *pool = &VisionOCR::workers();
    Gate poolRelease;
    std::atomic<int> blockersRunning{0};
    const int threads = pool->maxThreadCount();
    for (int i = 0; i < threads; ++i) {
        std::function<void()> blocker = [&] {
            ThreadHandOff::acquire();
            ++blockersRunning;
            poolRelease.wait();
        };
        ThreadHandOff::release();
        pool->start(std::move(blocker));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return blockersRunning == threads; }, 10000));

    std::atomic<int> calls{0};
    VisionOCR ocr([&](const QImage &, TextRecognitionRequest &) {
        ++calls;
        return OCRResponse{};
    });
    std::stop_source stop;
    QCoro::Task<OCRResponse> queued = ocr.read(anyImage(), QStringLiteral("auto"), stop.get_token());
    stop.request_stop();
    EXPECT_EQ(failureOf(std::move(queued)), TrovError::taskCancelled);

    poolRelease.open();
    EXPECT_TRUE(slotFreesUp(ocr));
    pool->waitForDone();
    EXPECT_EQ(calls, 1) << "only the read that found the slot free may call the recogniser";
}

TEST(VisionOCRTest, EveryReadResumesExactlyOnceWhenCancelRacesTheResult)
{
    VisionOCR ocr([](const QImage &, TextRecognitionRequest &) { return OCRResponse{QStringLiteral("x"), false}; });
    for (int round = 0; round < 200; ++round) {
        std::stop_source stop;
        std::atomic<int> resumed{0};
        auto reader = [&]() -> QCoro::Task<> {
            try {
                co_await ocr.read(anyImage(), QStringLiteral("auto"), stop.get_token());
            } catch (const TrovError &error) {
                EXPECT_TRUE(error.kind() == TrovError::taskCancelled || error.kind() == TrovError::visionBusy);
            }
            ++resumed;
        };
        QCoro::Task<> reading = reader();
        std::thread canceller([&] { stop.request_stop(); });
        await(std::move(reading));
        canceller.join();
        EXPECT_EQ(resumed, 1);
        ASSERT_TRUE(slotFreesUp(ocr)) << "round " << round;
    }
}

TEST(PendingVisionRequestTest, TheFirstOutcomeWinsAndLaterOnesAreDropped)
{
    PendingVisionRequest resultFirst(std::make_shared<TextRecognitionRequest>(QStringLiteral("auto")));
    EXPECT_TRUE(resultFirst.finish(OCRResponse{QStringLiteral("text"), false}));
    resultFirst.cancel();
    EXPECT_FALSE(resultFirst.finish(std::make_exception_ptr(TrovError::of(TrovError::visionBusy))));
    EXPECT_EQ(resultFirst.future().result().text, QStringLiteral("text"));
    EXPECT_TRUE(resultFirst.request().isCancelled());

    PendingVisionRequest cancelFirst(std::make_shared<TextRecognitionRequest>(QStringLiteral("auto")));
    cancelFirst.cancel();
    EXPECT_TRUE(cancelFirst.isCancelled());
    EXPECT_FALSE(cancelFirst.finish(OCRResponse{QStringLiteral("late"), false}));
    EXPECT_THROW(cancelFirst.future().result(), TrovError);
}

TEST(PendingVisionRequestTest, ExactlyOneOfConcurrentOutcomesIsRecorded)
{
    for (int round = 0; round < 500; ++round) {
        PendingVisionRequest pending(std::make_shared<TextRecognitionRequest>(QStringLiteral("auto")));
        std::barrier start(3);
        std::atomic<int> recorded{0};
        std::thread result([&] {
            start.arrive_and_wait();
            recorded += pending.finish(OCRResponse{QStringLiteral("text"), false});
        });
        std::thread busy([&] {
            start.arrive_and_wait();
            recorded += pending.finish(std::make_exception_ptr(TrovError::of(TrovError::visionBusy)));
        });
        std::thread cancel([&] {
            start.arrive_and_wait();
            pending.cancel();
        });
        result.join();
        busy.join();
        cancel.join();
        const QFuture<OCRResponse> future = pending.future();
        ASSERT_TRUE(future.isFinished());
        const bool cancelWon = recorded == 0;
        EXPECT_LE(recorded, 1);
        try {
            EXPECT_EQ(future.result().text, QStringLiteral("text"));
            EXPECT_FALSE(cancelWon);
        } catch (const TrovError &error) {
            EXPECT_EQ(error.kind(), cancelWon ? TrovError::taskCancelled : TrovError::visionBusy);
        }
    }
}

TEST(VisionOCRTest, LanguagesAreNeverListedWhileARecognitionIsInsideTheRecogniserAndAFailureListsNone)
{
    Gate started;
    Gate release;
    std::atomic<bool> recognising{false};
    std::atomic<bool> listed{false};
    std::atomic<bool> listedDuringRecognition{false};
    VisionOCR ocr(
        [&](const QImage &, TextRecognitionRequest &) {
            recognising = true;
            started.open();
            release.wait();
            recognising = false;
            return OCRResponse{QStringLiteral("text"), false};
        },
        [&] {
            listedDuringRecognition = recognising.load();
            listed = true;
            return QStringList{QStringLiteral("deu"), QStringLiteral("eng")};
        });
    QCoro::Task<OCRResponse> reading = ocr.read(anyImage());
    started.wait();
    QCoro::Task<QStringList> listing = ocr.supportedLanguages();
    EXPECT_FALSE(QTest::qWaitFor([&] { return listed.load(); }, 300)) << "listed while Tesseract ran";
    release.open();
    EXPECT_EQ(await(std::move(listing)), (QStringList{QStringLiteral("deu"), QStringLiteral("eng")}));
    EXPECT_FALSE(listedDuringRecognition.load());
    EXPECT_EQ(await(std::move(reading)).text, QStringLiteral("text"));

    VisionOCR failing([](const QImage &, TextRecognitionRequest &) { return OCRResponse{}; },
                      []() -> QStringList { throw std::runtime_error("no data folder"); });
    EXPECT_TRUE(await(failing.supportedLanguages()).isEmpty());
}

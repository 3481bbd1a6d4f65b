#include "services/VisionOCR.h"

#include "foundation/Background.h"
#include "foundation/Cancellation.h"
#include "foundation/ThreadHandOff.h"
#include "models/TrovError.h"
#include "services/PendingVisionRequest.h"
#include "services/TesseractEngines.h"
#include "services/TesseractLanguages.h"

#include <QCoroFuture>
#include <QThreadPool>

#include <atomic>
#include <mutex>
#include <shared_mutex>

// The single request slot and the recognition call it guards. Shared with the
// work items, so an abandoned recognition can finish after its VisionOCR is gone.
class VisionOCR::RequestSlot {
public:
    RequestSlot(Execute execute, ListLanguages listLanguages)
        : execute_(std::move(execute)), listLanguages_(std::move(listLanguages))
    {
    }

    bool claim()
    {
        const std::lock_guard lock(mutex_);
        if (taken_)
            return false;
        taken_ = true;
        return true;
    }

    void release()
    {
        const std::lock_guard lock(mutex_);
        taken_ = false;
    }

    // Runs on a pool thread while the slot is held.
    PendingVisionRequest::Outcome run(const QImage &image, PendingVisionRequest &pending)
    {
        if (pending.isCancelled())
            return std::make_exception_ptr(TrovError::of(TrovError::taskCancelled));
        try {
            const std::shared_lock engine(engine_);
            return execute_(image, pending.request());
        } catch (...) {
            return std::current_exception();
        }
    }

    // Runs on a pool thread, outside the request slot: a listing neither
    // takes the slot nor finds it busy, it only waits for the engine.
    QStringList languages()
    {
        try {
            const std::unique_lock engine(engine_);
            return listLanguages_();
        } catch (...) {
            return {};
        }
    }

private:
    const Execute execute_;
    const ListLanguages listLanguages_;
    std::mutex mutex_;
    bool taken_ = false;
    // Held while Tesseract runs: shared by recognitions (a cancelled one may
    // still run beside the next), exclusively by a listing.
    std::shared_mutex engine_;
};

namespace {

// Pages on workers(), from their start to the return of their recognition call.
std::atomic<int> runningPages{0};

// Each page gets a thread at once, however many cancelled pages are still
// on theirs: none of them may make the next read wait in the queue.
void startPage(std::function<void()> job)
{
    QThreadPool &pool = VisionOCR::workers();
    const int running = ++runningPages;
    if (pool.maxThreadCount() < running)
        pool.setMaxThreadCount(running);
    std::function<void()> page = [job = std::move(job)] {
        ThreadHandOff::acquire();
        job();
        --runningPages;
    };
    ThreadHandOff::release();
    pool.start(std::move(page));
}

VisionOCR::Execute tesseractCall()
{
    auto engines = std::make_shared<TesseractEngines>();
    return
        [engines](const QImage &image, TextRecognitionRequest &request) { return engines->recognize(image, request); };
}

} // namespace

VisionOCR::VisionOCR() : VisionOCR(tesseractCall())
{
}

VisionOCR::VisionOCR(Execute execute, ListLanguages listLanguages)
    : slot_(std::make_shared<RequestSlot>(
          std::move(execute), listLanguages ? std::move(listLanguages) : ListLanguages(&TesseractLanguages::installed)))
{
}

VisionOCR &VisionOCR::shared()
{
    static VisionOCR *const instance = new VisionOCR();
    return *instance;
}

QCoro::Task<OCRResponse> VisionOCR::read(QImage image, QString language, std::stop_token stopToken)
{
    Cancellation::throwIfRequested(stopToken);
    auto pending = std::make_shared<PendingVisionRequest>(std::make_shared<TextRecognitionRequest>(language));
    QFuture<OCRResponse> outcome = pending->future();
    // Whoever turns this off frees the slot: the work item when its call has
    // returned, or a cancellation, which does not wait for that. A cancelled
    // page may take a while to reach the recogniser's next check, and the
    // next capture should not be turned away meanwhile.
    auto holdsSlot = std::make_shared<std::atomic<bool>>(false);
    const std::stop_callback onStop(stopToken, [pending, slot = slot_, holdsSlot] {
        pending->cancel();
        if (holdsSlot->exchange(false))
            slot->release();
    });
    // A stop that came while the callback was being registered has
    // already finished the request: nothing is started then.
    if (!pending->hasOutcome()) {
        if (!slot_->claim()) {
            pending->finish(std::make_exception_ptr(TrovError::of(TrovError::visionBusy)));
        } else {
            holdsSlot->store(true);
            std::function<void()> job = [slot = slot_, pending, holdsSlot, image = std::move(image)] {
                ThreadHandOff::acquire();
                PendingVisionRequest::Outcome result = slot->run(image, *pending);
                // Free the slot first, so a caller that gets the result can
                // start its next read at once.
                if (holdsSlot->exchange(false))
                    slot->release();
                ThreadHandOff::release();
                pending->finish(std::move(result));
            };
            startPage(std::move(job));
        }
    }
    const OCRResponse response = co_await outcome;
    ThreadHandOff::acquire();
    // Cancelled after the outcome arrived but before this caller resumed.
    Cancellation::throwIfRequested(stopToken);
    co_return response;
}

QThreadPool &VisionOCR::workers()
{
    // Room for a cancelled page still running, the recognition after it and
    // a few more cancelled in a row; startPage() adds threads beyond that.
    constexpr int threads = 4;
    // Destroyed at exit before the statics made earlier (Tesseract's among
    // them), and only once its pages have returned.
    static QThreadPool pool;
    static const bool sized = (pool.setMaxThreadCount(threads), true);
    Q_UNUSED(sized);
    return pool;
}

QCoro::Task<OCRResponse> VisionOCR::recognize(QImage image, QString language, std::stop_token stopToken)
{
    return shared().read(std::move(image), std::move(language), std::move(stopToken));
}

QCoro::Task<QStringList> VisionOCR::supportedLanguages()
{
    auto listing = [slot = slot_] { return slot->languages(); };
    co_return co_await Background::run(std::move(listing));
}

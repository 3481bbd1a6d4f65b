#include "services/VisionOCR.h"

#include "models/TrovError.h"
#include "services/PendingVisionRequest.h"
#include "services/TesseractLanguages.h"
#include "services/TesseractRecognizer.h"
#include "support/Background.h"
#include "support/Cancellation.h"
#include "support/ThreadHandOff.h"

#include <QCoroFuture>
#include <QThreadPool>

#include <mutex>

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
            const std::lock_guard engine(engine_);
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
            const std::lock_guard engine(engine_);
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
    // Held while Tesseract runs, by a recognition or a listing.
    std::mutex engine_;
};

namespace {

VisionOCR::Execute tesseractCall()
{
    auto recognizer = std::make_shared<TesseractRecognizer>();
    return [recognizer](const QImage &image, TextRecognitionRequest &request) {
        return recognizer->recognize(image, request);
    };
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
    const std::stop_callback onStop(stopToken, [pending] { pending->cancel(); });
    // A stop that came while the callback was being registered has
    // already finished the request: nothing is started then.
    if (!pending->hasOutcome()) {
        if (!slot_->claim()) {
            pending->finish(std::make_exception_ptr(TrovError::of(TrovError::visionBusy)));
        } else {
            std::function<void()> job = [slot = slot_, pending, image = std::move(image)] {
                ThreadHandOff::acquire();
                PendingVisionRequest::Outcome result = slot->run(image, *pending);
                // Free the slot first, so a caller that gets the result can
                // start its next read at once.
                slot->release();
                ThreadHandOff::release();
                pending->finish(std::move(result));
            };
            ThreadHandOff::release();
            QThreadPool::globalInstance()->start(std::move(job));
        }
    }
    const OCRResponse response = co_await outcome;
    ThreadHandOff::acquire();
    // Cancelled after the outcome arrived but before this caller resumed.
    Cancellation::throwIfRequested(stopToken);
    co_return response;
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

#include "services/TesseractEngines.h"

#include "platform/OpenMPThreadLimit.h"

#include "services/TesseractRecognizer.h"

TesseractEngines::TesseractEngines() = default;
TesseractEngines::~TesseractEngines() = default;

OCRResponse TesseractEngines::recognize(const QImage &image, TextRecognitionRequest &request)
{
    // Pages run on whichever pool thread is free: each one keeps its own
    // OpenMP setting.
    OpenMPThreadLimit::enforceSingleThread();
    std::unique_ptr<TesseractRecognizer> engine = take();
    try {
        OCRResponse response = engine->recognize(image, request);
        giveBack(std::move(engine));
        return response;
    } catch (...) {
        giveBack(std::move(engine));
        throw;
    }
}

std::unique_ptr<TesseractRecognizer> TesseractEngines::take()
{
    {
        const std::lock_guard lock(mutex_);
        if (idle_)
            return std::move(idle_);
    }
    return std::make_unique<TesseractRecognizer>();
}

void TesseractEngines::giveBack(std::unique_ptr<TesseractRecognizer> engine)
{
    {
        const std::lock_guard lock(mutex_);
        if (!idle_) {
            idle_ = std::move(engine);
            return;
        }
    }
    // A spare: freed outside the lock, it takes a moment.
}

#include "stores/RecognitionPipeline.h"

#include "foundation/Cancellation.h"
#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "services/MLXService.h"
#include "services/TemporaryImage.h"
#include "services/VisionOCR.h"

RecognitionPipeline::RecognitionPipeline(VisionOCR &vision, MLXService &mlx) : vision_(vision), mlx_(mlx)
{
}

QCoro::Task<QString> RecognitionPipeline::recognize(QImage image, RecognitionOptions options, std::stop_token token)
{
    const OCRResponse response = co_await runEngine(std::move(image), options, token);
    // A late answer of a cancelled operation is never used.
    Cancellation::throwIfRequested(token);
    if (response.truncated)
        throw TrovError::of(TrovError::truncated);
    const QString text = TextProcessing::normalize(response.text, options.keepsLineBreaks());
    if (text.isEmpty())
        throw TrovError::of(TrovError::noText);
    co_return text;
}

QCoro::Task<OCRResponse> RecognitionPipeline::runEngine(QImage image, RecognitionOptions options, std::stop_token token)
{
    if (options.engine == OCREngine::vision)
        co_return co_await vision_.read(std::move(image), options.language, token);

    // The local worker reads the picture from a private file, removed on every way out.
    TemporaryImage crop = co_await TemporaryImage::create(std::move(image));
    std::exception_ptr failure;
    OCRResponse response;
    try {
        // Stopped while the crop was written: the worker client may be gone.
        Cancellation::throwIfRequested(token);
        response = co_await mlx_.recognize(crop.url(), options.task, token);
    } catch (...) {
        failure = std::current_exception();
    }
    crop.remove();
    if (failure)
        std::rethrow_exception(failure);
    co_return response;
}

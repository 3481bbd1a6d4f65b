#pragma once

#include "models/OCRResponse.h"
#include "stores/RecognitionOptions.h"

#include <QCoroTask>
#include <QImage>
#include <QString>

#include <stop_token>

class MLXService;
class VisionOCR;

// From a picture to the text that goes to the clipboard: the chosen engine
// (the local one reads a private PNG crop, removed on every way out), then the
// answer's checks and normalisation.
class RecognitionPipeline {
public:
    // Neither engine is owned; both must outlive the pipeline.
    RecognitionPipeline(VisionOCR &vision, MLXService &mlx);

    // The normalised text. Throws the engine's own error, TrovError::truncated,
    // TrovError::noText, or a cancellation when a stop was requested: an
    // answer that arrives after the stop is never used. After a stop nothing
    // of the pipeline or its engines is touched, so whoever owns them may be
    // gone by the time a suspended call resumes.
    QCoro::Task<QString> recognize(QImage image, RecognitionOptions options, std::stop_token token);

private:
    QCoro::Task<OCRResponse> runEngine(QImage image, RecognitionOptions options, std::stop_token token);

    VisionOCR &vision_;
    MLXService &mlx_;
};

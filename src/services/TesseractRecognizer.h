#pragma once

#include "models/OCRResponse.h"
#include "services/TextRecognitionRequest.h"

#include <QImage>
#include <QString>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

// The default recognition call of VisionOCR: Tesseract's LSTM engine on one
// image. Not thread-safe: VisionOCR's single request slot guarantees that one
// recognition at a time uses the engine, which is kept between calls and
// re-initialised only when the language changes.
class TesseractRecognizer {
public:
    TesseractRecognizer();
    ~TesseractRecognizer();
    TesseractRecognizer(const TesseractRecognizer &) = delete;
    TesseractRecognizer &operator=(const TesseractRecognizer &) = delete;

    // The text lines in Tesseract's order, joined by "\n". Throws
    // TrovError::taskCancelled when the request was cancelled meanwhile and
    // TrovError::platformFailure when Tesseract fails.
    OCRResponse recognize(const QImage &image, TextRecognitionRequest &request);

    // What the engine is given: alpha flattened onto white, 8-bit RGB.
    static QImage flattenedOntoWhite(const QImage &image);

    // Light text on a dark background (a dark-mode screen).
    static bool hasDarkBackground(const QImage &page);

private:
    void initialise(const QString &requestedLanguage);
    int upscaleFactor(QSize pageSize);
    QString recognisedLines();
    void releasePageMemory();
    static bool shouldCancel(void *stopToken, int words);

    std::unique_ptr<tesseract::TessBaseAPI> api_;
    // What the engine holds ("deu+eng") and the request it was resolved from ("auto").
    QString loadedLanguages_;
    QString requestedLanguage_;
};

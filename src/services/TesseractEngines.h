#pragma once

#include "models/OCRResponse.h"
#include "services/TextRecognitionRequest.h"

#include <QImage>

#include <memory>
#include <mutex>

class TesseractRecognizer;

// The Tesseract engines behind the built-in recogniser. One is kept between
// recognitions (loading a language's model takes a while). A cancelled page
// gives its engine back only when Tesseract reaches its next check, which its
// layout analysis never makes; a recognition that starts meanwhile gets an
// engine of its own instead of waiting, and the spare is dropped afterwards.
// Safe to use from any thread.
class TesseractEngines {
public:
    TesseractEngines();
    ~TesseractEngines();
    TesseractEngines(const TesseractEngines &) = delete;
    TesseractEngines &operator=(const TesseractEngines &) = delete;

    // TesseractRecognizer::recognize() on an engine no other call is using.
    OCRResponse recognize(const QImage &image, TextRecognitionRequest &request);

private:
    std::unique_ptr<TesseractRecognizer> take();
    void giveBack(std::unique_ptr<TesseractRecognizer> engine);

    std::mutex mutex_;
    std::unique_ptr<TesseractRecognizer> idle_;
};

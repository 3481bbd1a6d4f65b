#pragma once

#include "models/OCRResponse.h"
#include "services/TextRecognitionRequest.h"

#include <QCoroTask>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <stop_token>

// The built-in recogniser (Tesseract). It admits one recognition at a time: a
// second request while one runs fails at once with TrovError::visionBusy and
// is never queued. Safe to use from any thread.
class VisionOCR {
public:
    // The recognition call: runs on a pool thread, may throw. Replaceable so
    // that tests can control timing and results. A cancelled call may still
    // run while the next one starts.
    using Execute = std::function<OCRResponse(const QImage &, TextRecognitionRequest &)>;
    // Lists the installed language codes: runs on a pool thread, may throw.
    using ListLanguages = std::function<QStringList()>;

    // Tesseract as the recognition call and the list of languages.
    VisionOCR();
    // Tesseract's installed data gives the languages unless `listLanguages` is set.
    explicit VisionOCR(Execute execute, ListLanguages listLanguages = {});

    // The process-wide instance, created on first use and never destroyed (a
    // recognition abandoned by its caller may still be running at exit).
    static VisionOCR &shared();

    // Recognises `image` on a pool thread; the caller resumes on its own thread.
    // `language` is "auto" or an installed Tesseract code. A stop request
    // returns the caller at once with TrovError::taskCancelled, asks the
    // recogniser to stop and frees the slot: the next read is accepted at
    // once, without waiting for the cancelled one to return.
    QCoro::Task<OCRResponse> read(QImage image, QString language = QStringLiteral("auto"),
                                  std::stop_token stopToken = {});

    // read() on the shared instance.
    static QCoro::Task<OCRResponse> recognize(QImage image, QString language = QStringLiteral("auto"),
                                              std::stop_token stopToken = {});

    // The installed language codes, in Tesseract's order, listed on a pool
    // thread; empty when they cannot be listed. Never listed while a
    // recognition is inside its recognition call, which waits for a listing
    // under way: Tesseract's settings are process-wide, and listing changes one.
    QCoro::Task<QStringList> supportedLanguages();

    // The threads recognitions run on, shared by every instance, with a
    // thread for every page still running. Not the application's pool: the
    // application waits for that one when it ends, and a cancelled page may
    // still be inside Tesseract's page analysis, which cannot be interrupted.
    // Destroyed at exit, waiting for such a page; a program that must not
    // wait long waits for it itself, with a bound (see main()).
    static QThreadPool &workers();

private:
    class RequestSlot;

    std::shared_ptr<RequestSlot> slot_;
};

#include "services/TesseractRecognizer.h"

#include "models/TrovError.h"
#include "services/TesseractLanguages.h"

#include <QPainter>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/pageiterator.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <vector>

namespace {

// Text lines shorter than this (small screen text, 9-16 px fonts) are scaled
// up to reach it. Measured with the OCR benchmark's generated set: without
// upscaling 9-12 px text loses about 1% of its characters; lines of 20 px
// read perfectly, and aiming higher only costs time.
constexpr int comfortableLineHeight = 20;
constexpr int largestUpscale = 4;

// Below this mean grey level the picture is light text on a dark background.
constexpr int darkBackgroundLevel = 128;

void setImage(tesseract::TessBaseAPI &api, const QImage &page)
{
    api.SetImage(page.constBits(), page.width(), page.height(), 3, static_cast<int>(page.bytesPerLine()));
    // Screen text has no meaningful resolution; saying so keeps Tesseract from
    // guessing (and from complaining on its debug channel).
    api.SetSourceResolution(70);
}

} // namespace

TesseractRecognizer::TesseractRecognizer() = default;
TesseractRecognizer::~TesseractRecognizer() = default;

OCRResponse TesseractRecognizer::recognize(const QImage &image, TextRecognitionRequest &request)
{
    initialise(TesseractLanguages::resolve(request.language()));
    if (image.isNull())
        return OCRResponse{};

    QImage page = flattenedOntoWhite(image);
    // Tesseract reads dark text on light ground; dark-mode crops otherwise go
    // through its slower per-line inversion retries (about a third slower in
    // the benchmark).
    if (hasDarkBackground(page))
        page.invertPixels();
    setImage(*api_, page);
    if (const int factor = upscaleFactor(); factor > 1) {
        page = page.scaled(page.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        setImage(*api_, page);
    }

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &TesseractRecognizer::shouldCancel;
    monitor.cancel_this = &request;
    const int status = api_->Recognize(&monitor);
    if (request.isCancelled()) {
        api_->Clear();
        throw TrovError::of(TrovError::taskCancelled);
    }
    if (status != 0) {
        api_->Clear();
        throw TrovError::platformFailure(QStringLiteral("Tesseract could not recognise the image."));
    }
    OCRResponse response{recognisedLines(), false};
    api_->Clear();
    return response;
}

QImage TesseractRecognizer::flattenedOntoWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);
    QImage flattened(image.size(), QImage::Format_RGB888);
    flattened.fill(Qt::white);
    QPainter painter(&flattened);
    painter.drawImage(0, 0, image);
    painter.end();
    return flattened;
}

bool TesseractRecognizer::hasDarkBackground(const QImage &page)
{
    // Text covers a small share of a crop, so the mean is the background's.
    constexpr int side = 32;
    const QImage sample = page.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_Grayscale8);
    long total = 0;
    for (int y = 0; y < side; ++y) {
        const uchar *row = sample.constScanLine(y);
        for (int x = 0; x < side; ++x)
            total += row[x];
    }
    return total < long(darkBackgroundLevel) * side * side;
}

void TesseractRecognizer::initialise(const QString &languages)
{
    if (api_ && languages == loadedLanguages_)
        return;
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    loadedLanguages_.clear();
    // Tesseract otherwise writes its diagnostics to stderr.
    api_->SetVariable("debug_file", "/dev/null");
    if (api_->Init(nullptr, languages.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0) {
        api_.reset();
        throw TrovError::platformFailure(
            QStringLiteral("Tesseract could not load its data for the language “%1”.").arg(languages));
    }
    loadedLanguages_ = languages;
}

int TesseractRecognizer::upscaleFactor()
{
    // The layout analysis is cheap next to recognition and tells how tall the
    // text lines are before the expensive pass.
    std::unique_ptr<tesseract::PageIterator> lines(api_->AnalyseLayout());
    if (!lines)
        return 1;
    std::vector<int> heights;
    do {
        int left = 0, top = 0, right = 0, bottom = 0;
        if (lines->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
            heights.push_back(bottom - top);
    } while (lines->Next(tesseract::RIL_TEXTLINE));
    if (heights.empty())
        return 1;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    const int medianHeight = std::max(1, heights[heights.size() / 2]);
    return std::clamp((comfortableLineHeight + medianHeight - 1) / medianHeight, 1, largestUpscale);
}

QString TesseractRecognizer::recognisedLines()
{
    QStringList lines;
    std::unique_ptr<tesseract::ResultIterator> iterator(api_->GetIterator());
    if (!iterator)
        return QString();
    do {
        const std::unique_ptr<char[]> text(iterator->GetUTF8Text(tesseract::RIL_TEXTLINE));
        if (!text)
            continue;
        QString line = QString::fromUtf8(text.get());
        // Tesseract ends every line with "\n" and every paragraph with another.
        while (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    } while (iterator->Next(tesseract::RIL_TEXTLINE));
    return lines.join(QLatin1Char('\n'));
}

bool TesseractRecognizer::shouldCancel(void *request, int)
{
    return static_cast<TextRecognitionRequest *>(request)->isCancelled();
}

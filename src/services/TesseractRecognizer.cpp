#include "services/TesseractRecognizer.h"

#include "models/TrovError.h"
#include "services/BlockCursorEraser.h"
#include "services/ContrastNormalizer.h"
#include "services/MarkerRun.h"
#include "services/QuoteShape.h"
#include "services/ScreenTextCleanup.h"
#include "services/TesseractLanguages.h"
#include "services/TextureEraser.h"

#include <QPainter>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/pageiterator.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <array>
#include <malloc.h>
#include <optional>
#include <stop_token>
#include <vector>

namespace {

// Text lines shorter than this (small screen text, 9-16 px fonts) are scaled
// up to reach it. Measured with the OCR benchmark's generated set: without
// upscaling 9-12 px text loses about 1% of its characters; lines of 20 px
// read perfectly, and aiming higher only costs time.
constexpr int comfortableLineHeight = 20;
constexpr int largestUpscale = 4;
// Upscaling never makes a page larger than this: Tesseract needs several bytes
// per pixel, and a large page has enough pixels per line already.
constexpr double largestUpscaledPixelCount = 25'000'000;

// Pixels this far from the page's commonest grey are ink, even faint grey
// text; the margin kept around it is the ground Tesseract expects around text.
constexpr int inkContrast = 24;
constexpr int inkMargin = 16;

// A crop of a window or two (up to this size, mostly one ground) reads best
// as one block of text. Anything else (a photo, a scan, a whole screen, a
// texture) goes through Tesseract's own page analysis, which sets aside
// pictures and textures that hold no text: forced into one block, a
// 12-megapixel texture took Tesseract two minutes to turn into lines of junk.
constexpr double largestSingleBlockPixelCount = 1'000'000;
constexpr double smallestGroundShare = 0.5;

// Below this mean grey level the picture is light text on a dark background.
constexpr int darkBackgroundLevel = 128;

// A checkbox or radio button in front of its label reads as one or two
// symbols ("®", "@", "©", "®@") that is square and taller than the capitals of the word
// after it; the font's own "©" or "®" is no taller than a capital.
constexpr double toggleAspectLimit = 1.3;
constexpr double toggleHeightOverCapital = 1.08;

// Words read with less confidence than this are not measured for the page's
// letters.
constexpr float doubtedWordConfidence = 60;

struct RecognisedWord : ScreenWord {
    static RecognisedWord at(const tesseract::ResultIterator &iterator)
    {
        RecognisedWord word;
        const std::unique_ptr<char[]> text(iterator.GetUTF8Text(tesseract::RIL_WORD));
        word.text = QuoteShape::asDrawn(iterator, text ? QString::fromUtf8(text.get()) : QString());
        int left = 0, top = 0, right = 0, bottom = 0;
        iterator.BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom);
        word.box = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        word.glyphs = glyphBoxes(iterator, word.text);
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (iterator.Baseline(tesseract::RIL_WORD, &x1, &y1, &x2, &y2)) {
            word.baseline = std::max(y1, y2);
            word.capitalHeight = word.baseline - word.topOfLetters();
        }
        word.confidence = iterator.Confidence(tesseract::RIL_WORD);
        return word;
    }

    // The box of each character, from the word's symbols.
    static std::vector<QRect> glyphBoxes(const tesseract::ResultIterator &word, const QString &text)
    {
        std::vector<QRect> boxes;
        tesseract::ResultIterator symbol(word);
        do {
            const std::unique_ptr<char[]> utf8(symbol.GetUTF8Text(tesseract::RIL_SYMBOL));
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!utf8 || QString::fromUtf8(utf8.get()).size() != 1 ||
                !symbol.BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
                return {};
            boxes.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
        } while (!symbol.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) &&
                 symbol.Next(tesseract::RIL_SYMBOL));
        if (qsizetype(boxes.size()) != text.size())
            return {};
        return boxes;
    }

    // The top of the word's glyphs other than bars, which may be a caret
    // taller than any letter; the box's top without glyphs.
    int topOfLetters() const
    {
        int top = box.top();
        bool found = false;
        for (size_t i = 0; i < glyphs.size(); ++i) {
            if (text[qsizetype(i)] == QLatin1Char('|'))
                continue;
            top = found ? std::min(top, glyphs[i].top()) : glyphs[i].top();
            found = true;
        }
        return top;
    }

    bool looksLikeToggle(const RecognisedWord &neighbour) const
    {
        if (text.isEmpty() || text.size() > 2 || box.isEmpty() ||
            std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }))
            return false;
        const double aspect = double(box.width()) / box.height();
        return aspect <= toggleAspectLimit && aspect >= 1 / toggleAspectLimit && neighbour.capitalHeight > 0 &&
               box.height() >= toggleHeightOverCapital * neighbour.capitalHeight;
    }
};

void throwIfCancelled(const TextRecognitionRequest &request)
{
    if (request.isCancelled())
        throw TrovError::of(TrovError::taskCancelled);
}

// How many pixels lie within inkContrast of the commonest grey (sampling
// every other row and column), and that grey.
struct Ground {
    int level = 0;
    double share = 0;

    static Ground of(const QImage &page);
};

tesseract::PageSegMode segmentationFor(const QImage &page, const Ground &ground)
{
    const bool windowCrop =
        double(page.width()) * page.height() <= largestSingleBlockPixelCount && ground.share >= smallestGroundShare;
    return windowCrop ? tesseract::PSM_SINGLE_BLOCK : tesseract::PSM_AUTO;
}

void setImage(tesseract::TessBaseAPI &api, const QImage &page)
{
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    api.SetImage(page.constBits(), page.width(), page.height(), bytesPerPixel, static_cast<int>(page.bytesPerLine()));
    // Screen text has no meaningful resolution; saying so keeps Tesseract from
    // guessing (and from complaining on its debug channel).
    api.SetSourceResolution(70);
}

int greyLevel(const uchar *pixel, int bytesPerPixel)
{
    return bytesPerPixel == 1 ? pixel[0] : (pixel[0] * 11 + pixel[1] * 16 + pixel[2] * 5) / 32;
}

Ground Ground::of(const QImage &page)
{
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    std::array<int, 256> histogram{};
    for (int y = 0; y < page.height(); y += 2) {
        const uchar *row = page.constScanLine(y);
        for (int x = 0; x < page.width(); x += 2)
            ++histogram[greyLevel(row + x * bytesPerPixel, bytesPerPixel)];
    }
    Ground ground;
    ground.level = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    long near = 0, all = 0;
    for (int level = 0; level < 256; ++level) {
        all += histogram[size_t(level)];
        if (std::abs(level - ground.level) < inkContrast)
            near += histogram[size_t(level)];
    }
    ground.share = all > 0 ? double(near) / double(all) : 1;
    return ground;
}

// The page without its empty margins: a crop of a sparse window is mostly
// ground, and Tesseract's thresholding and layout analysis take time with
// every pixel, upscaled or not. Nothing when the page holds no ink at all.
std::optional<QImage> croppedToInk(const QImage &page, int ground)
{
    const int bytesPerPixel = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const uchar *row = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x) {
            if (std::abs(greyLevel(row + x * bytesPerPixel, bytesPerPixel) - ground) < inkContrast)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return std::nullopt;
    const QRect ink =
        QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-inkMargin, -inkMargin, inkMargin, inkMargin);
    const QRect kept = ink.intersected(page.rect());
    // (copy() of an empty rectangle would return the whole image.)
    return kept == page.rect() || kept.isEmpty() ? page : page.copy(kept);
}

int median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The ink of `box` in Tesseract's binarised page, dark on white.
QImage inkIn(Pix *binary, const QRect &box)
{
    const QRect kept = box.intersected(QRect(0, 0, pixGetWidth(binary), pixGetHeight(binary)));
    QImage ink(kept.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < kept.height(); ++y) {
        uchar *row = ink.scanLine(y);
        for (int x = 0; x < kept.width(); ++x) {
            l_uint32 value = 0;
            pixGetPixel(binary, kept.left() + x, kept.top() + y, &value);
            row[x] = value ? 0 : 255;
        }
    }
    return ink;
}

// The page's sure words: the height of their capitals and the advance from
// one glyph to the next (a terminal's cell).
struct PageLetters {
    int capitalHeight = 0;
    int cellWidth = 0;

    static PageLetters of(const std::vector<std::vector<RecognisedWord>> &lines)
    {
        std::vector<int> capitals, advances;
        for (const auto &line : lines) {
            for (const RecognisedWord &word : line) {
                if (word.confidence < doubtedWordConfidence ||
                    std::count_if(word.text.begin(), word.text.end(), [](QChar c) { return c.isLetterOrNumber(); }) < 2)
                    continue;
                capitals.push_back(word.capitalHeight);
                for (size_t i = 1; i < word.glyphs.size(); ++i)
                    advances.push_back(word.glyphs[i].left() - word.glyphs[i - 1].left());
            }
        }
        return {median(std::move(capitals)), median(std::move(advances))};
    }
};

// Words that may be a compiler's "~~~~ ^" marks are read from their ink,
// measured against the page's sure words.
void readMarkerRuns(tesseract::TessBaseAPI &api, std::vector<std::vector<RecognisedWord>> &lines)
{
    const PageLetters letters = PageLetters::of(lines);
    const int capitalHeight = letters.capitalHeight, cellWidth = letters.cellWidth;
    Pix *binary = nullptr;
    for (auto &line : lines) {
        // Neighbouring candidates are read as one, with the ink between them:
        // Tesseract may leave a "^" between two runs of "~" out of both.
        for (size_t first = 0; first < line.size(); ++first) {
            if (!MarkerRun::couldBe(line[first], capitalHeight, cellWidth))
                continue;
            size_t end = first + 1;
            QRect box = line[first].box;
            for (; end < line.size() && MarkerRun::couldBe(line[end], capitalHeight, cellWidth); ++end)
                box |= line[end].box;
            if (!binary && !(binary = api.GetThresholdedImage()))
                return;
            const QString marks = MarkerRun::read(inkIn(binary, box), cellWidth, capitalHeight);
            if (!marks.isEmpty()) {
                line[first].text = marks;
                line[first].box = box;
                line[first].confidence = 100;
                line[first].glyphs.clear();
                for (size_t i = first + 1; i < end; ++i)
                    line[i].text.clear();
            }
            first = end - 1;
        }
    }
    pixDestroy(&binary);
}

} // namespace

TesseractRecognizer::TesseractRecognizer() = default;
TesseractRecognizer::~TesseractRecognizer() = default;

OCRResponse TesseractRecognizer::recognize(const QImage &image, TextRecognitionRequest &request)
{
    initialise(request.language());
    if (image.isNull())
        return OCRResponse{};

    // Tesseract checks for a cancellation only while it recognises words, not
    // in its page analysis; the steps before it are checked here, between
    // them, and textures, which make that analysis take seconds, are erased.
    QImage page = flattenedOntoWhite(image);
    throwIfCancelled(request);
    if (std::optional<QImage> normalized = ContrastNormalizer::normalized(page)) {
        page = std::move(*normalized);
    } else if (hasDarkBackground(page)) {
        // Tesseract reads dark text on light ground; dark-mode crops otherwise
        // go through its slower per-line inversion retries (about a third
        // slower in the benchmark).
        page.invertPixels();
    }
    const Ground ground = Ground::of(page);
    // Before the cursor search, which goes through every patch of ink.
    TextureEraser::erase(page, ground.level, request.stopToken());
    throwIfCancelled(request);
    BlockCursorEraser::erase(page);
    std::optional<QImage> inked = croppedToInk(page, ground.level);
    if (!inked)
        return OCRResponse{};
    page = std::move(*inked);
    throwIfCancelled(request);
    api_->SetPageSegMode(segmentationFor(page, ground));
    setImage(*api_, page);
    const int factor = upscaleFactor(page.size());
    if (request.isCancelled()) {
        releasePageMemory();
        throw TrovError::of(TrovError::taskCancelled);
    }
    if (factor > 1) {
        page = page.scaled(page.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        setImage(*api_, page);
    }

    // Asked after every word Tesseract recognises.
    std::stop_token stopToken = request.stopToken();
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &TesseractRecognizer::shouldCancel;
    monitor.cancel_this = &stopToken;
    const int status = api_->Recognize(&monitor);
    if (request.isCancelled()) {
        releasePageMemory();
        throw TrovError::of(TrovError::taskCancelled);
    }
    if (status != 0) {
        releasePageMemory();
        throw TrovError::platformFailure(QStringLiteral("Tesseract could not recognise the image."));
    }
    OCRResponse response{recognisedLines(), false};
    releasePageMemory();
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

void TesseractRecognizer::initialise(const QString &requestedLanguage)
{
    // The same request as last time needs no new look at the installed data.
    if (api_ && requestedLanguage == requestedLanguage_)
        return;
    const QString languages = TesseractLanguages::resolve(requestedLanguage);
    if (api_ && languages == loadedLanguages_) {
        requestedLanguage_ = requestedLanguage;
        return;
    }
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    loadedLanguages_.clear();
    requestedLanguage_.clear();
    TesseractLanguages::silenceDiagnostics();
    if (api_->Init(nullptr, languages.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0) {
        api_.reset();
        throw TrovError::platformFailure(
            QStringLiteral("Tesseract could not load its data for the language “%1”.").arg(languages));
    }
    loadedLanguages_ = languages;
    requestedLanguage_ = requestedLanguage;
}

int TesseractRecognizer::upscaleFactor(QSize pageSize)
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
    int factor = std::clamp((comfortableLineHeight + medianHeight - 1) / medianHeight, 1, largestUpscale);
    const double pixels = double(pageSize.width()) * pageSize.height();
    while (factor > 1 && pixels * factor * factor > largestUpscaledPixelCount)
        --factor;
    return factor;
}

QString TesseractRecognizer::recognisedLines()
{
    std::unique_ptr<tesseract::ResultIterator> iterator(api_->GetIterator());
    if (!iterator || iterator->Empty(tesseract::RIL_WORD))
        return QString();
    std::vector<std::vector<RecognisedWord>> lines;
    do {
        if (lines.empty() || iterator->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            lines.emplace_back();
        lines.back().push_back(RecognisedWord::at(*iterator));
    } while (iterator->Next(tesseract::RIL_WORD));
    readMarkerRuns(*api_, lines);
    QStringList texts;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<RecognisedWord> &words = lines[i];
        // The mark of a checkbox or radio button the line starts with is no text.
        const bool toggle = words.size() >= 2 && words[0].looksLikeToggle(words[1]);
        const QString line = ScreenTextCleanup::line({words.begin() + (toggle ? 1 : 0), words.end()}, i == 0);
        if (!line.isEmpty())
            texts.append(line);
    }
    return texts.join(QLatin1Char('\n'));
}

void TesseractRecognizer::releasePageMemory()
{
    api_->Clear();
    // The page's copies (several megabytes each for a large crop) were freed
    // into the malloc arena of whichever pool thread ran this; a resident tray
    // program should not keep that peak. Returning it costs well under a
    // millisecond and lowered the benchmark's peak RSS by about 5 MB.
    malloc_trim(0);
}

bool TesseractRecognizer::shouldCancel(void *stopToken, int)
{
    return static_cast<const std::stop_token *>(stopToken)->stop_requested();
}

// Recognition benchmark: image file -> ImageLoader -> VisionOCR -> normalised
// text, one JSON object per file and a summary, optionally side by side with
// the `tesseract` command-line program on the same files in the same run.
//
//   ravelond-ocr-bench [--language CODE] [--compare-cli] FILE...
//
// Without files it renders a set of text images of known content (DejaVu,
// 9-48 px, light and dark backgrounds, scale 1 and 2) and adds each file's
// character accuracy.

#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "platform/OpenMPThreadLimit.h"
#include "services/ImageLoader.h"
#include "services/TesseractLanguages.h"
#include "services/VisionOCR.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <optional>
#include <sys/resource.h>
#include <vector>

namespace {

struct Options {
    QString language = QStringLiteral("auto");
    bool compareCli = false;
    QStringList files;
};

struct Sample {
    QString file;
    std::optional<QString> expected; // only for the generated set
    int pixelSize = 0;
};

struct Measurement {
    double decodeMs = 0;
    double recognizeMs = 0;
    std::optional<double> cliMs;
    std::optional<double> accuracy;
    std::optional<double> cliAccuracy;
    int pixelSize = 0;
};

// Writes one JSON object on one line, keys in the order they are added.
class JsonLine {
public:
    JsonLine &add(const char *key, const QString &value) { return addRaw(key, quoted(value)); }
    JsonLine &add(const char *key, double value, int decimals = 1)
    {
        return addRaw(key, QString::number(value, 'f', decimals));
    }
    JsonLine &add(const char *key, bool value) { return addRaw(key, value ? "true" : "false"); }
    void print() const { std::printf("{%s}\n", qPrintable(fields_.join(QLatin1Char(',')))); }

private:
    JsonLine &addRaw(const char *key, const QString &value)
    {
        fields_.append(quoted(QLatin1String(key)) + QLatin1Char(':') + value);
        return *this;
    }
    static QString quoted(const QString &text)
    {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    }
    QStringList fields_;
};

std::optional<Options> parseArguments(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--compare-cli")) {
            options.compareCli = true;
        } else if (argument == QLatin1String("--language")) {
            if (++i >= arguments.size())
                return std::nullopt;
            options.language = arguments[i];
        } else if (argument.startsWith(QLatin1String("--"))) {
            return std::nullopt;
        } else {
            options.files.append(argument);
        }
    }
    return options;
}

// Generated set -----------------------------------------------------------

const QStringList sampleLines = {
    QStringLiteral("The quick brown fox jumps over the lazy dog."),
    QStringLiteral("Invoice 2024-117: total 1,348.50 EUR due May 3."),
    QStringLiteral("Pack my box with five dozen liquor jugs!"),
    QStringLiteral("Error 404 at line 88 (see config.yaml)"),
    QStringLiteral("Sphinx of black quartz, judge my vow."),
    QStringLiteral("Meeting moved to 14:30 in room B-12."),
};

QImage renderText(const QString &text, int pixelSize, bool dark, int scale)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int margin = pixelSize;
    const QSize logical(width + 2 * margin, int(lines.size()) * metrics.lineSpacing() + 2 * margin);

    QImage image(logical * scale, QImage::Format_RGB32);
    image.fill(dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xfa, 0xfa, 0xfa));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.setFont(font);
    painter.setPen(dark ? QColor(0xe6, 0xe6, 0xe6) : QColor(0x1d, 0x1d, 0x1f));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

std::vector<Sample> generateSamples(const QString &folder)
{
    std::vector<Sample> samples;
    int index = 0;
    for (int pixelSize : {9, 10, 11, 12, 14, 16, 20, 24, 32, 48}) {
        for (bool dark : {false, true}) {
            for (int scale : {1, 2}) {
                const QString text = sampleLines[index % sampleLines.size()] + QLatin1Char('\n') +
                                     sampleLines[(index + 1) % sampleLines.size()];
                const QString file = QStringLiteral("%1/text-%2px-%3-x%4.png")
                                         .arg(folder)
                                         .arg(pixelSize, 2, 10, QLatin1Char('0'))
                                         .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"))
                                         .arg(scale);
                renderText(text, pixelSize, dark, scale).save(file);
                samples.push_back(Sample{file, text, pixelSize});
                ++index;
            }
        }
    }
    return samples;
}

// Figures ---------------------------------------------------------------------

double characterAccuracy(const QString &expected, const QString &actual)
{
    // Levenshtein distance over UTF-16 units (the texts are ASCII).
    std::vector<int> previous(actual.size() + 1), current(actual.size() + 1);
    std::iota(previous.begin(), previous.end(), 0);
    for (qsizetype i = 1; i <= expected.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= actual.size(); ++j) {
            const int substitution = previous[j - 1] + (expected[i - 1] == actual[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return std::max(0.0, 1.0 - double(previous[actual.size()]) / double(std::max<qsizetype>(1, expected.size())));
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = size_t(std::ceil(fraction * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double mean(const std::vector<double> &values)
{
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

struct CliRun {
    QString text;
    double ms = 0;
};

// The command-line program, on the same file and languages.
CliRun runCli(const QString &file, const QString &languages)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(QStringLiteral("tesseract"), {file, QStringLiteral("stdout"), QStringLiteral("-l"), languages,
                                                QStringLiteral("--oem"), QStringLiteral("1")});
    process.waitForFinished(-1);
    const double ms = elapsedMs(timer);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {QStringLiteral("<tesseract failed: %1>").arg(process.errorString()), ms};
    return {TextProcessing::normalize(QString::fromUtf8(process.readAllStandardOutput()), true), ms};
}

QCoro::Task<std::optional<Measurement>> measure(const Sample &sample, const Options &options, const QString &languages)
{
    JsonLine line;
    line.add("file", sample.file);
    Measurement measurement;
    measurement.pixelSize = sample.pixelSize;
    QString text;
    try {
        QElapsedTimer timer;
        timer.start();
        const QImage image = co_await ImageLoader::load(sample.file);
        measurement.decodeMs = elapsedMs(timer);
        timer.restart();
        const OCRResponse response = co_await VisionOCR::shared().read(image, options.language);
        measurement.recognizeMs = elapsedMs(timer);
        text = TextProcessing::normalize(response.text, true);
    } catch (const TrovError &error) {
        line.add("error", error.errorDescription()).print();
        co_return std::nullopt;
    }
    line.add("text", text).add("decode_ms", measurement.decodeMs).add("recognize_ms", measurement.recognizeMs);
    if (sample.expected) {
        measurement.accuracy = characterAccuracy(*sample.expected, text);
        line.add("expected", *sample.expected).add("accuracy", *measurement.accuracy, 4);
    }
    if (options.compareCli) {
        const CliRun cli = runCli(sample.file, languages);
        measurement.cliMs = cli.ms;
        line.add("cli_text", cli.text).add("cli_ms", cli.ms);
        if (sample.expected) {
            measurement.cliAccuracy = characterAccuracy(*sample.expected, cli.text);
            line.add("cli_accuracy", *measurement.cliAccuracy, 4);
        }
    }
    line.print();
    co_return measurement;
}

void printSummary(const std::vector<Measurement> &measurements, int failures)
{
    std::vector<double> decode, recognize, cli, accuracy, cliAccuracy, smallAccuracy, smallCliAccuracy;
    for (const Measurement &m : measurements) {
        decode.push_back(m.decodeMs);
        recognize.push_back(m.recognizeMs);
        if (m.cliMs)
            cli.push_back(*m.cliMs);
        if (m.accuracy) {
            accuracy.push_back(*m.accuracy);
            if (m.pixelSize <= 12)
                smallAccuracy.push_back(*m.accuracy);
        }
        if (m.cliAccuracy) {
            cliAccuracy.push_back(*m.cliAccuracy);
            if (m.pixelSize <= 12)
                smallCliAccuracy.push_back(*m.cliAccuracy);
        }
    }
    JsonLine summary;
    summary.add("summary", true)
        .add("files", double(measurements.size()), 0)
        .add("failures", double(failures), 0)
        .add("decode_ms_median", percentile(decode, 0.5))
        .add("decode_ms_p95", percentile(decode, 0.95))
        .add("recognize_ms_median", percentile(recognize, 0.5))
        .add("recognize_ms_p95", percentile(recognize, 0.95));
    if (!cli.empty()) {
        summary.add("cli_ms_median", percentile(cli, 0.5))
            .add("cli_ms_p95", percentile(cli, 0.95))
            .add("median_ratio", percentile(recognize, 0.5) / std::max(1e-9, percentile(cli, 0.5)), 3);
    }
    if (!accuracy.empty())
        summary.add("accuracy_mean", mean(accuracy), 4).add("accuracy_mean_9_to_12_px", mean(smallAccuracy), 4);
    if (!cliAccuracy.empty()) {
        summary.add("cli_accuracy_mean", mean(cliAccuracy), 4)
            .add("cli_accuracy_mean_9_to_12_px", mean(smallCliAccuracy), 4);
    }
    summary.add("peak_rss_mb", peakResidentMegabytes()).print();
}

// Kept free of temporaries in co_await expressions: GCC 12 miscompiles some.
QCoro::Task<int> runBenchmark(const Options &options, const std::vector<Sample> &samples, const QString &languages)
{
    std::vector<Measurement> measurements;
    int failures = 0;
    for (const Sample &sample : samples) {
        const std::optional<Measurement> measurement = co_await measure(sample, options, languages);
        if (measurement)
            measurements.push_back(*measurement);
        else
            ++failures;
    }
    printSummary(measurements, failures);
    co_return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    OpenMPThreadLimit::enforceSingleThread(argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::optional<Options> options = parseArguments(arguments);
    if (!options) {
        std::fprintf(stderr, "usage: ravelond-ocr-bench [--language CODE] [--compare-cli] FILE...\n");
        return 2;
    }
    QString languages;
    try {
        languages = TesseractLanguages::resolve(options->language);
    } catch (const TrovError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.errorDescription()));
        return 2;
    }
    const QTemporaryDir generatedFolder;
    std::vector<Sample> samples;
    if (options->files.isEmpty())
        samples = generateSamples(generatedFolder.path());
    for (const QString &file : options->files)
        samples.push_back(Sample{file, std::nullopt, 0});

    std::optional<QCoro::Task<>> running;
    QTimer::singleShot(0, &app, [&] {
        running.emplace(
            runBenchmark(*options, samples, languages).then([](int exitCode) { QCoreApplication::exit(exitCode); }));
    });
    return QGuiApplication::exec();
}

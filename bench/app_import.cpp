// What the application model adds to a recognition: the same image imported
// through AppModel (importImage → copied) and recognised bare (ImageLoader →
// VisionOCR), alternating, in one run.
//
//   ravelond-app-import [RUNS]
//
// Prints one JSON object with the medians of both and their ratio.

#include "Statistics.h"

#include "app/AppComposition.h"
#include "app/SmokeTest.h"
#include "platform/DefaultsDomain.h"
#include "platform/Pasteboard.h"
#include "services/ClipboardService.h"
#include "services/ImageLoader.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QCoroSignal>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A typical crop: three lines of text, 1000 × 300.
QString writeSample(const QString &folder)
{
    QImage image(1000, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(30, 70), QStringLiteral("Quarterly report, third revision"));
    painter.drawText(QPointF(30, 150), QStringLiteral("Net revenue grew 12.4% to 1,234.50 EUR"));
    painter.drawText(QPointF(30, 230), QStringLiteral("Contact: billing@example.org"));
    painter.end();
    const QString path = QDir(folder).filePath(QStringLiteral("sample.png"));
    image.save(path);
    return path;
}

QCoro::Task<double> bareRecognition(QString path)
{
    QElapsedTimer clock;
    clock.start();
    const QImage image = co_await ImageLoader::load(path);
    co_await VisionOCR::recognize(image, QStringLiteral("auto"));
    co_return double(clock.nsecsElapsed()) / 1e6;
}

QCoro::Task<double> importThroughModel(AppModel &model, QString path)
{
    QElapsedTimer clock;
    clock.start();
    model.importImage(path);
    if (model.isOperationRunning())
        co_await qCoro(&model, &AppModel::operationEnded);
    if (model.phase() != CapturePhase::copiedPhase())
        std::fprintf(stderr, "import did not reach the copied phase: %s\n", qPrintable(model.lastError()));
    co_return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    QTemporaryDir folder;
    const QString sample = writeSample(folder.path());
    AppComposition composition(SmokeTest::privateName());
    composition.settings().setPlaySound(false);
    const QString pasteboardName = SmokeTest::privateName();
    Pasteboard &pasteboard = Pasteboard::named(pasteboardName);
    std::vector<double> bare;
    std::vector<double> imported;
    {
        AppModel model(composition.modelDependencies());
        model.copyText = [&pasteboard](const QString &text) { return ClipboardService::copy(text, pasteboard); };

        // One warm-up of each loads the recogniser's model once.
        QCoro::waitFor(bareRecognition(sample));
        QCoro::waitFor(importThroughModel(model, sample));
        for (int run = 0; run < runs; ++run) {
            bare.push_back(QCoro::waitFor(bareRecognition(sample)));
            imported.push_back(QCoro::waitFor(importThroughModel(model, sample)));
        }
        QCoro::waitFor(model.shutdown());
    }
    Pasteboard::releaseNamed(pasteboardName);
    composition.defaults().removeDomain();

    const double bareMedian = Statistics::median(bare);
    const double importMedian = Statistics::median(imported);
    QJsonObject summary{{QStringLiteral("runs"), runs},
                        {QStringLiteral("bare_recognition_median_ms"), bareMedian},
                        {QStringLiteral("app_import_median_ms"), importMedian},
                        {QStringLiteral("overhead_percent"), (importMedian / bareMedian - 1.0) * 100.0}};
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Compact).constData());
    return 0;
}

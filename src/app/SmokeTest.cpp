#include "app/SmokeTest.h"

#include "app/AppComposition.h"

#include "foundation/UuidText.h"
#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "platform/AppDirectories.h"
#include "platform/DefaultsDomain.h"
#include "platform/Pasteboard.h"
#include "platform/X11ScreenRecordingPermission.h"
#include "services/ClipboardService.h"
#include "services/MLXPaths.h"
#include "services/MLXService.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSaveFile>
#include <QUuid>

#include <cstdio>

QImage SmokeTest::fixture()
{
    QImage image(1200, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // Each line's lower-left corner sits 235 and 125 px above the picture's bottom edge.
    const int descent = painter.fontMetrics().descent();
    painter.drawText(QPointF(70, image.height() - 235 - descent), QString::fromLatin1(fixtureHeadline));
    painter.drawText(QPointF(70, image.height() - 125 - descent),
                     QStringLiteral("Invoice total: ") + QString::fromLatin1(fixtureAmount));
    return image;
}

QString SmokeTest::privateName()
{
    return QLatin1String(AppDirectories::bundleIdentifier) + QStringLiteral(".smoke.") + UuidText::fresh();
}

bool SmokeTest::verdict(const QVariantMap &report)
{
    for (const char *key : {"app_import_pass", "vision_pass", "clipboard_pass", "mlx_resources_present"}) {
        const QVariant value = report.value(QLatin1String(key));
        if (value.typeId() != QMetaType::Bool || !value.toBool())
            return false;
    }
    const QVariant mlxPass = report.value(QStringLiteral("mlx_pass"));
    return !mlxPass.isValid() || mlxPass.toBool();
}

bool SmokeTest::writeReport(const QString &path, const QVariantMap &report)
{
    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(report)).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
        return true;
    // The exit status does not carry the outcome, so this line is the only
    // sign that there is no report to read.
    std::fprintf(stderr, "ravelond: the smoke-test report could not be written to %s: %s\n",
                 qPrintable(QDir::toNativeSeparators(path)), qPrintable(file.errorString()));
    return false;
}

QCoro::Task<void> SmokeTest::run(QString reportPath, bool withMLX)
{
    QVariantMap report;
    report.insert(QStringLiteral("bundle_id"), QLatin1String(AppDirectories::bundleIdentifier));
    report.insert(QStringLiteral("screen_permission"), X11ScreenRecordingPermission::shared().hasPermission());

    std::unique_ptr<AppComposition> composition;
    QString pasteboardName;
    try {
        const QString folder = QFileInfo(reportPath).absolutePath();
        if (!QDir().mkpath(folder))
            throw TrovError::platformFailure(QStringLiteral("The folder “%1” could not be created.").arg(folder));

        const QImage picture = fixture();
        const QString fixturePath = QDir(folder).filePath(QLatin1String(fixtureFileName));
        QImageWriter(fixturePath, "png").write(picture);

        const OCRResponse response = co_await VisionOCR::recognize(picture, QStringLiteral("auto"));
        const QString visionText = TextProcessing::normalize(response.text, true);
        report.insert(QStringLiteral("vision_text"), visionText);
        report.insert(QStringLiteral("vision_pass"), visionText.contains(QLatin1String(fixtureHeadline)) &&
                                                         visionText.contains(QLatin1String(fixtureAmount)));

        pasteboardName = privateName();
        Pasteboard &pasteboard = Pasteboard::named(pasteboardName);
        const bool copiedToPasteboard = ClipboardService::copy(visionText, pasteboard);
        report.insert(QStringLiteral("clipboard_pass"),
                      copiedToPasteboard && pasteboard.string() == std::optional<QString>(visionText));

        // The program's own collaborators, but on a private defaults domain.
        composition = std::make_unique<AppComposition>(privateName());
        Preferences &settings = composition->settings();
        settings.setEngine(OCREngine::vision);
        settings.setPlaySound(false);
        {
            AppModel model(composition->modelDependencies());
            model.copyText = [&pasteboard](const QString &text) { return ClipboardService::copy(text, pasteboard); };
            // Only what the import itself writes may pass the check below.
            pasteboard.clearContents();

            model.importImage(fixturePath);
            if (model.isOperationRunning())
                co_await qCoro(&model, &AppModel::operationEnded, importWait);

            const auto latest = model.latest();
            report.insert(QStringLiteral("app_import_pass"),
                          model.phase() == CapturePhase::copiedPhase() && model.completedCount() == 1 && latest &&
                              latest->engine == OCREngine::vision && latest->text == visionText &&
                              pasteboard.string() == std::optional<QString>(visionText));
            co_await model.shutdown();
        }
        Pasteboard::releaseNamed(std::exchange(pasteboardName, QString()));

        report.insert(QStringLiteral("mlx_resources_present"),
                      MLXPaths::resource(QStringLiteral("worker")).has_value() &&
                          MLXPaths::resource(QStringLiteral("setup_mlx")).has_value());
        report.insert(QStringLiteral("mlx_installed"), MLXPaths::isReady());

        if (withMLX) {
            MLXService service;
            std::exception_ptr failure;
            try {
                const OCRResponse answer = co_await service.recognize(fixturePath, MLXTask::text);
                report.insert(QStringLiteral("mlx_text"), answer.text);
                report.insert(QStringLiteral("mlx_pass"),
                              answer.text.contains(QLatin1String(fixtureAmount)) && !answer.truncated);
            } catch (...) {
                failure = std::current_exception();
            }
            // The worker never outlives the run, whatever happened.
            co_await service.shutdown();
            if (failure)
                std::rethrow_exception(failure);
        }
        report.insert(QStringLiteral("passed"), verdict(report));
    } catch (const TrovError &error) {
        report.insert(QStringLiteral("passed"), false);
        report.insert(QStringLiteral("error"), error.errorDescription());
    } catch (const std::exception &error) {
        report.insert(QStringLiteral("passed"), false);
        report.insert(QStringLiteral("error"), QString::fromLocal8Bit(error.what()));
    }
    if (!pasteboardName.isEmpty())
        Pasteboard::releaseNamed(pasteboardName);
    if (composition)
        composition->defaults().removeDomain();
    writeReport(reportPath, report);
}

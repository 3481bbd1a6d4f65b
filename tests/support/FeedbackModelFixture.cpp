#include "support/FeedbackModelFixture.h"

#include "support/Await.h"
#include "support/TestEnvironment.h"

#include "app/SmokeTest.h"
#include "services/MLXPaths.h"
#include "services/TextRecognitionRequest.h"

#include <QCoroSignal>
#include <QDir>
#include <QFile>
#include <QTest>

FeedbackModelFixture::FeedbackModelFixture(const Adjust &adjust)
    : defaults_(SmokeTest::privateName()), settings_(defaults_),
      history_(QDir::temp().filePath(SmokeTest::privateName() + QStringLiteral(".json")), historyPasteboard_),
      recognition_(std::make_shared<Recognition>()),
      vision_([recognition = recognition_](const QImage &, TextRecognitionRequest &request) {
          // A cancel sets only the request's flag, which a recogniser polls.
          std::unique_lock lock(recognition->mutex);
          recognition->running = true;
          while (!recognition->released && !request.isCancelled())
              recognition->changed.wait_for(lock, std::chrono::milliseconds(5));
          recognition->running = false;
          return OCRResponse{recognition->answer, false};
      })
{
    mlxRoot_.installFakeWorker(QStringLiteral("silent"));
    settings_.setPlaySound(false);
    AppModel::Dependencies dependencies;
    dependencies.settings = &settings_;
    dependencies.history = &history_;
    dependencies.vision = &vision_;
    dependencies.selectImage = [this](bool practice, OCREngine, std::stop_token token) {
        selections.append(practice);
        if (onSelect)
            onSelect(practice);
        return selectPicture(token);
    };
    dependencies.mlxReady = [this] { return mlxReady_; };
    SelectionPlatform platform;
    platform.screens = &screens_;
    platform.permission = &permission_;
    dependencies.platform = platform;
    dependencies.workspace = &workspace_;
    dependencies.copySound = &sound_;
    dependencies.chooseImageFile = [this](std::function<void(const QString &)>) {
        calls << QStringLiteral("choose image");
    };
    if (adjust)
        adjust(dependencies);
    model_ = std::make_unique<AppModel>(std::move(dependencies));
    model_->copyText = [this](const QString &) { return clipboardAccepts; };
    model_->onSettings = [this] { calls << QStringLiteral("settings"); };
    model_->onDismissFeedback = [this] { calls << QStringLiteral("dismiss"); };
    model_->onReview = [this](const CaptureResult &result) { calls << QStringLiteral("review: ") + result.text; };
    model_->onHideSurfaces = [this] {
        calls << QStringLiteral("hide surfaces");
        if (onHideSurfaces)
            onHideSurfaces();
    };
}

FeedbackModelFixture::~FeedbackModelFixture()
{
    {
        const std::lock_guard lock(recognition_->mutex);
        recognition_->released = true;
    }
    recognition_->changed.notify_all();
    Q_EMIT selectionEnds();
    model_->cancel();
    if (!QTest::qWaitFor([this] { return !model_->isOperationRunning(); }, 10000))
        qWarning("an operation was still running at the end of the test");
    await(model_->shutdown());
    model_.reset();
    defaults_.removeDomain();
}

QCoro::Task<QImage> FeedbackModelFixture::selectPicture(std::stop_token token)
{
    if (selection_ == Selection::failure)
        throw failure_;
    if (selection_ == Selection::pending) {
        std::stop_callback onStop(token, [this] {
            QMetaObject::invokeMethod(this, &FeedbackModelFixture::selectionEnds, Qt::QueuedConnection);
        });
        co_await qCoro(this, &FeedbackModelFixture::selectionEnds);
        if (token.stop_requested())
            throw TrovError::of(TrovError::cancelled);
    }
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    co_return picture;
}

bool FeedbackModelFixture::reaches(CapturePhase::Kind kind)
{
    return QTest::qWaitFor([&] { return model_->phase().kind() == kind && !model_->isOperationRunning(); }, 10000);
}

void FeedbackModelFixture::useBuiltInRecogniser()
{
    settings_.setEngine(OCREngine::vision);
    mlxReady_ = true;
}

void FeedbackModelFixture::recognize(OCREngine engine)
{
    const bool idle = QTest::qWaitFor(
        [this] {
            const std::lock_guard lock(recognition_->mutex);
            return !recognition_->running;
        },
        10000);
    if (!idle)
        qWarning("the recogniser is still busy with an earlier recognition");
    mlxReady_ = true;
    settings_.setEngine(engine);
    selection_ = Selection::picture;
    model_->startCapture();
}

void FeedbackModelFixture::finishRecognition(const QString &text)
{
    {
        const std::lock_guard lock(recognition_->mutex);
        recognition_->answer = text;
        recognition_->released = true;
    }
    recognition_->changed.notify_all();
    reaches(CapturePhase::copied);
    const std::lock_guard lock(recognition_->mutex);
    recognition_->released = false;
}

void FeedbackModelFixture::copy(const QString &text)
{
    recognize(OCREngine::vision);
    finishRecognition(text);
}

void FeedbackModelFixture::copyAgain(const QString &text)
{
    model_->copyAgain(text);
}

void FeedbackModelFixture::cancel()
{
    useBuiltInRecogniser();
    selection_ = Selection::failure;
    failure_ = TrovError::of(TrovError::cancelled);
    model_->startCapture();
    reaches(CapturePhase::cancelled);
}

void FeedbackModelFixture::fail(const QString &message)
{
    useBuiltInRecogniser();
    selection_ = Selection::failure;
    failure_ = TrovError::platformFailure(message);
    model_->startCapture();
    reaches(CapturePhase::failed);
}

void FeedbackModelFixture::failNeedingSettings()
{
    settings_.setEngine(OCREngine::mlx);
    mlxReady_ = false;
    model_->startCapture();
}

void FeedbackModelFixture::select()
{
    useBuiltInRecogniser();
    selection_ = Selection::pending;
    model_->startCapture();
}

void FeedbackModelFixture::importImage(const QString &path, const QString &text)
{
    useBuiltInRecogniser();
    model_->importImage(path);
    finishRecognition(text);
}

void FeedbackModelFixture::setLocalEngineInstalled(bool installed)
{
    if (installed)
        mlxRoot_.markReady();
    else
        QFile::remove(MLXPaths::readyMarker());
    model_->mlxSetup().refresh();
}

QUuid FeedbackModelFixture::saveInHistory(const QString &text, int secondsAgo, bool pinned)
{
    history_.record(text, QDateTime::currentDateTime().addSecs(-secondsAgo));
    QUuid id;
    for (const ClipboardHistoryItem &item : history_.items()) {
        if (item.text == text)
            id = item.id;
    }
    if (pinned)
        history_.togglePin(id);
    return id;
}

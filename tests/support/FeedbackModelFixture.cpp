#include "support/FeedbackModelFixture.h"

#include "support/Await.h"
#include "support/TestEnvironment.h"

#include "app/SmokeTest.h"
#include "services/TextRecognitionRequest.h"

#include <QCoroSignal>
#include <QDir>
#include <QTest>

FeedbackModelFixture::FeedbackModelFixture()
    : defaults_(SmokeTest::privateName()), settings_(defaults_),
      history_(QDir::temp().filePath(SmokeTest::privateName() + QStringLiteral(".json")), historyPasteboard_),
      recognition_(std::make_shared<Recognition>()),
      vision_([recognition = recognition_](const QImage &, TextRecognitionRequest &) {
          std::shared_ptr<Gate> gate;
          {
              const std::lock_guard lock(recognition->mutex);
              gate = recognition->gate;
          }
          gate->wait();
          const std::lock_guard lock(recognition->mutex);
          return OCRResponse{recognition->answer, false};
      })
{
    mlxRoot_.installFakeWorker(QStringLiteral("silent"));
    settings_.setPlaySound(false);
    AppModel::Dependencies dependencies;
    dependencies.settings = &settings_;
    dependencies.history = &history_;
    dependencies.vision = &vision_;
    dependencies.selectImage = [this](bool, OCREngine, std::stop_token token) { return selectPicture(token); };
    dependencies.mlxReady = [this] { return mlxReady_; };
    SelectionPlatform platform;
    platform.screens = &screens_;
    platform.permission = &permission_;
    dependencies.platform = platform;
    dependencies.workspace = &workspace_;
    dependencies.copySound = &sound_;
    dependencies.chooseImageFile = [this](std::function<void(const QString &)>) {
        imagesChosen << QStringLiteral("asked");
    };
    model_ = std::make_unique<AppModel>(std::move(dependencies));
    model_->copyText = [this](const QString &) { return clipboardAccepts; };
    model_->onSettings = [this] { ++settingsOpened; };
    model_->onDismissFeedback = [this] { ++dismissals; };
    model_->onReview = [this](const CaptureResult &result) { reviewed << result.text; };
}

FeedbackModelFixture::~FeedbackModelFixture()
{
    {
        const std::lock_guard lock(recognition_->mutex);
        recognition_->gate->open();
    }
    Q_EMIT selectionEnds();
    model_->cancel();
    QTest::qWaitFor([this] { return !model_->isOperationRunning(); }, 10000);
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

void FeedbackModelFixture::recognize(OCREngine engine)
{
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
        recognition_->gate->open();
    }
    reaches(CapturePhase::copied);
    const std::lock_guard lock(recognition_->mutex);
    recognition_->gate = std::make_shared<Gate>();
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
    selection_ = Selection::failure;
    failure_ = TrovError::of(TrovError::cancelled);
    model_->startCapture();
    reaches(CapturePhase::cancelled);
}

void FeedbackModelFixture::fail(const QString &message)
{
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
    selection_ = Selection::pending;
    model_->startCapture();
}

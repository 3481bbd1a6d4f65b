#include "stores/AppModel.h"

#include "models/TextProcessing.h"
#include "platform/BootClockTimer.h"
#include "platform/CanberraSoundPlayer.h"
#include "platform/DefaultsDomain.h"
#include "platform/Screens.h"
#include "platform/X11Workspace.h"
#include "services/ClipboardService.h"
#include "services/ImageLoader.h"
#include "services/MLXService.h"
#include "services/MLXSetup.h"
#include "services/ScreenSelection.h"
#include "services/TemporaryImage.h"
#include "services/VisionOCR.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "support/Cancellation.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QElapsedTimer>
#include <QScreen>

AppModel::AppModel() : AppModel(Dependencies{})
{
}

AppModel::AppModel(Dependencies dependencies, QObject *parent)
    : QObject(parent), platform_(dependencies.platform.value_or(SelectionPlatform::system())),
      selectImage_(std::move(dependencies.selectImage)), mlxReady_(std::move(dependencies.mlxReady)),
      chooseImageFile_(std::move(dependencies.chooseImageFile))
{
    if (dependencies.settings) {
        settings_ = dependencies.settings;
    } else {
        ownDefaults_ = std::make_unique<DefaultsDomain>(DefaultsDomain::standardDomainName());
        ownSettings_ = std::make_unique<Preferences>(*ownDefaults_);
        settings_ = ownSettings_.get();
    }
    mlxSetup_ = new MLXSetup(settings_->defaults(), this);
    selection_ = new ScreenSelection(platform_, dependencies.presenter, this);
    mlx_ = new MLXService(this);

    if (dependencies.history) {
        history_ = dependencies.history;
    } else {
        ownHistory_ = std::make_unique<ClipboardHistoryStore>();
        history_ = ownHistory_.get();
    }
    vision_ = dependencies.vision ? dependencies.vision : &VisionOCR::shared();
    if (dependencies.workspace) {
        workspace_ = dependencies.workspace;
    } else {
        ownWorkspace_ = std::make_unique<X11Workspace>();
        workspace_ = ownWorkspace_.get();
    }
    if (dependencies.copySound) {
        copySound_ = dependencies.copySound;
    } else {
        ownCopySound_ = CanberraSoundPlayer::copySound();
        copySound_ = ownCopySound_.get();
    }
    copyText = [](const QString &text) { return ClipboardService::copy(text); };

    dismissTimer_ = new BootClockTimer(this);
    connect(dismissTimer_, &BootClockTimer::timeout, this, [this] {
        setPhase(CapturePhase::idlePhase());
        call(onDismissFeedback);
    });
    permissionGranted_ = selection_->hasPermission();
}

AppModel::~AppModel()
{
    // An operation still running ends without us: it checks for the model after every wait.
    if (operation_)
        operation_->stop.request_stop();
    // The services hold references to the defaults this model may own, which
    // as members would otherwise go before the QObject children do.
    delete mlx_;
    delete selection_;
    delete mlxSetup_;
}

std::optional<CaptureResult> AppModel::latest() const
{
    if (results_.isEmpty())
        return std::nullopt;
    return results_.first();
}

void AppModel::setShortcutConflict(bool conflict)
{
    if (shortcutConflict_ == conflict)
        return;
    shortcutConflict_ = conflict;
    Q_EMIT shortcutConflictChanged(conflict);
}

// MARK: Starting and cancelling

void AppModel::toggleCapture()
{
    if (phase_.isBusy())
        cancel();
    else
        startCapture();
}

void AppModel::cancel()
{
    if (operation_)
        operation_->stop.request_stop();
    selection_->cancel();
}

void AppModel::startCapture()
{
    startSelection(false);
}

void AppModel::startPractice()
{
    startSelection(true);
}

void AppModel::startSelection(bool practice)
{
    if (operation_)
        return;
    retrySource_ = {practice ? RetrySource::practice : RetrySource::screen, {}};
    prepareFeedback();
    if (!localEngineIsReady()) {
        fail(TrovError::of(TrovError::mlxNotReady));
        return;
    }
    setPermissionGranted(selection_->hasPermission());
    if (!practice && !permissionGranted_) {
        fail(TrovError::of(TrovError::permission));
        return;
    }
    rememberDestination();
    call(onHideSurfaces);
    setPhase(CapturePhase::selectingPhase());
    runOperation(retrySource_, beginOperation());
}

void AppModel::chooseImage()
{
    if (operation_ || !chooseImageFile_)
        return;
    rememberDestination();
    QPointer<AppModel> self(this);
    chooseImageFile_([self](const QString &path) {
        if (self && !path.isEmpty())
            self->importImage(path);
    });
}

void AppModel::importImage(const QString &path)
{
    if (operation_)
        return;
    retrySource_ = {RetrySource::image, path};
    prepareFeedback();
    if (!localEngineIsReady()) {
        fail(TrovError::of(TrovError::mlxNotReady));
        return;
    }
    call(onHideSurfaces);
    beginRecognition(settings_->engine());
    runOperation(retrySource_, beginOperation());
}

void AppModel::refreshPermission()
{
    setPermissionGranted(selection_->hasPermission());
    mlxSetup_->refresh();
}

bool AppModel::localEngineIsReady() const
{
    if (settings_->engine() != OCREngine::mlx)
        return true;
    return mlxReady_ ? mlxReady_() : mlxSetup_->isReady();
}

AppModel::RecognitionOptions AppModel::snapshotOptions() const
{
    return {settings_->engine(), settings_->mlxTask(), settings_->keepLineBreaks(), settings_->language()};
}

AppModel::RunningOperation &AppModel::beginOperation()
{
    operation_ = RunningOperation{QUuid::createUuid(), std::stop_source(), snapshotOptions()};
    return *operation_;
}

// MARK: The operation's task

QCoro::Task<void> AppModel::runOperation(RetrySource source, RunningOperation operation)
{
    QPointer<AppModel> self(this);
    const QUuid id = operation.id;
    const std::stop_token token = operation.stop.get_token();
    std::exception_ptr failure;
    try {
        QImage picture = co_await obtainPicture(source, operation.options.engine, token);
        if (!self || !isCurrent(id))
            co_return;
        // The feedback appears on the display where the user selected.
        if (source.kind != RetrySource::image)
            feedbackScreen_ = selection_->selectedScreen();
        Cancellation::throwIfRequested(token);
        co_await recognize(std::move(picture), id, operation.options, token);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (failure && isCurrent(id))
        handle(asTrovError(failure));
    endOperation(id);
}

QCoro::Task<QImage> AppModel::obtainPicture(RetrySource source, OCREngine engine, std::stop_token token)
{
    // An image file is decoded even when the operation is cancelled meanwhile;
    // the check after the picture has arrived drops it.
    if (source.kind == RetrySource::image)
        co_return co_await ImageLoader::load(source.path);
    const bool practice = source.kind == RetrySource::practice;
    if (selectImage_)
        co_return co_await selectImage_(practice, engine, token);
    if (practice)
        co_return co_await selection_->practice(engine, token);
    co_return co_await selection_->capture(engine, token);
}

QCoro::Task<void> AppModel::recognize(QImage image, QUuid operationID, RecognitionOptions options,
                                      std::stop_token token)
{
    QPointer<AppModel> self(this);
    if (!isCurrent(operationID))
        throw TrovError::of(TrovError::taskCancelled);
    beginRecognition(options.engine);
    QElapsedTimer clock;
    clock.start();

    const OCRResponse response = co_await runEngine(image, options, token);
    if (!self)
        throw TrovError::of(TrovError::taskCancelled);
    // A late answer of a cancelled or superseded operation is never used.
    Cancellation::throwIfRequested(token);
    if (!isCurrent(operationID))
        throw TrovError::of(TrovError::taskCancelled);
    if (response.truncated)
        throw TrovError::of(TrovError::truncated);

    // Formula and table answers always keep their lines.
    const bool keepLines = options.keepLines || (options.engine == OCREngine::mlx && options.task != MLXTask::text);
    const QString text = TextProcessing::normalize(response.text, keepLines);
    if (text.isEmpty())
        throw TrovError::of(TrovError::noText);
    keepAndCopy(CaptureResult(text, options.engine, double(clock.nsecsElapsed()) / 1e9));
}

QCoro::Task<OCRResponse> AppModel::runEngine(const QImage &image, const RecognitionOptions &options,
                                             std::stop_token token)
{
    if (options.engine == OCREngine::vision)
        co_return co_await vision_->read(image, options.language, token);

    // The local worker reads the picture from a private file, removed on every way out.
    QPointer<AppModel> self(this);
    TemporaryImage crop = co_await TemporaryImage::create(image);
    std::exception_ptr failure;
    OCRResponse response;
    try {
        // The model, and its worker client with it, may be gone once the crop is written.
        if (!self)
            throw TrovError::of(TrovError::taskCancelled);
        response = co_await mlx_->recognize(crop.url(), options.task, token);
    } catch (...) {
        failure = std::current_exception();
    }
    crop.remove();
    if (failure)
        std::rethrow_exception(failure);
    co_return response;
}

void AppModel::keepAndCopy(const CaptureResult &result)
{
    results_.prepend(result);
    const int limit = settings_->rememberSession() ? keptResultsWhenRemembering : 1;
    if (results_.size() > limit)
        results_.erase(results_.begin() + limit, results_.end());
    Q_EMIT resultsChanged();

    if (!copyText(result.text)) {
        if (onReview)
            onReview(result);
        throw TrovError::of(TrovError::clipboard);
    }
    ++completedCount_;
    Q_EMIT completedCountChanged(completedCount_);
    setCopySummary(wordsLabel(result.wordCount()) + QStringLiteral(" · ") + result.engine.title() +
                   QStringLiteral(" · ") + result.timing());
    copied();
    restoreDestination();
}

void AppModel::endOperation(const QUuid &operationID)
{
    if (!isCurrent(operationID))
        return;
    operation_.reset();
    Q_EMIT operationEnded();
}

bool AppModel::isCurrent(const QUuid &operationID) const
{
    return operation_ && operation_->id == operationID;
}

TrovError AppModel::asTrovError(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TrovError &error) {
        return error;
    } catch (const std::exception &error) {
        return TrovError::platformFailure(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return TrovError::platformFailure(QStringLiteral("An unexpected error occurred."));
    }
}

// MARK: Phases and feedback

void AppModel::beginRecognition(OCREngine engine)
{
    if (!recognitionStartedAt_)
        setRecognitionStartedAt(QDateTime::currentDateTime());
    setPhase(CapturePhase::recognizingWith(engine));
    call(onFeedback);
}

void AppModel::handle(const TrovError &error)
{
    if (!error.isCancellation()) {
        fail(error);
        return;
    }
    setPhase(CapturePhase::cancelledPhase());
    restoreDestination();
    call(onFeedback);
    scheduleDismiss(dismissAfterCancel_);
}

void AppModel::fail(const TrovError &error)
{
    cancelDismiss();
    failureNeedsSettings_ = error.kind() == TrovError::permission || error.kind() == TrovError::mlxNotReady;
    setLastError(error.errorDescription());
    setPhase(CapturePhase::failedPhase());
    call(onFeedback);
}

void AppModel::copied()
{
    setPhase(CapturePhase::copiedPhase());
    // A sound still playing from an earlier copy is neither restarted nor doubled.
    if (settings_->playSound() && copySound_ && !copySound_->isPlaying())
        copySound_->play(copySoundVolume);
    call(onFeedback);
    scheduleDismiss(dismissAfterCopy_);
}

void AppModel::prepareFeedback()
{
    setPhase(CapturePhase::idlePhase());
    cancelDismiss();
    feedbackHovered_ = false;
    feedbackFocused_ = false;
    setRecognitionStartedAt(std::nullopt);
    feedbackScreen_ = screenUnderPointer();
}

QScreen *AppModel::screenUnderPointer() const
{
    if (!platform_.screens)
        return nullptr;
    const QPointF pointer = platform_.screens->pointerLocation();
    for (QScreen *screen : platform_.screens->screens()) {
        // Half-open on both axes, so a point on a shared edge belongs to one display only.
        const QRectF frame = screen->geometry();
        if (pointer.x() >= frame.left() && pointer.x() < frame.left() + frame.width() && pointer.y() >= frame.top() &&
            pointer.y() < frame.top() + frame.height())
            return screen;
    }
    return platform_.screens->primaryScreen();
}

void AppModel::rememberDestination()
{
    const auto frontmost = workspace_->frontmostApplication();
    if (!frontmost)
        return;
    // Our own window in front keeps whatever was remembered before.
    if (frontmost->processId == QCoreApplication::applicationPid())
        return;
    destinationApp_ = frontmost;
}

void AppModel::restoreDestination()
{
    if (destinationApp_)
        workspace_->activate(*destinationApp_);
}

void AppModel::scheduleDismiss(std::chrono::milliseconds delay)
{
    cancelDismiss();
    if (feedbackHovered_ || feedbackFocused_)
        return;
    dismissTimer_->start(delay);
}

void AppModel::setDismissDelays(std::chrono::milliseconds afterCopy, std::chrono::milliseconds afterCancel)
{
    dismissAfterCopy_ = afterCopy;
    dismissAfterCancel_ = afterCancel;
}

void AppModel::cancelDismiss()
{
    dismissTimer_->stop();
}

// MARK: Around an operation

void AppModel::dismissFeedback()
{
    cancelDismiss();
    if (phase_.isBusy()) {
        cancel();
        return;
    }
    setPhase(CapturePhase::idlePhase());
    call(onDismissFeedback);
}

void AppModel::setFeedbackHovered(bool hovered)
{
    feedbackHovered_ = hovered;
    updateFeedbackLifetime();
}

void AppModel::setFeedbackFocused(bool focused)
{
    feedbackFocused_ = focused;
    updateFeedbackLifetime();
}

void AppModel::updateFeedbackLifetime()
{
    cancelDismiss();
    if (phase_.kind() == CapturePhase::copied)
        scheduleDismiss(dismissAfterCopy_);
    else if (phase_.kind() == CapturePhase::cancelled)
        scheduleDismiss(dismissAfterCancel_);
}

void AppModel::retryLastOperation()
{
    switch (retrySource_.kind) {
    case RetrySource::image:
        importImage(retrySource_.path);
        break;
    case RetrySource::screen:
        startCapture();
        break;
    case RetrySource::practice:
        startPractice();
        break;
    }
}

bool AppModel::copyAgain(const QString &text)
{
    if (operation_)
        return false;
    if (!copyText(text)) {
        fail(TrovError::of(TrovError::clipboard));
        return false;
    }
    setCopySummary(wordsLabel(int(TextProcessing::words(text).size())) + QStringLiteral(" · Ready for your next idea"));
    copied();
    return true;
}

void AppModel::clearResults()
{
    results_.clear();
    Q_EMIT resultsChanged();
}

void AppModel::reviewLatest()
{
    if (!results_.isEmpty() && onReview)
        onReview(results_.first());
}

QCoro::Task<void> AppModel::shutdown()
{
    QPointer<AppModel> self(this);
    history_->stopMonitoring();
    cancelDismiss();
    // A cancelled operation still removes its crop and reports its cancel:
    // wait for it, so nothing of it runs once the caller tears the model down.
    // One started meanwhile (a queued file open) is cancelled in turn.
    while (self && operation_) {
        operation_->stop.request_stop();
        selection_->cancel();
        co_await qCoro(this, &AppModel::operationEnded);
    }
    if (self)
        selection_->cancel();
    if (self)
        co_await mlx_->shutdown();
}

// MARK: Published state

void AppModel::setPhase(const CapturePhase &phase)
{
    phase_ = phase;
    Q_EMIT phaseChanged(phase_);
}

void AppModel::setLastError(const QString &message)
{
    lastError_ = message;
    Q_EMIT lastErrorChanged(message);
}

void AppModel::setPermissionGranted(bool granted)
{
    permissionGranted_ = granted;
    Q_EMIT permissionGrantedChanged(granted);
}

void AppModel::setCopySummary(const QString &summary)
{
    copySummary_ = summary;
    Q_EMIT copySummaryChanged(summary);
}

void AppModel::setRecognitionStartedAt(std::optional<QDateTime> date)
{
    recognitionStartedAt_ = std::move(date);
    Q_EMIT recognitionStartedAtChanged();
}

QString AppModel::wordsLabel(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" word") : QStringLiteral(" words"));
}

void AppModel::call(const std::function<void()> &callback)
{
    if (callback)
        callback();
}

#include "stores/AppModel.h"

#include "foundation/BoundedWait.h"
#include "foundation/Cancellation.h"
#include "foundation/Detached.h"
#include "foundation/TextFileWriter.h"
#include "models/TextProcessing.h"
#include "platform/BootClockTimer.h"
#include "platform/FileReveal.h"
#include "platform/Screens.h"
#include "platform/SoundPlayer.h"
#include "services/ImageLoader.h"
#include "services/MLXPaths.h"
#include "services/VisionOCR.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScreen>

#include <stdexcept>

namespace {

template <typename T>
T &required(T *collaborator, const char *name)
{
    if (!collaborator)
        throw std::invalid_argument(std::string("AppModel needs ") + name);
    return *collaborator;
}

const SelectionPlatform &withScreensAndPermission(const SelectionPlatform &platform)
{
    required(platform.screens, "the screens");
    required(platform.permission, "the screen-recording permission");
    return platform;
}

} // namespace

AppModel::AppModel(Dependencies dependencies, QObject *parent)
    : QObject(parent), copyText(std::move(dependencies.copyText)),
      settings_(required(dependencies.settings, "its settings")),
      history_(required(dependencies.history, "a clipboard history")),
      vision_(required(dependencies.vision, "a recogniser")),
      platform_(withScreensAndPermission(dependencies.platform)), copySound_(dependencies.copySound),
      selectImage_(std::move(dependencies.selectImage)), mlxReady_(std::move(dependencies.mlxReady)),
      catchUpClipboard_(std::move(dependencies.catchUpClipboard)),
      chooseImageFile_(std::move(dependencies.chooseImageFile)), fileReveal_(dependencies.fileReveal),
      ownDismissalTimer_(dependencies.dismissalTimer ? nullptr : std::make_unique<BootClockTimer>()),
      mlxSetup_(settings_.defaults(), nullptr, std::move(dependencies.findSetupScript)),
      selection_(platform_, dependencies.presenter), pipeline_(vision_, mlx_),
      destination_(required(dependencies.workspace, "a workspace"), QCoreApplication::applicationPid()),
      dismissal_(dependencies.dismissalTimer ? *dependencies.dismissalTimer : *ownDismissalTimer_,
                 [this] { dismissedByTimer(); })
{
    if (!copyText)
        copyText = [](const QString &) { return false; };
    permissionGranted_ = selection_.hasPermission();
}

AppModel::~AppModel()
{
    // Whatever it is still waiting for, it resumes without us and ends there.
    if (operation_)
        operation_->abandon();
}

void AppModel::setShortcutConflict(bool conflict)
{
    if (shortcutConflict_ == conflict)
        return;
    shortcutConflict_ = conflict;
    Q_EMIT shortcutConflictChanged(conflict);
}

// MARK: Starting and cancelling

void AppModel::cancel()
{
    if (operation_)
        operation_->stop.request_stop();
    selection_.cancel();
}

void AppModel::startSelection(bool practice)
{
    if (operation_)
        return;
    retrySource_ = {practice ? RetrySource::practice : RetrySource::screen, {}, {}};
    prepareFeedback();
    if (!localEngineIsReady()) {
        fail(TrovError::of(TrovError::mlxNotReady));
        return;
    }
    setPermissionGranted(selection_.hasPermission());
    if (!practice && !permissionGranted_) {
        fail(TrovError::of(TrovError::permission));
        return;
    }
    rememberDestination();
    call(onHideSurfaces);
    setPhase(CapturePhase::selectingPhase());
    startOperation();
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

void AppModel::importImage(const QString &path, std::shared_ptr<const void> keepsPathValid)
{
    if (operation_)
        return;
    retrySource_ = {RetrySource::image, path, std::move(keepsPathValid)};
    prepareFeedback();
    if (!localEngineIsReady()) {
        fail(TrovError::of(TrovError::mlxNotReady));
        return;
    }
    call(onHideSurfaces);
    beginRecognition(settings_.engine());
    startOperation();
}

QCoro::Task<QStringList> AppModel::supportedLanguages()
{
    return vision_.supportedLanguages();
}

QCoro::Task<std::optional<QString>> AppModel::saveText(QString path, QString text) const
{
    return TextFileWriter::writeInBackground(std::move(path), std::move(text));
}

void AppModel::showModelFiles()
{
    if (fileReveal_)
        fileReveal_->revealFolder(MLXPaths::root());
}

void AppModel::refreshPermission()
{
    setPermissionGranted(selection_.hasPermission());
    mlxSetup_.refresh();
}

bool AppModel::localEngineIsReady() const
{
    if (settings_.engine() != OCREngine::mlx)
        return true;
    return mlxReady_ ? mlxReady_() : mlxSetup_.isReady();
}

void AppModel::startOperation()
{
    operation_ = std::make_shared<CaptureOperation>(RecognitionOptions::snapshot(settings_));
    Detached::start(runOperation(operation_, retrySource_), "a capture operation");
}

// MARK: The operation's task

QCoro::Task<void> AppModel::runOperation(std::shared_ptr<CaptureOperation> operation, RetrySource source)
{
    // Every wait below ends early once the operation is stopped, and the stop
    // is checked right after it: past that check the model is alive, because
    // destroying it stops the operation first.
    const std::stop_token token = operation->stop.get_token();
    const RecognitionOptions &options = operation->options;
    std::exception_ptr failure;
    try {
        QImage picture = co_await obtainPicture(source, options.engine, token);
        // A picture that arrives after a cancel is never recognised.
        Cancellation::throwIfRequested(token);
        if (!isCurrent(*operation))
            co_return;
        // The feedback appears on the display where the user selected.
        if (source.kind != RetrySource::image)
            feedbackScreen_ = selection_.selectedScreen();
        beginRecognition(options.engine);
        QElapsedTimer clock;
        clock.start();
        const QString text = co_await pipeline_.recognize(std::move(picture), options, token);
        if (isCurrent(*operation))
            co_await keepAndCopy(CaptureResult(text, options.engine, double(clock.nsecsElapsed()) / 1e9), operation,
                                 token);
    } catch (...) {
        failure = std::current_exception();
    }
    if (operation->abandoned)
        co_return;
    if (failure && isCurrent(*operation))
        handle(TrovError::from(failure));
    endOperation(*operation);
}

QCoro::Task<QImage> AppModel::obtainPicture(const RetrySource &source, OCREngine engine, std::stop_token token)
{
    // An image file is decoded even when the operation is cancelled meanwhile;
    // the check after the picture has arrived drops it.
    if (source.kind == RetrySource::image)
        co_return co_await ImageLoader::load(source.path);
    const bool practice = source.kind == RetrySource::practice;
    if (selectImage_)
        co_return co_await selectImage_(practice, engine, token);
    if (practice)
        co_return co_await selection_.practice(engine, token);
    co_return co_await selection_.capture(engine, token);
}

QCoro::Task<void> AppModel::keepAndCopy(CaptureResult result, std::shared_ptr<CaptureOperation> operation,
                                        std::stop_token token)
{
    const QList<CaptureResult> before = results_;
    results_.prepend(result);
    const int limit = settings_.rememberSession() ? keptResultsWhenRemembering : 1;
    if (results_.size() > limit)
        results_.erase(results_.begin() + limit, results_.end());
    Q_EMIT resultsChanged();

    bool taken = copyText(result.text);
    if (!taken && catchUpClipboard_) {
        // Another program may have taken the clipboard at the same moment,
        // later than anything we had seen: once we have seen it, one more
        // write can win.
        co_await catchUpClipboard_(token);
        if (operation->abandoned)
            co_return;
        if (token.stop_requested() || !isCurrent(*operation)) {
            // Stopped before the copy was settled: the result is not kept
            // either, so the operation ends as if it had stopped before.
            dropResult(result.id, before);
            throw TrovError::of(TrovError::taskCancelled);
        }
        taken = copyText(result.text);
    }
    if (!taken) {
        if (onReview)
            onReview(result);
        throw TrovError::of(TrovError::clipboard);
    }
    ++completedCount_;
    Q_EMIT completedCountChanged(completedCount_);
    setCopySummary(wordsLabel(result.wordCount()) + QStringLiteral(" · ") + result.engine.title() +
                   QStringLiteral(" · ") + result.timing());
    copied();
    destination_.restore();
}

void AppModel::dropResult(const QUuid &id, const QList<CaptureResult> &before)
{
    // The list as it was, unless it was changed meanwhile (cleared): then
    // only the result itself goes.
    if (!results_.isEmpty() && results_.first().id == id)
        results_ = before;
    else
        results_.removeIf([&id](const CaptureResult &kept) { return kept.id == id; });
    Q_EMIT resultsChanged();
}

void AppModel::endOperation(const CaptureOperation &operation)
{
    if (!isCurrent(operation))
        return;
    operation_.reset();
    Q_EMIT operationEnded();
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
    destination_.restore();
    call(onFeedback);
    dismissal_.scheduleFor(phase_);
}

void AppModel::fail(const TrovError &error)
{
    dismissal_.cancel();
    failureNeedsSettings_ = error.kind() == TrovError::permission || error.kind() == TrovError::mlxNotReady;
    setLastError(error.errorDescription());
    setPhase(CapturePhase::failedPhase());
    call(onFeedback);
}

void AppModel::copied()
{
    setPhase(CapturePhase::copiedPhase());
    // A sound still playing from an earlier copy is neither restarted nor doubled.
    if (settings_.playSound() && copySound_ && !copySound_->isPlaying())
        copySound_->play(copySoundVolume);
    call(onFeedback);
    dismissal_.scheduleFor(phase_);
}

void AppModel::prepareFeedback()
{
    setPhase(CapturePhase::idlePhase());
    dismissal_.cancel();
    dismissal_.release();
    setRecognitionStartedAt(std::nullopt);
    feedbackScreen_ = platform_.screens->screenUnderPointer();
}

void AppModel::dismissedByTimer()
{
    setPhase(CapturePhase::idlePhase());
    call(onDismissFeedback);
}

// MARK: Around an operation

void AppModel::dismissFeedback()
{
    dismissal_.cancel();
    if (phase_.isBusy()) {
        cancel();
        return;
    }
    setPhase(CapturePhase::idlePhase());
    call(onDismissFeedback);
}

void AppModel::retryLastOperation()
{
    switch (retrySource_.kind) {
    case RetrySource::image:
        importImage(retrySource_.path, retrySource_.keepsPathValid);
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
    setCopySummary(wordsLabel(int(TextProcessing::wordCount(text))) + QStringLiteral(" · Ready for your next idea"));
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
    if (!results_.isEmpty())
        review(results_.first());
}

QCoro::Task<void> AppModel::shutdown()
{
    history_.stopMonitoring();
    dismissal_.cancel();
    cancel();
    // A cancelled operation still removes its crop and reports its cancel:
    // wait for it, but not for ever, as one blocked in a file open never ends.
    co_await awaitOperationEnd(shutdownGrace);
    selection_.cancel();
    co_await mlx_.shutdown();
    // The history's last change reaches its file before the process ends.
    co_await BoundedWait::forAtMost(history_.whenFileIdle(), shutdownGrace);
}

QCoro::Task<void> AppModel::awaitOperationEnd(std::chrono::milliseconds grace)
{
    const QDeadlineTimer deadline(grace);
    // One started meanwhile (a queued file open) is cancelled in turn.
    while (operation_ && !deadline.hasExpired()) {
        cancel();
        co_await qCoro(this, &AppModel::operationEnded, std::chrono::milliseconds(deadline.remainingTime()));
    }
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

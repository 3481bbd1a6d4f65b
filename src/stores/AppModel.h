#pragma once

#include "models/CapturePhase.h"
#include "models/CaptureResult.h"
#include "models/MLXTask.h"
#include "models/OCREngine.h"
#include "models/OCRResponse.h"
#include "models/TrovError.h"
#include "platform/RunningApplication.h"
#include "platform/SelectionPlatform.h"
#include "services/MLXService.h"
#include "services/MLXSetup.h"
#include "services/ScreenSelection.h"
#include "stores/CaptureOperation.h"
#include "stores/DestinationTracker.h"
#include "stores/FeedbackDismissal.h"
#include "stores/RecognitionPipeline.h"

#include <QCoroTask>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class ClipboardHistoryStore;
class FileReveal;
class Preferences;
class SelectionPresenter;
class SingleShotTimer;
class SoundPlayer;
class VisionOCR;
class Workspace;

// The one central model: takes a screen capture, a practice run or an image
// import from its trigger to the clipboard, one at a time, and publishes every
// step for the status item, the feedback panel and the windows. Lives on the
// GUI thread.
class AppModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(CapturePhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool shortcutConflict READ shortcutConflict WRITE setShortcutConflict NOTIFY shortcutConflictChanged)
    Q_PROPERTY(bool permissionGranted READ permissionGranted NOTIFY permissionGrantedChanged)
    Q_PROPERTY(int completedCount READ completedCount NOTIFY completedCountChanged)
    Q_PROPERTY(QString copySummary READ copySummary NOTIFY copySummaryChanged)

public:
    // Replaces the screen selection: (practice run, engine shown in the hint) → the picture.
    using SelectImage = std::function<QCoro::Task<QImage>(bool practice, OCREngine engine, std::stop_token token)>;
    // Replaces the local engine's installation check.
    using MLXReady = std::function<bool()>;
    // Asks the user for an image file and calls back with its path, only when
    // one was chosen; it must not block.
    using ChooseImageFile = std::function<void(std::function<void(const QString &path)> chosen)>;
    // Writes a text to the clipboard; false when it was refused.
    using CopyText = std::function<bool(const QString &text)>;
    // Resumes once the clipboard has seen what other programs last did with
    // it, so that a second write can win a race the first one lost; at once
    // when the token is stopped.
    using CatchUpClipboard = std::function<QCoro::Task<>(std::stop_token token)>;

    // The model builds nothing of the desktop itself: the program's own
    // collaborators come from its composition (AppComposition), a test's from
    // the test. Objects passed by pointer are not owned and must outlive the
    // model; the ones marked required make the constructor throw
    // std::invalid_argument when missing.
    struct Dependencies {
        Preferences *settings = nullptr;          // required
        ClipboardHistoryStore *history = nullptr; // required
        VisionOCR *vision = nullptr;              // required
        Workspace *workspace = nullptr;           // required
        // The feedback panel's dismissal clock; a CLOCK_BOOTTIME timer of the
        // model's own without one.
        SingleShotTimer *dismissalTimer = nullptr;
        // Replaces the screen selection when set.
        SelectImage selectImage;
        // Replaces the local engine's installation check when set.
        MLXReady mlxReady;
        // The displays and the permission, for the model and its selection;
        // its screens and permission are required.
        SelectionPlatform platform;
        // Puts the screen selection on screen; without one a capture fails.
        SelectionPresenter *presenter = nullptr;
        // The open dialog of chooseImage(); without one it does nothing.
        ChooseImageFile chooseImageFile;
        // The copy sound; none plays without one.
        SoundPlayer *copySound = nullptr;
        // The first value of copyText; without one every copy is refused.
        CopyText copyText;
        // Lets a capture or import write its text once more after a refused
        // copy; without one a refused copy is final.
        CatchUpClipboard catchUpClipboard;
        // The file manager behind showModelFiles(); without one it does nothing.
        FileReveal *fileReveal = nullptr;
        // Replaces where the local engine's set-up looks for its script when set.
        MLXSetup::FindScript findSetupScript;
    };

    static constexpr double copySoundVolume = 0.28;
    static constexpr int keptResultsWhenRemembering = 6;
    static constexpr std::chrono::milliseconds defaultDismissAfterCopy = FeedbackDismissal::defaultAfterCopy;
    static constexpr std::chrono::milliseconds defaultDismissAfterCancel = FeedbackDismissal::defaultAfterCancel;
    // How long shutdown() waits for a cancelled operation that does not end
    // (a file open that blocks) before it goes on without it.
    static constexpr std::chrono::milliseconds shutdownGrace{2000};

    explicit AppModel(Dependencies dependencies, QObject *parent = nullptr);
    // An operation still running is abandoned: it ends without reporting.
    ~AppModel() override;

    // Collaborators.
    Preferences &settings() const { return settings_; }
    ClipboardHistoryStore &history() const { return history_; }
    MLXSetup &mlxSetup() { return mlxSetup_; }
    ScreenSelection &selection() { return selection_; }
    MLXService &mlx() { return mlx_; }

    // Published state.
    CapturePhase phase() const { return phase_; }
    const QList<CaptureResult> &results() const { return results_; }
    std::optional<CaptureResult> latest() const
    {
        return results_.isEmpty() ? std::nullopt : std::optional<CaptureResult>(results_.first());
    }
    QString lastError() const { return lastError_; }
    bool shortcutConflict() const { return shortcutConflict_; }
    void setShortcutConflict(bool conflict);
    bool permissionGranted() const { return permissionGranted_; }
    int completedCount() const { return completedCount_; }
    QString copySummary() const { return copySummary_; }
    std::optional<QDateTime> recognitionStartedAt() const { return recognitionStartedAt_; }

    // Plain state.
    bool failureNeedsSettings() const { return failureNeedsSettings_; }
    QScreen *feedbackScreen() const { return feedbackScreen_; }
    std::optional<RunningApplication> destinationApp() const { return destination_.destination(); }
    bool isOperationRunning() const { return operation_ != nullptr; }

    // Window callbacks, set by the shell; each is skipped while unset.
    std::function<void()> onHideSurfaces;
    std::function<void()> onFeedback;
    std::function<void()> onDismissFeedback;
    std::function<void(const CaptureResult &)> onReview;
    std::function<void()> onSettings;
    std::function<void()> onWelcome;
    std::function<void()> onHistory;

    // The clipboard writer; the desktop clipboard by default.
    CopyText copyText;

    // Starting, cancelling.
    // Cancels a busy operation, else starts a capture (the global shortcut).
    void toggleCapture() { phase_.isBusy() ? cancel() : startCapture(); }
    void cancel();
    void startCapture() { startSelection(false); }
    void startPractice() { startSelection(true); }
    void chooseImage();
    // `keepsPathValid` is held for as long as the path may be opened again
    // (a retry of this import), for paths that name their file only while
    // something is kept open.
    void importImage(const QString &path, std::shared_ptr<const void> keepsPathValid = {});
    void refreshPermission();
    // The built-in recogniser's installed languages, listed off the GUI thread
    // and never during its recognition call; empty when they cannot be listed.
    QCoro::Task<QStringList> supportedLanguages();
    // Opens the local engine's folder in the file manager.
    void showModelFiles();
    // Saves a result's text as the file the user chose, off the GUI thread:
    // nothing when it was saved, otherwise why not, in a sentence for the user.
    QCoro::Task<std::optional<QString>> saveText(QString path, QString text) const;
    // Takes the frontmost other application as the one to return to after a
    // copy or cancel; our own window in front keeps the earlier one. The status
    // item calls it too, when its panel opens.
    void rememberDestination() { destination_.remember(); }

    // Around an operation.
    void dismissFeedback();
    void setFeedbackHovered(bool hovered) { dismissal_.setHovered(hovered, phase_); }
    void setFeedbackFocused(bool focused) { dismissal_.setFocused(focused, phase_); }
    void retryLastOperation();
    bool copyAgain(const QString &text);
    void clearResults();
    void reviewLatest();
    // Opens a window through the shell's callbacks; nothing while unset.
    void review(const CaptureResult &result)
    {
        if (onReview)
            onReview(result);
    }
    void openSettings() { call(onSettings); }
    void openHistory() { call(onHistory); }
    void openWelcome() { call(onWelcome); }
    // Asks the desktop for screen access (the selection's own request).
    void requestPermission() { selection_.requestPermission(); }

    // How long a copied or cancelled panel stays; shortened by tests.
    void setDismissDelays(std::chrono::milliseconds afterCopy, std::chrono::milliseconds afterCancel)
    {
        dismissal_.setDelays(afterCopy, afterCancel);
    }

    // Stops the history watch, cancels what runs and waits for it to end (at
    // most shutdownGrace), stops the local worker and waits for the history
    // file's last save (at most shutdownGrace too). The model must outlive it.
    QCoro::Task<void> shutdown();

Q_SIGNALS:
    void phaseChanged(const CapturePhase &phase);
    void resultsChanged();
    void lastErrorChanged(const QString &message);
    void shortcutConflictChanged(bool conflict);
    void permissionGrantedChanged(bool granted);
    void completedCountChanged(int count);
    void copySummaryChanged(const QString &summary);
    void recognitionStartedAtChanged();
    // The running operation has ended and its slot is free.
    void operationEnded();

private:
    // Where an operation takes its picture from, and so what a retry repeats.
    struct RetrySource {
        enum Kind { image, screen, practice };
        Kind kind = screen;
        QString path;
        std::shared_ptr<const void> keepsPathValid;
    };

    void startSelection(bool practice);
    bool localEngineIsReady() const;
    void startOperation();
    // One capture, practice run or import, from its picture to the clipboard.
    QCoro::Task<void> runOperation(std::shared_ptr<CaptureOperation> operation, RetrySource source);
    QCoro::Task<QImage> obtainPicture(const RetrySource &source, OCREngine engine, std::stop_token token);
    QCoro::Task<void> keepAndCopy(CaptureResult result, std::shared_ptr<CaptureOperation> operation,
                                  std::stop_token token);
    // Takes back a result kept by an operation that stopped before its copy
    // was settled, and brings back what keeping it pushed out.
    void dropResult(const QUuid &id, const QList<CaptureResult> &before);
    void endOperation(const CaptureOperation &operation);
    bool isCurrent(const CaptureOperation &operation) const { return operation_.get() == &operation; }
    QCoro::Task<void> awaitOperationEnd(std::chrono::milliseconds grace);

    void beginRecognition(OCREngine engine);
    void handle(const TrovError &error);
    void fail(const TrovError &error);
    void copied();
    void prepareFeedback();
    void dismissedByTimer();

    // Each published property changes through its setter, which notifies.
    void setPhase(const CapturePhase &phase) { Q_EMIT phaseChanged(phase_ = phase); }
    void setLastError(const QString &message) { Q_EMIT lastErrorChanged(lastError_ = message); }
    void setPermissionGranted(bool granted) { Q_EMIT permissionGrantedChanged(permissionGranted_ = granted); }
    void setCopySummary(const QString &summary) { Q_EMIT copySummaryChanged(copySummary_ = summary); }
    void setRecognitionStartedAt(std::optional<QDateTime> date)
    {
        recognitionStartedAt_ = std::move(date);
        Q_EMIT recognitionStartedAtChanged();
    }

    static QString wordsLabel(int count);
    static void call(const std::function<void()> &callback);

    // Collaborators handed in.
    Preferences &settings_;
    ClipboardHistoryStore &history_;
    VisionOCR &vision_;
    const SelectionPlatform platform_;
    SoundPlayer *const copySound_;
    const SelectImage selectImage_;
    const MLXReady mlxReady_;
    const CatchUpClipboard catchUpClipboard_;
    const ChooseImageFile chooseImageFile_;
    FileReveal *const fileReveal_;

    // Owned, in the order they are built; destroyed in reverse.
    std::unique_ptr<SingleShotTimer> ownDismissalTimer_;
    MLXSetup mlxSetup_;
    ScreenSelection selection_;
    MLXService mlx_;
    RecognitionPipeline pipeline_;
    DestinationTracker destination_;
    FeedbackDismissal dismissal_;

    CapturePhase phase_;
    QList<CaptureResult> results_;
    QString lastError_;
    bool shortcutConflict_ = false;
    bool permissionGranted_ = false;
    int completedCount_ = 0;
    QString copySummary_;
    std::optional<QDateTime> recognitionStartedAt_;

    bool failureNeedsSettings_ = false;
    QPointer<QScreen> feedbackScreen_;
    std::shared_ptr<CaptureOperation> operation_;
    RetrySource retrySource_;
};

#pragma once

#include "models/CapturePhase.h"
#include "models/CaptureResult.h"
#include "models/MLXTask.h"
#include "models/OCREngine.h"
#include "models/OCRResponse.h"
#include "models/TrovError.h"
#include "platform/RunningApplication.h"
#include "platform/SelectionPlatform.h"

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

class BootClockTimer;
class ClipboardHistoryStore;
class DefaultsDomain;
class MLXService;
class MLXSetup;
class Preferences;
class ScreenSelection;
class SelectionPresenter;
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

    // Every collaborator is optional; what is left out gets the program's own.
    // Objects passed by pointer are not owned and must outlive the model.
    struct Dependencies {
        Preferences *settings = nullptr;
        ClipboardHistoryStore *history = nullptr;
        VisionOCR *vision = nullptr;
        SelectImage selectImage;
        MLXReady mlxReady;
        std::optional<SelectionPlatform> platform;
        // Puts the screen selection on screen; without one a capture fails.
        SelectionPresenter *presenter = nullptr;
        // The open dialog of chooseImage(); without one it does nothing.
        ChooseImageFile chooseImageFile;
        Workspace *workspace = nullptr;
        // The copy sound; the theme's sound when left out.
        SoundPlayer *copySound = nullptr;
    };

    static constexpr double copySoundVolume = 0.28;
    static constexpr int keptResultsWhenRemembering = 6;
    static constexpr std::chrono::milliseconds defaultDismissAfterCopy{6000};
    static constexpr std::chrono::milliseconds defaultDismissAfterCancel{2000};

    // Every collaborator the program's own.
    AppModel();
    explicit AppModel(Dependencies dependencies, QObject *parent = nullptr);
    ~AppModel() override;

    // Collaborators.
    Preferences &settings() const { return *settings_; }
    ClipboardHistoryStore &history() const { return *history_; }
    MLXSetup &mlxSetup() const { return *mlxSetup_; }
    ScreenSelection &selection() const { return *selection_; }
    MLXService &mlx() const { return *mlx_; }

    // Published state.
    CapturePhase phase() const { return phase_; }
    const QList<CaptureResult> &results() const { return results_; }
    std::optional<CaptureResult> latest() const;
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
    std::optional<RunningApplication> destinationApp() const { return destinationApp_; }
    bool isOperationRunning() const { return operation_.has_value(); }

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
    void toggleCapture();
    void cancel();
    void startCapture();
    void startPractice();
    void chooseImage();
    void importImage(const QString &path);
    void refreshPermission();
    // Takes the frontmost other application as the one to return to after a
    // copy or cancel; our own window in front keeps the earlier one. The status
    // item calls it too, when its panel opens.
    void rememberDestination();

    // Around an operation.
    void dismissFeedback();
    void setFeedbackHovered(bool hovered);
    void setFeedbackFocused(bool focused);
    void retryLastOperation();
    bool copyAgain(const QString &text);
    void clearResults();
    void reviewLatest();

    // How long a copied or cancelled panel stays; shortened by tests.
    void setDismissDelays(std::chrono::milliseconds afterCopy, std::chrono::milliseconds afterCancel);

    // Stops the history watch, cancels what runs, waits for it to end and
    // stops the local worker.
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
    // The settings one operation uses, copied when it starts.
    struct RecognitionOptions {
        OCREngine engine = OCREngine::vision;
        MLXTask task = MLXTask::text;
        bool keepLines = true;
        QString language;
    };

    struct RunningOperation {
        QUuid id;
        std::stop_source stop;
        RecognitionOptions options;
    };

    // Where an operation takes its picture from, and so what a retry repeats.
    struct RetrySource {
        enum Kind { image, screen, practice };
        Kind kind = screen;
        QString path;
    };

    void startSelection(bool practice);
    bool localEngineIsReady() const;
    RecognitionOptions snapshotOptions() const;
    RunningOperation &beginOperation();
    // One capture, practice run or import, from its picture to the clipboard.
    QCoro::Task<void> runOperation(RetrySource source, RunningOperation operation);
    QCoro::Task<QImage> obtainPicture(RetrySource source, OCREngine engine, std::stop_token token);
    QCoro::Task<void> recognize(QImage image, QUuid operationID, RecognitionOptions options, std::stop_token token);
    QCoro::Task<OCRResponse> runEngine(const QImage &image, const RecognitionOptions &options, std::stop_token token);
    void keepAndCopy(const CaptureResult &result);
    void endOperation(const QUuid &operationID);
    bool isCurrent(const QUuid &operationID) const;

    static TrovError asTrovError(const std::exception_ptr &failure);

    void beginRecognition(OCREngine engine);
    void handle(const TrovError &error);
    void fail(const TrovError &error);
    void copied();
    void prepareFeedback();
    void restoreDestination();
    void scheduleDismiss(std::chrono::milliseconds delay);
    void cancelDismiss();
    void updateFeedbackLifetime();
    QScreen *screenUnderPointer() const;

    void setPhase(const CapturePhase &phase);
    void setLastError(const QString &message);
    void setPermissionGranted(bool granted);
    void setCopySummary(const QString &summary);
    void setRecognitionStartedAt(std::optional<QDateTime> date);

    static QString wordsLabel(int count);
    static void call(const std::function<void()> &callback);

    // Owned defaults, alive as long as the model.
    std::unique_ptr<DefaultsDomain> ownDefaults_;
    std::unique_ptr<Preferences> ownSettings_;
    std::unique_ptr<ClipboardHistoryStore> ownHistory_;
    std::unique_ptr<Workspace> ownWorkspace_;
    std::unique_ptr<SoundPlayer> ownCopySound_;

    Preferences *settings_;
    ClipboardHistoryStore *history_;
    VisionOCR *vision_;
    SelectionPlatform platform_;
    Workspace *workspace_;
    SoundPlayer *copySound_;
    MLXSetup *mlxSetup_;
    ScreenSelection *selection_;
    MLXService *mlx_;
    SelectImage selectImage_;
    MLXReady mlxReady_;
    ChooseImageFile chooseImageFile_;

    CapturePhase phase_;
    QList<CaptureResult> results_;
    QString lastError_;
    bool shortcutConflict_ = false;
    bool permissionGranted_ = false;
    int completedCount_ = 0;
    QString copySummary_;
    std::optional<QDateTime> recognitionStartedAt_;

    bool failureNeedsSettings_ = false;
    std::optional<RunningApplication> destinationApp_;
    QPointer<QScreen> feedbackScreen_;
    std::optional<RunningOperation> operation_;
    BootClockTimer *dismissTimer_;
    std::chrono::milliseconds dismissAfterCopy_ = defaultDismissAfterCopy;
    std::chrono::milliseconds dismissAfterCancel_ = defaultDismissAfterCancel;
    bool feedbackHovered_ = false;
    bool feedbackFocused_ = false;
    RetrySource retrySource_;
};

#pragma once

#include "doubles/FakePermission.h"
#include "doubles/FakeScreens.h"
#include "doubles/RecordingSoundPlayer.h"
#include "doubles/RecordingWorkspace.h"
#include "support/MLXTestRoot.h"

#include "platform/DefaultsDomain.h"
#include "platform/MemoryPasteboard.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QObject>

#include <condition_variable>
#include <memory>
#include <mutex>

// A real application model with doubles around it (selection, recogniser,
// clipboard, sound, workspace), brought into each phase through its own
// operations, for the tests, benchmarks and pictures of the views.
class FeedbackModelFixture : public QObject {
    Q_OBJECT
public:
    // Changes what the model is built with, before it is built.
    using Adjust = std::function<void(AppModel::Dependencies &dependencies)>;

    explicit FeedbackModelFixture(const Adjust &adjust = {});
    ~FeedbackModelFixture() override;

    AppModel &model() { return *model_; }
    Preferences &settings() { return settings_; }
    DefaultsDomain &defaults() { return defaults_; }
    // Grants screen access unless the test says otherwise.
    FakePermission &permission() { return permission_; }
    // The local engine's folder: installed and ready unless the test says otherwise.
    MLXTestRoot &mlxRoot() { return mlxRoot_; }
    ClipboardHistoryStore &history() { return history_; }

    // A capture whose recognition by `engine` has begun and, for the built-in
    // recogniser, is held until finishRecognition() or a cancel. The local engine is a
    // worker that never answers.
    void recognize(OCREngine engine = OCREngine::vision);
    // Lets a held recognition answer `text`; returns once the model is copied.
    void finishRecognition(const QString &text);
    // A whole capture that recognised `text`, kept as the latest result.
    void copy(const QString &text);
    // A text copied again, so no result is kept.
    void copyAgain(const QString &text);
    // A capture whose selection the user cancelled.
    void cancel();
    // A capture that failed with `message`.
    void fail(const QString &message);
    // A capture that failed because the local engine is not installed.
    void failNeedingSettings();
    // A capture whose selection stays open.
    void select();
    // An import of the image file at `path` that recognised `text`.
    void importImage(const QString &path, const QString &text);
    // The local engine installed or not, as its set-up sees it.
    void setLocalEngineInstalled(bool installed);
    // A copy of `text` in the clipboard history, made `secondsAgo`, pinned or
    // not; its id.
    QUuid saveInHistory(const QString &text, int secondsAgo = 60, bool pinned = false);

    // What the model asked of the shell, in order: "settings", "dismiss",
    // "review: <text>", "hide surfaces", "choose image".
    QStringList calls;
    // Called when the model asks to hide every surface for a selection.
    std::function<void()> onHideSurfaces;
    // Each selection the model started: true for a practice run.
    QList<bool> selections;
    // Called as each selection starts, with whether it is a practice run.
    std::function<void(bool practice)> onSelect;
    bool clipboardAccepts = true;

Q_SIGNALS:
    void selectionEnds();

private:
    enum class Selection { picture, failure, pending };

    QCoro::Task<QImage> selectPicture(std::stop_token token);
    bool reaches(CapturePhase::Kind kind);
    void useBuiltInRecogniser();

    MLXTestRoot mlxRoot_;
    DefaultsDomain defaults_;
    Preferences settings_;
    MemoryPasteboard historyPasteboard_;
    ClipboardHistoryStore history_;
    // What the recogniser answers once released (or cancelled).
    struct Recognition {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        // A cancelled recognition keeps the recogniser busy until it returns.
        bool running = false;
        QString answer = QStringLiteral("Hello there");
    };
    std::shared_ptr<Recognition> recognition_;
    VisionOCR vision_;
    FakePermission permission_;
    FakeScreens screens_;
    RecordingWorkspace workspace_;
    RecordingSoundPlayer sound_;
    Selection selection_ = Selection::picture;
    TrovError failure_ = TrovError::of(TrovError::cancelled);
    bool mlxReady_ = true;
    std::unique_ptr<AppModel> model_;
};

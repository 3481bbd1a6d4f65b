#pragma once

#include "models/MLXTask.h"
#include "models/OCRResponse.h"
#include "models/TrovError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <chrono>
#include <memory>
#include <stop_token>

class BootClockTimer;
class ChildLifeline;
class QProcess;

// The local-model worker client. Keeps one long-lived worker process (the
// bundled worker script run by the engine's private Python) and speaks JSON
// lines with it, one request at a time. Lives on the GUI thread; every
// operation runs there, so the object itself is the serial executor.
//
// A worker is started only when a request needs it, reused while it behaves,
// and stopped after anything that leaves it in doubt; the next request then
// starts a fresh one. A generation stamp keeps the output of an old worker
// away from a newer request.
class MLXService : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultRequestTimeout{180'000};
    static constexpr std::chrono::milliseconds kForcedKillDelay{1'000};
    static constexpr int kMaxTokens = 2048;

    explicit MLXService(QObject *parent = nullptr);
    // Kills whatever worker is left: a QProcess would otherwise kill and wait
    // for it on destruction anyway, and anything it spawned must not outlive us.
    ~MLXService() override;

    // Recognises the PNG at `pngPath`. Fails with a cancellation, mlxNotReady,
    // an mlx failure carrying the user-facing message, or the platform's error
    // when the worker cannot be launched or written to.
    QCoro::Task<OCRResponse> recognize(QString pngPath, MLXTask task, std::stop_token token = {});

    // Fails the pending request with `error` and stops the worker.
    void stop(const TrovError &error = TrovError::of(TrovError::taskCancelled));

    // Stops as stop() does and returns once the worker process has exited.
    QCoro::Task<void> shutdown();

    // The per-request time-out, counted on a clock that includes suspend.
    void setRequestTimeout(std::chrono::milliseconds timeout) { requestTimeout_ = timeout; }

    bool hasWorker() const { return process_ != nullptr; }

private:
    struct PendingRequest;

    bool workerIsAlive() const;
    void startWorker();
    void writeRequest(const PendingRequest &request, const QString &pngPath, MLXTask task);
    void receive(const QByteArray &line, const QUuid &generation);
    void workerExited(qint64 pid);
    void workerFailed(QProcess *process);
    void finish(std::exception_ptr failure);
    void finish(const OCRResponse &response);
    void stopWorker();
    void sweepGroupLater(qint64 pgid);
    void onTimeout();

    QProcess *process_ = nullptr;
    // processId() reads 0 once the child has exited; the exit is matched by this copy.
    qint64 pid_ = 0;
    std::shared_ptr<PendingRequest> pending_;
    BootClockTimer *timeout_;
    QString timedRequestId_;
    QUuid generation_;
    std::chrono::milliseconds requestTimeout_ = kDefaultRequestTimeout;
    // Process groups of stopped workers that get SIGKILL once the grace period ends.
    QSet<qint64> groupsAwaitingKill_;
    // Each worker's tie to our life, by its process group; released once the group has been swept.
    QHash<qint64, std::shared_ptr<ChildLifeline>> lifelines_;
};

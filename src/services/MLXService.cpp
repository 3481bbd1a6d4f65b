#include "services/MLXService.h"

#include "foundation/Cancellation.h"
#include "foundation/ChildLifeline.h"
#include "foundation/ChildProcessSignals.h"
#include "foundation/EventLoopLatch.h"
#include "foundation/ProcessExit.h"
#include "foundation/UuidText.h"
#include "platform/BootClockTimer.h"
#include "services/MLXPaths.h"
#include "services/WorkerLineBuffer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <optional>
#include <unistd.h>

namespace {

const QString alreadyWorking = QStringLiteral("The local engine is already working.");
const QString workerMissing = QStringLiteral("The bundled MLX worker is missing. Rebuild the app.");
const QString invalidResponse = QStringLiteral("The local worker returned an invalid response.");
const QString couldNotStart = QStringLiteral("The local model could not start.");
const QString recognitionFailed = QStringLiteral("Local recognition failed.");
const QString workerStopped = QStringLiteral("The local OCR worker stopped. Try again or rerun setup.");
const QString tookTooLong = QStringLiteral("The local engine took too long. Try a smaller selection.");

std::optional<QString> stringMember(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

struct MLXService::PendingRequest {
    QString id;
    std::optional<OCRResponse> response;
    std::exception_ptr failure;
    // Opened by finish(). The caller resumes from the event loop: by then a
    // stop has also stopped the worker, and a new recognize() of the caller
    // cannot run in the middle of ours.
    std::shared_ptr<EventLoopLatch> settled = EventLoopLatch::create();

    OCRResponse takeResult()
    {
        if (failure)
            std::rethrow_exception(failure);
        return *response;
    }
};

MLXService::MLXService(QObject *parent)
    : QObject(parent), timeout_(new BootClockTimer(this)), generation_(QUuid::createUuid())
{
    connect(timeout_, &BootClockTimer::timeout, this, &MLXService::onTimeout);
}

MLXService::~MLXService()
{
    if (pending_)
        finish(std::make_exception_ptr(TrovError::of(TrovError::taskCancelled)));
    if (pid_ > 0)
        groupsAwaitingKill_.insert(pid_);
    for (qint64 pgid : std::as_const(groupsAwaitingKill_))
        ChildProcessSignals::send(static_cast<pid_t>(pgid), SIGKILL, true);
    for (const std::shared_ptr<ChildLifeline> &lifeline : std::as_const(lifelines_))
        lifeline->release();
}

QCoro::Task<OCRResponse> MLXService::recognize(QString pngPath, MLXTask task, std::stop_token token)
{
    Cancellation::throwIfRequested(token);
    if (!MLXPaths::isReady())
        throw TrovError::of(TrovError::mlxNotReady);
    if (pending_)
        throw TrovError::mlxFailure(alreadyWorking);

    auto request = std::make_shared<PendingRequest>();
    request->id = UuidText::fresh();
    pending_ = request;
    try {
        if (!workerIsAlive()) {
            // A worker that died but whose exit we have not handled yet is
            // retired properly first, so its pipes and handlers do not leak.
            if (process_)
                stopWorker();
            startWorker();
        }
        writeRequest(*request, pngPath, task);
        timedRequestId_ = request->id;
        timeout_->start(requestTimeout_);
    } catch (const TrovError &) {
        finish(std::current_exception());
        stopWorker();
    }

    // The callback may run on whichever thread requests the stop: hop to ours.
    const QPointer<MLXService> self(this);
    std::stop_callback onCancel(token, [self, request] {
        QMetaObject::invokeMethod(
            self.data(),
            [self, request] {
                if (self && self->pending_ == request)
                    self->stop(TrovError::of(TrovError::taskCancelled));
            },
            Qt::QueuedConnection);
    });
    co_await request->settled->wait();
    co_return request->takeResult();
}

void MLXService::stop(const TrovError &error)
{
    finish(std::make_exception_ptr(error));
    stopWorker();
}

QCoro::Task<void> MLXService::shutdown()
{
    const QPointer<QProcess> process = process_;
    stop(TrovError::of(TrovError::taskCancelled));
    co_await ProcessExit::of(process.data());
}

bool MLXService::workerIsAlive() const
{
    // QProcess reports Running until the event loop has handled the exit, so
    // ask the kernel as well (without reaping: the child stays QProcess's).
    return process_ && process_->state() != QProcess::NotRunning &&
           !ChildProcessSignals::hasExited(static_cast<pid_t>(pid_));
}

void MLXService::startWorker()
{
    const std::optional<QString> script = MLXPaths::resource(QStringLiteral("worker"));
    if (!script)
        throw TrovError::mlxFailure(workerMissing);

    auto *process = new QProcess(this);
    process->setProgram(MLXPaths::python());
    process->setArguments({QStringLiteral("-u"), *script, QStringLiteral("--model-dir"), MLXPaths::model()});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HF_HUB_OFFLINE", "TRANSFORMERS_OFFLINE", "HF_HUB_DISABLE_TELEMETRY"})
        environment.insert(QLatin1String(name), QStringLiteral("1"));
    process->setProcessEnvironment(environment);
    process->setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so that whatever the worker spawns can be swept
    // away with it when it is stopped, or when we die.
    auto lifeline = std::make_shared<ChildLifeline>();
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([lifeline, parent] { lifeline->hold(parent); });

    generation_ = QUuid::createUuid();
    const QUuid generation = generation_;
    auto buffer = std::make_shared<WorkerLineBuffer>();
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process, buffer, generation] {
        const QByteArray chunk = process->readAllStandardOutput();
        for (const QByteArray &line : buffer->append(chunk))
            receive(line, generation);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process] { workerFailed(process); });

    process->start(QIODevice::ReadWrite);
    lifeline->started();
    if (process->state() == QProcess::NotRunning) {
        const QString message = process->errorString();
        delete process;
        throw TrovError::platformFailure(message);
    }
    const qint64 pid = process->processId();
    lifelines_.insert(pid, lifeline);
    connect(process, &QProcess::finished, this, [this, process, pid] {
        workerExited(pid);
        process->deleteLater();
    });
    process_ = process;
    pid_ = pid;
}

void MLXService::writeRequest(const PendingRequest &request, const QString &pngPath, MLXTask task)
{
    const QJsonObject object{
        {QStringLiteral("id"), request.id},
        {QStringLiteral("image"), pngPath},
        {QStringLiteral("task"), task.rawValue()},
        {QStringLiteral("max_tokens"), kMaxTokens},
    };
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    // QProcess buffers the bytes; a child that is gone surfaces later as a
    // WriteError or as its exit, both of which end the request.
    if (process_->write(line) != line.size())
        throw TrovError::platformFailure(process_->errorString());
}

void MLXService::receive(const QByteArray &line, const QUuid &generation)
{
    if (generation != generation_)
        return;
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const std::optional<QString> type = stringMember(document.object(), QStringLiteral("type"));
    if (!document.isObject() || !type) {
        stop(TrovError::mlxFailure(invalidResponse));
        return;
    }
    const QJsonObject reply = document.object();
    if (*type == QLatin1String("ready"))
        return;
    if (*type == QLatin1String("startup_error")) {
        stop(TrovError::mlxFailure(stringMember(reply, QStringLiteral("error")).value_or(couldNotStart)));
        return;
    }
    const std::optional<QString> pendingId = pending_ ? std::optional(pending_->id) : std::nullopt;
    if (stringMember(reply, QStringLiteral("id")) != pendingId)
        return;
    const std::optional<QString> text = stringMember(reply, QStringLiteral("text"));
    if (*type == QLatin1String("result") && text) {
        // Only a JSON true counts: "true", 1 or a missing member are not truncation.
        const QJsonValue truncated = reply.value(QStringLiteral("truncated"));
        finish(OCRResponse{*text, truncated.isBool() && truncated.toBool()});
        return;
    }
    finish(std::make_exception_ptr(
        TrovError::mlxFailure(stringMember(reply, QStringLiteral("error")).value_or(recognitionFailed))));
}

void MLXService::workerExited(qint64 pid)
{
    if (!process_ || pid_ != pid)
        return;
    finish(std::make_exception_ptr(TrovError::mlxFailure(workerStopped)));
    stopWorker();
}

void MLXService::workerFailed(QProcess *process)
{
    // No finished() follows a failed start, so this is the last word of the
    // process, also of one stopped before its launch was known to fail:
    // whoever awaits its end (shutdown) learns it from its destruction.
    if (process->error() == QProcess::FailedToStart)
        process->deleteLater();
    if (process != process_)
        return;
    switch (process->error()) {
    case QProcess::FailedToStart:
        stop(TrovError::platformFailure(process->errorString()));
        break;
    case QProcess::WriteError:
        stop(TrovError::platformFailure(process->errorString()));
        break;
    default:
        break; // an exit arrives through finished()
    }
}

void MLXService::finish(const OCRResponse &response)
{
    timeout_->stop();
    if (auto request = std::exchange(pending_, nullptr)) {
        request->response = response;
        request->settled->open();
    }
}

void MLXService::finish(std::exception_ptr failure)
{
    timeout_->stop();
    if (auto request = std::exchange(pending_, nullptr)) {
        request->failure = std::move(failure);
        request->settled->open();
    }
}

void MLXService::stopWorker()
{
    generation_ = QUuid::createUuid();
    QProcess *process = std::exchange(process_, nullptr);
    const qint64 pid = std::exchange(pid_, 0);
    if (!process)
        return;
    disconnect(process, &QProcess::readyReadStandardOutput, this, nullptr);
    // Discard anything more it writes rather than buffer it without bound.
    process->closeReadChannel(QProcess::StandardOutput);
    process->closeWriteChannel();
    if (process->state() != QProcess::NotRunning)
        process->terminate();
    sweepGroupLater(pid);
}

void MLXService::sweepGroupLater(qint64 pgid)
{
    if (pgid <= 0)
        return;
    // SIGKILL for a worker that ignored SIGTERM, and for anything it left
    // behind in its group even when it exited by itself.
    groupsAwaitingKill_.insert(pgid);
    QTimer::singleShot(kForcedKillDelay, Qt::PreciseTimer, this, [this, pgid] {
        groupsAwaitingKill_.remove(pgid);
        ChildProcessSignals::send(static_cast<pid_t>(pgid), SIGKILL, true);
        if (const std::shared_ptr<ChildLifeline> lifeline = lifelines_.take(pgid))
            lifeline->release();
    });
}

void MLXService::onTimeout()
{
    if (pending_ && pending_->id == timedRequestId_)
        stop(TrovError::mlxFailure(tookTooLong));
}

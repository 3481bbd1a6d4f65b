#include "services/MLXSetup.h"

#include "foundation/ChildLifeline.h"
#include "foundation/ChildProcessSignals.h"
#include "foundation/ProcessExit.h"
#include "platform/DefaultsDomain.h"
#include "services/MLXPaths.h"
#include "services/WorkerLineBuffer.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// The script's path is taken as given: a bare name is not looked up on PATH
// (QProcess would), it names a file in the current folder.
QString launchablePath(const QString &pythonPath)
{
    return pythonPath.isEmpty() ? QString() : QFileInfo(pythonPath).absoluteFilePath();
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

// A stage line is a JSON object whose members are all strings, one of them "stage".
std::optional<QString> stageOf(const QByteArray &line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
    }
    if (!object.contains(QStringLiteral("stage")))
        return std::nullopt;
    return object.value(QStringLiteral("stage")).toString();
}

} // namespace

QString MLXSetup::installedStatus()
{
    return QStringLiteral("Installed \u00B7 ready for offline use");
}

QString MLXSetup::notInstalledStatus()
{
    return QStringLiteral("Optional \u00B7 about 1.25 GB, plus the runtime");
}

QString MLXSetup::preparingStatus()
{
    return QStringLiteral("Preparing your local engine\u2026");
}

QString MLXSetup::launchFailedStatus()
{
    return QStringLiteral("Couldn't launch Python. Choose a native Python 3.10+ executable.");
}

QString MLXSetup::cancelledStatus()
{
    return QStringLiteral("Setup cancelled. Downloaded files can resume.");
}

QString MLXSetup::failedStatus()
{
    return QStringLiteral(
        "Setup could not finish. Check Python 3.10+, your connection and free disk space. Retry when ready.");
}

QString MLXSetup::missingScriptStatus()
{
    return QStringLiteral("Setup files are missing. Reinstall Ravelond.");
}

MLXSetup::MLXSetup(DefaultsDomain &defaults, QObject *parent, FindScript findScript)
    : QObject(parent), defaults_(defaults),
      findScript_(findScript ? std::move(findScript)
                             : FindScript([] { return MLXPaths::resource(QStringLiteral("setup_mlx")); })),
      isReady_(MLXPaths::isReady()), status_(isReady_ ? installedStatus() : notInstalledStatus())
{
    const QVariant stored = defaults_.value(QLatin1String(kPythonPathKey));
    pythonPath_ = stored.typeId() == QMetaType::QString ? stored.toString() : MLXPaths::preferredPython();
}

MLXSetup::~MLXSetup()
{
    if (process_ && process_->state() != QProcess::NotRunning)
        ChildProcessSignals::send(static_cast<pid_t>(pid_), SIGKILL, ChildProcessSignals::leadsOwnGroup(pid_));
    if (groupAwaitingKill_ > 0)
        ChildProcessSignals::send(static_cast<pid_t>(groupAwaitingKill_), SIGKILL, true);
}

void MLXSetup::setPythonPath(const QString &path)
{
    defaults_.setValue(QLatin1String(kPythonPathKey), path);
    if (pythonPath_ == path)
        return;
    pythonPath_ = path;
    Q_EMIT pythonPathChanged(pythonPath_);
}

void MLXSetup::install()
{
    if (isInstalling_)
        return;
    const std::optional<QString> script = findScript_();
    if (!script) {
        // A press that changes nothing would look like a broken button.
        setStatus(missingScriptStatus());
        return;
    }
    setInstalling(true);
    setReady(false);
    wasCancelled_ = false;
    setStatus(preparingStatus());

    auto *process = new QProcess(this);
    process->setProgram(launchablePath(pythonPath_));
    process->setArguments({QStringLiteral("-u"), *script, QStringLiteral("--root"), MLXPaths::root()});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that a cancel also reaches what the script
    // starts, and nothing of it outlives us however we end.
    auto lifeline = std::make_shared<ChildLifeline>();
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([lifeline, parent] { lifeline->hold(parent); });
    auto buffer = std::make_shared<WorkerLineBuffer>();
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process, buffer] {
        for (const QByteArray &line : buffer->append(process->readAllStandardOutput()))
            receiveLine(line);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && process == process_)
            launchFailed(process);
    });
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus exitStatus) {
        scriptFinished(process, exitCode, exitStatus);
    });

    // Tell the user at once when the path names nothing runnable; an exec
    // failure QProcess finds out later is reported the same way.
    if (!isExecutableFile(process->program())) {
        launchFailed(process);
        return;
    }
    process_ = process;
    process->start(QIODevice::ReadOnly);
    lifeline->started();
    lifeline_ = lifeline;
    if (process->state() == QProcess::NotRunning) {
        launchFailed(process);
        return;
    }
    pid_ = process->processId();
}

void MLXSetup::launchFailed(QProcess *process)
{
    if (process_ == process) {
        process_ = nullptr;
        pid_ = 0;
        releaseLifeline();
    }
    process->deleteLater();
    setInstalling(false);
    setStatus(launchFailedStatus());
}

void MLXSetup::receiveLine(const QByteArray &line)
{
    if (const std::optional<QString> stage = stageOf(line))
        setStatus(*stage);
}

void MLXSetup::scriptFinished(QProcess *process, int exitCode, int exitStatus)
{
    process->deleteLater();
    if (process != process_)
        return;
    process_ = nullptr;
    pid_ = 0;
    // Whatever the script left running in its group ends with it.
    releaseLifeline();
    setInstalling(false);
    setReady(MLXPaths::isReady());
    if (wasCancelled_)
        setStatus(cancelledStatus());
    else if (exitStatus == QProcess::NormalExit && exitCode == 0)
        setStatus(installedStatus());
    else
        setStatus(failedStatus());
}

void MLXSetup::cancel()
{
    if (!process_ || process_->state() == QProcess::NotRunning)
        return;
    wasCancelled_ = true;
    const bool leadsGroup = ChildProcessSignals::leadsOwnGroup(static_cast<pid_t>(pid_));
    if (leadsGroup)
        ChildProcessSignals::send(static_cast<pid_t>(pid_), SIGTERM, true);
    else
        process_->terminate();
    killLater(pid_, leadsGroup);
}

void MLXSetup::killLater(qint64 pid, bool groupAtCancel)
{
    if (groupAtCancel)
        groupAwaitingKill_ = pid;
    const QPointer<QProcess> process = process_;
    QTimer::singleShot(kForcedKillDelay, Qt::PreciseTimer, this, [this, process, pid, groupAtCancel] {
        if (groupAwaitingKill_ == pid)
            groupAwaitingKill_ = 0;
        const bool running = process && process->state() != QProcess::NotRunning;
        const auto target = static_cast<pid_t>(pid);
        // The group is killed even when its leader obeyed SIGTERM: a child that
        // ignored it would otherwise live on with nobody to stop it.
        if (groupAtCancel || (running && ChildProcessSignals::leadsOwnGroup(target)))
            ChildProcessSignals::send(target, SIGKILL, true);
        else if (running)
            ChildProcessSignals::send(target, SIGKILL, false);
    });
}

void MLXSetup::releaseLifeline()
{
    if (lifeline_)
        std::exchange(lifeline_, nullptr)->release();
}

void MLXSetup::refresh()
{
    setReady(MLXPaths::isReady());
}

QCoro::Task<void> MLXSetup::shutdown()
{
    const QPointer<QProcess> process = process_;
    cancel();
    co_await ProcessExit::of(process.data());
}

void MLXSetup::setReady(bool ready)
{
    if (isReady_ == ready)
        return;
    isReady_ = ready;
    Q_EMIT isReadyChanged(isReady_);
}

void MLXSetup::setInstalling(bool installing)
{
    if (isInstalling_ == installing)
        return;
    isInstalling_ = installing;
    Q_EMIT isInstallingChanged(isInstalling_);
}

void MLXSetup::setStatus(const QString &status)
{
    if (status_ == status)
        return;
    status_ = status;
    Q_EMIT statusChanged(status_);
}

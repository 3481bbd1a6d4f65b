#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class DefaultsDomain;
class ChildLifeline;
class QProcess;

// Installs and repairs the local engine by running the bundled set-up script
// with the user's Python, and publishes its progress as one status line.
// Lives on the GUI thread; views observe the properties.
class MLXSetup : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isReady READ isReady NOTIFY isReadyChanged)
    Q_PROPERTY(bool isInstalling READ isInstalling NOTIFY isInstallingChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString pythonPath READ pythonPath WRITE setPythonPath NOTIFY pythonPathChanged)
public:
    static constexpr std::chrono::milliseconds kForcedKillDelay{1'000};
    static constexpr auto kPythonPathKey = "pythonPath";

    static QString installedStatus();
    static QString notInstalledStatus();
    static QString preparingStatus();
    static QString launchFailedStatus();
    static QString cancelledStatus();
    static QString failedStatus();
    static QString missingScriptStatus();

    // Where the set-up script is, or nothing when it is missing.
    using FindScript = std::function<std::optional<QString>()>;

    // `defaults` holds the chosen interpreter under "pythonPath"; it must
    // outlive this object. The script is looked for in the resource bundle
    // unless `findScript` is given.
    explicit MLXSetup(DefaultsDomain &defaults, QObject *parent = nullptr, FindScript findScript = {});
    // A set-up still running is killed with its process group: nothing it
    // started may outlive the application.
    ~MLXSetup() override;

    bool isReady() const { return isReady_; }
    bool isInstalling() const { return isInstalling_; }
    QString status() const { return status_; }
    QString pythonPath() const { return pythonPath_; }
    // Stored in the defaults on every assignment, unchanged and unchecked.
    void setPythonPath(const QString &path);

    // Starts the set-up script unless one runs; returns at once. When the
    // script is missing it only says so in the status. The script leads a
    // process group of its own that ends with this process (ChildLifeline).
    void install();
    // SIGTERM to the script (to its process group when it leads one), SIGKILL 1.0 s later.
    void cancel();
    // Re-reads whether the engine is installed; the status text stays.
    void refresh();
    // Cancels and returns once the script has exited; at once when none runs.
    QCoro::Task<void> shutdown();

Q_SIGNALS:
    void isReadyChanged(bool isReady);
    void isInstallingChanged(bool isInstalling);
    void statusChanged(const QString &status);
    void pythonPathChanged(const QString &pythonPath);

private:
    void setReady(bool ready);
    void setInstalling(bool installing);
    void setStatus(const QString &status);
    void launchFailed(QProcess *process);
    void receiveLine(const QByteArray &line);
    void scriptFinished(QProcess *process, int exitCode, int exitStatus);
    void killLater(qint64 pid, bool groupAtCancel);
    void releaseLifeline();

    DefaultsDomain &defaults_;
    const FindScript findScript_;
    bool isReady_;
    bool isInstalling_ = false;
    QString status_;
    QString pythonPath_;
    QProcess *process_ = nullptr;
    // processId() reads 0 once the child has exited.
    qint64 pid_ = 0;
    bool wasCancelled_ = false;
    // A cancelled script's group that still gets SIGKILL when the grace period ends.
    qint64 groupAwaitingKill_ = 0;
    // The running script's tie to our life; released once it has ended.
    std::shared_ptr<ChildLifeline> lifeline_;
};

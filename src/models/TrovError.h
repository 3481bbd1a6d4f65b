#pragma once

#include <QString>
#include <exception>

// The program's one error type: the user-facing failures, a platform error
// that carries its own description, and cancellation of the awaiting task.
class TrovError : public std::exception {
public:
    enum Kind {
        mlx,
        capture,
        permission,
        cancelled,
        noText,
        invalidImage,
        mlxNotReady,
        truncated,
        clipboard,
        visionBusy,
        // An error of the platform (files, recogniser, screen), shown with its own text.
        platform,
        // The awaiting task was cancelled (not a user-facing failure).
        taskCancelled,
    };

    static TrovError mlxFailure(QString message) { return TrovError(mlx, std::move(message)); }
    static TrovError captureFailure(QString message) { return TrovError(capture, std::move(message)); }
    static TrovError platformFailure(QString description) { return TrovError(platform, std::move(description)); }
    static TrovError of(Kind kind) { return TrovError(kind, QString()); }
    // Any caught exception as the program's one error type: a TrovError as it
    // is, anything else as a platform failure with its own description.
    static TrovError from(const std::exception_ptr &failure);

    Kind kind() const { return kind_; }

    // The message shown to the user.
    QString errorDescription() const;

    // A user cancel or a cancelled task: the application model treats both alike.
    bool isCancellation() const { return kind_ == cancelled || kind_ == taskCancelled; }

    const char *what() const noexcept override { return utf8Description_.constData(); }

private:
    TrovError(Kind kind, QString carried);

    Kind kind_;
    QString carried_;
    QByteArray utf8Description_;
};

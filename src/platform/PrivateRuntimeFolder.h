#pragma once

#include <QString>

// The folder for per-user runtime files such as sockets and locks: the
// session's $XDG_RUNTIME_DIR, or, without one, a folder of our own in the
// shared temporary directory. A folder there may have been made by anybody, so
// it is used only when it is a real folder (not a link), owned by this user
// and closed to everybody else.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() = delete;

    struct Choice {
        QString path;
        // Why no folder could be used; empty when `path` is good.
        QString problem;
    };

    static Choice resolve();

    // Creates `path` (mode 0700) when it is missing, then checks it is a folder
    // only this user can enter. What is wrong with it, or nothing.
    static QString prepare(const QString &path);
};

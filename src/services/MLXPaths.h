#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where the local engine lives and whether it is installed. Stateless: the
// environment and the file system are consulted afresh on every call, because
// the set-up script (a separate process) fills the folder behind our back.
class MLXPaths {
public:
    // $RAVELOND_MLX_ROOT taken as given (relative to the current folder), else
    // ~/.local/share/app.ravelond.Ravelond/MLX.
    static QString root();
    // The private runtime's interpreter: root/runtime/bin/python3.
    static QString python();
    // The model folder handed to the worker: root/model.
    static QString model();
    // root/ready.json: only its existence counts.
    static QString readyMarker();

    // The runtime's interpreter is an executable file and the marker exists.
    static bool isReady();

    // MLX/<name>.py in the first resource bundle folder that exists, or nothing.
    static std::optional<QString> resource(const QString &scriptName);

    // The default interpreter for the set-up: the first executable candidate,
    // else /usr/bin/python3 all the same.
    static QString preferredPython();
    static QString preferredPython(const QStringList &candidates);
    static QStringList pythonCandidates();
};

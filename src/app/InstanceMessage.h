#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a second launch asks of the running instance, one line on its socket:
// "reopen", or "open " and an absolute path, percent-encoded.
struct InstanceMessage {
    enum Kind { reopen, open };

    // Longer lines are not messages of ours.
    static constexpr qsizetype maximumBytes = 8192;

    Kind kind = reopen;
    QString path;

    static InstanceMessage reopenRequest() { return {reopen, {}}; }
    static InstanceMessage openRequest(const QString &absolutePath) { return {open, absolutePath}; }

    // The line, ending in a line feed.
    QByteArray encoded() const;
    // A line without its line feed; nothing when it is not exactly one of ours.
    static std::optional<InstanceMessage> decode(const QByteArray &line);
};

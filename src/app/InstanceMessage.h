#pragma once

#include <QByteArray>

#include <optional>

// What a second launch asks of the running instance, one line on its socket:
// "reopen", or "open " and an absolute path, percent-encoded. The path is the
// file system's own bytes, so any name Linux allows gets through, whether or
// not it is valid text in the user's locale.
struct InstanceMessage {
    enum Kind { reopen, open };

    // Far above PATH_MAX: a path the kernel would take is never refused here.
    static constexpr qsizetype maximumPathBytes = 64 * 1024;
    // Longer lines are not messages of ours (every path byte may take three).
    static constexpr qsizetype maximumBytes = 5 + 3 * maximumPathBytes;

    Kind kind = reopen;
    QByteArray path;

    static InstanceMessage reopenRequest() { return {reopen, {}}; }
    static InstanceMessage openRequest(const QByteArray &absolutePath) { return {open, absolutePath}; }

    // The line, ending in a line feed.
    QByteArray encoded() const;
    // A line without its line feed; nothing when it is not exactly one of ours.
    static std::optional<InstanceMessage> decode(const QByteArray &line);
};

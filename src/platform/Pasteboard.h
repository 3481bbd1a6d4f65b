#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <QCoroTask>

#include <optional>
#include <stop_token>

// A clipboard as the stores and services see it: a change count that grows
// with every change of ownership or content, the MIME types of the current
// content, its plain text, and the two writes a copy needs.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Grows whenever the content changes; comparing it is the cheap way to
    // notice a change without reading any content.
    virtual qint64 changeCount() const = 0;

    // The MIME types offered for the current content (empty when there is none).
    virtual QStringList types() const = 0;

    // The current content as plain text, none when it offers no text.
    virtual std::optional<QString> string() const = 0;

    virtual void clearContents() = 0;

    // Puts `text` on the pasteboard as plain text; false when it was not taken.
    virtual bool setString(const QString &text) = 0;

    // Resumes once this process has seen what other programs last did with
    // the pasteboard, so that a write after it is not refused as older than
    // theirs. Only a shared clipboard ever needs to wait; a stop ends the
    // wait at once.
    virtual QCoro::Task<> catchUp(std::stop_token token);

    // The desktop's clipboard (never the X11 primary selection). Needs a
    // QGuiApplication; lives as long as the process.
    static Pasteboard &general();

    // A private pasteboard held in memory, the same object for the same name
    // until it is released.
    static Pasteboard &named(const QString &name);
    static void releaseNamed(const QString &name);
};

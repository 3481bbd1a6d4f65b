#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>
#include <sys/types.h>

// Saves a text the user chose to keep as a file of its own: UTF-8, exactly
// the text (no line end added), written whole or not at all (a temporary file
// in the same folder, then renamed over the target). Replacing a file keeps
// its permissions; a new file gets the usual ones (0666 less the umask). A
// symbolic link stays a link: the file it points to is replaced.
class TextFileWriter {
public:
    TextFileWriter() = delete;

    // Nothing when the text was saved; otherwise what went wrong, in a
    // sentence for the user. A failed save leaves the old file as it was.
    static std::optional<QString> write(const QString &path, const QString &text);
    // The same, on a background thread: a slow disk never stalls the interface.
    static QCoro::Task<std::optional<QString>> writeInBackground(QString path, QString text);

    // The mode a new file gets.
    static mode_t newFileMode();
    // The sentence for a failed save of `path` with this errno.
    static QString failureDescription(const QString &path, int errorNumber);
};

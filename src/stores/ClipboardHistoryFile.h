#pragma once

#include "foundation/AtomicFileWriter.h"
#include "models/ClipboardHistoryItem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The blocking side of the history file, for the background pool: read, save,
// set aside and remove. Every function works on its path alone, keeps no
// state and never throws; failures are dropped (the store reports none).
class ClipboardHistoryFile {
public:
    // A loaded list in the store's order, with each item's canonical key.
    struct Contents {
        QList<ClipboardHistoryItem> items;
        QStringList keys;
    };

    // The file's items, pinned first, then newest first; a repeated id keeps
    // its first record only. None when the file is missing or unreadable; a
    // damaged file is set aside then. Stale temporary copies are removed first.
    static std::optional<Contents> read(const QString &path);

    // Replaces the file atomically with the list, owner-only, creating the folder.
    static bool save(const QString &path, const QList<ClipboardHistoryItem> &items,
                     const AtomicFileWriter::StepGate &gate = {});

    // The file, every copy set aside and every stale temporary copy.
    static void removeAll(const QString &path);
    // Only what a save that died mid-way left behind (the writer's temporary
    // copies) and the copies set aside.
    static void removeLeftovers(const QString &path);

    // Where the first damaged file is kept; later ones get "-2", "-3", …
    static QString unreadableCopyPath(const QString &path);
    // Every copy set aside and every temporary copy beside the file.
    static QStringList leftovers(const QString &path);

private:
    static void setAside(const QString &path);
    static void removeTemporaryCopies(const QString &path);
};

#pragma once

#include "models/ClipboardHistoryItem.h"
#include "support/AtomicFileWriter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class Pasteboard;
class QTimer;

// The opt-in history of plain text copied anywhere: pinned items first, then
// the rest newest first. Two independent switches: recording (the watch of the
// pasteboard) and the history file.
class ClipboardHistoryStore final : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maximumUnpinnedItems = 100;
    static constexpr qsizetype maximumRecordedCharacters = 100000;
    static constexpr std::chrono::milliseconds pollInterval{750};

    // Content offered under any of these types is never recorded: the markers
    // password managers and similar tools set on private clips.
    static const QStringList &sensitiveTypeIdentifiers();

    // ~/.local/share/app.ravelond.Ravelond/clipboard-history.json
    static QString defaultStoragePath();

    // The default file and the desktop clipboard.
    explicit ClipboardHistoryStore(QObject *parent = nullptr);
    ClipboardHistoryStore(QString storagePath, Pasteboard &pasteboard, QObject *parent = nullptr);
    ~ClipboardHistoryStore() override;

    const QList<ClipboardHistoryItem> &items() const { return items_; }
    bool isEnabled() const { return isEnabled_; }
    bool persists() const { return persists_; }
    bool isMonitoring() const { return timer_ != nullptr; }
    qint64 lastChangeCount() const { return lastChangeCount_; }
    QString storagePath() const { return storagePath_; }
    // Where a history file that could not be read is kept instead of being
    // overwritten, so that no pinned item is lost to a damaged file.
    QString unreadableCopyPath() const;

    // On: what is on the pasteboard now is never recorded; the file is read
    // when it is already switched on; the poll starts. Off: as disableAndClear().
    void setEnabled(bool enabled);
    // On: saves at once a non-empty list, never reads. Off: deletes the file, keeps the list.
    void setPersistence(bool persists);
    // Recording off, poll stopped, list emptied, file deleted.
    void disableAndClear();
    // Stops the poll only (at shutdown).
    void stopMonitoring();

    void togglePin(const QUuid &id);
    void deleteItem(const QUuid &id);
    void clearAll();

    void record(const QString &text, const QDateTime &date = QDateTime::currentDateTimeUtc());

    static bool shouldRecord(const QStringList &typeIdentifiers, const std::optional<QString> &text);

    // One look at the pasteboard: nothing but the change count is read unless it changed.
    void poll();

    // Asked before each step of every save, to watch or interrupt it (tests do).
    void setSaveStepGate(AtomicFileWriter::StepGate gate) { saveStepGate_ = std::move(gate); }

Q_SIGNALS:
    void itemsChanged();

private:
    qsizetype pinnedCount() const;
    qsizetype indexOfText(const QString &text) const;
    qsizetype indexOfId(const QUuid &id) const;
    void insertByPinState(ClipboardHistoryItem item);
    void trimToLimit();
    void saveIfNeeded();
    void load();
    void setAsideUnreadableFile();
    void removeFiles();
    void stopTimer();

    QString storagePath_;
    Pasteboard &pasteboard_;
    QList<ClipboardHistoryItem> items_;
    bool isEnabled_ = false;
    bool persists_ = false;
    QTimer *timer_ = nullptr;
    qint64 lastChangeCount_;
    AtomicFileWriter::StepGate saveStepGate_;
};

#pragma once

#include "foundation/AtomicFileWriter.h"
#include "foundation/SerialWork.h"
#include "models/ClipboardHistoryItem.h"
#include "stores/ClipboardHistoryFile.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class Pasteboard;
class QTimer;

// The opt-in history of plain text copied anywhere: pinned items first, then
// the rest newest first. Two independent switches: recording (the watch of the
// pasteboard) and the history file.
//
// The file is never touched on the GUI thread: every change takes a snapshot
// of the list (cheap, the list is shared until the next change) and the
// background writes it; file work runs one job at a time in the order it was
// asked for, and of several snapshots waiting to be written only the newest
// is. A load, too, is read and decoded in the background; changes asked for
// meanwhile are applied once it has arrived, in their order.
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

    // The pasteboard is not owned and must outlive the store.
    ClipboardHistoryStore(QString storagePath, Pasteboard &pasteboard, QObject *parent = nullptr);
    ~ClipboardHistoryStore() override;

    const QList<ClipboardHistoryItem> &items() const { return items_; }
    bool isEnabled() const { return isEnabled_; }
    bool persists() const { return persists_; }
    bool isMonitoring() const { return timer_ != nullptr; }
    qint64 lastChangeCount() const { return lastChangeCount_; }
    QString storagePath() const { return storagePath_; }
    // Where a history file that could not be read is kept instead of being
    // overwritten, so that no pinned item is lost to a damaged file (later
    // damaged files go beside it, never over it).
    QString unreadableCopyPath() const;
    // A load is being read in the background.
    bool isLoading() const { return loading_; }

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

    // Asked before each step of every save, on the background thread, to watch
    // or interrupt it (tests do).
    void setSaveStepGate(AtomicFileWriter::StepGate gate) { saveStepGate_ = std::move(gate); }

    // Returns once every file operation asked for so far is done: a load
    // applied, the last snapshot written, a file removed.
    QCoro::Task<void> whenFileIdle();

Q_SIGNALS:
    void itemsChanged();

private:
    qsizetype pinnedCount() const;
    qsizetype indexOfText(const QString &text, QString &key) const;
    qsizetype indexOfId(const QUuid &id) const;
    void insertAt(qsizetype index, ClipboardHistoryItem item, QString key);
    void insertByPinState(ClipboardHistoryItem item, QString key);
    void removeAt(qsizetype index);
    void clearList();
    void trimToLimit();
    void saveIfNeeded();
    void removeFiles();
    void load();
    void applyLoaded(int generation, std::optional<ClipboardHistoryFile::Contents> contents);
    // While a load is on its way, a change waits for it; true when it was put off.
    bool deferredWhileLoading(std::function<void()> change);
    void stopTimer();

    QString storagePath_;
    Pasteboard &pasteboard_;
    QList<ClipboardHistoryItem> items_;
    // Each item's canonical key, index for index: computed once, when the
    // item is made or loaded, never again per copy.
    QStringList keys_;
    bool loading_ = false;
    int loadGeneration_ = 0;
    std::vector<std::function<void()>> deferred_;
    bool isEnabled_ = false;
    bool persists_ = false;
    QTimer *timer_ = nullptr;
    qint64 lastChangeCount_;
    AtomicFileWriter::StepGate saveStepGate_;
    // Last, so that it goes first: no file job's completion reaches a store being destroyed.
    SerialWork fileWork_;
};

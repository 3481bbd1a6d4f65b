// Cost of the clipboard history's two hot paths, each beside a peer measured
// in the same run:
// - a poll that finds no change (it must read no content), beside one real
//   read of the clipboard's types and text;
// - recording one copy into a full history (100 unpinned + 50 pinned items)
//   including the atomic, flushed save of the file, beside a naive full
//   re-serialisation with QJsonDocument and QSaveFile;
// - the GUI thread's time per copy with a full history of long texts (100
//   items of 100,000 characters, persisted), plain and decomposed (NFD), beside
//   the synchronous record-and-save the store did before its file work moved to
//   the background (every item re-normalised with Qt, the file encoded and
//   flushed on the GUI thread); then whether the file equals the list;
// - the GUI thread's time to switch recording on with a 10 MB history file.

#include "Statistics.h"

#include "foundation/AtomicFileWriter.h"
#include "models/ClipboardHistoryCodec.h"
#include "models/TextProcessing.h"
#include "platform/MemoryPasteboard.h"
#include "platform/Pasteboard.h"
#include "stores/ClipboardHistoryFile.h"
#include "stores/ClipboardHistoryStore.h"

#include <QCoroTask>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int runs = 301;

// Forwards to a real pasteboard and counts every read of its content.
class CountingPasteboard final : public Pasteboard {
public:
    explicit CountingPasteboard(Pasteboard &inner) : inner_(inner) {}
    qint64 changeCount() const override { return inner_.changeCount(); }
    QStringList types() const override
    {
        ++contentReads;
        return inner_.types();
    }
    std::optional<QString> string() const override
    {
        ++contentReads;
        return inner_.string();
    }
    void clearContents() override { inner_.clearContents(); }
    bool setString(const QString &text) override { return inner_.setString(text); }

    mutable long contentReads = 0;

private:
    Pasteboard &inner_;
};

// Median of `runs` timings of `batch` calls, in microseconds per call.
double medianMicroseconds(int batch, const std::function<void()> &call)
{
    std::vector<double> samples;
    samples.reserve(runs);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < batch; ++i)
            call();
        samples.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0 / batch);
    }
    std::nth_element(samples.begin(), samples.begin() + runs / 2, samples.end());
    return samples[runs / 2];
}

QString sampleText(int index)
{
    return QStringLiteral("Copied text number %1: the quick brown fox jumps over the lazy dog, "
                          "then writes a line of notes \u00E9\u00E8 and a link https://example.org/%1")
        .arg(index);
}

void fillFullHistory(ClipboardHistoryStore &store)
{
    for (int i = 0; i < 50; ++i) {
        store.record(sampleText(i));
        store.togglePin(store.items().at(i).id);
    }
    for (int i = 50; i < 150; ++i)
        store.record(sampleText(i));
}

bool naiveSave(const QString &path, const QList<ClipboardHistoryItem> &items)
{
    QJsonArray array;
    for (const ClipboardHistoryItem &item : items) {
        array.append(QJsonObject{
            {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("text"), item.text},
            {QStringLiteral("date"), ClipboardHistoryCodec::secondsSinceReferenceDate(item.date)},
            {QStringLiteral("isPinned"), item.isPinned},
        });
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(array).toJson(QJsonDocument::Compact));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.commit();
}

// On X11 another program owns the clipboard, so a read crosses processes as it
// does for the user's copies; elsewhere this process offers the text itself.
std::unique_ptr<QProcess> offerClipboardText(const QString &text)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        !QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
        auto xclip = std::make_unique<QProcess>();
        xclip->start(QStringLiteral("xclip"),
                     {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        xclip->waitForStarted();
        xclip->write(text.toUtf8());
        xclip->closeWriteChannel();
        const qint64 before = Pasteboard::general().changeCount();
        QElapsedTimer waited;
        waited.start();
        while (Pasteboard::general().changeCount() == before && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return xclip;
    }
    Pasteboard::general().setString(text);
    return nullptr;
}

void benchPoll()
{
    auto owner = offerClipboardText(sampleText(7));
    CountingPasteboard pasteboard(Pasteboard::general());
    QTemporaryDir folder;
    ClipboardHistoryStore store(folder.filePath(QStringLiteral("clipboard-history.json")), pasteboard);
    store.setEnabled(true);
    store.stopMonitoring();

    const double idlePoll = medianMicroseconds(1000, [&store] { store.poll(); });
    const long idleReads = pasteboard.contentReads;
    const double contentRead = medianMicroseconds(1, [&pasteboard] {
        const QStringList types = pasteboard.types();
        const std::optional<QString> text = pasteboard.string();
        Q_UNUSED(types);
        Q_UNUSED(text);
    });
    std::printf("platform: %s, clipboard owned by %s\n", qPrintable(QGuiApplication::platformName()),
                owner ? "xclip (another process)" : "this process");
    std::printf("poll with no change:         %10.3f us median, content reads during %d polls: %ld\n", idlePoll,
                runs * 1000, idleReads);
    std::printf("peer, one clipboard read:    %10.3f us median (types + text)\n", contentRead);
    if (owner)
        owner->kill(), owner->waitForFinished();
}

void benchRecordAndSave()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("clipboard-history.json"));
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store(path, pasteboard);
    fillFullHistory(store);
    store.setPersistence(true);

    int next = 1000;
    const double recordAndSave = medianMicroseconds(1, [&] {
        store.record(sampleText(next++));
        QCoro::waitFor(store.whenFileIdle());
    });
    store.setPersistence(false);
    const double recordOnly = medianMicroseconds(1, [&] { store.record(sampleText(next++)); });
    const QString naivePath = folder.filePath(QStringLiteral("naive.json"));
    const double naive = medianMicroseconds(1, [&] { naiveSave(naivePath, store.items()); });
    const double encodeOnly = medianMicroseconds(1, [&] { ClipboardHistoryCodec::encode(store.items()); });

    std::printf("history: %lld items (%lld pinned), file %lld bytes, folder %s\n",
                static_cast<long long>(store.items().size()),
                static_cast<long long>(std::count_if(store.items().begin(), store.items().end(),
                                                     [](const ClipboardHistoryItem &item) { return item.isPinned; })),
                static_cast<long long>(ClipboardHistoryCodec::encode(store.items()).size()), qPrintable(folder.path()));
    std::printf("record + background save, awaited (ours): %7.1f us median\n", recordAndSave);
    std::printf("  of which record only:      %10.1f us median\n", recordOnly);
    std::printf("  of which encode only:      %10.1f us median\n", encodeOnly);
    std::printf("peer, QJsonDocument+QSaveFile: %8.1f us median (save only)\n", naive);
}

// `count` characters of prose with accented letters, composed or decomposed,
// made unique by `index` at the front.
QString longText(int index, bool decomposed, qsizetype count = 100000)
{
    static const QString prose =
        QString::fromUtf8("Le café près de l'hôtel où Zoë a étudié la théorie; Müller übergab Größe und Maß. ");
    static const QString decomposedProse = prose.normalized(QString::NormalizationForm_D);
    const QString &piece = decomposed ? decomposedProse : prose;
    QString text = QStringLiteral("%1 ").arg(index);
    text.reserve(count + piece.size());
    while (text.size() < count)
        text += piece;
    text.truncate(count);
    return text;
}

// The record of the store before its file work moved off the GUI thread: the
// lookup normalised every stored text, and the save encoded and flushed the
// whole file on the spot.
void synchronousRecord(QList<ClipboardHistoryItem> &items, const QString &text, const QString &path)
{
    const QString composed = text.normalized(QString::NormalizationForm_C);
    qsizetype found = -1;
    for (qsizetype i = 0; i < items.size() && found < 0; ++i) {
        if (items.at(i).text == text || items.at(i).text.normalized(QString::NormalizationForm_C) == composed)
            found = i;
    }
    if (found >= 0)
        items.move(found, 0);
    else
        items.prepend(ClipboardHistoryItem(text, QDateTime::currentDateTimeUtc()));
    while (items.size() > ClipboardHistoryStore::maximumUnpinnedItems)
        items.removeLast();
    AtomicFileWriter::write(path, ClipboardHistoryCodec::encode(items), 0600);
}

void benchLongHistory(bool decomposed, int ourCopies, int peerCopies)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("clipboard-history.json"));
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store(path, pasteboard);
    store.setPersistence(true);
    for (int i = 0; i < 100; ++i)
        store.record(longText(i, decomposed));
    QCoro::waitFor(store.whenFileIdle());

    // Copies a few seconds apart, as a user makes them: each save has
    // finished before the next copy (only the record itself is timed).
    std::vector<double> ours;
    for (int i = 0; i < ourCopies; ++i) {
        const QString text = longText(1000 + i, decomposed);
        QElapsedTimer timer;
        timer.start();
        store.record(text);
        ours.push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoro::waitFor(store.whenFileIdle());
    }
    // And a burst without waiting: only the newest snapshot must reach the file.
    for (int i = 0; i < 20; ++i)
        store.record(longText(2000 + i, decomposed));
    QCoro::waitFor(store.whenFileIdle());
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const bool fileEqualsList = ClipboardHistoryCodec::decode(file.readAll()) == std::optional(store.items());

    QList<ClipboardHistoryItem> items = store.items();
    const QString peerPath = folder.filePath(QStringLiteral("synchronous.json"));
    std::vector<double> peer;
    for (int i = 0; i < peerCopies; ++i) {
        const QString text = longText(3000 + i, decomposed);
        QElapsedTimer timer;
        timer.start();
        synchronousRecord(items, text, peerPath);
        peer.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    const char *kind = decomposed ? "decomposed (NFD)" : "composed";
    std::printf("100 items x 100000 characters, %s, file %.1f MB:\n", kind, double(QFileInfo(path).size()) / 1e6);
    std::printf("  record, GUI thread (ours):     %9.3f ms median, %9.3f ms max over %d copies "
                "(target <= 2 / 5 ms)\n",
                Statistics::median(ours), *std::max_element(ours.begin(), ours.end()), ourCopies);
    std::printf("  peer, synchronous record+save: %9.3f ms median, %9.3f ms max over %d copies\n",
                Statistics::median(peer), *std::max_element(peer.begin(), peer.end()), peerCopies);
    std::printf("  file equals the list after the last save (after a burst of 20): %s\n",
                fileEqualsList ? "yes" : "NO");
}

void benchLoad()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("clipboard-history.json"));
    QList<ClipboardHistoryItem> items;
    for (int i = 0; i < 100; ++i)
        items.append(ClipboardHistoryItem(longText(i, true), QDateTime::currentDateTimeUtc(), i < 20));
    ClipboardHistoryFile::save(path, items);
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store(path, pasteboard);
    store.setPersistence(true);
    QElapsedTimer timer;
    timer.start();
    store.setEnabled(true);
    const double onGuiThread = double(timer.nsecsElapsed()) / 1e6;
    QCoro::waitFor(store.whenFileIdle());
    const double untilLoaded = double(timer.nsecsElapsed()) / 1e6;
    store.stopMonitoring();

    timer.restart();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const auto decoded = ClipboardHistoryCodec::decode(file.readAll());
    for (const ClipboardHistoryItem &item : *decoded)
        Q_UNUSED(item.text.normalized(QString::NormalizationForm_C));
    const double synchronous = double(timer.nsecsElapsed()) / 1e6;
    std::printf("load of a %.1f MB file (%lld items):\n", double(QFileInfo(path).size()) / 1e6,
                static_cast<long long>(store.items().size()));
    std::printf("  switching recording on, GUI thread (ours): %9.3f ms; items there after %.1f ms\n", onGuiThread,
                untilLoaded);
    std::printf("  peer, synchronous read + decode + Qt NFC:  %9.3f ms\n", synchronous);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::printf("median of %d runs each\n", runs);
    benchPoll();
    benchRecordAndSave();
    benchLongHistory(false, 50, 20);
    // Today's lookup re-normalises every decomposed item with Qt, seconds per copy: few runs.
    benchLongHistory(true, 50, 3);
    benchLoad();
    return 0;
}

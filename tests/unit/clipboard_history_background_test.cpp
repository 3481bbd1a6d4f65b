#include "foundation/BoundedWait.h"
#include "foundation/CanonicalText.h"
#include "foundation/SerialWork.h"
#include "models/ClipboardHistoryCodec.h"
#include "platform/MemoryPasteboard.h"
#include "stores/ClipboardHistoryFile.h"
#include "stores/ClipboardHistoryStore.h"
#include "support/Await.h"
#include "support/Gate.h"
#include "support/TestFiles.h"

#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

QByteArray record(const QString &id, const QString &text, int date, bool pinned = false)
{
    return QStringLiteral(R"({"id":"%1","text":"%2","date":%3,"isPinned":%4})")
        .arg(id, text)
        .arg(date)
        .arg(pinned ? QStringLiteral("true") : QStringLiteral("false"))
        .toUtf8();
}

const QString idA = QStringLiteral("9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B");
const QString idB = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");

class ClipboardHistoryBackgroundTest : public ::testing::Test {
protected:
    QString filePath() const { return folder.filePath(QStringLiteral("data/clipboard-history.json")); }
    static void settle(ClipboardHistoryStore &store) { await(store.whenFileIdle()); }

    QStringList texts(const ClipboardHistoryStore &from) const
    {
        QStringList result;
        for (const ClipboardHistoryItem &item : from.items())
            result << item.text;
        return result;
    }

    // Persistence, then recording: the launch order that loads the file.
    void switchOn(ClipboardHistoryStore &target)
    {
        target.setPersistence(true);
        target.setEnabled(true);
    }

    QTemporaryDir folder;
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store{filePath(), pasteboard};
};

} // namespace

TEST(CanonicalTextTest, EquivalentTextsShareOneKeyAndOthersDoNot)
{
    const QString composed = QStringLiteral("caf\u00E9 \u00C5ngstr\u00F6m");
    const QString decomposed = QStringLiteral("cafe\u0301 A\u030Angstro\u0308m");
    EXPECT_EQ(CanonicalText::key(composed), composed) << "a composed text is its own key";
    EXPECT_EQ(CanonicalText::key(decomposed), composed);
    // Combining marks in another order that means the same.
    EXPECT_EQ(CanonicalText::key(QStringLiteral("q\u0307\u0323")), CanonicalText::key(QStringLiteral("q\u0323\u0307")));
    EXPECT_NE(CanonicalText::key(QStringLiteral("Cafe\u0301")), composed.left(4));
    EXPECT_NE(CanonicalText::key(QStringLiteral("e")), CanonicalText::key(QStringLiteral("\u00E9")));
    // Long decomposed texts, as copied from PDFs, agree with Qt's own (slow) normalisation.
    const QString longText = QStringLiteral("Re\u0301sume\u0301 na\u0131\u0308ve ").repeated(2000);
    EXPECT_EQ(CanonicalText::key(longText), longText.normalized(QString::NormalizationForm_C));
}

TEST_F(ClipboardHistoryBackgroundTest, DecomposedCopiesMatchLoadedAndRecordedItems)
{
    writeFile(filePath(), "[" + record(idA, QStringLiteral("cafe\\u0301"), 10) + "]");
    switchOn(store);
    settle(store);
    store.record(QStringLiteral("caf\u00E9"));
    store.record(QStringLiteral("A\u030A"));
    store.record(QStringLiteral("\u00C5"));
    EXPECT_EQ(texts(store), (QStringList{QStringLiteral("A\u030A"), QStringLiteral("cafe\u0301")}));
    EXPECT_EQ(store.items().last().id, QUuid::fromString(idA)) << "the loaded item kept its id";
}

TEST_F(ClipboardHistoryBackgroundTest, ARepeatedIdIsLoadedOnceAndTheFirstRecordWins)
{
    writeFile(filePath(), "[" + record(idA, QStringLiteral("first"), 10) + "," +
                              record(idA, QStringLiteral("second"), 20, true) + "," +
                              record(idB, QStringLiteral("other"), 5) + "]");
    switchOn(store);
    settle(store);
    EXPECT_EQ(texts(store), (QStringList{QStringLiteral("first"), QStringLiteral("other")}));
    store.togglePin(QUuid::fromString(idA));
    store.deleteItem(QUuid::fromString(idB));
    settle(store);
    const auto saved = ClipboardHistoryCodec::decode(contents(filePath()));
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->size(), 1);
    EXPECT_TRUE(saved->first().isPinned);
}

TEST_F(ClipboardHistoryBackgroundTest, DamagedFilesAreSetAsideBesideEachOtherAndALinkIsMovedNotFollowed)
{
    // A damaged file that is a link: the link is moved, its target stays as it was.
    const QString target = folder.filePath(QStringLiteral("elsewhere.json"));
    writeFile(target, "damaged one");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    QDir().mkpath(QFileInfo(filePath()).absolutePath());
    ASSERT_TRUE(QFile::link(target, filePath()));
    {
        ClipboardHistoryStore first(filePath(), pasteboard);
        switchOn(first);
        settle(first);
    }
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u) << "the link's target was not changed";
    EXPECT_EQ(QFileInfo(store.unreadableCopyPath()).symLinkTarget(), target);

    // A second damaged file goes beside the first, never over it.
    writeFile(filePath(), "damaged two");
    switchOn(store);
    settle(store);
    EXPECT_EQ(contents(store.unreadableCopyPath()), "damaged one");
    EXPECT_EQ(contents(store.unreadableCopyPath() + QStringLiteral("-2")), "damaged two");
    EXPECT_EQ(ClipboardHistoryFile::leftovers(filePath()).size(), 2);
}

TEST_F(ClipboardHistoryBackgroundTest, ClearingTurningOffAndLoadingRemoveStaleCopies)
{
    // What saves that died mid-way leave: temporary copies beside the file.
    const auto leaveStaleCopy = [this] {
        writeFile(filePath() + QStringLiteral(".Ab3dE9"), "[{\"half a save\"");
        writeFile(filePath() + QStringLiteral(".unreadable"), "set aside");
    };
    const QString unrelated = filePath() + QStringLiteral(".backup-by-the-user");
    writeFile(unrelated, "mine");

    leaveStaleCopy();
    switchOn(store);
    settle(store);
    EXPECT_FALSE(QFile::exists(filePath() + QStringLiteral(".Ab3dE9"))) << "loading";
    EXPECT_TRUE(QFile::exists(store.unreadableCopyPath())) << "a load keeps what was set aside";

    store.record(QStringLiteral("text"));
    leaveStaleCopy();
    store.clearAll();
    settle(store);
    EXPECT_TRUE(ClipboardHistoryFile::leftovers(filePath()).isEmpty()) << "clearing";
    EXPECT_EQ(contents(filePath()), "[]");

    leaveStaleCopy();
    store.setPersistence(false);
    settle(store);
    EXPECT_TRUE(ClipboardHistoryFile::leftovers(filePath()).isEmpty()) << "switching the file off";
    EXPECT_FALSE(QFile::exists(filePath()));

    store.setPersistence(true);
    leaveStaleCopy();
    store.setEnabled(false);
    settle(store);
    EXPECT_TRUE(ClipboardHistoryFile::leftovers(filePath()).isEmpty()) << "switching recording off";
    EXPECT_EQ(contents(unrelated), "mine");
}

TEST_F(ClipboardHistoryBackgroundTest, ABurstOfChangesIsSavedOnceAtMostPerWaitingSnapshotAndTheNewestWins)
{
    std::atomic<int> writes = 0;
    store.setSaveStepGate([&writes](AtomicFileWriter::Step step) {
        if (step == AtomicFileWriter::Step::replaceTarget)
            ++writes;
        return true;
    });
    store.setPersistence(true);
    for (int i = 0; i < 50; ++i)
        store.record(QStringLiteral("copy %1").arg(i));
    store.togglePin(store.items().last().id);
    settle(store);
    EXPECT_LE(writes.load(), 2) << "the first save, then the newest snapshot";
    const auto saved = ClipboardHistoryCodec::decode(contents(filePath()));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, store.items()) << "the file equals the list after the last save";
}

TEST_F(ClipboardHistoryBackgroundTest, ChangesMadeWhileTheFileLoadsApplyAfterItInTheirOrder)
{
    writeFile(filePath(), "[" + record(idA, QStringLiteral("saved"), 10, true) + "," +
                              record(idB, QStringLiteral("older"), 5) + "]");
    switchOn(store);
    ASSERT_TRUE(store.isLoading());
    store.record(QStringLiteral("copied during the load"));
    store.deleteItem(QUuid::fromString(idB));
    EXPECT_TRUE(store.items().isEmpty()) << "nothing is applied before the load";
    settle(store);
    EXPECT_FALSE(store.isLoading());
    EXPECT_EQ(texts(store), (QStringList{QStringLiteral("saved"), QStringLiteral("copied during the load")}));
    EXPECT_EQ(ClipboardHistoryCodec::decode(contents(filePath())), std::optional(store.items()));
}

TEST_F(ClipboardHistoryBackgroundTest, SwitchingRecordingOffDuringALoadDropsItAndWhatWaitedForIt)
{
    writeFile(filePath(), "[" + record(idA, QStringLiteral("saved"), 10) + "]");
    switchOn(store);
    store.record(QStringLiteral("copied during the load"));
    store.setEnabled(false);
    settle(store);
    EXPECT_TRUE(store.items().isEmpty());
    EXPECT_FALSE(QFile::exists(filePath()));
}

TEST_F(ClipboardHistoryBackgroundTest, AStoreDestroyedWithSavesPendingStillWritesTheNewest)
{
    {
        ClipboardHistoryStore shortLived(filePath(), pasteboard);
        shortLived.setPersistence(true);
        shortLived.record(QStringLiteral("first"));
        shortLived.record(QStringLiteral("last"));
    }
    // Nothing of the store is left to ask: wait for the file itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return contents(filePath()).contains("last"); }, 10000));
}

// The machinery underneath: serial background jobs and bounded waits.

namespace {

// What the jobs did, in the order they did it, from whichever thread.
struct Log {
    std::mutex mutex;
    QStringList entries;

    void add(const QString &entry)
    {
        const std::lock_guard lock(mutex);
        entries << entry;
    }
};

} // namespace

TEST(SerialWorkTest, JobsRunInOrderAndOnlyTheNewestWaitingReplaceableOneRuns)
{
    Log log;
    auto gate = std::make_shared<Gate>();
    SerialWork work;
    QStringList completions;
    work.post([gate, &log] {
        gate->wait();
        log.add(QStringLiteral("first"));
    });
    for (int i = 1; i <= 3; ++i)
        work.postReplaceable([&log, i] { log.add(QStringLiteral("snapshot %1").arg(i)); });
    work.post([&log] { log.add(QStringLiteral("remove")); }, [&completions] { completions << "removed"; });
    work.postReplaceable([&log] { log.add(QStringLiteral("snapshot 4")); });
    EXPECT_FALSE(work.isIdle());
    gate->open();
    await(work.idle());
    EXPECT_TRUE(work.isIdle());
    EXPECT_EQ(log.entries, (QStringList{"first", "snapshot 3", "remove", "snapshot 4"}));
    EXPECT_EQ(completions, QStringList{"removed"});
}

// Every thread of this process on one processor: a thread woken there often
// runs before the one that woke it goes on, as on a single-core machine.
class OneProcessor {
public:
    OneProcessor()
    {
        sched_getaffinity(0, sizeof(before_), &before_);
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        forEachThread(one);
    }
    ~OneProcessor() { forEachThread(before_); }

private:
    static void forEachThread(const cpu_set_t &set)
    {
        const QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            sched_setaffinity(pid_t(task.toInt()), sizeof(set), &set);
    }

    cpu_set_t before_;
};

TEST(SerialWorkTest, ACompletionNeverRunsInsideThePostHoweverQuicklyItsJobEnds)
{
    SerialWork work;
    await(work.idle());
    work.post([] {});
    await(work.idle()); // the pool's thread is made and waits for work
    const OneProcessor oneProcessor;
    bool posting = false;
    int completedInsidePost = 0;
    for (int round = 0; round < 500; ++round) {
        posting = true;
        work.post([] {}, [&] { completedInsidePost += posting ? 1 : 0; });
        posting = false;
        await(work.idle());
    }
    EXPECT_EQ(completedInsidePost, 0);
}

TEST(SerialWorkTest, NoCompletionRunsOnceTheOwnerIsGoneButTheJobsStillDo)
{
    Log log;
    auto gate = std::make_shared<Gate>();
    bool completed = false;
    {
        SerialWork work;
        work.post(
            [gate, &log] {
                gate->wait();
                log.add(QStringLiteral("ran"));
            },
            [&completed] { completed = true; });
        work.post([&log] { log.add(QStringLiteral("queued")); }, [&completed] { completed = true; });
    }
    gate->open();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(log.mutex);
            return log.entries.size() == 2;
        },
        10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
}

TEST(BoundedWaitTest, GivesUpAfterItsLimitAndReportsWhatFinishedInTime)
{
    auto quick = []() -> QCoro::Task<void> { co_await QCoro::sleepFor(1ms); };
    EXPECT_TRUE(await(BoundedWait::forAtMost(quick(), 10s)));
    // Slower than the limit; it still runs to its end afterwards, unawaited.
    auto finished = std::make_shared<bool>(false);
    auto slow = [](std::shared_ptr<bool> done) -> QCoro::Task<void> {
        co_await QCoro::sleepFor(300ms);
        *done = true;
    };
    EXPECT_FALSE(await(BoundedWait::forAtMost(slow(finished), 20ms)));
    EXPECT_FALSE(*finished);
    EXPECT_TRUE(QTest::qWaitFor([&] { return *finished; }, 10000));
}

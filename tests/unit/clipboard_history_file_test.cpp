#include "foundation/AtomicFileWriter.h"
#include "models/ClipboardHistoryCodec.h"
#include "platform/MemoryPasteboard.h"
#include "stores/ClipboardHistoryFile.h"
#include "stores/ClipboardHistoryStore.h"
#include "support/Await.h"
#include "support/Patience.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Every file of the folder is readable by its owner only.
void expectOwnerOnlyFiles(const QString &folder)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &entry : entries)
        EXPECT_EQ(permissionBits(entry.filePath()), 0600u) << entry.fileName().toStdString();
}

// Files written while it lives cannot grow beyond `bytes`: a write past it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, previous_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// Makes every file the process creates readable by all unless it says otherwise.
class PermissiveUmask {
public:
    PermissiveUmask() : previous_(::umask(0)) {}
    ~PermissiveUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
}

class ClipboardHistoryFileTest : public ::testing::Test {
protected:
    QString folderPath() const { return folder.filePath(QStringLiteral("Application Support/app")); }
    QString filePath() const { return folderPath() + QStringLiteral("/clipboard-history.json"); }

    // A store as after a relaunch that restores the saved history, once the load has arrived.
    std::unique_ptr<ClipboardHistoryStore> relaunchedStore()
    {
        auto store = std::make_unique<ClipboardHistoryStore>(filePath(), pasteboard);
        store->setPersistence(true);
        store->setEnabled(true);
        settle(*store);
        return store;
    }

    // The file work asked for so far is done.
    static void settle(ClipboardHistoryStore &store) { await(store.whenFileIdle()); }

    QTemporaryDir folder;
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store{filePath(), pasteboard};
};

const QByteArray recordLackingPin = R"([{"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"pinned","date":10,
"isPinned":true},{"id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D","text":"no pin","date":5}])";

} // namespace

TEST_F(ClipboardHistoryFileTest, WritesExactlyTheFourFieldsInOrderWithTheReferenceDateEpoch)
{
    store.setPersistence(true);
    store.record(QStringLiteral("say \"hi\"\n\\ \u00E9\t\u0001"), referenceDate().addMSecs(1500));
    settle(store);
    const ClipboardHistoryItem &item = store.items().first();
    const QByteArray expected = "[{\"id\":\"" + item.id.toString(QUuid::WithoutBraces).toUpper().toLatin1() +
                                "\",\"text\":\"say \\\"hi\\\"\\n\\\\ \xC3\xA9\\t\\u0001\",\"date\":1.5,"
                                "\"isPinned\":false}]";
    EXPECT_EQ(contents(filePath()), expected);

    store.record(QStringLiteral("later"), QDateTime(QDate(2026, 12, 8), QTime(19, 0, 0, 250), Qt::UTC));
    settle(store);
    EXPECT_TRUE(contents(filePath()).startsWith(R"([{"id":")"));
    EXPECT_TRUE(contents(filePath()).contains(R"("text":"later","date":818449200.25,"isPinned":false})"));
}

TEST_F(ClipboardHistoryFileTest, TheFileIsOwnerOnlyFromItsFirstAppearance)
{
    PermissiveUmask umask;
    int steps = 0;
    // Look at the folder before every step of a save: the first one and a replacement.
    store.setSaveStepGate([&](AtomicFileWriter::Step) {
        ++steps;
        expectOwnerOnlyFiles(folderPath());
        return true;
    });
    store.setPersistence(true);
    store.record(QStringLiteral("secret-ish"));
    store.record(QStringLiteral("another"));
    settle(store);
    EXPECT_EQ(steps, 10);
    expectOwnerOnlyFiles(folderPath());
    EXPECT_EQ(permissionBits(filePath()), 0600u);
}

TEST_F(ClipboardHistoryFileTest, ASaveInterruptedAtAnyStepLeavesTheOldOrTheNewFile)
{
    store.setPersistence(true);
    store.record(QStringLiteral("old"));
    settle(store);
    const QByteArray oldContent = contents(filePath());
    const QList<AtomicFileWriter::Step> steps = {
        AtomicFileWriter::Step::createTemporary, AtomicFileWriter::Step::writeContent,
        AtomicFileWriter::Step::flushToDisk,     AtomicFileWriter::Step::closeTemporary,
        AtomicFileWriter::Step::replaceTarget,
    };
    for (AtomicFileWriter::Step stop : steps) {
        store.setSaveStepGate([stop](AtomicFileWriter::Step step) { return step != stop; });
        store.record(QStringLiteral("new ") + QString(1 << 16, QLatin1Char('x')));
        settle(store);
        EXPECT_EQ(contents(filePath()), oldContent) << int(stop);
        EXPECT_EQ(store.items().size(), 2) << "the list in memory is unaffected";
        store.deleteItem(store.items().first().id);
    }
    store.setSaveStepGate({});
    store.record(QStringLiteral("new"));
    settle(store);
    EXPECT_EQ(ClipboardHistoryCodec::decode(contents(filePath()))->size(), 2);

    // A first save interrupted at any step leaves no file at all.
    for (AtomicFileWriter::Step stop : steps) {
        QFile::remove(filePath());
        EXPECT_FALSE(AtomicFileWriter::write(filePath(), "[]", 0600,
                                             [stop](AtomicFileWriter::Step step) { return step != stop; }));
        EXPECT_FALSE(QFile::exists(filePath())) << int(stop);
    }
}

TEST_F(ClipboardHistoryFileTest, AProcessKilledWhileSavingLeavesACompleteFile)
{
    QDir().mkpath(folderPath());
    for (int round = 1; round <= 12; ++round) {
        QProcess saver;
        saver.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/history_saver"), {filePath()});
        ASSERT_TRUE(saver.waitForStarted());
        // Kill after a different number of saves each round (the file grows
        // with each), so the kill lands at many points of a save.
        QByteArray output;
        const auto savesSeen = [&] {
            output += saver.readAllStandardOutput();
            return output.count('\n');
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return savesSeen() >= round; }, Patience::untilHung));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        QSignalSpy finished(&saver, &QProcess::finished);
        ASSERT_TRUE(saver.state() == QProcess::NotRunning || finished.wait(Patience::untilHung));
        output += saver.readAllStandardOutput();

        const QList<QByteArray> lines = output.trimmed().split('\n');
        const long lastReported = lines.last().mid(6).toLong();
        const std::optional<QList<ClipboardHistoryItem>> saved = ClipboardHistoryCodec::decode(contents(filePath()));
        ASSERT_TRUE(saved.has_value()) << "round " << round;
        const long newest = saved->first().text.section(QLatin1Char(' '), 0, 0).toLong();
        EXPECT_TRUE(newest == lastReported || newest == lastReported + 1) << newest << " after " << lastReported;
        EXPECT_EQ(permissionBits(filePath()), 0600u);
    }
}

TEST_F(ClipboardHistoryFileTest, AFailedSaveKeepsTheOldFileAndTheListInMemory)
{
    store.setPersistence(true);
    store.record(QStringLiteral("kept"));
    settle(store);
    const QByteArray saved = contents(filePath());
    {
        // A file-size limit holds for root too: writing the new file fails
        // part-way, as on a full disk.
        FileSizeLimit limit(saved.size() + 64);
        store.record(QString(4096, QLatin1Char('n')));
        settle(store);
    }
    EXPECT_EQ(contents(filePath()), saved);
    EXPECT_EQ(store.items().size(), 2);
    EXPECT_TRUE(ClipboardHistoryFile::leftovers(filePath()).isEmpty()) << "the failed copy is removed";
}

TEST_F(ClipboardHistoryFileTest, AfterARelaunchItemsComeBackPinnedFirstThenNewestAndAreNotRewritten)
{
    store.setPersistence(true);
    store.record(QStringLiteral("oldest"), referenceDate().addSecs(100));
    store.record(QStringLiteral("pinned early"), referenceDate().addSecs(200));
    store.record(QStringLiteral("middle"), referenceDate().addSecs(300));
    store.record(QStringLiteral("pinned late"), referenceDate().addSecs(400));
    store.record(QStringLiteral("newest"), referenceDate().addSecs(500));
    // Pinned in the other order than their dates: the file keeps pin order, a load sorts by date.
    store.togglePin(store.items().at(1).id);
    store.togglePin(store.items().at(3).id);
    settle(store);
    ASSERT_EQ(store.items().first().text, QStringLiteral("pinned early"));
    const QByteArray saved = contents(filePath());

    auto relaunched = relaunchedStore();
    QStringList texts;
    for (const ClipboardHistoryItem &item : relaunched->items())
        texts.append(item.text + (item.isPinned ? QStringLiteral(" *") : QString()));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("pinned late *"), QStringLiteral("pinned early *"),
                                  QStringLiteral("newest"), QStringLiteral("middle"), QStringLiteral("oldest")}));
    EXPECT_EQ(relaunched->items().last(), store.items().last());
    EXPECT_EQ(contents(filePath()), saved);
}

TEST_F(ClipboardHistoryFileTest, ALoadAcceptsAnyKeyOrderLowerCaseIdsAndExtraKeysAndAppliesTheLimit)
{
    QByteArray file = "[";
    for (int i = 0; i < 105; ++i) {
        if (i > 0)
            file += ",";
        file += QStringLiteral(R"({"isPinned":false,"date":%1,"extra":[1],"text":"t%1","id":"%2"})")
                    .arg(i)
                    .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toLower())
                    .toUtf8();
    }
    file += "]";
    writeFile(filePath(), file);
    auto relaunched = relaunchedStore();
    ASSERT_EQ(relaunched->items().size(), 100);
    EXPECT_EQ(relaunched->items().first().text, QStringLiteral("t104"));
    EXPECT_EQ(relaunched->items().last().text, QStringLiteral("t5"));
}

TEST_F(ClipboardHistoryFileTest, AMalformedFileIsSetAsideOwnerOnlyInsteadOfBeingOverwritten)
{
    PermissiveUmask umask;
    writeFile(filePath(), recordLackingPin);
    ::chmod(QFile::encodeName(filePath()).constData(), 0644);

    auto relaunched = relaunchedStore();
    EXPECT_TRUE(relaunched->items().isEmpty());
    EXPECT_FALSE(QFile::exists(filePath()));
    EXPECT_EQ(contents(relaunched->unreadableCopyPath()), recordLackingPin);
    EXPECT_EQ(permissionBits(relaunched->unreadableCopyPath()), 0600u);

    relaunched->record(QStringLiteral("next"));
    settle(*relaunched);
    ASSERT_TRUE(QFile::exists(filePath()));
    EXPECT_EQ(contents(relaunched->unreadableCopyPath()), recordLackingPin);
    EXPECT_EQ(QDir(folderPath()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "one copy, no leftovers";

    relaunched->clearAll();
    settle(*relaunched);
    EXPECT_FALSE(QFile::exists(relaunched->unreadableCopyPath()));
    EXPECT_EQ(contents(filePath()), "[]");
}

TEST_F(ClipboardHistoryFileTest, EachMalformedRecordMakesTheWholeFileUnreadable)
{
    const QString valid =
        QStringLiteral(R"("id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"t","date":1,"isPinned":false)");
    const QStringList records = {
        QStringLiteral(R"({"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"t","date":1})"),
        QStringLiteral(R"({"id":"not-a-uuid","text":"t","date":1,"isPinned":false})"),
        QStringLiteral(R"({"id":"{9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B}","text":"t","date":1,"isPinned":false})"),
        QStringLiteral(R"({"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":7,"date":1,"isPinned":false})"),
        QStringLiteral(R"({"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"t","date":"1","isPinned":false})"),
        QStringLiteral(R"({"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"t","date":1e300,"isPinned":false})"),
        QStringLiteral(R"({"id":"9F2C1B6E-3A4D-4E5F-8A7B-1C2D3E4F5A6B","text":"t","date":1,"isPinned":1})"),
        QStringLiteral(R"([])"),
    };
    EXPECT_TRUE(ClipboardHistoryCodec::decode(("[{" + valid + "}]").toUtf8()).has_value());
    for (const QString &record : records) {
        const QByteArray file = ("[{" + valid + "}," + record + "]").toUtf8();
        EXPECT_FALSE(ClipboardHistoryCodec::decode(file).has_value()) << record.toStdString();
    }
    EXPECT_FALSE(ClipboardHistoryCodec::decode("{}").has_value());
    EXPECT_FALSE(ClipboardHistoryCodec::decode("[{").has_value());
}

TEST_F(ClipboardHistoryFileTest, TheTwoSwitchesDecideWhatIsReadWrittenAndDeleted)
{
    store.record(QStringLiteral("before the file"));
    EXPECT_FALSE(QFile::exists(filePath())) << "no file while it is switched off";
    store.setPersistence(true);
    settle(store);
    EXPECT_TRUE(contents(filePath()).contains("before the file")) << "switching on saves a non-empty list";

    store.setEnabled(true);
    settle(store);
    EXPECT_EQ(store.items().size(), 1);
    writeFile(filePath(), "[]");
    store.setEnabled(true);
    EXPECT_EQ(store.items().size(), 1) << "switching on again reads nothing";

    store.setPersistence(false);
    settle(store);
    EXPECT_FALSE(QFile::exists(filePath()));
    EXPECT_EQ(store.items().size(), 1) << "the list stays in memory";

    store.setPersistence(true);
    writeFile(store.unreadableCopyPath(), "damaged");
    store.setEnabled(false);
    settle(store);
    EXPECT_TRUE(store.items().isEmpty());
    EXPECT_FALSE(QFile::exists(filePath()));
    EXPECT_FALSE(QFile::exists(store.unreadableCopyPath()));
}

#include "platform/Pasteboard.h"
#include "services/ClipboardService.h"
#include "stores/ClipboardHistoryStore.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int timeoutMs = 10000;

// A program that owns the clipboard from outside this process.
std::unique_ptr<QProcess> startProcess(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted()) << program.toStdString();
    return process;
}

// `xclip` in the foreground takes the clipboard with `text` and serves it
// until another program takes it.
std::unique_ptr<QProcess> copyWithXclip(const QString &text)
{
    auto xclip = startProcess(QStringLiteral("xclip"),
                              {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip->write(text.toUtf8());
    xclip->closeWriteChannel();
    return xclip;
}

std::unique_ptr<QProcess> offerWithHelper(const QString &text, const QStringList &types)
{
    QStringList arguments;
    for (const QString &type : types)
        arguments << QStringLiteral("--type") << type;
    arguments << text;
    auto helper =
        startProcess(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/clipboard_offer"), arguments);
    EXPECT_TRUE(QTest::qWaitFor([&] { return helper->readAllStandardOutput().contains("offering"); }, timeoutMs));
    return helper;
}

// Reads the clipboard as another program would; our event loop keeps running
// meanwhile so that this process can answer when it owns the clipboard.
QByteArray readWithXclip()
{
    auto xclip = startProcess(QStringLiteral("xclip"),
                              {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    QSignalSpy finished(xclip.get(), &QProcess::finished);
    EXPECT_TRUE(finished.wait(timeoutMs));
    return xclip->readAllStandardOutput();
}

class ClipboardX11Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()); }

    bool waitForItems(qsizetype count)
    {
        return QTest::qWaitFor([&] { return store.items().size() == count; }, timeoutMs);
    }

    QTemporaryDir folder;
    ClipboardHistoryStore store{folder.filePath(QStringLiteral("clipboard-history.json")), Pasteboard::general()};
};

} // namespace

TEST_F(ClipboardX11Test, TextCopiedByAnotherProgramIsRecordedWithinAPoll)
{
    auto before = copyWithXclip(QStringLiteral("on the clipboard before"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Pasteboard::general().changeCount() > 0; }, timeoutMs));
    store.setEnabled(true);

    auto xclip = copyWithXclip(QStringLiteral("  copied in another program\n"));
    ASSERT_TRUE(waitForItems(1));
    EXPECT_EQ(store.items().first().text, QStringLiteral("  copied in another program\n"));
}

TEST_F(ClipboardX11Test, TextOfferedWithThePasswordManagerHintIsNeverRecorded)
{
    store.setEnabled(true);
    const qint64 countBefore = Pasteboard::general().changeCount();
    auto secret = offerWithHelper(QStringLiteral("hunter2"), {QStringLiteral("x-kde-passwordManagerHint=secret")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.lastChangeCount() > countBefore; }, timeoutMs))
        << "the poll looked at the offered secret";
    EXPECT_TRUE(Pasteboard::general().types().contains(QStringLiteral("x-kde-passwordManagerHint")));
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("hunter2"));

    auto xclip = copyWithXclip(QStringLiteral("after the secret"));
    ASSERT_TRUE(waitForItems(1));
    EXPECT_EQ(store.items().first().text, QStringLiteral("after the secret"));

    // The helper lets go once another program has taken the clipboard.
    QSignalSpy finished(secret.get(), &QProcess::finished);
    EXPECT_TRUE(secret->state() == QProcess::NotRunning || finished.wait(timeoutMs));
}

TEST_F(ClipboardX11Test, OurCopyIsReadableByOtherProgramsAndABlankCopyLeavesTheirText)
{
    auto xclip = copyWithXclip(QStringLiteral("theirs"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Pasteboard::general().string() == QStringLiteral("theirs"); }, timeoutMs));
    EXPECT_FALSE(ClipboardService::copy(QStringLiteral(" \t\n ")));
    EXPECT_EQ(readWithXclip(), QByteArray("theirs"));

    ASSERT_TRUE(ClipboardService::copy(QStringLiteral("  Grüße from Ravelond \n")));
    EXPECT_EQ(readWithXclip(), QStringLiteral("  Grüße from Ravelond \n").toUtf8());
}

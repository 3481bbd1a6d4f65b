#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "models/ShortTime.h"
#include "support/FeedbackModelFixture.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include "foundation/TextFileWriter.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "views/MenuBarView.h"
#include "views/ResultView.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ResultViewTest : public ::testing::Test {
protected:
    ResultViewTest() : environment(accessibility, appearance, [] { return true; })
    {
        fixture.model().copyText = [this](const QString &text) {
            copies << text;
            return fixture.clipboardAccepts;
        };
    }

    ResultView &showResult(const QString &text, double elapsed = 0.3456)
    {
        window = std::make_unique<QWidget>();
        environment.attach(*window);
        view = new ResultView(CaptureResult(text, OCREngine::vision, elapsed), fixture.model(), window.get());
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        window->resize(640, 470);
        window->show();
        return *view;
    }

    QTextEdit &editor() const { return *view->findChild<QTextEdit *>(QStringLiteral("editor")); }
    QAbstractButton &button(const char *name) const { return *view->findChild<QAbstractButton *>(QLatin1String(name)); }
    QString counts() const { return view->findChild<ClampedLabel *>(QStringLiteral("counts"))->text(); }

    // Saves through the dialog to `path`; whether the file was written.
    bool saveTo(const QString &path)
    {
        QSignalSpy finished(view, &ResultView::saveFinished);
        button("saveButton").click();
        QFileDialog *dialog = view->saveDialog();
        if (!dialog)
            return false;
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
        // The save may have finished before the wait begins.
        if (finished.isEmpty() && !finished.wait(Patience::untilHung))
            return false;
        return finished.first().first().toBool();
    }

    QList<QMessageBox *> alerts() const { return view->findChildren<QMessageBox *>(QStringLiteral("saveFailedAlert")); }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    FeedbackModelFixture fixture;
    QStringList copies;
    std::unique_ptr<QWidget> window;
    ResultView *view = nullptr;
};

QString folder(const QString &name)
{
    const QString path = QDir(TestEnvironment::root()).filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

} // namespace

TEST_F(ResultViewTest, CountsFollowTheEditedTextAndEmptinessDisablesBothButtons)
{
    const struct {
        QString text;
        QString counts;
        bool enabled;
    } cases[] = {
        {QStringLiteral("Text"), QStringLiteral("4 characters · 1 words"), true},
        {QStringLiteral("a\nb  c"), QStringLiteral("6 characters · 3 words"), true},
        {QStringLiteral("  \n "), QStringLiteral("4 characters · 0 words"), true},
        {QStringLiteral("a\tb\u00a0c"), QStringLiteral("5 characters · 3 words"), true},
        {QStringLiteral("👍🏽 e\u0301"), QStringLiteral("3 characters · 2 words"), true},
        {QString(), QStringLiteral("0 characters · 0 words"), false},
    };
    showResult(QStringLiteral("seed"));
    for (const auto &row : cases) {
        SCOPED_TRACE(row.text.toStdString());
        editor().setPlainText(row.text);
        EXPECT_EQ(view->text(), row.text) << "kept exactly, no-break spaces included";
        EXPECT_EQ(counts(), row.counts);
        EXPECT_EQ(ResultView::countsText(row.text), row.counts);
        EXPECT_EQ(button("saveButton").isEnabled(), row.enabled);
        EXPECT_EQ(button("copyButton").isEnabled(), row.enabled);
    }
}

TEST_F(ResultViewTest, TheHeaderNamesEngineTimingAndTimeAndTheEditorIsNamedForScreenReaders)
{
    const CaptureResult result(QStringLiteral("x"), OCREngine::vision, 0.3456);
    EXPECT_EQ(ResultView::metadataText(result),
              QStringLiteral("Apple Vision · 345 ms · ") + ShortTime::text(result.date.time()));
    showResult(QStringLiteral("x"));
    EXPECT_EQ(editor().accessibleName(), QStringLiteral("Recognized text. Edit before copying."));
    EXPECT_TRUE(
        view->findChild<ClampedLabel *>(QStringLiteral("metadata"))->text().startsWith("Apple Vision · 345 ms"));
}

TEST_F(ResultViewTest, CopyTakesTheEditedTextShowsCopiedAndEachCopyRestartsTheWait)
{
    fixture.copy(QStringLiteral("Kept as recognised"));
    showResult(QStringLiteral("Kept as recognised"));
    copies.clear();
    editor().selectAll();
    QTest::keyClicks(&editor(), QStringLiteral("Edited"));
    button("copyButton").click();
    EXPECT_EQ(copies, QStringList{QStringLiteral("Edited")});
    EXPECT_TRUE(view->showsCopied());
    EXPECT_EQ(button("copyButton").text(), QStringLiteral("Copied"));
    EXPECT_EQ(button("copyButton").property("symbol").toString(), QStringLiteral("checkmark"));
    EXPECT_EQ(fixture.model().latest()->text, QStringLiteral("Kept as recognised")) << "edits never reach the result";

    auto *reset = view->findChild<QTimer *>();
    ASSERT_NE(reset, nullptr);
    reset->start(200); // a copy 1.3 s in: the second copy must start the 1.5 s over
    button("copyButton").click();
    EXPECT_GT(reset->remainingTime(), 1400);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->showsCopied(); }, 5000));
    EXPECT_EQ(button("copyButton").text(), QStringLiteral("Copy text"));
    EXPECT_EQ(button("copyButton").property("symbol").toString(), QStringLiteral("doc.on.doc"));

    fixture.clipboardAccepts = false;
    button("copyButton").click();
    EXPECT_FALSE(view->showsCopied()) << "a copy that did not reach the clipboard confirms nothing";
}

TEST_F(ResultViewTest, ReturnOnAFocusedButtonPressesIt)
{
    fixture.copy(QStringLiteral("Heron"));
    showResult(QStringLiteral("Heron"));
    copies.clear();
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        button("copyButton").setFocus(Qt::TabFocusReason);
        QTest::keyClick(&button("copyButton"), Qt::Key(key));
    }
    EXPECT_EQ(copies, (QStringList{QStringLiteral("Heron"), QStringLiteral("Heron")}));
    QTest::keyClick(&button("copyButton"), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(copies.size(), 2) << "only a plain Return presses";
}

TEST_F(ResultViewTest, WhileCapturingCopyAndItsShortcutAreInertAndSaveStaysUsable)
{
    showResult(QStringLiteral("Shortcut"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), Patience::untilHung));
    editor().setFocus();
    // A button's shortcut clicks it the way a mouse would, after showing it pressed for 100 ms.
    QTest::keyClick(&editor(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !copies.isEmpty(); }, Patience::untilHung));
    EXPECT_EQ(copies, QStringList{QStringLiteral("Shortcut")});
    EXPECT_TRUE(view->showsCopied());
    QTest::keyClick(&editor(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return copies.size() == 2; }, Patience::untilHung))
        << "the shortcut outlives the label's change";

    fixture.select();
    EXPECT_FALSE(button("copyButton").isEnabled());
    EXPECT_TRUE(button("saveButton").isEnabled());
    QTest::keyClick(&editor(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::qWait(300); // longer than the click the shortcut would have made
    EXPECT_EQ(copies.size(), 2);
}

TEST_F(ResultViewTest, ClosingTheWindowCancelsTheResetAndTheSaveDialog)
{
    showResult(QStringLiteral("Closing"));
    button("copyButton").click();
    button("saveButton").click();
    QPointer<QFileDialog> dialog = view->saveDialog();
    ASSERT_TRUE(dialog);
    auto *reset = view->findChild<QTimer *>();
    window->close();
    EXPECT_FALSE(reset->isActive()) << "nothing is written after the window has gone";
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, Patience::untilHung))
        << "the dialog goes with its window";
    window.reset(); // the view with it, while "Copied" shows
}

TEST_F(ResultViewTest, SaveWritesTheEditedTextAsUtf8WithNothingAdded)
{
    showResult(QStringLiteral("Captured"));
    editor().setPlainText(QStringLiteral("é\n"));
    const QString path = QDir(folder(QStringLiteral("saves"))).filePath(ResultView::proposedFileName);
    ASSERT_TRUE(saveTo(path));
    EXPECT_EQ(contents(path), QByteArray("\xC3\xA9\x0A"));
    EXPECT_TRUE(alerts().isEmpty());

    button("saveButton").click();
    ASSERT_NE(view->saveDialog(), nullptr);
    EXPECT_EQ(view->saveDialog()->selectedFiles().value(0).section(QLatin1Char('/'), -1), ResultView::proposedFileName);
    QSignalSpy finished(view, &ResultView::saveFinished);
    view->saveDialog()->reject();
    QTest::qWait(50);
    EXPECT_EQ(finished.count(), 0) << "a cancelled dialog writes nothing";
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(ResultViewTest, AFailedSaveShowsOneAlertAndLosesNothing)
{
    showResult(QStringLiteral("Keep me"));
    const QString missing = QDir(folder(QStringLiteral("saves"))).filePath(QStringLiteral("gone"));
    EXPECT_FALSE(saveTo(QDir(missing).filePath(ResultView::proposedFileName)));
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts().first()->text().contains(ResultView::proposedFileName))
        << alerts().first()->text().toStdString();
    EXPECT_EQ(alerts().first()->textFormat(), Qt::PlainText);
    EXPECT_EQ(view->text(), QStringLiteral("Keep me"));
    EXPECT_TRUE(button("saveButton").isEnabled()) << "the user may try again";
}

TEST(TextFileWriterTest, ReplacesWholeKeepsModesAndLinksAndReportsFailures)
{
    const QString root = folder(QStringLiteral("writer"));
    const auto in = [&root](const QString &name) { return QDir(root).filePath(name); };
    const auto write = [](const QString &path, const QByteArray &content, mode_t mode) {
        writeFile(path, content);
        ::chmod(QFile::encodeName(path).constData(), mode);
    };

    // A new file: exactly the text, with the usual permissions.
    EXPECT_EQ(TextFileWriter::write(in("new.txt"), QStringLiteral("new")), std::nullopt);
    EXPECT_EQ(contents(in("new.txt")), QByteArray("new"));
    EXPECT_EQ(permissionBits(in("new.txt")), TextFileWriter::newFileMode());

    // Replacing a file keeps its mode.
    write(in("private.txt"), "old", 0640);
    EXPECT_EQ(TextFileWriter::write(in("private.txt"), QStringLiteral("replaced")), std::nullopt);
    EXPECT_EQ(contents(in("private.txt")), QByteArray("replaced"));
    EXPECT_EQ(permissionBits(in("private.txt")), mode_t(0640));

    // Through a link: the link stays, the file it names is replaced.
    write(in("target.txt"), "old", 0600);
    QFile::link(in("target.txt"), in("link.txt"));
    EXPECT_EQ(TextFileWriter::write(in("link.txt"), QStringLiteral("through")), std::nullopt);
    EXPECT_TRUE(QFileInfo(in("link.txt")).isSymLink());
    EXPECT_EQ(contents(in("target.txt")), QByteArray("through"));

    // Failures say which file and leave what was there. Root may write into
    // any folder a mode protects; the kernel's own folders refuse even root.
    const QString readOnly = ::geteuid() == 0 ? QStringLiteral("/proc") : in("read-only");
    if (::geteuid() != 0) {
        QDir().mkpath(readOnly);
        ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    }
    const std::optional<QString> refused = TextFileWriter::write(QDir(readOnly).filePath("x.txt"), QStringLiteral("x"));
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->contains(QStringLiteral("“x.txt”"))) << refused->toStdString();
    if (::geteuid() != 0)
        ::chmod(QFile::encodeName(readOnly).constData(), 0755);
    const std::optional<QString> missing = TextFileWriter::write(in("gone/x.txt"), QStringLiteral("x"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_TRUE(missing->contains(QStringLiteral("“x.txt”"))) << missing->toStdString();
    QDir().mkpath(in("folder.txt"));
    write(in("folder.txt/inside"), "untouched", 0644);
    EXPECT_TRUE(TextFileWriter::write(in("folder.txt"), QStringLiteral("x")).has_value());
    EXPECT_EQ(contents(in("folder.txt/inside")), QByteArray("untouched"));
    EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden | QDir::System).filter("folder.txt."), QStringList())
        << "no temporary file left behind";
}

TEST_F(ResultViewTest, OpeningThePanelAndTheResultWindowChangesNoStoredSetting)
{
    fixture.settings().setEngine(OCREngine::mlx);
    fixture.settings().setKeepLineBreaks(false);
    fixture.settings().setRememberSession(true);
    fixture.copy(QStringLiteral("kept"));
    const auto checksum = [this] {
        return QCryptographicHash::hash(contents(fixture.settings().defaults().filePath()), QCryptographicHash::Sha256);
    };
    const QByteArray before = checksum();
    ASSERT_FALSE(before.isEmpty());
    QWidget popover(nullptr, Qt::FramelessWindowHint);
    environment.attach(popover);
    auto *panel =
        new MenuBarView(fixture.model(), fixture.settings(), fixture.model().mlxSetup(), fixture.history(), &popover);
    popover.show();
    panel->show();
    showResult(QStringLiteral("kept"));
    QTest::qWait(50);
    EXPECT_EQ(checksum(), before);
}

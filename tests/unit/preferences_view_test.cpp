#include "doubles/FakePermission.h"
#include "doubles/RecordingFileReveal.h"
#include "support/Await.h"
#include "support/ChildProcessTest.h"
#include "support/FeedbackModelFixture.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"
#include "support/TessdataFolder.h"
#include "support/TestFiles.h"

#include "app/WindowController.h"
#include "models/RecognitionLanguageName.h"
#include "services/MLXPaths.h"
#include "services/MLXSetup.h"
#include "views/LocalEngineTab.h"
#include "views/PreferencesView.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// Screen access that is granted as soon as it is asked for.
class GrantingPermission : public FakePermission {
public:
    void requestPermission() override
    {
        ++requests;
        granted = true;
    }
};

QStringList itemTexts(const QComboBox &picker)
{
    QStringList texts;
    for (int index = 0; index < picker.count(); ++index)
        texts.append(picker.itemText(index));
    return texts;
}

// Picks an item as a user does with the keyboard: opens the pop-up, moves to the item, presses Return.
void pick(QComboBox &picker, const QString &text)
{
    picker.showPopup();
    QAbstractItemView *list = picker.view();
    list->setCurrentIndex(list->model()->index(picker.findText(text), 0));
    QTest::keyClick(list, Qt::Key_Return);
}

void click(QAbstractButton &button)
{
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
}

class PreferencesViewTest : public ChildProcessTest {
protected:
    void TearDown() override
    {
        if (fixture)
            await(setup().shutdown());
        window.reset();
        fixture.reset();
        ChildProcessTest::TearDown();
    }

    // The model, with the engine installed unless `installed` is false.
    void build(bool installed = true, const FeedbackModelFixture::Adjust &more = {})
    {
        fixture = std::make_unique<FeedbackModelFixture>([&](AppModel::Dependencies &dependencies) {
            dependencies.platform.permission = &permission;
            dependencies.fileReveal = &reveal;
            if (!installed)
                QFile::remove(MLXPaths::readyMarker());
            if (more)
                more(dependencies);
        });
        window = std::make_unique<QWidget>();
        window->setFixedSize(WindowController::preferencesSize);
        view = new PreferencesView(fixture->model(), fixture->settings(), setup(), window.get());
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }

    // Shows the window and waits for its languages. A listing that finished
    // before the wait began (it may, on a busy machine) has already been
    // signalled: QSignalSpy::wait waits for the next one.
    void show()
    {
        QSignalSpy listed(view, &PreferencesView::languagesListed);
        window->show();
        ASSERT_TRUE(!listed.isEmpty() || listed.wait(Patience::untilHung));
    }

    QByteArray settingsFile() const { return contents(fixture->defaults().filePath()); }

    // Shown whenever its tab is: not hidden of its own.
    bool shown(const QString &name) const { return !named(name).isHidden(); }

    template <typename Widget = QWidget>
    Widget &named(const QString &name) const
    {
        auto *widget = view->findChild<Widget *>(name);
        if (!widget)
            throw std::runtime_error("no widget named " + name.toStdString());
        return *widget;
    }

    QString status() const { return setup().status(); }
    MLXSetup &setup() const { return fixture->model().mlxSetup(); }

    TessdataFolder languages{{QStringLiteral("deu"), QStringLiteral("eng"), QStringLiteral("fra")}};
    GrantingPermission permission;
    RecordingFileReveal reveal;
    std::unique_ptr<FeedbackModelFixture> fixture;
    std::unique_ptr<QWidget> window;
    PreferencesView *view = nullptr;
};

} // namespace

TEST(RecognitionLanguageNameTest, NamesTheLanguageAndSpellsOutWhatFollowsIt)
{
    const struct {
        const char *code;
        const char *name;
    } cases[] = {
        {"eng", "English"},
        {"deu", "German"},
        {"es", "Spanish"},
        {"grc", "Ancient Greek"},
        {"chi_sim", "Chinese (Simplified)"},
        {"chi_tra", "Chinese (Traditional)"},
        {"chi_sim_vert", "Chinese (Simplified, vertical)"},
        {"aze_cyrl", "Azerbaijani (Cyrillic)"},
        {"srp_latn", "Serbian (Latin)"},
        {"deu_latf", "German (Fraktur)"},
        {"ita_old", "Italian (Old)"},
        {"script/Latin", "Latin script"},
        {"script/HanT_vert", "Han Traditional script (vertical)"},
        {"script/Canadian_Aboriginal", "Canadian Aboriginal script"},
        {"enm", "enm"},
        {"qqq_sim", "qqq_sim"},
        {"", ""},
    };
    for (const auto &example : cases)
        EXPECT_EQ(RecognitionLanguageName::of(QString::fromUtf8(example.code)), QString::fromUtf8(example.name))
            << example.code;
}

TEST_F(PreferencesViewTest, TheLanguagePickerOffersTheInstalledLanguagesWithoutScriptDetection)
{
    const struct {
        QStringList installed;
        QStringList texts;
        QStringList codes;
    } cases[] = {
        {{QStringLiteral("deu"), QStringLiteral("eng"), QStringLiteral("osd"), QStringLiteral("script/Latin")},
         {QStringLiteral("Detect automatically"), QStringLiteral("German"), QStringLiteral("English"),
          QStringLiteral("Latin script")},
         {QStringLiteral("auto"), QStringLiteral("deu"), QStringLiteral("eng"), QStringLiteral("script/Latin")}},
        {{}, {QStringLiteral("Detect automatically")}, {QStringLiteral("auto")}},
    };
    for (const auto &example : cases) {
        const TessdataFolder installed(example.installed);
        build();
        auto &picker = named<QComboBox>(QStringLiteral("languagePicker"));
        EXPECT_EQ(itemTexts(picker), QStringList{QStringLiteral("Detect automatically")}) << "before the listing";
        show();
        EXPECT_EQ(itemTexts(picker), example.texts);
        QStringList codes;
        for (int index = 0; index < picker.count(); ++index)
            codes.append(picker.itemData(index).toString());
        EXPECT_EQ(codes, example.codes);
        EXPECT_EQ(picker.currentText(), QStringLiteral("Detect automatically"));
        TearDown();
    }
}

TEST_F(PreferencesViewTest, OpeningClosingSwitchingTabsOrTheModelChangingNeverWritesASetting)
{
    build();
    fixture->settings().setLanguage(QStringLiteral("ita")); // stored, but not installed
    fixture->select();                                      // busy while the window opens
    const QByteArray before = settingsFile();
    ASSERT_FALSE(before.isEmpty());
    QSignalSpy writes(&fixture->settings(), &Preferences::aboutToChange);
    QSignalSpy pythonWrites(&setup(), &MLXSetup::pythonPathChanged);
    auto &tabs = named<QTabWidget>(QStringLiteral("tabs"));
    auto &language = named<QComboBox>(QStringLiteral("languagePicker"));
    for (int round = 0; round < 2; ++round) {
        show();
        EXPECT_EQ(language.count(), 4);
        EXPECT_EQ(language.currentIndex(), -1) << "a language that is not offered shows no pick";
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
        ASSERT_EQ(tabs.currentIndex(), 1);
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(0).center());
        window->hide();
    }
    fixture->model().setShortcutConflict(true);
    fixture->model().setShortcutConflict(false);
    fixture->model().cancel(); // busy no more
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture->model().phase().isBusy(); }, Patience::untilHung));
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(pythonWrites.count(), 0);
    EXPECT_EQ(settingsFile(), before);
    EXPECT_EQ(fixture->settings().language(), QStringLiteral("ita"));

    // A change made elsewhere is shown, not written back a second time.
    fixture->settings().setEngine(OCREngine::mlx);
    fixture->settings().setLanguage(QStringLiteral("fra"));
    EXPECT_EQ(writes.count(), 2);
    EXPECT_EQ(named<QComboBox>(QStringLiteral("enginePicker")).currentText(), QStringLiteral("Local MLX"));
    EXPECT_EQ(language.currentText(), QStringLiteral("French"));

    show();
    pick(language, QStringLiteral("English"));
    EXPECT_EQ(fixture->settings().language(), QStringLiteral("eng"));
    EXPECT_EQ(fixture->defaults().storedValue(QStringLiteral("language")).toString(), QStringLiteral("eng"));
    pick(named<QComboBox>(QStringLiteral("shortcutPicker")), QStringLiteral("⌘ ⇧ 2"));
    EXPECT_EQ(fixture->defaults().storedValue(QStringLiteral("shortcut")).toString(), QStringLiteral("commandShift2"));
}

TEST_F(PreferencesViewTest, WhileBusyOnlyWhatChangesTheNextRecognitionIsLockedOut)
{
    build();
    show();
    const QStringList lockedOut{QStringLiteral("enginePicker"),   QStringLiteral("shortcutPicker"),
                                QStringLiteral("languagePicker"), QStringLiteral("keepLineBreaks"),
                                QStringLiteral("installButton"),  QStringLiteral("mlxTask")};
    const QStringList usable{QStringLiteral("playSound"),        QStringLiteral("rememberSession"),
                             QStringLiteral("clipboardHistory"), QStringLiteral("permissionButton"),
                             QStringLiteral("pythonPath"),       QStringLiteral("choosePython"),
                             QStringLiteral("showModelFiles")};
    for (const bool busy : {true, false}) {
        if (busy) {
            fixture->select();
        } else {
            fixture->model().cancel();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture->model().phase().isBusy(); }, Patience::untilHung));
        }
        for (const QString &name : lockedOut)
            EXPECT_EQ(named(name).isEnabled(), !busy) << name.toStdString() << (busy ? " while busy" : " after");
        for (const QString &name : usable)
            EXPECT_TRUE(named(name).isEnabled()) << name.toStdString() << (busy ? " while busy" : " after");
    }
}

TEST_F(PreferencesViewTest, KeepingHistoryIsShownButLockedWhileHistoryIsOffAndOneClickTurnsItOn)
{
    build();
    int opened = 0;
    fixture->model().onHistory = [&] { ++opened; };
    fixture->settings().setPersistClipboardHistory(true);
    show();
    auto &history = named<QCheckBox>(QStringLiteral("clipboardHistory"));
    auto &persist = named<QCheckBox>(QStringLiteral("persistClipboardHistory"));
    auto &browse = named<QPushButton>(QStringLiteral("browseHistory"));
    EXPECT_FALSE(persist.isEnabled());
    EXPECT_TRUE(persist.isChecked());
    EXPECT_FALSE(browse.isVisible());

    click(history);
    EXPECT_TRUE(fixture->settings().clipboardHistory());
    EXPECT_TRUE(persist.isEnabled());
    EXPECT_TRUE(persist.isChecked());
    EXPECT_TRUE(browse.isVisible());
    click(browse);
    EXPECT_EQ(opened, 1);
}

TEST_F(PreferencesViewTest, ReturnAndEnterOnAFocusedCheckBoxToggleIt)
{
    build();
    show();
    auto &keep = named<QCheckBox>(QStringLiteral("keepLineBreaks"));
    ASSERT_TRUE(fixture->settings().keepLineBreaks());
    keep.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&keep, Qt::Key_Return);
    EXPECT_FALSE(fixture->settings().keepLineBreaks());
    QTest::keyClick(&keep, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(fixture->settings().keepLineBreaks());
    EXPECT_TRUE(keep.isChecked());
}

TEST_F(PreferencesViewTest, TheScreenAccessButtonAsksOnlyWhenAccessWasMissingAndAlwaysReadsItAgain)
{
    const struct {
        bool granted;
        QString label;
        QString symbol;
        QString button;
        int requests;
    } cases[] = {
        {false, QStringLiteral("Screen Recording needed"), QStringLiteral("lock.shield"),
         QStringLiteral("Open System Settings"), 1},
        {true, QStringLiteral("Screen Recording enabled"), QStringLiteral("checkmark.shield"),
         QStringLiteral("Refresh"), 0},
    };
    for (const auto &example : cases) {
        permission.granted = example.granted;
        permission.requests = 0;
        build();
        show();
        auto &label = named(QStringLiteral("permissionLabel"));
        auto &button = named<QPushButton>(QStringLiteral("permissionButton"));
        EXPECT_EQ(label.accessibleName(), example.label);
        EXPECT_EQ(label.property("symbol").toString(), example.symbol);
        EXPECT_EQ(button.text(), example.button);
        click(button);
        EXPECT_EQ(permission.requests, example.requests);
        // Read again after the request: the grant it made shows at once.
        EXPECT_EQ(label.accessibleName(), QStringLiteral("Screen Recording enabled"));
        EXPECT_EQ(button.text(), QStringLiteral("Refresh"));
        TearDown();
    }
}

TEST_F(PreferencesViewTest, TheLocalEngineTabFollowsReadinessAndInstallationEachOnItsOwn)
{
    const struct {
        bool installing;
        bool ready;
        bool lit;
        QString symbol;
        QString title;
        bool caption;
    } cases[] = {
        {false, false, false, QStringLiteral("arrow.down.circle"), QStringLiteral("Download & set up MLX"), true},
        {false, true, true, QStringLiteral("arrow.clockwise"), QStringLiteral("Repair local installation"), false},
        {true, false, false, QStringLiteral("arrow.down.circle"), QStringLiteral("Setting up your engine…"), true},
        {true, true, true, QStringLiteral("arrow.clockwise"), QStringLiteral("Setting up your engine…"), false},
    };
    for (const auto &example : cases) {
        build(false);
        show();
        if (example.installing) {
            setup().setPythonPath(fixture->mlxRoot().fakeSetupPython(QStringLiteral("wait")));
            setup().install();
            ASSERT_TRUE(QTest::qWaitFor([&] { return status() == QStringLiteral("Waiting"); }, Patience::untilHung));
        }
        if (example.ready) {
            fixture->setLocalEngineInstalled(true);
        }
        const std::string which =
            (example.installing ? "installing, " : "") + std::string(example.ready ? "ready" : "");
        EXPECT_EQ(named(QStringLiteral("mlxStatusDot")).property("lit").toBool(), example.lit) << which;
        EXPECT_EQ(named(QStringLiteral("installButton")).property("symbol").toString(), example.symbol) << which;
        EXPECT_EQ(named(QStringLiteral("installTitle")).accessibleName(), example.title) << which;
        EXPECT_EQ(shown(QStringLiteral("sizeCaption")), example.caption) << which;
        EXPECT_EQ(shown(QStringLiteral("progress")), example.installing) << which;
        EXPECT_EQ(shown(QStringLiteral("cancelSetup")), example.installing) << which;
        EXPECT_EQ(named(QStringLiteral("pythonRow")).isEnabled(), !example.installing) << which;
        EXPECT_EQ(named(QStringLiteral("installButton")).isEnabled(), !example.installing) << which;
        EXPECT_EQ(named(QStringLiteral("showModelFiles")).isEnabled(), example.ready) << which;
        TearDown();
    }
}

TEST_F(PreferencesViewTest, CancellingARunEndsWhenTheScriptHasExitedAndLeavesNoProcess)
{
    build(false);
    show();
    named<QTabWidget>(QStringLiteral("tabs")).setCurrentIndex(1);
    setup().setPythonPath(fixture->mlxRoot().fakeSetupPython(QStringLiteral("wait")));
    click(named<QAbstractButton>(QStringLiteral("installButton")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return status() == QStringLiteral("Waiting"); }, Patience::untilHung));
    EXPECT_EQ(named(QStringLiteral("mlxStatus")).accessibleName(), QStringLiteral("Waiting"));
    EXPECT_EQ(named(QStringLiteral("installTitle")).accessibleName(), QStringLiteral("Setting up your engine…"));
    EXPECT_FALSE(named(QStringLiteral("pythonRow")).isEnabled());

    click(named<QPushButton>(QStringLiteral("cancelSetup")));
    EXPECT_TRUE(shown(QStringLiteral("progress"))) << "shown until the script has exited";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !setup().isInstalling(); }, Patience::untilHung));
    EXPECT_EQ(named(QStringLiteral("mlxStatus")).accessibleName(),
              QStringLiteral("Setup cancelled. Downloaded files can resume."));
    EXPECT_FALSE(shown(QStringLiteral("progress")));
    EXPECT_FALSE(shown(QStringLiteral("cancelSetup")));
    EXPECT_EQ(named(QStringLiteral("installTitle")).accessibleName(), QStringLiteral("Download & set up MLX"));
    EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(std::chrono::seconds(10)));
}

TEST_F(PreferencesViewTest, AFailedRunAMissingInterpreterOrMissingSetupFilesEachSaySoAndLeaveTheControlsUsable)
{
    const QString failed = QStringLiteral("Setup could not finish. Check Python 3.10+, your connection and free disk "
                                          "space. Retry when ready.");
    const struct {
        QString python; // a fake scenario, else a path that names nothing
        bool scriptMissing;
        QString status;
        bool ready;
    } cases[] = {
        {QStringLiteral("exit-3"), false, failed, true},
        // Not ready until the next refresh, although the engine is installed.
        {QString(), false, QStringLiteral("Couldn't launch Python. Choose a native Python 3.10+ executable."), false},
        {QStringLiteral("wait"), true, QStringLiteral("Setup files are missing. Reinstall Ravelond."), true},
    };
    for (const auto &example : cases) {
        build(true, [&](AppModel::Dependencies &dependencies) {
            if (example.scriptMissing)
                dependencies.findSetupScript = [] { return std::optional<QString>(); };
        });
        show();
        setup().setPythonPath(example.python.isEmpty() ? QStringLiteral("/no/such/python3")
                                                       : fixture->mlxRoot().fakeSetupPython(example.python));
        click(named<QAbstractButton>(QStringLiteral("installButton")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return status() == example.status; }, Patience::untilHung))
            << status().toStdString();
        EXPECT_EQ(named(QStringLiteral("mlxStatus")).accessibleName(), example.status);
        EXPECT_FALSE(setup().isInstalling());
        for (const QString &name : {QStringLiteral("pythonRow"), QStringLiteral("installButton")})
            EXPECT_TRUE(named(name).isEnabled()) << name.toStdString();
        EXPECT_EQ(named(QStringLiteral("mlxStatusDot")).property("lit").toBool(), example.ready);
        TearDown();
    }
}

TEST_F(PreferencesViewTest, EveryKeystrokeOfThePathIsStoredAndTheCursorStaysWhereTheUserTyped)
{
    build();
    show();
    named<QTabWidget>(QStringLiteral("tabs")).setCurrentIndex(1);
    auto &field = named<QLineEdit>(QStringLiteral("pythonPath"));
    field.setFocus();
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(fixture->defaults().storedValue(QStringLiteral("pythonPath")), QVariant(QString()));
    QSignalSpy stored(&setup(), &MLXSetup::pythonPathChanged);
    QTest::keyClicks(&field, QStringLiteral("/opt/py"));
    EXPECT_EQ(stored.count(), 7);
    EXPECT_EQ(fixture->defaults().storedValue(QStringLiteral("pythonPath")).toString(), QStringLiteral("/opt/py"));
    field.setCursorPosition(4);
    QTest::keyClick(&field, Qt::Key_X);
    EXPECT_EQ(setup().pythonPath(), QStringLiteral("/optx/py"));
    EXPECT_EQ(field.cursorPosition(), 5);

    setup().setPythonPath(QStringLiteral("/usr/bin/python3.12")); // from elsewhere: shown
    EXPECT_EQ(field.text(), QStringLiteral("/usr/bin/python3.12"));
}

TEST_F(PreferencesViewTest, ChoosingAnInterpreterAssignsOnlyAConfirmedFile)
{
    build();
    show();
    named<QTabWidget>(QStringLiteral("tabs")).setCurrentIndex(1);
    const QString python = fixture->mlxRoot().fakeSetupPython(QStringLiteral("wait"));
    setup().setPythonPath(QStringLiteral("/before"));
    for (const bool confirm : {false, true}) {
        click(named<QPushButton>(QStringLiteral("choosePython")));
        QFileDialog *dialog = nullptr;
        for (QFileDialog *open : view->findChildren<QFileDialog *>()) {
            if (open->isVisible())
                dialog = open;
        }
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose a native Apple-silicon Python 3.10+ executable."));
        dialog->selectFile(python);
        QDialog &asked = *dialog;
        if (confirm)
            asked.accept();
        else
            asked.reject();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(setup().pythonPath(), confirm ? python : QStringLiteral("/before"));
    }
}

TEST_F(PreferencesViewTest, TheOutputSegmentsStoreTheTaskAndShowModelFilesRevealsTheEnginesFolder)
{
    build();
    show();
    click(*view->findChild<QPushButton *>(QStringLiteral("mlxTask-formula")));
    EXPECT_EQ(fixture->defaults().storedValue(QStringLiteral("mlxTask")).toString(), QStringLiteral("formula"));

    click(named<QPushButton>(QStringLiteral("showModelFiles")));
    EXPECT_EQ(reveal.revealed, QStringList{fixture->mlxRoot().path()}) << "the folder RAVELOND_MLX_ROOT names";
}

#include "support/DesktopTools.h"
#include "support/Patience.h"
#include "support/TessdataFolder.h"
#include "support/TrayDock.h"

#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "models/TrovError.h"
#include "platform/AppDirectories.h"
#include "stores/Preferences.h"
#include "views/PreferencesView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Opens the pop-up with a click and clicks the item, as a user picks one.
bool pick(QComboBox &picker, const QString &text)
{
    DesktopTools::click(picker);
    QAbstractItemView *list = picker.view();
    const auto itemCentre = [&] {
        const QRect item = list->visualRect(list->model()->index(picker.findText(text), 0));
        return list->viewport()->mapToGlobal(item.center());
    };
    // The pop-up may still be sliding into place: click once the item stays put.
    if (!QTest::qWaitFor(
            [&] {
                if (!list->isVisible())
                    return false;
                const QPoint at = itemCentre();
                QTest::qWait(100);
                return list->isVisible() && itemCentre() == at;
            },
            Patience::untilHung))
        return false;
    DesktopTools::click(itemCentre());
    return QTest::qWaitFor([&] { return !list->isVisible() && picker.currentText() == text; }, Patience::untilHung);
}

QVariantMap storedSettings()
{
    QSettings file(AppDirectories::defaultsDomainFile(QString::fromLatin1(AppDirectories::bundleIdentifier)),
                   QSettings::IniFormat);
    QVariantMap values;
    for (const QString &key : file.allKeys())
        values.insert(key, file.value(key).toString());
    return values;
}

} // namespace

TEST(PreferencesDesktopTest, SettingsOpenedFromTheTrayStoreExactlyWhatWasClickedAndTheShortcutFollows)
{
    const TessdataFolder languages({QStringLiteral("deu"), QStringLiteral("eng"), QStringLiteral("fra")});
    QFile::remove(AppDirectories::defaultsDomainFile(QString::fromLatin1(AppDirectories::bundleIdentifier)));
    // Another application holds ⌘ ⇧ 2.
    QProcess holder;
    QSignalSpy said(&holder, &QProcess::readyReadStandardOutput);
    holder.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/hold_hot_key"),
                 {QStringLiteral("commandShift2")});
    ASSERT_TRUE(said.wait(Patience::untilHung));
    ASSERT_EQ(holder.readAllStandardOutput().trimmed(), QByteArray("held"));

    ASSERT_TRUE(QTest::qWaitFor(TrayDock::isUp, Patience::untilHung));
    AppComposition composition;
    AppDelegate delegate(composition.modelDependencies(), composition.shellDependencies(),
                         CommandLineOptions::parse({QStringLiteral("ravelond")}));
    AppModel &model = delegate.model();
    model.settings().setHasSeenWelcome(true);
    delegate.launch();
    const QVariantMap before = storedSettings();

    StatusBarController &status = *delegate.statusBar();
    const QRect icon = TrayDock::dockedGeometry(status.item());
    ASSERT_FALSE(icon.isEmpty()) << "never docked";
    DesktopTools::click(icon.center(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.menu()->isVisible(); }, Patience::untilHung));
    QAction *settings = nullptr;
    for (QAction *action : status.menu()->actions()) {
        if (action->text() == QStringLiteral("Settings…"))
            settings = action;
    }
    ASSERT_NE(settings, nullptr);
    DesktopTools::click(status.menu()->mapToGlobal(status.menu()->actionGeometry(settings).center()));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return delegate.windows().preferencesWindow() && delegate.windows().preferencesWindow()->isVisible(); },
        Patience::untilHung));
    QWidget &window = *delegate.windows().preferencesWindow();
    // The window manager places the window after it is mapped: click once it has settled.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience::untilHung));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QPoint at = window.mapToGlobal(QPoint());
            QTest::qWait(100);
            return window.mapToGlobal(QPoint()) == at;
        },
        Patience::untilHung));
    auto &language = *window.findChild<QComboBox *>(QStringLiteral("languagePicker"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return language.count() == 4; }, Patience::untilHung));

    ASSERT_TRUE(pick(*window.findChild<QComboBox *>(QStringLiteral("enginePicker")), QStringLiteral("Local MLX")));
    auto &shortcut = *window.findChild<QComboBox *>(QStringLiteral("shortcutPicker"));
    QWidget &conflict = *window.findChild<QWidget *>(QStringLiteral("conflictCaption"));
    EXPECT_FALSE(conflict.isVisible());
    ASSERT_TRUE(pick(shortcut, QStringLiteral("⌘ ⇧ 2")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return conflict.isVisible(); }, Patience::untilHung))
        << "the taken chord is reported";
    ASSERT_TRUE(pick(shortcut, QStringLiteral("⌃ ⇧ 2")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !conflict.isVisible(); }, Patience::untilHung));
    ASSERT_TRUE(pick(language, QStringLiteral("German")));

    auto &history = *window.findChild<QCheckBox *>(QStringLiteral("clipboardHistory"));
    auto &browse = *window.findChild<QPushButton *>(QStringLiteral("browseHistory"));
    window.findChild<QScrollArea *>(QStringLiteral("generalTab"))->ensureWidgetVisible(&history, 0, 100);
    const QPoint box = history.mapToGlobal(QPoint(8, history.height() / 2));
    DesktopTools::click(box);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browse.isVisible() && model.settings().clipboardHistory(); },
                                Patience::untilHung));
    DesktopTools::click(box);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browse.isVisible() && !model.settings().clipboardHistory(); },
                                Patience::untilHung));

    // The new chord is the program's hot key now: it starts a capture, which
    // stops at once for the local engine that is not installed.
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+2")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::failed; }, Patience::untilHung));
    EXPECT_EQ(model.lastError(), TrovError::of(TrovError::mlxNotReady).errorDescription());

    QVariantMap expected = before;
    expected.insert(QStringLiteral("engine"), QStringLiteral("mlx"));
    expected.insert(QStringLiteral("shortcut"), QStringLiteral("controlShift2"));
    expected.insert(QStringLiteral("language"), QStringLiteral("deu"));
    expected.insert(QStringLiteral("clipboardHistory"), QStringLiteral("false"));
    EXPECT_EQ(storedSettings(), expected);
    holder.closeWriteChannel();
    EXPECT_TRUE(holder.waitForFinished(5000));
}

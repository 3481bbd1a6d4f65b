#include "support/ChildProcesses.h"
#include "support/DesktopTools.h"
#include "support/ImageFixtures.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>

namespace {

QString binary(const QString &name)
{
    return qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QLatin1Char('/') + name;
}

QString ravelondPath()
{
    return qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/../src/ravelond");
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess tool;
    tool.start(program, arguments);
    QSignalSpy finished(&tool, &QProcess::finished);
    if (!finished.wait(30000))
        tool.kill();
    if (exitCode)
        *exitCode = tool.exitCode();
    return tool.readAllStandardOutput() + tool.readAllStandardError();
}

// How many top-level windows of this name are mapped (override-redirect ones are the root's own children).
int mappedCount(const QByteArray &name)
{
    auto *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    int found = 0;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
        auto *title = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 64), nullptr);
        auto *attributes =
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        found += title && attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                 QByteArray(static_cast<const char *>(xcb_get_property_value(title)),
                            xcb_get_property_value_length(title)) == name;
        std::free(title);
        std::free(attributes);
    }
    std::free(tree);
    return found;
}

bool mapped(const QByteArray &name)
{
    return mappedCount(name) > 0;
}

xcb_connection_t *x11()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

QByteArray textProperty(xcb_window_t window, xcb_atom_t property)
{
    auto *reply =
        xcb_get_property_reply(x11(), xcb_get_property(x11(), 0, window, property, XCB_ATOM_ANY, 0, 64), nullptr);
    const QByteArray text = reply ? QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                                               xcb_get_property_value_length(reply))
                                  : QByteArray();
    std::free(reply);
    return text;
}

// Whether a viewable window anywhere below `window` has this class.
bool viewableOfClass(xcb_window_t window, const QByteArray &instance)
{
    auto *attributes = xcb_get_window_attributes_reply(x11(), xcb_get_window_attributes(x11(), window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    if (!viewable)
        return false;
    if (textProperty(window, XCB_ATOM_WM_CLASS).split('\0').value(0) == instance)
        return true;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(x11(), xcb_query_tree(x11(), window), nullptr);
    bool found = false;
    const xcb_window_t *children = tree ? xcb_query_tree_children(tree) : nullptr;
    for (int i = 0; tree && !found && i < xcb_query_tree_children_length(tree); ++i)
        found = viewableOfClass(children[i], instance);
    std::free(tree);
    return found;
}

// The program has launched once its tray icon is docked: it took its hot key
// before it made the icon.
bool launched()
{
    return viewableOfClass(xcb_setup_roots_iterator(xcb_get_setup(x11())).data->root, "ravelond");
}

// The name of the window that has the keyboard focus, or of its nearest named ancestor.
QByteArray focusedWindowName()
{
    auto *focus = xcb_get_input_focus_reply(x11(), xcb_get_input_focus(x11()), nullptr);
    xcb_window_t window = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x11())).data->root;
    while (window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT && window != root) {
        if (const QByteArray name = textProperty(window, XCB_ATOM_WM_NAME); !name.isEmpty())
            return name;
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(x11(), xcb_query_tree(x11(), window), nullptr);
        window = tree ? tree->parent : XCB_NONE;
        std::free(tree);
    }
    return {};
}

// Keys typed now reach the overlay: it is up and has the keyboard.
bool theOverlayHoldsTheKeyboard()
{
    return mapped("Ravelond selection") && focusedWindowName() == "Ravelond selection";
}

// The real program, started as a user would, on private settings.
class ShellProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChildProcesses::adoptOrphans();
        QSettings settings(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("app.ravelond.Ravelond.conf"),
                           QSettings::IniFormat);
        settings.setValue("hasSeenWelcome", true);
        settings.setValue("playSound", false);
    }

    void TearDown() override
    {
        for (QProcess *process : {&program, &textWindow}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    void setting(const QString &key, const QVariant &value)
    {
        QSettings(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("app.ravelond.Ravelond.conf"),
                  QSettings::IniFormat)
            .setValue(key, value);
    }

    void start(const QStringList &arguments = {})
    {
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(ravelondPath(), arguments);
        ASSERT_TRUE(program.waitForStarted(Patience::untilHung));
    }

    // Another application's window with the text in the middle of the screen; its text area.
    QRect showText(const QString &text)
    {
        QSignalSpy ready(&textWindow, &QProcess::readyReadStandardOutput);
        textWindow.start(binary(QStringLiteral("text_window")), {text});
        if (!ready.wait(Patience::untilHung))
            return {};
        const QList<QByteArray> words = textWindow.readLine().trimmed().split(' ');
        return QRect(words.value(1).toInt(), words.value(2).toInt(), words.value(3).toInt(), words.value(4).toInt());
    }

    // Presses the hot key once the program holds it, and waits until the
    // overlay has the keyboard: what is typed before that reaches another window.
    bool pressHotKeyUntilTheOverlayIsUp()
    {
        if (!QTest::qWaitFor(launched, Patience::untilHung))
            return false;
        DesktopTools::xdotool({"key", "ctrl+alt+c"});
        return QTest::qWaitFor(theOverlayHoldsTheKeyboard, Patience::untilHung);
    }

    // A socket left by a killed instance refuses; the running one accepts.
    static bool instanceListens()
    {
        return QTest::qWaitFor(
            [] {
                QLocalSocket socket;
                socket.connectToServer(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/app.ravelond.Ravelond.instance");
                return socket.waitForConnected(200);
            },
            Patience::untilHung);
    }

    bool clipboardBecomes(const QString &text)
    {
        return QTest::qWaitFor([&] { return DesktopTools::clipboardText().contains(text); }, Patience::untilHung);
    }

    QProcess program;
    QProcess textWindow;
};

} // namespace

TEST_F(ShellProgramTest, TheHotKeyWithNumLockOnAndADragCopyTheTextAndTheKeyboardAloneDoesToo)
{
    const QRect text = showText(QStringLiteral("Kestrel 42"));
    ASSERT_FALSE(text.isEmpty());
    start();
    DesktopTools::xdotool({"key", "Num_Lock"});
    ASSERT_TRUE(pressHotKeyUntilTheOverlayIsUp());
    DesktopTools::xdotool({"mousemove", QString::number(text.left() + 8), QString::number(text.top() + 8), "mousedown",
                           "1", "mousemove", QString::number(text.center().x()), QString::number(text.center().y()),
                           "mousemove", QString::number(text.right() - 8), QString::number(text.bottom() - 8),
                           "mouseup", "1"});
    ASSERT_TRUE(clipboardBecomes(QStringLiteral("Kestrel 42"))) << DesktopTools::clipboardText().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return !mapped("Ravelond selection"); }));

    run(QStringLiteral("xclip"), {"-selection", "clipboard", "/dev/null"});
    ASSERT_TRUE(pressHotKeyUntilTheOverlayIsUp());
    DesktopTools::xdotool({"key", "ctrl+alt+c"}); // the hot key again, while the overlay holds the keyboard: cancelled
    ASSERT_TRUE(QTest::qWaitFor([] { return !mapped("Ravelond selection"); }));
    ASSERT_TRUE(pressHotKeyUntilTheOverlayIsUp());
    DesktopTools::xdotool({"key", "Right", "Left", "Return"});
    EXPECT_TRUE(clipboardBecomes(QStringLiteral("Kestrel"))) << DesktopTools::clipboardText().toStdString();

    int mostOverlays = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { mostOverlays = std::max(mostOverlays, mappedCount("Ravelond selection")); });
    watch.start(5);
    DesktopTools::xdotool({"key", "--repeat", "20", "--delay", "15", "ctrl+alt+c"});
    // An Escape typed before the last overlay holds the keyboard reaches
    // another window; the next one closes it.
    EXPECT_TRUE(QTest::qWaitFor([] {
        if (!mapped("Ravelond selection"))
            return true;
        DesktopTools::xdotool({"key", "Escape"});
        return false;
    }));
    // How many of the twenty presses toggle depends on the load; never more than one overlay is up.
    EXPECT_LE(mostOverlays, 1);
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(ShellProgramTest, ASecondLaunchHandsOverItsImageAndAHungOrKilledInstanceIsNoTrap)
{
    const QString image = QDir(TestEnvironment::root()).filePath("heron.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Heron 77"), 48).save(image));
    start();
    ASSERT_TRUE(instanceListens());
    int exitCode = -1;
    run(ravelondPath(), {"--open-image", image}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(clipboardBecomes(QStringLiteral("Heron 77"))) << DesktopTools::clipboardText().toStdString();

    QList<QProcess *> launches;
    for (int i = 0; i < 20; ++i) {
        launches.append(new QProcess);
        launches.last()->start(ravelondPath(), {});
    }
    for (QProcess *launch : launches) {
        EXPECT_TRUE(launch->waitForFinished(Patience::untilHung));
        EXPECT_EQ(launch->exitCode(), 0);
        delete launch;
    }

    ::kill(pid_t(program.processId()), SIGSTOP);
    const QByteArray said = run(ravelondPath(), {}, &exitCode);
    ::kill(pid_t(program.processId()), SIGCONT);
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(said.contains("did not answer within 2 seconds")) << said.constData();

    program.kill();
    program.waitForFinished(5000);
    start(); // its socket is still there: replaced
    ASSERT_TRUE(instanceListens());
    run(QStringLiteral("xclip"), {"-selection", "clipboard", "/dev/null"});
    run(ravelondPath(), {"--open-image", image}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(clipboardBecomes(QStringLiteral("Heron 77")));
}

TEST_F(ShellProgramTest, SigtermDuringARecognitionQuitsInOrderAndLeavesNoProcess)
{
    MLXTestRoot root;
    root.installFakeWorker(QStringLiteral("silent"));
    setting("engine", "mlx");
    const QString image = QDir(TestEnvironment::root()).filePath("slow.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Slow"), 48).save(image));
    start({"--open-image", image});
    // The recognition is under way once the program has started its worker
    // (the only child given a model folder: others, such as an interpreter
    // check, may come before the program handles signals).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return run(QStringLiteral("pgrep"), {"-P", QString::number(program.processId()), "-f", "--", "--model-dir"})
                       .trimmed()
                       .size() > 0;
        },
        Patience::untilHung));
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(Patience::untilHung));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(std::chrono::milliseconds(Patience::untilHung)))
        << "a worker outlived the program";
}

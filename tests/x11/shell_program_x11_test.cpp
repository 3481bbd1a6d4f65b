#include "support/ChildProcesses.h"
#include "support/DesktopTools.h"
#include "support/ImageFixtures.h"
#include "support/MLXTestRoot.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
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
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The instance answered a second launch's first line: its event loop has
// run, and with it the hot key's registration, which the launch leaves to
// the loop's first turn. Without the go-ahead nothing is acted on.
bool answersAsAnInstance()
{
    QLocalSocket socket;
    socket.connectToServer(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/app.ravelond.Ravelond.instance");
    if (!socket.waitForConnected(Patience::untilHung))
        return false;
    socket.write("reopen\n");
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(Patience::untilHung))
            return false;
    }
    return socket.readLine() == "ok\n";
}

// The program has launched once its tray icon is docked and it holds its hot key.
bool launched()
{
    return viewableOfClass(xcb_setup_roots_iterator(xcb_get_setup(x11())).data->root, "ravelond") &&
           answersAsAnInstance();
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
    EXPECT_TRUE(QTest::qWaitFor([] { return !mapped("Ravelond selection"); }, Patience::untilHung));

    run(QStringLiteral("xclip"), {"-selection", "clipboard", "/dev/null"});
    ASSERT_TRUE(pressHotKeyUntilTheOverlayIsUp());
    DesktopTools::xdotool({"key", "ctrl+alt+c"}); // the hot key again, while the overlay holds the keyboard: cancelled
    ASSERT_TRUE(QTest::qWaitFor([] { return !mapped("Ravelond selection"); }, Patience::untilHung));
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
    EXPECT_TRUE(QTest::qWaitFor(
        [] {
            if (!mapped("Ravelond selection"))
                return true;
            DesktopTools::xdotool({"key", "Escape"});
            return false;
        },
        Patience::untilHung));
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
    EXPECT_TRUE(said.contains("did not answer within 10 seconds")) << said.constData();

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

TEST_F(ShellProgramTest, TwentyColdLaunchesAtOnceAreEachHandedOverOrFailClearlyAndNoFailedOneIsImported)
{
    setting("clipboardHistory", true);
    setting("persistClipboardHistory", true);
    const QStringList words = {"Alder", "Birch",    "Cedar",   "Dogwood", "Elm",    "Fir",   "Ginkgo",
                               "Hazel", "Ironwood", "Juniper", "Kapok",   "Larch",  "Maple", "Nutmeg",
                               "Oak",   "Pine",     "Quince",  "Rowan",   "Spruce", "Teak"};
    QList<QProcess *> launches;
    for (const QString &word : words) {
        const QString image = QDir(TestEnvironment::root()).filePath(word + QStringLiteral(".png"));
        ASSERT_TRUE(ImageFixtures::text(word, 48).save(image));
        launches.append(new QProcess);
        launches.last()->setProcessChannelMode(QProcess::MergedChannels);
    }
    for (int i = 0; i < launches.size(); ++i)
        launches[i]->start(ravelondPath(), {"--open-image", QDir(TestEnvironment::root()).filePath(words[i] + ".png")});

    // One launch becomes the instance and keeps running; every other one ends.
    QProcess *instance = nullptr;
    QStringList failed;
    int handedOver = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::count_if(launches.begin(), launches.end(), [](QProcess *launch) {
                       return launch->state() == QProcess::NotRunning;
                   }) == launches.size() - 1;
        },
        60000));
    for (int i = 0; i < launches.size(); ++i) {
        QProcess *launch = launches[i];
        if (launch->state() != QProcess::NotRunning) {
            instance = launch;
            continue;
        }
        const QByteArray said = launch->readAll();
        if (launch->exitCode() == 0) {
            ++handedOver;
            continue;
        }
        EXPECT_EQ(launch->exitCode(), 1);
        EXPECT_TRUE(said.startsWith("Ravelond ")) << said.constData();
        failed << words[i];
    }
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(handedOver, words.size() - 1) << "failed: " << failed.join(' ').toStdString();

    // What the instance recognised reaches the history (it takes one import at
    // a time and drops those that come while it is busy); a launch that said
    // it failed must not be among it.
    const QString historyPath =
        QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath("app.ravelond.Ravelond/clipboard-history.json");
    const auto recorded = [&] {
        QFile history(historyPath);
        return history.open(QIODevice::ReadOnly) ? history.readAll() : QByteArray();
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QByteArray saved = recorded();
            return std::any_of(words.begin(), words.end(),
                               [&](const QString &word) { return saved.contains(word.toUtf8()); });
        },
        30000));
    ::kill(pid_t(instance->processId()), SIGTERM);
    ASSERT_TRUE(instance->waitForFinished(20000));
    for (const QString &word : std::as_const(failed))
        EXPECT_FALSE(recorded().contains(word.toUtf8())) << word.toStdString() << " failed, yet was imported";
    qDeleteAll(launches);
}

TEST_F(ShellProgramTest, AWaylandOrUnknownPlatformRunsOnX11AndWithoutADisplayTheProgramSaysSo)
{
    for (const char *platform : {"wayland", "no-such-platform"}) {
        SCOPED_TRACE(platform);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", QString::fromLatin1(platform));
        program.setProcessEnvironment(environment);
        start();
        ASSERT_TRUE(instanceListens());
        // A second launch is answered once the instance's event loop runs, on a platform it could load.
        int exitCode = -1;
        run(ravelondPath(), {}, &exitCode);
        EXPECT_EQ(exitCode, 0);
        ASSERT_EQ(program.state(), QProcess::Running);
        ::kill(pid_t(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    QProcess displayless;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "wayland");
    environment.remove("DISPLAY");
    displayless.setProcessEnvironment(environment);
    displayless.start(ravelondPath(), {});
    ASSERT_TRUE(displayless.waitForFinished(20000));
    EXPECT_EQ(displayless.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(displayless.exitCode(), 1);
    EXPECT_TRUE(displayless.readAllStandardError().contains("needs an X11 display"));
}

TEST_F(ShellProgramTest, SigkillDuringALocalRecognitionLeavesNoProcessAndTheNextStartSweepsTheCrop)
{
    MLXTestRoot root;
    root.installFakeWorker(QStringLiteral("silent-with-child"));
    setting("engine", "mlx");
    const QString image = QDir(TestEnvironment::root()).filePath("killed.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Killed"), 48).save(image));
    const QDir temporary(TestEnvironment::temporaryDirectory());
    const auto crops = [&] {
        return temporary.entryList({QStringLiteral("ravelond-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    };
    ASSERT_TRUE(crops().isEmpty());
    start({"--open-image", image});
    // The worker and the child it leaves in its group.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QByteArray worker = run("pgrep", {"-P", QString::number(program.processId())}).trimmed();
            return !worker.isEmpty() && run("pgrep", {"-g", worker}).trimmed().split('\n').count() >= 3;
        },
        20000));
    ASSERT_EQ(crops().size(), 1);

    program.kill();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_TRUE(ChildProcesses::waitUntilNoneLeft(std::chrono::milliseconds(10000))) << "a worker outlived the program";
    EXPECT_EQ(crops().size(), 1) << "nothing removed it yet";

    setting("engine", "vision");
    start();
    ASSERT_TRUE(instanceListens());
    EXPECT_TRUE(QTest::qWaitFor([&] { return crops().isEmpty(); }, Patience::untilHung));
}

TEST_F(ShellProgramTest, AFileNameThatIsNotValidTextIsImportedAtLaunchAndWhenHandedOver)
{
    // "café.png" in Latin-1: not valid UTF-8, so only its bytes name it.
    const QByteArray folder = QFile::encodeName(TestEnvironment::root());
    const QByteArray latin1 = folder + "/caf\xe9.png";
    const QString written = QDir(TestEnvironment::root()).filePath("written.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Latin 19"), 48).save(written));
    ASSERT_EQ(::rename(QFile::encodeName(written).constData(), latin1.constData()), 0);
    // QProcess would pass the name as text: a shell passes the bytes.
    const auto launch = [&](QProcess &process) {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start("/bin/sh", {"-c", "exec \"$0\" --open-image \"$1/caf$(printf '\\351').png\"", ravelondPath(),
                                  QFile::decodeName(folder)});
    };

    launch(program);
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(clipboardBecomes(QStringLiteral("Latin 19"))) << DesktopTools::clipboardText().toStdString();

    run(QStringLiteral("xclip"), {"-selection", "clipboard", "/dev/null"});
    QProcess second;
    launch(second);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(clipboardBecomes(QStringLiteral("Latin 19"))) << DesktopTools::clipboardText().toStdString();
}

TEST_F(ShellProgramTest, WithoutARuntimeFolderASocketFolderPreparedBySomeoneElseIsNeverUsed)
{
    const QString image = QDir(TestEnvironment::root()).filePath("private.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Private 5"), 48).save(image));
    const QString folder = TestEnvironment::temporaryDirectory() + QStringLiteral("/app.ravelond.Ravelond-") +
                           QString::number(::geteuid());
    const QString elsewhere = TestEnvironment::root() + QStringLiteral("/elsewhere");
    enum Preparation { openToAll, aLink, anotherOwner };
    for (const Preparation preparation : {openToAll, aLink, anotherOwner}) {
        SCOPED_TRACE(int(preparation));
        if (preparation == anotherOwner && ::geteuid() != 0)
            continue; // only root can give a folder away
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        QDir(elsewhere).removeRecursively();
        const QString made = preparation == aLink ? elsewhere : folder;
        ASSERT_EQ(::mkdir(QFile::encodeName(made).constData(), 0700), 0);
        if (preparation == openToAll) {
            ASSERT_EQ(::chmod(QFile::encodeName(made).constData(), 0777), 0);
        }
        if (preparation == aLink) {
            ASSERT_TRUE(QFile::link(elsewhere, folder));
        }

        // Someone else's instance: holds the lock and listens.
        QLocalServer impostor;
        impostor.setSocketOptions(QLocalServer::WorldAccessOption);
        ASSERT_TRUE(impostor.listen(folder + QStringLiteral("/app.ravelond.Ravelond.instance")));
        const int lock = ::open(QFile::encodeName(folder + "/app.ravelond.Ravelond.instance.lock").constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        ASSERT_GE(lock, 0);
        ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
        if (preparation == anotherOwner) {
            ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("XDG_RUNTIME_DIR");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::SeparateChannels);
        run(QStringLiteral("xclip"), {"-selection", "clipboard", "/dev/null"});
        program.start(ravelondPath(), {"--open-image", image});
        ASSERT_TRUE(program.waitForStarted(10000));
        EXPECT_TRUE(clipboardBecomes(QStringLiteral("Private 5"))) << "it runs, on its own";
        EXPECT_FALSE(impostor.hasPendingConnections());
        EXPECT_EQ(impostor.nextPendingConnection(), nullptr);
        program.kill();
        program.waitForFinished(5000);
        EXPECT_TRUE(program.readAllStandardError().contains("runs on its own"));
        ::close(lock);
    }
}

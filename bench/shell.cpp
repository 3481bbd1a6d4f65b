// The application shell's figures, on one Xvfb server at 1440 x 900 with
// openbox and trayer, against peers measured in the same run:
//  1. Launch to ready: to the tray icon docked, and to the first hot-key
//     press that opens the selection (so the key is grabbed), median of 5
//     launches. Peer: a bare Qt program that shows a QSystemTrayIcon.
//  2. Hot key (XTEST) to the selection overlay mapped and to its first frame
//     on the server (seen through XDamage), over 30 presses: median and p95.
//     Peers: a bare program of this benchmark's own that grabs the screen
//     into a plain full-screen window on its hot key, and XTEST to a key
//     press delivered to a client that grabbed a key, the least any hot key
//     can cost.
//  3. Resident memory once idle after launch and after one recognition, and
//     CPU time over 10 s idle (history off). Peer: the bare tray program.
//  4. Wake-ups while 1,000 keys are typed into another X client (xev), with
//     history off: the voluntary context switches of all threads, typed by
//     xdotool and by plain XTEST presses, each beside the wake-ups of an idle
//     stretch of the same length right after. Peer: the bare tray program,
//     beside it in the same session.
// Run it as is: it starts `xvfb-run -a` itself (needs xvfb, openbox, trayer, xclip).
// `ravelond-shell --hot-key` measures the hot key alone; with
// RAVELOND_BENCH_LAUNCH_ONLY set it measures the launches alone, with
// RAVELOND_BENCH_WAKE_UPS_ONLY the wake-ups alone.
#include "ProcessMemory.h"
#include "ProgramUnderTest.h"
#include "Statistics.h"

#include "app/AppDelegate.h"
#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int launches = 5;
constexpr int presses = 30;

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

xcb_atom_t atom(const char *name)
{
    auto *reply = xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    auto *reply =
        xcb_get_property_reply(connection(), xcb_get_property(connection(), 0, window, name, type, 0, 256), nullptr);
    QByteArray value;
    if (reply)
        value =
            QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

// Depth-first over the window tree: whether `match` holds for any window.
bool anyWindow(xcb_window_t from, const std::function<bool(xcb_window_t)> &match)
{
    if (match(from))
        return true;
    auto *tree = xcb_query_tree_reply(connection(), xcb_query_tree(connection(), from), nullptr);
    bool found = false;
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree) && !found; ++i)
        found = anyWindow(xcb_query_tree_children(tree)[i], match);
    std::free(tree);
    return found;
}

// A window of the process is embedded below trayer's panel.
bool iconDocked(qint64 pid)
{
    static const xcb_atom_t pidAtom = atom("_NET_WM_PID");
    return anyWindow(root(), [pid](xcb_window_t window) {
        if (property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) != "panel")
            return false;
        auto *tree = xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
        bool docked = false;
        for (int i = 0; tree && i < xcb_query_tree_children_length(tree) && !docked; ++i)
            docked = anyWindow(xcb_query_tree_children(tree)[i], [pid](xcb_window_t child) {
                const QByteArray value = property(child, pidAtom, XCB_ATOM_CARDINAL);
                return value.size() == 4 && *reinterpret_cast<const quint32 *>(value.constData()) == quint32(pid);
            });
        std::free(tree);
        return docked;
    });
}

// Follows an overlay (an override-redirect window of the given name) through
// the root's substructure events, so a wait ends as soon as the X server has
// mapped or unmapped it; with a damage object on the root window it also sees
// the overlay's first frame drawn on the server. It reads a connection of its
// own, as soon as anything arrives.
class OverlayWatcher final {
public:
    OverlayWatcher() : connection_(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
        damageEvent_ = xcb_get_extension_data(connection_, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
        // Damage on the root reports drawing into every window on screen, one
        // event per rectangle drawn.
        xcb_damage_create(connection_, xcb_generate_id(connection_), root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(connection_);
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read(); });
    }
    ~OverlayWatcher() { xcb_disconnect(connection_); }

    void read()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
            handle(event);
            std::free(event);
        }
    }

    QByteArray name = "Ravelond selection";
    xcb_window_t overlay = 0;
    bool mapped = false;
    bool painted = false;
    // Started at the hot key's press; the times of the map and of the first
    // frame on it, taken as the events arrive.
    const QElapsedTimer *clock = nullptr;
    double mappedMs = 0;
    double paintedMs = 0;

private:
    void handle(xcb_generic_event_t *event)
    {
        const int type = event->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY) {
            auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
            if (map->override_redirect && property(map->window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY) == name) {
                overlay = map->window;
                mapped = true;
                painted = false;
                mappedMs = clock ? clock->nsecsElapsed() / 1e6 : 0;
            }
        } else if (type == XCB_UNMAP_NOTIFY && reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window == overlay) {
            mapped = false;
        } else if (type == damageEvent_ && mapped && !painted) {
            // The overlay covers the screen: once it is mapped, whatever is
            // drawn on the screen is its frame (events come in server order,
            // so a report of drawing before the map arrives before it).
            painted = true;
            paintedMs = clock ? clock->nsecsElapsed() / 1e6 : 0;
        }
    }

    xcb_connection_t *connection_;
    uint8_t damageEvent_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

OverlayWatcher *watcher = nullptr;

bool overlayMapped()
{
    watcher->read();
    return watcher->mapped;
}

bool overlayPainted()
{
    watcher->read();
    return watcher->painted;
}

xcb_keycode_t keycode(xcb_keysym_t keysym)
{
    static xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection());
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    return code;
}

void fake(uint8_t type, xcb_keysym_t keysym)
{
    xcb_test_fake_input(connection(), type, keycode(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

// Ctrl+Alt+key down, returning once the key's press has left for the server; then all up.
void chord(xcb_keysym_t key, const std::function<void()> &afterPress = {})
{
    fake(XCB_KEY_PRESS, 0xffe3);
    fake(XCB_KEY_PRESS, 0xffe9);
    xcb_flush(connection());
    fake(XCB_KEY_PRESS, key);
    xcb_flush(connection());
    if (afterPress)
        afterPress();
    fake(XCB_KEY_RELEASE, key);
    fake(XCB_KEY_RELEASE, 0xffe9);
    fake(XCB_KEY_RELEASE, 0xffe3);
    xcb_flush(connection());
}

void tap(xcb_keysym_t key)
{
    fake(XCB_KEY_PRESS, key);
    fake(XCB_KEY_RELEASE, key);
    xcb_flush(connection());
}

template <typename Condition>
void waitUntil(Condition condition, int milliseconds, const char *what)
{
    if (!ProgramUnderTest::waitFor(condition, milliseconds))
        std::fprintf(stderr, "timed out waiting for %s\n", what);
}

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// How often the process's threads went to sleep and were woken since they began.
qint64 wakeUps(qint64 pid)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return total;
}

struct Launched {
    QProcess *process = nullptr;
    double toDocked = 0;
    double toHotKey = 0;
};

Launched launch(const QString &program, const QStringList &arguments, const QString &home, bool hotKey)
{
    Launched launched;
    launched.process = new QProcess;
    launched.process->setProcessEnvironment(ProgramUnderTest::environmentAt(home));
    launched.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    launched.process->start(program, arguments);
    launched.process->waitForStarted();
    const qint64 pid = launched.process->processId();
    waitUntil([&] { return iconDocked(pid); }, 20000, "the tray icon");
    launched.toDocked = clock.nsecsElapsed() / 1e6;
    if (hotKey) {
        // Until the key is grabbed a press reaches nobody (nothing has the focus).
        // One press every 40 ms: a quicker one could close the overlay the last one opened.
        for (int attempt = 0; attempt < 250 && !overlayMapped(); ++attempt) {
            chord(0x63);
            [[maybe_unused]] const bool up = ProgramUnderTest::waitFor(overlayMapped, 40);
        }
        launched.toHotKey = clock.nsecsElapsed() / 1e6;
        QTest::qWait(200); // the overlay takes the keyboard once it is shown
        tap(0xff1b);
        waitUntil([] { return !overlayMapped(); }, 5000, "the overlay to close");
    }
    return launched;
}

void stop(Launched &launched)
{
    launched.process->terminate();
    launched.process->waitForFinished(10000);
    delete launched.process;
}

struct Presses {
    std::vector<double> mapped;
    std::vector<double> painted;
};

// `presses` presses of Ctrl+Alt+`key`, each followed by `close` once the
// overlay's first frame is on the server and the overlay has had the time to
// take the keyboard.
Presses pressesToOverlay(xcb_keysym_t key, const std::function<void()> &close)
{
    Presses times;
    for (int press = 0; press < presses; ++press) {
        QElapsedTimer clock;
        watcher->clock = &clock;
        chord(key, [&] { clock.start(); });
        waitUntil(overlayMapped, 5000, "the overlay");
        waitUntil(overlayPainted, 2000, "the overlay's first frame");
        times.mapped.push_back(watcher->mappedMs);
        times.painted.push_back(watcher->paintedMs);
        watcher->clock = nullptr;
        QTest::qWait(200); // the overlay takes the keyboard once it is shown
        close();
        waitUntil([] { return !overlayMapped(); }, 5000, "the overlay to close");
        QTest::qWait(150);
    }
    return times;
}

// The least any overlay can cost: on its hot key, a grab of the screen shown
// in a plain full-screen window; the next press closes it.
int bareOverlay(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    X11HotKeyGrabber grabber;
    grabber.grab({0x6b /* k */, HotKeyChord::control | HotKeyChord::alt});
    std::unique_ptr<QLabel> shown;
    QObject::connect(&grabber, &HotKeyGrabber::pressed, [&shown] {
        if (shown) {
            shown.reset();
            return;
        }
        QScreen *screen = QGuiApplication::primaryScreen();
        const QPixmap frozen = screen->grabWindow(0);
        shown =
            std::make_unique<QLabel>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        shown->setWindowTitle(QStringLiteral("bare overlay"));
        shown->setPixmap(frozen);
        shown->setGeometry(screen->geometry());
        shown->show();
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// Another program's typing, with history off (its clipboard watch has no say in this).
void measureWakeUps(const QString &self, const QString &ravelond, const QTemporaryDir &scratch)
{
    const QString typingHome = scratch.filePath(QStringLiteral("typing"));
    ProgramUnderTest::prepareHome(typingHome);
    QFile settings(typingHome + QStringLiteral("/config/app.ravelond.Ravelond.conf"));
    settings.open(QIODevice::Append);
    settings.write("clipboardHistory=false\n");
    settings.close();
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    Launched ours = launch(ravelond, {}, typingHome, true);
    ProgramUnderTest::prepareHome(typingHome + QStringLiteral("-peer"));
    Launched peer = launch(self, {QStringLiteral("--bare-tray")}, typingHome + QStringLiteral("-peer"), false);
    QProcess other;
    other.start(QStringLiteral("xev"), {QStringLiteral("-name"), QStringLiteral("typing-target")});
    other.waitForStarted();
    QProcess::execute(QStringLiteral("xdotool"),
                      {"search", "--sync", "--name", "typing-target", "windowactivate", "--sync"});
    // Past the launch's idle work (the windows made ahead of their first
    // opening, which starts a while after the launch) and until our wake-ups
    // stop for a second (30 s at most).
    while (sinceLaunch.elapsed() < (AppDelegate::warmUpDelay + std::chrono::seconds(1)).count())
        QTest::qWait(100);
    qint64 settled = -1;
    for (int second = 0; second < 30 && wakeUps(ours.process->processId()) != settled; ++second) {
        settled = wakeUps(ours.process->processId());
        QTest::qWait(1000);
    }
    // The wake-ups of both programs over a stretch of this process's.
    const auto wakeUpsOver = [&](const std::function<void()> &stretch) {
        const qint64 ourBefore = wakeUps(ours.process->processId());
        const qint64 peerBefore = wakeUps(peer.process->processId());
        stretch();
        return std::pair(wakeUps(ours.process->processId()) - ourBefore,
                         wakeUps(peer.process->processId()) - peerBefore);
    };
    // The first keys xdotool types can come from another device than the
    // last ones: the server then describes the keyboard anew, and every Qt
    // program reloads its keymap once (a few dozen round trips), whatever is
    // typed after. Counted apart, so that the figures below are the typing's.
    const auto [ourSwitch, peerSwitch] = wakeUpsOver([&] {
        QProcess::execute(QStringLiteral("xdotool"), {"type", "--delay", "2", "ab"});
        QTest::qWait(1000);
    });
    std::printf("wake-ups, the first 2 keys typed into xev by xdotool   ravelond %5lld   bare tray program %5lld\n",
                ourSwitch, peerSwitch);
    constexpr int typedKeys = 1000;
    const QString phrase = QStringLiteral("the quick brown fox jumps over a lazy dog ").repeated(24).left(typedKeys);
    // xdotool first (it switches the keyboard's group around its typing, which
    // every Qt program hears), then plain key presses as a keyboard makes them.
    const std::vector<std::pair<const char *, std::function<void()>>> typists{
        {"xdotool type",
         [&] {
             QProcess::execute(QStringLiteral("xdotool"), {"type", "--delay", "2", phrase});
         }},
        {"XTEST keys",
         [&] {
             for (const QChar character : phrase) {
                 tap(character == QLatin1Char(' ') ? 0x20 : character.unicode());
                 QTest::qWait(2);
             }
         }},
    };
    for (const auto &[how, type] : typists) {
        QElapsedTimer typing;
        typing.start();
        const auto [ourTyping, peerTyping] = wakeUpsOver([&] {
            type();
            QTest::qWait(1000);
        });
        const int lasted = int(typing.elapsed());
        const auto [ourIdle, peerIdle] = wakeUpsOver([&] { QTest::qWait(lasted); });
        std::printf("wake-ups, %d keys typed into xev by %-12s ravelond %5lld (idle as long %lld)   bare tray program "
                    "%5lld (idle %lld)   over %d ms, history off\n",
                    typedKeys, how, ourTyping, ourIdle, peerTyping, peerIdle, lasted);
    }
    other.kill();
    other.waitForFinished();
    stop(ours);
    stop(peer);
}

int measure(int argc, char **argv, bool hotKeyOnly)
{
    QApplication app(argc, argv);
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString ravelond = QStringLiteral(RAVELOND_PROGRAM);
    QTemporaryDir scratch;
    OverlayWatcher overlays;
    watcher = &overlays;

    if (qEnvironmentVariableIsSet("RAVELOND_BENCH_WAKE_UPS_ONLY")) {
        measureWakeUps(self, ravelond, scratch);
        return 0;
    }
    std::vector<double> docked, ready, peerDocked;
    for (int run = 0; run < (hotKeyOnly ? 0 : launches); ++run) {
        const QString home = scratch.filePath(QStringLiteral("launch-%1").arg(run));
        ProgramUnderTest::prepareHome(home);
        Launched ours = launch(ravelond, {}, home, true);
        docked.push_back(ours.toDocked);
        ready.push_back(ours.toHotKey);
        stop(ours);
        Launched peer = launch(self, {QStringLiteral("--bare-tray")}, home, false);
        peerDocked.push_back(peer.toDocked);
        stop(peer);
    }
    if (!hotKeyOnly) {
        std::printf("launch to tray icon docked   ravelond %7.1f ms   bare tray program %7.1f ms   (median of %d)\n",
                    Statistics::median(docked), Statistics::median(peerDocked), launches);
        std::printf("launch to hot key answering  ravelond %7.1f ms\n", Statistics::median(ready));
    }
    if (qEnvironmentVariableIsSet("RAVELOND_BENCH_LAUNCH_ONLY"))
        return 0;

    // Hot key to overlay, against a bare grab + window program and XTEST to a
    // grabbed key's delivery.
    const QString home = scratch.filePath(QStringLiteral("running"));
    ProgramUnderTest::prepareHome(home);
    Launched ours = launch(ravelond, {}, home, true);
    QTest::qWait(1000);
    const Presses toOverlay = pressesToOverlay(0x63, [] { tap(0xff1b); });
    stop(ours);
    QProcess bare;
    bare.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bare.start(self, {QStringLiteral("--bare-overlay")});
    waitUntil([&] { return bare.canReadLine() || bare.waitForReadyRead(1); }, 20000, "the bare overlay program");
    QTest::qWait(1000);
    overlays.name = "bare overlay";
    const Presses toBare = pressesToOverlay(0x6b, [] { chord(0x6b); });
    bare.terminate();
    bare.waitForFinished(5000);
    std::printf("hot key to overlay mapped    ravelond median %6.1f ms  p95 %6.1f ms   bare grab + window median "
                "%6.1f ms  p95 %6.1f ms   (%d presses, 1440 x 900)\n",
                Statistics::median(toOverlay.mapped), Statistics::percentile(toOverlay.mapped, 0.95),
                Statistics::median(toBare.mapped), Statistics::percentile(toBare.mapped, 0.95), presses);
    std::printf("hot key to first frame       ravelond median %6.1f ms  p95 %6.1f ms   bare grab + window median "
                "%6.1f ms  p95 %6.1f ms   (%d presses, 1440 x 900)\n",
                Statistics::median(toOverlay.painted), Statistics::percentile(toOverlay.painted, 0.95),
                Statistics::median(toBare.painted), Statistics::percentile(toBare.painted, 0.95), presses);
    if (qEnvironmentVariableIsSet("RAVELOND_BENCH_EVERY_PRESS")) {
        for (int press = 0; press < presses; ++press)
            std::printf("  press %2d: mapped %6.1f ms, first frame %6.1f ms\n", press, toOverlay.mapped[press],
                        toOverlay.painted[press]);
    }
    if (hotKeyOnly)
        return 0;

    X11HotKeyGrabber peerGrab;
    peerGrab.grab({0x6b /* k */, HotKeyChord::control | HotKeyChord::alt});
    std::vector<double> toDelivery;
    for (int press = 0; press < presses; ++press) {
        QElapsedTimer clock;
        bool delivered = false;
        const auto connection = QObject::connect(&peerGrab, &HotKeyGrabber::pressed, [&] { delivered = true; });
        chord(0x6b, [&] { clock.start(); });
        waitUntil([&] { return delivered; }, 5000, "the grabbed key");
        toDelivery.push_back(clock.nsecsElapsed() / 1e6);
        QObject::disconnect(connection);
    }
    peerGrab.release();
    std::printf("XTEST to grabbed key         median %5.2f ms  p95 %5.2f ms   (%d presses)\n",
                Statistics::median(toDelivery), Statistics::percentile(toDelivery, 0.95), presses);

    // Memory and idle CPU, on fresh instances that have done nothing yet.
    const QString idleHome = scratch.filePath(QStringLiteral("idle"));
    ProgramUnderTest::prepareHome(idleHome);
    ours = launch(ravelond, {}, idleHome, false);
    ProgramUnderTest::prepareHome(idleHome + QStringLiteral("-peer"));
    Launched peer = launch(self, {QStringLiteral("--bare-tray")}, idleHome + QStringLiteral("-peer"), false);
    QTest::qWait(2000);
    const qint64 ourIdle = ProcessMemory::residentKilobytes(ours.process->processId());
    const qint64 peerIdle = ProcessMemory::residentKilobytes(peer.process->processId());
    const qint64 ourPrivate = ProcessMemory::privateKilobytes(ours.process->processId());
    const qint64 peerPrivate = ProcessMemory::privateKilobytes(peer.process->processId());
    const double ourCpu = cpuSeconds(ours.process->processId());
    const double peerCpu = cpuSeconds(peer.process->processId());
    QTest::qWait(10000);
    const double ourIdleCpu = cpuSeconds(ours.process->processId()) - ourCpu;
    const double peerIdleCpu = cpuSeconds(peer.process->processId()) - peerCpu;

    QImage text(900, 200, QImage::Format_RGB32);
    text.fill(Qt::white);
    QPainter painter(&text);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(56);
    painter.setFont(font);
    painter.drawText(text.rect(), Qt::AlignCenter, QStringLiteral("Memory after reading"));
    painter.end();
    const QString image = scratch.filePath(QStringLiteral("text.png"));
    text.save(image);
    QProcess second;
    second.setProcessEnvironment(ours.process->processEnvironment());
    second.start(ravelond, {QStringLiteral("--open-image"), image});
    second.waitForFinished(10000);
    waitUntil(
        [] {
            QProcess xclip;
            xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
            xclip.waitForFinished(2000);
            return xclip.readAllStandardOutput().contains("Memory");
        },
        30000, "the recognised text");
    QTest::qWait(2000);
    const qint64 ourAfterReading = ProcessMemory::residentKilobytes(ours.process->processId());
    std::printf("idle RSS after launch        ravelond %6.1f MB   bare tray program %6.1f MB   ratio %.2f\n",
                ourIdle / 1024.0, peerIdle / 1024.0, double(ourIdle) / double(std::max<qint64>(peerIdle, 1)));
    std::printf("idle private memory          ravelond %6.1f MB   bare tray program %6.1f MB   ratio %.2f\n",
                ourPrivate / 1024.0, peerPrivate / 1024.0,
                double(ourPrivate) / double(std::max<qint64>(peerPrivate, 1)));
    std::printf("RSS after one recognition    ravelond %6.1f MB\n", ourAfterReading / 1024.0);
    std::printf("CPU over 10 s idle           ravelond %6.3f s    bare tray program %6.3f s\n", ourIdleCpu,
                peerIdleCpu);
    stop(ours);
    stop(peer);

    measureWakeUps(self, ravelond, scratch);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--bare-tray")
        return ProgramUnderTest::bareTray(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--bare-overlay")
        return bareOverlay(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--inside")
        return measure(argc, argv, argc >= 3 && QByteArray(argv[2]) == "--hot-key");
    return ProgramUnderTest::runInOwnSession(argc, argv,
                                             {QStringLiteral("--inside"), QLatin1String(argc >= 2 ? argv[1] : "")});
}

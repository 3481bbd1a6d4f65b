// The longest stall of the GUI thread while each window opens: the popover,
// the result window, the settings window, the welcome window and the
// clipboard-history window (1,000 items: 900 pinned, 100 recent), at their
// first opening and at nine later ones, on a real X server; then each
// keystroke of a search typed into the history window and erased again. A
// stall is one uninterrupted stretch of work away from the event loop (the
// largest gap between the beats of a 1 ms timer); an opening lasts from the
// request until the window is exposed and painted and its queued work is
// done, a keystroke until it is painted and its queued work is done. The
// program has been idle for a second before the first opening, as it is
// after start-up; the warm-up it does while idle is measured too: its longest
// step, and the longest stall over the whole idle time. Peer in the same run:
// a plain window with a label (with a line edit for the keystrokes), opened
// and typed into the same way.
//
//   xvfb-run -a ravelond-window-stalls [--cold]
//
// --cold leaves out the program's warm-up while idle; with
// RAVELOND_BENCH_EVERY_STEP set, each warm-up step's time and the resident
// memory after it go to the standard error.
#include "BenchModel.h"
#include "ProcessMemory.h"
#include "Statistics.h"

#include "app/IdleWarmUp.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "platform/LargeBlockRelease.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int laterOpenings = 9;
constexpr int pinnedItems = 900;
constexpr int recentItems = 100;
const QString searched = QStringLiteral("invoice");

// The GUI thread's time on the processor now.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The longest stretch the GUI thread spends away from the event loop: the
// largest gap between the beats of a 1 ms timer, less the beat itself. Both
// the wall-clock gap and the GUI thread's own processor time within it are
// kept: on a loaded machine the first also holds the time the thread waited
// for a processor, which no change of ours can remove.
class StallWatch {
public:
    StallWatch()
    {
        heartbeat_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat_, &QTimer::timeout, [this] { beat(); });
        heartbeat_.start(1);
        reset();
    }
    void reset()
    {
        longestWall_ = 0;
        longestWork_ = 0;
        wall_.restart();
        cpu_ = threadCpuMs();
    }
    void beat()
    {
        longestWall_ = std::max(longestWall_, wall_.nsecsElapsed() / 1e6 - 1.0);
        const double now = threadCpuMs();
        longestWork_ = std::max(longestWork_, now - cpu_);
        wall_.restart();
        cpu_ = now;
    }
    double longestWall() const { return longestWall_; }
    double longestWork() const { return longestWork_; }

private:
    QTimer heartbeat_;
    QElapsedTimer wall_;
    double cpu_ = 0;
    double longestWall_ = 0;
    double longestWork_ = 0;
};

void idleFor(int milliseconds)
{
    bool done = false;
    QTimer::singleShot(milliseconds, [&done] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct Stall {
    double wall = 0;
    double work = 0;
};

// Opens with `open` from the event loop, as a click would, and returns the
// longest stall until the window is exposed, painted and settled.
Stall openingStall(StallWatch &watch, const std::function<QWidget *()> &open)
{
    QWidget *window = nullptr;
    watch.reset();
    QTimer::singleShot(0, [&] { window = open(); });
    while (!window || !window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Queued work of the opening (lists filled after the first frame) counts too.
    idleFor(150);
    watch.beat();
    const Stall stall{watch.longestWall(), watch.longestWork()};
    window->close();
    idleFor(150);
    return stall;
}

struct Stalls {
    Stall first;
    Stall laterWorst;
    Stall laterMedian;
};

Stalls stalls(StallWatch &watch, const std::function<QWidget *()> &open)
{
    Stalls figures;
    figures.first = openingStall(watch, open);
    std::vector<double> wall;
    std::vector<double> work;
    for (int opening = 0; opening < laterOpenings; ++opening) {
        const Stall stall = openingStall(watch, open);
        wall.push_back(stall.wall);
        work.push_back(stall.work);
    }
    figures.laterWorst = {*std::max_element(wall.begin(), wall.end()), *std::max_element(work.begin(), work.end())};
    figures.laterMedian = {Statistics::median(wall), Statistics::median(work)};
    return figures;
}

void print(const char *what, const Stalls &ours, const Stalls &peer)
{
    std::printf("%-16s first %6.1f (%6.1f) ms  later worst %6.1f (%6.1f) median %5.1f (%5.1f)   "
                "plain window first %6.1f (%6.1f) later worst %6.1f (%6.1f)\n",
                what, ours.first.work, ours.first.wall, ours.laterWorst.work, ours.laterWorst.wall,
                ours.laterMedian.work, ours.laterMedian.wall, peer.first.work, peer.first.wall, peer.laterWorst.work,
                peer.laterWorst.wall);
}

QWidget *plainWindow()
{
    auto *window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QStringLiteral("A plain window")));
    window->resize(520, 400);
    window->show();
    return window;
}

// Posts one key press to `field` from the event loop, as the keyboard would,
// and returns the longest stall until it is painted and settled.
Stall keystrokeStall(StallWatch &watch, QLineEdit &field, int key, const QString &text)
{
    watch.reset();
    QCoreApplication::postEvent(&field, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(&field, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    idleFor(150);
    watch.beat();
    return {watch.longestWall(), watch.longestWork()};
}

// Types `searched` into `field` one character a keystroke, then erases it;
// the window holding it is open and has been for a moment, as after a click.
Stalls keystrokeStalls(StallWatch &watch, QLineEdit &field)
{
    field.window()->activateWindow();
    field.setFocus();
    idleFor(300);
    Stalls figures;
    std::vector<double> wall;
    std::vector<double> work;
    const auto keep = [&](const Stall &stall) {
        wall.push_back(stall.wall);
        work.push_back(stall.work);
    };
    for (qsizetype index = 0; index < searched.size(); ++index) {
        const QChar character = searched.at(index);
        const Stall stall = keystrokeStall(watch, field, Qt::Key_A + (character.unicode() - 'a'), QString(character));
        if (index == 0)
            figures.first = stall;
        else
            keep(stall);
    }
    if (field.text() != searched)
        std::fprintf(stderr, "the keystrokes did not reach the search field\n");
    for (qsizetype index = 0; index < searched.size(); ++index)
        keep(keystrokeStall(watch, field, Qt::Key_Backspace, QString()));
    figures.laterWorst = {*std::max_element(wall.begin(), wall.end()), *std::max_element(work.begin(), work.end())};
    figures.laterMedian = {Statistics::median(wall), Statistics::median(work)};
    return figures;
}

// A history as someone who pins a lot would have it: texts of 20 to 1,500
// characters, the newest `recentItems` unpinned.
void fillHistory(ClipboardHistoryStore &history)
{
    static const QStringList words{"meeting", "notes", "invoice", "address", "café",  "street", "password",
                                   "reset",   "link",  "https",   "example", "order", "naïve",  "number"};
    QRandomGenerator random(26);
    const QDateTime now = QDateTime::currentDateTime();
    for (int index = 0; index < pinnedItems + recentItems; ++index) {
        QString text = QStringLiteral("Item %1:").arg(index);
        const int length = 20 + int(random.bounded(1480));
        while (text.size() < length)
            text += QLatin1Char(' ') + words.at(int(random.bounded(qsizetype(words.size()))));
        history.record(text, now.addSecs(index - pinnedItems - recentItems));
        // The new item is the first unpinned one.
        if (index < pinnedItems) {
            qsizetype pinned = 0;
            while (history.items().at(pinned).isPinned)
                ++pinned;
            history.togglePin(history.items().at(pinned).id);
        }
    }
}

// The warm-up's steps, each timed as it runs: the longest one's processor
// time and wall clock.
struct StepTimes {
    Stall longest;
    int steps = 0;
};

QList<IdleWarmUp::Step> timed(QList<IdleWarmUp::Step> steps, StepTimes &times)
{
    for (IdleWarmUp::Step &step : steps) {
        step = [step = std::move(step), &times] {
            QElapsedTimer wall;
            wall.start();
            const double cpu = threadCpuMs();
            const bool more = step();
            times.longest.work = std::max(times.longest.work, threadCpuMs() - cpu);
            times.longest.wall = std::max(times.longest.wall, double(wall.nsecsElapsed()) / 1e6);
            ++times.steps;
            if (qEnvironmentVariableIsSet("RAVELOND_BENCH_EVERY_STEP"))
                std::fprintf(stderr, "  warm-up step %3d: %5.1f (%5.1f) ms, resident %.1f MB\n", times.steps,
                             threadCpuMs() - cpu, double(wall.nsecsElapsed()) / 1e6,
                             ProcessMemory::residentMegabytes());
            return more;
        };
    }
    return steps;
}

QWidget *plainTypingWindow()
{
    auto *window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(new QLineEdit);
    layout->addWidget(new QLabel(QStringLiteral("A plain window")));
    window->resize(520, 400);
    window->show();
    return window;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does first thing, so that its memory figures hold here.
    LargeBlockRelease::enable();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir folder;
    BenchModel bench(folder.path());
    AppModel &model = bench.model();
    WindowController windows(nullptr, nullptr);
    StatusBarController status(model);
    bench.history().stopMonitoring();
    fillHistory(bench.history());
    // Someone who keeps a history this long has it on.
    bench.settings().setClipboardHistory(true);
    StallWatch watch;
    // Idle after start-up, as the program is before anyone opens a window,
    // with the same work done meanwhile as the program does.
    const bool warm = !QCoreApplication::arguments().contains(QStringLiteral("--cold"));
    StepTimes warmUpSteps;
    IdleWarmUp warmUp(warm ? timed(IdleWarmUp::windowsOf(windows, &status, model), warmUpSteps)
                           : QList<IdleWarmUp::Step>(),
                      std::chrono::milliseconds(0));
    const double residentBefore = ProcessMemory::residentMegabytes();
    const double anonymousBefore = ProcessMemory::anonymousMegabytes();
    QElapsedTimer idle;
    idle.start();
    watch.reset();
    idleFor(1000);
    // However the warm-up paces itself, the windows open only once it is done.
    while (!warmUp.isFinished() && idle.elapsed() < 10000)
        idleFor(100);
    watch.beat();
    const Stall idleStall{watch.longestWall(), watch.longestWork()};
    const qint64 idleMs = idle.elapsed();
    if (!warmUp.isFinished())
        std::fprintf(stderr, "the warm-up did not finish in 10 s while idle\n");
    const double residentAfter = ProcessMemory::residentMegabytes();
    const double anonymousAfter = ProcessMemory::anonymousMegabytes();

    const Stalls popover = stalls(watch, [&] {
        status.toggle();
        return status.popover();
    });
    const Stalls popoverPeer = stalls(watch, plainWindow);
    const CaptureResult result(QStringLiteral("Quarterly report, third revision\nNet revenue grew 12.4%"),
                               OCREngine::vision, 0.42);
    const Stalls resultWindow = stalls(watch, [&] {
        windows.showResult(result, model);
        return windows.resultWindow();
    });
    const Stalls resultPeer = stalls(watch, plainWindow);
    const Stalls settings = stalls(watch, [&] {
        windows.showPreferences(model);
        return windows.preferencesWindow();
    });
    const Stalls settingsPeer = stalls(watch, plainWindow);
    const Stalls welcome = stalls(watch, [&] {
        windows.showWelcome(model);
        return windows.welcomeWindow();
    });
    const Stalls welcomePeer = stalls(watch, plainWindow);
    const Stalls history = stalls(watch, [&] {
        windows.showHistory(model);
        return windows.historyWindow();
    });
    const Stalls historyPeer = stalls(watch, plainWindow);

    windows.showHistory(model);
    const Stalls keystrokes = keystrokeStalls(watch, *windows.historyWindow()->findChild<QLineEdit *>());
    windows.historyWindow()->close();
    QWidget *typing = plainTypingWindow();
    const Stalls keystrokesPeer = keystrokeStalls(watch, *typing->findChild<QLineEdit *>());
    delete typing;

    std::printf("longest GUI-thread stall while a window opens, its processor time (wall clock in brackets); "
                "first opening, worst and median of %d later%s:\n",
                laterOpenings, warm ? "; windows warmed up while idle" : "; nothing warmed up (--cold)");
    std::printf("resident memory over the idle time: %.1f MB -> %.1f MB, of it anonymous (heap, not files) %.1f MB -> "
                "%.1f MB\n",
                residentBefore, residentAfter, anonymousBefore, anonymousAfter);
    if (warm)
        std::printf("warm-up while idle: %d steps, longest step %.1f (%.1f) ms; longest stall over the %lld ms idle "
                    "%.1f (%.1f) ms\n",
                    warmUpSteps.steps, warmUpSteps.longest.work, warmUpSteps.longest.wall, qlonglong(idleMs),
                    idleStall.work, idleStall.wall);
    else
        std::printf("longest stall over the %lld ms idle %.1f (%.1f) ms\n", qlonglong(idleMs), idleStall.work,
                    idleStall.wall);
    print("popover", popover, popoverPeer);
    print("result window", resultWindow, resultPeer);
    print("settings window", settings, settingsPeer);
    print("welcome window", welcome, welcomePeer);
    print("history window", history, historyPeer);
    std::printf("search keystrokes (%d items; first keystroke, worst and median of %lld later), peer a plain line "
                "edit:\n",
                pinnedItems + recentItems, qlonglong(searched.size() * 2 - 1));
    print("history search", keystrokes, keystrokesPeer);
    return 0;
}

// The clipboard-history window with a full history of long texts (100 items,
// a quarter of them 100,000 characters and the rest up to 50,000, a few with
// accents), each figure beside a peer measured in the same run: a plain
// QListWidget that shows the first 200 characters of each text and is rebuilt
// from scratch whenever anything changes (what the window did before).
// - open: the window made, shown, laid out and painted for the first time;
// - search keystroke: one character typed into the search field until the
//   window is repainted (the first keystroke folds every text once; the rest
//   only compare), beside the peer's case-insensitive rebuild;
// - poll that adds an item: one look at the pasteboard that records a new
//   copy, until the window is repainted (GUI-thread time; the history file is
//   on, its writing happens in the background; with the large store the
//   file of the poll before is written first, as it is between two polls).
// Times are medians of several runs on Qt's offscreen platform.
//
// Then the same three figures and the resident memory with a large hand-kept
// history: 10,000 pinned items (pins are unbounded; --pinned N for another
// count) of 20 to 1,500 characters and 100 unpinned ones, read from the
// history file as at start-up. Open counts making the window; the first
// keystroke comes 300 ms after the window opened, as a person's would (and
// once more, in another run, at once: what the window folds for search in the
// background is then still folding). Each case runs in a process of its own,
// so its resident memory is its own. Peers: the plain list on the same store,
// and with `--before PROGRAM` the view as it was before it made rows lazily
// (commit f41c087) on 3,000 pinned items (`--before-pinned N`): PROGRAM is
// this benchmark built on that tree, as bench/history_window_before.sh does.
#include "BenchModel.h"
#include "ProcessMemory.h"
#include "Statistics.h"
#include "models/ClipboardHistoryCodec.h"

#include "platform/MemoryPasteboard.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "views/HistoryView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <QCoroTask>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int itemCount = 100;
constexpr int openRuns = 7;
constexpr int pollRuns = 21;
constexpr int scalePollRuns = 11;
const QString typed = QStringLiteral("ipsum");

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

// Lays out and paints what changed, as the next frame would.
void settle(QWidget &window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.repaint();
}

QString longText(int index, QRandomGenerator &random)
{
    static const QStringList words{"lorem", "ipsum", "dolor", "sit",     "amet",   "café",  "consectetur", "adipiscing",
                                   "elit",  "sed",   "do",    "eiusmod", "tempor", "naïve", "incididunt",  "ut"};
    const int length =
        index % 4 == 0 ? int(ClipboardHistoryStore::maximumRecordedCharacters) : 200 + int(random.bounded(50000));
    QString text = QStringLiteral("Clip %1: ").arg(index);
    while (text.size() < length) {
        text += words.at(int(random.bounded(qsizetype(words.size()))));
        text += random.bounded(12) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text.left(length);
}

// The peer: every change rebuilds a plain list of the texts' beginnings.
class PlainHistory : public QWidget {
public:
    explicit PlainHistory(ClipboardHistoryStore &history) : history_(history), list_(new QListWidget(this))
    {
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(field_);
        layout->addWidget(list_, 1);
        QObject::connect(field_, &QLineEdit::textEdited, this, [this] { rebuild(); });
        QObject::connect(&history_, &ClipboardHistoryStore::itemsChanged, this, [this] { rebuild(); });
        rebuild();
    }
    QLineEdit *field() const { return field_; }

private:
    void rebuild()
    {
        list_->clear();
        const QString search = field_->text().trimmed();
        for (const ClipboardHistoryItem &item : history_.items()) {
            if (search.isEmpty() || item.text.contains(search, Qt::CaseInsensitive))
                list_->addItem(item.text.left(200).simplified());
        }
    }

    ClipboardHistoryStore &history_;
    QLineEdit *field_ = new QLineEdit(this);
    QListWidget *list_;
};

struct Figures {
    double openMs = 0;
    double firstKeystrokeMs = 0;
    double keystrokeMs = 0;
    double pollMs = 0;
};

void type(QLineEdit &field, QChar character)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
    QApplication::sendEvent(&field, &press);
}

void erase(QLineEdit &field)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(&field, &press);
}

// Opens a window made by `make`, types the search and erases it, then times
// polls that each record one new copy (the oldest unpinned item goes).
Figures measure(const std::function<QWidget *()> &make, ClipboardHistoryStore &history, MemoryPasteboard &pasteboard,
                QRandomGenerator &random)
{
    Figures figures;
    std::vector<double> opens;
    for (int run = 0; run < openRuns; ++run) {
        QWidget *window = nullptr;
        opens.push_back(millisecondsOf([&] {
            window = make();
            window->show();
            settle(*window);
        }));
        if (run + 1 < openRuns)
            delete window;
        else
            window->setProperty("kept", true);
    }
    figures.openMs = Statistics::median(opens);
    QWidget *window = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->property("kept").toBool())
            window = top;
    }
    auto *field = window->findChild<QLineEdit *>();

    std::vector<double> keystrokes;
    for (qsizetype index = 0; index < typed.size(); ++index) {
        const double ms = millisecondsOf([&] {
            type(*field, typed.at(index));
            settle(*window);
        });
        if (index == 0)
            figures.firstKeystrokeMs = ms;
        else
            keystrokes.push_back(ms);
    }
    for (qsizetype index = 0; index < typed.size(); ++index) {
        keystrokes.push_back(millisecondsOf([&] {
            erase(*field);
            settle(*window);
        }));
    }
    figures.keystrokeMs = Statistics::median(keystrokes);

    std::vector<double> polls;
    for (int run = 0; run < pollRuns; ++run) {
        pasteboard.setContents(longText(run * 4 + 1, random), {});
        polls.push_back(millisecondsOf([&] {
            history.poll();
            settle(*window);
        }));
    }
    figures.pollMs = Statistics::median(polls);
    delete window;
    return figures;
}

// A history file as a user who pins everything would have it.
void writeLargeHistory(const QString &path, int pinned, QRandomGenerator &random)
{
    static const QStringList words{"meeting", "notes", "invoice", "address", "café",  "street", "password",
                                   "reset",   "link",  "https",   "example", "order", "naïve",  "number"};
    QList<ClipboardHistoryItem> items;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int index = 0; index < pinned + 100; ++index) {
        QString text = QStringLiteral("Item %1:").arg(index);
        const int length = 20 + int(random.bounded(1480));
        while (text.size() < length)
            text += QLatin1Char(' ') + words.at(int(random.bounded(qsizetype(words.size()))));
        items.append(ClipboardHistoryItem(text, now.addSecs(-index), index < pinned));
    }
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(ClipboardHistoryCodec::encode(items));
}

// One window on a large store, in a process of its own (the resident memory
// is then this window's alone): made and opened once, one keystroke (300 ms
// after opening, as a person's would, or at once), polls that each add an item.
QJsonObject measureScale(bool plain, bool typedAtOnce, int pinned)
{
    QRandomGenerator random(15);
    QTemporaryDir folder;
    writeLargeHistory(QDir(folder.path()).filePath(QStringLiteral("history.json")), pinned, random);
    BenchModel bench(folder.path(), [](const QImage &, TextRecognitionRequest &) {
        return OCRResponse{QString(), false};
    });
    ClipboardHistoryStore &history = bench.history();
    history.setPersistence(true);
    history.setEnabled(true);
    history.stopMonitoring();
    QCoro::waitFor(history.whenFileIdle());
    const double loadedMb = ProcessMemory::residentMegabytes();

    QWidget *frame = nullptr;
    const double openMs = millisecondsOf([&] {
        frame = new QWidget;
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(plain ? static_cast<QWidget *>(new PlainHistory(history))
                                : new HistoryView(bench.model(), history));
        frame->resize(520, 560);
        frame->show();
        settle(*frame);
    });
    auto *field = frame->findChild<QLineEdit *>();
    if (!typedAtOnce) {
        // No one types within a third of a second of a window opening.
        QEventLoop pause;
        QTimer::singleShot(300, &pause, &QEventLoop::quit);
        pause.exec();
    }
    const double firstKeystrokeMs = millisecondsOf([&] {
        type(*field, QLatin1Char('e'));
        settle(*frame);
    });
    erase(*field);
    settle(*frame);
    std::vector<double> polls;
    for (int run = 0; run < scalePollRuns; ++run) {
        bench.pasteboard().setContents(QStringLiteral("New copy %1 ").arg(run) + longText(run, random).left(300), {});
        // Polls come 750 ms apart: the last one's file is written by then.
        QCoro::waitFor(history.whenFileIdle());
        polls.push_back(millisecondsOf([&] {
            history.poll();
            settle(*frame);
        }));
    }
    const double residentMb = ProcessMemory::residentMegabytes();
    delete frame;
    QCoro::waitFor(history.whenFileIdle());
    return {{QStringLiteral("open_ms"), openMs},
            {QStringLiteral("first_keystroke_ms"), firstKeystrokeMs},
            {QStringLiteral("poll_ms"), Statistics::median(polls)},
            {QStringLiteral("rss_loaded_mb"), loadedMb},
            {QStringLiteral("rss_mb"), residentMb}};
}

// The 100-item figures of the history view and of the plain list.
QJsonObject measureSmall()
{
    QTemporaryDir folder;
    QRandomGenerator random(15);
    BenchModel bench(folder.path(), [](const QImage &, TextRecognitionRequest &) {
        return OCRResponse{QString(), false};
    });
    AppModel &model = bench.model();
    ClipboardHistoryStore &history = bench.history();
    MemoryPasteboard &pasteboard = bench.pasteboard();
    history.setEnabled(true);
    history.stopMonitoring(); // the benchmark polls by hand
    history.setPersistence(true);
    for (int index = 0; index < itemCount; ++index)
        history.record(longText(index, random), QDateTime::currentDateTime().addSecs(-60 * (itemCount - index)));
    for (int index = 0; index < 5; ++index)
        history.togglePin(history.items().at(history.items().size() - 1 - index * 7).id);
    QCoro::waitFor(history.whenFileIdle());

    const auto window = [&](QWidget *content) {
        auto *frame = new QWidget;
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        content->setParent(frame);
        layout->addWidget(content);
        frame->resize(520, 560);
        return frame;
    };
    const Figures ours = measure([&] { return window(new HistoryView(model, history)); }, history, pasteboard, random);
    QCoro::waitFor(history.whenFileIdle());
    const Figures peer = measure([&] { return window(new PlainHistory(history)); }, history, pasteboard, random);
    QCoro::waitFor(history.whenFileIdle());
    return {
        {QStringLiteral("items"), itemCount},
        {QStringLiteral("history_view_open_ms"), ours.openMs},
        {QStringLiteral("plain_list_open_ms"), peer.openMs},
        {QStringLiteral("history_view_first_keystroke_ms"), ours.firstKeystrokeMs},
        {QStringLiteral("plain_list_first_keystroke_ms"), peer.firstKeystrokeMs},
        {QStringLiteral("history_view_keystroke_median_ms"), ours.keystrokeMs},
        {QStringLiteral("plain_list_keystroke_median_ms"), peer.keystrokeMs},
        {QStringLiteral("history_view_poll_adding_an_item_ms"), ours.pollMs},
        {QStringLiteral("plain_list_poll_adding_an_item_ms"), peer.pollMs},
    };
}

// Runs one case in a child process of `program` (this benchmark, or the
// same benchmark built on an earlier tree) and reads back its figures.
QJsonObject runCase(const QString &program, const QString &name, int pinned)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--case"), name, QStringLiteral("--pinned"), QString::number(pinned)});
    child.waitForFinished(-1);
    const QJsonObject figures = QJsonDocument::fromJson(child.readAllStandardOutput()).object();
    if (child.exitCode() != 0 || figures.isEmpty())
        std::fprintf(stderr, "%s --case %s gave no figures\n", qPrintable(program), qPrintable(name));
    return figures;
}

void printScale(const char *what, int pinned, const QJsonObject &figures)
{
    std::printf("  %-28s %6d   %8.1f ms   %8.1f ms   %8.2f ms   %6.1f MB  (%.1f MB before opening)\n", what, pinned,
                figures.value(QStringLiteral("open_ms")).toDouble(),
                figures.value(QStringLiteral("first_keystroke_ms")).toDouble(),
                figures.value(QStringLiteral("poll_ms")).toDouble(), figures.value(QStringLiteral("rss_mb")).toDouble(),
                figures.value(QStringLiteral("rss_loaded_mb")).toDouble());
}

int runOneCase(const QString &name, int pinned)
{
    QJsonObject figures;
    if (name == QLatin1String("small"))
        figures = measureSmall();
    else if (name == QLatin1String("view") || name == QLatin1String("view-typed-at-once") ||
             name == QLatin1String("plain"))
        figures = measureScale(name == QLatin1String("plain"), name == QLatin1String("view-typed-at-once"), pinned);
    else
        return 2;
    std::printf("%s\n", QJsonDocument(figures).toJson(QJsonDocument::Compact).constData());
    return 0;
}

QString optionValue(const QStringList &arguments, const QString &option, const QString &fallback = {})
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    const int pinned = optionValue(arguments, QStringLiteral("--pinned"), QStringLiteral("10000")).toInt();
    const QString oneCase = optionValue(arguments, QStringLiteral("--case"));
    if (!oneCase.isEmpty()) {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return runOneCase(oneCase, pinned);
    }

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const QString before = optionValue(arguments, QStringLiteral("--before"));
    const int beforePinned = optionValue(arguments, QStringLiteral("--before-pinned"), QStringLiteral("3000")).toInt();

    const QJsonObject small = runCase(self, QStringLiteral("small"), pinned);
    std::printf("history window on a large store (pinned items and 100 unpinned; each case a process of its own)\n");
    std::printf("  %-28s %6s   %11s   %11s   %11s   %s\n", "", "pinned", "open", "1st keystroke", "poll adds one",
                "RSS after");
    printScale("history view", pinned, runCase(self, QStringLiteral("view"), pinned));
    printScale("  typed at once (no pause)", pinned, runCase(self, QStringLiteral("view-typed-at-once"), pinned));
    if (!before.isEmpty()) {
        if (beforePinned != pinned)
            printScale("history view", beforePinned, runCase(self, QStringLiteral("view"), beforePinned));
        printScale("history view before (f41c087)", beforePinned,
                   runCase(before, QStringLiteral("view"), beforePinned));
    }
    printScale("plain list", pinned, runCase(self, QStringLiteral("plain"), pinned));
    std::printf("%s\n", QJsonDocument(small).toJson(QJsonDocument::Indented).constData());
    return 0;
}

// The settings window's opening with 30 installed recognition languages: the
// time from the request to the window on screen with its languages listed,
// and the longest stall of the GUI thread meanwhile (the largest gap between
// the ticks of a 1 ms timer). Each run opens a new window, so every figure is
// a first show of that window: 20 in this process, and once more as the very
// first window of a fresh process (Qt's first combo box, its fonts and style
// still to be set up), measured in a child process of its own. Peer in the
// same run, measured the same ways: the same rows in a plain QTabWidget that
// lists the languages synchronously when it is shown.
#include "BenchModel.h"
#include "Statistics.h"

#include "app/WindowController.h"
#include "models/RecognitionLanguageName.h"
#include "services/TesseractLanguages.h"
#include "stores/AppModel.h"
#include "views/PreferencesView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFormLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int openings = 20;
const QString coldOption = QStringLiteral("--cold");

const QStringList thirtyLanguages{"ara", "ces", "chi_sim", "chi_tra", "dan", "deu",      "ell", "eng", "fin", "fra",
                                  "heb", "hin", "hun",     "ind",     "ita", "jpn",      "kor", "nld", "nor", "pol",
                                  "por", "ron", "rus",     "slk",     "spa", "srp_latn", "swe", "tha", "tur", "ukr"};

struct Figures {
    double medianMs;
    double maxMs;
    double longestStallMs;
};

// Opens a window with `open` (which returns it) while a 1 ms heartbeat
// watches the GUI thread, until `ready` holds; the window is then painted.
Figures measure(const std::function<QWidget *()> &open, const std::function<bool(QWidget *)> &ready,
                int runs = openings)
{
    std::vector<double> times;
    double longestStall = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer beat;
        double stall = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            stall = std::max(stall, beat.nsecsElapsed() / 1e6);
            beat.restart();
        });
        heartbeat.start(1);
        beat.start();
        QElapsedTimer clock;
        QWidget *window = nullptr;
        QTimer::singleShot(0, [&] {
            clock.start();
            window = open();
        });
        while (!window || !ready(window))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
        // One more beat, so a stall that ended with the opening is counted.
        QCoreApplication::processEvents();
        stall = std::max(stall, beat.nsecsElapsed() / 1e6);
        heartbeat.stop();
        longestStall = std::max(longestStall, stall);
        delete window;
    }
    return {Statistics::median(times), *std::max_element(times.begin(), times.end()), longestStall};
}

// The same rows as stock widgets, the languages listed on the GUI thread.
class PlainSettings : public QTabWidget {
public:
    PlainSettings()
    {
        auto *general = new QWidget;
        auto *form = new QFormLayout(general);
        auto *engine = new QComboBox;
        engine->addItems({QStringLiteral("Apple Vision"), QStringLiteral("Local MLX")});
        form->addRow(QStringLiteral("Recognition engine"), engine);
        auto *shortcut = new QComboBox;
        shortcut->addItems({QStringLiteral("⌃ ⌥ C"), QStringLiteral("⌃ ⇧ 2"), QStringLiteral("⌘ ⇧ 2")});
        form->addRow(QStringLiteral("Global shortcut"), shortcut);
        language = new QComboBox;
        form->addRow(QStringLiteral("Vision language"), language);
        for (const char *toggle :
             {"Keep line breaks", "Play a quiet sound when copied", "Keep six recent captures this session",
              "Save text you copy", "Keep history after quitting"})
            form->addRow(new QCheckBox(QString::fromUtf8(toggle)));
        form->addRow(QStringLiteral("Screen Recording enabled"), new QPushButton(QStringLiteral("Refresh")));
        addTab(general, QStringLiteral("General"));
        auto *local = new QWidget;
        auto *rows = new QFormLayout(local);
        rows->addRow(new QLabel(QStringLiteral("Installed · ready for offline use")));
        rows->addRow(new QLineEdit(QStringLiteral("/usr/bin/python3")), new QPushButton(QStringLiteral("Choose…")));
        rows->addRow(new QPushButton(QStringLiteral("Repair local installation")));
        addTab(local, QStringLiteral("Local MLX"));
        setFixedSize(WindowController::preferencesSize);
    }

    QComboBox *language;

protected:
    void showEvent(QShowEvent *event) override
    {
        QTabWidget::showEvent(event);
        language->clear();
        language->addItem(QStringLiteral("Detect automatically"), QStringLiteral("auto"));
        for (const QString &code : TesseractLanguages::installed())
            language->addItem(RecognitionLanguageName::of(code), code);
    }
};

} // namespace

// The first opening of `which` ("view" or "peer") in a fresh process.
Figures coldOpening(const QString &which)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {coldOption, which});
    child.waitForFinished(60000);
    const QJsonObject figures = QJsonDocument::fromJson(child.readAllStandardOutput()).object();
    return {figures.value(QStringLiteral("open_ms")).toDouble(), figures.value(QStringLiteral("open_ms")).toDouble(),
            figures.value(QStringLiteral("stall_ms")).toDouble()};
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    for (const QString &code : thirtyLanguages)
        QFile(QDir(folder.path()).filePath(code + QStringLiteral(".traineddata"))).open(QIODevice::WriteOnly);
    qputenv("TESSDATA_PREFIX", folder.path().toLocal8Bit() + '/');
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments();
    const bool cold = arguments.value(1) == coldOption;
    const int runs = cold ? 1 : openings;

    Figures view{};
    Figures peer{};
    {
        BenchModel bench(folder.path());
        AppModel &model = bench.model();
        std::unique_ptr<WindowController> windows;
        if (!cold || arguments.value(2) == QLatin1String("view"))
            view = measure(
                [&]() -> QWidget * {
                    windows = std::make_unique<WindowController>(nullptr, nullptr);
                    windows->showPreferences(model);
                    return windows->preferencesWindow();
                },
                [](QWidget *window) {
                    const auto *picker = window->findChild<QComboBox *>(QStringLiteral("languagePicker"));
                    return picker && picker->count() == thirtyLanguages.size() + 1;
                },
                runs);
        windows.reset();
        if (!cold || arguments.value(2) == QLatin1String("peer"))
            peer = measure(
                [] {
                    auto *plain = new PlainSettings;
                    plain->show();
                    return plain;
                },
                [](QWidget *window) { return static_cast<PlainSettings *>(window)->language->count() > 1; }, runs);
    }
    if (cold) {
        const Figures &figures = arguments.value(2) == QLatin1String("view") ? view : peer;
        const QJsonObject result{{QStringLiteral("open_ms"), figures.maxMs},
                                 {QStringLiteral("stall_ms"), figures.longestStallMs}};
        std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
        return 0;
    }
    const Figures coldView = coldOpening(QStringLiteral("view"));
    const Figures coldPeer = coldOpening(QStringLiteral("peer"));

    const QJsonObject summary{
        {QStringLiteral("installed_languages"), int(thirtyLanguages.size())},
        {QStringLiteral("openings"), openings},
        {QStringLiteral("settings_window_open_median_ms"), view.medianMs},
        {QStringLiteral("settings_window_open_max_ms"), view.maxMs},
        {QStringLiteral("settings_window_longest_stall_ms"), view.longestStallMs},
        {QStringLiteral("settings_window_first_in_process_open_ms"), coldView.maxMs},
        {QStringLiteral("settings_window_first_in_process_stall_ms"), coldView.longestStallMs},
        {QStringLiteral("plain_tabs_sync_languages_open_median_ms"), peer.medianMs},
        {QStringLiteral("plain_tabs_sync_languages_open_max_ms"), peer.maxMs},
        {QStringLiteral("plain_tabs_sync_languages_longest_stall_ms"), peer.longestStallMs},
        {QStringLiteral("plain_tabs_first_in_process_open_ms"), coldPeer.maxMs},
        {QStringLiteral("plain_tabs_first_in_process_stall_ms"), coldPeer.longestStallMs},
    };
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Indented).constData());
    return 0;
}

// Opening the capture panels, each timed from the request to the window
// painted (laid out and drawn whole, on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise), each beside a peer in the same run:
//
// - the status item's popover with the menu-bar panel, with six kept results
//   and 100 clipboard-history items (a new result arrives between two opens,
//   so the card is made again each time), beside a popover of as many plain
//   QLabels as the panel has widgets;
// - the result window for a 100,000-character text, made anew as the window
//   controller makes it for every review, beside a window with a plain
//   QPlainTextEdit holding the same text.
//
//   ravelond-menu-bar [OPENS]
//
// Prints one JSON object: the first (cold) open and the median and 90th
// percentile of the following ones, in milliseconds.
#include "BenchModel.h"
#include "PaintWatch.h"
#include "Statistics.h"

#include "app/WindowController.h"
#include "services/TextRecognitionRequest.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "views/MenuBarView.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoroSignal>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int keptResults = 6;
constexpr int historyItems = 100;
constexpr int resultCharacters = 100000;

struct Figures {
    double firstMs;
    double medianMs;
    double p90Ms;
};

Figures summarise(const std::vector<double> &times)
{
    const std::vector<double> rest(times.begin() + 1, times.end());
    return {times.front(), Statistics::median(rest), Statistics::percentile(rest, 0.9)};
}

QJsonObject json(const Figures &figures)
{
    return {{QStringLiteral("first_ms"), figures.firstMs},
            {QStringLiteral("median_ms"), figures.medianMs},
            {QStringLiteral("p90_ms"), figures.p90Ms}};
}

// From the request to the window painted: the window (and `painted`, drawn
// in the same pass as everything else in it) has been put on the screen.
double timeOpening(QWidget &window, const std::function<QWidget *()> &open)
{
    QElapsedTimer clock;
    clock.start();
    QWidget *content = open();
    PaintWatch watch(*content);
    window.show();
    while (!watch.painted && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(clock.nsecsElapsed()) / 1e6;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QCoro::Task<void> capture(AppModel &model)
{
    model.startPractice();
    if (model.isOperationRunning())
        co_await qCoro(&model, &AppModel::operationEnded);
}

QString longText()
{
    QString text;
    for (int line = 0; text.size() < resultCharacters; ++line)
        text += QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog, again and again.\n").arg(line);
    text.truncate(resultCharacters);
    return text;
}

// A popover of stock labels, one for each widget of the panel.
std::unique_ptr<QWidget> plainPopover(int labels)
{
    auto popover = std::make_unique<QWidget>(nullptr, Qt::Popup);
    auto *layout = new QVBoxLayout(popover.get());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (int i = 0; i < labels; ++i) {
        auto *label = new QLabel(QStringLiteral("Label number %1").arg(i), popover.get());
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    return popover;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int opens = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 40;
    QTemporaryDir folder;

    QJsonObject summary;
    {
        int recognised = 0;
        BenchModel bench(
            folder.path(),
            [&recognised](const QImage &, TextRecognitionRequest &) {
                return OCRResponse{
                    QStringLiteral("Recognised text number %1, with a few more words to wrap").arg(++recognised),
                    false};
            },
            [](AppModel::Dependencies &dependencies) {
                dependencies.settings->setPlaySound(false);
                dependencies.settings->setRememberSession(true);
                dependencies.settings->setClipboardHistory(true);
                dependencies.history->setEnabled(true);
                for (int i = 0; i < historyItems; ++i)
                    dependencies.history->record(QStringLiteral("Clipboard item %1").arg(i));
                dependencies.selectImage = [](bool, OCREngine, std::stop_token) -> QCoro::Task<QImage> {
                    QImage picture(200, 60, QImage::Format_RGB32);
                    picture.fill(Qt::white);
                    co_return picture;
                };
            });
        AppModel &model = bench.model();
        Preferences &settings = bench.settings();
        ClipboardHistoryStore &history = bench.history();
        model.copyText = [](const QString &) { return true; };
        for (int i = 0; i < keptResults; ++i)
            QCoro::waitFor(capture(model));

        // The popover, built once as the status item builds it.
        QWidget popover(nullptr, Qt::Popup);
        auto *panel = new MenuBarView(model, settings, model.mlxSetup(), history, &popover);
        auto *popoverLayout = new QVBoxLayout(&popover);
        popoverLayout->setContentsMargins(0, 0, 0, 0);
        popoverLayout->setSizeConstraint(QLayout::SetFixedSize);
        popoverLayout->addWidget(panel);
        std::vector<double> panelTimes;
        for (int open = 0; open < opens; ++open) {
            panelTimes.push_back(timeOpening(popover, [&] {
                model.rememberDestination();
                model.refreshPermission();
                return panel;
            }));
            popover.hide();
            QCoro::waitFor(capture(model));
            settle();
        }
        const int panelWidgets = int(panel->findChildren<QWidget *>().size());
        const std::unique_ptr<QWidget> peer = plainPopover(panelWidgets);
        std::vector<double> peerTimes;
        for (int open = 0; open < opens; ++open) {
            peerTimes.push_back(timeOpening(*peer, [&] { return peer.get(); }));
            peer->hide();
            settle();
        }

        // The result window, made anew for each review.
        const CaptureResult result(longText(), OCREngine::vision, 0.42);
        WindowController windows(nullptr, nullptr);
        std::vector<double> resultTimes;
        for (int open = 0; open < opens; ++open) {
            QElapsedTimer clock;
            clock.start();
            windows.showResult(result, model);
            auto *editor = windows.resultWindow()->findChild<QAbstractScrollArea *>(QStringLiteral("editor"));
            PaintWatch watch(*editor->viewport());
            while (!watch.painted && clock.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            resultTimes.push_back(double(clock.nsecsElapsed()) / 1e6);
            settle();
        }
        windows.resultWindow()->hide();
        std::vector<double> editorTimes;
        for (int open = 0; open < opens; ++open) {
            QWidget window;
            window.resize(WindowController::resultSize);
            auto *layout = new QVBoxLayout(&window);
            editorTimes.push_back(timeOpening(window, [&] {
                auto *editor = new QPlainTextEdit(&window);
                editor->setPlainText(result.text);
                layout->addWidget(editor);
                return editor->viewport();
            }));
            window.hide();
            settle();
        }

        summary = {
            {QStringLiteral("platform"), QGuiApplication::platformName()},
            {QStringLiteral("opens"), opens},
            {QStringLiteral("kept_results"), model.results().size()},
            {QStringLiteral("history_items"), history.items().size()},
            {QStringLiteral("panel_widgets"), panelWidgets},
            {QStringLiteral("menu_bar_popover"), json(summarise(panelTimes))},
            {QStringLiteral("plain_label_popover"), json(summarise(peerTimes))},
            {QStringLiteral("result_characters"), result.text.size()},
            {QStringLiteral("result_window"), json(summarise(resultTimes))},
            {QStringLiteral("plain_text_edit_window"), json(summarise(editorTimes))},
        };
    }
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Indented).constData());
    return 0;
}

// The feedback card's repaint after a phase change: 200 phase changes of a real
// application model (copied, idle, failed, idle, recognising, cancelled, over
// and over), each timed from the model's announcement to the card repainted
// (layout and painting of the whole window on the offscreen platform). Peer in
// the same run: a plain card of stock labels and push buttons, brought up to
// date from the same announcements.
#include "BenchModel.h"
#include "Statistics.h"

#include "platform/ScreenRecordingPermission.h"
#include "services/TextRecognitionRequest.h"
#include "stores/AppModel.h"
#include "views/FeedbackView.h"

#include <QApplication>
#include <QCoroSignal>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int phaseChanges = 200;

// A card as a stock Qt form would make it: labels and buttons in layouts.
class PlainCard : public QWidget {
public:
    explicit PlainCard(AppModel &model, QWidget *parent) : QWidget(parent), model_(model)
    {
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(32, 32, 32, 32);
        auto *header = new QHBoxLayout;
        header->addWidget(glyph_);
        auto *texts = new QVBoxLayout;
        for (QLabel *label : {eyebrow_, title_, subtitle_}) {
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            texts->addWidget(label);
        }
        header->addLayout(texts, 1);
        header->addWidget(new QPushButton(QStringLiteral("✕")));
        column->addLayout(header);
        column->addStretch(1);
        auto *row = new QHBoxLayout;
        for (QPushButton *button : {cancel_, review_, retry_, openImage_})
            row->addWidget(button);
        row->addStretch(1);
        column->addLayout(row);
        update(model.phase());
    }

    void update(const CapturePhase &phase)
    {
        const bool failed = phase.kind() == CapturePhase::failed;
        const bool copied = phase.kind() == CapturePhase::copied;
        const bool recognising = phase.kind() == CapturePhase::recognizing;
        glyph_->setText(recognising ? QStringLiteral("…") : copied ? QStringLiteral("✓") : QStringLiteral("!"));
        eyebrow_->setText(failed ? QStringLiteral("A SMALL DETOUR") : QStringLiteral("ON YOUR MAC"));
        title_->setText(failed ? QStringLiteral("Let’s get you back on track.") : QStringLiteral("Copied. All yours."));
        subtitle_->setText(failed ? model_.lastError() : model_.copySummary());
        cancel_->setVisible(recognising);
        review_->setVisible(copied);
        retry_->setVisible(!recognising && !copied);
        openImage_->setVisible(failed);
    }

private:
    AppModel &model_;
    QLabel *glyph_ = new QLabel;
    QLabel *eyebrow_ = new QLabel;
    QLabel *title_ = new QLabel;
    QLabel *subtitle_ = new QLabel;
    QPushButton *cancel_ = new QPushButton(QStringLiteral("Cancel"));
    QPushButton *review_ = new QPushButton(QStringLiteral("Review text"));
    QPushButton *retry_ = new QPushButton(QStringLiteral("Try again"));
    QPushButton *openImage_ = new QPushButton(QStringLiteral("Open image…"));
};

// Brings the model through its phases by its own operations until `count`
// phase changes have been announced.
QCoro::Task<void> cyclePhases(AppModel &model, const QString &image, bool &clipboardAccepts, int &announced, int count)
{
    while (announced < count) {
        clipboardAccepts = true;
        model.copyAgain(QStringLiteral("three little words"));
        model.dismissFeedback();
        clipboardAccepts = false;
        model.copyAgain(QStringLiteral("refused"));
        model.importImage(image);
        model.cancel();
        if (model.isOperationRunning())
            co_await qCoro(&model, &AppModel::operationEnded);
    }
}

struct Figures {
    double medianMs;
    double p90Ms;
    double maxMs;
};

// Times each announced phase change until the window has been laid out and repainted.
Figures measure(AppModel &model, QWidget &window, const std::function<void()> &build, const QString &image,
                bool &clipboardAccepts)
{
    QElapsedTimer clock;
    std::vector<double> times;
    // Connected before the card exists, so it runs before the card's own reaction.
    const auto started = QObject::connect(&model, &AppModel::phaseChanged, &window, [&] { clock.start(); });
    build();
    window.show();
    const auto finished = QObject::connect(&model, &AppModel::phaseChanged, &window, [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window.repaint();
        if (int(times.size()) < phaseChanges)
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
    });
    int announced = 0;
    const auto counting = QObject::connect(&model, &AppModel::phaseChanged, &window, [&] { ++announced; });
    QCoro::waitFor(cyclePhases(model, image, clipboardAccepts, announced, phaseChanges));
    QObject::disconnect(started);
    QObject::disconnect(finished);
    QObject::disconnect(counting);
    window.hide();
    return {Statistics::median(times), Statistics::percentile(times, 0.9),
            *std::max_element(times.begin(), times.end())};
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString image = QDir(folder.path()).filePath(QStringLiteral("sample.png"));
    QImage picture(200, 60, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.save(image);

    Figures card{};
    Figures peer{};
    {
        // A recogniser that only waits for its cancel, as a long recognition would.
        BenchModel bench(
            folder.path(),
            [](const QImage &, TextRecognitionRequest &request) {
                while (!request.isCancelled())
                    QThread::msleep(1);
                return OCRResponse{QString(), false};
            },
            [](AppModel::Dependencies &dependencies) { dependencies.settings->setPlaySound(false); });
        AppModel &model = bench.model();
        bool clipboardAccepts = true;
        model.copyText = [&clipboardAccepts](const QString &) { return clipboardAccepts; };

        QWidget cardWindow(nullptr, Qt::FramelessWindowHint);
        cardWindow.setAttribute(Qt::WA_TranslucentBackground);
        cardWindow.resize(FeedbackView::cardWidth, FeedbackView::failedCardHeight);
        card = measure(
            model, cardWindow, [&] { (new FeedbackView(model, &cardWindow))->setGeometry(cardWindow.rect()); }, image,
            clipboardAccepts);

        QWidget peerWindow(nullptr, Qt::FramelessWindowHint);
        peerWindow.resize(FeedbackView::cardWidth, FeedbackView::failedCardHeight);
        PlainCard *plain = nullptr;
        peer = measure(
            model, peerWindow,
            [&] {
                plain = new PlainCard(model, &peerWindow);
                plain->setGeometry(peerWindow.rect());
                QObject::connect(&model, &AppModel::phaseChanged, plain,
                                 [plain](const CapturePhase &phase) { plain->update(phase); });
            },
            image, clipboardAccepts);
    }

    const QJsonObject summary{
        {QStringLiteral("phase_changes"), phaseChanges},
        {QStringLiteral("feedback_view_median_ms"), card.medianMs},
        {QStringLiteral("feedback_view_p90_ms"), card.p90Ms},
        {QStringLiteral("feedback_view_max_ms"), card.maxMs},
        {QStringLiteral("plain_card_median_ms"), peer.medianMs},
        {QStringLiteral("plain_card_p90_ms"), peer.p90Ms},
        {QStringLiteral("plain_card_max_ms"), peer.maxMs},
    };
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Compact).constData());
    return 0;
}

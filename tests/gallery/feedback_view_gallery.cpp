// The feedback panel's card in every presentation, reached through a real
// application model.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"

#include "views/FeedbackView.h"

namespace {

// The card in a frameless window of its size, as the panel hosts it.
class FeedbackScene : public GalleryScene {
public:
    FeedbackScene() : window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint))
    {
        window_->setAttribute(Qt::WA_TranslucentBackground);
    }

    FeedbackModelFixture &fixture() { return fixture_; }

    // Builds the card once the model is in its phase.
    void makeView()
    {
        view_ = new FeedbackView(fixture_.model(), window_.get());
        // The elapsed-time line reads twelve seconds into the recognition.
        view_->setClock([this] {
            const std::optional<QDateTime> start = fixture_.model().recognitionStartedAt();
            return start ? start->addSecs(12) : QDateTime::currentDateTime();
        });
        fit();
        QObject::connect(view_, &FeedbackView::presentationChanged, window_.get(), [this] { fit(); });
    }

    QWidget &widget() override { return *window_; }

private:
    void fit()
    {
        window_->resize(view_->sizeHint());
        view_->setGeometry(window_->rect());
    }

    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    FeedbackView *view_ = nullptr;
};

GalleryState state(const QString &name, std::function<void(FeedbackModelFixture &)> enter)
{
    return {name, [enter](GalleryContext &) {
                auto scene = std::make_unique<FeedbackScene>();
                enter(scene->fixture());
                scene->makeView();
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

const QString longError = QStringLiteral("The recogniser stopped on line one.\nIt gave up on line two.\nLine three.\n"
                                         "Line four.\nLine five is the last one shown.\nLine six.\nLine seven.\n"
                                         "Line eight.");

const GalleryRegistration feedback(
    QStringLiteral("feedback"),
    {
        state(QStringLiteral("recognizing-vision"), [](FeedbackModelFixture &f) { f.recognize(OCREngine::vision); }),
        state(QStringLiteral("recognizing-local"), [](FeedbackModelFixture &f) { f.recognize(OCREngine::mlx); }),
        state(QStringLiteral("copied"),
              [](FeedbackModelFixture &f) { f.copy(QStringLiteral("Quarterly report, third revision")); }),
        state(QStringLiteral("copied-again"),
              [](FeedbackModelFixture &f) { f.copyAgain(QStringLiteral("Good ideas deserve a second look")); }),
        state(QStringLiteral("cancelled"), [](FeedbackModelFixture &f) { f.cancel(); }),
        state(QStringLiteral("idle"), [](FeedbackModelFixture &) {}),
        state(QStringLiteral("failed"),
              [](FeedbackModelFixture &f) { f.fail(QStringLiteral("No readable text was found in that area.")); }),
        state(QStringLiteral("failed-settings"), [](FeedbackModelFixture &f) { f.failNeedingSettings(); }),
        withClampedTexts(state(QStringLiteral("failed-long-message"),
                               [](FeedbackModelFixture &f) { f.fail(longError); }),
                         {longError}),
    });

} // namespace

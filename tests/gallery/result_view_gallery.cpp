// The result window's content in each of its states, at the window's size.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"
#include "support/TestEnvironment.h"

#include "views/ResultView.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr QSize windowSize{640, 470};

class ResultScene : public GalleryScene {
public:
    ResultScene() : window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint)) {}

    FeedbackModelFixture &fixture() { return fixture_; }

    ResultView &makeView(const CaptureResult &result)
    {
        view_ = new ResultView(result, fixture_.model(), window_.get());
        auto *layout = new QVBoxLayout(window_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        window_->resize(windowSize);
        return *view_;
    }

    QWidget &widget() override { return picture_ ? *picture_ : *window_; }
    // Pictures another window of the view's (an alert) instead.
    void picture(QWidget *window) { picture_ = window; }

private:
    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    ResultView *view_ = nullptr;
    QWidget *picture_ = nullptr;
};

CaptureResult resultOf(const QString &text, OCREngine engine = OCREngine::vision, double elapsed = 0.3456)
{
    CaptureResult result(text, engine, elapsed);
    result.date = QDateTime(QDate(2024, 5, 14), QTime(9, 41));
    return result;
}

using Setup = std::function<void(ResultScene &)>;

GalleryState state(const QString &name, Setup setup)
{
    return {name, [setup](GalleryContext &) {
                auto scene = std::make_unique<ResultScene>();
                setup(*scene);
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

const QString letter = QStringLiteral(
    "Dear Ms Okafor,\n\nthank you for the quick reply. The samples arrived on Monday and the lab has started on "
    "the first batch.\nWe expect the results by the end of next week.\n\n    Measured: 12.5 ml · 0.8 g\n\nKind "
    "regards,\nJonas");

QString longText()
{
    QString text;
    for (int line = 1; line <= 60; ++line)
        text += QStringLiteral("Line %1 of a long capture that needs the editor to scroll.\n").arg(line);
    return text.trimmed();
}

const GalleryRegistration
    result(QStringLiteral("result"),
           {
               state(QStringLiteral("letter"), [](ResultScene &s) { s.makeView(resultOf(letter)); }),
               state(QStringLiteral("one-word-local-engine"),
                     [](ResultScene &s) { s.makeView(resultOf(QStringLiteral("Text"), OCREngine::mlx, 12.34)); }),
               state(QStringLiteral("long-text"), [](ResultScene &s) { s.makeView(resultOf(longText())); }),
               state(QStringLiteral("emptied"),
                     [](ResultScene &s) {
                         ResultView &view = s.makeView(resultOf(QStringLiteral("Gone")));
                         view.findChild<QTextEdit *>(QStringLiteral("editor"))->clear();
                     }),
               state(QStringLiteral("copied"),
                     [](ResultScene &s) {
                         ResultView &view = s.makeView(resultOf(letter));
                         view.findChild<QAbstractButton *>(QStringLiteral("copyButton"))->click();
                     }),
               state(QStringLiteral("while-capturing"),
                     [](ResultScene &s) {
                         s.fixture().select();
                         s.makeView(resultOf(letter));
                     }),
               state(QStringLiteral("save-failed-alert"),
                     [](ResultScene &s) {
                         ResultView &view = s.makeView(resultOf(letter));
                         view.findChild<QAbstractButton *>(QStringLiteral("saveButton"))->click();
                         QSignalSpy finished(&view, &ResultView::saveFinished);
                         const QString folder =
                             QDir(TestEnvironment::root()).filePath(QStringLiteral("no such folder"));
                         view.saveDialog()->selectFile(QDir(folder).filePath(ResultView::proposedFileName));
                         QMetaObject::invokeMethod(view.saveDialog(), "accept");
                         finished.wait(10000);
                         s.picture(view.findChild<QMessageBox *>(QStringLiteral("saveFailedAlert")));
                     }),
           });

} // namespace

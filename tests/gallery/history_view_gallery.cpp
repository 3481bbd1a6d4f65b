// The clipboard-history window's content in each of its states, on a real
// application model and history store.
#include "gallery/Gallery.h"

#include "support/FeedbackModelFixture.h"

#include "views/HistoryView.h"

#include <QLineEdit>
#include <QTest>

namespace {

// The view in a frameless window of the history window's size.
class HistoryScene : public GalleryScene {
public:
    HistoryScene() : window_(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint)) { window_->resize(520, 560); }

    FeedbackModelFixture &fixture() { return fixture_; }

    void makeView()
    {
        view_ = new HistoryView(fixture_.model(), fixture_.history(), window_.get());
        view_->setGeometry(window_->rect());
    }

    // Takes effect once the window is shown: the view is idle while hidden.
    std::function<void(HistoryView &)> whenShown;

    QWidget &widget() override
    {
        if (!shown_ && whenShown) {
            shown_ = true;
            window_->show();
            whenShown(*view_);
        }
        return alert_ ? static_cast<QWidget &>(*alert_) : *window_;
    }

    void pictureTheAlert() { pictureAlert_ = true; }

    void openAlertIfAsked()
    {
        if (!pictureAlert_)
            return;
        window_->show();
        QTest::mouseClick(view_->findChild<QWidget *>(QStringLiteral("clearAll")), Qt::LeftButton);
        alert_ = view_->clearAlert();
    }

private:
    FeedbackModelFixture fixture_;
    std::unique_ptr<QWidget> window_;
    HistoryView *view_ = nullptr;
    QWidget *alert_ = nullptr;
    bool shown_ = false;
    bool pictureAlert_ = false;
};

void someItems(FeedbackModelFixture &f, bool withPinned)
{
    f.saveInHistory(QStringLiteral("Meeting moved to Thursday, 10:30 in the small room."), 4 * 86400);
    f.saveInHistory(QStringLiteral("ravelond@example.org"), 2 * 3600);
    f.saveInHistory(
        QStringLiteral("The quick brown fox jumps over the lazy dog, then the lazy dog sighs, stands up, stretches, "
                       "and asks the fox whether it would like to do that again, a little slower this time."),
        5 * 60);
    f.saveInHistory(QStringLiteral("Café au lait"), 20);
    if (withPinned) {
        f.saveInHistory(QStringLiteral("Wi-Fi: orchard-guest · password on the fridge"), 9 * 86400, true);
        f.saveInHistory(QStringLiteral("Invoice 2024-117"), 40 * 86400, true);
    }
}

QString hundredThousandCharacters()
{
    QString text;
    while (text.size() < 100000)
        text += QStringLiteral("A very long clip that goes on and on. ");
    return text.left(100000);
}

GalleryState state(const QString &name, std::function<void(FeedbackModelFixture &)> fill,
                   std::function<void(HistoryView &)> whenShown = {}, bool alert = false)
{
    return {name, [fill, whenShown, alert](GalleryContext &) {
                auto scene = std::make_unique<HistoryScene>();
                fill(scene->fixture());
                scene->makeView();
                scene->whenShown = whenShown ? whenShown : [](HistoryView &) {};
                if (alert)
                    scene->pictureTheAlert();
                scene->openAlertIfAsked();
                return std::unique_ptr<GalleryScene>(std::move(scene));
            }};
}

void typeSearch(HistoryView &view, const QString &text)
{
    auto *field = view.findChild<QLineEdit *>(QStringLiteral("historySearch"));
    field->setFocus();
    QTest::keyClicks(field, text);
}

const GalleryRegistration
    history(QStringLiteral("history"),
            {
                state(QStringLiteral("nothing-saved"), [](FeedbackModelFixture &) {}),
                state(
                    QStringLiteral("no-matches"), [](FeedbackModelFixture &f) { someItems(f, false); },
                    [](HistoryView &view) { typeSearch(view, QStringLiteral("zzz")); }),
                state(
                    QStringLiteral("blank-search-nothing-saved"), [](FeedbackModelFixture &) {},
                    [](HistoryView &view) { typeSearch(view, QStringLiteral("   ")); }),
                state(QStringLiteral("saved"), [](FeedbackModelFixture &f) { someItems(f, false); }),
                state(QStringLiteral("pinned-and-recent"), [](FeedbackModelFixture &f) { someItems(f, true); }),
                state(QStringLiteral("only-pinned"),
                      [](FeedbackModelFixture &f) {
                          f.saveInHistory(QStringLiteral("Door code 4471"), 3 * 86400, true);
                          f.saveInHistory(QStringLiteral("Flight LH 2010, seat 14C"), 30, true);
                      }),
                state(
                    QStringLiteral("search-matches"), [](FeedbackModelFixture &f) { someItems(f, true); },
                    [](HistoryView &view) { typeSearch(view, QStringLiteral("  CAFE ")); }),
                state(QStringLiteral("busy"),
                      [](FeedbackModelFixture &f) {
                          someItems(f, true);
                          f.select();
                      }),
                withClampedTexts(state(QStringLiteral("long-text"),
                                       [](FeedbackModelFixture &f) {
                                           f.saveInHistory(hundredThousandCharacters(), 3600);
                                           f.saveInHistory(QStringLiteral("one\ntwo\nthree\nfour\nfive"), 60);
                                           f.saveInHistory(QStringLiteral("word"), 1);
                                       }),
                                 {hundredThousandCharacters(), QStringLiteral("one\ntwo\nthree\nfour\nfive")}),
                state(QStringLiteral("many-items"),
                      [](FeedbackModelFixture &f) {
                          for (int i = 0; i < 30; ++i)
                              f.saveInHistory(QStringLiteral("Clip number %1").arg(i + 1), (30 - i) * 3600);
                      }),
                state(
                    QStringLiteral("confirming-clear"), [](FeedbackModelFixture &f) { someItems(f, true); }, {}, true),
            });

} // namespace

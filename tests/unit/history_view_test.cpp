#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "models/ClipboardHistorySearch.h"
#include "support/Await.h"
#include "support/FeedbackModelFixture.h"
#include "support/Patience.h"
#include "support/ShownChild.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignPalette.h"
#include "support/design/SectionHeader.h"
#include "support/design/SymbolButton.h"
#include "views/HistoryEmptyState.h"
#include "views/HistoryList.h"
#include "views/HistoryRow.h"
#include "views/HistoryView.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

class HistoryViewTest : public ::testing::Test {
protected:
    HistoryViewTest() : environment(accessibility, appearance, [] { return true; }) {}

    ~HistoryViewTest() override
    {
        if (host && view->clearAlert())
            view->clearAlert()->close();
    }

    HistoryView &showView()
    {
        host = std::make_unique<QWidget>();
        environment.attach(*host);
        host->resize(520, 560);
        view = new HistoryView(fixture.model(), fixture.history(), host.get());
        view->setGeometry(host->rect());
        host->show();
        QApplication::setActiveWindow(host.get());
        return *view;
    }

    ClipboardHistoryStore &store() { return fixture.history(); }

    QUuid save(const QString &text, bool pinned = false, int secondsAgo = 60)
    {
        return fixture.saveInHistory(text, secondsAgo, pinned);
    }

    template <typename Widget = QWidget>
    Widget *named(const QString &name) const
    {
        return shownChild<Widget>(*view, name);
    }

    QString text(const QString &name) const
    {
        auto *label = named<ClampedLabel>(name);
        return label ? label->text() : QStringLiteral("<none>");
    }

    // The list top to bottom: section titles and row texts.
    QStringList listed() const
    {
        QList<QWidget *> shown;
        for (QWidget *child : view->list()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(view->list()) &&
                (qobject_cast<SectionHeader *>(child) || qobject_cast<HistoryRow *>(child)))
                shown << child;
        }
        std::sort(shown.begin(), shown.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
        QStringList names;
        for (QWidget *widget : shown) {
            if (auto *header = qobject_cast<SectionHeader *>(widget))
                names << header->title();
            else
                names << qobject_cast<HistoryRow *>(widget)->item().text;
        }
        return names;
    }

    HistoryRow *rowOf(const QString &text) const
    {
        for (HistoryRow *row : view->list()->shownRows()) {
            if (row->item().text == text)
                return row;
        }
        return nullptr;
    }

    void search(const QString &typed)
    {
        auto *field = named<QLineEdit>(QStringLiteral("historySearch"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        // Typed character by character, accented ones included (QTest knows only ASCII keys).
        for (const QChar character : typed) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(field, &press);
        }
        ASSERT_EQ(field->text(), typed);
    }

    QMessageBox *openClearAlert()
    {
        QTest::mouseClick(named(QStringLiteral("clearAll")), Qt::LeftButton);
        QMessageBox *alert = view->clearAlert();
        if (alert) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(alert, Patience::untilHung));
        }
        return alert;
    }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment environment;
    FeedbackModelFixture fixture;
    std::unique_ptr<QWidget> host;
    HistoryView *view = nullptr;
};

} // namespace

TEST_F(HistoryViewTest, CountEmptyStatesAndNoMatchesFollowTheStoreAndTheSearchAsTyped)
{
    showView();
    EXPECT_EQ(text(QStringLiteral("historyCount")), QStringLiteral("Nothing saved yet"));
    EXPECT_EQ(named(QStringLiteral("clearAll")), nullptr);
    auto *empty = named<HistoryEmptyState>(QStringLiteral("emptyState"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->property("symbol").toString(), QStringLiteral("clock.arrow.circlepath"));
    EXPECT_EQ(empty->title(), QStringLiteral("Copy some text, and it will wait here."));
    EXPECT_EQ(empty->hint(), QStringLiteral("Ravelond saves plain text you copy while history is on."));

    search(QStringLiteral("   "));
    EXPECT_EQ(empty->property("symbol").toString(), QStringLiteral("magnifyingglass"));
    EXPECT_EQ(empty->title(), QStringLiteral("No matches for \"   \""));
    EXPECT_EQ(empty->hint(), QString());
    EXPECT_NE(named(QStringLiteral("clearSearch")), nullptr);

    save(QStringLiteral("one"));
    EXPECT_EQ(text(QStringLiteral("historyCount")), QStringLiteral("1 item on this Mac"));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("SAVED"), QStringLiteral("one")})) << "blanks filter nothing";
    EXPECT_NE(named(QStringLiteral("clearAll")), nullptr);

    save(QStringLiteral("I love CAFE"));
    for (int i = 0; i < 10; ++i)
        save(QStringLiteral("tea %1").arg(i));
    search(QStringLiteral("  café "));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("SAVED"), QStringLiteral("I love CAFE")}));
    EXPECT_EQ(text(QStringLiteral("historyCount")), QStringLiteral("12 items on this Mac"));

    search(QStringLiteral("zzz"));
    EXPECT_EQ(named(QStringLiteral("emptyState")), empty);
    EXPECT_EQ(empty->title(), QStringLiteral("No matches for \"zzz\""));
    EXPECT_EQ(empty->hint(), QString());

    QTest::mouseClick(named(QStringLiteral("clearSearch")), Qt::LeftButton);
    EXPECT_EQ(view->search(), QString());
    EXPECT_EQ(named(QStringLiteral("clearSearch")), nullptr);
    EXPECT_EQ(view->list()->shownItems().size(), 12);
    EXPECT_EQ(listed().first(), QStringLiteral("SAVED"));
}

TEST_F(HistoryViewTest, SectionsFollowThePinsAndTheSearch)
{
    const struct {
        const char *name;
        QList<std::pair<QString, bool>> saved; // oldest first
        QString search;
        QStringList expected;
    } cases[] = {
        {"pinned and unpinned",
         {{"C", false}, {"B", false}, {"A", true}},
         QString(),
         {"PINNED", "A", "RECENT", "B", "C"}},
        {"only unpinned", {{"C", false}, {"B", false}}, QString(), {"SAVED", "B", "C"}},
        {"only pinned", {{"B", true}, {"A", true}}, QString(), {"PINNED", "A", "B"}},
        {"a search that finds only unpinned items",
         {{"apple", false}, {"pear", true}},
         QStringLiteral("apple"),
         {"SAVED", "apple"}},
    };
    for (const auto &row : cases) {
        store().clearAll();
        for (const auto &[text, pinned] : row.saved)
            save(text, pinned);
        if (!host)
            showView();
        search(row.search);
        EXPECT_EQ(listed(), row.expected) << row.name;
        const auto *recent = named<SectionHeader>(QStringLiteral("recentHeader"));
        if (recent) {
            EXPECT_EQ(recent->topPadding(), row.expected.first() == QLatin1String("PINNED") ? 6 : 0) << row.name;
        }
    }
}

TEST_F(HistoryViewTest, PinMovesTheSameRowToTheTopOfThePinnedAndDeleteRemovesItWithoutAsking)
{
    save(QStringLiteral("C"), false, 300);
    save(QStringLiteral("B"), false, 200);
    save(QStringLiteral("A"), true, 100);
    showView();
    HistoryRow *c = rowOf(QStringLiteral("C"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->pinButton()->toolTip(), QStringLiteral("Pin"));
    EXPECT_EQ(c->pinButton()->accessibleName(), QStringLiteral("Pin item"));
    EXPECT_EQ(c->property("itemId").toUuid(), c->itemId());

    QTest::mouseClick(c->pinButton(), Qt::LeftButton);
    EXPECT_EQ(listed(), QStringList({"PINNED", "C", "A", "RECENT", "B"}));
    EXPECT_EQ(rowOf(QStringLiteral("C")), c) << "the row was kept, not rebuilt";
    EXPECT_EQ(c->pinButton()->symbol(), QStringLiteral("pin.fill"));
    EXPECT_EQ(c->pinButton()->property("symbol").toString(), QStringLiteral("pin.fill"));
    EXPECT_EQ(c->pinButton()->toolTip(), QStringLiteral("Unpin"));
    EXPECT_EQ(c->pinButton()->accessibleName(), QStringLiteral("Unpin item"));

    QTest::mouseClick(c->pinButton(), Qt::LeftButton);
    EXPECT_EQ(listed(), QStringList({"PINNED", "A", "RECENT", "C", "B"}));

    QTest::mouseClick(rowOf(QStringLiteral("A"))->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(listed(), QStringList({"SAVED", "C", "B"}));
    EXPECT_EQ(store().items().size(), 2);
    EXPECT_EQ(view->clearAlert(), nullptr);
    for (QWidget *window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox *>(window) && window->isVisible()) << "no confirmation";
}

TEST_F(HistoryViewTest, CopyAgainIsTheOnlyRowActionABusyCaptureDisables)
{
    save(QStringLiteral("three little words"));
    save(QStringLiteral("pinned"), true);
    showView();
    HistoryRow *row = rowOf(QStringLiteral("three little words"));
    EXPECT_EQ(row->copyButton()->toolTip(), QStringLiteral("Copy again"));
    QTest::mouseClick(row->copyButton(), Qt::LeftButton, {}, QPoint(row->copyButton()->width() - 3, 5));
    EXPECT_EQ(fixture.model().phase().kind(), CapturePhase::copied) << "the whole width is the copy button";
    EXPECT_EQ(fixture.model().copySummary(), QStringLiteral("3 words · Ready for your next idea"));
    fixture.model().dismissFeedback();

    fixture.select();
    ASSERT_TRUE(fixture.model().phase().isBusy());
    for (HistoryRow *shown : view->list()->shownRows()) {
        EXPECT_FALSE(shown->copyButton()->isEnabled());
        EXPECT_TRUE(shown->pinButton()->isEnabled());
        EXPECT_TRUE(shown->deleteButton()->isEnabled());
    }
    EXPECT_TRUE(named(QStringLiteral("clearAll"))->isEnabled());
    QTest::mouseClick(row->pinButton(), Qt::LeftButton);
    EXPECT_EQ(listed().at(1), QStringLiteral("three little words")) << "pinning works while busy";

    fixture.model().cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fixture.model().phase().isBusy(); }, Patience::untilHung));
    EXPECT_TRUE(row->copyButton()->isEnabled());
}

TEST_F(HistoryViewTest, ClearAllAsksFirstAndNeitherCancelNorReturnNorEscapeNorHidingClears)
{
    save(QStringLiteral("kept"));
    save(QStringLiteral("pinned"), true);
    store().setPersistence(true);
    showView();

    const struct {
        const char *how;
        std::function<void(QMessageBox &)> answer;
    } keeping[] = {
        {"Cancel",
         [](QMessageBox &alert) {
             QTest::mouseClick(alert.findChild<QPushButton *>(QStringLiteral("cancelClearAll")), Qt::LeftButton);
         }},
        {"Return", [](QMessageBox &alert) { QTest::keyClick(&alert, Qt::Key_Return); }},
        {"Return with the focus on Clear all",
         [](QMessageBox &alert) {
             alert.findChild<QPushButton *>(QStringLiteral("confirmClearAll"))->setFocus(Qt::TabFocusReason);
             QTest::keyClick(&alert, Qt::Key_Return);
         }},
        {"Escape", [](QMessageBox &alert) { QTest::keyClick(&alert, Qt::Key_Escape); }},
    };
    for (const auto &answer : keeping) {
        QMessageBox *alert = openClearAlert();
        ASSERT_NE(alert, nullptr) << answer.how;
        EXPECT_EQ(alert->text(), QStringLiteral("Clear clipboard history?"));
        EXPECT_EQ(alert->informativeText(), QStringLiteral("This removes every saved item, including pinned ones."));
        EXPECT_EQ(alert->defaultButton()->text(), QStringLiteral("Cancel"));
        answer.answer(*alert);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->clearAlert() == nullptr; }, Patience::untilHung)) << answer.how;
        EXPECT_EQ(store().items().size(), 2) << answer.how;
    }

    // The window hidden for a capture takes its confirmation along, unanswered.
    ASSERT_NE(openClearAlert(), nullptr);
    host->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->clearAlert() == nullptr; }, Patience::untilHung));
    EXPECT_EQ(store().items().size(), 2);
    host->show();

    QMessageBox *alert = openClearAlert();
    ASSERT_NE(alert, nullptr);
    QTest::mouseClick(alert->findChild<QPushButton *>(QStringLiteral("confirmClearAll")), Qt::LeftButton);
    EXPECT_TRUE(store().items().isEmpty()) << "pinned items included";
    EXPECT_EQ(text(QStringLiteral("historyCount")), QStringLiteral("Nothing saved yet"));
    await(store().whenFileIdle());
    QFile file(store().storagePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[]"));
}

TEST_F(HistoryViewTest, TenPollsThatAddItemsKeepTheScrollOffsetTheFocusAndTheRows)
{
    for (int i = 0; i < 40; ++i)
        save(QStringLiteral("Saved text number %1").arg(i), false, 3600 - i);
    showView();
    auto *scroll = view->findChild<QScrollArea *>();
    ASSERT_GT(scroll->verticalScrollBar()->maximum(), 600);
    scroll->verticalScrollBar()->setValue(480);
    HistoryRow *focused = rowOf(QStringLiteral("Saved text number 30"));
    focused->pinButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focused->pinButton()->hasFocus(); }, Patience::untilHung));

    for (int poll = 0; poll < 10; ++poll) {
        QHash<QUuid, QPointer<HistoryRow>> before;
        for (HistoryRow *row : view->list()->shownRows())
            before.insert(row->itemId(), row);
        store().record(QStringLiteral("New copy %1").arg(poll));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // A row still made after the poll is the one made before it, never a new one.
        for (HistoryRow *row : view->list()->shownRows()) {
            if (before.contains(row->itemId())) {
                EXPECT_EQ(before.value(row->itemId()), row) << "rebuilt: " << row->item().text.toStdString();
            }
        }
    }

    EXPECT_EQ(scroll->verticalScrollBar()->value(), 480);
    EXPECT_TRUE(focused->pinButton()->hasFocus());
    EXPECT_EQ(rowOf(QStringLiteral("Saved text number 30")), focused);
    EXPECT_EQ(view->list()->shownItems().size(), 50);
    EXPECT_EQ(view->list()->shownItems().at(0).text, QStringLiteral("New copy 9"));
}

TEST_F(HistoryViewTest, AHundredThousandCharacterItemShowsThreeElidedLines)
{
    QString text;
    while (text.size() < ClipboardHistoryStore::maximumRecordedCharacters)
        text += QStringLiteral("lorem ipsum dolor ");
    text.truncate(ClipboardHistoryStore::maximumRecordedCharacters);
    save(text);
    save(QStringLiteral("one\ntwo\nthree\nfour"));
    save(QStringLiteral("word"));
    showView();
    const auto lines = [&](const QString &saved) {
        return rowOf(saved)->findChild<ClampedLabel *>(QStringLiteral("itemText"))->displayedLines();
    };
    const QStringList longLines = lines(text);
    ASSERT_EQ(longLines.size(), 3);
    EXPECT_TRUE(longLines.last().endsWith(QStringLiteral("…"))) << longLines.last().toStdString();
    EXPECT_EQ(lines(QStringLiteral("one\ntwo\nthree\nfour")),
              QStringList({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three…")}));
    EXPECT_TRUE(rowOf(text)
                    ->findChild<ClampedLabel *>(QStringLiteral("itemMeta"))
                    ->text()
                    .startsWith(QStringLiteral("16667 words · ")));
    EXPECT_TRUE(rowOf(QStringLiteral("word"))
                    ->findChild<ClampedLabel *>(QStringLiteral("itemMeta"))
                    ->text()
                    .startsWith(QStringLiteral("1 word · ")));
}

TEST_F(HistoryViewTest, TheClearAllAlertAMenuAndADropDownFollowTheAppearanceAndTheAlertShowsEachTextOnOneLine)
{
    DesignEnvironment::setStandard(&environment);
    DesignPalette::followApplication();
    save(QStringLiteral("kept"));
    showView();
    QComboBox picker(host.get());
    picker.addItems({QStringLiteral("One"), QStringLiteral("Two")});
    QMenu menu;
    for (const bool dark : {true, false, true}) {
        appearance.setDark(dark);
        QMessageBox *alert = view->clearAlert() ? view->clearAlert() : openClearAlert();
        ASSERT_NE(alert, nullptr);
        const QPalette expected = DesignPalette::of(dark);
        // Windows learn of the application's palette from a posted event.
        for (QWidget *surface : {static_cast<QWidget *>(alert), static_cast<QWidget *>(&menu), picker.view()->window()})
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return surface->palette().color(QPalette::Window) == expected.color(QPalette::Window) &&
                           surface->palette().color(QPalette::WindowText) == expected.color(QPalette::WindowText) &&
                           surface->palette().color(QPalette::Base) == expected.color(QPalette::Base);
                },
                Patience::untilHung))
                << (dark ? "dark " : "light ") << surface->metaObject()->className();
    }
    QMessageBox *alert = view->clearAlert();
    for (const char *name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        const auto *label = alert->findChild<QLabel *>(QLatin1String(name));
        ASSERT_NE(label, nullptr) << name;
        // At the width it has, the label sets its text on one line.
        const QFontMetrics metrics(label->font());
        const QRect shown = metrics.boundingRect(QRect(0, 0, label->width(), 2000), Qt::TextWordWrap, label->text());
        EXPECT_LT(shown.height(), 2 * metrics.lineSpacing()) << label->text().toStdString() << " in " << label->width();
    }
    DesignEnvironment::setStandard(nullptr);
    DesignPalette::followApplication();
}

namespace {

// The list's headers and rows as its accessible children give them, hidden ones left out.
QStringList accessibleOrder(HistoryList &list)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList order;
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(&list);
    for (int index = 0; interface && index < interface->childCount(); ++index) {
        QAccessibleInterface *child = interface->child(index);
        if (!child || child->state().invisible)
            continue;
        if (auto *header = qobject_cast<SectionHeader *>(child->object()))
            order << header->title();
        else if (auto *row = qobject_cast<HistoryRow *>(child->object()))
            order << row->item().text;
    }
    return order;
}

} // namespace

TEST_F(HistoryViewTest, TheAccessibleOrderIsTheOrderShownAndFollowsARowThatMoves)
{
    save(QStringLiteral("A"), false, 300);
    save(QStringLiteral("B"), false, 200);
    save(QStringLiteral("C"), true, 100);
    showView();
    EXPECT_EQ(accessibleOrder(*view->list()),
              QStringList({QStringLiteral("PINNED"), QStringLiteral("C"), QStringLiteral("RECENT"), QStringLiteral("B"),
                           QStringLiteral("A")}));

    QTest::mouseClick(rowOf(QStringLiteral("A"))->pinButton(), Qt::LeftButton);
    EXPECT_EQ(accessibleOrder(*view->list()),
              QStringList({QStringLiteral("PINNED"), QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("RECENT"),
                           QStringLiteral("B")}));
    search(QStringLiteral("b"));
    EXPECT_EQ(accessibleOrder(*view->list()), QStringList({QStringLiteral("SAVED"), QStringLiteral("B")}));
}

TEST_F(HistoryViewTest, AThousandPinnedItemsMakeRowsOnlyNearTheVisiblePartEachAtItsOwnHeight)
{
    for (int i = 0; i < 1000; ++i) {
        // One, two and three or more lines, mixed.
        save(QStringLiteral("Pinned %1 ").arg(i) + QStringLiteral("words that wrap ").repeated(i % 3 * 6 + i % 5), true,
             5000 - i);
    }
    showView();
    HistoryList &list = *view->list();
    auto *scroll = view->findChild<QScrollArea *>();
    EXPECT_EQ(list.shownItems().size(), 1000);
    EXPECT_LT(list.rowCount(), 60);

    for (const double share : {0.0, 0.5, 1.0}) {
        const int offset = int(scroll->verticalScrollBar()->maximum() * share);
        scroll->verticalScrollBar()->setValue(offset);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const int visibleBottom = scroll->verticalScrollBar()->value() + scroll->viewport()->height();
        const QList<HistoryRow *> rows = list.shownRows();
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_LT(list.rowCount(), 60) << "at " << share;
        EXPECT_TRUE(rows.first()->y() <= scroll->verticalScrollBar()->value() ||
                    rows.first()->itemId() == list.shownItems().first().id)
            << "the top of the view is covered";
        EXPECT_GE(rows.last()->geometry().bottom(), std::min(visibleBottom, list.height() - 1));
        for (qsizetype index = 0; index < rows.size(); ++index) {
            HistoryRow *row = rows.at(index);
            EXPECT_EQ(row->height(), row->heightForWidth(list.width())) << row->item().text.toStdString();
            if (index > 0) {
                EXPECT_EQ(row->y(), rows.at(index - 1)->geometry().bottom() + 1 + HistoryList::spacing);
            }
        }
    }
}

TEST_F(HistoryViewTest, AfterEachChangeTheListHoldsWhatTheStoreHoldsAndAFocusedRowFarAwayStaysFocused)
{
    for (int i = 0; i < 300; ++i)
        save(QStringLiteral("Pinned %1 ").arg(i) + QStringLiteral("words that wrap ").repeated(i % 4 * 3), true,
             9000 - i);
    for (int i = 0; i < 20; ++i)
        save(QStringLiteral("Saved %1").arg(i), false, 600 - i);
    showView();
    HistoryList &list = *view->list();
    auto *scroll = view->findChild<QScrollArea *>();
    // The last pinned is shown first.
    HistoryRow *focused = rowOf(QStringLiteral("Pinned 296 "));
    ASSERT_NE(focused, nullptr);
    focused->pinButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focused->pinButton()->hasFocus(); }));
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    ASSERT_GT(scroll->verticalScrollBar()->value(), focused->y() + 3 * scroll->viewport()->height());

    const auto itemAt = [this](qsizetype index) { return store().items().at(index); };
    const struct {
        const char *change;
        std::function<void()> make;
    } changes[] = {
        {"a poll adds a copy", [this] { store().record(QStringLiteral("New copy")); }},
        {"the newest copied again: same place, new date",
         [this] { store().record(QStringLiteral("New copy"), QDateTime::currentDateTime().addSecs(5)); }},
        {"an unpinned item pinned", [&] { store().togglePin(itemAt(store().items().size() - 3).id); }},
        {"a pinned item deleted", [&] { store().deleteItem(itemAt(150).id); }},
        {"a pinned item unpinned", [&] { store().togglePin(itemAt(200).id); }},
        {"a search", [this] { search(QStringLiteral("Pinned 29")); }},
        {"the search emptied", [this] { search(QString()); }},
    };
    for (const auto &change : changes) {
        change.make();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(list.shownItems(), ClipboardHistorySearch().filter(store().items(), view->search())) << change.change;
        EXPECT_EQ(list.row(focused->itemId()), focused) << change.change;
        EXPECT_TRUE(focused->pinButton()->hasFocus()) << change.change;
    }

    // Where it belongs, among the rows around it.
    scroll->verticalScrollBar()->setValue(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<HistoryRow *> rows = list.shownRows();
    const qsizetype at = rows.indexOf(focused);
    ASSERT_GT(at, 0);
    EXPECT_EQ(rows.at(at - 1)->item().text,
              QStringLiteral("Pinned 297 ") + QStringLiteral("words that wrap ").repeated(3));
    EXPECT_EQ(focused->y(), rows.at(at - 1)->geometry().bottom() + 1 + HistoryList::spacing);
    EXPECT_EQ(focused->height(), focused->heightForWidth(list.width()));
}

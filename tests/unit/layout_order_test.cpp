// The reading and Tab order of a window: the order its layouts show, not the
// order its widgets were made in; and what windows and key caps tell
// assistive technologies.

#include "support/Patience.h"
#include "support/design/CaptureButton.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/LayoutOrder.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/TrovMark.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A focusable widget that remembers why it last got the focus.
class Probe : public QPushButton {
public:
    Probe(const QString &name, QWidget *parent) : QPushButton(name, parent)
    {
        setObjectName(name);
        setFocusPolicy(Qt::StrongFocus);
    }
    Qt::FocusReason reason = Qt::NoFocusReason;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        reason = event->reason();
        QPushButton::focusInEvent(event);
    }
};

// A window that tabs in layout order, as every view of ours does.
class OrderedWindow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    bool focusNextPrevChild(bool next) override
    {
        return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
    }
};

// A window whose widgets are made in the reverse of the order shown: the
// footer first, then a two-by-two grid made from its last cell back, then
// the header's button before the header's title.
//   title   settings
//   a1      a2
//   b1      b2
//   footer
// plus one widget outside any layout, placed below everything.
struct Scrambled {
    Scrambled()
    {
        window->resize(300, 300);
        auto *footer = new Probe(QStringLiteral("footer"), window.get());
        auto *grid = new QGridLayout;
        const char *const cells[] = {"b2", "b1", "a2", "a1"};
        const int positions[][2] = {{1, 1}, {1, 0}, {0, 1}, {0, 0}};
        for (int i = 0; i < 4; ++i)
            grid->addWidget(new Probe(QLatin1String(cells[i]), window.get()), positions[i][0], positions[i][1]);
        auto *settings = new Probe(QStringLiteral("settings"), window.get());
        auto *title = new QLabel(QStringLiteral("title"), window.get());
        title->setObjectName(QStringLiteral("title"));
        auto *loose = new Probe(QStringLiteral("loose"), window.get());
        loose->move(0, 290);

        auto *header = new QHBoxLayout;
        header->addWidget(title);
        header->addWidget(settings);
        auto *column = new QVBoxLayout(window.get());
        column->addLayout(header);
        column->addLayout(grid);
        column->addWidget(footer);
    }

    QStringList namesOf(const QList<QWidget *> &widgets) const
    {
        QStringList names;
        for (const QWidget *widget : widgets)
            names << widget->objectName();
        return names;
    }

    Probe *probe(const QString &name) const { return window->findChild<Probe *>(name); }

    std::unique_ptr<QWidget> window = std::make_unique<OrderedWindow>();
    const QStringList shown = {"title", "settings", "a1", "a2", "b1", "b2", "footer", "loose"};
};

} // namespace

TEST(LayoutOrderTest, ChildrenAreReadInTheOrderOfTheLayoutNotOfTheirMaking)
{
    DesignAccessibility::install();
    Scrambled scrambled;
    EXPECT_EQ(scrambled.namesOf(LayoutOrder::children(*scrambled.window)), scrambled.shown);

    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(scrambled.window.get());
    ASSERT_NE(window, nullptr);
    QStringList read;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface *child = window->child(i);
        ASSERT_NE(child, nullptr);
        read << child->object()->objectName();
        EXPECT_EQ(window->indexOfChild(child), i) << "each child knows its place";
    }
    EXPECT_EQ(read, scrambled.shown);
}

TEST(LayoutOrderTest, TabFollowsTheLayoutAndWrapsRound)
{
    Scrambled scrambled;
    scrambled.window->show();
    QApplication::setActiveWindow(scrambled.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(scrambled.window.get(), Patience::untilHung));

    const QStringList stops = {"settings", "a1", "a2", "b1", "b2", "footer", "loose"};
    EXPECT_EQ(scrambled.namesOf(LayoutOrder::tabStops(*scrambled.window)), stops);
    scrambled.probe(QStringLiteral("settings"))->setFocus(Qt::OtherFocusReason);
    QStringList tabbed;
    for (int i = 0; i < stops.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(tabbed, (QStringList{"a1", "a2", "b1", "b2", "footer", "loose", "settings"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("loose")) << "back round the end";
    EXPECT_EQ(scrambled.probe(QStringLiteral("loose"))->reason, Qt::BacktabFocusReason);

    // Hidden and disabled widgets are passed over.
    scrambled.probe(QStringLiteral("a2"))->hide();
    scrambled.probe(QStringLiteral("b1"))->setEnabled(false);
    scrambled.probe(QStringLiteral("a1"))->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("b2"));
}

// A button clicked with the mouse that then goes away hands the focus on,
// as Tab would; no key was pressed, so no focus ring is due on the next one.
TEST(LayoutOrderTest, FocusLeavingAHiddenWidgetIsNotKeyboardFocus)
{
    Scrambled scrambled;
    scrambled.window->show();
    QApplication::setActiveWindow(scrambled.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(scrambled.window.get(), Patience::untilHung));
    Probe *clicked = scrambled.probe(QStringLiteral("a1"));
    QTest::mouseClick(clicked, Qt::LeftButton);
    ASSERT_TRUE(clicked->hasFocus());
    clicked->hide();
    QWidget *now = QApplication::focusWidget();
    ASSERT_NE(now, nullptr);
    EXPECT_NE(now, clicked);
    EXPECT_EQ(static_cast<Probe *>(now)->reason, Qt::OtherFocusReason);
}

TEST(DesignAccessibilityTest, WindowsReportTheirKindWithTheirTitle)
{
    DesignAccessibility::install();
    const struct {
        const char *title;
        std::optional<DesignAccessibility::WindowKind> kind;
        QAccessible::Role role;
    } cases[] = {
        {"Welcome to Ravelond", std::nullopt, QAccessible::Window},
        {"Ravelond Settings", DesignAccessibility::WindowKind::dialog, QAccessible::Dialog},
        {"Ravelond — Captured Text", DesignAccessibility::WindowKind::frame, QAccessible::Window},
        {"Ravelond feedback", DesignAccessibility::WindowKind::alert, QAccessible::AlertMessage},
    };
    for (const auto &row : cases) {
        QWidget window(nullptr, Qt::Window);
        window.setWindowTitle(QString::fromUtf8(row.title));
        if (row.kind)
            DesignAccessibility::setWindowKind(window, *row.kind);
        QAccessibleInterface *element = QAccessible::queryAccessibleInterface(&window);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->role(), row.role) << row.title;
        EXPECT_EQ(element->text(QAccessible::Name), QString::fromUtf8(row.title));
    }
    QWidget window;
    QWidget container(&window);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&container)->role(), QAccessible::Client)
        << "a container is no window";
}

TEST(DesignAccessibilityTest, KeyCapsAreReadAsTheirTextAndTheGlyphStaysHidden)
{
    QWidget window;
    auto *badge = new ShortcutBadge(QStringLiteral("⌘ V"), &window);
    QAccessibleInterface *cap = QAccessible::queryAccessibleInterface(badge);
    EXPECT_EQ(cap->role(), QAccessible::StaticText);
    EXPECT_EQ(cap->text(QAccessible::Name), QStringLiteral("⌘ V"));
    badge->setLabel(QStringLiteral("⌃ ⌥ C"));
    EXPECT_EQ(cap->text(QAccessible::Name), QStringLiteral("⌃ ⌥ C"));

    auto *capture = new CaptureButton(QStringLiteral("Capture text"), &window);
    capture->setAccessory(QStringLiteral("⌃ ⌥ C"));
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(capture);
    EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Capture text"));
    EXPECT_EQ(button->text(QAccessible::Description), QStringLiteral("⌃ ⌥ C"));

    auto *mark = new TrovMark(36, &window);
    QAccessibleInterface *glyph = QAccessible::queryAccessibleInterface(mark);
    EXPECT_TRUE(glyph->state().invisible);
    EXPECT_TRUE(glyph->text(QAccessible::Name).isEmpty());
}

// A mark made after something already asked for the element (a name set
// first sends an event, which makes it) still decides what the element is.
TEST(DesignAccessibilityTest, AMarkCountsEvenWhenTheElementWasMadeBefore)
{
    DesignAccessibility::install();
    using Mark = void (*)(QWidget &);
    const struct {
        const char *what;
        Mark mark;
        bool window;
        QAccessible::Role role;
        const char *name;
    } cases[] = {
        {"a step number", &DesignAccessibility::markAsText, false, QAccessible::StaticText, "1"},
        {"a card", &DesignAccessibility::markAsGroup, false, QAccessible::Grouping, "1"},
        {"an illustration", &DesignAccessibility::markAsPicture, false, QAccessible::Graphic, "1"},
        {"a glyph", &DesignAccessibility::hide, false, QAccessible::NoRole, ""},
        {"the settings window",
         [](QWidget &window) { DesignAccessibility::setWindowKind(window, DesignAccessibility::WindowKind::dialog); },
         true, QAccessible::Dialog, "1"},
    };
    for (const auto &row : cases) {
        QWidget window(nullptr, Qt::Window);
        window.setWindowTitle(QStringLiteral("Ravelond Settings"));
        QWidget *widget = row.window ? &window : new QWidget(&window);
        widget->setAccessibleName(QStringLiteral("1"));
        QAccessibleInterface *element = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(element, nullptr);
        row.mark(*widget);
        EXPECT_EQ(element->role(), row.role) << row.what;
        EXPECT_EQ(element->text(QAccessible::Name), QString::fromUtf8(row.name)) << row.what;
    }
}

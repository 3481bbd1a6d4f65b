#include "support/design/DesignAccessibility.h"

#include "support/design/LayoutOrder.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char *const roleProperty = "ravelondAccessibleRole";
const char *const windowKindProperty = "ravelondWindowKind";

enum class Role { none, hidden, text, group, picture };

QAccessible::Role windowRole(const QWidget &window)
{
    switch (DesignAccessibility::WindowKind(window.property(windowKindProperty).toInt())) {
    case DesignAccessibility::WindowKind::dialog:
        return QAccessible::Dialog;
    case DesignAccessibility::WindowKind::alert:
        return QAccessible::AlertMessage;
    case DesignAccessibility::WindowKind::frame:
        break;
    }
    return QAccessible::Window;
}

Role roleOf(const QWidget &widget)
{
    return Role(widget.property(roleProperty).toInt());
}

// The design system's widgets and plain containers. What the element is
// follows the widget's mark each time it is asked, not when the element was
// made: anything that reaches the accessibility layer first (a name or a
// window title set earlier sends an event, which makes the element) would
// otherwise fix a plain container's role for good.
class DesignAccessible : public QAccessibleWidget {
public:
    explicit DesignAccessible(QWidget *widget) : QAccessibleWidget(widget) {}

    QAccessible::Role role() const override
    {
        switch (mark()) {
        case Role::hidden:
            return QAccessible::NoRole;
        case Role::text:
            return QAccessible::StaticText;
        case Role::group:
            return QAccessible::Grouping;
        case Role::picture:
            return QAccessible::Graphic;
        case Role::none:
            break;
        }
        return widget()->isWindow() ? windowRole(*widget()) : QAccessible::Client;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = state.invisible || mark() == Role::hidden;
        return state;
    }
    QString text(QAccessible::Text kind) const override
    {
        const Role role = mark();
        if (role == Role::hidden || (role == Role::picture && kind != QAccessible::Name))
            return QString();
        if ((role == Role::text || role == Role::picture) && kind == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(kind);
    }

    // Containers read their children in the order the layout shows them, not
    // in the order they were made; a hidden element or a picture has none.
    int childCount() const override
    {
        if (childless())
            return 0;
        return mark() == Role::text ? QAccessibleWidget::childCount() : int(LayoutOrder::children(*widget()).size());
    }
    QAccessibleInterface *child(int index) const override
    {
        if (childless())
            return nullptr;
        if (mark() == Role::text)
            return QAccessibleWidget::child(index);
        const QList<QWidget *> children = LayoutOrder::children(*widget());
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (childless())
            return -1;
        if (mark() == Role::text)
            return QAccessibleWidget::indexOfChild(child);
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(LayoutOrder::children(*widget()).indexOf(static_cast<QWidget *>(child->object())));
    }

private:
    Role mark() const { return roleOf(*widget()); }
    bool childless() const { return mark() == Role::hidden || mark() == Role::picture; }
};

QAccessibleInterface *designFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    // A marked widget, or one with no class between its own and QWidget that
    // has an element of its own: a plain container, a window or one of ours.
    if (roleOf(*widget) != Role::none || className == QLatin1String("QWidget"))
        return new DesignAccessible(widget);
    return nullptr;
}

void mark(QWidget &widget, Role role)
{
    DesignAccessibility::install();
    widget.setProperty(roleProperty, int(role));
}

} // namespace

void DesignAccessibility::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(designFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void DesignAccessibility::setWindowKind(QWidget &window, WindowKind kind)
{
    install();
    window.setProperty(windowKindProperty, int(kind));
}

void DesignAccessibility::hide(QWidget &widget)
{
    mark(widget, Role::hidden);
}

void DesignAccessibility::markAsText(QWidget &widget)
{
    mark(widget, Role::text);
}

void DesignAccessibility::markAsGroup(QWidget &widget)
{
    mark(widget, Role::group);
}

void DesignAccessibility::markAsPicture(QWidget &widget)
{
    mark(widget, Role::picture);
}

bool DesignAccessibility::isHidden(const QWidget &widget)
{
    return roleOf(widget) == Role::hidden;
}

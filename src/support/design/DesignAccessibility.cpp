#include "support/design/DesignAccessibility.h"

#include "support/design/LayoutOrder.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char *const roleProperty = "ravelondAccessibleRole";
const char *const windowKindProperty = "ravelondWindowKind";

enum class Role { hidden = 1, text, group, picture };

class HiddenAccessible : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override
    {
        QAccessible::State hidden = QAccessibleWidget::state();
        hidden.invisible = true;
        return hidden;
    }
    QString text(QAccessible::Text) const override { return QString(); }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
};

// A container whose children are read in the order its layout shows them,
// not in the order they were made.
class OrderedAccessible : public QAccessibleWidget {
public:
    OrderedAccessible(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
    int childCount() const override { return int(LayoutOrder::children(*widget()).size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = LayoutOrder::children(*widget());
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(LayoutOrder::children(*widget()).indexOf(static_cast<QWidget *>(child->object())));
    }
};

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

class TextAccessible : public QAccessibleWidget {
public:
    explicit TextAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? widget()->accessibleName() : QAccessibleWidget::text(kind);
    }
};

class PictureAccessible : public QAccessibleWidget {
public:
    explicit PictureAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? widget()->accessibleName() : QString();
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
};

QAccessibleInterface *designFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    switch (Role(widget->property(roleProperty).toInt())) {
    case Role::hidden:
        return new HiddenAccessible(widget);
    case Role::text:
        return new TextAccessible(widget);
    case Role::group:
        return new OrderedAccessible(widget, QAccessible::Grouping);
    case Role::picture:
        return new PictureAccessible(widget);
    }
    // Reached only when no class between the widget's own and QWidget has an
    // interface of its own: a plain container or a window.
    if (className == QLatin1String("QWidget"))
        return new OrderedAccessible(widget, widget->isWindow() ? windowRole(*widget) : QAccessible::Client);
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
    return Role(widget.property(roleProperty).toInt()) == Role::hidden;
}

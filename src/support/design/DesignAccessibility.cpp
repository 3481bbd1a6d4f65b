#include "support/design/DesignAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char *const roleProperty = "ravelondAccessibleRole";

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

QAccessibleInterface *designFactory(const QString &, QObject *object)
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
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    case Role::picture:
        return new PictureAccessible(widget);
    }
    return nullptr;
}

void mark(QWidget &widget, Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(designFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget.setProperty(roleProperty, int(role));
}

} // namespace

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

#include "support/design/LayoutOrder.h"

#include <QApplication>
#include <QFocusFrame>
#include <QFormLayout>
#include <QGridLayout>
#include <QLayout>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <tuple>

namespace {

// What Qt itself leaves out of a widget's accessible children.
bool isReadable(const QWidget &child)
{
    const QString name = child.objectName();
    return !child.isWindow() && !qobject_cast<const QFocusFrame *>(&child) && !qobject_cast<const QMenu *>(&child) &&
           name != QLatin1String("qt_rubberband") && name != QLatin1String("qt_spinbox_lineedit");
}

// The items of a layout in reading order.
QList<QLayoutItem *> itemsInOrder(const QLayout &layout)
{
    struct Placed {
        int row;
        int column;
        int index;
        QLayoutItem *item;
    };
    QList<Placed> placed;
    const auto *grid = qobject_cast<const QGridLayout *>(&layout);
    const auto *form = qobject_cast<const QFormLayout *>(&layout);
    for (int index = 0; index < layout.count(); ++index) {
        int row = 0;
        int column = index;
        if (grid) {
            int rowSpan = 0;
            int columnSpan = 0;
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        } else if (form) {
            QFormLayout::ItemRole role = QFormLayout::LabelRole;
            form->getItemPosition(index, &row, &role);
            column = int(role);
        }
        placed.append({row, column, index, layout.itemAt(index)});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return std::tie(a.row, a.column) < std::tie(b.row, b.column);
    });
    const auto *box = qobject_cast<const QBoxLayout *>(&layout);
    if (box && (box->direction() == QBoxLayout::RightToLeft || box->direction() == QBoxLayout::BottomToTop))
        std::reverse(placed.begin(), placed.end());
    QList<QLayoutItem *> items;
    for (const Placed &each : placed)
        items.append(each.item);
    return items;
}

void collect(const QLayout &layout, const QWidget &container, QList<QWidget *> &into)
{
    for (QLayoutItem *item : itemsInOrder(layout)) {
        if (!item)
            continue;
        if (QWidget *widget = item->widget()) {
            if (widget->parentWidget() == &container && isReadable(*widget) && !into.contains(widget))
                into.append(widget);
        } else if (const QLayout *nested = item->layout()) {
            collect(*nested, container, into);
        }
    }
}

void collectStops(const QWidget &container, QList<QWidget *> &into)
{
    for (QWidget *child : LayoutOrder::children(container)) {
        if (!child->isVisibleTo(&container) || !child->isEnabled())
            continue;
        // A widget that hands its focus on is reached through its proxy.
        if (!child->focusProxy() && (child->focusPolicy() & Qt::TabFocus))
            into.append(child);
        collectStops(*child, into);
    }
}

} // namespace

QList<QWidget *> LayoutOrder::children(const QWidget &container)
{
    QList<QWidget *> ordered;
    if (const QLayout *layout = container.layout())
        collect(*layout, container, ordered);
    QList<QWidget *> rest;
    for (QObject *object : container.children()) {
        auto *widget = qobject_cast<QWidget *>(object);
        if (widget && isReadable(*widget) && !ordered.contains(widget))
            rest.append(widget);
    }
    std::stable_sort(rest.begin(), rest.end(), [](const QWidget *a, const QWidget *b) {
        return std::make_pair(a->y(), a->x()) < std::make_pair(b->y(), b->x());
    });
    return ordered + rest;
}

QList<QWidget *> LayoutOrder::tabStops(const QWidget &root)
{
    QList<QWidget *> stops;
    collectStops(root, stops);
    return stops;
}

bool LayoutOrder::moveFocus(QWidget &root, bool next)
{
    const QList<QWidget *> stops = tabStops(root);
    if (stops.isEmpty())
        return false;
    QWidget *focused = QApplication::focusWidget();
    qsizetype at = -1;
    for (QWidget *widget = focused; widget && at < 0 && widget != &root; widget = widget->parentWidget())
        at = stops.indexOf(widget);
    qsizetype target = 0;
    if (at < 0)
        target = next ? 0 : stops.size() - 1;
    else
        target = (at + (next ? 1 : stops.size() - 1)) % stops.size();
    // Hiding or disabling the focused widget moves the focus on as Tab does;
    // no key was pressed then.
    const bool byKey = focused && focused->isVisible() && focused->isEnabled();
    const Qt::FocusReason reason = byKey ? (next ? Qt::TabFocusReason : Qt::BacktabFocusReason) : Qt::OtherFocusReason;
    stops.at(target)->setFocus(reason);
    return true;
}

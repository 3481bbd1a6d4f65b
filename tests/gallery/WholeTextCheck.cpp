#include "gallery/WholeTextCheck.h"

#include "support/design/ClampedLabel.h"

#include <QAbstractScrollArea>
#include <QWidget>

namespace {

const QString ellipsis = QStringLiteral("…");

bool insideScrollArea(const QWidget &widget, const QWidget &window)
{
    for (const QWidget *parent = widget.parentWidget(); parent && parent != &window; parent = parent->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(parent))
            return true;
    return false;
}

// The part of `widget` its parents up to `window` leave in sight, in its own coordinates.
QRect visiblePart(const QWidget &widget, const QWidget &window)
{
    QRect visible = widget.rect();
    QPoint offset;
    for (const QWidget *child = &widget; child != &window && child->parentWidget(); child = child->parentWidget()) {
        offset += child->pos();
        visible &= child->parentWidget()->rect().translated(-offset);
    }
    return visible;
}

QString describe(const ClampedLabel &label, const QString &fault)
{
    return QStringLiteral("\"%1\" %2 (%3×%4)").arg(label.text(), fault).arg(label.width()).arg(label.height());
}

} // namespace

QStringList cutTexts(QWidget &window, const QStringList &clamped)
{
    QStringList cut;
    for (const ClampedLabel *label : window.findChildren<ClampedLabel *>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty() || insideScrollArea(*label, window) ||
            clamped.contains(label->text()))
            continue;
        const QStringList lines = label->displayedLines();
        if (!lines.isEmpty() && lines.last().endsWith(ellipsis) && !label->text().trimmed().endsWith(ellipsis))
            cut.append(describe(*label, QStringLiteral("ends in an ellipsis: \"%1\"").arg(lines.join(u'/'))));
        else if (label->heightForWidth(label->width()) > label->height())
            cut.append(describe(*label, QStringLiteral("is taller than its box")));
        else if (visiblePart(*label, window) != label->rect())
            cut.append(describe(*label, QStringLiteral("is clipped by its parents")));
    }
    return cut;
}

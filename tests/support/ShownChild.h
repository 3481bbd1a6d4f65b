#pragma once

#include <QString>
#include <QWidget>

// The descendant of `root` with that name that shows with it: a replaced
// widget may linger, hidden and renamed or not, until its deletion.
template <typename Widget = QWidget>
Widget *shownChild(const QWidget &root, const QString &name)
{
    for (Widget *widget : root.findChildren<Widget *>(name)) {
        if (widget->isVisibleTo(&root))
            return widget;
    }
    return nullptr;
}

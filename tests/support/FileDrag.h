#pragma once

#include <QList>
#include <QMimeData>
#include <QUrl>

#include <memory>

class QDropEvent;
class QWidget;

// A drag of URLs over a widget, delivered as the drag-and-drop events the
// widget would receive from a real drag (other text instead of URLs too).
class FileDrag {
public:
    explicit FileDrag(const QList<QUrl> &urls, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction);
    static FileDrag ofText(const QString &text);

    // Each answers whether the widget accepted the event.
    bool enter(QWidget &target);
    bool move(QWidget &target);
    void leave(QWidget &target);
    bool drop(QWidget &target);
    // The action the widget chose for its last accepted event.
    Qt::DropAction action() const { return action_; }

private:
    FileDrag(std::unique_ptr<QMimeData> data, Qt::DropActions actions);
    // Sends the event; notes the action when the widget accepted it.
    bool deliver(QWidget &target, QDropEvent &event);

    std::unique_ptr<QMimeData> data_;
    Qt::DropActions actions_;
    Qt::DropAction action_ = Qt::IgnoreAction;
};

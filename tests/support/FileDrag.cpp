#include "support/FileDrag.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QWidget>

namespace {

QPoint middleOf(const QWidget &target)
{
    return target.rect().center();
}

} // namespace

FileDrag::FileDrag(const QList<QUrl> &urls, Qt::DropActions actions)
    : data_(std::make_unique<QMimeData>()), actions_(actions)
{
    data_->setUrls(urls);
}

FileDrag::FileDrag(std::unique_ptr<QMimeData> data, Qt::DropActions actions) : data_(std::move(data)), actions_(actions)
{
}

FileDrag FileDrag::ofText(const QString &text)
{
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return FileDrag(std::move(data), Qt::CopyAction | Qt::MoveAction);
}

bool FileDrag::enter(QWidget &target)
{
    QDragEnterEvent event(middleOf(target), actions_, data_.get(), Qt::LeftButton, Qt::NoModifier);
    return deliver(target, event);
}

bool FileDrag::move(QWidget &target)
{
    QDragMoveEvent event(middleOf(target), actions_, data_.get(), Qt::LeftButton, Qt::NoModifier);
    return deliver(target, event);
}

void FileDrag::leave(QWidget &target)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(&target, &event);
}

bool FileDrag::drop(QWidget &target)
{
    QDropEvent event(middleOf(target), actions_, data_.get(), Qt::LeftButton, Qt::NoModifier);
    return deliver(target, event);
}

bool FileDrag::deliver(QWidget &target, QDropEvent &event)
{
    QApplication::sendEvent(&target, &event);
    if (event.isAccepted())
        action_ = event.dropAction();
    return event.isAccepted();
}

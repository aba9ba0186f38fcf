#include "DragHelper.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QQuickItem>
#include <QQuickWindow>

#include <memory>

namespace optara::driver {

bool DragHelper::send(QQuickItem* item, QEvent::Type type, QPointF at)
{
    if (item == nullptr || item->window() == nullptr)
        return false;
    const QPoint point = item->mapToScene(at).toPoint();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    std::unique_ptr<QEvent> event;
    if (type == QEvent::DragEnter)
        event = std::make_unique<QDragEnterEvent>(point, actions, &mime_, Qt::NoButton, Qt::NoModifier);
    else if (type == QEvent::DragMove)
        event = std::make_unique<QDragMoveEvent>(point, actions, &mime_, Qt::NoButton, Qt::NoModifier);
    else if (type == QEvent::Drop)
        event = std::make_unique<QDropEvent>(QPointF(point), actions, &mime_, Qt::NoButton, Qt::NoModifier);
    else
        event = std::make_unique<QDragLeaveEvent>();
    QCoreApplication::sendEvent(item->window(), event.get());
    return event->isAccepted();
}

bool DragHelper::enter(QQuickItem* item, const QList<QUrl>& urls, QPointF at)
{
    mime_.setUrls(urls);
    return send(item, QEvent::DragEnter, at);
}

bool DragHelper::dragAndDrop(QQuickItem* item, const QList<QUrl>& urls, QPointF at)
{
    enter(item, urls, at);
    move(item, at);
    return drop(item, at);
}

} // namespace optara::driver

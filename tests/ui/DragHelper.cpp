#include "DragHelper.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QQuickItem>
#include <QQuickWindow>

namespace {

QPointF inWindow(QQuickItem* item, QPointF at)
{
    return item != nullptr ? item->mapToScene(at) : at;
}

QWindow* windowOf(QQuickItem* item)
{
    return item != nullptr ? item->window() : nullptr;
}

}  // namespace

DragHelper::DragHelper(QObject* parent) : QObject(parent) {}

DragHelper::~DragHelper() = default;

bool DragHelper::enter(QWindow* window, const QList<QUrl>& urls, QPointF at)
{
    if (window == nullptr)
        return false;
    mime_ = std::make_unique<QMimeData>();
    mime_->setUrls(urls);
    QDragEnterEvent event(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime_.get(), Qt::NoButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
    return event.isAccepted();
}

bool DragHelper::move(QWindow* window, QPointF at)
{
    if (window == nullptr || !mime_)
        return false;
    QDragMoveEvent event(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime_.get(), Qt::NoButton,
                         Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
    return event.isAccepted();
}

void DragHelper::leave(QWindow* window)
{
    if (window == nullptr)
        return;
    QDragLeaveEvent event;
    QCoreApplication::sendEvent(window, &event);
    mime_.reset();
}

bool DragHelper::drop(QWindow* window, QPointF at)
{
    if (window == nullptr || !mime_)
        return false;
    QDropEvent event(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime_.get(), Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
    mime_.reset();
    return event.isAccepted();
}

bool DragHelper::enter(QQuickItem* item, const QList<QUrl>& urls, QPointF at)
{
    return enter(windowOf(item), urls, inWindow(item, at));
}

bool DragHelper::move(QQuickItem* item, QPointF at)
{
    return move(windowOf(item), inWindow(item, at));
}

void DragHelper::leave(QQuickItem* item)
{
    leave(windowOf(item));
}

bool DragHelper::drop(QQuickItem* item, QPointF at)
{
    return drop(windowOf(item), inWindow(item, at));
}

bool DragHelper::dragAndDrop(QQuickItem* item, const QList<QUrl>& urls, QPointF at)
{
    enter(item, urls, at);
    move(item, at);
    return drop(item, at);
}

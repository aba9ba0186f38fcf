#include "FileDropTarget.h"
#include "VirtualFileSystem.h"

#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace optara {

namespace {

QList<QUrl> readableUrls(const QMimeData* mime)
{
    QList<QUrl> readable;
    if (mime == nullptr || !mime->hasUrls())
        return readable;
    const QList<QUrl> urls = mime->urls();
    std::copy_if(urls.cbegin(), urls.cend(), std::back_inserter(readable), VirtualFileSystem::canRead);
    return readable;
}

} // namespace

FileDropTarget::FileDropTarget(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemAcceptsDrops, true);
    VirtualFileSystem::prepare();
}

void FileDropTarget::dragEnterEvent(QDragEnterEvent* event)
{
    if (readableUrls(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setHovering(true);
}

void FileDropTarget::dragMoveEvent(QDragMoveEvent* event)
{
    if (!hovering_) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileDropTarget::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
    setHovering(false);
}

void FileDropTarget::dropEvent(QDropEvent* event)
{
    setHovering(false);
    // Accepted whatever it yields, so the source never sees the drop bounce back.
    event->acceptProposedAction();
    const QList<QUrl> urls = readableUrls(event->mimeData());
    if (urls.isEmpty())
        return;
    // Handed on from a later turn of the event loop, once the drop has finished and remote
    // locations have their local paths.
    VirtualFileSystem::resolve(urls, this, [this](const QList<QUrl>& files) {
        if (!files.isEmpty())
            emit dropped(files);
    });
}

void FileDropTarget::setHovering(bool hovering)
{
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    emit isHoveringChanged();
}

} // namespace optara

#include "FileDropTarget.h"

#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>

#include <algorithm>

namespace optara {

namespace {

bool carriesFiles(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

FileDropTarget::FileDropTarget(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemAcceptsDrops, true);
}

QList<QUrl> FileDropTarget::localFiles(const QList<QUrl>& urls)
{
    QList<QUrl> files;
    std::copy_if(urls.cbegin(), urls.cend(), std::back_inserter(files),
                 [](const QUrl& url) { return url.isLocalFile() && !url.toLocalFile().isEmpty(); });
    return files;
}

void FileDropTarget::dragEnterEvent(QDragEnterEvent* event)
{
    if (!carriesFiles(event->mimeData())) {
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
    const QList<QUrl> files =
        event->mimeData() != nullptr ? localFiles(event->mimeData()->urls()) : QList<QUrl>{};
    // Handed on from a later turn of the event loop, once the drop has finished.
    if (!files.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, files] { emit dropped(files); }, Qt::QueuedConnection);
}

void FileDropTarget::setHovering(bool hovering)
{
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    emit isHoveringChanged();
}

} // namespace optara

#pragma once

#include <QList>
#include <QQuickItem>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace optara {

// A drop target for local files and folders. It hovers only for drags that
// carry at least one local file URL, and reports each drop's file URLs once.
class FileDropTarget : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isHovering READ isHovering NOTIFY isHoveringChanged)

  public:
    explicit FileDropTarget(QQuickItem* parent = nullptr);

    bool isHovering() const { return hovering_; }

    // The local file URLs of a drop's URL list, in order; the rest are skipped.
    static QList<QUrl> localFiles(const QList<QUrl>& urls);

  signals:
    void isHoveringChanged();
    // Emitted once per drop that yields at least one file URL.
    void dropped(const QList<QUrl>& urls);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void setHovering(bool hovering);

    bool hovering_ = false;
};

} // namespace optara

#pragma once

#include <QList>
#include <QQuickItem>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace optara {

// A drop target for local files and folders, and for remote locations the
// desktop's virtual file system serves. It hovers only for drags that carry at
// least one of them, and reports each drop's local file URLs once.
class FileDropTarget : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isHovering READ isHovering NOTIFY isHoveringChanged)

  public:
    explicit FileDropTarget(QQuickItem* parent = nullptr);

    bool isHovering() const { return hovering_; }

  signals:
    void isHoveringChanged();
    // Emitted once per drop that yields at least one file URL, remote ones resolved.
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

#pragma once

#include <QEvent>
#include <QList>
#include <QMimeData>
#include <QObject>
#include <QPointF>
#include <QUrl>

class QQuickItem;

namespace optara::driver {

// Sends the events a desktop drag sends to a window: enter, move, then leave
// or drop, carrying a list of URLs. Points are in the coordinates of `item`;
// each call returns whether the window accepted the event.
class DragHelper : public QObject {
    Q_OBJECT

  public:
    Q_INVOKABLE bool enter(QQuickItem* item, const QList<QUrl>& urls, QPointF at);
    Q_INVOKABLE bool move(QQuickItem* item, QPointF at) { return send(item, QEvent::DragMove, at); }
    Q_INVOKABLE void leave(QQuickItem* item) { send(item, QEvent::DragLeave, {}); }
    Q_INVOKABLE bool drop(QQuickItem* item, QPointF at) { return send(item, QEvent::Drop, at); }
    // A whole drag: enter, one move, drop.
    Q_INVOKABLE bool dragAndDrop(QQuickItem* item, const QList<QUrl>& urls, QPointF at);

  private:
    bool send(QQuickItem* item, QEvent::Type type, QPointF at);

    QMimeData mime_;
};

} // namespace optara::driver

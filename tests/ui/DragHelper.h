#pragma once

#include <QList>
#include <QObject>
#include <QPointF>
#include <QUrl>

#include <memory>

class QMimeData;
class QQuickItem;
class QWindow;

// Sends the events a desktop drag would send to a window: enter, move, then
// leave or drop, carrying a list of URLs.
class DragHelper : public QObject {
    Q_OBJECT

public:
    explicit DragHelper(QObject* parent = nullptr);
    ~DragHelper() override;

    // Each returns whether the window accepted the event. Points are in the
    // coordinates of `item`, or of its window for the QWindow overloads.
    Q_INVOKABLE bool enter(QQuickItem* item, const QList<QUrl>& urls, QPointF at);
    Q_INVOKABLE bool move(QQuickItem* item, QPointF at);
    Q_INVOKABLE void leave(QQuickItem* item);
    Q_INVOKABLE bool drop(QQuickItem* item, QPointF at);
    // A whole drag: enter, one move, drop.
    Q_INVOKABLE bool dragAndDrop(QQuickItem* item, const QList<QUrl>& urls, QPointF at);

    bool enter(QWindow* window, const QList<QUrl>& urls, QPointF at);
    bool move(QWindow* window, QPointF at);
    void leave(QWindow* window);
    bool drop(QWindow* window, QPointF at);

private:
    std::unique_ptr<QMimeData> mime_;
};

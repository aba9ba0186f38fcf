#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>

#include <filesystem>

class QQuickItem;
class QQuickWindow;

// Drives real application windows, for the screenshot tool and the window tests.
namespace optara::driver {

// The first of the window's items whose objectName matches, or nullptr.
QQuickItem* findItem(QQuickWindow* window, const QString& objectName);

// The window as it stands now, at one pixel per logical pixel.
QImage grab(QQuickWindow* window);

// Waits until the window is exposed and has rendered a frame.
bool waitShown(QQuickWindow* window);

// Centre of an item in window coordinates.
QPointF centreOf(QQuickItem* item);

struct PhotoTree {
    QList<QUrl> dropped; // what a user would drop: two files and a folder
    int photoCount = 0;  // photos among them, the folder's included
};

// Writes a small tree of made-up photos under root.
PhotoTree writePhotoTree(const std::filesystem::path& root);

} // namespace optara::driver

#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>

#include <filesystem>

class QQuickItem;
class QQuickWindow;

// Helpers for driving real application windows in tests and screenshots.
namespace optara::shell_testing {

// The first of item and its descendants whose objectName matches, or nullptr.
QQuickItem* findItem(QQuickItem* item, const QString& objectName);

// The same below the window's content.
QQuickItem* findItem(QQuickWindow* window, const QString& objectName);

// Renders the window as it stands now.
QImage grab(QQuickWindow* window);

// Waits until the window is exposed and has rendered a frame.
bool waitShown(QQuickWindow* window);

// A pixel of an image at logical coordinates; invalid when out of range.
QColor pixel(const QImage& image, int x, int y);

// Centre of an item in window coordinates.
QPointF centreOf(QQuickItem* item);

struct PhotoTree {
    QList<QUrl> dropped;  // what a user would drop: two files and a folder
    int photoCount = 0;   // photos among them, the folder's included
};

// Writes a small tree of made-up photos under root. With bareOnly, the photos
// carry a camera but no lens, focal length or aperture.
PhotoTree writePhotoTree(const std::filesystem::path& root, bool bareOnly = false);

}  // namespace optara::shell_testing

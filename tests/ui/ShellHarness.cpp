#include "ShellHarness.h"

#include "PhotoBuilder.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace optara::shell_testing {

QQuickItem* findItem(QQuickItem* item, const QString& objectName)
{
    if (item == nullptr || item->objectName() == objectName)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = findItem(child, objectName))
            return found;
    return nullptr;
}

QQuickItem* findItem(QQuickWindow* window, const QString& objectName)
{
    return window != nullptr ? findItem(window->contentItem(), objectName) : nullptr;
}

QImage grab(QQuickWindow* window)
{
    QImage image = window->grabWindow();
    image.setDevicePixelRatio(1.0);
    return image;
}

bool waitShown(QQuickWindow* window)
{
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    QTest::qWait(50);
    return true;
}

QColor pixel(const QImage& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return {};
    return image.pixelColor(x, y);
}

QPointF centreOf(QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2.0, item->height() / 2.0));
}

PhotoTree writePhotoTree(const std::filesystem::path& root, bool bareOnly)
{
    using optara::testing::PhotoFields;
    using optara::testing::photoJpeg;
    using optara::testing::writeBytes;

    std::filesystem::create_directories(root / "trip" / "day2");
    auto photo = [bareOnly](const char* make, const char* model, const char* lens, std::uint32_t focal,
                            std::uint32_t fTenths) {
        PhotoFields fields;
        fields.make = make;
        fields.model = model;
        if (!bareOnly) {
            fields.lens = lens;
            fields.focalLength = {focal, 1};
            fields.fNumber = {fTenths, 10};
        }
        return photoJpeg(fields);
    };
    writeBytes(root / "a.jpg", photo("Canon", "Canon EOS R6", "RF24-70mm F2.8 L IS USM", 35, 28));
    writeBytes(root / "B.JPG", photo("FUJIFILM", "X-T4", "XF23mmF1.4 R", 23, 14));
    writeBytes(root / "trip" / "c.jpeg", photo("Canon", "Canon EOS R6", "RF24-70mm F2.8 L IS USM", 50, 40));
    writeBytes(root / "trip" / "day2" / "d.jpg", photo("Canon", "Canon EOS R6", "RF50mm F1.8 STM", 50, 18));
    writeBytes(root / "trip" / "notes.txt", {'h', 'i'});

    PhotoTree tree;
    tree.dropped = {QUrl::fromLocalFile(QString::fromStdString((root / "a.jpg").string())),
                    QUrl::fromLocalFile(QString::fromStdString((root / "B.JPG").string())),
                    QUrl::fromLocalFile(QString::fromStdString((root / "trip").string()))};
    tree.photoCount = 4;
    return tree;
}

}  // namespace optara::shell_testing

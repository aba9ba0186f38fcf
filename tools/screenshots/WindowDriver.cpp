#include "WindowDriver.h"

#include "PhotoBuilder.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace optara::driver {

namespace {

QQuickItem* findBelow(QQuickItem* item, const QString& objectName)
{
    if (item == nullptr || item->objectName() == objectName)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = findBelow(child, objectName))
            return found;
    return nullptr;
}

} // namespace

QQuickItem* findItem(QQuickWindow* window, const QString& objectName)
{
    return window != nullptr ? findBelow(window->contentItem(), objectName) : nullptr;
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

QPointF centreOf(QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2.0, item->height() / 2.0));
}

PhotoTree writePhotoTree(const std::filesystem::path& root)
{
    std::filesystem::create_directories(root / "trip" / "day2");
    auto photo = [](const char* model, const char* lens, std::uint32_t focal, std::uint32_t fTenths) {
        return optara::testing::photoJpeg({.make = model[0] == 'X' ? "FUJIFILM" : "Canon",
                                           .model = model,
                                           .lens = lens,
                                           .focalLength = optara::testing::Fraction{focal, 1},
                                           .fNumber = optara::testing::Fraction{fTenths, 10}});
    };
    using optara::testing::writeBytes;
    writeBytes(root / "a.jpg", photo("Canon EOS R6", "RF24-70mm F2.8 L IS USM", 35, 28));
    writeBytes(root / "B.JPG", photo("X-T4", "XF23mmF1.4 R", 23, 14));
    writeBytes(root / "trip" / "c.jpeg", photo("Canon EOS R6", "RF24-70mm F2.8 L IS USM", 50, 40));
    writeBytes(root / "trip" / "day2" / "d.jpg", photo("Canon EOS R6", "RF50mm F1.8 STM", 50, 18));
    writeBytes(root / "trip" / "notes.txt", {'h', 'i'});

    const auto url = [&root](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString((root / name).string()));
    };
    return {{url("a.jpg"), url("B.JPG"), url("trip")}, 4};
}

} // namespace optara::driver

#include "SymbolIcon.h"

#include "SymbolArtwork.h"

#include <QPainter>

#include <array>

namespace optara {

namespace {

// Black ink becomes the tint and white stays white, the greys of their
// antialiased edges in between: of a pixel's coverage, its grey is white and
// the rest takes the tint. One pass of our own, where the painter's composition
// modes would take three, each handed to its thread pool.
QImage tinted(const QImage& ink, const QColor& tint)
{
    std::array<std::array<quint8, 256>, 3> share{};
    const int channels[3] = {tint.red(), tint.green(), tint.blue()};
    for (int c = 0; c < 3; ++c)
        for (int coverage = 0; coverage < 256; ++coverage)
            share[c][coverage] = static_cast<quint8>((channels[c] * coverage + 127) / 255);
    QImage image(ink.size(), ink.format());
    for (int y = 0; y < ink.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(ink.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < ink.width(); ++x) {
            const int alpha = qAlpha(from[x]);
            const int white = qGreen(from[x]);
            const int rest = alpha - white;
            to[x] = qRgba(share[0][rest] + white, share[1][rest] + white, share[2][rest] + white, alpha);
        }
    }
    return image;
}

} // namespace

SymbolIcon::SymbolIcon(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void SymbolIcon::setName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    artSize_ = SymbolArtwork::shared().size(name_);
    ink_ = {};
    update();
    emit nameChanged();
}

void SymbolIcon::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
    emit colorChanged();
}

void SymbolIcon::paint(QPainter* painter)
{
    if (artSize_.isEmpty())
        return;
    const QPaintDevice& device = *painter->device();
    const QTransform toPixels = painter->deviceTransform();
    if (ink_.size() != QSize(device.width(), device.height()) || inkTransform_ != toPixels)
        drawInk(device, toPixels, painter->renderHints());
    // Pixel for pixel onto the item's own pixels, which start clear (it has no
    // fill colour): replacing them is a copy, where a blend costs twice the tint.
    painter->save();
    const qreal ratio = device.devicePixelRatio();
    painter->setTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->setOpacity(color_.alphaF());
    painter->drawImage(QPoint(0, 0), tinted(ink_, color_));
    painter->restore();
}

// The ink covers the whole of the item's pixels and is drawn through the
// painter's own transform, so that it is as crisp as the symbol drawn directly.
void SymbolIcon::drawInk(const QPaintDevice& device, const QTransform& toPixels, QPainter::RenderHints hints)
{
    ink_ = QImage(device.width(), device.height(), QImage::Format_ARGB32_Premultiplied);
    ink_.fill(Qt::transparent);
    inkTransform_ = toPixels;
    QPainter painter(&ink_);
    painter.setRenderHints(hints);
    painter.setTransform(toPixels);
    // Keep the artwork's proportions, centred in the item.
    const QSizeF fitted = artSize_.scaled(size(), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0),
                        fitted);
    SymbolArtwork::shared().draw(name_, painter, target);
}

} // namespace optara

#include "SymbolIcon.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace optara {

SymbolIcon::SymbolIcon(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

SymbolIcon::~SymbolIcon() = default;

void SymbolIcon::setName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    reload();
    emit nameChanged();
}

void SymbolIcon::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    reload();
    emit colorChanged();
}

bool SymbolIcon::available() const
{
    return renderer_ != nullptr;
}

QByteArray SymbolIcon::artwork(const QString& name)
{
    // Symbol names carry dots; anything that could leave the folder is refused.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return {};
    QFile file(QStringLiteral(":/Optara/Ui/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void SymbolIcon::reload()
{
    QByteArray svg = artwork(name_);
    if (svg.isEmpty()) {
        renderer_.reset();
    } else {
        // The artwork paints with currentColor, replaced here by the tint.
        svg.replace("currentColor", color_.name(QColor::HexRgb).toLatin1());
        auto renderer = std::make_unique<QSvgRenderer>(svg);
        renderer_ = renderer->isValid() ? std::move(renderer) : nullptr;
    }
    update();
}

void SymbolIcon::paint(QPainter* painter)
{
    if (!renderer_)
        return;
    const QSizeF art = renderer_->defaultSize();
    if (art.isEmpty())
        return;
    // Keep the artwork's proportions, centred in the item.
    const QSizeF fitted = art.scaled(size(), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0),
                        fitted);
    painter->setOpacity(color_.alphaF());
    renderer_->render(painter, target);
}

} // namespace optara

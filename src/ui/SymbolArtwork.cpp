#include "SymbolArtwork.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace optara {

SymbolArtwork& SymbolArtwork::shared()
{
    static SymbolArtwork artwork;
    return artwork;
}

QSizeF SymbolArtwork::size(const QString& name)
{
    const std::scoped_lock lock(mutex_);
    const QSvgRenderer* symbol = parsed(name);
    return symbol != nullptr ? QSizeF(symbol->defaultSize()) : QSizeF();
}

void SymbolArtwork::draw(const QString& name, QPainter& painter, const QRectF& bounds)
{
    const std::scoped_lock lock(mutex_);
    if (QSvgRenderer* symbol = parsed(name))
        symbol->render(&painter, bounds);
}

int SymbolArtwork::parses()
{
    const std::scoped_lock lock(mutex_);
    return parses_;
}

QSvgRenderer* SymbolArtwork::parsed(const QString& name)
{
    if (const auto known = symbols_.find(name); known != symbols_.end())
        return known->second.get();
    auto& symbol = symbols_[name];
    // Symbol names carry dots; anything that could leave the folder is refused.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return nullptr;
    QFile file(QStringLiteral(":/Optara/Ui/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QByteArray svg = file.readAll();
    svg.replace("currentColor", "#000000");
    ++parses_;
    symbol = std::make_unique<QSvgRenderer>(svg);
    if (!symbol->isValid())
        symbol.reset();
    return symbol.get();
}

} // namespace optara

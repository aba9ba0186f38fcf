#pragma once

#include <QSizeF>
#include <QString>

#include <map>
#include <memory>
#include <mutex>

class QPainter;
class QRectF;
class QSvgRenderer;

namespace optara {

// The app's symbols, each read and parsed once, on first use, and shared by
// every icon of every window. Icons draw on their windows' render threads and
// a parsed SVG keeps state while it draws, so every use takes one lock.
class SymbolArtwork {
  public:
    static SymbolArtwork& shared();

    // The symbol's own size; empty when there is no such symbol.
    QSizeF size(const QString& name);
    // Draws the symbol into `bounds`, its currentColor in black.
    void draw(const QString& name, QPainter& painter, const QRectF& bounds);
    // How many times artwork has been parsed, which recolouring never adds to.
    int parses();

  private:
    SymbolArtwork() = default;
    // The parsed symbol, or null when there is no such symbol; the lock is held.
    QSvgRenderer* parsed(const QString& name);

    std::mutex mutex_;
    std::map<QString, std::unique_ptr<QSvgRenderer>> symbols_;
    int parses_ = 0;
};

} // namespace optara

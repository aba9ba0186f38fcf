#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QQuickPaintedItem>
#include <QString>
#include <QTransform>
#include <QtQml/qqmlregistration.h>

namespace optara {

// Draws one of the app's symbols by name, tinted with `color`. A name with no
// artwork draws nothing (the surrounding box is still drawn by its owner).
// Symbols are drawn in currentColor and white: the tint takes the place of
// currentColor, and white stays white.
class SymbolIcon : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool available READ available NOTIFY nameChanged)

  public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    bool available() const { return !artSize_.isEmpty(); }

    void paint(QPainter* painter) override;

  signals:
    void nameChanged();
    void colorChanged();

  private:
    void drawInk(const QPaintDevice& device, const QTransform& toPixels, QPainter::RenderHints hints);

    QString name_;
    QColor color_ = Qt::black;
    QSizeF artSize_;
    // The symbol in black and white on the item's pixels, drawn again only when
    // the symbol, the item's size or its scale changes; a tint is a pass over it.
    QImage ink_;
    QTransform inkTransform_;
};

} // namespace optara

#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QSvgRenderer;

namespace optara {

// Draws one of the app's symbols by name, tinted with `color`. A name with no
// artwork draws nothing (the surrounding box is still drawn by its owner).
class SymbolIcon : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool available READ available NOTIFY nameChanged)

  public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);
    ~SymbolIcon() override;

    QString name() const { return name_; }
    void setName(const QString& name);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    bool available() const;

    void paint(QPainter* painter) override;

    // The SVG text of a symbol, or empty when there is no such symbol.
    static QByteArray artwork(const QString& name);

  signals:
    void nameChanged();
    void colorChanged();

  private:
    void reload();

    QString name_;
    QColor color_ = Qt::black;
    std::unique_ptr<QSvgRenderer> renderer_;
};

} // namespace optara

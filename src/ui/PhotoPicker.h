#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QUrl>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

class QFileDialog;

namespace optara {

// The "Browse Files" panel: several files and folders at once, files limited
// to JPEG names. Each open() builds a new panel; OK reports the choice.
class PhotoPicker : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The Theme whose colours and type the panel takes.
    Q_PROPERTY(QObject* theme MEMBER theme_ NOTIFY themeChanged)

  public:
    explicit PhotoPicker(QObject* parent = nullptr);
    ~PhotoPicker() override;

    // Opens the panel over `window`, centred on it and modal for it alone; nothing
    // while a panel is open. It starts where the last panel was, else in the user's
    // Pictures folder, else at home, and at the size the user gave the last one.
    Q_INVOKABLE void open(QWindow* window);

    static QStringList nameFilters();

  signals:
    void themeChanged();
    // The chosen locations in the panel's order; never emitted on cancel.
    void chosen(const QList<QUrl>& urls);
    // The panel has closed, chosen or not, and its window is active again.
    void closed();

  private:
    QString startFolder() const;
    QSize startSize(const QWindow& window) const;
    void returnTo(QWindow* window);

    QPointer<QFileDialog> dialog_;
    QString folder_; // the folder the last panel showed
    QSize size_;     // the size the user gave a panel, for this window's life
    QPointer<QObject> theme_;
};

} // namespace optara

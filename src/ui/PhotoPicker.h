#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <QFileDialog>

// The "Browse Files" panel: several files and folders at once, files limited
// to JPEG names. Each open() builds a new panel; OK reports the choice.
class PhotoPicker : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY isOpenChanged)

public:
    explicit PhotoPicker(QObject* parent = nullptr);
    ~PhotoPicker() override;

    bool isOpen() const { return !dialog_.isNull(); }
    // The panel while it is open, for tests and for closing it with its window.
    QFileDialog* dialog() const { return dialog_.data(); }

    Q_INVOKABLE void open();

    static QStringList nameFilters();

signals:
    void isOpenChanged();
    // The chosen locations in the panel's order; never emitted on cancel.
    void chosen(const QList<QUrl>& urls);

private:
    QPointer<QFileDialog> dialog_;
};

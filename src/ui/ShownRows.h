#pragma once

#include "StatListModel.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace optara {

// The rows a card shows: the first `limit` rows of a ranked list, with the
// same roles, and the greatest count among them (0 when there are none).
// Rows past the limit are never read.
class ShownRows : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(optara::StatListModel* list READ list WRITE setList NOTIFY listChanged)
    Q_PROPERTY(int limit READ limit WRITE setLimit NOTIFY limitChanged)
    Q_PROPERTY(int count READ count NOTIFY rowsChanged)
    Q_PROPERTY(double greatestCount READ greatestCount NOTIFY rowsChanged)

  public:
    explicit ShownRows(QObject* parent = nullptr);

    StatListModel* list() const { return list_; }
    void setList(StatListModel* list);
    int limit() const { return limit_; }
    void setLimit(int limit);
    int count() const { return count_; }
    double greatestCount() const { return greatestCount_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void listChanged();
    void limitChanged();
    void rowsChanged();

  private:
    // Takes the rows afresh; a ranked list only ever changes whole.
    void reset();

    QPointer<StatListModel> list_;
    QMetaObject::Connection listReset_;
    int limit_ = 0;
    int count_ = 0;
    double greatestCount_ = 0;
};

} // namespace optara

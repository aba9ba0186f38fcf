#pragma once

#include "StatItem.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <span>
#include <vector>

namespace optara {

// One ranked list as the views see it: a row per item, with the roles
// `label` (text) and `count` (number of photos), in ranked order.
class StatListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Lists are published by AppViewModel")

  public:
    enum Role { LabelRole = Qt::UserRole + 1, CountRole };

    explicit StatListModel(QObject* parent = nullptr);

    const std::vector<StatItem>& items() const { return items_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override { return roles(); }
    static QHash<int, QByteArray> roles();

    // Gives each model its new rows, and each rows its model's old ones, in
    // one stretch: every model is reset only once all hold their new rows and
    // `alsoChange` has run, so no view sees new rows beside stale ones.
    static void replaceTogether(std::span<StatListModel* const> models, std::span<std::vector<StatItem>> rows,
                                const std::function<void()>& alsoChange = {});

  private:
    std::vector<StatItem> items_;
};

} // namespace optara

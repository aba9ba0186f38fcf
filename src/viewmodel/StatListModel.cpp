#include "StatListModel.h"

#include <QString>

#include <algorithm>
#include <cassert>
#include <climits>

namespace optara {

StatListModel::StatListModel(QObject* parent) : QAbstractListModel(parent)
{
}

int StatListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(items_.size(), INT_MAX));
}

QVariant StatListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const StatItem& item = items_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case LabelRole:
        return QString::fromUtf8(item.label().data(), static_cast<qsizetype>(item.label().size()));
    case CountRole:
        return QVariant::fromValue<qint64>(item.count());
    default:
        return {};
    }
}

QHash<int, QByteArray> StatListModel::roles()
{
    return {{LabelRole, QByteArrayLiteral("label")}, {CountRole, QByteArrayLiteral("count")}};
}

void StatListModel::replaceTogether(std::span<StatListModel* const> models,
                                    std::span<std::vector<StatItem>> rows,
                                    const std::function<void()>& alsoChange)
{
    assert(models.size() == rows.size());
    for (StatListModel* model : models)
        model->beginResetModel();
    for (std::size_t i = 0; i < models.size(); ++i)
        models[i]->items_.swap(rows[i]);
    if (alsoChange)
        alsoChange();
    for (StatListModel* model : models)
        model->endResetModel();
}

} // namespace optara

#include "ShownRows.h"

#include <algorithm>

namespace optara {

ShownRows::ShownRows(QObject* parent) : QAbstractListModel(parent)
{
}

void ShownRows::setList(StatListModel* list)
{
    if (list == list_)
        return;
    disconnect(listReset_);
    list_ = list;
    if (list)
        listReset_ = connect(list, &QAbstractItemModel::modelReset, this, &ShownRows::reset);
    reset();
    emit listChanged();
}

void ShownRows::setLimit(int limit)
{
    if (limit == limit_)
        return;
    limit_ = limit;
    reset();
    emit limitChanged();
}

void ShownRows::reset()
{
    beginResetModel();
    count_ = 0;
    greatestCount_ = 0;
    if (list_) {
        const auto& items = list_->items();
        count_ = static_cast<int>(
            std::min<std::size_t>(items.size(), static_cast<std::size_t>(std::max(limit_, 0))));
        for (int row = 0; row < count_; ++row)
            greatestCount_ =
                std::max(greatestCount_, static_cast<double>(items[static_cast<std::size_t>(row)].count()));
    }
    endResetModel();
    emit rowsChanged();
}

int ShownRows::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

QVariant ShownRows::data(const QModelIndex& index, int role) const
{
    if (!list_ || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return list_->data(list_->index(index.row()), role);
}

QHash<int, QByteArray> ShownRows::roleNames() const
{
    return StatListModel::roles();
}

} // namespace optara

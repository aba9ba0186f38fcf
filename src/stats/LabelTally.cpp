#include "LabelTally.h"

#include "Text.h"

#include <algorithm>
#include <utility>

namespace optara {

void LabelTally::add(std::string_view label, std::uint64_t position)
{
    if (text::isAscii(label))
        count(label, label, 1, position);
    else
        count(text::normalized(label), label, 1, position);
}

void LabelTally::merge(const LabelTally& other, std::uint64_t offset)
{
    for (const auto& [key, row] : other.rows_)
        count(key, row.label, row.count, row.first + offset);
}

void LabelTally::count(std::string_view key, std::string_view label, std::int64_t count, std::uint64_t first)
{
    const auto found = rows_.find(key);
    if (found == rows_.end()) {
        rows_.emplace(std::string(key), Row{std::string(label), count, first});
        return;
    }
    Row& row = found->second;
    row.count += count;
    if (first < row.first) {
        row.first = first;
        row.label = label;
    }
}

std::vector<StatItem> LabelTally::ranked() const
{
    std::vector<const Row*> order;
    order.reserve(rows_.size());
    for (const auto& entry : rows_)
        order.push_back(&entry.second);
    std::sort(order.begin(), order.end(), [](const Row* a, const Row* b) {
        return a->count != b->count ? a->count > b->count : a->first < b->first;
    });
    std::vector<StatItem> items;
    items.reserve(order.size());
    for (const Row* row : order)
        items.emplace_back(row->label, row->count);
    return items;
}

} // namespace optara

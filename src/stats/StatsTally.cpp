#include "StatsTally.h"

#include "StatLabel.h"

#include <algorithm>

namespace optara {

void StatsTally::add(const ImageMetadata& photo, std::uint64_t position)
{
    for (StatList list : allStatLists)
        lists_[static_cast<std::size_t>(list)].add(statLabel(list, photo), position);
    end_ = std::max(end_, position + 1);
}

void StatsTally::merge(const StatsTally& other, std::uint64_t offset)
{
    for (std::size_t list = 0; list < lists_.size(); ++list)
        lists_[list].merge(other.lists_[list], offset);
    end_ = std::max(end_, other.end_ + offset);
}

std::vector<StatItem> StatsTally::ranked(StatList list) const
{
    return lists_[static_cast<std::size_t>(list)].ranked();
}

} // namespace optara

#include "StatItem.h"

#include "HashCombine.h"
#include "Text.h"

#include <functional>

namespace optara {

StatItem::StatItem(std::string label, std::int64_t count)
    : id_(Uuid::random()), label_(std::move(label)), count_(count)
{
}

bool operator==(const StatItem& a, const StatItem& b)
{
    return a.id() == b.id() && text::canonicallyEqual(a.label(), b.label()) && a.count() == b.count();
}

std::size_t StatItem::hash() const
{
    std::size_t seed = id_.hash();
    detail::hashCombine(seed, text::canonicalHash(label_));
    detail::hashCombine(seed, std::hash<std::int64_t>{}(count_));
    return seed;
}

} // namespace optara

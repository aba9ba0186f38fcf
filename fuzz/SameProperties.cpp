#include "SameProperties.h"

#include <algorithm>
#include <cstring>

namespace optara::exif {

namespace {

bool sameValue(const Value& a, const Value& b);

bool sameMap(const Map& a, const Map& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Entry& x, const Entry& y) {
        return x.key == y.key && sameValue(x.value, y.value);
    });
}

bool sameValue(const Value& a, const Value& b)
{
    if (a.storage().index() != b.storage().index())
        return false;
    if (const auto* real = a.real())
        return std::memcmp(real, b.real(), sizeof(double)) == 0;
    if (const auto* list = a.list())
        return std::equal(list->begin(), list->end(), b.list()->begin(), b.list()->end(), sameValue);
    if (const auto* map = a.map())
        return sameMap(*map, *b.map());
    return a.text() ? *a.text() == *b.text() : *a.integer() == *b.integer();
}

} // namespace

bool sameProperties(const std::optional<Map>& a, const std::optional<Map>& b)
{
    return a.has_value() == b.has_value() && (!a || sameMap(*a, *b));
}

} // namespace optara::exif

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace optara::exif {

class Value;
struct Entry;

using List = std::vector<Value>;
// Insertion-ordered; the maps are small enough that a linear search beats a tree.
using Map = std::vector<Entry>;

// One property value: a text, an integer, a real, a list or a nested map.
class Value {
public:
    using Storage = std::variant<std::string, std::int64_t, double, List, Map>;

    // Defined below Entry: building the variant needs Entry complete.
    Value(std::string text);
    Value(std::int64_t integer);
    Value(double real);
    Value(List list);
    Value(Map map);

    const std::string* text() const { return std::get_if<std::string>(&storage_); }
    const std::int64_t* integer() const { return std::get_if<std::int64_t>(&storage_); }
    const double* real() const { return std::get_if<double>(&storage_); }
    const List* list() const { return std::get_if<List>(&storage_); }
    const Map* map() const { return std::get_if<Map>(&storage_); }

    const Storage& storage() const { return storage_; }

private:
    Storage storage_;
};

// Keys name entries of the static tag table or fixed map names, so they are
// views of storage that lives as long as the program.
struct Entry {
    std::string_view key;
    Value value;
};

inline Value::Value(std::string text) : storage_(std::move(text))
{
}
inline Value::Value(std::int64_t integer) : storage_(integer)
{
}
inline Value::Value(double real) : storage_(real)
{
}
inline Value::Value(List list) : storage_(std::move(list))
{
}
inline Value::Value(Map map) : storage_(std::move(map))
{
}

// The value stored under key, or null.
const Value* find(const Map& map, std::string_view key);

}  // namespace optara::exif

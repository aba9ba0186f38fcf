#include "Value.h"

namespace optara::exif {

const Value* find(const Map& map, std::string_view key)
{
    for (const Entry& entry : map) {
        if (entry.key == key)
            return &entry.value;
    }
    return nullptr;
}

}  // namespace optara::exif

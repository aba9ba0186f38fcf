#pragma once

#include "Value.h"

#include <optional>

namespace optara::exif {

bool sameProperties(const std::optional<Map>& a, const std::optional<Map>& b);

} // namespace optara::exif

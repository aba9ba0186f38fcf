#pragma once

#include "ImageMetadata.h"
#include "StatList.h"

#include <string>

namespace optara {

// The label a photo is counted under in a list. Every photo has one: a
// missing value has its own label.
std::string statLabel(StatList list, const ImageMetadata& photo);

} // namespace optara

#pragma once

#include "ImageMetadata.h"

#include <array>
#include <string>

namespace optara {

// The four ranked lists, in the order they are published.
enum class StatList { Cameras, Lenses, FocalLengths, Apertures };
inline constexpr std::array allStatLists{StatList::Cameras, StatList::Lenses, StatList::FocalLengths,
                                         StatList::Apertures};

// The label a photo is counted under in a list. Every photo has one: a
// missing value has its own label.
std::string statLabel(StatList list, const ImageMetadata& photo);

} // namespace optara

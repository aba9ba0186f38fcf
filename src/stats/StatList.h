#pragma once

#include <array>

namespace optara {

// The four ranked lists, in the order they are published.
enum class StatList { Cameras, Lenses, FocalLengths, Apertures };
inline constexpr std::array allStatLists{StatList::Cameras, StatList::Lenses, StatList::FocalLengths,
                                         StatList::Apertures};

} // namespace optara

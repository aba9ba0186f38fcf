#pragma once

#include "ImageMetadata.h"
#include "LabelTally.h"
#include "StatList.h"

#include <array>
#include <cstdint>
#include <vector>

namespace optara {

// The counts behind the four ranked lists, over photos at known positions.
// Parts of a run are counted apart and merged; a later batch merges in after
// everything counted before it.
class StatsTally {
  public:
    void add(const ImageMetadata& photo, std::uint64_t position);
    // Adds another tally, its positions moved on by offset.
    void merge(const StatsTally& other, std::uint64_t offset);
    // Adds a tally of photos that come after every photo counted here.
    void append(const StatsTally& later) { merge(later, end_); }

    std::vector<StatItem> ranked(StatList list) const;

  private:
    std::array<LabelTally, allStatLists.size()> lists_;
    std::uint64_t end_ = 0; // one past the last position counted
};

} // namespace optara

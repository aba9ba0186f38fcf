#pragma once

#include "StatItem.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace optara {

// How many photos carry each label of one list. Every label keeps the
// position of the first photo that carried it and that photo's spelling, so
// tallies of parts of a list merge, in any order, into the tally of the
// whole list read in order. Canonically equivalent labels count as one.
class LabelTally {
  public:
    void add(std::string_view label, std::uint64_t position);
    // Adds another tally's counts, its positions moved on by offset.
    void merge(const LabelTally& other, std::uint64_t offset);

    // Most used first; labels of equal count in the order first seen. Every
    // call makes new rows.
    std::vector<StatItem> ranked() const;

  private:
    struct StringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept
        {
            return std::hash<std::string_view>{}(text);
        }
    };
    struct Row {
        std::string label;
        std::int64_t count;
        std::uint64_t first;
    };

    void count(std::string_view key, std::string_view label, std::int64_t count, std::uint64_t first);

    // Keyed by the label's NFC form.
    std::unordered_map<std::string, Row, StringHash, std::equal_to<>> rows_;
};

} // namespace optara

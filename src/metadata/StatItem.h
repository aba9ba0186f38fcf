#pragma once

#include "Uuid.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace optara {

// One ranked row: a label and how many photos carry it. Immutable; every
// construction draws a fresh id.
class StatItem {
  public:
    StatItem(std::string label, std::int64_t count);

    const Uuid& id() const { return id_; }
    const std::string& label() const { return label_; }
    std::int64_t count() const { return count_; }

    friend bool operator==(const StatItem& a, const StatItem& b);
    std::size_t hash() const;

  private:
    Uuid id_;
    std::string label_;
    std::int64_t count_;
};

} // namespace optara

template <> struct std::hash<optara::StatItem> {
    std::size_t operator()(const optara::StatItem& item) const noexcept { return item.hash(); }
};

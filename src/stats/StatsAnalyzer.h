#pragma once

#include "ImageMetadata.h"
#include "StatItem.h"

#include <vector>

namespace optara {

// Counts photos per label and ranks the labels, most used first. Stateless.
class StatsAnalyzer {
  public:
    static const StatsAnalyzer& shared();

    StatsAnalyzer(const StatsAnalyzer&) = delete;
    StatsAnalyzer& operator=(const StatsAnalyzer&) = delete;

    std::vector<StatItem> topCameras(const std::vector<ImageMetadata>& photos) const;
    std::vector<StatItem> topLenses(const std::vector<ImageMetadata>& photos) const;
    std::vector<StatItem> topFocalLengths(const std::vector<ImageMetadata>& photos) const;
    std::vector<StatItem> topApertures(const std::vector<ImageMetadata>& photos) const;

  private:
    StatsAnalyzer() = default;
};

} // namespace optara

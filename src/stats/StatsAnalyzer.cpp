#include "StatsAnalyzer.h"

#include "LabelTally.h"
#include "StatLabel.h"

namespace optara {

namespace {

std::vector<StatItem> rank(const std::vector<ImageMetadata>& photos, StatList list)
{
    LabelTally tally;
    for (std::size_t i = 0; i < photos.size(); ++i)
        tally.add(statLabel(list, photos[i]), i);
    return tally.ranked();
}

} // namespace

const StatsAnalyzer& StatsAnalyzer::shared()
{
    static const StatsAnalyzer instance;
    return instance;
}

std::vector<StatItem> StatsAnalyzer::topCameras(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, StatList::Cameras);
}

std::vector<StatItem> StatsAnalyzer::topLenses(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, StatList::Lenses);
}

std::vector<StatItem> StatsAnalyzer::topFocalLengths(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, StatList::FocalLengths);
}

std::vector<StatItem> StatsAnalyzer::topApertures(const std::vector<ImageMetadata>& photos) const
{
    return rank(photos, StatList::Apertures);
}

} // namespace optara

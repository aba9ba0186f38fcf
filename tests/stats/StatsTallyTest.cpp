#include "StatsTally.h"
#include "StatsAnalyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

namespace optara {
namespace {

using Rows = std::vector<std::pair<std::string, std::int64_t>>;

Rows rows(const std::vector<StatItem>& items)
{
    Rows result;
    for (const auto& item : items)
        result.emplace_back(item.label(), item.count());
    return result;
}

// Photos whose lists tie, hold more than ten rows, and spell one lens two
// canonically equivalent ways, the later spelling seen more often.
std::vector<ImageMetadata> library(int count)
{
    std::vector<ImageMetadata> photos;
    for (int i = 0; i < count; ++i) {
        const std::string lens =
            i % 7 == 0 ? (i % 2 ? "Cafe\xCC\x81" : "Caf\xC3\xA9") : "L" + std::to_string(i % 13);
        photos.emplace_back("/p/" + std::to_string(i) + ".jpg", "Acme", "Z" + std::to_string(i % 12), lens,
                            10.0 + i % 17, 1.4 + (i % 11) / 10.0, std::nullopt, std::nullopt, std::nullopt);
    }
    return photos;
}

std::array<Rows, 4> analysed(const std::vector<ImageMetadata>& photos)
{
    const auto& stats = StatsAnalyzer::shared();
    return {rows(stats.topCameras(photos)), rows(stats.topLenses(photos)),
            rows(stats.topFocalLengths(photos)), rows(stats.topApertures(photos))};
}

std::array<Rows, 4> ranked(const StatsTally& tally)
{
    std::array<Rows, 4> lists;
    for (StatList list : allStatLists)
        lists[static_cast<std::size_t>(list)] = rows(tally.ranked(list));
    return lists;
}

// The photos of one batch, at positions that leave gaps where files failed,
// counted in parts that merge in a shuffled order, as a run's readers do.
StatsTally countedInParts(const std::vector<ImageMetadata>& photos, std::size_t part, unsigned seed)
{
    std::vector<StatsTally> parts((photos.size() + part - 1) / part);
    for (std::size_t i = 0; i < photos.size(); ++i)
        parts[i / part].add(photos[i], 3 * i + 1);
    std::shuffle(parts.begin(), parts.end(), std::mt19937(seed));
    StatsTally whole;
    for (const StatsTally& counted : parts)
        whole.merge(counted, 0);
    return whole;
}

// Whatever the parts and the order they come back in, and however many
// batches follow each other, the lists are those of all the photos in order.
TEST(StatsTally, PartsAndBatchesRankAsTheWholeListReadInOrder)
{
    const std::vector<ImageMetadata> photos = library(300);
    const struct {
        const char* name;
        std::vector<std::size_t> batches; // sizes, in the order appended
        std::size_t part;
    } cases[] = {
        {"one photo", {1}, 1},
        {"one batch, one part", {300}, 300},
        {"one batch, parts of one", {300}, 1},
        {"one batch, uneven parts", {300}, 7},
        {"batches", {50, 1, 149, 100}, 16},
        {"an empty batch between", {120, 0, 180}, 32},
    };
    for (const auto& c : cases) {
        StatsTally held;
        auto begin = photos.begin();
        for (std::size_t size : c.batches) {
            const std::vector<ImageMetadata> batch(begin, begin + static_cast<std::ptrdiff_t>(size));
            held.append(countedInParts(batch, c.part, static_cast<unsigned>(size)));
            begin += static_cast<std::ptrdiff_t>(size);
            EXPECT_EQ(ranked(held), analysed(std::vector<ImageMetadata>(photos.begin(), begin))) << c.name;
        }
    }
    EXPECT_GT(analysed(photos)[1].size(), 10u);
}

} // namespace
} // namespace optara

#include "StatsAnalyzer.h"
#include "StatsTally.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <random>

#include <unistd.h>

namespace {

using optara::ImageMetadata;
using Name = std::optional<std::string_view>;
using Rows = std::vector<std::pair<std::string, std::int64_t>>;
const optara::StatsAnalyzer& stats = optara::StatsAnalyzer::shared();
const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");

ImageMetadata photo(Name make, Name model, Name lens, std::optional<double> focal,
                    std::optional<double> aperture)
{
    return ImageMetadata("/a.jpg", make, model, lens, focal, aperture, {}, {}, {});
}
const auto withFocal = [](std::optional<double> focal) { return photo({}, {}, {}, focal, {}); };
const auto withLens = [](std::string_view lens) { return photo({}, {}, lens, {}, {}); };

Rows rows(const std::vector<optara::StatItem>& items)
{
    Rows result;
    for (const auto& item : items)
        result.emplace_back(item.label(), item.count());
    return result;
}

// Focal lengths truncate toward zero, and every finite double has a label; apertures round to one decimal
// as printf's "%.1f" does.
TEST(StatsAnalyzer, LabelsOfOddValues)
{
    const double big = 0x1p63, beyond = std::nextafter(-big, -inf);
    // clang-format off
    const std::pair<std::optional<double>, std::string> focals[] = {
        {50.9, "50mm"}, {-0.7, "0mm"}, {-12.5, "-12mm"}, {big, "9223372036854775808mm"},
        {beyond, "-9223372036854777856mm"}, {inf, "Unknown"}, {-inf, "Unknown"}, {nan, "Unknown"},
        {{}, "Unknown"}};
    // clang-format on
    for (const auto& [focal, label] : focals)
        EXPECT_EQ(rows(stats.topFocalLengths({withFocal(focal)})), (Rows{{label, 1}})) << focal.value_or(-1);
    for (const double aperture : {2.85, 2.25, 0.95, 11.0, 1e20, inf, std::numeric_limits<double>::max()}) {
        std::string expected(400, '\0');
        expected.resize(std::snprintf(expected.data(), expected.size(), "f/%.1f", aperture));
        EXPECT_EQ(rows(stats.topApertures({photo({}, {}, {}, {}, aperture)})), (Rows{{expected, 1}}));
    }
}

// A German desktop's number locale, whose decimal separator is a comma, in both the C library and C++,
// built under a temporary LOCPATH where the system has none: labels keep a period and no grouping.
TEST(StatsAnalyzer, LabelsIgnoreTheNumberLocale)
{
    const std::filesystem::path dir = ::testing::TempDir() + "optara-locale-" + std::to_string(::getpid());
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        std::filesystem::create_directories(dir);
        ::setenv("LOCPATH", dir.c_str(), 1);
        const std::string build = "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string();
        [[maybe_unused]] const int warnings = std::system((build + " 2>/dev/null").c_str());
    }
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale, and localedef could not build one";
    std::locale::global(std::locale(std::locale::classic(), "de_DE.UTF-8", std::locale::numeric));
    EXPECT_EQ(*std::localeconv()->decimal_point, ',');
    const auto focal = rows(stats.topFocalLengths({withFocal(1234.5)}));
    const auto apertures = rows(stats.topApertures({photo({}, {}, {}, {}, 2.8), photo({}, {}, {}, {}, 11)}));
    std::setlocale(LC_NUMERIC, "C");
    std::locale::global(std::locale::classic());
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(focal, (Rows{{"1234mm", 1}}));
    EXPECT_EQ(apertures, (Rows{{"f/2.8", 1}, {"f/11.0", 1}}));
}

// Canonically equivalent names share a row shown as first seen; case and undecodable bytes count as given;
// ties keep their first-seen order.
TEST(StatsAnalyzer, LensRowsGroupCanonicallyEquivalentNames)
{
    const std::string decomposed = "Cafe\xCC\x81", composed = "Caf\xC3\xA9", broken = "\xFF\xFE";
    const auto items =
        stats.topLenses({withLens("B"), withLens("A"), withLens(decomposed), withLens(composed),
                         withLens(broken), withLens("caf\xC3\xA9"), withLens("A"), withLens("B"),
                         withLens(broken), withLens(decomposed), withLens("C")});
    EXPECT_EQ(rows(items),
              (Rows{{decomposed, 3}, {"B", 2}, {"A", 2}, {broken, 2}, {"caf\xC3\xA9", 1}, {"C", 1}}));
    EXPECT_EQ(rows(stats.topLenses({withLens(composed), withLens(decomposed)})), (Rows{{composed, 2}}));
}

// Each list counts every photo once under its own label, most used first.
TEST(StatsAnalyzer, EachListCountsEveryPhotoOnce)
{
    const std::vector<ImageMetadata> photos{
        photo("Acme", "Z7", "L 50", 50.9, 2.8), photo({}, {}, "L 24", {}, {}),
        photo("Acme", "Acme Z7", {}, 50.2, 2.83), photo("Bolt", "B1", "L 50", 24.0, 2.86)};
    EXPECT_EQ(rows(stats.topCameras(photos)), (Rows{{"Acme Z7", 2}, {"Unknown Camera", 1}, {"Bolt B1", 1}}));
    EXPECT_EQ(rows(stats.topLenses(photos)), (Rows{{"L 50", 2}, {"L 24", 1}, {"Unknown Lens", 1}}));
    EXPECT_EQ(rows(stats.topFocalLengths(photos)), (Rows{{"50mm", 2}, {"Unknown", 1}, {"24mm", 1}}));
    EXPECT_EQ(rows(stats.topApertures(photos)), (Rows{{"f/2.8", 2}, {"Unknown", 1}, {"f/2.9", 1}}));
    EXPECT_NE(stats.topCameras(photos)[0].id(), stats.topCameras(photos)[0].id()); // fresh rows every call
}

// A run's readers count parts of a batch, at positions with gaps where files failed, and the parts merge
// in any order; batches append one after another. The lists are always those of all the photos in order:
// ties, more than ten rows, and a lens spelt two canonically equivalent ways.
TEST(StatsTally, PartsAndBatchesRankAsTheWholeListReadInOrder)
{
    std::vector<ImageMetadata> photos;
    for (int i = 0; i < 300; ++i)
        photos.push_back(
            photo("Acme", "Z" + std::to_string(i % 12),
                  i % 7 ? "L" + std::to_string(i % 13) : (i % 2 ? "Cafe\xCC\x81" : "Caf\xC3\xA9"),
                  10.0 + i % 17, 1.4 + (i % 11) / 10.0));
    const auto analysed = [](const std::vector<ImageMetadata>& held) {
        return std::vector<Rows>{rows(stats.topCameras(held)), rows(stats.topLenses(held)),
                                 rows(stats.topFocalLengths(held)), rows(stats.topApertures(held))};
    };
    const auto ranked = [](const optara::StatsTally& tally) {
        using enum optara::StatList;
        return std::vector<Rows>{rows(tally.ranked(Cameras)), rows(tally.ranked(Lenses)),
                                 rows(tally.ranked(FocalLengths)), rows(tally.ranked(Apertures))};
    };
    // Name, batch sizes in the order appended, part size.
    const std::tuple<const char*, std::vector<std::size_t>, std::size_t> cases[] = {
        {"one photo", {1}, 1},
        {"uneven parts", {300}, 7},
        {"batches", {50, 1, 149, 100}, 16},
        {"an empty batch between", {120, 0, 180}, 32},
        {"a photo a batch", std::vector<std::size_t>(300, 1), 1}};
    for (const auto& [name, batches, part] : cases) {
        optara::StatsTally held;
        std::size_t begin = 0;
        for (const std::size_t size : batches) {
            std::vector<optara::StatsTally> parts((size + part - 1) / part);
            for (std::size_t i = 0; i < size; ++i)
                parts[i / part].add(photos[begin + i], 3 * i + 1);
            std::shuffle(parts.begin(), parts.end(), std::mt19937(static_cast<unsigned>(size)));
            optara::StatsTally batch;
            for (const optara::StatsTally& counted : parts)
                batch.merge(counted, 0);
            held.append(batch);
            begin += size;
            EXPECT_EQ(ranked(held), analysed({photos.begin(), photos.begin() + std::ptrdiff_t(begin)}))
                << name;
        }
    }
    EXPECT_GT(analysed(photos)[1].size(), 10u);
}

} // namespace

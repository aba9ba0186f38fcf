#include "StatsAnalyzer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <map>
#include <random>
#include <set>

namespace {

using optara::ImageMetadata;
using optara::StatItem;
using optara::StatsAnalyzer;

struct Gear {
    std::optional<std::string> make = std::nullopt;
    std::optional<std::string> model = std::nullopt;
    std::optional<std::string> lens = std::nullopt;
    std::optional<double> focal = std::nullopt;
    std::optional<double> aperture = std::nullopt;
};

ImageMetadata photo(const Gear& gear)
{
    const auto view = [](const auto& text) {
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    return ImageMetadata("/photos/a.jpg", view(gear.make), view(gear.model), view(gear.lens), gear.focal,
                         gear.aperture, std::nullopt, std::nullopt, std::nullopt);
}

ImageMetadata withFocal(std::optional<double> focal)
{
    return photo({.focal = focal});
}
ImageMetadata withAperture(std::optional<double> aperture)
{
    return photo({.aperture = aperture});
}
ImageMetadata withLens(std::string lens)
{
    return photo({.lens = std::move(lens)});
}

std::map<std::string, std::int64_t> counts(const std::vector<StatItem>& items)
{
    std::map<std::string, std::int64_t> result;
    for (const StatItem& item : items)
        result[item.label()] += item.count();
    return result;
}

std::string onlyLabel(const std::vector<StatItem>& items)
{
    return items.size() == 1 ? items.front().label() : "<" + std::to_string(items.size()) + " rows>";
}

// The properties every ranked list has, whatever the input.
void expectWellFormed(const std::vector<StatItem>& items, std::size_t photoCount)
{
    std::int64_t total = 0;
    std::set<std::string> labels;
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_GE(items[i].count(), 1);
        EXPECT_GE(items[i > 0 ? i - 1 : 0].count(), items[i].count()) << "row " << i;
        EXPECT_TRUE(labels.insert(items[i].label()).second) << "duplicate " << items[i].label();
        total += items[i].count();
    }
    EXPECT_EQ(total, static_cast<std::int64_t>(photoCount));
}

TEST(StatsAnalyzer, EmptyInputGivesEmptyListsAndOnePhotoOneRowEach)
{
    const auto& stats = StatsAnalyzer::shared();
    const std::vector<ImageMetadata> none;
    EXPECT_TRUE(stats.topCameras(none).empty() && stats.topLenses(none).empty() &&
                stats.topFocalLengths(none).empty() && stats.topApertures(none).empty());
    const std::vector<ImageMetadata> one{photo({"Acme", "Acme Z7", "Acme 50mm F1.8", 50.0, 1.8})};
    EXPECT_EQ(
        (std::vector<std::string>{onlyLabel(stats.topCameras(one)), onlyLabel(stats.topLenses(one)),
                                  onlyLabel(stats.topFocalLengths(one)), onlyLabel(stats.topApertures(one))}),
        (std::vector<std::string>{"Acme Z7", "Acme 50mm F1.8", "50mm", "f/1.8"}));
}

TEST(StatsAnalyzer, FocalLengthAndApertureLabels)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<std::optional<double>, std::string> focals[] = {
        {50.0, "50mm"},
        {50.9, "50mm"},
        {0.5, "0mm"},
        {-0.0, "0mm"},
        {-0.7, "0mm"}, // truncation toward zero leaves no minus sign
        {-12.5, "-12mm"},
        {9223372036854774784.0, "9223372036854774784mm"},   // largest double below 2^63
        {-9223372036854775808.0, "-9223372036854775808mm"}, // -2^63 fits
        {9223372036854775808.0, "Unknown"},                 // 2^63 does not
        {-9223372036854777856.0, "Unknown"},
        {inf, "Unknown"},
        {-inf, "Unknown"},
        {nan, "Unknown"},
        {std::nullopt, "Unknown"},
    };
    for (const auto& [focal, label] : focals)
        EXPECT_EQ(onlyLabel(StatsAnalyzer::shared().topFocalLengths({withFocal(focal)})), label)
            << (focal ? std::to_string(*focal) : "absent");
    const std::pair<std::optional<double>, std::string> apertures[] = {
        {2.83, "f/2.8"},           {2.85, "f/2.9"}, // 2.85 is stored slightly above the tie
        {2.25, "f/2.2"},                            // an exact tie rounds to even, as printf does
        {0.95, "f/0.9"},                            // 0.95 is stored slightly below the tie
        {11.0, "f/11.0"},          {1e20, "f/100000000000000000000.0"},
        {std::nullopt, "Unknown"},
    };
    for (const auto& [aperture, label] : apertures)
        EXPECT_EQ(onlyLabel(StatsAnalyzer::shared().topApertures({withAperture(aperture)})), label)
            << (aperture ? std::to_string(*aperture) : "absent");
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        const double value = std::uniform_real_distribution<double>(0.5, 64.0)(random);
        char expected[64];
        std::snprintf(expected, sizeof expected, "f/%.1f", value);
        EXPECT_EQ(onlyLabel(StatsAnalyzer::shared().topApertures({withAperture(value)})), expected) << value;
    }
    const std::vector<ImageMetadata> odd{withAperture(inf), withAperture(nan),
                                         withAperture(std::numeric_limits<double>::max())};
    expectWellFormed(StatsAnalyzer::shared().topApertures(odd), odd.size());
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
    char do_thousands_sep() const override { return '.'; }
};

TEST(StatsAnalyzer, LabelsIgnoreTheProcessLocale)
{
    const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const char* cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const auto apertures = StatsAnalyzer::shared().topApertures({withAperture(2.8)});
    const auto focals = StatsAnalyzer::shared().topFocalLengths({withFocal(12000.0)});
    std::setlocale(LC_NUMERIC, "C");
    std::locale::global(saved);
    EXPECT_EQ(onlyLabel(apertures), "f/2.8");
    EXPECT_EQ(onlyLabel(focals), "12000mm");
    if (!cLocale)
        GTEST_LOG_(INFO) << "de_DE.UTF-8 not installed; only the C++ global locale was changed";
}

// Most used first, "Unknown" an ordinary row, ties all kept; every call
// gives rows with fresh ids.
TEST(StatsAnalyzer, RankedByCountWithFreshRows)
{
    const std::vector<ImageMetadata> photos{
        withFocal(35), withFocal(std::nullopt), withFocal(50),        withFocal(std::nullopt),
        withFocal(50), withFocal(std::nullopt), withFocal(-1.0 / 0.0)};
    const auto items = StatsAnalyzer::shared().topFocalLengths(photos);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].label(), "Unknown");
    EXPECT_EQ(items[0].count(), 4);
    EXPECT_EQ(items[1].label(), "50mm");
    EXPECT_EQ(items[2].label(), "35mm");
    EXPECT_NE(StatsAnalyzer::shared().topFocalLengths(photos)[0].id(), items[0].id());

    const auto ties = StatsAnalyzer::shared().topLenses(
        {withLens("B"), withLens("A"), withLens("C"), withLens("A"), withLens("B")});
    ASSERT_EQ(ties.size(), 3u);
    EXPECT_EQ(ties[0].label() + ties[1].label() + ties[2].label(), "BAC"); // ties in first-seen order
    EXPECT_EQ(counts(ties), (std::map<std::string, std::int64_t>{{"A", 2}, {"B", 2}, {"C", 1}}));
}

// Canonically equivalent labels share a row shown as first seen; case and
// undecodable bytes count as given.
TEST(StatsAnalyzer, LabelsGroupByCanonicalEquivalence)
{
    const std::string decomposed = "Cafe\xCC\x81 Lens"; // e + COMBINING ACUTE
    const std::string composed = "Caf\xC3\xA9 Lens";    // U+00E9
    const std::string broken = "Lens \xFF\xFE";
    const auto items = StatsAnalyzer::shared().topLenses({withLens(decomposed), withLens(composed),
                                                          withLens(broken), withLens(decomposed),
                                                          withLens("caf\xC3\xA9 lens"), withLens(broken)});
    EXPECT_EQ(counts(items),
              (std::map<std::string, std::int64_t>{{decomposed, 3}, {broken, 2}, {"caf\xC3\xA9 lens", 1}}));
    EXPECT_EQ(onlyLabel(StatsAnalyzer::shared().topLenses({withLens(composed), withLens(decomposed)})),
              composed);
}

// Random gear: every list counts every photo once, cameras and lenses by the
// derived names, focal lengths truncated and apertures as printf rounds.
TEST(StatsAnalyzer, EveryListCountsEveryPhotoOnce)
{
    std::mt19937_64 random(42);
    const std::vector<std::optional<std::string>> names{std::nullopt, "Acme", "Acme Z7",
                                                        " Z7 ",       "",     "Ōbject"};
    std::vector<ImageMetadata> photos;
    std::map<std::string, std::int64_t> cameras, lenses, focals, apertures;
    for (int i = 0; i < 3000; ++i) {
        auto pick = [&] { return names[random() % names.size()]; };
        std::optional<double> focal;
        std::optional<double> aperture;
        if (random() % 5)
            focal = static_cast<double>(random() % 4000) / 10.0 - 10.0;
        if (random() % 5)
            aperture = static_cast<double>(random() % 320) / 10.0;
        const ImageMetadata& p = photos.emplace_back(photo({pick(), pick(), pick(), focal, aperture}));
        ++cameras[p.cameraName()];
        ++lenses[p.lensName()];
        ++focals[focal ? std::to_string(static_cast<long long>(std::trunc(*focal))) + "mm" : "Unknown"];
        char label[32] = "Unknown";
        if (aperture)
            std::snprintf(label, sizeof label, "f/%.1f", *aperture);
        ++apertures[label];
    }
    const auto& stats = StatsAnalyzer::shared();
    for (const auto& [list, expected] : {std::pair{stats.topCameras(photos), cameras},
                                         {stats.topLenses(photos), lenses},
                                         {stats.topFocalLengths(photos), focals},
                                         {stats.topApertures(photos), apertures}}) {
        expectWellFormed(list, photos.size());
        EXPECT_EQ(counts(list), expected);
    }
}

} // namespace

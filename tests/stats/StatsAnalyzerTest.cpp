#include "StatsAnalyzer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

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
    auto view = [](const std::optional<std::string>& text) -> std::optional<std::string_view> {
        if (!text)
            return std::nullopt;
        return std::string_view(*text);
    };
    return ImageMetadata("/photos/a.jpg", view(gear.make), view(gear.model), view(gear.lens), gear.focal,
                         gear.aperture, std::nullopt, std::nullopt, std::nullopt);
}

ImageMetadata withFocal(std::optional<double> focal) { return photo({.focal = focal}); }
ImageMetadata withAperture(std::optional<double> aperture) { return photo({.aperture = aperture}); }
ImageMetadata withLens(std::string lens) { return photo({.lens = std::move(lens)}); }

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
        if (i > 0) {
            EXPECT_GE(items[i - 1].count(), items[i].count()) << "row " << i;
        }
        EXPECT_TRUE(labels.insert(items[i].label()).second) << "duplicate " << items[i].label();
        total += items[i].count();
    }
    EXPECT_EQ(total, static_cast<std::int64_t>(photoCount));
}

TEST(StatsAnalyzer, SharedIsOneInstance)
{
    EXPECT_EQ(&StatsAnalyzer::shared(), &StatsAnalyzer::shared());
}

TEST(StatsAnalyzer, EmptyInputGivesFourEmptyLists)
{
    const auto& stats = StatsAnalyzer::shared();
    const std::vector<ImageMetadata> none;
    EXPECT_TRUE(stats.topCameras(none).empty());
    EXPECT_TRUE(stats.topLenses(none).empty());
    EXPECT_TRUE(stats.topFocalLengths(none).empty());
    EXPECT_TRUE(stats.topApertures(none).empty());
}

TEST(StatsAnalyzer, OnePhotoGivesOneRowPerList)
{
    const auto& stats = StatsAnalyzer::shared();
    const std::vector<ImageMetadata> one{photo({"Acme", "Acme Z7", "Acme 50mm F1.8", 50.0, 1.8})};
    for (const auto& list : {stats.topCameras(one), stats.topLenses(one), stats.topFocalLengths(one),
                             stats.topApertures(one)}) {
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].count(), 1);
    }
    EXPECT_EQ(stats.topCameras(one)[0].label(), "Acme Z7");
    EXPECT_EQ(stats.topLenses(one)[0].label(), "Acme 50mm F1.8");
    EXPECT_EQ(stats.topFocalLengths(one)[0].label(), "50mm");
    EXPECT_EQ(stats.topApertures(one)[0].label(), "f/1.8");
}

TEST(StatsAnalyzer, FocalLengthLabels)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::optional<double> focal;
        std::string label;
    } cases[] = {
        {50.0, "50mm"},
        {50.9, "50mm"},
        {23.9, "23mm"},
        {0.5, "0mm"},
        {0.0, "0mm"},
        {-0.0, "0mm"},
        {-0.7, "0mm"},  // truncation toward zero leaves no minus sign
        {-12.5, "-12mm"},
        {1200.0, "1200mm"},
        {9223372036854774784.0, "9223372036854774784mm"},  // largest double below 2^63
        {-9223372036854775808.0, "-9223372036854775808mm"},  // -2^63 fits
        {9223372036854775808.0, "Unknown"},  // 2^63 does not
        {-9223372036854777856.0, "Unknown"},
        {1e300, "Unknown"},
        {inf, "Unknown"},
        {-inf, "Unknown"},
        {nan, "Unknown"},
        {-nan, "Unknown"},
        {std::nullopt, "Unknown"},
    };
    for (const auto& c : cases) {
        const auto items = StatsAnalyzer::shared().topFocalLengths({withFocal(c.focal)});
        EXPECT_EQ(onlyLabel(items), c.label) << "focal " << (c.focal ? std::to_string(*c.focal) : "absent");
    }
}

TEST(StatsAnalyzer, ApertureLabels)
{
    const struct {
        std::optional<double> aperture;
        std::string label;
    } cases[] = {
        {2.8, "f/2.8"},
        {2.83, "f/2.8"},
        {2.85, "f/2.9"},  // 2.85 is stored slightly above the tie
        {2.25, "f/2.2"},  // an exact tie rounds to even, as printf does
        {2.35, "f/2.4"},
        {8.0, "f/8.0"},
        {11.0, "f/11.0"},
        {16.0, "f/16.0"},
        {0.95, "f/0.9"},  // 0.95 is stored slightly below the tie
        {0.0, "f/0.0"},
        {1e20, "f/100000000000000000000.0"},
        {std::nullopt, "Unknown"},
    };
    for (const auto& c : cases) {
        const auto items = StatsAnalyzer::shared().topApertures({withAperture(c.aperture)});
        EXPECT_EQ(onlyLabel(items), c.label) << "aperture " << (c.aperture ? std::to_string(*c.aperture) : "absent");
    }
}

TEST(StatsAnalyzer, ApertureLabelsMatchPrintfInTheCLocale)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> apertures(0.5, 64.0);
    for (int i = 0; i < 2000; ++i) {
        const double value = apertures(random);
        char expected[64];
        std::snprintf(expected, sizeof expected, "f/%.1f", value);
        EXPECT_EQ(onlyLabel(StatsAnalyzer::shared().topApertures({withAperture(value)})), expected) << value;
    }
}

TEST(StatsAnalyzer, NonFiniteApertureDoesNotFail)
{
    const std::vector<ImageMetadata> photos{withAperture(std::numeric_limits<double>::infinity()),
                                            withAperture(std::numeric_limits<double>::quiet_NaN()),
                                            withAperture(std::numeric_limits<double>::max())};
    expectWellFormed(StatsAnalyzer::shared().topApertures(photos), photos.size());
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

TEST(StatsAnalyzer, EqualValuesShareOneRow)
{
    const auto& stats = StatsAnalyzer::shared();
    EXPECT_EQ(counts(stats.topFocalLengths({withFocal(50.0), withFocal(50.9), withFocal(35.0)})),
              (std::map<std::string, std::int64_t>{{"50mm", 2}, {"35mm", 1}}));
    EXPECT_EQ(counts(stats.topApertures({withAperture(2.8), withAperture(2.83), withAperture(4.0)})),
              (std::map<std::string, std::int64_t>{{"f/2.8", 2}, {"f/4.0", 1}}));
}

TEST(StatsAnalyzer, RankedByCountWithUnknownAsAnOrdinaryRow)
{
    const std::vector<ImageMetadata> photos{withFocal(35), withFocal(std::nullopt), withFocal(50),
                                            withFocal(std::nullopt), withFocal(50), withFocal(std::nullopt),
                                            withFocal(-1.0 / 0.0)};
    const auto items = StatsAnalyzer::shared().topFocalLengths(photos);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].label(), "Unknown");
    EXPECT_EQ(items[0].count(), 4);
    EXPECT_EQ(items[1].label(), "50mm");
    EXPECT_EQ(items[2].label(), "35mm");

    // Rare "Unknown" sinks like any other label.
    const auto apertures = StatsAnalyzer::shared().topApertures(
        {withAperture(4), withAperture(std::nullopt), withAperture(4), withAperture(2)});
    ASSERT_EQ(apertures.size(), 3u);
    EXPECT_EQ(apertures[0].label(), "f/4.0");
    EXPECT_NE(apertures[1].label(), "f/4.0");
}

TEST(StatsAnalyzer, TiesAreAllKeptWithTheirCounts)
{
    const auto items = StatsAnalyzer::shared().topLenses(
        {withLens("B"), withLens("A"), withLens("C"), withLens("A"), withLens("B")});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].label(), "C");
    EXPECT_EQ(counts(items), (std::map<std::string, std::int64_t>{{"A", 2}, {"B", 2}, {"C", 1}}));
}

TEST(StatsAnalyzer, CanonicallyEquivalentLabelsShareARowShownAsFirstSeen)
{
    const std::string decomposed = "Cafe\xCC\x81 Lens";  // e + COMBINING ACUTE
    const std::string composed = "Caf\xC3\xA9 Lens";     // U+00E9
    const auto items = StatsAnalyzer::shared().topLenses(
        {withLens(decomposed), withLens(composed), withLens(decomposed), withLens("caf\xC3\xA9 lens")});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].label(), decomposed);
    EXPECT_EQ(items[0].count(), 3);
    EXPECT_EQ(items[1].label(), "caf\xC3\xA9 lens");  // case still matters

    const auto reversed = StatsAnalyzer::shared().topLenses({withLens(composed), withLens(decomposed)});
    ASSERT_EQ(reversed.size(), 1u);
    EXPECT_EQ(reversed[0].label(), composed);
}

TEST(StatsAnalyzer, InvalidUtf8LabelsAreCountedAsGiven)
{
    const std::string broken = "Lens \xFF\xFE";
    const auto items = StatsAnalyzer::shared().topLenses({withLens(broken), withLens(broken), withLens("Lens")});
    EXPECT_EQ(counts(items), (std::map<std::string, std::int64_t>{{broken, 2}, {"Lens", 1}}));
}

TEST(StatsAnalyzer, CamerasAndLensesUseTheDerivedNames)
{
    const std::vector<ImageMetadata> photos{
        photo({"Acme", "Acme Z7", "Zoom", 24, 4}), photo({" Acme ", "Acme Z7\n", " Zoom", 70, 4}),
        photo({"Acme", std::nullopt, std::nullopt, 24, 4}), photo({std::nullopt, std::nullopt, std::nullopt, 24, 4})};
    std::map<std::string, std::int64_t> cameras;
    std::map<std::string, std::int64_t> lenses;
    for (const ImageMetadata& p : photos) {
        ++cameras[p.cameraName()];
        ++lenses[p.lensName()];
    }
    EXPECT_EQ(counts(StatsAnalyzer::shared().topCameras(photos)), cameras);
    EXPECT_EQ(counts(StatsAnalyzer::shared().topLenses(photos)), lenses);
}

TEST(StatsAnalyzer, RepeatedCallsGiveSameRowsWithFreshIds)
{
    const std::vector<ImageMetadata> photos{withLens("A"), withLens("B"), withLens("A")};
    const auto first = StatsAnalyzer::shared().topLenses(photos);
    const auto second = StatsAnalyzer::shared().topLenses(photos);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(counts(first), counts(second));
    std::set<std::string> ids;
    for (const auto* list : {&first, &second})
        for (const StatItem& item : *list)
            EXPECT_TRUE(ids.insert(item.id().toString()).second);
}

TEST(StatsAnalyzer, EveryListCountsEveryPhotoOnce)
{
    std::mt19937_64 random(42);
    const std::vector<std::optional<std::string>> names{std::nullopt, "Acme", "Acme Z7", " Z7 ", "", "Ōbject"};
    std::vector<ImageMetadata> photos;
    for (int i = 0; i < 3000; ++i) {
        auto pick = [&] { return names[random() % names.size()]; };
        std::optional<double> focal;
        std::optional<double> aperture;
        if (random() % 5)
            focal = static_cast<double>(random() % 4000) / 10.0 - 10.0;
        if (random() % 5)
            aperture = static_cast<double>(random() % 320) / 10.0;
        photos.push_back(photo({pick(), pick(), pick(), focal, aperture}));
    }
    const auto& stats = StatsAnalyzer::shared();
    for (const auto& list : {stats.topCameras(photos), stats.topLenses(photos), stats.topFocalLengths(photos),
                             stats.topApertures(photos)})
        expectWellFormed(list, photos.size());

    // Independent reckoning of the focal rows: truncate, then count.
    std::map<std::string, std::int64_t> focals;
    for (const ImageMetadata& p : photos)
        ++focals[p.focalLength() ? std::to_string(static_cast<long long>(std::trunc(*p.focalLength()))) + "mm"
                                 : "Unknown"];
    EXPECT_EQ(counts(stats.topFocalLengths(photos)), focals);
}

}  // namespace

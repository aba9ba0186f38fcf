#include "ImageMetadata.h"
#include "StatItem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace optara {
namespace {

using Text = std::optional<std::string_view>;
using namespace std::literals;

ImageMetadata photo(Text make, Text model, Text lens = "Zoom", std::string_view url = "/a.jpg",
                    std::optional<double> focal = 50)
{
    return ImageMetadata(url, make, model, lens, focal, 2.8, 400, 0.004, ImageMetadata::TimePoint());
}

TEST(Records, CameraAndLensNameRules)
{
    // clang-format off
    // Unicode white space, canonical equivalence, combining marks, NUL and undecodable bytes last.
    const std::tuple<Text, Text, std::string> cameras[] = {
        {"Acme", "Acme Z7", "Acme Z7"},                    {"ACME", "Z7", "ACME Z7"},
        {"Acme", "acme z7", "Acme acme z7"},               {{}, "Z7", "Z7"},
        {"Acme", {}, "Unknown Camera"},                    {"Acme", "Unknown Camera", "Unknown Camera"},
        {" \t\n", "Z7", "Z7"},                             {"Acme", "Z7 by Acme", "Acme Z7 by Acme"},
        {"Acme", " \r\n", "Acme "},                        {"Acme\v\f", "\u2029Z7 ", "Acme Z7"},
        {"\u00A0 Acme\u2028", "\tAcme Z7\u3000\u0085", "Acme Z7"}, {"\xFF", "Z7 \xC3", "\xFF Z7 \xC3"},
        {"Le\u0301ica", "L\u00E9ica M6", "L\u00E9ica M6"}, {"E", "E\u20DD Mark", "E E\u20DD Mark"},
        {"\0Acme"sv, "Z7", "\0Acme Z7"s},
    };
    const std::pair<Text, std::string> lenses[] = {
        {{}, "Unknown Lens"}, {"", ""}, {" \t ", ""}, {"  EF 50mm f/1.8\n", "EF 50mm f/1.8"},
        {"Unknown Lens", "Unknown Lens"}, {"\u00A0Zoom\u00A0", "Zoom"},
    };
    // clang-format on
    for (const auto& [make, model, expected] : cameras)
        EXPECT_EQ(photo(make, model).cameraName(), expected)
            << make.value_or("-") << " / " << model.value_or("-");
    for (const auto& [lens, expected] : lenses)
        EXPECT_EQ(photo("Acme", "Z7", lens).lensName(), expected);
}

// Every construction draws a fresh id, so only copies are equal, with equal hashes, NaN and all. Copies and
// moves keep their texts when the original and every recent text of the thread are gone and their memory
// is handed out again.
TEST(Records, OnlyCopiesAreEqualAndTheyOutliveTheOriginal)
{
    const std::string url = "/p/" + std::string(40, 'n'), make(40, 'm'), model(40, 'o'), lens(40, 'l');
    auto original = std::make_unique<ImageMetadata>(photo(make, model, lens, url, std::nan("")));
    ImageMetadata copy = *original;
    EXPECT_TRUE(copy == *original &&
                std::hash<ImageMetadata>{}(copy) == std::hash<ImageMetadata>{}(*original));
    ImageMetadata assigned = photo({}, {});
    assigned = *original;
    ImageMetadata moved = std::move(*original);
    original.reset();
    for (int i = 0; i < 64; ++i) {
        const std::string other(40, static_cast<char>('0' + i));
        photo(other, other, other, "/p/" + other);
    }
    for (const ImageMetadata* r : {&copy, &assigned, &moved})
        EXPECT_EQ(std::tuple(r->url(), r->cameraMake(), r->cameraModel(), r->lensModel()),
                  std::tuple(url, Text(make), Text(model), Text(lens)));
    EXPECT_TRUE(copy == assigned && copy == moved);
    EXPECT_NE(photo("Acme", "Z7"), photo("Acme", "Z7"));
    const StatItem item("Acme Z7", 3), itemCopy = item;
    EXPECT_TRUE(itemCopy == item && std::hash<StatItem>{}(itemCopy) == std::hash<StatItem>{}(item));
    EXPECT_NE(StatItem("Acme Z7", 3), item);
}

} // namespace
} // namespace optara

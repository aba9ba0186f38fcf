#include "HashCombine.h"
#include "ImageMetadata.h"
#include "StatItem.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <thread>

namespace optara {
namespace {

using Text = std::optional<std::string_view>;

ImageMetadata photo(Text make, Text model, Text lens = std::nullopt)
{
    return ImageMetadata("/photos/a.jpg", make, model, lens, std::nullopt, std::nullopt, std::nullopt,
                         std::nullopt, std::nullopt);
}

ImageMetadata fullPhoto(double focalLength)
{
    return ImageMetadata("/photos/b.jpg", "Acme", "Acme Z7", "Zoom 24-70", focalLength, 2.8, 400, 0.004,
                         ImageMetadata::TimePoint(std::chrono::seconds(1'700'000'000)));
}

// Texts are packed into one block and presence into bits: empty, zero and
// odd bytes must stay apart from absent.
TEST(Records, KeepsEveryFieldAsGivenAndAbsenceDistinctFromEmpty)
{
    const auto when = ImageMetadata::TimePoint(std::chrono::seconds(1'234'567'890));
    const std::string make("  Ac\0me\xFF\n", 9);
    const ImageMetadata record("/p/\xFE.jpg", make, "", std::nullopt, 35.5, std::nullopt, 0, 1.0 / 250, when);
    EXPECT_EQ(record.url(), "/p/\xFE.jpg");
    EXPECT_EQ(record.cameraMake(), Text(make));
    EXPECT_EQ(record.cameraModel(), Text(""));
    EXPECT_EQ(record.lensModel(), std::nullopt);
    EXPECT_EQ(record.focalLength(), 35.5);
    EXPECT_EQ(record.aperture(), std::nullopt);
    EXPECT_EQ(record.iso(), 0);
    EXPECT_EQ(record.shutterSpeed(), 1.0 / 250);
    EXPECT_EQ(record.creationDate(), when);
    const ImageMetadata bare("", {}, {}, {}, {}, {}, {}, {}, {});
    EXPECT_FALSE(bare.cameraMake() || bare.cameraModel() || bare.lensModel() || bare.focalLength() ||
                 bare.aperture() || bare.iso() || bare.shutterSpeed() || bare.creationDate());
}

struct NameCase {
    Text make;
    Text model;
    std::string expected;
};

TEST(Records, CameraNameRules)
{
    const NameCase cases[] = {
        {"Acme", "Acme Z7", "Acme Z7"},
        {"ACME", "Z7", "ACME Z7"},
        {"ACME CORPORATION", "ACME Z7", "ACME CORPORATION ACME Z7"},
        {"Acme", "acme z7", "Acme acme z7"},
        {std::nullopt, "Z7", "Z7"},
        {"Acme", std::nullopt, "Unknown Camera"},
        {std::nullopt, std::nullopt, "Unknown Camera"},
        {"Acme", "Unknown Camera", "Unknown Camera"},
        {"Acme", "unknown camera", "Acme unknown camera"},
        {" \t\n", "Z7", "Z7"},
        {"", "Z7", "Z7"},
        {"Acme", "Z7 by Acme", "Acme Z7 by Acme"},
        {"Acme", " \r\n", "Acme "},
        {"\u00A0 Acme\u2028", "\tAcme Z7\u3000\u0085", "Acme Z7"},
        {"Acme\v\f", "\u2029Z7 ", "Acme Z7"},
        // Decomposed and precomposed forms are one maker.
        {"Le\u0301ica", "L\u00E9ica M6", "L\u00E9ica M6"},
        // A shared first letter is not a prefix when the model's letter carries a mark.
        {"E", "E\u20DD Mark", "E E\u20DD Mark"},
        // NUL is not white space.
        {std::string_view("\0Acme", 5), "Z7", std::string("\0Acme Z7", 8)},
        // Undecodable bytes are kept.
        {"\xFF", "Z7 \xC3", "\xFF Z7 \xC3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.make.value_or("<none>")) + " / " +
                     std::string(c.model.value_or("<none>")));
        EXPECT_EQ(photo(c.make, c.model).cameraName(), c.expected);
    }
}

TEST(Records, LensNameRules)
{
    const std::pair<Text, std::string> cases[] = {
        {std::nullopt, "Unknown Lens"},
        {"", ""},
        {" \t ", ""},
        {"  EF 50mm f/1.8\n", "EF 50mm f/1.8"},
        {"Unknown Lens", "Unknown Lens"},
        {"\u00A0Zoom\u00A0", "Zoom"},
    };
    for (const auto& [lens, expected] : cases)
        EXPECT_EQ(photo("Acme", "Z7", lens).lensName(), expected);
}

TEST(Records, EqualityHoldsOnlyBetweenCopies)
{
    const auto original = fullPhoto(std::numeric_limits<double>::quiet_NaN());
    const auto copy = original;
    EXPECT_EQ(copy, original);
    EXPECT_EQ(std::hash<ImageMetadata>{}(copy), std::hash<ImageMetadata>{}(original));
    EXPECT_NE(fullPhoto(50), fullPhoto(50));

    const StatItem item("Acme Z7", 3);
    const auto itemCopy = item;
    EXPECT_EQ(itemCopy, item);
    EXPECT_EQ(std::hash<StatItem>{}(itemCopy), std::hash<StatItem>{}(item));
    EXPECT_NE(StatItem("Acme Z7", 3), item);
}

TEST(Records, CanonicalTextRulesAgreeWithHashing)
{
    EXPECT_TRUE(text::canonicallyEqual("Le\u0301ica", "L\u00E9ica"));
    EXPECT_EQ(text::canonicalHash("Le\u0301ica"), text::canonicalHash("L\u00E9ica"));
    EXPECT_FALSE(text::canonicallyEqual("Leica", "leica"));
    EXPECT_FALSE(text::canonicallyEqual("L\u00E9ica", "Leica"));
    // Compatibility forms are not canonical equivalents.
    EXPECT_FALSE(text::canonicallyEqual("\uFB01", "fi"));
    EXPECT_EQ(text::normalized("a\xFF"
                               "e\u0301\xC3"),
              "a\xFF\u00E9\xC3");
    EXPECT_EQ(text::normalized(std::string_view("e\0\u0301", 4)), std::string_view("e\0\u0301", 4));
}

TEST(Records, RealsThatCompareEqualHashAlike)
{
    EXPECT_EQ(detail::hashReal(0.0), detail::hashReal(-0.0));
    EXPECT_EQ(detail::hashReal(std::nan("1")), detail::hashReal(-std::nan("2")));
    EXPECT_NE(detail::hashReal(1.0), detail::hashReal(-1.0));
}

TEST(Records, IdsAreVersion4AndUniqueAcrossThreads)
{
    std::vector<std::vector<std::string>> drawn(4);
    std::vector<std::thread> threads;
    for (auto& out : drawn)
        threads.emplace_back([&out] {
            for (int i = 0; i < 2000; ++i)
                out.push_back(Uuid::random().toString());
        });
    for (auto& thread : threads)
        thread.join();
    std::set<std::string> unique;
    for (const auto& out : drawn)
        for (const auto& id : out) {
            EXPECT_TRUE(id.size() == 36 && id[14] == '4' &&
                        std::string_view("89ab").find(id[19]) != std::string::npos)
                << id;
            unique.insert(id);
        }
    EXPECT_EQ(unique.size(), 4u * 2000);
}

} // namespace
} // namespace optara

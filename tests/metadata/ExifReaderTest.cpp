#include "ExifReader.h"
#include "PhotoBuilder.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

namespace optara::exif {
namespace {

using testing::ByteOrder;
using testing::Ifd;
using testing::IfdEntry;
using testing::TiffBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr ByteOrder bothOrders[] = {ByteOrder::Little, ByteOrder::Big};

const char* name(ByteOrder order)
{
    return order == ByteOrder::Little ? "II" : "MM";
}

// A readable rendering of a value, so that tables can state what they expect.
std::string describe(const Value& value)
{
    std::ostringstream out;
    out.precision(17);
    if (const auto* text = value.text())
        out << "text:" << *text;
    else if (const auto* integer = value.integer())
        out << "int:" << *integer;
    else if (const auto* real = value.real())
        out << "real:" << *real;
    else if (const auto* list = value.list()) {
        out << "list[";
        for (std::size_t i = 0; i < list->size(); ++i)
            out << (i ? "," : "") << describe((*list)[i]);
        out << "]";
    } else
        out << "map";
    return out.str();
}

const Map* subMap(const Map& properties, std::string_view key)
{
    const Value* value = find(properties, key);
    return value ? value->map() : nullptr;
}

// "absent" when the directory or the key is missing.
std::string property(const std::optional<Map>& properties, std::string_view directory, std::string_view key)
{
    if (!properties)
        return "no map";
    const Map* map = subMap(*properties, directory);
    const Value* value = map ? find(*map, key) : nullptr;
    return value ? describe(*value) : "absent";
}

std::optional<Map> readTiffBlock(const Bytes& tiff)
{
    return readProperties(testing::jpeg({testing::exifSegment(tiff)}));
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(ExifReader, OnlyWellFormedJpegContainersGiveAMap)
{
    const Bytes soi = {0xFF, 0xD8};
    const Bytes eoi = {0xFF, 0xD9};
    const Bytes frame = testing::segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    const Bytes scan = testing::segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    const Bytes photo = testing::photoJpeg({.make = "Acme"});
    Bytes truncated(photo.begin(), photo.begin() + 20);
    Bytes shortLength = concat({soi, {0xFF, 0xE0, 0x00, 0x01}, testing::tinyImage()});
    Bytes lengthPastEnd = concat({soi, {0xFF, 0xE0, 0xFF, 0xFF, 0, 0}});
    Bytes filled = concat({soi,
                           {0xFF, 0xFF, 0xFF},
                           testing::exifSegment(testing::photoTiff({.make = "Acme"})),
                           testing::tinyImage()});
    Bytes noMarker = concat({soi, {0x00, 0xE0, 0x00, 0x04, 0, 0}, testing::tinyImage()});

    const struct {
        const char* what;
        Bytes bytes;
        bool readable;
    } cases[] = {
        {"empty", {}, false},
        {"one byte", {0xFF}, false},
        {"not a jpeg", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, false},
        {"SOI alone", soi, false},
        {"SOI then EOI", concat({soi, eoi}), false},
        {"scan without a frame header", concat({soi, scan}), false},
        {"frame header but no scan", concat({soi, frame}), false},
        {"second SOI", concat({soi, soi, testing::tinyImage()}), false},
        {"restart marker before scan", concat({soi, {0xFF, 0xD0}, testing::tinyImage()}), false},
        {"cut inside a segment", truncated, false},
        {"segment length below two", shortLength, false},
        {"segment length past the end", lengthPastEnd, false},
        {"bytes where a marker belongs", noMarker, false},
        {"no EXIF", testing::jpeg({}), true},
        {"fill bytes before a marker", filled, true},
        {"photo", photo, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readProperties(c.bytes).has_value(), c.readable);
    }
}

TEST(ExifReader, JpegWithoutExifHasNoDirectoriesButItsFrameSize)
{
    const auto properties = readProperties(testing::jpeg({}));
    ASSERT_TRUE(properties);
    EXPECT_EQ(subMap(*properties, "{TIFF}"), nullptr);
    EXPECT_EQ(subMap(*properties, "{Exif}"), nullptr);
    const Value* width = find(*properties, "PixelWidth");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(describe(*width), "int:8");
}

TEST(ExifReader, ReadsBothDirectoriesInEitherByteOrder)
{
    const testing::PhotoFields fields{.make = "Acme",
                                      .model = "Z7 ",
                                      .lens = "Zoom 24-70",
                                      .focalLength = testing::Fraction{50, 1},
                                      .fNumber = testing::Fraction{28, 10},
                                      .exposureTime = testing::Fraction{1, 250},
                                      .iso = std::vector<std::uint16_t>{200, 400},
                                      .dateTimeOriginal = "2021:07:04 18:30:05"};
    for (ByteOrder order : bothOrders) {
        SCOPED_TRACE(name(order));
        const auto properties = readProperties(testing::photoJpeg(fields, order));
        EXPECT_EQ(property(properties, "{TIFF}", "Make"), "text:Acme");
        EXPECT_EQ(property(properties, "{TIFF}", "Model"), "text:Z7 ");
        EXPECT_EQ(property(properties, "{Exif}", "LensModel"), "text:Zoom 24-70");
        EXPECT_EQ(property(properties, "{Exif}", "FocalLength"), "real:50");
        EXPECT_EQ(property(properties, "{Exif}", "FNumber"), "real:2.7999999999999998");
        EXPECT_EQ(property(properties, "{Exif}", "ExposureTime"), "real:0.0040000000000000001");
        EXPECT_EQ(property(properties, "{Exif}", "ISOSpeedRatings"), "list[int:200,int:400]");
        EXPECT_EQ(property(properties, "{Exif}", "DateTimeOriginal"), "text:2021:07:04 18:30:05");
        // IFD0 tags are not looked for in the Exif IFD and the other way round.
        EXPECT_EQ(property(properties, "{Exif}", "Make"), "absent");
        EXPECT_EQ(property(properties, "{TIFF}", "LensModel"), "absent");
    }
}

TEST(ExifReader, DecodesEveryValueKind)
{
    constexpr std::uint16_t tag = 0x829A; // ExposureTime; the reader keeps whatever kind is stored
    for (ByteOrder order : bothOrders) {
        const TiffBuilder b(order);
        const struct {
            const char* what;
            IfdEntry entry;
            std::string expected;
        } cases[] = {
            {"ascii", b.ascii(tag, "Acme"), "text:Acme"},
            {"ascii cut at the first NUL", b.raw(tag, 2, 8, {'A', 'c', 0, 'm', 'e', 0, 0, 0}), "text:Ac"},
            {"ascii without a NUL", b.raw(tag, 2, 4, {'A', 'c', 'm', 'e'}), "text:Acme"},
            {"utf-8", b.ascii(tag, "Zo\xC3\xB6m", testing::Utf8), "text:Zo\xC3\xB6m"},
            {"byte", b.bytes(tag, {7}), "int:7"},
            {"bytes", b.bytes(tag, {1, 2, 3, 4, 5}), "list[int:1,int:2,int:3,int:4,int:5]"},
            {"signed byte", b.bytes(tag, {0xFE}, testing::SignedByte), "int:-2"},
            {"short", b.shorts(tag, {500}), "int:500"},
            {"shorts inline", b.shorts(tag, {1, 65535}), "list[int:1,int:65535]"},
            {"shorts in the data area", b.shorts(tag, {1, 2, 3}), "list[int:1,int:2,int:3]"},
            {"signed short", b.shorts(tag, {0xFFFB}, testing::SignedShort), "int:-5"},
            {"long", b.longs(tag, {4000000000u}), "int:4000000000"},
            {"longs", b.longs(tag, {1, 2}), "list[int:1,int:2]"},
            {"signed long", b.longs(tag, {0xFFFFFFFFu}, testing::SignedLong), "int:-1"},
            {"rational", b.rationals(tag, {{1, 4}}), "real:0.25"},
            {"rationals", b.rationals(tag, {{1, 2}, {3, 1}}), "list[real:0.5,real:3]"},
            {"rational over zero", b.rationals(tag, {{1, 0}}), "absent"},
            {"a rational over zero in a list", b.rationals(tag, {{1, 2}, {3, 0}}), "absent"},
            {"zero over zero", b.rationals(tag, {{0, 0}}), "absent"},
            {"signed rational", b.signedRationals(tag, {{-1, 4}}), "real:-0.25"},
            {"signed rational, negative denominator", b.signedRationals(tag, {{1, -2}}), "real:-0.5"},
            {"signed rational over zero", b.signedRationals(tag, {{-1, 0}}), "absent"},
            {"float", b.floats(tag, {2.5f}), "real:2.5"},
            {"float not a number", b.floats(tag, {std::numeric_limits<float>::quiet_NaN()}), "absent"},
            {"double", b.doubles(tag, {0.1}), "real:0.10000000000000001"},
            {"double infinite", b.doubles(tag, {std::numeric_limits<double>::infinity()}), "absent"},
            {"undefined is bytes, not a text", b.bytes(tag, {'0', '2'}, testing::Undefined),
             "list[int:48,int:50]"},
            {"one undefined byte is still a list", b.bytes(tag, {9}, testing::Undefined), "list[int:9]"},
            {"unknown type", b.raw(tag, 99, 1, {1, 0, 0, 0}), "absent"},
            {"no elements", b.raw(tag, testing::Short, 0, {}), "absent"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name(order)) + " " + c.what);
            const auto properties = readTiffBlock(b.block({}, Ifd{{c.entry}}));
            EXPECT_EQ(property(properties, "{Exif}", "ExposureTime"), c.expected);
        }
    }
}

TEST(ExifReader, IsoSpeedRatingsIsAlwaysAList)
{
    constexpr std::uint16_t iso = 0x8827;
    for (ByteOrder order : bothOrders) {
        SCOPED_TRACE(name(order));
        const TiffBuilder b(order);
        const auto read = [&](IfdEntry entry) {
            return property(readTiffBlock(b.block({}, Ifd{{std::move(entry)}})), "{Exif}", "ISOSpeedRatings");
        };
        EXPECT_EQ(read(b.shorts(iso, {100})), "list[int:100]");
        EXPECT_EQ(read(b.shorts(iso, {100, 200, 300})), "list[int:100,int:200,int:300]");
        EXPECT_EQ(read(b.longs(iso, {6400})), "list[int:6400]");
        EXPECT_EQ(read(b.raw(iso, testing::Short, 0, {})), "list[]");
        EXPECT_EQ(read(b.ascii(iso, "100")), "text:100");
    }
}

TEST(ExifReader, FirstEntryOfATagWins)
{
    const TiffBuilder b;
    const auto properties = readTiffBlock(b.block({{b.ascii(0x010F, "First"), b.ascii(0x010F, "Second")}}));
    EXPECT_EQ(property(properties, "{TIFF}", "Make"), "text:First");
}

TEST(ExifReader, ExifComesFromTheFirstApp1ThatStartsWithTheExifPrefix)
{
    const auto tiff = [](const char* make) { return testing::photoTiff({.make = make}); };
    Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
    Bytes noNuls = {'E', 'x', 'i', 'f', 'I', 'I', 42, 0};
    const Bytes scanThenExif = concat({testing::jpeg({}), testing::exifSegment(tiff("After scan"))});

    const struct {
        const char* what;
        Bytes bytes;
        std::string make;
    } cases[] = {
        {"after another APP1",
         testing::jpeg({testing::segment(0xE1, xmp), testing::exifSegment(tiff("Acme"))}), "text:Acme"},
        {"after a prefix without its NULs",
         testing::jpeg({testing::segment(0xE1, noNuls), testing::exifSegment(tiff("Acme"))}), "text:Acme"},
        {"a second EXIF segment is ignored",
         testing::jpeg({testing::exifSegment(tiff("One")), testing::exifSegment(tiff("Two"))}), "text:One"},
        {"a broken first EXIF segment is not replaced",
         testing::jpeg({testing::exifSegment({'X', 'X'}), testing::exifSegment(tiff("Two"))}), "absent"},
        {"after other application segments",
         testing::jpeg({testing::segment(0xE0, {'J', 'F', 'I', 'F', 0}), testing::segment(0xE2, {1, 2}),
                        testing::exifSegment(tiff("Acme"))}),
         "text:Acme"},
        {"after the scan, never read", scanThenExif, "absent"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(property(readProperties(c.bytes), "{TIFF}", "Make"), c.make);
    }
}

TEST(ExifReader, BrokenTiffHeaderLeavesOutTheDirectoriesOnly)
{
    const Bytes good = testing::photoTiff({.make = "Acme", .lens = "Zoom"});
    const auto withByte = [&](std::size_t at, std::uint8_t value) {
        Bytes tiff = good;
        tiff[at] = value;
        return tiff;
    };
    const struct {
        const char* what;
        Bytes tiff;
    } cases[] = {
        {"empty", {}},
        {"byte order mark only", {'I', 'I'}},
        {"mixed byte order mark", withByte(1, 'M')},
        {"wrong magic number", withByte(2, 43)},
        {"IFD0 past the end", withByte(7, 0x7F)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto properties = readTiffBlock(c.tiff);
        ASSERT_TRUE(properties);
        EXPECT_EQ(subMap(*properties, "{TIFF}"), nullptr);
        EXPECT_EQ(subMap(*properties, "{Exif}"), nullptr);
    }
}

// Each case adds one broken entry next to good ones; only the broken one is lost.
TEST(ExifReader, BrokenEntryLeavesOnlyItsOwnValueOut)
{
    constexpr std::uint16_t lens = 0xA434;
    for (ByteOrder order : bothOrders) {
        const TiffBuilder b(order);
        const auto pointing = [&](std::uint16_t type, std::uint32_t count, std::uint32_t offset) {
            IfdEntry entry = b.raw(lens, type, count, {});
            entry.rawValue = offset;
            return entry;
        };
        const struct {
            const char* what;
            IfdEntry broken;
        } cases[] = {
            {"offset past the end", pointing(testing::Ascii, 16, 0x00FFFFF0)},
            {"offset plus size wraps 32 bits", pointing(testing::Ascii, 0x20, 0xFFFFFFF0)},
            {"huge count", pointing(testing::Short, 0xFFFFFFFF, 8)},
            {"count times size wraps 32 bits", pointing(testing::Rational, 0x20000000, 8)},
            {"count beyond the data", b.raw(lens, testing::Ascii, 4000, {'Z', 'o', 'o', 'm'})},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name(order)) + " " + c.what);
            const Ifd ifd0{{b.ascii(0x010F, "Acme")}};
            const Ifd exif{
                {b.rationals(0x829D, {{28, 10}}), c.broken, b.ascii(0x9003, "2021:07:04 18:30:05")}};
            const auto properties = readTiffBlock(b.block(ifd0, exif));
            EXPECT_EQ(property(properties, "{TIFF}", "Make"), "text:Acme");
            EXPECT_EQ(property(properties, "{Exif}", "FNumber"), "real:2.7999999999999998");
            EXPECT_EQ(property(properties, "{Exif}", "DateTimeOriginal"), "text:2021:07:04 18:30:05");
            EXPECT_EQ(property(properties, "{Exif}", "LensModel"), "absent");
        }
    }
}

TEST(ExifReader, DirectoryLoopsAndBadPointersEnd)
{
    const TiffBuilder b;
    const IfdEntry make = b.ascii(0x010F, "Acme");
    const IfdEntry lens = b.ascii(0xA434, "Zoom");
    const auto exifPointer = [&](std::uint16_t type, std::uint32_t offset) {
        IfdEntry entry = b.raw(0x8769, type, 1, {});
        entry.rawValue = offset;
        return entry;
    };
    const std::uint32_t exifAt = TiffBuilder::exifOffset(Ifd{{make}}, true);

    const struct {
        const char* what;
        Bytes tiff;
        std::string exifLens;
    } cases[] = {
        {"Exif pointer to IFD0", b.block({{make, exifPointer(testing::Long, TiffBuilder::ifd0Offset)}}),
         "absent"},
        {"Exif pointer past the end", b.block({{make, exifPointer(testing::Long, 0xFFFFFFF0)}}), "absent"},
        {"Exif pointer of the wrong type",
         b.block({{make, exifPointer(testing::Short, exifAt)}}, Ifd{{lens}}), "absent"},
        {"IFD0 pointing to itself as the next IFD", b.block(Ifd{{make}, TiffBuilder::ifd0Offset}), "absent"},
        {"Exif IFD pointing back to IFD0 and to itself",
         b.block({{make}}, Ifd{{lens, exifPointer(testing::Long, TiffBuilder::ifd0Offset)}, exifAt}),
         "text:Zoom"},
        {"entry count larger than the block", b.block(Ifd{{make}, 0, 0xFFFF}, Ifd{{lens}}), "text:Zoom"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto properties = readTiffBlock(c.tiff);
        EXPECT_EQ(property(properties, "{TIFF}", "Make"), "text:Acme");
        EXPECT_EQ(property(properties, "{Exif}", "LensModel"), c.exifLens);
    }
}

} // namespace
} // namespace optara::exif

#include "ExifReader.h"
#include "PhotoBuilder.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace optara::exif {
namespace {

using namespace optara::testing;
using Bytes = std::vector<std::uint8_t>;

// A readable rendering of a value, so that tables can state what they expect.
std::string describe(const Value* value)
{
    if (!value)
        return "absent";
    std::ostringstream out;
    out.precision(17);
    if (const auto* text = value->text())
        out << "text:" << *text;
    else if (const auto* integer = value->integer())
        out << "int:" << *integer;
    else if (const auto* real = value->real())
        out << "real:" << *real;
    else if (const auto* list = value->list()) {
        out << "list[";
        for (std::size_t i = 0; i < list->size(); ++i)
            out << (i ? "," : "") << describe(&(*list)[i]);
        out << "]";
    } else
        out << "map";
    return out.str();
}

std::string property(const std::optional<Map>& properties, std::string_view directory, std::string_view key)
{
    const Value* map = properties ? find(*properties, directory) : nullptr;
    return describe(map && map->map() ? find(*map->map(), key) : nullptr);
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
    const Bytes photo = photoJpeg({.make = "Acme"});
    const struct {
        const char* what;
        Bytes bytes;
        bool readable;
    } cases[] = {
        {"empty", {}, false},
        {"one byte", {0xFF}, false},
        {"not a jpeg", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, false},
        {"SOI alone", soi, false},
        {"SOI then EOI", concat({soi, {0xFF, 0xD9}}), false},
        {"scan without a frame header", concat({soi, segment(0xDA, {1, 1, 0, 0, 63, 0})}), false},
        {"frame header but no scan", concat({soi, segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0})}), false},
        {"second SOI", concat({soi, soi, tinyImage()}), false},
        {"restart marker before scan", concat({soi, {0xFF, 0xD0}, tinyImage()}), false},
        {"cut inside a segment", Bytes(photo.begin(), photo.begin() + 20), false},
        {"segment length below two", concat({soi, {0xFF, 0xE0, 0x00, 0x01}, tinyImage()}), false},
        {"segment length past the end", concat({soi, {0xFF, 0xE0, 0xFF, 0xFF, 0, 0}}), false},
        {"bytes where a marker belongs", concat({soi, {0x00, 0xE0, 0x00, 0x04, 0, 0}, tinyImage()}), false},
        {"no EXIF", jpeg({}), true},
        {"fill bytes before a marker",
         concat({soi, {0xFF, 0xFF, 0xFF}, exifSegment(photoTiff({})), tinyImage()}), true},
        {"photo", photo, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readProperties(c.bytes).has_value(), c.readable);
    }
    const auto plain = readProperties(jpeg({}));
    EXPECT_EQ(describe(find(*plain, "PixelWidth")), "int:8");
    EXPECT_EQ(find(*plain, "{TIFF}"), nullptr);
}

// ExposureTime takes whatever kind is stored; ISOSpeedRatings is always a list.
TEST(ExifReader, DecodesEveryValueKindInEitherByteOrder)
{
    constexpr std::uint16_t tag = 0x829A;
    constexpr std::uint16_t iso = 0x8827;
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const TiffBuilder b(order);
        const struct {
            const char* what;
            IfdEntry entry;
            std::string expected;
        } cases[] = {
            {"ascii", b.ascii(tag, "Acme"), "text:Acme"},
            {"ascii cut at the first NUL", b.raw(tag, Ascii, 8, {'A', 'c', 0, 'm', 'e', 0, 0, 0}), "text:Ac"},
            {"ascii without a NUL", b.raw(tag, Ascii, 4, {'A', 'c', 'm', 'e'}), "text:Acme"},
            {"utf-8", b.ascii(tag, "Zo\xC3\xB6m", Utf8), "text:Zo\xC3\xB6m"},
            {"byte", b.bytes(tag, {7}), "int:7"},
            {"bytes", b.bytes(tag, {1, 2, 3, 4, 5}), "list[int:1,int:2,int:3,int:4,int:5]"},
            {"signed byte", b.bytes(tag, {0xFE}, SignedByte), "int:-2"},
            {"short", b.shorts(tag, {500}), "int:500"},
            {"shorts inline", b.shorts(tag, {1, 65535}), "list[int:1,int:65535]"},
            {"shorts in the data area", b.shorts(tag, {1, 2, 3}), "list[int:1,int:2,int:3]"},
            {"signed short", b.shorts(tag, {0xFFFB}, SignedShort), "int:-5"},
            {"long", b.longs(tag, {4000000000u}), "int:4000000000"},
            {"longs", b.longs(tag, {1, 2}), "list[int:1,int:2]"},
            {"signed long", b.longs(tag, {0xFFFFFFFFu}, SignedLong), "int:-1"},
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
            {"undefined is bytes, not a text", b.bytes(tag, {'0', '2'}, Undefined), "list[int:48,int:50]"},
            {"one undefined byte is still a list", b.bytes(tag, {9}, Undefined), "list[int:9]"},
            {"unknown type", b.raw(tag, 99, 1, {1, 0, 0, 0}), "absent"},
            {"no elements", b.raw(tag, Short, 0, {}), "absent"},
            {"iso of one short", b.shorts(iso, {100}), "list[int:100]"},
            {"iso of one long", b.longs(iso, {6400}), "list[int:6400]"},
            {"iso of three", b.shorts(iso, {100, 200, 300}), "list[int:100,int:200,int:300]"},
            {"iso of none", b.raw(iso, Short, 0, {}), "list[]"},
            {"iso as a text", b.ascii(iso, "100"), "text:100"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(order == ByteOrder::Little ? "II " : "MM ") + c.what);
            const auto properties = readProperties(jpeg({exifSegment(b.block({}, Ifd{{c.entry}}))}));
            EXPECT_EQ(property(properties, "{Exif}", c.entry.tag == iso ? "ISOSpeedRatings" : "ExposureTime"),
                      c.expected);
        }
    }
}

// Make (IFD0), LensModel and ExposureTime (Exif IFD) of files whose EXIF is
// placed or built oddly; a broken entry leaves only its own value out.
TEST(ExifReader, BrokenStructureLosesOnlyWhatItBreaks)
{
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const TiffBuilder b(order);
        const IfdEntry make = b.ascii(0x010F, "Acme");
        const IfdEntry lens = b.ascii(0xA434, "Zoom");
        const IfdEntry exposure = b.rationals(0x829A, {{1, 4}});
        const auto pointing = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                  std::uint32_t at) {
            IfdEntry entry = b.raw(tag, type, count, {});
            entry.rawValue = at;
            return entry;
        };
        const auto withBroken = [&](IfdEntry broken) {
            return jpeg({exifSegment(b.block({{make}}, Ifd{{lens, std::move(broken)}}))});
        };
        const std::uint32_t exifAt = TiffBuilder::exifOffset(Ifd{{make}}, true);
        const Bytes good = b.block({{make}}, Ifd{{lens, exposure}});
        const auto header = [&](std::size_t at, std::uint8_t value) {
            Bytes tiff = good;
            tiff[at] = value;
            return jpeg({exifSegment(tiff)});
        };
        const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
        const struct {
            const char* what;
            Bytes file;
            std::string expected; // Make|LensModel|ExposureTime
        } cases[] = {
            {"whole", jpeg({exifSegment(good)}), "text:Acme|text:Zoom|real:0.25"},
            {"tags in the other directory are not looked for",
             jpeg({exifSegment(b.block({{lens}}, Ifd{{make}}))}), "absent|absent|absent"},
            {"first entry of a tag wins", jpeg({exifSegment(b.block({{make, b.ascii(0x010F, "Second")}}))}),
             "text:Acme|absent|absent"},
            {"after another APP1, a prefix without NULs and other segments",
             jpeg({segment(0xE0, {'J', 'F', 'I', 'F', 0}), segment(0xE1, xmp),
                   segment(0xE1, {'E', 'x', 'i', 'f', 'I', 'I', 42, 0}), exifSegment(good)}),
             "text:Acme|text:Zoom|real:0.25"},
            {"a second EXIF segment is ignored",
             jpeg({exifSegment(good), exifSegment(b.block({{b.ascii(0x010F, "Two")}}))}),
             "text:Acme|text:Zoom|real:0.25"},
            {"a broken first EXIF segment is not replaced",
             jpeg({exifSegment({'X', 'X'}), exifSegment(good)}), "absent|absent|absent"},
            {"after the scan, never read", concat({jpeg({}), exifSegment(good)}), "absent|absent|absent"},
            {"byte order mark only", jpeg({exifSegment({'I', 'I'})}), "absent|absent|absent"},
            {"mixed byte order mark", header(1, order == ByteOrder::Little ? 'M' : 'I'),
             "absent|absent|absent"},
            {"wrong magic number", header(order == ByteOrder::Little ? 2 : 3, 43), "absent|absent|absent"},
            {"IFD0 past the end", header(order == ByteOrder::Little ? 7 : 4, 0x7F), "absent|absent|absent"},
            {"value past the end", withBroken(pointing(0x829A, Rational, 1, 0x00FFFFF0)),
             "text:Acme|text:Zoom|absent"},
            {"offset plus size wraps 32 bits", withBroken(pointing(0x829A, Ascii, 0x20, 0xFFFFFFF0)),
             "text:Acme|text:Zoom|absent"},
            {"huge count", withBroken(pointing(0x829A, Short, 0xFFFFFFFF, 8)), "text:Acme|text:Zoom|absent"},
            {"count times size wraps 32 bits", withBroken(pointing(0x829A, Rational, 0x20000000, 8)),
             "text:Acme|text:Zoom|absent"},
            {"count beyond the data", withBroken(b.raw(0x829A, Ascii, 4000, {'Z', 'o', 'o', 'm'})),
             "text:Acme|text:Zoom|absent"},
            {"Exif pointer to IFD0", jpeg({exifSegment(b.block({{make, pointing(0x8769, Long, 1, 8)}}))}),
             "text:Acme|absent|absent"},
            {"Exif pointer past the end",
             jpeg({exifSegment(b.block({{make, pointing(0x8769, Long, 1, 0xFFFFFFF0)}}))}),
             "text:Acme|absent|absent"},
            {"Exif pointer of the wrong type",
             jpeg({exifSegment(b.block({{make, pointing(0x8769, Short, 1, exifAt)}}, Ifd{{lens}}))}),
             "text:Acme|absent|absent"},
            {"IFD0 pointing to itself as the next IFD", jpeg({exifSegment(b.block(Ifd{{make}, 8}))}),
             "text:Acme|absent|absent"},
            {"Exif IFD pointing back to IFD0 and to itself",
             jpeg({exifSegment(b.block({{make}}, Ifd{{lens, pointing(0x8769, Long, 1, 8)}, exifAt}))}),
             "text:Acme|text:Zoom|absent"},
            {"entry count larger than the block",
             jpeg({exifSegment(b.block(Ifd{{make}, 0, 0xFFFF}, Ifd{{lens}}))}), "text:Acme|text:Zoom|absent"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(order == ByteOrder::Little ? "II " : "MM ") + c.what);
            const auto properties = readProperties(c.file);
            ASSERT_TRUE(properties);
            EXPECT_EQ(property(properties, "{TIFF}", "Make") + "|" +
                          property(properties, "{Exif}", "LensModel") + "|" +
                          property(properties, "{Exif}", "ExposureTime"),
                      c.expected);
        }
    }
}

} // namespace
} // namespace optara::exif

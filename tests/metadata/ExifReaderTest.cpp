#include "ExifReader.h"
#include "PhotoBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sstream>

// Bytes allocated by this test binary, so that a read's memory can be measured.
static std::atomic<std::uint64_t> allocatedBytes{0};

void* operator new(std::size_t size)
{
    allocatedBytes += size;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* block) noexcept
{
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace optara::testing {
namespace {

using namespace std::string_view_literals;
const std::string noFields = "-|-|-|-|-|-|-|-";
using Tags = std::initializer_list<std::uint16_t>;

template <typename T> std::string show(const std::optional<T>& value)
{
    std::ostringstream out;
    out.precision(17);
    value ? out << *value : out << "-";
    return out.str();
}

// The fields in a line, or "none" when the bytes are no image.
std::string describe(const std::optional<exif::ExifFields>& f)
{
    return !f ? "none"
              : show(f->make) + "|" + show(f->model) + "|" + show(f->lensModel) + "|" + show(f->focalLength) +
                    "|" + show(f->fNumber) + "|" + show(f->exposureTime) + "|" + show(f->iso) + "|" +
                    show(f->dateTimeOriginal);
}

// A 1x1 grey PNG, with an eXIf chunk before its image data.
Bytes pngFile(const std::optional<Bytes>& exif)
{
    const auto chunk = [](std::string_view type, const Bytes& body) {
        const Bytes typed = concat({bytes(type), body});
        std::uint32_t crc = 0xFFFFFFFF;
        for (const std::uint8_t byte : typed)
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320 & (0 - ((crc ^ (byte >> bit)) & 1)));
        return concat({word(body.size(), 4, ByteOrder::Big), typed, word(~crc, 4, ByteOrder::Big)});
    };
    return concat({bytes("\x89PNG\r\n\x1A\n"), chunk("IHDR", bytes("\0\0\0\1\0\0\0\1\x08\0\0\0\0"sv)),
                   exif ? chunk("eXIf", *exif) : Bytes{},
                   chunk("IDAT", bytes("\x78\x01\x63\x60\0\0\0\x02\0\x01"sv)), chunk("IEND", {})});
}

// A lossless 1x1 WebP; with EXIF, the VP8X flag for it and an EXIF chunk.
Bytes webpFile(const std::optional<Bytes>& exif)
{
    const auto chunk = [](std::string_view type, const Bytes& body) {
        return concat({bytes(type), word(body.size(), 4, ByteOrder::Little), body, Bytes(body.size() % 2)});
    };
    return chunk("RIFF",
                 concat({bytes("WEBP"), chunk("VP8X", concat({{std::uint8_t(exif ? 8 : 0)}, Bytes(9)})),
                         chunk("VP8L", bytes("\x2F\0\0\0\0\x07\x50\xBF\xFA\xD5\xAF\xFF\x81\x88\xE8\x7F\0"sv)),
                         exif ? chunk("EXIF", *exif) : Bytes{}}));
}

std::uint64_t allocatedReading(const std::string& file, std::optional<exif::ExifFields>& fields)
{
    const std::uint64_t before = allocatedBytes;
    fields = exif::readFileFields(file);
    return allocatedBytes - before;
}

// Files in both byte orders, read from memory and from disk alike: a JPEG's
// segments before the scan as decoders walk them, other containers' EXIF, and
// EXIF built oddly, where a broken entry loses only its own value. No file,
// whatever sizes it claims, costs more memory than an ordinary photo.
TEST(ExifReader, ReadsWhatDecodersOpenAndLosesOnlyWhatIsBroken)
{
    const std::string file = ::testing::TempDir() + "optara-exif-case.jpg";
    std::optional<exif::ExifFields> fromFile;
    writeBytes(file, photoJpeg({.make = "Acme", .model = "Z7", .lens = "Zoom"}));
    const std::uint64_t photoCost = allocatedReading(file, fromFile);
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        SCOPED_TRACE(order == ByteOrder::Little ? "II" : "MM");
        const TiffBuilder b{order};
        const IfdEntry make = b.ascii(0x010F, "Acme"), lens = b.ascii(0xA434, "Zoom");
        const Bytes tiff = b.block({make}, Ifd{lens, b.numbers(0x829A, Rational, {1, 4})});
        const Bytes soi = bytes("\xFF\xD8"), app0 = segment(0xE0, bytes("JFIF\0"sv)),
                    exif = exifSegment(tiff);
        const Bytes photo = jpeg({exif}), large = segment(0xE2, Bytes(65533));
        Bytes steppedOver = concat({soi, bytes("\xFF\xFF\xFF"), app0, bytes("\x00\x12\xFF\x00\xFF\xD0"sv),
                                    large, large, large, segment(0xE1, bytes("http://ns\0"sv)),
                                    segment(0xE1, bytes("ExifII*\0"sv)), exifSegment(bytes("II+\0"sv))});
        for (int i = 0; i < 300; ++i)
            steppedOver = concat({steppedOver, segment(0xEC, {1, 2})});
        Ifd manyIfd0, manyExif; // thousands of entries claiming large arrays over the same bytes
        for (int i = 0; i < 700; ++i)
            for (const std::uint16_t tag : Tags{0x010F, 0x0110, 0x927C, 0x9286, 0xA434, 0x8827, 0x920A})
                (tag < 0x8000 ? manyIfd0 : manyExif)
                    .push_back({tag, i % 2 ? Undefined : Rational, i % 2 ? 60000u : 8000u, {}, 8});
        Bytes amplifier = b.block(manyIfd0, manyExif);
        amplifier.resize(65000);
        const auto inJpeg = [&](const Ifd& ifd0, const std::optional<Ifd>& exifIfd = std::nullopt) {
            return jpeg({exifSegment(b.block(ifd0, exifIfd))});
        };
        const auto patched = [&](std::size_t at, std::uint8_t value) {
            Bytes copy = tiff;
            copy[at] = value;
            return jpeg({exifSegment(copy)});
        };
        const bool ii = order == ByteOrder::Little;
        const std::uint32_t exifAt = TiffBuilder::exifOffset(2);
        const std::string fields = "Acme|-|Zoom|-|-|0.25|-|-", acme = "Acme|-|-|-|-|-|-|-";
        const std::string acmeZoom = "Acme|-|Zoom|-|-|-|-|-";
        // clang-format off
        const std::tuple<const char*, Bytes, std::string> cases[] = {
            {"empty", {}, "none"},
            {"text", bytes("hello\n"), "none"},
            {"SOI alone", soi, "none"},
            {"SOI then EOI", bytes("\xFF\xD8\xFF\xD9"), "none"},
            {"scan without a frame header", concat({soi, segment(0xDA, {1, 1, 0, 0, 63, 0})}), "none"},
            {"second SOI", concat({soi, soi, tinyImage()}), "none"},
            {"segment length below two", concat({soi, {0xFF, 0xE0, 0x00, 0x01}, tinyImage()}), "none"},
            {"segment past the end", concat({soi, {0xFF, 0xE0, 0xFF, 0xFF, 0, 0}}), "none"},
            {"cut inside the EXIF header", Bytes(photo.begin(), photo.begin() + 20), "none"},
            {"cut inside the first entry count", Bytes(photo.begin(), photo.begin() + 21), "none"},
            {"no EXIF", jpeg({app0}), noFields},
            {"cut after the frame", concat({soi, segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0})}), noFields},
            {"EXIF after the scan", concat({jpeg({}), exif}), noFields},
            {"EXIF", photo, fields},
            {"cut after the EXIF", concat({soi, exif}), fields},
            {"EXIF, then damage", concat({soi, exif, soi}), fields},
            {"EXIF, then another", jpeg({exif, exifSegment(b.block({b.ascii(0x010F, "Two")}))}), fields},
            {"fill, stray bytes, RST, large and other APP1 segments, a broken EXIF, then a good one",
             concat({steppedOver, exif, tinyImage()}), fields},
            {"TIFF", tiff, fields},
            {"TIFF with its first directory outside", Bytes(tiff.begin(), tiff.begin() + 9), "none"},
            {"PNG", pngFile(std::nullopt), noFields},
            {"PNG with eXIf", pngFile(tiff), fields},
            {"WebP", webpFile(std::nullopt), noFields},
            {"WebP with EXIF", webpFile(tiff), fields},
            {"WebP with a prefixed EXIF", webpFile(concat({bytes("Exif\0\0"sv), tiff})), fields},
            {"GIF", bytes("GIF89a\1\0\1\0\0\0\0\x3B"sv), noFields},
            {"BMP", concat({bytes("BM:\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"sv), Bytes(40)}), noFields},
            {"BM and text", bytes("BMexit\n"), "none"},
            {"HEIF", bytes("\0\0\0\030ftypheic\0\0\0\0mif1"sv), noFields},
            {"AVIF by compatible brand", bytes("\0\0\0\030ftypxxxx\0\0\0\0avif"sv), noFields},
            {"MP4", bytes("\0\0\0\030ftypisom\0\0\0\0mp41"sv), "none"},
            {"tags in the other directory are not looked for", inJpeg({lens}, Ifd{make}), noFields},
            {"first entry of a tag wins", inJpeg({make, b.ascii(0x010F, "Second")}), acme},
            {"an unusable first entry still wins", inJpeg({b.numbers(0x010F, Short, {1}), make}), noFields},
            {"mixed byte order mark", patched(1, ii ? 'M' : 'I'), noFields},
            {"wrong magic number", patched(ii ? 2 : 3, 43), noFields},
            {"IFD0 past the end", patched(ii ? 7 : 4, 0x7F), noFields},
            {"entry count larger than the block", patched(ii ? 9 : 8, 0xFF), fields},
            {"huge count; value past the end; offset plus size, count times size or count beyond the data",
             inJpeg({{0x0110, Ascii, 0xFFFFFFFF, {}, 8}, make},
                    Ifd{{0x829D, Rational, 1, {}, 0x00FFFFF0}, {0x829A, Rational, 1, {}, 0xFFFFFFF0},
                        {0x8827, Rational, 0x20000000, {}, 8}, {0x9003, Ascii, 4000, bytes("Zoom")}, lens}),
             acmeZoom},
            {"Exif pointer to IFD0", inJpeg({make, {0x8769, Long, 1, {}, 8}}), acme},
            {"Exif pointer past the end", inJpeg({make, {0x8769, Long, 1, {}, 0xFFFFFFF0}}), acme},
            {"Exif pointer as a Short", inJpeg({make, {0x8769, Short, 1, {}, exifAt}}, Ifd{lens}), acme},
            {"Exif IFD pointing to IFD0", inJpeg({make}, Ifd{lens, {0x8769, Long, 1, {}, 8}}), acmeZoom},
            // Texts and single numbers as arrays; ISO's rationals over the directory bytes are not whole.
            {"a 64 KiB amplifier", jpeg({exifSegment(amplifier)}), noFields},
        };
        // clang-format on
        for (const auto& [what, bytes, expected] : cases) {
            SCOPED_TRACE(what);
            writeBytes(file, bytes);
            EXPECT_LE(allocatedReading(file, fromFile), photoCost + 4096);
            EXPECT_EQ(describe(fromFile), expected);
            EXPECT_EQ(describe(exif::readFields(bytes)), expected);
        }
    }
}

// Each value, under the lens, exposure time and ISO tags at once: a field
// takes only values of its own kind.
TEST(ExifReader, FieldsTakeOnlyTheirOwnKindOfValueInEitherByteOrder)
{
    // clang-format off
    const std::tuple<std::uint16_t, std::vector<double>, std::string> cases[] = {
        {Ascii, {'5', '0', 0}, "50|-|-"},             {Ascii, {'Z', 'o', 0, 'm', 0}, "Zo|-|-"},
        {Utf8, {'Z', 0xC3, 0xB6, 0}, "Z\xC3\xB6|-|-"}, {Undefined, {9}, "-|-|9"},
        {Byte, {7}, "-|7|7"},                         {SignedByte, {-2}, "-|-2|-2"},
        {Short, {500}, "-|500|500"},                  {Short, {100, 200, 300}, "-|-|100"},
        {SignedShort, {-5}, "-|-5|-5"},               {Long, {4000000000}, "-|4000000000|4000000000"},
        {SignedLong, {-1}, "-|-1|-1"},                {Rational, {1, 4}, "-|0.25|-"},
        {Rational, {200, 1, 400, 2}, "-|-|200"},      {Rational, {200, 1, 1, 3}, "-|-|-"},
        {Rational, {1, 0}, "-|-|-"},                  {SignedRational, {-1, 4}, "-|-0.25|-"},
        {SignedRational, {-8, 2}, "-|-4|-4"},         {SignedRational, {-1, 0}, "-|-|-"},
        {Float, {2.5}, "-|2.5|-"},                    {Float, {std::nan("")}, "-|-|-"},
        {Double, {0.125}, "-|0.125|-"},               {Double, {1e19}, "-|1e+19|-"}, // beyond 64-bit ISO
        {99, {1}, "-|-|-"},                           {Short, {}, "-|-|-"},
    };
    // clang-format on
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        for (const auto& [type, values, expected] : cases) {
            SCOPED_TRACE(::testing::Message() << (order == ByteOrder::Little ? "II " : "MM ") << type);
            Ifd exif;
            for (const std::uint16_t tag : Tags{0xA434, 0x829A, 0x8827})
                exif.push_back(TiffBuilder{order}.numbers(tag, type, values));
            const auto f = exif::readFields(jpeg({exifSegment(TiffBuilder{order}.block({}, exif))}));
            ASSERT_TRUE(f);
            EXPECT_EQ(show(f->lensModel) + "|" + show(f->exposureTime) + "|" + show(f->iso), expected);
        }
    }
}

} // namespace
} // namespace optara::testing

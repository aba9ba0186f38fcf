#include "ExifReader.h"
#include "PhotoBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <sstream>

// Bytes allocated by this test binary, so that a read's memory can be measured.
namespace {
std::atomic<std::uint64_t> allocatedBytes{0};
}

void* operator new(std::size_t size)
{
    allocatedBytes += size;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace optara::exif {
namespace {

using namespace optara::testing;
using Bytes = std::vector<std::uint8_t>;

template <typename T> std::string show(const std::optional<T>& value)
{
    std::ostringstream out;
    out.precision(17);
    if (value)
        out << *value;
    else
        out << "-";
    return out.str();
}

// The fields in a line, or "none" when the bytes are no image.
std::string describe(const std::optional<ExifFields>& f)
{
    if (!f)
        return "none";
    return show(f->make) + "|" + show(f->model) + "|" + show(f->lensModel) + "|" + show(f->focalLength) +
           "|" + show(f->fNumber) + "|" + show(f->exposureTime) + "|" + show(f->iso) + "|" +
           show(f->dateTimeOriginal);
}

// Reads the bytes from memory and through a file; both must agree.
std::string readBoth(const Bytes& bytes)
{
    const std::string file = ::testing::TempDir() + "optara-exif-case.jpg";
    writeBytes(file, bytes);
    const std::string fromMemory = describe(readFields(bytes));
    EXPECT_EQ(describe(readFileFields(file)), fromMemory) << "file and memory differ";
    return fromMemory;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// What a JPEG holds at most before the scan is walked as decoders walk it;
// other image containers give their EXIF or a photo without fields.
TEST(ExifReader, FindsTheExifOfEveryImageDecodersOpen)
{
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        SCOPED_TRACE(order == ByteOrder::Little ? "II" : "MM");
        const Bytes soi = {0xFF, 0xD8};
        const Bytes tiff = photoTiff({.make = "Acme", .iso = std::vector<std::uint16_t>{200}}, order);
        const Bytes exif = exifSegment(tiff);
        const Bytes frame = segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
        const Bytes app0 = segment(0xE0, {'J', 'F', 'I', 'F', 0});
        const Bytes large = segment(0xE2, Bytes(65533, 'x'));
        Bytes smallSegments;
        for (int i = 0; i < 300; ++i)
            smallSegments = concat({smallSegments, segment(0xEC, {1, 2})});
        const Bytes photo = jpeg({exif});
        const std::string fields = "Acme|-|-|-|-|-|200|-";
        const std::string noFields = "-|-|-|-|-|-|-|-";
        Bytes bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
        bmp.resize(58);
        const struct {
            const char* what;
            Bytes bytes;
            std::string expected;
        } cases[] = {
            {"empty", {}, "none"},
            {"text", {'h', 'e', 'l', 'l', 'o', '\n'}, "none"},
            {"SOI alone", soi, "none"},
            {"SOI then EOI", concat({soi, {0xFF, 0xD9}}), "none"},
            {"scan without a frame header", concat({soi, segment(0xDA, {1, 1, 0, 0, 63, 0})}), "none"},
            {"second SOI", concat({soi, soi, tinyImage()}), "none"},
            {"segment length below two", concat({soi, {0xFF, 0xE0, 0x00, 0x01}, tinyImage()}), "none"},
            {"segment past the end", concat({soi, {0xFF, 0xE0, 0xFF, 0xFF, 0, 0}}), "none"},
            {"cut inside the EXIF header", Bytes(photo.begin(), photo.begin() + 20), "none"},
            {"cut inside the first entry count", Bytes(photo.begin(), photo.begin() + 21), "none"},
            {"no EXIF", jpeg({app0}), noFields},
            {"cut after the frame header", concat({soi, app0, frame}), noFields},
            {"restart marker before the scan", concat({soi, {0xFF, 0xD0}, tinyImage()}), noFields},
            {"EXIF", photo, fields},
            {"cut after the EXIF", concat({soi, exif}), fields},
            {"EXIF, then damage", concat({soi, exif, soi}), fields},
            {"fill bytes before a marker", concat({soi, {0xFF, 0xFF, 0xFF}, exif, tinyImage()}), fields},
            {"stray bytes between segments", concat({soi, app0, {0x00, 0x12}, exif, tinyImage()}), fields},
            {"stuffed zero before a marker", concat({soi, {0xFF, 0x00}, exif, tinyImage()}), fields},
            {"300 segments before the EXIF", concat({soi, smallSegments, exif, tinyImage()}), fields},
            {"EXIF beyond a large first read", concat({soi, large, large, large, exif, tinyImage()}), fields},
            {"broken EXIF header, then a good one",
             concat({soi, exifSegment({'I', 'I', 43, 0}), exif, tinyImage()}), fields},
            {"EXIF after the scan", concat({jpeg({}), exif}), noFields},
            {"TIFF", tiff, fields},
            {"TIFF with its first directory outside", Bytes(tiff.begin(), tiff.begin() + 9), "none"},
            {"PNG", pngFile(std::nullopt), noFields},
            {"PNG with eXIf", pngFile(tiff), fields},
            {"WebP", webpFile(std::nullopt), noFields},
            {"WebP with EXIF", webpFile(tiff), fields},
            {"WebP with a prefixed EXIF", webpFile(concat({{'E', 'x', 'i', 'f', 0, 0}, tiff})), fields},
            {"GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, noFields},
            {"BMP", bmp, noFields},
            {"BM and text", {'B', 'M', 'e', 'x', 'i', 't', '\n'}, "none"},
            {"HEIF",
             {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1'},
             noFields},
            {"AVIF by compatible brand",
             {0, 0, 0, 24, 'f', 't', 'y', 'p', 'x', 'x', 'x', 'x', 0, 0, 0, 0, 'a', 'v', 'i', 'f'},
             noFields},
            {"MP4",
             {0, 0, 0, 20, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0, 'm', 'p', '4', '1'},
             "none"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(readBoth(c.bytes), c.expected);
        }
    }
}

// Each field takes only values of its own kind.
TEST(ExifReader, FieldsTakeOnlyTheirOwnKindOfValueInEitherByteOrder)
{
    constexpr std::uint16_t exposure = 0x829A;
    constexpr std::uint16_t iso = 0x8827;
    constexpr std::uint16_t lens = 0xA434;
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const TiffBuilder b(order);
        const struct {
            const char* what;
            IfdEntry entry;
            std::string expected; // LensModel|ExposureTime|ISO
        } cases[] = {
            {"ascii", b.ascii(lens, "Zoom"), "Zoom|-|-"},
            {"ascii cut at the first NUL", b.raw(lens, Ascii, 8, {'Z', 'o', 0, 'm', 0, 0, 0, 0}), "Zo|-|-"},
            {"utf-8", b.ascii(lens, "Zo\xC3\xB6m", Utf8), "Zo\xC3\xB6m|-|-"},
            {"text as undefined bytes", b.numbers(lens, Undefined, {'Z', '7', 0}), "-|-|-"},
            {"text as a long", b.numbers(lens, Long, {7}), "-|-|-"},
            {"byte", b.numbers(exposure, Byte, {7}), "-|7|-"},
            {"undefined byte", b.numbers(exposure, Undefined, {9}), "-|-|-"},
            {"signed byte", b.numbers(exposure, SignedByte, {0xFE}), "-|-2|-"},
            {"short", b.numbers(exposure, Short, {500}), "-|500|-"},
            {"signed short", b.numbers(exposure, SignedShort, {0xFFFB}), "-|-5|-"},
            {"long", b.numbers(exposure, Long, {4000000000u}), "-|4000000000|-"},
            {"signed long", b.numbers(exposure, SignedLong, {0xFFFFFFFFu}), "-|-1|-"},
            {"rational", b.numbers(exposure, Rational, {1, 4}), "-|0.25|-"},
            {"rationals", b.numbers(exposure, Rational, {1, 2, 3, 1}), "-|-|-"},
            {"rational over zero", b.numbers(exposure, Rational, {1, 0}), "-|-|-"},
            {"signed rational", b.numbers(exposure, SignedRational, {-1, 4}), "-|-0.25|-"},
            {"signed rational over zero", b.numbers(exposure, SignedRational, {-1, 0}), "-|-|-"},
            {"float", b.numbers(exposure, Float, {bitsOf(2.5f)}), "-|2.5|-"},
            {"float not a number",
             b.numbers(exposure, Float, {bitsOf(std::numeric_limits<float>::quiet_NaN())}), "-|-|-"},
            {"double", b.numbers(exposure, Double, {bitsOf(0.1)}), "-|0.10000000000000001|-"},
            {"number as a text", b.ascii(exposure, "50"), "-|-|-"},
            {"unknown type", b.raw(exposure, 99, 1, {1, 0, 0, 0}), "-|-|-"},
            {"no elements", b.raw(exposure, Short, 0, {}), "-|-|-"},
            {"iso of one short", b.numbers(iso, Short, {100}), "-|-|100"},
            {"iso of three shorts", b.numbers(iso, Short, {100, 200, 300}), "-|-|100"},
            {"iso of undefined bytes", b.numbers(iso, Undefined, {64, 1}), "-|-|64"},
            {"iso of whole rationals", b.numbers(iso, Rational, {200, 1, 400, 2}), "-|-|200"},
            {"iso with a fraction later in the list", b.numbers(iso, Rational, {200, 1, 1, 3}), "-|-|-"},
            {"iso of a huge double", b.numbers(iso, Double, {bitsOf(1e300)}), "-|-|-"},
            {"iso of none", b.raw(iso, Short, 0, {}), "-|-|-"},
            {"iso as a text", b.ascii(iso, "100"), "-|-|-"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(order == ByteOrder::Little ? "II " : "MM ") + c.what);
            const auto f = readFields(jpeg({exifSegment(b.block({}, Ifd{{c.entry}}))}));
            ASSERT_TRUE(f);
            EXPECT_EQ(show(f->lensModel) + "|" + show(f->exposureTime) + "|" + show(f->iso), c.expected);
        }
    }
}

// Make (IFD0), LensModel and ExposureTime (Exif IFD) of files whose EXIF is
// built oddly; a broken entry leaves only its own value out.
TEST(ExifReader, BrokenStructureLosesOnlyWhatItBreaks)
{
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const TiffBuilder b(order);
        const IfdEntry make = b.ascii(0x010F, "Acme");
        const IfdEntry lens = b.ascii(0xA434, "Zoom");
        const IfdEntry exposure = b.numbers(0x829A, Rational, {1, 4});
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
            {"whole", jpeg({exifSegment(good)}), "Acme|Zoom|0.25"},
            {"tags in the other directory are not looked for",
             jpeg({exifSegment(b.block({{lens}}, Ifd{{make}}))}), "-|-|-"},
            {"first entry of a tag wins", jpeg({exifSegment(b.block({{make, b.ascii(0x010F, "Second")}}))}),
             "Acme|-|-"},
            {"first entry of a tag wins even when unusable",
             jpeg({exifSegment(b.block({{b.numbers(0x010F, Short, {1}), make}}))}), "-|-|-"},
            {"after another APP1, a prefix without NULs and other segments",
             jpeg({segment(0xE0, {'J', 'F', 'I', 'F', 0}), segment(0xE1, xmp),
                   segment(0xE1, {'E', 'x', 'i', 'f', 'I', 'I', 42, 0}), exifSegment(good)}),
             "Acme|Zoom|0.25"},
            {"a second EXIF segment is ignored",
             jpeg({exifSegment(good), exifSegment(b.block({{b.ascii(0x010F, "Two")}}))}), "Acme|Zoom|0.25"},
            {"mixed byte order mark", header(1, order == ByteOrder::Little ? 'M' : 'I'), "-|-|-"},
            {"wrong magic number", header(order == ByteOrder::Little ? 2 : 3, 43), "-|-|-"},
            {"IFD0 past the end", header(order == ByteOrder::Little ? 7 : 4, 0x7F), "-|-|-"},
            {"value past the end", withBroken(pointing(0x829A, Rational, 1, 0x00FFFFF0)), "Acme|Zoom|-"},
            {"offset plus size wraps 32 bits", withBroken(pointing(0x829A, Ascii, 0x20, 0xFFFFFFF0)),
             "Acme|Zoom|-"},
            {"huge count", withBroken(pointing(0x829A, Short, 0xFFFFFFFF, 8)), "Acme|Zoom|-"},
            {"count times size wraps 32 bits", withBroken(pointing(0x829A, Rational, 0x20000000, 8)),
             "Acme|Zoom|-"},
            {"count beyond the data", withBroken(b.raw(0x829A, Ascii, 4000, {'Z', 'o', 'o', 'm'})),
             "Acme|Zoom|-"},
            {"Exif pointer to IFD0", jpeg({exifSegment(b.block({{make, pointing(0x8769, Long, 1, 8)}}))}),
             "Acme|-|-"},
            {"Exif pointer past the end",
             jpeg({exifSegment(b.block({{make, pointing(0x8769, Long, 1, 0xFFFFFFF0)}}))}), "Acme|-|-"},
            {"Exif pointer of the wrong type",
             jpeg({exifSegment(b.block({{make, pointing(0x8769, Short, 1, exifAt)}}, Ifd{{lens}}))}),
             "Acme|-|-"},
            {"IFD0 pointing to itself as the next IFD", jpeg({exifSegment(b.block(Ifd{{make}, 8}))}),
             "Acme|-|-"},
            {"Exif IFD pointing back to IFD0 and to itself",
             jpeg({exifSegment(b.block({{make}}, Ifd{{lens, pointing(0x8769, Long, 1, 8)}, exifAt}))}),
             "Acme|Zoom|-"},
            {"entry count larger than the block",
             jpeg({exifSegment(b.block(Ifd{{make}, 0, 0xFFFF}, Ifd{{lens}}))}), "Acme|Zoom|-"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(order == ByteOrder::Little ? "II " : "MM ") + c.what);
            const auto f = readFields(c.file);
            ASSERT_TRUE(f);
            EXPECT_EQ(show(f->make) + "|" + show(f->lensModel) + "|" + show(f->exposureTime), c.expected);
        }
    }
}

std::uint64_t bytesAllocatedReading(const Bytes& file)
{
    const std::string path = ::testing::TempDir() + "optara-exif-cost.jpg";
    writeBytes(path, file);
    const std::uint64_t before = allocatedBytes;
    const auto fields = readFileFields(path);
    const std::uint64_t spent = allocatedBytes - before;
    EXPECT_TRUE(fields);
    return spent;
}

// Sizes a file claims but does not hold cost no more memory than an ordinary
// photo.
TEST(ExifReader, ClaimedSizesCostNothing)
{
    const Bytes amplifier = amplifyingJpeg();
    ASSERT_GT(amplifier.size(), 60000u);
    const Bytes photo = photoJpeg({.make = "Acme", .model = "Z7", .lens = "Zoom"});
    EXPECT_LE(bytesAllocatedReading(amplifier), bytesAllocatedReading(photo) + 4096);
}

} // namespace
} // namespace optara::exif

// fuzz_seed_writer DIR: writes the seed corpus of the fuzz targets, small JPEGs
// and other containers made by the photo builder in both byte orders, with
// every value kind and the usual ways of being broken.

#include "PhotoBuilder.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>
#include <string>

namespace {

using namespace optara::testing;
using Bytes = std::vector<std::uint8_t>;

IfdEntry pointing(const TiffBuilder& b, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                  std::uint32_t offset)
{
    IfdEntry entry = b.raw(tag, type, count, {});
    entry.rawValue = offset;
    return entry;
}

// One entry of every type, spread over the tags the reader uses.
Bytes everyKind(const TiffBuilder& b)
{
    const Ifd ifd0{{b.ascii(0x010F, "Acme"), b.ascii(0x0110, "Z\xC3\xB6", Utf8),
                    b.numbers(0x0112, Short, {1}), b.numbers(0x011A, Rational, {72, 1}),
                    b.ascii(0x0132, "2021:07:04 18:30:05")}};
    const Ifd exif{{b.numbers(0x829A, Rational, {1, 250}), b.numbers(0x829D, SignedRational, {-28, 10}),
                    b.numbers(0x8827, Short, {100, 200}), b.numbers(0x9000, Undefined, {'0', '2', '3', '2'}),
                    b.ascii(0x9003, "2021:07:04 18:30:05"), b.numbers(0x9101, Byte, {1, 2, 3, 0}),
                    b.numbers(0x9102, SignedByte, {0xFE}), b.numbers(0x9207, SignedShort, {0xFFFE}),
                    b.numbers(0x9208, Long, {7}), b.numbers(0x9209, SignedLong, {0xFFFFFFFF}),
                    b.numbers(0x920A, Float, {bitsOf(35.5f)}), b.numbers(0xA404, Double, {bitsOf(1.5)}),
                    b.numbers(0xA405, Long, {1, 2, 3}), b.ascii(0xA434, "Zoom 24-70")}};
    return jpeg({exifSegment(b.block(ifd0, exif))});
}

std::vector<std::pair<std::string, Bytes>> seedsIn(ByteOrder order)
{
    const TiffBuilder b(order);
    const PhotoFields full{.make = "Acme",
                           .model = "Acme Z7",
                           .lens = "Zoom 24-70",
                           .focalLength = Fraction{50, 1},
                           .fNumber = Fraction{28, 10},
                           .exposureTime = Fraction{1, 250},
                           .iso = std::vector<std::uint16_t>{200, 400},
                           .dateTimeOriginal = "2021:07:04 18:30:05"};
    const Ifd make{{b.ascii(0x010F, "Acme")}};
    const std::uint32_t exifAt = TiffBuilder::exifOffset(make, true);
    Ifd manyEntries = make;
    manyEntries.claimedCount = 0xFFFF;
    return {
        {"full", photoJpeg(full, order)},
        {"tiff-only", photoJpeg({.make = "Acme", .model = "Z7"}, order)},
        {"empty-ifd0", jpeg({exifSegment(b.block({}))})},
        {"every-kind", everyKind(b)},
        {"zero-denominators",
         jpeg({exifSegment(b.block(
             {}, Ifd{{b.numbers(0x829A, Rational, {1, 0}), b.numbers(0x829D, SignedRational, {0, 0})}}))})},
        {"not-finite",
         jpeg({exifSegment(b.block(
             {}, Ifd{{b.numbers(0x920A, Float, {bitsOf(std::numeric_limits<float>::infinity())}),
                      b.numbers(0xA404, Double, {bitsOf(std::numeric_limits<double>::quiet_NaN())})}}))})},
        {"huge-counts",
         jpeg({exifSegment(b.block(make, Ifd{{pointing(b, 0x8827, Short, 0xFFFFFFFF, 8),
                                              pointing(b, 0xA434, Ascii, 0x20, 0xFFFFFFF0)}}))})},
        {"exif-points-to-ifd0",
         jpeg({exifSegment(b.block({{b.ascii(0x010F, "Acme"), pointing(b, 0x8769, Long, 1, 8)}}))})},
        {"exif-points-to-itself",
         jpeg({exifSegment(b.block(make, Ifd{{pointing(b, 0x8769, Long, 1, exifAt)}, exifAt}))})},
        {"claimed-entries", jpeg({exifSegment(b.block(manyEntries, Ifd{{b.ascii(0xA434, "Zoom")}}))})},
    };
}

std::vector<std::pair<std::string, Bytes>> containerSeeds()
{
    const Bytes tiff = photoTiff({.make = "Acme", .lens = "Zoom"});
    const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
    Bytes filled = {0xFF, 0xD8, 0xFF, 0xFF};
    const Bytes rest = jpeg({exifSegment(tiff)});
    filled.insert(filled.end(), rest.begin() + 2, rest.end());
    const Bytes soi = {0xFF, 0xD8};
    const Bytes large = segment(0xE2, Bytes(65533, 'x'));
    const auto joined = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& part : parts)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    return {
        {"no-exif", jpeg({})},
        {"stray-bytes", joined({soi, {0x00, 0x12, 0xFF, 0x00}, exifSegment(tiff), tinyImage()})},
        {"exif-past-the-window", joined({soi, large, large, exifSegment(tiff), tinyImage()})},
        {"amplifying", amplifyingJpeg()},
        {"broken-first-exif", jpeg({exifSegment({'I', 'I', 43, 0}), exifSegment(tiff)})},
        {"cut-after-exif", joined({soi, exifSegment(tiff)})},
        {"tiff", tiff},
        {"png", pngFile(tiff)},
        {"webp", webpFile(tiff)},
        {"jfif-xmp-exif",
         jpeg({segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 2}), segment(0xE1, xmp), exifSegment(tiff)})},
        {"two-exif", jpeg({exifSegment(tiff), exifSegment(photoTiff({.make = "Other"}))})},
        {"fill-bytes", filled},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_writer DIR\n");
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);
        auto seeds = containerSeeds();
        for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
            for (auto& [name, bytes] : seedsIn(order))
                seeds.emplace_back((order == ByteOrder::Little ? "ii-" : "mm-") + name, std::move(bytes));
        }
        for (const auto& [name, bytes] : seeds)
            writeBytes(dir / (name + ".jpg"), bytes);
        std::printf("%zu seeds in %s\n", seeds.size(), dir.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz_seed_writer: %s\n", error.what());
        return 1;
    }
}

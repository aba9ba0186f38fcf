// make-tree DIR --photos N: a tree of N photos with real EXIF headers, laid
// out like a photo library (year/month/day folders), with hidden entries and
// side files the walk has to pass over.

#include "PhotoBuilder.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using optara::testing::Fraction;
using optara::testing::PhotoFields;

namespace {

constexpr int photosPerFolder = 250;

struct Gear {
    const char* make;
    const char* model;
};

constexpr Gear cameras[] = {
    {"Canon", "Canon EOS R5"},
    {"Canon", "Canon EOS 5D Mark IV"},
    {"NIKON CORPORATION", "NIKON Z 6_2"},
    {"NIKON CORPORATION", "NIKON D850"},
    {"SONY", "ILCE-7M4"},
    {"FUJIFILM", "X-T4"},
    {"OLYMPUS CORPORATION", "E-M1MarkIII"},
    {"Apple", "iPhone 13 Pro"},
};
constexpr const char* lenses[] = {
    "RF24-70mm F2.8 L IS USM",
    "EF70-200mm f/2.8L IS III USM",
    "NIKKOR Z 24-70mm f/4 S",
    "AF-S NIKKOR 50mm f/1.8G",
    "FE 85mm F1.8",
    "XF35mmF1.4 R",
    "M.12-40mm F2.8",
    "iPhone 13 Pro back camera",
};
constexpr Fraction focals[] = {{24, 1}, {35, 1}, {50, 1}, {85, 1}, {135, 1}, {200, 1}, {57, 10}, {700, 10}};
constexpr Fraction apertures[] = {{14, 10}, {18, 10}, {28, 10}, {4, 1}, {56, 10}, {8, 1}, {11, 1}, {15, 10}};

std::uint32_t mix(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A photo of tens of KiB: the builder's headers plus a comment segment of
// filler after the EXIF segment, where real files carry thumbnails and
// maker notes.
std::vector<std::uint8_t> photo(std::uint32_t index)
{
    const std::uint32_t h = mix(index);
    PhotoFields fields;
    const Gear& camera = cameras[h % std::size(cameras)];
    fields.make = camera.make;
    fields.model = camera.model;
    if ((h >> 4) % 10 != 0)
        fields.lens = lenses[(h >> 8) % std::size(lenses)];
    fields.focalLength = focals[(h >> 12) % std::size(focals)];
    fields.fNumber = apertures[(h >> 16) % std::size(apertures)];
    fields.exposureTime = Fraction{1, 30u << ((h >> 20) % 6)};
    fields.iso = std::vector<std::uint16_t>{static_cast<std::uint16_t>(100u << ((h >> 24) % 6))};
    fields.dateTimeOriginal =
        "2023:0" + std::to_string(1 + (h >> 27) % 9) + ":1" + std::to_string(h % 10) + " 12:34:56";
    std::vector<std::uint8_t> bytes = optara::testing::photoJpeg(
        fields, (h >> 3) & 1 ? optara::testing::ByteOrder::Big : optara::testing::ByteOrder::Little);

    std::size_t at = 2; // after SOI
    if (bytes.size() > 6 && bytes[2] == 0xFF && bytes[3] == 0xE1)
        at = 4 + (std::size_t(bytes[4]) << 8 | bytes[5]);
    const std::size_t filler = 12 * 1024 + (h >> 5) % (28 * 1024); // 12 to 40 KiB
    std::vector<std::uint8_t> comment;
    comment.reserve(filler + 4);
    const std::size_t length = filler + 2;
    comment.insert(comment.end(), {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length & 0xFF)});
    for (std::size_t i = 0; i < filler; ++i)
        comment.push_back(static_cast<std::uint8_t>('a' + (i + h) % 26));
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())), comment.begin(),
                 comment.end());
    return bytes;
}

bool writeText(const fs::path& file, const char* text)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    const bool ok = std::fputs(text, out) >= 0;
    return std::fclose(out) == 0 && ok;
}

int usage()
{
    std::fprintf(stderr, "usage: optara-bench make-tree DIR --photos N\n");
    return 2;
}

} // namespace

int runMakeTree(int argc, char** argv)
{
    if (argc != 4 || std::strcmp(argv[2], "--photos") != 0)
        return usage();
    long long count = 0;
    const char* end = argv[3] + std::strlen(argv[3]);
    if (std::from_chars(argv[3], end, count).ptr != end || count < 0 || count > 100'000'000)
        return usage();
    const fs::path root = argv[1];

    long long written = 0;
    long long hidden = 0;
    long long others = 0;
    try {
        for (long long folder = 0; written < count; ++folder) {
            // year/month/day, 28 days a month, 12 months a year
            const fs::path dir = root / std::to_string(2000 + folder / (12 * 28)) /
                                 std::to_string(1 + folder / 28 % 12) /
                                 ("day-" + std::to_string(1 + folder % 28));
            fs::create_directories(dir);
            writeText(dir / ".index", "hidden side file\n");
            ++hidden;
            if (folder % 10 == 0) {
                // Hidden folders the walk must not enter, holding JPEGs.
                fs::create_directories(dir / ".thumbnails");
                for (int t = 0; t < 2; ++t)
                    optara::testing::writeBytes(dir / ".thumbnails" / ("t" + std::to_string(t) + ".jpg"),
                                                photo(static_cast<std::uint32_t>(folder * 7 + t)));
                hidden += 2;
            }
            for (int i = 0; i < photosPerFolder && written < count; ++i, ++written) {
                const auto index = static_cast<std::uint32_t>(written);
                const char* extension = index % 13 == 0 ? ".jpeg" : index % 3 == 0 ? ".jpg" : ".JPG";
                const std::string stem = "IMG_" + std::to_string(100000 + written);
                optara::testing::writeBytes(dir / (stem + extension), photo(index));
                if (index % 50 == 0) {
                    writeText(dir / (stem + ".xmp"), "<x:xmpmeta/>\n");
                    ++others;
                }
                if (index % 200 == 0) {
                    writeText(dir / ("." + stem + extension), "hidden, not a photo\n");
                    ++hidden;
                }
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-tree: %s\n", error.what());
        return 1;
    }
    std::printf("photos=%lld hidden=%lld other_files=%lld dir=%s\n", written, hidden, others, root.c_str());
    return 0;
}

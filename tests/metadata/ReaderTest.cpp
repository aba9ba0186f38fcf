#include "ExifReader.h"
#include "FileWindow.h"
#include "JpegReader.h"
#include "LocalTime.h"
#include "MetadataReader.h"
#include "PhotoBuilder.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

// Bytes allocated by this test binary, so that a read's memory can be measured.
static std::atomic<std::uint64_t> allocatedBytes{0};

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

// Under AddressSanitizer a sized delete would otherwise go to its own, which
// sees our malloc'd blocks as a mismatch.
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace optara::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::literals;
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

// PNG and WebP files of chunks: PNG's length big-endian before the type, then a CRC (unchecked here); WebP's
// little-endian after it, the body padded to even.
Bytes pngFile(const std::optional<Bytes>& exif)
{
    const auto chunk = [](std::string_view type, const Bytes& body) {
        return concat({word(body.size(), 4, ByteOrder::Big), bytes(type), body, Bytes(4)});
    };
    return concat({bytes("\x89PNG\r\n\x1A\n"), exif ? chunk("eXIf", *exif) : Bytes{}, chunk("IEND", {})});
}

Bytes webpFile(const std::optional<Bytes>& exif)
{
    const auto chunk = [](std::string_view type, const Bytes& body) {
        return concat({bytes(type), word(body.size(), 4, ByteOrder::Little), body, Bytes(body.size() % 2)});
    };
    return chunk("RIFF", concat({bytes("WEBP"), exif ? chunk("EXIF", *exif) : Bytes{}}));
}

struct ScratchDir {
    std::string path = ::testing::TempDir() + "optara-reader-XXXXXX";
    ScratchDir() { EXPECT_TRUE(::mkdtemp(path.data())); }
    ~ScratchDir() { fs::remove_all(path); }
};

// Both byte orders, from memory and from disk alike: JPEG segments walked as decoders walk them, other
// containers, and broken EXIF that loses only what it breaks, at no more memory than an ordinary photo.
TEST(ExifReader, ReadsWhatDecodersOpenAndLosesOnlyWhatIsBroken)
{
    const ScratchDir dir;
    const std::string file = dir.path + "/case.jpg";
    writeBytes(file, photoJpeg({.make = "Acme", .model = "Z7", .lens = "Zoom"}));
    std::uint64_t before = allocatedBytes;
    exif::readFileFields(file);
    const std::uint64_t photoCost = allocatedBytes - before;
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        SCOPED_TRACE(order == ByteOrder::Little ? "II" : "MM");
        const TiffBuilder b{order};
        const IfdEntry make = b.ascii(0x010F, "Acme"), lens = b.ascii(0xA434, "Zoom");
        const Bytes tiff = b.block({make}, Ifd{lens, b.numbers(0x829A, Rational, {1, 4})});
        const Bytes soi = bytes("\xFF\xD8"), exif = exifSegment(tiff), photo = jpeg({exif});
        const Bytes app0 = segment(0xE0, bytes("JFIF\0"sv)), large = segment(0xE2, Bytes(65533));
        // The marker walk's quirks last: one read as a segment would run its length past the end.
        Bytes steppedOver = concat({soi, large, large, large, segment(0xE1, bytes("http://ns\0"sv)),
                                    segment(0xE1, bytes("ExifII*\0"sv)), exifSegment(bytes("II+\0"sv))});
        for (int i = 0; i < 300; ++i)
            steppedOver = concat({steppedOver, segment(0xEC, {1, 2})});
        steppedOver =
            concat({steppedOver, bytes("\xFF\xFF\xFF"), app0, bytes("\x00\x12\xFF\x00\xFF\xD0\xFF\x01"sv)});
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
        const auto full = "Acme|-|Zoom|-|-|0.25|-|-"s, texts = "Acme|-|Zoom|-|-|-|-|-"s,
                   acme = "Acme|-|-|-|-|-|-|-"s;
        // clang-format off
        const std::tuple<const char*, Bytes, std::string> cases[] = {
            {"empty", {}, "none"}, {"SOI then EOI", bytes("\xFF\xD8\xFF\xD9"), "none"},
            {"scan without a frame header", concat({soi, segment(0xDA, {1, 1, 0, 0, 63, 0})}), "none"},
            {"second SOI", concat({soi, soi, tinyImage()}), "none"},
            {"segment length below two", concat({soi, {0xFF, 0xE0, 0x00, 0x01}, tinyImage()}), "none"},
            {"segment past the end", concat({soi, {0xFF, 0xE0, 0xFF, 0xFF, 0, 0}}), "none"},
            {"cut inside the first entry count", Bytes(photo.begin(), photo.begin() + 21), "none"},
            {"frame header too short", concat({soi, segment(0xC0, {8, 0}), tinyImage()}), "none"},
            {"cut after the frame", concat({soi, segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0})}), noFields},
            {"no EXIF", jpeg({app0}), noFields}, {"EXIF after the scan", concat({jpeg({}), exif}), noFields},
            {"EXIF", photo, full}, {"cut after the EXIF", concat({soi, exif}), full},
            {"EXIF, then damage", concat({soi, exif, soi}), full},
            {"EXIF, then another", jpeg({exif, exifSegment(b.block({b.ascii(0x010F, "Two")}))}), full},
            {"large and other APP1 segments, a broken EXIF, fill, stray bytes, RST, TEM, then a good EXIF",
             concat({steppedOver, exif, tinyImage()}), full},
            // Other containers, known by their bytes whatever the name.
            {"TIFF", tiff, full},
            {"TIFF with its first directory outside", Bytes(tiff.begin(), tiff.begin() + 9), "none"},
            {"PNG", pngFile(std::nullopt), noFields}, {"PNG with eXIf", pngFile(tiff), full},
            {"WebP", webpFile(std::nullopt), noFields}, {"WebP with EXIF", webpFile(tiff), full},
            {"WebP with a prefixed EXIF", webpFile(concat({bytes("Exif\0\0"sv), tiff})), full},
            {"GIF", bytes("GIF89a\1\0\1\0\0\0\0\x3B"sv), noFields},
            {"BMP", concat({bytes("BM:\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"sv), Bytes(40)}), noFields},
            {"BM and text", bytes("BMexit\n"), "none"},
            {"HEIF", bytes("\0\0\0\030ftypheic\0\0\0\0mif1"sv), noFields},
            {"AVIF by compatible brand", bytes("\0\0\0\030ftypxxxx\0\0\0\0avif"sv), noFields},
            {"MP4 whose minor version looks like a brand", bytes("\0\0\0\030ftypisomheicmp41"sv), "none"},
            // The TIFF directories, in any container.
            {"tags in the other directory are not looked for", inJpeg({lens}, Ifd{make}), noFields},
            {"first entry of a tag wins", inJpeg({make, b.ascii(0x010F, "Second")}), acme},
            {"an unusable first entry still wins", inJpeg({b.numbers(0x010F, Short, {1}), make}), noFields},
            {"mixed byte order mark", patched(1, ii ? 'M' : 'I'), noFields},
            {"wrong magic number", patched(ii ? 2 : 3, 43), noFields},
            {"IFD0 past the end", patched(ii ? 7 : 4, 0x7F), noFields},
            {"entry count larger than the block", patched(ii ? 9 : 8, 0xFF), full},
            {"huge count; value past the end; offset plus size, count times size or count beyond the data",
             inJpeg({{0x0110, Ascii, 0xFFFFFFFF, {}, 8}, make},
                    Ifd{{0x829D, Rational, 1, {}, 0x00FFFFF0}, {0x829A, Rational, 1, {}, 0xFFFFFFF0},
                        {0x8827, Rational, 0x20000000, {}, 8}, {0x9003, Ascii, 4000, bytes("Zoom")}, lens}),
             texts},
            {"Exif pointer to IFD0", inJpeg({make, {0x8769, Long, 1, {}, 8}}), acme},
            {"first of two Exif pointers wins",
             inJpeg({make, {0x8769, Long, 1, {}, b.exifOffset(3)}, {0x8769, Long, 1, {}, 8}}, Ifd{lens}),
             texts},
            {"Exif pointer past the end", inJpeg({make, {0x8769, Long, 1, {}, 0xFFFFFFF0}}), acme},
            {"Short Exif pointer", inJpeg({make, {0x8769, Short, 1, {}, b.exifOffset(2)}}, Ifd{lens}), acme},
            {"Exif IFD pointing to IFD0", inJpeg({make}, Ifd{lens, {0x8769, Long, 1, {}, 8}}), texts},
            // Texts and single numbers as arrays; ISO's rationals over the directory bytes are not whole.
            {"a 64 KiB amplifier", jpeg({exifSegment(amplifier)}), noFields},
        };
        // clang-format on
        for (const auto& [what, bytes, expected] : cases) {
            SCOPED_TRACE(what);
            writeBytes(file, bytes);
            before = allocatedBytes;
            const auto fromFile = exif::readFileFields(file);
            EXPECT_LE(allocatedBytes - before, photoCost + 4096);
            EXPECT_EQ(describe(fromFile), expected);
            EXPECT_EQ(describe(exif::readFields(bytes)), expected);
        }
    }
}

// A file that refuses pread, as gvfs serves FTP through FUSE, is read on as a stream past what the marker
// walk steps over.
TEST(ExifReader, ReadsAFileThatRefusesPreadForwardOnly)
{
    const TiffBuilder b;
    const Bytes photo = jpeg({segment(0xE2, Bytes(20000)), exifSegment(b.block({b.ascii(0x010F, "Acme")}))});
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(::write(ends[1], photo.data(), photo.size()), ssize_t(photo.size()));
    ::close(ends[1]);
    exif::FileWindow file(ends[0]);
    EXPECT_EQ(describe(exif::readJpeg(file)), "Acme|-|-|-|-|-|-|-");
    ::close(ends[0]);
}

// Each value, under the lens, exposure time and ISO tags at once: a field takes only values of its own kind.
TEST(ExifReader, FieldsTakeOnlyTheirOwnKindOfValueInEitherByteOrder)
{
    // clang-format off
    const std::tuple<std::uint16_t, std::vector<double>, std::string> cases[] = {
        {Ascii, {'5', '0', 0}, "50|-|-"},             {Ascii, {'Z', 'o', 0, 'm', 0}, "Zo|-|-"},
        {Utf8, {'Z', 0xC3, 0xB6, 0}, "Z\xC3\xB6|-|-"}, {Undefined, {9}, "-|-|9"},
        {Byte, {7}, "-|7|7"},                         {SignedByte, {-2}, "-|-2|-2"},
        {Short, {500}, "-|500|500"},                  {Short, {100, 200, 300}, "-|-|100"},
        {SignedShort, {-5}, "-|-5|-5"},               {Long, {4000000000}, "-|4000000000|4000000000"},
        {SignedLong, {-70000}, "-|-70000|-70000"},   {Rational, {1, 4}, "-|0.25|-"},
        {Rational, {200, 1, 400, 2}, "-|-|200"},      {Rational, {200, 1, 1, 3}, "-|-|-"},
        {Rational, {1, 0}, "-|-|-"},                  {SignedRational, {-1, 4}, "-|-0.25|-"},
        {SignedRational, {-8, 2}, "-|-4|-4"},         {SignedRational, {-1, 0}, "-|-|-"},
        {Float, {2.5}, "-|2.5|-"},                    {Float, {std::nan("")}, "-|-|-"},
        {Double, {0.125}, "-|0.125|-"},               {Double, {1e19}, "-|1e+19|-"}, // beyond 64-bit ISO
        {99, {1}, "-|-|-"},                           {Short, {}, "-|-|-"},
        {Ascii, std::vector<double>(20000, 'x'), std::string(20000, 'x') + "|-|-"}, // a long text
    };
    // clang-format on
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big})
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

// Runs body under the zone (TZ) on a thread of its own, as a thread keeps the offsets it has looked up
// in the zone it first met.
void inZone(const char* zone, const std::function<void()>& body)
{
    const std::optional<std::string> previous =
        std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
    ::setenv("TZ", zone, 1);
    ::tzset();
    std::thread(body).join();
    previous ? ::setenv("TZ", previous->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

// Daylight saving east and west of Greenwich and with a half-hour shift, as rules that need no zone data,
// so that a date read as UTC or with a fixed offset fails even on a machine that runs on UTC; and Berlin's
// history, with changes before the epoch, where the zone data is installed.
const char* const zones[] = {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
                             "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "Europe/Berlin"};

// Photos followed by a terabyte hole where the file system allows, so that only the headers can be read;
// dates exactly "yyyy:MM:dd HH:mm:ss" in local time within the record's clock, or only the date is left out.
TEST(MetadataReader, ReadsTheEightFieldsUntrimmedWithCaptureDatesInOneLayoutAsLocalTime)
{
    const ScratchDir dir;
    const fs::path file = dir.path + "/photo.jpg";
    // Leap days, centuries and the record's clock; the times the zones skip or repeat, before the epoch too,
    // and a later hour on such a day; a NUL ends the text. The first and fourth lie 256 days apart at
    // different offsets, in one slot of a thread's day cache.
    const std::string valid[] = {"2021:09:28 18:30:05",     "2024:02:29 00:00:00", "2000:02:29 12:00:00",
                                 "2021:01:15 06:07:08\0x"s, "1945:11:18 02:30:00", "1900:03:01 12:00:00",
                                 "1700:01:01 00:00:00",     "2100:03:01 00:00:00", "2021:03:28 02:30:00",
                                 "2021:10:31 02:30:00",     "2021:10:31 12:00:00", "2021:03:14 02:30:00",
                                 "2021:11:07 01:30:00",     "2021:04:04 01:45:00", "2021:10:03 02:15:00"};
    const char* const invalid[] = {"    :  :     :  :  ", "0000:00:00 00:00:00", "",
                                   "2021-07-04 18:30:05", "2021:07:04 18:30",    "2021:07:04 18:30:05Z",
                                   "+021:07:04 18:30:05", "2021:13:04 18:30:05", "2023:02:29 12:00:00",
                                   "1900:02:29 12:00:00", "2021:07:04 24:00:00", "2021:07:04 18:60:05",
                                   "2021:07:04 18:30:60", "9999:12:31 23:59:59", "1440:07:04 18:30:05"};
    for (const char* zone : zones)
        inZone(zone, [&] {
            std::vector<std::pair<std::string, std::optional<ImageMetadata::TimePoint>>> dates;
            for (const std::string& text : valid) {
                std::tm t{};
                strptime(text.c_str(), "%Y:%m:%d %H:%M:%S", &t);
                t.tm_isdst = -1;
                // mktime takes a repeated hour at its previous call's offset, so the day before goes first.
                std::tm dayBefore = t;
                dayBefore.tm_mday -= 1;
                std::mktime(&dayBefore);
                dates.emplace_back(text, std::chrono::system_clock::from_time_t(std::mktime(&t)));
            }
            for (const char* text : invalid)
                dates.emplace_back(text, std::nullopt);
            for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big})
                for (const auto& [date, expected] : dates) {
                    SCOPED_TRACE(std::string(zone) + " " + date);
                    writeBytes(file, photoJpeg({" Acme", "Z7\n", "Zoom ", Fraction{50, 1}, Fraction{28, 10},
                                                Fraction{1, 250}, std::vector<std::uint16_t>{200, 400}, date},
                                               order));
                    std::error_code noSparseFiles;
                    fs::resize_file(file, std::uintmax_t{1} << 40, noSparseFiles);
                    const auto r = MetadataReader::shared().readMetadata(file),
                               again = MetadataReader::shared().readMetadata(file);
                    ASSERT_TRUE(r && again);
                    EXPECT_EQ(std::tuple(r->url(), r->cameraMake(), r->cameraModel(), r->lensModel(),
                                         r->focalLength(), r->aperture(), r->shutterSpeed(), r->iso(),
                                         r->creationDate()),
                              std::tuple(file.native(), " Acme", "Z7\n", "Zoom ", 50.0, 28.0 / 10, 1.0 / 250,
                                         200, expected));
                    EXPECT_NE(r->id(), again->id());
                }
        });
}

using Row = std::vector<std::string>;

// Numbers agree to one part in a million; text that is no finite number
// ("inf", "undef", "-") is none to us. Of a list ("100 200"), ISO takes the first.
bool sameNumber(std::optional<double> mine, const std::string& theirs, bool list = false)
{
    char* end = nullptr;
    const double value = std::strtod(theirs.c_str(), &end);
    if (end == theirs.c_str() || (*end && !(list && *end == ' ')) || !std::isfinite(value))
        return !mine;
    return mine && std::fabs(*mine - value) <= 1e-6 * std::fabs(value);
}

// Our date, in local time, is exiftool's text; we have none only when that
// text, read back through UTC, is no valid time.
bool sameDate(std::optional<ImageMetadata::TimePoint> mine, const std::string& theirs)
{
    std::tm t{};
    const std::time_t seconds = mine ? std::chrono::system_clock::to_time_t(*mine) : 0;
    if (mine)
        localtime_r(&seconds, &t);
    else if (const char* end = strptime(theirs.c_str(), "%Y:%m:%d %H:%M:%S", &t); end && !*end)
        timegm(&t);
    char text[64];
    return (std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &t) && theirs == text) == mine.has_value();
}

// Our reader against exiftool over the shared photo corpus: the eight fields agree, present or absent,
// in each zone.
TEST(CorpusAgreement, EightFieldsMatchExiftoolInSeveralZones)
{
    const char* fromEnvironment = std::getenv("OPTARA_CORPUS_DIR");
    const fs::path dir = fromEnvironment && *fromEnvironment ? fromEnvironment : OPTARA_CORPUS_DIR;
    if (!fs::is_directory(dir) || std::system("exiftool -ver > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no photo corpus at " << dir << " or no exiftool";
    std::vector<std::string> files;
    std::string command =
        "exiftool -q -m -T -n -Directory -FileName -EXIF:Make -EXIF:Model -EXIF:LensModel "
        "-EXIF:FocalLength -EXIF:FNumber -EXIF:ExposureTime -EXIF:ISO -EXIF:DateTimeOriginal";
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() &&
            std::regex_search(entry.path().string(), std::regex("\\.jpe?g$", std::regex::icase))) {
            files.push_back(entry.path().string());
            command += " '" + std::regex_replace(files.back(), std::regex("'"), "'\\''") + "'";
        }
    // A line of tab-separated cells a file, "-" for a tag it lacks.
    std::map<std::string, Row> rows;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char line[1 << 16];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
        Row row;
        std::istringstream cells(std::string(line, std::strcspn(line, "\n")));
        for (std::string cell; std::getline(cells, cell, '\t');)
            row.push_back(cell);
        if (row.size() == 10)
            rows[row[0] + "/" + row[1]] = {row.begin() + 2, row.end()};
    }
    const auto text = [](std::optional<std::string_view> t) {
        return std::string(text::trimmed(t.value_or("-")));
    };
    EXPECT_TRUE(std::ranges::any_of(rows, [](auto& row) { return row.second != Row(8, "-"); }))
        << "exiftool read nothing";
    for (const char* zone : zones)
        inZone(zone, [&] {
            for (const std::string& file : files) {
                SCOPED_TRACE(std::string(zone) + " " + file);
                ASSERT_TRUE(rows.contains(file)) << "missing from exiftool's output";
                const Row& theirs = rows.at(file);
                const auto r = MetadataReader::shared().readMetadata(file).value_or(
                    ImageMetadata("", {}, {}, {}, {}, {}, {}, {}, {})); // no record: every field absent
                EXPECT_EQ(Row({text(r.cameraMake()), text(r.cameraModel()), text(r.lensModel())}),
                          Row({text(theirs[0]), text(theirs[1]), text(theirs[2])}));
                EXPECT_TRUE(sameNumber(r.focalLength(), theirs[3])) << "FocalLength " << theirs[3];
                EXPECT_TRUE(sameNumber(r.aperture(), theirs[4])) << "FNumber " << theirs[4];
                EXPECT_TRUE(sameNumber(r.shutterSpeed(), theirs[5])) << "ExposureTime " << theirs[5];
                EXPECT_TRUE(sameNumber(r.iso(), theirs[6], true)) << "ISO " << theirs[6];
                EXPECT_TRUE(sameDate(r.creationDate(), theirs[7])) << "DateTimeOriginal " << theirs[7];
            }
        });
}

} // namespace
} // namespace optara::testing

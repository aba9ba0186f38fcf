#include "MetadataReader.h"
#include "LocalTime.h"
#include "PhotoBuilder.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace optara {
namespace {

namespace fs = std::filesystem;
using namespace optara::testing;
using Bytes = std::vector<std::uint8_t>;
using Fields = std::vector<std::string>;

struct ScratchDir {
    fs::path path = [] {
        std::string pattern = (fs::path(::testing::TempDir()) / "optara-reader-XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()) ? pattern : "/nonexistent");
    }();
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path write(const std::string& name, const Bytes& bytes) const
    {
        writeBytes(path / name, bytes);
        return path / name;
    }
};

template <typename T> std::string show(const std::optional<T>& value)
{
    std::ostringstream out;
    out.precision(17);
    if (!value)
        out << "absent";
    else if constexpr (std::is_same_v<T, ImageMetadata::TimePoint>)
        out << value->time_since_epoch().count();
    else
        out << *value;
    return out.str();
}

// Url, make, model, lens, focal length, aperture, exposure, iso, date.
Fields fieldsOf(const std::optional<ImageMetadata>& r)
{
    if (!r)
        return {"no record"};
    return {std::string(r->url()),   show(r->cameraMake()),  show(r->cameraModel()),
            show(r->lensModel()),    show(r->focalLength()), show(r->aperture()),
            show(r->shutterSpeed()), show(r->iso()),         show(r->creationDate())};
}

// mktime settles a repeated hour by the offset its previous call used, so it
// is first asked for the same time a day earlier.
std::int64_t mktimeAfterTheDayBefore(const WallClockTime& t)
{
    std::int64_t seconds = 0;
    for (const int day : {int(t.day) - 1, int(t.day)}) {
        std::tm tm{t.second, t.minute, t.hour, day, int(t.month) - 1, t.year - 1900, 0, 0, -1, 0, nullptr};
        seconds = std::mktime(&tm);
    }
    return seconds;
}

// A capture date as fieldsOf shows it.
std::string localTime(int year, unsigned month, unsigned day, int hour, int minute, int second)
{
    return show(std::optional(std::chrono::system_clock::from_time_t(
        mktimeAfterTheDayBefore({year, month, day, hour, minute, second}))));
}

std::optional<ImageMetadata> read(const fs::path& file)
{
    return MetadataReader::shared().readMetadata(file);
}

const PhotoFields fullFields{.make = "Acme ",
                             .model = " Acme Z7\n",
                             .lens = "Zoom 24-70 ",
                             .focalLength = Fraction{50, 1},
                             .fNumber = Fraction{28, 10},
                             .exposureTime = Fraction{1, 250},
                             .iso = std::vector<std::uint16_t>{200, 400},
                             .dateTimeOriginal = "2021:07:04 18:30:05"};

TEST(MetadataReader, NoRecordForWhatIsNotAReadableJpegAndNoBlocking)
{
    const ScratchDir dir;
    const Bytes photo = photoJpeg(fullFields);
    fs::create_directory(dir.path / "folder.jpg");
    const fs::path locked = dir.write("locked.jpg", photo);
    fs::permissions(locked, fs::perms::none);
    const fs::path fifo = dir.path / "x.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    std::vector<fs::path> files = {dir.path / "missing.jpg",
                                   dir.write("empty.jpg", {}),
                                   dir.path / "folder.jpg",
                                   dir.write("text.jpg", Bytes{'h', 'i', '\n'}),
                                   dir.write("cut.jpg", Bytes(photo.begin(), photo.begin() + 20)),
                                   "/dev/zero",
                                   fifo};
    if (::access(locked.c_str(), R_OK) != 0) // not when running with rights that read any file
        files.push_back(locked);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file);
        auto result = std::async(std::launch::async, [&] { return read(file).has_value(); });
        // Generous: this only keeps a blocked reader from hanging the suite.
        if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            FAIL() << "reading blocked";
        }
        EXPECT_FALSE(result.get());
    }
}

TEST(MetadataReader, ReadsTheEightFieldsUntrimmedInEitherByteOrderWithAFreshIdEachTime)
{
    const ScratchDir dir;
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const fs::path file = dir.write("full.jpg", photoJpeg(fullFields, order));
        const auto record = read(file);
        EXPECT_EQ(fieldsOf(record),
                  (Fields{file.string(), "Acme ", " Acme Z7\n", "Zoom 24-70 ", show(std::optional(50.0)),
                          show(std::optional(28.0 / 10)), show(std::optional(1.0 / 250)), "200",
                          localTime(2021, 7, 4, 18, 30, 5)}));
        const auto again = read(file);
        ASSERT_TRUE(record && again);
        EXPECT_NE(record->id(), again->id());
    }
}

// Capture dates: exactly "yyyy:MM:dd HH:mm:ss", read as local time, within
// the record's clock; anything else leaves only the date out.
TEST(MetadataReader, CaptureDatesInOneLayoutAsLocalTime)
{
    const ScratchDir dir;
    const TiffBuilder b;
    const std::pair<IfdEntry, std::string> cases[] = {
        {b.ascii(0x9003, "2021:01:15 06:07:08"), localTime(2021, 1, 15, 6, 7, 8)},
        {b.ascii(0x9003, "2024:02:29 00:00:00"), localTime(2024, 2, 29, 0, 0, 0)},
        {b.ascii(0x9003, std::string_view("2021:01:15 06:07:08\0x", 21)), localTime(2021, 1, 15, 6, 7, 8)},
        {b.numbers(0x9003, Undefined, {'2', '0', '2', '1'}), "absent"},
    };
    const char* const rejected[] = {"    :  :     :  :  ",  "0000:00:00 00:00:00", "",
                                    "2021-07-04 18:30:05",  "2021:07:04T18:30:05", "2021:07:04 18:30",
                                    "2021:07:04 18:30:05Z", "2021:7:4 18:30:05",   "+021:07:04 18:30:05",
                                    "2021:13:04 18:30:05",  "2023:02:29 12:00:00", "2021:07:04 24:00:00",
                                    "2021:07:04 18:60:05",  "9999:12:31 23:59:59", "1440:07:04 18:30:05"};
    const auto check = [&](const IfdEntry& date, const std::string& expected) {
        const fs::path file =
            dir.write("date.jpg", jpeg({exifSegment(b.block({{b.ascii(0x010F, "Acme")}}, Ifd{{date}}))}));
        const auto record = read(file);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->cameraMake(), "Acme");
        EXPECT_EQ(show(record->creationDate()), expected);
    };
    for (const auto& [date, expected] : cases)
        check(date, expected);
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        check(b.ascii(0x9003, text), "absent");
    }
}

// Every quarter hour of four years plus random times, each asked right after
// a time three months on: skipped and repeated times get one answer whatever
// came before.
TEST(MetadataReader, LocalTimeAgreesWithMktimeAcrossDaylightSavingChanges)
{
    using namespace std::chrono;
    std::vector<WallClockTime> times;
    for (const int y : {2021, 1945, 1970, 2040})
        for (sys_days d = year{y} / January / 1; d < sys_days(year{y + 1} / January / 1); d += days{1})
            for (int minute = 0; minute < 24 * 60; minute += 15) {
                const year_month_day date{d};
                times.push_back(
                    {y, unsigned(date.month()), unsigned(date.day()), minute / 60, minute % 60, 7});
            }
    std::mt19937 random(20211031);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
    for (int i = 0; i < 2000; ++i)
        times.push_back({pick(1, 9999), unsigned(pick(1, 12)), unsigned(pick(1, 28)), pick(0, 23),
                         pick(0, 59), pick(0, 59)});
    int zonesFound = 0;
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        if (!fs::exists(fs::path("/usr/share/zoneinfo") / zone))
            continue;
        ++zonesFound;
        const ZoneOverride inZone(zone);
        int mismatches = 0;
        for (const WallClockTime& t : times) {
            const std::int64_t expected = mktimeAfterTheDayBefore(t);
            secondsSinceEpoch({t.year, (t.month + 2) % 12 + 1, std::min(t.day, 28u), t.hour, 0, 0});
            const auto seconds = secondsSinceEpoch(t);
            if (seconds != expected && ++mismatches <= 10)
                ADD_FAILURE() << zone << " " << t.year << "-" << t.month << "-" << t.day << " " << t.hour
                              << ":" << t.minute << ":" << t.second << ": " << show(seconds)
                              << " != " << expected;
        }
    }
    if (zonesFound == 0)
        GTEST_SKIP() << "no time zone data installed";
}

// A photo followed by a terabyte hole: reading past the header segments would
// not finish, and holding the file would not fit in memory.
TEST(MetadataReader, ReadsOnlyTheHeaderSegments)
{
    const ScratchDir dir;
    const fs::path file = dir.write("huge.jpg", photoJpeg(fullFields));
    std::error_code error;
    fs::resize_file(file, std::uintmax_t{1} << 40, error);
    if (error)
        GTEST_SKIP() << "no sparse files here: " << error.message();
    const auto record = read(file);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->lensModel(), "Zoom 24-70 ");
}

} // namespace
} // namespace optara

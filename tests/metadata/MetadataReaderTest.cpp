#include "MetadataReader.h"
#include "LocalTime.h"
#include "PhotoBuilder.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace optara::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::literals;

struct ScratchDir {
    std::string path = ::testing::TempDir() + "optara-reader-XXXXXX";
    ScratchDir() { EXPECT_TRUE(::mkdtemp(path.data())); }
    ~ScratchDir() { fs::remove_all(path); }
    fs::path write(const std::string& name, const Bytes& bytes) const
    {
        writeBytes(path + "/" + name, bytes);
        return path + "/" + name;
    }
};

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

std::optional<ImageMetadata::TimePoint> localTime(const WallClockTime& t)
{
    return std::chrono::system_clock::from_time_t(mktimeAfterTheDayBefore(t));
}

std::optional<ImageMetadata> read(const fs::path& file)
{
    return MetadataReader::shared().readMetadata(file);
}

TEST(MetadataReader, NoRecordForWhatIsNotAReadableImageAndNoBlocking)
{
    const ScratchDir dir;
    fs::create_directory(dir.path + "/folder.jpg");
    const fs::path fifo = dir.path + "/x.jpg", locked = dir.write("locked.jpg", photoJpeg({.make = "Acme"}));
    fs::permissions(locked, fs::perms::none);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<fs::path> files = {dir.path + "/missing.jpg", dir.path + "/folder.jpg",
                                   dir.write("empty.jpg", {}), "/dev/zero", fifo};
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

// Each photo is followed by a terabyte hole (where the file system allows):
// reading past the header segments would not finish, nor fit in memory.
TEST(MetadataReader, ReadsTheEightFieldsUntrimmedInEitherByteOrderWithAFreshIdEachTime)
{
    const ScratchDir dir;
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const fs::path file =
            dir.write("full.jpg", photoJpeg({" Acme", "Z7\n", "Zoom ", Fraction{50, 1}, Fraction{28, 10},
                                             Fraction{1, 250}, std::vector<std::uint16_t>{200, 400},
                                             "2021:07:04 18:30:05"},
                                            order));
        std::error_code noSparseFiles;
        fs::resize_file(file, std::uintmax_t{1} << 40, noSparseFiles);
        const auto r = read(file), again = read(file);
        ASSERT_TRUE(r && again);
        EXPECT_EQ(std::tuple(r->url(), r->cameraMake(), r->cameraModel(), r->lensModel(), r->focalLength(),
                             r->aperture(), r->shutterSpeed(), r->iso(), r->creationDate()),
                  std::tuple(file.native(), " Acme", "Z7\n", "Zoom ", 50.0, 28.0 / 10, 1.0 / 250, 200,
                             localTime({2021, 7, 4, 18, 30, 5})));
        EXPECT_NE(r->id(), again->id());
    }
}

// Capture dates: exactly "yyyy:MM:dd HH:mm:ss", read as local time, within
// the record's clock; anything else leaves only the date out.
TEST(MetadataReader, CaptureDatesInOneLayoutAsLocalTime)
{
    const ScratchDir dir;
    const TiffBuilder b;
    const auto check = [&](const IfdEntry& date, const std::optional<ImageMetadata::TimePoint>& expected) {
        const auto r =
            read(dir.write("d.jpg", jpeg({exifSegment(b.block({b.ascii(0x010F, "Acme")}, Ifd{date}))})));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->cameraMake(), "Acme");
        EXPECT_EQ(r->creationDate(), expected);
    };
    check(b.ascii(0x9003, "2024:02:29 00:00:00"), localTime({2024, 2, 29, 0, 0, 0}));
    check(b.ascii(0x9003, "2021:01:15 06:07:08\0x"sv), localTime({2021, 1, 15, 6, 7, 8}));
    check(b.numbers(0x9003, Undefined, {'2', '0', '2', '1'}), std::nullopt);
    for (const char* text :
         {"    :  :     :  :  ", "0000:00:00 00:00:00", "", "2021-07-04 18:30:05", "2021:07:04T18:30:05",
          "2021:07:04 18:30", "2021:07:04 18:30:05Z", "2021:7:4 18:30:05", "+021:07:04 18:30:05",
          "2021:13:04 18:30:05", "2023:02:29 12:00:00", "2021:07:04 24:00:00", "2021:07:04 18:60:05",
          "9999:12:31 23:59:59", "1440:07:04 18:30:05"}) {
        SCOPED_TRACE(text);
        check(b.ascii(0x9003, text), std::nullopt);
    }
}

// Every quarter hour of four years, each asked right after a time three months
// on: skipped and repeated times get one answer whatever came before.
TEST(MetadataReader, LocalTimeAgreesWithMktimeAcrossDaylightSavingChanges)
{
    using namespace std::chrono;
    int zones = 0;
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        if (!fs::exists(fs::path("/usr/share/zoneinfo") / zone))
            continue;
        const ZoneOverride inZone(zone);
        int mismatches = 0;
        ++zones;
        for (const int y : {2021, 1945, 1970, 2040})
            for (sys_days d = year{y} / January / 1; d < sys_days(year{y + 1} / January / 1); d += days{1})
                for (int minute = 0; minute < 24 * 60; minute += 15) {
                    const year_month_day date{d};
                    const WallClockTime t{
                        y, unsigned(date.month()), unsigned(date.day()), minute / 60, minute % 60, 7};
                    const std::int64_t expected = mktimeAfterTheDayBefore(t);
                    secondsSinceEpoch({t.year, (t.month + 2) % 12 + 1, std::min(t.day, 28u), t.hour, 0, 0});
                    if (secondsSinceEpoch(t) != expected && ++mismatches <= 10)
                        ADD_FAILURE() << zone << " " << y << "-" << t.month << "-" << t.day << " " << minute
                                      << " min is not " << expected;
                }
    }
    if (zones == 0)
        GTEST_SKIP() << "no time zone data installed";
}

} // namespace
} // namespace optara::testing

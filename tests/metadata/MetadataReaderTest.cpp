#include "MetadataReader.h"
#include "LocalTime.h"
#include "PhotoBuilder.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <future>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace optara {
namespace {

namespace fs = std::filesystem;
using testing::ByteOrder;
using testing::Ifd;
using testing::IfdEntry;
using testing::PhotoFields;
using testing::TiffBuilder;
using Bytes = std::vector<std::uint8_t>;

class ScratchDir {
  public:
    ScratchDir()
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "optara-reader-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    fs::path write(const std::string& name, const Bytes& bytes) const
    {
        const fs::path file = path_ / name;
        testing::writeBytes(file, bytes);
        return file;
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

template <typename T> std::string show(const std::optional<T>& value)
{
    if (!value)
        return "absent";
    std::ostringstream out;
    out.precision(17);
    if constexpr (std::is_same_v<T, ImageMetadata::TimePoint>)
        out << value->time_since_epoch().count();
    else
        out << *value;
    return out.str();
}

// Every field but the identity, so that two reads can be compared.
std::string fieldsOf(const ImageMetadata& record)
{
    return std::string(record.url()) + "|" + show(record.cameraMake()) + "|" + show(record.cameraModel()) +
           "|" + show(record.lensModel()) + "|" + show(record.focalLength()) + "|" + show(record.aperture()) +
           "|" + show(record.iso()) + "|" + show(record.shutterSpeed()) + "|" + show(record.creationDate());
}

// What the C library makes of a local wall-clock time.
ImageMetadata::TimePoint localTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&fields));
}

std::optional<ImageMetadata> read(const fs::path& file)
{
    return MetadataReader::shared().readMetadata(file);
}

const PhotoFields fullFields{.make = "Acme ",
                             .model = " Acme Z7\n",
                             .lens = "Zoom 24-70 ",
                             .focalLength = testing::Fraction{50, 1},
                             .fNumber = testing::Fraction{28, 10},
                             .exposureTime = testing::Fraction{1, 250},
                             .iso = std::vector<std::uint16_t>{200, 400},
                             .dateTimeOriginal = "2021:07:04 18:30:05"};

TEST(MetadataReader, SharedReaderIsOneInstance)
{
    const MetadataReader* first = nullptr;
    std::thread other([&] { first = &MetadataReader::shared(); });
    other.join();
    EXPECT_EQ(first, &MetadataReader::shared());
}

TEST(MetadataReader, NoRecordForWhatIsNotAReadableJpeg)
{
    const ScratchDir dir;
    const Bytes photo = testing::photoJpeg(fullFields);
    fs::create_directory(dir / "folder.jpg");

    const struct {
        const char* what;
        fs::path file;
    } cases[] = {
        {"missing", dir / "missing.jpg"},
        {"empty", dir.write("empty.jpg", {})},
        {"directory", dir / "folder.jpg"},
        {"text", dir.write("text.jpg", Bytes{'h', 'e', 'l', 'l', 'o', '\n'})},
        {"cut before the scan", dir.write("cut.jpg", Bytes(photo.begin(), photo.begin() + 40))},
        {"device", "/dev/zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(read(c.file));
    }
}

TEST(MetadataReader, NoRecordForAFileWithoutReadPermission)
{
    const ScratchDir dir;
    const fs::path file = dir.write("locked.jpg", testing::photoJpeg(fullFields));
    fs::permissions(file, fs::perms::none);
    if (::access(file.c_str(), R_OK) == 0)
        GTEST_SKIP() << "running with rights that read any file";
    EXPECT_FALSE(read(file));
}

TEST(MetadataReader, FifoNamedLikeAPhotoYieldsNoRecordWithoutBlocking)
{
    const ScratchDir dir;
    const fs::path fifo = dir / "x.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto result = std::async(std::launch::async, [&] { return read(fifo).has_value(); });
    // Generous: this only keeps a blocked reader from hanging the suite.
    if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_FALSE(result.get());
}

TEST(MetadataReader, JpegWithoutExifGivesARecordWithOnlyItsLocation)
{
    const ScratchDir dir;
    const fs::path file =
        dir.write("plain.jpeg", testing::jpeg({testing::segment(0xE0, {'J', 'F', 'I', 'F', 0})}));
    const auto record = read(file);
    ASSERT_TRUE(record);
    EXPECT_EQ(fieldsOf(*record), file.string() + "|absent|absent|absent|absent|absent|absent|absent|absent");
    EXPECT_EQ(record->cameraName(), "Unknown Camera");
    EXPECT_EQ(record->lensName(), "Unknown Lens");
}

TEST(MetadataReader, ReadsTheEightFieldsUntrimmedInEitherByteOrder)
{
    const ScratchDir dir;
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        SCOPED_TRACE(order == ByteOrder::Little ? "II" : "MM");
        const fs::path file = dir.write("full.jpg", testing::photoJpeg(fullFields, order));
        const auto record = read(file);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->url(), file.string());
        EXPECT_EQ(record->cameraMake(), "Acme ");
        EXPECT_EQ(record->cameraModel(), " Acme Z7\n");
        EXPECT_EQ(record->lensModel(), "Zoom 24-70 ");
        EXPECT_EQ(record->focalLength(), 50.0);
        EXPECT_EQ(record->aperture(), 28.0 / 10);
        EXPECT_EQ(record->iso(), 200);
        EXPECT_EQ(record->shutterSpeed(), 1.0 / 250);
        EXPECT_EQ(record->creationDate(), localTime(2021, 7, 4, 18, 30, 5));
        EXPECT_EQ(record->cameraName(), "Acme Z7");
    }
}

TEST(MetadataReader, TiffDirectoryAloneGivesMakeAndModelOnly)
{
    const ScratchDir dir;
    const auto record = read(dir.write("tiff.jpg", testing::photoJpeg({.make = "Acme", .model = "Z7"})));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cameraMake(), "Acme");
    EXPECT_EQ(record->cameraModel(), "Z7");
    EXPECT_FALSE(record->lensModel() || record->focalLength() || record->aperture() || record->iso() ||
                 record->shutterSpeed() || record->creationDate());
}

enum Field { Make, Model, Lens, Focal, Aperture, Exposure, Iso, Date, FieldCount };

std::string fieldOf(const ImageMetadata& r, Field field)
{
    switch (field) {
    case Make:
        return show(r.cameraMake());
    case Model:
        return show(r.cameraModel());
    case Lens:
        return show(r.lensModel());
    case Focal:
        return show(r.focalLength());
    case Aperture:
        return show(r.aperture());
    case Exposure:
        return show(r.shutterSpeed());
    case Iso:
        return show(r.iso());
    default:
        return show(r.creationDate());
    }
}

// A full photo whose entry for tag is replaced (or, for tag 0, left alone).
Bytes photoWith(const TiffBuilder& b, std::uint16_t tag, const std::optional<IfdEntry>& replacement)
{
    const auto without = [&](std::vector<IfdEntry> entries) {
        Ifd ifd;
        for (IfdEntry& entry : entries) {
            if (entry.tag != tag)
                ifd.entries.push_back(std::move(entry));
        }
        if (replacement &&
            (replacement->tag < 0x8000) == (ifd.entries.empty() || ifd.entries[0].tag < 0x8000))
            ifd.entries.push_back(*replacement);
        return ifd;
    };
    const Ifd ifd0 = without({b.ascii(0x010F, "Acme"), b.ascii(0x0110, "Z7")});
    const Ifd exif = without({b.rationals(0x829A, {{1, 250}}), b.rationals(0x829D, {{28, 10}}),
                              b.shorts(0x8827, {100}), b.ascii(0x9003, "2021:07:04 18:30:05"),
                              b.rationals(0x920A, {{35, 1}}), b.ascii(0xA434, "Prime")});
    return testing::jpeg({testing::exifSegment(b.block(ifd0, exif))});
}

// One entry of the photo holds another kind of value; only that field changes.
TEST(MetadataReader, FieldsTakeOnlyTheirOwnKindOfValue)
{
    const ScratchDir dir;
    const TiffBuilder b;
    const struct {
        const char* what;
        IfdEntry entry;
        Field field;
        std::string expected;
    } cases[] = {
        {"make as a short", b.shorts(0x010F, {42}), Make, "absent"},
        {"model as undefined bytes", b.bytes(0x0110, {'Z', '7', 0}, testing::Undefined), Model, "absent"},
        {"model as utf-8", b.ascii(0x0110, "Z\xC3\xB6", testing::Utf8), Model, "Z\xC3\xB6"},
        {"lens as a long", b.longs(0xA434, {7}), Lens, "absent"},
        {"focal length as a short", b.shorts(0x920A, {50}), Focal, "50"},
        {"focal length as a text", b.ascii(0x920A, "50"), Focal, "absent"},
        {"focal length as a list", b.rationals(0x920A, {{24, 1}, {70, 1}}), Focal, "absent"},
        {"focal length as a double", b.doubles(0x920A, {35.5}), Focal, "35.5"},
        {"aperture over zero", b.rationals(0x829D, {{28, 0}}), Aperture, "absent"},
        {"aperture as a float", b.floats(0x829D, {4.0f}), Aperture, "4"},
        {"exposure as a signed rational", b.signedRationals(0x829A, {{1, 8}}), Exposure, "0.125"},
        {"exposure as a long", b.longs(0x829A, {2}), Exposure, "2"},
        {"iso of one value", b.shorts(0x8827, {800}), Iso, "800"},
        {"iso as longs", b.longs(0x8827, {12800, 100}), Iso, "12800"},
        {"iso as whole rationals", b.rationals(0x8827, {{200, 1}}), Iso, "200"},
        {"iso as a fraction", b.rationals(0x8827, {{401, 2}}), Iso, "absent"},
        {"iso with a fraction later in the list", b.rationals(0x8827, {{200, 1}, {1, 3}}), Iso, "absent"},
        {"iso empty", b.raw(0x8827, testing::Short, 0, {}), Iso, "absent"},
        {"iso as a text", b.ascii(0x8827, "200"), Iso, "absent"},
        {"date as undefined bytes", b.bytes(0x9003, {'2', '0', '2', '1'}, testing::Undefined), Date,
         "absent"},
    };
    const auto untouched = read(dir.write("base.jpg", photoWith(b, 0, std::nullopt)));
    ASSERT_TRUE(untouched);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto record = read(dir.write("case.jpg", photoWith(b, c.entry.tag, c.entry)));
        ASSERT_TRUE(record);
        for (int f = 0; f < FieldCount; ++f) {
            const auto field = static_cast<Field>(f);
            EXPECT_EQ(fieldOf(*record, field), field == c.field ? c.expected : fieldOf(*untouched, field));
        }
    }
}

TEST(MetadataReader, CaptureDateIsExactlyTheExifLayoutInLocalTime)
{
    const ScratchDir dir;
    using Date = std::optional<ImageMetadata::TimePoint>;
    const struct {
        std::string text;
        Date expected;
    } cases[] = {
        {"2021:07:04 18:30:05", localTime(2021, 7, 4, 18, 30, 5)},
        {"2021:01:15 06:07:08", localTime(2021, 1, 15, 6, 7, 8)},
        {"1999:12:31 23:59:59", localTime(1999, 12, 31, 23, 59, 59)},
        {"2024:02:29 00:00:00", localTime(2024, 2, 29, 0, 0, 0)},
        {"1970:01:01 00:00:00", localTime(1970, 1, 1, 0, 0, 0)},
        {std::string("2021:07:04 18:30:05\0ignored", 27), localTime(2021, 7, 4, 18, 30, 5)},
        {"    :  :     :  :  ", std::nullopt},
        {"0000:00:00 00:00:00", std::nullopt},
        {"", std::nullopt},
        {"2021-07-04 18:30:05", std::nullopt},
        {"2021:07:04T18:30:05", std::nullopt},
        {"2021:07:04 18:30", std::nullopt},
        {"2021:07:04 18:30:05Z", std::nullopt},
        {"2021:7:4 18:30:05", std::nullopt},
        {"+021:07:04 18:30:05", std::nullopt},
        {"2021:13:04 18:30:05", std::nullopt},
        {"2023:02:29 12:00:00", std::nullopt},
        {"2021:07:04 24:00:00", std::nullopt},
        {"2021:07:04 18:60:05", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const TiffBuilder b;
        IfdEntry date = b.raw(0x9003, testing::Ascii, static_cast<std::uint32_t>(c.text.size() + 1),
                              Bytes(c.text.begin(), c.text.end()));
        date.data.push_back(0);
        const Bytes tiff = b.block({{b.ascii(0x010F, "Acme")}}, Ifd{{b.rationals(0x829D, {{4, 1}}), date}});
        const auto record = read(dir.write("dated.jpg", testing::jpeg({testing::exifSegment(tiff)})));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->creationDate(), c.expected);
        EXPECT_EQ(record->cameraMake(), "Acme");
        EXPECT_EQ(record->aperture(), 4.0);
    }
}

using optara::testing::ZoneOverride;

std::tm tmOf(const WallClockTime& time)
{
    std::tm fields{};
    fields.tm_year = time.year - 1900;
    fields.tm_mon = static_cast<int>(time.month) - 1;
    fields.tm_mday = static_cast<int>(time.day);
    fields.tm_hour = time.hour;
    fields.tm_min = time.minute;
    fields.tm_sec = time.second;
    fields.tm_isdst = -1;
    return fields;
}

// mktime settles a repeated hour by the offset its previous call used, so it
// is first asked for the same time a day earlier.
std::int64_t mktimeAfterTheDayBefore(const WallClockTime& time)
{
    std::tm dayBefore = tmOf(time);
    dayBefore.tm_mday -= 1;
    std::mktime(&dayBefore);
    std::tm fields = tmOf(time);
    return std::mktime(&fields);
}

std::vector<WallClockTime> wallTimesToCompare()
{
    using namespace std::chrono;
    std::vector<WallClockTime> times;
    for (const int y : {2021, 1945, 1970, 2040}) {
        for (sys_days d = year{y} / January / 1; d < sys_days(year{y + 1} / January / 1); d += days{1}) {
            const year_month_day date{d};
            for (int minute = 0; minute < 24 * 60; minute += 15) {
                times.push_back({y, static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                 minute / 60, minute % 60, 7});
            }
        }
    }
    std::mt19937 random(20211031);
    for (int i = 0; i < 2000; ++i) {
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
        times.push_back({pick(1, 9999), static_cast<unsigned>(pick(1, 12)),
                         static_cast<unsigned>(pick(1, 28)), pick(0, 23), pick(0, 59), pick(0, 59)});
    }
    return times;
}

TEST(MetadataReader, LocalTimeAgreesWithMktimeAcrossDaylightSavingChanges)
{
    const std::vector<WallClockTime> times = wallTimesToCompare();
    int zonesFound = 0;
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        if (!fs::exists(fs::path("/usr/share/zoneinfo") / zone))
            continue;
        ++zonesFound;
        const ZoneOverride inZone(zone);
        int mismatches = 0;
        for (const WallClockTime& time : times) {
            const std::int64_t expected = mktimeAfterTheDayBefore(time);
            const auto seconds = secondsSinceEpoch(time);
            if (seconds == expected)
                continue;
            ADD_FAILURE() << zone << " " << time.year << "-" << time.month << "-" << time.day << " "
                          << time.hour << ":" << time.minute << ":" << time.second << ": " << show(seconds)
                          << " != " << expected;
            if (++mismatches == 10)
                break;
        }
    }
    if (zonesFound == 0)
        GTEST_SKIP() << "no time zone data installed";
}

// The reader settles times that a change of offset skips or repeats the same
// way every time, whatever it read before.
TEST(MetadataReader, DaylightSavingChangesGiveOneAnswerWhateverCameBefore)
{
    if (!fs::exists("/usr/share/zoneinfo/Europe/Berlin"))
        GTEST_SKIP() << "no time zone data installed";
    const ZoneOverride inZone("Europe/Berlin");
    const ScratchDir dir;
    const auto dated = [&](const char* text) {
        return dir.write(std::string(text).substr(0, 10) + ".jpg",
                         testing::photoJpeg({.dateTimeOriginal = text}));
    };
    const fs::path winter = dated("2021:01:10 12:00:00");
    const fs::path summer = dated("2021:07:10 12:00:00");
    const fs::path skipped = dated("2021:03:28 02:30:00");
    const fs::path repeated = dated("2021:10:31 02:30:00");
    const auto seconds = [](const std::optional<ImageMetadata>& record) {
        return duration_cast<std::chrono::seconds>(record->creationDate()->time_since_epoch()).count();
    };
    for (const fs::path& before : {winter, summer}) {
        SCOPED_TRACE(before.filename().string());
        ASSERT_TRUE(read(before));
        const auto forward = read(skipped);
        ASSERT_TRUE(read(before));
        const auto twice = read(repeated);
        ASSERT_TRUE(forward && forward->creationDate() && twice && twice->creationDate());
        // 02:30 does not exist and becomes 03:30 summer time, one hour after 01:30 winter time.
        EXPECT_EQ(seconds(forward), mktimeAfterTheDayBefore({2021, 3, 28, 1, 30, 0}) + 3600);
        // 02:30 happens in summer time first, one hour before it happens again.
        EXPECT_EQ(seconds(twice), mktimeAfterTheDayBefore({2021, 10, 31, 3, 30, 0}) - 2 * 3600);
    }
}

TEST(MetadataReader, TwoReadsOfOneFileAreEqualButForTheirIdentity)
{
    const ScratchDir dir;
    const fs::path file = dir.write("a.jpg", testing::photoJpeg(fullFields));
    const auto first = read(file);
    const auto second = read(file);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(fieldsOf(*first), fieldsOf(*second));
    EXPECT_NE(first->id(), second->id());
    EXPECT_NE(*first, *second);
}

// A photo followed by a terabyte hole: reading past the header segments would
// not finish, and holding the file would not fit in memory.
TEST(MetadataReader, ReadsOnlyTheHeaderSegments)
{
    const ScratchDir dir;
    const fs::path file = dir.write("huge.jpg", testing::photoJpeg(fullFields));
    std::error_code error;
    fs::resize_file(file, std::uintmax_t{1} << 40, error);
    if (error)
        GTEST_SKIP() << "no sparse files here: " << error.message();
    const auto record = read(file);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->lensModel(), "Zoom 24-70 ");
}

TEST(MetadataReader, ConcurrentReadsGiveWhatSequentialReadsGive)
{
    const ScratchDir dir;
    std::vector<fs::path> files;
    for (int i = 0; i < 40; ++i) {
        PhotoFields fields = fullFields;
        fields.model = "Model " + std::to_string(i);
        fields.iso = std::vector<std::uint16_t>{static_cast<std::uint16_t>(100 + i)};
        fields.dateTimeOriginal = "2020:" + std::string(i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) +
                                  ":1" + std::to_string(i % 10) + " 12:00:00";
        const Bytes bytes = testing::photoJpeg(fields, i % 2 ? ByteOrder::Big : ByteOrder::Little);
        files.push_back(dir.write("p" + std::to_string(i) + ".jpg", bytes));
    }
    files.push_back(dir / "missing.jpg");
    std::vector<std::string> expected;
    for (const fs::path& file : files) {
        const auto record = read(file);
        expected.push_back(record ? fieldsOf(*record) : "none");
    }

    constexpr int threadCount = 8;
    std::vector<std::vector<std::string>> seen(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                for (std::size_t i = 0; i < files.size(); ++i) {
                    const auto& file = files[(i + static_cast<std::size_t>(t)) % files.size()];
                    const auto record = read(file);
                    seen[t].push_back(record ? fieldsOf(*record) : "none");
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < threadCount; ++t) {
        for (std::size_t k = 0; k < seen[t].size(); ++k) {
            const std::size_t i = (k % files.size() + static_cast<std::size_t>(t)) % files.size();
            EXPECT_EQ(seen[t][k], expected[i]);
        }
    }
}

} // namespace
} // namespace optara

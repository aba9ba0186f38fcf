#include "DumpRecord.h"
#include "JsonValue.h"
#include "JsonWriter.h"
#include "RunProgram.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using optara::ImageMetadata;
using optara::testing::JsonValue;
using namespace optara::tools;

namespace {

const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

std::string written(std::string_view text)
{
    JsonWriter json;
    json.string(text);
    return json.text();
}

struct EscapeCase {
    const char* name;
    std::string input;
    std::string decoded;  // what a JSON reader must get back
};

TEST(JsonWriter, StringsReadBackAsTheirTextWithInvalidBytesReplaced)
{
    const EscapeCase cases[] = {
        {"plain", "Canon EOS 40D", "Canon EOS 40D"},
        {"quote and backslash", "a\"b\\c/", "a\"b\\c/"},
        {"control characters", std::string("\x01\n\t\r\b\f\x1f", 7), std::string("\x01\n\t\r\b\f\x1f", 7)},
        {"embedded NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"DEL", "\x7f", "\x7f"},
        {"two-byte", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"three-byte", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"four-byte", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"highest code point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"Latin-1 byte", "Caf\xE9", "Caf" + replacement},
        {"lone continuation", "a\x80z", "a" + replacement + "z"},
        {"overlong NUL", "\xC0\x80", replacement + replacement},
        {"overlong three-byte", "\xE0\x80\xAF", replacement + replacement + replacement},
        {"surrogate", "\xED\xA0\x80", replacement + replacement + replacement},
        {"above U+10FFFF", "\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},
        {"truncated at end", "x\xE2\x82", "x" + replacement + replacement},
        {"lead byte then ASCII", "\xC3(", replacement + "("},
        {"0xFF", "\xFF", replacement},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json = written(c.input);
        const auto value = JsonValue::parse(json);
        ASSERT_TRUE(value.has_value()) << json;
        ASSERT_EQ(value->kind(), JsonValue::Kind::String);
        EXPECT_EQ(value->text(), c.decoded);
        // Control characters never appear raw, so a dump line stays one line.
        for (const char ch : json)
            EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20u || ch == 0x7f) << json;
    }
}

TEST(JsonWriter, RealsRoundTripAndNonFiniteBecomeNull)
{
    const double finite[] = {0.0, -0.0, 0.1, 1.0 / 3.0, 2.8, 0.00625, 5e-324,
                             std::numeric_limits<double>::max(), -123456.789};
    for (const double x : finite) {
        JsonWriter json;
        json.number(x);
        const auto value = JsonValue::parse(json.text());
        ASSERT_TRUE(value.has_value()) << json.text();
        ASSERT_EQ(value->kind(), JsonValue::Kind::Number) << json.text();
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value->number()), std::bit_cast<std::uint64_t>(x)) << json.text();
    }
    for (const double x : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()}) {
        JsonWriter json;
        json.number(x);
        EXPECT_EQ(json.text(), "null");
    }
}

TEST(JsonWriter, IntegersAndAbsentValues)
{
    for (const std::int64_t x : {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min(),
                                 std::numeric_limits<std::int64_t>::max()}) {
        JsonWriter json;
        json.number(x);
        EXPECT_EQ(json.text(), std::to_string(x));
    }
    JsonWriter json;
    json.beginObject();
    json.key("a");
    json.numberOrNull(std::optional<double>{});
    json.key("b");
    json.stringOrNull(std::optional<std::string_view>{});
    json.key("c");
    json.numberOrNull(std::optional<std::int64_t>{7});
    json.endObject();
    EXPECT_EQ(json.text(), R"({"a":null,"b":null,"c":7})");
}

using optara::testing::ZoneOverride;

ImageMetadata::TimePoint utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return std::chrono::system_clock::from_time_t(timegm(&fields));
}

bool zoneInstalled(const char* zone)
{
    std::error_code error;
    return fs::exists(fs::path("/usr/share/zoneinfo") / zone, error);
}

TEST(LocalIsoTime, WallClockTimeWithTheOffsetInForce)
{
    struct Case {
        const char* zone;
        ImageMetadata::TimePoint moment;
        const char* expected;
    };
    const Case cases[] = {
        {"UTC", utc(2008, 5, 30, 13, 56, 1), "2008-05-30T13:56:01+00:00"},
        {"Europe/Berlin", utc(2008, 5, 30, 13, 56, 1), "2008-05-30T15:56:01+02:00"},
        {"Europe/Berlin", utc(2008, 1, 30, 13, 56, 1), "2008-01-30T14:56:01+01:00"},
        {"America/New_York", utc(2008, 5, 30, 3, 56, 1), "2008-05-29T23:56:01-04:00"},
        {"Asia/Kolkata", utc(2021, 7, 4, 18, 30, 5), "2021-07-05T00:00:05+05:30"},
        {"UTC", utc(1969, 12, 31, 23, 59, 59), "1969-12-31T23:59:59+00:00"},
        {"UTC", utc(1970, 1, 1, 0, 0, 0) - std::chrono::milliseconds(500), "1969-12-31T23:59:59.500000+00:00"},
        {"UTC", utc(2008, 5, 30, 13, 56, 1) + std::chrono::microseconds(250), "2008-05-30T13:56:01.000250+00:00"},
        {"UTC", utc(1901, 1, 2, 3, 4, 5), "1901-01-02T03:04:05+00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        if (!zoneInstalled(c.zone))
            GTEST_SKIP() << c.zone << " is not installed";
        ZoneOverride zone(c.zone);
        EXPECT_EQ(localIsoTime(c.moment), std::optional<std::string>(c.expected));
    }
}

const std::vector<std::string> recordKeys = {"cameraMake",   "cameraModel",  "lensModel",  "focalLength",
                                             "aperture",     "iso",          "shutterSpeed", "creationDate",
                                             "cameraName",   "lensName"};

std::vector<std::string> memberNames(const JsonValue& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.members())
        names.push_back(member.first);
    return names;
}

TEST(DumpLine, FullRecordCarriesEveryFieldAndBothLabels)
{
    ZoneOverride zone("UTC");
    const auto moment = utc(2008, 5, 30, 15, 56, 1);
    const ImageMetadata record("/photos/a \"b\".jpg", " Canon ", "Canon EOS 40D", "EF-S17-85mm f/4-5.6 IS USM ",
                               135.0, 7.1, 100, 0.00625, moment);
    const auto line = JsonValue::parse(dumpLine("/photos/a \"b\".jpg", record));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(memberNames(*line), (std::vector<std::string>{"file", "record"}));
    EXPECT_EQ(line->find("file")->text(), "/photos/a \"b\".jpg");
    const JsonValue* fields = line->find("record");
    ASSERT_NE(fields, nullptr);
    ASSERT_EQ(fields->kind(), JsonValue::Kind::Object);
    EXPECT_EQ(memberNames(*fields), recordKeys);
    EXPECT_EQ(fields->find("cameraMake")->text(), " Canon ");
    EXPECT_EQ(fields->find("cameraModel")->text(), "Canon EOS 40D");
    EXPECT_EQ(fields->find("lensModel")->text(), "EF-S17-85mm f/4-5.6 IS USM ");
    EXPECT_EQ(fields->find("focalLength")->number(), 135.0);
    EXPECT_EQ(fields->find("aperture")->number(), 7.1);
    EXPECT_EQ(fields->find("iso")->text(), "100");
    EXPECT_EQ(fields->find("shutterSpeed")->number(), 0.00625);
    EXPECT_EQ(fields->find("creationDate")->text(), "2008-05-30T15:56:01+00:00");
    EXPECT_EQ(fields->find("cameraName")->text(), record.cameraName());
    EXPECT_EQ(fields->find("lensName")->text(), record.lensName());
}

TEST(DumpLine, AbsentValuesAreNullAndNoRecordIsNull)
{
    const ImageMetadata empty("x.jpg", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt);
    const auto line = JsonValue::parse(dumpLine("x.jpg", empty));
    ASSERT_TRUE(line.has_value());
    const JsonValue* fields = line->find("record");
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(memberNames(*fields), recordKeys);
    for (const auto& [name, value] : fields->members()) {
        if (name == "cameraName" || name == "lensName")
            EXPECT_EQ(value.kind(), JsonValue::Kind::String) << name;
        else
            EXPECT_TRUE(value.isNull()) << name;
    }
    EXPECT_EQ(fields->find("cameraName")->text(), empty.cameraName());
    EXPECT_EQ(fields->find("lensName")->text(), empty.lensName());

    const auto none = JsonValue::parse(dumpLine("y.jpg", std::nullopt));
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(none->find("file")->text(), "y.jpg");
    ASSERT_NE(none->find("record"), nullptr);
    EXPECT_TRUE(none->find("record")->isNull());
}

TEST(DumpLine, NonFiniteRealsAndOddTextsStayValidJson)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const ImageMetadata record("\n\xFF.jpg", std::string_view("\0Ni\x80kon", 7), "\t", "", nan, inf, -1, -inf,
                               std::nullopt);
    const std::string text = dumpLine("\n\xFF.jpg", record);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const auto line = JsonValue::parse(text);
    ASSERT_TRUE(line.has_value()) << text;
    EXPECT_EQ(line->find("file")->text(), "\n" + replacement + ".jpg");
    const JsonValue* fields = line->find("record");
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->find("cameraMake")->text(), std::string("\0Ni", 3) + replacement + "kon");
    EXPECT_EQ(fields->find("lensModel")->text(), "");
    EXPECT_TRUE(fields->find("focalLength")->isNull());
    EXPECT_TRUE(fields->find("aperture")->isNull());
    EXPECT_TRUE(fields->find("shutterSpeed")->isNull());
    EXPECT_EQ(fields->find("iso")->text(), "-1");
}

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (fs::temp_directory_path() / "optara-dump-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code error;
        if (!path_.empty())
            fs::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string randomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFFu);
    return bytes;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(OptaraDump, GarbageInputsGiveOneValidLineEachAndNoRecord)
{
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const fs::path& dir = scratch.path();

    std::vector<std::string> noRecord;  // must give "record": null
    std::vector<std::string> anything;  // must only give a valid line

    fs::create_directory(dir / "folder.jpg");
    noRecord.push_back((dir / "folder.jpg").string());
    noRecord.push_back("/dev/null");
    noRecord.push_back((dir / "does-not-exist.jpg").string());
    writeFile(dir / "empty.jpg", "");
    noRecord.push_back((dir / "empty.jpg").string());
    writeFile(dir / "text.jpg", "not a photo\n");
    noRecord.push_back((dir / "text.jpg").string());
    const fs::path fifo = dir / "pipe.jpg";
    if (mkfifo(fifo.c_str(), 0600) == 0)
        noRecord.push_back(fifo.string());
    const std::string oddName = (dir / "quote\"new\nline\xFF.jpg").string();
    writeFile(oddName, "garbage");
    noRecord.push_back(oddName);

    // Random bytes, and random bytes behind a JPEG start and an EXIF header.
    std::mt19937 random(20240601u);
    for (int i = 0; i < 40; ++i) {
        const auto size = static_cast<std::size_t>(random() % 3000u);
        const fs::path plain = dir / ("random-" + std::to_string(i) + ".jpg");
        writeFile(plain, randomBytes(random, size));
        anything.push_back(plain.string());
        const fs::path exif = dir / ("exif-" + std::to_string(i) + ".jpg");
        const std::string header = std::string("\xFF\xD8\xFF\xE1\x10\x00" "Exif\0\0", 12)
                                   + (i % 2 == 0 ? "II*\0" : std::string("MM\0*", 4));
        writeFile(exif, header + randomBytes(random, size));
        anything.push_back(exif.string());
    }

    std::vector<std::string> arguments = noRecord;
    arguments.insert(arguments.end(), anything.begin(), anything.end());
    const auto run = optara::testing::runProgram(OPTARA_DUMP_PATH, arguments);
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->exitStatus, 0);
    const auto lines = splitLines(run->output);
    ASSERT_EQ(lines.size(), arguments.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(arguments[i]);
        const auto line = JsonValue::parse(lines[i]);
        ASSERT_TRUE(line.has_value()) << lines[i];
        const JsonValue* file = line->find("file");
        ASSERT_NE(file, nullptr);
        if (arguments[i] == oddName)
            EXPECT_EQ(file->text(), (dir / ("quote\"new\nline" + replacement + ".jpg")).string());
        else
            EXPECT_EQ(file->text(), arguments[i]);
        const JsonValue* record = line->find("record");
        ASSERT_NE(record, nullptr);
        if (i < noRecord.size()) {
            EXPECT_TRUE(record->isNull()) << lines[i];
        } else if (!record->isNull()) {
            EXPECT_EQ(memberNames(*record), recordKeys);
        }
    }
}

TEST(OptaraDump, NoArgumentsIsAUsageError)
{
    const auto run = optara::testing::runProgram(OPTARA_DUMP_PATH, {});
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->exitStatus, 2);
    EXPECT_TRUE(run->output.empty());
}

}  // namespace

// Our reader against exiftool over the shared photo corpus: the eight fields
// must agree, present or absent, for every JPEG in it.

#include "JsonValue.h"
#include "MetadataReader.h"
#include "RunProgram.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using optara::ImageMetadata;
using optara::MetadataReader;
using optara::testing::JsonValue;

namespace {

fs::path corpusDir()
{
    if (const char* dir = std::getenv("OPTARA_CORPUS_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    return OPTARA_CORPUS_DIR;
}

std::string lowerExtension(const fs::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<std::string> corpusJpegs(const fs::path& dir)
{
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const std::string extension = lowerExtension(it->path());
        if ((extension == ".jpg" || extension == ".jpeg") && it->is_regular_file(error))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view space = " \t\n\r\f\v";
    const auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// exiftool writes numeric-looking texts as JSON numbers; their source text is
// the value.
std::optional<std::string> exiftoolText(const JsonValue& value)
{
    if (value.kind() == JsonValue::Kind::String || value.kind() == JsonValue::Kind::Number)
        return value.text();
    return std::nullopt;
}

std::string shown(std::string_view text)
{
    std::ostringstream out;
    out << '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20u || byte >= 0x7Fu) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            out << hex;
        } else {
            out << c;
        }
    }
    out << '"';
    return out.str();
}

std::string describe(const JsonValue* value)
{
    if (value == nullptr)
        return "absent";
    if (value->kind() == JsonValue::Kind::String)
        return shown(value->text());
    if (value->kind() == JsonValue::Kind::Number)
        return value->text();
    return "(unexpected JSON kind)";
}

template <typename T>
std::string describe(const std::optional<T>& value)
{
    if (!value)
        return "absent";
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, *value).ptr;
    return std::string(buffer, end);
}

std::string describe(const std::optional<std::string_view>& value)
{
    return value ? shown(*value) : "absent";
}

// Reals agree to one part in a million (exiftool prints ten digits).
bool closeReals(double ours, double theirs)
{
    return std::fabs(ours - theirs) <= 1e-6 * std::max(std::fabs(ours), std::fabs(theirs));
}

// Local wall-clock rendering of a point in time, in exiftool's layout.
std::optional<std::string> exifLocalTime(ImageMetadata::TimePoint time)
{
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    const auto subsecond = time - seconds;
    const std::time_t count = static_cast<std::time_t>(seconds.time_since_epoch().count());
    std::tm local{};
    if (localtime_r(&count, &local) == nullptr)
        return std::nullopt;
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%04d:%02d:%02d %02d:%02d:%02d", local.tm_year + 1900,
                                     local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string text(buffer, static_cast<std::size_t>(length));
    if (subsecond.count() != 0)
        text += " (plus a fraction of a second)";
    return text;
}

bool isDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int fieldValue(std::string_view text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

enum class DateShape { Valid, OutOfRange, OtherLayout };

// "yyyy:MM:dd HH:mm:ss" with in-range fields must be read; the pattern with
// out-of-range fields (0000:00:00 00:00:00) is left to the date parser's
// leniency; any other layout must not be read.
DateShape dateShape(std::string_view text)
{
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':'
        || text[16] != ':')
        return DateShape::OtherLayout;
    const std::string_view year = text.substr(0, 4), month = text.substr(5, 2), day = text.substr(8, 2),
                           hour = text.substr(11, 2), minute = text.substr(14, 2), second = text.substr(17, 2);
    for (const auto part : {year, month, day, hour, minute, second}) {
        if (!isDigits(part))
            return DateShape::OtherLayout;
    }
    const int y = fieldValue(year), mo = fieldValue(month), d = fieldValue(day);
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (mo < 1 || mo > 12 || d < 1 || d > monthDays[mo - 1] || (mo == 2 && d == 29 && !leap)
        || fieldValue(hour) > 23 || fieldValue(minute) > 59 || fieldValue(second) > 59)
        return DateShape::OutOfRange;
    return DateShape::Valid;
}

struct Tally {
    int files = 0;
    int records = 0;
    int valuesCompared = 0;
    int valuesPresent = 0;
    std::vector<std::string> disagreements;
};

class FileCheck {
public:
    FileCheck(std::string file, const JsonValue& expected, Tally& tally)
        : file_(std::move(file)), expected_(expected), tally_(tally)
    {
    }

    void text(const char* tag, std::optional<std::string_view> ours)
    {
        const JsonValue* theirs = expected_.find(tag);
        count(theirs);
        if (theirs == nullptr) {
            if (ours)
                disagree(tag, describe(ours), "absent");
            return;
        }
        const auto theirText = exiftoolText(*theirs);
        if (!ours || !theirText || trimmed(*ours) != trimmed(*theirText))
            disagree(tag, describe(ours), describe(theirs));
    }

    void real(const char* tag, std::optional<double> ours)
    {
        const JsonValue* theirs = expected_.find(tag);
        count(theirs);
        // exiftool shows a zero denominator as "inf" or "undef"; such a value
        // is no number, so we have none.
        if (theirs == nullptr
            || (theirs->kind() == JsonValue::Kind::String
                && (theirs->text() == "inf" || theirs->text() == "-inf" || theirs->text() == "undef"))) {
            if (ours)
                disagree(tag, describe(ours), describe(theirs));
            return;
        }
        if (!ours || theirs->kind() != JsonValue::Kind::Number || !closeReals(*ours, theirs->number()))
            disagree(tag, describe(ours), describe(theirs));
    }

    void iso(std::optional<std::int64_t> ours)
    {
        const JsonValue* theirs = expected_.find("ISO");
        count(theirs);
        if (theirs == nullptr) {
            if (ours)
                disagree("ISO", describe(ours), "absent");
            return;
        }
        // Several values come as one text, "100 200"; the first one counts.
        std::optional<std::int64_t> first;
        if (const auto text = exiftoolText(*theirs)) {
            const std::string_view token = trimmed(*text).substr(0, trimmed(*text).find(' '));
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
            if (error == std::errc() && end == token.data() + token.size())
                first = value;
        }
        if (!ours || !first || *ours != *first)
            disagree("ISO", describe(ours), describe(theirs));
    }

    void date(std::optional<ImageMetadata::TimePoint> ours)
    {
        const JsonValue* theirs = expected_.find("DateTimeOriginal");
        count(theirs);
        const std::optional<std::string> rendered = ours ? exifLocalTime(*ours) : std::nullopt;
        const std::string oursText = ours ? rendered.value_or("(not convertible)") : "absent";
        if (theirs == nullptr || theirs->kind() != JsonValue::Kind::String) {
            if (ours || theirs != nullptr)
                disagree("DateTimeOriginal", oursText, describe(theirs));
            return;
        }
        switch (dateShape(theirs->text())) {
        case DateShape::Valid:
            if (!rendered || *rendered != theirs->text())
                disagree("DateTimeOriginal", oursText, describe(theirs));
            break;
        case DateShape::OutOfRange:
            break;
        case DateShape::OtherLayout:
            if (ours)
                disagree("DateTimeOriginal", oursText, describe(theirs));
            break;
        }
    }

private:
    void count(const JsonValue* theirs)
    {
        ++tally_.valuesCompared;
        if (theirs != nullptr)
            ++tally_.valuesPresent;
    }

    void disagree(const char* tag, const std::string& ours, const std::string& theirs)
    {
        tally_.disagreements.push_back(file_ + ": " + tag + ": ours " + ours + ", exiftool " + theirs);
    }

    std::string file_;
    const JsonValue& expected_;
    Tally& tally_;
};

// Runs exiftool once over all files and compares with our reader in the
// current time zone.
void compareWithExiftool()
{
    const fs::path dir = corpusDir();
    std::error_code error;
    if (!fs::is_directory(dir, error))
        GTEST_SKIP() << "no photo corpus at " << dir;
    if (!optara::testing::onPath("exiftool"))
        GTEST_SKIP() << "exiftool is not installed";

    const std::vector<std::string> files = corpusJpegs(dir);
    ASSERT_FALSE(files.empty()) << "no JPEG in " << dir;

    std::vector<std::string> arguments = {"-j",        "-n",           "-EXIF:Make",         "-EXIF:Model",
                                          "-EXIF:LensModel", "-EXIF:FocalLength", "-EXIF:FNumber",
                                          "-EXIF:ExposureTime", "-EXIF:ISO", "-EXIF:DateTimeOriginal"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const auto run = optara::testing::runProgram("exiftool", arguments);
    ASSERT_TRUE(run.has_value()) << "exiftool did not start";
    const auto output = JsonValue::parse(run->output);
    ASSERT_TRUE(output.has_value()) << "exiftool wrote no valid JSON:\n" << run->output.substr(0, 2000);
    ASSERT_EQ(output->kind(), JsonValue::Kind::Array);

    std::map<std::string, const JsonValue*> bySource;
    for (const JsonValue& entry : output->items()) {
        if (const JsonValue* source = entry.find("SourceFile"); source != nullptr)
            bySource.emplace(source->text(), &entry);
    }

    Tally tally;
    for (const std::string& file : files) {
        const auto found = bySource.find(file);
        if (found == bySource.end()) {
            tally.disagreements.push_back(file + ": missing from exiftool's output");
            continue;
        }
        const std::optional<ImageMetadata> ours = MetadataReader::shared().readMetadata(file);
        ++tally.files;
        if (ours)
            ++tally.records;
        // No record means every field is absent.
        const auto pick = [&](auto getter) { return ours ? getter(*ours) : decltype(getter(*ours)){}; };
        FileCheck check(file, *found->second, tally);
        check.text("Make", pick([](const ImageMetadata& r) { return r.cameraMake(); }));
        check.text("Model", pick([](const ImageMetadata& r) { return r.cameraModel(); }));
        check.text("LensModel", pick([](const ImageMetadata& r) { return r.lensModel(); }));
        check.real("FocalLength", pick([](const ImageMetadata& r) { return r.focalLength(); }));
        check.real("FNumber", pick([](const ImageMetadata& r) { return r.aperture(); }));
        check.real("ExposureTime", pick([](const ImageMetadata& r) { return r.shutterSpeed(); }));
        check.iso(pick([](const ImageMetadata& r) { return r.iso(); }));
        check.date(pick([](const ImageMetadata& r) { return r.creationDate(); }));
    }

    std::cout << "[ corpus   ] " << tally.files << " files, " << tally.records << " records, "
              << tally.valuesPresent << " of " << tally.valuesCompared << " values present in exiftool, "
              << tally.disagreements.size() << " disagreements\n";
    // Guards against a vacuous pass (exiftool reading nothing).
    EXPECT_GT(tally.valuesPresent, 0);
    std::string list;
    for (const auto& line : tally.disagreements)
        list += "  " + line + "\n";
    EXPECT_TRUE(tally.disagreements.empty()) << "disagreements with exiftool:\n" << list;
}

using optara::testing::ZoneOverride;

TEST(CorpusAgreement, EightFieldsMatchExiftoolInMachineZone)
{
    compareWithExiftool();
}

// A zone with daylight saving, one west of Greenwich and one with a half-hour
// shift, so that a date read as UTC or with a fixed offset shows up even on a
// machine that runs on UTC.
class CorpusAgreementInZone : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusAgreementInZone, EightFieldsMatchExiftool)
{
    const std::string zone = GetParam();
    std::error_code error;
    if (!fs::exists(fs::path("/usr/share/zoneinfo") / zone, error))
        GTEST_SKIP() << "time zone " << zone << " is not installed";
    ZoneOverride local(zone);
    compareWithExiftool();
}

std::string zoneTestName(const ::testing::TestParamInfo<const char*>& zone)
{
    std::string name = zone.param;
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Zones, CorpusAgreementInZone,
                         ::testing::Values("Europe/Berlin", "America/New_York", "Australia/Lord_Howe"), zoneTestName);

}  // namespace

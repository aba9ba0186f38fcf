// Our reader against exiftool over the shared photo corpus: the eight fields
// must agree, present or absent, for every JPEG in it.

#include "MetadataReader.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using optara::ImageMetadata;

namespace {

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\n\r\f\v");
    return first == std::string_view::npos
               ? ""
               : std::string(text.substr(first, text.find_last_not_of(" \t\n\r\f\v") - first + 1));
}

// exiftool -T writes "-" for a tag the file lacks.
using Row = std::vector<std::string>;

// File -> Make, Model, LensModel, FocalLength, FNumber, ExposureTime, ISO, DateTimeOriginal.
std::map<std::string, Row> exiftoolRows(const std::vector<std::string>& files)
{
    std::string command =
        "exiftool -q -m -T -n -Directory -FileName -EXIF:Make -EXIF:Model -EXIF:LensModel "
        "-EXIF:FocalLength -EXIF:FNumber -EXIF:ExposureTime -EXIF:ISO -EXIF:DateTimeOriginal";
    for (const std::string& file : files)
        command += " " + shellQuoted(file);
    std::map<std::string, Row> rows;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return rows;
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    ::pclose(pipe);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        Row row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            row.push_back(cell);
        if (row.size() == 10)
            rows[row[0] + "/" + row[1]] = Row(row.begin() + 2, row.end());
    }
    return rows;
}

std::string ours(const std::optional<std::string_view>& text)
{
    return text ? trimmed(*text) : "-";
}

// Reals agree to one part in a million (exiftool prints ten digits); a zero
// denominator, "inf" or "undef" to exiftool, is no number to us.
bool sameReal(std::optional<double> mine, const std::string& theirs)
{
    double value = 0;
    const auto [end, error] = std::from_chars(theirs.data(), theirs.data() + theirs.size(), value);
    if (error != std::errc() || end != theirs.data() + theirs.size() || !std::isfinite(value))
        return !mine;
    return mine && std::fabs(*mine - value) <= 1e-6 * std::max(std::fabs(*mine), std::fabs(value));
}

// Several ISO values come as "100 200"; the first one counts.
bool sameIso(std::optional<std::int64_t> mine, const std::string& theirs)
{
    std::int64_t value = 0;
    const auto end = theirs.data() + std::min(theirs.size(), theirs.find(' '));
    const auto parsed = std::from_chars(theirs.data(), end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end)
        return !mine;
    return mine == value;
}

// Ours in exiftool's layout when the text is a valid capture time; none for
// any other text.
bool sameDate(std::optional<ImageMetadata::TimePoint> mine, const std::string& theirs)
{
    constexpr std::string_view layout = "0000:00:00 00:00:00";
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const bool valid = std::equal(theirs.begin(), theirs.end(), layout.begin(), layout.end(),
                                  [](char c, char l) { return l == '0' ? c >= '0' && c <= '9' : c == l; }) &&
                       std::sscanf(theirs.c_str(), "%d:%d:%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6 &&
                       std::chrono::year_month_day(std::chrono::year(y) / mo / d).ok() && h < 24 && mi < 60 &&
                       s < 60;
    if (!valid || !mine)
        return valid == mine.has_value();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(*mine);
    std::tm local{};
    char text[32];
    return localtime_r(&seconds, &local) && std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) &&
           theirs == text;
}

void compareWithExiftool()
{
    const char* fromEnvironment = std::getenv("OPTARA_CORPUS_DIR");
    const fs::path dir = fromEnvironment && *fromEnvironment ? fromEnvironment : OPTARA_CORPUS_DIR;
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no photo corpus at " << dir;
    if (std::system("exiftool -ver > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool is not installed";

    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            files.push_back(entry.path().string());
    }
    ASSERT_FALSE(files.empty()) << "no JPEG in " << dir;
    const std::map<std::string, Row> rows = exiftoolRows(files);

    int present = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const auto found = rows.find(file);
        ASSERT_NE(found, rows.end()) << "missing from exiftool's output";
        const Row& theirs = found->second;
        present +=
            static_cast<int>(std::count_if(theirs.begin(), theirs.end(), [](auto& v) { return v != "-"; }));
        // No record means every field is absent.
        const auto r = optara::MetadataReader::shared().readMetadata(file).value_or(
            ImageMetadata("", {}, {}, {}, {}, {}, {}, {}, {}));
        EXPECT_EQ(ours(r.cameraMake()), trimmed(theirs[0])) << "Make";
        EXPECT_EQ(ours(r.cameraModel()), trimmed(theirs[1])) << "Model";
        EXPECT_EQ(ours(r.lensModel()), trimmed(theirs[2])) << "LensModel";
        EXPECT_TRUE(sameReal(r.focalLength(), theirs[3])) << "FocalLength " << theirs[3];
        EXPECT_TRUE(sameReal(r.aperture(), theirs[4])) << "FNumber " << theirs[4];
        EXPECT_TRUE(sameReal(r.shutterSpeed(), theirs[5])) << "ExposureTime " << theirs[5];
        EXPECT_TRUE(sameIso(r.iso(), theirs[6])) << "ISO " << theirs[6];
        EXPECT_TRUE(sameDate(r.creationDate(), theirs[7])) << "DateTimeOriginal " << theirs[7];
    }
    // Guards against a vacuous pass (exiftool reading nothing).
    EXPECT_GT(present, 0);
}

// The machine's zone, then one with daylight saving, one west of Greenwich and
// one with a half-hour shift, so that a date read as UTC or with a fixed offset
// shows up even on a machine that runs on UTC.
class CorpusAgreement : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusAgreement, EightFieldsMatchExiftool)
{
    if (GetParam() == "machine") {
        compareWithExiftool();
        return;
    }
    if (!fs::exists("/usr/share/zoneinfo/" + GetParam()))
        GTEST_SKIP() << "time zone " << GetParam() << " is not installed";
    const optara::testing::ZoneOverride zone(GetParam());
    compareWithExiftool();
}

INSTANTIATE_TEST_SUITE_P(Zones, CorpusAgreement,
                         ::testing::Values("machine", "Europe/Berlin", "America/New_York",
                                           "Australia/Lord_Howe"),
                         [](const auto& zone) {
                             std::string name = zone.param;
                             std::replace(name.begin(), name.end(), '/', '_');
                             return name;
                         });

} // namespace

// Our reader against exiftool over the shared photo corpus: the eight fields
// agree, present or absent, for every JPEG in it, in several time zones.

#include "MetadataReader.h"
#include "Text.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>

namespace optara {
namespace {

namespace fs = std::filesystem;
using Row = std::vector<std::string>;

// exiftool -T -n: the eight fields of each file, "-" for a tag it lacks.
std::map<std::string, Row> exiftoolRows(const std::vector<std::string>& files)
{
    std::string command =
        "exiftool -q -m -T -n -Directory -FileName -EXIF:Make -EXIF:Model -EXIF:LensModel "
        "-EXIF:FocalLength -EXIF:FNumber -EXIF:ExposureTime -EXIF:ISO -EXIF:DateTimeOriginal";
    for (const std::string& file : files)
        command += " '" + std::regex_replace(file, std::regex("'"), "'\\''") + "'";
    std::map<std::string, Row> rows;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    char line[1 << 16];
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        Row row;
        std::istringstream cells(std::string(line, std::strcspn(line, "\n")));
        for (std::string cell; std::getline(cells, cell, '\t');)
            row.push_back(cell);
        if (row.size() == 10)
            rows[row[0] + "/" + row[1]] = {row.begin() + 2, row.end()};
    }
    if (pipe)
        ::pclose(pipe);
    return rows;
}

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

// In zones with daylight saving east and west of Greenwich and with a
// half-hour shift, so that a date read as UTC or with a fixed offset shows up
// even on a machine that runs on UTC.
TEST(CorpusAgreement, EightFieldsMatchExiftoolInSeveralZones)
{
    const char* fromEnvironment = std::getenv("OPTARA_CORPUS_DIR");
    const fs::path dir = fromEnvironment && *fromEnvironment ? fromEnvironment : OPTARA_CORPUS_DIR;
    if (!fs::is_directory(dir) || std::system("exiftool -ver > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no photo corpus at " << dir << " or no exiftool";
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() &&
            std::regex_search(entry.path().string(), std::regex("\\.jpe?g$", std::regex::icase)))
            files.push_back(entry.path().string());
    const auto rows = exiftoolRows(files);
    const auto text = [](std::optional<std::string_view> t) {
        return std::string(text::trimmed(t.value_or("-")));
    };
    int present = 0;
    for (const char* zone :
         {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0"}) {
        const testing::ZoneOverride inZone(zone);
        for (const std::string& file : files) {
            SCOPED_TRACE(std::string(zone) + " " + file);
            ASSERT_TRUE(rows.contains(file)) << "missing from exiftool's output";
            const Row& theirs = rows.at(file);
            present += int(std::count_if(theirs.begin(), theirs.end(), [](auto& v) { return v != "-"; }));
            const auto r = MetadataReader::shared().readMetadata(file).value_or(
                ImageMetadata("", {}, {}, {}, {}, {}, {}, {}, {})); // no record: every field absent
            EXPECT_EQ(Row({text(r.cameraMake()), text(r.cameraModel()), text(r.lensModel())}),
                      Row({text(theirs[0]), text(theirs[1]), text(theirs[2])}));
            EXPECT_TRUE(sameNumber(r.focalLength(), theirs[3])) << "FocalLength " << theirs[3];
            EXPECT_TRUE(sameNumber(r.aperture(), theirs[4])) << "FNumber " << theirs[4];
            EXPECT_TRUE(sameNumber(r.shutterSpeed(), theirs[5])) << "ExposureTime " << theirs[5];
            EXPECT_TRUE(sameNumber(r.iso() ? std::optional(double(*r.iso())) : std::nullopt, theirs[6], true))
                << "ISO " << theirs[6];
            EXPECT_TRUE(sameDate(r.creationDate(), theirs[7])) << "DateTimeOriginal " << theirs[7];
        }
    }
    EXPECT_GT(present, 0) << "exiftool read nothing";
}

} // namespace
} // namespace optara

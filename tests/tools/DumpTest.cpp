#include "DumpRecord.h"
#include "JsonWriter.h"
#include "PhotoBuilder.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using optara::ImageMetadata;
using optara::testing::ZoneOverride;
using namespace optara::tools;

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

std::string written(std::string_view text)
{
    JsonWriter json;
    json.string(text);
    return json.text();
}

// Invalid UTF-8 becomes U+FFFD one byte at a time; control characters and DEL
// never appear raw, so a dump line stays one printable line.
TEST(JsonWriter, StringsAreEscapedAndInvalidBytesReplaced)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Canon EOS 40D", R"("Canon EOS 40D")"},
        {"a\"b\\c/", R"("a\"b\\c/")"},
        {std::string("\x01\n\t\r\b\f\x1f\x7f", 8), R"("\u0001\n\t\r\b\f\u001f\u007f")"},
        {std::string("a\0b", 3), R"("a\u0000b")"},
        {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
         "\"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\""},
        {"Caf\xE9", R"("Caf\ufffd")"},
        {"a\x80z", R"("a\ufffdz")"},
        {"\xC0\x80", R"("\ufffd\ufffd")"},                     // overlong NUL
        {"\xE0\x80\xAF", R"("\ufffd\ufffd\ufffd")"},           // overlong three-byte
        {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},           // surrogate
        {"\xF4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"}, // above U+10FFFF
        {"x\xE2\x82", R"("x\ufffd\ufffd")"},                   // cut at the end
        {"\xC3(", R"("\ufffd(")"},
        {"\xFF", R"("\ufffd")"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(written(input), expected);
}

TEST(JsonWriter, NumbersReadBackExactlyAndNonFiniteIsNull)
{
    for (const double x :
         {0.0, -0.0, 0.1, 1.0 / 3.0, 0.00625, 5e-324, std::numeric_limits<double>::max(), -123456.789}) {
        JsonWriter json;
        json.number(x);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(json.text().c_str(), nullptr)),
                  std::bit_cast<std::uint64_t>(x))
            << json.text();
    }
    JsonWriter json;
    json.beginObject();
    for (const auto& [key, value] : {std::pair{"a", nan}, {"b", inf}, {"c", -inf}}) {
        json.key(key);
        json.number(value);
    }
    json.key("d");
    json.number(std::numeric_limits<std::int64_t>::min());
    json.key("e");
    json.numberOrNull(std::optional<std::int64_t>{});
    json.key("f");
    json.stringOrNull(std::optional<std::string_view>{});
    json.endObject();
    EXPECT_EQ(json.text(), R"({"a":null,"b":null,"c":null,"d":-9223372036854775808,"e":null,"f":null})");
}

ImageMetadata::TimePoint utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{second, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
    return std::chrono::system_clock::from_time_t(timegm(&fields));
}

TEST(LocalIsoTime, WallClockTimeWithTheOffsetInForce)
{
    const struct {
        const char* zone;
        ImageMetadata::TimePoint moment;
        const char* expected;
    } cases[] = {
        {"UTC", utc(2008, 5, 30, 13, 56, 1), "2008-05-30T13:56:01+00:00"},
        {"Europe/Berlin", utc(2008, 5, 30, 13, 56, 1), "2008-05-30T15:56:01+02:00"},
        {"Europe/Berlin", utc(2008, 1, 30, 13, 56, 1), "2008-01-30T14:56:01+01:00"},
        {"America/New_York", utc(2008, 5, 30, 3, 56, 1), "2008-05-29T23:56:01-04:00"},
        {"Asia/Kolkata", utc(2021, 7, 4, 18, 30, 5), "2021-07-05T00:00:05+05:30"},
        {"UTC", utc(1969, 12, 31, 23, 59, 59), "1969-12-31T23:59:59+00:00"},
        {"UTC", utc(1970, 1, 1, 0, 0, 0) - std::chrono::milliseconds(500),
         "1969-12-31T23:59:59.500000+00:00"},
        {"UTC", utc(2008, 5, 30, 13, 56, 1) + std::chrono::microseconds(250),
         "2008-05-30T13:56:01.000250+00:00"},
        {"UTC", utc(1901, 1, 2, 3, 4, 5), "1901-01-02T03:04:05+00:00"},
    };
    for (const auto& c : cases) {
        if (!fs::exists(fs::path("/usr/share/zoneinfo") / c.zone))
            GTEST_SKIP() << c.zone << " is not installed";
        const ZoneOverride zone(c.zone);
        EXPECT_EQ(localIsoTime(c.moment), std::optional<std::string>(c.expected));
    }
}

TEST(DumpLine, EveryFieldInOrderAbsentAsNull)
{
    const ZoneOverride zone("UTC");
    const struct {
        std::optional<ImageMetadata> record;
        std::string expected;
    } cases[] = {
        {ImageMetadata("/photos/a \"b\".jpg", " Canon ", "Canon EOS 40D", "EF-S17-85mm f/4-5.6 IS USM ",
                       135.0, 7.1, 100, 0.00625, utc(2008, 5, 30, 15, 56, 1)),
         R"({"file":"/photos/a \"b\".jpg","record":{"cameraMake":" Canon ","cameraModel":"Canon EOS 40D",)"
         R"("lensModel":"EF-S17-85mm f/4-5.6 IS USM ","focalLength":135,"aperture":7.1,"iso":100,)"
         R"("shutterSpeed":0.00625,"creationDate":"2008-05-30T15:56:01+00:00","cameraName":"Canon EOS 40D",)"
         R"("lensName":"EF-S17-85mm f/4-5.6 IS USM"}})"},
        {ImageMetadata("\n\xFF.jpg", {}, {}, "", nan, inf, -1, -inf, {}),
         R"({"file":"\n\ufffd.jpg","record":{"cameraMake":null,"cameraModel":null,"lensModel":"",)"
         R"("focalLength":null,"aperture":null,"iso":-1,"shutterSpeed":null,"creationDate":null,)"
         R"("cameraName":"Unknown Camera","lensName":""}})"},
        {std::nullopt, R"({"file":"\n\ufffd.jpg","record":null})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dumpLine(c.record ? c.record->url() : "\n\xFF.jpg", c.record), c.expected);
}

struct DumpRun {
    int status = -1;
    std::string output;
};

DumpRun dump(const std::vector<std::string>& arguments)
{
    std::string command = OPTARA_DUMP_PATH;
    for (const std::string& argument : arguments) {
        command += " '";
        for (const char c : argument)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "'";
    }
    DumpRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(OptaraDump, OneLinePerArgumentWhateverTheInput)
{
    const ZoneOverride zone("UTC"); // the child inherits it
    const fs::path dir = fs::path(::testing::TempDir()) / ("optara-dump-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder.jpg");
    const auto file = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        optara::testing::writeBytes(dir / name, bytes);
        return (dir / name).string();
    };
    const std::string photo =
        file("photo.jpg", optara::testing::photoJpeg({.make = "Acme",
                                                      .model = "Z7",
                                                      .focalLength = optara::testing::Fraction{50, 1},
                                                      .iso = std::vector<std::uint16_t>{200, 400},
                                                      .dateTimeOriginal = "2021:07:04 18:30:05"}));
    ::mkfifo((dir / "pipe.jpg").c_str(), 0600);
    std::vector<std::string> arguments = {photo,
                                          (dir / "folder.jpg").string(),
                                          "/dev/null",
                                          (dir / "missing.jpg").string(),
                                          file("empty.jpg", {}),
                                          file("quote\"new\nline\xFF.jpg", {'x'}),
                                          (dir / "pipe.jpg").string()};
    std::vector<std::string> expected = {
        R"({"file":)" + written(photo) +
        R"(,"record":{"cameraMake":"Acme","cameraModel":"Z7","lensModel":null,)"
        R"("focalLength":50,"aperture":null,"iso":200,"shutterSpeed":null,"creationDate":"2021-07-04T18:30:05+00:00",)"
        R"("cameraName":"Acme Z7","lensName":"Unknown Lens"}})"};
    for (std::size_t i = 1; i < arguments.size(); ++i)
        expected.push_back(R"({"file":)" + written(arguments[i]) + R"(,"record":null})");
    // Random bytes, bare and behind a JPEG start and an EXIF header: any line will do.
    std::mt19937 random(20240601u);
    for (int i = 0; i < 20; ++i) {
        std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xE1, 0x10, 0x00, 'E', 'x',
                                           'i',  'f',  0,    0,    'I',  'I',  42,  0};
        bytes.resize(i % 2 ? 0 : bytes.size());
        for (auto n = random() % 3000; n > 0; --n)
            bytes.push_back(static_cast<std::uint8_t>(random()));
        arguments.push_back(file("random-" + std::to_string(i) + ".jpg", bytes));
    }

    const DumpRun run = dump(arguments);
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.output.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(run.output.substr(start, end - start));
    ASSERT_EQ(lines.size(), arguments.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i < expected.size())
            EXPECT_EQ(lines[i], expected[i]);
        else
            EXPECT_EQ(lines[i].rfind(R"({"file":)" + written(arguments[i]) + R"(,"record":)", 0), 0u)
                << lines[i];
    }
    fs::remove_all(dir);

    const DumpRun usage = dump({});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.output, "");
}

} // namespace

#include "DumpRecord.h"
#include "PhotoBuilder.h"
#include "ZoneOverride.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using optara::ImageMetadata;
using optara::testing::ZoneOverride;
using namespace optara::tools;

namespace {

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
    const std::string photoRecord =
        R"({"cameraMake":"Acme","cameraModel":"Z7","lensModel":null,"focalLength":50.0,"aperture":null,)"
        R"("iso":200,"shutterSpeed":null,"creationDate":"2021-07-04T18:30:05+00:00","cameraName":"Acme Z7",)"
        R"("lensName":"Unknown Lens"})";
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
        SCOPED_TRACE(arguments[i]);
        const auto line = nlohmann::ordered_json::parse(lines[i], nullptr, false);
        ASSERT_FALSE(line.is_discarded()) << lines[i];
        if (arguments[i].find('\xFF') == std::string::npos)
            EXPECT_EQ(line["file"], arguments[i]);
        if (i == 0)
            EXPECT_EQ(line["record"].dump(), photoRecord);
        else if (i < 7)
            EXPECT_TRUE(line["record"].is_null());
    }
    fs::remove_all(dir);

    const DumpRun usage = dump({});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.output, "");
}

} // namespace

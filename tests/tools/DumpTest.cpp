#include "PhotoBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// Runs optara-dump: its output lines.
std::vector<std::string> dump(const std::vector<std::string>& arguments)
{
    std::string command = OPTARA_DUMP_PATH;
    for (const std::string& argument : arguments) // none holds a single quote
        command += " '" + argument + "'";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::vector<std::string> lines;
    char line[4096]; // no line here is longer
    while (pipe && std::fgets(line, sizeof line, pipe.get()))
        lines.emplace_back(line, std::strcspn(line, "\n"));
    return lines;
}

// A photo gets its record, anything else a null one, an endless device or a
// FIFO with no writer too; the name is kept even when it needs escaping or is
// not UTF-8.
TEST(OptaraDump, OneJsonLinePerArgumentWhateverTheInput)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("optara-dump-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder.jpg");
    ::mkfifo((dir / "pipe.jpg").c_str(), 0600);
    std::vector<std::string> arguments; // an absolute name stays as it is
    for (const char* name : {"photo.jpg", "folder.jpg", "/dev/zero", "empty.jpg", "missing.jpg", "pipe.jpg",
                             "quote\"new\nline\xFF.jpg"})
        arguments.push_back(dir / name);
    optara::testing::writeBytes(arguments[3], {});
    optara::testing::writeBytes(
        arguments[0], optara::testing::photoJpeg(
                          {.make = "Acme", .model = "Z7", .iso = std::vector<std::uint16_t>{200, 400}}));
    const auto lines = dump(arguments);
    fs::remove_all(dir);
    ASSERT_EQ(lines.size(), arguments.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Json line = Json::parse(lines[i], nullptr, false);
        ASSERT_TRUE(line.is_object()) << lines[i];
        EXPECT_EQ(line["file"],
                  i + 1 < lines.size() ? arguments[i] : (dir / "quote\"new\nline\uFFFD.jpg").string());
        EXPECT_EQ(line["record"].is_null(), i > 0) << lines[i];
    }
    const Json record = Json::parse(lines[0])["record"];
    EXPECT_EQ(Json({record["cameraName"], record["iso"], record["lensName"]}),
              Json({"Acme Z7", 200, "Unknown Lens"}));
}

} // namespace

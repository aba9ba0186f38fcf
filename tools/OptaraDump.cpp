// optara-dump FILE...: prints what the metadata reader makes of each file, one
// JSON object per line, for comparing the reader with other tools by hand.

#include "DumpRecord.h"
#include "MetadataReader.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace {

bool writeLine(const std::string& line)
{
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() && std::fputc('\n', stdout) != EOF;
}

// Last resort when even building the line failed (out of memory): still one
// valid line per argument.
std::string fallbackLine()
{
    return R"({"file":null,"record":null})";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: optara-dump FILE...\n", stderr);
        return 2;
    }
    // A closed pipe ends the run with a status instead of a signal.
    std::signal(SIGPIPE, SIG_IGN);

    for (int i = 1; i < argc; ++i) {
        std::optional<optara::ImageMetadata> record;
        try {
            record = optara::MetadataReader::shared().readMetadata(std::filesystem::path(argv[i]));
        } catch (const std::exception&) {
            record.reset();
        }
        std::string line;
        try {
            line = optara::tools::dumpLine(argv[i], record);
        } catch (const std::exception&) {
            line = fallbackLine();
        }
        if (!writeLine(line))
            return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

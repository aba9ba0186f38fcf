#include "FileGatherer.h"

#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

bool isHidden(const fs::path& entry)
{
    const fs::path name = entry.filename();
    return !name.empty() && name.native().front() == '.';
}

// Walks one folder, depth first, each entry before its contents. Symbolic
// links to folders are listed but not entered, so link loops end. A folder or
// entry that cannot be read is passed over; the rest of the walk goes on.
void walk(const fs::path& root, std::vector<fs::path>& found)
{
    constexpr auto options = fs::directory_options::skip_permission_denied;
    std::error_code error;
    std::vector<fs::directory_iterator> stack;
    stack.emplace_back(root, options, error);
    if (error)
        return;
    while (!stack.empty()) {
        fs::directory_iterator& level = stack.back();
        if (level == fs::directory_iterator()) {
            stack.pop_back();
            continue;
        }
        const fs::directory_entry& entry = *level;
        fs::path subfolder;
        if (!isHidden(entry.path())) {
            if (isJpeg(entry.path()))
                found.push_back(entry.path());
            // Uses the type readdir reported where it can: no stat per file.
            if (!entry.is_symlink(error) && entry.is_directory(error))
                subfolder = entry.path();
        }
        level.increment(error);
        if (error)
            level = fs::directory_iterator(); // a broken listing ends this folder only
        if (!subfolder.empty()) {
            fs::directory_iterator inner(subfolder, options, error);
            if (!error)
                stack.push_back(std::move(inner));
        }
    }
}

} // namespace

bool isJpeg(const fs::path& location)
{
    // "a/b.jpg/" names b.jpg, as a dropped folder location may end in a slash.
    const fs::path last = location.has_filename() ? location.filename() : location.parent_path().filename();
    const std::string& name = last.native();
    const auto period = name.rfind('.');
    if (period == std::string::npos)
        return false;
    const std::string_view extension = std::string_view(name).substr(period + 1);
    auto equalsLower = [extension](std::string_view lower) {
        if (extension.size() != lower.size())
            return false;
        for (std::size_t i = 0; i < lower.size(); ++i) {
            const char c = extension[i];
            const char folded = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            if (folded != lower[i])
                return false;
        }
        return true;
    };
    return equalsLower("jpg") || equalsLower("jpeg");
}

std::vector<fs::path> gatherFiles(const std::vector<fs::path>& locations)
{
    std::vector<fs::path> found;
    for (const fs::path& location : locations) {
        if (location.empty())
            continue;
        std::error_code error;
        const fs::file_status status = fs::status(location, error); // follows links
        if (error || !fs::exists(status))
            continue;
        if (fs::is_directory(status))
            walk(location, found);
        else if (isJpeg(location))
            found.push_back(location);
    }
    return found;
}

} // namespace optara

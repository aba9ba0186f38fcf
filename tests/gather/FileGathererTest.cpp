#include "FileGatherer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using optara::gatherFiles;
using optara::isJpeg;
using Names = std::vector<std::string>;

TEST(IsJpeg, NameTestUsesTheLastExtensionInAnyCase)
{
    for (const char* name : {"photo.jpg", "PHOTO.JPG", "photo.jpeg", "a.JpEg", "dir/IMG_0001.JPG",
                             ".hidden.jpg", "archive.tar.jpg", "shots.jpg/"})
        EXPECT_TRUE(isJpeg(name)) << name;
    for (const char* name : {"photo.jpe", "a.jfif", "photo.jpg.txt", "photo", "jpg", "photo.", "photo.jpgx",
                             "photo.xjpg", "", "dir.jpg/photo", "photo.JPG "})
        EXPECT_FALSE(isJpeg(name)) << name;
}

// The walk as names relative to root, in the order found. Folder modes do not
// stop root, so as root it runs in a child that has dropped to nobody.
Names gather(const std::vector<fs::path>& locations, const fs::path& root)
{
    const auto relative = [&] {
        std::string out;
        for (const fs::path& path : gatherFiles(locations))
            out += path.lexically_relative(root).generic_string() + '\n';
        return out;
    };
    std::string found;
    if (::geteuid() != 0) {
        found = relative();
    } else {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return {"<pipe failed>"};
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            const std::string out = relative();
            ::_exit(::write(pipeEnds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 4);
        }
        ::close(pipeEnds[1]);
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            found.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeEnds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return {"<child failed>"};
    }
    Names names;
    for (std::size_t start = 0, end; (end = found.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(found.substr(start, end - start));
    return names;
}

class GatherFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        root_ = fs::temp_directory_path() / ("optara-gather-" + std::to_string(::getpid()));
        for (const char* name :
             {"a.jpg", "B.JPG", "c.JpEg", "one/two/three/four/deep.jpeg", "one/photo.jpg.txt",
              "one/noextension", "one/photo.jpe", ".hidden.jpg", ".secret/inside.jpg",
              "sub/.also/deeper/x.jpg", "shots.jpg/inner.jpg", "shots.jpg/notes.txt", "real/p.jpg",
              "x/in.jpg", "y/README", "locked/by-mode.jpg", "box.jpg/x.jpg", "\xFF\xFE/caf\xE9.jpg"}) {
            fs::create_directories((root_ / name).parent_path());
            std::ofstream(root_ / name) << "x";
        }
        fs::create_directory_symlink(root_ / "real", root_ / "real/loop");
        fs::create_directory_symlink(root_ / "real", root_ / "link.jpg");
        fs::create_symlink(root_ / "real/p.jpg", root_ / "alias.jpg");
        fs::create_symlink(root_ / "nowhere.jpg", root_ / "dangling.jpg");
        fs::create_directory_symlink(root_ / "y", root_ / "x/to-y");
        fs::create_directory_symlink(root_ / "x", root_ / "y/to-x");
        ::mkfifo((root_ / "pipe.jpg").c_str(), 0600);
        fs::permissions(root_ / "locked", fs::perms::none);
        fs::permissions(root_ / "box.jpg", fs::perms::none);
    }
    static void TearDownTestSuite()
    {
        std::error_code error;
        fs::permissions(root_ / "locked", fs::perms::owner_all, error);
        fs::permissions(root_ / "box.jpg", fs::perms::owner_all, error);
        fs::remove_all(root_, error);
    }
    static fs::path root_;
};
fs::path GatherFiles::root_;

// A folder walk: JPEG names at any depth; hidden entries, other names and
// unreadable folders passed over; links listed by name but never entered; a
// FIFO listed without being opened; a folder with a JPEG name both a
// candidate and walked (before its contents); names kept byte for byte.
TEST_F(GatherFiles, FolderWalk)
{
    Names found = gather({root_}, root_);
    const auto at = [&](const std::string& name) { return std::find(found.begin(), found.end(), name); };
    EXPECT_LT(at("shots.jpg"), at("shots.jpg/inner.jpg"));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{"B.JPG", "a.jpg", "alias.jpg", "box.jpg", "c.JpEg", "dangling.jpg", "link.jpg",
                            "one/two/three/four/deep.jpeg", "pipe.jpg", "real/p.jpg", "shots.jpg",
                            "shots.jpg/inner.jpg", "x/in.jpg", "\xFF\xFE/caf\xE9.jpg"}));
}

// Given locations are followed and kept in order, duplicates included.
TEST_F(GatherFiles, GivenLocations)
{
    const struct {
        const char* what;
        std::vector<std::string> locations;
        Names expected;
    } cases[] = {
        {"hidden file", {".hidden.jpg"}, {".hidden.jpg"}},
        {"hidden folder", {".secret"}, {".secret/inside.jpg"}},
        {"folder with a JPEG name is walked, not a candidate", {"shots.jpg"}, {"shots.jpg/inner.jpg"}},
        {"order and duplicates",
         {"B.JPG", "one/two", "B.JPG"},
         {"B.JPG", "one/two/three/four/deep.jpeg", "B.JPG"}},
        {"missing, empty and below a file", {"gone.jpg", "", "a.jpg", "gone/", "a.jpg/child.jpg"}, {"a.jpg"}},
        {"none", {}, {}},
        {"folder link", {"link.jpg"}, {"link.jpg/p.jpg"}},
        {"file link", {"alias.jpg"}, {"alias.jpg"}},
        {"dangling link", {"dangling.jpg"}, {}},
        {"mutual folder links", {"x", "y"}, {"x/in.jpg"}},
        {"unreadable folder", {"locked"}, {}},
        {"FIFO", {"pipe.jpg"}, {"pipe.jpg"}},
        {"name that is not UTF-8", {"\xFF\xFE"}, {"\xFF\xFE/caf\xE9.jpg"}},
    };
    for (const auto& c : cases) {
        std::vector<fs::path> locations;
        for (const std::string& location : c.locations)
            locations.push_back(location.empty() ? fs::path() : root_ / location);
        EXPECT_EQ(gather(locations, root_), c.expected) << c.what;
    }
}

} // namespace

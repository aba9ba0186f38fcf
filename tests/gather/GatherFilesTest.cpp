#include "GatherFiles.h"
#include "PhotoBuilder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Listings as the walk makes them: those made on a team member's thread are counted, and once a member
// has started, the walk's own thread lists nothing until some member has listed, so that members list.
thread_local bool onTeamMember = false;
std::mutex listingMutex;
std::condition_variable memberListed;
bool memberStarted = false;
int listingsByMembers = 0;

} // namespace

// The walk lists a folder through opendir.
extern "C" DIR* opendir(const char* name)
{
    static const auto real = reinterpret_cast<DIR* (*)(const char*)>(::dlsym(RTLD_NEXT, "opendir"));
    std::unique_lock lock(listingMutex);
    if (onTeamMember) {
        ++listingsByMembers;
        memberListed.notify_all();
    } else {
        memberListed.wait(lock, [] { return !memberStarted || listingsByMembers > 0; });
    }
    lock.unlock();
    return real(name);
}

namespace {

using Names = std::vector<std::string>;

// The walk of root / each location ("-" for an empty path) as names relative to root, in the order found.
// Folder modes do not stop root, so root walks as nobody.
Names gather(const fs::path& root, const Names& locations)
{
    std::vector<fs::path> paths;
    for (const std::string& location : locations)
        paths.push_back(location == "-" ? fs::path() : root / location);
    const bool asRoot = ::geteuid() == 0;
    if (asRoot && (::setegid(65534) != 0 || ::seteuid(65534) != 0))
        return {"<cannot become nobody>"};
    Names names;
    for (const fs::path path : optara::gatherFiles(paths))
        names.push_back(path.lexically_relative(root).generic_string());
    if (asRoot && (::seteuid(0) != 0 || ::setegid(0) != 0))
        std::abort();
    return names;
}

TEST(GatherFiles, FolderWalkAndGivenLocations)
{
    const fs::path root = fs::temp_directory_path() / ("optara-gather-" + std::to_string(::getpid()));
    for (const char* name : {"a.jpg", "B.JPG", "one/two/deep.jpeg", ".hidden.jpg", ".secret/in.jpg",
                             "shots.jpg/in.jpg", "shots.jpg/notes.txt", "real/p.jpg", "x/in.jpg", "y/README",
                             "locked/in.jpg", "\xFF\xFE/caf\xE9.jpg", "photo.png", "one/notes.jpg.txt",
                             "one/Archive.tar.JpEg", "one/photo.jpgx", "one/photo.JPG "}) {
        fs::create_directories((root / name).parent_path());
        optara::testing::writeBytes(root / name, optara::testing::photoJpeg({.make = "Acme"}));
    }
    fs::create_directory_symlink(root / "real", root / "link.jpg");
    fs::create_symlink(root / "real/p.jpg", root / "alias.jpg");
    fs::create_symlink(root / "nowhere.jpg", root / "dangling.jpg");
    fs::create_directory_symlink(root / "y", root / "x/to-y");
    fs::create_directory_symlink(root / "x", root / "y/to-x");
    ::mkfifo((root / "pipe.jpg").c_str(), 0600);
    fs::permissions(root / "locked", fs::perms::none);

    // A folder walk: JPEG names at any depth, byte for byte, by their last extension in any case; hidden
    // entries, other names and unreadable folders passed over; links listed, never entered; a FIFO listed;
    // a folder with a JPEG name listed, then walked.
    Names found = gather(root, {""});
    const auto at = [&](const std::string& name) { return std::find(found.begin(), found.end(), name); };
    EXPECT_LT(at("shots.jpg"), at("shots.jpg/in.jpg"));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{"B.JPG", "a.jpg", "alias.jpg", "dangling.jpg", "link.jpg", "one/Archive.tar.JpEg",
                            "one/two/deep.jpeg", "pipe.jpg", "real/p.jpg", "shots.jpg", "shots.jpg/in.jpg",
                            "x/in.jpg", "\xFF\xFE/caf\xE9.jpg"}));

    // Given locations, hidden ones too, are followed and kept in order with duplicates; nothing for a
    // missing, empty or unreadable one, a path below a file or a dangling link; a folder with a JPEG name
    // is only walked. Files are taken by name alone: JPEG content under another name is none.
    EXPECT_EQ(
        gather(root, {".hidden.jpg",  ".secret", "shots.jpg", "B.JPG",           "one/two",  "B.JPG",
                      "gone.jpg",     "-",       "gone/",     "a.jpg/child.jpg", "link.jpg", "alias.jpg",
                      "dangling.jpg", "x",       "y",         "locked",          "pipe.jpg", "\xFF\xFE",
                      "photo.png",    "y/README"}),
        (Names{".hidden.jpg", ".secret/in.jpg", "shots.jpg/in.jpg", "B.JPG", "one/two/deep.jpeg", "B.JPG",
               "link.jpg/p.jpg", "alias.jpg", "x/in.jpg", "pipe.jpg", "\xFF\xFE/caf\xE9.jpg"}));

    fs::permissions(root / "locked", fs::perms::owner_all);
    fs::remove_all(root);
}

TEST(GatherFiles, ListsManyFoldersAtOnceInTheOrderOfAWalkOneByOne)
{
    // Enough folders that the walk lists several at once.
    const fs::path root = fs::temp_directory_path() / ("optara-gather-many-" + std::to_string(::getpid()));
    for (int year = 0; year < 6; ++year)
        for (int day = 0; day < 8; ++day) {
            const fs::path folder =
                root / ("y" + std::to_string(year)) / ("d" + std::to_string(day) + ".jpg");
            fs::create_directories(folder / (day % 2 ? "edits" : ".cache"));
            for (int photo = 0; photo < 30; ++photo)
                std::ofstream(folder / ("p" + std::to_string(photo) + (photo % 4 ? ".jpg" : ".txt")));
            std::ofstream(folder / (day % 2 ? "edits/e.JPEG" : ".cache/c.jpg"));
            fs::create_directory_symlink(root, folder / "up.jpg");
        }

    // What a plain depth-first walk of each location finds: hidden entries skipped, links not entered.
    const std::vector<fs::path> locations{root / "y5", root, root / "y2/d3.jpg", root / "y5"};
    std::vector<std::string> expected;
    for (const fs::path& location : locations)
        for (fs::recursive_directory_iterator entry(location); entry != fs::end(entry); ++entry)
            if (entry->path().filename().native().front() == '.')
                entry.disable_recursion_pending();
            else if (optara::isJpeg(entry->path()))
                expected.push_back(entry->path().native());
    EXPECT_FALSE(expected.empty());

    // Team members on threads of the test's own, or none to be had.
    std::vector<std::thread> team;
    const optara::TaskStarter onThreads = [&](std::function<void()> listing) {
        const std::lock_guard lock(listingMutex);
        memberStarted = true;
        team.emplace_back([listing = std::move(listing)] {
            onTeamMember = true;
            listing();
        });
        return true;
    };
    const optara::TaskStarter refusing = [](const std::function<void()>&) { return false; };
    for (const auto& [starter, members] : {std::pair{onThreads, true}, {refusing, false}, {{}, false}}) {
        memberStarted = false, listingsByMembers = 0;
        // Listings end in a different order each time: a few walks give a fault in putting them together
        // more than one chance to show.
        for (int walk = 0; walk < 3; ++walk)
            EXPECT_EQ(optara::gatherFiles(locations, starter), expected);
        EXPECT_EQ(listingsByMembers > 0, members);
        for (std::thread& member : team)
            member.join();
        team.clear();
    }
    // A walk counts the files it finds; stopped, it lists no folder.
    for (const bool stopped : {false, true}) {
        optara::GatherProgress progress;
        progress.stopped = stopped;
        EXPECT_EQ(optara::gatherFiles(locations, {}, &progress).size(), stopped ? 0 : expected.size());
        EXPECT_EQ(progress.filesFound, stopped ? 0 : expected.size());
    }
    fs::remove_all(root);
}

} // namespace

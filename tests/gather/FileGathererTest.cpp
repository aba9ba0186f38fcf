#include "FileGatherer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using optara::gatherFiles;
using optara::isJpeg;

class TempTree {
public:
    TempTree()
    {
        std::random_device seed;
        root_ = fs::temp_directory_path() / ("optara-gather-" + std::to_string(seed()) + std::to_string(::getpid()));
        fs::create_directories(root_);
    }
    ~TempTree()
    {
        std::error_code error;
        // Give back any permission a test took away so the tree can go.
        for (auto it = fs::recursive_directory_iterator(root_, error); !error && it != fs::recursive_directory_iterator();
             it.increment(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(root_, error);
    }

    const fs::path& root() const { return root_; }

    fs::path file(const std::string& relative)
    {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return path;
    }
    fs::path folder(const std::string& relative)
    {
        const fs::path path = root_ / relative;
        fs::create_directories(path);
        return path;
    }

private:
    fs::path root_;
};

std::vector<std::string> relative(const std::vector<fs::path>& found, const fs::path& root, bool sorted = true)
{
    std::vector<std::string> names;
    for (const fs::path& path : found)
        names.push_back(path.lexically_relative(root).generic_string());
    if (sorted)
        std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

// Folder modes do not stop root, so as root the walk runs in a child that
// has dropped to an unprivileged user. Returns the names relative to root.
Names gatherUnprivileged(const std::vector<fs::path>& locations, const fs::path& root)
{
    if (::geteuid() != 0)
        return relative(gatherFiles(locations), root);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {"<pipe failed>"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        std::string out;
        for (const std::string& name : relative(gatherFiles(locations), root))
            out += name + '\n';
        const bool written = ::write(pipeEnds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
        ::_exit(written ? 0 : 4);
    }
    ::close(pipeEnds[1]);
    std::string in;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        in.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {"<child failed>"};
    Names names;
    for (std::size_t start = 0, end; (end = in.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(in.substr(start, end - start));
    return names;
}

TEST(IsJpeg, NameTestUsesTheLastExtensionInAnyCase)
{
    const struct {
        const char* name;
        bool accepted;
    } cases[] = {
        {"photo.jpg", true},      {"PHOTO.JPG", true},       {"photo.jpeg", true},    {"a.JpEg", true},
        {"dir/IMG_0001.JPG", true}, {".hidden.jpg", true},  {"archive.tar.jpg", true}, {"shots.jpg/", true},
        {"photo.jpe", false},     {"a.jfif", false},         {"a.heic", false},        {"photo.jpg.txt", false},
        {"photo", false},         {"jpg", false},            {"photo.", false},        {"photo.jpgx", false},
        {"photo.xjpg", false},    {"", false},               {"dir.jpg/photo", false}, {"photo.JPG ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isJpeg(c.name), c.accepted) << c.name;
}

TEST(GatherFiles, FindsJpegsAtAnyDepthAndSkipsOtherNames)
{
    TempTree tree;
    tree.file("a.jpg");
    tree.file("B.JPG");
    tree.file("c.JpEg");
    tree.file("one/two/three/four/deep.jpeg");
    tree.file("one/photo.jpg.txt");
    tree.file("one/noextension");
    tree.file("one/photo.jpe");
    tree.file("one/two/README");
    EXPECT_EQ(relative(gatherFiles({tree.root()}), tree.root()),
              (Names{"B.JPG", "a.jpg", "c.JpEg", "one/two/three/four/deep.jpeg"}));
}

TEST(GatherFiles, HiddenEntriesInsideFoldersAreSkippedButNotWhenGivenDirectly)
{
    TempTree tree;
    tree.file("seen.jpg");
    const fs::path hidden = tree.file(".hidden.jpg");
    tree.file(".secret/inside.jpg");
    tree.file("sub/.also/deeper/x.jpg");
    tree.file("sub/visible.jpg");
    EXPECT_EQ(relative(gatherFiles({tree.root()}), tree.root()), (Names{"seen.jpg", "sub/visible.jpg"}));
    EXPECT_EQ(relative(gatherFiles({hidden}), tree.root()), (Names{".hidden.jpg"}));
    // A hidden folder given directly is walked.
    EXPECT_EQ(relative(gatherFiles({tree.root() / ".secret"}), tree.root()), (Names{".secret/inside.jpg"}));
}

TEST(GatherFiles, FolderWithJpegNameIsACandidateAndIsWalked)
{
    TempTree tree;
    tree.file("shots.jpg/inner.jpg");
    tree.file("shots.jpg/notes.txt");
    const auto found = relative(gatherFiles({tree.root()}), tree.root(), false);
    ASSERT_EQ(found.size(), 2u);
    // Each folder comes before its contents.
    EXPECT_EQ(found[0], "shots.jpg");
    EXPECT_EQ(found[1], "shots.jpg/inner.jpg");
    // Given directly, a folder is walked, not itself a candidate.
    EXPECT_EQ(relative(gatherFiles({tree.root() / "shots.jpg"}), tree.root()), (Names{"shots.jpg/inner.jpg"}));
}

TEST(GatherFiles, KeepsInputOrderAndDuplicates)
{
    TempTree tree;
    const fs::path a = tree.file("f/a.jpg");
    const fs::path b = tree.file("b.jpg");
    EXPECT_EQ(relative(gatherFiles({b, a, b}), tree.root(), false), (Names{"b.jpg", "f/a.jpg", "b.jpg"}));
    EXPECT_EQ(relative(gatherFiles({a, tree.root() / "f"}), tree.root(), false), (Names{"f/a.jpg", "f/a.jpg"}));
}

TEST(GatherFiles, MissingAndEmptyLocationsAreSkipped)
{
    TempTree tree;
    const fs::path a = tree.file("a.jpg");
    EXPECT_EQ(relative(gatherFiles({tree.root() / "gone.jpg", fs::path(), a, tree.root() / "gone/"}), tree.root()),
              (Names{"a.jpg"}));
    EXPECT_TRUE(gatherFiles({}).empty());
    EXPECT_TRUE(gatherFiles({tree.root() / "a.jpg/child.jpg"}).empty());  // parent is a file
}

TEST(GatherFiles, SymbolicLinks)
{
    TempTree tree;
    tree.file("real/p.jpg");
    fs::create_directory_symlink(tree.root() / "real", tree.root() / "real/loop");  // real/loop -> real
    fs::create_directory_symlink(tree.root() / "real", tree.root() / "link.jpg");  // folder link with a JPEG name
    fs::create_symlink(tree.root() / "real/p.jpg", tree.root() / "alias.jpg");
    fs::create_symlink(tree.root() / "nowhere.jpg", tree.root() / "dangling.jpg");

    // Inside a walk links are listed by name but never entered.
    EXPECT_EQ(relative(gatherFiles({tree.root()}), tree.root()),
              (Names{"alias.jpg", "dangling.jpg", "link.jpg", "real/p.jpg"}));
    // A given location is followed.
    EXPECT_EQ(relative(gatherFiles({tree.root() / "link.jpg"}), tree.root()), (Names{"link.jpg/p.jpg"}));
    EXPECT_EQ(relative(gatherFiles({tree.root() / "alias.jpg"}), tree.root()), (Names{"alias.jpg"}));
    // A dangling link given directly names nothing that exists.
    EXPECT_TRUE(gatherFiles({tree.root() / "dangling.jpg"}).empty());
}

TEST(GatherFiles, MutualLinkLoopEnds)
{
    TempTree tree;
    tree.file("x/in.jpg");
    tree.folder("y");
    fs::create_directory_symlink(tree.root() / "y", tree.root() / "x/to-y");
    fs::create_directory_symlink(tree.root() / "x", tree.root() / "y/to-x");
    EXPECT_EQ(relative(gatherFiles({tree.root() / "x", tree.root() / "y"}), tree.root()), (Names{"x/in.jpg"}));
}

TEST(GatherFiles, UnreadableFolderIsPassedOverAndTheWalkGoesOn)
{
    TempTree tree;
    tree.file("a/before.jpg");
    tree.file("b/locked/hidden-by-mode.jpg");
    tree.file("c/after.jpg");
    const fs::path locked = tree.root() / "b/locked";
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(gatherUnprivileged({tree.root()}, tree.root()), (Names{"a/before.jpg", "c/after.jpg"}));
    EXPECT_EQ(gatherUnprivileged({locked}, tree.root()), Names{});
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(GatherFiles, FolderNamedLikeAJpegButUnreadableIsStillACandidate)
{
    TempTree tree;
    tree.file("box.jpg/x.jpg");
    fs::permissions(tree.root() / "box.jpg", fs::perms::none);
    EXPECT_EQ(gatherUnprivileged({tree.root()}, tree.root()), (Names{"box.jpg"}));
    fs::permissions(tree.root() / "box.jpg", fs::perms::owner_all);
}

TEST(GatherFiles, FifoIsListedByNameWithoutBeingOpened)
{
    TempTree tree;
    const fs::path fifo = tree.root() / "x.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(relative(gatherFiles({tree.root()}), tree.root()), (Names{"x.jpg"}));
    EXPECT_EQ(relative(gatherFiles({fifo}), tree.root()), (Names{"x.jpg"}));
}

TEST(GatherFiles, NonUtf8NamesArePreservedByteForByte)
{
    TempTree tree;
    const std::string latin1 = "caf\xE9.jpg";
    const std::string folder = "\xFF\xFE";
    tree.file(folder + "/" + latin1);
    tree.file("ok.JPG");
    const auto found = gatherFiles({tree.root()});
    ASSERT_EQ(found.size(), 2u);
    const bool first = found[0].filename() == latin1;
    const fs::path& odd = first ? found[0] : found[1];
    EXPECT_EQ(odd.native(), (tree.root() / folder / latin1).native());
    EXPECT_TRUE(fs::exists(odd));
}

}  // namespace

#include "GatherFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstddef>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

// Folders listed at once, the caller's own listing included: on a network
// share each listing waits a round trip, and this many hide most of them
// without flooding the server.
constexpr std::size_t maxListings = 16;

bool hasJpegExtension(std::string_view name)
{
    const auto period = name.rfind('.');
    if (period == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(period + 1);
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

// One folder as its listing found it: the JPEG-named entries in listing order
// and the subfolders to enter, each with the count of those entries before it.
struct Folder {
    struct Subfolder {
        std::size_t position;
        std::unique_ptr<Folder> folder;
    };

    explicit Folder(std::string where) : path(std::move(where)) {}

    // Its path's bytes: a path object would hold each of its parts too, which
    // down a deep tree costs memory by the square of the depth.
    std::string path;
    std::vector<std::string> files;
    std::vector<Subfolder> subfolders;
    // Guarded by the walk's mutex. The link makes the queue of folders to
    // list a stack that queuing never has to allocate for.
    bool listed = false;
    Folder* below = nullptr;
};

// Whether an entry is a folder to enter: symbolic links are not, so link
// loops end. Uses the type readdir reported where it can: no stat per file.
bool isFolder(DIR* folder, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status {};
    return ::fstatat(::dirfd(folder), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

// Reads one folder. An unreadable folder or a broken listing ends that
// folder only, as running out of memory does.
void read(Folder& folder) noexcept
{
    DIR* const listing = ::opendir(folder.path.c_str());
    if (listing == nullptr)
        return;
    try {
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (name.empty() || name.front() == '.')
                continue;
            std::string path = folder.path;
            if (path.back() != '/')
                path += '/';
            path += name;
            const bool jpeg = hasJpegExtension(name);
            if (isFolder(listing, *entry))
                folder.subfolders.push_back(
                    {folder.files.size() + jpeg, std::make_unique<Folder>(jpeg ? path : std::move(path))});
            if (jpeg)
                folder.files.push_back(std::move(path));
        }
    } catch (const std::bad_alloc&) {
    }
    ::closedir(listing);
}

// Walks folders depth first, each entry before its contents, while a team of
// tasks lists the folders the walk reaches next. The caller assembles the
// listings in walk order. While it waits it starts team members, or lists a
// folder itself, so quick listings, a chain of single folders, or a walk with
// no thread to be had run on the caller alone. The walk waits for every
// listing, so the team is idle when the destructor ends it.
class Walk {
  public:
    Walk(const TaskStarter& startListing, GatherProgress& progress)
        : startListing_(startListing), progress_(progress)
    {
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    ~Walk();

    // Appends top's files and everything below its subfolders to found. Top
    // counts as listed and must outlive the walk, as it owns every listing.
    void run(Folder& top, std::vector<std::string>& found);

  private:
    void waitUntilListed(const Folder& folder);
    void work() noexcept;
    void grow();

    // With mutex_ held; listNext lets go of it while it reads.
    void listNext(std::unique_lock<std::mutex>& lock) noexcept;
    void queueSubfolders(const Folder& folder) noexcept;

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable listed_;
    Folder* pending_ = nullptr; // the first folder in walk order is on top
    std::size_t pendingCount_ = 0;
    std::size_t idle_ = 0;
    bool stopping_ = false;
    const TaskStarter& startListing_;
    GatherProgress& progress_;
    std::size_t members_ = 0;
    bool teamComplete_ = false; // only the caller starts members
    std::condition_variable memberLeft_;
};

Walk::~Walk()
{
    std::unique_lock lock(mutex_);
    stopping_ = true;
    queued_.notify_all();
    memberLeft_.wait(lock, [this] { return members_ == 0; });
}

void Walk::run(Folder& top, std::vector<std::string>& found)
{
    {
        std::lock_guard lock(mutex_);
        queueSubfolders(top);
    }
    struct Frame {
        Folder* folder;
        std::size_t file = 0;
        std::size_t subfolder = 0;
    };
    std::vector<Frame> stack{{&top}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        Folder& folder = *frame.folder;
        const bool done = frame.subfolder == folder.subfolders.size();
        const std::size_t end = done ? folder.files.size() : folder.subfolders[frame.subfolder].position;
        const auto files = folder.files.begin();
        found.insert(found.end(), std::make_move_iterator(files + frame.file),
                     std::make_move_iterator(files + end));
        frame.file = end;
        if (done) {
            stack.pop_back();
            if (!stack.empty()) {
                // Every folder below this one is assembled: its listing goes.
                Frame& parent = stack.back();
                parent.folder->subfolders[parent.subfolder - 1].folder.reset();
            }
            continue;
        }
        Folder& next = *folder.subfolders[frame.subfolder++].folder;
        waitUntilListed(next);
        stack.push_back({&next});
    }
}

void Walk::waitUntilListed(const Folder& folder)
{
    std::unique_lock lock(mutex_);
    while (!folder.listed) {
        if (pendingCount_ == 0) {
            listed_.wait(lock);
            continue;
        }
        const std::size_t others = pendingCount_ - (pending_ == &folder ? 1 : 0);
        if (others > idle_ && !teamComplete_) {
            lock.unlock();
            grow();
            lock.lock();
            continue;
        }
        listNext(lock);
    }
}

void Walk::work() noexcept
{
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || pending_ != nullptr; });
        if (stopping_) {
            --members_;
            memberLeft_.notify_one();
            return;
        }
        --idle_;
        listNext(lock);
        ++idle_;
    }
}

void Walk::grow()
{
    std::unique_lock lock(mutex_);
    // Counted from the start, so no second member is started for the same
    // folder and the destructor waits for this one.
    ++idle_;
    ++members_;
    lock.unlock();
    bool started = false;
    if (startListing_) {
        try {
            started = startListing_([this] { work(); });
        } catch (const std::bad_alloc&) {
        }
    }
    lock.lock();
    if (started) {
        teamComplete_ = members_ == maxListings - 1;
        return;
    }
    // No thread to be had: the caller lists the rest itself.
    teamComplete_ = true;
    --idle_;
    --members_;
}

void Walk::listNext(std::unique_lock<std::mutex>& lock) noexcept
{
    Folder& folder = *pending_;
    pending_ = folder.below;
    --pendingCount_;
    lock.unlock();
    if (!progress_.stopped) {
        read(folder);
        progress_.filesFound += folder.files.size();
    }
    lock.lock();
    folder.listed = true;
    queueSubfolders(folder);
    listed_.notify_one();
}

void Walk::queueSubfolders(const Folder& folder) noexcept
{
    for (auto sub = folder.subfolders.rbegin(); sub != folder.subfolders.rend(); ++sub) {
        sub->folder->below = pending_;
        pending_ = sub->folder.get();
        ++pendingCount_;
    }
    if (folder.subfolders.size() == 1)
        queued_.notify_one();
    else if (!folder.subfolders.empty())
        queued_.notify_all();
}

} // namespace

bool isJpeg(const fs::path& location)
{
    // "a/b.jpg/" names b.jpg, as a dropped folder location may end in a slash.
    const fs::path last = location.has_filename() ? location.filename() : location.parent_path().filename();
    return hasJpegExtension(last.native());
}

std::vector<std::string> gatherFiles(const std::vector<fs::path>& locations, const TaskStarter& startListing,
                                     GatherProgress* progress)
{
    // The given locations stand as the entries of a folder the walk begins in.
    Folder top{std::string()};
    for (const fs::path& location : locations) {
        if (location.empty())
            continue;
        std::error_code error;
        const fs::file_status status = fs::status(location, error); // follows links
        if (error || !fs::exists(status))
            continue;
        if (fs::is_directory(status))
            top.subfolders.push_back({top.files.size(), std::make_unique<Folder>(location.native())});
        else if (isJpeg(location))
            top.files.push_back(location.native());
    }
    GatherProgress unwatched;
    GatherProgress& shared = progress != nullptr ? *progress : unwatched;
    shared.filesFound += top.files.size();
    std::vector<std::string> found;
    Walk walk(startListing, shared);
    walk.run(top, found);
    return found;
}

} // namespace optara

#include "AppViewModel.h"
#include "DumpRecord.h"
#include "FileDescriptor.h"
#include "GatherFiles.h"
#include "MetadataReader.h"
#include "PhotoBuilder.h"
#include "ProcessMemory.h"
#include "ProcessingRun.h"
#include "ReadAhead.h"
#include "ReadPlan.h"
#include "RunThreads.h"
#include "StatsAnalyzer.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace fs = std::filesystem;
using namespace optara;
using namespace optara::testing;
using Rows = std::vector<std::pair<QString, qint64>>;

namespace {

// The i-th of a rotation of gear: lists of more than ten rows, with ties,
// photos without a lens, and one lens spelt two canonically equivalent ways.
void writePhoto(const fs::path& file, int i)
{
    std::optional<std::string> lens = "Lens " + std::to_string(i % 17);
    if (i % 17 == 5)
        lens = i % 2 ? "Caf\xC3\xA9" : "Cafe\xCC\x81";
    else if (i % 17 == 3)
        lens.reset();
    fs::create_directories(file.parent_path());
    writeBytes(file, photoJpeg({"Make", "Model " + std::to_string(i % 13), lens,
                                std::pair(24 + 10 * (i % 12), 1), std::pair(28 + i % 11, 10)},
                               ByteOrder(i % 2)));
}

// The model's photos from the given one on, as their paths.
std::vector<std::string> paths(const AppViewModel& model, std::size_t from = 0)
{
    std::vector<std::string> result;
    for (const auto& photo : model.processedImages())
        result.emplace_back(photo.url());
    result.erase(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(std::min(from, result.size())));
    return result;
}

// A file URL carrying the path's bytes as they are, UTF-8 or not.
QUrl fileUrl(const fs::path& path, const QByteArray& host = {})
{
    return QUrl::fromEncoded("file://" + host +
                             QByteArray::fromStdString(path.native()).toPercentEncoding("/"));
}

// Runs the event loop until no run reads: ended slices post once the pool idles; collecting may start more.
bool readsEnded()
{
    const auto idle = [] { return ProcessingRun::waitForReads(std::chrono::milliseconds(0)); };
    return QTest::qWaitFor([&] { return idle() && (QCoreApplication::sendPostedEvents(), idle()); }, 30000);
}

// The four lists as the views read them, and as computed afresh from the held photos.
std::pair<std::vector<Rows>, std::vector<Rows>> lists(AppViewModel& model)
{
    const auto& stats = StatsAnalyzer::shared();
    const std::vector<ImageMetadata> photos(model.processedImages().begin(), model.processedImages().end());
    std::pair<std::vector<Rows>, std::vector<Rows>> result;
    for (const auto& [shown, items] : {std::pair{model.topCameras(), stats.topCameras(photos)},
                                       {model.topLenses(), stats.topLenses(photos)},
                                       {model.topFocalLengths(), stats.topFocalLengths(photos)},
                                       {model.topApertures(), stats.topApertures(photos)}}) {
        Rows& read = result.first.emplace_back();
        for (int row = 0; row < shown->rowCount(); ++row)
            read.emplace_back(shown->data(shown->index(row), StatListModel::LabelRole).toString(),
                              shown->data(shown->index(row), StatListModel::CountRole).toLongLong());
        for (Rows& rows = result.second.emplace_back(); const auto& item : items)
            rows.emplace_back(QString::fromStdString(item.label()), item.count());
    }
    return result;
}

// Each change announced, in order, with isProcessing and the count then; whether lists matched at each reset.
struct SignalLog {
    QStringList names;
    std::vector<std::pair<bool, int>> seen;
    int listsChecked = 0;
    bool listsMatched = true;
    explicit SignalLog(AppViewModel& model)
    {
        const auto log = [this, &model](const QString& name) {
            names << name;
            seen.emplace_back(model.isProcessing(), model.processedImageCount());
        };
        for (auto [signal, name] : {std::pair{&AppViewModel::isProcessingChanged, "isProcessingChanged"},
                                    {&AppViewModel::processedImagesChanged, "processedImagesChanged"}})
            QObject::connect(&model, signal, &model, [log, name = QString(name)] { log(name); });
        for (auto [list, name] : {std::pair{model.topCameras(), "topCameras"},
                                  {model.topLenses(), "topLenses"},
                                  {model.topFocalLengths(), "topFocalLengths"},
                                  {model.topApertures(), "topApertures"}})
            QObject::connect(list, &QAbstractItemModel::modelReset, &model,
                             [this, &model, log, name = QString(name)] {
                                 log(name);
                                 ++listsChecked;
                                 const auto [shown, analysed] = lists(model);
                                 listsMatched &= shown == analysed;
                             });
    }
};

// Counts the files opened in the folders of a folder since its construction,
// as inotify reports them: past any real count once it has dropped events.
struct FileOpenCounter {
    const exif::FileDescriptor fd{::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)};
    long count = 0;
    explicit FileOpenCounter(const fs::path& folder)
    {
        for (const auto& entry : fs::directory_iterator(folder))
            ::inotify_add_watch(fd.get(), entry.path().c_str(), IN_OPEN);
    }
    long opened()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size = 0; (size = ::read(fd.get(), buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(sizeof(inotify_event))) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                count += (event.mask & IN_Q_OVERFLOW) ? LONG_MAX / 4 : !(event.mask & IN_ISDIR);
                at += event.len;
            }
        }
        return count;
    }
};

// The memory the process holds, in bytes, as the kernel counts it.
long residentBytes()
{
    long size = 0, resident = -1;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Bytes this thread has had the storage read, counted as the reads are asked for.
long storageReadBytes()
{
    std::ifstream io("/proc/thread-self/io");
    for (std::string field; io >> field;) {
        if (field == "read_bytes:" && io >> field)
            return std::stol(field);
    }
    return -1;
}

// Drops the files from the page cache, then reads the first: false where that needs no storage read.
bool dropFromMemory(const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        const exif::FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        ::fdatasync(fd.get());
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    }
    const long before = storageReadBytes();
    (void)MetadataReader::shared().readMetadata(files.front());
    return before >= 0 && storageReadBytes() > before;
}

// Each thread's nice value, by thread id.
std::map<std::string, int> niceByThread()
{
    std::map<std::string, int> nice;
    for (const auto& task : fs::directory_iterator("/proc/self/task"))
        nice[task.path().filename()] =
            ::getpriority(PRIO_PROCESS, static_cast<id_t>(std::stoi(task.path().filename())));
    return nice;
}

const QStringList endOfRun{"topCameras", "topLenses", "topFocalLengths", "topApertures",
                           "processedImagesChanged"};
const QStringList flag{"isProcessingChanged"}, oneRun = flag + endOfRun + flag;

} // namespace

#ifdef __SANITIZE_THREAD__
// Qt is not instrumented, so ThreadSanitizer sees no hand-off through its pools or queued calls. The Qt calls
// our code makes at each are wrapped at link time (CMakeLists.txt): a release before, an acquire after, and
// an acquire where a pooled task begins. One mark for all: it can hide a race that only timing orders, never
// report one Qt prevents.
#include <sanitizer/tsan_interface.h>

static char handOff;
struct AcquireOnExit {
    ~AcquireOnExit() { __tsan_acquire(&handOff); }
};
extern "C" bool
__real__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
extern "C" bool
__wrap__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    QObject* o, QtPrivate::QSlotObjectBase* call, Qt::ConnectionType type, void* ret)
{
    __tsan_release(&handOff);
    const AcquireOnExit after;
    return __real__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
        o, call, type, ret);
}
// A pooled task acquires where it begins.
#define MARKED_START(Return, Symbol, Params, Args)                                                           \
    extern "C" Return __real_##Symbol Params;                                                                \
    extern "C" Return __wrap_##Symbol Params                                                                 \
    {                                                                                                        \
        std::function<void()> marked = [job = std::move(job)] { return __tsan_acquire(&handOff), job(); };   \
        __tsan_release(&handOff);                                                                            \
        return __real_##Symbol Args;                                                                         \
    }
MARKED_START(void, _ZN11QThreadPool5startESt8functionIFvvEEi,
             (QThreadPool * pool, std::function<void()> job, int priority),
             (pool, std::move(marked), priority))
MARKED_START(bool, _ZN11QThreadPool8tryStartESt8functionIFvvEE,
             (QThreadPool * pool, std::function<void()> job), (pool, std::move(marked)))

// A queued call arrives as a meta-call event.
struct QueuedCallAcquire : QObject {
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            __tsan_acquire(&handOff);
        return false;
    }
};
#endif

class AppViewModelTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase() { fs::remove_all(root_); }
    void readAheadAsksForTheHeadsOfFilesNotInMemory();
    void destroyedWhileRunning();
    void recordsAreTheReadersOwnInTheWalksOrderBelowTheGuiThread();
    void publishesOnceAtTheEndOfEachRunAndClears();
    void aRankingBegunBeforeARestartOrACancelIsNeverPublished();
    void memoryIsGivenBackAfterRestart();
    void aShareThatStallsHoldsNoFrameAndOneThatGoesAwayEndsTheRun();

  private:
    const fs::path root_ = fs::temp_directory_path() / ("optara-viewmodel-" + std::to_string(::getpid()));
    const fs::path tree_ = root_ / "tree";   // a few photos and files that are not
    const fs::path big_ = root_ / "big";     // plenty of photos, so a run takes several event-loop turns
    const fs::path small_ = root_ / "small"; // five photos
    const int bigCount_ = 600;
    int guiNice_ = 0;
};

void AppViewModelTest::initTestCase()
{
    configureHeaps(); // as the app does
    // The run's threads are niced below the GUI thread: at nice 19 there is no
    // room, so threads step back to 18 where they may (as root) before a run.
    for (const auto& [thread, nice] : niceByThread())
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(std::stoi(thread)), std::min(nice, 18));
    guiNice_ = niceByThread().at(std::to_string(::gettid())); // before any run could change it
#ifdef __SANITIZE_THREAD__
    qApp->installEventFilter(new QueuedCallAcquire);
#endif
    int i = 0;
    for (const char* name : {"a.jpg", "sub/c.JpEg", ".hidden.jpg", "\xff\xfe.jpg"})
        writePhoto(tree_ / name, i++);
    writeBytes(tree_ / "notes.txt", {'h', 'i'});
    for (int n = 0; n < bigCount_; ++n)
        writePhoto(big_ / ("d" + std::to_string(n % 7)) / ("IMG_" + std::to_string(n) + ".JPG"), n);
    for (int n = 0; n < 5; ++n)
        writePhoto(small_ / ("s" + std::to_string(n) + ".jpg"), n * 2);
}

// Files whose heads the kernel has dropped are asked for at once, all of them,
// unless the last one's is in memory: then asking would only cost. Storage
// reads are counted as they are asked for, so nothing waits on the disk.
void AppViewModelTest::readAheadAsksForTheHeadsOfFilesNotInMemory()
{
    std::vector<std::string> files;
    for (int i = 0; i < 16; ++i) {
        files.push_back(root_ / "cold" / ("c" + std::to_string(i) + ".jpg"));
        writePhoto(files.back(), i);
    }
    for (const bool lastInMemory : {false, true}) {
        if (!dropFromMemory(files))
            QSKIP("the file system here keeps its files in memory");
        if (lastInMemory)
            (void)MetadataReader::shared().readMetadata(files.back());
        const long before = storageReadBytes();
        readAhead(std::span(files).subspan(1)); // the first is in memory now
        const long asked = storageReadBytes() - before;
        QVERIFY2(lastInMemory ? asked == 0 : asked >= 15 * 4096, qPrintable(QString::number(asked)));
    }
}

// A model gone before its run reads, or while it reads, stops the reads; the
// tests after it find the threads and the event loop in working order.
void AppViewModelTest::destroyedWhileRunning()
{
    for (const bool reading : {false, true}) {
        FileOpenCounter opens(big_);
        auto* model = new AppViewModel;
        model->processURLs(QList<QUrl>(30, fileUrl(big_)));
        // Deleted as soon as files are read, past the read-ahead's look at each
        // chunk's last file: early in a chunk.
        for (pollfd opened{opens.fd.get(), POLLIN, 0}; reading && opens.opened() < 16;)
            QCOMPARE(::poll(&opened, 1, 30000), 1);
        delete model;
        const long atDelete = opens.opened();
        QVERIFY(readsEnded());
        QCOMPARE_LT(opens.opened() - atDelete, 2 * RunThreads::mostThreads); // within a file per reader
    }
}

// A run's records are the reader's own, once per mention in the walk's order, over files that fail as they
// are read (gone, not openable, unreadable, a FIFO and an endless device that must not block) and many
// chunks, so chunks end out of order. The run's threads give way to the GUI thread.
void AppViewModelTest::recordsAreTheReadersOwnInTheWalksOrderBelowTheGuiThread()
{
    const fs::path odd = root_ / "odd";
    fs::create_directories(odd / "folder.jpg");
    fs::create_symlink(odd / "gone.jpg", odd / "removed.jpg");
    fs::create_symlink("loop.jpg", odd / "loop.jpg");
    fs::create_symlink("/dev/zero", odd / "zero.jpg");
    QCOMPARE(::mkfifo((odd / "pipe.jpg").c_str(), 0600), 0);
    writePhoto(odd / "plain.jpg", 1);
    std::vector<fs::path> locations{odd, tree_, OPTARA_CORPUS_DIR}; // a missing corpus: both pass it over
    locations.resize(locations.size() + 30, big_);
    QList<QUrl> urls;
    for (const fs::path& location : locations)
        urls << fileUrl(location);
    const std::string gui = std::to_string(::gettid());
    AppViewModel model;
    model.processURLs(urls);
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    const auto nice = niceByThread(); // while the run's threads are kept
    std::vector<std::string> run, reader;
    for (const auto& record : model.processedImages())
        run.push_back(tools::dumpLine(record.url(), record));
    // Each file read once, however often the walk finds it.
    std::map<std::string, std::optional<std::string>> line;
    for (const std::string& file : gatherFiles(locations)) {
        if (!line.contains(file)) {
            const auto record = MetadataReader::shared().readMetadata(file);
            line[file] = record ? std::optional(tools::dumpLine(file, record)) : std::nullopt;
        }
        if (line[file])
            reader.push_back(*line[file]);
    }
    QCOMPARE(run, reader);

    QCOMPARE(nice.at(gui), guiNice_);
    if (guiNice_ == 19)
        QSKIP("the GUI thread runs at nice 19, which leaves the run's threads no lower priority");
    QVERIFY(
        std::any_of(nice.begin(), nice.end(), [&](const auto& thread) { return thread.second > guiNice_; }));
}

void AppViewModelTest::publishesOnceAtTheEndOfEachRunAndClears()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    const int before = model.processedImageCount(), after = before + bigCount_;

    // The state changes only as announced: the log sees every change.
    SignalLog log(model);
    QVariantMap progress; // as the run publishes: every file found has been read
    QObject::connect(
        &model, &AppViewModel::processedImagesChanged, &model, [&] { progress = model.progress(); },
        Qt::SingleShotConnection);
    model.processURLs({fileUrl(big_)});
    QCOMPARE(log.names, flag); // only the flag before the call returns
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    const auto files = static_cast<qulonglong>(gatherFiles({big_}).size());
    QCOMPARE(progress, (QVariantMap{{"filesFound", files}, {"filesRead", files}, {"walking", false}}));
    // The lists are replaced with the batch, which is then announced; the flag drops last.
    QCOMPARE(log.names, oneRun);
    for (std::size_t i = 1; i < log.seen.size(); ++i)
        QCOMPARE(log.seen[i], std::pair(i + 1 < log.seen.size(), after));
    // Each photo once, in the order of the walk whatever order the reads
    // ended in, so the same folder always gives the same lists, ties included.
    QCOMPARE(paths(model, before), gatherFiles({big_}));
    QCOMPARE(lists(model).first, lists(model).second);
    QVERIFY(lists(model).first[1].size() > 10);

    // Folders, files (twice), a name that is not UTF-8 and a host are read; a URL that is not a file's, a
    // missing file and a file that is not a JPEG add nothing; a run that adds nothing still ends.
    for (const QList<QUrl>& urls :
         {QList<QUrl>{fileUrl(tree_ / "notes.txt"), QUrl("https://example.org" + fileUrl(tree_).path())},
          {fileUrl(tree_), fileUrl(tree_ / "sub/c.JpEg"), fileUrl(tree_ / "a.jpg"), fileUrl(tree_ / "a.jpg"),
           fileUrl(tree_ / "\xff\xfe.jpg"), fileUrl(tree_ / "a.jpg", "example.org"),
           fileUrl(tree_ / "missing.jpg")}}) {
        log.names.clear();
        model.processURLs(urls);
        QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
        QCOMPARE(log.names, oneRun);
        QCOMPARE(lists(model).first, lists(model).second);
    }
    std::multiset<std::string> found;
    for (const std::string& path : paths(model, after))
        found.insert(fs::path(path).lexically_relative(tree_).generic_string());
    QVERIFY(found == std::multiset<std::string>({"a.jpg", "a.jpg", "a.jpg", "a.jpg", "sub/c.JpEg",
                                                 "sub/c.JpEg", "\xff\xfe.jpg", "\xff\xfe.jpg"}));

    // A clear empties everything at once, and a run in flight still lands
    // after it; the flag stays up until the last run ends.
    log.names.clear(), log.seen.clear();
    model.processURLs({fileUrl(big_)});
    model.clearData();
    QCOMPARE(log.names, flag + endOfRun);
    QCOMPARE(log.seen.back(), std::pair(true, 0));
    QCOMPARE(lists(model).first, std::vector<Rows>(4));
    model.processURLs({fileUrl(small_)});
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    QCOMPARE(log.names, flag + endOfRun + flag + endOfRun + endOfRun + flag);
    for (std::size_t i = 0; i + 1 < log.seen.size(); ++i)
        QVERIFY(log.seen[i].first);
    QCOMPARE(log.seen.back(), std::pair(false, bigCount_ + 5));
    QCOMPARE(lists(model).first, lists(model).second);
    model.clearData();
    QCOMPARE(log.seen.back(), std::pair(false, 0));
    QCOMPARE(log.listsChecked, 7 * 4);
    QVERIFY(log.listsMatched);
}

// A run that ends while Qt's pool is held ranks its batch with the counts held then; a Restart before that
// ranking starts makes it stale. The run still lands, ranked over what the Restart left. After a Restart the
// run lands alone; a cancel leaves the model as it was, at once.
void AppViewModelTest::aRankingBegunBeforeARestartOrACancelIsNeverPublished()
{
    for (const bool cancel : {false, true}) {
        AppViewModel model;
        model.processURLs({fileUrl(big_)});
        QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
        const std::vector<Rows> before = lists(model).first;

        QThreadPool& pool = *QThreadPool::globalInstance();
        QSemaphore started, release;
        for (int i = 0; i < pool.maxThreadCount(); ++i)
            pool.start([&] { started.release(), release.acquire(); });
        started.acquire(pool.maxThreadCount());
        model.processURLs({fileUrl(small_)});
        QVERIFY(readsEnded());
        cancel ? model.cancelRuns() : model.clearData();
        QCOMPARE(model.isProcessing(), !cancel);
        release.release(pool.maxThreadCount());
        QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing() && pool.waitForDone(0), 30000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(model.processedImageCount(), cancel ? bigCount_ : 5);
        QCOMPARE(lists(model).first, cancel ? before : lists(model).second);
    }
}

// After each Restart what a run of a hundred thousand photos held is given back,
// not kept by its threads' heaps; the first cycle brings in what stays (threads, caches).
void AppViewModelTest::memoryIsGivenBackAfterRestart()
{
#ifdef __SANITIZE_THREAD__
    QSKIP("the sanitizer's allocator holds freed memory by its own rules");
#endif
    const int mentions = 170; // about 20 MB of photos and paths
    AppViewModel model;
    long before = 0;
    for (int cycle = 0; cycle < 4; ++cycle) {
        before = cycle == 1 ? residentBytes() : before;
        model.processURLs(QList<QUrl>(mentions, fileUrl(big_)));
        QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
        QCOMPARE(model.processedImageCount(), mentions * bigCount_);
        model.clearData();
        QTRY_VERIFY_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount() == 0, 30000);
    }
    QCOMPARE_LT(residentBytes() - before, 12L << 20);
}

// A share served by slowfs, a FUSE file system that answers after a set round
// trip: while it answers nothing the reads wait and the GUI thread turns on;
// once it is gone every read fails at once and the run publishes what it read.
void AppViewModelTest::aShareThatStallsHoldsNoFrameAndOneThatGoesAwayEndsTheRun()
{
    if (!fs::exists(OPTARA_SLOWFS))
        QSKIP("slowfs is not built here (needs libfuse3)");
    const int photos = 2000;
    const fs::path library = root_ / "library", mount = root_ / "share";
    fs::create_directories(mount);
    for (int i = 0; i < photos; ++i)
        writePhoto(library / std::to_string(i % 8) / ("p" + std::to_string(i) + ".jpg"), i);
    QProcess slowfs;
    slowfs.start(QStringLiteral(OPTARA_SLOWFS), {library.c_str(), mount.c_str(), QStringLiteral("20000")});
    const auto unmount = qScopeGuard([&] {
        slowfs.kill(), slowfs.waitForFinished();
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), mount.c_str()});
    });
    if (!QTest::qWaitFor([&] { return fs::exists(mount / "0"); }, 5000)) // the library shows through
        QSKIP("FUSE cannot be mounted here (needs /dev/fuse and the right to mount)");

    // The share is read by as many readers as there are threads, a local disk by fewer.
    QCOMPARE(ReadPlan::forLocations({root_, mount}).readers, RunThreads::mostThreads);
    QCOMPARE_LT(ReadPlan::forLocations({root_}).readers, RunThreads::mostThreads);
    // Once more files are opened than the readers hold at once, some are read whole.
    FileOpenCounter opens(library);
    AppViewModel model;
    model.processURLs({fileUrl(mount)});
    QTRY_VERIFY_WITH_TIMEOUT(opens.opened() > 2 * RunThreads::mostThreads, 30000);
    ::kill(static_cast<pid_t>(slowfs.processId()), SIGSTOP);
    bool turned = false;
    QTimer::singleShot(0, this, [&] { turned = true; });
    QTRY_VERIFY(turned);
    QVERIFY(model.isProcessing());
    slowfs.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    QCOMPARE_GT(model.processedImageCount(), 0);
    QCOMPARE_LT(model.processedImageCount(), photos);
}

QTEST_GUILESS_MAIN(AppViewModelTest)

#include "AppViewModelTest.moc"

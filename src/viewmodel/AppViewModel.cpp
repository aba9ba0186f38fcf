#include "AppViewModel.h"

#include "FileGatherer.h"
#include "MetadataReader.h"
#include "StatsAnalyzer.h"

#include <QByteArray>
#include <QMetaObject>
#include <QPointer>
#include <QRunnable>
#include <QString>
#include <QThreadPool>
#include <QVariantMap>

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

// Jobs for the global thread pool. Each hand-off between threads passes
// through a std::mutex of ours, not only through Qt's internal locks, so the
// ordering is visible to ThreadSanitizer with an uninstrumented Qt too.
class WorkQueue {
public:
    static WorkQueue& shared()
    {
        // Never destroyed: pool threads may still pop from it during exit.
        static WorkQueue* const queue = new WorkQueue;
        return *queue;
    }

    void post(std::function<void()> job)
    {
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        QThreadPool::globalInstance()->start(&pump_);
    }

private:
    // One pool task per posted job; it carries no data of its own.
    class Pump : public QRunnable {
    public:
        Pump() { setAutoDelete(false); }
        void run() override { WorkQueue::shared().runOne(); }
    };

    void runOne()
    {
        std::function<void()> job;
        {
            const std::lock_guard lock(mutex_);
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }

    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
    Pump pump_;
};

} // namespace

// One processing run: the walk, then the reads in chunks, then the hand-over
// of the batch. Lives on the GUI thread and deletes itself once every worker
// has reported back, so no worker ever posts to a deleted run.
class ProcessingRun : public QObject {
    Q_OBJECT

public:
    ProcessingRun(AppViewModel* owner, std::vector<fs::path> locations)
        : owner_(owner), locations_(std::move(locations))
    {
    }

    Q_INVOKABLE void start()
    {
        if (!owner_) {
            deleteLater();
            return;
        }
        WorkQueue::shared().post([this] { walk(); });
    }

    // The walk has ended: one read job per chunk of candidates.
    Q_INVOKABLE void walked()
    {
        std::size_t count = 0;
        {
            const std::lock_guard lock(mutex_);
            count = candidates_.size();
        }
        if (count == 0 || !owner_) {
            finish();
            return;
        }
        // No reallocation of the batch while results arrive: moving tens of
        // thousands of records at once would stall the GUI thread.
        batch_.reserve(count);
        // Small chunks keep every pool thread busy to the end; a few hundred
        // files per chunk keep the GUI thread's share to one event per chunk.
        const std::size_t threads =
            static_cast<std::size_t>(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
        const std::size_t chunk = std::clamp<std::size_t>(count / (threads * 8), 1, 256);
        for (std::size_t begin = 0; begin < count; begin += chunk) {
            const std::size_t end = std::min(count, begin + chunk);
            ++reportsOutstanding_;
            WorkQueue::shared().post([this, begin, end] { read(begin, end); });
        }
    }

    // One chunk has been read. Nothing is published until the last one.
    Q_INVOKABLE void collect()
    {
        {
            const std::lock_guard lock(mutex_);
            for (auto& records : arrived_)
                std::move(records.begin(), records.end(), std::back_inserter(batch_));
            arrived_.clear();
        }
        if (--reportsOutstanding_ == 0)
            finish();
    }

private:
    void walk()
    {
        std::vector<fs::path> locations;
        {
            const std::lock_guard lock(mutex_);
            locations.swap(locations_);
        }
        std::vector<fs::path> candidates = AppViewModel::gatherFiles(locations);
        const std::lock_guard lock(mutex_);
        candidates_ = std::move(candidates);
        // Posted under the lock the GUI side takes first, so the run cannot be
        // deleted before this worker is done with it.
        QMetaObject::invokeMethod(this, "walked", Qt::QueuedConnection);
    }

    void read(std::size_t begin, std::size_t end)
    {
        // candidates_ stays unchanged until every chunk has reported back.
        std::vector<ImageMetadata> records;
        records.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            if (auto record = MetadataReader::shared().readMetadata(candidates_[i]))
                records.push_back(std::move(*record));
        }
        const std::lock_guard lock(mutex_);
        arrived_.push_back(std::move(records));
        QMetaObject::invokeMethod(this, "collect", Qt::QueuedConnection);
    }

    void finish()
    {
        // A hundred thousand paths take milliseconds to free: not on the GUI thread.
        auto spent = std::make_shared<std::vector<fs::path>>(std::move(candidates_));
        WorkQueue::shared().post([spent = std::move(spent)] {});
        if (owner_)
            owner_->finishRun(std::move(batch_));
        deleteLater();
    }

    QPointer<AppViewModel> owner_;     // GUI thread only
    std::vector<ImageMetadata> batch_; // GUI thread only
    int reportsOutstanding_ = 0;       // GUI thread only

    std::mutex mutex_;
    std::vector<fs::path> locations_;
    std::vector<fs::path> candidates_;
    std::vector<std::vector<ImageMetadata>> arrived_;
};

} // namespace optara

namespace {

QVariantList toVariantList(const std::vector<optara::StatItem>& items)
{
    QVariantList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const optara::StatItem& item : items) {
        list.append(QVariantMap{
            {QStringLiteral("id"), QString::fromStdString(item.id().toString())},
            {QStringLiteral("label"),
             QString::fromUtf8(item.label().data(), static_cast<qsizetype>(item.label().size()))},
            {QStringLiteral("count"), QVariant::fromValue<qint64>(item.count())},
        });
    }
    return list;
}

} // namespace

AppViewModel::AppViewModel(QObject* parent) : QObject(parent)
{
}

bool AppViewModel::isProcessing() const
{
    return isProcessing_;
}

const std::vector<optara::ImageMetadata>& AppViewModel::processedImages() const
{
    return processedImages_;
}

int AppViewModel::processedImageCount() const
{
    return static_cast<int>(std::min<std::size_t>(processedImages_.size(), INT_MAX));
}

QVariantList AppViewModel::topCameras() const
{
    return topCameras_;
}

QVariantList AppViewModel::topLenses() const
{
    return topLenses_;
}

QVariantList AppViewModel::topFocalLengths() const
{
    return topFocalLengths_;
}

QVariantList AppViewModel::topApertures() const
{
    return topApertures_;
}

void AppViewModel::processURLs(const QList<QUrl>& urls)
{
    isProcessing_ = true;
    ++runsInFlight_;
    emit isProcessingChanged();

    std::vector<fs::path> locations;
    locations.reserve(static_cast<std::size_t>(urls.size()));
    for (const QUrl& url : urls)
        locations.push_back(localPath(url));
    auto* run = new optara::ProcessingRun(this, std::move(locations));
    // The run begins on a later turn of the event loop, after the caller's.
    QMetaObject::invokeMethod(run, &optara::ProcessingRun::start, Qt::QueuedConnection);
}

void AppViewModel::clearData()
{
    std::vector<optara::ImageMetadata>().swap(processedImages_); // gives the memory back
    emit processedImagesChanged();
    refreshStats();
}

std::vector<fs::path> AppViewModel::gatherFiles(const std::vector<fs::path>& locations)
{
    return optara::gatherFiles(locations);
}

bool AppViewModel::isJpeg(const fs::path& location)
{
    return optara::isJpeg(location);
}

fs::path AppViewModel::localPath(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    // Decoding the encoded path keeps bytes that are not UTF-8, which
    // toLocalFile() would replace.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return fs::path(bytes.toStdString());
}

void AppViewModel::refreshStats()
{
    const auto& analyzer = optara::StatsAnalyzer::shared();
    topCameras_ = toVariantList(analyzer.topCameras(processedImages_));
    emit topCamerasChanged();
    topLenses_ = toVariantList(analyzer.topLenses(processedImages_));
    emit topLensesChanged();
    topFocalLengths_ = toVariantList(analyzer.topFocalLengths(processedImages_));
    emit topFocalLengthsChanged();
    topApertures_ = toVariantList(analyzer.topApertures(processedImages_));
    emit topAperturesChanged();
}

void AppViewModel::finishRun(std::vector<optara::ImageMetadata> batch)
{
    if (processedImages_.empty())
        processedImages_ = std::move(batch);
    else
        processedImages_.insert(processedImages_.end(), std::make_move_iterator(batch.begin()),
                                std::make_move_iterator(batch.end()));
    emit processedImagesChanged();
    refreshStats();
    if (--runsInFlight_ == 0) {
        isProcessing_ = false;
        emit isProcessingChanged();
    }
}

#include "AppViewModel.moc"

#include "AppViewModel.h"

#include "GuiThread.h"
#include "ProcessMemory.h"
#include "ProcessingRun.h"
#include "StatsTally.h"

#include <QByteArray>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <climits>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

// Ranking and freeing run on Qt's global pool, apart from the runs' threads.
//
// Photos and lists a window lets go of: a million records take tens of ms to
// free, so a worker frees them, then hands the freed memory back.
template <typename... Held> void freeOnWorker(Held&&... held)
{
    QThreadPool::globalInstance()->start(
        [held = std::make_shared<std::tuple<std::decay_t<Held>...>>(std::forward<Held>(held)...)]() mutable {
            held.reset();
            returnFreedMemory();
        });
}

} // namespace

AppViewModel::AppViewModel(QObject* parent) : QObject(parent), tally_(std::make_shared<const StatsTally>())
{
    for (StatListModel& list : lists_)
        list.setParent(this);
}

AppViewModel::~AppViewModel()
{
    runs_.clear();
    // Lists emptied as their model goes announce nothing: their observers go too.
    for (StatListModel& list : lists_)
        list.blockSignals(true);
    Lists lists;
    StatListModel::replaceTogether(listModels(), lists);
    freeOnWorker(std::move(processedImages_), std::move(finished_), std::move(tally_), std::move(lists));
}

bool AppViewModel::isProcessing() const
{
    return isProcessing_;
}

const PhotoList& AppViewModel::processedImages() const
{
    return processedImages_;
}

int AppViewModel::processedImageCount() const
{
    return static_cast<int>(std::min<std::size_t>(processedImages_.size(), INT_MAX));
}

StatListModel* AppViewModel::topCameras()
{
    return &lists_[static_cast<std::size_t>(StatList::Cameras)];
}

StatListModel* AppViewModel::topLenses()
{
    return &lists_[static_cast<std::size_t>(StatList::Lenses)];
}

StatListModel* AppViewModel::topFocalLengths()
{
    return &lists_[static_cast<std::size_t>(StatList::FocalLengths)];
}

StatListModel* AppViewModel::topApertures()
{
    return &lists_[static_cast<std::size_t>(StatList::Apertures)];
}

std::array<StatListModel*, allStatLists.size()> AppViewModel::listModels()
{
    std::array<StatListModel*, allStatLists.size()> models;
    for (std::size_t i = 0; i < lists_.size(); ++i)
        models[i] = &lists_[i];
    return models;
}

void AppViewModel::processURLs(const QList<QUrl>& urls)
{
    isProcessing_ = true;
    ++runsInFlight_;
    placingRun_ = true;
    emit isProcessingChanged();

    std::vector<fs::path> locations;
    locations.reserve(static_cast<std::size_t>(urls.size()));
    for (const QUrl& url : urls)
        locations.push_back(localPath(url));
    const std::uint64_t number = ++runsStarted_;
    runs_.emplace(number,
                  std::make_unique<ProcessingRun>(std::move(locations), this,
                                                  [this, number](std::vector<ImageMetadata> photos,
                                                                 std::shared_ptr<const StatsTally> tally) {
                                                      finishRun(number, std::move(photos), std::move(tally));
                                                  }));
    placingRun_ = false;
}

void AppViewModel::clearData()
{
    ++resets_;
    PhotoList photos;
    refreshStats({}, [&] { photos = std::exchange(processedImages_, {}); });
    freeOnWorker(std::move(photos), std::exchange(tally_, std::make_shared<const StatsTally>()));
}

void AppViewModel::cancelRuns()
{
    if (runsInFlight_ == 0)
        return;
    ++resets_;
    runs_.clear();
    freeOnWorker(std::exchange(finished_, {}));
    runsInFlight_ = 0;
    filesFoundByFinished_ = filesReadByFinished_ = 0;
    isProcessing_ = false;
    emit isProcessingChanged();
}

QVariantMap AppViewModel::progress() const
{
    ProcessingRun::Progress total{filesFoundByFinished_, filesReadByFinished_, placingRun_};
    for (const auto& [number, run] : runs_) {
        const ProcessingRun::Progress progress = run->progress();
        total.filesFound += progress.filesFound;
        total.filesRead += progress.filesRead;
        total.walking = total.walking || progress.walking;
    }
    return {{QStringLiteral("filesFound"), static_cast<qulonglong>(total.filesFound)},
            {QStringLiteral("filesRead"), static_cast<qulonglong>(total.filesRead)},
            {QStringLiteral("walking"), total.walking}};
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

void AppViewModel::finishRun(std::uint64_t run, std::vector<ImageMetadata> photos,
                             std::shared_ptr<const StatsTally> tally)
{
    if (const auto finishing = runs_.find(run); finishing != runs_.end()) {
        const ProcessingRun::Progress progress = finishing->second->progress();
        filesFoundByFinished_ += progress.filesFound;
        filesReadByFinished_ += progress.filesRead;
        runs_.erase(finishing);
    }
    finished_.push_back({std::move(photos), std::move(tally)});
    rankNext();
}

void AppViewModel::rankNext()
{
    if (ranking_ || finished_.empty())
        return;
    ranking_ = true;
    QThreadPool::globalInstance()->start([self = QPointer<AppViewModel>(this), resets = resets_,
                                          held = tally_, batch = finished_.front().tally] {
        auto tally = std::make_shared<StatsTally>(*held);
        tally->append(*batch);
        Lists lists;
        for (StatList list : allStatLists)
            lists[static_cast<std::size_t>(list)] = tally->ranked(list);
        callOnGuiThread(self, [self, resets, tally = std::shared_ptr<const StatsTally>(std::move(tally)),
                               lists = std::move(lists)]() mutable {
            self->ranked(resets, std::move(tally), std::move(lists));
        });
    });
}

void AppViewModel::ranked(std::uint64_t resets, std::shared_ptr<const StatsTally> tally, Lists lists)
{
    ranking_ = false;
    if (resets == resets_)
        publish(std::move(tally), std::move(lists));
    rankNext();
}

// The end of one run, in one stretch on the GUI thread.
void AppViewModel::publish(std::shared_ptr<const StatsTally> tally, Lists lists)
{
    refreshStats(std::move(lists), [this] {
        processedImages_.append(std::move(finished_.front().photos));
        finished_.pop_front();
    });
    freeOnWorker(std::exchange(tally_, std::move(tally)));
    if (--runsInFlight_ == 0) {
        filesFoundByFinished_ = filesReadByFinished_ = 0;
        isProcessing_ = false;
        emit isProcessingChanged();
    }
}

void AppViewModel::refreshStats(Lists lists, const std::function<void()>& alsoChange)
{
    StatListModel::replaceTogether(listModels(), lists, alsoChange);
    emit processedImagesChanged();
    freeOnWorker(std::move(lists));
}

} // namespace optara

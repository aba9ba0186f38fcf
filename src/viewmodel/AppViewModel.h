#pragma once

#include "ImageMetadata.h"
#include "PhotoList.h"
#include "StatList.h"
#include "StatListModel.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace optara {

class ProcessingRun;
class StatsTally;

// The state of one window. Lives on the GUI thread; every property changes
// there, and a processing run publishes once, at its end.
class AppViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(int processedImageCount READ processedImageCount NOTIFY processedImagesChanged)
    // The ranked lists; each is reset whole when it changes.
    Q_PROPERTY(optara::StatListModel* topCameras READ topCameras CONSTANT)
    Q_PROPERTY(optara::StatListModel* topLenses READ topLenses CONSTANT)
    Q_PROPERTY(optara::StatListModel* topFocalLengths READ topFocalLengths CONSTANT)
    Q_PROPERTY(optara::StatListModel* topApertures READ topApertures CONSTANT)

  public:
    explicit AppViewModel(QObject* parent = nullptr);
    ~AppViewModel() override;

    bool isProcessing() const;
    const PhotoList& processedImages() const;
    int processedImageCount() const;
    StatListModel* topCameras();
    StatListModel* topLenses();
    StatListModel* topFocalLengths();
    StatListModel* topApertures();

    // Takes local file or folder URLs; returns at once with isProcessing true.
    Q_INVOKABLE void processURLs(const QList<QUrl>& urls);
    Q_INVOKABLE void clearData();
    // Stops every run in flight: none of them publishes, and isProcessing goes false.
    Q_INVOKABLE void cancelRuns();
    // How far the runs in flight are together: filesFound, filesRead (numbers) and
    // walking (whether a run still looks for files).
    Q_INVOKABLE QVariantMap progress() const;

  signals:
    void isProcessingChanged();
    void processedImagesChanged();

  private:
    // The location's bytes as the file system knows them, or empty for a
    // URL that names no local file.
    static std::filesystem::path localPath(const QUrl& url);

    using Lists = std::array<std::vector<StatItem>, allStatLists.size()>;
    struct Batch {
        std::vector<ImageMetadata> photos;
        std::shared_ptr<const StatsTally> tally;
    };

    // A run's photos in the order gathered, with their counts.
    void finishRun(std::uint64_t run, std::vector<ImageMetadata> photos,
                   std::shared_ptr<const StatsTally> tally);
    // Ranks the held counts with the next batch's off the GUI thread, one
    // batch at a time, then publishes that batch.
    void rankNext();
    void ranked(std::uint64_t resets, std::shared_ptr<const StatsTally> tally, Lists lists);
    void publish(std::shared_ptr<const StatsTally> tally, Lists lists);
    std::array<StatListModel*, allStatLists.size()> listModels();
    // Replaces the lists, with whatever else changes alongside them.
    void refreshStats(Lists lists, const std::function<void()>& alsoChange);

    bool isProcessing_ = false;
    PhotoList processedImages_;
    std::array<StatListModel, allStatLists.size()> lists_;
    // The counts behind the lists, over processedImages in order.
    std::shared_ptr<const StatsTally> tally_;
    std::deque<Batch> finished_; // runs waiting to be published, oldest first
    bool ranking_ = false;
    std::uint64_t resets_ = 0; // a ranking begun before a clear or a cancel is stale
    // isProcessing goes back to false only when the last run is published.
    int runsInFlight_ = 0;
    // Runs still reading, by number; destroyed with the model, they stop.
    std::map<std::uint64_t, std::unique_ptr<ProcessingRun>> runs_;
    std::uint64_t runsStarted_ = 0;
    // While isProcessing is announced, before the run it announces is in place.
    bool placingRun_ = false;
    // Files of runs that have ended their reads but wait to be published.
    std::size_t filesFoundByFinished_ = 0;
    std::size_t filesReadByFinished_ = 0;
};

} // namespace optara

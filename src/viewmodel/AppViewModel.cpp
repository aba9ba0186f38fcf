#include "AppViewModel.h"

#include "FileGatherer.h"
#include "ProcessingRun.h"
#include "StatsAnalyzer.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <QVariantMap>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace fs = std::filesystem;

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

#pragma once

#include "ImageMetadata.h"
#include "StatItem.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QVariantList>

#include <filesystem>
#include <vector>

namespace optara {
class ProcessingRun;
}

// The state of one window. Lives on the GUI thread; every property changes
// there, and a processing run publishes once, at its end.
class AppViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(int processedImageCount READ processedImageCount NOTIFY processedImagesChanged)
    // Each list holds maps with "id" (text), "label" (text) and "count" (number).
    Q_PROPERTY(QVariantList topCameras READ topCameras NOTIFY topCamerasChanged)
    Q_PROPERTY(QVariantList topLenses READ topLenses NOTIFY topLensesChanged)
    Q_PROPERTY(QVariantList topFocalLengths READ topFocalLengths NOTIFY topFocalLengthsChanged)
    Q_PROPERTY(QVariantList topApertures READ topApertures NOTIFY topAperturesChanged)

  public:
    explicit AppViewModel(QObject* parent = nullptr);

    bool isProcessing() const;
    const std::vector<optara::ImageMetadata>& processedImages() const;
    int processedImageCount() const;
    QVariantList topCameras() const;
    QVariantList topLenses() const;
    QVariantList topFocalLengths() const;
    QVariantList topApertures() const;

    // Takes local file or folder URLs; returns at once with isProcessing true.
    Q_INVOKABLE void processURLs(const QList<QUrl>& urls);
    Q_INVOKABLE void clearData();

  signals:
    void isProcessingChanged();
    void processedImagesChanged();
    void topCamerasChanged();
    void topLensesChanged();
    void topFocalLengthsChanged();
    void topAperturesChanged();

  private:
    friend class optara::ProcessingRun;

    // Run on a worker thread: they read the file system only.
    static std::vector<std::filesystem::path>
    gatherFiles(const std::vector<std::filesystem::path>& locations);
    static bool isJpeg(const std::filesystem::path& location);
    // The location's bytes as the file system knows them, or empty for a
    // URL that names no local file.
    static std::filesystem::path localPath(const QUrl& url);

    void refreshStats();
    // The end of one run, in one stretch on the GUI thread.
    void finishRun(std::vector<optara::ImageMetadata> batch);

    bool isProcessing_ = false;
    std::vector<optara::ImageMetadata> processedImages_;
    QVariantList topCameras_;
    QVariantList topLenses_;
    QVariantList topFocalLengths_;
    QVariantList topApertures_;
    // isProcessing goes back to false only when the last run ends.
    int runsInFlight_ = 0;
};

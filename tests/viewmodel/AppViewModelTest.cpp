#include "AppViewModel.h"
#include "PhotoBuilder.h"
#include "StatsAnalyzer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using optara::testing::PhotoFields;

namespace {

// The i-th of a small rotation of gear, so the four lists get several rows.
void writePhoto(const fs::path& file, int i)
{
    static const char* const cameras[][2] = {{"Canon", "EOS R5"}, {"NIKON", "Z 6"}, {"SONY", "ILCE-7M3"}};
    static const char* const lenses[] = {"RF24-70mm F2.8", "NIKKOR Z 50mm f/1.8 S", "FE 85mm F1.8"};
    static const optara::testing::Fraction focals[] = {{50, 1}, {509, 10}, {85, 1}, {24, 1}};
    static const optara::testing::Fraction apertures[] = {{28, 10}, {283, 100}, {18, 10}, {8, 1}, {4, 1}};
    PhotoFields fields;
    fields.make = cameras[i % 3][0];
    fields.model = cameras[i % 3][1];
    if (i % 4 != 3)
        fields.lens = lenses[i % 3];
    fields.focalLength = focals[i % 4];
    fields.fNumber = apertures[i % 5];
    fields.iso = std::vector<std::uint16_t>{static_cast<std::uint16_t>(100 * (1 + i % 8))};
    fs::create_directories(file.parent_path());
    optara::testing::writeBytes(
        file, optara::testing::photoJpeg(fields, i % 2 ? optara::testing::ByteOrder::Big
                                                       : optara::testing::ByteOrder::Little));
}

// A file URL carrying the path's bytes as they are, UTF-8 or not.
QUrl fileUrl(const fs::path& path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path.native()).toPercentEncoding("/"));
}

// Paths below root, sorted; Latin-1 stands for raw bytes.
QStringList sortedUrls(const AppViewModel& model, const fs::path& root)
{
    QStringList urls;
    const std::string prefix = root.native() + "/";
    for (const auto& record : model.processedImages()) {
        std::string url(record.url());
        if (url.rfind(prefix, 0) == 0)
            url.erase(0, prefix.size());
        urls << QString::fromLatin1(url.data(), qsizetype(url.size()));
    }
    urls.sort();
    return urls;
}

bool waitUntilIdle(const AppViewModel& model)
{
    return QTest::qWaitFor([&] { return !model.isProcessing(); }, 30000);
}

using Rows = std::vector<std::pair<QString, qint64>>;

Rows rowsOf(const QVariantList& list)
{
    Rows rows;
    for (const QVariant& row : list) {
        const QVariantMap map = row.toMap();
        rows.emplace_back(map.value("label").toString(), map.value("count").toLongLong());
    }
    return rows;
}

Rows rowsOf(const std::vector<optara::StatItem>& items)
{
    Rows rows;
    for (const auto& item : items)
        rows.emplace_back(QString::fromStdString(item.label()), item.count());
    return rows;
}

QStringList idsOf(const QVariantList& list)
{
    QStringList ids;
    for (const QVariant& row : list)
        ids << row.toMap().value("id").toString();
    return ids;
}

// The four published lists, as labels and counts, in their order.
std::vector<Rows> publishedRows(const AppViewModel& model)
{
    return {rowsOf(model.topCameras()), rowsOf(model.topLenses()), rowsOf(model.topFocalLengths()),
            rowsOf(model.topApertures())};
}

std::vector<Rows> freshRows(const AppViewModel& model)
{
    const auto& analyzer = optara::StatsAnalyzer::shared();
    const auto& photos = model.processedImages();
    return {rowsOf(analyzer.topCameras(photos)), rowsOf(analyzer.topLenses(photos)),
            rowsOf(analyzer.topFocalLengths(photos)), rowsOf(analyzer.topApertures(photos))};
}

// Every change signal, in the order emitted, with what a reader saw then.
struct Emission {
    QString signal;
    bool processing;
    int count;
};

class SignalLog {
public:
    explicit SignalLog(AppViewModel& model)
    {
        auto track = [&](auto signal, const char* name) {
            QObject::connect(&model, signal, &model, [this, &model, name] {
                emissions.push_back({name, model.isProcessing(), model.processedImageCount()});
            });
        };
        track(&AppViewModel::isProcessingChanged, "isProcessing");
        track(&AppViewModel::processedImagesChanged, "processedImages");
        track(&AppViewModel::topCamerasChanged, "topCameras");
        track(&AppViewModel::topLensesChanged, "topLenses");
        track(&AppViewModel::topFocalLengthsChanged, "topFocalLengths");
        track(&AppViewModel::topAperturesChanged, "topApertures");
    }
    QStringList signalNames() const
    {
        QStringList names;
        for (const auto& emission : emissions)
            names << emission.signal;
        return names;
    }

    std::vector<Emission> emissions;
};

const QStringList endOfRun = {"processedImages", "topCameras", "topLenses", "topFocalLengths",
                              "topApertures"};
const QStringList oneRun = QStringList{"isProcessing"} + endOfRun + QStringList{"isProcessing"};

} // namespace

class AppViewModelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void startsEmpty();
    void publishesOnceAtTheEndInOrder();
    void gathersThroughTheViewModel_data();
    void gathersThroughTheViewModel();
    void emptyRunRecomputesTheSameLists();
    void concurrentRunsKeepProcessingUntilTheLast();
    void clearDataEmptiesAtOnceAndKeepsProcessing();
    void clearDataDuringARunKeepsTheRunsBatch();
    void destroyedWhileRunning();

private:
    QTemporaryDir dir_;
    fs::path tree_;  // the awkward tree of the gathering table
    fs::path big_;   // plenty of photos, so a run takes several event-loop turns
    fs::path small_; // a few photos
    int bigCount_ = 600;
};

void AppViewModelTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    const fs::path root = QFile::encodeName(dir_.path()).toStdString();

    tree_ = root / "tree";
    int i = 0;
    for (const char* name :
         {"a.jpg", "B.JPG", "sub/c.JpEg", "sub/deep/deeper/d.jpeg", ".hidden.jpg", ".hiddendir/e.jpg",
          "shots.jpg/f.jpg", "sub/photo.jpg.txt", "sub/noext", "sub/x.jpe", "locked/g.jpg", "\xff\xfe.jpg"})
        writePhoto(tree_ / name, i++);
    optara::testing::writeBytes(tree_ / "sub/broken.jpg", {0xFF, 0xD8, 0xFF});
    optara::testing::writeBytes(tree_ / "notes.txt", {'h', 'i'});
    fs::create_directory_symlink(tree_, tree_ / "sub/loop");
    fs::create_symlink(tree_ / "missing.jpg", tree_ / "dangling.jpg");
    QCOMPARE(::mkfifo((tree_ / "x.jpg").c_str(), 0600), 0);
    fs::permissions(tree_ / "locked", fs::perms::none);

    big_ = root / "big";
    for (int n = 0; n < bigCount_; ++n)
        writePhoto(big_ / ("d" + std::to_string(n % 7)) / ("IMG_" + std::to_string(n) + ".JPG"), n);
    small_ = root / "small";
    for (int n = 0; n < 5; ++n)
        writePhoto(small_ / ("s" + std::to_string(n) + ".jpg"), n * 2);
}

void AppViewModelTest::cleanupTestCase()
{
    // std::filesystem, as QDir cannot name the file whose name is not UTF-8.
    std::error_code error;
    fs::permissions(tree_ / "locked", fs::perms::owner_all, error);
    fs::remove_all(QFile::encodeName(dir_.path()).toStdString(), error);
}

void AppViewModelTest::startsEmpty()
{
    AppViewModel model;
    QVERIFY(!model.isProcessing());
    QCOMPARE(model.processedImageCount(), 0);
    QVERIFY(model.processedImages().empty());
    QVERIFY(model.topCameras().isEmpty() && model.topLenses().isEmpty());
    QVERIFY(model.topFocalLengths().isEmpty() && model.topApertures().isEmpty());
}

void AppViewModelTest::publishesOnceAtTheEndInOrder()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    const int before = model.processedImageCount();
    const auto rowsBefore = publishedRows(model);
    QCOMPARE(before, 5);

    SignalLog log(model);
    // Samples the state on every event-loop turn the run leaves free.
    struct Sample {
        bool processing;
        int count;
        std::vector<Rows> rows;
    };
    std::vector<Sample> samples;
    QTimer sampler;
    sampler.setInterval(0);
    connect(&sampler, &QTimer::timeout, this, [&] {
        samples.push_back({model.isProcessing(), model.processedImageCount(), publishedRows(model)});
    });
    sampler.start();

    model.processURLs({fileUrl(big_)});
    // Only the flag is written before the call returns.
    QVERIFY(model.isProcessing());
    QCOMPARE(log.signalNames(), QStringList{"isProcessing"});
    QCOMPARE(model.processedImageCount(), before);

    QVERIFY(waitUntilIdle(model));
    sampler.stop();

    QCOMPARE(log.signalNames(), oneRun);
    // The batch is in before the lists are replaced; the flag drops last.
    for (std::size_t i = 1; i + 1 < log.emissions.size(); ++i) {
        QVERIFY(log.emissions[i].processing);
        QCOMPARE(log.emissions[i].count, before + bigCount_);
    }
    QVERIFY(!log.emissions.back().processing);

    // Mid-run observers see the old state whole; afterwards the new state whole.
    const auto rowsAfter = publishedRows(model);
    QVERIFY(std::any_of(samples.begin(), samples.end(), [](const Sample& s) { return s.processing; }));
    for (const Sample& sample : samples) {
        if (sample.processing) {
            QCOMPARE(sample.count, before);
            QVERIFY(sample.rows == rowsBefore);
        } else {
            QCOMPARE(sample.count, before + bigCount_);
            QVERIFY(sample.rows == rowsAfter);
        }
    }

    QCOMPARE(model.processedImageCount(), before + bigCount_);
    QVERIFY(publishedRows(model) == freshRows(model));
    for (const QVariantList& list :
         {model.topCameras(), model.topLenses(), model.topFocalLengths(), model.topApertures()}) {
        qint64 total = 0;
        for (const auto& row : rowsOf(list))
            total += row.second;
        QCOMPARE(total, qint64(before + bigCount_));
    }
}

void AppViewModelTest::gathersThroughTheViewModel_data()
{
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<QStringList>("expected");

    QStringList inFolder = {"B.JPG",
                            "a.jpg",
                            "shots.jpg/f.jpg",
                            "sub/c.JpEg",
                            "sub/deep/deeper/d.jpeg",
                            QString::fromLatin1("\xff\xfe.jpg")};
    const bool root = ::geteuid() == 0; // reads the locked folder all the same
    if (root)
        inFolder << "locked/g.jpg";
    QTest::newRow("folder: nested, cased, folder named .jpg; no hidden, fifo, loop, dangling")
        << QStringList{"."} << inFolder;
    QTest::newRow("hidden file given directly") << QStringList{".hidden.jpg"} << QStringList{".hidden.jpg"};
    QTest::newRow("same file twice and through its folder")
        << QStringList{"a.jpg", "a.jpg", "sub/deep"}
        << QStringList{"a.jpg", "a.jpg", "sub/deep/deeper/d.jpeg"};
    QTest::newRow("names that fail the test, whatever the content")
        << QStringList{"sub/photo.jpg.txt", "sub/noext", "sub/x.jpe", "notes.txt"} << QStringList{};
    QTest::newRow("nothing there, dangling link, fifo, unreadable JPEG")
        << QStringList{"missing.jpg", "dangling.jpg", "x.jpg", "sub/broken.jpg"} << QStringList{};
    QTest::newRow("no locations") << QStringList{} << QStringList{};
    QTest::newRow("name that is not UTF-8") << QStringList{QString::fromLatin1("\xff\xfe.jpg")}
                                            << QStringList{QString::fromLatin1("\xff\xfe.jpg")};
    if (!root)
        QTest::newRow("folder without read permission") << QStringList{"locked"} << QStringList{};
}

void AppViewModelTest::gathersThroughTheViewModel()
{
    QFETCH(QStringList, locations);
    QFETCH(QStringList, expected);
    // Latin-1 in the table stands for raw bytes.
    auto bytes = [](const QString& name) { return name.toLatin1().toStdString(); };

    QList<QUrl> urls;
    for (const QString& location : locations)
        urls << fileUrl(location == "." ? tree_ : tree_ / bytes(location));
    expected.sort();

    AppViewModel model;
    model.processURLs(urls);
    QVERIFY(waitUntilIdle(model));
    QCOMPARE(sortedUrls(model, tree_), expected);
    QCOMPARE(model.processedImageCount(), int(expected.size()));
    QVERIFY(publishedRows(model) == freshRows(model));
}

void AppViewModelTest::emptyRunRecomputesTheSameLists()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    const auto rows = publishedRows(model);
    const QStringList ids = idsOf(model.topCameras());

    SignalLog log(model);
    model.processURLs({fileUrl(tree_ / "notes.txt"), fileUrl(tree_ / "missing.jpg")});
    QVERIFY(waitUntilIdle(model));
    QCOMPARE(log.signalNames(), oneRun);
    QCOMPARE(model.processedImageCount(), 5);
    QVERIFY(publishedRows(model) == rows);
    // Recomputed, not kept: the rows carry new ids.
    const QStringList newIds = idsOf(model.topCameras());
    QCOMPARE(newIds.size(), ids.size());
    for (const QString& id : newIds) {
        QVERIFY(!id.isEmpty());
        QVERIFY(!ids.contains(id));
        QCOMPARE(newIds.count(id), 1);
    }
}

void AppViewModelTest::concurrentRunsKeepProcessingUntilTheLast()
{
    AppViewModel model;
    SignalLog log(model);
    model.processURLs({fileUrl(big_)});
    model.processURLs({fileUrl(small_)});
    QVERIFY(model.isProcessing());
    QVERIFY(waitUntilIdle(model));

    const QStringList twoRuns =
        QStringList{"isProcessing", "isProcessing"} + endOfRun + endOfRun + QStringList{"isProcessing"};
    QCOMPARE(log.signalNames(), twoRuns);
    // Whichever run ends first, the flag stays up for the other.
    for (std::size_t i = 0; i + 1 < log.emissions.size(); ++i)
        QVERIFY(log.emissions[i].processing);
    const int first = log.emissions[2].count;
    QVERIFY(first == 5 || first == bigCount_);
    QCOMPARE(log.emissions.back().count, bigCount_ + 5);
    QVERIFY(!log.emissions.back().processing);
    QVERIFY(publishedRows(model) == freshRows(model));
}

void AppViewModelTest::clearDataEmptiesAtOnceAndKeepsProcessing()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    QVERIFY(!model.topCameras().isEmpty());

    SignalLog log(model);
    model.clearData();
    QCOMPARE(log.signalNames(), endOfRun);
    QCOMPARE(model.processedImageCount(), 0);
    QVERIFY(model.processedImages().empty());
    for (const Rows& rows : publishedRows(model))
        QVERIFY(rows.empty());
    QVERIFY(!model.isProcessing());
}

void AppViewModelTest::clearDataDuringARunKeepsTheRunsBatch()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));

    model.processURLs({fileUrl(big_)});
    QTest::qWait(1); // let the run get going
    model.clearData();
    QCOMPARE(model.processedImageCount(), 0);
    for (const Rows& rows : publishedRows(model))
        QVERIFY(rows.empty());
    QVERIFY(model.isProcessing());

    QVERIFY(waitUntilIdle(model));
    QCOMPARE(model.processedImageCount(), bigCount_);
    QVERIFY(publishedRows(model) == freshRows(model));
}

void AppViewModelTest::destroyedWhileRunning()
{
    // At each stage of a run: before it starts, during the walk or the reads.
    for (int delayMs : {-1, 0, 2, 10}) {
        auto* model = new AppViewModel;
        model->processURLs({fileUrl(big_), fileUrl(tree_)});
        if (delayMs >= 0)
            QTest::qWait(delayMs);
        delete model;
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The pool and the event loop are still in working order.
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    QCOMPARE(model.processedImageCount(), 5);
}

QTEST_GUILESS_MAIN(AppViewModelTest)

#include "AppViewModelTest.moc"

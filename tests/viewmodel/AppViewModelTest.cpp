#include "AppViewModel.h"
#include "PhotoBuilder.h"
#include "StatsAnalyzer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The i-th of a small rotation of gear, so the four lists get several rows.
void writePhoto(const fs::path& file, int i)
{
    static const char* const cameras[][2] = {{"Canon", "EOS R5"}, {"NIKON", "Z 6"}, {"SONY", "ILCE-7M3"}};
    static const char* const lenses[] = {"RF24-70mm F2.8", "NIKKOR Z 50mm f/1.8 S", "FE 85mm F1.8"};
    static const optara::testing::Fraction focals[] = {{50, 1}, {509, 10}, {85, 1}, {24, 1}};
    static const optara::testing::Fraction apertures[] = {{28, 10}, {283, 100}, {18, 10}, {8, 1}, {4, 1}};
    optara::testing::PhotoFields fields{.make = cameras[i % 3][0],
                                        .model = cameras[i % 3][1],
                                        .focalLength = focals[i % 4],
                                        .fNumber = apertures[i % 5]};
    if (i % 4 != 3)
        fields.lens = lenses[i % 3];
    fs::create_directories(file.parent_path());
    optara::testing::writeBytes(
        file, optara::testing::photoJpeg(fields, i % 2 ? optara::testing::ByteOrder::Big
                                                       : optara::testing::ByteOrder::Little));
}

// A file URL carrying the path's bytes as they are, UTF-8 or not.
QUrl fileUrl(const fs::path& path, const QByteArray& host = {})
{
    return QUrl::fromEncoded("file://" + host +
                             QByteArray::fromStdString(path.native()).toPercentEncoding("/"));
}

bool waitUntilIdle(const AppViewModel& model)
{
    return QTest::qWaitFor([&] { return !model.isProcessing(); }, 30000);
}

using Rows = std::vector<std::pair<QString, qint64>>;

// The four published lists as labels and counts, and the same computed afresh
// from the held photos.
std::vector<Rows> publishedRows(const AppViewModel& model)
{
    std::vector<Rows> lists;
    for (const QVariantList& list :
         {model.topCameras(), model.topLenses(), model.topFocalLengths(), model.topApertures()}) {
        Rows& rows = lists.emplace_back();
        for (const QVariant& row : list)
            rows.emplace_back(row.toMap().value("label").toString(), row.toMap().value("count").toLongLong());
    }
    return lists;
}

std::vector<Rows> freshRows(const AppViewModel& model)
{
    const auto& analyzer = optara::StatsAnalyzer::shared();
    const auto& photos = model.processedImages();
    std::vector<Rows> lists;
    for (const auto& items : {analyzer.topCameras(photos), analyzer.topLenses(photos),
                              analyzer.topFocalLengths(photos), analyzer.topApertures(photos)}) {
        Rows& rows = lists.emplace_back();
        for (const auto& item : items)
            rows.emplace_back(QString::fromStdString(item.label()), item.count());
    }
    return lists;
}

// Every change signal, in the order emitted, with what a reader saw then.
struct SignalLog {
    struct Emission {
        QString signal;
        bool processing;
        int count;
    };
    std::vector<Emission> emissions;

    explicit SignalLog(AppViewModel& model)
    {
        const auto track = [&](auto signal, const char* name) {
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
    QStringList names() const
    {
        QStringList names;
        for (const auto& emission : emissions)
            names << emission.signal;
        return names;
    }
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
    void publishesOnceAtTheEndInOrder();
    void readsWhatTheUrlsName_data();
    void readsWhatTheUrlsName();
    void emptyRunRecomputesTheSameLists();
    void concurrentRunsKeepProcessingUntilTheLast();
    void clearDataEmptiesAtOnceAndARunInFlightStillLands();
    void destroyedWhileRunning();

  private:
    QTemporaryDir dir_;
    fs::path tree_;  // a few photos and files that are not
    fs::path big_;   // plenty of photos, so a run takes several event-loop turns
    fs::path small_; // a few photos
    const int bigCount_ = 600;
};

void AppViewModelTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    const fs::path root = QFile::encodeName(dir_.path()).toStdString();
    tree_ = root / "tree";
    int i = 0;
    for (const char* name : {"a.jpg", "sub/c.JpEg", ".hidden.jpg", "\xff\xfe.jpg"})
        writePhoto(tree_ / name, i++);
    optara::testing::writeBytes(tree_ / "sub/broken.jpg", {0xFF, 0xD8, 0xFF});
    optara::testing::writeBytes(tree_ / "notes.txt", {'h', 'i'});
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
    fs::remove_all(QFile::encodeName(dir_.path()).toStdString(), error);
}

void AppViewModelTest::publishesOnceAtTheEndInOrder()
{
    AppViewModel model;
    QVERIFY(!model.isProcessing());
    QCOMPARE(publishedRows(model), std::vector<Rows>(4));
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    const int before = model.processedImageCount();
    QCOMPARE(before, 5);
    const auto rowsBefore = publishedRows(model);

    SignalLog log(model);
    // On every event-loop turn the run leaves free: the old state whole while
    // the flag is up, the new state whole after.
    bool sampledMidRun = false;
    QTimer sampler;
    sampler.setInterval(0);
    connect(&sampler, &QTimer::timeout, this, [&] {
        const bool processing = model.isProcessing();
        sampledMidRun |= processing;
        QCOMPARE(model.processedImageCount(), processing ? before : before + bigCount_);
        QVERIFY(publishedRows(model) == (processing ? rowsBefore : freshRows(model)));
    });
    sampler.start();

    model.processURLs({fileUrl(big_)});
    // Only the flag is written before the call returns.
    QVERIFY(model.isProcessing());
    QCOMPARE(log.names(), QStringList{"isProcessing"});
    QVERIFY(waitUntilIdle(model));
    sampler.stop();

    // The batch is in before the lists are replaced; the flag drops last.
    QCOMPARE(log.names(), oneRun);
    for (std::size_t i = 1; i + 1 < log.emissions.size(); ++i) {
        QVERIFY(log.emissions[i].processing);
        QCOMPARE(log.emissions[i].count, before + bigCount_);
    }
    QVERIFY(!log.emissions.back().processing);
    QCOMPARE(model.processedImageCount(), before + bigCount_);
    // Each photo once: no file read twice in place of another.
    std::set<std::string_view> urls;
    for (std::size_t i = before; i < model.processedImages().size(); ++i)
        urls.insert(model.processedImages()[i].url());
    QCOMPARE(int(urls.size()), bigCount_);
    QCOMPARE(publishedRows(model), freshRows(model));
    QVERIFY(sampledMidRun);
}

void AppViewModelTest::readsWhatTheUrlsName_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QStringList>("expected");
    const QString odd = QString::fromLatin1("\xff\xfe.jpg"); // Latin-1 stands for raw bytes
    QTest::newRow("folder") << QList<QUrl>{fileUrl(tree_)} << QStringList{"a.jpg", "sub/c.JpEg", odd};
    QTest::newRow("files, one of them twice")
        << QList<QUrl>{fileUrl(tree_ / "sub/c.JpEg"), fileUrl(tree_ / "a.jpg"), fileUrl(tree_ / "a.jpg")}
        << QStringList{"sub/c.JpEg", "a.jpg", "a.jpg"};
    QTest::newRow("name that is not UTF-8")
        << QList<QUrl>{fileUrl(tree_ / "\xff\xfe.jpg")} << QStringList{odd};
    QTest::newRow("host is dropped") << QList<QUrl>{fileUrl(tree_ / "a.jpg", "example.org")}
                                     << QStringList{"a.jpg"};
    QTest::newRow("not a file URL") << QList<QUrl>{QUrl("https://example.org" + fileUrl(tree_).path())}
                                    << QStringList{};
    QTest::newRow("nothing there, not a JPEG, unreadable JPEG")
        << QList<QUrl>{fileUrl(tree_ / "missing.jpg"), fileUrl(tree_ / "notes.txt"),
                       fileUrl(tree_ / "sub/broken.jpg")}
        << QStringList{};
    QTest::newRow("no locations") << QList<QUrl>{} << QStringList{};
}

void AppViewModelTest::readsWhatTheUrlsName()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QStringList, expected);
    AppViewModel model;
    model.processURLs(urls);
    QVERIFY(waitUntilIdle(model));
    QStringList found;
    for (const auto& record : model.processedImages()) {
        const std::string url = fs::path(record.url()).lexically_relative(tree_).generic_string();
        found << QString::fromLatin1(url.data(), qsizetype(url.size()));
    }
    // Reads finish in any order.
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
    QCOMPARE(model.processedImageCount(), int(expected.size()));
    QCOMPARE(publishedRows(model), freshRows(model));
}

void AppViewModelTest::emptyRunRecomputesTheSameLists()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    const auto rows = publishedRows(model);
    const QVariantList cameras = model.topCameras();

    SignalLog log(model);
    model.processURLs({fileUrl(tree_ / "notes.txt")});
    QVERIFY(waitUntilIdle(model));
    QCOMPARE(log.names(), oneRun);
    QCOMPARE(model.processedImageCount(), 5);
    QCOMPARE(publishedRows(model), rows);
    // Recomputed, not kept: the rows carry new ids.
    QSet<QString> ids;
    for (const QVariantList& list : {cameras, model.topCameras()})
        for (const QVariant& row : list)
            ids.insert(row.toMap().value("id").toString());
    QCOMPARE(ids.size(), 2 * cameras.size());
}

void AppViewModelTest::concurrentRunsKeepProcessingUntilTheLast()
{
    AppViewModel model;
    SignalLog log(model);
    model.processURLs({fileUrl(big_)});
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));

    const QStringList twoRuns =
        QStringList{"isProcessing", "isProcessing"} + endOfRun + endOfRun + QStringList{"isProcessing"};
    QCOMPARE(log.names(), twoRuns);
    // Whichever run ends first, the flag stays up for the other.
    for (std::size_t i = 0; i + 1 < log.emissions.size(); ++i)
        QVERIFY(log.emissions[i].processing);
    QVERIFY(log.emissions[2].count == 5 || log.emissions[2].count == bigCount_);
    QCOMPARE(log.emissions.back().count, bigCount_ + 5);
    QCOMPARE(publishedRows(model), freshRows(model));
}

void AppViewModelTest::clearDataEmptiesAtOnceAndARunInFlightStillLands()
{
    AppViewModel model;
    model.processURLs({fileUrl(small_)});
    QVERIFY(waitUntilIdle(model));
    SignalLog log(model);
    model.processURLs({fileUrl(big_)});
    QTest::qWait(1); // let the run get going
    model.clearData();
    const QStringList cleared = QStringList{"isProcessing"} + endOfRun;
    QCOMPARE(log.names(), cleared);
    QCOMPARE(model.processedImageCount(), 0);
    QVERIFY(model.processedImages().empty());
    QCOMPARE(publishedRows(model), std::vector<Rows>(4));
    QVERIFY(model.isProcessing());

    QVERIFY(waitUntilIdle(model));
    QCOMPARE(model.processedImageCount(), bigCount_);
    QCOMPARE(publishedRows(model), freshRows(model));
    model.clearData();
    QCOMPARE(model.processedImageCount(), 0);
    QVERIFY(!model.isProcessing());
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

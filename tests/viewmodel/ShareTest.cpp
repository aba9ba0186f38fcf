#include "AppViewModel.h"
#include "PhotoBuilder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <sys/vfs.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// A run over a photo library on a network share, served by slowfs: a FUSE
// file system that answers each listing, open and read after a set round
// trip. Skips where FUSE cannot be mounted.
class ShareTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void aShareThatStallsHoldsNoFrameAndOneThatGoesAwayEndsTheRun();

  private:
    static constexpr int photos_ = 2000;
    QTemporaryDir library_;
    QTemporaryDir mount_;
    QProcess slowfs_;
};

void ShareTest::initTestCase()
{
    QVERIFY(library_.isValid() && mount_.isValid());
    const auto photo = optara::testing::photoJpeg({.make = "Make", .model = "On a share"});
    const fs::path library = library_.path().toStdString();
    for (int i = 0; i < photos_; ++i) {
        const fs::path folder = library / std::to_string(i % 8);
        fs::create_directories(folder);
        optara::testing::writeBytes(folder / ("p" + std::to_string(i) + ".jpg"), photo);
    }
    if (!fs::exists(OPTARA_SLOWFS))
        QSKIP("slowfs is not built here (needs libfuse3)");
    const QString roundTripUs = QStringLiteral("20000");
    slowfs_.start(QStringLiteral(OPTARA_SLOWFS), {library_.path(), mount_.path(), roundTripUs});
    constexpr long fuseMagic = 0x65735546;
    struct statfs mounted {};
    const auto isMounted = [&] {
        return ::statfs(mount_.path().toLocal8Bit().constData(), &mounted) == 0 &&
               mounted.f_type == fuseMagic;
    };
    if (!QTest::qWaitFor(isMounted, 5000))
        QSKIP("FUSE cannot be mounted here (needs /dev/fuse and the right to mount)");
}

void ShareTest::cleanupTestCase()
{
    slowfs_.kill();
    slowfs_.waitForFinished();
    QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-uz"), mount_.path()});
}

// While the share answers nothing, the reads wait and the GUI thread goes on;
// once it is gone, every read fails at once and the run publishes what it read.
void ShareTest::aShareThatStallsHoldsNoFrameAndOneThatGoesAwayEndsTheRun()
{
    AppViewModel model;
    model.processURLs({QUrl::fromLocalFile(mount_.path())});
    QTest::qWait(500);
    QVERIFY(model.isProcessing());

    ::kill(static_cast<pid_t>(slowfs_.processId()), SIGSTOP);
    QElapsedTimer clock;
    qint64 last = 0, longestGap = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticker.start(5);
    QTest::qWait(600);
    QVERIFY2(longestGap < 300, qPrintable(QString("the GUI thread was held %1 ms").arg(longestGap)));
    QVERIFY(model.isProcessing());

    slowfs_.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!model.isProcessing(), 30000);
    QCOMPARE_GT(model.processedImageCount(), 0);
    QCOMPARE_LT(model.processedImageCount(), photos_);
}

QTEST_GUILESS_MAIN(ShareTest)

#include "ShareTest.moc"

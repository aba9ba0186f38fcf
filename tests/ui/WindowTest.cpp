#include "AppViewModel.h"
#include "DragHelper.h"
#include "PhotoBuilder.h"
#include "ShellHarness.h"
#include "WindowManager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QListView>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace optara::shell_testing;

namespace {

const QColor neoBackground(0xF9, 0xF8, 0xF6);
const QColor neoCard(0xFF, 0xFF, 0xFF);
const QColor neoText(0x1C, 0x19, 0x17);

QFileDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    return nullptr;
}

// Names the dialog lists in its current folder.
QStringList listedNames(QFileDialog* dialog)
{
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (view == nullptr)
        return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names.append(view->model()->index(row, 0, root).data().toString());
    names.sort();
    return names;
}

void selectNames(QFileDialog* dialog, const QStringList& names)
{
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    const QModelIndex root = view->rootIndex();
    view->selectionModel()->clearSelection();
    for (const QString& name : names) {
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            const QModelIndex index = view->model()->index(row, 0, root);
            if (index.data().toString() == name)
                view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(photos_.isValid());
        tree_ = writePhotoTree(photos_.path().toStdString());
        engine_ = std::make_unique<QQmlEngine>();
        manager_ = std::make_unique<WindowManager>(*engine_);
    }

    void cleanupTestCase()
    {
        manager_.reset();
        engine_.reset();
    }

    void cleanup()
    {
        // Each test starts from one fresh window.
        for (QQuickWindow* window : manager_->windows())
            delete window;
        QTest::qWait(0);
    }

    void launchShowsTheDropZone()
    {
        QQuickWindow* window = open();
        QVERIFY(findItem(window, QStringLiteral("dropZone")) != nullptr);
        QVERIFY(findItem(window, QStringLiteral("dashboard")) == nullptr);
        QVERIFY(findItem(window, QStringLiteral("processingOverlay")) == nullptr);
        QCOMPARE(window->minimumSize(), QSize(800, 600));
        QVERIFY(window->flags().testFlag(Qt::FramelessWindowHint));
        // The drop zone keeps its margin of 60 from every edge.
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
        QCOMPARE(zone->mapToScene(QPointF(0, 0)), QPointF(60, 60));
        QCOMPARE(zone->width(), window->width() - 120.0);
    }

    void dropRunsOnceAndShowsTheDashboard()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QVERIFY(model != nullptr);
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));

        int runsStarted = 0;
        bool overlayDuringRun = false;
        bool dragReachedZoneDuringRun = false;
        QImage duringRun;
        DragHelper blockedDrag;
        connect(model, &AppViewModel::isProcessingChanged, this, [&] {
            if (!model->isProcessing())
                return;
            ++runsStarted;
            overlayDuringRun = findItem(window, QStringLiteral("processingOverlay")) != nullptr;
            // The opaque overlay takes drags: the zone beneath must not hover.
            blockedDrag.enter(window, tree_.dropped, centreOf(zone));
            dragReachedZoneDuringRun = zone->property("isHovering").toBool();
            blockedDrag.leave(window);
            duringRun = grab(window);
        });

        DragHelper drag;
        QVERIFY(drag.enter(window, tree_.dropped, centreOf(zone)));
        QVERIFY(zone->property("isHovering").toBool());
        QVERIFY(drag.move(window, centreOf(zone) + QPointF(5, 5)));
        QVERIFY(drag.drop(window, centreOf(zone) + QPointF(5, 5)));
        QVERIFY(!zone->property("isHovering").toBool());

        QTRY_COMPARE(model->processedImageCount(), tree_.photoCount);
        QTRY_VERIFY(!model->isProcessing());
        QCOMPARE(runsStarted, 1);
        QVERIFY(overlayDuringRun);
        QVERIFY(!dragReachedZoneDuringRun);
        QTRY_VERIFY(findItem(window, QStringLiteral("dashboard")) != nullptr);
        QTRY_VERIFY(findItem(window, QStringLiteral("processingOverlay")) == nullptr);
        auto* count = findItem(window, QStringLiteral("photoCount"));
        QCOMPARE(count->property("text").toString(), QString::number(tree_.photoCount));

        // The progress card: border inside its edge, a solid shadow 8 right and 8 down.
        QVERIFY(!duringRun.isNull());
        const int cx = duringRun.width() / 2;
        int right = cx;
        while (right < duringRun.width() && pixel(duringRun, right, duringRun.height() / 2) != neoText)
            ++right;
        QVERIFY(right < duringRun.width());
        // From the card's right border on: 4 of border, then 8 of shadow, then the dimmed backdrop.
        for (int x = right; x < right + 12; ++x)
            QCOMPARE(pixel(duringRun, x, duringRun.height() / 2), neoText);
        QVERIFY(pixel(duringRun, right + 13, duringRun.height() / 2) != neoText);
        QVERIFY(pixel(duringRun, right - 1, duringRun.height() / 2) == neoCard);
    }

    void dragsWithoutFilesChangeNothing()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        DragHelper drag;
        QVERIFY(!drag.enter(window, {QUrl(QStringLiteral("https://example.com/a.jpg"))}, centreOf(zone)));
        QVERIFY(!zone->property("isHovering").toBool());
        drag.drop(window, centreOf(zone));
        QTest::qWait(100);
        QCOMPARE(processing.count(), 0);
        QCOMPARE(model->processedImageCount(), 0);
    }

    void restartReturnsToTheDropZone()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        dropTree(window);
        QTRY_VERIFY(findItem(window, QStringLiteral("restartButton")) != nullptr);
        QTest::qWait(50);
        QQuickItem* restart = findItem(window, QStringLiteral("restartButton"));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centreOf(restart).toPoint());
        QTRY_VERIFY(findItem(window, QStringLiteral("dropZone")) != nullptr);
        QCOMPARE(model->processedImageCount(), 0);
        QVERIFY(model->topCameras().isEmpty());
        QTRY_VERIFY(findItem(window, QStringLiteral("dashboard")) == nullptr);
    }

    void windowsAreIndependent()
    {
        QQuickWindow* first = open();
        QQuickWindow* second = open();
        QVERIFY(WindowManager::viewModel(first) != WindowManager::viewModel(second));
        dropTree(first);
        QTRY_VERIFY(findItem(first, QStringLiteral("dashboard")) != nullptr);
        QCOMPARE(WindowManager::viewModel(second)->processedImageCount(), 0);
        QVERIFY(findItem(second, QStringLiteral("dropZone")) != nullptr);
        QVERIFY(findItem(second, QStringLiteral("dashboard")) == nullptr);
    }

    void shortcutsOpenAndCloseWindows()
    {
        QQuickWindow* window = open();
        QSignalSpy changes(manager_.get(), &WindowManager::windowsChanged);
        QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(manager_->windows().size(), 2);
        QQuickWindow* added = manager_->windows().last();
        QVERIFY(added != window);
        QVERIFY(WindowManager::viewModel(added) != WindowManager::viewModel(window));
        QVERIFY(waitShown(added));
        QTest::keyClick(added, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(manager_->windows().size(), 1);
        QCOMPARE(manager_->windows().first(), window);
        QVERIFY(changes.count() >= 2);
    }

    void idlePixels_data()
    {
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromTop");
        QTest::addColumn<QColor>("colour");
        // The zone spans 60..W-60: a 4-wide outline centred on its edge, a 12 shadow beyond.
        QTest::newRow("outline outside the edge") << 61 << 300 << neoText;
        QTest::newRow("shadow beyond the outline") << 60 - 8 << 300 << neoText;
        QTest::newRow("background beyond the shadow") << 60 - 14 << 300 << neoBackground;
        QTest::newRow("zone face") << 80 << 300 << neoCard;
        QTest::newRow("no shadow above the shadow's start") << 60 - 8 << 62 << neoBackground;
    }

    void idlePixels()
    {
        QFETCH(int, fromRight);
        QFETCH(int, fromTop);
        QFETCH(QColor, colour);
        QQuickWindow* window = open();
        const QImage image = grab(window);
        QCOMPARE(pixel(image, window->width() - fromRight, fromTop), colour);
    }

    void browsePanelMixesFilesAndFolders()
    {
        QTemporaryDir dir;
        const PhotoTree tree = writePhotoTree(dir.path().toStdString());
        optara::testing::writeBytes(dir.filePath(QStringLiteral("skip.png")).toStdString(), {'x'});
        optara::testing::writeBytes(dir.filePath(QStringLiteral("e.JpEg")).toStdString(),
                                    optara::testing::photoJpeg({}));
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);

        QQuickItem* browse = findItem(window, QStringLiteral("browseButton"));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centreOf(browse).toPoint());
        QTRY_VERIFY(openDialog() != nullptr);
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        dialog->setDirectory(dir.path());
        const QStringList expected{QStringLiteral("B.JPG"), QStringLiteral("a.jpg"), QStringLiteral("e.JpEg"),
                                   QStringLiteral("trip")};
        QTRY_COMPARE(listedNames(dialog), expected);

        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        selectNames(dialog, {QStringLiteral("a.jpg"), QStringLiteral("trip")});
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons != nullptr && buttons->button(QDialogButtonBox::Open) != nullptr);
        QVERIFY(buttons->button(QDialogButtonBox::Open)->isEnabled());
        buttons->button(QDialogButtonBox::Open)->click();
        QTRY_VERIFY(openDialog() == nullptr);
        // a.jpg and the two photos inside trip.
        QTRY_COMPARE(model->processedImageCount(), 3);
        QTRY_VERIFY(!model->isProcessing());
        QCOMPARE(processing.count(), 2);
    }

    void cancellingThePanelChangesNothing()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        QQuickItem* browse = findItem(window, QStringLiteral("browseButton"));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centreOf(browse).toPoint());
        QTRY_VERIFY(openDialog() != nullptr);
        auto* buttons = openDialog()->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons != nullptr);
        buttons->button(QDialogButtonBox::Cancel)->click();
        QTRY_VERIFY(openDialog() == nullptr);
        QTest::qWait(50);
        QCOMPARE(processing.count(), 0);
        QVERIFY(findItem(window, QStringLiteral("dropZone")) != nullptr);
    }

private:
    QQuickWindow* open()
    {
        QQuickWindow* window = manager_->newWindow();
        if (window == nullptr)
            return nullptr;
        window->resize(1000, 700);
        waitShown(window);
        return window;
    }

    void dropTree(QQuickWindow* window)
    {
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
        DragHelper drag;
        drag.enter(window, tree_.dropped, centreOf(zone));
        drag.drop(window, centreOf(zone));
        QTRY_COMPARE(WindowManager::viewModel(window)->processedImageCount(), tree_.photoCount);
    }

    QTemporaryDir photos_;
    PhotoTree tree_;
    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<WindowManager> manager_;
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Tests open and close windows at will; the last one closing must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"

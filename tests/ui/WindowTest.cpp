#include "AppViewModel.h"
#include "DragHelper.h"
#include "PhotoBuilder.h"
#include "WindowDriver.h"
#include "WindowManager.h"
#include "WindowPlacement.h"

#include <QAccessible>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace optara::driver;

namespace {

QFileDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    return nullptr;
}

void pressDialogButton(QDialogButtonBox::StandardButton which)
{
    openDialog()->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which)->click();
}

// Names the dialog lists in its current folder, sorted; selects those named in `select`.
QStringList listedNames(QFileDialog* dialog, const QStringList& select = {})
{
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
        names.append(index.data().toString());
        if (select.contains(names.last()))
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    names.sort();
    return names;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(photos_.isValid());
        tree_ = writePhotoTree(photos_.path().toStdString());
    }

    void cleanup()
    {
        for (QQuickWindow* window : manager_.windows())
            delete window;
        QTest::qWait(0);
    }

    void launchShowsTheDropZone()
    {
        QQuickWindow* window = open();
        QVERIFY(window->flags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(findItem(window, "dropZone") != nullptr);
        QVERIFY(findItem(window, "processingOverlay") == nullptr);
        // The zone ends 60 from the right edge: a 4-wide outline on its edge, a 12 shadow beyond, then
        // background.
        const QImage image = grab(window);
        const int right = window->width() - 60;
        QCOMPARE(image.pixelColor(right - 20, 300), QColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(image.pixelColor(right + 1, 300), QColor(0x1C, 0x19, 0x17));
        QCOMPARE(image.pixelColor(right + 8, 300), QColor(0x1C, 0x19, 0x17));
        QCOMPARE(image.pixelColor(right + 14, 300), QColor(0xF9, 0xF8, 0xF6));
        QCOMPARE(image.pixelColor(right + 8, 62), QColor(0xF9, 0xF8, 0xF6));
    }

    void dropRunsOnceAndShowsTheDashboard()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* zone = findItem(window, "dropZone");
        const QPointF at = centreOf(zone);
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        bool overlay = false, zoneTookDrag = true, browseTookFocus = true;
        whenRunStarts(model, [&] {
            // The overlay shows at once, and nothing beneath it takes a drag or a key.
            overlay = findItem(window, "processingOverlay") != nullptr;
            DragHelper blocked;
            blocked.enter(window->contentItem(), tree_.dropped, at);
            zoneTookDrag = zone->property("isHovering").toBool();
            blocked.leave(window->contentItem());
            QTest::keyClick(window, Qt::Key_Tab);
            browseTookFocus = findItem(window, "browseButton")->hasActiveFocus();
        });
        DragHelper drag;
        QVERIFY(drag.enter(window->contentItem(), tree_.dropped, at));
        QVERIFY(zone->property("isHovering").toBool());
        QVERIFY(drag.move(window->contentItem(), at + QPointF(5, 5)));
        QVERIFY(drag.drop(window->contentItem(), at + QPointF(5, 5)));
        QVERIFY(!zone->property("isHovering").toBool());

        QTRY_COMPARE(processing.count(), 2); // one run: on, then off
        QVERIFY(overlay);
        QVERIFY(!zoneTookDrag);
        QVERIFY(!browseTookFocus);
        QCOMPARE(model->processedImageCount(), tree_.photoCount);
        QTRY_VERIFY(findItem(window, "dashboard") != nullptr);
        QVERIFY(findItem(window, "processingOverlay") == nullptr);
        QCOMPARE(findItem(window, "photoCount")->property("text").toString(),
                 QString::number(tree_.photoCount));
    }

    void dashboardKeysScrollAndRestart()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        dropTree(window);
        // The dashboard takes its scrolling keys before anything is clicked.
        const auto* flick = findItem(window, "scroll")->property("contentItem").value<QQuickItem*>();
        QTest::keyClick(window, Qt::Key_End);
        QVERIFY(flick->property("contentY").toReal() > 0);
        QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(findItem(window, "restartButton")->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(findItem(window, "dropZone") != nullptr);
        QCOMPARE(model->processedImageCount(), 0);
        QVERIFY(model->topCameras().isEmpty());
        QTRY_VERIFY(findItem(window, "dashboard") == nullptr);
    }

    void shortcutsOpenIndependentWindowsAndCloseThem()
    {
        QQuickWindow* window = open();
        QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(manager_.windows().size(), 2);
        QQuickWindow* added = manager_.windows().last();
        QVERIFY(WindowManager::viewModel(added) != WindowManager::viewModel(window));
        QVERIFY(waitShown(added));
        QVERIFY(window->screen()->availableGeometry().contains(added->geometry()));
        QCOMPARE(added->position() - window->position(), QPoint(32, 32));
        dropTree(window);
        QCOMPARE(WindowManager::viewModel(added)->processedImageCount(), 0);
        QVERIFY(findItem(added, "dropZone") != nullptr);
        QTest::keyClick(added, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(manager_.windows().size(), 1);
        QCOMPARE(manager_.windows().first(), window);
        QTRY_VERIFY(window->isActive());
    }

    void newWindowFitsTheScreen()
    {
        QQuickWindow* window = manager_.newWindow();
        QVERIFY(waitShown(window));
        const QRect available = window->screen()->availableGeometry();
        QVERIFY(available.contains(window->geometry()));
        QCOMPARE(window->minimumSize().boundedTo(window->size()), window->minimumSize());
        if (available.width() >= 800 && available.height() >= 600)
            QCOMPARE(window->minimumSize(), QSize(800, 600));
    }

    void placementCascadesWithinTheScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("previous");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QSize>("minimum");
        const QRect full(0, 0, 1920, 1080), scaled(0, 0, 960, 540), laptop(0, 0, 1366, 768);
        QTest::newRow("first, centred") << full << QRect() << QRect(360, 110, 1200, 860) << QSize(800, 600);
        QTest::newRow("first, below a panel")
            << QRect(0, 32, 1920, 1048) << QRect() << QRect(360, 126, 1200, 860) << QSize(800, 600);
        QTest::newRow("first, 2x") << scaled << QRect() << scaled << QSize(800, 508);
        QTest::newRow("next") << full << QRect(360, 110, 1200, 860) << QRect(392, 142, 1200, 860)
                              << QSize(800, 600);
        QTest::newRow("next, shrunk at the edge")
            << laptop << QRect(83, 0, 1200, 768) << QRect(115, 32, 1200, 736) << QSize(800, 600);
        QTest::newRow("next, 2x") << scaled << scaled << QRect(32, 32, 928, 508) << QSize(800, 508);
        QTest::newRow("next, too small: the corner")
            << full << QRect(700, 500, 1200, 580) << QRect(0, 0, 1200, 860) << QSize(800, 600);
    }

    void placementCascadesWithinTheScreen()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, previous);
        const WindowPlacement placement = WindowPlacement::on(available, previous);
        QTEST(placement.geometry, "geometry");
        QTEST(placement.minimumSize, "minimum");
    }

    void dragStripMovesAndZoomsTheWindow()
    {
        QQuickWindow* window = open();
        const QPoint at = centreOf(findItem(window, "dragStrip")).toPoint();
        const QPoint before = window->position();
        // Offscreen there is no window manager to move it: the strip does.
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        QTest::mouseMove(window, at + QPoint(40, 30));
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        QCOMPARE(window->position(), before + QPoint(40, 30));
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        QTRY_COMPARE(window->visibility(), QWindow::Maximized);
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        QTRY_COMPARE(window->visibility(), QWindow::Windowed);
    }

    void windowControlsWorkFromAssistiveTechnology_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("visibility");
        QTest::newRow("close") << "closeControl"
                               << "Close" << int(QWindow::Hidden);
        QTest::newRow("minimise") << "minimiseControl"
                                  << "Minimize" << int(QWindow::Minimized);
        QTest::newRow("maximise") << "maximiseControl"
                                  << "Maximize" << int(QWindow::Maximized);
    }

    void windowControlsWorkFromAssistiveTechnology()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(int, visibility);
        QQuickWindow* window = open();
        QAccessible::setActive(true);
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(findItem(window, control));
        QVERIFY(button != nullptr && button->actionInterface() != nullptr);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), name);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QAccessible::setActive(false);
        if (visibility == QWindow::Hidden) {
            QTRY_VERIFY(manager_.windows().isEmpty());
            return;
        }
        QTRY_COMPARE(int(window->visibility()), visibility);
        QCOMPARE(findItem(window, "maximiseControl")->property("label").toString(),
                 visibility == QWindow::Maximized ? "Restore" : "Maximize");
    }

    void browsePanelMixesFilesAndFolders()
    {
        QTemporaryDir dir;
        writePhotoTree(dir.path().toStdString());
        optara::testing::writeBytes(dir.filePath("skip.png").toStdString(), {'x'});
        optara::testing::writeBytes(dir.filePath("e.JpEg").toStdString(), optara::testing::photoJpeg({}));
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier,
                          centreOf(findItem(window, "browseButton")).toPoint());
        QTRY_VERIFY(openDialog() != nullptr);
        QVERIFY(openDialog()->testOption(QFileDialog::DontUseNativeDialog));
        openDialog()->setDirectory(dir.path());
        QTRY_COMPARE(listedNames(openDialog()), (QStringList{"B.JPG", "a.jpg", "e.JpEg", "trip"}));

        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        listedNames(openDialog(), {"a.jpg", "trip"});
        pressDialogButton(QDialogButtonBox::Open);
        QTRY_VERIFY(openDialog() == nullptr);
        // a.jpg and the two photos inside trip, in one run.
        QTRY_COMPARE(processing.count(), 2);
        QCOMPARE(model->processedImageCount(), 3);
    }

    void browsePanelBelongsToItsWindow()
    {
        QQuickWindow* other = open();
        QTest::keyClick(other, Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(manager_.windows().size(), 2);
        QQuickWindow* window = manager_.windows().last();
        QVERIFY(waitShown(window));
        QTest::keyClick(window, Qt::Key_Tab);
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(openDialog() != nullptr);
        QFileDialog* dialog = openDialog();
        QCOMPARE(dialog->windowHandle()->transientParent(), window);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Browse Files — Optara"));
        QVERIFY((dialog->geometry().center() - window->geometry().center()).manhattanLength() <= 2);
        // The other window still takes keys.
        other->requestActivate();
        QTRY_VERIFY(other->isActive());
        QTest::keyClick(other, Qt::Key_Tab);
        QVERIFY(findItem(other, "browseButton")->hasActiveFocus());

        // A typed folder and Enter go into it, with completions showing or not; nothing is analysed.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(photos_.filePath(QStringLiteral("trip")));
        const auto completionsShow = [name] { // once the folder has been read
            name->completer()->setCompletionPrefix(name->text());
            name->completer()->complete();
            return name->completer()->popup()->isVisible();
        };
        QTRY_VERIFY(completionsShow());
        QTest::keyClick(name->completer()->popup(), Qt::Key_Return);
        QCOMPARE(openDialog(), dialog);
        QTRY_COMPARE(listedNames(dialog), (QStringList{"c.jpeg", "day2"}));
        name->setText(QStringLiteral("day2"));
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_COMPARE(listedNames(dialog), QStringList{"d.jpg"});
        QCOMPARE(WindowManager::viewModel(window)->isProcessing(), false);

        // Esc: the window is active again and its button shows the keyboard focus.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(openDialog() == nullptr);
        QTRY_VERIFY(window->isActive());
        QTRY_VERIFY(findItem(window, "browseButton")->property("visualFocus").toBool());
    }

    void ctrlOOpensThePanelOnlyOnTheDropZone_data()
    {
        QTest::addColumn<bool>("photos");
        QTest::addColumn<bool>("processing");
        QTest::newRow("drop zone") << false << false;
        QTest::newRow("dashboard") << true << false;
        QTest::newRow("under the overlay") << false << true;
    }

    void ctrlOOpensThePanelOnlyOnTheDropZone()
    {
        QFETCH(bool, photos);
        QFETCH(bool, processing);
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        if (photos)
            dropTree(window);
        const int before = model->processedImageCount();
        bool opened = false;
        const auto press = [&] {
            QTest::keySequence(window, QKeySequence::Open);
            opened = openDialog() != nullptr;
        };
        if (processing) {
            whenRunStarts(model, press);
            model->processURLs(tree_.dropped);
            QTRY_VERIFY(!model->isProcessing());
        } else {
            press();
        }
        QCOMPARE(opened, !photos && !processing);
        if (opened)
            pressDialogButton(QDialogButtonBox::Cancel);
        QTRY_VERIFY(openDialog() == nullptr);
        QTest::qWait(50);
        // A cancelled or absent panel hands nothing on.
        QCOMPARE(model->processedImageCount(), processing ? tree_.photoCount : before);
    }

  private:
    QQuickWindow* open()
    {
        QQuickWindow* window = manager_.newWindow();
        window->resize(1000, 700);
        waitShown(window);
        return window;
    }

    // Runs `check` at the moment the model's next run starts, before the run can end.
    void whenRunStarts(AppViewModel* model, const std::function<void()>& check)
    {
        connect(model, &AppViewModel::isProcessingChanged, this, check, Qt::SingleShotConnection);
    }

    void dropTree(QQuickWindow* window)
    {
        DragHelper drag;
        drag.dragAndDrop(findItem(window, "dropZone"), tree_.dropped, QPointF(100, 100));
        QTRY_VERIFY(findItem(window, "dashboard") != nullptr);
        QTest::qWait(50);
    }

    QTemporaryDir photos_;
    PhotoTree tree_;
    QQmlEngine engine_;
    WindowManager manager_{engine_};
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

#include "AppViewModel.h"
#include "DragHelper.h"
#include "PhotoBuilder.h"
#include "ShellHarness.h"
#include "WindowManager.h"

#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace optara::shell_testing;

namespace {

QFileDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    return nullptr;
}

QPushButton* dialogButton(QFileDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box != nullptr ? box->button(which) : nullptr;
}

// Names the dialog lists in its current folder, sorted; with `select`, selects those of them.
QStringList listedNames(QFileDialog* dialog, const QStringList& select = {})
{
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        const QModelIndex index = view->model()->index(row, 0, root);
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
        for (QQuickWindow* window : manager_->windows())
            delete window;
        QTest::qWait(0);
    }

    void launchShowsTheDropZone()
    {
        QQuickWindow* window = open();
        QCOMPARE(window->minimumSize(), QSize(800, 600));
        QVERIFY(window->flags().testFlag(Qt::FramelessWindowHint));
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
        QVERIFY(zone != nullptr);
        QVERIFY(findItem(window, QStringLiteral("processingOverlay")) == nullptr);
        QCOMPARE(zone->mapToScene(QPointF(0, 0)), QPointF(60, 60));
        QCOMPARE(zone->width(), window->width() - 120.0);
        // The zone spans 60..W-60: a 4-wide outline centred on its edge, a 12 shadow beyond.
        const QImage image = grab(window);
        const struct {
            int fromRight, y;
            QColor colour;
        } points[] = {{61, 300, neoText}, {52, 300, neoText}, {46, 300, neoBackground}, {80, 300, neoCard},
                      {52, 62, neoBackground}};
        for (const auto& p : points)
            QCOMPARE(image.pixelColor(window->width() - p.fromRight, p.y), p.colour);
    }

    void dropRunsOnceAndShowsTheDashboard()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        bool overlay = false, zoneTookDrag = true, browseTookFocus = true;
        whenRunStarts(model, [&] {
            // The overlay shows at once, and nothing beneath it takes a drag or a key.
            overlay = findItem(window, QStringLiteral("processingOverlay")) != nullptr;
            DragHelper blocked;
            blocked.enter(window->contentItem(), tree_.dropped, centreOf(zone));
            zoneTookDrag = zone->property("isHovering").toBool();
            blocked.leave(window->contentItem());
            QTest::keyClick(window, Qt::Key_Tab);
            browseTookFocus = findItem(window, QStringLiteral("browseButton"))->hasActiveFocus();
        });
        DragHelper drag;
        QVERIFY(drag.enter(window->contentItem(), tree_.dropped, centreOf(zone)));
        QVERIFY(zone->property("isHovering").toBool());
        QVERIFY(drag.move(window->contentItem(), centreOf(zone) + QPointF(5, 5)));
        QVERIFY(drag.drop(window->contentItem(), centreOf(zone) + QPointF(5, 5)));
        QVERIFY(!zone->property("isHovering").toBool());

        QTRY_COMPARE(processing.count(), 2); // one run: on, then off
        QVERIFY(overlay);
        QVERIFY(!zoneTookDrag);
        QVERIFY(!browseTookFocus);
        QCOMPARE(model->processedImageCount(), tree_.photoCount);
        QTRY_VERIFY(findItem(window, QStringLiteral("dashboard")) != nullptr);
        QVERIFY(findItem(window, QStringLiteral("processingOverlay")) == nullptr);
        QCOMPARE(findItem(window, QStringLiteral("photoCount"))->property("text").toString(),
                 QString::number(tree_.photoCount));
    }

    void restartReturnsToTheDropZone_data()
    {
        QTest::addColumn<bool>("keyboard");
        QTest::newRow("mouse") << false;
        QTest::newRow("tab, space") << true;
    }

    void restartReturnsToTheDropZone()
    {
        QFETCH(bool, keyboard);
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        dropTree(window);
        QQuickItem* restart = findItem(window, QStringLiteral("restartButton"));
        if (keyboard) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY(restart->hasActiveFocus());
            QTest::keyClick(window, Qt::Key_Space);
        } else {
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centreOf(restart).toPoint());
        }
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
        QCOMPARE(WindowManager::viewModel(second)->processedImageCount(), 0);
        QVERIFY(findItem(second, QStringLiteral("dropZone")) != nullptr);
        QVERIFY(findItem(second, QStringLiteral("dashboard")) == nullptr);
    }

    void shortcutsOpenAndCloseWindows()
    {
        QQuickWindow* window = open();
        QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(manager_->windows().size(), 2);
        QQuickWindow* added = manager_->windows().last();
        QVERIFY(WindowManager::viewModel(added) != WindowManager::viewModel(window));
        QVERIFY(waitShown(added));
        QTest::keyClick(added, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(manager_->windows().size(), 1);
        QCOMPARE(manager_->windows().first(), window);
    }

    void windowControlsWorkFromAssistiveTechnology_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("visibility");
        QTest::newRow("close") << "closeControl" << "Close" << int(QWindow::Hidden);
        QTest::newRow("minimise") << "minimiseControl" << "Minimize" << int(QWindow::Minimized);
        QTest::newRow("maximise") << "maximiseControl" << "Maximize" << int(QWindow::Maximized);
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
        if (visibility == QWindow::Hidden) {
            QTRY_VERIFY(manager_->windows().isEmpty());
        } else {
            QTRY_COMPARE(int(window->visibility()), visibility);
            QCOMPARE(findItem(window, "maximiseControl")->property("label").toString(),
                     visibility == QWindow::Maximized ? "Restore" : "Maximize");
        }
        QAccessible::setActive(false);
    }

    void browsePanelMixesFilesAndFolders()
    {
        QTemporaryDir dir;
        writePhotoTree(dir.path().toStdString());
        optara::testing::writeBytes(dir.filePath(QStringLiteral("skip.png")).toStdString(), {'x'});
        optara::testing::writeBytes(dir.filePath(QStringLiteral("e.JpEg")).toStdString(), optara::testing::photoJpeg({}));
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* browse = findItem(window, QStringLiteral("browseButton"));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centreOf(browse).toPoint());
        QTRY_VERIFY(openDialog() != nullptr);
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        dialog->setDirectory(dir.path());
        const QStringList expected{"B.JPG", "a.jpg", "e.JpEg", "trip"};
        QTRY_COMPARE(listedNames(dialog), expected);

        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        listedNames(dialog, {"a.jpg", "trip"});
        QVERIFY(dialogButton(dialog, QDialogButtonBox::Open)->isEnabled());
        dialogButton(dialog, QDialogButtonBox::Open)->click();
        QTRY_VERIFY(openDialog() == nullptr);
        // a.jpg and the two photos inside trip, in one run.
        QTRY_COMPARE(model->processedImageCount(), 3);
        QTRY_VERIFY(!model->isProcessing());
        QCOMPARE(processing.count(), 2);
    }

    void browsePanelOpensOnlyFromTheDropZone_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("photos");
        QTest::addColumn<bool>("processing");
        QTest::addColumn<bool>("opens");
        QTest::newRow("ctrl+o") << "ctrl+o" << false << false << true;
        QTest::newRow("tab, return") << "tab, return" << false << false << true;
        QTest::newRow("ctrl+o on the dashboard") << "ctrl+o" << true << false << false;
        QTest::newRow("ctrl+o under the overlay") << "ctrl+o" << false << true << false;
        QTest::newRow("tab, space under the overlay") << "tab, space" << false << true << false;
    }

    void browsePanelOpensOnlyFromTheDropZone()
    {
        QFETCH(QString, how);
        QFETCH(bool, photos);
        QFETCH(bool, processing);
        QFETCH(bool, opens);
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        if (photos)
            dropTree(window);
        const int before = model->processedImageCount();
        bool opened = false;
        const auto press = [&] {
            if (how == "ctrl+o") {
                QTest::keySequence(window, QKeySequence::Open);
            } else {
                QTest::keyClick(window, Qt::Key_Tab);
                QTest::keyClick(window, how.endsWith("return") ? Qt::Key_Return : Qt::Key_Space);
            }
            opened = openDialog() != nullptr;
        };
        if (processing) {
            whenRunStarts(model, press);
            model->processURLs(tree_.dropped);
            QTRY_VERIFY(!model->isProcessing());
        } else {
            press();
        }
        QCOMPARE(opened, opens);
        if (openDialog() != nullptr)
            dialogButton(openDialog(), QDialogButtonBox::Cancel)->click();
        QTRY_VERIFY(openDialog() == nullptr);
        QTest::qWait(50);
        // A cancelled or absent panel hands nothing on.
        QCOMPARE(model->processedImageCount(), processing ? tree_.photoCount : before);
    }

private:
    static inline const QColor neoBackground{0xF9, 0xF8, 0xF6};
    static inline const QColor neoCard{0xFF, 0xFF, 0xFF};
    static inline const QColor neoText{0x1C, 0x19, 0x17};

    QQuickWindow* open()
    {
        QQuickWindow* window = manager_->newWindow();
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
        drag.dragAndDrop(findItem(window, QStringLiteral("dropZone")), tree_.dropped, QPointF(100, 100));
        QTRY_VERIFY(findItem(window, QStringLiteral("dashboard")) != nullptr);
        QTest::qWait(50);
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

#include "AppViewModel.h"
#include "ControlLayout.h"
#include "DragHelper.h"
#include "MountedVolumes.h"
#include "PhotoBuilder.h"
#include "PhotoPicker.h"
#include "ProcessingRun.h"
#include "ReadOnlySession.h"
#include "RendererChoice.h"
#include "RunThreads.h"
#include "TextAntialiasing.h"
#include "Translation.h"
#include "WindowDriver.h"
#include "WindowManager.h"
#include "WindowPlacement.h"

#include <QtQuick>
#include <QtTest>
#include <QtWidgets>

using namespace optara;
using namespace optara::driver;
using namespace optara::testing;

namespace {

// The test's own files, apart from the session's.
const QTemporaryDir testFiles;
// HOME and the XDG folders, fresh and set before the application starts, as main prepares its session; a
// whole session of windows must leave them empty. With OPTARA_TEST_RUNTIME, XDG_RUNTIME_DIR is "unset",
// "empty" or names a "missing" folder, and the temporary folder is the session's too.
const QTemporaryDir userFolders;
[[maybe_unused]] const bool sessionPrepared = [] {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"}) {
        QDir(userFolders.path())
            .mkdir(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, userFolders.filePath(name).toLocal8Bit());
    }
    if (const QByteArray runtime = qgetenv("OPTARA_TEST_RUNTIME"); !runtime.isEmpty()) {
        QDir(userFolders.path()).mkdir("TMPDIR");
        qputenv("TMPDIR", userFolders.filePath("TMPDIR").toLocal8Bit());
        if (runtime == "unset")
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR",
                    runtime == "empty" ? "" : userFolders.filePath("TMPDIR/none").toLocal8Bit());
    }
    qunsetenv("XDG_CURRENT_DESKTOP"); // no desktop's title-bar layout unless a test gives one
    prepareReadOnlySession();
    followDesktopTextAntialiasing();
    return true;
}();

// What was written under the user's folders; the runtime folder is the session's, not the user's.
QStringList writtenByTheSession()
{
    QStringList written;
    QDirIterator it(userFolders.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    for (const QDir root(userFolders.path()); it.hasNext();)
        if (const QString path = root.relativeFilePath(it.next());
            path.contains('/') && !path.startsWith("XDG_RUNTIME"))
            written.append(path);
    return written;
}

QFileDialog* openDialog()
{
    return qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
}

// The browse panel as Ctrl+O opens it over the window; none when it does not open.
QFileDialog* openPanel(QWindow* window)
{
    QTest::keySequence(window, QKeySequence::Open);
    (void)QTest::qWaitFor([] { return openDialog() != nullptr; });
    return openDialog();
}

// The names a list of the panel shows, in its order; none when the panel lacks it.
QStringList namesIn(QFileDialog* dialog, const char* list)
{
    const auto* view = dialog->findChild<QListView*>(QString::fromLatin1(list));
    QStringList names;
    for (int row = 0; view != nullptr && row < view->model()->rowCount(view->rootIndex()); ++row)
        names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
    return names;
}

QStringList listedNames(QFileDialog* dialog)
{
    QStringList names = namesIn(dialog, "listView");
    names.sort();
    return names;
}

QRectF sceneRect(const QQuickItem* item)
{
    return item->mapRectToScene(item->boundingRect());
}

// Everything assistive technology reaches from the window, depth first.
QList<QAccessibleInterface*> accessibleTree(QAccessibleInterface* node)
{
    QList<QAccessibleInterface*> tree{node};
    for (int i = 0; i < node->childCount(); ++i)
        tree += accessibleTree(node->child(i));
    return tree;
}

// What a screen reader finds amiss: an element hidden, unnamed or listing an action twice; scroll bars
// other than those shown; buttons other than the view's own, when it can be pressed, and the window's
// three controls.
QString unreadElements(QQuickWindow* window, int scrollBars, int viewButtons = 1)
{
    grab(window); // lays the view out
    int bars = 0, buttons = 0;
    for (QAccessibleInterface* node : accessibleTree(QAccessible::queryAccessibleInterface(window))) {
        const QStringList actions =
            node->actionInterface() != nullptr ? node->actionInterface()->actionNames() : QStringList();
        if (node->text(QAccessible::Name).isEmpty() || node->state().invisible ||
            QSet<QString>(actions.begin(), actions.end()).size() != actions.size())
            return QString("%1 (role %2): %3")
                .arg(node->text(QAccessible::Name), QString::number(node->role()), actions.join(", "));
        bars += node->role() == QAccessible::ScrollBar;
        buttons += node->role() == QAccessible::Button;
    }
    return bars == scrollBars && buttons == 3 + viewButtons
               ? QString()
               : QString("%1 bars, %2 buttons").arg(bars).arg(buttons);
}

// Whether a text shows in capitals: upper-casing what it says changes no pixel.
bool showsInCapitals(QQuickWindow* window, QQuickItem* text)
{
    const QRect area = sceneRect(text).toAlignedRect();
    const QString said = text->property("text").toString();
    const QImage shown = grab(window).scaled(window->size()).copy(area);
    text->setProperty("text", said.toUpper());
    const bool same = grab(window).scaled(window->size()).copy(area) == shown;
    text->setProperty("text", said);
    return same && said != said.toUpper();
}

// Whether a control's focus frame shows whole: no item that clips cuts it.
bool focusFrameShowsWhole(QQuickItem* control)
{
    auto* frame = control->findChild<QQuickItem*>(QStringLiteral("focusFrame"));
    for (QQuickItem* item = frame; item != nullptr; item = item->parentItem())
        if (item->clip() && !sceneRect(item).contains(sceneRect(frame)))
            return false;
    return frame->isVisible();
}

QStringList textsOf(QQuickItem* item)
{
    QStringList texts;
    if (!item->isVisible())
        return texts;
    if (item->inherits("QQuickText"))
        texts.append(item->property("text").toString());
    for (QQuickItem* child : item->childItems())
        texts += textsOf(child);
    return texts;
}

// Every text the browse panel shows: title, labels, filters, buttons, tool tips and its context menu.
QStringList textsOf(QFileDialog* dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible())
            texts.append(label->text());
    auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; filters != nullptr && i < filters->count(); ++i)
        texts.append(filters->itemText(i));
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible())
            texts.append(qobject_cast<const QToolButton*>(button) ? button->toolTip() : button->text());
    for (const QAction* action : dialog->findChild<QListView*>(QStringLiteral("listView"))->actions())
        texts.append(action->text());
    return texts + namesIn(dialog, "sidebar");
}

// Answers Yes to each question the panel asks, as a hasty user would, and notes what each menu
// offered before closing it, until the guard ends.
struct YesToEverything {
    QTimer timer;
    QStringList offered;
    YesToEverything()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (const QAction* action : menu->actions())
                    offered.append(action->text().remove('&'));
                menu->close();
            }
        });
        timer.start(20);
    }
};

enum class Way { Drop, Keys, Mouse, Press };

} // namespace

Q_DECLARE_METATYPE(Way)

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(photos_.isValid() && manyPhotos_.isValid());
        tree_ = writePhotoTree(photos_.path().toStdString());
        // Over a thousand photos, so that a count formatted for the locale would show a separator;
        // one of them lacks every value, so that each card has a row for photos without one.
        const auto photo = photoJpeg({.model = "Canon EOS R6", .fNumber = Fraction{28, 10}});
        for (int i = 0; i < 1200; ++i)
            writeBytes(manyPhotos_.filePath(QString("p%1.jpg").arg(i)).toStdString(), photo);
        writeBytes(manyPhotos_.filePath("bare.jpg").toStdString(), photoJpeg({}));
    }

    // A part of Qt's file dialog that the panel reaches by name and this Qt lacks fails the test.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("file dialog has no"))); }

    void cleanup()
    {
        qDeleteAll(manager_.windows());
        // What the windows handed to deleteLater goes now, before the next case looks for windows.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Every window rendered, opened its dialog, analysed and restarted: nothing was written.
    void cleanupTestCase() { QCOMPARE(writtenByTheSession(), QStringList()); }

    // The first window shows before anything of the browse dialog is made: no widget, no GIO module.
    void firstWindowMakesNothingOfTheDialog()
    {
        open();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("/gio/modules/"));
    }

    // However photos come in, they come in one run, and the dashboard's scrolling keys then work at
    // once, even when Browse Files had the keys before. Restart hands them to Browse Files, with the
    // focus frame when keys pressed it. A screen reader reads every screen on the way.
    void keysFollowEveryWayBetweenTheScreens_data()
    {
        QTest::addColumn<Way>("in");
        QTest::addColumn<Way>("restart");
        QTest::newRow("drop, restart by mouse") << Way::Drop << Way::Mouse;
        QTest::newRow("dialog by keys, restart by keys") << Way::Keys << Way::Keys;
        QTest::newRow("dialog by mouse, restart by mouse") << Way::Mouse << Way::Mouse;
        QTest::newRow("dialog by a screen reader, restart by one") << Way::Press << Way::Press;
    }

    void keysFollowEveryWayBetweenTheScreens()
    {
        QFETCH(Way, in);
        QFETCH(Way, restart);
        QAccessible::setActive(true);
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* zone = findItem(window, "dropZone");
        QQuickItem* browse = findItem(window, "browseButton");
        QCOMPARE(unreadElements(window, 0), QString());
        QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(browse->property("visualFocus").toBool());
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        bool reacted = true, atRest = false;
        QString unread = "not probed";
        // As a drop's run starts the overlay covers a drop zone at rest; nothing beneath takes a drag, key or
        // click.
        const auto duringTheRun = [&] {
            unread = unreadElements(window, 0, 0);
            atRest =
                zone->property("zoneProgress").toReal() == 0 && zone->property("tileProgress").toReal() == 0;
            DragHelper blocked;
            blocked.enter(zone, tree_.dropped, {10, 10});
            reacted = zone->property("isHovering").toBool();
            blocked.leave(zone);
            QTest::keyClick(window, Qt::Key_Tab);
            QTest::keySequence(window, QKeySequence::Open);
            QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(browse).toPoint());
            reacted = reacted || browse->hasActiveFocus() || openDialog() != nullptr;
        };
        if (in == Way::Drop) {
            // Probed for a drop only: a run the dialog starts begins inside its own key or click handling.
            connect(model, &AppViewModel::isProcessingChanged, this, duringTheRun, Qt::SingleShotConnection);
            // Dropped once the zone and its tile have sunk in, so that they spring back as the run starts.
            DragHelper drag;
            drag.enter(zone, tree_.dropped, {10, 10});
            QTRY_VERIFY(zone->property("zoneProgress").toReal() > 0.9 &&
                        zone->property("tileProgress").toReal() > 0.9);
            // With the runs' threads held no run can go on: the overlay stays. It speaks in capitals; after a
            // second it shows, and reads out, how far the run is; what is dropped on it is a run of its own.
            const auto gate = std::make_shared<std::array<QSemaphore, 2>>(); // held, let go
            for (int i = 0; i < RunThreads::mostThreads; ++i)
                RunThreads::shared().start([gate] { (*gate)[0].release(), (*gate)[1].acquire(); });
            (*gate)[0].acquire(RunThreads::mostThreads);
            const auto letGo = qScopeGuard([gate] { (*gate)[1].release(RunThreads::mostThreads); });
            QVERIFY(drag.drop(zone, {10, 10}));
            QTRY_VERIFY(findItem(window, "progressText") != nullptr);
            QVERIFY(showsInCapitals(window, findItem(window, "progressText")));
            QQuickItem* count = findItem(window, "progressCount");
            QVERIFY(!count->isVisible());
            QMetaObject::invokeMethod(window->findChild<QObject*>("progressDelay"), "triggered");
            QVERIFY(count->isVisible());
            QVERIFY(QRegularExpression("^(\\d+ of )?\\d+ file")
                        .match(count->property("text").toString())
                        .hasMatch());
            QCOMPARE(QAccessible::queryAccessibleInterface(findItem(window, "processingOverlay"))
                         ->text(QAccessible::Description),
                     count->property("text").toString());
            QVERIFY(DragHelper().dragAndDrop(zone, tree_.dropped, {10, 10}));
            QTRY_COMPARE(processing.count(), 2);
        } else {
            press(window, browse, in);
            QFileDialog* dialog = nullptr;
            QTRY_VERIFY((dialog = openDialog()) != nullptr);
            // Dressed as the window: flat Fusion frames in its colours and type.
            const auto* theme = window->findChild<PhotoPicker*>()->property("theme").value<QObject*>();
            QVERIFY(theme != nullptr);
            QCOMPARE(
                (QStringList{dialog->style()->name(), dialog->palette().color(QPalette::Window).name(),
                             dialog->palette().color(QPalette::Highlight).name(), dialog->font().family()}),
                (QStringList{"fusion", theme->property("neoBackground").value<QColor>().name(),
                             theme->property("neoAccent").value<QColor>().name(),
                             theme->property("defaultFamily").toString()}));
            dialog->setDirectory(photos_.path());
            QTRY_COMPARE(listedNames(dialog), (QStringList{"B.JPG", "a.jpg", "trip"}));
            // Typed names enable Open; one click on it, as the window system delivers it, or Return takes
            // them.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(QStringLiteral("\"a.jpg\" \"trip\""));
            const auto* openButton = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
            if (in == Way::Mouse)
                QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {},
                                  openButton->mapTo(dialog, openButton->rect().center()));
            else
                QTest::keyClick(name, Qt::Key_Return);
        }
        // One run, on then off; a drop is followed by one onto the overlay.
        QTRY_COMPARE(processing.count(), in == Way::Drop ? 3 : 2);
        QVERIFY(in != Way::Drop || (!reacted && atRest && unread.isEmpty()));
        QTRY_VERIFY(findItem(window, "dashboard") != nullptr && window->isActive() && !model->isProcessing());
        QVERIFY(findItem(window, "dashboard")->hasActiveFocus());     // its keys work at once
        const int shown = in == Way::Drop ? 2 * tree_.photoCount : 3; // a.jpg and the two photos in trip
        QCOMPARE(findItem(window, "photoCount")->property("text").toString(), QString::number(shown));
        // More photos join those shown: dropped on the page, which an accent outline marks while the drag
        // hovers, or chosen in the panel that Ctrl+O opens there. Escape stops a run and changes nothing.
        DragHelper more;
        QVERIFY(more.enter(findItem(window, "dashboard"), tree_.dropped, {100, 300}));
        QVERIFY(findItem(window, "dropOutline")->isVisible());
        QVERIFY(more.drop(findItem(window, "dashboard"), {100, 300}));
        QTRY_VERIFY(model->processedImageCount() == shown + tree_.photoCount && !model->isProcessing());
        QVERIFY(openPanel(window) != nullptr);
        openDialog()->setDirectory(photos_.path());
        auto* name = openDialog()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("a.jpg"));
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_VERIFY(openDialog() == nullptr && !model->isProcessing());
        QCOMPARE(model->processedImageCount(), shown + tree_.photoCount + 1);
        model->processURLs({QUrl::fromLocalFile(manyPhotos_.path())});
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!model->isProcessing() && ProcessingRun::waitForReads(std::chrono::seconds(10)));
        QCoreApplication::sendPostedEvents(); // the run's end, were it not stopped, and then its ranking
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(model->processedImageCount(), shown + tree_.photoCount + 1);
        // The vertical bar is read while there is something to scroll; the horizontal one never.
        QCOMPARE(unreadElements(window, 1), QString());
        window->resize(1400, 1600);
        QTRY_COMPARE(unreadElements(window, 0), QString());

        if (restart == Way::Keys) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY(focusFrameShowsWhole(findItem(window, "restartButton")));
        }
        press(window, findItem(window, "restartButton"), restart);
        QTRY_VERIFY((browse = findItem(window, "browseButton")) != nullptr);
        QVERIFY(browse->hasActiveFocus() && model->topCameras()->rowCount() == 0);
        QCOMPARE(browse->property("visualFocus").toBool(), restart == Way::Keys);
        QAccessible::setActive(false);
        // The window's panel opens where it last was, although the zone was rebuilt.
        QVERIFY(openPanel(window) != nullptr);
        QCOMPARE(openDialog()->directory().absolutePath(), photos_.path());
        openDialog()->reject();
    }

    void secondWindowCascadesAndHasItsOwnPanelAndPhotos()
    {
        QQuickWindow* first = open();
        QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(manager_.windows().size(), 2);
        QQuickWindow* window = manager_.windows().last();
        QVERIFY(waitShown(window));
        const QRect available = window->screen()->availableGeometry();
        QVERIFY(available.contains(window->geometry()));
        QCOMPARE(window->position() - first->position(), QPoint(32, 32));

        // Ctrl+O opens a panel over this window alone: the first still takes keys.
        AppViewModel* model = WindowManager::viewModel(window);
        QFileDialog* dialog = openPanel(window);
        QVERIFY(dialog != nullptr && dialog->windowHandle()->transientParent() == window);
        // Centred over it, but for a screen too low for the panel, and large enough for whole names.
        const QPoint off = dialog->geometry().center() - window->geometry().center();
        QVERIFY(qAbs(off.x()) <= 2 && (qAbs(off.y()) <= 2 || dialog->height() == available.height()));
        QVERIFY(dialog->width() >= 900 && dialog->height() >= qMin(560, available.height()));
        first->requestActivate();
        QTRY_VERIFY(first->isActive());
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(findItem(first, "browseButton")->hasActiveFocus());

        // A typed folder and Enter go into it, a hidden one too, which completions never offer: they
        // stay closed, and Open waits for a choice. Nothing is analysed.
        const QDir trip(photos_.filePath(QStringLiteral("trip")));
        QVERIFY(trip.mkpath(QStringLiteral(".edits/crops")));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        dialog->setDirectory(trip);
        QTRY_COMPARE(listedNames(dialog), (QStringList{"c.jpeg", "day2"}));
        QWidget* completions = name->completer()->popup();
        QTest::keyClicks(name, QStringLiteral(".edits"));
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_COMPARE(listedNames(dialog), QStringList{"crops"});
        auto* openButton = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        QVERIFY(!completions->isVisible() && !openButton->isEnabled());
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        const QModelIndex crops = view->model()->index(0, 0, view->rootIndex());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(crops).center());
        QVERIFY(openButton->isEnabled());
        QVERIFY(openDialog() == dialog && !model->isProcessing());

        dialog->resize(dialog->size() - QSize(40, 30));
        const QSize resized = dialog->size();
        // Esc: the window is active again and its button shows the keyboard focus.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(openDialog() == nullptr && window->isActive());
        QTRY_VERIFY(findItem(window, "browseButton")->property("visualFocus").toBool());

        // A click opens it again where it was, at the size it was left.
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(findItem(window, "browseButton")).toPoint());
        QTRY_VERIFY((dialog = openDialog()) != nullptr);
        QCOMPARE(dialog->directory().absolutePath(), trip.filePath(QStringLiteral(".edits")));
        QCOMPARE(dialog->size(), resized);
        dialog->reject();
        // Its photos are its own. Ctrl+W during a run closes the window and its model, which ends the run's
        // reads; the first window takes over.
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        model->processURLs(tree_.dropped);
        QTRY_COMPARE(processing.count(), 2);
        QVERIFY(findItem(window, "dashboard") != nullptr && findItem(first, "dropZone") != nullptr);
        model->processURLs(QList<QUrl>(20, QUrl::fromLocalFile(manyPhotos_.path())));
        const QPointer<AppViewModel> closing = model;
        QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(manager_.windows(), QList<QQuickWindow*>{first});
        QTRY_VERIFY(closing.isNull());
        QTRY_VERIFY(first->isActive());
        // Its button kept the keys; Tab takes them on to the window's first control, which shows them.
        QVERIFY(findItem(first, "browseButton")->hasActiveFocus());
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(findItem(first, "minimiseControl")->property("visualFocus").toBool());
    }

    // A file and a folder of the test's own survive every way the panel could change them.
    void panelNeverChangesAFile()
    {
        QTemporaryDir own;
        QVERIFY(QDir(own.path()).mkdir(QStringLiteral("album")));
        writeBytes(own.filePath(QStringLiteral("keep.jpg")).toStdString(), photoJpeg({}));
        const QStringList before = QDir(own.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        QFileDialog* dialog = openPanel(open());
        QVERIFY(dialog != nullptr);
        dialog->setDirectory(own.path());
        QTRY_COMPARE(listedNames(dialog), (QStringList{"album", "keep.jpg"}));
        auto* newFolder = dialog->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
        QVERIFY(newFolder != nullptr && !newFolder->isVisible());

        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        const auto indexOf = [view](const QString& name) {
            return view->model()
                ->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, name, 1,
                        Qt::MatchExactly)
                .value(0);
        };
        YesToEverything yes;
        // The context menu: whatever it offers, nothing in it writes.
        const QPoint onKeep = view->visualRect(indexOf("keep.jpg")).center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onKeep, view->viewport()->mapToGlobal(onKeep));
        QApplication::sendEvent(view->viewport(), &menuEvent);
        QTRY_VERIFY(!yes.offered.isEmpty());
        for (const char* writes : {"Rename", "Delete", "New Folder"})
            QVERIFY2(!yes.offered.contains(writes, Qt::CaseInsensitive), qPrintable(yes.offered.join(", ")));
        // Delete and F2 on a selected entry, each answered Yes.
        for (const char* name : {"keep.jpg", "album"}) {
            view->setCurrentIndex(indexOf(name));
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Delete);
            QTest::keyClick(view, Qt::Key_F2);
            if (QWidget* editor = QApplication::focusWidget()) {
                QTest::keyClicks(editor, QStringLiteral("renamed"));
                QTest::keyClick(editor, Qt::Key_Return);
            }
        }
        dialog->reject();
        QCOMPARE(QDir(own.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    }

    void placementCentresTheFirstWindowAndCascadesWithinTheScreen()
    {
        const QRect full(0, 0, 1920, 1080);
        QCOMPARE(WindowPlacement::on(full, {}).geometry, QRect(360, 110, 1200, 860));
        // Shrunk at the screen's edge; back to the corner once too small there.
        QCOMPARE(WindowPlacement::on({0, 0, 1366, 768}, {83, 0, 1200, 768}).geometry,
                 QRect(115, 32, 1200, 736));
        QCOMPARE(WindowPlacement::on(full, {700, 500, 1200, 580}).geometry, QRect(0, 0, 1200, 860));
        // A screen shorter than 600: the least height one step inside it.
        QCOMPARE(WindowPlacement::on({0, 0, 960, 540}, {}).minimumSize, QSize(800, 508));
    }

    // The controls sit where the desktop's own settings put them, read only: GNOME's button-layout (left of
    // the colon goes left; unknown names, repeats and spaces are passed over) or KDE's kwinrc, where X, I and
    // A name them. Tab goes as the eye reads, showing each frame; the strip between drags the window.
    void controlsSitWhereTheDesktopPutsThem()
    {
        for (const auto& [layout, left, right] :
             {std::tuple{u"close,minimize:appmenu", QStringList{"close", "minimize"}, QStringList()},
              {u" close , spacer:minimize,close,maximize ", {"close"}, {"minimize", "maximize"}},
              {u"close:minimize:maximize", {"close"}, {}}})
            QCOMPARE(ControlLayout::fromGnome(layout), (ControlLayout{left, right}));
        // The config folder is the session's, which must end empty: what is written here is removed.
        QFile kwinrc(qEnvironmentVariable("XDG_CONFIG_HOME") + "/kwinrc");
        const auto removeSettings = qScopeGuard([&] {
            qunsetenv("XDG_CURRENT_DESKTOP");
            kwinrc.remove();
        });
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        QVERIFY(kwinrc.open(QIODevice::WriteOnly) &&
                kwinrc.write("[org.kde.kdecoration2]\nButtonsOnLeft=MXS\nButtonsOnRight=HAIX") > 0);
        kwinrc.close();
        WindowManager manager(engine_);
        QQuickWindow* window = open(manager);
        grab(window); // lays the rows out
        const QRectF strip = sceneRect(findItem(window, "dragStrip"));
        QVERIFY(strip.width() > window->width() / 2);
        QList<QQuickItem*> stops;
        for (const char* name :
             {"closeControl", "browseButton", "maximiseControl", "minimiseControl", "closeControl"})
            stops.append(findItem(window, name));
        QVERIFY(sceneRect(stops[0]).right() < strip.left() && sceneRect(stops[2]).left() > strip.right() &&
                sceneRect(stops[3]).left() > sceneRect(stops[2]).right());
        for (QQuickItem* stop : stops) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY2(stop->property("visualFocus").toBool() && focusFrameShowsWhole(stop),
                     qPrintable(stop->objectName()));
        }
        const QPoint at = strip.center().toPoint(), before = window->position();
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        QTest::mouseMove(window, at + QPoint(40, 30));
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        QCOMPARE(window->position(), before + QPoint(40, 30));
    }

    // Qt Quick draws in software where OpenGL would, a GPU's renderer keeping OpenGL, and its text grey where
    // fontconfig names no RGB sub-pixels.
    void drawingFollowsTheMachine()
    {
        for (const auto& [renderer, software] :
             {std::pair{"llvmpipe (LLVM 15.0.6, 256 bits)", true},
              {"", true},
              {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false}})
            QVERIFY2(drawsInSoftware(renderer) == software, renderer);
        const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> none(FcConfigCreate(), &FcConfigDestroy);
        QCOMPARE(textAntialiasing(none.get()), "gray");
    }

    void textsFollowTheLocale()
    {
        const QStringList english = capture(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(!english.isEmpty(), "the dashboard never showed");
        for (const auto& [locale, german] : {std::pair{QLocale(QLocale::German, QLocale::Germany), true},
                                             {QLocale(QLocale::French, QLocale::France), false}}) {
            const QStringList texts = capture(locale);
            QCOMPARE(texts.size(), english.size());
            // German translates every fixed text; the name, the address and the photos' data stay verbatim.
            for (qsizetype i = 0; i < texts.size(); ++i)
                QVERIFY2((texts[i] == english[i]) == (!german || unchanged_.contains(english[i])),
                         qPrintable(locale.name() + ": " + english[i] + " -> " + texts[i]));
        }
        // Words for one and for many, as the views ask for them.
        for (const auto& [context, source, n, inEnglish, inGerman] :
             {std::tuple{"StatCard", "%n photo(s)", 1, "1 photo", "1 Foto"},
              {"StatsDashboardView", "Photos Analyzed", 1, "Photo Analyzed", "Foto analysiert"},
              {"StatsDashboardView", "Photos Analyzed", 2, "Photos Analyzed", "Fotos analysiert"},
              {"ProcessingOverlay", "%n file(s) found", 1, "1 file found", "1 Datei gefunden"},
              {"ProcessingOverlay", "%1 of %n file(s) read", 2, "%1 of 2 files read",
               "%1 von 2 Dateien gelesen"}})
            for (const auto& [locale, expected] :
                 {std::pair{QLocale::c(), inEnglish}, {QLocale(QLocale::German), inGerman}}) {
                const Translation translation(locale);
                QCOMPARE(QCoreApplication::translate(context, source, nullptr, n), QString(expected));
            }
    }

  private:
    // Presses a button by its Return key, the mouse, or assistive technology's Press action.
    static void press(QQuickWindow* window, QQuickItem* button, Way way)
    {
        if (way == Way::Keys)
            QTest::keyClick(window, Qt::Key_Return);
        else if (way == Way::Mouse)
            QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(button).toPoint());
        else
            QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
    }

    QQuickWindow* open() { return open(manager_); }

    static QQuickWindow* open(WindowManager& manager)
    {
        QQuickWindow* window = manager.newWindow();
        window->resize(1000, 700);
        waitShown(window);
        return window;
    }

    // A window's texts under the locale: zone and overlay, dashboard with an emptied card, controls.
    QStringList capture(const QLocale& locale)
    {
        const Translation translation(locale);
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        // The browse panel's stock texts come from Qt's own catalogue, a dependency of the app.
        if (openPanel(window) == nullptr)
            return {};
        QStringList texts = textsOf(openDialog());
        openDialog()->reject();
        model->processURLs({QUrl::fromLocalFile(manyPhotos_.path())});
        texts += textsOf(window->contentItem());
        if (!QTest::qWaitFor([&] { return findItem(window, "dashboard") != nullptr; }, 60000))
            return {};
        findItem(window, "lensesCard")->setProperty("items", QVariant::fromValue(new StatListModel(window)));
        texts += textsOf(window->contentItem());
        for (const char* name : {"closeControl", "minimiseControl", "maximiseControl"})
            texts.append(findItem(window, name)->property("label").toString());
        // What a screen reader says of a row, "Canon EOS R6, 1201 photos", and of the page, too.
        QAccessible::setActive(true);
        for (const char* name : {"statRow", "scroll", "scrollBarAccess"})
            texts.append(
                QAccessible::queryAccessibleInterface(findItem(window, name))->text(QAccessible::Name));
        QAccessible::setActive(false);
        unchanged_ = {QStringLiteral("1201"), QStringLiteral("Optara"), QStringLiteral("optara.app")};
        for (const UserPlace& volume : MountedVolumes().places())
            unchanged_ << volume.name; // what this machine has mounted, as it is named
        for (const StatListModel* list :
             {model->topCameras(), model->topLenses(), model->topFocalLengths(), model->topApertures()})
            for (const StatItem& row : list->items()) {
                unchanged_ << QString::number(row.count());
                // A row for photos without the value speaks the user's language.
                if (const QString label = QString::fromStdString(row.label());
                    !QStringList{"Unknown Camera", "Unknown Lens", "Unknown"}.contains(label))
                    unchanged_ << label;
            }
        return texts;
    }

    QTemporaryDir photos_{testFiles.filePath("photos")};
    QTemporaryDir manyPhotos_{testFiles.filePath("many")};
    PhotoTree tree_;
    QStringList unchanged_;
    QQmlEngine engine_;
    WindowManager manager_{engine_};
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"

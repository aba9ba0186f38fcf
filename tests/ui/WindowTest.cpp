#include "AppViewModel.h"
#include "DragHelper.h"
#include "PhotoBuilder.h"
#include "Translation.h"
#include "WindowDriver.h"
#include "WindowManager.h"
#include "WindowPlacement.h"

#include <QAccessible>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

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

// The visible texts below an item, in tree order.
QStringList textsOf(QQuickItem* item)
{
    QStringList texts;
    if (item == nullptr || !item->isVisible())
        return texts;
    if (item->inherits("QQuickText"))
        texts.append(item->property("text").toString());
    for (QQuickItem* child : item->childItems())
        texts += textsOf(child);
    return texts;
}

// The texts a person sees in each state of a window, in one locale.
struct Screens {
    QList<QStringList> states; // drop zone, overlay, dashboard, an empty card, window controls
    QSet<QString> dataTexts;   // labels and counts that come from the photos
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(photos_.isValid() && manyPhotos_.isValid());
        tree_ = writePhotoTree(photos_.path().toStdString());
        optara::testing::writeBytes(photos_.filePath("skip.png").toStdString(), {'x'});
        optara::testing::writeBytes(photos_.filePath("e.JpEg").toStdString(), optara::testing::photoJpeg({}));
        // Over a thousand photos, so that a count formatted for the locale would show a separator.
        using optara::testing::Fraction;
        const auto photo = optara::testing::photoJpeg({.make = "Canon",
                                                       .model = "Canon EOS R6",
                                                       .lens = "RF50mm F1.8 STM",
                                                       .focalLength = Fraction{50, 1},
                                                       .fNumber = Fraction{28, 10}});
        for (int i = 0; i < 1200; ++i)
            optara::testing::writeBytes(manyPhotos_.filePath(QString("p%1.jpg").arg(i)).toStdString(), photo);
        optara::testing::writeBytes(manyPhotos_.filePath("bare.jpg").toStdString(),
                                    optara::testing::photoJpeg({.make = "FUJIFILM"}));
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
        QCOMPARE(window->minimumSize(), QSize(800, 600));
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

    void dropRunsOnceShowsTheDashboardAndRestartEmptiesIt()
    {
        QQuickWindow* window = open();
        AppViewModel* model = WindowManager::viewModel(window);
        QQuickItem* zone = findItem(window, "dropZone");
        const QPointF at = centreOf(zone);
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        bool zoneTookDrag = true, browseTookFocus = true, panelOpened = true;
        QImage dimmed;
        QRect card;
        whenRunStarts(model, [&] {
            // The overlay shows at once, and nothing beneath it takes a drag, a key or Ctrl+O.
            dimmed = grab(window);
            const QQuickItem* progress = findItem(window, "progressCard");
            card =
                progress != nullptr ? progress->mapRectToScene(progress->boundingRect()).toRect() : QRect();
            DragHelper blocked;
            blocked.enter(window->contentItem(), tree_.dropped, at);
            zoneTookDrag = zone->property("isHovering").toBool();
            blocked.leave(window->contentItem());
            QTest::keyClick(window, Qt::Key_Tab);
            browseTookFocus = findItem(window, "browseButton")->hasActiveFocus();
            QTest::keySequence(window, QKeySequence::Open);
            panelOpened = openDialog() != nullptr;
        });
        DragHelper drag;
        QVERIFY(drag.dragAndDrop(window->contentItem(), tree_.dropped, at));

        QTRY_COMPARE(processing.count(), 2); // one run: on, then off
        QVERIFY(!card.isNull() && !zoneTookDrag && !browseTookFocus && !panelOpened);
        // The backdrop dims the window to near black; the card has its border inside and a solid
        // shadow 8 beyond.
        QVERIFY(qGray(dimmed.pixel(5, window->height() - 5)) < 80);
        QCOMPARE(dimmed.pixelColor(card.left() + 1, card.center().y()), QColor(0x1C, 0x19, 0x17));
        QCOMPARE(dimmed.pixelColor(card.left() + 6, card.top() + 6), QColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(dimmed.pixelColor(card.right() + 5, card.center().y()), QColor(0x1C, 0x19, 0x17));
        QCOMPARE(model->processedImageCount(), tree_.photoCount);
        QTRY_VERIFY(findItem(window, "dashboard") != nullptr);
        QVERIFY(findItem(window, "processingOverlay") == nullptr);
        QCOMPARE(findItem(window, "photoCount")->property("text").toString(),
                 QString::number(tree_.photoCount));

        // The dashboard takes its scrolling keys before anything is clicked; Restart empties the window.
        const auto* flick = findItem(window, "scroll")->property("contentItem").value<QQuickItem*>();
        QTest::keyClick(window, Qt::Key_End);
        QVERIFY(flick->property("contentY").toReal() > 0);
        QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(findItem(window, "restartButton")->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(findItem(window, "dropZone") != nullptr);
        QCOMPARE(model->processedImageCount(), 0);
        QVERIFY(model->topCameras().isEmpty());
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

    void placementCascadesWithinTheScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("previous");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QSize>("minimum");
        const QRect full(0, 0, 1920, 1080), scaled(0, 0, 960, 540), laptop(0, 0, 1366, 768);
        QTest::newRow("first, centred") << full << QRect() << QRect(360, 110, 1200, 860) << QSize(800, 600);
        QTest::newRow("first, 2x") << scaled << QRect() << scaled << QSize(800, 508);
        QTest::newRow("next") << full << QRect(360, 110, 1200, 860) << QRect(392, 142, 1200, 860)
                              << QSize(800, 600);
        QTest::newRow("next, shrunk at the edge")
            << laptop << QRect(83, 0, 1200, 768) << QRect(115, 32, 1200, 736) << QSize(800, 600);
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
        QTest::addColumn<int>("visibility");
        QTest::newRow("close") << QString("closeControl") << int(QWindow::Hidden);
        QTest::newRow("minimise") << QString("minimiseControl") << int(QWindow::Minimized);
        QTest::newRow("maximise") << QString("maximiseControl") << int(QWindow::Maximized);
    }

    void windowControlsWorkFromAssistiveTechnology()
    {
        QFETCH(QString, control);
        QFETCH(int, visibility);
        QQuickWindow* window = open();
        QAccessible::setActive(true);
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(findItem(window, control));
        QVERIFY(button != nullptr && button->actionInterface() != nullptr);
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

    void browsePanelBelongsToItsWindowAndHandsOnOneChoice()
    {
        QQuickWindow* other = open();
        QTest::keyClick(other, Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(manager_.windows().size(), 2);
        QQuickWindow* window = manager_.windows().last();
        QVERIFY(waitShown(window));
        QTest::keySequence(window, QKeySequence::Open);
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

        // A click opens it again: JPEG names and folders are listed, and what is chosen is one run.
        AppViewModel* model = WindowManager::viewModel(window);
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(findItem(window, "browseButton")).toPoint());
        QTRY_VERIFY(openDialog() != nullptr);
        openDialog()->setDirectory(photos_.path());
        QTRY_COMPARE(listedNames(openDialog()), (QStringList{"B.JPG", "a.jpg", "e.JpEg", "trip"}));
        QSignalSpy processing(model, &AppViewModel::isProcessingChanged);
        listedNames(openDialog(), {"a.jpg", "trip"});
        pressDialogButton(QDialogButtonBox::Open);
        QTRY_COMPARE(processing.count(), 2);
        QCOMPARE(model->processedImageCount(), 3); // a.jpg and the two photos inside trip
        // Closing the dialog left no settings behind.
        QCOMPARE(
            QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList());
    }

    void textsFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("german");
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << true;
        QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << true;
        QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << false;
    }

    void textsFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, german);
        if (english_.states.isEmpty())
            english_ = capture(QLocale(QLocale::English, QLocale::UnitedStates));
        const Screens screens = capture(locale);
        QVERIFY(!QTest::currentTestFailed());
        if (!german) {
            QCOMPARE(screens.states, english_.states);
            return;
        }
        // Every fixed text is translated; the name, the web address and what the photos say stay
        // verbatim (f/2.8, not f/2,8; 1201, not 1.201).
        QSet<QString> unchanged = english_.dataTexts;
        unchanged << QStringLiteral("Optara") << QStringLiteral("optara.app");
        for (qsizetype s = 0; s < english_.states.size(); ++s) {
            const QStringList& english = english_.states[s];
            QCOMPARE(screens.states[s].size(), english.size());
            for (qsizetype i = 0; i < english.size(); ++i)
                QVERIFY2(unchanged.contains(english[i]) == (screens.states[s][i] == english[i]),
                         qPrintable(english[i] + QStringLiteral(" -> ") + screens.states[s][i]));
        }
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

    // Opens a window under the locale's translation, as the application does, and reads it
    // in each state: drop zone, processing, dashboard over 1201 photos, an emptied card.
    Screens capture(const QLocale& locale)
    {
        Screens screens;
        const Translation translation(locale);
        QQuickWindow* window = open();
        [&] {
            screens.states.append(textsOf(findItem(window, "dropZone")));
            AppViewModel* model = WindowManager::viewModel(window);
            model->processURLs({QUrl::fromLocalFile(manyPhotos_.path())});
            screens.states.append(textsOf(findItem(window, "processingOverlay")));
            QTRY_VERIFY_WITH_TIMEOUT(!model->isProcessing(), 60000);
            QTRY_VERIFY(textsOf(findItem(window, "dashboard")).contains(QStringLiteral("1201")));
            screens.states.append(textsOf(findItem(window, "dashboard")));
            screens.dataTexts.insert(QStringLiteral("1201"));
            for (const QVariantList& rows :
                 {model->topCameras(), model->topLenses(), model->topFocalLengths(), model->topApertures()})
                for (const QVariant& row : rows)
                    screens.dataTexts << row.toMap().value("label").toString()
                                      << row.toMap().value("count").toString();
            findItem(window, "lensesCard")->setProperty("items", QVariantList{});
            screens.states.append(textsOf(findItem(window, "lensesCard")));
            QStringList controls;
            for (const char* name : {"closeControl", "minimiseControl", "maximiseControl"})
                controls.append(findItem(window, name)->property("label").toString());
            screens.states.append(controls);
        }();
        return screens;
    }

    QTemporaryDir photos_;
    QTemporaryDir manyPhotos_;
    PhotoTree tree_;
    Screens english_;
    QQmlEngine engine_;
    WindowManager manager_{engine_};
};

int main(int argc, char* argv[])
{
    // Where Qt would keep user settings, watched by the browse-panel test.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    // Tests open and close windows at will; the last one closing must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"

#include "MixedSelectionDialog.h"

#include "CompositorPlacesWindows.h"
#include "MountedVolumes.h"
#include "PhotoPicker.h"
#include "UserPlaces.h"
#include "VirtualFileSystem.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

namespace optara {

MixedSelectionDialog::MixedSelectionDialog()
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(PhotoPicker::nameFilters());
    setAcceptMode(QFileDialog::AcceptOpen);
    makeReadOnly();
    showUserPlaces();
    for (auto* view : findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // While completions show, keys go to their popup first, and its Return to the field.
    nameField_ = part<QLineEdit>("fileNameEdit");
    if (nameField_ != nullptr) {
        completions_ = nameField_->completer()->popup();
        nameField_->installEventFilter(this);
        completions_->installEventFilter(this);
    }
    // Qt sizes the columns for sample texts, which cut longer translations, sizes and dates. Each fits its
    // heading, then what a folder shows as it is entered and once it is listed, and names take the rest;
    // fitting on every layout instead would measure a thousand rows each time the panel is resized.
    if (auto* details = part<QTreeView>("treeView")) {
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        const auto fit = [details] {
            for (int column = 1; column < details->header()->count(); ++column)
                details->resizeColumnToContents(column);
        };
        fit();
        auto* files = qobject_cast<QFileSystemModel*>(details->model());
        connect(files, &QFileSystemModel::rootPathChanged, this, fit);
        connect(files, &QFileSystemModel::directoryLoaded, this, fit);
    }
    // Qt names the rows of "Look in" by path again whenever a folder changes.
    lookIn_ = part<QComboBox>("lookInCombo");
    if (lookIn_ != nullptr)
        connect(lookIn_->model(), &QAbstractItemModel::dataChanged, this,
                &MixedSelectionDialog::nameLookInRows);
    // An emptied name field selects the folder shown, which would leave Open enabled with nothing chosen.
    auto* list = part<QListView>("listView");
    if (list != nullptr)
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [list] {
            if (list->selectionModel()->isSelected(list->rootIndex()))
                list->selectionModel()->select(list->rootIndex(),
                                               QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        });
}

template <class Part> Part* MixedSelectionDialog::part(const char* name)
{
    auto* found = findChild<Part*>(QLatin1String(name));
    if (found == nullptr)
        qWarning("optara: Qt's file dialog has no %s here; the panel does without it", name);
    return found;
}

void MixedSelectionDialog::makeReadOnly()
{
    // The model then refuses renames, drops and deletions, and the Delete key does nothing.
    setOption(QFileDialog::ReadOnly, true);
    if (auto* newFolder = part<QToolButton>("newFolderButton"))
        newFolder->hide();
    // The stock context menu lists Rename and Delete, merely disabled; ours only reads.
    auto* showHidden = new QAction(tr("Show Hidden Files"), this);
    showHidden->setCheckable(true);
    connect(showHidden, &QAction::toggled, this,
            [this](bool shown) { setFilter(shown ? filter() | QDir::Hidden : filter() & ~QDir::Hidden); });
    for (auto* view : findChildren<QAbstractItemView*>()) {
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::NoDragDrop);
        view->setAcceptDrops(false);
        view->viewport()->setAcceptDrops(false);
        disconnect(view, &QWidget::customContextMenuRequested, nullptr, nullptr);
        view->setContextMenuPolicy(Qt::ActionsContextMenu);
        view->addAction(showHidden);
    }
}

void MixedSelectionDialog::showUserPlaces()
{
    sidebar_ = part<QListView>("sidebar");
    auto* volumes = new MountedVolumes(this);
    const auto show = [this, volumes] {
        places_ = userPlaces();
        for (const UserPlace& volume : volumes->places())
            if (std::none_of(places_.cbegin(), places_.cend(), [&](auto& p) { return p.url == volume.url; }))
                places_.append(volume);
        QList<QUrl> urls;
        for (const UserPlace& place : places_)
            urls.append(place.url);
        setSidebarUrls(urls);
        nameSidebarRows();
    };
    show();
    connect(volumes, &MountedVolumes::changed, this, show);
    // GTK replaces its bookmarks file whole, which ends a watch on the file, so its folder is watched too
    // and both again after each change.
    auto* bookmarks = new QFileSystemWatcher(this);
    const auto watch = [bookmarks, path = gtkBookmarksPath()] {
        bookmarks->addPaths({path, QFileInfo(path).path()});
    };
    watch();
    const auto reread = [watch, show] {
        watch();
        show();
    };
    connect(bookmarks, &QFileSystemWatcher::fileChanged, this, reread);
    connect(bookmarks, &QFileSystemWatcher::directoryChanged, this, reread);
    // The sidebar names each row after its folder again whenever the folder changes.
    if (sidebar_ != nullptr)
        connect(sidebar_->model(), &QAbstractItemModel::dataChanged, this,
                &MixedSelectionDialog::nameSidebarRows);
}

void MixedSelectionDialog::nameSidebarRows()
{
    if (sidebar_ == nullptr)
        return;
    // The sidebar leaves out what is no folder, so its rows follow its own URLs.
    const QList<QUrl> urls = sidebarUrls();
    QAbstractItemModel* rows = sidebar_->model();
    for (int row = 0; row < rows->rowCount() && row < urls.size(); ++row) {
        const auto place =
            std::find_if(places_.cbegin(), places_.cend(), [&](auto& p) { return p.url == urls[row]; });
        if (place == places_.cend())
            continue;
        const QModelIndex index = rows->index(row, 0);
        if (index.data() != place->name)
            rows->setData(index, place->name, Qt::DisplayRole);
        if (!place->iconName.isEmpty() && QIcon::hasThemeIcon(place->iconName) &&
            index.data(Qt::DecorationRole).value<QIcon>().name() != place->iconName)
            rows->setData(index, QIcon::fromTheme(place->iconName), Qt::DecorationRole);
    }
    // Qt fits the sidebar to its first row; it fits the widest, with room for a scroll bar.
    sidebar_->setMinimumWidth(sidebar_->sizeHintForColumn(0) + 2 * sidebar_->frameWidth() +
                              sidebar_->verticalScrollBar()->sizeHint().width());
}

void MixedSelectionDialog::nameLookInRows()
{
    QAbstractItemModel* rows = lookIn_->model();
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QModelIndex index = rows->index(row, 0);
        if (const QString name = remoteName(index.data().toString()); !name.isEmpty())
            rows->setData(index, name, Qt::DisplayRole);
    }
}

QString MixedSelectionDialog::remoteName(const QString& path) const
{
    // The deepest location typed that holds the path.
    const auto typed = std::find_if(typedLocations_.crbegin(), typedLocations_.crend(), [&path](auto& entry) {
        return path == entry.first || path.startsWith(entry.first + QLatin1Char('/'));
    });
    if (typed != typedLocations_.crend())
        return typed->second + path.mid(typed->first.size());
    return MountedVolumes::gvfsFolderName(path);
}

void MixedSelectionDialog::accept()
{
    QList<QUrl> urls;
    for (const QString& path : selectedFiles()) {
        if (!QFileInfo::exists(path))
            return; // a mistyped name keeps the panel open, as the stock dialog does
        urls.append(QUrl::fromLocalFile(path));
    }
    if (urls.isEmpty())
        return;
    choice = urls;
    QDialog::accept();
}

bool MixedSelectionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        centreOverParent();
    }
    const bool typing = watched == nameField_ || watched == completions_;
    if (typing && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The field takes Enter even while completions show, which would then stay open over the
            // file types below, whatever Enter does next.
            completions_->hide();
            if (enterTypedFolder())
                return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void MixedSelectionDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    // Qt has placed the panel with a guessed frame, as the window manager frames it only once
    // shown; the real frame is known when the window is exposed. Wayland compositors place
    // windows themselves.
    if (!compositorPlacesWindows())
        windowHandle()->installEventFilter(this);
}

void MixedSelectionDialog::centreOverParent()
{
    const QWindow* parent = windowHandle()->transientParent();
    if (parent == nullptr)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(parent->frameGeometry().center());
    // On the screen, as Qt's own placement keeps it.
    const QRect room = screen()->availableGeometry();
    frame.moveLeft(std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width())));
    frame.moveTop(std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height())));
    move(frame.topLeft());
}

bool MixedSelectionDialog::enterTypedFolder()
{
    if (nameField_ == nullptr)
        return false;
    QString typed = nameField_->text().trimmed();
    if (typed.isEmpty() || typed.contains(QLatin1Char('"')))
        return false; // several quoted names are a selection to open
    if (typed.contains(QStringLiteral("://")))
        return enterTypedLocation(QUrl(typed));
    if (typed == QStringLiteral("~") || typed.startsWith(QStringLiteral("~/")))
        typed.replace(0, 1, QDir::homePath());
    const QFileInfo folder(directory().absoluteFilePath(typed));
    if (!folder.isDir())
        return false;
    setDirectory(folder.absoluteFilePath());
    nameField_->clear();
    // Completions that found nothing (a hidden folder, one not listed yet) restart when a listing
    // arrives, from the prefix the new folder set; emptied, they have nothing to restart from.
    nameField_->completer()->setCompletionPrefix(QString());
    return true;
}

bool MixedSelectionDialog::enterTypedLocation(const QUrl& location)
{
    if (!VirtualFileSystem::canRead(location))
        return false;
    // A share's local path may take a round trip to learn, so it is learnt off this thread.
    VirtualFileSystem::resolve({location}, this, [this, location](const QList<QUrl>& found) {
        if (found.isEmpty())
            return;
        if (const QFileInfo place(found.first().toLocalFile()); place.isDir()) {
            typedLocations_[place.absoluteFilePath()] =
                location.adjusted(QUrl::StripTrailingSlash).toString();
            setDirectory(place.absoluteFilePath());
            nameField_->clear();
        } else if (place.isFile()) {
            choice = found;
            QDialog::accept();
        }
    });
    return true;
}

} // namespace optara

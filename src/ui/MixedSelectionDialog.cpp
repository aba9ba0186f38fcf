#include "MixedSelectionDialog.h"

#include "CompositorPlacesWindows.h"
#include "PhotoPicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace optara {

MixedSelectionDialog::MixedSelectionDialog()
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(PhotoPicker::nameFilters());
    setAcceptMode(QFileDialog::AcceptOpen);
    for (auto* view : findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // While completions show, keys go to their popup first, and its Return to the field.
    nameField_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    completions_ = nameField_->completer()->popup();
    nameField_->installEventFilter(this);
    completions_->installEventFilter(this);
    // An emptied name field selects the folder shown, which would leave Open enabled with nothing chosen.
    auto* list = findChild<QListView*>(QStringLiteral("listView"));
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [list] {
        if (list->selectionModel()->isSelected(list->rootIndex()))
            list->selectionModel()->select(list->rootIndex(),
                                           QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    });
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
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && enterTypedFolder())
            return true;
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
    QString typed = nameField_->text().trimmed();
    if (typed.isEmpty() || typed.contains(QLatin1Char('"')))
        return false; // several quoted names are a selection to open
    if (typed == QStringLiteral("~") || typed.startsWith(QStringLiteral("~/")))
        typed.replace(0, 1, QDir::homePath());
    const QFileInfo folder(directory().absoluteFilePath(typed));
    if (!folder.isDir())
        return false;
    completions_->hide();
    setDirectory(folder.absoluteFilePath());
    nameField_->clear();
    // Completions that found nothing (a hidden folder, one not listed yet) restart when a listing
    // arrives, from the prefix the new folder set; emptied, they have nothing to restart from.
    nameField_->completer()->setCompletionPrefix(QString());
    return true;
}

} // namespace optara

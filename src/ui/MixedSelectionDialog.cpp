#include "MixedSelectionDialog.h"

#include "PhotoPicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

namespace optara::ui {

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
    const bool typing = watched == nameField_ || watched == completions_;
    if (typing && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && enterTypedFolder())
            return true;
    }
    return QFileDialog::eventFilter(watched, event);
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

} // namespace optara::ui

#include "PhotoPicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWindow>

namespace {

// A non-native dialog in which files and folders can be chosen together: the
// stock ExistingFiles mode would enter a selected folder instead of taking it.
class MixedSelectionDialog : public QFileDialog {
  public:
    MixedSelectionDialog()
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
    }

    QList<QUrl> choice;

    void accept() override
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

  protected:
    // Enter on a typed folder goes into it; Open still takes what is selected.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool typing = watched == nameField_ || watched == completions_;
        if (typing && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && enterTypedFolder())
                return true;
        }
        return QFileDialog::eventFilter(watched, event);
    }

  private:
    bool enterTypedFolder()
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
        return true;
    }

    QLineEdit* nameField_ = nullptr;
    QWidget* completions_ = nullptr;
};

} // namespace

PhotoPicker::PhotoPicker(QObject* parent) : QObject(parent)
{
}

PhotoPicker::~PhotoPicker()
{
    delete dialog_.data();
}

QStringList PhotoPicker::nameFilters()
{
    return {tr("JPEG images (*.jpg *.jpeg)")};
}

void PhotoPicker::open(QWindow* window)
{
    if (dialog_ || window == nullptr)
        return;
    auto* dialog = new MixedSelectionDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Browse Files — Optara"));
    // A native window now, so that it can belong to the app's window, which is no widget;
    // the dialog then opens centred over it.
    dialog->winId();
    dialog->windowHandle()->setTransientParent(window);
    dialog->setWindowModality(Qt::WindowModal);
    dialog_ = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog, target = QPointer<QWindow>(window)](int result) {
        const QList<QUrl> urls = dialog->choice;
        dialog_.clear();
        if (result == QDialog::Accepted && !urls.isEmpty())
            emit chosen(urls);
        if (target)
            returnTo(target);
    });
    dialog->open();
}

void PhotoPicker::returnTo(QWindow* window)
{
    // With no window manager nothing would give the window its keys back.
    window->requestActivate();
    if (window->isActive()) {
        emit closed();
        return;
    }
    connect(
        window, &QWindow::activeChanged, this, [this] { emit closed(); }, Qt::SingleShotConnection);
}

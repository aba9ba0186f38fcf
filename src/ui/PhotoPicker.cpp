#include "PhotoPicker.h"

#include "DialogLook.h"
#include "MixedSelectionDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

namespace optara {

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
    if (theme_)
        useAppLookInDialogs(*theme_);
    auto* dialog = new MixedSelectionDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Browse Files — Optara"));
    dialog->setDirectory(startFolder());
    const QSize start = startSize(*window);
    dialog->resize(start);
    // A native window now, so that it can belong to the app's window, which is no widget;
    // the dialog then opens centred over it.
    dialog->winId();
    dialog->windowHandle()->setTransientParent(window);
    dialog->setWindowModality(Qt::WindowModal);
    dialog_ = dialog;
    connect(dialog, &QDialog::finished, this,
            [this, dialog, start, target = QPointer<QWindow>(window)](int result) {
                const QList<QUrl> urls = dialog->choice;
                folder_ = dialog->directory().absolutePath();
                if (dialog->size() != start)
                    size_ = dialog->size();
                dialog_.clear();
                if (result == QDialog::Accepted && !urls.isEmpty())
                    emit chosen(urls);
                if (target)
                    returnTo(target);
            });
    dialog->open();
}

QString PhotoPicker::startFolder() const
{
    // Pictures follows XDG user-dirs.
    for (const QString& folder :
         {folder_, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)})
        if (QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

QSize PhotoPicker::startSize(const QWindow& window) const
{
    // The window's size less a margin, so that the panel sits within it, yet room for the sidebar's names
    // and the list's columns whole in every language the app speaks; never past the screen.
    const QSize within = (window.size() - QSize(80, 80)).expandedTo(QSize(900, 560));
    return (size_.isValid() ? size_ : within).boundedTo(window.screen()->availableGeometry().size());
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

} // namespace optara

#include "PhotoPicker.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>

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
    }

    QList<QUrl> choice;

    void accept() override
    {
        QList<QUrl> urls;
        for (const QString& path : selectedFiles()) {
            if (!QFileInfo::exists(path))
                return;  // a mistyped name keeps the panel open, as the stock dialog does
            urls.append(QUrl::fromLocalFile(path));
        }
        if (urls.isEmpty())
            return;
        choice = urls;
        QDialog::accept();
    }
};

}  // namespace

PhotoPicker::PhotoPicker(QObject* parent) : QObject(parent) {}

PhotoPicker::~PhotoPicker()
{
    delete dialog_.data();
}

QStringList PhotoPicker::nameFilters()
{
    return {tr("JPEG images (*.jpg *.jpeg)")};
}

void PhotoPicker::open()
{
    if (dialog_)
        return;
    auto* dialog = new MixedSelectionDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog_ = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        const QList<QUrl> urls = dialog->choice;
        dialog_.clear();
        emit isOpenChanged();
        if (result == QDialog::Accepted && !urls.isEmpty())
            emit chosen(urls);
    });
    dialog->open();
    emit isOpenChanged();
}

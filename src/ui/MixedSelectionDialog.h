#pragma once

#include "UserPlaces.h"

#include <QFileDialog>
#include <QList>
#include <QUrl>

#include <map>

class QComboBox;
class QLineEdit;
class QListView;

namespace optara {

// A non-native dialog in which files and folders can be chosen together: the
// stock ExistingFiles mode would enter a selected folder instead of taking it.
class MixedSelectionDialog : public QFileDialog {
    Q_OBJECT

  public:
    MixedSelectionDialog();

    // What OK took, in the panel's order.
    QList<QUrl> choice;

    void accept() override;

  protected:
    // Enter closes the completions and goes into a typed folder or location; Open still takes what is
    // selected. The window's first exposure centres the panel over its parent window.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // One of Qt's own parts of the panel, by its object name; a warning when this Qt has none.
    template <class Part> Part* part(const char* name);
    // Nothing in the panel creates, renames, moves or deletes a file.
    void makeReadOnly();
    // The sidebar lists the user's places and the mounted volumes under their own names, anew
    // when a volume comes or goes or the bookmarks change.
    void showUserPlaces();
    void nameSidebarRows();
    // "Look in" shows a remote folder as the user knows it: under the location typed to reach it, else
    // under the name the sidebar gives its share, never as gvfs's local path for it.
    void nameLookInRows();
    QString remoteName(const QString& path) const;
    bool enterTypedFolder();
    // A typed file:// or smb://, sftp://… location: the folder it names is entered, a file taken.
    bool enterTypedLocation(const QUrl& location);
    void centreOverParent();

    QLineEdit* nameField_ = nullptr;
    QWidget* completions_ = nullptr;
    QListView* sidebar_ = nullptr;
    QList<UserPlace> places_;
    QComboBox* lookIn_ = nullptr;
    std::map<QString, QString> typedLocations_; // local folder -> the location typed for it
};

} // namespace optara

#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace optara {

// A folder the user keeps at hand, with the name a file manager gives it.
struct UserPlace {
    QUrl url;
    QString name;
    // An icon of the desktop's theme for it; empty for the folder's own.
    QString iconName;

    friend bool operator==(const UserPlace&, const UserPlace&) = default;
};

// Home, the XDG Pictures folder and the GTK bookmarks that name local folders, read only, in that order.
QList<UserPlace> userPlaces();

// Where GTK file managers keep the bookmarks, whether or not there are any.
QString gtkBookmarksPath();

} // namespace optara

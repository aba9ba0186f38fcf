#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace optara {

// A folder the user keeps at hand, with the name a file manager gives it.
struct UserPlace {
    QUrl url;
    QString name;
};

// Home, the XDG Pictures folder and the GTK bookmarks that name local folders, read only, in that order.
QList<UserPlace> userPlaces();

} // namespace optara

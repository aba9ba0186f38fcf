#include "UserPlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace optara {

QList<UserPlace> userPlaces()
{
    QList<UserPlace> places{{QUrl::fromLocalFile(QDir::homePath()),
                             QCoreApplication::translate("optara::UserPlaces", "Home"),
                             {}}};
    const auto add = [&places](const QString& path, const QString& name) {
        const QFileInfo folder(path);
        const QUrl url = QUrl::fromLocalFile(folder.absoluteFilePath());
        if (folder.isDir() &&
            std::none_of(places.begin(), places.end(), [&](auto& p) { return p.url == url; }))
            places.append({url, name.isEmpty() ? folder.fileName() : name, {}});
    };
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    add(pictures, {});
    // Lines of "file:///path Optional Label", as GTK file managers keep them.
    QFile bookmarks(gtkBookmarksPath());
    if (!bookmarks.open(QIODevice::ReadOnly | QIODevice::Text))
        return places;
    while (!bookmarks.atEnd()) {
        const QString line = QString::fromUtf8(bookmarks.readLine(4096)).trimmed();
        const QString address = line.section(QLatin1Char(' '), 0, 0);
        const QUrl url(address, QUrl::StrictMode);
        if (url.isLocalFile())
            add(url.toLocalFile(), line.section(QLatin1Char(' '), 1).trimmed());
    }
    return places;
}

QString gtkBookmarksPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/gtk-3.0/bookmarks");
}

} // namespace optara

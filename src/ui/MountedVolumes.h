#pragma once

#include "UserPlaces.h"

#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

namespace optara {

// The mounted volumes a file manager shows: removable media, network shares and
// what gvfs mounts, each with the file manager's name for it. Reads the mount
// table and the names in gvfs's FUSE folder, never inside a volume, and starts
// nothing.
class MountedVolumes : public QObject {
    Q_OBJECT

  public:
    explicit MountedVolumes(QObject* parent = nullptr);

    // The volumes of the mount table first, then gvfs's, each once.
    QList<UserPlace> places() const;

    // What a file manager calls a folder in a gvfs mount, the mount's name and the path within it,
    // as in ".../gvfs/smb-share:server=nas,share=photos/2024" -> "photos on nas/2024"; empty for a
    // folder outside gvfs's FUSE folder. By its path alone, so the mount is never asked.
    static QString gvfsFolderName(const QString& path);

  signals:
    void changed();

  private:
    // What a file manager calls a gvfs mount by its folder's name, as in
    // "smb-share:server=nas,share=photos" -> "photos on nas"; an unknown form keeps the folder's name.
    static QString gvfsMountName(const QString& folder);
    void readMountTable();
    void listGvfsMounts();

    QFile mountTable_;
    // gvfs mounts and unmounts shares inside its one FUSE mount, which neither the mount table
    // nor inotify reports, so its folder is listed again while it is mounted.
    QTimer gvfsListing_;
    QString gvfsFolder_;
    QList<UserPlace> mounts_;
    QList<UserPlace> gvfsMounts_;
};

} // namespace optara

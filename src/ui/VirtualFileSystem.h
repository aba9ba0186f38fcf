#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace optara {

// Reads locations the desktop's virtual file system (GIO with gvfs) serves,
// such as smb:// or sftp://, through the local paths its FUSE mount gives
// them. Only a gvfs that already runs is asked, so no daemon is started.
class VirtualFileSystem {
  public:
    // Where gvfsd-fuse serves the running gvfs's mounts; empty while it has no mount there.
    static QString fuseFolder();
    // Where gvfsd-fuse would serve them, mounted or not; empty without a runtime folder.
    static QString fusePath();
    // Whether the URL is a local file or of a scheme the running gvfs serves;
    // quick enough for a drag's every event.
    static bool canRead(const QUrl& url);
    // Loads GIO's view of the schemes on a pool thread, so the first canRead
    // need not; a few milliseconds where gvfs runs.
    static void prepare();

    // Calls done on the GUI thread, unless context is gone by then, with the
    // local file URLs of urls in their order: local files as they are, the
    // rest resolved on a pool thread, those without a local path left out.
    static void resolve(const QList<QUrl>& urls, QObject* context, std::function<void(QList<QUrl>)> done);
};

} // namespace optara

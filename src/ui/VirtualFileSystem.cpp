#include "VirtualFileSystem.h"

#include "GuiThread.h"

#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QThreadPool>

#include <algorithm>

// GIO names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#include <gio/gunixmounts.h>
#pragma pop_macro("signals")

namespace optara {

namespace {

bool isLocalFile(const QUrl& url)
{
    return url.isLocalFile() && !url.toLocalFile().isEmpty();
}

// Whether gvfsd-fuse has its mount in place, which it has only while gvfsd
// runs; without it a lookup could start the daemons through D-Bus.
bool fuseMounted()
{
    return !VirtualFileSystem::fuseFolder().isEmpty();
}

// The remote schemes worth reading photos from that this GIO serves; web links stay out.
const QSet<QString>& servedSchemes()
{
    static const QSet<QString> schemes = [] {
        static const QSet<QString> wanted{"smb",  "sftp", "ftp",     "ftps", "dav",
                                          "davs", "mtp",  "gphoto2", "afp",  "nfs"};
        QSet<QString> served;
        for (const gchar* const* scheme = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
             scheme != nullptr && *scheme != nullptr; ++scheme) {
            if (wanted.contains(QString::fromLatin1(*scheme)))
                served.insert(QString::fromLatin1(*scheme));
        }
        return served;
    }();
    return schemes;
}

bool isServed(const QUrl& url)
{
    return !url.isLocalFile() && fuseMounted() && servedSchemes().contains(url.scheme());
}

QUrl localPath(const QUrl& url)
{
    GFile* file = g_file_new_for_uri(url.toEncoded().constData());
    char* path = g_file_get_path(file);
    const QUrl local = path != nullptr ? QUrl::fromLocalFile(QFile::decodeName(path)) : QUrl();
    g_free(path);
    g_object_unref(file);
    return local;
}

} // namespace

QString VirtualFileSystem::fuseFolder()
{
    const QString folder = fusePath();
    if (folder.isEmpty())
        return {};
    GUnixMountEntry* mount = g_unix_mount_at(QFile::encodeName(folder).constData(), nullptr);
    const bool served = mount != nullptr && qstrcmp(g_unix_mount_get_fs_type(mount), "fuse.gvfsd-fuse") == 0;
    if (mount != nullptr)
        g_unix_mount_free(mount);
    return served ? folder : QString();
}

QString VirtualFileSystem::fusePath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/gvfs");
}

bool VirtualFileSystem::canRead(const QUrl& url)
{
    return isLocalFile(url) || isServed(url);
}

void VirtualFileSystem::prepare()
{
    QThreadPool::globalInstance()->start([] {
        if (fuseMounted())
            servedSchemes();
    });
}

void VirtualFileSystem::resolve(const QList<QUrl>& urls, QObject* context,
                                std::function<void(QList<QUrl>)> done)
{
    QList<QUrl> local;
    std::copy_if(urls.cbegin(), urls.cend(), std::back_inserter(local), isLocalFile);
    if (std::none_of(urls.cbegin(), urls.cend(), isServed)) {
        // Nothing to ask gvfs: handed on from the next turn of the event loop, as a lookup would be.
        QMetaObject::invokeMethod(
            context, [done = std::move(done), local] { done(local); }, Qt::QueuedConnection);
        return;
    }
    const QSet<QString> schemes = servedSchemes();
    QThreadPool::globalInstance()->start([urls, schemes, context = QPointer<QObject>(context), done] {
        QList<QUrl> files;
        for (const QUrl& url : urls) {
            const QUrl file = isLocalFile(url)                 ? url
                              : schemes.contains(url.scheme()) ? localPath(url)
                                                               : QUrl();
            if (isLocalFile(file))
                files.append(file);
        }
        callOnGuiThread(context, [done, files] { done(files); });
    });
}

} // namespace optara

#include "MountedVolumes.h"

#include "VirtualFileSystem.h"

#include <QHash>
#include <QSet>
#include <QSocketNotifier>

#include <algorithm>

#include <dirent.h>

// GIO names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gunixmounts.h>
#pragma pop_macro("signals")

namespace optara {

namespace {

const QString remoteIcon = QStringLiteral("folder-remote");

} // namespace

MountedVolumes::MountedVolumes(QObject* parent) : QObject(parent), mountTable_("/proc/self/mountinfo")
{
    readMountTable();
    listGvfsMounts();
    const auto update = [this](bool tableChanged) {
        const QList<UserPlace> before = places();
        if (tableChanged)
            readMountTable();
        listGvfsMounts();
        if (places() != before)
            emit changed();
    };
    // The kernel marks the open mount table exceptional each time a mount comes or goes.
    if (mountTable_.open(QIODevice::ReadOnly)) {
        auto* changes = new QSocketNotifier(mountTable_.handle(), QSocketNotifier::Exception, this);
        connect(changes, &QSocketNotifier::activated, this, [update] { update(true); });
    }
    gvfsListing_.setInterval(2000);
    connect(&gvfsListing_, &QTimer::timeout, this, [update] { update(false); });
}

QList<UserPlace> MountedVolumes::places() const
{
    return mounts_ + gvfsMounts_;
}

void MountedVolumes::readMountTable()
{
    static const QSet<QByteArray> network{"cifs", "smb3", "smbfs", "nfs", "nfs4", "fuse.sshfs", "davfs"};
    mounts_.clear();
    GList* entries = g_unix_mounts_get(nullptr);
    for (GList* item = entries; item != nullptr; item = item->next) {
        auto* entry = static_cast<GUnixMountEntry*>(item->data);
        const QByteArray path = g_unix_mount_get_mount_path(entry);
        const QByteArray type = g_unix_mount_get_fs_type(entry);
        // Media under /media, /run/media/$USER and HOME, as GIO's volume monitor shows them, and
        // network shares wherever they are mounted; both from the table alone.
        const bool remote = network.contains(type) && !g_unix_mount_is_system_internal(entry);
        const QUrl url = QUrl::fromLocalFile(QFile::decodeName(path));
        if ((!remote && !g_unix_mount_guess_should_display(entry)) ||
            std::any_of(mounts_.cbegin(), mounts_.cend(),
                        [&url](const UserPlace& p) { return p.url == url; }))
            continue;
        char* name = g_unix_mount_guess_name(entry);
        mounts_.append(
            {url, QString::fromUtf8(name), remote ? remoteIcon : QStringLiteral("drive-removable-media")});
        g_free(name);
    }
    g_list_free_full(entries, reinterpret_cast<GDestroyNotify>(g_unix_mount_free));
    gvfsFolder_ = VirtualFileSystem::fuseFolder();
    if (!gvfsFolder_.isEmpty())
        gvfsListing_.start();
    else
        gvfsListing_.stop();
}

void MountedVolumes::listGvfsMounts()
{
    gvfsMounts_.clear();
    // Names alone: each entry's attributes would be asked of its server.
    DIR* folder = gvfsFolder_.isEmpty() ? nullptr : ::opendir(QFile::encodeName(gvfsFolder_).constData());
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.startsWith(QLatin1Char('.')))
            gvfsMounts_.append({QUrl::fromLocalFile(gvfsFolder_ + QLatin1Char('/') + name),
                                gvfsMountName(name), remoteIcon});
    }
    ::closedir(folder);
    // By name, and by folder where names are alike, as two servers on one host are.
    std::sort(gvfsMounts_.begin(), gvfsMounts_.end(), [](const UserPlace& a, const UserPlace& b) {
        const int order = a.name.localeAwareCompare(b.name);
        return order != 0 ? order < 0 : a.url < b.url;
    });
}

QString MountedVolumes::gvfsMountName(const QString& folder)
{
    // "type:key=value,key=value", the values percent-encoded.
    const QString type = folder.section(QLatin1Char(':'), 0, 0);
    QHash<QString, QString> keys;
    for (const QString& pair : folder.section(QLatin1Char(':'), 1).split(QLatin1Char(',')))
        if (const qsizetype equals = pair.indexOf(QLatin1Char('=')); equals > 0)
            keys.insert(pair.left(equals), QUrl::fromPercentEncoding(pair.mid(equals + 1).toUtf8()));
    static const QSet<QString> hosted{"ftp", "ftps",    "sftp",       "dav", "davs",
                                      "mtp", "gphoto2", "afp-volume", "nfs"};
    QString host, within;
    if (type == QStringLiteral("smb-share")) {
        host = keys.value(QStringLiteral("server"));
        within = keys.value(QStringLiteral("share"));
    } else if (hosted.contains(type)) {
        host = keys.value(QStringLiteral("host"));
        within = keys.value(type == QStringLiteral("afp-volume") ? QStringLiteral("volume")
                                                                 : QStringLiteral("user"));
    }
    // A device's host is its vendor, product and serial joined by underscores.
    if (type == QStringLiteral("mtp"))
        host.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (host.isEmpty())
        return folder;
    return within.isEmpty() ? host : tr("%1 on %2").arg(within, host);
}

QString MountedVolumes::gvfsFolderName(const QString& path)
{
    const QString fuse = VirtualFileSystem::fusePath();
    if (fuse.isEmpty() || !path.startsWith(fuse + QLatin1Char('/')))
        return {};
    const QString within = path.mid(fuse.size() + 1);
    const QString mount = within.section(QLatin1Char('/'), 0, 0);
    return mount.isEmpty() ? QString() : gvfsMountName(mount) + within.mid(mount.size());
}

} // namespace optara

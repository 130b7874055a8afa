#include "app/singleinstance.h"

#include "net/namespaceid.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString lockPath(QString folder)
{
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const auto space = brenmoor::net::networkNamespaceId();
    return folder + QStringLiteral("/brenmoor-net-%1.lock").arg(space ? QString::number(*space) : QStringLiteral("host"));
}

} // namespace

SingleInstance::SingleInstance(const QString& folder)
    : lock(lockPath(folder))
{
    lock.setStaleLockTime(0); // a lock is stale only when its process is gone
    claimed_ = lock.tryLock(0) || lock.error() != QLockFile::LockFailedError;
}

QString SingleInstance::refusal() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    const QString who = lock.getLockInfo(&pid, &host, &application) ? QStringLiteral(" (pid %1)").arg(pid) : QString();
    return QStringLiteral("Lorvane is already running%1: its window gets the devices' replies. A second window would "
                          "take a share of them, so this one does not start.")
        .arg(who);
}

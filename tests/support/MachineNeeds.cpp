#include "tests/support/MachineNeeds.h"

#include "tests/support/MountNamespace.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

namespace TestSupport {

namespace {

// The machine's first user namespace maps every user id to itself; a namespace made by unshare -U maps a
// few ids of its maker.
bool InFirstUserNamespace()
{
    QFile map(QStringLiteral("/proc/self/uid_map"));
    if (!map.open(QIODevice::ReadOnly))
        return true; // no user namespaces in this kernel at all
    const QList<QByteArray> fields = map.readAll().simplified().split(' ');
    return fields == QList<QByteArray>{"0", "0", "4294967295"};
}

QString NoRoot()
{
    if (::geteuid() != 0)
        return QStringLiteral("this runs as user id %1").arg(::geteuid());
    if (!InFirstUserNamespace())
        return QStringLiteral("this runs as root of a user namespace, not of the machine");
    return {};
}

// Asked once for the process: the kernel's answer does not change while it runs.
QString NoMountNamespace()
{
    static const QString reason = [] {
        QProcess probe;
        probe.start(QStringLiteral("unshare"),
                    MountNamespaceArguments() + QStringList{QStringLiteral("true")});
        if (!probe.waitForFinished(Bound(10000))) {
            probe.kill();
            probe.waitForFinished();
            return QStringLiteral("no private mount namespace here: unshare did not end");
        }
        if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            return QStringLiteral("no private mount namespace here: ") +
                   QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
        return QString();
    }();
    return reason;
}

QString NoExt4()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/loop-control")))
        return QStringLiteral("no loop device here");
    if (Mkfs4Path().isEmpty())
        return QStringLiteral("no mkfs.ext4 here (e2fsprogs)");
    return {};
}

QString NoFuse()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        return QStringLiteral("no /dev/fuse on this machine");
    if (QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty())
        return QStringLiteral("bindfs is not installed (scripts/install-deps.sh installs it)");
    return {};
}

} // namespace

bool MachineRoot()
{
    return NoRoot().isEmpty();
}

QString Lacking(unsigned needs)
{
    QStringList lacking;
    const QString noRoot = NoRoot();
    if ((needs & kNeedRoot) != 0 && !noRoot.isEmpty())
        lacking << QStringLiteral("root only, and ") + noRoot;
    // A loop device or a FUSE view is mounted by root alone.
    if ((needs & kNeedExt4Volume) != 0 && !noRoot.isEmpty())
        lacking << QStringLiteral("an ext4 volume on a loop device needs root, and ") + noRoot;
    if ((needs & kNeedFuse) != 0 && !noRoot.isEmpty())
        lacking << QStringLiteral("a FUSE view needs root, and ") + noRoot;
    if ((needs & kNeedPlainUser) != 0 && ::geteuid() == 0)
        lacking << QStringLiteral("root passes over a folder's mode, and this runs as root") +
                       (noRoot.isEmpty() ? QString() : QStringLiteral(" of a user namespace"));
    if ((needs & kNeedMountNamespace) != 0 && !InMountNamespace() && !NoMountNamespace().isEmpty())
        lacking << NoMountNamespace();
    if ((needs & kNeedExt4Volume) != 0 && !NoExt4().isEmpty())
        lacking << NoExt4();
    if ((needs & kNeedFuse) != 0 && !NoFuse().isEmpty())
        lacking << NoFuse();
    return lacking.join(QStringLiteral("; "));
}

} // namespace TestSupport

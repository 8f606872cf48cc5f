#include "tests/support/MountNamespace.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <QStandardPaths>

#include <fcntl.h>
#include <linux/types.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#ifndef EXT4_IOC_SHUTDOWN
#define EXT4_IOC_SHUTDOWN _IOR('X', 125, __u32)
#endif

namespace TestSupport {

namespace {
const char* const kChildVariable = "VARROW_TEST_MOUNT_NAMESPACE";
}

bool InMountNamespace()
{
    return qEnvironmentVariableIsSet(kChildVariable);
}

QStringList MountNamespaceArguments()
{
    return {::geteuid() == 0 ? QStringLiteral("-m") : QStringLiteral("-Urm"), QStringLiteral("--propagation"),
            QStringLiteral("private")};
}

QString RunInMountNamespace(int boundMs)
{
    const QStringList ns = MountNamespaceArguments();
    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag() != nullptr)
        function += QLatin1Char(':') + QString::fromLatin1(QTest::currentDataTag());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"),
                ns + QStringList{QCoreApplication::applicationFilePath(), function});
    if (!child.waitForFinished(Bound(boundMs))) {
        child.kill();
        child.waitForFinished();
        return QStringLiteral("the child did not end: ") + QString::fromLocal8Bit(child.readAll());
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && !output.contains("SKIP")
               ? QString()
               : output;
}

bool MountTmpfs(const QString& dir, const char* options)
{
    return ::mount("varrow-test", QFile::encodeName(dir).constData(), "tmpfs", 0, options) == 0;
}

bool Unmount(const QString& dir)
{
    return ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH) == 0;
}

QString Mkfs4Path()
{
    return QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

bool MountExt4(const QString& image, const QString& dir, int megabytes)
{
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(megabytes) << 20))
        return false;
    file.close();
    QProcess mkfs;
    mkfs.start(Mkfs4Path(), {QStringLiteral("-q"), QStringLiteral("-F"), image});
    if (!mkfs.waitForFinished(Bound(30000)) || mkfs.exitCode() != 0)
        return false;
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, dir});
    return mount.waitForFinished(Bound(30000)) && mount.exitCode() == 0;
}

bool ShutDownExt4(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    __u32 flags = 2; // EXT4_GOING_FLAGS_NOLOGFLUSH: at once, as a dying disk does
    const bool shut = ::ioctl(fd, EXT4_IOC_SHUTDOWN, &flags) == 0;
    ::close(fd);
    return shut;
}

} // namespace TestSupport

#include "tests/support/MountNamespace.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace TestSupport {

namespace {
const char* const kChildVariable = "VARROW_TEST_MOUNT_NAMESPACE";
}

bool InMountNamespace()
{
    return qEnvironmentVariableIsSet(kChildVariable);
}

QString RunInMountNamespace(int boundMs)
{
    const QStringList ns{::geteuid() == 0 ? QStringLiteral("-m") : QStringLiteral("-Urm"),
                         QStringLiteral("--propagation"), QStringLiteral("private")};
    QProcess probe;
    probe.start(QStringLiteral("unshare"), ns + QStringList{QStringLiteral("true")});
    if (!probe.waitForFinished(Bound(10000)) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        return QStringLiteral("skip: no mount namespace here: ") +
               QString::fromLocal8Bit(probe.readAllStandardError());
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

} // namespace TestSupport

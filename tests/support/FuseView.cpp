#include "tests/support/FuseView.h"

#include "platform/DriveMap.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QThread>

#include <csignal>

bool CFuseView::Mount(const QString& folder, const QString& view)
{
    m_view = view;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("bindfs"), {QStringLiteral("-f"), folder, view});
    m_pid = m_process.processId();
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view) && waited.elapsed() < TestSupport::Bound(10000))
        QThread::msleep(10);
    return CDriveMap::IsMountPoint(view);
}

bool CFuseView::Pause()
{
    const qint64 pid = m_pid.load();
    if (pid <= 0 || ::kill(pid_t(pid), SIGSTOP) != 0)
        return false;
    m_paused = true;
    return true;
}

bool CFuseView::Resume()
{
    const qint64 pid = m_pid.load();
    if (!m_paused.exchange(false))
        return pid > 0;
    return pid > 0 && ::kill(pid_t(pid), SIGCONT) == 0;
}

void CFuseView::Unmount()
{
    Resume();
    if (m_view.isEmpty())
        return;
    TestSupport::Unmount(m_view);
    if (!m_process.waitForFinished(TestSupport::Bound(10000)))
        m_process.kill();
    m_process.waitForFinished();
    m_view.clear();
}

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
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view) && waited.elapsed() < TestSupport::Bound(10000))
        QThread::msleep(10);
    return CDriveMap::IsMountPoint(view);
}

bool CFuseView::Pause()
{
    return m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), SIGSTOP) == 0;
}

bool CFuseView::Resume()
{
    return m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), SIGCONT) == 0;
}

void CFuseView::Unmount()
{
    if (m_view.isEmpty())
        return;
    Resume();
    TestSupport::Unmount(m_view);
    if (!m_process.waitForFinished(TestSupport::Bound(10000)))
        m_process.kill();
    m_process.waitForFinished();
    m_view.clear();
}

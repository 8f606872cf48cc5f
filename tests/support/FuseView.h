#pragma once

// A bindfs view of one folder on another, as a FUSE volume (NFS, CIFS, exFAT alike: no file system id of its
// own); unmounted when it goes. Mounting needs what TestSupport::kNeedFuse names.

#include <QProcess>
#include <QString>

#include <atomic>

class CFuseView
{
public:
    CFuseView() = default;
    ~CFuseView() { Unmount(); }
    CFuseView(const CFuseView&) = delete;
    CFuseView& operator=(const CFuseView&) = delete;

    // Shows `folder` at `view`; false when the view was not mounted within the bound.
    bool Mount(const QString& folder, const QString& view);
    // Unmounts it, its daemon let answer first.
    void Unmount();
    // The daemon stopped (SIGSTOP): every call on the view waits, as on a network share whose server went
    // silent, until Resume. False when it could not be stopped, or let answer again. Either may be called
    // from any thread.
    bool Pause();
    bool Resume();

private:
    QString m_view;
    QProcess m_process;
    // Its daemon, for a Pause from another thread (a storage step's fault hook), and whether it is stopped.
    std::atomic<qint64> m_pid{0};
    std::atomic<bool> m_paused{false};
};

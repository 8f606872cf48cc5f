#pragma once

// A bindfs view of one folder on another, as a FUSE volume (NFS, CIFS, exFAT alike: no file system id of its
// own); unmounted when it goes. Mounting needs what TestSupport::kNeedFuse names.

#include <QProcess>
#include <QString>

class CFuseView
{
public:
    CFuseView() = default;
    ~CFuseView() { Unmount(); }
    CFuseView(const CFuseView&) = delete;
    CFuseView& operator=(const CFuseView&) = delete;

    // Shows `folder` at `view`; false when the view was not mounted within the bound.
    bool Mount(const QString& folder, const QString& view);
    // The view's daemon stopped (SIGSTOP): every call on the view waits, as on a network share whose server
    // went silent. Resumed, the calls that waited are answered; Unmount resumes it first.
    bool Pause();
    bool Resume();
    void Unmount();

private:
    QString m_view;
    QProcess m_process;
};

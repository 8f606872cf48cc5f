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
    // Unmounts the view, its daemon resumed first.
    void Unmount();
    // Stops the view's daemon (SIGSTOP), as a network share whose server went silent: every call on the
    // view waits until Resume. False when there is no daemon to stop.
    bool Pause();
    void Resume();

private:
    QString m_view;
    QProcess m_process;
};

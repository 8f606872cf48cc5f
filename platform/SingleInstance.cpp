#include "platform/SingleInstance.h"

#include "model/Utility.h"

#include <QDateTime>
#include <QFileInfo>

#include <cstdlib>

CSingleInstance::CSingleInstance(const QString& key)
    : m_path(GetAbsolutePath(key + QStringLiteral(".lock"))), m_lock(m_path)
{
    // Only a dead owner makes a lock stale: the program runs for months, and a lock judged by its age would
    // let a second instance in beside a living first one.
    m_lock.setStaleLockTime(0);
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

CSingleInstance::Result CSingleInstance::TryAcquire()
{
    if (m_lock.isLocked())
        return Acquired;
    if (m_lock.tryLock(0))
        return Acquired;
    if (m_lock.error() != QLockFile::LockFailedError)
        return Failed;
    // A power cut can leave the lock file made but never written: it names no owner, so no owner can ever be
    // found dead, and the station would never start again on its own. Such a file is stale once it is older
    // than the moment between an owner's making it and writing its name into it. Two starts at once must not
    // both take it: the look, the removal and the new lock happen under a second lock.
    if (!IsOwnerlessAndOld())
        return HeldByOther;
    QLockFile removal(m_path + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0) || !IsOwnerlessAndOld() || !m_lock.removeStaleLockFile() || !m_lock.tryLock(0))
        return HeldByOther;
    return Acquired;
}

bool CSingleInstance::IsOwnerlessAndOld() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application))
        return false;
    const QFileInfo file(m_path);
    const QDateTime modified = file.lastModified();
    // A time ahead of the clock counts as well: the clock may have been set back since the file was made.
    return file.exists() && modified.isValid() &&
           std::abs(modified.secsTo(QDateTime::currentDateTime())) >= kOwnerlessLockStaleSeconds;
}

void CSingleInstance::Release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

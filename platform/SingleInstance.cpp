#include "platform/SingleInstance.h"

#include "model/Utility.h"

CSingleInstance::CSingleInstance(const QString& key) : m_lock(GetAbsolutePath(key + QStringLiteral(".lock")))
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
    return m_lock.error() == QLockFile::LockFailedError ? HeldByOther : Failed;
}

void CSingleInstance::Release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

#pragma once

// One running program per program directory. A lock file beside the program is held for the program's whole
// life; a lock left behind by a process that no longer runs (a crash, a kill), or one that names no owner at
// all and is older than a few seconds (a power cut between its making and its writing), is taken over, so a
// crashed run never blocks the next start.

#include <QLockFile>
#include <QString>

class CSingleInstance
{
public:
    enum Result
    {
        Acquired,    // this process is now the one instance
        HeldByOther, // another process that still runs holds the lock
        Failed       // the lock file cannot be created (no write access to the program's directory, ...)
    };

    // `key` names the lock file "<key>.lock" in the program's directory.
    explicit CSingleInstance(const QString& key);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Tries once, without waiting.
    Result TryAcquire();
    // Gives the lock up; the next start may run. Done by the destructor as well.
    void Release();

    // A lock file that names no owner is another process's only while it may still be writing its name.
    static constexpr qint64 kOwnerlessLockStaleSeconds = 5;

private:
    bool IsOwnerlessAndOld() const;

    QString m_path;
    QLockFile m_lock;
};

#pragma once

// A private copy of a file the operator chose, for a reader that opens files beside the one it is given.
// SQLite, asked to read a database, first opens "<file>-journal" and "<file>-wal" by name: another local user
// who put a named pipe there makes the read wait for ever, and a link there feeds it another file. So the
// chosen file alone is read, by handle (O_NOFOLLOW | O_NONBLOCK, a regular file checked on the descriptor,
// bounded in size and in time, stoppable between blocks), into a folder made for the copy (0700, in the
// system's temporary folder) where nobody else can put anything. The folder goes with the object.
//
// The chosen file may lie on a volume that stops answering: its look-up, its open and each read are made as
// bounded calls (platform/VolumeCall), so the copy ends within its bound and at a stop whatever the volume
// does, and a call left behind touches nothing but what it owns.
//
// A file the caller names untouchable (the station's own database and its companions) is never opened: the
// close of any descriptor of a file ends every lock this process holds on it.

#include "platform/FileKind.h"

#include <QString>

#include <functional>

#include <sys/types.h>

class CPrivateCopy
{
public:
    // Why no copy was made.
    enum REFUSAL
    {
        REFUSAL_NONE,
        REFUSAL_NOT_A_FILE,  // a link, a pipe, a device, a folder: Found() says what
        REFUSAL_TOO_LARGE,   // larger than the bound, or grew past it while read
        REFUSAL_TOO_SLOW,    // the read took longer than the bound
        REFUSAL_STOPPED,     // the stop function said so
        REFUSAL_SYSTEM,      // the system refused a step: Error() holds its errno
        REFUSAL_NO_ANSWER,   // the volume did not answer a step within the bound: Volume() names where
        REFUSAL_UNTOUCHABLE, // the file is one the caller named untouchable
    };

    // Whether the file of this device and inode must not be opened.
    using Untouchable = std::function<bool(dev_t device, ino_t inode)>;

    CPrivateCopy() = default;
    ~CPrivateCopy();
    CPrivateCopy(CPrivateCopy&& other) noexcept;
    CPrivateCopy& operator=(CPrivateCopy&& other) noexcept;
    CPrivateCopy(const CPrivateCopy&) = delete;
    CPrivateCopy& operator=(const CPrivateCopy&) = delete;

    // Copies `source` into a new private folder under the file name `name`, within `maxMs` in all. `stop`
    // (may be empty) is asked while each step waits. `untouchable` (may be empty) is asked before the open
    // and again on what was opened. The result is made (IsMade) or says why not.
    static CPrivateCopy Make(const QString& source, const QString& name, qint64 maxBytes, int maxMs,
                             const std::function<bool()>& stop, const Untouchable& untouchable = {});

    bool IsMade() const { return !m_path.isEmpty(); }
    // The copy's path; empty when none was made.
    QString Path() const { return m_path; }
    qint64 Size() const { return m_size; }
    REFUSAL Refusal() const { return m_refusal; }
    FILE_KIND Found() const { return m_found; }
    int Error() const { return m_error; }
    // The folder of the chosen file, which did not answer (REFUSAL_NO_ANSWER).
    QString Volume() const { return m_volume; }

private:
    void Remove();

    QString m_folder;
    QString m_path;
    QString m_volume;
    qint64 m_size = 0;
    REFUSAL m_refusal = REFUSAL_NONE;
    FILE_KIND m_found = FILE_KIND_REGULAR;
    int m_error = 0;
};

#pragma once

// A private copy of a file the operator chose, for a reader that opens files beside the one it is given.
// SQLite, asked to read a database, first opens "<file>-journal" and "<file>-wal" by name: another local user
// who put a named pipe there makes the read wait for ever, and a link there feeds it another file. So the
// chosen file alone is read, by handle (O_NOFOLLOW | O_NONBLOCK, a regular file checked on the descriptor,
// bounded in size and in time, stoppable between blocks), into a folder made for the copy (0700, in the
// system's temporary folder) where nobody else can put anything. The folder goes with the object.

#include "platform/FileKind.h"

#include <QString>

#include <functional>

class CPrivateCopy
{
public:
    // Why no copy was made.
    enum REFUSAL
    {
        REFUSAL_NONE,
        REFUSAL_NOT_A_FILE, // a link, a pipe, a device, a folder: Found() says what
        REFUSAL_TOO_LARGE,  // larger than the bound, or grew past it while read
        REFUSAL_TOO_SLOW,   // the read took longer than the bound
        REFUSAL_STOPPED,    // the stop function said so
        REFUSAL_SYSTEM,     // the system refused a step: Error() holds its errno
    };

    CPrivateCopy() = default;
    ~CPrivateCopy();
    CPrivateCopy(CPrivateCopy&& other) noexcept;
    CPrivateCopy& operator=(CPrivateCopy&& other) noexcept;
    CPrivateCopy(const CPrivateCopy&) = delete;
    CPrivateCopy& operator=(const CPrivateCopy&) = delete;

    // Copies `source` into a new private folder under the file name `name`. `stop` (may be empty) is asked
    // between blocks. The result is made (IsMade) or says why not.
    static CPrivateCopy Make(const QString& source, const QString& name, qint64 maxBytes, int maxMs,
                             const std::function<bool()>& stop);

    bool IsMade() const { return !m_path.isEmpty(); }
    // The copy's path; empty when none was made.
    QString Path() const { return m_path; }
    qint64 Size() const { return m_size; }
    REFUSAL Refusal() const { return m_refusal; }
    FILE_KIND Found() const { return m_found; }
    int Error() const { return m_error; }

private:
    void Remove();

    QString m_folder;
    QString m_path;
    qint64 m_size = 0;
    REFUSAL m_refusal = REFUSAL_NONE;
    FILE_KIND m_found = FILE_KIND_REGULAR;
    int m_error = 0;
};

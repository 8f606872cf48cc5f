#pragma once

// A file written into a folder the operator chose, where another local user may have put something first.
// Opening the chosen name for writing would write into whatever stands there: a named pipe hands the bytes to
// whoever reads it (and waits for ever until someone does), a device takes them, a link carries them to
// another file. So the bytes go into a file this object creates under a temporary name beside the chosen one
// (O_CREAT | O_EXCL | O_NOFOLLOW, owner-only), and only a whole file is renamed over the chosen name.
// Anything but a regular file at the chosen name is refused before a byte is written and is never opened; a
// rename replaces the name alone, never writes into what stood there. A file not committed is removed.

#include "platform/FileKind.h"

#include <QByteArray>
#include <QString>

// A new file in the open folder `dir` under a name nobody took, `stem` + a random number + `tail`: never
// through a link nor over an entry, the owner's alone (0600, whatever the umask). Its descriptor, with its
// name in *temporary; -1 with errno when none could be made (nothing is left behind).
int CreateTemporaryAt(int dir, const QByteArray& stem, const QByteArray& tail, QByteArray* temporary);

class CReplacingFile
{
public:
    CReplacingFile() = default;
    // Removes the temporary file unless Commit renamed it.
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Why Create or Commit failed.
    enum REFUSAL
    {
        REFUSAL_NONE,
        REFUSAL_NOT_A_FILE, // something other than a regular file stands at the chosen name: Found() says
                            // what
        REFUSAL_SYSTEM,     // the system refused a step: Error() holds its errno
    };

    // Creates the temporary file (mode 0600) in the chosen name's folder. False, creating nothing, when the
    // folder cannot be opened or something other than a regular file stands at `target`.
    bool Create(const QString& target);
    // The temporary file's descriptor, for writing; owned by this object.
    int Fd() const { return m_fd; }
    QString TemporaryPath() const;
    QString Target() const { return m_target; }

    // Flushes the temporary file to the disk; false with Error() set.
    bool Sync();
    // Closes the temporary file and renames it over the chosen name (refused as Create refuses, should
    // something other than a regular file have been put there meanwhile), then syncs the folder. False, with
    // the temporary file removed, when a step fails.
    bool Commit();
    // Removes the temporary file; nothing happens at the chosen name.
    void Discard();

    REFUSAL Refusal() const { return m_refusal; }
    FILE_KIND Found() const { return m_found; }
    int Error() const { return m_error; }

private:
    bool Fail(int error);
    bool CheckTarget();

    QString m_target;
    QString m_folder;
    QByteArray m_name;
    QByteArray m_temporary;
    int m_dir = -1;
    int m_fd = -1;
    REFUSAL m_refusal = REFUSAL_NONE;
    FILE_KIND m_found = FILE_KIND_REGULAR;
    int m_error = 0;
};

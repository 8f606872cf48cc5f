#pragma once

// Descriptors and directories, never through a link: a folder is walked, and a file created, relative to an
// open directory handle. Used wherever the program works below a folder it does not trust (a record disk, a
// folder the operator chose), so that what was checked is what is used.

#include <QByteArray>
#include <QtGlobal>

#include <cerrno>
#include <cstdint>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace FileHandles {

// Writes all bytes to `fd`, again after an interrupted write; errno tells why when it fails (EIO for a write
// that took nothing).
inline bool WriteAll(int fd, const void* bytes, size_t size)
{
    const char* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO;
            return false;
        }
        data += done;
        size -= size_t(done);
    }
    return true;
}

// A file descriptor that closes itself.
class CFd
{
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Close(); }
    CFd(CFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFd& operator=(CFd&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it: its new owner closes it.
    int Release() { return std::exchange(m_fd, -1); }
    bool Close()
    {
        if (m_fd < 0)
            return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }
    // Writes all bytes; errno tells why when it fails.
    bool WriteAll(const uint8_t* data, size_t size) { return FileHandles::WriteAll(m_fd, data, size); }

private:
    int m_fd = -1;
};

// The cause a walk gives for a folder of another user (an errno no open or making of a folder gives), so
// that it is told apart from a permission refusal of the disk itself: another user's folder at a record's
// name or day concerns that record's place alone. Never shown: outside the walk it is told as EPERM.
constexpr int kForeignFolder = EOWNERDEAD;

// 0 when the open folder `fd` belongs to the program's user, else kForeignFolder.
int CheckFolderOwner(int fd);
// Other users may create, rename or delete entries in a folder of this mode.
bool OpenToOthersWrite(mode_t mode);

bool IsLinkAt(int dir, const QByteArray& name);
// A sub-directory opened without following a link; -1 with errno, ELOOP when a link stands in its place,
// kForeignFolder when it belongs to another user.
int OpenSubDir(int parent, const QByteArray& name);
// The same, made (0700) when it is missing.
int OpenOrMakeSubDir(int parent, const QByteArray& name);
// A new record file: never through a link, never over an existing file, readable by its owner alone.
int CreateFileAt(int dir, const QByteArray& name);

struct DIR_ENTRY
{
    QByteArray Name;
    bool Dir = false;
    bool File = false; // a regular file
    bool Link = false;
};

// The entries of a directory, without following any of them.
std::vector<DIR_ENTRY> ListDir(int dir);
// The time a file was stored (its last write, which its rename keeps), in nanoseconds, and its size; false
// when it is no regular file.
bool StatFile(int dir, const QByteArray& name, qint64* stored, qint64* size);

} // namespace FileHandles

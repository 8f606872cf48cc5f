#include "platform/FileHandles.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace FileHandles {

namespace {
// Write for the group or for all: another user may create, rename or delete entries.
constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;
} // namespace

int CheckFolderOwner(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    return st.st_uid == ::geteuid() ? 0 : kForeignFolder;
}

bool OpenToOthersWrite(mode_t mode)
{
    return (mode & kOthersWrite) != 0;
}

bool IsLinkAt(int dir, const QByteArray& name)
{
    struct stat st;
    return ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

int OpenSubDir(int parent, const QByteArray& name)
{
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOTDIR && IsLinkAt(parent, name))
        errno = ELOOP;
    if (const int refused = fd >= 0 ? CheckFolderOwner(fd) : 0; refused != 0) {
        ::close(fd);
        errno = refused;
        return -1;
    }
    return fd;
}

int OpenOrMakeSubDir(int parent, const QByteArray& name)
{
    const int fd = OpenSubDir(parent, name);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST)
        return -1;
    return OpenSubDir(parent, name);
}

int CreateFileAt(int dir, const QByteArray& name)
{
    return ::openat(dir, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

std::vector<DIR_ENTRY> ListDir(int dir)
{
    std::vector<DIR_ENTRY> entries;
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return entries;
    DIR* stream = ::fdopendir(own);
    if (stream == nullptr) {
        ::close(own);
        return entries;
    }
    while (const dirent* e = ::readdir(stream)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        DIR_ENTRY entry;
        entry.Name = QByteArray(e->d_name);
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISREG(st.st_mode) ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : 0;
        }
        entry.Dir = type == DT_DIR;
        entry.File = type == DT_REG;
        entry.Link = type == DT_LNK;
        entries.push_back(entry);
    }
    ::closedir(stream);
    return entries;
}

bool StatFile(int dir, const QByteArray& name, qint64* stored, qint64* size)
{
    struct stat st;
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return false;
    *stored = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    *size = qint64(st.st_size);
    return true;
}

} // namespace FileHandles

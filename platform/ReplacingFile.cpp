#include "platform/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CreateTemporaryAt(int dir, const QByteArray& stem, const QByteArray& tail, QByteArray* temporary)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = stem + QByteArray::number(QRandomGenerator::global()->generate(), 16) + tail;
        const int fd =
            ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        // The creation's mode passed through the umask, which may have taken the owner's own bits away.
        if (::fchmod(fd, 0600) != 0) {
            const int error = errno;
            ::close(fd);
            ::unlinkat(dir, name.constData(), 0);
            errno = error;
            return -1;
        }
        *temporary = name;
        return fd;
    }
    errno = EEXIST;
    return -1;
}

CReplacingFile::~CReplacingFile()
{
    Discard();
    if (m_dir >= 0)
        ::close(m_dir);
}

QString CReplacingFile::TemporaryPath() const
{
    return m_temporary.isEmpty() ? QString() : m_folder + QLatin1Char('/') + QFile::decodeName(m_temporary);
}

bool CReplacingFile::Fail(int error)
{
    m_refusal = REFUSAL_SYSTEM;
    m_error = error;
    return false;
}

bool CReplacingFile::CheckTarget()
{
    struct stat entry = {};
    if (::fstatat(m_dir, m_name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || Fail(errno);
    m_found = FileKindOf(entry.st_mode);
    if (m_found == FILE_KIND_REGULAR)
        return true;
    m_refusal = REFUSAL_NOT_A_FILE;
    return false;
}

bool CReplacingFile::Create(const QString& target)
{
    Discard();
    m_refusal = REFUSAL_NONE;
    m_error = 0;
    m_target = target;
    const QFileInfo info(target);
    m_folder = info.absolutePath();
    m_name = QFile::encodeName(info.fileName());
    if (m_dir >= 0)
        ::close(m_dir);
    // The folder is the operator's choice and is taken as it is; what stands in it is not.
    m_dir = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        return Fail(errno);
    if (m_name.isEmpty())
        return Fail(EISDIR);
    if (!CheckTarget())
        return false;
    m_fd = CreateTemporaryAt(m_dir, '.' + m_name + '.', ".part", &m_temporary);
    return m_fd >= 0 || Fail(errno);
}

bool CReplacingFile::Sync()
{
    if (m_fd < 0)
        return Fail(EBADF);
    return ::fsync(m_fd) == 0 || Fail(errno);
}

bool CReplacingFile::Commit()
{
    if (m_fd < 0)
        return Fail(EBADF);
    const int fd = m_fd;
    m_fd = -1;
    // A write-back error may show only at the close.
    if (::close(fd) != 0) {
        const int error = errno;
        Discard();
        return Fail(error);
    }
    if (!CheckTarget()) {
        Discard();
        return false;
    }
    if (::renameat(m_dir, m_temporary.constData(), m_dir, m_name.constData()) != 0) {
        const int error = errno;
        Discard();
        return Fail(error);
    }
    m_temporary.clear();
    // The new name on the disk too; a folder that cannot be synced still holds the complete file.
    ::fsync(m_dir);
    return true;
}

void CReplacingFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty() && m_dir >= 0)
        ::unlinkat(m_dir, m_temporary.constData(), 0);
    m_temporary.clear();
}

#include "storage/StoredRecordFile.h"

#include "platform/FileHandles.h"
#include "storage/CStowelineClass.h"
#include "storage/StowelineOwnership.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString NotRegularText(const QString& path, mode_t mode)
{
    if (S_ISFIFO(mode))
        return QObject::tr("%1 is a named pipe, not a record file.").arg(path);
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QObject::tr("%1 is a device, not a record file.").arg(path);
    if (S_ISDIR(mode))
        return QObject::tr("%1 is a folder, not a record file.").arg(path);
    return QObject::tr("%1 is not a regular file, not a record file.").arg(path);
}

QString LinkText(const QString& path, const QString& link)
{
    if (link == path)
        return QObject::tr("%1 is a link, and no link is followed below a record disk's folder.").arg(path);
    return QObject::tr("%1: a link stands at %2, and no link is followed below a record disk's folder.")
        .arg(path, link);
}

QString ForeignText(const QString& path, const QString& folder)
{
    return QObject::tr("%1: the folder %2 belongs to another user, and no such folder is used below a record "
                       "disk's folder.")
        .arg(path, folder);
}

QString OpenToOthersText(const QString& path, const QString& folder)
{
    return QObject::tr(
               "%1: other users may write to the folder %2, and no record is taken from such a folder.")
        .arg(path, folder);
}

QString OpenText(const QString& path, int systemError)
{
    return QObject::tr("%1 cannot be opened: %2.")
        .arg(path, QString::fromLocal8Bit(std::strerror(systemError)));
}

} // namespace

using namespace FileHandles;
using namespace StowelineDetail;

CStoredRecordFile::~CStoredRecordFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

CStoredRecordFile::CStoredRecordFile(CStoredRecordFile&& other) noexcept
    : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

CStoredRecordFile& CStoredRecordFile::operator=(CStoredRecordFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_size = other.m_size;
        other.m_fd = -1;
    }
    return *this;
}

CStoredRecordFile OpenStoredRecord(const QString& path, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error != nullptr)
            *error = text;
        return CStoredRecordFile();
    };
    // <drive folder>/Records/<name>/<day>/<file>: the last four parts below the drive's folder, which the
    // storage itself reaches by its own path.
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() < 5 || !QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path)
        return fail(QObject::tr("%1 is not the path of a stored record.").arg(path));
    const qsizetype below = parts.size() - 4;
    QString drive = parts.mid(0, below).join(QLatin1Char('/'));
    if (drive.isEmpty())
        drive = QStringLiteral("/");
    if (CStowelineClass::RecordRootOf(drive) != parts.mid(0, below + 1).join(QLatin1Char('/')))
        return fail(QObject::tr("%1 is not the path of a stored record.").arg(path));

    CFd dir(::open(QFile::encodeName(drive).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid())
        return fail(OpenText(path, errno));
    QString reached = drive == QLatin1String("/") ? QString() : drive;
    for (qsizetype i = below; i < parts.size() - 1; ++i) {
        reached += QLatin1Char('/') + parts.at(i);
        // As the search walks it: neither a link nor another user's folder is entered.
        CFd next(OpenSubDir(dir.Get(), QFile::encodeName(parts.at(i))));
        if (!next.Valid()) {
            const int cause = errno;
            if (cause == ELOOP)
                return fail(LinkText(path, reached));
            if (cause == kForeignFolder)
                return fail(ForeignText(path, reached));
            return fail(OpenText(path, cause));
        }
        // The Records folder is the one way in: while other users may write to it, anything below may be
        // theirs, and the search takes nothing from it either.
        if (i == below) {
            struct stat folder;
            if (::fstat(next.Get(), &folder) != 0)
                return fail(OpenText(path, errno));
            if (OpenToOthersWrite(folder.st_mode))
                return fail(OpenToOthersText(path, reached));
        }
        dir = std::move(next);
    }

    // A pipe, device or socket is refused before it is opened, so its open has no effect on it; what stands
    // there at the open itself is checked again on the descriptor, which the open never waited for.
    const QByteArray file = QFile::encodeName(parts.last());
    struct stat st;
    if (::fstatat(dir.Get(), file.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(OpenText(path, errno));
    if (S_ISLNK(st.st_mode))
        return fail(LinkText(path, path));
    if (!S_ISREG(st.st_mode))
        return fail(NotRegularText(path, st.st_mode));
    const int fd =
        ::openat(dir.Get(), file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int cause = errno;
        return fail(cause == ELOOP ? LinkText(path, path) : OpenText(path, cause));
    }
    CStoredRecordFile opened(fd, 0);
    if (::fstat(fd, &st) != 0)
        return fail(OpenText(path, errno));
    if (!S_ISREG(st.st_mode))
        return fail(NotRegularText(path, st.st_mode));
    // Reads of a regular file never wait on the flag; it is cleared so that nothing later takes a short read
    // for an end.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(OpenText(path, errno));
    opened.m_size = qint64(st.st_size);
    return opened;
}

#include "platform/PrivateCopy.h"

#include "storage/StowelineDirs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using StowelineDetail::CFd;
using StowelineDetail::WriteAll;

namespace {

constexpr size_t kBlock = 256 * 1024;

// Empties and removes a folder this process made; what a reader may have put beside the copy goes too.
void RemoveFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* dir = ::fdopendir(fd)) {
            std::vector<QByteArray> names;
            while (const dirent* entry = ::readdir(dir)) {
                const QByteArray name(entry->d_name);
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            for (const QByteArray& name : names)
                ::unlinkat(::dirfd(dir), name.constData(), 0);
            ::closedir(dir);
        } else {
            ::close(fd);
        }
    }
    ::rmdir(folder.constData());
}

} // namespace

CPrivateCopy::~CPrivateCopy()
{
    Remove();
}

CPrivateCopy::CPrivateCopy(CPrivateCopy&& other) noexcept
    : m_folder(std::exchange(other.m_folder, QString())), m_path(std::exchange(other.m_path, QString())),
      m_size(other.m_size), m_refusal(other.m_refusal), m_found(other.m_found), m_error(other.m_error)
{
}

CPrivateCopy& CPrivateCopy::operator=(CPrivateCopy&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_folder = std::exchange(other.m_folder, QString());
        m_path = std::exchange(other.m_path, QString());
        m_size = other.m_size;
        m_refusal = other.m_refusal;
        m_found = other.m_found;
        m_error = other.m_error;
    }
    return *this;
}

void CPrivateCopy::Remove()
{
    if (!m_folder.isEmpty())
        RemoveFolder(QFile::encodeName(m_folder));
    m_folder.clear();
    m_path.clear();
}

CPrivateCopy CPrivateCopy::Make(const QString& source, const QString& name, qint64 maxBytes, int maxMs,
                                const std::function<bool()>& stop)
{
    CPrivateCopy copy;
    const auto fail = [&copy](REFUSAL refusal, int error = 0) {
        copy.Remove();
        copy.m_refusal = refusal;
        copy.m_error = error;
        return std::move(copy);
    };
    QElapsedTimer clock;
    clock.start();
    // O_NONBLOCK: the open of a pipe or a device with no writer returns at once instead of waiting for one.
    CFd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.Get() < 0) {
        const int error = errno;
        if (error == ELOOP) {
            copy.m_found = FILE_KIND_LINK;
            return fail(REFUSAL_NOT_A_FILE);
        }
        return fail(REFUSAL_SYSTEM, error);
    }
    // Checked on what was opened, not on the name, which may stand for something else by now.
    struct stat info = {};
    if (::fstat(in.Get(), &info) != 0)
        return fail(REFUSAL_SYSTEM, errno);
    copy.m_found = FileKindOf(info.st_mode);
    if (copy.m_found != FILE_KIND_REGULAR)
        return fail(REFUSAL_NOT_A_FILE);
    if (info.st_size > maxBytes)
        return fail(REFUSAL_TOO_LARGE);

    QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/varrow-copy-XXXXXX"));
    if (::mkdtemp(folder.data()) == nullptr) // made 0700
        return fail(REFUSAL_SYSTEM, errno);
    copy.m_folder = QFile::decodeName(folder);
    const QByteArray target = folder + '/' + QFile::encodeName(name);
    CFd out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.Get() < 0)
        return fail(REFUSAL_SYSTEM, errno);

    std::vector<char> buffer(kBlock);
    qint64 total = 0;
    for (;;) {
        if (stop && stop())
            return fail(REFUSAL_STOPPED);
        if (clock.elapsed() > maxMs)
            return fail(REFUSAL_TOO_SLOW);
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(REFUSAL_SYSTEM, errno);
        if (got == 0)
            break;
        // The file may grow while it is read: the bound holds for what is read, not for what fstat said.
        total += got;
        if (total > maxBytes)
            return fail(REFUSAL_TOO_LARGE);
        if (!WriteAll(out.Get(), buffer.data(), size_t(got)))
            return fail(REFUSAL_SYSTEM, errno);
    }
    if (!out.Close())
        return fail(REFUSAL_SYSTEM, errno);
    copy.m_path = QFile::decodeName(target);
    copy.m_size = total;
    return copy;
}

#include "tests/support/OtherUser.h"

#include "tests/support/MachineNeeds.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OtherUser {

bool Available()
{
    return TestSupport::MachineRoot();
}

bool MakeSharedFolder(const QString& path)
{
    if (!QDir().mkpath(path) || ::chmod(QFile::encodeName(path).constData(), 01777) != 0)
        return false;
    // The other user passes through the test's own folder above it (a temporary folder, owner-only).
    const QByteArray parent = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat info = {};
    return ::stat(parent.constData(), &info) == 0 &&
           ::chmod(parent.constData(), (info.st_mode & 07777) | 0111) == 0;
}

bool MakePipe(const QString& path)
{
    const QByteArray at = QFile::encodeName(path);
    return Do([&at] { return ::mkfifo(at.constData(), 0666) == 0; });
}

bool MakeLink(const QString& target, const QString& path)
{
    const QByteArray to = QFile::encodeName(target);
    const QByteArray at = QFile::encodeName(path);
    return Do([&to, &at] { return ::symlink(to.constData(), at.constData()) == 0; });
}

bool MakeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray at = QFile::encodeName(path);
    return Do([&at, &bytes] {
        const int fd = ::open(at.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        return written && ::close(fd) == 0;
    });
}

} // namespace OtherUser

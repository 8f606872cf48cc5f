// Whose folders the storage uses: see StowelineOwnership.h.
#include "storage/StowelineOwnership.h"

#include "storage/StowelineParts.h"

#include <sys/stat.h>

using namespace FileHandles;

namespace StowelineDetail {

namespace {

// Anything for the group or for all. Closing also drops a sticky bit, which without them means nothing.
constexpr mode_t kOthersAny = S_IRWXG | S_IRWXO;

} // namespace

FOLDER_TRUST ExamineFolder(const QString& path)
{
    FOLDER_TRUST trust;
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return trust;
    trust.Foreign = st.st_uid != ::geteuid();
    trust.Owner = st.st_uid;
    trust.OpenToWrite = OpenToOthersWrite(st.st_mode);
    return trust;
}

} // namespace StowelineDetail

using namespace StowelineDetail;

int CStowelineClass::CRoot::GuardRecords(int fd, bool close) const
{
    if (fd < 0)
        return fd;
    const auto refuse = [fd](int error) {
        ::close(fd);
        errno = error;
        return -1;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return refuse(errno);
    if (close && (st.st_mode & kOthersAny) != 0) {
        // Closing the one way in closes every older record below it too. What counts is the mode read
        // again: a volume whose modes come from its mount (FAT, exFAT, NTFS through FUSE, CIFS) takes the
        // chmod and keeps its modes.
        const int error = ::fchmod(fd, S_IRWXU) == 0 ? 0 : errno;
        if (::fstat(fd, &st) != 0)
            return refuse(errno);
        if ((st.st_mode & kOthersAny) == 0) {
            if (said->First(QStringLiteral("closed ") + dir))
                Report(LOG_TYPE_EXCEPTION,
                       QObject::tr("The folder %1 was open to other users; it is closed to them now, with "
                                   "every record below it.")
                           .arg(dir),
                       false);
        } else if (said->First(QStringLiteral("unclosed ") + dir)) {
            Report(LOG_TYPE_EXCEPTION,
                   QObject::tr("The folder %1 is open to other users and cannot be closed to them: %2.")
                       .arg(dir, error != 0 ? SystemText(error)
                                            : QObject::tr("its volume keeps the modes its mount gives")),
                   false);
        }
    }
    if (OpenToOthersWrite(st.st_mode))
        return refuse(EPERM);
    return fd;
}

void CStowelineClass::CRoot::NoteRefusedFolder(const QString& path, int error) const
{
    if (error == kForeignFolder && said->First(QStringLiteral("foreign ") + path))
        ReportAlike(
            LOG_TYPE_EXCEPTION,
            QObject::tr("A folder of another user below a record disk's folder is left alone: %1.").arg(path),
            said->repeats, QStringLiteral("foreign ") + dir,
            QObject::tr("A folder of another user below the record disk's folder %1 is left alone").arg(dir));
}

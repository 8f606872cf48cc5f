// The set-up of the disks: each root resolved, its Records folder made and written to, and the temporary
// files a crash left removed.
#include "storage/CStowelineClass.h"

#include "storage/StowelineParts.h"

#include "platform/DriveMap.h"

#include <QDir>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/vfs.h>

using namespace StowelineDetail;

namespace {

// Removes the set-up's probe files that a killed process left in a Records folder (".probe-<pid>...", the
// process gone): a later run has another process id and would never remove them as its own.
void RemoveDeadProbes(int records)
{
    static const QByteArray prefix = QByteArrayLiteral(".probe-");
    for (const DIR_ENTRY& entry : ListDir(records)) {
        if (!entry.File || !entry.Name.startsWith(prefix))
            continue;
        qsizetype end = prefix.size();
        while (end < entry.Name.size() && std::isdigit(static_cast<unsigned char>(entry.Name[end])))
            ++end;
        bool number = false;
        const qint64 pid = entry.Name.mid(prefix.size(), end - prefix.size()).toLongLong(&number);
        if (number && pid > 0 && pid != ::getpid() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(records, entry.Name.constData(), 0);
    }
}

} // namespace

bool CStowelineClass::CRoot::SameFolder(int fd) const
{
    struct stat st;
    struct statfs fs;
    if (::fstat(fd, &st) != 0 || ::fstatfs(fd, &fs) != 0)
        return false;
    quint64 fsid = 0;
    static_assert(sizeof(fs.f_fsid) == sizeof(fsid));
    std::memcpy(&fsid, &fs.f_fsid, sizeof(fsid));
    std::lock_guard lock(identityMutex);
    // The same inode of the same file system; a disk plugged in again may come back under another device
    // number, but not with another file system id (where it has one).
    if (identity && st.st_ino == identity->ino && fsid == identity->fsid &&
        (fsid != 0 || st.st_dev == identity->dev))
        return true;
    if (identity) {
        // Only a volume's mount point may stand for another folder: the volume mounted there was swapped.
        // Not when a link was put in its place (it may lead to any mount point).
        struct stat own;
        if (!volume || ::lstat(QFile::encodeName(driveDir).constData(), &own) != 0 ||
            (S_ISLNK(own.st_mode) && !driveLink))
            return false;
        ++volumeSwaps;
    }
    identity = CFolderId{st.st_dev, st.st_ino, fsid};
    return true;
}

DRIVE_MAP_ENTRY StowelineDetail::ResolveDisk(const QString& text)
{
    if (text.size() == 2 && text[1] == QLatin1Char(':') && text[0].isLetter())
        return CDriveMap::GetDrive(text[0].toLatin1());
    if (QDir::isAbsolutePath(text))
        return {QDir::cleanPath(text), CDriveMap::IsMountPoint(text)};
    return {};
}

std::vector<std::shared_ptr<CStowelineClass::CRoot>>
CStowelineClass::SearchOnlyRoots(const StowelineList& paths, const std::vector<std::shared_ptr<CRoot>>& roots,
                                 const std::shared_ptr<CSaidOnce>& said)
{
    // Nothing is made, probed or closed here: a disk that is not chosen is only read, and only when a
    // search finds its Records folder there and the station's own.
    std::vector<std::shared_ptr<CRoot>> searchOnly;
    for (const STOWELINE_PATH& entry : paths) {
        const QString text = QFile::decodeName(entry.Path);
        const DRIVE_MAP_ENTRY drive = ResolveDisk(text);
        if (drive.Path.isEmpty())
            continue;
        const QString dir = RecordRootOf(drive.Path);
        const auto same = [&dir](const auto& root) { return root->dir == dir; };
        if (std::any_of(roots.begin(), roots.end(), same) ||
            std::any_of(searchOnly.begin(), searchOnly.end(), same))
            continue;
        searchOnly.push_back(CRoot::Of(text, drive, dir, said));
    }
    return searchOnly;
}

bool CStowelineClass::Init(const STOWELINE_INIT_PARAM* param)
{
    CReportScope reports;
    if (param == nullptr || param->DiskPaths.Count() == 0)
        return Fail(STOWELINE_ERR_PARAM);
    Uninit();

    const auto said = std::make_shared<CSaidOnce>();
    std::vector<std::shared_ptr<CRoot>> roots;
    std::vector<std::shared_ptr<CRoot>> usable;
    STOWELINE_ROOT_ERROR firstError;
    for (const STOWELINE_PATH& entry : param->DiskPaths) {
        const QString text = QFile::decodeName(entry.Path);
        const DRIVE_MAP_ENTRY drive = ResolveDisk(text);
        if (drive.Path.isEmpty())
            return FailRoot({text, QString(), 0, false});
        const QString dir = RecordRootOf(drive.Path);
        if (std::any_of(roots.begin(), roots.end(), [&](const auto& r) { return r->dir == dir; }))
            continue;
        const auto root = CRoot::Of(text, drive, dir, said);
        root->reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
        root->overwrite = param->Overwrite != 0;
        struct stat own;
        root->driveLink =
            ::lstat(QFile::encodeName(drive.Path).constData(), &own) == 0 && S_ISLNK(own.st_mode);
        roots.push_back(root);

        // The drive's directory must be there, and for a volume be its mount point: creating it, or writing
        // into a volume's folder without its volume, would put the recordings wherever its parent lies (the
        // system disk). Then the Records folder is written to, not just looked at: permissions, read-only
        // mounts, a file or a link in the way all show here.
        STOWELINE_ROOT_ERROR error;
        bool ok = false;
        if (DriveGone(*root)) {
            error = GoneError(*root);
        } else {
            const int refused = root->Probe();
            ok = refused == 0;
            // Never chosen while it refuses: its folder being there says nothing of its taking files.
            if (!ok) {
                error = {text, dir, refused, false};
                root->refused = refused;
            }
        }
        // Two chosen disks that lead to one Records folder (a link, a bind mount) are one disk: as two, each
        // would delete the other's newly stored records as stale copies, or as the oldest.
        const CFd records(ok ? root->OpenRecords(false) : -1);
        struct stat st;
        if (records.Valid() && ::fstat(records.Get(), &st) == 0) {
            const auto same = std::find_if(usable.begin(), usable.end(), [&](const auto& other) {
                const CFd otherRecords(other->OpenRecords(false));
                struct stat o;
                return otherRecords.Valid() && ::fstat(otherRecords.Get(), &o) == 0 &&
                       o.st_dev == st.st_dev && o.st_ino == st.st_ino;
            });
            if (same != usable.end()) {
                Report(LOG_TYPE_EXCEPTION,
                       QObject::tr(
                           "Disk %1 leads to the same folder as disk %3 (%2); the two are used as one disk.")
                           .arg(text, (*same)->dir, (*same)->drive),
                       true);
                roots.pop_back();
                continue;
            }
        }
        if (ok) {
            root->recordsMade = true;
            RemoveDeadProbes(records.Get());
            usable.push_back(root);
        } else {
            // Left out for now: of several disks the others take the records, and this one is reported
            // when a record goes elsewhere.
            if (error.SystemError == ELOOP)
                root->NoteLink(dir);
            if (firstError.Drive.isEmpty())
                firstError = error;
            FailRoot(error);
        }
    }
    if (usable.empty())
        return FailRoot(firstError);

    // Temporary files that no live record owns were left by a crash: they never become records.
    for (const auto& root : usable) {
        const CFd records(root->OpenRecords(false));
        if (!records.Valid())
            continue;
        for (const DIR_ENTRY& name : ListDir(records.Get())) {
            const QString namePath = root->dir + QLatin1Char('/') + QFile::decodeName(name.Name);
            if (name.Link)
                root->NoteLink(namePath);
            const CFd nameDir(name.Dir ? OpenSubDir(records.Get(), name.Name) : -1);
            if (!nameDir.Valid()) {
                root->NoteRefusedFolder(namePath, name.Dir ? errno : 0);
                continue;
            }
            for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
                const QString dayPath = namePath + QLatin1Char('/') + QFile::decodeName(day.Name);
                if (day.Link)
                    root->NoteLink(dayPath);
                const CFd dayDir(day.Dir ? OpenSubDir(nameDir.Get(), day.Name) : -1);
                if (!dayDir.Valid())
                    root->NoteRefusedFolder(dayPath, day.Dir ? errno : 0);
                if (dayDir.Valid())
                    RemoveLeftovers(dayDir.Get(), dayPath);
            }
        }
    }

    std::vector<std::shared_ptr<CRoot>> searchOnly = SearchOnlyRoots(param->SearchOnlyPaths, roots, said);
    std::lock_guard lock(m_mutex);
    for (auto& root : roots) {
        root->freeSpace = m_freeSpace;
        root->probeFault = m_probeFault;
    }
    m_roots = std::move(roots);
    m_searchOnly = std::move(searchOnly);
    m_overwrite = param->Overwrite != 0;
    m_reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
    m_maxOpen = param->MaxOpenRecords;
    m_callback = param->DiskFullCallBack;
    m_init = true;
    t_lastError = STOWELINE_OK;
    t_rootError = {};
    return true;
}

void CStowelineClass::Uninit()
{
    CReportScope reports;
    std::map<std::string, std::shared_ptr<COpenRecord>> open;
    {
        std::lock_guard lock(m_mutex);
        open.swap(m_open);
        m_roots.clear();
        m_searchOnly.clear();
        m_results.clear();
        m_init = false;
        ++m_generation;
    }
    // A record nobody closed is unfinished: it must not look stored.
    for (auto& [id, record] : open) {
        std::lock_guard recordLock(record->mutex);
        record->closed = true;
        record->Discard();
    }
}

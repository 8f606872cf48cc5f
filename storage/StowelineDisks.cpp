// The set-up of the disks: each root resolved, its Records folder made and written to, and the temporary
// files a crash left removed.
#include "storage/CStowelineClass.h"

#include "storage/StowelineMarks.h"
#include "storage/StowelineParts.h"

#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "storage/CreateStorage.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <grp.h>
#include <mutex>
#include <set>
#include <cstring>
#include <sys/stat.h>
#include <sys/vfs.h>

using namespace FileHandles;
using namespace StowelineDetail;

namespace {

// Removes the set-up's probe files that a killed process left in a Records folder (".probe-<pid>", or
// ".probe-<pid>-<n>" since each probe has a name of its own; the process gone): a later run has another
// process id and would never remove them as its own. Only the station's own files of that name go.
void RemoveDeadProbes(int records)
{
    static const QByteArray prefix = QByteArrayLiteral(".probe-");
    const auto digits = [](const QByteArray& name, qsizetype from) {
        qsizetype end = from;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])))
            ++end;
        return end;
    };
    for (const DIR_ENTRY& entry : ListDir(records)) {
        if (!entry.File || !entry.Name.startsWith(prefix))
            continue;
        const qsizetype end = digits(entry.Name, prefix.size());
        if (end == prefix.size())
            continue;
        if (end != entry.Name.size() && (entry.Name[end] != '-' || end + 1 == entry.Name.size() ||
                                         digits(entry.Name, end + 1) != entry.Name.size()))
            continue;
        bool number = false;
        const qint64 pid = entry.Name.mid(prefix.size(), end - prefix.size()).toLongLong(&number);
        struct stat st;
        if (!number || pid <= 0 || pid == ::getpid() || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH ||
            ::fstatat(records, entry.Name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        ::unlinkat(records, entry.Name.constData(), 0);
    }
}

// The disks said to hold no kept mark, by letter, folder and cause: said once for as long as it stays so,
// however often the set-up is retried meanwhile.
std::mutex g_saidMismatchMutex;
std::set<QString> g_saidMismatch;

} // namespace

void CStowelineClass::SayMarkMismatch(CRoot& root, const STOWELINE_ROOT_ERROR& error)
{
    const QString key =
        root.drive + QLatin1Char('\n') + root.driveDir + QLatin1Char('\n') + QString::number(int(error.Mark));
    root.goneReported = true;
    {
        std::lock_guard lock(g_saidMismatchMutex);
        if (!g_saidMismatch.insert(key).second)
            return;
    }
    Report(LOG_TYPE_EXCEPTION, DescribeRootError(error), true);
}

void CStowelineClass::ForgetMarkMismatch(const CRoot& root)
{
    const QString prefix = root.drive + QLatin1Char('\n');
    std::lock_guard lock(g_saidMismatchMutex);
    for (auto at = g_saidMismatch.begin(); at != g_saidMismatch.end();)
        at = at->startsWith(prefix) ? g_saidMismatch.erase(at) : std::next(at);
}

void CStowelineClass::SayOpenParent(const CRoot& root, const CDiskLook& look)
{
    // Whoever may rename entries in the folder above the disk's folder may move it away and put another
    // in its place; the mark keeps the station from taking that one, but the operator should know.
    const QString parent = QFileInfo(root.driveDir).absolutePath();
    if (!look.parentSeen || (look.parentMode & S_ISVTX) != 0 || (look.parentMode & (S_IWGRP | S_IWOTH)) == 0)
        return;
    QString who;
    if ((look.parentMode & S_IWOTH) != 0) {
        who = QObject::tr("every user");
    } else {
        const group* owners = ::getgrgid(look.parentGroup);
        who = QObject::tr("the users of the group %1")
                  .arg(owners != nullptr ? QString::fromLocal8Bit(owners->gr_name)
                                         : QString::number(look.parentGroup));
    }
    const QString key = QStringLiteral("parent\n") + root.drive + QLatin1Char('\n') + root.driveDir;
    {
        std::lock_guard lock(g_saidMismatchMutex);
        if (!g_saidMismatch.insert(key).second)
            return;
    }
    QString drive = root.drive;
    if (drive.endsWith(QLatin1Char(':')))
        drive.chop(1);
    Report(LOG_TYPE_EXCEPTION,
           QObject::tr("Disk %1: the folder %2 lies in %3, where %4 may move it away and put another in its "
                       "place (that folder has no sticky bit). Such a folder is not taken for the disk, but "
                       "the disk is then missing: keep it in a folder only the station's user may change.")
               .arg(drive, root.driveDir, parent, who),
           true);
}

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
    // The same inode of the same file system, as last seen: the quick answer.
    if (identity && st.st_ino == identity->ino && fsid == identity->fsid &&
        (fsid != 0 || st.st_dev == identity->dev))
        return true;
    if (!mark.isEmpty()) {
        // The mark decides: a disk plugged in again, or mounted again after another mount took its device
        // number, shows its own mark whatever its device number or file system id.
        MARK_STATE state = MARK_STATE::NONE;
        if (MarkBelow(fd, &state) == mark) {
            identity = CFolderId{st.st_dev, st.st_ino, fsid};
            return true;
        }
        // Another disk's mark, or something that is not the station's: never this disk. A folder without
        // any mark is not it either, unless the rule below takes it for a volume swapped at the mount point.
        if (state != MARK_STATE::NONE || !identity)
            return false;
    }
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

STOWELINE_ROOT_ERROR::MARK_MISMATCH CStowelineClass::CRoot::MarkMismatch() const
{
    const QByteArray kept = Mark();
    if (kept.isEmpty())
        return STOWELINE_ROOT_ERROR::MARK_MATCHES;
    const CFd drive(::open(QFile::encodeName(driveDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!drive.Valid())
        return STOWELINE_ROOT_ERROR::MARK_NONE;
    MARK_STATE state = MARK_STATE::NONE;
    const QByteArray found = MarkBelow(drive.Get(), &state);
    if (found == kept)
        return STOWELINE_ROOT_ERROR::MARK_MATCHES;
    struct stat own;
    if (::lstat(QFile::encodeName(driveDir).constData(), &own) == 0 && S_ISLNK(own.st_mode))
        return STOWELINE_ROOT_ERROR::MARK_LINK;
    if (state == MARK_STATE::FOREIGN)
        return STOWELINE_ROOT_ERROR::MARK_FOREIGN;
    return state == MARK_STATE::OWN ? STOWELINE_ROOT_ERROR::MARK_OTHER : STOWELINE_ROOT_ERROR::MARK_NONE;
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
CStowelineClass::SearchOnlyRoots(const StowelineList& paths, const StowelineList& marks,
                                 const std::vector<std::shared_ptr<CRoot>>& roots,
                                 const std::shared_ptr<CSaidOnce>& said)
{
    // Nothing is made, probed or closed here: a disk that is not chosen is only read, and only when a
    // search finds its Records folder there and the station's own.
    std::vector<std::shared_ptr<CRoot>> searchOnly;
    auto markAt = marks.begin();
    for (const STOWELINE_PATH& entry : paths) {
        const QByteArray kept = markAt != marks.end() ? QByteArray((markAt++)->Path) : QByteArray();
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
        searchOnly.back()->keptMark = kept;
    }
    return searchOnly;
}

std::vector<CStowelineClass::CDiskLook> CStowelineClass::LookAtDisks(const std::vector<CDiskWanted>& disks,
                                                                     const std::shared_ptr<CSaidOnce>& said)
{
    std::vector<QString> keys;
    std::vector<std::function<CDiskLook()>> looks;
    for (const CDiskWanted& wanted : disks) {
        // Keyed by the Records folder, as every other call on the disk: while a look left on a silent disk
        // has not come back, the disk is not asked again but counts as not answering at once.
        keys.push_back(wanted.dir);
        looks.emplace_back([wanted, said] {
            CReportScope reports; // said on this thread, once the look is done
            CDiskLook look;
            DRIVE_MAP_ENTRY drive = wanted.drive;
            if (wanted.lookVolume)
                drive.Volume = CDriveMap::IsMountPoint(drive.Path);
            // The look's own disk: nothing else sees it before the look is done, and a look left on a silent
            // disk touches nothing the set-up keeps.
            const auto root = CRoot::Of(wanted.text, drive, wanted.dir, said);
            // Set before anything looks at the folder: with a kept mark, only the folder whose Records holds
            // it is this disk.
            root->mark = wanted.kept;
            root->reserveBytes = wanted.reserveBytes;
            root->overwrite = wanted.overwrite;
            struct stat own;
            root->driveLink =
                ::lstat(QFile::encodeName(drive.Path).constData(), &own) == 0 && S_ISLNK(own.st_mode);
            look.root = root;

            // The drive's directory must be there, and for a volume be its mount point: creating it, or
            // writing into a volume's folder without its volume, would put the recordings wherever its parent
            // lies (the system disk). Then the Records folder is written to, not just looked at:
            // permissions, read-only mounts, a file or a link in the way all show here.
            if (LookDriveGone(*root)) {
                look.error = LookGoneError(*root);
                // Another folder stands where the disk of the kept mark was: why it is not that disk.
                if (!wanted.kept.isEmpty() && look.error.Replaced) {
                    look.error.Mark = root->MarkMismatch();
                    if (look.error.Mark == STOWELINE_ROOT_ERROR::MARK_MATCHES)
                        look.error.Mark = STOWELINE_ROOT_ERROR::MARK_NONE;
                }
                return look;
            }
            look.refused = root->Probe();
            if (look.refused != 0) {
                look.error = {wanted.text, wanted.dir, look.refused, false};
                return look;
            }
            const CFd records(root->OpenRecords(false));
            struct stat st;
            if (records.Valid() && ::fstat(records.Get(), &st) == 0) {
                look.recordsSeen = true;
                look.recordsDev = st.st_dev;
                look.recordsIno = st.st_ino;
                ReadMark(records.Get(), &look.mark);
                RemoveDeadProbes(records.Get());
            }
            const QString parent = QFileInfo(drive.Path).absolutePath();
            if (::stat(QFile::encodeName(parent).constData(), &st) == 0) {
                look.parentSeen = true;
                look.parentMode = st.st_mode;
                look.parentGroup = st.st_gid;
            }
            return look;
        });
    }
    std::vector<std::optional<CDiskLook>> answers;
    VolumeCall::RunAll<CDiskLook>(keys, std::move(looks), kVolumeBoundMs, &answers);
    std::vector<CDiskLook> result(disks.size());
    for (size_t i = 0; i < answers.size(); ++i) {
        if (answers[i])
            result[i] = std::move(*answers[i]);
    }
    return result;
}

void CStowelineClass::SweepLeftovers(const std::vector<std::shared_ptr<CRoot>>& roots)
{
    std::vector<QString> keys;
    std::vector<std::function<bool()>> sweeps;
    for (const auto& held : roots) {
        // A key of its own: a long sweep of a large disk must not make the disk's looks count as unanswered.
        keys.push_back(QStringLiteral("sweep ") + held->dir);
        // The call may outlive the set-up: it holds the disk.
        sweeps.emplace_back([root = std::shared_ptr<const CRoot>(held)] {
            CReportScope reports; // links and other users' folders are said on this thread
            const CFd records(root->OpenRecords(false));
            if (!records.Valid())
                return false;
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
            return true;
        });
    }
    VolumeCall::RunAll<bool>(keys, std::move(sweeps), kVolumeBoundMs, nullptr);
}

bool CStowelineClass::Init(const STOWELINE_INIT_PARAM* param)
{
    CReportScope reports;
    if (param == nullptr || param->DiskPaths.Count() == 0)
        return Fail(STOWELINE_ERR_PARAM);
    Uninit();

    const auto said = std::make_shared<CSaidOnce>();
    std::vector<CDiskWanted> wanted;
    auto markAt = param->DiskMarks.begin();
    for (const STOWELINE_PATH& entry : param->DiskPaths) {
        CDiskWanted disk;
        disk.text = QFile::decodeName(entry.Path);
        disk.kept = markAt != param->DiskMarks.end() ? QByteArray((markAt++)->Path) : QByteArray();
        // A letter's folder comes from the drive map; a folder given by path is not looked at here, where
        // nothing bounds the wait (whether it is a volume's mount point is asked in its look).
        const bool letter =
            disk.text.size() == 2 && disk.text[1] == QLatin1Char(':') && disk.text[0].isLetter();
        if (letter) {
            disk.drive = ResolveDisk(disk.text);
        } else if (QDir::isAbsolutePath(disk.text)) {
            disk.drive = {QDir::cleanPath(disk.text), false};
            disk.lookVolume = true;
        }
        if (disk.drive.Path.isEmpty())
            return FailRoot({disk.text, QString(), 0, false});
        disk.dir = RecordRootOf(disk.drive.Path);
        disk.reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
        disk.overwrite = param->Overwrite != 0;
        wanted.push_back(disk);
    }
    std::vector<CDiskLook> looks = LookAtDisks(wanted, said);

    std::vector<std::shared_ptr<CRoot>> roots;
    std::vector<std::shared_ptr<CRoot>> usable;
    std::vector<std::shared_ptr<CRoot>> silent;
    // The Records folders of the usable disks, by disk, as their looks found them.
    std::map<const CRoot*, std::pair<dev_t, ino_t>> recordsOf;
    STOWELINE_ROOT_ERROR firstError;
    std::vector<std::pair<QString, QByteArray>> marks;
    for (size_t i = 0; i < wanted.size(); ++i) {
        const CDiskWanted& disk = wanted[i];
        CDiskLook& look = looks[i];
        const QString& text = disk.text;
        const QString& dir = disk.dir;
        std::shared_ptr<CRoot> root = look.root;
        bool answered = root != nullptr;
        if (!answered) {
            // Not looked at again here: left out as a disk that does not answer, and asked again, within
            // its bound, at the next need for room. What only its look could tell stays unknown: whether a
            // folder given by path (never by the settings, which give letters) is a volume's mount point,
            // and whether the drive's folder is a link of the operator's.
            root = CRoot::Of(text, disk.drive, dir, said);
            root->mark = disk.kept;
            root->reserveBytes = disk.reserveBytes;
            root->overwrite = disk.overwrite;
        }
        roots.push_back(root);

        STOWELINE_ROOT_ERROR error;
        bool ok = false;
        if (!answered) {
            error = {text, dir, kNoAnswer, false};
        } else if (!look.error.Drive.isEmpty() && look.refused == 0) {
            error = look.error;
            // Another folder stands where the disk of the kept mark was: waited for, and said now, once
            // for as long as it stays so.
            if (!disk.kept.isEmpty() && error.Replaced)
                SayMarkMismatch(*root, error);
        } else if (look.refused != 0) {
            // Never chosen while it refuses: its folder being there says nothing of its taking files.
            error = look.error;
            root->refused = look.refused;
        } else {
            ok = true;
        }
        // Two chosen disks that lead to one Records folder (a link, a bind mount, one folder through two
        // mounts, one folder chosen twice) are one disk: as two, each would delete the other's newly stored
        // records as stale copies, or as the oldest. Their one mark says so whatever their device numbers.
        if (ok && look.recordsSeen && root->mark.isEmpty()) {
            if (!look.mark.isEmpty()) {
                root->mark = look.mark;
            } else {
                // The first set-up of this disk, or a Records of an earlier version: it gets its mark now,
                // one disk after another, so that a second letter of the same new folder reads the mark the
                // first wrote.
                std::pair<QByteArray, int> written;
                const VolumeCall::OUTCOME outcome = VolumeCall::Run<std::pair<QByteArray, int>>(
                    dir,
                    [held = std::shared_ptr<const CRoot>(root)] {
                        const CFd records(held->OpenRecords(false));
                        const QByteArray mark = records.Valid() ? MarkOf(records.Get()) : QByteArray();
                        return std::make_pair(mark, mark.isEmpty() ? errno : 0);
                    },
                    kVolumeBoundMs, &written);
                if (outcome != VolumeCall::OUTCOME_DONE) {
                    // It answered its look, and went silent since: left out as the others that do not.
                    ok = false;
                    answered = false;
                    error = {text, dir, kNoAnswer, false};
                } else {
                    root->mark = written.first;
                    if (root->mark.isEmpty())
                        qWarning() << "storage: no mark could be written in" << dir
                                   << ::strerror(written.second);
                }
            }
        }
        if (ok && look.recordsSeen) {
            const auto same = std::find_if(usable.begin(), usable.end(), [&](const auto& other) {
                if (!root->mark.isEmpty() && other->mark == root->mark)
                    return true;
                const auto found = recordsOf.find(other.get());
                return found != recordsOf.end() && found->second.first == look.recordsDev &&
                       found->second.second == look.recordsIno;
            });
            if (same != usable.end()) {
                marks.emplace_back(text, (*same)->mark);
                Report(LOG_TYPE_EXCEPTION,
                       QObject::tr(
                           "Disk %1 leads to the same folder as disk %3 (%2); the two are used as one disk.")
                           .arg(text, (*same)->dir, (*same)->drive),
                       true);
                roots.pop_back();
                continue;
            }
        }
        if (!root->mark.isEmpty())
            marks.emplace_back(text, root->mark);
        if (ok) {
            ForgetMarkMismatch(*root);
            SayOpenParent(*root, look);
            root->recordsMade = true;
            if (look.recordsSeen)
                recordsOf[root.get()] = {look.recordsDev, look.recordsIno};
            usable.push_back(root);
        } else {
            // Left out for now: of several disks the others take the records, and this one is reported
            // when a record goes elsewhere.
            if (error.SystemError == ELOOP)
                root->NoteLink(dir);
            if (!answered) {
                root->refused = kNoAnswer;
                error.NoAnswer = true;
                silent.push_back(root);
            }
            if (firstError.Drive.isEmpty())
                firstError = error;
            FailRoot(error);
        }
    }
    if (usable.empty())
        return FailRoot(firstError);
    // Of several disks, one that does not answer is said now, once: the others take the records meanwhile.
    for (const auto& root : silent)
        ReportGone(*root, {root->drive, root->dir, kNoAnswer, false});

    // Temporary files that no live record owns were left by a crash: they never become records.
    SweepLeftovers(usable);

    std::vector<std::shared_ptr<CRoot>> searchOnly =
        SearchOnlyRoots(param->SearchOnlyPaths, param->SearchOnlyMarks, roots, said);
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
    m_marks = std::move(marks);
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
        m_marks.clear();
        m_init = false;
        ++m_generation;
    }
    // A record nobody closed is unfinished: it must not look stored. A disk that did not answer for one
    // record is not waited for again for the next: theirs are removed once it answers.
    std::set<const CRoot*> silent;
    for (auto& [id, record] : open) {
        std::lock_guard recordLock(record->mutex);
        record->closed = true;
        const CRoot* root = record->root.get();
        if (!record->Discard(silent.count(root) != 0))
            silent.insert(root);
    }
}

std::vector<std::pair<QString, QByteArray>> CStowelineClass::SetUpMarks() const
{
    std::lock_guard lock(m_mutex);
    return m_marks;
}

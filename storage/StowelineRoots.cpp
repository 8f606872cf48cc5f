// Which disk takes a record: a root whose drive has gone (or whose volume is not mounted) is left out and
// reported once while the others take the records; its Records folder is made again where the drive is there.
#include "storage/CStowelineClass.h"

#include "storage/StowelineMarks.h"
#include "storage/StowelineOwnership.h"
#include "storage/StowelineParts.h"

#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "storage/CreateStorage.h"

#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>
#include <sys/statvfs.h>

using namespace FileHandles;
using namespace StowelineDetail;

int CStowelineClass::CRoot::OpenRecords(bool create) const
{
    const CFd drive(::open(QFile::encodeName(driveDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!drive.Valid())
        return -1;
    // The folder the set-up found, checked on the handle that is used: never a link or folder put in its
    // place.
    if (!SameFolder(drive.Get())) {
        errno = ENOENT;
        return -1;
    }
    const int fd =
        create ? OpenOrMakeSubDir(drive.Get(), kRecordsFolder) : OpenSubDir(drive.Get(), kRecordsFolder);
    // Another user's Records folder is the disk's own refusal: nothing on it can be used.
    if (fd < 0 && errno == kForeignFolder)
        errno = EPERM;
    return GuardRecords(fd, create);
}

void CStowelineClass::CRoot::NoteLink(const QString& path) const
{
    if (said->First(QStringLiteral("link ") + path))
        ReportAlike(LOG_TYPE_EXCEPTION,
                    QObject::tr("A link below a record disk's folder is left alone: %1.").arg(path),
                    said->repeats, QStringLiteral("link ") + dir,
                    QObject::tr("A link below the record disk's folder %1 is left alone").arg(dir));
}

int CStowelineClass::CRoot::OpenRecordFolder(const QByteArray& name, const QByteArray& day, bool create,
                                             bool* atRecords, QString* foreignAt) const
{
    if (atRecords != nullptr)
        *atRecords = false;
    const auto open = [&](int parent, const QByteArray& sub, const QString& path) {
        const int fd = create ? OpenOrMakeSubDir(parent, sub) : OpenSubDir(parent, sub);
        if (fd < 0 && errno == ELOOP) {
            NoteLink(path);
            errno = ELOOP;
        } else if (fd < 0 && errno == kForeignFolder) {
            NoteRefusedFolder(path, kForeignFolder);
            if (foreignAt != nullptr)
                *foreignAt = path;
            errno = foreignAt != nullptr ? kForeignFolder : EPERM;
        }
        return fd;
    };
    const CFd records(OpenRecords(create));
    if (!records.Valid()) {
        const int error = errno;
        if (error == ELOOP)
            NoteLink(dir);
        if (atRecords != nullptr)
            *atRecords = true;
        errno = error;
        return -1;
    }
    const QString namePath = dir + QLatin1Char('/') + QFile::decodeName(name);
    const CFd nameDir(open(records.Get(), name, namePath));
    if (!nameDir.Valid())
        return -1;
    return open(nameDir.Get(), day, namePath + QLatin1Char('/') + QFile::decodeName(day));
}

int CStowelineClass::CRoot::Probe(const WriteFault* flushFault) const
{
    const auto refusal = [] { return IsNoRoom(errno) ? 0 : errno != 0 ? errno : EIO; };
    const CFd records(OpenRecords(true));
    if (!records.Valid())
        return refusal();
    // A name of its own for each probe: two letters of one folder are probed side by side at the set-up.
    static std::atomic<quint64> s_probes{0};
    const QByteArray probe =
        ".probe-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++s_probes);
    ::unlinkat(records.Get(), probe.constData(), 0); // one left by a crash of an earlier process of this id
    const CFd probeFile(CreateFileAt(records.Get(), probe));
    if (!probeFile.Valid())
        return refusal();
    // A dying disk may still make an entry from its cache and fail only at the bytes: a block is written
    // and made durable, as a record's are, before the disk counts as one that takes files.
    static const char block[4096] = {};
    const int fault = flushFault != nullptr && *flushFault
                          ? (*flushFault)(dir + QLatin1Char('/') + QFile::decodeName(probe))
                          : 0;
    const bool written = WriteAll(probeFile.Get(), block, sizeof block) &&
                         (fault != 0 ? (errno = fault, false) : ::fdatasync(probeFile.Get()) == 0);
    const int cause = written ? 0 : refusal();
    ::unlinkat(records.Get(), probe.constData(), 0);
    return cause;
}

int CStowelineClass::CRoot::ProbeBounded()
{
    // The call may outlive its caller: it holds the root.
    const std::shared_ptr<const CRoot> self = shared_from_this();
    std::shared_ptr<const WriteFault> fault;
    {
        std::lock_guard lock(mutex);
        fault = probeFault;
    }
    int refusal = kNoAnswer;
    const VolumeCall::OUTCOME outcome = VolumeCall::Run<int>(
        dir,
        [self, fault] {
            CReportScope reports; // said on this thread once the probe's lock is released
            std::lock_guard lock(self->probeMutex);
            return LookDriveGone(*self) ? ENOENT : self->Probe(fault.get());
        },
        kVolumeBoundMs, &refusal);
    return outcome == VolumeCall::OUTCOME_DONE ? refusal : kNoAnswer;
}

bool CStowelineClass::CRoot::Answers() const
{
    const std::shared_ptr<const CRoot> self = shared_from_this();
    bool answered = false;
    return VolumeCall::Run<bool>(
               dir,
               [self] {
                   // What choosing the disk reads of it: its folder and its free room.
                   struct statvfs fs;
                   LookDriveGone(*self);
                   ::statvfs(QFile::encodeName(self->driveDir).constData(), &fs);
                   return true;
               },
               kVolumeBoundMs, &answered) == VolumeCall::OUTCOME_DONE;
}

bool CStowelineClass::DriveGone(const CRoot& root)
{
    // Looked at within the disk's bound, wherever it is asked from (often with the disk's lock held): a disk
    // that does not answer is not there for the records.
    const std::shared_ptr<const CRoot> self = root.shared_from_this();
    bool gone = true;
    return VolumeCall::Run<bool>(
               root.dir, [self] { return LookDriveGone(*self); }, kVolumeBoundMs, &gone) !=
               VolumeCall::OUTCOME_DONE ||
           gone;
}

STOWELINE_ROOT_ERROR CStowelineClass::GoneError(const CRoot& root)
{
    const std::shared_ptr<const CRoot> self = root.shared_from_this();
    STOWELINE_ROOT_ERROR error{root.drive, root.dir, kNoAnswer, false};
    VolumeCall::Run<STOWELINE_ROOT_ERROR>(
        root.dir, [self] { return LookGoneError(*self); }, kVolumeBoundMs, &error);
    return error;
}

bool CStowelineClass::LookDriveGone(const CRoot& root)
{
    // A volume that is no longer mounted leaves its empty mount point on the disk below: not a disk.
    if (!QFileInfo(root.driveDir).isDir() || (root.volume && !CDriveMap::IsMountPoint(root.driveDir)))
        return true;
    // A folder that is there but refuses to be opened is not gone: its refusal is said where it is used.
    const CFd drive(::open(QFile::encodeName(root.driveDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return drive.Valid() && !root.SameFolder(drive.Get());
}

STOWELINE_ROOT_ERROR CStowelineClass::LookGoneError(const CRoot& root)
{
    const QFileInfo drive(root.driveDir);
    if (drive.isDir() && root.volume && !CDriveMap::IsMountPoint(root.driveDir))
        return {root.drive, root.driveDir, 0, true};
    if (drive.isDir() || (drive.isSymLink() && !root.driveLink))
        return {root.drive, root.driveDir, 0, false, true};
    return {root.drive, root.driveDir, drive.exists() ? ENOTDIR : 0, false};
}

void CStowelineClass::ReportGone(CRoot& root, const STOWELINE_ROOT_ERROR& error)
{
    if (root.goneReported)
        return;
    root.goneReported = true;
    Report(LOG_TYPE_EXCEPTION,
           DescribeRootError(error) + QLatin1Char(' ') + QObject::tr("The other disks take the records."),
           true);
}

void CStowelineClass::NoteRootError(CRoot& root, int systemError)
{
    bool silent = systemError == kNoAnswer;
    {
        std::lock_guard lock(root.mutex);
        silent = silent || root.refused == kNoAnswer;
    }
    // One that did not answer is named so, and not looked at: any look would wait on it again.
    if (silent) {
        t_rootError = {root.drive, root.dir, kNoAnswer, false};
        return;
    }
    if (DriveGone(root)) {
        t_rootError = GoneError(root);
        return;
    }
    const CFd records(root.OpenRecords(false));
    if (!records.Valid())
        t_rootError = {root.drive, root.dir, errno == ENOENT ? 0 : errno, false};
    else
        t_rootError = {root.drive, root.dir, systemError != 0 ? systemError : EIO, false};
}

bool CStowelineClass::EnsureRootFolder(CRoot& root, STOWELINE_ROOT_ERROR* error)
{
    STOWELINE_ROOT_ERROR ignored;
    STOWELINE_ROOT_ERROR& cause = error != nullptr ? *error : ignored;
    // A disk left out for not answering is not touched at all, not even looked at: any look may wait on it,
    // and its caller holds the disk's lock. It is asked again, within its bound, at the next need for room.
    if (root.refused == kNoAnswer) {
        cause = {root.drive, root.dir, kNoAnswer, false};
        return false;
    }
    if (DriveGone(root)) {
        cause = GoneError(root);
        return false;
    }
    // A disk that refused a record for a cause of its own is not chosen again because its folder is there.
    if (root.refused != 0) {
        cause = {root.drive, root.dir, root.refused, false};
        return false;
    }
    struct stat st;
    const CFd drive(::open(QFile::encodeName(root.driveDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const bool missing = drive.Valid() &&
                         ::fstatat(drive.Get(), kRecordsFolder.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 &&
                         errno == ENOENT;
    const CFd records(root.OpenRecords(true));
    if (!records.Valid()) {
        cause = {root.drive, root.dir, errno, false};
        if (errno == ELOOP)
            root.NoteLink(root.dir);
        return false;
    }
    {
        // A Records made again gets the disk's mark again, so the next start knows the disk; one first made
        // now (the disk was not there at the set-up) gets its first mark.
        std::lock_guard identity(root.identityMutex);
        if (root.mark.isEmpty())
            root.mark = MarkOf(records.Get());
        else if (missing && !WriteMark(records.Get(), root.mark))
            qWarning() << "storage: the mark could not be written again in" << root.dir << ::strerror(errno);
    }
    if (missing) {
        // Moved away or deleted: the records it held are no longer found, and the operator hears of it.
        QString drive = root.drive;
        if (drive.endsWith(QLatin1Char(':')))
            drive.chop(1);
        if (root.recordsMade)
            Report(
                LOG_TYPE_EXCEPTION,
                QObject::tr("Disk %1: the folder %2 had gone; it was made again, and the records stored in "
                            "it before are no longer found there.")
                    .arg(drive, root.dir),
                true);
        root.oldest.clear();
        root.exhausted = false;
        root.estimate = -1;
    }
    root.goneReported = false;
    root.recordsMade = true;
    return true;
}

void CStowelineClass::LeaveOut(CRoot& root, int systemError)
{
    qWarning() << "storage: drive" << root.drive << "at" << root.dir
               << "left out:" << ::strerror(systemError);
    root.refused = systemError;
    root.oldest.clear();
    root.oldestCut = false;
    root.estimate = 0;
}

bool CStowelineClass::ProbeLeftOut(const std::vector<std::shared_ptr<CRoot>>& roots, CRoomPass& pass)
{
    if (pass.reprobed)
        return false;
    pass.reprobed = true;
    bool back = false;
    for (const auto& root : roots) {
        {
            std::lock_guard lock(root->mutex);
            if (root->refused == 0)
                continue;
        }
        // Asked without the disk's lock, within its bound: a disk whose writes stall holds up nothing but
        // this need for room, and only for its bound.
        const int error = root->ProbeBounded();
        std::lock_guard lock(root->mutex);
        if (root->refused == 0 || error == ENOENT)
            continue; // taken back meanwhile, or gone: said as gone where it is chosen
        if (error == 0) {
            root->refused = 0;
            root->exhausted = false;
            root->estimate = -1;
            root->goneReported = false; // a new refusal is said again
            back = true;
            Report(LOG_TYPE_OPERATION,
                   QObject::tr("Disk %1: the folder %2 takes records again.")
                       .arg(root->drive.endsWith(QLatin1Char(':')) ? root->drive.chopped(1) : root->drive,
                            root->dir),
                   false);
        } else {
            root->refused = error;
        }
    }
    return back;
}

bool CStowelineClass::AnswersOrLeftOut(CRoot& root, bool say)
{
    {
        std::lock_guard lock(root.mutex);
        // Left out for not answering: not looked at again until it is asked again (ProbeLeftOut).
        if (root.refused == kNoAnswer)
            return false;
    }
    if (root.Answers())
        return true;
    std::lock_guard lock(root.mutex);
    LeaveOutSilent(root, say);
    return false;
}

void CStowelineClass::LeaveOutSilent(CRoot& root, bool say)
{
    if (root.refused == 0)
        LeaveOut(root, kNoAnswer);
    if (say)
        ReportGone(root, STOWELINE_ROOT_ERROR{root.drive, root.dir, kNoAnswer, false});
}

bool CStowelineClass::OtherRootUsable(const COpenRecord& record)
{
    return std::any_of(record.roots.begin(), record.roots.end(), [&](const auto& root) {
        // Looked at within its bound before its lock is taken.
        if (root == record.root || !AnswersOrLeftOut(*root))
            return false;
        std::lock_guard lock(root->mutex);
        return EnsureRootFolder(*root);
    });
}

std::shared_ptr<CStowelineClass::CRoot>
CStowelineClass::RoomiestOtherRoot(const COpenRecord& record, qint64 needed,
                                   const std::set<const CRoot*>& passedOver)
{
    std::shared_ptr<CRoot> best;
    qint64 bestRoom = needed - 1;
    for (const auto& root : record.roots) {
        if (root == record.root || passedOver.count(root.get()) != 0 ||
            QFile::encodeName(root->dir + QLatin1Char('/') + record.relativePath).size() > kMaxPathBytes ||
            !AnswersOrLeftOut(*root))
            continue;
        std::lock_guard lock(root->mutex);
        if (!EnsureRootFolder(*root))
            continue;
        const qint64 room = Available(*root);
        if (room > bestRoom) {
            best = root;
            bestRoom = room;
        }
    }
    return best;
}

std::shared_ptr<CStowelineClass::CRoot> CStowelineClass::ChooseRoot(const COpenRecord& record,
                                                                    CRoomPass& pass)
{
    const QString& relativePath = record.relativePath;
    for (;;) {
        std::shared_ptr<CRoot> best;
        qint64 bestRoom = 0;
        bool anyFits = false;
        bool anyThere = false;
        std::vector<std::pair<std::shared_ptr<CRoot>, STOWELINE_ROOT_ERROR>> gone;
        for (const auto& root : record.roots) {
            if (QFile::encodeName(root->dir + QLatin1Char('/') + relativePath).size() > kMaxPathBytes)
                continue;
            anyFits = true;
            // Looked at within its bound before its lock is taken: a disk that does not answer is left out
            // and named, and holds up neither this open nor any other. One left out for it already is not
            // looked at again.
            if (!AnswersOrLeftOut(*root, false)) {
                gone.emplace_back(root, STOWELINE_ROOT_ERROR{root->drive, root->dir, kNoAnswer, false});
                continue;
            }
            std::lock_guard lock(root->mutex);
            // A root whose folder is gone has no room by the file system's figure; it is not full.
            STOWELINE_ROOT_ERROR error;
            if (!EnsureRootFolder(*root, &error)) {
                gone.emplace_back(root, error);
                continue;
            }
            root->estimate = Available(*root);
            root->sinceRefresh = 0;
            if (root->refused == kNoAnswer) {
                gone.emplace_back(root, STOWELINE_ROOT_ERROR{root->drive, root->dir, kNoAnswer, false});
                continue;
            }
            anyThere = true;
            // Where deleting gave back nothing, room seen to grow since (the bin emptied, the snapshots
            // gone) lets overwrite try again.
            if (root->fruitless && FreeRoom(*root) > root->fruitlessFree)
                root->fruitless = false;
            // Room freed for records being written is not that of a record that takes free room only.
            const qint64 room = root->estimate - (record.freeRoomOnly ? root->held : 0);
            if (room > bestRoom) {
                best = root;
                bestRoom = room;
            }
        }
        if (!anyFits) {
            Fail(STOWELINE_ERR_PARAM);
            return nullptr;
        }
        if (!anyThere) {
            // No disk left: one that refused a record may take files again (remounted, repaired).
            if (ProbeLeftOut(record.roots, pass))
                continue;
            FailRoot(gone.front().second);
            return nullptr;
        }
        // Of several disks, one that cannot be used is named once while the others take the records.
        for (auto& [root, error] : gone) {
            std::lock_guard lock(root->mutex);
            ReportGone(*root, error);
        }
        if (best)
            return best;
        if (!Replenish(record, pass)) {
            Fail(record.freeRoomOnly ? STOWELINE_ERR_NO_FREE_ROOM : STOWELINE_ERR_DISK_FULL);
            return nullptr;
        }
    }
}

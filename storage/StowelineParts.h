#pragma once

// The parts of the storage object that its files share: a root (one disk's Records folder with its room and
// overwrite list), a record being written, one need for room, and the running backups whose records are
// spared.

#include "storage/CStowelineClass.h"
#include "storage/StowelineNames.h"
#include "storage/StowelineReports.h"

#include "platform/DriveMap.h"
#include "platform/FileHandles.h"
#include "platform/VolumeCall.h"

#include <QDebug>
#include <QFile>
#include <QObject>

#include <atomic>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace StowelineDetail {

constexpr qint64 kMiB = 1024 * 1024;
// The free-space figure is read again after this much was written, so other writers on the disk are noticed.
constexpr qint64 kRefreshEvery = 64 * kMiB;
constexpr size_t kCopyChunk = 1024 * 1024;
// The overwrite list of a disk holds at most this many of its oldest records, however many it has.
constexpr qsizetype kOldestListed = 256;
// The refusal of a disk that did not answer within its bound (a frozen file system, a silent network share,
// a stopped FUSE daemon): left out as a disk that refuses files, and named as one that does not answer.
constexpr int kNoAnswer = ETIMEDOUT;
// How long a disk is given to answer one call that may wait on it while the others go on.
constexpr int kVolumeBoundMs = 10000;
// Deletions in a row on one disk that gave back no room: deleting there frees nothing (a recycle bin,
// snapshots or other links keep the files), and no more is deleted there for want of room.
constexpr int kFruitlessDeletions = 3;

extern thread_local quint64 t_backup;
bool IsStoredByRunningBackup(const QString& path);
void NoteStored(quint64 backup, const QString& path);
// How many backups have ended so far: a list made while one ran passed its records over, and is made again
// once any has ended.
quint64 BackupsEnded();

qint64 FileSystemFreeSpace(const QString& directory);

// The directory (and whether it stands for a volume) of a disk given as "D:" or as an absolute directory; an
// empty path when a letter has none or the text is neither.
DRIVE_MAP_ENTRY ResolveDisk(const QString& text);

// Want of room at a refused create, write, flush or rename: overwrite may help. Every other refusal is
// weighed by asking the disk (CStowelineClass::Judge), never by its number.
inline bool IsNoRoom(int error)
{
    return error == ENOSPC || error == EDQUOT;
}
// Of a record's own failures, those where an entry of its own stands at its name: said as such.
inline bool IsNameCause(int error)
{
    return error == EISDIR || error == ENOTEMPTY || error == EEXIST || error == ENOTDIR || error == ELOOP;
}

} // namespace StowelineDetail

struct CStowelineClass::CStored
{
    qint64 stored = 0; // when it was stored, in nanoseconds
    qint64 size = 0;
    QString path;
    QByteArray name, day, file; // its folders below Records, and its file name
};

struct CStowelineClass::CRoot : std::enable_shared_from_this<CStowelineClass::CRoot>
{
    // Fixed at Init.
    QString drive;    // as the set-up named it
    QString driveDir; // the directory the drive stands for
    // driveDir stands for a volume's mount point: without its volume it is a folder of another disk, never
    // written.
    bool volume = false;
    QString dir;
    qint64 reserveBytes = 0;
    bool overwrite = true;
    StowelineFreeSpaceProvider freeSpace;
    std::shared_ptr<const WriteFault> probeFault; // guarded by mutex, as freeSpace
    std::shared_ptr<StowelineDetail::CSaidOnce> said;
    bool driveLink = false; // driveDir ended in a link at the set-up (the operator's own)

    // A disk named `drive` by the set-up, found at `disk`, its Records folder `dir`: the part of its set-up
    // that a chosen disk and a disk only searched share.
    static std::shared_ptr<CRoot> Of(const QString& drive, const DRIVE_MAP_ENTRY& disk, const QString& dir,
                                     const std::shared_ptr<StowelineDetail::CSaidOnce>& said)
    {
        auto root = std::make_shared<CRoot>();
        root->drive = drive;
        root->driveDir = disk.Path;
        root->volume = disk.Volume;
        root->dir = dir;
        root->said = said;
        return root;
    }

    // The drive's folder as the set-up found it (or as first seen, when it was not there then). Another user
    // who may write its parent could swap it for a link or a folder of theirs: a folder that is no longer
    // this one is gone, never written. A volume's mount point takes the identity of another volume mounted
    // there (a swapped disk), never that of a link put in its place.
    struct CFolderId
    {
        dev_t dev;
        ino_t ino;
        // The file system's id: another volume mounted on the same device number shows the same device and
        // inode, but (where its id comes from its UUID, as for ext4 or tmpfs) not the same id.
        quint64 fsid;
    };
    mutable std::mutex identityMutex;
    mutable std::optional<CFolderId> identity;
    // The station's mark its Records holds (StowelineMarks.h), guarded by identityMutex: kept by the settings
    // or found at the set-up. Once known it decides which folder is this disk; the folder's identity above
    // is only a quick hint.
    mutable QByteArray mark;
    QByteArray Mark() const
    {
        std::lock_guard lock(identityMutex);
        return mark;
    }
    // Of a search-only disk: the mark the settings keep for its letter (the station wrote to it). It only
    // says whether a disk that cannot be searched is named; the folder found is searched whatever it holds.
    QByteArray keptMark;
    // Why the folder at driveDir is not the disk of the kept mark (for the operator); MARK_MATCHES when it
    // is.
    STOWELINE_ROOT_ERROR::MARK_MISMATCH MarkMismatch() const;
    // Bumped when another volume was mounted at the mount point: the overwrite list was the old volume's.
    mutable std::atomic<quint64> volumeSwaps{0};
    // True when the open folder `fd` (the drive's folder as it stands) is the set-up's folder, taking a
    // swapped volume's.
    bool SameFolder(int fd) const;

    // Guarded by mutex: the room left by our own reckoning, and the closed records next in line for deletion.
    std::mutex mutex;
    qint64 estimate = -1;
    bool exhausted = false; // the file system said it is full; no room until something is deleted here
    qint64 sinceRefresh = 0;
    std::deque<CStored> oldest;
    bool goneReported = false; // reported as left out; cleared once it can be used again
    bool recordsMade = false;  // its Records folder was there once: one that vanishes later is said
    // The errno with which the disk refused a record for a cause of its own: it is left out (never chosen,
    // listed or deleted from) until the next set-up, or until a probe finds it writable when no disk is left.
    int refused = 0;
    // The list holds only the oldest records of the disk, not all of them: listed again once it is used up.
    bool oldestCut = false;
    // Room that overwrite freed here for records still being written (COpenRecord::held): never taken by a
    // record that takes free room only.
    qint64 held = 0;
    // The list passed over records that running backups had stored (BackupsEnded() was listedEnds then): once
    // one of them ended, its records may be older than all the list holds, and it is made again.
    bool passedOver = false;
    quint64 listedEnds{};
    quint64 listedSwaps{}; // volumeSwaps when the list was made
    // Deleting records here gave back no room (kFruitlessDeletions in a row): nothing more is deleted here
    // until its free room is seen above `fruitlessFree`, or the next set-up.
    bool fruitless = false;
    qint64 fruitlessFree = 0;

    // The Records folder, opened without following a link below the drive's folder; `create`: made when it is
    // missing. -1 with errno.
    int OpenRecords(bool create) const;

    // A link met below the drive's folder is left alone, and named once.
    void NoteLink(const QString& path) const;
    // A folder refused for its owner (kForeignFolder from OpenSubDir) is left alone, and named once.
    void NoteRefusedFolder(const QString& path, int error) const;
    // The opened Records folder `fd` as the storage may use it (StowelineOwnership.h): with `close`, closed
    // to other users first when it is open to them; -1 with errno EPERM (and `fd` closed) while other users
    // may write to it.
    int GuardRecords(int fd, bool close) const;

    // Opens (and with `create` makes) the folders of one record: Records, the name's and the day's. The
    // day's folder, or -1 with errno.
    // `atRecords`, when given, tells whether the failure was the Records folder's (the disk's, not the
    // name's). A folder of another user at the name or the day concerns that record's place alone: with
    // `foreignAt` given, errno is kForeignFolder and the folder's path is put there; else it is EPERM.
    int OpenRecordFolder(const QByteArray& name, const QByteArray& day, bool create,
                         bool* atRecords = nullptr, QString* foreignAt = nullptr) const;
    // Writes and removes a probe file in the Records folder: 0 when the disk takes a file or has merely no
    // room left even for the probe (full, not faulty: overwrite makes room there), else the errno.
    // `flushFault`, when given, stands for the disk's answer to the block's flush (SetProbeFault).
    int Probe(const WriteFault* flushFault = nullptr) const;
    // One probe at a time on the disk once it is set up; held on the probe's own thread only.
    mutable std::mutex probeMutex;
    // Probe, made within the disk's bound on a call of its own and without any lock held: kNoAnswer when
    // the disk did not answer; a disk gone counts as refusing (ENOENT).
    int ProbeBounded();
    // The disk answers a look at its folder and its free room within its bound: a disk that does not is
    // never waited for under a lock that other disks need.
    bool Answers() const;
};

// One chosen disk of the set-up, as it is to be looked at (LookAtDisks).
struct CStowelineClass::CDiskWanted
{
    QString text;          // as the set-up named it
    DRIVE_MAP_ENTRY drive; // its folder, and for a letter whether it stands for a volume (the drive map's)
    // A folder given by path: whether it is a volume's mount point is asked in its look, as the question
    // itself waits on a silent volume.
    bool lookVolume = false;
    QString dir;     // its Records folder
    QByteArray kept; // the mark kept for it; empty for a new choice
    qint64 reserveBytes = 0;
    bool overwrite = true;
};

// What the set-up saw of one chosen disk (LookAtDisks), looked at on a call of its own.
struct CStowelineClass::CDiskLook
{
    // The disk, made by its look: whether it is a volume, its folder's identity and the kept mark. Null when
    // the disk did not answer within its bound.
    std::shared_ptr<CRoot> root;
    // Why it cannot be used, when it cannot (Drive empty when it can): its folder gone or replaced, or the
    // probe's refusal (`refused`).
    STOWELINE_ROOT_ERROR error;
    int refused = 0;
    // Its Records folder, opened after the probe: its device and inode, and the station's mark found in it
    // (empty when there is none).
    bool recordsSeen = false;
    dev_t recordsDev = 0;
    ino_t recordsIno = 0;
    QByteArray mark;
    // The folder above the drive's folder, as stat saw it (who may move the disk's folder away).
    bool parentSeen = false;
    mode_t parentMode = 0;
    gid_t parentGroup = 0;
};

struct CStowelineClass::COpenRecord
{
    std::vector<std::shared_ptr<CRoot>> roots; // every root of the set-up, for moving and overwriting
    QString relativePath;                      // below a root: <name>/<day>/<file>
    QByteArray name, day, fileName;            // the parts of relativePath
    STOWELINE_DISKFULL_CALLBACK callback = nullptr;
    bool overwrite = true;
    // Nothing vouches for its size: it takes free room only, never a deleted record's, and never calls the
    // disk-full callback.
    bool freeRoomOnly = false;
    std::shared_ptr<const WriteFault> writeFault;
    quint64 backup = 0; // the running backup that opened it, CStowelineBackupScope
    std::shared_ptr<const WriteFault> syncFault;
    std::shared_ptr<const WriteFault> openFault;
    std::shared_ptr<const WriteFault> renameFault;
    std::shared_ptr<const WriteFault> folderSyncFault;
    std::shared_ptr<const WriteFault> readFault;

    std::mutex mutex; // one operation at a time on the file; guards everything below
    std::shared_ptr<CRoot> root;
    // The record's own calls on its disk (its writes, flushes, rename, folder syncs, close and removal), in
    // order on a thread of their own and each within the disk's bound: a disk that goes silent under the
    // record holds its caller (and the Stop that gives the record up) for the bound at most. A record moved
    // to another disk gets a new one, so that the old disk's wait is never the new disk's. The handles below
    // are closed on it, after the calls that use them.
    std::unique_ptr<VolumeCall::CLane> lane;
    // The block being written, copied: a write left on a silent disk may read it after its caller has gone.
    std::shared_ptr<std::vector<uint8_t>> block;
    FileHandles::CFd dayDir; // the folder it is written in, held: its close never walks a path again
    QByteArray tempName;
    QString tempPath;
    QString finalPath;
    FileHandles::CFd file;
    qint64 written = 0;
    bool failed = false;
    bool closed = false;
    bool stored = false;
    // What overwrite deleted to make room for this record: reported as one run when the record ends.
    int deletedFiles = 0;
    qint64 deletedBytes = 0;
    // Of the room overwrite freed for it, what it has not written yet, by root (counted in CRoot::held too).
    std::map<const CRoot*, qint64> held;

    // Whatever way the record ends, a record that was not stored leaves no partial file behind.
    ~COpenRecord();

    // Closes the record's handles and removes its partial file unless it was stored, on its lane after the
    // calls before: within the disk's bound, or posted (never waited for) when the lane is stuck or `post`.
    // False when the disk did not answer within the bound, or was not waited for.
    bool Discard(bool post = false);
    // Runs `call` (0 or an errno) on the record's lane within its disk's bound: kNoAnswer when the disk did
    // not answer, or an earlier call on it has not come back.
    int OnLane(std::function<int()> call);

    // The root's path of a file in the record's day folder.
    QString PathOn(const CRoot& on, const QByteArray& entry) const;
};

// One need for room: each root is listed at most once, so a disk whose records cannot be deleted is seen
// through once and the need ends, never listed again and again.
struct CStowelineClass::CRoomPass
{
    std::set<const CRoot*> listed;
    // Folders whose records could not be deleted in this pass: not listed again while it lasts.
    std::set<QString> undeletable;
    bool reprobed = false; // the left-out disks were probed again in this pass
    int files = 0;
    qint64 bytes = 0;
    std::map<const CRoot*, qint64> freed; // what the deletions freed, by root, not yet held for the record
    // Deletions in a row that gave back no room, and the bytes they should have given, by root.
    std::map<const CRoot*, std::pair<int, qint64>> fruitless;
};

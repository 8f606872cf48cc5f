#pragma once

// The storage library: record files under one directory root per drive letter.
//
// Layout under each root: <record name, encoded>/<YYYYMMDD of the start>/<start>_<stop>_<type>.rec, the times
// as YYYYMMDDhhmmss. A record is written under a hidden temporary name beside its final one and renamed when
// it is closed, so a half-written record never looks complete; a record that is not stored leaves no
// temporary file behind (one a crash left is removed by the next Init, or when its day folder is next
// written). Every operation may be called from any thread.
//
// Another user may be able to write to a disk's folder (a shared volume, a folder such as /dev/shm): below
// the drive's own folder no symbolic link is ever followed. Folders are walked, files created, renamed and
// deleted relative to open directory handles; a link met there is left alone and named once in the log. Nor
// is a folder of another user used there, and Records must be closed to other users' writes: the set-up
// closes the station's own (0700), and refuses a disk whose Records is another user's (StowelineOwnership.h).
// Records are created 0600 in folders created 0700: the video is as private as the passwords.
//
// Overwrite is never silent: each record deleted to make room is written to the operation log (recorder,
// channel, time range), and each record that made deletions reports them as one event, with the number of
// files and megabytes (CStorageEvents). A disk of several that cannot be used is left out (the others take
// the records) and reported once as an event and in the log, until it is usable again.

#include "storage/StowelineRecords.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace StowelineDetail {
struct CSaidOnce;
}

// Bytes free for writing on the file system that holds the directory; a negative value means unknown (no
// room).
using StowelineFreeSpaceProvider = std::function<qint64(const QString& directory)>;

// The provider that objects take when they are constructed (the file system's figure when none is set). Tests
// use it to give roots a small quota; an empty function restores the file system's figure.
void SetDefaultFreeSpaceProvider(StowelineFreeSpaceProvider provider);
StowelineFreeSpaceProvider GetDefaultFreeSpaceProvider();

// Why a disk root was refused, for a message that names the folder and the cause.
struct STOWELINE_ROOT_ERROR
{
    QString Drive;           // as the set-up named it: "D:" or a directory
    QString Path;            // the directory it stands for; empty when the letter has none
    int SystemError = 0;     // errno of the refused check (ELOOP: a link stands there); 0 when it is missing
    bool NotMounted = false; // Path is there, but the volume it stands for is not mounted on it
    // Path is no longer the folder that was set up: it was moved away, and a link or another folder stands
    // in its place. Never written through; waited for until the set-up's folder is back.
    bool Replaced = false;
    // Path did not answer within its bound (a network share whose server went silent, a FUSE volume whose
    // daemon stopped): passed over, never waited for.
    bool NoAnswer = false;
    // With Replaced, for a disk whose mark is kept: why the folder found is not that disk.
    enum MARK_MISMATCH
    {
        MARK_MATCHES = 0,
        MARK_OTHER,   // its Records holds the mark of another disk
        MARK_NONE,    // its Records holds no mark, or there is no Records
        MARK_FOREIGN, // its Records, or what stands at the mark's name, is not the station's own
        MARK_LINK,    // a link the station did not choose stands at the disk's folder
    };
    MARK_MISMATCH Mark = MARK_MATCHES;
};

// A backup run on the calling thread, for as long as the object lives. The records that this thread opens
// meanwhile, once stored, are never deleted to make room while any such run that stored them lasts: an older
// day backed up onto a full disk must not eat its own files. Runs do not nest.
class CStowelineBackupScope
{
public:
    CStowelineBackupScope();
    ~CStowelineBackupScope();
    CStowelineBackupScope(const CStowelineBackupScope&) = delete;
    CStowelineBackupScope& operator=(const CStowelineBackupScope&) = delete;

private:
    quint64 m_id;
};

class CStowelineClass
{
public:
    CStowelineClass();
    ~CStowelineClass();
    CStowelineClass(const CStowelineClass&) = delete;
    CStowelineClass& operator=(const CStowelineClass&) = delete;

    // Resolves the roots ("D:" through the drive map, or an absolute directory), creates their Records
    // folders, checks them and removes leftover temporary files. False with GetLastError() and
    // GetLastRootError() set when no root can be used (missing, unwritable, a volume's folder without its
    // volume, a link for Records); the drive's own directory is never created. Of several roots, those that
    // cannot be used are left out, and reported once when a record goes elsewhere: a gone drive until it is
    // back, a disk that refuses a file (read-only, I/O error, no permission) until the next set-up, or until
    // it takes a probe file again when no other disk is left. The disks are looked at side by side, each
    // within the disks' bound: one that does not answer (a silent network share, a stopped FUSE daemon, a
    // frozen file system) is left out and said at once, and asked again at the next need for room; when
    // none is left it is the refused root (NoAnswer), a disk that is not there. Init never waits much longer
    // than one bound, however many disks are silent.
    bool Init(const STOWELINE_INIT_PARAM* param);
    // Drops the roots; a record still open is discarded (it never becomes a stored file).
    void Uninit();

    // Opens the record of one key under a record name, on the root with the most room. A root whose Records
    // folder has gone (a remount, a swapped disk) gets it again. A refusal of the record's folders or file is
    // weighed by Judge: a root that refuses files is left out and the next one is tried; one that refuses
    // them for want of room (ENOSPC, EDQUOT) counts as full, as at a write. False when the disks are full
    // (stop mode, or nothing left to overwrite: the disk-full callback is called), no root can be used
    // (STOWELINE_ERR_ROOT), an entry of its own stands at the record's folder or file name
    // (STOWELINE_ERR_NAME), its own folder or file is refused while its disk takes files
    // (STOWELINE_ERR_RECORD), the key or name
    // is bad, the stored file's path would not fit a search answer (so it could never be found), or the same
    // record is open already. `reserved` is 0 or STOWELINE_OPEN_FREE_ROOM_ONLY: such a record never has a
    // record deleted for it nor the callback called, and fails with STOWELINE_ERR_NO_FREE_ROOM instead of
    // a full disk, at its open, writes and close alike.
    //
    // Overwrite makes one pass over the deletable records for each need of room: a record that cannot be
    // deleted (its folder read-only, another user's) is passed over and its folder named once in the log, and
    // a disk whose records cannot be deleted counts as having none, so the need ends as a full disk.
    bool OpenChannelRecord(const char* name, int reserved, const CHANNEL_RECORD_KEY* key);
    // Appends a header (type 1) or stream block (type 2). When the record's root has no room left, the record
    // moves to another root that has room for all of it; failing that, overwrite mode deletes the closed
    // record stored longest ago on any root (by the time it was stored, sparing those of running backups,
    // CStowelineBackupScope) and tries again, also when the file system ran out of space before the
    // estimate did. A write that still finds no room, or that the file system refuses, fails the record: it
    // will not be stored, and in stop mode the disk-full callback is called with 1, once per record. A record
    // whose disk goes while it is written moves to another disk while its bytes can still be read; when they
    // cannot, it fails with STOWELINE_ERR_DISK_GONE if other disks remain, else STOWELINE_ERR_ROOT. A disk
    // that refuses files is left out and the record moves on as well, room made for it there as for any
    // record; only when no disk takes it does it fail with STOWELINE_ERR_IO. A write refused while its disk
    // takes files fails that record alone (STOWELINE_ERR_RECORD). The record's own calls on its disk (its
    // writes, and at its close the flush, rename, folder syncs and close; at its end the removal of its
    // partial file) are made on a thread of the record's own, each within the disk's bound: a disk that goes
    // silent under the record loses it within the bound, as a disk that went (STOWELINE_ERR_DISK_GONE, or
    // STOWELINE_ERR_ROOT when no other disk remains), and is left out as one that does not answer; a record
    // given up on it ends within the bound too, its partial file removed once the disk answers.
    bool WriteChannelRecord(const char* name, uint32_t type, const uint8_t* data, uint32_t size,
                            const CHANNEL_RECORD_KEY* key);
    // Finishes the record: the file is synced to the disk, then gets its final name (replacing a stored file
    // of the same key on any root, which also leaves the overwrite order: the new copy takes its place as
    // the newest), then the folders that hold its name and its day's and recorder's folders are synced.
    // Want of room at the flush or rename is met as at a write, a disk that refuses files has the record
    // moved to another disk, and an entry standing at its final name fails it with STOWELINE_ERR_NAME. False,
    // and nothing stored, when the record failed earlier or cannot be made durable; a record whose folders
    // alone cannot be made durable after its rename stays on the disk, but is not counted as stored (and no
    // stored copy of it elsewhere is removed for it).
    bool CloseChannelRecord(const char* name, const CHANNEL_RECORD_KEY* key);
    // Gives up an open record: its partial file is deleted and a stored file of the same key stays as it was.
    // For a download that broke off, whose copy must never look complete.
    bool AbortChannelRecord(const char* name, const CHANNEL_RECORD_KEY* key);

    // The stored files of the condition's record name whose time range overlaps the condition's, of its type
    // (0: every type), on the set-up's disks and its search-only disks alike (so records stay findable after
    // the operator chose other disks), sorted by start: the earliest kMaxSearchMatches of them. Non-zero with
    // *result set when any was found. The list belongs to this object and stays valid until the same thread
    // searches again or the object is destroyed. A disk that cannot be searched is passed over and named by
    // GetLastSearchRootErrors; another user's folder below Records is left alone and named once in the log.
    // Each disk is read on a thread of its own: one that does not answer within its bound is passed over and
    // named so (NoAnswer), and the search ends early, with what it found so far, once `stop` says so.
    int SearchChannelRecord(const RECORD_SEARCH_COND* condition, StowelineList** result,
                            const std::function<bool()>& stop = {});
    // The most files one search returns, however many match: a disk with planted names must not fill the
    // memory of the page that lists them.
    static constexpr int kMaxSearchMatches = 5000;
    // The last search on the calling thread matched more files than it returned.
    bool LastSearchCut() const;
    // The disks that the last search on the calling thread could not search, each with its cause (gone, its
    // volume not mounted, its Records folder refused): their records are missing from the answer. Of the
    // search-only disks (STOWELINE_INIT_PARAM::SearchOnlyPaths) only those whose Records folder is there
    // and refused are named: one that is gone, unmounted or without Records holds no record known to be
    // missed.
    std::vector<STOWELINE_ROOT_ERROR> GetLastSearchRootErrors() const;
    // The search-only disks whose records the last search on the calling thread found (Drive and Path as
    // above, SystemError 0).
    std::vector<STOWELINE_ROOT_ERROR> GetLastSearchOtherDisks() const;

    // The code of the last failure of an operation on the calling thread (STOWELINE_ERROR). For a caller that
    // decides what a refusal means: STOWELINE_ERR_DISK_FULL is want of room; STOWELINE_ERR_ROOT a disk gone
    // or unusable with no other to take the record; STOWELINE_ERR_IO the file system's refusal
    // (GetLastRootError names the disk); STOWELINE_ERR_DISK_GONE the record's own disk went while other disks
    // remain, so that record alone is lost and may be fetched again; STOWELINE_ERR_NAME an entry stands at
    // the record's own name, STOWELINE_ERR_RECORD its own folder or file was refused while its disk takes
    // files, and STOWELINE_ERR_NO_FREE_ROOM a free-room-only record found none, each failing that record
    // alone; the others concern the call or the record itself.
    int GetLastError() const;
    // The root behind the last STOWELINE_ERR_ROOT on the calling thread, and behind the last STOWELINE_ERR_IO
    // of a record (its open, write or close): a record refused because its disk has gone or cannot be written
    // is not refused for want of room. After STOWELINE_ERR_NAME it names no disk (Drive is empty): Path is
    // the record's final path and SystemError the errno of the refusal; after STOWELINE_ERR_RECORD the same,
    // with the record's day folder as Path.
    STOWELINE_ROOT_ERROR GetLastRootError() const;

    // The mark of each disk of the set-up, as the set-up named it ("D:" or a directory), for the settings to
    // keep: those it found or wrote, and the kept marks of disks it waits for.
    std::vector<std::pair<QString, QByteArray>> SetUpMarks() const;

    // The disks of the set-up as an operator names them ("D: /srv/backup1/Records"), for a message about
    // all of them (the disks are full).
    QStringList DiskNames() const;
    // The room the set-up keeps free on every disk: a disk with less free than this counts as full.
    qint64 ReserveBytes() const { return m_reserveBytes; }

    void SetFreeSpaceProvider(StowelineFreeSpaceProvider provider);
    // For tests of the file system's own failures: called before each write of a record's file with its path;
    // a non-zero errno fails that write as the file system would, after writing nothing.
    using WriteFault = std::function<int(const QString& path)>;
    void SetWriteFault(WriteFault fault);
    // The same for the flush of a record's file to the disk at its close (called with the temporary path
    // while the final name is still free): a non-zero errno fails the flush, so nothing is stored.
    void SetSyncFault(WriteFault fault);
    // The same for the flush of the probe file with which a disk is asked whether it takes files (called
    // with the probe's path): a disk that caches writes and fails only at their flush.
    void SetProbeFault(WriteFault fault);
    // The same for the creation of a record's folders and partial file at its open (called with the
    // temporary path) and for the rename to its final name at its close (called with the final path).
    void SetOpenFault(WriteFault fault);
    void SetRenameFault(WriteFault fault);
    // The same for the flush of the folders that hold a stored record's name (called with its day folder's
    // path after the rename): a non-zero errno fails that flush.
    void SetFolderSyncFault(WriteFault fault);
    // The same for the reads of a record's own bytes back from its disk, when it moves to another disk or
    // must be known readable (called with the temporary path): a non-zero errno fails that read.
    void SetReadFault(WriteFault fault);

    // The directory that holds the records of one drive directory.
    static QString RecordRootOf(const QString& driveDirectory);
    // The folder name of a record name: bytes outside [A-Za-z0-9_-.] and a leading '.' become %XX, so a name
    // can never climb out of its root or hide. Empty when the name is empty or too long.
    static QString EncodeRecordName(const char* name);

private:
    struct CStored;
    struct CRoot;
    struct COpenRecord;
    struct CRoomPass;
    struct CDiskLook;
    struct CDiskWanted;

    // The root with the most room for the record (overwrite making room when none has any), of those that
    // can be used; null with the failure set.
    std::shared_ptr<CRoot> ChooseRoot(const COpenRecord& record, CRoomPass& pass);
    static bool Reserve(CRoot& root, qint64 size);
    // Reserve for the record on its root (its mutex and the root's held): a record that takes free room
    // only never takes room that overwrite freed for another; another takes its own held room first.
    static bool ReserveFor(COpenRecord& record, qint64 size);
    // The room the pass's deletions freed is held for the record until it is written or the record ends.
    static void HoldFreed(COpenRecord& record, CRoomPass& pass);
    static qint64 Available(CRoot& root);
    // The disk's free bytes by its figure, before any reserve; negative when unknown. Asked within the
    // disk's bound (its lock held): a disk that does not answer is left out (kNoAnswer).
    static qint64 FreeRoom(CRoot& root);
    // Lists the root's closed records by storage time unless a list is at hand, at most once per pass.
    static void LoadOldest(CRoot& root, CRoomPass& pass);
    // The place in the list of the first record that may be deleted (not stored by a running backup); -1
    // when none may.
    static qsizetype FirstDeletable(CRoot& root, CRoomPass& pass);
    // Deletes the root's closed record stored longest ago that may be deleted; a record that cannot be
    // deleted leaves the list. False when none was deleted.
    static bool DeleteOldest(CRoot& root, CRoomPass& pass);
    // Gives the root its Records folder again when it has gone, where the drive is still there; false with
    // the cause when the root cannot be used.
    static bool EnsureRootFolder(CRoot& root, STOWELINE_ROOT_ERROR* error = nullptr);
    // Says (event row and log) that the folder at a disk's letter does not hold the disk's kept mark: once
    // while it stays so, however often the set-up is retried. Forgotten once the disk is set up again.
    static void SayMarkMismatch(CRoot& root, const STOWELINE_ROOT_ERROR& error);
    static void ForgetMarkMismatch(const CRoot& root);
    // Says once when others may move the disk's folder: its parent (as the disk's look found it) is open to
    // their writes, without the sticky bit.
    static void SayOpenParent(const CRoot& root, const CDiskLook& look);
    // Looks at each chosen disk of the set-up side by side, each on a call of its own, all within one bound
    // of the disks: its folder and mark, its probe, its Records folder and its dead probe files, and the
    // folder above. A disk that does not answer has no look (its `root` is null): two silent disks cost one
    // bound, and hold up neither the set-up nor the others' looks.
    static std::vector<CDiskLook> LookAtDisks(const std::vector<CDiskWanted>& disks,
                                              const std::shared_ptr<StowelineDetail::CSaidOnce>& said);
    // Removes the leftovers of a crash below the Records folders of `roots`, each on a call of its own, side
    // by side: waited for within one bound of the disks, and left to finish on their own after it.
    static void SweepLeftovers(const std::vector<std::shared_ptr<CRoot>>& roots);
    // The search-only disks of the set-up: those of `paths` that are not among `roots`, with their kept
    // marks (`marks`, in the same order).
    static std::vector<std::shared_ptr<CRoot>>
    SearchOnlyRoots(const StowelineList& paths, const StowelineList& marks,
                    const std::vector<std::shared_ptr<CRoot>>& roots,
                    const std::shared_ptr<StowelineDetail::CSaidOnce>& said);
    // The drive's directory, or its volume, has gone since Init, or it did not answer within its bound.
    static bool DriveGone(const CRoot& root);
    // Why the root cannot be used now, as far as its drive is concerned (kNoAnswer: it did not answer).
    static STOWELINE_ROOT_ERROR GoneError(const CRoot& root);
    // DriveGone's and GoneError's looks themselves, on the caller's thread.
    static bool LookDriveGone(const CRoot& root);
    static STOWELINE_ROOT_ERROR LookGoneError(const CRoot& root);
    // Reports a root that is left out while others take the records, once until it is usable again.
    static void ReportGone(CRoot& root, const STOWELINE_ROOT_ERROR& error);
    // Names the root for GetLastRootError after a record on it failed: the folder that has gone, or the
    // folder with the file system's errno.
    static void NoteRootError(CRoot& root, int systemError);
    // Deletes the record stored longest ago of all the roots that may be deleted; false when none is left.
    static bool DeleteOldestOfAll(const std::vector<std::shared_ptr<CRoot>>& roots, CRoomPass& pass);
    // Finds room for `size` more bytes of the record (its mutex held), moving it or overwriting as above;
    // STOWELINE_OK, else the code to fail it with (MoveElsewhere's, or want of room).
    static int MakeRoom(COpenRecord& record, qint64 size);
    // After the record's disk `refusing` refused it and MoveElsewhere gave `code`: the disk is named (once,
    // when others take the records) with `error`; the code to fail the record with.
    static int AfterRefusal(const std::shared_ptr<CRoot>& refusing, int code, int error);
    // The record's last byte can be read back from its file: its bytes can be copied elsewhere.
    static bool BytesReadable(COpenRecord& record);
    // Runs `read` on the record's file on its own lane, within the bound (SetReadFault first): 0 or the
    // errno. A disk that did not answer is left out (kNoAnswer).
    static int ReadBack(COpenRecord& record, std::function<int(int fd)> read);
    // Copies the record's bytes to a new temporary file on `root` and goes on there: 0, the errno of the
    // root's refusal, or -1 when the record's own bytes cannot be read.
    static int MoveRecord(COpenRecord& record, const std::shared_ptr<CRoot>& root);
    // Moves the record to the other root with the most room, if one has room for `needed` bytes; a root
    // that refuses it is judged (Judge): left out, counted full, or passed over, and the next is tried.
    // With `makeRoom` (a record whose own disk refuses it) the left-out disks are asked again and, in
    // overwrite mode, the oldest records are deleted until one has room, as for any record. STOWELINE_OK,
    // else the code to fail the record with: STOWELINE_ERR_DISK_FULL (no other disk has room),
    // STOWELINE_ERR_DISK_GONE (its own bytes cannot be read back while another disk takes files), or
    // STOWELINE_ERR_IO (no other disk takes files).
    static int MoveElsewhere(COpenRecord& record, qint64 needed, CRoomPass* makeRoom = nullptr);
    // Writes the record's bytes again where they are, after a flush that failed.
    // 0, or the errno (kNoAnswer: its disk did not answer, and is left out).
    static int RewriteInPlace(COpenRecord& record);
    // Leaves out a root that refused a record for a cause of its own, until the next set-up.
    static void LeaveOut(CRoot& root, int systemError);
    // Probes the left-out roots again, once per pass (when no root is left, before a record is deleted to
    // make room and before a full-disk refusal); true when one takes files again, which is said once.
    static bool ProbeLeftOut(const std::vector<std::shared_ptr<CRoot>>& roots, CRoomPass& pass);
    // Whose failure a refused step on a record was (its create, write, flush, rename, folder sync, or the
    // copy of a rescue), asked of the disk and not read from the error number: want of room stays want of
    // room; else a probe file is written in the disk's Records folder. A disk that takes it means the
    // failure is the record's own; a disk that refuses it is left out (named with `error`). The one place
    // every step's failure is weighed. Takes the root's lock.
    enum class FAULT_OWNER
    {
        ROOM,
        RECORD,
        DISK
    };
    static FAULT_OWNER Judge(CRoot& root, int error);
    // Fails the record alone for a refusal its disk did not share: STOWELINE_ERR_NAME when an entry of its
    // own (or another user's folder) stands at its place, else STOWELINE_ERR_RECORD; the folder and the
    // cause are named by GetLastRootError. The code.
    static int NoteOwnFault(const COpenRecord& record, int error, const QString& foreignAt = {});
    // When the record's room is gone: the left-out disks are asked again, then (overwrite mode) the record
    // stored longest ago is deleted. False when neither gave anything.
    static bool Replenish(const COpenRecord& record, CRoomPass& pass);
    // Flushes and renames the record (its mutex held), moving it or making room as a write does; false with
    // the failure set, and `full` when the disk-full callback is owed.
    static bool StoreRecord(COpenRecord& record, CRoomPass& pass, bool* full);
    // Flushes the record's day folder, its name's folder and the Records folder, on the record's lane; 0,
    // the errno, or kNoAnswer.
    static int SyncFolders(COpenRecord& record);
    // Writes a block of the record on its lane, within its disk's bound: 0, the errno, or kNoAnswer.
    static int WriteOnLane(COpenRecord& record, const uint8_t* data, uint32_t size);
    // The record's disk did not answer a call of the record within its bound: the disk is left out (named
    // as one that does not answer when other disks take the records), and the code to fail the record
    // with: STOWELINE_ERR_DISK_GONE while another disk remains, else STOWELINE_ERR_ROOT.
    static int LostToSilence(COpenRecord& record);
    // The disk answers a look within its bound; one that does not is left out for not answering (and, with
    // `say`, named once as one the other disks stand in for), and one left out so already is not looked at
    // again (false).
    static bool AnswersOrLeftOut(CRoot& root, bool say = true);
    // The disk did not answer within its bound (its lock held): left out for it, unless it is left out
    // already, and with `say` named once as a disk that does not answer, which the other disks stand in for.
    static void LeaveOutSilent(CRoot& root, bool say);
    // After a record got its final name: a stale copy on another root goes (only once the record's folders
    // are durable too), and the overwrite list learns it.
    static void FinishStored(COpenRecord& record, bool durable = true);
    // Of the other roots that can be used and can hold the record's path, the one with the most room, if it
    // has room for `needed` bytes.
    static std::shared_ptr<CRoot> RoomiestOtherRoot(const COpenRecord& record, qint64 needed,
                                                    const std::set<const CRoot*>& passedOver = {});
    // A record whose disk went (or whose folder was removed) moves to a root that can take it: the same one
    // when only its Records folder had gone, else the one with the most room (MoveElsewhere's codes).
    static int RescueRecord(COpenRecord& record, CRoomPass& pass);
    // The record's day folder was removed, or its drive has gone, while it was open.
    static bool RecordFolderGone(COpenRecord& record);
    // Another root that can be used, beside the record's own.
    static bool OtherRootUsable(const COpenRecord& record);
    static bool FailRecord(COpenRecord& record, int error, bool diskFull);
    // Makes the record's folders and partial file on its chosen disk (record.root), within the disk's bound
    // and without any lock held: 0, the errno of the refusal (`foreignAt` set as OpenRecordFolder does), or
    // kNoAnswer with `answered` false when the disk did not answer.
    static int OpenOnDisk(COpenRecord& record, QString* foreignAt, bool* answered);
    std::shared_ptr<COpenRecord> FindOpen(const char* name, const CHANNEL_RECORD_KEY* key);
    // Removes an open record from the table, for its close or abort; null (with the last error set) when the
    // arguments are missing or it is not open.
    std::shared_ptr<COpenRecord> TakeOpen(const char* name, const CHANNEL_RECORD_KEY* key);

    mutable std::mutex m_mutex; // guards every member below
    bool m_init = false;
    bool m_overwrite = true;
    qint64 m_reserveBytes = 0;
    uint32_t m_maxOpen = 0;
    STOWELINE_DISKFULL_CALLBACK m_callback = nullptr;
    StowelineFreeSpaceProvider m_freeSpace;
    std::shared_ptr<const WriteFault> m_writeFault;
    std::shared_ptr<const WriteFault> m_syncFault;
    std::shared_ptr<const WriteFault> m_openFault;
    std::shared_ptr<const WriteFault> m_renameFault;
    std::shared_ptr<const WriteFault> m_folderSyncFault;
    std::shared_ptr<const WriteFault> m_probeFault;
    std::shared_ptr<const WriteFault> m_readFault;
    std::vector<std::shared_ptr<CRoot>> m_roots;
    // Disks of an earlier choice, searched only: never written, set up or deleted from.
    std::vector<std::shared_ptr<CRoot>> m_searchOnly;
    std::vector<std::pair<QString, QByteArray>> m_marks; // SetUpMarks()
    std::map<std::string, std::shared_ptr<COpenRecord>> m_open;
    // Records being opened, outside the lock: their keys are taken, and they count as open.
    std::set<std::string> m_opening;
    quint64 m_generation = 0; // counts the set-ups' ends: an open that outlived its set-up is not kept
    std::map<std::thread::id, std::unique_ptr<StowelineList>> m_results;
};

// Creates the one object; false when it cannot be created.
bool NewStowelineClass(CStowelineClass** out);
// Destroys the object; the caller clears its pointer afterwards.
void DelStowelineClass(CStowelineClass** object);

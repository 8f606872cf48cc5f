// The writer: a record opened under a temporary name, written with room found for every block (moved to
// another disk or the oldest records overwritten), rescued when its disk goes, and renamed when it is closed.
#include "storage/CStowelineClass.h"

#include "storage/StowelineOwnership.h"
#include "storage/StowelineMarks.h"
#include "storage/StowelineParts.h"

#include "platform/VolumeCall.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <sys/stat.h>

using namespace FileHandles;
using namespace StowelineDetail;

CStowelineClass::COpenRecord::~COpenRecord()
{
    // Its handles are closed, and a partial file left is removed, within the bound: a record that has ended
    // leaves nothing open behind on its disk, so that the volume can be taken off at once.
    Discard();
    for (const auto& root : roots) {
        const auto it = held.find(root.get());
        if (it == held.end())
            continue;
        std::lock_guard lock(root->mutex);
        root->held -= it->second;
    }
    if (deletedFiles > 0) {
        const double megabytes = double(deletedBytes) / double(kMiB);
        Report(LOG_TYPE_OPERATION,
               QObject::tr("Records deleted to make room (overwrite): %1, %2 MB.")
                   .arg(deletedFiles)
                   .arg(megabytes, 0, 'f', 1),
               true);
    }
}

bool CStowelineClass::COpenRecord::Discard(bool post)
{
    if (!file.Valid() && !dayDir.Valid())
        return true;
    const bool remove = !stored && dayDir.Valid() && !tempName.isEmpty();
    // Handed over to the lane: closed there after the calls that use them, which may still be waiting on
    // a silent disk. Closed here, their numbers could be another file's by the time those calls go on.
    const int fileFd = file.Release();
    const int dirFd = dayDir.Release();
    auto work = [fileFd, dirFd, remove, name = tempName, path = tempPath] {
        if (fileFd >= 0)
            ::close(fileFd);
        if (remove) {
            if (::unlinkat(dirFd, name.constData(), 0) != 0 && errno != ENOENT)
                qWarning() << "storage: cannot remove" << path << ::strerror(errno);
            UnregisterTemp(path);
        }
        if (dirFd >= 0)
            ::close(dirFd);
        return 0;
    };
    if (remove)
        tempName.clear();
    if (!lane) {
        work();
        return true;
    }
    if (post || lane->Stuck()) {
        lane->Post(work);
        return false;
    }
    int ignored = 0;
    // Left, it runs once the disk answers.
    return lane->Run<int>(work, kVolumeBoundMs, &ignored) == VolumeCall::OUTCOME_DONE;
}

int CStowelineClass::COpenRecord::OnLane(std::function<int()> call)
{
    if (!lane)
        lane = std::make_unique<VolumeCall::CLane>();
    int error = kNoAnswer;
    return lane->Run<int>(std::move(call), kVolumeBoundMs, &error) == VolumeCall::OUTCOME_DONE ? error
                                                                                               : kNoAnswer;
}

QString CStowelineClass::COpenRecord::PathOn(const CRoot& on, const QByteArray& entry) const
{
    return on.dir + QLatin1Char('/') + QFile::decodeName(name) + QLatin1Char('/') + QFile::decodeName(day) +
           QLatin1Char('/') + QFile::decodeName(entry);
}

int CStowelineClass::MoveRecord(COpenRecord& record, const std::shared_ptr<CRoot>& root)
{
    // The copy is made on the new disk's own lane, within its bound and without its lock: a new disk that
    // does not answer holds the record for its bound, and nothing else. What the calls touch is theirs: a
    // call left may go on after the record has gone.
    struct MOVE
    {
        CFd dayDir, copy;
        std::vector<char> buffer;
        size_t copied = 0; // by the last chunk's read
    };
    auto move = std::make_shared<MOVE>();
    auto lane = std::make_unique<VolumeCall::CLane>();
    const QByteArray tempName = NewTempName(record.fileName);
    const QString tempPath = record.PathOn(*root, tempName);
    RegisterTemp(tempPath);
    const auto call = [&lane](std::function<int()> work) {
        int error = kNoAnswer;
        return lane->Run<int>(std::move(work), kVolumeBoundMs, &error) == VolumeCall::OUTCOME_DONE
                   ? error
                   : kNoAnswer;
    };
    const auto giveUp = [&](int error) {
        // After the calls before, within the bound; posted when one of them has not come back.
        const std::function<int()> remove = [move, tempName, tempPath] {
            if (move->copy.Valid())
                ::unlinkat(move->dayDir.Get(), tempName.constData(), 0);
            UnregisterTemp(tempPath);
            move->copy.Close();
            move->dayDir.Close();
            return 0;
        };
        if (lane->Stuck())
            lane->Post([remove] { remove(); });
        else
            call(remove);
        return error;
    };
    int error = call([move, root, name = record.name, day = record.day, tempName] {
        CReportScope reports; // said on this thread, whatever became of its caller
        // Another user's folder at the record's place there is no fault of that disk: not left out for it.
        // Overwrite may remove the day folder, emptied, between its open and the file's creation: the folder
        // is made again then.
        int error = 0;
        for (int tries = 0; error == 0 && !move->copy.Valid(); ++tries) {
            QString foreign;
            move->dayDir = CFd(root->OpenRecordFolder(name, day, true, nullptr, &foreign));
            if (move->dayDir.Valid())
                move->copy = CFd(CreateFileAt(move->dayDir.Get(), tempName));
            if (!move->copy.Valid() && (!move->dayDir.Valid() || errno != ENOENT || tries == 2))
                error = errno != 0 ? errno : EIO;
        }
        move->buffer.resize(kCopyChunk);
        return error;
    });
    // Copied a chunk at a time, each within the bound: a long record is no silent disk. Each chunk is read
    // on the record's own lane and written on the new disk's: an old disk gone silent is named, never the
    // new one for it (nor, after that one, every other disk tried).
    for (qint64 offset = 0; error == 0 && offset < record.written;) {
        const size_t want = size_t(std::min<qint64>(qint64(kCopyChunk), record.written - offset));
        const int read = ReadBack(record, [move, want, offset](int fd) {
            const ssize_t n = ::pread(fd, move->buffer.data(), want, off_t(offset));
            if (n <= 0)
                return n < 0 && errno != 0 ? errno : EIO;
            move->copied = size_t(n);
            return 0;
        });
        if (read != 0)
            return giveUp(-1); // its own bytes cannot be read: no other disk would do better
        error = call([move, fault = record.writeFault, tempPath] {
            if (const int refused = fault ? (*fault)(tempPath) : 0; refused != 0)
                return refused;
            return WriteAll(move->copy.Get(), move->buffer.data(), move->copied) ? 0
                                                                                 : (errno != 0 ? errno : EIO);
        });
        if (error == 0)
            offset += qint64(move->copied);
    }
    if (error != 0)
        return giveUp(error);

    record.Discard();
    {
        std::lock_guard oldLock(record.root->mutex);
        record.root->exhausted = false; // the moved bytes are free again there
        if (DriveGone(*record.root))
            ReportGone(*record.root, GoneError(*record.root));
    }
    // The lane has answered its last call: what it made is the record's now.
    record.root = root;
    record.dayDir = std::move(move->dayDir);
    record.file = std::move(move->copy);
    record.lane = std::move(lane);
    record.tempName = tempName;
    record.tempPath = tempPath;
    record.finalPath = record.PathOn(*root, record.fileName);
    return 0;
}

int CStowelineClass::MoveElsewhere(COpenRecord& record, qint64 needed, CRoomPass* makeRoom)
{
    // Disks that take files but refused this record's place there.
    std::set<const CRoot*> passedOver;
    int ownCause = EACCES; // what the last of them answered
    // Disks left out on the way, named once the record has found its place (until then no other disk is
    // known to take the records).
    std::vector<std::shared_ptr<CRoot>> leftOut;
    // Each turn moves the record, deletes a record, asks the left-out disks (once), or leaves out, marks
    // full or passes over a disk: the loop ends.
    for (;;) {
        const std::shared_ptr<CRoot> best = RoomiestOtherRoot(record, needed, passedOver);
        if (!best) {
            if (makeRoom == nullptr)
                return STOWELINE_ERR_DISK_FULL;
            if (!passedOver.empty())
                return NoteOwnFault(record, ownCause);
            const bool others = OtherRootUsable(record);
            // Nothing is deleted for bytes that cannot be read back: that record alone is lost.
            if (others && !BytesReadable(record))
                return STOWELINE_ERR_DISK_GONE;
            if (Replenish(record, *makeRoom)) {
                HoldFreed(record, *makeRoom);
                continue;
            }
            if (!others)
                return STOWELINE_ERR_IO;
            return record.freeRoomOnly ? STOWELINE_ERR_NO_FREE_ROOM : STOWELINE_ERR_DISK_FULL;
        }
        const int error = MoveRecord(record, best);
        if (error == 0) {
            {
                std::lock_guard lock(best->mutex);
                best->estimate = -1;
            }
            for (const auto& root : leftOut) {
                std::lock_guard lock(root->mutex);
                if (root->refused != 0)
                    ReportGone(*root, STOWELINE_ROOT_ERROR{root->drive, root->dir, root->refused, false});
            }
            return STOWELINE_OK;
        }
        if (error < 0)
            return OtherRootUsable(record) ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_IO;
        switch (Judge(*best, error)) {
        case FAULT_OWNER::ROOM: {
            std::lock_guard lock(best->mutex);
            best->exhausted = true;
            best->estimate = 0;
            break;
        }
        case FAULT_OWNER::DISK:
            leftOut.push_back(best);
            break;
        case FAULT_OWNER::RECORD:
            ownCause = error == kForeignFolder ? EPERM : error;
            passedOver.insert(best.get());
            break;
        }
    }
}

int CStowelineClass::ReadBack(COpenRecord& record, std::function<int(int fd)> read)
{
    // The file's number stays its own until the record's handles are closed, on this same lane after it.
    const int error = record.OnLane(
        [fd = record.file.Get(), read = std::move(read), fault = record.readFault, path = record.tempPath] {
            if (const int refused = fault ? (*fault)(path) : 0; refused != 0)
                return refused;
            int error = 0;
            do
                error = read(fd);
            while (error == EINTR);
            return error;
        });
    if (error == kNoAnswer) {
        // Left out before it is named: naming a disk that answers nothing must not look at it again.
        std::lock_guard lock(record.root->mutex);
        LeaveOutSilent(*record.root, false);
    }
    return error;
}

bool CStowelineClass::BytesReadable(COpenRecord& record)
{
    return record.written == 0 || ReadBack(record, [at = off_t(record.written - 1)](int fd) {
                                      char last = 0;
                                      const ssize_t n = ::pread(fd, &last, 1, at);
                                      return n == 1 ? 0 : (n < 0 && errno != 0 ? errno : EIO);
                                  }) == 0;
}

int CStowelineClass::RewriteInPlace(COpenRecord& record)
{
    // A flush that failed leaves the file's pages in doubt: written again from what the file reads back,
    // they are flushed again with the next sync. A chunk at a time on the record's lane, each within the
    // bound; the buffer is the calls' own, as a call given up may still go on.
    auto buffer = std::make_shared<std::vector<char>>(
        size_t(std::min<qint64>(qint64(kCopyChunk), std::max<qint64>(record.written, 1))));
    for (qint64 offset = 0; offset < record.written;) {
        const size_t want = size_t(std::min<qint64>(qint64(buffer->size()), record.written - offset));
        auto done = std::make_shared<ssize_t>(0);
        const int error = ReadBack(record, [buffer, want, offset, done](int fd) {
            const ssize_t n = ::pread(fd, buffer->data(), want, off_t(offset));
            if (n <= 0)
                return n < 0 && errno != 0 ? errno : EIO;
            if (::pwrite(fd, buffer->data(), size_t(n), off_t(offset)) != n)
                return errno != 0 ? errno : EIO;
            *done = n;
            return 0;
        });
        if (error != 0)
            return error;
        offset += *done;
    }
    return 0;
}

bool CStowelineClass::RecordFolderGone(COpenRecord& record)
{
    // Its disk first, within the bound (one found silent a moment ago answers at once), then its folder on
    // the record's lane: a folder that does not answer is gone for the record.
    if (DriveGone(*record.root))
        return true;
    return record.OnLane([dir = record.dayDir.Get()] {
        struct stat day;
        return ::fstat(dir, &day) != 0 || day.st_nlink == 0 ? 1 : 0;
    }) != 0;
}

int CStowelineClass::RescueRecord(COpenRecord& record, CRoomPass& pass)
{
    std::shared_ptr<CRoot> target;
    {
        std::lock_guard lock(record.root->mutex);
        if (EnsureRootFolder(*record.root))
            target = record.root;
    }
    if (!target)
        return MoveElsewhere(record, record.written, &pass);
    const int error = MoveRecord(record, target);
    if (error == 0) {
        std::lock_guard lock(target->mutex);
        target->estimate = -1;
        return STOWELINE_OK;
    }
    if (error < 0)
        return OtherRootUsable(record) ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_IO;
    if (Judge(*target, error) == FAULT_OWNER::RECORD)
        return NoteOwnFault(record, error);
    return MoveElsewhere(record, record.written, &pass);
}

int CStowelineClass::AfterRefusal(const std::shared_ptr<CRoot>& refusing, int code, int error)
{
    if (code == STOWELINE_ERR_IO) {
        // No disk takes the record: a disk fault, naming this one.
        NoteRootError(*refusing, error);
        return DriveGone(*refusing) ? STOWELINE_ERR_ROOT : STOWELINE_ERR_IO;
    }
    // The others take the records (whether this one had room there or not): the disk is named once.
    const STOWELINE_ROOT_ERROR cause = t_rootError;
    NoteRootError(*refusing, error);
    {
        std::lock_guard lock(refusing->mutex);
        ReportGone(*refusing, t_rootError);
    }
    // A record's own failure elsewhere keeps its own cause.
    if (code == STOWELINE_ERR_NAME || code == STOWELINE_ERR_RECORD)
        t_rootError = cause;
    return code;
}

bool CStowelineClass::ReserveFor(COpenRecord& record, qint64 size)
{
    CRoot& root = *record.root;
    if (record.freeRoomOnly) {
        if (!Reserve(root, size + root.held))
            return false;
        root.estimate += root.held;
        return true;
    }
    if (!Reserve(root, size))
        return false;
    const auto own = record.held.find(&root);
    if (own != record.held.end()) {
        const qint64 taken = std::min(own->second, size);
        own->second -= taken;
        root.held -= taken;
    }
    return true;
}

void CStowelineClass::HoldFreed(COpenRecord& record, CRoomPass& pass)
{
    for (const auto& root : record.roots) {
        const auto it = pass.freed.find(root.get());
        if (it == pass.freed.end())
            continue;
        std::lock_guard lock(root->mutex);
        root->held += it->second;
        record.held[root.get()] += it->second;
    }
    pass.freed.clear();
}

int CStowelineClass::MakeRoom(COpenRecord& record, qint64 size)
{
    CRoomPass pass;
    const auto done = [&](int result) {
        record.deletedFiles += pass.files;
        record.deletedBytes += pass.bytes;
        return result;
    };
    for (;;) {
        bool leftOut = false;
        {
            std::lock_guard lock(record.root->mutex);
            if (ReserveFor(record, size))
                return done(STOWELINE_OK);
            leftOut = record.root->refused != 0;
        }
        // No room where its folder or its disk has gone, or on a disk left out meanwhile: the record goes
        // on where it can, while its bytes can still be read.
        if (leftOut || RecordFolderGone(record)) {
            const int rescued = RescueRecord(record, pass);
            if (rescued != STOWELINE_OK)
                return done(rescued);
            continue;
        }
        // Another root with room for the whole record takes it: a full root is not a full set of disks.
        const int moved = MoveElsewhere(record, record.written + size);
        if (moved == STOWELINE_OK) {
            std::lock_guard lock(record.root->mutex);
            if (ReserveFor(record, record.written + size)) {
                record.root->estimate += record.written; // the copied bytes are on the disk already
                return done(STOWELINE_OK);
            }
            continue;
        }
        // Its own bytes could not be read back: no stored record is deleted for a record already lost.
        if (moved == STOWELINE_ERR_DISK_GONE)
            return done(moved);
        // Nor for one whose disk died before this write without going (a file system shut down after
        // errors): what is made room for could never take its bytes.
        if (!BytesReadable(record))
            return done(OtherRootUsable(record) ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_IO);
        if (!Replenish(record, pass))
            return done(record.freeRoomOnly ? STOWELINE_ERR_NO_FREE_ROOM : STOWELINE_ERR_DISK_FULL);
        HoldFreed(record, pass);
    }
}

int CStowelineClass::OpenOnDisk(COpenRecord& record, QString* foreignAt, bool* answered)
{
    // Made on a call of its own within the disk's bound; what it opened is handed over under the shared
    // lock, or, once the caller has gone on without it, removed by the call itself.
    struct OPENED
    {
        std::mutex mutex;
        bool done = false;
        bool left = false;
        CFd dayDir, file;
        int error = 0;
        QString foreign;
    };
    auto opened = std::make_shared<OPENED>();
    const std::shared_ptr<const CRoot> root = record.root;
    const QString dayPath = QFileInfo(record.finalPath).path();
    int ignored = 0;
    VolumeCall::Run<int>(
        root->dir,
        [opened, root, fault = record.openFault, name = record.name, day = record.day,
         tempName = record.tempName, tempPath = record.tempPath, dayPath] {
            CReportScope reports; // said on this thread, whatever became of its caller
            CFd dayDir, file;
            QString foreign;
            int error = fault ? (*fault)(tempPath) : 0;
            // Overwrite may remove the day folder, emptied, between its open and the file's creation: the
            // folder is made again then.
            for (int tries = 0; error == 0 && !file.Valid(); ++tries) {
                dayDir = CFd(root->OpenRecordFolder(name, day, true, nullptr, &foreign));
                if (dayDir.Valid())
                    file = CFd(CreateFileAt(dayDir.Get(), tempName));
                if (!file.Valid() && (!dayDir.Valid() || errno != ENOENT || tries == 2))
                    error = errno != 0 ? errno : EIO;
            }
            // A partial file a stopped or broken run left in this folder goes now, at the latest.
            if (file.Valid())
                RemoveLeftovers(dayDir.Get(), dayPath);
            std::lock_guard lock(opened->mutex);
            if (opened->left) {
                if (file.Valid())
                    ::unlinkat(dayDir.Get(), tempName.constData(), 0);
                UnregisterTemp(tempPath);
                return 0;
            }
            opened->done = true;
            opened->dayDir = std::move(dayDir);
            opened->file = std::move(file);
            opened->error = error;
            opened->foreign = foreign;
            return 0;
        },
        kVolumeBoundMs, &ignored);
    std::lock_guard lock(opened->mutex);
    *answered = opened->done;
    if (!opened->done) {
        opened->left = true;
        return kNoAnswer;
    }
    *foreignAt = opened->foreign;
    if (opened->error != 0)
        return opened->error;
    record.dayDir = std::move(opened->dayDir);
    record.file = std::move(opened->file);
    record.lane = std::make_unique<VolumeCall::CLane>();
    return 0;
}

bool CStowelineClass::OpenChannelRecord(const char* name, int reserved, const CHANNEL_RECORD_KEY* key)
{
    CReportScope reports;
    const QString folder = EncodeRecordName(name);
    if (folder.isEmpty() || std::strlen(name) > kMaxNameBytes || key == nullptr ||
        !IsValidTime(key->StartTime) || !IsValidTime(key->StopTime) ||
        CompactText(key->StopTime) < CompactText(key->StartTime))
        return Fail(STOWELINE_ERR_PARAM);
    const QString fileName = FileNameOf(*key);
    const std::string id = RecordId(name, *key);
    t_rootError = {}; // no cause left from an earlier failure on this thread

    auto record = std::make_shared<COpenRecord>();
    std::unique_lock lock(m_mutex);
    if (!m_init)
        return Fail(STOWELINE_ERR_NOT_INIT);
    if (m_open.count(id) != 0 || m_opening.count(id) != 0)
        return Fail(STOWELINE_ERR_ALREADY_OPEN);
    if (m_maxOpen != 0 && m_open.size() + m_opening.size() >= m_maxOpen)
        return Fail(STOWELINE_ERR_TOO_MANY);
    record->name = folder.toLatin1();
    record->day = CompactText(key->StartTime).left(8).toLatin1();
    record->fileName = fileName.toLatin1();
    record->relativePath =
        folder + QLatin1Char('/') + QString::fromLatin1(record->day) + QLatin1Char('/') + fileName;
    record->roots = m_roots;
    record->callback = m_callback;
    record->freeRoomOnly = reserved == STOWELINE_OPEN_FREE_ROOM_ONLY;
    record->overwrite = m_overwrite && !record->freeRoomOnly;
    record->writeFault = m_writeFault;
    record->readFault = m_readFault;
    record->backup = t_backup;
    record->syncFault = m_syncFault;
    record->openFault = m_openFault;
    record->renameFault = m_renameFault;
    record->folderSyncFault = m_folderSyncFault;
    // The disks are chosen and the record's file made without the storage's lock: a disk that stalls holds
    // up this open alone, never the other records, a search or a Stop. The key is taken meanwhile.
    const quint64 generation = m_generation;
    m_opening.insert(id);
    lock.unlock();
    bool taken = false;
    const auto opening = qScopeGuard([&] {
        if (taken)
            return;
        std::lock_guard relock(m_mutex);
        m_opening.erase(id);
    });

    CRoomPass pass;
    // A disk that said it has no room for the record's folder or file counts as full for this open only: its
    // figure may be right again for the next.
    std::vector<std::shared_ptr<CRoot>> full;
    const auto end = [&](bool opened) {
        // What was deleted to find a root counts for this record (and is reported with it, stored or not).
        record->deletedFiles = pass.files;
        record->deletedBytes = pass.bytes;
        HoldFreed(*record, pass);
        for (const auto& root : full) {
            std::lock_guard rootLock(root->mutex);
            root->exhausted = false;
            root->estimate = -1;
        }
        return opened;
    };
    // Each turn ends the open, deletes a record, or leaves a disk out or marks it full: the loop ends.
    for (;;) {
        const std::shared_ptr<CRoot> root = ChooseRoot(*record, pass);
        if (!root) {
            end(false);
            // Want of room at the open is told as at a write (not for a record that takes free room only).
            if (t_lastError == STOWELINE_ERR_DISK_FULL && record->callback != nullptr)
                record->callback(1, 0, 0, 0); // no storage lock is held: the callback may stop the writers
            return false;
        }
        record->root = root;
        record->tempName = NewTempName(record->fileName);
        record->finalPath = record->PathOn(*root, record->fileName);
        record->tempPath = record->PathOn(*root, record->tempName);
        RegisterTemp(record->tempPath);
        QString foreign;
        bool answered = false;
        const int error = OpenOnDisk(*record, &foreign, &answered);
        if (error == 0)
            break;
        record->tempName.clear(); // nothing of it to remove
        if (!answered) {
            // The disk did not answer within its bound: left out and named, the other disks take the record.
            qWarning() << "storage: drive" << root->drive << "at" << root->dir << "does not answer";
            std::lock_guard rootLock(root->mutex);
            if (root->refused == 0)
                LeaveOut(*root, kNoAnswer);
            continue;
        }
        UnregisterTemp(record->tempPath);
        qWarning() << "storage: cannot create" << record->tempPath
                   << ::strerror(error == kForeignFolder ? EPERM : error);
        switch (Judge(*root, error)) {
        case FAULT_OWNER::ROOM: {
            // Want of room, as at a write: another disk, or overwrite makes room.
            std::lock_guard rootLock(root->mutex);
            root->exhausted = true;
            root->estimate = 0;
            full.push_back(root);
            continue;
        }
        case FAULT_OWNER::DISK:
            // Left out (or gone); named once when another disk takes the record.
            continue;
        case FAULT_OWNER::RECORD:
            break;
        }
        // The disk takes files, but not this record's folder or file (a day kept read-only, an entry of its
        // own at its name, another user's folder at its place): that record alone fails, the disk stays in
        // use for other records.
        Fail(NoteOwnFault(*record, error, foreign));
        return end(false);
    }
    end(true);
    std::lock_guard relock(m_mutex);
    m_opening.erase(id);
    taken = true;
    // A new set-up or its end meanwhile: the record belongs to disks no longer in use (its file goes).
    if (!m_init || m_generation != generation)
        return Fail(STOWELINE_ERR_NOT_INIT);
    m_open.emplace(id, std::move(record));
    t_lastError = STOWELINE_OK;
    return true;
}

std::shared_ptr<CStowelineClass::COpenRecord> CStowelineClass::FindOpen(const char* name,
                                                                        const CHANNEL_RECORD_KEY* key)
{
    if (name == nullptr || key == nullptr)
        return nullptr;
    const std::string id = RecordId(name, *key);
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(id);
    return it == m_open.end() ? nullptr : it->second;
}

bool CStowelineClass::FailRecord(COpenRecord& record, int error, bool diskFull)
{
    record.failed = true;
    record.Discard(); // gives the space back at once
    {
        std::lock_guard rootLock(record.root->mutex);
        record.root->exhausted = false;
    }
    t_lastError = error;
    return diskFull && record.callback != nullptr;
}

int CStowelineClass::WriteOnLane(COpenRecord& record, const uint8_t* data, uint32_t size)
{
    if (!record.block)
        record.block = std::make_shared<std::vector<uint8_t>>();
    record.block->assign(data, data + size);
    return record.OnLane([fd = record.file.Get(), block = record.block] {
        return WriteAll(fd, block->data(), block->size()) ? 0 : errno != 0 ? errno : EIO;
    });
}

int CStowelineClass::LostToSilence(COpenRecord& record)
{
    const std::shared_ptr<CRoot> root = record.root;
    {
        std::lock_guard lock(root->mutex);
        LeaveOutSilent(*root, false);
    }
    // Asked nothing more: a look at a disk that does not answer would wait on it again.
    const bool others = OtherRootUsable(record);
    if (others) {
        std::lock_guard lock(root->mutex);
        LeaveOutSilent(*root, true);
    }
    t_rootError = {root->drive, root->dir, kNoAnswer, false};
    return others ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_ROOT;
}

bool CStowelineClass::WriteChannelRecord(const char* name, uint32_t type, const uint8_t* data, uint32_t size,
                                         const CHANNEL_RECORD_KEY* key)
{
    CReportScope reports;
    if ((type != 1 && type != 2) || (data == nullptr && size != 0))
        return Fail(STOWELINE_ERR_PARAM);
    const std::shared_ptr<COpenRecord> record = FindOpen(name, key);
    if (!record)
        return Fail(STOWELINE_ERR_NOT_OPEN);

    STOWELINE_DISKFULL_CALLBACK notify = nullptr;
    {
        std::lock_guard lock(record->mutex);
        if (record->closed)
            return Fail(STOWELINE_ERR_NOT_OPEN);
        if (record->failed)
            return Fail(STOWELINE_ERR_FAILED);
        for (;;) {
            const std::shared_ptr<CRoot> own = record->root;
            const int room = MakeRoom(*record, size);
            if (room != STOWELINE_OK) {
                // Its own disk refused it or went (MakeRoom tried to rescue it), or the disks are full.
                int leftOut = 0;
                {
                    std::lock_guard rootLock(own->mutex); // other writers leave the disk out under it
                    leftOut = own->refused;
                }
                const bool refused = leftOut != 0 || DriveGone(*own);
                const int code = refused ? AfterRefusal(own, room, leftOut) : room;
                if (FailRecord(*record, code, code == STOWELINE_ERR_DISK_FULL))
                    notify = record->callback;
                break;
            }
            const int fault = record->writeFault ? (*record->writeFault)(record->tempPath) : 0;
            const int error = fault != 0 ? fault : WriteOnLane(*record, data, size);
            if (error == 0) {
                record->written += size;
                return true;
            }
            if (error == kNoAnswer) {
                // Its disk went silent under it: the record is lost (the engine fetches it again), and the
                // disk is left out.
                FailRecord(*record, LostToSilence(*record), false);
                break;
            }
            // Cut back to what was written whole, and written on from there (the offset moved with the
            // partial write; left there, the next block would follow a hole). On the record's lane: the disk
            // that ran out may stall as well.
            const int cut = IsNoRoom(error)
                                ? record->OnLane([fd = record->file.Get(), size = off_t(record->written)] {
                                      return ::ftruncate(fd, size) == 0 && ::lseek(fd, size, SEEK_SET) == size
                                                 ? 0
                                                 : (errno != 0 ? errno : EIO);
                                  })
                                : EINVAL;
            if (cut == kNoAnswer) {
                FailRecord(*record, LostToSilence(*record), false);
                break;
            }
            if (cut == 0) {
                // The disk ran out before our estimate did: this root counts as full until it is read again,
                // and the record moves or the oldest record goes, as for a shortfall of the estimate.
                std::lock_guard rootLock(record->root->mutex);
                record->root->exhausted = true;
                record->root->estimate = 0;
                continue;
            }
            qWarning() << "storage: write failed for" << record->tempPath << ::strerror(error);
            const FAULT_OWNER owner = Judge(*record->root, error);
            if (owner == FAULT_OWNER::RECORD) {
                FailRecord(*record, NoteOwnFault(*record, error), false);
                break;
            }
            if (owner == FAULT_OWNER::ROOM) {
                const int code = record->freeRoomOnly ? STOWELINE_ERR_NO_FREE_ROOM : STOWELINE_ERR_DISK_FULL;
                if (FailRecord(*record, code, code == STOWELINE_ERR_DISK_FULL))
                    notify = record->callback;
                break;
            }
            // The disk refuses: it is left out and the record goes on on another disk, from the bytes it
            // holds so far, room made there as for any record.
            CRoomPass pass;
            const std::shared_ptr<CRoot> refusing = record->root;
            const int moved = MoveElsewhere(*record, record->written + size, &pass);
            record->deletedFiles += pass.files;
            record->deletedBytes += pass.bytes;
            const int code = AfterRefusal(refusing, moved, error);
            if (moved == STOWELINE_OK)
                continue;
            if (FailRecord(*record, code, code == STOWELINE_ERR_DISK_FULL))
                notify = record->callback;
            break;
        }
    }
    // Outside every lock: the callback may well stop the writers or close this record.
    if (notify != nullptr)
        notify(1, 0, 0, 0);
    return false;
}

std::shared_ptr<CStowelineClass::COpenRecord> CStowelineClass::TakeOpen(const char* name,
                                                                        const CHANNEL_RECORD_KEY* key)
{
    if (name == nullptr || key == nullptr) {
        Fail(STOWELINE_ERR_PARAM);
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(RecordId(name, *key));
    if (it == m_open.end()) {
        Fail(STOWELINE_ERR_NOT_OPEN);
        return nullptr;
    }
    std::shared_ptr<COpenRecord> record = std::move(it->second);
    m_open.erase(it);
    return record;
}

bool CStowelineClass::AbortChannelRecord(const char* name, const CHANNEL_RECORD_KEY* key)
{
    CReportScope reports;
    const std::shared_ptr<COpenRecord> record = TakeOpen(name, key);
    if (!record)
        return false;
    std::lock_guard lock(record->mutex);
    record->closed = true;
    if (!record->failed)
        FailRecord(*record, STOWELINE_OK, false);
    t_lastError = STOWELINE_OK;
    return true;
}

bool CStowelineClass::CloseChannelRecord(const char* name, const CHANNEL_RECORD_KEY* key)
{
    CReportScope reports;
    const std::shared_ptr<COpenRecord> record = TakeOpen(name, key);
    if (!record)
        return false;

    STOWELINE_DISKFULL_CALLBACK notify = nullptr;
    {
        std::lock_guard lock(record->mutex);
        record->closed = true;
        if (record->failed)
            return Fail(STOWELINE_ERR_FAILED);
        CRoomPass pass;
        bool full = false;
        const bool stored = StoreRecord(*record, pass, &full);
        record->deletedFiles += pass.files;
        record->deletedBytes += pass.bytes;
        if (stored) {
            FinishStored(*record);
            t_lastError = STOWELINE_OK;
            return true;
        }
        if (full)
            notify = record->callback;
    }
    // Outside every lock, as at a write.
    if (notify != nullptr)
        notify(1, 0, 0, 0);
    return false;
}

bool CStowelineClass::StoreRecord(COpenRecord& record, CRoomPass& pass, bool* full)
{
    const auto fail = [&](int code) {
        *full = code == STOWELINE_ERR_DISK_FULL && record.callback != nullptr;
        FailRecord(record, code, false);
        return false;
    };
    // Each turn stores the record, fails it, deletes a record, leaves a disk out, or moves the record (at
    // most once per disk): the loop ends.
    size_t moves = 0;
    const auto moveElsewhere = [&] {
        return moves++ < record.roots.size() && MoveElsewhere(record, record.written) == STOWELINE_OK;
    };
    for (;;) {
        // Its disk went, or its folder was removed, while it was written: it is stored where it can be, while
        // its bytes can still be read.
        const int gone = record.OnLane([dir = record.dayDir.Get(), root = record.root] {
            struct stat day;
            return ::fstat(dir, &day) != 0 || day.st_nlink == 0 || LookDriveGone(*root) ? 1 : 0;
        });
        if (gone == kNoAnswer)
            return fail(LostToSilence(record));
        if (gone != 0) {
            const std::shared_ptr<CRoot> own = record.root;
            const int rescued = RescueRecord(record, pass);
            if (rescued != STOWELINE_OK)
                return fail(AfterRefusal(own, rescued, ENOENT));
        }
        // Durable before it gets its final name: a crash must never leave a complete-looking, partial file.
        const int syncFault = record.syncFault ? (*record.syncFault)(record.tempPath) : 0;
        int error = syncFault != 0 ? syncFault : record.OnLane([fd = record.file.Get()] {
            return ::fsync(fd) == 0 ? 0 : errno != 0 ? errno : EIO;
        });
        const bool synced = error == 0;
        if (synced) {
            const int renameFault = record.renameFault ? (*record.renameFault)(record.finalPath) : 0;
            error = renameFault != 0
                        ? renameFault
                        : record.OnLane(
                              [dir = record.dayDir.Get(), from = record.tempName, to = record.fileName] {
                                  return ::renameat(dir, from.constData(), dir, to.constData()) == 0 ? 0
                                         : errno != 0                                                ? errno
                                                                                                     : EIO;
                              });
        }
        if (error == 0)
            break;
        if (error == kNoAnswer)
            return fail(LostToSilence(record));
        qWarning() << "storage: cannot store" << record.finalPath << ::strerror(error);
        const std::shared_ptr<CRoot> root = record.root;
        switch (Judge(*root, error)) {
        case FAULT_OWNER::RECORD:
            // The disk takes files: something of the record's own (an entry at its name, its folder kept
            // read-only, a bad block of its file) fails that record alone.
            return fail(NoteOwnFault(record, error));
        case FAULT_OWNER::ROOM:
            // Want of room, as at a write: another disk takes it, or overwrite makes room where it is.
            {
                std::lock_guard rootLock(root->mutex);
                root->exhausted = true;
                root->estimate = 0;
            }
            if (moveElsewhere())
                continue;
            if (Replenish(record, pass)) {
                HoldFreed(record, pass); // for this record's retried flush, as at a write
                // The pages the failed flush could not write are written again before it is retried.
                if (!synced && record.root == root) {
                    const int rewritten = RewriteInPlace(record);
                    if (rewritten == kNoAnswer)
                        return fail(LostToSilence(record));
                    if (rewritten != 0) {
                        NoteRootError(*root, rewritten);
                        return fail(STOWELINE_ERR_IO);
                    }
                }
                continue;
            }
            return fail(record.freeRoomOnly ? STOWELINE_ERR_NO_FREE_ROOM : STOWELINE_ERR_DISK_FULL);
        case FAULT_OWNER::DISK: {
            // Left out: another disk takes the record, room made there as for any record.
            const int moved = MoveElsewhere(record, record.written, &pass);
            const int code = AfterRefusal(root, moved, error);
            if (moved != STOWELINE_OK)
                return fail(code);
            continue;
        }
        }
    }
    record.stored = true;
    UnregisterTemp(record.tempPath);
    const int closed = record.OnLane([fd = record.file.Release(), path = record.finalPath] {
        if (::close(fd) != 0)
            qWarning() << "storage: closing" << path << "failed:" << ::strerror(errno);
        return 0;
    });
    // The new name, and the folders a first record of its name or day made, are durable too: not every file
    // system commits a new folder's entry with the folder.
    const int error = closed == kNoAnswer ? kNoAnswer : SyncFolders(record);
    if (error == kNoAnswer) {
        // Its disk went silent once it had its name: not counted as stored, nor looked at again.
        record.failed = true;
        t_lastError = LostToSilence(record);
        return false;
    }
    if (error != 0) {
        // Its bytes are durable and it has its name: it stays where it is (deleting it now would lose a
        // stored copy it replaced as well). It does not count as stored, and the failure is said.
        const QString folder = QFileInfo(record.finalPath).path();
        Report(LOG_TYPE_EXCEPTION,
               QObject::tr("The folder %1 cannot be made durable: %2. Its record is kept, but not counted as "
                           "stored.")
                   .arg(folder, SystemText(error)),
               false);
        const std::shared_ptr<CRoot> root = record.root;
        int code = STOWELINE_ERR_RECORD;
        if (Judge(*root, error) == FAULT_OWNER::DISK) {
            const bool others = OtherRootUsable(record);
            code = AfterRefusal(root, others ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_IO, error);
        } else {
            t_rootError = {QString(), folder, error, false};
        }
        FinishStored(record, false);
        record.failed = true;
        t_lastError = code;
        return false;
    }
    return true;
}

int CStowelineClass::SyncFolders(COpenRecord& record)
{
    const int fault =
        record.folderSyncFault ? (*record.folderSyncFault)(QFileInfo(record.finalPath).path()) : 0;
    if (fault != 0)
        return fault;
    return record.OnLane(
        [dir = record.dayDir.Get(), root = std::shared_ptr<const CRoot>(record.root), name = record.name] {
            if (::fsync(dir) != 0)
                return errno;
            const CFd records(root->OpenRecords(false));
            const CFd nameDir(records.Valid() ? OpenSubDir(records.Get(), name) : -1);
            if (!nameDir.Valid())
                return errno == kForeignFolder ? EPERM : errno != 0 ? errno : EIO;
            if (::fsync(nameDir.Get()) != 0 || ::fsync(records.Get()) != 0)
                return errno;
            return 0;
        });
}

void CStowelineClass::FinishStored(COpenRecord& record, bool durable)
{
    if (record.backup != 0)
        NoteStored(record.backup, record.finalPath);

    // What the record is on its own disk, asked on its lane: the copies elsewhere are compared with it, and
    // the overwrite list takes it by its time.
    struct OWN
    {
        struct stat st = {};
        CStored stored;
    };
    auto own = std::make_shared<OWN>();
    own->stored = {0, 0, record.finalPath, record.name, record.day, record.fileName};
    const bool ownKnown = record.OnLane([own, dir = record.dayDir.Get(), file = record.fileName] {
        if (::fstatat(dir, file.constData(), &own->st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno != 0 ? errno : EIO;
        StatFile(dir, file, &own->stored.stored, &own->stored.size);
        return 0;
    }) == 0;

    // A copy of the same key stored earlier on another root is replaced as well: two copies would both be
    // found, and the old one would stay first in line for overwrite.
    for (const auto& other : record.roots) {
        if (other == record.root || !durable || !ownKnown)
            continue;
        {
            // Nothing is deleted from a disk that is left out.
            std::lock_guard rootLock(other->mutex);
            if (other->refused != 0)
                continue;
        }
        // One disk reached through two letters is never two: the record just stored is not its own copy.
        const QByteArray ownMark = record.root->Mark();
        if (!other->Mark().isEmpty() && other->Mark() == ownMark)
            continue;
        // Looked at and deleted on a call of its own within the other disk's bound, without its lock: a disk
        // that does not answer is left out, and never holds this close.
        const std::shared_ptr<const CRoot> otherRoot = other;
        const QString stale = record.PathOn(*other, record.fileName);
        bool deleted = false;
        const VolumeCall::OUTCOME outcome = VolumeCall::Run<bool>(
            other->dir,
            [otherRoot, own, ownMark, stale, finalPath = record.finalPath, name = record.name,
             day = record.day, file = record.fileName] {
                CReportScope reports; // said on this thread, whatever became of its caller
                // Nothing is deleted from a disk that is gone or not mounted.
                if (LookDriveGone(*otherRoot))
                    return false;
                const CFd otherDay(otherRoot->OpenRecordFolder(name, day, false));
                qint64 stored = 0, size = 0;
                if (!otherDay.Valid() || !StatFile(otherDay.Get(), file, &stored, &size))
                    return false;
                // Compared on the open handles: the copy must be another file than the record (another
                // Records folder, whose mark is not the record's disk's, and another file), else it is the
                // record itself seen through another mount.
                const CFd otherRecords(otherRoot->OpenRecords(false));
                const CFd copy(::openat(otherDay.Get(), file.constData(),
                                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
                struct stat seen;
                QByteArray copyMark;
                if (!otherRecords.Valid() || !copy.Valid() || ::fstat(copy.Get(), &seen) != 0 ||
                    (own->st.st_dev == seen.st_dev && own->st.st_ino == seen.st_ino) ||
                    (ReadMark(otherRecords.Get(), &copyMark) == MARK_STATE::OWN && copyMark == ownMark))
                    return false;
                if (::unlinkat(otherDay.Get(), file.constData(), 0) != 0)
                    return false;
                Report(
                    LOG_TYPE_OPERATION,
                    QObject::tr("The copy %1 of the record %2, stored earlier on another disk, was deleted.")
                        .arg(stale, finalPath),
                    false);
                return true;
            },
            kVolumeBoundMs, &deleted);
        std::lock_guard rootLock(other->mutex);
        if (outcome != VolumeCall::OUTCOME_DONE) {
            LeaveOutSilent(*other, true);
            continue;
        }
        if (deleted) {
            std::deque<CStored>& oldest = other->oldest;
            oldest.erase(std::remove_if(oldest.begin(), oldest.end(),
                                        [&](const CStored& s) { return s.path == stale; }),
                         oldest.end());
            other->estimate = -1;
        }
    }
    {
        // The list at hand takes the record in its place by storage time, near the end, instead of the whole
        // disk being listed again at the next deletion; a stored file it replaced leaves the list.
        std::lock_guard rootLock(record.root->mutex);
        std::deque<CStored>& oldest = record.root->oldest;
        oldest.erase(std::remove_if(oldest.begin(), oldest.end(),
                                    [&](const CStored& s) { return s.path == record.finalPath; }),
                     oldest.end());
        // A list that holds only the oldest of the disk leaves the newest out: listed again, it is found.
        if (!oldest.empty() && !record.root->oldestCut && ownKnown) {
            const CStored& stored = own->stored;
            auto at = oldest.end();
            while (at != oldest.begin() && (at - 1)->stored > stored.stored)
                --at;
            oldest.insert(at, stored);
        }
    }
}

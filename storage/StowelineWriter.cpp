// The writer: a record opened under a temporary name, written with room found for every block (moved to
// another disk or the oldest records overwritten), rescued when its disk goes, and renamed when it is closed.
#include "storage/CStowelineClass.h"

#include "storage/StowelineParts.h"

#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>

using namespace StowelineDetail;

CStowelineClass::COpenRecord::~COpenRecord()
{
    Discard();
    if (deletedFiles > 0) {
        const double megabytes = double(deletedBytes) / double(kMiB);
        Report(LOG_TYPE_OPERATION,
               QObject::tr("Records deleted to make room (overwrite): %1, %2 MB.")
                   .arg(deletedFiles)
                   .arg(megabytes, 0, 'f', 1),
               true);
    }
}

void CStowelineClass::COpenRecord::Discard()
{
    file.Close();
    if (!stored && dayDir.Valid() && !tempName.isEmpty()) {
        if (::unlinkat(dayDir.Get(), tempName.constData(), 0) != 0 && errno != ENOENT)
            qWarning() << "storage: cannot remove" << tempPath << ::strerror(errno);
        UnregisterTemp(tempPath);
        tempName.clear();
    }
}

QString CStowelineClass::COpenRecord::PathOn(const CRoot& on, const QByteArray& entry) const
{
    return on.dir + QLatin1Char('/') + QFile::decodeName(name) + QLatin1Char('/') + QFile::decodeName(day) +
           QLatin1Char('/') + QFile::decodeName(entry);
}

bool CStowelineClass::MoveRecord(COpenRecord& record, const std::shared_ptr<CRoot>& root)
{
    CFd dayDir;
    CFd copy;
    const QByteArray tempName = NewTempName(record.fileName);
    const QString tempPath = record.PathOn(*root, tempName);
    {
        std::lock_guard rootLock(root->mutex);
        dayDir = CFd(root->OpenRecordFolder(record.name, record.day, true));
        if (!dayDir.Valid())
            return false;
        RegisterTemp(tempPath);
        copy = CFd(CreateFileAt(dayDir.Get(), tempName));
        bool copied = copy.Valid();
        // From the record's own descriptor: its bytes are there even when its folder has gone.
        std::vector<char> buffer(copied ? kCopyChunk : 0);
        for (qint64 offset = 0; copied && offset < record.written;) {
            const size_t want = size_t(std::min<qint64>(qint64(buffer.size()), record.written - offset));
            const ssize_t n = ::pread(record.file.Get(), buffer.data(), want, off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            copied = n > 0 && copy.WriteAll(reinterpret_cast<const uint8_t*>(buffer.data()), size_t(n));
            offset += n > 0 ? n : 0;
        }
        if (!copied) {
            if (copy.Valid())
                ::unlinkat(dayDir.Get(), tempName.constData(), 0);
            UnregisterTemp(tempPath);
            return false;
        }
    }
    record.Discard();
    {
        std::lock_guard oldLock(record.root->mutex);
        record.root->exhausted = false; // the moved bytes are free again there
        if (DriveGone(*record.root))
            ReportGone(*record.root, GoneError(*record.root));
    }
    record.root = root;
    record.dayDir = std::move(dayDir);
    record.file = std::move(copy);
    record.tempName = tempName;
    record.tempPath = tempPath;
    record.finalPath = record.PathOn(*root, record.fileName);
    return true;
}

bool CStowelineClass::RecordFolderGone(const COpenRecord& record)
{
    struct stat day;
    return ::fstat(record.dayDir.Get(), &day) != 0 || day.st_nlink == 0 || DriveGone(*record.root);
}

bool CStowelineClass::RescueRecord(COpenRecord& record)
{
    std::shared_ptr<CRoot> target;
    {
        std::lock_guard lock(record.root->mutex);
        if (EnsureRootFolder(*record.root))
            target = record.root;
    }
    if (!target)
        target = RoomiestOtherRoot(record, record.written);
    if (!target || !MoveRecord(record, target))
        return false;
    std::lock_guard lock(target->mutex);
    target->estimate = -1;
    return true;
}

bool CStowelineClass::MakeRoom(COpenRecord& record, qint64 size)
{
    CRoomPass pass;
    const auto done = [&](bool result) {
        record.deletedFiles += pass.files;
        record.deletedBytes += pass.bytes;
        return result;
    };
    for (;;) {
        {
            std::lock_guard lock(record.root->mutex);
            if (Reserve(*record.root, size))
                return done(true);
        }
        // No room where its folder or its disk has gone: the record goes on where it can, while its bytes
        // can still be read.
        if (RecordFolderGone(record) && RescueRecord(record))
            continue;
        // Another root with room for the whole record takes it: a full root is not a full set of disks.
        const std::shared_ptr<CRoot> best = RoomiestOtherRoot(record, record.written + size);
        if (best && MoveRecord(record, best)) {
            std::lock_guard lock(best->mutex);
            best->estimate = -1;
            if (Reserve(*best, record.written + size)) {
                best->estimate += record.written; // the copied bytes are on the disk already
                return done(true);
            }
            continue;
        }
        if (!record.overwrite || !DeleteOldestOfAll(record.roots, pass))
            return done(false);
    }
}

bool CStowelineClass::OpenChannelRecord(const char* name, int /*reserved*/, const CHANNEL_RECORD_KEY* key)
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
    std::lock_guard lock(m_mutex);
    if (!m_init)
        return Fail(STOWELINE_ERR_NOT_INIT);
    if (m_open.count(id) != 0)
        return Fail(STOWELINE_ERR_ALREADY_OPEN);
    if (m_maxOpen != 0 && m_open.size() >= m_maxOpen)
        return Fail(STOWELINE_ERR_TOO_MANY);
    record->name = folder.toLatin1();
    record->day = CompactText(key->StartTime).left(8).toLatin1();
    record->fileName = fileName.toLatin1();
    record->relativePath =
        folder + QLatin1Char('/') + QString::fromLatin1(record->day) + QLatin1Char('/') + fileName;
    CRoomPass pass;
    const std::shared_ptr<CRoot> root = ChooseRoot(record->relativePath, pass);
    // What was deleted to find a root counts for this record (and is reported with it, stored or not).
    record->deletedFiles = pass.files;
    record->deletedBytes = pass.bytes;
    if (!root)
        return false;

    record->roots = m_roots;
    record->tempName = NewTempName(record->fileName);
    record->callback = m_callback;
    record->overwrite = m_overwrite;
    record->writeFault = m_writeFault;
    record->backup = t_backup;
    record->syncFault = m_syncFault;
    record->root = root;
    record->finalPath = record->PathOn(*root, record->fileName);
    record->tempPath = record->PathOn(*root, record->tempName);
    {
        // Under the root's lock: overwriting removes emptied day folders under the same lock.
        std::lock_guard rootLock(root->mutex);
        RegisterTemp(record->tempPath);
        record->dayDir = CFd(root->OpenRecordFolder(record->name, record->day, true));
        if (record->dayDir.Valid())
            record->file = CFd(CreateFileAt(record->dayDir.Get(), record->tempName));
        if (!record->file.Valid()) {
            const int error = errno;
            qWarning() << "storage: cannot create" << record->tempPath << ::strerror(error);
            record->tempName.clear(); // nothing of it to remove
            UnregisterTemp(record->tempPath);
            NoteRootError(*root, error);
            return Fail(STOWELINE_ERR_IO);
        }
        // A partial file a stopped or broken run left in this folder goes now, at the latest.
        RemoveLeftovers(record->dayDir.Get(), QFileInfo(record->finalPath).path());
    }
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
            if (!MakeRoom(*record, size)) {
                // A disk that has gone shows no room, but it is not full: deleting records will not help.
                bool gone = false;
                {
                    std::lock_guard rootLock(record->root->mutex);
                    gone = !EnsureRootFolder(*record->root);
                }
                if (gone) {
                    NoteRootError(*record->root, 0);
                    const bool others = OtherRootUsable(*record);
                    if (others) {
                        std::lock_guard rootLock(record->root->mutex);
                        ReportGone(*record->root, t_rootError);
                    }
                    FailRecord(*record, others ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_ROOT, false);
                } else if (FailRecord(*record, STOWELINE_ERR_DISK_FULL, true)) {
                    notify = record->callback;
                }
                break;
            }
            const int fault = record->writeFault ? (*record->writeFault)(record->tempPath) : 0;
            if (fault == 0 && record->file.WriteAll(data, size)) {
                record->written += size;
                return true;
            }
            const int error = fault != 0 ? fault : errno;
            const bool full = error == ENOSPC || error == EDQUOT;
            if (full && record->file.Truncate(record->written)) {
                // The disk ran out before our estimate did: this root counts as full until it is read again,
                // and the record moves or the oldest record goes, as for a shortfall of the estimate.
                std::lock_guard rootLock(record->root->mutex);
                record->root->exhausted = true;
                record->root->estimate = 0;
                continue;
            }
            qWarning() << "storage: write failed for" << record->tempPath << ::strerror(error);
            if (!full)
                NoteRootError(*record->root, error);
            if (FailRecord(*record, full ? STOWELINE_ERR_DISK_FULL : STOWELINE_ERR_IO, full))
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
                                                                        const CHANNEL_RECORD_KEY& key)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(RecordId(name, key));
    if (it == m_open.end())
        return nullptr;
    std::shared_ptr<COpenRecord> record = std::move(it->second);
    m_open.erase(it);
    return record;
}

bool CStowelineClass::AbortChannelRecord(const char* name, const CHANNEL_RECORD_KEY* key)
{
    CReportScope reports;
    if (name == nullptr || key == nullptr)
        return Fail(STOWELINE_ERR_PARAM);
    const std::shared_ptr<COpenRecord> record = TakeOpen(name, *key);
    if (!record)
        return Fail(STOWELINE_ERR_NOT_OPEN);
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
    if (name == nullptr || key == nullptr)
        return Fail(STOWELINE_ERR_PARAM);
    const std::shared_ptr<COpenRecord> record = TakeOpen(name, *key);
    if (!record)
        return Fail(STOWELINE_ERR_NOT_OPEN);

    std::lock_guard lock(record->mutex);
    record->closed = true;
    if (record->failed)
        return Fail(STOWELINE_ERR_FAILED);
    // Its disk went, or its folder was removed, while it was written: it is stored where it can be, while its
    // bytes can still be read.
    if (RecordFolderGone(*record) && !RescueRecord(*record)) {
        NoteRootError(*record->root, ENOENT);
        const bool others = OtherRootUsable(*record);
        if (others) {
            std::lock_guard rootLock(record->root->mutex);
            ReportGone(*record->root, t_rootError);
        }
        FailRecord(*record, others ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_ROOT, false);
        return false;
    }
    // Durable before it gets its final name: a crash must never leave a complete-looking, partial file.
    const int syncFault = record->syncFault ? (*record->syncFault)(record->tempPath) : 0;
    const bool synced = syncFault == 0 ? ::fsync(record->file.Get()) == 0 : (errno = syncFault, false);
    const bool closed = synced && record->file.Close();
    const bool renamed = closed && ::renameat(record->dayDir.Get(), record->tempName.constData(),
                                              record->dayDir.Get(), record->fileName.constData()) == 0;
    if (!renamed) {
        const int error = errno;
        qWarning() << "storage: cannot store" << record->finalPath << ::strerror(error);
        NoteRootError(*record->root, error);
        FailRecord(*record, STOWELINE_ERR_IO, false);
        return false;
    }
    record->stored = true;
    UnregisterTemp(record->tempPath);
    ::fsync(record->dayDir.Get()); // the new name is durable too
    if (record->backup != 0)
        NoteStored(record->backup, record->finalPath);

    // A copy of the same key stored earlier on another root is replaced as well: two copies would both be
    // found, and the old one would stay first in line for overwrite.
    for (const auto& other : record->roots) {
        if (other == record->root)
            continue;
        std::lock_guard rootLock(other->mutex);
        const CFd otherDay(other->OpenRecordFolder(record->name, record->day, false));
        qint64 stored = 0, size = 0;
        if (otherDay.Valid() && StatFile(otherDay.Get(), record->fileName, &stored, &size) &&
            ::unlinkat(otherDay.Get(), record->fileName.constData(), 0) == 0) {
            const QString stale = record->PathOn(*other, record->fileName);
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
        std::lock_guard rootLock(record->root->mutex);
        std::deque<CStored>& oldest = record->root->oldest;
        if (!oldest.empty()) {
            CStored stored{0, 0, record->finalPath, record->name, record->day, record->fileName};
            StatFile(record->dayDir.Get(), record->fileName, &stored.stored, &stored.size);
            oldest.erase(std::remove_if(oldest.begin(), oldest.end(),
                                        [&](const CStored& s) { return s.path == stored.path; }),
                         oldest.end());
            auto at = oldest.end();
            while (at != oldest.begin() && (at - 1)->stored > stored.stored)
                --at;
            oldest.insert(at, stored);
        }
    }
    t_lastError = STOWELINE_OK;
    return true;
}

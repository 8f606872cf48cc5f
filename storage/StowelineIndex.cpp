// The record index and the overwrite order: the room each root has, the closed records listed by the time
// they were stored, and the deletion of the oldest of them that no running backup stored.
#include "storage/CStowelineClass.h"

#include "storage/StowelineParts.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <map>
#include <sys/statvfs.h>

using namespace FileHandles;
using namespace StowelineDetail;

namespace StowelineDetail {

thread_local quint64 t_backup = 0;

namespace {

// The stored files of running backups (CStowelineBackupScope), by backup.
std::mutex g_backupMutex;
std::map<quint64, std::set<QString>> g_backupStored;
std::atomic<quint64> g_nextBackup{0};
std::atomic<quint64> g_backupsEnded{0};
std::mutex g_providerMutex;
StowelineFreeSpaceProvider g_defaultProvider;

} // namespace

bool IsStoredByRunningBackup(const QString& path)
{
    std::lock_guard lock(g_backupMutex);
    return std::any_of(g_backupStored.begin(), g_backupStored.end(),
                       [&](const auto& backup) { return backup.second.count(path) != 0; });
}

quint64 BackupsEnded()
{
    return g_backupsEnded.load();
}

void NoteStored(quint64 backup, const QString& path)
{
    std::lock_guard lock(g_backupMutex);
    const auto it = g_backupStored.find(backup);
    if (it != g_backupStored.end())
        it->second.insert(path);
}

qint64 FileSystemFreeSpace(const QString& directory)
{
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(directory).constData(), &fs) != 0)
        return -1;
    return static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
}
} // namespace StowelineDetail

void SetDefaultFreeSpaceProvider(StowelineFreeSpaceProvider provider)
{
    std::lock_guard lock(g_providerMutex);
    g_defaultProvider = std::move(provider);
}

StowelineFreeSpaceProvider GetDefaultFreeSpaceProvider()
{
    std::lock_guard lock(g_providerMutex);
    return g_defaultProvider ? g_defaultProvider : StowelineFreeSpaceProvider(FileSystemFreeSpace);
}

CStowelineBackupScope::CStowelineBackupScope() : m_id(++g_nextBackup)
{
    std::lock_guard lock(g_backupMutex);
    g_backupStored[m_id];
    t_backup = m_id;
}

CStowelineBackupScope::~CStowelineBackupScope()
{
    std::lock_guard lock(g_backupMutex);
    g_backupStored.erase(m_id);
    if (t_backup == m_id)
        t_backup = 0;
    ++g_backupsEnded;
}

qint64 CStowelineClass::Available(CRoot& root)
{
    // A disk left out, gone or not mounted gives no room: the folder's figure would be another disk's.
    if (root.exhausted || root.refused != 0 || DriveGone(root))
        return 0;
    const qint64 free = FreeRoom(root);
    return free < 0 ? 0 : std::max<qint64>(0, free - root.reserveBytes);
}

void CStowelineClass::LoadOldest(CRoot& root, CRoomPass& pass)
{
    // Records passed over while their backup ran are deletable once it ended, and may be the oldest of all:
    // a list without them is never taken for the disk's.
    const quint64 ended = BackupsEnded();
    if (root.passedOver && root.listedEnds != ended) {
        root.oldest.clear();
        pass.listed.erase(&root);
    }
    // Another volume under the same mount point: the list named the old one's records.
    const quint64 swaps = root.volumeSwaps.load();
    if (root.listedSwaps != swaps) {
        root.oldest.clear();
        pass.listed.erase(&root);
        root.listedSwaps = swaps;
    }
    if (!root.oldest.empty())
        return;
    // Listed once per pass; again only when the list held just the oldest and they are used up.
    if (!pass.listed.insert(&root).second && !root.oldestCut)
        return;
    root.oldestCut = false;
    root.passedOver = false;
    root.listedEnds = ended;
    // By the time each was stored, not by the time it was recorded: a backup of an older day must not
    // find its own new files first in line.
    const auto before = [](const CStored& a, const CStored& b) {
        return a.stored != b.stored ? a.stored < b.stored : a.path < b.path;
    };
    // The oldest seen so far, at most kOldestListed of them, as a heap whose top is the newest kept: a disk
    // shared with other writers may hold any number of record-named files.
    std::vector<CStored> stored;
    const CFd records(root.OpenRecords(false));
    if (!records.Valid())
        return;
    for (const DIR_ENTRY& name : ListDir(records.Get())) {
        const QString namePath = root.dir + QLatin1Char('/') + QFile::decodeName(name.Name);
        if (name.Link)
            root.NoteLink(namePath);
        const CFd nameDir(name.Dir ? OpenSubDir(records.Get(), name.Name) : -1);
        if (!nameDir.Valid())
            continue;
        for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
            const QString dayPath = namePath + QLatin1Char('/') + QFile::decodeName(day.Name);
            if (day.Link)
                root.NoteLink(dayPath);
            if (pass.undeletable.count(dayPath) != 0)
                continue;
            const CFd dayDir(day.Dir ? OpenSubDir(nameDir.Get(), day.Name) : -1);
            if (!dayDir.Valid())
                continue;
            for (const DIR_ENTRY& file : ListDir(dayDir.Get())) {
                const QString path = dayPath + QLatin1Char('/') + QFile::decodeName(file.Name);
                if (file.Link)
                    root.NoteLink(path);
                QString start, stop;
                quint32 type = 0;
                CStored record;
                if (file.File && ParseFileName(QString::fromLatin1(file.Name), &start, &stop, &type) &&
                    StatFile(dayDir.Get(), file.Name, &record.stored, &record.size)) {
                    if (IsStoredByRunningBackup(path)) {
                        root.passedOver = true;
                        continue;
                    }
                    record.path = path;
                    if (qsizetype(stored.size()) == kOldestListed) {
                        root.oldestCut = true;
                        if (!before(record, stored.front()))
                            continue;
                        std::pop_heap(stored.begin(), stored.end(), before);
                        stored.pop_back();
                    }
                    record.name = name.Name;
                    record.day = day.Name;
                    record.file = file.Name;
                    stored.push_back(std::move(record));
                    std::push_heap(stored.begin(), stored.end(), before);
                }
            }
        }
    }
    std::sort_heap(stored.begin(), stored.end(), before);
    root.oldest.assign(stored.begin(), stored.end());
}

qsizetype CStowelineClass::FirstDeletable(CRoot& root, CRoomPass& pass)
{
    // A disk that is left out, gone or not mounted is not listed: nothing of it is deleted, and what it
    // would free is no other disk's room.
    if (root.refused != 0 || DriveGone(root)) {
        root.oldest.clear();
        root.oldestCut = false;
        return -1;
    }
    // Where deleting gave back no room, nothing more is deleted until the room is seen to grow (the bin
    // emptied, the snapshots gone).
    if (root.fruitless) {
        if (FreeRoom(root) <= root.fruitlessFree)
            return -1;
        root.fruitless = false;
    }
    LoadOldest(root, pass);
    for (size_t i = 0; i < root.oldest.size(); ++i) {
        if (!IsStoredByRunningBackup(root.oldest[i].path))
            return qsizetype(i);
    }
    // Those left are a running backup's; older ones than the listing held may lie beyond it.
    if (root.oldestCut && !root.oldest.empty()) {
        root.oldest.clear();
        LoadOldest(root, pass);
        return root.oldest.empty() ? -1 : 0;
    }
    return -1;
}

bool CStowelineClass::DeleteOldest(CRoot& root, CRoomPass& pass)
{
    const qsizetype next = FirstDeletable(root, pass);
    if (next < 0)
        return false;
    const CStored record = root.oldest[size_t(next)];
    root.oldest.erase(root.oldest.begin() + next);
    // Open records live under temporary names, so only closed records are ever deleted here; and only
    // regular files in real folders, never what a link stands for.
    const CFd dayDir(root.OpenRecordFolder(record.name, record.day, false));
    qint64 stored = 0, size = 0;
    int error = 0;
    if (!dayDir.Valid())
        error = errno;
    else if (!StatFile(dayDir.Get(), record.file, &stored, &size))
        error = IsLinkAt(dayDir.Get(), record.file) ? ELOOP : ENOENT;
    else if (::unlinkat(dayDir.Get(), record.file.constData(), 0) != 0)
        error = errno;
    if (error != 0) {
        const QString folder = QFileInfo(record.path).path();
        if (error != ENOENT)
            pass.undeletable.insert(folder);
        if (error == ELOOP)
            root.NoteLink(record.path);
        else if (error != ENOENT && root.said->First(QStringLiteral("undeletable ") + folder))
            ReportAlike(
                LOG_TYPE_EXCEPTION,
                QObject::tr("Records in %1 cannot be deleted to make room: %2.")
                    .arg(folder, SystemText(error)),
                root.said->repeats, QStringLiteral("undeletable ") + root.dir,
                QObject::tr("Records below the record disk's folder %1 cannot be deleted to make room")
                    .arg(root.dir));
        return false;
    }
    root.exhausted = false;
    // The day folder, once it is empty.
    const CFd records(root.OpenRecords(false));
    const CFd nameDir(records.Valid() ? OpenSubDir(records.Get(), record.name) : -1);
    if (nameDir.Valid())
        ::unlinkat(nameDir.Get(), record.day.constData(), AT_REMOVEDIR);
    ++pass.files;
    pass.bytes += size;
    pass.freed[&root] += size;
    Report(LOG_TYPE_OPERATION,
           QObject::tr("Deleted to make room: %1.").arg(DescribeRecord(record.name, record.file)), false);
    return true;
}

bool CStowelineClass::Reserve(CRoot& root, qint64 size)
{
    if (root.estimate < size || root.sinceRefresh >= kRefreshEvery) {
        root.estimate = Available(root);
        root.sinceRefresh = 0;
    }
    if (root.estimate < size)
        return false;
    root.estimate -= size;
    root.sinceRefresh += size;
    return true;
}

bool CStowelineClass::DeleteOldestOfAll(const std::vector<std::shared_ptr<CRoot>>& roots, CRoomPass& pass)
{
    // Each turn deletes one record or drops one that cannot be deleted from its list, and no list is loaded
    // twice in a pass: the loop ends.
    for (;;) {
        std::shared_ptr<CRoot> oldestRoot;
        CStored oldest;
        for (const auto& root : roots) {
            std::lock_guard lock(root->mutex);
            const qsizetype next = FirstDeletable(*root, pass);
            if (next < 0)
                continue;
            const CStored& stored = root->oldest[size_t(next)];
            if (!oldestRoot || stored.stored < oldest.stored ||
                (stored.stored == oldest.stored && stored.path < oldest.path)) {
                oldestRoot = root;
                oldest = stored;
            }
        }
        if (!oldestRoot)
            return false;
        std::lock_guard lock(oldestRoot->mutex);
        CRoot& root = *oldestRoot;
        const qint64 before = FreeRoom(root);
        const qint64 bytesBefore = pass.bytes;
        if (DeleteOldest(root, pass)) {
            root.estimate = -1; // read the room again
            // What the deletion gave back, read from the disk: a recycle bin, snapshots or other links may
            // keep the file's room taken. Only what it gave is held for the record.
            const qint64 size = pass.bytes - bytesBefore;
            const qint64 after = FreeRoom(root);
            const qint64 gained = before < 0 || after < 0 ? 0 : std::clamp<qint64>(after - before, 0, size);
            pass.freed[&root] += gained - size;
            auto& [fruitless, kept] = pass.fruitless[&root];
            const bool gaveNothing = size > 0 && gained < size / 2;
            fruitless = gaveNothing ? fruitless + 1 : 0;
            kept = gaveNothing ? kept + size : 0;
            if (fruitless >= kFruitlessDeletions) {
                // Deleting more would empty the disk for nothing: it is full, and said so with the cause.
                // Overwrite tries again once the room has grown by what these deletions kept (the bin
                // emptied, the snapshots gone): more than a failed record's own bytes give back.
                root.fruitless = true;
                root.fruitlessFree = after + kept;
                QString drive = root.drive;
                if (drive.endsWith(QLatin1Char(':')))
                    drive.chop(1);
                Report(LOG_TYPE_EXCEPTION,
                       QObject::tr("Disk %1: the folder %2 is full, and deleting records frees no room there "
                                   "(a recycle bin or snapshots keep the files).")
                           .arg(drive, root.dir),
                       true);
            }
            return true;
        }
    }
}

qint64 CStowelineClass::FreeRoom(CRoot& root)
{
    if (!root.freeSpace || root.refused == kNoAnswer)
        return -1;
    // A share whose server went silent may still take writes into the cache for a while: its figure is then
    // the first call to wait, and it is asked with the disk's lock held.
    qint64 free = -1;
    const VolumeCall::OUTCOME outcome = VolumeCall::Run<qint64>(
        root.dir, [provider = root.freeSpace, dir = root.dir] { return provider(dir); }, kVolumeBoundMs,
        &free);
    if (outcome != VolumeCall::OUTCOME_DONE) {
        LeaveOutSilent(root, false);
        return -1;
    }
    return free;
}

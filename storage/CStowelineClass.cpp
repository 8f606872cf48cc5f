#include "storage/CStowelineClass.h"

#include "platform/DriveMap.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;
// The free-space figure is read again after this much was written, so other writers on the disk are noticed.
constexpr qint64 kRefreshEvery = 64 * kMiB;
constexpr int kMaxEncodedName = 200;
// A stored file's path must fit one answer of the search, with its terminating zero.
constexpr qsizetype kMaxPathBytes = sizeof(STOWELINE_PATH::Path) - 1;
// A record name must fit the search condition's field.
constexpr size_t kMaxNameBytes = sizeof(RECORD_SEARCH_COND::RecordName);
const QString kExtension = QStringLiteral(".rec");
const QString kTempSuffix = QStringLiteral(".part");

thread_local int t_lastError = STOWELINE_OK;
thread_local STOWELINE_ROOT_ERROR t_rootError;

bool Fail(int error)
{
    t_lastError = error;
    return false;
}

bool FailRoot(const QString& drive, const QString& path, int systemError)
{
    t_rootError = {drive, path, systemError};
    qWarning() << "storage: drive" << drive << "at" << path
               << "cannot be used:" << (systemError != 0 ? ::strerror(systemError) : "missing");
    return Fail(STOWELINE_ERR_ROOT);
}

// The time a file was stored (its last write, which its rename keeps), in nanoseconds; 0 when unknown.
qint64 StoredTime(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// The device of a directory; false when it cannot be read.
bool DeviceOf(const QString& path, dev_t* device)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = st.st_dev;
    return true;
}

// A directory on a file system of its own: a volume's mount point.
bool IsMountPoint(const QString& path)
{
    dev_t own = 0, parent = 0;
    return DeviceOf(path, &own) && DeviceOf(path + QStringLiteral("/.."), &parent) && own != parent;
}

// The stored files of running backups (CStowelineBackupScope), by backup.
std::mutex g_backupMutex;
std::map<quint64, std::set<QString>> g_backupStored;
std::atomic<quint64> g_nextBackup{0};
thread_local quint64 t_backup = 0;

bool IsStoredByRunningBackup(const QString& path)
{
    std::lock_guard lock(g_backupMutex);
    return std::any_of(g_backupStored.begin(), g_backupStored.end(),
                       [&](const auto& backup) { return backup.second.count(path) != 0; });
}

void NoteStored(quint64 backup, const QString& path)
{
    std::lock_guard lock(g_backupMutex);
    const auto it = g_backupStored.find(backup);
    if (it != g_backupStored.end())
        it->second.insert(path);
}

std::mutex g_providerMutex;
StowelineFreeSpaceProvider g_defaultProvider;

qint64 FileSystemFreeSpace(const QString& directory)
{
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(directory).constData(), &fs) != 0)
        return -1;
    return static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
}

// Temporary files of records open anywhere in this process. Only one program instance runs, so a temporary
// file that is not listed here was left by a crash; a replaced storage object may still be writing the listed
// ones.
std::mutex g_tempMutex;
std::set<QString> g_openTempFiles;

void RegisterTemp(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    g_openTempFiles.insert(path);
}

void UnregisterTemp(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    g_openTempFiles.erase(path);
}

bool IsTempOpen(const QString& path)
{
    std::lock_guard lock(g_tempMutex);
    return g_openTempFiles.count(path) != 0;
}

bool IsValidTime(const STOWELINE_TIME& t)
{
    return QDate(t.Year, t.Month, t.Day).isValid() && QTime(t.Hour, t.Minute, t.Second).isValid();
}

// YYYYMMDDhhmmss: fixed width, so text order is time order.
QString CompactText(const STOWELINE_TIME& t)
{
    return QString::asprintf("%04u%02u%02u%02u%02u%02u", unsigned(t.Year), unsigned(t.Month), unsigned(t.Day),
                             unsigned(t.Hour), unsigned(t.Minute), unsigned(t.Second));
}

// The identity of an open record: the name's bytes and the key's fields (not its reserved bytes). Cheap
// enough for every write, and it tells the same records apart as the folder and file name do.
std::string RecordId(const char* name, const CHANNEL_RECORD_KEY& key)
{
    std::string id(name);
    id.push_back('\0');
    for (const STOWELINE_TIME* t : {&key.StartTime, &key.StopTime}) {
        const uint8_t fields[] = {
            uint8_t(t->Year >> 8), uint8_t(t->Year), t->Month, t->Day, t->Hour, t->Minute, t->Second};
        id.append(reinterpret_cast<const char*>(fields), sizeof(fields));
    }
    id.append(reinterpret_cast<const char*>(&key.FileType), sizeof(key.FileType));
    return id;
}

QString FileNameOf(const CHANNEL_RECORD_KEY& key)
{
    return CompactText(key.StartTime) + QLatin1Char('_') + CompactText(key.StopTime) + QLatin1Char('_') +
           QString::number(key.FileType) + kExtension;
}

bool IsDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// A stored file's name split into its parts; false for anything else (temporary files included).
bool ParseFileName(const QString& name, QString* start, QString* stop, quint32* type)
{
    if (!name.endsWith(kExtension) || name.size() < 31 + kExtension.size())
        return false;
    const QStringView view(name);
    if (view[14] != QLatin1Char('_') || view[29] != QLatin1Char('_'))
        return false;
    const QStringView typeText = view.mid(30, name.size() - 30 - kExtension.size());
    if (!IsDigits(view.mid(0, 14)) || !IsDigits(view.mid(15, 14)) || typeText.isEmpty() ||
        !IsDigits(typeText))
        return false;
    bool ok = false;
    *type = typeText.toUInt(&ok);
    *start = name.left(14);
    *stop = name.mid(15, 14);
    return ok;
}

// A file descriptor that closes itself.
class CFileHandle
{
public:
    CFileHandle() = default;
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool Create(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        return m_fd >= 0;
    }
    bool OpenAppend(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        return m_fd >= 0;
    }
    // Cuts the file back to `size` bytes, after a write that broke off part-way, and continues writing there
    // (the offset moved with the partial write; left there, the next block would follow a hole).
    bool Truncate(qint64 size)
    {
        return ::ftruncate(m_fd, off_t(size)) == 0 && ::lseek(m_fd, off_t(size), SEEK_SET) == off_t(size);
    }
    // Writes all bytes; errno tells why when it fails.
    bool WriteAll(const uint8_t* data, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool Sync() { return ::fsync(m_fd) == 0; }
    bool Close()
    {
        if (m_fd < 0)
            return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd = -1;
};

void SyncDirectory(const QString& directory)
{
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QStringList SubDirectories(const QString& path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

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
}

struct CStowelineClass::CStored
{
    qint64 stored = 0; // when it was stored, StoredTime
    QString path;
};

struct CStowelineClass::CRoot
{
    // Fixed at Init.
    QString drive;    // as the set-up named it
    QString driveDir; // the directory the drive stands for
    // driveDir was a volume's mount point: without its volume it is a folder of another disk, never written.
    bool driveMounted = false;
    QString dir;
    qint64 reserveBytes = 0;
    bool overwrite = true;
    StowelineFreeSpaceProvider freeSpace;

    // Guarded by mutex: the room left by our own reckoning, and the closed records next in line for deletion.
    std::mutex mutex;
    qint64 estimate = -1;
    bool exhausted = false; // the file system said it is full; no room until something is deleted here
    qint64 sinceRefresh = 0;
    std::deque<CStored> oldest;
};

struct CStowelineClass::COpenRecord
{
    std::vector<std::shared_ptr<CRoot>> roots; // every root of the set-up, for moving and overwriting
    QString relativePath;                      // below a root: <name>/<day>/<file>
    QString tempName;                          // the temporary file's name beside the final one
    STOWELINE_DISKFULL_CALLBACK callback = nullptr;
    bool overwrite = true;
    std::shared_ptr<const WriteFault> writeFault;
    quint64 backup = 0; // the running backup that opened it, CStowelineBackupScope
    std::shared_ptr<const WriteFault> syncFault;

    std::mutex mutex; // one operation at a time on the file; guards everything below
    std::shared_ptr<CRoot> root;
    QString tempPath;
    QString finalPath;
    CFileHandle file;
    qint64 written = 0;
    bool failed = false;
    bool closed = false;
};

CStowelineClass::CStowelineClass() : m_freeSpace(GetDefaultFreeSpaceProvider()) {}

CStowelineClass::~CStowelineClass()
{
    Uninit();
}

QString CStowelineClass::RecordRootOf(const QString& driveDirectory)
{
    return QDir::cleanPath(driveDirectory + QStringLiteral("/Records"));
}

QString CStowelineClass::EncodeRecordName(const char* name)
{
    if (name == nullptr || *name == '\0')
        return {};
    QString encoded;
    for (const char* p = name; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-' || (c == '.' && p != name);
        if (plain)
            encoded += QLatin1Char(static_cast<char>(c));
        else
            encoded += QString::asprintf("%%%02X", unsigned(c));
        if (encoded.size() > kMaxEncodedName)
            return {};
    }
    return encoded;
}

void CStowelineClass::SetWriteFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_writeFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetSyncFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_syncFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetFreeSpaceProvider(StowelineFreeSpaceProvider provider)
{
    std::lock_guard lock(m_mutex);
    m_freeSpace = provider ? std::move(provider) : StowelineFreeSpaceProvider(FileSystemFreeSpace);
    for (auto& root : m_roots) {
        std::lock_guard rootLock(root->mutex);
        root->freeSpace = m_freeSpace;
        root->estimate = -1;
    }
}

int CStowelineClass::GetLastError() const
{
    return t_lastError;
}

STOWELINE_ROOT_ERROR CStowelineClass::GetLastRootError() const
{
    return t_rootError;
}

bool CStowelineClass::Init(const STOWELINE_INIT_PARAM* param)
{
    if (param == nullptr || param->DiskPaths.Count() == 0)
        return Fail(STOWELINE_ERR_PARAM);
    Uninit();

    std::vector<std::shared_ptr<CRoot>> roots;
    for (const STOWELINE_PATH& entry : param->DiskPaths) {
        const QString text = QFile::decodeName(entry.Path);
        QString driveDir;
        if (text.size() == 2 && text[1] == QLatin1Char(':') && text[0].isLetter())
            driveDir = CDriveMap::GetDrivePath(text[0].toLatin1());
        else if (QDir::isAbsolutePath(text))
            driveDir = text;
        if (driveDir.isEmpty())
            return FailRoot(text, QString(), 0);
        const QString dir = RecordRootOf(driveDir);
        if (std::any_of(roots.begin(), roots.end(), [&](const auto& r) { return r->dir == dir; }))
            continue;
        // The drive's directory must be there: creating it would write the recordings wherever its parent
        // lies (the system disk, under the mount point of a volume that is not mounted).
        if (!QFileInfo(driveDir).isDir())
            return FailRoot(text, driveDir, QFileInfo::exists(driveDir) ? ENOTDIR : 0);
        // Written to, not just looked at: permissions, read-only mounts and a file in the way all show here.
        const QString probe = dir + QStringLiteral("/.probe-%1").arg(::getpid());
        CFileHandle probeFile;
        QFile::remove(probe); // one left by a crash
        if ((!QFileInfo(dir).isDir() && ::mkdir(QFile::encodeName(dir).constData(), 0755) != 0) ||
            !probeFile.Create(probe))
            return FailRoot(text, dir, errno);
        probeFile.Close();
        QFile::remove(probe);

        auto root = std::make_shared<CRoot>();
        root->drive = text;
        root->driveDir = driveDir;
        root->driveMounted = IsMountPoint(driveDir);
        root->dir = dir;
        root->reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
        root->overwrite = param->Overwrite != 0;
        roots.push_back(root);
    }

    // Temporary files that no live record owns were left by a crash: they never become records.
    for (const auto& root : roots) {
        for (const QString& name : SubDirectories(root->dir)) {
            for (const QString& day : SubDirectories(root->dir + QLatin1Char('/') + name)) {
                const QString dayDir = root->dir + QLatin1Char('/') + name + QLatin1Char('/') + day;
                const QStringList temps =
                    QDir(dayDir).entryList({QLatin1Char('*') + kTempSuffix}, QDir::Files | QDir::Hidden);
                for (const QString& temp : temps) {
                    const QString path = dayDir + QLatin1Char('/') + temp;
                    if (!IsTempOpen(path))
                        QFile::remove(path);
                }
            }
        }
    }

    std::lock_guard lock(m_mutex);
    for (auto& root : roots)
        root->freeSpace = m_freeSpace;
    m_roots = std::move(roots);
    m_overwrite = param->Overwrite != 0;
    m_reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
    m_maxOpen = param->MaxOpenRecords;
    m_callback = param->DiskFullCallBack;
    m_init = true;
    t_lastError = STOWELINE_OK;
    return true;
}

void CStowelineClass::Uninit()
{
    std::map<std::string, std::shared_ptr<COpenRecord>> open;
    {
        std::lock_guard lock(m_mutex);
        open.swap(m_open);
        m_roots.clear();
        m_results.clear();
        m_init = false;
    }
    // A record nobody closed is unfinished: it must not look stored.
    for (auto& [id, record] : open) {
        std::lock_guard recordLock(record->mutex);
        record->closed = true;
        record->file.Close();
        QFile::remove(record->tempPath);
        UnregisterTemp(record->tempPath);
    }
}

qint64 CStowelineClass::Available(const CRoot& root)
{
    if (root.exhausted)
        return 0;
    const qint64 free = root.freeSpace ? root.freeSpace(root.dir) : -1;
    return free < 0 ? 0 : std::max<qint64>(0, free - root.reserveBytes);
}

void CStowelineClass::LoadOldest(CRoot& root)
{
    if (root.oldest.empty()) {
        std::vector<CStored> stored;
        for (const QString& name : SubDirectories(root.dir)) {
            const QString nameDir = root.dir + QLatin1Char('/') + name;
            for (const QString& day : SubDirectories(nameDir)) {
                const QString dayDir = nameDir + QLatin1Char('/') + day;
                for (const QString& file : QDir(dayDir).entryList(QDir::Files)) {
                    QString start, stop;
                    quint32 type = 0;
                    if (ParseFileName(file, &start, &stop, &type)) {
                        const QString path = dayDir + QLatin1Char('/') + file;
                        stored.push_back({StoredTime(path), path});
                    }
                }
            }
        }
        // By the time each was stored, not by the time it was recorded: a backup of an older day must not
        // find its own new files first in line.
        std::sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) {
            return a.stored != b.stored ? a.stored < b.stored : a.path < b.path;
        });
        root.oldest.assign(stored.begin(), stored.end());
    }
}

qsizetype CStowelineClass::FirstDeletable(CRoot& root)
{
    LoadOldest(root);
    for (size_t i = 0; i < root.oldest.size(); ++i) {
        if (!IsStoredByRunningBackup(root.oldest[i].path))
            return qsizetype(i);
    }
    return -1;
}

bool CStowelineClass::DeleteOldest(CRoot& root)
{
    for (qsizetype next; (next = FirstDeletable(root)) >= 0;) {
        const QString path = root.oldest[size_t(next)].path;
        root.oldest.erase(root.oldest.begin() + next);
        // Open records live under temporary names, so only closed records are ever deleted here.
        if (QFile::remove(path)) {
            root.exhausted = false;
            QDir().rmdir(QFileInfo(path).path()); // the day folder, once it is empty
            return true;
        }
    }
    return false;
}

bool CStowelineClass::DriveGone(const CRoot& root)
{
    // A volume that is no longer mounted leaves its empty mount point on the system disk: not a disk.
    return !QFileInfo(root.driveDir).isDir() || (root.driveMounted && !IsMountPoint(root.driveDir));
}

void CStowelineClass::NoteRootError(const CRoot& root, int systemError)
{
    const auto gone = [](const QString& path) { return QFileInfo::exists(path) ? ENOTDIR : 0; };
    if (DriveGone(root))
        t_rootError = {root.drive, root.driveDir, QFileInfo(root.driveDir).isDir() ? 0 : gone(root.driveDir)};
    else if (!QFileInfo(root.dir).isDir())
        t_rootError = {root.drive, root.dir, gone(root.dir)};
    else
        t_rootError = {root.drive, root.dir, systemError != 0 ? systemError : EIO};
}

bool CStowelineClass::EnsureRootFolder(CRoot& root)
{
    if (QFileInfo(root.dir).isDir())
        return true;
    if (DriveGone(root))
        return FailRoot(root.drive, root.driveDir, 0);
    if (::mkdir(QFile::encodeName(root.dir).constData(), 0755) != 0 && errno != EEXIST)
        return FailRoot(root.drive, root.dir, errno);
    qWarning() << "storage: the folder" << root.dir << "had gone and was made again";
    root.oldest.clear();
    root.exhausted = false;
    root.estimate = -1;
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

bool CStowelineClass::DeleteOldestOfAll(const std::vector<std::shared_ptr<CRoot>>& roots)
{
    for (;;) {
        std::shared_ptr<CRoot> oldestRoot;
        CStored oldest;
        for (const auto& root : roots) {
            std::lock_guard lock(root->mutex);
            const qsizetype next = FirstDeletable(*root);
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
        if (DeleteOldest(*oldestRoot)) {
            oldestRoot->estimate = -1; // read the room again
            return true;
        }
    }
}

bool CStowelineClass::MoveRecord(COpenRecord& record, const std::shared_ptr<CRoot>& root)
{
    const QString finalPath = root->dir + QLatin1Char('/') + record.relativePath;
    const QString dayDir = QFileInfo(finalPath).path();
    const QString tempPath = dayDir + QLatin1Char('/') + record.tempName;
    record.file.Close();
    {
        std::lock_guard rootLock(root->mutex);
        RegisterTemp(tempPath);
        QFile::remove(tempPath);
        if (!QDir().mkpath(dayDir) || !QFile::copy(record.tempPath, tempPath) ||
            !record.file.OpenAppend(tempPath)) {
            QFile::remove(tempPath);
            UnregisterTemp(tempPath);
            record.file.OpenAppend(record.tempPath);
            return false;
        }
    }
    QFile::remove(record.tempPath);
    UnregisterTemp(record.tempPath);
    {
        std::lock_guard oldLock(record.root->mutex);
        record.root->exhausted = false; // the moved bytes are free again there
    }
    record.root = root;
    record.tempPath = tempPath;
    record.finalPath = finalPath;
    return true;
}

bool CStowelineClass::MakeRoom(COpenRecord& record, qint64 size)
{
    for (;;) {
        {
            std::lock_guard lock(record.root->mutex);
            if (Reserve(*record.root, size))
                return true;
        }
        // Another root with room for the whole record takes it: a full root is not a full set of disks.
        std::shared_ptr<CRoot> best;
        qint64 bestRoom = record.written + size - 1;
        for (const auto& root : record.roots) {
            if (root == record.root ||
                QFile::encodeName(root->dir + QLatin1Char('/') + record.relativePath).size() > kMaxPathBytes)
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
        if (best && MoveRecord(record, best)) {
            std::lock_guard lock(best->mutex);
            best->estimate = -1;
            if (Reserve(*best, record.written + size)) {
                best->estimate += record.written; // the copied bytes are on the disk already
                return true;
            }
            continue;
        }
        if (!record.overwrite || !DeleteOldestOfAll(record.roots))
            return false;
    }
}

std::shared_ptr<CStowelineClass::CRoot> CStowelineClass::ChooseRoot(const QString& relativePath)
{
    for (;;) {
        std::shared_ptr<CRoot> best;
        qint64 bestRoom = 0;
        bool anyFits = false;
        bool anyThere = false;
        for (auto& root : m_roots) {
            if (QFile::encodeName(root->dir + QLatin1Char('/') + relativePath).size() > kMaxPathBytes)
                continue;
            anyFits = true;
            std::lock_guard lock(root->mutex);
            // A root whose folder is gone has no room by the file system's figure; it is not full.
            if (!EnsureRootFolder(*root))
                continue;
            anyThere = true;
            root->estimate = Available(*root);
            root->sinceRefresh = 0;
            if (root->estimate > bestRoom) {
                best = root;
                bestRoom = root->estimate;
            }
        }
        if (!anyFits) {
            Fail(STOWELINE_ERR_PARAM);
            return nullptr;
        }
        if (!anyThere) {
            Fail(STOWELINE_ERR_ROOT);
            return nullptr;
        }
        if (best)
            return best;
        if (!m_overwrite || !DeleteOldestOfAll(m_roots)) {
            Fail(STOWELINE_ERR_DISK_FULL);
            return nullptr;
        }
    }
}

bool CStowelineClass::OpenChannelRecord(const char* name, int /*reserved*/, const CHANNEL_RECORD_KEY* key)
{
    const QString folder = EncodeRecordName(name);
    if (folder.isEmpty() || std::strlen(name) > kMaxNameBytes || key == nullptr ||
        !IsValidTime(key->StartTime) || !IsValidTime(key->StopTime) ||
        CompactText(key->StopTime) < CompactText(key->StartTime))
        return Fail(STOWELINE_ERR_PARAM);
    const QString fileName = FileNameOf(*key);
    const std::string id = RecordId(name, *key);
    t_rootError = {}; // no cause left from an earlier failure on this thread

    std::lock_guard lock(m_mutex);
    if (!m_init)
        return Fail(STOWELINE_ERR_NOT_INIT);
    if (m_open.count(id) != 0)
        return Fail(STOWELINE_ERR_ALREADY_OPEN);
    if (m_maxOpen != 0 && m_open.size() >= m_maxOpen)
        return Fail(STOWELINE_ERR_TOO_MANY);
    const QString relativePath =
        folder + QLatin1Char('/') + CompactText(key->StartTime).left(8) + QLatin1Char('/') + fileName;
    std::shared_ptr<CRoot> root = ChooseRoot(relativePath);
    if (!root)
        return false;

    static std::atomic<quint64> s_sequence{0};
    auto record = std::make_shared<COpenRecord>();
    record->roots = m_roots;
    record->relativePath = relativePath;
    record->tempName = QStringLiteral(".") + fileName +
                       QStringLiteral(".%1-%2").arg(::getpid()).arg(++s_sequence) + kTempSuffix;
    record->callback = m_callback;
    record->overwrite = m_overwrite;
    record->writeFault = m_writeFault;
    record->backup = t_backup;
    record->syncFault = m_syncFault;
    record->root = root;
    record->finalPath = root->dir + QLatin1Char('/') + relativePath;
    const QString dayDir = QFileInfo(record->finalPath).path();
    record->tempPath = dayDir + QLatin1Char('/') + record->tempName;
    {
        // Under the root's lock: overwriting removes emptied day folders under the same lock.
        std::lock_guard rootLock(root->mutex);
        RegisterTemp(record->tempPath);
        if (!QDir().mkpath(dayDir) || !record->file.Create(record->tempPath)) {
            const int error = errno;
            UnregisterTemp(record->tempPath);
            qWarning() << "storage: cannot create" << record->tempPath;
            NoteRootError(*root, error);
            return Fail(STOWELINE_ERR_IO);
        }
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
    record.file.Close();
    QFile::remove(record.tempPath); // gives the space back at once
    UnregisterTemp(record.tempPath);
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
                if (DriveGone(*record->root) || !QFileInfo(record->root->dir).isDir()) {
                    NoteRootError(*record->root, 0);
                    FailRecord(*record, STOWELINE_ERR_ROOT, false);
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
    if (name == nullptr || key == nullptr)
        return Fail(STOWELINE_ERR_PARAM);
    const std::shared_ptr<COpenRecord> record = TakeOpen(name, *key);
    if (!record)
        return Fail(STOWELINE_ERR_NOT_OPEN);

    std::lock_guard lock(record->mutex);
    record->closed = true;
    if (record->failed)
        return Fail(STOWELINE_ERR_FAILED);
    // Durable before it gets its final name: a crash must never leave a complete-looking, partial file.
    const int syncFault = record->syncFault ? (*record->syncFault)(record->tempPath) : 0;
    const bool synced = syncFault == 0 ? record->file.Sync() : (errno = syncFault, false);
    const bool closed = record->file.Close();
    const bool renamed = synced && closed &&
                         ::rename(QFile::encodeName(record->tempPath).constData(),
                                  QFile::encodeName(record->finalPath).constData()) == 0;
    if (!renamed) {
        const int error = errno;
        qWarning() << "storage: cannot store" << record->finalPath << ::strerror(error);
        NoteRootError(*record->root, error);
        QFile::remove(record->tempPath);
        UnregisterTemp(record->tempPath);
        return Fail(STOWELINE_ERR_IO);
    }
    UnregisterTemp(record->tempPath);
    SyncDirectory(QFileInfo(record->finalPath).path());
    if (record->backup != 0)
        NoteStored(record->backup, record->finalPath);
    {
        // The list at hand takes the record in its place by storage time, near the end, instead of the whole
        // disk being listed again at the next deletion; a stored file it replaced leaves the list.
        std::lock_guard rootLock(record->root->mutex);
        std::deque<CStored>& oldest = record->root->oldest;
        if (!oldest.empty()) {
            const CStored stored{StoredTime(record->finalPath), record->finalPath};
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

int CStowelineClass::SearchChannelRecord(const RECORD_SEARCH_COND* condition, StowelineList** result)
{
    if (condition == nullptr || result == nullptr)
        return Fail(STOWELINE_ERR_PARAM);
    *result = nullptr;
    char name[sizeof(condition->RecordName) + 1] = {};
    std::memcpy(name, condition->RecordName, sizeof(condition->RecordName));
    const QString folder = EncodeRecordName(name);
    if (folder.isEmpty() || !IsValidTime(condition->StartTime) || !IsValidTime(condition->EndTime))
        return Fail(STOWELINE_ERR_PARAM);
    const QString from = CompactText(condition->StartTime);
    const QString to = CompactText(condition->EndTime);

    std::vector<QString> dirs;
    {
        std::lock_guard lock(m_mutex);
        if (!m_init)
            return Fail(STOWELINE_ERR_NOT_INIT);
        for (const auto& root : m_roots)
            dirs.push_back(root->dir);
    }

    struct CFound
    {
        QString start;
        QString path;
    };
    std::vector<CFound> found;
    for (const QString& dir : dirs) {
        const QString nameDir = dir + QLatin1Char('/') + folder;
        for (const QString& day : SubDirectories(nameDir)) {
            // A record lies in the folder of its start day, so later days cannot overlap the range.
            if (day.size() != 8 || !IsDigits(day) || day > to.left(8))
                continue;
            const QString dayDir = nameDir + QLatin1Char('/') + day;
            for (const QString& file : QDir(dayDir).entryList(QDir::Files)) {
                QString start, stop;
                quint32 type = 0;
                if (!ParseFileName(file, &start, &stop, &type) || start > to || stop < from)
                    continue;
                if (condition->FileType != 0 &&
                    (condition->FileType < 0 || type != quint32(condition->FileType)))
                    continue;
                found.push_back({start, dayDir + QLatin1Char('/') + file});
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.start != b.start ? a.start < b.start : a.path < b.path;
    });

    auto list = std::make_unique<StowelineList>();
    for (const CFound& f : found) {
        if (!list->Append(QFile::encodeName(f.path).constData()))
            qWarning() << "storage: path too long for a search answer:" << f.path;
    }
    t_lastError = STOWELINE_OK;
    if (list->Count() == 0)
        return 0;
    std::lock_guard lock(m_mutex);
    auto& slot = m_results[std::this_thread::get_id()];
    slot = std::move(list);
    *result = slot.get();
    return 1;
}

bool NewStowelineClass(CStowelineClass** out)
{
    if (out == nullptr)
        return false;
    *out = new (std::nothrow) CStowelineClass;
    return *out != nullptr;
}

void DelStowelineClass(CStowelineClass** object)
{
    if (object == nullptr)
        return;
    delete *object;
    *object = nullptr;
}

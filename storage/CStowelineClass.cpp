#include "storage/CStowelineClass.h"

#include "model/LogStore.h"
#include "platform/DriveMap.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTime>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
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
constexpr size_t kCopyChunk = 1024 * 1024;
const QByteArray kRecordsFolder = QByteArrayLiteral("Records");
const QByteArray kExtension = QByteArrayLiteral(".rec");
const QByteArray kTempSuffix = QByteArrayLiteral(".part");

thread_local int t_lastError = STOWELINE_OK;
thread_local STOWELINE_ROOT_ERROR t_rootError;

bool Fail(int error)
{
    t_lastError = error;
    return false;
}

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool FailRoot(const STOWELINE_ROOT_ERROR& error)
{
    t_rootError = error;
    qWarning() << "storage: drive" << error.Drive << "at" << error.Path << "cannot be used:"
               << (error.NotMounted         ? "no volume mounted"
                   : error.SystemError != 0 ? ::strerror(error.SystemError)
                                            : "missing");
    return Fail(STOWELINE_ERR_ROOT);
}

// ---- What the operator hears: log entries and event rows, sent once every storage lock is released
// ----------

struct PENDING_REPORT
{
    int Type = LOG_TYPE_OPERATION;
    QString Text;
    bool Event = false; // also a row of the page's events
};

thread_local std::vector<PENDING_REPORT>* t_reports = nullptr;

void Send(const PENDING_REPORT& report)
{
    // What the storage layer does of its own accord is overwrite; everything else it tells is a disk's fault.
    WriteLog(report.Type, report.Type == LOG_TYPE_OPERATION ? LOG_SUB_OVERWRITE : LOG_SUB_WRITE_FILE,
             report.Text);
    if (report.Event)
        CStorageEvents::Instance().Report(report.Text);
}

// Declared first in each public operation, so that it is destroyed after the operation's locks: the log's
// database lock is never taken under a storage lock, and a page's slot never runs while one is held.
class CReportScope
{
public:
    CReportScope()
    {
        if (t_reports == nullptr) {
            t_reports = &m_reports;
            m_owner = true;
        }
    }
    ~CReportScope()
    {
        if (!m_owner)
            return;
        t_reports = nullptr;
        for (const PENDING_REPORT& report : m_reports)
            Send(report);
    }
    CReportScope(const CReportScope&) = delete;
    CReportScope& operator=(const CReportScope&) = delete;

private:
    std::vector<PENDING_REPORT> m_reports;
    bool m_owner = false;
};

void Report(int type, const QString& text, bool event)
{
    qWarning().noquote() << "storage:" << text;
    const PENDING_REPORT report{type, text, event};
    if (t_reports != nullptr)
        t_reports->push_back(report);
    else
        Send(report);
}

// What one storage object has said already, so that a link or an undeletable folder met at every pass is
// named once.
struct CSaidOnce
{
    std::mutex mutex;
    std::set<QString> said;

    bool First(const QString& key)
    {
        std::lock_guard lock(mutex);
        return said.insert(key).second;
    }
};

// ---- Descriptors and directories, never through a link
// -------------------------------------------------------

// A file descriptor that closes itself.
class CFd
{
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Close(); }
    CFd(CFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFd& operator=(CFd&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    bool Close()
    {
        if (m_fd < 0)
            return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
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

private:
    int m_fd = -1;
};

bool IsLinkAt(int dir, const QByteArray& name)
{
    struct stat st;
    return ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

// A sub-directory opened without following a link; -1 with errno, ELOOP when a link stands in its place.
int OpenSubDir(int parent, const QByteArray& name)
{
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOTDIR && IsLinkAt(parent, name))
        errno = ELOOP;
    return fd;
}

// The same, made (0700) when it is missing.
int OpenOrMakeSubDir(int parent, const QByteArray& name)
{
    const int fd = OpenSubDir(parent, name);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST)
        return -1;
    return OpenSubDir(parent, name);
}

// A new record file: never through a link, never over an existing file, readable by its owner alone.
int CreateFileAt(int dir, const QByteArray& name)
{
    return ::openat(dir, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

struct DIR_ENTRY
{
    QByteArray Name;
    bool Dir = false;
    bool File = false; // a regular file
    bool Link = false;
};

// The entries of a directory, without following any of them.
std::vector<DIR_ENTRY> ListDir(int dir)
{
    std::vector<DIR_ENTRY> entries;
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return entries;
    DIR* stream = ::fdopendir(own);
    if (stream == nullptr) {
        ::close(own);
        return entries;
    }
    while (const dirent* e = ::readdir(stream)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        DIR_ENTRY entry;
        entry.Name = QByteArray(e->d_name);
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISREG(st.st_mode) ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : 0;
        }
        entry.Dir = type == DT_DIR;
        entry.File = type == DT_REG;
        entry.Link = type == DT_LNK;
        entries.push_back(entry);
    }
    ::closedir(stream);
    return entries;
}

// The time a file was stored (its last write, which its rename keeps), in nanoseconds, and its size; false
// when it is no regular file.
bool StatFile(int dir, const QByteArray& name, qint64* stored, qint64* size)
{
    struct stat st;
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return false;
    *stored = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    *size = qint64(st.st_size);
    return true;
}

// ---- Running backups
// -----------------------------------------------------------------------------------------

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

bool IsTempName(const QByteArray& name)
{
    return name.startsWith('.') && name.endsWith(kTempSuffix);
}

// Removes the temporary files in one day folder that no live record owns.
void RemoveLeftovers(int dayDir, const QString& dayPath)
{
    for (const DIR_ENTRY& entry : ListDir(dayDir)) {
        if (entry.File && IsTempName(entry.Name) &&
            !IsTempOpen(dayPath + QLatin1Char('/') + QFile::decodeName(entry.Name)))
            ::unlinkat(dayDir, entry.Name.constData(), 0);
    }
}

QByteArray NewTempName(const QByteArray& fileName)
{
    static std::atomic<quint64> s_sequence{0};
    return '.' + fileName + '.' + QByteArray::number(::getpid()) + '-' + QByteArray::number(++s_sequence) +
           kTempSuffix;
}

// ---- Names and times
// -------------------------------------------------------------------------------------------

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
           QString::number(key.FileType) + QLatin1String(kExtension);
}

bool IsDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool IsDayName(const QByteArray& name)
{
    return name.size() == 8 && IsDigits(QString::fromLatin1(name));
}

// A stored file's name split into its parts; false for anything else (temporary files included).
bool ParseFileName(const QString& name, QString* start, QString* stop, quint32* type)
{
    const qsizetype ext = kExtension.size();
    if (!name.endsWith(QLatin1String(kExtension)) || name.size() < 31 + ext)
        return false;
    const QStringView view(name);
    if (view[14] != QLatin1Char('_') || view[29] != QLatin1Char('_'))
        return false;
    const QStringView typeText = view.mid(30, name.size() - 30 - ext);
    if (!IsDigits(view.mid(0, 14)) || !IsDigits(view.mid(15, 14)) || typeText.isEmpty() ||
        !IsDigits(typeText))
        return false;
    bool ok = false;
    *type = typeText.toUInt(&ok);
    *start = name.left(14);
    *stop = name.mid(15, 14);
    return ok;
}

// YYYY-MM-DD hh:mm:ss from the compact form, as the record page shows times.
QString ReadableTime(const QString& compact)
{
    if (compact.size() != 14)
        return compact;
    return compact.left(4) + QLatin1Char('-') + compact.mid(4, 2) + QLatin1Char('-') + compact.mid(6, 2) +
           QLatin1Char(' ') + compact.mid(8, 2) + QLatin1Char(':') + compact.mid(10, 2) + QLatin1Char(':') +
           compact.mid(12, 2);
}

// A stored record in the operator's words: recorder, channel and time range, from its folder and file name
// (the folder is the record name "<address>_<port>_<channel>", encoded).
QString DescribeRecord(const QByteArray& folder, const QByteArray& file)
{
    const QString name = QString::fromLatin1(QByteArray::fromPercentEncoding(folder));
    const qsizetype channelAt = name.lastIndexOf(QLatin1Char('_'));
    const qsizetype portAt = channelAt > 0 ? name.lastIndexOf(QLatin1Char('_'), channelAt - 1) : -1;
    QString recorder = name;
    QString channel = QStringLiteral("?");
    if (portAt > 0) {
        recorder = name.left(portAt) + QLatin1Char(':') + name.mid(portAt + 1, channelAt - portAt - 1);
        channel = name.mid(channelAt + 1);
    }
    QString start, stop;
    quint32 type = 0;
    ParseFileName(QString::fromLatin1(file), &start, &stop, &type);
    return QObject::tr("recorder %1, channel %2, %3 to %4")
        .arg(recorder, channel, ReadableTime(start), ReadableTime(stop));
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
    qint64 stored = 0; // when it was stored, in nanoseconds
    qint64 size = 0;
    QString path;
    QByteArray name, day, file; // its folders below Records, and its file name
};

struct CStowelineClass::CRoot
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
    std::shared_ptr<CSaidOnce> said;

    // Guarded by mutex: the room left by our own reckoning, and the closed records next in line for deletion.
    std::mutex mutex;
    qint64 estimate = -1;
    bool exhausted = false; // the file system said it is full; no room until something is deleted here
    qint64 sinceRefresh = 0;
    std::deque<CStored> oldest;
    bool goneReported = false; // reported as left out; cleared once it can be used again

    // The Records folder, opened without following a link below the drive's folder; `create`: made when it is
    // missing. -1 with errno.
    int OpenRecords(bool create) const
    {
        const CFd drive(::open(QFile::encodeName(driveDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!drive.Valid())
            return -1;
        return create ? OpenOrMakeSubDir(drive.Get(), kRecordsFolder)
                      : OpenSubDir(drive.Get(), kRecordsFolder);
    }

    // A link met below the drive's folder is left alone, and named once.
    void NoteLink(const QString& path) const
    {
        if (said->First(QStringLiteral("link ") + path))
            Report(LOG_TYPE_EXCEPTION,
                   QObject::tr("A link below a record disk's folder is left alone: %1.").arg(path), false);
    }

    // Opens (and with `create` makes) the folders of one record: Records, the name's and the day's. The
    // day's folder, or -1 with errno.
    int OpenRecordFolder(const QByteArray& name, const QByteArray& day, bool create) const
    {
        const auto open = [&](int parent, const QByteArray& sub, const QString& path) {
            const int fd = create ? OpenOrMakeSubDir(parent, sub) : OpenSubDir(parent, sub);
            if (fd < 0 && errno == ELOOP) {
                NoteLink(path);
                errno = ELOOP;
            }
            return fd;
        };
        const CFd records(OpenRecords(create));
        if (!records.Valid()) {
            const int error = errno;
            if (error == ELOOP)
                NoteLink(dir);
            errno = error;
            return -1;
        }
        const QString namePath = dir + QLatin1Char('/') + QFile::decodeName(name);
        const CFd nameDir(open(records.Get(), name, namePath));
        if (!nameDir.Valid())
            return -1;
        return open(nameDir.Get(), day, namePath + QLatin1Char('/') + QFile::decodeName(day));
    }
};

struct CStowelineClass::COpenRecord
{
    std::vector<std::shared_ptr<CRoot>> roots; // every root of the set-up, for moving and overwriting
    QString relativePath;                      // below a root: <name>/<day>/<file>
    QByteArray name, day, fileName;            // the parts of relativePath
    STOWELINE_DISKFULL_CALLBACK callback = nullptr;
    bool overwrite = true;
    std::shared_ptr<const WriteFault> writeFault;
    quint64 backup = 0; // the running backup that opened it, CStowelineBackupScope
    std::shared_ptr<const WriteFault> syncFault;

    std::mutex mutex; // one operation at a time on the file; guards everything below
    std::shared_ptr<CRoot> root;
    CFd dayDir; // the folder it is written in, held: its close never walks a path again
    QByteArray tempName;
    QString tempPath;
    QString finalPath;
    CFd file;
    qint64 written = 0;
    bool failed = false;
    bool closed = false;
    bool stored = false;
    // What overwrite deleted to make room for this record: reported as one run when the record ends.
    int deletedFiles = 0;
    qint64 deletedBytes = 0;

    // Whatever way the record ends, a record that was not stored leaves no partial file behind.
    ~COpenRecord()
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

    void Discard()
    {
        file.Close();
        if (!stored && dayDir.Valid() && !tempName.isEmpty()) {
            if (::unlinkat(dayDir.Get(), tempName.constData(), 0) != 0 && errno != ENOENT)
                qWarning() << "storage: cannot remove" << tempPath << ::strerror(errno);
            UnregisterTemp(tempPath);
            tempName.clear();
        }
    }

    // The root's path of a file in the record's day folder.
    QString PathOn(const CRoot& on, const QByteArray& entry) const
    {
        return on.dir + QLatin1Char('/') + QFile::decodeName(name) + QLatin1Char('/') +
               QFile::decodeName(day) + QLatin1Char('/') + QFile::decodeName(entry);
    }
};

// One need for room: each root is listed at most once, so a disk whose records cannot be deleted is seen
// through once and the need ends, never listed again and again.
struct CStowelineClass::CRoomPass
{
    std::set<const CRoot*> listed;
    int files = 0;
    qint64 bytes = 0;
};

CStowelineClass::CStowelineClass() : m_freeSpace(GetDefaultFreeSpaceProvider()) {}

CStowelineClass::~CStowelineClass()
{
    Uninit();
}

QString CStowelineClass::RecordRootOf(const QString& driveDirectory)
{
    return QDir::cleanPath(driveDirectory + QLatin1Char('/') + QLatin1String(kRecordsFolder));
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
        DRIVE_MAP_ENTRY drive;
        const bool letter = text.size() == 2 && text[1] == QLatin1Char(':') && text[0].isLetter();
        if (letter)
            drive = CDriveMap::GetDrive(text[0].toLatin1());
        else if (QDir::isAbsolutePath(text))
            drive = {QDir::cleanPath(text), CDriveMap::IsMountPoint(text)};
        if (drive.Path.isEmpty())
            return FailRoot({text, QString(), 0, false});
        const QString dir = RecordRootOf(drive.Path);
        if (std::any_of(roots.begin(), roots.end(), [&](const auto& r) { return r->dir == dir; }))
            continue;
        auto root = std::make_shared<CRoot>();
        root->drive = text;
        root->driveDir = drive.Path;
        root->volume = drive.Volume;
        root->dir = dir;
        root->reserveBytes = static_cast<qint64>(param->ReserveMB) * kMiB;
        root->overwrite = param->Overwrite != 0;
        root->said = said;
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
            const CFd records(root->OpenRecords(true));
            const QByteArray probe = ".probe-" + QByteArray::number(::getpid());
            if (records.Valid()) {
                ::unlinkat(records.Get(), probe.constData(), 0); // one left by a crash
                const CFd probeFile(CreateFileAt(records.Get(), probe));
                ok = probeFile.Valid();
                if (ok)
                    ::unlinkat(records.Get(), probe.constData(), 0);
            }
            if (!ok)
                error = {text, dir, errno, false};
        }
        if (ok) {
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
            if (!nameDir.Valid())
                continue;
            for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
                const QString dayPath = namePath + QLatin1Char('/') + QFile::decodeName(day.Name);
                if (day.Link)
                    root->NoteLink(dayPath);
                const CFd dayDir(day.Dir ? OpenSubDir(nameDir.Get(), day.Name) : -1);
                if (dayDir.Valid())
                    RemoveLeftovers(dayDir.Get(), dayPath);
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
        m_results.clear();
        m_init = false;
    }
    // A record nobody closed is unfinished: it must not look stored.
    for (auto& [id, record] : open) {
        std::lock_guard recordLock(record->mutex);
        record->closed = true;
        record->Discard();
    }
}

qint64 CStowelineClass::Available(const CRoot& root)
{
    if (root.exhausted)
        return 0;
    const qint64 free = root.freeSpace ? root.freeSpace(root.dir) : -1;
    return free < 0 ? 0 : std::max<qint64>(0, free - root.reserveBytes);
}

void CStowelineClass::LoadOldest(CRoot& root, CRoomPass& pass)
{
    if (!root.oldest.empty() || !pass.listed.insert(&root).second)
        return;
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
                    record.path = path;
                    record.name = name.Name;
                    record.day = day.Name;
                    record.file = file.Name;
                    stored.push_back(record);
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

qsizetype CStowelineClass::FirstDeletable(CRoot& root, CRoomPass& pass)
{
    LoadOldest(root, pass);
    for (size_t i = 0; i < root.oldest.size(); ++i) {
        if (!IsStoredByRunningBackup(root.oldest[i].path))
            return qsizetype(i);
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
        if (error == ELOOP)
            root.NoteLink(record.path);
        else if (error != ENOENT && root.said->First(QStringLiteral("undeletable ") + folder))
            Report(LOG_TYPE_EXCEPTION,
                   QObject::tr("Records in %1 cannot be deleted to make room: %2.")
                       .arg(folder, SystemText(error)),
                   false);
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
    Report(LOG_TYPE_OPERATION,
           QObject::tr("Deleted to make room: %1.").arg(DescribeRecord(record.name, record.file)), false);
    return true;
}

bool CStowelineClass::DriveGone(const CRoot& root)
{
    // A volume that is no longer mounted leaves its empty mount point on the disk below: not a disk.
    return !QFileInfo(root.driveDir).isDir() || (root.volume && !CDriveMap::IsMountPoint(root.driveDir));
}

STOWELINE_ROOT_ERROR CStowelineClass::GoneError(const CRoot& root)
{
    const QFileInfo drive(root.driveDir);
    if (drive.isDir())
        return {root.drive, root.driveDir, 0, true};
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

void CStowelineClass::NoteRootError(const CRoot& root, int systemError)
{
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
    if (DriveGone(root)) {
        cause = GoneError(root);
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
    if (missing) {
        qWarning() << "storage: the folder" << root.dir << "had gone and was made again";
        root.oldest.clear();
        root.exhausted = false;
        root.estimate = -1;
    }
    root.goneReported = false;
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
        if (DeleteOldest(*oldestRoot, pass)) {
            oldestRoot->estimate = -1; // read the room again
            return true;
        }
    }
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

bool CStowelineClass::OtherRootUsable(const COpenRecord& record)
{
    return std::any_of(record.roots.begin(), record.roots.end(), [&](const auto& root) {
        if (root == record.root)
            return false;
        std::lock_guard lock(root->mutex);
        return EnsureRootFolder(*root);
    });
}

std::shared_ptr<CStowelineClass::CRoot> CStowelineClass::RoomiestOtherRoot(const COpenRecord& record,
                                                                           qint64 needed)
{
    std::shared_ptr<CRoot> best;
    qint64 bestRoom = needed - 1;
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
    return best;
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

std::shared_ptr<CStowelineClass::CRoot> CStowelineClass::ChooseRoot(const QString& relativePath,
                                                                    CRoomPass& pass)
{
    for (;;) {
        std::shared_ptr<CRoot> best;
        qint64 bestRoom = 0;
        bool anyFits = false;
        bool anyThere = false;
        std::vector<std::pair<std::shared_ptr<CRoot>, STOWELINE_ROOT_ERROR>> gone;
        for (auto& root : m_roots) {
            if (QFile::encodeName(root->dir + QLatin1Char('/') + relativePath).size() > kMaxPathBytes)
                continue;
            anyFits = true;
            std::lock_guard lock(root->mutex);
            // A root whose folder is gone has no room by the file system's figure; it is not full.
            STOWELINE_ROOT_ERROR error;
            if (!EnsureRootFolder(*root, &error)) {
                gone.emplace_back(root, error);
                continue;
            }
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
        if (!m_overwrite || !DeleteOldestOfAll(m_roots, pass)) {
            Fail(STOWELINE_ERR_DISK_FULL);
            return nullptr;
        }
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

int CStowelineClass::SearchChannelRecord(const RECORD_SEARCH_COND* condition, StowelineList** result)
{
    CReportScope reports;
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

    std::vector<std::shared_ptr<CRoot>> roots;
    {
        std::lock_guard lock(m_mutex);
        if (!m_init)
            return Fail(STOWELINE_ERR_NOT_INIT);
        roots = m_roots;
    }

    struct CFound
    {
        QString start;
        QString path;
    };
    std::vector<CFound> found;
    const QByteArray folderName = folder.toLatin1();
    for (const auto& root : roots) {
        const CFd records(root->OpenRecords(false));
        const CFd nameDir(records.Valid() ? OpenSubDir(records.Get(), folderName) : -1);
        if (!nameDir.Valid())
            continue;
        const QString namePath = root->dir + QLatin1Char('/') + folder;
        for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
            // A record lies in the folder of its start day, so later days cannot overlap the range.
            if (!day.Dir || !IsDayName(day.Name) || QString::fromLatin1(day.Name) > to.left(8))
                continue;
            const CFd dayDir(OpenSubDir(nameDir.Get(), day.Name));
            if (!dayDir.Valid())
                continue;
            const QString dayPath = namePath + QLatin1Char('/') + QString::fromLatin1(day.Name);
            for (const DIR_ENTRY& file : ListDir(dayDir.Get())) {
                QString start, stop;
                quint32 type = 0;
                const QString fileName = QFile::decodeName(file.Name);
                if (!file.File || !ParseFileName(fileName, &start, &stop, &type) || start > to || stop < from)
                    continue;
                if (condition->FileType != 0 &&
                    (condition->FileType < 0 || type != quint32(condition->FileType)))
                    continue;
                found.push_back({start, dayPath + QLatin1Char('/') + fileName});
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

// The storage layer, its set-up and the drive letters: a recording that is lost, mixed up, reported as stored
// when it is not, or written outside its root or to the wrong disk is exactly what a backup station must
// never do; a wrong set-up result hides a disk problem from the operator.

#include "engine/ManualBackup.h"
#include "model/LogStore.h"
#include "model/Utility.h"
#include "platform/DriveMap.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// Every fsync of the program's code in this test passes here (the test is linked with --wrap=fsync): what was
// synced, and how large it was at that moment.
extern "C" int __real_fsync(int fd);

namespace {

std::mutex g_syncMutex;
bool g_recordSyncs = false;
QStringList g_syncs; // "<path> <size>" of each fsync while recorded

} // namespace

extern "C" int __wrap_fsync(int fd)
{
    std::lock_guard lock(g_syncMutex);
    if (g_recordSyncs) {
        struct stat st;
        const QString path = QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
        const bool known = ::fstat(fd, &st) == 0;
        g_syncs << path + (known && S_ISREG(st.st_mode) ? QStringLiteral(" %1").arg(st.st_size) : QString());
    }
    return __real_fsync(fd);
}

namespace {

constexpr qint64 kKiB = 1024;
const qint64 kReserve = 256 * kKiB * kKiB; // kept free on every disk: the set-up's value, pinned here

using TestSupport::LogTexts;
using TestSupport::Search;
using TestSupport::Time;

CHANNEL_RECORD_KEY Key(int day, int startHour, int stopHour)
{
    return {Time(day, startHour), Time(day, stopHour, 30, 15), 1, 0};
}

// The bytes of stream `seed` from byte index * size on: a swapped, shifted or mixed-up block shows.
QByteArray Block(int seed, int index, int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0, pos = qint64(index) * size; i < size; ++i, ++pos)
        data[i] = static_cast<char>(pos * 131 + pos / 251 + seed * 17);
    return data;
}

// Writes the blocks to an open record (the first as its header), from block `from` of the stream on; how
// many were written before one failed.
int WriteBlocks(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed, int blocks,
                int blockSize, int from = 0)
{
    for (int i = 0; i < blocks; ++i) {
        const QByteArray b = Block(seed, from + i, blockSize);
        if (!s.WriteChannelRecord(name, from + i == 0 ? 1 : 2,
                                  reinterpret_cast<const uint8_t*>(b.constData()),
                                  static_cast<uint32_t>(b.size()), &key))
            return i;
    }
    return blocks;
}

// Opens, writes the blocks and closes one record; false when any step fails.
bool Store(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed, int blocks,
           int blockSize)
{
    return s.OpenChannelRecord(name, 0, &key) &&
           WriteBlocks(s, name, key, seed, blocks, blockSize) == blocks && s.CloseChannelRecord(name, &key);
}

// Dates the stored file of the key `minute` minutes into 1 April 2024: an order of storage on the disk
// without waiting for the clock.
bool StoredAt(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int minute)
{
    const QString start = QString::asprintf("/202403%02d%02d0000_", key.StartTime.Day, key.StartTime.Hour);
    for (const QString& path : Search(s, name, key.StartTime.Day)) {
        if (path.contains(start)) {
            const timespec when{1711929600 + minute * 60, 0};
            const timespec times[2] = {when, when};
            return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
        }
    }
    return false;
}

SYSTEM_CONFIG Config(const char* disks, int mode)
{
    SYSTEM_CONFIG config;
    std::strncpy(config.Disk, disks, sizeof(config.Disk) - 1);
    config.DiskMode = static_cast<int16_t>(mode);
    return config;
}

int Mode(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool Link(const QString& target, const QString& link)
{
    return QDir().mkpath(QFileInfo(link).path()) &&
           ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(text) == text.size();
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void storedOnlyWhenClosedReplacedAndAborted();
    void overwriteDeletesOldestClosedNeverOpen();
    void olderDayBackupKeepsItsOwnFiles();
    void backupRunNeverOverwritesItsOwnFiles();
    void missingRecordsFolderIsMadeAgain();
    void severalRootsShareTheRecords_data();
    void severalRootsShareTheRecords();
    void outOfSpaceIsCutBackAndRetried();
    void namesStayInsideTheirRoot();
    void driveLettersAndRefusedSetUp();
    void driveLettersNeverMove();
    void driveMapLetters();
    void setUpInOverwriteModeOverwrites();
    void replacedWhileARecordIsOpen();
    void storedOnlyOnceFlushed();
    void everyRecordSyncedBeforeItsName();
    void storedAgainTakesItsNewPlace_data();
    void storedAgainTakesItsNewPlace();
    void overwriteIsLoggedAndOneEventPerRecord();
    void severalDisksOneGone();
    void overwriteDeletesTheOldestOfAllDisks();
    void searchEdgesAndNameLength();
    void partialFilesGoWhenTheRunStops();
    void noLinkFollowedBelowTheDisk();
    void recordsAreTheOperatorsAlone();
    void driveMapIsABoundedRegularFile_data();
    void driveMapIsABoundedRegularFile();
    void volumeThatDidNotMountIsNoDisk();
    void overwriteOfUndeletableRecordsEnds();

private:
    bool Setup(CStowelineClass& s, bool overwrite, const QStringList& moreRoots = {});

    QTemporaryDir m_disks;                  // what the map's E: and F: stand for
    std::unique_ptr<QTemporaryDir> m_drive; // D:
    QString m_root;
    CQuotaRoots m_quota;
};

void TestStorage::initTestCase()
{
    QVERIFY(QDir().mkpath(m_disks.filePath("e")) && QDir().mkpath(m_disks.filePath("g")));
    // F: lies below a plain file, so it cannot be created even with every permission; on G: a plain file
    // stands where its Records folder belongs.
    for (const char* path : {"blocker", "g/Records"}) {
        QFile blocker(m_disks.filePath(path));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
}

void TestStorage::init()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider(m_quota.Provider()); // an engine fixture puts the file system's back
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    m_root = CStowelineClass::RecordRootOf(m_drive->path());
    DiskFullCalls() = 0;
    QVERIFY(MapDrives({{'D', m_drive->path()},
                       {'E', m_disks.filePath("e")},
                       {'F', m_disks.filePath("blocker") + "/disk"},
                       {'G', m_disks.filePath("g")}}));
}

void TestStorage::cleanupTestCase()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider({});
    QFile::remove(GetAbsolutePath("Drives.conf"));
}

bool TestStorage::Setup(CStowelineClass& s, bool overwrite, const QStringList& moreRoots)
{
    s.SetFreeSpaceProvider(m_quota.Provider());
    STOWELINE_INIT_PARAM param;
    for (const QString& root : QStringList{m_drive->path()} + moreRoots)
        param.DiskPaths.Append(QFile::encodeName(root).constData());
    param.ReserveMB = 0;
    param.Overwrite = overwrite ? 1 : 0;
    param.DiskFullCallBack = CountDiskFull;
    return s.Init(&param);
}

void TestStorage::storedOnlyWhenClosedReplacedAndAborted()
{
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "192.168.1.64_8000_1";
    const CHANNEL_RECORD_KEY key = Key(5, 3, 4);

    // While the record is open it is invisible to the search: a half-written file never looks stored.
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(WriteBlocks(s, name, key, 1, 20, 4099), 20);
    QVERIFY(Search(s, name, 5).isEmpty());
    QVERIFY(s.CloseChannelRecord(name, &key));
    // The name carries the times and type the record page parses; the two folders above it are what export
    // keeps.
    const QString path = m_root + "/192.168.1.64_8000_1/20240305/20240305030000_20240305043015_1.rec";
    QCOMPARE(Search(s, name, 5), QStringList{path});
    QCOMPARE(ReadAll(path), Block(1, 0, 20 * 4099));

    // A download restarted after a broken stream stores its key again: one clean copy, the new content.
    QVERIFY(Store(s, name, key, 2, 3, 700));
    QCOMPARE(FilesUnder(m_root), QStringList{path});
    QCOMPARE(ReadAll(path), Block(2, 0, 3 * 700));
    // A download that broke off is given up: the stored copy stays, the partial one leaves no trace.
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(WriteBlocks(s, name, key, 3, 1, 500), 1);
    QVERIFY(s.AbortChannelRecord(name, &key));
    QCOMPARE(FilesUnder(m_root), QStringList{path});
    QCOMPARE(ReadAll(path), Block(2, 0, 3 * 700));
    // Closed or given up, it is no longer open: neither ends it again, and neither goes without its name or
    // key.
    for (const bool abort : {false, true}) {
        QVERIFY(!(abort ? s.AbortChannelRecord(name, &key) : s.CloseChannelRecord(name, &key)));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NOT_OPEN));
        QVERIFY(!(abort ? s.AbortChannelRecord(name, nullptr) : s.CloseChannelRecord(nullptr, &key)));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_PARAM));
    }

    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    QVERIFY(!s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_ALREADY_OPEN));
    const uint8_t byte = 7;
    QVERIFY(!s.WriteChannelRecord(name, 3, &byte, 1, &key)); // neither header nor stream
    // Uninit discards what nobody closed: no temporary file, and the stored copy stays.
    s.Uninit();
    QCOMPARE(FilesUnder(m_root), QStringList{path});
    QVERIFY(!s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NOT_INIT));
}

void TestStorage::overwriteDeletesOldestClosedNeverOpen()
{
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.2.2.2_8000_1";
    // Stored out of start order: what goes first is what was stored first, whatever it recorded.
    int minute = 0;
    for (const int hour : {3, 1, 2})
        QVERIFY(Store(s, name, Key(8, hour, hour + 1), hour, 5, 50 * kKiB) &&
                StoredAt(s, name, Key(8, hour, hour + 1), ++minute));

    // The open record is older than all of them and still must not be touched.
    const CHANNEL_RECORD_KEY open = Key(8, 0, 1);
    QVERIFY(s.OpenChannelRecord(name, 0, &open));
    // 600 KiB more than fits beside the three stored 250 KiB records.
    QCOMPARE(WriteBlocks(s, name, open, 4, 12, 50 * kKiB), 12);
    QVERIFY(CQuotaRoots::UsedBytes(m_drive->path()) <= 1000 * kKiB);
    QVERIFY(s.CloseChannelRecord(name, &open));
    const QStringList left = Search(s, name, 8);
    QCOMPARE(left.size(), 2);
    QCOMPARE(ReadAll(left[0]), Block(4, 0, 12 * 50 * kKiB));
    QVERIFY(left[1].endsWith("20240308020000_20240308033015_1.rec"));
    // The record just stored takes its place behind those stored before it.
    QVERIFY(Store(s, name, Key(8, 5, 6), 5, 6, 50 * kKiB));
    QCOMPARE(Search(s, name, 8),
             (QStringList{left[0], m_root + "/" + name + "/20240308/20240308050000_20240308063015_1.rec"}));
}

void TestStorage::olderDayBackupKeepsItsOwnFiles()
{
    // A disk holding last week's newer recordings gets an older day backed up: the newer ones go, the job's
    // own files never, and when only they are left the disk is full, until the job has ended.
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.3.3.3_8000_1";
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Store(s, name, Key(20, hour, hour), hour, 4, 50 * kKiB) &&
                StoredAt(s, name, Key(20, hour, hour), hour));
    {
        const CStowelineBackupScope job;
        for (int hour = 1; hour <= 5; ++hour)
            QVERIFY(Store(s, name, Key(10, hour, hour), 10 + hour, 4, 50 * kKiB));
        QVERIFY(Search(s, name, 20).isEmpty());
        QVERIFY(!Store(s, name, Key(10, 6, 6), 16, 4, 50 * kKiB));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
        const QStringList kept = Search(s, name, 10);
        QCOMPARE(kept.size(), 5);
        for (int hour = 1; hour <= 5; ++hour)
            QCOMPARE(ReadAll(kept[hour - 1]), Block(10 + hour, 0, 4 * 50 * kKiB));
    }
    QVERIFY(Store(s, name, Key(10, 6, 6), 16, 4, 50 * kKiB));
    QCOMPARE(Search(s, name, 10).size(), 5);
}

void TestStorage::backupRunNeverOverwritesItsOwnFiles()
{
    // The engine's side of it: a manual backup in overwrite mode onto a disk with room for two of its three
    // files stops at a full disk with both kept, rather than marking three done and keeping two.
    const QDate sunday(2024, 3, 3);
    CEngineFixture f(QDateTime(sunday.addDays(2), QTime(19, 0)));
    const int device =
        f.AddDevice(CSimRecorders::MakeConfig(1, {400000, 400000, 400000}, sunday, 17), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(0, 900000), 0);
    f.SetManual(sunday, {{int16_t(device), 1}});
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(30000));
    QCOMPARE(f.StoredFiles(device, 1).size(), 2);
    QCOMPARE(DoneFiles(StoredTasks(MANUAL_GROUP_ID)), 2);
}

void TestStorage::missingRecordsFolderIsMadeAgain()
{
    // After a remount or a disk swap the drive is there without its Records folder: by the file system's
    // figure it has no room, yet it is not full. A drive that has gone itself is refused, never created.
    CStowelineClass s;
    QVERIFY(Setup(s, false));
    s.SetFreeSpaceProvider({});
    const char* name = "10.6.6.6_8000_1";
    QVERIFY(Store(s, name, Key(2, 1, 1), 1, 1, 100));
    QVERIFY(QDir(m_root).removeRecursively());
    QVERIFY(Store(s, name, Key(2, 2, 2), 2, 1, 100));
    QCOMPARE(ReadAll(Search(s, name, 2).value(0)), Block(2, 0, 100));
    // A record open when the drive goes runs out of room there: the cause is the drive, not a full disk.
    const CHANNEL_RECORD_KEY open = Key(2, 4, 4);
    QVERIFY(s.OpenChannelRecord(name, 0, &open));
    QCOMPARE(WriteBlocks(s, name, open, 4, 1, 100), 1);
    QVERIFY(m_drive->remove());
    s.SetFreeSpaceProvider({}); // the room is read again
    QCOMPARE(WriteBlocks(s, name, open, 4, 1, 100), 0);
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_ROOT));
    QCOMPARE(s.GetLastRootError().Path, m_drive->path());
    QVERIFY(s.AbortChannelRecord(name, &open));
    QVERIFY(!Store(s, name, Key(2, 3, 3), 3, 1, 100));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_ROOT));
    QCOMPARE(s.GetLastRootError().Path, m_drive->path());
    QVERIFY(!QFileInfo::exists(m_drive->path()));
    QCOMPARE(DiskFullCalls().load(), 0);
}

void TestStorage::severalRootsShareTheRecords_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("stop mode") << false;
    QTest::newRow("overwrite mode") << true;
}

void TestStorage::severalRootsShareTheRecords()
{
    // A full root is not a full set of disks: a record that fills its root moves on to a root with room,
    // and in overwrite mode nothing old is deleted while there is room elsewhere.
    QFETCH(bool, overwrite);
    QTemporaryDir second;
    m_quota.SetQuota(m_drive->path(), 400 * kKiB);
    m_quota.SetQuota(second.path(), 360 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, overwrite, {second.path()}));
    const char* name = "10.4.4.4_8000_1";
    QVERIFY(Store(s, name, Key(13, 0, 1), 1, 1, 20 * kKiB)); // an old record, on the roomier first root
    const CHANNEL_RECORD_KEY moving = Key(13, 2, 3);
    QVERIFY(s.OpenChannelRecord(name, 0, &moving));          // the first root still has the most room
    QVERIFY(Store(s, name, Key(13, 4, 5), 2, 6, 50 * kKiB)); // 300 KiB beside it on the same root
    QCOMPARE(WriteBlocks(s, name, moving, 3, 6, 50 * kKiB), 6);
    QVERIFY(s.CloseChannelRecord(name, &moving));
    QCOMPARE(DiskFullCalls().load(), 0);
    const QStringList found = Search(s, name, 13);
    QCOMPARE(found.size(), 3);
    QCOMPARE(FilesUnder(CStowelineClass::RecordRootOf(second.path())), QStringList{found[1]});
    QCOMPARE(ReadAll(found[1]), Block(3, 0, 6 * 50 * kKiB));
}

void TestStorage::outOfSpaceIsCutBackAndRetried()
{
    // The file system runs out before the estimate does: until the oldest record is gone every write takes
    // part of its block and then fails with ENOSPC, as a full disk does. Overwrite mode cuts the partial
    // bytes off (left, the copy holds them twice or after a hole), deletes the oldest and writes again; stop
    // mode fails the record and calls the full-disk callback.
    for (const bool overwrite : {true, false}) {
        init();
        CStowelineClass s;
        QVERIFY(Setup(s, overwrite));
        const char* name = "10.5.5.5_8000_1";
        QVERIFY(Store(s, name, Key(14, 0, 1), 1, 1, 1000));
        QVERIFY(Store(s, name, Key(14, 1, 2), 2, 1, 1000));
        const QString oldest = Search(s, name, 14).value(0);
        s.SetWriteFault([oldest](const QString& path) {
            if (!QFile::exists(oldest))
                return 0;
            // Through the record's own descriptor, so that its offset moves as a real partial write moves it.
            for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files))
                if (fd.symLinkTarget() == path)
                    (void)!::write(fd.fileName().toInt(), QByteArray(300, 'x').constData(), 300);
            return ENOSPC;
        });
        QCOMPARE(Store(s, name, Key(14, 2, 3), 3, 2, 1000), overwrite);
        QCOMPARE(QFile::exists(oldest), !overwrite);
        const QStringList found = Search(s, name, 14);
        QCOMPARE(found.size(), 2);
        QCOMPARE(DiskFullCalls().load(), overwrite ? 0 : 1);
        if (overwrite)
            QCOMPARE(ReadAll(found[1]), Block(3, 0, 2 * 1000));
    }
}

void TestStorage::namesStayInsideTheirRoot()
{
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* names[] = {"../../escape", "..", ".", "a/b", "/abs", "%2E%2E", ".hidden", "x\\y"};
    int seed = 0;
    for (const char* name : names)
        QVERIFY2(Store(s, name, Key(11, 1, 2), ++seed, 1, 64), name);

    // Every file lies exactly two folders below the root, one folder per name, and each name finds only its
    // own.
    QCOMPARE(QDir(m_drive->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Records"});
    QStringList folders;
    for (const QString& f : FilesUnder(m_root)) {
        QCOMPARE(f.count('/'), m_root.count('/') + 3);
        folders.append(f.section('/', -3, -3));
    }
    folders.removeDuplicates();
    QCOMPARE(folders.size(), int(std::size(names)));
    seed = 0;
    for (const char* name : names)
        QCOMPARE(ReadAll(Search(s, name, 11).value(0)), Block(++seed, 0, 64));

    // A record the search could not return is refused, never stored unfindable: a name longer than the
    // search condition's field, or a path longer than one search answer.
    const CHANNEL_RECORD_KEY key = Key(11, 1, 2);
    const int pathRoom = 259 - int(QFile::encodeName(m_root).size()) - int(strlen("//20240311/")) -
                         int(strlen("20240311010000_20240311023015_1.rec"));
    QVERIFY(pathRoom > 60 && pathRoom < 3 * 66);
    for (const QByteArray& refused : {QByteArray(129, 'a'), QByteArray(pathRoom / 3 + 1, '#')}) {
        QVERIFY(!s.OpenChannelRecord(refused.constData(), 0, &key));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_PARAM));
    }
    const QByteArray longest(pathRoom / 3, '#');
    QVERIFY(Store(s, longest.constData(), key, 1, 1, 8));
    QCOMPARE(Search(s, longest.constData(), 11).size(), 1);
}

void TestStorage::driveLettersAndRefusedSetUp()
{
    QCOMPARE(CDriveMap::GetDrivePath('d'), m_drive->path());
    QVERIFY(CDriveMap::GetDrivePath('C').isEmpty()); // the file is the whole map
    const QList<DRIVE_INFO> drives = CDriveMap::GetDrives();
    QCOMPARE(drives.size(), 4);
    QCOMPARE(drives[0].TotalBytes, QStorageInfo(m_drive->path()).bytesTotal());
    QVERIFY(drives[0].FreeBytes > 0 && drives[0].FreeBytes <= drives[0].TotalBytes);
    QCOMPARE(drives[2].TotalBytes, 0); // a missing directory shows no space rather than another disk's
    QVERIFY(drives[0].Exists && !drives[2].Exists);

    // A set-up that fails, or names no letter, leaves no object behind.
    QCOMPARE(CreateStorage(CountDiskFull, Config("DE", 0)), 0);
    QVERIFY(QDir(m_root).exists() && QDir(m_disks.filePath("e/Records")).exists());
    const std::weak_ptr<CStowelineClass> previous = GetStoweline();
    // The box names the disk, its folder and the cause, not the code alone. A disk that is not there is
    // waited for; only one that is there but unusable is to be checked and cleared.
    const QString code = "Create Storage Error:12.Please check and clear the local disk.\n";
    const QString waits = "\nThe backups wait for this disk and start once it is there.";
    QCOMPARE(CreateStorage(CountDiskFull, Config("F", 1)), int(STOWELINE_ERR_ROOT));
    QVERIFY(!GetStoweline());
    QVERIFY(previous.expired());
    const QString missingF = "Disk F: the folder " + m_disks.filePath("blocker") +
                             "/disk does not exist (is its volume mounted?).";
    QCOMPARE(StorageErrorText(12), missingF + waits);
    QCOMPARE(StorageFailureCause(), missingF);
    QCOMPARE(CreateStorage(CountDiskFull, Config("G", 0)), int(STOWELINE_ERR_ROOT));
    const QString blockedG = "Disk G: the folder " + m_disks.filePath("g/Records") +
                             " cannot be written: " + std::strerror(ENOTDIR) + ".";
    QCOMPARE(StorageErrorText(12), code + blockedG);
    QCOMPARE(StorageFailureCause(), blockedG);
    QCOMPARE(CreateStorage(CountDiskFull, Config("Q", 0)), int(STOWELINE_ERR_ROOT)); // no directory for Q:
    QVERIFY(!GetStoweline());
    QCOMPARE(StorageErrorText(12), "Disk Q has no folder. Give it one with a line \"Q=/path/to/folder\" in " +
                                       GetAbsolutePath("Drives.conf") + "." + waits);
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), 0);
    QCOMPARE(StorageFailureCause(), QString());
    QCOMPARE(CreateStorage(CountDiskFull, Config("", 0)), 0);
    QVERIFY(!GetStoweline());
    QCOMPARE(StorageFailureCause(), QStringLiteral("No record disk is chosen."));
}

void TestStorage::driveLettersNeverMove()
{
    // Fixed volumes come and go around the letters already given; what the file lists stays as it is.
    QTemporaryDir volumes;
    for (const char* dir : {"0", "a", "b", "c", "usb"})
        QVERIFY(QDir().mkpath(volumes.filePath(dir)));
    QStringList mounted{volumes.filePath("a"), volumes.filePath("b")};
    CDriveMap::SetVolumeSource([&mounted] { return mounted; });
    const QString conf = GetAbsolutePath("Drives.conf");
    auto confLines = [&] {
        return QString::fromUtf8(ReadAll(conf))
            .split('\n', Qt::SkipEmptyParts)
            .filter(QRegularExpression("^#?[A-Z]="));
    };
    QVERIFY(QFile::remove(conf));
    QCOMPARE(CDriveMap::ReadMap(), (QMap<char, QString>{{'C', mounted[0]}, {'D', mounted[1]}}));

    // The operator lists a removable disk and a folder, and hides nothing yet; a new volume that sorts first
    // takes the next free letter and the others keep theirs.
    QFile file(conf);
    QVERIFY(file.open(QIODevice::Append) &&
            file.write("G=" + QFile::encodeName(volumes.filePath("usb")) + "\n") > 0);
    file.close();
    mounted.prepend(volumes.filePath("0"));
    QCOMPARE(CDriveMap::ReadMap(), (QMap<char, QString>{{'C', volumes.filePath("a")},
                                                        {'D', volumes.filePath("b")},
                                                        {'E', volumes.filePath("0")},
                                                        {'G', volumes.filePath("usb")}}));
    QCOMPARE(confLines(), (QStringList{"C=" + volumes.filePath("a"), "D=" + volumes.filePath("b"),
                                       "G=" + volumes.filePath("usb"), "E=" + volumes.filePath("0")}));

    // Volume a is gone: C keeps its path, shown as missing, and the new volume c does not take it; a volume
    // whose line is commented out stays out and keeps its letter.
    QVERIFY(QDir(volumes.filePath("a")).removeRecursively());
    mounted = QStringList{volumes.filePath("0"), volumes.filePath("b"), volumes.filePath("c")};
    QString text = QString::fromUtf8(ReadAll(conf));
    text.replace("\nE=", "\n#E=");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) > 0);
    file.close();
    const QList<DRIVE_INFO> drives = CDriveMap::GetDrives();
    QCOMPARE(drives.size(), 4);
    QCOMPARE(drives[0].Letter, 'C');
    QCOMPARE(drives[0].Path, volumes.filePath("a"));
    QVERIFY(!drives[0].Exists && drives[1].Exists);
    QCOMPARE(drives[2].Letter, 'F'); // E stays with the hidden volume
    QCOMPARE(drives[2].Path, volumes.filePath("c"));
    QCOMPARE(CDriveMap::GetDrivePath('e'), QString());
}

void TestStorage::driveMapLetters()
{
    // One letter from A to Z, in either case, and an absolute folder; anything else names no disk.
    const QMap<char, QString> map = CDriveMap::ParseMapText(
        "A=/disks/a\nZ=/disks/z\nm=/disks/m\n@=/disks/at\n[=/disks/bracket\nAB=/disks/ab\nQ=disks/q\n");
    QCOMPARE(map.keys(), (QList<char>{'A', 'M', 'Z'}));
    QCOMPARE(map.value('A'), QStringLiteral("/disks/a"));
    QCOMPARE(map.value('Z'), QStringLiteral("/disks/z"));
    QCOMPARE(map.value('M'), QStringLiteral("/disks/m"));
}

void TestStorage::setUpInOverwriteModeOverwrites()
{
    // (Any other mode stops and calls the callback: the download worker's full-disk test.)
    m_quota.SetQuota(m_drive->path(), kReserve + 100 * kKiB);
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), 0);
    const char* name = "10.9.9.9_8000_1";
    for (int hour = 1; hour <= 2; ++hour) // the second record fits only in place of the first
        QVERIFY(Store(*GetStoweline(), name, Key(1, hour, hour), hour, 1, 60 * kKiB));
    QCOMPARE(Search(*GetStoweline(), name, 1).size(), 1);
    QCOMPARE(DiskFullCalls().load(), 0);
    // A record larger than the whole disk fails when nothing is left to overwrite; the stop mode's callback
    // is not registered in this mode, so nothing stops the other backups.
    QVERIFY(!Store(*GetStoweline(), name, Key(1, 3, 3), 3, 1, 200 * kKiB));
    QCOMPARE(DiskFullCalls().load(), 0);
}

void TestStorage::replacedWhileARecordIsOpen()
{
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 1)), 0);
    // The worker keeps the object it opened the record with.
    std::shared_ptr<CStowelineClass> worker = GetStoweline();
    const char* name = "10.8.8.8_8000_2";
    const CHANNEL_RECORD_KEY key = Key(1, 5, 5);
    QVERIFY(worker->OpenChannelRecord(name, 0, &key));
    QCOMPARE(WriteBlocks(*worker, name, key, 1, 1, 64 * kKiB), 1);

    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 1)), 0);
    const std::shared_ptr<CStowelineClass> current = GetStoweline();
    QVERIFY(current && current != worker);
    // The new object's clean-up of crash leftovers spares the record still being written.
    QCOMPARE(WriteBlocks(*worker, name, key, 1, 2, 64 * kKiB), 2);
    QVERIFY(worker->CloseChannelRecord(name, &key));
    QCOMPARE(Search(*current, name, 1).size(), 1);

    // A replaced object released with a record nobody closed leaves no file that looks stored.
    const CHANNEL_RECORD_KEY abandoned = Key(1, 6, 6);
    QVERIFY(worker->OpenChannelRecord(name, 0, &abandoned));
    worker.reset();
    QCOMPARE(FilesUnder(m_root), Search(*current, name, 1));
}

void TestStorage::storedOnlyOnceFlushed()
{
    // The flush comes before the rename (a power cut after it must not lose a file marked done), and a
    // failed flush stores nothing.
    for (const int error : {0, EIO}) {
        init();
        CStowelineClass s;
        QVERIFY(Setup(s, true));
        const char* name = "10.7.7.7_8000_1";
        QStringList atFlush;
        s.SetSyncFault([&](const QString& path) {
            atFlush = FilesUnder(m_root) << QString::number(QFileInfo(path).size());
            return error;
        });
        QCOMPARE(Store(s, name, Key(16, 0, 1), 1, 2, 1000), error == 0);
        QCOMPARE(atFlush.size(), 2);
        QVERIFY2(atFlush[0].endsWith(".part") && atFlush[1] == "2000", qPrintable(atFlush.join(' ')));
        QCOMPARE(FilesUnder(m_root).size(), error == 0 ? 1 : 0);
    }
}

void TestStorage::everyRecordSyncedBeforeItsName()
{
    // A power cut after a record got its final name must find all of it on the disk: every record closed is
    // synced whole while it still has its temporary name, then its folder, which holds the new name, then the
    // folders above that hold a new day's and a new recorder's folder (not every file system commits a new
    // folder's entry with the folder); a record given up is not synced at all.
    QTemporaryDir second;
    m_quota.SetQuota(m_drive->path(), 400 * kKiB);
    m_quota.SetQuota(second.path(), 360 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, false, {second.path()}));
    const char* name = "10.11.11.11_8000_1";
    {
        std::lock_guard lock(g_syncMutex);
        g_syncs.clear();
        g_recordSyncs = true;
    }
    // A record that fills the first disk beside another and moves to the second, the other stored again, and
    // one given up.
    const CHANNEL_RECORD_KEY moving = Key(17, 2, 3);
    QVERIFY(s.OpenChannelRecord(name, 0, &moving));
    QVERIFY(Store(s, name, Key(17, 4, 5), 1, 6, 50 * kKiB));
    QCOMPARE(WriteBlocks(s, name, moving, 2, 6, 50 * kKiB), 6);
    QVERIFY(s.CloseChannelRecord(name, &moving));
    QVERIFY(Store(s, name, Key(17, 4, 5), 3, 2, 1000));
    const CHANNEL_RECORD_KEY givenUp = Key(17, 6, 7);
    QVERIFY(s.OpenChannelRecord(name, 0, &givenUp) && WriteBlocks(s, name, givenUp, 4, 1, 1000) == 1 &&
            s.AbortChannelRecord(name, &givenUp));
    QStringList syncs;
    {
        std::lock_guard lock(g_syncMutex);
        g_recordSyncs = false;
        syncs = g_syncs;
    }
    const QString day = "/" + QString(name) + "/20240317";
    const QString first = m_root + day;
    const QString other = CStowelineClass::RecordRootOf(second.path()) + day;
    const auto temp = [](const QString& dir, const char* file, qint64 size) {
        return QRegularExpression("^" + QRegularExpression::escape(dir + "/." + file) +
                                  "\\.\\d+-\\d+\\.part " + QString::number(size) + "$");
    };
    const auto folders = [](const QString& dayDir) {
        const QString nameDir = QFileInfo(dayDir).path();
        return QList<QRegularExpression>{QRegularExpression("^" + QRegularExpression::escape(dayDir) + "$"),
                                         QRegularExpression("^" + QRegularExpression::escape(nameDir) + "$"),
                                         QRegularExpression("^" + QRegularExpression::escape(
                                                                      QFileInfo(nameDir).path()) +
                                                            "$")};
    };
    const QList<QRegularExpression> expected =
        QList<QRegularExpression>{temp(first, "20240317040000_20240317053015_1.rec", 6 * 50 * kKiB)} +
        folders(first) +
        QList<QRegularExpression>{temp(other, "20240317020000_20240317033015_1.rec", 6 * 50 * kKiB)} +
        folders(other) +
        QList<QRegularExpression>{temp(first, "20240317040000_20240317053015_1.rec", 2000)} + folders(first);
    QCOMPARE(syncs.size(), expected.size());
    for (int i = 0; i < syncs.size(); ++i)
        QVERIFY2(expected[i].match(syncs[i]).hasMatch(), qPrintable(syncs.join('\n')));
}

void TestStorage::storedAgainTakesItsNewPlace_data()
{
    QTest::addColumn<bool>("otherDisk");
    QTest::newRow("on the same disk") << false;
    QTest::newRow("on another disk") << true;
}

void TestStorage::storedAgainTakesItsNewPlace()
{
    // A record fetched again (a done mark lost, a manual backup of a planned range) replaces its old copy:
    // one copy is found, and it is the newest in line for overwrite, not the first to go.
    QFETCH(bool, otherDisk);
    QTemporaryDir second;
    const QString later = second.filePath("disk"); // there from the second copy on
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true, otherDisk ? QStringList{later} : QStringList()));
    const char* name = "10.12.12.12_8000_1";
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Store(s, name, Key(18, hour, hour), hour, 6, 50 * kKiB) &&
                StoredAt(s, name, Key(18, hour, hour), hour));
    if (otherDisk) {
        QVERIFY(QDir().mkpath(later));
        QVERIFY(Store(s, name, Key(18, 2, 2), 20, 1, 50 * kKiB));
        const QStringList found = Search(s, name, 18);
        QCOMPARE(found.size(), 3);
        QVERIFY(found[1].startsWith(CStowelineClass::RecordRootOf(later) + "/"));
        QCOMPARE(ReadAll(found[1]), Block(20, 0, 50 * kKiB));
        QCOMPARE(FilesUnder(m_root).size(), 2);
        return;
    }
    // The first need for room lists the disk (the record of 01:00 goes); then 02:00 is stored again.
    QVERIFY(Store(s, name, Key(18, 4, 4), 4, 6, 50 * kKiB));
    QVERIFY(Store(s, name, Key(18, 2, 2), 20, 1, 50 * kKiB));
    // 400 KiB beside 650: the record of 03:00 is now the one stored longest ago.
    QVERIFY(Store(s, name, Key(18, 5, 5), 5, 8, 50 * kKiB));
    const QStringList found = Search(s, name, 18);
    QCOMPARE(found.size(), 3);
    QVERIFY(found[0].endsWith("/20240318020000_20240318023015_1.rec"));
    QCOMPARE(ReadAll(found[0]), Block(20, 0, 50 * kKiB));
    QVERIFY(found[1].endsWith("/20240318040000_20240318043015_1.rec"));
    QVERIFY(found[2].endsWith("/20240318050000_20240318053015_1.rec"));
}

void TestStorage::overwriteIsLoggedAndOneEventPerRecord()
{
    // Each record deleted to make room is in the operation log with its recorder, channel and time range; the
    // operator's event table hears once per record that made room, with the files and megabytes.
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.2.2.2_8000_1";
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Store(s, name, Key(8, hour, hour + 1), hour, 5, 50 * kKiB) &&
                StoredAt(s, name, Key(8, hour, hour + 1), hour));
    QVERIFY(events.isEmpty());
    // 600 KiB beside 750: the two stored first go, each when a block of it needs room.
    QVERIFY(Store(s, name, Key(8, 5, 6), 5, 12, 50 * kKiB));
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].toString(), QStringLiteral("Records deleted to make room (overwrite): 2, 0.5 MB."));
    QStringList deleted = LogTexts().filter("Deleted to make room");
    deleted.sort();
    QCOMPARE(deleted,
             (QStringList{"Deleted to make room: recorder 10.2.2.2:8000, channel 1, 2024-03-08 01:00:00 "
                          "to 2024-03-08 02:30:15.",
                          "Deleted to make room: recorder 10.2.2.2:8000, channel 1, 2024-03-08 02:00:00 "
                          "to 2024-03-08 03:30:15."}));
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, std::numeric_limits<int32_t>::max());
    for (const LOG_INFO& row : rows)
        QVERIFY(row.LogType == LOG_TYPE_OPERATION && row.LogSubType == LOG_SUB_OVERWRITE);
    QCOMPARE(int(rows.size()), 3);
    // A record that finds room deletes nothing and says nothing.
    QVERIFY(Store(s, name, Key(8, 7, 8), 7, 1, 50 * kKiB));
    QCOMPARE(events.size(), 1);
    QCOMPARE(LogTexts().filter("Deleted to make room").size(), 2);
}

void TestStorage::severalDisksOneGone()
{
    // Of two disks one is not there: the other takes every record, and the operator hears of the missing one
    // once (an event and the log), however many records go elsewhere. Back, it takes records again; gone in
    // the middle of a record, that record is stored whole on the other disk, and its going is told again.
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir other;
    const QString gone = other.filePath("disk");
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    m_quota.SetQuota(gone, 2000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, false, {gone}));
    const char* name = "10.13.13.13_8000_1";
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Store(s, name, Key(19, hour, hour), hour, 1, 1000));
    QCOMPARE(FilesUnder(m_root).size(), 3);
    const QString said = "Disk " + gone + ": the folder " + gone +
                         " does not exist (is its volume mounted?). The other disks take the records.";
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].toString(), said);
    QCOMPARE(LogTexts().count(said), 1);

    QVERIFY(QDir().mkpath(gone));
    const CHANNEL_RECORD_KEY moving = Key(19, 4, 4);
    QVERIFY(s.OpenChannelRecord(name, 0, &moving));
    QCOMPARE(WriteBlocks(s, name, moving, 4, 2, 1000), 2);
    QCOMPARE(FilesUnder(gone).size(), 1);
    QVERIFY(QDir(gone).removeRecursively());
    QCOMPARE(WriteBlocks(s, name, moving, 4, 2, 1000, 2), 2);
    QVERIFY(s.CloseChannelRecord(name, &moving));
    const QStringList found = Search(s, name, 19);
    QCOMPARE(found.size(), 4);
    QVERIFY(found[3].startsWith(m_root + "/"));
    QCOMPARE(ReadAll(found[3]), Block(4, 0, 4 * 1000));
    QCOMPARE(events.size(), 2);
    QCOMPARE(events[1][0].toString(), said);
    QCOMPARE(LogTexts().count(said), 2);
    QCOMPARE(DiskFullCalls().load(), 0);
}

void TestStorage::overwriteDeletesTheOldestOfAllDisks()
{
    // Two disks, each with one record; the one on the second disk was stored first. A record that fits
    // neither disk takes the place of the oldest of all, wherever it lies.
    QTemporaryDir second;
    m_quota.SetQuota(m_drive->path(), 320 * kKiB);
    m_quota.SetQuota(second.path(), 300 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true, {second.path()}));
    const char* name = "10.20.20.20_8000_1";
    QVERIFY(Store(s, name, Key(20, 1, 2), 1, 4, 50 * kKiB)); // on the roomier first disk
    QVERIFY(Store(s, name, Key(20, 3, 4), 2, 4, 50 * kKiB)); // on the second, now the roomier
    QVERIFY(StoredAt(s, name, Key(20, 1, 2), 2) && StoredAt(s, name, Key(20, 3, 4), 1));
    QCOMPARE(FilesUnder(CStowelineClass::RecordRootOf(second.path())).size(), 1);
    QVERIFY(Store(s, name, Key(20, 5, 6), 3, 4, 50 * kKiB));
    const QStringList left = Search(s, name, 20);
    QCOMPARE(left.size(), 2);
    QVERIFY2(left[0].contains("/20240320010000_"), qPrintable(left.join(' ')));
    QVERIFY2(left[1].contains("/20240320050000_"), qPrintable(left.join(' ')));
    QCOMPARE(DiskFullCalls().load(), 0);
}

void TestStorage::searchEdgesAndNameLength()
{
    // A record name fills the search condition's 128 bytes at most; a search finds a record that touches its
    // range at either end, and of one kind or of all.
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const std::string longest(sizeof(RECORD_SEARCH_COND::RecordName), '7');
    QCOMPARE(longest.size(), size_t(128));
    const CHANNEL_RECORD_KEY key{Time(21, 10), Time(21, 11), 3, 0};
    QVERIFY(Store(s, longest.c_str(), key, 1, 1, 1000));
    const std::string tooLong = longest + "7";
    QVERIFY(!s.OpenChannelRecord(tooLong.c_str(), 0, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_PARAM));

    const auto found = [&](const STOWELINE_TIME& from, const STOWELINE_TIME& to, int type) {
        RECORD_SEARCH_COND cond;
        std::memcpy(cond.RecordName, longest.data(), longest.size());
        cond.StartTime = from;
        cond.EndTime = to;
        cond.FileType = type;
        StowelineList* list = nullptr;
        return s.SearchChannelRecord(&cond, &list) != 0 ? int(list->Count()) : 0;
    };
    QCOMPARE(found(Time(21, 9), Time(21, 10), 0), 1);        // ends at the record's start
    QCOMPARE(found(Time(21, 9), Time(21, 9, 59, 59), 0), 0); // a second before it
    QCOMPARE(found(Time(21, 11), Time(21, 12), 0), 1);       // begins at the record's stop
    QCOMPARE(found(Time(21, 11, 0, 1), Time(21, 12), 0), 0); // a second after it
    QCOMPARE(found(Time(21, 0), Time(21, 23), 3), 1);
    QCOMPARE(found(Time(21, 0), Time(21, 23), 2), 0);
    QCOMPARE(found(Time(21, 0), Time(21, 23), -1), 0);
}

void TestStorage::partialFilesGoWhenTheRunStops()
{
    // Partial files count against a full disk: a run stopped by the operator or by a disk error leaves none
    // while the program runs on, and one that a broken run left behind goes when the next record is written
    // in its folder.
    const QDate sunday(2024, 3, 3);
    CEngineFixture f(QDateTime(sunday.addDays(1), QTime(19, 0)));
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {2 * 1024 * 1024}, sunday, 23), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(1), 0);
    f.SetManual(sunday, {{int16_t(device), 1}});
    f.Recorder(device).SetRate(512 * 1024); // slow enough to stop in the middle
    const auto partials = [&f] { return FilesUnder(f.DiskPath()).filter(".part"); };
    QString dayDir;
    {
        CManualBackup backup;
        backup.start();
        TRY_VERIFY(QFileInfo(partials().value(0)).size() > 0, TestSupport::Bound(15000));
        dayDir = QFileInfo(partials().value(0)).path();
        backup.Stop();
        QVERIFY(backup.wait(TestSupport::Bound(15000)));
        QCOMPARE(partials(), QStringList());
    }
    {
        // The disk refuses a write once the record holds some of the file.
        std::atomic<int> refused{0};
        GetStoweline()->SetWriteFault(
            [&refused](const QString& path) { return QFileInfo(path).size() > 0 ? (++refused, EIO) : 0; });
        CManualBackup backup;
        backup.start();
        QVERIFY(backup.wait(TestSupport::Bound(15000)));
        GetStoweline()->SetWriteFault({});
        QCOMPARE(refused.load(), 1);
        QCOMPARE(partials(), QStringList());
    }
    const QString left = dayDir + "/.20240303090000_20240303100000_1.rec.99999-1.part";
    QVERIFY(WriteText(left, QByteArray(1000, 'p')));
    f.Recorder(device).SetRate(0);
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(TestSupport::Bound(15000)));
    QVERIFY(!f.StoredFiles(device, 1).isEmpty());
    QCOMPARE(f.StoredFiles(device, 1).size(), DoneFiles(StoredTasks(MANUAL_GROUP_ID)));
    QCOMPARE(partials(), QStringList());
}

void TestStorage::noLinkFollowedBelowTheDisk()
{
    // Another user who can write to the disk's folder plants links below Records: for a recorder's folder, a
    // day's folder, an old record and a partial file, all leading to old-looking files elsewhere. Nothing
    // there is deleted, listed or written, and each link is named once in the log.
    CTempDatabase db;
    QTemporaryDir outside;
    const QString oldRecord = "20240301000000_20240301003015_1.rec";
    const QString dayTwoRecord = "20240302000000_20240302003015_1.rec";
    for (const QString& file : {"20240301/" + oldRecord, "20240302/" + dayTwoRecord,
                                QString("20240302/.x.rec.1-1.part"), QString("mine.rec")}) {
        QVERIFY(WriteText(outside.filePath(file), "theirs"));
        const timespec old[2] = {{1577836800, 0}, {1577836800, 0}}; // 2020: older than anything stored
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(outside.filePath(file)).constData(), old, 0) == 0);
    }
    const QStringList theirs = FilesUnder(outside.path());
    const char* name = "10.14.14.14_8000_1";
    const QString nameDir = m_root + "/" + name;
    QVERIFY(Link(outside.path(), m_root + "/10.15.15.15_8000_1"));
    QVERIFY(Link(outside.filePath("20240302"), nameDir + "/20240302"));
    QVERIFY(Link(outside.filePath("mine.rec"), nameDir + "/20240301/" + oldRecord));
    QVERIFY(Link(outside.filePath("20240302/.x.rec.1-1.part"), nameDir + "/20240301/.y.rec.1-2.part"));
    m_quota.SetQuota(m_drive->path(), 500 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true)); // with its clean-up of partial files
    // Overwrite makes room by deleting the disk's own record, the only one it has.
    QVERIFY(Store(s, name, Key(1, 5, 5), 1, 6, 50 * kKiB) && StoredAt(s, name, Key(1, 5, 5), 1));
    QVERIFY(Store(s, name, Key(1, 6, 6), 2, 6, 50 * kKiB));
    QCOMPARE(Search(s, name, 1), QStringList{nameDir + "/20240301/20240301060000_20240301063015_1.rec"});
    // Nothing is found through a link, and a record whose folder is a link is refused rather than written:
    // that record's name alone, never the disk (the link may stand at any predictable name).
    for (const auto& [recorder, day] : {std::pair("10.15.15.15_8000_1", 1), std::pair(name, 2)}) {
        QVERIFY(Search(s, recorder, day).isEmpty());
        QVERIFY(!Store(s, recorder, Key(day, 7, 7), 3, 1, 100));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NAME));
        QVERIFY(s.GetLastRootError().Drive.isEmpty());
    }
    QVERIFY(Store(s, name, Key(1, 7, 7), 3, 1, 100));
    QCOMPARE(FilesUnder(outside.path()), theirs);
    for (const QString& file : theirs)
        QCOMPARE(ReadAll(file), QByteArray("theirs"));
    // Each once, though met at the set-up, in the overwrite list and at each refusal: the disk's first link
    // is named, the three others counted in one row.
    const QString left = "A link below a record disk's folder is left alone: ";
    const QStringList named = LogTexts().filter(left);
    const QStringList expected{
        left + m_root + "/10.15.15.15_8000_1.", left + nameDir + "/20240301/.y.rec.1-2.part.",
        left + nameDir + "/20240301/" + oldRecord + ".", left + nameDir + "/20240302."};
    QCOMPARE(named.size(), 1);
    QVERIFY2(expected.contains(named[0]), qPrintable(named[0]));
    QCOMPARE(
        LogTexts().filter("A link below the record disk's folder "),
        QStringList{"Repeated 3 times: A link below the record disk's folder " + m_root + " is left alone"});

    // Records itself a link: the disk is refused, saying why.
    QVERIFY(QDir(m_root).removeRecursively() && Link(outside.path(), m_root));
    CStowelineClass refused;
    QVERIFY(!Setup(refused, true));
    QCOMPARE(refused.GetLastError(), int(STOWELINE_ERR_ROOT));
    QCOMPARE(DescribeRootError(refused.GetLastRootError()),
             "Disk " + m_drive->path() + ": the folder " + m_root +
                 " is a link, and links below a disk's folder are never followed.");
    QCOMPARE(FilesUnder(outside.path()), theirs);
}

void TestStorage::recordsAreTheOperatorsAlone()
{
    // The video is as private as the passwords: whatever the umask, a record is its owner's alone, while it
    // is written and once stored, in folders no one else may enter.
    const mode_t umask = ::umask(022);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.16.16.16_8000_1";
    const CHANNEL_RECORD_KEY key = Key(2, 1, 1);
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    const QString day = m_root + "/" + name + "/20240302";
    QCOMPARE(FilesUnder(day).size(), 1);
    QCOMPARE(Mode(FilesUnder(day).value(0)), 0600);
    QVERIFY(s.CloseChannelRecord(name, &key));
    ::umask(umask);
    QCOMPARE(Mode(Search(s, name, 2).value(0)), 0600);
    for (const QString& folder : {m_root, m_root + "/" + name, day})
        QCOMPARE(Mode(folder), 0700);
}

void TestStorage::driveMapIsABoundedRegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why"); // empty: read
    QTest::newRow("a link to /dev/zero") << "zero"
                                         << "it is not a regular file";
    QTest::newRow("a named pipe") << "pipe"
                                  << "it is not a regular file";
    QTest::newRow("one byte over the bound") << "over"
                                             << "it is larger than 256 KiB";
    QTest::newRow("at the bound") << "at"
                                  << "";
}

void TestStorage::driveMapIsABoundedRegularFile()
{
    // The map is read at every start: a link to a device makes it allocate without end, a named pipe waits
    // for a writer for good. Neither is read, the refusal names the file and why, and nothing blocks.
    QFETCH(QString, kind);
    QFETCH(QString, why);
    CTempDatabase db; // a program directory of its own
    const QString conf = CDriveMap::MapFilePath();
    const QByteArray path = QFile::encodeName(conf);
    QCOMPARE(CDriveMap::kMaxMapFileBytes, 256 * 1024);
    if (kind == "zero") {
        QVERIFY(::symlink("/dev/zero", path.constData()) == 0);
    } else if (kind == "pipe") {
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
    } else {
        const QByteArray line = "D=" + QFile::encodeName(m_drive->path()) + "\n";
        const qint64 size = CDriveMap::kMaxMapFileBytes + (kind == "over" ? 1 : 0);
        QVERIFY(WriteText(conf, line + QByteArray(size - line.size() - 1, '#') + "\n"));
        QCOMPARE(QFileInfo(conf).size(), size);
    }
    auto reading = std::async(std::launch::async, [] { return CDriveMap::ReadMap(); });
    if (reading.wait_for(std::chrono::milliseconds(TestSupport::Bound(5000))) != std::future_status::ready) {
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        reading.wait();
        QFAIL("reading the map waited");
    }
    const QMap<char, QString> map = reading.get();
    if (why.isEmpty()) {
        QCOMPARE(map, (QMap<char, QString>{{'D', m_drive->path()}}));
        QCOMPARE(CDriveMap::MapFileError(), QString());
        return;
    }
    QVERIFY(map.isEmpty());
    const QString said = "The disk map " + conf + " cannot be read: " + why + ".";
    QCOMPARE(CDriveMap::MapFileError(), said);
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), int(STOWELINE_ERR_ROOT));
    QCOMPARE(StorageFailureCause(), "Disk D has no folder. " + said);
    QCOMPARE(LogTexts().count(said), 1); // once, though read twice
    QVERIFY(kind != "zero" || QFileInfo(conf).symLinkTarget() == "/dev/zero");
    QVERIFY(kind != "over" || QFileInfo(conf).size() == CDriveMap::kMaxMapFileBytes + 1);
    QVERIFY(QFile::remove(conf));
}

void TestStorage::volumeThatDidNotMountIsNoDisk()
{
    IN_MOUNT_NAMESPACE();
    // A start without a volume leaves its mount point an empty folder of the disk below: never a disk, and
    // never written, whether the volume was missing at the set-up or went after it.
    QTemporaryDir base;
    const QString volume = base.filePath("volume");
    const QString plain = base.filePath("plain");
    const QString added = base.filePath("added");
    const QString held = base.filePath("held");
    for (const QString& dir : {volume, plain, added, held})
        QVERIFY(QDir().mkpath(dir));
    // The volume keeps what it holds while it is not mounted, as a disk does: a tmpfs held elsewhere, mounted
    // (bound) at its mount point and taken off again.
    QVERIFY(::mount("varrow-test", QFile::encodeName(held).constData(), "tmpfs", 0, "size=8m") == 0);
    const auto mount = [&held](const QString& dir) {
        return ::mount(QFile::encodeName(held).constData(), QFile::encodeName(dir).constData(), nullptr,
                       MS_BIND, nullptr) == 0;
    };
    const auto unmount = [](const QString& dir) {
        return ::umount2(QFile::encodeName(dir).constData(), 0) == 0;
    };
    const auto empty = [&] {
        return QDir(volume).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    QVERIFY(mount(volume));
    // The operator's line for a folder that is a mount point gets its mark; the plain folder's does not.
    const QString conf = CDriveMap::MapFilePath();
    QVERIFY(WriteText(conf, "D=" + QFile::encodeName(volume) + "\nP=" + QFile::encodeName(plain) + "\n"));
    QVERIFY(CDriveMap::GetDrive('D').Volume && !CDriveMap::GetDrive('P').Volume);
    QCOMPARE(QString::fromUtf8(ReadAll(conf)), "D=" + volume + " [volume]\nP=" + plain + "\n");
    const char* name = "10.18.18.18_8000_1";
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), 0);
    QVERIFY(Store(*GetStoweline(), name, Key(3, 1, 1), 1, 1, 100));

    // Gone after the set-up: the next record is refused for its disk.
    QVERIFY(unmount(volume));
    QVERIFY(!Store(*GetStoweline(), name, Key(3, 2, 2), 2, 1, 100));
    QCOMPARE(GetStoweline()->GetLastError(), int(STOWELINE_ERR_ROOT));
    QVERIFY(GetStoweline()->GetLastRootError().NotMounted);
    // Missing at the set-up: refused with its cause.
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), int(STOWELINE_ERR_ROOT));
    QCOMPARE(StorageFailureCause(),
             "Disk D: no volume is mounted at the folder " + volume + " (is its volume mounted?).");
    // A volume not there yet is waited for, not to be checked and cleared.
    QVERIFY(StorageErrorText(12).endsWith(
        "(is its volume mounted?).\nThe backups wait for this disk and start once it is there."));
    QVERIFY(!CDriveMap::GetDrives().value(0).Exists);
    // Beside a plain folder, the plain folder takes the records meanwhile.
    QCOMPARE(CreateStorage(CountDiskFull, Config("DP", 0)), 0);
    QVERIFY(Store(*GetStoweline(), name, Key(3, 3, 3), 3, 1, 100));
    QCOMPARE(FilesUnder(plain).size(), 1);
    QCOMPARE(empty(), QStringList());
    // Mounted again, it is a disk again, with what it held.
    QVERIFY(mount(volume));
    QCOMPARE(CreateStorage(CountDiskFull, Config("D", 0)), 0);
    QVERIFY(Store(*GetStoweline(), name, Key(3, 4, 4), 4, 1, 100));
    ReleaseStorage();
    QVERIFY(unmount(volume));

    // A volume the map adds from the volume list carries its mark at once.
    QVERIFY(mount(added));
    CDriveMap::SetVolumeSource([added] { return QStringList{added}; });
    const DRIVE_MAP_ENTRY entry = CDriveMap::GetDrive('C');
    CDriveMap::SetVolumeSource([] { return QStringList(); });
    QVERIFY(unmount(added));
    QCOMPARE(entry.Path, added);
    QVERIFY(entry.Volume);
    QVERIFY(QString::fromUtf8(ReadAll(conf)).endsWith("C=" + added + " [volume]\n"));
}

void TestStorage::overwriteOfUndeletableRecordsEnds()
{
    IN_MOUNT_NAMESPACE();
    // Records the station may not delete (their day's folder made read-only to keep them, or another user's):
    // overwrite passes over them once per need for room, the record then fails as a full disk, and their
    // folder is named once in the log.
    CTempDatabase db;
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.17.17.17_8000_1";
    for (int hour = 1; hour <= 2; ++hour)
        QVERIFY(Store(s, name, Key(4, hour, hour), hour, 6, 50 * kKiB) &&
                StoredAt(s, name, Key(4, hour, hour), hour));
    QVERIFY(Store(s, name, Key(5, 1, 1), 3, 2, 50 * kKiB) && StoredAt(s, name, Key(5, 1, 1), 3));
    const QByteArray kept = QFile::encodeName(m_root + "/" + name + "/20240304");
    QVERIFY(::mount(kept.constData(), kept.constData(), nullptr, MS_BIND, nullptr) == 0);
    QVERIFY(::mount(nullptr, kept.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
    // 600 KiB beside 700: the record that may go goes, then nothing is left to delete.
    QVERIFY(!Store(s, name, Key(6, 1, 1), 4, 12, 50 * kKiB));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
    QVERIFY(Search(s, name, 5).isEmpty());
    QCOMPARE(Search(s, name, 4).size(), 2);
    QVERIFY(!Store(s, name, Key(6, 2, 2), 5, 9, 50 * kKiB));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
    QCOMPARE(FilesUnder(m_root).size(), 2);
    QCOMPARE(LogTexts().count("Records in " + QFile::decodeName(kept) +
                              " cannot be deleted to make room: " + std::strerror(EROFS) + "."),
             1);
    QVERIFY(::umount2(kept.constData(), 0) == 0);
}

VARROW_TEST_MAIN(TestStorage, QCoreApplication)
#include "tst_storage.moc"

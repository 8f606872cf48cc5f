// The storage layer, its set-up and the drive letters: a recording that is lost, mixed up, reported as stored
// when it is not, or written outside its root or to the wrong disk is exactly what a backup station must
// never do; a wrong set-up result hides a disk problem from the operator.

#include "engine/ManualBackup.h"
#include "model/Utility.h"
#include "platform/DriveMap.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kKiB = 1024;
const qint64 kReserve = STOWELINE_INIT_PARAM().ReserveMB * kKiB * kKiB; // kept free on every disk

STOWELINE_TIME Time(int day, int hour, int minute = 0, int second = 0)
{
    return {2024, 3, uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second), 0};
}

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

// The stored paths of a name whose records overlap the day.
QStringList Search(CStowelineClass& s, const char* name, int day)
{
    RECORD_SEARCH_COND cond;
    std::memcpy(cond.RecordName, name, std::min(std::strlen(name), sizeof(cond.RecordName)));
    cond.StartTime = Time(day, 0);
    cond.EndTime = Time(day, 23, 59, 59);
    StowelineList* list = nullptr;
    QStringList paths;
    if (s.SearchChannelRecord(&cond, &list) != 0)
        for (const STOWELINE_PATH& p : *list)
            paths.append(QFile::decodeName(p.Path));
    return paths;
}

// Writes the blocks to an open record (the first as its header); how many were written before one failed.
int WriteBlocks(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed, int blocks,
                int blockSize)
{
    for (int i = 0; i < blocks; ++i) {
        const QByteArray b = Block(seed, i, blockSize);
        if (!s.WriteChannelRecord(name, i == 0 ? 1 : 2, reinterpret_cast<const uint8_t*>(b.constData()),
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
    void setUpInOverwriteModeOverwrites();
    void replacedWhileARecordIsOpen();
    void storedOnlyOnceFlushed();

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
    QCOMPARE(CreateStorage(CountDiskFull, Config("DF", 1)), int(STOWELINE_ERR_ROOT));
    QVERIFY(!GetStoweline());
    QVERIFY(previous.expired());
    const QString missingF = "Disk F: the folder " + m_disks.filePath("blocker") +
                             "/disk does not exist (is its volume mounted?).";
    QCOMPARE(StorageErrorText(12), missingF + waits);
    QCOMPARE(StorageFailureCause(), missingF);
    QCOMPARE(CreateStorage(CountDiskFull, Config("G", 0)), int(STOWELINE_ERR_ROOT));
    const QString blockedG = "Disk G: the folder " + m_disks.filePath("g/Records") +
                             " cannot be written: " + std::strerror(EEXIST) + ".";
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

VARROW_TEST_MAIN(TestStorage, QCoreApplication)
#include "tst_storage.moc"

// Drive letters and storage set-up: a wrong map writes recordings to the wrong disk or shows space that is
// not there; a wrong set-up result hides a disk problem from the operator; a replaced object that vanishes
// under a running download crashes it or loses the file.

#include "app/CreateStorage.h"
#include "model/Utility.h"
#include "platform/DriveMap.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cstring>

namespace {

constexpr qint64 kKiB = 1024;
constexpr qint64 kReserve = 256 * 1024 * kKiB; // what the set-up keeps free on every disk
std::atomic<int> g_fullCalls{0};

int OnDiskFull(int full, int, int, int)
{
    if (full == 1)
        ++g_fullCalls;
    return 1;
}

SYSTEM_CONFIG Config(const char* disks, int mode)
{
    SYSTEM_CONFIG config;
    std::strncpy(config.Disk, disks, sizeof(config.Disk) - 1);
    config.DiskMode = static_cast<int16_t>(mode);
    return config;
}

CHANNEL_RECORD_KEY Key(int hour)
{
    CHANNEL_RECORD_KEY key;
    key.StartTime = {2024, 4, 1, uint8_t(hour), 0, 0, 0};
    key.StopTime = {2024, 4, 1, uint8_t(hour), 59, 59, 0};
    return key;
}

int CountFound(CStowelineClass& s, const char* name)
{
    RECORD_SEARCH_COND cond;
    std::strcpy(cond.RecordName, name);
    cond.StartTime = {2024, 4, 1, 0, 0, 0, 0};
    cond.EndTime = {2024, 4, 1, 23, 59, 59, 0};
    StowelineList* list = nullptr;
    return s.SearchChannelRecord(&cond, &list) != 0 ? int(list->Count()) : 0;
}

bool Write(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, const QByteArray& block)
{
    return s.WriteChannelRecord(name, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                uint32_t(block.size()), &key);
}

} // namespace

class TestCreateStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void parseMapText();
    void mapFileSetsTheLetters();
    void mountedVolumesByDefault();
    void refusedSetUpOrNoLetterLeavesNoObject();
    void overwriteModeOverwritesAndCallsNobody();
    void replacedWhileARecordIsOpen();

private:
    QTemporaryDir m_disks;
    QString m_d, m_e;
    CQuotaRoots m_quota;
};

void TestCreateStorage::initTestCase()
{
    QVERIFY(m_disks.isValid());
    m_d = m_disks.filePath("d");
    m_e = m_disks.filePath("e");
    QVERIFY(QDir().mkpath(m_e));
    QFile blocker(m_disks.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    SetDefaultFreeSpaceProvider(m_quota.Provider());
}

void TestCreateStorage::init()
{
    ReleaseStorage();
    g_fullCalls = 0;
    QVERIFY(QDir(m_d).removeRecursively() && QDir().mkpath(m_d));
    // F: lies below a plain file, so it cannot be created even with every permission.
    QFile conf(GetAbsolutePath("Drives.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("D=" + QFile::encodeName(m_d) + "\nE=" + QFile::encodeName(m_e) +
               "\nF=" + QFile::encodeName(m_disks.filePath("blocker")) + "/disk\n");
}

void TestCreateStorage::cleanupTestCase()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider({});
    QFile::remove(GetAbsolutePath("Drives.conf"));
}

void TestCreateStorage::parseMapText()
{
    const QMap<char, QString> map = CDriveMap::ParseMapText("# backup disks\n"
                                                            "D=/srv/backup1\n"
                                                            "  e = /srv/with space/ \n"
                                                            "F=relative/path\n"
                                                            "GH=/srv/x\n"
                                                            "D=/srv/other\n"
                                                            "Z=/srv/a=b\r\n");
    QCOMPARE(map.size(), 3);
    QCOMPARE(map.value('D'), QStringLiteral("/srv/backup1")); // the first of a twice-given letter
    QCOMPARE(map.value('E'), QStringLiteral("/srv/with space"));
    QCOMPARE(map.value('Z'), QStringLiteral("/srv/a=b"));
}

void TestCreateStorage::mapFileSetsTheLetters()
{
    QCOMPARE(CDriveMap::GetDrivePath('d'), m_d);
    QVERIFY(CDriveMap::GetDrivePath('C').isEmpty()); // the file is the whole map
    const QList<DRIVE_INFO> drives = CDriveMap::GetDrives();
    QCOMPARE(drives.size(), 3);
    QCOMPARE(drives[0].Letter, 'D');
    QCOMPARE(drives[0].TotalBytes, QStorageInfo(m_d).bytesTotal());
    QVERIFY(drives[0].FreeBytes > 0 && drives[0].FreeBytes <= drives[0].TotalBytes);
    QCOMPARE(drives[2].TotalBytes, 0); // a missing directory shows no space rather than another disk's
}

void TestCreateStorage::mountedVolumesByDefault()
{
    QVERIFY(QFile::remove(GetAbsolutePath("Drives.conf")));
    const QMap<char, QString> map = CDriveMap::ReadMap();
    QCOMPARE(map.value('C'), QStorageInfo(GetAppDirPath()).rootPath());
    // One letter per volume: no two letters on the same mount point.
    QStringList paths = map.values();
    paths.removeDuplicates();
    QCOMPARE(paths.size(), map.size());
}

void TestCreateStorage::refusedSetUpOrNoLetterLeavesNoObject()
{
    QCOMPARE(CreateStorage(OnDiskFull, Config("DE", 0)), 0);
    QVERIFY(QDir(m_d + "/Records").exists() && QDir(m_e + "/Records").exists());
    const std::weak_ptr<CStowelineClass> previous = GetStoweline();
    QCOMPARE(CreateStorage(OnDiskFull, Config("DF", 1)), int(STOWELINE_ERR_ROOT));
    QVERIFY(!GetStoweline());
    QVERIFY(previous.expired());
    QCOMPARE(CreateStorage(OnDiskFull, Config("Q", 0)), int(STOWELINE_ERR_ROOT)); // no directory for Q:
    QVERIFY(!GetStoweline());
    QCOMPARE(CreateStorage(OnDiskFull, Config("D", 0)), 0);
    QCOMPARE(CreateStorage(OnDiskFull, Config("", 0)), 0);
    QVERIFY(!GetStoweline());
}

void TestCreateStorage::overwriteModeOverwritesAndCallsNobody()
{
    // (Any other mode stops and calls the callback: the download worker's full-disk test.)
    m_quota.SetQuota(m_d, kReserve + 100 * kKiB);
    const char* name = "10.9.9.9_8000_1";
    QCOMPARE(CreateStorage(OnDiskFull, Config("D", 0)), 0);
    auto s = GetStoweline();
    for (int hour = 1; hour <= 2; ++hour) { // the second record fits only in place of the first
        const CHANNEL_RECORD_KEY key = Key(hour);
        QVERIFY(s->OpenChannelRecord(name, 0, &key));
        QVERIFY(Write(*s, name, key, QByteArray(60 * kKiB, 'x')));
        QVERIFY(s->CloseChannelRecord(name, &key));
    }
    QCOMPARE(CountFound(*s, name), 1);
    QCOMPARE(g_fullCalls.load(), 0);
    m_quota.SetQuota(m_d, qint64(1) << 40);
}

void TestCreateStorage::replacedWhileARecordIsOpen()
{
    QCOMPARE(CreateStorage(OnDiskFull, Config("D", 1)), 0);
    // The worker keeps the object it opened the record with.
    std::shared_ptr<CStowelineClass> worker = GetStoweline();
    const char* name = "10.8.8.8_8000_2";
    const CHANNEL_RECORD_KEY key = Key(5);
    const QByteArray block(64 * kKiB, 'y');
    QVERIFY(worker->OpenChannelRecord(name, 0, &key));
    QVERIFY(Write(*worker, name, key, block));

    QCOMPARE(CreateStorage(OnDiskFull, Config("D", 1)), 0);
    const std::shared_ptr<CStowelineClass> current = GetStoweline();
    QVERIFY(current && current != worker);
    // The new object's clean-up of crash leftovers spares the record still being written.
    QVERIFY(Write(*worker, name, key, block));
    QVERIFY(worker->CloseChannelRecord(name, &key));
    QCOMPARE(CountFound(*current, name), 1);

    // A replaced object released with a record nobody closed leaves no file that looks stored.
    const CHANNEL_RECORD_KEY abandoned = Key(6);
    QVERIFY(worker->OpenChannelRecord(name, 0, &abandoned));
    worker.reset();
    QCOMPARE(CountFound(*current, name), 1);
    QCOMPARE(CQuotaRoots::UsedBytes(m_d), 2 * block.size());
}

VARROW_TEST_MAIN(TestCreateStorage, QCoreApplication)
#include "tst_createstorage.moc"

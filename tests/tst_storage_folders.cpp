// Which folder a disk is: the one the set-up found. A disk folder swapped for a link or another folder (by a
// user who may write its parent) is gone and never written through; a Records folder that vanished is said;
// two chosen disks that lead to one Records folder are one disk; a volume swapped under its mount point has
// its own overwrite order; and the probe files a killed process left go at the next set-up. Disks are real
// folders, links, bind mounts and tmpfs volumes in a mount namespace of the test's own.

#include "model/LogStore.h"
#include "model/Utility.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kKiB = 1024;
const char* const kName = "10.50.50.50_8000_1";

using TestSupport::Bytes;
using TestSupport::InitDisks;
using TestSupport::Search;
using TestSupport::StoreRecord;
using TestSupport::Time;

CHANNEL_RECORD_KEY Key(int day, int hour)
{
    return {Time(day, hour), Time(day, hour, 30, 15), 1, 0};
}

QString PathOf(const QString& drive, const CHANNEL_RECORD_KEY& key)
{
    return CStowelineClass::RecordRootOf(drive) + "/" + kName +
           QString::asprintf("/202403%02d/202403%02d%02d0000_202403%02d%02d3015_1.rec", key.StartTime.Day,
                             key.StartTime.Day, key.StartTime.Hour, key.StartTime.Day, key.StartTime.Hour);
}

// Opens, writes in blocks of 50 KiB and closes one record; false when any step fails.
bool Store(CStowelineClass& s, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    return StoreRecord(s, kName, key, seed, size);
}

// The record of `key`, equal to record `seed`, is stored on the drive folder.
bool StoredOn(const QString& drive, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    return ReadAll(PathOf(drive, key)) == Bytes(seed, size);
}

// A record put on the disk by hand, dated `minute` minutes into 1 April 2024.
bool Put(const QString& path, const QByteArray& bytes, int minute)
{
    QFile file(path);
    const timespec when{1711929600 + minute * 60, 0};
    const timespec times[2] = {when, when};
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.flush() &&
           ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Rows of the log that hold the text (as far as a row holds it: a long one is cut).
int LogCount(const QString& text)
{
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, std::numeric_limits<int32_t>::max());
    int count = 0;
    for (const LOG_INFO& row : rows) {
        const QString content = QString::fromLocal8Bit(row.LogContents);
        count += content.size() >= 60 && text.startsWith(content);
    }
    return count;
}

bool Rename(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

class TestStorageFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();
    void swappedDiskFolderIsGone_data();
    void swappedDiskFolderIsGone();
    void vanishedRecordsFolderIsSaid();
    void twoDisksOfOneFolderAreOne_data();
    void twoDisksOfOneFolderAreOne();
    void swappedVolumeHasItsOwnOverwriteOrder();
    void probesOfAKilledProcessGoAtTheSetUp();

private:
    CQuotaRoots m_quota;
};

void TestStorageFolders::init()
{
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    DiskFullCalls() = 0;
}

void TestStorageFolders::cleanupTestCase()
{
    SetDefaultFreeSpaceProvider({});
    QFile::remove(GetAbsolutePath("Drives.conf"));
}

void TestStorageFolders::swappedDiskFolderIsGone_data()
{
    QTest::addColumn<bool>("link");
    // Into the operator's home, or (as root) any folder.
    QTest::newRow("a link in its place") << true;
    QTest::newRow("another folder in its place") << false;
}

void TestStorageFolders::swappedDiskFolderIsGone()
{
    // Another user who may write the disk folder's parent moves it away and puts something in its place.
    // The disk is gone: the other disk takes the records, nothing is written in what stands there nor
    // through it, and the disk is said once (event row and log). With its own folder back, it is used again.
    QFETCH(bool, link);
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir parent, other, home;
    const QString disk = parent.filePath("disk");
    const QString moved = parent.filePath("moved");
    QVERIFY(QDir().mkpath(disk));
    m_quota.SetQuota(disk, 4000 * kKiB);
    m_quota.SetQuota(other.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk, other.path()}, false));
    const qint64 size = 100 * kKiB;
    QVERIFY(Store(s, Key(3, 1), 1, size) && StoredOn(disk, Key(3, 1), 1, size));

    QVERIFY(Rename(disk, moved));
    if (link)
        QVERIFY(::symlink(QFile::encodeName(home.path()).constData(), QFile::encodeName(disk).constData()) ==
                0);
    else
        QVERIFY(QDir().mkpath(disk));
    for (int hour = 2; hour <= 3; ++hour)
        QVERIFY(Store(s, Key(3, hour), hour, size) && StoredOn(other.path(), Key(3, hour), hour, size));
    QCOMPARE(FilesUnder(home.path()), QStringList());
    QCOMPARE(FilesUnder(link ? home.path() : disk), QStringList());
    QCOMPARE(FilesUnder(moved), QStringList{PathOf(moved, Key(3, 1))});
    const QString said =
        "Disk " + disk + ": the folder " + disk +
        " is no longer the folder that was set up (it was moved away, and a link or another "
        "folder stands in its place); it is not written until that folder is back. The other "
        "disks take the records.";
    QCOMPARE(LogCount(said), 1);
    QCOMPARE(events.count(QVariantList{said}), 1);

    QVERIFY(link ? QFile::remove(disk) : QDir(disk).removeRecursively());
    QVERIFY(Rename(moved, disk));
    QVERIFY(Store(s, Key(3, 4), 4, size) && StoredOn(disk, Key(3, 4), 4, size));
}

void TestStorageFolders::vanishedRecordsFolderIsSaid()
{
    // Another user who may write the disk's folder renames Records away, before the station stored anything
    // since its start: the next record makes it again, and the operator hears once (event row and log, the
    // disk by its letter) that the records stored before are no longer found.
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir disk;
    QVERIFY(MapDrives({{'D', disk.path()}}));
    {
        CStowelineClass before;
        QVERIFY(InitDisks(before, {"D:"}, false));
        QVERIFY(Store(before, Key(6, 1), 1, 10 * kKiB));
    }
    CStowelineClass s;
    QVERIFY(InitDisks(s, {"D:"}, false));
    const QString root = CStowelineClass::RecordRootOf(disk.path());
    QVERIFY(Rename(root, disk.filePath("elsewhere")));
    for (int hour = 2; hour <= 3; ++hour)
        QVERIFY(Store(s, Key(6, hour), hour, 10 * kKiB));
    const QString said = "Disk D: the folder " + root +
                         " had gone; it was made again, and the records stored in it before are no longer "
                         "found there.";
    QCOMPARE(LogCount(said), 1);
    QCOMPARE(events.count(QVariantList{said}), 1);
    QCOMPARE(Search(s, kName, 6).size(), 2);
}

void TestStorageFolders::twoDisksOfOneFolderAreOne_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a link to the disk's folder") << "link";
    QTest::newRow("a bind mount of its Records") << "bind";
}

void TestStorageFolders::twoDisksOfOneFolderAreOne()
{
    // Two chosen disks that lead to the same Records folder: as two disks, each stored record would be
    // deleted by the other as its stale copy (or as the oldest when it needs room). They are one disk, said
    // once; every record stays, found once.
    IN_MOUNT_NAMESPACE();
    QFETCH(QString, how);
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir first, base;
    QString second = base.filePath("second");
    const QString records = CStowelineClass::RecordRootOf(first.path());
    if (how == "link") {
        QVERIFY(::symlink(QFile::encodeName(first.path()).constData(),
                          QFile::encodeName(second).constData()) == 0);
    } else {
        const QString bound = CStowelineClass::RecordRootOf(second);
        QVERIFY(QDir().mkpath(records) && QDir().mkpath(bound));
        QVERIFY(::chmod(QFile::encodeName(records).constData(), 0700) == 0);
        QVERIFY(::mount(QFile::encodeName(records).constData(), QFile::encodeName(bound).constData(), nullptr,
                        MS_BIND, nullptr) == 0);
    }
    const auto unmount = qScopeGuard([&] {
        if (how == "bind")
            TestSupport::Unmount(CStowelineClass::RecordRootOf(second));
    });
    m_quota.SetQuota(first.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {first.path(), second}, true));
    const QString said = "Disk " + second + " leads to the same folder as disk " + first.path() + " (" +
                         records + "); the two are used as one disk.";
    QCOMPARE(LogCount(said), 1);
    QCOMPARE(events.count(QVariantList{said}), 1);
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Store(s, Key(7, hour), hour, 300 * kKiB));
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(StoredOn(first.path(), Key(7, hour), hour, 300 * kKiB));
    QCOMPARE(Search(s, kName, 7).size(), 3);
    s.Uninit();
}

void TestStorageFolders::swappedVolumeHasItsOwnOverwriteOrder()
{
    // Rotating disks of the same recorders under one mount point: the overwrite list of the volume taken out
    // names records that the new one holds too, in another order. It is dropped: on the new volume its own
    // oldest record goes, not the one that was next on the old volume.
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir base;
    const QString volume = base.filePath("volume");
    QVERIFY(QDir().mkpath(volume) && TestSupport::MountTmpfs(volume, "size=8m"));
    m_quota.SetQuota(volume, 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {volume}, true));
    const qint64 size = 300 * kKiB;
    // Stored in the order of their hours on the first volume, in the opposite order on the second.
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Put(PathOf(volume, Key(8, hour)), Bytes(hour, size), hour));
    QVERIFY(Store(s, Key(8, 4), 4, size));
    QVERIFY(!QFileInfo::exists(PathOf(volume, Key(8, 1))));

    QVERIFY(TestSupport::Unmount(volume) && TestSupport::MountTmpfs(volume, "size=8m"));
    const auto unmount = qScopeGuard([&] { TestSupport::Unmount(volume); });
    for (int hour = 1; hour <= 3; ++hour)
        QVERIFY(Put(PathOf(volume, Key(8, hour)), Bytes(10 + hour, size), 10 - hour));
    QVERIFY(::chmod(QFile::encodeName(CStowelineClass::RecordRootOf(volume)).constData(), 0700) == 0);
    QVERIFY(Store(s, Key(8, 5), 5, size));
    QVERIFY2(!QFileInfo::exists(PathOf(volume, Key(8, 3))), qPrintable(FilesUnder(volume).join(" ")));
    for (int hour = 1; hour <= 2; ++hour)
        QCOMPARE(ReadAll(PathOf(volume, Key(8, hour))), Bytes(10 + hour, size));
    QVERIFY(StoredOn(volume, Key(8, 5), 5, size));
    s.Uninit();
}

void TestStorageFolders::probesOfAKilledProcessGoAtTheSetUp()
{
    // A station killed between its probe's creation and removal leaves the probe file: the next set-up
    // (another process id) removes it. A probe of a process still running is its own: left alone.
    CTempDatabase db;
    QTemporaryDir disk;
    const QString root = CStowelineClass::RecordRootOf(disk.path());
    QVERIFY(QDir().mkpath(root) && ::chmod(QFile::encodeName(root).constData(), 0700) == 0);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    QVERIFY(child > 0 && ::waitpid(child, nullptr, 0) == child);
    const QStringList dead{root + QString::asprintf("/.probe-%d", int(child)),
                           root + QString::asprintf("/.probe-%d-3", int(child))};
    const QString live = root + "/.probe-1";
    for (const QString& path : dead + QStringList{live})
        QVERIFY(Put(path, QByteArray(), 0));
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, false));
    QCOMPARE(FilesUnder(root), QStringList{live});
}

VARROW_TEST_MAIN(TestStorageFolders, QCoreApplication)
#include "tst_storage_folders.moc"

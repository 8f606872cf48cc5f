// Which folder a disk is: the one the set-up found. A disk folder swapped for a link or another folder (by a
// user who may write its parent) is gone and never written through; a Records folder that vanished is said;
// two chosen disks that lead to one Records folder are one disk; a volume swapped under its mount point has
// its own overwrite order; and the probe files a killed process left go at the next set-up. Disks are real
// folders, links, bind mounts and tmpfs volumes in a mount namespace of the test's own.

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/Utility.h"
#include "platform/DriveMap.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "tests/support/FuseView.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/OtherUser.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <memory>
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

dev_t DeviceOf(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
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
    void diskPluggedInAgainIsTheSameDisk();
    void oneFolderThroughTwoMountsIsOneDisk();
    void copyOnAnotherDiskIsDeletedAndSaid();
    void folderSwappedBetweenSetUpsIsNotTheDisk_data();
    void folderSwappedBetweenSetUpsIsNotTheDisk();
    void letterNeverWrittenIsNotNamedUnsearched();
    void leftOutDiskIsNeverOverwritten();

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
    // Made again with the disk's mark: the next start knows it for the same disk.
    QVERIFY(QFileInfo(root + "/.station-mark").isFile());
}

void TestStorageFolders::twoDisksOfOneFolderAreOne_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a link to the disk's folder") << "link";
    QTest::newRow("a bind mount of its Records") << "bind";
    QTest::newRow("one folder mapped to two letters") << "same";
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
    QString firstName = first.path();
    if (how == "same") {
        QVERIFY(MapDrives({{'D', first.path()}, {'E', first.path()}}));
        firstName = "D:";
        second = "E:";
    } else if (how == "link") {
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
    QVERIFY(InitDisks(s, {firstName, second}, true));
    const QString said = "Disk " + second + " leads to the same folder as disk " + firstName + " (" +
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
    // Not the station's probe files, whatever the process: another name, and (as root) another user's.
    QStringList kept{live, root + QString::asprintf("/.probe-%d-notes", int(child))};
    for (const QString& path : dead + kept)
        QVERIFY(Put(path, QByteArray(), 0));
    if (TestSupport::MachineRoot()) {
        const QString foreign = root + QString::asprintf("/.probe-%d-4", int(child));
        QVERIFY(Put(foreign, QByteArray(), 0));
        QCOMPARE(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        kept << foreign;
    }
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, false));
    kept.sort();
    QStringList left = FilesUnder(root);
    left.sort();
    QCOMPARE(left, kept);
}

void TestStorageFolders::diskPluggedInAgainIsTheSameDisk()
{
    // A FUSE volume (no file system id of its own) unmounted, and mounted again after another mount took
    // its device number: the disk's folder shows another device number, the same inode and files. Its mark
    // says it is the disk: the next record is stored on it at once, and the search finds both.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir under, base, elsewhere;
    const QString view = base.filePath("volume");
    const QString other = base.filePath("other");
    QVERIFY(QDir().mkpath(view) && QDir().mkpath(other) && QDir().mkpath(under.filePath("disk")));
    const QString disk = view + "/disk";
    CFuseView volume, taker;
    QVERIFY(volume.Mount(under.path(), view));
    const dev_t first = DeviceOf(disk);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk}, true));
    const qint64 size = 50 * kKiB;
    QVERIFY(Store(s, Key(9, 1), 1, size));

    volume.Unmount();
    QVERIFY(taker.Mount(elsewhere.path(), other));
    QVERIFY(volume.Mount(under.path(), view));
    // Other tests mount and unmount meanwhile: until the volume comes back under another number, it is taken
    // off again while one more mount holds a number.
    std::vector<std::unique_ptr<CFuseView>> takers;
    for (int attempt = 0; attempt < 8 && DeviceOf(disk) == first; ++attempt) {
        volume.Unmount();
        const QString at = base.filePath(QString::number(attempt));
        QVERIFY(QDir().mkpath(at));
        takers.push_back(std::make_unique<CFuseView>());
        QVERIFY(takers.back()->Mount(elsewhere.path(), at));
        QVERIFY(volume.Mount(under.path(), view));
    }
    QVERIFY2(DeviceOf(disk) != first, "the volume came back under its old device number");
    QVERIFY2(Store(s, Key(9, 2), 2, size), qPrintable(QString::number(s.GetLastError())));
    QVERIFY(StoredOn(disk, Key(9, 1), 1, size) && StoredOn(disk, Key(9, 2), 2, size));
    QCOMPARE(Search(s, kName, 9).size(), 2);
    QVERIFY(s.GetLastSearchRootErrors().empty());
    s.Uninit();
}

void TestStorageFolders::oneFolderThroughTwoMountsIsOneDisk()
{
    // One folder reached through two mounts that share no device (two FUSE views, a share mounted twice):
    // as two disks, each record stored through one would be deleted through the other as its copy. They are
    // one disk, said once; every record stays, found once, also where a view is only searched.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir under, base;
    const QString first = base.filePath("first");
    const QString second = base.filePath("second");
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    CFuseView one, two;
    QVERIFY(one.Mount(under.path(), first) && two.Mount(under.path(), second));
    QVERIFY(DeviceOf(first) != DeviceOf(second));
    {
        CStowelineClass s;
        QVERIFY(InitDisks(s, {first, second}, true));
        const QString said = "Disk " + second + " leads to the same folder as disk " + first + " (" +
                             CStowelineClass::RecordRootOf(first) + "); the two are used as one disk.";
        QCOMPARE(LogCount(said), 1);
        QCOMPARE(events.count(QVariantList{said}), 1);
        for (int hour = 1; hour <= 2; ++hour)
            QVERIFY(Store(s, Key(10, hour), hour, 50 * kKiB));
        for (int hour = 1; hour <= 2; ++hour)
            QVERIFY(StoredOn(under.path(), Key(10, hour), hour, 50 * kKiB));
        QCOMPARE(Search(s, kName, 10).size(), 2);
    }
    // The second view only searched (an earlier choice of disks): matched by its mark, not by its path.
    QVERIFY(MapDrives({{'D', first}, {'E', second}}));
    SYSTEM_CONFIG config;
    config.Disk[0] = 'D';
    QCOMPARE(CreateStorage(nullptr, config), 0);
    const auto unmount = qScopeGuard([] { ReleaseStorage(); });
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    QVERIFY(storage);
    QCOMPARE(Search(*storage, kName, 10).size(), 2);
    QVERIFY(storage->GetLastSearchOtherDisks().empty());
    QVERIFY(storage->GetLastSearchRootErrors().empty());
}

void TestStorageFolders::copyOnAnotherDiskIsDeletedAndSaid()
{
    // A record stored again on another disk than its earlier copy: the copy (another file on another disk)
    // goes, and the log names it and the record that replaced it.
    CTempDatabase db;
    QTemporaryDir first, second;
    m_quota.SetQuota(first.path(), 4000 * kKiB);
    m_quota.SetQuota(second.path(), 200 * kKiB);
    const qint64 size = 100 * kKiB;
    QVERIFY(Put(PathOf(second.path(), Key(11, 1)), Bytes(9, size), 1));
    CStowelineClass s;
    QVERIFY(InitDisks(s, {first.path(), second.path()}, false));
    QVERIFY(Store(s, Key(11, 1), 1, size));
    QVERIFY(StoredOn(first.path(), Key(11, 1), 1, size));
    QVERIFY(!QFileInfo::exists(PathOf(second.path(), Key(11, 1))));
    const QString said = "The copy " + PathOf(second.path(), Key(11, 1)) + " of the record " +
                         PathOf(first.path(), Key(11, 1)) + ", stored earlier on another disk, was deleted.";
    QCOMPARE(LogCount(said), 1);
}

void TestStorageFolders::folderSwappedBetweenSetUpsIsNotTheDisk_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("a link in its place") << true;
    QTest::newRow("another user's folder in its place") << false;
}

void TestStorageFolders::folderSwappedBetweenSetUpsIsNotTheDisk()
{
    // Another user who may rename entries in the folder above the disk's folder (mode 0777, no sticky bit)
    // moves the station's folder aside while the program is not running, and puts a link (to the operator's
    // home) or a folder of their own there. At the next start that is not the disk: waited for and said
    // (letter, folder and why), nothing written there, the earlier records not searched through it. Chosen
    // again by the operator, the folder found is taken, and said.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's swap is made as a child taking user id 65534");
    QFETCH(bool, link);
    CTempDatabase db;
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QTemporaryDir base, home;
    const QString team = base.filePath("team");
    QVERIFY(OtherUser::MakeSharedFolder(team) && ::chmod(QFile::encodeName(team).constData(), 0777) == 0);
    const QString disk = team + "/disk";
    QVERIFY(QDir().mkpath(disk));
    QVERIFY(MapDrives({{'D', disk}}));
    SYSTEM_CONFIG config;
    config.Disk[0] = 'D';
    const auto release = qScopeGuard([] { ReleaseStorage(); });
    QCOMPARE(CreateStorage(nullptr, config), 0);
    const QString open = "Disk D: the folder " + disk + " lies in " + team +
                         ", where every user may move it away and put another in its place (that folder has "
                         "no sticky bit). Such a folder is not taken for the disk, but the disk is then "
                         "missing: keep it in a folder only the station's user may change.";
    QCOMPARE(LogCount(open), 1);
    QVERIFY(Store(*GetStoweline(), Key(12, 1), 1, 10 * kKiB));
    ReleaseStorage();

    const QString moved = team + "/moved";
    const QString homePath = home.path();
    QVERIFY(::chmod(QFile::encodeName(homePath).constData(), 0755) == 0);
    QVERIFY(OtherUser::Do([&] {
        const QByteArray at = QFile::encodeName(disk);
        if (std::rename(at.constData(), QFile::encodeName(moved).constData()) != 0)
            return false;
        return link ? ::symlink(QFile::encodeName(homePath).constData(), at.constData()) == 0
                    : ::mkdir(at.constData(), 0777) == 0;
    }));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int code = CreateStorage(nullptr, config);
        QCOMPARE(code, int(STOWELINE_ERR_ROOT));
        QVERIFY(!GetStoweline());
    }
    const QString why = link ? "a link stands in its place, and what it leads to holds no mark of that disk"
                             : "it holds no Records folder with the mark of that disk";
    const QString said = "Disk D: the folder " + disk + " is not the disk that was set up there (" + why +
                         "); it is neither written nor searched until that disk is back, or the disk is "
                         "chosen again in the disk settings. To use this folder as the disk instead, untick "
                         "the disk in the disk settings, tick it again and press OK.";
    QCOMPARE(StorageFailureCause(), said);
    QVERIFY(StorageErrorText(STOWELINE_ERR_ROOT).startsWith(said + "\n"));
    QCOMPARE(TestSupport::LogRowsOf(said), 1);
    QCOMPARE(events.count(QVariantList{said}), 1);
    QCOMPARE(FilesUnder(homePath), QStringList());
    QCOMPARE(FilesUnder(disk), QStringList());
    QCOMPARE(QDir(link ? homePath : disk).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());

    // The operator chooses the letter again: the folder found there is taken from now on.
    QVERIFY(DbSaveDiskMark('D', {QFile::encodeName(disk).toStdString(), {}}));
    QCOMPARE(CreateStorage(nullptr, config), 0);
    const QString taken =
        "Disk D: the folder " + disk + " is taken as the disk, as it was chosen again in the disk settings.";
    // The operator's doing, logged with the disk settings: not something the storage did of its own accord.
    QCOMPARE(TestSupport::LogRowsOf(taken, LOG_SUB_CONFIG_DISK), 1);
    QCOMPARE(TestSupport::LogRowsOf(taken), 1);
    QCOMPARE(events.count(QVariantList{taken}), 1);
    QVERIFY(Store(*GetStoweline(), Key(12, 2), 2, 10 * kKiB));
    QVERIFY(StoredOn(link ? homePath : disk, Key(12, 2), 2, 10 * kKiB));
    ReleaseStorage();
    QCOMPARE(CreateStorage(nullptr, config), 0);
    QCOMPARE(Search(*GetStoweline(), kName, 12).size(), 1);
}

void TestStorageFolders::letterNeverWrittenIsNotNamedUnsearched()
{
    // A mapped letter the station never chose nor wrote to, whose Records cannot be searched (a link): not
    // the station's, so the search does not name it as a disk it could not search.
    CTempDatabase db;
    QTemporaryDir chosen, theirs, elsewhere;
    QVERIFY(QFile::link(elsewhere.path(), CStowelineClass::RecordRootOf(theirs.path())));
    QVERIFY(MapDrives({{'D', chosen.path()}, {'E', theirs.path()}}));
    SYSTEM_CONFIG config;
    config.Disk[0] = 'D';
    QCOMPARE(CreateStorage(nullptr, config), 0);
    const auto release = qScopeGuard([] { ReleaseStorage(); });
    QVERIFY(Store(*GetStoweline(), Key(13, 1), 1, 10 * kKiB));
    QCOMPARE(Search(*GetStoweline(), kName, 13).size(), 1);
    QVERIFY(GetStoweline()->GetLastSearchRootErrors().empty());
}

void TestStorageFolders::leftOutDiskIsNeverOverwritten()
{
    // A disk left out (it refused a record: remounted read-only) holds the oldest record of all. Room made
    // for a record on the other disk is made there: the left-out disk is not listed for overwrite, its
    // record stays and is never named as one that could not be deleted.
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir out, other;
    const qint64 size = 200 * kKiB;
    m_quota.SetQuota(other.path(), 300 * kKiB);
    const QByteArray bound = QFile::encodeName(out.path());
    QVERIFY(::mount(bound.constData(), bound.constData(), nullptr, MS_BIND, nullptr) == 0);
    const auto unmount = qScopeGuard([&] { TestSupport::Unmount(out.path()); });
    CStowelineClass s;
    QVERIFY(InitDisks(s, {out.path(), other.path()}, true));
    QVERIFY(Put(PathOf(out.path(), Key(14, 1)), Bytes(1, size), 1));
    QVERIFY(Put(PathOf(other.path(), Key(14, 2)), Bytes(2, size), 2));
    QVERIFY(::mount(nullptr, bound.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
    QVERIFY(Store(s, Key(14, 3), 3, size));
    QVERIFY(StoredOn(other.path(), Key(14, 3), 3, size));
    QVERIFY(!QFileInfo::exists(PathOf(other.path(), Key(14, 2))));
    QCOMPARE(ReadAll(PathOf(out.path(), Key(14, 1))), Bytes(1, size));
    const QStringList log = TestSupport::LogTexts();
    QVERIFY2(!log.join('\n').contains("cannot be deleted to make room"), qPrintable(log.join('\n')));
    s.Uninit();
}

VARROW_TEST_MAIN(TestStorageFolders, QCoreApplication)
#include "tst_storage_folders.moc"

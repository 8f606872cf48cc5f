// The backup engine over the recorder simulator when a disk, a file's name or the room fails, with the
// storage on real folders, bind mounts and tmpfs volumes (in a mount namespace of the test's own): one bad
// disk or file fails only itself. A read-only disk of two does not stop the plan; a folder at a record's
// final name fails that file alone, with an exception entry naming it; no room for a record's folder in
// overwrite mode deletes the oldest record instead of stopping; a volume that is not mounted is never deleted
// from; a file whose size nothing vouches for never has another recording deleted for it.

#include "engine/ExecuteThread.h"
#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/TaskStore.h"
#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/FuseView.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDate kMonday(2024, 3, 4);
const QDateTime kNow(QDate(2024, 3, 5), QTime(19, 0));
constexpr int kPlan = 3;
// A hang guard only: the engine clock runs 1000 times faster than real time.
constexpr int kLimitMs = 30000;
// What the storage keeps free on every disk (the set-up's figure): a quota counts it out.
const qint64 kReserve = qint64(STOWELINE_INIT_PARAM().ReserveMB) << 20;
// How the box of a stop for full disks ends, after the disks it names.
const QString kKeptFree =
    QStringLiteral(". A disk counts as full while less than %1 MB is free on it: that much is "
                   "kept free on every disk.")
        .arg(STOWELINE_INIT_PARAM().ReserveMB);

// The worker that a full disk in stop mode stops.
std::atomic<CExecuteThread*> g_fullStops{nullptr};

// The state page's part in a full disk of stop mode: every plan stopped at once, from within the refused
// write, before the write's refusal reaches the worker.
int StopOnFullDisk(int full, int, int, int)
{
    if (CExecuteThread* worker = g_fullStops.load(); full == 1 && worker != nullptr)
        worker->stop();
    return 1;
}

// Recorder "Disks" with one channel (its play-back faults `faults`) and plan kPlan over it, its list of
// Monday's files stored as `change` leaves it; its slot.
int Recorder(CEngineFixture& f, const QList<qint64>& sizes, const SimChannelFaults& faults = {},
             const std::function<void(TASK_INFO&)>& change = {})
{
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, sizes, kMonday, 11);
    config.Channel(1).Faults = faults;
    const int device = f.AddDevice(config, "Disks");
    if (device < 0 || !f.AddPlan(kPlan, {{int16_t(device), 1}}, {}))
        return -1;
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list = {f.TaskOf(kPlan, 0, kMonday)};
    if (change)
        change(list[0]);
    return f.Model().SaveTaskList(kPlan, 0) ? device : -1;
}

// The storage over letters of the drive map (their folders have room unless the quota says otherwise), in
// overwrite (0) or stop (1) mode; CreateStorage's code.
int Disks(CEngineFixture& f, CQuotaRoots& quota, const char* letters, int mode)
{
    SetDefaultFreeSpaceProvider(quota.Provider());
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    CopyString26(config.Disk, letters);
    config.DiskMode = int16_t(mode);
    f.Model().SetSystemConfig(&config);
    return CreateStorage(CountDiskFull, config);
}

// The record name of the recorder's channel 1.
QByteArray RecordName(CEngineFixture& f, int device)
{
    const DEVICE_INFO* info = f.Model().GetDeviceInfo(device);
    return QByteArray(info->DeviceIP) + '_' + QByteArray::number(info->Port) + "_1";
}

// Where the file's record is stored on a drive folder.
QString RecordPath(CEngineFixture& f, int device, const QString& drive, const FILE_INFO& file)
{
    const NET_DVR_TIME& a = file.FileStartTime;
    const NET_DVR_TIME& b = file.FileStopTime;
    return CStowelineClass::RecordRootOf(drive) + "/" + RecordName(f, device) +
           QString::asprintf("/%04u%02u%02u/%04u%02u%02u%02u%02u%02u_%04u%02u%02u%02u%02u%02u_%u.rec", a.Year,
                             a.Month, a.Day, a.Year, a.Month, a.Day, a.Hour, a.Minute, a.Second, b.Year,
                             b.Month, b.Day, b.Hour, b.Minute, b.Second, unsigned(file.FileType));
}

// The stored copy equals what the recorder plays back for the file, byte for byte.
bool CopyMatches(CEngineFixture& f, int device, const QString& path, const FILE_INFO& file)
{
    const CSimPlaybackContent expected =
        f.Recorder(device).Expected(1, file.FileStartTime, file.FileStopTime);
    const QByteArray bytes = ReadAll(path);
    return !bytes.isEmpty() && bytes == expected.Bytes(0, expected.Length());
}

// Every file of the plan's list has its copy on the drive folder, equal to what the recorder plays.
bool CopiesOn(CEngineFixture& f, int device, const QString& drive)
{
    const TASK_INFO task = f.Model().TaskList(kPlan, 0).value(0);
    return !task.FileList.isEmpty() &&
           std::all_of(task.FileList.cbegin(), task.FileList.cend(), [&](const FILE_INFO& file) {
               return CopyMatches(f, device, RecordPath(f, device, drive, file), file);
           });
}

// Stores one record of another recorder directly, dated `minute` minutes into 1 April 2024 (long before
// the run); its path.
QString StoreOld(const QString& drive, int day, int minute, qint64 size)
{
    const char* name = "10.40.40.40_8000_1";
    const CHANNEL_RECORD_KEY key{
        {2024, 2, uint8_t(day), 1, 0, 0, 0}, {2024, 2, uint8_t(day), 1, 30, 0, 0}, 1, 0};
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    const QByteArray bytes(size, 'o');
    if (!storage || !storage->OpenChannelRecord(name, 0, &key) ||
        !storage->WriteChannelRecord(name, 1, reinterpret_cast<const uint8_t*>(bytes.constData()),
                                     uint32_t(bytes.size()), &key) ||
        !storage->CloseChannelRecord(name, &key))
        return {};
    const QString path =
        CStowelineClass::RecordRootOf(drive) + "/" + name +
        QString::asprintf("/202402%02d/202402%02d010000_202402%02d013000_1.rec", day, day, day);
    const timespec when{1711929600 + minute * 60, 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0 ? path : QString();
}

// Runs the plan's worker over its list to the end; false when it did not end.
struct CRun
{
    explicit CRun(int plan = kPlan)
        : worker(plan, 0), full(&worker, &CExecuteThread::SignalDiskFull),
          failed(&worker, &CExecuteThread::SignalDiskFailed),
          fileFailed(&worker, &CExecuteThread::SigConnectDeviceFail)
    {
    }
    bool Go()
    {
        worker.Start();
        return worker.wait(kLimitMs);
    }

    CExecuteThread worker;
    QSignalSpy full;
    QSignalSpy failed;
    QSignalSpy fileFailed;
};

} // namespace

class TestEngineDisks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readOnlyDiskOfTwoDoesNotStopThePlan();
    void folderAtARecordsNameFailsThatFileAlone();
    void noRoomForTheDayFolderOverwritesTheOldest();
    void volumeNotMountedIsNeverDeletedFrom();
    void unvouchedFileNeverCostsAnotherRecording_data();
    void unvouchedFileNeverCostsAnotherRecording();
    void keptDayFailsOnlyItsFiles();
    void dyingDiskFailsOnlyItsRecord_data();
    void dyingDiskFailsOnlyItsRecord();
    void recordsOfAnEndedRunAreOverwrittenInTheirTurn();
    void fullDiskStopIsSaidInEitherMode_data();
    void fullDiskStopIsSaidInEitherMode();
    void planGoesOnOnItsDiskPluggedInAgain();
    void filesDoneThroughTwoMountsOfOneFolderAreOnIt();
    void stopEndsWhileTheRecordsDiskIsSilent();
};

void TestEngineDisks::readOnlyDiskOfTwoDoesNotStopThePlan()
{
    IN_MOUNT_NAMESPACE();
    // The disk with the most room is remounted read-only (as the kernel does after disk errors): every file
    // of the plan is stored on the other disk, nothing stops, and the left-out disk is said once.
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024, 200 * 1024});
    QVERIFY(device >= 0);
    QTemporaryDir other;
    CQuotaRoots quota;
    quota.SetQuota(other.path(), kReserve + 4 * 1024 * 1024);
    QVERIFY(MapDrives({{'D', f.DiskPath()}, {'E', other.path()}}));
    QCOMPARE(Disks(f, quota, "DE", 0), 0);
    const QByteArray roomy = QFile::encodeName(f.DiskPath());
    QVERIFY(::mount(roomy.constData(), roomy.constData(), nullptr, MS_BIND, nullptr) == 0);
    QVERIFY(::mount(nullptr, roomy.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
    const auto unmount = qScopeGuard([&] { TestSupport::Unmount(f.DiskPath()); });

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(run.fileFailed.size(), 0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 2);
    QVERIFY(CopiesOn(f, device, other.path()));
    QCOMPARE(FilesUnder(f.DiskPath()), QStringList());
    QCOMPARE(CEngineFixture::LogRows("Disk D: the folder " + CStowelineClass::RecordRootOf(f.DiskPath()) +
                                     " cannot be written: " + std::strerror(EROFS) + "."),
             1);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::folderAtARecordsNameFailsThatFileAlone()
{
    // Record names are predictable: a folder standing at the first file's final name fails that file alone,
    // with an exception entry naming the file and the cause, never a disk; the run goes on and stores the
    // second file.
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024, 200 * 1024});
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(0), 0);
    const TASK_INFO listed = f.Model().TaskList(kPlan, 0).value(0);
    const QString blocked = RecordPath(f, device, f.DiskPath(), listed.FileList[0]);
    QVERIFY(QDir().mkpath(blocked + "/theirs"));

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(run.fileFailed.size(), 1);
    const QString text = run.fileFailed[0][3].toString();
    QVERIFY2(text.contains(blocked + " cannot take its name: " + std::strerror(EISDIR)), qPrintable(text));
    QVERIFY2(!text.contains("Disk "), qPrintable(text));
    QCOMPARE(CEngineFixture::LogRows(text.left(60)), 1);
    // A file given up waits behind the others in the stored list: each is found by its own start.
    const TASK_INFO task = f.Model().TaskList(kPlan, 0).value(0);
    QCOMPARE(task.FileList.size(), 2);
    const auto stored = [&](const FILE_INFO& listedFile) {
        for (const FILE_INFO& file : task.FileList)
            if (std::memcmp(&file.FileStartTime, &listedFile.FileStartTime, sizeof(NET_DVR_TIME)) == 0)
                return file;
        return FILE_INFO{};
    };
    QCOMPARE(stored(listed.FileList[0]).DownloadState == DOWNLOAD_DONE, false);
    const FILE_INFO second = stored(listed.FileList[1]);
    QCOMPARE(second.DownloadState, int16_t(DOWNLOAD_DONE));
    QVERIFY(CopyMatches(f, device, RecordPath(f, device, f.DiskPath(), second), second));
    QVERIFY(QFileInfo(blocked + "/theirs").isDir());
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::noRoomForTheDayFolderOverwritesTheOldest()
{
    IN_MOUNT_NAMESPACE();
    // A disk kept at its limit: the volume has no inode left for the night's new day folder. In overwrite
    // mode the oldest record goes and the file is stored; nothing stops and no full-disk box shows.
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024});
    QVERIFY(device >= 0);
    // Its root, Records with the disk's mark, the old record's two folders and file, and the new recorder's
    // folder: nothing more.
    QVERIFY(TestSupport::MountTmpfs(f.DiskPath(), "size=8m,nr_inodes=7"));
    const auto unmount = qScopeGuard([&] {
        ReleaseStorage();
        TestSupport::Unmount(f.DiskPath());
    });
    QCOMPARE(f.SetUpStorage(0, 4 * 1024 * 1024), 0);
    const QString old = StoreOld(f.DiskPath(), 1, 1, 100 * 1024);
    QVERIFY(!old.isEmpty());

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(run.fileFailed.size(), 0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 1);
    QVERIFY(CopiesOn(f, device, f.DiskPath()));
    QVERIFY(!QFileInfo::exists(old));
    QCOMPARE(DiskFullCalls().load(), 0);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::volumeNotMountedIsNeverDeletedFrom()
{
    IN_MOUNT_NAMESPACE();
    // A start without its volume: the mount point is a bare folder of the system disk holding older records.
    // The other disk needs room for the run: its own oldest record goes, never what lies in the bare folder
    // (deleting it would free nothing where room is needed).
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024});
    QVERIFY(device >= 0);
    QTemporaryDir base, plain;
    const QString volume = base.filePath("volume");
    QVERIFY(QDir().mkpath(volume) && TestSupport::MountTmpfs(volume, "size=8m"));
    QVERIFY(MapDrives({{'D', volume}, {'E', plain.path()}}));
    QVERIFY(CDriveMap::GetDrive('D').Volume); // the map marks it as a volume while it is mounted
    QVERIFY(TestSupport::Unmount(volume));
    CQuotaRoots quota;
    quota.SetQuota(plain.path(), kReserve + 400 * 1024);
    QCOMPARE(Disks(f, quota, "DE", 0), 0);
    QVERIFY(CDriveMap::GetDrive('D').Volume);
    // Older than anything on the other disk.
    const QString bare = CStowelineClass::RecordRootOf(volume) + "/10.41.41.41_8000_1/20240201/"
                                                                 "20240201010000_20240201013000_1.rec";
    QVERIFY(QDir().mkpath(QFileInfo(bare).path()));
    {
        QFile file(bare);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(200 * 1024, 'b')) == 200 * 1024);
    }
    const timespec when[2] = {{1577836800, 0}, {1577836800, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(bare).constData(), when, 0) == 0);
    const QString old = StoreOld(plain.path(), 2, 1, 200 * 1024);
    QVERIFY(!old.isEmpty());

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 1);
    QVERIFY(CopiesOn(f, device, plain.path()));
    QVERIFY(!QFileInfo::exists(old));
    QCOMPARE(ReadAll(bare), QByteArray(200 * 1024, 'b'));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::unvouchedFileNeverCostsAnotherRecording_data()
{
    // What vouches for the size of the channel's first file: its listed size, its play-back's length, or
    // nothing (listed with size 0, the play-back giving no length).
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("length");
    QTest::newRow("listed size") << true << false;
    QTest::newRow("play-back length") << false << true;
    QTest::newRow("nothing") << false << false;
}

void TestEngineDisks::unvouchedFileNeverCostsAnotherRecording()
{
    // Overwrite mode; the disk holds an older record of another recorder and has room for less than the
    // first file, but for the second. A file something vouches for overwrites the older record as ever. A
    // file nothing vouches for (its bytes could be a hostile recorder's endless stream) takes free room only:
    // it fails alone, with an exception entry, the older record stays, nothing stops and no full-disk box
    // shows; the second file is stored either way.
    QFETCH(bool, listed);
    QFETCH(bool, length);
    const bool vouched = listed || length;
    CEngineFixture f(kNow);
    SimChannelFaults faults;
    if (!length)
        faults.ReportedLength = 0;
    const int device = Recorder(f, {300 * 1024, 50 * 1024}, faults, [listed](TASK_INFO& task) {
        if (!listed && !task.FileList.isEmpty()) {
            task.TotalChannelSize -= task.FileList[0].FileSize;
            task.FileList[0].FileSize = 0;
        }
    });
    QVERIFY(device >= 0);
    const TASK_INFO listedTask = f.Model().TaskList(kPlan, 0).value(0);
    QCOMPARE(listedTask.FileList.size(), 2);
    QCOMPARE(f.SetUpStorage(0, 400 * 1024), 0);
    const QString old = StoreOld(f.DiskPath(), 1, 1, 200 * 1024);
    QVERIFY(!old.isEmpty());

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(DiskFullCalls().load(), 0);
    const FILE_INFO& first = listedTask.FileList[0];
    const FILE_INFO& second = listedTask.FileList[1];
    const QString firstPath = RecordPath(f, device, f.DiskPath(), first);
    QVERIFY(CopyMatches(f, device, RecordPath(f, device, f.DiskPath(), second), second));
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), vouched ? 2 : 1);
    if (vouched) {
        QCOMPARE(run.fileFailed.size(), 0);
        QVERIFY(CopyMatches(f, device, firstPath, first));
        QVERIFY(!QFileInfo::exists(old));
    } else {
        const QString text = QStringLiteral("Download of Disks_Camera 01 2024-03-04 08:00:00 - 2024-03-04 "
                                            "09:00:00 given up: the recorder vouches for no size of it, and "
                                            "the disks have no free room for it (no recording is deleted for "
                                            "it)");
        QCOMPARE(run.fileFailed.size(), 1);
        QCOMPARE(run.fileFailed[0][3].toString(), text);
        QCOMPARE(CEngineFixture::LogRows(text), 1);
        QCOMPARE(ReadAll(old), QByteArray(200 * 1024, 'o'));
        // Nothing of it is left, not even a partial file.
        QCOMPARE(FilesUnder(QFileInfo(firstPath).path()),
                 QStringList{RecordPath(f, device, f.DiskPath(), second)});
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::keptDayFailsOnlyItsFiles()
{
    // The only disk keeps one channel's day as the README says (chattr +i): that channel's files of the day
    // fail alone, each with an exception entry naming the day's folder and the cause; the disk takes the
    // other channel's files and nothing stops. Weighed by the refusal's number, it stopped every plan.
    IN_MOUNT_NAMESPACE(TestSupport::kNeedExt4Volume);
    CEngineFixture f(kNow);
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {200 * 1024, 100 * 1024}, kMonday, 13);
    const int device = f.AddDevice(config, "Disks");
    QVERIFY(device >= 0 && f.AddPlan(kPlan, {{int16_t(device), 1}, {int16_t(device), 2}}, {}));
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list = {f.TaskOf(kPlan, 0, kMonday), f.TaskOf(kPlan, 1, kMonday)};
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    QTemporaryDir base;
    QVERIFY(TestSupport::MountExt4(base.filePath("image"), f.DiskPath(), 16));
    const QString day =
        CStowelineClass::RecordRootOf(f.DiskPath()) + "/" + RecordName(f, device) + "/20240304";
    const auto unmount = qScopeGuard([&] {
        QProcess::execute("chattr", {"-i", day});
        ReleaseStorage();
        TestSupport::Unmount(f.DiskPath());
    });
    QCOMPARE(f.SetUpStorage(0, 4 * 1024 * 1024), 0);
    QVERIFY(QDir().mkpath(day) && QProcess::execute("chattr", {"+i", day}) == 0);

    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(run.fileFailed.size(), 2);
    const QString cause = "in " + day + " was refused: " + std::strerror(EPERM);
    for (const QList<QVariant>& failed : run.fileFailed)
        QVERIFY2(failed[3].toString().contains(cause), qPrintable(failed[3].toString()));
    QCOMPARE(CEngineFixture::LogRows("Download of"), 2);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 2);
    QCOMPARE(FilesUnder(day), QStringList());
    QCOMPARE(FilesUnder(CStowelineClass::RecordRootOf(f.DiskPath())).size(), 2);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::dyingDiskFailsOnlyItsRecord_data()
{
    QTest::addColumn<int>("mode"); // the set-up's disk mode: 0 overwrite, 1 stop
    QTest::newRow("overwrite, the other disk holding an older record") << 0;
    QTest::newRow("stop, the other disk full") << 1;
}

void TestEngineDisks::dyingDiskFailsOnlyItsRecord()
{
    // Disk D (an ext4 volume, the roomier) dies while the first file is written: the kernel shuts it down,
    // every call on it fails, reads included. Its bytes cannot be copied to disk E: that file alone is given
    // up (and fetched again later), never a stop for a disk that cannot be written. In overwrite mode the
    // run goes on on E, its older record deleted for the second file; in stop mode with E full the run stops
    // with the full-disk refusal, a row that names the disks. D is said once.
    IN_MOUNT_NAMESPACE(TestSupport::kNeedExt4Volume);
    QFETCH(int, mode);
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024, 200 * 1024});
    QVERIFY(device >= 0);
    QTemporaryDir base, other;
    const QString dying = base.filePath("dying");
    QVERIFY(QDir().mkpath(dying) && TestSupport::MountExt4(base.filePath("image"), dying, 16));
    const auto unmount = qScopeGuard([&] {
        ReleaseStorage();
        TestSupport::Unmount(dying);
    });
    CQuotaRoots quota;
    quota.SetQuota(other.path(), kReserve + (mode == 0 ? 400 * 1024 : 100 * 1024));
    QVERIFY(MapDrives({{'D', dying}, {'E', other.path()}}));
    QCOMPARE(Disks(f, quota, "DE", mode), 0);
    // An older record of another recorder on E, put there directly (the storage would choose D).
    const QString old = CStowelineClass::RecordRootOf(other.path()) +
                        "/10.40.40.40_8000_1/20240201/20240201010000_20240201013000_1.rec";
    if (mode == 0) {
        QVERIFY(QDir().mkpath(QFileInfo(old).path()));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(200 * 1024, 'o')) == 200 * 1024);
        file.close();
        const timespec when[2] = {{1577836800, 0}, {1577836800, 0}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(old).constData(), when, 0) == 0);
    }
    auto shut = std::make_shared<std::atomic<bool>>(false);
    GetStoweline()->SetWriteFault([dying, shut](const QString& path) {
        if (path.startsWith(dying + "/") && QFileInfo(path).size() > 100 * 1024 && !shut->exchange(true))
            return TestSupport::ShutDownExt4(dying) ? 0 : ENOTTY;
        return 0;
    });

    CRun run;
    QVERIFY(run.Go());
    QVERIFY(shut->load());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), mode == 0 ? 0 : 1);
    // The file given up; in stop mode the stop too, as a row naming the full disks (log and events).
    QCOMPARE(run.fileFailed.size(), mode == 0 ? 1 : 2);
    if (mode != 0) {
        const QString stop =
            "Backup stopped: the record disks are full: D: " + CStowelineClass::RecordRootOf(dying) +
            ", E: " + CStowelineClass::RecordRootOf(other.path());
        QCOMPARE(run.fileFailed[1][3].toString(), stop);
        QCOMPARE(CEngineFixture::LogRows(stop), 1);
    }
    const TASK_INFO listed = f.Model().TaskList(kPlan, 0).value(0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), mode == 0 ? 1 : 0);
    if (mode == 0) {
        // The file stored is the second of the list, the first one given up.
        const auto done = [](const FILE_INFO& file) { return file.DownloadState == DOWNLOAD_DONE; };
        const FILE_INFO second =
            done(listed.FileList.value(0)) ? listed.FileList.value(0) : listed.FileList.value(1);
        QVERIFY(done(second) && second.FileStartTime.Hour == 9);
        QVERIFY(CopyMatches(f, device, RecordPath(f, device, other.path(), second), second));
        QVERIFY(!QFileInfo::exists(old));
    }
    QCOMPARE(CEngineFixture::LogRows("Disk D: the folder " + CStowelineClass::RecordRootOf(dying)), 1);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::recordsOfAnEndedRunAreOverwrittenInTheirTurn()
{
    // Overwrite mode on a disk with room for three files of 300 KiB, two older records on it. The first
    // plan's run stores two files: for the second the oldest record goes, its own first file is passed over.
    // The second plan's run then stores three: the older record, then the first run's two files go, in the
    // order they were stored; none of its files fails for a full disk and no plan stops.
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.Seed = 12;
    const qint64 size = 300 * 1024;
    for (int channel = 1; channel <= 2; ++channel)
        for (int n = 0; n < channel + 1; ++n) {
            const QDateTime start(kMonday, QTime(8 + n, 0), Qt::UTC);
            config.AddRecording(channel, start, start.addSecs(3600), 0, size);
        }
    const int device = f.AddDevice(config, "Runs");
    QVERIFY(device >= 0);
    for (int channel = 1; channel <= 2; ++channel) {
        const int plan = kPlan + channel - 1;
        QVERIFY(f.AddPlan(plan, {{int16_t(device), int16_t(channel)}}, {}));
        f.Model().TaskList(plan, 0) = {f.TaskOf(plan, 0, kMonday)};
        QVERIFY(f.Model().SaveTaskList(plan, 0));
    }
    QCOMPARE(f.SetUpStorage(0, 1000 * 1024), 0);
    QStringList older;
    for (int day = 1; day <= 2; ++day)
        older << StoreOld(f.DiskPath(), day, day, size);
    QVERIFY(!older.contains(QString()));

    // How many files of the plan's list have their copy stored, each equal to the recorder's.
    const auto copies = [&](int plan) {
        int stored = 0;
        for (const FILE_INFO& file : f.Model().TaskList(plan, 0).value(0).FileList)
            stored += f.StoredCopyMatches(device, plan - kPlan + 1, file.FileStartTime, file.FileStopTime);
        return stored;
    };
    for (int plan : {kPlan, kPlan + 1}) {
        CRun run(plan);
        QVERIFY(run.Go());
        QCOMPARE(run.failed.size(), 0);
        QCOMPARE(run.full.size(), 0);
        QCOMPARE(run.fileFailed.size(), 0);
        QCOMPARE(DoneFiles(f.Model().TaskList(plan, 0)), plan - kPlan + 2);
        QCOMPARE(copies(plan), plan - kPlan + 2);
        // After the first run the older record of the two stays.
        QCOMPARE(QFileInfo::exists(older[1]), plan == kPlan);
    }
    QCOMPARE(DiskFullCalls().load(), 0);
    QCOMPARE(copies(kPlan), 0);
    QCOMPARE(FilesUnder(f.DiskPath()), f.StoredFiles(device, 2));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::fullDiskStopIsSaidInEitherMode_data()
{
    QTest::addColumn<int>("mode");        // the set-up's disk mode: 0 overwrite, 1 stop
    QTest::addColumn<bool>("firstWrite"); // the volume has no room left at all before the file
    QTest::newRow("overwrite, nothing to overwrite, mid-file") << 0 << false;
    QTest::newRow("stop, at the first write") << 1 << true;
    QTest::newRow("stop, mid-file") << 1 << false;
}

void TestEngineDisks::fullDiskStopIsSaidInEitherMode()
{
    // The disk's volume is smaller than its file system's figure says: the write meets a real ENOSPC. In
    // stop mode the page stops the plans from within that write. Either way the stop leaves one log row and
    // one event row that name the disks and the room kept free, and nothing is marked done.
    IN_MOUNT_NAMESPACE();
    QFETCH(int, mode);
    QFETCH(bool, firstWrite);
    CEngineFixture f(kNow);
    const int device = Recorder(f, {3 * 1024 * 1024});
    QVERIFY(device >= 0);
    // Sent at 8 MB a second: the play-back is still under way when its write fails.
    f.Recorder(device).SetRate(8 * 1024 * 1024);
    QVERIFY(TestSupport::MountTmpfs(f.DiskPath(), "size=1m"));
    const auto unmount = qScopeGuard([&] {
        g_fullStops = nullptr;
        ReleaseStorage();
        TestSupport::Unmount(f.DiskPath());
    });
    CQuotaRoots quota;
    quota.SetQuota(f.DiskPath(), kReserve + 64 * 1024 * 1024);
    SetDefaultFreeSpaceProvider(quota.Provider());
    QVERIFY(MapDrives({{'D', f.DiskPath()}}));
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    CopyString26(config.Disk, "D");
    config.DiskMode = int16_t(mode);
    f.Model().SetSystemConfig(&config);
    QCOMPARE(CreateStorage(StopOnFullDisk, config), 0);
    if (firstWrite) {
        QFile filler(f.DiskPath() + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
        }
    }

    CRun run;
    g_fullStops = &run.worker;
    QVERIFY(run.Go());
    const QString disks = "D: " + CStowelineClass::RecordRootOf(f.DiskPath());
    const QString stop = "Backup stopped: the record disks are full: " + disks;
    QCOMPARE(run.failed.size(), 0);
    // The page's box gets the disks and the room kept free on them.
    QCOMPARE(run.full.size(), 1);
    QCOMPARE(run.full[0][0].toString(), disks + kKeptFree);
    QCOMPARE(run.fileFailed.size(), 1);
    QCOMPARE(run.fileFailed[0][3].toString(), stop);
    QCOMPARE(CEngineFixture::LogRows(stop), 1);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 0);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::planGoesOnOnItsDiskPluggedInAgain()
{
    // The disk's volume (a FUSE volume: no file system id of its own) is unmounted after the set-up and
    // mounted again once another mount took its device number: the plan goes on on it, its file marked
    // done is on it, and no disk is said to have failed.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024});
    QVERIFY(device >= 0);
    QTemporaryDir under, base, elsewhere;
    const QString view = base.filePath("volume");
    const QString other = base.filePath("other");
    QVERIFY(QDir().mkpath(view) && QDir().mkpath(other) && QDir().mkpath(under.filePath("disk")));
    const QString disk = view + "/disk";
    CFuseView volume, taker;
    QVERIFY(volume.Mount(under.path(), view));
    QVERIFY(MapDrives({{'D', disk}}));
    CQuotaRoots quota;
    QCOMPARE(Disks(f, quota, "D", 0), 0);
    const auto release = qScopeGuard([] { ReleaseStorage(); });

    volume.Unmount();
    QVERIFY(taker.Mount(elsewhere.path(), other));
    QVERIFY(volume.Mount(under.path(), view));
    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.full.size(), 0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 1);
    QVERIFY(CopiesOn(f, device, under.filePath("disk")));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::filesDoneThroughTwoMountsOfOneFolderAreOnIt()
{
    // Two letters whose folders are one folder through two FUSE views: one disk. Every file marked done is
    // on it; none is deleted through the other letter as a copy of itself.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CEngineFixture f(kNow);
    const int device = Recorder(f, {300 * 1024, 200 * 1024});
    QVERIFY(device >= 0);
    QTemporaryDir under, base;
    const QString first = base.filePath("first");
    const QString second = base.filePath("second");
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    CFuseView one, two;
    QVERIFY(one.Mount(under.path(), first) && two.Mount(under.path(), second));
    QVERIFY(MapDrives({{'D', first}, {'E', second}}));
    CQuotaRoots quota;
    QCOMPARE(Disks(f, quota, "DE", 0), 0);
    const auto release = qScopeGuard([] { ReleaseStorage(); });
    CRun run;
    QVERIFY(run.Go());
    QCOMPARE(run.failed.size(), 0);
    QCOMPARE(run.fileFailed.size(), 0);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 2);
    QVERIFY(CopiesOn(f, device, under.path()));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineDisks::stopEndsWhileTheRecordsDiskIsSilent()
{
    // Disk D (a FUSE view, the roomier) goes silent while the plan's file is written on it, as a network
    // share whose server stops. The plan's Stop ends within the disk's bound, never when the disk answers
    // again; meanwhile a plan over another recorder goes on, its files stored on disk E.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    constexpr int kOtherPlan = 4;
    // The storage's bound for one call on a disk.
    constexpr int kDiskBoundMs = 10000;
    CEngineFixture f(kNow);
    const int device = Recorder(f, {4 * 1024 * 1024});
    QVERIFY(device >= 0);
    const int otherDevice =
        f.AddDevice(CSimRecorders::MakeConfig(1, {300 * 1024, 200 * 1024}, kMonday, 12), "Healthy");
    QVERIFY(otherDevice >= 0);
    QVERIFY(f.AddPlan(kOtherPlan, {{int16_t(otherDevice), 1}}, {}));
    f.Model().TaskList(kOtherPlan, 0) = {f.TaskOf(kOtherPlan, 0, kMonday)};
    QVERIFY(f.Model().SaveTaskList(kOtherPlan, 0));

    QTemporaryDir under, base, other;
    const QString silent = base.filePath("silent");
    QVERIFY(QDir().mkpath(silent));
    CFuseView volume;
    QVERIFY(volume.Mount(under.path(), silent));
    QVERIFY(MapDrives({{'D', silent}, {'E', other.path()}}));
    CQuotaRoots quota;
    QCOMPARE(Disks(f, quota, "DE", 0), 0);
    const auto release = qScopeGuard([&] {
        volume.Resume();
        ReleaseStorage();
    });
    // Figures that never look at a disk: D is the roomier.
    const QString silentRecords = CStowelineClass::RecordRootOf(silent);
    GetStoweline()->SetFreeSpaceProvider([silentRecords](const QString& dir) -> qint64 {
        return dir == silentRecords ? qint64(8) << 30 : qint64(4) << 30;
    });
    // D stops answering once a good part of the file is written on it.
    auto paused = std::make_shared<std::atomic<bool>>(false);
    CFuseView* view = &volume;
    GetStoweline()->SetWriteFault([silentRecords, paused, view](const QString& path) {
        if (!paused->load() && path.startsWith(silentRecords + "/") && QFileInfo(path).size() > 1024 * 1024 &&
            !paused->exchange(true))
            view->Pause();
        return 0;
    });

    CRun run;
    run.worker.Start();
    QVERIFY2(QTest::qWaitFor([&] { return paused->load(); }, TestSupport::Bound(kLimitMs)),
             "the file was never written on D");
    CRun healthy(kOtherPlan);
    healthy.worker.Start();
    run.worker.stop();
    QVERIFY2(run.worker.wait(TestSupport::Bound(kDiskBoundMs + 20000)),
             "the Stop waited for the silent disk");
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), 0);
    // The other plan went on meanwhile: its files are on E while D is still silent.
    QVERIFY2(healthy.worker.wait(TestSupport::Bound(kLimitMs + kDiskBoundMs)),
             "the other plan waited for the silent disk");
    QCOMPARE(DoneFiles(f.Model().TaskList(kOtherPlan, 0)), 2);
    for (const FILE_INFO& file : f.Model().TaskList(kOtherPlan, 0).value(0).FileList)
        QVERIFY(CopyMatches(f, otherDevice, RecordPath(f, otherDevice, other.path(), file), file));

    // Once D answers, what was left on it ends, and no partial file stays.
    volume.Resume();
    QVERIFY(QTest::qWaitFor([] { return VolumeCall::CallsOut() == 0; }, TestSupport::Bound(60000)));
    QCOMPARE(FilesUnder(silentRecords + "/" + RecordName(f, device)), QStringList());
    QVERIFY(f.Recorders().WaitForIdle());
}

VARROW_TEST_MAIN(TestEngineDisks, QCoreApplication)
#include "tst_engine_disks.moc"

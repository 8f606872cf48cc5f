// The storage layer when one disk stalls or keeps its deleted files: a disk whose writes stall (an ext4
// volume frozen in a mount namespace of the test's own) holds up neither the other disks' records nor a
// search, and is left out and named within its bound; a disk where deleting frees no room (hard links kept
// beside the records, as a snapshot tool or a recycle bin keeps them) has a few records deleted, never all;
// a disk whose probe file cannot be made durable is left out; a record whose own folder another disk refuses
// ends; nothing is deleted for a record whose bytes are lost; and the set-up looks at silent disks side by
// side within one bound, leaving them out until they answer. A disk that goes silent under a record (a
// FUSE view whose daemon stops, a frozen ext4 volume) loses that record within its bound, whether it is
// written, closed or given up, and a silent other disk holds up neither a close nor a record's move.

#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "tests/support/FuseView.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kKiB = 1024;
const char* const kName = "10.20.20.20_8000_1";
// The storage's bound for one call on a disk: what a step on a silent disk may wait, at most.
constexpr int kDiskBoundMs = 10000;
// What a step that meets a silent disk is given, its bound and then some: it ends within this, or it waited
// for the disk.
int SilentStepBound()
{
    return TestSupport::Bound(kDiskBoundMs + 20000);
}

using TestSupport::Bytes;
using TestSupport::InitDisks;
using TestSupport::StoreRecord;
using TestSupport::Time;

CHANNEL_RECORD_KEY Key(int day, int hour)
{
    return {Time(day, hour), Time(day, hour, 30, 15), 1, 0};
}

QString FileOf(const CHANNEL_RECORD_KEY& key)
{
    return QString::asprintf("202403%02d%02d0000_202403%02d%02d3015_1.rec", key.StartTime.Day,
                             key.StartTime.Hour, key.StartTime.Day, key.StartTime.Hour);
}

// The stored copy of a key on a drive directory, whole and equal to record `seed`.
bool StoredOn(const QString& drive, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    const QString path = CStowelineClass::RecordRootOf(drive) + "/" + kName +
                         QString::asprintf("/202403%02d/", key.StartTime.Day) + FileOf(key);
    return ReadAll(path) == Bytes(seed, size);
}

bool Put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// Dates a stored file `minute` minutes into 1 April 2024.
bool Date(const QString& path, int minute)
{
    const timespec when{1711929600 + minute * 60, 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// `count` stored recordings of 100 KiB below the drive directory, the oldest first; their paths.
QStringList PutRecordings(const QString& drive, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path =
            CStowelineClass::RecordRootOf(drive) + "/" + kName + "/20240301/" +
            QString::asprintf("20240301%02d%02d00_20240301%02d%02d59_1.rec", i / 60, i % 60, i / 60, i % 60);
        if (!Put(path, QByteArray(100 * kKiB, 'r')) || !Date(path, i))
            return {};
        paths << path;
    }
    return paths;
}

int Existing(const QStringList& paths)
{
    return int(std::count_if(paths.begin(), paths.end(), [](const QString& p) { return QFile::exists(p); }));
}

// The file system on `dir` frozen (its writes wait), or thawed.
bool Freeze(const QString& dir, bool frozen)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool done = ::ioctl(fd, frozen ? FIFREEZE : FITHAW, 0) == 0;
    ::close(fd);
    return done;
}

// A storage step run on a thread of its own, waited for within a bound: a step that hangs fails the test
// instead of hanging it.
class CStep
{
public:
    explicit CStep(std::function<bool()> step) : m_state(std::make_shared<STATE>())
    {
        std::thread([state = m_state, step = std::move(step)] {
            const bool ok = step();
            std::lock_guard lock(state->mutex);
            state->ok = ok;
            state->done = true;
            state->changed.notify_all();
        }).detach();
    }
    // Ended within `ms`; *ok its answer.
    bool EndsWithin(int ms, bool* ok = nullptr)
    {
        std::unique_lock lock(m_state->mutex);
        const bool done =
            m_state->changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_state->done; });
        if (ok != nullptr)
            *ok = m_state->ok;
        return done;
    }

private:
    struct STATE
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
        bool ok = false;
    };
    std::shared_ptr<STATE> m_state;
};

bool NoCallOut()
{
    QElapsedTimer clock;
    clock.start();
    while (VolumeCall::CallsOut() != 0 && clock.elapsed() < 60000)
        QTest::qWait(20);
    return VolumeCall::CallsOut() == 0;
}

} // namespace

class TestStorageStalls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void stallingDiskHoldsUpNoOther_data();
    void stallingDiskHoldsUpNoOther();
    void silentFuseDiskIsLeftOutWithinItsBound();
    void deletingThatFreesNoRoomStopsAfterAFew();
    void probeNotMadeDurableLeavesTheDiskOut();
    void diskRefusingTheRecordsFolderIsPassedOverAtTheClose();
    void nothingIsDeletedForARecordAlreadyLost();
    void diskSilentAtItsProbeIsNamedSo();
    void setUpEndsBesideSilentDisks_data();
    void setUpEndsBesideSilentDisks();
    void setUpLeavesASilentSweepToItsThread();
    void recordOnADiskGoneSilentIsLostWithinItsBound_data();
    void recordOnADiskGoneSilentIsLostWithinItsBound();
    void silentOtherDiskHoldsUpNoRecord_data();
    void silentOtherDiskHoldsUpNoRecord();
    void silentFigureOfRoomHoldsUpNoRecord();

private:
    CQuotaRoots m_quota;
};

void TestStorageStalls::init()
{
    DiskFullCalls() = 0;
}

void TestStorageStalls::stallingDiskHoldsUpNoOther_data()
{
    QTest::addColumn<bool>("leftOut");
    // The roomier disk stalls as a record is opened on it.
    QTest::newRow("chosen disk") << false;
    // The disk was left out, and is asked again at a need for room while it stalls.
    QTest::newRow("left-out disk asked again") << true;
}

void TestStorageStalls::stallingDiskHoldsUpNoOther()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedExt4Volume | TestSupport::kNeedMountNamespace,
                      "It mounts an ext4 volume on a loop device");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, leftOut);
    CTempDatabase db;
    QTemporaryDir frozen, healthy, images;
    QVERIFY(TestSupport::MountExt4(images.path() + "/disk.img", frozen.path(), 32));
    const auto unmount = qScopeGuard([&] {
        Freeze(frozen.path(), false);
        NoCallOut();
        ::umount2(QFile::encodeName(frozen.path()).constData(), MNT_DETACH);
    });
    // The ext4 volume is the roomier disk; the healthy one has room for small records only.
    m_quota.SetQuota(healthy.path(), 1000 * kKiB);
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    const auto provider = qScopeGuard([] { SetDefaultFreeSpaceProvider({}); });
    CStowelineClass s;
    // Stop mode: nothing is deleted, whatever waits for room.
    QVERIFY(InitDisks(s, {frozen.path(), healthy.path()}, false));
    // Thawed before the storage ends, whatever fails: its end waits for the records being written.
    const auto thaw = qScopeGuard([&] { Freeze(frozen.path(), false); });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const QString said = "Disk " + frozen.path() + ": the folder " +
                         CStowelineClass::RecordRootOf(frozen.path()) +
                         " does not answer. The other disks take the records.";

    std::unique_ptr<CStep> stalled;
    if (leftOut) {
        // Read-only (as after errors), it is left out; writable again, its writes stall.
        QCOMPARE(::mount(nullptr, QFile::encodeName(frozen.path()).constData(), nullptr,
                         MS_REMOUNT | MS_RDONLY, nullptr),
                 0);
        QVERIFY(StoreRecord(s, kName, Key(2, 1), 1, 100 * kKiB));
        QVERIFY(StoredOn(healthy.path(), Key(2, 1), 1, 100 * kKiB));
        QCOMPARE(::mount(nullptr, QFile::encodeName(frozen.path()).constData(), nullptr, MS_REMOUNT, nullptr),
                 0);
        QVERIFY(Freeze(frozen.path(), true));
        // A block larger than the healthy disk's room: the left-out disk is asked again, and stalls.
        stalled = std::make_unique<CStep>([&s] {
            const CHANNEL_RECORD_KEY key = Key(2, 2);
            const QByteArray block = Bytes(2, 2000 * kKiB);
            return s.OpenChannelRecord(kName, 0, &key) &&
                   s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                        uint32_t(block.size()), &key);
        });
    } else {
        QVERIFY(Freeze(frozen.path(), true));
        stalled = std::make_unique<CStep>([&s] { return StoreRecord(s, kName, Key(2, 2), 2, 100 * kKiB); });
    }
    // Its call on the frozen disk is out (a look at a disk that answers is out for a blink only).
    QElapsedTimer clock;
    clock.start();
    for (int seen = 0; seen < 3 && clock.elapsed() < 30000;) {
        QTest::qWait(200);
        seen = VolumeCall::CallsOut() != 0 ? seen + 1 : 0;
    }
    QVERIFY(VolumeCall::CallsOut() != 0);

    // Meanwhile another channel's record is stored on the healthy disk, and a search answers, at once.
    CStep other([&s] { return StoreRecord(s, kName, Key(3, 1), 3, 100 * kKiB); });
    bool stored = false;
    // A record that chose the frozen disk too waits at most the disk's bound, never until it thaws.
    QVERIFY2(other.EndsWithin(leftOut ? 5000 : 25000, &stored),
             "a record on the healthy disk waited for the stalled one");
    QVERIFY(stored);
    QVERIFY(StoredOn(healthy.path(), Key(3, 1), 3, 100 * kKiB));
    CStep search([&s] { return TestSupport::Search(s, kName, 3).size() == 1; });
    bool found = false;
    QVERIFY2(search.EndsWithin(5000, &found), "a search waited for the stalled disk");
    QVERIFY(found);

    // The stalled step ends within the disk's bound, without the frozen disk.
    bool ok = false;
    QVERIFY2(stalled->EndsWithin(60000, &ok), "a step on the stalled disk outlived its bound");
    if (leftOut) {
        QVERIFY(!ok); // no disk has room for it
    } else {
        QVERIFY(ok);
        QVERIFY(StoredOn(healthy.path(), Key(2, 2), 2, 100 * kKiB));
        bool named = false;
        for (const auto& event : events)
            named = named || event[0].toString() == said;
        QVERIFY2(named, qPrintable(said));
    }
    QVERIFY(Freeze(frozen.path(), false));
    QVERIFY(NoCallOut());
    // Nothing of the left records stays on the thawed disk.
    QCOMPARE(FilesUnder(CStowelineClass::RecordRootOf(frozen.path())), QStringList());
}

void TestStorageStalls::silentFuseDiskIsLeftOutWithinItsBound()
{
    // The roomier disk is a FUSE view whose daemon stops answering (a network share whose server went
    // silent): even a look at its folder waits. A record is left to the other disk within the bound, and
    // the silent disk is named.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir under, view, healthy;
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"), {"-f", under.path(), view.path()});
    const auto unmount = qScopeGuard([&] {
        ::kill(pid_t(bindfs.processId()), SIGCONT);
        NoCallOut();
        TestSupport::Unmount(view.path());
        if (!bindfs.waitForFinished(10000))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view.path()) && waited.elapsed() < 10000)
        QTest::qWait(10);
    QVERIFY2(CDriveMap::IsMountPoint(view.path()), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    const QString healthyRecords = CStowelineClass::RecordRootOf(healthy.path());
    CStowelineClass s;
    QVERIFY(InitDisks(s, {view.path(), healthy.path()}, false));
    s.SetFreeSpaceProvider([healthyRecords](const QString& dir) -> qint64 {
        return dir == healthyRecords ? 1000 * kKiB - CQuotaRoots::UsedBytes(healthyRecords)
                                     : 100 * 1024 * kKiB;
    });
    // Answered before the storage ends, whatever fails.
    const auto answer = qScopeGuard([&] { ::kill(pid_t(bindfs.processId()), SIGCONT); });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QCOMPARE(::kill(pid_t(bindfs.processId()), SIGSTOP), 0);
    CStep store([&s] { return StoreRecord(s, kName, Key(7, 1), 1, 100 * kKiB); });
    bool stored = false;
    QVERIFY2(store.EndsWithin(30000, &stored), "a record waited for a disk that does not answer");
    QVERIFY(stored);
    QVERIFY(StoredOn(healthy.path(), Key(7, 1), 1, 100 * kKiB));
    // The next record does not wait for it again.
    QElapsedTimer clock;
    clock.start();
    CStep next([&s] { return StoreRecord(s, kName, Key(7, 2), 2, 100 * kKiB); });
    QVERIFY(next.EndsWithin(5000, &stored) && stored);
    const QString said = "Disk " + view.path() + ": the folder " +
                         CStowelineClass::RecordRootOf(view.path()) +
                         " does not answer. The other disks take the records.";
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].toString(), said);
}

void TestStorageStalls::deletingThatFreesNoRoomStopsAfterAFew()
{
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir disk;
    QVERIFY(TestSupport::MountTmpfs(disk.path(), "size=8m"));
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(disk.path()).constData(), MNT_DETACH); });
    // 60 recordings, each kept by a second link beside Records (a snapshot), and the rest of the volume
    // taken but for a little.
    const QStringList recordings = PutRecordings(disk.path(), 60);
    QCOMPARE(recordings.size(), 60);
    QVERIFY(QDir().mkpath(disk.path() + "/snapshot"));
    for (int i = 0; i < recordings.size(); ++i)
        QCOMPARE(::link(QFile::encodeName(recordings[i]).constData(),
                        QFile::encodeName(disk.path() + QString::asprintf("/snapshot/%d", i)).constData()),
                 0);
    QFile filler(disk.path() + "/filler");
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray chunk(64 * kKiB, 'f');
    while (filler.write(chunk) == chunk.size() && filler.flush()) {
    }
    filler.close();
    QVERIFY(filler.resize(filler.size() - 200 * kKiB));

    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    s.SetFreeSpaceProvider({}); // the volume's own figure
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    // A record of 1 MiB: a few deletions show that they give nothing back, and the record fails as full.
    QVERIFY(!StoreRecord(s, kName, Key(5, 1), 1, 1024 * kKiB));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
    QCOMPARE(DiskFullCalls().load(), 1);
    const int left = Existing(recordings);
    QVERIFY2(left >= 55, qPrintable(QString::number(60 - left) + " deleted"));
    const QString said =
        "Disk " + disk.path() + ": the folder " + CStowelineClass::RecordRootOf(disk.path()) +
        " is full, and deleting records frees no room there (a recycle bin or snapshots keep "
        "the files).";
    bool named = false;
    for (const auto& event : events)
        named = named || event[0].toString() == said;
    QVERIFY2(named, qPrintable(said));
    // The next records delete nothing more there.
    for (int hour = 2; hour <= 4; ++hour)
        QVERIFY(!StoreRecord(s, kName, Key(5, hour), hour, 1024 * kKiB));
    QCOMPARE(Existing(recordings), left);

    // The snapshots gone, deleting gives room again: the oldest go for the next record, about as many as it
    // needs (the room seen grown when it is opened).
    QVERIFY(QDir(disk.path() + "/snapshot").removeRecursively());
    QVERIFY2(StoreRecord(s, kName, Key(5, 5), 5, 1024 * kKiB), qPrintable(QString::number(s.GetLastError())));
    QVERIFY(StoredOn(disk.path(), Key(5, 5), 5, 1024 * kKiB));
    QVERIFY(Existing(recordings) < left);
    QVERIFY(Existing(recordings) >= left - 8);
}

void TestStorageStalls::probeNotMadeDurableLeavesTheDiskOut()
{
    // A dying disk that caches writes takes the probe's bytes and fails at their flush: it is left out at a
    // record's failed flush, and the record is stored on the other disk.
    CTempDatabase db;
    QTemporaryDir roomy, other;
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    const auto provider = qScopeGuard([] { SetDefaultFreeSpaceProvider({}); });
    CStowelineClass s;
    QVERIFY(InitDisks(s, {roomy.path(), other.path()}, true));
    const QString below = CStowelineClass::RecordRootOf(roomy.path()) + "/";
    const auto fault = [below](const QString& path) { return path.startsWith(below) ? EIO : 0; };
    s.SetSyncFault(fault);
    s.SetProbeFault(fault);
    QVERIFY2(StoreRecord(s, kName, Key(4, 1), 1, 300 * kKiB), qPrintable(QString::number(s.GetLastError())));
    QVERIFY(StoredOn(other.path(), Key(4, 1), 1, 300 * kKiB));
    QVERIFY(StoreRecord(s, kName, Key(4, 2), 2, 300 * kKiB));
    QVERIFY(StoredOn(other.path(), Key(4, 2), 2, 300 * kKiB));
}

void TestStorageStalls::diskRefusingTheRecordsFolderIsPassedOverAtTheClose()
{
    // The record's disk refuses at its close; the other takes files but not this record's folder (an entry
    // of its own stands at the name): the close ends, failing that record, instead of trying that disk again.
    CTempDatabase db;
    QTemporaryDir roomy, other;
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    const auto provider = qScopeGuard([] { SetDefaultFreeSpaceProvider({}); });
    CStowelineClass s;
    QVERIFY(InitDisks(s, {roomy.path(), other.path()}, true));
    QVERIFY(Put(CStowelineClass::RecordRootOf(other.path()) + "/" + kName, "not a folder"));
    const QString below = CStowelineClass::RecordRootOf(roomy.path()) + "/";
    const auto fault = [below](const QString& path) { return path.startsWith(below) ? EIO : 0; };
    s.SetSyncFault(fault);
    s.SetProbeFault(fault);
    auto error = std::make_shared<std::atomic<int>>(0);
    CStep store([&s, error] {
        const bool stored = StoreRecord(s, kName, Key(4, 1), 1, 300 * kKiB);
        *error = s.GetLastError();
        return stored;
    });
    bool ok = true;
    QVERIFY2(store.EndsWithin(60000, &ok), "the close kept trying a disk that refused the record's folder");
    QVERIFY(!ok);
    QCOMPARE(error->load(), int(STOWELINE_ERR_NAME));
    QCOMPARE(DiskFullCalls().load(), 0);
}

void TestStorageStalls::diskSilentAtItsProbeIsNamedSo()
{
    // The record's disk refuses a write, and its probe then gets no answer: the record goes on on the other
    // disk, and the disk is named as one that does not answer (never looked at again to name it, which would
    // wait on it), not by the write's error.
    CTempDatabase db;
    QTemporaryDir silent, other;
    // Both folders share one file system: the record goes to the disk at fault first only if the other
    // has less room, whatever other programs write there meanwhile.
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    const auto provider = qScopeGuard([] { SetDefaultFreeSpaceProvider({}); });
    CStowelineClass s;
    QVERIFY(InitDisks(s, {silent.path(), other.path()}, true));
    const QString below = CStowelineClass::RecordRootOf(silent.path()) + "/";
    s.SetWriteFault([below](const QString& path) { return path.startsWith(below) ? EIO : 0; });
    s.SetProbeFault([below](const QString& path) { return path.startsWith(below) ? ETIMEDOUT : 0; });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QVERIFY2(StoreRecord(s, kName, Key(5, 1), 1, 300 * kKiB), qPrintable(QString::number(s.GetLastError())));
    QVERIFY(StoredOn(other.path(), Key(5, 1), 1, 300 * kKiB));
    const QString said = "Disk " + silent.path() + ": the folder " +
                         CStowelineClass::RecordRootOf(silent.path()) + " does not answer.";
    QStringList texts;
    for (const QList<QVariant>& event : events)
        texts << event[0].toString();
    QVERIFY2(
        std::any_of(texts.begin(), texts.end(), [&](const QString& text) { return text.startsWith(said); }),
        qPrintable(texts.join(" | ")));
}

void TestStorageStalls::nothingIsDeletedForARecordAlreadyLost()
{
    // A record on a full disk that dies (its file system shut down after errors) before its next write: its
    // bytes cannot be read back, so no stored recording on the healthy, full disk is deleted for it, and
    // the disks are not said to be full.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedExt4Volume | TestSupport::kNeedMountNamespace,
                      "It mounts an ext4 volume on a loop device");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir dying, healthy, images;
    QVERIFY(TestSupport::MountExt4(images.path() + "/disk.img", dying.path(), 32));
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(dying.path()).constData(), MNT_DETACH); });
    const QStringList recordings = PutRecordings(healthy.path(), 3);
    QCOMPARE(recordings.size(), 3);
    const QString healthyRecords = CStowelineClass::RecordRootOf(healthy.path());
    const qint64 used = CQuotaRoots::UsedBytes(healthyRecords);
    auto dead = std::make_shared<std::atomic<bool>>(false);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {dying.path(), healthy.path()}, true));
    s.SetFreeSpaceProvider([dead, healthyRecords, used](const QString& dir) -> qint64 {
        if (dir == healthyRecords)
            return used - CQuotaRoots::UsedBytes(healthyRecords); // full; what is deleted is free again
        return *dead ? 0 : 250 * kKiB;
    });
    const CHANNEL_RECORD_KEY key = Key(6, 1);
    const QByteArray block = Bytes(1, 200 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key));
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key));
    *dead = true;
    QVERIFY(TestSupport::ShutDownExt4(dying.path()));
    QVERIFY(!s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                  uint32_t(block.size()), &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_GONE));
    QCOMPARE(Existing(recordings), 3);
    QCOMPARE(DiskFullCalls().load(), 0);
    QVERIFY(!s.CloseChannelRecord(kName, &key));
}

void TestStorageStalls::setUpEndsBesideSilentDisks_data()
{
    QTest::addColumn<bool>("frozen");  // an ext4 volume whose writes stall
    QTest::addColumn<bool>("paused");  // a FUSE view whose daemon stopped: even a look at it waits
    QTest::addColumn<bool>("healthy"); // a disk that answers
    QTest::newRow("frozen volume beside a healthy disk") << true << false << true;
    QTest::newRow("frozen volume and paused view beside a healthy disk") << true << true << true;
    QTest::newRow("paused view alone") << false << true << false;
}

void TestStorageStalls::setUpEndsBesideSilentDisks()
{
    // The set-up (each start, each change of disks, each retry while a disk is missing) looks at the disks
    // side by side, each within the disks' bound: silent disks cost one bound together, never one each nor
    // as long as they stay silent. The healthy disk is used; each silent one is left out and named once,
    // and taken again at the next need for room once it answers. The only disk silent is a missing disk:
    // the backups wait for it.
    QFETCH(bool, frozen);
    QFETCH(bool, paused);
    QFETCH(bool, healthy);
    SKIP_UNLESS_GIVEN(TestSupport::kNeedMountNamespace | (frozen ? TestSupport::kNeedExt4Volume : 0u) |
                          (paused ? TestSupport::kNeedFuse : 0u),
                      "It mounts an ext4 volume on a loop device and a FUSE view");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir volume, under, view, well, images;
    QStringList disks, silent;
    CFuseView fuse;
    if (frozen) {
        QVERIFY(TestSupport::MountExt4(images.path() + "/disk.img", volume.path(), 32));
        disks << volume.path();
        silent << volume.path();
    }
    if (paused) {
        QVERIFY(fuse.Mount(under.path(), view.path()));
        disks << view.path();
        silent << view.path();
    }
    if (healthy)
        disks << well.path();
    // Answering again before anything ends, whatever fails: a call left on them ends once they answer.
    const auto answer = qScopeGuard([&] {
        if (frozen)
            Freeze(volume.path(), false);
        fuse.Resume();
        NoCallOut();
        if (frozen)
            ::umount2(QFile::encodeName(volume.path()).constData(), MNT_DETACH);
    });
    // The healthy disk has room for small records only: a larger one needs the others.
    m_quota.SetQuota(well.path(), 1000 * kKiB);
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    const auto provider = qScopeGuard([] { SetDefaultFreeSpaceProvider({}); });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    if (frozen)
        QVERIFY(Freeze(volume.path(), true));
    if (paused)
        QVERIFY(fuse.Pause());

    // Kept by the set-up's own thread too: a set-up that hangs fails the test, and outlives it.
    const auto s = std::make_shared<CStowelineClass>();
    const auto refused = std::make_shared<STOWELINE_ROOT_ERROR>();
    CStep setUp([s, refused, disks] {
        const bool ok = InitDisks(*s, disks, false);
        *refused = s->GetLastRootError();
        return ok;
    });
    bool ok = false;
    QVERIFY2(setUp.EndsWithin(TestSupport::Bound(VolumeCall::kDefaultBoundMs + 8000), &ok),
             "the set-up waited on its silent disks past one bound");
    const auto named = [&](const QString& text) {
        return int(std::count_if(events.begin(), events.end(),
                                 [&](const QList<QVariant>& event) { return event[0].toString() == text; }));
    };
    const auto silentText = [](const QString& disk) {
        return "Disk " + disk + ": the folder " + CStowelineClass::RecordRootOf(disk) + " does not answer.";
    };

    if (!healthy) {
        // Refused as a disk that is missing, said by whoever set it up: the backups wait for it, and the
        // operator is never sent to clear the local disk.
        QVERIFY(!ok);
        QVERIFY(refused->NoAnswer);
        QVERIFY(IsDiskAbsent(*refused));
        QCOMPARE(DescribeRootError(*refused), silentText(view.path()));
        QCOMPARE(events.size(), 0);
        // Once it answers, the next retry takes it.
        fuse.Resume();
        QVERIFY(NoCallOut());
        QVERIFY(InitDisks(*s, disks, false));
        QVERIFY(StoreRecord(*s, kName, Key(8, 1), 1, 100 * kKiB));
        QVERIFY(StoredOn(view.path(), Key(8, 1), 1, 100 * kKiB));
        return;
    }
    QVERIFY(ok);
    for (const QString& disk : silent)
        QCOMPARE(named(silentText(disk) + " The other disks take the records."), 1);
    QCOMPARE(events.size(), silent.size());

    // While they stay silent, records go to the healthy disk, and the silent ones are not said again.
    CStep small([s] { return StoreRecord(*s, kName, Key(8, 1), 1, 100 * kKiB); });
    bool stored = false;
    QVERIFY2(small.EndsWithin(TestSupport::Bound(30000), &stored), "a record waited for the silent disks");
    QVERIFY(stored);
    QVERIFY(StoredOn(well.path(), Key(8, 1), 1, 100 * kKiB));
    QCOMPARE(events.size(), silent.size());
    // A record larger than the healthy disk's room finds no other disk while they stay silent: it fails,
    // never waiting on them for a look at their folders.
    CStep full([s] { return StoreRecord(*s, kName, Key(8, 3), 3, 2000 * kKiB); });
    QVERIFY2(full.EndsWithin(TestSupport::Bound(30000), &stored),
             "a record waited on the silent disks' folders");
    QVERIFY(!stored);

    // Answering again, they are asked at the next need for room: a record larger than the healthy disk's
    // room is stored on one of them.
    if (frozen)
        QVERIFY(Freeze(volume.path(), false));
    if (paused)
        QVERIFY(fuse.Resume());
    QVERIFY(NoCallOut());
    CStep large([s] { return StoreRecord(*s, kName, Key(8, 2), 2, 2000 * kKiB); });
    QVERIFY2(large.EndsWithin(TestSupport::Bound(30000), &stored), "a record waited on disks that answer");
    QVERIFY2(stored, qPrintable(QString::number(s->GetLastError())));
    QVERIFY(std::any_of(silent.begin(), silent.end(),
                        [](const QString& disk) { return StoredOn(disk, Key(8, 2), 2, 2000 * kKiB); }));
    const QStringList log = TestSupport::LogTexts();
    for (const QString& disk : silent)
        QVERIFY2(log.contains("Disk " + disk + ": the folder " + CStowelineClass::RecordRootOf(disk) +
                              " takes records again."),
                 qPrintable(disk));
    s->Uninit();
}

void TestStorageStalls::setUpLeavesASilentSweepToItsThread()
{
    // The disk answers every look of the set-up, but one of its day folders is a FUSE view whose daemon
    // stopped: the sweep of a crash's leftovers waits there. The set-up ends within the disks' bound all the
    // same, and the disk takes records; the sweep ends by itself once the view answers.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir disk, under;
    const QString day = CStowelineClass::RecordRootOf(disk.path()) + "/" + kName + "/20240301";
    QVERIFY(QDir().mkpath(day));
    CFuseView fuse;
    QVERIFY(fuse.Mount(under.path(), day));
    const auto answer = qScopeGuard([&] {
        fuse.Resume();
        NoCallOut();
    });
    QVERIFY(fuse.Pause());
    const auto s = std::make_shared<CStowelineClass>();
    const QString path = disk.path();
    CStep setUp([s, path] { return InitDisks(*s, {path}, false); });
    bool ok = false;
    QVERIFY2(setUp.EndsWithin(TestSupport::Bound(VolumeCall::kDefaultBoundMs + 8000), &ok),
             "the set-up waited for its sweep on a silent folder");
    QVERIFY(ok);
    QVERIFY(StoreRecord(*s, kName, Key(9, 1), 1, 100 * kKiB));
    QVERIFY(StoredOn(disk.path(), Key(9, 1), 1, 100 * kKiB));
    QVERIFY(fuse.Resume());
    QVERIFY(NoCallOut());
    s->Uninit();
}

void TestStorageStalls::recordOnADiskGoneSilentIsLostWithinItsBound_data()
{
    QTest::addColumn<bool>("fuse");    // a FUSE view whose daemon stops; else an ext4 volume frozen
    QTest::addColumn<QString>("step"); // what meets the silent disk: the next block, the close, or a give-up
    QTest::addColumn<bool>("others");  // a healthy disk takes the records besides
    QTest::newRow("FUSE view paused, next block") << true << "write" << true;
    QTest::newRow("ext4 frozen, next block") << false << "write" << true;
    QTest::newRow("FUSE view paused, the only disk") << true << "write" << false;
    QTest::newRow("FUSE view paused, closed") << true << "close" << true;
    // Its disk says it is full, and the partial block is cut back while it is silent.
    QTest::newRow("FUSE view paused, out of room") << true << "full" << true;
    // Enough was written for the disk's room to be read again before the next block.
    QTest::newRow("FUSE view paused, room read again") << true << "refresh" << true;
    QTest::newRow("FUSE view paused, given up") << true << "abort" << true;
    QTest::newRow("ext4 frozen, given up") << false << "abort" << true;
}

void TestStorageStalls::recordOnADiskGoneSilentIsLostWithinItsBound()
{
    // The record's disk goes silent after a block was written (a network share whose server stops, a disk
    // whose writes stall): the next step on the record ends within the disk's bound, never when the disk
    // answers again. A write or close loses the record (fetched again by the engine):
    // STOWELINE_ERR_DISK_GONE while another disk takes the records, said with the silent disk, which the
    // next record passes over; STOWELINE_ERR_ROOT when it was the only disk. A give-up ends as well. The
    // partial file goes once the disk answers.
    QFETCH(bool, fuse);
    QFETCH(QString, step);
    QFETCH(bool, others);
    if (fuse)
        SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    else
        SKIP_UNLESS_GIVEN(TestSupport::kNeedExt4Volume | TestSupport::kNeedMountNamespace,
                          "It mounts an ext4 volume on a loop device");
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir under, base, healthy;
    const QString silent = base.filePath("silent");
    QVERIFY(QDir().mkpath(silent));
    CFuseView view;
    if (fuse)
        QVERIFY(view.Mount(under.path(), silent));
    else
        QVERIFY(TestSupport::MountExt4(base.filePath("disk.img"), silent, 32));
    const auto answer = [&] {
        if (fuse)
            view.Resume();
        else
            Freeze(silent, false);
    };
    const auto unmount = qScopeGuard([&] {
        answer();
        NoCallOut();
        if (fuse)
            view.Unmount();
        else
            ::umount2(QFile::encodeName(silent).constData(), MNT_DETACH);
    });
    const QString silentRecords = CStowelineClass::RecordRootOf(silent);
    CStowelineClass s;
    QStringList disks{silent};
    if (others)
        disks << healthy.path();
    QVERIFY(InitDisks(s, disks, false));
    // The silent disk is the roomier, by figures that never look at a disk.
    s.SetFreeSpaceProvider([silentRecords](const QString& dir) -> qint64 {
        return dir == silentRecords ? 100 * 1024 * 1024 * kKiB : 50 * 1024 * 1024 * kKiB;
    });
    // Answered before the storage ends, whatever fails.
    const auto answered = qScopeGuard(answer);
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    // Armed, the silent disk says it is full.
    auto full = std::make_shared<std::atomic<bool>>(false);
    s.SetWriteFault([silentRecords, full](const QString& path) {
        return *full && path.startsWith(silentRecords + "/") ? ENOSPC : 0;
    });

    const CHANNEL_RECORD_KEY key = Key(8, 1);
    const QByteArray block = Bytes(1, 64 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key));
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key));
    if (step == "refresh") {
        const QByteArray mebibyte = Bytes(3, 1024 * kKiB);
        for (int i = 0; i < 64; ++i)
            QVERIFY(s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(mebibyte.constData()),
                                         uint32_t(mebibyte.size()), &key));
    }
    QCOMPARE(FilesUnder(silentRecords + "/" + kName).size(), 1);
    QVERIFY(fuse ? view.Pause() : Freeze(silent, true));
    *full = step == "full";

    auto error = std::make_shared<std::atomic<int>>(-1);
    CStep met([&s, key, block, step, error] {
        bool ok = false;
        if (step == "abort")
            ok = s.AbortChannelRecord(kName, &key);
        else if (step == "close")
            ok = s.CloseChannelRecord(kName, &key);
        else
            ok = s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                      uint32_t(block.size()), &key);
        *error = s.GetLastError();
        return ok;
    });
    bool ok = false;
    QVERIFY2(met.EndsWithin(SilentStepBound(), &ok), "the record's step waited for its silent disk");
    const QString said = "Disk " + silent + ": the folder " + silentRecords +
                         " does not answer. The other disks take the records.";
    if (step == "abort") {
        QVERIFY(ok);
    } else if (step == "refresh" && ok) {
        // Its bytes still came back from the cache: the record moved to the healthy disk, whole, and the
        // silent one is named.
        QVERIFY(s.CloseChannelRecord(kName, &key));
        const QString path =
            CStowelineClass::RecordRootOf(healthy.path()) + "/" + kName + "/20240308/" + FileOf(key);
        QCOMPARE(ReadAll(path), block + Bytes(3, 1024 * kKiB).repeated(64) + block);
        QCOMPARE(int(std::count_if(events.begin(), events.end(),
                                   [&](const QList<QVariant>& event) { return event[0] == said; })),
                 1);
    } else {
        QVERIFY(!ok);
        QCOMPARE(error->load(), int(others ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_ROOT));
        const auto named = std::count_if(events.begin(), events.end(),
                                         [&](const QList<QVariant>& event) { return event[0] == said; });
        QCOMPARE(int(named), others ? 1 : 0);
        // Given up as well: the engine's part once a file failed.
        QVERIFY(!s.CloseChannelRecord(kName, &key) || step == "close");
    }
    if (step != "abort" && others) {
        // The next record goes to the healthy disk without waiting for the silent one.
        CStep next([&s] { return StoreRecord(s, kName, Key(8, 2), 2, 100 * kKiB); });
        QVERIFY2(next.EndsWithin(SilentStepBound(), &ok), "the next record waited for the silent disk");
        QVERIFY(ok);
        QVERIFY(StoredOn(healthy.path(), Key(8, 2), 2, 100 * kKiB));
    }

    // Once the disk answers, the calls left on it end, and the partial file is gone.
    answer();
    QVERIFY(NoCallOut());
    QCOMPARE(FilesUnder(silentRecords + "/" + kName), QStringList());
}

void TestStorageStalls::silentOtherDiskHoldsUpNoRecord_data()
{
    QTest::addColumn<bool>("moving");
    // The record's close looks for a copy of it stored earlier on the silent disk.
    QTest::newRow("earlier copy looked for at the close") << false;
    // The record's disk runs out of room, and the silent disk is looked at for its move.
    QTest::newRow("record moving to another disk") << true;
}

void TestStorageStalls::silentOtherDiskHoldsUpNoRecord()
{
    // A disk other than the record's goes silent (a FUSE view whose daemon stops): the record is stored
    // all the same within that disk's bound, never held until it answers; the silent disk is left out and
    // named.
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, moving);
    CTempDatabase db;
    QTemporaryDir under, base, own, third;
    const QString silent = base.filePath("silent");
    QVERIFY(QDir().mkpath(silent));
    CFuseView view;
    QVERIFY(view.Mount(under.path(), silent));
    const auto unmount = qScopeGuard([&] {
        view.Resume();
        NoCallOut();
        view.Unmount();
    });
    const QString silentRecords = CStowelineClass::RecordRootOf(silent);
    const QString ownRecords = CStowelineClass::RecordRootOf(own.path());
    CStowelineClass s;
    QVERIFY(InitDisks(s, {silent, own.path(), third.path()}, false));
    // Figures that never look at a disk; the silent disk is the roomiest until `ownFirst`.
    auto ownFirst = std::make_shared<std::atomic<bool>>(moving);
    s.SetFreeSpaceProvider([silentRecords, ownRecords, ownFirst](const QString& dir) -> qint64 {
        if (dir == silentRecords)
            return 80 * 1024 * kKiB;
        return dir == ownRecords ? (*ownFirst ? 100 : 60) * 1024 * kKiB : 20 * 1024 * kKiB;
    });
    // Armed, the record's own disk says it is full.
    auto full = std::make_shared<std::atomic<bool>>(false);
    s.SetWriteFault([ownRecords, full](const QString& path) {
        return *full && path.startsWith(ownRecords + "/") ? ENOSPC : 0;
    });
    const auto answered = qScopeGuard([&] { view.Resume(); });
    const CHANNEL_RECORD_KEY key = Key(9, 1);
    if (!moving) {
        QVERIFY(StoreRecord(s, kName, key, 1, 100 * kKiB));
        QVERIFY(StoredOn(silent, key, 1, 100 * kKiB));
        *ownFirst = true;
    }
    const QByteArray block = Bytes(2, 100 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key));
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key));
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    QVERIFY(view.Pause());
    *full = moving;
    CStep store([&s, key, block, moving] {
        if (moving && !s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                            uint32_t(block.size()), &key))
            return false;
        return s.CloseChannelRecord(kName, &key);
    });
    bool ok = false;
    QVERIFY2(store.EndsWithin(SilentStepBound(), &ok), "the record waited for a silent disk of another");
    QVERIFY(ok);
    if (moving) {
        const QByteArray both = block + block;
        const QString path =
            CStowelineClass::RecordRootOf(third.path()) + "/" + kName + "/20240309/" + FileOf(key);
        QCOMPARE(ReadAll(path), both);
    } else {
        QVERIFY(StoredOn(own.path(), key, 2, 100 * kKiB));
    }
    const QString said = "Disk " + silent + ": the folder " + silentRecords +
                         " does not answer. The other disks take the records.";
    QVERIFY(std::any_of(events.begin(), events.end(),
                        [&](const QList<QVariant>& event) { return event[0] == said; }));
    view.Resume();
    QVERIFY(NoCallOut());
}

void TestStorageStalls::silentFigureOfRoomHoldsUpNoRecord()
{
    // The roomier disk still answers a look at its folder, but its figure of free room does not come (a
    // share whose server went silent, its writes still taken into the cache): the record is stored on the
    // other disk within the bound, the silent disk is named, and the next record does not wait for it.
    CTempDatabase db;
    QTemporaryDir silent, other;
    const QString silentRecords = CStowelineClass::RecordRootOf(silent.path());
    CStowelineClass s;
    QVERIFY(InitDisks(s, {silent.path(), other.path()}, false));
    struct GATE
    {
        std::mutex mutex;
        std::condition_variable opened;
        bool shut = false;
        int asked = 0;
    };
    auto gate = std::make_shared<GATE>();
    s.SetFreeSpaceProvider([silentRecords, gate](const QString& dir) -> qint64 {
        if (dir != silentRecords)
            return 50 * 1024 * kKiB;
        std::unique_lock lock(gate->mutex);
        ++gate->asked;
        gate->opened.wait(lock, [&] { return !gate->shut; });
        return 100 * 1024 * kKiB;
    });
    const auto open = [gate] {
        std::lock_guard lock(gate->mutex);
        gate->shut = false;
        gate->opened.notify_all();
    };
    const auto opened = qScopeGuard([&] {
        open();
        NoCallOut();
    });
    {
        std::lock_guard lock(gate->mutex);
        gate->shut = true;
    }
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const CHANNEL_RECORD_KEY key = Key(6, 1);
    CStep opening([&s, key] { return s.OpenChannelRecord(kName, 0, &key); });
    bool stored = false;
    QVERIFY2(opening.EndsWithin(SilentStepBound(), &stored), "a record waited for a disk's figure of room");
    QVERIFY(stored);
    // Named by the choice that met it, before anything else of the record looks at it.
    const QString said = "Disk " + silent.path() + ": the folder " + silentRecords +
                         " does not answer. The other disks take the records.";
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].toString(), said);
    const QByteArray block = Bytes(1, 100 * kKiB);
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key));
    QVERIFY(s.CloseChannelRecord(kName, &key));
    QVERIFY(StoredOn(other.path(), key, 1, 100 * kKiB));
    CStep next([&s] { return StoreRecord(s, kName, Key(6, 2), 2, 100 * kKiB); });
    QVERIFY2(next.EndsWithin(SilentStepBound(), &stored), "the next record waited for the silent disk");
    QVERIFY(stored);
    QVERIFY(StoredOn(other.path(), Key(6, 2), 2, 100 * kKiB));
    QCOMPARE(events.size(), 1);
    std::lock_guard lock(gate->mutex);
    QCOMPARE(gate->asked, 1);
}

QTEST_GUILESS_MAIN(TestStorageStalls)
#include "tst_storage_stalls.moc"

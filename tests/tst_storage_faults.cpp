// The storage layer when one disk, one name or the room fails: a disk that refuses records (read-only, I/O
// errors, no permission) is left out while the others store; no room at a record's open or close is want of
// room, as at a write; an entry standing at a record's own name fails that record alone; a record whose size
// nothing vouches for never costs another recording; a disk left out or not mounted is never touched; and the
// overwrite list never holds a whole disk in memory. Disks are real folders, bind mounts and tmpfs volumes in
// a mount namespace of the test's own.

#include "model/LogStore.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/ProcessFigures.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kKiB = 1024;
const char* const kName = "10.20.20.20_8000_1";

using TestSupport::Bytes;
using TestSupport::InitDisks;
using TestSupport::StoreRecord;
using TestSupport::Time;

CHANNEL_RECORD_KEY Key(int day, int hour)
{
    return {Time(day, hour), Time(day, hour, 30, 15), 1, 0};
}

// The file name a key's record is stored under.
QString FileOf(const CHANNEL_RECORD_KEY& key)
{
    return QString::asprintf("202403%02d%02d0000_202403%02d%02d3015_1.rec", key.StartTime.Day,
                             key.StartTime.Hour, key.StartTime.Day, key.StartTime.Hour);
}

// Opens (with `reserved`), writes in blocks of 50 KiB and closes one record; false when any step fails.
bool Store(CStowelineClass& s, const CHANNEL_RECORD_KEY& key, int seed, qint64 size, int reserved = 0)
{
    return StoreRecord(s, kName, key, seed, size, reserved);
}

// The stored copy of a key on a drive directory: its path when it is there, whole and equal to record `seed`.
QString StoredOn(const QString& drive, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    const QString path = CStowelineClass::RecordRootOf(drive) + "/" + kName +
                         QString::asprintf("/202403%02d/", key.StartTime.Day) + FileOf(key);
    return ReadAll(path) == Bytes(seed, size) ? path : QString();
}

// Dates a stored file `minute` minutes into 1 April 2024: an order of storage without waiting for the clock.
bool Date(const QString& path, int minute)
{
    const timespec when{1711929600 + minute * 60, 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool Put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// The folder made read-only in place (a bind mount of itself), or writable again.
bool ReadOnly(const QString& dir, bool readOnly)
{
    const QByteArray path = QFile::encodeName(dir);
    if (readOnly && ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
        return false;
    return ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | (readOnly ? MS_RDONLY : 0),
                   nullptr) == 0;
}

// A fault for every path below a folder: the errno, once when `once` (then 0), always otherwise; counts its
// calls below the folder. `refuse`, when given, is done as the fault fires (a disk made read-only, say): the
// storage asks the disk whose failure it was, so a disk that is to be left out must really refuse.
struct CFault
{
    QString below;
    int error = 0;
    bool once = false;
    std::function<void()> refuse = {};
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

    CStowelineClass::WriteFault Hook() const
    {
        auto fired = std::make_shared<std::atomic<bool>>(false);
        return [below = below, error = error, once = once, refuse = refuse, calls = calls,
                fired](const QString& path) {
            if (!path.startsWith(below + "/"))
                return 0;
            ++*calls;
            if (once && fired->load())
                return 0;
            if (!fired->exchange(true) && refuse)
                refuse();
            return error;
        };
    }
};

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();
    void refusingDiskIsLeftOut_data();
    void refusingDiskIsLeftOut();
    void noRoomAtOpenOrCloseIsWantOfRoom_data();
    void noRoomAtOpenOrCloseIsWantOfRoom();
    void entryAtTheNameFailsThatRecordAlone_data();
    void entryAtTheNameFailsThatRecordAlone();
    void unvouchedRecordTakesFreeRoomOnly_data();
    void unvouchedRecordTakesFreeRoomOnly();
    void unvouchedRecordNeverTakesRoomFreedForAnother();
    void diskLeftOutOrNotMountedIsNeverTouched_data();
    void diskLeftOutOrNotMountedIsNeverTouched();
    void overwriteListHoldsOnlyTheOldest();
    void endedBackupsRecordsAreOverwrittenInTheirTurn();

private:
    CQuotaRoots m_quota;
};

void TestStorageFaults::init()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    DiskFullCalls() = 0;
}

void TestStorageFaults::cleanupTestCase()
{
    SetDefaultFreeSpaceProvider({});
}

void TestStorageFaults::refusingDiskIsLeftOut_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<int>("error");
    // The kernel remounts a disk read-only after errors: the record's folders and file cannot be made.
    QTest::newRow("read-only at the open") << "remount" << EROFS;
    QTest::newRow("no permission at the open") << "open" << EACCES;
    QTest::newRow("I/O error at a write") << "write" << EIO;
    QTest::newRow("I/O error at the flush") << "sync" << EIO;
    QTest::newRow("read-only at the rename") << "rename" << EROFS;
    // Named with what the step met, not with what the probe met afterwards (read-only).
    QTest::newRow("not permitted at the open") << "open" << EPERM;
}

void TestStorageFaults::refusingDiskIsLeftOut()
{
    IN_MOUNT_NAMESPACE();
    // Of two disks the roomier one refuses for a cause of its own: the record is stored whole on the other,
    // the refusing disk is named once with its cause and is not chosen again while it refuses; a new set-up
    // tries it again. Only when both refuse is it a disk fault.
    QFETCH(QString, stage);
    QFETCH(int, error);
    CTempDatabase db;
    QTemporaryDir roomy, other;
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {roomy.path(), other.path()}, true));
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    // The fault's errno is what the step meets; the disk itself refuses files from then on (read-only).
    const CFault fault{CStowelineClass::RecordRootOf(roomy.path()), error, false,
                       [&] { ReadOnly(roomy.path(), true); }};
    const auto writable = qScopeGuard([&] {
        ReadOnly(roomy.path(), false);
        ReadOnly(other.path(), false);
    });
    if (stage == "remount")
        QVERIFY(ReadOnly(roomy.path(), true));
    else if (stage == "open")
        s.SetOpenFault(fault.Hook());
    else if (stage == "write")
        s.SetWriteFault(fault.Hook());
    else if (stage == "sync")
        s.SetSyncFault(fault.Hook());
    else
        s.SetRenameFault(fault.Hook());

    const qint64 size = 300 * kKiB;
    for (int hour = 1; hour <= 2; ++hour) {
        QVERIFY2(Store(s, Key(3, hour), hour, size), qPrintable(QString::number(s.GetLastError())));
        QVERIFY(!StoredOn(other.path(), Key(3, hour), hour, size).isEmpty());
    }
    QCOMPARE(FilesUnder(CStowelineClass::RecordRootOf(roomy.path())), QStringList());
    // Never chosen again while it refuses: the fault met it for the first record only.
    QCOMPARE(fault.calls->load(), stage == "remount" ? 0 : 1);
    const QString said =
        "Disk " + roomy.path() + ": the folder " + CStowelineClass::RecordRootOf(roomy.path()) +
        " cannot be written: " + std::strerror(error) + ". The other disks take the records.";
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0][0].toString(), said);

    if (stage == "remount") {
        // A new set-up while it still refuses leaves it out at once; made writable, the next set-up takes it.
        QVERIFY(InitDisks(s, {roomy.path(), other.path()}, true));
        QVERIFY(Store(s, Key(3, 3), 3, size));
        QVERIFY(!StoredOn(other.path(), Key(3, 3), 3, size).isEmpty());
        QVERIFY(ReadOnly(roomy.path(), false));
        QVERIFY(InitDisks(s, {roomy.path(), other.path()}, true));
        QVERIFY(Store(s, Key(3, 4), 4, size));
        QVERIFY(!StoredOn(roomy.path(), Key(3, 4), 4, size).isEmpty());
        // Both read-only: a disk fault naming a disk and its cause, not a full disk.
        QVERIFY(ReadOnly(roomy.path(), true) && ReadOnly(other.path(), true));
        QVERIFY(!Store(s, Key(3, 5), 5, size));
        QVERIFY(s.GetLastError() == STOWELINE_ERR_ROOT || s.GetLastError() == STOWELINE_ERR_IO);
        QCOMPARE(s.GetLastRootError().SystemError, EROFS);
        QVERIFY(!s.GetLastRootError().Drive.isEmpty());
        QCOMPARE(DiskFullCalls().load(), 0);
        // Writable again while no disk is left, a disk is probed and taken by the next record (the start
        // gate's retry), with no new set-up; the one still read-only stays out.
        QVERIFY(ReadOnly(other.path(), false));
        QVERIFY(Store(s, Key(3, 6), 6, size));
        QVERIFY(!StoredOn(other.path(), Key(3, 6), 6, size).isEmpty());
        QVERIFY(ReadOnly(roomy.path(), false));
    } else {
        // The other disk refusing too: the record is a disk fault naming a disk with the cause.
        const CFault both{QFileInfo(roomy.path()).path(), error, false,
                          [&] { ReadOnly(other.path(), true); }};
        if (stage == "open")
            s.SetOpenFault(both.Hook());
        else if (stage == "write")
            s.SetWriteFault(both.Hook());
        else if (stage == "sync")
            s.SetSyncFault(both.Hook());
        else
            s.SetRenameFault(both.Hook());
        QVERIFY(!Store(s, Key(3, 5), 5, size));
        QVERIFY(s.GetLastError() == STOWELINE_ERR_ROOT || s.GetLastError() == STOWELINE_ERR_IO);
        QCOMPARE(s.GetLastRootError().SystemError, error);
        QCOMPARE(FilesUnder(other.path()).size(), 2);
    }
}

void TestStorageFaults::noRoomAtOpenOrCloseIsWantOfRoom_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("overwrite");
    for (const bool overwrite : {true, false}) {
        const char* mode = overwrite ? "overwrite" : "stop";
        // A volume out of inodes: the first record of a new day cannot have its day folder.
        QTest::addRow("day folder, no inode left, %s", mode) << "inodes" << ENOSPC << overwrite;
        QTest::addRow("partial file, over quota, %s", mode) << "open" << EDQUOT << overwrite;
        QTest::addRow("flush, no space, %s", mode) << "sync" << ENOSPC << overwrite;
        QTest::addRow("rename, over quota, %s", mode) << "rename" << EDQUOT << overwrite;
    }
}

void TestStorageFaults::noRoomAtOpenOrCloseIsWantOfRoom()
{
    IN_MOUNT_NAMESPACE();
    // The disk's byte figure shows room, but it refuses the record's folder, file, flush or rename for want
    // of room: overwrite deletes the oldest record and stores this one; stop mode refuses it as a full disk
    // (the full-disk box), never as a disk that cannot be written.
    QFETCH(QString, stage);
    QFETCH(int, error);
    QFETCH(bool, overwrite);
    CTempDatabase db;
    QTemporaryDir base;
    const QString disk = base.filePath("disk");
    QVERIFY(QDir().mkpath(disk));
    // The root, Records with the disk's mark, and the first record's two folders and file: nothing more.
    if (stage == "inodes")
        QVERIFY(TestSupport::MountTmpfs(disk, "size=8m,nr_inodes=6"));
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk}, overwrite));
    const qint64 size = 100 * kKiB;
    QVERIFY(Store(s, Key(3, 1), 1, size));
    // Set up again on the full disk: no room for the set-up's probe file either, and still a disk.
    QVERIFY(InitDisks(s, {disk}, overwrite));
    const CFault fault{CStowelineClass::RecordRootOf(disk), error, true};
    if (stage == "open")
        s.SetOpenFault(fault.Hook());
    else if (stage == "sync")
        s.SetSyncFault(fault.Hook());
    else if (stage == "rename")
        s.SetRenameFault(fault.Hook());

    const bool stored = Store(s, Key(4, 1), 2, size);
    if (overwrite) {
        QVERIFY2(stored, qPrintable(QString::number(s.GetLastError())));
        QVERIFY(!StoredOn(disk, Key(4, 1), 2, size).isEmpty());
        QVERIFY(StoredOn(disk, Key(3, 1), 1, size).isEmpty());
        QCOMPARE(FilesUnder(disk).size(), 1);
    } else {
        QVERIFY(!stored);
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
        QVERIFY(!StoredOn(disk, Key(3, 1), 1, size).isEmpty());
        QCOMPARE(FilesUnder(disk).size(), 1);
        // The disk-full callback (the full-disk box) tells of it, as at a write.
        QCOMPARE(DiskFullCalls().load(), 1);
    }
    s.Uninit();
    if (stage == "inodes")
        QVERIFY(::umount2(QFile::encodeName(disk).constData(), 0) == 0);
}

void TestStorageFaults::entryAtTheNameFailsThatRecordAlone_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("atClose");
    // Record names are predictable: anyone who can write to the disk can put something in a record's way.
    QTest::newRow("a folder at the record's name") << "folder" << EISDIR << true;
    QTest::newRow("a folder with files at the record's name") << "full folder" << EISDIR << true;
    QTest::newRow("a file at the day's folder") << "day file" << ENOTDIR << false;
    QTest::newRow("a file at the recorder's folder") << "name file" << ENOTDIR << false;
    QTest::newRow("a link at the day's folder") << "day link" << ELOOP << false;
}

void TestStorageFaults::entryAtTheNameFailsThatRecordAlone()
{
    // The record fails alone, with no disk named (so the engine does not stop every plan); the disk takes
    // the next record, and nothing is said of it as a disk.
    QFETCH(QString, entry);
    QFETCH(int, error);
    QFETCH(bool, atClose);
    CTempDatabase db;
    QTemporaryDir disk, elsewhere;
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const QString nameDir = CStowelineClass::RecordRootOf(disk.path()) + "/" + kName;
    const QString dayDir = nameDir + "/20240303";
    const QString final = dayDir + "/" + FileOf(Key(3, 1));
    if (entry == "folder")
        QVERIFY(QDir().mkpath(final));
    else if (entry == "full folder")
        QVERIFY(Put(final + "/theirs", "theirs"));
    else if (entry == "day file")
        QVERIFY(Put(dayDir, "theirs"));
    else if (entry == "name file")
        QVERIFY(Put(nameDir, "theirs"));
    else
        QVERIFY(QDir().mkpath(nameDir) && ::symlink(QFile::encodeName(elsewhere.path()).constData(),
                                                    QFile::encodeName(dayDir).constData()) == 0);
    const QStringList before = FilesUnder(disk.path());

    const CHANNEL_RECORD_KEY key = Key(3, 1);
    const QByteArray block = Bytes(1, 60 * kKiB);
    QCOMPARE(s.OpenChannelRecord(kName, 0, &key), atClose);
    if (atClose)
        QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                     uint32_t(block.size()), &key) &&
                !s.CloseChannelRecord(kName, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NAME));
    const STOWELINE_ROOT_ERROR cause = s.GetLastRootError();
    QVERIFY(cause.Drive.isEmpty());
    QCOMPARE(cause.Path, final);
    QCOMPARE(cause.SystemError, error);
    QCOMPARE(FilesUnder(disk.path()), before);
    QCOMPARE(FilesUnder(elsewhere.path()), QStringList());
    // The disk is not left out: another record of another recorder goes on it.
    const char* next = "10.21.21.21_8000_1";
    const CHANNEL_RECORD_KEY nextKey = Key(3, 2);
    QVERIFY(s.OpenChannelRecord(next, 0, &nextKey) && s.CloseChannelRecord(next, &nextKey));
    QCOMPARE(FilesUnder(disk.path()).size(), before.size() + 1);
    QCOMPARE(events.size(), 0);
}

void TestStorageFaults::unvouchedRecordTakesFreeRoomOnly_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<bool>("overwrite");
    for (const bool overwrite : {true, false}) {
        const char* mode = overwrite ? "overwrite" : "stop";
        QTest::addRow("no free room at the open, %s", mode) << "open" << overwrite;
        QTest::addRow("free room runs out at a write, %s", mode) << "write" << overwrite;
        QTest::addRow("no room at the flush, %s", mode) << "sync" << overwrite;
    }
}

void TestStorageFaults::unvouchedRecordTakesFreeRoomOnly()
{
    // A record whose size neither a listing nor a play-back length vouches for: never a stored record deleted
    // for it, never the disk-full callback; it fails alone with its own code.
    QFETCH(QString, stage);
    QFETCH(bool, overwrite);
    CTempDatabase db;
    QTemporaryDir disk;
    m_quota.SetQuota(disk.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, overwrite));
    QVERIFY(Store(s, Key(3, 1), 1, 400 * kKiB));
    QVERIFY(Store(s, Key(3, 2), 2, stage == "open" ? 600 * kKiB : 300 * kKiB));
    const QStringList kept = FilesUnder(disk.path());
    // Beside it, a vouched-for record that fits is stored as ever.
    QCOMPARE(Store(s, Key(3, 3), 3, 200 * kKiB, STOWELINE_OPEN_FREE_ROOM_ONLY), stage != "open");
    if (stage == "sync")
        s.SetSyncFault(CFault{CStowelineClass::RecordRootOf(disk.path()), ENOSPC}.Hook());

    const CHANNEL_RECORD_KEY key = Key(3, 4);
    const qint64 size = stage == "sync" ? 50 * kKiB : 400 * kKiB;
    QVERIFY(!Store(s, key, 4, size, STOWELINE_OPEN_FREE_ROOM_ONLY));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NO_FREE_ROOM));
    s.AbortChannelRecord(kName, &key);
    for (const QString& file : kept)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    QCOMPARE(DiskFullCalls().load(), 0);
    // A vouched-for record still makes room by overwrite (or stops as a full disk).
    s.SetSyncFault({});
    QCOMPARE(Store(s, Key(3, 5), 5, 500 * kKiB), overwrite);
}

void TestStorageFaults::unvouchedRecordNeverTakesRoomFreedForAnother()
{
    // Two records written at the same time on a full disk: a vouched one has the oldest record deleted for
    // its first block; the room that deletion freed beyond that block is the vouched record's. A record
    // whose size nothing vouches for finds no free room in it and fails alone, and the vouched record is
    // written to its end without a second deletion.
    CTempDatabase db;
    QTemporaryDir disk;
    m_quota.SetQuota(disk.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    for (int hour = 1; hour <= 3; ++hour) {
        QVERIFY(Store(s, Key(2, hour), hour, 300 * kKiB));
        QVERIFY(Date(StoredOn(disk.path(), Key(2, hour), hour, 300 * kKiB), hour));
    }
    const CHANNEL_RECORD_KEY vouched = Key(3, 1), unvouched = Key(3, 2);
    QVERIFY(s.OpenChannelRecord(kName, 0, &vouched));
    QVERIFY(s.OpenChannelRecord(kName, STOWELINE_OPEN_FREE_ROOM_ONLY, &unvouched));
    const QByteArray block = Bytes(1, 150 * kKiB);
    const auto write = [&](const CHANNEL_RECORD_KEY& key, qint64 size) {
        return s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                    uint32_t(size), &key);
    };
    QVERIFY(write(vouched, 150 * kKiB));
    QVERIFY(StoredOn(disk.path(), Key(2, 1), 1, 300 * kKiB).isEmpty());
    // 250 KiB free: 150 KiB of them freed for the vouched record.
    QVERIFY(!write(unvouched, 120 * kKiB));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NO_FREE_ROOM));
    QVERIFY(write(vouched, 100 * kKiB));
    QVERIFY(s.CloseChannelRecord(kName, &vouched));
    QVERIFY(!StoredOn(disk.path(), Key(2, 2), 2, 300 * kKiB).isEmpty());
    QVERIFY(!StoredOn(disk.path(), Key(2, 3), 3, 300 * kKiB).isEmpty());
    QCOMPARE(DiskFullCalls().load(), 0);
    // Once the vouched record ended, what it held and did not write is free room again (150 KiB).
    s.AbortChannelRecord(kName, &unvouched);
    QVERIFY(Store(s, Key(3, 3), 3, 140 * kKiB, STOWELINE_OPEN_FREE_ROOM_ONLY));
}

void TestStorageFaults::diskLeftOutOrNotMountedIsNeverTouched_data()
{
    QTest::addColumn<QString>("cause");
    // A start without its volume leaves its mount point a folder of the system disk, with what lies there.
    QTest::newRow("volume not mounted") << "unmounted";
    // A disk left out after an I/O error.
    QTest::newRow("left out") << "refusing";
}

void TestStorageFaults::diskLeftOutOrNotMountedIsNeverTouched()
{
    IN_MOUNT_NAMESPACE();
    // The other disk needs room: its own oldest record goes, never the older ones that lie on the disk that
    // is not there (which would free nothing where room is needed), and that disk's room counts for nothing.
    QFETCH(QString, cause);
    CTempDatabase db;
    QTemporaryDir base, plain;
    const QString volume = base.filePath("volume");
    QVERIFY(QDir().mkpath(volume));
    QVERIFY(TestSupport::MountTmpfs(volume, "size=8m"));
    m_quota.SetQuota(plain.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {volume, plain.path()}, true));
    if (cause == "unmounted")
        QVERIFY(::umount2(QFile::encodeName(volume).constData(), 0) == 0);
    // Older than anything stored: in the bare mount point, or on the volume that is about to be left out.
    const qint64 size = 300 * kKiB;
    QStringList older;
    for (int hour = 1; hour <= 2; ++hour) {
        const QString path =
            CStowelineClass::RecordRootOf(volume) + "/" + kName + "/20240302/" + FileOf(Key(2, hour));
        QVERIFY(Put(path, Bytes(hour, size)) && Date(path, -100 + hour));
        older << path;
    }
    if (cause == "refusing") {
        // Left out at its first refusal (it has the most room), the record going to the other disk.
        s.SetOpenFault(CFault{
            CStowelineClass::RecordRootOf(volume), EIO, false, [&] {
                ReadOnly(volume, true);
            }}.Hook());
        QVERIFY(Store(s, Key(3, 5), 5, 100 * kKiB));
        QVERIFY(!StoredOn(plain.path(), Key(3, 5), 5, 100 * kKiB).isEmpty());
    }
    for (int hour = 1; hour <= 2; ++hour) {
        QVERIFY(Store(s, Key(3, hour), hour, size));
        QVERIFY(Date(StoredOn(plain.path(), Key(3, hour), hour, size), hour));
    }
    QVERIFY(cause != "refusing" || Date(StoredOn(plain.path(), Key(3, 5), 5, 100 * kKiB), 3));

    QVERIFY(Store(s, Key(3, 6), 6, 500 * kKiB));
    QVERIFY(!StoredOn(plain.path(), Key(3, 6), 6, 500 * kKiB).isEmpty());
    QVERIFY(StoredOn(plain.path(), Key(3, 1), 1, size).isEmpty());
    QVERIFY(!StoredOn(plain.path(), Key(3, 2), 2, size).isEmpty());
    QCOMPARE(FilesUnder(volume), older);
    for (int hour = 1; hour <= 2; ++hour)
        QCOMPARE(ReadAll(older[hour - 1]), Bytes(hour, size));
    s.Uninit();
    if (cause == "refusing")
        QVERIFY(TestSupport::Unmount(volume) && ::umount2(QFile::encodeName(volume).constData(), 0) == 0);
}

void TestStorageFaults::overwriteListHoldsOnlyTheOldest()
{
    // A shared disk holds any number of record-named files: one need for room keeps only the oldest few of
    // them in memory, and still deletes exactly the oldest, in the order they were stored, however many it
    // takes. On a tmpfs: 20,000 files are made in a blink there.
    IN_MOUNT_NAMESPACE();
    CTempDatabase db;
    QTemporaryDir disk;
    QVERIFY(TestSupport::MountTmpfs(disk.path(), "size=64m"));
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(disk.path()).constData(), MNT_DETACH); });
    const QString root = CStowelineClass::RecordRootOf(disk.path());
    // 600 small records stored in a shuffled order, then 20,000 empty ones stored after them.
    constexpr int kOld = 600;
    QStringList old;
    for (int i = 0; i < kOld; ++i) {
        const QString path =
            root + QString::asprintf("/10.30.%d.%d_8000_1/20240301/", i / 100, i % 100) + FileOf(Key(1, 1));
        const int order = (i * 7) % kOld; // 7 is prime to 600: a permutation
        QVERIFY(Put(path, QByteArray(kKiB, 'x')) && Date(path, order));
        old << path;
    }
    for (int i = 0; i < 20000; ++i) {
        const QString path = root + QString::asprintf("/10.31.%d.1_8000_1/20240301/", i / 200) +
                             QString::asprintf("20240301%02d%02d00_20240301%02d%02d59_1.rec", i % 200 / 60,
                                               i % 60, i % 200 / 60, i % 60);
        QVERIFY(Put(path, QByteArray()) && Date(path, 1000 + i));
    }
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    // Room for 200 KiB beside the old records (the quota's own count would walk 20,000 files at each look).
    const QString own = root + "/" + kName;
    s.SetFreeSpaceProvider([old, own](const QString&) {
        qint64 used = CQuotaRoots::UsedBytes(own);
        for (const QString& path : old)
            used += QFileInfo::exists(path) ? kKiB : 0;
        return kOld * kKiB + 200 * kKiB - used;
    });
    const qint64 heap = ProcessFigures::HeapInUseKiB();
    // One block 300 KiB larger than the room: in one need for room, the 300 oldest go one by one (more than
    // one listing holds), the rest stays.
    const CHANNEL_RECORD_KEY key = Key(5, 1);
    const QByteArray block = Bytes(1, 500 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key) &&
            s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key) &&
            s.CloseChannelRecord(kName, &key));
    const qint64 held = ProcessFigures::HeapInUseKiB() - heap;
    for (int i = 0; i < kOld; ++i)
        QVERIFY2(QFileInfo::exists(old[i]) == ((i * 7) % kOld >= 300), qPrintable(old[i]));
    // What the list of 20,000 would hold is some 10 MiB; a quarter of a thousand records well under 1.
    QVERIFY2(held < 2048, qPrintable(QString::number(held) + " KiB held"));

    // The record just stored is the newest of the disk: it never joins a list that holds only the oldest
    // (it would be deleted before the older records beyond that list). The next need for room uses the list
    // up and lists again: the next 250 oldest go, the new record stays.
    const CHANNEL_RECORD_KEY next = Key(5, 2);
    const QByteArray small = Bytes(2, 250 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &next) &&
            s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(small.constData()),
                                 uint32_t(small.size()), &next) &&
            s.CloseChannelRecord(kName, &next));
    QCOMPARE(ReadAll(root + "/" + kName + "/20240305/" + FileOf(key)), block);
    for (int i = 0; i < kOld; ++i)
        QVERIFY2(QFileInfo::exists(old[i]) == ((i * 7) % kOld >= 550), qPrintable(old[i]));
}

void TestStorageFaults::endedBackupsRecordsAreOverwrittenInTheirTurn()
{
    // A 1000 KiB disk of 300 KiB records, two backups one after the other. The first run needs room while
    // its own record lies on the disk: that record is passed over then, and deleted in its turn once the run
    // ended, before anything stored after it; when only the second run's own records and older ones of the
    // first are left, the older ones go, and no record fails for a full disk while one may be deleted.
    CTempDatabase db;
    QTemporaryDir disk;
    m_quota.SetQuota(disk.path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    const qint64 size = 300 * kKiB;
    // Two records of last month, stored before any run.
    for (int hour = 1; hour <= 2; ++hour)
        QVERIFY(Store(s, Key(1, hour), hour, size) &&
                Date(StoredOn(disk.path(), Key(1, hour), hour, size), hour));
    const auto left = [&] {
        QStringList keys;
        for (int day : {1, 2, 3})
            for (int hour = 1; hour <= 3; ++hour)
                if (!StoredOn(disk.path(), Key(day, hour), day == 1 ? hour : day * 10 + hour, size).isEmpty())
                    keys << QString::asprintf("%d/%d", day, hour);
        return keys;
    };
    {
        const CStowelineBackupScope first;
        QVERIFY(Store(s, Key(2, 1), 21, size));
        // Room for it: the older record of last month goes, never the run's own.
        QVERIFY(Store(s, Key(2, 2), 22, size));
        QCOMPARE(left(), (QStringList{"1/2", "2/1", "2/2"}));
    }
    {
        const CStowelineBackupScope second;
        // Deleted in the order they were stored: last month's, then the first run's first and second.
        const QList<QStringList> after{{"2/1", "2/2", "3/1"}, {"2/2", "3/1", "3/2"}, {"3/1", "3/2", "3/3"}};
        for (int hour = 1; hour <= 3; ++hour) {
            QVERIFY2(Store(s, Key(3, hour), 30 + hour, size), qPrintable(QString::number(s.GetLastError())));
            QCOMPARE(left(), after[hour - 1]);
        }
        QCOMPARE(DiskFullCalls().load(), 0);
    }
}

VARROW_TEST_MAIN(TestStorageFaults, QCoreApplication)
#include "tst_storage_faults.moc"

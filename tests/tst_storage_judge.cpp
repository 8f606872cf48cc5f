// Whose failure a refused step on a record is, as the disk answers it: a step refused on a disk that still
// takes files fails that record alone (named with its folder and cause) and the disk stays in use; a disk
// that dies under a record (an ext4 volume shut down: every call fails, reads included) loses that record
// alone while another disk takes files, and a disk that merely refuses files has its record rescued with
// room made as for any record; a left-out disk is asked again before anything is deleted or the disks are
// called full; a record kept when its folder cannot be made durable. Disks are real folders, read-only bind
// mounts and loop-mounted ext4 volumes in a mount namespace of the test's own.

#include "model/LogStore.h"
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
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::Bytes;
using TestSupport::InitDisks;
using TestSupport::StoreRecord;

namespace {

constexpr qint64 kKiB = 1024;
const char* const kName = "10.50.50.50_8000_1";

CHANNEL_RECORD_KEY Key(int day, int hour)
{
    return {{2024, 3, uint8_t(day), uint8_t(hour), 0, 0, 0},
            {2024, 3, uint8_t(day), uint8_t(hour), 30, 15, 0},
            1,
            0};
}

QString DayOf(const QString& drive, int day)
{
    return CStowelineClass::RecordRootOf(drive) + "/" + kName + QString::asprintf("/202403%02d", day);
}

QString PathOf(const QString& drive, const CHANNEL_RECORD_KEY& key)
{
    const int day = key.StartTime.Day, hour = key.StartTime.Hour;
    return DayOf(drive, day) +
           QString::asprintf("/202403%02d%02d0000_202403%02d%02d3015_1.rec", day, hour, day, hour);
}

// Opens, writes in blocks of 50 KiB and closes one record; false when any step fails.
bool Store(CStowelineClass& s, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    return StoreRecord(s, kName, key, seed, size);
}

bool StoredOn(const QString& drive, const CHANNEL_RECORD_KEY& key, int seed, qint64 size)
{
    return ReadAll(PathOf(drive, key)) == Bytes(seed, size);
}

// A record of another recorder put on the disk directly, stored `minute` minutes into 1 April 2024 (before
// anything the test stores).
QString PutOld(const QString& drive, int minute, qint64 size)
{
    const QString path =
        CStowelineClass::RecordRootOf(drive) +
        QString::asprintf("/10.9.9.9_8000_1/20240201/20240201%02d0000_20240201%02d3000_1.rec", minute,
                          minute);
    QFile file(path);
    const timespec when{1711929600 + minute * 60, 0};
    const timespec times[2] = {when, when};
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
                   file.write(QByteArray(size, 'o')) == size && (file.close(), true) &&
                   ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0
               ? path
               : QString();
}

// The folder made read-only in place (a bind mount of itself), or writable again.
bool ReadOnly(const QString& dir, bool readOnly)
{
    const QByteArray path = QFile::encodeName(dir);
    if (readOnly && ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
        return false;
    if (!readOnly)
        return ::umount2(path.constData(), MNT_DETACH) == 0;
    return ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// A hook that fails the first call below `below` with `error` (the other calls pass) and counts them.
struct CFirstFault
{
    QString below;
    int error = 0;
    std::function<void(const QString&)> also = {};
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

    CStowelineClass::WriteFault Hook() const
    {
        return [*this](const QString& path) {
            if (!path.startsWith(below + "/"))
                return 0;
            if (calls->fetch_add(1) != 0)
                return 0;
            if (also)
                also(path);
            return error;
        };
    }
};

} // namespace

class TestStorageJudge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();
    void stepRefusedOnADiskThatTakesFiles_data();
    void stepRefusedOnADiskThatTakesFiles();
    void diskThatDiesUnderARecord_data();
    void diskThatDiesUnderARecord();
    void keptDayFailsOnlyItsRecords_data();
    void keptDayFailsOnlyItsRecords();
    void leftOutDiskAskedAgainBeforeAnythingIsDeleted_data();
    void leftOutDiskAskedAgainBeforeAnythingIsDeleted();
    void flushRetriedAfterRoomWasMadeIsWrittenAgain_data();
    void flushRetriedAfterRoomWasMadeIsWrittenAgain();
    void diskRefusingAMovedRecordIsNamedAtOnce_data();
    void diskRefusingAMovedRecordIsNamedAtOnce();
    void ownDiskSilentWhenItsBytesAreReadBack_data();
    void ownDiskSilentWhenItsBytesAreReadBack();

private:
    CQuotaRoots m_quota;
};

void TestStorageJudge::init()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider(m_quota.Provider());
    DiskFullCalls() = 0;
}

void TestStorageJudge::cleanupTestCase()
{
    SetDefaultFreeSpaceProvider({});
}

void TestStorageJudge::stepRefusedOnADiskThatTakesFiles_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("error");
    // The numbers a dying disk gives, met where the disk itself still takes files: a bad block under one
    // file, one folder kept read-only.
    QTest::newRow("create") << "open" << EACCES;
    QTest::newRow("write") << "write" << EIO;
    QTest::newRow("flush") << "sync" << EIO;
    QTest::newRow("rename") << "rename" << EPERM;
    QTest::newRow("folder sync") << "folders" << EIO;
}

void TestStorageJudge::stepRefusedOnADiskThatTakesFiles()
{
    // Of two disks, the roomier one refuses one step of one record while its probe file is written: that
    // record alone fails, naming its folder and the cause, no disk is named or left out, and the next record
    // goes on the same disk. A record refused at its folder sync was durable and renamed: it stays, and a
    // stored copy of itself on the other disk is not removed for it.
    QFETCH(QString, step);
    QFETCH(int, error);
    CTempDatabase db;
    QTemporaryDir disk, other;
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path(), other.path()}, true));
    const QString older = PathOf(other.path(), Key(3, 1));
    QVERIFY(QDir().mkpath(QFileInfo(older).path()));
    {
        QFile file(older);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("older copy") == 10);
    }
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const CFirstFault fault{CStowelineClass::RecordRootOf(disk.path()), error};
    if (step == "open")
        s.SetOpenFault(fault.Hook());
    else if (step == "write")
        s.SetWriteFault(fault.Hook());
    else if (step == "sync")
        s.SetSyncFault(fault.Hook());
    else if (step == "rename")
        s.SetRenameFault(fault.Hook());
    else
        s.SetFolderSyncFault(fault.Hook());

    const qint64 size = 200 * kKiB;
    QVERIFY(!Store(s, Key(3, 1), 1, size));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_RECORD));
    const STOWELINE_ROOT_ERROR cause = s.GetLastRootError();
    QVERIFY(cause.Drive.isEmpty());
    QCOMPARE(cause.Path, DayOf(disk.path(), 3));
    QCOMPARE(cause.SystemError, error);
    QCOMPARE(fault.calls->load(), 1);
    // Renamed and durable, only its folders not: kept, and the older copy with it.
    QCOMPARE(StoredOn(disk.path(), Key(3, 1), 1, size), step == "folders");
    QCOMPARE(ReadAll(older), QByteArray("older copy"));
    // The disk stays in use: the next record goes on it (the roomier), nothing is said of a disk.
    QVERIFY(Store(s, Key(3, 2), 2, size));
    QVERIFY(StoredOn(disk.path(), Key(3, 2), 2, size));
    QCOMPARE(FilesUnder(disk.path()).size(), step == "folders" ? 2 : 1);
    QCOMPARE(events.size(), 0);
}

void TestStorageJudge::diskThatDiesUnderARecord_data()
{
    QTest::addColumn<QString>("death");
    QTest::addColumn<bool>("overwrite");
    for (const bool overwrite : {true, false}) {
        const char* mode = overwrite ? "overwrite" : "stop";
        // The kernel shut the volume down: reads of the record's own bytes fail too.
        QTest::addRow("shut down, %s", mode) << "shutdown" << overwrite;
        // The disk refuses new files but its record can still be read back.
        QTest::addRow("read-only, %s", mode) << "readonly" << overwrite;
    }
}

void TestStorageJudge::diskThatDiesUnderARecord()
{
    // Two disks: the roomier dies while a 600 KiB record is written (450 KiB in), the other has 400 KiB free
    // beside two older records (its normal state in overwrite mode). A record that can be read back is
    // rescued onto the other disk, the oldest record deleted for it (overwrite) or the full-disk refusal
    // given (stop); one that cannot be read back fails alone, nothing is deleted for it, and the next record
    // goes on the other disk. The dead disk is said once.
    IN_MOUNT_NAMESPACE(TestSupport::kNeedExt4Volume);
    QFETCH(QString, death);
    QFETCH(bool, overwrite);
    CTempDatabase db;
    QTemporaryDir base, other;
    const QString dying = base.filePath("dying");
    QVERIFY(QDir().mkpath(dying));
    QVERIFY(TestSupport::MountExt4(base.filePath("image"), dying, 16));
    const auto unmount = qScopeGuard([&] {
        ReadOnly(dying, false);
        ::umount2(QFile::encodeName(dying).constData(), MNT_DETACH);
    });
    m_quota.SetQuota(other.path(), 1000 * kKiB);
    const QString oldest = PutOld(other.path(), 1, 300 * kKiB);
    const QString old = PutOld(other.path(), 2, 300 * kKiB);
    QVERIFY(!oldest.isEmpty() && !old.isEmpty());
    CStowelineClass s;
    QVERIFY(InitDisks(s, {dying, other.path()}, overwrite));
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    // At the tenth block (450 KiB written: more than the other disk has free): the shut-down volume fails the
    // write itself; the read-only one is refused here.
    auto writes = std::make_shared<int>(0);
    s.SetWriteFault([&, writes](const QString& path) {
        if (!path.startsWith(dying + "/") || ++*writes != 10)
            return 0;
        if (death == "shutdown")
            return TestSupport::ShutDownExt4(dying) ? 0 : ENOTTY;
        return ReadOnly(dying, true) ? EROFS : ENOTTY;
    });

    const qint64 size = 600 * kKiB;
    const bool stored = Store(s, Key(3, 1), 1, size);
    QCOMPARE(*writes, 10);
    if (death == "readonly" && overwrite) {
        QVERIFY2(stored, qPrintable(QString::number(s.GetLastError())));
        QVERIFY(StoredOn(other.path(), Key(3, 1), 1, size));
        QVERIFY(!QFileInfo::exists(oldest));
        QVERIFY(QFileInfo::exists(old));
    } else {
        QVERIFY(!stored);
        QCOMPARE(s.GetLastError(),
                 int(death == "shutdown" ? STOWELINE_ERR_DISK_GONE : STOWELINE_ERR_DISK_FULL));
        QVERIFY(QFileInfo::exists(oldest) && QFileInfo::exists(old));
        QCOMPARE(FilesUnder(other.path()).size(), 2);
    }
    QCOMPARE(DiskFullCalls().load(), death == "readonly" && !overwrite ? 1 : 0);
    // Said once, beside the report of what overwrite deleted.
    const auto saidOfTheDisk = [&] {
        int said = 0;
        for (const QList<QVariant>& event : events)
            said += event[0].toString().startsWith("Disk " + dying + ": the folder ") ? 1 : 0;
        return said;
    };
    QCOMPARE(saidOfTheDisk(), 1);

    // The run goes on on the other disk: a record that needs room there has it made, or is refused as full.
    DiskFullCalls() = 0;
    QCOMPARE(Store(s, Key(3, 2), 2, 500 * kKiB), overwrite);
    QCOMPARE(s.GetLastError(), int(overwrite ? STOWELINE_OK : STOWELINE_ERR_DISK_FULL));
    QCOMPARE(DiskFullCalls().load(), overwrite ? 0 : 1);
    QCOMPARE(saidOfTheDisk(), 1);
}

void TestStorageJudge::keptDayFailsOnlyItsRecords_data()
{
    QTest::addColumn<int>("disks");
    QTest::newRow("one disk") << 1;
    QTest::newRow("two disks") << 2;
}

void TestStorageJudge::keptDayFailsOnlyItsRecords()
{
    // A day kept as the README says (chattr +i as root, chmod a-w otherwise): the next record of that day
    // fails alone, naming the day's folder and the cause; the disk stays in use (with one disk nothing
    // stops, with two the kept disk is not left for the smaller one), and the kept record is untouched.
    QFETCH(int, disks);
    // Decided here, before the child: there, as root of its user namespace, it may not mount the volume.
    const bool root = TestSupport::MachineRoot();
    if (root)
        IN_MOUNT_NAMESPACE(TestSupport::kNeedExt4Volume);
    else
        SKIP_UNLESS_GIVEN(TestSupport::kNeedPlainUser, "A day is kept by its folder's mode");
    CTempDatabase db;
    QTemporaryDir base, other;
    const QString disk = base.filePath("disk");
    QVERIFY(QDir().mkpath(disk));
    // chattr needs a file system that keeps the flag: an ext4 volume of the test's own.
    if (root)
        QVERIFY(TestSupport::MountExt4(base.filePath("image"), disk, 16));
    const QString day = DayOf(disk, 3);
    const auto release = qScopeGuard([&] {
        QProcess::execute("chattr", {"-i", day});
        QFile::setPermissions(day, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (root)
            ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH);
    });
    m_quota.SetQuota(other.path(), 4000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, disks == 1 ? QStringList{disk} : QStringList{disk, other.path()}, true));
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const qint64 size = 100 * kKiB;
    QVERIFY(Store(s, Key(3, 1), 1, size));
    QVERIFY(root ? QProcess::execute("chattr", {"+i", day}) == 0
                 : QFile::setPermissions(day, QFile::ReadOwner | QFile::ExeOwner));

    for (int hour = 2; hour <= 3; ++hour) {
        QVERIFY(!Store(s, Key(3, hour), hour, size));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_RECORD));
        QCOMPARE(s.GetLastRootError().Path, day);
        QCOMPARE(s.GetLastRootError().SystemError, root ? EPERM : EACCES);
        QVERIFY(s.GetLastRootError().Drive.isEmpty());
    }
    QVERIFY(Store(s, Key(4, 1), 4, size));
    QVERIFY(StoredOn(disk, Key(4, 1), 4, size));
    QVERIFY(StoredOn(disk, Key(3, 1), 1, size));
    QCOMPARE(FilesUnder(other.path()), QStringList());
    QCOMPARE(events.size(), 0);
}

void TestStorageJudge::leftOutDiskAskedAgainBeforeAnythingIsDeleted_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("letters"); // the disks are set up by their letters, R: and S:
    QTest::newRow("overwrite") << true << false;
    QTest::newRow("stop") << false << false;
    QTest::newRow("overwrite, by letters") << true << true;
}

void TestStorageJudge::leftOutDiskAskedAgainBeforeAnythingIsDeleted()
{
    // The roomier disk refused files once (read-only for a while: a USB reset, a repair) and was left out;
    // it is writable again. The other disk has no room for the next record: the left-out disk is asked again
    // and takes it, nothing is deleted and the disks are not called full; its return is said once.
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, overwrite);
    QFETCH(bool, letters);
    CTempDatabase db;
    QTemporaryDir roomy, other;
    const auto writable = qScopeGuard([&] { ReadOnly(roomy.path(), false); });
    m_quota.SetQuota(other.path(), 1000 * kKiB);
    const QString oldest = PutOld(other.path(), 1, 300 * kKiB);
    const QString old = PutOld(other.path(), 2, 300 * kKiB);
    CStowelineClass s;
    if (letters)
        QVERIFY(MapDrives({{'R', roomy.path()}, {'S', other.path()}}));
    QVERIFY(
        InitDisks(s, letters ? QStringList{"R:", "S:"} : QStringList{roomy.path(), other.path()}, overwrite));
    s.SetOpenFault(CFirstFault{
        CStowelineClass::RecordRootOf(roomy.path()), EIO, [&](const QString&) {
            ReadOnly(roomy.path(), true);
        }}.Hook());
    QVERIFY(Store(s, Key(3, 1), 1, 100 * kKiB));
    QVERIFY(StoredOn(other.path(), Key(3, 1), 1, 100 * kKiB));
    QVERIFY(ReadOnly(roomy.path(), false));

    const QString back = "Disk " + (letters ? QStringLiteral("R") : roomy.path()) + ": the folder " +
                         CStowelineClass::RecordRootOf(roomy.path()) + " takes records again.";
    for (int hour = 2; hour <= 3; ++hour) {
        QVERIFY2(Store(s, Key(3, hour), hour, 400 * kKiB), qPrintable(QString::number(s.GetLastError())));
        QVERIFY(StoredOn(roomy.path(), Key(3, hour), hour, 400 * kKiB));
    }
    QVERIFY(QFileInfo::exists(oldest) && QFileInfo::exists(old));
    QCOMPARE(DiskFullCalls().load(), 0);
    QCOMPARE(CEngineFixture::LogRows(back), 1);
}

void TestStorageJudge::flushRetriedAfterRoomWasMadeIsWrittenAgain_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("written again") << false;
    // Its disk does not answer when the bytes are read back: the record is lost, its only disk named silent.
    QTest::newRow("disk silent when read back") << true;
}

void TestStorageJudge::flushRetriedAfterRoomWasMadeIsWrittenAgain()
{
    // The flush at the close fails for want of room: the kernel may have dropped the pages it could not
    // write, so after overwrite made room the record's bytes are written again before the flush is retried
    // (else the stored file could hold a hole and be marked done). The write shows in the file's time, which
    // the failed flush set back.
    QFETCH(bool, silent);
    CTempDatabase db;
    QTemporaryDir disk;
    m_quota.SetQuota(disk.path(), 1000 * kKiB);
    const QString oldest = PutOld(disk.path(), 1, 300 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {disk.path()}, true));
    const timespec back{1000000000, 0};
    auto timesAtFlush = std::make_shared<QList<qint64>>();
    s.SetSyncFault([&, timesAtFlush](const QString& path) {
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return EINVAL;
        timesAtFlush->append(st.st_mtim.tv_sec);
        if (timesAtFlush->size() > 1)
            return 0;
        const timespec times[2] = {back, back};
        return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0 ? ENOSPC : EINVAL;
    });
    if (silent) {
        s.SetReadFault([](const QString&) { return ETIMEDOUT; });
        QVERIFY(!Store(s, Key(3, 1), 1, 200 * kKiB));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_ROOT));
        QCOMPARE(s.GetLastRootError().SystemError, ETIMEDOUT);
        QCOMPARE(timesAtFlush->size(), 1);
        QVERIFY(!QFileInfo::exists(PathOf(disk.path(), Key(3, 1))));
        return;
    }
    QVERIFY(Store(s, Key(3, 1), 1, 200 * kKiB));
    QCOMPARE(timesAtFlush->size(), 2);
    QVERIFY2(timesAtFlush->at(1) != back.tv_sec, "not written again before the flush was retried");
    QVERIFY(StoredOn(disk.path(), Key(3, 1), 1, 200 * kKiB));
    QVERIFY(!QFileInfo::exists(oldest));
}

void TestStorageJudge::diskRefusingAMovedRecordIsNamedAtOnce_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("probe");
    QTest::addColumn<QString>("said");
    // Its call on that disk did not come back within the bound: not asked again, which would wait again.
    QTest::newRow("silent during the copy") << int(ETIMEDOUT) << 0 << "does not answer.";
    QTest::newRow("refuses, and its probe too") << EIO << EIO << "cannot be written: Input/output error.";
}

void TestStorageJudge::diskRefusingAMovedRecordIsNamedAtOnce()
{
    // Three disks: the record's own runs out of room after its first block, and the roomiest of the others
    // fails the copy made to move it there. That disk is left out and named as soon as the third has taken
    // the record, not at the next record; and it is not tried again.
    QFETCH(int, error);
    QFETCH(int, probe);
    QFETCH(QString, said);
    CTempDatabase db;
    QTemporaryDir own, refusing, third;
    m_quota.SetQuota(refusing.path(), 4000 * kKiB);
    m_quota.SetQuota(third.path(), 2000 * kKiB);
    CStowelineClass s;
    QVERIFY(InitDisks(s, {own.path(), refusing.path(), third.path()}, false));
    const QString ownRecords = CStowelineClass::RecordRootOf(own.path()) + "/";
    const QString refusingRecords = CStowelineClass::RecordRootOf(refusing.path()) + "/";
    auto full = std::make_shared<std::atomic<bool>>(false);
    auto refused = std::make_shared<std::atomic<int>>(0);
    s.SetWriteFault([=](const QString& path) {
        if (path.startsWith(refusingRecords)) {
            ++*refused;
            return error;
        }
        return *full && path.startsWith(ownRecords) ? ENOSPC : 0;
    });
    s.SetProbeFault([=](const QString& path) { return path.startsWith(refusingRecords) ? probe : 0; });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    const auto saidOfTheDisk = [&] {
        QStringList texts;
        for (const QList<QVariant>& event : events) {
            if (event[0].toString().startsWith("Disk " + refusing.path() + ":"))
                texts << event[0].toString();
        }
        return texts;
    };

    const CHANNEL_RECORD_KEY key = Key(4, 1);
    const QByteArray block = Bytes(1, 100 * kKiB);
    // A mebibyte and one byte: the copy's last read gives one byte.
    const QByteArray first = Bytes(3, 1024 * kKiB + 1);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key));
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(first.constData()),
                                 uint32_t(first.size()), &key));
    *full = true;
    QVERIFY2(s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                  uint32_t(block.size()), &key),
             qPrintable(QString::number(s.GetLastError())));
    QCOMPARE(refused->load(), 1);
    const QString expected = "Disk " + refusing.path() + ": the folder " +
                             CStowelineClass::RecordRootOf(refusing.path()) + " " + said +
                             " The other disks take the records.";
    QCOMPARE(saidOfTheDisk(), QStringList{expected});
    QVERIFY(s.CloseChannelRecord(kName, &key));
    QCOMPARE(ReadAll(PathOf(third.path(), key)), first + block);

    // The next record needs room beyond its own disk too: the disk left out is passed over, and said once.
    QVERIFY(Store(s, Key(4, 2), 2, 200 * kKiB));
    QVERIFY(StoredOn(third.path(), Key(4, 2), 2, 200 * kKiB));
    QCOMPARE(refused->load(), 1);
    QCOMPARE(saidOfTheDisk(), QStringList{expected});
}

void TestStorageJudge::ownDiskSilentWhenItsBytesAreReadBack_data()
{
    QTest::addColumn<qint64>("otherRoom");
    // The other disk has room: the record's bytes are read back to be copied there.
    QTest::newRow("moving") << 4000 * kKiB;
    // It has not: they are read back to know whether a stored record may be deleted for them.
    QTest::newRow("room to be made") << 150 * kKiB;
}

void TestStorageJudge::ownDiskSilentWhenItsBytesAreReadBack()
{
    // The record's own disk runs out of room after its first block and does not answer when its bytes are
    // read back. That disk is left out and named as silent; the other disk is not blamed for it, keeps
    // every record it holds, and takes the next record.
    QFETCH(qint64, otherRoom);
    CTempDatabase db;
    QTemporaryDir own, other;
    m_quota.SetQuota(other.path(), otherRoom);
    const QString old = PutOld(other.path(), 1, 100 * kKiB);
    QVERIFY(!old.isEmpty());
    CStowelineClass s;
    QVERIFY(InitDisks(s, {own.path(), other.path()}, true));
    const QString ownRecords = CStowelineClass::RecordRootOf(own.path()) + "/";
    auto full = std::make_shared<std::atomic<bool>>(false);
    s.SetWriteFault([=](const QString& path) { return *full && path.startsWith(ownRecords) ? ENOSPC : 0; });
    s.SetReadFault([=](const QString& path) { return path.startsWith(ownRecords) ? ETIMEDOUT : 0; });
    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);

    const CHANNEL_RECORD_KEY key = Key(5, 1);
    const QByteArray block = Bytes(1, 100 * kKiB);
    QVERIFY(s.OpenChannelRecord(kName, 0, &key));
    QVERIFY(s.WriteChannelRecord(kName, 1, reinterpret_cast<const uint8_t*>(block.constData()),
                                 uint32_t(block.size()), &key));
    *full = true;
    QVERIFY(!s.WriteChannelRecord(kName, 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                  uint32_t(block.size()), &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_GONE));
    s.AbortChannelRecord(kName, &key);
    QVERIFY(QFileInfo::exists(old));
    QStringList texts;
    for (const QList<QVariant>& event : events)
        texts << event[0].toString();
    QCOMPARE(texts, QStringList{"Disk " + own.path() + ": the folder " + ownRecords.chopped(1) +
                                " does not answer. The other disks take the records."});
    QCOMPARE(DiskFullCalls().load(), 0);

    QVERIFY2(Store(s, Key(5, 2), 2, 40 * kKiB), qPrintable(QString::number(s.GetLastError())));
    QVERIFY(StoredOn(other.path(), Key(5, 2), 2, 40 * kKiB));
    QVERIFY(QFileInfo::exists(old));
    QCOMPARE(events.size(), 1);
}

VARROW_TEST_MAIN(TestStorageJudge, QCoreApplication)
#include "tst_storage_judge.moc"

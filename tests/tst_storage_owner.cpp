// Whose folders the storage uses, and what a search gives back: a Records folder of another user is refused
// at the set-up with its folder named, the station's own Records folder open to others is closed with every
// older record below it, a record forged in another user's folder below Records is never found, a search
// returns at most its bound of the earliest matches and says so, and a disk it could not search is named.
// The cases with another user's folders need a second user id: they run as root (as CI does) and are skipped
// elsewhere.

#include "model/LogStore.h"
#include "model/Utility.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "storage/StoredRecordFile.h"
#include "platform/DriveMap.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/StorageSearch.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Nobody's user id: another user than the program's.
constexpr uid_t kOtherUser = 65534;

using TestSupport::Bound;
using TestSupport::LogTexts;
using TestSupport::Search;
using TestSupport::Time;

bool Init(CStowelineClass& s, const QStringList& roots)
{
    STOWELINE_INIT_PARAM param;
    for (const QString& root : roots)
        param.DiskPaths.Append(QFile::encodeName(root).constData());
    param.ReserveMB = 0;
    return s.Init(&param);
}

// A stored-looking record of one hour on day 5 of the test's month, from `second` seconds after midnight.
QString RecordName(int second)
{
    const QString start = QStringLiteral("202403050%1%2%3")
                              .arg(second / 3600)
                              .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(second % 60, 2, 10, QLatin1Char('0'));
    return start + QLatin1Char('_') + start + QStringLiteral("_1.rec");
}

bool WriteText(const QString& path, const QByteArray& text, int mode = 0600)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush() &&
           ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

bool MakeFolder(const QString& path, int mode, uid_t owner)
{
    const QByteArray at = QFile::encodeName(path);
    return QDir().mkpath(path) && ::chmod(at.constData(), mode_t(mode)) == 0 &&
           (owner == ::geteuid() || ::chown(at.constData(), owner, owner) == 0);
}

int Mode(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

uid_t Owner(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_uid : uid_t(-1);
}

} // namespace

class TestStorageOwner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();
    void foreignRecordsRefusedAtSetUp_data();
    void foreignRecordsRefusedAtSetUp();
    void foreignRecordsClosedToTheStation();
    void ownOpenTreeClosedAtSetUp_data();
    void ownOpenTreeClosedAtSetUp();
    void recordsOpenedLaterAreNotSearched();
    void foreignFoldersBelowRecordsAreLeftAlone();
    void foreignFolderAtARecordsPlaceFailsThatRecordAlone_data();
    void foreignFolderAtARecordsPlaceFailsThatRecordAlone();
    void searchKeepsTheEarliestUpToItsBound();
    void searchNamesTheDisksItCannotSearch();
    void volumeThatKeepsItsModes_data();
    void volumeThatKeepsItsModes();

private:
    std::unique_ptr<QTemporaryDir> m_drive;
    QString m_root;
};

void TestStorageOwner::init()
{
    ReleaseStorage();
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    m_root = CStowelineClass::RecordRootOf(m_drive->path());
}

void TestStorageOwner::cleanupTestCase()
{
    ReleaseStorage();
    QFile::remove(GetAbsolutePath(QStringLiteral("Drives.conf")));
}

void TestStorageOwner::foreignRecordsRefusedAtSetUp_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("open to all") << 0777;
    QTest::newRow("sticky, open to all") << 01777;
    QTest::newRow("closed to others") << 0700;
}

// Another user who could write to the disk's folder made Records first: the station would store where they
// can swap its records. The disk is refused, in the start box and the page's event row alike, and their
// folder is left as it was.
void TestStorageOwner::foreignRecordsRefusedAtSetUp()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    QFETCH(int, mode);
    CTempDatabase db;
    QVERIFY(MakeFolder(m_root, mode, kOtherUser));
    QVERIFY(MapDrives({{'D', m_drive->path()}}));
    SYSTEM_CONFIG config;
    config.Disk[0] = 'D';
    const int code = CreateStorage(nullptr, config);
    QCOMPARE(code, int(STOWELINE_ERR_ROOT));
    QVERIFY(!GetStoweline());
    const QString line = "Disk D: the folder " + m_root +
                         " belongs to another user (user id 65534); the station uses only folders of its own "
                         "user there.";
    QVERIFY2(StorageErrorText(code).endsWith("\n" + line), qPrintable(StorageErrorText(code)));
    QCOMPARE(StorageFailureCause(), line);
    QCOMPARE(Mode(m_root), mode);
    QCOMPARE(Owner(m_root), kOtherUser);
    QVERIFY(QDir(m_root).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

// A station that runs as an ordinary user cannot even enter a Records folder that another user made closed:
// it is still named as that user's, not as a folder that cannot be written. The set-up runs in a child that
// took a third user id.
void TestStorageOwner::foreignRecordsClosedToTheStation()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    const uid_t station = kOtherUser - 1;
    QVERIFY(::chmod(QFile::encodeName(m_drive->path()).constData(), 0755) == 0);
    QVERIFY(MakeFolder(m_root, 0700, kOtherUser));
    int pipe[2];
    QVERIFY(::pipe(pipe) == 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(pipe[0]);
        QByteArray said = "could not take the user id";
        if (::setresgid(station, station, station) == 0 && ::setresuid(station, station, station) == 0) {
            CStowelineClass s;
            said = Init(s, {m_drive->path()}) ? QByteArray("accepted")
                                              : DescribeRootError(s.GetLastRootError()).toUtf8();
        }
        const bool written = ::write(pipe[1], said.constData(), size_t(said.size())) == said.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    QByteArray said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof(buffer))) > 0;)
        said.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(QString::fromUtf8(said), "Disk " + m_drive->path() + ": the folder " + m_root +
                                          " belongs to another user (user id 65534); the station uses only "
                                          "folders of its own user there.");
}

void TestStorageOwner::ownOpenTreeClosedAtSetUp_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("said");
    QTest::newRow("stored before records were closed") << 0755 << true;
    QTest::newRow("open to the group") << 0750 << true;
    QTest::newRow("open to all") << 0777 << true;
    QTest::newRow("sticky, open to all") << 01777 << true;
    QTest::newRow("closed already") << 0700 << false;
}

// A station that stored before records were made owner-only has every folder 0755 and every record 0644:
// the set-up closes Records, which closes all of it, says so once, and the older records are still found.
void TestStorageOwner::ownOpenTreeClosedAtSetUp()
{
    QFETCH(int, mode);
    QFETCH(bool, said);
    CTempDatabase db;
    const char* name = "10.20.20.20_8000_1";
    const QString day = m_root + "/" + name + "/20240305";
    const QString older = day + "/" + RecordName(3600);
    QVERIFY(WriteText(older, "older", 0644));
    for (const QString& folder : {day, m_root + "/" + name})
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(m_root).constData(), mode_t(mode)) == 0);

    const QString closed = "The folder " + m_root +
                           " was open to other users; it is closed to them now, with every record below it.";
    for (int setUp = 0; setUp < 2; ++setUp) {
        CStowelineClass s;
        QVERIFY(Init(s, {m_drive->path()}));
        QCOMPARE(Mode(m_root), 0700);
        QCOMPARE(Search(s, name, 5), QStringList{older});
        QCOMPARE(LogTexts().count(closed), said ? 1 : 0);
    }
}

// Records opened to others' writes after the set-up is not used until the station closes it again: a search
// names the disk with the cause instead of listing what may have been swapped, and no record of it is read.
void TestStorageOwner::recordsOpenedLaterAreNotSearched()
{
    CTempDatabase db;
    const char* name = "10.21.21.21_8000_1";
    const QString record = m_root + "/" + name + "/20240305/" + RecordName(60);
    CStowelineClass s;
    QVERIFY(Init(s, {m_drive->path()}));
    QVERIFY(WriteText(record, "mine"));
    QCOMPARE(Search(s, name, 5), QStringList{record});
    QVERIFY(s.GetLastSearchRootErrors().empty());

    QVERIFY(::chmod(QFile::encodeName(m_root).constData(), 0777) == 0);
    QVERIFY(Search(s, name, 5).isEmpty());
    const std::vector<STOWELINE_ROOT_ERROR> errors = s.GetLastSearchRootErrors();
    QCOMPARE(errors.size(), size_t(1));
    QCOMPARE(errors[0].SystemError, EPERM);
    QCOMPARE(DescribeRootError(errors[0]),
             "Disk " + m_drive->path() + ": other users may write to the folder " + m_root +
                 " (a volume without owners must be mounted for the station's user, with no write for "
                 "others).");
    QCOMPARE(Mode(m_root), 0777); // a search changes nothing on the disk
    // Nor is a record taken from it for the export or the player.
    QString refused;
    QVERIFY(!OpenStoredRecord(record, &refused).IsOpen());
    QVERIFY2(refused.contains("other users may write to the folder " + m_root + ","), qPrintable(refused));

    CStowelineClass again;
    QVERIFY(Init(again, {m_drive->path()}));
    QCOMPARE(Search(again, name, 5), QStringList{record});
    QVERIFY(OpenStoredRecord(record).IsOpen());
}

// Folders of another user below Records (made before it was closed): a record forged in one is never found,
// nothing is written into one, and each is named once in the log however often it is met.
void TestStorageOwner::foreignFoldersBelowRecordsAreLeftAlone()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    CTempDatabase db;
    const char* theirs = "10.22.22.22_8000_1";
    const char* mine = "10.23.23.23_8000_1";
    const QString theirName = m_root + "/" + theirs;
    const QString myName = m_root + "/" + mine;
    const QString forged = theirName + "/20240305/" + RecordName(60);
    const QString forgedDay = myName + "/20240306";
    const QString real = myName + "/20240305/" + RecordName(60);
    QVERIFY(WriteText(forged, "forged"));
    QVERIFY(WriteText(forgedDay + "/" + RecordName(60).replace("20240305", "20240306"), "forged"));
    QVERIFY(WriteText(real, "mine"));
    QVERIFY(MakeFolder(theirName + "/20240305", 0700, kOtherUser) && MakeFolder(theirName, 0700, kOtherUser));
    QVERIFY(MakeFolder(forgedDay, 0700, kOtherUser));

    CStowelineClass s;
    QVERIFY(Init(s, {m_drive->path()}));
    for (int pass = 0; pass < 2; ++pass) {
        QVERIFY(Search(s, theirs, 5).isEmpty());
        QCOMPARE(Search(s, mine, 5), QStringList{real});
        QVERIFY(Search(s, mine, 6).isEmpty());
        QVERIFY(s.GetLastSearchRootErrors().empty()); // the disk itself is fine
    }
    const CHANNEL_RECORD_KEY key{Time(5, 2), Time(5, 3), 1, 0};
    if (s.OpenChannelRecord(theirs, 0, &key)) {
        const uint8_t data[] = {1, 2, 3};
        s.WriteChannelRecord(theirs, 2, data, sizeof(data), &key);
        QVERIFY(!s.CloseChannelRecord(theirs, &key));
    }
    QCOMPARE(FilesUnder(theirName), QStringList{forged});
    QCOMPARE(ReadAll(forged), QByteArray("forged"));
    // The export and the player take a path as the search gives it: a forged one is not read either.
    QVERIFY(OpenStoredRecord(real).IsOpen());
    QString refused;
    QVERIFY(!OpenStoredRecord(forged, &refused).IsOpen());
    QVERIFY2(refused.contains(theirName + " belongs to another user"), qPrintable(refused));

    // The disk's first such folder is named, the other counted.
    const QString left = "A folder of another user below a record disk's folder is left alone: ";
    const QStringList named = LogTexts().filter(left);
    QCOMPARE(named.size(), 1);
    QVERIFY2((QStringList{left + theirName + ".", left + forgedDay + "."}).contains(named[0]),
             qPrintable(named[0]));
    QCOMPARE(LogTexts().filter("A folder of another user below the record disk's folder "),
             QStringList{"Repeated once: A folder of another user below the record disk's folder " +
                         CStowelineClass::RecordRootOf(m_drive->path()) + " is left alone"});
}

void TestStorageOwner::foreignFolderAtARecordsPlaceFailsThatRecordAlone_data()
{
    QTest::addColumn<QString>("at");
    QTest::newRow("name folder") << "10.27.27.27_8000_1";
    QTest::newRow("day folder") << "10.27.27.27_8000_1/20240305";
}

// Record names are predictable: another user who could write below Records once (before the station closed
// it) left a folder at a record's name or day. That place alone is refused: the record fails naming the
// folder, never its disk, and the roomier disk that holds the folder still takes every other record (left
// out, it would hand them all to the second disk).
void TestStorageOwner::foreignFolderAtARecordsPlaceFailsThatRecordAlone()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    QFETCH(QString, at);
    CTempDatabase db;
    QTemporaryDir second;
    QVERIFY(second.isValid());
    const char* blocked = "10.27.27.27_8000_1";
    const char* other = "10.28.28.28_8000_1";
    const QString foreign = m_root + "/" + at;
    QVERIFY(MakeFolder(m_root + "/" + blocked, 0700, ::geteuid()));
    QVERIFY(MakeFolder(foreign, 0700, kOtherUser));

    CStowelineClass s;
    QVERIFY(Init(s, {m_drive->path(), second.path()}));
    // The first disk has far more room: every record goes there while it is in use.
    CQuotaRoots quota;
    quota.SetQuota(second.path(), 64 * 1024 * 1024);
    s.SetFreeSpaceProvider(quota.Provider());
    const CHANNEL_RECORD_KEY key{Time(5, 2), Time(5, 3), 1, 0};
    const uint8_t data[] = {1, 2, 3};
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVERIFY(!s.OpenChannelRecord(blocked, 0, &key));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NAME));
        const STOWELINE_ROOT_ERROR cause = s.GetLastRootError();
        QCOMPARE(cause.Drive, QString());
        QCOMPARE(cause.Path, foreign);
        QCOMPARE(cause.SystemError, EPERM);
        // Another record on the same disk, after each refusal.
        const CHANNEL_RECORD_KEY next{Time(5, 4 + attempt), Time(5, 5 + attempt), 1, 0};
        QVERIFY(s.OpenChannelRecord(other, 0, &next));
        QVERIFY(s.WriteChannelRecord(other, 2, data, sizeof(data), &next));
        QVERIFY(s.CloseChannelRecord(other, &next));
    }
    const QStringList stored = Search(s, other, 5);
    QCOMPARE(stored.size(), 2);
    for (const QString& path : stored)
        QVERIFY2(path.startsWith(m_root + "/" + other + "/"), qPrintable(path));
    QVERIFY(s.GetLastSearchRootErrors().empty());
    QCOMPARE(FilesUnder(second.path()), QStringList());
    QCOMPARE(FilesUnder(foreign), QStringList());
    QCOMPARE(Owner(foreign), kOtherUser);
    const QString left = "A folder of another user below a record disk's folder is left alone: ";
    QCOMPARE(LogTexts().filter(left), QStringList{left + foreign + "."});
}

// A disk's folder can hold any number of record-named files: a search keeps the earliest up to its bound and
// says that it left the rest out.
void TestStorageOwner::searchKeepsTheEarliestUpToItsBound()
{
    QCOMPARE(CStowelineClass::kMaxSearchMatches, 5000);
    const char* name = "10.24.24.24_8000_1";
    const QString day = m_root + "/" + name + "/20240305/";
    CStowelineClass s;
    QVERIFY(Init(s, {m_drive->path()}));
    const int planted = CStowelineClass::kMaxSearchMatches + 3;
    // Made latest first, so the folder's own order is not the answer's.
    for (int i = planted - 1; i >= 0; --i)
        QVERIFY(WriteText(day + RecordName(i * 7), ""));
    bool cut = false;
    const QStringList found = Search(s, name, 5, &cut);
    QVERIFY(cut);
    QCOMPARE(found.size(), CStowelineClass::kMaxSearchMatches);
    QCOMPARE(found.first(), day + RecordName(0));
    QCOMPARE(found.last(), day + RecordName((CStowelineClass::kMaxSearchMatches - 1) * 7));
    QVERIFY(std::is_sorted(found.begin(), found.end()));

    // Exactly the bound is whole.
    for (int i = planted - 1; i >= CStowelineClass::kMaxSearchMatches; --i)
        QVERIFY(QFile::remove(day + RecordName(i * 7)));
    QCOMPARE(Search(s, name, 5, &cut).size(), CStowelineClass::kMaxSearchMatches);
    QVERIFY(!cut);
}

// An unplugged disk and a volume that did not mount are not disks without records: the search names each
// with its cause, and still gives the records of the disk that is there.
void TestStorageOwner::searchNamesTheDisksItCannotSearch()
{
    QTemporaryDir gone;
    QTemporaryDir volume;
    QVERIFY(gone.isValid() && volume.isValid());
    QVERIFY(MapDrives(
        {{'D', m_drive->path()}, {'E', gone.path()}, {'V', volume.path() + QStringLiteral(" [volume]")}}));
    CStowelineClass s;
    QTemporaryDir bare;
    QVERIFY(bare.isValid());
    QVERIFY(Init(s, {"D:", "E:", "V:", bare.path()}));
    // A volume's folder that the map does not mark, left bare: its Records folder is gone with the volume.
    QVERIFY(QDir(CStowelineClass::RecordRootOf(bare.path())).removeRecursively());
    const char* name = "10.25.25.25_8000_1";
    const QString record = m_root + "/" + name + "/20240305/" + RecordName(60);
    QVERIFY(WriteText(record, "mine"));
    QVERIFY(gone.remove());

    QStringList expected{
        "Disk E: the folder " + gone.path() + " does not exist (is its volume mounted?).",
        "Disk V: no volume is mounted at the folder " + volume.path() + " (is its volume mounted?).",
        "Disk " + bare.path() + ": the folder " + CStowelineClass::RecordRootOf(bare.path()) +
            " does not exist (is its volume mounted?)."};
    expected.sort();
    for (const char* searched : {name, "10.26.26.26_8000_1"}) {
        QCOMPARE(Search(s, searched, 5), searched == name ? QStringList{record} : QStringList());
        QStringList said;
        for (const STOWELINE_ROOT_ERROR& error : s.GetLastSearchRootErrors())
            said << DescribeRootError(error);
        said.sort();
        QCOMPARE(said, expected);
    }
    // Nothing of a search before is carried over to one that could search every disk.
    CStowelineClass whole;
    QVERIFY(Init(whole, {"D:"}));
    QCOMPARE(Search(whole, name, 5), QStringList{record});
    QVERIFY(whole.GetLastSearchRootErrors().empty());
}

void TestStorageOwner::volumeThatKeepsItsModes_data()
{
    // The modes a volume without owners shows for every entry, set by its mount, whatever chmod does.
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("refused");
    QTest::newRow("open to all (umask=000)") << 0777 << true;
    QTest::newRow("its group may write (umask=007)") << 0770 << true;
    QTest::newRow("others may read (umask=022)") << 0755 << false;
    QTest::newRow("closed (umask=077)") << 0700 << false;
}

// A volume whose chmod succeeds and changes nothing (FAT or exFAT through the kernel or FUSE, ntfs-3g, CIFS
// without unix extensions), seen through a FUSE view that ignores chmod: the set-up's closing of Records is
// judged by the mode read again. One others or its group may write to is refused at the set-up, in the
// start box and the event row, naming the folder and why; one they may only read is used and said to stay
// open; the log never says it was closed.
void TestStorageOwner::volumeThatKeepsItsModes()
{
    IN_MOUNT_NAMESPACE(TestSupport::kNeedFuse);
    QFETCH(int, mode);
    QFETCH(bool, refused);
    CTempDatabase db;
    QTemporaryDir under;
    const QString view = m_drive->path();
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"),
                 {"-f", "--chmod-ignore", "-p", "0" + QString::number(mode, 8), under.path(), view});
    const auto unmount = qScopeGuard([&] {
        ReleaseStorage();
        TestSupport::Unmount(view);
        if (!bindfs.waitForFinished(Bound(10000)))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view) && waited.elapsed() < Bound(10000))
        QThread::msleep(10);
    QVERIFY2(CDriveMap::IsMountPoint(view), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    QVERIFY(MapDrives({{'D', view}}));

    SYSTEM_CONFIG config;
    config.Disk[0] = 'D';
    const int code = CreateStorage(nullptr, config);
    QCOMPARE(Mode(m_root), mode); // the chmod went through and changed nothing
    const QStringList log = LogTexts();
    QVERIFY2(!log.join('\n').contains("closed to them now"), qPrintable(log.join('\n')));
    if (refused) {
        QCOMPARE(code, int(STOWELINE_ERR_ROOT));
        QVERIFY(!GetStoweline());
        const QString line = "Disk D: other users may write to the folder " + m_root +
                             " (a volume without owners must be mounted for the station's user, with no "
                             "write for others).";
        QVERIFY2(StorageErrorText(code).endsWith("\n" + line), qPrintable(StorageErrorText(code)));
        QCOMPARE(StorageFailureCause(), line);
        return;
    }
    QCOMPARE(code, 0);
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    QVERIFY(storage);
    const char* name = "10.20.20.20_8000_1";
    const CHANNEL_RECORD_KEY key{Time(5, 1), Time(5, 2), 1, 0};
    const uint8_t byte = 7;
    QVERIFY(storage->OpenChannelRecord(name, 0, &key) &&
            storage->WriteChannelRecord(name, 1, &byte, 1, &key) && storage->CloseChannelRecord(name, &key));
    QCOMPARE(Search(*storage, name, 5).size(), 1);
    const QString open = "The folder " + m_root +
                         " is open to other users and cannot be closed to them: its volume keeps the modes "
                         "its mount gives.";
    QCOMPARE(log.count(open), mode == 0700 ? 0 : 1);
}

VARROW_TEST_MAIN(TestStorageOwner, QCoreApplication)
#include "tst_storage_owner.moc"

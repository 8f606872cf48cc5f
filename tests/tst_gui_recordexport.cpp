// The record export on real files, links and pipes: a path from the storage's search is copied only when
// the storage itself would reach a regular file there. Whoever may write to a disk's folder can replace a
// record, or a folder above it, by a link to a private file of the operator's (which the copy would carry
// off into an export folder others can read) or by a named pipe (whose open waits for ever and keeps the
// program from closing). Each such file fails alone with a line that names it; the others are copied, owner-
// only; and the export stops at its next block when asked.

#include "pages/record/CThreadExportFile.h"
#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "storage/StoredRecordFile.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Three stored records on one disk, under two record names; the second is the one each case spoils.
const char* const kRecords[] = {"Records/10.0.0.1_8000_1/20260310/20260310080000_20260310090000_1.rec",
                                "Records/10.0.0.1_8000_2/20260310/20260310080000_20260310090000_1.rec",
                                "Records/10.0.0.1_8000_2/20260311/20260311080000_20260311090000_1.rec"};
const QByteArray kSecret("the operator's private key");

bool WriteFile(const QString& path, const QByteArray& bytes, int mode = 0600)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

bool Link(const QString& target, const QString& at)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
}

int ModeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray Content(int record)
{
    return QByteArray("record ") + QByteArray::number(record);
}

// Holds the export after its first block (of the record `at`, when given) until the export's thread is asked
// to stop (at most 10 s), so a test acts while a copy is surely under way.
class CHeldCopy
{
public:
    explicit CHeldCopy(const QString& at = QString())
    {
        CThreadExportFile::SetBlockHook([this, at](const QString& source) {
            if ((!at.isEmpty() && source != at) || m_blocks.fetchAndAddOrdered(1) != 0)
                return;
            m_underWay.release();
            QElapsedTimer held;
            held.start();
            while (!QThread::currentThread()->isInterruptionRequested() &&
                   held.elapsed() < TestSupport::Bound(10000))
                QThread::msleep(5);
        });
    }
    ~CHeldCopy() { CThreadExportFile::SetBlockHook({}); }
    CHeldCopy(const CHeldCopy&) = delete;
    CHeldCopy& operator=(const CHeldCopy&) = delete;
    bool WaitUnderWay() { return m_underWay.tryAcquire(1, TestSupport::Bound(10000)); }

private:
    QAtomicInt m_blocks;
    QSemaphore m_underWay;
};

} // namespace

class TestRecordExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void refusedPlaces_data();
    void refusedPlaces();
    void copyIsOwnerOnly();
    void stopsAtTheNextBlock();
    void lastCopyStoppedIsSaidStopped_data();
    void foreignOrOpenFoldersRefused_data();
    void foreignOrOpenFoldersRefused();
    void lastCopyStoppedIsSaidStopped();
    void largeRecordIntoAFolderNotYetThere();
    void chosenFolderIsChecked_data();
    void chosenFolderIsChecked();
    void silentVolumeIsNamedWithinTheBound_data();
    void silentVolumeIsNamedWithinTheBound();

private:
    QString Disk(int record) const { return m_disk->filePath(QLatin1String(kRecords[record])); }
    QString Target(int record) const
    {
        return m_target->filePath(QString::fromLatin1(kRecords[record]).section(QLatin1Char('/'), -3));
    }
    // Runs an export of all three records; its result, or -1 when it did not end within 10 s.
    int Export(CThreadExportFile& worker, QStringList* lines);

    std::unique_ptr<QTemporaryDir> m_disk;
    std::unique_ptr<QTemporaryDir> m_target;
    std::unique_ptr<QTemporaryDir> m_private;
};

void TestRecordExport::init()
{
    m_disk = std::make_unique<QTemporaryDir>();
    m_target = std::make_unique<QTemporaryDir>();
    m_private = std::make_unique<QTemporaryDir>();
    for (int record = 0; record < 3; ++record)
        QVERIFY(WriteFile(Disk(record), Content(record)));
    QVERIFY(WriteFile(m_private->filePath(QStringLiteral("key")), kSecret));
}

int TestRecordExport::Export(CThreadExportFile& worker, QStringList* lines)
{
    QSignalSpy failed(&worker, &CThreadExportFile::SendFileFailed);
    QSignalSpy over(&worker, &CThreadExportFile::SendWriteOver);
    worker.SetExportParam({Disk(0), Disk(1), Disk(2)}, m_target->path() + QLatin1Char('/'));
    worker.start();
    if (!worker.wait(TestSupport::Bound(10000)))
        return -1;
    for (const QList<QVariant>& line : std::as_const(failed))
        *lines << line.value(0).toString();
    return over.size() == 1 ? over.first().value(0).toInt() : -2;
}

void TestRecordExport::refusedPlaces_data()
{
    QTest::addColumn<QString>("plant");
    QTest::addColumn<QString>("named"); // what the line names beside the record
    QTest::newRow("record is a link to a private file")
        << QStringLiteral("file link") << QStringLiteral("is a link,");
    QTest::newRow("day folder is a link")
        << QStringLiteral("day link") << QStringLiteral("/Records/10.0.0.1_8000_2/20260310");
    QTest::newRow("name folder is a link")
        << QStringLiteral("name link") << QStringLiteral("/Records/10.0.0.1_8000_2");
    QTest::newRow("record is a named pipe") << QStringLiteral("pipe") << QStringLiteral("named pipe");
    QTest::newRow("record is a folder") << QStringLiteral("folder") << QStringLiteral("folder");
    QTest::newRow("record is gone") << QStringLiteral("gone") << QStringLiteral("cannot be opened");
    QTest::newRow("export folder holds a link")
        << QStringLiteral("target link") << QStringLiteral("cannot be written");
    QTest::newRow("export folder holds a folder of the record's name")
        << QStringLiteral("target folder") << QString::fromLocal8Bit(std::strerror(EISDIR));
}

// The spoilt record fails alone and nothing of what stands in its place reaches the export folder; the
// record before it and the one after it (on another day of the same name) are copied whole.
void TestRecordExport::refusedPlaces()
{
    QFETCH(QString, plant);
    QFETCH(QString, named);
    const QString victim = Disk(1);
    const QString secret = m_private->filePath(QStringLiteral("key"));
    QString freeTheReader; // a pipe whose reader must be let go if the open waited
    if (plant == QLatin1String("file link")) {
        QVERIFY(QFile::remove(victim) && Link(secret, victim));
    } else if (plant == QLatin1String("day link") || plant == QLatin1String("name link")) {
        // A copy of the record's folder elsewhere, with the private file under the record's name.
        const int up = plant == QLatin1String("day link") ? 1 : 2;
        QString folder = victim;
        for (int i = 0; i < up; ++i)
            folder = QFileInfo(folder).path();
        const QString elsewhere = m_private->filePath(QStringLiteral("tree"));
        QVERIFY(WriteFile(elsewhere + victim.mid(folder.size()), kSecret));
        if (up == 2) // the other day of that name is under the link too
            QVERIFY(WriteFile(elsewhere + Disk(2).mid(folder.size()), kSecret));
        QVERIFY(QDir(folder).removeRecursively() && Link(elsewhere, folder));
    } else if (plant == QLatin1String("pipe")) {
        QVERIFY(QFile::remove(victim));
        QCOMPARE(::mkfifo(QFile::encodeName(victim).constData(), 0600), 0);
        freeTheReader = victim;
    } else if (plant == QLatin1String("folder")) {
        QVERIFY(QFile::remove(victim) && QDir().mkdir(victim));
    } else if (plant == QLatin1String("gone")) {
        QVERIFY(QFile::remove(victim));
    } else if (plant == QLatin1String("target link")) {
        // Someone who may write to the export folder put a link where the record's name folder goes.
        QVERIFY(QDir().mkpath(m_private->filePath(QStringLiteral("taken"))));
        QVERIFY(Link(m_private->filePath(QStringLiteral("taken")),
                     m_target->filePath(QStringLiteral("10.0.0.1_8000_2"))));
    } else if (plant == QLatin1String("target folder")) {
        // A folder where the copy's name goes: the copy cannot take its name, so it is not done.
        QVERIFY(QDir().mkpath(Target(1)));
    }
    // Made before the reader is let go, so it is destroyed after: a reader that waits ends first.
    CThreadExportFile worker(nullptr);
    const auto release = qScopeGuard([&freeTheReader] {
        if (freeTheReader.isEmpty())
            return;
        const int writer = ::open(QFile::encodeName(freeTheReader).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    });

    QStringList lines;
    QCOMPARE(Export(worker, &lines), int(CThreadExportFile::EXPORT_FAILED));
    const bool bothDays = plant == QLatin1String("name link") || plant == QLatin1String("target link");
    QCOMPARE(lines.size(), bothDays ? 2 : 1);
    QVERIFY2(lines.first().contains(victim), qPrintable(lines.first()));
    // A link is named where it stands: the folder, with the text that follows its name.
    const QString where =
        named.startsWith(QLatin1Char('/')) ? m_disk->path() + named + QLatin1Char(',') : named;
    if (!named.isEmpty())
        QVERIFY2(lines.first().contains(where), qPrintable(lines.first()));

    QCOMPARE(ReadAll(Target(0)), Content(0));
    QStringList expected{Target(0)};
    if (!bothDays) {
        QCOMPARE(ReadAll(Target(2)), Content(2));
        expected << Target(2);
    }
    // Nothing else, no temporary file, and nothing written through a link in the export folder.
    QCOMPARE(FilesUnder(m_target->path()), expected);
    QCOMPARE(FilesUnder(m_private->filePath(QStringLiteral("taken"))), QStringList());
}

// The copy and the folders made for it are the operator's alone, whatever the umask; an earlier copy is
// replaced with the same mode.
void TestRecordExport::copyIsOwnerOnly()
{
    const mode_t before = ::umask(0);
    const auto restore = qScopeGuard([before] { ::umask(before); });
    QVERIFY(WriteFile(Target(0), "an older copy", 0644));
    // An earlier export's folders, made with the usual permissions: closed to others' writes, so taken.
    for (const QString& folder : {QFileInfo(Target(0)).path(), QFileInfo(QFileInfo(Target(0)).path()).path()})
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    CThreadExportFile worker(nullptr);
    QStringList lines;
    QCOMPARE(Export(worker, &lines), int(CThreadExportFile::EXPORT_DONE));
    QCOMPARE(lines, QStringList());
    for (int record = 0; record < 3; ++record) {
        QCOMPARE(ReadAll(Target(record)), Content(record));
        QCOMPARE(ModeOf(Target(record)), 0600);
    }
    // The folders this export made; the one an earlier export left stays as it was.
    QCOMPARE(ModeOf(QFileInfo(Target(1)).path()), 0700);
    QCOMPARE(ModeOf(QFileInfo(QFileInfo(Target(1)).path()).path()), 0700);

    // The player is handed a path only after the same check.
    QString why;
    QVERIFY(OpenStoredRecord(Disk(0), &why).IsOpen());
    const CStoredRecordFile opened = OpenStoredRecord(Disk(0));
    QCOMPARE(opened.Size(), qint64(Content(0).size()));
    QCOMPARE(::fcntl(opened.Fd(), F_GETFL) & O_NONBLOCK, 0);
    for (const QString& path :
         {m_disk->filePath(QStringLiteral("Records/a/b")), // too short
          m_disk->filePath(QStringLiteral("Other/a/b/c.rec")),
          m_disk->filePath(QStringLiteral("Records/a/../b/c.rec")), QStringLiteral("Records/a/b/c.rec")}) {
        QVERIFY2(!OpenStoredRecord(path, &why).IsOpen(), qPrintable(path));
        QVERIFY2(why.contains(path), qPrintable(why));
    }
}

// An export of a large record ends within a bound when its thread is asked to stop in the middle of the copy
// (the program's end deletes it): nothing of the copy under way is left, nor anything after it.
void TestRecordExport::stopsAtTheNextBlock()
{
    QVERIFY(WriteFile(Disk(0), QByteArray(8 * 1024 * 1024, 'v')));
    CHeldCopy held;
    QElapsedTimer ended;
    {
        CThreadExportFile worker(nullptr);
        worker.SetExportParam({Disk(0), Disk(1)}, m_target->path());
        worker.start();
        QVERIFY(held.WaitUnderWay());
        ended.start();
    }
    QVERIFY2(ended.elapsed() < TestSupport::Bound(5000), qPrintable(QString::number(ended.elapsed())));
    QCOMPARE(FilesUnder(m_target->path()), QStringList());
}

void TestRecordExport::lastCopyStoppedIsSaidStopped_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("between two blocks") << 8 * 1024 * 1024;
    QTest::newRow("after its last block") << 1000;
}

// A stop that cuts the last record's copy short is said as a stop: its temporary file is gone and it is not
// there, so "done" would claim a copy that does not exist. The tests above stop a copy with a record after
// it, whose own check for the stop answers for the cut copy; here nothing comes after it.
void TestRecordExport::lastCopyStoppedIsSaidStopped()
{
    QFETCH(int, size);
    QVERIFY(WriteFile(Disk(2), QByteArray(size, 'v')));
    CHeldCopy held(Disk(2));
    CThreadExportFile worker(nullptr);
    QSignalSpy failed(&worker, &CThreadExportFile::SendFileFailed);
    QSignalSpy over(&worker, &CThreadExportFile::SendWriteOver);
    worker.SetExportParam({Disk(0), Disk(2)}, m_target->path());
    worker.start();
    QVERIFY(held.WaitUnderWay());
    worker.requestInterruption();
    QVERIFY(worker.wait(TestSupport::Bound(10000)));
    QCOMPARE(over.size(), 1);
    QCOMPARE(over.first().value(0).toInt(), int(CThreadExportFile::EXPORT_STOPPED));
    QCOMPARE(failed.size(), 0);
    QCOMPARE(FilesUnder(m_target->path()), QStringList{Target(0)});
}

void TestRecordExport::foreignOrOpenFoldersRefused_data()
{
    QTest::addColumn<QString>("folder"); // below the export folder
    QTest::addColumn<int>("owner");      // -1: the program's user
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("said");
    const QString name = QStringLiteral("10.0.0.1_8000_2");
    const QString day = name + QStringLiteral("/20260310");
    const QString foreign = QStringLiteral("belongs to another user (user id 65534)");
    const QString open = QStringLiteral("other users may write to the folder");
    QTest::newRow("name folder of another user") << name << 65534 << 0700 << foreign;
    QTest::newRow("day folder of another user") << day << 65534 << 0755 << foreign;
    QTest::newRow("name folder open to the group") << name << -1 << 0770 << open;
    QTest::newRow("day folder open to all, sticky") << day << -1 << 01777 << open;
    QTest::newRow("day folder open to all") << day << -1 << 0777 << open;
}

// A name or day folder below the export folder that another user made first, or that others may write to,
// would let them swap the copy for their own bytes after the export said it was done: each file that would
// go there fails alone with a line naming the folder, nothing is written into it, and the others are copied.
void TestRecordExport::foreignOrOpenFoldersRefused()
{
    QFETCH(QString, folder);
    QFETCH(int, owner);
    QFETCH(int, mode);
    QFETCH(QString, said);
    if (owner >= 0)
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    const QString at = m_target->filePath(folder);
    QVERIFY(QDir().mkpath(at));
    QVERIFY(::chmod(QFile::encodeName(QFileInfo(at).path()).constData(), 0700) == 0);
    QVERIFY(::chmod(QFile::encodeName(at).constData(), mode_t(mode)) == 0);
    if (owner >= 0)
        QVERIFY(::chown(QFile::encodeName(at).constData(), uid_t(owner), gid_t(owner)) == 0);

    CThreadExportFile worker(nullptr);
    QStringList lines;
    QCOMPARE(Export(worker, &lines), int(CThreadExportFile::EXPORT_FAILED));
    const bool bothDays = !folder.contains(QLatin1Char('/'));
    QCOMPARE(lines.size(), bothDays ? 2 : 1);
    for (const QString& line : std::as_const(lines))
        QVERIFY2(line.contains(QStringLiteral("folder ") + at) && !line.contains(at + QLatin1Char('/')) &&
                     line.contains(said),
                 qPrintable(line));
    QVERIFY2(lines.first().startsWith(Disk(1) + QStringLiteral(": ")), qPrintable(lines.first()));
    QStringList expected{Target(0)};
    if (!bothDays)
        expected << Target(2);
    QCOMPARE(FilesUnder(m_target->path()), expected);
    QCOMPARE(ReadAll(Target(0)), Content(0));
}

// A chosen folder that is not there yet is made; a record larger than the stretch between two flushes is
// copied whole, its flushes taken as done.
void TestRecordExport::largeRecordIntoAFolderNotYetThere()
{
    const QByteArray large = QByteArray(17 * 1024 * 1024, 'v') + "e";
    QVERIFY(WriteFile(Disk(1), large));
    const QString chosen = m_target->filePath(QStringLiteral("new/deeper"));
    CThreadExportFile worker(nullptr);
    QSignalSpy failed(&worker, &CThreadExportFile::SendFileFailed);
    QSignalSpy over(&worker, &CThreadExportFile::SendWriteOver);
    worker.SetExportParam({Disk(1)}, chosen);
    worker.start();
    QVERIFY(worker.wait(TestSupport::Bound(30000)));
    QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().value(0).toString()));
    QCOMPARE(over.size(), 1);
    QCOMPARE(over.first().value(0).toInt(), int(CThreadExportFile::EXPORT_DONE));
    const QString copy =
        chosen + QLatin1Char('/') + QString::fromLatin1(kRecords[1]).section(QLatin1Char('/'), -3);
    QCOMPARE(FilesUnder(chosen), QStringList{copy});
    QVERIFY(ReadAll(copy) == large);
}

void TestRecordExport::chosenFolderIsChecked_data()
{
    QTest::addColumn<int>("owner"); // -1: the program's user
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("said"); // empty: the export is made
    const QString foreign = QStringLiteral("belongs to another user (user id 65534)");
    const QString open = QStringLiteral("has no sticky bit");
    QTest::newRow("another user's") << int(OtherUser::kUid) << 0755 << foreign;
    QTest::newRow("another user's, open to all and sticky") << int(OtherUser::kUid) << 01777 << foreign;
    QTest::newRow("open to the group") << -1 << 0770 << open;
    QTest::newRow("open to all") << -1 << 0777 << open;
    QTest::newRow("open to all and sticky") << -1 << 01777 << QString();
    QTest::newRow("the program user's, closed to others") << -1 << 0755 << QString();
}

// The chosen folder is checked as the folders below it: another user who made it first, or who may rename
// entries in it, could rename the station's name folder after the export said it was done and put forged
// bytes at the copy's path. Every file fails with a line naming the folder, and nothing is written there;
// a shared folder with the sticky bit (as /tmp) keeps the station's own folders its own, and is used.
void TestRecordExport::chosenFolderIsChecked()
{
    QFETCH(int, owner);
    QFETCH(int, mode);
    QFETCH(QString, said);
    if (owner >= 0)
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    const QString chosen = m_target->path();
    QVERIFY(::chmod(QFile::encodeName(chosen).constData(), mode_t(mode)) == 0);
    if (owner >= 0)
        QVERIFY(::chown(QFile::encodeName(chosen).constData(), uid_t(owner), gid_t(owner)) == 0);
    CThreadExportFile worker(nullptr);
    QStringList lines;
    const int result = Export(worker, &lines);
    if (said.isEmpty()) {
        QCOMPARE(result, int(CThreadExportFile::EXPORT_DONE));
        QCOMPARE(FilesUnder(chosen), (QStringList{Target(0), Target(1), Target(2)}));
        return;
    }
    QCOMPARE(result, int(CThreadExportFile::EXPORT_FAILED));
    QCOMPARE(lines.size(), 3);
    for (int record = 0; record < 3; ++record)
        QVERIFY2(lines.at(record).startsWith(Disk(record) + QStringLiteral(": the export folder ") + chosen +
                                             QLatin1Char(' ')) &&
                     lines.at(record).contains(said),
                 qPrintable(lines.at(record)));
    QCOMPARE(QDir(chosen).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestRecordExport::silentVolumeIsNamedWithinTheBound_data()
{
    QTest::addColumn<QString>("when"); // the daemon stops before the export, or in a copy's middle
    QTest::addColumn<bool>("cancel");  // else the bound passes
    QTest::newRow("at the folder's lookup, bound passes") << QStringLiteral("before") << false;
    QTest::newRow("at the folder's lookup, cancelled") << QStringLiteral("before") << true;
    QTest::newRow("in a copy, bound passes") << QStringLiteral("copy") << false;
    QTest::newRow("in a copy, cancelled") << QStringLiteral("copy") << true;
    QTest::newRow("at the last flush, bound passes") << QStringLiteral("flush") << false;
    QTest::newRow("at the last flush, cancelled") << QStringLiteral("flush") << true;
}

// The chosen folder on a volume that stops answering (a FUSE view whose daemon is stopped, as a network
// share whose server went silent): the export ends within its bound naming the volume, or at once at a
// stop, and its end (as at the program's close) never waits for the volume. Once the volume answers again,
// the calls left behind end and nothing half written stays there; a copy given up while its last flush
// waited is never named afterwards, once the export said it stopped or failed.
void TestRecordExport::silentVolumeIsNamedWithinTheBound()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(QString, when);
    QFETCH(bool, cancel);
    QTemporaryDir under;
    QTemporaryDir view;
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"), {"-f", under.path(), view.path()});
    const auto resume = [&bindfs] { ::kill(pid_t(bindfs.processId()), SIGCONT); };
    const auto unmount = qScopeGuard([&] {
        resume();
        TestSupport::Unmount(view.path());
        if (!bindfs.waitForFinished(TestSupport::Bound(10000)))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view.path()) && waited.elapsed() < TestSupport::Bound(10000))
        QThread::msleep(10);
    QVERIFY2(CDriveMap::IsMountPoint(view.path()), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    const QString chosen = view.filePath(QStringLiteral("export"));
    const QString seen = under.filePath(QStringLiteral("export"));
    QVERIFY(QDir().mkpath(seen));
    QVERIFY(WriteFile(Disk(0), QByteArray(4 * 1024 * 1024, 'v')));

    const int bound = cancel ? 30000 : 1500;
    CThreadExportFile::SetVolumeBound(bound);
    const auto boundBack = qScopeGuard([] { CThreadExportFile::SetVolumeBound(0); });
    const auto stopDaemon = [&bindfs] { return ::kill(pid_t(bindfs.processId()), SIGSTOP) == 0; };
    QSemaphore stalled;
    if (when == QLatin1String("before")) {
        QVERIFY(stopDaemon());
        stalled.release();
    } else {
        // In a copy: after its first block. At the last flush: after the last block of the first record's
        // four, so that what waits is the flush and naming of a whole copy.
        const int stopAt = when == QLatin1String("flush") ? 4 : 1;
        auto blocks = std::make_shared<int>(0);
        CThreadExportFile::SetBlockHook([&, stopAt, blocks](const QString&) {
            if (++*blocks == stopAt && stalled.available() == 0 && stopDaemon())
                stalled.release();
        });
    }
    const auto hookBack = qScopeGuard([] { CThreadExportFile::SetBlockHook({}); });
    QElapsedTimer took;
    int result = -1;
    QStringList lines;
    {
        auto worker = std::make_unique<CThreadExportFile>(nullptr);
        QSignalSpy failed(worker.get(), &CThreadExportFile::SendFileFailed);
        QSignalSpy over(worker.get(), &CThreadExportFile::SendWriteOver);
        worker->SetExportParam({Disk(0), Disk(1), Disk(2)}, chosen);
        took.start();
        worker->start();
        QVERIFY(stalled.tryAcquire(1, TestSupport::Bound(10000)));
        if (cancel) {
            QThread::msleep(200); // surely waiting on the volume by now
            took.restart();
            worker->requestInterruption();
        }
        QVERIFY(worker->wait(TestSupport::Bound(cancel ? 5000 : bound + 5000)));
        worker.reset(); // as the page's end: no wait on the volume either
        QVERIFY2(took.elapsed() < TestSupport::Bound(cancel ? 2000 : bound + 3000),
                 qPrintable(QString::number(took.elapsed())));
        QVERIFY2(took.elapsed() >= (cancel ? 0 : bound - 100), qPrintable(QString::number(took.elapsed())));
        QCOMPARE(over.size(), 1);
        result = over.first().value(0).toInt();
        for (const QList<QVariant>& line : std::as_const(failed))
            lines << line.value(0).toString();
    }
    if (cancel) {
        QCOMPARE(result, int(CThreadExportFile::EXPORT_STOPPED));
        QCOMPARE(lines, QStringList());
    } else {
        QCOMPARE(result, int(CThreadExportFile::EXPORT_FAILED));
        QCOMPARE(lines.size(), 3);
        for (int record = 0; record < 3; ++record)
            QVERIFY2(lines.at(record).startsWith(Disk(record) + QStringLiteral(" cannot be written to ")) &&
                         lines.at(record).endsWith(QStringLiteral(": the volume of the export folder ") +
                                                   chosen + QStringLiteral(" does not answer.")),
                     qPrintable(lines.at(record)));
    }
    QVERIFY(VolumeCall::CallsOut() > 0);
    resume();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, TestSupport::Bound(10000));
    // The last call's own ending lets the copy go just after it is counted as back.
    QTRY_COMPARE_WITH_TIMEOUT(FilesUnder(seen), QStringList(), TestSupport::Bound(5000));

    // The volume answers again, and the program's own bound is back: the next export is made.
    CThreadExportFile::SetVolumeBound(0);
    CThreadExportFile::SetBlockHook({});
    CThreadExportFile again(nullptr);
    QSignalSpy over(&again, &CThreadExportFile::SendWriteOver);
    again.SetExportParam({Disk(1)}, chosen);
    again.start();
    QVERIFY(again.wait(TestSupport::Bound(10000)));
    QCOMPARE(over.size(), 1);
    QCOMPARE(over.first().value(0).toInt(), int(CThreadExportFile::EXPORT_DONE));
}

VARROW_TEST_MAIN(TestRecordExport, QApplication)
#include "tst_gui_recordexport.moc"

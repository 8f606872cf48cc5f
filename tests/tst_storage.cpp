// The storage layer: a recording that is lost, mixed up, reported as stored when it is not, or written
// outside its root is exactly what a backup station must never do.

#include "storage/CStowelineClass.h"
#include "model/Utility.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {

constexpr qint64 kKiB = 1024;
std::atomic<int> g_callbackCalls{0};
std::atomic<int> g_callbackArg{0};

int CountDiskFull(int full, int, int, int)
{
    ++g_callbackCalls;
    g_callbackArg = full;
    return 1;
}

STOWELINE_TIME Time(int day, int hour, int minute = 0, int second = 0)
{
    return {2024, 3, uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second), 0};
}

CHANNEL_RECORD_KEY Key(int day, int startHour, int stopHour, uint32_t type = 1)
{
    return {Time(day, startHour), Time(day, stopHour, 30, 15), type, 0};
}

// Content that differs per seed and per position, so a swapped or shifted block shows.
QByteArray Block(int seed, int index, int size)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = static_cast<quint32>(seed * 7919 + index * 104729 + 1);
    for (int i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        data[i] = static_cast<char>(x >> 24);
    }
    return data;
}

RECORD_SEARCH_COND Cond(const char* name, STOWELINE_TIME from, STOWELINE_TIME to, int type = 0)
{
    RECORD_SEARCH_COND cond;
    std::memcpy(cond.RecordName, name, std::min(std::strlen(name), sizeof(cond.RecordName)));
    cond.StartTime = from;
    cond.EndTime = to;
    cond.FileType = type;
    return cond;
}

QStringList Search(CStowelineClass& s, const RECORD_SEARCH_COND& cond)
{
    StowelineList* list = nullptr;
    QStringList paths;
    if (s.SearchChannelRecord(&cond, &list) != 0) {
        for (const STOWELINE_PATH& p : *list)
            paths.append(QFile::decodeName(p.Path));
    }
    return paths;
}

QStringList AllFiles(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void writeReadBackAndSearch();
    void reopenReplacesAndAbortKeepsTheStoredCopy();
    void twoWritersOfOneName();
    void overwriteDeletesOldestClosedNeverOpen();
    void stopModeRefusesAndFails();
    void severalRootsShareTheRecords_data();
    void severalRootsShareTheRecords();
    void outOfSpaceInOverwriteModeOverwritesAndRetries();
    void namesStayInsideTheirRoot();
    void badInputIsRefused();

private:
    bool Setup(CStowelineClass& s, bool overwrite, STOWELINE_DISKFULL_CALLBACK callback = nullptr,
               const QStringList& moreRoots = {});
    // Writes the blocks to an open record (the first as its header); how many were written before one failed.
    static int WriteBlocks(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed,
                           int blocks, int blockSize);
    // Opens, writes the blocks and closes one record; false when any step fails.
    static bool Store(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed,
                      int blocks, int blockSize);
    static QByteArray Expected(int seed, int blocks, int blockSize);

    std::unique_ptr<QTemporaryDir> m_drive;
    QString m_root;
    CQuotaRoots m_quota;
};

void TestStorage::init()
{
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    m_root = CStowelineClass::RecordRootOf(m_drive->path());
    g_callbackCalls = 0;
    g_callbackArg = 0;
}

bool TestStorage::Setup(CStowelineClass& s, bool overwrite, STOWELINE_DISKFULL_CALLBACK callback,
                        const QStringList& moreRoots)
{
    s.SetFreeSpaceProvider(m_quota.Provider());
    STOWELINE_INIT_PARAM param;
    param.DiskPaths.Append(QFile::encodeName(m_drive->path()).constData());
    for (const QString& root : moreRoots)
        param.DiskPaths.Append(QFile::encodeName(root).constData());
    param.ReserveMB = 0;
    param.Overwrite = overwrite ? 1 : 0;
    param.DiskFullCallBack = callback;
    return s.Init(&param);
}

int TestStorage::WriteBlocks(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed,
                             int blocks, int blockSize)
{
    for (int i = 0; i < blocks; ++i) {
        const QByteArray b = Block(seed, i, blockSize);
        if (!s.WriteChannelRecord(name, i == 0 ? 1 : 2, reinterpret_cast<const uint8_t*>(b.constData()),
                                  static_cast<uint32_t>(b.size()), &key))
            return i;
    }
    return blocks;
}

bool TestStorage::Store(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed,
                        int blocks, int blockSize)
{
    return s.OpenChannelRecord(name, 0, &key) &&
           WriteBlocks(s, name, key, seed, blocks, blockSize) == blocks && s.CloseChannelRecord(name, &key);
}

QByteArray TestStorage::Expected(int seed, int blocks, int blockSize)
{
    QByteArray all;
    for (int i = 0; i < blocks; ++i)
        all += Block(seed, i, blockSize);
    return all;
}

void TestStorage::writeReadBackAndSearch()
{
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "192.168.1.64_8000_1";
    const CHANNEL_RECORD_KEY key = Key(5, 3, 4);

    // While the record is open it is invisible to the search: a half-written file never looks stored.
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(WriteBlocks(s, name, key, 1, 20, 4099), 20);
    const auto wholeDay = Cond(name, Time(5, 0), Time(5, 23, 59, 59));
    QVERIFY(Search(s, wholeDay).isEmpty());
    QCOMPARE(AllFiles(m_root).size(), 1); // the temporary file only
    QVERIFY(s.CloseChannelRecord(name, &key));

    // The name carries the times and type the record page parses; the two folders above it are what export
    // keeps.
    const QString expectedPath = m_root + "/192.168.1.64_8000_1/20240305/20240305030000_20240305043015_1.rec";
    QCOMPARE(Search(s, wholeDay), QStringList{expectedPath});
    QCOMPARE(AllFiles(m_root), QStringList{expectedPath});
    QCOMPARE(ReadAll(expectedPath), Expected(1, 20, 4099));

    // Overlap, inclusive at both ends; type 0 matches every type; results sorted by start.
    QVERIFY(Store(s, name, Key(5, 1, 2, 3), 2, 1, 100));
    QVERIFY(Store(s, name, Key(4, 23, 23, 2), 3, 1, 100)); // the day before, stored last
    QCOMPARE(Search(s, Cond(name, Time(5, 4, 30, 15), Time(5, 5))).size(), 1);
    QVERIFY(Search(s, Cond(name, Time(5, 4, 30, 16), Time(5, 5))).isEmpty());
    QVERIFY(Search(s, Cond(name, Time(5, 2, 30, 16), Time(5, 2, 59, 59))).isEmpty());
    const QStringList all = Search(s, Cond(name, Time(4, 0), Time(5, 23)));
    QCOMPARE(all.size(), 3);
    QVERIFY(all[0].endsWith("/20240304/20240304230000_20240304233015_2.rec"));
    QVERIFY(all[1].endsWith("20240305010000_20240305023015_3.rec"));
    QCOMPARE(all[2], expectedPath);
    QCOMPARE(Search(s, Cond(name, Time(4, 0), Time(5, 23), 3)).size(), 1);
    QVERIFY(Search(s, Cond(name, Time(4, 0), Time(5, 23), 8)).isEmpty());
    QVERIFY(Search(s, Cond("192.168.1.64_8000_2", Time(4, 0), Time(5, 23))).isEmpty());
}

void TestStorage::reopenReplacesAndAbortKeepsTheStoredCopy()
{
    const char* name = "10.0.0.2_8000_3";
    const CHANNEL_RECORD_KEY key = Key(6, 10, 11);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    QVERIFY(Store(s, name, key, 1, 10, 1000));
    // A download restarted after a broken stream stores its key again: one clean copy, the new content.
    QVERIFY(Store(s, name, key, 2, 3, 700));
    const QStringList found = Search(s, Cond(name, Time(6, 0), Time(6, 23)));
    QCOMPARE(found.size(), 1);
    QCOMPARE(ReadAll(found[0]), Expected(2, 3, 700));

    // A download that broke off is given up: the stored copy stays, the partial one leaves no trace.
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    QCOMPARE(WriteBlocks(s, name, key, 3, 1, 500), 1);
    QVERIFY(s.AbortChannelRecord(name, &key));
    QVERIFY(!s.AbortChannelRecord(name, &key));
    QCOMPARE(AllFiles(m_root), found);

    // What a crash leaves, a temporary file nobody owns, is removed by the next set-up.
    QFile leftover(QFileInfo(found[0]).path() + "/.20240306120000_20240306123015_1.rec.999-1.part");
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    QVERIFY(Setup(s, true));
    QCOMPARE(AllFiles(m_root), found);
    QCOMPARE(ReadAll(found[0]), Expected(2, 3, 700));
}

void TestStorage::twoWritersOfOneName()
{
    // Today's file and yesterday's overdue file of one channel are written at the same time by two workers.
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.1.1.1_8000_1";
    const CHANNEL_RECORD_KEY today = Key(7, 8, 9);
    const CHANNEL_RECORD_KEY yesterday = Key(6, 8, 9);
    QVERIFY(s.OpenChannelRecord(name, 0, &today));
    QVERIFY(s.OpenChannelRecord(name, 0, &yesterday));
    std::atomic<int> failures{0};
    auto writer = [&](const CHANNEL_RECORD_KEY& key, int seed) {
        failures += 300 - WriteBlocks(s, name, key, seed, 300, 3001);
    };
    std::thread a(writer, std::cref(today), 11);
    std::thread b(writer, std::cref(yesterday), 12);
    // The record page searches beside the writers.
    for (int i = 0; i < 20; ++i)
        QVERIFY(Search(s, Cond(name, Time(6, 0), Time(7, 23))).isEmpty());
    a.join();
    b.join();
    QCOMPARE(failures.load(), 0);
    QVERIFY(s.CloseChannelRecord(name, &yesterday));
    QVERIFY(s.CloseChannelRecord(name, &today));
    const QStringList found = Search(s, Cond(name, Time(6, 0), Time(7, 23)));
    QCOMPARE(found.size(), 2);
    QCOMPARE(ReadAll(found[0]), Expected(12, 300, 3001));
    QCOMPARE(ReadAll(found[1]), Expected(11, 300, 3001));
}

void TestStorage::overwriteDeletesOldestClosedNeverOpen()
{
    m_quota.SetQuota(m_drive->path(), 1000 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* name = "10.2.2.2_8000_1";
    // Stored out of start order, so the deletion order can only come from the start times.
    QVERIFY(Store(s, name, Key(8, 3, 4), 3, 5, 50 * kKiB));
    QVERIFY(Store(s, name, Key(8, 1, 2), 1, 5, 50 * kKiB));
    QVERIFY(Store(s, name, Key(8, 2, 3), 2, 5, 50 * kKiB));

    // The open record is older than all of them and still must not be touched.
    const CHANNEL_RECORD_KEY open = Key(8, 0, 1);
    QVERIFY(s.OpenChannelRecord(name, 0, &open));
    // 600 KiB more than fits beside the three stored 250 KiB records.
    QCOMPARE(WriteBlocks(s, name, open, 4, 12, 50 * kKiB), 12);
    QVERIFY(CQuotaRoots::UsedBytes(m_drive->path()) <= 1000 * kKiB);
    const QStringList left = Search(s, Cond(name, Time(8, 0), Time(8, 23)));
    QCOMPARE(left.size(), 1);
    QVERIFY(left[0].endsWith("20240308030000_20240308043015_1.rec"));

    QVERIFY(s.CloseChannelRecord(name, &open));
    const QStringList after = Search(s, Cond(name, Time(8, 0), Time(8, 23)));
    QCOMPARE(after.size(), 2);
    QCOMPARE(ReadAll(after[0]), Expected(4, 12, 50 * kKiB));

    // Nothing closed left to delete: a write that does not fit fails the record instead of growing past the
    // quota.
    const CHANNEL_RECORD_KEY big = Key(9, 0, 1);
    QVERIFY(s.OpenChannelRecord(name, 0, &big));
    QVERIFY(WriteBlocks(s, name, big, 5, 30, 50 * kKiB) < 30);
    QVERIFY(!s.CloseChannelRecord(name, &big));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_FAILED));
    QVERIFY(Search(s, Cond(name, Time(9, 0), Time(9, 23))).isEmpty());
}

void TestStorage::stopModeRefusesAndFails()
{
    m_quota.SetQuota(m_drive->path(), 300 * kKiB);
    CStowelineClass s;
    QVERIFY(Setup(s, false, CountDiskFull));
    const char* name = "10.3.3.3_8000_2";
    const CHANNEL_RECORD_KEY key = Key(10, 5, 6);
    QVERIFY(Store(s, name, key, 1, 2, 50 * kKiB)); // an earlier copy of the same key

    // The replacement runs out of room: the write fails, the callback hears 1 once, the earlier copy stays.
    QVERIFY(s.OpenChannelRecord(name, 0, &key));
    const QByteArray b = Block(2, 0, 150 * kKiB);
    const auto* data = reinterpret_cast<const uint8_t*>(b.constData());
    QVERIFY(s.WriteChannelRecord(name, 1, data, 150 * kKiB, &key));
    QVERIFY(!s.WriteChannelRecord(name, 2, data, 150 * kKiB, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
    QVERIFY(!s.WriteChannelRecord(name, 2, data, 10, &key));
    QCOMPARE(g_callbackCalls.load(), 1);
    QCOMPARE(g_callbackArg.load(), 1);
    QVERIFY(!s.CloseChannelRecord(name, &key));
    const QStringList files = AllFiles(m_root);
    QCOMPARE(files.size(), 1); // no temporary file, no second copy
    QCOMPARE(ReadAll(files[0]), Expected(1, 2, 50 * kKiB));

    // A full disk refuses to open and deletes nothing.
    QVERIFY(Store(s, name, Key(10, 7, 8), 3, 4, 50 * kKiB));
    const CHANNEL_RECORD_KEY refused = Key(10, 9, 10);
    QVERIFY(!s.OpenChannelRecord(name, 0, &refused));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_DISK_FULL));
    QCOMPARE(AllFiles(m_root).size(), 2);
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
    QVERIFY(Setup(s, overwrite, CountDiskFull, {second.path()}));
    const char* name = "10.4.4.4_8000_1";
    QVERIFY(Store(s, name, Key(13, 0, 1), 1, 1, 20 * kKiB)); // an old record, on the roomier first root
    const CHANNEL_RECORD_KEY moving = Key(13, 2, 3);
    QVERIFY(s.OpenChannelRecord(name, 0, &moving));          // the first root still has the most room
    QVERIFY(Store(s, name, Key(13, 4, 5), 2, 6, 50 * kKiB)); // 300 KiB beside it on the same root
    QCOMPARE(WriteBlocks(s, name, moving, 3, 6, 50 * kKiB), 6);
    QVERIFY(s.CloseChannelRecord(name, &moving));
    QCOMPARE(g_callbackCalls.load(), 0);
    const QStringList found = Search(s, Cond(name, Time(13, 0), Time(13, 23)));
    QCOMPARE(found.size(), 3);
    QVERIFY(found[1].startsWith(CStowelineClass::RecordRootOf(second.path())));
    QCOMPARE(ReadAll(found[1]), Expected(3, 6, 50 * kKiB));
    QCOMPARE(AllFiles(CStowelineClass::RecordRootOf(second.path())), QStringList{found[1]});

    // A new record starts on the root with the most room, now the first one again.
    QVERIFY(Store(s, name, Key(13, 6, 7), 4, 1, 10 * kKiB));
    QVERIFY(Search(s, Cond(name, Time(13, 6), Time(13, 6, 30))).value(0).startsWith(m_root));
}

void TestStorage::outOfSpaceInOverwriteModeOverwritesAndRetries()
{
    // The file system runs out before the estimate does: until the oldest record is gone every write fails
    // with ENOSPC, as a full disk does. Overwrite mode deletes it and writes again; stop mode fails the
    // record.
    for (const bool overwrite : {true, false}) {
        init();
        CStowelineClass s;
        QVERIFY(Setup(s, overwrite, CountDiskFull));
        const char* name = "10.5.5.5_8000_1";
        QVERIFY(Store(s, name, Key(14, 0, 1), 1, 1, 1000));
        QVERIFY(Store(s, name, Key(14, 1, 2), 2, 1, 1000));
        const QString oldest = Search(s, Cond(name, Time(14, 0), Time(14, 0, 30))).value(0);
        s.SetWriteFault([oldest](const QString&) { return QFile::exists(oldest) ? ENOSPC : 0; });
        const bool stored = Store(s, name, Key(14, 2, 3), 3, 2, 1000);
        QCOMPARE(stored, overwrite);
        QCOMPARE(QFile::exists(oldest), !overwrite);
        QCOMPARE(Search(s, Cond(name, Time(14, 0), Time(14, 23))).size(), 2);
        QCOMPARE(g_callbackCalls.load(), overwrite ? 0 : 1);
        if (overwrite)
            QCOMPARE(ReadAll(Search(s, Cond(name, Time(14, 2, 40), Time(14, 3))).value(0)),
                     Expected(3, 2, 1000));
    }
}

void TestStorage::namesStayInsideTheirRoot()
{
    CStowelineClass s;
    QVERIFY(Setup(s, true));
    const char* names[] = {"../../escape", "..",      ".",    "a/b",      "/abs",
                           "%2E%2E",       ".hidden", "x\\y", "\xE9t\xE9"};
    int seed = 0;
    for (const char* name : names)
        QVERIFY2(Store(s, name, Key(11, 1, 2), ++seed, 1, 64), name);

    // Every file lies exactly two folders below the root, one folder per name, and each name finds only its
    // own.
    QCOMPARE(QDir(m_drive->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Records"});
    const QStringList files = AllFiles(m_root);
    QCOMPARE(files.size(), int(std::size(names)));
    QStringList folders;
    for (const QString& f : files) {
        const QStringList parts = f.mid(m_root.size() + 1).split('/');
        QCOMPARE(parts.size(), 3);
        QVERIFY(!parts[0].startsWith('.'));
        folders.append(parts[0]);
    }
    folders.removeDuplicates();
    QCOMPARE(folders.size(), int(std::size(names)));
    seed = 0;
    for (const char* name : names) {
        const QStringList found = Search(s, Cond(name, Time(11, 0), Time(11, 23)));
        QCOMPARE(found.size(), 1);
        QCOMPARE(ReadAll(found[0]), Expected(++seed, 1, 64));
    }
    // A record the search could not return is refused, never stored unfindable: a name longer than the
    // search condition's field, or a path longer than one search answer. The longest that fit are found.
    const CHANNEL_RECORD_KEY key = Key(11, 1, 2);
    const int pathRoom = 259 - int(QFile::encodeName(m_root).size()) - int(strlen("//20240311/")) -
                         int(strlen("20240311010000_20240311023015_1.rec"));
    QVERIFY(pathRoom > 60 && pathRoom < 3 * 66);
    for (const QByteArray& refused :
         {QByteArray(), QByteArray(129, 'a'), QByteArray(pathRoom / 3 + 1, '#')}) {
        QVERIFY(!s.OpenChannelRecord(refused.constData(), 0, &key));
        QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_PARAM));
    }
    for (const QByteArray& longest :
         {QByteArray(std::min(pathRoom, 128), 'a'), QByteArray(pathRoom / 3, '#')}) {
        QVERIFY(Store(s, longest.constData(), key, 1, 1, 8));
        QCOMPARE(Search(s, Cond(longest.constData(), Time(11, 0), Time(11, 23))).size(), 1);
    }
}

void TestStorage::badInputIsRefused()
{
    CStowelineClass s;
    const CHANNEL_RECORD_KEY key = Key(12, 1, 2);
    QVERIFY(!s.OpenChannelRecord("n", 0, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NOT_INIT));
    STOWELINE_INIT_PARAM empty;
    QVERIFY(!s.Init(&empty));
    QVERIFY(Setup(s, true));

    CHANNEL_RECORD_KEY bad = key;
    std::swap(bad.StartTime, bad.StopTime); // stops before it starts
    QVERIFY(!s.OpenChannelRecord("n", 0, &bad));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_PARAM));
    QVERIFY(s.OpenChannelRecord("n", 0, &key));
    QVERIFY(!s.OpenChannelRecord("n", 0, &key));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_ALREADY_OPEN));
    const uint8_t byte = 7;
    QVERIFY(!s.WriteChannelRecord("n", 3, &byte, 1, &key)); // neither header nor stream
    QVERIFY(s.WriteChannelRecord("n", 2, &byte, 1, &key));  // and the record is still good
    const CHANNEL_RECORD_KEY other = Key(12, 3, 4);
    QVERIFY(!s.WriteChannelRecord("n", 2, &byte, 1, &other));
    QCOMPARE(s.GetLastError(), int(STOWELINE_ERR_NOT_OPEN));
    QVERIFY(s.CloseChannelRecord("n", &key));
    QVERIFY(!s.CloseChannelRecord("n", &key));

    // Uninit discards what nobody closed: no stored file, no temporary file.
    QVERIFY(s.OpenChannelRecord("n", 0, &other));
    s.Uninit();
    QCOMPARE(AllFiles(m_root).size(), 1);
}

VARROW_TEST_MAIN(TestStorage, QCoreApplication)
#include "tst_storage.moc"

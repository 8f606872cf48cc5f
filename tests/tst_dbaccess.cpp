// The database on a real file: an older file is brought up to date and an unusable one refused, errors reach
// the caller, a transaction is whole or nothing, and what is saved comes back the same and in the same order.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/TaskStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <atomic>
#include <memory>
#include <thread>

class TestDbAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void olderFileGetsMissingTablesAndColumns();
    void fileLackingAColumnIsRefused();
    void steppingErrorIsNoEndOfRows();
    void transactionsAreWholeOrNothing();
    void deviceFailsWhole();
    void planKeepsChannelOrder();
    void taskListsFailWholeAndMarkOneFile();
    void logCutsWholeCharactersAndPrunesOldestSecond();
    void logLosesNothingFromFourThreads();
};

namespace {

void WriteOldFile(const CTempDatabase& temp, const std::string& sql)
{
    CSQLite3DB old;
    old.Open(QFile::encodeName(temp.DbPath()).toStdString());
    old.Exec(sql);
}

DEVICE_INFO MakeDevice(int index, const char* name)
{
    DEVICE_INFO d;
    d.IsUsed = 1;
    CopyString16(d.DeviceIP, "10.0.0.1");
    CopyString33(d.DeviceName, name);
    d.CameraNum = 4;
    for (int i = 0; i < 4; ++i)
        d.Camera[i] = {int16_t(index), int16_t(i + 1)};
    return d;
}

// A work list of `tasks` tasks of two files each.
QList<TASK_INFO> MakeTaskList(int group, int tasks)
{
    QList<TASK_INFO> list;
    for (int t = 0; t < tasks; ++t) {
        TASK_INFO task;
        task.TaskTime = QDate(2024, 3, 31);
        task.GroupID = int16_t(group);
        task.CameraIndex = int16_t(t + 1);
        for (int f = 0; f < 2; ++f) {
            FILE_INFO file;
            ParseDateTimeText(f == 0 ? "2024-03-31 02:10:00" : "2024-03-31 01:00:00", &file.FileStartTime);
            ParseDateTimeText(f == 0 ? "2024-03-31 02:50:00" : "2024-03-31 01:59:59", &file.FileStopTime);
            file.FileSize = 1000 * (t + 1) + f;
            task.FileList.append(file);
        }
        list.append(task);
    }
    return list;
}

} // namespace

void TestDbAccess::olderFileGetsMissingTablesAndColumns()
{
    CTempDatabase temp;
    // An earlier installation: some tables only, the channel table without the list positions and keyed
    // without the kind of channel, the settings row deleted by its operator.
    WriteOldFile(
        temp, "CREATE TABLE Camera_Table (DeviceID INTEGER NOT NULL, CameraIndex INTEGER NOT NULL, "
              "IsAddToGroup INTEGER NOT NULL DEFAULT 0, GroupID INTEGER NOT NULL DEFAULT -1, IsAddToManual "
              "INTEGER NOT NULL DEFAULT 0, IsIP INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (DeviceID, "
              "CameraIndex)); INSERT INTO Camera_Table VALUES (1, 2, 1, 3, 0, 0);"
              "CREATE TABLE SystemConfig_Table (IsAutoRun, OSUsername, OSPassword, BackupMode, DiskMode, "
              "Disk, IsEnableEmail, ReconnetNum);");
    CSQLite3DB& db = temp.Reopen();
    QVERIFY2(db.IsOpen(), MainDbError().c_str());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), 10);
    QCOMPARE(CountRows("SELECT GroupID * 10 + GroupPos FROM Camera_Table WHERE DeviceID = 1"), 29);
    QVERIFY(db.Exec("INSERT INTO Camera_Table (DeviceID, CameraIndex, IsIP) VALUES (1, 2, 1);"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 0); // an existing table keeps its rows
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);         // a new table gets its default row
    temp.Reopen();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);
}

void TestDbAccess::fileLackingAColumnIsRefused()
{
    CTempDatabase temp;
    WriteOldFile(temp, "CREATE TABLE Log_Table (LogTime, LogType, LogSubType);");
    const qint64 size = QFileInfo(temp.DbPath()).size();
    CSQLite3DB& db = temp.Reopen();
    QVERIFY(!db.IsOpen());
    QVERIFY2(QByteArray::fromStdString(MainDbError()).contains("Log_Table lacks the column LogContents"),
             MainDbError().c_str());
    // Nothing loads half and nothing is written: every operation reports failure.
    QVERIFY(!std::make_unique<CSysInfoManage>()->LoadAllInfo());
    QVERIFY(!db.Exec("SELECT 1") && !DbBeginTransaction());
    QCOMPARE(QFileInfo(temp.DbPath()).size(), size);
}

void TestDbAccess::steppingErrorIsNoEndOfRows()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    // Wrong number of values is refused rather than bound as NULL.
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Exec("UPDATE Mail_Table SET SMTPPort = ?", {1, 2}));
    // The second row fails while stepping (integer overflow): it must not read as the end of the rows.
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT CASE WHEN column1 = 2 THEN abs(-9223372036854775807 - 1) ELSE column1 END "
                     "FROM (VALUES (1), (2), (3))",
                     rs));
    QCOMPARE(rs.GetInt(0), 1);
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, rs.Next());
}

void TestDbAccess::transactionsAreWholeOrNothing()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    {
        CDbTransaction outer(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 1");
        {
            CDbTransaction inner(db); // left without commit: only the inner change goes
            db.Exec("UPDATE Mail_Table SET SMTPPort = 2");
        }
        outer.Commit();
    }
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);

    // A deferred constraint makes the commit itself fail: everything since the begin is undone.
    db.Exec("CREATE TABLE Parent (id INTEGER PRIMARY KEY); CREATE TABLE Child (pid REFERENCES Parent(id) "
            "DEFERRABLE INITIALLY DEFERRED); PRAGMA foreign_keys = ON;");
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 6");
    db.Exec("INSERT INTO Child VALUES (42)");
    // Another thread's statement waits for the end instead of falling into the transaction.
    QSemaphore started;
    std::atomic<bool> done{false};
    std::thread other([&] {
        started.release();
        db.Exec("UPDATE Mail_Table SET SMTPPort = 7");
        done = true;
    });
    started.acquire();
    QSemaphore().tryAcquire(1, 200); // time for a statement that does not wait to run
    QVERIFY(!done);
    QVERIFY(!db.CommitTransaction());
    other.join();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Child"), 0);
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 7);
}

void TestDbAccess::deviceFailsWhole()
{
    // A channel row that already exists makes the third channel fail: neither the device nor its first
    // channels may stay behind.
    CTempDatabase temp;
    DEVICE_INFO d = MakeDevice(3, "Yard");
    QVERIFY(DbInsertCameraInfo(&d.Camera[2]));
    QVERIFY(!DbInsertDeviceInfo(3, &d));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 1);
}

void TestDbAccess::planKeepsChannelOrder()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero");
    DEVICE_INFO d1 = MakeDevice(1, "One");
    QVERIFY(DbInsertDeviceInfo(0, &d0) && DbInsertDeviceInfo(1, &d1));
    // Saved as channel 3 of device 1, then channel 2 of device 0: the task lists name channels by this place,
    // so it must come back in this order although device 0's rows come first in the table.
    GROUP_INFO g;
    g.bUsed = 1;
    CopyString33(g.GroupName, "Night's plan");
    g.Channel[0] = {1, 3};
    g.Channel[1] = {0, 2};
    QVERIFY(DbSaveGroupInfo(5, &g));
    temp.Reopen();
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(5, &read));
    QCOMPARE(QByteArray(read.GroupName), QByteArray("Night's plan"));
    QCOMPARE(read.Channel[0].DeviceID * 10 + read.Channel[0].CameraIndex, 13);
    QCOMPARE(read.Channel[1].DeviceID * 10 + read.Channel[1].CameraIndex, 2);
}

void TestDbAccess::taskListsFailWholeAndMarkOneFile()
{
    CTempDatabase temp;
    // A failing insert keeps the list as it was instead of leaving it empty or doubled.
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 2), 4, 0));
    Refuse("INSERT", "FileInfo_Table", "WHEN NEW.FileSize = 2001");
    QVERIFY(!DbSaveTaskList(MakeTaskList(4, 3), 4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4"), 4);
    AllowAll();

    // A done mark hits exactly one file, although the overdue list holds the same times.
    const QList<TASK_INFO> list = MakeTaskList(3, 2);
    QVERIFY(DbSaveTaskList(list, 3, 0) && DbSaveTaskList(list, 3, 1));
    const FILE_INFO& file = list[0].FileList[0];
    QVERIFY(DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, 3, list[0].CameraIndex, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 1);
    QList<FILE_INFO> files;
    QVERIFY(DbSelectFileInfo(&files, 3, list[0].CameraIndex, 0));
    QCOMPARE(files[0].DownloadState * 10 + files[1].DownloadState, DOWNLOAD_DONE * 10 + DOWNLOAD_NOT_STARTED);
}

void TestDbAccess::logCutsWholeCharactersAndPrunesOldestSecond()
{
    CTempDatabase temp;
    // 198 ASCII bytes then a two-byte character: 200 bytes do not fit, the character goes whole.
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, QString(198, QLatin1Char('b')) + QChar(0xE9)),
             1);
    QCOMPARE(CountRows("SELECT length(CAST(LogContents AS BLOB)) FROM Log_Table"), 198);

    // 30,000 rows of which three share the oldest second: the next entry drops all three.
    const int64_t first = 1600000000;
    {
        CDbTransaction transaction(GetMainDB());
        for (int i = 1; i < LOG_MAX_ROWS; ++i)
            GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'old')",
                             {FormatDateTimeText(first + std::max(i, 3))});
        transaction.Commit();
    }
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 2);
    // A refused entry is reported as not written.
    Refuse("INSERT", "Log_Table");
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, "Close Software"), 0);
}

void TestDbAccess::logLosesNothingFromFourThreads()
{
    CTempDatabase temp;
    std::atomic<int> stored{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &stored] {
            for (int i = 0; i < 250; ++i)
                stored += WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                                   QStringLiteral("%1 %2").arg(t).arg(i));
        });
    for (auto& thread : threads)
        thread.join();
    QCOMPARE(stored.load(), 1000);
    QCOMPARE(CountRows("SELECT COUNT(DISTINCT LogContents) FROM Log_Table"), 1000);
}

VARROW_TEST_MAIN(TestDbAccess, QCoreApplication)
#include "tst_dbaccess.moc"

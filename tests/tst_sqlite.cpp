// The SQLite layer: errors must reach the caller, a transaction must be whole or nothing, and a fresh install
// must get its tables without touching an existing file.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <atomic>
#include <memory>
#include <thread>

class TestSqlite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void olderFileGetsMissingTablesAndColumns();
    void fileLackingAColumnIsRefused();
    void steppingErrorIsNoEndOfRows();
    void transactionsAreWholeOrNothing();
    void unreadableDateTimeTextsAreRefused();
};

namespace {

void WriteOldFile(const CTempDatabase& temp, const std::string& sql)
{
    CSQLite3DB old;
    old.Open(QFile::encodeName(temp.DbPath()).toStdString());
    old.Exec(sql);
}

} // namespace

void TestSqlite::olderFileGetsMissingTablesAndColumns()
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
    // Opening again adds no second default row.
    temp.Reopen();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);
}

void TestSqlite::fileLackingAColumnIsRefused()
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

void TestSqlite::steppingErrorIsNoEndOfRows()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    CSQLite3Recordset rs;
    // Wrong number of values is refused rather than bound as NULL.
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Exec("UPDATE Mail_Table SET SMTPPort = ?", {1, 2}));
    // The second row fails while stepping (integer overflow): it must not read as the end of the rows.
    QVERIFY(db.Query("SELECT CASE WHEN column1 = 2 THEN abs(-9223372036854775807 - 1) ELSE column1 END "
                     "FROM (VALUES (1), (2), (3))",
                     rs));
    QCOMPARE(rs.GetInt(0), 1);
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, rs.Next());
}

void TestSqlite::transactionsAreWholeOrNothing()
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
    QVERIFY(!db.CommitTransaction()); // nothing begun: refused, no lock released that was never taken

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

void TestSqlite::unreadableDateTimeTextsAreRefused()
{
    // Refused, never read as another time.
    NET_DVR_TIME t;
    QVERIFY(!ParseDateTimeText("2024-3-1 02:30:00", &t));
    QVERIFY(!ParseDateTimeText("2024-02-30 02:30:00", &t));
    int h = 0, m = 0, s = 0;
    QVERIFY(!ParseTimeOfDayText("24:0:0", &h, &m, &s) && !ParseTimeOfDayText("9:5", &h, &m, &s));
}

VARROW_TEST_MAIN(TestSqlite, QCoreApplication)
#include "tst_sqlite.moc"

// The SQLite layer: errors must reach the caller, a transaction must be whole or nothing, and a fresh install
// must get its tables without touching an existing file.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/SysInfoManage.h"
#include "model/SQLite3DB.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

class TestSqlite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileGetsSchemaAndDefaultRows();
    void olderFileGetsMissingTablesAndColumns();
    void unusableFileIsRefusedWithItsCause_data();
    void unusableFileIsRefusedWithItsCause();
    void recordsetReadsChecksAndFails();
    void transactionsAreWholeOrNothing();
    void dateTimeTexts();
};

void TestSqlite::missingFileGetsSchemaAndDefaultRows()
{
    CTempDatabase temp;
    QVERIFY(temp.Db().IsOpen());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), 10);
    QCOMPARE(CountRows("SELECT ReconnetNum FROM SystemConfig_Table"), 9);
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 25);
    QCOMPARE(CountRows("PRAGMA user_version"), VARROW_SCHEMA_VERSION);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Log_Table'"),
             1);
    // Opening again adds no second default row.
    temp.Reopen();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 1);
    QVERIFY(MainDbError().empty());
}

void TestSqlite::olderFileGetsMissingTablesAndColumns()
{
    CTempDatabase temp;
    {
        // An earlier installation: some tables only, the channel table without the list positions and keyed
        // without the kind of channel, the settings row deleted by its operator.
        CSQLite3DB old;
        old.Open(QFile::encodeName(temp.DbPath()).toStdString());
        old.Exec(
            "CREATE TABLE Camera_Table (DeviceID INTEGER NOT NULL, CameraIndex INTEGER NOT NULL, "
            "IsAddToGroup INTEGER NOT NULL DEFAULT 0, GroupID INTEGER NOT NULL DEFAULT -1, IsAddToManual "
            "INTEGER NOT NULL DEFAULT 0, IsIP INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (DeviceID, "
            "CameraIndex)); INSERT INTO Camera_Table VALUES (1, 2, 1, 3, 0, 0);"
            "CREATE TABLE SystemConfig_Table (IsAutoRun, OSUsername, OSPassword, BackupMode, DiskMode, Disk, "
            "IsEnableEmail, ReconnetNum); PRAGMA user_version = 77;");
    }
    CSQLite3DB& db = temp.Reopen();
    QVERIFY2(db.IsOpen(), MainDbError().c_str());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), 10);
    QCOMPARE(CountRows("SELECT GroupID * 10 + GroupPos FROM Camera_Table WHERE DeviceID = 1"), 29);
    QVERIFY(db.Exec("INSERT INTO Camera_Table (DeviceID, CameraIndex, IsIP) VALUES (1, 2, 1);"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Camera_Table_GroupID'"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 0); // an existing table keeps its rows
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);         // a new table gets its default row
    QCOMPARE(CountRows("PRAGMA user_version"), 77);
}

void TestSqlite::unusableFileIsRefusedWithItsCause_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("cause");
    QTest::newRow("not a database") << QByteArray(8192, 'x') << QByteArray("not a database");
    QTest::newRow("table lacks a column")
        << QByteArray("CREATE TABLE Log_Table (LogTime, LogType, LogSubType);")
        << QByteArray("Log_Table lacks the column LogContents");
}

void TestSqlite::unusableFileIsRefusedWithItsCause()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, cause);
    CTempDatabase temp;
    if (content.startsWith("CREATE")) {
        CSQLite3DB old;
        old.Open(QFile::encodeName(temp.DbPath()).toStdString());
        old.Exec(content.toStdString());
    } else {
        QFile junk(temp.DbPath());
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(content) == content.size());
    }
    const qint64 size = QFileInfo(temp.DbPath()).size();
    CSQLite3DB& db = temp.Reopen();
    QVERIFY(!db.IsOpen());
    QVERIFY2(QByteArray::fromStdString(MainDbError()).contains(cause), MainDbError().c_str());
    // Nothing loads half and nothing is written: every operation reports failure.
    QVERIFY(!std::make_unique<CSysInfoManage>()->LoadAllInfo());
    CSQLite3Recordset rs;
    QVERIFY(!db.Exec("SELECT 1") && !db.Query("SELECT 1", rs));
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, CDbTransaction transaction(db));
    QVERIFY(!DbBeginTransaction());
    QCOMPARE(QFileInfo(temp.DbPath()).size(), size); // the file is left as it was
}

void TestSqlite::recordsetReadsChecksAndFails()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT 5 AS Num, 'a' || char(0) || 'b' AS Text, 9000000000 AS Big", rs));
    QCOMPARE(rs.GetInt("Num"), 5);
    QCOMPARE(rs.GetFieldIndex("num"), -1); // names match exactly
    QCOMPARE(rs.GetString("Text"), std::string("a\0b", 3));
    QCOMPARE(rs.GetInt64(2), int64_t(9000000000));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, rs.GetInt(3));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rs.GetInt("Missing"));
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
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, [&db] {
        CDbTransaction transaction(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 3");
        db.Exec("INSERT INTO NoSuchTable VALUES (1)");
        transaction.Commit();
    }());
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);

    QVERIFY(!db.CommitTransaction()); // nothing begun: refused, no lock released that was never taken
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 5");
    QVERIFY(db.CommitTransaction());
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
    // Everything since the begin is undone; the other thread's change, made after it, stays.
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Child"), 0);
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 7);
}

void TestSqlite::dateTimeTexts()
{
    // (Round trips of both texts are the database tests' plans and manual plan.) What cannot be read is
    // refused, never read as another time.
    NET_DVR_TIME t;
    QVERIFY(!ParseDateTimeText("2024-3-1 02:30:00", &t)); // 17 bytes
    QVERIFY(!ParseDateTimeText("2024-02-30 02:30:00", &t));
    QCOMPARE(DateTimeTextToSecs("2024-01-01 00:00:0"), int64_t(0));
    QCOMPARE(DateTimeTextToSecs(FormatDateTimeText(int64_t(1700000000))), int64_t(1700000000));
    int h = 0, m = 0, s = 0;
    QVERIFY(!ParseTimeOfDayText("24:0:0", &h, &m, &s) && !ParseTimeOfDayText("9:5", &h, &m, &s));
}

VARROW_TEST_MAIN(TestSqlite, QCoreApplication)
#include "tst_sqlite.moc"

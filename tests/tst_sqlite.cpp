// The SQLite layer: errors must reach the caller, a transaction must be whole or nothing, and a fresh install
// must get its tables without touching an existing file.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/SysInfoManage.h"
#include "model/SQLite3DB.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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
    void recordsetReadsAndChecksIndexes();
    void stepErrorPropagates();
    void transactionRollsBackUnlessCommitted();
    void outerTransactionAndFailedCommit();
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
    CSQLite3DB& db = temp.Reopen();
    QVERIFY(!db.IsOpen());
    QVERIFY2(QByteArray::fromStdString(MainDbError()).contains(cause), MainDbError().c_str());
    // Nothing loads half and nothing is written: every operation reports failure.
    QVERIFY(!std::make_unique<CSysInfoManage>()->LoadAllInfo());
    CSQLite3Recordset rs;
    QVERIFY(!db.Exec("SELECT 1") && !db.Query("SELECT 1", rs));
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, CDbTransaction transaction(db));
    QVERIFY(!DbBeginTransaction());
    // The file is left as it was.
    if (content.startsWith("CREATE")) {
        CSQLite3DB file;
        file.Open(QFile::encodeName(temp.DbPath()).toStdString());
        CSQLite3Recordset tables;
        file.Query("SELECT COUNT(*) FROM sqlite_master", tables);
        QCOMPARE(tables.GetInt(0), 1);
    } else {
        QCOMPARE(QFileInfo(temp.DbPath()).size(), content.size());
    }
}

void TestSqlite::recordsetReadsAndChecksIndexes()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT 5 AS Num, NULL AS Empty, 'a' || char(0) || 'b' AS Text, 9000000000 AS Big", rs));
    QVERIFY(!rs.IsEof());
    QCOMPARE(rs.GetInt("Num"), 5);
    QCOMPARE(rs.GetFieldIndex("num"), -1); // names match exactly
    QCOMPARE(rs.GetString(1), std::string());
    QCOMPARE(rs.GetString("Text"), std::string("a\0b", 3));
    QCOMPARE(rs.GetInt64(3), int64_t(9000000000));
    // NULL reads as midnight of 4 January 1970, local time.
    QCOMPARE(rs.GetTime(1), QDateTime(QDate(1970, 1, 4), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, rs.GetInt(4));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, rs.GetString(-1));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rs.GetInt("Missing"));
    QVERIFY(!rs.Next());
    QVERIFY(rs.IsEof());

    QVERIFY(db.Query("SELECT * FROM Log_Table", rs));
    QVERIFY(rs.IsEof());

    // Wrong number of values is refused rather than bound as NULL.
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Exec("UPDATE Mail_Table SET SMTPPort = ?", {1, 2}));
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Query("SELECT * FROM NoSuchTable", rs));
}

void TestSqlite::stepErrorPropagates()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    // The second row fails while stepping (integer overflow): it must not read as the end of the rows.
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT CASE WHEN column1 = 2 THEN abs(-9223372036854775807 - 1) ELSE column1 END "
                     "FROM (VALUES (1), (2), (3))",
                     rs));
    QCOMPARE(rs.GetInt(0), 1);
    try {
        rs.Next();
        QFAIL("a failing step reads as the end of the rows");
    } catch (const CSQlite3Error& e) {
        QCOMPARE(e.Code(), SQLITE_ERROR);
        QVERIFY(QByteArray(e.what()).contains("overflow"));
    }
}

void TestSqlite::transactionRollsBackUnlessCommitted()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    {
        CDbTransaction outer(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 1");
        {
            CDbTransaction inner(db);
            db.Exec("UPDATE Mail_Table SET SMTPPort = 2");
            // Leaves without commit: only the inner change goes.
        }
        QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);
        outer.Commit();
    }
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);
    try {
        CDbTransaction transaction(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 3");
        db.Exec("INSERT INTO NoSuchTable VALUES (1)");
        transaction.Commit();
        QFAIL("no error");
    } catch (const CSQlite3Error&) {
    }
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);
}

void TestSqlite::outerTransactionAndFailedCommit()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    QVERIFY(!db.CommitTransaction()); // nothing begun: refused, no lock released that was never taken
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 5");
    {
        CDbTransaction inner(db);
        db.Exec("UPDATE Mail_Table SET MailTo = 'x'");
        inner.Commit();
    }
    QVERIFY(db.CommitTransaction());
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 5);

    // A deferred constraint makes the commit itself fail: everything since the begin is undone.
    db.Exec("CREATE TABLE Parent (id INTEGER PRIMARY KEY); CREATE TABLE Child (pid REFERENCES Parent(id) "
            "DEFERRABLE INITIALLY DEFERRED); PRAGMA foreign_keys = ON;");
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 6");
    db.Exec("INSERT INTO Child VALUES (42)");
    QVERIFY(!db.CommitTransaction());
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 5);
    // The connection is usable and unlocked for other threads afterwards.
    std::thread other([&db] { db.Exec("UPDATE Mail_Table SET SMTPPort = 7"); });
    other.join();
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 7);
}

void TestSqlite::dateTimeTexts()
{
    NET_DVR_TIME t;
    QVERIFY(ParseDateTimeText("2024-03-31 02:30:00", &t));
    QCOMPARE(int(t.Year), 2024);
    QCOMPARE(int(t.Hour), 2);
    QCOMPARE(int(t.Minute), 30);
    QCOMPARE(FormatDateTimeText(t), std::string("2024-03-31 02:30:00"));
    QVERIFY(!ParseDateTimeText("2024-3-1 02:30:00", &t)); // 17 bytes
    QVERIFY(!ParseDateTimeText("2024-02-30 02:30:00", &t));
    QCOMPARE(DateTimeTextToSecs("2024-01-01 00:00:0"), int64_t(0));
    const int64_t now = 1700000000;
    QCOMPARE(DateTimeTextToSecs(FormatDateTimeText(now)), now);

    int h = 0, m = 0, s = 0;
    QCOMPARE(FormatTimeOfDayText(9, 5, 0), std::string("9:5:0"));
    QVERIFY(ParseTimeOfDayText("9:5:0", &h, &m, &s));
    QCOMPARE(h * 10000 + m * 100 + s, 90500);
    QVERIFY(!ParseTimeOfDayText("24:0:0", &h, &m, &s));
    QVERIFY(!ParseTimeOfDayText("9:5", &h, &m, &s));
}

VARROW_TEST_MAIN(TestSqlite, QCoreApplication)
#include "tst_sqlite.moc"

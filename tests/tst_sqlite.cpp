// The SQLite layer: errors must reach the caller, a transaction must be whole or nothing, and a fresh install
// must get its tables without touching an existing file.

#include "model/DbText.h"
#include "model/SQLite3DB.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <stdexcept>
#include <thread>

class TestSqlite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileGetsSchemaAndDefaultRows();
    void existingFileIsLeftAsItIs();
    void unopenableFileReportsFailure();
    void recordsetReadsAndChecksIndexes();
    void stepErrorPropagates();
    void boundTextsKeepApostrophes();
    void transactionRollsBackUnlessCommitted();
    void outerTransactionAndFailedCommit();
    void readOnlyOpenCreatesNoFile();
    void dateTimeTexts();

private:
    static int Count(CSQLite3DB& db, const std::string& sql);
};

int TestSqlite::Count(CSQLite3DB& db, const std::string& sql)
{
    CSQLite3Recordset rs;
    db.Query(sql, rs);
    return rs.IsEof() ? -1 : rs.GetInt(0);
}

void TestSqlite::missingFileGetsSchemaAndDefaultRows()
{
    CTempDatabase temp;
    QVERIFY(!QFileInfo::exists(temp.DbPath()));
    CSQLite3DB& db = temp.Db();
    QVERIFY(db.IsOpen());
    QVERIFY(QFileInfo::exists(temp.DbPath()));
    QCOMPARE(Count(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), 10);
    QCOMPARE(Count(db, "SELECT COUNT(*) FROM SystemConfig_Table"), 1);
    QCOMPARE(Count(db, "SELECT COUNT(*) FROM Mail_Table"), 1);
    QCOMPARE(Count(db, "SELECT ReconnetNum FROM SystemConfig_Table"), 9);
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 25);
    QCOMPARE(Count(db, "PRAGMA user_version"), VARROW_SCHEMA_VERSION);
    QCOMPARE(Count(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Log_Table'"),
             1);

    // Opening again adds no second default row.
    CSQLite3DB& again = temp.Reopen();
    QCOMPARE(Count(again, "SELECT COUNT(*) FROM SystemConfig_Table"), 1);
}

void TestSqlite::existingFileIsLeftAsItIs()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    db.Exec("DELETE FROM SystemConfig_Table; DELETE FROM Mail_Table; PRAGMA user_version = 77;");
    // An earlier installation's channel table without the list positions.
    db.Exec(
        "DROP TABLE Camera_Table; CREATE TABLE Camera_Table (DeviceID, CameraIndex, IsAddToGroup, GroupID, "
        "IsAddToManual, IsIP); INSERT INTO Camera_Table VALUES (1, 2, 0, -1, 0, 0);");
    CSQLite3DB& reopened = temp.Reopen();
    QCOMPARE(Count(reopened, "SELECT COUNT(*) FROM SystemConfig_Table"), 0);
    QCOMPARE(Count(reopened, "SELECT COUNT(*) FROM Mail_Table"), 0);
    QCOMPARE(Count(reopened, "PRAGMA user_version"), 77);
    QCOMPARE(Count(reopened, "SELECT GroupPos FROM Camera_Table WHERE DeviceID = 1"), -1);
}

void TestSqlite::unopenableFileReportsFailure()
{
    CTempDatabase temp;
    QFile junk(temp.DbPath());
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    CSQLite3DB& db = temp.Reopen();
    QVERIFY(!db.IsOpen());
    CSQLite3Recordset rs;
    QVERIFY(!db.Exec("SELECT 1"));
    QVERIFY(!db.Query("SELECT 1", rs));
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, CDbTransaction transaction(db));
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

void TestSqlite::boundTextsKeepApostrophes()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    const std::string name = "O'Brien'); DROP TABLE Mail_Table; --";
    QVERIFY(db.Exec("UPDATE Mail_Table SET MailName = ?", {name}));
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT MailName FROM Mail_Table WHERE MailName = ?", rs, {name}));
    QVERIFY(!rs.IsEof());
    QCOMPARE(rs.GetString(0), name);
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
        QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 1);
        outer.Commit();
    }
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 1);
    try {
        CDbTransaction transaction(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 3");
        db.Exec("INSERT INTO NoSuchTable VALUES (1)");
        transaction.Commit();
        QFAIL("no error");
    } catch (const CSQlite3Error&) {
    }
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 1);
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
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 5);

    // A deferred constraint makes the commit itself fail: everything since the begin is undone.
    db.Exec("CREATE TABLE Parent (id INTEGER PRIMARY KEY); CREATE TABLE Child (pid REFERENCES Parent(id) "
            "DEFERRABLE INITIALLY DEFERRED); PRAGMA foreign_keys = ON;");
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 6");
    db.Exec("INSERT INTO Child VALUES (42)");
    QVERIFY(!db.CommitTransaction());
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 5);
    // The connection is usable and unlocked for other threads afterwards.
    std::thread other([&db] { db.Exec("UPDATE Mail_Table SET SMTPPort = 7"); });
    other.join();
    QCOMPARE(Count(db, "SELECT SMTPPort FROM Mail_Table"), 7);
}

void TestSqlite::readOnlyOpenCreatesNoFile()
{
    QTemporaryDir dir;
    const std::string path = QFile::encodeName(dir.filePath("missing.db")).toStdString();
    CSQLite3DB db;
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Open(path, CSQLite3DB::ReadOnlyOpenFlags));
    QVERIFY(!db.IsOpen());
    QVERIFY(!QFileInfo::exists(dir.filePath("missing.db")));
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

// The log: entries survive whole from any thread, the table stays below 30,000 rows by dropping the oldest
// second, and the search finds exactly its range.

#include "model/DbText.h"
#include "model/LogStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>

#include <thread>

class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsTextAtCharacterBoundaryAndRefusesUnsetTypes();
    void keepsApostrophesAndReportsFailedInsert();
    void prunesOldestSecondAt30000();
    void fourThreadsLoseNothing();
    void searchBoundsAndTypes();

private:
    // Fills the log with rows one second apart, the first at `first`, in one transaction.
    static void Fill(int rows, int64_t first, int sameAsFirst = 1);
};

void TestLog::Fill(int rows, int64_t first, int sameAsFirst)
{
    CSQLite3DB& db = GetMainDB();
    CDbTransaction transaction(db);
    for (int i = 0; i < rows; ++i) {
        const int64_t t = i < sameAsFirst ? first : first + i;
        db.Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'old')", {FormatDateTimeText(t)});
    }
    transaction.Commit();
}

void TestLog::cutsTextAtCharacterBoundaryAndRefusesUnsetTypes()
{
    CTempDatabase temp;
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, -1, "x"), -1);
    QCOMPARE(WriteLog(-1, LOG_SUB_START_SOFTWARE, "x"), -1);
    QCOMPARE(DbGetLogCount(), 0);
    const int64_t before = QDateTime::currentSecsSinceEpoch();
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QString(300, QLatin1Char('a'))), 1);
    // 198 ASCII bytes then a two-byte character: 200 bytes do not fit, the character goes whole.
    QCOMPARE(
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QString(198, QLatin1Char('b')) + QChar(0xE9)),
        1);
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, before - 1, QDateTime::currentSecsSinceEpoch() + 1);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(QByteArray(rows[0].LogContents), QByteArray(199, 'a'));
    QCOMPARE(QByteArray(rows[1].LogContents), QByteArray(198, 'b'));
    QVERIFY(rows[0].LogTime >= before);
    QCOMPARE(rows[0].LogSubType, int(LOG_SUB_CONNECT_DEVICE));
}

void TestLog::keepsApostrophesAndReportsFailedInsert()
{
    CTempDatabase temp;
    QCOMPARE(
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, "Log in 10.0.0.1  8000 failed for 'Gate's'"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogContents LIKE '%''Gate''s''%'"), 1);
    GetMainDB().Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON Log_Table BEGIN SELECT RAISE(ABORT, 'full'); END;");
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, "Close Software"), 0);
    QCOMPARE(DbGetLogCount(), 1);
}

void TestLog::prunesOldestSecondAt30000()
{
    CTempDatabase temp;
    const int64_t first = 1600000000;
    // 29,999 rows: the next entry makes 30,000 and the oldest second goes at once.
    Fill(LOG_MAX_ROWS - 1, first);
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogTime = '" + FormatDateTimeText(first) + "'"),
             0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogContents = 'new'"), 1);

    // 30,000 rows of which three share the oldest second: the next entry leaves 29,998.
    GetMainDB().Exec("DELETE FROM Log_Table");
    Fill(LOG_MAX_ROWS, first, 3);
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 2);
    QCOMPARE(
        CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogTime = '" + FormatDateTimeText(first + 3) + "'"),
        1);
}

void TestLog::fourThreadsLoseNothing()
{
    CTempDatabase temp;
    constexpr int perThread = 250;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < perThread; ++i) {
                if (WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                             QStringLiteral("thread %1 entry %2").arg(t).arg(i)) != 1)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(DbGetLogCount(), 4 * perThread);
    QCOMPARE(CountRows("SELECT COUNT(DISTINCT LogContents) FROM Log_Table"), 4 * perThread);
}

void TestLog::searchBoundsAndTypes()
{
    CTempDatabase temp;
    const int64_t ten = QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0), Qt::LocalTime).toSecsSinceEpoch();
    LOG_INFO a;
    a.LogType = 1;
    a.LogSubType = 3;
    for (int64_t t : {ten - 1, ten, ten, ten + 1}) {
        a.LogTime = t;
        a.LogType = t == ten ? a.LogType % 2 + 1 : 1; // the two entries of 10:00:00 have types 2 then 1
        QVERIFY(DbInsertLogInfo(&a));
    }
    std::vector<LOG_INFO> rows;
    QVERIFY(DbSelectLogInfo(&rows, 0, ten, ten));
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].LogTime, ten);
    QCOMPARE(rows[0].LogType, 2);
    rows.clear();
    QVERIFY(DbSelectLogInfo(&rows, 2, ten - 10, ten + 10));
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0].LogType, 2);

    // A row that fails while being read fails the search; nothing half is handed out.
    GetMainDB().Exec(
        "ALTER TABLE Log_Table RENAME TO Log_Old; CREATE VIEW Log_Table AS SELECT LogTime, LogType, "
        "CASE WHEN LogType = 2 THEN abs(-9223372036854775807 - 1) ELSE LogSubType END, LogContents "
        "FROM Log_Old;");
    rows.clear();
    QVERIFY(!DbSelectLogInfo(&rows, 0, ten - 10, ten + 10));
    QVERIFY(rows.empty());
}

VARROW_TEST_MAIN(TestLog, QCoreApplication)
#include "tst_log.moc"

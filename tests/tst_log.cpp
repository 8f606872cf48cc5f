// The log: entries survive whole from any thread, the table stays below 30,000 rows by dropping the oldest
// second, and the search finds exactly its range.

#include "model/DbText.h"
#include "model/LogStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>

#include <atomic>
#include <thread>

class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesWholeCharactersAndReportsFailure();
    void prunesOldestSecondAt30000();
    void fourThreadsLoseNothing();
    void searchBoundsAndTypes();
};

namespace {

// Fills the log with rows one second apart, the first `sameAsFirst` rows at `first`, in one transaction.
void Fill(int rows, int64_t first, int sameAsFirst)
{
    CDbTransaction transaction(GetMainDB());
    for (int i = 0; i < rows; ++i)
        GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'old')",
                         {FormatDateTimeText(i < sameAsFirst ? first : first + i)});
    transaction.Commit();
}

} // namespace

void TestLog::writesWholeCharactersAndReportsFailure()
{
    CTempDatabase temp;
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, -1, "x") + WriteLog(-1, LOG_SUB_START_SOFTWARE, "x"), -2);
    const int64_t before = QDateTime::currentSecsSinceEpoch();
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QString(300, QLatin1Char('a'))), 1);
    // 198 ASCII bytes then a two-byte character: 200 bytes do not fit, the character goes whole.
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, QString(198, QLatin1Char('b')) + QChar(0xE9)),
             1);
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, "Log in failed for 'Gate's'"), 1);
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, before - 1, QDateTime::currentSecsSinceEpoch() + 1);
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(QByteArray(rows[0].LogContents), QByteArray(199, 'a'));
    QCOMPARE(QByteArray(rows[1].LogContents), QByteArray(198, 'b'));
    QCOMPARE(QByteArray(rows[2].LogContents), QByteArray("Log in failed for 'Gate's'"));
    QVERIFY(rows[0].LogTime >= before);
    QCOMPARE(rows[1].LogType * 10 + rows[1].LogSubType, LOG_TYPE_OPERATION * 10 + LOG_SUB_CONFIG_DISK);
    Refuse("INSERT", "Log_Table");
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, "Close Software"), 0);
    QCOMPARE(DbGetLogCount(), 3);
}

void TestLog::prunesOldestSecondAt30000()
{
    CTempDatabase temp;
    const int64_t first = 1600000000;
    const std::string at = "SELECT COUNT(*) FROM Log_Table WHERE LogTime = '";
    // 29,999 rows: the next entry makes 30,000 and the oldest second goes at once.
    Fill(LOG_MAX_ROWS - 1, first, 1);
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 1);
    QCOMPARE(CountRows(at + FormatDateTimeText(first) + "'"), 0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogContents = 'new'"), 1);
    // 30,000 rows of which three share the oldest second: the next entry leaves 29,998.
    GetMainDB().Exec("DELETE FROM Log_Table");
    Fill(LOG_MAX_ROWS, first, 3);
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 2);
    QCOMPARE(CountRows(at + FormatDateTimeText(first + 3) + "'"), 1);
}

void TestLog::fourThreadsLoseNothing()
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

void TestLog::searchBoundsAndTypes()
{
    CTempDatabase temp;
    const int64_t ten = QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0), Qt::LocalTime).toSecsSinceEpoch();
    LOG_INFO a;
    a.LogSubType = LOG_SUB_START_MANUAL;
    for (int64_t t : {ten - 1, ten, ten, ten + 1}) {
        a.LogTime = t;
        // The two entries of 10:00:00 are an exception, then an operation.
        a.LogType = t == ten && a.LogType != LOG_TYPE_EXCEPTION ? LOG_TYPE_EXCEPTION : LOG_TYPE_OPERATION;
        QVERIFY(DbInsertLogInfo(&a));
    }
    std::vector<LOG_INFO> rows;
    QVERIFY(DbSelectLogInfo(&rows, 0, ten, ten));
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].LogTime, ten);
    QCOMPARE(rows[0].LogType, int(LOG_TYPE_EXCEPTION));
    rows.clear();
    QVERIFY(DbSelectLogInfo(&rows, LOG_TYPE_EXCEPTION, ten - 10, ten + 10));
    QCOMPARE(rows.size(), size_t(1));
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

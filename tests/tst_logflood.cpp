// What a disk or a recorder names can neither forge a row of the log nor flood it: names are written out, and
// one cause that repeats costs two rows, however often it repeats, so the older history stays.

#include "engine/ExecuteThread.h"
#include "model/DbAccess.h"
#include "model/DbGuard.h"
#include "model/LogRepeats.h"
#include "model/LogStore.h"
#include "model/LogText.h"
#include "storage/CStowelineClass.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <limits>

using TestSupport::LogTexts;

namespace {

const QDate kMonday(2024, 3, 4);
constexpr int kPlan = 3;
constexpr int kLimitMs = 60000;
// Older history: a full log but for a few rows, every row from a day long before the test's rows.
constexpr int kOldRows = LOG_MAX_ROWS - 10;
const QString kOldTime = QStringLiteral("2020-01-01 00:00:00");

int RowsStartingWith(const QString& prefix)
{
    const QStringList texts = LogTexts();
    return int(
        std::count_if(texts.cbegin(), texts.cend(), [&](const QString& t) { return t.startsWith(prefix); }));
}

// The texts as the file holds them, in the order written.
QStringList StoredTexts()
{
    QStringList texts;
    DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT LogContents FROM Log_Table ORDER BY rowid;", rs);
        for (; !rs.IsEof(); rs.Next())
            texts << QString::fromStdString(rs.GetString(0));
        return true;
    });
    return texts;
}

void InsertRaw(const QString& text)
{
    DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "INSERT INTO Log_Table (LogTime,LogType,LogSubType,LogContents) VALUES (?,2,10,?);",
              {kOldTime.toStdString(), text.toStdString()});
        return true;
    });
}

void FillOldHistory()
{
    DbGuarded([](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        for (int i = 0; i < kOldRows; ++i)
            DbRun(db, "INSERT INTO Log_Table (LogTime,LogType,LogSubType,LogContents) VALUES (?,1,1,?);",
                  {kOldTime.toStdString(), "older history " + std::to_string(i)});
        transaction.Commit();
        return true;
    });
}

int OldRowsLeft()
{
    int left = -1;
    DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT COUNT(*) FROM Log_Table WHERE LogTime = ?;", rs, {kOldTime.toStdString()});
        left = rs.IsEof() ? -1 : rs.GetInt(0);
        return true;
    });
    return left;
}

bool HoldsControls(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    });
}

bool InitDisks(CStowelineClass& storage, const QStringList& disks)
{
    STOWELINE_INIT_PARAM param;
    for (const QString& disk : disks)
        param.DiskPaths.Append(QFile::encodeName(disk).constData());
    param.ReserveMB = 0;
    return storage.Init(&param);
}

// A Records folder as the station makes it, closed to other users: the set-up has nothing to say of it.
bool MakeRecords(const QString& records)
{
    return QDir().mkpath(records) && ::chmod(QFile::encodeName(records).constData(), 0700) == 0;
}

bool MakeLinks(const QString& records, int count, const QString& prefix)
{
    if (!MakeRecords(records))
        return false;
    for (int i = 0; i < count; ++i)
        if (::symlink("/etc", QFile::encodeName(records + QLatin1Char('/') + prefix + QString::number(i))) !=
            0)
            return false;
    return true;
}

} // namespace

class TestLogFlood : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void foreignTextIsWrittenOut_data();
    void foreignTextIsWrittenOut();
    void shownTextKeepsItsBound();
    void repeatsOfACauseAreCounted();
    void diskNamesAreWrittenOut();
    void linksOfOneDiskCostTwoRows();
    void refusingRecorderCostsTwoRowsPerRefusal();
};

void TestLogFlood::foreignTextIsWrittenOut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a made-up row after a line break")
        << QStringLiteral("Gate\n2024-03-05 19:00:00 Open Software")
        << QStringLiteral("Gate\\n2024-03-05 19:00:00 Open Software");
    QTest::newRow("terminal escape sequences")
        << QStringLiteral("cam\x1b[2J\x1b]0;x\x07red") << QStringLiteral("cam\\x1b[2J\\x1b]0;x\\x07red");
    QTest::newRow("carriage return, tab, delete")
        << QStringLiteral("a\rb\tc\x7f") << QStringLiteral("a\\rb\\tc\\x7f");
    QTest::newRow("zero byte") << QString::fromLatin1("a\0b", 3) << QStringLiteral("a\\x00b");
    QTest::newRow("next line of the C1 set") << QStringLiteral("a\u0085b") << QStringLiteral("a\\x85b");
    QTest::newRow("direction override")
        << QStringLiteral("clip\u202Egpj.rec") << QStringLiteral("clip\\u202egpj.rec");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a\\u2028b");
    QTest::newRow("tag character beyond 16 bits")
        << (QStringLiteral("a") + QString::fromUcs4(U"\U000E0041", 1)) << QStringLiteral("a\\U000e0041");
    QTest::newRow("Chinese and a picture character stay")
        << QStringLiteral("录像机 \U0001F3A5 通道") << QStringLiteral("录像机 \U0001F3A5 通道");
    QTest::newRow("written out already: unchanged") << QStringLiteral("a\\nb") << QStringLiteral("a\\nb");
}

void TestLogFlood::foreignTextIsWrittenOut()
{
    // Shown the same way wherever it is shown, and stored so: a row read back holds it written out.
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(EscapeControls(text), shown);
    QCOMPARE(ShownText(text), shown);
    CTempDatabase db;
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, text), 1);
    QCOMPARE(StoredTexts(), QStringList{shown});
    QCOMPARE(LogTexts(), QStringList{shown});
    // A row stored before names were written out is shown written out all the same.
    if (!text.contains(QChar(0))) {
        InsertRaw(text);
        QCOMPARE(LogTexts(), (QStringList{shown, shown}));
    }
}

void TestLogFlood::shownTextKeepsItsBound()
{
    // A path of thousands of characters is cut to the event table's bound, never inside a character pair.
    const QString path =
        QStringLiteral("/disk/Records/") + QString(4000, QLatin1Char('a')) + QLatin1Char('\n');
    QCOMPARE(ShownText(path).size(), 512);
    QVERIFY(ShownText(path).endsWith(QStringLiteral("...")));
    QString pictures;
    for (int i = 0; i < 600; ++i)
        pictures += QStringLiteral("\U0001F3A5");
    const QString cut = ShownText(QStringLiteral("x") + pictures, 8);
    QCOMPARE(cut, QStringLiteral("x\U0001F3A5\U0001F3A5..."));
    // The count of a long entry survives the log's cut of 199 bytes, in either language's characters.
    for (const QString& text : {QString(300, QLatin1Char('b')), QString(300, QChar(0x5F55))}) {
        const QString row = RepeatedText(text + QLatin1Char('\x1b'), 7, 199);
        QVERIFY2(row.toLocal8Bit().size() <= 199, qPrintable(row));
        QVERIFY2(row.startsWith(QStringLiteral("Repeated 7 times: ") + text.left(10)), qPrintable(row));
        QVERIFY2(row.endsWith(QStringLiteral("...")), qPrintable(row));
    }
}

void TestLogFlood::repeatsOfACauseAreCounted()
{
    // The first entry of a cause is written as it is, the others counted in one row that each repeat
    // updates; another cause is its own. A count row that the log's bound deleted is written again with the
    // whole count; a new span names the cause again.
    CTempDatabase db;
    CLogRepeats repeats;
    const QString a = QStringLiteral("Refused A"), b = QStringLiteral("Refused B");
    const auto counted = [&a](int n) {
        return (n == 1 ? QStringLiteral("Repeated once: ") : QStringLiteral("Repeated %1 times: ").arg(n)) +
               a;
    };
    QVERIFY(repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("a"), a));
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("a"), a));
    QVERIFY(repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("b"), b));
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("a"), a, QString(), 3));
    QCOMPARE(StoredTexts(), (QStringList{a, counted(4), b}));
    QCOMPARE(repeats.Repeats(QStringLiteral("a")), 4);

    DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "DELETE FROM Log_Table WHERE LogContents LIKE 'Repeated%';");
        return true;
    });
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("a"), a));
    QCOMPARE(StoredTexts(), (QStringList{a, b, counted(5)}));

    repeats.Clear();
    QVERIFY(repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("a"), a, QString(), 2));
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("c"), a, QString(), 0));
    QCOMPARE(StoredTexts(), (QStringList{a, b, counted(5), a, counted(1)}));

    // A log that refuses the count row (a full disk) has the next repeat write it, with the whole count.
    QVERIFY(repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("b"), b));
    Refuse("INSERT", "Log_Table");
    QCOMPARE(WriteLogRow(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, b), int64_t(-1));
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("b"), b));
    AllowAll();
    QVERIFY(!repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QStringLiteral("b"), b));
    QCOMPARE(StoredTexts().mid(5), (QStringList{b, QStringLiteral("Repeated 2 times: ") + b}));

    // A long entry's count row holds the count and as much of the entry as the row's 199 bytes take.
    const QString path = QStringLiteral("/disk/Records/") + QString(300, QLatin1Char('p'));
    for (int i = 0; i < 2; ++i)
        repeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, QStringLiteral("long"), path);
    const QString row = StoredTexts().constLast();
    QVERIFY2(row.startsWith(QStringLiteral("Repeated once: /disk/Records/pp")) &&
                 row.endsWith(QStringLiteral("...")) && row.toLocal8Bit().size() == 199,
             qPrintable(row));
}

void TestLogFlood::diskNamesAreWrittenOut()
{
    // A link in a disk's Records folder named with a line break, a made-up row and escape sequences: the
    // set-up names it in one row, written out, and the row reads back as one row.
    CTempDatabase db;
    QTemporaryDir disk;
    const QString records = CStowelineClass::RecordRootOf(disk.path());
    const QString name = QStringLiteral("cam\n2024-03-05 19:00:00 1 1 Open Software\x1b[2J\x1b[1A\u202E");
    QVERIFY(MakeRecords(records));
    QVERIFY(::symlink("/etc", QFile::encodeName(records + QLatin1Char('/') + name).constData()) == 0);
    CStowelineClass storage;
    QVERIFY(InitDisks(storage, {disk.path()}));
    const QStringList texts = StoredTexts();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(!HoldsControls(texts[0]), qPrintable(texts[0]));
    QVERIFY2(texts[0].contains(
                 QStringLiteral("cam\\n2024-03-05 19:00:00 1 1 Open Software\\x1b[2J\\x1b[1A\\u202e")),
             qPrintable(texts[0]));
}

void TestLogFlood::linksOfOneDiskCostTwoRows()
{
    // 31,001 links in one disk's Records folder, beside a log that is all but full: the set-up names the
    // first link and counts the others in one row; the older history stays whole. A second disk's links are
    // its own cause, named and counted apart.
    CTempDatabase db;
    FillOldHistory();
    QTemporaryDir first, second;
    const QString firstRecords = CStowelineClass::RecordRootOf(first.path());
    const QString secondRecords = CStowelineClass::RecordRootOf(second.path());
    QVERIFY(MakeLinks(firstRecords, 31001, QStringLiteral("link")));
    QVERIFY(MakeLinks(secondRecords, 3, QStringLiteral("other")));

    CStowelineClass storage;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(InitDisks(storage, {first.path(), second.path()}));
    const qint64 elapsed = timer.elapsed();
    qInfo("set-up over 31,004 links: %lld ms", elapsed);
    QVERIFY2(elapsed < TestSupport::Bound(30000), qPrintable(QString::number(elapsed)));

    QCOMPARE(OldRowsLeft(), kOldRows);
    QCOMPARE(DbGetLogCount(), kOldRows + 4);
    QCOMPARE(RowsStartingWith(QStringLiteral("A link below a record disk's folder is left alone: ") +
                              firstRecords + QStringLiteral("/link")),
             1);
    QCOMPARE(RowsStartingWith(QStringLiteral("A link below a record disk's folder is left alone: ") +
                              secondRecords + QStringLiteral("/other")),
             1);
    const QString counted =
        QStringLiteral("Repeated %1 times: A link below the record disk's folder %2 is left alone");
    QCOMPARE(RowsStartingWith(counted.arg(31000).arg(firstRecords)), 1);
    QCOMPARE(RowsStartingWith(counted.arg(2).arg(secondRecords)), 1);
}

void TestLogFlood::refusingRecorderCostsTwoRowsPerRefusal()
{
    // A recorder refuses every play-back: each try writes "Download File Exceptional" and, after a minute of
    // reconnects, "Reconnect ... Failed". Over the window's tries each is written once and counted in one
    // row, and the older history of an all but full log stays whole. The event signal still comes at each
    // try.
    CEngineFixture f(QDateTime(kMonday.addDays(1), QTime(19, 0)), 20000.0);
    FillOldHistory();
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {200000}, kMonday, 6);
    config.Channel(1).Faults.PlayRefusals = -1;
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {CHANNEL_REF{int16_t(device), 1}}, {}));
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list = {f.TaskOf(kPlan, 0, kMonday)};
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));

    constexpr int kTries = 8;
    std::atomic<int> exceptional{0}, failed{0};
    CExecuteThread worker(kPlan, 0);
    QObject::connect(
        &worker, &CExecuteThread::SigConnectDeviceFail, &worker,
        [&](int, int, int, const QString& text) {
            if (text.startsWith(QStringLiteral("Download File Exceptional")))
                ++exceptional;
            else if (text.startsWith(QStringLiteral("Reconnect ")) && ++failed >= kTries)
                worker.stop();
        },
        Qt::DirectConnection);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QVERIFY(failed >= kTries);

    QCOMPARE(OldRowsLeft(), kOldRows);
    QCOMPARE(DbGetLogCount(), kOldRows + 4);
    const QString tried = QStringLiteral("Download File Exceptional.Reconnect Gate");
    const QString gaveUp = QStringLiteral("Reconnect Gate");
    QCOMPARE(RowsStartingWith(tried), 1);
    QCOMPARE(RowsStartingWith(gaveUp), 1);
    const QStringList texts = LogTexts();
    const auto countRow = [&texts](const QString& prefix, int repeats) {
        return std::count_if(texts.cbegin(), texts.cend(), [&](const QString& t) {
            return t.startsWith(QStringLiteral("Repeated %1 times: ").arg(repeats) + prefix);
        });
    };
    QCOMPARE(countRow(tried, exceptional - 1), 1);
    QCOMPARE(countRow(gaveUp, failed - 1), 1);

    // The next run of the same worker (the next window) names the refusal again.
    failed = 0;
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(RowsStartingWith(tried), 2);
    QCOMPARE(RowsStartingWith(gaveUp), 2);
}

QTEST_GUILESS_MAIN(TestLogFlood)
#include "tst_logflood.moc"

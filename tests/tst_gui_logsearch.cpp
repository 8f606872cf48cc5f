// The log search thread: every matching entry reaches the page exactly once, numbered without gaps, in
// batches the page can show without stalling; a cancelled search stops after the batch on its way and the
// next search starts clean.

#include "model/DbText.h"
#include "model/Records.h"
#include "model/SQLite3DB.h"
#include "pages/log/CLogSearchThread.h"
#include "model/LogStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "widgets/views/CTreeViewItem.h"

#include <QApplication>
#include <QDateTime>

namespace {

constexpr qint64 kBase = 1780000000; // a fixed instant, so the test does not depend on today

struct BATCH
{
    int shown = 0;
    int found = 0;
    QList<QStringList> rows; // the four cell texts of each row
};

// Takes the batches as the page does: reads and frees the rows, then lets the thread build the next batch.
class CBatchReceiver : public QObject
{
public:
    CBatchReceiver() { connect(&thread, &CLogSearchThread::SetInfoToView, this, &CBatchReceiver::Take); }
    bool Run(int type, qint64 start, qint64 end)
    {
        thread.SetSearchParam(type, start, end);
        thread.start();
        return QTest::qWaitFor([&] { return thread.isFinished(); }, 10000);
    }
    CLogSearchThread thread;
    QList<BATCH> batches;
    bool stopAfterFirst = false;

private:
    void Take(const QList<CTreeViewItem*>& items, int shown, int found)
    {
        BATCH batch{shown, found, {}};
        for (CTreeViewItem* item : items) {
            QStringList texts;
            for (int column = 0; column < 4; ++column)
                texts.append(item->GetData(column, Qt::DisplayRole).toString());
            batch.rows.append(texts);
            delete item;
        }
        batches.append(batch);
        if (stopAfterFirst) {
            thread.Stop();
            thread.wait();
        } else {
            thread.Resume();
        }
    }
};

// Rows one second apart from kBase; the type alternates operation, exception; the text tells the row.
void Fill(int rows, int subtype = LOG_SUB_CONFIG_DISK)
{
    CSQLite3DB& db = GetMainDB();
    CDbTransaction transaction(db);
    for (int i = 0; i < rows; ++i)
        db.Exec("INSERT INTO Log_Table VALUES (?, ?, ?, ?)",
                {FormatDateTimeText(kBase + i), 1 + i % 2, subtype, std::string("row ") + std::to_string(i)});
    transaction.Commit();
}

} // namespace

class TestLogSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesInBatchesOf500_data();
    void pagesInBatchesOf500();
    void filtersByTypeAndRange_data();
    void filtersByTypeAndRange();
    void rowTexts_data();
    void rowTexts();
    void cancelAfterFirstBatchThenSearchAgain();
    void stopBeforeTheRunIsNotLost();
    void searchesPast2038();
};

void TestLogSearch::pagesInBatchesOf500_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("shownAfterEach");
    QTest::newRow("none") << 0 << QList<int>{1};
    QTest::newRow("500") << 500 << QList<int>{500};
    QTest::newRow("501") << 501 << QList<int>{500, 501};
    QTest::newRow("1500") << 1500 << QList<int>{500, 1000, 1500};
}

void TestLogSearch::pagesInBatchesOf500()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, shownAfterEach);
    CTempDatabase temp;
    Fill(rows);
    CBatchReceiver receiver;
    QVERIFY(receiver.Run(0, kBase, kBase + 3600));
    QTRY_COMPARE(receiver.batches.size(), shownAfterEach.size());

    int number = 0;
    for (int i = 0; i < receiver.batches.size(); ++i) {
        const BATCH& batch = receiver.batches.at(i);
        QCOMPARE(batch.shown, shownAfterEach.at(i));
        // An empty search reports 1 of 1 so that the progress box ends.
        QCOMPARE(batch.found, rows == 0 ? 1 : rows);
        for (const QStringList& row : batch.rows) {
            ++number;
            QCOMPARE(row.at(0), QString::number(number));
            QCOMPARE(row.at(3), QStringLiteral("row %1").arg(number - 1));
        }
        QCOMPARE(number, rows == 0 ? 0 : batch.shown);
    }
    QCOMPARE(number, rows);
}

void TestLogSearch::filtersByTypeAndRange_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<QStringList>("texts");
    const qint64 b = kBase;
    QTest::newRow("operation") << int(LOG_TYPE_OPERATION) << b << b + 9 << QStringList{"row 0", "row 2"};
    QTest::newRow("exception") << int(LOG_TYPE_EXCEPTION) << b << b + 9 << QStringList{"row 1", "row 3"};
    QTest::newRow("ends included") << 0 << b + 1 << b + 2 << QStringList{"row 1", "row 2"};
    QTest::newRow("start equals end") << 0 << b + 3 << b + 3 << QStringList{"row 3"};
    QTest::newRow("before the first") << 0 << b - 9 << b - 1 << QStringList{};
}

void TestLogSearch::filtersByTypeAndRange()
{
    QFETCH(int, type);
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(QStringList, texts);
    CTempDatabase temp;
    Fill(4);
    CBatchReceiver receiver;
    QVERIFY(receiver.Run(type, start, end));
    QTRY_COMPARE(receiver.batches.size(), 1);
    QStringList got;
    for (const QStringList& row : receiver.batches.first().rows)
        got.append(row.at(3));
    QCOMPARE(got, texts);
}

void TestLogSearch::rowTexts_data()
{
    QTest::addColumn<int>("subtype");
    QTest::addColumn<QString>("text");
    // The first and last known kinds, and the unknown ones either side of them.
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("start") << 1 << QStringLiteral("Start SoftWare");
    QTest::newRow("connect") << 10 << QStringLiteral("Connect to Device Exception");
    QTest::newRow("11") << 11 << QString();
}

void TestLogSearch::rowTexts()
{
    QFETCH(int, subtype);
    QFETCH(QString, text);
    LOG_INFO info;
    info.LogTime = kBase;
    info.LogType = LOG_TYPE_EXCEPTION;
    info.LogSubType = subtype;
    const QByteArray contents = QStringLiteral("通道 3 <&>").toUtf8();
    std::memcpy(info.LogContents, contents.constData(), size_t(contents.size()));
    const QStringList row = CLogSearchThread::RowTexts(info, 42);
    QCOMPARE(row, (QStringList{
                      QStringLiteral("42"),
                      QDateTime::fromSecsSinceEpoch(kBase).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                      text, QStringLiteral("通道 3 <&>")}));
}

void TestLogSearch::cancelAfterFirstBatchThenSearchAgain()
{
    CTempDatabase temp;
    Fill(1200);
    CBatchReceiver receiver;
    receiver.stopAfterFirst = true;
    QVERIFY(receiver.Run(0, kBase, kBase + 3600));
    // Give a wrongly continuing thread the time to send more.
    QTest::qWait(50);
    QCOMPARE(receiver.batches.size(), 1);
    QCOMPARE(receiver.batches.first().shown, 500);

    // The stop of the first search must not end the next one.
    receiver.batches.clear();
    receiver.stopAfterFirst = false;
    QVERIFY(receiver.Run(0, kBase, kBase + 3600));
    QTRY_COMPARE(receiver.batches.size(), 3);
    QCOMPARE(receiver.batches.last().shown, 1200);
    QCOMPARE(receiver.batches.last().rows.last().at(0), QStringLiteral("1200"));
}

void TestLogSearch::stopBeforeTheRunIsNotLost()
{
    // The page may cancel before the thread got going: the search must then end without a batch to wait on.
    CTempDatabase temp;
    Fill(10);
    CBatchReceiver receiver;
    receiver.thread.SetSearchParam(0, kBase, kBase + 3600);
    receiver.thread.Stop();
    receiver.thread.start();
    QVERIFY(receiver.thread.wait(10000));
    QCoreApplication::processEvents();
    QCOMPARE(receiver.batches.size(), 0);
}

void TestLogSearch::searchesPast2038()
{
    // Times are 64-bit: a range after January 2038 must neither wrap nor lose its entries.
    CTempDatabase temp;
    const qint64 later = QDateTime(QDate(2040, 5, 1), QTime(12, 0, 0)).toSecsSinceEpoch();
    GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'later')", {FormatDateTimeText(later)});
    CBatchReceiver receiver;
    QVERIFY(receiver.Run(0, later - 60, later + 60));
    QTRY_COMPARE(receiver.batches.size(), 1);
    QCOMPARE(receiver.batches.first().rows.size(), 1);
    QCOMPARE(receiver.batches.first().rows.first().at(1), QStringLiteral("2040-05-01 12:00:00"));
}

VARROW_TEST_MAIN(TestLogSearch, QApplication)
#include "tst_gui_logsearch.moc"

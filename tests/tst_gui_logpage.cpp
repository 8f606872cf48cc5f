// The log page driven as an operator drives it, over the real search thread and a temporary database: the
// range rules, what the table shows after a search, a cancel and a search that replaces a running one, and
// the export file, which a reader must get back exactly as the table showed it and which must never count as
// done nor destroy the file it was meant to replace when it did not reach the disk whole.

#include "model/DbText.h"
#include "model/LogStore.h"
#include "model/Records.h"
#include "model/SQLite3DB.h"
#include "pages/log/CLogSearchThread.h"
#include "pages/log/CLogWriteThread.h"
#include "pages/log/CLogBackup.h"
#include "pages/log/CSearchLog.h"
#include "pages/record/CExportRecord.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/KeyboardKeys.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/CTreeViewItem.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QDateTime kBase(QDate(2026, 3, 2), QTime(9, 0, 0));
constexpr qint64 kDay = 24 * 3600;

// Entries at the given offsets (seconds from kBase); the type alternates operation, exception.
void Fill(const QList<qint64>& offsets)
{
    CSQLite3DB& db = GetMainDB();
    CDbTransaction transaction(db);
    int i = 0;
    for (qint64 offset : offsets) {
        db.Exec("INSERT INTO Log_Table VALUES (?, ?, 6, ?)",
                {FormatDateTimeText(kBase.toSecsSinceEpoch() + offset), 1 + i % 2,
                 std::string("entry ") + std::to_string(i)});
        ++i;
    }
    transaction.Commit();
}

void FillRows(int rows)
{
    QList<qint64> offsets;
    for (int i = 0; i < rows; ++i)
        offsets.append(i % 3600);
    Fill(offsets);
}

QList<QStringList> SampleRows(int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(i), QStringLiteral("2026-12-06 08:00:00"), QStringLiteral("Config Disk"),
                     QStringLiteral("entry %1").arg(i)});
    rows[0][3] = QStringLiteral("Tom & Jerry <script> \"q\" 'a'");
    rows[1][3] = QStringLiteral("备份日志：磁盘已满");
    return rows;
}

// The four cell texts of each Log element, as a reader gets them back; empty when the file does not parse.
QList<QStringList> ReadBack(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    const QStringList cells{"ID", "OperationTime", "Type", "Contents"};
    QList<QStringList> logs;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("Log"))
            logs.append(QStringList());
        else if (cells.contains(xml.name().toString()) && !logs.isEmpty())
            logs.last().append(xml.readElementText());
    }
    return xml.hasError() ? QList<QStringList>() : logs;
}

} // namespace

class TestLogPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rangeRules_data();
    void rangeRules();
    void defaultRangeFollowsTheClock();
    void showsEveryRowNumbered_data();
    void showsEveryRowNumbered();
    void typeFilterAndTimesPast2038();
    void cancelKeepsShownRowsAndNextSearchWorks();
    void newSearchEndsTheRunningOne();
    void stopBeforeTheRunIsNotLost();
    void unknownKindsShowNoName();
    void everyKindShowsItsName();
    void batchesOfFiveHundred_data();
    void batchesOfFiveHundred();
    void noBatchBeforeThePageShowedTheLast();
    void exportFromThePageSaysHowItEnded_data();
    void exportFromThePageSaysHowItEnded();
    void exportDialogsCheckThePathBeforeClosing_data();
    void exportDialogsCheckThePathBeforeClosing();
    void pickerChoosesOnlyANameGiven_data();
    void pickerChoosesOnlyANameGiven();
    void exportReadsBackWhatTheTableShowed();
    void failedWriteKeepsTheEarlierFile_data();
    void failedWriteKeepsTheEarlierFile();
    void failedLastStepIsAFailure_data();
    void failedLastStepIsAFailure();
    void backupWritesOnlyAFileItMade_data();
    void backupWritesOnlyAFileItMade();
    void backupEndsWithCancelOrTheClose_data();
    void backupEndsWithCancelOrTheClose();
    void stopHeardBetweenRowsIsKept();

private:
    // Presses Export with rows shown, chooses `path` in the backup dialog, lets `busy` answer the busy box
    // and returns what the result box said.
    MODAL_SEEN Backup(const QString& path, std::function<void(QWidget*)> busy = nullptr);
    void Search(int type, const QDateTime& start, const QDateTime& end);
    // Presses Search with the fields as they are.
    void SearchAsShown();
    QDateTime Field(const char* name) const { return Child<QDateTimeEdit>(name)->dateTime(); }
    QString Cell(int row, int column) const { return m_pTable->GetItemText(row, column); }
    template <class T> T* Child(const char* name) const
    {
        return m_pPage->findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSearchLog> m_pPage;
    CTableView* m_pTable = nullptr;
    std::unique_ptr<CModalDriver> m_driver;
    QTemporaryDir m_dir;
};

void TestLogPage::init()
{
    m_db = std::make_unique<CTempDatabase>();
    m_pPage = std::make_unique<CSearchLog>();
    m_pPage->show();
    m_pTable = Child<CTableView>("m_pLogTableView");
    QVERIFY(m_pTable != nullptr);
    m_driver = std::make_unique<CModalDriver>();
}

void TestLogPage::cleanup()
{
    QCOMPARE(m_driver->Failures(), QStringList());
    m_driver.reset();
    m_pPage.reset();
    m_db.reset();
}

void TestLogPage::Search(int type, const QDateTime& start, const QDateTime& end)
{
    Child<QDateTimeEdit>("m_pStartTime")->setDateTime(start);
    Child<QDateTimeEdit>("m_pEndTime")->setDateTime(end);
    Child<QComboBox>("m_pcomboBoxLogType")->setCurrentIndex(type);
    SearchAsShown();
}

void TestLogPage::SearchAsShown()
{ // The click returns when the progress box has closed. A search that never reaches its end would hold it
    // until the suite's limit: after a bound the box is cancelled instead, and the test fails.
    // Every box still open goes, nested ones first.
    bool timedOut = false;
    QTimer guard;
    connect(&guard, &QTimer::timeout, this, [&timedOut, &guard] {
        timedOut = true;
        guard.setInterval(200);
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->reject();
    });
    guard.start(10000);
    Child<QPushButton>("m_pushButtonSearch")->click();
    QCoreApplication::processEvents();
    QVERIFY2(!timedOut, "the search never reached its end");
}

void TestLogPage::rangeRules_data()
{
    QTest::addColumn<qint64>("startOffset");
    QTest::addColumn<qint64>("endOffset");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");
    QTest::newRow("exactly 30 days") << qint64(0) << 30 * kDay << QString() << 3;
    QTest::newRow("one second more") << qint64(0) << 30 * kDay + 1
                                     << QStringLiteral("You can only search log within 30 days") << 1;
    QTest::newRow("start after end") << qint64(1) << qint64(0)
                                     << QStringLiteral("The start time should before the end time") << 1;
}

void TestLogPage::rangeRules()
{
    QFETCH(qint64, startOffset);
    QFETCH(qint64, endOffset);
    QFETCH(QString, message);
    QFETCH(int, rows);
    Fill({0, kDay, 30 * kDay, 30 * kDay + 1});
    // A refused search leaves the table as it was: one row of an earlier search.
    Search(0, kBase.addSecs(30 * kDay + 1), kBase.addSecs(30 * kDay + 1));
    QCOMPARE(m_pTable->GetTopRowCount(), 1);

    if (!message.isEmpty())
        m_driver->Accept();
    Search(0, kBase.addSecs(startOffset), kBase.addSecs(endOffset));
    QCOMPARE(m_pTable->GetTopRowCount(), rows);
    QCOMPARE(m_driver->Seen().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(m_driver->Seen().first().Text().contains(message),
                 qPrintable(m_driver->Seen().first().Text()));
}

// Until the operator picks a range, a search covers today from midnight up to its own moment, read when the
// page shows and at each search: what was logged after the page was built is found, yesterday's is not, and
// after midnight the range is the new day's. A range the operator picked stays.
void TestLogPage::defaultRangeFollowsTheClock()
{
    QDateTime now = kBase;
    m_pPage->SetClock([&now] { return now; });
    QCOMPARE(Field("m_pStartTime"), QDateTime(kBase.date(), QTime(0, 0)));
    QCOMPARE(Field("m_pEndTime"), kBase);
    // Yesterday's last second, today's first, one logged after the page was built, one in the future.
    Fill({-9 * 3600 - 1, -9 * 3600, 1800, 7200});
    now = kBase.addSecs(3600);
    SearchAsShown();
    QCOMPARE(m_pTable->GetTopRowCount(), 2);
    QCOMPARE(Cell(0, 3), QStringLiteral("entry 1"));
    QCOMPARE(Cell(1, 3), QStringLiteral("entry 2"));
    QCOMPARE(Field("m_pEndTime"), now);

    m_pPage->hide();
    now = QDateTime(kBase.date().addDays(1), QTime(0, 30));
    m_pPage->show();
    QCOMPARE(Field("m_pStartTime"), QDateTime(now.date(), QTime(0, 0)));
    QCOMPARE(Field("m_pEndTime"), now);

    Child<QDateTimeEdit>("m_pStartTime")->setDateTime(kBase.addDays(-1));
    now = now.addDays(3);
    SearchAsShown();
    QCOMPARE(Field("m_pStartTime"), kBase.addDays(-1));
    QCOMPARE(Field("m_pEndTime"), QDateTime(kBase.date().addDays(1), QTime(0, 30)));
    QCOMPARE(m_pTable->GetTopRowCount(), 4);
}

void TestLogPage::showsEveryRowNumbered_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("two batches and a part") << 1201;
}

// The rows come in batches: each one reaches the table once, numbered without gaps.
void TestLogPage::showsEveryRowNumbered()
{
    QFETCH(int, rows);
    FillRows(rows);
    Search(0, kBase, kBase.addSecs(3600));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(m_pTable->GetTopRowCount(), rows);
    const std::pair<const char*, int> columns[] = {
        {"ID", 80}, {"Operation Time", 130}, {"Type", 120}, {"Contents", 0}};
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(m_pTable->model()->headerData(column, Qt::Horizontal).toString(),
                 QLatin1String(columns[column].first));
        if (column < 3) // the last one takes the rest of the table
            QCOMPARE(m_pTable->columnWidth(column), columns[column].second);
    }
    for (int row = 0; row < rows; ++row) {
        QCOMPARE(Cell(row, 0), QString::number(row + 1));
        QCOMPARE(Cell(row, 3), QStringLiteral("entry %1").arg(row));
    }
}

void TestLogPage::typeFilterAndTimesPast2038()
{
    // Times are 64-bit: a range after January 2038 must neither wrap nor lose its entries.
    const qint64 later = kBase.secsTo(QDateTime(QDate(2040, 5, 1), QTime(12, 0, 0)));
    Fill({0, 1, 2, later});
    const auto* types = Child<QComboBox>("m_pcomboBoxLogType");
    QCOMPARE(types->count(), 3);
    const char* names[] = {"All", "Operation Log", "Exception Log"};
    for (int index = 0; index < 3; ++index)
        QCOMPARE(types->itemText(index), QLatin1String(names[index]));
    // Entries 0 and 2 are operations, entry 1 an exception.
    Search(1, kBase, kBase.addSecs(10));
    QCOMPARE(m_pTable->GetTopRowCount(), 2);
    QCOMPARE(Cell(1, 3), QStringLiteral("entry 2"));
    Search(2, kBase, kBase.addSecs(10));
    QCOMPARE(m_pTable->GetTopRowCount(), 1);
    QCOMPARE(Cell(0, 3), QStringLiteral("entry 1"));
    Search(0, kBase.addSecs(later - 60), kBase.addSecs(later + 60));
    QCOMPARE(m_pTable->GetTopRowCount(), 1);
    QCOMPARE(Cell(0, 1), QStringLiteral("2040-05-01 12:00:00"));
}

void TestLogPage::cancelKeepsShownRowsAndNextSearchWorks()
{
    FillRows(5000);
    // The operator closes the progress box as soon as the first batch is shown.
    auto cancel = connect(m_pPage.get(), &CSearchLog::SetProgressChanged, this, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->reject();
    });
    Search(0, kBase, kBase.addSecs(3600));
    disconnect(cancel);
    QTest::qWait(20);
    // The first batch, and at most the one the thread had sent before it saw the stop.
    const int kept = m_pTable->GetTopRowCount();
    QVERIFY2(kept == 500 || kept == 1000, qPrintable(QString::number(kept)));

    Search(0, kBase, kBase.addSecs(3600));
    QCOMPARE(m_pTable->GetTopRowCount(), 5000);
    QCOMPARE(Cell(4999, 0), QStringLiteral("5000"));
}

void TestLogPage::newSearchEndsTheRunningOne()
{
    // A search started while another one still runs must show its own rows only, numbered from 1, whatever
    // the earlier thread had sent.
    FillRows(1500);
    bool started = false;
    auto again = connect(m_pPage.get(), &CSearchLog::SetProgressChanged, this, [&] {
        if (started)
            return;
        started = true;
        // The first search's thread now builds and sends its second batch, which must not reach the new
        // table.
        QThread::msleep(50);
        Child<QComboBox>("m_pcomboBoxLogType")->setCurrentIndex(2);
        m_pPage->OnBtnClickedSearchLog();
    });
    Search(0, kBase, kBase.addSecs(3600));
    disconnect(again);
    QTest::qWait(20);
    QCOMPARE(m_pTable->GetTopRowCount(), 750);
    QCOMPARE(Cell(0, 3), QStringLiteral("entry 1"));
    QCOMPARE(Cell(749, 0), QStringLiteral("750"));
}

void TestLogPage::stopBeforeTheRunIsNotLost()
{
    // The page may cancel before the thread got going: the search must then end without a batch to wait on.
    FillRows(10);
    CLogSearchThread thread;
    int batches = 0;
    connect(&thread, &CLogSearchThread::SetInfoToView, this, [&](const QList<CTreeViewItem*>& items) {
        qDeleteAll(items);
        ++batches;
    });
    thread.SetSearchParam(0, kBase.toSecsSinceEpoch(), kBase.toSecsSinceEpoch() + 3600);
    thread.Stop();
    thread.start();
    QVERIFY(thread.wait(10000));
    QCoreApplication::processEvents();
    QCOMPARE(batches, 0);
}

void TestLogPage::unknownKindsShowNoName()
{
    // The unknown kinds either side of the known ones must not read past their names.
    LOG_INFO info;
    info.LogTime = kBase.toSecsSinceEpoch();
    for (const int subtype : {0, 12, -1, 1000}) {
        info.LogSubType = subtype;
        QCOMPARE(CLogSearchThread::RowTexts(info, 42).value(2), QString());
    }
    // The last known kind: records deleted to make room.
    info.LogSubType = LOG_SUB_OVERWRITE;
    QCOMPARE(CLogSearchThread::RowTexts(info, 42).value(2), QStringLiteral("Overwrite Records"));
}

void TestLogPage::everyKindShowsItsName()
{
    const QStringList names{"Start SoftWare",       "Stop SoftWare",
                            "Start Manual Backup",  "Stop Manual Backup",
                            "Config Plan",          "Config Disk",
                            "Config Group",         "Device Reconnect Exception",
                            "Write File Exception", "Connect to Device Exception"};
    LOG_INFO info;
    info.LogTime = kBase.toSecsSinceEpoch();
    std::strcpy(info.LogContents, "text");
    for (int subtype = 1; subtype <= 10; ++subtype) {
        info.LogSubType = subtype;
        QCOMPARE(CLogSearchThread::RowTexts(info, subtype),
                 (QStringList{QString::number(subtype), QStringLiteral("2026-03-02 09:00:00"),
                              names[subtype - 1], QStringLiteral("text")}));
    }
}

void TestLogPage::batchesOfFiveHundred_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("batches"); // "rows in the batch: shown of found"
    QTest::newRow("none") << 0 << QStringList{"0: 1 of 1"};
    QTest::newRow("one") << 1 << QStringList{"1: 1 of 1"};
    QTest::newRow("499") << 499 << QStringList{"499: 499 of 499"};
    QTest::newRow("500") << 500 << QStringList{"500: 500 of 500"};
    QTest::newRow("501") << 501 << QStringList{"500: 500 of 501", "1: 501 of 501"};
    QTest::newRow("1000") << 1000 << QStringList{"500: 500 of 1000", "500: 1000 of 1000"};
}

// The search thread hands the rows over 500 at a time, each batch numbered on from the last, and waits for
// the page between batches.
void TestLogPage::batchesOfFiveHundred()
{
    QFETCH(int, rows);
    QFETCH(QStringList, batches);
    FillRows(rows);
    CLogSearchThread thread;
    QStringList seen;
    QStringList firstAndLast;
    connect(&thread, &CLogSearchThread::SetInfoToView, this,
            [&](const QList<CTreeViewItem*>& items, int shown, int found) {
                seen << QStringLiteral("%1: %2 of %3").arg(items.size()).arg(shown).arg(found);
                if (!items.isEmpty())
                    firstAndLast << items.first()->GetData(0, Qt::DisplayRole).toString()
                                 << items.last()->GetData(0, Qt::DisplayRole).toString();
                qDeleteAll(items);
                thread.Resume();
            });
    thread.SetSearchParam(0, kBase.toSecsSinceEpoch(), kBase.toSecsSinceEpoch() + 3600);
    thread.start();
    QVERIFY(QTest::qWaitFor([&] { return thread.isFinished() && seen.size() >= batches.size(); },
                            TestSupport::Bound(10000)));
    QCoreApplication::processEvents();
    QCOMPARE(seen, batches);
    QStringList numbers;
    for (int b = 0; b < batches.size() && rows > 0; ++b)
        numbers << QString::number(b * 500 + 1) << QString::number(std::min(rows, (b + 1) * 500));
    QCOMPARE(firstAndLast, numbers);
}

// The thread sends a batch only once the page has shown the one before, the last one too: a search stopped
// while the first of 501 rows waits to be shown ends with that batch alone.
void TestLogPage::noBatchBeforeThePageShowedTheLast()
{
    FillRows(501);
    CLogSearchThread thread;
    QList<int> sizes;
    connect(&thread, &CLogSearchThread::SetInfoToView, this, [&](const QList<CTreeViewItem*>& items) {
        sizes << int(items.size());
        qDeleteAll(items);
    });
    thread.SetSearchParam(0, kBase.toSecsSinceEpoch(), kBase.toSecsSinceEpoch() + 3600);
    thread.start();
    QVERIFY(QTest::qWaitFor([&] { return !sizes.isEmpty(); }, TestSupport::Bound(10000)));
    thread.Stop();
    QVERIFY(thread.wait(TestSupport::Bound(10000)));
    QCoreApplication::processEvents();
    QCOMPARE(sizes, QList<int>{500});
}

void TestLogPage::exportFromThePageSaysHowItEnded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder missing") << "missing/logs.xml"
                                    << "Error"
                                    << "Open file failed!";
    QTest::newRow("sync refused") << "refused.xml"
                                  << "Error"
                                  << "Backup failed. An earlier file of that name is kept.";
    QTest::newRow("written") << "logs"
                             << "Success"
                             << "Backup successful";
}

void TestLogPage::exportFromThePageSaysHowItEnded()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, message);
    FillRows(3);
    Search(0, kBase, kBase.addSecs(3600));
    const QString path = m_dir.filePath(name);
    const bool refused = name == QLatin1String("refused.xml");
    CLogWriteThread::SetSyncFault([refused](const QString&) { return refused ? EIO : 0; });
    const auto restore = qScopeGuard([] { CLogWriteThread::SetSyncFault(nullptr); });
    m_driver->Answer([path](QWidget* window) {
        auto* chooser = window->findChild<CPathComboBox*>(QStringLiteral("pBackcBox"));
        QVERIFY2(chooser != nullptr, window->metaObject()->className());
        chooser->clear();
        chooser->addItem(path);
        // Queued: the export runs inside the accept, and the driver answers no box while an answer runs.
        QMetaObject::invokeMethod(qobject_cast<QDialog*>(window), &QDialog::accept, Qt::QueuedConnection);
    });
    m_driver->AcceptPassingBusy(2);
    Child<QPushButton>("m_pushButtonExportLog")->click();
    QVERIFY(!m_driver->Seen().isEmpty());
    const MODAL_SEEN seen = m_driver->Seen().last();
    m_driver->Clear();
    if (refused) {
        // Failed, and why: never the "Unknown error." of a result the page did not know.
        QVERIFY2(seen.Text().contains(message + QLatin1Char('\n') + path +
                                      QStringLiteral(" cannot be written: Input/output error.")),
                 qPrintable(seen.Text()));
        QVERIFY(!QFile::exists(path));
    } else if (name.startsWith(QLatin1String("missing/"))) {
        // Not only that it failed: why, with the file.
        QVERIFY2(seen.labels.contains(message + QLatin1Char('\n') + path +
                                      QStringLiteral(" cannot be written: No such file or directory.")),
                 qPrintable(seen.Text()));
    } else {
        QVERIFY2(seen.labels.contains(message), qPrintable(seen.Text()));
    }
    QVERIFY(seen.title == title || seen.labels.contains(title));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing"))));
    // The ".xml" ending is added to a name without it.
    QCOMPARE(ReadBack(m_dir.filePath(QStringLiteral("logs.xml"))).size(),
             name == QLatin1String("logs") ? 3 : 0);
}

void TestLogPage::exportDialogsCheckThePathBeforeClosing_data()
{
    QTest::addColumn<bool>("records");
    QTest::newRow("record export") << true;
    QTest::newRow("log backup") << false;
}

// OK with no path must say so and keep the dialog open for a path; a dialog that closed silently would look
// like a finished export, and one that closed before saying so would have to be opened again.
void TestLogPage::exportDialogsCheckThePathBeforeClosing()
{
    QFETCH(bool, records);
    std::unique_ptr<CBaseDialog> dialog;
    if (records)
        dialog = std::make_unique<CExportRecord>(nullptr);
    else
        dialog = std::make_unique<CLogBackup>(nullptr);
    QSignalSpy accepted(dialog.get(), SIGNAL(SignalAccepted(QString)));
    dialog->show();
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("pOkBtn"));
    m_driver->Accept();
    ok->click();
    QCOMPARE(m_driver->Seen().size(), 1);
    QCOMPARE(m_driver->Seen().at(0).Text(), QStringLiteral("The path is empty"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(accepted.count(), 0);

    dialog->findChild<CPathComboBox*>()->addItem(m_dir.filePath(QStringLiteral("out")));
    ok->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(accepted.count(), 1);
    m_driver->Clear();
}

void TestLogPage::pickerChoosesOnlyANameGiven_data()
{
    QTest::addColumn<QString>("focus"); // the picker's widget that gets Return; empty: the box is accepted
    QTest::addColumn<QString>("typed"); // typed there first; also the backup's name (with ".xml") when given
    QTest::newRow("Return on the file type list") << "fileTypeCombo"
                                                  << "";
    QTest::newRow("Return on the places list") << "sidebar"
                                               << "";
    QTest::newRow("picker ended some other way") << ""
                                                 << "";
    QTest::newRow("Return after a name typed") << "fileNameEdit"
                                               << "logs";
}

// The log backup's file picker (the toolkit's own, inside the program's frame) with no name typed: its Save
// is greyed, and Return on its type list or its places list must leave it open with Save still greyed. Ended
// some other way it gives no file either: the folder it shows is never the file to write, which would put
// "<folder>.xml" beside the folder and report "Backup successful". A name typed and Return still choose it.
void TestLogPage::pickerChoosesOnlyANameGiven()
{
    QFETCH(QString, focus);
    QFETCH(QString, typed);
    FillRows(3);
    Search(0, kBase, kBase.addSecs(3600));
    // The picker opens in the current folder when the chooser is empty.
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("start"));
    QVERIFY(QDir().mkpath(start));
    const QString was = QDir::currentPath();
    QVERIFY(QDir::setCurrent(start));
    const auto back = qScopeGuard([was] { QDir::setCurrent(was); });

    bool openAfterReturn = false;
    bool saveGreyed = false;
    QString path = QStringLiteral("(picker never ran)");
    m_driver->Answer([&path](QWidget* window) {
        auto* chooser = window->findChild<CPathComboBox*>();
        QVERIFY(chooser != nullptr);
        // From a fresh event, so that the driver answers the picker; a click on the arrow opens it.
        QTimer::singleShot(0, window, [window, chooser, &path] {
            const QPoint arrow(chooser->width() - 5, chooser->height() / 2);
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent click(type, arrow, chooser->mapToGlobal(arrow), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
                QApplication::sendEvent(chooser, &click);
            }
            path = chooser->currentText();
            window->findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
            if (window->isVisible())
                qobject_cast<QDialog*>(window)->reject();
        });
    });
    m_driver->Answer([&](QWidget* box) {
        auto* picker = box->findChild<QFileDialog*>();
        QVERIFY(picker != nullptr);
        const QPushButton* save =
            picker->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save);
        QVERIFY(save != nullptr && !save->isEnabled());
        if (focus.isEmpty()) {
            qobject_cast<QDialog*>(box)->accept();
            return;
        }
        // Active as a shown picker is (the toolkit's own wait takes the window below it for it).
        box->activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == box);
        auto* target = picker->findChild<QWidget*>(focus);
        target->setFocus(Qt::TabFocusReason);
        QVERIFY(QApplication::focusWidget() == target);
        KeyboardKeys::TypeLikeAKeyboard(target, typed);
        // As a keyboard sends it: through the window, to whatever holds the focus there.
        QTest::keyPress(box->windowHandle(), Qt::Key_Return);
        QTest::keyRelease(box->windowHandle(), Qt::Key_Return);
        openAfterReturn = box->isVisible();
        saveGreyed = !save->isEnabled();
        if (box->isVisible())
            qobject_cast<QDialog*>(box)->reject();
    });
    m_driver->AcceptPassingBusy(3);
    Child<QPushButton>("m_pushButtonExportLog")->click();

    QVERIFY(m_driver->Seen().size() >= 2);
    QCOMPARE(m_driver->Seen().at(1).className, QStringLiteral("CFileDialog"));
    const QString chosen = typed.isEmpty() ? QString() : typed + QStringLiteral(".xml");
    if (chosen.isEmpty()) {
        QCOMPARE(openAfterReturn, !focus.isEmpty());
        QCOMPARE(saveGreyed, !focus.isEmpty());
        QCOMPARE(path, QString());
        QCOMPARE(m_driver->Seen().last().Text(), QStringLiteral("The path is empty"));
    } else {
        QVERIFY(!openAfterReturn);
        QCOMPARE(path, QDir(start).filePath(chosen));
        QCOMPARE(ReadBack(path).size(), 3);
    }
    // Nothing written anywhere else: neither beside the start folder nor hidden inside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("start")});
    QCOMPARE(QDir(start).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             chosen.isEmpty() ? QStringList() : QStringList{chosen});
    m_driver->Clear();
}

void TestLogPage::exportReadsBackWhatTheTableShowed()
{
    // Only an exact lower-case ".xml" ending counts as the suffix.
    QCOMPARE(CSearchLog::ExportFilePath(QStringLiteral("/tmp/logs")), QStringLiteral("/tmp/logs.xml"));
    QCOMPARE(CSearchLog::ExportFilePath(QStringLiteral("/tmp/Logs.XML")),
             QStringLiteral("/tmp/Logs.XML.xml"));
    // Markup characters and Chinese must survive escaping; a longer earlier file is replaced whole.
    const QString path = m_dir.filePath(QStringLiteral("logs.xml"));
    QCOMPARE(CLogWriteThread::WriteXml(path, SampleRows(30)), int(CLogWriteThread::WRITE_DONE));
    const QList<QStringList> rows = SampleRows(3);
    QCOMPARE(CLogWriteThread::WriteXml(path, rows), int(CLogWriteThread::WRITE_DONE));
    QCOMPARE(ReadBack(path), rows);

    // The element names and their nesting are the file format other programs read.
    QCOMPARE(CLogWriteThread::WriteXml(path, {{"7", "2026-12-06 08:00:00", "Config Disk", "one"}}),
             int(CLogWriteThread::WRITE_DONE));
    QCOMPARE(ReadAll(path), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                       "<LogTypes>\n"
                                       "    <Logs>\n"
                                       "        <Log>\n"
                                       "            <ID>7</ID>\n"
                                       "            <OperationTime>2026-12-06 08:00:00</OperationTime>\n"
                                       "            <Type>Config Disk</Type>\n"
                                       "            <Contents>one</Contents>\n"
                                       "        </Log>\n"
                                       "    </Logs>\n"
                                       "</LogTypes>\n"));
    QCOMPARE(CLogWriteThread::WriteXml(path, {}), int(CLogWriteThread::WRITE_DONE));
    QCOMPARE(ReadAll(path), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LogTypes/>\n"));
}

void TestLogPage::failedWriteKeepsTheEarlierFile_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("fails while writing") << 200;
    // Small enough to stay in the file's buffer until the last write, at the commit.
    QTest::newRow("fails at the final write") << 40;
}

void TestLogPage::failedWriteKeepsTheEarlierFile()
{
    // A file size limit makes the write fail half-way, as a full disk does, even for root.
    QFETCH(int, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.xml"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier export") > 0);
    old.close();
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = CLogWriteThread::WriteXml(path, SampleRows(rows));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, int(CLogWriteThread::WRITE_FAILED));
    QCOMPARE(ReadAll(path), QByteArray("earlier export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.xml"});
}

void TestLogPage::failedLastStepIsAFailure_data()
{
    QTest::addColumn<QString>("step"); // the step the file system refuses; empty: none
    QTest::newRow("sync refused") << "sync";
    QTest::newRow("rename refused") << "rename";
    QTest::newRow("both done") << "";
}

// The export is done only once its bytes are on the disk under the chosen name: a refused sync or rename at
// the end is a failure, and the earlier file stays whole.
void TestLogPage::failedLastStepIsAFailure()
{
    QFETCH(QString, step);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.xml"));
    QVERIFY(CLogWriteThread::WriteXml(path, SampleRows(2)) == CLogWriteThread::WRITE_DONE);
    const QByteArray earlier = ReadAll(path);
    QStringList steps;
    const auto fault = [&steps, &step](const char* name) {
        return [&steps, &step, name](const QString& at) {
            steps << QLatin1String(name) + QLatin1Char(' ') + QFileInfo(at).fileName();
            return step == QLatin1String(name) ? EIO : 0;
        };
    };
    CLogWriteThread::SetSyncFault(fault("sync"));
    CLogWriteThread::SetRenameFault(fault("rename"));
    const auto restore = qScopeGuard([] {
        CLogWriteThread::SetSyncFault(nullptr);
        CLogWriteThread::SetRenameFault(nullptr);
    });
    const QList<QStringList> rows = SampleRows(5);
    const int result = CLogWriteThread::WriteXml(path, rows);

    // The sync comes before the rename, on the file written aside.
    QVERIFY2(steps.size() == (step == QLatin1String("sync") ? 1 : 2) &&
                 steps[0].startsWith(QStringLiteral("sync .keep.xml.")) &&
                 (steps.size() == 1 || steps[1] == QLatin1String("rename keep.xml")),
             qPrintable(steps.join(QLatin1Char('|'))));
    QCOMPARE(result, int(step.isEmpty() ? CLogWriteThread::WRITE_DONE : CLogWriteThread::WRITE_FAILED));
    if (step.isEmpty())
        QCOMPARE(ReadBack(path), rows);
    else
        QCOMPARE(ReadAll(path), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.xml"});
}

MODAL_SEEN TestLogPage::Backup(const QString& path, std::function<void(QWidget*)> busy)
{
    FillRows(3);
    Search(0, kBase, kBase.addSecs(3600));
    m_driver->Answer([path](QWidget* window) {
        auto* chooser = window->findChild<CPathComboBox*>(QStringLiteral("pBackcBox"));
        chooser->clear();
        chooser->addItem(path);
        // Queued: the export runs inside the accept, and the driver answers no box while an answer runs.
        QMetaObject::invokeMethod(qobject_cast<QDialog*>(window), &QDialog::accept, Qt::QueuedConnection);
    });
    if (busy)
        m_driver->Answer(std::move(busy));
    else
        m_driver->AcceptPassingBusy(1);
    m_driver->Accept();
    Child<QPushButton>("m_pushButtonExportLog")->click();
    const MODAL_SEEN seen = m_driver->Seen().value(m_driver->Seen().size() - 1);
    m_driver->Clear();
    return seen;
}

void TestLogPage::backupWritesOnlyAFileItMade_data()
{
    QTest::addColumn<QString>("plant"); // what stands at the chosen name: "pipe", "link", "device", or none
    QTest::addColumn<QString>("found"); // how the box names it; empty: the backup is written
    QTest::newRow("another user's pipe") << "pipe"
                                         << "a named pipe";
    QTest::newRow("another user's link") << "link"
                                         << "a link";
    QTest::newRow("a device") << "device"
                              << "a device";
    QTest::newRow("nothing") << ""
                             << "";
}

// In a folder other users write to, whatever another user put at the chosen name is refused and never opened
// for writing: a pipe would hand the log to its reader (or hold the backup for ever), a link would overwrite
// the file it leads to. The backup is the operator's alone (0600) and leaves no temporary file.
void TestLogPage::backupWritesOnlyAFileItMade()
{
    QFETCH(QString, plant);
    QFETCH(QString, found);
    if (plant == QLatin1String("device"))
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "A device node is made by root");
    else if (!plant.isEmpty())
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's entries need a second user id");
    const QString shared = m_dir.filePath(QStringLiteral("shared-") + QLatin1String(QTest::currentDataTag()));
    QVERIFY(OtherUser::MakeSharedFolder(shared));
    const QString path = shared + QStringLiteral("/logs.xml");
    const QString mine = m_dir.filePath(QStringLiteral("mine.txt"));
    QFile mineFile(mine);
    QVERIFY(mineFile.open(QIODevice::WriteOnly) && mineFile.write("the operator's own") > 0);
    mineFile.close();
    if (plant == QLatin1String("pipe"))
        QVERIFY(OtherUser::MakePipe(path));
    else if (plant == QLatin1String("link"))
        QVERIFY(OtherUser::MakeLink(mine, path));
    else if (plant == QLatin1String("device"))
        QVERIFY(::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
    // A reader on the pipe, as its owner would hold it: whatever the backup wrote into the pipe reaches it.
    const int reader = plant == QLatin1String("pipe")
                           ? ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                           : -1;
    const auto closeReader = qScopeGuard([reader] {
        if (reader >= 0)
            ::close(reader);
    });
    struct stat before = {};
    QVERIFY(::lstat(QFile::encodeName(path).constData(), &before) == 0 || plant.isEmpty());

    const MODAL_SEEN seen = Backup(path);

    if (found.isEmpty()) {
        QCOMPARE(seen.Text(), QStringLiteral("Backup successful"));
        QCOMPARE(ReadBack(path).size(), 3);
        struct stat made = {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &made) == 0);
        QCOMPARE(made.st_mode & 07777, mode_t(0600));
    } else {
        QCOMPARE(seen.Text(), QStringLiteral("Open file failed!\n%1 is %2: only a regular file is replaced. "
                                             "Nothing was written.")
                                  .arg(path, found));
        struct stat after = {};
        QVERIFY(::lstat(QFile::encodeName(path).constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
    }
    if (reader >= 0) {
        char byte = 0;
        QCOMPARE(::read(reader, &byte, 1), ssize_t(0)); // no writer ever opened it, and nothing came
    }
    QCOMPARE(ReadAll(mine), QByteArray("the operator's own"));
    QCOMPARE(QDir(shared).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("logs.xml")});
}

void TestLogPage::backupEndsWithCancelOrTheClose_data()
{
    QTest::addColumn<bool>(
        "cancel"); // the operator's Cancel; else the program's close, which rejects the box
    QTest::newRow("Cancel") << true;
    QTest::newRow("the program's close") << false;
}

// A backup held on its way (a slow disk) ends when the operator cancels or the program closes: nothing
// replaces the chosen name, no temporary file stays, and nothing says "Backup successful".
void TestLogPage::backupEndsWithCancelOrTheClose()
{
    QFETCH(bool, cancel);
    const QString path = m_dir.filePath(QStringLiteral("held.xml"));
    std::atomic<bool> held{false};
    std::atomic<bool> go{false};
    CLogWriteThread::SetSyncFault([&](const QString&) {
        held = true;
        for (int waited = 0; !go && waited < TestSupport::Bound(10000); waited += 5)
            QThread::msleep(5);
        return 0;
    });
    const auto restore = qScopeGuard([] { CLogWriteThread::SetSyncFault(nullptr); });
    bool answered = false;
    const MODAL_SEEN seen = Backup(path, [&](QWidget* busy) {
        QVERIFY(QTest::qWaitFor([&held] { return bool(held); }, TestSupport::Bound(5000)));
        QVERIFY(qobject_cast<ChaseDialog*>(busy) != nullptr);
        if (cancel) {
            auto* button = busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"));
            QVERIFY(button != nullptr && button->isVisible());
            button->click();
        } else {
            static_cast<QDialog*>(busy)->reject();
        }
        go = true;
        answered = true;
    });
    QVERIFY(answered);
    QCOMPARE(seen.Text(), QStringLiteral("Backup stopped. No file was written."));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*held*")}, QDir::AllEntries | QDir::Hidden),
             QStringList());
}

// A stop heard while the rows are written ends the backup, even when it is asked only once: a writer that
// forgot it would rename a document cut short, or the whole one, over the chosen name.
void TestLogPage::stopHeardBetweenRowsIsKept()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("once.xml"));
    int asked = 0;
    const int result = CLogWriteThread::WriteXml(path, SampleRows(600), [&asked] { return ++asked == 2; });
    QCOMPARE(result, int(CLogWriteThread::WRITE_STOPPED));
    QVERIFY(asked >= 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    TestLogPage tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_gui_logpage.moc"

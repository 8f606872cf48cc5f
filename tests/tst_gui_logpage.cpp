// The log page driven as an operator drives it: the range rules, what the table shows after a search and
// after a cancel, and the export that follows. Each search runs the real thread over a temporary database;
// each box is answered by the modal-box driver.

#include "model/DbText.h"
#include "model/SQLite3DB.h"
#include "pages/log/CLogBackup.h"
#include "pages/log/CSearchLog.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

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

// The answer for a box that may close by itself before the driver sees it (the busy box of an export): it is
// left alone, and any other box is accepted.
void AcceptUnlessBusy(CModalDriver& driver)
{
    driver.Answer([](QWidget* window) {
        if (QString::fromLatin1(window->metaObject()->className()) != QLatin1String("ChaseDialog"))
            qobject_cast<QDialog*>(window)->accept();
    });
}

// The file's form is the writer test's business; here only which rows went in.
int CountLogs(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("<Log>")) : -1;
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
    void showsEveryRowNumbered_data();
    void showsEveryRowNumbered();
    void typeFilter_data();
    void typeFilter();
    void cancelKeepsShownRowsAndNextSearchWorks();
    void newSearchEndsTheRunningOne();
    void editorsStartOnTodayAndStayInsideTheLog();
    void exportSuffixRule();
    void exportsWhatTheTableShows();
    void exportFailures();
    void escapeAndReturnCloseNothing();

private:
    void Search(int type, const QDateTime& start, const QDateTime& end);
    QString Cell(int row, int column) const { return m_pTable->GetItemText(row, column); }
    template <class T> T* Child(const char* name) const
    {
        return m_pPage->findChild<T*>(QLatin1String(name));
    }
    void ClickExport() { Child<QPushButton>("m_pushButtonExportLog")->click(); }
    // Runs an export to path, the backup dialog getting the path as if the operator had chosen it; gives the
    // last box shown.
    MODAL_SEEN Export(const QString& path);

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSearchLog> m_pPage;
    CTableView* m_pTable = nullptr;
    std::unique_ptr<CModalDriver> m_driver;
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
    // The click returns when the progress box has closed.
    Child<QPushButton>("m_pushButtonSearch")->click();
    QCoreApplication::processEvents();
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
    QTest::newRow("start equals end") << 30 * kDay << 30 * kDay << QString() << 1;
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
    if (message.isEmpty()) {
        QCOMPARE(m_driver->Seen().size(), 0);
        QCOMPARE(Cell(rows - 1, 1), kBase.addSecs(endOffset).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    } else {
        QCOMPARE(m_driver->Seen().size(), 1);
        QVERIFY2(m_driver->Seen().first().Text().contains(message),
                 qPrintable(m_driver->Seen().first().Text()));
    }
}

void TestLogPage::showsEveryRowNumbered_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("500") << 500;
    QTest::newRow("501") << 501;
    QTest::newRow("1500") << 1500;
}

void TestLogPage::showsEveryRowNumbered()
{
    QFETCH(int, rows);
    FillRows(rows);
    Search(0, kBase, kBase.addSecs(3600));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(m_pTable->GetTopRowCount(), rows);
    for (int row : {0, 499, 500, rows - 1}) {
        if (row < 0 || row >= rows)
            continue; // a batch edge the table does not reach
        QCOMPARE(Cell(row, 0), QString::number(row + 1));
        QCOMPARE(Cell(row, 2), QStringLiteral("Config Disk"));
        QCOMPARE(Cell(row, 3).left(6), QStringLiteral("entry "));
    }
}

void TestLogPage::typeFilter_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Operation Log") << 1 << QStringList{"entry 0", "entry 2"};
    QTest::newRow("Exception Log") << 2 << QStringList{"entry 1"};
}

void TestLogPage::typeFilter()
{
    QFETCH(int, type);
    QFETCH(QStringList, texts);
    Fill({0, 1, 2});
    Search(type, kBase, kBase.addSecs(10));
    QStringList shown;
    for (int row = 0; row < m_pTable->GetTopRowCount(); ++row)
        shown.append(Cell(row, 3));
    QCOMPARE(shown, texts);
    QCOMPARE(Cell(0, 0), QStringLiteral("1"));
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
    QCOMPARE(Cell(kept - 1, 0), QString::number(kept));

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
    QCOMPARE(Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(Cell(0, 3), QStringLiteral("entry 1"));
    QCOMPARE(Cell(749, 0), QStringLiteral("750"));
}

void TestLogPage::editorsStartOnTodayAndStayInsideTheLog()
{
    auto* start = Child<QDateTimeEdit>("m_pStartTime");
    auto* end = Child<QDateTimeEdit>("m_pEndTime");
    QCOMPARE(start->dateTime(), QDateTime(QDate::currentDate(), QTime(0, 0, 0)));
    QCOMPARE(end->dateTime(), QDateTime(QDate::currentDate().addDays(1), QTime(0, 0, 0)));
    // The log's time texts have four-digit years from 1970 on: nothing outside can be searched for.
    start->setDateTime(QDateTime(QDate(1900, 1, 1), QTime(0, 0, 0)));
    QCOMPARE(start->dateTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0)));
    end->setDateTime(QDateTime(QDate(10000, 1, 1), QTime(0, 0, 0)));
    QVERIFY(end->dateTime() <= QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)));
}

void TestLogPage::exportSuffixRule()
{
    // Only an exact lower-case ".xml" ending counts as the suffix.
    const QList<QPair<QString, QString>> cases{{"/tmp/logs", "/tmp/logs.xml"},
                                               {"/tmp/a.xml", "/tmp/a.xml"},
                                               {"/tmp/Logs.XML", "/tmp/Logs.XML.xml"},
                                               {"/tmp/old.xml.bak", "/tmp/old.xml.bak"}};
    for (const auto& [path, written] : cases)
        QCOMPARE(CSearchLog::ExportFilePath(path), written);
}

MODAL_SEEN TestLogPage::Export(const QString& path)
{
    m_driver->Answer([path](QWidget* window) {
        auto* chooser = window->findChild<CPathComboBox*>(QStringLiteral("pBackcBox"));
        QVERIFY2(chooser != nullptr, window->metaObject()->className());
        chooser->clear();
        chooser->addItem(path);
        // Queued: the export runs inside the accept, and the driver answers no box while an answer runs.
        QMetaObject::invokeMethod(qobject_cast<QDialog*>(window), &QDialog::accept, Qt::QueuedConnection);
    });
    AcceptUnlessBusy(*m_driver);
    AcceptUnlessBusy(*m_driver);
    ClickExport();
    const MODAL_SEEN last = m_driver->Seen().isEmpty() ? MODAL_SEEN() : m_driver->Seen().last();
    // The busy box may have closed before the driver saw it: its answer must not reach a later box.
    m_driver->Clear();
    return last;
}

void TestLogPage::exportsWhatTheTableShows()
{
    QTemporaryDir dir;
    m_driver->Accept();
    ClickExport();
    QVERIFY(m_driver->Seen().last().Text().contains(QStringLiteral("The log table is empty")));

    FillRows(501);
    Search(0, kBase, kBase.addSecs(3600));
    m_driver->Clear();
    const MODAL_SEEN done = Export(dir.filePath(QStringLiteral("logs")));
    QVERIFY2(done.Text().contains(QStringLiteral("Backup successful")), qPrintable(done.Text()));
    QCOMPARE(CountLogs(dir.filePath(QStringLiteral("logs.xml"))), 501);

    // Exporting again replaces the file with the table as it is now.
    Search(2, kBase, kBase.addSecs(3600));
    Export(dir.filePath(QStringLiteral("logs.xml")));
    QCOMPARE(CountLogs(dir.filePath(QStringLiteral("logs.xml"))), 250);
}

void TestLogPage::exportFailures()
{
    QTemporaryDir dir;
    FillRows(3);
    Search(0, kBase, kBase.addSecs(3600));

    const MODAL_SEEN seen = Export(dir.filePath(QStringLiteral("missing/logs.xml")));
    QVERIFY2(seen.Text().contains(QStringLiteral("Open file failed!")), qPrintable(seen.Text()));
    QVERIFY(seen.title == QLatin1String("Error") || seen.labels.contains(QStringLiteral("Error")));

    // No path chosen: the dialog closes and nothing is written or reported.
    m_driver->Accept();
    ClickExport();
    QCOMPARE(m_driver->Seen().size(), 1);

    m_driver->Accept();
    m_pPage->OnBackUp(QString());
    QVERIFY(m_driver->Seen().last().Text().contains(QStringLiteral("Name cannot be empty")));
}

void TestLogPage::escapeAndReturnCloseNothing()
{
    QTest::keyClick(m_pPage.get(), Qt::Key_Escape);
    QVERIFY(m_pPage->isVisible());
    QCOMPARE(m_pPage->result(), 0);
    // The backup dialog only ends by its buttons.
    CLogBackup backup(m_pPage.get());
    backup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&backup));
    QTest::keyClick(&backup, Qt::Key_Escape);
    QTest::keyClick(&backup, Qt::Key_Return);
    QVERIFY(backup.isVisible());
    QCOMPARE(backup.result(), 0);
}

int main(int argc, char** argv)
{
    // The page is wider than the default headless screen.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QT_TESTCASE_SOURCEDIR "/screens/1280x1024.json");
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    TestLogPage tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_gui_logpage.moc"

// The busy and progress boxes that run while workers import devices, search the log or export records: a key
// that ends the box while its worker runs, a stop that is lost, or a bar that is full before the work is,
// lets the operator act on half-done work. The file pickers and the path box of the log backup and record
// export dialogs: a wrong extension writes the log backup under a name nobody finds, and a folder without its
// trailing slash puts exported files beside it.

#include "pages/log/CLogBackup.h"
#include "pages/record/CExportRecord.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CFileDialog.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/CProgress.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>

namespace {

// A worker that runs until it is released, then reports its end (and its progress) from its own thread.
class CWorker : public QThread
{
    Q_OBJECT

public:
    QSemaphore release;

Q_SIGNALS:
    void Progress(ProgressInfo info);
    void Finished();

protected:
    void run() override
    {
        Q_EMIT Progress(ProgressInfo{1, 4});
        release.acquire();
        Q_EMIT Progress(ProgressInfo{4, 4});
        Q_EMIT Finished();
    }
};

QProgressBar* Bar(QWidget* box)
{
    return box->findChild<QProgressBar*>(QStringLiteral("pProgressBar"));
}

// Answers the next picker by choosing `path` in its embedded file dialog.
void Choose(CModalDriver& driver, const QString& path, std::function<void(QFileDialog*)> check = {})
{
    driver.Answer([path, check](QWidget* window) {
        auto* picker = window->findChild<QFileDialog*>();
        if (picker == nullptr) {
            window->close();
            return;
        }
        if (check)
            check(picker);
        picker->selectFile(path);
        static_cast<QDialog*>(picker)->accept(); // as its Open or Save button does
    });
}

} // namespace

class TestBusyBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void returnIsIgnoredWhileTheWorkerRuns_data();
    void returnIsIgnoredWhileTheWorkerRuns();
    void chaseStopBeforeExecStillEnds();
    void percent();
    void progressCancel();
    void extension();
    void startDirectory();
    void openPickerReturnsTheFile();
    void saveModeAddsTheExtension();
    void exportPickers();
    void folderModeAddsTheSlash();

private:
    QTemporaryDir m_dir;
};

void TestBusyBoxes::returnIsIgnoredWhileTheWorkerRuns_data()
{
    QTest::addColumn<bool>("progress");
    QTest::newRow("busy box") << false;
    QTest::newRow("progress box") << true;
}

void TestBusyBoxes::returnIsIgnoredWhileTheWorkerRuns()
{
    QFETCH(bool, progress);
    CWorker worker;
    std::unique_ptr<QDialog> box;
    if (progress) {
        auto* bar = new CProgress;
        connect(&worker, &CWorker::Progress, bar, &CProgress::OnProgressChanged); // queued: another thread
        box.reset(bar);
    } else {
        auto* chase = new ChaseDialog(nullptr, QStringLiteral(":/images/Loading.gif"),
                                      QStringLiteral("Search..."), false);
        connect(&worker, &CWorker::Finished, chase, &ChaseDialog::OnImmediatelyStopChase);
        box.reset(chase);
    }
    int seenValue = -1;
    bool openAfterKeys = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        // The worker is always released, so a failed check cannot leave the box running.
        if (progress) {
            const bool reached = QTest::qWaitFor([&] { return Bar(window)->value() == 25; }, 2000);
            seenValue = reached ? Bar(window)->value() : -1;
        }
        QTest::keyClick(window, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_Enter);
        openAfterKeys = window->isVisible();
        worker.release.release(); // the work ends; its signal ends the box
    });
    worker.start();
    QCOMPARE(box->exec(), 1);
    QVERIFY(worker.wait(5000));
    QVERIFY(openAfterKeys);
    QCOMPARE(seenValue, progress ? 25 : -1);
}

void TestBusyBoxes::chaseStopBeforeExecStillEnds()
{
    // The worker may finish before the box is shown: its stop must not be lost.
    ChaseDialog box(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Writing..."), false);
    box.OnImmediatelyStopChase();
    QTimer::singleShot(5000, &box, &QDialog::reject); // a lost stop fails the test instead of blocking it
    QCOMPARE(box.exec(), 1);

    // A stop seen by the poll ends the box as done, a refusal seen by it as cancelled.
    for (const bool done : {true, false}) {
        ChaseDialog polled(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Writing..."),
                           false);
        done ? polled.SetStopChase() : polled.OnSlotRejectChase();
        QTimer::singleShot(5000, &polled, done ? &QDialog::reject : &QDialog::accept);
        QCOMPARE(polled.exec(), done ? 1 : 0);
    }
}

void TestBusyBoxes::percent()
{
    // 999 of 1000 is not yet full; large counts do not overflow; no total is no percentage.
    const QList<std::tuple<int, int, int>> cases{
        {999, 1000, 99}, {2000000000, 2100000000, 95}, {1, 0, -1}, {1000, 1000, 100}, {0, 5, 0}, {-5, 10, 0},
        {1, -1, -1}};
    for (const auto& [done, total, percent] : cases)
        QCOMPARE(CProgress::PercentOf(done, total), percent);
    // More than all is full: the bar shows 100 and the box ends as done.
    CProgress box;
    box.OnProgressChanged(ProgressInfo{150, 100});
    QCOMPARE(box.findChild<QProgressBar*>()->value(), 100);
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

void TestBusyBoxes::progressCancel()
{
    CProgress box;
    QSignalSpy cancel(&box, &CProgress::SignalCancel);
    CModalDriver driver;
    driver.Click(QStringLiteral("Cancel"));
    QCOMPARE(box.exec(), 0);
    QCOMPARE(cancel.count(), 1);
}

void TestBusyBoxes::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).mkdir(QStringLiteral("records"));
    QFile file(m_dir.filePath(QStringLiteral("Varrow.db")));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestBusyBoxes::extension()
{
    const QList<std::tuple<const char*, const char*, const char*>> cases{{"XML(*.xml)", "log", "log.xml"},
                                                                         {"XML(*.xml)", "log.xml", "log.xml"},
                                                                         {"Logs (*.xml *.txt)", "a", "a.xml"},
                                                                         {"All(*)", "a", "a"}};
    for (const auto& [filter, name, completed] : cases)
        QCOMPARE(CPathComboBox::CompleteFileName(QString::fromLatin1(name), QString::fromLatin1(filter)),
                 QString::fromLatin1(completed));
}

void TestBusyBoxes::startDirectory()
{
    const QString root = QDir(m_dir.path()).canonicalPath();
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("records/"))), root + "/records");
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("Varrow.db"))), root);
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("gone/new.xml"))),
             QDir::currentPath());
}

void TestBusyBoxes::openPickerReturnsTheFile()
{
    QWidget parent;
    CModalDriver driver;
    const QString file = m_dir.filePath(QStringLiteral("Varrow.db"));
    QString startedIn;
    Choose(driver, file, [&](QFileDialog* picker) { startedIn = picker->directory().absolutePath(); });
    QCOMPARE(
        CFileDialog::GetOpenFileName(&parent, QStringLiteral("Import"), file, QStringLiteral("DB(*.db)")),
        file);
    QCOMPARE(startedIn, QDir(m_dir.path()).absolutePath());
    // Closing the picker's box is no choice.
    driver.Click(QStringLiteral("m_pCloseBtn"));
    QVERIFY(CFileDialog::GetOpenFileName(&parent, QStringLiteral("Import"), file).isEmpty());
    QVERIFY(driver.Failures().isEmpty());
}

void TestBusyBoxes::saveModeAddsTheExtension()
{
    const QString shown = m_dir.filePath(QStringLiteral("log.xml"));
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeSaveFile);
    box.SetFilter(QStringLiteral("XML(*.xml)"));
    CModalDriver driver;
    Choose(driver, m_dir.filePath(QStringLiteral("log")));
    box.showPopup();
    QCOMPARE(box.currentText(), shown);
    // A cancelled picker leaves the box as it was.
    driver.Reject();
    box.showPopup();
    QCOMPARE(box.currentText(), shown);
    QCOMPARE(driver.Pending(), 0);
}

// The log backup asks for an XML file to save under the caption of its own; the record export for a folder.
void TestBusyBoxes::exportPickers()
{
    CLogBackup logBackup(nullptr);
    CModalDriver driver;
    QString caption;
    QStringList filters;
    Choose(driver, m_dir.filePath(QStringLiteral("day")), [&](QFileDialog* picker) {
        caption = picker->window()->windowTitle();
        filters = picker->nameFilters();
        QCOMPARE(picker->acceptMode(), QFileDialog::AcceptSave);
    });
    logBackup.findChild<CPathComboBox*>()->showPopup();
    QCOMPARE(logBackup.findChild<CPathComboBox*>()->currentText(), m_dir.filePath(QStringLiteral("day.xml")));
    QCOMPARE(caption, QStringLiteral("Select Log Backup File"));
    QCOMPARE(filters, QStringList{"XML(*.xml)"});

    CExportRecord exportRecord(nullptr);
    Choose(driver, m_dir.filePath(QStringLiteral("records")),
           [&](QFileDialog* picker) { caption = picker->window()->windowTitle(); });
    exportRecord.findChild<CPathComboBox*>()->showPopup();
    QCOMPARE(exportRecord.findChild<CPathComboBox*>()->currentText(),
             m_dir.filePath(QStringLiteral("records/")));
    QCOMPARE(caption, QStringLiteral("Select Path to save record files"));
    QCOMPARE(driver.Pending(), 0);
}

void TestBusyBoxes::folderModeAddsTheSlash()
{
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeDirectory);
    CModalDriver driver;
    Choose(driver, m_dir.filePath(QStringLiteral("records")));
    box.showPopup();
    QCOMPARE(box.currentText(), m_dir.filePath(QStringLiteral("records/")));
}

VARROW_TEST_MAIN(TestBusyBoxes, QApplication)
#include "tst_gui_busyboxes.moc"

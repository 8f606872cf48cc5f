// The busy and progress boxes that run while workers import devices, search the log or export records: a key
// that ends the box while its worker runs, a stop that is lost, or a bar that is full before the work is,
// lets the operator act on half-done work.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CProgress.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QApplication>
#include <QProgressBar>
#include <QSignalSpy>
#include <QThread>

#include <atomic>

namespace {

// A worker that runs until it is released, then reports its end (and its progress) from its own thread.
class CWorker : public QThread
{
    Q_OBJECT

public:
    std::atomic<bool> release{false};

Q_SIGNALS:
    void Progress(ProgressInfo info);
    void Finished();

protected:
    void run() override
    {
        Q_EMIT Progress(ProgressInfo{1, 4});
        while (!release)
            QThread::msleep(1);
        Q_EMIT Progress(ProgressInfo{4, 4});
        Q_EMIT Finished();
    }
};

QProgressBar* Bar(QWidget* box)
{
    return box->findChild<QProgressBar*>(QStringLiteral("pProgressBar"));
}

} // namespace

class TestBusyBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void returnIsIgnoredWhileTheWorkerRuns_data();
    void returnIsIgnoredWhileTheWorkerRuns();
    void chaseStopBeforeExecStillEnds();
    void percent_data();
    void percent();
    void progressCancel();
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
        worker.release = true; // the work ends; its signal ends the box
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
}

void TestBusyBoxes::percent_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("999 of 1000 is not yet full") << 999 << 1000 << 99;
    QTest::newRow("large counts") << 2000000000 << 2100000000 << 95;
    QTest::newRow("no total") << 1 << 0 << -1;
}

void TestBusyBoxes::percent()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, percent);
    QCOMPARE(CProgress::PercentOf(done, total), percent);
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

VARROW_TEST_MAIN(TestBusyBoxes, QApplication)
#include "tst_gui_busyboxes.moc"

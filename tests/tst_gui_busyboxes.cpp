// The busy and progress boxes that run while workers import devices, search the log or export records: a key
// that ends the box while its worker runs, a stop that is lost, or a bar that is full before the work is,
// lets the operator act on half-done work.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CProgress.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QApplication>
#include <QMovie>
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
    void chaseIgnoresReturnWhileTheWorkerRuns();
    void chaseStopBeforeExecStillEnds();
    void chaseLastStopWins();
    void chaseShowsTheAnimation();
    void percent_data();
    void percent();
    void progressClosesItselfWhenFull();
    void progressFromAWorkerThread();
    void progressCancel();
};

void TestBusyBoxes::chaseIgnoresReturnWhileTheWorkerRuns()
{
    QWidget page;
    ChaseDialog box(&page, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Search..."), false);
    CWorker worker;
    connect(&worker, &CWorker::Finished, &box, &ChaseDialog::OnImmediatelyStopChase);
    bool openAfterKeys = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        QTest::keyClick(window, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_Enter);
        QTest::keyClick(window, Qt::Key_Escape);
        openAfterKeys = window->isVisible();
        worker.release = true; // the work ends; its signal ends the box
    });
    worker.start();
    QCOMPARE(box.exec(), 1);
    QVERIFY(openAfterKeys);
    QVERIFY(worker.wait(5000));
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Search..."));
}

void TestBusyBoxes::chaseStopBeforeExecStillEnds()
{
    // The worker may finish before the box is shown: its stop must not be lost.
    ChaseDialog box(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Writing..."), false);
    box.OnImmediatelyStopChase();
    QTimer::singleShot(5000, &box, &QDialog::reject); // a lost stop fails the test instead of blocking it
    QCOMPARE(box.exec(), 1);
    QCOMPARE(box.StopState(), -1);
}

void TestBusyBoxes::chaseLastStopWins()
{
    ChaseDialog box(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Exporting..."), true);
    QSignalSpy cancel(&box, &ChaseDialog::SignalCancel);
    box.UpdateInfo(); // nothing asked: nothing happens
    QCOMPARE(box.result(), 0);
    QCOMPARE(cancel.count(), 0);
    box.SetStopChase();
    box.OnSlotRejectChase();
    QTimer::singleShot(5000, &box, &QDialog::accept);
    QCOMPARE(box.exec(), 0);
    QCOMPARE(cancel.count(), 1);
}

void TestBusyBoxes::chaseShowsTheAnimation()
{
    ChaseDialog box(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("Search..."), false);
    auto* movie = box.findChild<QMovie*>();
    QVERIFY(movie != nullptr && movie->isValid() && movie->frameCount() > 1);
    QCOMPARE(movie->state(), QMovie::Running);
}

void TestBusyBoxes::percent_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("1 of 3") << 1 << 3 << 33;
    QTest::newRow("999 of 1000 is not yet full") << 999 << 1000 << 99;
    QTest::newRow("3 of 3") << 3 << 3 << 100;
    QTest::newRow("more than all") << 5 << 3 << 166;
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

void TestBusyBoxes::progressClosesItselfWhenFull()
{
    CProgress box;
    box.show();
    box.OnProgressChanged(ProgressInfo{2, 3});
    QCOMPARE(Bar(&box)->value(), 66);
    box.OnProgressChanged(ProgressInfo{1, 0}); // ignored
    QCOMPARE(Bar(&box)->value(), 66);
    QVERIFY(box.isVisible());
    box.OnProgressChanged(ProgressInfo{7, 3});
    QCOMPARE(Bar(&box)->value(), 100);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), 1);
}

void TestBusyBoxes::progressFromAWorkerThread()
{
    CProgress box;
    CWorker worker;
    connect(&worker, &CWorker::Progress, &box, &CProgress::OnProgressChanged); // queued: another thread
    int seenValue = -1;
    bool openAfterReturn = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        // The worker is always released, so a failed check cannot leave the box running.
        const bool reached = QTest::qWaitFor([&] { return Bar(window)->value() == 25; }, 2000);
        Q_UNUSED(reached); // the value is checked below
        seenValue = Bar(window)->value();
        QTest::keyClick(window, Qt::Key_Return);
        openAfterReturn = window->isVisible();
        worker.release = true;
    });
    worker.start();
    QCOMPARE(box.exec(), 1);
    QVERIFY(worker.wait(5000));
    QCOMPARE(seenValue, 25);
    QVERIFY(openAfterReturn);
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Progress"));
}

void TestBusyBoxes::progressCancel()
{
    CProgress box;
    QSignalSpy cancel(&box, &CProgress::SignalCancel);
    CModalDriver driver;
    driver.Click(QStringLiteral("Cancel"));
    QCOMPARE(box.exec(), 0);
    QCOMPARE(cancel.count(), 1);
    QVERIFY(driver.Failures().isEmpty());
}

VARROW_TEST_MAIN(TestBusyBoxes, QApplication)
#include "tst_gui_busyboxes.moc"

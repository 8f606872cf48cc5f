// The manual backup: its list is built once, fetched by its own worker, survives an interruption, and a stop
// at any moment ends it.

#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/TaskStore.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>

#include <atomic>

namespace {

const QDate kDay(2024, 3, 3);
const QDateTime kNow(QDate(2024, 3, 5), QTime(10, 0));
constexpr int kLimitMs = 30000; // a hang guard only

QList<TASK_INFO> Stored()
{
    QList<TASK_INFO> list;
    DbSelectTaskInfo(&list, MANUAL_GROUP_ID, 0);
    return list;
}

int DoneFiles(const QList<TASK_INFO>& list)
{
    int done = 0;
    for (const TASK_INFO& task : list)
        for (const FILE_INFO& file : task.FileList)
            done += file.DownloadState == DOWNLOAD_DONE ? 1 : 0;
    return done;
}

} // namespace

class TestManualBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsRunsAndResumesAfterAStop();
    void noWorkerStarts_data();
    void noWorkerStarts();

private:
    static int SetUp(CEngineFixture& f, const QDateTime& from, const QDateTime& to);
};

int TestManualBackup::SetUp(CEngineFixture& f, const QDateTime& from, const QDateTime& to)
{
    const int device = f.AddDevice(CSimRecorders::MakeConfig(2, {200000, 200000, 200000}, kDay, 17), "Gate");
    if (device < 0 || f.SetUpStorage() != 0)
        return -1;
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SimTime(from);
    manual.FileEndTime = SimTime(to);
    manual.FileType = 0;
    manual.Channel[0] = {int16_t(device), 2};
    manual.Channel[1] = {int16_t(device), 1};
    f.Model().SetManualBackupInfo(&manual);
    return device;
}

void TestManualBackup::buildsRunsAndResumesAfterAStop()
{
    CEngineFixture f(kNow);
    const int device = SetUp(f, QDateTime(kDay, QTime(0, 0)), QDateTime(kDay, QTime(23, 59, 59)));
    QVERIFY(device >= 0);
    CRecorderSim& sim = f.Recorder(device);
    sim.SetRate(2 * 1024 * 1024); // slow enough to stop in the middle
    {
        CManualBackup backup;
        QSignalSpy built(&backup, &CManualBackup::SigGetTaskSuc);
        backup.start();
        QTRY_VERIFY_WITH_TIMEOUT(DoneFiles(Stored()) >= 2, kLimitMs);
        backup.Stop();
        QVERIFY(backup.wait(kLimitMs));
        QVERIFY(built.size() >= 1);
    }
    const QList<TASK_INFO> partial = Stored();
    QCOMPARE(partial.size(), 2);
    QCOMPARE(partial[0].CameraIndex, int16_t(0)); // the manual plan's order: channel 2 first
    QCOMPARE(partial[0].TaskTime, kNow.date());
    const int doneBefore = DoneFiles(partial);
    QVERIFY(doneBefore >= 2 && doneBefore < 6);

    // The next manual start resumes the saved list: no new search, only the files not yet stored.
    sim.SetRate(0);
    sim.ClearCallLog();
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(kLimitMs));
    QVERIFY(sim.Calls("find").isEmpty());
    QCOMPARE(sim.Calls("play-open").size(), 6 - doneBefore);
    QCOMPARE(DoneFiles(Stored()), 6);
    for (int channel = 1; channel <= 2; ++channel) {
        QCOMPARE(f.StoredFiles(device, channel).size(), 3);
        QVERIFY(f.StoredCopyMatches(device, channel, SimTime(QDateTime(kDay, QTime(9, 0))),
                                    SimTime(QDateTime(kDay, QTime(10, 0)))));
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestManualBackup::noWorkerStarts_data()
{
    QTest::addColumn<bool>("stopAfterBuild");
    // A range in which no channel has files: an empty saved list.
    QTest::newRow("empty range") << false;
    // A stop that arrives on the backup's own thread just after the list was built: the list is kept for
    // the next start.
    QTest::newRow("stop between build and download") << true;
}

void TestManualBackup::noWorkerStarts()
{
    QFETCH(bool, stopAfterBuild);
    CEngineFixture f(kNow);
    const QTime from = stopAfterBuild ? QTime(0, 0) : QTime(20, 0);
    const int device = SetUp(f, QDateTime(kDay, from), QDateTime(kDay, QTime(21, 0)));
    QVERIFY(device >= 0);
    CManualBackup backup;
    QSignalSpy built(&backup, &CManualBackup::SigGetTaskSuc);
    std::atomic<bool> stopped{false}; // Stop emits the same signal again, hence the guard
    if (stopAfterBuild)
        connect(
            &backup, &CManualBackup::SigGetTaskSuc, &backup,
            [&] {
                if (!stopped.exchange(true))
                    backup.Stop();
            },
            Qt::DirectConnection);
    QSignalSpy workerStarted(backup.Worker(), &QThread::started);
    backup.start();
    QVERIFY(backup.wait(kLimitMs));
    QVERIFY(backup.Worker()->wait(kLimitMs));
    QCOMPARE(built.size(), stopAfterBuild ? 2 : 1);
    QCOMPARE(workerStarted.size(), 0);
    QCOMPARE(Stored().size(), stopAfterBuild ? 2 : 0);
    QCOMPARE(f.Recorder(device).Calls("find").size(), 2);
    QVERIFY(f.Recorder(device).Calls("play-open").isEmpty());
}

VARROW_TEST_MAIN(TestManualBackup, QCoreApplication)
#include "tst_manualbackup.moc"

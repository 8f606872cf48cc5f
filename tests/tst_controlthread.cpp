// A plan's schedule from end to end without a window: the control thread, its task writer and its two
// workers wired as the state page wires them, on a scaled clock pinned to chosen days.

#include "engine/ControlThread.h"
#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "model/TaskStore.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

#include <atomic>
#include <ctime>
#include <mutex>

namespace {

const QDate kSunday(2024, 3, 3);
const QDate kMonday(2024, 3, 4);
const QDate kTuesday(2024, 3, 5);
constexpr int kPlan = 3;
// A hang guard only. The clock runs 1000 times faster than real time, so bounds on clock times leave room for
// a loaded machine: ten clock minutes are 600 real milliseconds.
constexpr int kLimitMs = 30000;

// The plan's threads, noting the clock time of the events the tests look at (null until they happened).
class CObservedPlan : public CPlanThreads
{
public:
    explicit CObservedPlan(int group) : CPlanThreads(group)
    {
        Observe(&CControlThread::StartGetTask, m_listBuilt);
        Observe(&CControlThread::StopWork, m_stopped);
    }
    // Stopped before the marks go, so no late signal reaches them.
    ~CObservedPlan() override { StopAll(); }

    QDateTime ListBuiltAt() const { return Get(m_listBuilt); }
    QDateTime StoppedAt() const { return Get(m_stopped); }

private:
    void Observe(void (CControlThread::*signal)(), QDateTime& at)
    {
        const auto mark = [this, &at] {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!at.isValid())
                at = EngineNow();
        };
        QObject::connect(&control, signal, &control, mark, Qt::DirectConnection);
    }
    QDateTime Get(const QDateTime& at) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return at;
    }

    mutable std::mutex m_mutex;
    QDateTime m_listBuilt, m_stopped;
};

SCHEDULE_WEEKDAY Entry(int hour, int duration)
{
    SCHEDULE_WEEKDAY entry;
    entry.IsEanbel = 1;
    entry.TaskStartTime = {int16_t(hour), 0, 0};
    entry.Duration = int16_t(duration);
    return entry;
}

QList<TASK_INFO> Stored(int isPast)
{
    QList<TASK_INFO> list;
    DbSelectTaskInfo(&list, kPlan, isPast);
    return list;
}

bool AllDone(const QList<TASK_INFO>& list)
{
    for (const TASK_INFO& task : list)
        if (task.DownloadState != DOWNLOAD_DONE)
            return false;
    return !list.isEmpty();
}

} // namespace

class TestControlThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowOpensAndCloses_data();
    void windowOpensAndCloses();
    void unfinishedFilesGetOneMoreWindowOnTheSameThreads();
    void windowInADaylightSavingGapOpensAfterIt();
    void restartInsideTheWindowFetchesOnlyWhatIsLeft();
    void stopEndsEveryPhase_data();
    void stopEndsEveryPhase();
};

void TestControlThread::windowOpensAndCloses_data()
{
    QTest::addColumn<bool>("overnight");
    // The whole-week entry at 18:00 for 6 hours, on Monday at 17:59:57.
    QTest::newRow("whole week") << false;
    // Monday's and Tuesday's entries at 22:00 for 6 hours, started on Tuesday at 01:00: Monday's window is
    // still open (on a day whose own entry is off, no window opens at all).
    QTest::newRow("overnight, begun the day before") << true;
}

void TestControlThread::windowOpensAndCloses()
{
    QFETCH(bool, overnight);
    CEngineFixture f(overnight ? QDateTime(kTuesday, QTime(1, 0)) : QDateTime(kMonday, QTime(17, 59, 57)));
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {30000, 40000}, kSunday, 21), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    GROUP_INFO plan;
    plan.bUsed = 1;
    std::strcpy(plan.GroupName, "Night");
    plan.Channel[0] = {int16_t(device), 1};
    if (overnight)
        plan.Schedule[1] = plan.Schedule[2] = Entry(22, 6);
    else
        plan.Schedule[0] = Entry(18, 6);
    QVERIFY(f.Model().SetGroupInfo(&plan, kPlan));

    CObservedPlan threads(kPlan);
    threads.control.Start();
    QTRY_VERIFY_WITH_TIMEOUT(AllDone(Stored(0)), kLimitMs);
    // Monday's window and task, Sunday's recordings.
    const QDateTime opened = overnight ? QDateTime(kTuesday, QTime(1, 0)) : QDateTime(kMonday, QTime(18, 0));
    QVERIFY(threads.ListBuiltAt() >= opened && threads.ListBuiltAt() < opened.addSecs(600));
    QCOMPARE(Stored(0)[0].TaskTime, kMonday);
    QCOMPARE(Stored(0)[0].FileList.size(), 2);
    QCOMPARE(FromSdkTime(Stored(0)[0].FileList[0].FileStartTime).date(), kSunday);
    QCOMPARE(f.StoredFiles(device, 1).size(), 2);
    QVERIFY(!threads.StoppedAt().isValid());

    const QDateTime end = overnight ? QDateTime(kTuesday, QTime(4, 0)) : QDateTime(kTuesday, QTime(0, 0));
    f.Clock().SetNow(end.addSecs(-2));
    QTRY_VERIFY_WITH_TIMEOUT(threads.StoppedAt().isValid(), kLimitMs);
    QVERIFY(threads.StoppedAt() >= end && threads.StoppedAt() < end.addSecs(600));
    // Everything was fetched: neither list is kept.
    QTRY_VERIFY_WITH_TIMEOUT(Stored(0).isEmpty() && Stored(1).isEmpty(), kLimitMs);
    QVERIFY(threads.control.isRunning());
}

void TestControlThread::unfinishedFilesGetOneMoreWindowOnTheSameThreads()
{
    CEngineFixture f(QDateTime(kMonday, QTime(17, 59, 58)));
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {30000}, kSunday, 9);
    for (int channel = 1; channel <= 2; ++channel)
        config.AddRecording(channel, QDateTime(kMonday, QTime(8, 0)), QDateTime(kMonday, QTime(9, 0)), 0,
                            30000);
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}, {int16_t(device), 2}}, Entry(18, 6)));
    // A list from two days back is dropped when the window opens.
    const TASK_INFO stale = f.TaskOf(kPlan, 0, kMonday.addDays(-2));
    QVERIFY(DbSaveTaskList({stale}, kPlan, 0));
    QVERIFY(DbSaveTaskList({stale}, kPlan, 1));

    CRecorderSim& sim = f.Recorder(device);
    SimChannelFaults refuse;
    refuse.PlayRefusals = -1;
    sim.SetChannelFaults(2, refuse);
    // The same threads serve every window, started by QThread::start as the page does.
    CObservedPlan threads(kPlan);
    static_cast<QThread&>(threads.control).start();
    QTRY_VERIFY_WITH_TIMEOUT(f.StoredFiles(device, 1).size() == 1 && Stored(0).size() == 2, kLimitMs);
    QCOMPARE(Stored(0)[0].TaskTime, kMonday);
    QVERIFY(Stored(1).isEmpty());

    // At the window's end the clock steps back half a second, on real time: the closed window must not
    // open again, drop the overdue list and build a new one.
    std::atomic<bool> stepBack{true};
    QObject::connect(
        &threads.control, &CControlThread::StopWork, &threads.control,
        [&] {
            if (stepBack.exchange(false)) {
                f.Clock().SetScale(1.0);
                f.Clock().SetNow(QDateTime(kTuesday, QTime(0, 0)).addMSecs(-500));
            }
        },
        Qt::DirectConnection);
    f.Clock().SetNow(QDateTime(kMonday, QTime(23, 59, 58)));
    QTRY_VERIFY_WITH_TIMEOUT(!stepBack && Stored(0).isEmpty() && Stored(1).size() == 2, kLimitMs);
    QTest::qWait(1200);
    f.Clock().SetScale(1000.0);
    QCOMPARE(Stored(1).size(), 2);
    QCOMPARE(Stored(1)[0].TaskTime, kMonday);
    QVERIFY(Stored(0).isEmpty());
    QCOMPARE(sim.Calls("find").size(), 2);

    // The page restarts the plan (its settings changed); Tuesday the recorder plays again, and the overdue
    // worker fetches Monday's rest beside Tuesday's list.
    threads.control.Stop();
    QVERIFY(threads.control.wait(kLimitMs));
    static_cast<QThread&>(threads.control).start();
    sim.SetChannelFaults(2, SimChannelFaults());
    f.Clock().SetNow(QDateTime(kTuesday, QTime(17, 59, 58)));
    QTRY_VERIFY_WITH_TIMEOUT(AllDone(Stored(0)) && AllDone(Stored(1)), kLimitMs);
    QCOMPARE(Stored(0)[0].TaskTime, kTuesday);
    QCOMPARE(Stored(1)[0].TaskTime, kMonday);
    for (int channel = 1; channel <= 2; ++channel)
        QCOMPARE(f.StoredFiles(device, channel).size(), 2);
    QVERIFY(f.StoredCopyMatches(device, 2, SimTime(QDateTime(kSunday, QTime(8, 0))),
                                SimTime(QDateTime(kSunday, QTime(9, 0)))));
}

void TestControlThread::windowInADaylightSavingGapOpensAfterIt()
{
    // On 31 March 2024 Berlin's clocks jump from 02:00 to 03:00; a window planned for 02:30 opens at 03:00.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDate day(2024, 3, 31);
    {
        CEngineFixture f(QDateTime(day, QTime(1, 59, 58)));
        const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {20000}, day.addDays(-1)), "Gate");
        QVERIFY(device >= 0);
        QCOMPARE(f.SetUpStorage(), 0);
        SCHEDULE_WEEKDAY entry = Entry(2, 2);
        entry.TaskStartTime.Minute = 30;
        QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, entry));
        CObservedPlan threads(kPlan);
        threads.control.Start();
        QTRY_VERIFY_WITH_TIMEOUT(
            threads.ListBuiltAt().isValid() || EngineNow() > QDateTime(day, QTime(4, 30)), kLimitMs);
        QVERIFY(threads.ListBuiltAt() >= QDateTime(day, QTime(3, 0)));
        QVERIFY(threads.ListBuiltAt() < QDateTime(day, QTime(3, 10)));
    }
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

void TestControlThread::restartInsideTheWindowFetchesOnlyWhatIsLeft()
{
    CEngineFixture f(QDateTime(kMonday, QTime(19, 0)));
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {10000, 20000, 30000}, kSunday, 2), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, Entry(18, 6)));
    TASK_INFO task = f.TaskOf(kPlan, 0, kMonday);
    task.FileList[0].DownloadState = DOWNLOAD_DONE; // fetched before the program was closed
    task.FileList[2].DownloadState = DOWNLOAD_RUNNING;
    QVERIFY(DbSaveTaskList({task}, kPlan, 0));

    CObservedPlan threads(kPlan);
    threads.control.Start();
    QTRY_VERIFY_WITH_TIMEOUT(AllDone(Stored(0)), kLimitMs);
    QVERIFY(!threads.ListBuiltAt().isValid());
    QVERIFY(f.Recorder(device).Calls("find").isEmpty());
    QCOMPARE(f.Recorder(device).Calls("play-open").size(), 2);
    QCOMPARE(f.StoredFiles(device, 1).size(), 2);
}

void TestControlThread::stopEndsEveryPhase_data()
{
    QTest::addColumn<QString>("phase");
    QTest::newRow("waiting for the window") << "idle";
    QTest::newRow("login to a silent recorder") << "login";
    QTest::newRow("search that never ends") << "search";
    QTest::newRow("play-back start refused") << "reconnect";
    QTest::newRow("polling a slow stream") << "polling";
}

void TestControlThread::stopEndsEveryPhase()
{
    QFETCH(QString, phase);
    CEngineFixture f(QDateTime(kMonday, phase == "idle" ? QTime(9, 0) : QTime(18, 0, 1)));
    NET_DVR_SetTimeouts(300, 300);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {64 * 1024 * 1024}, kSunday), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, Entry(18, 6)));
    CRecorderSim& sim = f.Recorder(device);
    SimChannelFaults faults;
    if (phase == "search")
        faults.SearchBusy = 100000000;
    if (phase == "reconnect")
        faults.PlayRefusals = -1;
    sim.SetChannelFaults(1, faults);
    if (phase == "login")
        sim.SetSilent(true);
    if (phase == "polling")
        sim.SetRate(1024 * 1024);

    CObservedPlan threads(kPlan);
    threads.control.Start();
    if (phase == "login")
        QTRY_VERIFY_WITH_TIMEOUT(threads.ListBuiltAt().isValid(), kLimitMs);
    else if (phase == "search")
        QTRY_VERIFY_WITH_TIMEOUT(sim.Calls("next").size() > 10, kLimitMs);
    else if (phase == "reconnect")
        QTRY_VERIFY_WITH_TIMEOUT(sim.Calls("play-open").size() > 3, kLimitMs);
    else if (phase == "polling")
        QTRY_VERIFY_WITH_TIMEOUT(sim.Calls("position").size() > 3, kLimitMs);
    else
        QTest::qWait(50);

    QElapsedTimer timer;
    timer.start();
    threads.StopAll();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    sim.SetSilent(false);
    QVERIFY(f.Recorders().WaitForIdle());
}

VARROW_TEST_MAIN(TestControlThread, QCoreApplication)
#include "tst_controlthread.moc"

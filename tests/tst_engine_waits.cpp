// The engine's waits and their limits: "still searching" is given up after a minute of nothing else, counted
// afresh after every found file, and every wait of the engine clock ends when its time has passed in real
// time, whatever the wall clock does. At stake: a long listing given up half way, or every login, poll and
// reconnect stalled for an hour by a clock set back.

#include "engine/EngineCommon.h"
#include "model/EngineClock.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using TestSupport::Bound;

const QDate kDay(2024, 5, 1);

// Clock time that moves only by the waits asked of it, each passing at once: a count of answers times the
// pause between them is exactly the clock time a search took, however slow the machine.
class CWaitCountedClock : public CEngineClock
{
public:
    explicit CWaitCountedClock(const QDateTime& start) : m_now(start) {}

    QDateTime Now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    bool Sleep(qint64 ms, const CStopEvent* stop = nullptr) const override
    {
        if (stop != nullptr && stop->IsSet())
            return false;
        std::lock_guard lock(m_mutex);
        m_now = m_now.addMSecs(ms);
        return true;
    }

private:
    mutable std::mutex m_mutex;
    mutable QDateTime m_now;
};

// The program's own clock, whose wall clock is stepped by `stepMs` right after a wait has read it once.
class CSteppedWallClock : public CEngineClock
{
public:
    explicit CSteppedWallClock(qint64 stepMs) : m_stepMs(stepMs) {}

    QDateTime Now() const override
    {
        const QDateTime now = QDateTime::currentDateTime();
        return m_reads++ == 0 ? now : now.addMSecs(m_stepMs);
    }

private:
    qint64 m_stepMs;
    mutable std::atomic<int> m_reads{0};
};

// Puts a clock in place of the engine clock for its lifetime, then the one before.
class CScopedClock
{
public:
    explicit CScopedClock(std::shared_ptr<CEngineClock> clock) : m_previous(GetEngineClock())
    {
        SetEngineClock(std::move(clock));
    }
    ~CScopedClock() { SetEngineClock(m_previous); }
    CScopedClock(const CScopedClock&) = delete;
    CScopedClock& operator=(const CScopedClock&) = delete;

private:
    std::shared_ptr<CEngineClock> m_previous;
};

} // namespace

class TestEngineWaits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stillSearchingCountsFromTheLastFile_data();
    void stillSearchingCountsFromTheLastFile();
    void waitsEndInRealTimeWhenTheWallClockSteps_data();
    void waitsEndInRealTimeWhenTheWallClockSteps();
};

void TestEngineWaits::stillSearchingCountsFromTheLastFile_data()
{
    QTest::addColumn<int>("busyAnswers"); // before each file and before the end of the list
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("givenUp");
    // The first "still searching" is answered at 0 s, the 600th at 59.9 s: still inside the minute. A list
    // of four files asks for four minutes of searching in all, each run of answers a little under one.
    QTest::newRow("600 before each of four files") << 600 << 4 << false;
    // The 601st "still searching" of one run comes at 60 s: the limit.
    QTest::newRow("601 before the first file") << 601 << 4 << true;
}

void TestEngineWaits::stillSearchingCountsFromTheLastFile()
{
    QFETCH(int, busyAnswers);
    QFETCH(int, files);
    QFETCH(bool, givenUp);
    CEngineFixture f(QDateTime(kDay.addDays(1), QTime(12, 0)));
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, QList<qint64>(files, 20000), kDay);
    config.Channel(1).Faults.SearchBusy = busyAnswers;
    CRecorderSim* sim = f.Recorders().Add(config);
    QVERIFY(sim);
    const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    QVERIFY(login >= 0);
    auto clock = std::make_shared<CWaitCountedClock>(QDateTime(kDay.addDays(1), QTime(12, 0)));
    const QDateTime began = clock->Now();
    CScopedClock scoped(clock);

    NET_DVR_FILE_CONDITION condition;
    condition.Channel = 1;
    condition.StartTime = SimTime(QDateTime(kDay, QTime(0, 0)));
    condition.StopTime = SimTime(QDateTime(kDay, QTime(23, 59, 59)));
    CStopEvent stop;
    TASK_INFO task;
    const LIST_FILES_RESULT result =
        ListChannelFiles(login, condition, QStringLiteral("Gate 1"), stop, {}, &task);

    QCOMPARE(result, givenUp ? LIST_FILES_RESULT::GAVE_UP : LIST_FILES_RESULT::LISTED);
    QCOMPARE(task.FileList.size(), givenUp ? 0 : files);
    QCOMPARE(CEngineFixture::LogRows(
                 QStringLiteral("Search of Gate 1 given up: the recorder was still searching after 60 s")),
             givenUp ? 1 : 0);
    // Each "still searching" is followed by its pause of 100 ms, but the one that ends the search; the
    // answers before the end of the list make one run more than the files.
    const qint64 pauses = givenUp ? busyAnswers - 1 : qint64(files + 1) * busyAnswers;
    QCOMPARE(began.msecsTo(clock->Now()), pauses * kSearchBusyPauseMs);
    QCOMPARE(kSearchBusyLimitMs, qint64(60000));
    NET_DVR_Logout_V30(login);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngineWaits::waitsEndInRealTimeWhenTheWallClockSteps_data()
{
    QTest::addColumn<qint64>("stepMs");
    QTest::addColumn<qint64>("waitMs");
    QTest::addColumn<qint64>("atLeastMs"); // real time the wait must take
    // A clock set back: the wall clock's target is an hour off, the real time is what ends the wait.
    QTest::newRow("set back an hour") << qint64(-3600000) << qint64(300) << qint64(300);
    // A clock set forward past the wait's end ends it at once, as its wall-clock time has come.
    QTest::newRow("set forward an hour") << qint64(3600000) << qint64(1800000) << qint64(0);
}

void TestEngineWaits::waitsEndInRealTimeWhenTheWallClockSteps()
{
    QFETCH(qint64, stepMs);
    QFETCH(qint64, waitMs);
    QFETCH(qint64, atLeastMs);
    CScopedClock scoped(std::make_shared<CSteppedWallClock>(stepMs));
    CStopEvent stop;
    std::atomic<bool> ended{false};
    std::atomic<bool> passed{false};
    std::atomic<qint64> took{0};
    // On a thread of its own, the way an engine thread waits; a wait with no end is ended by its stop.
    std::thread waiter([&] {
        QElapsedTimer real;
        real.start();
        passed = EngineSleep(waitMs, &stop);
        took = real.elapsed();
        ended = true;
    });
    QElapsedTimer guard;
    guard.start();
    while (!ended && guard.elapsed() < atLeastMs + Bound(2000))
        QThread::msleep(5);
    stop.Set();
    waiter.join();
    QVERIFY2(passed, qPrintable(QStringLiteral("the wait was still on after %1 ms").arg(took.load())));
    QVERIFY2(took >= atLeastMs && took < atLeastMs + Bound(1000), qPrintable(QString::number(took.load())));
}

VARROW_TEST_MAIN(TestEngineWaits, QCoreApplication)
#include "tst_engine_waits.moc"

// A call that may wait on a volume is waited for within its bound, ends early at a stop, and a place that
// keeps stalling holds one thread, not one per try. A file's lane makes its calls in order, and once one of
// them was left on a silent volume, answers the next at once instead of queueing it behind.
#include "platform/VolumeCall.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// A volume that answers only when the test lets it.
struct GATE
{
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Open = false;
    void Release()
    {
        std::lock_guard lock(Mutex);
        Open = true;
        Changed.notify_all();
    }
    void Wait()
    {
        std::unique_lock lock(Mutex);
        Changed.wait(lock, [this] { return Open; });
    }
};

bool WaitUntilNoCallIsOut()
{
    QElapsedTimer clock;
    clock.start();
    while (VolumeCall::CallsOut() != 0 && clock.elapsed() < 30000)
        QTest::qWait(10);
    return VolumeCall::CallsOut() == 0;
}

} // namespace

class TestVolumeCall : public QObject
{
    Q_OBJECT

private slots:
    void answerIsReturned()
    {
        int value = 0;
        QCOMPARE(VolumeCall::Run<int>(
                     QStringLiteral("a"), [] { return 42; }, 60000, &value),
                 VolumeCall::OUTCOME_DONE);
        QCOMPARE(value, 42);
        QVERIFY(WaitUntilNoCallIsOut());
    }

    // A stalled place ends the wait at its bound or at a stop, whichever comes first; while its call is out,
    // the next call for it is not made, another place is; once it answers, it is asked again.
    void stalledPlaceIsLeftAndAskedAgainOnceItAnswers_data()
    {
        QTest::addColumn<bool>("byStop");
        QTest::newRow("bound") << false;
        QTest::newRow("stop") << true;
    }
    void stalledPlaceIsLeftAndAskedAgainOnceItAnswers()
    {
        QFETCH(bool, byStop);
        auto gate = std::make_shared<GATE>();
        auto calls = std::make_shared<std::atomic<int>>(0);
        const auto stalled = [gate, calls] {
            ++*calls;
            gate->Wait();
            return 1;
        };
        QElapsedTimer clock;
        clock.start();
        int value = 0;
        const VolumeCall::OUTCOME outcome =
            byStop ? VolumeCall::Run<int>(QStringLiteral("/stalled"), stalled, 600000, &value,
                                          [&clock] { return clock.elapsed() > 100; })
                   : VolumeCall::Run<int>(QStringLiteral("/stalled"), stalled, 100, &value);
        QCOMPARE(outcome, byStop ? VolumeCall::OUTCOME_STOPPED : VolumeCall::OUTCOME_NO_ANSWER);
        QCOMPARE(value, 0);
        QVERIFY2(clock.elapsed() < 30000, "the wait outlived its bound");
        QCOMPARE(VolumeCall::CallsOut(), 1);

        // Not asked again while it has not answered: at once, no second thread.
        clock.restart();
        QCOMPARE(VolumeCall::Run<int>(QStringLiteral("/stalled"), stalled, 20000, &value),
                 VolumeCall::OUTCOME_NO_ANSWER);
        QVERIFY(clock.elapsed() < 30000);
        QCOMPARE(calls->load(), 1);
        QCOMPARE(VolumeCall::CallsOut(), 1);
        // Another place is not held up by it.
        QCOMPARE(VolumeCall::Run<int>(
                     QStringLiteral("/healthy"), [] { return 7; }, 600000, &value),
                 VolumeCall::OUTCOME_DONE);
        QCOMPARE(value, 7);

        gate->Release();
        QVERIFY(WaitUntilNoCallIsOut());
        QCOMPARE(VolumeCall::Run<int>(QStringLiteral("/stalled"), stalled, 600000, &value),
                 VolumeCall::OUTCOME_DONE);
        QCOMPARE(value, 1);
        QCOMPARE(calls->load(), 2);
    }

    // A lane's calls run in order; one left at its bound or at a stop makes the lane stuck: the next call
    // answers at once, without running, and work posted meanwhile runs once the volume answers, after it,
    // even when the lane is gone by then.
    void laneStuckAtASilentCallAnswersAtOnce_data()
    {
        QTest::addColumn<bool>("byStop");
        QTest::newRow("bound") << false;
        QTest::newRow("stop") << true;
    }
    void laneStuckAtASilentCallAnswersAtOnce()
    {
        QFETCH(bool, byStop);
        auto gate = std::make_shared<GATE>();
        struct SEEN
        {
            std::mutex Mutex;
            std::vector<int> Order;
            void Note(int call)
            {
                std::lock_guard lock(Mutex);
                Order.push_back(call);
            }
        };
        auto seen = std::make_shared<SEEN>();
        {
            VolumeCall::CLane lane;
            int value = 0;
            for (int call = 1; call <= 3; ++call) {
                QCOMPARE(lane.Run<int>(
                             [seen, call] {
                                 seen->Note(call);
                                 return call * 10;
                             },
                             600000, &value),
                         VolumeCall::OUTCOME_DONE);
                QCOMPARE(value, call * 10);
            }
            QVERIFY(!lane.Stuck());

            QElapsedTimer clock;
            clock.start();
            const std::function<int()> silent = [gate, seen] {
                seen->Note(4);
                gate->Wait();
                return 40;
            };
            const VolumeCall::OUTCOME outcome =
                byStop ? lane.Run<int>(silent, 600000, &value, [&clock] { return clock.elapsed() > 100; })
                       : lane.Run<int>(silent, 100, &value);
            QCOMPARE(outcome, byStop ? VolumeCall::OUTCOME_STOPPED : VolumeCall::OUTCOME_NO_ANSWER);
            QCOMPARE(value, 30);
            QVERIFY(lane.Stuck());
            QCOMPARE(VolumeCall::CallsOut(), 1);

            // Answered without being queued: it never runs, not even once the volume answers.
            clock.restart();
            QCOMPARE(lane.Run<int>(
                         [seen] {
                             seen->Note(5);
                             return 50;
                         },
                         TestSupport::Bound(20000), &value),
                     VolumeCall::OUTCOME_NO_ANSWER);
            QVERIFY2(clock.elapsed() < TestSupport::Bound(20000), "the call waited behind the silent one");
            QCOMPARE(value, 30);
            lane.Post([seen] { seen->Note(6); });
            QCOMPARE(VolumeCall::CallsOut(), 2);
        } // the lane goes while its thread still waits on the silent call: it is not waited for
        {
            std::lock_guard lock(seen->Mutex);
            QCOMPARE(seen->Order, (std::vector<int>{1, 2, 3, 4}));
        }

        gate->Release();
        QVERIFY(WaitUntilNoCallIsOut());
        std::lock_guard lock(seen->Mutex);
        QCOMPARE(seen->Order, (std::vector<int>{1, 2, 3, 4, 6}));
    }

    // Once the left call came back, the lane takes calls again.
    void laneAnswersAgainOnceItsCallCameBack()
    {
        auto gate = std::make_shared<GATE>();
        VolumeCall::CLane lane;
        int value = 0;
        QCOMPARE(lane.Run<int>(
                     [gate] {
                         gate->Wait();
                         return 1;
                     },
                     50, &value),
                 VolumeCall::OUTCOME_NO_ANSWER);
        QVERIFY(lane.Stuck());
        gate->Release();
        QVERIFY(WaitUntilNoCallIsOut());
        QVERIFY(!lane.Stuck());
        QCOMPARE(lane.Run<int>([] { return 2; }, 600000, &value), VolumeCall::OUTCOME_DONE);
        QCOMPARE(value, 2);
    }
};

QTEST_GUILESS_MAIN(TestVolumeCall)
#include "tst_volumecall.moc"

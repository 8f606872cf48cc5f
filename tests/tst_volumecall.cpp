// A call that may wait on a volume is waited for within its bound, ends early at a stop, and a place that
// keeps stalling holds one thread, not one per try.
#include "platform/VolumeCall.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
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

    // Several places asked together are asked side by side, within one bound: two works that answer only
    // once both have been asked both answer; a place that stalls is left at the bound while the others'
    // answers are kept; and it is not asked again while its call is out.
    void placesAreAskedSideBySide()
    {
        auto both = std::make_shared<GATE>();
        auto asked = std::make_shared<std::atomic<int>>(0);
        const auto meet = [both, asked](int value) {
            return [both, asked, value] {
                if (++*asked == 2)
                    both->Release();
                both->Wait();
                return value;
            };
        };
        auto gate = std::make_shared<GATE>();
        auto calls = std::make_shared<std::atomic<int>>(0);
        const auto stalled = [gate, calls] {
            ++*calls;
            gate->Wait();
            return 1;
        };
        const std::vector<QString> keys{QStringLiteral("/side-a"), QStringLiteral("/side-b"),
                                        QStringLiteral("/side-stalled"), QStringLiteral("/side-c")};
        std::vector<std::optional<int>> results;
        const std::vector<VolumeCall::OUTCOME> outcomes =
            VolumeCall::RunAll<int>(keys, {meet(1), meet(2), stalled, [] { return 7; }}, 10000, &results);
        QCOMPARE(outcomes,
                 (std::vector<VolumeCall::OUTCOME>{VolumeCall::OUTCOME_DONE, VolumeCall::OUTCOME_DONE,
                                                   VolumeCall::OUTCOME_NO_ANSWER, VolumeCall::OUTCOME_DONE}));
        QCOMPARE(results, (std::vector<std::optional<int>>{1, 2, std::nullopt, 7}));
        QCOMPARE(VolumeCall::CallsOut(), 1);

        // The stalled place again, beside one that answers: passed over at once, the other answered.
        QCOMPARE(VolumeCall::RunAll<int>({QStringLiteral("/side-stalled"), QStringLiteral("/side-c")},
                                         {stalled, [] { return 8; }}, 20000, &results),
                 (std::vector<VolumeCall::OUTCOME>{VolumeCall::OUTCOME_NO_ANSWER, VolumeCall::OUTCOME_DONE}));
        QCOMPARE(results, (std::vector<std::optional<int>>{std::nullopt, 8}));
        QCOMPARE(calls->load(), 1);

        gate->Release();
        QVERIFY(WaitUntilNoCallIsOut());
    }
};

QTEST_GUILESS_MAIN(TestVolumeCall)
#include "tst_volumecall.moc"

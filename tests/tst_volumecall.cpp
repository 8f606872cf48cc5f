// A call that may wait on a volume is waited for within its bound, ends early at a stop, and a place that
// keeps stalling holds one thread, not one per try. The disk map's reading is bounded so: a silent volume,
// a letter's or any other mounted on the machine, holds it no longer than one bound. A file's lane makes its
// calls in order, and once one of them was left on a silent volume, answers the next at once instead of
// queueing it behind.
#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "tests/support/FuseView.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
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

    void silentVolumeHoldsNoReadingOfTheDiskMap_data();
    void silentVolumeHoldsNoReadingOfTheDiskMap();
    void letterOfASilentVolumeIsFoundWithoutWaiting();
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

void TestVolumeCall::silentVolumeHoldsNoReadingOfTheDiskMap_data()
{
    QTest::addColumn<int>("silentLetters");   // silent views mapped as letters D, F, ...
    QTest::addColumn<int>("silentElsewhere"); // silent views mounted elsewhere, under no letter
    QTest::newRow("a letter's volume") << 1 << 0;
    QTest::newRow("a volume under no letter") << 0 << 1;
    QTest::newRow("several silent volumes") << 3 << 1;
}

// Volumes that stop answering (FUSE views whose daemon is stopped, as network shares whose server went
// silent), mapped as letters or mounted anywhere else on the machine: the map's reading (at the program's
// start, for the disk settings) ends within one bound in all, however many there are, with the machine's
// other volumes read; a silent letter is named as not answering and not taken as there, a healthy one is
// listed as usual. Read again while they stay silent, the map does not wait on them again.
void TestVolumeCall::silentVolumeHoldsNoReadingOfTheDiskMap()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(int, silentLetters);
    QFETCH(int, silentElsewhere);
    using TestSupport::Bound;
    constexpr int kBound = 3000;
    CDriveMap::SetBound(kBound);
    const auto boundBack = qScopeGuard([] { CDriveMap::SetBound(0); });

    QTemporaryDir healthy;
    const char silentLetter[] = {'D', 'F', 'G'};
    QMap<char, QString> letters{{'E', healthy.path()}};
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    std::vector<std::unique_ptr<CFuseView>> views;
    for (int i = 0; i < silentLetters + silentElsewhere; ++i) {
        folders.push_back(std::make_unique<QTemporaryDir>());
        folders.push_back(std::make_unique<QTemporaryDir>());
        views.push_back(std::make_unique<CFuseView>());
        QVERIFY(views.back()->Mount(folders[folders.size() - 2]->path(), folders.back()->path()));
        if (i < silentLetters)
            letters.insert(silentLetter[i], folders.back()->path());
    }
    QVERIFY(MapDrives(letters));
    // The machine's own mounts are read as the program reads them.
    CDriveMap::SetVolumeSource({});
    const auto resumeAll = [&views] {
        for (const auto& view : views)
            view->Resume();
    };
    const auto resume = qScopeGuard(resumeAll);
    for (const auto& view : views)
        QVERIFY(view->Pause());

    for (int reading = 0; reading < 2; ++reading) {
        QElapsedTimer took;
        took.start();
        std::future<QList<DRIVE_INFO>> read =
            std::async(std::launch::async, [] { return CDriveMap::GetDrives(); });
        const int slack = reading == 0 ? kBound + Bound(4000) : Bound(2000);
        if (read.wait_for(std::chrono::milliseconds(slack)) != std::future_status::ready) {
            resumeAll(); // lets the reading end, so the test ends
            read.wait();
            QFAIL(qPrintable(QStringLiteral("reading %1 of the map did not end within %2 ms; it took %3 ms")
                                 .arg(reading + 1)
                                 .arg(slack)
                                 .arg(took.elapsed())));
        }
        const QList<DRIVE_INFO> drives = read.get();
        QMap<char, DRIVE_INFO> byLetter;
        for (const DRIVE_INFO& drive : drives)
            byLetter.insert(drive.Letter, drive);
        QVERIFY(byLetter.contains('E'));
        QVERIFY(byLetter['E'].Answers && byLetter['E'].Exists && byLetter['E'].TotalBytes > 0);
        for (int i = 0; i < silentLetters; ++i) {
            QVERIFY(byLetter.contains(silentLetter[i]));
            const DRIVE_INFO& silent = byLetter[silentLetter[i]];
            QVERIFY2(!silent.Answers && !silent.Exists && silent.TotalBytes == 0,
                     qPrintable(QString(QLatin1Char(silent.Letter))));
        }
    }

    // Once the volumes answer again, the looks left behind end, and the letters are there again.
    resumeAll();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, Bound(10000));
    for (const DRIVE_INFO& drive : CDriveMap::GetDrives())
        QVERIFY2(drive.Answers, qPrintable(drive.Path));
}

// Finding the folder of a letter (each disk of the storage's set-up, one letter after another) reads the map
// alone: a letter marked as a volume is not looked at there, so a silent volume (a share whose server went
// silent) holds up no such lookup, not even once, however long the map's own bound is.
void TestVolumeCall::letterOfASilentVolumeIsFoundWithoutWaiting()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    using TestSupport::Bound;
    // Far above what the lookup is given below: a look at the silent volume would show as a wait.
    CDriveMap::SetBound(Bound(60000));
    const auto boundBack = qScopeGuard([] { CDriveMap::SetBound(0); });
    QTemporaryDir under, shared, healthy;
    CFuseView view;
    QVERIFY(view.Mount(under.path(), shared.path()));
    QVERIFY(MapDrives({{'D', shared.path()}, {'E', healthy.path()}}));
    // Read once while it answers: the map marks the letter of a mount point as a volume.
    QVERIFY(CDriveMap::GetDrive('D').Volume);

    QVERIFY(view.Pause());
    const auto resume = qScopeGuard([&view] { view.Resume(); });
    std::future<DRIVE_MAP_ENTRY> found =
        std::async(std::launch::async, [] { return CDriveMap::GetDrive('D'); });
    if (found.wait_for(std::chrono::milliseconds(Bound(5000))) != std::future_status::ready) {
        view.Resume(); // lets the lookup end, so the test ends
        found.wait();
        QFAIL("the letter of a silent volume was looked up only once the volume answered");
    }
    const DRIVE_MAP_ENTRY entry = found.get();
    QCOMPARE(entry.Path, shared.path());
    QVERIFY(entry.Volume);
    QCOMPARE(CDriveMap::GetDrive('E').Path, healthy.path());
    view.Resume();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, Bound(10000));
}

VARROW_TEST_MAIN(TestVolumeCall, QCoreApplication)
#include "tst_volumecall.moc"

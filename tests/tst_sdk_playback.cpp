// Searches, play-backs and captures of the device layer against simulated recorders. A fault here stores a
// file with missing or extra bytes, hangs a download, or lets the callback write after the engine closed its
// record.

#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// Collects what the callback receives, in order.
struct Collector
{
    std::mutex Mutex;
    std::condition_variable Changed;
    QByteArray Data;
    std::atomic<bool> Stopped{false};
    std::atomic<int> CallsAfterStop{0};

    static void Callback(int32_t, uint32_t, uint8_t* buffer, uint32_t size, void* user)
    {
        auto* self = static_cast<Collector*>(user);
        if (self->Stopped)
            ++self->CallsAfterStop;
        std::lock_guard lock(self->Mutex);
        self->Data.append(reinterpret_cast<const char*>(buffer), qsizetype(size));
        self->Changed.notify_all();
    }

    bool WaitFor(qsizetype bytes)
    {
        std::unique_lock lock(Mutex);
        return Changed.wait_for(lock, std::chrono::seconds(10), [&] { return Data.size() >= bytes; });
    }
};

const QDate kDay(2024, 5, 1);
const NET_DVR_TIME kStart = SdkTime(2024, 5, 1, 8, 0, 0); // the first recording of a MakeConfig channel
const NET_DVR_TIME kStop = SdkTime(2024, 5, 1, 9, 0, 0);

int Login(const CRecorderSim* sim)
{
    return NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
}

} // namespace

class TestSdkPlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchFiltersByTypeAndRange();
    void playbackDeliversExactlyTheReportedRange_data();
    void playbackDeliversExactlyTheReportedRange();
    void nothingArrivesAfterStopReturns();
    void stopFromInsideTheCallbackDoesNotWait();
    void lateAnswersAndUnrepresentableLengths();
};

void TestSdkPlayback::searchFiltersByTypeAndRange()
{
    CSimRecorders sims;
    // Recordings at 08, 09, 10 and 11 o'clock of types 0, 1, 2, 0.
    CRecorderSim* sim = sims.Add(CSimRecorders::MakeConfig(2, {1000, 2000, 3000, 4000}, kDay));
    QVERIFY(sim);
    const int login = Login(sim);
    QVERIFY(login >= 0);
    auto search = [&](uint32_t type, int fromHour, int fromMinute, int toHour) {
        NET_DVR_FILE_CONDITION condition;
        condition.Channel = 2;
        condition.FileType = type;
        condition.StartTime = SdkTime(2024, 5, 1, fromHour, fromMinute, 0);
        condition.StopTime = SdkTime(2024, 5, 1, toHour, 30, 0);
        QList<int> hours;
        const int handle = NET_DVR_FindFile_V30(login, &condition);
        NET_DVR_FILE_DATA found;
        int result;
        while ((result = NET_DVR_FindNextFile_V30(handle, &found)) == NET_DVR_FIND_FILE ||
               result == NET_DVR_FIND_BUSY)
            if (result == NET_DVR_FIND_FILE)
                hours.append(int(found.StartTime.Hour));
        NET_DVR_FindClose_V30(handle);
        return hours;
    };
    QCOMPARE(search(0xFF, 0, 0, 23), QList<int>({8, 9, 10, 11}));
    QCOMPARE(search(0, 0, 0, 23), QList<int>({8, 11}));
    // A range overlapping files finds them, not those that merely touch its ends.
    QCOMPARE(search(0xFF, 9, 30, 10), QList<int>({9, 10}));
    QVERIFY(search(0xFF, 12, 0, 13).isEmpty());
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkPlayback::playbackDeliversExactlyTheReportedRange_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<int>("fromMinute");
    QTest::addColumn<int>("toMinute"); // from 08:00
    QTest::newRow("inside one recording") << QList<qint64>{3600 * 1000 + 17} << 10 << 50;
    QTest::newRow("across two recordings") << QList<qint64>{36000, 72000} << 30 << 75;
}

void TestSdkPlayback::playbackDeliversExactlyTheReportedRange()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(int, fromMinute);
    QFETCH(int, toMinute);
    CSimRecorders sims;
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, sizes, kDay, 42);
    config.Channel(1).Faults.DataBeforeStart = true; // out of turn: never the caller's to write
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    const int login = Login(sim);
    const NET_DVR_TIME start = SdkTime(2024, 5, 1, 8 + fromMinute / 60, fromMinute % 60, 0);
    const NET_DVR_TIME stop = SdkTime(2024, 5, 1, 8 + toMinute / 60, toMinute % 60, 0);
    const int play = NET_DVR_PlayBackByTime(login, 1, &start, &stop, nullptr);
    QVERIFY(play >= 0);
    int64_t length = 0;
    QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr));
    const CSimPlaybackContent expected = sim->Expected(1, start, stop);
    QCOMPARE(length, expected.Length());

    Collector collector;
    QVERIFY(NET_DVR_SetPlayDataCallBack(play, &Collector::Callback, &collector));
    QVERIFY(NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));
    int position = 0;
    while (position < 100) {
        QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
        QTest::qWait(5);
    }
    // Position 100 is answered after the last block, so every byte is already in the callback.
    {
        std::lock_guard lock(collector.Mutex);
        QCOMPARE(qint64(collector.Data.size()), length);
        QVERIFY(collector.Data == expected.Bytes(0, length));
    }
    QVERIFY(NET_DVR_StopPlayBack(play));

    const NET_DVR_TIME empty = SdkTime(2024, 5, 1, 20, 0, 0);
    QCOMPARE(NET_DVR_PlayBackByTime(login, 1, &empty, &empty, nullptr), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NO_FILE));
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkPlayback::nothingArrivesAfterStopReturns()
{
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(CSimRecorders::MakeConfig(1, {qint64(1) << 32}, kDay));
    QVERIFY(sim);
    const int login = Login(sim);
    for (int round = 0; round < 3; ++round) {
        Collector collector;
        const int play = NET_DVR_PlayBackByTime(login, 1, &kStart, &kStop, nullptr);
        NET_DVR_SetPlayDataCallBack(play, &Collector::Callback, &collector);
        NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
        QVERIFY(play >= 0 && collector.WaitFor(1 << 20));
        QVERIFY(NET_DVR_StopPlayBack(play));
        collector.Stopped = true;
        QCOMPARE(sim->Counters().Playbacks, 0);
        QTest::qWait(20);
        QCOMPARE(collector.CallsAfterStop.load(), 0);
    }
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkPlayback::stopFromInsideTheCallbackDoesNotWait()
{
    // The stop's answer could only be read by the thread that runs the callback: waiting for it would hold
    // the stream for the whole answer time-out.
    CSimRecorders sims(1000, 3000);
    CRecorderSim* sim = sims.Add(CSimRecorders::MakeConfig(1, {1 << 22}, kDay));
    QVERIFY(sim);
    const int login = Login(sim);
    struct CStopper
    {
        int play = -1;
        std::atomic<qint64> stopMs{-1};
    } stopper;
    stopper.play = NET_DVR_PlayBackByTime(login, 1, &kStart, &kStop, nullptr);
    NET_DVR_SetPlayDataCallBack(
        stopper.play,
        [](int32_t, uint32_t, uint8_t*, uint32_t, void* user) {
            auto* self = static_cast<CStopper*>(user);
            if (self->stopMs >= 0)
                return;
            QElapsedTimer timer;
            timer.start();
            NET_DVR_StopPlayBack(self->play);
            self->stopMs = timer.elapsed();
        },
        &stopper);
    NET_DVR_PlayBackControl(stopper.play, NET_DVR_PLAY_START, 0, nullptr);
    QTRY_VERIFY(stopper.stopMs >= 0);
    QVERIFY2(stopper.stopMs < 1000, qPrintable(QString::number(stopper.stopMs)));
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkPlayback::lateAnswersAndUnrepresentableLengths()
{
    CSimRecorders sims(1000, 300);
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {1000}, kDay);
    config.Channel(1).Faults.ReportedLength = -1; // 2^64 - 1 on the wire
    config.Channel(1).Faults.PositionDelayMs = 600;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    const int login = Login(sim);
    const int play = NET_DVR_PlayBackByTime(login, 1, &kStart, &kStop, nullptr);
    QVERIFY(play >= 0);
    int64_t length = 0;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr));
    // The first answer comes after the time-out (as none comes from a stalled stream); it must not pass for
    // the second request's, and the stop still returns.
    int position = -7;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
    QTest::qWait(500);
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
    QCOMPARE(position, -7);
    NET_DVR_StopPlayBack(play);
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

VARROW_TEST_MAIN(TestSdkPlayback, QCoreApplication)
#include "tst_sdk_playback.moc"

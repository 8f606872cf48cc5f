// Downloads from simulated recorders into the real storage layer and database, on a scaled clock: every
// stored copy must equal the recording byte for byte, and nothing that was not stored may be marked done.

#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "model/TaskStore.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>

#include <algorithm>
#include <cstring>

namespace {

const QDate kDay(2024, 3, 4);
const QDateTime kNow(QDate(2024, 3, 5), QTime(19, 0));
constexpr int kPlan = 2;
constexpr int kRunLimitMs = 30000; // a hang guard only; runs take milliseconds

SCHEDULE_WEEKDAY WholeDay()
{
    SCHEDULE_WEEKDAY entry;
    entry.IsEanbel = 1;
    return entry;
}

// The plan's current list, as the database holds it after a restart.
QList<TASK_INFO> StoredList(int group, int isPast)
{
    QList<TASK_INFO> list;
    DbSelectTaskInfo(&list, group, isPast);
    return list;
}

} // namespace

class TestExecuteThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storesEveryFileByteForByte_data();
    void storesEveryFileByteForByte();
    void positionFaults_data();
    void positionFaults();
    void droppedConnectionMovesTheTaskBehind();
    void playBackStartRefusals();
    void unreachableRecorderIsSkipped();
    void fullDiskMarksNothingDone();
    void stopBeforeRunIsNotLost();

private:
    // Two channels of one recorder in plan kPlan, each with `files` recordings of the given size.
    static int SetUpPlan(CEngineFixture& f, int files, qint64 size, int flowCtrl = -1);
    static void LoadList(CEngineFixture& f, int channels);
};

int TestExecuteThread::SetUpPlan(CEngineFixture& f, int files, qint64 size, int flowCtrl)
{
    const int device =
        f.AddDevice(CSimRecorders::MakeConfig(2, QList<qint64>(files, size), kDay, 7), "Gate", flowCtrl);
    if (device < 0 || f.SetUpStorage() != 0 ||
        !f.AddPlan(kPlan, {{int16_t(device), 1}, {int16_t(device), 2}}, WholeDay()))
        return -1;
    return device;
}

void TestExecuteThread::LoadList(CEngineFixture& f, int channels)
{
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list.clear();
    for (int p = 0; p < channels; ++p)
        list.append(f.TaskOf(kPlan, p, kDay));
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
}

void TestExecuteThread::storesEveryFileByteForByte_data()
{
    QTest::addColumn<bool>("domain");
    QTest::newRow("address mode") << false;
    // The domain now resolves to another address than the one stored when the device was added: records are
    // still named after the stored one, which the record page searches with.
    QTest::newRow("domain mode") << true;
}

void TestExecuteThread::storesEveryFileByteForByte()
{
    QFETCH(bool, domain);
    CEngineFixture f(kNow);
    const int device = SetUpPlan(f, 2, 3 * 1024 * 1024 + 17);
    QVERIFY(device >= 0);
    if (domain) {
        DEVICE_INFO* info = f.Model().GetDeviceInfo(device);
        info->ConnectMode = 1;
        std::strcpy(info->Domain, "localhost");
        std::strcpy(info->DeviceIP, "10.9.9.9");
    }
    LoadList(f, 2);

    CExecuteThread worker(kPlan, 0);
    QSignalSpy groupStart(&worker, &CExecuteThread::StartGroupDownLoad);
    QSignalSpy channelStart(&worker, &CExecuteThread::StartChannelDownLoad);
    QSignalSpy fileStart(&worker, &CExecuteThread::StartFileDownLoad);
    QSignalSpy pos(&worker, &CExecuteThread::GroupDownloadPos);
    QSignalSpy size(&worker, &CExecuteThread::GroupDownloadSize);
    worker.Start();
    QVERIFY(worker.wait(kRunLimitMs));

    for (int channel = 1; channel <= 2; ++channel) {
        QCOMPARE(f.StoredFiles(device, channel).size(), 2);
        for (const FILE_INFO& file : f.TaskOf(kPlan, channel - 1, kDay).FileList)
            QVERIFY(f.StoredCopyMatches(device, channel, file.FileStartTime, file.FileStopTime));
    }
    for (const QList<TASK_INFO>& list : {f.Model().TaskList(kPlan, 0), StoredList(kPlan, 0)}) {
        QCOMPARE(list.size(), 2);
        for (const TASK_INFO& task : list) {
            QCOMPARE(task.DownloadState, int16_t(DOWNLOAD_DONE));
            for (const FILE_INFO& file : task.FileList)
                QCOMPARE(file.DownloadState, int16_t(DOWNLOAD_DONE));
        }
    }
    QCOMPARE(groupStart.size(), 1);
    QCOMPARE(channelStart.size(), 2);
    QCOMPARE(channelStart[1][2].toInt(), 1);
    QCOMPARE(fileStart.size(), 4);
    QCOMPARE(pos.last()[2].toInt(), 100);
    const long long total = 4 * f.TaskOf(kPlan, 0, kDay).FileList[0].FileSize;
    QCOMPARE(groupStart[0][2].toLongLong(), total);
    // Megabytes first, as the state page's slot takes them.
    QCOMPARE(size.last(), (QVariantList{int(total / 1048576), kPlan, 0}));
    QVERIFY(f.Recorders().WaitForIdle());

    // A second run over a finished list fetches nothing and still reports completion.
    f.Recorder(device).ClearCallLog();
    worker.Start();
    QVERIFY(worker.wait(kRunLimitMs));
    QVERIFY(f.Recorder(device).Calls("play-open").isEmpty());
    QCOMPARE(groupStart.size(), 1);
    QCOMPARE(pos.last()[2].toInt(), 100);
}

void TestExecuteThread::positionFaults_data()
{
    QTest::addColumn<int>("position"); // answered instead of the real one ...
    QTest::addColumn<int>("times");    // ... this many times (-1 always)
    QTest::addColumn<bool>("stored");
    // The stream broke: reconnect, the file starts anew and is stored whole; the speed is set again by 24.
    QTest::newRow("-1 once") << -1 << 1 << true;
    QTest::newRow("200 once") << 200 << 1 << true;
    // 100 % long before the whole range arrived: the short copy is given up, never stored as finished.
    QTest::newRow("100 too soon") << 100 << -1 << false;
}

void TestExecuteThread::positionFaults()
{
    QFETCH(int, position);
    QFETCH(int, times);
    QFETCH(bool, stored);
    CEngineFixture f(kNow);
    const int device = SetUpPlan(f, 1, 1024 * 1024, 2);
    QVERIFY(device >= 0);
    CRecorderSim& sim = f.Recorder(device);
    if (!stored)
        sim.SetRate(64 * 1024);
    SimChannelFaults faults;
    faults.InjectedPosition = position;
    faults.InjectedPositionTimes = times;
    sim.SetChannelFaults(1, faults);
    LoadList(f, 1);

    CExecuteThread worker(kPlan, 0);
    worker.Start();
    if (stored) {
        QVERIFY(worker.wait(kRunLimitMs));
        QCOMPARE(CEngineFixture::LogRows("Download File Exceptional.Reconnect "), 1);
        const FILE_INFO file = f.TaskOf(kPlan, 0, kDay).FileList[0];
        QVERIFY(f.StoredCopyMatches(device, 1, file.FileStartTime, file.FileStopTime));
        const QList<SimCall> speeds = sim.Calls("speed"); // flow-control value 2: speed 16
        QCOMPARE(speeds.size(), 2);
        QCOMPARE(speeds[0].Code, 28);
        QCOMPARE(speeds[0].Value, 16);
        QCOMPARE(speeds[1].Code, 24);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(sim.Calls("play-open").size() >= 2, kRunLimitMs); // given up, tried again
        worker.stop();
        QVERIFY(worker.wait(kRunLimitMs));
    }
    QCOMPARE(f.StoredFiles(device, 1).size(), stored ? 1 : 0);
    QCOMPARE(StoredList(kPlan, 0)[0].DownloadState, int16_t(stored ? DOWNLOAD_DONE : DOWNLOAD_NOT_STARTED));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestExecuteThread::droppedConnectionMovesTheTaskBehind()
{
    CEngineFixture f(kNow);
    const qint64 size = 4 * 1024 * 1024;
    const int device = SetUpPlan(f, 1, size);
    QVERIFY(device >= 0);
    SimChannelFaults faults;
    faults.DropAfterBytes = size / 2;
    faults.DropTimes = 1;
    f.Recorder(device).SetChannelFaults(1, faults);
    LoadList(f, 2);

    CExecuteThread worker(kPlan, 0);
    QSignalSpy pos(&worker, &CExecuteThread::GroupDownloadPos);
    QSignalSpy channelStart(&worker, &CExecuteThread::StartChannelDownLoad);
    worker.Start();
    QVERIFY(worker.wait(kRunLimitMs));

    // Channel 1 broke off, channel 2 went first, then channel 1 came round again and completed.
    QVERIFY(channelStart.size() >= 3);
    QCOMPARE(channelStart[0][2].toInt(), 0);
    QCOMPARE(channelStart[1][2].toInt(), 1);
    QCOMPARE(channelStart.last()[2].toInt(), 0);
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list[0].CameraIndex, int16_t(1));
    QCOMPARE(list[1].CameraIndex, int16_t(0));
    for (const TASK_INFO& task : list)
        QCOMPARE(task.DownloadState, int16_t(DOWNLOAD_DONE));
    const FILE_INFO file = f.TaskOf(kPlan, 0, kDay).FileList[0];
    QCOMPARE(f.StoredFiles(device, 1).size(), 1);
    QVERIFY(f.StoredCopyMatches(device, 1, file.FileStartTime, file.FileStopTime));
    for (const QList<QVariant>& p : pos)
        QVERIFY2(p[2].toInt() >= 0 && p[2].toInt() <= 100, qPrintable(p[2].toString()));
    QCOMPARE(pos.last()[2].toInt(), 100);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestExecuteThread::playBackStartRefusals()
{
    CEngineFixture f(kNow);
    const int device = SetUpPlan(f, 1, 100000);
    QVERIFY(device >= 0);
    SimChannelFaults faults;
    faults.PlayRefusals = 3;
    f.Recorder(device).SetChannelFaults(1, faults);
    LoadList(f, 1);
    {
        CExecuteThread worker(kPlan, 0);
        worker.Start();
        QVERIFY(worker.wait(kRunLimitMs));
        QCOMPARE(f.Model().TaskList(kPlan, 0)[0].DownloadState, int16_t(DOWNLOAD_DONE));
        QCOMPARE(CEngineFixture::LogRows("Reconnect "), 0);
    }

    // Refused every time: sixty tries, one failure row, then the channel waits behind the others.
    faults.PlayRefusals = -1;
    f.Recorder(device).SetChannelFaults(1, faults);
    LoadList(f, 1);
    CExecuteThread worker(kPlan, 0);
    QSignalSpy failures(&worker, &CExecuteThread::SigConnectDeviceFail);
    worker.Start();
    QTRY_VERIFY_WITH_TIMEOUT(CEngineFixture::LogRows("Reconnect ") >= 1, kRunLimitMs);
    worker.stop();
    QVERIFY(worker.wait(kRunLimitMs));
    QVERIFY(f.Recorder(device).Calls("play-open").size() >= 61);
    QVERIFY(std::any_of(failures.begin(), failures.end(), [](const QList<QVariant>& s) {
        return s[3].toString().contains(" Failed. Error:");
    }));
    QCOMPARE(f.Model().TaskList(kPlan, 0)[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    QVERIFY(f.StoredFiles(device, 1).size() <= 1); // only the first run's copy
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestExecuteThread::unreachableRecorderIsSkipped()
{
    CEngineFixture f(kNow);
    const int good = f.AddDevice(CSimRecorders::MakeConfig(1, {50000}, kDay, 3), "Good");
    const int bad = f.AddDevice(CSimRecorders::MakeConfig(1, {50000}, kDay, 4), "Bad");
    QVERIFY(good >= 0 && bad >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(bad), 1}, {int16_t(good), 1}}, WholeDay()));
    LoadList(f, 2);
    f.Recorder(bad).SetLoginRefusals(-1);

    CExecuteThread worker(kPlan, 0);
    worker.Start();
    // (The list itself belongs to the worker while it runs.)
    QTRY_VERIFY_WITH_TIMEOUT(f.StoredFiles(good, 1).size() == 1 && f.Recorder(bad).Calls("login").size() >= 5,
                             kRunLimitMs);
    worker.stop();
    QVERIFY(worker.wait(kRunLimitMs));
    QCOMPARE(CEngineFixture::LogRows("Skip Download "), 1);
    const QList<TASK_INFO> stored = StoredList(kPlan, 0);
    QCOMPARE(stored[1].DownloadState, int16_t(DOWNLOAD_DONE));
    QCOMPARE(stored[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestExecuteThread::fullDiskMarksNothingDone()
{
    CEngineFixture f(kNow);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {2 * 1024 * 1024}, kDay, 5), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(1, 512 * 1024), 0); // stop mode, room for a quarter of the file
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, WholeDay()));
    LoadList(f, 1);

    CExecuteThread worker(kPlan, 0);
    QSignalSpy diskFull(&worker, &CExecuteThread::SignalDiskFull);
    QSignalSpy pos(&worker, &CExecuteThread::GroupDownloadPos);
    worker.Start();
    QVERIFY(worker.wait(kRunLimitMs));
    QCOMPARE(diskFull.size(), 1);
    QCOMPARE(CEngineFixture::DiskFullCalls(), 1);
    for (const QList<TASK_INFO>& list : {f.Model().TaskList(kPlan, 0), StoredList(kPlan, 0)}) {
        QCOMPARE(list[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
        QCOMPARE(list[0].FileList[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    }
    QVERIFY(f.StoredFiles(device, 1).isEmpty());
    for (const QList<QVariant>& p : pos)
        QVERIFY(p[2].toInt() < 100);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestExecuteThread::stopBeforeRunIsNotLost()
{
    CEngineFixture f(kNow);
    const int device = SetUpPlan(f, 1, 1024 * 1024);
    QVERIFY(device >= 0);
    LoadList(f, 2);

    // Started through QThread::start, as the pages wire it. Stopped right after the start: nothing is
    // fetched. A stop while no run is on (as at every window's end) is dropped: the next start runs.
    CExecuteThread worker(kPlan, 0);
    QThread& thread = worker;
    {
        QMutexLocker hold(&f.Model().TaskMutex(kPlan, 0)); // the run cannot take its list yet
        thread.start();
        worker.stop();
    }
    QVERIFY(worker.wait(kRunLimitMs));
    QVERIFY(f.Recorder(device).Calls("play-open").isEmpty());
    worker.stop();
    thread.start();
    QVERIFY(worker.wait(kRunLimitMs));
    QCOMPARE(StoredList(kPlan, 0)[1].DownloadState, int16_t(DOWNLOAD_DONE));
}

VARROW_TEST_MAIN(TestExecuteThread, QCoreApplication)
#include "tst_executethread.moc"

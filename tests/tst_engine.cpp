// The backup engine without a window, on simulated recorders, the real storage and database and a scaled
// clock: task lists, the workers that fetch them (every copy equal to the recording byte for byte, nothing
// marked done that was not stored), a plan's schedule from end to end, and the manual backup.

#include "engine/ControlThread.h"
#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "engine/TaskWrite.h"
#include "model/DbAccess.h"
#include "model/Mail.h"
#include "model/TaskStore.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/RecordingClock.h"
#include "tests/support/TestSupport.h"

#include "storage/CreateStorage.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>

#include <atomic>
#include <mutex>
#include <cstring>
#include <thread>

namespace {

const QDate kSunday(2024, 3, 3);
const QDate kMonday(2024, 3, 4);
// The searched day of a list built now is Monday, as a plan's default entry looks one day back.
const QDateTime kNow(QDate(2024, 3, 5), QTime(19, 0));
constexpr int kPlan = 3;
// A hang guard only. The clock runs 1000 times faster than real time, so bounds on clock times leave room for
// a loaded machine: ten clock minutes are 600 real milliseconds.
constexpr int kLimitMs = 30000;

QDateTime At(int dayOffset, int h, int m, int s = 0)
{
    return QDateTime(kMonday.addDays(dayOffset), QTime(h, m, s));
}

// Recorder "Gate" with the storage (a full disk in stop mode: room for a quarter megabyte) and plan kPlan
// over its first one or two channels; its slot, -1 on failure.
int Gate(CEngineFixture& f, const SimRecorderConfig& config, int channels, const SCHEDULE_WEEKDAY& entry = {},
         bool diskFull = false)
{
    const int device = f.AddDevice(config, "Gate");
    const CHANNEL_REF first{int16_t(device), 1}, second{int16_t(device), 2};
    if (device < 0 || f.SetUpStorage(diskFull ? 1 : 0, diskFull ? 256 * 1024 : -1) != 0)
        return -1;
    const bool added =
        channels == 1 ? f.AddPlan(kPlan, {first}, entry) : f.AddPlan(kPlan, {first, second}, entry);
    return added ? device : -1;
}

// The plan's current list of Monday's files, one task per channel, in the model and the database.
bool LoadList(CEngineFixture& f, int channels)
{
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    list.clear();
    for (int p = 0; p < channels; ++p)
        list.append(f.TaskOf(kPlan, p, kMonday));
    return f.Model().SaveTaskList(kPlan, 0);
}

// A plan's list as the database holds it after a restart.
QList<TASK_INFO> Stored(int isPast = 0, int group = kPlan)
{
    return StoredTasks(group, isPast);
}

bool AllDone(const QList<TASK_INFO>& list)
{
    for (const TASK_INFO& task : list)
        if (task.DownloadState != DOWNLOAD_DONE)
            return false;
    return !list.isEmpty();
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listCutsEachFileToTheRangeOnce();
    void fileTypeCodes_data();
    void fileTypeCodes();
    void listBuildFaults_data();
    void listBuildFaults();
    void unreachableRecorderReportedBeforeTheMail();
    void emptyFilesAndUnusedRecorders();
    void loginAttemptsFollowTheMailSettings_data();
    void loginAttemptsFollowTheMailSettings();
    void storesEveryFileByteForByte();
    void nothingMarkedDoneWithoutItsWholeCopy_data();
    void nothingMarkedDoneWithoutItsWholeCopy();
    void unreachableRecorderIsSkipped();
    void progressCountsDoneTasksFirst_data();
    void progressCountsDoneTasksFirst();
    void progressNeverCountsTwice_data();
    void progressNeverCountsTwice();
    void playBackSpeedAndPauses_data();
    void playBackSpeedAndPauses();
    void windowOpensClosesAndLeavesTheRestOverdue();
    void windowInADaylightSavingGapOpensAfterIt();
    void dayChangeClearsTheViewOnlyAfterAWindow_data();
    void dayChangeClearsTheViewOnlyAfterAWindow();
    void stopEndsEveryPhase_data();
    void stopEndsEveryPhase();
    void manualBackupResumesAfterAStop();
    void doneOnlyAfterTheRecordIsStored_data();
    void doneOnlyAfterTheRecordIsStored();
    void restartingRecorderWaitedForAMinute();
    void reconnectTriesSixtyTimes_data();
    void reconnectTriesSixtyTimes();
    void overnightWindowSurvivesARestartAfterMidnight_data();
    void overnightWindowSurvivesARestartAfterMidnight();
    void windowCloseCarriesOnlyTheUnfinished_data();
    void windowCloseCarriesOnlyTheUnfinished();
    void dayIsFetchedToItsLastSecond();
    void earlierListIsFetchedToItsLastSecond();
    void manualRangeTakesItsEndSecond_data();
    void manualRangeTakesItsEndSecond();
};

void TestEngine::listCutsEachFileToTheRangeOnce()
{
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    config.AddRecording(1, At(-1, 22, 0), At(-1, 23, 59, 59), 0, 9000); // ends before the range
    config.AddRecording(1, At(-1, 23, 0), At(0, 0, 0), 0, 9000);        // only touches the range's start
    config.AddRecording(1, At(-1, 23, 30), At(0, 0, 30), 1, 180000);    // crosses the start
    config.AddRecording(1, At(-1, 23, 45), At(0, 0, 15), 2, 60000);     // crosses the start too
    config.AddRecording(1, At(0, 10, 0), At(0, 11, 0), 0, 360000);      // inside
    config.AddRecording(1, At(0, 10, 30), At(0, 11, 30), 6, 360000);    // overlaps the one before
    config.AddRecording(1, At(0, 23, 30), At(1, 0, 30), 0, 240000);     // crosses the end
    const int device = Gate(f, config, 1);
    QVERIFY(device >= 0);

    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(kLimitMs));
    QVERIFY(!writer.GetResult());
    QCOMPARE(f.Model().TaskList(kPlan, 0).size(), 1);
    const QList<FILE_INFO> files = f.Model().TaskList(kPlan, 0)[0].FileList;
    QCOMPARE(files.size(), 5);
    const auto measured = [&f, device](const QDateTime& from, const QDateTime& to) {
        return f.Recorder(device).Expected(1, SimTime(from), SimTime(to)).Length();
    };
    // A cut file is measured by its play-back ...
    QCOMPARE(FromSdkTime(files[0].FileStartTime), At(0, 0, 0));
    QCOMPARE(files[0].FileSize, measured(At(0, 0, 0), At(0, 0, 30)));
    // The range's last second, 23:59:59, is in it: the cut is at the end of that second.
    QCOMPARE(FromSdkTime(files[4].FileStopTime), At(1, 0, 0));
    QCOMPARE(files[4].FileSize, measured(At(0, 23, 30), At(1, 0, 0)));
    // ... bounded by the found size: the other crossing file makes this range play back more.
    QVERIFY(measured(At(0, 0, 0), At(0, 0, 15)) > 60000 + kSimHeaderBlockSize);
    QCOMPARE(files[1].FileSize, 60000 + kSimHeaderBlockSize);
    // The search asked for every kind, and each entry keeps its file's kind in the program's codes.
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("find")).first().Code, 0xFF);
    const int kinds[] = {2, 3, 1, 8, 1};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(int(files[i].FileType), kinds[i]);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::fileTypeCodes_data()
{
    // The program's kinds of recording and the recorder's, both ways, with what lies outside either table.
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("toRecorder");
    QTest::addColumn<int>("fromRecorder");
    QTest::newRow("0") << 0 << 0xFF << 1;
    QTest::newRow("1") << 1 << 0 << 2;
    QTest::newRow("2") << 2 << 1 << 3;
    QTest::newRow("3") << 3 << 2 << 4;
    QTest::newRow("4") << 4 << 0xFF << 5;
    QTest::newRow("5") << 5 << 0xFF << 6;
    QTest::newRow("6") << 6 << 0xFF << 8;
    QTest::newRow("7") << 7 << 0xFF << 7;
    QTest::newRow("8") << 8 << 6 << 0;
    QTest::newRow("9") << 9 << 0xFF << 0;
    QTest::newRow("255") << 255 << 0xFF << 0;
}

void TestEngine::fileTypeCodes()
{
    QFETCH(int, code);
    QFETCH(int, toRecorder);
    QFETCH(int, fromRecorder);
    QCOMPARE(int(uint8_t(FileTypeToSdkFileType(uint32_t(code)))), toRecorder);
    QCOMPARE(int(SdkFileTypeToFileType(uint8_t(code))), fromRecorder);
}

void TestEngine::listBuildFaults_data()
{
    // A recorder that answers a file's length as negative, for a file cut from 10:00 to 10:30: the found
    // size bounds it. Its login may also be slower than the time-out: then the list fails.
    QTest::addColumn<bool>("slowLogin");
    QTest::newRow("negative length") << false;
    QTest::newRow("login slower than the time-out") << true;
}

void TestEngine::listBuildFaults()
{
    QFETCH(bool, slowLogin);
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    config.AddRecording(1, At(0, 9, 0), At(0, 11, 0), 0, 72000);
    config.Channel(1).Faults.ReportedLength = -5;
    SCHEDULE_WEEKDAY entry;
    entry.FileStartTime = {10, 0, 0};
    entry.FileEndTime = {10, 30, 0};
    const int device = Gate(f, config, 1, entry);
    QVERIFY(device >= 0);
    if (slowLogin) {
        NET_DVR_SetTimeouts(1000, 200);
        config = f.Recorder(device).Config();
        config.LoginDelayMs = 400;
        f.Recorder(device).ApplyFaults(config);
    }

    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(kLimitMs));
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(writer.GetResult(), slowLogin);
    QCOMPARE(list.size(), slowLogin ? 0 : 1);
    if (!list.isEmpty())
        QCOMPARE(list[0].FileList[0].FileSize, 72000 + kSimHeaderBlockSize);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::unreachableRecorderReportedBeforeTheMail()
{
    // A mail server that takes the connection and never answers (for 30 s, the default reply time-out) must
    // not hold up the failure signal or a stop.
    CEngineFixture f(kNow);
    CFakeSmtpServer::Options options;
    options.Silent = true;
    CFakeSmtpServer smtp(options);
    QVERIFY(smtp.IsListening());
    const int device = Gate(f, CSimRecorders::MakeConfig(2, {1000}, kMonday), 2);
    QVERIFY(device >= 0);
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    config.IsEnableEmail = 1;
    f.Model().SetSystemConfig(&config);
    MAIL_CONFIG mail;
    CopyString128(mail.SMTPAddr, "127.0.0.1");
    mail.SMTPPort = smtp.Port();
    CopyString128(mail.MailFrom, "station@example.org");
    CopyString128(mail.MailTo, "guard@example.org");
    QVERIFY(f.Model().SetMailConfig(&mail));
    f.Recorder(device).SetLoginRefusals(-1);

    CTaskWrite writer(kPlan, false);
    // Counted on the worker's own thread: a signal spy may not be read while another thread appends to it.
    std::atomic<int> failures{0};
    std::mutex textMutex;
    QString text;
    QObject::connect(
        &writer, &CTaskWrite::SigConnectDeviceFail, &writer,
        [&](int, int, int, const QString& detail) {
            const std::lock_guard lock(textMutex);
            text = detail;
            ++failures;
        },
        Qt::DirectConnection);
    writer.start();
    QTRY_VERIFY_WITH_TIMEOUT(failures >= 1, 5000);
    QElapsedTimer timer;
    timer.start();
    writer.stop();
    QVERIFY(writer.wait(2000));
    QVERIFY(timer.elapsed() < 2000);
    // The event row, the log and the mail give the device layer's code with its meaning.
    QVERIFY2(text.endsWith(QStringLiteral(" Error:1 (wrong user name or password)")), qPrintable(text));
}

void TestEngine::emptyFilesAndUnusedRecorders()
{
    // Gate's channel 1 has only a file of 0 bytes, its channel 2 a real one; Yard is switched off. A plan's
    // list has no task whose files hold nothing; the manual list keeps every channel that has a file, and a
    // channel of a switched-off recorder as a task without files, never searched.
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    // Listed with size 0 (the header's bytes taken off); no play-back is ever granted, so none is needed.
    config.AddRecording(1, At(0, 9, 0), At(0, 10, 0), 0, -kSimHeaderBlockSize);
    config.AddRecording(2, At(0, 9, 0), At(0, 10, 0), 0, 5000);
    config.Channel(1).Faults.PlayRefusals = -1;
    config.Channel(2).Faults.PlayRefusals = -1;
    const int gate = Gate(f, config, 2);
    QVERIFY(gate >= 0);
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(1, {5000}, kMonday), "Yard");
    QVERIFY(yard >= 0);
    f.Model().GetDeviceInfo(yard)->IsUsed = 0;

    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(kLimitMs));
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].CameraIndex, int16_t(1));

    f.SetManual(kMonday, {{int16_t(gate), 1}, {int16_t(gate), 2}, {int16_t(yard), 1}});
    CManualBackup backup;
    std::atomic<bool> built{false};
    QObject::connect(
        &backup, &CManualBackup::SigGetTaskSuc, &backup, [&built] { built = true; }, Qt::DirectConnection);
    backup.start();
    QTRY_VERIFY_WITH_TIMEOUT(built, kLimitMs);
    backup.Stop();
    QVERIFY(backup.wait(kLimitMs));
    const QList<TASK_INFO> manual = Stored(0, MANUAL_GROUP_ID);
    QCOMPARE(manual.size(), 3);
    QCOMPARE(manual[0].FileList.size(), 1);
    QCOMPARE(manual[0].TotalChannelSize, qint64(0));
    QCOMPARE(manual[1].FileList.size(), 1);
    QCOMPARE(manual[2].CameraIndex, int16_t(2));
    QVERIFY(manual[2].FileList.isEmpty());
    QVERIFY(f.Recorder(yard).Calls(QStringLiteral("login")).isEmpty());
}

void TestEngine::loginAttemptsFollowTheMailSettings_data()
{
    // The reconnect count belongs to the mail settings: it counts only while mail is on, and never below one.
    QTest::addColumn<int>("mail");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("attempts");
    QTest::newRow("mail on, count 3") << 1 << 3 << 3;
    QTest::newRow("mail on, count 2") << 1 << 2 << 2;
    QTest::newRow("mail on, count 1") << 1 << 1 << 1;
    QTest::newRow("mail on, count 0") << 1 << 0 << 1;
    QTest::newRow("mail off, count 3") << 0 << 3 << 1;
}

void TestEngine::loginAttemptsFollowTheMailSettings()
{
    QFETCH(int, mail);
    QFETCH(int, count);
    QFETCH(int, attempts);
    CEngineFixture f(kNow);
    CFakeSmtpServer smtp;
    QVERIFY(smtp.IsListening());
    const int device = Gate(f, CSimRecorders::MakeConfig(2, {1000}, kMonday), 2);
    QVERIFY(device >= 0);
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    config.IsEnableEmail = mail;
    config.ReconnetNum = count;
    f.Model().SetSystemConfig(&config);
    MAIL_CONFIG mailConfig;
    CopyString128(mailConfig.SMTPAddr, "127.0.0.1");
    mailConfig.SMTPPort = smtp.Port();
    CopyString128(mailConfig.MailFrom, "station@example.org");
    CopyString128(mailConfig.MailTo, "guard@example.org");
    QVERIFY(f.Model().SetMailConfig(&mailConfig));
    f.Recorder(device).SetLoginRefusals(-1);

    CScopedRecordingClock clock;
    CTaskWrite writer(kPlan, false);
    clock.Clock().Watch(&writer);
    QSignalSpy failures(&writer, &CTaskWrite::SigConnectDeviceFail);
    writer.start();
    QVERIFY(writer.wait(kLimitMs));
    // Each of the two channels: its attempts, a second's pause before each; then one entry, signal and mail.
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("login")).size(), 2 * attempts);
    QCOMPARE(clock.Clock().Sleeps(), QList<qint64>(2 * attempts, 1000));
    QVERIFY(writer.GetResult());
    QCOMPARE(failures.size(), 2);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Get Backup Task Work List Failed")), 2);
    if (mail == 1)
        QVERIFY(smtp.WaitForSessions(2));
}

void TestEngine::storesEveryFileByteForByte()
{
    // The domain now resolves to another address than the one stored when the device was added: records are
    // still named after the stored one, which the record page searches with.
    CEngineFixture f(kNow);
    const qint64 size = 3 * 1024 * 1024 + 17;
    const int device = Gate(f, CSimRecorders::MakeConfig(2, {size, 1000}, kMonday, 7), 2);
    QVERIFY(device >= 0);
    DEVICE_INFO* info = f.Model().GetDeviceInfo(device);
    info->ConnectMode = 1;
    std::strcpy(info->Domain, "localhost");
    std::strcpy(info->DeviceIP, "10.9.9.9");
    // Channel 1's first play-back breaks off half-way: channel 2 goes first, then channel 1 again.
    SimChannelFaults faults;
    faults.DropAfterBytes = size / 2;
    f.Recorder(device).SetChannelFaults(1, faults);
    QVERIFY(LoadList(f, 2));
    // Started through QThread::start, as the pages wire it, and stopped right after the start: nothing is
    // fetched. A stop while no run is on (as at every window's end) is dropped: the next start runs.
    CExecuteThread worker(kPlan, 0);
    QThread& thread = worker;
    {
        QMutexLocker hold(&f.Model().TaskMutex(kPlan, 0)); // the run cannot take its list yet
        thread.start();
        worker.stop();
    }
    QVERIFY(worker.wait(kLimitMs));
    QVERIFY(f.Recorder(device).Calls("play-open").isEmpty());
    worker.stop();
    thread.start();
    QVERIFY(worker.wait(kLimitMs));

    QCOMPARE(f.Model().TaskList(kPlan, 0)[0].CameraIndex, int16_t(1));
    for (int channel = 1; channel <= 2; ++channel) {
        QCOMPARE(f.StoredFiles(device, channel).size(), 2);
        for (const FILE_INFO& file : f.TaskOf(kPlan, channel - 1, kMonday).FileList)
            QVERIFY(f.StoredCopyMatches(device, channel, file.FileStartTime, file.FileStopTime));
    }
    for (const QList<TASK_INFO>& list : {f.Model().TaskList(kPlan, 0), Stored()})
        QVERIFY(AllDone(list) && DoneFiles(list) == 4);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::nothingMarkedDoneWithoutItsWholeCopy_data()
{
    QTest::addColumn<bool>("diskFull");
    // 100 % long before the whole range arrived: the short copy is given up and tried again.
    QTest::newRow("short stream") << false;
    // The disk, in stop mode, has room for a quarter of the file.
    QTest::newRow("full disk") << true;
}

void TestEngine::nothingMarkedDoneWithoutItsWholeCopy()
{
    QFETCH(bool, diskFull);
    CEngineFixture f(kNow);
    const int device = Gate(f, CSimRecorders::MakeConfig(1, {1024 * 1024}, kMonday, 7), 1, {}, diskFull);
    QVERIFY(device >= 0);
    CRecorderSim& sim = f.Recorder(device);
    if (!diskFull) {
        SimChannelFaults faults;
        faults.InjectedPosition = 100;
        faults.InjectedPositionTimes = -1;
        sim.SetChannelFaults(1, faults);
        sim.SetRate(64 * 1024);
    }
    QVERIFY(LoadList(f, 1));

    CExecuteThread worker(kPlan, 0);
    QSignalSpy full(&worker, &CExecuteThread::SignalDiskFull);
    worker.Start();
    if (!diskFull) {
        QTRY_VERIFY_WITH_TIMEOUT(sim.Calls("play-open").size() >= 2, kLimitMs);
        worker.stop();
    }
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(full.size(), diskFull ? 1 : 0);
    QVERIFY(f.StoredFiles(device, 1).isEmpty());
    for (const QList<TASK_INFO>& list : {f.Model().TaskList(kPlan, 0), Stored()})
        QVERIFY(list[0].DownloadState == DOWNLOAD_NOT_STARTED && DoneFiles(list) == 0);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::unreachableRecorderIsSkipped()
{
    CEngineFixture f(kNow);
    const int good = f.AddDevice(CSimRecorders::MakeConfig(1, {50000}, kMonday, 3), "Good");
    const int bad = f.AddDevice(CSimRecorders::MakeConfig(1, {50000}, kMonday, 4), "Bad");
    QVERIFY(good >= 0 && bad >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(bad), 1}, {int16_t(good), 1}}, {}));
    QVERIFY(LoadList(f, 2));
    f.Recorder(bad).SetLoginRefusals(-1);

    CExecuteThread worker(kPlan, 0);
    worker.Start();
    QTRY_VERIFY_WITH_TIMEOUT(f.StoredFiles(good, 1).size() == 1 && f.Recorder(bad).Calls("login").size() >= 5,
                             kLimitMs);
    worker.stop();
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(CEngineFixture::LogRows("Skip Download "), 1);
    QCOMPARE(Stored()[1].DownloadState, int16_t(DOWNLOAD_DONE));
    QCOMPARE(Stored()[0].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::progressCountsDoneTasksFirst_data()
{
    // A task done earlier (4,100,000 bytes in all with the other): its bytes count from the first figure on;
    // a run over done tasks alone starts nothing and ends at 100 % and the total in whole MiB (3, not 4).
    QTest::addColumn<bool>("allDone");
    QTest::newRow("one done, one to fetch") << false;
    QTest::newRow("all done") << true;
}

void TestEngine::progressCountsDoneTasksFirst()
{
    QFETCH(bool, allDone);
    CEngineFixture f(kNow);
    const int device = Gate(f, CSimRecorders::MakeConfig(2, {300000}, kMonday, 3), 2);
    QVERIFY(device >= 0 && LoadList(f, 2));
    QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    const qint64 total = 4100000, fetched = list[1].TotalChannelSize;
    list[0].DownloadState = DOWNLOAD_DONE;
    list[0].TotalChannelSize = total - fetched;
    if (allDone)
        list[1].DownloadState = DOWNLOAD_DONE;
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));

    CExecuteThread worker(kPlan, 0);
    QSignalSpy group(&worker, &CExecuteThread::StartGroupDownLoad);
    QSignalSpy channel(&worker, &CExecuteThread::StartChannelDownLoad);
    QSignalSpy percent(&worker, &CExecuteThread::GroupDownloadPos);
    QSignalSpy megabytes(&worker, &CExecuteThread::GroupDownloadSize);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(group.size(), allDone ? 0 : 1);
    QCOMPARE(channel.size(), allDone ? 0 : 1);
    if (!allDone) {
        QCOMPARE(group[0][2].toLongLong(), total);
        QCOMPARE(channel[0][2].toInt(), 1);
        QCOMPARE(channel[0][3].toLongLong(), fetched);
        QVERIFY(percent.size() >= 2);
        // Never below the done task's share (92 %), never back.
        int last = int((total - fetched) * 100 / total);
        for (const QList<QVariant>& signal : percent) {
            QVERIFY2(signal[2].toInt() >= last, qPrintable(signal[2].toString()));
            last = signal[2].toInt();
        }
    } else {
        QCOMPARE(percent.size(), 1);
    }
    QCOMPARE(percent.last()[2].toInt(), 100);
    QCOMPARE(megabytes.last()[0].toInt(), 3);
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("login")).size(), allDone ? 0 : 1);
}

void TestEngine::progressNeverCountsTwice_data()
{
    // What an attempt counted is taken back when the file is played anew: after the reconnect that a position
    // of -1 asks for (2 MiB, most of it received before the first position is read), and after an attempt
    // that failed (a position of 150) behind a file done earlier (3 MiB, counted again at the next attempt).
    QTest::addColumn<int>("position");
    QTest::newRow("reconnect within the file") << -1;
    QTest::newRow("failed attempt after a done file") << 150;
}

void TestEngine::progressNeverCountsTwice()
{
    QFETCH(int, position);
    // The slower clock lets the stream arrive during the second before the first position is read.
    CEngineFixture f(kNow, 10.0);
    const bool reconnect = position == -1;
    SimRecorderConfig config = CSimRecorders::MakeConfig(
        1, reconnect ? QList<qint64>{2 << 20} : QList<qint64>{1000, 300000}, kMonday);
    config.Channel(1).Faults.InjectedPosition = position;
    config.Channel(1).Faults.InjectedPositionTimes = 1;
    const int device = Gate(f, config, 1);
    QVERIFY(device >= 0 && LoadList(f, 1));
    TASK_INFO& task = f.Model().TaskList(kPlan, 0)[0];
    if (!reconnect) {
        task.FileList[0].DownloadState = DOWNLOAD_DONE;
        task.TotalChannelSize += (3 << 20) - task.FileList[0].FileSize;
        task.FileList[0].FileSize = 3 << 20;
    }
    task.FileList.last().FileType = 3; // an alarm recording
    const qint64 total = task.TotalChannelSize;
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));

    CExecuteThread worker(kPlan, 0);
    QSignalSpy channel(&worker, &CExecuteThread::ChannelDownloadSize);
    QSignalSpy megabytes(&worker, &CExecuteThread::GroupDownloadSize);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(DoneFiles(Stored()), reconnect ? 1 : 2);
    // The record carries the file's kind.
    const QStringList stored = f.StoredFiles(device, 1);
    QCOMPARE(stored.size(), 1);
    QVERIFY2(stored[0].endsWith("_3.rec"), qPrintable(stored[0]));
    QVERIFY(megabytes.size() >= 2);
    for (const QList<QVariant>& signal : megabytes)
        QVERIFY2(signal[0].toInt() <= int(total >> 20), qPrintable(signal[0].toString()));
    for (const QList<QVariant>& signal : channel)
        QVERIFY2(signal[2].toLongLong() <= total, qPrintable(signal[2].toString()));
}

void TestEngine::playBackSpeedAndPauses_data()
{
    // A recorder's flow control value sets the play-back speed (eight times the value) at the first start and
    // again, by the restart's own code, after the reconnect that a position of -1 asks for.
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("speeds");
    QTest::newRow("no flow control") << -1 << QStringList();
    QTest::newRow("flow 0") << 0 << QStringList{"28:0", "24:0"};
    QTest::newRow("flow 2") << 2 << QStringList{"28:16", "24:16"};
}

void TestEngine::playBackSpeedAndPauses()
{
    QFETCH(int, flow);
    QFETCH(QStringList, speeds);
    CEngineFixture f(kNow);
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {300000}, kMonday);
    config.Channel(1).Faults.InjectedPosition = -1;
    config.Channel(1).Faults.InjectedPositionTimes = 1;
    const int device = f.AddDevice(config, "Gate", flow);
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(kPlan, {CHANNEL_REF{int16_t(device), 1}}, {}));
    QVERIFY(LoadList(f, 1));

    CScopedRecordingClock clock;
    CExecuteThread worker(kPlan, 0);
    clock.Clock().Watch(&worker);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QVERIFY(AllDone(f.Model().TaskList(kPlan, 0)));
    QStringList set;
    for (const SimCall& call : f.Recorder(device).Calls(QStringLiteral("speed")))
        set << QStringLiteral("%1:%2").arg(call.Code).arg(call.Value);
    QCOMPARE(set, speeds);
    // The login, the start, the reconnect and every poll each wait one second: at least four pauses.
    const QList<qint64> sleeps = clock.Clock().Sleeps();
    QVERIFY2(sleeps.size() >= 4, qPrintable(QString::number(sleeps.size())));
    QCOMPARE(sleeps, QList<qint64>(sleeps.size(), 1000));
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Download File Exceptional.Reconnect ")), 1);
}

void TestEngine::windowOpensClosesAndLeavesTheRestOverdue()
{
    CEngineFixture f(At(0, 17, 59, 58));
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {30000}, kSunday, 9);
    for (int channel = 1; channel <= 2; ++channel)
        config.AddRecording(channel, At(0, 8, 0), At(0, 9, 0), 0, 30000);
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0);
    // A list from two days back is dropped when the window opens.
    const TASK_INFO stale = f.TaskOf(kPlan, 0, kMonday.addDays(-2));
    QVERIFY(DbSaveTaskList({stale}, kPlan, 0) && DbSaveTaskList({stale}, kPlan, 1));

    CRecorderSim& sim = f.Recorder(device);
    SimChannelFaults refuse;
    refuse.PlayRefusals = -1;
    sim.SetChannelFaults(2, refuse);
    // The clock times (ms since the epoch) at which the list was last built and the work first stopped. At
    // the window's end the clock steps back half a second, on real time: the closed window must not open
    // again, drop the overdue list and build a new one.
    std::atomic<qint64> builtAt{0}, stoppedAt{0};
    CPlanThreads threads(kPlan);
    QObject::connect(
        &threads.control, &CControlThread::StartGetTask, &threads.control,
        [&] { builtAt = EngineNow().toMSecsSinceEpoch(); }, Qt::DirectConnection);
    QObject::connect(
        &threads.control, &CControlThread::StopWork, &threads.control,
        [&] {
            if (stoppedAt == 0) {
                stoppedAt = EngineNow().toMSecsSinceEpoch();
                f.Clock().SetScale(1.0);
                f.Clock().SetNow(At(1, 0, 0).addMSecs(-500));
            }
        },
        Qt::DirectConnection);
    static_cast<QThread&>(threads.control).start();
    QTRY_VERIFY_WITH_TIMEOUT(f.StoredFiles(device, 1).size() == 1 && Stored().size() == 2, kLimitMs);
    // Built when the window opened, not before it and not at a later window. The bound is an hour of the
    // scaled clock (3.6 s of real time): ten seconds were ten milliseconds, which a loaded machine overran.
    QVERIFY(builtAt >= At(0, 18, 0).toMSecsSinceEpoch() && builtAt < At(0, 19, 0).toMSecsSinceEpoch());
    QVERIFY(Stored(1).isEmpty());
    QCOMPARE(stoppedAt, 0);

    f.Clock().SetNow(At(0, 23, 59, 58));
    QTRY_VERIFY_WITH_TIMEOUT(stoppedAt != 0 && Stored(0).isEmpty() && Stored(1).size() == 2, kLimitMs);
    QVERIFY(stoppedAt >= At(1, 0, 0).toMSecsSinceEpoch() && stoppedAt < At(1, 1, 0).toMSecsSinceEpoch());
    QTest::qWait(1200);
    f.Clock().SetScale(1000.0);
    QCOMPARE(Stored(1).size(), 2);
    QVERIFY(Stored(0).isEmpty());
    QCOMPARE(sim.Calls("find").size(), 2);

    // The page restarts the plan (its settings changed) on the same threads; Tuesday the recorder plays
    // again, and the overdue worker fetches Monday's rest beside Tuesday's list.
    threads.control.Stop();
    QVERIFY(threads.control.wait(kLimitMs));
    static_cast<QThread&>(threads.control).start();
    sim.SetChannelFaults(2, SimChannelFaults());
    f.Clock().SetNow(At(1, 17, 59, 58));
    QTRY_VERIFY_WITH_TIMEOUT(AllDone(Stored(0)) && AllDone(Stored(1)), kLimitMs);
    QCOMPARE(Stored(0)[0].TaskTime, kNow.date());
    QCOMPARE(Stored(1)[0].TaskTime, kMonday);
    for (int channel = 1; channel <= 2; ++channel)
        QCOMPARE(f.StoredFiles(device, channel).size(), 2);
    QVERIFY(f.StoredCopyMatches(device, 2, SimTime(At(-1, 8, 0)), SimTime(At(-1, 9, 0))));
}

void TestEngine::windowInADaylightSavingGapOpensAfterIt()
{
    // On 31 March 2024 Berlin's clocks jump from 02:00 to 03:00: a window planned for 02:30 must still open,
    // at 03:00, or that night's backup would silently never run.
    const QByteArray zone = qgetenv("TZ");
    const auto restore = qScopeGuard([zone] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDate day(2024, 3, 31);
    std::atomic<qint64> builtAt{0};
    {
        CEngineFixture f(QDateTime(day, QTime(1, 59, 58)));
        SCHEDULE_WEEKDAY entry;
        entry.TaskStartTime.Hour = 2;
        entry.TaskStartTime.Minute = 30;
        QVERIFY(Gate(f, CSimRecorders::MakeConfig(1, {20000}, day.addDays(-1)), 1, entry) >= 0);
        CPlanThreads threads(kPlan);
        QObject::connect(
            &threads.control, &CControlThread::StartGetTask, &threads.control,
            [&] { builtAt = EngineNow().toMSecsSinceEpoch(); }, Qt::DirectConnection);
        static_cast<QThread&>(threads.control).start();
        QTRY_VERIFY_WITH_TIMEOUT(builtAt != 0 || EngineNow() > QDateTime(day, QTime(4, 30)), kLimitMs);
    }
    QVERIFY(builtAt >= QDateTime(day, QTime(3, 0)).toMSecsSinceEpoch());
    // Before 03:30, where a start taken an hour on past the gap would fall; 25 minutes of the scaled clock
    // (1.5 s of real time) hold on a loaded machine.
    QVERIFY(builtAt < QDateTime(day, QTime(3, 25)).toMSecsSinceEpoch());
}

void TestEngine::dayChangeClearsTheViewOnlyAfterAWindow_data()
{
    // A window from 10:00 for an hour; the plan starts at 10:30 (the window runs) or at 11:30 (none today).
    // Only a day on which a window ran has rows to remove at midnight.
    QTest::addColumn<int>("startMinute");
    QTest::addColumn<int>("cleared");
    QTest::newRow("window ran today") << 30 << 1;
    QTest::newRow("no window today") << 90 << 0;
}

void TestEngine::dayChangeClearsTheViewOnlyAfterAWindow()
{
    QFETCH(int, startMinute);
    QFETCH(int, cleared);
    CEngineFixture f(At(1, 10, 0).addSecs(startMinute * 60));
    SCHEDULE_WEEKDAY entry = CEngineFixture::Evening();
    entry.TaskStartTime = {10, 0, 0};
    entry.Duration = 1;
    QVERIFY(Gate(f, CSimRecorders::MakeConfig(1, {20000}, kMonday), 1, entry) >= 0);
    std::atomic<int> views{0};
    CPlanThreads threads(kPlan);
    QObject::connect(
        &threads.control, &CControlThread::SignalDelView, &threads.control,
        [&views](int group) { views += group == kPlan ? 1 : 100; }, Qt::DirectConnection);
    std::atomic<bool> listed{false};
    QObject::connect(
        &threads.control, &CControlThread::StopGetTask, &threads.control, [&listed] { listed = true; },
        Qt::DirectConnection);
    threads.control.Start();
    // Past the window's end (for the window that ran) or a few seconds on (for the plan without one).
    QTRY_VERIFY_WITH_TIMEOUT(
        EngineNow() > std::max(At(1, 11, 0, 5), At(1, 10, 0).addSecs(startMinute * 60 + 10)), kLimitMs);
    QCOMPARE(listed.load(), cleared == 1);
    QCOMPARE(views.load(), 0);
    f.Clock().SetNow(At(1, 23, 59, 58));
    QTRY_VERIFY_WITH_TIMEOUT(EngineNow() > At(2, 0, 0, 10), kLimitMs);
    QTRY_COMPARE_WITH_TIMEOUT(views.load(), cleared, kLimitMs);
    // The next day (its window jumped over) has nothing to clear at its end.
    f.Clock().SetNow(At(2, 23, 59, 58));
    QTRY_VERIFY_WITH_TIMEOUT(EngineNow() > At(3, 0, 0, 10), kLimitMs);
    QTest::qWait(50); // fifty engine seconds more
    QCOMPARE(views.load(), cleared);
}

void TestEngine::stopEndsEveryPhase_data()
{
    // The recorder call that the plan's threads keep repeating when the stop comes.
    QTest::addColumn<QString>("call");
    QTest::newRow("search that never ends") << "next";
    QTest::newRow("play-back start refused") << "play-open";
    QTest::newRow("polling a slow stream") << "position";
}

void TestEngine::stopEndsEveryPhase()
{
    QFETCH(QString, call);
    CEngineFixture f(At(0, 18, 0, 1));
    NET_DVR_SetTimeouts(300, 300);
    const int device = Gate(f, CSimRecorders::MakeConfig(1, {64 * 1024 * 1024}, kSunday), 1);
    QVERIFY(device >= 0);
    CRecorderSim& sim = f.Recorder(device);
    SimChannelFaults faults;
    faults.SearchBusy = call == "next" ? 100000000 : 0;
    faults.PlayRefusals = call == "play-open" ? -1 : 0;
    sim.SetChannelFaults(1, faults);
    sim.SetRate(call == "position" ? 1024 * 1024 : 0);

    CPlanThreads threads(kPlan);
    threads.control.Start();
    QTRY_VERIFY_WITH_TIMEOUT(sim.Calls(call).size() > 3, kLimitMs);
    QElapsedTimer timer;
    timer.start();
    threads.StopAll();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(f.Recorders().WaitForIdle()); // no session, search or play-back is left open
}

void TestEngine::manualBackupResumesAfterAStop()
{
    CEngineFixture f(kNow);
    const int device =
        f.AddDevice(CSimRecorders::MakeConfig(1, {400000, 400000, 400000}, kSunday, 17), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SimTime(At(-1, 0, 0));
    manual.FileEndTime = SimTime(At(-1, 23, 59, 59));
    manual.FileType = 0;
    manual.Channel[0] = {int16_t(device), 1};
    f.Model().SetManualBackupInfo(&manual);
    CRecorderSim& sim = f.Recorder(device);
    sim.SetRate(2 * 1024 * 1024); // slow enough to stop in the middle
    {
        CManualBackup backup;
        backup.start();
        QTRY_VERIFY_WITH_TIMEOUT(DoneFiles(Stored(0, MANUAL_GROUP_ID)) >= 1, kLimitMs);
        backup.Stop();
        QVERIFY(backup.wait(kLimitMs));
    }
    const int doneBefore = DoneFiles(Stored(0, MANUAL_GROUP_ID));
    QVERIFY(doneBefore >= 1 && doneBefore < 3);

    // The next manual start resumes the saved list: no new search, only the files not yet stored.
    sim.SetRate(0);
    sim.ClearCallLog();
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(kLimitMs));
    QVERIFY(sim.Calls("find").isEmpty());
    QCOMPARE(sim.Calls("play-open").size(), 3 - doneBefore);
    QCOMPARE(DoneFiles(Stored(0, MANUAL_GROUP_ID)), 3);
    QCOMPARE(f.StoredFiles(device, 1).size(), 3);
    QVERIFY(f.StoredCopyMatches(device, 1, SimTime(At(-1, 9, 0)), SimTime(At(-1, 10, 0))));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::doneOnlyAfterTheRecordIsStored_data()
{
    // The errno of the record's flush at its close.
    QTest::addColumn<int>("flushError");
    QTest::newRow("stored") << 0;
    QTest::newRow("flush fails") << EIO;
}

void TestEngine::doneOnlyAfterTheRecordIsStored()
{
    // A file is marked done (in memory and in the database) only once its record is closed, and never when
    // the close failed; the plan's progress ends at 100 when its list is through.
    QFETCH(int, flushError);
    CEngineFixture f(kNow);
    const int device = Gate(f, CSimRecorders::MakeConfig(1, {300000}, kMonday, 5), 1);
    QVERIFY(device >= 0 && LoadList(f, 1));
    // The search listed more than the play-back delivers: the bytes alone never make 100 %.
    TASK_INFO& task = f.Model().TaskList(kPlan, 0)[0];
    task.FileList[0].FileSize += 4096;
    task.TotalChannelSize += 4096;
    QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    std::atomic<int> doneAtFlush{-1};
    GetStoweline()->SetSyncFault([&](const QString&) {
        doneAtFlush = DoneFiles(Stored()) + DoneFiles(f.Model().TaskList(kPlan, 0));
        return flushError;
    });
    CExecuteThread worker(kPlan, 0);
    QSignalSpy percent(&worker, &CExecuteThread::GroupDownloadPos);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QCOMPARE(doneAtFlush.load(), 0);
    const int done = flushError == 0 ? 1 : 0;
    QCOMPARE(DoneFiles(Stored()), done);
    QCOMPARE(DoneFiles(f.Model().TaskList(kPlan, 0)), done);
    QCOMPARE(f.StoredFiles(device, 1).size(), done);
    if (flushError == 0)
        QVERIFY(!percent.isEmpty() && percent.last().value(2).toInt() == 100);
}

void TestEngine::restartingRecorderWaitedForAMinute()
{
    // The stream breaks off and the recorder refuses every login for 10 s while it restarts: the worker keeps
    // trying (for a minute) until it is back, then fetches the file. The recorder comes back on the engine
    // clock, from a thread of its own; the slow clock leaves the minute's rest (2.5 s) to a loaded machine.
    CEngineFixture f(kNow, 20.0);
    const int device = Gate(f, CSimRecorders::MakeConfig(1, {200000}, kMonday, 6), 1);
    QVERIFY(device >= 0 && LoadList(f, 1));
    CRecorderSim& sim = f.Recorder(device);
    SimChannelFaults drop;
    drop.DropAfterBytes = 100000;
    sim.SetChannelFaults(1, drop);
    QSemaphore down;
    std::atomic<qint64> backAt{0}, gaveUpAt{0};
    QString exceptional; // written before `down` is released, read after the worker ended
    CExecuteThread worker(kPlan, 0);
    QObject::connect(
        &worker, &CExecuteThread::SigConnectDeviceFail, &worker,
        [&](int, int, int, const QString& text) {
            if (text.startsWith("Download File Exceptional") && down.available() == 0 && backAt == 0) {
                exceptional = text;
                sim.SetLoginRefusals(-1);
                down.release();
            } else if (text.startsWith("Reconnect ") && gaveUpAt == 0) {
                gaveUpAt = EngineNow().toMSecsSinceEpoch();
            }
        },
        Qt::DirectConnection);
    std::thread restart([&] {
        if (down.tryAcquire(1, kLimitMs))
            EngineSleep(10000, nullptr);
        backAt = EngineNow().toMSecsSinceEpoch();
        sim.SetLoginRefusals(0);
    });
    worker.Start();
    const bool ended = worker.wait(kLimitMs);
    restart.join();
    QVERIFY(ended);
    // The code comes with its meaning.
    QVERIFY2(QRegularExpression(QStringLiteral(" Error:\\d+ \\([a-z' ]+\\)$")).match(exceptional).hasMatch(),
             qPrintable(exceptional));
    QVERIFY2(gaveUpAt == 0 || gaveUpAt > backAt, qPrintable(QString::number(backAt - gaveUpAt)));
    QCOMPARE(DoneFiles(Stored()), 1);
    const FILE_INFO file = f.TaskOf(kPlan, 0, kMonday).FileList.value(0);
    QVERIFY(f.StoredCopyMatches(device, 1, file.FileStartTime, file.FileStopTime));
}

void TestEngine::reconnectTriesSixtyTimes_data()
{
    // A position of -1 asks for a reconnect; the recorder then refuses this many logins. Sixty tries: back at
    // the last one, the file goes on; one refusal more, the reconnect fails once and the task comes round
    // again.
    QTest::addColumn<int>("refusals");
    QTest::addColumn<int>("failed");
    QTest::newRow("back at the sixtieth try") << 59 << 0;
    QTest::newRow("refused sixty times") << 60 << 1;
}

void TestEngine::reconnectTriesSixtyTimes()
{
    QFETCH(int, refusals);
    QFETCH(int, failed);
    CEngineFixture f(kNow);
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {200000}, kMonday, 6);
    config.Channel(1).Faults.InjectedPosition = -1;
    config.Channel(1).Faults.InjectedPositionTimes = 1;
    const int device = Gate(f, config, 1);
    QVERIFY(device >= 0 && LoadList(f, 1));
    CRecorderSim& sim = f.Recorder(device);
    std::atomic<bool> armed{false};
    CExecuteThread worker(kPlan, 0);
    QObject::connect(
        &worker, &CExecuteThread::SigConnectDeviceFail, &worker,
        [&](int, int, int, const QString& text) {
            if (text.startsWith(QStringLiteral("Download File Exceptional")) && !armed.exchange(true)) {
                sim.ClearCallLog();
                sim.SetLoginRefusals(refusals);
            }
        },
        Qt::DirectConnection);
    worker.Start();
    QVERIFY(worker.wait(kLimitMs));
    QVERIFY(armed);
    const QList<SimCall> logins = sim.Calls(QStringLiteral("login"));
    QCOMPARE(std::count_if(logins.cbegin(), logins.cend(), [](const SimCall& call) { return !call.Ok; }),
             qsizetype(refusals));
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Reconnect ")), failed);
    QCOMPARE(DoneFiles(Stored()), 1);
}

void TestEngine::overnightWindowSurvivesARestartAfterMidnight_data()
{
    // The day of the restart, at 01:00; the day before has a window from 22:00 for six hours. The first days
    // of 2024's months fall on every weekday, and their day before ends a month (and a year).
    QTest::addColumn<QDate>("day");
    for (int month = 1; month <= 12; ++month) {
        const QDate day(2024, month, 1);
        QTest::addRow("%s", qPrintable(day.toString(QStringLiteral("ddd d MMM")))) << day;
    }
}

void TestEngine::overnightWindowSurvivesARestartAfterMidnight()
{
    QFETCH(QDate, day);
    CEngineFixture f(QDateTime(day, QTime(1, 0)));
    QVERIFY(Gate(f, CSimRecorders::MakeConfig(1, {20000}, day.addDays(-1)), 1) >= 0);
    GROUP_INFO plan = *f.Model().GetGroupInfo(kPlan);
    plan.Schedule[0].IsEanbel = 0;
    // Only today's entry (its window is tonight's) and yesterday's are on: the night's window is yesterday's.
    for (int w = 1; w <= 7; ++w) {
        plan.Schedule[w].IsEanbel = w == day.dayOfWeek() || w == day.addDays(-1).dayOfWeek() ? 1 : 0;
        plan.Schedule[w].TaskStartTime = {22, 0, 0};
        plan.Schedule[w].FileDate = 0; // the recordings of the window's own day
    }
    QVERIFY(f.Model().SetGroupInfo(&plan, kPlan));
    std::atomic<qint64> builtAt{0};
    std::atomic<qint64> listedFor{0}; // the day of the one task listed, as Julian day
    CPlanThreads threads(kPlan);
    QObject::connect(
        &threads.control, &CControlThread::StartGetTask, &threads.control,
        [&] { builtAt = EngineNow().toMSecsSinceEpoch(); }, Qt::DirectConnection);
    QObject::connect(
        &threads.control, &CControlThread::StopGetTask, &threads.control,
        [&] {
            const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
            listedFor = list.size() == 1 ? list[0].TaskTime.toJulianDay() : -1;
        },
        Qt::DirectConnection);
    threads.control.Start();
    // Opened within the night's window, not at tonight's: an hour of engine time leaves room for a slow
    // machine or a sanitizer while the lost window would open only at 22:00.
    const QDateTime bound(day, QTime(2, 0));
    QTRY_VERIFY_WITH_TIMEOUT(builtAt != 0 || EngineNow() > bound, kLimitMs);
    QVERIFY(builtAt > 0 && builtAt < bound.toMSecsSinceEpoch());
    // By yesterday's entry: its channel's recording is listed, dated yesterday.
    QTRY_VERIFY_WITH_TIMEOUT(listedFor != 0, kLimitMs);
    QCOMPARE(listedFor.load(), day.addDays(-1).toJulianDay());
}

void TestEngine::windowCloseCarriesOnlyTheUnfinished_data()
{
    // Whether the recorder plays the two channels back; some finished is the case of the test above.
    // With `leftovers`, the plan's list of yesterday's window was left unfinished: it is today's overdue
    // list, which the window's close clears whatever became of it.
    QTest::addColumn<bool>("plays");
    QTest::addColumn<bool>("leftovers");
    QTest::newRow("none finished") << false << false;
    QTest::newRow("all finished") << true << false;
    QTest::newRow("all finished, yesterday's left over") << true << true;
    QTest::newRow("none finished, yesterday's left over") << false << true;
}

void TestEngine::windowCloseCarriesOnlyTheUnfinished()
{
    QFETCH(bool, plays);
    QFETCH(bool, leftovers);
    CEngineFixture f(At(0, 18, 0, 1));
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, {30000}, kSunday, 9);
    config.AddRecording(1, At(-2, 8, 0), At(-2, 9, 0), 0, 30000); // Saturday's, yesterday's window's share
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0);
    if (leftovers) {
        TASK_INFO task = f.TaskOf(kPlan, 0, kSunday);
        task.FileList.removeIf(
            [](const FILE_INFO& file) { return FromSdkTime(file.FileStartTime) != At(-2, 8, 0); });
        QCOMPARE(task.FileList.size(), 1);
        task.TotalChannelSize = task.FileList[0].FileSize;
        f.Model().TaskList(kPlan, 0) = {task};
        QVERIFY(f.Model().SaveTaskList(kPlan, 0));
    }
    SimChannelFaults refuse;
    refuse.PlayRefusals = plays ? 0 : -1;
    for (int channel = 1; channel <= 2; ++channel)
        f.Recorder(device).SetChannelFaults(channel, refuse);
    CPlanThreads threads(kPlan);
    std::atomic<int> overdueStarts{0}, lists{0};
    QObject::connect(
        &threads.control, &CControlThread::pastStartWork, &threads.control, [&] { ++overdueStarts; },
        Qt::DirectConnection);
    QObject::connect(
        &threads.control, &CControlThread::StopGetTask, &threads.control, [&] { ++lists; },
        Qt::DirectConnection);
    threads.control.Start();
    QTRY_VERIFY_WITH_TIMEOUT(plays ? AllDone(Stored()) : f.Recorder(device).Calls("play-open").size() >= 2,
                             kLimitMs);
    f.Clock().SetNow(At(0, 23, 59, 58));
    QTRY_VERIFY_WITH_TIMEOUT(Stored().isEmpty(), kLimitMs);
    QCOMPARE(Stored(1).size(), plays ? 0 : 2);
    if (leftovers && plays) {
        // Once started in this run, the overdue worker is started at every later window, its list empty or
        // not.
        QCOMPARE(overdueStarts.load(), 1);
        f.Clock().SetNow(At(1, 18, 0, 1));
        QTRY_VERIFY_WITH_TIMEOUT(lists == 2, kLimitMs);
        QTRY_COMPARE_WITH_TIMEOUT(overdueStarts.load(), 2, kLimitMs);
    }
}

void TestEngine::dayIsFetchedToItsLastSecond()
{
    // A whole-day plan (File End 23:59:59) on two days in a row. Channel 1's last file of Monday ends at
    // midnight, where Tuesday's first begins; channel 2's crosses midnight and is shared by the two days.
    CEngineFixture f(At(1, 19, 0));
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    constexpr qint64 kWhole = 1800 * 1000 + 7, kNext = 900 * 1000 + 3, kAcross = 1800 * 1000 + 11;
    config.AddRecording(1, At(0, 23, 30), At(1, 0, 0), 0, kWhole);
    config.AddRecording(1, At(1, 0, 0), At(1, 0, 30), 0, kNext);
    config.AddRecording(2, At(0, 23, 45), At(1, 0, 15), 0, kAcross);
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0);
    for (const QDateTime& now : {At(1, 19, 0), At(2, 19, 0)}) {
        f.Clock().SetNow(now);
        CTaskWrite writer(kPlan, false);
        writer.start();
        QVERIFY(writer.wait(kLimitMs));
        QCOMPARE(f.Model().TaskList(kPlan, 0).size(), 2);
        CExecuteThread worker(kPlan, 0);
        worker.start();
        QVERIFY(worker.wait(kLimitMs));
        QVERIFY(AllDone(f.Model().TaskList(kPlan, 0)));
    }
    const auto names = [&f, device](int channel) {
        QStringList names;
        for (const QString& path : f.StoredFiles(device, channel))
            names << path.section(QLatin1Char('/'), -1).left(29);
        names.sort();
        return names;
    };
    QCOMPARE(names(1), QStringList({QStringLiteral("20240304233000_20240305000000"),
                                    QStringLiteral("20240305000000_20240305003000")}));
    QCOMPARE(names(2), QStringList({QStringLiteral("20240304234500_20240305000000"),
                                    QStringLiteral("20240305000000_20240305001500")}));
    // Each copy is the recorder's play-back of its range, byte for byte: Monday's last file whole.
    const QDateTime edges[][2] = {{At(0, 23, 30), At(1, 0, 0)}, {At(1, 0, 0), At(1, 0, 30)}};
    for (const auto& edge : edges)
        QVERIFY(f.StoredCopyMatches(device, 1, SimTime(edge[0]), SimTime(edge[1])));
    QVERIFY(f.StoredCopyMatches(device, 2, SimTime(At(0, 23, 45)), SimTime(At(1, 0, 0))));
    QVERIFY(f.StoredCopyMatches(device, 2, SimTime(At(1, 0, 0)), SimTime(At(1, 0, 15))));
    QStringList paths = f.StoredFiles(device, 1);
    paths.sort();
    QCOMPARE(QFileInfo(paths[0]).size(), kWhole + kSimHeaderBlockSize);
    // The two days' shares of the file across midnight are the whole file: no second between them.
    paths = f.StoredFiles(device, 2);
    paths.sort();
    QByteArray joined;
    for (const QString& path : paths) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        joined += file.readAll().mid(kSimHeaderBlockSize);
    }
    const CSimPlaybackContent whole =
        f.Recorder(device).Expected(2, SimTime(At(0, 23, 45)), SimTime(At(1, 0, 15)));
    QCOMPARE(whole.Length(), kAcross + kSimHeaderBlockSize);
    QVERIFY(joined == whole.Bytes(kSimHeaderBlockSize, kAcross));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestEngine::earlierListIsFetchedToItsLastSecond()
{
    // The database of an earlier installation holds today's list as it was built then: each file that
    // reached the whole day's end stops at 23:59:59. Channel 1's is not fetched yet, channel 2's is.
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.AddRecording(1, At(0, 22, 0), At(0, 23, 0), 0, 700 * 1000);
    for (int channel = 1; channel <= 2; ++channel)
        config.AddRecording(channel, At(0, 23, 30), At(1, 0, 0), 0, 1800 * 1000 + channel);
    const int device = Gate(f, config, 2);
    QVERIFY(device >= 0);
    const auto file = [&f, device](int channel, const QDateTime& from, const QDateTime& to, int16_t state) {
        FILE_INFO info;
        info.FileStartTime = SimTime(from);
        info.FileStopTime = SimTime(to);
        info.FileType = 1;
        info.DownloadState = state;
        info.FileSize = f.Recorder(device).Expected(channel, info.FileStartTime, info.FileStopTime).Length();
        return info;
    };
    QList<TASK_INFO> list;
    for (int position = 0; position < 2; ++position) {
        TASK_INFO task;
        task.TaskTime = kNow.date();
        task.GroupID = kPlan;
        task.CameraIndex = int16_t(position);
        list.append(task);
    }
    list[0].FileList = {file(1, At(0, 22, 0), At(0, 23, 0), DOWNLOAD_NOT_STARTED),
                        file(1, At(0, 23, 30), At(0, 23, 59, 59), DOWNLOAD_NOT_STARTED)};
    list[1].FileList = {file(2, At(0, 23, 30), At(0, 23, 59, 59), DOWNLOAD_DONE)};
    for (TASK_INFO& task : list)
        for (const FILE_INFO& info : task.FileList)
            task.TotalChannelSize += info.FileSize;
    QVERIFY(DbSaveTaskList(list, kPlan, 0));
    QVERIFY(GetMainDB().Exec("PRAGMA user_version = 1;"));
    CloseMainDB();
    QVERIFY(GetMainDB().IsOpen());

    QVERIFY(f.Model().LoadTaskList(kPlan));
    CExecuteThread worker(kPlan, 0);
    worker.start();
    QVERIFY(worker.wait(kLimitMs));
    // Channel 1's last file is fetched whole, under the name of its whole range, and marked done as such;
    // channel 2's copy stored before keeps its name and is not asked for again.
    QStringList names;
    for (const QString& path : f.StoredFiles(device, 1))
        names << path.section(QLatin1Char('/'), -1).left(29);
    names.sort();
    QCOMPARE(names, QStringList({QStringLiteral("20240304220000_20240304230000"),
                                 QStringLiteral("20240304233000_20240305000000")}));
    QVERIFY(f.StoredCopyMatches(device, 1, SimTime(At(0, 23, 30)), SimTime(At(1, 0, 0))));
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("play-open")).size(), 2);
    for (const QList<TASK_INFO>& tasks : {f.Model().TaskList(kPlan, 0), Stored()}) {
        QVERIFY(AllDone(tasks));
        QCOMPARE(FromSdkTime(tasks[0].FileList[1].FileStopTime), At(1, 0, 0));
        QCOMPARE(FromSdkTime(tasks[1].FileList[0].FileStopTime), At(0, 23, 59, 59));
    }
    // Brought up once: a list of this installation that stops at 23:59:59 stays as it is.
    QVERIFY(DbSaveTaskList(list, kPlan, 0));
    CloseMainDB();
    QCOMPARE(FromSdkTime(Stored()[0].FileList[1].FileStopTime), At(0, 23, 59, 59));
}

void TestEngine::manualRangeTakesItsEndSecond_data()
{
    // The manual range runs from Monday 00:00:00 to its End, a second it takes. Channel 1 holds 10:00-11:00,
    // 11:00-11:30, the day's last file 23:30-00:00 and Tuesday's first; channel 2 a file across midnight.
    // What each channel stores (start_stop of each copy), and the size of channel 1's last copy when it is a
    // whole file (-1: a cut one).
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<qint64>("lastBytes");
    QTest::newRow("whole day") << At(0, 23, 59, 59)
                               << QStringList({QStringLiteral("20240304100000_20240304110000"),
                                               QStringLiteral("20240304110000_20240304113000"),
                                               QStringLiteral("20240304233000_20240305000000")})
                               << QStringList({QStringLiteral("20240304234500_20240305000000")})
                               << qint64(1800 * 1000 + 7 + kSimHeaderBlockSize);
    QTest::newRow("a file's last second")
        << At(0, 10, 59, 59) << QStringList({QStringLiteral("20240304100000_20240304110000")})
        << QStringList() << qint64(3600 * 1000 + 5 + kSimHeaderBlockSize);
    QTest::newRow("within a file") << At(0, 10, 15)
                                   << QStringList({QStringLiteral("20240304100000_20240304101501")})
                                   << QStringList() << qint64(-1);
}

void TestEngine::manualRangeTakesItsEndSecond()
{
    QFETCH(QDateTime, end);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(qint64, lastBytes);
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.AddRecording(1, At(0, 10, 0), At(0, 11, 0), 0, 3600 * 1000 + 5);
    config.AddRecording(1, At(0, 11, 0), At(0, 11, 30), 0, 1800 * 1000 + 3);
    config.AddRecording(1, At(0, 23, 30), At(1, 0, 0), 0, 1800 * 1000 + 7);
    config.AddRecording(1, At(1, 0, 0), At(1, 0, 30), 0, 900 * 1000 + 1);
    config.AddRecording(2, At(0, 23, 45), At(1, 0, 15), 0, 1800 * 1000 + 11);
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SimTime(At(0, 0, 0));
    manual.FileEndTime = SimTime(end);
    manual.FileType = 0;
    manual.Channel[0] = {int16_t(device), 1};
    manual.Channel[1] = {int16_t(device), 2};
    f.Model().SetManualBackupInfo(&manual);

    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(kLimitMs));
    QVERIFY(AllDone(Stored(0, MANUAL_GROUP_ID)));
    const QList<QPair<int, QStringList>> expected = {{1, first}, {2, second}};
    for (const auto& [channel, ranges] : expected) {
        QStringList paths = f.StoredFiles(device, channel);
        paths.sort();
        QStringList names;
        for (const QString& path : paths)
            names << path.section(QLatin1Char('/'), -1).left(29);
        QCOMPARE(names, ranges);
        // Each copy is the recorder's play-back of its range, byte for byte.
        for (const QString& range : ranges) {
            const QString format = QStringLiteral("yyyyMMddhhmmss");
            const QDateTime from = QDateTime::fromString(range.left(14), format);
            const QDateTime to = QDateTime::fromString(range.mid(15, 14), format);
            QVERIFY2(f.StoredCopyMatches(device, channel, SimTime(from), SimTime(to)), qPrintable(range));
        }
        if (channel == 1 && lastBytes >= 0)
            QCOMPARE(QFileInfo(paths.last()).size(), lastBytes);
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

VARROW_TEST_MAIN(TestEngine, QCoreApplication)
#include "tst_engine.moc"

// Building a plan's task list from the recorders: each recording cut to the searched range exactly once and
// measured, unreachable recorders reported and mailed, and a stop that is never ignored.

#include "engine/EngineCommon.h"
#include "engine/TaskWrite.h"
#include "model/DbAccess.h"
#include "model/Mail.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>

namespace {

const QDate kDay(2024, 3, 4); // the searched day
const QDateTime kNow(QDate(2024, 3, 5), QTime(19, 0));
constexpr int kPlan = 6;
constexpr int kRunLimitMs = 30000; // a hang guard only

QDateTime At(int dayOffset, int h, int m, int s = 0)
{
    return QDateTime(kDay.addDays(dayOffset), QTime(h, m, s));
}

SCHEDULE_WEEKDAY DayBefore()
{
    SCHEDULE_WEEKDAY entry;
    entry.IsEanbel = 1;
    entry.FileDate = 1;
    return entry;
}

bool Same(const NET_DVR_TIME& t, const QDateTime& when)
{
    return FromSdkTime(t) == when;
}

} // namespace

class TestTaskWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clipsMeasuresAndListsEachFileOnce();
    void recorderFaultsFallBack_data();
    void recorderFaultsFallBack();
    void unreachableRecorderIsLoggedSignalledAndMailed_data();
    void unreachableRecorderIsLoggedSignalledAndMailed();
    void stopWhileSearchingEndsAndClosesTheSearch();
};

void TestTaskWrite::clipsMeasuresAndListsEachFileOnce()
{
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.Seed = 11;
    config.AddRecording(1, At(-1, 22, 0), At(-1, 23, 59, 59), 0, 9000); // ends before the range
    config.AddRecording(1, At(-1, 23, 0), At(0, 0, 0), 0, 9000);        // only touches the range's start
    config.AddRecording(1, At(-1, 23, 30), At(0, 0, 30), 1, 180000);    // crosses the start
    config.AddRecording(1, At(-1, 23, 45), At(0, 0, 15), 2, 60000);     // crosses the start too
    config.AddRecording(1, At(0, 10, 0), At(0, 11, 0), 0, 360000);      // inside
    config.AddRecording(1, At(0, 10, 30), At(0, 11, 30), 6, 360000);    // overlaps the one before
    config.AddRecording(1, At(0, 23, 30), At(1, 0, 30), 0, 240000);     // crosses the end
    config.AddRecording(2, At(0, 12, 0), At(0, 13, 0), 0, 1000);        // the other channel
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    SCHEDULE_WEEKDAY entry = DayBefore();
    entry.FileType = 0;
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}, {int16_t(device), 2}}, entry));

    CTaskWrite writer(kPlan, false);
    QSignalSpy done(&writer, &CTaskWrite::SigGetTaskSuc);
    writer.start();
    QVERIFY(writer.wait(kRunLimitMs));
    QCOMPARE(done.size(), 1);
    QVERIFY(!writer.GetResult());

    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), 2);
    const TASK_INFO& task = list[0];
    QCOMPARE(task.TaskTime, kDay.addDays(1));
    QCOMPARE(task.CameraIndex, int16_t(0));
    QCOMPARE(task.FileList.size(), 5);
    const CRecorderSim& sim = f.Recorder(device);
    auto measured = [&sim](const QDateTime& from, const QDateTime& to) {
        return sim.Expected(1, SimTime(from), SimTime(to)).Length();
    };
    const QDateTime rangeStart = At(0, 0, 0), rangeStop = At(0, 23, 59, 59);
    QVERIFY(Same(task.FileList[0].FileStartTime, rangeStart));
    QVERIFY(Same(task.FileList[0].FileStopTime, At(0, 0, 30)));
    QCOMPARE(task.FileList[0].FileSize, measured(rangeStart, At(0, 0, 30)));
    QCOMPARE(task.FileList[0].FileType, uint8_t(2)); // found type 1: motion detection
    QVERIFY(Same(task.FileList[1].FileStopTime, At(0, 0, 15)));
    // A range that the other crossing file also covers plays back more than this file holds: the found size
    // bounds it.
    QVERIFY(measured(rangeStart, At(0, 0, 15)) > 60000 + kSimHeaderBlockSize);
    QCOMPARE(task.FileList[1].FileSize, 60000 + kSimHeaderBlockSize);
    // Inside the range: the found size, no play-back to measure it.
    QVERIFY(Same(task.FileList[2].FileStartTime, At(0, 10, 0)));
    QCOMPARE(task.FileList[2].FileSize, 360000 + kSimHeaderBlockSize);
    QCOMPARE(task.FileList[3].FileType, uint8_t(8));
    QVERIFY(Same(task.FileList[4].FileStopTime, rangeStop));
    QCOMPARE(task.FileList[4].FileSize, measured(At(0, 23, 30), rangeStop));
    qint64 total = 0;
    for (const FILE_INFO& file : task.FileList) {
        QCOMPARE(file.DownloadState, int16_t(DOWNLOAD_NOT_STARTED));
        total += file.FileSize;
    }
    QCOMPARE(task.TotalChannelSize, total);
    QCOMPARE(sim.Calls("play-open").size(), 3);
    QCOMPARE(sim.Calls("find").size(), 2);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestTaskWrite::recorderFaultsFallBack_data()
{
    // A recorder that misbehaves in one way; what the list then holds for a file cut from 10:00 to 10:30.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("files"); // -1: the channel gets no task
    QTest::newRow("length 0") << "length 0" << 1;
    QTest::newRow("negative length") << "length -5" << 1;
    QTest::newRow("length above the found size") << "length 99999999" << 1;
    QTest::newRow("search refused") << "search" << -1;
    QTest::newRow("login slower than the time-out") << "login" << -1;
}

void TestTaskWrite::recorderFaultsFallBack()
{
    QFETCH(QString, fault);
    QFETCH(int, files);
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    config.AddRecording(1, At(0, 9, 0), At(0, 11, 0), 0, 72000);
    SimChannelFaults& faults = config.Channel(1).Faults;
    if (fault.startsWith("length"))
        faults.ReportedLength = fault.section(' ', 1).toLongLong();
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    SCHEDULE_WEEKDAY entry = DayBefore();
    entry.FileStartTime = {10, 0, 0};
    entry.FileEndTime = {10, 30, 0};
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, entry));
    CRecorderSim& sim = f.Recorder(device);
    faults.FindRefusals = fault == "search" ? -1 : 0;
    sim.SetChannelFaults(1, faults);
    if (fault == "login") {
        NET_DVR_SetTimeouts(1000, 200);
        SimRecorderConfig slow = sim.Config();
        slow.LoginDelayMs = 400;
        sim.ApplyFaults(slow);
    }

    CTaskWrite writer(kPlan, false);
    writer.start();
    QVERIFY(writer.wait(kRunLimitMs));
    const QList<TASK_INFO>& list = f.Model().TaskList(kPlan, 0);
    QCOMPARE(list.size(), files < 0 ? 0 : 1);
    QCOMPARE(writer.GetResult(), fault == "login");
    if (files > 0) {
        // The found size (the whole recording's play-back) bounds every figure the recorder gives.
        QCOMPARE(list[0].FileList.size(), files);
        QCOMPARE(list[0].FileList[0].FileSize, 72000 + kSimHeaderBlockSize);
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestTaskWrite::unreachableRecorderIsLoggedSignalledAndMailed_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("mail server answers") << false;
    // A mail server that takes the connection and never answers must not hold up the signal or a stop.
    QTest::newRow("silent mail server") << true;
}

void TestTaskWrite::unreachableRecorderIsLoggedSignalledAndMailed()
{
    QFETCH(bool, silent);
    CEngineFixture f(kNow);
    CFakeSmtpServer::Options options;
    options.Silent = silent;
    CFakeSmtpServer smtp(options);
    QVERIFY(smtp.IsListening());
    SetMailTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(silent ? 30000 : 2000)});
    const auto restoreTimeouts = qScopeGuard([] { SetMailTimeouts(MailTimeouts()); });
    const int device = f.AddDevice(CSimRecorders::MakeConfig(2, {1000}, kDay), "Gate");
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}, {int16_t(device), 2}}, DayBefore()));
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    config.IsEnableEmail = 1;
    config.ReconnetNum = 3;
    f.Model().SetSystemConfig(&config);
    MAIL_CONFIG mail;
    CopyString128(mail.SMTPAddr, "127.0.0.1");
    mail.SMTPPort = smtp.Port();
    CopyString128(mail.MailFrom, "station@example.org");
    CopyString128(mail.MailTo, "guard@example.org");
    CopyString64(mail.MailPassword, "secret");
    QVERIFY(f.Model().SetMailConfig(&mail));
    f.Recorder(device).SetLoginRefusals(-1);

    CTaskWrite writer(kPlan, false);
    QSignalSpy failures(&writer, &CTaskWrite::SigConnectDeviceFail);
    // The page hears of the failure before the mail goes out.
    int mailsAtFirstSignal = -1;
    connect(
        &writer, &CTaskWrite::SigConnectDeviceFail, &writer,
        [&] {
            if (mailsAtFirstSignal < 0)
                mailsAtFirstSignal = smtp.Sessions();
        },
        Qt::DirectConnection);
    writer.start();
    if (silent) {
        QTRY_VERIFY_WITH_TIMEOUT(failures.size() >= 1, 5000);
        QElapsedTimer timer;
        timer.start();
        writer.stop();
        QVERIFY(writer.wait(2000));
        QVERIFY(timer.elapsed() < 2000);
        return;
    }
    QVERIFY(writer.wait(kRunLimitMs));
    QCOMPARE(mailsAtFirstSignal, 0);
    QVERIFY(writer.GetResult());
    QCOMPARE(f.Recorder(device).Calls("login").size(), 6);
    QCOMPARE(CEngineFixture::LogRows("Get Backup Task Work List Failed.Connect Device "), 2);
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[1][3].toString().left(55),
             QStringLiteral("Get Backup Task Work List Failed.Connect Device Gate_Ca"));
    QVERIFY(smtp.WaitForSessions(2));
    QCOMPARE(smtp.Sessions(), 2);
    QVERIFY(f.Model().TaskList(kPlan, 0).isEmpty());
}

void TestTaskWrite::stopWhileSearchingEndsAndClosesTheSearch()
{
    CEngineFixture f(kNow);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {1000, 1000}, kDay), "Gate");
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(kPlan, {{int16_t(device), 1}}, DayBefore()));
    SimChannelFaults faults;
    faults.SearchBusy = 1000000; // a recorder that keeps saying "still searching"
    f.Recorder(device).SetChannelFaults(1, faults);
    f.Model().TaskList(kPlan, 0).append(TASK_INFO());

    CTaskWrite writer(kPlan, false);
    QSignalSpy done(&writer, &CTaskWrite::SigGetTaskSuc);
    writer.start();
    QTRY_VERIFY_WITH_TIMEOUT(f.Recorder(device).Calls("next").size() > 20, kRunLimitMs);
    writer.stop();
    QVERIFY(writer.wait(kRunLimitMs));
    QCOMPARE(done.size(), 0);
    QVERIFY(f.Model().TaskList(kPlan, 0).isEmpty());
    QVERIFY(f.Recorders().WaitForIdle());
    const QList<SimCall> calls = f.Recorder(device).CallLog();
    QCOMPARE(calls.last().Op, QStringLiteral("logout"));
}

VARROW_TEST_MAIN(TestTaskWrite, QCoreApplication)
#include "tst_taskwrite.moc"

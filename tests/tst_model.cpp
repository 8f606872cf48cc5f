// The model object against a real database file and simulated recorders: what it stores must load again,
// and a refused or failed change must leave the configuration as it was.

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "model/TaskStore.h"
#include "sdk/DeviceSdk.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tools/recorder-sim/RecorderSim.h"

#include <cstring>
#include <memory>

class TestModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void addRefusalsNeedNoLogin();
    void addReadsAnalogAndIpChannels();
    void addFailedLoginLogsOnce();
    void modifyKeepsDeviceWhenRecorderOffline();
    void modifyRenameKeepsSlotAndPlans();
    void deleteClosesPlansUp();
    void plansAndManualPlanReload();
    void taskListsRoundTripAndFailWhole();

private:
    static std::unique_ptr<CSysInfoManage> Reload();
    static int Count(const std::string& sql);
    static GROUP_INFO Plan(const char* name, std::initializer_list<CHANNEL_REF> refs);
};

namespace {

SimRecorderConfig Recorder(int analog, int ip)
{
    SimRecorderConfig config;
    config.AnalogChannels = analog;
    config.FirstChannel = 1;
    config.IpChannels = ip;
    config.FirstIpChannel = 33;
    return config;
}

bool SetPlan(CSysInfoManage& model, const GROUP_INFO& plan, int index)
{
    return model.SetGroupInfo(&plan, index);
}

int Add(CSysInfoManage& model, const CRecorderSim& sim, const char* name, const char* user = "admin")
{
    const int flow = -1;
    const QByteArray address = sim.AddressBytes();
    return model.AddDevice(address.constData(), sim.Port(), user, "12345", &flow, name, "", 0);
}

} // namespace

void TestModel::initTestCase()
{
    QVERIFY(NET_DVR_Init());
    NET_DVR_SetTimeouts(2000, 2000);
}

void TestModel::cleanupTestCase()
{
    NET_DVR_Cleanup();
}

std::unique_ptr<CSysInfoManage> TestModel::Reload()
{
    CloseMainDB();
    auto model = std::make_unique<CSysInfoManage>();
    model->LoadAllInfo();
    model->LoadAllTaskList();
    return model;
}

int TestModel::Count(const std::string& sql)
{
    CSQLite3Recordset rs;
    GetMainDB().Query(sql, rs);
    return rs.IsEof() ? -1 : rs.GetInt(0);
}

GROUP_INFO TestModel::Plan(const char* name, std::initializer_list<CHANNEL_REF> refs)
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    int i = 0;
    for (const CHANNEL_REF& ref : refs)
        plan.Channel[i++] = ref;
    plan.Schedule[0].IsEanbel = 1;
    plan.Schedule[0].TaskStartTime = {9, 5, 0};
    return plan;
}

void TestModel::addRefusalsNeedNoLogin()
{
    CTempDatabase db;
    CRecorderSim sim(Recorder(2, 0));
    QVERIFY(sim.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, sim, "Gate"), int(ADD_DEVICE_OK));
    sim.ClearCallLog();

    // Same name, same address and port, an empty name: refused before any login.
    QCOMPARE(Add(*model, sim, "Gate"), int(ADD_DEVICE_REFUSED));
    QCOMPARE(Add(*model, sim, "Other"), int(ADD_DEVICE_REFUSED));
    QCOMPARE(Add(*model, sim, ""), int(ADD_DEVICE_REFUSED));
    QCOMPARE(model->AddDevice(nullptr, 1, "a", "b", nullptr, "x", "", 0), int(ADD_DEVICE_BAD_ARGUMENT));
    QVERIFY(sim.Calls("login").isEmpty());

    // Every slot used: -2, still without a login.
    DEVICE_INFO filler;
    filler.IsUsed = 1;
    filler.Port = 8000;
    filler.CameraNum = 0;
    for (int i = 1; i < MAX_DEVICE_NUM; ++i) {
        CopyString33(filler.DeviceName, "dev" + std::to_string(i));
        CopyString16(filler.DeviceIP, "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
        QVERIFY(DbInsertDeviceInfo(i, &filler));
    }
    model = Reload();
    QCOMPARE(model->GetFreeDeviceIndex(), -1);
    QCOMPARE(Add(*model, sim, "Fresh"), int(ADD_DEVICE_NO_SLOT));
    QVERIFY(sim.Calls("login").isEmpty());
    QVERIFY(sim.WaitForIdle(2000));
}

void TestModel::addReadsAnalogAndIpChannels()
{
    CTempDatabase db;
    CRecorderSim sim(Recorder(4, 2));
    QVERIFY(sim.Start());
    CRecorderSim analogOnly(Recorder(2, 0));
    QVERIFY(analogOnly.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, sim, "Gate"), int(ADD_DEVICE_OK));
    QCOMPARE(Add(*model, analogOnly, "Yard"), int(ADD_DEVICE_OK));

    model = Reload();
    const DEVICE_INFO* gate = model->GetDeviceInfo(model->GetDeviceIndexByName("Gate"));
    QVERIFY(gate != nullptr);
    QCOMPARE(gate->CameraNum, int16_t(6));
    QCOMPARE(gate->StartIP, int16_t(33));
    const int expected[] = {1, 2, 3, 4, 33, 34};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(gate->Camera[i].CameraIndex, int16_t(expected[i]));
        QCOMPARE(gate->Camera[i].IsIP, uint8_t(i >= 4));
    }
    QCOMPARE(model->GetCameraName(0, 3), QStringLiteral("Gate_Camera 03"));
    QCOMPARE(model->GetCameraName(0, 34), QStringLiteral("Gate_IPCamera 02"));
    QCOMPARE(model->GetDeviceInfo(1)->StartIP, int16_t(-1));
    QVERIFY(model->GetDeviceInfo(1024) == nullptr);
    QVERIFY(model->GetDeviceInfo(-1) == nullptr);
    QCOMPARE(model->GetDeviceIndexByName("Gat"), -1);
    QCOMPARE(model->GetDeviceIndexByName(""), -1);
    QVERIFY(sim.WaitForIdle(2000));
}

void TestModel::addFailedLoginLogsOnce()
{
    CTempDatabase db;
    CRecorderSim sim(Recorder(2, 0));
    QVERIFY(sim.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, sim, "Gate", "intruder"), int(ADD_DEVICE_REFUSED));
    QCOMPARE(model->GetFreeDeviceIndex(), 0);
    QCOMPARE(Count("SELECT COUNT(*) FROM Log_Table WHERE LogType = 2 AND LogSubType = 10;"), 1);
    QCOMPARE(Count("SELECT COUNT(*) FROM Device_Table;"), 0);
}

void TestModel::modifyKeepsDeviceWhenRecorderOffline()
{
    CTempDatabase db;
    auto sim = std::make_unique<CRecorderSim>(Recorder(2, 0));
    QVERIFY(sim->Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, *sim, "Gate"), int(ADD_DEVICE_OK));
    QVERIFY(SetPlan(*model, Plan("Night", {{0, 2}, {0, 1}}), 3));
    const DEVICE_INFO old = *model->GetDeviceInfo(0);
    sim.reset(); // the recorder goes away

    DEVICE_INFO changed = old;
    CopyString33(changed.DeviceName, "Gate West");
    QVERIFY(!model->ModifyDevice(&changed, &old, false));

    model = Reload();
    const DEVICE_INFO* kept = model->GetDeviceInfo(0);
    QVERIFY(kept != nullptr);
    QCOMPARE(QByteArray(kept->DeviceName), QByteArray("Gate"));
    QCOMPARE(kept->CameraNum, int16_t(2));
    QCOMPARE(model->GetGroupInfo(3)->Channel[0].CameraIndex, int16_t(2));
}

void TestModel::modifyRenameKeepsSlotAndPlans()
{
    CTempDatabase db;
    CRecorderSim first(Recorder(2, 0));
    CRecorderSim second(Recorder(4, 0));
    QVERIFY(first.Start() && second.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, first, "Gate"), int(ADD_DEVICE_OK));
    QCOMPARE(Add(*model, second, "Yard"), int(ADD_DEVICE_OK));
    QVERIFY(SetPlan(*model, Plan("Night", {{1, 4}, {0, 2}, {1, 1}}), 5));
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {1, 3};
    model->SetManualBackupInfo(&manual);

    // A name another device holds is refused and changes nothing.
    DEVICE_INFO old = *model->GetDeviceInfo(1);
    DEVICE_INFO changed = old;
    CopyString33(changed.DeviceName, "Gate");
    QVERIFY(!model->ModifyDevice(&changed, &old, false));

    CopyString33(changed.DeviceName, "Yard North");
    QVERIFY(model->ModifyDevice(&changed, &old, false));

    model = Reload();
    QCOMPARE(model->GetDeviceIndexByName("Yard North"), 1);
    QCOMPARE(model->GetDeviceIndexByName("Yard"), -1);
    const GROUP_INFO* plan = model->GetGroupInfo(5);
    QVERIFY(plan != nullptr);
    QCOMPARE(plan->Channel[0].DeviceID, int16_t(1));
    QCOMPARE(plan->Channel[0].CameraIndex, int16_t(4));
    QCOMPARE(plan->Channel[1].DeviceID, int16_t(0));
    QCOMPARE(plan->Channel[2].CameraIndex, int16_t(1));
    QVERIFY(plan->Channel[3].IsEmpty());
    QCOMPARE(model->GetManualBackupInfo()->Channel[0].CameraIndex, int16_t(3));
    QCOMPARE(model->GetChannelName(5, 0), QStringLiteral("Yard North_Camera 04"));
    QCOMPARE(model->GetChannelName(32, 0), QStringLiteral("Yard North_Camera 03"));
    QCOMPARE(model->GetDeviceUseState("Yard North"), 2);
    QCOMPARE(model->GetDeviceUseState("Gate"), 1);
}

void TestModel::deleteClosesPlansUp()
{
    CTempDatabase db;
    CRecorderSim a(Recorder(2, 0)), b(Recorder(2, 0));
    QVERIFY(a.Start() && b.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, a, "A"), int(ADD_DEVICE_OK));
    QCOMPARE(Add(*model, b, "B"), int(ADD_DEVICE_OK));
    // Plan in slot 5 only: R1, x, R2, x, R3 with x the device to delete.
    QVERIFY(SetPlan(*model, Plan("P", {{0, 1}, {1, 1}, {0, 2}, {1, 2}, {0, 1}}), 5));
    std::vector<int> groups;
    model->GetGroupsOfDevice(1, &groups);
    QCOMPARE(groups, std::vector<int>({5, 5}));
    QCOMPARE(model->GetDeviceUseState("B"), 1);

    QCOMPARE(model->DeleteDevice("B", true), 1);
    const GROUP_INFO* plan = model->GetGroupInfo(5);
    QCOMPARE(plan->Channel[0].CameraIndex, int16_t(1));
    QCOMPARE(plan->Channel[1].CameraIndex, int16_t(2));
    QCOMPARE(plan->Channel[2].CameraIndex, int16_t(1));
    QVERIFY(plan->Channel[3].IsEmpty() && plan->Channel[4].IsEmpty());
    QVERIFY(model->GetDeviceInfo(1) == nullptr);
    QCOMPARE(model->DeleteDevice("B", true), -1);
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table WHERE DeviceID = 1;"), 0);

    // A deleted plan leaves a default slot: empty references are -1/-1.
    QCOMPARE(model->DeleteGroupInfo(5), 1);
    GROUP_INFO all[MAX_GROUP_NUM];
    model->GetAllGroupInfo(all);
    QVERIFY(all[5].Channel[0].IsEmpty() && all[5].Channel[0].DeviceID == -1);
    QVERIFY(model->GetGroupInfo(5) == nullptr);
}

void TestModel::plansAndManualPlanReload()
{
    CTempDatabase db;
    auto model = std::make_unique<CSysInfoManage>();
    SYSTEM_CONFIG config;
    config.DiskMode = 1;
    CopyString26(config.Disk, "DE");
    config.ReconnetNum = 3;
    model->SetSystemConfig(&config);
    model->SetBackupMode(2);
    MAIL_CONFIG mail;
    CopyString128(mail.SMTPAddr, "mail.example.org");
    mail.SMTPPort = 587;
    QVERIFY(model->SetMailConfig(&mail));
    GROUP_INFO plan = Plan("Day", {});
    plan.Schedule[3].IsEanbel = 1;
    plan.Schedule[3].Duration = 24;
    QVERIFY(model->SetGroupInfo(&plan, 31));
    GROUP_INFO deleted = Plan("Gone", {});
    deleted.bDelete = 1;
    model->SetGroupInfo(&deleted, 30);
    QVERIFY(model->GetGroupInfo(30) == nullptr);
    MANUAL_BACKUP_INFO manual;
    manual.FileType = 1;
    manual.IsChange = 1;
    manual.FileStartTime = {2024, 3, 31, 1, 2, 3};
    model->SetManualBackupInfo(&manual);

    model = Reload();
    SYSTEM_CONFIG read;
    model->GetSystemConfig(&read);
    QCOMPARE(read.BackupMode, int16_t(2));
    QCOMPARE(read.DiskMode, int16_t(1));
    QCOMPARE(QByteArray(read.Disk), QByteArray("DE"));
    QCOMPARE(read.ReconnetNum, 3);
    MAIL_CONFIG readMail;
    model->GetMailConfig(&readMail);
    QCOMPARE(readMail.SMTPPort, uint16_t(587));
    const GROUP_INFO* day = model->GetGroupInfo(31);
    QVERIFY(day != nullptr);
    QCOMPARE(day->Schedule[0].TaskStartTime.Minute, int16_t(5));
    QCOMPARE(day->Schedule[3].Duration, int16_t(24));
    QCOMPARE(model->GetManualBackupInfo()->FileType, 1u);
    QCOMPARE(model->GetManualBackupInfo()->IsChange, uint8_t(1));
    QCOMPARE(model->GetManualBackupInfo()->FileStartTime.Second, 3u);

    model->ClearManualBackupInfo();
    QVERIFY(model->GetManualBackupInfo()->Channel[0].IsEmpty());
    QCOMPARE(model->GetChannelName(-1, 0), QString());
    QCOMPARE(model->GetChannelName(32, 0), QString());
}

void TestModel::taskListsRoundTripAndFailWhole()
{
    CTempDatabase db;
    auto model = std::make_unique<CSysInfoManage>();
    QList<TASK_INFO>& current = model->TaskList(4, 0);
    for (int t = 0; t < 3; ++t) {
        TASK_INFO task;
        task.TaskTime = QDate(2024, 3, 31);
        task.GroupID = 4;
        task.CameraIndex = int16_t(2 - t);
        task.DownloadState = int16_t(t);
        for (int f = 0; f < 2; ++f) {
            FILE_INFO file;
            file.FileStartTime = {2024, 3, 30, uint32_t(f), 0, 0};
            file.FileStopTime = {2024, 3, 30, uint32_t(f), 59, 59};
            file.FileType = 1;
            file.DownloadState = int16_t((t + f) % 3);
            file.FileSize = (int64_t(5) << 30) + f; // above 4 GiB
            task.FileList.append(file);
            task.TotalChannelSize += file.FileSize;
        }
        current.append(task);
    }
    model->TaskList(MANUAL_GROUP_ID, 0).append(current.first());
    model->TaskList(MANUAL_GROUP_ID, 0).first().GroupID = MANUAL_GROUP_ID;
    QVERIFY(model->SaveTaskList(4, 0));
    QVERIFY(model->SaveTaskList(MANUAL_GROUP_ID, 0));

    model = Reload();
    const QList<TASK_INFO>& read = model->TaskList(4, 0);
    QCOMPARE(read.size(), 3);
    for (int t = 0; t < 3; ++t) {
        QCOMPARE(read[t].CameraIndex, int16_t(2 - t));
        QCOMPARE(read[t].DownloadState, int16_t(t));
        QCOMPARE(read[t].FileList.size(), 2);
        QCOMPARE(read[t].FileList[1].FileSize, (int64_t(5) << 30) + 1);
        QCOMPARE(read[t].FileList[1].DownloadState, int16_t((t + 1) % 3));
    }
    QCOMPARE(model->TaskList(MANUAL_GROUP_ID, 0).size(), 1);
    QVERIFY(model->TaskList(4, 1).isEmpty());

    // A failing insert keeps the stored list whole.
    QVERIFY(GetMainDB().Exec("CREATE TRIGGER refuse BEFORE INSERT ON FileInfo_Table BEGIN "
                             "SELECT RAISE(ABORT, 'refused'); END;"));
    model->TaskList(4, 0).removeFirst();
    QVERIFY(!model->SaveTaskList(4, 0));
    QVERIFY(GetMainDB().Exec("DROP TRIGGER refuse;"));
    model = Reload();
    QCOMPARE(model->TaskList(4, 0).size(), 3);
    QVERIFY(!model->SaveTaskList(33, 0));
}

VARROW_TEST_MAIN(TestModel, QCoreApplication)
#include "tst_model.moc"

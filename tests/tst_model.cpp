// The model object against a real database file and simulated recorders: what it stores must load again,
// and a refused or failed change must leave memory and database agreeing.

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tools/recorder-sim/RecorderSim.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

class TestModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void addRefusalsNeedNoLogin_data();
    void addRefusalsNeedNoLogin();
    void sharedChannelNumbersAndRefusedChanges();
    void sharedRecordsNeverReadTorn();
    void plansComeBackAsStored();
    void shutdownLeavesModelUsableAndRefusesChanges();
    void channelNamesAndUses();
    void slotsDuplicatesAndRemovedRecorder();
    void defaultsOfRecordsAndAFreshDatabase();
};

namespace {

int Add(CSysInfoManage& model, const CRecorderSim& sim, const char* name)
{
    const int flow = -1;
    return model.AddDevice(sim.AddressBytes().constData(), sim.Port(), "admin", "12345", &flow, name, "", 0);
}

bool SetPlan(CSysInfoManage& model, int index, const char* name, std::initializer_list<CHANNEL_REF> refs = {})
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    std::copy(refs.begin(), refs.end(), plan.Channel);
    return model.SetGroupInfo(&plan, index);
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

void TestModel::addRefusalsNeedNoLogin_data()
{
    // The argument changed (0 name, 1 user, 2 password) and its text.
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("text");
    // Longer than the stored fields: a cut login fails after a restart, cut names pass the duplicate check.
    QTest::newRow("long user") << 1 << QByteArray(32, 'u');
    QTest::newRow("long password") << 2 << QByteArray(256, 'p');
    QTest::newRow("name of 33 bytes") << 0 << QByteArray(30, 'x') + "\xe5\x89\x8d";
}

void TestModel::addRefusalsNeedNoLogin()
{
    QFETCH(int, which);
    QFETCH(QByteArray, text);
    CTempDatabase db;
    CRecorderSim sim({.AnalogChannels = 2, .Channels = {}});
    QVERIFY(sim.Start());
    QByteArray args[3] = {"A", "admin", "12345"};
    args[which] = text;
    QCOMPARE(std::make_unique<CSysInfoManage>()->AddDevice(sim.AddressBytes().constData(), sim.Port(),
                                                           args[1].constData(), args[2].constData(), nullptr,
                                                           args[0].constData(), "", 0),
             int(ADD_DEVICE_TOO_LONG));
    QVERIFY(sim.Calls("login").isEmpty());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table;"), 0);
}

void TestModel::sharedChannelNumbersAndRefusedChanges()
{
    CTempDatabase db;
    CRecorderSim gate({.AnalogChannels = 2, .Channels = {}});
    // IP channels numbered 1 and 2, like the analog ones.
    CRecorderSim yard({.AnalogChannels = 2, .IpChannels = 2, .FirstIpChannel = 1, .Channels = {}});
    QVERIFY(gate.Start() && yard.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, gate, "Gate"), int(ADD_DEVICE_OK));
    QCOMPARE(Add(*model, yard, "Yard"), int(ADD_DEVICE_OK));
    QVERIFY(SetPlan(*model, 5, "P", {{1, 2}, {1, 1}, {0, 1}}));
    // A name filling its field without a terminator would be stored cut.
    const DEVICE_INFO old = *model->GetDeviceInfo(1);
    DEVICE_INFO changed = old;
    std::memset(changed.DeviceName, 'n', sizeof changed.DeviceName);
    QVERIFY(!model->ModifyDevice(&changed, &old, false));

    // The database refuses: the device stays in memory and in its plan, as it stays stored with its channels.
    Refuse("DELETE", "Device_Table");
    QCOMPARE(model->DeleteDevice("Gate", true), -1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE DeviceID = 0;"), 2);
    QVERIFY(model->GetDeviceInfo(0) != nullptr);
    QCOMPARE(model->GetGroupInfo(5)->Channel[2].DeviceID, int16_t(0));
    AllowAll();
    // A plan the database refuses is not kept in memory either, new or changed.
    Refuse("INSERT", "Group_Table");
    QVERIFY(!SetPlan(*model, 5, "Night") && !SetPlan(*model, 6, "New"));
    QCOMPARE(QByteArray(model->GetGroupInfo(5)->GroupName), QByteArray("P"));
    QVERIFY(model->GetGroupInfo(6) == nullptr);
    AllowAll();

    CloseMainDB();
    model = std::make_unique<CSysInfoManage>();
    QVERIFY(model->LoadAllInfo());
    QCOMPARE(QByteArray(model->GetDeviceInfo(1)->DeviceName), QByteArray("Yard"));
    QString channels;
    for (int i = 0; i < model->GetDeviceInfo(1)->CameraNum; ++i) {
        const CAMERA_INFO& camera = model->GetDeviceInfo(1)->Camera[i];
        channels += QStringLiteral("%1%2 ").arg(camera.IsIP ? "ip" : "").arg(camera.CameraIndex);
    }
    QCOMPARE(channels, QStringLiteral("1 2 ip1 ip2 "));
    // A plan's reference names a channel number once, although two channels carry it.
    const GROUP_INFO* plan = model->GetGroupInfo(5);
    QCOMPARE(QByteArray(plan->GroupName), QByteArray("P"));
    QCOMPARE(plan->Channel[0].CameraIndex * 10 + plan->Channel[1].CameraIndex, 21);
    QCOMPARE(plan->Channel[2].DeviceID * 10 + plan->Channel[2].CameraIndex, 1);
}

void TestModel::sharedRecordsNeverReadTorn()
{
    // A worker copies while another thread writes; a copy mixing two writes would be a setting or a device
    // nobody stored. The picture loader writes a channel's picture path while backups copy its device.
    CTempDatabase db;
    CRecorderSim gate({.AnalogChannels = 1, .Channels = {}});
    QVERIFY(gate.Start());
    const auto owner = std::make_unique<CSysInfoManage>();
    CSysInfoManage& model = *owner;
    QCOMPARE(Add(model, gate, "Gate"), int(ADD_DEVICE_OK));
    const int channel = model.GetDeviceInfo(0)->Camera[0].CameraIndex;
    // An unusable file makes every settings save fail at once, so the copies in memory race as fast as they
    // can.
    QFile junk(db.DbPath());
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'j')) == 4096 && junk.flush());
    db.Reopen();
    SYSTEM_CONFIG a, b;
    std::memset(a.OSUsername, 'a', 43);
    std::memset(b.OSUsername, 'b', 43);
    std::memset(a.Disk, 'a', 25);
    std::memset(b.Disk, 'b', 25);
    const std::string pathA(250, 'a'), pathB(250, 'b');
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 50000; ++i) {
            model.SetSystemConfig(i % 2 == 0 ? &a : &b);
            model.SetChannelPicPath(0, channel, (i % 2 == 0 ? pathA : pathB).c_str());
        }
        done = true;
    });
    int tornSettings = 0, tornDevices = 0;
    while (!done) {
        SYSTEM_CONFIG read;
        model.GetSystemConfig(&read);
        tornSettings +=
            read.OSUsername[0] != read.OSUsername[42] || read.OSUsername[0] != read.Disk[24] ? 1 : 0;
        DEVICE_INFO device;
        QVERIFY(model.CopyDeviceInfo(0, &device));
        tornDevices += device.Camera[0].PicPath[0] != device.Camera[0].PicPath[249] ? 1 : 0;
    }
    writer.join();
    qInstallMessageHandler(previous);
    QCOMPARE(tornSettings, 0);
    QCOMPARE(tornDevices, 0);
}

void TestModel::plansComeBackAsStored()
{
    // Every hour of the day as a start time survives a restart (three plans of eight entries), and a commit
    // of several plans that fails leaves memory as the database holds it.
    CTempDatabase db;
    auto model = std::make_unique<CSysInfoManage>();
    const auto startOf = [](int p, int i) { return SCHEDULE_TIME{int16_t(p * 8 + i), int16_t(59 - i), 59}; };
    for (int p = 0; p < 3; ++p) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "P" + std::to_string(p));
        for (int i = 0; i < SCHEDULE_ENTRY_NUM; ++i)
            plan.Schedule[i].TaskStartTime = startOf(p, i);
        QVERIFY(model->SetGroupInfo(&plan, p));
    }
    CloseMainDB();
    model = std::make_unique<CSysInfoManage>();
    QVERIFY(model->LoadAllInfo());
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < SCHEDULE_ENTRY_NUM; ++i) {
            const SCHEDULE_TIME read = model->GetGroupInfo(p)->Schedule[i].TaskStartTime;
            const SCHEDULE_TIME want = startOf(p, i);
            QCOMPARE(QTime(read.Hour, read.Minute, read.Second), QTime(want.Hour, want.Minute, want.Second));
        }

    // A deferred constraint makes the commit itself fail.
    GetMainDB().Exec("CREATE TABLE Parent (id INTEGER PRIMARY KEY); CREATE TABLE Child (pid REFERENCES "
                     "Parent(id) DEFERRABLE INITIALLY DEFERRED); PRAGMA foreign_keys = ON;");
    QCOMPARE(model->BeginTransaction(), 1);
    GetMainDB().Exec("INSERT INTO Child VALUES (42)");
    QVERIFY(SetPlan(*model, 0, "Changed") && SetPlan(*model, 5, "New"));
    QVERIFY(!model->CommitTransaction());
    QCOMPARE(QByteArray(model->GetGroupInfo(0)->GroupName), QByteArray("P0"));
    QVERIFY(model->GetGroupInfo(5) == nullptr);
}

void TestModel::shutdownLeavesModelUsableAndRefusesChanges()
{
    CTempDatabase db;
    CSysInfoManage& model = *g_pSysInfoManage;
    QVERIFY(model.LoadAllInfo());
    QVERIFY(SetPlan(model, 1, "Day"));

    // A late worker keeps using the model while the exit shuts it: every call still finds it whole.
    std::atomic<int> calls{0};
    std::thread late([&] {
        for (; calls < 1000000; ++calls) {
            SYSTEM_CONFIG config;
            model.GetSystemConfig(&config);
            WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, QStringLiteral("late"));
            QMutexLocker lock(&model.TaskMutex(1, 0));
        }
    });
    while (calls < 5)
        std::this_thread::yield();
    model.Shutdown();
    for (const int atShutdown = calls; calls < atShutdown + 5;)
        std::this_thread::yield();
    calls = 1000000;
    late.join();

    QVERIFY(model.IsShutDown() && !GetMainDB().IsOpen());
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, QStringLiteral("after")), 0);
    QVERIFY(!SetPlan(model, 1, "Night"));
    QCOMPARE(QByteArray(model.GetGroupInfo(1)->GroupName), QByteArray("Day"));
}

// A recorder of four analog channels from 1 and two IP channels from 33, another whose channels start at 2:
// the channel numbers, the names the pages show for them, and which plans use a recorder.
void TestModel::channelNamesAndUses()
{
    CTempDatabase db;
    CRecorderSim gate({.AnalogChannels = 4, .IpChannels = 2, .FirstIpChannel = 33, .Channels = {}});
    CRecorderSim yard({.AnalogChannels = 2, .FirstChannel = 2, .Channels = {}});
    QVERIFY(gate.Start() && yard.Start());
    auto model = std::make_unique<CSysInfoManage>();
    QCOMPARE(Add(*model, gate, "Gate"), int(ADD_DEVICE_OK));
    QCOMPARE(Add(*model, yard, "Yard"), int(ADD_DEVICE_OK));
    const auto channels = [&model](int device) {
        const DEVICE_INFO* d = model->GetDeviceInfo(device);
        QString text =
            QStringLiteral("%1 of %2, IP from %3:").arg(d->CameraNum).arg(d->CameraNum).arg(d->StartIP);
        for (int i = 0; i < d->CameraNum; ++i)
            text += QStringLiteral(" %1%2").arg(d->Camera[i].IsIP ? "ip" : "").arg(d->Camera[i].CameraIndex);
        return text;
    };
    QCOMPARE(channels(0), QStringLiteral("6 of 6, IP from 33: 1 2 3 4 ip33 ip34"));
    QCOMPARE(channels(1), QStringLiteral("2 of 2, IP from -1: 2 3"));

    QCOMPARE(model->GetCameraName(0, 3), QStringLiteral("Gate_Camera 03"));
    QCOMPARE(model->GetCameraName(0, 34), QStringLiteral("Gate_IPCamera 02"));
    QCOMPARE(model->GetCameraName(0, 33), QStringLiteral("Gate_IPCamera 01"));
    QCOMPARE(model->GetCameraName(1, 12), QStringLiteral("Yard_Camera 12"));

    // Plan slots 0 to 4 unused; plan 5 holds Gate twice, plan 7 Yard once; the manual plan holds Gate.
    QVERIFY(SetPlan(*model, 5, "Five", {{0, 34}, {1, 3}, {0, 1}}));
    QVERIFY(SetPlan(*model, 7, "Seven", {{1, 2}}));
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {0, 2};
    model->SetManualBackupInfo(&manual);
    const QList<std::tuple<int, int, QString>> names{
        {5, 0, QStringLiteral("Gate_IPCamera 02")},
        {5, 1, QStringLiteral("Yard_Camera 03")},
        {5, 2, QStringLiteral("Gate_Camera 01")},
        {5, 3, QString()},
        {7, 0, QStringLiteral("Yard_Camera 02")},
        {MANUAL_GROUP_ID, 0, QStringLiteral("Gate_Camera 02")},
        {MANUAL_GROUP_ID, 1, QString()},
        {-1, 0, QString()},
        {5, -1, QString()},
        {MANUAL_GROUP_ID + 1, 0, QString()},
    };
    for (const auto& [plan, position, name] : names)
        QCOMPARE(model->GetChannelName(plan, position), name);

    std::vector<int> groups;
    model->GetGroupsOfDevice(0, &groups);
    QCOMPARE(groups, (std::vector<int>{5, 5}));
    groups.clear();
    model->GetGroupsOfDevice(1, &groups);
    QCOMPARE(groups, (std::vector<int>{5, 7}));
    // The manual plan's use counts first; a recorder in no plan and a name nobody holds are unused.
    QCOMPARE(model->GetDeviceUseState("Gate"), 2);
    QCOMPARE(model->GetDeviceUseState("Yard"), 1);
    QCOMPARE(model->GetDeviceUseState("Nobody"), -1);
    model->ClearManualBackupInfo();
    QCOMPARE(model->GetDeviceUseState("Gate"), 1);
    QVERIFY(SetPlan(*model, 7, "Seven"));
    QVERIFY(SetPlan(*model, 5, "Five", {{0, 1}}));
    QCOMPARE(model->GetDeviceUseState("Yard"), -1);
}

// With every one of the 1024 slots used a further recorder is refused before any login; a freed slot is
// taken again, the lowest first. A recorder at an address and port already registered, or under a name
// already taken, is refused without a login; the same address at another port is another recorder.
void TestModel::slotsDuplicatesAndRemovedRecorder()
{
    CTempDatabase db;
    GetMainDB().Exec(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1023) INSERT INTO "
        "Device_Table (DeviceID, IsUsed, DeviceIP, DeviceName, Port) SELECT i, 1, '10.1.0.' || i, "
        "'Recorder ' || i, 8000 FROM n;");
    auto model = std::make_unique<CSysInfoManage>();
    QVERIFY(model->LoadAllInfo());
    CRecorderSim gate({.AnalogChannels = 2, .Channels = {}});
    CRecorderSim other({.AnalogChannels = 2, .Channels = {}});
    QVERIFY(gate.Start() && other.Start());
    QCOMPARE(model->GetFreeDeviceIndex(), -1);
    QCOMPARE(Add(*model, gate, "Gate"), int(ADD_DEVICE_NO_SLOT));
    QVERIFY(gate.Calls("login").isEmpty());

    // A plan holding channels of recorders 5, 0, 7, 0 and 9: removing recorder 0 closes the list up.
    QVERIFY(SetPlan(*model, 6, "Six", {{5, 1}, {0, 1}, {7, 1}, {0, 2}, {9, 1}}));
    QCOMPARE(model->DeleteDevice("Recorder 3", false), 1);
    QCOMPARE(model->DeleteDevice("Recorder 0", true), 1);
    QString refs;
    for (const CHANNEL_REF& ref : model->GetGroupInfo(6)->Channel)
        refs += QStringLiteral("%1:%2 ").arg(ref.DeviceID).arg(ref.CameraIndex);
    QCOMPARE(refs, QStringLiteral("5:1 7:1 9:1 ") + QStringLiteral("-1:-1 ").repeated(29));

    QCOMPARE(Add(*model, gate, "Gate"), int(ADD_DEVICE_OK));
    QCOMPARE(model->GetDeviceIndexByName("Gate"), 0);
    const int flow = -1;
    const auto addAt = [&](const QByteArray& ip, uint16_t port, const char* name) {
        return model->AddDevice(ip.constData(), port, "admin", "12345", &flow, name, "", 0);
    };
    const int logins = int(gate.Calls("login").size() + other.Calls("login").size());
    QCOMPARE(addAt(gate.AddressBytes(), gate.Port(), "Gate 2"), int(ADD_DEVICE_REFUSED));
    QCOMPARE(addAt(other.AddressBytes(), other.Port(), "Recorder 5"), int(ADD_DEVICE_REFUSED));
    QCOMPARE(addAt(other.AddressBytes(), other.Port(), ""), int(ADD_DEVICE_REFUSED));
    QCOMPARE(int(gate.Calls("login").size() + other.Calls("login").size()), logins);
    QCOMPARE(addAt(other.AddressBytes(), other.Port(), "Other"), int(ADD_DEVICE_OK));
    QCOMPARE(model->GetDeviceIndexByName("Other"), 3);
    QCOMPARE(model->GetFreeDeviceIndex(), -1);
}

// What a new plan, recorder, manual plan or settings record holds before anybody set it, and what a new
// installation starts with: a wrong default becomes every new plan's schedule.
void TestModel::defaultsOfRecordsAndAFreshDatabase()
{
    const GROUP_INFO plan;
    QCOMPARE(plan.bUsed + plan.bDelete + plan.GroupName[0], 0);
    for (const CHANNEL_REF& ref : plan.Channel)
        QVERIFY(ref.IsEmpty());
    for (const SCHEDULE_WEEKDAY& e : plan.Schedule)
        QCOMPARE(QString::asprintf(
                     "%d %d %d %02d:%02d:%02d %dh %d days back %02d:%02d:%02d-%02d:%02d:%02d type %u",
                     e.GroupID, e.IsEanbel, e.Weekday, e.TaskStartTime.Hour, e.TaskStartTime.Minute,
                     e.TaskStartTime.Second, e.Duration, e.FileDate, e.FileStartTime.Hour,
                     e.FileStartTime.Minute, e.FileStartTime.Second, e.FileEndTime.Hour, e.FileEndTime.Minute,
                     e.FileEndTime.Second, e.FileType),
                 QStringLiteral("-1 0 -1 18:00:00 6h 1 days back 00:00:00-23:59:59 type 0"));
    const DEVICE_INFO device;
    QCOMPARE(QString::asprintf("%d %d %d %d %d %d", device.IsUsed, device.LoginID, device.CameraNum,
                               device.StartIP, device.FlowCtrlValue, device.Camera[63].GroupID),
             QStringLiteral("0 -1 -1 -1 -1 -1"));
    const MANUAL_BACKUP_INFO manual;
    QCOMPARE(manual.FileType, 255u);
    QVERIFY(manual.Channel[0].IsEmpty() && manual.Channel[31].IsEmpty());

    // A new installation: the settings and mail rows the database is created with are the records' defaults.
    CTempDatabase db;
    auto model = std::make_unique<CSysInfoManage>();
    QVERIFY(model->LoadAllInfo());
    for (const bool stored : {false, true}) {
        SYSTEM_CONFIG system;
        MAIL_CONFIG mail;
        if (stored) {
            model->GetSystemConfig(&system);
            model->GetMailConfig(&mail);
        }
        QCOMPARE(QString::asprintf("auto %d mode %d disk mode %d mail %d reconnect %d port %d",
                                   system.IsAutoRun, system.BackupMode, system.DiskMode, system.IsEnableEmail,
                                   system.ReconnetNum, mail.SMTPPort),
                 QStringLiteral("auto 0 mode 0 disk mode 0 mail 0 reconnect 9 port 25"));
    }
}

VARROW_TEST_MAIN(TestModel, QCoreApplication)
#include "tst_model.moc"

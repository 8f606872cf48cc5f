// The add and modify device dialog against the real model on a temporary database and simulated recorders:
// a field that slips past its check reaches the database or a recorder, and a modify reported as done while
// the model kept the old device would leave plans stopped or emptied for nothing.

#include "config/devices/CDlgAddDevice.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CToolTip.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <memory>

class TestAddDevice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void fieldRefusals_data();
    void fieldRefusals();
    void typingLimits();
    void addByAddressOrDomain_data();
    void addByAddressOrDomain();
    void addRefusals_data();
    void addRefusals();
    void modifyNameKeepsPlansAndRestartsThem();
    void modifyAddressDropsChannels();
    void refusedModifyKeepsOldDevice_data();
    void refusedModifyKeepsOldDevice();

private:
    int AddToModel(const char* name, int sim, const char* domain = "", int mode = 0);
    void Fill(CDlgAddDevice& dialog, const QString& name, const QString& address, const QString& port,
              const QString& user = QStringLiteral("admin"),
              const QString& password = QStringLiteral("12345"));

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSimRecorders> m_sims;
    QWidget m_parent;
};

namespace {

// Types each character as a key press with its text, as a keyboard or an input method would.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
    }
}

QString Text(const char* field)
{
    return LocalToQString(field);
}

// Records the dialog's signals in the order they come.
struct SIGNAL_LOG
{
    QStringList order;
    std::vector<int> stopped;
    std::vector<GROUP_CHANGED> restarted;
    int modifiedIndex = -2;
    bool changed = false;

    void Watch(CDlgAddDevice& dialog)
    {
        QObject::connect(&dialog, &CDlgAddDevice::ManualDeviceChanged, [this] { order << "manual"; });
        QObject::connect(&dialog, &CDlgAddDevice::StopThread, [this](std::vector<int> g) {
            order << "stop";
            stopped = g;
        });
        QObject::connect(&dialog, &CDlgAddDevice::SetModifyDeviceToView, [this](int index, bool c) {
            order << "modify";
            modifiedIndex = index;
            changed = c;
        });
        QObject::connect(&dialog, &CDlgAddDevice::UpdateGroup, [this](std::vector<GROUP_CHANGED> g) {
            order << "restart";
            restarted = g;
        });
        QObject::connect(&dialog, &CDlgAddDevice::SignalDeviceChanged, [this] { order << "changed"; });
    }
};

void SetPlan(int index, const char* name, std::initializer_list<CHANNEL_REF> refs)
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    std::copy(refs.begin(), refs.end(), plan.Channel);
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&plan, index));
}

int PlanChannels(int plan)
{
    const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(plan);
    int n = 0;
    while (group != nullptr && n < MAX_GROUP_CHANNEL_NUM && !group->Channel[n].IsEmpty())
        ++n;
    return n;
}

} // namespace

void TestAddDevice::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    m_sims = std::make_unique<CSimRecorders>(1000, 1500);
    for (int i = 0; i < 2; ++i)
        QVERIFY(m_sims->Add(SimRecorderConfig()) != nullptr);
}

void TestAddDevice::cleanup()
{
    AllowAll();
    CToolTip::HideText();
    m_sims.reset();
    m_db.reset();
}

int TestAddDevice::AddToModel(const char* name, int sim, const char* domain, int mode)
{
    const int flow = -1;
    const CRecorderSim& s = (*m_sims)[size_t(sim)];
    if (g_pSysInfoManage->AddDevice(s.AddressBytes().constData(), s.Port(), "admin", "12345", &flow, name,
                                    domain, mode) != ADD_DEVICE_OK)
        return -1;
    return g_pSysInfoManage->GetDeviceIndexByName(name);
}

void TestAddDevice::Fill(CDlgAddDevice& dialog, const QString& name, const QString& address,
                         const QString& port, const QString& user, const QString& password)
{
    const CDlgAddDeviceClass& ui = dialog.Form();
    ui.m_plineEditDeviceName->setText(name);
    ui.m_plineEditDeviceIP->setText(address);
    ui.m_plineEditDevicePort->setText(port);
    ui.m_plineEditDeviceUserName->setText(user);
    ui.m_plineEditDevicePassWord->setText(password);
}

void TestAddDevice::fieldRefusals_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("message");
    const QString ip = QStringLiteral("127.0.0.1");
    QTest::newRow("blank name") << 0 << "   " << ip << "8000"
                                << "admin"
                                << "1"
                                << "m_plineEditDeviceName"
                                << "Nick name cannot be empty.";
    QTest::newRow("slash in name") << 0 << "a/b" << ip << "8000"
                                   << "admin"
                                   << "1"
                                   << "m_plineEditDeviceName"
                                   << "Nick name is Invalid.";
    QTest::newRow("colon in name") << 0 << "a:b" << ip << "8000"
                                   << "admin"
                                   << "1"
                                   << "m_plineEditDeviceName"
                                   << "Nick name is Invalid.";
    QTest::newRow("no address") << 0 << "a"
                                << ""
                                << "8000"
                                << "admin"
                                << "1"
                                << "m_plineEditDeviceIP"
                                << "IP Address can not be empty.";
    QTest::newRow("last part 0") << 0 << "a"
                                 << "127.0.0.0"
                                 << "8000"
                                 << "admin"
                                 << "1"
                                 << "m_plineEditDeviceIP"
                                 << "IP Address is Invalid.";
    QTest::newRow("too long for the record") << 0 << "a"
                                             << "0127.000.000.001"
                                             << "8000"
                                             << "admin"
                                             << "1"
                                             << "m_plineEditDeviceIP"
                                             << "IP Address is Invalid.";
    QTest::newRow("no domain") << 1 << "a"
                               << "  "
                               << "8000"
                               << "admin"
                               << "1"
                               << "m_plineEditDeviceIP"
                               << "Domain can not be empty.";
    QTest::newRow("blank user") << 0 << "a" << ip << "8000"
                                << "  "
                                << "1"
                                << "m_plineEditDeviceUserName"
                                << "User name cannot be empty.";
    QTest::newRow("no password") << 0 << "a" << ip << "8000"
                                 << "admin"
                                 << ""
                                 << "m_plineEditDevicePassWord"
                                 << "Password cannot be empty.";
    QTest::newRow("no port") << 0 << "a" << ip << ""
                             << "admin"
                             << "1"
                             << "m_plineEditDevicePort"
                             << "Port No. ranges from 1 to 65535.";
    QTest::newRow("port 0") << 0 << "a" << ip << "0"
                            << "admin"
                            << "1"
                            << "m_plineEditDevicePort"
                            << "Port No. ranges from 1 to 65535.";
    QTest::newRow("port 65536") << 0 << "a" << ip << "65536"
                                << "admin"
                                << "1"
                                << "m_plineEditDevicePort"
                                << "Port No. ranges from 1 to 65535.";
}

// Each refusal names its field in the bubble, gives it the focus and leaves the model and the dialog alone.
void TestAddDevice::fieldRefusals()
{
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, field);
    QFETCH(QString, message);
    CModalDriver driver;
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.Form().m_pcomboBoxAddDevice->setCurrentIndex(mode);
    Fill(dialog, name, address, port, user, password);
    // Return must run the same checks as OK, never accept past them.
    QTest::keyClick(dialog.Form().m_plineEditDeviceName, Qt::Key_Return);
    QCOMPARE(CToolTip::Text(), message);
    QCOMPARE(QApplication::focusWidget()->objectName(), field);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QVERIFY(driver.Seen().isEmpty());
    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    QVERIFY(devices.empty());
}

// The fields refuse while typing what the record could not hold or the database must not see.
void TestAddDevice::typingLimits()
{
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    const CDlgAddDeviceClass& ui = dialog.Form();
    Type(ui.m_plineEditDeviceName, QString(17, QChar(0x4E2D))); // 3 bytes each in UTF-8
    QCOMPARE(ui.m_plineEditDeviceName->text(), QString(10, QChar(0x4E2D)));
    Type(ui.m_plineEditDeviceUserName, QStringLiteral("ad'min") + QString(40, u'x'));
    QCOMPARE(ui.m_plineEditDeviceUserName->text(), QStringLiteral("admin") + QString(26, u'x')); // 31 bytes
    Type(ui.m_plineEditDevicePassWord, QStringLiteral("pa'ss"));
    QCOMPARE(ui.m_plineEditDevicePassWord->text(), QStringLiteral("pass"));
    Type(ui.m_plineEditDevicePort, QStringLiteral("8a0"));
    QCOMPARE(ui.m_plineEditDevicePort->text(), QStringLiteral("80"));
}

void TestAddDevice::addByAddressOrDomain_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<int>("storedFlow");
    QTest::newRow("address, flow 0 is none") << 0 << "127.0.0.1"
                                             << "0" << -1;
    QTest::newRow("domain, flow 512") << 1 << "localhost"
                                      << "512" << 512;
}

// The stored device holds the resolved address, the domain as typed, and the recorder's channels.
void TestAddDevice::addByAddressOrDomain()
{
    QFETCH(int, mode);
    QFETCH(QString, address);
    QFETCH(QString, flow);
    QFETCH(int, storedFlow);
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    SIGNAL_LOG log;
    log.Watch(dialog);
    dialog.Form().m_pcomboBoxAddDevice->setCurrentIndex(mode);
    Fill(dialog, QStringLiteral(" Gate "), address,
         QString::number((*m_sims)[0].Port()));
    dialog.Form().m_plineEditDeviceStreamCtrl->setText(flow);
    CModalDriver driver;
    driver.Accept(); // only an unexpected message would take it
    dialog.OnBtnClickedOK();
    QCOMPARE(driver.Seen().value(0).Text(), QString());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(log.order, QStringList{"changed"});

    const DEVICE_INFO* device =
        g_pSysInfoManage->GetDeviceInfo(g_pSysInfoManage->GetDeviceIndexByName("Gate"));
    QVERIFY(device != nullptr);
    QCOMPARE(Text(device->DeviceIP), QStringLiteral("127.0.0.1"));
    QCOMPARE(Text(device->Domain), mode == 1 ? address : QString());
    QCOMPARE(int(device->ConnectMode), mode);
    QCOMPARE(device->Port, (*m_sims)[0].Port());
    QCOMPARE(device->FlowCtrlValue, storedFlow);
    QCOMPARE(int(device->CameraNum), 4);
}

void TestAddDevice::addRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sim");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("same name") << "First" << 1 << "127.0.0.1"
                               << "12345"
                               << "Device with the same name has been added";
    QTest::newRow("same address and port") << "Other" << 0 << "127.0.0.1"
                                           << "12345"
                                           << "Device has been added";
    QTest::newRow("login refused") << "Other" << 1 << "127.0.0.1"
                                   << "wrong"
                                   << "Log in failed";
    QTest::newRow("domain without address") << "Other" << 1 << "no-such-host.invalid"
                                            << "12345"
                                            << "Domain is wrong";
}

void TestAddDevice::addRefusals()
{
    QFETCH(QString, name);
    QFETCH(int, sim);
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QVERIFY(AddToModel("First", 0) >= 0);
    CModalDriver driver;
    driver.Accept();
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    if (address.startsWith(QLatin1String("no-")))
        dialog.Form().m_pcomboBoxAddDevice->setCurrentIndex(1);
    Fill(dialog, name, address, QString::number((*m_sims)[size_t(sim)].Port()), QStringLiteral("admin"),
         password);
    dialog.OnBtnClickedOK();
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen()[0].title, QStringLiteral("Information"));
    QCOMPARE(driver.Seen()[0].Text(), message);
    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    QCOMPARE(devices.size(), size_t(1));
}

// A new name only: the device keeps its slot and its plan channels; the manual backup loses them first, the
// plans that were stopped are announced for their restart.
void TestAddDevice::modifyNameKeepsPlansAndRestartsThem()
{
    QVERIFY(AddToModel("Spare", 1) >= 0);
    const int slot = AddToModel("Gate", 0);
    QCOMPARE(slot, 1);
    SetPlan(0, "Night", {{int16_t(slot), 1}, {int16_t(slot), 2}});
    SetPlan(3, "Day", {{0, 1}, {int16_t(slot), 3}});
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {int16_t(slot), 4};
    g_pSysInfoManage->SetManualBackupInfo(&manual);

    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(slot);
    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    CDlgAddDevice dialog(QModelIndex(), &old, &m_parent);
    QVERIFY(dialog.IsModify());
    SIGNAL_LOG log;
    log.Watch(dialog);
    dialog.Form().m_plineEditDeviceName->setText(QStringLiteral("Gate B"));
    dialog.OnBtnClickedOK();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("The Device is used in Schedule, Are you sure"));
    QCOMPARE(log.order, (QStringList{"manual", "stop", "modify", "restart", "changed"}));
    QCOMPARE(log.stopped, (std::vector<int>{0, 0, 3}));
    QCOMPARE(log.modifiedIndex, slot);
    QVERIFY(!log.changed);
    QCOMPARE(log.restarted.size(), size_t(2));
    QCOMPARE(log.restarted[0].GroupID, 0);
    QCOMPARE(QByteArray(log.restarted[0].GroupName), QByteArray("Night"));
    QCOMPARE(log.restarted[1].GroupID, 3);
    QCOMPARE(PlanChannels(0), 2);
    QCOMPARE(PlanChannels(3), 2);
    QVERIFY(g_pSysInfoManage->GetManualBackupInfo()->Channel[0].IsEmpty());

    m_db->Reopen();
    const auto reloaded = std::make_unique<CSysInfoManage>();
    QVERIFY(reloaded->LoadAllInfo());
    QCOMPARE(reloaded->GetDeviceIndexByName("Gate B"), slot);
    QCOMPARE(reloaded->GetGroupInfo(0)->Channel[1].DeviceID, int16_t(slot));
}

// A new address and port: the channels leave every plan (the plan page rewrites them), nothing is restarted
// here.
void TestAddDevice::modifyAddressDropsChannels()
{
    const int slot = AddToModel("Gate", 0);
    SetPlan(0, "Night", {{int16_t(slot), 1}});
    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(slot);
    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    CDlgAddDevice dialog(QModelIndex(), &old, &m_parent);
    SIGNAL_LOG log;
    log.Watch(dialog);
    dialog.Form().m_plineEditDevicePort->setText(QString::number((*m_sims)[1].Port()));
    dialog.OnBtnClickedOK();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("The Device is used in Schedule, Are you sure"));
    QCOMPARE(log.order, (QStringList{"stop", "modify", "changed"}));
    QCOMPARE(log.modifiedIndex, slot);
    QVERIFY(log.changed);
    QCOMPARE(PlanChannels(0), 0);
    QCOMPARE(g_pSysInfoManage->GetDeviceInfo(slot)->Port, (*m_sims)[1].Port());
}

void TestAddDevice::refusedModifyKeepsOldDevice_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("recorder refuses the login")
        << "password" << QStringList{"Return"} << "Log in failed" << QStringList{};
    QTest::newRow("duplicate name") << "name" << QStringList{"Return"}
                                    << "Device with the same name has been added" << QStringList{};
    QTest::newRow("operator cancels")
        << "port" << QStringList{"Cancel"} << "The Device is used in Schedule, Are you sure" << QStringList{};
    QTest::newRow("database refuses") << "db" << QStringList{"OK", "Return"} << "Modify device failed."
                                      << QStringList{"manual", "stop", "manual", "restart"};
}

// Whatever refuses the modify, the old device stays whole in memory and in the database, the dialog stays
// open, and the plans and the manual backup that were stopped or emptied for it get back what they had.
void TestAddDevice::refusedModifyKeepsOldDevice()
{
    QFETCH(QString, how);
    QFETCH(QStringList, answers);
    QFETCH(QString, message);
    QFETCH(QStringList, order);
    QVERIFY(AddToModel("Spare", 1) >= 0);
    const int slot = AddToModel("Gate", 0);
    SetPlan(0, "Night", {{int16_t(slot), 1}});
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {int16_t(slot), 2};
    g_pSysInfoManage->SetManualBackupInfo(&manual);
    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(slot);

    CModalDriver driver;
    for (const QString& answer : answers) {
        if (answer == QLatin1String("Return"))
            driver.Accept();
        else
            driver.Click(answer);
    }
    CDlgAddDevice dialog(QModelIndex(), &old, &m_parent);
    SIGNAL_LOG log;
    log.Watch(dialog);
    const CDlgAddDeviceClass& ui = dialog.Form();
    if (how == QLatin1String("password"))
        ui.m_plineEditDevicePassWord->setText(QStringLiteral("wrong"));
    else if (how == QLatin1String("name"))
        ui.m_plineEditDeviceName->setText(QStringLiteral("Spare"));
    else if (how == QLatin1String("port"))
        ui.m_plineEditDeviceStreamCtrl->setText(QStringLiteral("300"));
    if (how == QLatin1String("db")) {
        ui.m_plineEditDeviceStreamCtrl->setText(QStringLiteral("300"));
        Refuse("INSERT", "Device_Table");
    }
    dialog.OnBtnClickedOK();
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(driver.Seen().last().Text(), message);
    QCOMPARE(log.order, order);
    QCOMPARE(driver.Pending(), 0);
    AllowAll();

    auto same = [&old](const DEVICE_INFO* d) {
        return d != nullptr && QByteArray(d->DeviceName) == old.DeviceName && d->Port == old.Port &&
               d->FlowCtrlValue == old.FlowCtrlValue && d->CameraNum == old.CameraNum;
    };
    QVERIFY(same(g_pSysInfoManage->GetDeviceInfo(slot)));
    QCOMPARE(PlanChannels(0), 1);
    QCOMPARE(g_pSysInfoManage->GetManualBackupInfo()->Channel[0].DeviceID, int16_t(slot));
    m_db->Reopen();
    const auto reloaded = std::make_unique<CSysInfoManage>();
    QVERIFY(reloaded->LoadAllInfo());
    QVERIFY(same(reloaded->GetDeviceInfo(slot)));
    QCOMPARE(reloaded->GetManualBackupInfo()->Channel[0].CameraIndex, int16_t(2));
}

VARROW_TEST_MAIN(TestAddDevice, QApplication)

#include "tst_gui_adddevice.moc"

// The settings dialog frame with its real pages on a fresh database: an OK that closes after a page refused
// (or jumps to another tab), a change signal that reaches the state page twice or not at all, or a device
// deletion that the plan page only hears of after OK would each leave the engine running on stale settings.

#include "config/CDlgSet.h"
#include "config/devices/CDlgCfgDevice.h"
#include "config/plans/CDlgCfgPlan.h"
#include "config/system/CDlgCfgSystem.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/FakeAutoStart.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include <cstring>
#include <memory>

namespace {

GROUP_CHANGED Change(int plan, const char* name)
{
    GROUP_CHANGED change;
    change.GroupID = plan;
    CopyStringN(change.GroupName, name);
    return change;
}

// Carries one change only in every case here.
bool SameChange(const QVariant& value, const GROUP_CHANGED& expected)
{
    const auto changes = value.value<std::vector<GROUP_CHANGED>>();
    return changes.size() == 1 && changes[0].GroupID == expected.GroupID &&
           std::strncmp(changes[0].GroupName, expected.GroupName, sizeof expected.GroupName) == 0;
}

void NightPlan(GROUP_INFO* plans)
{
    g_pSysInfoManage->GetAllGroupInfo(plans);
    plans[0].bUsed = 1;
    CopyString33(plans[0].GroupName, "Night");
}

QPushButton* OkButton(CDlgSet& dialog)
{
    return dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"));
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void frameAndTabs();
    void saveChainStopsAtFirstRefusal();
    void relays();

private:
    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CFakeAutoStart> m_autoStart;
};

void TestSettingsDialog::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(m_db->IsValid());
    QDir dir(m_db->Dir());
    QVERIFY(dir.mkpath(QStringLiteral("c")) && dir.mkpath(QStringLiteral("d")));
    QFile conf(dir.filePath(QStringLiteral("Drives.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("C=%1\nD=%2\n").arg(dir.filePath("c"), dir.filePath("d")).toUtf8());
    conf.close();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    CopyString26(config.Disk, "D");
    QVERIFY(g_pSysInfoManage->SetSystemConfig(&config));
    m_autoStart = std::make_unique<CFakeAutoStart>();
}

void TestSettingsDialog::cleanup()
{
    m_autoStart.reset();
    m_db.reset();
}

void TestSettingsDialog::frameAndTabs()
{
    CDlgSet dialog(nullptr);
    const CDlgSetClass& ui = dialog.Form();
    CPushButton* const tabs[] = {ui.pBtnGeneral, ui.pBtnDevice, ui.pBtnSchedule};
    for (int tab : {0, 2, 1, 0}) {
        if (tab != 0 || dialog.Stack()->currentIndex() != 0)
            tabs[tab]->click();
        QCOMPARE(dialog.Stack()->currentIndex(), tab);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(tabs[i]->styleSheet(),
                     i == tab ? CDlgSet::SelectedTabStyle() : CDlgSet::UnselectedTabStyle());
    }
    // Pages keep what they show while hidden.
    dialog.SystemPage()->Form().m_pRadioBtnStop->setChecked(true);
    ui.pBtnSchedule->click();
    ui.pBtnGeneral->click();
    QVERIFY(dialog.SystemPage()->Form().m_pRadioBtnStop->isChecked());
}

void TestSettingsDialog::saveChainStopsAtFirstRefusal()
{
    CDlgSet dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy modeChanged(&dialog, &CDlgSet::BackupModeChanged);
    QSignalSpy updateGroup(&dialog, &CDlgSet::UpdateGroup);
    dialog.Form().pBtnSchedule->click();

    // The system page refuses: its message, nothing saved, the Schedule tab still showing.
    CTableView* disks = dialog.SystemPage()->Form().m_ptreeViewDisk;
    disks->SetItemChecked(1, 0, false);
    dialog.SystemPage()->Form().m_pRadioBtnStop->setChecked(true);
    CModalDriver driver;
    // Each OK here shows exactly one box, answered as given.
    auto okWithOneBox = [&](bool accept, const QString& text) {
        driver.Clear();
        accept ? driver.Accept() : driver.Reject();
        OkButton(dialog)->click();
        QCOMPARE(driver.Seen().size(), 1);
        if (!text.isEmpty())
            QCOMPARE(driver.Seen().first().Text(), text);
    };
    okWithOneBox(true, QStringLiteral("Please Select Disk!"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Stack()->currentIndex(), 2);
    QCOMPARE(dialog.Form().pBtnSchedule->styleSheet(), CDlgSet::SelectedTabStyle());
    QCOMPARE(modeChanged.size(), 0);
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(config.DiskMode), 0);

    // The plan page refuses after the system page saved: the system settings stay saved and told.
    disks->SetItemChecked(1, 0, true);
    GROUP_INFO plans[MAX_GROUP_NUM];
    NightPlan(plans);
    dialog.PlanPage()->SetAllPlans(plans);
    okWithOneBox(false, QStringLiteral("Modify Schedule need to reboot Backup,Are you sure?"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Stack()->currentIndex(), 2);
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(config.DiskMode), 1);
    QCOMPARE(modeChanged.size(), 1);
    QVERIFY(g_pSysInfoManage->GetGroupInfo(0) == nullptr);

    // OK again runs the whole chain; the system page has nothing new to tell.
    okWithOneBox(true, QString());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(modeChanged.size(), 1);
    QVERIFY(g_pSysInfoManage->GetGroupInfo(0) != nullptr);
    QCOMPARE(updateGroup.size(), 1);
    QVERIFY(SameChange(updateGroup.first().first(), Change(0, "")));
}

void TestSettingsDialog::relays()
{
    CDlgSet dialog(nullptr);
    QSignalSpy deviceChanged(&dialog, &CDlgSet::SignalDeviceChanged);
    QSignalSpy stopThread(&dialog, &CDlgSet::StopThread);
    QSignalSpy updateGroup(&dialog, &CDlgSet::UpdateGroup);
    QSignalSpy diskChanged(&dialog, &CDlgSet::DiskChanged);
    QSignalSpy modeChanged(&dialog, &CDlgSet::BackupModeChanged);
    QSignalSpy manualChanged(&dialog, &CDlgSet::ManualDeviceChanged);
    QSignalSpy* const spies[] = {&deviceChanged, &stopThread,  &updateGroup,
                                 &diskChanged,   &modeChanged, &manualChanged};
    // Each step must add exactly one emission, to the expected signal only.
    int expectedCounts[6] = {};
    auto step = [&](int which, const std::function<void()>& emitter) {
        emitter();
        if (which >= 0)
            ++expectedCounts[which];
        for (int i = 0; i < 6; ++i)
            QCOMPARE(spies[i]->size(), expectedCounts[i]);
    };
    CDlgCfgDevice* device = dialog.DevicePage();
    CDlgCfgPlan* plan = dialog.PlanPage();
    CDlgCfgSystem* system = dialog.SystemPage();

    step(0, [&] { Q_EMIT device->SignalDeviceChanged(); });
    step(1, [&] { Q_EMIT device->StopThread({3, 5}); });
    QCOMPARE(stopThread.last().first().value<std::vector<int>>(), (std::vector<int>{3, 5}));
    step(1, [&] { Q_EMIT plan->StopThread({7}); });
    QCOMPARE(stopThread.last().first().value<std::vector<int>>(), std::vector<int>{7});
    step(2, [&] { Q_EMIT plan->GroupChanged({Change(4, "Night")}); });
    QVERIFY(SameChange(updateGroup.last().first(), Change(4, "Night")));
    step(2, [&] { Q_EMIT device->UpdateGroup({Change(6, "Gate")}); });
    QVERIFY(SameChange(updateGroup.last().first(), Change(6, "Gate")));
    step(3, [&] { Q_EMIT system->DiskChanged(); });
    step(4, [&] { Q_EMIT system->BackupModeChanged(1); });
    QCOMPARE(modeChanged.last().first().toInt(), 1);
    step(5, [&] { Q_EMIT device->ManualDeviceChanged(); });
    // The device page's own busy-box signal is not the dialog's business.
    step(-1, [&] { Q_EMIT device->StopReadChase(); });

    // A device deleted on the device page leaves the plan page's working copy at once, and the plan page's
    // announcement of the plans it touched is relayed.
    GROUP_INFO plans[MAX_GROUP_NUM];
    NightPlan(plans);
    plans[0].Channel[0] = CHANNEL_REF{4, 1};
    plans[0].Channel[1] = CHANNEL_REF{9, 2};
    plan->SetAllPlans(plans);
    step(2, [&] { Q_EMIT device->SetDeleteDeviceToView(4); });
    QCOMPARE(int(plan->GetPlans()[0].Channel[0].DeviceID), 9);
    QCOMPARE(int(plan->GetPlans()[0].Channel[1].DeviceID), -1);
}

VARROW_TEST_MAIN(TestSettingsDialog, QApplication)

#include "tst_gui_settingsdialog.moc"

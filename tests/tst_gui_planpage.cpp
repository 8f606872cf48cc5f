// The plan page against the real model on a temporary database: naming plans up to the limit, what a save
// writes and announces, a save the database refuses, and a recorder deleted while other edits wait. A save
// that announces the wrong plans or names leaves the state page running old plans or restarting none; a
// refused save that keeps half its rows runs plans the operator never confirmed.

#include "config/plans/CDlgCfgPlan.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class TestPlanPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void emptyPageTakesFirstPlan();
    void namesUpToTheLimitAndSave();
    void storedPlanSavedUnchangedIsNotChanged();
    void refusedSaveKeepsStoredPlans();
    void deletedRecorderLeavesOtherEditsUnsaved();
    void chosenChannelsAndRemovedOnes();
};

namespace {

// A page whose channel chooser hands back a prepared list.
class CChoosingPage : public CDlgCfgPlan
{
public:
    QList<CHOSEN_CHANNEL> chosen;

protected:
    bool ExecChannelChooser() override
    {
        AddChosenChannel(chosen);
        return true;
    }
};

// What the page announced, in order: "stop:0,1" and "changed:0=A,1=".
struct CAnnouncements
{
    QStringList events;

    explicit CAnnouncements(CDlgCfgPlan& page)
    {
        QObject::connect(&page, &CDlgCfgPlan::StopThread, [this](std::vector<int> plans) {
            QStringList items;
            for (int p : plans)
                items << QString::number(p);
            events << QStringLiteral("stop:") + items.join(',');
        });
        QObject::connect(&page, &CDlgCfgPlan::GroupChanged, [this](std::vector<GROUP_CHANGED> plans) {
            QStringList items;
            for (const GROUP_CHANGED& g : plans)
                items << QString::number(g.GroupID) + '=' + QString::fromLocal8Bit(g.GroupName);
            events << QStringLiteral("changed:") + items.join(',');
        });
    }
};

QListWidget* Plans(CDlgCfgPlan& page)
{
    return page.findChild<QListWidget*>(QStringLiteral("m_pListWidgetPlan"));
}
QListWidget* Channels(CDlgCfgPlan& page)
{
    return page.findChild<QListWidget*>(QStringLiteral("m_pListWidgetBackUpChannel"));
}
// The "whole day" box of the shown plan's schedule row.
CCheckBox* Whole(CDlgCfgPlan& page, int row)
{
    return qobject_cast<CCheckBox*>(
        page.findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"))->GetItemWidget(row, 0));
}

void Click(CDlgCfgPlan& page, const char* button)
{
    page.findChild<QPushButton*>(QLatin1String(button))->click();
}

QStringList Texts(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Types the name into the plan name dialog and presses OK (or Return); a refused name's bubble text goes to
// `refusal` and the dialog is cancelled.
void AnswerName(CModalDriver& driver, const QString& typed, QString* refusal, bool byReturn = false)
{
    driver.Answer([=](QWidget* window) {
        auto* field = window->findChild<QLineEdit*>(QStringLiteral("m_pLineEditPlanName"));
        field->setText(typed);
        if (byReturn)
            QTest::keyClick(field, Qt::Key_Return);
        else
            window->findChild<QPushButton*>(QStringLiteral("m_pushButtonOK"))->click();
        *refusal = window->isVisible() ? CToolTip::Text() : QString();
        if (window->isVisible())
            qobject_cast<QDialog*>(window)->reject();
    });
}

QString AddPlan(CModalDriver& driver, CDlgCfgPlan& page, const QString& name, bool byReturn = false)
{
    QString refusal;
    AnswerName(driver, name, &refusal, byReturn);
    Click(page, "m_pBtnAdd");
    return refusal;
}

QString RenamePlan(CModalDriver& driver, CDlgCfgPlan& page, const QString& name)
{
    QString refusal;
    AnswerName(driver, name, &refusal);
    Q_EMIT Plans(page)->itemDoubleClicked(Plans(page)->currentItem());
    return refusal;
}

bool StorePlan(int slot, const char* name, const QList<CHANNEL_REF>& refs = {})
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    plan.Schedule[0].IsEanbel = 1;
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r)
        plan.Schedule[r].Weekday = int16_t(r);
    std::copy(refs.begin(), refs.end(), plan.Channel);
    return g_pSysInfoManage->SetGroupInfo(&plan, slot);
}

QByteArray ModelName(int slot)
{
    const GROUP_INFO* plan = g_pSysInfoManage->GetGroupInfo(slot);
    return plan != nullptr ? QByteArray(plan->GroupName) : QByteArray("(none)");
}

QString Refs(const GROUP_INFO& plan)
{
    QStringList refs;
    for (const CHANNEL_REF& ref : plan.Channel)
        if (!ref.IsEmpty())
            refs << QStringLiteral("%1:%2").arg(ref.DeviceID).arg(ref.CameraIndex);
    return refs.join(' ');
}

bool AddRecorder(CRecorderSim* sim, const char* name)
{
    const int flow = -1;
    return sim != nullptr &&
           g_pSysInfoManage->AddDevice(sim->AddressBytes().constData(), sim->Port(), "admin", "12345", &flow,
                                       name, "", 0) == int(ADD_DEVICE_OK);
}

int Logged()
{
    return CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogContents = 'Config backup Schedule';");
}

} // namespace

void TestPlanPage::init()
{
    CToolTip::HideText();
}

void TestPlanPage::emptyPageTakesFirstPlan()
{
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    CDlgCfgPlan page;
    CModalDriver driver;
    QCOMPARE(Plans(page)->count(), 0);
    QCOMPARE(page.CurrentPlan(), -1);
    for (const char* button : {"m_pBtnDel", "m_pushButtonDelChannel", "m_pushButtonChooseChannel"})
        QVERIFY2(!page.findChild<QPushButton*>(QLatin1String(button))->isEnabled(), button);

    // Blanks around a good name are dropped; Return acts as OK.
    QCOMPARE(AddPlan(driver, page, QStringLiteral("  Night  "), true), QString());
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Add Schedule"));
    QCOMPARE(page.CurrentPlan(), 0);
    QCOMPARE(Texts(Plans(page)), QStringList{QStringLiteral("Night")});
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("m_pLabelGroupName"))->text(), QStringLiteral("Night"));
    QVERIFY(page.findChild<QPushButton*>(QStringLiteral("m_pBtnDel"))->isEnabled());
    QCOMPARE(int(page.GetPlans()[0].Schedule[0].IsEanbel), 1);
    CCheckBox* whole = Whole(page, 0);
    QVERIFY(whole->isChecked());

    // Adding another plan keeps what was typed into the table of the plan shown before.
    whole->setChecked(false);
    QCOMPARE(AddPlan(driver, page, QStringLiteral("Day")), QString());
    QCOMPARE(page.CurrentPlan(), 1);
    QCOMPARE(int(page.GetPlans()[0].Schedule[0].IsEanbel) * 10 + page.GetPlans()[0].Schedule[7].IsEanbel, 1);
    QVERIFY(whole->isChecked());

    // Deleting the last plan resets the page and leaves both slots marked for the save.
    driver.Accept();
    Click(page, "m_pBtnDel");
    QCOMPARE(page.CurrentPlan(), 0);
    QVERIFY(!whole->isChecked());
    driver.Accept();
    Click(page, "m_pBtnDel");
    QCOMPARE(Plans(page)->count(), 0);
    QVERIFY(!page.findChild<QPushButton*>(QStringLiteral("m_pBtnDel"))->isEnabled());
    QVERIFY(Whole(page, 0)->isChecked());
    for (int p : {0, 1})
        QCOMPARE(page.GetPlans()[p].bDelete * 10 + page.GetPlans()[p].bUsed, 10);
}

void TestPlanPage::namesUpToTheLimitAndSave()
{
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    for (int p = 0; p < MAX_GROUP_NUM - 1; ++p)
        QVERIFY(StorePlan(p, qPrintable(QStringLiteral("P%1").arg(p))));
    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    QCOMPARE(Plans(page)->count(), 31);

    QCOMPARE(AddPlan(driver, page, QStringLiteral("   ")), QStringLiteral("Schedule name cannot be empty"));
    QCOMPARE(AddPlan(driver, page, QStringLiteral("a/b")), QStringLiteral("Nick name is Invalid."));
    QCOMPARE(AddPlan(driver, page, QStringLiteral("P5")), QStringLiteral("the Schedule is exist"));
    QCOMPARE(Plans(page)->count(), 31);
    QCOMPARE(AddPlan(driver, page, QStringLiteral("New")), QString());
    QCOMPARE(page.CurrentPlan(), 31);
    QCOMPARE(Plans(page)->currentRow(), 31);
    QCOMPARE(AddPlan(driver, page, QStringLiteral("X")),
             QStringLiteral("Exceed the maximum schedule number."));

    // Renaming still works at the limit; the plan's own name is taken.
    QCOMPARE(RenamePlan(driver, page, QStringLiteral("New")), QStringLiteral("the Schedule is exist"));
    QCOMPARE(RenamePlan(driver, page, QStringLiteral("Last")), QString());
    QCOMPARE(driver.Seen().last().title, QStringLiteral("Modify Schedule"));
    QCOMPARE(Plans(page)->currentItem()->text(), QStringLiteral("Last"));
    QCOMPARE(QByteArray(page.GetPlans()[31].GroupName), QByteArray("Last"));

    // A plan deleted on the page no longer blocks its name; anything but OK keeps it.
    Plans(page)->setCurrentRow(5);
    driver.Reject();
    Click(page, "m_pBtnDel");
    QCOMPARE(Plans(page)->count(), 32);
    driver.Accept();
    Click(page, "m_pBtnDel");
    QCOMPARE(Plans(page)->count(), 31);
    QCOMPARE(page.FindPlanByName(QStringLiteral("P5")), -1);
    QCOMPARE(page.CurrentPlan(), 0);
    QVERIFY(heard.events.isEmpty());
    QCOMPARE(ModelName(5), QByteArray("P5"));

    // The save: the deleted plan under its name, the new one under the empty name it had in the model.
    driver.Clear();
    driver.Accept();
    QVERIFY(page.SavePlans());
    QCOMPARE(driver.Seen().at(0).Text(),
             QStringLiteral("Modify Schedule need to reboot Backup,Are you sure?"));
    QCOMPARE(heard.events, (QStringList{QStringLiteral("stop:5,31"), QStringLiteral("changed:5=P5,31=")}));
    QCOMPARE(ModelName(5), QByteArray("(none)"));
    QCOMPARE(ModelName(31), QByteArray("Last"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table WHERE GroupName IN ('P5', 'Last');"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5;"), 0);
    QCOMPARE(Logged(), 1);

    // Nothing left to save: no question, no announcement, no log entry.
    QVERIFY(!page.IsPlanTableChanged());
    QVERIFY(page.SavePlans());
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(heard.events.size(), 2);
    QCOMPARE(Logged(), 1);
}

void TestPlanPage::storedPlanSavedUnchangedIsNotChanged()
{
    // A plan made on the page, stored, read from the database after a restart and shown again must not count
    // as changed, or every OK would stop and restart every plan.
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    CModalDriver driver;
    {
        CDlgCfgPlan page;
        QCOMPARE(AddPlan(driver, page, QStringLiteral("Day")), QString());
        QCOMPARE(AddPlan(driver, page, QStringLiteral("Week")), QString());
        Whole(page, 0)->setChecked(false);
        Whole(page, 4)->setChecked(false);
        driver.Accept();
        QVERIFY(page.SavePlans());
        QVERIFY(!page.IsPlanTableChanged());
    }
    CloseMainDB();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(1)->Schedule[4].IsEanbel), 0);
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(1)->Schedule[5].IsEanbel), 1);

    CDlgCfgPlan page;
    CAnnouncements heard(page);
    driver.Clear();
    Plans(page)->setCurrentRow(1);
    Plans(page)->setCurrentRow(0);
    QVERIFY(page.SavePlans());
    QVERIFY(driver.Seen().isEmpty());
    QVERIFY(heard.events.isEmpty());
    QVERIFY(!page.IsPlanChanged(0) && !page.IsPlanChanged(1));
}

void TestPlanPage::refusedSaveKeepsStoredPlans()
{
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    QVERIFY(StorePlan(0, "A") && StorePlan(1, "B"));
    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    QCOMPARE(RenamePlan(driver, page, QStringLiteral("A2")), QString());
    QCOMPARE(AddPlan(driver, page, QStringLiteral("C")), QString());
    Plans(page)->setCurrentRow(1);
    driver.Accept();
    Click(page, "m_pBtnDel");
    QCOMPARE(Texts(Plans(page)), (QStringList{QStringLiteral("A2"), QStringLiteral("C")}));

    // Cancel writes and announces nothing, and the next OK asks again.
    driver.Clear();
    driver.Reject();
    QVERIFY(!page.SavePlans());
    QVERIFY(heard.events.isEmpty());

    // The database refuses the new plan's row, after the renamed plan was already rewritten and the deleted
    // one removed inside the same transaction.
    Refuse("INSERT", "Group_Table", "WHEN NEW.GroupName = 'C'");
    driver.Accept();
    driver.Accept();
    QVERIFY(!page.SavePlans());
    QCOMPARE(driver.Seen().size(), 3);
    QCOMPARE(driver.Seen().at(1).title, QStringLiteral("Information"));
    QCOMPARE(driver.Seen().at(2).title, QStringLiteral("Error"));
    // The stopped plans are announced under the names they run with, so they start again as stored.
    QCOMPARE(heard.events, (QStringList{QStringLiteral("stop:0,1,2"), QStringLiteral("changed:0=A,1=B,2=")}));
    QCOMPARE(ModelName(0) + ModelName(1) + ModelName(2), QByteArray("AB(none)"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table WHERE GroupName IN ('A', 'B');"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table;"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table;"), 16);
    QCOMPARE(Logged(), 0);
    // The page shows what is stored again.
    QCOMPARE(Texts(Plans(page)), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    QVERIFY(!page.IsPlanTableChanged());

    // The database takes the next save.
    AllowAll();
    QCOMPARE(AddPlan(driver, page, QStringLiteral("C")), QString());
    driver.Accept();
    QVERIFY(page.SavePlans());
    QCOMPARE(ModelName(2), QByteArray("C"));
    QCOMPARE(heard.events.last(), QStringLiteral("changed:2="));
}

void TestPlanPage::deletedRecorderLeavesOtherEditsUnsaved()
{
    CTempDatabase db;
    CSimRecorders sims;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    QVERIFY(AddRecorder(sims.Add(SimRecorderConfig()), "D1") &&
            AddRecorder(sims.Add(SimRecorderConfig()), "D2"));
    QVERIFY(StorePlan(0, "P0", {{0, 1}, {1, 1}, {0, 2}}));
    QVERIFY(StorePlan(1, "P1", {{1, 2}}));
    QVERIFY(StorePlan(2, "P2", {{0, 3}}));

    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    QCOMPARE(Texts(Channels(page)),
             (QStringList{QStringLiteral("D1_Camera 01"), QStringLiteral("D2_Camera 01"),
                          QStringLiteral("D1_Camera 02")}));
    Plans(page)->setCurrentRow(2);
    QCOMPARE(RenamePlan(driver, page, QStringLiteral("Renamed")), QString());
    Plans(page)->setCurrentRow(0);
    Whole(page, 0)->setChecked(false);

    // What the device page does: the model lets the recorder go with its channels, then the page hears of it.
    QCOMPARE(g_pSysInfoManage->DeleteDevice("D2", true), 1);
    page.OnDeleteDevice(1);
    QCOMPARE(heard.events, QStringList{QStringLiteral("changed:0=P0,1=P1")});
    QCOMPARE(Texts(Channels(page)),
             (QStringList{QStringLiteral("D1_Camera 01"), QStringLiteral("D1_Camera 02")}));
    QCOMPARE(Refs(page.GetPlans()[0]) + '|' + Refs(page.GetPlans()[1]), QStringLiteral("0:1 0:2|"));
    // The unsaved rename and schedule stay on the page only.
    QCOMPARE(ModelName(2), QByteArray("P2"));
    QCOMPARE(QByteArray(page.GetPlans()[2].GroupName), QByteArray("Renamed"));
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(0)->Schedule[0].IsEanbel), 1);
    QVERIFY(!page.IsPlanChanged(0) && !page.IsPlanChanged(1) && page.IsPlanChanged(2));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToGroup = 1;"), 3);

    // A recorder renamed only: the plans that use it were stopped and start again under their model names.
    page.OnModifyDevice(0, false);
    QCOMPARE(heard.events.last(), QStringLiteral("changed:0=P0,2=P2"));

    // The save then writes the rest.
    driver.Accept();
    QVERIFY(page.SavePlans());
    QCOMPARE(heard.events.mid(2),
             (QStringList{QStringLiteral("stop:0,2"), QStringLiteral("changed:0=P0,2=P2")}));
    QCOMPARE(ModelName(2), QByteArray("Renamed"));
    QCOMPARE(Refs(*g_pSysInfoManage->GetGroupInfo(0)), QStringLiteral("0:1 0:2"));
}

void TestPlanPage::chosenChannelsAndRemovedOnes()
{
    CTempDatabase db;
    CSimRecorders sims;
    SimRecorderConfig config;
    config.AnalogChannels = 45;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    QVERIFY(AddRecorder(sims.Add(config), "D1"));
    QList<CHANNEL_REF> full;
    for (int i = 0; i < 30; ++i)
        full << CHANNEL_REF{0, int16_t(30 - i)};
    QVERIFY(StorePlan(0, "Full", full));
    QVERIFY(StorePlan(1, "Other", {{0, 40}}));
    QVERIFY(StorePlan(2, "Five", {{0, 41}, {0, 42}, {0, 43}, {0, 44}, {0, 45}}));

    CChoosingPage page;
    CModalDriver driver;
    for (int channel : {35, 40, 5, 33, 31, 32, 34}) {
        CHOSEN_CHANNEL c;
        CopyString33(c.DeviceName, "D1");
        c.Channel = int16_t(channel);
        page.chosen << c;
    }
    for (int i = 0; i < 3; ++i)
        driver.Accept();
    Click(page, "m_pushButtonChooseChannel");
    const QStringList boxes = {QStringLiteral("D1_Camera 40 had been added other Schedule"),
                               QStringLiteral("D1_Camera 05 had been added other Schedule"),
                               QStringLiteral("Channel number must less than 32")};
    QCOMPARE(driver.Seen().size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QCOMPARE(driver.Seen().at(i).Text(), boxes[i]);
    // Sorted by device and channel, the two that fitted at the end.
    const GROUP_INFO& plan = page.GetPlans()[0];
    QCOMPARE(plan.Channel[0].CameraIndex * 1000 + plan.Channel[29].CameraIndex, 1030);
    QCOMPARE(plan.Channel[30].CameraIndex * 100 + plan.Channel[31].CameraIndex, 3335);
    QCOMPARE(Channels(page)->count(), 32);

    // Deleting rows 1 and 3 of five keeps the first, third and fifth in order.
    Plans(page)->setCurrentRow(2);
    Channels(page)->clearSelection();
    Channels(page)->item(1)->setSelected(true);
    Channels(page)->item(3)->setSelected(true);
    driver.Clear();
    driver.Accept();
    Click(page, "m_pushButtonDelChannel");
    QCOMPARE(driver.Seen().at(0).Text(), QStringLiteral("Sure to delete?"));
    QCOMPARE(Refs(page.GetPlans()[2]), QStringLiteral("0:41 0:43 0:45"));
    QCOMPARE(Channels(page)->count(), 3);
}

VARROW_TEST_MAIN(TestPlanPage, QApplication)
#include "tst_gui_planpage.moc"

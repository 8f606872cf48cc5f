// The plan page against the real model on a temporary database: the weekly schedule rules, the schedule
// table, naming plans up to the limit, what a save writes and announces, a save the database refuses, a
// recorder deleted while other edits wait, and a week copied to other plans. A rule that lets an overlapping
// or backwards window through makes the engine run two downloads at once or fetch files that do not exist
// yet; a save that announces the wrong plans leaves the state page running old plans; a refused save that
// keeps half its rows runs plans the operator never confirmed; a copy that went by list row instead of plan
// slot stores the week under the wrong plan.

#include "config/plans/CDlgCfgPlan.h"
#include "config/plans/ScheduleCheck.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/calendar/CTimeEdit.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <functional>
#include <memory>

class TestPlanPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rules_data();
    void rules();
    void tableStoresWhatItShows();
    void namesUpToTheLimitAndSave();
    void storedPlanSavedUnchangedIsNotChanged();
    void refusedSaveKeepsStoredPlans();
    void deletedRecorderLeavesOtherEditsUnsaved();
    void chosenChannelsAndRemovedOnes();
    void weekCopiedToCheckedPlansAndSaved();
    void freshTableAndTheWholeWeekSwitch();
    void tableShowsAndStoresEveryValue();

private:
    std::unique_ptr<CTempDatabase> m_db;
};

namespace {

using Edit = std::function<void(GROUP_INFO*)>;

SCHEDULE_TIME T(int h, int m, int s)
{
    return SCHEDULE_TIME{int16_t(h), int16_t(m), int16_t(s)};
}

// Enables weekday `day` (1 Monday .. 7 Sunday) with a window of `hours` from the start time.
Edit Day(int day, SCHEDULE_TIME start, int hours)
{
    return [=](GROUP_INFO* g) {
        g->Schedule[0].IsEanbel = 0;
        g->Schedule[day].IsEanbel = 1;
        g->Schedule[day].TaskStartTime = start;
        g->Schedule[day].Duration = int16_t(hours);
    };
}

Edit FileWindow(int row, SCHEDULE_TIME from, SCHEDULE_TIME to)
{
    return [=](GROUP_INFO* g) {
        g->Schedule[row].FileStartTime = from;
        g->Schedule[row].FileEndTime = to;
    };
}

// Today's files, fetched from `start` on: they must all exist by then.
Edit Today(SCHEDULE_TIME start, SCHEDULE_TIME fileEnd)
{
    return [=](GROUP_INFO* g) {
        g->Schedule[0].FileDate = 0;
        g->Schedule[0].TaskStartTime = start;
        g->Schedule[0].FileEndTime = fileEnd;
    };
}

// Today's files on one row, from `start` on.
Edit TodayAt(int row, SCHEDULE_TIME start, SCHEDULE_TIME fileEnd)
{
    return [=](GROUP_INFO* g) {
        g->Schedule[row].IsEanbel = 1;
        g->Schedule[row].FileDate = 0;
        g->Schedule[row].TaskStartTime = start;
        g->Schedule[row].FileEndTime = fileEnd;
    };
}

// A plan in use with its whole-week entry on.
GROUP_INFO NewPlan(const char* name, const QList<CHANNEL_REF>& refs = {})
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    plan.Schedule[0].IsEanbel = 1;
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r)
        plan.Schedule[r].Weekday = int16_t(r);
    std::copy(refs.begin(), refs.end(), plan.Channel);
    return plan;
}

bool StorePlan(int slot, const char* name, const QList<CHANNEL_REF>& refs = {})
{
    GROUP_INFO plan = NewPlan(name, refs);
    return g_pSysInfoManage->SetGroupInfo(&plan, slot);
}

// A page whose channel chooser hands back what was given to AddChosenChannel.
class CChoosingPage : public CDlgCfgPlan
{
protected:
    bool ExecChannelChooser() override { return true; }
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

QWidget* Cell(CDlgCfgPlan& page, int row, int column)
{
    return page.findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"))->GetItemWidget(row, column);
}

// The "on" box of the shown plan's schedule row (0 the whole week).
CCheckBox* Box(CDlgCfgPlan& page, int row)
{
    return qobject_cast<CCheckBox*>(Cell(page, row, 0));
}

void Click(QWidget* parent, const char* button)
{
    parent->findChild<QPushButton*>(QLatin1String(button))->click();
}

// Adds a plan (or renames the current one) by typing the name into the name dialog and pressing Return; the
// refused name's bubble text, empty when the name was taken.
QString NamePlan(CModalDriver& driver, CDlgCfgPlan& page, const QString& name, bool rename = false)
{
    QString refusal;
    driver.Answer([&](QWidget* window) {
        auto* field = window->findChild<QLineEdit*>(QStringLiteral("m_pLineEditPlanName"));
        field->setText(name);
        QTest::keyClick(field, Qt::Key_Return);
        refusal = window->isVisible() ? CToolTip::Text() : QString();
        if (window->isVisible())
            qobject_cast<QDialog*>(window)->reject();
    });
    if (rename)
        Q_EMIT Plans(page)->itemDoubleClicked(Plans(page)->currentItem());
    else
        Click(&page, "m_pBtnAdd");
    return refusal;
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

// Every field of the eight entries but the plan number, as text: a difference shows in the failure.
QString Week(const GROUP_INFO& plan)
{
    QString text;
    for (const SCHEDULE_WEEKDAY& e : plan.Schedule)
        text += QString::asprintf("%d %d %d:%d:%d %d %d %d:%d:%d-%d:%d:%d %u|", e.IsEanbel, e.Weekday,
                                  e.TaskStartTime.Hour, e.TaskStartTime.Minute, e.TaskStartTime.Second,
                                  e.Duration, e.FileDate, e.FileStartTime.Hour, e.FileStartTime.Minute,
                                  e.FileStartTime.Second, e.FileEndTime.Hour, e.FileEndTime.Minute,
                                  e.FileEndTime.Second, e.FileType);
    return text;
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
    return CountRows(
        "SELECT COUNT(*) FROM Log_Table WHERE LogContents = 'Config backup Schedule' AND LogType = 1 "
        "AND LogSubType = 5;");
}

} // namespace

void TestPlanPage::init()
{
    CToolTip::HideText();
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
}

void TestPlanPage::cleanup()
{
    AllowAll();
    m_db.reset();
}

void TestPlanPage::rules_data()
{
    QTest::addColumn<QList<Edit>>("edits"); // applied to plan "P" in slot 3
    QTest::addColumn<QString>("error");     // the first fault reported, empty when everything passes
    const QString overlap = QStringLiteral(
        "At Schedule P The Schedule End Time of %1 is later than the Schedule start time of %2");
    QTest::newRow("defaults pass") << QList<Edit>{} << QString();
    QTest::newRow("file end a second early")
        << QList<Edit>{FileWindow(0, T(8, 0, 0), T(7, 59, 59))}
        << "file starttime and file endtime conflict at Schedule P  WholeWeek";
    QTest::newRow("today: start at the file end")
        << QList<Edit>{Today(T(20, 0, 0), T(20, 0, 0))} << QString();
    QTest::newRow("today: start a second before the file end")
        << QList<Edit>{Today(T(19, 59, 59), T(20, 0, 0))}
        << "Schedule starttime and file endtime conflict at Schedule P  WholeWeek";
    QTest::newRow("overnight window ends at the next start")
        << QList<Edit>{Day(1, T(20, 0, 0), 12), Day(2, T(8, 0, 0), 6)} << QString();
    QTest::newRow("overnight window runs past the next start")
        << QList<Edit>{Day(1, T(20, 0, 0), 12), Day(2, T(7, 59, 59), 6)}
        << overlap.arg(QStringLiteral("Monday"), QStringLiteral("Tuesday"));
    QTest::newRow("Sunday into Monday, the engine's day before")
        << QList<Edit>{Day(7, T(22, 0, 0), 10), Day(1, T(7, 0, 0), 2)}
        << overlap.arg(QStringLiteral("Sunday"), QStringLiteral("Monday"));
    QTest::newRow("file window of no length")
        << QList<Edit>{FileWindow(0, T(8, 0, 0), T(8, 0, 0))} << QString();
    QTest::newRow("file window ends a second early on Thursday")
        << QList<Edit>{Day(4, T(18, 0, 0), 6), FileWindow(4, T(0, 0, 1), T(0, 0, 0))}
        << "file starttime and file endtime conflict at Schedule P  Thursday";
    QTest::newRow("today on Thursday, a second early")
        << QList<Edit>{Day(4, T(18, 0, 0), 6), TodayAt(4, T(12, 0, 0), T(12, 0, 1))}
        << "Schedule starttime and file endtime conflict at Schedule P  Thursday";
    QTest::newRow("Saturday into Sunday")
        << QList<Edit>{Day(6, T(23, 0, 0), 2), Day(7, T(0, 59, 59), 1)}
        << overlap.arg(QStringLiteral("Saturday"), QStringLiteral("Sunday"));
    QTest::newRow("Saturday ends at Sunday's start")
        << QList<Edit>{Day(6, T(23, 0, 0), 2), Day(7, T(1, 0, 0), 1)} << QString();
    QTest::newRow("whole week beside an early Monday") << QList<Edit>{Day(1, T(0, 0, 0), 1),
                                                                      [](GROUP_INFO* g) {
                                                                          g->Schedule[0].IsEanbel = 1;
                                                                          g->Schedule[0].Duration = 24;
                                                                      }}
                                                       << QString();
    QTest::newRow("a plan not in use is never checked")
        << QList<Edit>{FileWindow(0, T(9, 0, 0), T(8, 0, 0)), [](GROUP_INFO* g) { g->bUsed = 0; }}
        << QString();
    QTest::newRow("disabled rows are never checked")
        << QList<Edit>{Day(1, T(20, 0, 0), 24), FileWindow(0, T(9, 0, 0), T(8, 0, 0)),
                       FileWindow(4, T(9, 0, 0), T(8, 0, 0))}
        << QString();
}

void TestPlanPage::rules()
{
    QFETCH(QList<Edit>, edits);
    QFETCH(QString, error);
    GROUP_INFO plans[MAX_GROUP_NUM];
    plans[3] = NewPlan("P");
    for (const Edit& edit : edits)
        edit(&plans[3]);
    QCOMPARE(FirstScheduleError(plans), error);

    // The page refuses to save a conflict and stores nothing.
    if (error.isEmpty())
        return;
    CDlgCfgPlan page;
    page.SetAllPlans(plans);
    CModalDriver driver;
    driver.Accept();
    QVERIFY(!page.SavePlans());
    QCOMPARE(driver.Seen().value(0).Text(), error);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table;"), 0);
}

// Edits to one plan's table survive a change of selection or the adding of another plan; an unknown file type
// is stored as 0, and turning the whole week on turns every weekday off.
void TestPlanPage::tableStoresWhatItShows()
{
    GROUP_INFO second = NewPlan("Second");
    second.Schedule[0].IsEanbel = 0;
    second.Schedule[6].IsEanbel = 1;
    second.Schedule[6].FileType = 8;
    second.Schedule[2].FileType = 5; // no item carries it
    QVERIFY(StorePlan(2, "First") && g_pSysInfoManage->SetGroupInfo(&second, 9));

    CDlgCfgPlan page;
    CModalDriver driver;
    QCOMPARE(page.CurrentPlan(), 2);
    Box(page, 0)->setChecked(false);
    Box(page, 1)->setChecked(false);
    qobject_cast<CTimeEdit*>(Cell(page, 2, 1))->setTime(QTime(6, 30, 15));
    qobject_cast<CComboBox*>(Cell(page, 2, 2))->setCurrentIndex(23);
    qobject_cast<CComboBox*>(Cell(page, 2, 6))->setCurrentIndex(4);
    Plans(page)->setCurrentRow(1);
    QCOMPARE(page.CurrentPlan(), 9);
    QVERIFY(!Box(page, 0)->isChecked() && Box(page, 6)->isChecked() && !Box(page, 5)->isChecked());
    Box(page, 0)->setChecked(true);
    QCOMPARE(NamePlan(driver, page, QStringLiteral("Third")), QString());

    const GROUP_INFO& first = page.GetPlans()[2];
    for (const int r : {0, 1, 7})
        QCOMPARE(int(first.Schedule[r].IsEanbel), r == 7 ? 1 : 0);
    const SCHEDULE_TIME start = first.Schedule[2].TaskStartTime;
    QCOMPARE(start.Hour * 10000 + start.Minute * 100 + start.Second, 63015);
    QCOMPARE(first.Schedule[2].Duration * 100 + int(first.Schedule[2].FileType), 2408);
    const GROUP_INFO& back = page.GetPlans()[9];
    QCOMPARE(back.Schedule[2].FileType, 0u);
    QCOMPARE(back.Schedule[6].FileType, 8u);
    for (int r = 0; r <= 7; ++r)
        QCOMPARE(int(back.Schedule[r].IsEanbel), r == 0 ? 1 : 0);
}

void TestPlanPage::namesUpToTheLimitAndSave()
{
    for (int p = 0; p < MAX_GROUP_NUM - 1; ++p)
        QVERIFY(StorePlan(p, qPrintable(QStringLiteral("P%1").arg(p))));
    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    QCOMPARE(NamePlan(driver, page, QStringLiteral("   ")), QStringLiteral("Schedule name cannot be empty"));
    QCOMPARE(NamePlan(driver, page, QStringLiteral("a/b")), QStringLiteral("Nick name is Invalid."));
    QCOMPARE(NamePlan(driver, page, QStringLiteral("P5")), QStringLiteral("the Schedule is exist"));
    QCOMPARE(NamePlan(driver, page, QStringLiteral("New")), QString());
    QCOMPARE(NamePlan(driver, page, QStringLiteral("X")),
             QStringLiteral("Exceed the maximum schedule number."));

    // A plan deleted on the page no longer blocks its name; anything but OK keeps it.
    Plans(page)->setCurrentRow(5);
    driver.Reject();
    Click(&page, "m_pBtnDel");
    QCOMPARE(Plans(page)->count(), 32);
    driver.Accept();
    Click(&page, "m_pBtnDel");
    QCOMPARE(page.FindPlanByName(QStringLiteral("P5")), -1);
    QVERIFY(heard.events.isEmpty());
    QCOMPARE(ModelName(5), QByteArray("P5"));

    // The save: the deleted plan under its name, the new one under the empty name it had in the model.
    driver.Accept();
    QVERIFY(page.SavePlans());
    QCOMPARE(heard.events, (QStringList{QStringLiteral("stop:5,31"), QStringLiteral("changed:5=P5,31=")}));
    QCOMPARE(ModelName(5) + ModelName(31), QByteArray("(none)New"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table WHERE GroupName IN ('P5', 'New');"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5;"), 0);
    QCOMPARE(Logged(), 1);
}

// A plan made on the page, stored, read from the database after a restart and shown again must not count as
// changed, or every OK would stop and restart every plan.
void TestPlanPage::storedPlanSavedUnchangedIsNotChanged()
{
    CModalDriver driver;
    {
        CDlgCfgPlan page;
        QCOMPARE(NamePlan(driver, page, QStringLiteral("Day")), QString());
        QCOMPARE(NamePlan(driver, page, QStringLiteral("Week")), QString());
        Box(page, 0)->setChecked(false);
        Box(page, 4)->setChecked(false);
        driver.Accept();
        QVERIFY(page.SavePlans());
        QVERIFY(!page.IsPlanTableChanged());
    }
    CloseMainDB();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(1)->Schedule[4].IsEanbel), 0);

    CDlgCfgPlan page;
    CAnnouncements heard(page);
    driver.Clear();
    Plans(page)->setCurrentRow(1);
    Plans(page)->setCurrentRow(0);
    QVERIFY(page.SavePlans());
    QVERIFY(driver.Seen().isEmpty());
    QVERIFY(heard.events.isEmpty());
}

void TestPlanPage::refusedSaveKeepsStoredPlans()
{
    QVERIFY(StorePlan(0, "A") && StorePlan(1, "B"));
    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    QCOMPARE(NamePlan(driver, page, QStringLiteral("A2"), true), QString());
    QCOMPARE(NamePlan(driver, page, QStringLiteral("C")), QString());
    Plans(page)->setCurrentRow(1);
    driver.Accept();
    Click(&page, "m_pBtnDel");

    // Cancel writes and announces nothing.
    driver.Clear();
    driver.Reject();
    QVERIFY(!page.SavePlans());
    QVERIFY(heard.events.isEmpty());
    QCOMPARE(ModelName(0) + ModelName(1), QByteArray("AB"));

    // The database refuses the new plan's row, after the renamed plan was already rewritten and the deleted
    // one removed inside the same transaction.
    Refuse("INSERT", "Group_Table", "WHEN NEW.GroupName = 'C'");
    driver.Accept();
    driver.Accept();
    QVERIFY(!page.SavePlans());
    QCOMPARE(driver.Seen().value(2).title, QStringLiteral("Error"));
    // The stopped plans are announced under the names they run with, so they start again as stored.
    QCOMPARE(heard.events, (QStringList{QStringLiteral("stop:0,1,2"), QStringLiteral("changed:0=A,1=B,2=")}));
    QCOMPARE(ModelName(0) + ModelName(1) + ModelName(2), QByteArray("AB(none)"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table WHERE GroupName IN ('A', 'B');"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table;"), 16);
    QCOMPARE(Logged(), 0);
    // The page shows what is stored again.
    QCOMPARE(Plans(page)->count(), 2);
    QCOMPARE(Plans(page)->item(0)->text(), QStringLiteral("A"));
    QVERIFY(!page.IsPlanTableChanged());
}

void TestPlanPage::deletedRecorderLeavesOtherEditsUnsaved()
{
    CSimRecorders sims;
    QVERIFY(AddRecorder(sims.Add(SimRecorderConfig()), "D1") &&
            AddRecorder(sims.Add(SimRecorderConfig()), "D2"));
    QVERIFY(StorePlan(0, "P0", {{0, 1}, {1, 1}, {0, 2}}));
    QVERIFY(StorePlan(1, "P1", {{1, 2}}));
    QVERIFY(StorePlan(2, "P2", {{0, 3}}));

    CDlgCfgPlan page;
    CAnnouncements heard(page);
    CModalDriver driver;
    Plans(page)->setCurrentRow(2);
    QCOMPARE(NamePlan(driver, page, QStringLiteral("Renamed"), true), QString());
    Plans(page)->setCurrentRow(0);
    Box(page, 0)->setChecked(false);

    // What the device page does: the model lets the recorder go with its channels, then the page hears of it.
    QCOMPARE(g_pSysInfoManage->DeleteDevice("D2", true), 1);
    page.OnDeleteDevice(1);
    QCOMPARE(heard.events, QStringList{QStringLiteral("changed:0=P0,1=P1")});
    QCOMPARE(Refs(page.GetPlans()[0]) + '|' + Refs(page.GetPlans()[1]), QStringLiteral("0:1 0:2|"));
    // The unsaved rename and schedule stay on the page only.
    QCOMPARE(ModelName(2), QByteArray("P2"));
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(0)->Schedule[0].IsEanbel), 1);
    QVERIFY(!page.IsPlanChanged(0) && !page.IsPlanChanged(1) && page.IsPlanChanged(2));
}

// A channel of another plan is refused with its message; the ones that fit are sorted in. Deleting rows 1
// and 3 of five keeps the first, third and fifth in order.
void TestPlanPage::chosenChannelsAndRemovedOnes()
{
    CSimRecorders sims;
    QVERIFY(AddRecorder(sims.Add(CSimRecorders::MakeConfig(45, {}, {})), "D1"));
    QVERIFY(StorePlan(0, "Mine", {{0, 30}}));
    QVERIFY(StorePlan(1, "Other", {{0, 40}}));
    QVERIFY(StorePlan(2, "Five", {{0, 41}, {0, 42}, {0, 43}, {0, 44}, {0, 45}}));

    CChoosingPage page;
    CModalDriver driver;
    QList<CHOSEN_CHANNEL> chosen;
    for (int channel : {35, 40, 5}) {
        chosen << CHOSEN_CHANNEL();
        CopyString33(chosen.last().DeviceName, "D1");
        chosen.last().Channel = int16_t(channel);
    }
    driver.Accept();
    page.AddChosenChannel(chosen);
    Click(&page, "m_pushButtonChooseChannel");
    QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("D1_Camera 40 had been added other Schedule"));
    QCOMPARE(Refs(page.GetPlans()[0]), QStringLiteral("0:5 0:30 0:35"));

    Plans(page)->setCurrentRow(2);
    Channels(page)->clearSelection();
    Channels(page)->item(1)->setSelected(true);
    Channels(page)->item(3)->setSelected(true);
    driver.Accept();
    Click(&page, "m_pushButtonDelChannel");
    QCOMPARE(Refs(page.GetPlans()[2]), QStringLiteral("0:41 0:43 0:45"));
}

// Plans A to D in slots 0, 2, 5 and 7; A's week, copied to B and D, is stored under their own plan numbers.
void TestPlanPage::weekCopiedToCheckedPlansAndSaved()
{
    GROUP_INFO a = NewPlan("A");
    for (int e = 0; e < SCHEDULE_ENTRY_NUM; ++e) {
        SCHEDULE_WEEKDAY& entry = a.Schedule[e];
        entry.IsEanbel = e >= 2 ? 1 : 0;
        entry.TaskStartTime = {int16_t(19 + e % 2), int16_t(e * 5), 0};
        entry.Duration = int16_t(2 + e % 3);
        entry.FileDate = int16_t(e % 4);
        entry.FileEndTime = {5, 30, 0};
        entry.FileType = e % 2 != 0 ? 8 : 2;
    }
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&a, 0));
    QVERIFY(StorePlan(2, "B") && StorePlan(5, "C") && StorePlan(7, "D"));
    const QString untouched = Week(*g_pSysInfoManage->GetGroupInfo(5));
    CDlgCfgPlan page;

    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        auto* rows = window->findChild<CTableView*>(QStringLiteral("m_pTableCopy"));
        for (int row = 0; row < rows->GetTopRowCount(); ++row)
            rows->SetItemChecked(row, 0, QStringLiteral("BD").contains(rows->GetItemText(row, 0)));
        QTest::keyClick(rows, Qt::Key_Return);
    });
    driver.Accept(); // "The Schedule has been copied successfully"
    driver.Accept(); // the save's confirmation
    Click(&page, "m_pBtnCopy");
    QVERIFY(page.SavePlans());
    for (const int slot : {2, 7}) {
        GROUP_INFO stored;
        QVERIFY(DbSelectGroupInfo(slot, &stored));
        QCOMPARE(Week(stored), Week(a));
        QCOMPARE(QByteArray(stored.GroupName), QByteArray(slot == 2 ? "B" : "D"));
    }
    QCOMPARE(Week(*g_pSysInfoManage->GetGroupInfo(5)), untouched);
}

// Without any plan the table shows the defaults of a schedule, the whole week on; turning the whole week off
// turns every weekday on with its editors, and on again turns them off.
void TestPlanPage::freshTableAndTheWholeWeekSwitch()
{
    CDlgCfgPlan page;
    const auto row = [&page](int r) {
        QStringList cells{Box(page, r)->isChecked() ? "on" : "off"};
        for (int c = CDlgCfgPlan::COL_TASK_START; c < CDlgCfgPlan::SCHEDULE_COLUMN_NUM; ++c) {
            QWidget* cell = Cell(page, r, c);
            if (auto* time = qobject_cast<CTimeEdit*>(cell))
                cells << time->time().toString(QStringLiteral("hh:mm:ss"));
            else
                cells << qobject_cast<CComboBox*>(cell)->currentText();
        }
        return cells.join(' ');
    };
    const auto enabled = [&page](int r) {
        QString flags;
        for (int c = 0; c < CDlgCfgPlan::SCHEDULE_COLUMN_NUM; ++c)
            flags += Cell(page, r, c)->isEnabled() ? '1' : '0';
        return flags;
    };
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r)
        QCOMPARE(
            row(r),
            QStringLiteral("%1 18:00:00 6hours 1days ago 00:00:00 23:59:59 all").arg(r == 0 ? "on" : "off"));
    QCOMPARE(enabled(0), QStringLiteral("1111111"));
    QCOMPARE(enabled(1), QStringLiteral("0000000"));
    QCOMPARE(enabled(7), QStringLiteral("0000000"));

    Box(page, 0)->setChecked(false);
    QCOMPARE(enabled(0), QStringLiteral("1000000"));
    for (const int r : {1, 7}) {
        QVERIFY(Box(page, r)->isChecked());
        QCOMPARE(enabled(r), QStringLiteral("1111111"));
    }
    Box(page, 3)->setChecked(false);
    QCOMPARE(enabled(3), QStringLiteral("1000000"));
    Box(page, 0)->setChecked(true);
    QCOMPARE(enabled(0), QStringLiteral("1111111"));
    for (const int r : {1, 3, 7}) {
        QVERIFY(!Box(page, r)->isChecked());
        QCOMPARE(enabled(r), QStringLiteral("0000000"));
    }
}

// A week at the ends of every editor's range is shown as stored and stored back unchanged when the page moves
// to another plan: 1 and 24 hours, 0 and 30 days back, every kind of recording.
void TestPlanPage::tableShowsAndStoresEveryValue()
{
    GROUP_INFO week = NewPlan("Edges");
    week.Schedule[0].IsEanbel = 0;
    const uint32_t types[] = {0, 1, 2, 3, 8, 0, 1, 2};
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        SCHEDULE_WEEKDAY& e = week.Schedule[r];
        e.IsEanbel = r % 2 == 1 ? 1 : 0;
        e.TaskStartTime = T(23 - r, 59 - r, r);
        e.Duration = int16_t(r % 2 == 0 ? 1 : 24);
        e.FileDate = int16_t(r % 2 == 0 ? 30 : 0);
        e.FileStartTime = T(r, r, r);
        e.FileEndTime = T(23, 59, 59 - r);
        e.FileType = types[r];
    }
    week.Schedule[7].TaskStartTime = T(0, 0, 0);
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&week, 4) && StorePlan(6, "Other"));

    CDlgCfgPlan page;
    QCOMPARE(page.CurrentPlan(), 4);
    const QStringList typeTexts{"all",           "Schedule", "Motion Detection", "Alarm",
                                "Manual Record", "all",      "Schedule",         "Motion Detection"};
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        QCOMPARE(qobject_cast<CComboBox*>(Cell(page, r, 2))->currentText(),
                 r % 2 == 0 ? QStringLiteral("1hours") : QStringLiteral("24hours"));
        QCOMPARE(qobject_cast<CComboBox*>(Cell(page, r, 3))->currentText(),
                 r % 2 == 0 ? QStringLiteral("30days ago") : QStringLiteral("0days ago"));
        QCOMPARE(qobject_cast<CComboBox*>(Cell(page, r, 6))->currentText(), typeTexts[r]);
        QCOMPARE(qobject_cast<CTimeEdit*>(Cell(page, r, 1))->time(),
                 r == 7 ? QTime(0, 0) : QTime(23 - r, 59 - r, r));
        QCOMPARE(Box(page, r)->isChecked(), r % 2 == 1);
    }
    Plans(page)->setCurrentRow(1);
    QCOMPARE(page.CurrentPlan(), 6);
    QCOMPARE(Week(page.GetPlans()[4]), Week(*g_pSysInfoManage->GetGroupInfo(4)));
    QVERIFY(!page.IsPlanTableChanged());
}

VARROW_TEST_MAIN(TestPlanPage, QApplication)
#include "tst_gui_planpage.moc"

// The weekly schedule rules and the schedule table of the plan page. A rule that lets an overlapping or
// backwards window through makes the engine run two downloads at once or fetch files that do not exist yet;
// a table that stores what it does not show changes plans behind the operator's back.

#include "config/plans/CDlgCfgPlan.h"
#include "config/plans/ScheduleCheck.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/calendar/CTimeEdit.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QListWidget>

#include <functional>

class TestPlanSchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void tableFollowsWholeWeek();
    void tableStoresWhatItShows();
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

struct RULE_CASE
{
    const char* name;
    QList<Edit> edits; // applied to plan "P" in slot 3
    QString error;     // the first fault reported, empty when everything passes
};

const QList<RULE_CASE>& RuleCases()
{
    const auto fileWindow = [](int row, SCHEDULE_TIME from, SCHEDULE_TIME to) {
        return Edit([=](GROUP_INFO* g) {
            g->Schedule[row].FileStartTime = from;
            g->Schedule[row].FileEndTime = to;
        });
    };
    const auto today = [](int row, SCHEDULE_TIME start, SCHEDULE_TIME fileEnd) {
        return Edit([=](GROUP_INFO* g) {
            g->Schedule[row].FileDate = 0;
            g->Schedule[row].TaskStartTime = start;
            g->Schedule[row].FileEndTime = fileEnd;
        });
    };
    const QString overlap = QStringLiteral(
        "At Schedule P The Schedule End Time of %1 is earlier than the Schedule start time of %2");
    static const QList<RULE_CASE> cases = {
        {"defaults pass", {}, {}},
        {"file end equal to start", {fileWindow(0, T(8, 0, 0), T(8, 0, 0))}, {}},
        {"file end a second early",
         {fileWindow(0, T(8, 0, 0), T(7, 59, 59))},
         "file starttime and file endtime conflict at Schedule P  WholeWeek"},
        {"today: start at the file end", {today(0, T(20, 0, 0), T(20, 0, 0))}, {}},
        {"today: start a second before the file end",
         {today(0, T(19, 59, 59), T(20, 0, 0))},
         "Schedule starttime and file endtime conflict at Schedule P  WholeWeek"},
        {"yesterday's files may be fetched at any hour",
         {[](GROUP_INFO* g) { g->Schedule[0].TaskStartTime = T(1, 0, 0); }},
         {}},
        {"weekday file window checked",
         {Day(5, T(18, 0, 0), 6), fileWindow(5, T(9, 0, 0), T(8, 0, 0))},
         "file starttime and file endtime conflict at Schedule P  Friday"},
        {"file rule before the overlap rule",
         {Day(1, T(20, 0, 0), 24), Day(2, T(8, 0, 0), 1), today(3, T(1, 0, 0), T(2, 0, 0)),
          [](GROUP_INFO* g) { g->Schedule[3].IsEanbel = 1; }},
         "Schedule starttime and file endtime conflict at Schedule P  Wednesday"},
        {"overnight window ends at the next start", {Day(1, T(20, 0, 0), 12), Day(2, T(8, 0, 0), 6)}, {}},
        {"overnight window runs past the next start",
         {Day(1, T(20, 0, 0), 12), Day(2, T(7, 59, 59), 6)},
         overlap.arg(QStringLiteral("Monday"), QStringLiteral("Tuesday"))},
        {"Saturday into Sunday",
         {Day(6, T(22, 0, 0), 10), Day(7, T(7, 0, 0), 2)},
         overlap.arg(QStringLiteral("Saturday"), QStringLiteral("Sunday"))},
        {"Sunday into Monday, the engine's day before",
         {Day(7, T(22, 0, 0), 10), Day(1, T(7, 0, 0), 2)},
         overlap.arg(QStringLiteral("Sunday"), QStringLiteral("Monday"))},
        {"a day off between two windows", {Day(1, T(20, 0, 0), 24), Day(3, T(0, 0, 0), 2)}, {}},
        {"disabled rows are never checked",
         {Day(1, T(20, 0, 0), 24), fileWindow(0, T(9, 0, 0), T(8, 0, 0)),
          fileWindow(4, T(9, 0, 0), T(8, 0, 0)),
          [](GROUP_INFO* g) { g->Schedule[2].TaskStartTime = T(0, 0, 0); }},
         {}},
        {"the whole week is never paired",
         {[](GROUP_INFO* g) {
             g->Schedule[0].TaskStartTime = T(23, 0, 0);
             g->Schedule[0].Duration = 24;
         }},
         {}},
    };
    return cases;
}

GROUP_INFO Plan(const char* name)
{
    GROUP_INFO g;
    g.bUsed = 1;
    CopyString33(g.GroupName, name);
    g.Schedule[0].IsEanbel = 1;
    return g;
}

} // namespace

void TestPlanSchedule::rules_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < RuleCases().size(); ++i)
        QTest::newRow(RuleCases().at(i).name) << i;
}

void TestPlanSchedule::rules()
{
    QFETCH(int, index);
    const RULE_CASE& c = RuleCases().at(index);
    GROUP_INFO plans[MAX_GROUP_NUM];
    plans[3] = Plan("P");
    for (const Edit& edit : c.edits)
        edit(&plans[3]);
    QCOMPARE(FirstScheduleError(plans), c.error);

    // A plan not in use is never checked; a later plan's fault is reported after this one's.
    plans[1] = plans[3];
    plans[1].bUsed = 0;
    plans[7] = Plan("Q");
    plans[7].Schedule[0].FileEndTime = T(0, 0, 0);
    plans[7].Schedule[0].FileStartTime = T(0, 0, 1);
    const QString later = QStringLiteral("file starttime and file endtime conflict at Schedule Q  WholeWeek");
    QCOMPARE(FirstScheduleError(plans), c.error.isEmpty() ? later : c.error);
}

void TestPlanSchedule::tableFollowsWholeWeek()
{
    // The enabling rules: a weekday row can only be edited while the whole week is off and its box is on.
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    CDlgCfgPlan page;
    auto* table = page.findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"));
    QVERIFY(table != nullptr);
    const auto box = [table](int r) { return qobject_cast<CCheckBox*>(table->GetItemWidget(r, 0)); };
    const auto editorsOn = [table](int r) {
        int on = 0;
        for (int c = 1; c < CDlgCfgPlan::SCHEDULE_COLUMN_NUM; ++c)
            on += table->GetItemWidget(r, c)->isEnabled() ? 1 : 0;
        return on;
    };
    QVERIFY(box(0)->isChecked());
    QCOMPARE(editorsOn(0), 6);
    for (int r = 1; r <= 7; ++r)
        QVERIFY2(!box(r)->isChecked() && !box(r)->isEnabled() && editorsOn(r) == 0,
                 qPrintable(QString::number(r)));

    box(0)->setChecked(false);
    QCOMPARE(editorsOn(0), 0);
    for (int r = 1; r <= 7; ++r)
        QVERIFY(box(r)->isChecked() && box(r)->isEnabled() && editorsOn(r) == 6);
    box(3)->setChecked(false);
    QCOMPARE(editorsOn(3), 0);
    QCOMPARE(editorsOn(4), 6);

    box(0)->setChecked(true);
    QCOMPARE(editorsOn(0), 6);
    QVERIFY(!box(3)->isChecked() && !box(4)->isChecked() && editorsOn(4) == 0);
}

void TestPlanSchedule::tableStoresWhatItShows()
{
    // Two plans: edits to the first survive a change of selection, and the second shows its own values.
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    GROUP_INFO first = Plan("First");
    GROUP_INFO second = Plan("Second");
    second.Schedule[0].IsEanbel = 0;
    second.Schedule[6].IsEanbel = 1;
    second.Schedule[6].FileType = 8;
    second.Schedule[2].FileType = 5; // no item carries it
    second.Schedule[6].Duration = 24;
    second.Schedule[6].FileDate = 30;
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&first, 2) && g_pSysInfoManage->SetGroupInfo(&second, 9));

    CDlgCfgPlan page;
    auto* table = page.findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"));
    auto* plans = page.findChild<QListWidget*>(QStringLiteral("m_pListWidgetPlan"));
    QCOMPARE(page.CurrentPlan(), 2);
    const auto box = [table](int r) { return qobject_cast<CCheckBox*>(table->GetItemWidget(r, 0)); };
    const auto combo = [table](int r, int c) { return qobject_cast<CComboBox*>(table->GetItemWidget(r, c)); };
    box(0)->setChecked(false);
    box(1)->setChecked(false);
    qobject_cast<CTimeEdit*>(table->GetItemWidget(2, 1))->setTime(QTime(6, 30, 15));
    combo(2, 2)->setCurrentIndex(23);
    combo(2, 6)->setCurrentIndex(4);

    plans->setCurrentRow(1);
    QCOMPARE(page.CurrentPlan(), 9);
    const GROUP_INFO& stored = page.GetPlans()[2];
    for (const int r : {0, 1, 7})
        QCOMPARE(int(stored.Schedule[r].IsEanbel), r == 7 ? 1 : 0);
    QCOMPARE(stored.Schedule[2].TaskStartTime.Hour * 10000 + stored.Schedule[2].TaskStartTime.Minute * 100 +
                 stored.Schedule[2].TaskStartTime.Second,
             63015);
    QCOMPARE(stored.Schedule[2].Duration * 100 + int(stored.Schedule[2].FileType), 2408);

    // The second plan as shown: only Saturday on, with its manual-record type; an unknown type shows nothing.
    QVERIFY(!box(0)->isChecked() && box(6)->isChecked() && !box(5)->isChecked());
    QCOMPARE(combo(6, 6)->currentText(), QStringLiteral("Manual Record"));
    QCOMPARE(combo(6, 2)->currentIndex() * 100 + combo(6, 3)->currentIndex(), 2330);
    QCOMPARE(combo(2, 6)->currentIndex(), -1);

    // Back to the first plan: the second is stored with its unknown type as 0 and whole week checked again
    // turns every weekday off.
    box(0)->setChecked(true);
    plans->setCurrentRow(0);
    const GROUP_INFO& back = page.GetPlans()[9];
    QCOMPARE(back.Schedule[2].FileType, 0u);
    QCOMPARE(back.Schedule[6].FileType, 8u);
    for (int r = 0; r <= 7; ++r)
        QCOMPARE(int(back.Schedule[r].IsEanbel), r == 0 ? 1 : 0);
    QVERIFY(!box(0)->isChecked() && !box(1)->isChecked() && box(2)->isChecked());
}

VARROW_TEST_MAIN(TestPlanSchedule, QApplication)
#include "tst_gui_planschedule.moc"

// The copy-schedule dialog on the real plan page and model on a temporary database: one plan's week copied to
// several plans and saved, the "Choose All" toggle, and the refusals. A copy that went by list row instead of
// plan slot, or kept the source's plan number in the entries, would store the week under the wrong plan.

#include "config/pickers/CCopyBackUpTime.h"
#include "config/plans/CDlgCfgPlan.h"
#include "model/DbAccess.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QPushButton>

#include <cstring>

class TestCopySchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void weekCopiedToCheckedPlansAndSaved();
    void chooseAllTogglesAndRefusals();
};

namespace {

// Plans A to D in slots 0, 2, 5, 7; A has a week of its own, its whole-week entry and Monday disabled but not
// at their defaults.
void StorePlans(CSysInfoManage& model)
{
    const char* names[4] = {"A", "B", "C", "D"};
    const int planSlots[4] = {0, 2, 5, 7};
    for (int i = 0; i < 4; ++i) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        std::strncpy(plan.GroupName, names[i], sizeof plan.GroupName - 1);
        for (int e = 0; e < SCHEDULE_ENTRY_NUM; ++e) {
            SCHEDULE_WEEKDAY& entry = plan.Schedule[e];
            entry.Weekday = int16_t(e);
            if (i != 0)
                continue;
            entry.IsEanbel = e >= 2 ? 1 : 0;
            entry.TaskStartTime = {int16_t(19 + e % 2), int16_t(e * 5), 0};
            entry.Duration = int16_t(2 + e % 3);
            entry.FileDate = int16_t(e % 4);
            entry.FileStartTime = {1, 0, 0};
            entry.FileEndTime = {5, 30, 0};
            entry.FileType = e % 2 != 0 ? 8 : 2;
        }
        QVERIFY(model.SetGroupInfo(&plan, planSlots[i]));
    }
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

CTableView* Rows(QWidget* dialog)
{
    return dialog->findChild<CTableView*>(QStringLiteral("m_pTableCopy"));
}

void Check(CTableView* rows, const QString& name)
{
    for (int row = 0; row < rows->GetTopRowCount(); ++row)
        if (rows->GetItemText(row, 0) == name)
            rows->SetItemChecked(row, 0, true);
}

int Checked(CTableView* rows)
{
    int n = 0;
    for (int row = 0; row < rows->GetTopRowCount(); ++row)
        n += rows->GetItemData(row, 0, Qt::CheckStateRole).toInt() == Qt::Checked ? 1 : 0;
    return n;
}

} // namespace

void TestCopySchedule::weekCopiedToCheckedPlansAndSaved()
{
    CEngineFixture f(QDateTime::currentDateTime());
    StorePlans(f.Model());
    GROUP_INFO before[MAX_GROUP_NUM];
    f.Model().GetAllGroupInfo(before);
    CDlgCfgPlan page;
    QCOMPARE(page.CurrentPlan(), 0);

    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        CTableView* rows = Rows(window);
        QCOMPARE(rows->GetTopRowCount(), 4);
        for (const char* name : {"B", "D"})
            Check(rows, QString::fromLatin1(name));
        QTest::keyClick(rows, Qt::Key_Return);
    });
    driver.Accept(); // "The Schedule has been copied successfully"
    page.findChild<QPushButton*>(QStringLiteral("m_pBtnCopy"))->click();
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen()[0].title, QStringLiteral("Copy plan"));
    // The page's records carry the targets' own plan numbers at once.
    for (const int slot : {2, 7})
        for (const SCHEDULE_WEEKDAY& entry : page.GetPlans()[slot].Schedule)
            QCOMPARE(int(entry.GroupID), slot);

    driver.Accept(); // the save's confirmation
    QVERIFY(page.SavePlans());
    for (const int slot : {2, 7}) {
        GROUP_INFO stored;
        QVERIFY(DbSelectGroupInfo(slot, &stored));
        QCOMPARE(Week(stored), Week(before[0]));
        QCOMPARE(Week(*f.Model().GetGroupInfo(slot)), Week(before[0]));
        QCOMPARE(QByteArray(stored.GroupName), QByteArray(before[slot].GroupName));
        // The eight entries are stored under the target's plan number.
        QCOMPARE(CountRows(QStringLiteral("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = %1;")
                               .arg(slot)
                               .toStdString()),
                 SCHEDULE_ENTRY_NUM);
    }
    QCOMPARE(Week(*f.Model().GetGroupInfo(5)), Week(before[5]));
    QVERIFY(Week(before[5]) != Week(before[0]));
}

void TestCopySchedule::chooseAllTogglesAndRefusals()
{
    CEngineFixture f(QDateTime::currentDateTime());
    StorePlans(f.Model());
    CDlgCfgPlan page;
    CModalDriver driver;
    {
        CCopyBackUpTime dialog(&page, 0);
        CTableView* rows = Rows(&dialog);
        auto* all = dialog.findChild<QPushButton*>(QStringLiteral("m_pBtnAll"));
        Check(rows, QStringLiteral("C"));
        for (const int expected : {4, 0, 4, 0}) {
            all->click();
            QCOMPARE(Checked(rows), expected);
        }

        // Nothing checked; then a checked plan whose name the page no longer has.
        driver.Accept();
        dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        Check(rows, QStringLiteral("C"));
        GROUP_INFO renamed[MAX_GROUP_NUM];
        std::copy(page.GetPlans(), page.GetPlans() + MAX_GROUP_NUM, renamed);
        std::strcpy(renamed[5].GroupName, "E");
        page.SetAllPlans(renamed);
        driver.Accept();
        dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(Week(page.GetPlans()[5]), Week(renamed[5]));
    }
    // No current plan: an empty list, and OK refuses.
    CCopyBackUpTime empty(&page, -1);
    QCOMPARE(Rows(&empty)->GetTopRowCount(), 0);
    driver.Accept();
    empty.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();

    QCOMPARE(driver.Seen().size(), 3);
    for (const MODAL_SEEN& seen : driver.Seen())
        QVERIFY(seen.Text().contains(QStringLiteral("Please select destiny channel.")));
}

VARROW_TEST_MAIN(TestCopySchedule, QApplication)
#include "tst_gui_copyschedule.moc"

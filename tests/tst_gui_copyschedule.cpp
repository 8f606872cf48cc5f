// The copy-schedule dialog on the real plan page and model on a temporary database: one plan's week copied to
// several plans and saved, the "Choose All" toggle, and the refusals. A copy that went by list row instead of
// plan slot, or kept the source's plan number in the entries, would store the week under the wrong plan.

#include "config/pickers/CCopyBackUpTime.h"
#include "config/plans/CDlgCfgPlan.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QPushButton>

#include <cstring>
#include <memory>

class TestCopySchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void weekCopiedToCheckedPlansAndSaved();
    void chooseAllTogglesAndRefusals();

private:
    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSysInfoManage> m_model;
    CSysInfoManage* m_previous = nullptr;
};

namespace {

SCHEDULE_WEEKDAY Entry(bool enabled, int weekday, SCHEDULE_TIME start, int hours, int fileDay, int fileType)
{
    SCHEDULE_WEEKDAY entry;
    entry.IsEanbel = enabled ? 1 : 0;
    entry.Weekday = int16_t(weekday);
    entry.TaskStartTime = start;
    entry.Duration = int16_t(hours);
    entry.FileDate = int16_t(fileDay);
    entry.FileStartTime = {1, 0, 0};
    entry.FileEndTime = {5, 30, 0};
    entry.FileType = uint32_t(fileType);
    return entry;
}

// Plans A to D in slots 0, 2, 5, 7; A has a week of its own, with a whole-week entry and a Monday that are
// disabled but not at their defaults.
void StorePlans(CSysInfoManage& model)
{
    const char* names[4] = {"A", "B", "C", "D"};
    const int planSlots[4] = {0, 2, 5, 7};
    for (int i = 0; i < 4; ++i) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        std::strncpy(plan.GroupName, names[i], sizeof plan.GroupName - 1);
        for (int e = 0; e < SCHEDULE_ENTRY_NUM; ++e)
            plan.Schedule[e].Weekday = int16_t(e);
        if (i == 0) {
            plan.Schedule[0] = Entry(false, 0, {7, 15, 0}, 2, 3, 3);
            plan.Schedule[1] = Entry(false, 1, {19, 0, 0}, 5, 4, 1);
            for (int e = 2; e < SCHEDULE_ENTRY_NUM; ++e)
                plan.Schedule[e] = Entry(true, e, {20, 30, 0}, 3, e % 3, e % 2 == 0 ? 2 : 8);
        }
        QVERIFY(model.SetGroupInfo(&plan, planSlots[i]));
    }
}

bool SameWeek(const GROUP_INFO& a, const GROUP_INFO& b)
{
    for (int e = 0; e < SCHEDULE_ENTRY_NUM; ++e) {
        const SCHEDULE_WEEKDAY& x = a.Schedule[e];
        const SCHEDULE_WEEKDAY& y = b.Schedule[e];
        if (x.IsEanbel != y.IsEanbel || x.Weekday != y.Weekday || x.Duration != y.Duration ||
            x.FileDate != y.FileDate || x.FileType != y.FileType ||
            std::memcmp(&x.TaskStartTime, &y.TaskStartTime, sizeof x.TaskStartTime) != 0 ||
            std::memcmp(&x.FileStartTime, &y.FileStartTime, sizeof x.FileStartTime) != 0 ||
            std::memcmp(&x.FileEndTime, &y.FileEndTime, sizeof x.FileEndTime) != 0)
            return false;
    }
    return true;
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

void TestCopySchedule::init()
{
    m_db = std::make_unique<CTempDatabase>();
    m_model = std::make_unique<CSysInfoManage>();
    QVERIFY(m_model->LoadAllInfo());
    m_previous = g_pSysInfoManage;
    g_pSysInfoManage = m_model.get();
    StorePlans(*m_model);
}

void TestCopySchedule::cleanup()
{
    g_pSysInfoManage = m_previous;
    m_model.reset();
    m_db.reset();
}

void TestCopySchedule::weekCopiedToCheckedPlansAndSaved()
{
    GROUP_INFO before[MAX_GROUP_NUM];
    m_model->GetAllGroupInfo(before);
    CDlgCfgPlan page;
    QCOMPARE(page.CurrentPlan(), 0);

    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        CTableView* rows = Rows(window);
        QCOMPARE(rows->GetTopRowCount(), 4);
        Check(rows, QStringLiteral("B"));
        Check(rows, QStringLiteral("D"));
        QTest::keyClick(rows, Qt::Key_Return);
    });
    driver.Accept(); // "The Schedule has been copied successfully"
    page.findChild<QPushButton*>(QStringLiteral("m_pBtnCopy"))->click();
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen()[0].title, QStringLiteral("Copy plan"));

    driver.Accept(); // the save's confirmation
    QVERIFY(page.SavePlans());
    for (const int slot : {2, 7}) {
        GROUP_INFO stored;
        QVERIFY(DbSelectGroupInfo(slot, &stored));
        QVERIFY2(SameWeek(stored, before[0]), qPrintable(QString::number(slot)));
        QVERIFY(SameWeek(*m_model->GetGroupInfo(slot), before[0]));
        QCOMPARE(QByteArray(stored.GroupName), QByteArray(before[slot].GroupName));
        for (const SCHEDULE_WEEKDAY& entry : m_model->GetGroupInfo(slot)->Schedule)
            QVERIFY(entry.GroupID == slot || entry.GroupID == -1);
        // The eight entries are stored under the target's plan number.
        QCOMPARE(CountRows(QStringLiteral("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = %1;")
                               .arg(slot)
                               .toStdString()),
                 SCHEDULE_ENTRY_NUM);
    }
    QVERIFY(SameWeek(*m_model->GetGroupInfo(5), before[5]));
    QVERIFY(SameWeek(*m_model->GetGroupInfo(0), before[0]));
}

void TestCopySchedule::chooseAllTogglesAndRefusals()
{
    CDlgCfgPlan page;
    CModalDriver driver;
    {
        CCopyBackUpTime dialog(&page, 0);
        CTableView* rows = Rows(&dialog);
        auto* all = dialog.findChild<QPushButton*>(QStringLiteral("m_pBtnAll"));
        Check(rows, QStringLiteral("C"));
        all->click();
        QCOMPARE(Checked(rows), 4);
        all->click();
        QCOMPARE(Checked(rows), 0);
        all->click();
        QCOMPARE(Checked(rows), 4);
        all->click();

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
        QVERIFY(SameWeek(page.GetPlans()[5], renamed[5]));
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

// The state page's event table and day totals, on the engine's clock: the weekday of a report and the names
// it shows, that a report about an unknown recorder or plan adds nothing, the totals and percents summed from
// the rows (also beyond 43 TB, where a 32-bit product would overflow), and the running-thread count with its
// elapsed time that starts again after a day.

#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QLabel>

#include <memory>

namespace {

constexpr long long kMiB = 1024 * 1024;
const QDateTime kSunday(QDate(2024, 1, 7), QTime(10, 0));

// One row of the state table: plan, kind, total bytes.
struct STATE_ROW
{
    int plan;
    int isPast;
    long long total;
};

// One report of a list's megabytes done: plan, kind, megabytes.
struct DONE_REPORT
{
    int plan;
    int isPast;
    int megabytes;
};

} // namespace

Q_DECLARE_METATYPE(QList<STATE_ROW>)
Q_DECLARE_METATYPE(QList<DONE_REPORT>)

class TestStatePageTotals : public QObject
{
    Q_OBJECT

private:
    QString Text(const char* label) const { return m_page->findChild<QLabel*>(QLatin1String(label))->text(); }
    CTableView* Events() const { return m_page->findChild<CTableView*>(QStringLiteral("tableView_Event")); }

    std::unique_ptr<CEngineFixture> m_fixture;
    std::unique_ptr<CViewState> m_page;
    int m_device = -1;

private Q_SLOTS:
    void initTestCase()
    {
        m_fixture = std::make_unique<CEngineFixture>(kSunday, 1e-9);
        m_device = m_fixture->AddDevice(CSimRecorders::MakeConfig(2, {}, kSunday.date()), "Yard");
        QVERIFY(m_device >= 0);
        for (int plan = 0; plan < 3; ++plan)
            QVERIFY(m_fixture->AddPlan(plan, {{int16_t(m_device), 1}}, SCHEDULE_WEEKDAY()));
    }
    void init()
    {
        m_fixture->Clock().SetNow(kSunday);
        g_pSysInfoManage->SetBackupMode(2);
        m_page = std::make_unique<CViewState>();
    }
    void cleanup() { m_page.reset(); }
    void cleanupTestCase() { m_fixture.reset(); }

    void eventRows()
    {
        m_page->WriteTableEvent(0, 0, m_device, QStringLiteral("Skip Download Yard_Camera 01"));
        m_page->WriteTableEvent(1, 1, m_device, QStringLiteral("late"));
        m_page->WriteTableEvent(MANUAL_GROUP_ID, 0, m_device, QStringLiteral("manual"));
        // Unknown recorders and plans add nothing.
        m_page->WriteTableEvent(0, 0, 1000, QStringLiteral("x"));
        m_page->WriteTableEvent(0, 0, -1, QStringLiteral("x"));
        m_page->WriteTableEvent(7, 0, m_device, QStringLiteral("x"));
        m_page->WriteTableEvent(-1, 0, m_device, QStringLiteral("x"));
        m_page->WriteTableEvent(40, 0, m_device, QStringLiteral("x"));
        QCOMPARE(Events()->GetTopRowCount(), 3);
        const QStringList first = {QStringLiteral("1"),
                                   QStringLiteral("2024-01-07 10:00:00"),
                                   QStringLiteral("Plan 0"),
                                   QStringLiteral("Sunday"),
                                   QStringLiteral("127.0.0.1"),
                                   QStringLiteral("Yard"),
                                   QStringLiteral("Skip Download Yard_Camera 01")};
        for (int column = 0; column < first.size(); ++column)
            QCOMPARE(Events()->GetItemText(0, column), first[column]);
        QCOMPARE(Events()->GetItemText(1, 2), QStringLiteral("*Plan 1"));
        QCOMPARE(Events()->GetItemText(2, 0), QStringLiteral("3"));
        QCOMPARE(Events()->GetItemText(2, 2), QStringLiteral("Manual Backup"));
        // The weekday follows the clock.
        m_fixture->Clock().SetNow(kSunday.addDays(1));
        m_page->WriteTableEvent(0, 0, m_device, QStringLiteral("next day"));
        QCOMPARE(Events()->GetItemText(3, 3), QStringLiteral("Monday"));
    }

    void dayTotals_data()
    {
        QTest::addColumn<QList<STATE_ROW>>("rows");
        QTest::addColumn<QList<DONE_REPORT>>("reports");
        QTest::addColumn<QStringList>("labels"); // total, done, percent, overdue total, done, percent
        const long long mb = kMiB;
        QTest::newRow("two plans, no overdue lists")
            << QList<STATE_ROW>{{0, 0, 600 * mb}, {1, 0, 400 * mb}}
            << QList<DONE_REPORT>{{0, 0, 300}, {1, 0, 500}}
            << QStringList{"1000MB", "800MB", "80%", "0MB", "0MB", "0%"};
        QTest::newRow("done capped at the total")
            << QList<STATE_ROW>{{0, 0, 300 * mb}, {1, 0, 400 * mb}}
            << QList<DONE_REPORT>{{0, 0, 300}, {1, 0, 500}}
            << QStringList{"700MB", "700MB", "100%", "0MB", "0MB", "0%"};
        QTest::newRow("each list rounded down before the sum")
            << QList<STATE_ROW>{{0, 0, 1572864}, {1, 0, 1572864}} << QList<DONE_REPORT>{{0, 0, 1}}
            << QStringList{"2MB", "1MB", "50%", "0MB", "0MB", "0%"};
        QTest::newRow("a later report of a list replaces its figure")
            << QList<STATE_ROW>{{0, 0, 100 * mb}, {0, 1, 200 * mb}}
            << QList<DONE_REPORT>{{0, 0, 90}, {0, 1, 50}, {0, 0, 10}}
            << QStringList{"100MB", "10MB", "10%", "200MB", "50MB", "25%"};
        // 60,000,000 MB in all: 45,000,000 x 100 does not fit in 32 bits.
        QTest::newRow("beyond 43 TB") << QList<STATE_ROW>{{0, 0, 30000000 * mb}, {1, 0, 30000000 * mb}}
                                      << QList<DONE_REPORT>{{0, 0, 30000000}, {1, 0, 15000000}}
                                      << QStringList{"60000000MB", "45000000MB", "75%", "0MB", "0MB", "0%"};
    }
    void dayTotals()
    {
        QFETCH(QList<STATE_ROW>, rows);
        QFETCH(QList<DONE_REPORT>, reports);
        QFETCH(QStringList, labels);
        for (const STATE_ROW& row : rows)
            m_page->ViewStartGroupDownLoad(row.plan, row.isPast, row.total);
        m_page->dataUpdate();
        for (const DONE_REPORT& report : reports)
            m_page->SetDayDownLoad(report.megabytes, report.plan, report.isPast);
        const char* names[] = {"label_total",        "label_already",        "label_percent",
                               "label_overdueTotal", "label_overdueAlready", "label_overduePercent"};
        for (int i = 0; i < 6; ++i)
            QTRY_COMPARE(Text(names[i]), labels[i]);
    }

    void removedRowsLeaveTheTotals()
    {
        m_page->ViewStartGroupDownLoad(0, 0, 100 * kMiB);
        m_page->ViewStartGroupDownLoad(1, 0, 100 * kMiB);
        m_page->dataUpdate();
        m_page->SetDayDownLoad(40, 0, 0);
        m_page->SetDayDownLoad(60, 1, 0);
        QTRY_COMPARE(Text("label_already"), QStringLiteral("100MB"));
        m_page->DelGroupView(1);
        QCOMPARE(Text("label_total"), QStringLiteral("100MB"));
        // The removed list's figure is gone; the next report shows what is left.
        m_page->SetDayDownLoad(40, 0, 0);
        QTRY_COMPARE(Text("label_already"), QStringLiteral("40MB"));
        QCOMPARE(Text("label_percent"), QStringLiteral("40%"));
    }

    void runningThreadsAndElapsedTime()
    {
        for (int i = 0; i < 3; ++i)
            m_page->IncDownLoadNum();
        m_fixture->Clock().SetNow(kSunday.addSecs(10));
        m_page->DecDownLoadNum();
        m_page->DecDownLoadNum();
        QCOMPARE(Text("label_count"), QStringLiteral("1"));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("00:00:10"));
        // A later start while one runs does not move the start.
        m_page->IncDownLoadNum();
        m_page->DecDownLoadNum();
        m_fixture->Clock().SetNow(kSunday.addSecs(25 * 3600));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("01:00:00"));
        m_page->DecDownLoadNum();
        m_page->DecDownLoadNum(); // a finish without a start does not count below 0
        QCOMPARE(Text("label_count"), QStringLiteral("0"));
        QCOMPARE(Text("label_time"), QStringLiteral("01:00:00"));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("00:00:00"));
        m_page->ResetDayTotals();
        QCOMPARE(Text("label_count"), QString());
    }
};

VARROW_TEST_MAIN(TestStatePageTotals, QApplication)
#include "tst_gui_statepage_totals.moc"

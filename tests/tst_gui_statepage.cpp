// The state page fed by calling its progress slots as the execute threads' signals would: which rows appear,
// the figures and day totals they show (also beyond 43 TB, where a 32-bit product would overflow), that a bad
// plan or recorder number changes nothing, and that file times sent from a worker thread are written on the
// page's thread.

#include "engine/EngineCommon.h"
#include "model/LogText.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QColor>
#include <QListWidget>
#include <QProgressBar>
#include <QStackedWidget>
#include <QThread>

#include <functional>
#include <memory>

namespace {

constexpr long long kMiB = 1024 * 1024;
const QDateTime kSunday(QDate(2024, 1, 7), QTime(10, 0));

// One list's total bytes and the megabytes reported done of it: plan, kind, total, done.
struct LIST_FIGURES
{
    int plan;
    int isPast;
    long long total;
    int doneMegabytes;
};

} // namespace

Q_DECLARE_METATYPE(QList<LIST_FIGURES>)

class TestStatePage : public QObject
{
    Q_OBJECT

private:
    CTableView* Table(const char* name = "tableView_State") const
    {
        return m_page->findChild<CTableView*>(QLatin1String(name));
    }
    QString Cell(int row, int column) const { return Table()->GetItemText(row, column); }
    QProgressBar* Bar(int row, int column) const
    {
        return qobject_cast<QProgressBar*>(Table()->GetItemWidget(row, column));
    }
    QLabel* Label(const char* name) const { return m_page->findChild<QLabel*>(QLatin1String(name)); }
    QString Text(const char* name) const { return Label(name)->text(); }
    std::unique_ptr<CViewState> NewPage(int storedMode)
    {
        g_pSysInfoManage->SetBackupMode(storedMode);
        return std::make_unique<CViewState>();
    }

    std::unique_ptr<CEngineFixture> m_fixture;
    std::unique_ptr<CViewState> m_page;
    int m_device = -1;

private Q_SLOTS:
    void initTestCase()
    {
        m_fixture = std::make_unique<CEngineFixture>(kSunday, 1e-9);
        m_device = m_fixture->AddDevice(CSimRecorders::MakeConfig(4, {}, kSunday.date()), "Gate");
        QVERIFY(m_device >= 0);
        for (int plan = 0; plan < 4; ++plan)
            QVERIFY(m_fixture->AddPlan(plan, {{int16_t(m_device), int16_t(plan + 1)}}, SCHEDULE_WEEKDAY()));
    }
    void init()
    {
        m_fixture->Clock().SetNow(kSunday);
        m_page = NewPage(2);
    }
    void cleanup() { m_page.reset(); }
    void cleanupTestCase() { m_fixture.reset(); }

    void rowsOfPlansOverdueAndManual()
    {
        m_page->ViewStartGroupDownLoad(0, 0, 10 * kMiB);
        QVERIFY(Label("label")->isHidden());
        m_page->ViewStartGroupDownLoad(0, 1, 20 * kMiB);
        m_page->ViewStartGroupDownLoad(MANUAL_GROUP_ID, 0, 30 * kMiB);
        QCOMPARE(Table()->GetTopRowCount(), 3);
        const QString names[] = {QStringLiteral("Plan 0"), QStringLiteral("*Plan 0"),
                                 QStringLiteral("Manual Backup")};
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(Cell(row, 0), QString::number(row + 1));
            QCOMPARE(Cell(row, 1), names[row]);
        }
        QVERIFY(!Label("label")->isHidden());
        QVERIFY(Text("label").endsWith(QStringLiteral(
            "The backup with <font color=red>red</font> schedule and channel name is overdue")));
        // Only the overdue list's plan and channel names are red.
        for (int row = 0; row < 3; ++row)
            m_page->ViewStartChannelDownLoad(row == 2 ? MANUAL_GROUP_ID : 0, row == 1 ? 1 : 0, 0, kMiB);
        const QVariant red = QColor(Qt::red);
        for (int row = 0; row < 3; ++row)
            for (const int column : {1, 3})
                QCOMPARE(Table()->GetItemData(row, column, Qt::ForegroundRole) == red, row == 1);

        // A percent is shown up to 100 and no further.
        for (const int percent : {55, 100, 101, -1})
            m_page->ViewGroupDownloadPos(0, 1, percent);
        QTRY_COMPARE(Bar(1, 2)->value(), 100);

        m_page->ClearStateTable();
        QCOMPARE(Table()->GetTopRowCount(), 0);
        QVERIFY(Label("label")->isHidden());
    }

    void channelFigures_data()
    {
        QTest::addColumn<long long>("total");
        QTest::addColumn<long long>("done");
        QTest::addColumn<QString>("totalText");
        QTest::addColumn<QString>("doneText");
        QTest::addColumn<int>("bar");
        QTest::newRow("1.5 MiB shows 1, more than all is capped and leaves the bar")
            << 1572864LL << 3000000LL << "1"
            << "1" << 0;
        QTest::newRow("all of it") << 5 * kMiB << 5 * kMiB << "5"
                                   << "5" << 100;
        QTest::newRow("nothing to fetch is done") << 0LL << 0LL << "0"
                                                  << "0" << 100;
    }
    void channelFigures()
    {
        QFETCH(long long, total);
        QFETCH(long long, done);
        m_page->ViewStartGroupDownLoad(1, 0, total);
        m_page->ViewStartChannelDownLoad(1, 0, 0, total);
        m_page->ViewChannelDownloadSize(1, 0, 0);
        m_page->ViewChannelDownloadSize(1, 0, done);
        QCOMPARE(Cell(0, 3), QStringLiteral("Gate_Camera 02")); // plan 1 holds channel 2
        QTEST(Cell(0, 6), "totalText");
        // The bar and the text are shown together, a moment after the report.
        QFETCH(QString, doneText);
        QTRY_COMPARE(Cell(0, 5), doneText);
        QTEST(Bar(0, 4)->value(), "bar");
    }

    // When a list moves to its next channel, the row shows that channel alone: its name and total, and no
    // figure, bar or file time of the channel before (a report of that channel may still wait to be shown),
    // until the new channel's own come.
    void channelSwitchShowsOneChannel()
    {
        QVERIFY(m_fixture->AddPlan(5, {{int16_t(m_device), 3}, {int16_t(m_device), 4}}, SCHEDULE_WEEKDAY()));
        m_page->ViewStartGroupDownLoad(5, 0, 104 * kMiB);
        m_page->ViewStartChannelDownLoad(5, 0, 0, 100 * kMiB);
        m_page->ViewStartFileDownLoad(5, 0, SdkTime(2024, 1, 6, 8, 0, 0), SdkTime(2024, 1, 6, 9, 0, 0));
        m_page->ViewChannelDownloadSize(5, 0, 69 * kMiB);
        QTRY_COMPARE(Cell(0, 5), QStringLiteral("69"));
        QCOMPARE(Cell(0, 7), QStringLiteral("2024-01-06 08:00:00"));
        m_page->ViewChannelDownloadSize(5, 0, 70 * kMiB); // not shown yet

        m_page->ViewStartChannelDownLoad(5, 0, 1, 4 * kMiB);
        const QStringList second = {Cell(0, 3), Cell(0, 5), Cell(0, 6), Cell(0, 7), Cell(0, 8)};
        QCOMPARE(second, (QStringList{QStringLiteral("Gate_Camera 04"), QString(), QStringLiteral("4"),
                                      QString(), QString()}));
        QCOMPARE(Bar(0, 4)->value(), 0);
        QTest::qWait(600); // the figures of the channel before never come back
        QCOMPARE(Cell(0, 5), QString());
        m_page->ViewChannelDownloadSize(5, 0, kMiB);
        QTRY_COMPARE(Cell(0, 5), QStringLiteral("1"));
        QCOMPARE(Bar(0, 4)->value(), 25);
    }

    // The slot is reached on an execute thread: the cells must be written by the page's thread, after the
    // worker has gone on; the stop time keeps its own day past midnight.
    void fileTimesFromWorker()
    {
        m_page->ViewStartGroupDownLoad(3, 1, kMiB);
        std::unique_ptr<QThread> worker(QThread::create([this] {
            for (int second = 0; second < 50; ++second)
                m_page->ViewStartFileDownLoad(3, 1, SdkTime(2024, 1, 4, 23, 59, second),
                                              SdkTime(2024, 1, 5, 0, 10, second));
        }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QCOMPARE(Cell(0, 7), QString());
        QTRY_COMPARE(Cell(0, 7), QStringLiteral("2024-01-04 23:59:49"));
        QCOMPARE(Cell(0, 8), QStringLiteral("2024-01-05 00:10:49"));
    }

    void removalRenumbers()
    {
        for (int plan = 0; plan < 4; ++plan)
            m_page->ViewStartGroupDownLoad(plan, 0, kMiB);
        m_page->ViewStartGroupDownLoad(0, 1, kMiB);
        // A day change removes both of the plan's lists.
        m_page->DelGroupView(0);
        QCOMPARE(Table()->GetTopRowCount(), 3);
        QCOMPARE(Cell(0, 1), QStringLiteral("Plan 1"));
        QCOMPARE(Cell(2, 0), QStringLiteral("3"));
        // A changed plan's overdue list goes by its name as it was, its list of today stays.
        m_page->ViewStartGroupDownLoad(2, 1, kMiB);
        GROUP_CHANGED changed;
        changed.GroupID = 2;
        qstrcpy(changed.GroupName, "Plan 2");
        m_page->DelARow(changed, 1);
        QCOMPARE(Table()->GetTopRowCount(), 3);
        QCOMPARE(Cell(1, 1), QStringLiteral("Plan 2"));
        QCOMPARE(Cell(2, 1), QStringLiteral("Plan 3"));
    }

    void badNumbersChangeNothing()
    {
        GROUP_CHANGED none; // plan -1
        const std::function<void()> calls[] = {
            [&] { m_page->ViewStartGroupDownLoad(-1, 0, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(0, 2, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(9, 0, kMiB); }, // a plan slot not in use
            [&] { m_page->ViewStartChannelDownLoad(1, 0, 0, kMiB); },
            [&] { m_page->ViewChannelDownloadSize(40, 0, kMiB); },
            [&] { m_page->DelARow(none, 0); },
            [&] { m_page->DelGroupView(40); },
            [&] { m_page->WriteTableEvent(0, 0, 1000, QStringLiteral("x")); },
            [&] { m_page->WriteTableEvent(-1, 0, m_device, QStringLiteral("x")); },
            [&] { m_page->WriteTableEvent(40, 0, m_device, QStringLiteral("x")); },
        };
        // Into an empty table, then beside a row of another plan.
        for (const bool withRow : {false, true}) {
            if (withRow)
                m_page->ViewStartGroupDownLoad(0, 0, kMiB);
            for (const auto& call : calls)
                call();
            QApplication::processEvents();
            QCOMPARE(Table()->GetTopRowCount(), withRow ? 1 : 0);
            QCOMPARE(Table("tableView_Event")->GetTopRowCount(), 0);
        }
        QCOMPARE(Cell(0, 1), QStringLiteral("Plan 0"));
        QCOMPARE(Cell(0, 3), QString());
    }

    void eventRows()
    {
        m_page->WriteTableEvent(0, 0, m_device, QStringLiteral("Skip Download Gate_Camera 01"));
        m_page->WriteTableEvent(MANUAL_GROUP_ID, 0, m_device, QStringLiteral("manual"));
        const QStringList first = {QStringLiteral("1"),
                                   QStringLiteral("2024-01-07 10:00:00"),
                                   QStringLiteral("Plan 0"),
                                   QStringLiteral("Sunday"),
                                   QStringLiteral("127.0.0.1"),
                                   QStringLiteral("Gate"),
                                   QStringLiteral("Skip Download Gate_Camera 01")};
        for (int column = 0; column < first.size(); ++column)
            QCOMPARE(Table("tableView_Event")->GetItemText(0, column), first[column]);
        const int widths[] = {40, 130, 120, 50, 100, 100};
        for (int column = 0; column < 6; ++column)
            QCOMPARE(Table("tableView_Event")->columnWidth(column), widths[column]);
        QCOMPARE(Table("tableView_Event")->GetItemText(1, 2), QStringLiteral("Manual Backup"));
        // The weekday follows the clock.
        m_fixture->Clock().SetNow(kSunday.addDays(1));
        m_page->WriteTableEvent(1, 1, m_device, QStringLiteral("next day"));
        QCOMPARE(Table("tableView_Event")->GetItemText(2, 2), QStringLiteral("*Plan 1"));
        QCOMPARE(Table("tableView_Event")->GetItemText(2, 3), QStringLiteral("Monday"));

        // Over weeks the table keeps exactly its 5,000 newest rows, the newest last, numbered from 1: up to
        // the 5,000th event nothing goes; each one after it takes the oldest row's place.
        CTableView* events = Table("tableView_Event");
        const auto details = [events](int row) { return events->GetItemText(row, 6); };
        for (int event = 4; event <= 5000; ++event)
            m_page->WriteTableEvent(0, 0, m_device, QString::number(event));
        QCOMPARE(events->GetTopRowCount(), 5000);
        QCOMPARE(details(0), QStringLiteral("Skip Download Gate_Camera 01"));
        QCOMPARE(details(4999), QStringLiteral("5000"));
        for (const int written : {5001, 5002}) {
            m_page->WriteTableEvent(0, 0, m_device, QString::number(written));
            QCOMPARE(events->GetTopRowCount(), 5000);
            QCOMPARE(details(4999), QString::number(written));
            QCOMPARE(details(0), written == 5001 ? QStringLiteral("manual") : QStringLiteral("next day"));
            QCOMPARE(details(1), written == 5001 ? QStringLiteral("next day") : QStringLiteral("4"));
            for (const int row : {0, 1, 4998, 4999})
                QCOMPARE(events->GetItemText(row, 0), QString::number(row + 1));
        }
    }

    // Each day of a week by its own name, Monday to Sunday.
    void weekdayNames()
    {
        const char* names[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        for (int day = 0; day < 7; ++day) {
            m_fixture->Clock().SetNow(kSunday.addDays(day + 1));
            m_page->WriteTableEvent(0, 0, m_device, QString());
            QCOMPARE(Table("tableView_Event")->GetItemText(day, 3), QLatin1String(names[day]));
        }
    }

    // A recorder that fails the same way at every try, its text holding a line break, a made-up row and an
    // escape sequence: its first row stays, written out, and one row below the newest counts the others, so
    // more repeats than the table holds never push an older event out. Another plan's event of the same text
    // is its own; the next day counts anew; a disk's text of thousands of characters is cut to its bound.
    void repeatedEventsAreCounted()
    {
        CTableView* events = Table("tableView_Event");
        const auto details = [events] {
            QStringList texts;
            for (int row = 0; row < events->GetTopRowCount(); ++row)
                texts << events->GetItemText(row, 6);
            return texts;
        };
        const QString refused =
            QStringLiteral("Reconnect Gate\n2024-01-07 10:00:00 Open Software\x1b[2J Failed");
        const QString shown =
            QStringLiteral("Reconnect Gate\\n2024-01-07 10:00:00 Open Software\\x1b[2J Failed");
        const QString before = QStringLiteral("before");
        m_page->WriteTableEvent(0, 0, m_device, before);
        for (int i = 0; i < 6000; ++i)
            m_page->WriteTableEvent(0, 0, m_device, refused);
        QCOMPARE(details(), (QStringList{before, shown, QStringLiteral("Repeated 5999 times: ") + shown}));

        m_page->WriteTableEvent(1, 0, m_device, refused);
        m_fixture->Clock().SetNow(kSunday.addSecs(60));
        m_page->WriteTableEvent(0, 0, m_device, refused);
        QCOMPARE(details(),
                 (QStringList{before, shown, shown, QStringLiteral("Repeated 6000 times: ") + shown}));
        QCOMPARE(events->GetItemText(3, 0), QStringLiteral("4"));
        QCOMPARE(events->GetItemText(3, 1), QStringLiteral("2024-01-07 10:01:00"));
        QCOMPARE(events->GetItemText(1, 1), QStringLiteral("2024-01-07 10:00:00"));

        m_fixture->Clock().SetNow(kSunday.addDays(1));
        m_page->WriteTableEvent(0, 0, m_device, refused);
        QCOMPARE(details().size(), 5);
        QCOMPARE(details().last(), shown);
        m_page->WriteTableEvent(-1, 0, -1, QString(4000, QLatin1Char('a')));
        QCOMPARE(details().last().size(), 512);
    }

    void dayTotals_data()
    {
        QTest::addColumn<QList<LIST_FIGURES>>("lists");
        QTest::addColumn<QStringList>("labels"); // total, done, percent, overdue total, done, percent
        QTest::addColumn<bool>("refresh");       // the one-second refresh ran between start and done
        QTest::addColumn<QList<int>>("bars");    // each list's bar, in the lists' order; empty: none shown
        const long long mb = kMiB;
        QTest::newRow("done capped at the total")
            << QList<LIST_FIGURES>{{0, 0, 300 * mb, 300}, {1, 0, 400 * mb, 500}, {2, 1, 200 * mb, 50}}
            << QStringList{"700MB", "700MB", "100%", "200MB", "50MB", "25%"} << true << QList<int>{};
        // 60,000,000 MB in all: 45,000,000 x 100 does not fit in 32 bits.
        QTest::newRow("beyond 43 TB")
            << QList<LIST_FIGURES>{{0, 0, 30000000 * mb, 30000000}, {1, 0, 30000000 * mb, 15000000}}
            << QStringList{"60000000MB", "45000000MB", "75%", "0MB", "0MB", "0%"} << true << QList<int>{};
        QTest::newRow("overdue done capped at its total")
            << QList<LIST_FIGURES>{{0, 0, 400 * mb, 100}, {2, 1, 200 * mb, 250}}
            << QStringList{"400MB", "100MB", "25%", "200MB", "200MB", "100%"} << true << QList<int>{};
        QTest::newRow("lists done within one refresh")
            << QList<LIST_FIGURES>{{0, 0, 100 * mb, 100}, {1, 1, 50 * mb, 50}}
            << QStringList{"100MB", "100MB", "100%", "50MB", "50MB", "100%"} << false << QList<int>{};
        // A list that gave a file up holds its own kind's figure below 100 % (its megabytes round to the
        // total's), and only its own: the other kind's lists, complete, show 100 %. Without bars on both
        // kinds at once, a figure held by the other kind's lists passed.
        QTest::newRow("overdue list gave a file up, current complete")
            << QList<LIST_FIGURES>{{0, 0, 100 * mb, 100}, {1, 1, 50 * mb, 50}}
            << QStringList{"100MB", "100MB", "100%", "50MB", "50MB", "99%"} << true << QList<int>{100, 97};
        QTest::newRow("current list gave a file up, overdue complete")
            << QList<LIST_FIGURES>{{0, 0, 100 * mb, 100}, {1, 1, 50 * mb, 50}}
            << QStringList{"100MB", "100MB", "99%", "50MB", "50MB", "100%"} << true << QList<int>{97, 100};
    }
    void dayTotals()
    {
        QFETCH(QList<LIST_FIGURES>, lists);
        QFETCH(QStringList, labels);
        QFETCH(bool, refresh);
        QFETCH(QList<int>, bars);
        for (const LIST_FIGURES& list : lists)
            m_page->ViewStartGroupDownLoad(list.plan, list.isPast, list.total);
        if (refresh)
            m_page->dataUpdate();
        for (qsizetype i = 0; i < bars.size() && i < lists.size(); ++i)
            m_page->ViewGroupDownloadPos(lists.at(i).plan, lists.at(i).isPast, bars.at(i));
        for (const LIST_FIGURES& list : lists)
            m_page->SetDayDownLoad(list.doneMegabytes, list.plan, list.isPast);
        const char* names[] = {"label_total",        "label_already",        "label_percent",
                               "label_overdueTotal", "label_overdueAlready", "label_overduePercent"};
        for (int i = 0; i < 6; ++i)
            QTRY_COMPARE(Text(names[i]), labels[i]);
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
        m_fixture->Clock().SetNow(kSunday.addSecs(86399));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("23:59:59"));
        m_fixture->Clock().SetNow(kSunday.addSecs(86400 + 10));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("00:00:10"));
        m_page->DecDownLoadNum();
        m_page->DecDownLoadNum(); // a finish without a start does not count below 0
        QCOMPARE(Text("label_count"), QStringLiteral("0"));
        m_page->dataUpdate();
        QCOMPARE(Text("label_time"), QStringLiteral("00:00:00"));
    }

    void storedModeChoosesTheSubPage()
    {
        // Any other stored value is idle.
        for (const auto& [stored, page] : {std::pair{0, 0}, {1, 1}, {2, 2}, {7, 2}}) {
            m_page = NewPage(stored);
            QCOMPARE(m_page->findChild<QStackedWidget*>()->currentIndex(), page);
            QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), page);
        }
    }

    void fileTypeNames()
    {
        const std::pair<int, const char*> names[] = {{0, "All"},   {1, "Schedule"}, {2, "Motion Detection"},
                                                     {3, "Alarm"}, {4, "All"},      {8, "Manual Record"},
                                                     {9, "All"}};
        for (const auto& [type, name] : names)
            QCOMPARE(GetFileTypeName(type), QLatin1String(name));
    }

    void manualDetails()
    {
        MANUAL_BACKUP_INFO manual;
        manual.FileStartTime = SdkTime(2024, 1, 3, 8, 0, 0);
        manual.FileEndTime = SdkTime(2024, 1, 4, 9, 30, 15);
        manual.FileType = 8;
        manual.Channel[0] = {int16_t(m_device), 2};
        manual.Channel[1] = {int16_t(m_device), 0}; // no channel 0: left out
        manual.Channel[2] = {700, 3};               // its recorder was deleted: shown without a name
        g_pSysInfoManage->SetManualBackupInfo(&manual);

        m_page->ShowManualDetail();
        QCOMPARE(m_page->findChild<QStackedWidget*>()->currentIndex(), 1);
        QCOMPARE(Text("label_mStart"), QStringLiteral("2024-01-03 08:00:00"));
        QCOMPARE(Text("label_mEnd"), QStringLiteral("2024-01-04 09:30:15"));
        QCOMPARE(Text("label_mType"), QStringLiteral("Manual Record"));
        const auto* list = m_page->findChild<QListWidget*>(QStringLiteral("m_listWidget"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), g_pSysInfoManage->GetChannelName(MANUAL_GROUP_ID, 0));
        QVERIFY(!list->item(0)->text().isEmpty());
        QCOMPARE(list->item(1)->text(), QString());
        g_pSysInfoManage->ClearManualBackupInfo();
    }
};

VARROW_TEST_MAIN(TestStatePage, QApplication)
#include "tst_gui_statepage.moc"

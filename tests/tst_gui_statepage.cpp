// The state page's form and state table, fed by calling its progress slots as the execute threads' signals
// would: which rows appear and in what colour, the figures a report shows, that a bad plan number or a lost
// row changes nothing, and that the file times sent from a worker thread are written on the page's thread.

#include "engine/EngineCommon.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <QTranslator>

#include <functional>
#include <memory>

namespace {

constexpr long long kMiB = 1024 * 1024;

// A Chinese legend without the letters "red", as a translation would give it.
class CChineseLegend : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (QLatin1String(context) == QLatin1String("ViewStateClass") &&
            QLatin1String(source) ==
                QLatin1String("The backup with red schedule and channel name is overdue"))
            return QStringLiteral("红色计划名称和通道名称的备份为过期备份");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestStatePage : public QObject
{
    Q_OBJECT

private:
    CTableView* Table() const { return m_page->findChild<CTableView*>(QStringLiteral("tableView_State")); }
    QString Cell(int row, int column) const { return Table()->GetItemText(row, column); }
    QProgressBar* Bar(int row, int column) const
    {
        return qobject_cast<QProgressBar*>(Table()->GetItemWidget(row, column));
    }
    QLabel* Label(const char* name) const { return m_page->findChild<QLabel*>(QLatin1String(name)); }
    bool Shows(const char* button, const char* picture) const
    {
        return m_page->findChild<QPushButton*>(QLatin1String(button))
            ->styleSheet()
            .contains(QLatin1String(picture));
    }
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
        m_fixture = std::make_unique<CEngineFixture>(QDateTime(QDate(2024, 1, 5), QTime(23, 0)), 1e-9);
        m_device = m_fixture->AddDevice(CSimRecorders::MakeConfig(4, {}, QDate(2024, 1, 5)), "Gate");
        QVERIFY(m_device >= 0);
        for (int plan = 0; plan < 4; ++plan)
            QVERIFY(m_fixture->AddPlan(plan, {{int16_t(m_device), int16_t(plan + 1)}}, SCHEDULE_WEEKDAY()));
    }
    void init() { m_page = NewPage(2); }
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
            const QVariant colour = Table()->GetItemData(row, 1, Qt::ForegroundRole);
            QCOMPARE(colour.isValid() && colour.value<QColor>() == QColor(255, 0, 0), row == 1);
        }
        QVERIFY(!Label("label")->isHidden());

        m_page->ViewGroupDownloadPos(0, 1, 55);
        m_page->ViewGroupDownloadPos(0, 1, 150);
        QTRY_COMPARE(Bar(1, 2)->value(), 55);
        // A second run of the same list keeps its row and number and starts with empty bars.
        QProgressBar* old = Bar(1, 2);
        m_page->ViewStartGroupDownLoad(0, 1, 20 * kMiB);
        QCOMPARE(Table()->GetTopRowCount(), 3);
        QCOMPARE(Cell(1, 0), QStringLiteral("2"));
        QVERIFY(Bar(1, 2) != old);
        QCOMPARE(Bar(1, 2)->value(), Bar(1, 2)->minimum() - 1);

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
        QTest::newRow("half") << 10 * kMiB << 5 * kMiB << "10"
                              << "5" << 50;
        QTest::newRow("1.5 MiB shows 1, more than all is capped and leaves the bar")
            << 1572864LL << 3000000LL << "1"
            << "1" << 0;
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
        QCOMPARE(Cell(0, 3), g_pSysInfoManage->GetChannelName(1, 0));
        QVERIFY(!Cell(0, 3).isEmpty());
        QTEST(Cell(0, 6), "totalText");
        // The bar and the text are shown together, a moment after the report.
        QFETCH(QString, doneText);
        QTRY_COMPARE(Cell(0, 5), doneText);
        QTEST(Bar(0, 4)->value(), "bar");
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
        GROUP_CHANGED changed;
        changed.GroupID = 1;
        qstrcpy(changed.GroupName, "Plan 1");
        m_page->DelARow(changed, 0);
        QCOMPARE(Table()->GetTopRowCount(), 4);
        QCOMPARE(Cell(1, 1), QStringLiteral("Plan 2"));
        for (int row = 0; row < 4; ++row)
            QCOMPARE(Cell(row, 0), QString::number(row + 1));
        // A day change removes both of the plan's lists.
        m_page->DelGroupView(0);
        QCOMPARE(Table()->GetTopRowCount(), 2);
        QCOMPARE(Cell(0, 1), QStringLiteral("Plan 2"));
        QCOMPARE(Cell(1, 0), QStringLiteral("2"));
    }

    void badPlansAndLostRowsChangeNothing()
    {
        GROUP_CHANGED none; // plan -1
        const std::function<void()> calls[] = {
            [&] { m_page->ViewStartGroupDownLoad(-1, 0, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(40, 1, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(MANUAL_GROUP_ID, 1, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(0, 2, kMiB); },
            [&] { m_page->ViewStartGroupDownLoad(9, 0, kMiB); }, // a plan slot not in use
            [&] { m_page->ViewStartChannelDownLoad(1, 0, 0, kMiB); },
            [&] { m_page->ViewChannelDownloadSize(40, 0, kMiB); },
            [&] { m_page->ViewGroupDownloadPos(-1, 0, 10); },
            [&] { m_page->DelARow(none, 0); },
            [&] { m_page->DelGroupView(-1); },
            [&] { m_page->DelGroupView(40); },
            [&] { m_page->SetDayDownLoad(5, -1, 0); },
            [&] { m_page->SetDayDownLoad(5, 40, 1); },
        };
        // Into an empty table, then beside a row of another plan.
        for (const bool withRow : {false, true}) {
            if (withRow)
                m_page->ViewStartGroupDownLoad(0, 0, kMiB);
            for (const auto& call : calls)
                call();
            QApplication::processEvents();
            QCOMPARE(Table()->GetTopRowCount(), withRow ? 1 : 0);
        }
        QCOMPARE(Cell(0, 1), QStringLiteral("Plan 0"));
        QCOMPARE(Cell(0, 3), QString());
    }

    void storedModeChoosesTheSubPage()
    {
        // Any other stored value is idle.
        for (const auto& [stored, page] : {std::pair{0, 0}, {1, 1}, {2, 2}, {7, 2}}) {
            m_page = NewPage(stored);
            QCOMPARE(m_page->findChild<QStackedWidget*>()->currentIndex(), page);
            QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), page);
        }
        // Neither mode runs: both buttons show their start pictures and the stored mode is idle.
        m_page->UpdateButtonStyle();
        QVERIFY(Shows("pBtnAuto", "auto_copy_start.png") && Shows("pBtnManual", "manual_copy_start.png"));
        QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), 2);
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
        m_page->ViewStartGroupDownLoad(0, 1, kMiB);

        m_page->ShowManualDetail();
        QCOMPARE(m_page->findChild<QStackedWidget*>()->currentIndex(), 1);
        QCOMPARE(Label("label_mStart")->text(), QStringLiteral("2024-01-03 08:00:00"));
        QCOMPARE(Label("label_mEnd")->text(), QStringLiteral("2024-01-04 09:30:15"));
        QCOMPARE(Label("label_mType")->text(), QStringLiteral("Manual Record"));
        QCOMPARE(Table()->GetTopRowCount(), 0);
        const auto* list = m_page->findChild<QListWidget*>(QStringLiteral("m_listWidget"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), g_pSysInfoManage->GetChannelName(MANUAL_GROUP_ID, 0));
        QVERIFY(!list->item(0)->text().isEmpty());
        QCOMPARE(list->item(1)->text(), QString());
        QVERIFY(!list->item(1)->icon().isNull());
        m_page->UpdateButtonStyle();
        QVERIFY(Shows("pBtnManual", "manual_copy_stop.png"));
        QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), 1);
        g_pSysInfoManage->ClearManualBackupInfo();
    }

    void unknownFileTypesShowAll()
    {
        // 255 is the record's default; type 8 is shown in manualDetails.
        for (int type : {0, 4, 255})
            QCOMPARE(GetFileTypeName(type), QStringLiteral("All"));
    }

    void legendInBothLanguages()
    {
        QVERIFY(Label("label")->text().endsWith(QStringLiteral(
            "The backup with <font color=red>red</font> schedule and channel name is overdue")));
        CChineseLegend chinese;
        QCoreApplication::installTranslator(&chinese);
        m_page = NewPage(2);
        QCoreApplication::removeTranslator(&chinese);
        QVERIFY(Label("label")->text().endsWith(QStringLiteral("红色计划名称和通道名称的备份为过期备份")));
    }
};

VARROW_TEST_MAIN(TestStatePage, QApplication)
#include "tst_gui_statepage.moc"

// Settings saved while backups run, through the program's own windows: the main window, its settings dialog
// with the device page and the add/modify dialog, and the state page running the real engine against
// simulated recorders, real storage and database, on a scaled clock.

#include "app/CVarrow.h"
#include "storage/CreateStorage.h"
#include "storage/StorageEvents.h"
#include "config/CDlgSet.h"
#include "config/devices/CDlgAddDevice.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "tests/support/gui/TableClicks.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>

#include <cstring>
#include <functional>

namespace {

using TestSupport::ClickTick;

const QDate kSunday(2024, 3, 3);
const QDate kMonday(2024, 3, 4);
// Just before Monday's 18:00 window; a clock second lasts ten real milliseconds.
const QDateTime kStart(kMonday, QTime(17, 59, 58));
constexpr double kScale = 100.0;
constexpr qint64 kFile = 1572864; // 1.5 MB
constexpr int kLimitMs = 60000;   // a hang guard only

// A plan as the plan page writes it, so that the page finds nothing of its own to save.
bool AddPlan(CEngineFixture& f, int index, std::initializer_list<CHANNEL_REF> channels)
{
    if (!f.AddPlan(index, channels, CEngineFixture::Evening()))
        return false;
    GROUP_INFO plan = *f.Model().GetGroupInfo(index);
    for (int day = 0; day < int(std::size(plan.Schedule)); ++day) {
        plan.Schedule[day].Weekday = int16_t(day);
        plan.Schedule[day].GroupID = int16_t(index);
    }
    return f.Model().SetGroupInfo(&plan, index);
}

// Every file of the list marked done has its byte-exact copy from the channel its task names; with `all`,
// every listed file is done.
bool Stored(CEngineFixture& f, int group, bool all = true)
{
    const QList<TASK_INFO> list = StoredTasks(group);
    const CHANNEL_REF* refs = group == MANUAL_GROUP_ID ? f.Model().GetManualBackupInfo()->Channel
                                                       : f.Model().GetGroupInfo(group)->Channel;
    for (const TASK_INFO& task : list) {
        const CHANNEL_REF ref = refs[task.CameraIndex];
        for (const FILE_INFO& file : task.FileList) {
            const bool done = file.DownloadState == DOWNLOAD_DONE;
            if (done ? ref.IsEmpty() || !f.StoredCopyMatches(ref.DeviceID, ref.CameraIndex,
                                                             file.FileStartTime, file.FileStopTime)
                     : all)
                return false;
        }
    }
    return !all || !list.isEmpty();
}

// Answers every box until the driver is cleared: a busy box passes by itself, a dialog of a class in `work`
// gets its work (queued, so it runs inside the dialog's own loop), every other box is accepted.
void AnswerAll(CModalDriver& driver, const QMap<QString, std::function<void(QWidget*)>>& work)
{
    driver.Answer([&driver, work](QWidget* box) {
        AnswerAll(driver, work);
        const QString name = QString::fromLatin1(box->metaObject()->className());
        if (qobject_cast<ChaseDialog*>(box) != nullptr)
            return;
        if (work.contains(name)) {
            QMetaObject::invokeMethod(
                box, [box, fn = work.value(name)] { fn(box); }, Qt::QueuedConnection);
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->accept();
    });
}

// Selects the device page's row of the recorder `name`; false when there is none.
bool SelectDevice(QWidget* settings, const QString& name)
{
    auto* table = settings->findChild<CTableView*>(QStringLiteral("m_pTableViewDevice"));
    for (int row = 0; row < table->GetRowCount(); ++row) {
        if (table->GetItemText(row, 1) != name)
            continue;
        table->selectionModel()->setCurrentIndex(
            table->model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    return false;
}

void ClickButton(QWidget* root, const char* name)
{
    auto* button = root->findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(button != nullptr && button->isEnabled(), name);
    button->click();
}

QString Text(QWidget* page, const char* label)
{
    return page->findChild<QLabel*>(QLatin1String(label))->text();
}

} // namespace

class TestSettingsRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsDialogReachesTheStatePage_data();
    void settingsDialogReachesTheStatePage();
    void recordersChangedWhileManualAndPlannedBackupsRun();
    void deleteTheDatabaseRefusesLeavesTheManualBackupAsItWas();
    void diskChosenAgainIsSetUp();

private:
    // The main window over the fixture's model, once its state page has made its engine threads.
    static std::unique_ptr<CVarrow> OpenWindow(CViewState** page)
    {
        auto window = std::make_unique<CVarrow>();
        window->show();
        *page = window->findChild<CViewState*>();
        if (*page == nullptr ||
            !QTest::qWaitFor([&] { return (*page)->m_pControlThread[0] != nullptr; }, kLimitMs))
            return nullptr;
        return window;
    }
};

void TestSettingsRun::settingsDialogReachesTheStatePage_data()
{
    QTest::addColumn<QString>("signal");
    for (const char* signal :
         {"StopThread", "UpdateGroup", "DiskChanged", "BackupModeChanged", "ManualDeviceChanged"})
        QTest::newRow(signal) << QString::fromLatin1(signal);
}

// Each of the settings dialog's signals that the main window connects reaches the state page while the
// dialog is open: a plan's kept list is emptied, the storage is set up anew, the manual backup restarts.
void TestSettingsRun::settingsDialogReachesTheStatePage()
{
    QFETCH(QString, signal);
    CEngineFixture f(kStart, kScale);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {kFile}, kSunday, 3), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    // A plan that has run (its list kept, its row shown), a manual backup with nothing to fetch that stays
    // the mode, or idle.
    const bool plans = signal == QLatin1String("StopThread") || signal == QLatin1String("UpdateGroup");
    const bool manual = signal == QLatin1String("ManualDeviceChanged");
    QVERIFY(AddPlan(f, 0, {{int16_t(device), 1}}));
    f.SetManual(kSunday, {});
    f.Model().SetBackupMode(plans ? 0 : manual ? 1 : 2);

    CModalDriver driver;
    CViewState* page = nullptr;
    std::unique_ptr<CVarrow> window = OpenWindow(&page);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(!manual || !page->m_pManualBackup->isRunning(), kLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!plans ||
                                 (DoneFiles(StoredTasks(0)) == 1 && page->m_pStateModel->rowCount() == 1 &&
                                  !page->m_pExecuteThread[0]->isRunning()),
                             kLimitMs);
    const std::weak_ptr<CStowelineClass> storage = GetStoweline();
    const int manualStarts = CEngineFixture::LogRows(QStringLiteral("Start Manual BackUp"));
    int rows = -1;
    bool emptied = false;
    GROUP_CHANGED plan0;
    plan0.GroupID = 0;
    std::strcpy(plan0.GroupName, "Plan 0");
    bool emitted = false;
    AnswerAll(driver, {{QStringLiteral("CDlgSet"), [&](QWidget* box) {
                            auto* settings = qobject_cast<CDlgSet*>(box);
                            if (signal == QLatin1String("StopThread"))
                                Q_EMIT settings->StopThread({0});
                            else if (signal == QLatin1String("UpdateGroup"))
                                Q_EMIT settings->UpdateGroup({plan0});
                            else if (signal == QLatin1String("DiskChanged"))
                                Q_EMIT settings->DiskChanged();
                            else if (signal == QLatin1String("BackupModeChanged"))
                                Q_EMIT settings->BackupModeChanged(0);
                            else
                                Q_EMIT settings->ManualDeviceChanged();
                            // Seen inside the emit, before a restarted plan shows anything again.
                            rows = page->m_pStateModel->rowCount();
                            {
                                // A restarted plan's task writer may be filling the list already.
                                QMutexLocker lock(&f.Model().TaskMutex(0, 0));
                                emptied = StoredTasks(0).isEmpty() && f.Model().TaskList(0, 0).isEmpty();
                            }
                            emitted = true;
                            settings->reject();
                        }}});
    ClickButton(window.get(), "pBtnConfig");
    QVERIFY(emitted);
    driver.Clear();
    // A plan stopped keeps its row; one restarted loses it until it starts again.
    if (plans)
        QVERIFY(emptied && rows == (signal == QLatin1String("StopThread") ? 1 : 0));
    else if (manual)
        QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Start Manual BackUp")), manualStarts + 1);
    else
        QVERIFY(GetStoweline() && storage.expired());
    window.reset();
    QVERIFY(f.Recorders().WaitForIdle());
}

// A manual backup runs over [Gate 1, Yard 1, Gate 2] and hands over to automatic backup when done; plans 0
// [Gate 3] and 1 [Yard 2, Gate 4] wait for it. Meanwhile the operator deletes Yard, renames Gate, switches
// the full-disk behaviour and saves.
void TestSettingsRun::recordersChangedWhileManualAndPlannedBackupsRun()
{
    CEngineFixture f(kStart, kScale);
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(4, {kFile}, kSunday, 51), "Gate");
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(2, {kFile}, kSunday, 53), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    f.Recorder(gate).SetRate(1024 * 1024);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(AddPlan(f, 0, {{int16_t(gate), 3}}));
    QVERIFY(AddPlan(f, 1, {{int16_t(yard), 2}, {int16_t(gate), 4}}));
    f.SetManual(kSunday, {{int16_t(gate), 1}, {int16_t(yard), 1}, {int16_t(gate), 2}}, 1);
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    CViewState* page = nullptr;
    std::unique_ptr<CVarrow> window = OpenWindow(&page);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(f.Recorder(gate).Counters().Playbacks > 0, kLimitMs);

    // Every restart the settings announce, plan by plan, in order.
    QList<QList<int>> restarts;
    bool saved = false;
    AnswerAll(
        driver,
        {{QStringLiteral("CDlgSet"),
          [&](QWidget* settings) {
              if (saved)
                  return; // met again beneath a box that closed
              saved = true;
              QObject::connect(qobject_cast<CDlgSet*>(settings), &CDlgSet::UpdateGroup,
                               [&restarts](std::vector<GROUP_CHANGED> plans) {
                                   QList<int> ids;
                                   for (const GROUP_CHANGED& plan : plans)
                                       ids << plan.GroupID;
                                   restarts << ids;
                               });
              ClickButton(settings, "pBtnDevice");
              QVERIFY(SelectDevice(settings, QStringLiteral("Yard")));
              ClickButton(settings, "m_pBtnDeleteDevice");
              QVERIFY(SelectDevice(settings, QStringLiteral("Gate")));
              ClickButton(settings, "m_pBtnModifyDevice");
              ClickButton(settings, "pBtnGeneral");
              ClickButton(settings, "m_pRadioBtnStop");
              ClickButton(settings, "pOkBtn");
          }},
         {QStringLiteral("CDlgAddDevice"), [](QWidget* dialog) {
              dialog->findChild<QLineEdit*>(QStringLiteral("m_plineEditDeviceName"))->setText("Gate North");
              ClickButton(dialog, "pOkBtn");
          }}});
    ClickButton(window.get(), "pBtnConfig");
    QVERIFY(saved);
    QCOMPARE(f.Model().GetDeviceIndexByName("Yard"), -1);
    QCOMPARE(f.Model().GetDeviceIndexByName("Gate North"), gate);

    // Each change restarts the plans it touched once: the delete plan 1, the new name plans 0 and 1.
    QCOMPARE(restarts, (QList<QList<int>>{{1}, {0, 1}}));
    // The new name kept Gate's channels in the manual backup; Yard's left it.
    const CHANNEL_REF* manual = f.Model().GetManualBackupInfo()->Channel;
    QVERIFY(manual[0].DeviceID == gate && manual[0].CameraIndex == 1 && manual[1].DeviceID == gate &&
            manual[1].CameraIndex == 2 && manual[2].IsEmpty());

    // The manual list worked through hands over to automatic backup, whose plans then fetch their lists.
    QTRY_VERIFY_WITH_TIMEOUT(page->m_bAuto, kLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(Stored(f, 0) && Stored(f, 1) && !page->m_pExecuteThread[0]->isRunning() &&
                                 !page->m_pExecuteThread[1]->isRunning(),
                             kLimitMs);
    QVERIFY(Stored(f, MANUAL_GROUP_ID));
    QCOMPARE(StoredTasks(MANUAL_GROUP_ID).size(), 2);
    QCOMPARE(DoneFiles(StoredTasks(0)) + DoneFiles(StoredTasks(1)), 2);

    // The rows and the day's figures end complete.
    QTRY_COMPARE_WITH_TIMEOUT(Text(page, "label_percent"), QStringLiteral("100%"), kLimitMs);
    QCOMPARE(Text(page, "label_total"), QStringLiteral("2MB"));
    QCOMPARE(Text(page, "label_already"), QStringLiteral("2MB"));
    QCOMPARE(page->m_pStateModel->rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        QCOMPARE(page->m_pStateModel->index(row, 5).data().toString(),
                 page->m_pStateModel->index(row, 6).data().toString());
    window.reset();
    QVERIFY(f.Recorders().WaitForIdle());
}

// A manual backup runs over [Gate 1, Yard 1, Gate 2]; the operator deletes Yard, and the database refuses
// it. The manual backup goes on exactly as it was: Yard's channel stays in it, and its task is fetched.
void TestSettingsRun::deleteTheDatabaseRefusesLeavesTheManualBackupAsItWas()
{
    CEngineFixture f(kStart, kScale);
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(2, {kFile}, kSunday, 61), "Gate");
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(1, {kFile}, kSunday, 63), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    f.Recorder(gate).SetRate(1024 * 1024);
    QCOMPARE(f.SetUpStorage(), 0);
    f.SetManual(kSunday, {{int16_t(gate), 1}, {int16_t(yard), 1}, {int16_t(gate), 2}}, 0);
    f.Model().SetBackupMode(1);
    const MANUAL_BACKUP_INFO before = *f.Model().GetManualBackupInfo();

    CModalDriver driver;
    CViewState* page = nullptr;
    std::unique_ptr<CVarrow> window = OpenWindow(&page);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(f.Recorder(gate).Counters().Playbacks > 0, kLimitMs);
    QCOMPARE(StoredTasks(MANUAL_GROUP_ID).size(), 3);
    // The database refuses to delete a recorder, as a full system disk or a locked file would.
    QVERIFY(GetMainDB().Exec("CREATE TRIGGER RefuseDelete BEFORE DELETE ON Device_Table BEGIN "
                             "SELECT RAISE(ABORT, 'refused'); END;"));

    bool done = false;
    QString refusal;
    bool runStoppedWhenAsked = false;
    AnswerAll(driver, {{QStringLiteral("CDlgSet"), [&](QWidget* settings) {
                            if (done)
                                return;
                            done = true;
                            // Whatever the model is asked, the manual run has stopped before.
                            QObject::connect(qobject_cast<CDlgSet*>(settings), &CDlgSet::StopThread,
                                             [&] { runStoppedWhenAsked = !page->m_pManualBackup; });
                            ClickButton(settings, "pBtnDevice");
                            QVERIFY(SelectDevice(settings, QStringLiteral("Yard")));
                            ClickButton(settings, "m_pBtnDeleteDevice");
                            for (const MODAL_SEEN& box : driver.Seen())
                                if (box.Text().contains(QStringLiteral("failed")))
                                    refusal = box.Text();
                            qobject_cast<QDialog*>(settings)->reject();
                        }}});
    ClickButton(window.get(), "pBtnConfig");
    driver.Clear();
    QVERIFY(done);
    QCOMPARE(refusal, QStringLiteral("Delete device failed."));
    QVERIFY(runStoppedWhenAsked);
    QCOMPARE(f.Model().GetDeviceIndexByName("Yard"), yard);
    // The record as it was, in memory and stored.
    for (const MANUAL_BACKUP_INFO& manual : {*f.Model().GetManualBackupInfo(), [] {
                                                 MANUAL_BACKUP_INFO stored;
                                                 DbSelectManualBackupInfo(&stored);
                                                 return stored;
                                             }()}) {
        for (int slot = 0; slot < 4; ++slot)
            QVERIFY(manual.Channel[slot].DeviceID == before.Channel[slot].DeviceID &&
                    manual.Channel[slot].CameraIndex == before.Channel[slot].CameraIndex);
    }
    // The run goes on with its list, every task on its own channel, and ends complete.
    QTRY_VERIFY_WITH_TIMEOUT(
        !page->m_pManualTimer && page->m_pManualBackup && !page->m_pManualBackup->isRunning(), kLimitMs);
    QCOMPARE(StoredTasks(MANUAL_GROUP_ID).size(), 3);
    QVERIFY(Stored(f, MANUAL_GROUP_ID));
    QCOMPARE(f.StoredFiles(yard, 1).size(), 1);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Manual BackUp Completed")), 1);
    window.reset();
    QVERIFY(f.Recorders().WaitForIdle());
}

// Between two runs another folder was put at the disk's folder (the station's own moved away): the disk is
// waited for and said, nothing is written there. The operator unticks the disk in the disk settings, ticks
// it again and presses OK: the folder found there is taken as the disk, said, and the plan's records are
// written into it.
void TestSettingsRun::diskChosenAgainIsSetUp()
{
    CEngineFixture f(kStart, kScale);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(1, {kFile}, kSunday, 71), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(AddPlan(f, 0, {{int16_t(device), 1}}));
    f.Model().SetBackupMode(0);
    ReleaseStorage();
    const QString disk = f.DiskPath();
    const QString moved = disk + QStringLiteral(".moved");
    QVERIFY(QDir().rename(disk, moved) && QDir().mkpath(disk));
    const auto removeMoved = qScopeGuard([moved] { QDir(moved).removeRecursively(); });

    QSignalSpy events(&CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent);
    CModalDriver driver;
    bool chosen = false;
    AnswerAll(driver, {{QStringLiteral("CDlgSet"), [&](QWidget* settings) {
                            if (chosen)
                                return; // met again beneath a box that closed
                            chosen = true;
                            auto* view = settings->findChild<CTableView*>(QStringLiteral("m_ptreeViewDisk"));
                            QVERIFY(ClickTick(view, 'D'));
                            QVERIFY(ClickTick(view, 'D'));
                            ClickButton(settings, "pOkBtn");
                        }}});
    CViewState* page = nullptr;
    std::unique_ptr<CVarrow> window = OpenWindow(&page);
    QVERIFY(window);
    const QString said =
        QStringLiteral(
            "Disk D: the folder %1 is not the disk that was set up there (it holds no Records "
            "folder with the mark of that disk); it is neither written nor searched until that disk "
            "is back, or the disk is chosen again in the disk settings. To use this folder as the "
            "disk instead, untick the disk in the disk settings, tick it again and press OK.")
            .arg(disk);
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::LogRowsOf(said), 1, kLimitMs);
    // The log row is cut; the event row and the state page's cause say it whole.
    QCOMPARE(events.count(QVariantList{said}), 1);
    QCOMPARE(StorageFailureCause(), said);
    QVERIFY(!GetStoweline());
    QCOMPARE(FilesUnder(disk), QStringList());
    const QString taken = QStringLiteral("Disk D: the folder %1 is taken as the disk, as it was chosen again "
                                         "in the disk settings.")
                              .arg(disk);
    QCOMPARE(TestSupport::LogRowsOf(taken), 0);

    ClickButton(window.get(), "pBtnConfig");
    QVERIFY(chosen);
    QCOMPARE(TestSupport::LogRowsOf(taken, LOG_SUB_CONFIG_DISK), 1);
    QCOMPARE(events.count(QVariantList{taken}), 1);
    QVERIFY(GetStoweline());
    QTRY_VERIFY_WITH_TIMEOUT(DoneFiles(StoredTasks(0)) == 1 && Stored(f, 0), kLimitMs);
    const QStringList stored = f.StoredFiles(device, 1);
    QCOMPARE(stored.size(), 1);
    QVERIFY2(stored.first().startsWith(disk + QStringLiteral("/Records/")), qPrintable(stored.first()));
    driver.Clear();
    window.reset();
    QVERIFY(f.Recorders().WaitForIdle());
    // Said once: the set-ups of the settings and of the retries do not say it again.
    QCOMPARE(TestSupport::LogRowsOf(taken), 1);
}

VARROW_TEST_MAIN(TestSettingsRun, QApplication)
#include "tst_gui_settingsrun.moc"

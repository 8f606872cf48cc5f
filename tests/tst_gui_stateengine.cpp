// The state page driving the real engine (simulated recorders, real storage and database, a scaled clock):
// backup from the stored mode and the page's buttons, the full disk, new disks, quick restarts and the page's
// end; and the manual backup dialog, whose refusals must store nothing that would start a backup unconfirmed.

#include "config/pickers/CDlgManualBackup.h"
#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/LogText.h"
#include "model/TaskStore.h"
#include "model/LogStore.h"
#include "model/DbAccess.h"
#include "pages/state/CViewState.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDirIterator>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QDate kSunday(2024, 3, 3);
const QDate kMonday(2024, 3, 4);
// Two seconds before Monday's 18:00 window; a clock second lasts ten real milliseconds, so the six-hour
// window stays open for more than three real minutes.
const QDateTime kStart(kMonday, QTime(17, 59, 58));
constexpr double kScale = 100.0;
constexpr qint64 kFile = 1572864; // 1.5 MB: two of them make a 3 MB list
// A hang guard only: each wait takes a second or so, and a fault must fail its test in seconds.
const int kLimitMs = TestSupport::Bound(15000);

int StoredMode()
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    return int16_t(config.BackupMode);
}

// A busy box the driver meets where another box was wanted: ended, so that the test fails rather than hangs.
void ExpectBusyBox(QWidget* window)
{
    if (qobject_cast<ChaseDialog*>(window) != nullptr)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    QFAIL(qPrintable(
        QStringLiteral("a busy box was expected, not \"%1\"").arg(CModalDriver::Describe(window).Text())));
}

// Accepts the next box that is not a busy box: a busy box ends by itself when its work is done, and a list
// being built may show one at any moment.
void AcceptNextBox(CModalDriver& driver)
{
    driver.Answer([&driver](QWidget* window) {
        if (qobject_cast<ChaseDialog*>(window) != nullptr) {
            AcceptNextBox(driver);
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->accept();
    });
}

// A recorder with one recording of `size` bytes per channel on Sunday, and the storage; -1 when either could
// not start.
int AddRecorder(CEngineFixture& f, int channels, qint64 size, quint64 seed, qint64 rate = 0, int diskMode = 0,
                qint64 quota = -1)
{
    const int device = f.AddDevice(CSimRecorders::MakeConfig(channels, {size}, kSunday, seed), "Gate");
    if (device >= 0)
        f.Recorder(device).SetRate(rate);
    return device >= 0 && f.SetUpStorage(diskMode, quota) == 0 ? device : -1;
}

// The manual backup of Sunday's recordings of the device's channels, in that order.
void SetManual(CEngineFixture& f, int device, std::initializer_list<int> channels, int isChange)
{
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SdkTime(2024, 3, 3, 0, 0, 0);
    manual.FileEndTime = SdkTime(2024, 3, 3, 23, 59, 59);
    manual.FileType = 0;
    manual.IsChange = uint8_t(isChange);
    int slot = 0;
    for (int channel : channels)
        manual.Channel[slot++] = {int16_t(device), int16_t(channel)};
    f.Model().SetManualBackupInfo(&manual);
}

// The manual backup of Sunday's recordings of the channels (device slot, channel), in that order.
void SetManualRefs(CEngineFixture& f, std::initializer_list<CHANNEL_REF> channels)
{
    SetManual(f, -1, {}, 0);
    MANUAL_BACKUP_INFO manual = *f.Model().GetManualBackupInfo();
    std::copy(channels.begin(), channels.end(), manual.Channel);
    f.Model().SetManualBackupInfo(&manual);
}

void SetDisk(CEngineFixture& f, const char* disk)
{
    SYSTEM_CONFIG config;
    f.Model().GetSystemConfig(&config);
    CopyString26(config.Disk, disk);
    f.Model().SetSystemConfig(&config);
}

// The event table's detail texts, top down.
QStringList EventTexts(const QAbstractItemModel* events)
{
    QStringList texts;
    for (int row = 0; row < events->rowCount(); ++row)
        texts << events->index(row, 6).data().toString();
    return texts;
}

// Looks at its object before each queued call the object takes. What a page shows between two of its calls is
// what the operator reads, however quickly the calls follow each other: a timer of its own may not come round
// once between them.
class CQueuedCallWatch : public QObject
{
public:
    CQueuedCallWatch(QObject* watched, std::function<void()> look) : m_look(std::move(look))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            m_look();
        return false;
    }

private:
    std::function<void()> m_look;
};

int BoxesSaying(const CModalDriver& driver, const QString& text)
{
    int n = 0;
    for (const MODAL_SEEN& seen : driver.Seen())
        n += seen.Text().contains(text) ? 1 : 0;
    return n;
}

} // namespace

class TestStateEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void storedManualModeResumesItsList();
    void fullDiskIsReportedOnce();
    void fullDiskWhileTheManualListIsBuilt();
    void manualRunOnAFullDiskNamesIt();
    void diskGoneDuringARunIsNamedNotCalledFull();
    void disksThatFailedTogetherAreNamedInOneBox();
    void quickRestartsAndNewDisksLoseNothingAndStopEndsEveryThread();
    void restartWhileAListIsBuiltShowsTheNewSearchBox();
    void deletingThePageWaitsForEveryThread_data();
    void deletingThePageWaitsForEveryThread();
    void manualDialogRefusalsStoreNothing();
    void recorderLeavingTheManualBackupKeepsEveryTaskOnItsChannel();
    void manualListRemapMovesEveryTask_data();
    void manualListRemapMovesEveryTask();
    void manualEndNamesTheChannelsNotBackedUp_data();
    void manualEndNamesTheChannelsNotBackedUp();
    void storageThatCannotBeSetUpIsReportedOnceAndWaitedFor();
    void everyStartWaitsForTheStorage_data();
    void everyStartWaitsForTheStorage();
    void runThatGaveAFileUpNeverShowsComplete_data();
    void runThatGaveAFileUpNeverShowsComplete();

private:
    // The page, once its engine threads exist.
    static std::unique_ptr<CViewState> OpenPage();
    static bool AnyThreadRunning(const CViewState& page);
    // Every file marked done has its byte-exact copy; with `all`, every listed file is done.
    static bool Stored(CEngineFixture& f, int device, int group, bool all = true);
};

void TestStateEngine::init()
{
    g_bFirstDiskFull = true;
}

std::unique_ptr<CViewState> TestStateEngine::OpenPage()
{
    auto page = std::make_unique<CViewState>(nullptr);
    page->show();
    // The engine starts 100 ms after the page is built.
    if (!QTest::qWaitFor([&] { return page->m_pControlThread[MAX_GROUP_NUM - 1] != nullptr; }, kLimitMs))
        return nullptr;
    return page;
}

bool TestStateEngine::AnyThreadRunning(const CViewState& page)
{
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan)
        for (const QThread* thread : {static_cast<const QThread*>(page.m_pControlThread[plan].get()),
                                      static_cast<const QThread*>(page.m_pExecuteThread[plan].get()),
                                      static_cast<const QThread*>(page.m_pPastExecuteThread[plan].get())})
            if (thread != nullptr && thread->isRunning())
                return true;
    return page.m_pManualBackup && page.m_pManualBackup->isRunning();
}

bool TestStateEngine::Stored(CEngineFixture& f, int device, int group, bool all)
{
    const QList<TASK_INFO> list = StoredTasks(group);
    const CHANNEL_REF* refs = group == MANUAL_GROUP_ID ? f.Model().GetManualBackupInfo()->Channel
                                                       : f.Model().GetGroupInfo(group)->Channel;
    for (const TASK_INFO& task : list)
        for (const FILE_INFO& file : task.FileList)
            if (file.DownloadState == DOWNLOAD_DONE
                    ? !f.StoredCopyMatches(device, refs[task.CameraIndex].CameraIndex, file.FileStartTime,
                                           file.FileStopTime)
                    : all)
                return false;
    return !all || !list.isEmpty();
}

void TestStateEngine::storedManualModeResumesItsList()
{
    CEngineFixture f(kStart, kScale);
    const int device = f.AddDevice(CSimRecorders::MakeConfig(2, {kFile, 40000}, kSunday, 7), "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    SetManual(f, device, {2, 1}, 1);
    // An interrupted manual backup: its list is there, one channel of it already done.
    QList<TASK_INFO> list = {f.TaskOf(MANUAL_GROUP_ID, 0, kMonday), f.TaskOf(MANUAL_GROUP_ID, 1, kMonday)};
    list[0].DownloadState = DOWNLOAD_DONE;
    for (FILE_INFO& file : list[0].FileList)
        file.DownloadState = DOWNLOAD_DONE;
    f.Model().TaskList(MANUAL_GROUP_ID, 0) = list;
    QVERIFY(f.Model().SaveTaskList(MANUAL_GROUP_ID, 0));
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    // Resumed without a question, with the list it had: channel 1 fetched, channel 2 not again.
    TRY_VERIFY(page->m_bAuto, kLimitMs);
    QVERIFY(f.StoredFiles(device, 1).size() == 2 && f.StoredFiles(device, 2).isEmpty());
    QVERIFY(driver.Seen().isEmpty());
    // Its list worked through, the manual backup handed over to automatic backup.
    QCOMPARE(StoredMode(), 0);
    TRY_VERIFY(!page->m_pManualTimer, kLimitMs);
}

void TestStateEngine::fullDiskIsReportedOnce()
{
    CEngineFixture f(kStart, kScale);
    // Room for one and a half files: both plans' writers run into the full disk.
    const int device = AddRecorder(f, 4, kFile, 11, 4 * 1024 * 1024, 1, kFile * 3 / 2);
    QVERIFY(device >= 0);
    QCOMPARE(CreateStorage(DiskFullCallBack), 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}, {int16_t(device), 2}}, CEngineFixture::Evening()));
    QVERIFY(f.AddPlan(1, {{int16_t(device), 3}, {int16_t(device), 4}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);

    CModalDriver driver;
    AcceptNextBox(driver);
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_COMPARE(BoxesSaying(driver, QStringLiteral("The record disks are full")), 1, kLimitMs);
    QVERIFY(!page->m_bAuto && !page->m_bManual);
    QCOMPARE(StoredMode(), 2);
    TRY_VERIFY(!AnyThreadRunning(*page), kLimitMs);
    TRY_VERIFY(!page->m_bDiskFullReported, kLimitMs);
    // The box names the disk and the room kept free on it; the log and the event table name the disk, once
    // for each plan the full disk stopped in its write.
    const QString disk = "D: " + CStowelineClass::RecordRootOf(f.DiskPath());
    QCOMPARE(BoxesSaying(driver, QStringLiteral("The record disks are full: %1. A disk counts as full while "
                                                "less than %2 MB is free on it")
                                     .arg(disk)
                                     .arg(STOWELINE_INIT_PARAM().ReserveMB)),
             1);
    const QString stop = "Backup stopped: the record disks are full: " + disk;
    const int rows = CEngineFixture::LogRows(stop);
    QVERIFY(rows >= 1 && rows <= 2);
    QCOMPARE(EventTexts(page->ui.tableView_Event->model()).filter(stop).size(), rows);
    // Nothing is marked done without its stored copy.
    QVERIFY(Stored(f, device, 0, false) && Stored(f, device, 1, false));
    QVERIFY(DoneFiles(StoredTasks(0)) + DoneFiles(StoredTasks(1)) < 4);

    // A later report of the storage still reaches the page (its report flag is never left set), and idle
    // with the period's report handled, it shows no second box.
    f.Clock().SetScale(1.0);
    QSignalSpy reports(page.get(), &CViewState::DiskFull);
    // Within 60 whole seconds of the last report handled, a report is dropped; at 61 it goes through.
    f.Clock().SetNow(page->m_lastDiskFullTime.addSecs(60));
    DiskFullCallBack(1, 0, 0, 0);
    QApplication::processEvents();
    QCOMPARE(reports.size(), 0);
    f.Clock().SetNow(page->m_lastDiskFullTime.addSecs(61));
    for (int n = 1; n <= 2; ++n) {
        DiskFullCallBack(1, 0, 0, 0);
        TRY_COMPARE(reports.size(), n, 5000);
        // Dropped by the page, the report leaves the callback free to report again.
        TRY_VERIFY(!page->m_bDiskFullReported, 5000);
    }
    QCOMPARE(BoxesSaying(driver, QStringLiteral("The record disks are full")), 1);
}

void TestStateEngine::fullDiskWhileTheManualListIsBuilt()
{
    // The manual busy box waits for a recorder that never answers; a full disk stops the backup meanwhile.
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 1, 40000, 23, 0, 1);
    QVERIFY(device >= 0);
    f.Recorder(device).SetSilent(true);
    SetManual(f, device, {1}, 1);
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    driver.Answer([](QWidget* window) {
        ExpectBusyBox(window);
        DiskFullCallBack(1, 0, 0, 0);
    });
    driver.Accept();
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_COMPARE(BoxesSaying(driver, QStringLiteral("The record disks are full")), 1, kLimitMs);
    TRY_VERIFY(!page->m_pManualBackup && !page->m_pManualTimer, kLimitMs);
    QVERIFY(!page->m_bAuto && !page->m_bManual);
    QCOMPARE(StoredMode(), 2);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Stop Manual BackUp")), 0);
}

void TestStateEngine::manualRunOnAFullDiskNamesIt()
{
    // Overwrite mode, and nothing on the disk that may go: the manual run stops for the full disk. Its box
    // names the disk and the room kept free on it, and one log row names the disk.
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 1, kFile, 29, 0, 0, kFile / 2);
    QVERIFY(device >= 0);
    SetManual(f, device, {1}, 1);
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    AcceptNextBox(driver);
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    const QString disk = "D: " + CStowelineClass::RecordRootOf(f.DiskPath());
    TRY_COMPARE(
        BoxesSaying(driver, QStringLiteral("The record disks are full: %1. A disk counts as full while "
                                           "less than %2 MB is free on it")
                                .arg(disk)
                                .arg(STOWELINE_INIT_PARAM().ReserveMB)),
        1, kLimitMs);
    QCOMPARE(CEngineFixture::LogRows("Backup stopped: the record disks are full: " + disk), 1);
    QVERIFY(!page->m_bAuto && !page->m_bManual);
    TRY_VERIFY(!AnyThreadRunning(*page), kLimitMs);
}

void TestStateEngine::diskGoneDuringARunIsNamedNotCalledFull()
{
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 2, kFile, 43, 1024 * 1024);
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}, {int16_t(device), 2}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);
    const auto writing = [&f] {
        return QDirIterator(f.DiskPath(), {QStringLiteral("*.part")}, QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories)
            .hasNext();
    };

    CModalDriver driver;
    AcceptNextBox(driver);
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    // The disk goes (its folder removed, as an unplugged volume leaves it) while the first file is written.
    QTRY_VERIFY_WITH_TIMEOUT(writing(), kLimitMs);
    QVERIFY(QDir(f.DiskPath()).removeRecursively());
    const QString full = QStringLiteral("The record disks are full");
    const QString cause = QStringLiteral("Disk D: the folder %1 does not exist").arg(f.DiskPath());
    const auto answered = [&driver] {
        const QList<MODAL_SEEN> seen = driver.Seen();
        return std::any_of(seen.cbegin(), seen.cend(), [](const MODAL_SEEN& box) {
            return box.className != QLatin1String("ChaseDialog");
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(answered(), kLimitMs);
    QCOMPARE(BoxesSaying(driver, full), 0);
    QCOMPARE(BoxesSaying(driver, cause), 1);
    QCOMPARE(
        CEngineFixture::LogRows(QStringLiteral("Backup stopped: a record disk cannot be used. ") + cause), 1);
    QVERIFY(page->ui.tableView_Event->model()->index(0, 6).data().toString().contains(cause));
    // Stopped as for a full disk: nothing marked done without its copy, and no recorder asked for logins.
    QVERIFY(!page->m_bAuto && !page->m_bManual);
    QCOMPARE(StoredMode(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!AnyThreadRunning(*page), kLimitMs);
    QCOMPARE(DoneFiles(StoredTasks(0)), 0);
    f.Recorder(device).ClearCallLog();
    QTest::qWait(300);
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("login")).size(), 0);
    QVERIFY(QDir().mkpath(f.DiskPath()));
}

void TestStateEngine::disksThatFailedTogetherAreNamedInOneBox()
{
    // Two plans' workers stop for two disks at the same moment: the one box of the stop names both disks,
    // each once (a worker of the same disk reporting again adds nothing); only the first was named before.
    CEngineFixture f(kStart, kScale);
    QVERIFY(AddRecorder(f, 1, kFile, 47) >= 0);
    CModalDriver driver;
    QStringList shown;
    driver.Answer([&](QWidget* window) {
        shown << CModalDriver::Describe(window).Text();
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->accept();
    });
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    const QString d =
        QStringLiteral("Backup stopped: a record disk cannot be used. Disk D: the folder /srv/d "
                       "cannot be written: Input/output error.");
    // E's folder was named by whoever made it: a line break in it must not start a line of the box.
    const QString e =
        QStringLiteral("Backup stopped: a record disk cannot be used. Disk E: the folder /srv/e\nDisk F: ok "
                       "cannot be written: Read-only file system.");
    for (const QString& text : {d, e, d})
        QMetaObject::invokeMethod(
            page.get(), [&page, text] { page->OnDiskFailed(text); }, Qt::QueuedConnection);
    TRY_COMPARE(shown.size(), 1, kLimitMs);
    QVERIFY2(shown[0].endsWith(d + "\n" + EscapeControls(e)), qPrintable(shown[0]));
    QVERIFY2(!shown[0].contains(QStringLiteral("\nDisk F")), qPrintable(shown[0]));
    QCOMPARE(shown[0].count(QStringLiteral("Disk D: ")), 1);
    QTest::qWait(100);
    QCOMPARE(driver.Seen().size(), 1);
    QVERIFY(!page->m_bAuto && !page->m_bManual);
}

void TestStateEngine::quickRestartsAndNewDisksLoseNothingAndStopEndsEveryThread()
{
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 4, kFile, 13, 3 * 1024 * 1024);
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}, {int16_t(device), 2}}, CEngineFixture::Evening()));
    QVERIFY(f.AddPlan(5, {{int16_t(device), 3}, {int16_t(device), 4}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    // Stop and start again at once, three times, while files are being written.
    for (int round = 0; round < 3; ++round) {
        TRY_VERIFY(f.Recorder(device).Counters().Playbacks > 0, kLimitMs);
        AcceptNextBox(driver);
        page->ui.pBtnAuto->click();
        QVERIFY(!page->m_bAuto);
        page->ui.pBtnAuto->click();
        QVERIFY(page->m_bAuto);
    }
    // Numbers that are no plan change nothing.
    page->StopBackup({-1, 32, 40});
    GROUP_CHANGED none;
    none.GroupID = 99;
    page->ResetBackup({none});
    // New disks while writers run.
    TRY_VERIFY(f.Recorder(device).Counters().Playbacks > 0, kLimitMs);
    page->ResetLocal();
    QVERIFY(page->m_bAuto);
    TRY_VERIFY(Stored(f, device, 0) && Stored(f, device, 5), kLimitMs);
    QCOMPARE(DoneFiles(StoredTasks(0)) + DoneFiles(StoredTasks(5)), 4);

    // Stopping from the button, once confirmed, ends every thread and stores the idle mode.
    driver.Clear();
    driver.Accept();
    page->ui.pBtnAuto->click();
    QVERIFY(!page->m_bAuto);
    QVERIFY(!driver.Seen().isEmpty() &&
            driver.Seen().last().Text().contains(QStringLiteral("Sure to stop backup?")));
    TRY_VERIFY(!AnyThreadRunning(*page), kLimitMs);
    QCOMPARE(StoredMode(), 2);
}

void TestStateEngine::restartWhileAListIsBuiltShowsTheNewSearchBox()
{
    // A recorder that never answers keeps each task writer in its login for the answer time-out.
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 1, 40000, 19);
    QVERIFY(device >= 0);
    f.Recorder(device).SetSilent(true);
    QVERIFY(f.AddPlan(4, {{int16_t(device), 1}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);

    CModalDriver driver;
    auto page = std::make_unique<CViewState>(nullptr);
    // Before the threads exist, a stop or restart of plans changes nothing.
    page->StopBackup({4});
    GROUP_CHANGED changed;
    changed.GroupID = 4;
    page->ResetBackup({changed});
    page->show();
    bool secondBox = false;
    // While the first list is built, stop and start again in one go: the end of the first writer is still
    // on its way when the second writer starts.
    driver.Answer([&](QWidget* window) {
        ExpectBusyBox(window);
        QTimer::singleShot(0, page.get(), [&] {
            AcceptNextBox(driver);
            driver.Answer([&](QWidget* box) { secondBox = qobject_cast<ChaseDialog*>(box) != nullptr; });
            page->OnBtnAutoBackup();
            page->OnBtnAutoBackup();
        });
    });
    TRY_VERIFY(secondBox, kLimitMs);
    TRY_VERIFY(!page->m_pSearchDialog, kLimitMs);
    QCOMPARE(page->m_nSearchCount, 0);
    QVERIFY(page->m_bAuto);
}

void TestStateEngine::deletingThePageWaitsForEveryThread_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("automatic backup") << 0;
    QTest::newRow("manual backup") << 1;
}

void TestStateEngine::deletingThePageWaitsForEveryThread()
{
    QFETCH(int, mode);
    CEngineFixture f(kStart, kScale);
    const int device = AddRecorder(f, 2, kFile * 4, 17, 512 * 1024);
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(2, {{int16_t(device), 1}}, CEngineFixture::Evening()));
    SetManual(f, device, {2}, 0);
    f.Model().SetBackupMode(mode);

    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_VERIFY(f.Recorder(device).Counters().Playbacks > 0, kLimitMs);
    QList<QPointer<QThread>> threads;
    for (int plan = 0; plan < MAX_GROUP_NUM; ++plan)
        threads << page->m_pControlThread[plan].get() << page->m_pExecuteThread[plan].get()
                << page->m_pPastExecuteThread[plan].get();
    if (mode == 1) {
        QVERIFY(page->m_pManualBackup);
        threads << page->m_pManualBackup.get();
    }
    page.reset();
    // Each was waited for before it went: a thread object destroyed while it runs ends the process.
    for (const QPointer<QThread>& thread : threads)
        QVERIFY(thread.isNull());
    QVERIFY(g_pViewState.load() == nullptr);
    QVERIFY(f.Recorders().WaitForIdle());
    QCOMPARE(DoneFiles(StoredTasks(mode == 0 ? 2 : MANUAL_GROUP_ID)), 0);
}

void TestStateEngine::manualDialogRefusalsStoreNothing()
{
    CEngineFixture f(kStart);
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(33, {}, {}), "Gate");
    QVERIFY(gate >= 0);
    // A manual backup stored earlier: building the dialog clears it.
    SetManual(f, gate, {1}, 0);
    f.Model().SetBackupMode(2);
    const auto nothingStored = [&f] {
        return f.Model().GetManualBackupInfo()->Channel[0].IsEmpty() &&
               CountRows("SELECT COUNT(*) FROM ScheduleManul_Table;") == 0 &&
               CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToManual <> 0;") == 0;
    };
    QVERIFY(!nothingStored());

    CModalDriver driver;
    CDlgManualBackup dlg(nullptr);
    dlg.show();
    QVERIFY(nothingStored());
    auto* start = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtStart"));
    auto* end = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtEnd"));
    const auto refused = [&](const char* why) {
        driver.Accept();
        dlg.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        return driver.Pending() == 0 && !driver.Seen().isEmpty() &&
               driver.Seen().last().Text().contains(QLatin1String(why)) && dlg.isVisible();
    };
    // The time check comes first, before the disk and the cameras.
    end->setDateTime(start->dateTime().addSecs(-1));
    QVERIFY(refused("The end time is earlier than start time"));
    // No disk: said also when no camera is chosen; an equal start and end pass.
    end->setDateTime(start->dateTime());
    QVERIFY(refused("Please Select Disk!"));
    SYSTEM_CONFIG system;
    f.Model().GetSystemConfig(&system);
    system.Disk[0] = 'D';
    f.Model().SetSystemConfig(&system);
    QVERIFY(refused("None camer was selected"));
    // All 33 cameras of the recorder, on whatever page they are.
    CPictureGroup* group = dlg.PictureGroup();
    for (int page = 1; page <= group->GetPageCount(); ++page) {
        group->OnShowPage(uint(page));
        group->OnTitleBarDbClicked(1);
    }
    QVERIFY(refused("Exceed the maximum camera number"));
    dlg.reject();
    QVERIFY(nothingStored());
    QCOMPARE(StoredMode(), 2);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestStateEngine::recorderLeavingTheManualBackupKeepsEveryTaskOnItsChannel()
{
    // [Gate 1, Yard 1, Gate 2]; Yard goes while Gate 1 is being fetched, as the device page deletes it.
    CEngineFixture f(kStart, kScale);
    const int gate = AddRecorder(f, 2, kFile, 31, 1024 * 1024);
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(1, {kFile}, kSunday, 37), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    SetManualRefs(f, {{int16_t(gate), 1}, {int16_t(yard), 1}, {int16_t(gate), 2}});
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_VERIFY(f.Recorder(gate).Counters().Playbacks > 0, kLimitMs);
    f.Model().DeleteManualDevice(yard);
    page->ResetManualBackup();
    QCOMPARE(f.Model().DeleteDevice("Yard", true), 1);

    // The run ends by itself, every task on its own channel, done with its byte-exact copy.
    TRY_VERIFY(!page->m_pManualTimer && page->m_pManualBackup && !page->m_pManualBackup->isRunning(),
               kLimitMs);
    const QList<TASK_INFO> list = StoredTasks(MANUAL_GROUP_ID);
    QCOMPARE(list.size(), 2);
    QCOMPARE(DoneFiles(list), 2);
    QVERIFY(Stored(f, gate, MANUAL_GROUP_ID));
    QVERIFY(!f.StoredFiles(gate, 1).isEmpty() && !f.StoredFiles(gate, 2).isEmpty());
    // A run that stored every file says so, in the log and in the event table.
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Manual BackUp Completed")), 1);
    const QAbstractItemModel* events = page->ui.tableView_Event->model();
    QCOMPARE(events->rowCount(), 1);
    QCOMPARE(events->index(0, 6).data().toString(), QStringLiteral("Manual BackUp Completed"));
}

void TestStateEngine::manualListRemapMovesEveryTask_data()
{
    QTest::addColumn<QList<int>>("before"); // the places of the kept list's tasks, in list order
    QTest::addColumn<QList<int>>("after");  // their places once Yard left, in the same order
    QTest::addColumn<QList<int>>("kept");   // which of the tasks stay, by their index in `before`
    // The record [Gate 1, Yard 1, Gate 2, Yard 2, Gate 3] becomes [Gate 1, Gate 2, Gate 3].
    QTest::newRow("moved task first") << QList<int>{2, 0} << QList<int>{1, 0} << QList<int>{0, 1};
    QTest::newRow("moved task last") << QList<int>{0, 4} << QList<int>{0, 2} << QList<int>{0, 1};
    QTest::newRow("moved task alone") << QList<int>{4} << QList<int>{2} << QList<int>{0};
    QTest::newRow("tasks of the channels gone dropped")
        << QList<int>{1, 2, 3, 4} << QList<int>{1, 2} << QList<int>{1, 3};
}

// Each task follows its own channel to its new place: one left behind would fetch another channel's files
// into its place, or mark them done.
void TestStateEngine::manualListRemapMovesEveryTask()
{
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(QList<int>, kept);
    CEngineFixture f(kStart);
    const int16_t gate = 3;
    const int16_t yard = 7;
    SetManualRefs(f, {{gate, 1}, {yard, 1}, {gate, 2}, {yard, 2}, {gate, 3}});
    const MANUAL_CHANNELS record = CurrentManualChannels();
    QList<TASK_INFO>& list = f.Model().TaskList(MANUAL_GROUP_ID, 0);
    for (int i = 0; i < before.size(); ++i) {
        list << TASK_INFO();
        list.last().GroupID = MANUAL_GROUP_ID;
        list.last().CameraIndex = int16_t(before[i]);
        list.last().FileList = {FILE_INFO()};
        list.last().FileList[0].FileSize = 1000 + i; // tells the tasks apart
    }
    QVERIFY(f.Model().DeleteManualDevice(yard));
    QCOMPARE(RemapManualTaskList(record), before.size() - kept.size());

    // In memory and as a restart would load it.
    for (const QList<TASK_INFO>& remapped : {list, StoredTasks(MANUAL_GROUP_ID)}) {
        QCOMPARE(remapped.size(), after.size());
        for (int i = 0; i < after.size(); ++i)
            QVERIFY(remapped[i].CameraIndex == after[i] &&
                    remapped[i].FileList.value(0).FileSize == 1000 + kept[i]);
    }
}

void TestStateEngine::manualEndNamesTheChannelsNotBackedUp_data()
{
    // "login" (Yard refuses every login), "search" (Gate 2 refuses it), "busy" (Gate 2 is still searching for
    // ever, and the search is given up), "held" (Gate 2's play-back neither goes on nor ends)
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("missing"); // the channels the end names; empty: the backup is complete
    QTest::newRow("a recorder refused the login") << "login"
                                                  << "Yard_Camera 01";
    QTest::newRow("a search was refused") << "search"
                                          << "Gate_Camera 02";
    QTest::newRow("a search never ended") << "busy"
                                          << "Gate_Camera 02";
    // Gate 2's play-back stops sending halfway and never ends: given up after three clock minutes.
    QTest::newRow("a play-back never ended") << "held"
                                             << "Gate_Camera 02";
    QTest::newRow("every channel searched, every file stored") << ""
                                                               << "";
}

// "Manual BackUp Completed" only when it is true; otherwise the end names what was not backed up. Either way
// the manual backup hands over to automatic backup, as the operator asked.
void TestStateEngine::manualEndNamesTheChannelsNotBackedUp()
{
    QFETCH(QString, fault);
    QFETCH(QString, missing);
    CEngineFixture f(kStart, kScale);
    const int gate = AddRecorder(f, 2, kFile, 71);
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(1, {kFile}, kSunday, 73), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    if (fault == QLatin1String("login"))
        f.Recorder(yard).SetLoginRefusals(-1);
    if (fault == QLatin1String("search")) {
        SimChannelFaults refused;
        refused.FindRefusals = 1000;
        f.Recorder(gate).SetChannelFaults(2, refused);
    }
    if (fault == QLatin1String("busy")) {
        SimChannelFaults busy;
        busy.SearchBusy = -1;
        f.Recorder(gate).SetChannelFaults(2, busy);
    }
    if (fault == QLatin1String("held")) {
        SimChannelFaults held;
        held.HoldAfterBytes = kFile / 2;
        f.Recorder(gate).SetChannelFaults(2, held);
    }
    SetManualRefs(f, {{int16_t(gate), 1}, {int16_t(yard), 1}, {int16_t(gate), 2}});
    MANUAL_BACKUP_INFO manual = *f.Model().GetManualBackupInfo();
    manual.IsChange = 1;
    f.Model().SetManualBackupInfo(&manual);
    f.Model().SetBackupMode(1);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_VERIFY(page->m_bAuto, kLimitMs);
    QVERIFY(!page->m_bManual);
    const QString said = missing.isEmpty()
                             ? QStringLiteral("Manual BackUp Completed")
                             : QStringLiteral("Manual BackUp ended without these channels: ") + missing;
    // The one end entry: an operation when complete, an exception otherwise.
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Manual BackUp Completed")) +
                 CEngineFixture::LogRows(QStringLiteral("Manual BackUp ended")),
             1);
    QCOMPARE(CountRows(QStringLiteral("SELECT LogType FROM Log_Table WHERE LogContents = '%1';")
                           .arg(said)
                           .toStdString()),
             missing.isEmpty() ? LOG_TYPE_OPERATION : LOG_TYPE_EXCEPTION);
    QVERIFY2(EventTexts(page->ui.tableView_Event->model()).contains(said),
             qPrintable(EventTexts(page->ui.tableView_Event->model()).join(QLatin1Char('|'))));
    // What could be fetched was fetched, each on its own channel.
    QVERIFY(Stored(f, gate, MANUAL_GROUP_ID, false));
    QCOMPARE(f.StoredFiles(gate, 1).size(), 1);
    QCOMPARE(f.StoredFiles(gate, 2).size(), missing.startsWith(QLatin1String("Gate")) ? 0 : 1);
    QCOMPARE(f.StoredFiles(yard, 1).size(), fault == QLatin1String("login") ? 0 : 1);
    page.reset();
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestStateEngine::storageThatCannotBeSetUpIsReportedOnceAndWaitedFor()
{
    CEngineFixture f(kStart, kScale);
    // Slow until the disk goes: the first run has not fetched a whole file when it is stopped, so the run
    // that resumes has both files to fetch and shows them.
    const int device = AddRecorder(f, 2, kFile, 41, 64 * 1024);
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}, {int16_t(device), 2}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);
    const auto setDisk = [&f](const char* disk) {
        SYSTEM_CONFIG config;
        f.Model().GetSystemConfig(&config);
        CopyString26(config.Disk, disk);
        f.Model().SetSystemConfig(&config);
    };

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    // A disk that is not there: the set-up fails, and the box names the disk instead of asking to clear it.
    setDisk("Q");
    driver.Accept();
    page->ResetLocal();
    QVERIFY(page->m_bAuto);
    QCOMPARE(BoxesSaying(driver, QStringLiteral("Disk Q has no folder.")), 1);
    QCOMPARE(BoxesSaying(driver, QStringLiteral("Please check and clear the local disk")), 0);
    f.Recorder(device).ClearCallLog();
    // Half a minute of the window: nothing logs in to fail a download, and the wait shows once.
    QTest::qWait(300);
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("login")).size(), 0);
    QCOMPARE(
        CEngineFixture::LogRows(QStringLiteral("Backups wait for the record disk. Disk Q has no folder.")),
        1);
    QCOMPARE(page->ui.tableView_Event->model()->rowCount(), 1);
    QVERIFY(page->m_pStorageRetry != nullptr && page->m_pStorageRetry->isActive());

    // The disk is back: the next try resumes the plans, and the day's figures end complete.
    // What the operator reads while the list runs never has more done than there is: looked at before each
    // of the page's queued calls (the run's end among them, so at least once while it shows the run), and
    // every few milliseconds between them.
    int samples = 0;
    QStringList odd;
    const auto sample = [&] {
        const auto megabytes = [](const QLabel* label) { return label->text().chopped(2).toInt(); };
        if (page->ui.label_count->text() != QStringLiteral("1"))
            return;
        ++samples;
        if (megabytes(page->ui.label_already) > megabytes(page->ui.label_total))
            odd << page->ui.label_already->text() + QStringLiteral(" of ") + page->ui.label_total->text();
        for (int row = 0; row < page->m_pStateModel->rowCount(); ++row)
            if (page->m_pStateModel->index(row, 5).data().toInt() >
                page->m_pStateModel->index(row, 6).data().toInt())
                odd << QStringLiteral("row %1").arg(row);
    };
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, sample);
    sampler.start(5);
    CQueuedCallWatch watch(page.get(), sample);
    // The run's end as the page took it: connected after the page's own count, so queued behind it.
    QThread* worker = page->m_pExecuteThread[0].get();
    QVERIFY(worker != nullptr);
    int runsEnded = 0;
    connect(worker, &QThread::finished, page.get(), [&runsEnded] { ++runsEnded; });
    setDisk("D");
    f.Recorder(device).SetRate(0);
    page->RetryStorage();
    TRY_VERIFY(runsEnded > 0, kLimitMs);
    QCOMPARE(page->m_pExecuteThread[0].get(), worker);
    QVERIFY(Stored(f, device, 0));
    sampler.stop();
    page->removeEventFilter(&watch);
    QVERIFY(samples > 0);
    QCOMPARE(odd, QStringList());
    QCOMPARE(DoneFiles(StoredTasks(0)), 2);
    TRY_COMPARE(page->ui.label_percent->text(), QStringLiteral("100%"), kLimitMs);
    QCOMPARE(page->ui.label_total->text(), QStringLiteral("3MB"));
    QCOMPARE(page->ui.label_already->text(), QStringLiteral("3MB"));
    QCOMPARE(page->ui.label_count->text(), QStringLiteral("0"));
    QCOMPARE(page->m_pStateModel->index(0, 5).data().toString(), QStringLiteral("1"));
    QCOMPARE(page->m_pStateModel->index(0, 6).data().toString(), QStringLiteral("1"));
    // The wait, and its end.
    const QAbstractItemModel* events = page->ui.tableView_Event->model();
    QCOMPARE(events->rowCount(), 2);
    QCOMPARE(events->index(1, 6).data().toString(),
             QStringLiteral("The record disks are ready; the backups go on."));
}

void TestStateEngine::everyStartWaitsForTheStorage_data()
{
    QTest::addColumn<int>("mode"); // the stored mode at start
    QTest::addColumn<QString>("path");
    QTest::newRow("start in automatic backup") << 0 << "";
    QTest::newRow("start in manual backup") << 1 << "";
    QTest::newRow("the automatic button") << 2 << "auto button";
    QTest::newRow("a plan saved in automatic backup") << 0 << "plan saved";
    QTest::newRow("a recorder changed during manual backup") << 1 << "recorder changed";
}

// Without a storage object no plan or manual worker starts, whichever way it is started: each start waits for
// the same retry on the engine clock (after 1, 2, 4, 8, 16, 30 and 30 minutes, never earlier), the page says
// once that the backups wait for their disk, and the mode resumes with the disk.
void TestStateEngine::everyStartWaitsForTheStorage()
{
    QFETCH(int, mode);
    QFETCH(QString, path);
    // The clock stands still until the disk is back: the test alone moves it.
    CEngineFixture f(kStart, 1e-9);
    const int device = AddRecorder(f, 1, kFile, 83);
    QVERIFY(device >= 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}}, CEngineFixture::Evening()));
    SetManual(f, device, {1}, 0);
    SetDisk(f, "Q");
    QVERIFY(CreateStorage(DiskFullCallBack) != 0);
    f.Model().SetBackupMode(mode);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    if (path == QLatin1String("auto button")) {
        QVERIFY(!page->m_storageRetryAt.isValid());
        page->ui.pBtnAuto->click();
    } else if (path == QLatin1String("plan saved")) {
        GROUP_CHANGED plan;
        plan.GroupID = 0;
        page->ResetBackup({plan});
    } else if (path == QLatin1String("recorder changed")) {
        page->ResetManualBackup();
    }
    const bool manual = mode == 1;
    QVERIFY(page->m_bAuto != manual && page->m_bManual == manual);
    QVERIFY(page->m_pStorageRetry->isActive());
    QDateTime last = kStart;
    QList<int> waits;
    for (int attempt = 0; attempt < 7; ++attempt) {
        const QDateTime due = page->m_storageRetryAt;
        waits << int(last.secsTo(due) / 60);
        f.Clock().SetNow(due.addSecs(-1));
        page->CheckStorageRetry();
        QCOMPARE(page->m_storageRetryAt, due);
        f.Clock().SetNow(due);
        page->CheckStorageRetry();
        last = due;
    }
    QCOMPARE(waits, (QList<int>{1, 2, 4, 8, 16, 30, 30}));
    QCOMPARE(last.secsTo(page->m_storageRetryAt), 30 * 60);
    QVERIFY(!AnyThreadRunning(*page) && !page->m_pManualBackup);
    QCOMPARE(f.Recorder(device).Calls(QStringLiteral("login")).size(), 0);
    const QString waiting = QStringLiteral("Backups wait for the record disk. Disk Q has no folder.");
    QCOMPARE(EventTexts(page->ui.tableView_Event->model()).size(), 1);
    QVERIFY(EventTexts(page->ui.tableView_Event->model()).value(0).startsWith(waiting));
    QCOMPARE(CEngineFixture::LogRows(waiting), 1);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Start Manual BackUp")), 0);
    QVERIFY(driver.Seen().isEmpty());

    // The disk is back: the page's own timer makes the try that is due, and the stored mode resumes.
    SetDisk(f, "D");
    f.Clock().SetScale(kScale);
    f.Clock().SetNow(page->m_storageRetryAt);
    TRY_VERIFY(Stored(f, device, manual ? MANUAL_GROUP_ID : 0), kLimitMs);
    QVERIFY(!page->m_storageRetryAt.isValid());
    QCOMPARE(EventTexts(page->ui.tableView_Event->model()).value(1),
             QStringLiteral("The record disks are ready; the backups go on."));
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Start Manual BackUp")), manual ? 1 : 0);
    page.reset();
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestStateEngine::runThatGaveAFileUpNeverShowsComplete_data()
{
    // Plan 0 fetches Sunday's file of channel 1 (`givenUp` bytes, sent without end: given up) and of
    // channel 2 (`stored` bytes). The row's bar shows the list's share stored, the day's figures the
    // megabytes stored and their share, never 100 % while a file of the list was given up: also when the
    // stored megabytes round to the total's.
    QTest::addColumn<qint64>("givenUp");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("already");
    QTest::addColumn<QString>("percent");
    QTest::newRow("half of the list given up") << kFile << kFile << 50 << "1MB"
                                               << "33%";
    QTest::newRow("a small file given up") << qint64(100000) << qint64(7 * 512 * 1024) << 97 << "3MB"
                                           << "99%";
}

void TestStateEngine::runThatGaveAFileUpNeverShowsComplete()
{
    QFETCH(qint64, givenUp);
    QFETCH(qint64, stored);
    QFETCH(int, bar);
    QFETCH(QString, already);
    QFETCH(QString, percent);
    CEngineFixture f(kStart, kScale);
    SimRecorderConfig config;
    config.AnalogChannels = 2;
    config.AddRecording(1, QDateTime(kSunday, QTime(8, 0)), QDateTime(kSunday, QTime(9, 0)), 0, givenUp);
    config.AddRecording(2, QDateTime(kSunday, QTime(8, 0)), QDateTime(kSunday, QTime(9, 0)), 0, stored);
    config.Channel(1).Faults.ExtraBytes = -1;
    const int device = f.AddDevice(config, "Gate");
    QVERIFY(device >= 0);
    QCOMPARE(f.SetUpStorage(), 0);
    QVERIFY(f.AddPlan(0, {{int16_t(device), 1}, {int16_t(device), 2}}, CEngineFixture::Evening()));
    f.Model().SetBackupMode(0);

    CModalDriver driver;
    std::unique_ptr<CViewState> page = OpenPage();
    QVERIFY(page);
    TRY_VERIFY(DoneFiles(StoredTasks(0)) == 1 && page->m_pExecuteThread[0] &&
                   !page->m_pExecuteThread[0]->isRunning() &&
                   page->ui.label_count->text() == QStringLiteral("0"),
               kLimitMs);
    QCOMPARE(CEngineFixture::LogRows(QStringLiteral("Download of Gate_Camera 01")), 1);
    QVERIFY(f.StoredCopyMatches(device, 2, SimTime(QDateTime(kSunday, QTime(8, 0))),
                                SimTime(QDateTime(kSunday, QTime(9, 0)))));
    const auto* row = qobject_cast<const QProgressBar*>(page->ui.tableView_State->GetItemWidget(0, 2));
    QVERIFY(row != nullptr);
    TRY_COMPARE(row->value(), bar, kLimitMs);
    TRY_COMPARE(page->ui.label_already->text(), already, kLimitMs);
    QCOMPARE(page->ui.label_total->text(),
             QStringLiteral("%1MB").arg((givenUp + stored + 88) / (1024 * 1024)));
    QCOMPARE(page->ui.label_percent->text(), percent);
}

VARROW_TEST_MAIN(TestStateEngine, QApplication)
#include "tst_gui_stateengine.moc"

// The whole program as an operator meets it, through its own windows: the real main window over a temporary
// program directory, two simulated recorders (the second one refuses every login once it is added), two drive
// roots and the scaled engine clock. The steps run in order on one program, as one operator's day: a step
// finds the program as the step before it left it.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "model/SysInfoManage.h"
#include "pages/log/CSearchLog.h"
#include "storage/CStowelineClass.h"
#include "tests/support/gui/FakeHandOff.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ScenarioHarness.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CPictureGroup.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QDateTimeEdit>
#include <QDirIterator>
#include <QFileInfo>
#include <QTimer>
#include <QRegularExpression>

namespace {

// The harness's finders and input, on nearly every line of the operator's work.
using H = CScenarioHarness;

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FilesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

SimRecording Recording(const QDate& day, int hour, qint64 size)
{
    SimRecording recording;
    recording.Start = QDateTime(day, QTime(hour, 0), Qt::UTC);
    recording.Stop = recording.Start.addSecs(30 * 60);
    recording.Size = size;
    return recording;
}

// The name of a recorder's channel's folder, on a disk and in an export.
QString ChannelFolder(const CRecorderSim& sim, int channel)
{
    const QByteArray name =
        sim.AddressBytes() + '_' + QByteArray::number(sim.Port()) + '_' + QByteArray::number(channel);
    return CStowelineClass::EncodeRecordName(name.constData());
}

// True when the file is named after a recording of the channel (by the range its name begins with) and
// equals byte for byte what the recorder plays back for it.
bool IsWholeCopy(const CRecorderSim& sim, int channel, const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QString format = QStringLiteral("yyyyMMddhhmmss_");
    for (const SimRecording& recording : sim.Config().Channels.value(channel).Recordings) {
        if (!name.startsWith(recording.Start.toString(format) + recording.Stop.toString(format)))
            continue;
        const CSimPlaybackContent expected =
            sim.Expected(channel, SimTime(recording.Start), SimTime(recording.Stop));
        return name.endsWith(QLatin1String(".rec")) && ReadFile(path) == expected.Bytes(0, expected.Length());
    }
    return false;
}

// The whole copies of `day`'s recordings of a channel under a record root or an export folder; -1 when any
// other file of that day is there, a temporary one included.
int WholeCopies(const QString& root, const CRecorderSim& sim, int channel, const QDate& day)
{
    int whole = 0;
    for (const QString& path : FilesUnder(root + QLatin1Char('/') + ChannelFolder(sim, channel))) {
        if (!QFileInfo(path).fileName().startsWith(day.toString(QStringLiteral("yyyyMMdd"))))
            continue;
        if (!IsWholeCopy(sim, channel, path))
            return -1;
        ++whole;
    }
    return whole;
}

void TypeAll(QWidget* root, const QList<std::pair<const char*, QString>>& fields)
{
    for (const auto& [field, text] : fields)
        QVERIFY2(H::Type(root, QLatin1String(field), text), field);
}

// Runs `work` on the next dialog the driver meets, queued: the work runs in the dialog's own loop, where the
// driver can answer the boxes it opens. A dialog the work left open is then closed.
void WorkInDialog(CModalDriver& driver, const std::function<void(QWidget*)>& work)
{
    driver.Answer([work](QWidget* dialog) {
        const auto run = [work, dialog] {
            work(dialog);
            if (dialog->isVisible())
                qobject_cast<QDialog*>(dialog)->reject();
        };
        QMetaObject::invokeMethod(dialog, run, Qt::QueuedConnection);
    });
}

// Ticks only the disk `drive` in the settings dialog's disk table.
void ChooseDisk(QWidget* dialog, int drive)
{
    auto* disks = H::Find<CTableView>(dialog, QStringLiteral("m_ptreeViewDisk"));
    QVERIFY(disks != nullptr);
    for (int row = 0; row < disks->GetRowCount(); ++row)
        disks->SetItemChecked(row, 0, disks->GetItemText(row, 1) == H::DriveLetter(drive));
}

// Accepts the next box other than `owner`: while one box closes and the next opens, the driver may meet the
// dialog beneath them (`owner`, still in its own exec) for a moment; that one is left alone.
void AcceptBoxOver(CModalDriver& driver, QWidget* owner)
{
    driver.Answer([&driver, owner](QWidget* box) {
        if (box == owner)
            AcceptBoxOver(driver, owner);
        else
            qobject_cast<QDialog*>(box)->accept();
    });
}

// Fills the add-device dialog the driver meets next for `sim`, by a domain name when one is given.
void AnswerAddDevice(CModalDriver& driver, const CRecorderSim* sim, const QString& domain)
{
    WorkInDialog(driver, [sim, domain](QWidget* dialog) {
        if (!domain.isEmpty()) {
            auto* method = H::Find<QComboBox>(dialog, QStringLiteral("m_pcomboBoxAddDevice"));
            QVERIFY(method != nullptr);
            method->setCurrentIndex(method->findData(1));
        }
        TypeAll(dialog, {{"m_plineEditDeviceName", sim->Config().Name},
                         {"m_plineEditDeviceIP", domain.isEmpty() ? QString(sim->AddressBytes()) : domain},
                         {"m_plineEditDevicePort", QString::number(sim->Port())},
                         {"m_plineEditDeviceUserName", QStringLiteral("admin")},
                         {"m_plineEditDevicePassWord", QStringLiteral("12345")}});
        H::Click(dialog, QStringLiteral("pOkBtn"));
    });
}

// Picks channel `channel` of both recorders in the channel chooser the driver meets next: Ctrl and a click
// on each wanted thumbnail (group 1 is Gate, group 2 Yard), as the operator picks across recorders.
void AnswerChooser(CModalDriver& driver, int channel)
{
    WorkInDialog(driver, [channel](QWidget* chooser) {
        CPictureGroup* group = chooser->findChild<CPictureGroup*>();
        QVERIFY(group != nullptr);
        for (uint id : {1u, 2u}) {
            CPicLabelList* list = nullptr;
            QVERIFY(group->GetGroupList(id, &list));
            QList<CPicLabel*> labels;
            list->GetPicLabels(&labels);
            QVERIFY(labels.size() >= channel);
            CPicLabel* label = labels.at(channel - 1);
            QTest::mouseClick(label, Qt::LeftButton, Qt::ControlModifier, label->rect().center());
        }
        H::Click(chooser, QStringLiteral("pOkBtn"));
    });
}

// Answers every box until the driver is cleared: the manual backup dialog gets the whole `day` and Gate's
// group (a double click on its title bar picks every channel of it), the busy box passes by itself, any other
// box is accepted.
void AnswerEverything(CModalDriver& driver, const QDate& day)
{
    driver.Answer([&driver, day](QWidget* box) {
        AnswerEverything(driver, day);
        if (QString::fromLatin1(box->metaObject()->className()) == QLatin1String("CDlgManualBackup")) {
            H::Find<QDateTimeEdit>(box, QStringLiteral("pDtStart"))->setDateTime(QDateTime(day, QTime(0, 0)));
            auto* end = H::Find<QDateTimeEdit>(box, QStringLiteral("pDtEnd"));
            end->setDateTime(QDateTime(day, QTime(23, 59, 59)));
            box->findChild<CPictureGroup*>()->OnTitleBarDbClicked(1);
            QTest::keyClick(end, Qt::Key_Return);
        } else if (qobject_cast<ChaseDialog*>(box) == nullptr) {
            qobject_cast<QDialog*>(box)->accept();
        }
    });
}

// Answers the export dialog the driver meets next with `path` in its path box, pressed by `button`, and then
// every box as AnswerEverything does.
void AnswerExport(CModalDriver& driver, const char* pathBox, const QString& path, const char* button)
{
    WorkInDialog(driver, [=](QWidget* dialog) {
        auto* chooser = dialog->findChild<CPathComboBox*>(QLatin1String(pathBox));
        QVERIFY2(chooser != nullptr, dialog->metaObject()->className());
        chooser->clear();
        chooser->addItem(path);
        H::Click(dialog, QLatin1String(button));
    });
    AnswerEverything(driver, QDate());
}

// Starts a manual backup of `day` as AnswerEverything answers it; a manual run still on is stopped by the
// first click, and the second one opens the dialog.
bool StartManualRun(CModalDriver& driver, QWidget* state, const QDate& day)
{
    driver.Clear();
    AnswerEverything(driver, day);
    if (!H::Click(state, QStringLiteral("pBtnManual")))
        return false;
    if (!driver.Seen().isEmpty() &&
        driver.Seen().first().Text().contains(QStringLiteral("Sure to stop backup?")))
        return H::Click(state, QStringLiteral("pBtnManual"));
    return true;
}

} // namespace

class TestScenario : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void step1_firstStartOnEmptyDirectory();
    void step2_configureDiskRecordersAndPlans();
    void step3_backupWindowRuns();
    void step4_recordPageFindsPlaysAndExports();
    void step5_logPageFindsAndExportsTheDay();
    void step6_manualBackupOfARange();
    void step7_fullDiskStopsAndSecondDiskResumes();
    void step8_closeWithConfirmation();
    void step8_restartResumesOverdueList();

private:
    void ConfigureInDialog(QWidget* dialog);
    QString Root(int drive) const { return CStowelineClass::RecordRootOf(m_h->DrivePath(drive)); }

    std::unique_ptr<CScenarioHarness> m_h;
    CRecorderSim* m_gate = nullptr;
    CRecorderSim* m_yard = nullptr;
    QStringList m_threadsBeforeOpen;
    bool m_configured = false; // step 2 saved the disk, the mail, both recorders and the plans
    int m_disk = 0;            // the disk chosen last in the settings
};

void TestScenario::initTestCase()
{
    const QDate today = QDate::currentDate();
    m_h = std::make_unique<CScenarioHarness>(QDateTime(today, QTime(17, 50)), 200.0);
    QVERIFY(m_h->IsValid());
    // Yesterday's recordings, two channels on each recorder: two recordings a channel on Gate, one on Yard.
    // The plans' overnight window, opening at 18:00, fetches the files of the day before.
    SimRecorderConfig gate = CSimRecorders::MakeConfig(2, {3 << 20, 2 << 20}, today.addDays(-1), 7);
    gate.Name = QStringLiteral("Gate");
    SimRecorderConfig yard = CSimRecorders::MakeConfig(2, {1 << 20}, today.addDays(-1), 9);
    yard.Name = QStringLiteral("Yard");
    m_gate = m_h->Recorders().Add(gate);
    m_yard = m_h->Recorders().Add(yard);
    QVERIFY(m_gate != nullptr && m_yard != nullptr);
}

void TestScenario::cleanupTestCase()
{
    if (m_h != nullptr)
        QCOMPARE(m_h->Driver().Failures(), QStringList());
    m_h.reset();
}

void TestScenario::step1_firstStartOnEmptyDirectory()
{
    QCOMPARE(QDir(m_h->ProgramDir()).entryList(QDir::Files), QStringList({QStringLiteral("Drives.conf")}));
    m_threadsBeforeOpen = H::ThreadNames();
    QVERIFY(m_h->Open() != nullptr);
    // No disk is chosen yet: the window opens without a box.
    QCOMPARE(m_h->Driver().Seen().size(), 0);
    QVERIFY(QFile::exists(m_h->DbPath()));
    QCOMPARE(H::LogTexts(), QStringList({QStringLiteral("Open Software")}));
}

// Everything the operator does inside the settings dialog, in order: disk D in stop mode and the report mail
// on the system page, both recorders on the device page (Yard by its domain name), two plans on the plan
// page, then OK. Runs inside the dialog's own loop.
void TestScenario::ConfigureInDialog(QWidget* dialog)
{
    CModalDriver& driver = m_h->Driver();
    ChooseDisk(dialog, 0);
    QVERIFY(H::Click(dialog, QStringLiteral("m_pRadioBtnStop")));
    QVERIFY(H::Click(dialog, QStringLiteral("m_pcheckBoxEmail")));
    TypeAll(dialog, {{"m_plineEditReceiverAddress", QStringLiteral("operator@site.test")},
                     {"m_plineEditDeliverServer", QStringLiteral("127.0.0.1")},
                     {"m_plineEditPort", QString::number(m_h->Smtp().Port())},
                     {"m_plineEditDeliverAddress", QStringLiteral("station@site.test")},
                     {"m_plineEditMailUserName", QStringLiteral("station")},
                     {"m_plineEditMailPassWord", QStringLiteral("secret")}});

    QVERIFY(H::Click(dialog, QStringLiteral("pBtnDevice")));
    AnswerAddDevice(driver, m_gate, QString());
    QVERIFY(H::Click(dialog, QStringLiteral("m_pBtnAddDevice")));
    AnswerAddDevice(driver, m_yard, QStringLiteral("localhost"));
    QVERIFY(H::Click(dialog, QStringLiteral("m_pBtnAddDevice")));

    // Night takes the first channel of each recorder, Late the second.
    QVERIFY(H::Click(dialog, QStringLiteral("pBtnSchedule")));
    QWidget* planPage = H::Find(dialog, QStringLiteral("m_pBtnAdd"))->parentWidget();
    for (const QString& name : {QStringLiteral("Night"), QStringLiteral("Late")}) {
        WorkInDialog(driver, [name](QWidget* named) {
            H::Type(named, QStringLiteral("m_pLineEditPlanName"), name);
            H::Click(named, QStringLiteral("m_pushButtonOK"));
        });
        QVERIFY(H::Click(planPage, QStringLiteral("m_pBtnAdd")));
        AnswerChooser(driver, name == QLatin1String("Night") ? 1 : 2);
        QVERIFY(H::Click(planPage, QStringLiteral("m_pushButtonChooseChannel")));
        // The chooser's loader may still show its busy box while it stops: the next answer is for what comes
        // after it.
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeModalWidget(), dialog, 20000);
    }

    // Late is shown: the whole week on (as a new plan starts), from 18:00 for twelve hours (overnight),
    // fetching the day before.
    auto* schedule = H::Find<CTableView>(planPage, QStringLiteral("m_ptableViewBackUpTime"));
    QVERIFY(schedule != nullptr);
    auto* duration = qobject_cast<QComboBox*>(schedule->GetItemWidget(0, 2));
    QVERIFY(duration != nullptr && duration->isEnabled());
    duration->setCurrentIndex(11);
    // ... and copied to Night in the copy dialog: once it is laid out on the screen, Choose All ticks every
    // other plan, then OK.
    driver.Answer([](QWidget* copy) {
        QTimer::singleShot(200, copy, [copy] {
            H::Click(copy, QStringLiteral("m_pBtnAll"));
            H::Click(copy, QStringLiteral("pOkBtn"));
        });
    });
    AcceptBoxOver(driver, dialog);
    QVERIFY(H::Click(planPage, QStringLiteral("m_pBtnCopy")));

    // The new disk and the new plans each ask whether the backup may restart for them.
    driver.Clear();
    driver.Accept();
    driver.Accept();
    QVERIFY(H::Click(dialog, QStringLiteral("pOkBtn")));
}

void TestScenario::step2_configureDiskRecordersAndPlans()
{
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    bool configured = false;
    WorkInDialog(driver, [&](QWidget* dialog) {
        ConfigureInDialog(dialog);
        configured = !QTest::currentTestFailed();
    });
    QVERIFY(H::Click(m_h->Window(), QStringLiteral("pBtnConfig")));
    QVERIFY(configured);
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(driver.Failures(), QStringList());
    driver.Clear();

    // What the dialog saved is what the next start reads.
    const int yard = g_pSysInfoManage->GetDeviceIndexByName("Yard");
    QVERIFY(yard >= 0);
    QCOMPARE(QByteArray(g_pSysInfoManage->GetDeviceInfo(yard)->Domain), QByteArray("localhost"));
    for (int plan = 0; plan < 2; ++plan) {
        const GROUP_INFO* info = g_pSysInfoManage->GetGroupInfo(plan);
        QVERIFY(info != nullptr && info->bUsed == 1);
        QCOMPARE(int(info->Schedule[0].Duration), 12);
        QCOMPARE(int(info->Schedule[0].FileDate), 1);
    }
    m_configured = true;
    // From here on Yard is unreachable: it refuses every login.
    m_yard->SetLoginRefusals(-1);
}

void TestScenario::step3_backupWindowRuns()
{
    QVERIFY(m_configured);
    CVarrow* window = m_h->Window();
    QVERIFY(H::Click(window, QStringLiteral("pBtnViewState")));
    auto* state = H::Find<CTableView>(window->ViewState(), QStringLiteral("tableView_State"));
    auto* events = H::Find<CTableView>(window->ViewState(), QStringLiteral("tableView_Event"));
    QVERIFY(state != nullptr && events != nullptr);

    // The window opens at 18:00 of the scaled clock; both plans fetch Gate's files of yesterday.
    const QDate day = QDate::currentDate().addDays(-1);
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(0), *m_gate, 1, day), 2, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(0), *m_gate, 2, day), 2, 60000);
    QVERIFY(state->GetTopRowCount() > 0);
    // No file is marked done without its copy: Gate's four are done, nothing of Yard's is.
    QTRY_COMPARE_WITH_TIMEOUT(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 4,
                              30000);
    for (int channel : {1, 2})
        QCOMPARE(FilesUnder(Root(0) + QLatin1Char('/') + ChannelFolder(*m_yard, channel)), QStringList());

    // Yard refuses every login: it shows in the event table and the report mail goes out.
    QTRY_VERIFY_WITH_TIMEOUT(events->GetTopRowCount() > 0, 60000);
    QVERIFY(m_h->Smtp().WaitForSessions(1, 60000));
    QVERIFY(m_h->Smtp().RawData().contains("operator@site.test"));
}

void TestScenario::step4_recordPageFindsPlaysAndExports()
{
    QVERIFY(m_configured);
    CVarrow* window = m_h->Window();
    QVERIFY(H::Click(window, QStringLiteral("pBtnViewRecFile")));
    CViewRecord* page = window->ViewRecord();
    QStringList calls;
    page->SetPlayer(std::make_unique<CFakeHandOff>(&calls));
    page->SetFileBrowser(std::make_unique<CFakeHandOff>(&calls));

    // Gate ticked in the camera tree (its channels follow), yesterday's whole day searched.
    QAbstractItemModel* devices = H::Find<CGroupTreeView>(page, QStringLiteral("pTreeGroup"))->model();
    QCOMPARE(devices->index(0, 0).data().toString(), QStringLiteral("Gate"));
    QVERIFY(devices->setData(devices->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    const QDate day = QDate::currentDate().addDays(-1);
    H::Find<CDateTimeEdit>(page, QStringLiteral("pDtFrom"))->setDateTime(QDateTime(day, QTime(0, 0)));
    H::Find<CDateTimeEdit>(page, QStringLiteral("pDtTo"))->setDateTime(QDateTime(day, QTime(23, 59, 59)));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    QVERIFY(H::Click(page, QStringLiteral("pBtnSearchRecord")));
    QCOMPARE(driver.Seen().size(), 0);

    // One row for each of Gate's four stored files (whole, as step 3 found them).
    auto* table = H::Find<CTableView>(page, QStringLiteral("pTableView"));
    QStringList paths;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        paths << table->model()->index(row, CViewRecord::COL_PATH).data().toString();
    QStringList stored = FilesUnder(Root(0) + QLatin1Char('/') + ChannelFolder(*m_gate, 1)) +
                         FilesUnder(Root(0) + QLatin1Char('/') + ChannelFolder(*m_gate, 2));
    QStringList found = paths;
    found.sort();
    stored.sort();
    QCOMPARE(found, stored);
    QCOMPARE(found.size(), 4);

    // The play cell of the second row hands that file to the player, and nothing else.
    const auto clickCell = [table](int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        const QModelIndex index = table->model()->index(row, column);
        table->scrollTo(index);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualRect(index).center());
    };
    clickCell(1, CViewRecord::COL_PLAYBACK);
    QCOMPARE(calls, QStringList({QStringLiteral("play ") + paths.at(1)}));

    // Two rows picked with the mouse (the second with Ctrl) and exported into a folder the operator names.
    clickCell(0, CViewRecord::COL_ID);
    clickCell(3, CViewRecord::COL_ID, Qt::ControlModifier);
    QTemporaryDir target;
    driver.Clear();
    AnswerExport(driver, "pFilePathBox", target.path() + QLatin1Char('/'), "pOkBtn");
    QVERIFY(H::Click(page, QStringLiteral("pBtnExport")));
    QTRY_VERIFY_WITH_TIMEOUT(!driver.Seen().isEmpty() &&
                                 driver.Seen().last().Text() == QStringLiteral("Export successful"),
                             30000);
    driver.Clear();
    // Each copy lands as <folder>/<channel>/<day>/<file>, equal to the recorder's recording; nothing else.
    QStringList wanted;
    for (int row : {0, 3}) {
        wanted << target.path() + QLatin1Char('/') + paths.at(row).section(QLatin1Char('/'), -3);
        QVERIFY2(ReadFile(wanted.last()) == ReadFile(paths.at(row)), qPrintable(wanted.last()));
    }
    wanted.sort();
    QCOMPARE(FilesUnder(target.path()), wanted);
    // The stored files stay where they were.
    QCOMPARE(WholeCopies(Root(0), *m_gate, 1, day) + WholeCopies(Root(0), *m_gate, 2, day), 4);
}

void TestScenario::step5_logPageFindsAndExportsTheDay()
{
    QVERIFY(H::Click(m_h->Window(), QStringLiteral("pBtnViewLog")));
    // The editors start on today: a plain search finds the day's entries.
    CSearchLog* page = m_h->Window()->SearchLog();
    QVERIFY(H::Click(page, QStringLiteral("m_pushButtonSearch")));
    auto* table = H::Find<CTableView>(page, QStringLiteral("m_pLogTableView"));
    QVERIFY(table != nullptr);
    const QStringList logged = H::LogTexts();
    QTRY_COMPARE(table->GetTopRowCount(), int(logged.size()));

    // Export: the backup dialog gets the path as the operator would choose it, then the busy box and the
    // result box pass.
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("today"));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    AnswerExport(driver, "pBackcBox", path, "Backup");
    QVERIFY(H::Click(page, QStringLiteral("m_pushButtonExportLog")));
    QVERIFY(!driver.Seen().isEmpty());
    QVERIFY2(driver.Seen().last().Text().contains(QStringLiteral("Backup successful")),
             qPrintable(driver.Seen().last().Text()));
    driver.Clear();
    QStringList exported;
    const QRegularExpression entry(QStringLiteral("<Contents>([^<]*)</Contents>"));
    for (const QRegularExpressionMatch& match : entry.globalMatch(QString::fromUtf8(ReadFile(path + ".xml"))))
        exported << match.captured(1);
    QCOMPARE(exported, logged);
}

void TestScenario::step6_manualBackupOfARange()
{
    QVERIFY(m_configured);
    // A recording of two days ago, which no plan fetches: the operator backs up that day by hand.
    const QDate day = QDate::currentDate().addDays(-2);
    m_gate->AddRecording(1, Recording(day, 9, 1 << 20));
    QVERIFY(H::Click(m_h->Window(), QStringLiteral("pBtnViewState")));
    QVERIFY(StartManualRun(m_h->Driver(), m_h->Window()->ViewState(), day));
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(0), *m_gate, 1, day), 1, 60000);
    m_h->Driver().Clear();
}

void TestScenario::step7_fullDiskStopsAndSecondDiskResumes()
{
    QVERIFY(m_configured);
    // Three recordings of three days ago on Gate's second channel, and room on disk D for one and a half.
    const QDate day = QDate::currentDate().addDays(-3);
    constexpr qint64 kSize = 1 << 20;
    for (int hour : {8, 10, 12})
        m_gate->AddRecording(2, Recording(day, hour, kSize));
    m_h->SetDriveQuota(0, CQuotaRoots::UsedBytes(m_h->DrivePath(0)) + kSize * 3 / 2);

    CVarrow* window = m_h->Window();
    QVERIFY(H::Click(window, QStringLiteral("pBtnViewState")));
    CModalDriver& driver = m_h->Driver();
    const auto countFull = [&driver] {
        int n = 0;
        for (const MODAL_SEEN& seen : driver.Seen())
            n += seen.Text().contains(QStringLiteral("The record disks are full")) ? 1 : 0;
        return n;
    };
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    QTRY_COMPARE_WITH_TIMEOUT(countFull(), 1, 60000);

    // Stopped: nothing more is written to D, and no file is marked done without its whole copy.
    const int stored = WholeCopies(Root(0), *m_gate, 2, day);
    QVERIFY(stored >= 0 && stored < 3);
    const std::string done = QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = %1 AND "
                                            "DownloadState = 2 AND FileStartTime LIKE '%2%'")
                                 .arg(MANUAL_GROUP_ID)
                                 .arg(day.toString(QStringLiteral("yyyy-MM-dd")))
                                 .toStdString();
    QTest::qWait(500);
    QCOMPARE(WholeCopies(Root(0), *m_gate, 2, day), stored);
    QVERIFY(CountRows(done) <= stored);
    driver.Clear();

    // The operator chooses disk E instead of D in the settings, and lets the backup restart for it.
    bool chosen = false;
    WorkInDialog(driver, [&](QWidget* dialog) {
        ChooseDisk(dialog, 1);
        AcceptBoxOver(driver, dialog);
        chosen = H::Click(dialog, QStringLiteral("pOkBtn"));
    });
    QVERIFY(H::Click(window, QStringLiteral("pBtnConfig")));
    QVERIFY(chosen);
    m_disk = 1;

    // The backup of the day runs again and stores every file on E, each equal to the recorder's; D keeps
    // what it had, and no disk is full any more.
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(1), *m_gate, 2, day), 3, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(CountRows(done), 3, 30000);
    QCOMPARE(WholeCopies(Root(0), *m_gate, 2, day), stored);
    QCOMPARE(countFull(), 0);
    QCOMPARE(driver.Failures(), QStringList());
    driver.Clear();
}

void TestScenario::step8_closeWithConfirmation()
{
    CVarrow* window = m_h->Window();
    QVERIFY(window != nullptr);
    const QStringList logged = H::LogTexts();

    // Declined: the window and its pages stay, nothing is logged.
    QVERIFY(!m_h->Close(false));
    QVERIFY(m_h->Driver().Seen().last().Text().contains(QStringLiteral("Sure to close software")));
    QVERIFY(window->isVisible() && window->ViewState() != nullptr);
    QCOMPARE(H::LogTexts(), logged);

    // Confirmed: every thread the window started ends, no recorder keeps a session, and "Close Software" is
    // the last entry.
    QVERIFY(m_h->Close(true));
    QCOMPARE(H::LogTexts(), logged + QStringList({QStringLiteral("Close Software")}));
    QVERIFY(m_h->Recorders().WaitForIdle(10000));
    QTRY_COMPARE_WITH_TIMEOUT(H::ThreadNames(), m_threadsBeforeOpen, 10000);
}

void TestScenario::step8_restartResumesOverdueList()
{
    // The program starts again over the same directory: it opens with what it had. The second start follows
    // the close at once (the engine may log its own start after it).
    CVarrow* window = m_h->Restart();
    QVERIFY(window != nullptr);
    const QStringList logged = H::LogTexts();
    QCOMPARE(logged.count(QStringLiteral("Open Software")), 2);
    QCOMPARE(logged.at(logged.lastIndexOf(QStringLiteral("Open Software")) - 1),
             QStringLiteral("Close Software"));
    SYSTEM_CONFIG system;
    g_pSysInfoManage->GetSystemConfig(&system);
    QCOMPARE(QString::fromLatin1(system.Disk), QString(H::DriveLetter(m_disk)));
    QVERIFY(m_configured);

    // A later day D: the plans' window of D fetches Gate's files of the day before, one on each channel. The
    // first channel's play-backs are refused, so Night's list of D is left with an unfinished file when the
    // program closes while the window is still open.
    const QDate day = QDate::currentDate().addDays(3);
    const QDate filesDay = day.addDays(-1);
    m_gate->AddRecording(1, Recording(filesDay, 10, 6 << 20));
    m_gate->AddRecording(2, Recording(filesDay, 11, 1 << 20));
    SimChannelFaults refused;
    refused.PlayRefusals = -1;
    m_gate->SetChannelFaults(1, refused);
    int night = -1;
    int late = -1;
    for (int plan = 0; plan < 2; ++plan)
        (QByteArray(g_pSysInfoManage->GetGroupInfo(plan)->GroupName) == "Night" ? night : late) = plan;
    QVERIFY(night >= 0 && late >= 0);
    const auto filesOf = [&filesDay](int plan, int isPast, bool done) {
        return CountRows(
            QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = %1 AND IsPast = %2 "
                           "AND DownloadState %3 2 AND FileStartTime LIKE '%4%'")
                .arg(plan)
                .arg(isPast)
                .arg(done ? QStringLiteral("=") : QStringLiteral("<>"))
                .arg(filesDay.toString(QStringLiteral("yyyy-MM-dd")))
                .toStdString());
    };
    m_h->Clock().SetNow(QDateTime(day, QTime(17, 59)));

    // The last run was a manual one, which the page resumes once the window shows (its button turns into a
    // stop button): the operator switches back to automatic backup.
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    QTRY_VERIFY_WITH_TIMEOUT(H::FindButton(window->ViewState(), QStringLiteral("pBtnManual"))
                                 ->styleSheet()
                                 .contains(QStringLiteral("manual_copy_stop")),
                             10000);
    driver.Accept();
    QVERIFY(H::Click(window->ViewState(), QStringLiteral("pBtnAuto")));
    QCOMPARE(driver.Pending(), 0);
    driver.Clear();

    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(m_disk), *m_gate, 2, filesDay), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(late, 0, true), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(night, 0, false), 1, 30000);
    QVERIFY(m_h->Clock().Now() < QDateTime(day.addDays(1), QTime(5, 0)));
    QCOMPARE(WholeCopies(Root(m_disk), *m_gate, 1, filesDay), 0);

    // Closed while D's window is open; the recorder plays again, and the program starts just before the
    // window of D + 1, which takes D's unfinished list as its overdue list.
    QVERIFY(m_h->Close(true));
    m_gate->SetChannelFaults(1, SimChannelFaults());
    // Slow enough that the overdue list's row can be seen while it runs.
    m_gate->SetRate(4 << 20);
    m_h->Clock().SetNow(QDateTime(day.addDays(1), QTime(17, 59)));
    window = m_h->Restart();
    QVERIFY(window != nullptr);
    auto* state = H::Find<CTableView>(window->ViewState(), QStringLiteral("tableView_State"));
    QVERIFY(state != nullptr);
    bool overdueRow = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (int row = 0; row < state->GetTopRowCount(); ++row)
            overdueRow = overdueRow || state->GetItemText(row, 1) == QStringLiteral("*Night");
    });
    watch.start(10);
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopies(Root(m_disk), *m_gate, 1, filesDay), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(night, 1, true), 1, 30000);
    watch.stop();
    m_gate->SetRate(0);
    QVERIFY(overdueRow);
    QCOMPARE(filesOf(night, 1, false), 0);
    QCOMPARE(WholeCopies(Root(m_disk), *m_gate, 2, filesDay), 1);
    QCOMPARE(driver.Failures(), QStringList());
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    const QString screens =
        QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/screens/1280x1024.json");
    qputenv("QT_QPA_PLATFORM", (QStringLiteral("offscreen:configfile=") + screens).toLocal8Bit());
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestScenario test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_scenario.moc"

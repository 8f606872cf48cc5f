// The whole program as an operator meets it, through its own windows: the real main window over a temporary
// program directory, two simulated recorders (the second one refuses every login once it is added), two drive
// roots and the scaled engine clock. The steps run in order on one program, as one operator's day: a step
// finds the program as the step before it left it.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "config/CDlgSet.h"
#include "model/SysInfoManage.h"
#include "pages/log/CSearchLog.h"
#include "platform/FileBrowser.h"
#include "platform/RecordPlayer.h"
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

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QDateTimeEdit>
#include <QDirIterator>
#include <QFileInfo>
#include <QListWidget>
#include <QStackedWidget>
#include <QTimer>
#include <QXmlStreamReader>

namespace {

QString ScreenFile()
{
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/screens/1280x1024.json");
}

// The contents of the entries of an exported log file, in file order; empty when it does not parse.
QStringList ExportedTexts(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Contents"))
            texts << xml.readElementText();
    }
    return xml.hasError() ? QStringList() : texts;
}

// Yesterday's recordings: two channels on each recorder, two recordings a channel on Gate and one on Yard.
// The plans' overnight window, opening at 18:00, fetches the files of the day before.
SimRecorderConfig RecorderConfig(const char* name, const QList<qint64>& sizes, const QDate& day, int seed)
{
    SimRecorderConfig config = CSimRecorders::MakeConfig(2, sizes, day, seed);
    config.Name = QLatin1String(name);
    return config;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SimRecording Recording(const QDate& day, int hour, int minute, qint64 size)
{
    SimRecording recording;
    recording.Start = QDateTime(day, QTime(hour, minute), Qt::UTC);
    recording.Stop = recording.Start.addSecs(30 * 60);
    recording.Size = size;
    return recording;
}

// The name a stored or exported copy of `recording` begins with.
QString Stamp(const SimRecording& recording)
{
    return recording.Start.toString(QStringLiteral("yyyyMMddhhmmss_")) +
           recording.Stop.toString(QStringLiteral("yyyyMMddhhmmss_"));
}

// Queued: the work runs in the dialog's own loop, where the driver can answer the boxes it opens.
void ClickLater(QWidget* dialog, const QString& name)
{
    QMetaObject::invokeMethod(
        dialog, [dialog, name] { CScenarioHarness::Click(dialog, name); }, Qt::QueuedConnection);
}

// Ticks only the disk `drive` in the settings dialog's disk table.
void ChooseDisk(QWidget* dialog, int drive)
{
    auto* disks =
        qobject_cast<CTableView*>(CScenarioHarness::Find(dialog, QStringLiteral("m_ptreeViewDisk")));
    QVERIFY(disks != nullptr);
    QCOMPARE(disks->GetRowCount(), CScenarioHarness::kDrives);
    for (int row = 0; row < disks->GetRowCount(); ++row)
        disks->SetItemChecked(row, 0, disks->GetItemText(row, 1) == CScenarioHarness::DriveLetter(drive));
}

// Lets the next `count` boxes pass: the busy box may be gone before the driver sees it, so it is left alone.
void AcceptResults(CModalDriver& driver, int count)
{
    for (int i = 0; i < count; ++i)
        driver.Answer([](QWidget* box) {
            if (qobject_cast<ChaseDialog*>(box) == nullptr)
                qobject_cast<QDialog*>(box)->accept();
        });
}

// The manual backup dialog: the whole `day`, Gate's group (a double click on its title bar picks every
// channel of it), then Return.
void FillManualDialog(QWidget* dialog, const QDate& day)
{
    qobject_cast<QDateTimeEdit*>(CScenarioHarness::Find(dialog, QStringLiteral("pDtStart")))
        ->setDateTime(QDateTime(day, QTime(0, 0)));
    auto* end = qobject_cast<QDateTimeEdit*>(CScenarioHarness::Find(dialog, QStringLiteral("pDtEnd")));
    end->setDateTime(QDateTime(day, QTime(23, 59, 59)));
    dialog->findChild<CPictureGroup*>()->OnTitleBarDbClicked(1);
    QTest::keyClick(end, Qt::Key_Return);
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
    // Skips the step while the named part of the program is still a stand-in.
    bool SettingsDialogStands() const;
    bool PageStands(QWidget* page) const
    {
        return page != nullptr && !page->findChildren<QAbstractItemView*>().isEmpty();
    }
    bool StatePageStands() const
    {
        return m_h->Window() != nullptr && PageStands(m_h->Window()->ViewState());
    }
    bool RecordPageStands() const
    {
        return m_h->Window() != nullptr && PageStands(m_h->Window()->ViewRecord());
    }
    void ConfigureInDialog(QWidget* dialog);

    std::unique_ptr<CScenarioHarness> m_h;
    CRecorderSim* m_gate = nullptr;
    CRecorderSim* m_yard = nullptr;
    QStringList m_threadsBeforeOpen;
    bool m_devicesAdded = false; // step 2 saved the disk, the mail and both recorders
    bool m_configured = false;   // ... and plans with channels, so a backup can run
    QByteArray m_disk = "D";     // the disk chosen last in the settings
};

void TestScenario::initTestCase()
{
    const QDate today = QDate::currentDate();
    m_h = std::make_unique<CScenarioHarness>(QDateTime(today, QTime(17, 50)), 200.0);
    QVERIFY(m_h->IsValid());
    m_gate = m_h->Recorders().Add(RecorderConfig("Gate", {3 << 20, 2 << 20}, today.addDays(-1), 7));
    m_yard = m_h->Recorders().Add(RecorderConfig("Yard", {1 << 20}, today.addDays(-1), 9));
    QVERIFY(m_gate != nullptr && m_yard != nullptr);
}

void TestScenario::cleanupTestCase()
{
    if (m_h != nullptr)
        QCOMPARE(m_h->Driver().Failures(), QStringList());
    m_h.reset();
}

bool TestScenario::SettingsDialogStands() const
{
    CDlgSet probe(nullptr);
    return CScenarioHarness::FindButton(&probe, QStringLiteral("pBtnDevice")) != nullptr;
}

void TestScenario::step1_firstStartOnEmptyDirectory()
{
    const QStringList before = QDir(m_h->ProgramDir()).entryList(QDir::Files);
    QCOMPARE(before, QStringList({QStringLiteral("Drives.conf")}));
    m_threadsBeforeOpen = CScenarioHarness::ThreadNames();

    CVarrow* window = m_h->Open();
    QVERIFY(window != nullptr);
    // No disk is chosen yet: the window opens without a box.
    QCOMPARE(m_h->Driver().Seen().size(), 0);
    QVERIFY(window->isVisible());
    QCOMPARE(window->StackedWidget()->currentWidget(), static_cast<QWidget*>(window->ViewState()));

    QVERIFY(QFile::exists(m_h->DbPath()));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(CScenarioHarness::LogTexts(), QStringList({QStringLiteral("Open Software")}));
}

// Fills the add-device dialog that `driver` will meet next and presses its OK (queued, so that a box the
// add shows is answered by the driver too).
void AnswerAddDevice(CModalDriver& driver, const QString& name, bool byDomain, const QString& address,
                     quint16 port)
{
    driver.Answer([=](QWidget* dialog) {
        if (byDomain) {
            auto* method = qobject_cast<QComboBox*>(
                CScenarioHarness::Find(dialog, QStringLiteral("m_pcomboBoxAddDevice")));
            QVERIFY(method != nullptr);
            method->setCurrentIndex(method->findData(1));
        }
        const QList<std::pair<const char*, QString>> fields = {
            {"m_plineEditDeviceName", name},
            {"m_plineEditDeviceIP", address},
            {"m_plineEditDevicePort", QString::number(port)},
            {"m_plineEditDeviceUserName", QStringLiteral("admin")},
            {"m_plineEditDevicePassWord", QStringLiteral("12345")}};
        for (const auto& [field, text] : fields)
            QVERIFY2(CScenarioHarness::Type(dialog, QLatin1String(field), text), field);
        ClickLater(dialog, QStringLiteral("pOkBtn"));
    });
}

// Accepts the next box other than `owner`: while one box closes and the next opens, the driver may meet the
// dialog beneath them (`owner`, still in its own exec) for a moment; that one is left alone.
void AcceptBoxOver(CModalDriver& driver, QWidget* owner)
{
    driver.Answer([&driver, owner](QWidget* box) {
        if (box == owner) {
            AcceptBoxOver(driver, owner);
            return;
        }
        qobject_cast<QDialog*>(box)->accept();
    });
}

// The texts of the boxes seen, without those of `owner`.
QStringList SeenTexts(const CModalDriver& driver, QWidget* owner)
{
    QStringList texts;
    const MODAL_SEEN mine = CModalDriver::Describe(owner);
    for (const MODAL_SEEN& seen : driver.Seen())
        if (seen.objectName != mine.objectName || seen.className != mine.className)
            texts << seen.Text();
    return texts;
}

// Adds a plan by name on the plan page; true when the name dialog took it.
bool AddPlanByName(CModalDriver& driver, QWidget* planPage, const QString& name)
{
    bool taken = false;
    driver.Answer([&](QWidget* dialog) {
        CScenarioHarness::Type(dialog, QStringLiteral("m_pLineEditPlanName"), name);
        CScenarioHarness::Click(dialog, QStringLiteral("m_pushButtonOK"));
        taken = !dialog->isVisible();
        if (!taken)
            qobject_cast<QDialog*>(dialog)->reject();
    });
    return CScenarioHarness::Click(planPage, QStringLiteral("m_pBtnAdd")) && taken;
}

// Everything the operator does inside the settings dialog, in order: disk D in stop mode and the report mail
// on the system page, both recorders on the device page (Yard by its domain name), two plans on the plan
// page, then OK. Runs inside the dialog's own loop.
void TestScenario::ConfigureInDialog(QWidget* dialog)
{
    CModalDriver& driver = m_h->Driver();
    ChooseDisk(dialog, 0);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("m_pRadioBtnStop")));
    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("m_pcheckBoxEmail")));
    const QList<std::pair<const char*, QString>> mail = {
        {"m_plineEditReceiverAddress", QStringLiteral("operator@site.test")},
        {"m_plineEditDeliverServer", QStringLiteral("127.0.0.1")},
        {"m_plineEditPort", QString::number(m_h->Smtp().Port())},
        {"m_plineEditDeliverAddress", QStringLiteral("station@site.test")},
        {"m_plineEditMailUserName", QStringLiteral("station")},
        {"m_plineEditMailPassWord", QStringLiteral("secret")}};
    for (const auto& [field, text] : mail)
        QVERIFY2(CScenarioHarness::Type(dialog, QLatin1String(field), text), field);

    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("pBtnDevice")));
    AnswerAddDevice(driver, QStringLiteral("Gate"), false, QStringLiteral("127.0.0.1"), m_gate->Port());
    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("m_pBtnAddDevice")));
    AnswerAddDevice(driver, QStringLiteral("Yard"), true, QStringLiteral("localhost"), m_yard->Port());
    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("m_pBtnAddDevice")));
    auto* devices =
        qobject_cast<CTableView*>(CScenarioHarness::Find(dialog, QStringLiteral("m_pTableViewDevice")));
    QVERIFY(devices != nullptr);
    QCOMPARE(devices->GetRowCount(), 2);

    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("pBtnSchedule")));
    QWidget* planPage = CScenarioHarness::Find(dialog, QStringLiteral("m_pBtnAdd"))->parentWidget();
    // Night takes the first channel of each recorder, Late the second; each picked in the chooser by its
    // thumbnail (group 1 is Gate, group 2 Yard).
    const QList<std::pair<QString, QList<bool>>> plans = {{QStringLiteral("Night"), {true, false}},
                                                          {QStringLiteral("Late"), {false, true}}};
    for (const auto& [name, flags] : plans) {
        QVERIFY(AddPlanByName(driver, planPage, name));
        driver.Answer([flags = flags](QWidget* chooser) {
            CPictureGroup* group = chooser->findChild<CPictureGroup*>();
            QVERIFY(group != nullptr);
            // Ctrl and a click on each wanted thumbnail, as the operator picks across recorders.
            for (uint id : {1u, 2u}) {
                CPicLabelList* list = nullptr;
                QVERIFY(group->GetGroupList(id, &list));
                QList<CPicLabel*> labels;
                list->GetPicLabels(&labels);
                QCOMPARE(labels.size(), flags.size());
                for (int i = 0; i < labels.size(); ++i) {
                    if (flags[i])
                        QTest::mouseClick(labels[i], Qt::LeftButton, Qt::ControlModifier,
                                          labels[i]->rect().center());
                }
            }
            ClickLater(chooser, QStringLiteral("pOkBtn"));
        });
        QVERIFY(CScenarioHarness::Click(planPage, QStringLiteral("m_pushButtonChooseChannel")));
        // The chooser's loader may still show its busy box while it stops: the next answer is for what comes
        // after it.
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeModalWidget(), dialog, 20000);
        auto* channels = qobject_cast<QListWidget*>(
            CScenarioHarness::Find(planPage, QStringLiteral("m_pListWidgetBackUpChannel")));
        QVERIFY(channels != nullptr);
        QCOMPARE(channels->count(), 2);
    }

    // Late is shown: the whole week on, from 18:00 for twelve hours (overnight), fetching the day before.
    auto* schedule =
        qobject_cast<CTableView*>(CScenarioHarness::Find(planPage, QStringLiteral("m_ptableViewBackUpTime")));
    QVERIFY(schedule != nullptr);
    auto* wholeWeek = qobject_cast<QAbstractButton*>(schedule->GetItemWidget(0, 0));
    QVERIFY(wholeWeek != nullptr);
    // A new plan starts with the whole week ticked. (The box sits centred in its cell: the space key ticks
    // it wherever it is drawn.)
    if (!wholeWeek->isChecked()) {
        wholeWeek->setFocus();
        QTest::keyClick(wholeWeek, Qt::Key_Space);
    }
    QVERIFY(wholeWeek->isChecked());
    auto* duration = qobject_cast<QComboBox*>(schedule->GetItemWidget(0, 2));
    QVERIFY(duration != nullptr && duration->isEnabled());
    duration->setCurrentIndex(11);
    // ... and copied to Night in the copy dialog.
    // Once the dialog is laid out on the screen: Choose All ticks every other plan, then OK.
    driver.Answer([](QWidget* copy) {
        QTimer::singleShot(200, copy, [copy] {
            CScenarioHarness::Click(copy, QStringLiteral("m_pBtnAll"));
            CScenarioHarness::Click(copy, QStringLiteral("pOkBtn"));
        });
    });
    AcceptBoxOver(driver, dialog);
    QVERIFY(CScenarioHarness::Click(planPage, QStringLiteral("m_pBtnCopy")));
    QCOMPARE(SeenTexts(driver, dialog).last(), QStringLiteral("The Schedule has been copied successfully"));

    // The new disk and the new plans each ask whether the backup may restart for them.
    driver.Clear();
    driver.Accept();
    driver.Accept();
    QVERIFY(CScenarioHarness::Click(dialog, QStringLiteral("pOkBtn")));
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen().at(0).Text(), QStringLiteral("Modify Disk need to reboot Backup,Are you sure?"));
    QCOMPARE(driver.Seen().at(1).Text(),
             QStringLiteral("Modify Schedule need to reboot Backup,Are you sure?"));
}

void TestScenario::step2_configureDiskRecordersAndPlans()
{
    if (!SettingsDialogStands())
        QSKIP("The settings dialog is still an empty stand-in: no disk, recorder or plan can be configured "
              "through the window.");
    CVarrow* window = m_h->Window();
    QVERIFY(window != nullptr);
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    bool configured = false;
    driver.Answer([&](QWidget* dialog) {
        // Queued: the operator's work runs in the dialog's loop, where the driver answers its boxes.
        QMetaObject::invokeMethod(
            dialog,
            [&, dialog] {
                ConfigureInDialog(dialog);
                configured = !QTest::currentTestFailed();
                if (dialog->isVisible())
                    qobject_cast<QDialog*>(dialog)->reject();
            },
            Qt::QueuedConnection);
    });
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnConfig")));
    QVERIFY(configured);
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(driver.Failures(), QStringList());
    driver.Clear();

    // What the dialog saved is what the next start reads.
    SYSTEM_CONFIG system;
    g_pSysInfoManage->GetSystemConfig(&system);
    QCOMPARE(QByteArray(system.Disk), QByteArray("D"));
    QVERIFY(system.DiskMode != 0);
    QCOMPARE(int(system.IsEnableEmail), 1);
    MAIL_CONFIG mail;
    g_pSysInfoManage->GetMailConfig(&mail);
    QCOMPARE(int(mail.SMTPPort), int(m_h->Smtp().Port()));
    QCOMPARE(QByteArray(mail.MailTo), QByteArray("operator@site.test"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 2);
    const int yard = g_pSysInfoManage->GetDeviceIndexByName("Yard");
    QVERIFY(yard >= 0);
    QCOMPARE(QByteArray(g_pSysInfoManage->GetDeviceInfo(yard)->Domain), QByteArray("localhost"));
    QCOMPARE(QByteArray(g_pSysInfoManage->GetDeviceInfo(yard)->DeviceIP), QByteArray("127.0.0.1"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table WHERE IsUsed = 1"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToGroup = 1"), 4);
    for (int plan = 0; plan < 2; ++plan) {
        const GROUP_INFO* info = g_pSysInfoManage->GetGroupInfo(plan);
        QVERIFY(info != nullptr && info->bUsed == 1);
        QCOMPARE(int(info->Schedule[0].IsEanbel), 1);
        QCOMPARE(int(info->Schedule[0].Duration), 12);
        QCOMPARE(int(info->Schedule[0].FileDate), 1);
    }
    m_devicesAdded = true;
    m_configured = true;
    // From here on Yard is unreachable: it refuses every login.
    m_yard->SetLoginRefusals(-1);
}

// The name of a recorder's channel's folder, on a disk and in an export.
QString ChannelFolder(const CRecorderSim& sim, int channel)
{
    const QByteArray name =
        sim.AddressBytes() + '_' + QByteArray::number(sim.Port()) + '_' + QByteArray::number(channel);
    return CStowelineClass::EncodeRecordName(name.constData());
}

// The stored copies of a recorder's channel on a drive, by the range their names begin with
// ("yyyyMMddhhmmss_yyyyMMddhhmmss_").
QMap<QString, QString> StoredCopies(const QString& drive, const CRecorderSim& sim, int channel)
{
    QMap<QString, QString> copies;
    QDirIterator it(CStowelineClass::RecordRootOf(drive) + QLatin1Char('/') + ChannelFolder(sim, channel),
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        copies.insert(path.section(QLatin1Char('/'), -1).left(30), path);
    }
    return copies;
}

// Every recording of the channel has its stored copy, equal byte for byte to what the recorder plays back.
QString CopiesMatch(const QString& drive, const CRecorderSim& sim, int channel)
{
    const QMap<QString, QString> copies = StoredCopies(drive, sim, channel);
    for (const SimRecording& recording : sim.Config().Channels.value(channel).Recordings) {
        const QString stamp = Stamp(recording);
        QFile file(copies.value(stamp));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("channel %1: no copy of %2 among %3")
                .arg(channel)
                .arg(stamp, QStringList(copies.keys()).join(QLatin1Char(',')));
        const CSimPlaybackContent expected =
            sim.Expected(channel, SimTime(recording.Start), SimTime(recording.Stop));
        if (file.size() != expected.Length() || file.readAll() != expected.Bytes(0, expected.Length()))
            return QStringLiteral("channel %1: %2 differs from the recorder's").arg(channel).arg(stamp);
    }
    return QString();
}

// What the recorder plays back for the recording a stored or exported copy is named after: the channel by
// the copy's folder, the range by the start of its name; null when no recording of the recorder fits.
QByteArray RecorderBytesOf(const CRecorderSim& sim, const QString& path)
{
    const QString stamp = QFileInfo(path).fileName().left(30);
    const QString folder = QFileInfo(QFileInfo(path).path()).dir().dirName();
    for (auto channel = sim.Config().Channels.cbegin(); channel != sim.Config().Channels.cend(); ++channel) {
        if (ChannelFolder(sim, channel.key()) != folder)
            continue;
        for (const SimRecording& recording : channel.value().Recordings) {
            if (Stamp(recording) != stamp)
                continue;
            const CSimPlaybackContent expected =
                sim.Expected(channel.key(), SimTime(recording.Start), SimTime(recording.Stop));
            return expected.Bytes(0, expected.Length());
        }
    }
    return {};
}

void TestScenario::step3_backupWindowRuns()
{
    if (!m_configured)
        QSKIP("Needs the recorders and plans of step 2, configured through the settings dialog.");
    if (!StatePageStands())
        QSKIP("The state page is still a stand-in: no engine thread runs from the window.");
    CVarrow* window = m_h->Window();
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnViewState")));
    auto* state = qobject_cast<CTableView*>(
        CScenarioHarness::Find(window->ViewState(), QStringLiteral("tableView_State")));
    auto* events = qobject_cast<CTableView*>(
        CScenarioHarness::Find(window->ViewState(), QStringLiteral("tableView_Event")));
    QVERIFY(state != nullptr && events != nullptr);

    // The window opens at 18:00 of the scaled clock; both plans fetch Gate's files of yesterday.
    const QString drive = m_h->DrivePath(0);
    QTRY_VERIFY_WITH_TIMEOUT(
        CopiesMatch(drive, *m_gate, 1).isEmpty() && CopiesMatch(drive, *m_gate, 2).isEmpty(), 60000);
    QVERIFY(state->GetTopRowCount() > 0);
    // No file is marked done without its copy: Gate's four are done, nothing of Yard's is.
    QTRY_COMPARE_WITH_TIMEOUT(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 4,
                              30000);
    QCOMPARE(StoredCopies(drive, *m_yard, 1).size() + StoredCopies(drive, *m_yard, 2).size(), 0);

    // Yard refuses every login: it shows in the event table and the report mail goes out.
    QTRY_VERIFY_WITH_TIMEOUT(events->GetTopRowCount() > 0, 60000);
    QVERIFY(m_h->Smtp().WaitForSessions(1, 60000));
    QVERIFY(m_h->Smtp().RawData().contains("operator@site.test"));
}

void TestScenario::step4_recordPageFindsPlaysAndExports()
{
    if (!RecordPageStands())
        QSKIP("The record page is still a stand-in: nothing stored can be searched, played or exported.");
    if (!m_configured)
        QSKIP("Needs the files stored in step 3.");
    CVarrow* window = m_h->Window();
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnViewRecFile")));
    CViewRecord* page = window->ViewRecord();
    QCOMPARE(window->StackedWidget()->currentWidget(), static_cast<QWidget*>(page));
    QStringList calls;
    page->SetPlayer(std::make_unique<CFakeHandOff>(&calls));
    page->SetFileBrowser(std::make_unique<CFakeHandOff>(&calls));

    // Gate ticked in the camera tree (its channels follow), yesterday's whole day searched.
    auto* tree = qobject_cast<CGroupTreeView*>(CScenarioHarness::Find(page, QStringLiteral("pTreeGroup")));
    QVERIFY(tree != nullptr);
    QAbstractItemModel* devices = tree->model();
    QCOMPARE(devices->rowCount(), 2);
    QCOMPARE(devices->index(0, 0).data().toString(), QStringLiteral("Gate"));
    QVERIFY(devices->setData(devices->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    const QDate day = QDate::currentDate().addDays(-1);
    qobject_cast<CDateTimeEdit*>(CScenarioHarness::Find(page, QStringLiteral("pDtFrom")))
        ->setDateTime(QDateTime(day, QTime(0, 0)));
    qobject_cast<CDateTimeEdit*>(CScenarioHarness::Find(page, QStringLiteral("pDtTo")))
        ->setDateTime(QDateTime(day, QTime(23, 59, 59)));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    QVERIFY(CScenarioHarness::Click(page, QStringLiteral("pBtnSearchRecord")));
    QCOMPARE(driver.Seen().size(), 0);

    // One row for each of Gate's four stored files, each equal byte for byte to the recorder's recording.
    auto* table = qobject_cast<CTableView*>(CScenarioHarness::Find(page, QStringLiteral("pTableView")));
    QVERIFY(table != nullptr);
    QAbstractItemModel* rows = table->model();
    QCOMPARE(rows->rowCount(), 4);
    QStringList paths;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QString path = rows->index(row, CViewRecord::COL_PATH).data().toString();
        QVERIFY2(path.startsWith(m_h->DrivePath(0)), qPrintable(path));
        const QByteArray expected = RecorderBytesOf(*m_gate, path);
        QVERIFY2(!expected.isEmpty(), qPrintable(path));
        QVERIFY2(ReadFile(path) == expected, qPrintable(path));
        paths << path;
    }
    paths.removeDuplicates();
    QCOMPARE(paths.size(), 4);

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
    QList<QString> picked;
    page->GetSelectedFile(picked);
    QCOMPARE(picked, (QList<QString>{paths.at(0), paths.at(3)}));
    QTemporaryDir target;
    QVERIFY(target.isValid());
    driver.Clear();
    driver.Answer([&target](QWidget* dialog) {
        auto* chooser = dialog->findChild<CPathComboBox*>(QStringLiteral("pFilePathBox"));
        QVERIFY2(chooser != nullptr, dialog->metaObject()->className());
        chooser->addItem(target.path() + QLatin1Char('/'));
        ClickLater(dialog, QStringLiteral("pOkBtn"));
    });
    AcceptResults(driver, 2);
    QVERIFY(CScenarioHarness::Click(page, QStringLiteral("pBtnExport")));
    QTRY_VERIFY_WITH_TIMEOUT(!driver.Seen().isEmpty() &&
                                 driver.Seen().last().Text() == QStringLiteral("Export successful"),
                             30000);
    driver.Clear();
    // Each copy lands as <folder>/<channel>/<day>/<file>, equal to the recorder's recording; nothing else.
    QStringList exported;
    QDirIterator it(target.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        exported << it.next();
    exported.sort();
    QStringList wanted;
    for (const QString& source : picked) {
        const QFileInfo info(source);
        wanted << target.path() + QLatin1Char('/') + QFileInfo(info.path()).dir().dirName() +
                      QLatin1Char('/') + info.dir().dirName() + QLatin1Char('/') + info.fileName();
    }
    wanted.sort();
    QCOMPARE(exported, wanted);
    for (const QString& copy : exported) {
        const QByteArray expected = RecorderBytesOf(*m_gate, copy);
        QVERIFY2(!expected.isEmpty() && ReadFile(copy) == expected, qPrintable(copy));
    }
    // The stored files stay where they were.
    QVERIFY(CopiesMatch(m_h->DrivePath(0), *m_gate, 1).isEmpty() &&
            CopiesMatch(m_h->DrivePath(0), *m_gate, 2).isEmpty());
}

void TestScenario::step5_logPageFindsAndExportsTheDay()
{
    CVarrow* window = m_h->Window();
    QVERIFY(window != nullptr);
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnViewLog")));
    QCOMPARE(window->StackedWidget()->currentWidget(), static_cast<QWidget*>(window->SearchLog()));

    // The editors start on today: a plain search finds the day's entries.
    CSearchLog* page = window->SearchLog();
    QVERIFY(CScenarioHarness::Click(page, QStringLiteral("m_pushButtonSearch")));
    auto* table = qobject_cast<CTableView*>(CScenarioHarness::Find(page, QStringLiteral("m_pLogTableView")));
    QVERIFY(table != nullptr);
    const QStringList logged = CScenarioHarness::LogTexts();
    QTRY_COMPARE(table->GetTopRowCount(), int(logged.size()));
    QVERIFY(logged.contains(QStringLiteral("Open Software")));

    // Export: the backup dialog gets the path as the operator would choose it, then the busy box and the
    // result box pass.
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("today"));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    driver.Answer([path](QWidget* dialog) {
        auto* chooser = dialog->findChild<CPathComboBox*>(QStringLiteral("pBackcBox"));
        QVERIFY2(chooser != nullptr, dialog->metaObject()->className());
        chooser->clear();
        chooser->addItem(path);
        ClickLater(dialog, QStringLiteral("Backup"));
    });
    AcceptResults(driver, 2);
    QVERIFY(CScenarioHarness::Click(page, QStringLiteral("m_pushButtonExportLog")));
    QVERIFY(!driver.Seen().isEmpty());
    QVERIFY2(driver.Seen().last().Text().contains(QStringLiteral("Backup successful")),
             qPrintable(driver.Seen().last().Text()));
    driver.Clear();
    QCOMPARE(ExportedTexts(path + QStringLiteral(".xml")), logged);
}

void TestScenario::step6_manualBackupOfARange()
{
    if (!StatePageStands())
        QSKIP("The state page and the manual backup dialog are still stand-ins: no manual backup can be "
              "started from the window.");
    if (!m_configured)
        QSKIP("Needs the recorders of step 2.");
    // A recording of two days ago, which no plan fetches: the operator backs up that day by hand.
    const QDate day = QDate::currentDate().addDays(-2);
    m_gate->AddRecording(1, Recording(day, 9, 0, 1 << 20));

    CVarrow* window = m_h->Window();
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnViewState")));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    driver.Accept(); // leave automatic backup for this run
    driver.Answer([day](QWidget* dialog) { FillManualDialog(dialog, day); });
    QVERIFY(CScenarioHarness::Click(window->ViewState(), QStringLiteral("pBtnManual")));
    QCOMPARE(driver.Pending(), 0);
    QVERIFY(driver.Seen().first().Text().contains(QStringLiteral("Switch to manual backup mode")));
    const QString drive = m_h->DrivePath(0);
    QTRY_VERIFY_WITH_TIMEOUT(CopiesMatch(drive, *m_gate, 1).isEmpty(), 60000);
    QCOMPARE(StoredCopies(drive, *m_gate, 1).size(), 3);
    driver.Clear();
}

// The operator through a manual backup of Gate's channels over the whole `day`: confirmations and the
// result boxes are accepted, the manual dialog gets the day and Gate's group, the busy box of the list passes
// by itself. Answers every box until the driver is cleared.
void AnswerManualRun(CModalDriver& driver, const QDate& day)
{
    driver.Answer([&driver, day](QWidget* box) {
        AnswerManualRun(driver, day);
        if (qobject_cast<ChaseDialog*>(box) != nullptr)
            return;
        if (QString::fromLatin1(box->metaObject()->className()) == QLatin1String("CDlgManualBackup"))
            FillManualDialog(box, day);
        else
            qobject_cast<QDialog*>(box)->accept();
    });
}

// Starts the manual backup that AnswerManualRun answers; a manual run still on is stopped by the first
// click, and the second one opens the dialog.
bool StartManualRun(CModalDriver& driver, QWidget* state, const QDate& day)
{
    driver.Clear();
    AnswerManualRun(driver, day);
    if (!CScenarioHarness::Click(state, QStringLiteral("pBtnManual")))
        return false;
    if (!driver.Seen().isEmpty() &&
        driver.Seen().first().Text().contains(QStringLiteral("Sure to stop backup?")))
        return CScenarioHarness::Click(state, QStringLiteral("pBtnManual"));
    return true;
}

// The stored copies of the recordings on `day` of a recorder's channel that are whole and equal byte for byte
// to what the recorder plays back; an error text in `error` for any other file of that day, a temporary one
// left behind included.
int WholeCopiesOfDay(const QString& drive, const CRecorderSim& sim, int channel, const QDate& day,
                     QString* error)
{
    int whole = 0;
    const QString prefix = day.toString(QStringLiteral("yyyyMMdd"));
    QDirIterator it(CStowelineClass::RecordRootOf(drive) + QLatin1Char('/') + ChannelFolder(sim, channel),
                    QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QFileInfo(path).fileName().startsWith(prefix))
            continue;
        const QByteArray expected = RecorderBytesOf(sim, path);
        if (!path.endsWith(QLatin1String(".rec")) || expected.isEmpty() || ReadFile(path) != expected)
            *error += path + QStringLiteral(" is not the recorder's recording; ");
        else
            ++whole;
    }
    return whole;
}

void TestScenario::step7_fullDiskStopsAndSecondDiskResumes()
{
    if (!StatePageStands() || !SettingsDialogStands())
        QSKIP(
            "The state page or the settings dialog is still a stand-in: no disk can be chosen and no backup "
            "runs from the window.");
    if (!m_configured)
        QSKIP("Needs the plans of step 2.");
    // Three recordings of three days ago on Gate's second channel, and room on disk D for one and a half.
    const QDate day = QDate::currentDate().addDays(-3);
    constexpr qint64 kSize = 1 << 20;
    for (int hour : {8, 10, 12})
        m_gate->AddRecording(2, Recording(day, hour, 0, kSize));
    const QString driveD = m_h->DrivePath(0);
    const QString driveE = m_h->DrivePath(1);
    m_h->SetDriveQuota(0, CQuotaRoots::UsedBytes(driveD) + kSize * 3 / 2);

    CVarrow* window = m_h->Window();
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnViewState")));
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    const auto countFull = [&driver] {
        int n = 0;
        for (const MODAL_SEEN& seen : driver.Seen())
            n += seen.Text().contains(QStringLiteral("The record disks are full")) ? 1 : 0;
        return n;
    };
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    QTRY_COMPARE_WITH_TIMEOUT(countFull(), 1, 60000);
    QCOMPARE(driver.Seen().last().title, QStringLiteral("Information"));

    // Stopped: nothing more is written to D, and no file is marked done without its whole copy.
    QString error;
    const int stored = WholeCopiesOfDay(driveD, *m_gate, 2, day, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(stored < 3);
    const QString done = QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = %1 AND "
                                        "DownloadState = 2 AND FileStartTime LIKE '%2%'")
                             .arg(MANUAL_GROUP_ID)
                             .arg(day.toString(QStringLiteral("yyyy-MM-dd")));
    QTest::qWait(500);
    QCOMPARE(WholeCopiesOfDay(driveD, *m_gate, 2, day, &error), stored);
    QVERIFY(CountRows(done.toUtf8().constData()) <= stored);
    driver.Clear();

    // The operator chooses disk E instead of D in the settings, and lets the backup restart for it.
    bool chosen = false;
    QStringList boxes;
    driver.Answer([&](QWidget* dialog) {
        // Queued: the operator's work runs in the dialog's loop, where the driver answers its boxes.
        QMetaObject::invokeMethod(
            dialog,
            [&, dialog] {
                ChooseDisk(dialog, 1);
                AcceptBoxOver(driver, dialog);
                chosen = CScenarioHarness::Click(dialog, QStringLiteral("pOkBtn"));
                boxes = SeenTexts(driver, dialog);
                if (dialog->isVisible())
                    qobject_cast<QDialog*>(dialog)->reject();
            },
            Qt::QueuedConnection);
    });
    QVERIFY(CScenarioHarness::Click(window, QStringLiteral("pBtnConfig")));
    QVERIFY(chosen);
    QCOMPARE(boxes, QStringList({QStringLiteral("Modify Disk need to reboot Backup,Are you sure?")}));
    SYSTEM_CONFIG system;
    g_pSysInfoManage->GetSystemConfig(&system);
    QCOMPARE(QByteArray(system.Disk), QByteArray("E"));
    m_disk = "E";

    // The backup of the day runs again and stores every file on E, each equal to the recorder's; D keeps
    // what it had, and no disk is full any more.
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopiesOfDay(driveE, *m_gate, 2, day, &error), 3, 60000);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(CountRows(done.toUtf8().constData()), 3, 30000);
    QCOMPARE(WholeCopiesOfDay(driveD, *m_gate, 2, day, &error), stored);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(countFull(), 0);
    QCOMPARE(driver.Failures(), QStringList());
    driver.Clear();
}

void TestScenario::step8_closeWithConfirmation()
{
    CVarrow* window = m_h->Window();
    QVERIFY(window != nullptr);
    const QStringList logged = CScenarioHarness::LogTexts();

    // Declined: the window and its pages stay, nothing is logged.
    QVERIFY(!m_h->Close(false));
    QCOMPARE(m_h->Driver().Seen().last().title, QStringLiteral("Confirm"));
    QVERIFY(m_h->Driver().Seen().last().Text().contains(QStringLiteral("Sure to close software")));
    QVERIFY(window->isVisible() && window->ViewState() != nullptr);
    QCOMPARE(CScenarioHarness::LogTexts(), logged);

    // Confirmed: every thread the window started ends, no recorder keeps a session, and "Close Software" is
    // the last entry.
    QVERIFY(m_h->Close(true));
    QCOMPARE(CScenarioHarness::LogTexts(), logged + QStringList({QStringLiteral("Close Software")}));
    QVERIFY(m_h->Recorders().WaitForIdle(10000));
    QTRY_VERIFY2_WITH_TIMEOUT(CScenarioHarness::ThreadNames() == m_threadsBeforeOpen,
                              qPrintable(CScenarioHarness::ThreadNames().join(QLatin1Char(',')) +
                                         QStringLiteral(" now; before the window opened: ") +
                                         m_threadsBeforeOpen.join(QLatin1Char(','))),
                              10000);
}

void TestScenario::step8_restartResumesOverdueList()
{
    // The program starts again over the same directory: it opens with what it had.
    CVarrow* window = m_h->Restart();
    QVERIFY(window != nullptr);
    QCOMPARE(CScenarioHarness::LogTexts().count(QStringLiteral("Open Software")), 2);
    // The second start follows the close at once (the engine may log its own start after it).
    const QStringList logged = CScenarioHarness::LogTexts();
    QCOMPARE(logged.at(logged.lastIndexOf(QStringLiteral("Open Software")) - 1),
             QStringLiteral("Close Software"));
    if (m_devicesAdded) {
        // What the settings dialog saved comes back from the database alone.
        QVERIFY(g_pSysInfoManage->GetDeviceIndexByName("Gate") >= 0);
        QVERIFY(g_pSysInfoManage->GetDeviceIndexByName("Yard") >= 0);
        SYSTEM_CONFIG system;
        g_pSysInfoManage->GetSystemConfig(&system);
        QCOMPARE(QByteArray(system.Disk), m_disk);
    }
    if (!m_configured || !StatePageStands())
        QSKIP("No backup ran (the settings dialog or the state page is a stand-in): there is no overdue list "
              "to resume.");

    // A later day D: the plans' window of D fetches Gate's files of the day before, one on each channel. The
    // first channel's play-backs are refused, so Night's list of D is left with an unfinished file when the
    // program closes while the window is still open.
    const QDate day = QDate::currentDate().addDays(3);
    const QDate filesDay = day.addDays(-1);
    m_gate->AddRecording(1, Recording(filesDay, 10, 0, 6 << 20));
    m_gate->AddRecording(2, Recording(filesDay, 11, 0, 1 << 20));
    SimChannelFaults refused;
    refused.PlayRefusals = -1;
    m_gate->SetChannelFaults(1, refused);
    int night = -1;
    int late = -1;
    for (int plan = 0; plan < 2; ++plan) {
        const GROUP_INFO* info = g_pSysInfoManage->GetGroupInfo(plan);
        QVERIFY(info != nullptr);
        (QByteArray(info->GroupName) == "Night" ? night : late) = plan;
    }
    QVERIFY(night >= 0 && late >= 0);
    const auto filesOf = [&filesDay](int plan, int isPast, bool done) {
        return CountRows(
            QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = %1 AND IsPast = %2 "
                           "AND DownloadState %3 2 AND FileStartTime LIKE '%4%'")
                .arg(plan)
                .arg(isPast)
                .arg(done ? QStringLiteral("=") : QStringLiteral("<>"))
                .arg(filesDay.toString(QStringLiteral("yyyy-MM-dd")))
                .toUtf8()
                .constData());
    };
    m_h->Clock().SetNow(QDateTime(day, QTime(17, 59)));

    // The last run was a manual one: the operator switches back to automatic backup.
    CModalDriver& driver = m_h->Driver();
    driver.Clear();
    SYSTEM_CONFIG system;
    g_pSysInfoManage->GetSystemConfig(&system);
    if (system.BackupMode == 1) {
        // The page resumes the stored mode once the window shows: its button turns into a stop button.
        QTRY_VERIFY_WITH_TIMEOUT(
            CScenarioHarness::FindButton(window->ViewState(), QStringLiteral("pBtnManual"))
                ->styleSheet()
                .contains(QStringLiteral("manual_copy_stop")),
            10000);
        driver.Accept();
    }
    if (system.BackupMode != 0)
        QVERIFY(CScenarioHarness::Click(window->ViewState(), QStringLiteral("pBtnAuto")));
    QCOMPARE(driver.Pending(), 0);
    driver.Clear();

    const QString drive = m_h->DrivePath(m_disk == "E" ? 1 : 0);
    QString error;
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopiesOfDay(drive, *m_gate, 2, filesDay, &error), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(late, 0, true), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(night, 0, false), 1, 30000);
    QVERIFY(m_h->Clock().Now() < QDateTime(day.addDays(1), QTime(5, 0)));
    QCOMPARE(WholeCopiesOfDay(drive, *m_gate, 1, filesDay, &error), 0);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Closed while D's window is open; the recorder plays again, and the program starts just before the
    // window of D + 1, which takes D's unfinished list as its overdue list.
    QVERIFY(m_h->Close(true));
    m_gate->SetChannelFaults(1, SimChannelFaults());
    // Slow enough that the overdue list's row can be seen while it runs.
    m_gate->SetRate(4 << 20);
    m_h->Clock().SetNow(QDateTime(day.addDays(1), QTime(17, 59)));
    window = m_h->Restart();
    QVERIFY(window != nullptr);
    auto* state = qobject_cast<CTableView*>(
        CScenarioHarness::Find(window->ViewState(), QStringLiteral("tableView_State")));
    QVERIFY(state != nullptr);
    bool overdueRow = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (int row = 0; row < state->GetTopRowCount(); ++row)
            overdueRow = overdueRow || state->GetItemText(row, 1) == QStringLiteral("*Night");
    });
    watch.start(10);
    QTRY_COMPARE_WITH_TIMEOUT(WholeCopiesOfDay(drive, *m_gate, 1, filesDay, &error), 1, 60000);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(filesOf(night, 1, true), 1, 30000);
    watch.stop();
    m_gate->SetRate(0);
    QVERIFY(overdueRow);
    QCOMPARE(filesOf(night, 1, false), 0);
    QCOMPARE(WholeCopiesOfDay(drive, *m_gate, 2, filesDay, &error), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(driver.Failures(), QStringList());
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    qputenv("QT_QPA_PLATFORM", QStringLiteral("offscreen:configfile=%1").arg(ScreenFile()).toLocal8Bit());
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestScenario test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_scenario.moc"

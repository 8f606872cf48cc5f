// The system page, and the settings dialog frame around it and the other pages, on the real model and a fresh
// database: a disk choice saved without the operator's OK (or lost without it), a state page that is not
// told about new disks, a backup mode written back stale, a log-on left on after auto-start was turned off, a
// write failure reported as success, a test mail that reports success when the server refused it, or an OK
// that closes after a page refused would each reach a running station unnoticed.

#include "config/CDlgSet.h"
#include "config/devices/CDlgCfgDevice.h"
#include "config/plans/CDlgCfgPlan.h"
#include "config/system/CDlgCfgSystem.h"
#include "model/DbAccess.h"
#include "model/Mail.h"
#include "model/SysInfoManage.h"
#include "platform/DriveMap.h"
#include "platform/VolumeCall.h"
#include "tests/support/FakeAutoStart.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/FuseView.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/gui/ModalDriver.h"
#include "tests/support/gui/TableClicks.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyleOptionViewItem>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <QStackedWidget>

#include <cstring>
#include <map>

namespace {

using TestSupport::ClickTick;

QByteArray StoredDisks()
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    return QByteArray(config.Disk, qsizetype(strnlen(config.Disk, sizeof config.Disk)));
}

QString Ticked(CTableView* view)
{
    QString letters;
    for (int row = 0; row < view->GetRowCount(); ++row)
        if (view->GetItemData(row, 0, Qt::CheckStateRole).toInt() != Qt::Unchecked)
            letters += view->GetItemText(row, 1);
    return letters;
}

void Tick(CTableView* view, const QString& letters)
{
    for (int row = 0; row < view->GetRowCount(); ++row)
        view->SetItemChecked(row, 0, letters.contains(view->GetItemText(row, 1)));
}

int DiskLogs()
{
    return CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogType = 1 AND LogSubType = 6 AND LogContents = "
                     "'Change Disk Config'");
}

// Queues the expected answers and one spare, so that a box nobody expected is answered (and seen) instead of
// blocking the test.
void Expect(CModalDriver& driver, int accepts, bool reject = false)
{
    driver.Clear();
    for (int i = 0; i < accepts; ++i)
        driver.Accept();
    if (reject)
        driver.Reject();
    driver.Reject();
}

// The letters whose kept mark is empty: chosen again, each takes the folder found at its next set-up.
QByteArray MarksDropped()
{
    std::map<char, DISK_MARK> marks;
    DbSelectDiskMarks(&marks);
    QByteArray dropped;
    for (const auto& [letter, mark] : marks)
        if (mark.Mark.empty())
            dropped += letter;
    return dropped;
}

void NightPlan(GROUP_INFO* plans)
{
    g_pSysInfoManage->GetAllGroupInfo(plans);
    plans[0].bUsed = 1;
    CopyString33(plans[0].GroupName, "Night");
}

} // namespace

class TestSystemPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void disksShownAndSaved_data();
    void disksShownAndSaved();
    void backupModeNotWrittenBackStale();
    void silentDiskNamedInTheList_data();
    void silentDiskNamedInTheList();
    void diskChosenAgainInOneOpening_data();
    void diskChosenAgainInOneOpening();
    void autoStartRows_data();
    void autoStartRows();
    void accountFields();
    void mailFields();
    void writeFailuresShown_data();
    void writeFailuresShown();
    void testMailReportsTheServersAnswer();
    void testMailSaysWhy_data();
    void testMailSaysWhy();
    void dialogStopsAtFirstRefusal();
    void returnInAPageRunsOk();
    void deviceDeletionReachesPlanPage();

private:
    void StoreSystem(const QByteArray& disks);

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CFakeAutoStart> m_autoStart;
};

void TestSystemPage::init()
{
    m_db = std::make_unique<CTempDatabase>();
    // Drives C, D and E are folders of the test; F's folder does not exist, so its size is unknown.
    QDir dir(m_db->Dir());
    QMap<char, QString> drives{{'F', dir.filePath(QStringLiteral("missing"))}};
    for (const char letter : {'C', 'D', 'E'}) {
        QVERIFY(dir.mkpath(QString(QLatin1Char(letter))));
        drives[letter] = dir.filePath(QString(QLatin1Char(letter)));
    }
    QVERIFY(MapDrives(drives));
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    m_autoStart = std::make_unique<CFakeAutoStart>();
    StoreSystem("D");
}

void TestSystemPage::cleanup()
{
    CToolTip::HideText();
    AllowAll();
    m_autoStart.reset();
    m_db.reset();
}

void TestSystemPage::StoreSystem(const QByteArray& disks)
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    std::memset(config.Disk, 0, sizeof config.Disk);
    std::memcpy(config.Disk, disks.constData(), size_t(disks.size()));
    QVERIFY(g_pSysInfoManage->SetSystemConfig(&config));
}

void TestSystemPage::disksShownAndSaved_data()
{
    // loaded: rows ticked after loading; ticks: rows ticked for the save ("=": as loaded); answer: 1 OK, 0
    // Cancel, to the one box the save shows; model: the disks the model holds afterwards; boxText: empty when
    // no box.
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QString>("boxText");
    const QString ask = QStringLiteral("Modify Disk need to reboot Backup,Are you sure?");
    QTest::newRow("changed, Cancel") << QByteArray("DE") << "DE" << 0 << "C" << QByteArray("DE") << ask;
    QTest::newRow("none ticked") << QByteArray("DE") << "DE" << 1 << "" << QByteArray("DE")
                                 << QStringLiteral("Please Select Disk!");
    // A stored drive that is gone keeps the drives after it ticked; the save then asks, as the disks differ.
    QTest::newRow("stored drive gone") << QByteArray("DXE") << "DE" << 1 << "=" << QByteArray("DE") << ask;
    // Twenty-six letters fill the field without a terminator; it must be read within its bounds.
    QTest::newRow("full field") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << "CDEF" << 1 << "="
                                << QByteArray("CDEF") << ask;
}

void TestSystemPage::disksShownAndSaved()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, loaded);
    QFETCH(QString, ticks);
    QFETCH(int, answer);
    QFETCH(QString, boxText);
    QFETCH(QByteArray, model);
    StoreSystem(stored);
    CDlgCfgSystem page(nullptr);
    CTableView* view = page.Form().m_ptreeViewDisk;
    QCOMPARE(Ticked(view), loaded);
    if (ticks != QLatin1String("="))
        Tick(view, ticks);

    QSignalSpy diskChanged(&page, &CDlgCfgSystem::DiskChanged);
    CModalDriver driver;
    Expect(driver, answer, answer == 0);
    const bool saved = model != stored;
    QCOMPARE(page.Save(), saved);
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen().first().Text(), boxText);
    QCOMPARE(StoredDisks(), model);
    QCOMPARE(diskChanged.size(), saved ? 1 : 0);
    QCOMPARE(DiskLogs(), saved ? 1 : 0);
}

void TestSystemPage::diskChosenAgainInOneOpening_data()
{
    // stored: the letters chosen when the dialog opens; clicks: the tick boxes clicked, in turn; finish: "ok"
    // (the confirm box accepted), "refused" (the confirm box cancelled) or "cancel" (the dialog's Cancel);
    // changed: the disks count as changed (box, signal, log row); dropped: the letters whose kept mark is
    // dropped.
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("clicks");
    QTest::addColumn<QString>("finish");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QByteArray>("dropped");
    QTest::newRow("unticked and ticked again")
        << QByteArray("DE") << QByteArray("DD") << "ok" << true << QByteArray("D");
    QTest::newRow("unticked only") << QByteArray("DE") << QByteArray("D") << "ok" << true << QByteArray();
    QTest::newRow("a new letter ticked")
        << QByteArray("D") << QByteArray("E") << "ok" << true << QByteArray("E");
    QTest::newRow("ticked again, then Cancel")
        << QByteArray("DE") << QByteArray("DD") << "cancel" << false << QByteArray();
    QTest::newRow("ticked again, the box refused")
        << QByteArray("DE") << QByteArray("DD") << "refused" << false << QByteArray();
    QTest::newRow("two letters") << QByteArray("DE") << QByteArray("DEED") << "ok" << true
                                 << QByteArray("DE");
    QTest::newRow("a letter not chosen ticked and unticked")
        << QByteArray("D") << QByteArray("CC") << "ok" << false << QByteArray();
}

// A letter whose folder is not the disk set up there is waited for until the operator chooses it again: in
// one opening of the disk settings, unticked and ticked again. That is a change of disks like any other
// (the same box, signal and log row), and drops the letter's kept mark, so that its next set-up takes the
// folder found there; toggles that are not kept (Cancel) change nothing.
void TestSystemPage::diskChosenAgainInOneOpening()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, clicks);
    QFETCH(QString, finish);
    QFETCH(bool, changed);
    QFETCH(QByteArray, dropped);
    StoreSystem(stored);
    for (const char letter : {'C', 'D', 'E'})
        QVERIFY(DbSaveDiskMark(
            letter,
            {QFile::encodeName(QDir(m_db->Dir()).filePath(QString(QLatin1Char(letter)))).toStdString(),
             "0123456789abcdef0123456789abcdef"}));

    CDlgSet dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy diskChanged(&dialog, &CDlgSet::DiskChanged);
    CTableView* view = dialog.SystemPage()->Form().m_ptreeViewDisk;
    for (const char letter : clicks)
        QVERIFY2(ClickTick(view, letter), QByteArray(1, letter).constData());
    const int logsBefore = DiskLogs();

    CModalDriver driver;
    const QString ask = QStringLiteral("Modify Disk need to reboot Backup,Are you sure?");
    if (finish == QLatin1String("cancel")) {
        Expect(driver, 0);
        dialog.findChild<QPushButton*>(QStringLiteral("pCancelBtn"))->click();
        QVERIFY(driver.Seen().isEmpty());
    } else {
        Expect(driver, finish == QLatin1String("ok") ? 1 : 0, finish != QLatin1String("ok"));
        dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        const bool asked = changed || finish == QLatin1String("refused");
        QCOMPARE(driver.Seen().size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(driver.Seen().first().Text(), ask);
    }
    QCOMPARE(dialog.isVisible(), finish == QLatin1String("refused"));
    QCOMPARE(diskChanged.size(), changed ? 1 : 0);
    QCOMPARE(DiskLogs() - logsBefore, changed ? 1 : 0);
    QCOMPARE(MarksDropped(), dropped);
    QByteArray model = stored;
    if (changed)
        model = Ticked(view).toLatin1();
    QCOMPARE(StoredDisks(), model);
}

// The state page goes idle while the dialog is open; the save of the full-disk mode must not undo that.
void TestSystemPage::backupModeNotWrittenBackStale()
{
    g_pSysInfoManage->SetBackupMode(0);
    CDlgCfgSystem page(nullptr);
    QSignalSpy modeChanged(&page, &CDlgCfgSystem::BackupModeChanged);
    g_pSysInfoManage->SetBackupMode(2);
    page.Form().m_pRadioBtnStop->setChecked(true);
    CModalDriver driver;
    Expect(driver, 0);
    QVERIFY(page.Save());
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(modeChanged.size(), 1);
    QCOMPARE(CountRows("SELECT DiskMode FROM SystemConfig_Table"), 1);
    QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), 2);
}

void TestSystemPage::silentDiskNamedInTheList_data()
{
    QTest::addColumn<bool>("cancel"); // the busy box's Cancel ends the reading, else the map's bound passes
    QTest::newRow("the bound passes") << false;
    QTest::newRow("Cancel") << true;
}

// A letter whose volume stopped answering (a FUSE view whose daemon is stopped, as a network share whose
// server went silent) is listed within the map's bound as one that does not answer, with no size; the
// other letters are listed as usual, and the page opens. The reading never holds the window: its loop turns
// all along, and a busy box says that the disks are being read. Its Cancel opens the page at once with the
// map file's letters, none with a size, and a chosen letter stays ticked and chosen at OK.
void TestSystemPage::silentDiskNamedInTheList()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, cancel);
    using TestSupport::Bound;
    // Cancelled, the reading is given up long before its bound.
    const int bound = cancel ? Bound(60000) : Bound(3000);
    CDriveMap::SetBound(bound);
    const auto boundBack = qScopeGuard([] { CDriveMap::SetBound(0); });
    QTemporaryDir folder;
    QTemporaryDir mountPoint;
    CFuseView view;
    QVERIFY(view.Mount(folder.path(), mountPoint.path()));
    QMap<char, QString> drives = CDriveMap::ReadMap();
    drives.insert('G', mountPoint.path());
    QVERIFY(MapDrives(drives));
    StoreSystem("DG");
    QVERIFY(view.Pause());
    const auto resume = qScopeGuard([&view] {
        view.Resume();
        // A reading given up ends by itself once the volume answers; the next test's map waits for it.
        CDriveMap::ReadMap();
    });

    CModalDriver driver;
    driver.SetOnTopLimit(Bound(60000));
    QElapsedTimer cancelled;
    if (cancel) {
        driver.Answer([&cancelled](QWidget* busy) {
            cancelled.start();
            busy->findChild<QPushButton*>(QStringLiteral("pCancelBtn"))->click();
        });
    } else {
        driver.AcceptPassingBusy(1);
    }
    // The window's loop: a timer started before the page is built must keep firing while it reads the map.
    int ticks = 0;
    qint64 longestPause = 0;
    QElapsedTimer since;
    QTimer ticker;
    ticker.setInterval(20);
    connect(&ticker, &QTimer::timeout, this, [&] {
        longestPause = std::max(longestPause, since.restart());
        ++ticks;
    });
    since.start();
    ticker.start();
    QElapsedTimer took;
    took.start();
    CDlgCfgSystem page(nullptr);
    const qint64 opened = took.elapsed();
    const qint64 afterCancel = cancelled.isValid() ? cancelled.elapsed() : -1;
    ticker.stop();
    longestPause = std::max(longestPause, since.elapsed());
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY2(longestPause < Bound(2000), qPrintable(QString::number(longestPause)));
    QCOMPARE(driver.Failures(), QStringList());
    QVERIFY(!driver.Seen().isEmpty());
    QCOMPARE(driver.Seen().first().className, QStringLiteral("ChaseDialog"));
    QCOMPARE(driver.Seen().first().title, QStringLiteral("Reading the disks..."));
    if (cancel)
        QVERIFY2(afterCancel >= 0 && afterCancel < Bound(3000), qPrintable(QString::number(afterCancel)));
    else
        QVERIFY2(opened < bound + Bound(10000), qPrintable(QString::number(opened)));

    CTableView* disks = page.Form().m_ptreeViewDisk;
    QMap<QString, int> rowOf;
    for (int row = 0; row < disks->GetRowCount(); ++row)
        rowOf.insert(disks->GetItemText(row, 1), row);
    QVERIFY(rowOf.contains(QStringLiteral("G")) && rowOf.contains(QStringLiteral("D")));
    const int silent = rowOf.value(QStringLiteral("G"));
    // Given up, no letter was looked at: each is said as not read, none with a size.
    const QString unknown = cancel ? QStringLiteral(" (not read)") : QStringLiteral(" (does not answer)");
    QCOMPARE(disks->GetItemText(silent, 4), mountPoint.path() + unknown);
    QCOMPARE(disks->GetItemText(silent, 2), QStringLiteral("-"));
    const int chosen = rowOf.value(QStringLiteral("D"));
    QCOMPARE(disks->GetItemText(chosen, 4), cancel ? drives.value('D') + unknown : drives.value('D'));
    if (cancel)
        QCOMPARE(disks->GetItemText(chosen, 2), QStringLiteral("-"));
    QCOMPARE(Ticked(disks), QStringLiteral("DG"));

    Expect(driver, 0);
    QVERIFY(page.Save());
    QVERIFY(driver.Seen().isEmpty());
    QCOMPARE(StoredDisks(), QByteArray("DG"));

    view.Resume();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, Bound(10000));
}

void TestSystemPage::autoStartRows_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<QString>("user");
    QTest::newRow("ticked, user") << true << "operator";
    QTest::newRow("ticked, no user") << true << "";
    QTest::newRow("not ticked, user") << false << "operator";
}

void TestSystemPage::autoStartRows()
{
    QFETCH(bool, autoRun);
    QFETCH(QString, user);
    const AUTO_LOGON before{true, QStringLiteral("earlier"), QStringLiteral("earlier password")};
    QVERIFY(m_autoStart->SetAutoLogon(before, true));
    QVERIFY(m_autoStart->SetRunEntry(!autoRun, QStringLiteral("/elsewhere/Varrow")));

    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    ui.m_pcheckBoxAutoStart->setChecked(autoRun);
    // A name left in the disabled fields is still stored and kept for the log-on.
    ui.m_plineEditOSUserName->setText(user);
    ui.m_plineEditOSPassWord->setText(user.isEmpty() ? QString() : QStringLiteral(" secret "));
    CModalDriver driver;
    Expect(driver, 0);
    QVERIFY(page.Save());
    QCOMPARE(m_autoStart->RunEntry(), autoRun ? QCoreApplication::applicationFilePath() : QString());
    const AUTO_LOGON logon = m_autoStart->AutoLogon();
    QCOMPARE(logon.Enabled, autoRun && !user.isEmpty());
    QCOMPARE(logon.UserName, user.isEmpty() ? before.UserName : user);
    QCOMPARE(logon.Password, user.isEmpty() ? before.Password : QStringLiteral(" secret "));
}

// A password without a user name is refused at the user name field, and nothing is written; typing stops at
// what is stored (43 bytes) and at an apostrophe: what is shown is what is stored.
void TestSystemPage::accountFields()
{
    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    ui.m_pcheckBoxAutoStart->setChecked(true);
    CModalDriver driver;
    Expect(driver, 0);
    ui.m_plineEditOSPassWord->setText(QStringLiteral("secret"));
    ui.m_plineEditOSUserName->setText(QStringLiteral("   "));
    QVERIFY(!page.Save());
    QVERIFY(CToolTip::IsVisible() && CToolTip::Text() == QLatin1String("User name cannot be empty"));
    QCOMPARE(m_autoStart->Writes(), 0);
    QCOMPARE(CountRows("SELECT IsAutoRun FROM SystemConfig_Table"), 0);

    ui.m_plineEditOSUserName->clear();
    QTest::keyClicks(ui.m_plineEditOSUserName, QStringLiteral("kiosk's"));
    QCOMPARE(ui.m_plineEditOSUserName->text(), QStringLiteral("kiosks"));
    ui.m_plineEditOSPassWord->clear();
    for (int i = 0; i < 20; ++i)
        ui.m_plineEditOSPassWord->insert(QString(QChar(0x5BC6))); // three bytes each
    QCOMPARE(ui.m_plineEditOSPassWord->text(), QString(14, QChar(0x5BC6)));
    QVERIFY(page.Save());
    QCOMPARE(m_autoStart->AutoLogon().UserName, QStringLiteral("kiosks"));
    QCOMPARE(m_autoStart->AutoLogon().Password, QString(14, QChar(0x5BC6)));
}

// The mail fields take what the stored record holds and are usable only with mail on; the port is 1 to 65535;
// a disk's sizes are binary gigabytes with one decimal.
void TestSystemPage::mailFields()
{
    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const std::pair<QLineEdit*, int> limits[] = {
        {ui.m_plineEditReceiverAddress, 63}, {ui.m_plineEditDeliverServer, 127},
        {ui.m_plineEditDeliverAddress, 63},  {ui.m_plineEditMailUserName, 63},
        {ui.m_plineEditMailPassWord, 63},    {ui.m_plineEditPort, 5},
        {ui.m_plineEditOSUserName, 20},      {ui.m_plineEditOSPassWord, 43}};
    for (const auto& [edit, length] : limits)
        QCOMPARE(edit->maxLength(), length);
    const QList<QWidget*> mailWidgets = {ui.m_pspinBoxReconnect,       ui.m_plineEditReceiverAddress,
                                         ui.m_plineEditDeliverServer,  ui.m_plineEditPort,
                                         ui.m_plineEditDeliverAddress, ui.m_plineEditMailUserName,
                                         ui.m_plineEditMailPassWord,   ui.m_pBtnTestConnection};
    for (const bool on : {true, false, true}) {
        ui.m_pcheckBoxEmail->setChecked(on);
        for (QWidget* widget : mailWidgets)
            QCOMPARE(widget->isEnabled(), on);
    }

    CModalDriver driver;
    Expect(driver, 0);
    for (const auto& [port, saved] :
         {std::pair{"65536", false}, {"0", false}, {"65535", true}, {"1", true}}) {
        CToolTip::HideText();
        ui.m_plineEditPort->setText(QLatin1String(port));
        QCOMPARE(page.Save(), saved);
        if (!saved)
            QVERIFY(CToolTip::Text() == QLatin1String("SMTP port No. ranges from 1 to 65535.") ||
                    QToolTip::text() == QLatin1String("SMTP port No. ranges from 1 to 65535."));
        MAIL_CONFIG mail;
        g_pSysInfoManage->GetMailConfig(&mail);
        if (saved)
            QCOMPARE(QString::number(mail.SMTPPort), QLatin1String(port));
    }

    const std::pair<qint64, const char*> sizes[] = {
        {0, "0.0 GB"}, {1073741824, "1.0 GB"}, {1610612736, "1.5 GB"}, {1000000000, "0.9 GB"}};
    for (const auto& [bytes, text] : sizes)
        QCOMPARE(CDlgCfgSystem::SpaceText(bytes, true), QLatin1String(text));
    QCOMPARE(CDlgCfgSystem::SpaceText(1073741824, false), QStringLiteral("-"));
}

void TestSystemPage::writeFailuresShown_data()
{
    QTest::addColumn<QString>("refusedTable"); // empty: the auto-start layer fails
    QTest::newRow("settings table") << "SystemConfig_Table";
    QTest::newRow("auto-start") << "";
}

void TestSystemPage::writeFailuresShown()
{
    QFETCH(QString, refusedTable);
    CDlgCfgSystem page(nullptr);
    QSignalSpy diskChanged(&page, &CDlgCfgSystem::DiskChanged);
    Tick(page.Form().m_ptreeViewDisk, QStringLiteral("E"));
    m_autoStart->Fail = refusedTable.isEmpty();
    if (!refusedTable.isEmpty())
        Refuse("INSERT", refusedTable.toLatin1().constData());
    CModalDriver driver;
    Expect(driver, 2); // the disks' confirmation, then the error
    // Only the auto-start failed: the settings are stored and the state page told, so the OK goes on (the
    // pages after this one still save) and the box says what failed. Otherwise nothing the database refused
    // is in force, and nobody is told of it.
    const bool stored = refusedTable.isEmpty();
    QCOMPARE(page.Save(), stored);
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen().last().title, QStringLiteral("Error"));
    QCOMPARE(driver.Seen().last().Text().contains(QStringLiteral("other settings were saved")), stored);
    QCOMPARE(StoredDisks(), QByteArray(stored ? "E" : "D"));
    QCOMPARE(diskChanged.size(), stored ? 1 : 0);
    QCOMPARE(DiskLogs(), stored ? 1 : 0);
}

// The test mail reports what the server answered, sends the texts trimmed as the save stores them, and
// stores nothing itself.
void TestSystemPage::testMailReportsTheServersAnswer()
{
    const MailTimeouts timeouts = GetMailTimeouts();
    SetMailTimeouts({std::chrono::milliseconds(3000), std::chrono::milliseconds(3000)});
    for (const int kind : {0, 1, 2}) { // login refused, the offered TLS fails, sent
        const bool refuse = kind != 2;
        CFakeSmtpServer::Options options;
        options.RefuseAuth = kind == 0;
        options.Tls = kind == 1 ? CFakeSmtpServer::StartTls::Broken : CFakeSmtpServer::StartTls::NotOffered;
        CFakeSmtpServer server(options);
        CDlgCfgSystem page(nullptr);
        DlgCfgSystem& ui = page.Form();
        ui.m_pcheckBoxEmail->setChecked(true);
        ui.m_plineEditReceiverAddress->setText(QStringLiteral(" operator@site.test "));
        ui.m_plineEditDeliverServer->setText(QStringLiteral("127.0.0.1"));
        ui.m_plineEditPort->setText(QString::number(server.Port()));
        ui.m_plineEditDeliverAddress->setText(QStringLiteral("station@backup.test"));
        ui.m_plineEditMailUserName->setText(QStringLiteral("Backup Station"));
        ui.m_plineEditMailPassWord->setText(QStringLiteral(" pass "));
        CModalDriver driver;
        Expect(driver, 1);
        ui.m_pBtnTestConnection->click();
        QVERIFY(server.WaitForSessions(1));
        QCOMPARE(driver.Seen().size(), 1);
        // A failure says why: the operator must see that the server's TLS failed and no login was sent.
        const QString text = driver.Seen().first().Text();
        QVERIFY2(text.startsWith(refuse ? "Send test mail failed\n" : "Send test mail successfully"),
                 qPrintable(text));
        QVERIFY2(text.contains("encrypted connection") == (kind == 1), qPrintable(text));
        const QList<QByteArray> lines = server.Lines();
        QCOMPARE(
            std::any_of(lines.begin(), lines.end(), [](const QByteArray& l) { return l.startsWith("AUTH"); }),
            kind != 1);
        QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table WHERE MailTo <> ''"), 0);
        QCOMPARE(server.Lines().contains("RCPT TO:<operator@site.test>"), !refuse);
    }
    SetMailTimeouts(timeouts);
}

void TestSystemPage::testMailSaysWhy_data()
{
    QTest::addColumn<QString>("server"); // "fake" for the fake server, "closed" for a port nobody listens on
    QTest::addColumn<int>("fault");      // 0 none, 1 refuses the login, 2 never answers, 3 breaks the TLS
    QTest::addColumn<QString>("cause");  // the program's sentence, on the line under the failure
    QTest::newRow("login refused") << "fake" << 1
                                   << "The mail server refused the login: check the sender's address and "
                                      "the password.";
    QTest::newRow("no answer") << "fake" << 2 << "The mail server did not answer in time.";
    QTest::newRow("TLS fails") << "fake" << 3
                               << "The server offers an encrypted connection, but it could not be made, so "
                                  "the login was not sent.";
    QTest::newRow("nothing listens") << "closed" << 0 << "The mail server cannot be reached on this port.";
    QTest::newRow("unknown name") << "no-such-host.invalid" << 0 << "The mail server's name cannot be found.";
}

// The failure box says the cause in the program's own sentence (which the Chinese program shows in
// Chinese), and the mail library's words follow in brackets.
void TestSystemPage::testMailSaysWhy()
{
    QFETCH(QString, server);
    QFETCH(int, fault);
    QFETCH(QString, cause);
    const MailTimeouts timeouts = GetMailTimeouts();
    SetMailTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
    CFakeSmtpServer::Options options;
    options.RefuseAuth = fault == 1;
    options.Silent = fault == 2;
    options.Tls = fault == 3 ? CFakeSmtpServer::StartTls::Broken : CFakeSmtpServer::StartTls::NotOffered;
    CFakeSmtpServer fake(options);
    int port = fake.Port();
    if (server == QLatin1String("closed")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    ui.m_pcheckBoxEmail->setChecked(true);
    ui.m_plineEditReceiverAddress->setText(QStringLiteral("operator@site.test"));
    ui.m_plineEditDeliverServer->setText(server == QLatin1String("no-such-host.invalid") ? server
                                                                                         : "127.0.0.1");
    ui.m_plineEditPort->setText(QString::number(port));
    ui.m_plineEditDeliverAddress->setText(QStringLiteral("station@backup.test"));
    ui.m_plineEditMailPassWord->setText(QStringLiteral("pass"));
    CModalDriver driver;
    Expect(driver, 1);
    ui.m_pBtnTestConnection->click();
    SetMailTimeouts(timeouts);
    QCOMPARE(driver.Seen().size(), 1);
    const QString text = driver.Seen().first().Text();
    const QString said = QStringLiteral("Send test mail failed\n") + cause + QStringLiteral(" (");
    QVERIFY2(text.startsWith(said) && text.endsWith(QLatin1Char(')')) && text.size() > said.size() + 1,
             qPrintable(text));
}

// Return in a field of a page, which the field itself leaves, goes on past the page to the settings' OK: the
// settings are saved with what the field shows and the dialog closes.
void TestSystemPage::returnInAPageRunsOk()
{
    CDlgSet dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    DlgCfgSystem& ui = dialog.SystemPage()->Form();
    ui.m_pcheckBoxEmail->setChecked(true);
    QSpinBox* reconnect = ui.m_pspinBoxReconnect;
    reconnect->setFocus();
    reconnect->selectAll();
    QTest::keyClick(reconnect, '3');
    CModalDriver driver;
    Expect(driver, 0);
    QTest::keyClick(reconnect, Qt::Key_Return);
    QVERIFY2(driver.Seen().isEmpty(), qPrintable(driver.Seen().value(0).Text()));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(config.ReconnetNum, 3);
    QCOMPARE(int(config.IsEnableEmail), 1);
}

// In the settings dialog, a page that refuses keeps the dialog open on the tab shown; the pages before it
// stay saved, and the next OK runs the whole chain.
void TestSystemPage::dialogStopsAtFirstRefusal()
{
    CDlgSet dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy modeChanged(&dialog, &CDlgSet::BackupModeChanged);
    QSignalSpy updateGroup(&dialog, &CDlgSet::UpdateGroup);
    dialog.Form().pBtnSchedule->click();
    CTableView* disks = dialog.SystemPage()->Form().m_ptreeViewDisk;
    disks->SetItemChecked(1, 0, false);
    dialog.SystemPage()->Form().m_pRadioBtnStop->setChecked(true);
    CModalDriver driver;
    // Each OK here shows exactly one box, answered as given.
    auto okWithOneBox = [&](bool accept, const QString& text) {
        driver.Clear();
        accept ? driver.Accept() : driver.Reject();
        dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        QCOMPARE(driver.Seen().size(), 1);
        if (!text.isEmpty())
            QCOMPARE(driver.Seen().first().Text(), text);
    };
    okWithOneBox(true, QStringLiteral("Please Select Disk!"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Stack()->currentIndex(), 0);
    QCOMPARE(modeChanged.size(), 0);
    QCOMPARE(CountRows("SELECT DiskMode FROM SystemConfig_Table"), 0);

    // A bad mail port refused while Schedule shows: General comes forward with the bubble at the port.
    disks->SetItemChecked(1, 0, true);
    dialog.Form().pBtnSchedule->click();
    QLineEdit* port = dialog.SystemPage()->Form().m_plineEditPort;
    const QString goodPort = port->text();
    dialog.SystemPage()->Form().m_pcheckBoxEmail->setChecked(true);
    port->setText(QStringLiteral("0"));
    driver.Clear();
    dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(dialog.Stack()->currentIndex(), 0);
    QVERIFY(port->isVisible());
    QVERIFY(dialog.focusWidget() == port);
    QCOMPARE(CToolTip::Text(), QStringLiteral("SMTP port No. ranges from 1 to 65535."));
    QWidget* bubble = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("ctooltip_label") && top->isVisible())
            bubble = top;
    const QRect field(port->mapToGlobal(QPoint(0, 0)), port->size());
    QVERIFY(bubble != nullptr);
    QVERIFY2(bubble->geometry().adjusted(-40, -40, 40, 40).intersects(field),
             "the bubble is not at the port");
    port->setText(goodPort);
    dialog.SystemPage()->Form().m_pcheckBoxEmail->setChecked(false);
    CToolTip::HideText();

    // The plan page refuses after the system page saved: the system settings stay saved and told. The disk
    // unticked and ticked again in this opening is chosen again, which the system page asks first.
    GROUP_INFO plans[MAX_GROUP_NUM];
    NightPlan(plans);
    dialog.PlanPage()->SetAllPlans(plans);
    driver.Clear();
    driver.Accept();
    driver.Reject();
    dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen().at(0).Text(), QStringLiteral("Modify Disk need to reboot Backup,Are you sure?"));
    QCOMPARE(driver.Seen().at(1).Text(),
             QStringLiteral("Modify Schedule need to reboot Backup,Are you sure?"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Stack()->currentIndex(), 2);
    QCOMPARE(CountRows("SELECT DiskMode FROM SystemConfig_Table"), 1);
    QCOMPARE(modeChanged.size(), 1);
    QVERIFY(g_pSysInfoManage->GetGroupInfo(0) == nullptr);

    // OK again runs the whole chain; the system page has nothing new to tell.
    okWithOneBox(true, QString());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(modeChanged.size(), 1);
    QVERIFY(g_pSysInfoManage->GetGroupInfo(0) != nullptr);
    QCOMPARE(updateGroup.size(), 1);
    const auto changes = updateGroup.first().first().value<std::vector<GROUP_CHANGED>>();
    QVERIFY(changes.size() == 1 && changes[0].GroupID == 0);
}

// A device deleted on the device page leaves the plan page's working copy at once (not only after OK) and
// the stored plans that held it (in memory and in the database); the announcement names exactly those.
void TestSystemPage::deviceDeletionReachesPlanPage()
{
    for (const int slot : {4, 9}) {
        DEVICE_INFO device;
        device.IsUsed = 1;
        CopyString16(device.DeviceIP, "10.0.0." + std::to_string(slot));
        CopyString33(device.DeviceName, "Recorder " + std::to_string(slot));
        device.CameraNum = 2;
        device.Camera[0] = {int16_t(slot), 1};
        device.Camera[1] = {int16_t(slot), 2};
        QVERIFY(DbInsertDeviceInfo(slot, &device));
    }
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    GROUP_INFO stored;
    stored.bUsed = 1;
    CopyString33(stored.GroupName, "Day");
    stored.Channel[0] = CHANNEL_REF{4, 1};
    stored.Channel[1] = CHANNEL_REF{9, 2};
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&stored, 2));
    CopyString33(stored.GroupName, "Yard");
    stored.Channel[0] = CHANNEL_REF{9, 1};
    stored.Channel[1] = CHANNEL_REF();
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&stored, 3));

    CDlgSet dialog(nullptr);
    QSignalSpy updateGroup(&dialog, &CDlgSet::UpdateGroup);
    GROUP_INFO plans[MAX_GROUP_NUM];
    NightPlan(plans);
    plans[0].Channel[0] = CHANNEL_REF{4, 1};
    plans[0].Channel[1] = CHANNEL_REF{9, 2};
    dialog.PlanPage()->SetAllPlans(plans);
    Q_EMIT dialog.DevicePage()->SetDeleteDeviceToView(4);
    QCOMPARE(int(dialog.PlanPage()->GetPlans()[0].Channel[0].DeviceID), 9);
    QCOMPARE(int(dialog.PlanPage()->GetPlans()[0].Channel[1].DeviceID), -1);
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(2, &read));
    for (const GROUP_INFO* plan : {g_pSysInfoManage->GetGroupInfo(2), &read})
        QVERIFY(plan->Channel[0].DeviceID == 9 && plan->Channel[0].CameraIndex == 2 &&
                plan->Channel[1].IsEmpty());
    QCOMPARE(int(g_pSysInfoManage->GetGroupInfo(3)->Channel[0].DeviceID), 9);
    QCOMPARE(updateGroup.size(), 1);
    const auto changes = updateGroup.first().first().value<std::vector<GROUP_CHANGED>>();
    QVERIFY(changes.size() == 1 && changes[0].GroupID == 2);
}

VARROW_TEST_MAIN(TestSystemPage, QApplication)

#include "tst_gui_systempage.moc"

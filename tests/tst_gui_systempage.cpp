// The system page on the real model and a fresh database: a disk choice saved without the operator's OK (or
// lost without it), a state page that is not told about new disks, a backup mode written back stale, a log-on
// left on after auto-start was turned off, a write failure reported as success, or a test mail that reports
// success when the server refused it would each reach a running station unnoticed.

#include "config/system/CDlgCfgSystem.h"
#include "model/DbAccess.h"
#include "model/Mail.h"
#include "model/SysInfoManage.h"
#include "tests/support/FakeAutoStart.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolTip>

#include <cstring>

namespace {

const QString kPortTip = QStringLiteral("SMTP port No. ranges from 1 to 65535.");

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

} // namespace

class TestSystemPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void disksShownAndSaved_data();
    void disksShownAndSaved();
    void fullDiskModeAndBackupMode();
    void autoStartRows_data();
    void autoStartRows();
    void accountFields();
    void writeFailuresShown_data();
    void writeFailuresShown();
    void badPortRefused_data();
    void badPortRefused();
    void testMailAndSavedMail();

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
    QString map;
    for (const QString& letter : {QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E")}) {
        QVERIFY(dir.mkpath(letter));
        map += letter + QLatin1Char('=') + dir.filePath(letter) + QLatin1Char('\n');
    }
    map += QStringLiteral("F=") + dir.filePath(QStringLiteral("missing"));
    QFile conf(dir.filePath(QStringLiteral("Drives.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(map.toUtf8()) > 0);
    conf.close();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    m_autoStart = std::make_unique<CFakeAutoStart>();
}

void TestSystemPage::cleanup()
{
    CToolTip::HideText();
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
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
    QTest::newRow("changed, OK") << QByteArray("DE") << "DE" << 1 << "CE" << QByteArray("CE") << ask;
    QTest::newRow("changed, Cancel") << QByteArray("DE") << "DE" << 0 << "C" << QByteArray("DE") << ask;
    QTest::newRow("none ticked") << QByteArray("DE") << "DE" << 1 << "" << QByteArray("DE")
                                 << QStringLiteral("Please Select Disk!");
    QTest::newRow("unchanged") << QByteArray("DE") << "DE" << 1 << "=" << QByteArray("DE") << QString();
    QTest::newRow("size unknown") << QByteArray("D") << "D" << 1 << "DF" << QByteArray("DF") << ask;
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
    QCOMPARE(view->GetRowCount(), 4);
    QCOMPARE(view->GetItemText(3, 2), QStringLiteral("-"));
    QVERIFY(view->GetItemText(1, 3).endsWith(QStringLiteral(" GB")));
    QCOMPARE(Ticked(view), loaded);
    if (ticks != QLatin1String("="))
        Tick(view, ticks);

    QSignalSpy diskChanged(&page, &CDlgCfgSystem::DiskChanged);
    QSignalSpy modeChanged(&page, &CDlgCfgSystem::BackupModeChanged);
    CModalDriver driver;
    Expect(driver, answer, answer == 0);
    const bool saved = model != stored || boxText.isEmpty();
    QCOMPARE(page.Save(), saved);
    QCOMPARE(driver.Seen().size(), boxText.isEmpty() ? 0 : 1);
    if (!boxText.isEmpty())
        QCOMPARE(driver.Seen().first().Text(), boxText);
    QCOMPARE(StoredDisks(), model);
    const int told = model != stored ? 1 : 0;
    QCOMPARE(diskChanged.size(), told);
    QCOMPARE(modeChanged.size(), 0);
    QCOMPARE(DiskLogs(), told);
    if (!saved)
        return;

    // OK again in the same opening (another page refused): nothing new to ask, tell or log.
    Expect(driver, 0);
    QVERIFY(page.Save());
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(diskChanged.size(), told);
    QCOMPARE(DiskLogs(), told);
    // Taking the change back in the same opening stores it back, and tells of it.
    if (told == 1 && loaded == QLatin1String(stored)) {
        Tick(view, loaded);
        Expect(driver, 1);
        QVERIFY(page.Save());
        QCOMPARE(StoredDisks(), stored);
        QCOMPARE(diskChanged.size(), 2);
    }
}

void TestSystemPage::fullDiskModeAndBackupMode()
{
    StoreSystem("D");
    g_pSysInfoManage->SetBackupMode(0);
    CDlgCfgSystem page(nullptr);
    QStringList told;
    connect(&page, &CDlgCfgSystem::DiskChanged, &page, [&told] { told << QStringLiteral("disks"); });
    connect(&page, &CDlgCfgSystem::BackupModeChanged, &page,
            [&told](int mode) { told << QString::number(mode); });
    // The state page goes idle while the dialog is open; the save must not undo that.
    g_pSysInfoManage->SetBackupMode(2);
    page.Form().m_pRadioBtnStop->setChecked(true);
    CModalDriver driver;
    Expect(driver, 0);
    QVERIFY(page.Save());
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(told, QStringList{QStringLiteral("1")});
    QCOMPARE(DiskLogs(), 0);
    QCOMPARE(CountRows("SELECT DiskMode FROM SystemConfig_Table"), 1);
    QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), 2);

    // Both in one save: the disks first, then the mode.
    told.clear();
    page.Form().m_pRadioBtnContinue->setChecked(true);
    Tick(page.Form().m_ptreeViewDisk, QStringLiteral("DE"));
    Expect(driver, 1);
    QVERIFY(page.Save());
    QCOMPARE(told, (QStringList{QStringLiteral("disks"), QStringLiteral("0")}));
}

void TestSystemPage::autoStartRows_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<QString>("user");
    QTest::newRow("ticked, user") << true << "operator";
    QTest::newRow("ticked, no user") << true << "";
    QTest::newRow("not ticked, user") << false << "operator";
    QTest::newRow("not ticked, no user") << false << "";
}

void TestSystemPage::autoStartRows()
{
    QFETCH(bool, autoRun);
    QFETCH(QString, user);
    StoreSystem("D");
    const AUTO_LOGON before{true, QStringLiteral("earlier"), QStringLiteral("earlier password")};
    QVERIFY(m_autoStart->SetAutoLogon(before, true));
    QVERIFY(m_autoStart->SetRunEntry(!autoRun, QStringLiteral("/elsewhere/Varrow")));

    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    ui.m_pcheckBoxAutoStart->setChecked(autoRun);
    QCOMPARE(ui.m_plineEditOSUserName->isEnabled(), autoRun);
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
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(config.IsAutoRun), autoRun ? 1 : 0);
    QCOMPARE(QString::fromUtf8(config.OSUsername), user);
}

void TestSystemPage::accountFields()
{
    StoreSystem("D");
    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    ui.m_pcheckBoxAutoStart->setChecked(true);
    CModalDriver driver;
    Expect(driver, 0);

    // A password without a user name is refused at the user name field, and nothing is written.
    ui.m_plineEditOSPassWord->setText(QStringLiteral("secret"));
    ui.m_plineEditOSUserName->setText(QStringLiteral("   "));
    QVERIFY(!page.Save());
    QVERIFY(CToolTip::IsVisible() && CToolTip::Text() == QLatin1String("User name cannot be empty"));
    QCOMPARE(m_autoStart->Writes(), 0);
    QCOMPARE(CountRows("SELECT IsAutoRun FROM SystemConfig_Table"), 0);

    // A user name without a password is an account of its own.
    ui.m_plineEditOSPassWord->clear();
    ui.m_plineEditOSUserName->setText(QStringLiteral("kiosk"));
    QVERIFY(page.Save());
    QCOMPARE(m_autoStart->AutoLogon().UserName, QStringLiteral("kiosk"));
    QVERIFY(m_autoStart->AutoLogon().Password.isEmpty() && m_autoStart->AutoLogon().Enabled);

    // Typing stops at what is stored (43 bytes) and at an apostrophe: what is shown is what is stored.
    QTest::keyClicks(ui.m_plineEditOSUserName, QStringLiteral("'s"));
    QCOMPARE(ui.m_plineEditOSUserName->text(), QStringLiteral("kiosks"));
    for (int i = 0; i < 20; ++i)
        ui.m_plineEditOSPassWord->insert(QString(QChar(0x5BC6))); // three bytes each
    QCOMPARE(ui.m_plineEditOSPassWord->text(), QString(14, QChar(0x5BC6)));
    QVERIFY(page.Save());
    QCOMPARE(m_autoStart->AutoLogon().Password, QString(14, QChar(0x5BC6)));
}

void TestSystemPage::writeFailuresShown_data()
{
    QTest::addColumn<QString>("refusedTable"); // empty: the auto-start layer fails
    QTest::newRow("settings table") << "SystemConfig_Table";
    QTest::newRow("mail table") << "Mail_Table";
    QTest::newRow("auto-start") << "";
}

void TestSystemPage::writeFailuresShown()
{
    QFETCH(QString, refusedTable);
    StoreSystem("D");
    CDlgCfgSystem page(nullptr);
    QSignalSpy diskChanged(&page, &CDlgCfgSystem::DiskChanged);
    Tick(page.Form().m_ptreeViewDisk, QStringLiteral("E"));
    m_autoStart->Fail = refusedTable.isEmpty();
    if (!refusedTable.isEmpty())
        Refuse("INSERT", refusedTable.toLatin1().constData());
    CModalDriver driver;
    Expect(driver, 2); // the disks' confirmation, then the error
    QVERIFY(!page.Save());
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen().last().title, QStringLiteral("Error"));
    // Only the auto-start failed: the settings are stored and the state page told. Otherwise nothing the
    // database refused is in force, and nobody is told of it.
    const bool stored = refusedTable.isEmpty();
    QCOMPARE(StoredDisks(), QByteArray(stored ? "E" : "D"));
    QCOMPARE(diskChanged.size(), stored ? 1 : 0);
    QCOMPARE(DiskLogs(), stored ? 1 : 0);
}

void TestSystemPage::badPortRefused_data()
{
    // bubble: the program's bubble, focus kept; else the toolkit's tooltip, focus moved.
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("bubble");
    QTest::newRow("0") << "0" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("70000") << "70000" << false;
}

void TestSystemPage::badPortRefused()
{
    QFETCH(QString, port);
    QFETCH(bool, bubble);
    CFakeSmtpServer server;
    StoreSystem("D");
    CDlgCfgSystem page(nullptr);
    DlgCfgSystem& ui = page.Form();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QApplication::setActiveWindow(&page);
    ui.m_plineEditDeliverServer->setText(QStringLiteral("127.0.0.1"));
    ui.m_plineEditReceiverAddress->setText(QStringLiteral("operator@site.test"));
    ui.m_plineEditDeliverAddress->setText(QStringLiteral("station@backup.test"));
    ui.m_plineEditPort->setText(port);
    CModalDriver driver;
    Expect(driver, 0);
    // Refused by the save (even with mail off, where the field cannot take the focus) and by the test mail.
    for (bool save : {true, false}) {
        ui.m_pcheckBoxEmail->setChecked(!save || !bubble);
        ui.m_pcheckBoxAutoStart->setFocus();
        if (save)
            QVERIFY(!page.Save());
        else
            ui.m_pBtnTestConnection->click();
        if (bubble) {
            QVERIFY(CToolTip::IsVisible() && CToolTip::Text() == kPortTip);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.m_pcheckBoxAutoStart));
        } else {
            QVERIFY(QToolTip::isVisible() && QToolTip::text() == kPortTip);
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.m_plineEditPort));
        }
        CToolTip::HideText();
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
    }
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(server.Sessions(), 0);
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 25);
}

void TestSystemPage::testMailAndSavedMail()
{
    const MailTimeouts timeouts = GetMailTimeouts();
    SetMailTimeouts({std::chrono::milliseconds(3000), std::chrono::milliseconds(3000)});
    StoreSystem("D");
    for (bool refuse : {true, false}) {
        CFakeSmtpServer::Options options;
        options.RefuseAuth = refuse;
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
        QCOMPARE(driver.Seen().first().title, QLatin1String(refuse ? "Error" : "Success"));
        QCOMPARE(driver.Seen().first().Text(),
                 QLatin1String(refuse ? "Send test mail failed" : "Send test mail successfully"));
        // The test stores nothing.
        QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table WHERE MailTo <> ''"), 0);
        if (refuse)
            continue;
        // It sends what the save stores: the texts trimmed.
        QVERIFY(server.Lines().contains("RCPT TO:<operator@site.test>"));
        QVERIFY(server.RawData().contains("Subject: Email Test\r\n"));
        QVERIFY(page.Save());
        MAIL_CONFIG mail;
        g_pSysInfoManage->GetMailConfig(&mail);
        QCOMPARE(QByteArray(mail.MailTo), QByteArray("operator@site.test"));
        QCOMPARE(QByteArray(mail.MailPassword), QByteArray("pass"));
        QCOMPARE(int(mail.SMTPPort), int(server.Port()));
        // Unticking takes the reconnect count along with the mail fields; their texts stay.
        ui.m_pcheckBoxEmail->setChecked(false);
        QVERIFY(!ui.m_pspinBoxReconnect->isEnabled() && !ui.m_plineEditPort->isEnabled());
        QCOMPARE(ui.m_plineEditPort->text(), QString::number(server.Port()));
    }
    SetMailTimeouts(timeouts);
}

VARROW_TEST_MAIN(TestSystemPage, QApplication)

#include "tst_gui_systempage.moc"

// The system page on the real model and a fresh database: a disk choice saved without the operator's OK (or
// lost without it), a state page that is not told about new disks, a backup mode written back stale, a
// log-on left on after auto-start was turned off, a write failure reported as success, or a test mail that
// reports success when the server refused it would each reach a running station unnoticed.

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
#include <memory>

namespace {

enum ANSWER
{
    NO_BOX,
    OK,
    CANCEL,
};

QByteArray StoredDisks()
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    return QByteArray(config.Disk, qsizetype(strnlen(config.Disk, sizeof config.Disk)));
}

QString Ticked(CTableView* view)
{
    QString letters;
    for (int row = 0; row < view->GetRowCount(); ++row) {
        if (view->GetItemData(row, 0, Qt::CheckStateRole).toInt() != Qt::Unchecked)
            letters += view->GetItemText(row, 1);
    }
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

// Queues the expected answer and one spare, so that a box nobody expected is answered (and seen) instead of
// blocking the test.
void Expect(CModalDriver& driver, int answer)
{
    if (answer == OK)
        driver.Accept();
    else if (answer == CANCEL)
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
    void mailSection();
    void testMail_data();
    void testMail();

private:
    void StoreSystem(const QByteArray& disks, int diskMode = 0);
    std::unique_ptr<CDlgCfgSystem> MakePage();

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CFakeAutoStart> m_autoStart;
};

void TestSystemPage::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(m_db->IsValid());
    // Drives C, D and E are folders of the test; F names a folder that does not exist, so its size is
    // unknown.
    QDir dir(m_db->Dir());
    QString map;
    for (const QString& letter : {QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E")}) {
        QVERIFY(dir.mkpath(letter.toLower()));
        map += QStringLiteral("%1=%2\n").arg(letter, dir.filePath(letter.toLower()));
    }
    map += QStringLiteral("F=%1\n").arg(dir.filePath(QStringLiteral("missing")));
    QFile conf(dir.filePath(QStringLiteral("Drives.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(map.toUtf8());
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

void TestSystemPage::StoreSystem(const QByteArray& disks, int diskMode)
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    std::memset(config.Disk, 0, sizeof config.Disk);
    std::memcpy(config.Disk, disks.constData(), size_t(disks.size()));
    config.DiskMode = int16_t(diskMode);
    QVERIFY(g_pSysInfoManage->SetSystemConfig(&config));
    // A stored port the save accepts, so that only what a test changes can refuse it.
    MAIL_CONFIG mail;
    g_pSysInfoManage->GetMailConfig(&mail);
    mail.SMTPPort = 25;
    QVERIFY(g_pSysInfoManage->SetMailConfig(&mail));
}

std::unique_ptr<CDlgCfgSystem> TestSystemPage::MakePage()
{
    return std::make_unique<CDlgCfgSystem>(nullptr);
}

void TestSystemPage::disksShownAndSaved_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("loaded");  // rows ticked after loading
    QTest::addColumn<QString>("ticks");   // rows ticked before the save ("=" as loaded)
    QTest::addColumn<int>("answer");      // to the box the save shows
    QTest::addColumn<QString>("boxText"); // empty: no box
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QByteArray>("model"); // the disks the model holds afterwards
    QTest::addColumn<int>("logs");
    const QString confirm = QStringLiteral("Modify Disk need to reboot Backup,Are you sure?");
    QTest::newRow("changed, OK") << QByteArray("DE") << "DE"
                                 << "CE" << int(OK) << confirm << true << QByteArray("CE") << 1;
    QTest::newRow("changed, Cancel") << QByteArray("DE") << "DE"
                                     << "C" << int(CANCEL) << confirm << false << QByteArray("DE") << 0;
    QTest::newRow("none ticked") << QByteArray("DE") << "DE"
                                 << "" << int(OK) << "Please Select Disk!" << false << QByteArray("DE") << 0;
    QTest::newRow("unchanged") << QByteArray("DE") << "DE"
                               << "=" << int(NO_BOX) << "" << true << QByteArray("DE") << 0;
    // The size of F cannot be read; it is still a drive that can be chosen.
    QTest::newRow("unknown size") << QByteArray("D") << "D"
                                  << "DF" << int(OK) << confirm << true << QByteArray("DF") << 1;
    // A stored drive that is gone keeps the drives after it ticked; the save then asks, as the disks differ.
    QTest::newRow("stored drive gone") << QByteArray("DXE") << "DE"
                                       << "=" << int(OK) << confirm << true << QByteArray("DE") << 1;
    // Twenty-six letters fill the field without a terminator; it must be read within its bounds.
    QTest::newRow("full field") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << "CDEF"
                                << "=" << int(OK) << confirm << true << QByteArray("CDEF") << 1;
}

void TestSystemPage::disksShownAndSaved()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, loaded);
    QFETCH(QString, ticks);
    QFETCH(int, answer);
    QFETCH(QString, boxText);
    QFETCH(bool, saved);
    QFETCH(QByteArray, model);
    QFETCH(int, logs);
    StoreSystem(stored);
    auto page = MakePage();
    CTableView* view = page->Form().m_ptreeViewDisk;
    QCOMPARE(view->GetRowCount(), 4);
    QCOMPARE(view->GetItemText(3, 1), QStringLiteral("F"));
    QCOMPARE(view->GetItemText(3, 2), QStringLiteral("-"));
    QVERIFY(view->GetItemText(1, 2).endsWith(QStringLiteral(" GB")));
    QCOMPARE(Ticked(view), loaded);
    if (ticks != QLatin1String("="))
        Tick(view, ticks);

    QSignalSpy diskChanged(page.get(), &CDlgCfgSystem::DiskChanged);
    QSignalSpy modeChanged(page.get(), &CDlgCfgSystem::BackupModeChanged);
    CModalDriver driver;
    Expect(driver, answer);
    QCOMPARE(page->Save(), saved);
    QCOMPARE(driver.Seen().size(), boxText.isEmpty() ? 0 : 1);
    if (!boxText.isEmpty()) {
        QCOMPARE(driver.Seen().first().title, QStringLiteral("Information"));
        QCOMPARE(driver.Seen().first().Text(), boxText);
    }
    QCOMPARE(StoredDisks(), model);
    QCOMPARE(diskChanged.size(), saved && !boxText.isEmpty() ? 1 : 0);
    QCOMPARE(modeChanged.size(), 0);
    QCOMPARE(DiskLogs(), logs);
    if (!saved)
        return;

    // OK again in the same opening (another page refused): nothing new to ask, tell or log.
    driver.Clear();
    Expect(driver, NO_BOX);
    QVERIFY(page->Save());
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(diskChanged.size(), boxText.isEmpty() ? 0 : 1);
    QCOMPARE(DiskLogs(), logs);
    // Taking the change back in the same opening stores it back.
    if (stored != model && loaded == QString::fromLatin1(stored)) {
        Tick(view, loaded);
        driver.Clear();
        Expect(driver, OK);
        QVERIFY(page->Save());
        QCOMPARE(StoredDisks(), stored);
        QCOMPARE(diskChanged.size(), 2);
    }
}

void TestSystemPage::fullDiskModeAndBackupMode()
{
    StoreSystem("D", 0);
    g_pSysInfoManage->SetBackupMode(0);
    auto page = MakePage();
    QVERIFY(page->Form().m_pRadioBtnContinue->isChecked());
    QStringList order;
    connect(page.get(), &CDlgCfgSystem::DiskChanged, page.get(),
            [&order] { order << QStringLiteral("disks"); });
    connect(page.get(), &CDlgCfgSystem::BackupModeChanged, page.get(),
            [&order](int mode) { order << QStringLiteral("mode %1").arg(mode); });
    // The state page switches to idle while the dialog is open; the save must not undo that.
    g_pSysInfoManage->SetBackupMode(2);
    page->Form().m_pRadioBtnStop->setChecked(true);
    CModalDriver driver;
    Expect(driver, NO_BOX);
    QVERIFY(page->Save());
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(order, QStringList{QStringLiteral("mode 1")});
    QCOMPARE(DiskLogs(), 0);
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(config.DiskMode), 1);
    QCOMPARE(int(config.BackupMode), 2);
    QCOMPARE(CountRows("SELECT BackupMode FROM SystemConfig_Table"), 2);

    // Both in one save: the disks first, then the mode.
    order.clear();
    page->Form().m_pRadioBtnContinue->setChecked(true);
    Tick(page->Form().m_ptreeViewDisk, QStringLiteral("DE"));
    driver.Clear();
    Expect(driver, OK);
    QVERIFY(page->Save());
    QCOMPARE(order, (QStringList{QStringLiteral("disks"), QStringLiteral("mode 0")}));
    QCOMPARE(DiskLogs(), 1);
}

void TestSystemPage::autoStartRows_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("logonOn");
    QTest::newRow("ticked, user") << true << "operator" << true;
    QTest::newRow("ticked, no user") << true << "" << false;
    QTest::newRow("not ticked, user") << false << "operator" << false;
    QTest::newRow("not ticked, no user") << false << "" << false;
}

void TestSystemPage::autoStartRows()
{
    QFETCH(bool, autoRun);
    QFETCH(QString, user);
    QFETCH(bool, logonOn);
    StoreSystem("D");
    AUTO_LOGON before;
    before.Enabled = true;
    before.UserName = QStringLiteral("earlier");
    before.Password = QStringLiteral("earlier password");
    QVERIFY(m_autoStart->SetAutoLogon(before, true));
    QVERIFY(m_autoStart->SetRunEntry(!autoRun, QStringLiteral("/elsewhere/Varrow")));

    auto page = MakePage();
    DlgCfgSystem& ui = page->Form();
    ui.m_pcheckBoxAutoStart->setChecked(autoRun);
    QCOMPARE(ui.m_plineEditOSUserName->isEnabled(), autoRun);
    // A name left in the disabled fields is still stored and kept for the log-on.
    ui.m_plineEditOSUserName->setText(user);
    ui.m_plineEditOSPassWord->setText(user.isEmpty() ? QString() : QStringLiteral(" secret "));
    CModalDriver driver;
    Expect(driver, NO_BOX);
    QVERIFY(page->Save());
    QCOMPARE(driver.Seen().size(), 0);

    QCOMPARE(m_autoStart->RunEntry(), autoRun ? QCoreApplication::applicationFilePath() : QString());
    const AUTO_LOGON logon = m_autoStart->AutoLogon();
    QCOMPARE(logon.Enabled, logonOn);
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
    auto page = MakePage();
    DlgCfgSystem& ui = page->Form();
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    ui.m_pcheckBoxAutoStart->setChecked(true);

    // A password without a user name is refused at the user name field, and nothing is stored.
    ui.m_plineEditOSPassWord->setText(QStringLiteral("secret"));
    ui.m_plineEditOSUserName->setText(QStringLiteral("   "));
    CModalDriver driver;
    Expect(driver, NO_BOX);
    QVERIFY(!page->Save());
    QVERIFY(CToolTip::IsVisible());
    QCOMPARE(CToolTip::Text(), QStringLiteral("User name cannot be empty"));
    QCOMPARE(m_autoStart->Writes(), 0);
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(config.IsAutoRun), 0);
    CToolTip::HideText();

    // A user name without a password is an account of its own.
    ui.m_plineEditOSPassWord->clear();
    ui.m_plineEditOSUserName->setText(QStringLiteral("kiosk"));
    QVERIFY(page->Save());
    QCOMPARE(m_autoStart->AutoLogon().UserName, QStringLiteral("kiosk"));
    QVERIFY(m_autoStart->AutoLogon().Password.isEmpty());
    QVERIFY(m_autoStart->AutoLogon().Enabled);

    // The fields take no more than is stored, and no apostrophe: what is shown is what is stored.
    ui.m_plineEditOSUserName->clear();
    ui.m_plineEditOSPassWord->clear();
    QTest::keyClicks(ui.m_plineEditOSUserName, QStringLiteral("o'perator"));
    QCOMPARE(ui.m_plineEditOSUserName->text(), QStringLiteral("operator"));
    for (int i = 0; i < 20; ++i) // typed one by one, three bytes each
        ui.m_plineEditOSPassWord->insert(QString(QChar(0x5BC6)));
    QCOMPARE(ui.m_plineEditOSPassWord->text(), QString(14, QChar(0x5BC6)));
    QVERIFY(page->Save());
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(QString::fromUtf8(config.OSPassword), QString(14, QChar(0x5BC6)));
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
    auto page = MakePage();
    QSignalSpy diskChanged(page.get(), &CDlgCfgSystem::DiskChanged);
    Tick(page->Form().m_ptreeViewDisk, QStringLiteral("E"));
    if (refusedTable.isEmpty())
        m_autoStart->Fail = true;
    else
        Refuse("INSERT", refusedTable.toLatin1().constData());
    CModalDriver driver;
    driver.Accept(); // the disks' confirmation
    Expect(driver, OK);
    QVERIFY(!page->Save());
    QCOMPARE(driver.Seen().size(), 2);
    QCOMPARE(driver.Seen().last().title, QStringLiteral("Error"));
    if (refusedTable.isEmpty()) {
        // The settings are stored and the state page told; only the auto-start is missing.
        QCOMPARE(StoredDisks(), QByteArray("E"));
        QCOMPARE(diskChanged.size(), 1);
    } else {
        // Nothing the database refused is in force, and nobody is told of it.
        QCOMPARE(StoredDisks(), QByteArray("D"));
        QCOMPARE(diskChanged.size(), 0);
        QCOMPARE(DiskLogs(), 0);
        AllowAll();
        g_pSysInfoManage->LoadAllInfo();
        QCOMPARE(StoredDisks(), QByteArray("D"));
    }
}

void TestSystemPage::mailSection()
{
    StoreSystem("D");
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    config.IsEnableEmail = 0;
    config.ReconnetNum = 150;
    QVERIFY(g_pSysInfoManage->SetSystemConfig(&config));
    MAIL_CONFIG mail;
    g_pSysInfoManage->GetMailConfig(&mail);
    CopyStringN(mail.MailTo, "ops@site.test");
    CopyStringN(mail.MailCc, "chief@site.test");
    mail.SMTPPort = 0;
    QVERIFY(g_pSysInfoManage->SetMailConfig(&mail));

    auto page = MakePage();
    DlgCfgSystem& ui = page->Form();
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    QApplication::setActiveWindow(page.get());
    QCOMPARE(ui.m_plineEditReceiverAddress->text(), QStringLiteral("ops@site.test"));
    QCOMPARE(ui.m_plineEditPort->text(), QStringLiteral("0"));
    QCOMPARE(ui.m_pspinBoxReconnect->value(), 99);
    for (QWidget* field :
         {static_cast<QWidget*>(ui.m_pspinBoxReconnect), static_cast<QWidget*>(ui.m_plineEditPort),
          static_cast<QWidget*>(ui.m_pBtnTestConnection)})
        QVERIFY(!field->isEnabled());

    // A stored port 0 refuses the save even with mail off; the bubble shows and the focus stays.
    ui.m_pcheckBoxAutoStart->setFocus();
    CModalDriver driver;
    Expect(driver, NO_BOX);
    QVERIFY(!page->Save());
    QCOMPARE(CToolTip::Text(), QStringLiteral("SMTP port No. ranges from 1 to 65535."));
    QVERIFY(QApplication::focusWidget() != ui.m_plineEditPort);

    ui.m_pcheckBoxEmail->setChecked(true);
    QVERIFY(ui.m_plineEditPort->isEnabled() && ui.m_pspinBoxReconnect->isEnabled());
    ui.m_plineEditPort->setText(QStringLiteral("70000"));
    QVERIFY(!page->Save());
    QCOMPARE(QToolTip::text(), QStringLiteral("SMTP port No. ranges from 1 to 65535."));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.m_plineEditPort));

    // Texts are limited to what a mail can carry, typed or pasted.
    ui.m_plineEditReceiverAddress->clear();
    QTest::keyClicks(ui.m_plineEditReceiverAddress, QString(70, QLatin1Char('r')));
    QCOMPARE(ui.m_plineEditReceiverAddress->text().size(), CDlgCfgSystem::kMailAddressBytes);
    ui.m_plineEditReceiverAddress->setText(QStringLiteral(" ops@site.test "));
    ui.m_plineEditPort->setText(QStringLiteral("2525"));
    ui.m_plineEditMailPassWord->setText(QStringLiteral(" pass word "));
    QVERIFY(page->Save());
    QCOMPARE(driver.Seen().size(), 0);
    g_pSysInfoManage->GetMailConfig(&mail);
    g_pSysInfoManage->GetSystemConfig(&config);
    QCOMPARE(int(mail.SMTPPort), 2525);
    QCOMPARE(QByteArray(mail.MailTo), QByteArray("ops@site.test"));
    QCOMPARE(QByteArray(mail.MailPassword), QByteArray("pass word"));
    QCOMPARE(QByteArray(mail.MailCc), QByteArray("chief@site.test")); // not shown, kept
    QCOMPARE(int(config.IsEnableEmail), 1);
    QCOMPARE(config.ReconnetNum, 99);

    // Unticking takes the reconnect count with the mail fields, their texts kept.
    ui.m_pcheckBoxEmail->setChecked(false);
    QVERIFY(!ui.m_pspinBoxReconnect->isEnabled() && !ui.m_plineEditMailPassWord->isEnabled());
    QCOMPARE(ui.m_plineEditPort->text(), QStringLiteral("2525"));
}

void TestSystemPage::testMail_data()
{
    QTest::addColumn<QString>("port"); // "server": the fake server's port
    QTest::addColumn<bool>("refuseAuth");
    QTest::addColumn<QString>("boxTitle"); // empty: no box, nothing sent
    QTest::addColumn<QString>("boxText");  // without a box: "bubble" or "tooltip", where the refusal shows
    QTest::newRow("sent") << "server" << false << "Success"
                          << "Send test mail successfully";
    QTest::newRow("refused by the server") << "server" << true << "Error"
                                           << "Send test mail failed";
    QTest::newRow("port 0") << "0" << false << ""
                            << "bubble";
    QTest::newRow("empty port") << "" << false << ""
                                << "bubble";
    QTest::newRow("port 70000") << "70000" << false << ""
                                << "tooltip";
}

void TestSystemPage::testMail()
{
    QFETCH(QString, port);
    QFETCH(bool, refuseAuth);
    QFETCH(QString, boxTitle);
    QFETCH(QString, boxText);
    const MailTimeouts timeouts = GetMailTimeouts();
    SetMailTimeouts({std::chrono::milliseconds(3000), std::chrono::milliseconds(3000)});
    CFakeSmtpServer::Options options;
    options.RefuseAuth = refuseAuth;
    CFakeSmtpServer server(options);
    QVERIFY(server.IsListening());
    StoreSystem("D");
    MAIL_CONFIG before;
    g_pSysInfoManage->GetMailConfig(&before);

    auto page = MakePage();
    DlgCfgSystem& ui = page->Form();
    ui.m_pcheckBoxEmail->setChecked(true);
    ui.m_plineEditReceiverAddress->setText(QStringLiteral("operator@site.test"));
    ui.m_plineEditDeliverServer->setText(QStringLiteral("127.0.0.1"));
    ui.m_plineEditPort->setText(port == QLatin1String("server") ? QString::number(server.Port()) : port);
    ui.m_plineEditDeliverAddress->setText(QStringLiteral("station@backup.test"));
    ui.m_plineEditMailUserName->setText(QStringLiteral("Backup Station"));
    ui.m_plineEditMailPassWord->setText(QStringLiteral("pass"));
    CModalDriver driver;
    Expect(driver, boxTitle.isEmpty() ? NO_BOX : OK);
    ui.m_pBtnTestConnection->click();
    SetMailTimeouts(timeouts);

    if (boxTitle.isEmpty()) {
        QCOMPARE(driver.Seen().size(), 0);
        QCOMPARE(server.Sessions(), 0);
        const QString tip = QStringLiteral("SMTP port No. ranges from 1 to 65535.");
        if (boxText == QLatin1String("bubble"))
            QVERIFY(CToolTip::IsVisible() && CToolTip::Text() == tip);
        else
            QVERIFY(QToolTip::isVisible() && QToolTip::text() == tip);
    } else {
        QVERIFY(server.WaitForSessions(1));
        QCOMPARE(driver.Seen().size(), 1);
        QCOMPARE(driver.Seen().first().title, boxTitle);
        QCOMPARE(driver.Seen().first().Text(), boxText);
        if (!refuseAuth) {
            QVERIFY(server.Lines().contains("RCPT TO:<operator@site.test>"));
            QVERIFY(server.RawData().contains("Subject: Email Test\r\n"));
        }
    }
    // The test stores nothing.
    MAIL_CONFIG after;
    g_pSysInfoManage->GetMailConfig(&after);
    QCOMPARE(std::memcmp(after.MailTo, before.MailTo, sizeof after.MailTo), 0);
    QCOMPARE(after.SMTPPort, before.SMTPPort);
}

VARROW_TEST_MAIN(TestSystemPage, QApplication)

#include "tst_gui_systempage.moc"

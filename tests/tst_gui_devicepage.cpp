// The device list page against the real model on a temporary database and simulated recorders: a delete that
// takes the wrong row removes a recorder the operator meant to keep, and an import that stores what the add
// dialog refuses puts texts into the database that break later logins or statements.

#include "config/devices/CDlgAddDevice.h"
#include "config/devices/CDlgCfgDevice.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "model/SQLite3DB.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <string>

class TestDevicePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tableFollowsTheModel();
    void fullTableOpensNoDialog();
    void deleteTakesTheSelectedDevices();
    void deleteStopsAtRefusedQuestion();
    void refusedDeleteKeepsTheDevice();
    void importChecksEveryRow();
    void importRefusesAFileThatIsNoDeviceDatabase();

private:
    int AddToModel(const char* name, int sim, const char* domain = "", int mode = 0);
    void Select(CDlgCfgDevice& page, std::initializer_list<int> rows);
    QStringList Names(const CDlgCfgDevice& page) const;

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSimRecorders> m_sims;
};

namespace {

// Answers the next add dialog with the recorder's address and port under `name`.
void AnswerAdd(CModalDriver& driver, const QString& name, quint16 port)
{
    driver.Answer([name, port](QWidget* window) {
        auto* dialog = qobject_cast<CDlgAddDevice*>(window);
        if (dialog == nullptr) {
            window->close();
            return;
        }
        dialog->Form().m_plineEditDeviceName->setText(name);
        dialog->Form().m_plineEditDeviceIP->setText(QStringLiteral("127.0.0.1"));
        dialog->Form().m_plineEditDevicePort->setText(QString::number(port));
        dialog->Form().m_plineEditDeviceUserName->setText(QStringLiteral("admin"));
        dialog->Form().m_plineEditDevicePassWord->setText(QStringLiteral("12345"));
        dialog->OnBtnClickedOK();
    });
}

void ChooseFile(CModalDriver& driver, const QString& path)
{
    driver.Answer([path](QWidget* window) {
        auto* picker = window->findChild<QFileDialog*>();
        if (picker == nullptr) {
            window->close();
            return;
        }
        picker->selectFile(path);
        static_cast<QDialog*>(picker)->accept();
    });
}

struct IMPORT_ROW
{
    const char* address;
    const char* name;
    const char* user;
    const char* password;
    QString port;
};

void WriteImportFile(const QString& path, const QList<IMPORT_ROW>& rows)
{
    CSQLite3DB db;
    db.Open(path.toStdString());
    db.Exec("CREATE TABLE TInfo_Device (ID INTEGER PRIMARY KEY, Address TEXT, Name TEXT, UserName TEXT, "
            "UserPwd TEXT, Port);");
    for (const IMPORT_ROW& row : rows)
        db.Exec("INSERT INTO TInfo_Device (Address, Name, UserName, UserPwd, Port) VALUES (?,?,?,?,?);",
                {std::string(row.address), std::string(row.name), std::string(row.user),
                 std::string(row.password), row.port.toStdString()});
}

} // namespace

void TestDevicePage::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    m_sims = std::make_unique<CSimRecorders>(1000, 1500);
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_sims->Add(SimRecorderConfig()) != nullptr);
}

void TestDevicePage::cleanup()
{
    m_sims.reset();
    m_db.reset();
}

int TestDevicePage::AddToModel(const char* name, int sim, const char* domain, int mode)
{
    const int flow = mode == 1 ? 200 : -1;
    const CRecorderSim& s = (*m_sims)[size_t(sim)];
    if (g_pSysInfoManage->AddDevice(s.AddressBytes().constData(), s.Port(), "admin", "12345", &flow, name,
                                    domain, mode) != ADD_DEVICE_OK)
        return -1;
    return g_pSysInfoManage->GetDeviceIndexByName(name);
}

void TestDevicePage::Select(CDlgCfgDevice& page, std::initializer_list<int> rows)
{
    CTableView* table = page.Form().m_pTableViewDevice;
    table->selectionModel()->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->GetIndex(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (rows.size() > 0)
        table->selectionModel()->setCurrentIndex(table->GetIndex(*rows.begin(), 0),
                                                 QItemSelectionModel::NoUpdate);
}

QStringList TestDevicePage::Names(const CDlgCfgDevice& page) const
{
    QStringList names;
    CTableView* table = page.Form().m_pTableViewDevice;
    for (int row = 0; row < table->GetTopRowCount(); ++row) {
        names << table->GetItemText(row, 1);
        if (LocalToQString(page.DeviceList()[size_t(row)].DeviceName) != names.last())
            names.last() += QStringLiteral(" (list differs)");
    }
    return names;
}

// Rows show the address or the domain, an empty flow cell for none; Modify needs one row, Delete any.
void TestDevicePage::tableFollowsTheModel()
{
    QVERIFY(AddToModel("Gate", 0) >= 0);
    QVERIFY(AddToModel("Yard", 1, "localhost", 1) >= 0);
    CDlgCfgDevice page;
    CTableView* table = page.Form().m_pTableViewDevice;
    QCOMPARE(table->GetTopRowCount(), 2);
    QCOMPARE(table->GetItemText(1, 0), QStringLiteral("2"));
    QCOMPARE(table->GetItemText(0, 2), QStringLiteral("127.0.0.1"));
    QCOMPARE(table->GetItemText(0, 4), QString());
    QCOMPARE(table->GetItemText(1, 2), QStringLiteral("localhost"));
    QCOMPARE(table->GetItemText(1, 3), QString::number((*m_sims)[1].Port()));
    QCOMPARE(table->GetItemText(1, 4), QStringLiteral("200"));

    QVERIFY(!page.Form().m_pBtnModifyDevice->isEnabled());
    QVERIFY(!page.Form().m_pBtnDeleteDevice->isEnabled());
    Select(page, {1});
    QVERIFY(page.Form().m_pBtnModifyDevice->isEnabled());
    QVERIFY(page.Form().m_pBtnDeleteDevice->isEnabled());
    Select(page, {0, 1});
    QVERIFY(!page.Form().m_pBtnModifyDevice->isEnabled());
    QVERIFY(page.Form().m_pBtnDeleteDevice->isEnabled());

    // A double click opens the modify dialog for the current row.
    CModalDriver driver;
    driver.Reject();
    Select(page, {1});
    Q_EMIT table->doubleClicked(table->GetIndex(1, 0));
    QCOMPARE(driver.Seen().value(0).title, QStringLiteral("Modify Device"));
}

// With every slot in use, Add says so and opens no dialog.
void TestDevicePage::fullTableOpensNoDialog()
{
    CSQLite3DB& db = GetMainDB();
    db.Exec("BEGIN;");
    for (int slot = 0; slot < MAX_DEVICE_NUM; ++slot) {
        DEVICE_INFO device;
        device.IsUsed = 1;
        device.Port = uint16_t(1000 + slot);
        CopyString16(device.DeviceIP, "127.0.0.1");
        CopyString33(device.DeviceName, "R" + std::to_string(slot));
        QVERIFY(DbInsertDeviceInfo(slot, &device));
    }
    db.Exec("COMMIT;");
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    CDlgCfgDevice page;
    CModalDriver driver;
    driver.Accept();
    page.OnBtnClickedAddDevice();
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen()[0].Text(), QStringLiteral("Exceed the maximum device number."));
}

// Two devices added into lower free slots stand last; deleting one of them with a device above it deletes
// exactly those two, although each refill between the deletes reorders the rows.
void TestDevicePage::deleteTakesTheSelectedDevices()
{
    QVERIFY(AddToModel("D0", 0) >= 0);
    QVERIFY(AddToModel("D1", 1) >= 0);
    QVERIFY(AddToModel("D2", 2) >= 0);
    CDlgCfgDevice page;
    QStringList deleted;
    connect(&page, &CDlgCfgDevice::SetDeleteDeviceToView,
            [&deleted](int index) { deleted << QString::number(index); });

    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    Select(page, {0, 1});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("Sure to delete Device？"));
    QCOMPARE(deleted, (QStringList{"1", "0"}));
    QCOMPARE(Names(page), QStringList{"D2"});

    AnswerAdd(driver, QStringLiteral("X"), (*m_sims)[0].Port());
    page.OnBtnClickedAddDevice();
    AnswerAdd(driver, QStringLiteral("Y"), (*m_sims)[1].Port());
    page.OnBtnClickedAddDevice();
    QCOMPARE(Names(page), (QStringList{"D2", "X", "Y"}));
    QCOMPARE(g_pSysInfoManage->GetDeviceIndexByName("Y"), 1);

    driver.Click(QStringLiteral("OK"));
    Select(page, {0, 2});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(Names(page), QStringList{"X"});
    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    QCOMPARE(devices.size(), size_t(1));
    QCOMPARE(QByteArray(devices[0].DeviceName), QByteArray("X"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 1);
    QCOMPARE(page.Form().m_pTableViewDevice->model()->columnCount(), 5); // refills rename, never add
}

// Of three selected devices, the middle one is in a plan and the manual backup: Cancel to its question keeps
// it and the one above; OK deletes it with the signals in their order.
void TestDevicePage::deleteStopsAtRefusedQuestion()
{
    QVERIFY(AddToModel("D0", 0) >= 0);
    const int used = AddToModel("D1", 1);
    QVERIFY(AddToModel("D2", 2) >= 0);
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, "Night");
    plan.Channel[0] = {int16_t(used), 1};
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&plan, 4));
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {int16_t(used), 2};
    g_pSysInfoManage->SetManualBackupInfo(&manual);

    CDlgCfgDevice page;
    QStringList order;
    connect(&page, &CDlgCfgDevice::ManualDeviceChanged, [&order] { order << "manual"; });
    connect(&page, &CDlgCfgDevice::StopThread,
            [&order](std::vector<int> g) { order << QStringLiteral("stop %1").arg(g.size()); });
    connect(&page, &CDlgCfgDevice::SetDeleteDeviceToView,
            [&order](int i) { order << QStringLiteral("deleted %1").arg(i); });
    connect(&page, &CDlgCfgDevice::SignalDeviceChanged, [&order] { order << "changed"; });

    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    driver.Click(QStringLiteral("Cancel"));
    Select(page, {0, 1, 2});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(driver.Seen().value(1).Text(), QStringLiteral("The Device is used in Schedule, Are you sure"));
    QCOMPARE(Names(page), (QStringList{"D0", "D1"}));
    QCOMPARE(order, (QStringList{"stop 0", "deleted 2", "changed"}));

    order.clear();
    driver.Click(QStringLiteral("OK"));
    driver.Click(QStringLiteral("OK"));
    Select(page, {1});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(order, (QStringList{"manual", "stop 1", QStringLiteral("deleted %1").arg(used), "changed"}));
    QCOMPARE(Names(page), QStringList{"D0"});
    QVERIFY(g_pSysInfoManage->GetManualBackupInfo()->Channel[0].IsEmpty());
}

// A database that refuses the delete keeps the device; its plans, stopped for the delete, are announced for
// their restart and the manual backup gets its channel back.
void TestDevicePage::refusedDeleteKeepsTheDevice()
{
    const int slot = AddToModel("Gate", 0);
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, "Night");
    plan.Channel[0] = {int16_t(slot), 1};
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&plan, 2));
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {int16_t(slot), 2};
    g_pSysInfoManage->SetManualBackupInfo(&manual);
    CDlgCfgDevice page;
    std::vector<GROUP_CHANGED> restarted;
    connect(&page, &CDlgCfgDevice::UpdateGroup,
            [&restarted](std::vector<GROUP_CHANGED> g) { restarted = g; });
    int deletedSignals = 0;
    connect(&page, &CDlgCfgDevice::SetDeleteDeviceToView, [&deletedSignals] { ++deletedSignals; });

    Refuse("DELETE", "Device_Table");
    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    driver.Click(QStringLiteral("OK"));
    driver.Accept();
    Select(page, {0});
    page.OnBtnClickedDeleteDevice();
    AllowAll();
    QCOMPARE(driver.Seen().value(2).Text(), QStringLiteral("Delete device failed."));
    QCOMPARE(deletedSignals, 0);
    QCOMPARE(restarted.size(), size_t(1));
    QCOMPARE(restarted[0].GroupID, 2);
    QCOMPARE(Names(page), QStringList{"Gate"});
    QCOMPARE(g_pSysInfoManage->GetGroupInfo(2)->Channel[0].DeviceID, int16_t(slot));
    QCOMPARE(g_pSysInfoManage->GetManualBackupInfo()->Channel[0].CameraIndex, int16_t(2));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToManual = 1"), 1);
}

// Good rows are added with a login; rows that the add dialog would refuse are skipped and counted; the busy
// box stays up through Return until the import is over.
void TestDevicePage::importChecksEveryRow()
{
    // A silent recorder holds the import in its login long enough for the busy box to be answered.
    SimRecorderConfig silent;
    silent.Silent = true;
    CRecorderSim* quiet = m_sims->Add(silent);
    QVERIFY(quiet != nullptr);
    const QString path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("import.db"));
    QFile::remove(path);
    auto port = [this](int i) { return QString::number((*m_sims)[size_t(i)].Port()); };
    WriteImportFile(path,
                    {
                        {"127.0.0.1", "Gate", "admin", "12345", port(0)},
                        {"127.0.0.1", "Yard", "admin", "12345", port(1)},
                        {"127.0.0.1", "O'Hara", "admin", "12345", port(2)},
                        {"127.0.0.1", "Shed", "ad'min", "12345", port(2)},
                        {"127.0.0.1", "Port0", "admin", "12345", QStringLiteral("0")},
                        {"127.0.0.1", "Port70000", "admin", "12345", QStringLiteral("70000")},
                        {"127.0.0.1", "PortText", "admin", "12345", QStringLiteral("http")},
                        {"127.0.0.1", "A name far longer than thirty-two bytes", "admin", "12345", port(2)},
                        {"127.0.0.1", "LongUser", "a-user-name-of-thirty-two-bytes!", "12345", port(2)},
                        {"127.0.0.1", "Gate", "admin", "12345", port(2)},
                        {"127.0.0.1", "Quiet", "admin", "12345", QString::number(quiet->Port())},
                    });

    CDlgCfgDevice page;
    int deviceSignals = 0;
    connect(&page, &CDlgCfgDevice::SignalDeviceChanged, [&deviceSignals] { ++deviceSignals; });
    CModalDriver driver;
    ChooseFile(driver, path);
    bool busyStayed = false;
    driver.Answer([&busyStayed](QWidget* window) {
        QVERIFY(qobject_cast<ChaseDialog*>(window) != nullptr);
        QTest::keyClick(window, Qt::Key_Return);
        QTest::keyClick(window, Qt::Key_Enter);
        busyStayed = window->isVisible();
    });
    driver.Accept();
    page.OnBtnClickedReadDataBase();
    QVERIFY(busyStayed);
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(driver.Seen().value(1).title, QStringLiteral("Search..."));
    const MODAL_SEEN result = driver.Seen().value(2);
    QCOMPARE(result.title, QStringLiteral("Information"));
    QVERIFY2(result.Text().startsWith(QStringLiteral("Read Database succeed.")), qPrintable(result.Text()));
    QVERIFY2(result.Text().contains(QStringLiteral("2 device(s) added")), qPrintable(result.Text()));
    QVERIFY2(result.Text().contains(QStringLiteral("7 row(s) with wrong fields skipped")),
             qPrintable(result.Text()));
    QVERIFY2(result.Text().contains(QStringLiteral("2 device(s) not added")), qPrintable(result.Text()));
    QCOMPARE(Names(page), (QStringList{"Gate", "Yard"}));
    QCOMPARE(deviceSignals, 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 2);
}

void TestDevicePage::importRefusesAFileThatIsNoDeviceDatabase()
{
    const QString text = TestSupport::ProcessAppDir().FilePath(QStringLiteral("notes.db"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("these are not the rows you are looking for\n");
    file.close();
    const QString other = TestSupport::ProcessAppDir().FilePath(QStringLiteral("other.db"));
    QFile::remove(other);
    {
        CSQLite3DB db;
        db.Open(other.toStdString());
        db.Exec("CREATE TABLE TInfo_Device (Address TEXT, Name TEXT);");
    }
    for (const QString& path : {text, other}) {
        CDlgCfgDevice page;
        CModalDriver driver;
        ChooseFile(driver, path);
        // A quick failure may end the busy box before the driver sees it: whichever comes, only the message
        // is answered.
        for (int i = 0; i < 2; ++i)
            driver.Answer([](QWidget* window) {
                if (qobject_cast<ChaseDialog*>(window) == nullptr)
                    static_cast<QDialog*>(window)->accept();
            });
        page.OnBtnClickedReadDataBase();
        const MODAL_SEEN result = driver.Seen().last();
        QCOMPARE(result.title, QStringLiteral("Error"));
        QVERIFY2(result.Text().startsWith(QStringLiteral("Read Database failed.")),
                 qPrintable(result.Text()));
        QCOMPARE(page.Form().m_pTableViewDevice->GetTopRowCount(), 0);
    }
    // The chosen file is only read.
    QFile check(text);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("these are not the rows you are looking for\n"));
}

VARROW_TEST_MAIN(TestDevicePage, QApplication)

#include "tst_gui_devicepage.moc"

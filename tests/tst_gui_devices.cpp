// The add and modify device dialog and the device list page against the real model on a temporary database
// and simulated recorders. A field that slips past its check reaches a recorder or the database; a modify or
// delete reported as done while the model kept the old device leaves plans stopped for nothing; a delete that
// takes the wrong row removes a recorder the operator meant to keep; an import that stores what the dialog
// refuses breaks later logins.

#include "config/devices/CDlgAddDevice.h"
#include "config/devices/CDlgCfgDevice.h"
#include "config/devices/DeviceFields.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "model/SQLite3DB.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/OtherUser.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestDevices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void refusals_data();
    void refusals();
    void fieldLimits_data();
    void fieldLimits();
    void typingLimits();
    void busyLineFits();
    void modify_data();
    void modify();
    void methodChosenByKeyboardIsNotSaved();
    void deleteTakesTheSelectedDevices();
    void importChecksEveryRow();
    void importStops_data();
    void importStops();
    void loginFailureSaysWhy_data();
    void loginFailureSaysWhy();
    void importReadsBoundedValues();
    void importReadsTheChosenFileAlone_data();
    void importReadsTheChosenFileAlone();

private:
    int AddToModel(const char* name, int sim);
    QString Port(int sim) const { return QString::number((*m_sims)[size_t(sim)].Port()); }

    std::unique_ptr<CTempDatabase> m_db;
    std::unique_ptr<CSimRecorders> m_sims;
    QWidget m_parent;
};

namespace {

void Fill(CDlgAddDevice& dialog, const QString& name, const QString& address, const QString& port,
          const QString& password = QStringLiteral("12345"))
{
    dialog.Form().m_plineEditDeviceName->setText(name);
    dialog.Form().m_plineEditDeviceIP->setText(address);
    dialog.Form().m_plineEditDevicePort->setText(port);
    dialog.Form().m_plineEditDeviceUserName->setText(QStringLiteral("admin"));
    dialog.Form().m_plineEditDevicePassWord->setText(password);
}

// The signals of a dialog or a page, in the order they came.
template <typename T> QStringList* Watch(T* sender)
{
    auto* log = new QStringList;
    QObject::connect(sender, &QObject::destroyed, [log] { delete log; });
    QObject::connect(sender, &T::PauseManualBackup, [log] { *log << "pause"; });
    QObject::connect(sender, &T::ManualDeviceChanged, [log] { *log << "manual"; });
    QObject::connect(sender, &T::StopThread,
                     [log](std::vector<int> g) { *log << QStringLiteral("stop %1").arg(g.size()); });
    QObject::connect(sender, &T::UpdateGroup, [log](std::vector<GROUP_CHANGED> g) {
        QStringList plans;
        for (const GROUP_CHANGED& c : g)
            plans << QStringLiteral("%1 %2").arg(c.GroupID).arg(QLatin1String(c.GroupName));
        *log << QStringLiteral("restart ") + plans.join(QLatin1Char(','));
    });
    QObject::connect(sender, &T::SetModifyDeviceToView, [log](int index, bool changed) {
        *log << QStringLiteral("modify %1 %2").arg(index).arg(changed);
    });
    QObject::connect(sender, &T::SignalDeviceChanged, [log] { *log << "changed"; });
    return log;
}

void SetPlan(int index, const char* name, std::initializer_list<CHANNEL_REF> refs)
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, name);
    std::copy(refs.begin(), refs.end(), plan.Channel);
    QVERIFY(g_pSysInfoManage->SetGroupInfo(&plan, index));
}

int PlanChannels(const CSysInfoManage& model, int plan)
{
    GROUP_INFO plans[MAX_GROUP_NUM];
    model.GetAllGroupInfo(plans);
    int n = 0;
    while (n < MAX_GROUP_CHANNEL_NUM && !plans[plan].Channel[n].IsEmpty())
        ++n;
    return n;
}

// The model as the next start reads it from the database.
std::unique_ptr<CSysInfoManage> Reloaded(CTempDatabase& db)
{
    db.Reopen();
    auto model = std::make_unique<CSysInfoManage>();
    return model->LoadAllInfo() ? std::move(model) : nullptr;
}

void Select(CDlgCfgDevice& page, std::initializer_list<int> rows)
{
    CTableView* table = page.Form().m_pTableViewDevice;
    table->selectionModel()->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->GetIndex(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->setCurrentIndex(table->GetIndex(*rows.begin(), 0),
                                             QItemSelectionModel::NoUpdate);
}

// The names in the table, each checked against the page's list behind it.
QStringList Names(const CDlgCfgDevice& page)
{
    QStringList names;
    for (int row = 0; row < page.Form().m_pTableViewDevice->GetTopRowCount(); ++row) {
        names << page.Form().m_pTableViewDevice->GetItemText(row, 1);
        if (LocalToQString(page.DeviceList()[size_t(row)].DeviceName) != names.last())
            names.last() += QStringLiteral(" (list differs)");
    }
    return names;
}

// Answers the next file picker with `path`, then the busy box (when the driver still sees it), after a stop
// the box that waits for the row under way (left to close by itself), and the result.
void AnswerImport(CModalDriver& driver, const QString& path, std::function<void(QWidget*)> busy,
                  bool stopped = false)
{
    driver.Answer([path](QWidget* window) {
        auto* picker = window->findChild<QFileDialog*>();
        picker->selectFile(path);
        static_cast<QDialog*>(picker)->accept();
    });
    driver.Answer([busy](QWidget* window) {
        if (qobject_cast<ChaseDialog*>(window) == nullptr)
            static_cast<QDialog*>(window)->accept();
        else
            busy(window);
    });
    if (stopped)
        driver.AcceptPassingBusy(1);
    driver.Accept();
}

// An import file: a table of rows (name, user, port) at 127.0.0.1, password 12345.
void WriteImport(const QString& path, const char* table, const QList<QStringList>& rows)
{
    CSQLite3DB db;
    db.Open(path.toStdString());
    db.Exec(std::string("CREATE TABLE ") + table +
            " (Address TEXT, Name TEXT, UserName TEXT, UserPwd TEXT, Port);");
    for (const QStringList& r : rows)
        db.Exec(std::string("INSERT INTO ") + table + " VALUES ('127.0.0.1', ?, ?, '12345', ?);",
                {r[0].toStdString(), r[1].toStdString(), r[2].toStdString()});
}

} // namespace

void TestDevices::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    m_sims = std::make_unique<CSimRecorders>(1000, 1500);
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_sims->Add(SimRecorderConfig()) != nullptr);
    // The fourth never answers: it holds an import in its login.
    SimRecorderConfig silent;
    silent.Silent = true;
    QVERIFY(m_sims->Add(silent) != nullptr);
}

void TestDevices::cleanup()
{
    AllowAll();
    CToolTip::HideText();
    m_sims.reset();
    m_db.reset();
}

int TestDevices::AddToModel(const char* name, int sim)
{
    const int flow = -1;
    const CRecorderSim& s = (*m_sims)[size_t(sim)];
    if (g_pSysInfoManage->AddDevice(s.AddressBytes().constData(), s.Port(), "admin", "12345", &flow, name, "",
                                    0) != ADD_DEVICE_OK)
        return -1;
    return g_pSysInfoManage->GetDeviceIndexByName(name);
}

void TestDevices::refusals_data()
{
    QTest::addColumn<QStringList>("fields"); // mode, name, address, port ("#n": recorder n's), user, password
    QTest::addColumn<QString>("field");      // the field the bubble names; empty: the refusal is a box
    QTest::addColumn<QString>("message");
    auto row = [](const char* tag, const QStringList& fields, const char* field, const char* message) {
        QTest::newRow(tag) << fields << QString::fromLatin1(field) << message;
    };
    row("blank name", {"0", "  ", "127.0.0.1", "80", "a", "p"}, "Name", "Nick name cannot be empty.");
    row("slash", {"0", "a/b", "127.0.0.1", "80", "a", "p"}, "Name", "Nick name is Invalid.");
    row("last part 0", {"0", "a", "127.0.0.0", "80", "a", "p"}, "IP", "IP Address is Invalid.");
    row("no domain", {"1", "a", " ", "80", "a", "p"}, "IP", "Domain can not be empty.");
    row("no password", {"0", "a", "127.0.0.1", "80", "a", ""}, "PassWord", "Password cannot be empty.");
    row("port 65536", {"0", "a", "127.0.0.1", "65536", "a", "p"}, "Port", "Port No. ranges from 1 to 65535.");
    row("same name", {"0", "First", "127.0.0.1", "#1", "admin", "12345"}, "",
        "Device with the same name has been added");
    row("same address and port", {"0", "Gate", "127.0.0.1", "#0", "admin", "12345"}, "",
        "Device with the same address and port has been added");
    row("login refused", {"0", "Gate", "127.0.0.1", "#1", "admin", "wrong"}, "",
        "Log in failed\nThe user name or the password is wrong.");
    row("domain without IPv4", {"1", "Gate", "no-such-host.invalid", "#1", "admin", "12345"}, "",
        "Domain is wrong");
}

// A field refusal names its field in the bubble and gives it the focus; the recorder's or the model's refusal
// is a box. Either way the dialog stays open and nothing is stored or announced. Return runs the checks as OK
// does.
void TestDevices::refusals()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, field);
    QFETCH(QString, message);
    QVERIFY(AddToModel("First", 0) >= 0);
    CModalDriver driver;
    driver.Accept();
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    const QStringList* log = Watch(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.Form().m_pcomboBoxAddDevice->setCurrentIndex(fields[0].toInt());
    Fill(dialog, fields[1], fields[2], fields[3].startsWith('#') ? Port(fields[3].mid(1).toInt()) : fields[3],
         fields[5]);
    dialog.Form().m_plineEditDeviceUserName->setText(fields[4]);
    QTest::keyClick(dialog.Form().m_plineEditDeviceName, Qt::Key_Return);
    if (field.isEmpty()) {
        QCOMPARE(driver.Seen().value(0).Text(), message);
    } else {
        QCOMPARE(CToolTip::Text(), message);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("m_plineEditDevice") + field);
        QVERIFY(driver.Seen().isEmpty());
    }
    QVERIFY(dialog.isVisible());
    QVERIFY(log->isEmpty());
    QVERIFY(g_pSysInfoManage->GetDeviceInfo(1) == nullptr);
}

void TestDevices::fieldLimits_data()
{
    QTest::addColumn<QStringList>("fields"); // mode, name, address, port, user, password
    QTest::addColumn<int>("refused");        // DEVICE_FIELD
    QTest::addColumn<QString>("message");
    const auto row = [](const char* tag, const QStringList& f, DEVICE_FIELD field, const char* message) {
        QTest::newRow(tag) << f << int(field) << QString::fromLatin1(message);
    };
    const QString ok = QString();
    const QString name32 = QString(10, QChar(0x4E2D)) + QStringLiteral("ab"); // 32 bytes
    const QString domain127 = QString(123, u'd') + QStringLiteral(".net");
    row("every limit reached",
        {"0", name32, "010.000.000.001", "65535", QString(31, u'u'), QString(16, u'p')}, DEVICE_FIELD::None,
        "");
    row("port 1", {"0", "a", "10.0.0.1", "1", "u", "p"}, DEVICE_FIELD::None, "");
    row("domain of 127 bytes", {"1", "a", domain127, "80", "u", "p"}, DEVICE_FIELD::None, "");
    row("name of 33 bytes", {"0", name32 + "c", "10.0.0.1", "80", "u", "p"}, DEVICE_FIELD::Name,
        "Nick name is Invalid.");
    row("address of 16 characters", {"0", "a", "010.000.000.0001", "80", "u", "p"}, DEVICE_FIELD::Address,
        "IP Address is Invalid.");
    row("domain of 128 bytes", {"1", "a", domain127 + "t", "80", "u", "p"}, DEVICE_FIELD::Address,
        "Domain is wrong");
    row("user of 32 bytes", {"0", "a", "10.0.0.1", "80", QString(32, u'u'), "p"}, DEVICE_FIELD::User,
        "User name is too long.");
    row("password of 17", {"0", "a", "10.0.0.1", "80", "u", QString(17, u'p')}, DEVICE_FIELD::Password,
        "Password is too long.");
    row("port 0", {"0", "a", "10.0.0.1", "0", "u", "p"}, DEVICE_FIELD::Port,
        "Port No. ranges from 1 to 65535.");
    row("port 65536", {"0", "a", "10.0.0.1", "65536", "u", "p"}, DEVICE_FIELD::Port,
        "Port No. ranges from 1 to 65535.");
    row("port not decimal", {"0", "a", "10.0.0.1", "0x50", "u", "p"}, DEVICE_FIELD::Port,
        "Port No. ranges from 1 to 65535.");
}

// The same checks guard the dialog and the import: each byte limit is pinned on both sides.
void TestDevices::fieldLimits()
{
    QFETCH(QStringList, fields);
    QFETCH(int, refused);
    QFETCH(QString, message);
    DEVICE_FIELDS f;
    f.ConnectMode = fields[0].toInt();
    f.Name = fields[1];
    f.Address = fields[2];
    f.Port = DeviceFields::ParsePort(fields[3]);
    f.User = fields[4];
    f.Password = fields[5];
    const DEVICE_FIELD_ERROR error = DeviceFields::Check(f);
    QCOMPARE(int(error.Field), refused);
    QCOMPARE(error.Message, message);
    QCOMPARE(DeviceFields::ParsePort(QStringLiteral(" 8000 ")), uint16_t(8000));
}

// The fields refuse while typing what the record cannot hold (bytes of UTF-8) or the database must not see.
void TestDevices::typingLimits()
{
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    const CDlgAddDeviceClass& ui = dialog.Form();
    const auto type = [](QWidget* widget, const QString& text) {
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(widget, &press);
        }
    };
    type(ui.m_plineEditDeviceName, QString(17, QChar(0x4E2D))); // 3 bytes each
    QCOMPARE(ui.m_plineEditDeviceName->text(), QString(10, QChar(0x4E2D)));
    type(ui.m_plineEditDeviceUserName, QStringLiteral("ad'min") + QString(40, u'x'));
    QCOMPARE(ui.m_plineEditDeviceUserName->text(), QStringLiteral("admin") + QString(26, u'x')); // 31 bytes
    type(ui.m_plineEditDevicePassWord, QStringLiteral("pa'ss"));
    QCOMPARE(ui.m_plineEditDevicePassWord->text(), QStringLiteral("pass"));
    // The port and the flow limit take five digits and nothing else.
    for (QLineEdit* number : {ui.m_plineEditDevicePort, ui.m_plineEditDeviceStreamCtrl}) {
        number->clear();
        type(number, QStringLiteral("8a0x-123456"));
        QCOMPARE(number->text(), QStringLiteral("80123"));
    }
}

// The line that says what a login waits for stands beside OK and Cancel in the narrow dialog: it must show
// whole, never cut off after "Connecting to the devic".
void TestDevices::busyLineFits()
{
    CDlgAddDevice dialog(QModelIndex(), nullptr, &m_parent);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* busy = dialog.findChild<QLabel*>(QStringLiteral("m_pLabelBusy"));
    busy->show();
    QApplication::processEvents();
    const QRect room = busy->contentsRect();
    const QRect needed = busy->fontMetrics().boundingRect(room, Qt::TextWordWrap, busy->text());
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2 in %3x%4")
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(room.width())
                            .arg(room.height())));
}

void TestDevices::modify_data()
{
    QTest::addColumn<QString>("edit");      // "name", "port" or "flow"
    QTest::addColumn<QString>("answer");    // to the question whether plans may stop for it
    QTest::addColumn<bool>("refuse");       // the database refuses the device's row
    QTest::addColumn<QStringList>("order"); // the signals
    QTest::addColumn<int>("channelsLeft"); // in plan Night; -1: the modify is refused and Night keeps its two
    auto row = [](const char* tag, const char* edit, const char* answer, bool refuse,
                  const QStringList& order, int channelsLeft) {
        QTest::newRow(tag) << QString::fromLatin1(edit) << QString::fromLatin1(answer) << refuse << order
                           << channelsLeft;
    };
    row("name only: plans keep the channels and restart", "name", "OK", false,
        {"stop 3", "modify 1 0", "restart 0 Night,3 Day", "changed"}, 2);
    row("new port: the channels leave the plans", "port", "OK", false,
        {"pause", "stop 3", "manual", "modify 1 1", "changed"}, 0);
    row("cancelled", "flow", "Cancel", false, {}, -1);
    // The manual backup stops first and resumes as it was: its record changes only with the device.
    row("database refuses", "flow", "OK", true, {"pause", "stop 3", "manual", "restart 0 Night,3 Day"}, -1);
}

// After the confirmation, the device keeps its slot (the index the plan page gets); the manual backup is
// stopped first and loses its channels only once the model took the change; the connection change alone
// takes the channels out of the plans. Whether the operator
// cancels or the database refuses, the old device stays whole in memory and in the database, the dialog stays
// open, and the plans and the manual backup that were stopped or emptied for it get back what they had.
void TestDevices::modify()
{
    QFETCH(QString, edit);
    QFETCH(QString, answer);
    QFETCH(bool, refuse);
    QFETCH(QStringList, order);
    QFETCH(int, channelsLeft);
    QVERIFY(AddToModel("Spare", 2) >= 0);
    const int slot = AddToModel("Gate", 0);
    SetPlan(0, "Night", {{int16_t(slot), 1}, {int16_t(slot), 2}});
    SetPlan(3, "Day", {{int16_t(slot), 3}});
    MANUAL_BACKUP_INFO manual;
    manual.Channel[0] = {int16_t(slot), 4};
    g_pSysInfoManage->SetManualBackupInfo(&manual);
    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(slot);
    CModalDriver driver;
    driver.Click(answer);
    driver.Accept();
    if (refuse)
        Refuse("INSERT", "Device_Table");
    CDlgAddDevice dialog(QModelIndex(), &old, &m_parent);
    const QStringList* log = Watch(&dialog);
    if (edit == QLatin1String("name"))
        dialog.Form().m_plineEditDeviceName->setText(QStringLiteral("Gate B"));
    else if (edit == QLatin1String("port"))
        dialog.Form().m_plineEditDevicePort->setText(Port(1));
    else
        dialog.Form().m_plineEditDeviceStreamCtrl->setText(QStringLiteral("300"));
    dialog.OnBtnClickedOK();
    AllowAll();
    QCOMPARE(dialog.result() == QDialog::Accepted, channelsLeft >= 0);
    QCOMPARE(
        driver.Seen().last().Text(),
        QLatin1String(refuse ? "Modify device failed." : "The Device is used in Schedule, Are you sure"));
    QCOMPARE(*log, order);

    const auto reloaded = Reloaded(*m_db);
    QVERIFY(reloaded != nullptr);
    for (CSysInfoManage* model : {g_pSysInfoManage, reloaded.get()}) {
        const DEVICE_INFO* d = model->GetDeviceInfo(slot);
        QVERIFY(d != nullptr);
        QCOMPARE(QByteArray(d->DeviceName), QByteArray(edit == QLatin1String("name") ? "Gate B" : "Gate"));
        QCOMPARE(d->Port, (*m_sims)[edit == QLatin1String("port") ? 1 : 0].Port());
        QCOMPARE(d->FlowCtrlValue, old.FlowCtrlValue);
        QCOMPARE(PlanChannels(*model, 0), channelsLeft < 0 ? 2 : channelsLeft);
        // A new name alone keeps the channel in the manual backup, as in the plans.
        QCOMPARE(model->GetManualBackupInfo()->Channel[0].IsEmpty(),
                 channelsLeft >= 0 && edit != QLatin1String("name"));
    }
}

// The method chosen with the keyboard in its open list takes Down and Return there alone: the dialog stays
// open with the recorder as it was, and the operator goes on to the address; Return in the address field
// then saves the recorder in the chosen method with the typed domain.
void TestDevices::methodChosenByKeyboardIsNotSaved()
{
    const int slot = AddToModel("Gate", 0);
    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(slot);
    CModalDriver driver;
    CDlgAddDevice dialog(QModelIndex(), &old, &m_parent);
    const QStringList* log = Watch(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    CComboBox* method = dialog.Form().m_pcomboBoxAddDevice;
    method->setFocus();
    QCOMPARE(method->currentIndex(), 0);
    method->showPopup();
    QAbstractItemView* list = method->view();
    QTRY_VERIFY(list->isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(method->currentText(), QStringLiteral("Domain Mode"));
    QVERIFY(dialog.isVisible());
    QVERIFY(log->isEmpty());
    QVERIFY(driver.Seen().isEmpty());
    QCOMPARE(g_pSysInfoManage->GetDeviceInfo(slot)->ConnectMode, int16_t(0));

    QLineEdit* address = dialog.Form().m_plineEditDeviceIP;
    address->setFocus();
    address->selectAll();
    QTest::keyClicks(address, QStringLiteral("localhost"));
    QTest::keyClick(address, Qt::Key_Return);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const DEVICE_INFO* now = g_pSysInfoManage->GetDeviceInfo(slot);
    QCOMPARE(now->ConnectMode, int16_t(1));
    QCOMPARE(QByteArray(now->Domain), QByteArray("localhost"));
}

// Two devices added into lower free slots stand last; deleting one of them with a device above it deletes
// exactly those two, although each refill between the deletes reorders the rows.
void TestDevices::deleteTakesTheSelectedDevices()
{
    QVERIFY(AddToModel("D0", 0) >= 0 && AddToModel("D1", 1) >= 0 && AddToModel("D2", 2) >= 0);
    CDlgCfgDevice page;
    CModalDriver driver;
    driver.Click(QStringLiteral("OK"));
    Select(page, {0, 1});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(Names(page), QStringList{"D2"});

    for (const char* name : {"X", "Y"}) {
        driver.Answer([this, name](QWidget* window) {
            auto* dialog = qobject_cast<CDlgAddDevice*>(window);
            // Y by its domain name, with a flow limit; X with a flow of 0, which is none.
            const bool y = name[0] == 'Y';
            dialog->Form().m_pcomboBoxAddDevice->setCurrentIndex(y ? 1 : 0);
            Fill(*dialog, QLatin1String(name), QLatin1String(y ? "localhost" : "127.0.0.1"), Port(y ? 1 : 0));
            dialog->Form().m_plineEditDeviceStreamCtrl->setText(QLatin1String(y ? "300" : "0"));
            dialog->OnBtnClickedOK();
        });
        page.OnBtnClickedAddDevice();
    }
    QCOMPARE(Names(page), (QStringList{"D2", "X", "Y"}));
    // Each row: its number, name, address or domain, port and flow limit (none shows empty).
    CTableView* table = page.Form().m_pTableViewDevice;
    for (int row = 1; row < 3; ++row) {
        QStringList texts;
        for (int column = 0; column < 5; ++column)
            texts << table->GetItemText(row, column);
        QCOMPARE(texts, row == 1 ? (QStringList{"2", "X", "127.0.0.1", Port(0), ""})
                                 : (QStringList{"3", "Y", "localhost", Port(1), "300"}));
    }
    QCOMPARE(g_pSysInfoManage->GetDeviceInfo(0)->FlowCtrlValue, -1);
    // Modify takes exactly one row; delete one or more.
    for (const auto& rows : {std::initializer_list<int>{1}, std::initializer_list<int>{0, 2}}) {
        Select(page, rows);
        QCOMPARE(page.Form().m_pBtnModifyDevice->isEnabled(), rows.size() == 1);
        QVERIFY(page.Form().m_pBtnDeleteDevice->isEnabled());
    }
    QCOMPARE(g_pSysInfoManage->GetDeviceIndexByName("Y"), 1);

    driver.Click(QStringLiteral("OK"));
    Select(page, {0, 2});
    page.OnBtnClickedDeleteDevice();
    QCOMPARE(Names(page), QStringList{"X"});
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 1);
}

// Good rows are added with a login; rows that the add dialog would refuse are skipped and counted; the busy
// box stays up through Return and Enter until the import is over.
void TestDevices::importChecksEveryRow()
{
    // A silent recorder holds the import in its login long enough for the busy box to be answered.
    const QString path = m_db->Dir() + QStringLiteral("/import.db");
    // A user of 11 characters but 33 bytes, too long for its field, is a fault of the row, not the recorder.
    QList<QStringList> rows = {
        {"Gate", "admin", Port(0)},  {"Yard", "admin", Port(1)},      {"O'Hara", "admin", Port(2)},
        {"Shed", "ad'min", Port(2)}, {"Port70000", "admin", "70000"}, {QString(33, u'n'), "admin", Port(2)},
        {"Gate", "admin", Port(2)},  {"Quiet", "admin", Port(3)},
    };
    rows.append({"Wide", QString(11, QChar(0x64CD)), Port(2)});
    WriteImport(path, "TInfo_Device", rows);
    CDlgCfgDevice page;
    const QStringList* log = Watch(&page);
    CModalDriver driver;
    bool busyStayed = false;
    AnswerImport(driver, path, [&busyStayed](QWidget* busy) {
        QTest::keyClick(busy, Qt::Key_Return);
        QTest::keyClick(busy, Qt::Key_Enter);
        busyStayed = busy->isVisible();
    });
    page.OnBtnClickedReadDataBase();
    QVERIFY(busyStayed);
    QCOMPARE(
        driver.Seen().value(2).Text(),
        QStringLiteral("Read Database succeed.\n2 device(s) added.\n5 row(s) with wrong fields skipped.\n"
                       "2 device(s) not added: already added or log in failed."));
    QCOMPARE(Names(page), (QStringList{"Gate", "Yard"}));
    QCOMPARE(*log, QStringList{"changed"});
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 2);
}

void TestDevices::importStops_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("result");    // the text of the result box
    QTest::addColumn<QStringList>("names"); // the devices added
    // A view may compute any number of rows from a small file: only a real table is imported.
    QTest::newRow("view") << "view"
                          << "Read Database failed.\nThe file is not a device database." << QStringList();
    // Two free slots: two devices come in, and the rows after them are counted, not read into memory.
    QTest::newRow("slots full") << "full"
                                << "Read Database succeed.\n2 device(s) added.\nNo free device place left: "
                                   "2 row(s) not imported."
                                << QStringList{"Yard", "Shed"};
    // Stopped while a silent recorder holds the first row's login: the rows after it are left.
    QTest::newRow("operator stops") << "stop"
                                    << "Read Database succeed.\n0 device(s) added.\n1 device(s) not added: "
                                       "already added or log in failed.\nImport stopped: 4 row(s) left."
                                    << QStringList();
    // Stopped while the silent recorder holds the last row's login: no row is left, and the result still says
    // that the operator stopped it, not as a run that went through.
    QTest::newRow("operator stops in the last row")
        << "stop last"
        << "Read Database succeed.\n0 device(s) added.\n4 device(s) not added: already added or log in "
           "failed.\nImport stopped: 0 row(s) left."
        << QStringList();
}

void TestDevices::importStops()
{
    QFETCH(QString, kind);
    QFETCH(QString, result);
    QFETCH(QStringList, names);
    const QString path = m_db->Dir() + QStringLiteral("/import.db");
    const char* table = kind == "view" ? "Devices" : "TInfo_Device";
    const QStringList rows = {"Quiet", "Yard", "Shed", "Late", "Later"};
    QList<QStringList> fields;
    for (int i = kind == "stop" ? 0 : 1; i < rows.size(); ++i)
        fields.append({rows[i], "admin", i == 0 ? Port(3) : Port(i % 2 + 1)});
    if (kind == "stop last") {
        // Three rows the model refuses at once (the same name, the same address and port as a device
        // there), then the silent one.
        QVERIFY(AddToModel("Gate", 0) >= 0 && AddToModel("Yard", 1) >= 0);
        fields = {{"Gate", "admin", Port(2)},
                  {"Shed", "admin", Port(0)},
                  {"Yard", "admin", Port(1)},
                  {"Quiet", "admin", Port(3)}};
    }
    WriteImport(path, table, fields);
    if (kind == "view") {
        CSQLite3DB db;
        db.Open(path.toStdString());
        db.Exec("CREATE VIEW TInfo_Device AS SELECT * FROM Devices;");
    }
    if (kind == "full") {
        // Every slot but two taken.
        QVERIFY(GetMainDB().Exec(
            "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 1023) "
            "INSERT OR REPLACE INTO Device_Table (DeviceID, IsUsed, DeviceIP, DeviceName, Port) "
            "SELECT i, 1, '127.0.0.2', 'Filler' || i, 8000 FROM n;"));
        QVERIFY(g_pSysInfoManage->LoadAllInfo());
    }
    CDlgCfgDevice page;
    const QStringList before = Names(page).filter(QRegularExpression(QStringLiteral("^(?!Filler)")));
    CModalDriver driver;
    // The stop waits for a login that no answer ends: the window must live on meanwhile, never stand still
    // for the rest of the answer's time-out (1.5 s).
    const bool stop = kind.startsWith(QLatin1String("stop"));
    QElapsedTimer sinceTick;
    qint64 longestStill = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, this,
            [&] { longestStill = std::max(longestStill, sinceTick.restart()); });
    AnswerImport(
        driver, path,
        [&](QWidget* busy) {
            if (!stop)
                return;                                      // ends by itself
            QTRY_VERIFY((*m_sims)[3].OpenConnections() > 0); // the first row's login is under way
            sinceTick.start();
            ticks.start(20);
            static_cast<QDialog*>(busy)->reject();
        },
        stop);
    page.OnBtnClickedReadDataBase();
    ticks.stop();
    QCOMPARE(driver.Seen().last().Text(), result);
    QCOMPARE(Names(page).filter(QRegularExpression(QStringLiteral("^(?!Filler)"))), before + names);
    if (stop) {
        // A busy box says what the window waits for, until the row's login has run out.
        QVERIFY2(longestStill < TestSupport::Bound(750), qPrintable(QString::number(longestStill)));
        QCOMPARE(driver.Seen().size(), 4);
        QCOMPARE(driver.Seen().at(2).title, QStringLiteral("Stopping..."));
    }
}

void TestDevices::loginFailureSaysWhy_data()
{
    QTest::addColumn<QString>("where"); // the recorder: "#n" the n-th, or "closed", or "mail"
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("reason"); // the line under "Log in failed"
    QTest::newRow("wrong password") << "#0"
                                    << "wrong"
                                    << "The user name or the password is wrong.";
    QTest::newRow("nothing listens") << "closed"
                                     << "12345"
                                     << "The recorder cannot be reached: check its address, its port and the "
                                        "network.";
    QTest::newRow("never answers") << "#3"
                                   << "12345"
                                   << "The recorder did not answer.";
    // A mail server greets in its own protocol: no recorder's answer.
    QTest::newRow("another protocol") << "mail"
                                      << "12345"
                                      << "The recorder refused the log in: error 11 (the recorder's answer "
                                         "cannot be read).";
}

// "Log in failed" says on its second line why, from the device layer's error, whether the dialog adds the
// recorder or changes one; nothing is stored either way.
void TestDevices::loginFailureSaysWhy()
{
    QFETCH(QString, where);
    QFETCH(QString, password);
    QFETCH(QString, reason);
    NET_DVR_SetTimeouts(1000, 500); // the silent recorder's wait
    const auto restore = qScopeGuard([] { NET_DVR_SetTimeouts(1000, 1500); });
    CFakeSmtpServer mail;
    QVERIFY(mail.IsListening());
    QString port;
    if (where.startsWith('#')) {
        port = Port(where.mid(1).toInt());
    } else if (where == "mail") {
        port = QString::number(mail.Port());
    } else {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = QString::number(closed.serverPort());
    }
    const int kept = AddToModel("Kept", 1);
    QVERIFY(kept >= 0);
    const DEVICE_INFO old = *g_pSysInfoManage->GetDeviceInfo(kept);
    for (const bool modify : {false, true}) {
        CModalDriver driver;
        driver.Accept();
        CDlgAddDevice dialog(QModelIndex(), modify ? &old : nullptr, &m_parent);
        Fill(dialog, QStringLiteral("Gate"), QStringLiteral("127.0.0.1"), port, password);
        dialog.OnBtnClickedOK();
        QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("Log in failed\n") + reason);
        QVERIFY(dialog.result() != QDialog::Accepted);
    }
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 1);
    QCOMPARE(QByteArray(g_pSysInfoManage->GetDeviceInfo(kept)->DeviceName), QByteArray("Kept"));
}

// A small file whose name column the file computes (a generated column that spells out a hundred million
// characters) must not make the import allocate that much: the row is refused, the others come in.
void TestDevices::importReadsBoundedValues()
{
    const QString path = m_db->Dir() + QStringLiteral("/computed.db");
    {
        CSQLite3DB db;
        db.Open(path.toStdString());
        db.Exec("CREATE TABLE TInfo_Device (Address TEXT, Given TEXT, UserName TEXT, UserPwd TEXT, Port, "
                "Name TEXT GENERATED ALWAYS AS (CASE WHEN Given = '' THEN printf('%.*c', 100000000, 'x') "
                "ELSE Given END) VIRTUAL);");
        const auto add = [&db](const char* name, const std::string& user, int port) {
            db.Exec(
                "INSERT INTO TInfo_Device (Address, Given, UserName, UserPwd, Port) VALUES ('127.0.0.1', ?, "
                "?, '12345', ?);",
                {std::string(name), user, port});
        };
        add("Gate", "admin", (*m_sims)[0].Port());
        add("", "admin", (*m_sims)[1].Port());
        // A stored value longer than any field: refused from its first bytes beyond the bound.
        add("Yard", std::string(1 << 20, 'u'), (*m_sims)[1].Port());
        add("Shed", "admin", (*m_sims)[2].Port());
    }
    sqlite3_int64 current = 0;
    sqlite3_int64 highest = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 1); // resets the high-water mark
    CDlgCfgDevice page;
    CModalDriver driver;
    AnswerImport(driver, path, [](QWidget*) {});
    page.OnBtnClickedReadDataBase();
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 0);
    QVERIFY2(highest < (sqlite3_int64(64) << 20), qPrintable(QString::number(highest)));
    QCOMPARE(driver.Seen().last().Text(), QStringLiteral("Read Database succeed.\n2 device(s) added.\n"
                                                         "2 row(s) with wrong fields skipped."));
    QCOMPARE(Names(page), (QStringList{"Gate", "Shed"}));

    // Only a regular file is read: a named pipe would hold the import for ever. Read on a thread of its own,
    // which a writer that comes and goes releases should the read hang.
    const QByteArray pipe = QFile::encodeName(m_db->Dir() + QStringLiteral("/pipe.db"));
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    std::atomic<bool> read{true};
    std::unique_ptr<QThread> reader(QThread::create([&read, &pipe] {
        int total = 0;
        read = CDeviceWriteThread::ReadRows(
            QFile::decodeName(pipe), [](const CDeviceWriteThread::IMPORT_ROW&) { return true; }, &total);
    }));
    reader->start();
    const bool ended = reader->wait(5000);
    if (!ended) {
        ::close(::open(pipe.constData(), O_WRONLY | O_NONBLOCK));
        reader->wait();
    }
    QVERIFY2(ended, "a named pipe held the import");
    QVERIFY(!read);
}

void TestDevices::importReadsTheChosenFileAlone_data()
{
    QTest::addColumn<QString>("plant");  // what another user put where: "pipe" or "link" and the name's end
    QTest::addColumn<bool>("wal");       // the chosen database is in the write-ahead journal mode
    QTest::addColumn<QString>("result"); // the result box; %1 the chosen path
    const QString read = QStringLiteral("Read Database succeed.\n2 device(s) added.");
    // SQLite opens these by name before it reads: a pipe there held the import, its Stopping box and the
    // program's close for ever.
    QTest::newRow("pipe as the journal") << "pipe -journal" << false << read;
    QTest::newRow("pipe as the write-ahead log") << "pipe -wal" << true << read;
    QTest::newRow("pipe as the shared memory") << "pipe -shm" << true << read;
    // The chosen name itself: never followed, never waited on.
    QTest::newRow("link at the name")
        << "link " << false << "Read Database failed.\n%1 is a link: only a regular file is read.";
    QTest::newRow("pipe at the name")
        << "pipe " << false << "Read Database failed.\n%1 is a named pipe: only a regular file is read.";
    // A file no device list fills is not copied at all.
    QTest::newRow("too large") << "large " << false
                               << "Read Database failed.\n%1 is larger than 256 MiB: no device database is "
                                  "that large.";
}

// The import reads the chosen file alone: whatever another user put beside it or at its name in a shared
// folder is never opened, and the import ends in bounded time.
void TestDevices::importReadsTheChosenFileAlone()
{
    QFETCH(QString, plant);
    QFETCH(bool, wal);
    QFETCH(QString, result);
    const QString kind = plant.section(QLatin1Char(' '), 0, 0);
    const QString suffix = plant.section(QLatin1Char(' '), 1);
    if (kind != QLatin1String("large"))
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's entries need a second user id");
    // The private copies are counted in a temporary folder of this test's own: another test process that
    // imports at the same time must not change the count.
    QTemporaryDir ownTemp;
    QVERIFY(ownTemp.isValid());
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const bool hadTemp = qEnvironmentVariableIsSet("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(ownTemp.path()));
    const auto restoreTemp = qScopeGuard([&] {
        if (hadTemp)
            qputenv("TMPDIR", oldTemp);
        else
            qunsetenv("TMPDIR");
    });
    const QString shared = m_db->Dir() + QStringLiteral("/shared");
    QVERIFY(OtherUser::MakeSharedFolder(shared));
    const QString path = shared + QStringLiteral("/import.db");
    const QString real = shared + QStringLiteral("/real.db");
    const bool atTheName = suffix.isEmpty() && kind != QLatin1String("large");
    WriteImport(atTheName ? real : path, "TInfo_Device",
                {{"Gate", "admin", Port(0)}, {"Yard", "admin", Port(1)}});
    if (wal) {
        CSQLite3DB db;
        db.Open(path.toStdString());
        db.Exec("PRAGMA journal_mode = WAL;");
    }
    const QString planted = path + suffix;
    if (kind == QLatin1String("pipe"))
        QVERIFY(OtherUser::MakePipe(planted));
    else if (kind == QLatin1String("link"))
        QVERIFY(OtherUser::MakeLink(real, planted));
    else
        QVERIFY(QFile::resize(path, (qint64(256) << 20) + 1));
    const QStringList before = QDir(shared).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);
    const QStringList copies =
        QDir(QDir::tempPath()).entryList({QStringLiteral("varrow-copy-*")}, QDir::Dirs);

    // Should the import open the pipe after all, a writer that comes and goes lets it on, so the test fails
    // instead of hanging.
    std::atomic<bool> done{false};
    std::atomic<bool> released{false};
    const QByteArray pipe = QFile::encodeName(planted);
    std::thread release([&] {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(TestSupport::Bound(8000));
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (kind != QLatin1String("pipe") || std::chrono::steady_clock::now() < until)
                continue;
            const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                released = true;
                ::close(fd);
            }
        }
    });
    const auto join = qScopeGuard([&] {
        done = true;
        release.join();
    });
    CDlgCfgDevice page;
    CModalDriver driver;
    AnswerImport(driver, path, [](QWidget*) {});
    QElapsedTimer took;
    took.start();
    page.OnBtnClickedReadDataBase();
    QVERIFY2(!released, "the import opened the pipe and waited on it");
    QVERIFY2(took.elapsed() < TestSupport::Bound(8000), qPrintable(QString::number(took.elapsed())));
    QCOMPARE(driver.Seen().last().Text(), result.arg(path));
    const bool read = result == QLatin1String("Read Database succeed.\n2 device(s) added.");
    QCOMPARE(Names(page).size(), read ? 2 : 0);
    if (read) {
        // A stop asked for before the copy is whole ends the read there, and says so.
        QString refusal;
        int total = 0;
        QVERIFY(!CDeviceWriteThread::ReadRows(
            path, [](const CDeviceWriteThread::IMPORT_ROW&) { return true; }, &total, &refusal,
            [] { return true; }));
        QCOMPARE(refusal, QStringLiteral("The import was stopped before the file was read."));
    }
    // Nothing was made beside the chosen file, and the private copy is gone.
    QCOMPARE(QDir(shared).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), before);
    QCOMPARE(QDir(QDir::tempPath()).entryList({QStringLiteral("varrow-copy-*")}, QDir::Dirs), copies);
}

VARROW_TEST_MAIN(TestDevices, QApplication)

#include "tst_gui_devices.moc"

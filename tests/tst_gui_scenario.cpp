// The whole program as an operator meets it, through its own windows: the real main window over a temporary
// program directory, two simulated recorders (the second one refuses every login once it is added), two drive
// roots and the scaled engine clock. The steps run in order on one program, as one operator's day: a step
// finds the program as the step before it left it.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "app/CWindowTitle.h"
#include "app/VarrowStart.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "pages/log/CSearchLog.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/FakeHandOff.h"
#include "tests/support/gui/ModalDriver.h"
#include "tests/support/gui/SimulatedStation.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPictureGroup.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// "Today" for the whole scenario, whatever day it runs on: the first night's window fetches the files of a
// leap day at the end of a month, and the restart days later runs into the next week.
const QDate kToday(2024, 3, 1);
// A hang guard for each wait: a step takes a second or two, a fault fails it in seconds.
const int kWaitMs = TestSupport::Bound(15000);

// The first widget of type T below `root` that `match` takes, a visible one before a hidden one.
template <class T, class Match> T* FirstOf(QWidget* root, const Match& match)
{
    T* hidden = nullptr;
    for (T* widget : root->findChildren<T*>()) {
        if (!match(widget))
            continue;
        if (widget->isVisible())
            return widget;
        if (hidden == nullptr)
            hidden = widget;
    }
    return hidden;
}

template <class T = QWidget> T* Find(QWidget* root, const QString& objectName)
{
    return qobject_cast<T*>(
        FirstOf<QWidget>(root, [&](QWidget* widget) { return widget->objectName() == objectName; }));
}

// A button by object name or by its text without '&'.
QAbstractButton* FindButton(QWidget* root, const QString& nameOrText)
{
    return FirstOf<QAbstractButton>(root, [&](QAbstractButton* button) {
        return button->objectName() == nameOrText || button->text().remove(QLatin1Char('&')) == nameOrText;
    });
}

// Clicks as the mouse does; false when there is no such enabled button.
bool Click(QWidget* root, const QString& nameOrText)
{
    QAbstractButton* button = FindButton(root, nameOrText);
    if (button == nullptr || !button->isEnabled())
        return false;
    // A check box or radio button takes clicks on its indicator and text only, which begin at its left.
    const bool indicator = qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button);
    const QPoint point =
        indicator ? QPoint(std::min(8, button->width() / 2), button->height() / 2) : button->rect().center();
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton, {}, point);
    else
        button->click();
    return true;
}

// Replaces the text of a line edit (or an editable combo box) by typing it.
bool Type(QWidget* root, const QString& objectName, const QString& text)
{
    QLineEdit* edit = Find<QLineEdit>(root, objectName);
    if (auto* combo = Find<QComboBox>(root, objectName))
        edit = combo->lineEdit();
    if (edit == nullptr || !edit->isEnabled())
        return false;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    return edit->text() == text;
}

void TypeAll(QWidget* root, const QList<std::pair<const char*, QString>>& fields)
{
    for (const auto& [field, text] : fields)
        QVERIFY2(Type(root, QLatin1String(field), text), field);
}

QStringList LogTexts()
{
    QStringList texts;
    CSQLite3Recordset rs;
    if (GetMainDB().Query("SELECT LogContents FROM Log_Table ORDER BY rowid", rs)) {
        for (; !rs.IsEof(); rs.Next())
            texts << QString::fromStdString(rs.GetString(0));
    }
    return texts;
}

// The names of this process's threads, sorted, without the idle workers the toolkit's thread pools keep for
// half a minute (they run nothing of ours).
QStringList ThreadNames()
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        if (name != QLatin1String("Thread (pooled)"))
            names << name;
    }
    names.sort();
    return names;
}

SimRecording Recording(const QDate& day, int hour, qint64 size)
{
    const QDateTime start(day, QTime(hour, 0), Qt::UTC);
    return {start, start.addSecs(30 * 60), 0, size};
}

// The whole copies of `day`'s recordings of a recorder under a record root: each named after a recording of
// its folder's channel (by the range its name begins with) and equal byte for byte to what the recorder plays
// back for it. -1 when any other file of that day is there, a temporary one included.
int WholeCopies(const QString& root, const CRecorderSim& sim, const QDate& day)
{
    const SimRecorderConfig config = sim.Config();
    const QString format = QStringLiteral("yyyyMMddhhmmss_");
    int whole = 0;
    for (auto channel = config.Channels.cbegin(); channel != config.Channels.cend(); ++channel) {
        const QByteArray folder = sim.AddressBytes() + '_' + QByteArray::number(sim.Port()) + '_' +
                                  QByteArray::number(channel.key());
        for (const QString& path :
             FilesUnder(root + '/' + CStowelineClass::EncodeRecordName(folder.constData()))) {
            const QString name = QFileInfo(path).fileName();
            if (!name.startsWith(day.toString(QStringLiteral("yyyyMMdd"))))
                continue;
            QByteArray expected;
            for (const SimRecording& recording : channel.value().Recordings) {
                if (!name.startsWith(recording.Start.toString(format) + recording.Stop.toString(format)))
                    continue;
                const CSimPlaybackContent content =
                    sim.Expected(channel.key(), SimTime(recording.Start), SimTime(recording.Stop));
                expected = content.Bytes(0, content.Length());
            }
            if (!name.endsWith(QLatin1String(".rec")) || expected.isEmpty() || ReadAll(path) != expected)
                return -1;
            ++whole;
        }
    }
    return whole;
}

// Files of `day` in a plan (group), done or not, of its current (0) or overdue (1) list or both (-1).
int FilesOf(int plan, const QDate& day, bool done, int isPast = -1)
{
    return CountRows(QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = %1%2 AND "
                                    "DownloadState %3 2 AND FileStartTime LIKE '%4%'")
                         .arg(plan)
                         .arg(isPast < 0 ? QString() : QStringLiteral(" AND IsPast = %1").arg(isPast))
                         .arg(done ? QStringLiteral("=") : QStringLiteral("<>"))
                         .arg(day.toString(QStringLiteral("yyyy-MM-dd")))
                         .toStdString());
}

// Ends a box or dialog as its OK (or its Cancel) would.
void EndBox(QWidget* box, bool accept)
{
    auto* dialog = qobject_cast<QDialog*>(box);
    if (dialog == nullptr)
        box->close();
    else if (accept)
        dialog->accept();
    else
        dialog->reject();
}

QString LastBox(const CModalDriver& driver)
{
    return driver.Seen().isEmpty() ? QString() : driver.Seen().last().Text();
}

// Runs `work` on the next dialog the driver meets, queued: the work runs in the dialog's own loop, where the
// driver can answer the boxes it opens. A dialog the work left open is then closed.
void WorkInDialog(CModalDriver& driver, const std::function<void(QWidget*)>& work)
{
    driver.Answer([work](QWidget* dialog) {
        const auto run = [work, dialog] {
            work(dialog);
            if (dialog->isVisible())
                EndBox(dialog, false);
        };
        QMetaObject::invokeMethod(dialog, run, Qt::QueuedConnection);
    });
}

// Answers every box until the driver is cleared: the manual backup dialog gets the whole `day` and Gate's
// group (a double click on its title bar picks every channel of it), the busy box passes by itself, any other
// box is accepted. While one box closes and the next opens, the driver may meet the dialog beneath them
// (`owner`, still in its own exec) for a moment; that one is left alone.
void AnswerEverything(CModalDriver& driver, const QDate& day = {}, QWidget* owner = nullptr)
{
    driver.Answer([&driver, day, owner](QWidget* box) {
        AnswerEverything(driver, day, owner);
        if (QString::fromLatin1(box->metaObject()->className()) == QLatin1String("CDlgManualBackup")) {
            auto* start = Find<QDateTimeEdit>(box, "pDtStart");
            auto* end = Find<QDateTimeEdit>(box, "pDtEnd");
            auto* group = box->findChild<CPictureGroup*>();
            if (start == nullptr || end == nullptr || group == nullptr) {
                EndBox(box, false);
                QFAIL("the manual backup dialog has no range or no channels");
            }
            start->setDateTime(QDateTime(day, QTime(0, 0)));
            end->setDateTime(QDateTime(day, QTime(23, 59, 59)));
            group->OnTitleBarDbClicked(1);
            QTest::keyClick(end, Qt::Key_Return);
        } else if (qobject_cast<ChaseDialog*>(box) == nullptr && box != owner) {
            EndBox(box, true);
        }
    });
}

// Answers the export dialog the driver meets next with `path` in its path box, pressed by `button`, then
// every box as AnswerEverything does.
void AnswerExport(CModalDriver& driver, const char* pathBox, const QString& path, const char* button)
{
    WorkInDialog(driver, [=](QWidget* dialog) {
        auto* chooser = dialog->findChild<CPathComboBox*>(QLatin1String(pathBox));
        QVERIFY2(chooser != nullptr, pathBox);
        chooser->clear();
        chooser->addItem(path);
        Click(dialog, QLatin1String(button));
    });
    AnswerEverything(driver);
}

// Starts a manual backup of `day` as AnswerEverything answers it; a manual run still on is stopped by the
// first click, and the second one opens the dialog.
bool StartManualRun(CModalDriver& driver, QWidget* state, const QDate& day)
{
    driver.Clear();
    AnswerEverything(driver, day);
    if (!Click(state, "pBtnManual"))
        return false;
    const bool stopped =
        !driver.Seen().isEmpty() && driver.Seen().first().Text().contains("Sure to stop backup?");
    return !stopped || Click(state, "pBtnManual");
}

// Ticks only the disk `drive` (the letter 'D' + drive) in the settings dialog's disk table.
void ChooseDisk(QWidget* dialog, int drive)
{
    auto* disks = Find<CTableView>(dialog, "m_ptreeViewDisk");
    QVERIFY(disks != nullptr);
    for (int row = 0; row < disks->GetRowCount(); ++row)
        disks->SetItemChecked(row, 0, disks->GetItemText(row, 1) == QChar('D' + drive));
}

// Fills the add-device dialog the driver meets next for `sim`, by a domain name when one is given.
void AnswerAddDevice(CModalDriver& driver, const CRecorderSim* sim, const QString& domain)
{
    WorkInDialog(driver, [sim, domain](QWidget* dialog) {
        if (!domain.isEmpty()) {
            auto* method = Find<QComboBox>(dialog, "m_pcomboBoxAddDevice");
            QVERIFY(method != nullptr);
            method->setCurrentIndex(method->findData(1));
        }
        TypeAll(dialog, {{"m_plineEditDeviceName", sim->Config().Name},
                         {"m_plineEditDeviceIP", domain.isEmpty() ? QString(sim->AddressBytes()) : domain},
                         {"m_plineEditDevicePort", QString::number(sim->Port())},
                         {"m_plineEditDeviceUserName", QStringLiteral("admin")},
                         {"m_plineEditDevicePassWord", QStringLiteral("12345")}});
        Click(dialog, "pOkBtn");
    });
}

// Picks channel `channel` of both recorders in the channel chooser the driver meets next: Ctrl and a click
// on each wanted thumbnail (two for each recorder, Gate's first), as the operator picks across recorders.
void AnswerChooser(CModalDriver& driver, int channel)
{
    WorkInDialog(driver, [channel](QWidget* chooser) {
        const QList<CPicLabel*> labels = chooser->findChildren<CPicLabel*>();
        QCOMPARE(labels.size(), 4);
        for (CPicLabel* label : {labels.at(channel - 1), labels.at(channel + 1)})
            QTest::mouseClick(label, Qt::LeftButton, Qt::ControlModifier, label->rect().center());
        Click(chooser, "pOkBtn");
    });
}

} // namespace

class TestScenario : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
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
    QString RecordRoot(int drive) const { return CStowelineClass::RecordRootOf(m_drives[drive].path()); }

    CVarrow* Open()
    {
        m_window = OpenMainWindow();
        return QTest::qWaitForWindowExposed(m_window.get()) ? m_window.get() : nullptr;
    }

    // Closes the window through its title bar's close button, confirmed; true when it went down.
    bool Close() { return CloseMainWindowConfirmed(m_window, *m_driver, kWaitMs); }

    // Builds a fresh model over the same database, as a new process would, and opens the window again.
    CVarrow* Restart()
    {
        m_models.push_back(std::make_unique<CSysInfoManage>());
        g_pSysInfoManage = m_models.back().get();
        m_db.Reopen();
        return Open();
    }

    // Around the real main window: a temporary program directory and database, simulated recorders, two
    // drive roots with quotas, the scaled engine clock, a fake mail server and the modal driver.
    CTempDatabase m_db;
    CSysInfoManage* const m_previousModel = g_pSysInfoManage;
    // The current model last: the program never destroys its model, so a restart keeps the old ones alive.
    std::vector<std::unique_ptr<CSysInfoManage>> m_models;
    CSimRecorders m_recorders{1000, 2000};
    // Hours before the plans' window: however slowly the configuration runs, no window opens before step 2 has
    // made Yard unreachable; step 2 then brings the clock to just before 18:00.
    CScopedEngineClock m_clock{QDateTime(kToday, QTime(12, 0)), 200.0};
    QTemporaryDir m_drives[2];
    CQuotaRoots m_quota;
    CFakeSmtpServer m_smtp;
    std::unique_ptr<CModalDriver> m_driver = std::make_unique<CModalDriver>();
    std::unique_ptr<CVarrow> m_window;
    CRecorderSim* m_gate = nullptr;
    CRecorderSim* m_yard = nullptr;
    QStringList m_threadsBeforeOpen;
    bool m_configured = false; // step 2 saved the disk, the mail, both recorders and the plans
    QString m_failedStep;      // the first step that failed: the later ones would wait on what it left
    int m_disk = 0;            // the disk chosen last in the settings
};

void TestScenario::initTestCase()
{
    QVERIFY(m_db.IsValid() && m_drives[1].isValid() && m_smtp.IsListening());
    m_models.push_back(std::make_unique<CSysInfoManage>());
    g_pSysInfoManage = m_models.back().get();
    QVERIFY(MapDrives({{'D', m_drives[0].path()}, {'E', m_drives[1].path()}}));
    SetDefaultFreeSpaceProvider(m_quota.Provider());

    const QDate today = kToday;
    // Yesterday's recordings, two channels on each recorder: two recordings a channel on Gate, one on Yard.
    // The plans' overnight window, opening at 18:00, fetches the files of the day before.
    SimRecorderConfig gate = CSimRecorders::MakeConfig(2, {3 << 20, 2 << 20}, today.addDays(-1), 7);
    gate.Name = QStringLiteral("Gate");
    SimRecorderConfig yard = CSimRecorders::MakeConfig(2, {1 << 20}, today.addDays(-1), 9);
    yard.Name = QStringLiteral("Yard");
    m_gate = m_recorders.Add(gate);
    m_yard = m_recorders.Add(yard);
    QVERIFY(m_gate != nullptr && m_yard != nullptr);
}

void TestScenario::cleanupTestCase()
{
    EndMainWindowRun(m_window, m_driver, m_previousModel, kWaitMs);
}

void TestScenario::init()
{
    if (!m_failedStep.isEmpty())
        QSKIP(qPrintable(QStringLiteral("skipped: %1 failed before it").arg(m_failedStep)));
}

void TestScenario::cleanup()
{
    // A failed step may leave answers queued for windows that never came: they must not answer the next ones.
    m_driver->Clear();
    if (QTest::currentTestFailed() && m_failedStep.isEmpty())
        m_failedStep = QString::fromLatin1(QTest::currentTestFunction());
}

void TestScenario::step1_firstStartOnEmptyDirectory()
{
    m_threadsBeforeOpen = ThreadNames();
    QVERIFY(Open() != nullptr);
    // No disk is chosen yet: the window opens without a box.
    QCOMPARE(m_driver->Seen().size(), 0);
    QVERIFY(QFile::exists(m_db.DbPath()));
    // Automatic backup, the stored mode of a new station, waits for a disk and says so once.
    TRY_COMPARE(LogTexts(),
                QStringList({QStringLiteral("Open Software"),
                             QStringLiteral("Backups wait for the record disk. No record disk is chosen.")}),
                kWaitMs);
}

void TestScenario::step2_configureDiskRecordersAndPlans()
{
    // Everything the operator does inside the settings dialog, in order: disk D in stop mode and the report
    // mail on the system page, both recorders on the device page (Yard by its domain name), two plans on the
    // plan page, then OK.
    CModalDriver& driver = *m_driver;
    driver.Clear();
    bool configured = false;
    WorkInDialog(driver, [&](QWidget* dialog) {
        ChooseDisk(dialog, 0);
        QVERIFY(Click(dialog, "m_pRadioBtnStop"));
        QVERIFY(Click(dialog, "m_pcheckBoxEmail"));
        TypeAll(dialog, {{"m_plineEditReceiverAddress", QStringLiteral("operator@site.test")},
                         {"m_plineEditDeliverServer", QStringLiteral("127.0.0.1")},
                         {"m_plineEditPort", QString::number(m_smtp.Port())},
                         {"m_plineEditDeliverAddress", QStringLiteral("station@site.test")},
                         {"m_plineEditMailUserName", QStringLiteral("station")},
                         {"m_plineEditMailPassWord", QStringLiteral("secret")}});

        QVERIFY(Click(dialog, "pBtnDevice"));
        AnswerAddDevice(driver, m_gate, QString());
        QVERIFY(Click(dialog, "m_pBtnAddDevice"));
        AnswerAddDevice(driver, m_yard, QStringLiteral("localhost"));
        QVERIFY(Click(dialog, "m_pBtnAddDevice"));

        // Night takes the first channel of each recorder, Late the second.
        QVERIFY(Click(dialog, "pBtnSchedule"));
        QWidget* add = Find(dialog, "m_pBtnAdd");
        QVERIFY(add != nullptr);
        QWidget* planPage = add->parentWidget();
        for (const QString& name : {QStringLiteral("Night"), QStringLiteral("Late")}) {
            WorkInDialog(driver, [name](QWidget* named) {
                Type(named, "m_pLineEditPlanName", name);
                Click(named, "m_pushButtonOK");
            });
            QVERIFY(Click(planPage, "m_pBtnAdd"));
            AnswerChooser(driver, name == QLatin1String("Night") ? 1 : 2);
            QVERIFY(Click(planPage, "m_pushButtonChooseChannel"));
            // The chooser's loader may still show its busy box while it stops: the next answer is for what
            // comes after it.
            TRY_COMPARE(QApplication::activeModalWidget(), dialog, kWaitMs);
        }

        // Late is shown: the whole week on (as a new plan starts), from 18:00 for twelve hours (overnight),
        // fetching the day before...
        auto* schedule = Find<CTableView>(planPage, "m_ptableViewBackUpTime");
        QVERIFY(schedule != nullptr);
        auto* duration = qobject_cast<QComboBox*>(schedule->GetItemWidget(0, 2));
        QVERIFY(duration != nullptr && duration->isEnabled());
        duration->setCurrentIndex(11);
        // ... and copied to Night in the copy dialog: once it is laid out on the screen, Choose All ticks
        // every other plan, then OK. Its result box, and the questions whether the backup may restart for the
        // new disk and plans, are accepted.
        driver.Answer([](QWidget* copy) {
            const bool all = QTest::qWaitForWindowExposed(copy) && Click(copy, "m_pBtnAll");
            QVERIFY(Click(copy, "pOkBtn") && all); // clicked after a failed check too: the dialog must end
        });
        AnswerEverything(driver, QDate(), dialog);
        QVERIFY(Click(planPage, "m_pBtnCopy"));
        QVERIFY(Click(dialog, "pOkBtn"));
        configured = !QTest::currentTestFailed();
    });
    QVERIFY(Click(m_window.get(), "pBtnConfig"));
    QVERIFY(configured);
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
    QVERIFY(m_clock.Clock().Now() < QDateTime(kToday, QTime(17, 59)));
    m_clock.Clock().SetNow(QDateTime(kToday, QTime(17, 59, 30)));
}

void TestScenario::step3_backupWindowRuns()
{
    QVERIFY(m_configured);
    CVarrow* window = m_window.get();
    QVERIFY(Click(window, "pBtnViewState"));
    auto* state = Find<CTableView>(window->ViewState(), "tableView_State");
    auto* events = Find<CTableView>(window->ViewState(), "tableView_Event");
    QVERIFY(state != nullptr && events != nullptr);

    // The window opens at 18:00 of the scaled clock; both plans fetch Gate's files of yesterday.
    const QDate day = kToday.addDays(-1);
    TRY_COMPARE(WholeCopies(RecordRoot(0), *m_gate, day), 4, kWaitMs);
    QVERIFY(state->GetTopRowCount() > 0);
    // No file is marked done without its copy, and D holds nothing else (nothing of Yard's).
    TRY_COMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 4, kWaitMs);
    QCOMPARE(FilesUnder(RecordRoot(0)).size(), 4);

    // Yard refuses every login: it shows in the event table and the report mail goes out.
    TRY_VERIFY(events->GetTopRowCount() > 0, kWaitMs);
    QVERIFY(m_smtp.WaitForSessions(1, kWaitMs));
    QVERIFY(m_smtp.RawData().contains("operator@site.test"));
}

void TestScenario::step4_recordPageFindsPlaysAndExports()
{
    QVERIFY(m_configured);
    QVERIFY(Click(m_window.get(), "pBtnViewRecFile"));
    CViewRecord* page = m_window->ViewRecord();
    QVERIFY(page != nullptr);
    QStringList calls;
    page->SetPlayer(std::make_unique<CFakeHandOff>(&calls));
    page->SetFileBrowser(std::make_unique<CFakeHandOff>(&calls));

    // Gate ticked in the camera tree (its channels follow), yesterday's whole day searched.
    auto* tree = Find<CGroupTreeView>(page, "pTreeGroup");
    auto* from = Find<CDateTimeEdit>(page, "pDtFrom");
    auto* to = Find<CDateTimeEdit>(page, "pDtTo");
    auto* table = Find<CTableView>(page, "pTableView");
    QVERIFY(tree != nullptr && from != nullptr && to != nullptr && table != nullptr);
    QAbstractItemModel* devices = tree->model();
    QCOMPARE(devices->index(0, 0).data().toString(), QStringLiteral("Gate"));
    QVERIFY(devices->setData(devices->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    const QDate day = kToday.addDays(-1);
    from->setDateTime(QDateTime(day, QTime(0, 0)));
    to->setDateTime(QDateTime(day, QTime(23, 59, 59)));
    QVERIFY(Click(page, "pBtnSearchRecord"));

    // One row for each of Gate's four stored files (whole, as step 3 found them).
    QStringList paths;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        paths << table->model()->index(row, CViewRecord::COL_PATH).data().toString();
    QCOMPARE(paths.size(), 4);
    QStringList found = paths;
    found.sort();
    QCOMPARE(found, FilesUnder(RecordRoot(0)));

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
    CModalDriver& driver = *m_driver;
    driver.Clear();
    AnswerExport(driver, "pFilePathBox", target.path() + QLatin1Char('/'), "pOkBtn");
    QVERIFY(Click(page, "pBtnExport"));
    TRY_COMPARE(LastBox(driver), QStringLiteral("Export successful"), kWaitMs);
    driver.Clear();
    // Each copy lands as <folder>/<channel>/<day>/<file>, equal to its stored file; nothing else.
    QStringList wanted;
    for (int row : {0, 3}) {
        wanted << target.path() + QLatin1Char('/') + paths.at(row).section(QLatin1Char('/'), -3);
        QVERIFY2(ReadAll(wanted.last()) == ReadAll(paths.at(row)), qPrintable(wanted.last()));
    }
    wanted.sort();
    QCOMPARE(FilesUnder(target.path()), wanted);
    // The stored files stay where they were.
    QCOMPARE(WholeCopies(RecordRoot(0), *m_gate, day), 4);
}

void TestScenario::step5_logPageFindsAndExportsTheDay()
{
    QVERIFY(Click(m_window.get(), "pBtnViewLog"));
    // The editors start on today: a plain search finds the day's entries.
    CSearchLog* page = m_window->SearchLog();
    QVERIFY(page != nullptr);
    QVERIFY(Click(page, "m_pushButtonSearch"));
    auto* table = Find<CTableView>(page, "m_pLogTableView");
    QVERIFY(table != nullptr);
    const QStringList logged = LogTexts();
    QTRY_COMPARE(table->GetTopRowCount(), int(logged.size()));

    // Export: the backup dialog gets the path as the operator would choose it, then the busy box and the
    // result box pass.
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("today"));
    CModalDriver& driver = *m_driver;
    driver.Clear();
    AnswerExport(driver, "pBackcBox", path, "Backup");
    QVERIFY(Click(page, "m_pushButtonExportLog"));
    QVERIFY2(LastBox(driver).contains(QStringLiteral("Backup successful")), qPrintable(LastBox(driver)));
    driver.Clear();
    QStringList exported;
    const QRegularExpression entry(QStringLiteral("<Contents>([^<]*)</Contents>"));
    for (const QRegularExpressionMatch& match : entry.globalMatch(QString::fromUtf8(ReadAll(path + ".xml"))))
        exported << match.captured(1);
    QCOMPARE(exported, logged);
}

void TestScenario::step6_manualBackupOfARange()
{
    QVERIFY(m_configured);
    // A recording of two days ago, which no plan fetches: the operator backs up that day by hand.
    const QDate day = kToday.addDays(-2);
    m_gate->AddRecording(1, Recording(day, 9, 1 << 20));
    QVERIFY(Click(m_window.get(), "pBtnViewState"));
    const QString completed = QStringLiteral("Manual BackUp Completed");
    const qsizetype runsCompleted = LogTexts().count(completed);
    QVERIFY(StartManualRun(*m_driver, m_window->ViewState(), day));
    TRY_COMPARE(WholeCopies(RecordRoot(0), *m_gate, day), 1, kWaitMs);
    // A run that stored its whole list says so once it has ended, never reading as one that only failed.
    TRY_COMPARE(LogTexts().count(completed), runsCompleted + 1, kWaitMs);
}

void TestScenario::step7_fullDiskStopsAndSecondDiskResumes()
{
    QVERIFY(m_configured);
    // Three recordings of three days ago on Gate's second channel, and room on disk D for one and a half.
    const QDate day = kToday.addDays(-3);
    constexpr qint64 kSize = 1 << 20;
    for (int hour : {8, 10, 12})
        m_gate->AddRecording(2, Recording(day, hour, kSize));
    // The storage layer keeps 256 MiB free on a disk for itself; the quota counts it out.
    const QString driveD = m_drives[0].path();
    m_quota.SetQuota(driveD, 256LL * 1024 * 1024 + CQuotaRoots::UsedBytes(driveD) + kSize * 3 / 2);

    CVarrow* window = m_window.get();
    QVERIFY(Click(window, "pBtnViewState"));
    CModalDriver& driver = *m_driver;
    const QString full = QStringLiteral("The record disks are full");
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    TRY_VERIFY(LastBox(driver).contains(full), kWaitMs);
    // The box names the full disk.
    QVERIFY2(LastBox(driver).contains(full + ": D: " + RecordRoot(0) + ". "), qPrintable(LastBox(driver)));

    // Stopped: nothing more is written to D well past the engine's one-minute disk re-check (engine time,
    // whatever the clock's scale), and no file is marked done without its whole copy.
    const int stored = WholeCopies(RecordRoot(0), *m_gate, day);
    QVERIFY(stored >= 0 && stored < 3);
    const QDateTime recheck = m_clock.Clock().Now().addSecs(100);
    TRY_VERIFY(m_clock.Clock().Now() > recheck, 10000);
    QCOMPARE(WholeCopies(RecordRoot(0), *m_gate, day), stored);
    QVERIFY(FilesOf(MANUAL_GROUP_ID, day, true) <= stored);
    driver.Clear();

    // The operator chooses disk E instead of D in the settings, and lets the backup restart for it.
    bool chosen = false;
    WorkInDialog(driver, [&](QWidget* dialog) {
        ChooseDisk(dialog, 1);
        AnswerEverything(driver, QDate(), dialog);
        chosen = Click(dialog, "pOkBtn");
    });
    QVERIFY(Click(window, "pBtnConfig"));
    QVERIFY(chosen);
    m_disk = 1;

    // The backup of the day runs again and stores every file on E, each equal to the recorder's; D keeps
    // what it had, and no disk is full any more. The run ends by saying so (before the next step reads the
    // log).
    const QString completed = QStringLiteral("Manual BackUp Completed");
    const qsizetype completions = LogTexts().count(completed);
    QVERIFY(StartManualRun(driver, window->ViewState(), day));
    TRY_COMPARE(WholeCopies(RecordRoot(1), *m_gate, day), 3, kWaitMs);
    TRY_COMPARE(FilesOf(MANUAL_GROUP_ID, day, true), 3, kWaitMs);
    TRY_COMPARE(LogTexts().count(completed), completions + 1, kWaitMs);
    QCOMPARE(WholeCopies(RecordRoot(0), *m_gate, day), stored);
    for (const MODAL_SEEN& seen : driver.Seen())
        QVERIFY(!seen.Text().contains(full));
    driver.Clear();
}

void TestScenario::step8_closeWithConfirmation()
{
    CVarrow* window = m_window.get();
    QVERIFY(window != nullptr);
    const QStringList logged = LogTexts();

    // Declined: the window and its pages stay, nothing is logged.
    m_driver->Reject();
    window->WindowTitle()->CloseButton()->click();
    QVERIFY(LastBox(*m_driver).contains(QStringLiteral("Sure to close software")));
    QVERIFY(window->isVisible() && window->ViewState() != nullptr);
    QCOMPARE(LogTexts(), logged);

    // Confirmed: every thread the window started ends, no recorder keeps a session, and "Close Software" is
    // the last entry.
    QVERIFY(Close());
    QCOMPARE(LogTexts(), logged + QStringList({QStringLiteral("Close Software")}));
    QVERIFY(m_recorders.WaitForIdle(kWaitMs));
    TRY_COMPARE(ThreadNames(), m_threadsBeforeOpen, kWaitMs);
}

void TestScenario::step8_restartResumesOverdueList()
{
    // The program starts again over the same directory: it opens with what it had. The second start follows
    // the close at once (the engine may log its own start after it).
    CVarrow* window = Restart();
    QVERIFY(window != nullptr);
    const QStringList logged = LogTexts();
    QCOMPARE(logged.count(QStringLiteral("Open Software")), 2);
    QCOMPARE(logged.at(logged.lastIndexOf(QStringLiteral("Open Software")) - 1),
             QStringLiteral("Close Software"));
    QVERIFY(m_configured);

    // A later day D: the plans' window of D fetches Gate's files of the day before, one on each channel. The
    // first channel's play-backs are refused, so Night's list of D is left with an unfinished file when the
    // program closes while the window is still open.
    const QDate day = kToday.addDays(3);
    const QDate filesDay = day.addDays(-1);
    m_gate->AddRecording(1, Recording(filesDay, 10, 6 << 20));
    m_gate->AddRecording(2, Recording(filesDay, 11, 1 << 20));
    SimChannelFaults refused;
    refused.PlayRefusals = -1;
    m_gate->SetChannelFaults(1, refused);
    // The plans keep the order they were added in.
    const int night = 0;
    const int late = 1;
    QVERIFY(g_pSysInfoManage->GetGroupInfo(night) != nullptr);
    QCOMPARE(QByteArray(g_pSysInfoManage->GetGroupInfo(night)->GroupName), QByteArray("Night"));
    m_clock.Clock().SetNow(QDateTime(day, QTime(17, 59)));

    // The last run was a manual one, which the page resumes once the window shows (its button turns into a
    // stop button): the operator switches back to automatic backup.
    CModalDriver& driver = *m_driver;
    driver.Clear();
    QVERIFY(window->ViewState() != nullptr);
    QAbstractButton* manual = FindButton(window->ViewState(), "pBtnManual");
    QVERIFY(manual != nullptr);
    TRY_VERIFY(manual->styleSheet().contains(QStringLiteral("manual_copy_stop")), kWaitMs);
    driver.Accept();
    QVERIFY(Click(window->ViewState(), "pBtnAuto"));
    QCOMPARE(driver.Pending(), 0);
    driver.Clear();

    const QString root = RecordRoot(m_disk);
    TRY_COMPARE(WholeCopies(root, *m_gate, filesDay), 1, kWaitMs);
    TRY_COMPARE(FilesOf(late, filesDay, true, 0), 1, kWaitMs);
    TRY_COMPARE(FilesOf(night, filesDay, false, 0), 1, kWaitMs);
    QVERIFY(m_clock.Clock().Now() < QDateTime(day.addDays(1), QTime(5, 0)));

    // Closed while D's window is open; the recorder plays again, and the program starts just before the
    // window of D + 1, which takes D's unfinished list as its overdue list.
    QVERIFY(Close());
    m_gate->SetChannelFaults(1, SimChannelFaults());
    // Slow enough that the overdue list's row can be seen while it runs.
    m_gate->SetRate(4 << 20);
    m_clock.Clock().SetNow(QDateTime(day.addDays(1), QTime(17, 59)));
    window = Restart();
    QVERIFY(window != nullptr);
    QVERIFY(window->ViewState() != nullptr);
    auto* state = Find<CTableView>(window->ViewState(), "tableView_State");
    QVERIFY(state != nullptr);
    bool overdueRow = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (int row = 0; row < state->GetTopRowCount(); ++row)
            overdueRow = overdueRow || state->GetItemText(row, 1) == QStringLiteral("*Night");
    });
    watch.start(10);
    TRY_COMPARE(WholeCopies(root, *m_gate, filesDay), 2, kWaitMs);
    TRY_COMPARE(FilesOf(night, filesDay, true, 1), 1, kWaitMs);
    watch.stop();
    m_gate->SetRate(0);
    QVERIFY(overdueRow);
    QCOMPARE(FilesOf(night, filesDay, false, 1), 0);
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestScenario test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_scenario.moc"

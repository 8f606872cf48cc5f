// The manual backup dialog against simulated recorders, the real snapshot loader and the model on a temporary
// database: every refusal leaves the dialog open with nothing stored, and an accepted dialog stores a record
// that the manual backup runs to byte-exact copies. A dialog that stored half a record on a refusal, or
// accepted on Return without its checks, would start a backup the operator never confirmed.

#include "config/pickers/CDlgManualBackup.h"
#include "engine/ManualBackup.h"
#include "model/DbAccess.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QPushButton>

class TestManualBackupDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusalsKeepDialogOpenAndNothingStored();
    void acceptedRecordRunsToByteExactCopies();
};

namespace {

const QDate kDay(2024, 3, 3);
const QDateTime kNow(QDate(2024, 3, 5), QTime(10, 0));
constexpr int kLimitMs = 30000; // a hang guard only

template <typename T> T* Child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QLatin1String(name));
}

bool NothingStored(CSysInfoManage& model)
{
    return model.GetManualBackupInfo()->Channel[0].IsEmpty() &&
           CountRows("SELECT COUNT(*) FROM ScheduleManul_Table;") == 0 &&
           CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToManual <> 0;") == 0;
}

int BackupMode(CSysInfoManage& model)
{
    SYSTEM_CONFIG config;
    model.GetSystemConfig(&config);
    return config.BackupMode;
}

} // namespace

void TestManualBackupDialog::refusalsKeepDialogOpenAndNothingStored()
{
    CEngineFixture f(kNow);
    SimRecorderConfig config;
    config.AnalogChannels = 33;
    const int gate = f.AddDevice(config, "Gate");
    QVERIFY(gate >= 0);
    // A manual backup stored earlier: building the dialog clears it.
    MANUAL_BACKUP_INFO earlier;
    earlier.FileType = 0;
    earlier.Channel[0] = {int16_t(gate), 1};
    f.Model().SetManualBackupInfo(&earlier);
    QVERIFY(!NothingStored(f.Model()));
    f.Model().SetBackupMode(2);

    CModalDriver driver;
    QStringList refusals;
    CDlgManualBackup dlg(nullptr);
    dlg.show();
    QVERIFY(NothingStored(f.Model()));
    auto* start = Child<QDateTimeEdit>(&dlg, "pDtStart");
    auto* end = Child<QDateTimeEdit>(&dlg, "pDtEnd");
    const auto pressOk = [&] {
        driver.Accept();
        Child<QPushButton>(&dlg, "pOkBtn")->click();
        QCOMPARE(driver.Pending(), 0);
        refusals << driver.Seen().last().Text();
        QVERIFY(dlg.isVisible());
    };

    // The time check comes first, before the disk and the cameras.
    end->setDateTime(start->dateTime().addSecs(-1));
    pressOk();
    // No disk: said also when no camera is chosen; an equal start and end pass.
    end->setDateTime(start->dateTime());
    pressOk();
    SYSTEM_CONFIG system;
    f.Model().GetSystemConfig(&system);
    system.Disk[0] = 'D';
    f.Model().SetSystemConfig(&system);
    pressOk();
    // All 33 cameras of the recorder, on whatever page they are.
    CPictureGroup* group = dlg.PictureGroup();
    for (int page = 1; page <= group->GetPageCount(); ++page) {
        group->OnShowPage(uint(page));
        group->OnTitleBarDbClicked(1);
    }
    pressOk();
    QVERIFY(NothingStored(f.Model()));
    dlg.reject();

    const QStringList expected{
        QStringLiteral("The end time is earlier than start time"), QStringLiteral("Please Select Disk!"),
        QStringLiteral("None camer was selected"), QStringLiteral("Exceed the maximum camera number")};
    QCOMPARE(refusals.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(refusals[i].contains(expected[i]), qPrintable(refusals[i]));
    QVERIFY(NothingStored(f.Model()));
    QCOMPARE(BackupMode(f.Model()), 2);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestManualBackupDialog::acceptedRecordRunsToByteExactCopies()
{
    CEngineFixture f(kNow);
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(2, {150000, 90000}, kDay, 5), "Gate");
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(1, {120000}, kDay, 9), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    QCOMPARE(f.SetUpStorage(), 0);

    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        auto* dlg = qobject_cast<CDlgManualBackup*>(window);
        QVERIFY(dlg != nullptr);
        Child<QDateTimeEdit>(dlg, "pDtStart")->setDateTime(QDateTime(kDay, QTime(0, 0)));
        Child<QDateTimeEdit>(dlg, "pDtEnd")->setDateTime(QDateTime(kDay, QTime(23, 59, 59)));
        Child<QCheckBox>(dlg, "pCheckboxAutoToShedule")->setChecked(true);
        // Chosen in the other order: the record follows the device order.
        dlg->PictureGroup()->OnTitleBarDbClicked(2);
        dlg->PictureGroup()->OnTitleBarDbClicked(1);
        QTest::keyClick(Child<QDateTimeEdit>(dlg, "pDtEnd"), Qt::Key_Return);
    });
    {
        CDlgManualBackup dialog(nullptr);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen()[0].title, QStringLiteral("Manual Backup"));

    MANUAL_BACKUP_INFO stored;
    QVERIFY(DbSelectManualBackupInfo(&stored));
    const int expected[3][2] = {{gate, 1}, {gate, 2}, {yard, 1}};
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i) {
        const CHANNEL_REF& ref = stored.Channel[i];
        QCOMPARE(int(ref.DeviceID), i < 3 ? expected[i][0] : -1);
        QCOMPARE(int(ref.CameraIndex), i < 3 ? expected[i][1] : -1);
    }
    QCOMPARE(stored.FileType, 0u);
    QCOMPARE(int(stored.IsChange), 1);
    QCOMPARE(stored.FileStartTime.Day, uint32_t(kDay.day()));
    QCOMPARE(stored.FileEndTime.Hour, 23u);
    QCOMPARE(BackupMode(f.Model()), 1);

    // What the state page starts next: the manual backup of that record.
    CManualBackup backup;
    backup.start();
    QVERIFY(backup.wait(kLimitMs));
    for (const auto& channel : expected) {
        const QStringList files = f.StoredFiles(channel[0], channel[1]);
        QVERIFY(!files.isEmpty());
        QVERIFY(f.StoredCopyMatches(channel[0], channel[1], SimTime(QDateTime(kDay, QTime(8, 0))),
                                    SimTime(QDateTime(kDay, QTime(9, 0)))));
    }
    QVERIFY(f.Recorders().WaitForIdle());
}

VARROW_TEST_MAIN(TestManualBackupDialog, QApplication)
#include "tst_gui_manualbackup.moc"

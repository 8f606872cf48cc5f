// The plan page's channel chooser against simulated recorders serving snapshots, the real snapshot loader and
// the model on a temporary database. A chooser that names two recorders' pictures alike shows one recorder's
// channels as the other's; one that deletes the placeholder with the snapshots shows blanks for every
// unreachable recorder; one that maps a selection by list position hands a deleted recorder's channels to its
// neighbour.

#include "config/pickers/CCopyBackUpTime.h"
#include "config/pickers/CDlgChooseChannel.h"
#include "config/pickers/CDlgManualBackup.h"
#include "engine/EngineCommon.h"
#include "widgets/views/ItemDataRole.h"
#include "config/plans/CDlgCfgPlan.h"
#include "model/Utility.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/views/CTableView.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QImage>
#include <QPushButton>

class TestChannelChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesFillTheirSlotsAndRefreshKeepsPlaceholder();
    void recorderDeletedWhileOpenAndPlanLimit();
    void manualBackupStoresWhatWasChosen();
    void manualBackupReturnStoresTheEndTyped_data();
    void manualBackupReturnStoresTheEndTyped();
    void copyChooseAllToggles();
};

namespace {

constexpr int kLimitMs = 20000; // a hang guard only

// Every thumbnail of the group shows the snapshot of its channel on `device`, or the placeholder when
// `device` is null.
bool Shows(CPictureGroup* group, uint id, const DEVICE_INFO* device)
{
    CPicLabelList* list = nullptr;
    QList<CPicLabel*> labels;
    if (group->GetGroupList(id, &list))
        list->GetPicLabels(&labels);
    for (CPicLabel* label : labels) {
        const int channel = device != nullptr ? device->Camera[label->GetId() - 1].CameraIndex : 0;
        const QString path =
            device != nullptr
                ? QString::fromStdString(CLoadPicThread::PicturePath(device->DeviceIP, device->Port, channel))
                : CChannelPickerDialog::PlaceholderPath();
        if (label->GetPicPath() != path)
            return false;
    }
    return !labels.isEmpty();
}

// A record disk chosen and the backup mode a manual backup starts from.
void ReadyForManualBackup(CEngineFixture& f)
{
    SYSTEM_CONFIG system;
    f.Model().GetSystemConfig(&system);
    system.Disk[0] = 'D';
    f.Model().SetSystemConfig(&system);
    f.Model().SetBackupMode(2);
}

} // namespace

void TestChannelChooser::picturesFillTheirSlotsAndRefreshKeepsPlaceholder()
{
    CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(4, {}, {}), "Gate");
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(3, {}, {}), "Yard");
    const int dead = f.AddDevice(CSimRecorders::MakeConfig(2, {}, {}), "Dead");
    QVERIFY(gate >= 0 && yard >= 0 && dead >= 0);
    f.Recorder(dead).SetLoginRefusals(-1);
    const DEVICE_INFO* gateInfo = f.Model().GetDeviceInfo(gate);
    const DEVICE_INFO* yardInfo = f.Model().GetDeviceInfo(yard);

    // The shipped placeholder and a snapshot left by an earlier run.
    const QString placeholder = CChannelPickerDialog::PlaceholderPath();
    const QString stale = CChannelPickerDialog::PictureFolder() + QStringLiteral("10.0.0.9_8000_0.jpg");
    MakeDirs(placeholder.toLocal8Bit().constData());
    QImage(96, 75, QImage::Format_RGB32).save(placeholder);
    QFile(stale).open(QIODevice::WriteOnly);

    CDlgCfgPlan page;
    CDlgChooseChannel dlg(&page);
    dlg.show();
    QVERIFY(!QFile::exists(stale));
    CPictureGroup* group = dlg.PictureGroup();
    // Both simulated recorders answer on one address: each channel has a picture of its own.
    QVERIFY(CLoadPicThread::PicturePath(gateInfo->DeviceIP, gateInfo->Port, 1) !=
            CLoadPicThread::PicturePath(yardInfo->DeviceIP, yardInfo->Port, 1));
    QTRY_VERIFY_WITH_TIMEOUT(
        Shows(group, 1, gateInfo) && Shows(group, 2, yardInfo) && Shows(group, 3, nullptr), kLimitMs);
    // The unreachable recorder's group stays awaited.
    QVERIFY(dlg.IsPictureTimerActive());

    // Refresh takes every snapshot anew into the same groups, and the placeholder stays.
    f.Recorder(gate).ClearCallLog();
    dlg.findChild<QPushButton*>(QStringLiteral("m_pushButtonRefresh"))->click();
    QVERIFY(QFile::exists(placeholder));
    QTRY_COMPARE_WITH_TIMEOUT(f.Recorder(gate).Calls(QStringLiteral("capture")).size(), 4, kLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(Shows(group, 1, gateInfo) && Shows(group, 3, nullptr), kLimitMs);
    dlg.reject();
    QVERIFY(f.Recorders().WaitForIdle());
}

// Everything selected across the chooser's pages, then the middle recorder deleted from the model: its
// group is no longer awaited and its selection is dropped; the others keep their own channels, in group
// order, up to the plan's limit, and the rest is refused with a message.
void TestChannelChooser::recorderDeletedWhileOpenAndPlanLimit()
{
    CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(24, {}, {}), "Gate");
    const int yard = f.AddDevice(CSimRecorders::MakeConfig(2, {}, {}), "Yard");
    const int zed = f.AddDevice(CSimRecorders::MakeConfig(24, {}, {}), "Zed");
    QVERIFY(gate >= 0 && yard >= 0 && zed >= 0);
    QVERIFY(f.AddPlan(0, {}, SCHEDULE_WEEKDAY())); // the plan the chooser fills

    CDlgCfgPlan page;
    CModalDriver driver;
    int pages = 0;
    driver.Answer([&](QWidget* window) {
        auto* dlg = qobject_cast<CDlgChooseChannel*>(window);
        QVERIFY(dlg != nullptr);
        CPictureGroup* group = dlg->PictureGroup();
        pages = group->GetPageCount();
        for (int shown = 1; shown <= pages; ++shown) {
            group->OnShowPage(uint(shown));
            for (uint id = 1; id <= 3; ++id) {
                CPicLabelList* list = nullptr;
                if (group->GetGroupList(id, &list))
                    list->SelectAll();
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->LoadPicThread()->isRunning(), kLimitMs);
        QCOMPARE(f.Model().DeleteDevice("Yard", false), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsPictureTimerActive(), kLimitMs);
        dlg->findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    });
    driver.Accept();
    page.findChild<QPushButton*>(QStringLiteral("m_pushButtonChooseChannel"))->click();

    QCOMPARE(driver.Pending(), 0);
    QVERIFY(pages >= 2);
    QVERIFY(driver.Seen().value(1).Text().contains(QStringLiteral("Channel number must less than 32")));
    const CHANNEL_REF* refs = page.GetPlans()[0].Channel;
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i)
        QCOMPARE(std::pair(int(refs[i].DeviceID), int(refs[i].CameraIndex)),
                 i < 24 ? std::pair(gate, i + 1) : std::pair(zed, i - 23));
    QVERIFY(f.Recorders().WaitForIdle());
}

// The manual backup takes exactly as many channels as a list holds (all 32 of a recorder, first to last), the
// chosen file type's code, the hand-over to automatic backup, and both times to the second.
void TestChannelChooser::manualBackupStoresWhatWasChosen()
{
    CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    const int gate = f.AddDevice(CSimRecorders::MakeConfig(MAX_GROUP_CHANNEL_NUM, {}, {}), "Gate");
    QVERIFY(gate >= 0);
    ReadyForManualBackup(f);

    CModalDriver driver;
    CDlgManualBackup dlg(nullptr);
    dlg.show();
    auto* types = dlg.findChild<QComboBox*>(QStringLiteral("pCombType"));
    const std::pair<const char*, int> expected[] = {
        {"All", 0}, {"Schedule", 1}, {"Motion Detection", 2}, {"Alarm", 3}, {"Manual Record", 8}};
    QCOMPARE(types->count(), 5);
    for (int index = 0; index < 5; ++index) {
        QCOMPARE(types->itemText(index), QLatin1String(expected[index].first));
        QCOMPARE(types->itemData(index, ROLE_USER_DATA).toInt(), expected[index].second);
    }
    types->setCurrentIndex(4);
    dlg.findChild<QCheckBox*>(QStringLiteral("pCheckboxAutoToShedule"))->setChecked(true);
    dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtStart"))
        ->setDateTime(QDateTime(QDate(2024, 4, 30), QTime(8, 0, 1)));
    dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtEnd"))
        ->setDateTime(QDateTime(QDate(2024, 5, 1), QTime(9, 30, 59)));
    CPictureGroup* group = dlg.PictureGroup();
    for (int page = 1; page <= group->GetPageCount(); ++page) {
        group->OnShowPage(uint(page));
        group->OnTitleBarDbClicked(1);
    }
    dlg.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(driver.Seen().size(), 0);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));

    const MANUAL_BACKUP_INFO* manual = f.Model().GetManualBackupInfo();
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i)
        QCOMPARE(std::pair(int(manual->Channel[i].DeviceID), int(manual->Channel[i].CameraIndex)),
                 std::pair(gate, i + 1));
    QCOMPARE(int(manual->FileType), 8);
    QCOMPARE(int(manual->IsChange), 1);
    QCOMPARE(FromSdkTime(manual->FileStartTime), QDateTime(QDate(2024, 4, 30), QTime(8, 0, 1)));
    QCOMPARE(FromSdkTime(manual->FileEndTime), QDateTime(QDate(2024, 5, 1), QTime(9, 30, 59)));
    SYSTEM_CONFIG after;
    f.Model().GetSystemConfig(&after);
    QCOMPARE(int(after.BackupMode), 1);
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestChannelChooser::manualBackupReturnStoresTheEndTyped_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

// The End's day typed short ("2024-05-1", its last section) and Return or Enter pressed in the field: the
// check and the stored range see the day typed, never the End from before the typing; the file type's list
// opened and closed with the keyboard before it chooses there and stores nothing.
void TestChannelChooser::manualBackupReturnStoresTheEndTyped()
{
    QFETCH(int, key);
    CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    QVERIFY(f.AddDevice(CSimRecorders::MakeConfig(2, {}, {}), "Gate") >= 0);
    ReadyForManualBackup(f);

    CModalDriver driver;
    CDlgManualBackup dlg(nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.PictureGroup()->OnTitleBarDbClicked(1);
    auto* types = dlg.findChild<QComboBox*>(QStringLiteral("pCombType"));
    types->setFocus();
    types->showPopup();
    QTRY_VERIFY(types->view()->isVisible());
    QTest::keyClick(types->view(), Qt::Key_Down);
    QTest::keyClick(types->view(), Qt::Key(key));
    QTRY_VERIFY(!types->view()->isVisible());
    QCOMPARE(types->currentIndex(), 1);
    QVERIFY(dlg.isVisible());
    QVERIFY(driver.Seen().isEmpty());
    QVERIFY(f.Model().GetManualBackupInfo()->Channel[0].IsEmpty());

    auto* start = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtStart"));
    auto* end = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtEnd"));
    start->setDateTime(QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
    end->setDateTime(QDateTime(QDate(2024, 5, 20), QTime(23, 59, 59)));
    end->setFocus();
    end->setCurrentSection(QDateTimeEdit::DaySection);
    end->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClick(end, '1');
    // The day is under way: shown short as typed, or already as the day that exists; never the 20th still.
    QVERIFY2(end->text().startsWith(QStringLiteral("2024-05-1 ")) ||
                 end->text().startsWith(QStringLiteral("2024-05-01 ")),
             qPrintable(end->text()));
    QTest::keyClick(end, Qt::Key(key));
    QVERIFY2(driver.Seen().isEmpty(), qPrintable(driver.Seen().value(0).Text()));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const MANUAL_BACKUP_INFO* manual = f.Model().GetManualBackupInfo();
    QCOMPARE(FromSdkTime(manual->FileStartTime), QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
    QCOMPARE(FromSdkTime(manual->FileEndTime), QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59)));
    QCOMPARE(int(manual->FileType), 1);
    QVERIFY(f.Recorders().WaitForIdle());
}

// "Choose All" ticks every plan, the next press clears them all, and the one after ticks them again; OK with
// nothing ticked copies nothing and says so.
void TestChannelChooser::copyChooseAllToggles()
{
    CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    for (const int slot : {0, 3, 31})
        QVERIFY(f.AddPlan(slot, {}, SCHEDULE_WEEKDAY()));
    CDlgCfgPlan page;
    CCopyBackUpTime copy(&page, 3);
    auto* rows = copy.findChild<CTableView*>(QStringLiteral("m_pTableCopy"));
    QCOMPARE(rows->GetTopRowCount(), 3);
    QCOMPARE(rows->GetItemText(0, 0) + QLatin1Char('|') + rows->GetItemText(2, 0),
             QStringLiteral("Plan 0|Plan 31"));
    const auto ticked = [rows] {
        int count = 0;
        for (int row = 0; row < rows->GetTopRowCount(); ++row)
            count += rows->GetItemData(row, 0, Qt::CheckStateRole).toInt() == Qt::Checked ? 1 : 0;
        return count;
    };
    QCOMPARE(ticked(), 0);
    auto* all = copy.findChild<QPushButton*>(QStringLiteral("m_pBtnAll"));
    for (const int expected : {3, 0, 3}) {
        all->click();
        QCOMPARE(ticked(), expected);
    }
    all->click();
    CModalDriver driver;
    driver.Accept();
    copy.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(driver.Seen().value(0).Text(), QStringLiteral("Please select destiny channel."));
    QVERIFY(copy.result() != QDialog::Accepted);
}

VARROW_TEST_MAIN(TestChannelChooser, QApplication)
#include "tst_gui_channelchooser.moc"

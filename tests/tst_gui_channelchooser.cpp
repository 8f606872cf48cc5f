// The plan page's channel chooser against simulated recorders serving snapshots, the real snapshot loader and
// the model on a temporary database. A chooser that names two recorders' pictures alike shows one recorder's
// channels as the other's; one that deletes the placeholder with the snapshots shows blanks for every
// unreachable recorder; one that maps a selection by list position hands a deleted recorder's channels to its
// neighbour.

#include "config/pickers/CDlgChooseChannel.h"
#include "config/plans/CDlgCfgPlan.h"
#include "model/Utility.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPushButton>

class TestChannelChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesFillTheirSlotsAndRefreshKeepsPlaceholder();
    void channelsOfTwoRecordersAcrossPagesUpToPlanLimit();
    void recorderDeletedWhileOpen();
};

namespace {

constexpr int kLimitMs = 20000; // a hang guard only

QString Snapshot(const DEVICE_INFO& device, int channel)
{
    return QString::fromStdString(CLoadPicThread::PicturePath(device.DeviceIP, device.Port, channel));
}

QList<CPicLabel*> ShownLabels(CPictureGroup* group, uint id)
{
    CPicLabelList* list = nullptr;
    QList<CPicLabel*> labels;
    if (group->GetGroupList(id, &list))
        list->GetPicLabels(&labels);
    return labels;
}

// Every thumbnail of the group shows what `expected` gives for its camera slot (0-based).
bool Shows(CPictureGroup* group, uint id, const std::function<QString(int)>& expected)
{
    const QList<CPicLabel*> labels = ShownLabels(group, id);
    if (labels.isEmpty())
        return false;
    for (CPicLabel* label : labels)
        if (label->GetPicPath() != expected(int(label->GetId()) - 1))
            return false;
    return true;
}

void SelectEverything(CPictureGroup* group)
{
    for (int page = 1; page <= group->GetPageCount(); ++page) {
        group->OnShowPage(uint(page));
        for (uint id = 1; id <= 3; ++id) {
            CPicLabelList* list = nullptr;
            if (group->GetGroupList(id, &list))
                list->SelectAll();
        }
    }
}

SimRecorderConfig Channels(int analog)
{
    SimRecorderConfig config;
    config.AnalogChannels = analog;
    return config;
}

void StorePlan(CSysInfoManage& model, const char* name)
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    std::strncpy(plan.GroupName, name, sizeof plan.GroupName - 1);
    QVERIFY(model.SetGroupInfo(&plan, 0));
}

QList<CHANNEL_REF> PlanChannels(const CDlgCfgPlan& page)
{
    QList<CHANNEL_REF> refs;
    for (const CHANNEL_REF& ref : page.GetPlans()[0].Channel)
        if (!ref.IsEmpty())
            refs.append(ref);
    return refs;
}

} // namespace

void TestChannelChooser::picturesFillTheirSlotsAndRefreshKeepsPlaceholder()
{
    CEngineFixture f(QDateTime::currentDateTime());
    const int gate = f.AddDevice(Channels(4), "Gate");
    const int yard = f.AddDevice(Channels(3), "Yard");
    const int dead = f.AddDevice(Channels(2), "Dead");
    QVERIFY(gate >= 0 && yard >= 0 && dead >= 0);
    f.Recorder(dead).SetLoginRefusals(-1);
    const DEVICE_INFO& gateInfo = *f.Model().GetDeviceInfo(gate);
    const DEVICE_INFO& yardInfo = *f.Model().GetDeviceInfo(yard);

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
    QVERIFY(QFile::exists(placeholder));
    auto* combo = dlg.findChild<QComboBox*>(QStringLiteral("m_pComboBoxDevice"));
    QCOMPARE(combo->count(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(combo->itemData(i, Qt::UserRole).toInt(), i == 0 ? -1 : i);

    CPictureGroup* group = dlg.PictureGroup();
    const auto gateShots = [&](int k) { return Snapshot(gateInfo, gateInfo.Camera[k].CameraIndex); };
    const auto yardShots = [&](int k) { return Snapshot(yardInfo, yardInfo.Camera[k].CameraIndex); };
    const auto blanks = [&](int) { return placeholder; };
    QTRY_VERIFY_WITH_TIMEOUT(
        Shows(group, 1, gateShots) && Shows(group, 2, yardShots) && Shows(group, 3, blanks), kLimitMs);
    // Both simulated recorders answer on one address: each channel 1 has a picture of its own.
    QVERIFY(gateShots(0) != yardShots(0));
    QCOMPARE(f.Recorder(gate).Calls(QStringLiteral("capture")).size(), 4);
    QCOMPARE(f.Recorder(yard).Calls(QStringLiteral("capture")).size(), 3);
    // The unreachable recorder's group stays awaited.
    QVERIFY(dlg.IsPictureTimerActive());

    // One recorder singled out, then all again.
    combo->setCurrentIndex(2);
    QVERIFY(ShownLabels(group, 1).isEmpty());
    QCOMPARE(ShownLabels(group, 2).size(), 3);
    combo->setCurrentIndex(0);
    QCOMPARE(ShownLabels(group, 1).size(), 4);

    // Refresh takes every snapshot anew into the same groups, and the placeholder stays.
    f.Recorder(gate).ClearCallLog();
    dlg.findChild<QPushButton*>(QStringLiteral("m_pushButtonRefresh"))->click();
    QVERIFY(QFile::exists(placeholder));
    QTRY_COMPARE_WITH_TIMEOUT(f.Recorder(gate).Calls(QStringLiteral("capture")).size(), 4, kLimitMs);
    QTRY_VERIFY_WITH_TIMEOUT(Shows(group, 1, gateShots) && Shows(group, 3, blanks), kLimitMs);
    dlg.reject();
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestChannelChooser::channelsOfTwoRecordersAcrossPagesUpToPlanLimit()
{
    CEngineFixture f(QDateTime::currentDateTime());
    const int gate = f.AddDevice(Channels(24), "Gate");
    const int yard = f.AddDevice(Channels(24), "Yard");
    QVERIFY(gate >= 0 && yard >= 0);
    StorePlan(f.Model(), "Night");

    CDlgCfgPlan page;
    CModalDriver driver;
    int pages = 0;
    driver.Answer([&](QWidget* window) {
        auto* dlg = qobject_cast<CDlgChooseChannel*>(window);
        QVERIFY(dlg != nullptr);
        pages = dlg->PictureGroup()->GetPageCount();
        SelectEverything(dlg->PictureGroup());
        QTest::keyClick(dlg->findChild<QComboBox*>(QStringLiteral("m_pComboBoxDevice")), Qt::Key_Return);
    });
    driver.Accept();
    page.findChild<QPushButton*>(QStringLiteral("m_pushButtonChooseChannel"))->click();

    QCOMPARE(driver.Pending(), 0);
    QVERIFY(pages >= 2);
    QCOMPARE(driver.Seen().size(), 2);
    QVERIFY(driver.Seen()[1].Text().contains(QStringLiteral("Channel number must less than 32")));
    // Group order, then thumbnail order: all of the first recorder, then the second one's first eight.
    const QList<CHANNEL_REF> refs = PlanChannels(page);
    QCOMPARE(refs.size(), MAX_GROUP_CHANNEL_NUM);
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i)
        QCOMPARE(std::pair(int(refs[i].DeviceID), int(refs[i].CameraIndex)),
                 i < 24 ? std::pair(gate, i + 1) : std::pair(yard, i - 23));
    QVERIFY(f.Recorders().WaitForIdle());
}

void TestChannelChooser::recorderDeletedWhileOpen()
{
    CEngineFixture f(QDateTime::currentDateTime());
    const int gate = f.AddDevice(Channels(2), "Gate");
    const int yard = f.AddDevice(Channels(2), "Yard");
    const int zed = f.AddDevice(Channels(2), "Zed");
    QVERIFY(gate >= 0 && yard >= 0 && zed >= 0);
    StorePlan(f.Model(), "Night");

    CDlgCfgPlan page;
    CModalDriver driver;
    bool settled = false;
    driver.Answer([&](QWidget* window) {
        auto* dlg = qobject_cast<CDlgChooseChannel*>(window);
        QVERIFY(dlg != nullptr);
        SelectEverything(dlg->PictureGroup());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->LoadPicThread()->isRunning(), kLimitMs);
        // Gone from the model, the recorder's group is no longer awaited and its selection is dropped; the
        // recorder after it keeps its own channels.
        QCOMPARE(f.Model().DeleteDevice("Yard", false), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsPictureTimerActive(), kLimitMs);
        settled = true;
        dlg->findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    });
    page.findChild<QPushButton*>(QStringLiteral("m_pushButtonChooseChannel"))->click();

    QVERIFY(settled);
    const QList<CHANNEL_REF> refs = PlanChannels(page);
    QCOMPARE(refs.size(), 4);
    const int expected[4][2] = {{gate, 1}, {gate, 2}, {zed, 1}, {zed, 2}};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(std::pair(int(refs[i].DeviceID), int(refs[i].CameraIndex)),
                 std::pair(expected[i][0], expected[i][1]));
    QVERIFY(f.Recorders().WaitForIdle());
}

VARROW_TEST_MAIN(TestChannelChooser, QApplication)
#include "tst_gui_channelchooser.moc"

// A recorder whose channel numbers do not fit the 16 bits a channel is kept in, added or modified through the
// device dialog on the real model and database. Stored cut, channel 65536 would become channel 0 (a plan
// backs up the wrong camera under the right name) and 65535 would become -1, no channel at all.

#include "config/devices/CDlgAddDevice.h"
#include "model/SysInfoManage.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"

#include <QApplication>
#include <QLineEdit>

#include <memory>

class TestDeviceChannels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void channelNumbersMustFit_data();
    void channelNumbersMustFit();
};

namespace {

const QString kRefusal = QStringLiteral("The device numbers a channel above 32767, which cannot be stored.");

void Fill(CDlgAddDevice& dialog, const QString& name, quint16 port)
{
    dialog.Form().m_plineEditDeviceName->setText(name);
    dialog.Form().m_plineEditDeviceIP->setText(QStringLiteral("127.0.0.1"));
    dialog.Form().m_plineEditDevicePort->setText(QString::number(port));
    dialog.Form().m_plineEditDeviceUserName->setText(QStringLiteral("admin"));
    dialog.Form().m_plineEditDevicePassWord->setText(QStringLiteral("12345"));
}

QList<int> Channels(const DEVICE_INFO& device)
{
    QList<int> numbers;
    for (int i = 0; i < device.CameraNum; ++i)
        numbers << device.Camera[i].CameraIndex;
    return numbers;
}

} // namespace

void TestDeviceChannels::channelNumbersMustFit_data()
{
    // The recorder's first IP channel and IP channel count (after one analog channel, 1); the channels
    // stored, empty when the recorder is refused.
    QTest::addColumn<int>("firstIp");
    QTest::addColumn<int>("ipChannels");
    QTest::addColumn<bool>("modify"); // a device that fits is changed to this recorder
    QTest::addColumn<QList<int>>("stored");
    QTest::newRow("last three that fit") << 32765 << 3 << false << QList<int>{1, 32765, 32766, 32767};
    QTest::newRow("one past the last") << 32766 << 3 << false << QList<int>{};
    QTest::newRow("65535, stored as none") << 65535 << 1 << false << QList<int>{};
    QTest::newRow("65536, stored as 0") << 65536 << 3 << false << QList<int>{};
    QTest::newRow("modified to 65536") << 65536 << 3 << true << QList<int>{};
}

void TestDeviceChannels::channelNumbersMustFit()
{
    QFETCH(int, firstIp);
    QFETCH(int, ipChannels);
    QFETCH(bool, modify);
    QFETCH(QList<int>, stored);
    CTempDatabase db;
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    CSimRecorders sims(1000, 1500);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    config.IpChannels = ipChannels;
    config.FirstIpChannel = firstIp;
    CRecorderSim* sim = sims.Add(config);
    CRecorderSim* plain = sims.Add(SimRecorderConfig());
    QVERIFY(sim != nullptr && plain != nullptr);
    const int flow = -1;
    if (modify)
        QCOMPARE(
            g_pSysInfoManage->AddDevice("127.0.0.1", plain->Port(), "admin", "12345", &flow, "Gate", "", 0),
            int(ADD_DEVICE_OK));
    const DEVICE_INFO before = modify ? *g_pSysInfoManage->GetDeviceInfo(0) : DEVICE_INFO();

    CModalDriver driver;
    driver.Accept();
    QWidget parent;
    CDlgAddDevice dialog(QModelIndex(), modify ? &before : nullptr, &parent);
    Fill(dialog, QStringLiteral("Gate"), sim->Port());
    dialog.OnBtnClickedOK();

    QCOMPARE(dialog.result() == QDialog::Accepted, !stored.isEmpty());
    QCOMPARE(driver.Seen().isEmpty() ? QString() : driver.Seen().last().Text(),
             stored.isEmpty() ? kRefusal : QString());
    db.Reopen();
    auto reloaded = std::make_unique<CSysInfoManage>();
    QVERIFY(reloaded->LoadAllInfo());
    for (CSysInfoManage* model : {g_pSysInfoManage, reloaded.get()}) {
        const DEVICE_INFO* device = model->GetDeviceInfo(0);
        if (!modify && stored.isEmpty()) {
            QVERIFY(device == nullptr);
            continue;
        }
        QVERIFY(device != nullptr);
        // A refused change leaves the device as it was, on its own recorder.
        QCOMPARE(device->Port, stored.isEmpty() ? plain->Port() : sim->Port());
        QCOMPARE(Channels(*device), stored.isEmpty() ? Channels(before) : stored);
    }
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogContents LIKE '%channel number%'"),
             stored.isEmpty() ? 1 : 0);
}

VARROW_TEST_MAIN(TestDeviceChannels, QApplication)

#include "tst_gui_devicechannels.moc"

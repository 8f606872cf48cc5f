// The device page at its limit of 1024 recorders: building the page (one fill of the table), and deleting 50
// selected devices, which refills the table after each one. The devices are written straight into a temporary
// database, so no login is timed. Prints the best of five runs.

#include "config/devices/CDlgCfgDevice.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kRuns = 5;
constexpr int kDeleted = 50;

void StoreDevices()
{
    CSQLite3DB& db = GetMainDB();
    db.Exec("BEGIN;");
    for (int slot = 0; slot < MAX_DEVICE_NUM; ++slot) {
        DEVICE_INFO device;
        device.IsUsed = 1;
        device.Port = uint16_t(8000 + slot);
        CopyString16(device.DeviceIP, "127.0.0.1");
        CopyString33(device.DeviceName, "Recorder " + std::to_string(slot));
        CopyString32(device.Username, "admin");
        CopyString256(device.Password, "12345");
        device.CameraNum = 4;
        for (int c = 0; c < 4; ++c) {
            device.Camera[c].DeviceID = int16_t(slot);
            device.Camera[c].CameraIndex = int16_t(c + 1);
        }
        DbInsertDeviceInfo(slot, &device);
    }
    db.Exec("COMMIT;");
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();

    double bestBuild = 1e30;
    double bestDelete = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        CTempDatabase database;
        StoreDevices();
        g_pSysInfoManage->LoadAllInfo();

        QElapsedTimer timer;
        timer.start();
        CDlgCfgDevice page;
        bestBuild = std::min(bestBuild, timer.nsecsElapsed() / 1e6);
        if (page.Form().m_pTableViewDevice->GetTopRowCount() != MAX_DEVICE_NUM) {
            std::printf("the page shows %d devices, not %d\n",
                        page.Form().m_pTableViewDevice->GetTopRowCount(), MAX_DEVICE_NUM);
            return 1;
        }

        CTableView* table = page.Form().m_pTableViewDevice;
        for (int i = 0; i < kDeleted; ++i)
            table->selectionModel()->select(table->GetIndex(i * 20, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        CModalDriver driver;
        driver.Click(QStringLiteral("OK"));
        timer.restart();
        page.OnBtnClickedDeleteDevice();
        bestDelete = std::min(bestDelete, timer.nsecsElapsed() / 1e6);
        if (table->GetTopRowCount() != MAX_DEVICE_NUM - kDeleted) {
            std::printf("%d devices left, not %d\n", table->GetTopRowCount(), MAX_DEVICE_NUM - kDeleted);
            return 1;
        }
    }
    std::printf("device page with %d devices: build %.1f ms\n", MAX_DEVICE_NUM, bestBuild);
    std::printf("delete %d selected devices (a refill after each): %.1f ms, %.2f ms per device\n", kDeleted,
                bestDelete, bestDelete / kDeleted);
    return 0;
}

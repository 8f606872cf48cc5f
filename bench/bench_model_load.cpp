// Loading the whole configuration at start: 1024 recorders of 64 channels each and 32 full plans.

#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QCoreApplication app(argc, argv);
    CTempDatabase db;

    DEVICE_INFO device;
    device.IsUsed = 1;
    device.Port = 8000;
    device.CameraNum = MAX_CAMERA_NUM;
    CopyString32(device.Username, "admin");
    CopyString256(device.Password, "12345");
    DbBeginTransaction();
    for (int d = 0; d < MAX_DEVICE_NUM; ++d) {
        CopyString33(device.DeviceName, "Recorder " + std::to_string(d));
        CopyString16(device.DeviceIP, "10.1." + std::to_string(d / 256) + "." + std::to_string(d % 256));
        for (int c = 0; c < MAX_CAMERA_NUM; ++c) {
            device.Camera[c] = CAMERA_INFO();
            device.Camera[c].DeviceID = int16_t(d);
            device.Camera[c].CameraIndex = int16_t(c + 1);
        }
        DbInsertDeviceInfo(d, &device);
    }
    for (int g = 0; g < MAX_GROUP_NUM; ++g) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "Plan " + std::to_string(g));
        for (int p = 0; p < MAX_GROUP_CHANNEL_NUM; ++p)
            plan.Channel[p] = {int16_t(g * 32 + p), int16_t(p + 1)};
        DbSaveGroupInfo(g, &plan);
    }
    DbCommitTransaction();

    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        CloseMainDB();
        auto model = std::make_unique<CSysInfoManage>();
        QElapsedTimer timer;
        timer.start();
        model->LoadAllInfo();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (model->GetGroupInfo(31) == nullptr || model->GetDeviceInfo(1023)->CameraNum != MAX_CAMERA_NUM) {
            std::fprintf(stderr, "load incomplete\n");
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "LoadAllInfo, 1024 devices x 64 channels, 32 full plans: median %.1f ms, best %.1f ms, worst %.1f ms"
        " (target < 1000 ms)\n",
        times[times.size() / 2], times.front(), times.back());
    return 0;
}

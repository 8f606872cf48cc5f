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

    CTempDatabase::FillFullConfiguration();

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

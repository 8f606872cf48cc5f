// 32 plans whose windows are closed, on the real clock, as the program runs between backups: each plan's
// control thread looks at its schedule once a second, its two workers wait for a start. Prints the process's
// CPU time over the run as a share of one core (target: under 0.5%). The run lasts 30 s, or the seconds given
// as the first argument.

#include "engine/ControlThread.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPlans = 32;

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    CTempDatabase db;
    CSimRecorders recorders(3000, 5000);
    auto model = std::make_unique<CSysInfoManage>();
    g_pSysInfoManage = model.get();
    CRecorderSim* sim = recorders.Add(CSimRecorders::MakeConfig(kPlans, {}, QDate::currentDate()));
    const int flow = -1;
    if (sim == nullptr || model->AddDevice(sim->AddressBytes().constData(), sim->Port(), "admin", "12345",
                                           &flow, "Recorder", "", 0) != ADD_DEVICE_OK) {
        std::fprintf(stderr, "cannot register the recorder\n");
        return 1;
    }
    const int device = model->GetDeviceIndexByName("Recorder");
    // Every window opens twelve hours from now and lasts one hour, so none is open during the run.
    const QTime start = QTime::currentTime().addSecs(12 * 3600);
    std::vector<std::unique_ptr<CPlanThreads>> plans;
    for (int g = 0; g < kPlans; ++g) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "Plan " + std::to_string(g));
        plan.Channel[0] = {int16_t(device), int16_t(g + 1)};
        plan.Schedule[0].IsEanbel = 1;
        plan.Schedule[0].TaskStartTime = {int16_t(start.hour()), int16_t(start.minute()), 0};
        plan.Schedule[0].Duration = 1;
        model->SetGroupInfo(&plan, g);
        plans.push_back(std::make_unique<CPlanThreads>(g));
    }
    for (auto& p : plans)
        p->control.Start();
    QThread::msleep(500); // the threads' start-up is not idling
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    plans.clear();
    g_pSysInfoManage = nullptr;
    std::printf(
        "%d idle plans for %.1f s on the real clock: %.3f s of CPU, %.3f %% of one core (target under "
        "0.5 %%)\n",
        kPlans, elapsed, cpu, 100.0 * cpu / elapsed);
    return 0;
}

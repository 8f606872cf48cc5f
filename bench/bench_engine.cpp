// Scheduled backups through the whole engine on the real clock: 1 plan, then 8 plans at once, each plan two
// channels with two 64 MiB recordings, from simulated recorders at unlimited rate on loopback into the
// storage layer. Beside them, with as many streams at once, the two raw paths of the same bytes: play-back
// through the device layer into a callback that only counts, and writes through the storage layer. Each
// figure is an aggregate: all bytes over the time in which at least one stream flowed (each file timed from
// its first block to its last on the sending side), so the engine's fixed one-second waits between files
// count only where no other stream fills them.

#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr qint64 kFileBytes = 64LL * 1024 * 1024;
constexpr int kChannels = 2;
constexpr int kFiles = 2;
// The raw paths pause between files as the engine does (its one-second waits), so all three put the same
// pattern of load on the disk and its write-back; the pauses themselves are not counted.
constexpr unsigned long kPauseMs = 1000;

qint64 SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool PlanDone(CSysInfoManage& model, int group)
{
    if (!model.TaskMutex(group, 0).tryLock())
        return false;
    const QList<TASK_INFO>& list = model.TaskList(group, 0);
    const bool done =
        list.size() == kChannels &&
        std::all_of(list.begin(), list.end(), [](const TASK_INFO& t) { return t.DownloadState == 2; });
    model.TaskMutex(group, 0).unlock();
    return done;
}

// Intervals of data flow [first, last] in steady nanoseconds, and the bytes they carried.
struct Flow
{
    std::vector<std::pair<qint64, qint64>> spans;
    qint64 bytes = 0;

    void Add(const CRecorderSim& sim)
    {
        for (const SimCall& call : sim.Calls(QStringLiteral("sent"))) {
            spans.emplace_back(call.FirstNs, call.LastNs);
            bytes += call.Value;
        }
    }
    // Bytes over the time in which at least one stream flowed: the engine's one-second waits between files
    // count only where no other stream filled them.
    double AggregateMiBs() const
    {
        std::vector<std::pair<qint64, qint64>> sorted = spans;
        std::sort(sorted.begin(), sorted.end());
        qint64 busy = 0, end = std::numeric_limits<qint64>::min();
        for (const auto& [a, b] : sorted) {
            const qint64 from = std::max(a, end);
            if (b > from)
                busy += b - from;
            end = std::max(end, b);
        }
        return busy > 0 ? double(bytes) / (1024.0 * 1024.0) / (double(busy) / 1e9) : 0;
    }
};

Flow RunEngine(int plans, const QDate& yesterday, const QString& disk)
{
    CTempDatabase db; // a fresh database for every run
    CSimRecorders recorders(3000, 5000);
    MapDrives({{'D', disk}});
    auto model = std::make_unique<CSysInfoManage>();
    g_pSysInfoManage = model.get();
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "D");
    model->SetSystemConfig(&config);
    CreateStorage(CountDiskFull, config);

    const QTime now = QTime::currentTime();
    std::vector<std::unique_ptr<CPlanThreads>> threads;
    for (int g = 0; g < plans; ++g) {
        CRecorderSim* sim = recorders.Add(CSimRecorders::MakeConfig(
            kChannels, QList<qint64>(kFiles, kFileBytes), yesterday, quint64(g + 1)));
        const QByteArray address = sim->AddressBytes();
        const int flow = -1;
        const std::string name = "Recorder " + std::to_string(g);
        if (model->AddDevice(address.constData(), sim->Port(), "admin", "12345", &flow, name.c_str(), "",
                             0) != ADD_DEVICE_OK) {
            std::fprintf(stderr, "cannot register %s\n", name.c_str());
            std::exit(1);
        }
        const int device = model->GetDeviceIndexByName(name.c_str());
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "Plan " + std::to_string(g));
        for (int c = 0; c < kChannels; ++c)
            plan.Channel[c] = {int16_t(device), int16_t(c + 1)};
        plan.Schedule[0].IsEanbel = 1;
        plan.Schedule[0].TaskStartTime = {int16_t(now.hour()), 0, 0};
        plan.Schedule[0].Duration = 2;
        model->SetGroupInfo(&plan, g);
        threads.push_back(std::make_unique<CPlanThreads>(g));
    }
    for (auto& t : threads)
        t->control.Start();
    for (int g = 0; g < plans; ++g)
        while (!PlanDone(*model, g))
            QThread::msleep(20);
    threads.clear();
    Flow flow;
    for (size_t i = 0; i < recorders.Size(); ++i)
        flow.Add(recorders[i]);
    ReleaseStorage();
    g_pSysInfoManage = nullptr;
    return flow;
}

// One stream of the raw device path: the plan's four files played into a callback that only counts.
void PlayAll(CRecorderSim& sim, const QDate& yesterday)
{
    const QByteArray address = sim.AddressBytes();
    const int login = NET_DVR_Login_V30(address.constData(), sim.Port(), "admin", "12345", nullptr);
    std::atomic<qint64> bytes{0};
    for (int c = 1; c <= kChannels; ++c) {
        for (int n = 0; n < kFiles; ++n) {
            const NET_DVR_TIME start = SimTime(QDateTime(yesterday, QTime(8 + n, 0)));
            const NET_DVR_TIME stop = SimTime(QDateTime(yesterday, QTime(9 + n, 0)));
            const int play = NET_DVR_PlayBackByTime(login, c, &start, &stop, nullptr);
            int64_t length = 0;
            NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr);
            const qint64 target = bytes + length;
            NET_DVR_SetPlayDataCallBack(
                play,
                [](int32_t, uint32_t, uint8_t*, uint32_t size, void* user) {
                    *static_cast<std::atomic<qint64>*>(user) += size;
                },
                &bytes);
            NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
            while (bytes < target)
                QThread::usleep(200);
            NET_DVR_StopPlayBack(play);
            QThread::msleep(kPauseMs);
        }
    }
    NET_DVR_Logout_V30(login);
}

// `streams` raw play-backs at once, each from its own recorder, measured on the recorders' side as the
// engine's are.
double RawPlayback(int streams, const QDate& yesterday)
{
    CSimRecorders raw(3000, 5000);
    std::vector<std::thread> threads;
    for (int s = 0; s < streams; ++s) {
        CRecorderSim* sim = raw.Add(CSimRecorders::MakeConfig(kChannels, QList<qint64>(kFiles, kFileBytes),
                                                              yesterday, quint64(s + 1)));
        threads.emplace_back([sim, yesterday] { PlayAll(*sim, yesterday); });
    }
    for (std::thread& t : threads)
        t.join();
    Flow flow;
    for (size_t i = 0; i < raw.Size(); ++i)
        flow.Add(raw[i]);
    return flow.AggregateMiBs();
}

// `streams` writers at once through one storage object, each its own record, the files' sizes as the
// engine's; from each file's first write to its last, as the recorders' spans are taken.
double RawStorage(int streams, const QString& disk)
{
    CStowelineClass storage;
    STOWELINE_INIT_PARAM param;
    param.DiskPaths.Append(QFile::encodeName(disk).constData());
    param.ReserveMB = 0;
    storage.Init(&param);
    std::mutex mutex;
    Flow flow;
    std::vector<std::thread> threads;
    for (int s = 0; s < streams; ++s) {
        threads.emplace_back([&, s] {
            const std::string name = "raw_" + std::to_string(s) + "_1";
            std::vector<uint8_t> block(256 * 1024, 0x5A);
            for (int f = 0; f < kChannels * kFiles; ++f) {
                CHANNEL_RECORD_KEY key;
                key.StartTime = {2020, 1, 1, uint8_t(f), 0, 0, 0};
                key.StopTime = {2020, 1, 1, uint8_t(f), 59, 59, 0};
                storage.OpenChannelRecord(name.c_str(), 0, &key);
                const qint64 first = SteadyNs();
                for (qint64 done = 0; done < kFileBytes; done += qint64(block.size()))
                    storage.WriteChannelRecord(name.c_str(), done == 0 ? 1 : 2, block.data(),
                                               uint32_t(block.size()), &key);
                const qint64 last = SteadyNs();
                storage.CloseChannelRecord(name.c_str(), &key);
                {
                    std::lock_guard lock(mutex);
                    flow.spans.emplace_back(first, last);
                    flow.bytes += kFileBytes;
                }
                QThread::msleep(kPauseMs);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    storage.Uninit();
    return flow.AggregateMiBs();
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir disk;
    const QDate yesterday = QDate::currentDate().addDays(-1);

    std::printf("engine data path, %d channels x %d files of %lld MiB per plan, real clock\n", kChannels,
                kFiles, kFileBytes >> 20);
    for (int plans : {1, 8}) {
        if (QTime::currentTime() > QTime(21, 50)) {
            std::printf("skipped: the benchmark's two-hour window would cross midnight\n");
            return 0;
        }
        // Each phase starts on an empty disk with nothing left to write back, so none pays for another's
        // dirty pages.
        auto fresh = [&] {
            QDir(disk.path()).removeRecursively();
            QDir().mkpath(disk.path());
            ::sync();
        };
        fresh();
        const Flow engine = RunEngine(plans, yesterday, disk.path());
        fresh();
        const double playback = RawPlayback(plans, yesterday);
        const double storage = RawStorage(plans, disk.path());
        fresh();
        const double slower = std::min(playback, storage);
        const double aggregate = engine.AggregateMiBs();
        std::printf("%d stream(s) at once: %.0f MiB stored by the engine\n", plans,
                    double(engine.bytes) / (1024.0 * 1024.0));
        std::printf("  engine data path, aggregate                 %6.0f MiB/s\n", aggregate);
        std::printf("  raw play-back through the device layer      %6.0f MiB/s\n", playback);
        std::printf("  raw writes through the storage layer        %6.0f MiB/s\n", storage);
        std::printf("  data path / slower raw path                 %6.0f %%   (target 80%%)\n",
                    slower > 0 ? 100.0 * aggregate / slower : 0.0);
    }
    return 0;
}

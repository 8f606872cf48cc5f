// Scheduled backups through the whole engine on the real clock: 1 plan, then 8 plans at once, each plan two
// channels with two 64 MiB recordings, from simulated recorders at unlimited rate on loopback into the
// storage layer. Beside them, in the same run, the two raw paths of the same bytes: play-back through the
// device layer into a callback that only counts, and writes through the storage layer. The data path is timed
// from each file's first byte to its last; the fixed cost per file (the engine's one-second waits) from one
// file's last byte to the next one's first.

#include "app/CreateStorage.h"
#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "storage/CStowelineClass.h"
#include "tests/support/PlanThreads.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kFileBytes = 64LL * 1024 * 1024;
constexpr int kChannels = 2;
constexpr int kFiles = 2;

int NoDiskFull(int, int, int, int)
{
    return 1;
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

struct Figures
{
    double dataPathMiBs = 0; // bytes over the summed first-to-last-byte times
    double aggregateMiBs =
        0; // all bytes over the span from the first file's first byte to the last file's last
    double fixedCostMs = 0; // mean gap between consecutive files of one worker
    qint64 bytes = 0;
};

void MapDrive(const QString& appDir, const QString& disk)
{
    QFile conf(appDir + "/Drives.conf");
    conf.open(QIODevice::WriteOnly);
    conf.write("D=" + QFile::encodeName(disk) + "\n");
}

Figures RunEngine(int plans, CSimRecorders& recorders, const QDate& yesterday, const QString& disk)
{
    CTempDatabase db; // a fresh database for every run
    MapDrive(db.Dir(), disk);
    auto model = std::make_unique<CSysInfoManage>();
    g_pSysInfoManage = model.get();
    SYSTEM_CONFIG config;
    CopyString26(config.Disk, "D");
    model->SetSystemConfig(&config);
    CreateStorage(NoDiskFull, config);

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

    Figures figures;
    qint64 first = std::numeric_limits<qint64>::max(), last = 0, busyNs = 0, gapNs = 0;
    int gaps = 0;
    for (auto& t : threads) {
        t->control.Stop();
        t->control.wait();
        t->current.wait();
        const QList<FILE_TIMING> timings = t->current.FileTimings();
        for (int i = 0; i < timings.size(); ++i) {
            figures.bytes += timings[i].Bytes;
            busyNs += timings[i].LastByteNs - timings[i].FirstByteNs;
            first = std::min(first, timings[i].FirstByteNs);
            last = std::max(last, timings[i].LastByteNs);
            if (i > 0) {
                gapNs += timings[i].FirstByteNs - timings[i - 1].LastByteNs;
                ++gaps;
            }
        }
    }
    threads.clear();
    const double mib = double(figures.bytes) / (1024.0 * 1024.0);
    // Every file's bytes over its own transfer time: the rate of one stream, while `plans` streams run at
    // once.
    figures.dataPathMiBs = busyNs > 0 ? mib / (double(busyNs) / 1e9) : 0;
    figures.aggregateMiBs = last > first ? mib / (double(last - first) / 1e9) : 0;
    figures.fixedCostMs = gaps > 0 ? double(gapNs) / gaps / 1e6 : 0;
    ReleaseStorage();
    g_pSysInfoManage = nullptr;
    return figures;
}

double RawPlayback(CRecorderSim& sim, const QDate& yesterday)
{
    const QByteArray address = sim.AddressBytes();
    const int login = NET_DVR_Login_V30(address.constData(), sim.Port(), "admin", "12345", nullptr);
    std::atomic<qint64> bytes{0};
    QElapsedTimer timer;
    timer.start();
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
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    NET_DVR_Logout_V30(login);
    return double(bytes) / (1024.0 * 1024.0) / seconds;
}

double RawStorage(const QString& disk)
{
    CStowelineClass storage;
    STOWELINE_INIT_PARAM param;
    param.DiskPaths.Append(QFile::encodeName(disk).constData());
    param.ReserveMB = 0;
    storage.Init(&param);
    std::vector<uint8_t> block(64 * 1024, 0x5A);
    // Like the data path, from the first write to the last; the close (which makes the file durable) is the
    // fixed cost per file.
    qint64 writeNs = 0;
    qint64 bytes = 0;
    for (int f = 0; f < kChannels * kFiles; ++f) {
        CHANNEL_RECORD_KEY key;
        key.StartTime = {2020, 1, 1, uint8_t(f), 0, 0, 0};
        key.StopTime = {2020, 1, 1, uint8_t(f), 59, 59, 0};
        storage.OpenChannelRecord("raw_0_1", 0, &key);
        QElapsedTimer timer;
        timer.start();
        for (qint64 done = 0; done < kFileBytes; done += qint64(block.size())) {
            storage.WriteChannelRecord("raw_0_1", done == 0 ? 1 : 2, block.data(), uint32_t(block.size()),
                                       &key);
            bytes += qint64(block.size());
        }
        writeNs += timer.nsecsElapsed();
        storage.CloseChannelRecord("raw_0_1", &key);
    }
    const double seconds = double(writeNs) / 1e9;
    storage.Uninit();
    return double(bytes) / (1024.0 * 1024.0) / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir disk;
    const QDate yesterday = QDate::currentDate().addDays(-1);
    CSimRecorders recorders(3000, 5000);

    std::printf("engine data path, %d channels x %d files of %lld MiB per plan, real clock\n", kChannels,
                kFiles, kFileBytes >> 20);
    for (int plans : {1, 8}) {
        if (QTime::currentTime() > QTime(21, 50)) {
            std::printf("skipped: the benchmark's two-hour window would cross midnight\n");
            return 0;
        }
        const Figures figures = RunEngine(plans, recorders, yesterday, disk.path());
        CSimRecorders raw(3000, 5000);
        CRecorderSim* sim =
            raw.Add(CSimRecorders::MakeConfig(kChannels, QList<qint64>(kFiles, kFileBytes), yesterday, 99));
        const double playback = RawPlayback(*sim, yesterday);
        const double storage = RawStorage(disk.path());
        const double slower = std::min(playback, storage);
        std::printf("%d plan(s) at once: %.0f MiB stored\n", plans,
                    double(figures.bytes) / (1024.0 * 1024.0));
        std::printf("  data path, one stream (first to last byte of each file)  %6.0f MiB/s\n",
                    figures.dataPathMiBs);
        std::printf("  aggregate, all streams (first byte to last byte)         %6.0f MiB/s\n",
                    figures.aggregateMiBs);
        std::printf("  raw play-back through the device layer, one stream      %6.0f MiB/s\n", playback);
        std::printf("  raw writes through the storage layer, one stream        %6.0f MiB/s\n", storage);
        std::printf("  data path / slower raw path                             %6.0f %%   (target 80%%)\n",
                    100.0 * figures.dataPathMiBs / slower);
        std::printf("  fixed cost per file (last byte to the next first byte)  %6.0f ms\n",
                    figures.fixedCostMs);
    }
    return 0;
}

// The state page under a full load of progress: 32 plans, each with its current and its overdue list running,
// every list reporting its channel bytes, its percent and its megabytes every 100 ms of engine time for one
// minute of engine time, a new file every 2 s and a new channel every 10 s, wired to the page as the engine's
// execute threads are (queued, the file start direct). The page is shown, so its views paint. Prints the
// share of one core that the GUI thread used. Target: under 5%.
//
// Usage: bench_gui_statepage [engine seconds per real second, default 1]. A faster clock sends the same
// reports in less real time; the share is then also given per engine second.

#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int kPlans = 32;
constexpr qint64 kRunMs = 60 * 1000;
constexpr qint64 kTickMs = 100;
constexpr long long kMiB = 1024 * 1024;
constexpr long long kChannelBytes = 2000 * kMiB;
constexpr int kChannels = 6;

std::atomic<long long> g_reports{0};

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Reports like an execute thread that downloads a list of kChannels channels.
class CProgressSender : public QThread
{
    Q_OBJECT

public:
    CProgressSender(int plan, int isPast) : m_plan(plan), m_isPast(isPast) {}

Q_SIGNALS:
    void StartGroupDownLoad(int plan, int isPast, long long total);
    void StartChannelDownLoad(int plan, int isPast, int slot, long long total);
    void StartFileDownLoad(int plan, int isPast, NET_DVR_TIME start, NET_DVR_TIME stop);
    void ChannelDownloadSize(int plan, int isPast, long long done);
    void GroupDownloadPos(int plan, int isPast, int percent);
    void GroupDownloadSize(int megabytes, int plan, int isPast);

protected:
    void run() override
    {
        const long long total = kChannels * kChannelBytes;
        const QDateTime start = EngineNow();
        Q_EMIT StartGroupDownLoad(m_plan, m_isPast, total);
        long long done = 0;
        for (qint64 tick = 0; start.msecsTo(EngineNow()) < kRunMs; ++tick) {
            const int channel = int(tick / 100) % kChannels;
            if (tick % 100 == 0)
                Q_EMIT StartChannelDownLoad(m_plan, m_isPast, channel, kChannelBytes);
            if (tick % 20 == 0) {
                const QDateTime file = start.addSecs(tick / 10);
                Q_EMIT StartFileDownLoad(m_plan, m_isPast, SimTime(file), SimTime(file.addSecs(2)));
            }
            done += kChannelBytes / 100;
            Q_EMIT ChannelDownloadSize(m_plan, m_isPast, (tick % 100) * (kChannelBytes / 100));
            Q_EMIT GroupDownloadPos(m_plan, m_isPast, int(done * 100 / total) % 101);
            Q_EMIT GroupDownloadSize(int(done / kMiB), m_plan, m_isPast);
            g_reports += 3 + int(tick % 100 == 0) + int(tick % 20 == 0);
            EngineSleep(kTickMs);
        }
    }

private:
    const int m_plan;
    const int m_isPast;
};

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    const double scale = argc > 1 ? std::max(1.0, QByteArray(argv[1]).toDouble()) : 1.0;

    CEngineFixture fixture(QDateTime::currentDateTime(), scale);
    const int device =
        fixture.AddDevice(CSimRecorders::MakeConfig(kChannels, {}, QDate::currentDate()), "Bench");
    for (int plan = 0; plan < kPlans; ++plan) {
        if (!fixture.AddPlan(plan, {{int16_t(device), 1}, {int16_t(device), 2}}, SCHEDULE_WEEKDAY())) {
            std::fprintf(stderr, "could not set up plan %d\n", plan);
            return 1;
        }
    }
    g_pSysInfoManage->SetBackupMode(2);
    CViewState page;
    page.resize(862, 686);
    page.show();

    std::vector<std::unique_ptr<CProgressSender>> senders;
    for (int plan = 0; plan < kPlans; ++plan) {
        for (const int isPast : {0, 1}) {
            auto sender = std::make_unique<CProgressSender>(plan, isPast);
            CProgressSender* s = sender.get();
            QObject::connect(s, &QThread::started, &page, &CViewState::IncDownLoadNum);
            QObject::connect(s, &QThread::finished, &page, &CViewState::DecDownLoadNum);
            QObject::connect(s, &CProgressSender::GroupDownloadSize, &page, &CViewState::SetDayDownLoad);
            QObject::connect(s, &CProgressSender::StartGroupDownLoad, &page,
                             &CViewState::ViewStartGroupDownLoad);
            QObject::connect(s, &CProgressSender::StartChannelDownLoad, &page,
                             &CViewState::ViewStartChannelDownLoad);
            QObject::connect(s, &CProgressSender::StartFileDownLoad, &page,
                             &CViewState::ViewStartFileDownLoad, Qt::DirectConnection);
            QObject::connect(s, &CProgressSender::ChannelDownloadSize, &page,
                             &CViewState::ViewChannelDownloadSize);
            QObject::connect(s, &CProgressSender::GroupDownloadPos, &page, &CViewState::ViewGroupDownloadPos);
            senders.push_back(std::move(sender));
        }
    }

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuSeconds();
    for (auto& sender : senders)
        sender->start();
    // The GUI thread runs its event loop until every sender has ended and its reports are shown.
    // A loop of its own: the application's quit asks the windows to close, and the page never closes.
    QEventLoop loop;
    int running = int(senders.size());
    for (auto& sender : senders)
        QObject::connect(sender.get(), &QThread::finished, &app, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
    loop.exec();
    QApplication::processEvents();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000.0;
    for (auto& sender : senders)
        sender->wait();

    const double engineSeconds = double(kRunMs) / 1000.0;
    std::printf("state page: %d lists, %lld reports in %.1f s real (%.0f engine s, scale %.0f)\n",
                int(senders.size()), g_reports.load(), seconds, engineSeconds, scale);
    std::printf("GUI thread CPU: %.2f s = %.1f%% of one core over the run; %.1f%% per engine second "
                "(target under 5%%)\n",
                cpu, 100.0 * cpu / seconds, 100.0 * cpu / engineSeconds);
    return 0;
}

#include "bench_gui_statepage.moc"

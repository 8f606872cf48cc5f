// Play-back throughput: 1 GiB from a simulated recorder on loopback at unlimited rate through the device
// layer, beside a raw loopback TCP copy of the same size in the same run. Prints both rates and their ratio.

#include "sdk/DeviceSdk.h"
#include "tests/support/SimRecorders.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kBytes = qint64(1) << 30;

struct Counter
{
    std::atomic<qint64> Bytes{0};
    static void Callback(int32_t, uint32_t, uint8_t*, uint32_t size, void* user)
    {
        static_cast<Counter*>(user)->Bytes.fetch_add(size, std::memory_order_relaxed);
    }
};

// Bytes per second of a plain sender/receiver pair on loopback, 256 KiB writes, 1 MiB reads.
double RawCopy()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ::listen(listener, 1);
    QElapsedTimer timer;
    std::thread sender([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        std::vector<char> block(256 * 1024, 'x');
        qint64 sent = 0;
        while (sent < kBytes) {
            const ssize_t n =
                ::send(fd, block.data(), size_t(std::min<qint64>(qint64(block.size()), kBytes - sent)),
                       MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += n;
        }
        ::close(fd);
    });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    timer.start();
    std::vector<char> buffer(1024 * 1024);
    qint64 received = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        received += n;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    sender.join();
    ::close(fd);
    ::close(listener);
    return received == kBytes ? double(received) / seconds : 0;
}

double ThroughLayer()
{
    CSimRecorders sims(3000, 5000);
    const QDate day(2024, 5, 1);
    CRecorderSim* sim = sims.Add(CSimRecorders::MakeConfig(1, {kBytes - kSimHeaderBlockSize}, day));
    if (!sim)
        return 0;
    const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    const NET_DVR_TIME start = SdkTime(2024, 5, 1, 8, 0, 0);
    const NET_DVR_TIME stop = SdkTime(2024, 5, 1, 9, 0, 0);
    const int play = NET_DVR_PlayBackByTime(login, 1, &start, &stop, nullptr);
    int64_t length = 0;
    NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr);
    Counter counter;
    NET_DVR_SetPlayDataCallBack(play, &Counter::Callback, &counter);
    QElapsedTimer timer;
    timer.start();
    NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
    int position = 0;
    // Polled as the engine does, only more often, so the end is seen promptly.
    while (position < 100 &&
           NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    NET_DVR_StopPlayBack(play);
    NET_DVR_Logout_V30(login);
    NET_DVR_Cleanup();
    if (counter.Bytes != length || length != kBytes) {
        std::printf("play-back delivered %lld of %lld bytes\n", static_cast<long long>(counter.Bytes.load()),
                    static_cast<long long>(length));
        return 0;
    }
    return double(length) / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double raw = RawCopy();
    const double layer = ThroughLayer();
    const double raw2 = RawCopy();
    const double rawBest = std::max(raw, raw2);
    std::printf("raw loopback TCP copy : %8.1f MiB/s (1 GiB, best of two runs: %.1f and %.1f)\n",
                rawBest / 1048576.0, raw / 1048576.0, raw2 / 1048576.0);
    std::printf(
        "play-back via layer   : %8.1f MiB/s (1 GiB, header + stream blocks into a counting callback)\n",
        layer / 1048576.0);
    std::printf("ratio                 : %8.1f %% (target at least 70 %%)\n",
                rawBest > 0 ? 100.0 * layer / rawBest : 0);
    return layer > 0 && raw > 0 ? 0 : 1;
}

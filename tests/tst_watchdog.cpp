// The watchdog heartbeat and the throughput read-out: a missing last heartbeat, a second one, or a stop that
// hangs the close would be seen by the service manager or the operator; a wrong difference or a spike after a
// counter reset would put nonsense on the main window every second.

#include "platform/CWatchDogModel.h"
#include "platform/MFNetTraffic.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace {

class CFakeWatchDog : public IWatchDogService
{
public:
    void OpenWatchDog(int mode) override { Add(100 + mode); }
    void SendHeartbeat(int code) override { Add(code); }
    QList<int> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    void Add(int call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.append(call);
    }
    mutable std::mutex m_mutex;
    QList<int> m_calls; // 101 for the opening, else the heartbeat code
};

// The kernel's layout: two header lines, then "name: rx_bytes rx_packets ... tx_bytes ...".
void WriteCounters(const QString& path, const QList<QPair<QByteArray, quint64>>& interfaces)
{
    QByteArray text = "Inter-|   Receive                            |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes ...\n";
    for (const auto& [name, received] : interfaces)
        text += "  " + name + ": " + QByteArray::number(received) +
                "   17    0    0    0     0  0  0  999  3  0\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class TestWatchDog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopInTheFirstSecondAndTwice();
    void runsAFewSeconds();
    void notifySocketMessages();
    void trafficReadings();
};

void TestWatchDog::stopInTheFirstSecondAndTwice()
{
    CScopedEngineClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)), 1.0);
    auto fake = std::make_shared<CFakeWatchDog>();
    CWatchDogModel watchDog(fake);
    QVERIFY(watchDog.Start());
    QVERIFY(!watchDog.Start()); // one thread only
    QElapsedTimer timer;
    timer.start();
    QVERIFY(watchDog.Stop());
    QVERIFY2(timer.elapsed() < 500, "the stop waited for the end of the second");
    QVERIFY(watchDog.Stop());
    QCOMPARE(fake->Calls(), QList<int>({101, 2}));
}

void TestWatchDog::runsAFewSeconds()
{
    // Ten engine seconds pass in 100 ms of real time.
    CScopedEngineClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)), 100.0);
    auto fake = std::make_shared<CFakeWatchDog>();
    CWatchDogModel watchDog(fake);
    QVERIFY(watchDog.Start());
    QTRY_VERIFY_WITH_TIMEOUT(fake->Calls().count(0) >= 10, 5000);
    watchDog.Stop();
    // Opened once, stopped once, and only heartbeats in between.
    const QList<int> calls = fake->Calls();
    QCOMPARE(calls.first(), 101);
    QCOMPARE(calls.last(), 2);
    QCOMPARE(calls.count(0), calls.size() - 2);
}

void TestWatchDog::notifySocketMessages()
{
    // The service manager's side: a datagram socket at a path of the test's own directory.
    const QByteArray path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("notify")).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));

    CNotifyWatchDog service(path);
    service.OpenWatchDog(1); // says nothing
    service.SendHeartbeat(0);
    service.SendHeartbeat(2);
    char buffer[64];
    QByteArray received;
    for (int i = 0; i < 2; ++i) {
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        QVERIFY(n > 0);
        received += QByteArray(buffer, int(n)) + ";";
    }
    ::close(fd);
    QCOMPARE(received, QByteArray("WATCHDOG=1;STOPPING=1;"));
}

void TestWatchDog::trafficReadings()
{
    const QString path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("net-dev"));
    // Counters beyond 32 bits must not wrap: a recorder network moves 4 GiB in well under a day.
    const quint64 base = quint64(1) << 33;
    WriteCounters(path, {{"lo", 1}, {"eth0", base}, {"wlan0", 100}});
    MFNetTraffic meter(path);
    QCOMPARE(meter.Interfaces(), QStringList({QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    QCOMPARE(meter.ReadTraffic(0), 0.0); // the first reading only sets the base
    // Every interface together, loopback traffic not counted.
    WriteCounters(path, {{"lo", 999999}, {"eth0", base + 2048}, {"wlan0", 612}});
    QCOMPARE(meter.ReadTraffic(0), 2560.0);

    // A counter reset (driver reloaded): 0, never a huge figure, and the next second counts from there.
    WriteCounters(path, {{"lo", 1}, {"eth0", 300}});
    QCOMPARE(meter.ReadTraffic(0), 0.0);
    WriteCounters(path, {{"lo", 1}, {"eth0", 800}});
    QCOMPARE(meter.ReadTraffic(0), 500.0);
}

VARROW_TEST_MAIN(TestWatchDog, QCoreApplication)
#include "tst_watchdog.moc"

// The watchdog heartbeat: a missing last heartbeat, a second one, or a stop that hangs the close would all be
// seen by the service manager or the operator.

#include "platform/CWatchDogModel.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/TestSupport.h"

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
    int Count(int code) const { return int(Calls().count(code)); }

private:
    void Add(int call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.append(call);
    }
    mutable std::mutex m_mutex;
    QList<int> m_calls; // 101 for the opening, else the heartbeat code
};

} // namespace

class TestWatchDog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopInTheFirstSecond();
    void runsAFewSeconds();
    void stopTwiceAndWithoutStart();
    void notifySocketMessages();
};

void TestWatchDog::stopInTheFirstSecond()
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
    QCOMPARE(fake->Calls(), QList<int>({101, 2}));
}

void TestWatchDog::runsAFewSeconds()
{
    // Ten engine seconds pass in 100 ms of real time.
    CScopedEngineClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)), 100.0);
    auto fake = std::make_shared<CFakeWatchDog>();
    CWatchDogModel watchDog(fake);
    QVERIFY(watchDog.Start());
    QTRY_VERIFY_WITH_TIMEOUT(fake->Count(0) >= 10, 5000);
    watchDog.Stop();
    const QList<int> calls = fake->Calls();
    // Opened once, stopped once, and only heartbeats in between.
    QCOMPARE(calls.first(), 101);
    QCOMPARE(calls.last(), 2);
    QCOMPARE(fake->Count(0), calls.size() - 2);
}

void TestWatchDog::stopTwiceAndWithoutStart()
{
    auto fake = std::make_shared<CFakeWatchDog>();
    {
        CWatchDogModel idle(fake);
        QVERIFY(idle.Stop());
    }
    QVERIFY(fake->Calls().isEmpty());

    CWatchDogModel watchDog(fake);
    QVERIFY(watchDog.Start());
    QVERIFY(watchDog.Stop());
    QVERIFY(watchDog.Stop());
    QCOMPARE(fake->Count(2), 1);
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

    // Without a socket, nothing is sent and nothing fails.
    CNotifyWatchDog silent(QByteArray{});
    silent.SendHeartbeat(0);
}

VARROW_TEST_MAIN(TestWatchDog, QCoreApplication)
#include "tst_watchdog.moc"

// The device layer against simulated recorders, and the simulator's own guards. A fault here adds a recorder
// with the wrong channels, hangs the engine on a silent recorder, stores a file with missing or extra bytes,
// or lets the callback write after the engine closed its record.

#include "sdk/SdkConnection.h"
#include "sdk/SdkContext.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>

#include <arpa/inet.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// Collects what the callback receives, in order.
struct Collector
{
    std::mutex Mutex;
    QByteArray Data;
    std::atomic<bool> Stopped{false};
    std::atomic<int> CallsAfterStop{0};

    static void Callback(int32_t, uint32_t, uint8_t* buffer, uint32_t size, void* user)
    {
        auto* self = static_cast<Collector*>(user);
        if (self->Stopped)
            ++self->CallsAfterStop;
        std::lock_guard lock(self->Mutex);
        self->Data.append(reinterpret_cast<const char*>(buffer), qsizetype(size));
    }

    qsizetype Size()
    {
        std::lock_guard lock(Mutex);
        return Data.size();
    }
};

const QDate kDay(2024, 5, 1);

// A recorder's wall-clock time as the simulator's recordings take it.
QDateTime FromSim(const NET_DVR_TIME& t)
{
    return QDateTime(QDate(int(t.Year), int(t.Month), int(t.Day)),
                     QTime(int(t.Hour), int(t.Minute), int(t.Second)), Qt::UTC);
}

NET_DVR_TIME At(int hour, int minute = 0)
{
    return SdkTime(2024, 5, 1, hour, minute, 0);
}

int LoginTo(const CRecorderSim* sim)
{
    return NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
}

// One simulated recorder and a login to it.
struct CRig
{
    explicit CRig(SimRecorderConfig config, int connectMs = 2000, int answerMs = 3000)
        : Sims(connectMs, answerMs), Sim(Sims.Add(std::move(config))), Login(Sim ? LoginTo(Sim) : -1)
    {
    }
    // Logs out; true when the recorder then sees every connection end.
    bool Idle()
    {
        NET_DVR_Logout_V30(Login);
        return Sims.WaitForIdle();
    }

    CSimRecorders Sims;
    CRecorderSim* Sim;
    int Login;
};

// Opens a play-back of the range, hands its data to the collector and starts the stream.
int Play(int login, const NET_DVR_TIME& start, const NET_DVR_TIME& stop, Collector& collector)
{
    const int play = NET_DVR_PlayBackByTime(login, 1, &start, &stop, nullptr);
    NET_DVR_SetPlayDataCallBack(play, &Collector::Callback, &collector);
    NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
    return play;
}

bool SameTime(const NET_DVR_TIME& a, const NET_DVR_TIME& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

NET_DVR_FILE_CONDITION Condition(int channel, const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    NET_DVR_FILE_CONDITION condition;
    condition.Channel = channel;
    condition.StartTime = start;
    condition.StopTime = stop;
    return condition;
}

} // namespace

class TestSdkSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultTimeOuts();
    void loginsAndHandles();
    void silentRecorderFailsWithinTheTimeOut();
    void simulatorClosesOnBadFrames();
    void simulatorClosesAnEndedConnection_data();
    void simulatorClosesAnEndedConnection();
    void cleanupWithLiveHandlesFailsThemCleanly();
    void badScenariosAreRefused();
    void playbackDeliversExactlyTheReportedRange_data();
    void playbackDeliversExactlyTheReportedRange();
    void nothingArrivesAfterStopReturns();
    void stopFromInsideTheCallbackDoesNotWait();
    void lateAnswersAndUnrepresentableLengths();
    void closedConnectionNoticedAtOnce();
    void closedWhileARequestWaits_data();
    void closedWhileARequestWaits();
    void peerGoneWhileARequestIsSent();
    void sessionLivesWhileItsPlayBackAsks();
    void everyMonthThroughTheTimeChecks_data();
    void everyMonthThroughTheTimeChecks();
};

void TestSdkSession::defaultTimeOuts()
{
    // First of all, before any recorder of the tests sets its own: a connect waits 3 s, an answer 5 s; a time
    // of 0 leaves a time-out as it was.
    CSdkContext& context = CSdkContext::Instance();
    QCOMPARE(context.ConnectTimeout(), 3000);
    QCOMPARE(context.AnswerTimeout(), 5000);
    NET_DVR_SetTimeouts(0, 0);
    QCOMPARE(context.ConnectTimeout(), 3000);
    QCOMPARE(context.AnswerTimeout(), 5000);
}

void TestSdkSession::loginsAndHandles()
{
    SimRecorderConfig config;
    config.AnalogChannels = 4;
    CRig rig(config);
    QVERIFY(rig.Login >= 0);
    // A buffer too small for the channel block gets nothing rather than a cut block; a config of a channel
    // the recorder lacks fails with its own error.
    std::vector<uint8_t> block(1000, 0);
    const uint32_t size = 50792;
    std::memcpy(block.data(), &size, 4);
    QVERIFY(!NET_DVR_GetDVRConfig(rig.Login, NET_DVR_GET_IPCHANNEL_CONFIG, 0, block.data(), 1000, nullptr));
    QVERIFY(!NET_DVR_GetDVRConfig(rig.Login, NET_DVR_GET_COMPRESSION_CONFIG, 9, block.data(), 116, nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_CHANNEL_ERROR));

    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", rig.Sim->Port(), "admin", "wrong", nullptr), -1);
    // The last error is the calling thread's own: a success elsewhere does not clear it.
    std::thread([&] { NET_DVR_Logout_V30(LoginTo(rig.Sim)); }).join();
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PASSWORD_ERROR));
    // Names are resolved by the caller: a name here must fail at once, not block on a resolver.
    QCOMPARE(NET_DVR_Login_V30("recorder.example", rig.Sim->Port(), "admin", "12345", nullptr), -1);

    // A second logout of the same handle must not reach a later session.
    QList<int> seen{rig.Login};
    for (int i = 0; i < 3; ++i) {
        const int login = LoginTo(rig.Sim);
        QVERIFY(login >= 0 && !seen.contains(login));
        seen.append(login);
        QVERIFY(NET_DVR_Logout_V30(login));
        QVERIFY(!NET_DVR_Logout_V30(login));
    }
    QVERIFY(rig.Idle());
    QCOMPARE(rig.Sim->Calls(QStringLiteral("logout")).size(), 5);
}

void TestSdkSession::silentRecorderFailsWithinTheTimeOut()
{
    SimRecorderConfig config;
    config.Silent = true;
    CRig rig(config, 300, 300);
    QCOMPARE(rig.Login, -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));

    // A recorder that falls silent after the login: the next answer times out.
    rig.Sim->SetSilent(false);
    rig.Login = LoginTo(rig.Sim);
    QVERIFY(rig.Login >= 0);
    rig.Sim->SetSilent(true);
    NET_DVR_COMPRESSION_CONFIG compression;
    QVERIFY(!NET_DVR_GetDVRConfig(rig.Login, NET_DVR_GET_COMPRESSION_CONFIG, 1, &compression,
                                  sizeof(compression), nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));
    // Later calls fail at once on the broken connection: a recorder speaking again must not be read out of
    // step.
    rig.Sim->SetSilent(false);
    const NET_DVR_FILE_CONDITION condition = Condition(1, At(0), At(1));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(NET_DVR_FindFile_V30(rig.Login, &condition), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_ERROR));
    QVERIFY(timer.elapsed() < 300);
    QVERIFY(rig.Idle());
}

void TestSdkSession::simulatorClosesOnBadFrames()
{
    // The simulator faces whatever connects to it: a client must not make it hold memory for a payload it
    // declares (4 MiB a frame took 774 MB over 64 connections), nor answer a search for a date that no
    // calendar has.
    CRig rig{SimRecorderConfig()};
    QVERIFY(rig.Sim);
    const auto connectRaw = [&rig] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(rig.Sim->Port());
        return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
    };
    const auto answerOf = [](int fd, const std::vector<uint8_t>& frame) {
        uint8_t header[SdkWire::kHeaderSize];
        SdkWire::FrameHeader decoded;
        if (::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) != ssize_t(frame.size()) ||
            ::recv(fd, header, sizeof header, MSG_WAITALL) != ssize_t(sizeof header) ||
            !SdkWire::DecodeHeader(header, &decoded))
            return uint32_t(-1);
        std::vector<uint8_t> payload(decoded.Length);
        if (!payload.empty()) // a read of nothing would wait for the next byte
            ::recv(fd, payload.data(), payload.size(), MSG_WAITALL);
        return decoded.Status;
    };
    const uint8_t garbage[12] = {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1'};
    uint8_t large[12];
    SdkWire::EncodeHeader(large, SdkWire::Login, 0, SdkWire::kMaxPayload); // closed before it is sent
    for (const uint8_t* frame : {garbage, static_cast<const uint8_t*>(large)}) {
        const int fd = connectRaw();
        QVERIFY(fd >= 0);
        QCOMPARE(::send(fd, frame, 12, MSG_NOSIGNAL), ssize_t(12));
        pollfd p{fd, POLLIN, 0};
        char byte;
        QVERIFY(::poll(&p, 1, 1000) == 1 && ::recv(fd, &byte, 1, 0) <= 0);
        ::close(fd);
    }

    const int fd = connectRaw();
    QVERIFY(fd >= 0);
    QCOMPARE(answerOf(fd, SdkWire::CWriter().Text("admin").Text("12345").Finish(SdkWire::Login)),
             uint32_t(NET_DVR_NOERROR));
    NET_DVR_TIME february = At(0);
    february.Month = 2;
    february.Day = 30;
    QCOMPARE(answerOf(fd, SdkWire::CWriter().I32(1).U32(0xFF).Time(february).Time(At(1)).Finish(
                              SdkWire::FindOpen)),
             uint32_t(NET_DVR_PARAMETER_ERROR));
    ::close(fd);
}

void TestSdkSession::simulatorClosesAnEndedConnection_data()
{
    // What follows a login answered late; while the recorder waits, the client fills its receive buffer.
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("closeOn");
    const auto bytes = [](const std::vector<uint8_t>& frame) {
        return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
    };
    uint8_t large[SdkWire::kHeaderSize];
    SdkWire::EncodeHeader(large, SdkWire::Login, 0, SdkWire::kMaxPayload);
    QTest::newRow("a login of 4 MiB")
        << QByteArray(reinterpret_cast<const char*>(large), sizeof large) << QString();
    QTest::newRow("not this protocol") << QByteArray("GET / HTTP/1.1\r\n") << QString();
    QTest::newRow("scripted close") << bytes(SdkWire::CWriter().Finish(SdkWire::Logout))
                                    << QStringLiteral("logout");
}

void TestSdkSession::simulatorClosesAnEndedConnection()
{
    // A client that goes on sending after the recorder ended its session (a 4 MiB frame of junk as a login)
    // must find the connection closed. A connection only shut down keeps its full receive window: the client
    // waits on it for ever, and the recorder keeps it until somebody else connects.
    QFETCH(QByteArray, after);
    QFETCH(QString, closeOn);
    SimRecorderConfig config;
    config.LoginDelayMs = 300;
    config.CloseOn = closeOn;
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(sim->Port());
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const std::vector<uint8_t> login = SdkWire::CWriter().Text("admin").Text("12345").Finish(SdkWire::Login);
    QByteArray first(reinterpret_cast<const char*>(login.data()), qsizetype(login.size()));
    first += after;
    QCOMPARE(::send(fd, first.constData(), size_t(first.size()), MSG_NOSIGNAL), ssize_t(first.size()));

    // Far more than the socket buffers of both ends hold, so a connection left open blocks the sender.
    const QByteArray junk(64 * 1024, 'x');
    QElapsedTimer waited;
    waited.start();
    int error = 0;
    qint64 sent = 0;
    while (error == 0 && waited.elapsed() < 3000) {
        const ssize_t n = ::send(fd, junk.constData(), size_t(junk.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    QVERIFY2(error == EPIPE || error == ECONNRESET,
             qPrintable(QStringLiteral("after %1 bytes in %2 ms: %3")
                            .arg(sent)
                            .arg(waited.elapsed())
                            .arg(QString::fromLocal8Bit(std::strerror(error)))));
    QVERIFY(waited.elapsed() < 2000);
    QCOMPARE(sim->OpenConnections(), 0);
}

void TestSdkSession::cleanupWithLiveHandlesFailsThemCleanly()
{
    CRig rig(CSimRecorders::MakeConfig(1, {1 << 20}, kDay));
    const NET_DVR_FILE_CONDITION condition = Condition(1, At(0), At(23));
    const int search = NET_DVR_FindFile_V30(rig.Login, &condition);
    Collector collector;
    const int play = Play(rig.Login, At(8), At(9), collector);
    QVERIFY(rig.Login >= 0 && search >= 0 && play >= 0);

    QVERIFY(NET_DVR_Cleanup());
    NET_DVR_FILE_DATA found;
    QCOMPARE(NET_DVR_FindNextFile_V30(search, &found), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NOINIT));
    QVERIFY(!NET_DVR_StopPlayBack(play));
    QVERIFY(!NET_DVR_Logout_V30(rig.Login));
    // The recorder sees every connection end.
    QVERIFY(rig.Sims.WaitForIdle());
    QVERIFY(NET_DVR_Init());
}

void TestSdkSession::badScenariosAreRefused()
{
    // Not JSON, a recording that stops before it starts, sizes and day counts no recorder could serve.
    const QByteArray channel = R"({"recorders": [{"channels": [{"number": 1, )";
    const QList<QByteArray> scenarios = {
        "{recorders: [",
        channel +
            R"("recordings": [{"start": "2024-05-01T10:00", "stop": "2024-05-01T09:00", "size": 5}]}]}]})",
        channel +
            R"("recordings": [{"start": "2024-05-01T10:00", "stop": "2024-05-01T11:00", "size": 1e15}]}]}]})",
        channel + R"("days": 1000000, "daily": [{"start": "08:00:00", "stop": "09:00:00", "size": 5}]}]}]})"};
    for (const QByteArray& json : scenarios) {
        QList<SimRecorderConfig> recorders;
        QString error;
        QVERIFY2(!ParseSimScenario(json, QDate(2024, 5, 10), &recorders, &error), json);
        QVERIFY(!error.isEmpty() && recorders.isEmpty());
    }
}

void TestSdkSession::playbackDeliversExactlyTheReportedRange_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<int>("toHour");
    QTest::addColumn<int>("toMinute");
    QTest::newRow("inside one recording") << QList<qint64>{3600 * 1000 + 17} << 8 << 50;
    QTest::newRow("across two recordings") << QList<qint64>{36000, 72000} << 9 << 15;
}

void TestSdkSession::playbackDeliversExactlyTheReportedRange()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(int, toHour);
    QFETCH(int, toMinute);
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, sizes, kDay, 42);
    config.Channel(1).Faults.DataBeforeStart = true; // out of turn: never the caller's to write
    CRig rig(config);
    const NET_DVR_TIME start = At(8, 30);
    const NET_DVR_TIME stop = At(toHour, toMinute);
    const int play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
    QVERIFY(play >= 0);
    int64_t length = 0;
    QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr));
    const CSimPlaybackContent expected = rig.Sim->Expected(1, start, stop);
    QCOMPARE(length, expected.Length());
    // The speed of code 28 is a 4-byte value: a shorter one is refused before it reaches the recorder.
    const int32_t speed = 16;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_SET_SPEED, &speed, 3, nullptr, nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PARAMETER_ERROR));
    QVERIFY(rig.Sim->Calls(QStringLiteral("speed")).isEmpty());

    Collector collector;
    QVERIFY(NET_DVR_SetPlayDataCallBack(play, &Collector::Callback, &collector));
    QVERIFY(NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));
    int position = 0;
    while (position < 100) {
        QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
        QTest::qWait(5);
    }
    // Position 100 is answered after the last block, so every byte is already in the callback.
    {
        std::lock_guard lock(collector.Mutex);
        QVERIFY(collector.Data == expected.Bytes(0, length));
    }
    QVERIFY(NET_DVR_StopPlayBack(play));

    const NET_DVR_TIME empty = At(20);
    QCOMPARE(NET_DVR_PlayBackByTime(rig.Login, 1, &empty, &empty, nullptr), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NO_FILE));
    QVERIFY(rig.Idle());
}

void TestSdkSession::nothingArrivesAfterStopReturns()
{
    CRig rig(CSimRecorders::MakeConfig(1, {qint64(1) << 32}, kDay));
    for (int round = 0; round < 3; ++round) {
        Collector collector;
        const int play = Play(rig.Login, At(8), At(9), collector);
        QVERIFY(play >= 0);
        QTRY_VERIFY(collector.Size() >= 1 << 20);
        QVERIFY(NET_DVR_StopPlayBack(play));
        collector.Stopped = true;
        QCOMPARE(rig.Sim->Counters().Playbacks, 0);
        QTest::qWait(20);
        QCOMPARE(collector.CallsAfterStop.load(), 0);
    }
    QVERIFY(rig.Idle());
}

void TestSdkSession::stopFromInsideTheCallbackDoesNotWait()
{
    // The stop's answer could only be read by the thread that runs the callback: waiting for it would hold
    // the stream for the whole answer time-out.
    CRig rig(CSimRecorders::MakeConfig(1, {1 << 22}, kDay), 1000, 3000);
    struct CStopper
    {
        int play = -1;
        std::atomic<qint64> stopMs{-1};
    } stopper;
    const NET_DVR_TIME start = At(8), stop = At(9);
    stopper.play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
    NET_DVR_SetPlayDataCallBack(
        stopper.play,
        [](int32_t, uint32_t, uint8_t*, uint32_t, void* user) {
            auto* self = static_cast<CStopper*>(user);
            if (self->stopMs >= 0)
                return;
            QElapsedTimer timer;
            timer.start();
            NET_DVR_StopPlayBack(self->play);
            self->stopMs = timer.elapsed();
        },
        &stopper);
    NET_DVR_PlayBackControl(stopper.play, NET_DVR_PLAY_START, 0, nullptr);
    QTRY_VERIFY(stopper.stopMs >= 0);
    QVERIFY2(stopper.stopMs < 1000, qPrintable(QString::number(stopper.stopMs)));
    QVERIFY(rig.Idle());
}

void TestSdkSession::lateAnswersAndUnrepresentableLengths()
{
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {1000}, kDay);
    config.Channel(1).Faults.ReportedLength = -1; // 2^64 - 1 on the wire
    config.Channel(1).Faults.PositionDelayMs = 600;
    CRig rig(config, 1000, 300);
    const NET_DVR_TIME start = At(8), stop = At(9);
    const int play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
    QVERIFY(play >= 0);
    int64_t length = 0;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr));
    // The first answer comes after the time-out (as none comes from a stalled stream); it must not pass for
    // the second request's, and the stop still returns.
    int position = -7;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
    QTest::qWait(500);
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
    QCOMPARE(position, -7);
    NET_DVR_StopPlayBack(play);
    QVERIFY(rig.Idle());
}

void TestSdkSession::closedConnectionNoticedAtOnce()
{
    // The recorder closes the connections (of a session, of a play-back): the next answer fails at once, not
    // after the answer time-out with the reader spinning on the closed socket meanwhile.
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {1 << 20}, kDay);
    config.Channel(1).Faults.DropAfterBytes = 1000;
    CRig rig(config, 1000, 5000);
    const NET_DVR_TIME start = At(8), stop = At(9);
    const int play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
    QVERIFY(play >= 0);
    NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
    QTRY_VERIFY(!rig.Sim->Calls(QStringLiteral("start")).isEmpty() && rig.Sim->Counters().Playbacks == 0);
    QElapsedTimer timer;
    timer.start();
    int position = 0;
    for (int i = 0; i < 3 && position != -1; ++i)
        if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr))
            position = -1;
    QCOMPARE(position, -1);
    NET_DVR_StopPlayBack(play);
    rig.Sim->Reboot();
    NET_DVR_COMPRESSION_CONFIG compression;
    QVERIFY(!NET_DVR_GetDVRConfig(rig.Login, NET_DVR_GET_COMPRESSION_CONFIG, 1, &compression,
                                  sizeof(compression), nullptr));
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(rig.Idle());
}

void TestSdkSession::closedWhileARequestWaits_data()
{
    // The request on whose arrival the recorder closes the connection, without an answer.
    QTest::addColumn<QString>("op");
    for (const char* op : {"config", "find", "next", "play-open", "start", "position", "speed"})
        QTest::newRow(op) << QString::fromLatin1(op);
}

void TestSdkSession::closedWhileARequestWaits()
{
    // The answer time is the program's own 5 s: a caller that waits it out instead of seeing the close holds
    // a plan (or the window's end) for nothing.
    QFETCH(QString, op);
    CRig rig(CSimRecorders::MakeConfig(1, {1 << 20}, kDay), 1000, 5000);
    QVERIFY(rig.Login >= 0);
    rig.Sim->SetCloseOn(op);
    const NET_DVR_TIME start = At(8), stop = At(9);
    const NET_DVR_FILE_CONDITION condition = Condition(1, At(0), At(23));
    QElapsedTimer timer;
    bool failed = false;
    if (op == "config") {
        NET_DVR_COMPRESSION_CONFIG compression;
        timer.start();
        failed = !NET_DVR_GetDVRConfig(rig.Login, NET_DVR_GET_COMPRESSION_CONFIG, 1, &compression,
                                       sizeof(compression), nullptr);
    } else if (op == "find" || op == "next") {
        const int search = op == "next" ? NET_DVR_FindFile_V30(rig.Login, &condition) : -1;
        QVERIFY(op == "find" || search >= 0);
        NET_DVR_FILE_DATA found;
        timer.start();
        failed = op == "find" ? NET_DVR_FindFile_V30(rig.Login, &condition) < 0
                              : NET_DVR_FindNextFile_V30(search, &found) == NET_DVR_FIND_ERROR;
        NET_DVR_FindClose_V30(search);
    } else if (op == "play-open") {
        timer.start();
        failed = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr) < 0;
    } else {
        const int play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
        QVERIFY(play >= 0);
        QVERIFY(op == "start" || NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));
        int32_t value = 16;
        timer.start();
        if (op == "start")
            failed = !NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
        else if (op == "position")
            failed = !NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &value, nullptr);
        else
            failed = !NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_SET_SPEED, &value, 4, nullptr, nullptr);
        NET_DVR_StopPlayBack(play);
    }
    const qint64 waited = timer.elapsed();
    QVERIFY(failed);
    QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
    QCOMPARE(rig.Sim->Calls(QStringLiteral("closed")).size(), 1);
    QVERIFY(rig.Idle());
}

void TestSdkSession::peerGoneWhileARequestIsSent()
{
    // A recorder that closed the connection before a request of several sends: the first send meets the
    // close and the recorder's reset answers it; the next fails with EPIPE. Unless every send says
    // MSG_NOSIGNAL that raises SIGPIPE, whose default ends the whole program (nothing in it ignores the
    // signal, so neither does this test): the request must fail as a send error, and the program go on.
    struct sigaction disposition = {};
    QCOMPARE(::sigaction(SIGPIPE, nullptr, &disposition), 0);
    QVERIFY(disposition.sa_handler != SIG_IGN);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(listener >= 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    QCOMPARE(::listen(listener, 1), 0);
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

    CSdkConnection connection;
    QCOMPARE(connection.Connect("127.0.0.1", ntohs(address.sin_port), 2000), uint32_t(NET_DVR_NOERROR));
    const int peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    QVERIFY(peer >= 0);
    ::close(peer);
    // The close has reached the client: nothing to read, the connection ended.
    SdkWire::FrameHeader header;
    const uint8_t* payload = nullptr;
    QCOMPARE(connection.ReadFrame(&header, &payload, 2000), uint32_t(NET_DVR_NETWORK_RECV_ERROR));
    // More than one send takes on loopback (its send buffer grows to 4 MiB at most).
    const std::vector<uint8_t> request(16 * 1024 * 1024, 0);
    QCOMPARE(connection.Send(request, 2000), uint32_t(NET_DVR_NETWORK_SEND_ERROR));
}

void TestSdkSession::sessionLivesWhileItsPlayBackAsks()
{
    // The recorder drops a connection that asks nothing for a second. A login whose play-back asks for its
    // position keeps its session though the login's own connection stays quiet three times as long (else
    // the next file of a long play-back opens with a session the recorder forgot); once nothing asks any
    // more, the session ends as any idle client's does, as a second login that never asked ended before.
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {1 << 20}, kDay);
    // Stretched with the machine's slowness: one ask held back longer than this would end the session.
    const int idleMs = TestSupport::Bound(1000);
    config.IdleTimeoutMs = idleMs;
    CRig rig(config);
    QVERIFY(rig.Login >= 0);
    const int idle = LoginTo(rig.Sim);
    QVERIFY(idle >= 0);
    Collector collector;
    const int play = Play(rig.Login, At(8), At(9), collector);
    QVERIFY(play >= 0);
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 3 * idleMs) {
        int32_t position = 0;
        QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
        QThread::msleep(20);
    }
    const NET_DVR_FILE_CONDITION condition = Condition(1, At(0), At(23));
    QCOMPARE(NET_DVR_FindFile_V30(idle, &condition), -1);
    NET_DVR_Logout_V30(idle);
    const int search = NET_DVR_FindFile_V30(rig.Login, &condition);
    QVERIFY2(search >= 0, qPrintable(QString::number(NET_DVR_GetLastError())));
    QVERIFY(NET_DVR_FindClose_V30(search));
    QVERIFY(NET_DVR_StopPlayBack(play));
    QVERIFY(rig.Sims.WaitForIdle(TestSupport::Bound(3000)));
    QCOMPARE(NET_DVR_FindFile_V30(rig.Login, &condition), -1);
    NET_DVR_Logout_V30(rig.Login);
    QCOMPARE(rig.Sim->Calls(QStringLiteral("login")).size(), 2);
}

void TestSdkSession::everyMonthThroughTheTimeChecks_data()
{
    // A recording that starts at the hour given and ends at 23:59:59 of the same day; `real` when the
    // calendar has that day. Every month's last day, whatever the day the suite runs on.
    QTest::addColumn<QList<int>>("fields"); // year, month, day, hour
    QTest::addColumn<bool>("real");
    for (int month = 1; month <= 12; ++month) {
        const QDate last = QDate(2024, month, 1).addMonths(1).addDays(-1);
        QTest::addRow("%s", qPrintable(last.toString(QStringLiteral("d MMMM yyyy"))))
            << QList<int>{2024, month, last.day(), 23} << true;
    }
    QTest::newRow("28 February 2023") << QList<int>{2023, 2, 28, 0} << true;
    QTest::newRow("29 February 2023") << QList<int>{2023, 2, 29, 0} << false;
    QTest::newRow("30 February 2024") << QList<int>{2024, 2, 30, 0} << false;
    QTest::newRow("29 February 2000") << QList<int>{2000, 2, 29, 0} << true;  // every 400 years
    QTest::newRow("29 February 2100") << QList<int>{2100, 2, 29, 0} << false; // not every 100
    QTest::newRow("31 April 2024") << QList<int>{2024, 4, 31, 0} << false;
    QTest::newRow("32 December 2024") << QList<int>{2024, 12, 32, 0} << false;
    QTest::newRow("month 13") << QList<int>{2024, 13, 1, 0} << false;
    QTest::newRow("month 0") << QList<int>{2024, 0, 1, 0} << false;
    QTest::newRow("hour 24") << QList<int>{2024, 12, 31, 24} << false;
}

void TestSdkSession::everyMonthThroughTheTimeChecks()
{
    QFETCH(QList<int>, fields);
    QFETCH(bool, real);
    const NET_DVR_TIME start = SdkTime(fields[0], fields[1], fields[2], fields[3], 0, 0);
    const NET_DVR_TIME stop = SdkTime(fields[0], fields[1], fields[2], 23, 59, 59);
    SimRecorderConfig config;
    config.AnalogChannels = 1;
    if (real)
        config.AddRecording(1, FromSim(start), FromSim(stop), 0, 3599 * 10 + 7);
    CRig rig(config);
    QVERIFY(rig.Login >= 0);
    const NET_DVR_FILE_CONDITION condition = Condition(1, start, stop);
    const int search = NET_DVR_FindFile_V30(rig.Login, &condition);
    const uint32_t searchError = NET_DVR_GetLastError();
    const int play = NET_DVR_PlayBackByTime(rig.Login, 1, &start, &stop, nullptr);
    if (!real) {
        // Refused here, before any recorder reads it as some other day.
        QCOMPARE(search, -1);
        QCOMPARE(searchError, uint32_t(NET_DVR_PARAMETER_ERROR));
        QCOMPARE(play, -1);
        QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PARAMETER_ERROR));
        QVERIFY(rig.Sim->Calls(QStringLiteral("find")).isEmpty());
        QVERIFY(rig.Sim->Calls(QStringLiteral("play-open")).isEmpty());
        QVERIFY(rig.Idle());
        return;
    }
    QVERIFY(search >= 0 && play >= 0);
    NET_DVR_FILE_DATA found;
    QCOMPARE(NET_DVR_FindNextFile_V30(search, &found), int(NET_DVR_FIND_FILE));
    QVERIFY(SameTime(found.StartTime, start) && SameTime(found.StopTime, stop));
    QCOMPARE(NET_DVR_FindNextFile_V30(search, &found), int(NET_DVR_FIND_END));
    QVERIFY(NET_DVR_FindClose_V30(search));

    Collector collector;
    QVERIFY(NET_DVR_SetPlayDataCallBack(play, &Collector::Callback, &collector));
    QVERIFY(NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));
    int position = 0;
    while (position < 100) {
        QVERIFY(NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
        QTest::qWait(2);
    }
    const CSimPlaybackContent expected = rig.Sim->Expected(1, start, stop);
    QCOMPARE(expected.Length(), qint64(3599 * 10 + 7 + kSimHeaderBlockSize));
    {
        std::lock_guard lock(collector.Mutex);
        QVERIFY(collector.Data == expected.Bytes(0, expected.Length()));
    }
    QVERIFY(NET_DVR_StopPlayBack(play));
    QVERIFY(rig.Idle());
}

VARROW_TEST_MAIN(TestSdkSession, QCoreApplication)
#include "tst_sdk_session.moc"

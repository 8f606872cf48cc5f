// Logins, configuration reads and handle rules of the device layer against simulated recorders: a wrong
// answer here adds a recorder with the wrong channels or hangs the engine on a silent recorder.

#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class TestSdkSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loginRightAndWrong();
    void closedAndSilentPortsFailWithinTheirTimeOuts();
    void simulatorClosesBadIdleAndSurplusConnections();
    void handlesAreNeverReusedAndUnknownLogoutDoesNothing();
    void cleanupWithLiveHandlesFailsThemCleanly();
};

void TestSdkSession::loginRightAndWrong()
{
    CSimRecorders sims;
    SimRecorderConfig config;
    config.AnalogChannels = 4;
    config.FirstChannel = 1;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    NET_DVR_DEVICE_INFO info;
    const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", &info);
    QVERIFY(login >= 0);
    // (The channel bytes of the answer are read by adding a device: the model's test checks them.)
    QCOMPARE(sim->Counters().Sessions, 1);
    // A buffer too small for the channel block gets nothing rather than a cut block; a config of a channel
    // the recorder lacks fails with its own error.
    std::vector<uint8_t> block(1000, 0);
    const uint32_t size = 50792;
    std::memcpy(block.data(), &size, 4);
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_IPCHANNEL_CONFIG, 0, block.data(), 1000, nullptr));
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_COMPRESSION_CONFIG, 9, block.data(), 116, nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_CHANNEL_ERROR));

    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "wrong", &info), -1);
    // The last error is the calling thread's own: a success elsewhere does not clear it.
    std::thread([&] {
        NET_DVR_Logout_V30(NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr));
    }).join();
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PASSWORD_ERROR));
    // Names are resolved by the caller: a name here must fail at once, not block on a resolver.
    QCOMPARE(NET_DVR_Login_V30("recorder.example", sim->Port(), "admin", "12345", &info), -1);

    QVERIFY(NET_DVR_Logout_V30(login));
    QVERIFY(sims.WaitForIdle());
    const auto logins = sim->Calls(QStringLiteral("login"));
    QCOMPARE(logins.size(), 3);
    QVERIFY(logins[0].Ok && !logins[1].Ok);
    QCOMPARE(sim->Calls(QStringLiteral("logout")).size(), 2);
}

void TestSdkSession::closedAndSilentPortsFailWithinTheirTimeOuts()
{
    CSimRecorders sims(300, 300);
    // A port that nothing listens on: a recorder's port after it stopped.
    CRecorderSim* gone = sims.Add(SimRecorderConfig());
    QVERIFY(gone);
    const uint16_t closedPort = gone->Port();
    gone->Stop();
    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", closedPort, "admin", "12345", nullptr), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_FAIL_CONNECT));

    SimRecorderConfig config;
    config.Silent = true;
    CRecorderSim* silent = sims.Add(config);
    QVERIFY(silent);
    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", silent->Port(), "admin", "12345", nullptr), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));
    QVERIFY(silent->CallLog().isEmpty());

    // A recorder that falls silent after the login: the next answer times out, later calls fail at once.
    silent->SetSilent(false);
    const int login = NET_DVR_Login_V30("127.0.0.1", silent->Port(), "admin", "12345", nullptr);
    QVERIFY(login >= 0);
    silent->SetSilent(true);
    NET_DVR_COMPRESSION_CONFIG compression;
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_COMPRESSION_CONFIG, 1, &compression, sizeof(compression),
                                  nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));
    // Fails at once on the broken connection (a recorder speaking again must not be read out of step).
    silent->SetSilent(false);
    NET_DVR_FILE_CONDITION condition;
    condition.Channel = 1;
    condition.StartTime = SdkTime(2024, 5, 1, 0, 0, 0);
    condition.StopTime = SdkTime(2024, 5, 1, 1, 0, 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(NET_DVR_FindFile_V30(login, &condition), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_ERROR));
    QVERIFY(timer.elapsed() < 300);
    NET_DVR_Logout_V30(login);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkSession::simulatorClosesBadIdleAndSurplusConnections()
{
    SimRecorderConfig config;
    config.IdleTimeoutMs = 2500;
    config.MaxConnections = 2;
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    auto connectRaw = [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(sim->Port());
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        return fd;
    };
    // True when the recorder closed the connection within the time.
    auto closedWithin = [](int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        char byte;
        return ::poll(&p, 1, ms) == 1 && ::recv(fd, &byte, 1, 0) <= 0;
    };
    const uint8_t garbage[12] = {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1'};
    uint8_t endless[12];
    SdkWire::EncodeHeader(endless, SdkWire::Login, 0, 0xFFFFFFFFu); // a payload no recorder takes
    for (const uint8_t* frame : {garbage, static_cast<const uint8_t*>(endless)}) {
        const int fd = connectRaw();
        QCOMPARE(::send(fd, frame, 12, MSG_NOSIGNAL), ssize_t(12));
        QVERIFY(closedWithin(fd, 1000));
        ::close(fd);
    }
    QTest::qWait(100); // the closed connections' threads end
    const int first = connectRaw(), second = connectRaw();
    QTest::qWait(50);
    const int surplus = connectRaw();
    QVERIFY(closedWithin(surplus, 1000));
    QVERIFY(!closedWithin(first, 0) && !closedWithin(second, 0));
    QVERIFY(closedWithin(first, 6000) && closedWithin(second, 6000)); // idle
    for (int fd : {first, second, surplus})
        ::close(fd);
}

void TestSdkSession::handlesAreNeverReusedAndUnknownLogoutDoesNothing()
{
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim);
    QList<int> seen;
    for (int i = 0; i < 5; ++i) {
        const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
        QVERIFY(login >= 0);
        QVERIFY(!seen.contains(login));
        seen.append(login);
        QVERIFY(NET_DVR_Logout_V30(login));
        // A second logout of the same handle must not reach a later session.
        QVERIFY(!NET_DVR_Logout_V30(login));
    }
    // Logging out -1 keeps the last error of the failed login readable.
    sim->SetLoginRefusals(1);
    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr), -1);
    QVERIFY(!NET_DVR_Logout_V30(-1));
    QVERIFY(!NET_DVR_Logout_V30(123456));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PASSWORD_ERROR));
    QVERIFY(sims.WaitForIdle());
    QCOMPARE(sim->Calls(QStringLiteral("logout")).size(), 5);

    // A rebooted recorder forgets the session: its handle fails, a new login works.
    const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    sim->Reboot();
    NET_DVR_COMPRESSION_CONFIG compression;
    QVERIFY(!NET_DVR_GetDVRConfig(login, 1040, 1, &compression, sizeof(compression), nullptr));
    NET_DVR_Logout_V30(login);
    const int fresh = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    QVERIFY(fresh > login);
    NET_DVR_Logout_V30(fresh);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkSession::cleanupWithLiveHandlesFailsThemCleanly()
{
    CSimRecorders sims;
    SimRecorderConfig config = CSimRecorders::MakeConfig(1, {1 << 20}, QDate(2024, 5, 1));
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    const int login = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    NET_DVR_FILE_CONDITION condition;
    condition.Channel = 1;
    condition.StartTime = SdkTime(2024, 5, 1, 0, 0, 0);
    condition.StopTime = SdkTime(2024, 5, 1, 23, 59, 59);
    const int search = NET_DVR_FindFile_V30(login, &condition);
    const NET_DVR_TIME start = SdkTime(2024, 5, 1, 8, 0, 0);
    const NET_DVR_TIME stop = SdkTime(2024, 5, 1, 9, 0, 0);
    const int play = NET_DVR_PlayBackByTime(login, 1, &start, &stop, nullptr);
    QVERIFY(login >= 0 && search >= 0 && play >= 0);
    QVERIFY(NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));

    QVERIFY(NET_DVR_Cleanup());
    NET_DVR_FILE_DATA found;
    QCOMPARE(NET_DVR_FindNextFile_V30(search, &found), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NOINIT));
    int position = 0;
    QVERIFY(!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &position, nullptr));
    QVERIFY(!NET_DVR_StopPlayBack(play));
    QVERIFY(!NET_DVR_FindClose_V30(search));
    QVERIFY(!NET_DVR_Logout_V30(login));
    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NOINIT));
    // The recorder sees every connection end.
    QVERIFY(sims.WaitForIdle());

    // Initialised again, the old numbers stay dead and new ones are fresh.
    QVERIFY(NET_DVR_Init());
    const int again = NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
    QVERIFY(again > play);
    NET_DVR_Logout_V30(again);
    QVERIFY(sims.WaitForIdle());
}

VARROW_TEST_MAIN(TestSdkSession, QCoreApplication)
#include "tst_sdk_session.moc"

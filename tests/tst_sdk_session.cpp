// Logins, configuration reads and handle rules of the device layer against simulated recorders, and the
// simulator's own guards: a wrong answer here adds a recorder with the wrong channels, hangs the engine on a
// silent recorder, or serves a recorder other than the one a scenario file describes.

#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

int Login(const CRecorderSim* sim)
{
    return NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "12345", nullptr);
}

} // namespace

class TestSdkSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loginRightAndWrong();
    void silentRecorderFailsWithinTheTimeOut();
    void simulatorClosesOnBadFrames();
    void handlesAreNeverReused();
    void cleanupWithLiveHandlesFailsThemCleanly();
    void exampleScenarioLoads();
    void badScenariosAreRefused_data();
    void badScenariosAreRefused();
};

void TestSdkSession::loginRightAndWrong()
{
    CSimRecorders sims;
    SimRecorderConfig config;
    config.AnalogChannels = 4;
    CRecorderSim* sim = sims.Add(config);
    QVERIFY(sim);
    const int login = Login(sim);
    QVERIFY(login >= 0);
    // A buffer too small for the channel block gets nothing rather than a cut block; a config of a channel
    // the recorder lacks fails with its own error.
    std::vector<uint8_t> block(1000, 0);
    const uint32_t size = 50792;
    std::memcpy(block.data(), &size, 4);
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_IPCHANNEL_CONFIG, 0, block.data(), 1000, nullptr));
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_COMPRESSION_CONFIG, 9, block.data(), 116, nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_CHANNEL_ERROR));

    QCOMPARE(NET_DVR_Login_V30("127.0.0.1", sim->Port(), "admin", "wrong", nullptr), -1);
    // The last error is the calling thread's own: a success elsewhere does not clear it.
    std::thread([&] { NET_DVR_Logout_V30(Login(sim)); }).join();
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_PASSWORD_ERROR));
    // Names are resolved by the caller: a name here must fail at once, not block on a resolver.
    QCOMPARE(NET_DVR_Login_V30("recorder.example", sim->Port(), "admin", "12345", nullptr), -1);
    QVERIFY(NET_DVR_Logout_V30(login));
    QVERIFY(sims.WaitForIdle());
}

void TestSdkSession::silentRecorderFailsWithinTheTimeOut()
{
    CSimRecorders sims(300, 300);
    SimRecorderConfig config;
    config.Silent = true;
    CRecorderSim* silent = sims.Add(config);
    QVERIFY(silent);
    QCOMPARE(Login(silent), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));

    // A recorder that falls silent after the login: the next answer times out.
    silent->SetSilent(false);
    const int login = Login(silent);
    QVERIFY(login >= 0);
    silent->SetSilent(true);
    NET_DVR_COMPRESSION_CONFIG compression;
    QVERIFY(!NET_DVR_GetDVRConfig(login, NET_DVR_GET_COMPRESSION_CONFIG, 1, &compression, sizeof(compression),
                                  nullptr));
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NETWORK_RECV_TIMEOUT));
    // Later calls fail at once on the broken connection: a recorder speaking again must not be read out of
    // step.
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

void TestSdkSession::simulatorClosesOnBadFrames()
{
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim);
    const uint8_t garbage[12] = {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1'};
    uint8_t endless[12];
    SdkWire::EncodeHeader(endless, SdkWire::Login, 0, 0xFFFFFFFFu); // a payload no recorder takes
    for (const uint8_t* frame : {garbage, static_cast<const uint8_t*>(endless)}) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(sim->Port());
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        QCOMPARE(::send(fd, frame, 12, MSG_NOSIGNAL), ssize_t(12));
        pollfd p{fd, POLLIN, 0};
        char byte;
        QVERIFY(::poll(&p, 1, 1000) == 1 && ::recv(fd, &byte, 1, 0) <= 0);
        ::close(fd);
    }
}

void TestSdkSession::handlesAreNeverReused()
{
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(SimRecorderConfig());
    QVERIFY(sim);
    QList<int> seen;
    for (int i = 0; i < 3; ++i) {
        const int login = Login(sim);
        QVERIFY(login >= 0 && !seen.contains(login));
        seen.append(login);
        QVERIFY(NET_DVR_Logout_V30(login));
        // A second logout of the same handle must not reach a later session.
        QVERIFY(!NET_DVR_Logout_V30(login));
    }
    QVERIFY(sims.WaitForIdle());
    QCOMPARE(sim->Calls(QStringLiteral("logout")).size(), 3);
}

void TestSdkSession::cleanupWithLiveHandlesFailsThemCleanly()
{
    CSimRecorders sims;
    CRecorderSim* sim = sims.Add(CSimRecorders::MakeConfig(1, {1 << 20}, QDate(2024, 5, 1)));
    QVERIFY(sim);
    const int login = Login(sim);
    NET_DVR_FILE_CONDITION condition;
    condition.Channel = 1;
    condition.StartTime = SdkTime(2024, 5, 1, 0, 0, 0);
    condition.StopTime = SdkTime(2024, 5, 1, 23, 59, 59);
    const int search = NET_DVR_FindFile_V30(login, &condition);
    const int play = NET_DVR_PlayBackByTime(login, 1, &condition.StartTime, &condition.StopTime, nullptr);
    QVERIFY(login >= 0 && search >= 0 && play >= 0);
    QVERIFY(NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr));

    QVERIFY(NET_DVR_Cleanup());
    NET_DVR_FILE_DATA found;
    QCOMPARE(NET_DVR_FindNextFile_V30(search, &found), -1);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(NET_DVR_NOINIT));
    QVERIFY(!NET_DVR_StopPlayBack(play));
    QVERIFY(!NET_DVR_Logout_V30(login));
    // The recorder sees every connection end.
    QVERIFY(sims.WaitForIdle());

    // Initialised again, the old numbers stay dead and new ones are fresh.
    QVERIFY(NET_DVR_Init());
    const int again = Login(sim);
    QVERIFY(again > play);
    NET_DVR_Logout_V30(again);
    QVERIFY(sims.WaitForIdle());
}

void TestSdkSession::exampleScenarioLoads()
{
    QFile file(QFINDTESTDATA("../docs/example-scenario.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<SimRecorderConfig> recorders;
    QString error;
    QVERIFY2(ParseSimScenario(file.readAll(), QDate(2024, 5, 10), &recorders, &error), qPrintable(error));
    QCOMPARE(recorders.size(), 2);
    // Seven days back plus today, two daily recordings each; the late one runs past midnight.
    const QList<SimRecording>& daily = recorders[0].Channels[1].Recordings;
    QCOMPARE(daily.size(), 16);
    QCOMPARE(daily.first().Start, QDateTime(QDate(2024, 5, 3), QTime(8, 0), Qt::UTC));
    QCOMPARE(daily[1].Stop, QDateTime(QDate(2024, 5, 4), QTime(0, 30), Qt::UTC));
}

void TestSdkSession::badScenariosAreRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("not json") << QByteArray("{recorders: [");
    QTest::newRow("unknown channel") << QByteArray(
        R"({"recorders": [{"analogChannels": 2, "channels": [{"number": 3}]}]})");
    QTest::newRow("stop before start") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-05-01T10:00:00", "stop": "2024-05-01T09:00:00", "size": 5}]}]}]})");
    QTest::newRow("no such date") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-02-30T10:00:00", "stop": "2024-03-01T11:00:00", "size": 5}]}]}]})");
    QTest::newRow("huge size") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-05-01T10:00:00", "stop": "2024-05-01T11:00:00", "size": 1e15}]}]}]})");
    QTest::newRow("endless days") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "days": 1000000, "daily": [{"start": "08:00:00", "stop": "09:00:00", "size": 5}]}]}]})");
}

void TestSdkSession::badScenariosAreRefused()
{
    QFETCH(QByteArray, json);
    QList<SimRecorderConfig> recorders;
    QString error;
    QVERIFY(!ParseSimScenario(json, QDate(2024, 5, 10), &recorders, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(recorders.isEmpty());
}

VARROW_TEST_MAIN(TestSdkSession, QCoreApplication)
#include "tst_sdk_session.moc"

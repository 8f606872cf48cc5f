// The device layer's reader of what a recorder sends, against a peer that answers with crafted frames over
// loopback. A fault here lets a peer that is no recorder make the client wait for, and allocate, a payload it
// only declares, or read a text past the end of its answer and report a file made of whatever lay behind it.

#include "sdk/DeviceSdk.h"
#include "sdk/SdkProtocol.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

using TestSupport::Bound;

QByteArray Frame(const std::vector<uint8_t>& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

// A peer on an ephemeral loopback port that takes one connection and answers its requests, in order, with
// the scripted bytes; a request beyond the script gets an empty answer of its type.
class CScriptedPeer
{
public:
    explicit CScriptedPeer(QList<QByteArray> answers) : m_answers(std::move(answers))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listen, 1) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CScriptedPeer()
    {
        m_ending = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }
    CScriptedPeer(const CScriptedPeer&) = delete;
    CScriptedPeer& operator=(const CScriptedPeer&) = delete;

    quint16 Port() const { return m_port; }

private:
    // Waits in short steps, so the peer ends with the test whatever the client does.
    bool Readable(int fd)
    {
        while (!m_ending) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0)
                return true;
        }
        return false;
    }
    void Serve()
    {
        if (!Readable(m_listen))
            return;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        for (int next = 0;; ++next) {
            uint8_t header[SdkWire::kHeaderSize];
            SdkWire::FrameHeader decoded;
            if (!Readable(fd) || ::recv(fd, header, sizeof header, MSG_WAITALL) != ssize_t(sizeof header) ||
                !SdkWire::DecodeHeader(header, &decoded))
                break;
            std::vector<uint8_t> request(decoded.Length);
            if (!request.empty() &&
                ::recv(fd, request.data(), request.size(), MSG_WAITALL) != ssize_t(request.size()))
                break;
            const QByteArray answer =
                next < m_answers.size() ? m_answers[next] : Frame(SdkWire::CWriter().Finish(decoded.Type));
            if (::send(fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL) != ssize_t(answer.size()))
                break;
        }
        ::close(fd);
    }

    QList<QByteArray> m_answers;
    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_ending{false};
    std::thread m_thread;
};

QByteArray LoginAnswer(size_t padding = 0)
{
    NET_DVR_DEVICE_INFO info;
    info.AnalogChannelCount = 1;
    info.FirstChannel = 1;
    const std::vector<uint8_t> zeros(padding, 0);
    return Frame(SdkWire::CWriter()
                     .U32(7)
                     .Bytes(&info, sizeof info)
                     .Bytes(zeros.data(), zeros.size())
                     .Finish(SdkWire::Login));
}

const NET_DVR_TIME kStart{2024, 5, 1, 8, 0, 0};
const NET_DVR_TIME kStop{2024, 5, 1, 9, 0, 0};

// A found file's answer whose name declares `nameLength` bytes and brings `name`, then the rest when `whole`.
QByteArray FileAnswer(uint16_t nameLength, const std::string& name, bool whole)
{
    SdkWire::CWriter out;
    out.I32(NET_DVR_FIND_FILE).U16(nameLength).Bytes(name.data(), name.size());
    if (whole)
        out.Time(kStart).Time(kStop).U32(1000).U8(0);
    return Frame(out.Finish(SdkWire::FindNext));
}

} // namespace

class TestSdkWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersAreHeldToTheirFrame_data();
    void answersAreHeldToTheirFrame();
};

void TestSdkWire::answersAreHeldToTheirFrame_data()
{
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<bool>("search"); // the last answer is a search's; else the login's
    QTest::addColumn<uint>("error");  // 0: the call succeeds
    uint8_t header[SdkWire::kHeaderSize];

    // A payload of 4 MiB is a frame; one byte more is no recorder's, refused as its header arrives, not
    // waited for until the answer's time-out.
    QTest::newRow("login answer of 4 MiB")
        << QList<QByteArray>{LoginAnswer(SdkWire::kMaxPayload - 4 - sizeof(NET_DVR_DEVICE_INFO))} << false
        << 0u;
    SdkWire::EncodeHeader(header, SdkWire::Login, 0, 4u * 1024 * 1024 + 1);
    QTest::newRow("login answer of 4 MiB and a byte")
        << QList<QByteArray>{QByteArray(reinterpret_cast<const char*>(header), sizeof header)} << false
        << uint(NET_DVR_NETWORK_ERRORDATA);

    // A name is held to what is left of its answer: exactly that is a name, one byte more (even a length
    // above the whole answer, where a check that subtracts the length from the size wraps) is no answer.
    const QByteArray findOpen = Frame(SdkWire::CWriter().U32(3).Finish(SdkWire::FindOpen));
    QTest::newRow("name that fills its answer")
        << QList<QByteArray>{LoginAnswer(), findOpen, FileAnswer(3, "ch1", true)} << true << 0u;
    QTest::newRow("name a byte past its answer")
        << QList<QByteArray>{LoginAnswer(), findOpen, FileAnswer(4, "ch1", false)} << true
        << uint(NET_DVR_NETWORK_ERRORDATA);
    QTest::newRow("name longer than its answer")
        << QList<QByteArray>{LoginAnswer(), findOpen, FileAnswer(7, "", false)} << true
        << uint(NET_DVR_NETWORK_ERRORDATA);
}

void TestSdkWire::answersAreHeldToTheirFrame()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(bool, search);
    QFETCH(uint, error);
    QCOMPARE(SdkWire::kMaxPayload, 4u * 1024 * 1024);
    CSimRecorders layer(2000, 3000); // the device layer with an answer time-out of 3 s; no recorder
    CScriptedPeer peer(answers);
    QVERIFY(peer.Port() != 0);

    QElapsedTimer timer;
    timer.start();
    const int login = NET_DVR_Login_V30("127.0.0.1", peer.Port(), "admin", "12345", nullptr);
    if (!search) {
        QCOMPARE(NET_DVR_GetLastError(), uint32_t(error));
        QCOMPARE(login >= 0, error == 0);
        QVERIFY2(timer.elapsed() < Bound(1000), qPrintable(QString::number(timer.elapsed())));
        NET_DVR_Logout_V30(login);
        return;
    }
    QVERIFY(login >= 0);
    NET_DVR_FILE_CONDITION condition;
    condition.Channel = 1;
    condition.StartTime = kStart;
    condition.StopTime = kStop;
    const int find = NET_DVR_FindFile_V30(login, &condition);
    QVERIFY(find >= 0);
    NET_DVR_FILE_DATA found;
    const int result = NET_DVR_FindNextFile_V30(find, &found);
    QCOMPARE(NET_DVR_GetLastError(), uint32_t(error));
    if (error == 0) {
        QCOMPARE(result, int(NET_DVR_FIND_FILE));
        QCOMPARE(QByteArray(found.FileName), QByteArray("ch1"));
        QCOMPARE(found.FileSize, 1000u);
    } else {
        QCOMPARE(result, int(NET_DVR_FIND_ERROR));
        QCOMPARE(QByteArray(found.FileName), QByteArray());
    }
    NET_DVR_FindClose_V30(find);
    NET_DVR_Logout_V30(login);
}

VARROW_TEST_MAIN(TestSdkWire, QCoreApplication)
#include "tst_sdk_wire.moc"

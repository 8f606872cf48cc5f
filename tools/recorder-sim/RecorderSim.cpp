#include "tools/recorder-sim/RecorderSim.h"

#include "sdk/SdkProtocol.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace SdkWire;

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool SendAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool Answer(int fd, std::vector<uint8_t> frame)
{
    return SendAll(fd, frame.data(), frame.size());
}

bool AnswerStatus(int fd, uint16_t type, uint32_t status)
{
    return Answer(fd, CWriter().Finish(type, status));
}

// A frame's date that no calendar has (30 February, hour 25) is refused, never read as some other time.
bool IsRealTime(const NET_DVR_TIME& t)
{
    return QDate::isValid(int(t.Year), int(t.Month), int(t.Day)) &&
           QTime::isValid(int(t.Hour), int(t.Minute), int(t.Second));
}

// The call log's name of a request, as the scripted close names it.
QString OpName(uint16_t type)
{
    switch (type) {
    case Login:
        return QStringLiteral("login");
    case Logout:
        return QStringLiteral("logout");
    case GetConfig:
        return QStringLiteral("config");
    case FindOpen:
        return QStringLiteral("find");
    case FindNext:
        return QStringLiteral("next");
    case FindClose:
        return QStringLiteral("find-close");
    case Capture:
        return QStringLiteral("capture");
    case PlayOpen:
        return QStringLiteral("play-open");
    case PlayStart:
        return QStringLiteral("start");
    case PlayPosition:
        return QStringLiteral("position");
    case PlaySpeed:
        return QStringLiteral("speed");
    case PlayStop:
        return QStringLiteral("stop");
    default:
        return QString();
    }
}

} // namespace

// Frames from one client connection; Next waits at most timeoutMs (-1: until a frame or the end) for a whole
// frame, so a client that sends a byte now and then cannot hold the connection either. A connection holds at
// most one request of kSimMaxRequest bytes and one read buffer: its declared length is checked before any of
// its payload is kept.
class CRecorderSim::CFrameReader
{
public:
    explicit CFrameReader(int fd) : m_fd(fd) {}

    // 1: a frame; 0: none within the time; -1: connection closed, not this protocol or a request too long.
    int Next(FrameHeader* header, std::vector<uint8_t>* payload, int timeoutMs)
    {
        const int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
        for (;;) {
            if (m_data.size() >= kHeaderSize) {
                if (!DecodeHeader(m_data.data(), header) || header->Length > kSimMaxRequest)
                    return -1;
                if (m_data.size() >= kHeaderSize + header->Length) {
                    payload->assign(m_data.begin() + kHeaderSize,
                                    m_data.begin() + kHeaderSize + header->Length);
                    m_data.erase(m_data.begin(), m_data.begin() + kHeaderSize + header->Length);
                    return 1;
                }
            }
            pollfd p{m_fd, POLLIN, 0};
            const int r =
                ::poll(&p, 1, deadline < 0 ? -1 : int(std::clamp<int64_t>(deadline - NowMs(), 0, INT32_MAX)));
            if (r == 0)
                return 0;
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return -1;
            }
            uint8_t buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (n == 0)
                return -1;
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                return -1;
            }
            m_data.insert(m_data.end(), buffer, buffer + n);
        }
    }
    // Part of a request has come and not the rest.
    bool HoldsPart() const { return !m_data.empty(); }

private:
    int m_fd;
    std::vector<uint8_t> m_data;
};

CRecorderSim::CRecorderSim(SimRecorderConfig config) : m_config(std::move(config)) {}

CRecorderSim::~CRecorderSim()
{
    Stop();
}

bool CRecorderSim::Start(QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        if (m_listenFd >= 0)
            ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    };
    if (m_listenFd >= 0)
        return true;
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    const QByteArray address = m_config.Address.toLatin1();
    if (::inet_pton(AF_INET, address.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(m_config.Port);
        length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, address.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(m_config.Port);
        length = sizeof(sockaddr_in6);
    } else {
        return fail(QStringLiteral("not a numeric address: %1").arg(m_config.Address));
    }
    m_listenFd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(m_listenFd, 64) != 0)
        return fail(QStringLiteral("cannot listen on %1:%2: %3")
                        .arg(m_config.Address)
                        .arg(m_config.Port)
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof(bound);
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    m_port = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                              : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    m_stopping = false;
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void CRecorderSim::Stop()
{
    if (m_listenFd < 0)
        return;
    m_stopping = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof(one));
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    // The serving threads take the connection lock to close their descriptors: they are joined without it.
    std::list<std::unique_ptr<Connection>> connections;
    {
        std::lock_guard lock(m_connectionMutex);
        for (auto& c : m_connections)
            if (c->Fd >= 0)
                ::shutdown(c->Fd, SHUT_RDWR);
        connections.swap(m_connections);
    }
    for (auto& c : connections)
        c->Thread.join();
    ::close(m_listenFd);
    ::close(m_wakeFd);
    m_listenFd = -1;
    m_wakeFd = -1;
    std::lock_guard lock(m_mutex);
    m_sessions.clear();
    m_counters = SimCounters();
    m_changed.notify_all();
}

int CRecorderSim::OpenConnections() const
{
    std::lock_guard lock(m_connectionMutex);
    return int(std::count_if(m_connections.begin(), m_connections.end(),
                             [](const std::unique_ptr<Connection>& c) { return !c->Done; }));
}

void CRecorderSim::ReapLocked()
{
    // A finished connection's thread has closed its descriptor and only leaves the lock it closed it under.
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if ((*it)->Done) {
            (*it)->Thread.join();
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

void CRecorderSim::AcceptLoop()
{
    while (!m_stopping) {
        pollfd p[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stopping)
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        std::lock_guard lock(m_connectionMutex);
        ReapLocked();
        if (int(m_connections.size()) >= Config().MaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->Fd = fd;
        Connection* raw = connection.get();
        m_connections.push_back(std::move(connection));
        raw->Thread = std::thread([this, raw] { Serve(raw); });
    }
}

void CRecorderSim::Serve(Connection* connection)
{
    CFrameReader reader(connection->Fd);
    FrameHeader header;
    std::vector<uint8_t> payload;
    const int idle = Config().IdleTimeoutMs;
    if (reader.Next(&header, &payload, idle) == 1) {
        if (IsSilent()) {
            while (reader.Next(&header, &payload, idle) > 0) {
            }
        } else if (header.Type == PlayOpen) {
            ServePlayback(connection->Fd, reader, payload);
        } else {
            ServeControl(connection->Fd, reader, header, std::move(payload));
        }
    }
    // A bad frame, an idle client or the end of a session: the client sees the close at once. A shut-down
    // socket keeps its receive window: a client still sending into a full one would wait for ever, so the
    // descriptor is closed here (unread bytes make that a reset), not when the next client connects.
    std::lock_guard lock(m_connectionMutex);
    ::close(connection->Fd);
    connection->Fd = -1;
    connection->Done = true;
}

void CRecorderSim::Log(SimCall call)
{
    m_log.append(std::move(call));
}

void CRecorderSim::EndSessionLocked(uint32_t token)
{
    const auto it = m_sessions.find(token);
    if (it == m_sessions.end())
        return;
    m_counters.Searches -= int(it->second.Searches.size());
    m_counters.Sessions -= 1;
    m_sessions.erase(it);
    m_changed.notify_all();
}

int CRecorderSim::NextControlRequest(CFrameReader& reader, uint32_t token, FrameHeader* header,
                                     std::vector<uint8_t>* payload)
{
    // A session is in use while its play-backs ask for positions: its control connection has nothing to
    // carry for as long as a file plays, and closing it would end the session under the play-back (the
    // client's next file then opens with a token the recorder forgot). A request left half sent is never
    // waited for longer than the idle time.
    const int idle = Config().IdleTimeoutMs;
    int wait = idle;
    for (;;) {
        const int r = reader.Next(header, payload, wait);
        if (r != 0 || token == 0 || reader.HoldsPart())
            return r;
        std::lock_guard lock(m_mutex);
        const auto it = m_sessions.find(token);
        if (it == m_sessions.end() || it->second.LastPlaybackRequestMs == 0)
            return 0;
        const int64_t left = it->second.LastPlaybackRequestMs + idle - NowMs();
        if (left <= 0)
            return 0;
        wait = int(left);
    }
}

void CRecorderSim::NotePlaybackRequestLocked(uint32_t token)
{
    const auto it = m_sessions.find(token);
    if (it != m_sessions.end())
        it->second.LastPlaybackRequestMs = NowMs();
}

bool CRecorderSim::IsSilent() const
{
    std::lock_guard lock(m_mutex);
    return m_config.Silent;
}

void CRecorderSim::ServeControl(int fd, CFrameReader& reader, FrameHeader header,
                                std::vector<uint8_t> payload)
{
    uint32_t token = 0; // 0: not logged in on this connection
    const int idle = Config().IdleTimeoutMs;
    for (;;) {
        if (IsSilent()) {
            if (reader.Next(&header, &payload, idle) <= 0)
                break;
            continue;
        }
        if (CloseOnRequest(header.Type))
            break;
        if (header.Type == Login) {
            const int delay = Config().LoginDelayMs;
            if (delay > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        }
        CReader in(payload.data(), payload.size());
        std::vector<uint8_t> answer;
        {
            std::unique_lock lock(m_mutex);
            const bool loggedIn = token != 0 && m_sessions.count(token) > 0;
            if (header.Type != Login && !loggedIn) {
                answer = CWriter().Finish(header.Type, NET_DVR_NOT_LOGGED_IN);
            } else {
                switch (header.Type) {
                case Login: {
                    const std::string user = in.Text();
                    const std::string password = in.Text();
                    uint32_t status = NET_DVR_NOERROR;
                    if (!in.Ok())
                        status = NET_DVR_PARAMETER_ERROR;
                    else if (m_config.LoginRefusals != 0) {
                        status = NET_DVR_PASSWORD_ERROR;
                        if (m_config.LoginRefusals > 0)
                            --m_config.LoginRefusals;
                    } else if (QString::fromStdString(user) != m_config.User ||
                               QString::fromStdString(password) != m_config.Password)
                        status = NET_DVR_PASSWORD_ERROR;
                    else if (token != 0)
                        EndSessionLocked(token);
                    Log({QStringLiteral("login"), -1, 0, 0, status == NET_DVR_NOERROR});
                    if (status != NET_DVR_NOERROR) {
                        answer = CWriter().Finish(Login, status);
                        break;
                    }
                    token = m_nextToken++;
                    m_sessions[token];
                    ++m_counters.Sessions;
                    NET_DVR_DEVICE_INFO info;
                    const QByteArray serial =
                        QStringLiteral("VRWSIM-%1").arg(m_config.Name).toLatin1().left(47);
                    std::memcpy(info.SerialNumber, serial.constData(), size_t(serial.size()));
                    info.AnalogChannelCount = uint8_t(m_config.AnalogChannels);
                    info.FirstChannel = uint8_t(m_config.FirstChannel);
                    info.IpChannelCount = uint8_t(m_config.IpChannels);
                    info.FirstIpChannel = uint8_t(std::min(m_config.FirstIpChannel, 255));
                    info.DiskCount = 1;
                    answer = CWriter().U32(token).Bytes(&info, sizeof(info)).Finish(Login);
                    break;
                }
                case Logout:
                    Log({QStringLiteral("logout"), -1, 0, 0, true});
                    EndSessionLocked(token);
                    token = 0;
                    answer = CWriter().Finish(Logout);
                    break;
                case GetConfig: {
                    const uint32_t command = in.U32();
                    const int32_t channel = in.I32();
                    if (command == NET_DVR_GET_IPCHANNEL_CONFIG) {
                        auto block = std::make_unique<NET_DVR_IPCHANNEL_CONFIG>();
                        block->FirstDigitalChannel = uint32_t(m_config.FirstIpChannel);
                        const QByteArray address = m_config.Address.toLatin1().left(63);
                        for (int k = 0; k < std::min(m_config.IpChannels, 64); ++k) {
                            block->Devices[k].Enabled = 1;
                            std::memcpy(block->Devices[k].Address, address.constData(),
                                        size_t(address.size()));
                            block->Devices[k].Port = 8000;
                            block->Streams[k].Kind = 0;
                            block->Streams[k].Bytes[0] = 1;              // byte 4: enabled
                            block->Streams[k].Bytes[1] = uint8_t(k + 1); // byte 5: IP device number
                            block->Streams[k].Bytes[2] = 1;              // byte 6: its channel
                        }
                        answer = CWriter().Bytes(block.get(), sizeof(*block)).Finish(GetConfig);
                    } else if (command == NET_DVR_GET_COMPRESSION_CONFIG) {
                        if (!m_config.HasChannel(channel)) {
                            answer = CWriter().Finish(GetConfig, NET_DVR_CHANNEL_ERROR);
                            break;
                        }
                        NET_DVR_COMPRESSION_CONFIG config;
                        config.Resolution = m_config.Channels.value(channel).Resolution;
                        answer = CWriter().Bytes(&config, sizeof(config)).Finish(GetConfig);
                    } else {
                        answer = CWriter().Finish(GetConfig, NET_DVR_NOSUPPORT);
                    }
                    break;
                }
                case FindOpen: {
                    Search search;
                    search.Channel = in.I32();
                    const uint32_t type = in.U32();
                    const NET_DVR_TIME from = in.Time();
                    const NET_DVR_TIME to = in.Time();
                    const qint64 a = SimSeconds(from);
                    const qint64 b = SimSeconds(to);
                    if (!in.Ok() || !IsRealTime(from) || !IsRealTime(to)) {
                        Log({QStringLiteral("find"), search.Channel, int(type), 0, false});
                        answer = CWriter().Finish(FindOpen, NET_DVR_PARAMETER_ERROR);
                        break;
                    }
                    const bool ok = m_config.HasChannel(search.Channel);
                    int none = 0;
                    int& refusals = ok ? m_config.Channels[search.Channel].Faults.FindRefusals : none;
                    const bool refused = refusals != 0;
                    if (refused && refusals > 0)
                        --refusals;
                    Log({QStringLiteral("find"), search.Channel, int(type), 0, ok && !refused});
                    if (!ok || refused) {
                        answer = CWriter().Finish(FindOpen, ok ? NET_DVR_REFUSED : NET_DVR_CHANNEL_ERROR);
                        break;
                    }
                    const SimChannel channel = m_config.Channels.value(search.Channel);
                    for (int i = 0; i < channel.Recordings.size(); ++i) {
                        const SimRecording& r = channel.Recordings[i];
                        const bool typeMatches = (type & 0xFF) == 0xFF || r.FileType == (type & 0xFF);
                        if (typeMatches && SimSeconds(r.Start) < b && SimSeconds(r.Stop) > a)
                            search.Matches.push_back(i);
                    }
                    std::stable_sort(search.Matches.begin(), search.Matches.end(), [&](int x, int y) {
                        return SimSeconds(channel.Recordings[x].Start) <
                               SimSeconds(channel.Recordings[y].Start);
                    });
                    search.BusyLeft = channel.Faults.SearchBusy;
                    const uint32_t id = m_nextSearch++;
                    m_sessions[token].Searches[id] = std::move(search);
                    ++m_counters.Searches;
                    answer = CWriter().U32(id).Finish(FindOpen);
                    break;
                }
                case FindNext: {
                    auto& searches = m_sessions[token].Searches;
                    const auto it = searches.find(in.U32());
                    if (it == searches.end()) {
                        answer = CWriter().Finish(FindNext, NET_DVR_INVALID_HANDLE);
                        break;
                    }
                    Search& search = it->second;
                    const SimChannel channel = m_config.Channels.value(search.Channel);
                    CWriter out;
                    int result;
                    if (search.BusyLeft != 0) {
                        if (search.BusyLeft > 0)
                            --search.BusyLeft;
                        result = NET_DVR_FIND_BUSY;
                        out.I32(result);
                    } else if (search.Next < search.Matches.size()) {
                        const int index = search.Matches[search.Next++];
                        search.BusyLeft = channel.Faults.SearchBusy;
                        const SimRecording& r = channel.Recordings[index];
                        const NET_DVR_TIME start = SimTime(r.Start);
                        const NET_DVR_TIME stop = SimTime(r.ListedStop.isValid() ? r.ListedStop : r.Stop);
                        // The found size is what a play-back of the whole file delivers.
                        const qint64 size = std::min<qint64>(r.Size + kSimHeaderBlockSize, 0xFFFFFFFFll);
                        const QString name = QStringLiteral("ch%1_%2_%3")
                                                 .arg(search.Channel, 2, 10, QLatin1Char('0'))
                                                 .arg(r.Start.toString(QStringLiteral("yyyyMMddHHmmss")))
                                                 .arg(index);
                        result = NET_DVR_FIND_FILE;
                        out.I32(result).Text(name.toStdString()).Time(start).Time(stop).U32(uint32_t(size));
                        out.U8(r.FileType);
                    } else {
                        result = search.Matches.empty() ? NET_DVR_FIND_NO_FILE : NET_DVR_FIND_END;
                        out.I32(result);
                    }
                    Log({QStringLiteral("next"), search.Channel, result, 0, true});
                    answer = out.Finish(FindNext);
                    break;
                }
                case FindClose: {
                    if (m_sessions[token].Searches.erase(in.U32()) > 0) {
                        --m_counters.Searches;
                        m_changed.notify_all();
                    }
                    answer = CWriter().Finish(FindClose);
                    break;
                }
                case Capture: {
                    const int32_t channel = in.I32();
                    const uint16_t size = in.U16();
                    uint32_t status = NET_DVR_NOERROR;
                    if (!m_config.HasChannel(channel))
                        status = NET_DVR_CHANNEL_ERROR;
                    else if (size == 0 && m_config.Channels.value(channel).Faults.RefuseCaptureSize0)
                        status = NET_DVR_REFUSED;
                    Log({QStringLiteral("capture"), channel, size, 0, status == NET_DVR_NOERROR});
                    if (status != NET_DVR_NOERROR) {
                        answer = CWriter().Finish(Capture, status);
                        break;
                    }
                    const QByteArray jpeg = SimJpeg(size, m_config.Name, channel);
                    answer = CWriter().Bytes(jpeg.constData(), size_t(jpeg.size())).Finish(Capture);
                    break;
                }
                default:
                    answer = CWriter().Finish(header.Type, NET_DVR_NOSUPPORT);
                    break;
                }
            }
        }
        if (!Answer(fd, std::move(answer)) || NextControlRequest(reader, token, &header, &payload) != 1)
            break;
    }
    std::lock_guard lock(m_mutex);
    if (token != 0)
        EndSessionLocked(token);
}

void CRecorderSim::ServePlayback(int fd, CFrameReader& reader, const std::vector<uint8_t>& open)
{
    CReader in(open.data(), open.size());
    const uint32_t token = in.U32();
    const int32_t channel = in.I32();
    const NET_DVR_TIME start = in.Time();
    const NET_DVR_TIME stop = in.Time();

    if (CloseOnRequest(PlayOpen))
        return;
    std::unique_ptr<CSimPlaybackContent> content;
    int64_t dropAt = -1;
    int64_t stallAt = -1;
    int64_t holdAt = -1;
    qint64 rate = 0;
    SimChannelFaults faultsAtOpen;
    {
        std::lock_guard lock(m_mutex);
        uint32_t status = NET_DVR_NOERROR;
        SimChannelFaults* faults =
            m_config.HasChannel(channel) ? &m_config.Channels[channel].Faults : nullptr;
        if (!in.Ok() || !IsRealTime(start) || !IsRealTime(stop))
            status = NET_DVR_PARAMETER_ERROR;
        else if (m_sessions.count(token) == 0)
            status = NET_DVR_NOT_LOGGED_IN;
        else if (!faults)
            status = NET_DVR_CHANNEL_ERROR;
        else if (faults->PlayRefusals != 0) {
            status = NET_DVR_REFUSED;
            if (faults->PlayRefusals > 0)
                --faults->PlayRefusals;
        } else {
            content = std::make_unique<CSimPlaybackContent>(
                m_config.Seed, channel, m_config.Channels[channel].Recordings, start, stop);
            if (content->IsEmpty())
                status = NET_DVR_NO_FILE;
        }
        Log({QStringLiteral("play-open"), channel, 0, content ? content->Length() : 0,
             status == NET_DVR_NOERROR});
        if (status != NET_DVR_NOERROR) {
            AnswerStatus(fd, PlayOpen, status);
            return;
        }
        if (faults->DropAfterBytes >= 0 && faults->DropTimes != 0) {
            dropAt = faults->DropAfterBytes;
            if (faults->DropTimes > 0)
                --faults->DropTimes;
        }
        stallAt = faults->StallAfterBytes;
        holdAt = faults->HoldAfterBytes;
        faultsAtOpen = *faults;
        if (faults->ExtraTimes == 0)
            faultsAtOpen.ExtraBytes = 0;
        else if (faults->ExtraTimes > 0 && faults->ExtraBytes != 0)
            --faults->ExtraTimes;
        rate = m_config.Rate;
        ++m_counters.Playbacks;
        NotePlaybackRequestLocked(token);
    }
    bool counted = true;
    auto release = [&] {
        std::lock_guard lock(m_mutex);
        if (counted) {
            counted = false;
            --m_counters.Playbacks;
            m_changed.notify_all();
        }
    };

    const int64_t total = content->Length();
    const int64_t reported = faultsAtOpen.ReportedLength.value_or(total);
    // What goes out: the content, and past it the scripted surplus (zeros), or without end.
    const bool endless = faultsAtOpen.ExtraBytes < 0;
    const int64_t toSend = endless ? std::numeric_limits<int64_t>::max() : total + faultsAtOpen.ExtraBytes;
    if (!Answer(fd, CWriter().U64(uint64_t(reported)).Finish(PlayOpen))) {
        release();
        return;
    }
    std::vector<uint8_t> frame(kHeaderSize + kStreamBlock);
    const int idle = Config().IdleTimeoutMs;
    bool started = false;
    bool stalled = false;
    int64_t sent = 0;
    int64_t startMs = 0;
    int64_t firstNs = 0;
    int positionAnswers = 0;
    FrameHeader header;
    std::vector<uint8_t> payload;
    for (;;) {
        const bool wantsToSend = started && !stalled && sent < toSend && (holdAt < 0 || sent < holdAt);
        int64_t allowed = toSend;
        int timeout = wantsToSend ? 0 : idle;
        if (wantsToSend && rate > 0) {
            allowed = std::min<int64_t>(toSend, (NowMs() - startMs) * rate / 1000 + 1);
            if (allowed <= sent) {
                const int64_t due =
                    startMs + (sent + std::min<int64_t>(kStreamBlock, toSend - sent)) * 1000 / rate;
                timeout = int(std::clamp<int64_t>(due - NowMs(), 1, 50));
            }
        }
        const int r = reader.Next(&header, &payload, timeout);
        if (r < 0 || (r == 0 && timeout == idle))
            break;
        if (r > 0) {
            if (stalled)
                continue;
            if (CloseOnRequest(header.Type))
                break;
            CReader request(payload.data(), payload.size());
            std::vector<uint8_t> answer;
            bool end = false;
            int answerDelayMs = 0;
            {
                std::lock_guard lock(m_mutex);
                NotePlaybackRequestLocked(token);
                switch (header.Type) {
                case PlayStart:
                    Log({QStringLiteral("start"), channel, 0, 0, true});
                    if (!started)
                        startMs = NowMs();
                    started = true;
                    answer = CWriter().Finish(PlayStart);
                    break;
                case PlayPosition: {
                    int32_t position = 100;
                    if (endless)
                        position = int32_t(std::min<int64_t>(99, sent / std::max<int64_t>(1, total / 100)));
                    else if (toSend > 0)
                        position = int32_t(sent * 100 / toSend);
                    SimChannelFaults& faults = m_config.Channels[channel].Faults;
                    if (faults.InjectedPositionTimes != 0 &&
                        positionAnswers >= faults.InjectedPositionAfter) {
                        position = faults.InjectedPosition;
                        if (faults.InjectedPositionTimes > 0)
                            --faults.InjectedPositionTimes;
                    }
                    ++positionAnswers;
                    Log({QStringLiteral("position"), channel, 0, position, true});
                    answer = CWriter().I32(position).Finish(PlayPosition);
                    answerDelayMs = faults.PositionDelayMs;
                    break;
                }
                case PlaySpeed: {
                    const uint32_t code = request.U32();
                    const int32_t value = request.I32();
                    Log({QStringLiteral("speed"), channel, int(code), value, request.Ok()});
                    answer =
                        CWriter().Finish(PlaySpeed, request.Ok() ? NET_DVR_NOERROR : NET_DVR_PARAMETER_ERROR);
                    break;
                }
                case PlayStop:
                    Log({QStringLiteral("stop"), channel, 0, sent, true});
                    end = true;
                    answer = CWriter().Finish(PlayStop);
                    break;
                default:
                    answer = CWriter().Finish(header.Type, NET_DVR_NOSUPPORT);
                    break;
                }
            }
            if (end)
                release(); // counted down before the answer, so a returned stop leaves the counter right
            if (answerDelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(answerDelayMs));
            if (faultsAtOpen.DataBeforeStart && !started && total > 0) {
                // A block out of turn, ahead of an answer before the start; the real stream still begins at
                // the first byte once it is asked for.
                const int64_t n = std::min<int64_t>(total, kSimHeaderBlockSize);
                EncodeHeader(frame.data(), PlayData, NET_DVR_DATA_HEADER, uint32_t(n));
                content->Fill(0, frame.data() + kHeaderSize, size_t(n));
                SendAll(fd, frame.data(), kHeaderSize + size_t(n));
            }
            if (!Answer(fd, std::move(answer)) || end)
                break;
            continue;
        }
        if (!wantsToSend || allowed <= sent)
            continue;
        // One block never mixes the header with stream bytes, and ends exactly at a scripted drop or stall.
        int64_t n = std::min<int64_t>({int64_t(kStreamBlock), toSend - sent, allowed - sent});
        if (sent < kSimHeaderBlockSize)
            n = std::min<int64_t>(n, kSimHeaderBlockSize - sent);
        if (dropAt >= 0)
            n = std::min<int64_t>(n, dropAt - sent);
        if (stallAt >= 0)
            n = std::min<int64_t>(n, stallAt - sent);
        if (holdAt >= 0)
            n = std::min<int64_t>(n, holdAt - sent);
        if (n > 0) {
            EncodeHeader(frame.data(), PlayData,
                         sent < kSimHeaderBlockSize ? NET_DVR_DATA_HEADER : NET_DVR_DATA_STREAM, uint32_t(n));
            content->Fill(sent, frame.data() + kHeaderSize, size_t(n));
            if (sent == 0)
                firstNs = NowNs();
            if (!SendAll(fd, frame.data(), kHeaderSize + size_t(n)))
                break;
            sent += n;
            if (sent == toSend) {
                std::lock_guard lock(m_mutex);
                Log({QStringLiteral("sent"), channel, 0, sent, true, firstNs, NowNs()});
            }
        }
        if (dropAt >= 0 && sent >= dropAt)
            break;
        if (stallAt >= 0 && sent >= stallAt)
            stalled = true;
    }
    ::shutdown(fd, SHUT_RDWR);
    release();
}

bool CRecorderSim::CloseOnRequest(uint16_t type)
{
    std::lock_guard lock(m_mutex);
    if (m_config.CloseOn.isEmpty() || m_config.CloseOnTimes == 0 || m_config.CloseOn != OpName(type))
        return false;
    if (m_config.CloseOnTimes > 0)
        --m_config.CloseOnTimes;
    Log({QStringLiteral("closed"), -1, int(type), 0, true});
    return true;
}

SimRecorderConfig CRecorderSim::Config() const
{
    std::lock_guard lock(m_mutex);
    return m_config;
}

void CRecorderSim::SetLoginRefusals(int count)
{
    std::lock_guard lock(m_mutex);
    m_config.LoginRefusals = count;
}

void CRecorderSim::SetSilent(bool silent)
{
    std::lock_guard lock(m_mutex);
    m_config.Silent = silent;
}

void CRecorderSim::SetCloseOn(const QString& op, int times)
{
    std::lock_guard lock(m_mutex);
    m_config.CloseOn = op;
    m_config.CloseOnTimes = times;
}

void CRecorderSim::SetRate(qint64 bytesPerSecond)
{
    std::lock_guard lock(m_mutex);
    m_config.Rate = std::max<qint64>(0, bytesPerSecond);
}

void CRecorderSim::ApplyFaults(const SimRecorderConfig& config)
{
    std::lock_guard lock(m_mutex);
    m_config.LoginRefusals = config.LoginRefusals;
    m_config.LoginDelayMs = config.LoginDelayMs;
    m_config.Silent = config.Silent;
    m_config.Rate = config.Rate;
    m_config.CloseOn = config.CloseOn;
    m_config.CloseOnTimes = config.CloseOnTimes;
    for (auto it = m_config.Channels.begin(); it != m_config.Channels.end(); ++it)
        it->Faults = config.Channels.value(it.key()).Faults;
    for (auto it = config.Channels.cbegin(); it != config.Channels.cend(); ++it)
        m_config.Channels[it.key()].Faults = it->Faults;
}

void CRecorderSim::SetChannelFaults(int channel, const SimChannelFaults& faults)
{
    std::lock_guard lock(m_mutex);
    m_config.Channels[channel].Faults = faults;
}

SimChannelFaults CRecorderSim::ChannelFaults(int channel) const
{
    std::lock_guard lock(m_mutex);
    return m_config.Channels.value(channel).Faults;
}

void CRecorderSim::AddRecording(int channel, const SimRecording& recording)
{
    std::lock_guard lock(m_mutex);
    m_config.Channels[channel].Recordings.append(recording);
}

void CRecorderSim::Reboot()
{
    {
        std::lock_guard lock(m_mutex);
        while (!m_sessions.empty())
            EndSessionLocked(m_sessions.begin()->first);
    }
    std::lock_guard lock(m_connectionMutex);
    for (auto& c : m_connections)
        if (c->Fd >= 0)
            ::shutdown(c->Fd, SHUT_RDWR);
}

QList<SimCall> CRecorderSim::CallLog() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

QList<SimCall> CRecorderSim::Calls(const QString& op) const
{
    std::lock_guard lock(m_mutex);
    QList<SimCall> calls;
    for (const SimCall& call : m_log)
        if (call.Op == op)
            calls.append(call);
    return calls;
}

void CRecorderSim::ClearCallLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

SimCounters CRecorderSim::Counters() const
{
    std::lock_guard lock(m_mutex);
    return m_counters;
}

bool CRecorderSim::WaitForIdle(int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_counters.IsIdle(); });
}

CSimPlaybackContent CRecorderSim::Expected(int channel, const NET_DVR_TIME& start,
                                           const NET_DVR_TIME& stop) const
{
    std::lock_guard lock(m_mutex);
    return CSimPlaybackContent(m_config.Seed, channel, m_config.Channels.value(channel).Recordings, start,
                               stop);
}

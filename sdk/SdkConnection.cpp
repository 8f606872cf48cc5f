#include "sdk/SdkConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Milliseconds left before the deadline for poll(); -1 without deadline.
int Remaining(int64_t deadlineMs)
{
    if (deadlineMs < 0)
        return -1;
    const int64_t left = deadlineMs - NowMs();
    return left <= 0 ? 0 : int(left);
}

int64_t DeadlineOf(int timeoutMs)
{
    return timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
}

constexpr size_t kReadChunk = 1024 * 1024;

} // namespace

CSdkConnection::~CSdkConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

uint32_t CSdkConnection::Connect(const char* address, uint16_t port, int timeoutMs)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (::inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        return NET_DVR_PARAMETER_ERROR;
    }

    m_fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        return NET_DVR_RESOURCE_EXHAUSTED;
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));

    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
        if (errno != EINPROGRESS)
            return NET_DVR_NETWORK_FAIL_CONNECT;
        pollfd p{m_fd, POLLOUT, 0};
        int r;
        const int64_t deadline = DeadlineOf(timeoutMs);
        do {
            r = ::poll(&p, 1, Remaining(deadline));
        } while (r < 0 && errno == EINTR);
        if (r == 0)
            return NET_DVR_NETWORK_FAIL_CONNECT;
        int error = 0;
        socklen_t errorLength = sizeof(error);
        if (r < 0 || ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0 || error != 0)
            return NET_DVR_NETWORK_FAIL_CONNECT;
    }
    return NET_DVR_NOERROR;
}

uint32_t CSdkConnection::Send(const std::vector<uint8_t>& frame, int timeoutMs)
{
    if (m_fd < 0 || m_shut)
        return NET_DVR_NETWORK_SEND_ERROR;
    const int64_t deadline = DeadlineOf(timeoutMs);
    size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(m_fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_fd, POLLOUT, 0};
            const int r = ::poll(&p, 1, Remaining(deadline));
            if (r == 0)
                return NET_DVR_NETWORK_SEND_ERROR;
            if (r < 0 && errno != EINTR)
                return NET_DVR_NETWORK_SEND_ERROR;
            continue;
        }
        return NET_DVR_NETWORK_SEND_ERROR;
    }
    return NET_DVR_NOERROR;
}

uint32_t CSdkConnection::Fill(size_t need, int64_t deadlineMs)
{
    if (m_end - m_begin >= need)
        return NET_DVR_NOERROR;
    // Keep the unread bytes at the front and room for at least one large read behind them.
    if (m_buffer.size() - m_begin < need + kReadChunk) {
        // An empty buffer may have no storage yet: memmove with a null pointer is undefined even for 0 bytes.
        if (m_end > m_begin)
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
        if (m_buffer.size() < need + kReadChunk)
            m_buffer.resize(need + kReadChunk);
    }
    while (m_end - m_begin < need) {
        if (m_shut)
            return NET_DVR_NETWORK_RECV_ERROR;
        const ssize_t n = ::recv(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end, 0);
        if (n > 0) {
            m_end += size_t(n);
            continue;
        }
        if (n == 0)
            return NET_DVR_NETWORK_RECV_ERROR;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return NET_DVR_NETWORK_RECV_ERROR;
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, Remaining(deadlineMs));
        if (r == 0)
            return NET_DVR_NETWORK_RECV_TIMEOUT;
        if (r < 0 && errno != EINTR)
            return NET_DVR_NETWORK_RECV_ERROR;
    }
    return NET_DVR_NOERROR;
}

uint32_t CSdkConnection::ReadFrame(SdkWire::FrameHeader* header, const uint8_t** payload, int timeoutMs)
{
    if (m_fd < 0)
        return NET_DVR_NETWORK_RECV_ERROR;
    const int64_t deadline = DeadlineOf(timeoutMs);
    uint32_t error = Fill(SdkWire::kHeaderSize, deadline);
    if (error != NET_DVR_NOERROR)
        return error;
    if (!SdkWire::DecodeHeader(m_buffer.data() + m_begin, header))
        return NET_DVR_NETWORK_ERRORDATA;
    error = Fill(SdkWire::kHeaderSize + header->Length, deadline);
    if (error != NET_DVR_NOERROR)
        return error;
    *payload = m_buffer.data() + m_begin + SdkWire::kHeaderSize;
    m_begin += SdkWire::kHeaderSize + header->Length;
    return NET_DVR_NOERROR;
}

void CSdkConnection::Shutdown()
{
    m_shut = true;
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

#include "tests/support/FakeSmtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

CFakeSmtpServer::CFakeSmtpServer(const Options& options) : m_options(options)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 8) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_port = ntohs(address.sin_port);
    m_listenFd = fd;
    m_thread = std::thread([this] { Run(); });
}

CFakeSmtpServer::~CFakeSmtpServer()
{
    if (m_listenFd < 0)
        return;
    // Shutting the sockets down ends a blocked accept or read.
    ::shutdown(m_listenFd, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_clientFd >= 0)
            ::shutdown(m_clientFd, SHUT_RDWR);
    }
    m_thread.join();
    ::close(m_listenFd);
}

void CFakeSmtpServer::Run()
{
    for (;;) {
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_clientFd = client;
        }
        Serve(client);
        std::lock_guard<std::mutex> lock(m_mutex);
        ::close(client);
        m_clientFd = -1;
        ++m_sessions;
        m_sessionEnded.notify_all();
    }
}

void CFakeSmtpServer::Serve(int fd)
{
    const auto reply = [fd](const QByteArray& text) {
        return ::send(fd, text.constData(), size_t(text.size()), MSG_NOSIGNAL) == text.size();
    };
    const bool brokenTls = m_options.Tls == StartTls::Broken;
    const bool offersTls = m_options.Tls != StartTls::NotOffered;
    if (!m_options.Silent && !reply("220 fake ESMTP\r\n"))
        return;
    QByteArray buffer;
    bool inData = false, awaitingLogin = false; // awaiting: a bare "AUTH PLAIN" was answered with 334
    char chunk[4096];
    for (qsizetype end = 0;; buffer.remove(0, end + 2)) {
        while ((end = buffer.indexOf("\r\n")) < 0) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            buffer.append(chunk, n);
        }
        const QByteArray line = buffer.left(end);
        if (m_options.Silent)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (inData) {
            if ((inData = line != "."))
                m_data += line + "\r\n";
            else if (!reply("250 queued\r\n"))
                return;
            continue;
        }
        if (awaitingLogin)
            m_lines.last() += " " + line; // the credentials of a bare "AUTH PLAIN"
        else
            m_lines.append(line);
        const QByteArray verb = awaitingLogin ? QByteArray("AUTH") : line.split(' ').first().toUpper();
        awaitingLogin = verb == "AUTH" && line.count(' ') == 1;
        if (verb == "DATA")
            m_data.clear();
        inData = verb == "DATA";
        const char* fixed = verb == "STARTTLS" ? (brokenTls ? "220 go ahead" : "454 no TLS")
                            : verb == "AUTH"   ? (m_options.RefuseAuth ? "535 refused" : "235 ok")
                            : inData           ? "354 go on"
                            : verb == "QUIT"   ? "221 bye"
                                               : "250 ok";
        const QByteArray answer =
            awaitingLogin ? QByteArray("334 ")
            : verb == "EHLO"
                ? QByteArray("250-fake\r\n") + (offersTls ? "250-STARTTLS\r\n" : "") + "250 AUTH PLAIN"
                : QByteArray(fixed);
        if (!reply(answer + "\r\n") || verb == "QUIT")
            return;
        if (verb == "STARTTLS" && brokenTls) {
            // Answers the client's first handshake bytes with bytes that are no handshake.
            if (::recv(fd, chunk, sizeof chunk, 0) > 0)
                reply("421 this is no TLS\r\n");
            return;
        }
    }
}

bool CFakeSmtpServer::WaitForSessions(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_sessionEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return m_sessions >= count; });
}

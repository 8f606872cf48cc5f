#include "tests/support/FakeSmtpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

QByteArray Between(const QByteArray& text, char open, char close)
{
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.lastIndexOf(close);
    if (start < 0 || end <= start)
        return QByteArray();
    return text.mid(start + 1, end - start - 1);
}

} // namespace

CFakeSmtpServer::CFakeSmtpServer(const Options& options) : m_options(options)
{
    if (::pipe2(m_wakeFds, O_CLOEXEC) != 0)
        return;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return;
    }
    m_port = ntohs(address.sin_port);
    m_listenFd = fd;
    m_thread = std::thread([this] { Run(); });
}

CFakeSmtpServer::~CFakeSmtpServer()
{
    if (m_wakeFds[1] >= 0) {
        const char stop = 'x';
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFds[1], &stop, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (const int fd : {m_listenFd, m_wakeFds[0], m_wakeFds[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void CFakeSmtpServer::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        Serve(client);
        ::close(client);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_sessions;
        }
        m_sessionEnded.notify_all();
    }
}

void CFakeSmtpServer::Serve(int clientFd)
{
    if (!m_options.Silent && !SendReply(clientFd, "220 fake.test ESMTP ready"))
        return;
    Phase phase = Phase::Command;
    QByteArray buffer;
    for (;;) {
        pollfd fds[2] = {{clientFd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        char chunk[4096];
        const ssize_t n = ::recv(clientFd, chunk, sizeof(chunk), 0);
        if (n <= 0)
            return;
        if (m_options.Silent)
            continue;
        buffer.append(chunk, n);
        for (;;) {
            if (phase == Phase::Data) {
                // The data ends with a line holding a single dot; what comes before it is kept as sent.
                qsizetype end = -1;
                if (buffer.startsWith(".\r\n"))
                    end = 0;
                else if (const qsizetype at = buffer.indexOf("\r\n.\r\n"); at >= 0)
                    end = at + 2;
                if (end < 0)
                    break;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_rawData = buffer.left(end);
                }
                buffer.remove(0, end + 3);
                phase = Phase::Command;
                if (!SendReply(clientFd, "250 2.0.0 queued"))
                    return;
                continue;
            }
            const qsizetype eol = buffer.indexOf('\n');
            if (eol < 0)
                break;
            QByteArray line = buffer.left(eol);
            buffer.remove(0, eol + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (!HandleLine(clientFd, line, phase))
                return;
        }
    }
}

bool CFakeSmtpServer::HandleLine(int clientFd, const QByteArray& line, Phase& phase)
{
    switch (phase) {
    case Phase::AuthPlain: {
        const QList<QByteArray> parts = QByteArray::fromBase64(line).split('\0');
        phase = Phase::Command;
        AcceptCredentials(clientFd, parts.value(1), parts.value(2));
        return true;
    }
    case Phase::AuthLoginUser: {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_authUser = QByteArray::fromBase64(line);
        phase = Phase::AuthLoginPassword;
        return SendReply(clientFd, "334 UGFzc3dvcmQ6");
    }
    case Phase::AuthLoginPassword: {
        QByteArray user;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            user = m_authUser;
        }
        phase = Phase::Command;
        AcceptCredentials(clientFd, user, QByteArray::fromBase64(line));
        return true;
    }
    case Phase::Command:
    case Phase::Data:
        break;
    }

    const qsizetype space = line.indexOf(' ');
    const QByteArray verb = (space < 0 ? line : line.left(space)).toUpper();
    const QByteArray argument = space < 0 ? QByteArray() : line.mid(space + 1);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.append(verb + (space < 0 ? QByteArray() : " " + argument));
        if (verb == "MAIL")
            m_mailFrom = Between(argument, '<', '>');
        else if (verb == "RCPT")
            m_recipients.append(Between(argument, '<', '>'));
    }

    if (verb == "EHLO") {
        QByteArray reply = "250-fake.test\r\n";
        if (m_options.OfferStartTls)
            reply += "250-STARTTLS\r\n";
        reply += "250 AUTH PLAIN LOGIN";
        return SendReply(clientFd, reply);
    }
    if (verb == "HELO" || verb == "MAIL" || verb == "RCPT" || verb == "RSET" || verb == "NOOP")
        return SendReply(clientFd, "250 2.0.0 OK");
    if (verb == "STARTTLS")
        return SendReply(clientFd, "454 4.7.0 TLS not available");
    if (verb == "AUTH") {
        const QList<QByteArray> words = argument.split(' ');
        const QByteArray mechanism = words.value(0).toUpper();
        if (mechanism == "PLAIN" && words.size() > 1) {
            const QList<QByteArray> parts = QByteArray::fromBase64(words.value(1)).split('\0');
            AcceptCredentials(clientFd, parts.value(1), parts.value(2));
            return true;
        }
        if (mechanism == "PLAIN") {
            phase = Phase::AuthPlain;
            return SendReply(clientFd, "334 ");
        }
        if (mechanism == "LOGIN") {
            phase = Phase::AuthLoginUser;
            return SendReply(clientFd, "334 VXNlcm5hbWU6");
        }
        return SendReply(clientFd, "504 5.5.4 mechanism not supported");
    }
    if (verb == "DATA") {
        phase = Phase::Data;
        return SendReply(clientFd, "354 end data with <CR><LF>.<CR><LF>");
    }
    if (verb == "QUIT") {
        SendReply(clientFd, "221 2.0.0 bye");
        return false;
    }
    return SendReply(clientFd, "500 5.5.2 unknown command");
}

void CFakeSmtpServer::AcceptCredentials(int clientFd, const QByteArray& user, const QByteArray& password)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_authUser = user;
        m_authPassword = password;
    }
    SendReply(clientFd, m_options.RefuseAuth ? "535 5.7.8 authentication failed" : "235 2.7.0 accepted");
}

bool CFakeSmtpServer::SendReply(int clientFd, const QByteArray& reply)
{
    const QByteArray wire = reply + "\r\n";
    qsizetype sent = 0;
    while (sent < wire.size()) {
        const ssize_t n = ::send(clientFd, wire.constData() + sent, size_t(wire.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool CFakeSmtpServer::WaitForSessions(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_sessionEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return m_sessions >= count; });
}

int CFakeSmtpServer::Sessions() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sessions;
}

QList<QByteArray> CFakeSmtpServer::Commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

QList<QByteArray> CFakeSmtpServer::Verbs() const
{
    QList<QByteArray> verbs;
    for (const QByteArray& command : Commands())
        verbs.append(command.split(' ').value(0));
    return verbs;
}

QByteArray CFakeSmtpServer::AuthUser() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_authUser;
}

QByteArray CFakeSmtpServer::AuthPassword() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_authPassword;
}

QByteArray CFakeSmtpServer::MailFrom() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mailFrom;
}

QList<QByteArray> CFakeSmtpServer::Recipients() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_recipients;
}

QByteArray CFakeSmtpServer::RawData() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rawData;
}

QByteArray CFakeSmtpServer::Message() const
{
    const QByteArray raw = RawData();
    QByteArray message = raw.startsWith("..") ? raw.mid(1) : raw;
    return message.replace("\r\n..", "\r\n.");
}

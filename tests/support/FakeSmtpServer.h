#pragma once

// A scripted SMTP responder for tests on 127.0.0.1 (ephemeral port), in its own thread, one session at a
// time. It answers every command with success unless its script says otherwise, and records the command
// lines and the DATA bytes as they came over the wire.

#include <QByteArray>
#include <QList>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CFakeSmtpServer
{
public:
    enum class StartTls
    {
        NotOffered,
        Broken,  // offered, accepted, then not spoken: the client's handshake fails
        Refused, // offered, then refused when the client asks for it
    };
    struct Options
    {
        bool RefuseAuth = false;
        bool Silent = false; // accept, read, never answer
        StartTls Tls = StartTls::NotOffered;
    };

    explicit CFakeSmtpServer(const Options& options);
    CFakeSmtpServer() : CFakeSmtpServer(Options()) {}
    ~CFakeSmtpServer();
    CFakeSmtpServer(const CFakeSmtpServer&) = delete;
    CFakeSmtpServer& operator=(const CFakeSmtpServer&) = delete;

    bool IsListening() const { return m_listenFd >= 0; }
    uint16_t Port() const { return m_port; }
    // Waits until `count` sessions have ended; false when that did not happen in time.
    bool WaitForSessions(int count, int timeoutMs = 10000);
    // Every line the client sent outside DATA, in order, sessions one after the other.
    QList<QByteArray> Lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    // The DATA of the last mail as sent (dot-stuffed, CRLF line ends), without the closing ".".
    QByteArray RawData() const
    {
        std::lock_guard lock(m_mutex);
        return m_data;
    }

private:
    void Run();
    void Serve(int clientFd);

    const Options m_options;
    int m_listenFd = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_sessionEnded;
    int m_clientFd = -1;
    int m_sessions = 0;
    QList<QByteArray> m_lines;
    QByteArray m_data;
};

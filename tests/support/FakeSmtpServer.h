#pragma once

// A mail server for tests on 127.0.0.1 (ephemeral port), in its own thread. It speaks plain SMTP, one session
// at a time, and records what a client sent: the commands, the login, the envelope and the DATA bytes as they
// came over the wire. It can refuse the login, offer STARTTLS (and then decline it, as it has no TLS), or
// accept connections and never answer.

#include <QByteArray>
#include <QList>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CFakeSmtpServer
{
public:
    struct Options
    {
        bool RefuseAuth = false;
        bool Silent = false; // accept, read, never answer
        bool OfferStartTls = false;
    };

    explicit CFakeSmtpServer(const Options& options);
    CFakeSmtpServer() : CFakeSmtpServer(Options()) {}
    ~CFakeSmtpServer();
    CFakeSmtpServer(const CFakeSmtpServer&) = delete;
    CFakeSmtpServer& operator=(const CFakeSmtpServer&) = delete;

    bool IsListening() const { return m_listenFd >= 0; }
    uint16_t Port() const { return m_port; }

    // Waits until `count` sessions have ended (the client closed); false when that did not happen in time.
    bool WaitForSessions(int count, int timeoutMs = 10000);

    int Sessions() const;
    // Every command line in order, verb upper-cased ("EHLO", "AUTH PLAIN", "MAIL FROM:<a@b>", ...); the
    // lines of a login exchange are not commands and are left out.
    QList<QByteArray> Commands() const;
    QList<QByteArray> Verbs() const;
    QByteArray AuthUser() const;
    QByteArray AuthPassword() const;
    QByteArray MailFrom() const; // the address between the angle brackets
    QList<QByteArray> Recipients() const;
    QByteArray RawData() const; // DATA as sent, dot-stuffed, without the closing "."
    QByteArray Message() const; // DATA with the stuffing undone

private:
    enum class Phase
    {
        Command,
        AuthPlain,
        AuthLoginUser,
        AuthLoginPassword,
        Data,
    };

    void Run();
    void Serve(int clientFd);
    // Handles one line; returns false when the session is over.
    bool HandleLine(int clientFd, const QByteArray& line, Phase& phase);
    void AcceptCredentials(int clientFd, const QByteArray& user, const QByteArray& password);
    bool SendReply(int clientFd, const QByteArray& reply);

    const Options m_options;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    uint16_t m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_sessionEnded;
    int m_sessions = 0;
    QList<QByteArray> m_commands;
    QByteArray m_authUser;
    QByteArray m_authPassword;
    QByteArray m_mailFrom;
    QList<QByteArray> m_recipients;
    QByteArray m_rawData;
};

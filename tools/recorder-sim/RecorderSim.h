#pragma once

// One simulated recorder serving the device layer's protocol on its own threads. Tests run it in-process on
// an ephemeral loopback port; faults can be changed while it runs; the call log and the counters show what
// the client did and whether it left anything open.

#include "sdk/SdkProtocol.h"
#include "tools/recorder-sim/SimConfig.h"

#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// One request as the recorder saw it. Op is one of "login", "logout", "find", "next", "play-open", "start",
// "speed", "position", "stop", "capture", "sent" once a play-back's whole range was sent, and "closed" for a
// connection closed on a request by the scripted close (Code: the request's message type).
struct SimCall
{
    QString Op;
    int Channel = -1;
    int Code = 0;     // find: file type; next: result; speed: control code; capture: picture size
    qint64 Value = 0; // speed: value; position: the answer; play-open: range length
    bool Ok = true;
    qint64 FirstNs = 0; // "sent": steady-clock times of the first and the last block sent
    qint64 LastNs = 0;
};

// What is open on the recorder right now.
struct SimCounters
{
    int Sessions = 0;
    int Searches = 0;
    int Playbacks = 0;

    bool IsIdle() const { return Sessions == 0 && Searches == 0 && Playbacks == 0; }
};

// The longest request the recorder takes. Its requests are a few hundred bytes; a longer declared length is
// refused before anything of it is kept, so a connection never holds more than this and one read buffer.
constexpr uint32_t kSimMaxRequest = 64 * 1024;

class CRecorderSim
{
public:
    explicit CRecorderSim(SimRecorderConfig config);
    ~CRecorderSim();
    CRecorderSim(const CRecorderSim&) = delete;
    CRecorderSim& operator=(const CRecorderSim&) = delete;

    bool Start(QString* error = nullptr);
    void Stop();
    bool IsRunning() const { return m_listenFd >= 0; }

    quint16 Port() const { return m_port; }
    QString Address() const { return m_config.Address; }
    QByteArray AddressBytes() const { return m_config.Address.toLatin1(); }
    SimRecorderConfig Config() const;

    // Faults, effective from the next request.
    void SetLoginRefusals(int count);
    void SetSilent(bool silent);
    void SetRate(qint64 bytesPerSecond);
    // The connection of the next `times` requests of this kind (-1: all) is closed without an answer.
    void SetCloseOn(const QString& op, int times = 1);
    void SetChannelFaults(int channel, const SimChannelFaults& faults);
    // Takes the faults of another configuration of this recorder (login refusals and delay, silence, rate,
    // the scripted close, every channel's faults); its recordings stay.
    void ApplyFaults(const SimRecorderConfig& config);
    SimChannelFaults ChannelFaults(int channel) const;
    void AddRecording(int channel, const SimRecording& recording);
    // Drops every connection and forgets every session, as a restarting recorder would.
    void Reboot();

    QList<SimCall> CallLog() const;
    QList<SimCall> Calls(const QString& op) const;
    void ClearCallLog();
    SimCounters Counters() const;
    // Client connections open now, logged in or not.
    int OpenConnections() const;
    // Waits until nothing is open; false when that did not happen within the time.
    bool WaitForIdle(int timeoutMs) const;

    // What a play-back of the channel's range delivers, to compare with what a client received or stored.
    CSimPlaybackContent Expected(int channel, const NET_DVR_TIME& start, const NET_DVR_TIME& stop) const;

private:
    struct Connection
    {
        int Fd = -1; // -1 once its thread closed it; read and closed under the connection lock
        std::thread Thread;
        std::atomic<bool> Done{false};
    };
    struct Search
    {
        int Channel = 0;
        std::vector<int> Matches;
        size_t Next = 0;
        int BusyLeft = 0;
    };
    struct Session
    {
        std::map<uint32_t, Search> Searches;
        int64_t LastPlaybackRequestMs = 0; // steady clock; 0: none yet
    };
    class CFrameReader;

    void AcceptLoop();
    void Serve(Connection* connection);
    void ServeControl(int fd, CFrameReader& reader, SdkWire::FrameHeader header,
                      std::vector<uint8_t> payload);
    // The control connection's next request, as CFrameReader::Next: 0 once neither it nor a play-back of its
    // session asked anything for the idle time.
    int NextControlRequest(CFrameReader& reader, uint32_t token, SdkWire::FrameHeader* header,
                           std::vector<uint8_t>* payload);
    void NotePlaybackRequestLocked(uint32_t token);
    bool IsSilent() const;
    // True when the scripted close takes this request: the caller closes its connection without answering.
    bool CloseOnRequest(uint16_t type);
    void ServePlayback(int fd, CFrameReader& reader, const std::vector<uint8_t>& open);
    void Log(SimCall call);
    void EndSessionLocked(uint32_t token);
    void ReapLocked();

    mutable std::mutex m_mutex; // configuration, sessions, log, counters
    mutable std::condition_variable m_changed;
    SimRecorderConfig m_config;
    std::map<uint32_t, Session> m_sessions;
    uint32_t m_nextToken = 1;
    uint32_t m_nextSearch = 1;
    SimCounters m_counters;
    QList<SimCall> m_log;

    mutable std::mutex m_connectionMutex;
    std::list<std::unique_ptr<Connection>> m_connections;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    quint16 m_port = 0;
    std::thread m_acceptThread;
    std::atomic<bool> m_stopping{false};
};

#pragma once

// The service outside the program that is fed a heartbeat while the program runs. The program's service is
// the service manager's notification socket (NOTIFY_SOCKET); without that variable nothing is sent.

#include <QByteArray>

#include <memory>

class IWatchDogService
{
public:
    virtual ~IWatchDogService() = default;
    // Called once, with 1, when the heartbeat thread starts.
    virtual void OpenWatchDog(int mode) = 0;
    // 0 once a second while the program runs; 2 once when it stops.
    virtual void SendHeartbeat(int code) = 0;
};

// Heartbeats as service-manager notifications: "WATCHDOG=1" for code 0, "STOPPING=1" for code 2, nothing for
// other codes. Silent when NOTIFY_SOCKET is not set or the socket does not answer.
class CNotifyWatchDog : public IWatchDogService
{
public:
    // The socket address as NOTIFY_SOCKET gives it: a path, or "@name" for an abstract socket.
    explicit CNotifyWatchDog(const QByteArray& socketAddress);
    // The address from the environment (empty when not set).
    static std::shared_ptr<IWatchDogService> FromEnvironment();

    void OpenWatchDog(int mode) override;
    void SendHeartbeat(int code) override;

private:
    bool Notify(const QByteArray& message) const;

    QByteArray m_address;
};

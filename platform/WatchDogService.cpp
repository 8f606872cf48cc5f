#include "platform/WatchDogService.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

CNotifyWatchDog::CNotifyWatchDog(const QByteArray& socketAddress) : m_address(socketAddress) {}

std::shared_ptr<IWatchDogService> CNotifyWatchDog::FromEnvironment()
{
    return std::make_shared<CNotifyWatchDog>(qgetenv("NOTIFY_SOCKET"));
}

void CNotifyWatchDog::OpenWatchDog(int) {}

void CNotifyWatchDog::SendHeartbeat(int code)
{
    if (code == 0)
        Notify("WATCHDOG=1");
    else if (code == 2)
        Notify("STOPPING=1");
}

bool CNotifyWatchDog::Notify(const QByteArray& message) const
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_address.isEmpty() || size_t(m_address.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, m_address.constData(), size_t(m_address.size()));
    // "@name" is an abstract socket: its first byte is zero.
    if (address.sun_path[0] == '@')
        address.sun_path[0] = '\0';
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(m_address.size()));

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const ssize_t sent = ::sendto(fd, message.constData(), size_t(message.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), length);
    ::close(fd);
    return sent == message.size();
}

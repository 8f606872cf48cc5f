#include "model/HostAddress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::vector<std::string> GetAddressByHost(const std::string& host)
{
    std::vector<std::string> list;
    if (host.empty())
        return list;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    // One socket type only: otherwise the resolver repeats each address for stream, datagram and raw sockets.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0)
        return list;
    for (const addrinfo* entry = result; entry; entry = entry->ai_next) {
        char text[64] = {};
        if (entry->ai_family == AF_INET) {
            const auto* a = reinterpret_cast<const uint8_t*>(
                &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
            std::snprintf(text, sizeof(text), "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
        } else if (entry->ai_family == AF_INET6) {
            const uint8_t* a = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr.s6_addr;
            std::snprintf(text, sizeof(text),
                          "%02x%02x:%02x%02x:%02x%02x:%02x%02x:%02x%02x:%02x%02x:%02x%02x:%02x%02x", a[0],
                          a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11], a[12], a[13],
                          a[14], a[15]);
        } else {
            continue;
        }
        if (std::find(list.begin(), list.end(), text) == list.end())
            list.emplace_back(text);
    }
    ::freeaddrinfo(result);
    return list;
}

std::string GetFirstIPv4Address(const std::string& host)
{
    for (const std::string& address : GetAddressByHost(host))
        if (address.find(':') == std::string::npos)
            return address;
    return {};
}

bool IPStringToUInt(const char* text, unsigned* out)
{
    unsigned ignored = 0;
    unsigned* result = out ? out : &ignored;
    *result = 0;
    if (!text)
        return false;
    if (*text == '\0')
        return true;
    int dots = 0;
    for (const char* p = text; *p; ++p) {
        if (*p == '.')
            ++dots;
        else if (*p != ' ' && (*p < '0' || *p > '9'))
            return false;
    }
    if (dots != 3)
        return false;
    // Read as "%d.%d.%d.%d" would, but every number must be there and none can overflow.
    unsigned parts[4] = {0, 0, 0, 0};
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        while (*p == ' ')
            ++p;
        if (*p < '0' || *p > '9')
            return false;
        unsigned value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + unsigned(*p - '0');
            if (value > 255)
                return false;
            ++p;
        }
        parts[i] = value;
        if (i < 3) {
            if (*p != '.')
                return false;
            ++p;
        }
    }
    while (*p == ' ')
        ++p;
    if (*p != '\0')
        return false;
    *result = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    return true;
}

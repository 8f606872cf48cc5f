#pragma once

// A login: the control connection to one recorder. Requests on it run one at a time; a request that fails on
// the network or times out leaves the connection broken, so a late answer is never taken for the next one's.

#include "sdk/SdkConnection.h"

#include <mutex>
#include <string>

class CSdkSession
{
public:
    CSdkSession(std::string address, uint16_t port) : m_address(std::move(address)), m_port(port) {}

    // Connects and logs in; returns an error code.
    uint32_t Login(const char* user, const char* password, NET_DVR_DEVICE_INFO* info);
    // Sends one request and waits for its answer; a non-zero answer status is returned as the error code.
    uint32_t Request(std::vector<uint8_t> frame, std::vector<uint8_t>* answer);
    void Close();

    const std::string& Address() const { return m_address; }
    uint16_t Port() const { return m_port; }
    uint32_t Token() const { return m_token; }

private:
    std::mutex m_mutex;
    CSdkConnection m_connection;
    std::string m_address;
    uint16_t m_port = 0;
    uint32_t m_token = 0;
    bool m_broken = false;
};

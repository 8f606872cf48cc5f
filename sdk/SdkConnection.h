#pragma once

// One TCP connection of the device layer: blocking socket calls bounded by time-outs, and a buffered frame
// reader. Shutdown may be called from any thread and wakes a reader blocked on the socket.

#include "sdk/SdkProtocol.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CSdkConnection
{
public:
    CSdkConnection() = default;
    ~CSdkConnection();
    CSdkConnection(const CSdkConnection&) = delete;
    CSdkConnection& operator=(const CSdkConnection&) = delete;

    // Returns an NET_DVR error code, NET_DVR_NOERROR when connected.
    uint32_t Connect(const char* address, uint16_t port, int timeoutMs);
    uint32_t Send(const std::vector<uint8_t>& frame, int timeoutMs);
    // Reads the next frame; the payload stays valid until the next call. timeoutMs < 0 waits until the frame
    // arrives or the connection ends.
    uint32_t ReadFrame(SdkWire::FrameHeader* header, const uint8_t** payload, int timeoutMs);
    void Shutdown();

private:
    uint32_t Fill(size_t need, int64_t deadlineMs);

    int m_fd = -1;
    std::atomic<bool> m_shut{false};
    std::vector<uint8_t> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
};

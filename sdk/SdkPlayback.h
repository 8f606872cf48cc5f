#pragma once

// One play-back by time: its own connection to the recorder, read by its own thread. That thread hands stream
// blocks to the data callback and answers to the caller waiting for them; since the recorder sends an answer
// after every block it sent before, a position of 100 is read only once every byte reached the callback.

#include "sdk/SdkConnection.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class CSdkPlayback : public std::enable_shared_from_this<CSdkPlayback>
{
public:
    explicit CSdkPlayback(int32_t handle) : m_handle(handle) {}
    ~CSdkPlayback();

    // Connects, opens the range and starts the reader thread.
    uint32_t Open(const std::string& address, uint16_t port, uint32_t token, int32_t channel,
                  const NET_DVR_TIME& start, const NET_DVR_TIME& stop);
    void SetCallback(PLAY_DATA_CALLBACK callback, void* user);
    uint32_t Request(std::vector<uint8_t> frame, std::vector<uint8_t>* answer);
    uint64_t Length() const { return m_length; }
    // See NET_DVR_StopPlayBack.
    void Stop(bool tellRecorder);

private:
    void ReadLoop();

    const int32_t m_handle;
    uint64_t m_length = 0;
    CSdkConnection m_connection;
    std::thread m_reader;
    std::mutex m_requestMutex; // one request at a time

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_changed;
    PLAY_DATA_CALLBACK m_callback = nullptr;
    void* m_user = nullptr;
    bool m_stopping = false;
    bool m_started = false; // the recorder answered the start: stream blocks before that are dropped
    bool m_broken = false;
    uint32_t m_brokenError = NET_DVR_NETWORK_RECV_ERROR;
    bool m_waiting = false;
    bool m_answered = false;
    SdkWire::FrameHeader m_answerHeader;
    std::vector<uint8_t> m_answer;
};

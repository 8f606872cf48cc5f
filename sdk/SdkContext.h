#pragma once

// The device layer's process-wide state: whether it is initialised, the time-outs, and the tables of live
// login, search and play-back handles. Handle numbers come from one counter and are never given out twice.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

class CSdkSession;
class CSdkPlayback;

struct CSdkSearch
{
    std::shared_ptr<CSdkSession> Session;
    uint32_t RecorderId = 0;
};

class CSdkContext
{
public:
    static CSdkContext& Instance();

    bool Init();
    void Cleanup();
    bool IsInitialised() const { return m_initialised; }

    int ConnectTimeout() const { return m_connectMs; }
    int AnswerTimeout() const { return m_answerMs; }
    void SetTimeouts(uint32_t connectMs, uint32_t answerMs);

    // -1 when the layer is not initialised or the numbers are used up.
    int32_t AddSession(std::shared_ptr<CSdkSession> session);
    int32_t AddSearch(std::shared_ptr<CSdkSearch> search);
    int32_t NewPlaybackHandle();
    bool AddPlayback(int32_t handle, std::shared_ptr<CSdkPlayback> playback);

    std::shared_ptr<CSdkSession> Session(int32_t handle);
    std::shared_ptr<CSdkSearch> Search(int32_t handle);
    std::shared_ptr<CSdkPlayback> Playback(int32_t handle);
    std::shared_ptr<CSdkSession> TakeSession(int32_t handle);
    std::shared_ptr<CSdkSearch> TakeSearch(int32_t handle);
    std::shared_ptr<CSdkPlayback> TakePlayback(int32_t handle);

private:
    CSdkContext() = default;
    int32_t NextHandleLocked();

    std::mutex m_mutex;
    std::atomic<bool> m_initialised{false};
    std::atomic<int> m_connectMs{3000};
    std::atomic<int> m_answerMs{5000};
    int64_t m_nextHandle = 0;
    std::map<int32_t, std::shared_ptr<CSdkSession>> m_sessions;
    std::map<int32_t, std::shared_ptr<CSdkSearch>> m_searches;
    std::map<int32_t, std::shared_ptr<CSdkPlayback>> m_playbacks;
};

// The calling thread's last error.
void SetSdkError(uint32_t error);

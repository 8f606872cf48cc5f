#include "sdk/SdkContext.h"

#include "sdk/DeviceSdk.h"
#include "sdk/SdkPlayback.h"
#include "sdk/SdkSession.h"

#include <climits>
#include <vector>

namespace {
thread_local uint32_t t_lastError = NET_DVR_NOERROR;

template <typename T> std::shared_ptr<T> Find(std::map<int32_t, std::shared_ptr<T>>& table, int32_t handle)
{
    const auto it = table.find(handle);
    return it == table.end() ? nullptr : it->second;
}

template <typename T> std::shared_ptr<T> Take(std::map<int32_t, std::shared_ptr<T>>& table, int32_t handle)
{
    const auto it = table.find(handle);
    if (it == table.end())
        return nullptr;
    auto value = std::move(it->second);
    table.erase(it);
    return value;
}
} // namespace

void SetSdkError(uint32_t error)
{
    t_lastError = error;
}

uint32_t NET_DVR_GetLastError()
{
    return t_lastError;
}

CSdkContext& CSdkContext::Instance()
{
    static CSdkContext context;
    return context;
}

bool CSdkContext::Init()
{
    m_initialised = true;
    return true;
}

void CSdkContext::Cleanup()
{
    std::map<int32_t, std::shared_ptr<CSdkSession>> sessions;
    std::map<int32_t, std::shared_ptr<CSdkPlayback>> playbacks;
    {
        std::lock_guard lock(m_mutex);
        m_initialised = false;
        sessions.swap(m_sessions);
        playbacks.swap(m_playbacks);
        m_searches.clear();
    }
    // Outside the lock: stopping joins reader threads whose callbacks may call into the layer.
    for (auto& [handle, playback] : playbacks)
        playback->Stop(false);
    for (auto& [handle, session] : sessions)
        session->Close();
}

void CSdkContext::SetTimeouts(uint32_t connectMs, uint32_t answerMs)
{
    if (connectMs > 0)
        m_connectMs = int(connectMs > INT_MAX ? INT_MAX : connectMs);
    if (answerMs > 0)
        m_answerMs = int(answerMs > INT_MAX ? INT_MAX : answerMs);
}

int32_t CSdkContext::NextHandleLocked()
{
    if (!m_initialised || m_nextHandle > INT32_MAX)
        return -1;
    return int32_t(m_nextHandle++);
}

int32_t CSdkContext::AddSession(std::shared_ptr<CSdkSession> session)
{
    std::lock_guard lock(m_mutex);
    const int32_t handle = NextHandleLocked();
    if (handle >= 0)
        m_sessions.emplace(handle, std::move(session));
    return handle;
}

int32_t CSdkContext::AddSearch(std::shared_ptr<CSdkSearch> search)
{
    std::lock_guard lock(m_mutex);
    const int32_t handle = NextHandleLocked();
    if (handle >= 0)
        m_searches.emplace(handle, std::move(search));
    return handle;
}

int32_t CSdkContext::NewPlaybackHandle()
{
    std::lock_guard lock(m_mutex);
    return NextHandleLocked();
}

bool CSdkContext::AddPlayback(int32_t handle, std::shared_ptr<CSdkPlayback> playback)
{
    std::lock_guard lock(m_mutex);
    if (!m_initialised)
        return false; // cleaned up while it was opening
    m_playbacks.emplace(handle, std::move(playback));
    return true;
}

std::shared_ptr<CSdkSession> CSdkContext::Session(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Find(m_sessions, handle);
}

std::shared_ptr<CSdkSearch> CSdkContext::Search(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Find(m_searches, handle);
}

std::shared_ptr<CSdkPlayback> CSdkContext::Playback(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Find(m_playbacks, handle);
}

std::shared_ptr<CSdkSession> CSdkContext::TakeSession(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Take(m_sessions, handle);
}

std::shared_ptr<CSdkSearch> CSdkContext::TakeSearch(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Take(m_searches, handle);
}

std::shared_ptr<CSdkPlayback> CSdkContext::TakePlayback(int32_t handle)
{
    std::lock_guard lock(m_mutex);
    return Take(m_playbacks, handle);
}

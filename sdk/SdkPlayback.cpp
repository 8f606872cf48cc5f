#include "sdk/SdkPlayback.h"

#include "sdk/SdkContext.h"

#include <chrono>

CSdkPlayback::~CSdkPlayback()
{
    Stop(false);
}

uint32_t CSdkPlayback::Open(const std::string& address, uint16_t port, uint32_t token, int32_t channel,
                            const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    CSdkContext& context = CSdkContext::Instance();
    uint32_t error = m_connection.Connect(address.c_str(), port, context.ConnectTimeout());
    if (error != NET_DVR_NOERROR)
        return error;
    const auto frame =
        SdkWire::CWriter().U32(token).I32(channel).Time(start).Time(stop).Finish(SdkWire::PlayOpen);
    error = m_connection.Send(frame, context.AnswerTimeout());
    SdkWire::FrameHeader header;
    const uint8_t* payload = nullptr;
    if (error == NET_DVR_NOERROR)
        error = m_connection.ReadFrame(&header, &payload, context.AnswerTimeout());
    if (error == NET_DVR_NOERROR && header.Type != SdkWire::PlayOpen)
        error = NET_DVR_NETWORK_ERRORDATA;
    if (error == NET_DVR_NOERROR && header.Status != NET_DVR_NOERROR)
        error = header.Status;
    if (error != NET_DVR_NOERROR) {
        m_connection.Shutdown();
        return error;
    }
    SdkWire::CReader reader(payload, header.Length);
    m_length = reader.U64();
    if (!reader.Ok()) {
        m_connection.Shutdown();
        return NET_DVR_NETWORK_ERRORDATA;
    }
    // The thread keeps the object alive: a stop from inside the callback cannot pull it away under the
    // thread.
    m_reader = std::thread([self = shared_from_this()] { self->ReadLoop(); });
    return NET_DVR_NOERROR;
}

void CSdkPlayback::SetCallback(PLAY_DATA_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_mutex);
    m_callback = callback;
    m_user = user;
}

void CSdkPlayback::ReadLoop()
{
    for (;;) {
        SdkWire::FrameHeader header;
        const uint8_t* payload = nullptr;
        const uint32_t error = m_connection.ReadFrame(&header, &payload, -1);
        std::unique_lock lock(m_mutex);
        if (error != NET_DVR_NOERROR || m_stopping) {
            m_broken = true;
            m_brokenError = error == NET_DVR_NOERROR ? NET_DVR_NETWORK_RECV_ERROR : error;
            m_changed.notify_all();
            return;
        }
        if (header.Type == SdkWire::PlayData) {
            // No data flows before the start: a block that came sooner is not the caller's to write.
            if (!m_started || (header.Status != NET_DVR_DATA_HEADER && header.Status != NET_DVR_DATA_STREAM))
                continue;
            const PLAY_DATA_CALLBACK callback = m_callback;
            void* user = m_user;
            lock.unlock();
            // Stop waits for this thread to end, so the callback never outlives NET_DVR_StopPlayBack.
            if (callback)
                callback(m_handle, header.Status, const_cast<uint8_t*>(payload), header.Length, user);
            continue;
        }
        if (header.Type == SdkWire::PlayStart && header.Status == NET_DVR_NOERROR)
            m_started = true;
        if (m_waiting && !m_answered) {
            m_answerHeader = header;
            m_answer.assign(payload, payload + header.Length);
            m_answered = true;
            m_changed.notify_all();
        }
    }
}

uint32_t CSdkPlayback::Request(std::vector<uint8_t> frame, std::vector<uint8_t>* answer)
{
    std::lock_guard requestLock(m_requestMutex);
    const uint16_t type = SdkWire::GetU16(frame.data() + 2);
    const int timeout = CSdkContext::Instance().AnswerTimeout();
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return NET_DVR_INVALID_HANDLE;
        if (m_broken)
            return m_brokenError;
        m_waiting = true;
        m_answered = false;
    }
    uint32_t error = m_connection.Send(frame, timeout);
    std::unique_lock lock(m_mutex);
    if (error == NET_DVR_NOERROR && !m_changed.wait_for(lock, std::chrono::milliseconds(timeout),
                                                        [this] { return m_answered || m_broken; }))
        error = NET_DVR_NETWORK_RECV_TIMEOUT;
    if (error == NET_DVR_NOERROR && !m_answered)
        error = m_brokenError;
    if (error == NET_DVR_NOERROR && m_answerHeader.Type != type)
        error = NET_DVR_NETWORK_ERRORDATA;
    m_waiting = false;
    if (error != NET_DVR_NOERROR) {
        // A late answer must never be read as the next request's: the connection is done.
        m_broken = true;
        m_brokenError = error == NET_DVR_NETWORK_RECV_TIMEOUT ? NET_DVR_NETWORK_RECV_ERROR : error;
        lock.unlock();
        m_connection.Shutdown();
        return error;
    }
    if (answer)
        answer->swap(m_answer);
    return m_answerHeader.Status;
}

void CSdkPlayback::Stop(bool tellRecorder)
{
    bool broken;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping && !m_reader.joinable())
            return;
        // From here on no block reaches the callback, even one already on its way.
        m_callback = nullptr;
        broken = m_broken;
    }
    const bool onReader = m_reader.joinable() && m_reader.get_id() == std::this_thread::get_id();
    if (tellRecorder && !broken) {
        if (onReader) {
            // Called from the data callback: the answer could only be read by this very thread, so the stop
            // is sent without waiting for it (and not at all while another request is on the wire; closing
            // the connection ends the play-back just as well).
            std::unique_lock requestLock(m_requestMutex, std::try_to_lock);
            if (requestLock.owns_lock())
                m_connection.Send(SdkWire::CWriter().Finish(SdkWire::PlayStop),
                                  CSdkContext::Instance().AnswerTimeout());
        } else {
            Request(SdkWire::CWriter().Finish(SdkWire::PlayStop), nullptr);
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_connection.Shutdown();
    if (!m_reader.joinable())
        return;
    if (onReader)
        m_reader.detach(); // called from the callback: the thread ends when the callback returns
    else
        m_reader.join();
}

#include "sdk/SdkSession.h"

#include "sdk/SdkContext.h"

uint32_t CSdkSession::Login(const char* user, const char* password, NET_DVR_DEVICE_INFO* info)
{
    {
        std::lock_guard lock(m_mutex);
        const uint32_t error =
            m_connection.Connect(m_address.c_str(), m_port, CSdkContext::Instance().ConnectTimeout());
        if (error != NET_DVR_NOERROR) {
            m_broken = true;
            return error;
        }
    }
    std::vector<uint8_t> answer;
    const uint32_t error =
        Request(SdkWire::CWriter().Text(user).Text(password).Finish(SdkWire::Login), &answer);
    if (error != NET_DVR_NOERROR)
        return error;
    SdkWire::CReader reader(answer.data(), answer.size());
    m_token = reader.U32();
    NET_DVR_DEVICE_INFO received;
    reader.Bytes(&received, sizeof(received));
    if (!reader.Ok()) {
        Close();
        return NET_DVR_NETWORK_ERRORDATA;
    }
    if (info)
        *info = received;
    return NET_DVR_NOERROR;
}

uint32_t CSdkSession::Request(std::vector<uint8_t> frame, std::vector<uint8_t>* answer)
{
    std::lock_guard lock(m_mutex);
    if (m_broken)
        return NET_DVR_NETWORK_RECV_ERROR;
    const uint16_t type = SdkWire::GetU16(frame.data() + 2);
    const int timeout = CSdkContext::Instance().AnswerTimeout();
    uint32_t error = m_connection.Send(frame, timeout);
    SdkWire::FrameHeader header;
    const uint8_t* payload = nullptr;
    if (error == NET_DVR_NOERROR)
        error = m_connection.ReadFrame(&header, &payload, timeout);
    if (error == NET_DVR_NOERROR && header.Type != type)
        error = NET_DVR_NETWORK_ERRORDATA;
    if (error != NET_DVR_NOERROR) {
        m_broken = true;
        m_connection.Shutdown();
        return error;
    }
    if (answer)
        answer->assign(payload, payload + header.Length);
    return header.Status;
}

void CSdkSession::Close()
{
    // No lock: this must wake a request that is waiting on the connection.
    m_connection.Shutdown();
}

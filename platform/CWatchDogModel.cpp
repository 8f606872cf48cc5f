#include "platform/CWatchDogModel.h"

#include <system_error>

CWatchDogModel::CWatchDogModel(std::shared_ptr<IWatchDogService> service)
    : m_service(service ? std::move(service) : CNotifyWatchDog::FromEnvironment())
{
}

CWatchDogModel::~CWatchDogModel()
{
    Stop();
}

bool CWatchDogModel::Start()
{
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable())
        return false;
    m_stop.Clear();
    try {
        m_thread = std::thread(&CWatchDogModel::ThreadProc, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CWatchDogModel::Stop()
{
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable())
        return true;
    m_stop.Set();
    m_thread.join();
    return true;
}

void CWatchDogModel::ThreadProc()
{
    m_service->OpenWatchDog(1);
    while (EngineSleep(1000, &m_stop))
        m_service->SendHeartbeat(0);
    m_service->SendHeartbeat(2);
}

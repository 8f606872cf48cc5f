#pragma once

// Feeds the watchdog service a heartbeat once a second (on the engine clock) from a thread of its own, from
// Start() until Stop(), which sends the last heartbeat (code 2) and joins the thread.

#include "model/EngineClock.h"
#include "platform/WatchDogService.h"

#include <memory>
#include <mutex>
#include <thread>

class CWatchDogModel
{
public:
    // Without a service: the one NOTIFY_SOCKET names.
    explicit CWatchDogModel(std::shared_ptr<IWatchDogService> service = nullptr);
    virtual ~CWatchDogModel();
    CWatchDogModel(const CWatchDogModel&) = delete;
    CWatchDogModel& operator=(const CWatchDogModel&) = delete;

    // Starts the heartbeat thread; false when it runs already or cannot be created.
    bool Start();
    // Ends the heartbeats with one code 2 and waits for the thread. Stopping again, or without a start, does
    // nothing. Always true.
    bool Stop();

private:
    void ThreadProc();

    std::shared_ptr<IWatchDogService> m_service;
    std::mutex m_mutex; // orders Start and Stop
    CStopEvent m_stop; // wakes the heartbeat wait at once
    std::thread m_thread;
};

#pragma once

// A plan's three engine threads, connected as the state page connects them: the control thread starts (by
// QThread::start) and stops its two workers directly, on its own thread.

#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"

class CPlanThreads
{
public:
    explicit CPlanThreads(int group);
    virtual ~CPlanThreads();
    CPlanThreads(const CPlanThreads&) = delete;
    CPlanThreads& operator=(const CPlanThreads&) = delete;

    // Stops and waits for the control thread, then both workers, as the page does at its close.
    void StopAll();

    CControlThread control;
    CExecuteThread current;
    CExecuteThread overdue;
};

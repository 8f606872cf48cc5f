#pragma once

// A clock for a bound that a test pins in clock time: it moves only by what is slept, each wait taking
// 1/scale of its length in real time. The work between two waits (a record closed and synced, a thread that
// a loaded machine left waiting) costs the clock nothing, so a poll loop's clock time is its count of waits,
// however slow the machine. Meant for a test in which one engine thread at a time sleeps: a wait moves the
// clock to its own end, never further, so waits of two threads at once overlap instead of adding up.

#include "model/EngineClock.h"

#include <mutex>

class CSteppedClock : public CEngineClock
{
public:
    CSteppedClock(const QDateTime& start, double scale);

    QDateTime Now() const override;
    // Waits ms / scale of real time (at once false on a stop, the clock left where it is), then moves the
    // clock to where the wait began plus ms.
    bool Sleep(qint64 ms, const CStopEvent* stop = nullptr) const override;

private:
    mutable std::mutex m_mutex;
    const QDateTime m_start;
    const double m_scale;
    mutable qint64 m_elapsedMs = 0; // clock time since the start
};

// Puts a stepped clock in place for its lifetime, then the clock before.
class CScopedSteppedClock
{
public:
    CScopedSteppedClock(const QDateTime& start, double scale);
    ~CScopedSteppedClock();
    CScopedSteppedClock(const CScopedSteppedClock&) = delete;
    CScopedSteppedClock& operator=(const CScopedSteppedClock&) = delete;

private:
    std::shared_ptr<CEngineClock> m_previous;
};

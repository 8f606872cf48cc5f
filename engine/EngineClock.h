#pragma once

// The engine's one source of "now" and of sleeping. Every engine thread reads the time and waits through it,
// so tests can pin the date, run a day-long window in a moment, and every wait ends as soon as a stop is
// asked for.

#include <QDateTime>

#include <atomic>
#include <memory>

class CEngineClock
{
public:
    virtual ~CEngineClock() = default;

    // The current local date and time.
    virtual QDateTime Now() const;
    // Waits ms of clock time. Returns false at once when *stop is or becomes set, true when the time passed.
    virtual bool Sleep(qint64 ms, const std::atomic<bool>* stop = nullptr) const;

protected:
    // Waits the given real time in short slices, ending early on a stop.
    static bool SleepReal(qint64 realMs, const std::atomic<bool>* stop);
};

// The clock every engine thread uses; the real clock unless a test put another in place.
std::shared_ptr<CEngineClock> GetEngineClock();
void SetEngineClock(std::shared_ptr<CEngineClock> clock);

// Shorthands for the engine threads.
QDateTime EngineNow();
bool EngineSleep(qint64 ms, const std::atomic<bool>* stop = nullptr);

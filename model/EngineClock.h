#pragma once

// The engine's one source of "now" and of sleeping. Every engine thread reads the time and waits through it,
// so tests can pin the date, run a day-long window in a moment, and every wait ends as soon as a stop is
// asked for: sleepers wait on their stop event, never by polling it. It sits below the engine because the
// platform layer (the watchdog's heartbeat) keeps time through it as well.

#include <QDateTime>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class QThread;

// A stop request that sleepers wait on: Set wakes every waiter at once and stays set until Clear.
class CStopEvent
{
public:
    void Set();
    void Clear();
    bool IsSet() const { return m_set.load(); }
    explicit operator bool() const { return IsSet(); }
    // Waits up to realMs of real time; true when the event is (or becomes) set.
    bool WaitFor(qint64 realMs) const;

private:
    std::atomic<bool> m_set{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
};

// The stop request of an engine thread that may be started by its own start function or by QThread::start
// directly (as the pages wire the workers): a stop while a run is on, or between a start and its run, ends
// that run; a stop while no run is on, or while a run is already ending, is dropped; no stop outlives its
// run, so every later start runs.
class CThreadStop
{
public:
    explicit CThreadStop(QThread* thread);

    void Request();
    // First thing in run: false when a stop came between the start and here (that stop is used up).
    bool BeginRun();
    // Last thing in run.
    void EndRun();
    const CStopEvent& Event() const { return m_event; }
    bool IsSet() const { return m_event.IsSet(); }

private:
    QThread* m_thread;
    std::mutex m_mutex;
    bool m_ending = false; // the run has passed its last look at the stop; reset once the thread is done
    CStopEvent m_event;
};

class CEngineClock
{
public:
    virtual ~CEngineClock() = default;

    // The current local date and time.
    virtual QDateTime Now() const;
    // Waits ms of clock time. Returns false at once when *stop is or becomes set, true when the time passed.
    virtual bool Sleep(qint64 ms, const CStopEvent* stop = nullptr) const;
};

// The clock every engine thread uses; the real clock unless a test put another in place.
std::shared_ptr<CEngineClock> GetEngineClock();
void SetEngineClock(std::shared_ptr<CEngineClock> clock);

// Shorthands for the engine threads.
QDateTime EngineNow();
bool EngineSleep(qint64 ms, const CStopEvent* stop = nullptr);

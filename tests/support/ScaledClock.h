#pragma once

// A clock for tests: starts at a pinned local date and time and runs `scale` times faster than real time, so
// a one-second retry takes a millisecond and a six-hour window a few seconds, on every thread at once.

#include "model/EngineClock.h"

#include <QElapsedTimer>

#include <atomic>
#include <mutex>

class CScaledClock : public CEngineClock
{
public:
    CScaledClock(const QDateTime& start, double scale);

    QDateTime Now() const override;
    bool Sleep(qint64 ms, const CStopEvent* stop = nullptr) const override;

    // Jumps to another moment; a sleeper whose target the jump passed wakes within a few milliseconds.
    void SetNow(const QDateTime& now);
    void SetScale(double scale);

private:
    mutable std::mutex m_mutex;
    QDateTime m_base;
    QElapsedTimer m_elapsed;
    std::atomic<double> m_scale; // written under the mutex, with the base
};

// Puts a scaled clock in place for the lifetime of the guard, then the real clock again.
class CScopedEngineClock
{
public:
    CScopedEngineClock(const QDateTime& start, double scale);
    ~CScopedEngineClock();
    CScopedEngineClock(const CScopedEngineClock&) = delete;
    CScopedEngineClock& operator=(const CScopedEngineClock&) = delete;

    CScaledClock& Clock() { return *m_clock; }

private:
    std::shared_ptr<CScaledClock> m_clock;
};

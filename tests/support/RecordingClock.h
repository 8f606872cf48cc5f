#pragma once

// The engine clock of a test, passed through, with every wait that a chosen thread asks of it written down:
// a test of a retry or a poll pins the pauses themselves, not only that the work ends.

#include "model/EngineClock.h"

#include <QList>
#include <QThread>

#include <memory>
#include <mutex>

class CRecordingClock : public CEngineClock
{
public:
    // Waits on `inner`; until the guard ends it is the clock of every engine thread.
    explicit CRecordingClock(std::shared_ptr<CEngineClock> inner) : m_inner(std::move(inner)) {}

    QDateTime Now() const override { return m_inner->Now(); }
    bool Sleep(qint64 ms, const CStopEvent* stop = nullptr) const override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_thread == nullptr || QThread::currentThread() == m_thread)
                m_sleeps.append(ms);
        }
        return m_inner->Sleep(ms, stop);
    }
    // Only the waits of this thread are written down (all when null).
    void Watch(const QThread* thread)
    {
        std::lock_guard lock(m_mutex);
        m_thread = thread;
        m_sleeps.clear();
    }
    QList<qint64> Sleeps() const
    {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }

private:
    std::shared_ptr<CEngineClock> m_inner;
    mutable std::mutex m_mutex;
    const QThread* m_thread = nullptr;
    mutable QList<qint64> m_sleeps;
};

// Puts a recording clock over the current engine clock for its lifetime, then the one before.
class CScopedRecordingClock
{
public:
    CScopedRecordingClock()
        : m_previous(GetEngineClock()), m_clock(std::make_shared<CRecordingClock>(m_previous))
    {
        SetEngineClock(m_clock);
    }
    ~CScopedRecordingClock() { SetEngineClock(m_previous); }
    CScopedRecordingClock(const CScopedRecordingClock&) = delete;
    CScopedRecordingClock& operator=(const CScopedRecordingClock&) = delete;
    CRecordingClock& Clock() { return *m_clock; }

private:
    std::shared_ptr<CEngineClock> m_previous;
    std::shared_ptr<CRecordingClock> m_clock;
};

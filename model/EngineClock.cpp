#include "model/EngineClock.h"

#include <QElapsedTimer>
#include <QThread>

#include <chrono>

namespace {

// A long wait looks at the wall clock again this often, so a step of the system clock moves its end too.
constexpr qint64 kLongestSliceMs = 10000;

std::mutex& ClockMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<CEngineClock>& ClockStorage()
{
    static std::shared_ptr<CEngineClock> clock = std::make_shared<CEngineClock>();
    return clock;
}

} // namespace

void CStopEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    m_changed.notify_all();
}

void CStopEvent::Clear()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool CStopEvent::WaitFor(qint64 realMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(0, realMs)),
                              [this] { return m_set.load(); });
}

CThreadStop::CThreadStop(QThread* thread) : m_thread(thread)
{
    // Emitted on the thread once isRunning() is false already, and before a new start can go ahead.
    QObject::connect(
        thread, &QThread::finished, thread,
        [this] {
            std::lock_guard lock(m_mutex);
            m_ending = false;
        },
        Qt::DirectConnection);
}

void CThreadStop::Request()
{
    std::lock_guard lock(m_mutex);
    if (!m_thread->isRunning())
        m_event.Clear();
    else if (!m_ending)
        m_event.Set();
}

bool CThreadStop::BeginRun()
{
    std::lock_guard lock(m_mutex);
    if (!m_event.IsSet())
        return true;
    m_event.Clear();
    m_ending = true;
    return false;
}

void CThreadStop::EndRun()
{
    std::lock_guard lock(m_mutex);
    m_event.Clear();
    m_ending = true;
}

QDateTime CEngineClock::Now() const
{
    return QDateTime::currentDateTime();
}

bool CEngineClock::Sleep(qint64 ms, const CStopEvent* stop) const
{
    // Ends when the wall clock reaches the target (a step forward of the system clock ends it early) or when
    // the time has passed in real time (a step back does not stretch it); woken at once by the stop.
    const QDateTime target = Now().addMSecs(ms);
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (stop != nullptr && stop->IsSet())
            return false;
        const qint64 left = std::min(Now().msecsTo(target), ms - elapsed.elapsed());
        if (left <= 0)
            return true;
        const qint64 slice = std::min(left, kLongestSliceMs);
        if (stop == nullptr)
            QThread::msleep(static_cast<unsigned long>(slice));
        else if (stop->WaitFor(slice))
            return false;
    }
}

std::shared_ptr<CEngineClock> GetEngineClock()
{
    std::lock_guard<std::mutex> lock(ClockMutex());
    return ClockStorage();
}

void SetEngineClock(std::shared_ptr<CEngineClock> clock)
{
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockStorage() = clock ? std::move(clock) : std::make_shared<CEngineClock>();
}

QDateTime EngineNow()
{
    return GetEngineClock()->Now();
}

bool EngineSleep(qint64 ms, const CStopEvent* stop)
{
    return GetEngineClock()->Sleep(ms, stop);
}

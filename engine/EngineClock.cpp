#include "engine/EngineClock.h"

#include <QElapsedTimer>
#include <QThread>

#include <mutex>

namespace {

// Long enough to cost nothing, short enough that closing the program never waits noticeably.
constexpr qint64 kStopPollMs = 10;

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

QDateTime CEngineClock::Now() const
{
    return QDateTime::currentDateTime();
}

bool CEngineClock::Sleep(qint64 ms, const std::atomic<bool>* stop) const
{
    return SleepReal(ms, stop);
}

bool CEngineClock::SleepReal(qint64 realMs, const std::atomic<bool>* stop)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (stop != nullptr && stop->load())
            return false;
        const qint64 left = realMs - timer.elapsed();
        if (left <= 0)
            return true;
        QThread::msleep(static_cast<unsigned long>(stop != nullptr ? qMin(left, kStopPollMs) : left));
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

bool EngineSleep(qint64 ms, const std::atomic<bool>* stop)
{
    return GetEngineClock()->Sleep(ms, stop);
}

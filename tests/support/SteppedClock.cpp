#include "tests/support/SteppedClock.h"

#include <QThread>

#include <algorithm>
#include <cmath>

CSteppedClock::CSteppedClock(const QDateTime& start, double scale)
    : m_start(start), m_scale(scale > 0 ? scale : 1.0)
{
}

QDateTime CSteppedClock::Now() const
{
    std::lock_guard lock(m_mutex);
    return m_start.addMSecs(m_elapsedMs);
}

bool CSteppedClock::Sleep(qint64 ms, const CStopEvent* stop) const
{
    qint64 target;
    {
        std::lock_guard lock(m_mutex);
        target = m_elapsedMs + std::max<qint64>(0, ms);
    }
    const auto real = static_cast<qint64>(std::ceil(double(std::max<qint64>(0, ms)) / m_scale));
    if (stop != nullptr ? stop->WaitFor(real) : (QThread::msleep(static_cast<unsigned long>(real)), false))
        return false;
    std::lock_guard lock(m_mutex);
    m_elapsedMs = std::max(m_elapsedMs, target);
    return true;
}

CScopedSteppedClock::CScopedSteppedClock(const QDateTime& start, double scale) : m_previous(GetEngineClock())
{
    SetEngineClock(std::make_shared<CSteppedClock>(start, scale));
}

CScopedSteppedClock::~CScopedSteppedClock()
{
    SetEngineClock(m_previous);
}

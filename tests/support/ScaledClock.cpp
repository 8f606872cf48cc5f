#include "tests/support/ScaledClock.h"

#include <cmath>

CScaledClock::CScaledClock(const QDateTime& start, double scale)
    : m_base(start), m_scale(scale > 0 ? scale : 1.0)
{
    m_elapsed.start();
}

QDateTime CScaledClock::Now() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_base.addMSecs(static_cast<qint64>(std::llround(double(m_elapsed.elapsed()) * m_scale)));
}

bool CScaledClock::Sleep(qint64 ms, const std::atomic<bool>* stop) const
{
    // Waits until the clock reaches the target, so a jump of the clock forward ends the wait too.
    const QDateTime target = Now().addMSecs(ms);
    for (;;) {
        if (stop != nullptr && stop->load())
            return false;
        const qint64 left = Now().msecsTo(target);
        if (left <= 0)
            return true;
        double scale;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            scale = m_scale;
        }
        const qint64 real = qMax<qint64>(1, static_cast<qint64>(std::ceil(double(left) / scale)));
        if (!SleepReal(qMin<qint64>(real, 5), stop))
            return false;
    }
}

void CScaledClock::SetNow(const QDateTime& now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_base = now;
    m_elapsed.restart();
}

void CScaledClock::SetScale(double scale)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_base = m_base.addMSecs(static_cast<qint64>(std::llround(double(m_elapsed.elapsed()) * m_scale)));
    m_elapsed.restart();
    m_scale = scale > 0 ? scale : 1.0;
}

CScopedEngineClock::CScopedEngineClock(const QDateTime& start, double scale)
    : m_clock(std::make_shared<CScaledClock>(start, scale))
{
    SetEngineClock(m_clock);
}

CScopedEngineClock::~CScopedEngineClock()
{
    SetEngineClock(nullptr);
}

#include "tests/support/ScaledClock.h"

#include <cmath>

CScaledClock::CScaledClock(const QDateTime& start, double scale) : m_base(start), m_scale(scale > 0 ? scale : 1.0)
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
    double scale;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        scale = m_scale;
    }
    return SleepReal(static_cast<qint64>(std::ceil(double(ms) / scale)), stop);
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

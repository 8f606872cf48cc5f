#include "tests/support/ScaledClock.h"

#include <QThread>

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

bool CScaledClock::Sleep(qint64 ms, const CStopEvent* stop) const
{
    // Waits until the clock reaches the target, so a jump of the clock forward ends the wait too.
    const QDateTime target = Now().addMSecs(ms);
    for (;;) {
        if (stop != nullptr && stop->IsSet())
            return false;
        const qint64 left = Now().msecsTo(target);
        if (left <= 0)
            return true;
        const qint64 real = qMax<qint64>(1, static_cast<qint64>(std::ceil(double(left) / m_scale)));
        // Short slices, so a jump of the clock is noticed; the stop wakes the wait at once.
        const qint64 slice = qMin<qint64>(real, 5);
        if (stop != nullptr ? stop->WaitFor(slice)
                            : (QThread::msleep(static_cast<unsigned long>(slice)), false))
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

#include "platform/MFNetTraffic.h"

#include <QFile>

#include <utility>

MFNetTraffic::MFNetTraffic(const QString& procPath) : m_procPath(procPath)
{
    ListInterfaces();
}

MFNetTraffic::~MFNetTraffic() = default;

QList<QPair<QString, quint64>> MFNetTraffic::ParseCounters(const QByteArray& text)
{
    QList<QPair<QString, quint64>> counters;
    for (const QByteArray& line : text.split('\n')) {
        // "  eth0: 1234 56 0 0 ..." - the name, a colon, then received bytes first.
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = QString::fromLocal8Bit(line.left(colon).trimmed());
        if (name.isEmpty() || name == QLatin1String("lo"))
            continue;
        const QList<QByteArray> fields = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const quint64 received = fields.isEmpty() ? 0 : fields.first().toULongLong(&ok);
        if (!ok)
            continue;
        counters.append({name, received});
    }
    return counters;
}

bool MFNetTraffic::ReadCounters(QList<QPair<QString, quint64>>* counters) const
{
    QFile file(m_procPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The kernel's file reports size 0: read until the end, not by size.
    *counters = ParseCounters(file.readAll());
    return true;
}

bool MFNetTraffic::ListInterfaces()
{
    m_interfaces.clear();
    QList<QPair<QString, quint64>> counters;
    if (!ReadCounters(&counters))
        return false;
    for (const auto& counter : counters)
        m_interfaces.append(counter.first);
    return true;
}

double MFNetTraffic::ReadTraffic(int index)
{
    if (index < 0 || index >= m_interfaces.size())
        return 0.0;
    QList<QPair<QString, quint64>> counters;
    if (!ReadCounters(&counters))
        return 1.0;
    quint64 total = 0;
    for (const auto& counter : counters) {
        if (m_interfaces.contains(counter.first))
            total += counter.second;
    }
    if (m_currentIndex != index) {
        m_currentIndex = index;
        m_lastReading = total;
        return 0.0;
    }
    const quint64 last = std::exchange(m_lastReading, total);
    return total >= last ? double(total - last) : 0.0;
}

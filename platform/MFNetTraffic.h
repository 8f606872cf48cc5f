#pragma once

// The network throughput of the PC: bytes received since the previous reading, from the kernel's interface
// counters ("/proc/net/dev"). The loopback interface is left out: it carries no traffic from the recorders.

#include <QString>
#include <QStringList>

class MFNetTraffic
{
public:
    // `procPath` is the counters file; tests give a file of their own.
    explicit MFNetTraffic(const QString& procPath = QStringLiteral("/proc/net/dev"));
    virtual ~MFNetTraffic();

    // Lists the interfaces (every one but loopback) once; false when the counters cannot be read.
    bool ListInterfaces();
    const QStringList& Interfaces() const { return m_interfaces; }

    // Bytes received since the previous reading of the same index. The reading counts every listed interface
    // together: the window shows what the PC receives, whichever card the recorders are behind. An index
    // outside the list, the first reading of an index, and the first reading after another index give 0.0;
    // so does a total that went back (a counter reset, an interface gone), which becomes the new base.
    // Counters that cannot be read give 1.0, shown as 0.0 KB/S.
    double ReadTraffic(int index);

    // The received-bytes counters of the interfaces in `text` (the counters file's form), loopback left out,
    // in file order. Lines that are not interface lines are skipped.
    static QList<QPair<QString, quint64>> ParseCounters(const QByteArray& text);

private:
    bool ReadCounters(QList<QPair<QString, quint64>>* counters) const;

    quint64 m_lastReading = 0;
    QStringList m_interfaces;
    int m_currentIndex = -1;
    QString m_procPath;
};

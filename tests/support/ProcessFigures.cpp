#include "tests/support/ProcessFigures.h"

#include <QByteArray>
#include <QFile>

#include <ctime>
#include <malloc.h>

namespace ProcessFigures {

int64_t ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

int64_t HeapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return int64_t((info.uordblks + info.hblkhd) / 1024);
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace ProcessFigures

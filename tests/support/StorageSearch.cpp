#include "tests/support/StorageSearch.h"

#include "tests/support/TestSupport.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace TestSupport {

STOWELINE_TIME Time(int day, int hour, int minute, int second)
{
    return {2024, 3, uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second), 0};
}

QStringList Search(CStowelineClass& s, const char* name, int day, bool* cut)
{
    RECORD_SEARCH_COND cond;
    std::memcpy(cond.RecordName, name, std::min(std::strlen(name), sizeof(cond.RecordName)));
    cond.StartTime = Time(day, 0);
    cond.EndTime = Time(day, 23, 59, 59);
    StowelineList* list = nullptr;
    QStringList paths;
    if (s.SearchChannelRecord(&cond, &list) != 0)
        for (const STOWELINE_PATH& p : *list)
            paths.append(QFile::decodeName(p.Path));
    if (cut != nullptr)
        *cut = s.LastSearchCut();
    return paths;
}

QByteArray Bytes(int seed, qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 131 + i / 251 + seed * 17);
    return data;
}

bool StoreRecord(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed, qint64 size,
                 int reserved)
{
    constexpr qint64 kBlock = 50 * 1024;
    if (!s.OpenChannelRecord(name, reserved, &key))
        return false;
    const QByteArray data = Bytes(seed, size);
    for (qint64 at = 0; at < size; at += kBlock) {
        const QByteArray block = data.mid(at, kBlock);
        if (!s.WriteChannelRecord(name, at == 0 ? 1 : 2, reinterpret_cast<const uint8_t*>(block.constData()),
                                  uint32_t(block.size()), &key))
            return false;
    }
    return s.CloseChannelRecord(name, &key);
}

bool InitDisks(CStowelineClass& s, const QStringList& roots, bool overwrite)
{
    STOWELINE_INIT_PARAM param;
    for (const QString& root : roots)
        param.DiskPaths.Append(QFile::encodeName(root).constData());
    param.ReserveMB = 0;
    param.Overwrite = overwrite ? 1 : 0;
    param.DiskFullCallBack = CountDiskFull;
    return s.Init(&param);
}

} // namespace TestSupport

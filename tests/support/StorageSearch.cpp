#include "tests/support/StorageSearch.h"

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

} // namespace TestSupport

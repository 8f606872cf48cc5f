#include "model/LogRepeats.h"

#include "model/LogStore.h"
#include "model/LogText.h"

bool CLogRepeats::Write(int type, int subtype, const QString& cause, const QString& text,
                        const QString& countText, int times)
{
    if (times < 1)
        return false;
    // Held over the row's write, so two threads counting one cause never both make its count row.
    std::lock_guard lock(m_mutex);
    const auto [at, first] = m_causes.try_emplace(cause);
    CCause& entry = at->second;
    if (first) {
        entry.text = countText.isEmpty() ? text : countText;
        WriteLog(type, subtype, text);
        if (--times == 0)
            return true;
    }
    entry.repeats += times;
    const QString row = RepeatedText(entry.text, entry.repeats, LOG_CONTENTS_MAX_BYTES);
    // A count row that the log's bound has deleted meanwhile is written anew, with the whole count.
    if (entry.row < 0 || !UpdateLogRow(entry.row, row))
        entry.row = WriteLogRow(type, subtype, row);
    return first;
}

int CLogRepeats::Repeats(const QString& cause) const
{
    std::lock_guard lock(m_mutex);
    const auto at = m_causes.find(cause);
    return at == m_causes.end() ? 0 : at->second.repeats;
}

void CLogRepeats::Clear()
{
    std::lock_guard lock(m_mutex);
    m_causes.clear();
}

#pragma once

// What a storage operation says: the calling thread's last failure and root error, and the log entries and
// event rows it sends once every storage lock is released.

#include "model/LogStore.h"
#include "storage/CStowelineClass.h"

#include <QString>

#include <mutex>
#include <set>
#include <vector>

namespace StowelineDetail {

extern thread_local int t_lastError;
extern thread_local STOWELINE_ROOT_ERROR t_rootError;

bool Fail(int error);
QString SystemText(int error);
bool FailRoot(const STOWELINE_ROOT_ERROR& error);

struct PENDING_REPORT
{
    int Type = LOG_TYPE_OPERATION;
    QString Text;
    bool Event = false; // also a row of the page's events
};

// Declared first in each public operation, so that it is destroyed after the operation's locks: the log's
// database lock is never taken under a storage lock, and a page's slot never runs while one is held.
class CReportScope
{
public:
    CReportScope();
    ~CReportScope();
    CReportScope(const CReportScope&) = delete;
    CReportScope& operator=(const CReportScope&) = delete;

private:
    std::vector<PENDING_REPORT> m_reports;
    bool m_owner = false;
};

void Report(int type, const QString& text, bool event);

// What one storage object has said already, so that a link or an undeletable folder met at every pass is
// named once.
struct CSaidOnce
{
    std::mutex mutex;
    std::set<QString> said;

    bool First(const QString& key)
    {
        std::lock_guard lock(mutex);
        return said.insert(key).second;
    }
};

} // namespace StowelineDetail

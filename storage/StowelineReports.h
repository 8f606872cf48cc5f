#pragma once

// What a storage operation says: the calling thread's last failure and root error, and the log entries and
// event rows it sends once every storage lock is released.

#include "model/LogRepeats.h"
#include "model/LogStore.h"
#include "storage/CStowelineClass.h"

#include <QString>

#include <memory>
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
    // One of many alike: counted under Cause in Repeats after the first (CLogRepeats), the count row
    // repeating CountText.
    std::shared_ptr<CLogRepeats> Repeats;
    QString Cause;
    QString CountText;
    int Times = 1; // alike reports of one operation, sent as one
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
// An entry that a disk may call for without end (a link, a folder of another user, a folder that cannot be
// deleted, one for each found): the first of its `cause` in `repeats`' span is written, the others only
// counted, in one row that repeats `countText`.
void ReportAlike(int type, const QString& text, const std::shared_ptr<CLogRepeats>& repeats,
                 const QString& cause, const QString& countText);

// What one storage object has said already, so that a link or an undeletable folder met at every pass is
// named once; and the entries it counts rather than writes, so that one disk with thousands of links names
// the first and counts the others over the set-up's whole life.
struct CSaidOnce
{
    std::mutex mutex;
    std::set<QString> said;
    const std::shared_ptr<CLogRepeats> repeats = std::make_shared<CLogRepeats>();

    bool First(const QString& key)
    {
        std::lock_guard lock(mutex);
        return said.insert(key).second;
    }
};

} // namespace StowelineDetail

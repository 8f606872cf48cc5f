#include "config/plans/PlanRecord.h"

#include "model/DbAccess.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

bool SameTime(const SCHEDULE_TIME& a, const SCHEDULE_TIME& b)
{
    return a.Hour == b.Hour && a.Minute == b.Minute && a.Second == b.Second;
}

bool SameEntry(const SCHEDULE_WEEKDAY& a, const SCHEDULE_WEEKDAY& b)
{
    return a.GroupID == b.GroupID && a.IsEanbel == b.IsEanbel && a.Weekday == b.Weekday &&
           SameTime(a.TaskStartTime, b.TaskStartTime) && a.Duration == b.Duration &&
           a.FileDate == b.FileDate && SameTime(a.FileStartTime, b.FileStartTime) &&
           SameTime(a.FileEndTime, b.FileEndTime) && a.FileType == b.FileType;
}

bool SameRef(const CHANNEL_REF& a, const CHANNEL_REF& b)
{
    return a.DeviceID == b.DeviceID && a.CameraIndex == b.CameraIndex;
}

// Keeps the references for which keep(position, ref) holds, in order, and empties the rest of the list.
template <typename Keep> bool FilterRefs(GROUP_INFO* plan, Keep keep)
{
    CHANNEL_REF kept[MAX_GROUP_CHANNEL_NUM] = {};
    int n = 0;
    bool removed = false;
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM && !plan->Channel[i].IsEmpty(); ++i) {
        if (keep(i, plan->Channel[i]))
            kept[n++] = plan->Channel[i];
        else
            removed = true;
    }
    if (removed)
        std::copy(std::begin(kept), std::end(kept), std::begin(plan->Channel));
    return removed;
}

} // namespace

bool IsSamePlan(const GROUP_INFO& a, const GROUP_INFO& b)
{
    // Field by field: the records' padding bytes carry no meaning and may differ between copies.
    if (a.bUsed != b.bUsed || a.bDelete != b.bDelete ||
        std::memcmp(a.GroupName, b.GroupName, sizeof a.GroupName) != 0)
        return false;
    return std::equal(std::begin(a.Channel), std::end(a.Channel), std::begin(b.Channel), SameRef) &&
           std::equal(std::begin(a.Schedule), std::end(a.Schedule), std::begin(b.Schedule), SameEntry);
}

GROUP_INFO MakeNewPlan(const QByteArray& localName)
{
    GROUP_INFO plan;
    CopyString33(plan.GroupName, localName.toStdString());
    plan.Schedule[0].IsEanbel = 1;
    plan.bUsed = 1;
    return plan;
}

bool RemoveDeviceRefs(GROUP_INFO* plan, int device)
{
    return FilterRefs(plan, [device](int, const CHANNEL_REF& ref) { return ref.DeviceID != device; });
}

bool HoldsDevice(const GROUP_INFO& plan, int device)
{
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM && !plan.Channel[i].IsEmpty(); ++i)
        if (plan.Channel[i].DeviceID == device)
            return true;
    return false;
}

void RemoveRefsAt(GROUP_INFO* plan, QList<int> positions)
{
    FilterRefs(plan, [&positions](int i, const CHANNEL_REF&) { return !positions.contains(i); });
}

void SortPlanRefs(GROUP_INFO* plan)
{
    const int n = CountRefs(*plan);
    std::stable_sort(plan->Channel, plan->Channel + n, [](const CHANNEL_REF& a, const CHANNEL_REF& b) {
        return int(a.DeviceID) * 1000 + a.CameraIndex < int(b.DeviceID) * 1000 + b.CameraIndex;
    });
}

int CountRefs(const GROUP_INFO& plan)
{
    int n = 0;
    while (n < MAX_GROUP_CHANNEL_NUM && !plan.Channel[n].IsEmpty())
        ++n;
    return n;
}

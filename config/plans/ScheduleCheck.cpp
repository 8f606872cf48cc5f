#include "config/plans/ScheduleCheck.h"

#include "model/TextConvert.h"

#include <QCoreApplication>

namespace {

// Takes texts marked with QT_TRANSLATE_NOOP, so the translation update finds them.
QString Tr(const char* text)
{
    return QCoreApplication::translate("CDlgCfgPlan", text);
}

int Seconds(const SCHEDULE_TIME& t)
{
    return t.Hour * 3600 + t.Minute * 60 + t.Second;
}

QString PlanError(const GROUP_INFO& plan)
{
    const QString name = LocalToQString(plan.GroupName);
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        const SCHEDULE_WEEKDAY& e = plan.Schedule[r];
        if (e.IsEanbel != 1)
            continue;
        if (Seconds(e.FileEndTime) < Seconds(e.FileStartTime))
            return Tr(QT_TRANSLATE_NOOP("CDlgCfgPlan",
                                        "file starttime and file endtime conflict at Schedule ")) +
                   name + QStringLiteral("  ") + ScheduleDayName(r);
        if (e.FileDate == 0 && Seconds(e.TaskStartTime) < Seconds(e.FileEndTime))
            return Tr(QT_TRANSLATE_NOOP("CDlgCfgPlan",
                                        "Schedule starttime and file endtime conflict at Schedule ")) +
                   name + QStringLiteral("  ") + ScheduleDayName(r);
    }
    // Monday..Saturday against the day after, then Sunday against the Monday after it.
    for (int r = 1; r <= 7; ++r) {
        const int next = r == 7 ? 1 : r + 1;
        const SCHEDULE_WEEKDAY& day = plan.Schedule[r];
        const SCHEDULE_WEEKDAY& after = plan.Schedule[next];
        if (day.IsEanbel != 1 || after.IsEanbel == 0)
            continue;
        const int end = Seconds(day.TaskStartTime) + day.Duration * 3600;
        const int nextStart = Seconds(after.TaskStartTime) + 86400;
        if (end > nextStart)
            return Tr(QT_TRANSLATE_NOOP("CDlgCfgPlan", "At Schedule ")) + name +
                   Tr(QT_TRANSLATE_NOOP("CDlgCfgPlan", " The Schedule End Time of ")) + ScheduleDayName(r) +
                   Tr(QT_TRANSLATE_NOOP("CDlgCfgPlan", " is later than the Schedule start time of ")) +
                   ScheduleDayName(next);
    }
    return QString();
}

} // namespace

QString ScheduleDayName(int row)
{
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("CDlgCfgPlan", "WholeWeek"), QT_TRANSLATE_NOOP("CDlgCfgPlan", "Monday"),
        QT_TRANSLATE_NOOP("CDlgCfgPlan", "Tuesday"),   QT_TRANSLATE_NOOP("CDlgCfgPlan", "Wednesday"),
        QT_TRANSLATE_NOOP("CDlgCfgPlan", "Thursday"),  QT_TRANSLATE_NOOP("CDlgCfgPlan", "Friday"),
        QT_TRANSLATE_NOOP("CDlgCfgPlan", "Saturday"),  QT_TRANSLATE_NOOP("CDlgCfgPlan", "Sunday"),
    };
    if (row < 0 || row >= SCHEDULE_ENTRY_NUM)
        return QString();
    return Tr(names[row]);
}

QString FirstScheduleError(const GROUP_INFO* plans)
{
    for (int p = 0; p < MAX_GROUP_NUM; ++p) {
        if (plans[p].bUsed != 1)
            continue;
        const QString error = PlanError(plans[p]);
        if (!error.isEmpty())
            return error;
    }
    return QString();
}

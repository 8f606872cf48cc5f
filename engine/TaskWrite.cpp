#include "engine/TaskWrite.h"

#include "engine/EngineCommon.h"
#include "model/EngineClock.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"

#include <QMutexLocker>

#include <vector>

namespace {

const SCHEDULE_WEEKDAY* ChooseEntry(const GROUP_INFO& group, const QDate& day)
{
    if (group.Schedule[0].IsEanbel == 1)
        return &group.Schedule[0];
    const SCHEDULE_WEEKDAY& entry = group.Schedule[day.dayOfWeek()];
    return entry.IsEanbel == 1 ? &entry : nullptr;
}

NET_DVR_TIME At(const QDate& day, const SCHEDULE_TIME& time)
{
    return NET_DVR_TIME{uint32_t(day.year()), uint32_t(day.month()), uint32_t(day.day()),
                        uint32_t(time.Hour),  uint32_t(time.Minute), uint32_t(time.Second)};
}

// A plan's File End names the last second it takes: its window ends where that second ends, so the next
// day's window begins where this one ends.
NET_DVR_TIME AfterSecond(const QDate& day, const SCHEDULE_TIME& time)
{
    return EndOfSecond(At(day, time));
}

} // namespace

CTaskWrite::CTaskWrite(int group, bool yesterday, QObject* parent)
    : QThread(parent), m_group(group), m_yesterday(yesterday)
{
    RegisterEngineMetaTypes();
}

CTaskWrite::~CTaskWrite()
{
    stop();
    wait();
}

void CTaskWrite::stop()
{
    m_stop.Set();
}

void CTaskWrite::StopAtWindowEnd()
{
    m_windowEnded = true;
    m_stop.Set();
}

void CTaskWrite::EndRun(QList<TASK_INFO>& list)
{
    if (!m_windowEnded)
        list.clear();
}

bool CTaskWrite::IsStopped() const
{
    return m_stop.IsSet();
}

void CTaskWrite::run()
{
    CSysInfoManage* model = g_pSysInfoManage;
    QMutexLocker lock(&model->TaskMutex(m_group, 0));
    QList<TASK_INFO>& list = model->TaskList(m_group, 0);
    list.clear();
    const GROUP_INFO* groupSlot = model->GetGroupInfo(m_group);
    if (groupSlot == nullptr)
        return;
    const GROUP_INFO group = *groupSlot;

    QDate day = EngineNow().date();
    if (m_yesterday)
        day = day.addDays(-1);
    const SCHEDULE_WEEKDAY* entry = ChooseEntry(group, day);
    if (entry == nullptr)
        return;
    const QDate searchDay = day.addDays(-entry->FileDate);
    NET_DVR_FILE_CONDITION condition;
    condition.FileType = uint8_t(FileTypeToSdkFileType(entry->FileType));
    condition.LockFlag = 0xFF;
    condition.UseCardNumber = 0;
    condition.StartTime = At(searchDay, entry->FileStartTime);
    condition.StopTime = AfterSecond(searchDay, entry->FileEndTime);

    for (int slot = 0; slot < MAX_GROUP_CHANNEL_NUM; ++slot) {
        if (IsStopped()) {
            EndRun(list);
            return;
        }
        const CHANNEL_REF& ref = group.Channel[slot];
        if (ref.DeviceID < 0)
            continue;
        DEVICE_INFO device;
        if (!model->CopyDeviceInfo(ref.DeviceID, &device))
            continue;

        condition.Channel = ref.CameraIndex;
        int login = LoginDevice(&device, m_stop);
        if (IsStopped()) {
            LogoutDevice(&login);
            EndRun(list);
            return;
        }
        if (login < 0) {
            const QString text = ReportListLoginFailure(m_group, slot);
            if (!text.isEmpty())
                Q_EMIT SigConnectDeviceFail(m_group, 0, ref.DeviceID, text);
            MailListLoginFailure(text);
            m_failed = true;
            continue;
        }

        TASK_INFO task;
        task.TaskTime = day;
        task.GroupID = int16_t(m_group);
        task.CameraIndex = int16_t(slot);
        const auto report = [this, &ref](const QString& text) {
            Q_EMIT SigConnectDeviceFail(m_group, 0, ref.DeviceID, text);
        };
        const LIST_FILES_RESULT result =
            ListChannelFiles(login, condition, model->GetChannelName(m_group, slot), m_stop, report, &task);
        LogoutDevice(&login);
        if (result == LIST_FILES_RESULT::STOPPED) {
            EndRun(list);
            return;
        }
        if (!task.FileList.isEmpty() && task.TotalChannelSize > 0)
            list.append(task);
    }
    Q_EMIT SigGetTaskSuc();
}

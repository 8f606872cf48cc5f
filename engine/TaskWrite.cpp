#include "engine/TaskWrite.h"

#include "engine/EngineClock.h"
#include "engine/EngineCommon.h"
#include "model/LogStore.h"
#include "model/Mail.h"
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
    m_stop = true;
}

bool CTaskWrite::IsStopped() const
{
    return m_stop;
}

bool CTaskWrite::ReadAllResults(int search, std::vector<NET_DVR_FILE_DATA>* found)
{
    for (;;) {
        if (IsStopped())
            return false;
        NET_DVR_FILE_DATA data;
        const int result = NET_DVR_FindNextFile_V30(search, &data);
        if (result == NET_DVR_FIND_BUSY)
            continue;
        if (result != NET_DVR_FIND_FILE)
            return true;
        found->push_back(data);
        if (int(found->size()) >= kMaxFilesPerChannel) {
            qWarning("task list: more than %d files on one channel, the rest waits for the next window",
                     kMaxFilesPerChannel);
            return true;
        }
    }
}

int64_t CTaskWrite::MeasureRange(int login, int channel, const NET_DVR_TIME& start, const NET_DVR_TIME& stop,
                                 int64_t fallback)
{
    const int play = NET_DVR_PlayBackByTime(login, channel, &start, &stop, nullptr);
    if (play < 0)
        return fallback;
    int64_t size = 0;
    if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &size, nullptr))
        size = 0;
    NET_DVR_StopPlayBack(play);
    return size > fallback || size <= 0 ? fallback : size;
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
    condition.StopTime = At(searchDay, entry->FileEndTime);
    const NET_DVR_TIME& windowStart = condition.StartTime;
    const NET_DVR_TIME& windowStop = condition.StopTime;

    SYSTEM_CONFIG config;
    model->GetSystemConfig(&config);

    for (int slot = 0; slot < MAX_GROUP_CHANNEL_NUM; ++slot) {
        if (IsStopped()) {
            list.clear();
            return;
        }
        const CHANNEL_REF& ref = group.Channel[slot];
        if (ref.DeviceID < 0)
            continue;
        const DEVICE_INFO* shared = model->GetDeviceInfo(ref.DeviceID);
        if (shared == nullptr)
            continue;
        DEVICE_INFO device = *shared;

        condition.Channel = ref.CameraIndex;
        int login = LoginDevice(&device, m_stop);
        if (IsStopped()) {
            LogoutDevice(&login);
            list.clear();
            return;
        }
        if (login < 0) {
            const QString name = model->GetChannelName(m_group, slot);
            const QString text = tr("Get Backup Task Work List Failed.Connect Device ") + name +
                                 tr(" Error:") + QString::number(NET_DVR_GetLastError());
            if (!name.isEmpty()) {
                WriteLog(2, 10, text);
                Q_EMIT SigConnectDeviceFail(m_group, 0, ref.DeviceID, text);
                if (config.IsEnableEmail == 1)
                    SendEmail(tr("Tolvarin"), text);
            }
            m_failed = true;
            continue;
        }

        const int search = NET_DVR_FindFile_V30(login, &condition);
        if (search < 0) {
            LogoutDevice(&login);
            continue;
        }
        // Every result is read before any play-back is opened to measure one: the search is never restarted.
        std::vector<NET_DVR_FILE_DATA> found;
        const bool complete = ReadAllResults(search, &found);
        NET_DVR_FindClose_V30(search);
        if (!complete) {
            LogoutDevice(&login);
            list.clear();
            return;
        }

        TASK_INFO task;
        task.TaskTime = day;
        task.GroupID = int16_t(m_group);
        task.CameraIndex = int16_t(slot);
        for (const NET_DVR_FILE_DATA& file : found) {
            if (IsStopped()) {
                LogoutDevice(&login);
                list.clear();
                return;
            }
            // A file that only touches the range, or lies outside it, has nothing to fetch.
            if (!IsTimeLater(file.StopTime, windowStart) || !IsTimeLater(windowStop, file.StartTime))
                continue;
            const bool startsBefore = !IsTimeLater(file.StartTime, windowStart);
            const bool endsAfter = IsTimeLater(file.StopTime, windowStop);
            FILE_INFO info;
            info.FileStartTime = startsBefore ? windowStart : file.StartTime;
            info.FileStopTime = endsAfter ? windowStop : file.StopTime;
            info.FileType = uint8_t(SdkFileTypeToFileType(file.FileType));
            info.DownloadState = DOWNLOAD_NOT_STARTED;
            info.FileSize = int64_t(file.FileSize);
            if (startsBefore || endsAfter)
                info.FileSize = MeasureRange(login, ref.CameraIndex, info.FileStartTime, info.FileStopTime,
                                             int64_t(file.FileSize));
            task.FileList.append(info);
            task.TotalChannelSize += info.FileSize;
        }
        LogoutDevice(&login);
        if (!task.FileList.isEmpty() && task.TotalChannelSize > 0)
            list.append(task);
    }
    Q_EMIT SigGetTaskSuc();
}

#include "engine/ManualBackup.h"

#include "engine/EngineCommon.h"
#include "engine/ExecuteThread.h"
#include "model/EngineClock.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"

#include <QMutexLocker>

#include <algorithm>

CManualBackup::CManualBackup(QObject* parent)
    : QThread(parent), m_worker(std::make_unique<CExecuteThread>(MANUAL_GROUP_ID, 0)),
      m_group(MANUAL_GROUP_ID)
{
    RegisterEngineMetaTypes();
}

CManualBackup::~CManualBackup()
{
    Stop();
    wait();
    m_worker->wait();
}

void CManualBackup::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        m_stop.Set();
        m_worker->stop();
    }
    Q_EMIT SigGetTaskSuc();
}

void CManualBackup::run()
{
    CSysInfoManage* model = g_pSysInfoManage;
    QList<TASK_INFO>& list = model->TaskList(m_group, 0);
    bool built = true;
    {
        QMutexLocker lock(&model->TaskMutex(m_group, 0));
        if (list.isEmpty()) {
            built = GetTaskList();
            model->SaveTaskList(m_group, 0);
        }
    }
    Q_EMIT SigGetTaskSuc();
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        if (m_stop || !built || list.isEmpty())
            return;
        m_worker->Start();
    }
    m_worker->wait();
}

bool CManualBackup::GetTaskList()
{
    CSysInfoManage* model = g_pSysInfoManage;
    QList<TASK_INFO>& list = model->TaskList(m_group, 0);
    const MANUAL_BACKUP_INFO manual = *model->GetManualBackupInfo();
    NET_DVR_FILE_CONDITION condition;
    condition.FileType = uint8_t(FileTypeToSdkFileType(manual.FileType));
    condition.LockFlag = 0xFF;
    condition.UseCardNumber = 0;
    condition.StartTime = manual.FileStartTime;
    condition.StopTime = EndOfSecond(manual.FileEndTime); // the End second is in the range
    const QDate today = EngineNow().date();

    // A chosen channel that cannot be searched keeps its place as a task without files: never fetched, never
    // done, so the end of the run names it instead of calling the backup complete. A channel whose search
    // found nothing has no task.
    const auto notSearched = [&](int slot) {
        TASK_INFO task;
        task.TaskTime = today;
        task.GroupID = int16_t(m_group);
        task.CameraIndex = int16_t(slot);
        list.append(task);
    };
    for (int slot = 0; slot < MAX_GROUP_CHANNEL_NUM; ++slot) {
        if (m_stop) {
            list.clear();
            return false;
        }
        const CHANNEL_REF& ref = manual.Channel[slot];
        if (ref.IsEmpty())
            continue;
        DEVICE_INFO device;
        if (!model->CopyDeviceInfo(ref.DeviceID, &device) || device.IsUsed != 1) {
            notSearched(slot);
            continue;
        }
        condition.Channel = ref.CameraIndex;
        int login = LoginDevice(&device, m_stop);
        if (m_stop) {
            LogoutDevice(&login);
            list.clear();
            return false;
        }
        if (login < 0) {
            const QString text = ReportListLoginFailure(m_group, slot);
            if (!text.isEmpty())
                Q_EMIT SigConnectDeviceFail(m_group, 0, ref.DeviceID, text);
            MailListLoginFailure(text);
            notSearched(slot);
            continue;
        }
        TASK_INFO task;
        task.TaskTime = today;
        task.GroupID = int16_t(m_group);
        task.CameraIndex = int16_t(slot);
        const auto report = [this, &ref](const QString& text) {
            Q_EMIT SigConnectDeviceFail(m_group, 0, ref.DeviceID, text);
        };
        const LIST_FILES_RESULT result =
            ListChannelFiles(login, condition, model->GetChannelName(m_group, slot), m_stop, report, &task);
        LogoutDevice(&login);
        if (result == LIST_FILES_RESULT::STOPPED) {
            list.clear();
            return false;
        }
        // A search given up (the recorder kept saying "still searching") listed nothing it can vouch for.
        if (result == LIST_FILES_RESULT::NO_SEARCH || result == LIST_FILES_RESULT::GAVE_UP)
            notSearched(slot);
        else if (!task.FileList.isEmpty())
            list.append(task);
    }
    return true;
}

MANUAL_CHANNELS CurrentManualChannels()
{
    MANUAL_CHANNELS channels;
    const CHANNEL_REF* refs = g_pSysInfoManage->GetManualBackupInfo()->Channel;
    std::copy(refs, refs + MAX_GROUP_CHANNEL_NUM, channels.begin());
    return channels;
}

int RemapManualTaskList(const MANUAL_CHANNELS& before)
{
    const MANUAL_CHANNELS now = CurrentManualChannels();
    CSysInfoManage* model = g_pSysInfoManage;
    QMutexLocker lock(&model->TaskMutex(MANUAL_GROUP_ID, 0));
    QList<TASK_INFO>& list = model->TaskList(MANUAL_GROUP_ID, 0);
    const qsizetype count = list.size();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        const int slot = list[i].CameraIndex;
        const CHANNEL_REF ref =
            slot >= 0 && slot < MAX_GROUP_CHANNEL_NUM ? before[size_t(slot)] : CHANNEL_REF();
        const auto same = std::find_if(now.begin(), now.end(), [&ref](const CHANNEL_REF& r) {
            return !ref.IsEmpty() && r.DeviceID == ref.DeviceID && r.CameraIndex == ref.CameraIndex;
        });
        if (same == now.end())
            list.removeAt(i);
        else
            list[i].CameraIndex = int16_t(same - now.begin());
    }
    model->SaveTaskList(MANUAL_GROUP_ID, 0);
    return int(count - list.size());
}

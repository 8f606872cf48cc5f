#include "engine/ExecuteThread.h"

#include "engine/EngineClock.h"
#include "engine/EngineCommon.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "model/TaskStore.h"
#include "sdk/DeviceSdk.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"

#include <QMutexLocker>

#include <algorithm>

namespace {

constexpr int kReconnectTries = 60;
constexpr qint64 kPollMs = 1000;

STOWELINE_TIME ToKeyTime(const NET_DVR_TIME& t)
{
    STOWELINE_TIME key;
    key.Year = uint16_t(t.Year);
    key.Month = uint8_t(t.Month);
    key.Day = uint8_t(t.Day);
    key.Hour = uint8_t(t.Hour);
    key.Minute = uint8_t(t.Minute);
    key.Second = uint8_t(t.Second);
    return key;
}

} // namespace

CExecuteThread::CExecuteThread(int group, int isPast, QObject* parent)
    : QThread(parent), m_group(group), m_isPast(group == MANUAL_GROUP_ID ? 0 : isPast)
{
    RegisterEngineMetaTypes();
}

CExecuteThread::~CExecuteThread()
{
    stop();
    wait();
}

void CExecuteThread::Start()
{
    if (isRunning()) {
        m_stop.Request();
        wait();
    }
    start();
}

void CExecuteThread::stop()
{
    m_stop.Request();
}

void CExecuteThread::StartThread()
{
    m_planTotal = 0;
    m_planDone = 0;
    m_channelTotal = 0;
    m_iChannelDownload = 0;
    m_skipList.clear();
}

int CExecuteThread::Percent() const
{
    if (m_planTotal <= 0)
        return 100;
    const long long done = std::clamp<long long>(m_planDone.load(), 0, m_planTotal);
    return int(done * 100 / m_planTotal);
}

void CExecuteThread::EmitProgress()
{
    Q_EMIT ChannelDownloadSize(m_group, m_isPast, m_iChannelDownload.load());
    Q_EMIT GroupDownloadPos(m_group, m_isPast, Percent());
    Q_EMIT GroupDownloadSize(int(std::max<long long>(m_planDone.load(), 0) / 1048576), m_group, m_isPast);
}

void CExecuteThread::Report(int deviceIndex, const QString& text)
{
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, text);
    Q_EMIT SigConnectDeviceFail(m_group, m_isPast, deviceIndex, text);
}

void CExecuteThread::run()
{
    if (!m_stop.BeginRun())
        return; // stopped between the start and the run
    struct CEnd
    {
        CThreadStop& stop;
        ~CEnd() { stop.EndRun(); }
    } end{m_stop};
    // What this run stores is not overwritten to make room for the rest of it.
    const CStowelineBackupScope backup;
    StartThread();
    CSysInfoManage* model = g_pSysInfoManage;
    QMutexLocker lock(&model->TaskMutex(m_group, m_isPast));
    const GROUP_INFO* group = nullptr;
    if (m_group != MANUAL_GROUP_ID) {
        group = model->GetGroupInfo(m_group);
        if (group == nullptr)
            return;
    }
    const CHANNEL_REF* refs = group != nullptr ? group->Channel : model->GetManualBackupInfo()->Channel;

    QList<TASK_INFO>& list = model->TaskList(m_group, m_isPast);
    const int n = int(list.size());
    for (int i = 0; i < n; ++i)
        m_planTotal += list[i].TotalChannelSize;

    bool groupStarted = false;
    bool aborted = false;
    int i = 0;
    while (i < n) {
        if (IsStopped())
            break;
        TASK_INFO& task = list[i];
        if (task.DownloadState == DOWNLOAD_DONE) {
            m_planDone += task.TotalChannelSize;
            ++i;
            continue;
        }
        const int slot = task.CameraIndex;
        const CHANNEL_REF ref = slot >= 0 && slot < MAX_GROUP_CHANNEL_NUM ? refs[slot] : CHANNEL_REF();
        DEVICE_INFO device;
        // A task without files stands for a channel whose search failed: there is nothing to fetch, and it
        // must not be marked done.
        if (task.FileList.isEmpty() || ref.IsEmpty() || !model->CopyDeviceInfo(ref.DeviceID, &device)) {
            ++i;
            continue;
        }
        if (!groupStarted) {
            Q_EMIT StartGroupDownLoad(m_group, m_isPast, m_planTotal);
            groupStarted = true;
        }
        Q_EMIT StartChannelDownLoad(m_group, m_isPast, slot, task.TotalChannelSize);

        // The login and the resolved address belong to this thread, not to the shared record. Records are
        // named after the stored address, the one the record page searches with: in domain mode that is the
        // address resolved when the device was configured, so a domain whose address changes keeps its name.
        const QByteArray storedAddress(device.DeviceIP);
        const long long planAtStart = m_planDone;
        const QString name = model->GetChannelName(m_group, slot);
        int login = LoginDevice(&device, m_stop.Event());
        if (IsStopped()) {
            LogoutDevice(&login);
            break;
        }
        if (login < 0) {
            if (!name.isEmpty() && !m_skipList.contains(name)) {
                m_skipList << name;
                Report(ref.DeviceID, tr("Skip Download ") + name);
            }
            list.append(list.takeAt(i));
            m_iChannelDownload = 0;
            Q_EMIT ChannelDownloadSize(m_group, m_isPast, 0);
            continue;
        }
        m_skipList.removeAll(name);
        m_recordName =
            storedAddress + '_' + QByteArray::number(device.Port) + '_' + QByteArray::number(ref.CameraIndex);
        m_iChannelDownload = 0;
        Q_EMIT ChannelDownloadSize(m_group, m_isPast, 0);

        const Outcome outcome = DownloadChannel(task, device, &login, ref.DeviceID, ref.CameraIndex);
        LogoutDevice(&login);
        if (outcome == Outcome::Done) {
            task.DownloadState = DOWNLOAD_DONE;
            DbUpdateTaskState(&task, m_isPast);
            ++i;
        } else if (outcome == Outcome::Aborted) {
            aborted = true;
            break;
        } else if (outcome == Outcome::Failed) {
            // Whatever this attempt counted is counted again when the task comes round once more.
            m_planDone = planAtStart;
            list.append(list.takeAt(i));
            m_iChannelDownload = 0;
            EmitProgress();
        }
    }
    if (!IsStopped() && !aborted) {
        Q_EMIT GroupDownloadPos(m_group, m_isPast, 100);
        Q_EMIT GroupDownloadSize(int(m_planTotal / 1048576), m_group, m_isPast);
    }
}

CExecuteThread::Outcome CExecuteThread::DownloadChannel(TASK_INFO& task, DEVICE_INFO& device, int* login,
                                                        int deviceIndex, int channel)
{
    if (!GetStoweline())
        return Outcome::Failed;
    m_iChannelDownload = 0;
    const QString name = g_pSysInfoManage->GetChannelName(m_group, task.CameraIndex);
    for (FILE_INFO& file : task.FileList) {
        m_channelTotal = task.TotalChannelSize;
        if (IsStopped())
            return Outcome::Stopped;
        if (file.DownloadState == DOWNLOAD_DONE) {
            m_iChannelDownload += file.FileSize;
            m_planDone += file.FileSize;
            continue;
        }
        const Outcome outcome = DownloadFile(task, file, device, login, deviceIndex, channel, name);
        if (outcome != Outcome::Done)
            return outcome;
    }
    m_iChannelDownload = m_channelTotal;
    Q_EMIT ChannelDownloadSize(m_group, m_isPast, m_channelTotal);
    return Outcome::Done;
}

bool CExecuteThread::BeginStream(int play, const DEVICE_INFO& device, bool restart)
{
    m_storage = GetStoweline();
    m_writeFailed = false;
    m_storageFault.clear();
    m_fileDone = 0;
    if (!m_storage || !m_storage->OpenChannelRecord(m_recordName.constData(), 0, &m_key)) {
        if (m_storage) {
            qWarning("storage refused record %s: %d", m_recordName.constData(), m_storage->GetLastError());
            NoteStorageFault();
        }
        m_storage.reset();
        return false;
    }
    NET_DVR_SetPlayDataCallBack(play, &CExecuteThread::PlayDataCallBack, this);
    NET_DVR_PlayBackControl(play, NET_DVR_PLAY_START, 0, nullptr);
    if (device.FlowCtrlValue >= 0) {
        const int32_t speed = device.FlowCtrlValue * 8;
        const bool ok =
            restart
                ? NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_SPEED_RESTORE, &speed, 0, nullptr, nullptr)
                : NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_SET_SPEED, &speed, 4, nullptr, nullptr);
        if (!ok)
            qDebug("play-back speed not set: %u", NET_DVR_GetLastError());
    }
    return true;
}

void CExecuteThread::EndStream(int* play, bool keep, bool* stored)
{
    // Once the play-back is stopped, the callback is not running and never runs again.
    if (*play >= 0)
        NET_DVR_StopPlayBack(*play);
    *play = -1;
    bool ok = false;
    if (m_storage) {
        if (keep) {
            ok = m_storage->CloseChannelRecord(m_recordName.constData(), &m_key);
            if (!ok && !m_writeFailed)
                NoteStorageFault();
        } else
            m_storage->AbortChannelRecord(m_recordName.constData(), &m_key);
        m_storage.reset();
    }
    if (stored != nullptr)
        *stored = ok;
}

void CExecuteThread::NoteStorageFault()
{
    const int error = m_storage->GetLastError();
    const STOWELINE_ROOT_ERROR root = m_storage->GetLastRootError();
    if ((error == STOWELINE_ERR_ROOT || error == STOWELINE_ERR_IO) && !root.Drive.isEmpty())
        m_storageFault = DescribeRootError(root);
}

void CExecuteThread::ReportStorageRefusal(int deviceIndex)
{
    if (m_storageFault.isEmpty()) {
        Q_EMIT SignalDiskFull();
        return;
    }
    // Not "full": an operator told so would delete recordings to free room that is not missing.
    const QString text = tr("Backup stopped: a record disk cannot be used. ") + m_storageFault;
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
    Q_EMIT SigConnectDeviceFail(m_group, m_isPast, deviceIndex, text);
    Q_EMIT SignalDiskFailed(text);
}

CExecuteThread::Outcome CExecuteThread::DownloadFile(TASK_INFO& task, FILE_INFO& file, DEVICE_INFO& device,
                                                     int* login, int deviceIndex, int channel,
                                                     const QString& name)
{
    auto rollBack = [this] {
        const long long done = m_fileDone.exchange(0);
        m_iChannelDownload -= done;
        m_planDone -= done;
    };
    auto reconnectFailed = [&] {
        if (!name.isEmpty())
            Report(deviceIndex,
                   tr("Reconnect ") + name + tr(" Failed. Error:") + QString::number(NET_DVR_GetLastError()));
    };
    auto exceptional = [&] {
        if (!name.isEmpty())
            Report(deviceIndex, tr("Download File Exceptional.Reconnect ") + name + tr(" Error:") +
                                    QString::number(NET_DVR_GetLastError()));
    };

    int play = NET_DVR_PlayBackByTime(*login, channel, &file.FileStartTime, &file.FileStopTime, nullptr);
    if (play < 0) {
        exceptional();
        if (!ReconnectPlayBack(device, login, &play, channel, file)) {
            if (IsStopped())
                return Outcome::Stopped;
            reconnectFailed();
            return Outcome::Failed;
        }
    }

    m_key = CHANNEL_RECORD_KEY();
    m_key.StartTime = ToKeyTime(file.FileStartTime);
    m_key.StopTime = ToKeyTime(file.FileStopTime);
    m_key.FileType = file.FileType;
    m_key.Flag = 0;
    auto diskFull = [&] {
        EndStream(&play, false, nullptr);
        rollBack();
        file.DownloadState = DOWNLOAD_NOT_STARTED;
        ReportStorageRefusal(deviceIndex);
        return Outcome::Aborted;
    };
    // The bytes the play-back must deliver: the recorder's length of the range, but never more than the
    // listed size (a recorder that claims more than it found would have every copy refused as short).
    auto measure = [&play, &file] {
        int64_t length = -1;
        if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr))
            length = -1;
        if (file.FileSize > 0 && length > file.FileSize)
            length = file.FileSize;
        return length;
    };
    if (!BeginStream(play, device, false))
        return diskFull();
    int64_t expected = measure();

    if (EngineSleep(1000, &m_stop.Event()))
        Q_EMIT StartFileDownLoad(m_group, m_isPast, file.FileStartTime, file.FileStopTime);
    file.DownloadState = DOWNLOAD_RUNNING;

    int32_t pos = 0;
    while ((pos >= 0 && pos < 100) || pos == -1 || pos == 200) {
        if (IsStopped()) {
            EndStream(&play, false, nullptr);
            rollBack();
            return Outcome::Stopped;
        }
        if (m_writeFailed)
            return diskFull();
        if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &pos, nullptr))
            pos = 201;
        if (pos > 100 || pos == -1) {
            exceptional();
            EndStream(&play, false, nullptr);
            rollBack();
            EmitProgress();
            if (!ReconnectPlayBack(device, login, &play, channel, file)) {
                if (IsStopped())
                    return Outcome::Stopped;
                reconnectFailed();
                break;
            }
            if (!BeginStream(play, device, true))
                return diskFull();
            expected = measure();
        } else {
            EmitProgress();
        }
        if (pos != 100)
            EngineSleep(kPollMs, &m_stop.Event());
    }

    if (pos == 100) {
        // The length is checked before the record is closed: a short copy is given up, never stored.
        if (!m_writeFailed && expected >= 0 && m_fileDone.load() < expected) {
            qWarning("play-back ended short: %lld of %lld bytes", m_fileDone.load(), (long long)expected);
            EndStream(&play, false, nullptr);
            rollBack();
            file.DownloadState = DOWNLOAD_NOT_STARTED;
            return Outcome::Failed;
        }
        bool stored = false;
        EndStream(&play, true, &stored);
        if (!stored || m_writeFailed) {
            // Nothing that could not be stored is ever marked as backed up.
            rollBack();
            file.DownloadState = DOWNLOAD_NOT_STARTED;
            ReportStorageRefusal(deviceIndex);
            return Outcome::Aborted;
        }
        file.DownloadState = DOWNLOAD_DONE;
        m_fileDone = 0;
        DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, m_group, task.CameraIndex, m_isPast);
        return Outcome::Done;
    }
    EndStream(&play, false, nullptr);
    rollBack();
    file.DownloadState = DOWNLOAD_NOT_STARTED;
    return Outcome::Failed;
}

bool CExecuteThread::ReconnectPlayBack(DEVICE_INFO& device, int* login, int* play, int channel,
                                       const FILE_INFO& file)
{
    for (int attempt = 0; attempt < kReconnectTries; ++attempt) {
        if (IsStopped() || !EngineSleep(1000, &m_stop.Event()))
            return false;
        LogoutDevice(login);
        *login = NET_DVR_Login_V30(device.DeviceIP, device.Port, device.Username, device.Password, nullptr);
        if (*login < 0)
            continue;
        *play = NET_DVR_PlayBackByTime(*login, channel, &file.FileStartTime, &file.FileStopTime, nullptr);
        if (*play >= 0)
            return true;
    }
    return false;
}

void CExecuteThread::PlayDataCallBack(int32_t, uint32_t dataType, uint8_t* buffer, uint32_t size, void* user)
{
    auto* self = static_cast<CExecuteThread*>(user);
    if (dataType != NET_DVR_DATA_HEADER && dataType != NET_DVR_DATA_STREAM)
        return;
    if (!self->m_storage || self->m_writeFailed)
        return;
    if (!self->m_storage->WriteChannelRecord(self->m_recordName.constData(), dataType, buffer, size,
                                             &self->m_key)) {
        self->NoteStorageFault(); // here: the storage keeps the cause on the thread that failed
        self->m_writeFailed = true;
        return;
    }
    self->m_fileDone += size;
    self->m_iChannelDownload += size;
    self->m_planDone += size;
}

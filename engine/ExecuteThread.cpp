#include "engine/ExecuteThread.h"

#include "engine/EngineCommon.h"
#include "model/DeviceErrors.h"
#include "model/EngineClock.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "model/TaskStore.h"
#include "model/TextConvert.h"
#include "sdk/DeviceSdk.h"
#include "storage/CStowelineClass.h"
#include "storage/CreateStorage.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int kReconnectTries = 60;
constexpr qint64 kPollMs = 1000;

int Megabytes(long long bytes)
{
    return int(std::clamp<long long>(bytes / 1048576, 0, std::numeric_limits<int>::max()));
}

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
    m_logRepeats.Clear();
}

int CExecuteThread::Percent() const
{
    return PercentOf(m_planDone.load(), m_planTotal);
}

void CExecuteThread::EmitProgress()
{
    Q_EMIT ChannelDownloadSize(m_group, m_isPast, m_iChannelDownload.load());
    Q_EMIT GroupDownloadPos(m_group, m_isPast, Percent());
    Q_EMIT GroupDownloadSize(Megabytes(m_planDone.load()), m_group, m_isPast);
}

void CExecuteThread::Report(int deviceIndex, const QString& text, const QString& cause,
                            const QString& countText)
{
    m_logRepeats.Write(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                       QString::number(deviceIndex) + QLatin1Char(' ') + (cause.isEmpty() ? text : cause),
                       text, countText);
    // Every time: the page counts the repeats of its own rows.
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
        m_planTotal = AddSizes(m_planTotal, list[i].TotalChannelSize);

    bool groupStarted = false;
    bool aborted = false;
    // Tasks whose channel was worked through with files given up wait at the list's end, in the order they
    // were given up, behind every task still to fetch: they are not fetched again in this run, and at the
    // window's end the overdue list keeps that order, so a file that fails each time never comes first.
    int parked = 0;
    // Where a task that is tried again later goes: behind the others still to fetch, before the parked.
    const auto toBack = [&list, &n, &parked](int from) { list.move(from, n - parked - 1); };
    int i = 0;
    while (i < n - parked) {
        if (IsStopped())
            break;
        TASK_INFO& task = list[i];
        if (task.DownloadState == DOWNLOAD_DONE) {
            m_planDone = AddSizes(m_planDone, task.TotalChannelSize);
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
            toBack(i);
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
        } else if (outcome == Outcome::Incomplete) {
            // Its given-up files wait for another run (the next day's overdue list); the others are stored.
            list.move(i, n - 1);
            ++parked;
        } else if (outcome == Outcome::Failed) {
            // Whatever this attempt counted is counted again when the task comes round once more.
            m_planDone = planAtStart;
            toBack(i);
            m_iChannelDownload = 0;
            EmitProgress();
        }
    }
    if (!IsStopped() && !aborted) {
        // A list with files given up (or channels never searched) is not complete: its end shows the share
        // and the bytes that were stored, and the day's figures count only those.
        const bool complete = std::all_of(list.cbegin(), list.cend(), [](const TASK_INFO& task) {
            return task.DownloadState == DOWNLOAD_DONE;
        });
        const long long done = complete ? m_planTotal : m_planDone.load();
        Q_EMIT GroupDownloadPos(m_group, m_isPast, RunEndPercent(done, m_planTotal, complete));
        Q_EMIT GroupDownloadSize(Megabytes(done), m_group, m_isPast);
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
            m_iChannelDownload = AddSizes(m_iChannelDownload, file.FileSize);
            m_planDone = AddSizes(m_planDone, file.FileSize);
            continue;
        }
        const Outcome outcome = DownloadFile(task, file, device, login, deviceIndex, channel, name);
        if (outcome != Outcome::Done && outcome != Outcome::GivenUp)
            return outcome;
    }
    // Every file is stored by now but those given up: they go behind the others, in their order, so the
    // channel's next attempt fetches its other files first.
    const auto givenUp =
        std::stable_partition(task.FileList.begin(), task.FileList.end(),
                              [](const FILE_INFO& file) { return file.DownloadState == DOWNLOAD_DONE; });
    if (givenUp != task.FileList.end()) {
        Q_EMIT ChannelDownloadSize(m_group, m_isPast, m_iChannelDownload.load());
        return Outcome::Incomplete;
    }
    m_iChannelDownload = m_channelTotal;
    Q_EMIT ChannelDownloadSize(m_group, m_isPast, m_channelTotal);
    return Outcome::Done;
}

void CExecuteThread::SetBounds(int play, const FILE_INFO& file)
{
    int64_t length = -1;
    if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &length, nullptr))
        length = -1;
    const PLAYBACK_BOUNDS bounds =
        PlaybackBounds(length, file.FileSize, PlausibleRangeBytes(file.FileStartTime, file.FileStopTime));
    m_expected = bounds.Expected;
    m_announced = bounds.Announced;
    m_limit = bounds.Limit;
}

bool CExecuteThread::BeginStream(int play, const DEVICE_INFO& device, bool restart)
{
    m_storage = GetStoweline();
    m_writeFailed = false;
    m_overrun = false;
    m_storageError = 0;
    m_storageFault.clear();
    m_fullDisks.clear();
    m_heldBack.clear();
    m_fileDone = 0;
    if (!m_storage) {
        m_storageError = STOWELINE_ERR_NOT_INIT;
        return false;
    }
    // Bytes that nothing vouches for are stored into free room only: no other recording is deleted for them,
    // and a disk without room fails this file alone.
    const int room = m_announced > 0 ? 0 : STOWELINE_OPEN_FREE_ROOM_ONLY;
    if (!m_storage->OpenChannelRecord(m_recordName.constData(), room, &m_key)) {
        qWarning("storage refused record %s: %d", m_recordName.constData(), m_storage->GetLastError());
        NoteStorageFault();
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

void CExecuteThread::StopPlay(int* play)
{
    if (*play >= 0)
        NET_DVR_StopPlayBack(*play);
    *play = -1;
}

bool CExecuteThread::StoreRecord()
{
    if (!m_storage) {
        m_storageError = STOWELINE_ERR_NOT_INIT;
        return false;
    }
    for (const auto& [type, bytes] : m_heldBack) {
        if (!m_storage->WriteChannelRecord(m_recordName.constData(), type,
                                           reinterpret_cast<const uint8_t*>(bytes.constData()),
                                           uint32_t(bytes.size()), &m_key)) {
            NoteStorageFault();
            DropRecord();
            return false;
        }
    }
    m_heldBack.clear();
    const bool stored = m_storage->CloseChannelRecord(m_recordName.constData(), &m_key);
    if (!stored)
        NoteStorageFault();
    m_storage.reset();
    return stored;
}

void CExecuteThread::DropRecord()
{
    if (m_storage)
        m_storage->AbortChannelRecord(m_recordName.constData(), &m_key);
    m_storage.reset();
    m_heldBack.clear();
}

void CExecuteThread::NoteStorageFault()
{
    m_storageError = m_storage->GetLastError();
    const STOWELINE_ROOT_ERROR root = m_storage->GetLastRootError();
    if ((m_storageError == STOWELINE_ERR_ROOT || m_storageError == STOWELINE_ERR_IO) && !root.Drive.isEmpty())
        m_storageFault = DescribeRootError(root);
    // A refusal of the record's own name names the file and why, never a disk.
    else if (m_storageError == STOWELINE_ERR_NAME)
        m_storageFault = tr("%1 cannot take its name: %2")
                             .arg(root.Path, QString::fromLocal8Bit(std::strerror(root.SystemError)));
    // A stop for full disks names them, as a stop for a disk that cannot be used names that disk.
    else if (m_storageError == STOWELINE_ERR_DISK_FULL) {
        m_storageFault = FullDiskNames(*m_storage);
        m_fullDisks = FullDisksText(*m_storage);
    }
    // Its own folder refused it while its disk takes files (a day kept read-only, say).
    else if (m_storageError == STOWELINE_ERR_RECORD)
        m_storageFault = tr("in %1 was refused: %2")
                             .arg(root.Path, QString::fromLocal8Bit(std::strerror(root.SystemError)));
}

CExecuteThread::Outcome CExecuteThread::StorageRefused(int deviceIndex, const QString& name,
                                                       const FILE_INFO& file)
{
    switch (ClassifyStorageRefusal(m_storageError)) {
    case STORAGE_REFUSAL::FILE_ONLY: {
        const QString range = RangeText(file.FileStartTime, file.FileStopTime);
        QString text;
        if ((m_storageError == STOWELINE_ERR_NAME || m_storageError == STOWELINE_ERR_RECORD) &&
            !m_storageFault.isEmpty())
            text = tr("Download of %1 %2 given up: its record file %3").arg(name, range, m_storageFault);
        else if (m_storageError == STOWELINE_ERR_NO_FREE_ROOM)
            text =
                tr("Download of %1 %2 given up: the recorder vouches for no size of it, and the disks have "
                   "no free room for it (no recording is deleted for it)")
                    .arg(name, range);
        else
            text = tr("Download of %1 %2 given up: the storage refused its record (code %3)")
                       .arg(name, range)
                       .arg(m_storageError);
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
        Q_EMIT SigConnectDeviceFail(m_group, m_isPast, deviceIndex, text);
        return Outcome::GivenUp;
    }
    case STORAGE_REFUSAL::DISK_FAULT:
        if (!m_storageFault.isEmpty()) {
            // Not "full": an operator told so would delete recordings to free room that is not missing.
            const QString text = tr("Backup stopped: a record disk cannot be used. ") + m_storageFault;
            WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
            Q_EMIT SigConnectDeviceFail(m_group, m_isPast, deviceIndex, text);
            Q_EMIT SignalDiskFailed(text);
            return Outcome::Aborted;
        }
        break;
    case STORAGE_REFUSAL::DISK_FULL: {
        const QString text = tr("Backup stopped: the record disks are full: ") + m_storageFault;
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_WRITE_FILE, text);
        Q_EMIT SigConnectDeviceFail(m_group, m_isPast, deviceIndex, text);
        Q_EMIT SignalDiskFull(m_fullDisks);
        return Outcome::Aborted;
    }
    }
    Q_EMIT SignalDiskFull(QString());
    return Outcome::Aborted;
}

CExecuteThread::Outcome CExecuteThread::DownloadFile(TASK_INFO& task, FILE_INFO& file, DEVICE_INFO& device,
                                                     int* login, int deviceIndex, int channel,
                                                     const QString& name)
{
    // A range no recorder can play (a list stored before such files were refused) fails alone.
    if (!IsFetchableRange(file.FileStartTime, file.FileStopTime)) {
        Report(deviceIndex, BadRangeText(name, file.FileStartTime, file.FileStopTime));
        return Outcome::GivenUp;
    }
    auto rollBack = [this] {
        const long long done = m_fileDone.exchange(0);
        m_iChannelDownload -= done;
        m_planDone -= done;
    };
    auto reconnectFailed = [&] {
        if (!name.isEmpty())
            Report(deviceIndex, tr("Reconnect ") + name + tr(" Failed. Error:") +
                                    DeviceErrorCodeText(NET_DVR_GetLastError()));
    };
    auto exceptional = [&] {
        if (!name.isEmpty())
            Report(deviceIndex, tr("Download File Exceptional.Reconnect ") + name + tr(" Error:") +
                                    DeviceErrorCodeText(NET_DVR_GetLastError()));
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
    // Every way the file ends without being stored: the stream stopped, nothing of it kept, its bytes taken
    // back from the counters.
    auto giveBack = [&](int16_t state) {
        StopPlay(&play);
        DropRecord();
        rollBack();
        file.DownloadState = state;
    };
    auto refused = [&] {
        giveBack(DOWNLOAD_NOT_STARTED);
        return StorageRefused(deviceIndex, name, file);
    };
    // A recorder that sends more than it announced (or never stops) fails the file alone, and is not asked
    // again in this run: every attempt would cost the same bytes.
    auto overran = [&] {
        const int64_t announced = m_announced;
        const int64_t limit = m_limit;
        giveBack(DOWNLOAD_NOT_STARTED);
        const QString range = RangeText(file.FileStartTime, file.FileStopTime);
        // A recorder that does so for one file mostly does so for every file: one cause, counted, as every
        // other repeated refusal, so that a night of such files does not push the log's history out.
        const QString recorder = LocalToQString(device.DeviceName);
        Report(
            deviceIndex,
            announced > 0
                ? tr("Download of %1 %2 given up: the recorder sent more than the %3 bytes it announced")
                      .arg(name, range)
                      .arg(announced)
                : tr("Download of %1 %2 given up: the recorder announced no size and sent more than the %3 "
                     "bytes its time range can hold")
                      .arg(name, range)
                      .arg(limit),
            announced > 0 ? QStringLiteral("over announced size") : QStringLiteral("over time range"),
            announced > 0
                ? tr("Downloads from %1 given up: the recorder sent more than it announced").arg(recorder)
                : tr("Downloads from %1 given up: the recorder announced no size and sent more than "
                     "the time range can hold")
                      .arg(recorder));
        return Outcome::GivenUp;
    };
    // A play-back that neither ends nor brings anything new fails the file alone, like an overrun.
    auto stalled = [&] {
        giveBack(DOWNLOAD_NOT_STARTED);
        Report(deviceIndex, tr("Download of %1 %2 given up: the recorder sent nothing new for %3 s and never "
                               "ended the play-back")
                                .arg(name, RangeText(file.FileStartTime, file.FileStopTime))
                                .arg(kPlaybackStallLimitMs / 1000));
        return Outcome::GivenUp;
    };
    auto restartedTooOften = [&] {
        giveBack(DOWNLOAD_NOT_STARTED);
        Report(deviceIndex,
               tr("Download of %1 %2 given up: its play-back was started anew %3 times and never "
                  "ended")
                   .arg(name, RangeText(file.FileStartTime, file.FileStopTime))
                   .arg(kMaxPlaybackRestarts));
        return Outcome::GivenUp;
    };
    SetBounds(play, file);
    if (!BeginStream(play, device, false))
        return refused();

    if (EngineSleep(1000, &m_stop.Event()))
        Q_EMIT StartFileDownLoad(m_group, m_isPast, file.FileStartTime, file.FileStopTime);
    file.DownloadState = DOWNLOAD_RUNNING;

    int32_t pos = 0;
    // The last sign of progress of the stream in work (engine clock), and what it had reached then.
    QDateTime progressAt = EngineNow();
    int64_t bytesSeen = 0;
    int32_t highestPos = -1;
    bool noProgress = false;
    int restarts = 0;
    while ((pos >= 0 && pos < 100) || pos == -1 || pos == 200) {
        if (IsStopped()) {
            // Stopped first: once it returns the callback never runs again, so a write it had refused is
            // seen now. A full disk in stop mode has the page stop the plans from within that write, before
            // the refusal reaches this loop: the stop is then its outcome, said as every full disk is.
            StopPlay(&play);
            if (m_writeFailed)
                return refused();
            DropRecord();
            rollBack();
            return Outcome::Stopped;
        }
        if (m_writeFailed)
            return refused();
        if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_POS, nullptr, 0, &pos, nullptr))
            pos = 201;
        // The position answer follows every block sent before it: an overrun is seen by now.
        if (m_overrun)
            return overran();
        if (pos > 100 || pos == -1) {
            if ((pos == -1 || pos == 200) && restarts == kMaxPlaybackRestarts)
                return restartedTooOften();
            ++restarts;
            exceptional();
            giveBack(DOWNLOAD_RUNNING);
            EmitProgress();
            if (!ReconnectPlayBack(device, login, &play, channel, file)) {
                if (IsStopped())
                    return Outcome::Stopped;
                reconnectFailed();
                break;
            }
            SetBounds(play, file);
            if (!BeginStream(play, device, true))
                return refused();
            progressAt = EngineNow();
            bytesSeen = 0;
            highestPos = -1;
        } else {
            // Only a higher position counts: one that wanders up and down proves nothing.
            const QDateTime now = EngineNow();
            const int64_t bytes = m_fileDone.load();
            if (bytes > bytesSeen || pos > highestPos || now < progressAt) {
                progressAt = now;
                bytesSeen = bytes;
                highestPos = std::max(highestPos, pos);
            } else if (progressAt.msecsTo(now) >= kPlaybackStallLimitMs) {
                noProgress = true;
                break;
            }
            EmitProgress();
        }
        if (pos != 100)
            EngineSleep(kPollMs, &m_stop.Event());
    }

    if (pos == 100 || noProgress) {
        // Stopped first: from here on no block arrives, so what was received is all there is.
        StopPlay(&play);
        if (m_overrun)
            return overran();
        if (m_writeFailed)
            return refused();
        // A play-back gone quiet is complete only when every byte it announced is in: the recorder only
        // failed to say that it was done.
        if (noProgress && (m_announced <= 0 || m_fileDone.load() < m_announced))
            return stalled();
        // The length is checked before the record is closed: a short copy is given up, never stored.
        if (m_expected >= 0 && m_fileDone.load() < m_expected) {
            qWarning("play-back ended short: %lld of %lld bytes", m_fileDone.load(), (long long)m_expected);
            giveBack(DOWNLOAD_NOT_STARTED);
            return Outcome::Failed;
        }
        if (!StoreRecord()) {
            // Nothing that could not be stored is ever marked as backed up.
            rollBack();
            file.DownloadState = DOWNLOAD_NOT_STARTED;
            return StorageRefused(deviceIndex, name, file);
        }
        file.DownloadState = DOWNLOAD_DONE;
        m_fileDone = 0;
        DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, m_group, task.CameraIndex, m_isPast);
        return Outcome::Done;
    }
    giveBack(DOWNLOAD_NOT_STARTED);
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
    if (!self->m_storage || self->m_writeFailed || self->m_overrun)
        return;
    const int64_t before = self->m_fileDone.load();
    if (int64_t(size) > self->m_limit - before) {
        self->m_overrun = true; // nothing more is written; the thread gives the file up
        return;
    }
    // Up to the announced length the bytes go to the storage; past it they wait for the stream's end.
    const int64_t direct =
        self->m_announced < 0 ? int64_t(size) : std::clamp<int64_t>(self->m_announced - before, 0, size);
    if (direct > 0 && !self->m_storage->WriteChannelRecord(self->m_recordName.constData(), dataType, buffer,
                                                           uint32_t(direct), &self->m_key)) {
        self->NoteStorageFault(); // here: the storage keeps the cause on the thread that failed
        self->m_writeFailed = true;
        return;
    }
    if (direct < int64_t(size))
        self->m_heldBack.emplace_back(
            dataType, QByteArray(reinterpret_cast<const char*>(buffer) + direct, qsizetype(size - direct)));
    self->m_fileDone += size;
    self->m_iChannelDownload += size;
    self->m_planDone += size;
}

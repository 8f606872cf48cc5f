#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/TaskStore.h"
#include "model/Utility.h"
#include "storage/CreateStorage.h"

#include <QFile>

namespace {

const qint64 kStorageReserve = qint64(STOWELINE_INIT_PARAM().ReserveMB) << 20;

} // namespace

CEngineFixture::CEngineFixture(const QDateTime& now, double scale)
    : m_previous(g_pSysInfoManage), m_model(std::make_unique<CSysInfoManage>()), m_recorders(1000, 2000),
      m_clock(now, scale)
{
    g_pSysInfoManage = m_model.get();
    DiskFullCalls() = 0;
}

CEngineFixture::~CEngineFixture()
{
    ReleaseStorage();
    SetDefaultFreeSpaceProvider({});
    g_pSysInfoManage = m_previous;
}

int CEngineFixture::SetUpStorage(int diskMode, qint64 quotaBytes)
{
    if (!MapDrives({{'D', m_disk.path()}}))
        return -1;
    if (quotaBytes >= 0)
        m_quota.SetQuota(m_disk.path(), kStorageReserve + quotaBytes);
    SetDefaultFreeSpaceProvider(quotaBytes >= 0 ? m_quota.Provider() : StowelineFreeSpaceProvider());
    SYSTEM_CONFIG config;
    m_model->GetSystemConfig(&config);
    CopyString26(config.Disk, "D");
    config.DiskMode = int16_t(diskMode);
    m_model->SetSystemConfig(&config);
    return CreateStorage(CountDiskFull, config);
}

int CEngineFixture::AddDevice(const SimRecorderConfig& config, const char* name, int flowCtrl)
{
    CRecorderSim* sim = m_recorders.Add(config);
    if (sim == nullptr)
        return -1;
    if (m_model->AddDevice(sim->AddressBytes().constData(), sim->Port(), config.User.toLatin1().constData(),
                           config.Password.toLatin1().constData(), &flowCtrl, name, "", 0) != ADD_DEVICE_OK)
        return -1;
    const int index = m_model->GetDeviceIndexByName(name);
    m_byDevice[index] = sim;
    sim->ClearCallLog();
    return index;
}

CRecorderSim& CEngineFixture::Recorder(int deviceIndex)
{
    return *m_byDevice.value(deviceIndex);
}

SCHEDULE_WEEKDAY CEngineFixture::Evening()
{
    SCHEDULE_WEEKDAY entry;
    entry.IsEanbel = 1;
    entry.TaskStartTime = {18, 0, 0};
    entry.Duration = 6;
    return entry;
}

bool CEngineFixture::AddPlan(int index, std::initializer_list<CHANNEL_REF> channels,
                             const SCHEDULE_WEEKDAY& entry)
{
    GROUP_INFO plan;
    plan.bUsed = 1;
    CopyString33(plan.GroupName, "Plan " + std::to_string(index));
    int i = 0;
    for (const CHANNEL_REF& ref : channels)
        plan.Channel[i++] = ref;
    plan.Schedule[0] = entry;
    plan.Schedule[0].IsEanbel = 1;
    return m_model->SetGroupInfo(&plan, index);
}

void CEngineFixture::SetManual(const QDate& day, std::initializer_list<CHANNEL_REF> channels, int isChange)
{
    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = SdkTime(day.year(), day.month(), day.day(), 0, 0, 0);
    manual.FileEndTime = SdkTime(day.year(), day.month(), day.day(), 23, 59, 59);
    manual.FileType = 0;
    manual.IsChange = uint8_t(isChange);
    std::copy(channels.begin(), channels.end(), manual.Channel);
    m_model->SetManualBackupInfo(&manual);
}

TASK_INFO CEngineFixture::TaskOf(int group, int position, const QDate& day)
{
    const CHANNEL_REF ref = group == MANUAL_GROUP_ID ? m_model->GetManualBackupInfo()->Channel[position]
                                                     : m_model->GetGroupInfo(group)->Channel[position];
    TASK_INFO task;
    task.TaskTime = day;
    task.GroupID = int16_t(group);
    task.CameraIndex = int16_t(position);
    const CRecorderSim& sim = Recorder(ref.DeviceID);
    for (const SimRecording& recording : sim.Config().Channels.value(ref.CameraIndex).Recordings) {
        FILE_INFO file;
        file.FileStartTime = SimTime(recording.Start);
        file.FileStopTime = SimTime(recording.Stop);
        file.FileType = 1;
        file.FileSize = sim.Expected(ref.CameraIndex, file.FileStartTime, file.FileStopTime).Length();
        task.FileList.append(file);
        task.TotalChannelSize += file.FileSize;
    }
    return task;
}

QStringList CEngineFixture::StoredFiles(int deviceIndex, int channel) const
{
    const DEVICE_INFO* device = m_model->GetDeviceInfo(deviceIndex);
    if (device == nullptr)
        return {};
    const QByteArray name = QByteArray(device->DeviceIP) + '_' + QByteArray::number(device->Port) + '_' +
                            QByteArray::number(channel);
    const QString folder = CStowelineClass::RecordRootOf(m_disk.path()) + QLatin1Char('/') +
                           CStowelineClass::EncodeRecordName(name.constData());
    return FilesUnder(folder);
}

bool CEngineFixture::StoredCopyMatches(int deviceIndex, int channel, const NET_DVR_TIME& start,
                                       const NET_DVR_TIME& stop) const
{
    const QString stamp = QString::asprintf(
        "%04u%02u%02u%02u%02u%02u_%04u%02u%02u%02u%02u%02u_", start.Year, start.Month, start.Day, start.Hour,
        start.Minute, start.Second, stop.Year, stop.Month, stop.Day, stop.Hour, stop.Minute, stop.Second);
    for (const QString& path : StoredFiles(deviceIndex, channel)) {
        if (!path.section(QLatin1Char('/'), -1).startsWith(stamp))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const CSimPlaybackContent expected = m_byDevice.value(deviceIndex)->Expected(channel, start, stop);
        return file.size() == expected.Length() && file.readAll() == expected.Bytes(0, expected.Length());
    }
    return false;
}

int CEngineFixture::LogRows(const QString& prefix)
{
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, std::numeric_limits<int32_t>::max());
    int count = 0;
    for (const LOG_INFO& row : rows)
        if (QString::fromLocal8Bit(row.LogContents).startsWith(prefix))
            ++count;
    return count;
}

QList<TASK_INFO> StoredTasks(int group, int isPast)
{
    QList<TASK_INFO> list;
    DbSelectTaskInfo(&list, group, isPast);
    return list;
}

int DoneFiles(const QList<TASK_INFO>& list)
{
    int done = 0;
    for (const TASK_INFO& task : list)
        for (const FILE_INFO& file : task.FileList)
            done += file.DownloadState == DOWNLOAD_DONE ? 1 : 0;
    return done;
}

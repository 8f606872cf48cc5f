#include "engine/EngineCommon.h"

#include "engine/EngineClock.h"
#include "model/DbAccess.h"
#include "model/DeviceErrors.h"
#include "model/HostAddress.h"
#include "model/LogStore.h"
#include "model/Mail.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"

#include <QMetaType>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

void RegisterEngineMetaTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qRegisterMetaType<NET_DVR_TIME>("NET_DVR_TIME");
        qRegisterMetaType<DEVICE_INFO>("DEVICE_INFO");
        qRegisterMetaType<GROUP_CHANGED>("GROUP_CHANGED");
        qRegisterMetaType<ProgressInfo>("ProgressInfo");
        qRegisterMetaType<std::vector<int>>("std::vector<int>");
        qRegisterMetaType<std::vector<GROUP_CHANGED>>("std::vector<GROUP_CHANGED>");
    });
}

bool IsTimeLater(int y1, int m1, int d1, int h1, int mi1, int s1, int y2, int m2, int d2, int h2, int mi2,
                 int s2)
{
    const QDateTime first(QDate(y1, m1, d1), QTime(h1, mi1, s1));
    const QDateTime second(QDate(y2, m2, d2), QTime(h2, mi2, s2));
    return first > second;
}

bool IsTimeLater(const NET_DVR_TIME& a, const NET_DVR_TIME& b)
{
    return IsTimeLater(int(a.Year), int(a.Month), int(a.Day), int(a.Hour), int(a.Minute), int(a.Second),
                       int(b.Year), int(b.Month), int(b.Day), int(b.Hour), int(b.Minute), int(b.Second));
}

int8_t FileTypeToSdkFileType(uint32_t type)
{
    switch (type) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    case 8:
        return 6;
    default:
        return int8_t(0xFF);
    }
}

int8_t SdkFileTypeToFileType(uint8_t type)
{
    switch (type) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 4;
    case 4:
        return 5;
    case 5:
        return 6;
    case 6:
        return 8;
    case 7:
        return 7;
    default:
        return 0;
    }
}

QDateTime FromSdkTime(const NET_DVR_TIME& time)
{
    return QDateTime(QDate(int(time.Year), int(time.Month), int(time.Day)),
                     QTime(int(time.Hour), int(time.Minute), int(time.Second)));
}

int LoginDevice(DEVICE_INFO* device, const CStopEvent& stop)
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    const int attempts = config.IsEnableEmail == 1 && config.ReconnetNum > 1 ? config.ReconnetNum : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (stop || !EngineSleep(1000, &stop))
            return -1;
        if (device->ConnectMode == 1) {
            // Only an IPv4 address fits the address field; a name that gives none fails this attempt.
            const std::string address = GetFirstIPv4Address(device->Domain);
            if (address.empty())
                continue;
            CopyString16(device->DeviceIP, address);
        }
        const int login =
            NET_DVR_Login_V30(device->DeviceIP, device->Port, device->Username, device->Password, nullptr);
        if (login >= 0)
            return login;
    }
    return -1;
}

namespace {

int64_t MeasureRange(int login, int channel, const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    const int play = NET_DVR_PlayBackByTime(login, channel, &start, &stop, nullptr);
    if (play < 0)
        return -1;
    int64_t size = 0;
    if (!NET_DVR_PlayBackControl_V40(play, NET_DVR_PLAY_GET_LENGTH, nullptr, 0, &size, nullptr))
        size = -1;
    NET_DVR_StopPlayBack(play);
    return size;
}

} // namespace

LIST_FILES_RESULT ListChannelFiles(int login, const NET_DVR_FILE_CONDITION& condition, bool boundByFoundSize,
                                   const CStopEvent& stop, TASK_INFO* task)
{
    const int search = NET_DVR_FindFile_V30(login, &condition);
    if (search < 0)
        return LIST_FILES_RESULT::NO_SEARCH;
    // Every result is read before a play-back opens to measure one, so the search never has to restart.
    std::vector<NET_DVR_FILE_DATA> found;
    bool stopped = false;
    for (;;) {
        if (stop) {
            stopped = true;
            break;
        }
        NET_DVR_FILE_DATA data;
        const int result = NET_DVR_FindNextFile_V30(search, &data);
        if (result == NET_DVR_FIND_BUSY)
            continue;
        if (result != NET_DVR_FIND_FILE)
            break;
        found.push_back(data);
        if (int(found.size()) >= kMaxFilesPerChannel) {
            qWarning("more than %d files on channel %d; the rest waits for another run", kMaxFilesPerChannel,
                     condition.Channel);
            break;
        }
    }
    NET_DVR_FindClose_V30(search);
    if (stopped)
        return LIST_FILES_RESULT::STOPPED;

    const NET_DVR_TIME& windowStart = condition.StartTime;
    const NET_DVR_TIME& windowStop = condition.StopTime;
    for (const NET_DVR_FILE_DATA& file : found) {
        if (stop)
            return LIST_FILES_RESULT::STOPPED;
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
        if (startsBefore || endsAfter) {
            const int64_t measured =
                MeasureRange(login, condition.Channel, info.FileStartTime, info.FileStopTime);
            const bool usable = measured > 0 && (!boundByFoundSize || measured <= int64_t(file.FileSize));
            if (usable)
                info.FileSize = measured;
        }
        task->FileList.append(info);
        task->TotalChannelSize += info.FileSize;
    }
    return LIST_FILES_RESULT::LISTED;
}

QString ReportListLoginFailure(int group, int position)
{
    const QString name = g_pSysInfoManage->GetChannelName(group, position);
    if (name.isEmpty())
        return QString();
    const QString text = QObject::tr("Get Backup Task Work List Failed.Connect Device ") + name +
                         QObject::tr(" Error:") + DeviceErrorCodeText(NET_DVR_GetLastError());
    WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, text);
    return text;
}

namespace {

constexpr int kMaxMailsUnderWay = 4;

struct CMailCount
{
    std::mutex mutex;
    int underWay = 0;
};

// Shared with the mail threads, so it outlives the process's statics while one still finishes.
std::shared_ptr<CMailCount> MailCount()
{
    static const std::shared_ptr<CMailCount> count = std::make_shared<CMailCount>();
    return count;
}

} // namespace

void MailListLoginFailure(const QString& text)
{
    if (text.isEmpty())
        return;
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    if (config.IsEnableEmail != 1)
        return;
    MAIL_CONFIG mail;
    g_pSysInfoManage->GetMailConfig(&mail);
    const std::shared_ptr<CMailCount> count = MailCount();
    {
        std::lock_guard lock(count->mutex);
        if (count->underWay >= kMaxMailsUnderWay) {
            qWarning("report mail dropped: %d mails are still under way", count->underWay);
            return;
        }
        ++count->underWay;
    }
    // The mail's own time-outs bound the thread; it touches nothing but its copies.
    std::thread([mail, subject = QObject::tr("Tolvarin"), text, count] {
        SendEmailWithConfig(mail, subject, text);
        std::lock_guard lock(count->mutex);
        --count->underWay;
    }).detach();
}

void LogoutDevice(int* login)
{
    if (*login >= 0)
        NET_DVR_Logout_V30(*login);
    *login = -1;
}

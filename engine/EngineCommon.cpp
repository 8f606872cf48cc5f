#include "engine/EngineCommon.h"

#include "model/DbAccess.h"
#include "model/DeviceErrors.h"
#include "model/EngineClock.h"
#include "model/HostAddress.h"
#include "model/LogStore.h"
#include "model/Mail.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"
#include "storage/CStowelineClass.h"
#include "storage/StowelineRecords.h"

#include <QMetaType>

#include <algorithm>
#include <limits>

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

bool IsRealSdkTime(const NET_DVR_TIME& time)
{
    // Checked before any conversion: a field above the int range must not turn into a valid one.
    if (time.Year > 9999 || time.Month > 12 || time.Day > 31 || time.Hour > 23 || time.Minute > 59 ||
        time.Second > 59)
        return false;
    return QDate::isValid(int(time.Year), int(time.Month), int(time.Day));
}

bool IsFetchableRange(const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    return IsRealSdkTime(start) && IsRealSdkTime(stop) && IsTimeLater(stop, start);
}

NET_DVR_TIME EndOfSecond(const NET_DVR_TIME& last)
{
    if (!IsRealSdkTime(last))
        return last;
    // Calendar fields, not a local time: a daylight-saving change moves no second of the range.
    const QDate day(int(last.Year), int(last.Month), int(last.Day));
    const QTime time(int(last.Hour), int(last.Minute), int(last.Second));
    const QTime next = time.addSecs(1);
    const QDate nextDay = next < time ? day.addDays(1) : day;
    return NET_DVR_TIME{uint32_t(nextDay.year()), uint32_t(nextDay.month()), uint32_t(nextDay.day()),
                        uint32_t(next.hour()),    uint32_t(next.minute()),   uint32_t(next.second())};
}

QString RangeText(const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    const auto text = [](const NET_DVR_TIME& t) {
        return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                                 t.Second);
    };
    return text(start) + QStringLiteral(" - ") + text(stop);
}

QString BadRangeText(const QString& channelName, const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    return QObject::tr("File of %1 skipped: its times %2 are no range")
        .arg(channelName, RangeText(start, stop));
}

int64_t AddSizes(int64_t a, int64_t b)
{
    a = std::max<int64_t>(a, 0);
    b = std::max<int64_t>(b, 0);
    return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

int PercentOf(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100;
    done = std::clamp<int64_t>(done, 0, total);
    // done × 100 would pass the 64-bit range for totals above 92 PB; a percent loses nothing at that scale,
    // but 100 stays the mark of a complete total.
    if (total > std::numeric_limits<int64_t>::max() / 100)
        return done < total ? std::min(99, int(done / (total / 100))) : 100;
    return int(done * 100 / total);
}

int64_t PlausibleRangeBytes(const NET_DVR_TIME& start, const NET_DVR_TIME& stop)
{
    int64_t seconds = 0;
    if (IsFetchableRange(start, stop))
        seconds = std::max<int64_t>(FromSdkTime(start).secsTo(FromSdkTime(stop)), 0);
    // A range longer than the largest figure a second can fill is held to that figure.
    const int64_t fill =
        (kMaxPlausibleRangeBytes - kPlausibleRangeAllowanceBytes) / kMaxPlausibleBytesPerSecond;
    if (seconds > fill)
        return kMaxPlausibleRangeBytes;
    return seconds * kMaxPlausibleBytesPerSecond + kPlausibleRangeAllowanceBytes;
}

PLAYBACK_BOUNDS PlaybackBounds(int64_t length, int64_t listed, int64_t rangeBytes)
{
    const auto plausible = [](int64_t size) { return size > 0 && size <= kMaxPlausibleRangeBytes; };
    PLAYBACK_BOUNDS bounds;
    if (plausible(length))
        bounds.Expected = plausible(listed) ? std::min(length, listed) : length;
    bounds.Announced = bounds.Expected > 0 ? bounds.Expected : plausible(listed) ? listed : -1;
    bounds.Limit = bounds.Announced > 0 ? bounds.Announced + kOverrunMarginBytes
                                        : std::clamp<int64_t>(rangeBytes, 0, kMaxPlausibleRangeBytes);
    return bounds;
}

int RunEndPercent(int64_t done, int64_t total, bool complete)
{
    if (complete)
        return 100;
    if (total <= 0)
        return 0;
    return std::min(PercentOf(done, total), 99);
}

STORAGE_REFUSAL ClassifyStorageRefusal(int storageError)
{
    switch (storageError) {
    case STOWELINE_ERR_DISK_FULL:
        return STORAGE_REFUSAL::DISK_FULL;
    case STOWELINE_ERR_ROOT:
    case STOWELINE_ERR_IO:
    case STOWELINE_ERR_NOT_INIT: // no disk is set up at all: every file would fail the same way
        return STORAGE_REFUSAL::DISK_FAULT;
    // Something standing at the record's own name, its own folder refused while its disk takes files, a
    // file whose size nothing vouches for finding no free room, a record whose disk went while others
    // remain: that file alone, the disks go on.
    case STOWELINE_ERR_NAME:
    case STOWELINE_ERR_NO_FREE_ROOM:
    case STOWELINE_ERR_DISK_GONE:
    case STOWELINE_ERR_RECORD:
        return STORAGE_REFUSAL::FILE_ONLY;
    default:
        return STORAGE_REFUSAL::FILE_ONLY;
    }
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

LIST_FILES_RESULT ListChannelFiles(int login, const NET_DVR_FILE_CONDITION& condition,
                                   const QString& channelName, const CStopEvent& stop,
                                   const std::function<void(const QString&)>& report, TASK_INFO* task)
{
    const auto exception = [&report](const QString& text) {
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, text);
        if (report)
            report(text);
    };
    const int search = NET_DVR_FindFile_V30(login, &condition);
    if (search < 0)
        return LIST_FILES_RESULT::NO_SEARCH;
    // Every result is read before a play-back opens to measure one, so the search never has to restart.
    std::vector<NET_DVR_FILE_DATA> found;
    LIST_FILES_RESULT result = LIST_FILES_RESULT::LISTED;
    QDateTime busySince; // the first of the "still searching" answers in a row
    for (;;) {
        if (stop) {
            result = LIST_FILES_RESULT::STOPPED;
            break;
        }
        NET_DVR_FILE_DATA data;
        const int next = NET_DVR_FindNextFile_V30(search, &data);
        if (next == NET_DVR_FIND_BUSY) {
            // Asked again after a pause, and not for ever: a recorder that only ever searches would keep
            // this thread (and the plan's window) busy without end.
            const QDateTime now = EngineNow();
            if (!busySince.isValid() || now < busySince)
                busySince = now;
            else if (busySince.msecsTo(now) >= kSearchBusyLimitMs) {
                result = LIST_FILES_RESULT::GAVE_UP;
                break;
            }
            if (!EngineSleep(kSearchBusyPauseMs, &stop)) {
                result = LIST_FILES_RESULT::STOPPED;
                break;
            }
            continue;
        }
        busySince = QDateTime();
        if (next != NET_DVR_FIND_FILE)
            break;
        found.push_back(data);
        if (int(found.size()) >= kMaxFilesPerChannel) {
            qWarning("more than %d files on channel %d; the rest waits for another run", kMaxFilesPerChannel,
                     condition.Channel);
            break;
        }
    }
    NET_DVR_FindClose_V30(search);
    if (result == LIST_FILES_RESULT::GAVE_UP) {
        exception(QObject::tr("Search of %1 given up: the recorder was still searching after %2 s")
                      .arg(channelName)
                      .arg(kSearchBusyLimitMs / 1000));
        return result;
    }
    if (result == LIST_FILES_RESULT::STOPPED)
        return result;

    const NET_DVR_TIME& windowStart = condition.StartTime;
    const NET_DVR_TIME& windowStop = condition.StopTime;
    // Named one by one up to a few: a recorder that lists thousands must not push the log's history out.
    constexpr int kMaxBadFilesReported = 10;
    int badFiles = 0;
    for (const NET_DVR_FILE_DATA& file : found) {
        if (stop)
            return LIST_FILES_RESULT::STOPPED;
        // A clock stepped back, or a lie: such a file fails alone, never the storage or the plan.
        if (!IsFetchableRange(file.StartTime, file.StopTime)) {
            if (++badFiles <= kMaxBadFilesReported)
                exception(BadRangeText(channelName, file.StartTime, file.StopTime));
            continue;
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
        if (startsBefore || endsAfter) {
            // The part of a file holds no more than the file: a larger measure is no measure.
            const int64_t measured =
                MeasureRange(login, condition.Channel, info.FileStartTime, info.FileStopTime);
            if (measured > 0 && measured <= int64_t(file.FileSize))
                info.FileSize = measured;
        }
        task->FileList.append(info);
        task->TotalChannelSize = AddSizes(task->TotalChannelSize, info.FileSize);
    }
    if (badFiles > kMaxBadFilesReported)
        exception(QObject::tr("%1 more files of %2 skipped: their times are no range")
                      .arg(badFiles - kMaxBadFilesReported)
                      .arg(channelName));
    return LIST_FILES_RESULT::LISTED;
}

QString FullDiskNames(const CStowelineClass& storage)
{
    return storage.DiskNames().join(QStringLiteral(", "));
}

QString FullDisksText(const CStowelineClass& storage)
{
    return QObject::tr("%1. A disk counts as full while less than %2 MB is free on it: that much is kept "
                       "free on every disk.")
        .arg(FullDiskNames(storage))
        .arg(storage.ReserveBytes() / (1024 * 1024));
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

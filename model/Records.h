#pragma once

// The plain records that every part of the program passes around. Every field is initialised, so no record
// ever carries undefined bytes into the database, a signal or a file. Text fields hold zero-terminated local
// 8-bit text; a field of N bytes holds at most N-1 bytes of text.

#include "sdk/DeviceSdk.h"

#include <QDate>
#include <QList>
#include <QMetaType>

#include <cstdint>
#include <vector>

constexpr int MAX_DEVICE_NUM = 1024;
constexpr int MAX_CAMERA_NUM = 64;
constexpr int MAX_GROUP_NUM = 32;
constexpr int MAX_GROUP_CHANNEL_NUM = 32;
constexpr int SCHEDULE_ENTRY_NUM = 8;
constexpr int MANUAL_GROUP_ID = 32;

enum DOWNLOAD_STATE : int16_t
{
    DOWNLOAD_NOT_STARTED = 0,
    DOWNLOAD_RUNNING = 1,
    DOWNLOAD_DONE = 2,
};

struct SYSTEM_CONFIG
{
    uint8_t IsAutoRun = 0;
    char OSUsername[44] = {};
    char OSPassword[44] = {};
    int16_t BackupMode = 0; // 0 automatic, 1 manual, 2 idle
    int16_t DiskMode = 0;   // 0 overwrite, otherwise stop
    char Disk[26] = {};     // one drive letter per byte
    uint8_t IsEnableEmail = 0;
    int32_t ReconnetNum = 9;
};

struct MAIL_CONFIG
{
    char SMTPAddr[128] = {};
    char MailFrom[128] = {};
    char MailTo[128] = {};
    char MailCc[128] = {};
    char Reserved[128] = {}; // neither stored nor read
    char MailName[128] = {};
    char MailPassword[64] = {};
    char Body[256] = {};
    char Subject[256] = {};
    uint16_t SMTPPort = 25;
};

struct CAMERA_INFO
{
    int16_t DeviceID = -1;
    int16_t CameraIndex = -1; // the recorder's channel number
    uint8_t IsAddToGroup = 0;
    int16_t GroupID = -1;
    uint8_t IsAddToManual = 0;
    char PicPath[256] = {};
    uint8_t IsIP = 0;
};

struct DEVICE_INFO
{
    uint8_t IsUsed = 0;
    char DeviceIP[16] = {};
    char DeviceName[33] = {};
    char Username[32] = {};
    char Password[256] = {};
    int32_t LoginID = -1;
    uint16_t Port = 0;
    int16_t CameraNum = -1;
    int16_t ConnectMode = 0; // 0 by address, 1 by domain
    char Domain[128] = {};
    int32_t FlowCtrlValue = -1;
    CAMERA_INFO Camera[MAX_CAMERA_NUM] = {};
    int16_t StartIP = -1;
};

struct CHANNEL_REF
{
    int16_t DeviceID = -1;
    int16_t CameraIndex = -1;

    bool IsEmpty() const { return DeviceID == -1 || CameraIndex == -1; }
};

struct SCHEDULE_TIME
{
    int16_t Hour = 0;
    int16_t Minute = 0;
    int16_t Second = 0;
};

struct SCHEDULE_WEEKDAY
{
    int16_t GroupID = -1;
    uint8_t IsEanbel = 0;
    int16_t Weekday = -1;
    SCHEDULE_TIME TaskStartTime{18, 0, 0};
    int16_t Duration = 6; // hours, 1 to 24
    int16_t FileDate = 1; // days back, 0 to 30
    SCHEDULE_TIME FileStartTime{0, 0, 0};
    SCHEDULE_TIME FileEndTime{23, 59, 59};
    uint32_t FileType = 0; // 0 all, 1 schedule, 2 motion, 3 alarm, 8 manual
};

struct GROUP_INFO
{
    uint8_t bUsed = 0;
    uint8_t bDelete = 0;
    char GroupName[33] = {};
    CHANNEL_REF Channel[MAX_GROUP_CHANNEL_NUM] = {};
    SCHEDULE_WEEKDAY Schedule[SCHEDULE_ENTRY_NUM] = {}; // 0 whole week, 1..7 Monday..Sunday
};

struct MANUAL_BACKUP_INFO
{
    NET_DVR_TIME FileStartTime{};
    NET_DVR_TIME FileEndTime{};
    uint32_t FileType = 255;
    uint8_t IsChange = 0; // switch back to automatic backup when done
    CHANNEL_REF Channel[MAX_GROUP_CHANNEL_NUM] = {};
};

struct FILE_INFO
{
    NET_DVR_TIME FileStartTime{};
    NET_DVR_TIME FileStopTime{};
    uint8_t FileType = 0;
    int16_t DownloadState = DOWNLOAD_NOT_STARTED;
    int64_t FileSize = 0;
};

struct TASK_INFO
{
    QDate TaskTime;
    int16_t GroupID = -1;     // 0..31, MANUAL_GROUP_ID for the manual plan
    int16_t CameraIndex = -1; // position of the channel in its plan's channel list
    int16_t DownloadState = DOWNLOAD_NOT_STARTED;
    int64_t TotalChannelSize = 0;
    QList<FILE_INFO> FileList;
};

struct LOG_INFO
{
    int64_t LogTime = 0; // seconds since 1970-01-01 UTC
    int32_t LogType = -1;
    int32_t LogSubType = -1;
    char LogContents[200] = {};
};

// One plan that the settings rewrote.
struct GROUP_CHANGED
{
    int GroupID = -1;
    char GroupName[33] = {};
};

// Rows done and rows in all, from a worker to a progress box.
struct ProgressInfo
{
    int nCurrent = 0;
    int nTotal = 0;
};

Q_DECLARE_METATYPE(NET_DVR_TIME)
Q_DECLARE_METATYPE(DEVICE_INFO)
Q_DECLARE_METATYPE(GROUP_CHANGED)
Q_DECLARE_METATYPE(ProgressInfo)
Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(std::vector<GROUP_CHANGED>)

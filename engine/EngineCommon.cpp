#include "engine/EngineCommon.h"

#include "engine/EngineClock.h"
#include "model/DbAccess.h"
#include "model/HostAddress.h"
#include "model/SysInfoManage.h"
#include "sdk/DeviceSdk.h"

#include <QMetaType>

#include <mutex>

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

NET_DVR_TIME ToSdkTime(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return NET_DVR_TIME{uint32_t(d.year()), uint32_t(d.month()),  uint32_t(d.day()),
                        uint32_t(t.hour()), uint32_t(t.minute()), uint32_t(t.second())};
}

QDateTime FromSdkTime(const NET_DVR_TIME& time)
{
    return QDateTime(QDate(int(time.Year), int(time.Month), int(time.Day)),
                     QTime(int(time.Hour), int(time.Minute), int(time.Second)));
}

int LoginDevice(DEVICE_INFO* device, const std::atomic<bool>& stop)
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

void LogoutDevice(int* login)
{
    if (*login >= 0)
        NET_DVR_Logout_V30(*login);
    *login = -1;
}

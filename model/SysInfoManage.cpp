#include "model/SysInfoManage.h"

#include "model/DbAccess.h"
#include "model/DbGuard.h"
#include "model/LogStore.h"
#include "model/Mail.h"
#include "model/NeverDestroyed.h"
#include "model/SQLite3DB.h"
#include "model/TaskStore.h"
#include "model/TextConvert.h"
#include "sdk/DeviceSdk.h"

#include <QMutexLocker>

#include <algorithm>
#include <iterator>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace {

CSysInfoManage& ProcessModel()
{
    static CNeverDestroyed<CSysInfoManage> model;
    return *model;
}

// True when the text and its terminator fit a field of `size` bytes.
bool FitsField(const char* text, size_t size)
{
    return text == nullptr || ::strnlen(text, size) < size;
}

// The text of a record field, which may fill the field without a terminator.
template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

bool SameText(const char* field, const char* text, size_t fieldSize)
{
    return std::strncmp(field, text, fieldSize) == 0 && std::strlen(text) < fieldSize;
}

// Removes every reference matching `drop` from a compact list and closes it up.
template <typename Pred> bool CompactRefs(CHANNEL_REF (&refs)[MAX_GROUP_CHANNEL_NUM], Pred drop)
{
    CHANNEL_REF kept[MAX_GROUP_CHANNEL_NUM] = {};
    int n = 0;
    bool changed = false;
    for (const CHANNEL_REF& ref : refs) {
        if (ref.IsEmpty())
            continue;
        if (drop(ref)) {
            changed = true;
            continue;
        }
        kept[n++] = ref;
    }
    std::copy(std::begin(kept), std::end(kept), std::begin(refs));
    return changed;
}

// Rewrites one device's rows and the memberships of its channels as one transaction.
bool DbReplaceDevice(int slot, const DEVICE_INFO& device, const GROUP_INFO (&groups)[MAX_GROUP_NUM],
                     const MANUAL_BACKUP_INFO& manual)
{
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DEVICE_INFO rows = device;
        for (int i = 0; i < rows.CameraNum; ++i) {
            rows.Camera[i].IsAddToGroup = 0;
            rows.Camera[i].GroupID = -1;
            rows.Camera[i].IsAddToManual = 0;
        }
        if (!DbDeleteDeviceInfo(slot) || !DbInsertDeviceInfo(slot, &rows))
            return false;
        auto exists = [&device](int channel) {
            for (int i = 0; i < device.CameraNum; ++i)
                if (device.Camera[i].CameraIndex == channel)
                    return true;
            return false;
        };
        for (int g = 0; g < MAX_GROUP_NUM; ++g) {
            if (groups[g].bUsed != 1)
                continue;
            for (int p = 0; p < MAX_GROUP_CHANNEL_NUM; ++p) {
                const CHANNEL_REF& ref = groups[g].Channel[p];
                if (ref.DeviceID == slot && exists(ref.CameraIndex) &&
                    !DbUpdateCameraGroup(slot, ref.CameraIndex, 1, g, p))
                    return false;
            }
        }
        for (int p = 0; p < MAX_GROUP_CHANNEL_NUM; ++p) {
            const CHANNEL_REF& ref = manual.Channel[p];
            if (ref.DeviceID == slot && exists(ref.CameraIndex) &&
                !DbUpdateCameraManual(slot, ref.CameraIndex, 1, p))
                return false;
        }
        transaction.Commit();
        return true;
    });
}

} // namespace

CSysInfoManage* g_pSysInfoManage = &ProcessModel();

CSysInfoManage::CSysInfoManage() = default;
CSysInfoManage::~CSysInfoManage() = default;

// ---------------------------------------------------------------------------------------------- settings

bool CSysInfoManage::LoadAllInfo(std::string* why)
{
    // A part that cannot be read keeps what the model holds, and the load reports the failure: the first
    // part that failed, with the database's words for it.
    std::string first;
    const auto failed = [&first](const char* part) {
        if (first.empty())
            first = std::string("the stored ") + part + " cannot be read (" + DbLastError() + ")";
    };
    SYSTEM_CONFIG config;
    if (DbSelectSystemConfig(&config)) {
        QMutexLocker lock(&m_systemMutex);
        m_systemConfig = config;
    } else {
        failed("settings");
    }
    for (int i = 0; i < MAX_DEVICE_NUM; ++i) {
        DEVICE_INFO device;
        if (DbSelectDeviceInfo(i, &device)) {
            QMutexLocker lock(&m_deviceMutex);
            m_devices[i] = device;
        } else {
            failed("recorders");
        }
    }
    MAIL_CONFIG mail;
    if (DbSelectMailConfig(&mail)) {
        QMutexLocker lock(&m_mailMutex);
        m_mailConfig = mail;
    } else {
        failed("mail settings");
    }
    if (!ReloadGroups())
        failed("plans");
    MANUAL_BACKUP_INFO manual;
    if (DbSelectManualBackupInfo(&manual))
        m_manualInfo = manual;
    else
        failed("manual backup");
    if (why != nullptr)
        *why = first;
    if (!first.empty())
        return false;
    AcceptMainDB();
    return true;
}

void CSysInfoManage::Shutdown()
{
    m_shutDown = true;
    ShutdownMainDB();
}

bool CSysInfoManage::IsShutDown() const
{
    return m_shutDown;
}

int CSysInfoManage::GetSystemConfig(SYSTEM_CONFIG* config) const
{
    if (config != nullptr) {
        QMutexLocker lock(&m_systemMutex);
        *config = m_systemConfig;
    }
    return 0;
}

bool CSysInfoManage::SetSystemConfig(const SYSTEM_CONFIG* config)
{
    if (config == nullptr || m_shutDown)
        return false;
    // Readers wait only for the copy, never for the database; writers keep memory and rows in one order.
    // Stored first: settings the database refused must not be in force while the file says otherwise.
    QMutexLocker order(&m_systemWriteMutex);
    if (!DbSaveSystemConfig(config))
        return false;
    QMutexLocker lock(&m_systemMutex);
    m_systemConfig = *config;
    return true;
}

int CSysInfoManage::GetMailConfig(MAIL_CONFIG* config) const
{
    if (config != nullptr) {
        QMutexLocker lock(&m_mailMutex);
        *config = m_mailConfig;
    }
    return 0;
}

bool CSysInfoManage::SetMailConfig(const MAIL_CONFIG* config)
{
    // Settings that no mail can carry are refused here, where the operator sees it, instead of failing
    // every report later.
    if (config == nullptr || m_shutDown || !IsMailConfigSendable(*config))
        return false;
    QMutexLocker lock(&m_mailMutex);
    if (!DbSaveMailConfig(config))
        return false;
    m_mailConfig = *config;
    return true;
}

void CSysInfoManage::SetBackupMode(int mode)
{
    if (m_shutDown)
        return;
    QMutexLocker order(&m_systemWriteMutex);
    {
        QMutexLocker lock(&m_systemMutex);
        m_systemConfig.BackupMode = int16_t(mode);
    }
    DbUpdateBackupMode(mode);
}

// ----------------------------------------------------------------------------------------------- devices

bool CSysInfoManage::IsDuplicate(const char* ip, uint16_t port, const char* name, int ignoreSlot) const
{
    if (name == nullptr || name[0] == '\0')
        return true;
    for (int i = 0; i < MAX_DEVICE_NUM; ++i) {
        const DEVICE_INFO& d = m_devices[i];
        if (i == ignoreSlot || d.IsUsed != 1)
            continue;
        if ((std::strcmp(d.DeviceIP, ip) == 0 && d.Port == port) ||
            SameText(d.DeviceName, name, sizeof d.DeviceName))
            return true;
    }
    return false;
}

int CSysInfoManage::ReadDeviceChannels(DEVICE_INFO* device, int slot, const char* ip, uint16_t port,
                                       const char* user, const char* password)
{
    NET_DVR_DEVICE_INFO info;
    const int login = NET_DVR_Login_V30(ip, port, user, password, &info);
    if (login < 0) {
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                 tr("Log in ") + LocalToQString(ip) + QStringLiteral("  ") + QString::number(port) +
                     tr(" failed"));
        return ADD_DEVICE_REFUSED;
    }
    // A channel's number is kept in 16 bits, where -1 is no channel: a number that does not fit would be
    // stored as another channel's (65536 as 0) or as none, and a plan would back up the wrong camera.
    std::optional<qint64> badChannel;

    int count = 0;
    for (int i = 0; i < info.AnalogChannelCount && count < MAX_CAMERA_NUM; ++i) {
        CAMERA_INFO& camera = device->Camera[count++];
        camera = CAMERA_INFO();
        camera.DeviceID = int16_t(slot);
        camera.CameraIndex = int16_t(info.FirstChannel + i); // at most 510: always fits
        camera.IsIP = 0;
    }

    const auto config = std::make_unique<NET_DVR_IPCHANNEL_CONFIG>();
    uint32_t returned = 0;
    bool anyIp = false;
    const qint64 firstDigital = NET_DVR_GetDVRConfig(login, NET_DVR_GET_IPCHANNEL_CONFIG, 0, config.get(),
                                                     sizeof(NET_DVR_IPCHANNEL_CONFIG), &returned)
                                    ? qint64(config->FirstDigitalChannel)
                                    : -1;
    for (int k = 0; firstDigital >= 0 && k < int(std::size(config->Streams)); ++k) {
        // The stream entry's bytes as the recorder lays them out: 0 the kind of source, then per kind
        // byte 5 an IP device number (1..64), byte 8 or byte 4 an in-use flag.
        const NET_DVR_STREAM_ENTRY& stream = config->Streams[k];
        const auto byteAt = [&stream](int offset) { return stream.Bytes[offset - 4]; };
        bool counted = false;
        if (stream.Kind == 0) {
            const int number = byteAt(5);
            counted = number >= 1 && number <= int(std::size(config->Devices)) &&
                      config->Devices[number - 1].Enabled != 0;
        } else if (stream.Kind == 1) {
            counted = byteAt(8) != 0;
        } else if (stream.Kind == 2) {
            counted = byteAt(4) != 0;
        }
        if (!counted)
            continue;
        if (count >= MAX_CAMERA_NUM)
            break; // a device keeps at most 64 channels
        if (k + firstDigital > std::numeric_limits<int16_t>::max()) {
            badChannel = k + firstDigital;
            break;
        }
        CAMERA_INFO& camera = device->Camera[count++];
        camera = CAMERA_INFO();
        camera.DeviceID = int16_t(slot);
        camera.CameraIndex = int16_t(k + firstDigital);
        camera.IsIP = 1;
        anyIp = true;
    }
    NET_DVR_Logout_V30(login);
    if (badChannel) {
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                 tr("Device %1  %2 refused: its channel number %3 is out of range")
                     .arg(LocalToQString(ip))
                     .arg(port)
                     .arg(*badChannel));
        return ADD_DEVICE_BAD_CHANNEL;
    }
    device->CameraNum = int16_t(count);
    device->StartIP = anyIp ? int16_t(firstDigital) : int16_t(-1);
    return ADD_DEVICE_OK;
}

int CSysInfoManage::AddDevice(const char* ip, uint16_t port, const char* user, const char* password,
                              const int* flowCtrl, const char* name, const char* domain, int connectMode)
{
    if (ip == nullptr || user == nullptr || password == nullptr)
        return ADD_DEVICE_BAD_ARGUMENT;
    if (!FitsField(ip, sizeof(DEVICE_INFO::DeviceIP)) || !FitsField(user, sizeof(DEVICE_INFO::Username)) ||
        !FitsField(password, sizeof(DEVICE_INFO::Password)) ||
        !FitsField(name, sizeof(DEVICE_INFO::DeviceName)) || !FitsField(domain, sizeof(DEVICE_INFO::Domain)))
        return ADD_DEVICE_TOO_LONG;
    const int slot = GetFreeDeviceIndex();
    if (slot < 0)
        return ADD_DEVICE_NO_SLOT;
    if (IsDuplicate(ip, port, name, -1))
        return ADD_DEVICE_REFUSED;

    DEVICE_INFO device;
    const int read = ReadDeviceChannels(&device, slot, ip, port, user, password);
    if (read != ADD_DEVICE_OK)
        return read;
    device.IsUsed = 1;
    device.ConnectMode = int16_t(connectMode);
    device.Port = port;
    CopyString33(device.DeviceName, name != nullptr ? name : "");
    CopyString16(device.DeviceIP, ip);
    CopyString128(device.Domain, domain != nullptr ? domain : "");
    CopyString32(device.Username, user);
    CopyString256(device.Password, password);
    device.FlowCtrlValue = flowCtrl != nullptr ? *flowCtrl : -1;

    if (!DbInsertDeviceInfo(slot, &device))
        return ADD_DEVICE_DB_FAILED;
    QMutexLocker lock(&m_deviceMutex);
    m_devices[slot] = device;
    return ADD_DEVICE_OK;
}

bool CSysInfoManage::ModifyDevice(const DEVICE_INFO* newInfo, const DEVICE_INFO* oldInfo,
                                  bool removeFromGroups, int* result)
{
    int ignored = 0;
    int& refusal = result != nullptr ? *result : ignored;
    refusal = ADD_DEVICE_REFUSED;
    if (newInfo == nullptr || oldInfo == nullptr)
        return false;
    // A field filled to its end has no terminator: its text would be cut when stored.
    if (!FitsField(newInfo->DeviceIP, sizeof newInfo->DeviceIP) ||
        !FitsField(newInfo->Username, sizeof newInfo->Username) ||
        !FitsField(newInfo->Password, sizeof newInfo->Password) ||
        !FitsField(newInfo->DeviceName, sizeof newInfo->DeviceName) ||
        !FitsField(newInfo->Domain, sizeof newInfo->Domain))
        return false;
    const int slot = GetDeviceIndexByName(oldInfo->DeviceName);
    if (slot < 0)
        return false;
    if (IsDuplicate(newInfo->DeviceIP, newInfo->Port, newInfo->DeviceName, slot))
        return false;

    DEVICE_INFO device;
    refusal = ReadDeviceChannels(&device, slot, newInfo->DeviceIP, newInfo->Port, newInfo->Username,
                                 newInfo->Password);
    if (refusal != ADD_DEVICE_OK)
        return false;
    refusal = ADD_DEVICE_DB_FAILED;
    device.IsUsed = 1;
    device.ConnectMode = newInfo->ConnectMode;
    device.Port = newInfo->Port;
    CopyString33(device.DeviceName, FieldText(newInfo->DeviceName));
    CopyString16(device.DeviceIP, FieldText(newInfo->DeviceIP));
    CopyString128(device.Domain, FieldText(newInfo->Domain));
    CopyString32(device.Username, FieldText(newInfo->Username));
    CopyString256(device.Password, FieldText(newInfo->Password));
    device.FlowCtrlValue = newInfo->FlowCtrlValue;

    // Channels that the recorder still has keep the memberships they had, and their pictures.
    const DEVICE_INFO& old = m_devices[slot];
    for (int i = 0; i < device.CameraNum; ++i) {
        CAMERA_INFO& camera = device.Camera[i];
        for (int j = 0; j < old.CameraNum && j < MAX_CAMERA_NUM; ++j) {
            if (old.Camera[j].CameraIndex != camera.CameraIndex)
                continue;
            camera.IsAddToGroup = old.Camera[j].IsAddToGroup;
            camera.GroupID = old.Camera[j].GroupID;
            camera.IsAddToManual = old.Camera[j].IsAddToManual;
            std::memcpy(camera.PicPath, old.Camera[j].PicPath, sizeof camera.PicPath);
            break;
        }
    }

    GROUP_INFO groups[MAX_GROUP_NUM];
    std::copy(std::begin(m_groups), std::end(m_groups), std::begin(groups));
    if (removeFromGroups) {
        for (GROUP_INFO& group : groups)
            if (group.bUsed == 1)
                CompactRefs(group.Channel, [slot](const CHANNEL_REF& ref) { return ref.DeviceID == slot; });
    }

    if (!DbReplaceDevice(slot, device, groups, m_manualInfo))
        return false;
    {
        QMutexLocker lock(&m_deviceMutex);
        m_devices[slot] = device;
    }
    std::copy(std::begin(groups), std::end(groups), std::begin(m_groups));
    refusal = ADD_DEVICE_OK;
    return true;
}

int CSysInfoManage::DeleteDevice(const char* name, bool removeFromGroups)
{
    const int index = GetDeviceIndexByName(name);
    if (index < 0 || !DbDeleteDeviceInfo(index))
        return -1;
    {
        QMutexLocker lock(&m_deviceMutex);
        m_devices[index] = DEVICE_INFO();
    }
    if (removeFromGroups)
        RemoveDeviceFromGroups(index);
    return 1;
}

void CSysInfoManage::RemoveDeviceFromGroups(int deviceIndex)
{
    for (GROUP_INFO& group : m_groups)
        if (group.bUsed == 1)
            CompactRefs(group.Channel,
                        [deviceIndex](const CHANNEL_REF& ref) { return ref.DeviceID == deviceIndex; });
}

bool CSysInfoManage::ReadDeviceFromDataBase(const QString& path)
{
    std::vector<DEVICE_INFO> devices;
    const bool ok = DbSelectTInfoDevice(path, &devices);
    for (const DEVICE_INFO& d : devices) {
        const int flow = -1;
        AddDevice(d.DeviceIP, d.Port, d.Username, d.Password, &flow, d.DeviceName, "", 0);
    }
    return ok;
}

int CSysInfoManage::GetFreeDeviceIndex() const
{
    for (int i = 0; i < MAX_DEVICE_NUM; ++i)
        if (m_devices[i].IsUsed == 0)
            return i;
    return -1;
}

DEVICE_INFO* CSysInfoManage::GetDeviceInfo(int index)
{
    if (index < 0 || index >= MAX_DEVICE_NUM || m_devices[index].IsUsed == 0)
        return nullptr;
    return &m_devices[index];
}

bool CSysInfoManage::CopyDeviceInfo(int index, DEVICE_INFO* out) const
{
    if (index < 0 || index >= MAX_DEVICE_NUM || out == nullptr)
        return false;
    QMutexLocker lock(&m_deviceMutex);
    if (m_devices[index].IsUsed == 0)
        return false;
    *out = m_devices[index];
    return true;
}

void CSysInfoManage::GetDeviceList(std::vector<DEVICE_INFO>* list) const
{
    if (list == nullptr)
        return;
    for (const DEVICE_INFO& d : m_devices)
        if (d.IsUsed == 1)
            list->push_back(d);
}

void CSysInfoManage::GetAllDeviceInfo(DEVICE_INFO* devices) const
{
    if (devices == nullptr)
        return;
    for (int i = 0; i < MAX_DEVICE_NUM; ++i)
        if (m_devices[i].IsUsed == 1)
            devices[i] = m_devices[i];
}

int CSysInfoManage::GetDeviceIndexByName(const char* name) const
{
    if (name == nullptr || name[0] == '\0')
        return -1;
    for (int i = MAX_DEVICE_NUM - 1; i >= 0; --i)
        if (m_devices[i].IsUsed == 1 &&
            SameText(m_devices[i].DeviceName, name, sizeof m_devices[i].DeviceName))
            return i;
    return -1;
}

bool CSysInfoManage::GetDeviceName(int index, char name[33]) const
{
    if (index < 0 || index >= MAX_DEVICE_NUM || name == nullptr)
        return false;
    std::memcpy(name, m_devices[index].DeviceName, 33);
    return true;
}

int CSysInfoManage::GetDeviceUseState(const char* name) const
{
    const int index = GetDeviceIndexByName(name);
    if (index < 0)
        return -1;
    for (const CHANNEL_REF& ref : m_manualInfo.Channel)
        if (!ref.IsEmpty() && ref.DeviceID == index)
            return 2;
    for (const GROUP_INFO& group : m_groups) {
        if (group.bUsed != 1)
            continue;
        for (const CHANNEL_REF& ref : group.Channel)
            if (!ref.IsEmpty() && ref.DeviceID == index)
                return 1;
    }
    return -1;
}

int CSysInfoManage::GetGroupsOfDevice(int deviceIndex, std::vector<int>* groups) const
{
    if (groups == nullptr)
        return 1;
    for (int g = 0; g < MAX_GROUP_NUM; ++g) {
        if (m_groups[g].bUsed != 1)
            continue;
        for (const CHANNEL_REF& ref : m_groups[g].Channel)
            if (!ref.IsEmpty() && ref.DeviceID == deviceIndex)
                groups->push_back(g);
    }
    return 1;
}

int CSysInfoManage::SetChannelPicPath(int deviceIndex, int channel, const char* path)
{
    if (deviceIndex < 0 || deviceIndex >= MAX_DEVICE_NUM || path == nullptr)
        return 0;
    QMutexLocker lock(&m_deviceMutex);
    DEVICE_INFO& device = m_devices[deviceIndex];
    for (int i = 0; i < device.CameraNum && i < MAX_CAMERA_NUM; ++i) {
        if (device.Camera[i].CameraIndex != channel)
            continue;
        CopyString256(device.Camera[i].PicPath, path);
        return 1;
    }
    return 0;
}

// ------------------------------------------------------------------------------------------------- plans

GROUP_INFO* CSysInfoManage::GetGroupInfo(int index)
{
    if (index < 0 || index >= MAX_GROUP_NUM || m_groups[index].bUsed == 0)
        return nullptr;
    return &m_groups[index];
}

void CSysInfoManage::GetAllGroupInfo(GROUP_INFO* groups) const
{
    if (groups != nullptr)
        std::copy(std::begin(m_groups), std::end(m_groups), groups);
}

bool CSysInfoManage::SetGroupInfo(const GROUP_INFO* group, int index)
{
    if (group == nullptr || index < 0 || index >= MAX_GROUP_NUM)
        return false;
    // The plan row, its schedule and its channels in list order replace the stored plan as one transaction;
    // the model takes the plan only once it is stored.
    GROUP_INFO stored = *group;
    for (int i = 0; i < SCHEDULE_ENTRY_NUM; ++i)
        stored.Schedule[i].GroupID = int16_t(index);
    if (!DbSaveGroupInfo(index, &stored))
        return false;
    m_groups[index] = *group;
    if (group->bDelete == 1)
        m_groups[index].bUsed = 0;
    return true;
}

int CSysInfoManage::DeleteGroupInfo(int index)
{
    if (index < 0 || index >= MAX_GROUP_NUM || !DbDeleteGroupInfo(index))
        return 0;
    m_groups[index] = GROUP_INFO();
    return 1;
}

int CSysInfoManage::BeginTransaction()
{
    return DbBeginTransaction() ? 1 : 0;
}

bool CSysInfoManage::CommitTransaction()
{
    if (DbCommitTransaction())
        return true;
    ReloadGroups();
    return false;
}

bool CSysInfoManage::RollbackTransaction()
{
    const bool ok = DbRollbackTransaction();
    ReloadGroups();
    return ok;
}

bool CSysInfoManage::ReloadGroups()
{
    bool ok = true;
    for (int i = 0; i < MAX_GROUP_NUM; ++i) {
        GROUP_INFO group;
        if (DbSelectGroupInfo(i, &group))
            m_groups[i] = group.GroupName[0] != '\0' ? group : GROUP_INFO();
        else
            ok = false;
    }
    return ok;
}

QString CSysInfoManage::GetChannelName(int group, int position) const
{
    if (group < 0 || group > MANUAL_GROUP_ID || position < 0 || position >= MAX_GROUP_CHANNEL_NUM)
        return QString();
    const CHANNEL_REF& ref =
        group == MANUAL_GROUP_ID ? m_manualInfo.Channel[position] : m_groups[group].Channel[position];
    if (ref.IsEmpty())
        return QString();
    return GetCameraName(ref.DeviceID, ref.CameraIndex);
}

QString CSysInfoManage::GetCameraName(int deviceIndex, int channel) const
{
    char name[33] = {};
    GetDeviceName(deviceIndex, name);
    const QString deviceName = LocalToQString(name);
    if (deviceIndex >= 0 && deviceIndex < MAX_DEVICE_NUM) {
        const DEVICE_INFO& device = m_devices[deviceIndex];
        for (int i = 0; i < device.CameraNum && i < MAX_CAMERA_NUM; ++i) {
            if (device.Camera[i].CameraIndex != channel)
                continue;
            if (device.Camera[i].IsIP == 1)
                return deviceName + QObject::tr("_IPCamera") +
                       QString::asprintf(" %02d", channel - device.StartIP + 1);
            break;
        }
    }
    return deviceName + QObject::tr("_Camera") + QString::asprintf(" %02d", channel);
}

void CSysInfoManage::SetManualBackupInfo(const MANUAL_BACKUP_INFO* info)
{
    if (info == nullptr)
        return;
    m_manualInfo = *info;
    DbSaveManualBackupInfo(&m_manualInfo);
}

void CSysInfoManage::ClearManualBackupInfo()
{
    m_manualInfo = MANUAL_BACKUP_INFO();
    m_manualInfo.FileType = 0;
    DbClearManualBackupInfo();
}

bool CSysInfoManage::DeleteManualDevice(int deviceIndex)
{
    CompactRefs(m_manualInfo.Channel,
                [deviceIndex](const CHANNEL_REF& ref) { return ref.DeviceID == deviceIndex; });
    DbSaveManualBackupInfo(&m_manualInfo);
    return true;
}

// -------------------------------------------------------------------------------------------- task lists

QList<TASK_INFO>& CSysInfoManage::TaskList(int group, int isPast)
{
    if (group == MANUAL_GROUP_ID)
        return m_ManualTaskList;
    return m_TaskList[group * 2 + (isPast ? 1 : 0)];
}

QMutex& CSysInfoManage::TaskMutex(int group, int isPast)
{
    if (group == MANUAL_GROUP_ID)
        return m_TaskMutex[MANUAL_TASK_MUTEX];
    return m_TaskMutex[group * 2 + (isPast ? 1 : 0)];
}

bool CSysInfoManage::LoadAllTaskList()
{
    bool ok = true;
    for (int g = 0; g < MAX_GROUP_NUM; ++g)
        ok = LoadTaskList(g) && ok;
    m_ManualTaskList.clear();
    ok = DbSelectTaskInfo(&m_ManualTaskList, MANUAL_GROUP_ID, 0) && ok;
    return ok;
}

bool CSysInfoManage::LoadTaskList(int group)
{
    if (group < 0 || group >= MAX_GROUP_NUM)
        return false;
    bool ok = true;
    for (int isPast = 0; isPast < 2; ++isPast) {
        QList<TASK_INFO>& list = TaskList(group, isPast);
        list.clear();
        ok = DbSelectTaskInfo(&list, group, isPast) && ok;
    }
    return ok;
}

bool CSysInfoManage::SaveTaskList(int group, int isPast)
{
    if (group < 0 || group > MANUAL_GROUP_ID)
        return false;
    return DbSaveTaskList(TaskList(group, isPast), group, group == MANUAL_GROUP_ID ? 0 : isPast);
}

void SendEmail(const QString& subject, const QString& body)
{
    MAIL_CONFIG config;
    g_pSysInfoManage->GetMailConfig(&config);
    if (!SendEmailWithConfig(config, subject, body))
        qDebug("report mail not sent: %s", qPrintable(subject));
}

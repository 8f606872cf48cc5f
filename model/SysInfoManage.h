#pragma once

// The one in-memory model of the process: settings, recorders, plans, the manual plan and the engine's task
// lists with their locks. Every change of a setting, a device or a plan is written to the database at once.

#include "model/Records.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <string>
#include <vector>

constexpr int TASK_LIST_NUM = MAX_GROUP_NUM * 2;
constexpr int MANUAL_TASK_MUTEX = 64;

// Results of AddDevice.
enum ADD_DEVICE_RESULT
{
    ADD_DEVICE_OK = 1,
    ADD_DEVICE_REFUSED = -1, // a duplicate, or the recorder refused the login
    ADD_DEVICE_NO_SLOT = -2,
    ADD_DEVICE_BAD_ARGUMENT = -3,
    ADD_DEVICE_DB_FAILED = -4, // logged in, but the database did not take the device; nothing was kept
    ADD_DEVICE_TOO_LONG = -5,  // a text is longer than its field holds; nothing was tried
    // The recorder numbers a channel beyond what a channel reference holds (0 to 32767): stored, it would
    // name another channel. Nothing was kept; the log names the number.
    ADD_DEVICE_BAD_CHANNEL = -6,
};

// Lifetime: the process's model (g_pSysInfoManage) is built on first use and never destroyed, so an engine
// thread that still runs while the process exits never meets a destroyed model. The program's exit ends and
// waits for every engine thread first and then calls Shutdown, which closes the database for good; from then
// on every change is refused (memory and database stay as they were) and reads see the last state.
class CSysInfoManage : public QObject
{
    Q_OBJECT

public:
    CSysInfoManage();
    ~CSysInfoManage() override;

    // Loads settings, devices, plans and the manual plan. False when any part could not be read (also when
    // the database cannot be opened: MainDbError tells why); what was read stays loaded. `why` gets the first
    // part that could not be read and the database's cause.
    bool LoadAllInfo(std::string* why = nullptr);
    // The last step of the program's exit, after every engine thread ended; see above.
    void Shutdown();
    bool IsShutDown() const;

    // Settings. The system and the mail settings are read and written under their locks: worker threads read
    // them while the settings page writes them.
    int GetSystemConfig(SYSTEM_CONFIG* config) const;
    // True when the database took the settings.
    bool SetSystemConfig(const SYSTEM_CONFIG* config);
    int GetMailConfig(MAIL_CONFIG* config) const;
    bool SetMailConfig(const MAIL_CONFIG* config);
    void SetBackupMode(int mode);

    // Devices.
    // ADD_DEVICE_TOO_LONG before any login when the address, user, password, name or domain is longer than
    // its field: a cut login would fail after a restart, a cut name would pass the duplicate check.
    int AddDevice(const char* ip, uint16_t port, const char* user, const char* password, const int* flowCtrl,
                  const char* name, const char* domain, int connectMode);
    // Rewrites the old device's slot in place once the new settings proved good (no duplicate, login works);
    // on any failure the old device stays as it was. Channels that still exist keep their memberships.
    // `result`, when given, gets ADD_DEVICE_OK or the cause of the refusal as AddDevice would give it.
    bool ModifyDevice(const DEVICE_INFO* newInfo, const DEVICE_INFO* oldInfo, bool removeFromGroups,
                      int* result = nullptr);
    // The database first: when it refuses, memory is left as it was and -1 returned.
    int DeleteDevice(const char* name, bool removeFromGroups);
    bool ReadDeviceFromDataBase(const QString& path);
    int GetFreeDeviceIndex() const;
    DEVICE_INFO* GetDeviceInfo(int index);
    // The copy a worker thread takes: the picture loader writes picture paths while backups copy the device.
    bool CopyDeviceInfo(int index, DEVICE_INFO* out) const;
    void GetDeviceList(std::vector<DEVICE_INFO>* list) const;
    void GetAllDeviceInfo(DEVICE_INFO* devices) const;
    int GetDeviceIndexByName(const char* name) const;
    bool GetDeviceName(int index, char name[33]) const;
    int GetDeviceUseState(const char* name) const;
    int GetGroupsOfDevice(int deviceIndex, std::vector<int>* groups) const;
    // Stores the picture path in the device's channel whose channel number is `channel`.
    int SetChannelPicPath(int deviceIndex, int channel, const char* path);

    // Plans and the manual plan.
    GROUP_INFO* GetGroupInfo(int index);
    void GetAllGroupInfo(GROUP_INFO* groups) const;
    // True when the database took the plan; a refused plan leaves the model's plan as it was.
    bool SetGroupInfo(const GROUP_INFO* group, int index);
    // 1 when the database deleted the plan (the model's slot is emptied then), else 0.
    int DeleteGroupInfo(int index);
    // Several plan changes as one transaction (the plan page's save). A commit that fails undoes them all and
    // reads the stored plans back into the model; false then. A rollback (a write of the save was refused)
    // undoes them all the same way.
    int BeginTransaction();
    bool CommitTransaction();
    bool RollbackTransaction();
    QString GetChannelName(int group, int position) const;
    QString GetCameraName(int deviceIndex, int channel) const;
    MANUAL_BACKUP_INFO* GetManualBackupInfo() { return &m_manualInfo; }
    void SetManualBackupInfo(const MANUAL_BACKUP_INFO* info);
    void ClearManualBackupInfo();
    bool DeleteManualDevice(int deviceIndex);

    // Task lists. List i (i = group * 2 + isPast) is guarded by lock i; the manual list by lock 64.
    bool LoadAllTaskList();
    bool LoadTaskList(int group);
    // Replaces the stored list by the one in memory, whole or not at all.
    bool SaveTaskList(int group, int isPast);
    // The list of a plan (isPast 0 current, 1 overdue), or the manual list for MANUAL_GROUP_ID.
    QList<TASK_INFO>& TaskList(int group, int isPast);
    QMutex& TaskMutex(int group, int isPast);

    QList<TASK_INFO> m_TaskList[TASK_LIST_NUM];
    QMutex m_TaskMutex[TASK_LIST_NUM + 2];
    QList<TASK_INFO> m_ManualTaskList;

private:
    bool IsDuplicate(const char* ip, uint16_t port, const char* name, int ignoreSlot) const;
    // Logs in and reads the recorder's channels into `device`: ADD_DEVICE_OK, ADD_DEVICE_REFUSED when the
    // login failed, ADD_DEVICE_BAD_CHANNEL when a channel's number does not fit.
    int ReadDeviceChannels(DEVICE_INFO* device, int slot, const char* ip, uint16_t port, const char* user,
                           const char* password);
    void RemoveDeviceFromGroups(int deviceIndex);
    // Reads the stored plans into the model (a plan that cannot be read keeps what the model holds); false
    // when any could not be read. After an undone transaction, memory shows what is stored again.
    bool ReloadGroups();

    SYSTEM_CONFIG m_systemConfig;
    MAIL_CONFIG m_mailConfig;
    MANUAL_BACKUP_INFO m_manualInfo;
    DEVICE_INFO m_devices[MAX_DEVICE_NUM];
    GROUP_INFO m_groups[MAX_GROUP_NUM];
    mutable QMutex m_systemMutex; // the settings are copied out by worker threads
    QMutex m_systemWriteMutex;    // one settings write at a time, memory and database in the same order
    mutable QMutex m_mailMutex;
    mutable QMutex
        m_deviceMutex; // devices are written by the window and the picture loader, copied by workers
    std::atomic<bool> m_shutDown{false};
};

// The one model object of the process.
extern CSysInfoManage* g_pSysInfoManage;

#include "storage/CreateStorage.h"

#include "model/SysInfoManage.h"

#include <QObject>

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_storageMutex;
std::shared_ptr<CStowelineClass> g_pStoweline;

void SetStoweline(std::shared_ptr<CStowelineClass> object)
{
    std::shared_ptr<CStowelineClass> old;
    {
        std::lock_guard lock(g_storageMutex);
        old = std::exchange(g_pStoweline, std::move(object));
    }
    // `old` goes out of scope here, outside the lock: releasing the last reference uninitialises the object.
}

// The system settings as the model holds them.
SYSTEM_CONFIG ReadSystemConfigFromModel()
{
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    return config;
}

// Uninit before release, for every object that was set up.
void ReleaseInitialised(CStowelineClass* object)
{
    object->Uninit();
    DelStowelineClass(&object);
}

} // namespace

std::shared_ptr<CStowelineClass> GetStoweline()
{
    std::lock_guard lock(g_storageMutex);
    return g_pStoweline;
}

QString StorageErrorText(int code)
{
    return QObject::tr("Create Storage Error:") + QString::number(code) +
           QObject::tr(".Please check and clear the local disk.");
}

void ReleaseStorage()
{
    SetStoweline(nullptr);
}

int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback)
{
    return CreateStorage(callback, ReadSystemConfigFromModel());
}

int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback, const SYSTEM_CONFIG& config)
{
    ReleaseStorage();

    STOWELINE_INIT_PARAM param;
    int result = 0;
    for (size_t i = 0; i < sizeof(config.Disk) && config.Disk[i] != '\0'; ++i) {
        STOWELINE_PATH path;
        std::snprintf(path.Path, sizeof(path.Path), "%c:", config.Disk[i]);
        param.DiskPaths.Append(path.Path);
        result = 1;
    }
    if (result == 0)
        return 0;

    CStowelineClass* raw = nullptr;
    if (!NewStowelineClass(&raw))
        return 1;

    param.MaxOpenRecords = 64;
    param.Reserved1 = 0;
    param.Reserved2 = 0;
    param.Enable = 1;
    param.Overwrite = config.DiskMode == 0 ? 1 : 0;
    param.DiskFullCallBack = config.DiskMode == 0 ? nullptr : callback;

    if (!raw->Init(&param)) {
        result = raw->GetLastError();
        DelStowelineClass(&raw);
        // A refused set-up is never reported as success, whatever code the library gives.
        return result != 0 ? result : 1;
    }
    SetStoweline(std::shared_ptr<CStowelineClass>(raw, ReleaseInitialised));
    return 0;
}

#include "tests/support/TempDatabase.h"

#include "model/DbAccess.h"
#include "model/Utility.h"

#include <string>

CTempDatabase::CTempDatabase()
{
    // m_dir already points the program directory at itself; a connection of an earlier directory must go.
    CloseMainDB();
}

CTempDatabase::~CTempDatabase()
{
    CloseMainDB();
    SetAppDirOverride(TestSupport::ProcessAppDir().Path());
}

CSQLite3DB& CTempDatabase::Reopen()
{
    CloseMainDB();
    return GetMainDB();
}

void CTempDatabase::FillFullConfiguration()
{
    DEVICE_INFO device;
    device.IsUsed = 1;
    device.Port = 8000;
    device.CameraNum = MAX_CAMERA_NUM;
    CopyString32(device.Username, "admin");
    CopyString256(device.Password, "12345");
    DbBeginTransaction();
    for (int d = 0; d < MAX_DEVICE_NUM; ++d) {
        CopyString33(device.DeviceName, "Recorder " + std::to_string(d));
        CopyString16(device.DeviceIP, "10.1." + std::to_string(d / 256) + "." + std::to_string(d % 256));
        for (int c = 0; c < MAX_CAMERA_NUM; ++c) {
            device.Camera[c] = CAMERA_INFO();
            device.Camera[c].DeviceID = int16_t(d);
            device.Camera[c].CameraIndex = int16_t(c + 1);
        }
        DbInsertDeviceInfo(d, &device);
    }
    for (int g = 0; g < MAX_GROUP_NUM; ++g) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "Plan " + std::to_string(g));
        for (int p = 0; p < MAX_GROUP_CHANNEL_NUM; ++p)
            plan.Channel[p] = {int16_t(g * 32 + p), int16_t(p + 1)};
        DbSaveGroupInfo(g, &plan);
    }
    DbCommitTransaction();
}

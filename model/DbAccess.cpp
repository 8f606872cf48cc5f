#include "model/DbAccess.h"

#include "model/DbGuard.h"
#include "model/DbText.h"

#include <algorithm>
#include <string_view>

namespace {

thread_local std::string t_lastError;

} // namespace

std::string DbLastError()
{
    return t_lastError;
}

void SetDbLastError(const std::string& text)
{
    t_lastError = text;
}

void CopyBoundedString(char* field, size_t size, const std::string& text)
{
    if (field == nullptr || size == 0)
        return;
    size_t length = std::min(text.size(), size - 1);
    const size_t zero = text.find('\0');
    if (zero != std::string::npos)
        length = std::min(length, zero);
    // Never split a character: step back over continuation bytes when the cut falls inside one.
    if (length < text.size() && length < zero) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, size - length);
}

namespace {

bool IsDeviceIndex(int index)
{
    return index >= 0 && index < MAX_DEVICE_NUM;
}

bool IsGroupIndex(int index)
{
    return index >= 0 && index < MAX_GROUP_NUM;
}

void InsertCamera(CSQLite3DB& db, const CAMERA_INFO& camera, int groupPos, int manualPos)
{
    DbRun(db,
          "INSERT INTO Camera_Table (DeviceID,CameraIndex,IsAddToGroup,GroupID,IsAddToManual,IsIP,GroupPos,"
          "ManualPos) VALUES (?,?,?,?,?,?,?,?);",
          {camera.DeviceID, camera.CameraIndex, camera.IsAddToGroup, camera.GroupID, camera.IsAddToManual,
           camera.IsIP, groupPos, manualPos});
}

void InsertSchedule(CSQLite3DB& db, const SCHEDULE_WEEKDAY& e, int groupId)
{
    DbRun(db,
          "INSERT INTO ScheduleWeekday_Table (GroupID,IsEanbel,Weekday,TaskStartTime,Duration,FileDate,"
          "FileStartTime,FileEndTime,FileType) VALUES (?,?,?,?,?,?,?,?,?);",
          {groupId, e.IsEanbel, e.Weekday,
           FormatTimeOfDayText(e.TaskStartTime.Hour, e.TaskStartTime.Minute, e.TaskStartTime.Second),
           e.Duration, e.FileDate,
           FormatTimeOfDayText(e.FileStartTime.Hour, e.FileStartTime.Minute, e.FileStartTime.Second),
           FormatTimeOfDayText(e.FileEndTime.Hour, e.FileEndTime.Minute, e.FileEndTime.Second), e.FileType});
}

void ReadTimeOfDay(const std::string& text, SCHEDULE_TIME* time)
{
    int h = 0, m = 0, s = 0;
    if (ParseTimeOfDayText(text, &h, &m, &s)) {
        time->Hour = int16_t(h);
        time->Minute = int16_t(m);
        time->Second = int16_t(s);
    }
}

// All rows or none: a failing step appends nothing.
void ReadChannelRefs(CSQLite3Recordset& rs, std::vector<CHANNEL_REF>* refs)
{
    std::vector<CHANNEL_REF> read;
    for (; !rs.IsEof(); rs.Next()) {
        CHANNEL_REF ref;
        ref.DeviceID = int16_t(rs.GetInt(0));
        ref.CameraIndex = int16_t(rs.GetInt(1));
        read.push_back(ref);
    }
    refs->insert(refs->end(), read.begin(), read.end());
}

void DeleteGroupRows(CSQLite3DB& db, int index)
{
    DbRun(db, "DELETE FROM Group_Table WHERE GroupID = ?;", {index});
    DbRun(db, "DELETE FROM ScheduleWeekday_Table WHERE GroupID = ?;", {index});
    DbRun(db, "UPDATE Camera_Table SET IsAddToGroup = 0, GroupID = -1, GroupPos = -1 WHERE GroupID = ?;",
          {index});
}

void ClearManualRows(CSQLite3DB& db)
{
    DbRun(db, "DELETE FROM ScheduleManul_Table;");
    DbRun(db, "UPDATE Camera_Table SET IsAddToManual = 0, ManualPos = -1;");
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Devices and channels

bool DbInsertDeviceInfo(int index, const DEVICE_INFO* info)
{
    if (!IsDeviceIndex(index) || info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DbRun(db,
              "INSERT INTO Device_Table "
              "(DeviceID,IsUsed,DeviceIP,DeviceName,Username,Password,Port,ConnectMode,"
              "Domain,FlowCtrlValue,StartIP) VALUES (?,?,?,?,?,?,?,?,?,?,?);",
              {index, info->IsUsed, info->DeviceIP, info->DeviceName, info->Username, info->Password,
               info->Port, info->ConnectMode, info->Domain, info->FlowCtrlValue, info->StartIP});
        const int count = std::clamp(int(info->CameraNum), 0, MAX_CAMERA_NUM);
        for (int i = 0; i < count; ++i)
            InsertCamera(db, info->Camera[i], -1, -1);
        transaction.Commit();
        return true;
    });
}

bool DbDeleteDeviceInfo(int index)
{
    if (!IsDeviceIndex(index))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DbRun(db, "DELETE FROM Device_Table WHERE (DeviceID = ?);", {index});
        DbRun(db, "DELETE FROM Camera_Table WHERE (DeviceID = ?);", {index});
        transaction.Commit();
        return true;
    });
}

bool DbSelectDeviceInfo(int index, DEVICE_INFO* info)
{
    if (!IsDeviceIndex(index) || info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db,
                 "SELECT "
                 "IsUsed,DeviceIP,DeviceName,Username,Password,Port,ConnectMode,Domain,FlowCtrlValue,StartIP "
                 "FROM Device_Table WHERE (DeviceID = ?)",
                 rs, {index});
        if (rs.IsEof())
            return true;
        DEVICE_INFO read;
        read.IsUsed = rs.GetInt(0) != 0 ? 1 : 0;
        CopyString16(read.DeviceIP, rs.GetString(1));
        CopyString33(read.DeviceName, rs.GetString(2));
        CopyString32(read.Username, rs.GetString(3));
        CopyString256(read.Password, rs.GetString(4));
        read.Port = uint16_t(rs.GetInt(5));
        read.ConnectMode = int16_t(rs.GetInt(6));
        CopyString128(read.Domain, rs.GetString(7));
        read.FlowCtrlValue = rs.GetInt(8);
        read.StartIP = int16_t(rs.GetInt(9));
        std::vector<CAMERA_INFO> cameras;
        if (!DbSelectCameraInfo(index, &cameras))
            return false;
        const size_t count = std::min(cameras.size(), size_t(MAX_CAMERA_NUM));
        std::copy_n(cameras.begin(), count, read.Camera);
        read.CameraNum = int16_t(count);
        *info = read;
        return true;
    });
}

bool DbInsertCameraInfo(const CAMERA_INFO* camera)
{
    if (camera == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        InsertCamera(db, *camera, -1, -1);
        return true;
    });
}

bool DbDeleteCameraInfo(int index)
{
    if (!IsDeviceIndex(index))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "DELETE FROM Camera_Table WHERE (DeviceID = ?);", {index});
        return true;
    });
}

bool DbSelectCameraInfo(int index, std::vector<CAMERA_INFO>* cameras)
{
    if (!IsDeviceIndex(index) || cameras == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(
            db,
            "SELECT DeviceID,CameraIndex,IsAddToGroup,GroupID, IsAddToManual, IsIP FROM Camera_Table WHERE "
            "(DeviceID = ?) ORDER BY IsIP, CameraIndex;",
            rs, {index});
        std::vector<CAMERA_INFO> read;
        for (; !rs.IsEof(); rs.Next()) {
            CAMERA_INFO camera;
            camera.DeviceID = int16_t(rs.GetInt(0));
            camera.CameraIndex = int16_t(rs.GetInt(1));
            camera.IsAddToGroup = rs.GetInt(2) != 0 ? 1 : 0;
            camera.GroupID = int16_t(rs.GetInt(3));
            camera.IsAddToManual = rs.GetInt(4) != 0 ? 1 : 0;
            camera.IsIP = rs.GetInt(5) != 0 ? 1 : 0;
            read.push_back(camera);
        }
        cameras->insert(cameras->end(), read.begin(), read.end());
        return true;
    });
}

bool DbUpdateCameraGroup(int device, int channel, int flag, int group, int position)
{
    if (!IsDeviceIndex(device))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db,
              "UPDATE Camera_Table SET IsAddToGroup = ?, GroupID = ?, GroupPos = ? WHERE DeviceID = ? AND "
              "CameraIndex = ?;",
              {flag, group, position, device, channel});
        return true;
    });
}

bool DbSelectTInfoDevice(const QString& path, std::vector<DEVICE_INFO>* devices)
{
    if (devices == nullptr)
        return false;
    try {
        // A connection of its own, read-only: a wrong path creates no file, and nothing of the operator's
        // file can change. It closes when the read ends.
        CSQLite3DB import;
        import.Open(path.toUtf8().toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
        CSQLite3Recordset rs;
        DbSelect(import, "select * from TInfo_Device", rs);
        std::vector<DEVICE_INFO> read;
        for (; !rs.IsEof(); rs.Next()) {
            const int port = rs.GetInt(std::string("Port"));
            const std::string address = rs.GetString(std::string("Address"));
            const std::string name = rs.GetString(std::string("Name"));
            const std::string user = rs.GetString(std::string("UserName"));
            const std::string password = rs.GetString(std::string("UserPwd"));
            if (port < 1 || port > 65535) {
                qDebug("import: device row with port %d skipped", port);
                continue;
            }
            DEVICE_INFO device;
            // A cut text would log in with other credentials or pass the duplicate check: such a row is
            // skipped, as the add would refuse it.
            if (address.size() >= sizeof device.DeviceIP || name.size() >= sizeof device.DeviceName ||
                user.size() >= sizeof device.Username || password.size() >= sizeof device.Password) {
                qDebug("import: device row '%s' with a text longer than its field skipped", name.c_str());
                continue;
            }
            CopyString16(device.DeviceIP, address);
            CopyString33(device.DeviceName, name);
            CopyString32(device.Username, user);
            CopyString256(device.Password, password);
            device.Port = uint16_t(port);
            device.FlowCtrlValue = -1;
            read.push_back(device);
        }
        devices->insert(devices->end(), read.begin(), read.end());
        return true;
    } catch (const CSQlite3Error&) {
    } catch (const std::exception& e) {
        qDebug("import failed: %s", e.what());
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// Plans

bool DbInsertGroupInfo(int index, int used, const char* name)
{
    if (!IsGroupIndex(index) || name == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "INSERT INTO Group_Table (GroupID,IsUsed,GroupName) VALUES (?,?,?);",
              {index, used, std::string_view(name, ::strnlen(name, sizeof(GROUP_INFO::GroupName)))});
        return true;
    });
}

bool DbDeleteGroupInfo(int index)
{
    if (!IsGroupIndex(index))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DeleteGroupRows(db, index);
        transaction.Commit();
        return true;
    });
}

bool DbSaveGroupInfo(int index, const GROUP_INFO* info)
{
    if (!IsGroupIndex(index) || info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DeleteGroupRows(db, index);
        const int used = info->bDelete != 0 ? 0 : info->bUsed;
        DbRun(db, "INSERT INTO Group_Table (GroupID,IsUsed,GroupName) VALUES (?,?,?);",
              {index, used, info->GroupName});
        for (const SCHEDULE_WEEKDAY& entry : info->Schedule)
            InsertSchedule(db, entry, index);
        for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i) {
            const CHANNEL_REF& ref = info->Channel[i];
            if (ref.IsEmpty())
                continue;
            DbRun(
                db,
                "UPDATE Camera_Table SET IsAddToGroup = ?, GroupID = ?, GroupPos = ? WHERE DeviceID = ? AND "
                "CameraIndex = ?;",
                {1, index, i, ref.DeviceID, ref.CameraIndex});
        }
        transaction.Commit();
        return true;
    });
}

bool DbSelectGroupInfo(int index, GROUP_INFO* info)
{
    if (!IsGroupIndex(index) || info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT GroupID,IsUsed,GroupName FROM Group_Table WHERE GroupID = ?;", rs, {index});
        if (rs.IsEof())
            return true;
        GROUP_INFO read;
        read.bUsed = rs.GetInt(1) != 0 ? 1 : 0;
        CopyString33(read.GroupName, rs.GetString(2));
        rs.Close();

        std::vector<SCHEDULE_WEEKDAY> entries;
        std::vector<CHANNEL_REF> refs;
        if (!DbSelectScheduleWeekday(index, &entries) || !DbSelectGroupCameras(index, &refs))
            return false;
        for (int i = 0; i < SCHEDULE_ENTRY_NUM; ++i) {
            if (size_t(i) < entries.size()) {
                read.Schedule[i] = entries[size_t(i)];
            } else {
                read.Schedule[i] = SCHEDULE_WEEKDAY();
                read.Schedule[i].GroupID = int16_t(index);
                read.Schedule[i].Weekday = int16_t(i);
            }
        }
        const size_t count = std::min(refs.size(), size_t(MAX_GROUP_CHANNEL_NUM));
        std::copy_n(refs.begin(), count, read.Channel);
        *info = read;
        return true;
    });
}

bool DbInsertScheduleWeekday(const SCHEDULE_WEEKDAY* entry)
{
    if (entry == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        InsertSchedule(db, *entry, entry->GroupID);
        return true;
    });
}

bool DbSelectScheduleWeekday(int index, std::vector<SCHEDULE_WEEKDAY>* entries)
{
    if (!IsGroupIndex(index) || entries == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(
            db,
            "SELECT "
            "GroupID,IsEanbel,Weekday,TaskStartTime,Duration,FileDate,FileStartTime,FileEndTime,FileType "
            "FROM ScheduleWeekday_Table WHERE GroupID = ? ORDER BY rowid LIMIT 8;",
            rs, {index});
        std::vector<SCHEDULE_WEEKDAY> read;
        for (; !rs.IsEof(); rs.Next()) {
            SCHEDULE_WEEKDAY e;
            e.GroupID = int16_t(index);
            e.IsEanbel = rs.GetInt(1) != 0 ? 1 : 0;
            e.Weekday = int16_t(rs.GetInt(2));
            ReadTimeOfDay(rs.GetString(3), &e.TaskStartTime);
            e.Duration = int16_t(rs.GetInt(4));
            e.FileDate = int16_t(rs.GetInt(5));
            ReadTimeOfDay(rs.GetString(6), &e.FileStartTime);
            ReadTimeOfDay(rs.GetString(7), &e.FileEndTime);
            e.FileType = uint32_t(rs.GetInt64(8));
            read.push_back(e);
        }
        entries->insert(entries->end(), read.begin(), read.end());
        return true;
    });
}

bool DbSelectGroupCameras(int index, std::vector<CHANNEL_REF>* refs)
{
    if (refs == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(
            db,
            "SELECT DeviceID,CameraIndex FROM Camera_Table WHERE GroupID = ? GROUP BY DeviceID, CameraIndex "
            "ORDER BY MIN(GroupPos), MIN(rowid);",
            rs, {index});
        ReadChannelRefs(rs, refs);
        return true;
    });
}

// ---------------------------------------------------------------------------------------------------------
// Settings and the manual plan

bool DbSaveSystemConfig(const SYSTEM_CONFIG* c)
{
    if (c == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DbRun(db, "DELETE FROM SystemConfig_Table");
        DbRun(db,
              "INSERT INTO SystemConfig_Table "
              "(IsAutoRun,OSUsername,OSPassword,BackupMode,DiskMode,Disk,IsEnableEmail,"
              "ReconnetNum) VALUES (?,?,?,?,?,?,?,?);",
              {c->IsAutoRun, c->OSUsername, c->OSPassword, c->BackupMode, c->DiskMode, c->Disk,
               c->IsEnableEmail, c->ReconnetNum});
        transaction.Commit();
        return true;
    });
}

bool DbSelectSystemConfig(SYSTEM_CONFIG* c)
{
    if (c == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT * FROM SystemConfig_Table", rs);
        if (rs.IsEof())
            return true;
        SYSTEM_CONFIG read;
        read.IsAutoRun = rs.GetInt(0) != 0 ? 1 : 0;
        CopyString44(read.OSUsername, rs.GetString(1));
        CopyString44(read.OSPassword, rs.GetString(2));
        read.BackupMode = int16_t(rs.GetInt(3));
        read.DiskMode = int16_t(rs.GetInt(4));
        CopyString26(read.Disk, rs.GetString(5));
        read.IsEnableEmail = rs.GetInt(6) != 0 ? 1 : 0;
        read.ReconnetNum = rs.GetInt(7);
        *c = read;
        return true;
    });
}

bool DbUpdateBackupMode(int mode)
{
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "UPDATE SystemConfig_Table SET BackupMode = ?;", {mode});
        return true;
    });
}

bool DbSelectDiskMarks(std::map<char, DISK_MARK>* marks)
{
    if (marks == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT Letter, Folder, Mark FROM DiskMark_Table", rs);
        std::map<char, DISK_MARK> read;
        for (; !rs.IsEof(); rs.Next()) {
            const std::string letter = rs.GetString(0);
            if (letter.size() == 1)
                read[letter[0]] = {rs.GetString(1), rs.GetString(2)};
        }
        *marks = std::move(read);
        return true;
    });
}

bool DbSaveDiskMark(char letter, const DISK_MARK& mark)
{
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "INSERT OR REPLACE INTO DiskMark_Table (Letter, Folder, Mark) VALUES (?,?,?);",
              {std::string(1, letter), mark.Folder, mark.Mark});
        return true;
    });
}

bool DbSaveMailConfig(const MAIL_CONFIG* c)
{
    if (c == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DbRun(db, "DELETE FROM Mail_Table");
        DbRun(db,
              "INSERT INTO Mail_Table "
              "(SMTPAddr,MailFrom,MailTo,MailCc,MailName,MailPassword,Body,Subject,SMTPPort) "
              "VALUES (?,?,?,?,?,?,?,?,?);",
              {c->SMTPAddr, c->MailFrom, c->MailTo, c->MailCc, c->MailName, c->MailPassword, c->Body,
               c->Subject, c->SMTPPort});
        transaction.Commit();
        return true;
    });
}

bool DbSelectMailConfig(MAIL_CONFIG* c)
{
    if (c == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT * FROM Mail_Table", rs);
        if (rs.IsEof())
            return true;
        MAIL_CONFIG read;
        CopyString128(read.SMTPAddr, rs.GetString(0));
        CopyString128(read.MailFrom, rs.GetString(1));
        CopyString128(read.MailTo, rs.GetString(2));
        CopyString128(read.MailCc, rs.GetString(3));
        CopyString128(read.MailName, rs.GetString(4));
        CopyString64(read.MailPassword, rs.GetString(5));
        CopyString256(read.Body, rs.GetString(6));
        CopyString256(read.Subject, rs.GetString(7));
        read.SMTPPort = uint16_t(rs.GetInt(8));
        std::memcpy(read.Reserved, c->Reserved, sizeof(read.Reserved));
        *c = read;
        return true;
    });
}

bool DbSaveManualBackupInfo(const MANUAL_BACKUP_INFO* info)
{
    if (info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        ClearManualRows(db);
        DbRun(
            db,
            "INSERT INTO ScheduleManul_Table (FileStartTime,FileEndTime,FileType,IsChange) VALUES (?,?,?,?);",
            {FormatDateTimeText(info->FileStartTime), FormatDateTimeText(info->FileEndTime), info->FileType,
             info->IsChange});
        for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i) {
            const CHANNEL_REF& ref = info->Channel[i];
            if (ref.IsEmpty())
                continue;
            DbRun(db,
                  "UPDATE Camera_Table SET IsAddToManual = ?, ManualPos = ? WHERE DeviceID = ? AND "
                  "CameraIndex = ?;",
                  {1, i, ref.DeviceID, ref.CameraIndex});
        }
        transaction.Commit();
        return true;
    });
}

bool DbClearManualBackupInfo()
{
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        ClearManualRows(db);
        transaction.Commit();
        return true;
    });
}

bool DbSelectManualBackupInfo(MANUAL_BACKUP_INFO* info)
{
    if (info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT FileStartTime,FileEndTime,FileType,IsChange FROM ScheduleManul_Table;", rs);
        if (rs.IsEof())
            return true;
        MANUAL_BACKUP_INFO read;
        ParseDateTimeText(rs.GetString(0), &read.FileStartTime);
        ParseDateTimeText(rs.GetString(1), &read.FileEndTime);
        read.FileType = uint32_t(rs.GetInt64(2));
        read.IsChange = rs.GetInt(3) != 0 ? 1 : 0;
        rs.Close();
        std::vector<CHANNEL_REF> refs;
        if (!DbSelectManualCameras(&refs))
            return false;
        const size_t count = std::min(refs.size(), size_t(MAX_GROUP_CHANNEL_NUM));
        std::copy_n(refs.begin(), count, read.Channel);
        *info = read;
        return true;
    });
}

bool DbUpdateCameraManual(int device, int channel, int flag, int position)
{
    if (!IsDeviceIndex(device))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db,
              "UPDATE Camera_Table SET IsAddToManual = ?, ManualPos = ? WHERE DeviceID = ? AND CameraIndex = "
              "?;",
              {flag, flag != 0 ? position : -1, device, channel});
        return true;
    });
}

bool DbSelectManualCameras(std::vector<CHANNEL_REF>* refs)
{
    if (refs == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db,
                 "SELECT DeviceID,CameraIndex FROM Camera_Table WHERE IsAddToManual = 1 GROUP BY DeviceID, "
                 "CameraIndex ORDER BY MIN(ManualPos), MIN(rowid);",
                 rs);
        ReadChannelRefs(rs, refs);
        return true;
    });
}

bool DbBeginTransaction()
{
    try {
        return GetMainDB().BeginTransaction();
    } catch (const std::exception&) {
        return false;
    }
}

bool DbCommitTransaction()
{
    try {
        return GetMainDB().CommitTransaction();
    } catch (const std::exception&) {
        return false;
    }
}

bool DbRollbackTransaction()
{
    try {
        return GetMainDB().RollbackTransaction();
    } catch (const std::exception&) {
        return false;
    }
}

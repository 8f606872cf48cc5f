#pragma once

// The configuration statements: one free function per statement or short group of statements, run on the main
// connection. Each returns true on success and false on failure and lets no database error escape. Every
// change that spans several rows is one transaction: it happens whole or not at all.

#include "model/Records.h"

#include <QString>

#include <map>

#include <cstring>
#include <string>
#include <vector>

// Copies text into a fixed field of N bytes: at most N-1 bytes, cut at a character boundary (the local 8-bit
// text is UTF-8), the rest of the field zero-filled. Text after an embedded zero is not copied.
void CopyBoundedString(char* field, size_t size, const std::string& text);

template <size_t N> void CopyStringN(char (&field)[N], const std::string& text)
{
    CopyBoundedString(field, N, text);
}

inline void CopyString16(char (&field)[16], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString26(char (&field)[26], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString32(char (&field)[32], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString33(char (&field)[33], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString44(char (&field)[44], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString64(char (&field)[64], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString128(char (&field)[128], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString200(char (&field)[200], const std::string& text)
{
    CopyStringN(field, text);
}
inline void CopyString256(char (&field)[256], const std::string& text)
{
    CopyStringN(field, text);
}

// Devices and their channels. A device index lies in 0..1023; outside, the operations fail without a
// statement. The device row and its CameraNum channel rows, as one transaction.
bool DbInsertDeviceInfo(int index, const DEVICE_INFO* info);
// The device row and its channel rows, as one transaction.
bool DbDeleteDeviceInfo(int index);
// No row: true and the record untouched. Otherwise the record and its channels (at most 64) by channel
// number.
bool DbSelectDeviceInfo(int index, DEVICE_INFO* info);
bool DbInsertCameraInfo(const CAMERA_INFO* camera);
bool DbDeleteCameraInfo(int index);
bool DbSelectCameraInfo(int index, std::vector<CAMERA_INFO>* cameras);
// position: the channel's place in the plan's list (read back in that order); -1 when it has none.
bool DbUpdateCameraGroup(int device, int channel, int flag, int group, int position = -1);
// The devices of another database file's TInfo_Device table, opened read-only. All rows or none: a missing
// table or column appends nothing and reports false. Rows whose port is not 1..65535, or with a text longer
// than its field, are skipped.
bool DbSelectTInfoDevice(const QString& path, std::vector<DEVICE_INFO>* devices);

// Plans. A plan index lies in 0..31.
bool DbInsertGroupInfo(int index, int used, const char* name);
// The plan row, its schedule rows, and its channels' membership, as one transaction.
bool DbDeleteGroupInfo(int index);
// Replaces the plan's rows by the record: plan row, its 8 schedule entries and its channels in list order
// (a channel held by another plan moves to this one), as one transaction.
bool DbSaveGroupInfo(int index, const GROUP_INFO* info);
// No row: true and the record untouched. Otherwise the plan with its 8 schedule entries (entries not stored
// get the defaults) and its channels in their stored order.
bool DbSelectGroupInfo(int index, GROUP_INFO* info);
bool DbInsertScheduleWeekday(const SCHEDULE_WEEKDAY* entry);
// At most 8 entries, in stored order.
bool DbSelectScheduleWeekday(int index, std::vector<SCHEDULE_WEEKDAY>* entries);
// The plan's channels in their stored order; an analog and an IP channel of the same number are one entry.
bool DbSelectGroupCameras(int index, std::vector<CHANNEL_REF>* refs);

// Settings and the manual plan.
bool DbSaveSystemConfig(const SYSTEM_CONFIG* config);
// No row: true and the record untouched.
bool DbSelectSystemConfig(SYSTEM_CONFIG* config);
bool DbUpdateBackupMode(int mode);
// The marks kept for the disk letters, by letter, each with the folder the letter stood for then; a letter
// with an empty mark was chosen again by the operator (the folder found at its next set-up is taken).
struct DISK_MARK
{
    std::string Folder;
    std::string Mark;
};
bool DbSelectDiskMarks(std::map<char, DISK_MARK>* marks);
bool DbSaveDiskMark(char letter, const DISK_MARK& mark);
bool DbSaveMailConfig(const MAIL_CONFIG* config);
bool DbSelectMailConfig(MAIL_CONFIG* config);
// The manual plan's row and its channels in list order, as one transaction.
bool DbSaveManualBackupInfo(const MANUAL_BACKUP_INFO* info);
bool DbClearManualBackupInfo();
// No row: true and the record untouched. Otherwise times, file type, IsChange and the channels in list order.
bool DbSelectManualBackupInfo(MANUAL_BACKUP_INFO* info);
bool DbUpdateCameraManual(int device, int channel, int flag, int position = -1);
bool DbSelectManualCameras(std::vector<CHANNEL_REF>* refs);

// A transaction around several calls of the calling thread (the plan page's save). Until the commit, other
// threads' statements wait. A failed commit rolls everything back and reports false; a rollback undoes
// everything since the begin.
bool DbBeginTransaction();
bool DbCommitTransaction();
bool DbRollbackTransaction();

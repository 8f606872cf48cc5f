#pragma once

// What the engine's threads share: the login rule, time and file-type conversions, and the signal types.

#include "model/Records.h"

#include <QDateTime>

#include <atomic>

// Registers every type that engine signals carry, so every signal can be queued to another thread.
void RegisterEngineMetaTypes();

bool IsTimeLater(int y1, int m1, int d1, int h1, int mi1, int s1, int y2, int m2, int d2, int h2, int mi2,
                 int s2);
bool IsTimeLater(const NET_DVR_TIME& a, const NET_DVR_TIME& b);
// The program's file type to the search's, and a found file's type to the program's.
int8_t FileTypeToSdkFileType(uint32_t type);
int8_t SdkFileTypeToFileType(uint8_t type);

NET_DVR_TIME ToSdkTime(const QDateTime& time);
QDateTime FromSdkTime(const NET_DVR_TIME& time);

// Logs in to a recorder: as many attempts as the mail settings ask for (one second apart), resolving the
// domain name in domain mode. `device` is the caller's own copy: the resolved address is written there and
// never into the shared record. Returns the login handle, or -1 when every attempt failed or a stop came.
int LoginDevice(DEVICE_INFO* device, const std::atomic<bool>& stop);

// Logs out a handle once and marks it as gone.
void LogoutDevice(int* login);

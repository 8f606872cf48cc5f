#pragma once

// What the engine's threads share: the login rule, time and file-type conversions, and the signal types.

#include "engine/EngineClock.h"
#include "model/Records.h"

#include <QDateTime>
#include <QString>

#include <atomic>

// Registers every type that engine signals carry, so every signal can be queued to another thread.
void RegisterEngineMetaTypes();

bool IsTimeLater(int y1, int m1, int d1, int h1, int mi1, int s1, int y2, int m2, int d2, int h2, int mi2,
                 int s2);
bool IsTimeLater(const NET_DVR_TIME& a, const NET_DVR_TIME& b);
// The program's file type to the search's, and a found file's type to the program's.
int8_t FileTypeToSdkFileType(uint32_t type);
int8_t SdkFileTypeToFileType(uint8_t type);

QDateTime FromSdkTime(const NET_DVR_TIME& time);

// Logs in to a recorder: as many attempts as the mail settings ask for (one second apart), resolving the
// domain name in domain mode. `device` is the caller's own copy: the resolved address is written there and
// never into the shared record. Returns the login handle, or -1 when every attempt failed or a stop came.
int LoginDevice(DEVICE_INFO* device, const CStopEvent& stop);

struct NET_DVR_FILE_CONDITION;

enum class LIST_FILES_RESULT
{
    LISTED,    // the search ran; the task holds what it found (maybe nothing)
    NO_SEARCH, // the recorder would not search
    STOPPED,   // a stop came; the search is closed
};

// Searches one channel and appends every found file to the task, cut to the condition's range and, where cut,
// measured by the byte length of its play-back. Every result is read (at most kMaxFilesPerChannel) and the
// search closed before any play-back opens. With boundByFoundSize, a measure above the found size (or none)
// gives the found size; without it, the measure stands whenever the recorder gives one.
LIST_FILES_RESULT ListChannelFiles(int login, const NET_DVR_FILE_CONDITION& condition, bool boundByFoundSize,
                                   const CStopEvent& stop, TASK_INFO* task);
constexpr int kMaxFilesPerChannel = 20000;

// A recorder that could not be reached while a task list was built: logged. Returns the text for the page's
// event list, empty when the channel has no name (then nothing is reported). The caller signals the text and
// then hands it to MailListLoginFailure.
QString ReportListLoginFailure(int group, int position);
// Mails the text when mail is on. The mail goes out on a thread of its own, so a silent mail server never
// holds up a stop; at most a few mails are under way at once (more are dropped with a warning).
void MailListLoginFailure(const QString& text);

// Logs out a handle once and marks it as gone.
void LogoutDevice(int* login);

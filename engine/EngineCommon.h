#pragma once

// What the engine's threads share: the login rule, time and file-type conversions, and the signal types.

#include "model/EngineClock.h"
#include "model/Records.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>

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

// A date-time that the calendar has (no 30 February, no hour 24).
bool IsRealSdkTime(const NET_DVR_TIME& time);
// A recorder's file whose times are real and whose stop is after its start: anything else is no range to
// fetch, however the recorder came to name it.
bool IsFetchableRange(const NET_DVR_TIME& start, const NET_DVR_TIME& stop);
// The end of the second `last` names. A range the operator sets (a plan's File End, the manual backup's End)
// names the last second it takes, while a recorder's ranges leave their stop out: the range asked for stops
// here (the next midnight for 23:59:59), so that second is fetched. A time the calendar does not have is
// given back as it is, for the search to refuse.
NET_DVR_TIME EndOfSecond(const NET_DVR_TIME& last);
// The file's range as the log and the page show it.
QString RangeText(const NET_DVR_TIME& start, const NET_DVR_TIME& stop);
// The exception entry of a channel's file that is no range to fetch.
QString BadRangeText(const QString& channelName, const NET_DVR_TIME& start, const NET_DVR_TIME& stop);

// Sizes the recorders answer are untrusted. No range of one file is taken to hold more than this (a found
// size is at most 4 GiB; a play-back of a range may gather a few overlapping ones).
constexpr int64_t kMaxPlausibleRangeBytes = int64_t(64) << 30;
// a + b for byte totals: a negative size counts as none and the sum stops at the largest value, so a total
// never wraps whatever a recorder or a stored list holds.
int64_t AddSizes(int64_t a, int64_t b);
// done × 100 / total, truncated and kept to 0..100; 100 for a total of 0 or less.
int PercentOf(int64_t done, int64_t total);

// What a play-back of one file is held to.
struct PLAYBACK_BOUNDS
{
    int64_t Expected = -1;  // bytes it must deliver to be complete; -1 when its length is not known
    int64_t Announced = -1; // the length the recorder gave for it (its play-back's or its list's); -1: none
    int64_t Limit = 0;      // more than this is an overrun: the file is given up
};
// Bytes a stream may pass its announced length by (a recorder's count may be a block off); what passes them
// is an overrun.
constexpr int64_t kOverrunMarginBytes = 256 * 1024;
// A file whose size nothing vouches for is held to what its time range can hold: this many bytes a second
// (64 Mbit/s, several times the main stream of any camera a recorder takes), and this much besides for a
// range of a few seconds.
constexpr int64_t kMaxPlausibleBytesPerSecond = int64_t(8) << 20;
constexpr int64_t kPlausibleRangeAllowanceBytes = int64_t(4) << 20;
// The most a recording of [start, stop] plausibly holds, never above kMaxPlausibleRangeBytes; the allowance
// alone for a range that is none.
int64_t PlausibleRangeBytes(const NET_DVR_TIME& start, const NET_DVR_TIME& stop);
// From the length the play-back gave (-1 when unreadable) and the size the list holds. Only plausible sizes
// count; of the two, the smaller is what the recorder announced, so a recorder that claims more than it found
// has neither every copy refused as short nor a stream as long as its claim taken whole. Without a length
// from the play-back a copy is not held to be complete, only bounded by the list; with neither, it is bounded
// by `rangeBytes`, what its time range can hold.
PLAYBACK_BOUNDS PlaybackBounds(int64_t length, int64_t listed, int64_t rangeBytes);

// A play-back that brings no new byte and no higher position for this long (engine clock) has ended as far
// as the recorder will take it: complete when every announced byte has arrived, else given up as an overrun
// is. The position is read once a second, so a recorder gets 180 looks to say that it is done.
constexpr qint64 kPlaybackStallLimitMs = 180000;
// A position of -1 or 200 has the file's play-back started anew; a recorder that answers so every time never
// lets the file end, so after this many restarts of one file the file is given up alone. They are counted
// over the whole file, not in a row: a start anew takes back every byte, so polls between two of them are
// no progress that could excuse the next.
constexpr int kMaxPlaybackRestarts = 30;

// The share of a list shown at the end of a run: 100 only when every task of it is done; otherwise the share
// stored, never above 99 (and 0 for a total of nothing).
int RunEndPercent(int64_t done, int64_t total, bool complete);

enum class LIST_FILES_RESULT
{
    LISTED,    // the search ran; the task holds what it found (maybe nothing)
    NO_SEARCH, // the recorder would not search
    STOPPED,   // a stop came; the search is closed
    GAVE_UP,   // the recorder kept answering "still searching"; the channel is given up (nothing listed)
};

// A "still searching" answer is followed by this pause before the next question; after answering only that
// for the limit (since the search began or since its last file), the channel is given up.
constexpr qint64 kSearchBusyPauseMs = 100;
constexpr qint64 kSearchBusyLimitMs = 60000;

// Searches one channel and appends every found file to the task, cut to the condition's range and, where cut,
// measured by the byte length of its play-back (a measure above the found size, or none, gives the found
// size). Every result is read (at most kMaxFilesPerChannel) and the search closed before any play-back opens.
// A file that is no range to fetch is skipped, and a search given up, each with an exception entry naming
// the channel; `report` (may be empty) gets the entry's text too.
LIST_FILES_RESULT ListChannelFiles(int login, const NET_DVR_FILE_CONDITION& condition,
                                   const QString& channelName, const CStopEvent& stop,
                                   const std::function<void(const QString&)>& report, TASK_INFO* task);
constexpr int kMaxFilesPerChannel = 20000;

// How a refusal of the storage (its GetLastError code) weighs: only want of room, a disk gone or unwritable
// and an I/O error are the disks' fault and end the backup; any other refusal (bad times, the record open in
// another job, too many open) fails the one file.
enum class STORAGE_REFUSAL
{
    DISK_FULL,
    DISK_FAULT,
    FILE_ONLY,
};
STORAGE_REFUSAL ClassifyStorageRefusal(int storageError);

class CStowelineClass;
// The full disks of a stop, every disk by its letter and folder: for its log row and event row. Touches no
// volume.
QString FullDiskNames(const CStowelineClass& storage);
// The same for its box, with that a disk counts as full while less than the kept reserve is free on it (an
// operator who sees free room on it must not take the stop for a fault). Touches no volume.
QString FullDisksText(const CStowelineClass& storage);

// A recorder that could not be reached while a task list was built: logged. Returns the text for the page's
// event list, empty when the channel has no name (then nothing is reported). The caller signals the text and
// then hands it to MailListLoginFailure.
QString ReportListLoginFailure(int group, int position);
// Mails the text when mail is on. The mail goes out on a thread of its own, so a silent mail server never
// holds up a stop; at most a few mails are under way at once (more are dropped with a warning).
void MailListLoginFailure(const QString& text);

// Logs out a handle once and marks it as gone.
void LogoutDevice(int* login);

#pragma once

// The device layer's public interface: the calls, records and codes through which the program talks to the
// recorders. The layer is a client of the project's own TCP protocol (docs/PROTOCOL.md).
//
// Guarantees the engine relies on:
// - every handle (login, search, play-back) is a fresh number within the process and is never given out
// twice;
// - connecting and every answer have a time-out, so a recorder that stops talking cannot hang a caller;
// - no stream data arrives before the start code; once NET_DVR_StopPlayBack returns, the data callback of
// that
//   play-back is not running and never runs again;
// - logging out -1 or an unknown handle does nothing; NET_DVR_Cleanup closes every live handle, whose later
// use
//   fails with an error instead of crashing;
// - NET_DVR_GetLastError is kept per thread.

#include <cstddef>
#include <cstdint>

// A date-time as the recorders give it, in local time.
struct NET_DVR_TIME
{
    uint32_t Year = 0;
    uint32_t Month = 0;
    uint32_t Day = 0;
    uint32_t Hour = 0;
    uint32_t Minute = 0;
    uint32_t Second = 0;
};

// Error codes of NET_DVR_GetLastError.
enum : uint32_t
{
    NET_DVR_NOERROR = 0,
    NET_DVR_PASSWORD_ERROR = 1, // user or password refused
    NET_DVR_NOINIT = 3,         // NET_DVR_Init not called, or NET_DVR_Cleanup since
    NET_DVR_CHANNEL_ERROR = 4,  // the recorder has no such channel
    NET_DVR_NETWORK_FAIL_CONNECT = 7,
    NET_DVR_NETWORK_SEND_ERROR = 8,
    NET_DVR_NETWORK_RECV_ERROR = 9, // connection closed or broken
    NET_DVR_NETWORK_RECV_TIMEOUT = 10,
    NET_DVR_NETWORK_ERRORDATA = 11, // the peer does not speak the protocol
    NET_DVR_ORDER_ERROR = 12,       // call out of order (e.g. position of a stopped play-back)
    NET_DVR_PARAMETER_ERROR = 17,
    NET_DVR_INVALID_HANDLE = 18, // unknown, closed or cleaned-up handle
    NET_DVR_NOSUPPORT = 23,      // command or control code not supported
    NET_DVR_NOT_LOGGED_IN = 24,  // the recorder no longer knows the session (e.g. after its reboot)
    NET_DVR_REFUSED = 25,        // the recorder refused the request (play-back start, capture)
    NET_DVR_NO_FILE = 26,        // no recording in the requested range
    NET_DVR_RESOURCE_EXHAUSTED = 27,
    NET_DVR_FILE_WRITE_ERROR = 28, // the picture could not be written at the given path
};

// Results of NET_DVR_FindNextFile_V30.
enum : int32_t
{
    NET_DVR_FIND_FILE = 1000,    // a file was found and filled in
    NET_DVR_FIND_NO_FILE = 1001, // the search matched nothing
    NET_DVR_FIND_BUSY = 1002,    // still searching: ask again
    NET_DVR_FIND_END = 1003,     // no more files
    NET_DVR_FIND_ERROR = 1004,   // the search broke (connection lost)
};

// Configuration commands of NET_DVR_GetDVRConfig.
enum : uint32_t
{
    NET_DVR_GET_COMPRESSION_CONFIG = 1040, // per channel, NET_DVR_COMPRESSION_CONFIG
    NET_DVR_GET_IPCHANNEL_CONFIG = 1062,   // channel 0, NET_DVR_IPCHANNEL_CONFIG
};

// Control codes of NET_DVR_PlayBackControl(_V40).
enum : uint32_t
{
    NET_DVR_PLAY_START = 1,          // start the stream
    NET_DVR_PLAY_GET_POS = 13,       // out: int32 position 0..100
    NET_DVR_PLAY_SPEED_RESTORE = 24, // in: int32 speed value at the in-buffer when given (length may be 0)
    NET_DVR_PLAY_GET_LENGTH = 27,    // out: int64 byte length of the range (header block included)
    NET_DVR_PLAY_SET_SPEED = 28,     // in: int32 speed value, length 4
};

// Data types of the play-back data callback.
enum : uint32_t
{
    NET_DVR_DATA_HEADER = 1,
    NET_DVR_DATA_STREAM = 2,
};

// Filled by a login. The engine reads the analog channel count at byte 52 and the first channel at byte 53.
struct NET_DVR_DEVICE_INFO
{
    uint8_t SerialNumber[48] = {};
    uint8_t AlarmInCount = 0;
    uint8_t AlarmOutCount = 0;
    uint8_t DiskCount = 0;
    uint8_t DeviceType = 0;
    uint8_t AnalogChannelCount = 0; // byte 52
    uint8_t FirstChannel = 0;       // byte 53
    uint8_t AudioChannelCount = 0;
    uint8_t IpChannelCount = 0;
    uint8_t FirstIpChannel = 0;
    uint8_t Reserved[23] = {};
};
static_assert(sizeof(NET_DVR_DEVICE_INFO) == 80);
static_assert(offsetof(NET_DVR_DEVICE_INFO, AnalogChannelCount) == 52);
static_assert(offsetof(NET_DVR_DEVICE_INFO, FirstChannel) == 53);

// Command 1062: one IP device as the recorder knows it (296 bytes); byte 0 is its enable flag.
struct NET_DVR_IPDEVICE_ENTRY
{
    uint8_t Enabled = 0;
    uint8_t Reserved1[3] = {};
    char Address[64] = {};
    uint16_t Port = 0;
    uint8_t Reserved2[226] = {};
};
static_assert(sizeof(NET_DVR_IPDEVICE_ENTRY) == 296);

// Command 1062: one digital channel's stream source (496 bytes). Kind 0: byte 4 enable, byte 5 IP device
// number (1..64), byte 6 that device's channel. Kind 1: byte 8 non-zero when in use. Kind 2: byte 4 non-zero
// when in use.
struct NET_DVR_STREAM_ENTRY
{
    uint8_t Kind = 0;
    uint8_t Reserved1[3] = {};
    uint8_t Bytes[492] = {}; // offsets 4.. as described above
};
static_assert(sizeof(NET_DVR_STREAM_ENTRY) == 496);

// Command 1062, channel 0: the IP-channel block (50792 bytes; the caller puts 50792 in Size).
struct NET_DVR_IPCHANNEL_CONFIG
{
    uint32_t Size = sizeof(NET_DVR_IPCHANNEL_CONFIG);
    uint8_t Reserved1[12] = {};
    uint32_t FirstDigitalChannel = 0; // byte 16
    uint8_t Reserved2[64] = {};
    NET_DVR_IPDEVICE_ENTRY Devices[64]; // byte 84
    NET_DVR_STREAM_ENTRY Streams[64];   // byte 19028
    uint8_t Reserved3[20] = {};
};
static_assert(sizeof(NET_DVR_IPCHANNEL_CONFIG) == 50792);
static_assert(offsetof(NET_DVR_IPCHANNEL_CONFIG, FirstDigitalChannel) == 16);
static_assert(offsetof(NET_DVR_IPCHANNEL_CONFIG, Devices) == 84);
static_assert(offsetof(NET_DVR_IPCHANNEL_CONFIG, Streams) == 19028);

// Command 1040, per channel (116 bytes): byte 5 is the main recording stream's resolution code.
struct NET_DVR_COMPRESSION_CONFIG
{
    uint32_t Size = sizeof(NET_DVR_COMPRESSION_CONFIG);
    uint8_t StreamType = 0;
    uint8_t Resolution = 0; // byte 5
    uint8_t Reserved[110] = {};
};
static_assert(sizeof(NET_DVR_COMPRESSION_CONFIG) == 116);
static_assert(offsetof(NET_DVR_COMPRESSION_CONFIG, Resolution) == 5);

// The search condition of NET_DVR_FindFile_V30. FileType 0xFF asks for every type.
struct NET_DVR_FILE_CONDITION
{
    int32_t Channel = 0;         // byte 0
    uint32_t FileType = 0xFF;    // byte 4
    uint32_t LockFlag = 0xFF;    // byte 8 (0xFF: locked or not; the recorders here lock nothing)
    uint32_t UseCardNumber = 0;  // byte 12
    uint8_t CardNumber[32] = {}; // byte 16
    NET_DVR_TIME StartTime;      // byte 48
    NET_DVR_TIME StopTime;       // byte 72
};
static_assert(sizeof(NET_DVR_FILE_CONDITION) == 96);
static_assert(offsetof(NET_DVR_FILE_CONDITION, StartTime) == 48);
static_assert(offsetof(NET_DVR_FILE_CONDITION, StopTime) == 72);

// One found file of NET_DVR_FindNextFile_V30. FileSize is the byte length of a play-back of the whole file
// (header block included).
struct NET_DVR_FILE_DATA
{
    char FileName[100] = {};
    NET_DVR_TIME StartTime; // byte 100
    NET_DVR_TIME StopTime;  // byte 124
    uint32_t FileSize = 0;  // byte 148
    uint8_t CardNumber[32] = {};
    uint8_t Locked = 0;
    uint8_t FileType = 0; // byte 185
    uint8_t Reserved[2] = {};
};
static_assert(sizeof(NET_DVR_FILE_DATA) == 188);
static_assert(offsetof(NET_DVR_FILE_DATA, StartTime) == 100);
static_assert(offsetof(NET_DVR_FILE_DATA, StopTime) == 124);
static_assert(offsetof(NET_DVR_FILE_DATA, FileSize) == 148);
static_assert(offsetof(NET_DVR_FILE_DATA, FileType) == 185);

// Picture parameters of NET_DVR_CaptureJPEGPicture.
struct NET_DVR_JPEG_PARAM
{
    uint16_t PicSize = 0;
    uint16_t PicQuality = 0;
};

// Called on the play-back's own thread with each header (type 1) or stream block (type 2).
using PLAY_DATA_CALLBACK = void (*)(int32_t play, uint32_t dataType, uint8_t* buffer, uint32_t size,
                                    void* user);

bool NET_DVR_Init();
// Closes every live handle (their later use fails cleanly) and ends the layer until the next NET_DVR_Init.
bool NET_DVR_Cleanup();
// Time-outs of connecting and of each answer, in milliseconds (defaults 3000 and 5000); 0 keeps the value.
bool NET_DVR_SetTimeouts(uint32_t connectMs, uint32_t answerMs);
uint32_t NET_DVR_GetLastError();

// The address is a numeric IPv4 or IPv6 text (names are resolved by the caller, never here, so no lookup can
// block without a time-out). Returns a login handle, -1 on failure. info may be null.
int32_t NET_DVR_Login_V30(const char* address, uint16_t port, const char* user, const char* password,
                          NET_DVR_DEVICE_INFO* info);
bool NET_DVR_Logout_V30(int32_t login);

bool NET_DVR_GetDVRConfig(int32_t login, uint32_t command, int32_t channel, void* buffer, uint32_t length,
                          uint32_t* returned);

int32_t NET_DVR_FindFile_V30(int32_t login, const NET_DVR_FILE_CONDITION* condition);
int32_t NET_DVR_FindNextFile_V30(int32_t search, NET_DVR_FILE_DATA* found);
bool NET_DVR_FindClose_V30(int32_t search);

// Opens a play-back of the channel's recordings between start and stop; no data flows before the start code.
int32_t NET_DVR_PlayBackByTime(int32_t login, int32_t channel, const NET_DVR_TIME* start,
                               const NET_DVR_TIME* stop, void* window);
bool NET_DVR_SetPlayDataCallBack(int32_t play, PLAY_DATA_CALLBACK callback, void* user);
bool NET_DVR_PlayBackControl(int32_t play, uint32_t code, uint32_t in, uint32_t* out);
bool NET_DVR_PlayBackControl_V40(int32_t play, uint32_t code, const void* in, uint32_t inLength, void* out,
                                 uint32_t* outLength);
// Once it returns, the play-back's callback is not running and never runs again. Called from inside the
// callback it ends the play-back after that call.
bool NET_DVR_StopPlayBack(int32_t play);

bool NET_DVR_CaptureJPEGPicture(int32_t login, int32_t channel, const NET_DVR_JPEG_PARAM* picture,
                                const char* path);

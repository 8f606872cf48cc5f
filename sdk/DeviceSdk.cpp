#include "sdk/DeviceSdk.h"

#include "sdk/SdkContext.h"
#include "sdk/SdkPlayback.h"
#include "sdk/SdkProtocol.h"
#include "sdk/SdkSession.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

bool Fail(uint32_t error)
{
    SetSdkError(error);
    return false;
}

int32_t FailHandle(uint32_t error)
{
    SetSdkError(error);
    return -1;
}

bool Ready()
{
    if (CSdkContext::Instance().IsInitialised())
        return true;
    SetSdkError(NET_DVR_NOINIT);
    return false;
}

uint32_t DaysInMonth(uint32_t year, uint32_t month)
{
    static constexpr uint32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A date the calendar has: a recorder would read 30 February as some other day, or refuse it.
bool ValidTime(const NET_DVR_TIME& t)
{
    return t.Year >= 1970 && t.Year <= 9999 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 &&
           t.Day <= DaysInMonth(t.Year, t.Month) && t.Hour <= 23 && t.Minute <= 59 && t.Second <= 59;
}

} // namespace

bool NET_DVR_Init()
{
    SetSdkError(NET_DVR_NOERROR);
    return CSdkContext::Instance().Init();
}

bool NET_DVR_Cleanup()
{
    CSdkContext::Instance().Cleanup();
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

bool NET_DVR_SetTimeouts(uint32_t connectMs, uint32_t answerMs)
{
    CSdkContext::Instance().SetTimeouts(connectMs, answerMs);
    return true;
}

int32_t NET_DVR_Login_V30(const char* address, uint16_t port, const char* user, const char* password,
                          NET_DVR_DEVICE_INFO* info)
{
    if (!Ready())
        return -1;
    if (!address || !user || !password)
        return FailHandle(NET_DVR_PARAMETER_ERROR);
    auto session = std::make_shared<CSdkSession>(address, port);
    const uint32_t error = session->Login(user, password, info);
    if (error != NET_DVR_NOERROR) {
        session->Close();
        return FailHandle(error);
    }
    const int32_t handle = CSdkContext::Instance().AddSession(session);
    if (handle < 0) {
        session->Close();
        return FailHandle(CSdkContext::Instance().IsInitialised() ? NET_DVR_RESOURCE_EXHAUSTED
                                                                  : NET_DVR_NOINIT);
    }
    SetSdkError(NET_DVR_NOERROR);
    return handle;
}

bool NET_DVR_Logout_V30(int32_t login)
{
    auto session = CSdkContext::Instance().TakeSession(login);
    if (!session)
        return false; // -1 or unknown: nothing, and the last error of a failed login stays readable
    // The recorder forgets the session on the answer or, failing that, when the connection closes.
    session->Request(SdkWire::CWriter().Finish(SdkWire::Logout), nullptr);
    session->Close();
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

bool NET_DVR_GetDVRConfig(int32_t login, uint32_t command, int32_t channel, void* buffer, uint32_t length,
                          uint32_t* returned)
{
    if (!Ready())
        return false;
    auto session = CSdkContext::Instance().Session(login);
    if (!session)
        return Fail(NET_DVR_INVALID_HANDLE);
    if (!buffer)
        return Fail(NET_DVR_PARAMETER_ERROR);
    std::vector<uint8_t> answer;
    const uint32_t error =
        session->Request(SdkWire::CWriter().U32(command).I32(channel).Finish(SdkWire::GetConfig), &answer);
    if (error != NET_DVR_NOERROR)
        return Fail(error);
    // A caller's buffer smaller than the block gets nothing rather than a cut block.
    if (answer.size() > length)
        return Fail(NET_DVR_PARAMETER_ERROR);
    std::memcpy(buffer, answer.data(), answer.size());
    if (returned)
        *returned = uint32_t(answer.size());
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

int32_t NET_DVR_FindFile_V30(int32_t login, const NET_DVR_FILE_CONDITION* condition)
{
    if (!Ready())
        return -1;
    auto session = CSdkContext::Instance().Session(login);
    if (!session)
        return FailHandle(NET_DVR_INVALID_HANDLE);
    if (!condition || !ValidTime(condition->StartTime) || !ValidTime(condition->StopTime))
        return FailHandle(NET_DVR_PARAMETER_ERROR);
    std::vector<uint8_t> answer;
    const uint32_t error = session->Request(SdkWire::CWriter()
                                                .I32(condition->Channel)
                                                .U32(condition->FileType)
                                                .Time(condition->StartTime)
                                                .Time(condition->StopTime)
                                                .Finish(SdkWire::FindOpen),
                                            &answer);
    if (error != NET_DVR_NOERROR)
        return FailHandle(error);
    SdkWire::CReader reader(answer.data(), answer.size());
    auto search = std::make_shared<CSdkSearch>();
    search->Session = session;
    search->RecorderId = reader.U32();
    if (!reader.Ok())
        return FailHandle(NET_DVR_NETWORK_ERRORDATA);
    const int32_t handle = CSdkContext::Instance().AddSearch(search);
    if (handle < 0) {
        session->Request(SdkWire::CWriter().U32(search->RecorderId).Finish(SdkWire::FindClose), nullptr);
        return FailHandle(NET_DVR_NOINIT);
    }
    SetSdkError(NET_DVR_NOERROR);
    return handle;
}

int32_t NET_DVR_FindNextFile_V30(int32_t search, NET_DVR_FILE_DATA* found)
{
    if (!Ready())
        return -1;
    auto entry = CSdkContext::Instance().Search(search);
    if (!entry)
        return FailHandle(NET_DVR_INVALID_HANDLE);
    if (!found)
        return FailHandle(NET_DVR_PARAMETER_ERROR);
    std::vector<uint8_t> answer;
    const uint32_t error =
        entry->Session->Request(SdkWire::CWriter().U32(entry->RecorderId).Finish(SdkWire::FindNext), &answer);
    if (error != NET_DVR_NOERROR) {
        SetSdkError(error);
        return NET_DVR_FIND_ERROR;
    }
    SdkWire::CReader reader(answer.data(), answer.size());
    const int32_t result = reader.I32();
    if (result == NET_DVR_FIND_FILE) {
        NET_DVR_FILE_DATA data;
        const std::string name = reader.Text();
        std::snprintf(data.FileName, sizeof(data.FileName), "%s", name.c_str());
        data.StartTime = reader.Time();
        data.StopTime = reader.Time();
        data.FileSize = reader.U32();
        data.FileType = reader.U8();
        if (!reader.Ok()) {
            SetSdkError(NET_DVR_NETWORK_ERRORDATA);
            return NET_DVR_FIND_ERROR;
        }
        *found = data;
    }
    if (!reader.Ok()) {
        SetSdkError(NET_DVR_NETWORK_ERRORDATA);
        return NET_DVR_FIND_ERROR;
    }
    SetSdkError(NET_DVR_NOERROR);
    return result;
}

bool NET_DVR_FindClose_V30(int32_t search)
{
    auto entry = CSdkContext::Instance().TakeSearch(search);
    if (!entry)
        return Fail(NET_DVR_INVALID_HANDLE);
    const uint32_t error = entry->Session->Request(
        SdkWire::CWriter().U32(entry->RecorderId).Finish(SdkWire::FindClose), nullptr);
    return error == NET_DVR_NOERROR || Fail(error);
}

int32_t NET_DVR_PlayBackByTime(int32_t login, int32_t channel, const NET_DVR_TIME* start,
                               const NET_DVR_TIME* stop, void* /*window*/)
{
    if (!Ready())
        return -1;
    CSdkContext& context = CSdkContext::Instance();
    auto session = context.Session(login);
    if (!session)
        return FailHandle(NET_DVR_INVALID_HANDLE);
    if (!start || !stop || !ValidTime(*start) || !ValidTime(*stop))
        return FailHandle(NET_DVR_PARAMETER_ERROR);
    const int32_t handle = context.NewPlaybackHandle();
    if (handle < 0)
        return FailHandle(NET_DVR_NOINIT);
    auto playback = std::make_shared<CSdkPlayback>(handle);
    const uint32_t error =
        playback->Open(session->Address(), session->Port(), session->Token(), channel, *start, *stop);
    if (error != NET_DVR_NOERROR) {
        playback->Stop(false);
        return FailHandle(error);
    }
    if (!context.AddPlayback(handle, playback)) {
        playback->Stop(true);
        return FailHandle(NET_DVR_NOINIT);
    }
    SetSdkError(NET_DVR_NOERROR);
    return handle;
}

bool NET_DVR_SetPlayDataCallBack(int32_t play, PLAY_DATA_CALLBACK callback, void* user)
{
    if (!Ready())
        return false;
    auto playback = CSdkContext::Instance().Playback(play);
    if (!playback)
        return Fail(NET_DVR_INVALID_HANDLE);
    playback->SetCallback(callback, user);
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

bool NET_DVR_PlayBackControl(int32_t play, uint32_t code, uint32_t in, uint32_t* out)
{
    if (code == NET_DVR_PLAY_GET_POS) {
        int32_t position = -1;
        const bool ok = NET_DVR_PlayBackControl_V40(play, code, nullptr, 0, &position, nullptr);
        if (out)
            *out = uint32_t(position);
        return ok;
    }
    const int32_t value = int32_t(in);
    return NET_DVR_PlayBackControl_V40(play, code, &value, sizeof(value), nullptr, nullptr);
}

bool NET_DVR_PlayBackControl_V40(int32_t play, uint32_t code, const void* in, uint32_t inLength, void* out,
                                 uint32_t* outLength)
{
    if (!Ready())
        return false;
    auto playback = CSdkContext::Instance().Playback(play);
    if (!playback)
        return Fail(NET_DVR_INVALID_HANDLE);
    std::vector<uint8_t> answer;
    uint32_t error = NET_DVR_NOERROR;
    switch (code) {
    case NET_DVR_PLAY_START:
        error = playback->Request(SdkWire::CWriter().Finish(SdkWire::PlayStart), nullptr);
        break;
    case NET_DVR_PLAY_GET_POS: {
        if (!out)
            return Fail(NET_DVR_PARAMETER_ERROR);
        error = playback->Request(SdkWire::CWriter().Finish(SdkWire::PlayPosition), &answer);
        SdkWire::CReader reader(answer.data(), answer.size());
        const int32_t position = reader.I32();
        if (error == NET_DVR_NOERROR && !reader.Ok())
            error = NET_DVR_NETWORK_ERRORDATA;
        if (error == NET_DVR_NOERROR) {
            std::memcpy(out, &position, sizeof(position));
            if (outLength)
                *outLength = sizeof(position);
        }
        break;
    }
    case NET_DVR_PLAY_GET_LENGTH: {
        if (!out)
            return Fail(NET_DVR_PARAMETER_ERROR);
        // A length beyond what the caller's 64-bit signed value holds is no length at all.
        if (playback->Length() > uint64_t(std::numeric_limits<int64_t>::max()))
            return Fail(NET_DVR_NETWORK_ERRORDATA);
        const int64_t length = int64_t(playback->Length());
        std::memcpy(out, &length, sizeof(length));
        if (outLength)
            *outLength = sizeof(length);
        break;
    }
    case NET_DVR_PLAY_SET_SPEED:
    case NET_DVR_PLAY_SPEED_RESTORE: {
        // Code 28 needs its 4-byte value; code 24's callers pass the value with length 0.
        if (code == NET_DVR_PLAY_SET_SPEED && (!in || inLength < sizeof(int32_t)))
            return Fail(NET_DVR_PARAMETER_ERROR);
        int32_t value = 0;
        if (in)
            std::memcpy(&value, in, sizeof(value));
        error =
            playback->Request(SdkWire::CWriter().U32(code).I32(value).Finish(SdkWire::PlaySpeed), nullptr);
        break;
    }
    default:
        return Fail(NET_DVR_NOSUPPORT);
    }
    if (error != NET_DVR_NOERROR)
        return Fail(error);
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

bool NET_DVR_StopPlayBack(int32_t play)
{
    auto playback = CSdkContext::Instance().TakePlayback(play);
    if (!playback)
        return Fail(NET_DVR_INVALID_HANDLE);
    playback->Stop(true);
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

bool NET_DVR_CaptureJPEGPicture(int32_t login, int32_t channel, const NET_DVR_JPEG_PARAM* picture,
                                const char* path)
{
    if (!Ready())
        return false;
    auto session = CSdkContext::Instance().Session(login);
    if (!session)
        return Fail(NET_DVR_INVALID_HANDLE);
    if (!picture || !path || !*path)
        return Fail(NET_DVR_PARAMETER_ERROR);
    std::vector<uint8_t> answer;
    const uint32_t error = session->Request(SdkWire::CWriter()
                                                .I32(channel)
                                                .U16(picture->PicSize)
                                                .U16(picture->PicQuality)
                                                .Finish(SdkWire::Capture),
                                            &answer);
    if (error != NET_DVR_NOERROR)
        return Fail(error);
    // Written beside the target and renamed, so a failed write never leaves a half picture under its name.
    const std::string partial = std::string(path) + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return Fail(NET_DVR_FILE_WRITE_ERROR);
    const bool written = std::fwrite(answer.data(), 1, answer.size(), file) == answer.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(partial.c_str(), path) != 0) {
        std::remove(partial.c_str());
        return Fail(NET_DVR_FILE_WRITE_ERROR);
    }
    SetSdkError(NET_DVR_NOERROR);
    return true;
}

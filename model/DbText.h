#pragma once

// The text forms in which the database keeps times. A date-time is "%d-%02d-%02d %02d:%02d:%02d" in local
// time (19 bytes, so texts order as times do); a schedule's time of day is "%d:%d:%d" without padding.
// Stored texts are parsed straight into their fields: no detour through seconds and back, which would move a
// time inside a daylight-saving gap.

#include "sdk/DeviceSdk.h"

#include <cstdint>
#include <string>
#include <string_view>

// False (fields untouched) unless the text is exactly 19 bytes of a valid calendar date and time.
bool ParseDateTimeText(std::string_view text, NET_DVR_TIME* out);
std::string FormatDateTimeText(const NET_DVR_TIME& time);
// Seconds since 1970 shown in local time.
std::string FormatDateTimeText(int64_t secs);
// Seconds since 1970 of a local date-time text; 0 when the text is not a valid 19-byte date-time.
int64_t DateTimeTextToSecs(std::string_view text);
// The local date and time of an instant, as fields.
NET_DVR_TIME SecsToLocalFields(int64_t secs);

// False unless the text is three decimal numbers split by ':' within 0..23, 0..59, 0..59.
bool ParseTimeOfDayText(std::string_view text, int* hour, int* minute, int* second);
std::string FormatTimeOfDayText(int hour, int minute, int second);

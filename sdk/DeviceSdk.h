#pragma once

// The device layer's public interface: the calls, records and codes through which the program talks to the
// recorders.

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

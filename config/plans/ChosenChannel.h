#pragma once

// One channel picked in the channel chooser and handed to the plan page.

#include <cstdint>

struct CHOSEN_CHANNEL
{
    char DeviceName[33] = {}; // the device's name: the page finds its slot by it
    int16_t Channel = -1;     // the recorder's channel number
    int32_t DeviceID = -1;
    int32_t CameraIndex = -1;
};

#pragma once

// The log's type and subtype codes as the program writes them with WriteLog and the log page shows them.

enum LOG_TYPE
{
    LOG_TYPE_OPERATION = 1,
    LOG_TYPE_EXCEPTION = 2,
};

enum LOG_SUB_TYPE
{
    LOG_SUB_START_SOFTWARE = 1,
    LOG_SUB_STOP_SOFTWARE = 2,
    LOG_SUB_START_MANUAL = 3,
    LOG_SUB_STOP_MANUAL = 4,
    LOG_SUB_CONFIG_PLAN = 5,
    LOG_SUB_CONFIG_DISK = 6,
    LOG_SUB_CONFIG_GROUP = 7,
    LOG_SUB_RECONNECT = 8,
    LOG_SUB_WRITE_FILE = 9,
    LOG_SUB_CONNECT_DEVICE = 10,
};

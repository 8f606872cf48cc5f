#pragma once

// The operation and exception log in Log_Table: written from any thread through WriteLog, kept below 30,000
// rows by deleting the entries of the oldest time after each new entry.

#include "model/Records.h"

#include <QString>

#include <cstdint>
#include <vector>

constexpr int LOG_MAX_ROWS = 30000;
// An entry's text holds at most this many bytes of local 8-bit text.
constexpr int LOG_CONTENTS_MAX_BYTES = 199;

// Kinds of entry (LOG_INFO::LogType).
enum LOG_TYPE : int
{
    LOG_TYPE_OPERATION = 1,
    LOG_TYPE_EXCEPTION = 2,
};

// What an entry is about (LOG_INFO::LogSubType).
enum LOG_SUBTYPE : int
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
    LOG_SUB_OVERWRITE = 11, // records deleted to make room on a full disk
};

// -1 when type or subtype is -1 (nothing written); 0 when the entry could not be stored; 1 when stored.
// The text is cut at a character boundary to at most 199 bytes of local 8-bit text, after its control
// characters were written out (EscapeControls): no text, whatever it names, makes a row look like two.
int WriteLog(int type, int subtype, const QString& text);
// WriteLog that gives the stored row's id, -1 when nothing was stored.
int64_t WriteLogRow(int type, int subtype, const QString& text);
// Gives the row `row` the text and the current time, as if it were written now; false when the row is gone.
bool UpdateLogRow(int64_t row, const QString& text);
// The entries of [from, to] (seconds since 1970, both included) of one type, or of every type for type 0.
void SearchLog(std::vector<LOG_INFO>* out, int type, int64_t from, int64_t to);

bool DbInsertLogInfo(const LOG_INFO* info);
// The number of entries; -1 when it cannot be read.
int DbGetLogCount();
// Deletes every entry that carries the oldest time.
bool DbDeleteOldestLog();
// Appends the entries in time order (entries of the same second in the order written), their control
// characters written out as WriteLog writes them (rows stored before it did). All or none.
bool DbSelectLogInfo(std::vector<LOG_INFO>* out, int type, int64_t from, int64_t to);

#pragma once

// What the storage tests share: the month their records are kept in, a search of one day, and records of
// known bytes stored through the storage.

#include "storage/CStowelineClass.h"

#include <QStringList>

namespace TestSupport {

// A time on a day of March 2024.
STOWELINE_TIME Time(int day, int hour, int minute = 0, int second = 0);
// The stored paths of a name whose records overlap the day, as the storage's search gives them; *cut (when
// given): whether the search matched more than it returned.
QStringList Search(CStowelineClass& s, const char* name, int day, bool* cut = nullptr);
// The bytes of record `seed`: a mixed-up or shortened copy shows.
QByteArray Bytes(int seed, qint64 size);
// Opens (with `reserved`), writes Bytes(seed, size) in blocks of 50 KiB and closes one record of `name`;
// false when any step fails.
bool StoreRecord(CStowelineClass& s, const char* name, const CHANNEL_RECORD_KEY& key, int seed, qint64 size,
                 int reserved = 0);
// Sets the storage up on `roots`, no room kept free, full disks counted in DiskFullCalls (TestSupport.h).
bool InitDisks(CStowelineClass& s, const QStringList& roots, bool overwrite);

} // namespace TestSupport

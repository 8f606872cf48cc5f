#pragma once

// What the storage tests share: the month their records are kept in, and a search of one day.

#include "storage/CStowelineClass.h"

#include <QStringList>

namespace TestSupport {

// A time on a day of March 2024.
STOWELINE_TIME Time(int day, int hour, int minute = 0, int second = 0);
// The stored paths of a name whose records overlap the day, as the storage's search gives them; *cut (when
// given): whether the search matched more than it returned.
QStringList Search(CStowelineClass& s, const char* name, int day, bool* cut = nullptr);

} // namespace TestSupport

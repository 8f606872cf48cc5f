#pragma once

// The rules a plan's weekly schedule must keep before it is saved or copied, without any widget.

#include "model/Records.h"

#include <QString>

// The translated day name of a schedule row in messages: 0 the whole week, 1..7 Monday..Sunday; empty
// otherwise.
QString ScheduleDayName(int row);

// Checks every plan in use of the 32 records in slot order; the message of the first rule broken, or an
// empty text when all pass. Per plan: each enabled row's file window (end not before start) and, for a
// backup of today's files, its start not before the file window's end; then each enabled weekday against
// the enabled day after it, Sunday against Monday included (the engine treats Sunday as the day before
// Monday): a window may not run past the next day's start.
QString FirstScheduleError(const GROUP_INFO* plans);

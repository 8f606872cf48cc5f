#pragma once

// What the plan page does to plan records without any widget: comparing them, building a new plan, taking a
// recorder's channels out of a plan's list.

#include "model/Records.h"

// Every field of the two records, the name over all its bytes, every channel slot and every schedule entry.
bool IsSamePlan(const GROUP_INFO& a, const GROUP_INFO& b);

// A new plan in use with the name (at most 32 bytes, cut at a character boundary), the whole-week entry
// enabled and every entry at the program's defaults.
GROUP_INFO MakeNewPlan(const QByteArray& localName);

// Removes every reference to the device, closing the list up in its order; true when one was removed.
bool RemoveDeviceRefs(GROUP_INFO* plan, int device);
bool HoldsDevice(const GROUP_INFO& plan, int device);

// Removes the references at the given positions (any order, duplicates ignored), closing the list up.
void RemoveRefsAt(GROUP_INFO* plan, QList<int> positions);

// Sorts the references by device and then channel number; the empty slots stay at the end.
void SortPlanRefs(GROUP_INFO* plan);

// The number of references before the first empty one.
int CountRefs(const GROUP_INFO& plan);

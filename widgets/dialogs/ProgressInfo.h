#pragma once

// Rows done and rows in all, sent from a worker to the progress box through a queued connection. The record
// is the shared one of model/Records.h, so a widget that also sees the other records never meets two
// definitions.

#include "model/Records.h"

// Registers the record under the name "ProgressInfo" for queued connections; safe to call more than once.
void RegisterProgressInfo();

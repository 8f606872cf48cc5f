#pragma once

// Rows done and rows in all, sent from a worker to the progress box through a queued connection. The record
// itself is the model's, shared with the workers that send it.

#include "model/Records.h"

// Registers the record under the name "ProgressInfo" for queued connections; safe to call more than once.
void RegisterProgressInfo();

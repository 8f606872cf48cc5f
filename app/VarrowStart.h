#pragma once

// The start of the program after the application object's checks: the model and the task lists from the
// database, the storage object, the main window (shown), the storage error box and the "Open Software" log
// entry. main runs the event loop after it.

#include <memory>

class CVarrow;

std::unique_ptr<CVarrow> OpenMainWindow();

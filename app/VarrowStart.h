#pragma once

// The start of the program after the application object's checks: the model and the task lists from the
// database, the storage object, the main window (shown), the storage error box and the "Open Software" log
// entry. main runs the event loop after it.

#include <QString>

#include <memory>

class CVarrow;

std::unique_ptr<CVarrow> OpenMainWindow();

// The text of the box that reports a storage object that could not be created.
QString StorageErrorText(int code);

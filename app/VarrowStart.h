#pragma once

// The start of the program after the application object's checks: the model from the database, the "Open
// Software" log entry, the task lists, the storage object, the main window (shown) and the storage error box.
// main runs the event loop after it.

#include "model/SQLite3DB.h"

#include <QString>

#include <memory>

class CVarrow;

// Null, after a box that names the file and the cause, when the database cannot be used: the program then
// ends and leaves the file as it is, so that the operator can restore it.
std::unique_ptr<CVarrow> OpenMainWindow();

// The whole run after the application object's checks: the main window, the event loop, and after it, once
// the window and with it every engine thread is gone, the database closed so that its file alone holds
// everything. The program's result: 1 when the database could not be used, else the event loop's.
int RunVarrow();

// The text of the box that reports an unusable database; `error` names the file and the cause, `refusal`
// says what the operator can do.
QString DatabaseErrorText(const QString& error, MAIN_DB_REFUSAL refusal);

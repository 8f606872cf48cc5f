#pragma once

// A fresh main database for one test: a program directory of its own, so GetMainDB opens a new Varrow.db
// there. On destruction the main connection closes and the program directory returns to the process's one.

#include "model/SQLite3DB.h"
#include "tests/support/TestSupport.h"

class CTempDatabase
{
public:
    CTempDatabase();
    ~CTempDatabase();
    CTempDatabase(const CTempDatabase&) = delete;
    CTempDatabase& operator=(const CTempDatabase&) = delete;

    bool IsValid() const { return m_dir.IsValid(); }
    QString Dir() const { return m_dir.Path(); }
    QString DbPath() const { return m_dir.FilePath(QStringLiteral("Varrow.db")); }
    CSQLite3DB& Db() { return GetMainDB(); }
    // Closes and opens the same file again, as a restart of the program would.
    CSQLite3DB& Reopen();

    // Fills the database with the largest configuration: 1024 recorders of 64 channels and 32 full plans.
    static void FillFullConfiguration();

private:
    CTempAppDir m_dir;
};

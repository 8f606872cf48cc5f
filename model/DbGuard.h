#pragma once

// What every data-access operation shares: its statements throw, the operation turns any failure into false.

#include "model/SQLite3DB.h"

#include <QtDebug>

#include <exception>
#include <string>

// Runs one statement to its end; a closed connection is a failure too.
inline void DbRun(CSQLite3DB& db, const std::string& sql, CSQLite3Params params = {})
{
    if (!db.Exec(sql, params))
        throw CSQlite3Error(SQLITE_MISUSE, "database is not open");
}

inline void DbSelect(CSQLite3DB& db, const std::string& sql, CSQLite3Recordset& rs,
                     CSQLite3Params params = {})
{
    if (!db.Query(sql, rs, params))
        throw CSQlite3Error(SQLITE_MISUSE, "database is not open");
}

// Why the last data-access operation of the calling thread failed, in the database's words; what an
// operation that fails without an error of the database leaves is the text before it.
std::string DbLastError();
void SetDbLastError(const std::string& text);

// Runs body(db) on the main connection under its lock; false when it throws or returns false.
template <typename Body> bool DbGuarded(Body&& body) noexcept
{
    try {
        CSQLite3DB& db = GetMainDB();
        auto lock = db.Lock();
        return body(db);
    } catch (const std::exception& e) {
        // A database error's constructor already traced it.
        SetDbLastError(e.what());
        if (dynamic_cast<const CSQlite3Error*>(&e) == nullptr)
            qDebug("database operation failed: %s", e.what());
    }
    return false;
}

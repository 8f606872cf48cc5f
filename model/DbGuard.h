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

// Runs body(db) on the main connection under its lock; false when it throws or returns false.
template <typename Body> bool DbGuarded(Body&& body) noexcept
{
    try {
        CSQLite3DB& db = GetMainDB();
        auto lock = db.Lock();
        return body(db);
    } catch (const CSQlite3Error&) {
        // The error's constructor already traced it.
    } catch (const std::exception& e) {
        qDebug("database operation failed: %s", e.what());
    }
    return false;
}

#pragma once

// A thin layer over SQLite's C interface: one connection, the rows of one prepared statement, the error that
// every SQLite failure becomes, and a transaction holder. Every value reaches SQL as a bound parameter.

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

// An SQLite failure: its (extended) result code and message.
class CSQlite3Error : public std::exception
{
public:
    CSQlite3Error(int code, std::string message);

    int Code() const { return m_code; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    int m_code = 0;
    std::string m_message;
};

// One value bound to a statement's parameter: an integer, a text or NULL.
class CSQLite3Value
{
public:
    enum Kind
    {
        Null,
        Integer,
        Text
    };

    CSQLite3Value() = default;
    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    CSQLite3Value(T value) : m_kind(Integer), m_int(int64_t(value))
    {
    }
    CSQLite3Value(const std::string& text) : m_kind(Text), m_text(text) {}
    CSQLite3Value(std::string_view text) : m_kind(Text), m_text(text) {}
    // A fixed character field of a record: its text ends at the first zero or at the field's end.
    template <size_t N>
    CSQLite3Value(const char (&field)[N]) : m_kind(Text), m_text(field, FieldLength(field, N))
    {
    }

    Kind GetKind() const { return m_kind; }
    int64_t GetInt() const { return m_int; }
    std::string_view GetText() const { return m_text; }

private:
    static size_t FieldLength(const char* text, size_t max)
    {
        size_t n = 0;
        while (n < max && text[n] != '\0')
            ++n;
        return n;
    }

    Kind m_kind = Null;
    int64_t m_int = 0;
    std::string_view m_text;
};

using CSQLite3Params = std::initializer_list<CSQLite3Value>;

// The rows of one prepared statement. Owns the statement; its destructor finalizes it.
class CSQLite3Recordset
{
public:
    CSQLite3Recordset() = default;
    ~CSQLite3Recordset();
    CSQLite3Recordset(const CSQLite3Recordset&) = delete;
    CSQLite3Recordset& operator=(const CSQLite3Recordset&) = delete;

    // Takes over the statement and steps to its first row. A failing step throws CSQlite3Error.
    bool Attach(sqlite3* db, sqlite3_stmt* stmt);
    bool IsEof() const { return m_eof; }
    // Steps to the next row; true when a row is current. A failing step throws CSQlite3Error, so an I/O error
    // or a busy file never reads as the end of the rows.
    bool Next();
    void Close();

    int GetFieldCount() const { return m_fieldCount; }
    int GetFieldIndex(const std::string& name) const;
    bool IsNull(int index) const;
    std::string GetString(int index) const;
    int GetInt(int index) const;
    int64_t GetInt64(int index) const;
    // Seconds since 1970 of a local date-time text of exactly 19 bytes; 0 for anything else.
    int64_t GetDateTime(int index) const;
    // Seconds since 1970 of a local time-of-day text on 4 January 1970; NULL reads as 00:00:00.
    int64_t GetTime(int index) const;
    std::string GetString(const std::string& name) const;
    int GetInt(const std::string& name) const;

private:
    void CheckIndex(int index) const;
    void Step();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_fieldCount = 0;
    bool m_eof = true;
};

// One connection in SQLite's serialized mode. Every operation holds the connection's recursive lock for its
// run; callers that run several statements as one unit hold it too (Lock or CDbTransaction), so no other
// thread's statement falls between them or into their transaction.
class CSQLite3DB
{
public:
    static constexpr int DefaultOpenFlags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    static constexpr int ReadOnlyOpenFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX;

    CSQLite3DB() = default;
    ~CSQLite3DB();
    CSQLite3DB(const CSQLite3DB&) = delete;
    CSQLite3DB& operator=(const CSQLite3DB&) = delete;

    // Closes first. Throws CSQlite3Error when SQLite refuses; the connection is then closed.
    void Open(const std::string& fileName, int flags = DefaultOpenFlags);
    // Rolls back what is still open, then closes.
    void Close();
    bool IsOpen() const;

    // Runs a script of statements without parameters. False when closed; throws on failure.
    bool Exec(const std::string& sql);
    // Runs one statement with bound parameters to its end. False when closed; throws on failure.
    bool Exec(const std::string& sql, CSQLite3Params params);
    // Prepares one statement, binds the parameters and steps to its first row. False when closed.
    bool Query(const std::string& sql, CSQLite3Recordset& rs, CSQLite3Params params = {});
    // Sets one of SQLite's run-time limits (sqlite3_limit) on this connection; the limit before, or -1 when
    // closed.
    int SetLimit(int id, int value);
    int64_t LastInsertRowId() const;
    int Changes() const;

    std::unique_lock<std::recursive_mutex> Lock() { return std::unique_lock<std::recursive_mutex>(m_mutex); }

    // An open transaction that outlives one call (the plan page saves several plans in one). The connection
    // stays locked for the calling thread until CommitTransaction, which rolls back when the commit fails, or
    // RollbackTransaction, which undoes everything since BeginTransaction (false when none was open).
    bool BeginTransaction();
    bool CommitTransaction();
    bool RollbackTransaction();

private:
    friend class CDbTransaction;

    sqlite3_stmt* Prepare(const std::string& sql, CSQLite3Params params);
    [[noreturn]] void ThrowLastError() const;

    sqlite3* m_db = nullptr;
    std::recursive_mutex m_mutex;
    int m_outerTransactions = 0; // BeginTransaction calls not yet committed, under m_mutex
    int m_savepointDepth = 0;    // CDbTransaction holders alive, under m_mutex
};

// A transaction (a savepoint, so holders nest, also inside BeginTransaction): rolled back unless Commit ran.
// Holds the connection's lock for its whole life.
class CDbTransaction
{
public:
    explicit CDbTransaction(CSQLite3DB& db);
    ~CDbTransaction();
    CDbTransaction(const CDbTransaction&) = delete;
    CDbTransaction& operator=(const CDbTransaction&) = delete;

    // Throws CSQlite3Error when the changes cannot be kept; the holder then rolls them back.
    void Commit();

private:
    CSQLite3DB& m_db;
    std::unique_lock<std::recursive_mutex> m_lock;
    std::string m_name;
    bool m_done = false;
};

// The main connection, opened on first use at GetAbsolutePath("Varrow.db"); a file without some tables gets
// them from the compiled-in schema, and an earlier installation's tables get the columns added since. A file
// whose tables lack other columns is refused. When opening fails the connection stays closed, every
// operation on it reports failure until CloseMainDB, and MainDbError tells why.
CSQLite3DB& GetMainDB();
// Why the main connection could not be opened (the file and the cause); empty when it is open.
std::string MainDbError();
// What kind of refusal MainDbError describes.
enum MAIN_DB_REFUSAL
{
    MAIN_DB_OPEN,        // no refusal
    MAIN_DB_UNUSABLE,    // the file is there and was left as it is
    MAIN_DB_EMPTY_FILE,  // the file is there but empty: a lost database, or one a start never finished
    MAIN_DB_NOT_CREATED, // there was none, and a new one could not be made; nothing was left behind
};
MAIN_DB_REFUSAL MainDbRefusal();
// Says that the main file was read whole and is accepted: only now is an existing file switched to the
// write-ahead journal, which rewrites its header. A file just made is switched when it is made.
void AcceptMainDB();
// Closes the main connection; the next GetMainDB opens the file of the program's directory of that time.
void CloseMainDB();
// Closes the main connection for the rest of the process (the program's exit, once its threads ended):
// later operations report failure instead of opening the file again.
void ShutdownMainDB();
// Creates the missing tables, indexes and default rows of the system's schema on an open connection and
// brings an earlier installation's tables up to date. Throws CSQlite3Error, changing nothing, when a table
// lacks a column the program reads.
void EnsureSchema(CSQLite3DB& db);
// The schema version written to PRAGMA user_version. 2: a plan's saved list takes in its window's File End
// second (an earlier list is brought up to it once).
constexpr int VARROW_SCHEMA_VERSION = 2;

#include "model/SQLite3DB.h"

#include "model/DbText.h"
#include "model/NeverDestroyed.h"
#include "model/Records.h"
#include "model/Utility.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QtDebug>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

CSQlite3Error::CSQlite3Error(int code, std::string message) : m_code(code), m_message(std::move(message))
{
    qDebug(" ======= sqlite error, code[%d], message[%s] ======= ", m_code, m_message.c_str());
}

// ---------------------------------------------------------------------------------------------------------
// CSQLite3Recordset

CSQLite3Recordset::~CSQLite3Recordset()
{
    Close();
}

bool CSQLite3Recordset::Attach(sqlite3* db, sqlite3_stmt* stmt)
{
    if (db == nullptr || stmt == nullptr)
        return false;
    Close();
    m_db = db;
    m_stmt = stmt;
    m_fieldCount = sqlite3_column_count(stmt);
    Step();
    return true;
}

bool CSQLite3Recordset::Next()
{
    if (m_stmt == nullptr)
        return false;
    Step();
    return !m_eof;
}

void CSQLite3Recordset::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_eof = false;
        return;
    }
    m_eof = true;
    if (rc != SQLITE_DONE)
        throw CSQlite3Error(rc, sqlite3_errmsg(m_db));
}

void CSQLite3Recordset::Close()
{
    if (m_stmt != nullptr)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_db = nullptr;
    m_fieldCount = 0;
    m_eof = true;
}

int CSQLite3Recordset::GetFieldIndex(const std::string& name) const
{
    if (m_stmt == nullptr || name.empty())
        return -1;
    for (int i = 0; i < m_fieldCount; ++i) {
        const char* column = sqlite3_column_name(m_stmt, i);
        if (column != nullptr && name == column)
            return i;
    }
    return -1;
}

void CSQLite3Recordset::CheckIndex(int index) const
{
    if (index < 0 || index >= m_fieldCount)
        throw std::out_of_range("CSQLite3Recordset, iIndex out of range");
}

bool CSQLite3Recordset::IsNull(int index) const
{
    CheckIndex(index);
    return sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

std::string CSQLite3Recordset::GetString(int index) const
{
    CheckIndex(index);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
    if (text == nullptr)
        return std::string();
    return std::string(text, size_t(sqlite3_column_bytes(m_stmt, index)));
}

int CSQLite3Recordset::GetInt(int index) const
{
    CheckIndex(index);
    return sqlite3_column_int(m_stmt, index);
}

int64_t CSQLite3Recordset::GetInt64(int index) const
{
    CheckIndex(index);
    return sqlite3_column_int64(m_stmt, index);
}

int64_t CSQLite3Recordset::GetDateTime(int index) const
{
    return DateTimeTextToSecs(GetString(index));
}

int64_t CSQLite3Recordset::GetTime(int index) const
{
    int hour = 0, minute = 0, second = 0;
    if (!IsNull(index) && !ParseTimeOfDayText(GetString(index), &hour, &minute, &second))
        return 0;
    const QDateTime local(QDate(1970, 1, 4), QTime(hour, minute, second), Qt::LocalTime);
    return local.toSecsSinceEpoch();
}

std::string CSQLite3Recordset::GetString(const std::string& name) const
{
    const int index = GetFieldIndex(name);
    if (index < 0)
        throw std::invalid_argument("Invalid filed name");
    return GetString(index);
}

int CSQLite3Recordset::GetInt(const std::string& name) const
{
    const int index = GetFieldIndex(name);
    if (index < 0)
        throw std::invalid_argument("Invalid filed name");
    return GetInt(index);
}

// ---------------------------------------------------------------------------------------------------------
// CSQLite3DB

namespace {

struct StatementFinalizer
{
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

} // namespace

CSQLite3DB::~CSQLite3DB()
{
    Close();
}

void CSQLite3DB::Open(const std::string& fileName, int flags)
{
    auto lock = Lock();
    Close();
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(fileName.c_str(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A handle that failed to open is of no use: later statements must see a closed connection.
        const std::string message = handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
        sqlite3_close_v2(handle);
        throw CSQlite3Error(rc, message);
    }
    m_db = handle;
    sqlite3_extended_result_codes(m_db, 1);
    // The only waits are for other processes on the same file; they end.
    sqlite3_busy_timeout(m_db, 5000);
}

int CSQLite3DB::SetLimit(int id, int value)
{
    auto lock = Lock();
    return m_db != nullptr ? sqlite3_limit(m_db, id, value) : -1;
}

void CSQLite3DB::Close()
{
    auto lock = Lock();
    if (m_db == nullptr)
        return;
    // Work that its owner did not commit is incomplete: it is undone, never kept half.
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_savepointDepth = 0;
    // The locks that open BeginTransaction calls hold belong to this thread (it holds the mutex now).
    for (; m_outerTransactions > 0; --m_outerTransactions)
        m_mutex.unlock();
}

bool CSQLite3DB::IsOpen() const
{
    return m_db != nullptr;
}

void CSQLite3DB::ThrowLastError() const
{
    throw CSQlite3Error(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db));
}

bool CSQLite3DB::Exec(const std::string& sql)
{
    auto lock = Lock();
    if (m_db == nullptr)
        return false;
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error != nullptr ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw CSQlite3Error(rc, std::move(message));
    }
    return true;
}

sqlite3_stmt* CSQLite3DB::Prepare(const std::string& sql, CSQLite3Params params)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.data(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        ThrowLastError();
    if (raw == nullptr)
        throw CSQlite3Error(SQLITE_MISUSE, "empty statement: " + sql);
    StatementPtr stmt(raw);
    if (sqlite3_bind_parameter_count(raw) != int(params.size()))
        throw CSQlite3Error(SQLITE_RANGE, "wrong number of values for: " + sql);
    int index = 1;
    for (const CSQLite3Value& value : params) {
        int rc = SQLITE_OK;
        switch (value.GetKind()) {
        case CSQLite3Value::Null:
            rc = sqlite3_bind_null(raw, index);
            break;
        case CSQLite3Value::Integer:
            rc = sqlite3_bind_int64(raw, index, value.GetInt());
            break;
        case CSQLite3Value::Text:
            rc = sqlite3_bind_text64(raw, index, value.GetText().data(), value.GetText().size(),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        if (rc != SQLITE_OK)
            ThrowLastError();
        ++index;
    }
    return stmt.release();
}

bool CSQLite3DB::Exec(const std::string& sql, CSQLite3Params params)
{
    auto lock = Lock();
    if (m_db == nullptr)
        return false;
    StatementPtr stmt(Prepare(sql, params));
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_DONE)
        ThrowLastError();
    return true;
}

bool CSQLite3DB::Query(const std::string& sql, CSQLite3Recordset& rs, CSQLite3Params params)
{
    auto lock = Lock();
    if (m_db == nullptr)
        return false;
    rs.Close();
    StatementPtr stmt(Prepare(sql, params));
    sqlite3_stmt* raw = stmt.release();
    rs.Attach(m_db, raw);
    return true;
}

int64_t CSQLite3DB::LastInsertRowId() const
{
    return m_db != nullptr ? sqlite3_last_insert_rowid(m_db) : 0;
}

int CSQLite3DB::Changes() const
{
    return m_db != nullptr ? sqlite3_changes(m_db) : 0;
}

bool CSQLite3DB::BeginTransaction()
{
    m_mutex.lock();
    try {
        if (Exec("begin transaction;")) {
            ++m_outerTransactions;
            return true;
        }
    } catch (const CSQlite3Error&) {
    }
    m_mutex.unlock();
    return false;
}

bool CSQLite3DB::CommitTransaction()
{
    auto lock = Lock();
    if (m_outerTransactions == 0)
        return false;
    bool ok = false;
    try {
        ok = Exec("commit transaction;");
    } catch (const CSQlite3Error&) {
        // A commit that fails leaves the transaction open; end it so that the next statements do not pile
        // into it, and report the loss.
        if (m_db != nullptr && sqlite3_get_autocommit(m_db) == 0)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    --m_outerTransactions;
    m_mutex.unlock();
    return ok;
}

bool CSQLite3DB::RollbackTransaction()
{
    auto lock = Lock();
    if (m_outerTransactions == 0)
        return false;
    // A statement may already have ended the transaction (a trigger's RAISE(ROLLBACK)); then nothing is left
    // to undo, but the lock that BeginTransaction took is still released.
    if (m_db != nullptr && sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    --m_outerTransactions;
    m_mutex.unlock();
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// CDbTransaction

CDbTransaction::CDbTransaction(CSQLite3DB& db) : m_db(db), m_lock(db.Lock())
{
    m_name = "varrow_sp" + std::to_string(m_db.m_savepointDepth);
    if (!m_db.Exec("SAVEPOINT " + m_name + ";"))
        throw CSQlite3Error(SQLITE_MISUSE, "database is not open");
    ++m_db.m_savepointDepth;
}

CDbTransaction::~CDbTransaction()
{
    if (m_done)
        return;
    --m_db.m_savepointDepth;
    if (m_db.m_db != nullptr) {
        const std::string sql = "ROLLBACK TO " + m_name + "; RELEASE " + m_name + ";";
        sqlite3_exec(m_db.m_db, sql.c_str(), nullptr, nullptr, nullptr);
    }
}

void CDbTransaction::Commit()
{
    if (m_done)
        return;
    m_db.Exec("RELEASE " + m_name + ";");
    m_done = true;
    --m_db.m_savepointDepth;
}

// ---------------------------------------------------------------------------------------------------------
// The schema and the main connection

namespace {

constexpr const char* kDefaultsMarker = "-- Default rows:";

// Columns that later versions added to a table of an earlier installation's file: they are added with their
// defaults. Any other column missing from an existing table makes the file unusable.
struct AddedColumn
{
    const char* Table;
    const char* Column;
};
constexpr AddedColumn kAddedColumns[] = {{"Camera_Table", "GroupPos"}, {"Camera_Table", "ManualPos"}};

std::string SchemaScript()
{
    QFile file(QStringLiteral(":/schema/Varrow.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw CSQlite3Error(SQLITE_CANTOPEN, "the compiled-in schema is missing");
    return file.readAll().toStdString();
}

struct TableInfo
{
    std::vector<std::string> Columns;
    std::vector<std::string> KeyColumns;
};

// The tables of a connection with their columns, in declared order.
std::map<std::string, TableInfo> ReadTables(CSQLite3DB& db)
{
    std::map<std::string, TableInfo> tables;
    CSQLite3Recordset rs;
    db.Query("SELECT m.name, p.name, p.pk FROM sqlite_master AS m, pragma_table_info(m.name) AS p "
             "WHERE m.type = 'table' ORDER BY m.name, p.cid;",
             rs);
    for (; !rs.IsEof(); rs.Next()) {
        TableInfo& table = tables[rs.GetString(0)];
        table.Columns.push_back(rs.GetString(1));
        if (rs.GetInt(2) > 0)
            table.KeyColumns.push_back(rs.GetString(1));
    }
    return tables;
}

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool IsAddedColumn(const std::string& table, const std::string& column)
{
    for (const AddedColumn& added : kAddedColumns)
        if (table == added.Table && column == added.Column)
            return true;
    return false;
}

// Rebuilds a table of an earlier installation with the schema's definition (its key and the added columns),
// keeping the values of the columns both have. `create` is the schema's CREATE statement of the table.
void RebuildTable(CSQLite3DB& db, const std::string& table, const std::string& create, const TableInfo& old,
                  const TableInfo& wanted)
{
    std::string columns;
    for (const std::string& column : old.Columns)
        if (Contains(wanted.Columns, column))
            columns += (columns.empty() ? "\"" : ", \"") + column + "\"";
    db.Exec("ALTER TABLE " + table + " RENAME TO " + table + "_Old;");
    db.Exec(create + ";");
    db.Exec("INSERT INTO " + table + " (" + columns + ") SELECT " + columns + " FROM " + table + "_Old;");
    db.Exec("DROP TABLE " + table + "_Old;");
}

// The schema's CREATE TABLE statement of `table`.
std::string CreateStatement(const std::string& schema, const std::string& table)
{
    const std::string head = "CREATE TABLE IF NOT EXISTS " + table + " (";
    const size_t start = schema.find(head);
    if (start == std::string::npos)
        return std::string();
    return schema.substr(start, schema.find(");", start) + 1 - start);
}

struct MainDbState
{
    CSQLite3DB db;
    std::mutex openMutex;
    std::atomic<bool> tried{false};
    bool shutDown = false;                  // under openMutex
    std::string error;                      // under openMutex
    MAIN_DB_REFUSAL refusal = MAIN_DB_OPEN; // under openMutex
};

// Never destroyed: a thread that still runs while the process exits finds a closed connection, not a
// destroyed one.
MainDbState& MainState()
{
    static CNeverDestroyed<MainDbState> state;
    return *state;
}

int UserVersion(CSQLite3DB& db)
{
    CSQLite3Recordset rs;
    db.Query("PRAGMA user_version;", rs);
    return rs.IsEof() ? 0 : rs.GetInt(0);
}

NET_DVR_TIME Fields(const QDate& day, const QTime& time)
{
    return NET_DVR_TIME{uint32_t(day.year()),  uint32_t(day.month()),   uint32_t(day.day()),
                        uint32_t(time.hour()), uint32_t(time.minute()), uint32_t(time.second())};
}

// The plans' lists of an installation from before a window took in its File End second: they stopped each
// file that reached the window's end at the start of that second, which a recorder leaves out of a range.
// Their files not yet stored that stop there are widened to the end of that second, so that the copy made of
// them is whole; the size measured for the shorter range no longer vouches for them and is dropped (the
// play-back's own length is used). Files marked done keep their times, as their copies keep their names.
void WidenUnfinishedPlanWindows(CSQLite3DB& db)
{
    struct CEnd
    {
        bool Enabled = false;
        int FileDate = 0;
        QTime Last;
    };
    std::map<int, std::vector<CEnd>> schedules; // a plan's entries in the order of its schedule
    {
        CSQLite3Recordset rs;
        db.Query("SELECT GroupID, IsEanbel, FileDate, FileEndTime FROM ScheduleWeekday_Table ORDER BY rowid;",
                 rs);
        for (; !rs.IsEof(); rs.Next()) {
            CEnd end;
            end.Enabled = rs.GetInt(1) != 0;
            end.FileDate = rs.GetInt(2);
            int h = 0, m = 0, s = 0;
            if (ParseTimeOfDayText(rs.GetString(3), &h, &m, &s))
                end.Last = QTime(h, m, s);
            schedules[rs.GetInt(0)].push_back(end);
        }
    }
    struct CTask
    {
        int Group = 0;
        int Position = 0;
        int IsPast = 0;
        QDate Day;
    };
    std::vector<CTask> tasks;
    {
        CSQLite3Recordset rs;
        db.Query("SELECT TaskTime, GroupID, CameraIndex, IsPast FROM TaskInfo_Table WHERE GroupID >= 0 AND "
                 "GroupID < ?;",
                 rs, {MAX_GROUP_NUM});
        for (; !rs.IsEof(); rs.Next()) {
            NET_DVR_TIME t;
            if (ParseDateTimeText(rs.GetString(0), &t))
                tasks.push_back(
                    {rs.GetInt(1), rs.GetInt(2), rs.GetInt(3), QDate(int(t.Year), int(t.Month), int(t.Day))});
        }
    }
    for (const CTask& task : tasks) {
        // The entry the list was built from, as the plan's schedule chooses it for the list's day.
        const std::vector<CEnd>& entries = schedules[task.Group];
        const size_t weekday = size_t(task.Day.dayOfWeek());
        const CEnd* entry = !entries.empty() && entries[0].Enabled                 ? &entries[0]
                            : weekday < entries.size() && entries[weekday].Enabled ? &entries[weekday]
                                                                                   : nullptr;
        if (entry == nullptr || !entry->Last.isValid())
            continue;
        const QDate searchDay = task.Day.addDays(-entry->FileDate);
        const QTime next = entry->Last.addSecs(1);
        const QDate nextDay = next < entry->Last ? searchDay.addDays(1) : searchDay;
        db.Exec(
            "UPDATE FileInfo_Table SET FileStopTime = ?, FileSize = 0 WHERE GroupID = ? AND CameraIndex = ? "
            "AND IsPast = ? AND FileStopTime = ? AND FileStartTime < FileStopTime AND DownloadState <> ?;",
            {FormatDateTimeText(Fields(nextDay, next)), task.Group, task.Position, task.IsPast,
             FormatDateTimeText(Fields(searchDay, entry->Last)), int(DOWNLOAD_DONE)});
    }
}

} // namespace

void EnsureSchema(CSQLite3DB& db)
{
    auto lock = db.Lock();
    const std::string script = SchemaScript();
    const size_t defaultsAt = script.find(kDefaultsMarker);
    const std::string tablesPart = script.substr(0, defaultsAt);

    // What the program needs: the tables and columns of the schema, read from a scratch database.
    CSQLite3DB scratch;
    scratch.Open(":memory:");
    scratch.Exec(tablesPart);
    const std::map<std::string, TableInfo> wanted = ReadTables(scratch);
    const std::map<std::string, TableInfo> present = ReadTables(db);

    // A table of the file that lacks a column the program reads is refused before anything changes.
    for (const auto& [name, table] : wanted) {
        const auto found = present.find(name);
        if (found == present.end())
            continue;
        for (const std::string& column : table.Columns)
            if (!Contains(found->second.Columns, column) && !IsAddedColumn(name, column))
                throw CSQlite3Error(SQLITE_SCHEMA, "the table " + name + " lacks the column " + column);
    }

    CDbTransaction transaction(db);
    db.Exec(tablesPart); // creates only the missing tables and indexes
    for (const auto& [name, table] : wanted) {
        const auto found = present.find(name);
        if (found == present.end())
            continue;
        // A table keyed the old way or without the added columns is rebuilt with the schema's definition.
        const TableInfo& old = found->second;
        const bool lacksColumn =
            std::any_of(table.Columns.begin(), table.Columns.end(),
                        [&old](const std::string& c) { return !Contains(old.Columns, c); });
        if (old.KeyColumns != table.KeyColumns || lacksColumn)
            RebuildTable(db, name, CreateStatement(tablesPart, name), old, table);
    }
    db.Exec(tablesPart); // the indexes of rebuilt tables

    // The default rows of the tables created now; an existing table keeps the rows it has.
    if (defaultsAt != std::string::npos) {
        std::string defaults = script.substr(defaultsAt);
        size_t pos = 0;
        while ((pos = defaults.find("INSERT INTO ", pos)) != std::string::npos) {
            const size_t end = defaults.find(';', pos);
            const std::string statement = defaults.substr(pos, end - pos + 1);
            const size_t nameAt = pos + std::strlen("INSERT INTO ");
            const std::string table = defaults.substr(nameAt, defaults.find(' ', nameAt) - nameAt);
            if (present.find(table) == present.end())
                db.Exec(statement);
            pos = end;
        }
    }
    if (!present.empty() && UserVersion(db) < 2)
        WidenUnfinishedPlanWindows(db);
    if (present.empty() || UserVersion(db) < VARROW_SCHEMA_VERSION)
        db.Exec("PRAGMA user_version = " + std::to_string(VARROW_SCHEMA_VERSION) + ";");
    transaction.Commit();
}

namespace {

const char* const kCompanions[] = {"", "-wal", "-shm", "-journal"};

// The file and its journal companions hold the recorders' and the mail login's passwords: only the owner may
// read them. SQLite creates the companions with the mode of the file, so the file is tightened before any is
// made; companions an earlier run left are tightened too.
void RestrictToOwner(const QByteArray& path)
{
    for (const char* suffix : kCompanions) {
        const QByteArray name = path + suffix;
        struct stat info = {};
        if (::stat(name.constData(), &info) == 0 && (info.st_mode & 0077) != 0)
            ::chmod(name.constData(), info.st_mode & 0700);
    }
}

// The refusals below are shown in the start-up box, in the operator's language: the translators are
// installed before the database is first opened.
std::string Tr(const char* text)
{
    return QCoreApplication::translate("MainDb", text).toStdString();
}

// The values go in in one pass: a path or a link's target may itself hold a "%1".
std::string Arg(const std::string& text, const std::string& a)
{
    return QString::fromStdString(text).arg(QString::fromStdString(a)).toStdString();
}

std::string Arg(const std::string& text, const std::string& a, const std::string& b)
{
    return QString::fromStdString(text)
        .arg(QString::fromStdString(a), QString::fromStdString(b))
        .toStdString();
}

std::string Arg(const std::string& text, const std::string& a, const std::string& b, const std::string& c)
{
    return QString::fromStdString(text)
        .arg(QString::fromStdString(a), QString::fromStdString(b), QString::fromStdString(c))
        .toStdString();
}

std::string UserText(uid_t uid)
{
    struct passwd entry = {};
    struct passwd* found = nullptr;
    char buffer[4096];
    const std::string id = Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "user id %1")), std::to_string(uid));
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return std::string(found->pw_name) + " (" + id + ")";
    return id;
}

// The database and its companions hold the passwords and take every save: an entry there that leads to
// another user's file (a link that user made, or a file of theirs) would give that user the station's
// settings, or have the station read settings that user wrote, and its owner bits tightened. Refused, with
// the file and its owner, as a disk's folders of another user are.
std::string ForeignCompanion(const QByteArray& path)
{
    for (const char* suffix : kCompanions) {
        const QByteArray name = path + suffix;
        struct stat entry = {};
        if (::lstat(name.constData(), &entry) != 0)
            continue;
        std::string link;
        if (S_ISLNK(entry.st_mode)) {
            char target[4096] = {};
            const ssize_t length = ::readlink(name.constData(), target, sizeof(target) - 1);
            link = std::string(target, size_t(length > 0 ? length : 0));
            if (::stat(name.constData(), &entry) != 0) {
                if (*suffix == '\0')
                    continue; // the database out of reach: the checks before the open name it
                // SQLite would make the file the link leads to.
                return Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "%1 is a link to %2, which leads nowhere")),
                           name.toStdString(), link);
            }
        }
        std::string why;
        if (entry.st_uid != ::geteuid())
            why = Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "a file of another user: %1")), UserText(entry.st_uid));
        else if (*suffix != '\0' && !S_ISREG(entry.st_mode))
            why = Tr(QT_TRANSLATE_NOOP("MainDb", "not a regular file"));
        else
            continue;
        if (link.empty())
            return Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "%1 is %2")), name.toStdString(), why);
        return Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "%1 is a link to %2, %3")), name.toStdString(), link, why);
    }
    return std::string();
}

// Why the entry at the database's place must not be opened at all; empty when SQLite may try it. A link
// whose file cannot be reached (its volume not mounted) is refused with where it points: the database is
// there, only out of reach. An empty file at the database's place is a database lost (a full disk, a failed
// copy), not a new installation: starting over it would hide the loss. A file without write permission would
// run read-only and fail at the first save; the owner's permission bits decide, since a privileged user may
// write any file.
std::string RefusalBeforeOpen(const QByteArray& path, MAIN_DB_REFUSAL* kind)
{
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0) {
        const int error = errno;
        char target[4096] = {};
        const ssize_t length = ::readlink(path.constData(), target, sizeof(target) - 1);
        if (length < 0)
            return Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "the file cannot be reached: %1")),
                       std::strerror(error));
        return Arg(Tr(QT_TRANSLATE_NOOP("MainDb", "the file is a link to %1, which cannot be reached: %2")),
                   std::string(target, size_t(length)), std::strerror(error));
    }
    if (!S_ISREG(info.st_mode))
        return Tr(QT_TRANSLATE_NOOP("MainDb", "not a regular file"));
    if (info.st_size == 0) {
        *kind = MAIN_DB_EMPTY_FILE;
        return Tr(QT_TRANSLATE_NOOP("MainDb", "the file is empty"));
    }
    if ((info.st_mode & S_IWUSR) == 0 || ::access(path.constData(), W_OK) != 0)
        return Tr(QT_TRANSLATE_NOOP("MainDb", "the file is read-only"));
    return std::string();
}

void RemoveWithCompanions(const QByteArray& path)
{
    for (const char* suffix : kCompanions)
        ::unlink((path + suffix).constData());
}

// A first start builds the database under a name of its own and gives it the database's name only once it
// holds every table and default row: a start that fails on the way (a full disk, a kill) leaves no empty or
// half-made file at the database's place, which the next start would refuse as a lost database, so that
// start is a first start again. What a failed build left is removed here.
void CreateMainDatabase(const QByteArray& path)
{
    const QByteArray building = path + ".new";
    RemoveWithCompanions(building);
    try {
        CSQLite3DB db;
        db.Open(building.toStdString());
        RestrictToOwner(building);
        EnsureSchema(db);
        db.Close();
    } catch (const CSQlite3Error&) {
        RemoveWithCompanions(building);
        throw;
    }
    if (::rename(building.constData(), path.constData()) != 0) {
        const int error = errno;
        RemoveWithCompanions(building);
        throw CSQlite3Error(SQLITE_CANTOPEN,
                            std::string("the new file cannot be named: ") + std::strerror(error));
    }
}

void UseWriteAheadJournal(CSQLite3DB& db)
{
    db.Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
}

} // namespace

void AcceptMainDB()
{
    CSQLite3DB& db = GetMainDB();
    auto lock = db.Lock();
    if (!db.IsOpen())
        return;
    try {
        UseWriteAheadJournal(db);
    } catch (const CSQlite3Error& e) {
        // The rollback journal keeps every change safe too, only slower.
        qWarning("The database stays in the rollback journal: %s", e.what());
    }
}

CSQLite3DB& GetMainDB()
{
    MainDbState& state = MainState();
    if (!state.tried.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(state.openMutex);
        if (!state.tried.load(std::memory_order_relaxed) && !state.shutDown) {
            auto lock = state.db.Lock();
            state.error.clear();
            state.refusal = MAIN_DB_OPEN;
            const QByteArray path = GetAbsolutePath(QStringLiteral("Varrow.db")).toUtf8();
            MAIN_DB_REFUSAL kind = MAIN_DB_UNUSABLE;
            try {
                // Only no entry at all is a first start. The look does not follow a link: a link to a file
                // out of reach is a database that is there, and a new one renamed over it would take its
                // place.
                struct stat entry = {};
                bool created = false;
                if (const std::string foreign = ForeignCompanion(path); !foreign.empty())
                    throw CSQlite3Error(SQLITE_CANTOPEN, foreign);
                if (::lstat(path.constData(), &entry) != 0 && errno == ENOENT) {
                    kind = MAIN_DB_NOT_CREATED;
                    CreateMainDatabase(path);
                    kind = MAIN_DB_UNUSABLE;
                    created = true;
                } else if (const std::string refusal = RefusalBeforeOpen(path, &kind); !refusal.empty()) {
                    throw CSQlite3Error(SQLITE_CANTOPEN, refusal);
                }
                state.db.Open(path.toStdString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX);
                // Nothing is written before the file is accepted: the schema check refuses a file it cannot
                // use before it changes anything. The journal mode, which rewrites the file's header, changes
                // at once only for a file just made; an existing one keeps its mode until the model has read
                // it whole (AcceptMainDB), so that a file damaged inside is refused exactly as it was.
                EnsureSchema(state.db);
                RestrictToOwner(path);
                if (created)
                    UseWriteAheadJournal(state.db);
            } catch (const CSQlite3Error& e) {
                // Not usable: close it, so that every operation reports failure instead of running on a
                // file without its tables or columns.
                state.refusal = kind;
                state.error = path.toStdString() + ": " + e.what();
                qWarning("The database %s cannot be used: %s", path.constData(), e.what());
                state.db.Close();
            }
            state.tried.store(true, std::memory_order_release);
        }
    }
    return state.db;
}

std::string MainDbError()
{
    MainDbState& state = MainState();
    GetMainDB();
    std::lock_guard<std::mutex> guard(state.openMutex);
    return state.error;
}

MAIN_DB_REFUSAL MainDbRefusal()
{
    MainDbState& state = MainState();
    GetMainDB();
    std::lock_guard<std::mutex> guard(state.openMutex);
    return state.refusal;
}

void CloseMainDB()
{
    MainDbState& state = MainState();
    std::lock_guard<std::mutex> guard(state.openMutex);
    state.db.Close();
    state.shutDown = false;
    state.error.clear();
    state.refusal = MAIN_DB_OPEN;
    state.tried.store(false, std::memory_order_release);
}

void ShutdownMainDB()
{
    MainDbState& state = MainState();
    std::lock_guard<std::mutex> guard(state.openMutex);
    // The file alone must hold everything: whoever copies or moves it without its journal keeps it all.
    try {
        state.db.Exec("PRAGMA wal_checkpoint(TRUNCATE);");
    } catch (const CSQlite3Error& e) {
        qWarning("The database could not be checkpointed at exit: %s", e.what());
    }
    state.db.Close();
    state.shutDown = true;
    state.tried.store(true, std::memory_order_release);
}

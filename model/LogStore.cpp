#include "model/LogStore.h"

#include "model/DbAccess.h"
#include "model/DbGuard.h"
#include "model/DbText.h"
#include "model/TextConvert.h"

#include <QDateTime>

namespace {

void InsertLog(CSQLite3DB& db, const LOG_INFO& info)
{
    DbRun(db, "INSERT INTO Log_Table (LogTime,LogType,LogSubType,LogContents) VALUES (?,?,?,?);",
          {FormatDateTimeText(info.LogTime), info.LogType, info.LogSubType, info.LogContents});
}

int CountLog(CSQLite3DB& db)
{
    CSQLite3Recordset rs;
    DbSelect(db, "SELECT COUNT(*) FROM Log_Table;", rs);
    return rs.IsEof() ? -1 : rs.GetInt(0);
}

void DeleteOldestLog(CSQLite3DB& db)
{
    DbRun(db, "DELETE FROM Log_Table WHERE LogTime = (SELECT MIN(LogTime) from Log_Table);");
}

} // namespace

int WriteLog(int type, int subtype, const QString& text)
{
    if (type == -1 || subtype == -1)
        return -1;
    LOG_INFO info;
    info.LogTime = QDateTime::currentSecsSinceEpoch();
    info.LogType = type;
    info.LogSubType = subtype;
    CopyString200(info.LogContents, QStringToStdString(text));

    // The insert and the pruning are one unit under the connection's lock, so two writers never both prune,
    // and one commit serves the three statements. A failed pruning keeps the entry.
    const bool stored = DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        InsertLog(db, info);
        try {
            if (CountLog(db) >= LOG_MAX_ROWS)
                DeleteOldestLog(db);
        } catch (const CSQlite3Error&) {
        }
        transaction.Commit();
        return true;
    });
    if (!stored)
        return 0;
    return 1;
}

void SearchLog(std::vector<LOG_INFO>* out, int type, int64_t from, int64_t to)
{
    DbSelectLogInfo(out, type, from, to);
}

bool DbInsertLogInfo(const LOG_INFO* info)
{
    if (info == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        InsertLog(db, *info);
        return true;
    });
}

int DbGetLogCount()
{
    int count = -1;
    DbGuarded([&](CSQLite3DB& db) {
        count = CountLog(db);
        return true;
    });
    return count;
}

bool DbDeleteOldestLog()
{
    return DbGuarded([&](CSQLite3DB& db) {
        DeleteOldestLog(db);
        return true;
    });
}

bool DbSelectLogInfo(std::vector<LOG_INFO>* out, int type, int64_t from, int64_t to)
{
    if (out == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        const std::string fromText = FormatDateTimeText(from);
        const std::string toText = FormatDateTimeText(to);
        if (type == 0)
            DbSelect(db,
                     "SELECT * FROM Log_Table WHERE LogTime >= ? AND LogTime <= ? ORDER BY LogTime, rowid",
                     rs, {fromText, toText});
        else
            DbSelect(db,
                     "SELECT * FROM Log_Table WHERE LogTime >= ? AND LogTime <= ? AND LogType = ? ORDER BY "
                     "LogTime, "
                     "rowid;",
                     rs, {fromText, toText, type});
        std::vector<LOG_INFO> read;
        for (; !rs.IsEof(); rs.Next()) {
            LOG_INFO info;
            info.LogTime = rs.GetDateTime(0);
            info.LogType = rs.GetInt(1);
            info.LogSubType = rs.GetInt(2);
            CopyString200(info.LogContents, rs.GetString(3));
            read.push_back(info);
        }
        out->insert(out->end(), read.begin(), read.end());
        return true;
    });
}

#include "model/LogStore.h"

#include "model/DbAccess.h"
#include "model/DbGuard.h"
#include "model/DbText.h"
#include "model/LogText.h"
#include "model/TextConvert.h"

#include <QDateTime>

#include <algorithm>

namespace {

void InsertLog(CSQLite3DB& db, const LOG_INFO& info)
{
    DbRun(db, "INSERT INTO Log_Table (LogTime,LogType,LogSubType,LogContents) VALUES (?,?,?,?);",
          {FormatDateTimeText(info.LogTime), info.LogType, info.LogSubType, info.LogContents});
}

// The text as a row holds it: control characters written out, then cut to the row's bytes.
void SetContents(char (&field)[200], const QString& text)
{
    CopyString200(field, QStringToStdString(EscapeControls(text)));
}

// Bytes that may stand for a control or format character: every byte outside printable ASCII.
bool MayHoldControls(const std::string& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte >= 0x7F;
    });
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
    return WriteLogRow(type, subtype, text) >= 0 ? 1 : 0;
}

int64_t WriteLogRow(int type, int subtype, const QString& text)
{
    if (type == -1 || subtype == -1)
        return -1;
    LOG_INFO info;
    info.LogTime = QDateTime::currentSecsSinceEpoch();
    info.LogType = type;
    info.LogSubType = subtype;
    SetContents(info.LogContents, text);

    // The insert and the pruning are one unit under the connection's lock, so two writers never both prune,
    // and one commit serves the three statements. A failed pruning keeps the entry.
    int64_t row = -1;
    const bool stored = DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        InsertLog(db, info);
        row = db.LastInsertRowId();
        try {
            if (CountLog(db) >= LOG_MAX_ROWS)
                DeleteOldestLog(db);
        } catch (const CSQlite3Error&) {
        }
        transaction.Commit();
        return true;
    });
    return stored ? row : -1;
}

bool UpdateLogRow(int64_t row, const QString& text)
{
    char contents[200];
    SetContents(contents, text);
    const std::string now = FormatDateTimeText(QDateTime::currentSecsSinceEpoch());
    bool updated = false;
    DbGuarded([&](CSQLite3DB& db) {
        DbRun(db, "UPDATE Log_Table SET LogTime = ?, LogContents = ? WHERE rowid = ?;",
              {now, std::string(contents), row});
        updated = db.Changes() == 1;
        return true;
    });
    return updated;
}

void SearchLog(std::vector<LOG_INFO>* out, int type, int64_t from, int64_t to)
{
    DbSelectLogInfo(out, type, from, to);
}

bool DbInsertLogInfo(const LOG_INFO* info)
{
    if (info == nullptr)
        return false;
    LOG_INFO row = *info;
    SetContents(row.LogContents, LocalToQString(info->LogContents));
    return DbGuarded([&](CSQLite3DB& db) {
        InsertLog(db, row);
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
            const std::string contents = rs.GetString(3);
            if (MayHoldControls(contents))
                SetContents(info.LogContents,
                            QString::fromLocal8Bit(contents.data(), qsizetype(contents.size())));
            else
                CopyString200(info.LogContents, contents);
            read.push_back(info);
        }
        out->insert(out->end(), read.begin(), read.end());
        return true;
    });
}

#include "model/TaskStore.h"

#include "model/DbGuard.h"
#include "model/DbText.h"

namespace {

bool IsList(int group, int isPast)
{
    return group >= 0 && group <= MANUAL_GROUP_ID && (isPast == 0 || isPast == 1);
}

std::string TaskTimeText(const QDate& date)
{
    NET_DVR_TIME t;
    if (date.isValid()) {
        t.Year = uint32_t(date.year());
        t.Month = uint32_t(date.month());
        t.Day = uint32_t(date.day());
    }
    return FormatDateTimeText(t);
}

void InsertFile(CSQLite3DB& db, const FILE_INFO& f, int group, int position, int isPast)
{
    DbRun(db,
          "INSERT INTO FileInfo_Table (FileStartTime,FileStopTime,FileType,DownloadState,FileSize,GroupID,"
          "CameraIndex,IsPast) VALUES (?,?,?,?,?,?,?,?);",
          {FormatDateTimeText(f.FileStartTime), FormatDateTimeText(f.FileStopTime), f.FileType,
           f.DownloadState, f.FileSize, group, position, isPast});
}

void InsertTask(CSQLite3DB& db, const TASK_INFO& task, int isPast)
{
    DbRun(db,
          "INSERT INTO TaskInfo_Table (TaskTime,GroupID,CameraIndex,DownloadState,TotalChannelSize,IsPast) "
          "VALUES "
          "(?,?,?,?,?,?);",
          {TaskTimeText(task.TaskTime), task.GroupID, task.CameraIndex, task.DownloadState,
           task.TotalChannelSize, isPast});
    for (const FILE_INFO& file : task.FileList)
        InsertFile(db, file, task.GroupID, task.CameraIndex, isPast);
}

void DeleteList(CSQLite3DB& db, int group, int isPast)
{
    DbRun(db, "DELETE FROM TaskInfo_Table WHERE GroupID = ? AND IsPast = ?", {group, isPast});
    DbRun(db, "DELETE FROM FileInfo_Table WHERE GroupID = ? AND IsPast = ?", {group, isPast});
}

void SelectFiles(CSQLite3DB& db, QList<FILE_INFO>* files, int group, int position, int isPast)
{
    CSQLite3Recordset rs;
    DbSelect(
        db,
        "SELECT * FROM FileInfo_Table WHERE GroupID = ? AND CameraIndex = ? AND IsPast = ? ORDER BY rowid;",
        rs, {group, position, isPast});
    for (; !rs.IsEof(); rs.Next()) {
        FILE_INFO f;
        ParseDateTimeText(rs.GetString(0), &f.FileStartTime);
        ParseDateTimeText(rs.GetString(1), &f.FileStopTime);
        f.FileType = uint8_t(rs.GetInt(2) & 0xFF);
        f.DownloadState = int16_t(rs.GetInt(3));
        f.FileSize = rs.GetInt64(4);
        files->append(f);
    }
}

} // namespace

bool DbInsertTaskInfo(const TASK_INFO* task, int isPast)
{
    if (task == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        InsertTask(db, *task, isPast);
        transaction.Commit();
        return true;
    });
}

bool DbInsertFileInfo(const FILE_INFO* file, int group, int position, int isPast)
{
    if (file == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        InsertFile(db, *file, group, position, isPast);
        return true;
    });
}

bool DbDeleteTaskList(int group, int isPast)
{
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DeleteList(db, group, isPast);
        transaction.Commit();
        return true;
    });
}

bool DbSaveTaskList(const QList<TASK_INFO>& list, int group, int isPast)
{
    if (!IsList(group, isPast))
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CDbTransaction transaction(db);
        DeleteList(db, group, isPast);
        for (const TASK_INFO& task : list) {
            // A task of another list would be stored under the wrong key and come back in neither.
            if (task.GroupID != group)
                throw CSQlite3Error(SQLITE_MISMATCH, "task of plan " + std::to_string(task.GroupID) +
                                                         " in the list of plan " + std::to_string(group));
            InsertTask(db, task, isPast);
        }
        transaction.Commit();
        return true;
    });
}

bool DbSelectTaskInfo(QList<TASK_INFO>* list, int group, int isPast)
{
    if (list == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        CSQLite3Recordset rs;
        DbSelect(db, "SELECT * FROM TaskInfo_Table WHERE GroupID = ? AND IsPast = ? ORDER BY rowid;", rs,
                 {group, isPast});
        QList<TASK_INFO> read;
        for (; !rs.IsEof(); rs.Next()) {
            TASK_INFO task;
            NET_DVR_TIME t;
            if (ParseDateTimeText(rs.GetString(0), &t))
                task.TaskTime = QDate(int(t.Year), int(t.Month), int(t.Day));
            task.GroupID = int16_t(rs.GetInt(1));
            task.CameraIndex = int16_t(rs.GetInt(2));
            task.DownloadState = int16_t(rs.GetInt(3));
            task.TotalChannelSize = rs.GetInt64(4);
            read.append(task);
        }
        rs.Close();
        for (TASK_INFO& task : read)
            SelectFiles(db, &task.FileList, task.GroupID, task.CameraIndex, isPast);
        list->append(read);
        return true;
    });
}

bool DbSelectFileInfo(QList<FILE_INFO>* files, int group, int position, int isPast)
{
    if (files == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        QList<FILE_INFO> read;
        SelectFiles(db, &read, group, position, isPast);
        files->append(read);
        return true;
    });
}

bool DbSetFileDownloaded(NET_DVR_TIME start, NET_DVR_TIME stop, int group, int position, int isPast)
{
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db,
              "UPDATE FileInfo_Table SET DownloadState = 2 WHERE GroupID = ? AND CameraIndex = ? AND IsPast "
              "= ? AND "
              "FileStartTime = ? AND FileStopTime = ?",
              {group, position, isPast, FormatDateTimeText(start), FormatDateTimeText(stop)});
        return true;
    });
}

bool DbUpdateTaskState(const TASK_INFO* task, int isPast)
{
    if (task == nullptr)
        return false;
    return DbGuarded([&](CSQLite3DB& db) {
        DbRun(db,
              "UPDATE TaskInfo_Table SET DownloadState = ? WHERE GroupID = ? AND CameraIndex = ? AND IsPast "
              "= ?",
              {task->DownloadState, task->GroupID, task->CameraIndex, isPast});
        return true;
    });
}

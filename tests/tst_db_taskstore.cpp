// Saved work lists: a restart must give back the same tasks and files in the same order, a save replaces only
// its own list, and a done mark hits exactly one file.

#include "model/DbText.h"
#include "model/TaskStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

class TestTaskStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listRoundTripsInOrder();
    void saveReplacesOnlyItsListAndFailsWhole();
    void doneMarkHitsOneFile();

private:
    static QList<TASK_INFO> MakeList(int group, int tasks);
};

QList<TASK_INFO> TestTaskStore::MakeList(int group, int tasks)
{
    QList<TASK_INFO> list;
    for (int t = 0; t < tasks; ++t) {
        TASK_INFO task;
        task.TaskTime = QDate(2024, 3, 31);
        task.GroupID = int16_t(group);
        task.CameraIndex = int16_t(tasks - t); // positions saved out of order
        task.DownloadState = int16_t(t % 3);
        task.TotalChannelSize = (int64_t(1) << 40) + t;
        for (int f = 0; f < 2; ++f) {
            FILE_INFO file;
            ParseDateTimeText(f == 0 ? "2024-03-31 02:10:00" : "2024-03-31 01:00:00", &file.FileStartTime);
            ParseDateTimeText(f == 0 ? "2024-03-31 02:50:00" : "2024-03-31 01:59:59", &file.FileStopTime);
            file.FileType = uint8_t(f + 1);
            file.FileSize = 1000 * (t + 1) + f;
            task.FileList.append(file);
        }
        list.append(task);
    }
    return list;
}

void TestTaskStore::listRoundTripsInOrder()
{
    CTempDatabase temp;
    const QList<TASK_INFO> list = MakeList(3, 3);
    QVERIFY(DbSaveTaskList(list, 3, 0));
    temp.Reopen();
    QList<TASK_INFO> read;
    QVERIFY(DbSelectTaskInfo(&read, 3, 0));
    QCOMPARE(read.size(), 3);
    for (int t = 0; t < 3; ++t) {
        QCOMPARE(read[t].TaskTime, list[t].TaskTime);
        QCOMPARE(read[t].CameraIndex, list[t].CameraIndex);
        QCOMPARE(read[t].DownloadState, list[t].DownloadState);
        QCOMPARE(read[t].TotalChannelSize, list[t].TotalChannelSize); // above 4 GiB
        QCOMPARE(read[t].FileList.size(), 2);
        const FILE_INFO& a = read[t].FileList[1];
        const FILE_INFO& b = list[t].FileList[1];
        QCOMPARE(FormatDateTimeText(a.FileStartTime) + FormatDateTimeText(a.FileStopTime),
                 FormatDateTimeText(b.FileStartTime) + FormatDateTimeText(b.FileStopTime));
        QCOMPARE(a.FileType * 100000 + a.FileSize, b.FileType * 100000 + b.FileSize);
    }
}

void TestTaskStore::saveReplacesOnlyItsListAndFailsWhole()
{
    CTempDatabase temp;
    QVERIFY(DbSaveTaskList(MakeList(4, 2), 4, 0));
    QVERIFY(DbSaveTaskList(MakeList(4, 2), 4, 1));
    QVERIFY(DbSaveTaskList(MakeList(5, 1), 5, 1));
    QVERIFY(DbSaveTaskList(MakeList(MANUAL_GROUP_ID, 1), MANUAL_GROUP_ID, 0));
    QVERIFY(DbSaveTaskList(MakeList(4, 1), 4, 1));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4 AND IsPast = 1"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table"), 5);
    QVERIFY(!DbSaveTaskList(MakeList(4, 1), 33, 0));

    // A failing insert keeps the list as it was instead of leaving it empty or doubled.
    GetMainDB().Exec("CREATE TRIGGER refuse BEFORE INSERT ON FileInfo_Table WHEN NEW.FileSize = 2001 "
                     "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    QVERIFY(!DbSaveTaskList(MakeList(4, 3), 4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 4);
    QVERIFY(DbDeleteTaskList(4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 0);
}

void TestTaskStore::doneMarkHitsOneFile()
{
    CTempDatabase temp;
    QList<TASK_INFO> list = MakeList(1, 2);
    QVERIFY(DbSaveTaskList(list, 1, 0));
    QVERIFY(DbSaveTaskList(list, 1, 1)); // same times in the overdue list
    const FILE_INFO& file = list[0].FileList[0];
    QVERIFY(DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, 1, list[0].CameraIndex, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 1);
    QList<FILE_INFO> files;
    QVERIFY(DbSelectFileInfo(&files, 1, list[0].CameraIndex, 0));
    QCOMPARE(files[0].DownloadState, int16_t(DOWNLOAD_DONE));
    QCOMPARE(files[1].DownloadState, int16_t(DOWNLOAD_NOT_STARTED));

    list[1].DownloadState = DOWNLOAD_DONE;
    QVERIFY(DbUpdateTaskState(&list[1], 1));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE DownloadState = 2"), 1);
}

VARROW_TEST_MAIN(TestTaskStore, QCoreApplication)
#include "tst_db_taskstore.moc"

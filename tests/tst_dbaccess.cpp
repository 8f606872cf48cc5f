// The configuration, work-list and log statements on a real database file: what is saved comes back the
// same, in the same order, and a failure keeps the previous rows and is reported.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/LogStore.h"
#include "model/TaskStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

class TestDbAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deviceRoundTripsAndFailsWhole();
    void settingsFailureKeepsOldRow();
    void plansKeepChannelOrder();
    void importReadsByNameAndSkipsWhatCannotBeStored();
    void taskListsFailWholeAndMarkOneFile();
    void logCutsWholeCharactersAndPrunesOldestSecond();
    void logLosesNothingFromFourThreads();
    void logSearchFindsItsRangeOrFails();
};

namespace {

DEVICE_INFO MakeDevice(int index, const char* name)
{
    DEVICE_INFO d;
    d.IsUsed = 1;
    CopyString16(d.DeviceIP, "10.0.0.1");
    CopyString33(d.DeviceName, name);
    CopyString256(d.Password, "pa'ss");
    d.Port = 8000;
    d.CameraNum = 4;
    for (int i = 0; i < 4; ++i)
        d.Camera[i] = {int16_t(index), int16_t(i + 1)};
    return d;
}

// A work list of `tasks` tasks of two files each, saved out of channel order.
QList<TASK_INFO> MakeTaskList(int group, int tasks)
{
    QList<TASK_INFO> list;
    for (int t = 0; t < tasks; ++t) {
        TASK_INFO task;
        task.TaskTime = QDate(2024, 3, 31);
        task.GroupID = int16_t(group);
        task.CameraIndex = int16_t(tasks - t);
        task.TotalChannelSize = (int64_t(1) << 40) + t;
        for (int f = 0; f < 2; ++f) {
            FILE_INFO file;
            ParseDateTimeText(f == 0 ? "2024-03-31 02:10:00" : "2024-03-31 01:00:00", &file.FileStartTime);
            ParseDateTimeText(f == 0 ? "2024-03-31 02:50:00" : "2024-03-31 01:59:59", &file.FileStopTime);
            file.FileSize = 1000 * (t + 1) + f;
            task.FileList.append(file);
        }
        list.append(task);
    }
    return list;
}

} // namespace

void TestDbAccess::deviceRoundTripsAndFailsWhole()
{
    CTempDatabase temp;
    DEVICE_INFO d = MakeDevice(7, "Gate's 'north'");
    QVERIFY(DbInsertDeviceInfo(7, &d));
    QVERIFY(!DbInsertDeviceInfo(1024, &d));
    temp.Reopen();
    DEVICE_INFO read;
    QVERIFY(DbSelectDeviceInfo(7, &read));
    QCOMPARE(QByteArray(read.DeviceName) + read.Password, QByteArray("Gate's 'north'pa'ss"));
    QVERIFY(DbDeleteDeviceInfo(7));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 0);

    // A channel row that already exists makes the third channel fail: neither the device nor its first
    // channels may stay behind.
    CAMERA_INFO stale = d.Camera[2];
    stale.DeviceID = 3;
    QVERIFY(DbInsertCameraInfo(&stale));
    d = MakeDevice(3, "Yard");
    QVERIFY(!DbInsertDeviceInfo(3, &d));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 1);
}

void TestDbAccess::settingsFailureKeepsOldRow()
{
    CTempDatabase temp;
    SYSTEM_CONFIG c;
    CopyString44(c.OSUsername, "it's me");
    CopyString44(c.OSPassword, "'; DROP TABLE Log_Table; --");
    c.ReconnetNum = 4;
    QVERIFY(DbSaveSystemConfig(&c));
    Refuse("INSERT", "SystemConfig_Table");
    SYSTEM_CONFIG other;
    QVERIFY(!DbSaveSystemConfig(&other));

    temp.Reopen();
    SYSTEM_CONFIG read;
    QVERIFY(DbSelectSystemConfig(&read));
    QCOMPARE(QByteArray(read.OSUsername) + read.OSPassword, QByteArray("it's me'; DROP TABLE Log_Table; --"));
    QCOMPARE(read.ReconnetNum, 4);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 1);
}

void TestDbAccess::plansKeepChannelOrder()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero");
    DEVICE_INFO d1 = MakeDevice(1, "One");
    QVERIFY(DbInsertDeviceInfo(0, &d0) && DbInsertDeviceInfo(1, &d1));
    // Saved as channel 3 of device 1, then channel 2 of device 0: the task lists name channels by this place,
    // so it must come back in this order although device 0's rows come first in the table.
    GROUP_INFO g;
    g.bUsed = 1;
    CopyString33(g.GroupName, "Night's plan");
    g.Channel[0] = {1, 3};
    g.Channel[1] = {0, 2};
    g.Schedule[3].IsEanbel = 1;
    g.Schedule[3].TaskStartTime = {9, 5, 0};
    QVERIFY(DbSaveGroupInfo(5, &g));
    // Another plan taking channel 2 of device 0 takes it away from plan 5.
    GROUP_INFO other;
    other.bUsed = 1;
    other.Channel[0] = {0, 2};
    QVERIFY(DbSaveGroupInfo(6, &other));
    // The manual plan keeps its own order, and a time inside a daylight-saving gap in Europe.
    MANUAL_BACKUP_INFO m;
    ParseDateTimeText("2024-03-31 02:30:00", &m.FileStartTime);
    m.Channel[0] = {1, 4};
    m.Channel[1] = {0, 1};
    QVERIFY(DbSaveManualBackupInfo(&m));

    temp.Reopen();
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(5, &read));
    QCOMPARE(QByteArray(read.GroupName), QByteArray("Night's plan"));
    QCOMPARE(read.Channel[0].DeviceID * 10 + read.Channel[0].CameraIndex, 13);
    QVERIFY(read.Channel[1].IsEmpty());
    QCOMPARE(read.Schedule[3].IsEanbel * 100 + read.Schedule[3].TaskStartTime.Hour * 10 +
                 read.Schedule[3].TaskStartTime.Minute,
             195u);
    MANUAL_BACKUP_INFO manual;
    QVERIFY(DbSelectManualBackupInfo(&manual));
    QCOMPARE(FormatDateTimeText(manual.FileStartTime), std::string("2024-03-31 02:30:00"));
    QCOMPARE(manual.Channel[0].DeviceID * 10 + manual.Channel[0].CameraIndex, 14);
    QCOMPARE(manual.Channel[1].DeviceID * 10 + manual.Channel[1].CameraIndex, 1);
}

void TestDbAccess::importReadsByNameAndSkipsWhatCannotBeStored()
{
    CTempDatabase temp;
    QTemporaryDir dir;
    CSQLite3DB foreign;
    foreign.Open(QFile::encodeName(dir.filePath("import.db")).toStdString());
    // Rows with a port out of range or a text longer than its field are skipped, never stored cut.
    foreign.Exec("CREATE TABLE TInfo_Device (Extra, Name, Address, Port, UserName, UserPwd, More);"
                 "INSERT INTO TInfo_Device VALUES (1, 'Hall''s', '10.1.1.1', 8000, 'u', 'p''w', 0);"
                 "INSERT INTO TInfo_Device VALUES (2, 'Bad port', '10.1.1.2', 70000, 'u', 'p', 0);"
                 "INSERT INTO TInfo_Device VALUES (3, 'Long user', '10.1.1.3', 9000, '" +
                 std::string(32, 'u') +
                 "', 'p', 0);"
                 "INSERT INTO TInfo_Device VALUES (4, 'Roof', '10.1.1.4', 9000, 'u', 'p', 0);");
    std::vector<DEVICE_INFO> devices;
    QVERIFY(DbSelectTInfoDevice(dir.filePath("import.db"), &devices));
    QCOMPARE(devices.size(), size_t(2));
    QCOMPARE(QByteArray(devices[0].DeviceName) + devices[0].Password + devices[1].DeviceName,
             QByteArray("Hall'sp'wRoof"));
}

void TestDbAccess::taskListsFailWholeAndMarkOneFile()
{
    CTempDatabase temp;
    const QList<TASK_INFO> list = MakeTaskList(3, 3);
    QVERIFY(DbSaveTaskList(list, 3, 0));
    temp.Reopen();
    QList<TASK_INFO> read;
    QVERIFY(DbSelectTaskInfo(&read, 3, 0));
    QCOMPARE(read.size(), 3);
    for (int t = 0; t < 3; ++t) {
        QCOMPARE(read[t].CameraIndex, list[t].CameraIndex);
        QCOMPARE(read[t].TotalChannelSize, list[t].TotalChannelSize); // above 4 GiB
        QCOMPARE(read[t].FileList.size(), 2);
        QCOMPARE(FormatDateTimeText(read[t].FileList[1].FileStopTime), std::string("2024-03-31 01:59:59"));
    }

    // A failing insert keeps the list as it was instead of leaving it empty or doubled.
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 2), 4, 0));
    Refuse("INSERT", "FileInfo_Table", "WHEN NEW.FileSize = 2001");
    QVERIFY(!DbSaveTaskList(MakeTaskList(4, 3), 4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4"), 4);
    AllowAll();

    // A done mark hits exactly one file, although the overdue list holds the same times.
    QVERIFY(DbSaveTaskList(list, 3, 1));
    const FILE_INFO& file = list[0].FileList[0];
    QVERIFY(DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, 3, list[0].CameraIndex, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 3 AND DownloadState = 2"), 1);
    QList<FILE_INFO> files;
    QVERIFY(DbSelectFileInfo(&files, 3, list[0].CameraIndex, 0));
    QCOMPARE(files[0].DownloadState * 10 + files[1].DownloadState, DOWNLOAD_DONE * 10 + DOWNLOAD_NOT_STARTED);
}

void TestDbAccess::logCutsWholeCharactersAndPrunesOldestSecond()
{
    CTempDatabase temp;
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE, QString(300, QLatin1Char('a'))), 1);
    // 198 ASCII bytes then a two-byte character: 200 bytes do not fit, the character goes whole.
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, QString(198, QLatin1Char('b')) + QChar(0xE9)),
             1);
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, QDateTime::currentSecsSinceEpoch() + 1);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(QByteArray(rows[0].LogContents), QByteArray(199, 'a'));
    QCOMPARE(QByteArray(rows[1].LogContents), QByteArray(198, 'b'));

    // 30,000 rows of which three share the oldest second: the next entry drops all three.
    const int64_t first = 1600000000;
    GetMainDB().Exec("DELETE FROM Log_Table");
    {
        CDbTransaction transaction(GetMainDB());
        for (int i = 0; i < LOG_MAX_ROWS; ++i)
            GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'old')",
                             {FormatDateTimeText(first + std::max(i, 2))});
        transaction.Commit();
    }
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 2);
    QCOMPARE(
        CountRows("SELECT COUNT(*) FROM Log_Table WHERE LogTime = '" + FormatDateTimeText(first + 3) + "'"),
        1);
    // A refused entry is reported as not written.
    Refuse("INSERT", "Log_Table");
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, "Close Software"), 0);
}

void TestDbAccess::logLosesNothingFromFourThreads()
{
    CTempDatabase temp;
    std::atomic<int> stored{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &stored] {
            for (int i = 0; i < 250; ++i)
                stored += WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_CONNECT_DEVICE,
                                   QStringLiteral("%1 %2").arg(t).arg(i));
        });
    for (auto& thread : threads)
        thread.join();
    QCOMPARE(stored.load(), 1000);
    QCOMPARE(CountRows("SELECT COUNT(DISTINCT LogContents) FROM Log_Table"), 1000);
}

void TestDbAccess::logSearchFindsItsRangeOrFails()
{
    CTempDatabase temp;
    const int64_t ten = QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0), Qt::LocalTime).toSecsSinceEpoch();
    LOG_INFO entry;
    entry.LogSubType = LOG_SUB_START_MANUAL;
    for (int64_t t : {ten - 1, ten, ten, ten + 1}) {
        entry.LogTime = t;
        // The two entries of 10:00:00 are an exception, then an operation.
        entry.LogType =
            t == ten && entry.LogType != LOG_TYPE_EXCEPTION ? LOG_TYPE_EXCEPTION : LOG_TYPE_OPERATION;
        QVERIFY(DbInsertLogInfo(&entry));
    }
    std::vector<LOG_INFO> rows;
    QVERIFY(DbSelectLogInfo(&rows, 0, ten, ten));
    QCOMPARE(rows.size(), size_t(2));
    rows.clear();
    QVERIFY(DbSelectLogInfo(&rows, LOG_TYPE_EXCEPTION, ten - 10, ten + 10));
    QCOMPARE(rows.size(), size_t(1));
    // A row that fails while being read fails the search; nothing half is handed out.
    GetMainDB().Exec(
        "ALTER TABLE Log_Table RENAME TO Log_Old; CREATE VIEW Log_Table AS SELECT LogTime, LogType, "
        "CASE WHEN LogType = 2 THEN abs(-9223372036854775807 - 1) ELSE LogSubType END, LogContents "
        "FROM Log_Old;");
    rows.clear();
    QVERIFY(!DbSelectLogInfo(&rows, 0, ten - 10, ten + 10));
    QVERIFY(rows.empty());
}

VARROW_TEST_MAIN(TestDbAccess, QCoreApplication)
#include "tst_dbaccess.moc"

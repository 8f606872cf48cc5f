// The configuration and work-list statements on a real database file: what is saved comes back the same, in
// the same order, and a failure keeps the previous rows and is reported.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/TaskStore.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>

class TestDbAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundedCopies();
    void deviceRoundTripsAndFailsWhole();
    void settingsFailureKeepsOldRow();
    void planKeepsChannelOrderAndSchedule();
    void manualPlanKeepsOrderAndSwitchBack();
    void importReadsByNameAndSkipsWhatCannotBeStored();
    void taskListsRoundTripFailWholeAndMarkOneFile();
};

namespace {

DEVICE_INFO MakeDevice(int index, const char* name, int channels)
{
    DEVICE_INFO d;
    d.IsUsed = 1;
    CopyString16(d.DeviceIP, "10.0.0.1");
    CopyString33(d.DeviceName, name);
    CopyString256(d.Password, "pa'ss");
    d.Port = 8000;
    d.StartIP = 33;
    d.CameraNum = int16_t(channels);
    for (int i = 0; i < channels; ++i) {
        d.Camera[i].DeviceID = int16_t(index);
        d.Camera[i].CameraIndex = int16_t(i + 1);
        d.Camera[i].IsIP = i >= 2 ? 1 : 0;
    }
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

} // namespace

void TestDbAccess::boundedCopies()
{
    // A cut inside a character is tested with the log's texts; here the rest of the field and embedded zeros.
    char field[16];
    std::memset(field, 'x', sizeof(field));
    CopyString16(field, std::string("a\0bc", 4));
    QCOMPARE(std::string(field, 16), std::string("a") + std::string(15, '\0'));
}

void TestDbAccess::deviceRoundTripsAndFailsWhole()
{
    CTempDatabase temp;
    DEVICE_INFO d = MakeDevice(7, "Gate's 'north'", 4);
    QVERIFY(DbInsertDeviceInfo(7, &d));
    QVERIFY(!DbInsertDeviceInfo(1024, &d));
    temp.Reopen();
    DEVICE_INFO read;
    QVERIFY(DbSelectDeviceInfo(7, &read));
    // (Channel numbers, kinds and the first IP channel come back in the model's reload test.)
    QCOMPARE(QByteArray(read.DeviceName) + read.Password, QByteArray("Gate's 'north'pa'ss"));
    QCOMPARE(read.Camera[4].CameraIndex, int16_t(-1));
    DEVICE_INFO untouched;
    QVERIFY(DbSelectDeviceInfo(8, &untouched));
    QCOMPARE(untouched.CameraNum, int16_t(-1));

    QVERIFY(DbDeleteDeviceInfo(7));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 0);

    // A channel row that already exists makes the third channel fail: neither the device nor its first
    // channels may stay behind.
    CAMERA_INFO stale = d.Camera[2];
    stale.DeviceID = 3;
    QVERIFY(DbInsertCameraInfo(&stale));
    d = MakeDevice(3, "Yard", 4);
    QVERIFY(!DbInsertDeviceInfo(3, &d));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 1);
}

void TestDbAccess::settingsFailureKeepsOldRow()
{
    CTempDatabase temp;
    SYSTEM_CONFIG c;
    c.IsAutoRun = 1;
    CopyString44(c.OSUsername, "it's me");
    CopyString44(c.OSPassword, "'; DROP TABLE Log_Table; --");
    c.DiskMode = 1;
    CopyString26(c.Disk, "DE");
    c.IsEnableEmail = 1;
    c.ReconnetNum = 4;
    QVERIFY(DbSaveSystemConfig(&c));
    QVERIFY(DbSaveSystemConfig(&c));
    QVERIFY(DbUpdateBackupMode(1));
    Refuse("INSERT", "SystemConfig_Table");
    SYSTEM_CONFIG other;
    QVERIFY(!DbSaveSystemConfig(&other));

    temp.Reopen();
    SYSTEM_CONFIG read;
    QVERIFY(DbSelectSystemConfig(&read));
    QCOMPARE(QByteArray(read.OSUsername) + read.OSPassword + read.Disk,
             QByteArray("it's me'; DROP TABLE Log_Table; --DE"));
    QCOMPARE(read.BackupMode * 1000 + read.DiskMode * 100 + read.IsAutoRun * 10 + read.IsEnableEmail, 1111);
    QCOMPARE(read.ReconnetNum, 4);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Log_Table"), 0);
}

void TestDbAccess::planKeepsChannelOrderAndSchedule()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero", 4);
    DEVICE_INFO d1 = MakeDevice(1, "One", 4);
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
    g.Schedule[3].FileType = 2;
    QVERIFY(DbSaveGroupInfo(5, &g));
    QCOMPARE(
        CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5 AND TaskStartTime = '9:5:0'"),
        1);
    // Another plan taking channel 2 of device 0 takes it away from plan 5.
    GROUP_INFO other;
    other.bUsed = 1;
    CopyString33(other.GroupName, "Other");
    other.Channel[0] = {0, 2};
    QVERIFY(DbSaveGroupInfo(6, &other));

    temp.Reopen();
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(5, &read));
    QCOMPARE(QByteArray(read.GroupName), QByteArray("Night's plan"));
    QCOMPARE(read.Channel[0].DeviceID * 10 + read.Channel[0].CameraIndex, 13);
    QVERIFY(read.Channel[1].IsEmpty());
    const SCHEDULE_WEEKDAY& e = read.Schedule[3];
    QCOMPARE(e.IsEanbel * 1000 + e.TaskStartTime.Hour * 100 + e.TaskStartTime.Minute * 10 + e.FileType,
             1952u);
    QCOMPARE(read.Schedule[7].FileEndTime.Second, int16_t(59));

    // Saving again with the order reversed replaces the rows and the order.
    g.Channel[0] = {0, 1};
    g.Channel[1] = {1, 3};
    QVERIFY(DbSaveGroupInfo(5, &g));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5"), 8);
    std::vector<CHANNEL_REF> refs;
    QVERIFY(DbSelectGroupCameras(5, &refs));
    QCOMPARE(refs.size(), size_t(2));
    QCOMPARE(refs[0].DeviceID * 10 + refs[1].DeviceID, 1);

    QVERIFY(DbDeleteGroupInfo(5));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE GroupID = 5"), 0);
    // Schedule rows missing or beyond the eight entries (an earlier file): defaults, and the first eight.
    QVERIFY(DbInsertGroupInfo(2, 1, "Short"));
    SCHEDULE_WEEKDAY shortEntry;
    shortEntry.GroupID = 2;
    shortEntry.Duration = 3;
    QVERIFY(DbInsertScheduleWeekday(&shortEntry));
    QVERIFY(DbSelectGroupInfo(2, &read));
    QCOMPARE(read.Schedule[0].Duration, int16_t(3));
    QCOMPARE(read.Schedule[5].Duration, int16_t(6)); // missing entries: defaults of this plan
    QCOMPARE(read.Schedule[5].GroupID, int16_t(2));
    for (int i = 0; i < 10; ++i)
        QVERIFY(DbInsertScheduleWeekday(&shortEntry));
    std::vector<SCHEDULE_WEEKDAY> entries;
    QVERIFY(DbSelectScheduleWeekday(2, &entries));
    QCOMPARE(entries.size(), size_t(8));

    GROUP_INFO gone;
    QVERIFY(DbSelectGroupInfo(5, &gone));
    QCOMPARE(gone.bUsed, uint8_t(0));
}

void TestDbAccess::manualPlanKeepsOrderAndSwitchBack()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero", 4);
    DEVICE_INFO d1 = MakeDevice(1, "One", 4);
    QVERIFY(DbInsertDeviceInfo(0, &d0) && DbInsertDeviceInfo(1, &d1));
    MANUAL_BACKUP_INFO m;
    ParseDateTimeText("2024-03-31 02:30:00", &m.FileStartTime); // inside a daylight-saving gap in Europe
    ParseDateTimeText("2024-03-31 23:59:59", &m.FileEndTime);
    m.FileType = 1;
    m.IsChange = 1;
    m.Channel[0] = {1, 4};
    m.Channel[1] = {0, 1};
    QVERIFY(DbSaveManualBackupInfo(&m));

    temp.Reopen();
    MANUAL_BACKUP_INFO read;
    QVERIFY(DbSelectManualBackupInfo(&read));
    QCOMPARE(FormatDateTimeText(read.FileStartTime) + FormatDateTimeText(read.FileEndTime),
             std::string("2024-03-31 02:30:002024-03-31 23:59:59"));
    QCOMPARE(read.FileType * 10 + read.IsChange, 11u);
    QCOMPARE(read.Channel[0].DeviceID * 10 + read.Channel[0].CameraIndex, 14);
    QCOMPARE(read.Channel[1].DeviceID * 10 + read.Channel[1].CameraIndex, 1);
    QVERIFY(read.Channel[2].IsEmpty());

    QVERIFY(DbClearManualBackupInfo());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToManual <> 0 OR ManualPos <> -1"), 0);
    MANUAL_BACKUP_INFO untouched;
    untouched.FileType = 8;
    QVERIFY(DbSelectManualBackupInfo(&untouched));
    QCOMPARE(untouched.FileType, uint32_t(8));
}

void TestDbAccess::importReadsByNameAndSkipsWhatCannotBeStored()
{
    CTempDatabase temp;
    QTemporaryDir dir;
    const auto make = [&dir](const char* name, const std::string& sql) {
        CSQLite3DB foreign;
        foreign.Open(QFile::encodeName(dir.filePath(name)).toStdString());
        foreign.Exec(sql);
        return dir.filePath(name);
    };
    // Rows with a port out of range or a text longer than its field are skipped, never stored cut.
    const QString good =
        make("good.db", "CREATE TABLE TInfo_Device (Extra, Name, Address, Port, UserName, UserPwd, More);"
                        "INSERT INTO TInfo_Device VALUES (1, 'Hall''s', '10.1.1.1', 8000, 'u', 'p''w', 0);"
                        "INSERT INTO TInfo_Device VALUES (2, 'Bad port', '10.1.1.2', 70000, 'u', 'p', 0);"
                        "INSERT INTO TInfo_Device VALUES (3, 'Long user', '10.1.1.3', 9000, '" +
                            std::string(32, 'u') +
                            "', 'p', 0);"
                            "INSERT INTO TInfo_Device VALUES (4, 'Roof', '10.1.1.4', 9000, 'u', 'p', 0);");
    std::vector<DEVICE_INFO> devices;
    QVERIFY(DbSelectTInfoDevice(good, &devices));
    QCOMPARE(devices.size(), size_t(2));
    QCOMPARE(QByteArray(devices[0].DeviceName) + devices[0].Password + devices[1].DeviceName,
             QByteArray("Hall'sp'wRoof"));
    QCOMPARE(devices[1].FlowCtrlValue, -1);

    devices.clear();
    QVERIFY(!DbSelectTInfoDevice(make("empty.db", "CREATE TABLE Other (x);"), &devices));
    QVERIFY(!DbSelectTInfoDevice(make("nocolumn.db",
                                      "CREATE TABLE TInfo_Device (Name, Address, Port, UserName);"
                                      "INSERT INTO TInfo_Device VALUES ('A', '10.1.1.1', 8000, 'u');"),
                                 &devices));
    QVERIFY(!DbSelectTInfoDevice(dir.filePath("missing.db"), &devices));
    QVERIFY(devices.empty());
    QVERIFY(!QFileInfo::exists(dir.filePath("missing.db")));
}

void TestDbAccess::taskListsRoundTripFailWholeAndMarkOneFile()
{
    CTempDatabase temp;
    const QList<TASK_INFO> list = MakeTaskList(3, 3);
    QVERIFY(DbSaveTaskList(list, 3, 0));
    temp.Reopen();
    QList<TASK_INFO> read;
    QVERIFY(DbSelectTaskInfo(&read, 3, 0));
    QCOMPARE(read.size(), 3);
    for (int t = 0; t < 3; ++t) {
        QCOMPARE(read[t].TaskTime, list[t].TaskTime);
        QCOMPARE(read[t].CameraIndex * 10 + read[t].DownloadState,
                 list[t].CameraIndex * 10 + list[t].DownloadState);
        QCOMPARE(read[t].TotalChannelSize, list[t].TotalChannelSize); // above 4 GiB
        QCOMPARE(read[t].FileList.size(), 2);
        const FILE_INFO& a = read[t].FileList[1];
        const FILE_INFO& b = list[t].FileList[1];
        QCOMPARE(FormatDateTimeText(a.FileStartTime) + FormatDateTimeText(a.FileStopTime),
                 FormatDateTimeText(b.FileStartTime) + FormatDateTimeText(b.FileStopTime));
        QCOMPARE(a.FileType * 100000 + a.FileSize, b.FileType * 100000 + b.FileSize);
    }

    // A save replaces its own list only.
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 2), 4, 0));
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 2), 4, 1));
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 1), 4, 1));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4 AND IsPast = 1"), 1);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table"), 6);
    QVERIFY(!DbSaveTaskList(MakeTaskList(4, 1), 33, 0));
    // A failing insert keeps the list as it was instead of leaving it empty or doubled.
    Refuse("INSERT", "FileInfo_Table", "WHEN NEW.FileSize = 2001");
    QVERIFY(!DbSaveTaskList(MakeTaskList(4, 3), 4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 4);
    QVERIFY(DbDeleteTaskList(4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4 AND IsPast = 0"), 0);
    AllowAll();

    // A done mark hits exactly one file, although the overdue list holds the same times.
    QList<TASK_INFO> marked = MakeTaskList(1, 2);
    QVERIFY(DbSaveTaskList(marked, 1, 0));
    QVERIFY(DbSaveTaskList(marked, 1, 1)); // same times in the overdue list
    const FILE_INFO& file = marked[0].FileList[0];
    QVERIFY(DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, 1, marked[0].CameraIndex, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 1 AND DownloadState = 2"), 1);
    QList<FILE_INFO> files;
    QVERIFY(DbSelectFileInfo(&files, 1, marked[0].CameraIndex, 0));
    QCOMPARE(files[0].DownloadState * 10 + files[1].DownloadState, DOWNLOAD_DONE * 10 + DOWNLOAD_NOT_STARTED);

    marked[1].DownloadState = DOWNLOAD_DONE;
    QVERIFY(DbUpdateTaskState(&marked[1], 1));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 1 AND DownloadState = 2"), 1);
}

VARROW_TEST_MAIN(TestDbAccess, QCoreApplication)
#include "tst_dbaccess.moc"

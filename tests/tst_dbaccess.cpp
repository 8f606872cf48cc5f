// The configuration statements on a real database file: what is saved comes back the same, in the same order,
// and a failure keeps the previous rows and is reported.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <thread>

class TestDbAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundedCopies();
    void deviceWithApostrophesRoundTrips();
    void deviceInsertIsWholeOrNothing();
    void settingsFailureKeepsOldRow();
    void mailSettingsRoundTrip();
    void planKeepsChannelOrderAndSchedule();
    void planScheduleMissingAndExtraRows();
    void manualPlanKeepsOrderAndSwitchBack();
    void importReadsByNameAndRefusesMissingTable();
    void closedDatabaseReportsFailure();
    void outerTransactionCoversSeveralSaves();

private:
    static DEVICE_INFO MakeDevice(int index, const char* name, int channels);
    static int Count(const std::string& sql);
};

DEVICE_INFO TestDbAccess::MakeDevice(int index, const char* name, int channels)
{
    DEVICE_INFO d;
    d.IsUsed = 1;
    CopyString16(d.DeviceIP, "10.0.0.1");
    CopyString33(d.DeviceName, name);
    CopyString32(d.Username, "admin");
    CopyString256(d.Password, "pa'ss");
    d.Port = 8000;
    d.FlowCtrlValue = 3;
    d.StartIP = 33;
    d.CameraNum = int16_t(channels);
    for (int i = 0; i < channels; ++i) {
        d.Camera[i].DeviceID = int16_t(index);
        d.Camera[i].CameraIndex = int16_t(i + 1);
        d.Camera[i].IsIP = i >= 2 ? 1 : 0;
    }
    return d;
}

int TestDbAccess::Count(const std::string& sql)
{
    CSQLite3Recordset rs;
    GetMainDB().Query(sql, rs);
    return rs.IsEof() ? -1 : rs.GetInt(0);
}

void TestDbAccess::boundedCopies()
{
    char field[16];
    std::memset(field, 'x', sizeof(field));
    CopyString16(field, std::string(40, 'a'));
    QCOMPARE(std::strlen(field), size_t(15));
    // "é" is two bytes: a cut inside it keeps the character whole or drops it, never half.
    CopyString16(field, std::string(14, 'a') + "\xC3\xA9");
    QCOMPARE(std::string(field), std::string(14, 'a'));
    CopyString16(field, "ab");
    QCOMPARE(std::string(field), std::string("ab"));
    QCOMPARE(field[15], '\0');
    CopyString16(field, std::string("a\0bc", 4));
    QCOMPARE(std::string(field), std::string("a"));
}

void TestDbAccess::deviceWithApostrophesRoundTrips()
{
    CTempDatabase temp;
    DEVICE_INFO d = MakeDevice(7, "Gate's 'north'", 4);
    QVERIFY(DbInsertDeviceInfo(7, &d));
    QVERIFY(!DbInsertDeviceInfo(1024, &d));

    temp.Reopen();
    DEVICE_INFO read;
    QVERIFY(DbSelectDeviceInfo(7, &read));
    QCOMPARE(QByteArray(read.DeviceName), QByteArray("Gate's 'north'"));
    QCOMPARE(QByteArray(read.Password), QByteArray("pa'ss"));
    QCOMPARE(read.Port, uint16_t(8000));
    QCOMPARE(read.CameraNum, int16_t(4));
    QCOMPARE(read.StartIP, int16_t(33));
    QCOMPARE(read.Camera[3].CameraIndex, int16_t(4));
    QCOMPARE(read.Camera[3].IsIP, uint8_t(1));
    QCOMPARE(read.Camera[4].CameraIndex, int16_t(-1));

    DEVICE_INFO untouched;
    QVERIFY(DbSelectDeviceInfo(8, &untouched));
    QCOMPARE(untouched.IsUsed, uint8_t(0));
    QCOMPARE(untouched.CameraNum, int16_t(-1));

    QVERIFY(DbDeleteDeviceInfo(7));
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table"), 0);
    QCOMPARE(Count("SELECT COUNT(*) FROM Device_Table"), 0);
}

void TestDbAccess::deviceInsertIsWholeOrNothing()
{
    CTempDatabase temp;
    // A channel row that already exists makes the third channel fail: neither the device nor its first
    // channels may stay behind.
    CAMERA_INFO stale;
    stale.DeviceID = 3;
    stale.CameraIndex = 3;
    QVERIFY(DbInsertCameraInfo(&stale));
    DEVICE_INFO d = MakeDevice(3, "Yard", 4);
    QVERIFY(!DbInsertDeviceInfo(3, &d));
    QCOMPARE(Count("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table"), 1);

    // A device row that cannot be deleted keeps its channels too, and the failure is reported.
    QVERIFY(DbDeleteCameraInfo(3));
    QVERIFY(DbInsertDeviceInfo(3, &d));
    GetMainDB().Exec(
        "CREATE TRIGGER keep BEFORE DELETE ON Device_Table BEGIN SELECT RAISE(ABORT, 'no'); END;");
    QVERIFY(!DbDeleteDeviceInfo(3));
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table WHERE DeviceID = 3"), 4);
}

void TestDbAccess::settingsFailureKeepsOldRow()
{
    CTempDatabase temp;
    SYSTEM_CONFIG c;
    c.IsAutoRun = 1;
    CopyString44(c.OSUsername, "it's me");
    CopyString44(c.OSPassword, "'; DROP TABLE Log_Table; --");
    c.BackupMode = 2;
    c.DiskMode = 1;
    CopyString26(c.Disk, "DE");
    c.IsEnableEmail = 1;
    c.ReconnetNum = 4;
    QVERIFY(DbSaveSystemConfig(&c));
    QVERIFY(DbSaveSystemConfig(&c));
    QCOMPARE(Count("SELECT COUNT(*) FROM SystemConfig_Table"), 1);
    QVERIFY(DbUpdateBackupMode(1));

    GetMainDB().Exec("CREATE TRIGGER refuse BEFORE INSERT ON SystemConfig_Table BEGIN SELECT RAISE(ABORT, "
                     "'refused'); END;");
    SYSTEM_CONFIG other;
    other.ReconnetNum = 1;
    QVERIFY(!DbSaveSystemConfig(&other));

    temp.Reopen();
    SYSTEM_CONFIG read;
    QVERIFY(DbSelectSystemConfig(&read));
    QCOMPARE(QByteArray(read.OSUsername), QByteArray("it's me"));
    QCOMPARE(QByteArray(read.OSPassword), QByteArray("'; DROP TABLE Log_Table; --"));
    QCOMPARE(QByteArray(read.Disk), QByteArray("DE"));
    QCOMPARE(read.BackupMode, int16_t(1));
    QCOMPARE(read.DiskMode, int16_t(1));
    QCOMPARE(read.IsAutoRun, uint8_t(1));
    QCOMPARE(read.IsEnableEmail, uint8_t(1));
    QCOMPARE(read.ReconnetNum, 4);
    QCOMPARE(Count("SELECT COUNT(*) FROM Log_Table"), 0);
}

void TestDbAccess::mailSettingsRoundTrip()
{
    CTempDatabase temp;
    MAIL_CONFIG m;
    CopyString128(m.SMTPAddr, "smtp.example.org");
    CopyString128(m.MailTo, "a@b.c;d@e.f");
    CopyString64(m.MailPassword, std::string(200, 'p')); // longer than the field: cut, nothing overruns
    CopyString256(m.Body, std::string(255, '\''));
    CopyString256(m.Subject, "Recorder's report");
    m.SMTPPort = 587;
    QVERIFY(DbSaveMailConfig(&m));
    MAIL_CONFIG read;
    QVERIFY(DbSelectMailConfig(&read));
    QCOMPARE(QByteArray(read.SMTPAddr), QByteArray("smtp.example.org"));
    QCOMPARE(QByteArray(read.MailTo), QByteArray("a@b.c;d@e.f"));
    QCOMPARE(QByteArray(read.MailPassword), QByteArray(63, 'p'));
    QCOMPARE(QByteArray(read.Body), QByteArray(255, '\''));
    QCOMPARE(QByteArray(read.Subject), QByteArray("Recorder's report"));
    QCOMPARE(read.SMTPPort, uint16_t(587));
    QCOMPARE(Count("SELECT COUNT(*) FROM Mail_Table"), 1);
}

void TestDbAccess::planKeepsChannelOrderAndSchedule()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero", 4);
    DEVICE_INFO d1 = MakeDevice(1, "One", 4);
    QVERIFY(DbInsertDeviceInfo(0, &d0));
    QVERIFY(DbInsertDeviceInfo(1, &d1));

    // Saved as channel 3 of device 1, then channel 2 of device 0: the task lists name channels by this place,
    // so it must come back in this order although device 0's rows come first in the table.
    GROUP_INFO g;
    g.bUsed = 1;
    CopyString33(g.GroupName, "Night's plan");
    g.Channel[0] = {1, 3};
    g.Channel[1] = {0, 2};
    g.Schedule[3].IsEanbel = 1;
    g.Schedule[3].Weekday = 3;
    g.Schedule[3].TaskStartTime = {9, 5, 0};
    g.Schedule[3].FileType = 2;
    QVERIFY(DbSaveGroupInfo(5, &g));
    QCOMPARE(
        Count("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5 AND TaskStartTime = '9:5:0'"), 1);

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
    QCOMPARE(read.bUsed, uint8_t(1));
    QCOMPARE(read.Channel[0].DeviceID, int16_t(1));
    QCOMPARE(read.Channel[0].CameraIndex, int16_t(3));
    QVERIFY(read.Channel[1].IsEmpty());
    QCOMPARE(read.Schedule[3].IsEanbel, uint8_t(1));
    QCOMPARE(read.Schedule[3].TaskStartTime.Hour, int16_t(9));
    QCOMPARE(read.Schedule[3].TaskStartTime.Minute, int16_t(5));
    QCOMPARE(read.Schedule[3].FileType, uint32_t(2));
    QCOMPARE(read.Schedule[7].FileEndTime.Second, int16_t(59));

    // Saving again with the order reversed replaces the rows and the order.
    g.Channel[0] = {0, 1};
    g.Channel[1] = {1, 3};
    QVERIFY(DbSaveGroupInfo(5, &g));
    QCOMPARE(Count("SELECT COUNT(*) FROM ScheduleWeekday_Table WHERE GroupID = 5"), 8);
    std::vector<CHANNEL_REF> refs;
    QVERIFY(DbSelectGroupCameras(5, &refs));
    QCOMPARE(refs.size(), size_t(2));
    QCOMPARE(refs[0].DeviceID, int16_t(0));
    QCOMPARE(refs[1].DeviceID, int16_t(1));

    QVERIFY(DbDeleteGroupInfo(5));
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table WHERE GroupID = 5"), 0);
    GROUP_INFO gone;
    QVERIFY(DbSelectGroupInfo(5, &gone));
    QCOMPARE(gone.bUsed, uint8_t(0));
}

void TestDbAccess::planScheduleMissingAndExtraRows()
{
    CTempDatabase temp;
    QVERIFY(DbInsertGroupInfo(2, 1, "Short"));
    SCHEDULE_WEEKDAY e;
    e.GroupID = 2;
    e.Weekday = 0;
    e.Duration = 3;
    QVERIFY(DbInsertScheduleWeekday(&e));
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(2, &read));
    QCOMPARE(read.Schedule[0].Duration, int16_t(3));
    QCOMPARE(read.Schedule[5].Duration, int16_t(6)); // missing entries: defaults of this plan
    QCOMPARE(read.Schedule[5].GroupID, int16_t(2));

    for (int i = 0; i < 10; ++i) {
        e.Duration = int16_t(10 + i);
        QVERIFY(DbInsertScheduleWeekday(&e));
    }
    std::vector<SCHEDULE_WEEKDAY> entries;
    QVERIFY(DbSelectScheduleWeekday(2, &entries));
    QCOMPARE(entries.size(), size_t(8));
    QCOMPARE(entries[1].Duration, int16_t(10));
}

void TestDbAccess::manualPlanKeepsOrderAndSwitchBack()
{
    CTempDatabase temp;
    DEVICE_INFO d0 = MakeDevice(0, "Zero", 4);
    DEVICE_INFO d1 = MakeDevice(1, "One", 4);
    QVERIFY(DbInsertDeviceInfo(0, &d0));
    QVERIFY(DbInsertDeviceInfo(1, &d1));
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
    QCOMPARE(FormatDateTimeText(read.FileStartTime), std::string("2024-03-31 02:30:00"));
    QCOMPARE(FormatDateTimeText(read.FileEndTime), std::string("2024-03-31 23:59:59"));
    QCOMPARE(read.FileType, uint32_t(1));
    QCOMPARE(read.IsChange, uint8_t(1));
    QCOMPARE(read.Channel[0].DeviceID, int16_t(1));
    QCOMPARE(read.Channel[0].CameraIndex, int16_t(4));
    QCOMPARE(read.Channel[1].DeviceID, int16_t(0));
    QVERIFY(read.Channel[2].IsEmpty());

    QVERIFY(DbClearManualBackupInfo());
    QCOMPARE(Count("SELECT COUNT(*) FROM Camera_Table WHERE IsAddToManual <> 0 OR ManualPos <> -1"), 0);
    MANUAL_BACKUP_INFO untouched;
    untouched.FileType = 8;
    QVERIFY(DbSelectManualBackupInfo(&untouched));
    QCOMPARE(untouched.FileType, uint32_t(8));
}

void TestDbAccess::importReadsByNameAndRefusesMissingTable()
{
    CTempDatabase temp;
    QTemporaryDir dir;
    const QString good = dir.filePath("good.db");
    {
        CSQLite3DB foreign;
        foreign.Open(QFile::encodeName(good).toStdString());
        foreign.Exec("CREATE TABLE TInfo_Device (Extra, Name, Address, Port, UserName, UserPwd, More);"
                     "INSERT INTO TInfo_Device VALUES (1, 'Hall''s', '10.1.1.1', 8000, 'u', 'p''w', 0);"
                     "INSERT INTO TInfo_Device VALUES (2, 'Bad port', '10.1.1.2', 70000, 'u', 'p', 0);"
                     "INSERT INTO TInfo_Device VALUES (3, 'Roof', '10.1.1.3', 9000, 'u', 'p', 0);");
    }
    std::vector<DEVICE_INFO> devices;
    QVERIFY(DbSelectTInfoDevice(good, &devices));
    QCOMPARE(devices.size(), size_t(2));
    QCOMPARE(QByteArray(devices[0].DeviceName), QByteArray("Hall's"));
    QCOMPARE(QByteArray(devices[0].Password), QByteArray("p'w"));
    QCOMPARE(devices[1].Port, uint16_t(9000));
    QCOMPARE(devices[1].FlowCtrlValue, -1);

    const QString noTable = dir.filePath("empty.db");
    {
        CSQLite3DB foreign;
        foreign.Open(QFile::encodeName(noTable).toStdString());
        foreign.Exec("CREATE TABLE Other (x);");
    }
    devices.clear();
    QVERIFY(!DbSelectTInfoDevice(noTable, &devices));
    QVERIFY(devices.empty());

    const QString noColumn = dir.filePath("nocolumn.db");
    {
        CSQLite3DB foreign;
        foreign.Open(QFile::encodeName(noColumn).toStdString());
        foreign.Exec("CREATE TABLE TInfo_Device (Name, Address, Port, UserName);"
                     "INSERT INTO TInfo_Device VALUES ('A', '10.1.1.1', 8000, 'u');");
    }
    QVERIFY(!DbSelectTInfoDevice(noColumn, &devices));
    QVERIFY(devices.empty());

    QVERIFY(!DbSelectTInfoDevice(dir.filePath("missing.db"), &devices));
    QVERIFY(!QFileInfo::exists(dir.filePath("missing.db")));
}

void TestDbAccess::closedDatabaseReportsFailure()
{
    CTempDatabase temp;
    QFile junk(temp.DbPath());
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'j'));
    junk.close();
    temp.Reopen();
    SYSTEM_CONFIG c;
    QVERIFY(!DbSaveSystemConfig(&c));
    QVERIFY(!DbSelectSystemConfig(&c));
    QVERIFY(!DbUpdateBackupMode(0));
    std::vector<CHANNEL_REF> refs;
    QVERIFY(!DbSelectManualCameras(&refs));
    QVERIFY(!DbBeginTransaction());
}

void TestDbAccess::outerTransactionCoversSeveralSaves()
{
    CTempDatabase temp;
    GROUP_INFO g;
    g.bUsed = 1;
    CopyString33(g.GroupName, "A");
    QVERIFY(DbBeginTransaction());
    QVERIFY(DbSaveGroupInfo(0, &g));
    QVERIFY(DbSaveGroupInfo(1, &g));
    // Another thread's statement waits for the commit instead of falling into this transaction.
    std::atomic<bool> done{false};
    std::thread other([&done] {
        DbUpdateBackupMode(2);
        done = true;
    });
    QVERIFY(!done.load());
    QVERIFY(DbCommitTransaction());
    other.join();
    QCOMPARE(Count("SELECT COUNT(*) FROM Group_Table"), 2);
    QCOMPARE(Count("SELECT BackupMode FROM SystemConfig_Table"), 2);
    QVERIFY(!DbCommitTransaction());
}

VARROW_TEST_MAIN(TestDbAccess, QCoreApplication)
#include "tst_dbaccess.moc"

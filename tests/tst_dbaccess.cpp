// The database on a real file: an older file is brought up to date and an unusable one refused, errors reach
// the caller, a transaction is whole or nothing, and what is saved comes back the same and in the same order.

#include "model/DbAccess.h"
#include "model/DbText.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/TaskStore.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

class TestDbAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void olderFileGetsMissingTablesAndColumns();
    void fileLackingAColumnIsRefused();
    void linkedFileIsNeverReplaced_data();
    void linkedFileIsNeverReplaced();
    void steppingErrorIsNoEndOfRows();
    void transactionsAreWholeOrNothing();
    void deviceFailsWhole();
    void planKeepsChannelOrder();
    void taskListsFailWholeAndMarkOneFile();
    void logCutsWholeCharactersAndPrunesOldestSecond();
    void logLosesNothingFromFourThreads();
    void logKeepsItsNewestRows_data();
    void logKeepsItsNewestRows();
    void logRefusesNoKindAndCutsLongText();
    void logSearchByKindAndBothEnds_data();
    void logSearchByKindAndBothEnds();
    void settingsAndRecordersComeBackAsStored();
    void indexLimits_data();
    void indexLimits();
    void timeTexts_data();
    void timeTexts();
    void taskListsComeBackInSavedOrder();
    void importTakesRowsThatFit();
    void recordSetBounds();
};

namespace {

void WriteOldFile(const CTempDatabase& temp, const std::string& sql)
{
    CSQLite3DB old;
    old.Open(QFile::encodeName(temp.DbPath()).toStdString());
    old.Exec(sql);
}

DEVICE_INFO MakeDevice(int index, const char* name)
{
    DEVICE_INFO d;
    d.IsUsed = 1;
    CopyString16(d.DeviceIP, "10.0.0.1");
    CopyString33(d.DeviceName, name);
    d.CameraNum = 4;
    for (int i = 0; i < 4; ++i)
        d.Camera[i] = {int16_t(index), int16_t(i + 1)};
    return d;
}

// A work list of `tasks` tasks of two files each.
QList<TASK_INFO> MakeTaskList(int group, int tasks)
{
    QList<TASK_INFO> list;
    for (int t = 0; t < tasks; ++t) {
        TASK_INFO task;
        task.TaskTime = QDate(2024, 3, 31);
        task.GroupID = int16_t(group);
        task.CameraIndex = int16_t(t + 1);
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

// The first column of the first row of a query on the main database as text; "(none)" without a row.
QByteArray TextOf(const std::string& sql)
{
    CSQLite3Recordset rs;
    GetMainDB().Query(sql, rs);
    return rs.IsEof() ? QByteArray("(none)") : QByteArray::fromStdString(rs.GetString(0));
}

// Log rows at first, first + 1, ... (seconds since 1970), as old entries of the table.
void FillLog(int64_t first, int rows)
{
    CDbTransaction transaction(GetMainDB());
    for (int i = 0; i < rows; ++i)
        GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, ?)",
                         {FormatDateTimeText(first + i), "old " + std::to_string(i)});
    transaction.Commit();
}

NET_DVR_TIME Time(const char* text)
{
    NET_DVR_TIME t;
    ParseDateTimeText(text, &t);
    return t;
}

} // namespace

void TestDbAccess::olderFileGetsMissingTablesAndColumns()
{
    CTempDatabase temp;
    // An earlier installation: some tables only, the channel table without the list positions and keyed
    // without the kind of channel, the settings row deleted by its operator.
    WriteOldFile(
        temp, "CREATE TABLE Camera_Table (DeviceID INTEGER NOT NULL, CameraIndex INTEGER NOT NULL, "
              "IsAddToGroup INTEGER NOT NULL DEFAULT 0, GroupID INTEGER NOT NULL DEFAULT -1, IsAddToManual "
              "INTEGER NOT NULL DEFAULT 0, IsIP INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (DeviceID, "
              "CameraIndex)); INSERT INTO Camera_Table VALUES (1, 2, 1, 3, 0, 0);"
              "CREATE TABLE SystemConfig_Table (IsAutoRun, OSUsername, OSPassword, BackupMode, DiskMode, "
              "Disk, IsEnableEmail, ReconnetNum);");
    CSQLite3DB& db = temp.Reopen();
    QVERIFY2(db.IsOpen(), MainDbError().c_str());
    QCOMPARE(CountRows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), 11);
    QCOMPARE(CountRows("SELECT GroupID * 10 + GroupPos FROM Camera_Table WHERE DeviceID = 1"), 29);
    QVERIFY(db.Exec("INSERT INTO Camera_Table (DeviceID, CameraIndex, IsIP) VALUES (1, 2, 1);"));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 0); // an existing table keeps its rows
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);         // a new table gets its default row
    temp.Reopen();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);
}

void TestDbAccess::fileLackingAColumnIsRefused()
{
    CTempDatabase temp;
    WriteOldFile(temp, "CREATE TABLE Log_Table (LogTime, LogType, LogSubType);");
    const qint64 size = QFileInfo(temp.DbPath()).size();
    CSQLite3DB& db = temp.Reopen();
    QVERIFY(!db.IsOpen());
    QVERIFY2(QByteArray::fromStdString(MainDbError()).contains("Log_Table lacks the column LogContents"),
             MainDbError().c_str());
    // Nothing loads half and nothing is written: every operation reports failure.
    QVERIFY(!std::make_unique<CSysInfoManage>()->LoadAllInfo());
    QVERIFY(!db.Exec("SELECT 1") && !DbBeginTransaction());
    QCOMPARE(QFileInfo(temp.DbPath()).size(), size);
}

void TestDbAccess::linkedFileIsNeverReplaced_data()
{
    QTest::addColumn<QString>("entry");  // the link's name beside the program: Varrow.db or a companion
    QTest::addColumn<QString>("target"); // where it points, below the program directory
    QTest::addColumn<bool>("database");  // the target is a database the program made
    QTest::addColumn<int>("owner");      // the target's owner: -1 the program's user
    QTest::addColumn<QString>("cause");  // empty: the file is used
    const QString db = QStringLiteral("Varrow.db");
    // A database on a volume that did not mount: a new empty one in its place would be saved over by the
    // operator's first change, and the volume's file never read again.
    QTest::newRow("link to a missing file")
        << db << "volume/Varrow.db" << false << -1 << "No such file or directory";
    QTest::newRow("link to itself") << db << "Varrow.db" << false << -1
                                    << "Too many levels of symbolic links";
    QTest::newRow("link to a database") << db << "volume/Varrow.db" << true << -1 << "";
    // Another user's file behind the database or a companion: that user would read every save (the
    // passwords) or write the settings the station reads. Refused before anything is opened or tightened.
    const QString other = QStringLiteral(", a file of another user: nobody (user id 65534)");
    QTest::newRow("link to another user's database")
        << db << "volume/Varrow.db" << true << 65534 << "Varrow.db is a link to %1" + other;
    QTest::newRow("journal linked to another user's file")
        << "Varrow.db-journal"
        << "volume/journal" << false << 65534 << "Varrow.db-journal is a link to %1" + other;
    QTest::newRow("log linked to another user's file")
        << "Varrow.db-wal"
        << "volume/wal" << false << 65534 << "Varrow.db-wal is a link to %1" + other;
}

void TestDbAccess::linkedFileIsNeverReplaced()
{
    QFETCH(QString, entry);
    QFETCH(QString, target);
    QFETCH(bool, database);
    QFETCH(int, owner);
    QFETCH(QString, cause);
    if (owner >= 0)
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's file needs a second user id");
    CTempDatabase temp;
    const QString targetPath = QDir(temp.Dir()).filePath(target);
    cause = cause.arg(targetPath);
    const bool companion = entry != QLatin1String("Varrow.db");
    if (database) {
        QVERIFY(QDir(temp.Dir()).mkpath(QStringLiteral("volume")));
        CSQLite3DB made;
        made.Open(QFile::encodeName(targetPath).toStdString());
        EnsureSchema(made);
    } else if (owner >= 0) {
        QVERIFY(QDir(temp.Dir()).mkpath(QStringLiteral("volume")));
        QFile file(targetPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("theirs") == 6);
    }
    if (owner >= 0) {
        QVERIFY(::chown(QFile::encodeName(targetPath).constData(), uid_t(owner), gid_t(owner)) == 0);
        QVERIFY(::chmod(QFile::encodeName(targetPath).constData(), 0644) == 0);
    }
    if (companion)
        temp.Reopen(); // the database itself is the program's, made by a first start
    CloseMainDB();
    const QString linkPath = QDir(temp.Dir()).filePath(entry);
    QFile::remove(linkPath);
    QCOMPARE(::symlink(QFile::encodeName(targetPath).constData(), QFile::encodeName(linkPath).constData()),
             0);
    struct stat before = {};
    const bool targetThere = ::stat(QFile::encodeName(targetPath).constData(), &before) == 0;

    CSQLite3DB& db = temp.Reopen();
    const QString error = QString::fromStdString(MainDbError());
    QVERIFY2(db.IsOpen() == cause.isEmpty(), qPrintable(error));
    if (cause.isEmpty()) {
        QVERIFY2(error.isEmpty(), qPrintable(error));
    } else {
        // Named with the file, the place it points to and why that cannot be used.
        QVERIFY2(error.startsWith(temp.DbPath() + QStringLiteral(": ")) && error.contains(targetPath) &&
                     error.contains(cause),
                 qPrintable(error));
    }
    QCOMPARE(MainDbRefusal(), cause.isEmpty() ? MAIN_DB_OPEN : MAIN_DB_UNUSABLE);
    QCOMPARE(std::make_unique<CSysInfoManage>()->LoadAllInfo(), cause.isEmpty());
    // The link stays a link to its file, and nothing was made in its place or beside it.
    QCOMPARE(QFile::symLinkTarget(linkPath), targetPath);
    QCOMPARE(QFileInfo::exists(targetPath), database || owner >= 0);
    QStringList entries{QStringLiteral("Varrow.db")};
    if (companion)
        entries << entry;
    QCOMPARE(QDir(temp.Dir()).entryList({QStringLiteral("Varrow.db*")}, QDir::Files | QDir::System), entries);
    // Another user's file keeps its owner, its mode and its bytes.
    if (owner >= 0 && targetThere) {
        struct stat after = {};
        QVERIFY(::stat(QFile::encodeName(targetPath).constData(), &after) == 0);
        QCOMPARE(after.st_uid, uid_t(owner));
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    }
}

void TestDbAccess::steppingErrorIsNoEndOfRows()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    // Wrong number of values is refused rather than bound as NULL.
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, db.Exec("UPDATE Mail_Table SET SMTPPort = ?", {1, 2}));
    // The second row fails while stepping (integer overflow): it must not read as the end of the rows.
    CSQLite3Recordset rs;
    QVERIFY(db.Query("SELECT CASE WHEN column1 = 2 THEN abs(-9223372036854775807 - 1) ELSE column1 END "
                     "FROM (VALUES (1), (2), (3))",
                     rs));
    QCOMPARE(rs.GetInt(0), 1);
    QVERIFY_THROWS_EXCEPTION(CSQlite3Error, rs.Next());
}

void TestDbAccess::transactionsAreWholeOrNothing()
{
    CTempDatabase temp;
    CSQLite3DB& db = temp.Db();
    {
        CDbTransaction outer(db);
        db.Exec("UPDATE Mail_Table SET SMTPPort = 1");
        {
            CDbTransaction inner(db); // left without commit: only the inner change goes
            db.Exec("UPDATE Mail_Table SET SMTPPort = 2");
        }
        outer.Commit();
    }
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 1);

    // A deferred constraint makes the commit itself fail: everything since the begin is undone.
    db.Exec("CREATE TABLE Parent (id INTEGER PRIMARY KEY); CREATE TABLE Child (pid REFERENCES Parent(id) "
            "DEFERRABLE INITIALLY DEFERRED); PRAGMA foreign_keys = ON;");
    QVERIFY(db.BeginTransaction());
    db.Exec("UPDATE Mail_Table SET SMTPPort = 6");
    db.Exec("INSERT INTO Child VALUES (42)");
    // Another thread's statement waits for the end instead of falling into the transaction.
    QSemaphore started;
    std::atomic<bool> done{false};
    std::thread other([&] {
        started.release();
        db.Exec("UPDATE Mail_Table SET SMTPPort = 7");
        done = true;
    });
    started.acquire();
    QSemaphore().tryAcquire(1, 200); // time for a statement that does not wait to run
    QVERIFY(!done);
    QVERIFY(!db.CommitTransaction());
    other.join();
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Child"), 0);
    QCOMPARE(CountRows("SELECT SMTPPort FROM Mail_Table"), 7);
}

void TestDbAccess::deviceFailsWhole()
{
    // A channel row that already exists makes the third channel fail: neither the device nor its first
    // channels may stay behind.
    CTempDatabase temp;
    DEVICE_INFO d = MakeDevice(3, "Yard");
    QVERIFY(DbInsertCameraInfo(&d.Camera[2]));
    QVERIFY(!DbInsertDeviceInfo(3, &d));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), 0);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Camera_Table"), 1);
}

void TestDbAccess::planKeepsChannelOrder()
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
    QVERIFY(DbSaveGroupInfo(5, &g));
    temp.Reopen();
    GROUP_INFO read;
    QVERIFY(DbSelectGroupInfo(5, &read));
    QCOMPARE(QByteArray(read.GroupName), QByteArray("Night's plan"));
    QCOMPARE(read.Channel[0].DeviceID * 10 + read.Channel[0].CameraIndex, 13);
    QCOMPARE(read.Channel[1].DeviceID * 10 + read.Channel[1].CameraIndex, 2);
}

void TestDbAccess::taskListsFailWholeAndMarkOneFile()
{
    CTempDatabase temp;
    // A failing insert keeps the list as it was instead of leaving it empty or doubled.
    QVERIFY(DbSaveTaskList(MakeTaskList(4, 2), 4, 0));
    Refuse("INSERT", "FileInfo_Table", "WHEN NEW.FileSize = 2001");
    QVERIFY(!DbSaveTaskList(MakeTaskList(4, 3), 4, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM TaskInfo_Table WHERE GroupID = 4"), 2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE GroupID = 4"), 4);
    AllowAll();

    // A done mark hits exactly one file, although the overdue list holds the same times.
    const QList<TASK_INFO> list = MakeTaskList(3, 2);
    QVERIFY(DbSaveTaskList(list, 3, 0) && DbSaveTaskList(list, 3, 1));
    const FILE_INFO& file = list[0].FileList[0];
    QVERIFY(DbSetFileDownloaded(file.FileStartTime, file.FileStopTime, 3, list[0].CameraIndex, 0));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE DownloadState = 2"), 1);
    QList<FILE_INFO> files;
    QVERIFY(DbSelectFileInfo(&files, 3, list[0].CameraIndex, 0));
    QCOMPARE(files[0].DownloadState * 10 + files[1].DownloadState, DOWNLOAD_DONE * 10 + DOWNLOAD_NOT_STARTED);
}

void TestDbAccess::logCutsWholeCharactersAndPrunesOldestSecond()
{
    CTempDatabase temp;
    // 198 ASCII bytes then a two-byte character: 200 bytes do not fit, the character goes whole.
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, QString(198, QLatin1Char('b')) + QChar(0xE9)),
             1);
    QCOMPARE(CountRows("SELECT length(CAST(LogContents AS BLOB)) FROM Log_Table"), 198);

    // 30,000 rows of which three share the oldest second: the next entry drops all three.
    const int64_t first = 1600000000;
    {
        CDbTransaction transaction(GetMainDB());
        for (int i = 1; i < LOG_MAX_ROWS; ++i)
            GetMainDB().Exec("INSERT INTO Log_Table VALUES (?, 1, 1, 'old')",
                             {FormatDateTimeText(first + std::max(i, 3))});
        transaction.Commit();
    }
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, "new"), 1);
    QCOMPARE(DbGetLogCount(), LOG_MAX_ROWS - 2);
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

void TestDbAccess::logKeepsItsNewestRows_data()
{
    QTest::addColumn<int>("before"); // old rows, one a second
    QTest::addColumn<int>("after");
    QTest::addColumn<QByteArray>("oldest"); // the oldest entry left
    QTest::newRow("one row short of the limit: nothing goes") << 29998 << 29999 << QByteArray("old 0");
    QTest::newRow("the entry that makes 30,000: the oldest goes") << 29999 << 29999 << QByteArray("old 1");
}

// The log keeps 30,000 entries at most: the entry that reaches the number makes room, the one before does
// not, and what goes is the oldest, never the entry just written.
void TestDbAccess::logKeepsItsNewestRows()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QByteArray, oldest);
    CTempDatabase temp;
    FillLog(631152000, before); // 1990, before any clock the suite runs on
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_RECONNECT, QStringLiteral("newest")), 1);
    QCOMPARE(DbGetLogCount(), after);
    QCOMPARE(TextOf("SELECT LogContents FROM Log_Table ORDER BY LogTime, rowid LIMIT 1"), oldest);
    QCOMPARE(TextOf("SELECT LogContents FROM Log_Table ORDER BY LogTime DESC, rowid DESC LIMIT 1"),
             QByteArray("newest"));
}

void TestDbAccess::logRefusesNoKindAndCutsLongText()
{
    CTempDatabase temp;
    // -1 in either the type or the subtype is no entry at all.
    QCOMPARE(WriteLog(LOG_TYPE_EXCEPTION, -1, QStringLiteral("x")), -1);
    QCOMPARE(WriteLog(-1, LOG_SUB_RECONNECT, QStringLiteral("x")), -1);
    QCOMPARE(DbGetLogCount(), 0);
    // 300 plain bytes keep their first 199; 199 bytes stay whole.
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_PLAN, QString(300, QLatin1Char('a'))), 1);
    QCOMPARE(WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_PLAN, QString(199, QLatin1Char('b'))), 1);
    QCOMPARE(TextOf("SELECT group_concat(length(LogContents)) FROM (SELECT LogContents FROM Log_Table ORDER "
                    "BY rowid)"),
             QByteArray("199,199"));
    QCOMPARE(TextOf("SELECT substr(LogContents, 199) FROM Log_Table ORDER BY rowid LIMIT 1"),
             QByteArray("a"));
}

void TestDbAccess::logSearchByKindAndBothEnds_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("from"); // seconds after the base
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("found");
    // Entries, by their text: a 1 s before the base (operation), b at the base (operation), c at the base
    // (exception), d 5 s after (exception), e 6 s after (operation).
    QTest::newRow("every kind") << 0 << 0 << 5 << "b c d";
    QTest::newRow("operation log") << 1 << 0 << 5 << "b";
    QTest::newRow("exception log") << 2 << 0 << 5 << "c d";
    QTest::newRow("one second, both ends") << 0 << 0 << 0 << "b c";
    QTest::newRow("last second only") << 0 << 5 << 5 << "d";
    QTest::newRow("before every entry") << 0 << -10 << -2 << "";
}

void TestDbAccess::logSearchByKindAndBothEnds()
{
    QFETCH(int, type);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, found);
    CTempDatabase temp;
    const int64_t base = QDateTime(QDate(2026, 3, 2), QTime(9, 0, 0)).toSecsSinceEpoch();
    // Stored out of time order: a search lists them by time, entries of one second as written.
    const QList<std::tuple<int, int, const char*>> entries{
        {5, 2, "d"}, {-1, 1, "a"}, {0, 1, "b"}, {0, 2, "c"}, {6, 1, "e"}};
    for (const auto& [offset, kind, text] : entries) {
        LOG_INFO info;
        info.LogTime = base + offset;
        info.LogType = kind;
        info.LogSubType = kind == 1 ? LOG_SUB_CONFIG_DISK : LOG_SUB_CONNECT_DEVICE;
        CopyString200(info.LogContents, text);
        QVERIFY(DbInsertLogInfo(&info));
    }
    std::vector<LOG_INFO> read;
    SearchLog(&read, type, base + from, base + to);
    QStringList texts;
    for (const LOG_INFO& info : read) {
        texts << QString::fromLatin1(info.LogContents);
        QCOMPARE(info.LogSubType, info.LogType == 1 ? int(LOG_SUB_CONFIG_DISK) : int(LOG_SUB_CONNECT_DEVICE));
    }
    QCOMPARE(texts.join(QLatin1Char(' ')), found);
    if (!read.empty())
        QCOMPARE(read.front().LogTime, base + (found.startsWith('d') ? 5 : 0));
}

// Every field of the settings, the mail settings, a recorder and the manual plan, each with a value no other
// field has: a column read into the wrong field shows.
void TestDbAccess::settingsAndRecordersComeBackAsStored()
{
    CTempDatabase temp;
    SYSTEM_CONFIG system;
    system.IsAutoRun = 1;
    CopyString44(system.OSUsername, "operator");
    CopyString44(system.OSPassword, "secret");
    system.BackupMode = 2;
    system.DiskMode = 1;
    CopyString26(system.Disk, "DEF");
    system.IsEnableEmail = 1;
    system.ReconnetNum = 4;
    QVERIFY(DbSaveSystemConfig(&system) && DbSaveSystemConfig(&system));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM SystemConfig_Table"), 1);
    MAIL_CONFIG mail;
    const char* mailTexts[] = {"smtp.site.test", "from@site.test", "to@site.test",
                               "cc@site.test",   "Station",        "pw",
                               "body text",      "subject text"};
    char* mailFields[] = {mail.SMTPAddr, mail.MailFrom,     mail.MailTo, mail.MailCc,
                          mail.MailName, mail.MailPassword, mail.Body,   mail.Subject};
    for (int i = 0; i < 8; ++i)
        std::strcpy(mailFields[i], mailTexts[i]);
    mail.SMTPPort = 2525;
    QVERIFY(DbSaveMailConfig(&mail) && DbSaveMailConfig(&mail));
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Mail_Table"), 1);

    DEVICE_INFO device = MakeDevice(1023, "Gate");
    device.Port = 8001;
    device.ConnectMode = 1;
    CopyString128(device.Domain, "gate.site.test");
    CopyString32(device.Username, "admin");
    CopyString256(device.Password, "12345");
    device.FlowCtrlValue = 3;
    device.StartIP = 33;
    device.Camera[3].CameraIndex = 33;
    device.Camera[3].IsIP = 1;
    QVERIFY(DbInsertDeviceInfo(1023, &device));

    MANUAL_BACKUP_INFO manual;
    manual.FileStartTime = Time("2026-02-28 23:00:00");
    manual.FileEndTime = Time("2026-03-01 01:30:59");
    manual.FileType = 1;
    manual.IsChange = 1;
    manual.Channel[0] = {1023, 33};
    manual.Channel[1] = {1023, 2};
    QVERIFY(DbSaveManualBackupInfo(&manual));

    temp.Reopen();
    SYSTEM_CONFIG s;
    QVERIFY(DbSelectSystemConfig(&s));
    QCOMPARE(QString::asprintf("%d %s %s %d %d %s %d %d", s.IsAutoRun, s.OSUsername, s.OSPassword,
                               s.BackupMode, s.DiskMode, s.Disk, s.IsEnableEmail, s.ReconnetNum),
             QStringLiteral("1 operator secret 2 1 DEF 1 4"));
    MAIL_CONFIG m;
    QVERIFY(DbSelectMailConfig(&m));
    const char* readFields[] = {m.SMTPAddr, m.MailFrom,     m.MailTo, m.MailCc,
                                m.MailName, m.MailPassword, m.Body,   m.Subject};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(QByteArray(readFields[i]), QByteArray(mailTexts[i]));
    QCOMPARE(m.SMTPPort, uint16_t(2525));

    DEVICE_INFO d;
    QVERIFY(DbSelectDeviceInfo(1023, &d));
    QCOMPARE(QString::asprintf("%d %s %s %s %s %s %d %d %d %d %d", d.IsUsed, d.DeviceIP, d.DeviceName,
                               d.Username, d.Password, d.Domain, d.Port, d.ConnectMode, d.FlowCtrlValue,
                               d.StartIP, d.CameraNum),
             QStringLiteral("1 10.0.0.1 Gate admin 12345 gate.site.test 8001 1 3 33 4"));
    // Analog channels first, then the IP channel.
    QString channels;
    for (int i = 0; i < d.CameraNum; ++i)
        channels += QStringLiteral("%1%2 ").arg(d.Camera[i].IsIP ? "ip" : "").arg(d.Camera[i].CameraIndex);
    QCOMPARE(channels, QStringLiteral("1 2 3 ip33 "));

    MANUAL_BACKUP_INFO r;
    r.IsChange = 0;
    QVERIFY(DbSelectManualBackupInfo(&r));
    QCOMPARE(QByteArray::fromStdString(FormatDateTimeText(r.FileStartTime) + " " +
                                       FormatDateTimeText(r.FileEndTime)),
             QByteArray("2026-02-28 23:00:00 2026-03-01 01:30:59"));
    QCOMPARE(int(r.FileType) * 10 + r.IsChange, 11);
    QCOMPARE(r.Channel[0].CameraIndex * 100 + r.Channel[1].CameraIndex, 3302);
    QVERIFY(r.Channel[2].IsEmpty());
}

void TestDbAccess::indexLimits_data()
{
    QTest::addColumn<bool>("plan"); // else a recorder
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("taken");
    QTest::newRow("recorder -1") << false << -1 << false;
    QTest::newRow("recorder 0") << false << 0 << true;
    QTest::newRow("recorder 1023") << false << 1023 << true;
    QTest::newRow("recorder 1024") << false << 1024 << false;
    QTest::newRow("plan -1") << true << -1 << false;
    QTest::newRow("plan 0") << true << 0 << true;
    QTest::newRow("plan 31") << true << 31 << true;
    QTest::newRow("plan 32") << true << 32 << false;
}

// Slot numbers outside the model's tables are refused before any row is written or read.
void TestDbAccess::indexLimits()
{
    QFETCH(bool, plan);
    QFETCH(int, index);
    QFETCH(bool, taken);
    CTempDatabase temp;
    if (plan) {
        GROUP_INFO g;
        g.bUsed = 1;
        CopyString33(g.GroupName, "P");
        QCOMPARE(DbInsertGroupInfo(index, 1, "Q"), taken);
        QCOMPARE(DbSaveGroupInfo(index, &g), taken);
        GROUP_INFO read;
        QCOMPARE(DbSelectGroupInfo(index, &read), taken);
        QCOMPARE(CountRows("SELECT COUNT(*) FROM Group_Table"), taken ? 1 : 0);
        QCOMPARE(QByteArray(read.GroupName), QByteArray(taken ? "P" : ""));
    } else {
        const DEVICE_INFO d = MakeDevice(index, "Gate");
        QCOMPARE(DbInsertDeviceInfo(index, &d), taken);
        DEVICE_INFO read;
        QCOMPARE(DbSelectDeviceInfo(index, &read), taken);
        QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table"), taken ? 1 : 0);
        QCOMPARE(int(read.CameraNum), taken ? 4 : -1);
    }
}

void TestDbAccess::timeTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("dateTime");   // else a time of day
    QTest::addColumn<QByteArray>("read"); // the fields read back, or empty when refused
    QTest::newRow("date-time") << QByteArray("2024-02-29 23:59:59") << true
                               << QByteArray("2024-2-29 23:59:59");
    QTest::newRow("18 bytes") << QByteArray("2024-2-29 23:59:59") << true << QByteArray();
    QTest::newRow("20 bytes") << QByteArray("2024-02-29 23:59:590") << true << QByteArray();
    QTest::newRow("hour 24") << QByteArray("2024-02-28 24:00:00") << true << QByteArray();
    QTest::newRow("minute 60") << QByteArray("2024-02-28 23:60:00") << true << QByteArray();
    QTest::newRow("second 60") << QByteArray("2024-02-28 23:59:60") << true << QByteArray();
    QTest::newRow("29 February of a common year")
        << QByteArray("2023-02-29 10:00:00") << true << QByteArray();
    QTest::newRow("time of day") << QByteArray("9:5:0") << false << QByteArray("9:5:0");
    QTest::newRow("padded time of day") << QByteArray("23:59:59") << false << QByteArray("23:59:59");
    QTest::newRow("hour 24 of a day") << QByteArray("24:0:0") << false << QByteArray();
    QTest::newRow("minute 60 of a day") << QByteArray("10:60:0") << false << QByteArray();
    QTest::newRow("second 60 of a day") << QByteArray("10:0:60") << false << QByteArray();
    QTest::newRow("two parts") << QByteArray("10:00") << false << QByteArray();
}

void TestDbAccess::timeTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, dateTime);
    QFETCH(QByteArray, read);
    const std::string_view view(text.constData(), size_t(text.size()));
    if (dateTime) {
        NET_DVR_TIME t;
        QCOMPARE(ParseDateTimeText(view, &t), !read.isEmpty());
        if (!read.isEmpty())
            QCOMPARE(
                QString::asprintf("%u-%u-%u %u:%u:%u", t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second)
                    .toLatin1(),
                read);
        // A text that is refused counts as no time at all, not as a time near it.
        QCOMPARE(DateTimeTextToSecs(view) != 0, !read.isEmpty());
        return;
    }
    int h = -1, m = -1, s = -1;
    QCOMPARE(ParseTimeOfDayText(view, &h, &m, &s), !read.isEmpty());
    if (!read.isEmpty())
        QCOMPARE(QByteArray::fromStdString(FormatTimeOfDayText(h, m, s)), read);
}

// Tasks stored out of their channel order and files out of time order come back as saved, every field with
// it, sizes past 4 GB whole; the manual list is a list like the others; a task's done mark stays in its list.
void TestDbAccess::taskListsComeBackInSavedOrder()
{
    CTempDatabase temp;
    const QList<int> positions{5, 2, 9};
    for (const int group : {0, MANUAL_GROUP_ID}) {
        QList<TASK_INFO> list;
        for (int t = 0; t < 3; ++t) {
            TASK_INFO task;
            task.TaskTime = QDate(2024, 12, 31).addDays(t);
            task.GroupID = int16_t(group);
            task.CameraIndex = int16_t(positions[t]);
            task.DownloadState = int16_t(t);
            task.TotalChannelSize = (int64_t(5) << 32) + t;
            for (const char* start : {"2024-12-31 22:00:00", "2024-12-31 01:00:00"}) {
                FILE_INFO file;
                file.FileStartTime = Time(start);
                file.FileStopTime = Time(start);
                file.FileStopTime.Minute = 59;
                file.FileType = uint8_t(8 - t);
                file.DownloadState = int16_t(2 - t);
                file.FileSize = (int64_t(3) << 32) + task.FileList.size();
                task.FileList.append(file);
            }
            list.append(task);
        }
        QVERIFY(DbSaveTaskList(list, group, 0));
    }
    temp.Reopen();
    for (const int group : {0, MANUAL_GROUP_ID}) {
        QList<TASK_INFO> read;
        QVERIFY(DbSelectTaskInfo(&read, group, 0));
        QCOMPARE(read.size(), 3);
        for (int t = 0; t < 3; ++t) {
            const TASK_INFO& task = read[t];
            QCOMPARE(task.TaskTime, QDate(2024, 12, 31).addDays(t));
            QCOMPARE(task.GroupID * 100 + task.CameraIndex * 10 + task.DownloadState,
                     group * 100 + positions[t] * 10 + t);
            QCOMPARE(task.TotalChannelSize, (int64_t(5) << 32) + t);
            QCOMPARE(task.FileList.size(), 2);
            for (int f = 0; f < 2; ++f) {
                const FILE_INFO& file = task.FileList[f];
                QCOMPARE(QByteArray::fromStdString(FormatDateTimeText(file.FileStartTime) + "-" +
                                                   FormatDateTimeText(file.FileStopTime)),
                         QByteArray(f == 0 ? "2024-12-31 22:00:00-2024-12-31 22:59:00"
                                           : "2024-12-31 01:00:00-2024-12-31 01:59:00"));
                QCOMPARE(file.FileType * 10 + file.DownloadState, (8 - t) * 10 + 2 - t);
                QCOMPARE(file.FileSize, (int64_t(3) << 32) + f);
            }
        }
    }
    // The same task in the current and the overdue list: marking the current one done leaves the other.
    QList<TASK_INFO> list;
    QVERIFY(DbSelectTaskInfo(&list, 0, 0));
    QVERIFY(DbSaveTaskList(list, 0, 1));
    list[1].DownloadState = DOWNLOAD_DONE;
    QVERIFY(DbUpdateTaskState(&list[1], 0));
    QCOMPARE(
        TextOf("SELECT group_concat(IsPast) FROM TaskInfo_Table WHERE GroupID = 0 AND CameraIndex = 2 AND "
               "DownloadState = 2"),
        QByteArray("0"));
}

// Another program's device table: rows whose port lies outside 1..65535 or whose text does not fit its field
// are left out, the others come in as read, whatever further columns the table has.
void TestDbAccess::importTakesRowsThatFit()
{
    CTempDatabase temp;
    const QString path = temp.Dir() + QStringLiteral("/import.db");
    {
        CSQLite3DB db;
        db.Open(path.toStdString());
        db.Exec("CREATE TABLE TInfo_Device (Id, Address TEXT, Name TEXT, UserName TEXT, UserPwd TEXT, Port, "
                "Note);");
        const QList<std::tuple<std::string, std::string, std::string, int>> rows{
            {"10.0.0.1", "port 0", "admin", 0},
            {"10.0.0.2", "port 1", "admin", 1},
            {"10.0.0.3", "port 65535", "admin", 65535},
            {"10.0.0.4", "port 65536", "admin", 65536},
            {"100.100.100.100", "address of 15", std::string(31, 'u'), 8000},
            {"100.100.100.1000", "address of 16", "admin", 8000},
            {"10.0.0.7", std::string(32, 'n'), "admin", 8000},
            {"10.0.0.8", std::string(33, 'n'), "admin", 8000},
            {"10.0.0.9", "user of 32", std::string(32, 'u'), 8000}};
        for (const auto& [address, name, user, port] : rows)
            db.Exec("INSERT INTO TInfo_Device VALUES (1, ?, ?, ?, 'pw', ?, 'x');",
                    {address, name, user, port});
    }
    std::vector<DEVICE_INFO> devices;
    QVERIFY(DbSelectTInfoDevice(path, &devices));
    QStringList read;
    for (const DEVICE_INFO& d : devices)
        read << QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(QString::fromLatin1(d.DeviceIP), QString::fromLatin1(d.DeviceName).left(14))
                    .arg(qstrlen(d.Username))
                    .arg(d.Port)
                    .arg(d.FlowCtrlValue);
    QCOMPARE(read,
             (QStringList{"10.0.0.2 port 1 5 1 -1", "10.0.0.3 port 65535 5 65535 -1",
                          "100.100.100.100 address of 15 31 8000 -1", "10.0.0.7 nnnnnnnnnnnnnn 5 8000 -1"}));
}

// The record set's edges: a query without rows is at its end at once, a column outside the row throws, names
// are matched exactly, and the time getters read the stored texts.
void TestDbAccess::recordSetBounds()
{
    CTempDatabase temp;
    CSQLite3Recordset none;
    QVERIFY(GetMainDB().Query("SELECT * FROM Log_Table", none));
    QVERIFY(none.IsEof());
    CSQLite3Recordset rs;
    QVERIFY(
        GetMainDB().Query("SELECT 7 AS Seven, NULL AS Empty, '2024-02-29 10:00:00' AS Stamp, '9:5:0' AS Day, "
                          "'2024-2-29 10:00:00' AS Short",
                          rs));
    QVERIFY(!rs.IsEof());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, rs.GetInt(-1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, rs.GetString(5));
    QCOMPARE(rs.GetInt(4 - 4), 7);
    QCOMPARE(rs.GetFieldIndex("Seven") * 10 + rs.GetFieldIndex("Short"), 4);
    QCOMPARE(rs.GetFieldIndex("seven"), -1);
    QCOMPARE(rs.GetFieldIndex(""), -1);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rs.GetInt(std::string("seven")));
    QCOMPARE(rs.GetInt(std::string("Seven")), 7);
    QCOMPARE(rs.GetString(1), std::string());
    QCOMPARE(rs.GetDateTime(2), QDateTime(QDate(2024, 2, 29), QTime(10, 0, 0)).toSecsSinceEpoch());
    QCOMPARE(rs.GetDateTime(4), int64_t(0));
    QCOMPARE(rs.GetTime(3), QDateTime(QDate(1970, 1, 4), QTime(9, 5, 0)).toSecsSinceEpoch());
    QCOMPARE(rs.GetTime(1), QDateTime(QDate(1970, 1, 4), QTime(0, 0, 0)).toSecsSinceEpoch());
    QVERIFY(!rs.Next());
    QVERIFY(rs.IsEof());
}

VARROW_TEST_MAIN(TestDbAccess, QCoreApplication)
#include "tst_dbaccess.moc"

// The program's start and end: a second process must be refused before it touches the database, a killed
// first process must not block the next start, a too small screen is refused, a storage failure is reported
// and start-up goes on, and a repeated close request asks nothing once the window is down.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "app/ClientConfigManager.h"
#include "app/VarrowStart.h"
#include "config/CDlgSet.h"
#include "config/devices/CDlgCfgDevice.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "platform/SingleInstance.h"
#include "widgets/dialogs/CFileDialog.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CTableView.h"
#include "tests/support/MachineNeeds.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <fcntl.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>

namespace {

QString BigScreenPlatform()
{
    return QStringLiteral("offscreen:configfile=" VARROW_TEST_DATA_DIR "/screens/1280x1024.json");
}

// The child mode: a process that starts as the program does, in the given program directory, and reports
// whether and how it was refused. Its boxes are answered by the modal driver.
int RunRefusalCheck(int argc, char** argv)
{
    SetAppDirOverride(QString::fromLocal8Bit(argv[2]));
    qputenv("QT_QPA_PLATFORM", argv[3]);
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    CModalDriver driver;
    driver.Answer([](QWidget* box) { box->close(); });
    const bool refused = app.IsRunning() || app.CheckResolution();
    const MODAL_SEEN box = driver.Seen().value(0);
    std::printf("refused=%d\ntitle=%s\ntext=%s\n", refused ? 1 : 0, qPrintable(box.title),
                qPrintable(box.Text()));
    return 0;
}

int ModeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// Polls until the main window is shown with no box over it, then stops `poll` and hands the window to `act`.
void OnMainWindowUp(QTimer* poll, const std::function<void(CVarrow*)>& act)
{
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CVarrow*>(widget);
            if (window == nullptr || !window->isVisible() || QApplication::activeModalWidget() != nullptr)
                continue;
            poll->stop();
            act(window);
            return;
        }
    });
    poll->start(20);
}

// The child mode of a whole run in the given program directory, through the program's own start and close:
// the first box is answered by closing it (the database error) or accepting it (the close confirmation).
// Reports the boxes, the modes of the database's files while the window was up, and the result.
int RunWholeProgram(int argc, char** argv)
{
    // A file size limit, when given, makes every write past it fail as a full disk does, even for root.
    if (argc >= 4) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(std::atoll(argv[3]));
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    SetAppDirOverride(QString::fromLocal8Bit(argv[2]));
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    CModalDriver driver;
    driver.Answer([](QWidget* box) { box->close(); });
    QString modes;
    QTimer closer;
    OnMainWindowUp(&closer, [&](CVarrow* window) {
        const QDir dir(QString::fromLocal8Bit(argv[2]));
        for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("Varrow.db*")}, QDir::Files))
            modes += QStringLiteral(" %1:%2")
                         .arg(file.fileName())
                         .arg(ModeOf(file.filePath()), 4, 8, QLatin1Char('0'));
        driver.Clear();
        driver.Accept();
        window->close(); // deletes widgets that the list still names
    });
    const int result = RunVarrow();
    std::printf("result=%d\nmodes=%s\n", result, qPrintable(modes));
    for (const MODAL_SEEN& box : driver.Seen())
        std::printf("box=%s|%s\n", qPrintable(box.title), qPrintable(box.Text()));
    return 0;
}

// The child mode of a run in the given program directory in which a termination signal (argv[3]) comes while
// a question is open: from the main window the settings, there the device list, its first row selected and
// its delete pressed; the signal is the only answer "Sure to delete Device？" gets. Reports the question and
// the result.
int RunSignalOverQuestion(int argc, char** argv)
{
    SetAppDirOverride(QString::fromLocal8Bit(argv[2]));
    const int signal = std::atoi(argv[3]);
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    CModalDriver driver;
    driver.Answer([](QWidget* window) {
        auto* settings = qobject_cast<CDlgSet*>(window);
        if (settings == nullptr) {
            qobject_cast<QDialog*>(window)->reject();
            return;
        }
        settings->Form().pBtnDevice->click();
        const CDlgCfgDeviceClass& page = settings->DevicePage()->Form();
        CTableView* table = page.m_pTableViewDevice;
        table->selectionModel()->select(table->GetIndex(0, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table->selectionModel()->setCurrentIndex(table->GetIndex(0, 0), QItemSelectionModel::NoUpdate);
        // Pressed from the dialog's own loop, so that the question gets the next answer.
        QTimer::singleShot(0, page.m_pBtnDeleteDevice, &QPushButton::click);
    });
    QString question;
    driver.Answer([&question, signal](QWidget* box) {
        question = CModalDriver::Describe(box).Text();
        ::kill(::getpid(), signal);
    });
    QTimer opener;
    OnMainWindowUp(&opener, [](CVarrow* window) { window->Form().pBtnConfig->click(); });
    const int result = RunVarrow();
    std::printf("result=%d\nquestion=%s\n", result, qPrintable(question));
    return 0;
}

// The child mode of a running station in the given program directory that shows a file picker on its own
// folder, as the import's Read From DataBase does, saves, says "ready", saves again once told "save" on its
// input (after another client looked at its database), says "saved", and waits to be killed.
int RunPickerThenWait(int argc, char** argv)
{
    SetAppDirOverride(QString::fromLocal8Bit(argv[2]));
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    const QString dir = QString::fromLocal8Bit(argv[2]);
    CModalDriver driver;
    driver.SetOnTopLimit(0);
    driver.Answer([&dir](QWidget* window) {
        auto* model = window->findChild<QFileSystemModel*>();
        const QString db = dir + QStringLiteral("/Varrow.db");
        // Closed once the list has named the kinds of the folder's files.
        [[maybe_unused]] const bool named = QTest::qWaitFor(
            [&] { return model != nullptr && !model->type(model->index(db)).isEmpty(); }, 10000);
        QTest::qWait(200);
        static_cast<QDialog*>(window)->reject();
    });
    const auto save = [](int n) {
        GetMainDB().Exec("CREATE TABLE IF NOT EXISTS Saves (N INTEGER); INSERT INTO Saves VALUES (" +
                         std::to_string(n) + ");");
    };
    QTimer poll;
    OnMainWindowUp(&poll, [&](CVarrow*) {
        save(1);
        CFileDialog::GetOpenFileName(nullptr, QStringLiteral("Open Spreadsheet"), dir,
                                     QStringLiteral("DataBase files (*.db)"));
        save(2);
        std::printf("ready\n");
        std::fflush(stdout);
        char line[16] = {};
        if (std::fgets(line, sizeof line, stdin) == nullptr)
            return;
        save(3);
        std::printf("saved\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    return RunVarrow();
}

// Runs this test program in one of its child modes; what it printed.
QString RunChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(60000))
        child.kill();
    return QString::fromLocal8Bit(child.readAllStandardOutput());
}

// A process started in `dir` is refused with a box that says `text`.
void ExpectRefused(const QString& dir, const QString& platform, const QString& text)
{
    const QString report = RunChild({QStringLiteral("--refusal"), dir, platform});
    QVERIFY2(report.startsWith(QStringLiteral("refused=1\ntitle=Varrow\n")) && report.contains(text),
             qPrintable(report));
}

struct CLogRow
{
    QString text;
    QString kind; // "type/subtype"
};

// The log's entries, oldest first; none while the database is not there yet (the caller waits).
QList<CLogRow> LogRows(const QString& dbPath)
{
    QList<CLogRow> rows;
    CSQLite3DB db;
    try {
        db.Open(dbPath.toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
        CSQLite3Recordset rs;
        if (db.Query("SELECT LogContents, LogType, LogSubType FROM Log_Table ORDER BY rowid", rs)) {
            for (; !rs.IsEof(); rs.Next())
                rows.append({QString::fromStdString(rs.GetString(0)),
                             QStringLiteral("%1/%2").arg(rs.GetInt(1)).arg(rs.GetInt(2))});
        }
    } catch (const CSQlite3Error&) {
        // Not there yet: the caller waits.
    }
    return rows;
}

QStringList LogTexts(const QString& dbPath)
{
    QStringList texts;
    for (const CLogRow& row : LogRows(dbPath))
        texts << row.text;
    return texts;
}

// "type/subtype" of each log entry whose text starts with `text`, oldest first.
QStringList LogKinds(const QString& dbPath, const QString& text)
{
    QStringList kinds;
    for (const CLogRow& row : LogRows(dbPath))
        if (row.text.startsWith(text))
            kinds << row.kind;
    return kinds;
}

QByteArray DatabaseBytes(const QString& dir)
{
    QByteArray bytes;
    for (const char* name : {"Varrow.db", "Varrow.db-wal"}) {
        QFile file(dir + QLatin1Char('/') + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll();
    }
    return bytes;
}

// Sets a file's modification time `seconds` before now.
bool AgeFile(const QString& path, int seconds)
{
    timeval times[2] = {};
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - seconds;
    return ::utimes(QFile::encodeName(path).constData(), times) == 0;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void smallScreenRefused();
    void secondInstanceRefusedAndKilledFirstDoesNotBlock();
    void ownerlessLockIsStaleOnceOld();
    void startAndConfirmedClose_data();
    void startAndConfirmedClose();
    void unusableDatabaseReportedAndLeftUntouched_data();
    void unusableDatabaseReportedAndLeftUntouched();
    void unreadableStoredPartRefusesTheStart_data();
    void unreadableStoredPartRefusesTheStart();
    void failedFirstStartLeavesNoFile();
    void databaseOfAnotherUserRefusedAtStart_data();
    void savesOutliveAPickerAnotherClientAndAKill();
    void databaseOfAnotherUserRefusedAtStart();
    void cleanCloseLeavesEverythingInTheOwnersFile_data();
    void cleanCloseLeavesEverythingInTheOwnersFile();
    void signalEndsTheProgramAsAConfirmedClose_data();
    void signalEndsTheProgramAsAConfirmedClose();
    void signalAnswersAnOpenQuestionNo_data();
    void signalAnswersAnOpenQuestionNo();
    void diskWaitOfANewStationIsNoFault_data();
    void diskWaitOfANewStationIsNoFault();
    void setupFileThatIsNoRegularFileIsRefused_data();
    void setupFileThatIsNoRegularFileIsRefused();

private:
    // A copy of the program in a directory of its own, started on a big screen.
    void StartProgram(QProcess& process, const QString& dir);
};

void TestStartup::smallScreenRefused()
{
    // The least screen is 1024 x 768: one pixel less either way is refused.
    QVERIFY(!COmbrixApplication::IsResolutionTooSmall(QSize(1024, 768)));
    QVERIFY(COmbrixApplication::IsResolutionTooSmall(QSize(1023, 768)));
    QVERIFY(COmbrixApplication::IsResolutionTooSmall(QSize(1024, 767)));
    // The plain offscreen screen is 800 x 800: a process started on it is refused before it makes a database.
    QTemporaryDir dir;
    ExpectRefused(dir.path(), QStringLiteral("offscreen"),
                  QStringLiteral("The least resolution is 1024*768."));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Varrow.db"))));
}

void TestStartup::StartProgram(QProcess& process, const QString& dir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), BigScreenPlatform());
    environment.remove(QStringLiteral("NOTIFY_SOCKET"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(dir + QStringLiteral("/Varrow"), {});
    QVERIFY(process.waitForStarted());
}

void TestStartup::secondInstanceRefusedAndKilledFirstDoesNotBlock()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VARROW_EXE), dir.filePath(QStringLiteral("Varrow"))));
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));

    QProcess first;
    StartProgram(first, dir.path());
    // Started, and its page has said that the backups wait for a disk: nothing more is written meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(LogTexts(db).size(), 2, 20000);
    QVERIFY(LogTexts(db).contains(QStringLiteral("Open Software")));

    const QByteArray before = DatabaseBytes(dir.path());
    ExpectRefused(dir.path(), BigScreenPlatform(), QStringLiteral("Software is already running."));
    QCOMPARE(DatabaseBytes(dir.path()), before);
    QCOMPARE(first.state(), QProcess::Running);

    // A crash leaves the lock file behind; it must not keep the program from starting again.
    ::kill(pid_t(first.processId()), SIGKILL);
    QVERIFY(first.waitForFinished());
    QProcess second;
    StartProgram(second, dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(LogTexts(db).count(QStringLiteral("Open Software")), 2, 20000);
    ::kill(pid_t(second.processId()), SIGKILL);
    QVERIFY(second.waitForFinished());

    // A power cut between the lock's making and its writing leaves it empty: it names no owner, and once
    // old it must not keep an unattended station from starting.
    const QString lock = dir.filePath(QStringLiteral("Varrow.lock"));
    QVERIFY(WriteFile(lock, QByteArray()) && AgeFile(lock, 60));
    QProcess third;
    StartProgram(third, dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(LogTexts(db).count(QStringLiteral("Open Software")), 3, 20000);
    third.kill();
    third.waitForFinished();
}

// A lock file that names no owner is stale from five seconds of age on; a living owner's lock never is.
void TestStartup::ownerlessLockIsStaleOnceOld()
{
    const QString path = GetAbsolutePath(QStringLiteral("Probe.lock"));
    const struct
    {
        QByteArray content;
        int age;
        CSingleInstance::Result expected;
    } cases[] = {
        // Set in whole seconds and read a moment later: a lock aged 4 s may already count 5 on a busy
        // machine.
        {QByteArray(), 3, CSingleInstance::HeldByOther},
        {QByteArray(), 5, CSingleInstance::Acquired},
        {QByteArray("not a lock\n"), 60, CSingleInstance::Acquired},
        {QByteArray(), -60, CSingleInstance::Acquired}, // made "in the future" before the clock was set back
    };
    for (const auto& c : cases) {
        QVERIFY(WriteFile(path, c.content) && AgeFile(path, c.age));
        CSingleInstance instance(QStringLiteral("Probe"));
        QCOMPARE(instance.TryAcquire(), c.expected);
        instance.Release();
    }
    CSingleInstance owner(QStringLiteral("Probe"));
    QCOMPARE(owner.TryAcquire(), CSingleInstance::Acquired);
    QVERIFY(AgeFile(path, 60));
    CSingleInstance second(QStringLiteral("Probe"));
    QCOMPARE(second.TryAcquire(), CSingleInstance::HeldByOther);
    owner.Release();
    QCOMPARE(second.TryAcquire(), CSingleInstance::Acquired);
}

void TestStartup::startAndConfirmedClose_data()
{
    QTest::addColumn<bool>("there");    // the disk's folder path holds something (a file), or nothing
    QTest::addColumn<QString>("cause"); // what the box says after the disk's name and folder
    QTest::newRow("disk not there") << false
                                    << "does not exist (is its volume mounted?).\n"
                                       "The backups wait for this disk and start once it is there.";
    QTest::newRow("disk there but unusable")
        << true << QStringLiteral("cannot be written: %1.").arg(std::strerror(ENOTDIR));
}

void TestStartup::startAndConfirmedClose()
{
    // A drive letter whose folder is missing, or is a file: the storage object fails, the box names the disk
    // and the cause, and start-up goes on; the page shows that the backups wait for the disk.
    QFETCH(bool, there);
    QFETCH(QString, cause);
    QTemporaryDir disks;
    const QString folder =
        there ? disks.filePath(QStringLiteral("file")) : QStringLiteral("/proc/varrow-no-such-dir");
    QVERIFY(!there || WriteFile(folder, "x"));
    QVERIFY(MapDrives({{'Q', folder}}));
    // Each run starts on a log of its own.
    const QString db = GetAbsolutePath(QStringLiteral("Varrow.db"));
    CloseMainDB();
    QFile::remove(db);
    g_pSysInfoManage->LoadAllInfo();
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    std::strcpy(config.Disk, "Q");
    config.BackupMode = 0;
    g_pSysInfoManage->SetSystemConfig(&config);

    CModalDriver driver;
    driver.Accept();
    driver.Accept();
    std::unique_ptr<CVarrow> window = OpenMainWindow();
    QVERIFY(window);
    const QString disk = QStringLiteral("Disk Q: the folder ") + folder + QLatin1Char(' ');
    const QString clear = QStringLiteral("Create Storage Error:12.Please check and clear the local disk.\n");
    QCOMPARE(driver.Seen().first().Text(), (there ? clear : QString()) + disk + cause);
    const QString waits = QStringLiteral("Backups wait for the record disk. ") + disk;
    QTRY_COMPARE(LogTexts(db).size(), 2);
    QVERIFY(LogTexts(db).contains(QStringLiteral("Open Software")));
    QVERIFY2(LogTexts(db).filter(waits).size() == 1, qPrintable(LogTexts(db).join(QLatin1Char('|'))));
    CTableView* events = window->ViewState()->findChild<CTableView*>(QStringLiteral("tableView_Event"));
    QCOMPARE(events->GetTopRowCount(), 1);
    QVERIFY(events->GetItemText(0, 6).startsWith(waits));

    // Confirmed, the event loop ends; a second close request before it ends finds everything down already
    // and asks nothing.
    QTimer::singleShot(0, window.get(), [&] {
        window->close();
        window->close();
    });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(driver.Seen().size(), 2);
    QVERIFY(window->ViewState() == nullptr);
    QCOMPARE(LogTexts(db).last(), QStringLiteral("Close Software"));
}

namespace {

// A database file with the schema's tables, made the way the program makes it.
void MakeDatabase(const QString& path, const char* extra = nullptr)
{
    CSQLite3DB db;
    db.Open(path.toStdString());
    if (extra != nullptr)
        db.Exec(extra);
    else
        EnsureSchema(db);
}

} // namespace

void TestStartup::unusableDatabaseReportedAndLeftUntouched_data()
{
    QTest::addColumn<QByteArray>("content");  // the file's bytes; empty for a database made by MakeDatabase
    QTest::addColumn<QByteArray>("oldTable"); // a table of an older kind that lacks columns
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("cause");
    QByteArray noise(8192, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("random bytes") << noise << QByteArray() << 0600 << "file is not a database";
    QTest::newRow("empty file") << QByteArray("") << QByteArray() << 0600
                                << "the file is empty\nTo start with empty settings, move the file away and "
                                   "start the program again.";
    QTest::newRow("read-only") << QByteArray() << QByteArray() << 0444 << "the file is read-only";
    // An older file in the rollback journal: refused, and not switched to the write-ahead journal either.
    QTest::newRow("lacks columns") << QByteArray() << QByteArray("CREATE TABLE Log_Table (LogTime TEXT);")
                                   << 0600 << "Log_Table lacks the column";
}

void TestStartup::unusableDatabaseReportedAndLeftUntouched()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, oldTable);
    QFETCH(int, mode);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    if (QTest::currentDataTag() == QByteArrayLiteral("empty file") || !content.isEmpty()) {
        QFile file(db);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    } else {
        MakeDatabase(db, oldTable.isEmpty() ? nullptr : oldTable.constData());
    }
    QVERIFY(::chmod(QFile::encodeName(db).constData(), mode_t(mode)) == 0);
    QFile before(db);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const QDateTime modified = QFileInfo(db).lastModified();

    const QString report = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(report.startsWith(QStringLiteral("result=1\nmodes=\nbox=Varrow|")), qPrintable(report));
    QVERIFY2(report.contains(db) && report.contains(cause) && report.count(QStringLiteral("box=")) == 1,
             qPrintable(report));
    QFile after(db);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QCOMPARE(QFileInfo(db).lastModified(), modified);
    QCOMPARE(ModeOf(db), mode);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("Varrow.db-*")}, QDir::Files), QStringList());
}

void TestStartup::unreadableStoredPartRefusesTheStart_data()
{
    QTest::addColumn<QString>("table"); // damaged inside: its pages cannot be read
    QTest::addColumn<QString>("part");  // as the box names it
    QTest::addColumn<QString>("row");   // a row of the table, so that it holds one
    QTest::newRow("settings") << "SystemConfig_Table"
                              << "settings"
                              << "";
    QTest::newRow("recorders")
        << "Device_Table"
        << "recorders"
        << "INSERT INTO Device_Table (DeviceID, IsUsed, DeviceName) VALUES (3, 1, 'Gate');";
    QTest::newRow("plans") << "Group_Table"
                           << "plans"
                           << "INSERT INTO Group_Table (GroupID, IsUsed, GroupName) VALUES (2, 1, 'Night');";
    QTest::newRow("mail settings") << "Mail_Table"
                                   << "mail settings"
                                   << "";
    QTest::newRow("manual backup") << "ScheduleManul_Table"
                                   << "manual backup"
                                   << "INSERT INTO ScheduleManul_Table (FileStartTime, FileEndTime) VALUES "
                                      "('2024-03-03 00:00:00', '2024-03-03 23:59:59');";
}

// A stored part that cannot be read refuses the start, through the program's own start: opened with
// defaults, the station would write them over the stored rows at the next save. The box names the file, the
// part and the cause.
void TestStartup::unreadableStoredPartRefusesTheStart()
{
    QFETCH(QString, table);
    QFETCH(QString, part);
    QFETCH(QString, row);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    MakeDatabase(db);
    QList<int> pages;
    int pageSize = 0;
    {
        CSQLite3DB file;
        file.Open(db.toStdString());
        if (!row.isEmpty())
            file.Exec(row.toStdString());
        CSQLite3Recordset rs;
        QVERIFY(file.Query("PRAGMA page_size;", rs));
        pageSize = rs.GetInt(0);
        rs.Close();
        QVERIFY(file.Query("SELECT rootpage FROM sqlite_master WHERE tbl_name = ? AND rootpage > 0;", rs,
                           {table.toStdString()}));
        for (; !rs.IsEof(); rs.Next())
            pages << rs.GetInt(0);
    }
    QVERIFY(pageSize > 0 && !pages.isEmpty());
    QFile file(db);
    QVERIFY(file.open(QIODevice::ReadWrite));
    for (const int page : pages) {
        QVERIFY(file.seek(qint64(page - 1) * pageSize));
        QCOMPARE(file.write(QByteArray(pageSize, char(0xFF))), qint64(pageSize));
    }
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray damaged = file.readAll();
    file.close();

    const QString report = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(report.startsWith(QStringLiteral("result=1\nmodes=\nbox=Varrow|")) &&
                 report.count(QStringLiteral("box=")) == 1,
             qPrintable(report));
    const QString says = db + QStringLiteral(": the stored ") + part + QStringLiteral(" cannot be read (");
    QVERIFY2(report.contains(says) && report.contains(QStringLiteral("malformed")), qPrintable(report));
    // The box says the file was left as it is: so it was, to its header (no journal mode switched).
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("Varrow.db-*")}, QDir::Files), QStringList());
}

// A first start that cannot make its database (here its disk fills up) leaves nothing behind: the next start
// is a first start again, not one refused over an empty file.
// A Varrow.db that leads to another user's file: the start stops with a box naming the file and its owner,
// before that user's file is read, written or tightened.
void TestStartup::databaseOfAnotherUserRefusedAtStart_data()
{
    QTest::addColumn<bool>("chinese");   // the language Setup.xml chooses
    QTest::addColumn<QString>("reason"); // %1 the database's name, %2 the other user's file
    QTest::newRow("English") << false << "%1 is a link to %2, a file of another user: nobody (user id 65534)";
    QTest::newRow("Chinese") << true
                             << QString::fromUtf8(
                                    "%1 是指向 %2 的链接，其他用户的文件：nobody (用户 ID 65534)");
}

void TestStartup::databaseOfAnotherUserRefusedAtStart()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's file needs a second user id");
    QFETCH(bool, chinese);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (chinese) {
        QFile setup(dir.filePath(QStringLiteral("Setup.xml")));
        QVERIFY(setup.open(QIODevice::WriteOnly) &&
                setup.write("<Configs><Translator><Value>1</Value></Translator></Configs>") > 0);
        // The compiled catalogues, where the program looks for them.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("translations")));
        for (const char* name : {"varrow_zh.qm", "qt_zh_CN.qm"})
            QVERIFY(QFile::copy(QStringLiteral(VARROW_TRANSLATIONS_DIR "/") + QLatin1String(name),
                                dir.filePath(QStringLiteral("translations/")) + QLatin1String(name)));
    }
    const QString theirs = dir.filePath(QStringLiteral("theirs.db"));
    MakeDatabase(theirs);
    QVERIFY(::chown(QFile::encodeName(theirs).constData(), 65534, 65534) == 0);
    QVERIFY(::chmod(QFile::encodeName(theirs).constData(), 0644) == 0);
    const QByteArray bytes = ReadAll(theirs);
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    QVERIFY(QFile::link(theirs, db));

    const QString report = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(report.startsWith(QStringLiteral("result=1\nmodes=\nbox=Varrow|")) &&
                 report.contains(reason.arg(db, theirs)),
             qPrintable(report));
    QCOMPARE(ReadAll(theirs), bytes);
    QCOMPARE(ModeOf(theirs), 0644);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.db-*")}, QDir::Files), QStringList());
}

// A station that showed a file picker on its own folder keeps its database's locks: another client's look at
// the database (an administrator's sqlite3) leaves its write-ahead journal, and a kill -9 afterwards loses no
// save, also none made after the look.
void TestStartup::savesOutliveAPickerAnotherClientAndAKill()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("sqlite3 is not installed (scripts/install-deps.sh installs it).");
    QTemporaryDir dir;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--picker-then-wait"), dir.path()});
    const auto end = qScopeGuard([&child] {
        child.kill();
        child.waitForFinished();
    });
    const auto waitFor = [&child](const QByteArray& line) {
        QElapsedTimer waited;
        waited.start();
        while (!child.canReadLine() && waited.elapsed() < TestSupport::Bound(30000))
            child.waitForReadyRead(100);
        return child.readLine().trimmed() == line;
    };
    QVERIFY(waitFor("ready"));
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    QProcess client;
    client.start(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT COUNT(*) FROM sqlite_master;")});
    QVERIFY(client.waitForFinished(TestSupport::Bound(10000)) && client.exitCode() == 0);
    QVERIFY2(QFile::exists(db + QStringLiteral("-wal")), "another client removed the journal");
    child.write("save\n");
    QVERIFY(waitFor("saved"));
    child.kill(); // SIGKILL: nothing of the program's close runs
    QVERIFY(child.waitForFinished(TestSupport::Bound(10000)));

    CSQLite3DB after;
    after.Open(db.toStdString());
    CSQLite3Recordset rows;
    QVERIFY(after.Query("SELECT COUNT(*) FROM Saves", rows));
    QCOMPARE(rows.GetInt(0), 3);
}

void TestStartup::failedFirstStartLeavesNoFile()
{
    QTemporaryDir dir;
    const QString report = RunChild({QStringLiteral("--run"), dir.path(), QStringLiteral("16384")});
    QVERIFY2(report.startsWith(QStringLiteral("result=1\nmodes=\nbox=Varrow|The database cannot be created; "
                                              "nothing was left behind:\n") +
                               dir.filePath(QStringLiteral("Varrow.db: "))),
             qPrintable(report));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("Varrow.db*")}, QDir::Files | QDir::Hidden),
             QStringList());
    const QString again = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(again.startsWith(QStringLiteral("result=0\n")), qPrintable(again));
    QVERIFY(LogTexts(dir.filePath(QStringLiteral("Varrow.db"))).contains(QStringLiteral("Close Software")));
}

void TestStartup::cleanCloseLeavesEverythingInTheOwnersFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new file") << false;
    QTest::newRow("existing file readable by all") << true;
}

void TestStartup::cleanCloseLeavesEverythingInTheOwnersFile()
{
    // The file holds the recorders' and the mail login's passwords: it and its companions are the owner's
    // alone. After a clean close, a copy of the file without its companions holds the whole run.
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    if (existing) {
        MakeDatabase(db);
        QVERIFY(::chmod(QFile::encodeName(db).constData(), 0644) == 0);
    }
    const QString report = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(report.startsWith(QStringLiteral("result=0\nmodes= Varrow.db:0600 Varrow.db-shm:0600 "
                                              "Varrow.db-wal:0600\nbox=Confirm|")),
             qPrintable(report));
    QCOMPARE(ModeOf(db), 0600);

    QTemporaryDir copy;
    QVERIFY(QFile::copy(db, copy.filePath(QStringLiteral("Varrow.db"))));
    // The page may have said, before the close, that automatic backup waits for a disk.
    QStringList log = LogTexts(copy.filePath(QStringLiteral("Varrow.db")));
    log.removeOne(QStringLiteral("Backups wait for the record disk. No record disk is chosen."));
    QCOMPARE(log, QStringList({QStringLiteral("Open Software"), QStringLiteral("Close Software")}));
}

void TestStartup::signalEndsTheProgramAsAConfirmedClose_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("box"); // sent while the start's storage box is open
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM while a box is open") << int(SIGTERM) << true;
}

// A logout, a service stop or Ctrl+C ends the real program as the operator's confirmed close does, without
// its question: the engine stopped, "Close Software" logged, the database checkpointed and closed, the lock
// given up.
void TestStartup::signalEndsTheProgramAsAConfirmedClose()
{
    QFETCH(int, signal);
    QFETCH(bool, box);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VARROW_EXE), dir.filePath(QStringLiteral("Varrow"))));
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    // Automatic backup over a disk whose folder is missing: the start shows its box, and the page, on its
    // own loop, that the backups wait.
    MakeDatabase(db);
    {
        CSQLite3DB file;
        file.Open(db.toStdString());
        file.Exec(box ? "UPDATE SystemConfig_Table SET Disk = 'Q', BackupMode = 0;"
                      : "UPDATE SystemConfig_Table SET BackupMode = 0;");
    }
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("Drives.conf")), "Q=/proc/varrow-no-such-dir\n"));

    QProcess program;
    StartProgram(program, dir.path());
    const QString waits = QStringLiteral("Backups wait for the record disk. ");
    // The start is logged first, before its box and whatever the page logs while the box is open.
    QTRY_VERIFY_WITH_TIMEOUT(LogTexts(db).filter(box ? waits : QStringLiteral("Open Software")).size() == 1,
                             20000);
    QCOMPARE(LogTexts(db).value(0), QStringLiteral("Open Software"));
    ::kill(pid_t(program.processId()), signal);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QDir(dir.path())
                 .entryList({QStringLiteral("Varrow.db-*"), QStringLiteral("Varrow.lock")},
                            QDir::Files | QDir::Hidden),
             QStringList());
    const QStringList log = LogTexts(db);
    QCOMPARE(log.count(QStringLiteral("Open Software")), 1);
    QCOMPARE(log.last(), QStringLiteral("Close Software"));
}

void TestStartup::signalAnswersAnOpenQuestionNo_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A logout or a service stop while the operator is asked whether to delete a recorder is no "yes": the
// program ends as after a confirmed close and the recorder is still there at the next start.
void TestStartup::signalAnswersAnOpenQuestionNo()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Varrow.db"));
    MakeDatabase(db);
    {
        CSQLite3DB file;
        file.Open(db.toStdString());
        file.Exec("INSERT OR REPLACE INTO Device_Table (DeviceID, IsUsed, DeviceIP, DeviceName, Port) "
                  "VALUES (0, 1, '127.0.0.2', 'Gate', 8000);");
    }
    const QString report =
        RunChild({QStringLiteral("--signal-over-question"), dir.path(), QString::number(signal)});
    QVERIFY2(report.startsWith(QStringLiteral("result=0\nquestion=Sure to delete Device")),
             qPrintable(report));
    CSQLite3DB file;
    file.Open(db.toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
    CSQLite3Recordset rs;
    QVERIFY(file.Query("SELECT DeviceName FROM Device_Table WHERE IsUsed = 1", rs));
    QVERIFY2(!rs.IsEof() && rs.GetString(0) == "Gate", "the recorder was deleted");
    rs.Close();
    QCOMPARE(LogTexts(db).last(), QStringLiteral("Close Software"));
}

void TestStartup::diskWaitOfANewStationIsNoFault_data()
{
    QTest::addColumn<QString>("disk");  // the chosen drive letter; empty: none, as on a new station
    QTest::addColumn<QString>("cause"); // the line's end after "Backups wait for the record disk. "
    QTest::addColumn<QString>("kind");  // the log entry's type and subtype
    QTest::newRow("new station, no disk chosen") << ""
                                                 << "No record disk is chosen."
                                                 << "1/6";
    QTest::newRow("chosen disk not there") << "Q"
                                           << "Disk Q: the folder /proc/varrow-no-such-dir "
                                           << "2/9";
}

// A new station has no record disk yet: its automatic backup waits as it should, and the log says so as
// information about the disk setting, not as a write exception. A chosen disk that is missing is one.
void TestStartup::diskWaitOfANewStationIsNoFault()
{
    QFETCH(QString, disk);
    QFETCH(QString, cause);
    QFETCH(QString, kind);
    QVERIFY(MapDrives({{'Q', QStringLiteral("/proc/varrow-no-such-dir")}}));
    const QString db = GetAbsolutePath(QStringLiteral("Varrow.db"));
    CloseMainDB();
    QFile::remove(db);
    g_pSysInfoManage->LoadAllInfo();
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    std::memset(config.Disk, 0, sizeof config.Disk);
    std::strncpy(config.Disk, disk.toLatin1().constData(), sizeof config.Disk - 1);
    config.BackupMode = 0;
    g_pSysInfoManage->SetSystemConfig(&config);

    CModalDriver driver;
    driver.Accept(); // the storage box, when the disk is missing
    std::unique_ptr<CVarrow> window = OpenMainWindow();
    QVERIFY(window);
    const QString waits = QStringLiteral("Backups wait for the record disk. ") + cause;
    QStringList kinds;
    QTRY_VERIFY(!(kinds = LogKinds(db, waits)).isEmpty());
    QCOMPARE(kinds, QStringList{kind});
    window.reset();
}

void TestStartup::setupFileThatIsNoRegularFileIsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("cause"); // empty: read
    QTest::newRow("named pipe") << "fifo"
                                << "it is not a regular file";
    QTest::newRow("link to /dev/zero") << "zero"
                                       << "it is not a regular file";
    QTest::newRow("a folder") << "folder"
                              << "it is not a regular file";
    QTest::newRow("one byte over 256 KiB") << "large"
                                           << "it is larger than 256 KiB";
    QTest::newRow("256 KiB") << "largest"
                             << "";
}

// Setup.xml is a regular file of at most 256 KiB: anything else is refused at once, with which file and why,
// and the start goes on in the default language; a named pipe never holds the start.
void TestStartup::setupFileThatIsNoRegularFileIsRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setup.xml"));
    QByteArray xml = "<Configs><Translator><Value>1</Value></Translator></Configs>";
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(WriteFile(
            path, xml + QByteArray(256 * 1024 - xml.size() + (kind == QLatin1String("large") ? 1 : 0), ' ')));

    ClientConfigManager store;
    auto loading = std::async(std::launch::async, [&store, &path] { return store.Load(path); });
    if (loading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked open go before failing: a writer opens the pipe.
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        loading.wait();
        ::close(writer);
        QFAIL("the start waits on Setup.xml");
    }
    QCOMPARE(loading.get(), cause.isEmpty());
    if (cause.isEmpty()) {
        QCOMPARE(store.RefusalText(), QString());
        QCOMPARE(store.Find(ClientConfigManager::KeyTranslator)->GetValue(), QStringLiteral("1"));
        return;
    }
    QCOMPARE(store.Find(ClientConfigManager::KeyTranslator), nullptr);
    const QString refusal =
        QStringLiteral("The start-up settings %1 were not read (%2); the defaults apply.").arg(path, cause);
    QCOMPARE(store.RefusalText(), refusal);
    if (kind != QLatin1String("fifo"))
        return;
    // The whole program starts, and says so where an unattended station's operator looks.
    const QString report = RunChild({QStringLiteral("--run"), dir.path()});
    QVERIFY2(report.startsWith(QStringLiteral("result=0\n")), qPrintable(report));
    QVERIFY(LogTexts(dir.filePath(QStringLiteral("Varrow.db"))).contains(refusal));
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--run") == 0)
        return RunWholeProgram(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--signal-over-question") == 0)
        return RunSignalOverQuestion(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--refusal") == 0)
        return RunRefusalCheck(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--picker-then-wait") == 0)
        return RunPickerThenWait(argc, argv);
    TestSupport::PrepareProcess();
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_startup.moc"

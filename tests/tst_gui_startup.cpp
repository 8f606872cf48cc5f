// The program's start and end: a second process must be refused before it touches the database, a killed
// first process must not block the next start, a too small screen is refused, a storage failure is reported
// and start-up goes on, and a repeated close request asks nothing once the window is down.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "app/VarrowStart.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstring>

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

// The child mode of a whole run in the given program directory, through the program's own start and close:
// the first box is answered by closing it (the database error) or accepting it (the close confirmation).
// Reports the boxes, the modes of the database's files while the window was up, and the result.
int RunWholeProgram(int argc, char** argv)
{
    SetAppDirOverride(QString::fromLocal8Bit(argv[2]));
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    CModalDriver driver;
    driver.Answer([](QWidget* box) { box->close(); });
    QString modes;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CVarrow*>(widget);
            if (window == nullptr || !window->isVisible() || QApplication::activeModalWidget() != nullptr)
                continue;
            closer.stop();
            const QDir dir(QString::fromLocal8Bit(argv[2]));
            for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("Varrow.db*")}, QDir::Files))
                modes += QStringLiteral(" %1:%2")
                             .arg(file.fileName())
                             .arg(ModeOf(file.filePath()), 4, 8, QLatin1Char('0'));
            driver.Clear();
            driver.Accept();
            window->close(); // deletes widgets that the list still names
            return;
        }
    });
    closer.start(20);
    const int result = RunVarrow();
    std::printf("result=%d\nmodes=%s\n", result, qPrintable(modes));
    for (const MODAL_SEEN& box : driver.Seen())
        std::printf("box=%s|%s\n", qPrintable(box.title), qPrintable(box.Text()));
    return 0;
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

QStringList LogTexts(const QString& dbPath)
{
    QStringList texts;
    CSQLite3DB db;
    try {
        db.Open(dbPath.toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
        CSQLite3Recordset rs;
        if (db.Query("SELECT LogContents FROM Log_Table ORDER BY rowid", rs)) {
            for (; !rs.IsEof(); rs.Next())
                texts << QString::fromStdString(rs.GetString(0));
        }
    } catch (const CSQlite3Error&) {
        // Not there yet: the caller waits.
    }
    return texts;
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

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void smallScreenRefused();
    void secondInstanceRefusedAndKilledFirstDoesNotBlock();
    void startAndConfirmedClose();
    void unusableDatabaseReportedAndLeftUntouched_data();
    void unusableDatabaseReportedAndLeftUntouched();
    void cleanCloseLeavesEverythingInTheOwnersFile_data();
    void cleanCloseLeavesEverythingInTheOwnersFile();

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
    QTRY_COMPARE_WITH_TIMEOUT(LogTexts(db), QStringList({QStringLiteral("Open Software")}), 20000);

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
    second.kill();
    second.waitForFinished();
}

void TestStartup::startAndConfirmedClose()
{
    // A drive letter whose directory cannot be made: the storage object fails, the box says so with the
    // library's code, and start-up goes on.
    QVERIFY(MapDrives({{'Q', QStringLiteral("/proc/varrow-no-such-dir")}}));
    g_pSysInfoManage->LoadAllInfo();
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    std::strcpy(config.Disk, "Q");
    g_pSysInfoManage->SetSystemConfig(&config);

    CModalDriver driver;
    driver.Accept();
    driver.Accept();
    std::unique_ptr<CVarrow> window = OpenMainWindow();
    QVERIFY(driver.Seen().first().Text().contains(
        QStringLiteral("Create Storage Error:12.Please check and clear the local disk.")));
    QCOMPARE(LogTexts(GetAbsolutePath(QStringLiteral("Varrow.db"))),
             QStringList({QStringLiteral("Open Software")}));

    // Confirmed, the event loop ends; a second close request before it ends finds everything down already
    // and asks nothing.
    QTimer::singleShot(0, window.get(), [&] {
        window->close();
        window->close();
    });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(driver.Seen().size(), 2);
    QVERIFY(window->ViewState() == nullptr);
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
    QTest::newRow("empty file") << QByteArray("") << QByteArray() << 0600 << "the file is empty";
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
    QCOMPARE(LogTexts(copy.filePath(QStringLiteral("Varrow.db"))),
             QStringList({QStringLiteral("Open Software"), QStringLiteral("Close Software")}));
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--run") == 0)
        return RunWholeProgram(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--refusal") == 0)
        return RunRefusalCheck(argc, argv);
    TestSupport::PrepareProcess();
    qputenv("QT_QPA_PLATFORM", BigScreenPlatform().toLocal8Bit());
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_startup.moc"

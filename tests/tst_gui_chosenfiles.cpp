// The files and folders the operator chooses. The station's own database keeps the locks that tell other
// clients its write-ahead journal is in use: a picker that reads a file to name its kind, or an import of
// that very file, would open and close it, which ends every lock the process holds on it; another client's
// look then removes the journal under the running station, and a crash loses what was saved since. An import
// or a log backup on a volume that went silent ends within its bound and at a stop, naming the folder. A
// backup whose last bytes the disk refused is a failure, and the earlier file stays.

#include "config/devices/CDeviceWriteThread.h"
#include "config/devices/CDlgCfgDevice.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "pages/log/CLogWriteThread.h"
#include "platform/VolumeCall.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The record locks this process holds on the files at `paths`, as the system lists them.
QStringList OwnLocks(const QStringList& paths)
{
    // Read while no statement of this process runs: another thread's write (a log row) holds locks of its own
    // for a moment, which are not the ones compared.
    auto idle = GetMainDB().Lock();
    QStringList inodes;
    for (const QString& path : paths) {
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            inodes << QStringLiteral(":%1").arg(info.st_ino);
    }
    QFile table(QStringLiteral("/proc/locks"));
    if (!table.open(QIODevice::ReadOnly))
        return {QStringLiteral("no /proc/locks")};
    const QString pid = QString::number(::getpid());
    QStringList locks;
    for (const QByteArray& line : table.readAll().split('\n')) {
        // "1: POSIX  ADVISORY  READ 1234 08:01:5678 128 128"
        const QStringList fields = QString::fromLatin1(line).simplified().split(QLatin1Char(' '));
        if (fields.size() < 8 || fields.at(4) != pid)
            continue;
        for (const QString& inode : inodes)
            if (fields.at(5).endsWith(inode))
                locks << QStringList(fields.mid(1)).join(QLatin1Char(' '));
    }
    locks.sort();
    return locks;
}

// The locks the idle connection keeps: those held at each of four readings. A statement of another thread (a
// log row) holds a read lock of its own for a moment; a lock lost is never taken again while the connection
// stays open.
QStringList KeptLocks(const QStringList& paths)
{
    QStringList kept = OwnLocks(paths);
    for (int reading = 1; reading < 4; ++reading) {
        QTest::qWait(100);
        const QStringList now = OwnLocks(paths);
        kept.erase(std::remove_if(kept.begin(), kept.end(),
                                  [&now](const QString& lock) { return !now.contains(lock); }),
                   kept.end());
    }
    return kept;
}

// Every lock of `kept` is held now.
bool StillHeld(const QStringList& kept, const QStringList& paths)
{
    const QStringList now = OwnLocks(paths);
    return std::all_of(kept.begin(), kept.end(), [&now](const QString& lock) { return now.contains(lock); });
}

// Another client's look at the database, as an administrator's sqlite3 makes it: an open, a read, a close.
bool LookWithAnotherClient(const QString& db)
{
    QProcess client;
    client.start(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT COUNT(*) FROM sqlite_master;")});
    return client.waitForFinished(TestSupport::Bound(10000)) && client.exitCode() == 0;
}

void WriteImport(const QString& path)
{
    CSQLite3DB db;
    db.Open(path.toStdString());
    db.Exec("CREATE TABLE TInfo_Device (Address TEXT, Name TEXT, UserName TEXT, UserPwd TEXT, Port);");
    db.Exec("INSERT INTO TInfo_Device VALUES ('127.0.0.1', 'Gate', 'admin', '12345', 8000);");
}

// A bindfs view of `source` on `view` whose daemon can be stopped, standing in for a network volume whose
// server went silent. The daemon goes on again (SIGCONT) and the view is unmounted when it goes.
class CSilentVolume
{
public:
    CSilentVolume(const QString& source, const QString& view) : m_view(view)
    {
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(QStringLiteral("bindfs"), {QStringLiteral("-f"), source, view});
        QElapsedTimer waited;
        waited.start();
        while (!Mounted() && waited.elapsed() < TestSupport::Bound(10000))
            QThread::msleep(10);
    }
    ~CSilentVolume()
    {
        Answer();
        TestSupport::Unmount(m_view);
        if (!m_daemon.waitForFinished(TestSupport::Bound(10000)))
            m_daemon.kill();
        m_daemon.waitForFinished();
    }
    bool Mounted() const
    {
        struct stat view = {};
        struct stat parent = {};
        return ::stat(QFile::encodeName(m_view).constData(), &view) == 0 &&
               ::stat(QFile::encodeName(m_view + QStringLiteral("/..")).constData(), &parent) == 0 &&
               view.st_dev != parent.st_dev;
    }
    void Silence() { ::kill(pid_t(m_daemon.processId()), SIGSTOP); }
    void Answer() { ::kill(pid_t(m_daemon.processId()), SIGCONT); }

private:
    QString m_view;
    QProcess m_daemon;
};

// Waits until every call left on the silent volume came back once it answers again.
bool CallsBack()
{
    return QTest::qWaitFor([] { return VolumeCall::CallsOut() == 0; }, TestSupport::Bound(10000));
}

} // namespace

class TestChosenFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pickersKeepTheDatabaseLocks_data();
    void pickersKeepTheDatabaseLocks();
    void importRefusesTheStationDatabase_data();
    void importRefusesTheStationDatabase();
    void importOnASilentVolume_data();
    void importOnASilentVolume();
    void logBackupOnASilentVolume_data();
    void logBackupOnASilentVolume();
    void logBackupWhoseLastBytesAreRefused();

private:
    QStringList DatabaseFiles() const;
    // The station's database in use, with saves in its write-ahead journal, as a running station has it.
    void Save(int n);

    std::unique_ptr<CTempDatabase> m_db;
};

void TestChosenFiles::init()
{
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(g_pSysInfoManage->LoadAllInfo());
    AcceptMainDB();
    Save(1);
    QVERIFY(QFile::exists(m_db->DbPath() + QStringLiteral("-wal")));
}

void TestChosenFiles::cleanup()
{
    m_db.reset();
}

QStringList TestChosenFiles::DatabaseFiles() const
{
    const QString db = m_db->DbPath();
    return {db, db + QStringLiteral("-wal"), db + QStringLiteral("-shm")};
}

void TestChosenFiles::Save(int n)
{
    m_db->Db().Exec("CREATE TABLE IF NOT EXISTS Saves (N INTEGER);");
    m_db->Db().Exec("INSERT INTO Saves VALUES (" + std::to_string(n) + ");");
}

void TestChosenFiles::pickersKeepTheDatabaseLocks_data()
{
    QTest::addColumn<QString>("picker");
    // As the device import, the log backup and the record export ask.
    QTest::newRow("import") << "open";
    QTest::newRow("log backup") << "save";
    QTest::newRow("export") << "folder";
}

// Each picker shows the program's folder with the database in it, its list names every kind, and the
// database keeps its locks: another client's look afterwards leaves the journal in place.
void TestChosenFiles::pickersKeepTheDatabaseLocks()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("sqlite3 is not installed (scripts/install-deps.sh installs it).");
    QFETCH(QString, picker);
    const QString folder = m_db->Dir();
    QFile earlier(folder + QStringLiteral("/earlier.xml"));
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("<LogTypes/>") > 0);
    earlier.close();
    const QStringList before = KeptLocks(DatabaseFiles());
    QVERIFY2(!before.isEmpty(), "the open database holds no lock: nothing to keep");
    CModalDriver driver;
    QString named;
    driver.Answer([&](QWidget* window) {
        auto* dialog = window->findChild<QFileDialog*>();
        auto* model = dialog != nullptr ? dialog->findChild<QFileSystemModel*>() : nullptr;
        QVERIFY(model != nullptr);
        // The list has named the kinds of what it shows: the database's own row in the import's picker, an
        // earlier backup's row beside it in the backup's (which shows no database), the folder's row in the
        // folder picker (which lists no files).
        QString shown = m_db->DbPath();
        if (picker == QLatin1String("save"))
            shown = folder + QStringLiteral("/earlier.xml");
        if (picker == QLatin1String("folder")) {
            shown = folder;
            dialog->setDirectory(QFileInfo(folder).absolutePath());
        }
        TRY_VERIFY(!model->type(model->index(shown)).isEmpty(), TestSupport::Bound(10000));
        named = model->type(model->index(shown));
        // What the list learns of the folder's files comes in one batch: a little more time for the rest.
        QTest::qWait(200);
        static_cast<QDialog*>(window)->reject();
    });
    if (picker == QLatin1String("open"))
        CFileDialog::GetOpenFileName(nullptr, QStringLiteral("Open"), folder,
                                     QStringLiteral("DataBase files (*.db)"));
    else if (picker == QLatin1String("save"))
        CFileDialog::GetSaveFileName(nullptr, QStringLiteral("Save"), folder, QStringLiteral("XML(*.xml)"));
    else
        CFileDialog::GetExistingDirectory(nullptr, QStringLiteral("Folder"), folder);
    QVERIFY(driver.Failures().isEmpty());
    QCOMPARE(driver.Pending(), 0);
    QVERIFY(!before.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(StillHeld(before, DatabaseFiles()), TestSupport::Bound(5000));
    QVERIFY(LookWithAnotherClient(m_db->DbPath()));
    QVERIFY2(QFile::exists(m_db->DbPath() + QStringLiteral("-wal")), "another client removed the journal");
    Save(2);
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Saves"), 2);
    // Named from the name alone.
    const QString kind =
        picker == QLatin1String("open") ? QStringLiteral("db File") : QStringLiteral("xml File");
    QCOMPARE(named, picker == QLatin1String("folder") ? QStringLiteral("Folder") : kind);
}

void TestChosenFiles::importRefusesTheStationDatabase_data()
{
    QTest::addColumn<QString>("chosen"); // below the program's folder
    QTest::newRow("the database") << "Varrow.db";
    QTest::newRow("its journal") << "Varrow.db-wal";
    QTest::newRow("its shared memory") << "Varrow.db-shm";
    QTest::newRow("a link to it") << "link.db";
}

// The station's own database chosen in the import is refused with a line saying so, and never opened: its
// locks stay, another client's look leaves its journal, nothing is imported.
void TestChosenFiles::importRefusesTheStationDatabase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("sqlite3 is not installed (scripts/install-deps.sh installs it).");
    QFETCH(QString, chosen);
    const QString path = m_db->Dir() + QLatin1Char('/') + chosen;
    if (chosen == QLatin1String("link.db"))
        QVERIFY(QFile::link(m_db->DbPath(), path));
    const QStringList before = KeptLocks(DatabaseFiles());
    QVERIFY(!before.isEmpty());
    CDlgCfgDevice page;
    CModalDriver driver;
    driver.Answer([path](QWidget* window) {
        auto* picker = window->findChild<QFileDialog*>();
        picker->selectFile(path);
        static_cast<QDialog*>(picker)->accept();
    });
    driver.AcceptPassingBusy(1);
    driver.Accept();
    page.OnBtnClickedReadDataBase();
    QVERIFY(!before.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(StillHeld(before, DatabaseFiles()), TestSupport::Bound(5000));
    QVERIFY(LookWithAnotherClient(m_db->DbPath()));
    QVERIFY2(QFile::exists(m_db->DbPath() + QStringLiteral("-wal")), "another client removed the journal");
    QCOMPARE(CountRows("SELECT COUNT(*) FROM Device_Table WHERE IsUsed = 1"), 0);
    QVERIFY(!driver.Seen().isEmpty());
    const QString said = driver.Seen().last().Text();
    QVERIFY2(said.contains(path + QStringLiteral(" is this station's own database, which the import does not "
                                                 "read: choose a database of another station, or a copy.")),
             qPrintable(said));
}

void TestChosenFiles::importOnASilentVolume_data()
{
    QTest::addColumn<bool>("cancel"); // the operator's Cancel; else the import's own bound
    QTest::newRow("Cancel") << true;
    QTest::newRow("bound") << false;
}

// An import whose chosen file lies on a volume that stops answering ends at Cancel at once, and without one
// within its bound, naming the folder; the calls left on the volume come back once it answers.
void TestChosenFiles::importOnASilentVolume()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A silent volume is a FUSE view, mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, cancel);
    QTemporaryDir source;
    QTemporaryDir view;
    WriteImport(source.filePath(QStringLiteral("other.db")));
    const QString path = view.filePath(QStringLiteral("other.db"));
    {
        CSilentVolume volume(source.path(), view.path());
        QVERIFY(volume.Mounted());
        volume.Silence();
        QElapsedTimer took;
        took.start();
        QString refusal;
        int total = 0;
        const bool read = CDeviceWriteThread::ReadRows(
            path, [](const CDeviceWriteThread::IMPORT_ROW&) { return true; }, &total, &refusal,
            [&took, cancel] { return cancel && took.elapsed() > 300; });
        QVERIFY(!read);
        if (cancel) {
            QVERIFY2(took.elapsed() < TestSupport::Bound(3000), qPrintable(QString::number(took.elapsed())));
            QCOMPARE(refusal, QStringLiteral("The import was stopped before the file was read."));
        } else {
            QVERIFY2(took.elapsed() >= CDeviceWriteThread::kImportCopyMs - 100 &&
                         took.elapsed() < CDeviceWriteThread::kImportCopyMs + TestSupport::Bound(5000),
                     qPrintable(QString::number(took.elapsed())));
            QCOMPARE(
                refusal,
                QStringLiteral("The folder %1 does not answer: %2 was not read.").arg(view.path(), path));
        }
        QVERIFY(VolumeCall::CallsOut() > 0);
    }
    QVERIFY(CallsBack());
}

void TestChosenFiles::logBackupOnASilentVolume_data()
{
    QTest::addColumn<bool>("cancel"); // the operator's Cancel (or the program's close); else the bound
    QTest::newRow("Cancel") << true;
    QTest::newRow("bound") << false;
}

// A log backup into a folder on a volume that stops answering ends at a stop or within its bound, naming the
// folder; once the volume answers again, nothing was written there.
void TestChosenFiles::logBackupOnASilentVolume()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A silent volume is a FUSE view, mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, cancel);
    QTemporaryDir source;
    QTemporaryDir view;
    const QString folder = view.path() + QStringLiteral("/logs");
    QVERIFY(QDir(source.path()).mkdir(QStringLiteral("logs")));
    const QString path = folder + QStringLiteral("/backup.xml");
    {
        CSilentVolume volume(source.path(), view.path());
        QVERIFY(volume.Mounted());
        volume.Silence();
        QElapsedTimer took;
        took.start();
        QString why;
        int result = -1;
        if (cancel) {
            CLogWriteThread writer;
            writer.SetWriteParam(path,
                                 QList<QStringList>{{"1", "2026-12-06 08:00:00", "Config Disk", "one"}});
            QObject::connect(
                &writer, &CLogWriteThread::SendWhy, &writer, [&why](const QString& w) { why = w; },
                Qt::DirectConnection);
            QObject::connect(
                &writer, &CLogWriteThread::SendWriteOver, &writer, [&result](int r) { result = r; },
                Qt::DirectConnection);
            writer.start();
            QTest::qWait(300);
            writer.Stop();
            QVERIFY(writer.wait(TestSupport::Bound(3000) + CLogWriteThread::kStopGraceMs));
            QCOMPARE(result, int(CLogWriteThread::WRITE_STOPPED));
        } else {
            auto stop = std::make_shared<std::atomic<bool>>(false);
            result = CLogWriteThread::WriteXmlBounded(
                path, {{"1", "2026-12-06 08:00:00", "Config Disk", "one"}}, 1000, stop, &why);
            QVERIFY2(took.elapsed() >= 900 && took.elapsed() < TestSupport::Bound(4000),
                     qPrintable(QString::number(took.elapsed())));
            QCOMPARE(result, int(CLogWriteThread::WRITE_NO_ANSWER));
            QVERIFY2(stop->load(), "the write left behind was not told to stop");
        }
        QCOMPARE(why,
                 QStringLiteral("The folder %1 does not answer: nothing was written there.").arg(folder));
    }
    QVERIFY(CallsBack());
    // The write left behind heard that it was left, and replaced nothing.
    QCOMPARE(QDir(source.filePath(QStringLiteral("logs")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

// The disk refuses the backup's last bytes, which sit in the file's buffer until its flush (here a file size
// limit, as a full disk would): a failure with the system's cause, and the earlier file stays whole.
void TestChosenFiles::logBackupWhoseLastBytesAreRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.xml"));
    const QList<QStringList> earlierRows{{"1", "2026-12-06 08:00:00", "Config Disk", "earlier"}};
    QCOMPARE(CLogWriteThread::WriteXml(path, earlierRows), int(CLogWriteThread::WRITE_DONE));
    const QByteArray earlier = ReadAll(path);
    QVERIFY(earlier.size() > 100);

    // Small enough that the whole document waits in the buffer; the limit cuts it at its first write.
    const QList<QStringList> rows{{"2", "2026-12-07 08:00:00", "Config Disk", "later"}};
    struct rlimit old = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 64;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
    QString why;
    const int result = CLogWriteThread::WriteXml(path, rows, {}, &why);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, int(CLogWriteThread::WRITE_FAILED));
    QCOMPARE(why, path + QStringLiteral(" cannot be written: File too large."));
    QCOMPARE(ReadAll(path), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.xml"});
}

VARROW_TEST_MAIN(TestChosenFiles, QApplication)

#include "tst_gui_chosenfiles.moc"

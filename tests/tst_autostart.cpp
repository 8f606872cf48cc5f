// The platform layers: an auto-start entry that starts the wrong thing or outlives its switch, a log-on file
// others can read, a record path the player gets garbled, a missing or doubled last heartbeat, a stop that
// hangs the close, or a throughput spike after a counter reset would all reach the operator.

#include "model/Utility.h"
#include "platform/AutoStart.h"
#include "platform/CWatchDogModel.h"
#include "platform/FileBrowser.h"
#include "platform/MFNetTraffic.h"
#include "platform/PrivateRecordCopy.h"
#include "platform/DriveMap.h"
#include "platform/RecordPlayer.h"
#include "platform/VolumeCall.h"
#include "tests/support/MountNamespace.h"
#include "tests/support/OtherUser.h"
#include "tests/support/RecordingClock.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace {

class CFakeWatchDog : public IWatchDogService
{
public:
    void OpenWatchDog(int mode) override { Add(100 + mode); }
    void SendHeartbeat(int code) override { Add(code); }
    QList<int> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    void Add(int call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.append(call);
    }
    mutable std::mutex m_mutex;
    QList<int> m_calls; // 101 for the opening, else the heartbeat code
};

// The kernel's layout: two header lines, then "name: rx_bytes rx_packets ... tx_bytes ...".
void WriteCounters(const QString& path, const QList<QPair<QByteArray, quint64>>& interfaces)
{
    QByteArray text = "Inter-|   Receive                            |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes ...\n";
    for (const auto& [name, received] : interfaces)
        text += "  " + name + ": " + QByteArray::number(received) +
                "   17    0    0    0     0  0  0  999  3  0\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class TestAutoStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runEntryWrittenAndRemoved();
    void logonFileIsPrivateAndKeepsTheAccount();
    void unwritablePlacesFailAndTestsStayOut();
    void playerStartsDetachedWithThePath();
    void privateCopyIsWholeOrNothing();
    void privateCopyOnlyInClosedFolders_data();
    void privateCopyOnlyInClosedFolders();
    void privateCopyFailsAtAReadError_data();
    void privateCopyFailsAtAReadError();
    void privateCopyOfASilentRecord_data();
    void privateCopyOfASilentRecord();
    void fileBrowserFallsBack();
    void watchDogHeartbeatsAndStops();
    void watchDogNotifySocketMessages();
    void trafficReadings();
};

void TestAutoStart::runEntryWrittenAndRemoved()
{
    // Blanks, quotes, shell characters, a field-code percent, a backslash, non-ASCII: all come back
    // unchanged.
    const QString program = QStringLiteral("/srv/back up/\"V\" $HOME `x` 100%/a\\b/操作员/Värrow");
    QTemporaryDir dir;
    CXdgAutoStart layer(dir.filePath(QStringLiteral("autostart")), dir.filePath(QStringLiteral("logon")));
    QVERIFY(layer.SetRunEntry(true, program));
    QCOMPARE(layer.RunEntry(), program);
    // The bytes the session's launcher reads: quoted as an Exec argument, then escaped as a string value (a
    // path's backslash becomes four), the percent doubled; the layer's own reader would hide a shared error.
    const QByteArray exec = R"(Exec="/srv/back up/\\"V\\" \\$HOME \\`x\\` 100%%/a\\\\b/操作员/Värrow")";
    const QByteArray entry = ReadAll(dir.filePath(QStringLiteral("autostart/Varrow.desktop")));
    QVERIFY2(entry.split('\n').contains(exec), entry.constData());
    // Writing again replaces the entry rather than adding a second program to it.
    QVERIFY(layer.SetRunEntry(true, QStringLiteral("/usr/bin/other")));
    QCOMPARE(layer.RunEntry(), QStringLiteral("/usr/bin/other"));

    QVERIFY(layer.SetRunEntry(false, program));
    QVERIFY(layer.RunEntry().isEmpty());
    QVERIFY(layer.SetRunEntry(false, program)); // nothing to remove is no failure
    QCOMPARE(QDir(dir.filePath(QStringLiteral("autostart"))).entryList(QDir::Files).size(), 0);
}

void TestAutoStart::logonFileIsPrivateAndKeepsTheAccount()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AutoLogon.conf"));
    // A file left readable by others from before must not stay so once a password goes in.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther));

    CXdgAutoStart layer(dir.filePath(QStringLiteral("autostart")), path);
    AUTO_LOGON logon;
    logon.Enabled = true;
    logon.UserName = QStringLiteral("operator");
    logon.Password = QStringLiteral("pa=ss\\word\nsecond line 密码");
    QVERIFY(layer.SetAutoLogon(logon, true));
    QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::Permissions());
    // Switched off without an account, the account stays as it was.
    QVERIFY(layer.SetAutoLogon(AUTO_LOGON(), false));
    const AUTO_LOGON read = layer.AutoLogon();
    QVERIFY(!read.Enabled);
    QCOMPARE(read.UserName, logon.UserName);
    QCOMPARE(read.Password, logon.Password);
}

void TestAutoStart::unwritablePlacesFailAndTestsStayOut()
{
    QTemporaryDir dir;
    // A file where the folders should be: nothing can be written below it.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    CXdgAutoStart layer(blocker + QStringLiteral("/autostart"), blocker + QStringLiteral("/AutoLogon.conf"));
    QVERIFY(!layer.SetRunEntry(true, QStringLiteral("/opt/varrow/Varrow")));
    QVERIFY(!layer.SetAutoLogon(AUTO_LOGON(), false));
    // A path that no desktop entry can hold on one line.
    CXdgAutoStart good(dir.filePath(QStringLiteral("autostart")), dir.filePath(QStringLiteral("logon")));
    QVERIFY(!good.SetRunEntry(true, QStringLiteral("/opt/var\nrow")));
    QVERIFY(!QFile::exists(good.EntryPath()));

    // Tests run with their own settings folder; the real layer must follow it, never the user's.
    const QString configHome = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    QVERIFY(configHome.startsWith(TestSupport::ProcessAppDir().Path()));
    QVERIFY(CXdgAutoStart().EntryPath().startsWith(configHome + QStringLiteral("/autostart/")));
}

// The player gets the record the page opened, not its name: a private copy of it made from the descriptor,
// under the copy folder, as its one argument; nobody waits for it. The program keeps no descriptor of the
// record once the copy is made, and the caller's own stays closed to children.
void TestAutoStart::playerStartsDetachedWithThePath()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("player.sh"));
    const QString out = dir.filePath(QStringLiteral("argument"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && cat \"$1\" > \"$0.read\" && mv \"$0.tmp\" \"" +
               QFile::encodeName(out) + "\"\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

    const QString path = dir.filePath(QStringLiteral("\u5f55\u50cf 1.rec"));
    QFile record(path);
    QVERIFY(record.open(QIODevice::WriteOnly) && record.write("the checked record") == 18);
    record.close();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    const auto openFds = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };
    const qsizetype before = openFds();
    CRecordPlayer player(script);
    QVERIFY(player.Play(fd, path));
    QCOMPARE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    QTRY_VERIFY(QFile::exists(out));
    QCOMPARE(openFds(), before);
    QFile argument(out);
    QVERIFY(argument.open(QIODevice::ReadOnly));
    const QString copy = QString::fromUtf8(argument.readAll());
    QVERIFY2(copy.startsWith(CRecordPlayer::CopyFolder() + QLatin1Char('/')) &&
                 copy.endsWith(QStringLiteral("/\u5f55\u50cf 1.rec")),
             qPrintable(copy));
    QCOMPARE(ReadAll(script + QStringLiteral(".read")), QByteArray("the checked record"));

    // The old player message is one byte per character and the terminating zero: a missing zero makes the
    // player read on.
    QCOMPARE(PlayerCopyData(QStringLiteral("D:/r/\u00e9.rec")), QByteArray("D:\\r\\\xe9.rec", 11));
    QCOMPARE(PlayerCopyData(QStringLiteral("/r/\u5f55\u50cf.rec")), QByteArray("\\r\\??.rec", 10));
    QCOMPARE(PlayerCopyData(QString()), QByteArray(1, '\0'));
}

// The desktop's copy of a record is the whole record, also when its last block is a single byte, and owner-
// only; a copy stopped (by the player's end) leaves nothing behind, and says no error.
void TestAutoStart::privateCopyIsWholeOrNothing()
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("r.rec"));
    QByteArray bytes(1024 * 1024 + 1, 'v');
    bytes[bytes.size() - 1] = 'e';
    QFile file(record);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const int fd = ::open(QFile::encodeName(record).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    const QString base = dir.filePath(QStringLiteral("Playback"));
    std::atomic_bool stop{false};
    QString error;
    const QString copy =
        MakePrivateCopy(fd, base, QStringLiteral("a"), QStringLiteral("r.rec"), {}, stop, &error);
    QCOMPARE(copy, base + QStringLiteral("/a/r.rec"));
    QCOMPARE(ReadAll(copy), bytes);
    QCOMPARE(QFile::permissions(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser);

    stop = true;
    error = QStringLiteral("unchanged");
    QCOMPARE(MakePrivateCopy(fd, base, QStringLiteral("b"), QStringLiteral("r.rec"), {QStringLiteral("a")},
                             stop, &error),
             QString());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("a")});
}

void TestAutoStart::privateCopyOnlyInClosedFolders_data()
{
    QTest::addColumn<QString>("folder"); // "program" or "copies"
    QTest::addColumn<int>("owner");      // -1: the program's user
    QTest::addColumn<int>("mode");
    QTest::newRow("program folder of another user") << "program" << int(OtherUser::kUid) << 0755;
    QTest::newRow("copy folder of another user") << "copies" << int(OtherUser::kUid) << 0700;
    QTest::newRow("program folder open to all") << "program" << -1 << 0777;
    QTest::newRow("program folder open to the group") << "program" << -1 << 0770;
    QTest::newRow("copy folder open to all") << "copies" << -1 << 0777;
}

// Whoever owns the program's folder or the copy folder, or may write to either, could swap a copy for forged
// video between its making and the player's open: no copy is made there, and the error names the folder.
void TestAutoStart::privateCopyOnlyInClosedFolders()
{
    QFETCH(QString, folder);
    QFETCH(int, owner);
    QFETCH(int, mode);
    if (owner >= 0)
        SKIP_UNLESS_GIVEN(TestSupport::kNeedRoot, "Another user's folder needs a second user id");
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    const QString base = program + QStringLiteral("/Playback");
    QVERIFY(QDir().mkpath(base));
    const QString record = dir.filePath(QStringLiteral("r.rec"));
    QFile file(record);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("record") == 6);
    file.close();
    const QString at = folder == QLatin1String("program") ? program : base;
    QVERIFY(::chmod(QFile::encodeName(at).constData(), mode_t(mode)) == 0);
    if (owner >= 0)
        QVERIFY(::chown(QFile::encodeName(at).constData(), uid_t(owner), gid_t(owner)) == 0);
    const int fd = ::open(QFile::encodeName(record).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    std::atomic_bool stop{false};
    QString error;
    QCOMPARE(MakePrivateCopy(fd, base, QStringLiteral("a"), QStringLiteral("r.rec"), {}, stop, &error),
             QString());
    QVERIFY2(error.contains(at), qPrintable(error));
    QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestAutoStart::privateCopyFailsAtAReadError_data()
{
    QTest::addColumn<bool>("volume");
    QTest::addColumn<int>("cause");
    QTest::newRow("a descriptor that reads no file") << false << EISDIR;
    QTest::newRow("a volume shut down under a 3 MiB record") << true << EIO;
}

// A record that cannot be read is no record to play: the copy fails with the cause and leaves nothing, never
// an empty or cut copy handed on as the record.
void TestAutoStart::privateCopyFailsAtAReadError()
{
    QFETCH(bool, volume);
    if (volume) {
        SKIP_UNLESS_GIVEN(TestSupport::kNeedExt4Volume | TestSupport::kNeedMountNamespace,
                          "It mounts an ext4 volume on a loop device");
        IN_MOUNT_NAMESPACE();
    }
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("Playback"));
    int fd = -1;
    const auto closeFd = qScopeGuard([&fd] {
        if (fd >= 0)
            ::close(fd);
    });
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    const auto unmount = qScopeGuard([&] {
        if (volume)
            ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH);
    });
    if (volume) {
        QVERIFY(TestSupport::MountExt4(dir.filePath(QStringLiteral("image")), disk, 16));
        QFile file(disk + QStringLiteral("/r.rec"));
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write(QByteArray(3 * 1024 * 1024, 'v')) == 3 * 1024 * 1024);
        file.close();
        fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QVERIFY(TestSupport::ShutDownExt4(disk));
    } else {
        fd = ::open(QFile::encodeName(disk).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(fd >= 0);
    }
    std::atomic_bool stop{false};
    QString error;
    QCOMPARE(MakePrivateCopy(fd, base, QStringLiteral("a"), QStringLiteral("r.rec"), {}, stop, &error),
             QString());
    QFETCH(int, cause);
    QCOMPARE(error, base + QStringLiteral("/a/r.rec cannot be made: ") +
                        QString::fromLocal8Bit(std::strerror(cause)) + QLatin1Char('.'));
    QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestAutoStart::privateCopyOfASilentRecord_data()
{
    QTest::addColumn<bool>("stopped"); // else the bound passes
    QTest::newRow("the bound passes") << false;
    QTest::newRow("stopped (the player's end)") << true;
}

// A record on a volume that stops answering mid-copy (a FUSE view whose daemon is stopped): the copy fails
// within its bound naming the volume as not answering, or ends at once at a stop, and leaves nothing; the
// read left behind ends once the volume answers.
void TestAutoStart::privateCopyOfASilentRecord()
{
    SKIP_UNLESS_GIVEN(TestSupport::kNeedFuse, "A FUSE view is mounted as root only");
    IN_MOUNT_NAMESPACE();
    QFETCH(bool, stopped);
    QTemporaryDir under;
    QTemporaryDir view;
    QTemporaryDir dir;
    QFile file(under.filePath(QStringLiteral("r.rec")));
    QVERIFY(file.open(QIODevice::WriteOnly) &&
            file.write(QByteArray(3 * 1024 * 1024, 'v')) == 3 * 1024 * 1024);
    file.close();
    QProcess bindfs;
    bindfs.setProcessChannelMode(QProcess::MergedChannels);
    bindfs.start(QStringLiteral("bindfs"), {"-f", under.path(), view.path()});
    const auto resume = [&bindfs] { ::kill(pid_t(bindfs.processId()), SIGCONT); };
    int fd = -1;
    const auto unmount = qScopeGuard([&] {
        resume();
        if (fd >= 0)
            ::close(fd);
        TestSupport::Unmount(view.path());
        if (!bindfs.waitForFinished(TestSupport::Bound(10000)))
            bindfs.kill();
        bindfs.waitForFinished();
    });
    QElapsedTimer waited;
    waited.start();
    while (!CDriveMap::IsMountPoint(view.path()) && waited.elapsed() < TestSupport::Bound(10000))
        QThread::msleep(10);
    QVERIFY2(CDriveMap::IsMountPoint(view.path()), qPrintable(QString::fromLocal8Bit(bindfs.readAll())));
    fd = ::open(QFile::encodeName(view.filePath(QStringLiteral("r.rec"))).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    QVERIFY(::kill(pid_t(bindfs.processId()), SIGSTOP) == 0);

    const QString base = dir.filePath(QStringLiteral("Playback"));
    const int bound = stopped ? 30000 : 1500;
    std::atomic_bool stop{false};
    QString error = QStringLiteral("unchanged");
    QElapsedTimer took;
    QThread* stopper = QThread::create([&stop, &took, stopped] {
        if (!stopped)
            return;
        QThread::msleep(300);
        took.start();
        stop = true;
    });
    const auto joined = qScopeGuard([stopper] {
        stopper->wait();
        delete stopper;
    });
    if (!stopped)
        took.start();
    stopper->start();
    QCOMPARE(MakePrivateCopy(fd, base, QStringLiteral("a"), QStringLiteral("r.rec"), {}, stop, &error,
                             view.path(), bound),
             QString());
    stopper->wait();
    // On a loaded machine the kernel may drop a stopped view's connection: the read is then refused at once,
    // and the silence this row is about was never there to be waited for.
    if (error.endsWith(QString::fromLocal8Bit(::strerror(ENOTCONN)) + QLatin1Char('.'))) {
        resume();
        QSKIP("the kernel dropped the stopped view's connection: no silent volume to wait for");
    }
    QVERIFY2(took.elapsed() < TestSupport::Bound(stopped ? 2000 : bound + 3000),
             qPrintable(QString::number(took.elapsed())));
    if (stopped)
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QCOMPARE(error,
                 base + QStringLiteral("/a/r.rec cannot be made: the record's volume does not answer."));
    QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    resume();
    QTRY_COMPARE_WITH_TIMEOUT(VolumeCall::CallsOut(), 0, TestSupport::Bound(10000));
}

void TestAutoStart::fileBrowserFallsBack()
{
    // No desktop here: the session bus is one that cannot be reached, so the fallback must take over.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/varrow-test-bus");
    QStringList folders;
    CFileBrowser browser([&folders](const QString& folder) {
        folders << folder;
        return true;
    });
    QVERIFY(browser.ShowFile(QStringLiteral("/srv/Records/a/20260310/x.rec")));
    QTRY_COMPARE(folders, QStringList{QStringLiteral("/srv/Records/a/20260310")});
    QCOMPARE(ExplorerSelectParameters(QStringLiteral("D:/Records/a b/x.rec")),
             QStringLiteral("/select,D:\\Records\\a b\\x.rec"));
}

void TestAutoStart::watchDogHeartbeatsAndStops()
{
    {
        CScopedEngineClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)), 1.0);
        auto fake = std::make_shared<CFakeWatchDog>();
        CWatchDogModel watchDog(fake);
        QVERIFY(watchDog.Start());
        QVERIFY(!watchDog.Start()); // one thread only
        QElapsedTimer timer;
        timer.start();
        QVERIFY(watchDog.Stop());
        QVERIFY2(timer.elapsed() < 500, "the stop waited for the end of the second");
        QVERIFY(watchDog.Stop());
        QCOMPARE(fake->Calls(), QList<int>({101, 2}));
    }
    // Ten engine seconds pass in 100 ms of real time: opened once, stopped once, only heartbeats in between.
    CScopedEngineClock clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0)), 100.0);
    CScopedRecordingClock waits;
    auto fake = std::make_shared<CFakeWatchDog>();
    CWatchDogModel watchDog(fake);
    QVERIFY(watchDog.Start());
    QTRY_VERIFY_WITH_TIMEOUT(fake->Calls().count(0) >= 10, 5000);
    watchDog.Stop();
    const QList<int> calls = fake->Calls();
    QCOMPARE(calls.first(), 101);
    QCOMPARE(calls.last(), 2);
    QCOMPARE(calls.count(0), calls.size() - 2);
    // A heartbeat a second: one wait of 1000 ms before each, and the one the stop cut short.
    const QList<qint64> sleeps = waits.Clock().Sleeps();
    QCOMPARE(sleeps.size(), calls.size() - 1);
    QCOMPARE(sleeps, QList<qint64>(sleeps.size(), 1000));
}

void TestAutoStart::watchDogNotifySocketMessages()
{
    // The service manager's side: a datagram socket at a path of the test's own directory.
    const QByteArray path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("notify")).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));

    CNotifyWatchDog service(path);
    service.OpenWatchDog(1); // says nothing
    service.SendHeartbeat(0);
    service.SendHeartbeat(2);
    char buffer[64];
    QByteArray received;
    for (int i = 0; i < 2; ++i) {
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        QVERIFY(n > 0);
        received += QByteArray(buffer, int(n)) + ";";
    }
    ::close(fd);
    QCOMPARE(received, QByteArray("WATCHDOG=1;STOPPING=1;"));

    // "@name" is the abstract socket "name", as the service manager may hand it over.
    const QByteArray name = "varrow-test-" + QByteArray::number(::getpid());
    const int abstractFd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(abstractFd >= 0);
    sockaddr_un abstract{};
    abstract.sun_family = AF_UNIX;
    std::memcpy(abstract.sun_path + 1, name.constData(), size_t(name.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    QCOMPARE(::bind(abstractFd, reinterpret_cast<sockaddr*>(&abstract), length), 0);
    ::setsockopt(abstractFd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    CNotifyWatchDog(QByteArray("@") + name).SendHeartbeat(0);
    const ssize_t n = ::recv(abstractFd, buffer, sizeof(buffer), 0);
    ::close(abstractFd);
    QCOMPARE(QByteArray(buffer, int(std::max<ssize_t>(n, 0))), QByteArray("WATCHDOG=1"));
}

void TestAutoStart::trafficReadings()
{
    const QString path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("net-dev"));
    // Counters beyond 32 bits must not wrap: a recorder network moves 4 GiB in well under a day.
    const quint64 base = quint64(1) << 33;
    WriteCounters(path, {{"lo", 1}, {"eth0", base}, {"wlan0", 100}});
    MFNetTraffic meter(path);
    QCOMPARE(meter.Interfaces(), QStringList({QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    QCOMPARE(meter.ReadTraffic(0), 0.0); // the first reading only sets the base
    // Every interface together, loopback traffic not counted.
    WriteCounters(path, {{"lo", 999999}, {"eth0", base + 2048}, {"wlan0", 612}});
    QCOMPARE(meter.ReadTraffic(0), 2560.0);

    // A counter reset (driver reloaded): 0, never a huge figure, and the next second counts from there.
    WriteCounters(path, {{"lo", 1}, {"eth0", 300}});
    QCOMPARE(meter.ReadTraffic(0), 0.0);
    WriteCounters(path, {{"lo", 1}, {"eth0", 800}});
    QCOMPARE(meter.ReadTraffic(0), 500.0);

    // An index outside the listed names reads nothing, also at its second reading, and leaves the base of the
    // interface read before it alone. Counters that cannot be read give 1.0.
    for (const int outside : {-1, 2}) {
        WriteCounters(path, {{"eth0", 1000}});
        QCOMPARE(meter.ReadTraffic(outside), 0.0);
        WriteCounters(path, {{"eth0", 5000}});
        QCOMPARE(meter.ReadTraffic(outside), 0.0);
    }
    QCOMPARE(meter.ReadTraffic(0), 4200.0);
    QVERIFY(QFile::remove(path));
    QCOMPARE(meter.ReadTraffic(0), 1.0);
}

VARROW_TEST_MAIN(TestAutoStart, QCoreApplication)
#include "tst_autostart.moc"

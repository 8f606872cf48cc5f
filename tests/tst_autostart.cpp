// The desktop hand-offs: an auto-start entry the session cannot parse back starts nothing (or the wrong
// thing), one left behind keeps starting the program after the operator turned it off, a log-on file others
// can read gives the password away; the player and file manager must get the record's path intact, or fall
// back.

#include "model/Utility.h"
#include "platform/AutoStart.h"
#include "platform/FileBrowser.h"
#include "platform/RecordPlayer.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

class TestAutoStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runEntryWrittenAndRemoved_data();
    void runEntryWrittenAndRemoved();
    void logonFileIsPrivateAndKeepsTheAccount();
    void unwritablePlacesFailAndTestsStayOut();
    void playerMessageBytes_data();
    void playerMessageBytes();
    void playerStartsDetachedWithThePath();
    void fileBrowserFallsBack();
};

void TestAutoStart::runEntryWrittenAndRemoved_data()
{
    QTest::addColumn<QString>("program");
    // Blanks, quotes, shell characters, a field-code percent and a backslash must all come back unchanged.
    QTest::newRow("awkward") << QStringLiteral("/srv/back up/\"V\" $HOME `x` 100%/a\\b/Varrow");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/操作员/Värrow/Varrow");
}

void TestAutoStart::runEntryWrittenAndRemoved()
{
    QFETCH(QString, program);
    QTemporaryDir dir;
    CXdgAutoStart layer(dir.filePath(QStringLiteral("autostart")), dir.filePath(QStringLiteral("logon")));
    QVERIFY(layer.SetRunEntry(true, program));
    QCOMPARE(layer.RunEntry(), program);
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

void TestAutoStart::playerMessageBytes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Latin-1") << QStringLiteral("D:/r/\u00e9.rec") << QByteArray("D:\\r\\\xe9.rec", 11);
    QTest::newRow("outside Latin-1") << QStringLiteral("/r/\u5f55\u50cf.rec")
                                     << QByteArray("\\r\\??.rec", 10);
    QTest::newRow("empty") << QString() << QByteArray(1, '\0');
}

// The expected bytes end in the terminating zero (one byte per character before it); a missing zero makes the
// player read on.
void TestAutoStart::playerMessageBytes()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PlayerCopyData(path), bytes);
}

// The player gets the path as its one argument, byte for byte in UTF-8, and nobody waits for it.
void TestAutoStart::playerStartsDetachedWithThePath()
{
    QVERIFY(!CRecordPlayer(TestSupport::ProcessAppDir().FilePath(QStringLiteral("no-such-player")))
                 .Play(QStringLiteral("/r/a/b.rec")));
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("player.sh"));
    const QString out = dir.filePath(QStringLiteral("argument"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"" + QFile::encodeName(out) +
               "\"\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

    const QString path = QStringLiteral("/srv/Records/127.0.0.1_8000_1/20260310/\u5f55\u50cf 1.rec");
    QVERIFY(CRecordPlayer(script).Play(path));
    QTRY_VERIFY(QFile::exists(out));
    QFile argument(out);
    QVERIFY(argument.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(argument.readAll()), path);
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

VARROW_TEST_MAIN(TestAutoStart, QCoreApplication)

#include "tst_autostart.moc"

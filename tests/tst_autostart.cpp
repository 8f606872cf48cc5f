// The auto-start layer on disk: an entry the session cannot parse back to the program starts nothing (or the
// wrong thing), an entry left behind keeps starting the program after the operator turned it off, and a
// log-on file that others can read gives the account's password away.

#include "platform/AutoStart.h"
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
};

void TestAutoStart::runEntryWrittenAndRemoved_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << QStringLiteral("/opt/varrow/Varrow");
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
    QFile entry(layer.EntryPath());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n") && text.contains("\nType=Application\n") &&
            text.contains("\nExec=\""));
    QCOMPARE(layer.RunEntry(), program);
    // Writing again replaces the entry rather than adding a second program to it.
    QVERIFY(layer.SetRunEntry(true, QStringLiteral("/usr/bin/other")));
    QCOMPARE(layer.RunEntry(), QStringLiteral("/usr/bin/other"));

    QVERIFY(layer.SetRunEntry(false, program));
    QVERIFY(!QFile::exists(layer.EntryPath()));
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
    old.write("AutoAdminLogon=0\n");
    old.close();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther));

    CXdgAutoStart layer(dir.filePath(QStringLiteral("autostart")), path);
    AUTO_LOGON logon;
    logon.Enabled = true;
    logon.UserName = QStringLiteral("operator");
    logon.Password = QStringLiteral("pa=ss\\word\nsecond line 密码");
    QVERIFY(layer.SetAutoLogon(logon, true));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFileInfo(path).permissions() & others, QFileDevice::Permissions());
    QVERIFY(QFileInfo(path).permissions() & QFileDevice::ReadOwner);
    // Switched off without an account, the account stays as it was.
    for (const bool enabled : {true, false}) {
        if (!enabled)
            QVERIFY(layer.SetAutoLogon(AUTO_LOGON(), false));
        const AUTO_LOGON read = layer.AutoLogon();
        QCOMPARE(read.Enabled, enabled);
        QCOMPARE(read.UserName, logon.UserName);
        QCOMPARE(read.Password, logon.Password);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("AutoLogon.conf")});
}

void TestAutoStart::unwritablePlacesFailAndTestsStayOut()
{
    QTemporaryDir dir;
    // A file where the folders should be: nothing can be written below it.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
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
    QCOMPARE(CXdgAutoStart().EntryPath(), configHome + QStringLiteral("/autostart/Varrow.desktop"));
}

VARROW_TEST_MAIN(TestAutoStart, QCoreApplication)

#include "tst_autostart.moc"

// The record page's hand-off layers: the bytes of the old player message and file-manager parameters, the
// player started detached with the path (non-Latin paths intact), silence when there is no player, and the
// file manager's fallback when no session bus answers.

#include "model/Utility.h"
#include "platform/FileBrowser.h"
#include "platform/RecordPlayer.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

class TestRecordHandOff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void copyData_data();
    void copyData();
    void selectParameters();
    void playerStartsDetached();
    void fileBrowserFallsBack();
};

void TestRecordHandOff::initTestCase()
{
    // No desktop here: the session bus is one that cannot be reached, so the fallback must take over.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/varrow-test-bus");
}

void TestRecordHandOff::copyData_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("14 characters") << QStringLiteral("D:/ab/cd/e.rec") << QByteArray("D:\\ab\\cd\\e.rec", 15);
    QTest::newRow("Latin-1") << QStringLiteral("/r/\u00e9.rec") << QByteArray("\\r\\\xe9.rec", 9);
    QTest::newRow("outside Latin-1") << QStringLiteral("/r/\u5f55\u50cf.rec")
                                     << QByteArray("\\r\\??.rec", 10);
    QTest::newRow("empty") << QString() << QByteArray(1, '\0');
}

// The expected bytes end in the terminating zero (one byte per character before it); a missing zero makes the
// player read on.
void TestRecordHandOff::copyData()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PlayerCopyData(path), bytes);
}

void TestRecordHandOff::selectParameters()
{
    QCOMPARE(ExplorerSelectParameters(QStringLiteral("D:/Records/a b/x.rec")),
             QStringLiteral("/select,D:\\Records\\a b\\x.rec"));
}

// The player gets the path as its one argument, byte for byte in UTF-8, and nobody waits for it.
void TestRecordHandOff::playerStartsDetached()
{
    QCOMPARE(CRecordPlayer().Program(), GetAppDirPath() + QStringLiteral("Vidrun"));
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
    CRecordPlayer player(script);
    QVERIFY(player.Play(path));
    QTRY_VERIFY(QFile::exists(out));
    QFile argument(out);
    QVERIFY(argument.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(argument.readAll()), path);
    QVERIFY(!player.Play(QString()));
}

void TestRecordHandOff::fileBrowserFallsBack()
{
    QStringList folders;
    CFileBrowser browser([&folders](const QString& folder) {
        folders << folder;
        return true;
    });
    QVERIFY(browser.ShowFile(QStringLiteral("/srv/Records/a/20260310/x.rec")));
    QTRY_COMPARE(folders, QStringList{QStringLiteral("/srv/Records/a/20260310")});
    QVERIFY(!browser.ShowFile(QString()));
    QCOMPARE(folders.size(), 1);
}

VARROW_TEST_MAIN(TestRecordHandOff, QCoreApplication)
#include "tst_recordhandoff.moc"

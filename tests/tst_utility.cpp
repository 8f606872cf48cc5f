// The helpers: paths and directory trees (a wrong path deletes or misplaces the operator's files), texts that
// reach a record or a dialog, and the address a recorder in domain mode is reached at (a wrong text logs in
// to the wrong recorder, a cut one to none).

#include "model/HostAddress.h"
#include "model/TextConvert.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <thread>
#include <vector>

class TestUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programDirectory();
    void makeDirs();
    void deleteDirectoryTree();
    void deleteDirectoryNeverFollowsLinks();
    void ipAddress_data();
    void ipAddress();
    void names();
    void localTextRoundTripsAndCountsBytes();
    void firstIPv4Address();
};

namespace {

void WriteFile(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
}

} // namespace

void TestUtility::programDirectory()
{
    // Every test process runs in its own program directory: the user's Varrow.db is never touched. The path
    // is computed once and the same from every thread.
    const QString dir = TestSupport::ProcessAppDir().Path() + QLatin1Char('/');
    std::vector<std::string> seen(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] { seen[i] = GetCurExeDir(); });
    for (auto& t : threads)
        t.join();
    for (const std::string& path : seen)
        QCOMPARE(QString::fromStdString(path), dir);
    QCOMPARE(GetAppDirPath(), dir);
    QCOMPARE(GetAbsolutePath(QStringLiteral("Setup.xml")), dir + QStringLiteral("Setup.xml"));
    QCOMPARE(GetAbsolutePath(QStringLiteral("/etc/hosts")), QStringLiteral("/etc/hosts"));
}

void TestUtility::makeDirs()
{
    QTemporaryDir tmp;
    MakeDirs(QFile::encodeName(tmp.path() + "/a/b/c/picture.jpg").constData());
    QVERIFY(QFileInfo(tmp.path() + "/a/b/c").isDir());
    QVERIFY(!QFileInfo::exists(tmp.path() + "/a/b/c/picture.jpg"));
    // Existing folders are no error, and a path longer than any fixed buffer is created whole.
    QString deep = tmp.path() + "/a";
    for (int i = 0; i < 40; ++i)
        deep += QStringLiteral("/folder%1").arg(i);
    MakeDirs(QFile::encodeName(deep + "/").constData());
    QVERIFY(QFileInfo(deep).isDir());
}

void TestUtility::deleteDirectoryTree()
{
    // Entry paths far past 259 bytes: a cut path would name another folder, so the whole tree must go by its
    // own names, and a sibling whose name is the cut prefix must survive.
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/tree";
    QString deep = root;
    for (int i = 0; i < 30; ++i)
        deep += QStringLiteral("/level-%1-abcdefghij").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(QDir().mkpath(deep) && QDir().mkpath(root + "/empty") && QDir().mkpath(root + "-sibling"));
    QVERIFY(QFile::encodeName(deep).size() > 400);
    WriteFile(deep + "/file.bin");
    WriteFile(root + "/.hidden");
    QVERIFY(DeleteDirectory(QFile::encodeName(root).constData()));
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo(root + "-sibling").isDir());
    QVERIFY(!DeleteDirectory(QFile::encodeName(tmp.path() + "/missing").constData()));
    QVERIFY(!DeleteDirectory(""));
}

void TestUtility::deleteDirectoryNeverFollowsLinks()
{
    // A link inside the deleted tree must be removed as a link; what it points at belongs to somebody else.
    QTemporaryDir tmp;
    const QString keep = tmp.path() + "/keep";
    QVERIFY(QDir().mkpath(keep + "/inner"));
    WriteFile(keep + "/precious.mp4");
    WriteFile(keep + "/inner/also.mp4");
    const QString tree = tmp.path() + "/ChannelPicture";
    QVERIFY(QDir().mkpath(tree));
    QVERIFY(QFile::link(keep, tree + "/link-to-dir"));
    QVERIFY(QFile::link(keep + "/precious.mp4", tree + "/link-to-file"));
    QVERIFY(QFile::link(tmp.path() + "/nowhere", tree + "/dangling"));

    QVERIFY(DeleteDirectory(QFile::encodeName(tree).constData()));
    QVERIFY(!QFileInfo::exists(tree));
    QVERIFY(QFileInfo::exists(keep + "/precious.mp4") && QFileInfo::exists(keep + "/inner/also.mp4"));

    // A link given as the path itself is removed, its target stays.
    QVERIFY(QFile::link(keep, tmp.path() + "/top-link"));
    QVERIFY(DeleteDirectory(QFile::encodeName(tmp.path() + "/top-link").constData()));
    QVERIFY(QFileInfo::exists(keep + "/precious.mp4"));
}

void TestUtility::ipAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.168.1.1" << true;
    QTest::newRow("last part zero") << "192.168.1.0" << false;
    QTest::newRow("part above 255") << "256.1.1.1" << false;
    QTest::newRow("trailing blank") << "192.168.1.1 " << false;
    QTest::newRow("empty part") << "192..1.1" << false;
    // Too long for a 32-bit number: must not be read as 0 or wrap around to a small value.
    QTest::newRow("overlong part") << "1.2.3.99999999999" << false;
    QTest::newRow("wraps to 1") << "4294967297.1.1.1" << false;
}

void TestUtility::ipAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPAddress(text), valid);
}

void TestUtility::names()
{
    QVERIFY(IsValidName(QStringLiteral("前门 (北) - 2.")));
    for (const char* bad : {"it's", "a/b", "C:", "a|b", "a>b", "a<b", "say \"x\"", "why?", "a*", "a\\b"})
        QVERIFY2(!IsValidName(QString::fromUtf8(bad)), bad);
}

void TestUtility::localTextRoundTripsAndCountsBytes()
{
    for (const QString& text : {QStringLiteral("摄像机 01"), QStringLiteral("Größe ä"), QString()})
        QCOMPARE(LocalToQString(QStringToLocal(text).constData()), text);
    QVERIFY(LocalToQString(nullptr).isEmpty());
    // 32 Chinese characters fill 96 bytes of the local (UTF-8) form that a 33-byte field holds.
    QCOMPARE(QStringToStdString(QString(32, QChar(0x524D))).size(), size_t(96));
    // A zero inside the text ends the std::string as it would end a C string.
    QCOMPARE(QStringToStdString(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")), std::string("ab"));
}

void TestUtility::firstIPv4Address()
{
    // The address a recorder in domain mode is reached at. An IPv6-only host fails cleanly instead of being
    // cut to the 15 characters of the address field.
    QCOMPARE(GetFirstIPv4Address("192.0.2.7"), std::string("192.0.2.7"));
    QCOMPARE(GetFirstIPv4Address("::1") + GetFirstIPv4Address(""), std::string());
}

VARROW_TEST_MAIN(TestUtility, QCoreApplication)
#include "tst_utility.moc"

// The helpers: paths and directory trees (a wrong path deletes or misplaces the operator's files), names and
// addresses the operator types (a wrong text logs in to the wrong recorder, a cut one to none).

#include "model/HostAddress.h"
#include "model/TextConvert.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

class TestUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeDirsOfAnyLength();
    void deleteDirectoryKeepsWhatIsNotItsOwn();
    void namesAndAddresses();
    void recorderAddresses_data();
    void recorderAddresses();
};

namespace {

void WriteFile(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
}

} // namespace

void TestUtility::makeDirsOfAnyLength()
{
    // A path longer than any fixed buffer is created whole; its last part names a file, not a folder.
    QTemporaryDir tmp;
    QString deep = tmp.path();
    for (int i = 0; i < 40; ++i)
        deep += QStringLiteral("/folder%1").arg(i);
    MakeDirs(QFile::encodeName(deep + "/picture.jpg").constData());
    QVERIFY(QFileInfo(deep).isDir());
    QVERIFY(!QFileInfo::exists(deep + "/picture.jpg"));
}

void TestUtility::deleteDirectoryKeepsWhatIsNotItsOwn()
{
    // Entry paths far past 259 bytes: a cut path would name another folder, so the whole tree must go by its
    // own names, and a sibling whose name is the cut prefix must survive.
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/tree";
    QString deep = root;
    for (int i = 0; i < 30; ++i)
        deep += QStringLiteral("/level-%1-abcdefghij").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(QDir().mkpath(deep) && QDir().mkpath(root + "-sibling"));
    WriteFile(deep + "/file.bin");
    // A link inside the tree is removed as a link; what it points at belongs to somebody else.
    const QString keep = tmp.path() + "/keep";
    QVERIFY(QDir().mkpath(keep + "/inner"));
    WriteFile(keep + "/inner/precious.mp4");
    QVERIFY(QFile::link(keep, root + "/link-to-dir"));
    QVERIFY(QFile::link(keep + "/inner/precious.mp4", root + "/link-to-file"));

    QVERIFY(DeleteDirectory(QFile::encodeName(root).constData()));
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo(root + "-sibling").isDir());
    QVERIFY(QFileInfo::exists(keep + "/inner/precious.mp4"));
    // A link given as the path itself is removed, its target stays.
    QVERIFY(QFile::link(keep, tmp.path() + "/top-link"));
    QVERIFY(DeleteDirectory(QFile::encodeName(tmp.path() + "/top-link").constData()));
    QVERIFY(QFileInfo::exists(keep + "/inner/precious.mp4"));
}

void TestUtility::namesAndAddresses()
{
    // Names become folder names: what a path could misread is refused.
    QVERIFY(IsValidName(QStringLiteral("前门 (北) - 2.")));
    for (const char* bad : {"it's", "a/b", "C:", "a|b", "a>b", "a<b", "say \"x\"", "why?", "a*", "a\\b"})
        QVERIFY2(!IsValidName(QString::fromUtf8(bad)), bad);
    // An address part too long for a 32-bit number must not be read as 0 or wrap around to a small value.
    QVERIFY(IsValidIPAddress(QStringLiteral("192.168.1.1")));
    for (const char* bad : {"256.1.1.1", "1.2.3.99999999999", "4294967297.1.1.1"})
        QVERIFY2(!IsValidIPAddress(QString::fromLatin1(bad)), bad);
    // A recorder in domain mode: an IPv6-only host fails cleanly instead of being cut to the address field.
    QCOMPARE(GetFirstIPv4Address("192.0.2.7"), std::string("192.0.2.7"));
    QCOMPARE(GetFirstIPv4Address("::1"), std::string());
}

void TestUtility::recorderAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.168.1.1" << true;
    QTest::newRow("255 in every part but the last") << "255.255.255.254" << true;
    QTest::newRow("255 last") << "10.0.0.255" << true;
    QTest::newRow("first part 0") << "0.1.2.3" << true;
    QTest::newRow("leading zeros") << "010.001.002.003" << true;
    QTest::newRow("last part 0") << "192.168.1.0" << false;
    QTest::newRow("256 first") << "256.1.1.1" << false;
    QTest::newRow("256 last") << "1.1.1.256" << false;
    QTest::newRow("three parts") << "192.168.1" << false;
    QTest::newRow("five parts") << "192.168.1.1.1" << false;
    QTest::newRow("trailing dot") << "192.168.1.1." << false;
    QTest::newRow("empty part") << "192..1.1" << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("trailing blank") << "192.168.1.1 " << false;
    QTest::newRow("empty") << "" << false;
}

// The address of a recorder as the device dialog takes it: four decimal parts up to 255, the last not 0.
void TestUtility::recorderAddresses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPAddress(text), valid);
}

VARROW_TEST_MAIN(TestUtility, QCoreApplication)
#include "tst_utility.moc"

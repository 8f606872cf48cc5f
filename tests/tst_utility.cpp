// The helpers: paths and directory trees (a wrong path deletes or misplaces the operator's files), names and
// addresses the operator types (a wrong text logs in to the wrong recorder, a cut one to none).

#include "model/HostAddress.h"
#include "model/TextConvert.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QUrl>

class TestUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeDirsOfAnyLength();
    void deleteDirectoryKeepsWhatIsNotItsOwn();
    void namesAndAddresses();
    void recorderAddresses_data();
    void recorderAddresses();
    void furtherChecks_data();
    void furtherChecks();
    void daysOfTheMonth();
    void smallHelpers();
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

void TestUtility::furtherChecks_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    const QList<std::tuple<const char*, const char*, bool>> rows{
        {"time", "23:59:59", true},
        {"time", "0:0:0", true},
        {"time", "24:00:00", false},
        {"time", "12:60:00", false},
        {"time", "12:00:60", false},
        {"time", "123:00:00", false},
        {"time", "12:00", false},
        {"time", "12:00:00:00", false},
        {"time", ":00:00", false},
        {"time", "12:0a:00", false},
        {"ipv4", "1.2.3.4", true},
        {"ipv4", "255.255.255.255", true},
        {"ipv4", "1.2.3.0", false},
        {"ipv4", "256.1.1.1", false},
        {"ipv4", "1.2.3", false},
        {"ipv4", "1..3.4", false},
        {"ipv6", "2001:db8:0:0:0:0:0:1", true},
        {"ipv6", "fe80::1", true},
        {"ipv6", "::1", true},
        {"ipv6", "fe80::1%eth0", true},
        {"ipv6", "::ffff:192.168.1.1", true},
        {"ipv6", "1:2:3:4:5:6:7:8:9", false},
        {"ipv6", "1::2::3", false},
        {"ipv6", "12345::1", false},
        {"ipv6", "g::1", false},
        {"ipv6", "1:2:3:4:5:6:7", false},
        {"mask", "255.255.255.0", true},
        {"mask", "255.255.255.254", true},
        {"mask", "128.0.0.0", true},
        {"mask", "0.0.0.0", true},
        {"mask", "255.255.255.255", false},
        {"mask", "255.255.0.255", false},
        {"mask", "255.0.255.0", false},
        {"mask", "255.255.255.0 ", false},
        {"multicast", "224.0.0.1", true},
        {"multicast", "239.255.255.255", true},
        {"multicast", "223.255.255.255", false},
        {"multicast", "240.0.0.1", false},
        {"mac", "00:1A:2b:3C:4d:5E", true},
        {"mac", "00:1A:2b:3C:4d", false},
        {"mac", "00-1A-2b-3C-4d-5E", false},
        {"mac", "00:1A:2b:3C:4d:5G", false},
        {"mac", "00:1A:2b:3C:4d:5E:6F", false},
        {"double byte", "\xB0\xA1", true},
        {"double byte", "ab\xF7\xFE", true},
        {"double byte", "\x81\x40", true},
        {"double byte", "\xFE\xFE", true},
        {"double byte", "\x80\x40", false},
        {"double byte", "\x81\x3F", false},
        {"double byte", "\xFF\xA1", false},
        {"double byte", "abc\xB0", false},
    };
    for (const auto& [check, text, valid] : rows)
        QTest::addRow("%s %s", check, QByteArray(text).toPercentEncoding().constData())
            << QString::fromLatin1(check) << QByteArray(text) << valid;
}

// The checks of the same family that the dialogs do not use yet, at the edges of what each accepts.
void TestUtility::furtherChecks()
{
    QFETCH(QString, check);
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    const QString string = QString::fromLatin1(text);
    bool result = false;
    if (check == QLatin1String("time"))
        result = IsValidTimeText(text.constData());
    else if (check == QLatin1String("ipv4"))
        result = IsValidIPv4Text(string);
    else if (check == QLatin1String("ipv6"))
        result = IsValidIPv6Address(string);
    else if (check == QLatin1String("mask"))
        result = IsValidSubnetMask(string);
    else if (check == QLatin1String("multicast"))
        result = IsMulticastAddress(string);
    else if (check == QLatin1String("mac"))
        result = IsValidMacAddress(string);
    else
        result = HasDoubleByteText(text.constData());
    QCOMPARE(result, valid);
}

void TestUtility::daysOfTheMonth()
{
    for (int month = 1; month <= 12; ++month) {
        const bool thirty = month == 4 || month == 6 || month == 9 || month == 11;
        QCOMPARE(IsValidDay(month, 31), month != 2 && !thirty);
        QCOMPARE(IsValidDay(month, 30), month != 2);
        QVERIFY(IsValidDay(month, 29) && IsValidDay(month, 1));
    }
}

// Dotted texts to numbers, resolved host texts, the byte sizes shown, quoted paths, scaled pictures and the
// rest of the small helpers.
void TestUtility::smallHelpers()
{
    const QList<std::tuple<const char*, bool, unsigned>> dotted{{"", true, 0u},
                                                                {"192.168.1.2", true, 0xC0A80102u},
                                                                {"255.255.255.255", true, 0xFFFFFFFFu},
                                                                {" 1. 2.3.4 ", true, 0x01020304u},
                                                                {"1.2.3.256", false, 0u},
                                                                {"1.2.3", false, 0u},
                                                                {"1.2.3.4.5", false, 0u},
                                                                {"1.2.x.4", false, 0u}};
    for (const auto& [text, ok, number] : dotted) {
        unsigned value = 7;
        QCOMPARE(IPStringToUInt(text, &value), ok);
        QCOMPARE(value, number);
    }
    QCOMPARE(GetAddressByHost("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
    QCOMPARE(GetAddressByHost("::1"), std::vector<std::string>{"0000:0000:0000:0000:0000:0000:0000:0001"});
    QCOMPARE(GetAddressByHost("2001:db8::a:b0"),
             std::vector<std::string>{"2001:0db8:0000:0000:0000:0000:000a:00b0"});
    QVERIFY(GetAddressByHost("").empty());

    const QLocale before;
    QLocale::setDefault(QLocale::c());
    const QList<std::pair<qint64, const char*>> sizes{{1023, "1023"},
                                                      {1024, "1 KB"},
                                                      {(qint64(1) << 20) - 1, "1023 KB"},
                                                      {qint64(1) << 20, "1.0 MB"},
                                                      {(qint64(1) << 30) - (qint64(1) << 20), "1023.0 MB"},
                                                      {qint64(1) << 30, "1.00 GB"},
                                                      {(qint64(1) << 40) - (qint64(1) << 30), "1023.00 GB"},
                                                      {qint64(3) << 39, "1.500 TB"}};
    for (const auto& [size, text] : sizes)
        QCOMPARE(FormatByteSize(size), QString::fromLatin1(text));
    QLocale::setDefault(before);

    QCOMPARE(QuoteText(QStringLiteral("C:/a b.mp4")), QStringLiteral("\"C:/a b.mp4\""));
    QCOMPARE(QuoteText(QStringLiteral("say &quot;hi&quot;")), QStringLiteral("\"say \"hi\"\""));
    QCOMPARE(GetAbsolutePath(QStringLiteral("Setup.xml")), GetAppDirPath() + QStringLiteral("Setup.xml"));
    QVERIFY(GetAppDirPath().endsWith(QLatin1Char('/')));
    QCOMPARE(GetAbsolutePath(QStringLiteral("/etc/Setup.xml")), QStringLiteral("/etc/Setup.xml"));

    const QList<std::tuple<int, int, int, int, int, int>> scaled{{400, 300, 100, 100, 100, 75},
                                                                 {300, 400, 100, 100, 75, 100},
                                                                 {200, 100, 100, 50, 100, 50},
                                                                 {50, 20, 100, 100, 100, 40},
                                                                 {0, 20, 100, 100, 0, 0}};
    for (const auto& [w, h, maxW, maxH, outW, outH] : scaled) {
        int width = -1, height = -1;
        ScaleToFit(w, h, maxW, maxH, &width, &height);
        QCOMPARE(std::pair(width, height), std::pair(outW, outH));
    }

    QCOMPARE(EventTypeName(QEvent::KeyPress), QStringLiteral("KeyPress"));
    QCOMPARE(EventTypeName(QEvent::HoverMove), QStringLiteral("HoverMove"));
    QCOMPARE(EventTypeName(9999), QStringLiteral("9999"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/a/b.mp4")), QUrl(QStringLiteral("http://x/y")),
                  QUrl::fromLocalFile(QStringLiteral("/c.mp4"))});
    QCOMPARE(GetLocalFilesFromMime(&mime), (QStringList{"/a/b.mp4", "/c.mp4"}));
    QVERIFY(RectXLessThan(QRect(1, 9, 1, 1), QRect(2, 0, 1, 1)) &&
            !RectXLessThan(QRect(2, 0, 1, 1), QRect(2, 0, 1, 1)));
    QVERIFY(RectYLessThan(QRect(9, 1, 1, 1), QRect(0, 2, 1, 1)) &&
            !RectYLessThan(QRect(0, 2, 1, 1), QRect(9, 1, 1, 1)));
}

VARROW_TEST_MAIN(TestUtility, QCoreApplication)
#include "tst_utility.moc"

// Text conversion and field checks: what reaches a record or the database and what a dialog refuses.

#include "model/Records.h"
#include "model/TextConvert.h"
#include "tests/support/TestSupport.h"

#include <cstring>
#include <new>

class TestTextConvert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ipAddress_data();
    void ipAddress();
    void names();
    void byteLimitsCountLocalBytes();
    void roundTripAndNull();
    void checksWithoutCaller();
    void recordDefaults();
};

void TestTextConvert::ipAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.168.1.1" << true;
    QTest::newRow("leading zeros") << "010.001.002.003" << true;
    QTest::newRow("first part zero") << "0.1.2.3" << true;
    QTest::newRow("all 255") << "255.255.255.255" << true;
    QTest::newRow("last part zero") << "192.168.1.0" << false;
    QTest::newRow("three parts") << "192.168.1" << false;
    QTest::newRow("five parts") << "192.168.1.1.1" << false;
    QTest::newRow("part above 255") << "256.1.1.1" << false;
    QTest::newRow("last above 255") << "1.1.1.256" << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("trailing blank") << "192.168.1.1 " << false;
    QTest::newRow("empty part") << "192..1.1" << false;
    QTest::newRow("empty") << "" << false;
    // Too long for a 32-bit number: must not be read as 0 or wrap around to a small value.
    QTest::newRow("overlong part") << "1.2.3.99999999999" << false;
    QTest::newRow("wraps to 1") << "4294967297.1.1.1" << false;
}

void TestTextConvert::ipAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPAddress(text), valid);
}

void TestTextConvert::names()
{
    QVERIFY(IsValidName(QString()));
    QVERIFY(IsValidName(QStringLiteral("Camera 1")));
    QVERIFY(IsValidName(QStringLiteral("前门 (北) - 2.")));
    for (const char* bad : {"it's", "a/b", "C:", "a|b", "a>b", "a<b", "say \"x\"", "why?", "a*", "a\\b"})
        QVERIFY2(!IsValidName(QString::fromUtf8(bad)), bad);
}

void TestTextConvert::byteLimitsCountLocalBytes()
{
    // 32 Chinese characters: 32 characters, but 96 bytes in the local (UTF-8) form that fills a 33-byte
    // field.
    const QString name(32, QChar(0x524D));
    QCOMPARE(name.size(), 32);
    QCOMPARE(QStringToLocal(name).size(), 96);
    QCOMPARE(QStringToStdString(name).size(), size_t(96));
    // A zero inside the text ends the std::string as it would end a C string.
    const QString withZero = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
    QCOMPARE(QStringToStdString(withZero), std::string("ab"));
}

void TestTextConvert::roundTripAndNull()
{
    for (const QString& text :
         {QStringLiteral("Camera 1"), QStringLiteral("摄像机 01"), QStringLiteral("Größe ä"), QString()}) {
        const QByteArray local = QStringToLocal(text);
        QCOMPARE(LocalToQString(local.constData()), text);
    }
    QVERIFY(LocalToQString(nullptr).isEmpty());
}

void TestTextConvert::checksWithoutCaller()
{
    QVERIFY(IsValidTimeText("23:59:59"));
    QVERIFY(IsValidTimeText("1:2:3"));
    QVERIFY(!IsValidTimeText("24:00:00"));
    QVERIFY(!IsValidTimeText("12:60:00"));
    QVERIFY(!IsValidTimeText("12:00"));
    QVERIFY(!IsValidTimeText("12::00"));
    QVERIFY(!IsValidTimeText("123:00:00"));
    QVERIFY(!IsValidTimeText("12:00:0a"));

    QVERIFY(IsValidIPv4Text(QStringLiteral("10.0.0.1")));
    QVERIFY(!IsValidIPv4Text(QStringLiteral("10.0.0.0")));
    QVERIFY(!IsValidIPv4Text(QStringLiteral("10..0.1")));

    QVERIFY(IsValidIPv6Address(QStringLiteral("fe80::1%eth0")));
    QVERIFY(IsValidIPv6Address(QStringLiteral("2001:db8:0:0:0:0:2:1")));
    QVERIFY(IsValidIPv6Address(QStringLiteral("::ffff:192.168.1.1")));
    QVERIFY(IsValidIPv6Address(QStringLiteral("::1")));
    QVERIFY(!IsValidIPv6Address(QStringLiteral("2001:db8::1::2")));
    QVERIFY(!IsValidIPv6Address(QStringLiteral("2001:db8:0:0:0:0:2")));
    QVERIFY(!IsValidIPv6Address(QStringLiteral("2001:db8::12345")));
    QVERIFY(!IsValidIPv6Address(QStringLiteral("2001:db8::g")));

    QVERIFY(IsValidSubnetMask(QStringLiteral("255.255.255.0")));
    QVERIFY(IsValidSubnetMask(QStringLiteral("255.128.0.0")));
    QVERIFY(!IsValidSubnetMask(QStringLiteral("255.0.255.0")));
    QVERIFY(!IsValidSubnetMask(QStringLiteral("255.255.255.0.1")));

    QVERIFY(IsMulticastAddress(QStringLiteral("224.0.0.1")));
    QVERIFY(IsMulticastAddress(QStringLiteral("239.255.255.250")));
    QVERIFY(!IsMulticastAddress(QStringLiteral("240.0.0.1")));
    QVERIFY(!IsMulticastAddress(QStringLiteral("192.168.1.1")));

    QVERIFY(IsValidMacAddress(QStringLiteral("00:1A:2b:3C:4d:5E")));
    QVERIFY(!IsValidMacAddress(QStringLiteral("00:1A:2b:3C:4d")));
    QVERIFY(!IsValidMacAddress(QStringLiteral("00-1A-2b-3C-4d-5E")));

    QVERIFY(HasDoubleByteText("\xB0\xA1"));
    QVERIFY(HasDoubleByteText("ab\x81\x40"));
    QVERIFY(!HasDoubleByteText("plain ascii"));
    QVERIFY(!HasDoubleByteText("x\xB0")); // the last byte has no follower

    QVERIFY(!IsValidDay(2, 30));
    QVERIFY(!IsValidDay(4, 31));
    QVERIFY(IsValidDay(1, 31));
    QVERIFY(IsValidDay(2, 29));
}

void TestTextConvert::recordDefaults()
{
    // A default plan: every reference empty, every entry disabled, 18:00 for 6 h, the day before, whole day.
    const GROUP_INFO group;
    for (const CHANNEL_REF& ref : group.Channel)
        QVERIFY(ref.IsEmpty() && ref.DeviceID == -1 && ref.CameraIndex == -1);
    for (const SCHEDULE_WEEKDAY& entry : group.Schedule) {
        QCOMPARE(entry.IsEanbel, uint8_t(0));
        QCOMPARE(entry.TaskStartTime.Hour, int16_t(18));
        QCOMPARE(entry.Duration, int16_t(6));
        QCOMPARE(entry.FileDate, int16_t(1));
        QCOMPARE(entry.FileEndTime.Hour, int16_t(23));
        QCOMPARE(entry.FileEndTime.Second, int16_t(59));
        QCOMPARE(entry.FileType, 0u);
    }
    const DEVICE_INFO device;
    QCOMPARE(device.CameraNum, int16_t(-1));
    QCOMPARE(device.StartIP, int16_t(-1));
    QCOMPARE(device.LoginID, -1);
    for (const CAMERA_INFO& camera : device.Camera)
        QVERIFY(camera.DeviceID == -1 && camera.CameraIndex == -1 && camera.GroupID == -1 &&
                camera.PicPath[0] == 0);
    const MANUAL_BACKUP_INFO manual;
    QCOMPARE(manual.FileType, 255u);
    QVERIFY(manual.Channel[31].IsEmpty());
    QCOMPARE(SYSTEM_CONFIG().ReconnetNum, 9);
    QCOMPARE(MAIL_CONFIG().SMTPPort, uint16_t(25));

    // Records are copied whole into signals and rows: no field may hold leftover bytes.
    alignas(DEVICE_INFO) unsigned char raw[sizeof(DEVICE_INFO)];
    std::memset(raw, 0xAB, sizeof raw);
    const DEVICE_INFO* placed = new (raw) DEVICE_INFO;
    QCOMPARE(placed->Domain[127], '\0');
    QCOMPARE(placed->Camera[63].PicPath[255], '\0');
    placed->~DEVICE_INFO();
}

VARROW_TEST_MAIN(TestTextConvert, QCoreApplication)
#include "tst_textconvert.moc"

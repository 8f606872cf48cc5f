// Texts and addresses: what reaches a record or the database, what a dialog refuses, and the address a
// recorder in domain mode is reached at (a wrong text logs in to the wrong recorder, a cut one to none).

#include "model/HostAddress.h"
#include "model/TextConvert.h"
#include "tests/support/TestSupport.h"

class TestTextConvert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ipAddress_data();
    void ipAddress();
    void names();
    void localTextRoundTripsAndCountsBytes();
    void hostAddressTexts();
    void ipStringToUIntRefusesWhatItCannotRead_data();
    void ipStringToUIntRefusesWhatItCannotRead();
};

void TestTextConvert::ipAddress_data()
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

void TestTextConvert::ipAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPAddress(text), valid);
}

void TestTextConvert::names()
{
    QVERIFY(IsValidName(QStringLiteral("前门 (北) - 2.")));
    for (const char* bad : {"it's", "a/b", "C:", "a|b", "a>b", "a<b", "say \"x\"", "why?", "a*", "a\\b"})
        QVERIFY2(!IsValidName(QString::fromUtf8(bad)), bad);
}

void TestTextConvert::localTextRoundTripsAndCountsBytes()
{
    for (const QString& text : {QStringLiteral("摄像机 01"), QStringLiteral("Größe ä"), QString()})
        QCOMPARE(LocalToQString(QStringToLocal(text).constData()), text);
    QVERIFY(LocalToQString(nullptr).isEmpty());
    // 32 Chinese characters fill 96 bytes of the local (UTF-8) form that a 33-byte field holds.
    QCOMPARE(QStringToStdString(QString(32, QChar(0x524D))).size(), size_t(96));
    // A zero inside the text ends the std::string as it would end a C string.
    QCOMPARE(QStringToStdString(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")), std::string("ab"));
}

void TestTextConvert::hostAddressTexts()
{
    QVERIFY(GetAddressByHost("").empty());
    QCOMPARE(GetAddressByHost("10.1.2.3"), std::vector<std::string>{"10.1.2.3"});
    // IPv6: eight groups of four digits, zero groups never shortened; each address once, not once per socket
    // type.
    QCOMPARE(GetAddressByHost("fe80::ab:1"),
             std::vector<std::string>{"fe80:0000:0000:0000:0000:0000:00ab:0001"});
    QCOMPARE(GetFirstIPv4Address("192.0.2.7"), std::string("192.0.2.7"));
    // An IPv6-only host fails cleanly instead of being cut to the 15 characters of the address field.
    QCOMPARE(GetFirstIPv4Address("::1"), std::string());
}

void TestTextConvert::ipStringToUIntRefusesWhatItCannotRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("value");
    QTest::newRow("plain") << QByteArray("192.168.1.10") << true << 0xC0A8010Au;
    QTest::newRow("blanks") << QByteArray(" 10. 0.0.1 ") << true << 0x0A000001u;
    QTest::newRow("huge number") << QByteArray("99999999999.1.1.1") << false << 0u;
    QTest::newRow("four dots") << QByteArray("1.2.3.4.") << false << 0u;
    // Missing numbers would leave values unread; they fail instead.
    QTest::newRow("missing part") << QByteArray("1..3.4") << false << 0u;
    QTest::newRow("blank inside") << QByteArray("1 2.3.4.5") << false << 0u;
}

void TestTextConvert::ipStringToUIntRefusesWhatItCannotRead()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(uint, value);
    unsigned out = 12345;
    QCOMPARE(IPStringToUInt(text.constData(), &out), ok);
    QCOMPARE(out, value);
}

VARROW_TEST_MAIN(TestTextConvert, QCoreApplication)
#include "tst_textconvert.moc"

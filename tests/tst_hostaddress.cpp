// Address texts of a recorder in domain mode: a wrong text logs in to the wrong recorder, a cut IPv6 text to
// none.

#include "model/HostAddress.h"
#include "tests/support/TestSupport.h"

class TestHostAddress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolvesAddressTexts();
    void firstIPv4();
    void ipStringToUInt_data();
    void ipStringToUInt();
};

void TestHostAddress::resolvesAddressTexts()
{
    QVERIFY(GetAddressByHost("").empty());
    QCOMPARE(GetAddressByHost("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
    QCOMPARE(GetAddressByHost("10.1.2.3"),
             std::vector<std::string>{"10.1.2.3"}); // a text only: nothing is sent
    // IPv6: eight groups of four digits, zero groups never shortened; each address once, not once per socket
    // type.
    QCOMPARE(GetAddressByHost("::1"), std::vector<std::string>{"0000:0000:0000:0000:0000:0000:0000:0001"});
    QCOMPARE(GetAddressByHost("fe80::ab:1"),
             std::vector<std::string>{"fe80:0000:0000:0000:0000:0000:00ab:0001"});
}

void TestHostAddress::firstIPv4()
{
    QCOMPARE(GetFirstIPv4Address("192.0.2.7"), std::string("192.0.2.7"));
    // An IPv6-only host fails cleanly instead of being cut to the 15 characters of the address field.
    QCOMPARE(GetFirstIPv4Address("::1"), std::string());
    QCOMPARE(GetFirstIPv4Address(""), std::string());
}

void TestHostAddress::ipStringToUInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("value");
    QTest::newRow("empty") << QByteArray("") << true << 0u;
    QTest::newRow("plain") << QByteArray("192.168.1.10") << true << 0xC0A8010Au;
    QTest::newRow("max") << QByteArray("255.255.255.255") << true << 0xFFFFFFFFu;
    QTest::newRow("blanks") << QByteArray(" 10. 0.0.1 ") << true << 0x0A000001u;
    QTest::newRow("above 255") << QByteArray("1.2.3.256") << false << 0u;
    QTest::newRow("huge number") << QByteArray("99999999999.1.1.1") << false << 0u;
    QTest::newRow("two dots") << QByteArray("1.2.3") << false << 0u;
    QTest::newRow("four dots") << QByteArray("1.2.3.4.") << false << 0u;
    QTest::newRow("letter") << QByteArray("1.2.3.a") << false << 0u;
    QTest::newRow("minus") << QByteArray("1.2.-3.4") << false << 0u;
    // Missing numbers would leave values unread; they fail instead.
    QTest::newRow("missing part") << QByteArray("1..3.4") << false << 0u;
    QTest::newRow("dots only") << QByteArray("...") << false << 0u;
    QTest::newRow("blank inside") << QByteArray("1 2.3.4.5") << false << 0u;
}

void TestHostAddress::ipStringToUInt()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(uint, value);
    unsigned out = 12345;
    QCOMPARE(IPStringToUInt(text.constData(), &out), ok);
    QCOMPARE(out, value);
}

VARROW_TEST_MAIN(TestHostAddress, QCoreApplication)
#include "tst_hostaddress.moc"

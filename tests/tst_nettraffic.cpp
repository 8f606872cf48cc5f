// The throughput read-out: a wrong difference, a spike after a counter reset or a missing interface would put
// nonsense on the main window every second.

#include "platform/MFNetTraffic.h"
#include "tests/support/TestSupport.h"

#include <QFile>

namespace {

// The kernel's layout: two header lines, then "name: rx_bytes rx_packets ... tx_bytes ...".
QByteArray ProcText(const QList<QPair<QByteArray, quint64>>& interfaces)
{
    QByteArray text = "Inter-|   Receive                            |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes ...\n";
    for (const auto& [name, received] : interfaces)
        text += "  " + name + ": " + QByteArray::number(received) +
                "   17    0    0    0     0  0  0  999  3  0\n";
    return text;
}

} // namespace

class TestNetTraffic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listsEveryInterfaceButLoopback();
    void readings();
    void nothingToRead();

private:
    void Write(const QList<QPair<QByteArray, quint64>>& interfaces);
    QString m_path;
};

void TestNetTraffic::init()
{
    m_path = TestSupport::ProcessAppDir().FilePath(QStringLiteral("net-dev"));
}

void TestNetTraffic::Write(const QList<QPair<QByteArray, quint64>>& interfaces)
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ProcText(interfaces));
}

void TestNetTraffic::listsEveryInterfaceButLoopback()
{
    Write({{"lo", 5000}, {"eth0", 10}, {"wlan0", 20}});
    MFNetTraffic meter(m_path);
    QCOMPARE(meter.Interfaces(), QStringList({QStringLiteral("eth0"), QStringLiteral("wlan0")}));
}

void TestNetTraffic::readings()
{
    // Counters beyond 32 bits must not wrap: a recorder network moves 4 GiB in well under a day.
    const quint64 base = quint64(1) << 33;
    Write({{"lo", 1}, {"eth0", base}, {"wlan0", 100}});
    MFNetTraffic meter(m_path);

    QCOMPARE(meter.ReadTraffic(0), 0.0); // the first reading only sets the base
    Write({{"lo", 999999}, {"eth0", base + 2048}, {"wlan0", 100}});
    QCOMPARE(meter.ReadTraffic(0), 2048.0); // loopback traffic does not count
    Write({{"lo", 1}, {"eth0", base + 3072}, {"wlan0", 612}});
    QCOMPARE(meter.ReadTraffic(0), 1536.0); // every interface together

    // An interface gone: the total goes back, which reads as 0, and the next second counts from there.
    Write({{"lo", 1}, {"eth0", base + 3200}});
    QCOMPARE(meter.ReadTraffic(0), 0.0);
    Write({{"lo", 1}, {"eth0", base + 4224}});
    QCOMPARE(meter.ReadTraffic(0), 1024.0);

    // A counter reset (driver reloaded): 0, never a huge figure.
    Write({{"lo", 1}, {"eth0", 300}});
    QCOMPARE(meter.ReadTraffic(0), 0.0);
    Write({{"lo", 1}, {"eth0", 800}});
    QCOMPARE(meter.ReadTraffic(0), 500.0);

    // Another index starts again from its own first reading.
    QCOMPARE(meter.ReadTraffic(1), 0.0);
}

void TestNetTraffic::nothingToRead()
{
    Write({{"lo", 1}});
    MFNetTraffic onlyLoopback(m_path);
    QVERIFY(onlyLoopback.Interfaces().isEmpty());
    QCOMPARE(onlyLoopback.ReadTraffic(0), 0.0);

    Write({{"eth0", 10}});
    MFNetTraffic meter(m_path);
    QCOMPARE(meter.ReadTraffic(-1), 0.0);
    QVERIFY(QFile::remove(m_path));
    QCOMPARE(meter.ReadTraffic(0), 1.0); // shown as 0.0 KB/S
    QVERIFY(!meter.ListInterfaces());
}

VARROW_TEST_MAIN(TestNetTraffic, QCoreApplication)
#include "tst_nettraffic.moc"

// Scenario files of the recorder simulator: the documented example must load, and a wrong file must be
// refused with a reason instead of serving a recorder other than the one described.

#include "tests/support/SimRecorders.h"
#include "tests/support/TestSupport.h"

class TestSdkScenario : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exampleLoads();
    void badScenariosAreRefused_data();
    void badScenariosAreRefused();
};

void TestSdkScenario::exampleLoads()
{
    const QString path = QFINDTESTDATA("../docs/example-scenario.json");
    QVERIFY(!path.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<SimRecorderConfig> recorders;
    QString error;
    QVERIFY2(ParseSimScenario(file.readAll(), QDate(2024, 5, 10), &recorders, &error), qPrintable(error));
    QCOMPARE(recorders.size(), 2);
    const SimRecorderConfig& gate = recorders[0];
    QCOMPARE(gate.Port, quint16(8000));
    QCOMPARE(gate.IpChannels, 2);
    // Seven days back plus today, two daily recordings each; the late one runs past midnight.
    const QList<SimRecording>& daily = gate.Channels[1].Recordings;
    QCOMPARE(daily.size(), 16);
    QCOMPARE(daily.first().Start, QDateTime(QDate(2024, 5, 3), QTime(8, 0), Qt::UTC));
    QCOMPARE(daily[1].Stop, QDateTime(QDate(2024, 5, 4), QTime(0, 30), Qt::UTC));
    QCOMPARE(gate.Channels[2].Faults.PlayRefusals, 2);
    QCOMPARE(int(gate.Channels[33].Resolution), 27);
    QCOMPARE(recorders[1].LoginRefusals, 1);
    QCOMPARE(recorders[1].Channels[5].Faults.DropAfterBytes, 1048576);
}

void TestSdkScenario::badScenariosAreRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("not json") << QByteArray("{recorders: [");
    QTest::newRow("no recorders") << QByteArray(R"({"recorders": []})");
    QTest::newRow("unknown channel") << QByteArray(
        R"({"recorders": [{"analogChannels": 2, "channels": [{"number": 3}]}]})");
    QTest::newRow("stop before start") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-05-01T10:00:00", "stop": "2024-05-01T09:00:00", "size": 5}]}]}]})");
    QTest::newRow("no size") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-05-01T10:00:00", "stop": "2024-05-01T11:00:00"}]}]}]})");
    QTest::newRow("bad port") << QByteArray(R"({"recorders": [{"port": 70000}]})");
    QTest::newRow("no such date") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-02-30T10:00:00", "stop": "2024-03-01T11:00:00", "size": 5}]}]}]})");
    QTest::newRow("year beyond the time fields") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "1850-05-01T10:00:00", "stop": "1850-05-01T11:00:00", "size": 5}]}]}]})");
    QTest::newRow("huge size") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "recordings": [{"start": "2024-05-01T10:00:00", "stop": "2024-05-01T11:00:00", "size": 1e15}]}]}]})");
    QTest::newRow("huge rate") << QByteArray(R"({"recorders": [{"rate": 1e15}]})");
    QTest::newRow("endless days") << QByteArray(
        R"({"recorders": [{"channels": [{"number": 1, "days": 1000000, "daily": [{"start": "08:00:00", "stop": "09:00:00", "size": 5}]}]}]})");
    QTest::newRow("no connections") << QByteArray(R"({"recorders": [{"maxConnections": 0}]})");
}

void TestSdkScenario::badScenariosAreRefused()
{
    QFETCH(QByteArray, json);
    QList<SimRecorderConfig> recorders;
    QString error;
    QVERIFY(!ParseSimScenario(json, QDate(2024, 5, 10), &recorders, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(recorders.isEmpty());
}

VARROW_TEST_MAIN(TestSdkScenario, QCoreApplication)
#include "tst_sdk_scenario.moc"

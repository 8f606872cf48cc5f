// One simulated day of the whole station, through the real main window: four plans over a healthy recorder,
// one that refuses logins, one whose play-backs drop halfway and one that goes away in the middle of the
// night. The night's copies are whole and byte-exact, no file is marked done without its copy, the unfinished
// list is carried to the overdue list, the refuser's report mail goes out, and the window closes with the
// engine.

#include "app/COmbrixApplication.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/SimulatedStation.h"

#include <QTest>

class TestDay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneDayWithFaultyRecorders()
    {
        CSimulatedStation station(3000.0);
        QVERIFY2(station.Open(), qPrintable(station.Failures().join(QLatin1Char('\n'))));
        const STATION_DAY day = station.RunDay(0, 6);
        QVERIFY2(station.Failures().isEmpty(), qPrintable(station.Failures().join(QLatin1Char('\n'))));
        QVERIFY(day.EventRows > 0);
        QVERIFY(station.Smtp().WaitForSessions(1));
        QVERIFY(station.Close());
    }
};

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestDay test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_day.moc"

// A simulated week of the whole station through the real main window (tests/support/gui/SimulatedStation):
// four plans over a healthy recorder, one that refuses logins, one whose play-backs drop halfway once a day
// and one that goes away in the middle of every other night, seven engine days on the scaled clock. Each day
// checks that every stored file is whole and byte-exact, that no file is marked done without its copy, that
// the unfinished list was carried to the overdue list, and that the event and log tables keep their bounds;
// it prints the copies, the process's memory and the GUI thread's CPU. Target: memory from the end of day 2
// to the end of day 7 grows by under 5%. The exit code is 1 when any check failed.
//
// Usage: bench_week [engine seconds per real second, default 1000] [days, default 7].

#include "app/COmbrixApplication.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/SimulatedStation.h"

#include <cstdio>

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    TestSupport::ProcessAppDir();
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    const double scale = argc > 1 ? std::max(1.0, QByteArray(argv[1]).toDouble()) : 1000.0;
    const int days = argc > 2 ? std::max(2, QByteArray(argv[2]).toInt()) : 7;

    CSimulatedStation station(scale);
    if (!station.Open()) {
        std::fprintf(stderr, "%s\n", qPrintable(station.Failures().join(QLatin1Char('\n'))));
        return 1;
    }
    std::printf("%d engine days at scale %.0f\n", days, scale);
    std::printf("%4s %8s %8s %8s %8s %8s %7s %7s %9s %9s %9s %10s\n", "day", "healthy", "refuser", "dropper",
                "roamer", "overdue", "events", "log", "RSS MiB", "heap MiB", "real s", "GUI CPU %");
    std::vector<STATION_DAY> week;
    double cpu = 0;
    double real = 0;
    for (int day = 0; day < days; ++day) {
        week.push_back(station.RunDay(day));
        const STATION_DAY& d = week.back();
        cpu += d.GuiCpuSeconds;
        real += d.RealSeconds;
        std::printf("%4d %8d %8d %8d %8d %8d %7d %7d %9.1f %9.1f %9.1f %10.2f\n", day + 1, d.Stored[0],
                    d.Stored[1], d.Stored[2], d.Stored[3], d.OverdueFiles, d.EventRows, d.LogRows,
                    double(d.ResidentKiB) / 1024.0, double(d.HeapKiB) / 1024.0, d.RealSeconds,
                    100.0 * d.GuiCpuSeconds / d.RealSeconds);
        std::fflush(stdout);
    }
    const bool closed = station.Close();
    const double growth =
        100.0 * double(week.back().ResidentKiB - week[1].ResidentKiB) / double(week[1].ResidentKiB);
    const double heapGrowth = 100.0 * double(week.back().HeapKiB - week[1].HeapKiB) / double(week[1].HeapKiB);
    std::printf(
        "memory from the end of day 2 to the end of day %d: %+.1f%% resident (target under 5%%), %+.1f%% "
        "in use by the allocator\n",
        days, growth, heapGrowth);
    std::printf("GUI thread CPU: %.1f s over %.0f s real = %.2f%% of one core; %.2f s per engine day\n", cpu,
                real, 100.0 * cpu / real, cpu / days);
    std::printf("report mails received: %s\n", station.Smtp().WaitForSessions(1, 1) ? "yes" : "none");
    for (const QString& failure : station.Failures())
        std::printf("FAILED: %s\n", qPrintable(failure));
    std::printf("checks: %s; window closed: %s\n", station.Failures().isEmpty() ? "all passed" : "FAILED",
                closed ? "yes" : "NO");
    return station.Failures().isEmpty() && closed && growth < 5.0 ? 0 : 1;
}

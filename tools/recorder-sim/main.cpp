// recorder-sim: serves the recorders of a scenario file until interrupted (docs/RECORDER-SIM.md). While it
// runs, SIGHUP reads the scenario file again and gives each recorder its faults from there (by position),
// SIGUSR1 reboots every recorder.

#include "tools/recorder-sim/RecorderSim.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <unistd.h>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        err << "usage: recorder-sim SCENARIO.json\n";
        return 2;
    }
    QList<SimRecorderConfig> configs;
    QString error;
    if (!LoadSimScenario(args[1], &configs, &error)) {
        err << "recorder-sim: " << error << "\n";
        return 1;
    }
    // Block the stop stopSignals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::vector<std::unique_ptr<CRecorderSim>> recorders;
    for (const SimRecorderConfig& config : configs) {
        auto recorder = std::make_unique<CRecorderSim>(config);
        if (!recorder->Start(&error)) {
            err << "recorder-sim: " << config.Name << ": " << error << "\n";
            return 1;
        }
        out << config.Name << " listening on " << recorder->Address() << ":" << recorder->Port() << " (user "
            << config.User << ", " << config.AnalogChannels << " analog and " << config.IpChannels
            << " IP channels)\n";
        recorders.push_back(std::move(recorder));
    }
    out << "Press Ctrl+C to stop; kill -HUP " << ::getpid()
        << " to take the file's faults, kill -USR1 to reboot.\n";
    out.flush();
    for (;;) {
        int received = 0;
        sigwait(&stopSignals, &received);
        if (received == SIGUSR1) {
            for (auto& recorder : recorders)
                recorder->Reboot();
            out << "rebooted\n";
        } else if (received == SIGHUP) {
            QList<SimRecorderConfig> changed;
            if (!LoadSimScenario(args[1], &changed, &error) || changed.size() != configs.size()) {
                err << "recorder-sim: faults not changed: "
                    << (error.isEmpty() ? QStringLiteral("the recorders differ") : error) << "\n";
                err.flush();
                error.clear();
                continue;
            }
            for (size_t i = 0; i < recorders.size(); ++i)
                recorders[i]->ApplyFaults(changed[qsizetype(i)]);
            out << "faults changed\n";
        } else {
            break;
        }
        out.flush();
    }
    recorders.clear();
    return 0;
}

// recorder-sim: serves the recorders of a scenario file until interrupted (docs/RECORDER-SIM.md).

#include "tools/recorder-sim/RecorderSim.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
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
    out << "Press Ctrl+C to stop.\n";
    out.flush();
    int received = 0;
    sigwait(&stopSignals, &received);
    recorders.clear();
    return 0;
}

// The state page's event table over weeks: 100,000 reported failures appended one by one to the shown page,
// its event loop run between bursts as the engine's queued reports would leave it. Prints, per 10,000 rows,
// the time per row, the rows the table holds and the process's resident memory. Targets: the time per row
// stays flat and the memory stops growing once the table holds its newest rows only.
//
// Usage: bench_gui_eventtable [PNG file to save the page to at the end]

#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/ProcessFigures.h"
#include "tests/support/TestSupport.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kStep = 10000;
constexpr int kBurst = 100;

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();

    CEngineFixture fixture(QDateTime::currentDateTime(), 1.0);
    const int device = fixture.AddDevice(CSimRecorders::MakeConfig(1, {}, QDate::currentDate()), "Bench");
    if (device < 0 || !fixture.AddPlan(0, {{int16_t(device), 1}}, SCHEDULE_WEEKDAY())) {
        std::fprintf(stderr, "could not set up the recorder and plan\n");
        return 1;
    }
    g_pSysInfoManage->SetBackupMode(2);
    CViewState page;
    page.resize(862, 686);
    page.show();
    QApplication::processEvents();
    const CTableView* events = page.findChild<CTableView*>(QStringLiteral("tableView_Event"));

    // The GUI thread's CPU per row, which other load on the machine does not blur; the wall time beside it.
    std::printf("%8s %12s %12s %8s %10s\n", "rows", "CPU us/row", "wall us/row", "kept", "RSS MiB");
    QElapsedTimer step;
    step.start();
    double stepCpu = ProcessFigures::ThreadCpuSeconds();
    double worstPerRow = 0;
    double firstPerRow = 0;
    for (int row = 1; row <= kRows; ++row) {
        page.WriteTableEvent(0, row % 2, device,
                             QStringLiteral("Skip Download Bench_Camera 01 row %1").arg(row));
        if (row % kBurst == 0)
            QApplication::processEvents();
        if (row % kStep == 0) {
            const double cpuNow = ProcessFigures::ThreadCpuSeconds();
            const double perRow = (cpuNow - stepCpu) * 1e6 / kStep;
            stepCpu = cpuNow;
            if (firstPerRow == 0)
                firstPerRow = perRow;
            worstPerRow = std::max(worstPerRow, perRow);
            std::printf("%8d %12.1f %12.1f %8d %10.1f\n", row, perRow,
                        double(step.nsecsElapsed()) / 1000.0 / kStep, events->GetTopRowCount(),
                        double(ProcessFigures::ResidentKiB()) / 1024.0);
            std::fflush(stdout);
            step.restart();
        }
    }
    // With a file name, the page as it shows the newest rows, for a look.
    if (argc > 1) {
        QApplication::processEvents();
        QTest::qWait(200);
        page.grab().save(QString::fromLocal8Bit(argv[1]));
    }
    std::printf(
        "worst step %.1f us CPU per row, first %.1f (flat: within 2x); table kept %d rows (bound %d)\n",
        worstPerRow, firstPerRow, events->GetTopRowCount(), CViewState::kEventRowsKept);
    return events->GetTopRowCount() <= CViewState::kEventRowsKept ? 0 : 1;
}

// Program start to the main window shown, with 1024 recorders of 64 channels and 32 full plans in the
// database: the whole program started as a process (until it logs "Open Software", right after the window is
// shown), and the in-process start sequence with its steps.

#include "app/CVarrow.h"
#include "app/VarrowStart.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"
#include "storage/CreateStorage.h"
#include "tests/support/TempDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int OpenCount(const QString& dbPath)
{
    try {
        CSQLite3DB db;
        db.Open(dbPath.toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
        CSQLite3Recordset rs;
        if (db.Query("SELECT COUNT(*) FROM Log_Table WHERE LogContents = 'Open Software'", rs) && !rs.IsEof())
            return rs.GetInt(0);
    } catch (const CSQlite3Error&) {
    }
    return 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    QApplication app(argc, argv);
    CTempDatabase db;
    CTempDatabase::FillFullConfiguration();
    CloseMainDB();

    // The whole program, as a process of its own in the same directory.
    const QString exe = QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/Varrow"))
                            .absoluteFilePath();
    const QString copy = db.Dir() + QStringLiteral("/Varrow");
    std::vector<double> processTimes;
    if (QFile::copy(exe, copy)) {
        for (int run = 0; run < 5; ++run) {
            const int before = OpenCount(db.DbPath());
            QProcess program;
            QElapsedTimer timer;
            timer.start();
            program.start(copy, {});
            while (OpenCount(db.DbPath()) == before && timer.elapsed() < 30000)
                QTest::qSleep(2);
            processTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            program.kill();
            program.waitForFinished();
        }
    } else {
        std::fprintf(stderr, "no program at %s\n", qPrintable(exe));
    }

    // The steps of the start sequence one by one, then the whole sequence (which runs them again) until the
    // window is shown, each from a closed database.
    std::vector<double> load, tasks, storage, total;
    for (int run = 0; run < 5; ++run) {
        CloseMainDB();
        QElapsedTimer timer;
        timer.start();
        g_pSysInfoManage->LoadAllInfo();
        load.push_back(double(timer.nsecsElapsed()) / 1e6);
        g_pSysInfoManage->LoadAllTaskList();
        tasks.push_back(double(timer.nsecsElapsed()) / 1e6 - load.back());
        CreateStorage(DiskFullCallBack);
        storage.push_back(double(timer.nsecsElapsed()) / 1e6 - load.back() - tasks.back());
        CloseMainDB();
        timer.restart();
        std::unique_ptr<CVarrow> shown = OpenMainWindow();
        if (!QTest::qWaitForWindowExposed(shown.get()))
            std::fprintf(stderr, "window not exposed\n");
        QCoreApplication::processEvents();
        total.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    if (!processTimes.empty())
        std::printf(
            "Program start to main window shown (process, 1024 recorders, 32 full plans): median %.1f ms, "
            "worst %.1f ms (target < 1000 ms)\n",
            Median(processTimes), *std::max_element(processTimes.begin(), processTimes.end()));
    std::printf("In process: model %.1f ms, task lists %.1f ms, storage %.1f ms; the whole sequence to the "
                "window shown %.1f ms (medians)\n",
                Median(load), Median(tasks), Median(storage), Median(total));
    return 0;
}

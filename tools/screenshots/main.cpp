// varrow-screenshots OUTDIR SCENARIO.json: starts the program's real windows over a temporary program
// directory, with the scenario's recorders served in-process on free loopback ports and registered as an
// operator registers them, and saves pictures of the main window, the log page and the settings dialog's
// pages into OUTDIR. Run it through scripts/screenshots.sh, which gives it a screen large enough.

#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "app/VarrowStart.h"
#include "config/CDlgSet.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "storage/CreateStorage.h"
#include "tools/recorder-sim/RecorderSim.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

QTextStream& Err()
{
    static QTextStream err(stderr);
    return err;
}

// Lets queued work (page searches, the engine's first reports) reach the window before a picture is taken.
void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget* widget, const QString& dir, const QString& name)
{
    const QString path = dir + QLatin1Char('/') + name;
    if (!widget->grab().save(path)) {
        Err() << "varrow-screenshots: cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

QAbstractButton* Button(QWidget* root, const char* name)
{
    return root->findChild<QAbstractButton*>(QLatin1String(name));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        Err() << "usage: varrow-screenshots OUTDIR SCENARIO.json\n";
        return 2;
    }
    const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString scenario = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir programDir;
    QTemporaryDir disk;
    if (!programDir.isValid() || !disk.isValid() || !QDir().mkpath(outDir)) {
        Err() << "varrow-screenshots: no temporary or output directory\n";
        return 1;
    }
    SetAppDirOverride(programDir.path());
    QFile map(programDir.filePath(QStringLiteral("Drives.conf")));
    if (!map.open(QIODevice::WriteOnly) || map.write("D=" + QFile::encodeName(disk.path()) + "\n") < 0)
        return 1;
    map.close();

    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    if (app.CheckResolution())
        return 1;

    QList<SimRecorderConfig> configs;
    QString error;
    if (!LoadSimScenario(scenario, &configs, &error)) {
        Err() << "varrow-screenshots: " << error << "\n";
        return 1;
    }
    std::vector<std::unique_ptr<CRecorderSim>> recorders;
    for (SimRecorderConfig config : configs) {
        config.Address = QStringLiteral("127.0.0.1");
        config.Port = 0;
        const QByteArray name = config.Name.toUtf8();
        const QByteArray user = config.User.toUtf8();
        const QByteArray password = config.Password.toUtf8();
        auto recorder = std::make_unique<CRecorderSim>(config);
        if (!recorder->Start(&error)) {
            Err() << "varrow-screenshots: " << config.Name << ": " << error << "\n";
            return 1;
        }
        // The operator's Add: a recorder that refuses its first logins is tried again.
        int added = -1;
        for (int attempt = 0; attempt < 3 && added != ADD_DEVICE_OK; ++attempt)
            added = g_pSysInfoManage->AddDevice("127.0.0.1", recorder->Port(), user.constData(),
                                                password.constData(), nullptr, name.constData(), "", 0);
        if (added != ADD_DEVICE_OK)
            Err() << "varrow-screenshots: " << config.Name << " was not added (" << added << ")\n";
        recorders.push_back(std::move(recorder));
    }
    SYSTEM_CONFIG system;
    g_pSysInfoManage->GetSystemConfig(&system);
    CopyString26(system.Disk, "D");
    g_pSysInfoManage->SetSystemConfig(&system);

    // One plan, as the walk-through makes it: Gate's first channel, the whole week from 18:00 for six hours.
    const int gate = g_pSysInfoManage->GetDeviceIndexByName("Gate");
    if (gate >= 0) {
        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, "Night");
        plan.Channel[0] = {int16_t(gate), 1};
        plan.Schedule[0].IsEanbel = 1;
        if (!g_pSysInfoManage->SetGroupInfo(&plan, 0))
            Err() << "varrow-screenshots: the plan was not stored\n";
    }

    std::unique_ptr<CVarrow> window = OpenMainWindow();
    Settle(1500);
    bool ok = Save(window.get(), outDir, QStringLiteral("main-window.png"));

    Button(window.get(), "pBtnViewLog")->click();
    if (QAbstractButton* search = Button(window->SearchLog(), "m_pushButtonSearch"))
        search->click();
    Settle(500);
    ok = Save(window.get(), outDir, QStringLiteral("log-page.png")) && ok;
    Button(window.get(), "pBtnViewState")->click();

    {
        CDlgSet dialog(window.get());
        dialog.show();
        Settle(300);
        // The dialog's pages, each under its tab, when the dialog has them.
        const char* const tabs[][2] = {{"pBtnGeneral", "settings-system.png"},
                                       {"pBtnDevice", "settings-devices.png"},
                                       {"pBtnSchedule", "settings-plans.png"}};
        bool anyTab = false;
        for (const auto& tab : tabs) {
            if (QAbstractButton* button = Button(&dialog, tab[0])) {
                anyTab = true;
                button->click();
                Settle(300);
                ok = Save(&dialog, outDir, QLatin1String(tab[1])) && ok;
            }
        }
        if (!anyTab)
            ok = Save(&dialog, outDir, QStringLiteral("settings.png")) && ok;
        dialog.hide();
    }

    window.reset();
    ReleaseStorage();
    return ok ? 0 : 1;
}

#include "app/VarrowStart.h"

#include <QApplication>

#include "app/CVarrow.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"

QString DatabaseErrorText(const QString& error)
{
    return QObject::tr("The database cannot be used. The file was left as it is:") + QLatin1Char('\n') +
           error;
}

std::unique_ptr<CVarrow> OpenMainWindow()
{
    // A station that starts over an unusable file would look empty and fail only at the first save.
    std::string error = MainDbError();
    if (error.empty() && !g_pSysInfoManage->LoadAllInfo())
        error = MainDbError().empty() ? std::string("the stored settings cannot be read") : MainDbError();
    if (!error.empty()) {
        CWarnDlg box(nullptr);
        box.ExecInfo(QStringLiteral("Varrow"), DatabaseErrorText(QString::fromStdString(error)));
        return nullptr;
    }
    g_pSysInfoManage->LoadAllTaskList();
    const int storageCode = CreateStorage(DiskFullCallBack);

    auto window = std::make_unique<CVarrow>();
    window->show();
    if (storageCode != 0)
        ShowInfoMsgBox(QObject::tr("Information"), StorageErrorText(storageCode), window.get());
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, QObject::tr("Open Software"));
    return window;
}

int RunVarrow()
{
    int result = 1;
    if (std::unique_ptr<CVarrow> window = OpenMainWindow())
        result = QApplication::exec();
    g_pSysInfoManage->Shutdown();
    return result;
}

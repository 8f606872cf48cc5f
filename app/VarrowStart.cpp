#include "app/VarrowStart.h"

#include "app/CVarrow.h"
#include "app/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"

QString StorageErrorText(int code)
{
    return QObject::tr("Create Storage Error:") + QString::number(code) +
           QObject::tr(".Please check and clear the local disk.");
}

std::unique_ptr<CVarrow> OpenMainWindow()
{
    g_pSysInfoManage->LoadAllInfo();
    g_pSysInfoManage->LoadAllTaskList();
    const int storageCode = CreateStorage(DiskFullCallBack);

    auto window = std::make_unique<CVarrow>();
    window->show();
    if (storageCode != 0)
        ShowInfoMsgBox(QObject::tr("Information"), StorageErrorText(storageCode), window.get());
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, QObject::tr("Open Software"));
    return window;
}

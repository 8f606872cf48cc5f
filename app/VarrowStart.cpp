#include "app/VarrowStart.h"

#include "app/CVarrow.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "pages/state/CViewState.h"

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

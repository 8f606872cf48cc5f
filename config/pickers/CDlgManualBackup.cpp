// TEMPORARY stand-in; replaced when the manual backup dialog is built.

#include "config/pickers/CDlgManualBackup.h"

#include "model/SysInfoManage.h"

CDlgManualBackup::CDlgManualBackup(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    SetTitle(tr("Manual Backup"));
    ShowCloseBtn(true);
    setFixedSize(600, 700);
}

CDlgManualBackup::~CDlgManualBackup() = default;

void CDlgManualBackup::accept()
{
    g_pSysInfoManage->SetBackupMode(1);
    CBaseDialog::accept();
}

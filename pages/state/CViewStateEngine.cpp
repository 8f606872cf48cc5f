// The state page's engine side: the plans' and the manual backup's threads, the backup modes, the storage
// reset and the full disk.

#include "pages/state/CViewState.h"

#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QTimer>

std::atomic<CViewState*> g_pViewState{nullptr};
std::atomic<bool> g_bFirstDiskFull{true};

void CViewState::reject() {}

void CViewState::StartWork() {}

void CViewState::ManualDataUpdate() {}

void CViewState::OnBtnAutoBackup() {}

void CViewState::OnBtnManualBackup() {}

void CViewState::AutoBackup() {}

void CViewState::StopTimer() {}

void CViewState::StartManualBackup() {}

void CViewState::StopManualBackup() {}

void CViewState::StartSearch() {}

void CViewState::StopSearch() {}

void CViewState::StopBackup(std::vector<int>) {}

void CViewState::ResetBackup(std::vector<GROUP_CHANGED>) {}

void CViewState::ResetLocal() {}

void CViewState::ResetManualBackup() {}

void CViewState::OnDiskFull() {}

void CViewState::CreateControlThreads() {}

void CViewState::StartControlThreads() {}

void CViewState::CreateExecuteThreads() {}

void CViewState::StopControlThreads(bool) {}

void CViewState::StopExecuteThreads(bool) {}

int DiskFullCallBack(int, int, int, int)
{
    return 1;
}

// The settings dialog's device and plan pages: made, wired to each other and to the dialog's relays, and
// saved. This is the one place of the dialog that knows their classes.
//
// STAND-IN: the device and plan pages are not in this branch yet. Until they are, the two tabs hold empty
// pages whose saves pass. When they come, this file makes CDlgCfgDevice and CDlgCfgPlan (in that order, with
// the dialog as parent) and connects, as the dialog's relays:
//   device SetDeleteDeviceToView(int)       -> plan OnDeleteDevice(int)
//   device SetModifyDeviceToView(int, bool) -> plan OnModifyDevice(int, bool)
//   device SignalDeviceChanged()            -> dialog SignalDeviceChanged()
//   plan   GroupChanged(vector<GROUP_CHANGED>) -> dialog UpdateGroup(vector<GROUP_CHANGED>)
//   plan   StopThread(vector<int>)          -> dialog StopThread(vector<int>)
//   device StopThread(vector<int>)          -> dialog StopThread(vector<int>)
//   device ManualDeviceChanged()            -> dialog ManualDeviceChanged()
// (the plan page's own SignalDeviceChanged() is not relayed); SaveDevicePage() runs CDlgCfgDevice::Save() and
// SavePlanPage() returns CDlgCfgPlan::SavePlans().

#include "config/CDlgSet.h"

#include <QDialog>

void CDlgSet::CreateDeviceAndPlanPages()
{
    m_pDevicePage = new QDialog(this);
    m_pDevicePage->setObjectName(QStringLiteral("CDlgCfgDevice"));
    m_pPlanPage = new QDialog(this);
    m_pPlanPage->setObjectName(QStringLiteral("CDlgCfgPlan"));
}

void CDlgSet::SaveDevicePage() {}

bool CDlgSet::SavePlanPage()
{
    return true;
}

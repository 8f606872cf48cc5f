// Saving the plan page's working copy into the model, and what a deleted or changed recorder does to it.

#include "config/plans/CDlgCfgPlan.h"

#include "config/plans/PlanRecord.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QListWidget>

#include <algorithm>
#include <cstring>

namespace {

// A plan of the working copy that the save must write: deleted, or unlike the model's plan in its slot.
bool MustWrite(const GROUP_INFO& page, const GROUP_INFO& model)
{
    return page.bDelete == 1 || !IsSamePlan(page, model);
}

} // namespace

bool CDlgCfgPlan::IsPlanChanged(int plan) const
{
    if (plan < 0 || plan >= MAX_GROUP_NUM)
        return false;
    GROUP_INFO model[MAX_GROUP_NUM];
    g_pSysInfoManage->GetAllGroupInfo(model);
    return MustWrite(m_pPlans[plan], model[plan]);
}

bool CDlgCfgPlan::IsPlanTableChanged() const
{
    GROUP_INFO model[MAX_GROUP_NUM];
    g_pSysInfoManage->GetAllGroupInfo(model);
    for (int p = 0; p < MAX_GROUP_NUM; ++p)
        if (!IsSamePlan(m_pPlans[p], model[p]))
            return true;
    return false;
}

std::vector<GROUP_CHANGED> CDlgCfgPlan::Announcement(const std::vector<int>& plans,
                                                     const GROUP_INFO* names) const
{
    std::vector<GROUP_CHANGED> list;
    for (int p : plans) {
        GROUP_CHANGED item;
        item.GroupID = p;
        std::memcpy(item.GroupName, names[p].GroupName, sizeof item.GroupName);
        list.push_back(item);
    }
    return list;
}

bool CDlgCfgPlan::SavePlans()
{
    if (ui.m_pListWidgetPlan->count() > 0)
        TableToPlan(m_nCurPlan);
    if (!CheckSchedule())
        return false;
    if (!IsPlanTableChanged())
        return true;
    if (ShowConfirmMsgBox(tr("Information"), tr("Modify Schedule need to reboot Backup,Are you sure?"),
                          this) != 1)
        return false;

    // The names the running plans carry: the model's, before anything is written.
    GROUP_INFO old[MAX_GROUP_NUM];
    g_pSysInfoManage->GetAllGroupInfo(old);
    std::vector<int> changed;
    for (int p = 0; p < MAX_GROUP_NUM; ++p)
        if (MustWrite(m_pPlans[p], old[p]))
            changed.push_back(p);
    // The receivers stop the plans' threads before any of their rows is rewritten.
    if (!changed.empty())
        Q_EMIT StopThread(changed);

    const bool saved = WritePlans(changed);
    // Either way the page shows what the model now holds: the saved plans, or the stored ones again.
    ReloadFromModel();
    Q_EMIT GroupChanged(Announcement(changed, old));
    if (!saved) {
        ShowInfoMsgBox(tr("Error"), tr("The schedules could not be saved to the database."), this);
        return false;
    }
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_PLAN, tr("Config backup Schedule"));
    return true;
}

bool CDlgCfgPlan::WritePlans(const std::vector<int>& changed)
{
    if (changed.empty())
        return true;
    CSysInfoManage* model = g_pSysInfoManage;
    if (model->BeginTransaction() == 0)
        return false;
    for (int p : changed) {
        const GROUP_INFO& plan = m_pPlans[p];
        bool ok = true;
        if (plan.bUsed == 1) {
            // The save replaces the stored plan's rows itself: no delete before it.
            GROUP_INFO record = plan;
            record.bDelete = 0;
            // The model holds the plan as it is stored, so that a later read of the database compares equal.
            for (SCHEDULE_WEEKDAY& entry : record.Schedule)
                entry.GroupID = int16_t(p);
            ok = model->SetGroupInfo(&record, p);
        } else if (plan.bDelete == 1) {
            ok = model->DeleteGroupInfo(p) == 1;
        }
        if (!ok) {
            model->RollbackTransaction();
            return false;
        }
    }
    return model->CommitTransaction();
}

void CDlgCfgPlan::ReloadFromModel()
{
    g_pSysInfoManage->GetAllGroupInfo(m_pPlans);
    std::copy(std::begin(m_pPlans), std::end(m_pPlans), std::begin(m_modelPlans));
    RebuildPlanList();
    ui.m_pListWidgetBackUpChannel->clear();
    int row = -1;
    for (int i = 0; i < ui.m_pListWidgetPlan->count(); ++i) {
        const int slot = ui.m_pListWidgetPlan->item(i)->data(Qt::UserRole).toInt();
        if (row < 0 || slot == m_nCurPlan)
            row = i;
    }
    if (row < 0) {
        m_nCurPlan = -1;
        InitScheduleTable();
        ShowPlanName(-1);
        EnablePlanButtons(false);
        return;
    }
    SelectPlanRowSilently(row);
    m_nCurPlan = CurrentItemPlan();
    ShowPlanName(m_nCurPlan);
    ShowPlanChannels(m_nCurPlan);
    PlanToTable(m_nCurPlan);
    EnablePlanButtons(true);
}

void CDlgCfgPlan::TakeDeviceOut(int device)
{
    // The device page stopped every plan of the model that held the recorder's channels and took them out of
    // the model; those plans are announced so that they start again. The page's own unsaved edits stay
    // unsaved: only the recorder's channels leave the working copy.
    GROUP_INFO model[MAX_GROUP_NUM];
    g_pSysInfoManage->GetAllGroupInfo(model);
    std::vector<int> announced;
    bool stored = true;
    for (int p = 0; p < MAX_GROUP_NUM; ++p) {
        const bool held = m_modelPlans[p].bUsed == 1 && HoldsDevice(m_modelPlans[p], device);
        RemoveDeviceRefs(&m_pPlans[p], device);
        GROUP_INFO record = model[p];
        const bool stillHeld = record.bUsed == 1 && RemoveDeviceRefs(&record, device);
        if (stillHeld)
            stored = g_pSysInfoManage->SetGroupInfo(&record, p) && stored;
        if (held || stillHeld)
            announced.push_back(p);
    }
    g_pSysInfoManage->GetAllGroupInfo(m_modelPlans);
    Q_EMIT GroupChanged(Announcement(announced, m_modelPlans));
    if (!stored)
        ShowInfoMsgBox(tr("Error"), tr("The schedules could not be saved to the database."), this);
}

void CDlgCfgPlan::OnDeleteDevice(int device)
{
    TakeDeviceOut(device);
    ShowPlanChannels(CurrentItemPlan());
}

void CDlgCfgPlan::OnModifyDevice(int device, bool connectionChanged)
{
    if (connectionChanged) {
        OnDeleteDevice(device);
        return;
    }
    // The plans keep the recorder's channels; the device page that stopped them starts them again, once.
    if (ui.m_pListWidgetPlan->count() > 0)
        ShowPlanChannels(CurrentItemPlan());
}

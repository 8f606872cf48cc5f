#pragma once

// The plan page of the settings dialog: the list of backup plans, the channels of the plan shown and its
// weekly schedule table. Everything is edited on a working copy of the model's 32 plan records, which reaches
// the model only through SavePlans (the settings dialog's OK); a deleted or changed recorder only takes its
// channels out of the working copy, and out of the model's plans where they are still stored.

#include "config/plans/ChosenChannel.h"
#include "model/Records.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <vector>

class CPushButton;
class CTableView;
class QLabel;
class QListWidget;

// The page's widgets, built in code; all are owned by the page.
struct CDlgCfgPlanClass
{
    QLabel* label = nullptr;
    CPushButton* m_pBtnAdd = nullptr;
    CPushButton* m_pBtnDel = nullptr;
    QLabel* m_pLabelGroupName = nullptr;
    QListWidget* m_pListWidgetPlan = nullptr;
    QLabel* label_3 = nullptr;
    CPushButton* m_pushButtonDelChannel = nullptr;
    CPushButton* m_pushButtonChooseChannel = nullptr;
    QListWidget* m_pListWidgetBackUpChannel = nullptr;
    QLabel* label_4 = nullptr;
    CTableView* m_ptableViewBackUpTime = nullptr;
    CPushButton* m_pBtnCopy = nullptr;

    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

class CDlgCfgPlan : public QDialog
{
    Q_OBJECT

public:
    // Columns of the schedule table.
    enum SCHEDULE_COLUMN
    {
        COL_WEEK,
        COL_TASK_START,
        COL_DURATION,
        COL_FILE_DAY,
        COL_FILE_START,
        COL_FILE_END,
        COL_FILE_TYPE,
        SCHEDULE_COLUMN_NUM
    };

    explicit CDlgCfgPlan(QWidget* parent = nullptr);
    ~CDlgCfgPlan() override;

    // The page lives inside the settings dialog: Escape never hides it.
    void reject() override {}

    // For the page's own dialogs.
    void SetPlanName(const QString& name);
    void AddChosenChannel(const QList<CHOSEN_CHANNEL>& channels);
    int FindPlanByName(const QString& name) const;
    void SetAllPlans(const GROUP_INFO* plans);
    // The working copy, 32 records in slot order.
    const GROUP_INFO* GetPlans() const { return m_pPlans; }
    int CurrentPlan() const { return m_nCurPlan; }

    // True when the settings dialog may close: saved, or nothing to save. False when a schedule is wrong, the
    // operator cancelled, or the database refused the save (then nothing of it is kept, the model and the
    // page show the stored plans again and the plans stopped for it are announced to start again).
    bool SavePlans();
    bool IsPlanTableChanged() const;
    bool IsPlanChanged(int plan) const;
    // Validates every plan in use of the working copy; reports the first fault in a box.
    bool CheckSchedule();
    QString GetWeekDayName(int row) const;

public Q_SLOTS:
    void OnDeleteDevice(int device);
    void OnModifyDevice(int device, bool connectionChanged);

Q_SIGNALS:
    void StopThread(std::vector<int> plans);
    void GroupChanged(std::vector<GROUP_CHANGED> plans);

protected:
    // The channel chooser and the copy-schedule dialog are opened here; true when accepted.
    virtual bool ExecChannelChooser();
    virtual bool ExecCopySchedule(int plan);

private Q_SLOTS:
    void OnBtnChooseChannel();
    void OnBtnAddPlan();
    void OnBtnDoubleClickedPlan();
    void OnSelectionChanged();
    void OnBtnDelPlan();
    void OnBtnDelChannel();
    void OnBtnCopy();

private:
    // Schedule table.
    void InitScheduleTable();
    void TableToPlan(int plan);
    void PlanToTable(int plan);
    void FitScheduleColumns();
    template <typename T> T* Cell(int row, int column) const;

    // Lists.
    void ShowPlanChannels(int plan);
    QString GetChannelText(int plan, int position) const;
    void AddPlanItem(int plan);
    void RebuildPlanList();
    // Selects the row without running OnSelectionChanged.
    void SelectPlanRowSilently(int row);
    int CurrentItemPlan() const;
    void ShowPlanName(int plan);
    void EnablePlanButtons(bool enable);
    void AddChosenToPlan(int plan);
    bool IsChannelInOtherPlan(int device, int channel) const;
    int FindFreePlanSlot() const;

    // Saving.
    bool WritePlans(const std::vector<int>& changed);
    // The working copy and the page again as the model holds the plans.
    void ReloadFromModel();
    std::vector<GROUP_CHANGED> Announcement(const std::vector<int>& plans, const GROUP_INFO* names) const;
    void TakeDeviceOut(int device);

    CDlgCfgPlanClass ui;
    GROUP_INFO m_pPlans[MAX_GROUP_NUM];
    // The model's plans as the page last read or wrote them: which plans held a recorder's channels before
    // the device page took them out of the model.
    GROUP_INFO m_modelPlans[MAX_GROUP_NUM];
    int m_nCurPlan = -1;
    QList<CHOSEN_CHANNEL> m_chosenList;
    QString m_strPlanName;
    bool m_bSilentSelection = false;
};

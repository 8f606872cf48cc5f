#pragma once

// Copies the weekly schedule of the plan page's current plan to other plans of its working copy. Nothing
// reaches the model here: the plan page writes its plans when the settings dialog is confirmed.

#include "model/Records.h"
#include "widgets/dialogs/CBaseDialog.h"

class CDlgCfgPlan;
class CPushButton;
class CTableView;
class QLabel;

// The dialog's widgets, built in code; all are owned by the dialog.
struct CCopyBackUpTimeClass
{
    QLabel* label = nullptr;
    CTableView* m_pTableCopy = nullptr;
    CPushButton* m_pBtnAll = nullptr;

    void setupUi(QWidget* content);
    void retranslateUi();
};

class CCopyBackUpTime : public CBaseDialog
{
    Q_OBJECT

public:
    // A negative plan index builds an empty list, and OK copies nothing.
    CCopyBackUpTime(CDlgCfgPlan* parent, int curPlan);
    ~CCopyBackUpTime() override;

public Q_SLOTS:
    void OnBtnOK();
    void OnBtnCancel();
    void OnBtnAll();

private:
    // The slot of the plan page's plan in use that carries the name, -1 when none does.
    int TargetSlot(const QString& name) const;

    CCopyBackUpTimeClass m_form;
    CDlgCfgPlan* m_pPlanPage;
    GROUP_INFO m_pPlanCopy[MAX_GROUP_NUM];
    int m_nCurPlan = -1;
    int m_bCheckAll = 1;
};

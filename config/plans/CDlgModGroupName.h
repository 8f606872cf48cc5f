#pragma once

// The small dialog in which the operator names a new plan or renames one. The name is checked against the
// plan page's working copy and handed to the page (SetPlanName) before the dialog accepts.

#include "widgets/dialogs/CBaseDialog.h"

class CDlgCfgPlan;
class CPushButton;
class QLabel;
class QLineEdit;

// The dialog's own widgets, built in code; all are owned by the dialog.
struct CDlgModGroupNameClass
{
    QLabel* m_pLabelPlanName = nullptr;
    QLineEdit* m_pLineEditPlanName = nullptr;
    CPushButton* m_pushButtonOK = nullptr;
    CPushButton* m_pushButtonCancel = nullptr;

    // The form goes into the dialog's content frame; the two buttons into its bottom bar.
    void setupUi(QWidget* content, QWidget* bottomBar);
    void retranslateUi();
};

class CDlgModGroupName : public CBaseDialog
{
    Q_OBJECT

public:
    CDlgModGroupName(CDlgCfgPlan* parent, bool add);
    ~CDlgModGroupName() override;

private Q_SLOTS:
    void OnBtnChooseOK();
    void OnBtnChooseCancel();

private:
    CDlgModGroupNameClass m_form;
    CDlgCfgPlan* m_pPlanPage;
    bool m_bAdd;
};

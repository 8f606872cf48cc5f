#pragma once

// The plan page's channel chooser: the operator picks a plan's channels by their snapshot pictures, one
// picture group per recorder. OK hands the picked channels to the plan page, which adds them to its current
// plan.

#include "config/pickers/CChannelPickerDialog.h"

class CComboBox;
class CDlgCfgPlan;
class CPushButton;
class QLabel;

// The chooser's widgets, built in code; all are owned by the dialog.
struct CDlgChooseChannelClass
{
    QGridLayout* pGridLayoutDevices = nullptr;
    QLabel* label = nullptr;
    CComboBox* m_pComboBoxDevice = nullptr;
    CPushButton* m_pushButtonRefresh = nullptr;

    void setupUi(QWidget* content);
    void retranslateUi();
};

class CDlgChooseChannel : public CChannelPickerDialog
{
    Q_OBJECT

public:
    explicit CDlgChooseChannel(CDlgCfgPlan* parent);
    ~CDlgChooseChannel() override;

public Q_SLOTS:
    void OnBtnRefresh();
    void OnBtnOK();

private:
    CDlgChooseChannelClass m_form;
    CDlgCfgPlan* m_pPlanPage;
};

#pragma once

// The manual backup dialog: a time range, a kind of recording, up to 32 cameras picked by their snapshot
// pictures, and whether scheduled backup resumes afterwards. OK stores the manual backup in the model and
// sets the backup mode to manual; the state page then runs it.

#include "config/pickers/CChannelPickerDialog.h"

class CCheckBox;
class CComboBox;
class CPushButton;
class QDateTimeEdit;
class QFrame;
class QLabel;

// The dialog's widgets, built in code; all are owned by the dialog.
struct CDlgManualBackupClass
{
    QGridLayout* gridLayout = nullptr;
    QLabel* pLabelStart = nullptr;
    QDateTimeEdit* pDtStart = nullptr;
    QLabel* pComEnd = nullptr;
    QDateTimeEdit* pDtEnd = nullptr;
    QLabel* pLabelType = nullptr;
    CComboBox* pCombType = nullptr;
    QFrame* pFrameDevice = nullptr;
    QGridLayout* pGridLayoutDevice = nullptr;
    QLabel* pLabelDevice = nullptr;
    CComboBox* pCombDevice = nullptr;
    CPushButton* pBtnRefresh = nullptr;
    CCheckBox* pCheckboxAutoToShedule = nullptr;

    void setupUi(QWidget* content);
    void retranslateUi();
};

class CDlgManualBackup : public CChannelPickerDialog
{
    Q_OBJECT

public:
    explicit CDlgManualBackup(QWidget* parent);
    ~CDlgManualBackup() override;

    // File types, their codes and the dates; the device choice.
    void InitDialog();

public Q_SLOTS:
    void OnBtnClickedOK();
    void OnBtnClickedCancel();
    void OnBtnClickedRefresh();

private:
    CDlgManualBackupClass m_form;
};

#pragma once

// The system page's form: the "Parameter" section (auto-start and the log-on account), "Disk Allocate" (the
// disk table and the full-disk choice) and the mail section under its "Enable Mail" switch.

#include <QDialog>

class CPushButton;
class CTableView;
class QCheckBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class DlgCfgSystem
{
public:
    QGridLayout* gridLayout = nullptr;
    QLabel* label_8 = nullptr;
    QFrame* line = nullptr;
    QCheckBox* m_pcheckBoxAutoStart = nullptr;
    QLabel* label = nullptr;
    QLineEdit* m_plineEditOSUserName = nullptr;
    QLabel* label_2 = nullptr;
    QLineEdit* m_plineEditOSPassWord = nullptr;
    QLabel* label_7 = nullptr;
    QFrame* line_2 = nullptr;
    CTableView* m_ptreeViewDisk = nullptr;
    QLabel* m_plabelDiskHint = nullptr; // where the disks' folders are set
    QLabel* label_3 = nullptr;
    QRadioButton* m_pRadioBtnContinue = nullptr;
    QRadioButton* m_pRadioBtnStop = nullptr;
    QCheckBox* m_pcheckBoxEmail = nullptr;
    QFrame* line_3 = nullptr;
    QGridLayout* mailLayout = nullptr;
    QLabel* label_4 = nullptr;
    QSpinBox* m_pspinBoxReconnect = nullptr;
    QLabel* label_5 = nullptr;
    QLineEdit* m_plineEditReceiverAddress = nullptr;
    QLabel* label_6 = nullptr;
    QLineEdit* m_plineEditDeliverServer = nullptr;
    QLabel* label_13 = nullptr;
    QLineEdit* m_plineEditPort = nullptr;
    QLabel* label_10 = nullptr;
    QLineEdit* m_plineEditDeliverAddress = nullptr;
    QLabel* label_14 = nullptr;
    QLineEdit* m_plineEditMailUserName = nullptr;
    QLabel* label_11 = nullptr;
    QLineEdit* m_plineEditMailPassWord = nullptr;
    CPushButton* m_pBtnTestConnection = nullptr;

    void setupUi(QDialog* page);
    void retranslateUi(QDialog* page);
};

#pragma once

// The record page's form: the camera tree with the type and range fields and the Search button on the left,
// the result table with the Export button on the right.

#include <QDialog>

class QFrame;
class QGridLayout;
class QLabel;
class CComboBox;
class CDateTimeEdit;
class CGroupTreeView;
class CPushButton;
class CTableView;

class CViewRecordClass
{
public:
    QGridLayout* gridLayout = nullptr;
    QGridLayout* gridLayoutSearch = nullptr;
    QLabel* pLabelCameraSel = nullptr;
    CGroupTreeView* pTreeGroup = nullptr;
    QFrame* line = nullptr;
    QLabel* pLabelFileType = nullptr;
    CComboBox* pCombFileType = nullptr;
    QLabel* pLabelFrom = nullptr;
    CDateTimeEdit* pDtFrom = nullptr;
    QLabel* pLabelTo = nullptr;
    CDateTimeEdit* pDtTo = nullptr;
    CPushButton* pBtnSearchRecord = nullptr;
    QLabel* pLabel = nullptr;
    QLabel* pLabelNoRecord = nullptr;
    QLabel* pLabelSearchNote = nullptr;
    CTableView* pTableView = nullptr;
    CPushButton* pBtnExport = nullptr;
    QLabel* label = nullptr;
    QLabel* label_2 = nullptr;
    QLabel* label_3 = nullptr;
    QLabel* label_4 = nullptr;

    void setupUi(QDialog* page);
    void retranslateUi(QDialog* page);
};

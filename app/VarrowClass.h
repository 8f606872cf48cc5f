#pragma once

// The main window's form: the tab row with its five buttons and the throughput read-out, and the grids the
// title bar and the pages are put into.

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpacerItem>

class VarrowClass
{
public:
    QWidget* centralWidget = nullptr;
    QGridLayout* gridLayout = nullptr;
    QGridLayout* pGridLayout = nullptr;
    QFrame* pTabFrame = nullptr;
    QGridLayout* gridLayout_4 = nullptr;
    QGridLayout* pGridLayoutFrame = nullptr;
    QPushButton* pBtnViewState = nullptr;
    QPushButton* pBtnViewRecFile = nullptr;
    QPushButton* pBtnViewLog = nullptr;
    QPushButton* pBtnConfig = nullptr;
    QPushButton* pBtnAbout = nullptr;
    QFrame* pStatusWidget = nullptr;
    QGridLayout* gridLayout_2 = nullptr;
    QGridLayout* pGridLayoutWidget = nullptr;
    QLabel* pLabelIcon = nullptr;
    QLabel* pLabelTip = nullptr;
    QLabel* pLabelData = nullptr;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};

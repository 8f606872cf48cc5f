#pragma once

// The state page's form: the state and event tables on the left; on the right the two mode buttons, the
// stacked details of the running mode and a fixed hint.

#include "widgets/views/CTableView.h"

#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

class ViewStateClass
{
public:
    QHBoxLayout* horizontalLayout = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QHBoxLayout* horizontalLayout_2 = nullptr;
    QLabel* label2 = nullptr;
    QLabel* label = nullptr;
    CTableView* tableView_State = nullptr;
    QLabel* label_3 = nullptr;
    CTableView* tableView_Event = nullptr;

    QFrame* frame = nullptr;
    QGridLayout* gridLayout = nullptr;
    QFrame* frame_2 = nullptr;
    QGridLayout* gridLayout_2 = nullptr;
    QPushButton* pBtnAuto = nullptr;
    QPushButton* pBtnManual = nullptr;
    QLabel* pLabelAuto = nullptr;
    QLabel* label_5 = nullptr;
    QFrame* line = nullptr;
    QStackedWidget* stackedWidget = nullptr;
    QFrame* line_2 = nullptr;
    QHBoxLayout* horizontalLayout_3 = nullptr;
    QLabel* label_2 = nullptr;
    QLabel* label_6 = nullptr;

    QWidget* page_Auto = nullptr;
    QGridLayout* gridLayout_3 = nullptr;
    QLabel* label_BackupDetail1_2 = nullptr;
    QLabel* label_7 = nullptr;
    QLabel* label_8 = nullptr;
    QLabel* label_9 = nullptr;
    QLabel* label_time = nullptr;
    QLabel* label_11 = nullptr;
    QLabel* label_count = nullptr;
    QLabel* label_13 = nullptr;
    QLabel* label_total = nullptr;
    QLabel* label_21 = nullptr;
    QLabel* label_already = nullptr;
    QLabel* label_15 = nullptr;
    QLabel* label_percent = nullptr;
    QLabel* label_17 = nullptr;
    QLabel* label_overdueTotal = nullptr;
    QLabel* label_19 = nullptr;
    QLabel* label_overdueAlready = nullptr;
    QLabel* label_20 = nullptr;
    QLabel* label_overduePercent = nullptr;

    QWidget* page_Manual = nullptr;
    QWidget* layoutWidget = nullptr;
    QVBoxLayout* verticalLayout_2 = nullptr;
    QGridLayout* gridLayout_4 = nullptr;
    QLabel* label_BackupDetail1 = nullptr;
    QLabel* label_25 = nullptr;
    QLabel* label_26 = nullptr;
    QLabel* label_27 = nullptr;
    QLabel* label_mtime = nullptr;
    QLabel* label_29 = nullptr;
    QLabel* label_mStart = nullptr;
    QLabel* label_31 = nullptr;
    QLabel* label_mEnd = nullptr;
    QLabel* label_33 = nullptr;
    QLabel* label_mType = nullptr;
    QLabel* label_35 = nullptr;
    QListWidget* m_listWidget = nullptr;

    QWidget* page_Empty = nullptr;

    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

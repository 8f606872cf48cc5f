#pragma once

// The About box's form: one centred line with the program's name and version.

#include <QGridLayout>
#include <QLabel>

class CDlgAboutClass
{
public:
    QGridLayout* gridLayout = nullptr;
    QLabel* pLabelAbout = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

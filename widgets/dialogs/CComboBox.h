#pragma once

// The program's combo box, with enable and disable slots that take a bool so that a check box can drive them.

#include <QComboBox>

class CComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CComboBox(QWidget* parent = nullptr);
    ~CComboBox() override;

    // The list opens at least as wide as its longest item, so a narrow box (a table cell) shows it uncut.
    void showPopup() override;

public Q_SLOTS:
    void setUserDisabled(bool b);
    void setUserEnabled(bool b);
};

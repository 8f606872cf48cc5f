#pragma once

// The program's combo box, with enable and disable slots that take a bool so that a check box can drive them.

#include <QComboBox>

class CComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CComboBox(QWidget* parent = nullptr);
    ~CComboBox() override;

public Q_SLOTS:
    void setUserDisabled(bool b);
    void setUserEnabled(bool b);
};

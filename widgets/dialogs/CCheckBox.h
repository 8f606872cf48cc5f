#pragma once

// The program's check box, with slots that check or uncheck it from another box's toggled(bool).

#include <QCheckBox>

class CCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit CCheckBox(QWidget* parent = nullptr);
    CCheckBox(const QString& text, QWidget* parent = nullptr);
    ~CCheckBox() override;

public Q_SLOTS:
    // Unchecks the box when b is true, checks it otherwise: the mirror of another box.
    void SetUnChecked(bool b);
    void SetChecked(bool b);
};

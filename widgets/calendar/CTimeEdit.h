#pragma once

// The time editor of a plan's weekday schedule (hours, minutes, seconds).

#include <QTimeEdit>

class CTimeEdit : public QTimeEdit
{
    Q_OBJECT

public:
    explicit CTimeEdit(QWidget* parent = nullptr);
    ~CTimeEdit() override;

public Q_SLOTS:
    void setUserDisabled(bool b);
    void setUserEnabled(bool b);
};

#pragma once

// The date-only editor of a table cell; opens the same calendar popup as the date-time field.

#include "widgets/calendar/CDateTimeEdit.h"

class CDateEdit : public CDateTimeEdit
{
    Q_OBJECT

public:
    explicit CDateEdit(QWidget* parent = nullptr);
    ~CDateEdit() override;
};

#include "widgets/calendar/CDateEdit.h"

CDateEdit::CDateEdit(QWidget* parent)
    : CDateTimeEdit(QVariant(QDate::currentDate()), QMetaType::QDate, parent)
{
}

CDateEdit::~CDateEdit() = default;

#include "widgets/calendar/CTimeEdit.h"

CTimeEdit::CTimeEdit(QWidget* parent) : QTimeEdit(parent) {}

CTimeEdit::~CTimeEdit() = default;

void CTimeEdit::setUserDisabled(bool b)
{
    setDisabled(b);
}

void CTimeEdit::setUserEnabled(bool b)
{
    setEnabled(b);
}

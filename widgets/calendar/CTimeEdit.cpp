#include "widgets/calendar/CTimeEdit.h"

#include "widgets/calendar/CDateTimeEdit.h"

CTimeEdit::CTimeEdit(QWidget* parent) : QTimeEdit(parent)
{
    // Schedules are kept to the second, in the same 24-hour form whatever the language.
    setDisplayFormat(QStringLiteral("hh:mm:ss"));
    CSectionTyping::Attach(this);
}

CTimeEdit::~CTimeEdit() = default;

void CTimeEdit::setUserDisabled(bool b)
{
    setDisabled(b);
}

void CTimeEdit::setUserEnabled(bool b)
{
    setEnabled(b);
}

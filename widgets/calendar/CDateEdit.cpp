#include "widgets/calendar/CDateEdit.h"

CDateEdit::CDateEdit(QWidget* parent)
    : CDateTimeEdit(QVariant(QDate::currentDate()), QMetaType::QDate, parent)
{
    // A field that holds a date only cannot take a text with a time in it: with the common date-time form
    // nothing typed was ever taken, the field went back to its old date at the next section.
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
}

CDateEdit::~CDateEdit() = default;

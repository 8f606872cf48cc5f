#include "widgets/views/CellDateEditors.h"

#include <QDateTimeEdit>

QDateTimeEdit* CreateCellDateTimeEditor(QWidget* parent)
{
    auto* editor = new QDateTimeEdit(parent);
    editor->setCalendarPopup(true);
    editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    editor->setDate(QDate::currentDate());
    return editor;
}

QDateTimeEdit* CreateCellDateEditor(QWidget* parent)
{
    auto* editor = new QDateTimeEdit(QDate::currentDate(), parent);
    editor->setCalendarPopup(true);
    editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return editor;
}

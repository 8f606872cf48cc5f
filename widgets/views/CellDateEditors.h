#pragma once

// The editors that the table delegate opens for date-and-time and date cells.

class QDateTimeEdit;
class QWidget;

QDateTimeEdit* CreateCellDateTimeEditor(QWidget* parent);
QDateTimeEdit* CreateCellDateEditor(QWidget* parent);

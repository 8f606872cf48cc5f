#pragma once

// The windows whose date and time fields the typing tests type into, opened (not shown yet) with the field
// found: the plan page's schedule table, the log and record pages' ranges and the manual backup form.

#include "config/pickers/CDlgManualBackup.h"
#include "config/plans/CDlgCfgPlan.h"
#include "pages/log/CSearchLog.h"
#include "pages/record/CViewRecord.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/calendar/CTimeEdit.h"
#include "widgets/views/CTableView.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>

namespace TypingWindows {

enum WINDOW
{
    SCHEDULE,      // the plan page's schedule table
    LOG_PAGE,      // the log page's range
    RECORD_PAGE,   // the record page's range
    MANUAL_BACKUP, // the manual backup form
    DATE_CELL,     // a table's date cell, alone in a window
};

struct COpened
{
    std::unique_ptr<QWidget> window;
    QDateTimeEdit* edit = nullptr; // null when the window has no such field
};

// The window of `kind` and its field by the name the window gives it; the schedule's by its table column.
inline COpened Open(int kind, const QString& field)
{
    COpened opened;
    switch (kind) {
    case SCHEDULE: {
        auto page = std::make_unique<CDlgCfgPlan>();
        auto* table = page->findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"));
        opened.edit =
            table != nullptr ? qobject_cast<CTimeEdit*>(table->GetItemWidget(0, field.toInt())) : nullptr;
        opened.window = std::move(page);
        break;
    }
    case LOG_PAGE:
        opened.window = std::make_unique<CSearchLog>();
        break;
    case RECORD_PAGE:
        opened.window = std::make_unique<CViewRecord>(nullptr);
        break;
    case DATE_CELL:
        opened.window = std::make_unique<QWidget>();
        (new CDateEdit(opened.window.get()))->setObjectName(field);
        break;
    default:
        opened.window = std::make_unique<CDlgManualBackup>(nullptr);
        break;
    }
    if (opened.edit == nullptr)
        opened.edit = opened.window->findChild<QDateTimeEdit*>(field);
    return opened;
}

// Where a click puts the caret before character `position` of the line's text: the middle of the span of
// points the line maps to that position; x is -1 when none does.
inline QPoint PointOfCaret(QLineEdit* line, int position)
{
    int first = -1;
    int last = -1;
    const int y = line->height() / 2;
    for (int x = 0; x < line->width(); ++x) {
        if (line->cursorPositionAt(QPoint(x, y)) == position) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return QPoint(first < 0 ? -1 : (first + last) / 2, y);
}

} // namespace TypingWindows

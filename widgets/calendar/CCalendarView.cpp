#include "widgets/calendar/CCalendarView.h"

#include "widgets/calendar/CCalendarModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QWheelEvent>

CCalendarView::CCalendarView(QWidget* parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setShowGrid(false);
    horizontalHeader()->setVisible(false);
    verticalHeader()->setVisible(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CCalendarView::~CCalendarView() = default;

CCalendarModel* CCalendarView::CalendarModel() const
{
    return qobject_cast<CCalendarModel*>(model());
}

void CCalendarView::keyboardSearch(const QString&)
{
    // Typed letters belong to the typed-date entry, never to a jump between cells.
}

QDate CCalendarView::DateAtMouse(QMouseEvent* event) const
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr)
        return QDate();
    const QModelIndex index = indexAt(event->position().toPoint());
    const QDate date = calendar->DateForCell(index.row(), index.column());
    if (date.isValid() && date >= calendar->m_minimumDate && date <= calendar->m_maximumDate)
        return date;
    return QDate();
}

QModelIndex CCalendarView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr)
        return QTableView::moveCursor(cursorAction, modifiers);
    if (ReadOnly())
        return currentIndex();
    QDate date = calendar->DateForCell(currentIndex().row(), currentIndex().column());
    const bool rightToLeft = isRightToLeft();
    switch (cursorAction) {
    case MoveUp:
        date = date.addDays(-7);
        break;
    case MoveDown:
        date = date.addDays(7);
        break;
    case MoveLeft:
        date = date.addDays(rightToLeft ? 1 : -1);
        break;
    case MoveRight:
        date = date.addDays(rightToLeft ? -1 : 1);
        break;
    case MoveHome:
        date = QDate(date.year(), date.month(), 1);
        break;
    case MoveEnd:
        date = QDate(date.year(), date.month(), date.daysInMonth());
        break;
    case MovePageUp:
        date = date.addMonths(-1);
        break;
    case MovePageDown:
        date = date.addMonths(1);
        break;
    case MoveNext:
    case MovePrevious:
        return currentIndex();
    default:
        break;
    }
    Q_EMIT changeDate(date, true, false);
    return currentIndex();
}

void CCalendarView::keyPressEvent(QKeyEvent* event)
{
    if (CalendarModel() != nullptr && !ReadOnly()) {
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select) {
            Q_EMIT editingFinished();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void CCalendarView::wheelEvent(QWheelEvent* event)
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr) {
        QTableView::wheelEvent(event);
        return;
    }
    const int steps = (event->angleDelta().y() / 8) / 15;
    const QDate date = calendar->DateForCell(currentIndex().row(), currentIndex().column()).addMonths(-steps);
    Q_EMIT showDate(date);
}

bool CCalendarView::event(QEvent* event)
{
    if (CalendarModel() != nullptr && event->type() == QEvent::FocusOut)
        Q_EMIT focusout();
    return QTableView::event(event);
}

void CCalendarView::mousePressEvent(QMouseEvent* event)
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr) {
        QTableView::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || ReadOnly())
        return;
    const QDate date = DateAtMouse(event);
    if (!date.isValid()) {
        m_pressIndex = QModelIndex();
        m_validDateClicked = false;
        event->ignore();
        return;
    }
    m_validDateClicked = true;
    const QModelIndex index = calendar->IndexForDate(date);
    if (index.isValid()) {
        const bool shownMonth =
            date.year() == calendar->m_shownYear && date.month() == calendar->m_shownMonth;
        m_pressIndex = shownMonth ? index : QModelIndex();
        selectionModel()->setCurrentIndex(m_pressIndex, QItemSelectionModel::NoUpdate);
    }
}

void CCalendarView::mouseMoveEvent(QMouseEvent* event)
{
    CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    if (ReadOnly())
        return;
    const QDate date = DateAtMouse(event);
    if (!date.isValid() || date.year() != calendar->m_shownYear || date.month() != calendar->m_shownMonth)
        return;
    const QModelIndex current = calendar->IndexForDate(date);
    if (!current.isValid()) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    if (m_pressIndex.isValid()) {
        selectionModel()->clearSelection();
        QModelIndex start = m_pressIndex;
        QModelIndex end = current;
        if (end.row() < start.row() || (end.row() == start.row() && end.column() < start.column()))
            std::swap(start, end);
        const int last = calendar->columnCount() - 1;
        QItemSelection selection;
        if (start.row() == end.row()) {
            selection.select(start, end);
        } else {
            selection.select(start, calendar->index(start.row(), last));
            for (int r = start.row() + 1; r < end.row(); ++r)
                selection.select(calendar->index(r, 0), calendar->index(r, last));
            selection.select(calendar->index(end.row(), 0), end);
        }
        selectionModel()->select(selection, QItemSelectionModel::Select);
    } else {
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    QTableView::mouseMoveEvent(event);
}

void CCalendarView::mouseReleaseEvent(QMouseEvent* event)
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || ReadOnly())
        return;
    if (m_validDateClicked) {
        const QDate date = DateAtMouse(event);
        if (date.isValid()) {
            const QDate pressed = calendar->DateForCell(m_pressIndex.row(), m_pressIndex.column());
            if (pressed != date && m_pressIndex.isValid()) {
                Q_EMIT SignalSelectDate(qMin(pressed, date), qMax(pressed, date));
            } else {
                const qsizetype selected = selectionModel()->selectedIndexes().size();
                Q_EMIT changeDate(date, true, selected > 1);
                Q_EMIT SignalSelectDate(date, date);
            }
            Q_EMIT clicked(date);
            if (style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, this))
                Q_EMIT editingFinished();
        }
        m_validDateClicked = false;
    } else {
        event->ignore();
    }
    m_pressIndex = QModelIndex();
}

void CCalendarView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const CCalendarModel* calendar = CalendarModel();
    if (calendar == nullptr) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    if (ReadOnly())
        return;
    const QDate date = DateAtMouse(event);
    m_validDateClicked = false;
    if (date == calendar->m_date &&
        !style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, this))
        Q_EMIT editingFinished();
}

#pragma once

// The month grid of the calendar: turns mouse, wheel and key input into date signals for the calendar widget,
// and lets the operator drag over days to choose a range. In NoSelection mode it is read-only.

#include <QDate>
#include <QPersistentModelIndex>
#include <QTableView>

class CCalendarModel;

class CCalendarView : public QTableView
{
    Q_OBJECT

public:
    explicit CCalendarView(QWidget* parent = nullptr);
    ~CCalendarView() override;

    // The choosable date under the mouse, or an invalid date.
    QDate DateAtMouse(QMouseEvent* event) const;

    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    void showDate(QDate date);
    void changeDate(QDate date, bool changeMonth, bool bChangeDate = false);
    void clicked(QDate date);
    void editingFinished();
    void focusout();
    void SignalSelectDate(QDate dtBegin, QDate dtEnd);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    CCalendarModel* CalendarModel() const;
    bool ReadOnly() const { return selectionMode() == QAbstractItemView::NoSelection; }

    bool m_validDateClicked = false;
    QPersistentModelIndex m_pressIndex;
};

#pragma once

// The popup window of the date-time editor: hosts the program's calendar, reports the date the operator moves
// to and the date chosen, and gives back the date it was opened with when it closes without a choice.

#include <QDate>
#include <QWidget>

class CCalendarWidget;

class CCalendarTimePopup : public QWidget
{
    Q_OBJECT

public:
    explicit CCalendarTimePopup(QWidget* parent = nullptr);
    ~CCalendarTimePopup() override;

    QDate selectedDate() const;
    void setDate(const QDate& date);
    void setDateRange(const QDate& min, const QDate& max);
    void setFirstDayOfWeek(Qt::DayOfWeek day);
    CCalendarWidget* Calendar() const { return m_calendar; }

Q_SIGNALS:
    void activated(QDate date);
    void newDateSelected(QDate date);
    void hidingCalendar(QDate date);
    void resetButton();

public Q_SLOTS:
    void dateSelected(QDate date);
    void dateSelectionChanged();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CCalendarWidget* m_calendar = nullptr;
    QDate m_oldDate;
    bool m_dateChanged = false;
};

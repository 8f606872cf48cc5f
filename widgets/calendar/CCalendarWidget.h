#pragma once

// The program's month calendar: a fixed 183 x 200 widget with a dark navigation bar (month and year, each
// with previous and next) over the month grid. It names days and months in the program's language, lets the
// operator drag over a range of days, paints a corner mark on marked days, and reports when the cursor is no
// longer over it.

#include <QDate>
#include <QList>
#include <QMap>
#include <QTextCharFormat>
#include <QWidget>

class QItemSelectionModel;
class QLabel;
class QToolButton;
class CCalendarModel;
class CCalendarView;
class CCalendarDelegate;
class CCalendarTextNavigator;

class CCalendarWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QDate SelectedDate READ SelectedDate WRITE SetSelectedDate)
    Q_PROPERTY(QDate MinimumDate READ MinimumDate WRITE SetMinimumDate)
    Q_PROPERTY(QDate MaximumDate READ MaximumDate WRITE SetMaximumDate)
    Q_PROPERTY(Qt::DayOfWeek FirstDayOfWeek READ FirstDayOfWeek WRITE SetFirstDayOfWeek)
    Q_PROPERTY(bool gridVisible READ IsGridVisible WRITE SetGridVisible)
    Q_PROPERTY(SelectionMode GetSelectionMode READ GetSelectionMode WRITE SetSelectionMode)
    Q_PROPERTY(HorizontalHeaderFormat GetHorizontalHeaderFormat READ GetHorizontalHeaderFormat WRITE
                   SetHorizontalHeaderFormat)
    Q_PROPERTY(VerticalHeaderFormat GetVerticalHeaderFormat READ GetVerticalHeaderFormat WRITE
                   SetVerticalHeaderFormat)
    Q_PROPERTY(bool headerVisible READ IsNavigationBarVisible WRITE SetNavigationBarVisible STORED false)
    Q_PROPERTY(bool navigationBarVisible READ IsNavigationBarVisible WRITE SetNavigationBarVisible)
    Q_PROPERTY(bool dateEditEnabled READ IsDateEditEnabled WRITE SetDateEditEnabled)
    Q_PROPERTY(int DateEditAcceptDelay READ DateEditAcceptDelay WRITE SetDateEditAcceptDelay)

public:
    enum HorizontalHeaderFormat
    {
        NoHorizontalHeader = 0,
        SingleLetterDayNames = 1,
        ShortDayNames = 2,
        LongDayNames = 3
    };
    Q_ENUM(HorizontalHeaderFormat)
    enum VerticalHeaderFormat
    {
        NoVerticalHeader = 0,
        ISOWeekNumbers = 1
    };
    Q_ENUM(VerticalHeaderFormat)
    enum SelectionMode
    {
        NoSelection = 0,
        SingleSelection = 1,
        MultiSelection = 2
    };
    Q_ENUM(SelectionMode)

    explicit CCalendarWidget(QWidget* parent = nullptr);
    ~CCalendarWidget() override;

    QDate SelectedDate() const;
    QDate MinimumDate() const;
    void SetMinimumDate(const QDate& date);
    QDate MaximumDate() const;
    void SetMaximumDate(const QDate& date);
    Qt::DayOfWeek FirstDayOfWeek() const;
    void SetFirstDayOfWeek(Qt::DayOfWeek day);
    bool IsGridVisible() const;
    SelectionMode GetSelectionMode() const;
    void SetSelectionMode(SelectionMode mode);
    HorizontalHeaderFormat GetHorizontalHeaderFormat() const;
    void SetHorizontalHeaderFormat(HorizontalHeaderFormat format);
    VerticalHeaderFormat GetVerticalHeaderFormat() const;
    void SetVerticalHeaderFormat(VerticalHeaderFormat format);
    bool IsNavigationBarVisible() const { return m_navBarVisible; }
    bool IsDateEditEnabled() const { return m_dateEditEnabled; }
    void SetDateEditEnabled(bool enable);
    int DateEditAcceptDelay() const;
    void SetDateEditAcceptDelay(int delay);
    void SetShowOtherMonthDays(bool show);

    int YearShown() const;
    int MonthShown() const;

    // Repaints the cell of date; an invalid date only leaves a warning.
    void updateCell(const QDate& date);

    void SetDateMark(const QDate& date, int type);
    void RemoveDateMarks(int type);
    void RemoveDateMark(const QDate& date);
    // The smallest mark type that holds date, or -1.
    int GetDateMarkType(const QDate& date) const;
    bool IsDateMarked(const QDate& date) const;
    // The corner colour of a mark type; invalid for an unknown type.
    static QColor GetMarkColor(int type);

    void GetSelectedRange(QDate& begin, QDate& end) const;
    void SetSelectedRange(const QDate& begin, const QDate& end);

    QTextCharFormat HeaderTextFormat() const;
    void SetHeaderTextFormat(const QTextCharFormat& format);
    QTextCharFormat WeekdayTextFormat(Qt::DayOfWeek day) const;
    void SetWeekdayTextFormat(Qt::DayOfWeek day, const QTextCharFormat& format);
    QMap<QDate, QTextCharFormat> DateTextFormat() const;
    QTextCharFormat DateTextFormat(const QDate& date) const;
    // A null date clears every date format.
    void SetDateTextFormat(const QDate& date, const QTextCharFormat& format);

    // The parts, for the delegate and for tests.
    CCalendarModel* Model() const { return m_model; }
    CCalendarView* View() const { return m_view; }
    CCalendarTextNavigator* Navigator() const { return m_navigator; }
    QWidget* NavigationBar() const { return m_navBar; }

    virtual void paintCell(QPainter* painter, const QRect& rect, const QDate& date) const;

public Q_SLOTS:
    void SetSelectedDate(const QDate& date);
    void SetDateRange(const QDate& minDate, const QDate& maxDate);
    void SetCurrentPage(int iYear, int iMonth);
    void SetGridVisible(bool bShow);
    void SetNavigationBarVisible(bool bVisible);
    void ShowNextMonth();
    void ShowPreviousMonth();
    void ShowNextYear();
    void ShowPreviousYear();
    void ShowSelectedDate();
    void ShowToDay();
    void OnCallJudgePos();

Q_SIGNALS:
    void SelectionChanged();
    void clicked(QDate date);
    void activated(QDate date);
    void SignalSelectDate(QDate dtBegin, QDate dtEnd);
    void CurrentPageChanged(int iYear, int iMonth);
    void LeaveCalendar();

protected:
    bool event(QEvent* event) override;

private Q_SLOTS:
    void OnShowDate(QDate date);
    void OnChangeDate(QDate date);
    void OnChangeDate(QDate date, bool changeMonth, bool bChangeDate = false);
    void OnSlotSelectDate(QDate dtBegin, QDate dtEnd);
    void OnEditingFinished();
    void OnPrevMonthClicked();
    void OnNextMonthClicked();
    void OnPrevYearClicked();
    void OnNextYearClicked();

private:
    void CreateNavigationBar(QWidget* parent);
    void UpdateButtonIcons();
    QDate GetCurrentDate() const;
    void ShowMonth(int year, int month);
    void UpdateMonthYearLabels();
    void UpdateNavigationButtons();
    // After a new limit moved the date: show and announce where it went.
    void FollowClampedDate(const QDate& old);
    void UpdateCurrentPage(QDate date);
    void UpdateSelection();
    void SetNavigatorEnabled(bool enable);
    void RepaintGrid();

    QMap<int, QList<QDate>> m_dateMarks;
    CCalendarModel* m_model = nullptr;
    CCalendarView* m_view = nullptr;
    CCalendarDelegate* m_delegate = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    CCalendarTextNavigator* m_navigator = nullptr;
    bool m_dateEditEnabled = false;
    QToolButton* m_nextMonth = nullptr;
    QToolButton* m_prevMonth = nullptr;
    QLabel* m_monthLabel = nullptr;
    QToolButton* m_nextYear = nullptr;
    QToolButton* m_prevYear = nullptr;
    QLabel* m_yearLabel = nullptr;
    QWidget* m_navBar = nullptr;
    bool m_navBarVisible = true;
};

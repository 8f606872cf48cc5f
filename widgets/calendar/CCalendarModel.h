#pragma once

// One month page of the calendar: 6 week rows by 7 weekday columns, with an optional row of day names above
// and an optional column of ISO week numbers in front. The view, its delegate and the calendar widget read
// and change its fields directly; they form one unit.

#include <QAbstractTableModel>
#include <QDate>
#include <QMap>
#include <QTextCharFormat>

class CCalendarView;

class CCalendarModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CCalendarModel(QObject* parent = nullptr);
    ~CCalendarModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The grid never changes size by these; they only tell the views that a header row or column came or
    // went.
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Qt::DayOfWeek DayOfWeekForColumn(int column) const;
    // -1 for a value outside 1..7.
    int ColumnForDayOfWeek(Qt::DayOfWeek day) const;
    // The first valid day of the shown month.
    QDate ReferenceDate() const;
    int ColumnForFirstOfMonth(const QDate& date) const;
    // Invalid for header cells, and for other months' days while those are blanked.
    QDate DateForCell(int row, int column) const;
    // -1/-1 when the date is not on the page; other months' days on the page are found even when blanked.
    void CellForDate(const QDate& date, int* row, int* column) const;
    // Invalid when the date is not on the page.
    QModelIndex IndexForDate(const QDate& date) const;
    QString DayName(Qt::DayOfWeek day) const;
    QTextCharFormat FormatForCell(int row, int column) const;

    void SetDate(const QDate& d);
    void SetSelectedRange(const QDate& begin, const QDate& end);
    void ShowMonth(int year, int month);
    void SetMinimumDate(const QDate& d);
    void SetMaximumDate(const QDate& d);
    void SetRange(const QDate& min, const QDate& max);
    void SetHorizontalHeaderFormat(int format);
    void SetFirstColumnDay(Qt::DayOfWeek day);
    Qt::DayOfWeek FirstColumnDay() const { return m_firstDay; }
    void SetWeekNumbersShown(bool show);
    bool WeekNumbersShown() const { return m_weekNumbersShown; }
    void SetShowOtherMonthDays(bool show) { m_showOtherMonthDays = show; }
    bool ShowOtherMonthDays() const { return m_showOtherMonthDays; }
    void SetView(CCalendarView* view) { m_view = view; }
    // Tells the views that every cell and both headers changed.
    void InternalUpdate();

    int m_firstColumn = 0;
    int m_firstRow = 0;
    QDate m_date;
    QDate m_minimumDate;
    QDate m_maximumDate;
    int m_shownYear = 0;
    int m_shownMonth = 1;
    Qt::DayOfWeek m_firstDay = Qt::Sunday;
    int m_horizontalHeaderFormat = 2;
    bool m_weekNumbersShown = true;
    bool m_showOtherMonthDays = true;
    QMap<Qt::DayOfWeek, QTextCharFormat> m_dayFormats;
    QMap<QDate, QTextCharFormat> m_dateFormats;
    QTextCharFormat m_headerFormat;
    CCalendarView* m_view = nullptr;
    QDate m_selectedBegin;
    QDate m_selectedEnd;
};
